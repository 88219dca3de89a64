// The directory walk and the segment reader, against ExifTool on camera files
// and on files it writes, and on hand-made EXIF data for the faults a file
// may hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <utility>

#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "pictures.h"
#include "test_support.h"
#include "tiff_builder.h"

namespace metadata {
namespace {

using namespace testing_support;

using namespace testing;

// A JPEG stream of these segments; what follows the start of scan is not metadata.
std::string Jpeg(const std::vector<std::string>& segments, const std::string& after_scan = {}) {
    std::string jpeg = "\xFF\xD8";
    for (const std::string& s : segments) jpeg += s;
    return jpeg + "\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00" + after_scan + "\xFF\xD9";
}

bool Read(TimgData& data, const std::string& jpeg) {
    return data.ReadJpegBytes({reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size()});
}

const TImageInfo& Walk(TimgData& data, const Tiff& tiff) {
    EXPECT_TRUE(Read(data, Jpeg({ExifSegment(tiff.Bytes())})));
    EXPECT_NE(data.ExifObj(), nullptr);
    return *data.ExifObj();
}

std::vector<std::string> Listed(const TImageInfo& info, const std::string& name) {
    std::vector<std::string> values;
    for (const TTagEntry& entry : info.Tags()) {
        if (entry.name == name) values.push_back(entry.display);
    }
    return values;
}

// The values shown for these tags, each followed by "|".
std::string Shown(const TImageInfo& info, std::initializer_list<const char*> names) {
    std::string shown;
    for (const char* name : names) shown += info.TagValue(name) + "|";
    return shown;
}

// "48 Degrees 51 Minutes 24 Seconds" as degrees.
double Degrees(const std::string& text) {
    double d = 0, m = 0, s = 0;
    EXPECT_EQ(std::sscanf(text.c_str(), "%lf Degrees %lf Minutes %lf Seconds", &d, &m, &s), 3)
        << text;
    return d + m / 60 + s / 3600;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

enum class Kind { Text, Number, Position, Aperture };
struct Compared {
    const char* exiftool;
    const char* ours;
    Kind kind;
};
constexpr Compared kCompared[] = {
    {"EXIF:Make", "Make", Kind::Text},
    {"EXIF:Model", "Model", Kind::Text},
    {"EXIF:DateTimeOriginal", "DateTimeOriginal", Kind::Text},
    {"EXIF:ExposureTime", "ExposureTime", Kind::Number},
    {"EXIF:FNumber", "FNumber", Kind::Number},
    {"EXIF:ApertureValue", "ApertureValue", Kind::Aperture},
    {"EXIF:MaxApertureValue", "MaxApertureValue", Kind::Aperture},
    {"EXIF:ISO", "ISOSpeedRatings", Kind::Number},
    {"EXIF:FocalLength", "FocalLength", Kind::Number},
    {"EXIF:Flash", "Flash", Kind::Number},
    {"EXIF:Orientation", "Orientation", Kind::Number},
    {"GPS:GPSLatitude", "GPSLatitude", Kind::Position},
    {"GPS:GPSLongitude", "GPSLongitude", Kind::Position},
};

// Reads each file and compares the shooting data with ExifTool's reading.
void CompareWithExifTool(const std::vector<std::string>& files) {
    std::string command = "exiftool -n -T -f";
    for (const Compared& c : kCompared) command += std::string(" -") + c.exiftool;
    for (const std::string& file : files) command += " " + ShellQuote(file);
    std::string output;
    ASSERT_EQ(Run(command, &output), 0);
    const std::vector<std::string> lines = Split(output);
    ASSERT_EQ(lines.size(), files.size());
    for (size_t f = 0; f < files.size(); ++f) {
        SCOPED_TRACE(files[f]);
        TimgData data;
        data.ReadPictureFile(files[f]);
        const TImageInfo* info = data.ExifObj();
        const std::vector<std::string> theirs = Split(lines[f], '\t');
        ASSERT_EQ(theirs.size(), std::size(kCompared));
        for (size_t i = 0; i < theirs.size(); ++i) {
            const Compared& c = kCompared[i];
            SCOPED_TRACE(c.ours);
            if (theirs[i] == "-") {
                EXPECT_TRUE(info == nullptr || info->IndexOfTag(c.ours) < 0);
                continue;
            }
            ASSERT_TRUE(info != nullptr && info->IndexOfTag(c.ours) >= 0);
            const std::string ours = info->TagValue(c.ours);
            if (c.kind == Kind::Text) {
                EXPECT_EQ(Trimmed(ours), Trimmed(theirs[i]));
            } else if (c.kind == Kind::Number) {
                const double expected = std::stod(theirs[i]);
                EXPECT_NEAR(info->TagValueAsFloat(c.ours), expected, 1e-6 * expected);
            } else if (c.kind == Kind::Aperture) {
                // ExifTool's number is the f-number; ours is shown to a tenth.
                std::array<char, 32> tenth{};
                std::snprintf(tenth.data(), tenth.size(), "F%.1f", std::stod(theirs[i]));
                std::string expected = tenth.data();
                std::replace(expected.begin(), expected.end(), '.', ',');
                EXPECT_EQ(ours, expected);
            } else {
                EXPECT_NEAR(Degrees(ours), std::stod(theirs[i]), 0.5 / 3600);
            }
        }
        if (info && info->IndexOfTag("Flash") >= 0) {
            EXPECT_EQ(info->Flash, info->TagValueAsInteger("Flash"));
        }
    }
}

TEST(ExifAgainstExifTool, CameraFilesAgree) {
    REQUIRE_PROGRAM("exiftool");
    std::vector<std::string> files;
    for (const char* folder : {"exif-samples/jpg/exif-org", "exif-samples/jpg/orientation"}) {
        for (const auto& item : std::filesystem::directory_iterator(TestData(folder))) {
            if (item.path().extension() == ".jpg") files.push_back(item.path().string());
        }
    }
    ASSERT_FALSE(files.empty());
    CompareWithExifTool(files);
}

TEST(ExifAgainstExifTool, FilesExifToolWritesInBothByteOrders) {
    REQUIRE_PROGRAM("exiftool");
    TempDir dir;
    for (const std::string order : {"II", "MM"}) {
        SCOPED_TRACE(order);
        const std::string file = dir / (order + ".jpg");
        WriteJpeg(file, *Pattern(64, 48));
        ASSERT_EQ(ExifToolWrite(
                      "-ExifByteOrder=" + order +
                          " -Make=Testa '-Model=Modèle X' '-DateTimeOriginal=2023:05:06 07:08:09'"
                          " -ExposureTime=1/250 -FNumber=5.6 -ISO=400 -FocalLength=18"
                          " -EXIF:Flash#=25 -Orientation#=6 -GPSLatitude=48.8566"
                          " -ApertureValue=2.8 -MaxApertureValue=1.4"
                          " -GPSLatitudeRef=N -GPSLongitude=2.3522 -GPSLongitudeRef=W"
                          " '-UserComment=Été ☺ ok'",
                      file),
                  0);
        CompareWithExifTool({file});
        TimgData data;
        ASSERT_TRUE(data.ReadPictureFile(file));
        const TImageInfo& info = *data.ExifObj();
        EXPECT_EQ(info.Motorola(), order == "MM");
        EXPECT_EQ(Shown(info, {"FNumber", "ApertureValue", "MaxApertureValue", "Flash",
                               "GPSLatitude", "UserComment"}),
                  "F5,6|F2,8|F1,4|On, auto mode|48 Degrees 51 Minutes 24 Seconds|Été ☺ ok|");
        EXPECT_EQ(
            info.Comment + "|" + info.CameraMake + "|" + info.CameraModel + "|" + info.DateTime,
            "Été ☺ ok|Testa|Modèle X|2023:05:06 07:08:09");
    }
}

TEST(ExifWalk, LoopsAreWalkedOnceAndNestingStopsBelowEightLevels) {
    for (const bool mm : {false, true}) {
        Tiff tiff(mm);
        const uint32_t ifd0 = tiff.Add({Ascii(0x010F, "Maker"), Long(0x8769, 0, mm),
                                        Long(0x014A, 0, mm), Long(0xA005, 0, mm)});
        const uint32_t exif = tiff.Add({Ascii(0x0110, "Model"), Long(0x8769, ifd0, mm),
                                        Long(0xA005, 0, mm), Long(0x8825, ifd0, mm)});
        for (const uint32_t entry : {1u, 2u, 3u}) tiff.Set32(Tiff::ValueField(ifd0, entry), exif);
        tiff.Set32(Tiff::ValueField(exif, 2), exif);
        TimgData data;
        const TImageInfo& info = Walk(data, tiff);
        EXPECT_EQ(Listed(info, "Make"), std::vector<std::string>{"Maker"});
        EXPECT_EQ(Listed(info, "Model"), std::vector<std::string>{"Model"});
    }

    Tiff tiff(false);
    uint32_t inner = 0;
    for (int level = 10; level >= 0; --level) {
        std::vector<Field> fields{Ascii(0x0131, "level " + std::to_string(level))};
        if (inner != 0) fields.push_back(Long(0xA005, inner, false));
        inner = tiff.Add(fields);
    }
    tiff.Set32(4, inner);
    TimgData data;
    const std::vector<std::string> levels = Listed(Walk(data, tiff), "Software");
    ASSERT_EQ(levels.size(), 9u);
    EXPECT_EQ(levels.back(), "level 8");
}

TEST(ExifWalk, UndecodableEntriesAreSkippedAndTheRestRead) {
    for (const bool mm : {false, true}) {
        Tiff tiff(mm);
        const uint32_t broken = tiff.Add({Ascii(0x0131, "unseen")});
        const uint32_t ifd0 = tiff.Add({
            Ascii(0x010F, "Maker"),
            {0x010E, 0, 4, "abcd"},                           // type 0
            {0x010E, 13, 1, "abcd"},                          // type 13
            {0x010E, kAscii, 0x7FFFFFFF, Number(20, 4, mm)},  // count beyond the data
            {0x010E, kAscii, 0xFFFFFFFF, "abc"},              // negative count
            {0x010E, kAscii, 20, Number(60000, 4, mm)},       // offset beyond the data
            {0x010E, kAscii, 8, Number(0xFFFFFFF8, 4, mm)},   // offset before the header
            {0x010E, kAscii, 0, ""},                          // no value: not listed
            {0x9209, kAscii, 4, std::string("abc\0", 4)},     // the callback fails
            {0xC000, kAscii, 4, std::string("xyz\0", 4)},     // no such tag
            {0x001E, kShort, 1, Number(1, 2, mm)},            // a GPS tag out of place
            Long(0x8769, 60000, mm),                          // sub-directory outside
            Long(0xA005, broken + 2, mm),                     // sub-directory misread
            Ascii(0x0110, "Model"),
        });
        tiff.Set32(4, ifd0);
        TimgData data;
        const TImageInfo& info = Walk(data, tiff);
        std::vector<std::string> names;
        for (const TTagEntry& entry : info.Tags()) names.push_back(entry.name);
        EXPECT_EQ(names, (std::vector<std::string>{"Make", "Flash", "ExifOffset",
                                                   "InteroperabilityOffset", "Model"}));
        EXPECT_EQ(info.TagValue("Flash"), "abc");
    }

    // A directory larger than its area is not read.
    Tiff tiff(false);
    tiff.Add({Ascii(0x010F, "Maker")});
    std::string bytes = tiff.Bytes();
    bytes.replace(8, 2, Number(500, 2, false));
    TimgData owner;
    TImageInfo info(owner, 255);
    info.SetData(std::string(8, '\0') + bytes);
    info.ParseDirectory(17, 9, kMainDirectory, static_cast<int64_t>(bytes.size()) + 2);
    EXPECT_EQ(owner.ErrorText(), "Illegally sized directory");
    EXPECT_TRUE(info.Tags().empty());
}

TEST(ExifWalk, TextsAndNumbersAsTheTablesShowThem) {
    for (const bool mm : {false, true}) {
        SCOPED_TRACE(mm);
        Tiff tiff(mm);
        const uint32_t gps = tiff.Add({{0x0000, kByte, 4, "\2\2\0\0"}, Ascii(0x0001, "N")});
        const uint32_t ifd0 = tiff.Add({
            Ascii(0x010F, "Canon"),
            {0x0110, kAscii, 6,
             "Caf\xE9"
             "AB"},  // no closing NUL, Windows-1252
            {0x0131, kAscii, 6, std::string("Ab\0cd\0", 6)},
            Ascii(0x010E, std::string(80, 'd')),
            {0x9000, kUndefined, 4, "0220"},
            Shorts(0x0102, {8, 8, 8}, mm),
            {0x0115, kSShort, 1, Number(0xFFFF, 2, mm)},
            Long(0x0111, 0x80000000u, mm),
            {0x9204, kSRational, 1, Number(0xFFFFFFFFu, 4, mm) + Number(3, 4, mm)},
            Rational(0x011A, 3000000000u, 1, mm),
            Shorts(0x0128, {2}, mm),
            Long(0x8825, gps, mm),
        });
        tiff.Set32(4, ifd0);
        TimgData data;
        const TImageInfo& info = Walk(data, tiff);
        EXPECT_EQ(Shown(info, {"Model", "Software", "ExifVersion", "BitsPerSample",
                               "SamplesPerPixel", "StripOffsets", "ExposureBiasValue",
                               "ResolutionUnit", "GPSVersionID", "GPSLatitudeRef"}),
                  "CaféAB|Ab|\"0220\"|8, 8, 8|-1|2147483648|-1/3|Inch||N|");
        EXPECT_EQ(info.TagValue("ImageDescription"), std::string(50, 'd'));
        EXPECT_EQ(info.ExifVersion, "0220");
        EXPECT_DOUBLE_EQ(info.TagValueAsFloat("XResolution"), 3e9);
    }

    // At most 128 components are shown.
    TimgData owner;
    TImageInfo info(owner, 255);
    std::string raw;
    for (uint16_t i = 0; i < 200; ++i) raw += Number(i, 2, false);
    EXPECT_TRUE(info.FormatValue(raw, kShort, {}, {}).ends_with(", 126, 127"));
    EXPECT_EQ(ErrorText([&] { info.FormatValue(raw, 13, {}, {}); }),
              "Erreur de vérification d'étendue");
}

TEST(ExifWalk, AnEntryOfTag0IsNotListedButAMakerItemIs) {
    TimgData owner;
    TImageInfo info(owner, 255);
    EXPECT_EQ(info.AddTag(TTagEntry{}), -1);
    EXPECT_EQ(info.AddThumbnailTag(TTagEntry{}), -1);
    EXPECT_EQ(info.AddMakerTag("Long focal", "300", kAscii), 0);
    EXPECT_EQ(info.AddTag(TTagEntry{}), 0);
    EXPECT_EQ(info.Tags().size() + info.ThumbnailTags().size(), 1u);
}

TEST(ExifWalk, SizesPositionsAndTheNextDirectoryLink) {
    Tiff tiff(true);
    const uint32_t exif = tiff.Add({Shorts(0xA002, {3008}, true), Long(0xA003, 2000, true)});
    const uint32_t ifd0 = tiff.Add(
        {Long(0x0100, 100, true), Long(0x8769, exif, true), Long(0x0101, 50, true)}, 0x1234);
    tiff.Set32(4, ifd0);
    TimgData data;
    const TImageInfo& info = Walk(data, tiff);
    EXPECT_EQ(info.Width, 3008);
    EXPECT_EQ(info.WidthPosition, 9 + Tiff::ValueField(exif, 0));
    EXPECT_EQ(info.Height, 50);
    EXPECT_EQ(info.HeightPosition, 9 + Tiff::ValueField(ifd0, 2));
    EXPECT_EQ(info.IFD1Offset, 0x1234);
    EXPECT_EQ(info.BytesToEnd, 9 + data.ExifSegment()->length - 6 - 0x1234);

    // An empty first directory still records its link.
    Tiff empty(false);
    empty.Add({}, 0x40);
    TimgData empty_data;
    EXPECT_EQ(Walk(empty_data, empty).IFD1Offset, 0x40);
}

TEST(ExifWalk, UserComments) {
    for (const bool mm : {false, true}) {
        std::string unicode = "UNICODE" + std::string(1, '\0');
        for (const char16_t c : std::u16string(u"Été ☺")) unicode += Number(c, 2, mm);
        const std::pair<std::string, std::string> cases[] = {
            {std::string("ASCII\0\0\0  Hello  \0junk", 22), "Hello"},
            {std::string("ASCII\0\0\0Caf\xE9", 12), "Café"},
            {unicode, "Été ☺"},
            {std::string("ASCII\0\0\0", 8), ""},
        };
        for (const auto& [value, comment] : cases) {
            Tiff tiff(mm);
            tiff.Add({{0x9286, kUndefined, static_cast<uint32_t>(value.size()), value}});
            TimgData data;
            const TImageInfo& info = Walk(data, tiff);
            EXPECT_EQ(info.Comment, comment);
            EXPECT_EQ(info.CommentPosition, value.size() > 8 ? 9 + 8 + 2 + 12 + 4 : 0);
            if (value.size() > 8) {
                EXPECT_EQ(info.TagValue("UserComment"), comment);
                EXPECT_EQ(info.CommentSize, static_cast<int64_t>(value.size()) - 9);
            }
        }
    }
}

TEST(ExifWalk, EstimatesThe35mmFocalLength) {
    const auto walk = [](uint32_t width, uint32_t height, bool stored) {
        Tiff tiff(false);
        std::vector<Field> fields{
            Long(0xA002, width, false),       Long(0xA003, height, false),
            Rational(0x920A, 18, 1, false),   Rational(0xA20E, 3959, 1, false),
            Rational(0xA20F, 3959, 1, false), Shorts(0xA210, {2}, false)};
        if (stored) fields.push_back(Shorts(0xA405, {27}, false));
        tiff.Add(fields);
        TimgData data;
        return Listed(Walk(data, tiff), "FocalLengthin35mmFilm");
    };
    using Values = std::vector<std::string>;
    EXPECT_EQ(walk(3008, 2000, false), Values{"33,61"});
    EXPECT_EQ(walk(3008, 2000, true), Values{"27,00 mm"});
    // A sensor of 58 x 38 mm is one a camera has; 77 x 51 mm and 1 x 0.7 mm
    // (the picture resized since) are not, and give no estimate.
    EXPECT_EQ(walk(9000, 6000, false), Values{"11,22"});
    EXPECT_EQ(walk(12000, 8000, false), Values{});
    EXPECT_EQ(walk(160, 106, false), Values{});
    EXPECT_EQ(walk(160, 106, true), Values{"27,00 mm"});
}

TEST(ExifWalk, ApexAperturesShowTheirFNumber) {
    Tiff tiff(true);
    tiff.Add({Rational(0x829D, 28, 10, true), Rational(0x9202, 3, 1, true),
              Rational(0x9205, 297, 100, true)});
    TimgData data;
    const TImageInfo& info = Walk(data, tiff);
    // FNumber is stored as the f-number itself; 2^(3/2) = 2.83, 2^(2.97/2) = 2.80.
    EXPECT_EQ(Shown(info, {"FNumber", "ApertureValue", "MaxApertureValue"}), "F2,8|F2,8|F2,8|");
    EXPECT_DOUBLE_EQ(info.TagValueAsFloat("ApertureValue"), 3.0);
    Tiff wide(false);
    wide.Add({Rational(0x9202, 0, 1, false), Rational(0x9205, 8, 1, false)});
    TimgData other;
    EXPECT_EQ(Shown(Walk(other, wide), {"ApertureValue", "MaxApertureValue"}), "F1,0|F16,0|");
}

TEST(JpegSegments, MetadataSegmentsUpToTheScan) {
    Tiff tiff(false);
    tiff.Add({Ascii(0x010F, "Maker")});
    const std::string iptc = Segment(0xED, "Photoshop 3.0");
    const std::string jfxx = Segment(0xE0, std::string("JFXX\0\x13", 6));
    const std::string avi1 = Segment(0xE0, std::string("AVI1\1\0", 6));
    const std::string jfif = Segment(0xE0, std::string("JFIF\0\1\2", 7));
    TimgData data;
    ASSERT_TRUE(
        Read(data, Jpeg({jfxx, jfif, ExifSegment(tiff.Bytes()), iptc, Segment(0xFE, "first"), avi1,
                         Segment(0xE0, std::string("JFIF\0 again", 11)), Segment(0xDB, "table"),
                         Segment(0xFE, "second")},
                        Segment(0xFE, "in the scan"))));
    EXPECT_EQ(data.ErrorText(), "<none>");
    // The first JFIF segment, and every APP0 segment that is not one.
    EXPECT_EQ("\xFF\xE0" + data.App0Segment()->bytes, jfif);
    std::vector<std::string> others;
    for (const tSection* other : data.OtherApp0Segments())
        others.push_back("\xFF\xE0" + other->bytes);
    EXPECT_EQ(others, (std::vector<std::string>{jfxx, avi1}));
    EXPECT_EQ(data.ExifObj()->CameraMake, "Maker");
    EXPECT_EQ("\xFF\xED" + data.IptcSegment()->bytes, iptc);
    EXPECT_NE(data.IptcObj(), nullptr);
    EXPECT_EQ(data.CommentSegment()->bytes.substr(2), "second");
    EXPECT_TRUE(data.HasMetadata() && data.HasExif() && data.HasIptc());
}

TEST(JpegSegments, WhichApp1IsTheExifSegment) {
    Tiff tiff(false);
    tiff.Add({Ascii(0x010F, "Maker")});
    const std::string exif = ExifSegment(tiff.Bytes());
    const std::string xmp = Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
    const std::string table = Segment(0xDB, "table");
    const std::string app0 = Segment(0xE0, "JFIF");
    const struct {
        std::vector<std::string> segments;
        bool read;
        bool exif;
    } cases[] = {
        {{app0, table, table, table, exif}, false, false},  // fifth, after no metadata
        {{app0, xmp, xmp, xmp, xmp, exif}, true, true},     // dropped packets free their slot
        {{app0, Segment(0xFE, ""), table, table, table, exif}, true, false},  // sixth
        {{xmp}, false, false},
        {{exif, Segment(0xE1, std::string("Exif\0\0II*\0\x08\0\0\0\0\0", 16))}, true, true},
    };
    for (const auto& c : cases) {
        TimgData data;
        EXPECT_EQ(Read(data, Jpeg(c.segments)), c.read);
        EXPECT_EQ(data.HasExif(), c.exif);
        if (c.exif) {
            EXPECT_EQ(data.ExifObj()->CameraMake, "Maker");
        }
        if (!c.read) {
            EXPECT_EQ(data.ErrorText(), "Not an EXIF file");
        }
    }
}

TEST(JpegSegments, BrokenExifLeavesTheLaterSegmentsRead) {
    Tiff tiff(true);
    tiff.Add({Ascii(0x010F, "Maker")});
    std::string broken = tiff.Bytes();
    broken.replace(4, 4, Number(60000, 4, true));
    for (const std::string& payload :
         {broken, std::string("XX*\0\x08\0\0\0", 8), std::string("II", 2)}) {
        TimgData data;
        EXPECT_TRUE(Read(data, Jpeg({ExifSegment(payload), Segment(0xED, "Photoshop 3.0"),
                                     Segment(0xFE, "kept")})));
        EXPECT_EQ(data.ErrorText(), "<none>");
        EXPECT_TRUE(data.HasExif() && data.ExifObj()->Tags().empty());
        EXPECT_TRUE(data.HasIptc());
        EXPECT_EQ(data.CommentSegment()->bytes.substr(2), "kept");
    }
}

TEST(JpegSegments, LengthsAndEnds) {
    TimgData data;
    // An empty segment is a segment.
    EXPECT_TRUE(Read(data, Jpeg({Segment(0xE0, ""), Segment(0xFE, ""), Segment(0xDB, "t")})));
    EXPECT_EQ(data.CommentSegment()->bytes, Number(2, 2, true));
    // A length below 2 ends the read, keeping what was read.
    EXPECT_FALSE(Read(data, Jpeg({Segment(0xFE, "c"), std::string("\xFF\xDB\x00\x01", 4)})));
    EXPECT_TRUE(data.HasMetadata());
    // A segment cut short by the end of the data is filled with zeros.
    EXPECT_FALSE(Read(data, std::string("\xFF\xD8\xFF\xFE\x00\x10short", 11)));
    EXPECT_EQ(data.CommentSegment()->bytes, std::string("\x00\x10short", 7) + std::string(9, '\0'));
    EXPECT_FALSE(Read(data, "\x89PNG"));
    EXPECT_EQ(data.ErrorText(), "Not an EXIF file");
}

TEST(JpegSegments, FilesByExtension) {
    TempDir dir;
    const std::string jpeg = Jpeg({Segment(0xFE, "note")});
    TimgData data;
    const std::pair<const char*, bool> files[] = {
        {"a.JPG", true}, {"b.jpeg", true}, {"c.Jpe", true}, {"d.jfif", false}, {"e", false}};
    const platform::FileTime written{1700000000, 250000};
    for (const auto& [name, read] : files) {
        WriteFile(dir / name, jpeg);
        platform::SetModificationTime(dir / name, written);
        EXPECT_EQ(data.ReadPictureFile(dir / name), read) << name;
        // Known whatever the extension: the file is looked at before it is read.
        EXPECT_EQ(data.FileName(), dir / name);
        EXPECT_EQ(data.FileSize(), static_cast<int64_t>(jpeg.size()));
        EXPECT_EQ(data.FileDateTime(), written);
        EXPECT_EQ(data.ErrorText(), read ? "<none>" : "Not an EXIF file") << name;
    }
    EXPECT_FALSE(data.ReadPictureFile(dir / "missing.jpg"));
    EXPECT_EQ(data.ErrorText(), "");
    EXPECT_EQ(data.FileName() + std::to_string(data.FileSize()), "0");
    EXPECT_EQ(data.FileDateTime(), platform::FileTime{});
}

TEST(TiffFiles, FirstDirectoryFollowsTheHeader) {
    TempDir dir;
    for (const bool mm : {false, true}) {
        Tiff tiff(mm);
        const uint32_t ifd0 =
            tiff.Add({Ascii(0x010F, "Maker"), Long(0x8769, 0, mm), Long(0x0100, 640, mm)});
        tiff.PadTo(200);
        const uint32_t exif = tiff.Add({Ascii(0x0110, "Model from the sub-directory")});
        tiff.Set32(Tiff::ValueField(ifd0, 1), exif);
        // The header names another directory: the reader takes the one at 8.
        tiff.Set32(4, exif);
        const std::string file = dir / (mm ? "m.tif" : "i.TIFF");
        WriteFile(file, tiff.Bytes());
        TimgData data;
        ASSERT_TRUE(data.ReadPictureFile(file));
        const TImageInfo& info = *data.ExifObj();
        EXPECT_TRUE(info.TiffFlag);
        EXPECT_EQ(info.CameraMake + "|" + info.CameraModel, "Maker|Model from the sub-directory");
        EXPECT_EQ(info.Width, 640);
        EXPECT_EQ(info.IFD1Offset, 0);
    }
}

}  // namespace
}  // namespace metadata
