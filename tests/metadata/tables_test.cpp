#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "metadata/tag_tables.h"
#include "metadata/value_format.h"

namespace metadata {
namespace {

const TagRow& RowNamed(std::span<const TagRow> rows, std::string_view name) {
    static const TagRow kNone;
    const auto row = std::ranges::find(rows, name, &TagRow::name);
    if (row == rows.end()) ADD_FAILURE() << name << " is not in the table";
    return row == rows.end() ? kNone : *row;
}

constexpr MakerTable kMakers[] = {
    MakerTable::NikonOlder, MakerTable::NikonNewer, MakerTable::Olympus, MakerTable::CasioFirst,
    MakerTable::CasioQvc,   MakerTable::Fujifilm,   MakerTable::Canon,   MakerTable::Seiko,
    MakerTable::Sanyo,      MakerTable::Minolta};

TEST(TagTables, HaveTheirRowCountsAndTheUnknownRowLast) {
    EXPECT_EQ(MainTable().size(), 251u);
    EXPECT_EQ(GpsTable().size(), 31u);
    EXPECT_EQ(IptcTable().size(), 49u);
    const size_t maker_rows[] = {11, 28, 33, 26, 45, 18, 16, 12, 6, 2};
    for (size_t i = 0; i < std::size(kMakers); ++i) {
        EXPECT_EQ(Table(kMakers[i]).size(), maker_rows[i]) << i;
    }
    EXPECT_EQ(MainTable().back().tag, 0);
    EXPECT_EQ(MainTable().back().name, "Unknown");
    EXPECT_EQ(UnknownTag().description, "Unknown");
}

TEST(TagTables, MainIdsAscendAndThirteenNamesComeTwiceFirstFound) {
    const auto known = MainTable().first(250);
    std::map<std::string_view, std::vector<uint16_t>> ids;
    for (size_t i = 0; i < known.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(known[i - 1].tag, known[i].tag) << known[i].name;
        }
        ids[known[i].name].push_back(known[i].tag);
    }
    std::set<std::string_view> repeated;
    for (const auto& [name, tags] : ids) {
        if (tags.size() > 1) repeated.insert(name);
    }
    const std::set<std::string_view> expected = {
        "FlashEnergy",   "SpatialFrequencyResponse", "FocalPlaneXResolution",
        "ImageNumber",   "FocalPlaneYResolution",    "FocalPlaneResolutionUnit",
        "ImageHistory",  "SecurityClassification",   "SubjectLocation",
        "ExposureIndex", "TIFF/EPStandardID",        "SensingMethod",
        "CFAPattern"};
    EXPECT_EQ(repeated, expected);
    for (const std::string_view name : expected) {
        ASSERT_EQ(ids[name].size(), 2u) << name;
        const int index = IndexOfTagDefinition(name);
        ASSERT_GE(index, 0) << name;
        EXPECT_EQ(MainTable()[static_cast<size_t>(index)].tag, ids[name].front()) << name;
        // A lookup by id still tells the two forms apart.
        EXPECT_EQ(FindTagDefinition(ids[name].back(), kMainDirectory)->name, name);
    }
}

TEST(TagTables, LookupsIgnoreCaseSkipTheUnknownRowAndDependOnTheDirectoryKind) {
    // The table spells it with a lower-case "in"; either spelling finds it.
    const int focal = IndexOfTagDefinition("FocalLengthIn35mmFilm");
    ASSERT_GE(focal, 0);
    EXPECT_EQ(MainTable()[static_cast<size_t>(focal)].name, "FocalLengthin35mmFilm");
    EXPECT_EQ(IndexOfTagDefinition("Unknown"), -1);
    EXPECT_EQ(IndexOfTagDefinition("InteroperabilityIndex"), 0);
    EXPECT_EQ(IndexOfTagDefinition("imageuniqueid"), 249);

    EXPECT_EQ(FindTagDefinition(0x001E, kGpsDirectory)->name, "GPSDifferential");
    EXPECT_FALSE(FindTagDefinition(0x001E, kMainDirectory));
    EXPECT_FALSE(FindTagDefinition(0x9286, 3));
    EXPECT_EQ(FindTagDefinition(0x9286, kThumbnailDirectory)->name, "UserComment");
    // A tag 0 is a real GPS tag, told apart from "not found".
    EXPECT_EQ(FindTagDefinition(0x0000, kGpsDirectory)->name, "GPSVersionID");
    EXPECT_FALSE(FindTagDefinition(0x0000, kMainDirectory));
    EXPECT_EQ(FindTagDefinition(0xA420, kMainDirectory)->name, "ImageUniqueID");
    EXPECT_FALSE(FindTagDefinition(0xFFFF, kMainDirectory));
    EXPECT_FALSE(FindTagDefinition(0x001F, kGpsDirectory));
}

TEST(TagTables, EntriesCarryTheirColumnsAndDescriptionsFromTheNames) {
    const auto exposure = *FindTagDefinition(0x829A, kMainDirectory);
    EXPECT_EQ(exposure.description, "Exposure Time");
    EXPECT_EQ(exposure.format, "%s sec");
    EXPECT_EQ(FindTagDefinition(0xA405, kMainDirectory)->description, "Focal Length in 35mm Film");
    EXPECT_EQ(FindTagDefinition(0xA216, kMainDirectory)->description, "TIFF/EPStandardID");
    EXPECT_EQ(FindTagDefinition(0x0001, kGpsDirectory)->description, "GPSLatitude Ref");
    EXPECT_EQ(FindTagDefinition(0x0002, kGpsDirectory)->callback, Callback::FormatGpsCoordinate);
    EXPECT_EQ(FindTagDefinition(0x9C9E, kMainDirectory)->callback, Callback::DecodeWideText);
    EXPECT_EQ(SpaceOutName("ISOSpeedRatings"), "ISOSpeed Ratings");
    EXPECT_EQ(SpaceOutName("T4Options"), "T4 Options");

    // Maker rows without a description of their own show their name.
    const TTagEntry owner = EntryOf(Table(MakerTable::Canon)[8], false);
    EXPECT_EQ(owner.name + "|" + owner.description, "OwnerName|OwnerName");
    const TTagEntry keywords = EntryOf(IptcTable()[11], false);
    EXPECT_EQ(keywords.name, "Keywords");
    EXPECT_EQ(keywords.record * 1000 + keywords.tag, 2025);
    EXPECT_EQ(keywords.size, 64);
}

TEST(TagTables, CodeListsHoldTheTextsTheWindowsCompare) {
    const auto decode = [](std::string_view name, std::string_view value) {
        return DecodeCode(RowNamed(MainTable(), name).codes, value);
    };
    const char* programmes[] = {"Unidentified",       "Manual",           "Normal",
                                "Aperture priority",  "Shutter priority", "Creative(slow)",
                                "Action(high-speed)", "Portrait mode",    "Landscape mode"};
    for (size_t i = 0; i < std::size(programmes); ++i) {
        EXPECT_EQ(decode("ExposureProgram", std::to_string(i)), programmes[i]);
    }
    EXPECT_EQ(decode("Orientation", "3"), "Rotated 180°");
    EXPECT_EQ(decode("Orientation", "6"), "CounterClockwise 90°");
    EXPECT_EQ(decode("Orientation", "8"), "Clockwise 90°");
    EXPECT_EQ(decode("Orientation", "2"), "");
    EXPECT_EQ(decode("LightSource", "10"), "Flash");
    EXPECT_EQ(RowNamed(MainTable(), "GrayReponseUnit").tag, 0x0122);
    EXPECT_EQ(RowNamed(GpsTable(), "GPSDestBearingkRef").tag, 0x0017);
    EXPECT_EQ(RowNamed(Table(MakerTable::Canon), "CameraSerialNumber").tag, 0x000C);
}

TEST(TagTables, MakerLookupsFindTheFirstRowAndTheLastCodeList) {
    // The first row of a table is found: an index of 0 is not "absent".
    EXPECT_EQ(IndexOfTagInTable(0x0000, MakerTable::Minolta), 0);
    EXPECT_EQ(IndexOfTagInTable(0x0001, MakerTable::NikonNewer), 0);
    EXPECT_EQ(IndexOfTagInTable(0x0001, MakerTable::Fujifilm), -1);
    // Casio lists 0x2013 before 0x2012.
    EXPECT_EQ(IndexOfTagInTable(0x2013, MakerTable::CasioQvc), 18);
    EXPECT_EQ(IndexOfTagInTable(0x2012, MakerTable::CasioQvc), 19);
    EXPECT_EQ(FindTagInTable(0x0003, MakerTable::NikonOlder),
              "1:Vga Basic,2:Vga Normal,3:Vga Fine,4:SXGA Basic,5:SXGA Normal,6:SXGA Fine,"
              "10:2 Mpixel Basic,11:2 Mpixel Normal,12:2 Mpixel Fine");
    EXPECT_EQ(FindTagInTable(0x2012, MakerTable::CasioQvc), "0:Manual,1:Auto,4:Flash,12:Flash");
    EXPECT_EQ(FindTagInTable(0x7777, MakerTable::Olympus), "");
    for (const MakerTable table : kMakers) {
        const auto rows = Table(table);
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(IndexOfTagInTable(rows[i].tag, table), static_cast<int>(i))
                << rows[i].name << ": a maker tag comes once";
        }
    }
}

TEST(TagTables, IptcRowsAreFoundByNameAndByDataset) {
    EXPECT_EQ(IndexOfIptcDefinition("keywords"), 11);
    EXPECT_EQ(IndexOfIptcDefinition("SKIP"), 0);
    EXPECT_EQ(IndexOfIptcDefinition("Unknown"), -1);
    EXPECT_EQ(IndexOfIptcDataset(8, 10), 48);
    EXPECT_EQ(IndexOfIptcDataset(2, 0), 0);
    EXPECT_EQ(IndexOfIptcDataset(1, 90), -1);
    EXPECT_EQ(RowNamed(IptcTable(), "SuppCategory").description, "Supplemental category");
    EXPECT_EQ(RowNamed(IptcTable(), "ImageCaption").size, 2000);
    // Record 2 first, datasets ascending within a record.
    for (size_t i = 1; i < IptcTable().size(); ++i) {
        const TagRow& a = IptcTable()[i - 1];
        const TagRow& b = IptcTable()[i];
        EXPECT_LT(std::pair(a.record, a.tag), std::pair(b.record, b.tag)) << b.name;
    }
}

}  // namespace
}  // namespace metadata
