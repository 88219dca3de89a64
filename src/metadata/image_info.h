// The EXIF and TIFF tags of one picture: the walk of the TIFF directories of
// an EXIF segment (or of a TIFF file) into a list of decoded tags, the few
// values other code needs directly, the value decoding, the 35 mm focal
// length estimate and the in-place edits of the owner's EXIF segment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/byte_order.h"
#include "metadata/tag_entry.h"
#include "metadata/tag_tables.h"

namespace metadata {

class TimgData;

class TImageInfo : public tEndInd {
public:
    // `build_code`: 2 decodes texts, 4 keeps tag lists, 255 both.
    TImageInfo(TimgData& owner, int32_t build_code);
    virtual ~TImageInfo() = default;
    TImageInfo(const TImageInfo&) = delete;
    TImageInfo& operator=(const TImageInfo&) = delete;

    TimgData& Owner() const { return owner_; }

    // The first listed tag named `name` ignoring case: its index (-1 when
    // none), its display value (empty when none), a copy (the empty entry
    // when none).
    virtual int IndexOfTag(std::string_view name) const;
    virtual std::string TagValue(std::string_view name) const;
    TTagEntry GetTagByName(std::string_view name) const;
    // The value of the named tag's raw bytes as a number (0 when absent), and
    // that number rounded, halves to even.
    double TagValueAsFloat(std::string_view name) const;
    int32_t TagValueAsInteger(std::string_view name) const;

    const std::vector<TTagEntry>& Tags() const { return tags_; }
    const std::vector<TTagEntry>& ThumbnailTags() const { return thumbnail_tags_; }
    void ResetTagCursor() { tag_cursor_ = 0; }
    // Append a copy of the entry unless its tag is 0 (so GPSVersionID is not
    // listed); return the count - 1.
    int AddTag(const TTagEntry& entry);
    int AddThumbnailTag(const TTagEntry& entry);

    // Walks one directory: `start` is the 1-based position of its entry count,
    // `base` the position of TIFF offset 0 (9 in an EXIF segment, -7 in a
    // TIFF file's buffer), `limit` the size of the walked area from `base`.
    // Sub-directories are walked where their pointer is met. A directory that
    // was already walked, or one nested deeper than 8, is not walked again;
    // an entry that cannot be decoded is skipped and the directory goes on.
    // Only the first maker note met is read. A failure of the first
    // directory itself (its entry count outside the bytes) is raised.
    void ParseDirectory(int64_t start, int64_t base, int kind, int64_t limit);

    // Value decoding in this object's byte order. Unsigned types stay
    // positive; SBYTE, SSHORT and SLONG are sign-extended. A value of several
    // components is read as one number of its low 32 bits; FLOAT and DOUBLE
    // give the number of their first component.
    int64_t BytesToInteger(std::string_view bytes, uint16_t type) const;
    double ValueAsFloat(std::string_view raw, uint16_t type) const;
    // A numeric format is applied to the value as `scale` reads it.
    std::string FormatValue(std::string_view raw, uint16_t type, std::string_view codes,
                            std::string_view format, NumberScale scale = NumberScale::Plain) const;

    // Adds "FocalLengthin35mmFilm" from the focal length, the focal plane
    // resolution and the picture size when the camera did not store it and
    // the sensor they imply has a diagonal of 2 to 70 mm.
    void Estimate35mmFocalLength();

    // In-place edits of the owner's EXIF segment bytes (the tag list keeps the
    // old values); a value keeps its length, the text cut to it (never inside
    // a character) or padded with NULs, its last byte a NUL. False when the
    // tag is absent or of another kind: texts go into ASCII and UNDEFINED
    // values, integers into SHORT, SSHORT, LONG and SLONG values only. A
    // maker-note entry is never written. A text (UTF-8) is stored as
    // Windows-1252; one with a character the code page lacks is not written
    // (false).
    bool WriteTagText(std::string_view name, std::string_view text);
    // A plain ASCII comment goes under the "ASCII" character code; any other
    // goes under the "UNICODE" code, in UTF-16 of the EXIF data's byte order.
    // The text the value holds now, cut as above: what the user keeps of
    // what was typed; empty when there is no user comment to write into.
    std::string SetComment(std::string_view text);
    bool WriteTagInt(std::string_view name, int64_t value);
    // Writes the size into every width and height entry of the main picture
    // (the EXIF directory's and IFD0's), when the walk found a size.
    void AdjustImageSize(int32_t height, int32_t width);

    // The maker-note walk: a directory of `note` (its own bytes, with
    // `motorola` order) in the rows of `table`; see maker_notes.h.
    void ParseMakerDirectory(const tEndInd& note, MakerTable table, int64_t start, int64_t base,
                             int64_t segment_base);
    // An item of a maker-note array (table id 1, no tag number), appended
    // all the same.
    int AddMakerTag(std::string_view name, std::string_view value, uint16_t type);

    // Captured while walking.
    std::string ExifVersion;  // the first 6 bytes of tag 0x9000
    std::string CameraMake;   // at most 32 characters
    std::string CameraModel;  // at most 40
    std::string DateTime;     // at most 20
    int32_t Height = 0;
    int32_t Width = 0;
    int64_t HeightPosition = 0;  // of the directory entry's value field
    int64_t WidthPosition = 0;
    int32_t Flash = 0;
    int32_t BuildCode = 255;
    std::string MakerNote;
    int64_t MakerNotePosition = 0;
    bool TiffFlag = false;
    std::string
        Comment;  // the user comment after its 8-byte character code, UTF-8, bytes as stored
    int64_t CommentPosition = 0;
    int64_t CommentSize = 0;
    int64_t DateTimePosition = 0;
    int64_t DateTimeOriginalPosition = 0;
    int64_t DateTimeDigitizedPosition = 0;
    int64_t IFD1Offset = 0;
    int64_t BytesToEnd = 0;
    int32_t ThumbnailCompression = 0;

private:
    // Appends to the tag list whatever the entry's tag; the new count - 1.
    int AppendTag(const TTagEntry& entry);
    void ParseDirectoryAt(int64_t start, int64_t base, int kind, int64_t limit, int depth);
    void WalkSubDirectory(int64_t start, int64_t base, int kind, int64_t limit, int depth);
    void ParseEntry(int64_t entry, int64_t base, int kind, int64_t limit, int depth);
    // The shown text of a value: its row's code list, format and callback.
    std::string DisplayText(std::string_view raw, uint16_t type,
                            const std::optional<TTagEntry>& row);
    // The listed entry an in-place edit may write: one read from the EXIF
    // segment, whose value lies inside it.
    std::optional<TTagEntry> WritableTag(std::string_view name) const;
    // The same, for an ASCII or UNDEFINED value.
    std::optional<TTagEntry> WritableText(std::string_view name) const;
    // Writes `value` over the entry's value, cut or padded to its length.
    void PlaceValue(const TTagEntry& entry, std::string value);

    TimgData& owner_;
    std::vector<TTagEntry> tags_;
    std::vector<TTagEntry> thumbnail_tags_;
    std::vector<int64_t> walked_;  // starts of the directories walked
    // The value fields of the main picture's size entries, in IFD0 and the
    // EXIF directory, that AdjustImageSize writes.
    std::vector<int64_t> width_positions_;
    std::vector<int64_t> height_positions_;
    int64_t entries_left_ = 0;  // entries the walk may still decode
    bool maker_note_read_ = false;
    int32_t tag_cursor_ = 0;
};

}  // namespace metadata
