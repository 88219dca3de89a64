// Pictures of thousands of frames: the width of the widest colour table,
// which the writer and the optimisation read for every frame, follows each
// change of a table or of the frame list; saving, every optimisation step and
// the quarter turn write the bytes they wrote before they were made to take
// time linear in the frames (hashes of those files); and the steps that share
// a transparent index or drop frames in bulk do as the rules say, the
// animation shown unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "gif/optimize.h"
#include "gif_test_support.h"
#include "giflib_read.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::AddFrame;
using gif_testing::Bytes;
using gif_testing::Compose;
using gif_testing::Control;
using gif_testing::Load;
using gif_testing::Loaded;
using gif_testing::Save;
using gif_testing::Seen;
using gif_testing::operator+;

// A random source of our own, the same on every machine.
class Draws {
public:
    explicit Draws(uint32_t seed) : state_(seed) {}
    int32_t Below(int32_t n) {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<int32_t>(state_ % static_cast<uint32_t>(n));
    }

private:
    uint32_t state_;
};

std::vector<platform::Color> Colors(int32_t count, int32_t shift = 0) {
    std::vector<platform::Color> colors;
    for (int32_t i = shift; i < count + shift; ++i)
        colors.push_back(platform::MakeColor(static_cast<uint8_t>(i * 37),
                                             static_cast<uint8_t>(i * 91),
                                             static_cast<uint8_t>(i * 13)));
    return colors;
}

// `count` frames of 1 x 1 on a two-colour global table, each with its
// graphic control block, the pixel black and white in turn; 23 bytes a frame.
// Saving such a file once took time growing with the square of its frames.
Bytes OnePixelFrames(int32_t count) {
    Bytes file = gif_testing::Screen(1, 1, 2);
    file[16] = file[17] = file[18] = 255;
    for (int32_t i = 0; i < count; ++i) {
        // Codes of 3 bits: clear (4), the pixel, end (5).
        const auto codes = static_cast<uint16_t>(4 | (i & 1) << 3 | 5 << 6);
        const Bytes frame =
            Bytes{0x21, 0xF9, 4, 0, 1, 0, 0, 0} +
            gif_testing::Image(
                1, 1, {2, 2, static_cast<uint8_t>(codes), static_cast<uint8_t>(codes >> 8), 0});
        file.insert(file.end(), frame.begin(), frame.end());
    }
    file.push_back(';');
    return file;
}

// Small frames with local tables of any size, a few on a global table of 3
// colours, some interlaced.
Bytes LocalTables() {
    Draws draw(7);
    TGIFImage image;
    for (const platform::Color c : Colors(3)) image.GetGlobalColorMap().Add(c);
    for (int32_t i = 0; i < 500; ++i) {
        const bool local = draw.Below(5) != 0;
        const int32_t count = local ? 1 + draw.Below(256) : 3;
        const int32_t left = draw.Below(4);
        const int32_t top = draw.Below(4);
        const int32_t width = 1 + draw.Below(5);
        const int32_t height = 1 + draw.Below(5);
        const int32_t shift = draw.Below(9);
        TGIFSubImage& frame =
            AddFrame(image, left, top, width, height,
                     local ? Colors(count, shift) : std::vector<platform::Color>{},
                     [&](int32_t, int32_t) { return static_cast<uint8_t>(draw.Below(count)); });
        if (draw.Below(4) == 0) frame.SetInterlaced(true);
        if (draw.Below(3) == 0) Control(frame).SetDelay(static_cast<uint16_t>(draw.Below(9)));
    }
    return Save(image);
}

// 8 x 8 frames on a global table of `colors` colours, each much like the one
// before, some with a local table of their own of no more colours, some
// transparent, some disposed of.
Bytes Repeats(int32_t colors) {
    Draws draw(11);
    TGIFImage image;
    for (const platform::Color c : Colors(colors)) image.GetGlobalColorMap().Add(c);
    std::vector<uint8_t> last(64, 0);
    for (int32_t i = 0; i < 300; ++i) {
        const bool local = draw.Below(6) == 0;
        const int32_t count = local ? 2 + draw.Below(colors - 1) : colors;
        const int32_t left = draw.Below(2);
        TGIFSubImage& frame = AddFrame(
            image, left, 0, 8, 8, local ? Colors(count, 3) : std::vector<platform::Color>{},
            [&](int32_t x, int32_t y) {
                uint8_t& pixel = last[static_cast<size_t>(y * 8 + x)];
                pixel =
                    static_cast<uint8_t>(draw.Below(4) != 0 ? pixel % count : draw.Below(count));
                return pixel;
            });
        Control(frame).SetDelay(static_cast<uint16_t>(draw.Below(4)));
        if (draw.Below(5) == 0) Control(frame).SetDisposal(static_cast<uint8_t>(draw.Below(4)));
        if (draw.Below(6) == 0) {
            Control(frame).SetTransparent(true);
            Control(frame).SetTransparentColorIndex(static_cast<uint8_t>(draw.Below(count)));
        }
        if (draw.Below(10) == 0) frame.SetInterlaced(true);
    }
    return Save(image);
}

// Transparent frames with transparent borders, a quarter of them blank, with
// comments and loop blocks here and there.
Bytes Blanks() {
    Draws draw(13);
    TGIFImage image;
    for (const platform::Color c : Colors(8)) image.GetGlobalColorMap().Add(c);
    for (int32_t i = 0; i < 600; ++i) {
        const bool local = draw.Below(5) == 0;
        const int32_t count = local ? 2 + draw.Below(30) : 8;
        const auto hole = static_cast<uint8_t>(draw.Below(count));
        const bool blank = draw.Below(4) == 0;
        const int32_t left = draw.Below(10);
        const int32_t top = draw.Below(10);
        const int32_t width = 1 + draw.Below(6);
        const int32_t height = 1 + draw.Below(6);
        TGIFSubImage& frame = AddFrame(
            image, left, top, width, height,
            local ? Colors(count, 5) : std::vector<platform::Color>{}, [&](int32_t x, int32_t y) {
                return blank || x == 0 || y == height - 1 || draw.Below(3) == 0
                           ? hole
                           : static_cast<uint8_t>(draw.Below(count));
            });
        if (draw.Below(4) != 0) {
            Control(frame).SetTransparent(true);
            Control(frame).SetTransparentColorIndex(hole);
        }
        Control(frame).SetDelay(static_cast<uint16_t>(draw.Below(3) != 0 ? draw.Below(20) : 0));
        if (draw.Below(4) == 0) Control(frame).SetDisposal(static_cast<uint8_t>(draw.Below(4)));
        if (draw.Below(20) == 0) {
            auto comment = std::make_unique<TGIFCommentExtension>(frame);
            comment->Text = {"image"};
            frame.Extensions().Add(std::move(comment));
        }
        if (i == 0 || draw.Below(300) == 0) {
            auto loop = std::make_unique<TGIFAppExtNSLoop>(frame);
            loop->Loops = static_cast<uint16_t>(draw.Below(5));
            frame.Extensions().Add(std::move(loop));
        }
    }
    return Save(image);
}

// The widest table of the picture found by walking it.
int32_t WalkedBits(const TGIFImage& image) {
    int32_t bits = image.Header().ColorMap().BitsPerPixel();
    for (const auto& frame : image.Images())
        bits = std::max(bits, frame->ColorMap().BitsPerPixel());
    return bits;
}

// The minimum code size of each image block of a file, in file order.
std::vector<int> CodeSizes(const Bytes& file) {
    const auto skip_blocks = [&](size_t at) {
        while (file.at(at) != 0) at += 1 + size_t{file[at]};
        return at + 1;
    };
    std::vector<int> sizes;
    size_t at = 13 + ((file.at(10) & 0x80) != 0 ? 3u << ((file[10] & 7) + 1) : 0u);
    while (file.at(at) != ';') {
        if (file[at] == 0x21) {
            at = skip_blocks(at + 2);
            continue;
        }
        const uint8_t packed = file.at(at + 9);
        at += 10 + ((packed & 0x80) != 0 ? 3u << ((packed & 7) + 1) : 0u);
        sizes.push_back(file.at(at));
        at = skip_blocks(at + 1);
    }
    return sizes;
}

// FNV-1a, 32 bits, in hexadecimal.
std::string Hash(const Bytes& bytes) {
    uint32_t hash = 2166136261u;
    for (const uint8_t byte : bytes) hash = (hash ^ byte) * 16777619u;
    char text[9];
    std::snprintf(text, sizeof text, "%08x", hash);
    return text;
}

// The hashes of what is written of a file: saved as read; optimised with
// each option alone (crop, overlap, cleanup, colour sorting, colour
// reduction) and with all of them; turned a quarter clockwise, as the viewer
// turns and saves it.
std::string Written(const Bytes& file) {
    std::string hashes = Hash(Save(*Load(file).image));
    for (const uint8_t options :
         {uint8_t{opCrop}, uint8_t{opOverlap}, uint8_t{opCleanup}, uint8_t{opSortColorMaps},
          uint8_t{opReduceColors}, kAllOptimizeOptions}) {
        Loaded loaded = Load(file);
        loaded.image->Optimize(options, 0, 0, 8);
        hashes += " " + Hash(Save(*loaded.image));
    }
    TGIFImage turned;
    turned.Assign(*Load(file).image->Rotated(90));
    return hashes + " " + Hash(Save(turned));
}

TEST(ManyFrames, SavingAndOptimisingWriteTheBytesTheyAlwaysWrote) {
    const std::vector<std::tuple<std::string, Bytes, std::string>> made = {
        {"1000 frames of 1 x 1", OnePixelFrames(1000),
         "0e8a311d 0e8a311d 0e8a311d 0e8a311d 3b58dea0 0e8a311d 3b58dea0 0e8a311d"},
        {"local tables", LocalTables(),
         "e60ec124 e60ec124 e60ec124 526641d2 ae6ba686 e60ec124 6e601c27 cd1c17d9"},
        {"repeats over 4 colours", Repeats(4),
         "2ae9fc9b 2ae9fc9b f372d9b8 73f751af 2b73f39f 2ae9fc9b 23857470 39d17fb2"},
        {"repeats over 24 colours", Repeats(24),
         "27ee6a62 27ee6a62 5bef41c5 ef536ff3 fee89fe5 27ee6a62 0f1d6571 1af4cf21"},
        {"blanks", Blanks(),
         "b06274d0 4628b820 67728c77 b4ce0ee0 24753a54 b06274d0 eb79b8cc 48e83bb3"},
    };
    for (const auto& [name, file, written] : made) EXPECT_EQ(Written(file), written) << name;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"gif-found/optimize-unsavable.gif",
         "1b30a5c8 1b30a5c8 1b30a5c8 1b30a5c8 1b30a5c8 1b30a5c8 1b30a5c8 758b8b3f"},
        {"gif-small/carre-sur-bruit.gif",
         "78a90458 78a90458 94a9efd1 aeca47dc d943fb45 78a90458 4b8d061d 5b4477ff"},
        {"gif-small/deux-points.gif",
         "cc005071 cc005071 cc005071 cc005071 69a25009 cc005071 94ddf786 b2c019e1"},
        {"gif-small/negatif.gif",
         "112873d2 112873d2 112873d2 112873d2 dda4e099 112873d2 dda4e099 6b427a32"},
        {"gif-small/point.gif",
         "911f5ab9 911f5ab9 911f5ab9 911f5ab9 3a1189a1 911f5ab9 bc7e2738 405cf73e"},
        {"gif-suite/gifs/animated_loop.gif",
         "ad32f812 ad32f812 ad32f812 ad32f812 5d3275dd ad32f812 5d3275dd 45c5126d"},
        {"gif-suite/gifs/animated_loop_interlaced.gif",
         "5542d632 5542d632 5542d632 5542d632 4789bbdc 5542d632 4789bbdc b7b3c214"},
        {"gif-suite/gifs/animated_loop_variable_delay.gif",
         "e2cb85ec e2cb85ec e2cb85ec e2cb85ec 364ac7ab e2cb85ec 364ac7ab da4b8bbb"},
        {"gif-suite/gifs/animated_noloop.gif",
         "3f25bf64 3f25bf64 3f25bf64 3f25bf64 529eaf59 3f25bf64 529eaf59 739e9d2f"},
        {"gif-suite/gifs/animated_transparent_firstframerestoreprev_loop.gif",
         "99eb19a5 112c7694 99eb19a5 99eb19a5 c1680d9d 99eb19a5 ae1a950c 438d7e5a"},
        {"gif-suite/gifs/animated_transparent_frame_norestore_loop.gif",
         "929927b2 36896028 929927b2 929927b2 2531584a 929927b2 beb19960 4bc977a0"},
        {"gif-suite/gifs/animated_transparent_frame_restorebackground_loop.gif",
         "d4653fee bea941f5 d4653fee d4653fee 18d1e016 d4653fee 53b2797d 4d3a5d24"},
        {"gif-suite/gifs/animated_transparent_frame_restoreprev_loop.gif",
         "f72f51ba a5b96fb0 f72f51ba f72f51ba 19eb3742 f72f51ba 158241f8 6fb8943c"},
        {"gif-suite/gifs/animated_transparent_loop.gif",
         "a41d02d1 5fcfdde8 a41d02d1 a41d02d1 165cb959 a41d02d1 ea135ef0 18adecfe"},
        {"gif-suite/gifs/animated_transparent_loop_frames_out_of_bounds.gif",
         "934d3419 80b862c6 934d3419 934d3419 b1ee9171 934d3419 9512385e 36949983"},
        {"gif-suite/gifs/animated_transparent_restoreprev_loop.gif",
         "af69698d 71f179dc af69698d af69698d cc71d875 af69698d 446e7344 b3f40832"},
        {"gif-suite/gifs/static_nontransparent.gif",
         "3529b89c 3529b89c 3529b89c dafd2658 f21bea41 3529b89c 873c5619 48bda247"},
        {"gif-suite/gifs/static_transparent.gif",
         "4100fe79 af8632e8 4100fe79 4100fe79 bf0c9511 4100fe79 bd39e980 53bf0d72"},
    };
    for (const auto& [name, written] : files) {
        const Bytes file = testing_support::ReadFile(testing_support::TestData(name));
        EXPECT_EQ(Written(file), written) << name;
    }
}

TEST(TableWidths, FollowEveryChangeOfATableAndOfTheFrames) {
    TGIFImage image;
    const auto follows = [&](const std::string& after) {
        EXPECT_EQ(image.GetBitsPerPixel(), WalkedBits(image)) << after;
        EXPECT_EQ(image.GetColorResolution(), WalkedBits(image) - 1) << after;
    };
    follows("a new picture");
    for (const platform::Color c : Colors(3)) image.GetGlobalColorMap().Add(c);
    const auto few = [](int32_t x, int32_t y) { return static_cast<uint8_t>((x + y) % 3); };
    TGIFSubImage& first = AddFrame(image, 0, 0, 4, 4, Colors(2), few);
    TGIFSubImage& second = AddFrame(image, 0, 0, 4, 4, Colors(40), few);
    follows("frames added");
    EXPECT_EQ(image.GetBitsPerPixel(), 6);
    for (const platform::Color c : Colors(25, 40)) second.ColorMap().Add(c);
    follows("a table grown past 64 entries");
    second.ColorMap().Delete(64);
    follows("an entry deleted");
    first.ColorMap().ImportPalette(platform::Palette(std::vector<platform::RGBQuad>(200)));
    follows("a palette imported");
    EXPECT_EQ(image.GetBitsPerPixel(), 8);
    first.ColorMap().Clear();
    follows("a table cleared");
    first.ColorMap().Assign(second.ColorMap());
    follows("a table copied");
    image.Optimize(opSortColorMaps, 0, 0, 8);
    follows("the tables sorted, the unused entries dropped");
    EXPECT_EQ(image.GetBitsPerPixel(), 2);

    // A frame counts while it is in the picture's list, with the width its
    // table has then.
    std::unique_ptr<TGIFSubImage> out = image.Images().Remove(&second);
    for (const platform::Color c : Colors(100)) out->ColorMap().Add(c);
    follows("a frame taken out, its table grown");
    TGIFSubImage loose(image);
    loose.ColorMap().Assign(out->ColorMap());
    follows("a frame of the picture in no list");
    image.Add(std::move(out));
    follows("the frame put back");
    EXPECT_EQ(image.GetBitsPerPixel(), 7);
    TGIFImage other;
    auto foreign = std::make_unique<TGIFSubImage>(other);
    foreign->ColorMap().Assign(image.Images().SubImages(1)->ColorMap());
    foreign->ColorMap().Add(platform::kBlack);
    image.Add(std::move(foreign));
    follows("a frame made for another picture");
    EXPECT_EQ(other.GetBitsPerPixel(), 0);
    image.Images().SubImages(2)->ColorMap().Clear();
    follows("that frame's table cleared");
    image.Images().Delete(1);
    follows("a frame deleted");
    AddFrame(image, 0, 0, 1, 1, Colors(130), few);
    AddFrame(image, 0, 0, 1, 1, Colors(20), few);
    image.Images().Delete(std::vector<bool>{false, false, true});
    follows("the frame of the widest table deleted by its mark");
    EXPECT_EQ(image.GetBitsPerPixel(), 5);
    const Bytes file = Save(image);
    image.Clear();
    follows("the picture cleared");
    EXPECT_EQ(image.GetBitsPerPixel(), 0);
    Loaded loaded = Load(file);
    EXPECT_EQ(loaded.image->GetBitsPerPixel(), WalkedBits(*loaded.image));
}

TEST(TableWidths, FramesWithoutATableAreWrittenAtTheWidestTablesWidth) {
    TGIFImage image;
    for (const platform::Color c : Colors(2)) image.GetGlobalColorMap().Add(c);
    const auto stripes = [](int32_t x, int32_t) { return static_cast<uint8_t>(x % 2); };
    TGIFSubImage& wide = AddFrame(image, 0, 0, 4, 4, Colors(2), stripes);
    for (int32_t i = 0; i < 200; ++i) AddFrame(image, 0, 0, 4, 4, {}, stripes);
    const auto check = [&](int code_size, int resolution) {
        const Bytes file = Save(image);
        EXPECT_EQ(CodeSizes(file), std::vector<int>(201, code_size));
        EXPECT_EQ((file[10] >> 4) & 7, resolution);
        const gif_testing::OracleFile read = gif_testing::GiflibRead(file);
        ASSERT_EQ(read.frames.size(), 201u);
        EXPECT_EQ(read.frames[200].pixels, gif_testing::Pixels(*image.Images().SubImages(200)));
    };
    check(2, 0);
    for (const platform::Color c : Colors(198, 2)) wide.ColorMap().Add(c);
    // The wide table's own frame, and every frame on the global table.
    check(8, 7);
    for (int32_t i = 0; i < 150; ++i) wide.ColorMap().Delete(wide.ColorMap().Count() - 1);
    check(6, 5);
}

TEST(ManyFrames, OnePixelFramesComeBackByteForByteTurnedOrNot) {
    const Bytes file = OnePixelFrames(3000);
    Loaded loaded = Load(file);
    EXPECT_EQ(Save(*loaded.image), file);
    TGIFImage turned;
    turned.Assign(*loaded.image->Rotated(90));
    EXPECT_EQ(Save(turned), file);
    EXPECT_TRUE(loaded.warnings->empty());
}

TEST(ManyFrames, FramesRepeatingTheOneBelowShareTheFirstIndexTheyCan) {
    // Frame 0 is transparent through index 3, which the frames from 600 on
    // never use: each of them shares it. The frames before use it: the
    // first of them to need an index gets black added to the global table,
    // which the others then share.
    constexpr int32_t kFrames = 1200;
    TGIFImage image;
    for (const platform::Color c : Colors(5)) image.GetGlobalColorMap().Add(c);
    for (int32_t i = 0; i < kFrames; ++i) {
        TGIFSubImage& frame = AddFrame(image, 0, 0, 16, 16, {}, [&](int32_t x, int32_t y) {
            const auto pixel =
                static_cast<uint8_t>(x == i % 16 && y == i / 16 % 16 ? 0 : (x * 7 + y * 3) % 5);
            return i >= kFrames / 2 && pixel == 3 ? uint8_t{4} : pixel;
        });
        Control(frame).SetDelay(2);
    }
    Control(*image.Images().SubImages(0)).SetTransparent(true);
    Control(*image.Images().SubImages(0)).SetTransparentColorIndex(3);
    const auto before = Seen(Compose(image));
    image.Optimize(opOverlap, 0, 0, 8);
    EXPECT_EQ(image.GetGlobalColorMap().Count(), 6);
    for (int32_t i = 1; i < kFrames; ++i) {
        const TGIFSubImage& frame = *image.Images().SubImages(i);
        ASSERT_TRUE(frame.HasTransparency()) << i;
        EXPECT_EQ(frame.GraphicControlExtension()->TransparentColorIndex(),
                  i >= kFrames / 2 ? 3 : 5)
            << i;
    }
    EXPECT_TRUE(Seen(Compose(image)) == before);
}

TEST(ManyFrames, BlankFramesGoTogetherGivingTheirTimeToTheFrameBefore) {
    // Of 3000 frames of 1 x 1, two in three are blank; frame 0, blank and
    // lasting no time, carries the loop count.
    TGIFImage image;
    for (const platform::Color c : Colors(2)) image.GetGlobalColorMap().Add(c);
    for (int32_t i = 0; i < 3000; ++i) {
        TGIFSubImage& frame = AddFrame(
            image, 0, 0, 1, 1, {},
            [i](int32_t, int32_t) { return static_cast<uint8_t>(i % 3 == 1); }, 0);
        Control(frame).SetDelay(i == 0 ? 0 : 1);
    }
    auto loop = std::make_unique<TGIFAppExtNSLoop>(*image.Images().SubImages(0));
    loop->Loops = 7;
    image.Images().SubImages(0)->Extensions().Add(std::move(loop));
    const auto before = Seen(Compose(image));
    image.Optimize(opCrop, 0, 0, 8);
    ASSERT_EQ(image.Images().Count(), 1000);
    for (int32_t i = 0; i < 1000; ++i) {
        const TGIFSubImage& frame = *image.Images().SubImages(i);
        EXPECT_EQ(gif_testing::Pixels(frame), Bytes{1}) << i;
        EXPECT_EQ(frame.GraphicControlExtension()->Delay(), i < 999 ? 3 : 2) << i;
    }
    const gif_testing::OracleFile read = gif_testing::GiflibRead(Save(image));
    EXPECT_EQ(read.loops, 7);
    EXPECT_TRUE(Seen(Compose(image)) == before);
}

}  // namespace
}  // namespace gif
