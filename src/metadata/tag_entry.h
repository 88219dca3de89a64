// The one record of the metadata subsystem: a tag definition of a table, a
// tag read from a directory and an IPTC dataset alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace metadata {

// TIFF value types.
enum TiffType : uint16_t {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kSByte = 6,
    kUndefined = 7,
    kSShort = 8,
    kSLong = 9,
    kSRational = 10,
    kFloat = 11,
    kDouble = 12,
};

// Bytes per component of a type; 0 for type 0 and for types above 12, which
// no entry can be decoded with.
int TypeSize(uint32_t type);

// The decoding procedures a table row may name; the display text of a tag
// goes through its row's one (ApplyCallback, value_format.h).
enum class Callback : uint8_t {
    None,
    CommentAfterCharset,
    DecodeFlash,
    FormatShutterSpeed,
    FormatComponentsConfig,
    FormatGpsTime,
    FormatGpsCoordinate,
    DecodeWideText,
    DecodeNikonColorMode,
    DecodeNikonLensInfo,
    DecodeCanonCameraSettings,
    DecodeCanonShotInfo,
    DecodeCanonCustomFunctions,
};

// What the number a row's numeric format is applied to stands for: the value
// itself, or an APEX aperture value v, shown as the f-number 2^(v/2).
enum class NumberScale : uint8_t { Plain, ApexAperture };

// One row of a tag table, as built into the program.
struct TagRow {
    uint16_t tag = 0;
    std::string_view name;
    std::string_view description;  // empty: made from the name (main and GPS tables)
    std::string_view codes;        // "value:text,value:text"
    std::string_view format;       // "%5.2f mm", "F%0.1f", "%s sec"
    Callback callback = Callback::None;
    NumberScale scale = NumberScale::Plain;
    uint16_t record = 0;  // IPTC record number
    int32_t size = 0;     // IPTC maximum length
};

struct TTagEntry {
    int32_t table_id = 0;  // 1 for entries of a maker note
    uint16_t tiff_type = 0;
    uint16_t record = 0;
    uint16_t tag = 0;
    std::string name;
    std::string description;
    std::string code_list;
    std::string display;       // the decoded text, UTF-8 (an IPTC dataset: its data)
    std::string raw;           // the value's bytes as stored in the file
    int32_t raw_position = 0;  // 1-based, in the segment it was read from; 0 when none
    std::string format;
    int32_t size = 0;  // IPTC table: maximum length; tag list: number of raw bytes
    Callback callback = Callback::None;
    NumberScale scale = NumberScale::Plain;
};

// The entry for a table row: its columns copied, the description made from
// the name when the row has none and `spaced` is true (main and GPS tables),
// else the name itself.
TTagEntry EntryOf(const TagRow& row, bool spaced);

}  // namespace metadata
