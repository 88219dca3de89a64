#include "platform/graphics/bitmap.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <span>

#include "platform/core/error.h"
#include "platform/graphics/budget.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/resample.h"

namespace platform {

namespace {

PixelFormat StorableFormat(PixelFormat format) {
    if (format == PixelFormat::Device) return PixelFormat::Bit24;
    if (format == PixelFormat::Custom) RaiseInvalidBitmap();
    return format;
}

bool IsPaletteFormat(PixelFormat format) {
    return format == PixelFormat::Bit1 || format == PixelFormat::Bit4 ||
           format == PixelFormat::Bit8;
}

size_t PaletteCapacity(PixelFormat format) {
    return size_t{1} << BitsPerPixel(format);
}

std::vector<RGBQuad> GreyRamp(PixelFormat format) {
    const size_t n = PaletteCapacity(format);
    std::vector<RGBQuad> ramp(n);
    for (size_t i = 0; i < n; ++i) {
        const auto grey = static_cast<uint8_t>(i * 255 / (n - 1));
        ramp[i] = RGBQuad{grey, grey, grey, 0};
    }
    return ramp;
}

// Finds the colour table entry nearest to a colour (squared distance, the
// lowest index on a tie). Pictures repeat colours a lot, so recent answers are
// kept in a small direct-mapped cache.
class NearestEntry {
public:
    explicit NearestEntry(std::span<const RGBQuad> table) : table_(table) {}

    uint8_t Find(uint8_t blue, uint8_t green, uint8_t red) {
        const uint32_t key = uint32_t{blue} | uint32_t{green} << 8 | uint32_t{red} << 16;
        Slot& slot = cache_[(key * 2654435761u) >> (32 - kCacheBits)];
        if (slot.key != key) slot = Slot{key, Search(blue, green, red)};
        return slot.index;
    }

private:
    static constexpr int kCacheBits = 12;

    struct Slot {
        uint32_t key = 0xFFFFFFFF;  // no colour: colours take 24 bits
        uint8_t index = 0;
    };

    uint8_t Search(int blue, int green, int red) const {
        size_t best = 0;
        int best_distance = 1 << 30;
        for (size_t i = 0; i < table_.size(); ++i) {
            const int db = table_[i].Blue - blue;
            const int dg = table_[i].Green - green;
            const int dr = table_[i].Red - red;
            const int distance = db * db + dg * dg + dr * dr;
            if (distance < best_distance) {
                best_distance = distance;
                best = i;
            }
        }
        return static_cast<uint8_t>(best);
    }

    std::span<const RGBQuad> table_;
    std::array<Slot, size_t{1} << kCacheBits> cache_{};
};

// 5- and 6-bit channels widen by repeating their high bits, so that full scale
// gives 255 and a round trip through 8 bits gives the same value back.
constexpr uint8_t Widen5(unsigned v) {
    return static_cast<uint8_t>(v << 3 | v >> 2);
}
constexpr uint8_t Widen6(unsigned v) {
    return static_cast<uint8_t>(v << 2 | v >> 4);
}
// The nearest 5- or 6-bit level; 8-bit values never fall half-way between two.
constexpr unsigned Narrow5(unsigned v) {
    return (62 * v + 255) / 510;
}
constexpr unsigned Narrow6(unsigned v) {
    return (126 * v + 255) / 510;
}

// Pixels [x, x + count) of a row of any format as blue, green, red.
void DecodeRow(const uint8_t* row, PixelFormat format, std::span<const RGBQuad> table, size_t x,
               size_t count, uint8_t* out) {
    switch (format) {
        case PixelFormat::Bit24:
            std::memcpy(out, row + 3 * x, 3 * count);
            return;
        case PixelFormat::Bit32:
            for (size_t i = 0; i < count; ++i) {
                std::memcpy(out + 3 * i, row + 4 * (x + i), 3);
            }
            return;
        case PixelFormat::Bit15:
        case PixelFormat::Bit16:
            for (size_t i = 0; i < count; ++i) {
                const unsigned v = row[2 * (x + i)] | unsigned{row[2 * (x + i) + 1]} << 8;
                uint8_t* p = out + 3 * i;
                p[0] = Widen5(v & 31);
                if (format == PixelFormat::Bit15) {
                    p[1] = Widen5((v >> 5) & 31);
                    p[2] = Widen5((v >> 10) & 31);
                } else {
                    p[1] = Widen6((v >> 5) & 63);
                    p[2] = Widen5(v >> 11);
                }
            }
            return;
        default:
            for (size_t i = 0; i < count; ++i) {
                const uint8_t index = PixelIndex(row, format, x + i);
                const RGBQuad colour = index < table.size() ? table[index] : RGBQuad{};
                uint8_t* p = out + 3 * i;
                p[0] = colour.Blue;
                p[1] = colour.Green;
                p[2] = colour.Red;
            }
            return;
    }
}

// Writes pixels [0, count) of a row from blue, green, red; `nearest` serves
// the palette formats.
void EncodeRow(const uint8_t* bgr, size_t count, PixelFormat format, NearestEntry& nearest,
               uint8_t* row) {
    switch (format) {
        case PixelFormat::Bit24:
            std::memcpy(row, bgr, 3 * count);
            return;
        case PixelFormat::Bit32:
            for (size_t i = 0; i < count; ++i) {
                std::memcpy(row + 4 * i, bgr + 3 * i, 3);
                row[4 * i + 3] = 0;
            }
            return;
        case PixelFormat::Bit15:
        case PixelFormat::Bit16:
            for (size_t i = 0; i < count; ++i) {
                const uint8_t* p = bgr + 3 * i;
                const unsigned v = format == PixelFormat::Bit15
                                       ? Narrow5(p[2]) << 10 | Narrow5(p[1]) << 5 | Narrow5(p[0])
                                       : Narrow5(p[2]) << 11 | Narrow6(p[1]) << 5 | Narrow5(p[0]);
                row[2 * i] = static_cast<uint8_t>(v);
                row[2 * i + 1] = static_cast<uint8_t>(v >> 8);
            }
            return;
        default:
            for (size_t i = 0; i < count; ++i) {
                const uint8_t* p = bgr + 3 * i;
                SetPixelIndex(row, format, i, nearest.Find(p[0], p[1], p[2]));
            }
            return;
    }
}

// One pixel of a colour in a format, ready to be repeated along rows: the
// bytes of a pixel for 8 bits and more, a byte of repeated indices below.
struct PixelPattern {
    std::array<uint8_t, 4> bytes{};
    uint8_t index = 0;
};

PixelPattern PatternOf(Color color, PixelFormat format, std::span<const RGBQuad> table) {
    const uint8_t bgr[3] = {BlueOf(color), GreenOf(color), RedOf(color)};
    PixelPattern pattern;
    NearestEntry nearest(table);
    if (IsPaletteFormat(format)) {
        pattern.index = table.empty() ? 0 : nearest.Find(bgr[0], bgr[1], bgr[2]);
        uint8_t byte = pattern.index;
        if (format == PixelFormat::Bit1) byte = pattern.index != 0 ? 0xFF : 0x00;
        if (format == PixelFormat::Bit4) byte = static_cast<uint8_t>(pattern.index * 0x11);
        pattern.bytes.fill(byte);
    } else {
        EncodeRow(bgr, 1, format, nearest, pattern.bytes.data());
    }
    return pattern;
}

// Sets pixels [from, to) of a row to the pattern.
void FillPixels(uint8_t* row, PixelFormat format, const PixelPattern& pattern, size_t from,
                size_t to) {
    if (from >= to) return;
    const int bpp = BitsPerPixel(format);
    if (bpp >= 8) {
        const size_t size = static_cast<size_t>(bpp) / 8;
        // White and black, the usual fills, are one byte repeated.
        if (std::all_of(pattern.bytes.begin(), pattern.bytes.begin() + static_cast<ptrdiff_t>(size),
                        [&](uint8_t b) { return b == pattern.bytes[0]; })) {
            std::memset(row + from * size, pattern.bytes[0], (to - from) * size);
            return;
        }
        for (size_t x = from; x < to; ++x) std::memcpy(row + x * size, pattern.bytes.data(), size);
        return;
    }
    const size_t per_byte = 8 / static_cast<size_t>(bpp);
    size_t x = from;
    for (; x < to && x % per_byte != 0; ++x) SetPixelIndex(row, format, x, pattern.index);
    const size_t whole = (to - x) / per_byte;
    std::memset(row + x / per_byte, pattern.bytes[0], whole);
    for (x += whole * per_byte; x < to; ++x) SetPixelIndex(row, format, x, pattern.index);
}

// Pixel memory for a size and format, not yet filled but for the bytes past
// the last pixel of each row, which are zeroed so that files never carry
// leftovers of the heap.
struct PixelStore {
    std::unique_ptr<uint8_t[], Bitmap::FreePixels> data;
    size_t stride = 0;
    size_t bytes = 0;
};

// Large pictures are laid on huge pages where the system offers them: a
// 24-megapixel picture then costs a few dozen page faults instead of tens of
// thousands each time a tool writes a new one.
uint8_t* AllocateBytes(size_t size) {
    constexpr size_t kHugePage = size_t{2} << 20;
    if (size < 2 * kHugePage) return static_cast<uint8_t*>(std::malloc(size));
    const size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* pixels = std::aligned_alloc(kHugePage, rounded);
    if (pixels != nullptr) ::madvise(pixels, rounded, MADV_HUGEPAGE);
    return static_cast<uint8_t*>(pixels);
}

// Zeroes the bytes past the last pixel of each row.
void ClearRowEnds(uint8_t* data, size_t stride, int32_t width, int32_t height,
                  PixelFormat format) {
    const size_t used = static_cast<size_t>(uint64_t{static_cast<uint32_t>(width)} *
                                            static_cast<uint64_t>(BitsPerPixel(format)) / 8);
    if (used == stride) return;
    for (size_t y = 0; y < static_cast<size_t>(height); ++y)
        std::memset(data + y * stride + used, 0, stride - used);
}

PixelStore AllocatePixels(int32_t width, int32_t height, PixelFormat format) {
    CheckPictureSize(width, height);
    PixelStore store;
    store.stride = RowStride(width, format);
    const uint64_t total = uint64_t{store.stride} * static_cast<uint64_t>(height);
    if (total == 0) return store;
    CountPictureMemory(static_cast<int64_t>(total));
    store.data.reset(AllocateBytes(static_cast<size_t>(total)));
    if (store.data == nullptr) RaiseOutOfMemory();
    store.bytes = static_cast<size_t>(total);
    ClearRowEnds(store.data.get(), store.stride, width, height, format);
    return store;
}

}  // namespace

uint8_t PixelIndex(const uint8_t* row, PixelFormat format, size_t x) {
    switch (format) {
        case PixelFormat::Bit1:
            return static_cast<uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
        case PixelFormat::Bit4:
            return static_cast<uint8_t>((x & 1) != 0 ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
        default:
            return row[x];
    }
}

void SetPixelIndex(uint8_t* row, PixelFormat format, size_t x, uint8_t index) {
    switch (format) {
        case PixelFormat::Bit1: {
            const auto bit = static_cast<uint8_t>(0x80 >> (x & 7));
            row[x >> 3] = static_cast<uint8_t>((row[x >> 3] & ~bit) | (index != 0 ? bit : 0));
            break;
        }
        case PixelFormat::Bit4:
            if ((x & 1) != 0) {
                row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 0x0F));
            } else {
                row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | (index << 4));
            }
            break;
        default:
            row[x] = index;
            break;
    }
}

int BitsPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::Bit1:
            return 1;
        case PixelFormat::Bit4:
            return 4;
        case PixelFormat::Bit8:
            return 8;
        case PixelFormat::Bit15:
        case PixelFormat::Bit16:
            return 16;
        case PixelFormat::Device:
        case PixelFormat::Bit24:
            return 24;
        case PixelFormat::Bit32:
            return 32;
        case PixelFormat::Custom:
            break;
    }
    return 0;
}

size_t RowStride(int32_t width, PixelFormat format) {
    if (width <= 0) return 0;
    const uint64_t bits =
        uint64_t{static_cast<uint32_t>(width)} * static_cast<uint64_t>(BitsPerPixel(format));
    return static_cast<size_t>(((bits + 31) & ~uint64_t{31}) / 8);
}

void Bitmap::FreePixels::operator()(uint8_t* pixels) const {
    std::free(pixels);
}

Bitmap::Bitmap() = default;

Bitmap::Bitmap(int32_t width, int32_t height, PixelFormat format)
    : format_(StorableFormat(format)) {
    if (IsPaletteFormat(format_)) colors_ = GreyRamp(format_);
    Resize(width, height);
}

Bitmap Bitmap::ForOverwrite(int32_t width, int32_t height) {
    Bitmap bitmap;
    PixelStore store = AllocatePixels(width, height, PixelFormat::Bit24);
    bitmap.width_ = width;
    bitmap.height_ = height;
    bitmap.stride_ = store.stride;
    bitmap.capacity_ = store.bytes;
    bitmap.pixels_ = std::move(store.data);
    return bitmap;
}

void Bitmap::SetSizeForOverwrite(int32_t width, int32_t height) {
    CheckPictureSize(width, height);
    const size_t stride = RowStride(width, PixelFormat::Bit24);
    const uint64_t total = uint64_t{stride} * static_cast<uint64_t>(height);
    if (pixels_ == nullptr || total > capacity_) {
        Bitmap fresh = ForOverwrite(width, height);
        TakeFrom(fresh);
    } else {
        // The work that reuses the store holds that memory while it runs.
        CountPictureMemory(static_cast<int64_t>(total));
        ClearRowEnds(pixels_.get(), stride, width, height, PixelFormat::Bit24);
        width_ = width;
        height_ = height;
        stride_ = stride;
        format_ = PixelFormat::Bit24;
        colors_.clear();
    }
    Changed();
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : transparent_(other.transparent_), transparent_color_(other.transparent_color_) {
    TakeFrom(other);
}

Bitmap::~Bitmap() = default;

std::unique_ptr<Graphic> Bitmap::Clone() const {
    auto copy = std::make_unique<Bitmap>();
    copy->Assign(*this);
    copy->SetModified(false);
    return copy;
}

void Bitmap::TakeFrom(Bitmap& other) noexcept {
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    stride_ = other.stride_;
    capacity_ = other.capacity_;
    pixels_ = std::move(other.pixels_);
    colors_ = std::move(other.colors_);
    other.width_ = 0;
    other.height_ = 0;
    other.stride_ = 0;
    other.capacity_ = 0;
    other.colors_.clear();
}

void Bitmap::Assign(const Graphic& source) {
    if (&source == this) return;
    const auto* bitmap = dynamic_cast<const Bitmap*>(&source);
    if (bitmap == nullptr) {
        source.AssignTo(*this);
        return;
    }
    Bitmap copy;
    PixelStore store = AllocatePixels(bitmap->width_, bitmap->height_, bitmap->format_);
    if (store.data != nullptr) {
        std::memcpy(store.data.get(), bitmap->pixels_.get(),
                    store.stride * static_cast<size_t>(bitmap->height_));
    }
    copy.width_ = bitmap->width_;
    copy.height_ = bitmap->height_;
    copy.format_ = bitmap->format_;
    copy.stride_ = store.stride;
    copy.capacity_ = store.bytes;
    copy.pixels_ = std::move(store.data);
    copy.colors_ = bitmap->colors_;
    TakeFrom(copy);
    transparent_ = bitmap->transparent_;
    transparent_color_ = bitmap->transparent_color_;
    Changed();
}

void Bitmap::Assign(Bitmap&& source) {
    if (&source == this) return;
    TakeFrom(source);
    transparent_ = source.transparent_;
    transparent_color_ = source.transparent_color_;
    Changed();
}

void Bitmap::AssignTo(Bitmap& target) const {
    target.Assign(*this);
}

void Bitmap::Draw(Canvas& canvas, const Rect& dest) const {
    Bitmap& target = canvas.Target();
    const Rect clip = Intersect(canvas.ClipRect(), dest);
    if (Empty() || clip.IsEmpty()) return;
    if (&target == this) {
        // The rows read would be overwritten while they are still needed.
        Bitmap copy;
        copy.Assign(*this);
        copy.Draw(canvas, dest);
        return;
    }
    if (format_ == PixelFormat::Bit24) {
        StretchBgr(View(), target, dest, clip);
        return;
    }
    // Only the rows the clip needs are converted, one at a time.
    std::vector<uint8_t> row(3 * static_cast<size_t>(width_));
    StretchRows(
        width_, height_,
        [&](int32_t y) {
            ReadBgr(y, 0, width_, row.data());
            return row.data();
        },
        target, dest, clip);
}

void Bitmap::SetPixelFormat(PixelFormat format) {
    format = StorableFormat(format);
    if (format == format_) return;
    Bitmap converted;
    converted.format_ = format;
    converted.colors_ = colors_;
    if (IsPaletteFormat(format) && (colors_.empty() || colors_.size() > PaletteCapacity(format))) {
        converted.colors_ = GreyRamp(format);
    }
    PixelStore store = AllocatePixels(width_, height_, format);
    if (store.data != nullptr) {
        NearestEntry nearest(converted.colors_);
        std::vector<uint8_t> bgr(3 * static_cast<size_t>(width_));
        const auto width = static_cast<size_t>(width_);
        for (int32_t y = 0; y < height_; ++y) {
            DecodeRow(ScanLine(y), format_, colors_, 0, width, bgr.data());
            EncodeRow(bgr.data(), width, format, nearest,
                      store.data.get() + static_cast<size_t>(y) * store.stride);
        }
    }
    converted.width_ = width_;
    converted.height_ = height_;
    converted.stride_ = store.stride;
    converted.capacity_ = store.bytes;
    converted.pixels_ = std::move(store.data);
    TakeFrom(converted);
    Changed();
}

void Bitmap::Resize(int32_t width, int32_t height) {
    if (width == width_ && height == height_) return;
    PixelStore store = AllocatePixels(width, height, format_);
    const PixelPattern white = PatternOf(kWhite, format_, colors_);
    const auto new_width = static_cast<size_t>(width);
    const auto kept_width = static_cast<size_t>(std::min(width, width_));
    const int32_t kept_height = std::min(height, height_);
    const size_t bpp = static_cast<size_t>(BitsPerPixel(format_));
    const size_t whole_bytes = kept_width * bpp / 8;
    for (int32_t y = 0; y < height && store.data != nullptr; ++y) {
        uint8_t* row = store.data.get() + static_cast<size_t>(y) * store.stride;
        size_t filled_from = 0;
        if (y < kept_height) {
            const uint8_t* old_row = ScanLine(y);
            if (whole_bytes > 0) std::memcpy(row, old_row, whole_bytes);
            // A sub-byte format may keep part of a byte.
            for (size_t x = whole_bytes * 8 / bpp; x < kept_width; ++x) {
                SetPixelIndex(row, format_, x, PixelIndex(old_row, format_, x));
            }
            filled_from = kept_width;
        }
        FillPixels(row, format_, white, filled_from, new_width);
    }
    width_ = width;
    height_ = height;
    stride_ = store.stride;
    capacity_ = store.bytes;
    pixels_ = std::move(store.data);
}

void Bitmap::SetSize(int32_t width, int32_t height) {
    if (width == width_ && height == height_) return;
    Resize(width, height);
    Changed();
}

uint8_t* Bitmap::ScanLine(int32_t row) {
    if (row < 0 || row >= height_) RaiseScanLine();
    return pixels_.get() + static_cast<size_t>(row) * stride_;
}

const uint8_t* Bitmap::ScanLine(int32_t row) const {
    if (row < 0 || row >= height_) RaiseScanLine();
    return pixels_.get() + static_cast<size_t>(row) * stride_;
}

BgrView Bitmap::View() const {
    if (format_ != PixelFormat::Bit24) RaiseInvalidBitmap();
    return BgrView{pixels_.get(), static_cast<ptrdiff_t>(stride_), width_, height_};
}

void Bitmap::ReadBgr(int32_t row, int32_t x, int32_t count, uint8_t* bgr) const {
    const uint8_t* line = ScanLine(row);
    if (x < 0 || count < 0 || int64_t{x} + count > width_) RaiseRange();
    if (count == 0) return;
    DecodeRow(line, format_, colors_, static_cast<size_t>(x), static_cast<size_t>(count), bgr);
}

void Bitmap::SetColorTable(std::vector<RGBQuad> colors) {
    if (colors.size() > 256) RaiseRange();
    colors_ = std::move(colors);
    Changed();
}

void Bitmap::Fill(Color color) {
    const PixelPattern pattern = PatternOf(color, format_, colors_);
    const int32_t rows = Empty() ? 0 : height_;
    for (int32_t y = 0; y < rows; ++y) {
        FillPixels(ScanLine(y), format_, pattern, 0, static_cast<size_t>(width_));
    }
    Changed();
}

Color Bitmap::TransparentColor() const {
    if (transparent_color_) return *transparent_color_;
    if (Empty()) return kBlack;
    std::array<uint8_t, 3> bgr{};
    ReadBgr(height_ - 1, 0, 1, bgr.data());
    return MakeColor(bgr[2], bgr[1], bgr[0]);
}

Bitmap Bitmap::MaskHandle() const {
    if (Empty()) return Bitmap();
    Bitmap mask(width_, height_, PixelFormat::Bit1);
    mask.SetColorTable({RGBQuad{0, 0, 0, 0}, RGBQuad{255, 255, 255, 0}});
    const Color color = ColorToRGB(TransparentColor());
    const std::array<uint8_t, 3> wanted{BlueOf(color), GreenOf(color), RedOf(color)};
    std::vector<uint8_t> row(3 * static_cast<size_t>(width_));
    for (int32_t y = 0; y < height_; ++y) {
        ReadBgr(y, 0, width_, row.data());
        uint8_t* bits = mask.ScanLine(y);
        std::fill_n(bits, mask.Stride(), uint8_t{0});
        for (size_t x = 0; x < static_cast<size_t>(width_); ++x) {
            if (std::equal(wanted.begin(), wanted.end(), row.data() + 3 * x))
                SetPixelIndex(bits, PixelFormat::Bit1, x, 1);
        }
    }
    return mask;
}

}  // namespace platform
