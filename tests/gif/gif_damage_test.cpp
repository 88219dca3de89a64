// Damaged and unusual files: each loads with the warnings the codec reports
// for it, or fails with its exact error, and none reads out of bounds (the
// suite runs under the sanitizers).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gif_test_support.h"
#include "platform/core/stream.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::Bytes;
using gif_testing::Image;
using gif_testing::operator+;
using gif_testing::Load;
using gif_testing::Loaded;
using gif_testing::LoadError;
using gif_testing::OneFrame;
using gif_testing::PackCodes;
using gif_testing::Pixels;
using gif_testing::Screen;

using Warnings = std::vector<std::string>;

// Clear code, then `count` literals of the pattern, then the end code.
std::vector<int> Literals(int min_code_size, int count, bool end = true) {
    std::vector<int> codes{1 << min_code_size};
    for (int i = 0; i < count; ++i) codes.push_back(i % 3);
    if (end) codes.push_back((1 << min_code_size) + 1);
    return codes;
}
std::vector<uint8_t> Pattern(int count, int size) {
    std::vector<uint8_t> pixels(static_cast<size_t>(size), 0);
    for (int i = 0; i < count; ++i) pixels[static_cast<size_t>(i)] = static_cast<uint8_t>(i % 3);
    return pixels;
}

// The bytes without their last `count`.
Bytes operator-(Bytes bytes, size_t count) {
    bytes.resize(bytes.size() - count);
    return bytes;
}

const Bytes kFrame10 = Image(10, 10, PackCodes(2, Literals(2, 100)));
const Bytes kScreen10 = Screen(10, 10, 4);
const Bytes kTrailer = {0x3B};
const Bytes kControl = {0x21, 0xF9, 4, 0x01, 0, 0, 3, 0};  // transparent index 3

// The data of a frame whose last code ends exactly where its data end (no
// end code): decoding runs out of bits before the last pixel.
Bytes DataEndingOnAByte(int* pixels) {
    for (int count = 40;; ++count) {
        size_t bits = 0;
        Bytes data = PackCodes(2, Literals(2, count, false), &bits);
        if (bits % 8 == 0) {
            *pixels = count;
            return data;
        }
    }
}

struct LoadCase {
    LoadCase(std::string name_, Bytes file_, Warnings warnings_, std::vector<uint8_t> frame0_,
             int32_t frames_ = 1, std::vector<uint8_t> frame1_ = {})
        : name(std::move(name_)),
          file(std::move(file_)),
          warnings(std::move(warnings_)),
          frame0(std::move(frame0_)),
          frames(frames_),
          frame1(std::move(frame1_)) {}
    std::string name;
    Bytes file;
    Warnings warnings;
    std::vector<uint8_t> frame0;  // pixels of the first frame, when checked
    int32_t frames;
    std::vector<uint8_t> frame1;  // pixels of the second frame, when checked
};

std::vector<LoadCase> LoadCases() {
    std::vector<LoadCase> cases;
    const std::vector<uint8_t> all = Pattern(100, 100);
    cases.push_back({"complete", kScreen10 + kFrame10 + kTrailer, {}, all});
    cases.push_back(
        {"lower-case signature", Screen(10, 10, 4, "gif89a") + kFrame10 + kTrailer, {}, all});
    cases.push_back(
        {"unknown version", Screen(10, 10, 4, "GIFxyz") + kFrame10 + kTrailer, {}, all});
    cases.push_back({"4 bytes before the signature",
                     Bytes{1, 2, 3, 4} + kScreen10 + kFrame10 + kTrailer,
                     {},
                     all});
    cases.push_back({"no trailer", kScreen10 + kFrame10, {}, all});
    cases.push_back({"no terminator and no trailer", kScreen10 + (kFrame10 - 1), {}, all});
    cases.push_back({"stray byte for a trailer",
                     kScreen10 + kFrame10 + Bytes{0x55},
                     {"Unknown GIF block type", "Invalid Image trailer"},
                     all});
    cases.push_back({"zero bytes between blocks",
                     kScreen10 + Bytes{0, 0} + kFrame10 + Bytes{0, 0, 0} + kTrailer,
                     {},
                     all});
    cases.push_back(
        {"cut inside a sub-block", kScreen10 + (kFrame10 - 20), {"Premature end of data"}, {}});
    {
        Bytes frame = Image(100, 100, PackCodes(2, Literals(2, 10000)));
        frame.resize(10 + 1 + 1 + 255);  // block, code size, one whole sub-block
        cases.push_back({"cut after a sub-block", Screen(100, 100, 4) + frame, {}, {}});
    }
    cases.push_back({"zero-width frame takes the screen's size",
                     kScreen10 + Image(0, 7, PackCodes(2, Literals(2, 100))) + kTrailer,
                     {"Image exceeds Logical Screen size"},
                     all});
    cases.push_back({"zero-size frame on a zero-size screen, then a frame",
                     Screen(0, 0, 4) + Image(0, 0, PackCodes(2, Literals(2, 30))) +
                         Image(2, 2, PackCodes(2, Literals(2, 4))) + kTrailer,
                     {"Image exceeds Logical Screen size"},
                     {},
                     2,
                     Pattern(4, 4)});
    cases.push_back(
        {"data beyond the last pixel, then a frame",
         kScreen10 + Image(10, 10, PackCodes(2, Literals(2, 150))) + kFrame10 + kTrailer,
         {},
         all,
         2,
         all});
    {
        std::vector<int> codes = Literals(2, 50);
        codes.insert(codes.end(), 300, 1);  // after the end code: skipped
        cases.push_back({"end code before the last pixel, then a frame",
                         kScreen10 + Image(10, 10, PackCodes(2, codes)) + kFrame10 + kTrailer,
                         {},
                         Pattern(50, 100),
                         2,
                         all});
    }
    cases.push_back({"only a clear code and an end code",
                     kScreen10 + kControl + Image(10, 10, PackCodes(2, {4, 5})) + kTrailer,
                     {},
                     std::vector<uint8_t>(100, 3)});
    {
        int count = 0;
        const Bytes data = DataEndingOnAByte(&count);
        cases.push_back({"bits run out before the last pixel",
                         kScreen10 + Image(10, 10, data) + kTrailer,
                         {"Decoder bit buffer under-run"},
                         Pattern(count, 100)});
    }
    cases.push_back(
        {"no minimum code size", kScreen10 + Image(10, 10, {}), {}, std::vector<uint8_t>(100, 0)});
    cases.push_back({"graphic control cut short",
                     kScreen10 + Bytes{0x21, 0xF9, 4, 0},
                     {"Premature end of data"},
                     {}});
    cases.push_back(
        {"junk after an extension",
         kScreen10 + kControl + Bytes{0x99} + kFrame10 + kTrailer,
         {"Invalid extension introducer", "Unknown GIF block type", "Invalid Image trailer"},
         {}});
    cases.push_back({"extensions after the last frame",
                     kScreen10 + kFrame10 + kControl + kTrailer,
                     {},
                     all,
                     2});
    return cases;
}

TEST(DamagedFiles, LoadWithTheirWarnings) {
    for (const LoadCase& c : LoadCases()) {
        SCOPED_TRACE(c.name);
        Loaded loaded;
        ASSERT_NO_THROW(loaded = Load(c.file));
        EXPECT_EQ(*loaded.warnings, c.warnings);
        ASSERT_EQ(loaded.image->Images().Count(), c.frames);
        if (!c.frame0.empty()) {
            EXPECT_TRUE(Pixels(*loaded.image->Images().SubImages(0)) == c.frame0);
        }
        if (!c.frame1.empty()) {
            EXPECT_TRUE(Pixels(*loaded.image->Images().SubImages(1)) == c.frame1);
        }
    }
}

TEST(DamagedFiles, ACutFrameKeepsWhatWasDecoded) {
    const Bytes whole = kScreen10 + kFrame10 + kTrailer;
    const std::vector<uint8_t> all = Pattern(100, 100);
    for (size_t size = kScreen10.size() + 12; size < whole.size(); ++size) {
        SCOPED_TRACE(size);
        Loaded loaded = Load(Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(size)));
        const std::vector<uint8_t> pixels = Pixels(*loaded.image->Images().SubImages(0));
        // A prefix of the pixels, the rest left at 0.
        size_t decoded = 0;
        while (decoded < pixels.size() && pixels[decoded] == all[decoded]) ++decoded;
        EXPECT_TRUE(std::all_of(pixels.begin() + static_cast<ptrdiff_t>(decoded), pixels.end(),
                                [](uint8_t p) { return p == 0; }));
    }
}

TEST(DamagedFiles, FailWithTheirError) {
    struct Case {
        std::string name;
        Bytes file;
        std::string error;
    };
    const Bytes frame = Image(10, 10, PackCodes(3, Literals(3, 100)));
    const std::vector<Case> cases{
        {"empty file", {}, "Premature end of data"},
        {"5 bytes before the signature", Bytes{1, 2, 3, 4, 5} + kScreen10 + kFrame10,
         "Invalid GIF signature"},
        {"not a GIF", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "Invalid GIF signature"},
        {"global table cut short", Screen(10, 10, 256) - 400, "Premature end of data"},
        {"local table cut short", kScreen10 + Bytes{0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x87, 1, 2},
         "Premature end of data"},
        {"image block cut short", kScreen10 + Bytes{0x2C, 0, 0, 0, 0, 1}, "Premature end of data"},
        {"screen too large", Screen(20000, 20000, 4) + kFrame10, "Invalid image dimensions"},
        {"frame too large", kScreen10 + Image(20000, 20000, PackCodes(2, {4, 5})),
         "Invalid image dimensions"},
        {"minimum code size 12", kScreen10 + Image(10, 10, {12, 1, 0, 0}), "Invalid GIF data"},
        {"entry that is its own prefix", kScreen10 + Image(10, 10, PackCodes(3, {8, 0, 11, 1, 11})),
         "Circular decoder table entry"},
        {"two entries prefixing each other",
         kScreen10 + Image(10, 10, PackCodes(3, {8, 0, 12, 11, 0, 11})),
         "Circular decoder table entry"},
        {"unknown extension label", kScreen10 + Bytes{0x21, 0x42, 0} + frame,
         "Unknown extension type"},
        {"application block of 5 bytes",
         kScreen10 + Bytes{0x21, 0xFF, 5, 'A', 'B', 'C', 'D', 'E', 0} + frame,
         "Unsupported Application Extension block size"},
        {"loop count cut short",
         kScreen10 +
             Bytes{0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 2, 1, 0,
                   0} +
             frame,
         "Invalid GIF data"},
        {"comment cut short", kScreen10 + Bytes{0x21, 0xFE, 10, 'a', 'b'}, "Premature end of data"},
    };
    for (const Case& c : cases) EXPECT_EQ(LoadError(c.file), c.error) << c.name;
}

TEST(DamagedFiles, AFailedLoadLeavesTheStreamWhereItWas) {
    const Bytes file = Bytes{9, 9, 9} + kScreen10 + Image(10, 10, PackCodes(3, {8, 0, 11, 1, 11}));
    platform::MemoryStream stream(file);
    stream.SetPosition(3);
    TGIFImage image;
    EXPECT_THROW(image.LoadFromStream(stream), GIFException);
    EXPECT_EQ(stream.Position(), 3);
    // The frames read before the failure stay.
    EXPECT_EQ(image.Width(), 10);
}

TEST(DamagedFiles, FromAFileTheStreamEndsAfterTheTrailer) {
    testing_support::TempDir dir;
    const Bytes file = kScreen10 + kFrame10 + kTrailer + Bytes{'x', 'y'};
    testing_support::WriteFile(dir / "a.gif", file);
    platform::FileStream stream(dir / "a.gif", platform::FileMode::Read);
    TGIFImage image;
    image.LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(file.size() - 2));
    EXPECT_TRUE(Pixels(*image.Images().SubImages(0)) == Pattern(100, 100));
}

}  // namespace
}  // namespace gif
