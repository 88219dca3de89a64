#include "metadata/iptc.h"

#include <algorithm>
#include <optional>

#include "metadata/byte_order.h"
#include "metadata/img_data.h"
#include "metadata/tag_tables.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/core/text.h"
#include "platform/graphics/jpeg_image.h"

namespace metadata {

namespace {

constexpr std::string_view kSignature{"Photoshop 3.0\0", 14};
constexpr std::string_view kResourceType = "8BIM";
constexpr uint16_t kIptcResource = 0x0404;
constexpr uint16_t kUrlResource = 0x040B;
constexpr uint16_t kIptcDigestResource = 0x0425;
constexpr uint8_t kDatasetMarker = 0x1C;
// A length field with this bit set gives the count of the length bytes that
// follow it; four is the most any writer uses.
constexpr uint16_t kExtendedLength = 0x8000;
constexpr int64_t kMaxLengthBytes = 4;
constexpr int64_t kDatasetHeader = 5;
constexpr int32_t kCustomSize = 64;
// The coded character set dataset 1:90 and its value for UTF-8.
constexpr uint16_t kEnvelopeRecord = 1;
constexpr uint16_t kCodedCharacterSet = 90;
constexpr std::string_view kUtf8Escape = "\x1B%G";

constexpr uint16_t kKeywords = 25;

bool IsRepeatable(uint16_t record, uint16_t dataset) {
    return record == 2 && (dataset == 20 || dataset == kKeywords);
}

// Whether a held dataset is text, which the block's character set encodes:
// the application record's datasets but for the binary ones, the record
// version (2:0) and the object data preview's format, version and data
// (2:200 to 2:202). The object data (record 8) are binary, and so are the
// envelope's numbers and character set; its few texts are restricted to
// ASCII.
bool IsText(const TTagEntry& entry) {
    return entry.record == 2 && entry.tag != 0 && (entry.tag < 200 || entry.tag > 202);
}

// IPTC numbers are big-endian whatever the byte order of the EXIF data.
void AppendBigEndian(std::string& out, uint64_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

// A size written in four bytes: the range error when it does not fit.
uint64_t FourByteSize(size_t size) {
    return static_cast<uint64_t>(platform::CheckRange(static_cast<int64_t>(size), 0, 0xFFFFFFFF));
}

void AppendResourceHeader(std::string& out, uint16_t id, size_t size) {
    out += kResourceType;
    AppendBigEndian(out, id, 2);
    AppendBigEndian(out, 0, 2);  // empty name, padded to an even length
    AppendBigEndian(out, FourByteSize(size), 4);
}

std::string EncodeDataset(uint16_t record, uint16_t dataset, std::string_view data) {
    std::string out;
    out.push_back(static_cast<char>(kDatasetMarker));
    out.push_back(static_cast<char>(platform::CheckRange(record, 0, 255)));
    out.push_back(static_cast<char>(platform::CheckRange(dataset, 0, 255)));
    if (data.size() < kExtendedLength) {
        AppendBigEndian(out, data.size(), 2);
    } else {
        AppendBigEndian(out, kExtendedLength | kMaxLengthBytes, 2);
        AppendBigEndian(out, FourByteSize(data.size()), kMaxLengthBytes);
    }
    out += data;
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// One dataset per item of a list, each item trimmed; empty items inside the
// list stay as empty datasets, those at its end are dropped. Keywords are
// separated by "," or ";" (the properties window asks for ";", and shows
// them joined by ","), supplemental categories by "," only.
std::string EncodeRepeatedDataset(uint16_t record, uint16_t dataset, std::string_view list) {
    const std::string_view separators = dataset == kKeywords ? ",;" : ",";
    std::vector<std::string_view> items;
    size_t start = 0;
    for (;;) {
        const size_t separator = list.find_first_of(separators, start);
        items.push_back(TrimBlanks(list.substr(start, separator - start)));
        if (separator == std::string_view::npos) break;
        start = separator + 1;
    }
    while (!items.empty() && items.back().empty()) items.pop_back();
    std::string out;
    for (const std::string_view item : items) out += EncodeDataset(record, dataset, item);
    return out;
}

std::string EncodeEntry(const TTagEntry& entry) {
    return IsRepeatable(entry.record, entry.tag)
               ? EncodeRepeatedDataset(entry.record, entry.tag, entry.display)
               : EncodeDataset(entry.record, entry.tag, entry.display);
}

// One image resource of the payload; positions are 1-based in it.
struct Resource {
    uint16_t id = 0;
    int64_t start = 0;  // its "8BIM"
    int64_t data = 0;
    int64_t size = 0;  // cut at the end of the payload
    int64_t next = 0;  // after its padding byte
};

std::optional<Resource> ReadResource(const tEndInd& bytes, int64_t position) {
    constexpr int64_t kTypeAndId = 6;
    if (!bytes.Holds(position, kTypeAndId + 1) || bytes.Bytes(position, 4) != kResourceType) {
        return std::nullopt;
    }
    Resource resource;
    resource.id = bytes.Get16(position + 4);
    resource.start = position;
    const int64_t name_field = (bytes.Get8(position + kTypeAndId) + 2) & ~int64_t{1};
    const int64_t size_position = position + kTypeAndId + name_field;
    if (!bytes.Holds(size_position, 4)) return std::nullopt;
    resource.data = size_position + 4;
    const int64_t end = bytes.Size() + 1;
    resource.size = std::min<int64_t>(bytes.Get32(size_position), end - resource.data);
    resource.next = std::min(end, resource.data + resource.size + (resource.size & 1));
    return resource;
}

// The image resources without those of `id`; bytes after the last resource
// that can be read stay as they are.
std::string WithoutResource(const std::string& resources, uint16_t id) {
    const tEndInd bytes(resources, true);
    std::string kept;
    int64_t at = 1;
    for (std::optional<Resource> resource = ReadResource(bytes, at); resource;
         resource = ReadResource(bytes, at)) {
        if (resource->id != id) kept += bytes.Bytes(at, resource->next - at);
        at = resource->next;
    }
    kept += bytes.Bytes(at, bytes.Size() + 1 - at);
    return kept;
}

// One dataset of the IPTC resource, which ends before `end`; positions are
// 1-based in the payload.
struct Dataset {
    uint16_t record = 0;
    uint16_t number = 0;
    std::string_view data;  // cut at the end of the resource
    int64_t next = 0;
};

std::optional<Dataset> ReadDataset(const tEndInd& bytes, int64_t position, int64_t end) {
    if (position + kDatasetHeader > end || bytes.Get8(position) != kDatasetMarker) {
        return std::nullopt;
    }
    int64_t length = bytes.Get16(position + 3);
    int64_t data = position + kDatasetHeader;
    if (length & kExtendedLength) {
        const int64_t count = length & ~int64_t{kExtendedLength};
        if (count == 0 || count > kMaxLengthBytes || data + count > end) return std::nullopt;
        length = 0;
        for (int64_t i = 0; i < count; ++i) length = (length << 8) | bytes.Get8(data + i);
        data += count;
    }
    length = std::min(length, end - data);
    return Dataset{bytes.Get8(position + 1), bytes.Get8(position + 2), bytes.Bytes(data, length),
                   data + length};
}

// The entry of a dataset of record 2 or 8: its table row, or a "Custom_"
// entry for a dataset the table does not list.
TTagEntry EntryForDataset(const Dataset& dataset) {
    TTagEntry entry;
    const int row = IndexOfIptcDataset(dataset.record, dataset.number);
    if (row >= 0 && IptcTable()[static_cast<size_t>(row)].name != "SKIP") {
        entry = EntryOf(IptcTable()[static_cast<size_t>(row)], false);
    } else {
        entry.name = "Custom_" + std::to_string(dataset.number);
        entry.description = entry.name;
        entry.size = kCustomSize;
    }
    entry.record = dataset.record;
    entry.tag = dataset.number;
    entry.display = dataset.data;
    return entry;
}

// The payload of an APP13 segment, after its length bytes; none without one.
std::string_view PayloadOf(const tSection* segment) {
    const std::string_view bytes = segment ? std::string_view(segment->bytes) : std::string_view();
    return bytes.size() > 2 ? bytes.substr(2) : std::string_view();
}

}  // namespace

TIPTCdata::TIPTCdata(TimgData& owner) : owner_(owner) {}

int TIPTCdata::IndexOfTag(std::string_view name) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (platform::SameTextIgnoringCase(entries_[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

void TIPTCdata::RemoveTag(std::string_view name) {
    const int index = IndexOfTag(name);
    if (index >= 0) entries_.erase(entries_.begin() + index);
}

int TIPTCdata::SetTagValue(std::string_view name, std::string_view value) {
    const int index = IndexOfTag(name);
    if (index >= 0) {
        if (!value.empty()) entries_[static_cast<size_t>(index)].display = value;
        return index;
    }
    const int row = IndexOfIptcDefinition(name);
    if (row < 0) return -1;
    TTagEntry entry = EntryOf(IptcTable()[static_cast<size_t>(row)], false);
    entry.display = value;
    return AppendEntry(entry);
}

int TIPTCdata::AppendTagValue(std::string_view name, std::string_view value) {
    const int index = IndexOfTag(name);
    if (index < 0) return SetTagValue(name, value);
    if (!value.empty()) {
        std::string& data = entries_[static_cast<size_t>(index)].display;
        data += ',';
        data += value;
    }
    return index;
}

int TIPTCdata::SetOrAppendTag(std::string_view name, std::string_view value) {
    const int row = IndexOfIptcDefinition(name);
    if (row < 0) return -1;
    const TagRow& definition = IptcTable()[static_cast<size_t>(row)];
    return IsRepeatable(definition.record, definition.tag) ? AppendTagValue(name, value)
                                                           : SetTagValue(name, value);
}

std::string TIPTCdata::TagValueOr(std::string_view name, std::string_view fallback) const {
    const int index = IndexOfTag(name);
    return std::string(index >= 0 ? std::string_view(entries_[static_cast<size_t>(index)].display)
                                  : fallback);
}

bool TIPTCdata::ReadFromFile(const std::string& name) {
    TimgData reader;
    reader.ReadPictureFile(name);
    ParseSegment(PayloadOf(reader.IptcSegment()));
    return HasEntries();
}

void TIPTCdata::SetCount(int count) {
    entries_.resize(static_cast<size_t>(platform::CheckRange(count, 0, GetCount())));
}

const TTagEntry& TIPTCdata::GetEntry(int index) const {
    return entries_[static_cast<size_t>(platform::CheckRange(index, 0, GetCount() - 1))];
}

int TIPTCdata::AppendEntry(const TTagEntry& entry) {
    if (entry.tag == 0) return -1;
    entries_.push_back(entry);
    return GetCount() - 1;
}

void TIPTCdata::SetEntryValue(int index, std::string_view text) {
    entries_[static_cast<size_t>(platform::CheckRange(index, 0, GetCount() - 1))].display = text;
}

void TIPTCdata::ParseOwnerSegment() {
    ParseSegment(PayloadOf(owner_.IptcSegment()));
}

void TIPTCdata::ParseSegment(std::string_view payload) {
    Clear();
    resources_before_.clear();
    resources_after_.clear();
    other_records_.clear();
    iptc_read_.clear();
    if (!payload.starts_with(kSignature)) return;

    const tEndInd bytes(std::string(payload), true);
    const int64_t first = static_cast<int64_t>(kSignature.size()) + 1;
    std::optional<Resource> iptc = ReadResource(bytes, first);
    while (iptc && iptc->id != kIptcResource) iptc = ReadResource(bytes, iptc->next);
    if (!iptc) {
        resources_after_ = payload.substr(kSignature.size());
        return;
    }
    resources_before_ = bytes.Bytes(first, iptc->start - first);
    resources_after_ = bytes.Bytes(iptc->next, bytes.Size() + 1 - iptc->next);
    iptc_read_ = bytes.Bytes(iptc->data, iptc->size);

    const int64_t end = iptc->data + iptc->size;
    for (auto dataset = ReadDataset(bytes, iptc->data, end); dataset;
         dataset = ReadDataset(bytes, dataset->next, end)) {
        if (dataset->record != 2 && dataset->record != 8) {
            TTagEntry kept;
            kept.record = dataset->record;
            kept.tag = dataset->number;
            kept.display = dataset->data;
            other_records_.push_back(std::move(kept));
            continue;
        }
        const TTagEntry entry = EntryForDataset(*dataset);
        // Empty occurrences count too, so that a save writes the list back as it was.
        const int held = IsRepeatable(entry.record, entry.tag) ? IndexOfTag(entry.name) : -1;
        if (held >= 0) {
            std::string& joined = entries_[static_cast<size_t>(held)].display;
            joined += ',';
            joined += entry.display;
        } else {
            AppendEntry(entry);
        }
    }
}

bool TIPTCdata::DeclaresUtf8() const {
    return std::any_of(other_records_.begin(), other_records_.end(), [](const TTagEntry& kept) {
        return kept.record == kEnvelopeRecord && kept.tag == kCodedCharacterSet &&
               kept.display == kUtf8Escape;
    });
}

std::string TIPTCdata::TextOf(std::string_view data) const {
    return DeclaresUtf8() ? platform::Utf8OrWindows1252ToUtf8(data)
                          : platform::Windows1252ToUtf8(data);
}

std::optional<std::string> TIPTCdata::DataOf(std::string_view text) const {
    if (DeclaresUtf8()) return std::string(text);
    return platform::Utf8ToWindows1252(text);
}

void TIPTCdata::DeclareUtf8() {
    if (DeclaresUtf8()) return;
    for (TTagEntry& entry : entries_) {
        if (IsText(entry)) entry.display = platform::Windows1252ToUtf8(entry.display);
    }
    const auto declaration = [](const TTagEntry& kept) {
        return kept.record == kEnvelopeRecord && kept.tag == kCodedCharacterSet;
    };
    const auto held = std::find_if(other_records_.begin(), other_records_.end(), declaration);
    if (held != other_records_.end()) {
        held->display = kUtf8Escape;
        return;
    }
    TTagEntry entry;
    entry.record = kEnvelopeRecord;
    entry.tag = kCodedCharacterSet;
    entry.display = kUtf8Escape;
    // In the envelope record's order of dataset numbers.
    const auto after =
        std::find_if(other_records_.begin(), other_records_.end(), [](const TTagEntry& kept) {
            return kept.record > kEnvelopeRecord ||
                   (kept.record == kEnvelopeRecord && kept.tag > kCodedCharacterSet);
        });
    other_records_.insert(after, std::move(entry));
}

int TIPTCdata::SetTagText(std::string_view name, std::string_view text) {
    std::optional<std::string> data = DataOf(text);
    if (!data) {
        DeclareUtf8();
        data = DataOf(text);
    }
    return SetTagValue(name, *data);
}

std::string TIPTCdata::BuildSegment() const {
    struct Encoded {
        uint16_t record;
        std::string bytes;
    };
    std::vector<Encoded> datasets;
    for (const TTagEntry& kept : other_records_) {
        datasets.push_back({kept.record, EncodeEntry(kept)});
    }
    datasets.push_back({2, EncodeDataset(2, 0, std::string_view("\0\2", 2))});
    for (const TTagEntry& entry : entries_) datasets.push_back({entry.record, EncodeEntry(entry)});
    // Readers expect the records in ascending order.
    std::stable_sort(datasets.begin(), datasets.end(),
                     [](const Encoded& a, const Encoded& b) { return a.record < b.record; });
    std::string data;
    for (const Encoded& dataset : datasets) data += dataset.bytes;
    // The padding byte goes inside the resource, so that its size is even.
    if (data.size() % 2 != 0) data.push_back('\0');

    // A digest of other data would make readers take the datasets for stale.
    const bool changed = data != iptc_read_;
    const auto kept = [&](const std::string& resources) {
        return changed ? WithoutResource(resources, kIptcDigestResource) : resources;
    };
    const std::string before = kept(resources_before_);
    const std::string after = kept(resources_after_);
    std::string payload(kSignature);
    payload += before;
    AppendResourceHeader(payload, kIptcResource, data.size());
    payload += data;
    // A segment of our own making ends with an empty URL resource; one read
    // keeps its own resources and gets nothing more.
    if (before.empty() && after.empty()) AppendResourceHeader(payload, kUrlResource, 0);
    payload += after;
    return payload;
}

void TIPTCdata::WriteToFile(const std::string& target, const std::string& source) {
    platform::JpegImage picture;
    picture.LoadFromFile(source.empty() ? target : source);
    owner_.SetIptcSegment(BuildSegment());
    // A keyword save leaves the EXIF data as it is, even where its picture
    // size disagrees with the picture's.
    owner_.SaveJpegWithMetadata(picture, target, false);
}

}  // namespace metadata
