// Pictures made small without their full size in memory: a frame drawn
// smaller than it is comes straight from its indices, pixel for pixel as
// through its bitmap; a picture decoded for a small drawing keeps every k-th
// row of its frames, each the very row the whole decoding has.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "gif/gif_image.h"
#include "gif_test_support.h"
#include "pictures.h"
#include "platform/core/stream.h"
#include "platform/graphics/budget.h"
#include "platform/graphics/canvas.h"

namespace gif {
namespace {

using gif_testing::AddFrame;
using gif_testing::Bytes;
using gif_testing::Load;
using gif_testing::Loaded;
using gif_testing::operator+;
using platform::Bitmap;
using platform::Color;
using platform::MakeColor;
using platform::Rect;
using testing_support::PixelAt;

// `image` drawn into `dest` on a canvas of `width` x `height` pixels of one
// colour, limited to `clip` when given.
Bitmap Drawn(const TGIFImage& image, int32_t width, int32_t height, const Rect& dest,
             const std::optional<Rect>& clip = std::nullopt) {
    Bitmap bitmap(width, height);
    bitmap.Fill(MakeColor(1, 2, 3));
    platform::Canvas canvas(bitmap);
    if (clip) canvas.SetClipRect(*clip);
    image.Draw(canvas, dest);
    return bitmap;
}

int32_t Differences(const Bitmap& a, const Bitmap& b) {
    int32_t different = 0;
    for (int32_t y = 0; y < a.Height(); ++y) {
        for (int32_t x = 0; x < a.Width(); ++x) different += PixelAt(a, x, y) != PixelAt(b, x, y);
    }
    return different;
}

// Made frames of the kinds a drawing tells apart: opaque, transparent with
// holes, placed inside a larger screen.
Bytes MadeFile(bool transparent, bool placed) {
    std::vector<Color> colors;
    for (int i = 0; i < 64; ++i) {
        colors.push_back(MakeColor(static_cast<uint8_t>(i * 4), static_cast<uint8_t>(255 - i * 3),
                                   static_cast<uint8_t>(i * 37)));
    }
    TGIFImage image;
    if (placed) {
        image.SetWidth(101);
        image.SetHeight(77);
    }
    AddFrame(
        image, placed ? 13 : 0, placed ? 9 : 0, 71, 53, colors,
        [](int32_t x, int32_t y) { return uint8_t((x * 7 + y * 11 + x * y) % 64); },
        transparent ? std::optional<uint8_t>(5) : std::nullopt);
    return gif_testing::Save(image);
}

TEST(ShrunkDrawing, TheIndicesGiveThePixelsTheFramesBitmapGives) {
    std::vector<std::pair<std::string, Bytes>> files;
    for (const char* name :
         {"static_nontransparent", "static_transparent", "animated_loop_interlaced",
          "animated_transparent_loop", "animated_transparent_loop_frames_out_of_bounds"})
        files.emplace_back(name, gif_testing::SuiteFile(name));
    for (const bool transparent : {false, true}) {
        for (const bool placed : {false, true})
            files.emplace_back("made " + std::to_string(transparent) + std::to_string(placed),
                               MadeFile(transparent, placed));
    }
    for (const auto& [name, file] : files) {
        for (const uint16_t options : {uint16_t{doTransparent}, uint16_t{0},
                                       uint16_t{doTransparent | doDither}, uint16_t{doDither}}) {
            Loaded direct = Load(file);
            Loaded through = Load(file);
            direct.image->SetDrawOptions(options);
            through.image->SetDrawOptions(options);
            const int32_t w = direct.image->Width();
            const int32_t h = direct.image->Height();
            ASSERT_GT(w, 4) << name;
            // The frame's bitmap made first: drawing takes it.
            ASSERT_NE(through.image->Images().Items(0)->GetBitmap(), nullptr);
            const std::vector<std::pair<Rect, std::optional<Rect>>> drawings{
                {{0, 0, w / 2, h / 2}, std::nullopt},
                {{3, 2, 3 + w / 3, 2 + h / 4}, std::nullopt},
                {{-7, 1, w - 9, 1 + 2 * h}, std::nullopt},
                {{0, 0, w * 3 / 4, h * 3 / 4}, Rect{2, 3, w / 2, h / 3}},
            };
            for (const auto& [dest, clip] : drawings) {
                const Bitmap a = Drawn(*direct.image, w + 4, 2 * h + 4, dest, clip);
                const Bitmap b = Drawn(*through.image, w + 4, 2 * h + 4, dest, clip);
                EXPECT_EQ(Differences(a, b), 0)
                    << name << " options " << options << " into " << dest.Left << "," << dest.Top
                    << "," << dest.Right << "," << dest.Bottom;
            }
            EXPECT_FALSE(direct.image->Images().Items(0)->HasBitmap()) << name;
        }
    }
}

// A frame of 61 x 997 whose rows all differ, interlaced or not.
Bytes TallFile(bool interlaced) {
    std::vector<Color> colors;
    for (int i = 0; i < 256; ++i)
        colors.push_back(MakeColor(static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0));
    TGIFImage image;
    TGIFSubImage& frame = AddFrame(image, 0, 0, 61, 997, colors, [](int32_t x, int32_t y) {
        return uint8_t((x * 7 + y * 13 + y / 3) % 256);
    });
    frame.SetInterlaced(interlaced);
    return gif_testing::Save(image);
}

TEST(ReducedDecoding, EveryKthRowIsKeptAsTheWholeDecodingHasIt) {
    for (const bool interlaced : {false, true}) {
        const Bytes whole_file = TallFile(interlaced);
        // Cut short too: the rows the data do not reach read as the fill.
        for (const size_t size : {whole_file.size(), whole_file.size() * 2 / 3}) {
            const Bytes file(whole_file.begin(), whole_file.begin() + static_cast<ptrdiff_t>(size));
            const Loaded whole = Load(file);
            Loaded reduced;
            reduced.image->SetMaxDrawHeight(100);
            platform::SharedBudget budget;
            platform::BudgetShare share(budget, 0);
            {
                platform::CountingIn counting(share);
                platform::MemoryStream stream(file);
                reduced.image->LoadFromStream(stream);
            }
            EXPECT_EQ(*reduced.warnings, *whole.warnings);
            // 100 of 997 rows shown: every 9th kept, 111 rows.
            EXPECT_EQ(share.Counted(), 61 * 111);
            const TGIFSubImage& kept = *reduced.image->Images().Items(0);
            const TGIFSubImage& all = *whole.image->Images().Items(0);
            std::vector<uint8_t> scratch_kept;
            std::vector<uint8_t> scratch_all;
            int32_t wrong = 0;
            for (int32_t y = 0; y < 997; ++y) {
                const uint8_t* a = kept.ReadRow(y, scratch_kept);
                const uint8_t* b = all.ReadRow(y / 9 * 9, scratch_all);
                wrong += !std::equal(a, a + 61, b);
            }
            EXPECT_EQ(wrong, 0) << interlaced << " " << size;
            // Asked for all its indices, it gives each kept row in the place of
            // those it stands for.
            const std::vector<uint8_t> pixels = gif_testing::Pixels(kept);
            ASSERT_EQ(pixels.size(), size_t{61} * 997);
            for (int32_t y = 0; y < 997; ++y) {
                const uint8_t* b = all.ReadRow(y / 9 * 9, scratch_all);
                wrong += !std::equal(b, b + 61, pixels.begin() + y * 61);
            }
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(ReducedDecoding, AHugeClaimKeepsOnlyTheRowsACellShows) {
    // 16383 x 16383 pixels declared, one decoded: 40-odd bytes.
    const Bytes file = gif_testing::Screen(16383, 16383, 4) +
                       gif_testing::Image(16383, 16383, gif_testing::PackCodes(2, {4, 3, 5})) +
                       Bytes{0x3B};
    Loaded loaded;
    loaded.image->SetMaxDrawHeight(100);
    platform::SharedBudget budget;
    platform::BudgetShare share(budget, 0);
    std::optional<Bitmap> cell;
    {
        platform::CountingIn counting(share);
        platform::MemoryStream stream(file);
        loaded.image->LoadFromStream(stream);
        // Every 163rd row: 101 rows of 16383 indices.
        EXPECT_EQ(share.Counted(), int64_t{16383} * 101);
        cell.emplace(Drawn(*loaded.image, 100, 100, {0, 0, 100, 100}));
    }
    EXPECT_FALSE(loaded.image->Images().Items(0)->HasBitmap());
    // The fill, index 0, is black in the grey table; the one decoded pixel
    // is lost in the mean of its cell pixel.
    EXPECT_EQ(PixelAt(*cell, 50, 50), platform::kBlack);
    EXPECT_EQ(share.Counted(), int64_t{16383} * 101 + 100 * 100 * 3);
}

}  // namespace
}  // namespace gif
