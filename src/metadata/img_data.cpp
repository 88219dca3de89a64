#include "metadata/img_data.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>

#include "metadata/image_info.h"
#include "metadata/iptc.h"
#include "metadata/tag_tables.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/text.h"
#include "platform/graphics/budget.h"
#include "platform/graphics/jpeg_image.h"

namespace metadata {
namespace {

enum : uint8_t {
    kTem = 0x01,
    kRst0 = 0xD0,
    kRst7 = 0xD7,
    kSoi = 0xD8,
    kEoi = 0xD9,
    kSos = 0xDA,
    kApp0 = 0xE0,
    kApp1 = 0xE1,
    kApp2 = 0xE2,
    kApp13 = 0xED,
    kApp14 = 0xEE,
    kAppLast = 0xEF,
    kCom = 0xFE,
};

constexpr int kMaxReadSegments = 20;
// A picture whose first four segments hold no metadata has none.
constexpr int kMetadataSegmentLimit = 5;
constexpr size_t kMaxPayload = 65533;
// What a TIFF file's first directory and the values it points to are read from.
constexpr size_t kTiffBufferSize = 256000;
constexpr std::string_view kExifSignature{"Exif\0\0", 6};
constexpr std::string_view kJfifSignature{"JFIF\0", 5};
// Segments that describe how the source was encoded, not the picture.
constexpr std::string_view kAdobeSignature{"Adobe", 5};
constexpr std::string_view kMpfSignature{"MPF\0", 4};
constexpr std::string_view kIccSignature{"ICC_PROFILE\0", 12};
// In an ICC chunk: the signature, its number from 1 and the count; the
// profile's header names its colour space 16 bytes in.
constexpr size_t kIccChunkNumber = 12;
constexpr size_t kIccColourSpace = 14 + 16;
constexpr std::string_view kIccRgb{"RGB "};
// What the walk over the segments reads from a stream at a time: the bytes
// around a few segment headers.
constexpr size_t kReadBlock = 4096;
// A reader finds the metadata of a file without EXIF data only when an IPTC
// or COM segment is among its first four segments: after the JFIF one, room
// for two others.
constexpr size_t kApp0sBeforeMetadata = 2;
// Written when the source had neither an EXIF nor an APP0 segment: JFIF 1.02,
// 300 dots per inch, no thumbnail.
constexpr std::string_view kJfifApp0{"\xFF\xE0\x00\x10JFIF\x00\x01\x02\x01\x01\x2C\x01\x2C\x00\x00",
                                     18};

// Reads until `count` bytes came or the stream ends; the rest stays as it was.
void ReadUpTo(platform::Stream& stream, char* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        const size_t read = stream.Read(buffer + done, count - done);
        if (read == 0) return;
        done += read;
    }
}

// The next byte of the stream, 0 past its end.
uint8_t NextByte(platform::Stream& stream) {
    uint8_t byte = 0;
    stream.Read(&byte, 1);
    return byte;
}

// The extension of the file name, with its dot; empty when it has none.
std::string ExtensionOf(const std::string& name) {
    const size_t found = name.find_last_of("./");
    if (found == std::string::npos || name[found] != '.') return {};
    return name.substr(found);
}

// An APP1 payload (after its length bytes) that holds EXIF data.
bool IsExifPayload(std::string_view payload) {
    return payload.starts_with(kExifSignature);
}

bool IsJfifSegment(const tSection& section) {
    return std::string_view(section.bytes).substr(2).starts_with(kJfifSignature);
}

void AppendSegment(std::string& out, const tSection& section) {
    out.push_back('\xFF');
    out.push_back(static_cast<char>(section.marker));
    out += section.bytes;
}

void WriteSegment(platform::Stream& stream, const tSection& section) {
    const std::array<char, 2> marker{'\xFF', static_cast<char>(section.marker)};
    stream.WriteBuffer(marker.data(), marker.size());
    stream.WriteBuffer(section.bytes.data(), section.bytes.size());
}

std::string_view PayloadOf(const tSection& section) {
    return std::string_view(section.bytes).substr(std::min<size_t>(2, section.bytes.size()));
}

bool IsIccChunk(const tSection& section) {
    return section.marker == kApp2 && PayloadOf(section).starts_with(kIccSignature);
}

// A stream read a block at a time: the walk over the bytes between segments
// costs no system call per byte, and segments passed over are not read.
class BlockReader {
public:
    explicit BlockReader(platform::Stream& stream) : stream_(stream), block_(kReadBlock) {}

    // The next byte; none at the end of the stream.
    std::optional<uint8_t> Next() {
        if (at_ == size_ && !Fill()) return std::nullopt;
        return block_[at_++];
    }

    // Up to `count` bytes into `out`; how many came. What lies beyond the
    // block is read straight into `out`.
    size_t Take(char* out, size_t count) {
        size_t done = std::min(count, size_ - at_);
        std::memcpy(out, block_.data() + at_, done);
        at_ += done;
        while (done < count) {
            const size_t read = stream_.Read(out + done, count - done);
            if (read == 0) break;
            done += read;
        }
        return done;
    }

    // Passes over `count` bytes (past the end of the stream, if it ends first).
    void Skip(size_t count) {
        const size_t buffered = std::min(count, size_ - at_);
        at_ += buffered;
        if (count > buffered) {
            stream_.Seek(static_cast<int64_t>(count - buffered), platform::SeekOrigin::Current);
        }
    }

private:
    bool Fill() {
        size_ = stream_.Read(block_.data(), block_.size());
        at_ = 0;
        return size_ > 0;
    }

    platform::Stream& stream_;
    std::vector<uint8_t> block_;
    size_t size_ = 0;
    size_t at_ = 0;
};

// Tells, segment after segment in file order, those that the held metadata
// stand for: every APP0 segment, every COM segment when the reader held one
// (the last one read wins), and the first EXIF APP1 and the first APP13 when
// the reader held such segments (it holds no later ones).
class HeldSegments {
public:
    HeldSegments(bool exif, bool iptc, bool comment)
        : exif_(exif), iptc_(iptc), comment_(comment) {}

    bool StandFor(uint8_t marker, std::string_view payload) {
        if (marker == kApp0) return true;
        if (marker == kCom) return comment_;
        if (marker == kApp1 && exif_ && IsExifPayload(payload)) {
            exif_ = false;
            return true;
        }
        if (marker == kApp13 && iptc_) {
            iptc_ = false;
            return true;
        }
        return false;
    }

private:
    bool exif_;
    bool iptc_;
    bool comment_;
};

// What a reading holds: an EXIF segment read from a TIFF file is none.
HeldSegments HeldBy(const TimgData& data) {
    const tSection* exif = data.ExifSegment();
    return {exif != nullptr && exif->marker == kApp1, data.HasIptc(),
            data.CommentSegment() != nullptr};
}

// Passes a JPEG stream written into it on to `target` as it comes, less its
// SOI and the segments before its first table or frame segment that `held`
// stands for. Only a leading segment cut between two writes is kept back (at
// most 65,537 bytes) until it is whole; what Finish finds kept back goes on
// as it is.
class PictureSegments final : public platform::Stream {
public:
    PictureSegments(platform::Stream& target, HeldSegments held) : target_(target), held_(held) {}

    size_t Read(void* /*buffer*/, size_t /*count*/) override { return 0; }
    size_t Write(const void* buffer, size_t count) override {
        const std::string_view bytes(static_cast<const char*>(buffer), count);
        written_ += static_cast<int64_t>(count);
        if (passing_) {
            target_.WriteBuffer(bytes.data(), bytes.size());
        } else if (pending_.empty()) {
            pending_.assign(bytes.substr(Judge(bytes)));
        } else {
            pending_.append(bytes);
            pending_.erase(0, Judge(pending_));
        }
        return count;
    }
    int64_t Seek(int64_t offset, platform::SeekOrigin origin) override {
        if (offset != 0 || origin == platform::SeekOrigin::Begin) platform::RaiseStreamWrite();
        return written_;
    }
    int64_t Size() const override { return written_; }

    void Finish() {
        if (!passing_) target_.WriteBuffer(pending_.data(), pending_.size());
        pending_.clear();
        passing_ = true;
    }

protected:
    int64_t Tell() const override { return written_; }

private:
    // Drops or passes on the SOI and the leading segments at the start of
    // `bytes`, and all the rest once a segment of another kind comes; returns
    // how many bytes are done with.
    size_t Judge(std::string_view bytes) {
        size_t at = std::min(soi_left_, bytes.size());
        soi_left_ -= at;
        if (soi_left_ > 0) return at;
        while (bytes.size() - at >= 4) {
            const auto marker = static_cast<uint8_t>(bytes[at + 1]);
            if (static_cast<uint8_t>(bytes[at]) != 0xFF ||
                ((marker < kApp0 || marker > kAppLast) && marker != kCom)) {
                target_.WriteBuffer(bytes.data() + at, bytes.size() - at);
                passing_ = true;
                return bytes.size();
            }
            const size_t length = 2 + (size_t{static_cast<uint8_t>(bytes[at + 2])} << 8 |
                                       static_cast<uint8_t>(bytes[at + 3]));
            if (length > bytes.size() - at) break;
            const size_t payload = std::min<size_t>(4, length);
            if (!held_.StandFor(marker, bytes.substr(at + payload, length - payload)))
                target_.WriteBuffer(bytes.data() + at, length);
            at += length;
        }
        return at;
    }

    platform::Stream& target_;
    HeldSegments held_;
    std::string pending_;
    size_t soi_left_ = 2;
    bool passing_ = false;
    int64_t written_ = 0;
};

}  // namespace

TimgData::TimgData(int32_t build_code) : build_code_(build_code) {
    Clear();
}

TimgData::~TimgData() = default;

void TimgData::Clear() {
    segment_count_ = 0;
    exif_index_ = -1;
    iptc_index_ = -1;
    comment_index_ = -1;
    app0_indices_.clear();
    others_.clear();
    file_name_.clear();
    file_date_time_ = {};
    file_size_ = 0;
    error_.clear();
    exif_.reset();
    iptc_.reset();
    SetMotorola(false);
    SetData({});
}

bool TimgData::ReadPictureFile(const std::string& name) {
    Clear();
    if (!platform::FileExists(name)) return false;
    ReadFileInfo(name);
    error_ = "Not an EXIF file";
    const std::string extension = platform::LowerCase(ExtensionOf(name));
    const bool jpeg = extension == ".jpg" || extension == ".jpeg" || extension == ".jpe";
    if (!jpeg && extension != ".tif" && extension != ".tiff" && extension != ".nef") return false;
    try {
        platform::FileStream stream(name, platform::FileMode::Read);
        return jpeg ? ReadJpegStream(stream) : ReadStream(stream, &TimgData::ReadTiffStream);
    } catch (const platform::Error&) {
        error_ = "Illegal Exif construction";
        return false;
    }
}

void TimgData::ReadFileInfo(const std::string& name) {
    const std::optional<platform::FileIdentity> found = platform::IdentifyFile(name);
    if (!found) return;
    file_name_ = name;
    file_date_time_ = found->modified;
    file_size_ = found->size;
}

bool TimgData::ReadJpegBytes(std::span<const uint8_t> bytes) {
    Clear();
    error_ = "Not an EXIF file";
    platform::MemoryStream stream = platform::MemoryStream::View(bytes);
    return ReadJpegStream(stream);
}

bool TimgData::ReadJpegStream(platform::Stream& stream) {
    const int64_t start = stream.Position();
    const bool read = ReadStream(stream, &TimgData::ReadJpegSegments);
    try {
        stream.SetPosition(start);
        ReadOtherSegments(stream);
    } catch (const platform::Error&) {
        // The segments held before the failure stay.
    }
    return read;
}

// Walks the segments as libjpeg does, bytes that are no marker passed over,
// up to the picture data or a segment cut by the end of the stream.
void TimgData::ReadOtherSegments(platform::Stream& stream) {
    BlockReader reader(stream);
    if (reader.Next() != 0xFF || reader.Next() != kSoi) return;
    HeldSegments held_kinds = HeldBy(*this);
    int64_t held = 0;
    for (;;) {
        std::optional<uint8_t> byte = reader.Next();
        while (byte && *byte != 0xFF) byte = reader.Next();
        while (byte && *byte == 0xFF) byte = reader.Next();
        if (!byte || *byte == kSos || *byte == kEoi) return;
        const uint8_t marker = *byte;
        // A stuffed zero and the markers that have no length.
        if (marker == 0 || marker == kTem || marker == kSoi || (marker >= kRst0 && marker <= kRst7))
            continue;
        std::array<char, 2> high_low{};
        if (reader.Take(high_low.data(), 2) < 2) return;
        const size_t length =
            size_t{static_cast<uint8_t>(high_low[0])} << 8 | static_cast<uint8_t>(high_low[1]);
        if (length < 2) return;
        // The start of the payload tells an EXIF segment.
        std::array<char, kExifSignature.size()> start{};
        const size_t start_size = std::min(start.size(), length - 2);
        if (reader.Take(start.data(), start_size) < start_size) return;
        const bool kept_kind = (marker >= kApp0 && marker <= kAppLast) || marker == kCom;
        if (!kept_kind || held_kinds.StandFor(marker, {start.data(), start_size})) {
            reader.Skip(length - 2 - start_size);
            continue;
        }
        const auto cost = static_cast<int64_t>(length + sizeof(tSection));
        if (held + cost > platform::kMaxHeldSegmentBytes) return;
        tSection section;
        section.marker = marker;
        section.length = static_cast<int32_t>(length);
        section.bytes.assign(high_low.data(), high_low.size());
        section.bytes.append(start.data(), start_size);
        section.bytes.resize(length);
        const size_t rest = length - 2 - start_size;
        if (reader.Take(section.bytes.data() + 2 + start_size, rest) < rest) return;
        held += cost;
        others_.push_back(std::move(section));
    }
}

bool TimgData::ReadStream(platform::Stream& stream, bool (TimgData::*reader)(platform::Stream&)) {
    bool read = false;
    try {
        read = (this->*reader)(stream);
    } catch (const platform::Error&) {
        // What was read before the failure stays available.
    }
    // The reasons a walk set do not outlive a read that succeeded.
    if (read) error_ = "<none>";
    return read;
}

bool TimgData::ReadJpegSegments(platform::Stream& stream) {
    if (NextByte(stream) != 0xFF || NextByte(stream) != kSoi) return false;
    segment_count_ = 0;
    while (segment_count_ < kMaxReadSegments) {
        uint8_t marker = NextByte(stream);
        while (marker == 0xFF) marker = NextByte(stream);
        ++segment_count_;
        if (segment_count_ == kMetadataSegmentLimit && !HasMetadata()) return false;
        // The picture data start: nothing after them is metadata.
        if (marker == kEoi || marker == kSos) return HasMetadata();

        const int slot = segment_count_ - 1;
        tSection& section = segments_[static_cast<size_t>(slot)];
        const uint8_t high = NextByte(stream);
        const uint8_t low = NextByte(stream);
        const int32_t length = high << 8 | low;
        // Length 2 is an empty segment; less is no segment (or the end).
        if (length < 2) return false;
        section.marker = marker;
        section.length = length;
        section.bytes.assign(static_cast<size_t>(length), '\0');
        section.bytes[0] = static_cast<char>(high);
        section.bytes[1] = static_cast<char>(low);
        ReadUpTo(stream, section.bytes.data() + 2, section.bytes.size() - 2);

        switch (marker) {
            case kApp1:
                if (exif_index_ < 0 && segment_count_ <= kMetadataSegmentLimit &&
                    IsExifPayload(std::string_view(section.bytes).substr(2))) {
                    exif_index_ = slot;
                    try {
                        ParseExifSegment();
                    } catch (const platform::Error&) {
                        // The tags read so far stay, and the segments after
                        // this one are still read.
                        error_ = "Illegal Exif construction";
                    }
                } else {
                    // Not the EXIF segment: the next segment takes its slot.
                    --segment_count_;
                }
                break;
            case kApp13:
                if (iptc_index_ < 0) {
                    iptc_index_ = slot;
                    iptc_ = std::make_unique<TIPTCdata>(*this);
                }
                break;
            case kCom:
                comment_index_ = slot;
                break;
            case kApp0:
                app0_indices_.push_back(slot);
                break;
            default:
                break;
        }
    }
    return HasMetadata();
}

void TimgData::ParseExifSegment() {
    const tSection& section = segments_[static_cast<size_t>(exif_index_)];
    exif_ = std::make_unique<TImageInfo>(*this, build_code_);
    SetData(section.bytes);
    // The TIFF header starts at position 9, after the length and "Exif" 00 00.
    const std::string_view order = Bytes(9, 2);
    if (order != "II" && order != "MM") {
        error_ = "Invalid Exif alignment marker";
        return;
    }
    SetMotorola(order == "MM");
    exif_->SetMotorola(Motorola());
    exif_->SetData(section.bytes);
    const int64_t offset = Get32(13);
    exif_->ParseDirectory(offset != 0 ? offset + 9 : 17, 9, kMainDirectory, section.length - 6);
    exif_->Estimate35mmFocalLength();
}

bool TimgData::ReadTiffStream(platform::Stream& stream) {
    std::string header(8, '\0');
    ReadUpTo(stream, header.data(), header.size());
    const std::string_view order = std::string_view(header).substr(0, 2);
    if (order != "II" && order != "MM") return false;
    // The first directory is taken to follow the header whatever offset the
    // header names; the buffer starts at file offset 8, so that offset o is
    // position o - 7. Bytes past the end of a short file read as zeros.
    tSection& section = segments_[0];
    section.bytes.assign(kTiffBufferSize, '\0');
    ReadUpTo(stream, section.bytes.data(), section.bytes.size());
    // No JPEG segment: never written as one.
    section.marker = 0;
    section.length = 0;
    segment_count_ = 1;
    exif_index_ = 0;
    exif_ = std::make_unique<TImageInfo>(*this, build_code_);
    exif_->TiffFlag = true;
    exif_->SetMotorola(order == "MM");
    exif_->SetData(section.bytes);
    exif_->ParseDirectory(1, -7, kMainDirectory, static_cast<int64_t>(kTiffBufferSize));
    exif_->Estimate35mmFocalLength();
    return true;
}

bool TimgData::HasMetadata() const {
    return exif_index_ >= 0 || iptc_index_ >= 0 || comment_index_ >= 0;
}

bool TimgData::HasExif() const {
    return exif_index_ >= 0;
}

bool TimgData::HasIptc() const {
    return iptc_index_ >= 0;
}

const tSection* TimgData::Held(int index) const {
    return index < 0 ? nullptr : &segments_[static_cast<size_t>(index)];
}

const tSection* TimgData::ExifSegment() const {
    return Held(exif_index_);
}

const tSection* TimgData::IptcSegment() const {
    return Held(iptc_index_);
}

const tSection* TimgData::CommentSegment() const {
    return Held(comment_index_);
}

const tSection* TimgData::App0Segment() const {
    for (const int index : app0_indices_) {
        const tSection* section = Held(index);
        if (section != nullptr && IsJfifSegment(*section)) return section;
    }
    return nullptr;
}

std::vector<const tSection*> TimgData::OtherApp0Segments() const {
    std::vector<const tSection*> others;
    for (const int index : app0_indices_) {
        const tSection* section = Held(index);
        if (section != nullptr && !IsJfifSegment(*section)) others.push_back(section);
    }
    return others;
}

std::string* TimgData::ExifSegmentBytes() {
    return exif_index_ < 0 ? nullptr : &segments_[static_cast<size_t>(exif_index_)].bytes;
}

void TimgData::WriteMetadataHeader(std::string& out) const {
    out += "\xFF\xD8";
    const tSection* exif = ExifSegment();
    const bool with_exif = exif != nullptr && exif->marker == kApp1;
    if (with_exif) {
        AppendSegment(out, *exif);
    } else if (const tSection* jfif = App0Segment()) {
        AppendSegment(out, *jfif);
    } else {
        out += kJfifApp0;
    }
    // A JFXX segment belongs right after the JFIF one, and the other APP0
    // segments keep their order after it.
    const std::vector<const tSection*> others = OtherApp0Segments();
    const bool others_first = with_exif || others.size() <= kApp0sBeforeMetadata;
    if (others_first) {
        for (const tSection* other : others) AppendSegment(out, *other);
    }
    if (const tSection* iptc = IptcSegment()) AppendSegment(out, *iptc);
    if (const tSection* comment = CommentSegment()) AppendSegment(out, *comment);
    if (!others_first) {
        for (const tSection* other : others) AppendSegment(out, *other);
    }
}

std::vector<const tSection*> TimgData::SegmentsForNewEncoding() const {
    // The profile's first chunk tells its colour space; the new encoding is
    // of red, green and blue.
    bool rgb_profile = true;
    for (const tSection& section : others_) {
        const std::string_view payload = PayloadOf(section);
        if (IsIccChunk(section) && payload.size() >= kIccColourSpace + kIccRgb.size() &&
            payload[kIccChunkNumber] == 1) {
            rgb_profile = payload.substr(kIccColourSpace, kIccRgb.size()) == kIccRgb;
        }
    }
    std::vector<const tSection*> kept;
    for (const tSection& section : others_) {
        const std::string_view payload = PayloadOf(section);
        if ((section.marker == kApp14 && payload.starts_with(kAdobeSignature)) ||
            (section.marker == kApp2 && payload.starts_with(kMpfSignature)) ||
            (IsIccChunk(section) && !rgb_profile)) {
            continue;
        }
        kept.push_back(&section);
    }
    return kept;
}

void TimgData::WriteJpegWithMetadata(const platform::JpegImage& picture, bool adjust_size,
                                     platform::Stream& stream) {
    if (adjust_size && exif_) exif_->AdjustImageSize(picture.Height(), picture.Width());
    std::string header;
    WriteMetadataHeader(header);
    stream.WriteBuffer(header.data(), header.size());
    // An unmodified picture brings its own segments; a new encoding has only
    // its JFIF one, which the header stands for.
    if (picture.CompressedData().empty()) {
        for (const tSection* section : SegmentsForNewEncoding()) WriteSegment(stream, *section);
    }
    PictureSegments segments(stream, HeldBy(*this));
    picture.SaveToStream(segments);
    segments.Finish();
}

std::string TimgData::JpegWithMetadata(const platform::JpegImage& picture, bool adjust_size) {
    platform::MemoryStream out;
    WriteJpegWithMetadata(picture, adjust_size, out);
    const std::span<const uint8_t> bytes = out.Bytes();
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

void TimgData::SaveJpegWithMetadata(const platform::JpegImage& picture, const std::string& target,
                                    bool adjust_size) {
    platform::WriteFileAtomic(target, [&](platform::Stream& stream) {
        WriteJpegWithMetadata(picture, adjust_size, stream);
    });
}

void TimgData::RewriteJpegFile(const std::string& target) {
    platform::JpegImage picture;
    picture.LoadFromFile(file_name_);
    SaveJpegWithMetadata(picture, target, false);
}

void TimgData::SetIptcSegment(std::string payload) {
    if (payload.size() > kMaxPayload) platform::RaiseRange();
    if (iptc_index_ < 0) {
        if (segment_count_ >= kMaxSegments) platform::RaiseRange();
        iptc_index_ = segment_count_++;
    }
    tSection& section = segments_[static_cast<size_t>(iptc_index_)];
    const size_t length = payload.size() + 2;
    section.bytes.clear();
    section.bytes.push_back(static_cast<char>(length >> 8));
    section.bytes.push_back(static_cast<char>(length & 0xFF));
    section.bytes += payload;
    section.length = static_cast<int32_t>(length);
    section.marker = kApp13;
}

}  // namespace metadata
