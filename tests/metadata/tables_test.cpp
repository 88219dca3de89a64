#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "metadata/tag_tables.h"
#include "metadata/value_format.h"
#include "platform/core/text.h"
#include "test_support.h"

namespace metadata {
namespace {

using testing_support::HaveProgram;
using testing_support::Run;

const TagRow& RowNamed(std::span<const TagRow> rows, std::string_view name) {
    static const TagRow kNone;
    const auto row = std::ranges::find(rows, name, &TagRow::name);
    if (row == rows.end()) {
        ADD_FAILURE() << name << " is not in the table";
        return kNone;
    }
    return *row;
}

TEST(TagTables, HaveTheirRowCountsAndTheUnknownRowLast) {
    EXPECT_EQ(MainTable().size(), 251u);
    EXPECT_EQ(GpsTable().size(), 31u);
    EXPECT_EQ(IptcTable().size(), 49u);
    const std::pair<MakerTable, size_t> makers[] = {
        {MakerTable::NikonOlder, 11}, {MakerTable::NikonNewer, 28}, {MakerTable::Olympus, 33},
        {MakerTable::CasioFirst, 26}, {MakerTable::CasioQvc, 45},   {MakerTable::Fujifilm, 18},
        {MakerTable::Canon, 16},      {MakerTable::Seiko, 12},      {MakerTable::Sanyo, 6},
        {MakerTable::Minolta, 2}};
    for (const auto& [table, rows] : makers) {
        EXPECT_EQ(Table(table).size(), rows) << static_cast<int>(table);
    }

    const TagRow& last = MainTable().back();
    EXPECT_EQ(last.tag, 0);
    EXPECT_EQ(last.name, "Unknown");
    const TTagEntry unknown = UnknownTag();
    EXPECT_EQ(unknown.tag, 0);
    EXPECT_EQ(unknown.name, "Unknown");
    EXPECT_EQ(unknown.description, "Unknown");
}

TEST(TagTables, MainIdsAscendAndThirteenNamesComeTwiceFirstFound) {
    const auto known = MainTable().first(250);
    for (size_t i = 1; i < known.size(); ++i) {
        EXPECT_LT(known[i - 1].tag, known[i].tag) << known[i].name;
    }

    std::map<std::string_view, std::vector<uint16_t>> ids;
    for (const TagRow& row : known) ids[row.name].push_back(row.tag);
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

TEST(TagTables, LookupsByNameIgnoreCaseAndSkipTheUnknownRow) {
    EXPECT_EQ(IndexOfTagDefinition("exposuretime"), IndexOfTagDefinition("ExposureTime"));
    EXPECT_EQ(MainTable()[static_cast<size_t>(IndexOfTagDefinition("exposuretime"))].tag, 0x829A);
    // The table spells it with a lower-case "in"; either spelling finds it.
    const int focal = IndexOfTagDefinition("FocalLengthIn35mmFilm");
    ASSERT_GE(focal, 0);
    EXPECT_EQ(MainTable()[static_cast<size_t>(focal)].name, "FocalLengthin35mmFilm");
    EXPECT_EQ(IndexOfTagDefinition("Unknown"), -1);
    EXPECT_EQ(IndexOfTagDefinition(""), -1);
    EXPECT_EQ(IndexOfTagDefinition("InteroperabilityIndex"), 0);
    EXPECT_EQ(IndexOfTagDefinition("imageuniqueid"), 249);
}

TEST(TagTables, LookupsByIdDependOnTheDirectoryKind) {
    const auto differential = FindTagDefinition(0x001E, kGpsDirectory);
    ASSERT_TRUE(differential);
    EXPECT_EQ(differential->name, "GPSDifferential");
    EXPECT_FALSE(FindTagDefinition(0x001E, kMainDirectory));
    EXPECT_FALSE(FindTagDefinition(0x9286, 3));
    EXPECT_EQ(FindTagDefinition(0x9286, kThumbnailDirectory)->name, "UserComment");

    // A tag 0 is a real GPS tag, told apart from "not found".
    const auto version = FindTagDefinition(0x0000, kGpsDirectory);
    ASSERT_TRUE(version);
    EXPECT_EQ(version->name, "GPSVersionID");
    EXPECT_EQ(version->tag, 0);
    EXPECT_FALSE(FindTagDefinition(0x0000, kMainDirectory));

    EXPECT_EQ(FindTagDefinition(0x0001, kMainDirectory)->name, "InteroperabilityIndex");
    EXPECT_EQ(FindTagDefinition(0xA420, kMainDirectory)->name, "ImageUniqueID");
    EXPECT_EQ(FindTagDefinition(0x0001, kGpsDirectory)->name, "GPSLatitudeRef");
    EXPECT_FALSE(FindTagDefinition(0xFFFF, kMainDirectory));
    EXPECT_FALSE(FindTagDefinition(0x001F, kGpsDirectory));
}

TEST(TagTables, EntriesCarryTheirColumnsAndDescriptionsFromTheNames) {
    const auto exposure = *FindTagDefinition(0x829A, kMainDirectory);
    EXPECT_EQ(exposure.description, "Exposure Time");
    EXPECT_EQ(exposure.format, "%s sec");
    EXPECT_EQ(exposure.table_id, 0);
    EXPECT_EQ(exposure.tiff_type, 0);
    EXPECT_EQ(FindTagDefinition(0xA405, kMainDirectory)->description, "Focal Length in 35mm Film");
    EXPECT_EQ(FindTagDefinition(0xA405, kMainDirectory)->format, "%5.2f mm");
    EXPECT_EQ(FindTagDefinition(0x83BB, kMainDirectory)->description, "IPTC/NAA");
    EXPECT_EQ(FindTagDefinition(0xA216, kMainDirectory)->description, "TIFF/EPStandardID");
    EXPECT_EQ(FindTagDefinition(0x0001, kGpsDirectory)->description, "GPSLatitude Ref");
    EXPECT_EQ(FindTagDefinition(0x9209, kMainDirectory)->callback, Callback::DecodeFlash);
    EXPECT_EQ(FindTagDefinition(0x0002, kGpsDirectory)->callback, Callback::FormatGpsCoordinate);
    EXPECT_EQ(FindTagDefinition(0x9C9E, kMainDirectory)->callback, Callback::DecodeWideText);

    EXPECT_EQ(SpaceOutName("ExposureTime"), "Exposure Time");
    EXPECT_EQ(SpaceOutName("GPSLatitudeRef"), "GPSLatitude Ref");
    EXPECT_EQ(SpaceOutName("ISOSpeedRatings"), "ISOSpeed Ratings");
    EXPECT_EQ(SpaceOutName("XResolution"), "XResolution");
    EXPECT_EQ(SpaceOutName("T4Options"), "T4 Options");
    EXPECT_EQ(SpaceOutName(""), "");

    // Maker rows without a description of their own show their name.
    const TTagEntry owner = EntryOf(Table(MakerTable::Canon)[8], false);
    EXPECT_EQ(owner.name, "OwnerName");
    EXPECT_EQ(owner.description, "OwnerName");
    const TTagEntry keywords = EntryOf(IptcTable()[11], false);
    EXPECT_EQ(keywords.name, "Keywords");
    EXPECT_EQ(keywords.record, 2);
    EXPECT_EQ(keywords.tag, 25);
    EXPECT_EQ(keywords.size, 64);
}

TEST(TagTables, CodeListsHoldTheTextsTheWindowsCompare) {
    const auto decode = [](std::string_view name, std::string_view value) {
        return DecodeCode(RowNamed(MainTable(), name).codes, value);
    };
    EXPECT_EQ(decode("ExposureProgram", "0"), "Unidentified");
    EXPECT_EQ(decode("ExposureProgram", "2"), "Normal");
    EXPECT_EQ(decode("ExposureProgram", "3"), "Aperture priority");
    EXPECT_EQ(decode("ExposureProgram", "5"), "Creative(slow)");
    EXPECT_EQ(decode("ExposureProgram", "6"), "Action(high-speed)");
    EXPECT_EQ(decode("ExposureProgram", "7"), "Portrait mode");
    EXPECT_EQ(decode("ExposureProgram", "8"), "Landscape mode");
    EXPECT_EQ(decode("Orientation", "1"), "Normal");
    EXPECT_EQ(decode("Orientation", "3"), "Rotated 180°");
    EXPECT_EQ(decode("Orientation", "6"), "CounterClockwise 90°");
    EXPECT_EQ(decode("Orientation", "8"), "Clockwise 90°");
    EXPECT_EQ(decode("Orientation", "2"), "");
    EXPECT_EQ(decode("Compression", "6"), "Jpeg");
    EXPECT_EQ(decode("PhotometricInterpretation", "2"), "RGB");
    EXPECT_EQ(decode("LightSource", "1"), "Daylight");
    EXPECT_EQ(decode("LightSource", "10"), "Flash");
    EXPECT_EQ(RowNamed(MainTable(), "GrayReponseUnit").tag, 0x0122);
    EXPECT_EQ(RowNamed(GpsTable(), "GPSDestBearingkRef").tag, 0x0017);

    EXPECT_EQ(RowNamed(Table(MakerTable::Canon), "OwnerName").tag, 0x0009);
    EXPECT_EQ(RowNamed(Table(MakerTable::Canon), "CameraSerialNumber").tag, 0x000C);
}

TEST(TagTables, MakerLookupsFindTheFirstRowAndTheLastCodeList) {
    // The first row of a table is found: an index of 0 is not "absent".
    EXPECT_EQ(IndexOfTagInTable(0x0000, MakerTable::Fujifilm), 0);
    EXPECT_EQ(IndexOfTagInTable(0x0000, MakerTable::Minolta), 0);
    EXPECT_EQ(IndexOfTagInTable(0x0001, MakerTable::NikonNewer), 0);
    EXPECT_EQ(IndexOfTagInTable(0x0E00, MakerTable::Minolta), 1);
    EXPECT_EQ(IndexOfTagInTable(0x0F00, MakerTable::Seiko), 11);
    EXPECT_EQ(IndexOfTagInTable(0x0001, MakerTable::Fujifilm), -1);
    // Casio lists 0x2013 before 0x2012.
    EXPECT_EQ(IndexOfTagInTable(0x2013, MakerTable::CasioQvc), 18);
    EXPECT_EQ(IndexOfTagInTable(0x2012, MakerTable::CasioQvc), 19);

    EXPECT_EQ(FindTagInTable(0x0003, MakerTable::NikonOlder),
              "1:Vga Basic,2:Vga Normal,3:Vga Fine,4:SXGA Basic,5:SXGA Normal,6:SXGA Fine,"
              "10:2 Mpixel Basic,11:2 Mpixel Normal,12:2 Mpixel Fine");
    EXPECT_EQ(FindTagInTable(0x2012, MakerTable::CasioQvc), "0:Manual,1:Auto,4:Flash,12:Flash");
    EXPECT_EQ(FindTagInTable(0x0004, MakerTable::NikonNewer), "");
    EXPECT_EQ(FindTagInTable(0x7777, MakerTable::Olympus), "");

    for (const MakerTable table :
         {MakerTable::NikonOlder, MakerTable::NikonNewer, MakerTable::Olympus,
          MakerTable::CasioFirst, MakerTable::CasioQvc, MakerTable::Fujifilm, MakerTable::Canon,
          MakerTable::Seiko, MakerTable::Sanyo, MakerTable::Minolta}) {
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
    EXPECT_EQ(IndexOfIptcDefinition("Subfile"), 48);
    EXPECT_EQ(IndexOfIptcDefinition("Unknown"), -1);
    EXPECT_EQ(IndexOfIptcDataset(2, 25), 11);
    EXPECT_EQ(IndexOfIptcDataset(8, 10), 48);
    EXPECT_EQ(IndexOfIptcDataset(2, 10), 6);
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

// The text between `key` + "='" and the next "'" of a line; empty when absent.
std::string Attribute(const std::string& line, const std::string& key) {
    const size_t begin = line.find(key + "='");
    if (begin == std::string::npos) return {};
    const size_t value = begin + key.size() + 2;
    return line.substr(value, line.find('\'', value) - value);
}

// The numeric id and the name of every tag of ExifTool's tag list for a group,
// by table.
std::map<std::string, std::vector<std::pair<int, std::string>>> ExifToolTags(
    const std::string& group) {
    std::string xml;
    EXPECT_EQ(Run("exiftool -listx -" + group + ":all", &xml), 0);
    std::map<std::string, std::vector<std::pair<int, std::string>>> tables;
    std::string table;
    for (size_t begin = 0; begin < xml.size();) {
        size_t end = xml.find('\n', begin);
        if (end == std::string::npos) end = xml.size();
        const std::string line = xml.substr(begin, end - begin);
        if (line.starts_with("<table ")) {
            table = Attribute(line, "name");
        } else if (const std::string id = Attribute(line, "id");
                   line.starts_with(" <tag ") && !id.empty() && std::isdigit(id[0]) != 0) {
            tables[table].emplace_back(std::stoi(id), Attribute(line, "name"));
        }
        begin = end + 1;
    }
    return tables;
}

TEST(TagTablesAgainstExifTool, MainAndGpsIdsAgreeWhereTheNamesDo) {
    if (!HaveProgram("exiftool")) GTEST_SKIP() << "exiftool is not installed";
    const auto exif = ExifToolTags("exif");
    ASSERT_TRUE(exif.contains("Exif::Main"));
    std::map<std::string, std::set<int>> ids_by_name;
    for (const auto& [id, name] : exif.at("Exif::Main")) {
        ids_by_name[platform::UpperCase(name)].insert(id);
    }
    // Rows whose id differs from ExifTool's for the same name, kept as the
    // tables have always had them.
    const std::set<std::string_view> kept = {"SubfileType", "Gamma", "CFAPattern",
                                             "SubjectLocation", "ImageSourceData"};
    int compared = 0;
    for (const TagRow& row : MainTable().first(250)) {
        const auto known = ids_by_name.find(platform::UpperCase(row.name));
        if (known == ids_by_name.end()) continue;
        ++compared;
        if (kept.contains(row.name)) continue;
        EXPECT_TRUE(known->second.contains(row.tag)) << row.name;
    }
    EXPECT_GT(compared, 140);

    // The GPS directory's table comes with the EXIF group.
    ASSERT_TRUE(exif.contains("GPS::Main"));
    const std::map<int, std::string> gps_names(exif.at("GPS::Main").begin(),
                                               exif.at("GPS::Main").end());
    const std::map<std::string_view, std::string> other_names = {
        {"GPSImageDirectionRef", "GPSImgDirectionRef"},
        {"GPSImageDirection", "GPSImgDirection"},
        {"GPSDestBearingkRef", "GPSDestBearingRef"},
        {"GPSProcessingMode", "GPSProcessingMethod"}};
    for (const TagRow& row : GpsTable()) {
        const auto other = other_names.find(row.name);
        const std::string expected =
            other != other_names.end() ? other->second : std::string(row.name);
        ASSERT_TRUE(gps_names.contains(row.tag)) << row.name;
        EXPECT_EQ(gps_names.at(row.tag), expected) << row.tag;
    }
}

TEST(TagTablesAgainstExifTool, IptcDatasetsAreOnesTheRecordsDefine) {
    if (!HaveProgram("exiftool")) GTEST_SKIP() << "exiftool is not installed";
    const auto iptc = ExifToolTags("iptc");
    const std::map<uint16_t, std::string> records = {{2, "IPTC::ApplicationRecord"},
                                                     {8, "IPTC::ObjectData"}};
    for (const TagRow& row : IptcTable()) {
        ASSERT_TRUE(records.contains(row.record)) << row.name;
        const auto& datasets = iptc.at(records.at(row.record));
        const bool defined = std::ranges::any_of(
            datasets, [&](const auto& dataset) { return dataset.first == row.tag; });
        EXPECT_TRUE(defined) << row.record << ":" << row.tag << " " << row.name;
    }
}

}  // namespace
}  // namespace metadata
