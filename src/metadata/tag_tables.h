// The tag tables: the main EXIF/TIFF table, the GPS table, the IPTC dataset
// table and the ten camera maker tables, and the lookups in them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "metadata/tag_entry.h"

namespace metadata {

// Directory kinds of a walk.
enum DirectoryKind : int { kMainDirectory = 1, kGpsDirectory = 2, kThumbnailDirectory = 4 };

enum class MakerTable : uint8_t {
    NikonNewer,
    NikonOlder,
    Olympus,
    CasioFirst,
    CasioQvc,
    Fujifilm,
    Canon,
    Seiko,
    Sanyo,
    Minolta,
};

std::span<const TagRow> MainTable();  // 251 rows, "Unknown" (tag 0) last
std::span<const TagRow> GpsTable();   // 31 rows
std::span<const TagRow> IptcTable();  // 49 rows, "SKIP" (2:0) first
std::span<const TagRow> Table(MakerTable table);

// "ExposureTime" -> "Exposure Time": a blank before each capital that follows
// a character that is not a capital.
std::string SpaceOutName(std::string_view name);

// The description column of the main and GPS tables: a row's own text, or
// its name spaced out. Filled as each entry is made, so that the tables stay
// constant data.
std::string BuildTagDescriptions(const TagRow& row);

// The index of the first main-table row (the "Unknown" row excluded) whose
// name equals `name` ignoring case; -1 when none.
int IndexOfTagDefinition(std::string_view name);

// The row describing `tag` in a directory of `kind` (the GPS table for GPS
// directories, the main table for main and thumbnail ones, nothing for any
// other kind); the last matching row wins. Nothing when the tag is not known,
// so that a known tag 0 (GPSVersionID) is told apart from an unknown one.
std::optional<TTagEntry> FindTagDefinition(uint16_t tag, int kind);

// The entry of the main table's "Unknown" row.
TTagEntry UnknownTag();

// The index of the first row of a maker table with that tag; -1 when none.
int IndexOfTagInTable(uint16_t tag, MakerTable table);
// The code list of the last row of a maker table with that tag; empty when none.
std::string_view FindTagInTable(uint16_t tag, MakerTable table);

// The index of the IPTC row with that name (ignoring case), or with that
// record and dataset; -1 when none.
int IndexOfIptcDefinition(std::string_view name);
int IndexOfIptcDataset(uint16_t record, uint16_t dataset);

}  // namespace metadata
