#include "gif/gif_image.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gif/frame_import.h"
#include "gif/gif_io.h"
#include "gif/gif_units.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/core/files.h"

namespace gif {

namespace {

// Read by every rendering, painter threads' included.
std::atomic<bool> auto_dither{false};

bool IsSignature(const std::array<uint8_t, 6>& bytes) {
    constexpr std::string_view kGif = "GIF";
    for (size_t i = 0; i < kGif.size(); ++i) {
        const uint8_t upper = bytes[i] >= 'a' && bytes[i] <= 'z' ? bytes[i] - 'a' + 'A' : bytes[i];
        if (upper != kGif[i]) return false;
    }
    return true;
}

}  // namespace

// ---- TGIFItem and lists

void TGIFItem::Warning(uint8_t severity, Message message) const {
    if (image_ != nullptr) image_->Warning(this, severity, Text(message));
}

void TGIFItem::SaveToFile(const std::string& path) const {
    platform::WriteFileAtomic(path, [this](platform::Stream& stream) { SaveToStream(stream); });
}

void TGIFItem::LoadFromFile(const std::string& path) {
    platform::FileStream stream(path, platform::FileMode::Read);
    LoadFromStream(stream);
}

void ListWarning(TGIFImage* image, const void* list, uint8_t severity, Message message) {
    if (image != nullptr) image->Warning(list, severity, Text(message));
}

// ---- TGIFHeader

TGIFHeader::TGIFHeader(TGIFImage& image) : TGIFItem(&image), color_map_(*this) {}

void TGIFHeader::Clear() {
    color_map_.Clear();
    screen_.fill(0);
}

void TGIFHeader::Assign(const TGIFHeader& source) {
    if (&source == this) return;
    color_map_.Assign(source.color_map_);
    screen_ = source.screen_;
}

void TGIFHeader::Assign(const TGIFColorMap& source) {
    Clear();
    color_map_.Assign(source);
}

platform::Color TGIFHeader::BackgroundColor() {
    return color_map_.GetColor(BackgroundColorIndex());
}

uint8_t TGIFHeader::PreparedFields() const {
    const bool global = color_map_.Count() > 0;
    uint32_t fields = 0;
    if (global) fields |= 0x80;
    if (global && color_map_.Sorted()) fields |= 0x08;
    fields |= (static_cast<uint32_t>(image_->GetColorResolution()) << 4) & 0x70;
    const int32_t bits = global ? color_map_.BitsPerPixel() : image_->GetBitsPerPixel();
    fields |= static_cast<uint32_t>(bits - 1) & 7;
    return static_cast<uint8_t>(fields);
}

void TGIFHeader::SaveToStream(platform::Stream& stream) const {
    const GIFVersion version = image_->GetVersion();
    if (version == GIFVersion::Unknown) Error(Message::UnsupportedVersion);
    stream.WriteBuffer(version == GIFVersion::GIF87a ? "GIF87a" : "GIF89a", 6);
    std::array<uint8_t, 7> screen = screen_;
    screen[4] = PreparedFields();
    stream.WriteBuffer(screen.data(), screen.size());
    if ((screen[4] & 0x80) != 0) color_map_.SaveToStream(stream);
}

void TGIFHeader::LoadFromStream(platform::Stream& stream) {
    const int64_t start = stream.Position();
    std::array<uint8_t, 6> signature{};
    ReadCheck(stream, signature.data(), signature.size());
    if (!IsSignature(signature)) {
        stream.SetPosition(start + 4);
        ReadCheck(stream, signature.data(), signature.size());
        if (!IsSignature(signature)) Error(Message::InvalidSignature);
    }
    ReadCheck(stream, screen_.data(), screen_.size());
    platform::CheckPictureSize(LogicalScreenWidth(), LogicalScreenHeight());
    if ((PackedFields() & 0x80) != 0) {
        color_map_.LoadFromStream(stream, 2 << (PackedFields() & 7));
    } else {
        color_map_.Clear();
    }
}

// ---- TGIFSubImage

void TGIFSubImage::FreeDeleter::operator()(uint8_t* pixels) const {
    std::free(pixels);
}

TGIFSubImage::TGIFSubImage(TGIFImage& image)
    : TGIFItem(&image), color_map_(*this), extensions_(&image) {}

// The members go by themselves.
TGIFSubImage::~TGIFSubImage() = default;

GIFVersion TGIFSubImage::GetVersion() const {
    return color_map_.Sorted() || extensions_.Count() > 0 ? GIFVersion::GIF89a : GIFVersion::GIF87a;
}

void TGIFSubImage::Clear() {
    extensions_.Clear();
    color_map_.Clear();
    FreeImage();
    // An empty frame takes no room on the screen. The bounds setter would
    // enlarge the screen to the old size of a frame beyond it, as the reader
    // takes some, and warn about a frame that is going away.
    PutU16(&descriptor_[5], 0);
    PutU16(&descriptor_[7], 0);
    gce_ = nullptr;
    FreeBitmap();
    FreeMask();
}

void TGIFSubImage::Assign(const TGIFSubImage& source) {
    if (&source == this) return;
    Clear();
    if (source.data_size_ == 0) return;
    descriptor_ = source.descriptor_;
    NewImage();
    // The same size: the kept indices are copied as they are kept.
    if (source.held_ > 0) {
        auto* pixels = static_cast<uint8_t*>(std::malloc(source.held_));
        if (pixels == nullptr) platform::RaiseOutOfMemory();
        std::memcpy(pixels, source.data_.get(), source.held_);
        data_.reset(pixels);
        held_ = source.held_;
        row_step_ = source.row_step_;
    }
    fill_ = source.fill_;
    color_map_.Assign(source.color_map_);
    CopyExtensions(source);
    if (source.bitmap_ != nullptr) {
        NewBitmap();
        bitmap_->Assign(*source.bitmap_);
        bitmap_palette_ = source.bitmap_palette_;
    }
}

void TGIFSubImage::CopyExtensions(const TGIFSubImage& source) {
    if (source.extensions_.Count() == 0) return;
    platform::MemoryStream copy;
    source.extensions_.SaveToStream(copy);
    copy.SetPosition(0);
    extensions_.LoadFromStream(copy, *this);
}

bool TGIFSubImage::Empty() const {
    return data_size_ == 0 || Width() == 0 || Height() == 0;
}

int32_t TGIFSubImage::BoundsValue(int32_t index) const {
    switch (index) {
        case 1:
            return Left();
        case 2:
            return Top();
        case 3:
            return Width();
        case 4:
            return Height();
        default:
            return 0;
    }
}

void TGIFSubImage::SetBoundsValue(int32_t index, int32_t value) {
    std::array<int32_t, 4> bounds{Left(), Top(), Width(), Height()};
    if (index < 1 || index > 4) return;
    bounds[static_cast<size_t>(index - 1)] = value;
    DoSetBounds(bounds[0], bounds[1], bounds[2], bounds[3]);
}

void TGIFSubImage::DoSetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    for (const int32_t value : {left, top, width, height}) platform::CheckRange(value, 0, 0xFFFF);
    const bool resized = width != Width() || height != Height();
    if (resized) platform::CheckPictureSize(width, height);
    PutU16(&descriptor_[1], static_cast<uint16_t>(left));
    PutU16(&descriptor_[3], static_cast<uint16_t>(top));
    PutU16(&descriptor_[5], static_cast<uint16_t>(width));
    PutU16(&descriptor_[7], static_cast<uint16_t>(height));
    if (resized) {
        FreeBitmap();
        FreeMask();
        FreeImage();
        NewImage();
    }
    TGIFHeader& header = image_->Header();
    bool warned = false;
    if (header.LogicalScreenWidth() < left + width) {
        if (header.LogicalScreenWidth() > 0) {
            Warning(kWarningSeverity, Message::WidthTooSmall);
            warned = true;
        }
        header.SetLogicalScreenWidth(
            static_cast<uint16_t>(platform::CheckRange(left + width, 0, 0xFFFF)));
    }
    if (header.LogicalScreenHeight() < top + height) {
        if (header.LogicalScreenHeight() > 0) {
            Warning(kWarningSeverity, Message::HeightTooSmall);
            warned = true;
        }
        header.SetLogicalScreenHeight(
            static_cast<uint16_t>(platform::CheckRange(top + height, 0, 0xFFFF)));
    }
    if (warned) Warning(kWarningSeverity, Message::ExceedsLogicalScreen);
}

void TGIFSubImage::SetInterlaced(bool interlaced) {
    descriptor_[9] =
        static_cast<uint8_t>(interlaced ? descriptor_[9] | 0x40 : descriptor_[9] & ~0x40);
}

void TGIFSubImage::NewImage() {
    FreeImage();
    platform::CheckPictureSize(Width(), Height());
    // Zeros, made when they are first asked for.
    data_size_ = static_cast<size_t>(Width()) * static_cast<size_t>(Height());
}

void TGIFSubImage::FreeImage() {
    data_.reset();
    data_size_ = 0;
    held_ = 0;
    fill_ = 0;
    row_step_ = 1;
}

uint16_t TGIFSubImage::KeptRowStep() const {
    const int64_t height = Height();
    const int64_t screen = image_->Height();
    const int64_t drawn = image_->MaxDrawHeight();
    if (drawn <= 0 || screen <= 0) return 1;
    // The frame's share of the drawing's height, rounded up: the rows kept
    // are never fewer.
    const int64_t share = std::max<int64_t>(1, (height * drawn + screen - 1) / screen);
    return static_cast<uint16_t>(std::max<int64_t>(1, height / share));
}

void TGIFSubImage::HoldAll() const {
    if (row_step_ > 1) {
        // The rows kept are all there; each stands for those below it.
        const auto width = static_cast<size_t>(Width());
        auto* pixels = static_cast<uint8_t*>(std::malloc(data_size_));
        if (pixels == nullptr) platform::RaiseOutOfMemory();
        for (size_t y = 0; y < Height(); ++y) {
            std::memcpy(pixels + y * width, data_.get() + y / row_step_ * width, width);
        }
        data_.reset(pixels);
        held_ = data_size_;
        row_step_ = 1;
        return;
    }
    if (held_ == data_size_) return;
    auto* pixels = static_cast<uint8_t*>(std::realloc(data_.get(), data_size_));
    if (pixels == nullptr) platform::RaiseOutOfMemory();
    static_cast<void>(data_.release());
    data_.reset(pixels);
    std::memset(pixels + held_, fill_, data_size_ - held_);
    held_ = data_size_;
}

uint8_t* TGIFSubImage::Data() {
    if (data_size_ == 0) return nullptr;
    HoldAll();
    return data_.get();
}

const uint8_t* TGIFSubImage::Data() const {
    if (data_size_ == 0) return nullptr;
    HoldAll();
    return data_.get();
}

const uint8_t* TGIFSubImage::ReadRow(int32_t y, std::vector<uint8_t>& scratch) const {
    const auto width = static_cast<size_t>(Width());
    const size_t at = static_cast<size_t>(y / row_step_) * width;
    if (at + width <= held_) return data_.get() + at;
    scratch.assign(width, fill_);
    if (at < held_) std::memcpy(scratch.data(), data_.get() + at, held_ - at);
    return scratch.data();
}

void TGIFSubImage::NeedImage() {
    if (data_size_ == 0) NewImage();
    if (data_size_ == 0) Error(Message::ImageEmpty);
}

uint8_t* TGIFSubImage::GetScanline(int32_t y) {
    if (y < 0 || y >= Height()) Error(Message::InvalidPixelCoordinates);
    NeedImage();
    return Data() + static_cast<size_t>(Width()) * static_cast<size_t>(y);
}

uint8_t TGIFSubImage::GetPixel(int32_t x, int32_t y) {
    if (x < 0 || x >= Width()) Error(Message::InvalidPixelCoordinates);
    return GetScanline(y)[x];
}

TGIFColorMap& TGIFSubImage::ActiveColorMap() {
    if (color_map_.Count() > 0) return color_map_;
    TGIFColorMap& global = image_->GetGlobalColorMap();
    return global.Count() > 0 ? global : color_map_;
}

const TGIFColorMap& TGIFSubImage::ActiveColorMap() const {
    if (color_map_.Count() > 0) return color_map_;
    const TGIFColorMap& global = image_->Header().ColorMap();
    return global.Count() > 0 ? global : color_map_;
}

platform::Palette TGIFSubImage::GetPalette() const {
    if (bitmap_ != nullptr && bitmap_palette_) return bitmap_palette_;
    if (palette_) return palette_;
    if (image_->GetDoDither()) {
        palette_ = CreateWebPalette();
        return palette_;
    }
    if (color_map_.Count() == 0) return image_->GetPalette();
    palette_ = color_map_.ExportPalette();
    return palette_;
}

void TGIFSubImage::TableBitsChanged(int32_t former, int32_t bits) {
    if (list_ != nullptr) list_->TableBitsChanged(former, bits);
}

void TGIFSubImage::ColorMapChanged(const platform::Palette& palette) {
    palette_ = palette;
    if (bitmap_ != nullptr && !(palette == bitmap_palette_)) {
        FreeBitmap();
        image_->SetPaletteModified(true);
        image_->Changed();
    }
}

void TGIFSubImage::NewBitmap() {
    bitmap_ = std::make_unique<platform::Bitmap>();
    bitmap_palette_ = {};
}

void TGIFSubImage::FreeBitmap() {
    bitmap_.reset();
    bitmap_palette_ = {};
}

void TGIFSubImage::FreeMask() {
    mask_.reset();
    need_mask_ = true;
}

uint8_t TGIFSubImage::PreparedFields() const {
    const uint8_t stored = descriptor_[9];
    if (color_map_.Count() == 0) return static_cast<uint8_t>(stored & ~(0x80 | 0x20 | 0x07));
    uint32_t fields = 0x80 | (stored & 0x58u);
    if (color_map_.Sorted()) fields |= 0x20;
    fields |= static_cast<uint32_t>(color_map_.BitsPerPixel() - 1) & 7;
    return static_cast<uint8_t>(fields);
}

void TGIFSubImage::SaveToStream(platform::Stream& stream) const {
    extensions_.SaveToStream(stream);
    if (Empty()) return;
    std::array<uint8_t, 10> descriptor = descriptor_;
    descriptor[0] = kImageSeparator;
    descriptor[9] = PreparedFields();
    stream.WriteBuffer(descriptor.data(), descriptor.size());
    color_map_.SaveToStream(stream);
    Compress(stream);
}

void TGIFSubImage::LoadFromStream(platform::Stream& stream) {
    Clear();
    extensions_.LoadFromStream(stream, *this);
    // Only a "," starts an image block; after anything else the frame holds
    // its extensions alone and the frame list reads that byte again.
    const std::optional<uint8_t> next = TryReadByte(stream);
    if (!next) return;
    Unread(stream);
    if (*next != kImageSeparator) return;
    ReadCheck(stream, descriptor_.data(), descriptor_.size());
    if (Width() == 0 || Height() == 0) {
        PutU16(&descriptor_[7], image_->Header().LogicalScreenHeight());
        PutU16(&descriptor_[5], image_->Header().LogicalScreenWidth());
        Warning(kWarningSeverity, Message::ExceedsLogicalScreen);
    }
    const uint16_t step = KeptRowStep();
    image_->CountFrameIndices(Width(), (Height() + step - 1) / step);
    if ((PackedFields() & 0x80) != 0) color_map_.LoadFromStream(stream, 2 << (PackedFields() & 7));
    Decompress(stream);
}

// ---- TGIFTrailer

void TGIFTrailer::SaveToStream(platform::Stream& stream) const {
    WriteByte(stream, kTrailer);
}

void TGIFTrailer::LoadFromStream(platform::Stream& stream) {
    const std::optional<uint8_t> byte = TryReadByte(stream);
    if (byte && *byte != kTrailer) Warning(kWarningSeverity, Message::InvalidTrailer);
}

// ---- TGIFImageList

// The frames go while this list is whole, each told that it leaves.
TGIFImageList::~TGIFImageList() {
    Clear();
}

void TGIFImageList::Entered(TGIFSubImage& frame) {
    frame.list_ = this;
    TableBitsChanged(0, frame.ColorMap().BitsPerPixel());
}

void TGIFImageList::Left(TGIFSubImage& frame) {
    frame.list_ = nullptr;
    TableBitsChanged(frame.ColorMap().BitsPerPixel(), 0);
}

void TGIFImageList::TableBitsChanged(int32_t former, int32_t bits) {
    if (former > 0) --tables_by_bits_[static_cast<size_t>(former)];
    if (bits > 0) ++tables_by_bits_[static_cast<size_t>(bits)];
}

int32_t TGIFImageList::WidestTable() const {
    for (int32_t bits = 8; bits > 0; --bits) {
        if (tables_by_bits_[static_cast<size_t>(bits)] > 0) return bits;
    }
    return 0;
}

void TGIFImageList::LoadFromStream(platform::Stream& stream, TGIFImage& parent) {
    for (std::optional<uint8_t> byte; (byte = TryReadByte(stream));) {
        if (*byte == 0) continue;
        Unread(stream);
        if (*byte == kTrailer) break;
        if (*byte != kExtensionIntroducer && *byte != kImageSeparator) {
            Warning(kWarningSeverity, Message::UnknownBlockType);
            break;
        }
        auto frame = std::make_unique<TGIFSubImage>(parent);
        frame->LoadFromStream(stream);
        Add(std::move(frame));
        parent.Progress(ProgressStage::Running, parent.LoadedPercent(stream), false, {},
                        Message::Loading);
    }
}

void TGIFImageList::SaveToStream(platform::Stream& stream) const {
    const int32_t count = Count();
    for (int32_t i = 0; i < count; ++i) {
        Items(i)->SaveToStream(stream);
        Image()->Progress(ProgressStage::Running, static_cast<uint8_t>((i + 1) * 100 / count),
                          false, {}, Message::Saving);
    }
}

// ---- TGIFImage

TGIFImage::TGIFImage() : header_(*this), images_(this) {
    Clear();
}

TGIFImage::~TGIFImage() {
    Clear();
}

std::unique_ptr<platform::Graphic> TGIFImage::Clone() const {
    auto copy = std::make_unique<TGIFImage>();
    copy->Assign(*this);
    return copy;
}

void TGIFImage::Assign(const platform::Graphic& source) {
    if (const auto* image = dynamic_cast<const TGIFImage*>(&source)) {
        if (image != this) AssignImage(*image);
        return;
    }
    Clear();
    Add(source);
}

void TGIFImage::AssignImage(const TGIFImage& source) {
    Clear();
    OnProgress = source.OnProgress;
    OnWarning = source.OnWarning;
    try {
        Progress(ProgressStage::Starting, 0, false, {}, Message::Copying);
        header_.Assign(source.header_);
        thread_priority_ = source.thread_priority_;
        draw_background_color_ = source.draw_background_color_;
        draw_options_ = source.draw_options_;
        color_reduction_ = source.color_reduction_;
        dither_mode_ = source.dither_mode_;
        const int32_t count = source.images_.Count();
        for (int32_t i = 0; i < count; ++i) {
            auto frame = std::make_unique<TGIFSubImage>(*this);
            frame->Assign(*source.images_.Items(i));
            Add(std::move(frame));
            Progress(ProgressStage::Running, static_cast<uint8_t>((i + 1) * 100 / count), false, {},
                     Message::Copying);
        }
    } catch (...) {
        Progress(ProgressStage::Ending, 0, false, {}, Message::Copying);
        OnProgress = nullptr;
        OnWarning = nullptr;
        throw;
    }
    Progress(ProgressStage::Ending, 100, false, {}, Message::Copying);
    OnProgress = nullptr;
    OnWarning = nullptr;
}

void TGIFImage::LoadFromStream(platform::Stream& stream) {
    Progress(ProgressStage::Starting, 0, false, {}, Message::Loading);
    try {
        Clear();
        if (auto* memory = dynamic_cast<platform::MemoryStream*>(&stream)) {
            load_offset_ = 0;
            LoadFromMemory(*memory);
        } else {
            // The blocks are read a byte at a time: from memory, not through
            // a system call each.
            const int64_t start = stream.Position();
            const std::vector<uint8_t> bytes = stream.ReadRest();
            auto view = platform::MemoryStream::View(bytes);
            load_offset_ = start;
            try {
                LoadFromMemory(view);
            } catch (...) {
                stream.SetPosition(start);
                throw;
            }
            stream.SetPosition(start + view.Position());
        }
    } catch (...) {
        Progress(ProgressStage::Ending, 0, true, {}, Message::Loading);
        throw;
    }
    Progress(ProgressStage::Ending, 100, true, {}, Message::Loading);
}

void TGIFImage::LoadFromMemory(platform::MemoryStream& stream) {
    const int64_t start = stream.Position();
    try {
        header_.LoadFromStream(stream);
        images_.LoadFromStream(stream, *this);
        TGIFTrailer trailer(this);
        trailer.LoadFromStream(stream);
    } catch (...) {
        stream.SetPosition(start);
        throw;
    }
}

uint8_t TGIFImage::LoadedPercent(const platform::Stream& stream) const {
    const int64_t size = load_offset_ + stream.Size();
    if (size <= 0) return 0;
    return static_cast<uint8_t>((load_offset_ + stream.Position()) * 100 / size);
}

void TGIFImage::LoadFromClipboardFormat(std::string_view format, std::span<const uint8_t> data) {
    if ((format != GIFClipboardFormat && format != kBitmapClipboardFormat) || data.empty()) {
        Error(Message::UnsupportedClipboardFormat);
    }
    platform::MemoryStream stream = platform::MemoryStream::View(data);
    if (format == GIFClipboardFormat) {
        LoadFromStream(stream);
        return;
    }
    platform::Bitmap bitmap;
    bitmap.LoadFromStream(stream);
    Assign(bitmap);
}

void TGIFImage::SaveToClipboardFormat(const ClipboardStore& store) const {
    if (Empty()) return;
    platform::MemoryStream bitmap;
    if (const platform::Bitmap* frame = GetBitmap()) frame->SaveToStream(bitmap);
    store(kBitmapClipboardFormat, bitmap.Bytes());
    platform::MemoryStream file;
    SaveToStream(file);
    if (!store(GIFClipboardFormat, file.Bytes())) Error(Message::ClipboardStoreFailed);
}

void TGIFImage::SaveToStream(platform::Stream& stream) const {
    Progress(ProgressStage::Starting, 0, false, {}, Message::Saving);
    try {
        header_.SaveToStream(stream);
        images_.SaveToStream(stream);
        WriteByte(stream, kTrailer);
    } catch (...) {
        Progress(ProgressStage::Ending, 0, true, {}, Message::Saving);
        throw;
    }
    Progress(ProgressStage::Ending, 100, true, {}, Message::Saving);
}

void TGIFImage::Clear() {
    StopDraw();
    index_budget_ = {};
    FreeBitmap();
    images_.Clear();
    header_.ColorMap().Clear();
    header_.SetLogicalScreenWidth(0);
    header_.SetLogicalScreenHeight(0);
    header_.Prepare();
    SetPalette({});
}

void TGIFImage::SetWidth(int32_t width) {
    for (const auto& frame : images_) {
        if (frame->Left() + frame->Width() > width) Error(Message::WidthTooSmall);
    }
    if (width == Width()) return;
    platform::CheckRange(width, 0, 0xFFFF);
    platform::CheckPictureSize(width, Height());
    header_.SetLogicalScreenWidth(static_cast<uint16_t>(width));
    FreeBitmap();
    Changed();
}

void TGIFImage::SetHeight(int32_t height) {
    for (const auto& frame : images_) {
        if (frame->Top() + frame->Height() > height) Error(Message::HeightTooSmall);
    }
    if (height == Height()) return;
    platform::CheckRange(height, 0, 0xFFFF);
    platform::CheckPictureSize(Width(), height);
    header_.SetLogicalScreenHeight(static_cast<uint16_t>(height));
    FreeBitmap();
    Changed();
}

int32_t TGIFImage::Add(std::unique_ptr<TGIFItem> item) {
    if (dynamic_cast<TGIFSubImage*>(item.get()) == nullptr) Error(Message::UnsupportedObjectType);
    std::unique_ptr<TGIFSubImage> frame(static_cast<TGIFSubImage*>(item.release()));
    // Painters read the frames where they are kept.
    StopDraw();
    const int32_t index = images_.Add(std::move(frame));
    FreeBitmap();
    Changed();
    return index;
}

int32_t TGIFImage::Add(const platform::Graphic& source) {
    auto frame = std::make_unique<TGIFSubImage>(*this);
    ImportGraphic(*frame, source);
    return Add(std::move(frame));
}

GIFVersion TGIFImage::GetVersion() const {
    GIFVersion version = GIFVersion::Unknown;
    for (const auto& frame : images_) {
        version = std::max(version, frame->GetVersion());
        if (version == GIFVersion::GIF89a) break;
    }
    return version;
}

int32_t TGIFImage::GetColorResolution() const {
    return GetBitsPerPixel() - 1;
}

int32_t TGIFImage::GetBitsPerPixel() const {
    return std::max(header_.ColorMap().BitsPerPixel(), images_.WidestTable());
}

void TGIFImage::Warning(const void* sender, uint8_t severity, std::string_view message) {
    if (OnWarning) OnWarning(sender, severity, message);
}

void TGIFImage::Progress(ProgressStage stage, uint8_t percent, bool redraw,
                         const platform::Rect& rect, Message message) const {
    if (OnProgress) OnProgress(*this, stage, percent, redraw, rect, Text(message));
}

platform::Palette TGIFImage::GetPalette() {
    // A frame without a table asks the picture, and a picture without a global
    // table asks frame 0: the guard stops the two asking each other for ever.
    if (in_get_palette_) Error(Message::NoColorTable);
    in_get_palette_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{in_get_palette_};
    if (bitmap_ != nullptr && bitmap_palette_) return bitmap_palette_;
    if (palette_) return palette_;
    if (GetDoDither()) {
        palette_ = CreateWebPalette();
        return palette_;
    }
    if (header_.ColorMap().Count() > 0) {
        palette_ = header_.ColorMap().ExportPalette();
        return palette_;
    }
    if (images_.Count() > 0) return images_.Items(0)->GetPalette();
    return {};
}

void TGIFImage::SetPalette(const platform::Palette& palette) {
    if (palette == palette_) return;
    palette_ = palette;
    if (bitmap_ != nullptr && !(bitmap_palette_ == palette)) {
        FreeBitmap();
        palette_modified_ = true;
        Changed();
    }
}

void TGIFImage::SetDrawOptions(uint16_t options) {
    const bool dithered = GetDoDither();
    draw_options_ = options;
    if (GetDoDither() == dithered) return;
    for (const auto& frame : images_) frame->ColorMapChanged({});
    SetPalette({});
}

bool TGIFImage::GetDoDither() const {
    return (draw_options_ & doDither) != 0 && ((draw_options_ & doAutoDither) == 0 || AutoDither());
}

// ---- Unit

bool AutoDither() {
    return auto_dither.load();
}

void SetAutoDither(bool dither) {
    auto_dither.store(dither);
}

void RegisterGIFImage() {
    platform::PictureRegistry::Instance().Register("gif", std::string(Text(Message::GifImage)),
                                                   [] { return std::make_unique<TGIFImage>(); });
}

void UnregisterGIFImage() {
    FreeExtensionRegistries();
    platform::PictureRegistry::Instance().Unregister("gif");
}

}  // namespace gif
