// Decoding and encoding against independent readers. Files that gifbuild
// makes from text decode to the indices giflib gives, what our writer makes of
// them giflib reads back identically, and data no encoder of giflib makes (a
// full code table without a clear code) decode to the pixels they were made
// from, and every output of our encoders reads back in every reader. Every
// file of the GIF test suite shows, frame by frame and drawn,
// what ImageMagick reads in its expected PNG frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "gif_test_support.h"
#include "giflib_read.h"
#include "pictures.h"
#include "platform/graphics/canvas.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::Bytes;
using gif_testing::GiflibRead;
using gif_testing::Load;
using gif_testing::Loaded;
using gif_testing::OracleFile;
using gif_testing::OracleFrame;
using gif_testing::PixelFn;
using gif_testing::Pixels;
using testing_support::ShellQuote;
using testing_support::TestData;

// A GIF file built by gifbuild from its text description.
Bytes GifBuild(const std::string& description) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir / "description.txt", description);
    const std::string command = "gifbuild < " + ShellQuote(dir / "description.txt") + " > " +
                                ShellQuote(dir / "out.gif") + " 2>/dev/null";
    EXPECT_EQ(testing_support::Run(command), 0) << description;
    return testing_support::ReadFile(dir / "out.gif");
}

// A gifbuild description of one frame with a table of `colors` entries.
struct Frame {
    int colors = 4;
    int width = 16;
    int height = 16;
    bool interlaced = false;
    bool local = false;  // the image has a table of its own besides the screen's
    PixelFn pixel;
    std::string before;  // header-level declarations, or blocks between frames
    std::string after;   // extension blocks after the image
};

std::string ColorTable(int colors) {
    std::string text;
    for (int i = 0; i < colors; ++i) {
        text += "\trgb " + std::to_string(i) + " " + std::to_string(255 - i) + " " +
                std::to_string((i * 37) % 256) + "\n";
    }
    return text + "end\n";
}

std::string Describe(const std::vector<Frame>& frames) {
    const Frame& first = frames.front();
    // gifbuild marks a global table present even when none is declared.
    std::string text = "screen width " + std::to_string(first.width) + "\nscreen height " +
                       std::to_string(first.height) + "\nscreen map\n" + ColorTable(first.colors);
    for (const Frame& f : frames) {
        text += f.before + "image\nimage left 0\nimage top 0\n";
        if (f.interlaced) text += "image interlaced\n";
        if (f.local) text += "image map\n" + ColorTable(f.colors);
        text +=
            "image bits " + std::to_string(f.width) + " by " + std::to_string(f.height) + " hex\n";
        for (int y = 0; y < f.height; ++y) {
            for (int x = 0; x < f.width; ++x) {
                const int value = f.pixel(x, y) % f.colors;
                text += {"0123456789abcdef"[value / 16], "0123456789abcdef"[value % 16]};
            }
            text += "\n";
        }
        text += f.after;
    }
    return text;
}

PixelFn Noise(unsigned seed) {
    return [seed](int x, int y) {
        std::minstd_rand random(seed + static_cast<unsigned>(y * 4099 + x));
        random.discard(3);
        return static_cast<uint8_t>(random() >> 8);
    };
}
const PixelFn kFlat = [](int, int) { return uint8_t{1}; };
const PixelFn kStripes = [](int x, int y) { return static_cast<uint8_t>((x / 3 + y) % 5); };

// Our frames hold what giflib decodes, frame for frame, at the same places.
void ExpectSameFrames(const TGIFImage& image, const std::vector<OracleFrame>& oracle) {
    std::vector<const TGIFSubImage*> ours;
    for (const auto& frame : image.Images()) {
        if (frame->Data() != nullptr && !frame->Empty()) ours.push_back(frame.get());
    }
    ASSERT_EQ(ours.size(), oracle.size());
    for (size_t i = 0; i < ours.size(); ++i) {
        EXPECT_EQ(ours[i]->BoundsRect(), oracle[i].bounds) << i;
        EXPECT_EQ(ours[i]->Interlaced(), oracle[i].interlaced) << i;
        EXPECT_TRUE(Pixels(*ours[i]) == oracle[i].pixels) << i;
    }
}

struct BuiltCase {
    std::string name;
    std::vector<Frame> frames;
};

std::vector<BuiltCase> BuiltCases() {
    std::vector<BuiltCase> cases;
    // Minimum code sizes 2 to 8, from tables of 4 to 256 colours; noise fills
    // the code table and makes the encoder clear it.
    for (int bits = 2; bits <= 8; ++bits) {
        const auto seed = static_cast<unsigned>(bits);
        cases.push_back({"noise, code size " + std::to_string(bits),
                         {{1 << bits, 97, 61, false, false, Noise(seed), "", ""}}});
        cases.push_back({"interlaced noise, code size " + std::to_string(bits),
                         {{1 << bits, 61, 37, true, true, Noise(seed + 9), "", ""}}});
    }
    // One colour throughout: every code is the string just added (KwKwK).
    cases.push_back({"flat", {{4, 300, 200, false, false, kFlat, "", ""}}});
    cases.push_back({"flat, 256 colours", {{256, 300, 200, false, false, kFlat, "", ""}}});
    cases.push_back({"two colours", {{2, 31, 7, false, false, kStripes, "", ""}}});
    // Interlaced frames of 1 to 9 rows, empty passes included.
    for (int height = 1; height <= 9; ++height) {
        cases.push_back({"interlaced, height " + std::to_string(height),
                         {{16, 11, height, true, false, kStripes, "", ""}}});
    }
    // A local table after a global one, and every kind of extension.
    const std::string control =
        "graphics control\n\tdisposal mode 2\n\tuser input flag on\n\tdelay 7\n"
        "\ttransparent index 3\nend\n";
    const std::string comment = "comment\nfirst line\nsecond, longer line of comment\nend\n";
    const std::string text =
        "extension 01\n\\x01\\x00\\x02\\x00\\x03\\x00\\x04\\x00\\x05\\x06\\x07\\x08\n"
        "plain text\nend\n";
    const std::string application = "extension ff\nXYZAPPL1.0\\x01\nsome data\nend\n";
    const std::string animexts = "extension ff\nANIMEXTS1.0\n\\x01\\x03\\x00\nend\n";
    cases.push_back({"extensions",
                     {{8, 20, 10, false, false, kStripes, "netscape loop 3\n" + control, comment},
                      {16, 12, 9, true, true, Noise(5), text + application, animexts}}});
    return cases;
}

TEST(GiflibOracle, GifbuildFilesDecodeAndOurFilesReadBackAsGiflibSeesThem) {
    REQUIRE_PROGRAM("gifbuild");
    for (const BuiltCase& c : BuiltCases()) {
        SCOPED_TRACE(c.name);
        const Bytes file = GifBuild(Describe(c.frames));
        ASSERT_FALSE(file.empty());
        Loaded loaded;
        ASSERT_NO_THROW(loaded = Load(file));
        EXPECT_TRUE(loaded.warnings->empty());
        const OracleFile original = GiflibRead(file);
        ExpectSameFrames(*loaded.image, original.frames);
        for (const uint8_t compression : {uint8_t{0}, uint8_t{1}}) {
            SCOPED_TRACE(compression == 1 ? "run-length coded" : "LZW");
            loaded.image->SetCompression(compression);
            const Bytes saved = gif_testing::Save(*loaded.image);
            const OracleFile back = GiflibRead(saved);
            ExpectSameFrames(*loaded.image, back.frames);
            EXPECT_EQ(back.extensions, original.extensions);
            // And our reader takes back what it wrote, byte for byte.
            Loaded again = Load(saved);
            again.image->SetCompression(compression);
            EXPECT_EQ(gif_testing::Save(*again.image), saved);
        }
    }
}

TEST(GiflibOracle, ExtensionsOfUnknownLabelsAreSkippedAsGiflibSkipsThem) {
    REQUIRE_PROGRAM("gifbuild");
    const std::string unknown = "extension 2a\nfirst sub-block\nsecond\nend\n";
    const std::string other = "extension 99\nz\nend\n";
    const std::string control = "graphics control\n\tdelay 7\n\ttransparent index 2\nend\n";
    const Bytes file = GifBuild(
        Describe({{4, 20, 10, false, false, kStripes, unknown, ""},
                  {4, 20, 10, false, true, Noise(3), other + control + unknown, unknown}}));
    ASSERT_FALSE(file.empty());
    Loaded loaded;
    ASSERT_NO_THROW(loaded = Load(file));
    const std::string warning = "Unknown extension type";
    EXPECT_EQ(*loaded.warnings, std::vector<std::string>(4, warning));
    ExpectSameFrames(*loaded.image, GiflibRead(file).frames);
    // The blocks that follow a skipped one are read: the second frame's
    // graphic control extension makes its index 2 transparent.
    const TGIFSubImage& second = *loaded.image->Images().SubImages(1);
    ASSERT_NE(second.GraphicControlExtension(), nullptr);
    EXPECT_EQ(second.GraphicControlExtension()->Delay(), 7);
    EXPECT_TRUE(second.HasTransparency());
    EXPECT_EQ(second.Extensions().Count(), 1);
}

// Plain LZW that never clears: once the table holds 4096 entries, codes keep
// coming at 12 bits.
std::vector<int> LzwWithoutClear(int min_code_size, const std::vector<uint8_t>& pixels) {
    const int clear = 1 << min_code_size;
    std::map<std::pair<int, int>, int> table;
    int next = clear + 2;
    std::vector<int> codes{clear};
    int prefix = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        const auto found = table.find({prefix, pixels[i]});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        codes.push_back(prefix);
        if (next < 4096) table[{prefix, pixels[i]}] = next++;
        prefix = pixels[i];
    }
    codes.push_back(prefix);
    codes.push_back(clear + 1);
    return codes;
}

TEST(GiflibOracle, AFullCodeTableWithoutClearKeepsDecodingAtTwelveBits) {
    constexpr uint16_t kWidth = 240;
    constexpr uint16_t kHeight = 200;
    std::vector<uint8_t> pixels(kWidth * kHeight);
    std::minstd_rand random(7);
    for (uint8_t& p : pixels) p = static_cast<uint8_t>(random() % 4);
    const std::vector<int> codes = LzwWithoutClear(2, pixels);
    ASSERT_GT(codes.size(), 8000u);  // far past the 4096th entry
    using gif_testing::operator+;
    const Bytes file = gif_testing::Screen(kWidth, kHeight, 4) +
                       gif_testing::Image(kWidth, kHeight, gif_testing::PackCodes(2, codes)) +
                       Bytes{0x3B};
    Loaded loaded = Load(file);
    EXPECT_TRUE(loaded.warnings->empty());
    EXPECT_TRUE(Pixels(*loaded.image->Images().SubImages(0)) == pixels);
    ExpectSameFrames(*loaded.image, GiflibRead(file).frames);
}

// Every output of both encoders, from 1 to 8 bits a pixel, interlaced or
// not, from 1 x 1 to large, in noise and flat areas, reads back as the
// indices it was made from with giflib, ImageMagick (by their colours, each
// index having a colour of its own) and our reader, and gifsicle, made to
// decode it, finds nothing to say about it.
TEST(EncoderRoundTrip, EveryReaderDecodesTheIndicesWritten) {
    REQUIRE_PROGRAM("convert");
    REQUIRE_PROGRAM("gifsicle");
    struct Case {
        int bits;
        int32_t width;
        int32_t height;
        bool interlaced;
        PixelFn pixel;
    };
    // Flat on the left, noise on the right: runs and a table that fills.
    const PixelFn mixed = [noise = Noise(17)](int x, int y) {
        return x < 150 ? static_cast<uint8_t>(y / 40) : noise(x, y);
    };
    std::vector<Case> cases;
    for (int bits = 1; bits <= 8; ++bits) {
        for (const bool interlaced : {false, true}) {
            cases.push_back({bits, 53, 29, interlaced, Noise(static_cast<unsigned>(bits))});
            cases.push_back({bits, 300, 41, interlaced, mixed});
        }
        cases.push_back({bits, 1, 1, false, kFlat});
        cases.push_back({bits, 1, 1, true, Noise(3)});
    }
    cases.push_back({8, 640, 480, false, mixed});
    cases.push_back({8, 640, 480, true, Noise(4)});
    cases.push_back({3, 1000, 600, false, kFlat});
    // What ImageMagick and gifsicle check, file by file.
    struct Written {
        std::string trace;
        std::string path;
        std::vector<platform::Color> table;
        Bytes pixels;
    };
    std::vector<Written> written;
    testing_support::TempDir dir;
    for (const Case& c : cases) {
        for (const uint8_t compression : {uint8_t{0}, uint8_t{1}}) {
            const std::string trace = std::to_string(c.bits) + " bits, " + std::to_string(c.width) +
                                      "x" + std::to_string(c.height) +
                                      (c.interlaced ? ", interlaced" : "") +
                                      (compression == 1 ? ", run-length coded" : ", LZW");
            SCOPED_TRACE(trace);
            const int colors = 1 << c.bits;
            std::vector<platform::Color> table;
            for (int i = 0; i < colors; ++i)
                table.push_back(platform::MakeColor(static_cast<uint8_t>(i),
                                                    static_cast<uint8_t>(255 - i),
                                                    static_cast<uint8_t>(i * 7)));
            TGIFImage image;
            image.SetCompression(compression);
            TGIFSubImage& frame = gif_testing::AddFrame(
                image, 0, 0, c.width, c.height, table,
                [&](int32_t x, int32_t y) { return static_cast<uint8_t>(c.pixel(x, y) % colors); });
            frame.SetInterlaced(c.interlaced);
            const Bytes pixels = Pixels(frame);
            const Bytes file = gif_testing::Save(image);

            EXPECT_TRUE(Pixels(*Load(file).image->Images().SubImages(0)) == pixels);
            const OracleFile giflib = GiflibRead(file);
            ASSERT_EQ(giflib.frames.size(), 1u);
            EXPECT_TRUE(giflib.frames[0].pixels == pixels);

            const std::string path = dir / (std::to_string(written.size()) + ".gif");
            testing_support::WriteFile(path, file);
            written.push_back({trace, path, table, pixels});
        }
    }
    // One run of each program over all the files: ImageMagick writes the
    // frames one after the other.
    std::string paths;
    for (const Written& w : written) paths += " " + ShellQuote(w.path);
    const std::string rgb = testing_support::Output("convert" + paths + " -depth 8 rgb:-");
    size_t at = 0;
    for (const Written& w : written) {
        SCOPED_TRACE(w.trace);
        ASSERT_LE(at + w.pixels.size() * 3, rgb.size());
        size_t mismatches = 0;
        for (const uint8_t index : w.pixels) {
            const platform::Color want = w.table[index];
            mismatches += static_cast<uint8_t>(rgb[at]) != platform::RedOf(want) ||
                          static_cast<uint8_t>(rgb[at + 1]) != platform::GreenOf(want) ||
                          static_cast<uint8_t>(rgb[at + 2]) != platform::BlueOf(want);
            at += 3;
        }
        EXPECT_EQ(mismatches, 0u);
    }
    EXPECT_EQ(at, rgb.size());
    std::string said;
    // gifsicle reads the pixels only when it has to change them: its info,
    // then a flip, file by file.
    EXPECT_EQ(testing_support::Run("for f in" + paths +
                                       "; do gifsicle --info \"$f\" >/dev/null && gifsicle "
                                       "--flip-horizontal \"$f\" -o /dev/null || echo \"$f\"; "
                                       "done 2>&1",
                                   &said),
              0);
    EXPECT_EQ(said, "");
}

std::vector<std::string> SuiteFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(TestData("gif-suite/gifs"))) {
        if (entry.path().extension() == ".gif") names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The picture expected after frame `index` as ImageMagick reads it, rows of
// red, green, blue, alpha; empty when the suite has none. Static files have
// one, named after the file.
std::string ExpectedFrame(const std::string& name, int32_t index) {
    const std::string frames = TestData("gif-suite/gifs/frames/" + name);
    std::string path = frames + "-" + std::to_string(index) + ".png";
    if (!std::filesystem::exists(path) && index == 0) path = frames + ".png";
    if (!std::filesystem::exists(path)) return {};
    return testing_support::Output("convert " + ShellQuote(path) + " -depth 8 rgba:-");
}

struct Rgba {
    int width;
    std::string bytes;
    const uint8_t* At(int x, int y) const {
        return reinterpret_cast<const uint8_t*>(bytes.data()) + (y * width + x) * 4;
    }
};

// Pixels of the frame that differ from the expected picture at their place on
// the screen.
int32_t FrameMismatches(TGIFSubImage& frame, const Rgba& png, bool first) {
    const TGIFColorMap& colors = frame.ActiveColorMap();
    const bool transparent = frame.HasTransparency();
    const uint8_t hole = transparent ? frame.GraphicControlExtension()->TransparentColorIndex() : 0;
    int32_t mismatches = 0;
    for (int32_t y = 0; y < frame.Height(); ++y) {
        for (int32_t x = 0; x < frame.Width(); ++x) {
            const int32_t sx = frame.Left() + x;
            const int32_t sy = frame.Top() + y;
            if (sx >= frame.Owner().Width() || sy >= frame.Owner().Height()) continue;
            const uint8_t index = frame.GetPixel(x, y);
            const uint8_t* shown = png.At(sx, sy);
            if (transparent && index == hole) {
                // What shows through depends on the frames before, except on
                // the first.
                if (first) mismatches += shown[3] != 0;
                continue;
            }
            const TGIFColor c = colors.Entries()[index];
            mismatches +=
                shown[0] != c.Red || shown[1] != c.Green || shown[2] != c.Blue || shown[3] != 255;
        }
    }
    return mismatches;
}

// Pixels of the picture drawn over a backdrop that differ from the expected
// picture, transparent places showing the backdrop.
int32_t DrawnMismatches(const TGIFImage& image, const Rgba& png) {
    const platform::Color backdrop = platform::MakeColor(1, 2, 3);
    platform::Bitmap target(image.Width(), image.Height());
    target.Fill(backdrop);
    platform::Canvas canvas(target);
    canvas.StretchDraw({0, 0, image.Width(), image.Height()}, image);
    int32_t mismatches = 0;
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) {
            const uint8_t* p = png.At(x, y);
            const platform::Color want =
                p[3] == 0 ? backdrop : platform::MakeColor(p[0], p[1], p[2]);
            mismatches += testing_support::PixelAt(target, x, y) != want;
        }
    }
    return mismatches;
}

TEST(GifSuite, EveryFileLoadsAndShowsItsExpectedFrames) {
    REQUIRE_PROGRAM("convert");
    const std::vector<std::string> names = SuiteFiles();
    ASSERT_GE(names.size(), 13u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        gif_testing::Loaded loaded = gif_testing::Load(gif_testing::SuiteFile(name));
        TGIFImage& image = *loaded.image;
        EXPECT_TRUE(loaded.warnings->empty());
        ASSERT_GE(image.Images().Count(), 1);
        for (int32_t i = 0; i < image.Images().Count(); ++i) {
            const Rgba png{image.Width(), ExpectedFrame(name, i)};
            if (png.bytes.empty()) {
                EXPECT_GT(i, 0) << "no expected first frame";
                continue;
            }
            ASSERT_EQ(png.bytes.size(), static_cast<size_t>(4 * image.Width() * image.Height()));
            EXPECT_EQ(FrameMismatches(*image.Images().SubImages(i), png, i == 0), 0) << i;
            if (i == 0) {
                EXPECT_EQ(DrawnMismatches(image, png), 0);
            }
        }
    }
}

}  // namespace
}  // namespace gif
