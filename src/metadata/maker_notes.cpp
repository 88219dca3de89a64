#include "metadata/maker_notes.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/byte_order.h"
#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "metadata/tag_entry.h"
#include "metadata/tag_tables.h"
#include "metadata/value_format.h"
#include "platform/core/error.h"
#include "platform/core/text.h"

namespace metadata {

namespace {

// Where a make keeps its directory inside the note and what its value offsets
// count from.
struct NoteLayout {
    MakerTable table;
    int64_t start;  // offset of the directory's entry count from the note's first byte
    // The 1-based note position of offset 0 for makers whose offsets count
    // from the note; unset for makers whose offsets count from the picture's
    // TIFF header.
    std::optional<int64_t> origin;
    // The byte order the note uses when it is not the picture's.
    std::optional<bool> motorola;
};

// The character after the model's first blank, its first character without one.
char ModelLetter(std::string_view model) {
    const size_t blank = model.find(' ');
    const size_t at = blank == std::string_view::npos ? 0 : blank + 1;
    return at < model.size() ? model[at] : '\0';
}

// A Nikon note of the newer kind carries a TIFF header of its own after its
// 10-byte signature, and its offsets count from that header. Its byte order
// is the one that header states.
NoteLayout NikonNewerWithHeader(std::string_view note) {
    NoteLayout layout{MakerTable::NikonNewer, 18, 11, std::nullopt};
    const std::string_view order = note.substr(std::min<size_t>(note.size(), 10), 2);
    if (order == "MM") layout.motorola = true;
    if (order == "II") layout.motorola = false;
    return layout;
}

std::optional<NoteLayout> LayoutOf(std::string_view make, const TImageInfo& info, bool tiff_flag) {
    const std::string_view note = info.MakerNote;
    if (make == "NIKON") {
        const bool newer = info.ExifVersion > "0210" || (info.ExifVersion.empty() && tiff_flag &&
                                                         ModelLetter(info.CameraModel) == 'D');
        if (newer) return NikonNewerWithHeader(note);
        if (note.starts_with("Nikon")) return NoteLayout{MakerTable::NikonOlder, 8, {}, {}};
        return NoteLayout{MakerTable::NikonNewer, 0, {}, {}};
    }
    if (make == "OLYMP") return NoteLayout{MakerTable::Olympus, 8, {}, {}};
    if (make == "CASIO") {
        if (note.starts_with("QVC")) return NoteLayout{MakerTable::CasioQvc, 6, {}, {}};
        return NoteLayout{MakerTable::CasioFirst, 0, {}, {}};
    }
    if (make == "FUJIF") return NoteLayout{MakerTable::Fujifilm, 12, 1, false};
    if (make == "CANON") return NoteLayout{MakerTable::Canon, 0, {}, {}};
    if (make == "SEIKO") return NoteLayout{MakerTable::Seiko, 8, {}, {}};
    if (make == "SANYO") return NoteLayout{MakerTable::Sanyo, 8, {}, {}};
    if (make == "MINOL") return NoteLayout{MakerTable::Minolta, 0, {}, {}};
    return std::nullopt;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

std::string Quoted(std::string_view text) {
    return std::string("\"").append(text).append("\"");
}

// The text of a maker value before its row's callback: texts between double
// quotes, numbers through the row's code list and format.
std::string MakerDisplay(const TImageInfo& info, std::string_view value, uint16_t type,
                         std::string_view codes, std::string_view format) {
    if (type == kAscii)
        return Quoted(platform::Utf8OrWindows1252ToUtf8(value.substr(0, value.find('\0'))));
    if (type == kUndefined) return Quoted(platform::Windows1252ToUtf8(value));
    try {
        return info.FormatValue(value, type, codes, format);
    } catch (const std::exception&) {
        return {};
    }
}

// The text before the first `separator`, all of it without one.
std::string_view TextBefore(std::string_view text, char separator) {
    return text.substr(0, text.find(separator));
}

// The text after the first `separator`, empty without one.
std::string_view TextAfter(std::string_view text, char separator) {
    const size_t at = text.find(separator);
    return at == std::string_view::npos ? std::string_view() : text.substr(at + 1);
}

// The k-th piece (from 1) of the text between separators; empty when the
// text has fewer pieces.
std::string_view NthToken(std::string_view text, char separator, size_t k) {
    for (size_t piece = 1; piece < k; ++piece) {
        if (text.find(separator) == std::string_view::npos) return {};
        text = TextAfter(text, separator);
    }
    return TextBefore(text, separator);
}

// The number of separators in the text: one less than its pieces.
size_t CountTokens(std::string_view text, char separator) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), separator));
}

// Item `index` (from 0) of an array value, each item keeping the blank that
// follows the comma before it, turned into words through `codes`.
std::string DecodeListItem(std::string_view value, size_t index, std::string_view codes) {
    return DecodeCode(codes, NthToken(value, ',', index + 1));
}

// One named item of a Canon array: a plain item when it has no code list.
struct ArrayItem {
    size_t index;
    std::string_view name;
    std::string_view codes;
};

// Adds the named items of an array value to the info and lists them, one
// line each, in the text that replaces the array's value.
class ItemLister {
public:
    explicit ItemLister(TImageInfo& info) : info_(info) {}

    void AddListItem(std::string_view name, std::string_view value, size_t index) {
        Add(name, NthToken(value, ',', index + 1));
    }

    void AddDecodedListItem(std::string_view name, std::string_view value, size_t index,
                            std::string_view codes) {
        Add(name, DecodeListItem(value, index, codes));
    }

    void AddDecodedValue(std::string_view name, std::string_view codes, std::string_view number) {
        Add(name, DecodeCode(codes, number));
    }

    std::string DecodeItems(std::string_view value, std::span<const ArrayItem> named) {
        for (const ArrayItem& item : named) {
            if (item.codes.empty()) {
                AddListItem(item.name, value, item.index);
            } else {
                AddDecodedListItem(item.name, value, item.index, item.codes);
            }
        }
        return result_;
    }

    const std::string& Result() const { return result_; }

private:
    // An item whose text is blank is left out.
    void Add(std::string_view name, std::string_view text) {
        if (Trim(text).empty()) return;
        info_.AddMakerTag(name, text, kAscii);
        result_ += "\r\n";
        result_ += name;
        result_ += " = ";
        result_ += text;
    }

    TImageInfo& info_;
    std::string result_;
};

constexpr std::string_view kLowNormalHigh = "65535:Low,0:Normal,1:High";

constexpr auto kCameraSettings = std::to_array<ArrayItem>({
    {1, "Macro mode", "1:Macro,2:Normal"},
    {2, "Self Timer", ""},
    {3, "Compression Rate", "0:SuperFine,1:Fine,2:Normal,3:Basic,5:SuperFine"},
    {4, "Flash Mode",
     "0:Not fired,1:Auto,2:On,3:Red-eye,4:Slow sync,5:Auto+red-eye,6:On+red eye,16:External "
     "flash"},
    {5, "Drive Mode", "0:Single,1:Continuous"},
    {7, "Focus Mode", "0:One-Shot,1:AI Servo,2:AI Focus,3:MF,4:Single,5:Continuous,6:MF"},
    {10, "Image Size", "0:Large,1:Medium,2:Small,4:5MPixel,5:2 MPixel,6:1.5 MPixel"},
    {11, "Easy Shoot",
     "0:Full Auto,1:Manual,2:Landscape,3:Fast Shutter,4:Slow Shutter,5:Night,6:B&W,7:Sepia,"
     "8:Portrait,9:Sports,10:Macro/Close-Up,11:Pan Focus"},
    {13, "Contrast", kLowNormalHigh},
    {14, "Saturation", kLowNormalHigh},
    {15, "Sharpness", kLowNormalHigh},
    {16, "CCD ISO", "0:Not used,15:auto,16:50,17:100,18:200,19:400"},
    // The camera's own numbers: no list describes these four.
    {17, "Metering Mode", ""},
    {19, "AF Point", ""},
    {20, "Exposure Mode", ""},
    {23, "Long focal", ""},
    {24, "Short focal", ""},
    {25, "Focal Units", ""},
    {28, "Flash Details", ""},
    {32, "Focus Mode", ""},
});

constexpr auto kShotInfo = std::to_array<ArrayItem>({
    {7, "White balance", "0:Auto,1:Sunny,2:Cloudy,3:Tungsten,4:Flourescent,5:Flash,6:Custom"},
    {8, "Sequence Number", ""},
    {10, "OpticalZoom Step", ""},
    {13, "AF point", ""},
    {15, "Flash bias",
     "65472:-2 EV,65484:-1.67 EV,65488:-1.50 EV,65492:-1.33 EV,65504:-1 EV,65516:-0.67 EV,"
     "65520:-0.50 EV,65524:-0.33 EV,0:0 EV,12:0.33 EV,16:0.50 EV,20:0.67 EV,32:1 EV,"
     "44:1.33 EV,48:1.50 EV,52:1.67 EV,64:2 EV"},
    {18, "Distance", ""},
});

struct CustomFunction {
    std::string_view name;
    std::string_view codes;
};

// Function n of the custom functions is row n - 1.
constexpr auto kCustomFunctions = std::to_array<CustomFunction>({
    {"Noise Reduction", "0: Off,1: On"},
    {"Shutter AE Lock Button", "0:AF/AE lock,1:AE lock/AF,2:AF/AF lock,3:AE+release/AE+AF"},
    {"Mirror Lockup", "0:Disable,1:Enable"},
    {"Exposure Level", "0:1/2 stop,1:1/3 stop"},
    {"AF Assist", "0:On (auto),1:Off"},
    {"AV Shutter Speed", "0:Automatic,1: 1/200 (fixed)"},
    {"AEB Sequence", "0:0 - + / Enabled,1:0 - + / Disabled,2:- 0 + / Enabled,3:- 0 + / Disabled"},
    {"Shutter Sync", "0:1st-curtain sync,1: 2nd-curtain sync"},
    {"Lens AF Button", "0:AF stop,1:Operate AF,2:Lock AE and start timer"},
    {"Fill Flash Reduction", "0:Enable,1:Disable"},
    {"Menu Return", "0:Top,1:Previous (volatile),2:Previous"},
    {"Set Button", "0:Not assigned,1:Change quality,2:Change ISO speed,3:Select parameters"},
    {"Sensor Cleaning", "0:Disable,1:Enable"},
    {"Superimposed Display", "0: On,1: Off"},
    {"Shutter Release w/o CF Card", "0:Enable,1:Disable"},
});

int64_t ParseInteger(std::string_view item) {
    const std::string_view text = Trim(item);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        platform::RaiseMessage(
            std::string("'").append(text).append("' n'est pas une valeur entière correcte"));
    }
    return value;
}

// The bytes of a maker entry's value; nothing when they lie outside what the
// note (or, for offsets counting from the TIFF header, the segment) holds.
std::optional<std::string_view> MakerValue(const TImageInfo& info, const tEndInd& note,
                                           int64_t entry, int64_t bytes, int64_t start,
                                           int64_t base, int64_t segment_base) {
    if (bytes <= 4) return note.Bytes(entry + 8, bytes);
    const int32_t offset = note.Get32s(entry + 8);
    if (offset < 0) return std::nullopt;
    const int64_t in_note = offset + start - base + 2;
    if (note.Holds(in_note, bytes)) return note.Bytes(in_note, bytes);
    if (segment_base == 0 || !info.Holds(segment_base + offset, bytes)) return std::nullopt;
    return info.Bytes(segment_base + offset, bytes);
}

// Sets an object's byte order for as long as it lives.
class ByteOrderScope {
public:
    ByteOrderScope(tEndInd& target, bool motorola) : target_(target), saved_(target.Motorola()) {
        target_.SetMotorola(motorola);
    }
    ~ByteOrderScope() { target_.SetMotorola(saved_); }
    ByteOrderScope(const ByteOrderScope&) = delete;
    ByteOrderScope& operator=(const ByteOrderScope&) = delete;

private:
    tEndInd& target_;
    bool saved_;
};

}  // namespace

TmsInfo::TmsInfo(bool tiff_flag, TImageInfo& info)
    : tiff_flag_(tiff_flag), info_(info), maker_note_position_(info.MakerNotePosition) {}

bool TmsInfo::ReadMakerNote() {
    const std::string make = platform::UpperCase(info_.CameraMake).substr(0, 5);
    const std::optional<NoteLayout> layout = LayoutOf(make, info_, tiff_flag_);
    maker_name_ = info_.CameraMake;
    if (!layout) return false;

    const tEndInd note(info_.MakerNote, layout->motorola.value_or(info_.Motorola()));
    // TIFF offset 0 sits at position 9 of an EXIF segment, after its length
    // and signature, and at -7 of a TIFF file's buffer, which starts after
    // the 8-byte header.
    const int64_t tiff_base = tiff_flag_ ? -7 : 9;
    const int64_t origin = layout->origin.value_or(tiff_base - maker_note_position_ + 1);
    const int64_t segment_base = layout->origin ? 0 : tiff_base;
    info_.ParseMakerDirectory(note, layout->table, layout->start, layout->start + 2 - origin,
                              segment_base);
    return true;
}

// `start` is the offset of the directory's entry count from the note's first
// byte. A value at offset o lies at note position o + start - base + 2; when
// it is not all inside the note, it lies at position segment_base + o of this
// object's EXIF segment, unless segment_base is 0 (offsets counting from the
// note), and is absent when it is not there either.
void TImageInfo::ParseMakerDirectory(const tEndInd& note, MakerTable table, int64_t start,
                                     int64_t base, int64_t segment_base) {
    const std::span<const TagRow> rows = Table(table);
    // The values are decoded in the note's byte order.
    const ByteOrderScope order(*this, note.Motorola());
    try {
        const int64_t count = note.Get16(start + 1);
        for (int64_t i = 0; i < count; ++i) {
            const int64_t entry = start + 3 + 12 * i;
            const uint16_t tag = note.Get16(entry);
            const uint16_t type = note.Get16(entry + 2);
            const int32_t components = note.Get32s(entry + 4);
            const int row = IndexOfTagInTable(tag, table);
            // A table's first row names no entry that is listed.
            if (row < 1 || TypeSize(type) == 0 || components < 0) continue;
            const TagRow& definition = rows[static_cast<size_t>(row)];
            if (platform::SameTextIgnoringCase(definition.name, "skip")) continue;

            const int64_t bytes = int64_t{TypeSize(type)} * components;
            const std::optional<std::string_view> value =
                MakerValue(*this, note, entry, bytes, start, base, segment_base);
            if (!value) continue;

            std::string display =
                MakerDisplay(*this, *value, type, FindTagInTable(tag, table), definition.format);
            std::string shown;
            if (definition.callback != Callback::None) {
                try {
                    shown = ApplyCallback(definition.callback, display, *this);
                } catch (const std::exception&) {
                    shown = MakePrintable(display);
                }
            } else {
                shown = MakePrintable(display);
            }

            TTagEntry listed = EntryOf(definition, false);
            listed.table_id = 1;
            listed.tiff_type = type;
            listed.display = std::move(shown);
            listed.raw = std::string(*value);
            AddTag(listed);
        }
    } catch (const std::exception& failure) {
        Owner().SetErrorText(std::string("Error Detected = ") + failure.what());
    }
}

int TImageInfo::AddMakerTag(std::string_view name, std::string_view value, uint16_t type) {
    if (BuildCode != 4 && BuildCode != 255) return -1;
    TTagEntry entry;
    entry.table_id = 1;
    entry.tiff_type = type;
    entry.name = name;
    entry.description = name;
    entry.display = value;
    entry.raw = value;
    entry.size = static_cast<int32_t>(value.size());
    return AppendTag(entry);
}

std::string DecodeCanonCameraSettings(std::string_view value, TImageInfo& info) {
    return ItemLister(info).DecodeItems(value, kCameraSettings);
}

std::string DecodeCanonShotInfo(std::string_view value, TImageInfo& info) {
    return ItemLister(info).DecodeItems(value, kShotInfo);
}

std::string DecodeCanonCustomFunctions(std::string_view value, TImageInfo& info) {
    ItemLister lister(info);
    // Every item, the last one too: a piece is cut off the front at each turn.
    const size_t count = CountTokens(value, ',') + 1;
    std::string_view rest = value;
    for (size_t k = 0; k < count; ++k) {
        const int64_t word = ParseInteger(TextBefore(rest, ','));
        rest = TextAfter(rest, ',');
        const int64_t function = word / 256;
        if (function < 1 || function > static_cast<int64_t>(kCustomFunctions.size())) continue;
        const CustomFunction& decoded = kCustomFunctions[static_cast<size_t>(function - 1)];
        lister.AddDecodedValue(decoded.name, decoded.codes, FormatInteger(word % 256));
    }
    return lister.Result();
}

}  // namespace metadata
