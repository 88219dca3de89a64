// Decoding and encoding against giflib: files that gifbuild makes from text
// decode to the indices giflib gives, data no encoder of giflib makes (a full
// code table without a clear code) decode to the pixels they were made from,
// and what our writer makes giflib reads back identically.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "gif_test_support.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::Bytes;
using gif_testing::GifBuild;
using gif_testing::GiflibFrames;
using gif_testing::Load;
using gif_testing::Loaded;
using gif_testing::OneFrame;
using gif_testing::OracleFrame;
using gif_testing::PackCodes;
using gif_testing::Pixels;
using gif_testing::Save;
using testing_support::HaveProgram;

using PixelFn = std::function<int(int x, int y)>;

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
    std::string text = "screen width " + std::to_string(first.width) + "\nscreen height " +
                       std::to_string(first.height) + "\n";
    // gifbuild marks a global table present even when none is declared.
    text += "screen map\n" + ColorTable(first.colors);
    for (const Frame& f : frames) {
        text += f.before;
        text += "image\nimage left 0\nimage top 0\n";
        if (f.interlaced) text += "image interlaced\n";
        if (f.local) text += "image map\n" + ColorTable(f.colors);
        text +=
            "image bits " + std::to_string(f.width) + " by " + std::to_string(f.height) + " hex\n";
        for (int y = 0; y < f.height; ++y) {
            for (int x = 0; x < f.width; ++x) {
                char hex[3];
                std::snprintf(hex, sizeof hex, "%02x", f.pixel(x, y) % f.colors);
                text += hex;
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
        return static_cast<int>(random() >> 8);
    };
}
int Flat(int, int) {
    return 1;
}
int Stripes(int x, int y) {
    return (x / 3 + y) % 5;
}

// Our frames hold what giflib decodes, frame for frame, at the same places.
void ExpectSameFrames(const TGIFImage& image, const std::vector<OracleFrame>& oracle) {
    std::vector<const TGIFSubImage*> ours;
    for (const auto& frame : image.Images()) {
        if (frame->Data() != nullptr && !frame->Empty()) ours.push_back(frame.get());
    }
    ASSERT_EQ(ours.size(), oracle.size());
    for (size_t i = 0; i < ours.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(ours[i]->Left(), oracle[i].left);
        EXPECT_EQ(ours[i]->Top(), oracle[i].top);
        EXPECT_EQ(ours[i]->Width(), oracle[i].width);
        EXPECT_EQ(ours[i]->Height(), oracle[i].height);
        EXPECT_EQ(ours[i]->Interlaced(), oracle[i].interlaced);
        EXPECT_TRUE(Pixels(*ours[i]) == oracle[i].pixels);
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
        cases.push_back(
            {"noise, code size " + std::to_string(bits),
             {{1 << bits, 97, 61, false, false, Noise(static_cast<unsigned>(bits)), "", ""}}});
        cases.push_back(
            {"interlaced noise, code size " + std::to_string(bits),
             {{1 << bits, 61, 37, true, true, Noise(static_cast<unsigned>(bits) + 9), "", ""}}});
    }
    // One colour throughout: every code is the string just added (KwKwK).
    cases.push_back({"flat", {{4, 300, 200, false, false, Flat, "", ""}}});
    cases.push_back({"flat, 256 colours", {{256, 300, 200, false, false, Flat, "", ""}}});
    cases.push_back({"two colours", {{2, 31, 7, false, false, Stripes, "", ""}}});
    // Interlaced frames of 1 to 9 rows, empty passes included.
    for (int height = 1; height <= 9; ++height) {
        cases.push_back({"interlaced, height " + std::to_string(height),
                         {{16, 11, height, true, false, Stripes, "", ""}}});
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
                     {{8, 20, 10, false, false, Stripes, "netscape loop 3\n" + control, comment},
                      {16, 12, 9, true, true, Noise(5), text + application, animexts}}});
    return cases;
}

TEST(GiflibOracle, FilesOfGifbuildDecodeAsGiflibDecodesThem) {
    if (!HaveProgram("gifbuild")) GTEST_SKIP() << "giflib's tools are missing";
    for (const BuiltCase& c : BuiltCases()) {
        SCOPED_TRACE(c.name);
        const Bytes file = GifBuild(Describe(c.frames));
        ASSERT_FALSE(file.empty());
        Loaded loaded;
        ASSERT_NO_THROW(loaded = Load(file));
        EXPECT_TRUE(loaded.warnings->empty());
        ExpectSameFrames(*loaded.image, GiflibFrames(file));
    }
}

// giflib's view of a file's extension blocks: (function, data sub-blocks).
using Blocks = std::vector<std::pair<int, std::vector<uint8_t>>>;
Blocks ExtensionsOf(const Bytes& file) {
    struct Source {
        const Bytes* bytes;
        size_t at;
    } source{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(
        &source,
        [](GifFileType* g, GifByteType* out, int n) {
            auto* s = static_cast<Source*>(g->UserData);
            const size_t count = std::min<size_t>(static_cast<size_t>(n), s->bytes->size() - s->at);
            std::copy_n(s->bytes->begin() + static_cast<ptrdiff_t>(s->at), count, out);
            s->at += count;
            return static_cast<int>(count);
        },
        &error);
    Blocks blocks;
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
        ADD_FAILURE() << "giflib refuses the file";
        return blocks;
    }
    auto add = [&blocks](const ExtensionBlock* list, int count) {
        for (int i = 0; i < count; ++i) {
            blocks.emplace_back(
                list[i].Function,
                std::vector<uint8_t>(list[i].Bytes, list[i].Bytes + list[i].ByteCount));
        }
    };
    for (int i = 0; i < gif->ImageCount; ++i)
        add(gif->SavedImages[i].ExtensionBlocks, gif->SavedImages[i].ExtensionBlockCount);
    add(gif->ExtensionBlocks, gif->ExtensionBlockCount);
    DGifCloseFile(gif, &error);
    return blocks;
}

TEST(GiflibOracle, OurFilesReadBackAsTheyWereLoaded) {
    if (!HaveProgram("gifbuild")) GTEST_SKIP() << "giflib's tools are missing";
    for (const BuiltCase& c : BuiltCases()) {
        for (const uint8_t compression : {uint8_t{0}, uint8_t{1}}) {
            SCOPED_TRACE(c.name + (compression == 1 ? ", run-length coded" : ", LZW"));
            const Bytes original = GifBuild(Describe(c.frames));
            Loaded loaded = Load(original);
            loaded.image->SetCompression(compression);
            const Bytes saved = Save(*loaded.image);
            ExpectSameFrames(*loaded.image, GiflibFrames(saved));
            EXPECT_EQ(ExtensionsOf(saved), ExtensionsOf(original));
            // And our reader takes back what it wrote, byte for byte.
            Loaded again = Load(saved);
            again.image->SetCompression(compression);
            EXPECT_EQ(Save(*again.image), saved);
        }
    }
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
    const Bytes file = OneFrame(kWidth, kHeight, 4, PackCodes(2, codes));
    Loaded loaded = Load(file);
    EXPECT_TRUE(loaded.warnings->empty());
    EXPECT_TRUE(Pixels(*loaded.image->Images().SubImages(0)) == pixels);
    ExpectSameFrames(*loaded.image, GiflibFrames(file));
}

}  // namespace
}  // namespace gif
