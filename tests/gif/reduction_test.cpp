// Colour reduction: the error-diffusion engines, the octree quantizer, the
// reduction methods with their fixed palettes, and the cached nearest-colour
// lookup they map with.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "gif/color_lookup.h"
#include "gif/dither.h"
#include "gif/gif_error.h"
#include "gif/gif_units.h"
#include "gif/quantizer.h"
#include "gif/reduction.h"
#include "pictures.h"
#include "test_support.h"

namespace gif {
namespace {

using platform::Bitmap;
using platform::MakeColor;
using platform::PixelFormat;
using platform::RGBQuad;
using testing_support::ErrorText;
using testing_support::MakeBitmap;

RGBQuad Quad(uint8_t red, uint8_t green, uint8_t blue) {
    return RGBQuad{blue, green, red, 0};
}

// The monochrome lookup, keeping the red of every colour asked.
class Asked final : public TColorLookup {
public:
    Asked() : TColorLookup(2) {}
    ColorMatch Lookup(uint8_t red, uint8_t green, uint8_t blue) override {
        reds.push_back(red);
        return mono_.Lookup(red, green, blue);
    }
    std::vector<int> reds;

private:
    TMonochromeLookup mono_;
};

// The indexes of a bitmap reduced with an engine, at their places.
std::vector<std::vector<uint8_t>> Indexes(const Bitmap& bitmap, TDitherEngine& engine) {
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(bitmap.Height()),
                                           std::vector<uint8_t>(static_cast<size_t>(bitmap.Width())));
    DitherPixels(bitmap, engine, [&](int32_t row) { return rows[static_cast<size_t>(row)].data(); });
    return rows;
}

TEST(KernelDitherers, SpreadTheirHandComputedErrorsOnMidGrey) {
    const auto grey = MakeBitmap(4, 1, [](int32_t, int32_t) { return MakeColor(128, 128, 128); });
    // Stucki: 8/42 of the first error (-127) to the next pixel and 4/42 to
    // the one after, which also gets 8/42 of the second error (+105).
    Asked stucki_lookup;
    TStuckiDitherer stucki(4, stucki_lookup);
    EXPECT_EQ(Indexes(*grey, stucki)[0], (std::vector<uint8_t>{1, 0, 1, 0}));
    EXPECT_EQ(stucki_lookup.reds, (std::vector<int>{128, 105, 136, 116}));
    // Stevenson-Arce gives nothing to the next pixel: 32/200 goes two on.
    Asked arce_lookup;
    TSteveArcheDitherer arce(4, arce_lookup);
    EXPECT_EQ(Indexes(*grey, arce)[0], (std::vector<uint8_t>{1, 1, 0, 0}));
    EXPECT_EQ(arce_lookup.reds, (std::vector<int>{128, 128, 109, 109}));
    // The row below starts at its right end and takes the errors of the row
    // above: a second row of Burkes.
    const auto two = MakeBitmap(2, 2, [](int32_t, int32_t) { return MakeColor(128, 128, 128); });
    Asked burkes_lookup;
    TBurkesDitherer burkes(2, burkes_lookup);
    Indexes(*two, burkes);
    // Row 0: 128 (-127), 128 + (8 x -127 + 16) / 32 = 97 (+97). Row 1 from
    // column 1: 128 + (4 x -127 + 8 x 97 + 16) / 32 = 136, then column 0:
    // 128 + (8 x -127 + 4 x 97 + 8 x -119 + 16) / 32 = 80.
    EXPECT_EQ(burkes_lookup.reds, (std::vector<int>{128, 97, 136, 80}));
}

// The mean of the source and of the colours chosen over blocks of 8 x 8:
// the mean of their absolute differences.
double BlockError(const Bitmap& source, const std::vector<std::vector<uint8_t>>& indexes,
                  const platform::Palette& palette) {
    double total = 0;
    int blocks = 0;
    for (int32_t by = 0; by < source.Height(); by += 8) {
        for (int32_t bx = 0; bx < source.Width(); bx += 8) {
            double wanted = 0;
            double got = 0;
            for (int32_t y = by; y < by + 8; ++y) {
                for (int32_t x = bx; x < bx + 8; ++x) {
                    wanted += platform::RedOf(testing_support::PixelAt(source, x, y));
                    got += palette.Entries()[indexes[static_cast<size_t>(y)][static_cast<size_t>(x)]]
                               .Red;
                }
            }
            total += std::abs(wanted - got) / 64;
            ++blocks;
        }
    }
    return total / blocks;
}

TEST(KernelDitherers, EveryEngineKeepsTheMeanOfAGradientBetterThanNearestColours) {
    const auto ramp = MakeBitmap(256, 32, [](int32_t x, int32_t) {
        const auto v = static_cast<uint8_t>(x);
        return MakeColor(v, v, v);
    });
    const platform::Palette greys = CreateWindowsGrayPalette();
    TFastColorLookup lookup(greys);
    const double plain = BlockError(*ramp, Indexes(*ramp, *CreateDitherer(0, 256, lookup)), greys);
    EXPECT_GT(plain, 10);
    for (uint8_t mode = 1; mode <= 6; ++mode) {
        const double diffused =
            BlockError(*ramp, Indexes(*ramp, *CreateDitherer(mode, 256, lookup)), greys);
        EXPECT_LT(diffused, plain / 4) << "mode " << int{mode};
    }
    EXPECT_EQ(CreateDitherer(7, 256, lookup), nullptr);
}

TEST(KernelDitherers, PaletteColoursComeOutExactAndNarrowPicturesStayInBounds) {
    // Web colours each alone in a cell of the cached lookup: no error at all.
    const auto web = MakeBitmap(9, 7, [](int32_t x, int32_t y) {
        return MakeColor(static_cast<uint8_t>(x * 7 % 6 * 51), static_cast<uint8_t>(y % 6 * 51),
                         static_cast<uint8_t>((x + y) % 6 * 51));
    });
    for (uint8_t mode = 0; mode <= 6; ++mode) {
        TFastColorLookup lookup(CreateWebPalette());
        const auto rows = Indexes(*web, *CreateDitherer(mode, 9, lookup));
        for (int32_t y = 0; y < 7; ++y) {
            for (int32_t x = 0; x < 9; ++x) {
                const platform::Color c = testing_support::PixelAt(*web, x, y);
                EXPECT_EQ(rows[static_cast<size_t>(y)][static_cast<size_t>(x)],
                          TNetscapeColorLookup::IndexOf(platform::RedOf(c), platform::GreenOf(c),
                                                        platform::BlueOf(c)))
                    << "mode " << int{mode};
            }
        }
    }
    // One pixel wide, with errors as large as they come: the margins take
    // what falls outside, and every value stays a component.
    const auto column = MakeBitmap(1, 9, [](int32_t, int32_t y) {
        return y % 2 ? MakeColor(255, 0, 255) : MakeColor(127, 255, 0);
    });
    for (uint8_t mode = 1; mode <= 6; ++mode) {
        Asked lookup;
        const std::unique_ptr<TDitherEngine> engine = CreateDitherer(mode, 1, lookup);
        Indexes(*column, *engine);
        for (int red : lookup.reds) EXPECT_TRUE(red >= 0 && red <= 255);
        EXPECT_EQ(lookup.reds.size(), 9u);
        EXPECT_EQ(engine->Column(), 0);
        EXPECT_EQ(engine->Direction(), -1);
    }
}

std::vector<RGBQuad> Quantize(int32_t max_colors, const std::vector<RGBQuad>& pixels) {
    TColorQuantizer quantizer(max_colors, 8);
    for (const RGBQuad& p : pixels) {
        const uint8_t bgr[3] = {p.Blue, p.Green, p.Red};
        quantizer.AddPixels(bgr, 1);
    }
    return quantizer.GetColorTable();
}

TEST(Octree, KeepsFewColoursExactAndFoldsTheNewestDeepestNode) {
    EXPECT_EQ(Quantize(256, std::vector(5, Quad(12, 200, 7))), (std::vector{Quad(12, 200, 7)}));
    // Two colours asked for: blue (child 1 at the top) comes before red (4).
    EXPECT_EQ(Quantize(2, {Quad(255, 0, 0), Quad(0, 0, 255)}),
              (std::vector{Quad(0, 0, 255), Quad(255, 0, 0)}));
    // Exactly as many colours as asked for: all kept, in the tree's order.
    std::vector<RGBQuad> sixteen;
    for (int i = 15; i >= 0; --i) sixteen.push_back(Quad(static_cast<uint8_t>(i * 16), 0, 0));
    const std::vector<RGBQuad> kept = Quantize(16, sixteen);
    ASSERT_EQ(kept.size(), 16u);
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(kept[i], Quad(static_cast<uint8_t>(i * 16), 0, 0));
    // One colour: the root, the mean of all pixels truncated.
    EXPECT_EQ(Quantize(1, {Quad(0, 0, 0), Quad(255, 255, 255), Quad(10, 20, 30)}),
              (std::vector{Quad(88, 91, 95)}));
    // The third colour opens a new branch whose deepest node is folded first,
    // which frees nothing; the next fold joins the first two colours.
    EXPECT_EQ(Quantize(2, {Quad(0, 0, 0), Quad(0, 0, 1), Quad(255, 255, 255)}),
              (std::vector{Quad(0, 0, 0), Quad(255, 255, 255)}));
    EXPECT_EQ(ErrorText([] { TColorQuantizer(0, 8); }), "Erreur de vérification d'étendue");
    EXPECT_EQ(ErrorText([] { TColorQuantizer(257, 8); }), "Erreur de vérification d'étendue");
    EXPECT_EQ(ErrorText([] { TColorQuantizer(16, 9); }), "Erreur de vérification d'étendue");
}

TEST(Octree, SumsOfALargeBrightAreaDoNotOverflow) {
    // More than 2^31 / 255 white pixels in one leaf.
    TColorQuantizer quantizer(1, 8);
    const std::vector<uint8_t> row(4096 * 3, 255);
    for (int i = 0; i < 2100; ++i) quantizer.AddPixels(row.data(), 4096);
    EXPECT_EQ(quantizer.GetColorTable(), (std::vector{Quad(255, 255, 255)}));
}

// The index of pixel (x, y) of an 8-bit bitmap.
uint8_t IndexAt(const Bitmap& bitmap, int32_t x, int32_t y) {
    return bitmap.ScanLine(y)[x];
}

TEST(ReduceColors, MapsWithTheCachedLookupTheLowestIndexOnATie) {
    const platform::Palette palette(
        {Quad(0, 0, 0), Quad(16, 0, 0), Quad(16, 0, 0), Quad(200, 100, 50), Quad(255, 255, 255)});
    const auto colours = MakeBitmap(4, 1, [](int32_t x, int32_t) {
        return std::array{MakeColor(8, 0, 0), MakeColor(15, 0, 0), MakeColor(16, 0, 0),
                          MakeColor(190, 110, 40)}[static_cast<size_t>(x)];
    });
    const Bitmap reduced = ReduceColors(*colours, 9, 0, 8, palette);
    // (8, 0, 0) is as far from black as from (16, 0, 0): black. (15, 0, 0),
    // in the same cell, takes that answer though (16, 0, 0) is nearer.
    EXPECT_EQ(IndexAt(reduced, 0, 0), 0);
    EXPECT_EQ(IndexAt(reduced, 1, 0), 0);
    EXPECT_EQ(IndexAt(reduced, 2, 0), 1);
    EXPECT_EQ(IndexAt(reduced, 3, 0), 3);
    // Black and white: mid-grey is 384 from black and 381 from white.
    const auto greys = MakeBitmap(2, 1, [](int32_t x, int32_t) {
        return x == 0 ? MakeColor(128, 128, 128) : MakeColor(127, 127, 127);
    });
    const Bitmap mono = ReduceColors(*greys, 9, 0, 8, CreateMonochromePalette());
    EXPECT_EQ(IndexAt(mono, 0, 0), 1);
    EXPECT_EQ(IndexAt(mono, 1, 0), 0);
}

TEST(FixedPalettes, HoldTheirColoursInOrder) {
    const platform::Palette default_palette = CreateDefaultPalette();
    const auto& system = default_palette.Entries();
    ASSERT_EQ(system.size(), 20u);
    EXPECT_EQ(system[7], Quad(192, 192, 192));
    EXPECT_EQ(system[8], Quad(192, 220, 192));
    EXPECT_EQ(system[10], Quad(255, 251, 240));
    EXPECT_EQ(system[19], Quad(255, 255, 255));
    const platform::Palette grey_palette = CreateGrayScalePalette();
    ASSERT_EQ(grey_palette.Count(), 256u);
    EXPECT_EQ(grey_palette.Entries()[77], Quad(77, 77, 77));
    EXPECT_EQ(CreateMonochromePalette().Entries(),
              (std::vector{Quad(0, 0, 0), Quad(255, 255, 255)}));
    EXPECT_EQ(CreateWindowsGrayPalette().Entries(),
              (std::vector{Quad(0, 0, 0), Quad(128, 128, 128), Quad(192, 192, 192),
                           Quad(255, 255, 255)}));
    const platform::Palette halftone_palette = CreateHalftonePaletteHelper();
    const auto& halftone = halftone_palette.Entries();
    ASSERT_EQ(halftone.size(), 256u);
    EXPECT_EQ(halftone[10], Quad(0, 0, 0));
    EXPECT_EQ(halftone[225], Quad(255, 255, 255));
    EXPECT_EQ(halftone[255], Quad(255, 255, 255));
}

TEST(ReduceColors, FixedPalettesMapAsTheirLookups) {
    const auto two = MakeBitmap(2, 1, [](int32_t x, int32_t) {
        return x == 0 ? MakeColor(255, 0, 0) : MakeColor(47, 47, 47);
    });
    const Bitmap web = ReduceColors(*two, 6, 0, 8);
    ASSERT_EQ(web.Format(), PixelFormat::Bit8);
    EXPECT_EQ(IndexAt(web, 0, 0), 180);
    EXPECT_EQ(IndexAt(web, 1, 0), 0);
    ASSERT_EQ(web.ColorTable().size(), 256u);
    EXPECT_EQ(web.ColorTable()[215], Quad(255, 255, 255));
    for (size_t i = 216; i < 256; ++i) EXPECT_EQ(web.ColorTable()[i], RGBQuad{});

    const auto greys = MakeBitmap(2, 1, [](int32_t x, int32_t) {
        return x == 0 ? MakeColor(128, 128, 128) : MakeColor(127, 127, 127);
    });
    const Bitmap mono = ReduceColors(*greys, 4, 0, 8);
    EXPECT_EQ(IndexAt(mono, 0, 0), 1);
    EXPECT_EQ(IndexAt(mono, 1, 0), 0);
    EXPECT_EQ(IndexAt(ReduceColors(*greys, 5, 0, 8), 0, 0), 128);

    const Bitmap copy = ReduceColors(*two, 0, 3, 8);
    EXPECT_EQ(copy.Format(), PixelFormat::Bit24);
    EXPECT_EQ(testing_support::PixelAt(copy, 1, 0), MakeColor(47, 47, 47));
}

TEST(ReduceColors, OptimisedPalettesKeepTheSystemColoursAndUnsetEntriesAreBlack) {
    const Bitmap photo = testing_support::Noise(64, 48, 7);
    const Bitmap reserved = ReduceColors(photo, 8, 1, 8);
    const auto& table = reserved.ColorTable();
    const platform::Palette default_palette = CreateDefaultPalette();
    const auto& system = default_palette.Entries();
    ASSERT_EQ(table.size(), 256u);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(table[i], system[i]);
        EXPECT_EQ(table[246 + i], system[10 + i]);
    }
    // Bits 4: at most 16 colours, in a palette of 16.
    EXPECT_EQ(ReductionPalette(photo, 7, 4, {}).Count(), 16u);
    const Bitmap sixteen = ReduceColors(photo, 7, 1, 4);
    std::set<uint8_t> used;
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 64; ++x) used.insert(IndexAt(sixteen, x, y));
    EXPECT_LE(used.size(), 16u);
    EXPECT_LT(*used.rbegin(), 16);
    // Three colours asked to fill 256 entries: the rest stay black.
    const auto three = MakeBitmap(3, 1, [](int32_t x, int32_t) {
        return MakeColor(static_cast<uint8_t>(50 + x * 50), 9, 9);
    });
    const platform::Palette few_palette = ReductionPalette(*three, 7, 8, {});
    const auto& few = few_palette.Entries();
    ASSERT_EQ(few.size(), 256u);
    EXPECT_EQ(few[2], Quad(150, 9, 9));
    for (size_t i = 3; i < 256; ++i) EXPECT_EQ(few[i], RGBQuad{});
    // Bits that make no palette are the codec's error.
    for (int32_t bits : {0, 9, -1, 32}) {
        EXPECT_EQ(ErrorText([&] { ReduceColors(*three, 7, 0, bits); }), "Invalid reduction method");
    }
}

TEST(ReduceColors, MethodsAndDitherersOutOfRangeGiveAnEmptyBitmap) {
    const auto picture = MakeBitmap(4, 3, [](int32_t x, int32_t y) {
        return MakeColor(static_cast<uint8_t>(x * 60), static_cast<uint8_t>(y * 90), 30);
    });
    EXPECT_TRUE(ReduceColors(*picture, 9, 0, 8).Empty());
    EXPECT_TRUE(ReduceColors(*picture, 10, 0, 8).Empty());
    EXPECT_TRUE(ReduceColors(*picture, 6, 7, 8).Empty());
    const platform::Palette custom({Quad(0, 0, 0), Quad(255, 255, 255)});
    const Bitmap two = ReduceColors(*picture, 9, 0, 8, custom);
    EXPECT_EQ(two.ColorTable()[1], Quad(255, 255, 255));
}

TEST(ReduceColors, AnyPixelFormatIsReadAsItsColours) {
    const Bitmap photo = testing_support::Noise(33, 17, 3);
    const Bitmap expected = ReduceColors(photo, 8, 1, 8);
    for (PixelFormat format : {PixelFormat::Bit32, PixelFormat::Bit16, PixelFormat::Bit15}) {
        Bitmap other;
        other.Assign(photo);
        other.SetPixelFormat(format);
        Bitmap back;
        back.Assign(other);
        back.SetPixelFormat(PixelFormat::Bit24);
        const Bitmap reduced = ReduceColors(other, 8, 1, 8);
        const Bitmap wanted = ReduceColors(back, 8, 1, 8);
        for (int32_t y = 0; y < 17; ++y)
            EXPECT_EQ(std::vector(reduced.ScanLine(y), reduced.ScanLine(y) + 33),
                      std::vector(wanted.ScanLine(y), wanted.ScanLine(y) + 33));
        EXPECT_EQ(other.Format(), format);
    }
    EXPECT_EQ(expected.Width(), 33);
}

}  // namespace
}  // namespace gif
