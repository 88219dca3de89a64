#include "metadata/image_info.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <utility>

#include "metadata/img_data.h"
#include "metadata/maker_notes.h"
#include "metadata/value_format.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/core/text.h"

namespace metadata {
namespace {

// Tags whose values the walk keeps or follows.
enum : uint16_t {
    kImageWidth = 0x0100,
    kImageLength = 0x0101,
    kCompression = 0x0103,
    kMake = 0x010F,
    kModel = 0x0110,
    kDateTime = 0x0132,
    kSubIfds = 0x014A,
    kExifOffset = 0x8769,
    kGpsInfo = 0x8825,
    kExifVersion = 0x9000,
    kDateTimeOriginal = 0x9003,
    kDateTimeDigitized = 0x9004,
    kFlash = 0x9209,
    kMakerNote = 0x927C,
    kUserComment = 0x9286,
    kExifImageWidth = 0xA002,
    kExifImageLength = 0xA003,
    kInteroperabilityOffset = 0xA005,
};

constexpr int kMaxDepth = 8;
constexpr size_t kMaxComponents = 128;
constexpr int64_t kEntrySize = 12;
// The 8 bytes before a user comment name its character code.
constexpr size_t kCharacterCodeSize = 8;
constexpr std::string_view kUnicodeCode{"UNICODE\0", 8};
constexpr std::string_view kAsciiCode{"ASCII\0\0\0", 8};
// Sensor diagonals in millimetres, from the smallest phone sensor to beyond
// medium format.
constexpr double kSmallestSensorDiagonal = 2.0;
constexpr double kLargestSensorDiagonal = 70.0;

// A size entry of the main picture: the EXIF directory's, or IFD0's own; a
// sub-directory's ImageWidth is the size of another picture.
bool GivesPictureSize(uint16_t tag, int kind, int depth) {
    if (kind != kMainDirectory) return false;
    return tag == kExifImageWidth || tag == kExifImageLength || depth == 0;
}

std::string_view UpToNul(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

// `count` bytes from `offset`, fewer (or none) where `bytes` ends first.
std::string_view Part(std::string_view bytes, size_t offset, size_t count) {
    return offset < bytes.size() ? bytes.substr(offset, count) : std::string_view();
}

// Blanks and control characters off both ends.
std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

// The first `count` characters of a UTF-8 text.
std::string FirstCharacters(std::string_view text, size_t count) {
    size_t end = 0;
    for (size_t n = 0; n < count && end < text.size(); ++n)
        end = platform::NextCharacter(text, end);
    return std::string(text.substr(0, end));
}

// The user comment after its character code: UTF-16 for the "UNICODE" code,
// else single bytes up to the first NUL.
std::string CommentText(std::string_view raw, bool motorola) {
    const std::string_view code = raw.substr(0, kCharacterCodeSize);
    const std::string_view text = raw.substr(kCharacterCodeSize);
    if (code == kUnicodeCode) return std::string(Trim(platform::Utf16ToUtf8(text, motorola)));
    return platform::Windows1252ToUtf8(Trim(UpToNul(text)));
}

// The longest start of UTF-16 code units that holds in `room` bytes without
// splitting a surrogate pair.
std::string_view Utf16Prefix(std::string_view units, size_t room, bool big_endian) {
    size_t end = std::min(units.size(), room & ~size_t{1});
    if (end < units.size() && end >= 2) {
        const auto lead = static_cast<uint8_t>(units[big_endian ? end - 2 : end - 1]);
        if (lead >= 0xD8 && lead <= 0xDB) end -= 2;
    }
    return units.substr(0, end);
}

bool IsSubDirectoryPointer(uint16_t tag) {
    return tag == kExifOffset || tag == kInteroperabilityOffset || tag == kSubIfds;
}

}  // namespace

TImageInfo::TImageInfo(TimgData& owner, int32_t build_code)
    : BuildCode(build_code), owner_(owner) {}

int TImageInfo::IndexOfTag(std::string_view name) const {
    for (size_t i = 0; i < tags_.size(); ++i) {
        if (platform::SameTextIgnoringCase(tags_[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

std::string TImageInfo::TagValue(std::string_view name) const {
    const int index = IndexOfTag(name);
    return index < 0 ? std::string() : tags_[static_cast<size_t>(index)].display;
}

TTagEntry TImageInfo::GetTagByName(std::string_view name) const {
    const int index = IndexOfTag(name);
    return index < 0 ? TTagEntry() : tags_[static_cast<size_t>(index)];
}

double TImageInfo::TagValueAsFloat(std::string_view name) const {
    const int index = IndexOfTag(name);
    if (index < 0) return 0.0;
    const TTagEntry& entry = tags_[static_cast<size_t>(index)];
    return ValueAsFloat(entry.raw, entry.tiff_type);
}

int32_t TImageInfo::TagValueAsInteger(std::string_view name) const {
    return platform::Round(TagValueAsFloat(name));
}

int TImageInfo::AddTag(const TTagEntry& entry) {
    return entry.tag == 0 ? static_cast<int>(tags_.size()) - 1 : AppendTag(entry);
}

int TImageInfo::AppendTag(const TTagEntry& entry) {
    tags_.push_back(entry);
    return static_cast<int>(tags_.size()) - 1;
}

int TImageInfo::AddThumbnailTag(const TTagEntry& entry) {
    if (entry.tag != 0) thumbnail_tags_.push_back(entry);
    return static_cast<int>(thumbnail_tags_.size()) - 1;
}

void TImageInfo::ParseDirectory(int64_t start, int64_t base, int kind, int64_t limit) {
    walked_.clear();
    maker_note_read_ = false;
    // Directories that do not overlap hold at most one entry per 12 bytes of
    // the area; a walk that decodes more reads the same bytes again and again.
    entries_left_ = Size() / kEntrySize + 1;
    ParseDirectoryAt(start, base, kind, limit, 0);
}

void TImageInfo::ParseDirectoryAt(int64_t start, int64_t base, int kind, int64_t limit, int depth) {
    walked_.push_back(start);
    const int64_t count = Get16(start);
    const int64_t end = start + 2 + kEntrySize * count;
    if (end > base + limit) {
        owner_.SetErrorText("Illegally sized directory");
        return;
    }
    // The link to the next directory follows the last entry of the first
    // main directory.
    if (kind == kMainDirectory && IFD1Offset == 0 && !TiffFlag && Holds(end, 4)) {
        IFD1Offset = Get32(end);
        BytesToEnd = base + limit - IFD1Offset;
    }
    for (int64_t i = 0; i < count && entries_left_ > 0; ++i, --entries_left_) {
        try {
            ParseEntry(start + 2 + kEntrySize * i, base, kind, limit, depth);
        } catch (const platform::Error&) {
            // An entry that cannot be read costs only itself.
        }
    }
}

void TImageInfo::WalkSubDirectory(int64_t start, int64_t base, int kind, int64_t limit, int depth) {
    if (depth > kMaxDepth || std::find(walked_.begin(), walked_.end(), start) != walked_.end()) {
        return;
    }
    try {
        ParseDirectoryAt(start, base, kind, limit, depth);
    } catch (const platform::Error&) {
        // A broken sub-directory ends its own walk only.
    }
}

void TImageInfo::ParseEntry(int64_t entry, int64_t base, int kind, int64_t limit, int depth) {
    const uint16_t tag = Get16(entry);
    const uint16_t type = Get16(entry + 2);
    const int32_t count = Get32s(entry + 4);
    const int size = TypeSize(type);
    if (size == 0 || count < 0) return;
    const int64_t bytes = int64_t{size} * count;
    if (bytes == 0) return;
    // Offsets are unsigned: no value lies before the TIFF header.
    const int64_t position = bytes <= 4 ? entry + 8 : Get32(entry + 8) + base;
    const std::string raw(Bytes(position, bytes));

    const std::optional<TTagEntry> row = FindTagDefinition(tag, kind);
    std::string display;
    const bool decode = BuildCode == 2 || BuildCode == 255;
    if (decode) display = DisplayText(raw, type, row);
    if (decode && tag == kUserComment && bytes > static_cast<int64_t>(kCharacterCodeSize)) {
        Comment = CommentText(raw, Motorola());
        display = Comment;
        CommentPosition = position;
        CommentSize = bytes - 9;
    }

    switch (tag) {
        case kMake:
            CameraMake = FirstCharacters(display, 32);
            break;
        case kModel:
            CameraModel = FirstCharacters(display, 40);
            break;
        case kDateTime:
            DateTime = FirstCharacters(display, 20);
            DateTimePosition = position;
            break;
        case kDateTimeOriginal:
            DateTime = FirstCharacters(display, 20);
            DateTimeOriginalPosition = position;
            break;
        case kDateTimeDigitized:
            DateTimeDigitizedPosition = position;
            break;
        case kExifVersion:
            ExifVersion = raw.substr(0, 6);
            break;
        case kFlash:
            Flash = platform::Round(ValueAsFloat(raw, type));
            break;
        case kImageWidth:
        case kExifImageWidth:
            Width = platform::Round(ValueAsFloat(raw, type));
            WidthPosition = entry + 8;
            if (GivesPictureSize(tag, kind, depth)) width_positions_.push_back(WidthPosition);
            break;
        case kImageLength:
        case kExifImageLength:
            Height = platform::Round(ValueAsFloat(raw, type));
            HeightPosition = entry + 8;
            if (GivesPictureSize(tag, kind, depth)) height_positions_.push_back(HeightPosition);
            break;
        case kCompression:
            if (kind == kThumbnailDirectory) {
                ThumbnailCompression = platform::Round(ValueAsFloat(raw, type));
            }
            break;
        case kGpsInfo:
            WalkSubDirectory(Get32(position) + base, base, kGpsDirectory, limit, depth + 1);
            break;
        case kMakerNote:
            // One note per picture: a second one would only walk again what
            // the first listed.
            if (!maker_note_read_) {
                maker_note_read_ = true;
                MakerNote = raw;
                MakerNotePosition = position;
                TmsInfo(TiffFlag, *this).ReadMakerNote();
            }
            break;
        default:
            if (IsSubDirectoryPointer(tag)) {
                WalkSubDirectory(Get32(position) + base, base, kMainDirectory, limit, depth + 1);
            }
            break;
    }

    const bool list = BuildCode == 4 || BuildCode == 255;
    if (!list || !row) return;
    TTagEntry listed = *row;
    listed.display = std::move(display);
    listed.raw = raw;
    listed.size = static_cast<int32_t>(bytes);
    listed.raw_position = static_cast<int32_t>(position);
    listed.tiff_type = type;
    if (kind == kThumbnailDirectory) {
        AddThumbnailTag(listed);
    } else {
        AddTag(listed);
    }
}

std::string TImageInfo::DisplayText(std::string_view raw, uint16_t type,
                                    const std::optional<TTagEntry>& row) {
    std::string text;
    if (type == kAscii) {
        text = platform::Utf8OrWindows1252ToUtf8(UpToNul(raw));
    } else if (type == kUndefined) {
        text = std::string("\"").append(platform::Windows1252ToUtf8(UpToNul(raw))).append("\"");
    } else if (row) {
        text = FormatValue(raw, type, row->code_list, row->format, row->scale);
    } else {
        text = FormatValue(raw, type, {}, {});
    }
    if (row && row->callback != Callback::None) {
        try {
            return ApplyCallback(row->callback, text, *this);
        } catch (const platform::Error&) {
            // Data the callback cannot read keep their plain text.
        }
    }
    return MakePrintable(text);
}

int64_t TImageInfo::BytesToInteger(std::string_view bytes, uint16_t type) const {
    constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    uint64_t accumulated = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<uint8_t>(bytes[Motorola() ? i : bytes.size() - 1 - i]);
        // More bytes than 64 bits hold: the value read so far stands.
        if (accumulated > (kMax - byte) / 256) break;
        accumulated = accumulated * 256 + byte;
    }
    const auto low = static_cast<uint32_t>(accumulated);
    const bool single = bytes.size() == static_cast<size_t>(TypeSize(type));
    switch (type) {
        case kSByte:
            return single ? static_cast<int8_t>(low) : static_cast<int32_t>(low);
        case kSShort:
            return single ? static_cast<int16_t>(low) : static_cast<int32_t>(low);
        case kSLong:
            return static_cast<int32_t>(low);
        default:
            return low;
    }
}

double TImageInfo::ValueAsFloat(std::string_view raw, uint16_t type) const {
    switch (type) {
        case kByte:
        case kShort:
        case kLong:
        case kSByte:
        case kSShort:
        case kSLong:
            return static_cast<double>(BytesToInteger(raw, type));
        case kRational:
        case kSRational: {
            const uint16_t half = type == kRational ? kLong : kSLong;
            const int64_t denominator = BytesToInteger(Part(raw, 4, 4), half);
            if (denominator == 0) return 0.0;
            return static_cast<double>(BytesToInteger(Part(raw, 0, 4), half)) /
                   static_cast<double>(denominator);
        }
        case kFloat:
            if (raw.size() < 4) return 0.0;
            return std::bit_cast<float>(
                static_cast<uint32_t>(BytesToInteger(raw.substr(0, 4), kLong)));
        case kDouble: {
            if (raw.size() < 8) return 0.0;
            uint64_t bits = 0;
            for (size_t i = 0; i < 8; ++i) {
                bits = bits << 8 | static_cast<uint8_t>(raw[Motorola() ? i : 7 - i]);
            }
            return std::bit_cast<double>(bits);
        }
        default:
            return 0.0;
    }
}

std::string TImageInfo::FormatValue(std::string_view raw, uint16_t type, std::string_view codes,
                                    std::string_view format, NumberScale scale) const {
    if (type > kDouble) platform::RaiseRange();
    const auto size = static_cast<size_t>(TypeSize(type));
    if (size == 0) return "0";
    const size_t count = std::min(raw.size() / size, kMaxComponents);
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) text += ", ";
        const std::string_view component = raw.substr(i * size, size);
        switch (type) {
            case kByte:
            case kShort:
            case kLong:
            case kSByte:
            case kSShort:
            case kSLong: {
                const std::string number = FormatInteger(BytesToInteger(component, type));
                text += codes.empty() ? number : DecodeCode(codes, number);
                break;
            }
            case kRational:
            case kSRational: {
                const uint16_t half = type == kRational ? kLong : kSLong;
                text += FormatFraction(BytesToInteger(component.substr(0, 4), half),
                                       BytesToInteger(component.substr(4), half));
                if (!codes.empty()) text += DecodeCode(codes, text);
                break;
            }
            case kFloat:
            case kDouble:
                text += "-9999.99";
                break;
            default:
                text += "?";
                break;
        }
    }
    if (format.empty()) return text;
    if (format.find("%s") != std::string_view::npos) return FormatText(format, text);
    const double value = ValueAsFloat(raw, type);
    return FormatNumber(format, scale == NumberScale::ApexAperture ? std::exp2(value / 2) : value);
}

void TImageInfo::Estimate35mmFocalLength() {
    if (IndexOfTag("FocalLengthin35mmFilm") >= 0) return;
    int32_t unit = TagValueAsInteger("FocalPlaneResolutionUnit");
    if (unit < 1) unit = TagValueAsInteger("ResolutionUnit");
    const double millimetres = unit == 2 ? 25.4 : unit == 3 ? 10.0 : 0.0;
    const double focal = TagValueAsFloat("FocalLength");
    if (millimetres == 0.0 || focal == 0.0) return;
    double width = 0.0;
    double height = 0.0;
    const int32_t x = TagValueAsInteger("FocalPlaneXResolution");
    if (x > 0) width = Width * millimetres / x;
    const int32_t y = TagValueAsInteger("FocalPlaneYResolution");
    if (y > 0) height = Height * millimetres / y;
    if (!(width * height > 0.0)) return;
    // The resolution is the sensor's at the camera's full picture size: a
    // picture resized since gives a sensor no camera has, and no estimate.
    const double diagonal = std::sqrt(width * width + height * height);
    if (diagonal < kSmallestSensorDiagonal || diagonal > kLargestSensorDiagonal) return;
    // The diagonal of a 36 x 24 mm frame over the sensor's.
    const double factor = 43.26661531 / diagonal;
    const int row = IndexOfTagDefinition("FocalLengthIn35mmFilm");
    if (row < 0) return;
    TTagEntry entry = EntryOf(MainTable()[static_cast<size_t>(row)], true);
    entry.display = FormatNumber("%5.2f", focal * factor);
    entry.format = "%s mm";
    entry.tiff_type = kSRational;
    AddTag(entry);
}

std::optional<TTagEntry> TImageInfo::WritableTag(std::string_view name) const {
    const int index = IndexOfTag(name);
    const std::string* segment = owner_.ExifSegmentBytes();
    if (index < 0 || segment == nullptr) return std::nullopt;
    const TTagEntry& entry = tags_[static_cast<size_t>(index)];
    // Entries of a maker note are not at a place of the segment.
    if (entry.table_id != 0) return std::nullopt;
    const bool inside =
        entry.size >= 1 && entry.raw_position >= 1 &&
        entry.raw_position - 1 <= static_cast<int64_t>(segment->size()) - entry.size;
    if (!inside) return std::nullopt;
    return entry;
}

std::optional<TTagEntry> TImageInfo::WritableText(std::string_view name) const {
    std::optional<TTagEntry> entry = WritableTag(name);
    if (entry && entry->tiff_type != kAscii && entry->tiff_type != kUndefined) return std::nullopt;
    return entry;
}

void TImageInfo::PlaceValue(const TTagEntry& entry, std::string value) {
    // The value keeps its length: cut or padded with NULs, its last byte
    // stays a NUL.
    value.resize(static_cast<size_t>(entry.size - 1), '\0');
    value.push_back('\0');
    owner_.ExifSegmentBytes()->replace(static_cast<size_t>(entry.raw_position - 1), value.size(),
                                       value);
}

bool TImageInfo::WriteTagText(std::string_view name, std::string_view text) {
    const std::optional<TTagEntry> entry = WritableText(name);
    std::optional<std::string> bytes = platform::Utf8ToWindows1252(text);
    if (!entry || !bytes) return false;
    PlaceValue(*entry, std::move(*bytes));
    return true;
}

std::string TImageInfo::SetComment(std::string_view text) {
    const std::optional<TTagEntry> entry = WritableText("UserComment");
    if (!entry) return {};
    // Between the character code and the final NUL.
    const auto room = static_cast<size_t>(
        std::max<int64_t>(int64_t{entry->size} - 1 - int64_t{kCharacterCodeSize}, 0));
    if (platform::IsAscii(text)) {
        const std::string_view kept = text.substr(0, room);
        PlaceValue(*entry, std::string(kAsciiCode).append(kept));
        return std::string(kept);
    }
    // Bytes above 0x7F under the "ASCII" code are no valid EXIF text, and
    // other programs garble them: any other character makes the comment
    // UTF-16 in the byte order of the EXIF data.
    const std::string utf16 = platform::Utf8ToUtf16(text, Motorola());
    const std::string_view units = Utf16Prefix(utf16, room, Motorola());
    PlaceValue(*entry, std::string(kUnicodeCode).append(units));
    return platform::Utf16ToUtf8(units, Motorola());
}

bool TImageInfo::WriteTagInt(std::string_view name, int64_t value) {
    const std::optional<TTagEntry> entry = WritableTag(name);
    if (!entry) return false;
    std::string& segment = *owner_.ExifSegmentBytes();
    switch (entry->tiff_type) {
        case kShort:
        case kSShort:
            Put16(segment, static_cast<uint32_t>(value & 0xFFFF), entry->raw_position);
            return true;
        case kLong:
        case kSLong:
            Put32(segment, static_cast<uint32_t>(value & 0xFFFFFFFF), entry->raw_position);
            return true;
        default:
            return false;
    }
}

// Every size entry is written, whatever the segment holds now: the segment
// may have taken another picture's size since it was read (the copies of one
// photo at several sizes are written from one reading).
void TImageInfo::AdjustImageSize(int32_t height, int32_t width) {
    if (Height < 1 || Width < 1) return;
    std::string* segment = owner_.ExifSegmentBytes();
    if (segment == nullptr) return;
    const auto write = [&](int64_t position, int32_t value) {
        // The value's type sits 6 bytes before the value in its entry.
        const uint16_t type = Get16(position - 6);
        if (type == kShort || type == kSShort) {
            Put16(*segment, static_cast<uint32_t>(value) & 0xFFFF, position);
        } else if (type == kLong || type == kSLong) {
            Put32(*segment, static_cast<uint32_t>(value), position);
        }
    };
    for (const int64_t position : height_positions_) write(position, height);
    for (const int64_t position : width_positions_) write(position, width);
}

}  // namespace metadata
