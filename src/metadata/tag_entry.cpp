#include "metadata/tag_entry.h"

#include <array>

#include "metadata/tag_tables.h"

namespace metadata {

int TypeSize(uint32_t type) {
    static constexpr std::array<int, 13> kSizes = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < kSizes.size() ? kSizes[type] : 0;
}

TTagEntry EntryOf(const TagRow& row, bool spaced) {
    TTagEntry entry;
    entry.record = row.record;
    entry.tag = row.tag;
    entry.name = row.name;
    if (spaced) {
        entry.description = BuildTagDescriptions(row);
    } else if (!row.description.empty()) {
        entry.description = row.description;
    } else {
        entry.description = row.name;
    }
    entry.code_list = row.codes;
    entry.format = row.format;
    entry.size = row.size;
    entry.callback = row.callback;
    entry.scale = row.scale;
    return entry;
}

}  // namespace metadata
