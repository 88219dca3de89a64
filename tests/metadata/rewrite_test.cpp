// Writing JPEG files with the metadata read from another: ExifTool must find
// in the new file what it found in the old one, but for the value edited, and
// the picture data must stay byte for byte when only metadata changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <span>
#include <utility>

#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "pictures.h"
#include "platform/core/stream.h"
#include "platform/core/text.h"
#include "platform/graphics/budget.h"
#include "platform/graphics/jpeg_image.h"
#include "test_support.h"
#include "tiff_builder.h"

namespace metadata {
namespace {

using testing::Ascii;
using testing::ExifSegment;
using testing::Long;
using testing::Segment;
using testing::Tiff;
using namespace testing_support;

void ExifTool(const std::string& arguments, const std::string& file) {
    ASSERT_EQ(ExifToolWrite(arguments, file), 0);
}

// ExifTool's reading of what a rewrite keeps, one "[group] tag : value" line
// each, its warnings and errors included. The thumbnail's offset is left out:
// ExifTool counts it from the start of the file, and the segments before the
// EXIF one may change.
std::vector<std::string> Dump(const std::string& file) {
    return Split(Output(
        "exiftool -charset exif=cp1252 -n -s -G1 -a -EXIF:all -GPS:all -IPTC:all -MakerNotes:all"
        " -ICC_Profile:all -XMP:all -File:Comment -Error -Warning --ThumbnailOffset " +
        ShellQuote(file)));
}

std::string TagOf(const std::string& line) {
    const size_t begin = line.find_first_not_of(' ', line.find(']') + 1);
    return line.substr(begin, line.find(' ', begin) - begin);
}

std::vector<std::string> Without(const std::vector<std::string>& dump,
                                 const std::vector<std::string>& tags) {
    std::vector<std::string> kept;
    for (const std::string& line : dump) {
        if (std::find(tags.begin(), tags.end(), TagOf(line)) == tags.end()) kept.push_back(line);
    }
    return kept;
}

std::string Value(const std::vector<std::string>& dump, const std::string& tag) {
    for (const std::string& line : dump) {
        if (TagOf(line) == tag) return line.substr(line.find(": ") + 2);
    }
    return "(absent)";
}

std::string PlainJpeg(const TempDir& dir, int32_t width = 64, int32_t height = 48) {
    const std::string file = dir / "plain.jpg";
    WriteJpeg(file, *Pattern(width, height));
    return ReadText(file);
}

class SaveWithMetadata : public ::testing::Test {
protected:
    TempDir dir;
};

class WithExifTool : public SaveWithMetadata {
protected:
    void SetUp() override { REQUIRE_PROGRAM("exiftool"); }
};

constexpr const char* kAdded =
    "-GPSLatitude=48.8566 -GPSLatitudeRef=N -GPSLongitude=2.3522 -GPSLongitudeRef=E"
    " -Keywords=un -Keywords=deux -Comment=Remarque";

TEST_F(WithExifTool, NewPictureKeepsTheMetadataWithItsSize) {
    const std::string camera = TestData("exif-samples/jpg/exif-org/nikon-e950.jpg");
    const std::string source = dir / "source.jpg";
    const std::string target = dir / "target.jpg";
    std::filesystem::copy_file(camera, source);
    ExifTool(kAdded, source);
    AddXmpAndIccProfile(source);

    TimgData data;
    ASSERT_TRUE(data.ReadPictureFile(source));
    platform::JpegImage picture;
    picture.Assign(*Pattern(120, 90));
    data.SaveJpegWithMetadata(picture, target, true);

    const std::vector<std::string> before = Dump(source);
    const std::vector<std::string> after = Dump(target);
    const std::vector<std::string> size{"ExifImageWidth", "ExifImageHeight"};
    EXPECT_EQ(Without(after, size), Without(before, size));
    EXPECT_EQ(Value(after, "ExifImageWidth"), "120");
    EXPECT_EQ(Value(after, "ExifImageHeight"), "90");
    EXPECT_EQ(Value(after, "Keywords"), "un, deux");
    EXPECT_EQ(Value(after, "Comment"), "Remarque");
    EXPECT_EQ(Value(after, "Error"), "(absent)");
    // The XMP packet and the three chunks of the profile, byte for byte.
    EXPECT_EQ(Value(after, "Rating"), "4");
    EXPECT_EQ(Value(after, "Subject"), "un, deux");
    EXPECT_EQ(XmpAndIccProfile(target), XmpAndIccProfile(source));
    EXPECT_GT(XmpAndIccProfile(target).size(), 150000u);
}

// Every size entry of the main picture takes the size of each new picture
// written from one reading, the size it was read with included.
TEST_F(WithExifTool, EachSaveFromOneReadingCarriesItsOwnSize) {
    const std::string source = dir / "source.jpg";
    std::filesystem::copy_file(TestData("exif-samples/jpg/exif-org/canon-ixus.jpg"), source);
    ExifTool("-IFD0:ImageWidth=640 -IFD0:ImageHeight=480", source);
    ASSERT_EQ(ExifToolValue("ExifIFD:ExifImageWidth", source), "640");
    TimgData data;
    ASSERT_TRUE(data.ReadPictureFile(source));
    for (const auto& [width, height] : {std::pair{120, 90}, {640, 480}, {64, 48}}) {
        const std::string target = dir / ("copy" + std::to_string(width) + ".jpg");
        platform::JpegImage picture;
        picture.Assign(*Pattern(width, height));
        data.SaveJpegWithMetadata(picture, target, true);
        EXPECT_EQ(Output("exiftool -s -s -s -IFD0:ImageWidth -IFD0:ImageHeight "
                         "-ExifIFD:ExifImageWidth -ExifIFD:ExifImageHeight " +
                         ShellQuote(target)),
                  std::to_string(width) + "\n" + std::to_string(height) + "\n" +
                      std::to_string(width) + "\n" + std::to_string(height) + "\n");
    }
}

TEST_F(WithExifTool, CommentRewriteChangesOnlyTheComment) {
    for (const auto& [name, motorola] :
         {std::pair{"exif-org/canon-ixus.jpg", false}, {"orientation/landscape_2.jpg", true}}) {
        SCOPED_TRACE(name);
        const std::string camera = TestData(std::string("exif-samples/jpg/") + name);
        const std::string file = dir / "comment.jpg";
        std::filesystem::copy_file(camera, file, std::filesystem::copy_options::overwrite_existing);
        // A comment of 56 characters: a value of 64 bytes with its character code.
        ExifTool(std::string(kAdded) + " -UserComment=" + std::string(56, 'u'), file);
        const std::string original = ReadText(file);
        const std::vector<std::string> before = Dump(file);

        TimgData data;
        ASSERT_TRUE(data.ReadPictureFile(file));
        TImageInfo& info = *data.ExifObj();
        ASSERT_EQ(info.CommentSize, 55);
        const auto stored = [&] {
            return data.ExifSegment()->bytes.substr(static_cast<size_t>(info.CommentPosition - 1),
                                                    64);
        };
        const std::string code("ASCII\0\0\0", 8);
        EXPECT_EQ(info.SetComment(std::string(70, 'x')), std::string(55, 'x'));
        EXPECT_EQ(stored(), code + std::string(55, 'x') + '\0');
        // A letter beyond ASCII makes it UTF-16, in the EXIF data's byte order.
        info.SetComment("Été");
        EXPECT_EQ(stored(), std::string("UNICODE\0", 8) +
                                (motorola ? std::string("\0\xC9\0t\0\xE9", 6)
                                          : std::string("\xC9\0t\0\xE9\0", 6)) +
                                std::string(50, '\0'));
        data.RewriteJpegFile(file);

        const std::vector<std::string> after = Dump(file);
        EXPECT_EQ(Without(after, {"UserComment"}), Without(before, {"UserComment"}));
        EXPECT_EQ(Value(after, "UserComment"), "Été");
        EXPECT_EQ(LayoutOf(ReadText(file)).picture, LayoutOf(original).picture);
        TimgData again;
        ASSERT_TRUE(again.ReadPictureFile(file));
        EXPECT_EQ(again.ExifObj()->Comment, "Été");
    }
}

// A picture whose EXIF directory holds only a user comment value of `size`
// bytes, of blanks under the "ASCII" code.
std::string WithUserComment(const TempDir& dir, bool motorola, uint32_t size) {
    Tiff tiff(motorola);
    const uint32_t exif = 8 + 2 + 12 + 4;
    tiff.Add({Long(0x8769, exif, motorola)});
    std::string value = std::string("ASCII\0\0\0", 8) + std::string(size - 8, ' ');
    tiff.Add({{0x9286, kUndefined, size, value}});
    const std::string plain = PlainJpeg(dir);
    return plain.substr(0, 2) + ExifSegment(tiff.Bytes()) + plain.substr(2);
}

TEST_F(WithExifTool, AUnicodeCommentIsCutBetweenCharactersToTheValuesSize) {
    // U+1F98E, a lizard, is two UTF-16 units.
    const std::string lizard = "\xF0\x9F\xA6\x8E";
    const std::string x25(25, 'x');
    struct Cut {
        uint32_t size;  // room for (size - 9) / 2 units
        std::string text;
        std::string kept;
    };
    for (const Cut& cut : {Cut{64, "é" + x25 + lizard + "z", "é" + x25},
                           Cut{65, "é" + x25 + lizard + "z", "é" + x25 + lizard},
                           Cut{20, "日本語のテキスト", "日本語のテ"}, Cut{10, "é", ""}}) {
        for (const bool motorola : {false, true}) {
            SCOPED_TRACE(std::to_string(cut.size) + (motorola ? " MM" : " II"));
            const std::string file = dir / "cut.jpg";
            WriteFile(file, WithUserComment(dir, motorola, cut.size));
            TimgData data;
            ASSERT_TRUE(data.ReadPictureFile(file));
            TImageInfo& info = *data.ExifObj();
            EXPECT_EQ(info.SetComment(cut.text), cut.kept);
            const std::string units = platform::Utf8ToUtf16(cut.kept, motorola);
            EXPECT_EQ(data.ExifSegment()->bytes.substr(
                          static_cast<size_t>(info.CommentPosition - 1), cut.size),
                      std::string("UNICODE\0", 8) + units +
                          std::string(cut.size - 8 - units.size(), '\0'));
            data.RewriteJpegFile(file);
            EXPECT_EQ(ExifToolValue("UserComment", file), cut.kept);
            TimgData again;
            ASSERT_TRUE(again.ReadPictureFile(file));
            EXPECT_EQ(again.ExifObj()->Comment, cut.kept);
        }
    }
}

TEST_F(WithExifTool, WriteTagIntInBothByteOrders) {
    const std::string plain = PlainJpeg(dir);
    for (const bool mm : {false, true}) {
        SCOPED_TRACE(mm);
        const std::string file = dir / "orientation.jpg";
        const std::string target = dir / "rotated.jpg";
        WriteFile(file, plain);
        ExifTool(std::string(kAdded) + " -ExifByteOrder=" + (mm ? "MM" : "II") +
                     " -Orientation#=6 -Make=Maker -XResolution=72",
                 file);
        TimgData data;
        ASSERT_TRUE(data.ReadPictureFile(file));
        TImageInfo& info = *data.ExifObj();
        const std::string segment = data.ExifSegment()->bytes;
        const auto at = static_cast<size_t>(info.GetTagByName("Orientation").raw_position - 1);
        EXPECT_FALSE(info.WriteTagInt("Artist", 1));       // absent
        EXPECT_FALSE(info.WriteTagInt("XResolution", 1));  // a fraction
        EXPECT_FALSE(info.WriteTagInt("Make", 1));         // a text
        EXPECT_FALSE(info.WriteTagText("Orientation", "1"));
        EXPECT_FALSE(info.WriteTagText("Make", "日本"));  // beyond Windows-1252
        EXPECT_EQ(data.ExifSegment()->bytes, segment);
        EXPECT_TRUE(info.WriteTagInt("Orientation", 65537));
        std::string expected = segment;
        expected.replace(at, 2, mm ? std::string("\0\1", 2) : std::string("\1\0", 2));
        EXPECT_EQ(data.ExifSegment()->bytes, expected);

        data.RewriteJpegFile(target);
        const std::vector<std::string> before = Dump(file);
        const std::vector<std::string> after = Dump(target);
        EXPECT_EQ(Without(after, {"Orientation"}), Without(before, {"Orientation"}));
        EXPECT_EQ(Value(after, "Orientation"), "1");
        EXPECT_EQ(LayoutOf(ReadText(target)).picture, LayoutOf(plain).picture);
    }
}

TEST_F(SaveWithMetadata, SegmentsWrittenBeforeThePicture) {
    const auto plain = LayoutOf(PlainJpeg(dir));
    const std::string app0 = plain.segments.at(0);
    const std::string comment = Segment(0xFE, "note");
    const std::string misaligned = Segment(0xE1, std::string("Exif\0\0XX*\0\x08\0\0\0", 14));
    const std::string jfif("\xFF\xE0\x00\x10JFIF\x00\x01\x02\x01\x01\x2C\x01\x2C\x00\x00", 18);
    struct Case {
        std::string source;
        std::string written;
    };
    const Case cases[] = {
        {comment, jfif + comment},                            // no APP0: the fixed one
        {app0 + comment, app0 + comment},                     // its own APP0
        {misaligned + app0 + comment, misaligned + comment},  // an unreadable EXIF segment stays
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string source = dir / "source.jpg";
        const std::string target = dir / ("target" + std::to_string(i) + ".jpg");
        WriteFile(source, "\xFF\xD8" + cases[i].source + plain.picture);
        TimgData data;
        ASSERT_TRUE(data.ReadPictureFile(source));
        data.RewriteJpegFile(target);
        EXPECT_EQ(ReadText(target), "\xFF\xD8" + cases[i].written + plain.picture);
    }
    REQUIRE_PROGRAM("exiftool");
    EXPECT_EQ(Output("exiftool -T -JFIF:JFIFVersion -JFIF:XResolution "
                     "-JFIF:ResolutionUnit " +
                     ShellQuote(dir / "target0.jpg")),
              "1.02\t300\tinches\n");
}

TEST_F(WithExifTool, PictureSegmentsOfTheHeldKindsAreDropped) {
    const std::string made = dir / "made.jpg";
    WriteFile(made, PlainJpeg(dir));
    ExifTool("-Make=Maker -XMP:Title=Titre -Keywords=mot -Comment=Remarque", made);
    const auto layout = LayoutOf(ReadText(made));
    std::string exif, xmp, iptc, comment;
    for (const std::string& s : layout.segments) {
        if (s.compare(4, 6, std::string("Exif\0\0", 6)) == 0) exif = s;
        if (s.compare(4, 5, "http:") == 0) xmp = s;
        if (s[1] == '\xED') iptc = s;
        if (s[1] == '\xFE') comment = s;
    }
    ASSERT_FALSE(exif.empty() || xmp.empty() || iptc.empty() || comment.empty());
    const std::string app0 = layout.segments.at(0);
    const std::string app12 = Segment(0xEC, std::string("Ducky\0\1\0\4\0\0\0\x3C\0\0", 15));

    // Held kinds before the picture's first other segment go, whatever their
    // order; the other application segments stay in theirs.
    const std::string source = dir / "source.jpg";
    WriteFile(source,
              "\xFF\xD8" + app0 + app12 + exif + xmp + comment + iptc + comment + layout.picture);
    TimgData data;
    ASSERT_TRUE(data.ReadPictureFile(source));
    const std::string target = dir / "target.jpg";
    data.RewriteJpegFile(target);
    EXPECT_EQ(ReadText(target), "\xFF\xD8" + exif + iptc + comment + app12 + xmp + layout.picture);
    const std::vector<std::string> after = Dump(target);
    EXPECT_EQ(Value(after, "Title"), "Titre");
    EXPECT_EQ(Value(after, "Keywords"), "mot");
    EXPECT_EQ(Value(after, "Warning"), "(absent)");
}

// An EXIF segment that names only the camera's maker.
std::string MakeOnly(const std::string& make) {
    Tiff tiff(false);
    tiff.Add({Ascii(0x010F, make)});
    return ExifSegment(tiff.Bytes());
}

// An ICC chunk: the signature, its number, the count, then the bytes of the
// profile from its start, whose header names the colour space 16 bytes in.
std::string IccChunk(const std::string& colour_space, uint8_t number = 1, uint8_t count = 1) {
    std::string profile(128, '\0');
    profile.replace(16, 4, colour_space);
    profile.replace(36, 4, "acsp");
    return Segment(0xE2, std::string("ICC_PROFILE\0", 12) + static_cast<char>(number) +
                             static_cast<char>(count) + profile);
}

TEST_F(SaveWithMetadata, ANewEncodingCarriesTheOtherApplicationSegmentsInTheirOrder) {
    const auto plain = LayoutOf(PlainJpeg(dir));
    const std::string app0 = plain.segments.at(0);
    const std::string exif = MakeOnly("Maker");
    const std::string second_exif = MakeOnly("Other");
    const std::string xmp = Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
    const std::string app11 = Segment(0xEB, "JP\0\1");
    const std::string app15 = Segment(0xEF, "apres les tables");
    const std::string comment = Segment(0xFE, "note");
    const std::string second_iptc = Segment(0xED, "Photoshop 3.0\0suite");
    const std::string iptc = Segment(0xED, "Photoshop 3.0\0");
    const std::string adobe = Segment(0xEE, std::string("Adobe\0\x64\0\0\0\0\1", 12));
    const std::string mpf = Segment(0xE2, std::string("MPF\0MM\0\x2A\0\0\0\x08", 12));
    const std::string rgb = IccChunk("RGB ");
    const std::string cmyk1 = IccChunk("CMYK", 1, 2);
    const std::string cmyk2 = Segment(0xE2, std::string("ICC_PROFILE\0\2\2", 14) + "rest");
    // The picture's first table, then a segment that stands among the tables.
    const size_t first_table = 4 +
                               (size_t{static_cast<uint8_t>(plain.picture[2])} << 8 |
                                static_cast<uint8_t>(plain.picture[3])) -
                               2;
    const auto with_tables = [&](const std::string& among) {
        return plain.picture.substr(0, first_table) + among + plain.picture.substr(first_table);
    };
    struct Case {
        std::string name;
        std::string source;
        std::string written;  // before the new picture's own segments
    };
    const Case cases[] = {
        {"around the held ones, with bytes between segments and one among the tables",
         app0 + xmp + rgb + exif + app11 + iptc + second_iptc + comment + std::string(3, '\0') +
             with_tables(app15),
         exif + iptc + comment + xmp + rgb + app11 + second_iptc + app15},
        {"what describes the old encoding goes",
         app0 + exif + adobe + mpf + cmyk1 + cmyk2 + xmp + plain.picture, exif + xmp},
        // A second EXIF segment, and an EXIF segment fifth, where the reader
        // no longer looks for it: neither is lost.
        {"EXIF segments not held", app0 + exif + second_exif + plain.picture, exif + second_exif},
        {"EXIF fifth", app0 + rgb + rgb + rgb + exif + comment + plain.picture,
         app0 + rgb + rgb + rgb + exif + comment},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = dir / "source.jpg";
        WriteFile(source, "\xFF\xD8" + c.source);
        TimgData data;
        data.ReadPictureFile(source);
        platform::JpegImage picture;
        picture.Assign(*Pattern(64, 48));
        const std::string target = dir / "target.jpg";
        data.SaveJpegWithMetadata(picture, target, true);
        platform::MemoryStream encoded;
        picture.SaveToStream(encoded);
        const std::span<const uint8_t> bytes = encoded.Bytes();
        EXPECT_EQ(ReadText(target), "\xFF\xD8" + c.written +
                                        LayoutOf(std::string(bytes.begin(), bytes.end())).picture);
    }
}

TEST_F(SaveWithMetadata, AnUnmodifiedPictureKeepsTheSegmentsTheReaderDidNotHold) {
    const auto plain = LayoutOf(PlainJpeg(dir));
    const std::string app0 = plain.segments.at(0);
    const std::string exif = MakeOnly("Maker");
    const std::string rgb = IccChunk("RGB ");
    const std::string comment = Segment(0xFE, "note");
    const std::string source = dir / "source.jpg";
    WriteFile(source, "\xFF\xD8" + app0 + rgb + rgb + rgb + exif + comment + plain.picture);
    TimgData data;
    data.ReadPictureFile(source);
    ASSERT_FALSE(data.HasExif());
    const std::string target = dir / "target.jpg";
    data.RewriteJpegFile(target);
    EXPECT_EQ(ReadText(target), ReadText(source));
}

TEST_F(SaveWithMetadata, HeldSegmentsStopAtTheirBudget) {
    const auto plain = LayoutOf(PlainJpeg(dir));
    std::string jpeg = "\xFF\xD8" + plain.segments.at(0);
    constexpr int kCount = 600;
    for (int i = 0; i < kCount; ++i)
        jpeg += Segment(0xE2, "chunk" + std::to_string(i) + std::string(65500, 'x'));
    jpeg += plain.picture;
    TimgData data;
    data.ReadJpegBytes(std::span(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size()));
    const std::vector<tSection>& others = data.OtherSegments();
    int64_t bytes = 0;
    for (const tSection& section : others) bytes += static_cast<int64_t>(section.bytes.size());
    EXPECT_LE(bytes, platform::kMaxHeldSegmentBytes);
    EXPECT_GT(others.size(), 400u);
    EXPECT_LT(others.size(), static_cast<size_t>(kCount));
    for (size_t i = 0; i < others.size(); ++i)
        ASSERT_EQ(others[i].bytes.substr(2, 5 + std::to_string(i).size()),
                  "chunk" + std::to_string(i));
}

// ExifTool's reading of the APP0 segments and the comment of a file, sorted:
// it lists them in file order.
std::vector<std::string> App0Dump(const std::string& file) {
    std::vector<std::string> lines =
        Split(Output("exiftool -n -s -G1 -a -JFIF:all -JFXX:all -AVI1:all -Ocad:all -EXIF:Make"
                     " -File:Comment -Error -Warning " +
                     ShellQuote(file)));
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> WithoutJfif(const std::vector<std::string>& dump) {
    std::vector<std::string> kept;
    std::copy_if(dump.begin(), dump.end(), std::back_inserter(kept),
                 [](const std::string& line) { return !line.starts_with("[JFIF]"); });
    return kept;
}

std::vector<std::string> OtherApp0s(const TimgData& data) {
    std::vector<std::string> segments;
    for (const tSection* other : data.OtherApp0Segments()) segments.push_back(other->bytes);
    return segments;
}

TEST_F(SaveWithMetadata, EveryApp0SegmentOutlivesARewrite) {
    const auto plain = LayoutOf(PlainJpeg(dir));
    const std::string jfif = plain.segments.at(0);
    const std::string fixed("\xFF\xE0\x00\x10JFIF\x00\x01\x02\x01\x01\x2C\x01\x2C\x00\x00", 18);
    const std::string thumbnail_file = dir / "thumbnail.jpg";
    WriteJpeg(thumbnail_file, *Pattern(16, 12));
    const std::string jfxx = Segment(0xE0, std::string("JFXX\0\x10", 6) + ReadText(thumbnail_file));
    const std::string avi1 = Segment(0xE0, std::string("AVI1\1\0\0\0\0\0", 10));
    const std::string ocad = Segment(0xE0, std::string("Ocad$Rev: 14797 $\0", 18));
    const std::string comment = Segment(0xFE, "note");
    const std::string exif = MakeOnly("Maker");
    struct Case {
        std::string name;
        std::string source;
        std::string written;
        bool same_jfif;  // ExifTool reads the same JFIF tags in both
    };
    const Case cases[] = {
        {"JFXX before JFIF", jfxx + jfif + avi1 + comment, jfif + jfxx + avi1 + comment, true},
        {"no JFIF", jfxx + avi1 + comment, fixed + jfxx + avi1 + comment, false},
        // Three after the JFIF one would put the comment fifth, where a reader
        // no longer looks for it.
        {"three others", jfif + comment + jfxx + avi1 + ocad, jfif + comment + jfxx + avi1 + ocad,
         true},
        {"EXIF", jfif + exif + jfxx + avi1 + ocad + comment, exif + jfxx + avi1 + ocad + comment,
         false},
    };
    REQUIRE_PROGRAM("exiftool");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = dir / "source.jpg";
        const std::string target = dir / "target.jpg";
        WriteFile(source, "\xFF\xD8" + c.source + plain.picture);
        TimgData data;
        ASSERT_TRUE(data.ReadPictureFile(source));
        data.RewriteJpegFile(target);
        EXPECT_EQ(ReadText(target), "\xFF\xD8" + c.written + plain.picture);
        TimgData again;
        ASSERT_TRUE(again.ReadPictureFile(target));
        EXPECT_EQ(OtherApp0s(again), OtherApp0s(data));
        EXPECT_NE(again.CommentSegment(), nullptr);
        const std::vector<std::string> before = App0Dump(source);
        const std::vector<std::string> after = App0Dump(target);
        EXPECT_EQ(c.same_jfif ? after : WithoutJfif(after),
                  c.same_jfif ? before : WithoutJfif(before));
        EXPECT_EQ(Value(after, "Warning"), "(absent)");
    }
}

TEST_F(WithExifTool, TheFocalLengthEstimateGoesWithAResize) {
    const std::string camera = TestData("exif-samples/jpg/exif-org/fujifilm-finepix40i.jpg");
    TimgData data;
    ASSERT_TRUE(data.ReadPictureFile(camera));
    // The camera did not store it; at full size the estimate is ExifTool's.
    ASSERT_EQ(ExifToolValue("FocalLengthIn35mmFormat", camera), "");
    std::array<char, 16> expected{};
    std::snprintf(expected.data(), expected.size(), "%5.2f",
                  std::stod(ExifToolValue("FocalLength35efl", camera, true)));
    std::replace(expected.begin(), expected.end(), '.', ',');
    EXPECT_EQ(data.ExifObj()->TagValue("FocalLengthin35mmFilm"), expected.data());

    const std::string target = dir / "small.jpg";
    platform::JpegImage picture;
    picture.Assign(*Pattern(120, 90));
    data.SaveJpegWithMetadata(picture, target, true);
    TimgData small;
    ASSERT_TRUE(small.ReadPictureFile(target));
    EXPECT_EQ(small.ExifObj()->Width, 120);
    EXPECT_EQ(small.ExifObj()->IndexOfTag("FocalLengthin35mmFilm"), -1);
}

TEST_F(SaveWithMetadata, OversizedSegmentIsRefusedBeforeWriting) {
    const std::string plain = PlainJpeg(dir);
    const std::string file = dir / "file.jpg";
    const auto layout = LayoutOf(plain);
    const std::string iptc = Segment(0xED, "Photoshop 3.0");
    WriteFile(file, "\xFF\xD8" + layout.segments.at(0) + iptc + layout.picture);
    TimgData data;
    ASSERT_TRUE(data.ReadPictureFile(file));
    EXPECT_EQ(ErrorText([&] { data.SetIptcSegment(std::string(65534, 'i')); }),
              "Erreur de vérification d'étendue");
    EXPECT_EQ("\xFF\xED" + data.IptcSegment()->bytes, iptc);
    data.SetIptcSegment(std::string(65533, 'i'));
    data.RewriteJpegFile(file);
    const auto written = LayoutOf(ReadText(file));
    ASSERT_EQ(written.segments.size(), 2u);
    EXPECT_EQ(written.segments[1], Segment(0xED, std::string(65533, 'i')));

    // A picture that cannot be encoded leaves the target as it was.
    const std::string kept = ReadText(file);
    EXPECT_NE(ErrorText([&] { data.SaveJpegWithMetadata(platform::JpegImage(), file, true); }),
              "(no error)");
    EXPECT_EQ(ReadText(file), kept);
}

TEST_F(WithExifTool, TiffMetadataIsNotWrittenAsASegment) {
    REQUIRE_PROGRAM("convert");
    const std::string tiff = dir / "picture.tif";
    ASSERT_EQ(testing_support::Run("convert -size 16x8 xc:red " + ShellQuote(tiff)), 0);
    ExifTool("-Make=Maker", tiff);
    TimgData data;
    ASSERT_TRUE(data.ReadPictureFile(tiff));
    EXPECT_EQ(data.ExifObj()->CameraMake, "Maker");
    const std::string target = dir / "target.jpg";
    platform::JpegImage picture;
    picture.Assign(*Pattern(16, 8));
    data.SaveJpegWithMetadata(picture, target, true);
    const auto written = LayoutOf(ReadText(target));
    ASSERT_EQ(written.segments.size(), 1u);
    EXPECT_EQ(written.segments[0].substr(0, 9), std::string("\xFF\xE0\x00\x10JFIF\0", 9));
    EXPECT_EQ(Value(Dump(target), "Error"), "(absent)");
}

}  // namespace
}  // namespace metadata
