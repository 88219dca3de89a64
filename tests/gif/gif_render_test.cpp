// Frames rendered to bitmaps and drawn on canvases, and the GIF picture as a
// graphic of the picture framework. ImageMagick's reading of the suite's
// expected frames is the oracle of what a picture shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
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

using gif_testing::Bytes;
using gif_testing::Load;
using gif_testing::Loaded;
using gif_testing::operator+;
using gif_testing::Save;
using platform::Bitmap;
using platform::Canvas;
using platform::Color;
using platform::MakeColor;
using platform::PixelFormat;
using platform::Rect;
using testing_support::ErrorText;
using testing_support::HaveProgram;
using testing_support::PixelAt;
using testing_support::TestData;

constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kGreen = MakeColor(0, 255, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);
constexpr Color kWhite = platform::kWhite;

// Appends a frame at (left, top) with a local table of `colors` and the
// pixels of `pixel`, transparent through a graphic control extension when
// `transparent` is given.
const TGIFSubImage& AddFrame(TGIFImage& image, int32_t left, int32_t top, int32_t width,
                             int32_t height, const std::vector<Color>& colors,
                             const std::function<uint8_t(int32_t x, int32_t y)>& pixel,
                             std::optional<uint8_t> transparent = std::nullopt) {
    auto frame = std::make_unique<TGIFSubImage>(image);
    frame->DoSetBounds(left, top, width, height);
    for (const Color c : colors) frame->ColorMap().Add(c);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) frame->GetScanline(y)[x] = pixel(x, y);
    }
    if (transparent) {
        auto control = std::make_unique<TGIFGraphicControlExtension>(*frame);
        control->SetTransparent(true);
        control->SetTransparentColorIndex(*transparent);
        frame->Extensions().Add(std::move(control));
    }
    const TGIFSubImage& added = *frame;
    image.Add(std::move(frame));
    return added;
}

Bitmap Plain(int32_t width, int32_t height, Color color) {
    Bitmap bitmap(width, height);
    bitmap.Fill(color);
    return bitmap;
}

Bytes SuiteFile(const std::string& name) {
    return testing_support::ReadFile(TestData("gif-suite/gifs/" + name + ".gif"));
}

TEST(FrameRendering, MasksMarkTheTransparentPixelsOnly) {
    const auto hole = [](int32_t x, int32_t y) { return (x * 5 + y) % 3 == 0; };
    for (const int32_t width : {17, 16}) {
        TGIFImage image;
        const TGIFSubImage& frame = AddFrame(
            image, 0, 0, width, 5, {kRed, kGreen, kBlue},
            [&](int32_t x, int32_t y) { return hole(x, y) ? 2 : x % 2; }, 2);
        ASSERT_TRUE(frame.HasMask());
        const Bitmap& mask = *frame.Mask();
        EXPECT_EQ(mask.Format(), PixelFormat::Bit1);
        EXPECT_EQ(mask.Stride(), 4u);
        int32_t wrong = 0;
        for (int32_t y = 0; y < 5; ++y) {
            for (size_t x = 0; x < 32; ++x) {
                const bool set = platform::PixelIndex(mask.ScanLine(y), PixelFormat::Bit1, x);
                wrong += set != (int32_t(x) < width && hole(int32_t(x), y));
            }
        }
        EXPECT_EQ(wrong, 0) << width;
    }
    // No pixel uses the transparent index; an index beyond the table is black.
    TGIFImage image;
    const TGIFSubImage& frame = AddFrame(
        image, 0, 0, 2, 1, {kRed, kGreen, kBlue},
        [](int32_t x, int32_t) { return x == 0 ? 200 : 1; }, 2);
    EXPECT_FALSE(frame.HasMask());
    Bitmap shown;
    frame.AssignTo(shown);
    shown.SetPixelFormat(PixelFormat::Bit24);
    EXPECT_EQ(PixelAt(shown, 0, 0), platform::kBlack);
    EXPECT_EQ(PixelAt(shown, 1, 0), kGreen);
}

TEST(FrameRendering, DitheredFramesTakeTheWebPaletteAndFillTheirHoles) {
    const std::vector<Color> colors = {MakeColor(100, 150, 200), MakeColor(7, 240, 33),
                                       MakeColor(180, 180, 10), MakeColor(130, 20, 250)};
    const auto pixel = [](int32_t x, int32_t y) { return uint8_t((x + y) % 4 ? x / 5 % 3 : 3); };
    TGIFImage image;
    image.SetDrawOptions(doDither);
    const TGIFSubImage& frame = AddFrame(image, 0, 0, 13, 9, colors, pixel, 3);
    const Bitmap& bitmap = *frame.GetBitmap();
    const platform::Palette web = CreateWebPalette();
    ASSERT_EQ(bitmap.ColorTable().size(), 256u);
    EXPECT_TRUE(
        std::equal(web.Entries().begin(), web.Entries().end(), bitmap.ColorTable().begin()));
    int32_t wrong = 0;
    for (int32_t y = 0; y < 9; ++y) {
        for (int32_t x = 0; x < 13; ++x) {
            const uint8_t index = bitmap.ScanLine(y)[x];
            if (pixel(x, y) == 3) {
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
    // The serpentine walk marks the pixels the plain renderer marks.
    TGIFImage plain;
    const TGIFSubImage& twin = AddFrame(plain, 0, 0, 13, 9, colors, pixel, 3);
    ASSERT_TRUE(frame.HasMask() && twin.HasMask());
    for (int32_t y = 0; y < 9; ++y) {
        EXPECT_EQ(0, std::memcmp(frame.Mask()->ScanLine(y), twin.Mask()->ScanLine(y), 4));
    }
    // Dithering switched off, the frame shows its table's colours again.
    image.SetDrawOptions(0);
    Bitmap shown;
    frame.AssignTo(shown);
    shown.SetPixelFormat(PixelFormat::Bit24);
    EXPECT_EQ(PixelAt(shown, 12, 8), colors[pixel(12, 8)]);
    EXPECT_EQ(PixelAt(shown, 5, 0), colors[pixel(5, 0)]);
}

TEST(FrameDrawing, ScaleRectMapsTheScreenOntoTheTarget) {
    TGIFImage image;
    image.SetWidth(20);
    image.SetHeight(20);
    const TGIFSubImage& frame =
        AddFrame(image, 5, 5, 10, 10, {kRed}, [](int32_t, int32_t) { return 0; });
    EXPECT_EQ(frame.ScaleRect({0, 0, 40, 40}), (Rect{10, 10, 30, 30}));
    EXPECT_EQ(frame.ScaleRect({100, 100, 140, 140}), (Rect{110, 110, 130, 130}));
    // 7.5 and 22.5 round away from zero.
    EXPECT_EQ(frame.ScaleRect({0, 0, 30, 30}), (Rect{8, 8, 23, 23}));
}

TEST(FrameDrawing, TransparentPixelsKeepTheCanvasOnlyWhenAsked) {
    // A 10 x 10 frame at (5, 5) of a 20 x 20 screen, drawn three times as
    // large: every source pixel becomes a block of 3 x 3.
    const auto pixel = [](int32_t x, int32_t y) { return uint8_t((x + y) % 3 == 0 ? 2 : x % 2); };
    const Color colors[] = {kRed, kGreen, kWhite};
    TGIFImage image;
    image.SetWidth(20);
    image.SetHeight(20);
    AddFrame(image, 5, 5, 10, 10, {kRed, kGreen, kWhite}, pixel, 2);
    for (const bool transparent : {true, false}) {
        image.SetDrawOptions(transparent ? doTransparent : 0);
        Bitmap target = Plain(60, 60, kBlue);
        Canvas canvas(target);
        image.Draw(canvas, {0, 0, 60, 60});
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
                if (transparent || (x % 3 == 1 && y % 3 == 1)) {
                    wrong += PixelAt(target, x, y) != expected;
                }
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
        Bitmap target = Plain(80, 60, kWhite);
        Canvas canvas(target);
        image.Draw(canvas, {left, 0, 50, 30});
        int32_t wrong = 0;
        for (int32_t y = 0; y < 60; ++y) {
            for (int32_t x = 0; x < 80; ++x) {
                const Color expected = x < 60 && y < 40 ? colors[pixel(x % 20, y % 20)] : kWhite;
                wrong += PixelAt(target, x, y) != expected;
            }
        }
        EXPECT_EQ(wrong, 0) << left;
    }
}

TEST(FrameDrawing, AScreenOfNoSizeDrawsNothing) {
    std::vector<int> codes{4};
    codes.insert(codes.end(), 16, 1);
    codes.push_back(5);
    Loaded loaded = Load(gif_testing::Screen(0, 0, 4) +
                         gif_testing::Image(4, 4, gif_testing::PackCodes(2, codes)) + Bytes{0x3B});
    ASSERT_EQ(loaded.image->Width(), 0);
    for (const uint16_t options : {uint16_t{0}, uint16_t{doTile}}) {
        loaded.image->SetDrawOptions(options);
        Bitmap target = Plain(10, 10, kBlue);
        Canvas canvas(target);
        loaded.image->Draw(canvas, {0, 0, 10, 10});
        EXPECT_EQ(PixelAt(target, 0, 0), kBlue);
    }
}

TEST(FrameDrawing, FrameZeroShowsAsTheSuiteExpectsItsFirstFrame) {
    if (!HaveProgram("convert")) GTEST_SKIP() << "ImageMagick is missing";
    const Color backdrop = MakeColor(1, 2, 3);
    int32_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TestData("gif-suite/gifs"))) {
        if (entry.path().extension() != ".gif") continue;
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        std::string expected = TestData("gif-suite/gifs/frames/" + name + "-0.png");
        if (!std::filesystem::exists(expected)) {
            expected = TestData("gif-suite/gifs/frames/" + name + ".png");
        }
        Loaded loaded = Load(testing_support::ReadFile(entry.path().string()));
        const int32_t width = loaded.image->Width();
        const int32_t height = loaded.image->Height();
        const std::string rgba = testing_support::Output(
            "convert " + testing_support::ShellQuote(expected) + " -depth 8 rgba:-");
        ASSERT_EQ(rgba.size(), size_t(4 * width * height));
        Bitmap target = Plain(width, height, backdrop);
        Canvas canvas(target);
        canvas.StretchDraw({0, 0, width, height}, *loaded.image);
        int32_t wrong = 0;
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const auto* p =
                    reinterpret_cast<const uint8_t*>(&rgba[size_t(4 * (y * width + x))]);
                // Transparent there, the backdrop shows through.
                const Color want = p[3] == 0 ? backdrop : MakeColor(p[0], p[1], p[2]);
                wrong += PixelAt(target, x, y) != want;
            }
        }
        EXPECT_EQ(wrong, 0);
        ++files;
    }
    EXPECT_GE(files, 13);
}

TEST(GifPicture, ANewPictureIsEmptyWithoutPaletteUnlessItDithers) {
    TGIFImage image;
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Width() + image.Height(), 0);
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

TEST(GifPicture, TheScreenCannotBeMadeToCutAFrame) {
    TGIFImage image;
    AddFrame(image, 60, 50, 40, 30, {kRed}, [](int32_t, int32_t) { return 0; });
    EXPECT_EQ(ErrorText([&] { image.SetWidth(99); }), "Image width too small for contained frames");
    EXPECT_EQ(ErrorText([&] { image.SetHeight(79); }),
              "Image height too small for contained frames");
    EXPECT_EQ(testing_support::SizeOf(image), "100x80");
    // A new size drops the bitmap made for the old one.
    EXPECT_EQ(image.GetBitmap()->Width(), 100);
    image.SetWidth(150);
    EXPECT_EQ(image.GetBitmap()->Width(), 150);
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
    EXPECT_EQ(Save(copy), Save(*source.image));
    EXPECT_FALSE(copy.Equals(*source.image));
    EXPECT_TRUE(copy.Equals(copy));
}

TEST(GifPicture, ItsBitmapShowsFrameZeroAtItsPlaceOnTheScreen) {
    TGIFImage image;
    image.SetWidth(30);
    image.SetHeight(20);
    const auto pixel = [](int32_t x, int32_t y) { return uint8_t((x + y) % 3); };
    const Color colors[] = {kRed, kGreen, kBlue};
    // Drawn opaque: the transparent index shows its colour.
    AddFrame(image, 12, 7, 10, 5, {kRed, kGreen, kBlue}, pixel, 2);
    AddFrame(image, 0, 0, 30, 20, {kGreen}, [](int32_t, int32_t) { return 0; });
    Bitmap shown;
    image.AssignTo(shown);
    ASSERT_EQ(testing_support::SizeOf(shown), "30x20");
    int32_t wrong = 0;
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 0; x < 30; ++x) {
            const bool inside = x >= 12 && x < 22 && y >= 7 && y < 12;
            wrong +=
                PixelAt(shown, x, y) != (inside ? colors[pixel(x - 12, y - 7)] : platform::kWhite);
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(GifPicture, RegisteredForGifFilesTakingGifClipboardDataOnly) {
    RegisterGIFImage();
    const platform::PictureRegistry& registry = platform::PictureRegistry::Instance();
    EXPECT_EQ(registry.Find("gif")->description, "GIF Image");
    EXPECT_NE(dynamic_cast<TGIFImage*>(registry.CreateFor("x.GIF").get()), nullptr);
    const std::string refused = "Format de Presse-papiers non supporté";
    TGIFImage image;
    EXPECT_EQ(ErrorText([&] { image.LoadFromClipboardFormat("image/gif", {}); }), refused);
    EXPECT_EQ(
        ErrorText([&] { image.LoadFromClipboardFormat("image/bmp", SuiteFile("animated_loop")); }),
        refused);
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
    Bitmap target = Plain(100, 100, kGreen);
    Canvas canvas(target);
    EXPECT_NO_THROW(image.Draw(canvas, {0, 0, 100, 100}));
    EXPECT_FALSE(image.Images().SubImages(0)->HasBitmap());
    EXPECT_EQ(image.GetBitmap(), nullptr);
    EXPECT_EQ(PixelAt(target, 50, 50), kGreen);
    // Let through, the rendering makes the mask the called-off ones did not,
    // once for all later drawings.
    call_off = false;
    renderings = 0;
    for (int32_t i = 0; i < 3; ++i) image.Draw(canvas, {0, 0, 100, 100});
    EXPECT_TRUE(image.Images().SubImages(0)->HasMask());
    EXPECT_EQ(renderings, 1);
}

}  // namespace
}  // namespace gif
