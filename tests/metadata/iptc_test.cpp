#include "metadata/iptc.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "metadata/img_data.h"
#include "pictures.h"
#include "test_support.h"
#include "tiff_builder.h"

namespace metadata {
namespace {

using namespace testing_support;

const std::string kSignature("Photoshop 3.0\0", 14);

// IPTC lengths are big-endian whatever the EXIF byte order.
std::string BigEndian(uint64_t value, size_t bytes) {
    return testing::Number(value, bytes, true);
}

std::string Dataset(int record, int dataset, const std::string& data) {
    return std::string{'\x1c', static_cast<char>(record), static_cast<char>(dataset)} +
           BigEndian(data.size(), 2) + data;
}

// An image resource with an empty name, padded to an even length.
std::string Resource(uint16_t id, const std::string& data) {
    return "8BIM" + BigEndian(id, 2) + std::string(2, '\0') + BigEndian(data.size(), 4) + data +
           std::string(data.size() % 2, '\0');
}

const std::string kVersion = Dataset(2, 0, std::string("\0\2", 2));
const std::string kEmptyUrl = Resource(0x040B, "");

// Datasets with the padding byte that makes their length even.
std::string Padded(const std::string& data) {
    return data + std::string(data.size() % 2, '\0');
}

std::string ExifTool(const std::string& arguments) {
    std::string output;
    EXPECT_EQ(Run("exiftool " + arguments + " 2>&1", &output), 0) << output;
    return output;
}

// The bytes of a JPEG file from its first segment that is neither APPn nor COM.
std::string PictureData(const std::string& path) {
    return LayoutOf(ReadText(path)).picture;
}

TEST(IptcSegment, NothingHeldBuildsTheFixedLayout) {
    TimgData owner;
    const std::string built = TIPTCdata(owner).BuildSegment();
    EXPECT_EQ(built, kSignature + "8BIM\x04\x04" + std::string("\0\0\0\0\0\x08", 6) + kVersion +
                         std::string(1, '\0') + kEmptyUrl);
    EXPECT_EQ(built.size(), 46u);
}

TEST(IptcSegment, DatasetsAreHeldAndWrittenBack) {
    TimgData owner;
    TIPTCdata iptc(owner);
    iptc.ParseSegment(kSignature +
                      Resource(0x0404, kVersion + Dataset(2, 25, "sea") + Dataset(2, 5, "One") +
                                           Dataset(2, 25, "sun") + Dataset(2, 200, "odd") +
                                           Dataset(2, 5, "Two") + Dataset(2, 25, "sand")));
    ASSERT_EQ(iptc.GetCount(), 4);
    EXPECT_EQ(iptc.GetEntry(0).name, "Keywords");
    EXPECT_EQ(iptc.GetEntry(0).display, "sea,sun,sand");
    EXPECT_EQ(iptc.GetEntry(1).description, "Object name");
    EXPECT_EQ(iptc.GetEntry(3).display, "Two");
    const TTagEntry& custom = iptc.GetEntry(2);
    EXPECT_EQ(custom.name + "/" + custom.description, "Custom_200/Custom_200");
    EXPECT_EQ(custom.size, 64);

    // An empty value changes nothing; items are trimmed, the empty one inside
    // the list stays, those at its end go.
    EXPECT_EQ(iptc.SetTagValue("keywords", ""), 0);
    EXPECT_EQ(iptc.GetEntry(0).display, "sea,sun,sand");
    iptc.SetTagValue("Keywords", "a, b,,c , ,");
    const std::string data = kVersion + Dataset(2, 25, "a") + Dataset(2, 25, "b") +
                             Dataset(2, 25, "") + Dataset(2, 25, "c") + Dataset(2, 5, "One") +
                             Dataset(2, 200, "odd") + Dataset(2, 5, "Two");
    EXPECT_EQ(iptc.BuildSegment(), kSignature + Resource(0x0404, data) + kEmptyUrl);
}

TEST(IptcSegment, EditsByName) {
    TimgData owner;
    TIPTCdata iptc(owner);
    EXPECT_EQ(iptc.TagValueOr("Keywords", "  "), "  ");
    EXPECT_EQ(iptc.SetTagValue("NoSuchName", "x"), -1);
    EXPECT_EQ(iptc.SetTagValue("SKIP", "x"), -1);
    EXPECT_EQ(iptc.AppendTagValue("City", "Brest"), 0);
    EXPECT_EQ(iptc.AppendTagValue("city", "Quimper"), 0);
    EXPECT_EQ(iptc.SetTagValue("Keywords", "sea"), 1);
    EXPECT_EQ(iptc.TagValueOr("City", ""), "Brest,Quimper");
    iptc.RemoveTag("CITY");
    EXPECT_EQ(iptc.IndexOfTag("Keywords"), 0);
    for (const int index : {-1, 1}) {
        EXPECT_EQ(ErrorText([&] { iptc.SetEntryValue(index, "x"); }),
                  "Erreur de vérification d'étendue");
        EXPECT_EQ(ErrorText([&] { iptc.GetEntry(index); }), "Erreur de vérification d'étendue");
    }
}

TEST(IptcSegment, SetOrAppendByTheDatasetsKindAndCountCut) {
    TimgData owner;
    TIPTCdata iptc(owner);
    EXPECT_EQ(iptc.SetOrAppendTag("Keywords", "sea"), 0);
    EXPECT_EQ(iptc.SetOrAppendTag("keywords", "sun"), 0);
    EXPECT_EQ(iptc.SetOrAppendTag("City", "Brest"), 1);
    EXPECT_EQ(iptc.SetOrAppendTag("City", "Quimper"), 1);
    EXPECT_EQ(iptc.SetOrAppendTag("SuppCategory", "a"), 2);
    EXPECT_EQ(iptc.SetOrAppendTag("NoSuchName", "x"), -1);
    EXPECT_EQ(iptc.TagValueOr("Keywords", "") + "|" + iptc.TagValueOr("City", ""),
              "sea,sun|Quimper");
    EXPECT_EQ(ErrorText([&] { iptc.SetCount(4); }), "Erreur de vérification d'étendue");
    iptc.SetCount(1);
    EXPECT_EQ(iptc.GetCount(), 1);
    EXPECT_EQ(iptc.IndexOfTag("City"), -1);
}

TEST(IptcSegment, OtherResourcesAndRecordsAreKept) {
    const std::string resolution = Resource(0x03ED, std::string(16, '\1'));
    const std::string after = Resource(0x0421, "odd");
    const std::string charset = Dataset(1, 90, "\x1b%G");
    TimgData owner;
    TIPTCdata iptc(owner);
    iptc.ParseSegment(
        kSignature + resolution +
        Resource(0x0404, charset + kVersion + Dataset(8, 10, "ab") + Dataset(3, 1, "kept")) +
        after);
    ASSERT_EQ(iptc.GetCount(), 1);
    iptc.SetTagValue("Keywords", "sea");
    // Records in ascending order, the new record-2 dataset before record 8.
    const std::string data =
        charset + kVersion + Dataset(2, 25, "sea") + Dataset(3, 1, "kept") + Dataset(8, 10, "ab");
    EXPECT_EQ(iptc.BuildSegment(), kSignature + resolution + Resource(0x0404, data + '\0') + after);
}

TEST(IptcSegment, TheDigestGoesWhenTheDatasetsChange) {
    const std::string resolution = Resource(0x03ED, std::string(16, '\1'));
    const std::string digest = Resource(0x0425, std::string(16, '\xD1'));
    const std::string version = Resource(0x0421, "odd");
    const std::string tail = "8BI";  // not a resource: kept as it is
    const std::string data = kVersion + Dataset(2, 25, "sea") + '\0';
    const std::string payload =
        kSignature + resolution + digest + Resource(0x0404, data) + version + digest + tail;
    TimgData owner;
    TIPTCdata iptc(owner);
    iptc.ParseSegment(payload);
    EXPECT_EQ(iptc.BuildSegment(), payload);
    iptc.SetTagValue("Keywords", "sun");
    const std::string changed = kVersion + Dataset(2, 25, "sun") + '\0';
    EXPECT_EQ(iptc.BuildSegment(),
              kSignature + resolution + Resource(0x0404, changed) + version + tail);
    // Data that differ only by a padding byte are other bytes too; without
    // its digest, the segment is like one of our own making.
    iptc.ParseSegment(kSignature + Resource(0x0404, kVersion + Dataset(2, 25, "sea")) + digest);
    EXPECT_EQ(iptc.BuildSegment(), kSignature + Resource(0x0404, data) + kEmptyUrl);
    // Without an IPTC resource, any digest is of other data.
    iptc.ParseSegment(kSignature + digest + resolution);
    EXPECT_EQ(iptc.BuildSegment(), kSignature + Resource(0x0404, kVersion + '\0') + resolution);
}

TEST(IptcSegment, ReadingStaysInsideTheIptcResource) {
    TimgData owner;
    TIPTCdata iptc(owner);
    const std::string thumbnail = Resource(0x0409, Dataset(2, 25, "bad"));
    iptc.ParseSegment(kSignature + thumbnail);
    EXPECT_FALSE(iptc.HasEntries());
    // Without an IPTC resource the new one goes first, so that a later read
    // meets it before anything it cannot walk.
    iptc.SetTagValue("Keywords", "sea");
    const std::string data = kVersion + Dataset(2, 25, "sea");
    EXPECT_EQ(iptc.BuildSegment(), kSignature + Resource(0x0404, data + '\0') + thumbnail);

    // A dataset that passes the resource's end, in a resource that passes the
    // payload's end: what is there is read, and written back with its length.
    iptc.ParseSegment(kSignature + "8BIM\x04\x04" + std::string("\0\0\0\0\1\0", 6) +
                      Dataset(2, 90, "Brest") + Dataset(2, 5, std::string(64, 'c')).substr(0, 8));
    EXPECT_EQ(iptc.TagValueOr("City", ""), "Brest");
    EXPECT_EQ(iptc.TagValueOr("ObjectName", ""), "ccc");
    EXPECT_EQ(iptc.BuildSegment(), kSignature +
                                       Resource(0x0404, kVersion + Dataset(2, 90, "Brest") +
                                                            Dataset(2, 5, "ccc") + '\0') +
                                       kEmptyUrl);
}

TEST(IptcSegment, KeywordsAreSeparatedBySemicolonsToo) {
    TimgData owner;
    TIPTCdata iptc(owner);
    iptc.SetTagValue("Keywords", "été; mer,, x ;");
    iptc.SetTagValue("SuppCategory", "a;b, c");
    const std::string data = kVersion + Dataset(2, 25, "été") + Dataset(2, 25, "mer") +
                             Dataset(2, 25, "") + Dataset(2, 25, "x") + Dataset(2, 20, "a;b") +
                             Dataset(2, 20, "c");
    EXPECT_EQ(iptc.BuildSegment(), kSignature + Resource(0x0404, Padded(data)) + kEmptyUrl);
}

// A block read with the texts of its application record in Windows-1252 and
// binary data beside them: a preview's format (2:200) and an object data
// record (8:10), and envelope datasets before and after the character set's
// place (1:0 and 1:100).
const std::string kEnvelope = Dataset(1, 0, std::string("\0\4", 2));
const std::string kUno = Dataset(1, 100, "uno");
const std::string kBinary = Dataset(2, 200, "\xE9\x01") + Dataset(8, 10, "\xE9\xFF");

std::string Cp1252Block(const std::string& charset) {
    return kSignature +
           Resource(0x0404, kEnvelope + charset + kUno + kVersion + Dataset(2, 25, "un") +
                                Dataset(2, 120, "L\xE9gende \x80") + kBinary);
}

TEST(IptcSegment, TextsThatFitKeepTheBlocksCodePage) {
    TimgData owner;
    TIPTCdata iptc(owner);
    iptc.ParseSegment(Cp1252Block(""));
    EXPECT_EQ(iptc.TextOf(iptc.TagValueOr("ImageCaption", "")), "Légende €");
    EXPECT_EQ(iptc.DataOf("café, Œuvre"), "caf\xE9, \x8Cuvre");
    EXPECT_EQ(iptc.DataOf("日本"), std::nullopt);
    EXPECT_EQ(iptc.SetTagText("Keywords", "café, Œuvre"), 0);
    EXPECT_FALSE(iptc.DeclaresUtf8());
    EXPECT_EQ(iptc.BuildSegment(),
              kSignature +
                  Resource(0x0404, Padded(kEnvelope + kUno + kVersion + Dataset(2, 25, "caf\xE9") +
                                          Dataset(2, 25, "\x8Cuvre") +
                                          Dataset(2, 120, "L\xE9gende \x80") + kBinary)) +
                  kEmptyUrl);

    // A block that declares UTF-8 takes every text as it is.
    iptc.ParseSegment(kSignature +
                      Resource(0x0404, Dataset(1, 90, "\x1b%G") + kVersion + Dataset(2, 25, "un")));
    EXPECT_EQ(iptc.SetTagText("Keywords", "café, 日本"), 0);
    EXPECT_EQ(iptc.BuildSegment(),
              kSignature +
                  Resource(0x0404, Padded(Dataset(1, 90, "\x1b%G") + kVersion +
                                          Dataset(2, 25, "café") + Dataset(2, 25, "日本"))) +
                  kEmptyUrl);
}

TEST(IptcSegment, ATextTheCodePageLacksMakesTheBlockUtf8) {
    // Without a declaration, and with one of another character set.
    for (const std::string& charset : {std::string(), Dataset(1, 90, "\x1b-A")}) {
        SCOPED_TRACE(charset.size());
        TimgData owner;
        TIPTCdata iptc(owner);
        iptc.ParseSegment(Cp1252Block(charset));
        EXPECT_EQ(iptc.SetTagText("Keywords", "café, 日本"), 0);
        EXPECT_TRUE(iptc.DeclaresUtf8());
        // The declaration in the envelope's order, the texts in UTF-8, the
        // binary data as they were.
        const std::string data = kEnvelope + Dataset(1, 90, "\x1b%G") + kUno + kVersion +
                                 Dataset(2, 25, "café") + Dataset(2, 25, "日本") +
                                 Dataset(2, 120, "Légende €") + kBinary;
        EXPECT_EQ(iptc.BuildSegment(), kSignature + Resource(0x0404, Padded(data)) + kEmptyUrl);
        EXPECT_EQ(iptc.TextOf(iptc.TagValueOr("ImageCaption", "")), "Légende €");
    }
}

TEST(IptcSegment, LongDataUseAnExtendedLength) {
    TimgData owner;
    TIPTCdata iptc(owner);
    const std::string caption(40000, 'c');
    iptc.SetTagValue("ImageCaption", caption);
    const std::string built = iptc.BuildSegment();
    EXPECT_NE(built.find(std::string("\x1c\x02\x78\x80\x04\x00\x00\x9c\x40", 9) + caption),
              std::string::npos);
    iptc.ParseSegment(built);
    EXPECT_EQ(iptc.TagValueOr("ImageCaption", ""), caption);
}

class IptcWithExifTool : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_PROGRAM("exiftool"); }
    // Adds keywords to a picture through a read, an edit and a save, and
    // checks that ExifTool finds the new keywords and everything else as it was.
    // Reads the file's IPTC data, sets its keywords and saves them in place.
    static void WriteKeywords(const std::string& path, const std::string& keywords) {
        TimgData owner;
        ASSERT_TRUE(owner.ReadPictureFile(path));
        ASSERT_NE(owner.IptcObj(), nullptr);
        owner.IptcObj()->ParseOwnerSegment();
        owner.IptcObj()->SetTagValue("Keywords", keywords);
        owner.IptcObj()->WriteToFile(path);
    }

    void SaveKeywords(const std::string& path, const std::string& keywords,
                      const std::string& expected) {
        // The record version is always written as 2; the EXIF block must come
        // back byte for byte.
        const std::string others =
            "-a -G1 -s -Photoshop:all -IPTC:all --Keywords --ApplicationRecordVersion " +
            ShellQuote(path);
        const std::string exif = "-b -EXIF " + ShellQuote(path);
        const std::string validate = "-validate -warning -a " + ShellQuote(path);
        const std::string before = ExifTool(others);
        const std::string exif_before = ExifTool(exif);
        const std::string warnings = ExifTool(validate);
        const std::string picture = PictureData(path);
        WriteKeywords(path, keywords);
        EXPECT_EQ(ExifTool("-s3 -sep '|' -Keywords " + ShellQuote(path)), expected + "\n");
        EXPECT_EQ(ExifTool(others), before);
        EXPECT_TRUE(ExifTool(exif) == exif_before);
        EXPECT_EQ(ExifTool(validate), warnings);
        EXPECT_TRUE(PictureData(path) == picture);
    }
    TempDir dir_;
};

TEST_F(IptcWithExifTool, KeywordsItWroteAreReadAndSaved) {
    const std::string path = dir_ / "tagged.jpg";
    WriteJpeg(path, *Pattern(64, 48));
    ExifTool(
        "-q -overwrite_original -Keywords=sea -Keywords=sun -SupplementalCategories=a "
        "-SupplementalCategories=b -City=Brest -CodedCharacterSet=UTF8 -CopyrightFlag=true "
        "-URL=http://example.org -Make=Maker -DateTimeOriginal='2024:05:06 07:08:09' " +
        ShellQuote(path));
    TimgData owner;
    ASSERT_TRUE(owner.ReadPictureFile(path));
    ASSERT_NE(owner.IptcObj(), nullptr);
    owner.IptcObj()->ParseOwnerSegment();
    EXPECT_EQ(owner.IptcObj()->TagValueOr("Keywords", ""), "sea,sun");
    EXPECT_EQ(owner.IptcObj()->TagValueOr("SuppCategory", ""), "a,b");
    SaveKeywords(path, "sea, sun,,sky", "sea|sun||sky");
}

TEST_F(IptcWithExifTool, NoDigestIsLeftStale) {
    const std::string path = dir_ / "digest.jpg";
    WriteJpeg(path, *Pattern(64, 48));
    ExifTool("-q -overwrite_original -Keywords=sea -Keywords=sun -IPTCDigest=new " +
             ShellQuote(path));
    const std::string validate = "-validate -warning -a " + ShellQuote(path);
    const std::string digests = "-s3 -f -IPTCDigest -CurrentIPTCDigest " + ShellQuote(path);
    ASSERT_EQ(ExifTool(validate), "Validate                        : OK\n");
    ASSERT_EQ(Split(ExifTool(digests)).size(), 2u);

    for (const std::string keywords : {"", "sea,sky"}) {
        SCOPED_TRACE(keywords);
        WriteKeywords(path, keywords);
        EXPECT_EQ(ExifTool(validate), "Validate                        : OK\n");
        // Our record version differs from the one ExifTool writes: the data
        // are never the same bytes, and the digest goes.
        EXPECT_EQ(Split(ExifTool(digests)).front(), "-");
    }
    EXPECT_EQ(ExifTool("-s3 -sep '|' -Keywords " + ShellQuote(path)), "sea|sky\n");
}

TEST_F(IptcWithExifTool, KeywordsBeyondTheCodePageAreReadBackAsWritten) {
    const std::string path = dir_ / "camera.jpg";
    std::filesystem::copy_file(TestData("exif-samples/jpg/exif-org/nikon-e950.jpg"), path);
    ExifTool(
        "-q -overwrite_original -charset iptc=cp1252 -Keywords=un -City=Brest "
        "-Caption-Abstract=Légende " +
        ShellQuote(path));
    // The thumbnail's offset counts from the start of the file, and the IPTC
    // segment before it grows.
    const std::string others =
        "-a -G1 -s -EXIF:all -Photoshop:all --ThumbnailOffset " + ShellQuote(path);
    const std::string before = ExifTool(others);
    const std::string picture = PictureData(path);
    {
        TimgData owner;
        ASSERT_TRUE(owner.ReadPictureFile(path));
        ASSERT_NE(owner.IptcObj(), nullptr);
        owner.IptcObj()->ParseOwnerSegment();
        EXPECT_FALSE(owner.IptcObj()->DeclaresUtf8());
        owner.IptcObj()->SetTagText("Keywords", "café, 日本");
        owner.IptcObj()->WriteToFile(path);
    }
    EXPECT_EQ(ExifTool("-b -charset iptc=UTF8 -IPTC:Keywords " + ShellQuote(path)), "café\n日本");
    EXPECT_EQ(ExifTool("-s3 -IPTC:CodedCharacterSet -IPTC:City -IPTC:Caption-Abstract " +
                       ShellQuote(path)),
              "UTF8\nBrest\nLégende\n");
    EXPECT_EQ(ExifTool(others), before);
    EXPECT_TRUE(PictureData(path) == picture);

    TimgData owner;
    ASSERT_TRUE(owner.ReadPictureFile(path));
    owner.IptcObj()->ParseOwnerSegment();
    EXPECT_EQ(owner.IptcObj()->TextOf(owner.IptcObj()->TagValueOr("Keywords", "")), "café,日本");
}

TEST_F(IptcWithExifTool, CameraPictureKeepsItsResources) {
    const std::string camera = TestData("exif-samples/jpg/exif-org/nikon-e950.jpg");
    const std::string path = dir_ / "camera.jpg";
    std::filesystem::copy_file(camera, path);
    SaveKeywords(path, "nikon,e950", "nikon|e950");
}

}  // namespace
}  // namespace metadata
