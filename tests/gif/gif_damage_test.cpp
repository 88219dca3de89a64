// Damaged and unusual files: each loads with the warnings the codec reports
// for it, or fails with its exact error, and none reads out of bounds (the
// suite runs under the sanitizers).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gif_test_support.h"
#include "platform/core/stream.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::Application;
using gif_testing::Bytes;
using gif_testing::Image;
using gif_testing::operator+;
using gif_testing::Load;
using gif_testing::PackCodes;
using gif_testing::Pixels;
using gif_testing::Screen;

// Clear code, then `count` literals 0, 1, 2, 0, ..., then the end code.
std::vector<int> Literals(int min_code_size, int count, bool end = true) {
    std::vector<int> codes{1 << min_code_size};
    for (int i = 0; i < count; ++i) codes.push_back(i % 3);
    if (end) codes.push_back((1 << min_code_size) + 1);
    return codes;
}
// The pixels of `count` such literals in a frame of `size` pixels.
std::vector<uint8_t> Pattern(int count, int size = 100) {
    std::vector<uint8_t> pixels(static_cast<size_t>(size), 0);
    for (int i = 0; i < count; ++i) pixels[static_cast<size_t>(i)] = static_cast<uint8_t>(i % 3);
    return pixels;
}

// The bytes without their last `count`.
Bytes operator-(Bytes bytes, size_t count) {
    bytes.resize(bytes.size() - count);
    return bytes;
}

const Bytes kData100 = PackCodes(2, Literals(2, 100));
const Bytes kFrame = Image(10, 10, kData100);
const Bytes kScreen = Screen(10, 10, 4);
const Bytes kEnd = {0x3B};
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

TEST(DamagedFiles, LoadWithTheirWarnings) {
    struct Case {
        std::string name;
        Bytes file;
        std::vector<std::string> warnings;
        std::vector<std::vector<uint8_t>> frames;  // the pixels of each, when given
    };
    const std::vector<uint8_t> all = Pattern(100);
    const std::string exceeds = "Image exceeds Logical Screen size";
    const std::string unknown = "Unknown GIF block type";
    const std::string trailer = "Invalid Image trailer";
    Bytes cut_after_block = Image(100, 100, PackCodes(2, Literals(2, 10000)));
    cut_after_block.resize(10 + 1 + 1 + 255);  // block, code size, one whole sub-block
    std::vector<int> skipped = Literals(2, 50);
    skipped.insert(skipped.end(), 1000, 1);  // sub-blocks after the end code
    // After a clear code, a code that is neither a literal nor the end code:
    // the frame keeps what came before it.
    std::vector<int> not_literal = Literals(2, 50, false);
    not_literal.insert(not_literal.end(), {4, 7, 1, 2, 5});
    int underrun = 0;
    const Bytes ending_on_a_byte = Image(10, 10, DataEndingOnAByte(&underrun));
    const std::vector<Case> cases{
        {"complete", kScreen + kFrame + kEnd, {}, {all}},
        {"lower-case signature", Screen(10, 10, 4, "gif89a") + kFrame + kEnd, {}, {all}},
        {"unknown version", Screen(10, 10, 4, "GIFxyz") + kFrame + kEnd, {}, {all}},
        {"4 bytes before the signature", Bytes{1, 2, 3, 4} + kScreen + kFrame + kEnd, {}, {all}},
        {"no trailer", kScreen + kFrame, {}, {all}},
        {"no terminator and no trailer", kScreen + (kFrame - 1), {}, {all}},
        {"stray byte for a trailer", kScreen + kFrame + Bytes{0x55}, {unknown, trailer}, {all}},
        {"zero bytes between blocks",
         kScreen + Bytes{0, 0} + kFrame + Bytes{0, 0, 0} + kEnd,
         {},
         {all}},
        {"cut inside a sub-block", kScreen + (kFrame - 20), {"Premature end of data"}, {{}}},
        {"cut after a sub-block", Screen(100, 100, 4) + cut_after_block, {}, {{}}},
        {"zero-width frame", kScreen + Image(0, 7, kData100) + kEnd, {exceeds}, {all}},
        {"zero-size frame on a zero-size screen, then a frame",
         Screen(0, 0, 4) + Image(0, 0, kData100) + Image(2, 2, PackCodes(2, Literals(2, 4))) + kEnd,
         {exceeds},
         {{}, Pattern(4, 4)}},
        {"sub-blocks beyond the last pixel, then a frame",
         kScreen + Image(10, 10, PackCodes(2, Literals(2, 1000))) + kFrame + kEnd,
         {},
         {all, all}},
        {"end code before the last pixel, then a frame",
         kScreen + Image(10, 10, PackCodes(2, skipped)) + kFrame + kEnd,
         {},
         {Pattern(50), all}},
        {"only a clear code and an end code",
         kScreen + kControl + Image(10, 10, PackCodes(2, {4, 5})) + kEnd,
         {},
         {Bytes(100, 3)}},
        {"bits run out before the last pixel",
         kScreen + ending_on_a_byte + kEnd,
         {"Decoder bit buffer under-run"},
         {Pattern(underrun)}},
        {"no minimum code size", kScreen + Image(10, 10, {}), {}, {Bytes(100, 0)}},
        {"graphic control cut short",
         kScreen + Bytes{0x21, 0xF9, 4, 0},
         {"Premature end of data"},
         {{}}},
        {"junk after an extension",
         kScreen + kControl + Bytes{0x99} + kFrame + kEnd,
         {"Invalid extension introducer", unknown, trailer},
         {{}}},
        {"extensions after the last frame", kScreen + kFrame + kControl + kEnd, {}, {all, {}}},
        {"not a literal after a clear code, then a frame",
         kScreen + Image(10, 10, PackCodes(2, not_literal)) + kFrame + kEnd,
         {"Invalid GIF data"},
         {Pattern(50), all}},
        {"unknown extension labels",
         kScreen + Bytes{0x21, 0x42, 0} + kControl + Bytes{0x21, 0x00, 2, 'a', 'b', 1, 'c', 0} +
             kFrame + kEnd,
         {"Unknown extension type", "Unknown extension type"},
         {all}},
        {"unknown extension cut short",
         kScreen + Bytes{0x21, 0x42, 200, 'a'},
         {"Unknown extension type"},
         {{}}},
        {"application block cut short",
         kScreen + Bytes{0x21, 0xFF, 10, 'a'},
         {"Unknown extension type"},
         {{}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gif_testing::Loaded loaded;
        ASSERT_NO_THROW(loaded = Load(c.file));
        EXPECT_EQ(*loaded.warnings, c.warnings);
        ASSERT_EQ(loaded.image->Images().Count(), std::ssize(c.frames));
        for (int32_t i = 0; i < loaded.image->Images().Count(); ++i) {
            const std::vector<uint8_t>& pixels = c.frames[static_cast<size_t>(i)];
            EXPECT_TRUE(pixels.empty() || Pixels(*loaded.image->Images().SubImages(i)) == pixels);
        }
    }
}

TEST(DamagedFiles, ACutFrameKeepsWhatWasDecoded) {
    const Bytes whole = kScreen + kFrame + kEnd;
    const std::vector<uint8_t> all = Pattern(100);
    for (size_t size = kScreen.size() + 12; size < whole.size(); ++size) {
        SCOPED_TRACE(size);
        const std::vector<uint8_t> pixels =
            Pixels(*Load(Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(size)))
                        .image->Images()
                        .SubImages(0));
        // A prefix of the pixels, the rest left at 0.
        const auto decoded = std::mismatch(pixels.begin(), pixels.end(), all.begin()).first;
        EXPECT_TRUE(std::all_of(decoded, pixels.end(), [](uint8_t p) { return p == 0; }));
    }
}

TEST(DamagedFiles, FailWithTheirError) {
    struct Case {
        std::string name;
        Bytes file;
        std::string error;
    };
    const std::vector<Case> cases{
        {"empty file", {}, "Premature end of data"},
        {"5 bytes before the signature", Bytes{1, 2, 3, 4, 5} + kScreen + kFrame,
         "Invalid GIF signature"},
        {"not a GIF", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "Invalid GIF signature"},
        {"global table cut short", Screen(10, 10, 256) - 400, "Premature end of data"},
        {"local table cut short", kScreen + Bytes{0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x87, 1, 2},
         "Premature end of data"},
        {"image block cut short", kScreen + Bytes{0x2C, 0, 0, 0, 0, 1}, "Premature end of data"},
        {"screen too large", Screen(20000, 20000, 4) + kFrame, "Mémoire insuffisante"},
        {"frame too large", kScreen + Image(20000, 20000, PackCodes(2, {4, 5})),
         "Mémoire insuffisante"},
        {"minimum code size 12", kScreen + Image(10, 10, {12, 1, 0, 0}), "Invalid GIF data"},
        {"entry that is its own prefix", kScreen + Image(10, 10, PackCodes(3, {8, 0, 11, 1, 11})),
         "Circular decoder table entry"},
        {"two entries prefixing each other",
         kScreen + Image(10, 10, PackCodes(3, {8, 0, 12, 11, 0, 11})),
         "Circular decoder table entry"},
        {"application block of 5 bytes", kScreen + Application("ABCDE", {0}) + kFrame,
         "Unsupported Application Extension block size"},
        {"loop count cut short", kScreen + Application("NETSCAPE2.0", {2, 1, 0, 0}) + kFrame,
         "Invalid GIF data"},
        {"comment cut short", kScreen + Bytes{0x21, 0xFE, 10, 'a', 'b'}, "Premature end of data"},
    };
    for (const Case& c : cases) EXPECT_EQ(gif_testing::LoadError(c.file), c.error) << c.name;
}

// Frames that declare far more pixels than their data give: the budget counts
// what they declare, the memory holds what they decode.
TEST(MemoryBudget, FramesAreCountedAsDeclaredAndKeptAsDecoded) {
    constexpr uint16_t kSide = 16384;  // 2^28 pixels, one bitmap's whole budget
    const Bytes two_bytes = PackCodes(2, {4, 1, 5});
    ASSERT_EQ(two_bytes.size(), 5u);  // code size, sub-block length, 2 bytes, terminator
    const Bytes frame = kControl + Image(kSide, kSide, two_bytes);
    Bytes frames;
    for (int i = 0; i < 50; ++i) frames = frames + frame;
    const Bytes fifty = Screen(kSide, kSide, 4) + frames + kEnd;
    EXPECT_LT(fifty.size(), 1200u);
    EXPECT_EQ(gif_testing::LoadError(fifty), "Mémoire insuffisante");

    // Four such frames are the whole budget of a picture's indices; a fifth,
    // even of one pixel, is beyond it.
    Bytes four = Screen(kSide, kSide, 4);
    for (int i = 0; i < 4; ++i) four = four + frame;
    const gif_testing::Loaded loaded = Load(four + kEnd);
    ASSERT_EQ(loaded.image->Images().Count(), 4);
    const TGIFSubImage& first = *loaded.image->Images().SubImages(0);
    EXPECT_EQ(first.DataSize(), size_t{1} << 28);
    std::vector<uint8_t> scratch;
    const uint8_t* top = first.ReadRow(0, scratch);
    EXPECT_EQ(std::vector<uint8_t>(top, top + 4), (std::vector<uint8_t>{1, 3, 3, 3}));
    const uint8_t* bottom = first.ReadRow(kSide - 1, scratch);
    EXPECT_TRUE(std::all_of(bottom, bottom + kSide, [](uint8_t p) { return p == 3; }));
    EXPECT_EQ(gif_testing::LoadError(four + Image(1, 1, two_bytes) + kEnd), "Mémoire insuffisante");
    // Each load counts afresh.
    platform::MemoryStream again(four + kEnd);
    loaded.image->LoadFromStream(again);
    EXPECT_EQ(loaded.image->Images().Count(), 4);
    // Copying the picture copies what is kept.
    TGIFImage copy;
    copy.Assign(*loaded.image);
    EXPECT_EQ(copy.Images().SubImages(3)->ReadRow(0, scratch)[0], 1);

    EXPECT_EQ(
        gif_testing::LoadError(Screen(kSide, kSide, 4) + Image(kSide + 1, kSide, two_bytes) + kEnd),
        "Mémoire insuffisante");
}

TEST(MemoryBudget, ACutInterlacedFrameKeepsItsRowsInTheirPlaces) {
    // 35 pixels of a 10 x 10 frame: rows 0 and 8 of the first pass, row 4 of
    // the second, half of row 2 of the third; the others transparent.
    const Bytes file =
        kScreen + kControl + Image(10, 10, PackCodes(2, Literals(2, 35)), 0x40) + kEnd;
    const std::vector<uint8_t> pixels = Pixels(*Load(file).image->Images().SubImages(0));
    std::vector<uint8_t> expected(100, 3);
    const std::vector<uint8_t> decoded = Pattern(35, 35);
    std::copy_n(decoded.begin(), 10, expected.begin());
    std::copy_n(decoded.begin() + 10, 10, expected.begin() + 80);
    std::copy_n(decoded.begin() + 20, 10, expected.begin() + 40);
    std::copy_n(decoded.begin() + 30, 5, expected.begin() + 20);
    EXPECT_EQ(pixels, expected);
}

TEST(DamagedFiles, TheStreamIsLeftWhereItWasOnFailureAndAfterTheTrailerOtherwise) {
    const Bytes file = Bytes{9, 9, 9} + kScreen + Image(10, 10, PackCodes(3, {8, 0, 11, 1, 11}));
    platform::MemoryStream stream(file);
    stream.SetPosition(3);
    TGIFImage image;
    EXPECT_THROW(image.LoadFromStream(stream), GIFException);
    EXPECT_EQ(stream.Position(), 3);
    EXPECT_EQ(image.Width(), 10);  // what was read before the failure stays

    testing_support::TempDir dir;
    const Bytes good = kScreen + kFrame + kEnd + Bytes{'x', 'y'};
    testing_support::WriteFile(dir / "a.gif", good);
    platform::FileStream from_file(dir / "a.gif", platform::FileMode::Read);
    image.LoadFromStream(from_file);
    EXPECT_EQ(from_file.Position(), static_cast<int64_t>(good.size() - 2));
    EXPECT_TRUE(Pixels(*image.Images().SubImages(0)) == Pattern(100));
}

}  // namespace
}  // namespace gif
