// The IPTC datasets of a picture, held in the Photoshop APP13 segment of its
// JPEG file: read, set, appended and removed by name, and written back as a
// new segment that keeps the segment's other image resources.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/tag_entry.h"

namespace metadata {

class TimgData;

class TIPTCdata {
public:
    explicit TIPTCdata(TimgData& owner);
    virtual ~TIPTCdata() = default;
    TIPTCdata(const TIPTCdata&) = delete;
    TIPTCdata& operator=(const TIPTCdata&) = delete;

    virtual int IndexOfTag(std::string_view name) const;
    virtual void RemoveTag(std::string_view name);
    // The held entry's data becomes `value` (an empty value changes nothing);
    // a name not held is added from the IPTC table. The entry's index, -1
    // when the name is not in the table.
    virtual int SetTagValue(std::string_view name, std::string_view value);
    // "," and `value` appended to the held entry's data, or the entry added.
    virtual int AppendTagValue(std::string_view name, std::string_view value);
    // Sets a dataset that may occur once, appends to one that may repeat
    // (SuppCategory, Keywords); -1 when the name is not in the IPTC table.
    virtual int SetOrAppendTag(std::string_view name, std::string_view value);
    virtual std::string TagValueOr(std::string_view name, std::string_view fallback) const;
    // Holds the datasets of the JPEG file `name` instead of those held; true
    // when it has some. Read by an owner of its own: the owner's reading
    // would free the object it holds, which may be this one.
    virtual bool ReadFromFile(const std::string& name);

    int GetCount() const { return static_cast<int>(entries_.size()); }
    // Keeps the first `count` entries; range error above the count held.
    void SetCount(int count);
    const TTagEntry& GetEntry(int index) const;  // range error outside
    bool HasEntries() const { return !entries_.empty(); }
    void Clear() { entries_.clear(); }
    // Appends a copy of an entry with a dataset number; its index, -1 when
    // the entry has none (the record version is never held).
    int AppendEntry(const TTagEntry& entry);
    // Range error when `index` is not a held entry.
    void SetEntryValue(int index, std::string_view text);

    // The datasets of the owner's APP13 segment, or of a segment's payload.
    // Only the first IPTC resource of a "Photoshop 3.0" payload is read; the
    // occurrences of a repeatable dataset (2:20, 2:25) become one entry whose
    // data are their values joined by ",".
    void ParseOwnerSegment();
    void ParseSegment(std::string_view payload);

    // The datasets' texts are in the encoding the block declares in its
    // record 1 (1:90): UTF-8 for ESC % G, else Windows-1252. A dataset's data
    // as UTF-8 text (data the declaration does not fit read as
    // Windows-1252), and a UTF-8 text as data in that encoding, none when
    // Windows-1252 lacks one of its characters.
    bool DeclaresUtf8() const;
    std::string TextOf(std::string_view data) const;
    std::optional<std::string> DataOf(std::string_view text) const;
    // Makes the block declare UTF-8, its 1:90 dataset added or changed, and
    // its text datasets read as Windows-1252 held in UTF-8; nothing when it
    // already does.
    void DeclareUtf8();
    // SetTagValue with a UTF-8 text in the block's encoding; a block whose
    // encoding cannot hold the text declares UTF-8 first. A block that can
    // stays as it is.
    int SetTagText(std::string_view name, std::string_view text);

    // The APP13 payload for the held datasets: the "Photoshop 3.0" header,
    // the IPTC resource where the segment read had it (first when it had
    // none), and the other resources of the segment read, unchanged but for
    // the digest of the IPTC data, which goes when the data differ from those
    // read; an empty URL resource when there are none. The datasets go in
    // record order (the record version 2:0 first in record 2), each record in
    // list order; a repeatable entry of record 2 goes out as one dataset per
    // trimmed item, keywords being separated by "," or ";", supplemental
    // categories by ",".
    std::string BuildSegment() const;
    // Writes the JPEG file `source` (`target` when empty) to `target` with
    // the owner's metadata, unchanged, and the held datasets; the picture
    // data are copied, not encoded again.
    void WriteToFile(const std::string& target, const std::string& source = {});

private:
    TimgData& owner_;
    std::vector<TTagEntry> entries_;
    // What the segment read held besides the datasets of records 2 and 8: its
    // other image resources, as raw bytes on each side of the IPTC resource,
    // and the datasets of the other records (the character set of record 1).
    std::string resources_before_;
    std::string resources_after_;
    std::vector<TTagEntry> other_records_;
    // The data of the IPTC resource read, which its digest resource is of.
    std::string iptc_read_;
};

}  // namespace metadata
