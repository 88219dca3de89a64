// Frames rendered to bitmaps and drawn on canvases, and the GIF picture as a
// graphic of the picture framework.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gif/color_lookup.h"
#include "gif/gif_units.h"
#include "gif_test_support.h"
#include "pictures.h"
#include "platform/graphics/canvas.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::AddFrame;
using gif_testing::Load;
using gif_testing::Loaded;
using gif_testing::operator+;
using gif_testing::SuiteFile;
using platform::Bitmap;
using platform::Canvas;
using platform::Color;
using platform::MakeColor;
using platform::PixelFormat;
using platform::Rect;
using testing_support::ErrorText;
using testing_support::PixelAt;

constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kGreen = MakeColor(0, 255, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);
constexpr Color kWhite = platform::kWhite;

// The picture drawn into `dest` on a canvas of `width` x `height` pixels of
// `color`.
Bitmap Drawn(const TGIFImage& image, int32_t width, int32_t height, Color color, const Rect& dest) {
    Bitmap bitmap(width, height);
    bitmap.Fill(color);
    Canvas canvas(bitmap);
    image.Draw(canvas, dest);
    return bitmap;
}

// The pixels of a 24-bit copy of the bitmap that differ from expected(x, y).
template <typename Expected>
int32_t Mismatches(const Bitmap& bitmap, Expected expected) {
    Bitmap shown;
    shown.Assign(bitmap);
    shown.SetPixelFormat(PixelFormat::Bit24);
    int32_t wrong = 0;
    for (int32_t y = 0; y < shown.Height(); ++y) {
        for (int32_t x = 0; x < shown.Width(); ++x) wrong += PixelAt(shown, x, y) != expected(x, y);
    }
    return wrong;
}

TEST(FrameRendering, DitheredFramesTakeTheWebPaletteAndMaskAndFillTheirHoles) {
    const std::vector<Color> colors = {MakeColor(100, 150, 200), MakeColor(7, 240, 33),
                                       MakeColor(180, 180, 10), MakeColor(130, 20, 250)};
    const auto hole = [](int32_t x, int32_t y) { return (x * 5 + y) % 3 == 0; };
    const auto pixel = [&](int32_t x, int32_t y) { return uint8_t(hole(x, y) ? 3 : x / 5 % 3); };
    TGIFImage image;
    image.SetDrawOptions(doDither);
    // 17 pixels wide: mask rows end in padding.
    const TGIFSubImage& frame = AddFrame(image, 0, 0, 17, 9, colors, pixel, 3);
    const Bitmap& bitmap = *frame.GetBitmap();
    const platform::Palette web = CreateWebPalette();
    ASSERT_EQ(bitmap.ColorTable().size(), 256u);
    EXPECT_TRUE(
        std::equal(web.Entries().begin(), web.Entries().end(), bitmap.ColorTable().begin()));
    ASSERT_TRUE(frame.HasMask());
    const Bitmap& mask = *frame.Mask();
    EXPECT_EQ(mask.Format(), PixelFormat::Bit1);
    int32_t wrong = 0;
    for (int32_t y = 0; y < 9; ++y) {
        for (size_t x = 0; x < mask.Stride() * 8; ++x) {
            const bool set = platform::PixelIndex(mask.ScanLine(y), PixelFormat::Bit1, x);
            wrong += set != (x < 17 && hole(int32_t(x), y));
        }
        for (int32_t x = 0; x < 17; ++x) {
            const uint8_t index = bitmap.ScanLine(y)[x];
            if (hole(x, y)) {
                // Levels (130 + 3) / 51, (20 + 3) / 51, (250 + 3) / 51.
                wrong += index != 2 * 36 + 0 * 6 + 4;
                continue;
            }
            // Error diffusion keeps every pixel within a level of its colour.
            const Color c = colors[pixel(x, y)];
            const platform::RGBQuad& q = web.Entries().at(index);
            wrong += std::abs(q.Red - platform::RedOf(c)) > 51 ||
                     std::abs(q.Green - platform::GreenOf(c)) > 51 ||
                     std::abs(q.Blue - platform::BlueOf(c)) > 51;
        }
    }
    EXPECT_EQ(wrong, 0);
    // Dithering switched off, the frame shows its table's colours again.
    image.SetDrawOptions(0);
    Bitmap shown;
    frame.AssignTo(shown);
    EXPECT_EQ(Mismatches(shown, [&](int32_t x, int32_t y) { return colors[pixel(x, y)]; }), 0);

    // No pixel uses the transparent index; an index beyond the table is black.
    TGIFImage plain;
    const TGIFSubImage& opaque = AddFrame(
        plain, 0, 0, 2, 1, colors, [](int32_t x, int32_t) { return uint8_t(x == 0 ? 200 : 1); }, 3);
    EXPECT_FALSE(opaque.HasMask());
    EXPECT_EQ(Mismatches(*opaque.GetBitmap(),
                         [&](int32_t x, int32_t) { return x == 0 ? platform::kBlack : colors[1]; }),
              0);
}

TEST(FrameDrawing, FramesGoToTheirScaledPlaceTransparentPixelsKeepingTheCanvasWhenAsked) {
    // A 10 x 10 frame at (5, 5) of a 20 x 20 screen.
    const auto pixel = [](int32_t x, int32_t y) { return uint8_t((x + y) % 3 == 0 ? 2 : x % 2); };
    const Color colors[] = {kRed, kGreen, kWhite};
    TGIFImage image;
    image.SetWidth(20);
    image.SetHeight(20);
    const TGIFSubImage& frame = AddFrame(image, 5, 5, 10, 10, {kRed, kGreen, kWhite}, pixel, 2);
    EXPECT_EQ(frame.ScaleRect({100, 100, 140, 140}), (Rect{110, 110, 130, 130}));
    EXPECT_EQ(frame.ScaleRect({0, 0, 30, 30}), (Rect{8, 8, 23, 23}));  // 7.5, 22.5 away from 0
    // Drawn three times as large: every source pixel becomes a block of 3 x 3.
    for (const bool transparent : {true, false}) {
        image.SetDrawOptions(transparent ? doTransparent : 0);
        const Bitmap target = Drawn(image, 60, 60, kBlue, {0, 0, 60, 60});
        int32_t wrong = 0;
        for (int32_t y = 0; y < 60; ++y) {
            for (int32_t x = 0; x < 60; ++x) {
                const int32_t sx = x / 3 - 5;
                const int32_t sy = y / 3 - 5;
                Color expected = kBlue;
                if (sx >= 0 && sx < 10 && sy >= 0 && sy < 10) {
                    const uint8_t index = pixel(sx, sy);
                    expected = transparent && index == 2 ? kBlue : colors[index];
                }
                // The opaque draw blends block edges when enlarging.
                if (transparent || (x % 3 == 1 && y % 3 == 1))
                    wrong += PixelAt(target, x, y) != expected;
            }
        }
        EXPECT_EQ(wrong, 0) << transparent;
    }
}

TEST(FrameDrawing, TilingRepeatsThePictureAtItsOwnSize) {
    const std::vector<Color> colors = {kRed, kGreen, kBlue, MakeColor(9, 9, 9)};
    const auto pixel = [](int32_t x, int32_t y) { return uint8_t((x / 2 + y) % 4); };
    TGIFImage image;
    AddFrame(image, 0, 0, 20, 20, colors, pixel);
    image.SetDrawOptions(doTile);
    // 20 x 20 over 50 x 30: 3 x 2 copies, the last ones reaching (60, 40);
    // the same from far left of the canvas.
    for (const int32_t left : {0, -1000000}) {
        EXPECT_EQ(Mismatches(Drawn(image, 80, 60, kWhite, {left, 0, 50, 30}),
                             [&](int32_t x, int32_t y) {
                                 return x < 60 && y < 40 ? colors[pixel(x % 20, y % 20)] : kWhite;
                             }),
                  0)
            << left;
    }
}

TEST(FrameDrawing, AScreenOfNoSizeDrawsNothing) {
    std::vector<int> codes(18, 1);
    codes.front() = 4;
    codes.back() = 5;
    Loaded loaded =
        Load(gif_testing::Screen(0, 0, 4) +
             gif_testing::Image(4, 4, gif_testing::PackCodes(2, codes)) + gif_testing::Bytes{0x3B});
    ASSERT_EQ(loaded.image->Width(), 0);
    for (const uint16_t options : {uint16_t{0}, uint16_t{doTile}}) {
        loaded.image->SetDrawOptions(options);
        const Bitmap target = Drawn(*loaded.image, 10, 10, kBlue, {0, 0, 10, 10});
        EXPECT_EQ(Mismatches(target, [](int32_t, int32_t) { return kBlue; }), 0);
    }
}

TEST(GifPicture, ANewPictureIsEmptyWithoutPaletteUnlessItDithers) {
    TGIFImage image;
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(testing_support::SizeOf(image), "0x0");
    EXPECT_EQ(image.GetVersion(), GIFVersion::Unknown);
    EXPECT_EQ(image.GetBitmap(), nullptr);
    EXPECT_FALSE(image.GetPalette());
    // The default options dither on a palette display only.
    SetAutoDither(true);
    TGIFImage dithering;
    const platform::Palette palette = dithering.GetPalette();
    SetAutoDither(false);
    EXPECT_EQ(palette.Entries(), CreateWebPalette().Entries());
}

TEST(GifPicture, AssigningCopiesFramesAndDrawOptionsButNotSpeedOrHandlers) {
    Loaded source = Load(SuiteFile("animated_transparent_loop"));
    source.image->SetDrawOptions(doTile | doTransparent);
    source.image->SetAnimationSpeed(250);
    TGIFImage copy;
    copy.Assign(*source.image);
    EXPECT_EQ(copy.DrawOptions(), doTile | doTransparent);
    EXPECT_EQ(copy.AnimationSpeed(), 100);
    EXPECT_FALSE(copy.OnWarning);
    EXPECT_EQ(gif_testing::Save(copy), gif_testing::Save(*source.image));
    EXPECT_TRUE(copy.Images().SubImages(0)->HasTransparency());
    EXPECT_FALSE(copy.Equals(*source.image));
    EXPECT_TRUE(copy.Equals(copy));
    // A clone is such a copy.
    const std::unique_ptr<platform::Graphic> clone = source.image->Clone();
    EXPECT_EQ(gif_testing::Save(dynamic_cast<TGIFImage&>(*clone)), gif_testing::Save(copy));
}

TEST(GifPicture, AFrameSizedButNeverWrittenIsCopiedWithItsPlaceAndControl) {
    TGIFImage source;
    source.SetWidth(30);
    source.SetHeight(20);
    TGIFSubImage& frame =
        AddFrame(source, 4, 3, 10, 5, {kRed, kGreen}, [](int32_t, int32_t) { return uint8_t{0}; }, 1);
    // A new size gives zero indices, made only when asked for.
    frame.DoSetBounds(4, 3, 11, 5);
    TGIFImage copy;
    copy.Assign(source);
    const TGIFSubImage& copied = *copy.Images().SubImages(0);
    EXPECT_EQ(copied.BoundsRect(), (platform::Rect{4, 3, 15, 8}));
    EXPECT_TRUE(copied.HasTransparency());
    EXPECT_EQ(gif_testing::Save(copy), gif_testing::Save(source));
}

TEST(GifPicture, ItsBitmapShowsFrameZeroAtItsPlaceOnAScreenThatCannotCutIt) {
    TGIFImage image;
    image.SetWidth(30);
    image.SetHeight(20);
    const auto pixel = [](int32_t x, int32_t y) { return uint8_t((x + y) % 3); };
    const Color colors[] = {kRed, kGreen, kBlue};
    // Drawn opaque: the transparent index shows its colour.
    AddFrame(image, 12, 7, 10, 5, {kRed, kGreen, kBlue}, pixel, 2);
    AddFrame(image, 0, 0, 20, 10, {kGreen}, [](int32_t, int32_t) { return uint8_t{0}; });
    EXPECT_EQ(ErrorText([&] { image.SetWidth(21); }), "Image width too small for contained frames");
    EXPECT_EQ(ErrorText([&] { image.SetHeight(11); }),
              "Image height too small for contained frames");
    Bitmap shown;
    image.AssignTo(shown);
    ASSERT_EQ(testing_support::SizeOf(shown), "30x20");
    EXPECT_EQ(Mismatches(shown,
                         [&](int32_t x, int32_t y) {
                             const bool inside = x >= 12 && x < 22 && y >= 7 && y < 12;
                             return inside ? colors[pixel(x - 12, y - 7)] : kWhite;
                         }),
              0);
    // A new size drops the bitmap made for the old one.
    image.SetWidth(22);
    EXPECT_EQ(image.GetBitmap()->Width(), 22);
}

TEST(GifPicture, RegisteredForGifFilesTakingGifAndBitmapClipboardDataOnly) {
    RegisterGIFImage();
    const platform::PictureRegistry& registry = platform::PictureRegistry::Instance();
    EXPECT_EQ(registry.Find("gif")->description, "GIF Image");
    EXPECT_NE(dynamic_cast<TGIFImage*>(registry.CreateFor("x.GIF").get()), nullptr);
    const std::string refused = "Format de Presse-papiers non supporté";
    TGIFImage image;
    EXPECT_EQ(ErrorText([&] { image.LoadFromClipboardFormat("image/gif", {}); }), refused);
    EXPECT_EQ(
        ErrorText([&] { image.LoadFromClipboardFormat("image/png", SuiteFile("animated_loop")); }),
        refused);
}

TEST(GifPicture, ShutDownLeavesTheRegistryAndFilesReadAfterwardsKeepTheirBlocks) {
    RegisterGIFImage();
    UnregisterGIFImage();
    const platform::PictureRegistry& registry = platform::PictureRegistry::Instance();
    EXPECT_EQ(ErrorText([&] { registry.CreateFor("x.gif"); }),
              "Extension de fichier image inconnue (.gif)");
    // The kinds of blocks are known again to the next file read.
    const Loaded loaded = Load(SuiteFile("animated_loop"));
    const TGIFExtensionList& blocks = loaded.image->Images().SubImages(0)->Extensions();
    EXPECT_TRUE(std::any_of(blocks.begin(), blocks.end(), [](const auto& block) {
        return dynamic_cast<const TGIFAppExtNSLoop*>(block.get()) != nullptr;
    }));
    RegisterGIFImage();
    EXPECT_NE(registry.Find("gif"), nullptr);
}

TEST(GifPicture, ARenderingCalledOffByAProgressHandlerLeavesNoBitmap) {
    Loaded loaded = Load(SuiteFile("static_transparent"));
    TGIFImage& image = *loaded.image;
    bool call_off = true;
    int32_t renderings = 0;
    image.OnProgress = [&](const TGIFImage&, ProgressStage stage, uint8_t, bool,
                           const platform::Rect&, std::string_view message) {
        EXPECT_EQ(message, "Rendering...");
        renderings += stage == ProgressStage::Starting;
        if (call_off && stage == ProgressStage::Running) throw platform::Abort();
    };
    EXPECT_EQ(PixelAt(Drawn(image, 100, 100, kGreen, {0, 0, 100, 100}), 50, 50), kGreen);
    EXPECT_FALSE(image.Images().SubImages(0)->HasBitmap());
    EXPECT_EQ(image.GetBitmap(), nullptr);
    // Let through, the rendering makes the mask the called-off ones did not,
    // once for all later drawings.
    call_off = false;
    renderings = 0;
    for (int32_t i = 0; i < 3; ++i) Drawn(image, 1, 1, kGreen, {0, 0, 100, 100});
    EXPECT_TRUE(image.Images().SubImages(0)->HasMask());
    EXPECT_EQ(renderings, 1);
}

}  // namespace
}  // namespace gif
