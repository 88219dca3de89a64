#include "metadata/maker_notes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <tuple>

#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "metadata/value_format.h"
#include "pictures.h"
#include "test_support.h"
#include "tiff_builder.h"

namespace metadata {
namespace {

using namespace testing_support;

using namespace testing;

// The EXIF segment, from its length on, of a picture by `make` whose maker
// note sits at offset 300 of the TIFF data; `extra` sits at offset 240,
// outside the note.
constexpr size_t kNoteAt = 300;
std::string ExifSegment(bool motorola, const std::string& make, const std::string& model,
                        const std::string& note, const std::string& extra = {}) {
    testing::Tiff tiff(motorola);
    tiff.Add({Ascii(0x010F, make), Ascii(0x0110, model), testing::Long(0x8769, 200, motorola)});
    tiff.PadTo(200);
    tiff.Add(
        {{0x9000, kUndefined, 4, "0210"},
         {0x927C, kUndefined, static_cast<uint32_t>(note.size()), Number(kNoteAt, 4, motorola)}});
    tiff.PadTo(240);
    tiff.Append(extra);
    tiff.PadTo(kNoteAt);
    tiff.Append(note);
    return testing::ExifSegment(tiff.Bytes()).substr(2);
}

// The maker entries by name, the first of each name.
std::map<std::string, TTagEntry> MakerTags(const TImageInfo& info) {
    std::map<std::string, TTagEntry> tags;
    for (const TTagEntry& entry : info.Tags()) {
        if (entry.table_id == 1) tags.emplace(entry.name, entry);
    }
    return tags;
}

// A maker note walked straight from an EXIF segment, as the directory walk
// does when it meets the MakerNote entry.
struct Walked {
    Walked(const std::string& make, bool motorola, const std::string& note,
           const std::string& extra = {}, const std::string& version = "0210") {
        info.SetData(ExifSegment(motorola, make, "Model", note, extra));
        info.SetMotorola(motorola);
        info.CameraMake = make;
        info.ExifVersion = version;
        info.MakerNote = note;
        info.MakerNotePosition = 9 + kNoteAt;
        TmsInfo maker(false, info);
        known = maker.ReadMakerNote();
        maker_name = maker.MakerName();
        tags = MakerTags(info);
    }
    TimgData owner{255};
    TImageInfo info{owner, 255};
    bool known = false;
    std::string maker_name;
    std::map<std::string, TTagEntry> tags;
};

std::map<std::string, std::string> ExiftoolMakerTags(const std::string& path) {
    std::string out;
    EXPECT_EQ(Run("exiftool -n -u -S -MakerNotes:all " + ShellQuote(path), &out), 0);
    std::map<std::string, std::string> tags;
    for (const std::string& line : Split(out)) {
        const size_t colon = line.find(": ");
        if (colon != std::string::npos) tags.emplace(line.substr(0, colon), line.substr(colon + 2));
    }
    return tags;
}

// Our entry as the oracle prints it with -n: texts to their first NUL,
// numbers separated by blanks, through the code list when there is one.
void ExpectAgrees(const TTagEntry& ours, const std::string& theirs, const std::string& codes) {
    const std::string list = ours.code_list.empty() ? codes : ours.code_list;
    if (!list.empty()) {
        EXPECT_EQ(ours.display, DecodeCode(list, theirs)) << ours.name;
    } else if (ours.tiff_type == kAscii || ours.tiff_type == kUndefined) {
        std::string text = ours.raw.substr(0, ours.raw.find('\0'));
        text.erase(0, text.find_first_not_of(' '));
        text.erase(text.find_last_not_of(' ') + 1);
        EXPECT_EQ(text, theirs) << ours.name;
    } else {
        std::string numbers = ours.display;
        for (size_t at; (at = numbers.find(", ")) != std::string::npos;) numbers.erase(at, 1);
        numbers.erase(0, numbers.find_first_not_of(' '));
        EXPECT_EQ(numbers, theirs) << ours.name;
    }
}

struct Compared {
    const char* ours;
    const char* theirs;
    const char* codes = "";
};

void ExpectAgreesWithExiftool(const std::string& path, const std::vector<Compared>& rows) {
    TimgData data;
    ASSERT_TRUE(data.ReadPictureFile(path)) << data.ErrorText();
    const auto ours = MakerTags(*data.ExifObj());
    const auto theirs = ExiftoolMakerTags(path);
    for (const Compared& row : rows) {
        ASSERT_TRUE(ours.contains(row.ours)) << row.ours;
        ASSERT_TRUE(theirs.contains(row.theirs)) << row.theirs;
        ExpectAgrees(ours.at(row.ours), theirs.at(row.theirs), row.codes);
    }
}

class Oracle : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_PROGRAM("exiftool"); }
};

TEST_F(Oracle, EachMakerFamilyOfTheCameraFilesListsTheTagsExiftoolFinds) {
    const auto camera = [](const std::string& name) {
        return TestData("exif-samples/jpg/exif-org/" + name);
    };
    ExpectAgreesWithExiftool(camera("canon-ixus.jpg"),
                             {{"OwnerName", "OwnerName"},
                              {"ImageNumber", "FileNumber"},
                              {"OpticalZoom Step", "OpticalZoomCode"},
                              {"White balance", "WhiteBalance", "0:Auto,1:Sunny"}});
    ExpectAgreesWithExiftool(camera("nikon-e950.jpg"),
                             {{"Quality", "Quality"}, {"WhiteBalance", "WhiteBalance"}});
    ExpectAgreesWithExiftool(camera("olympus-c960.jpg"),
                             {{"JpegQual", "Quality"}, {"CameraID", "CameraID"}});
    // Fujifilm notes are Intel-ordered inside this Motorola-ordered file.
    ExpectAgreesWithExiftool(
        camera("fujifilm-finepix40i.jpg"),
        {{"Quality", "Quality"}, {"Sharpness", "Sharpness"}, {"PictureMode", "PictureMode"}});
    ExpectAgreesWithExiftool(camera("sanyo-vpcsx550.jpg"), {{"JpegQuality", "SanyoQuality"}});

    // The first row of a table is never listed, though the note holds its tag.
    for (const auto& [file, ours, theirs] :
         {std::tuple{"nikon-e950.jpg", "FamilyID", "Nikon_Type2_0x0002"},
          {"fujifilm-finepix40i.jpg", "Version", "Version"},
          {"sanyo-vpcsx550.jpg", "Special Mode", "SpecialMode"}}) {
        TimgData data;
        ASSERT_TRUE(data.ReadPictureFile(camera(file)));
        EXPECT_FALSE(MakerTags(*data.ExifObj()).contains(ours)) << file;
        EXPECT_TRUE(ExiftoolMakerTags(camera(file)).contains(theirs)) << file;
    }
}

// A Canon note of offsets counting from the TIFF header, written by us and
// read by both readers.
std::string CanonNote(bool motorola) {
    std::vector<uint16_t> settings(33, 0);
    settings[0] = 66;    // byte count
    settings[2] = 7;     // self timer
    settings[23] = 300;  // long focal
    settings[24] = 35;
    settings[25] = 1;
    std::vector<uint16_t> shot(20, 0);
    shot[0] = 40;
    shot[7] = 1;  // sunny
    return Directory({Shorts(0x0001, settings, motorola),
                      Shorts(0x0004, shot, motorola),
                      Ascii(0x0009, "Owner été"),  // UTF-8
                      {0x000C, kLong, 1, Number(1234567, 4, motorola)},
                      Shorts(0x000F, {8, 257, 770, 1793}, motorola)},
                     motorola, kNoteAt);
}

TEST_F(Oracle, CanonArraysAgreeWithExiftoolInBothByteOrders) {
    const TempDir dir;
    const std::string picture = dir / "picture.jpg";
    WriteJpeg(picture, *Pattern(8, 8));
    const std::vector<uint8_t> body = ReadFile(picture);
    for (const bool motorola : {false, true}) {
        std::string jpeg = std::string("\xFF\xD8\xFF\xE1") +
                           ExifSegment(motorola, "Canon", "Canon EOS D30", CanonNote(motorola));
        jpeg.append(body.begin() + 2, body.end());
        WriteFile(picture, jpeg);

        TimgData data;
        ASSERT_TRUE(data.ReadPictureFile(picture)) << data.ErrorText();
        const auto ours = MakerTags(*data.ExifObj());
        const auto theirs = ExiftoolMakerTags(picture);
        EXPECT_EQ(ours.at("Long focal").display, " " + theirs.at("MaxFocalLength"));
        EXPECT_EQ(ours.at("Short focal").display, " " + theirs.at("MinFocalLength"));
        EXPECT_EQ(ours.at("Self Timer").display, " 7");
        EXPECT_EQ(ours.at("OwnerName").display, "\"" + theirs.at("OwnerName") + "\"");
        EXPECT_EQ(ours.at("CameraSerialNumber").display, theirs.at("SerialNumber"));
        EXPECT_EQ(ours.at("White balance").display, "Sunny");
        EXPECT_EQ(theirs.at("WhiteBalance"), "1");
        // Words are function * 256 + value; the byte count is function 0, the
        // mirror lockup's value 2 is not in its list, the last word is read.
        EXPECT_EQ(theirs.at("LongExposureNoiseReduction"), "1");
        EXPECT_EQ(ours.at("Noise Reduction").display, " On");
        EXPECT_EQ(theirs.at("MirrorLockup"), "2");
        EXPECT_FALSE(ours.contains("Mirror Lockup"));
        EXPECT_EQ(theirs.at("AEBSequenceAutoCancel"), "1");
        EXPECT_EQ(ours.at("CustomFunctions").display,
                  "\r\nNoise Reduction =  On\r\nAEB Sequence = 0 - + / Disabled");
    }
}

TEST(MakerNotes, TheMakeIsComparedInCapitalsOnItsFirstFiveLetters) {
    const std::string older =
        std::string("Nikon\0\1\0", 8) +
        Directory({Ascii(0x0002, "08.00"), Shorts(0x0003, {12}, false)}, false, kNoteAt + 8);
    const Walked mixed("nIkOn corporation", false, older);
    EXPECT_TRUE(mixed.known);
    EXPECT_FALSE(mixed.tags.contains("FamilyID"));
    EXPECT_EQ(mixed.tags.at("Quality").display, "2 Mpixel Fine");

    const Walked other("Nikkor", false, older);
    EXPECT_FALSE(other.known);
    EXPECT_EQ(other.maker_name, "Nikkor");
    EXPECT_TRUE(other.info.Tags().empty());
}

TEST(MakerNotes, EachMakerAddressesItsValuesItsOwnWay) {
    // Canon offsets count from the TIFF header: a value before the note is
    // read from the segment.
    const std::string canon =
        Directory({{0x0009, kAscii, 6, Number(240, 4, false)}}, false, kNoteAt);
    EXPECT_EQ(Walked("Canon", false, canon, std::string("Elsew\0", 6)).tags.at("OwnerName").display,
              "\"Elsew\"");

    // Fujifilm offsets count from the note, which is Intel-ordered whatever
    // the picture's order: one pointing past the note gives nothing.
    const std::string fuji = std::string("FUJIFILM") + Number(12, 4, false) +
                             Directory({{0x1000, kAscii, 9, Number(4000, 4, false)},
                                        Ascii(0x1001, "SOFT TEXT"),
                                        Shorts(0x1020, {1}, false)},
                                       false, 12);
    const Walked walked("FUJIFILM", true, fuji);
    EXPECT_FALSE(walked.tags.contains("Quality"));
    EXPECT_EQ(walked.tags.at("Sharpness").display, "\"SOFT TEXT\"");
    EXPECT_EQ(walked.tags.at("Macro").display, "On");

    // A newer Nikon note has a TIFF header of its own, whose order it uses
    // and from which its offsets count.
    const std::string nikon =
        std::string("Nikon\0\2\x10\0\0MM\0\x2a\0\0\0\x08", 18) +
        Directory({Shorts(0x0002, {0, 200}, true), Ascii(0x0004, "FINE  ")}, true, 8);
    const Walked newer("NIKON", false, nikon, {}, "0220");
    EXPECT_EQ(newer.tags.at("ISOSpeed").display, "0, 200");
    EXPECT_EQ(newer.tags.at("Quality").display, "\"FINE  \"");
}

TEST(MakerNotes, HostileEntriesAreSkippedAndATruncatedDirectoryEndsTheWalk) {
    std::string note = Directory({{0x0006, 0, 4, "abcd"},
                                  {0x0006, 13, 1, "abcd"},
                                  {0x0006, kAscii, 0x80000000u, "abcd"},
                                  {0x0007, kAscii, 40, Number(0xFFFFFF00u, 4, false)},
                                  {0x0007, kAscii, 40, Number(0x7FFFFFF0u, 4, false)},
                                  {0x0010, kAscii, 4, "abc"},
                                  {0x4242, kAscii, 4, "abc"},
                                  Ascii(0x0008, "1"),
                                  Ascii(0x0009, "Me")},
                                 false, kNoteAt);
    note.resize(2 + 12 * 8 + 6);  // the last entry is cut
    const Walked walked("Canon", false, note);
    EXPECT_EQ(walked.info.Tags().size(), 1u);
    EXPECT_EQ(walked.tags.at("ImageNumber").display, "\"1\"");
    EXPECT_EQ(walked.owner.ErrorText(), "Error Detected = Erreur de vérification d'étendue");
}

}  // namespace
}  // namespace metadata
