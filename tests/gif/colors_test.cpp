// The colour side of the codec: the colour lookups, index widths, row sizes
// and the web palette, the bitmap row reader and writer, and the ditherers.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gif/color_lookup.h"
#include "gif/dib.h"
#include "gif/dither.h"
#include "gif/gif_units.h"
#include "pictures.h"
#include "test_support.h"

namespace gif {
namespace {

using platform::Bitmap;
using platform::PixelFormat;
using platform::RGBQuad;
using testing_support::ErrorText;

platform::Palette PaletteOf(const std::vector<Rgb>& colours) {
    std::vector<RGBQuad> entries;
    for (const Rgb& c : colours) entries.push_back(RGBQuad{c.Blue, c.Green, c.Red, 0});
    return platform::Palette(std::move(entries));
}

TEST(FastColorLookup, FindsTheNearestColourOncePerCell) {
    TFastColorLookup mono(PaletteOf({{0, 0, 0}, {255, 255, 255}}));
    EXPECT_EQ(mono.Lookup(128, 128, 128), (ColorMatch{1, {255, 255, 255}}));  // 384 vs 381
    EXPECT_EQ(mono.Lookup(127, 127, 127), (ColorMatch{0, {0, 0, 0}}));
    TFastColorLookup ties(PaletteOf({{0, 0, 0}, {0, 0, 200}, {0, 0, 100}, {0, 0, 200}}));
    EXPECT_EQ(ties.Lookup(0, 0, 50).Index, 0);   // 50 from entries 0 and 2
    EXPECT_EQ(ties.Lookup(0, 0, 200).Index, 1);  // a duplicate colour
    EXPECT_EQ(ties.Lookup(0, 0, 120).Index, 2);
    // A cell keeps its first answer: (8, 0, 0) is 8 from both entries and gets 0; (15, 0, 0) shares
    // its cell and gets 0 too, although entry 1 is nearer.
    TFastColorLookup lookup(PaletteOf({{0, 0, 0}, {16, 0, 0}}));
    EXPECT_EQ(lookup.Lookup(8, 0, 0).Index, 0);
    EXPECT_EQ(lookup.Lookup(15, 0, 0), (ColorMatch{0, {0, 0, 0}}));
    TFastColorLookup fresh(PaletteOf({{0, 0, 0}, {16, 0, 0}}));
    EXPECT_EQ(fresh.Lookup(15, 0, 0).Index, 1);
    EXPECT_EQ(fresh.Lookup(8, 0, 0).Index, 1);
    // Palette colours fill their cells from the start, the lowest entry first.
    TFastColorLookup shared(PaletteOf({{255, 255, 255}, {64, 64, 64}, {65, 65, 65}}));
    EXPECT_EQ(shared.Lookup(65, 65, 65), (ColorMatch{1, {64, 64, 64}}));
    // At most 256 entries are served, and none without a palette.
    std::vector<Rgb> many(300, Rgb{1, 2, 3});
    many[299] = Rgb{250, 250, 250};
    TFastColorLookup capped(PaletteOf(many));
    EXPECT_EQ(capped.Colors(), 256);
    EXPECT_EQ(capped.Lookup(250, 250, 250).Index, 0);
    TFastColorLookup none{platform::Palette()};
    EXPECT_EQ(none.Colors(), 0);
    EXPECT_EQ(none.Lookup(200, 100, 50), (ColorMatch{0, {0, 0, 0}}));
}

TEST(ArithmeticLookups, MatchTheirFixedPalettes) {
    TNetscapeColorLookup web;
    EXPECT_EQ(web.Lookup(47, 48, 252), (ColorMatch{11, {0, 51, 255}}));
    // Levels change at 48, 99, 150, 201 and 252.
    for (const int v : {47, 48, 98, 99, 149, 150, 200, 201, 251, 252}) {
        EXPECT_EQ(web.Lookup(static_cast<uint8_t>(v), 0, 0).Index, (v + 3) / 51 * 36) << v;
    }
    // The transparent fill of dithered frames: white is the last web entry.
    EXPECT_EQ(TNetscapeColorLookup::IndexOf(255, 255, 255), 215);

    TGrayScaleLookup grey;
    EXPECT_EQ(grey.Lookup(255, 255, 255), (ColorMatch{255, {255, 255, 255}}));
    EXPECT_EQ(grey.Lookup(255, 0, 0), (ColorMatch{76, {76, 76, 76}}));

    TMonochromeLookup mono;
    EXPECT_EQ(mono.Lookup(127, 127, 127), (ColorMatch{0, {0, 0, 0}}));        // 32512
    EXPECT_EQ(mono.Lookup(128, 128, 128), (ColorMatch{1, {255, 255, 255}}));  // 32768
    EXPECT_EQ(mono.Lookup(0, 217, 0).Index, 1);                               // 32550
}

TEST(GifUnits, IndexWidthsRowSizesAndTheWebPalette) {
    const std::pair<int32_t, int32_t> bits[] = {
        {0, 0},   {1, 1},   {2, 1},   {3, 2},        {5, 3},
        {129, 8}, {256, 8}, {257, 9}, {1 << 30, 30}, {(1 << 30) + 1, 31}};
    for (const auto& [count, width] : bits) EXPECT_EQ(ColorsToBits(count), width) << count;

    EXPECT_EQ(AlignBit(3, 24, 32), 12);  // 9 bytes of pixels, 3 of filler
    EXPECT_EQ(AlignBit(17, 1, 16), 4);   // mask rows of a 17-pixel frame
    EXPECT_EQ(AlignBit(16, 1, 16), 2);
    EXPECT_EQ(ErrorText([] { AlignBit(8, 8, 0); }), "Erreur de vérification d'étendue");
    EXPECT_EQ(ErrorText([] { AlignBit(1 << 28, 24, 32); }), "Débordement d'entier");

    const platform::Palette palette = CreateWebPalette();
    ASSERT_EQ(palette.Count(), 216u);
    const auto& e = palette.Entries();
    EXPECT_EQ(e[1], (RGBQuad{51, 0, 0, 0}));
    EXPECT_EQ(e[6], (RGBQuad{0, 51, 0, 0}));
    EXPECT_EQ(e[36], (RGBQuad{0, 0, 51, 0}));
    EXPECT_EQ(e[215], (RGBQuad{255, 255, 255, 0}));
}

TEST(DIBWriter, EightBitsGetThePaletteThenBlackUpTo256Entries) {
    Bitmap bitmap;
    TDIBWriter writer(bitmap, PixelFormat::Bit8, 5, 3, CreateWebPalette());
    writer.GetScanline(0);
    writer.UpdateBitmap();
    ASSERT_EQ(bitmap.Format(), PixelFormat::Bit8);
    std::vector<RGBQuad> table = CreateWebPalette().Entries();
    table.resize(256);
    EXPECT_EQ(bitmap.ColorTable(), table);
    // A palette beyond 256 colours gives its first 256, without their flags.
    Bitmap capped;
    TDIBWriter large(capped, PixelFormat::Bit8, 1, 1,
                     platform::Palette(std::vector<RGBQuad>(300, RGBQuad{1, 2, 3, 99})));
    large.GetScanline(0);
    large.UpdateBitmap();
    EXPECT_EQ(capped.ColorTable(), std::vector<RGBQuad>(256, RGBQuad{1, 2, 3, 0}));
}

TEST(DIBWriter, TheBitmapChangesOnlyWhenTheRowsAreHandedOver) {
    Bitmap bitmap(2, 2);
    int changes = 0;
    bitmap.OnChange = [&](platform::Graphic&) { ++changes; };
    TDIBWriter(bitmap, PixelFormat::Bit8, 4, 4, CreateWebPalette()).UpdateBitmap();
    TDIBWriter(bitmap, PixelFormat::Bit8, 4, 4, CreateWebPalette()).GetScanline(3);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(testing_support::SizeOf(bitmap), "2x2");

    // 24-bit rows are padded to whole words.
    TDIBWriter writer(bitmap, PixelFormat::Bit24, 3, 2, platform::Palette());
    uint8_t* top = writer.GetScanline(0);
    EXPECT_EQ(writer.GetScanline(1) - top, 12);  // 9 bytes of pixels, 3 of filler
    std::memset(top, 0x40, 9);
    writer.UpdateBitmap();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(bitmap.ColorTable().empty());
    EXPECT_EQ(testing_support::PixelAt(bitmap, 2, 0), platform::MakeColor(0x40, 0x40, 0x40));
    EXPECT_EQ(ErrorText([&] { writer.GetScanline(0); }), "Image has no DIB");
}

TEST(DIBWriter, RefusesFormatsSizesAndRowsItCannotServe) {
    Bitmap bitmap;
    const platform::Palette none;
    for (PixelFormat format : {PixelFormat::Bit4, PixelFormat::Bit32, PixelFormat::Device}) {
        EXPECT_EQ(ErrorText([&] { TDIBWriter(bitmap, format, 2, 2, none); }),
                  "Unsupported PixelFormat");
    }
    EXPECT_EQ(ErrorText([&] { TDIBWriter(bitmap, PixelFormat::Bit8, 0, 5, none); }),
              "Invalid image dimensions");
    EXPECT_EQ(ErrorText([&] { TDIBWriter(bitmap, PixelFormat::Bit8, 5, -1, none); }),
              "Invalid image dimensions");
    TDIBWriter writer(bitmap, PixelFormat::Bit8, 2, 3, none);
    EXPECT_EQ(ErrorText([&] { writer.GetScanline(3); }), "Indice ligne hors limites");
    EXPECT_EQ(ErrorText([&] { writer.GetScanline(-1); }), "Indice ligne hors limites");

    TDIBWriter huge(bitmap, PixelFormat::Bit24, 60000, 60000, none);
    try {
        huge.GetScanline(0);
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.Kind(), platform::ErrorKind::OutOfMemory);
        EXPECT_STREQ(e.what(), "Failed to allocate memory for GIF DIB");
    }
}

TEST(DIBReader, ConvertsAPrivateCopyOfAtMost256Colours) {
    Bitmap eight(3, 1, PixelFormat::Bit8);
    eight.SetColorTable({{0, 0, 255, 0}, {255, 0, 0, 0}});
    const uint8_t indexes[3] = {1, 0, 1};
    std::memcpy(eight.ScanLine(0), indexes, 3);
    int changes = 0;
    eight.OnChange = [&](platform::Graphic&) { ++changes; };
    TDIBReader reader(eight, PixelFormat::Device);
    EXPECT_EQ(reader.PixelFormat(), PixelFormat::Bit24);
    EXPECT_EQ(eight.Format(), PixelFormat::Bit8);
    EXPECT_EQ(changes, 0);
    const uint8_t expected[9] = {255, 0, 0, 0, 0, 255, 255, 0, 0};
    EXPECT_EQ(std::memcmp(reader.GetScanline(0), expected, 9), 0);
    EXPECT_EQ(ErrorText([&] { reader.GetScanline(1); }), "Indice ligne hors limites");

    const Bitmap noise = testing_support::Noise(40, 40, 7);
    EXPECT_LE(TDIBReader(noise, PixelFormat::Bit8).ColorTable().size(), 256u);
    EXPECT_EQ(noise.Format(), PixelFormat::Bit24);
    EXPECT_EQ(ErrorText([&] { TDIBReader(noise, PixelFormat::Custom); }),
              "Image bitmap incorrecte");
}

// Keeps the red of every colour asked, and answers as the monochrome lookup
// does, or black throughout.
class Recording final : public TColorLookup {
public:
    explicit Recording(bool black = false) : TColorLookup(2), black_(black) {}
    ColorMatch Lookup(uint8_t red, uint8_t green, uint8_t blue) override {
        asked.push_back(red);
        return black_ ? ColorMatch{} : mono_.Lookup(red, green, blue);
    }
    std::vector<int> asked;

private:
    bool black_;
    TMonochromeLookup mono_;
};

using Picture = std::vector<std::vector<Rgb>>;
using Indexes = std::vector<std::vector<int>>;

Picture Grey(const std::vector<std::vector<uint8_t>>& levels) {
    Picture picture;
    for (const auto& row : levels) {
        picture.emplace_back();
        for (uint8_t v : row) picture.back().push_back(Rgb{v, v, v});
    }
    return picture;
}

// Runs the engine over the picture as the renderers do; the index chosen for
// every pixel, at its own place.
Indexes Scan(TDitherEngine& engine, const Picture& picture) {
    Indexes indexes;
    for (const auto& row : picture) {
        indexes.emplace_back(row.size(), -1);
        while (engine.Column() >= 0 && engine.Column() < engine.Width()) {
            const auto x = static_cast<size_t>(engine.Column());
            indexes.back()[x] = engine.Dither(row[x].Red, row[x].Green, row[x].Blue).Index;
        }
        engine.NextLine();
    }
    return indexes;
}

TEST(DitherEngines, MidGreyAlternatesOnlyWhenTheErrorSpreads) {
    TMonochromeLookup mono;
    const Picture grey = Grey(std::vector(3, std::vector<uint8_t>(6, 128)));
    TFloydSteinbergDitherer diffusing(6, mono);
    EXPECT_EQ(Scan(diffusing, grey),
              (Indexes{{1, 0, 1, 0, 1, 0}, {0, 1, 0, 1, 0, 1}, {0, 1, 0, 1, 0, 1}}));
    TDitherEngine plain(6, mono);
    EXPECT_EQ(Scan(plain, grey), Indexes(3, std::vector<int>(6, 1)));
    // A reset pixel passes no error on: the third is plain mid-grey again.
    TFloydSteinbergDitherer reset(3, mono);
    EXPECT_EQ(reset.Dither(128, 128, 128).Index, 1);
    reset.ResetError();
    EXPECT_EQ(reset.Dither(128, 128, 128).Index, 1);
}

TEST(FloydSteinberg, GradientFollowsTheHandComputedErrors) {
    // Each value is the pixel plus (the sum the row above left for the column
    // one step behind + 7 x the last error + 8) / 16, truncated; row 1 runs
    // from its right end.
    Recording lookup;
    TFloydSteinbergDitherer engine(4, lookup);
    EXPECT_EQ(Scan(engine, Grey(std::vector<std::vector<uint8_t>>(3, {32, 96, 160, 224}))),
              (Indexes{{0, 0, 1, 1}, {0, 0, 1, 1}, {0, 1, 0, 1}}));
    EXPECT_EQ(lookup.asked,
              (std::vector<int>{32, 110, 208, 204, 224, 129, 24, 70, 38, 136, 122, 241}));
    EXPECT_EQ(engine.Direction(), -1);
    EXPECT_EQ(engine.Column(), 3);
}

TEST(FloydSteinberg, ChannelsDiffuseApart) {
    // The web lookup takes each component alone, so a colour picture comes
    // out as its red, green and blue pictures put together.
    std::mt19937 random(11);
    Picture picture(5, std::vector<Rgb>(8));
    for (auto& row : picture) {
        for (Rgb& c : row) c = Rgb{uint8_t(random()), uint8_t(random()), uint8_t(random())};
    }
    const auto run = [&picture](uint8_t red, uint8_t green, uint8_t blue) {
        Picture part = picture;
        for (auto& row : part) {
            for (Rgb& c : row)
                c = Rgb{uint8_t(c.Red & red), uint8_t(c.Green & green), uint8_t(c.Blue & blue)};
        }
        TNetscapeColorLookup web;
        TFloydSteinbergDitherer engine(8, web);
        return Scan(engine, part);
    };
    const Indexes whole = run(255, 255, 255);
    const Indexes red = run(255, 0, 0);
    const Indexes green = run(0, 255, 0);
    const Indexes blue = run(0, 0, 255);
    for (size_t y = 0; y < 5; ++y) {
        for (size_t x = 0; x < 8; ++x)
            EXPECT_EQ(whole[y][x], red[y][x] + green[y][x] + blue[y][x]) << x << y;
    }
}

TEST(FloydSteinberg, ValuesStayInsideTheComponentRange) {
    // A lookup that always answers black makes every error positive: a value
    // that wrapped past 255 would fall below its pixel.
    Recording lookup(true);
    TFloydSteinbergDitherer engine(5, lookup);
    Scan(engine, Grey(std::vector<std::vector<uint8_t>>(4, {250, 10, 250, 10, 250})));
    ASSERT_EQ(lookup.asked.size(), 20u);
    for (size_t i = 0; i < 20; ++i) {
        const size_t x = i / 5 % 2 == 0 ? i % 5 : 4 - i % 5;
        EXPECT_GE(lookup.asked[i], x % 2 == 0 ? 250 : 10) << i;
    }
    EXPECT_EQ(lookup.asked.back(), 255);
}

TEST(FloydSteinberg, NarrowPicturesAndRowEndsStayInBounds) {
    TMonochromeLookup mono;
    // A single column reads the margin that the row two above wrote.
    TFloydSteinbergDitherer narrow(1, mono);
    EXPECT_EQ(Scan(narrow, Grey({{128}, {128}, {128}, {128}})), (Indexes{{1}, {1}, {0}, {0}}));
    TFloydSteinbergDitherer empty(0, mono);
    EXPECT_EQ(Scan(empty, Grey({{}, {}})), (Indexes{{}, {}}));
    // Past the row's end, nothing more is read or written.
    TFloydSteinbergDitherer engine(2, mono);
    engine.NextLine();
    engine.Dither(0, 0, 0);
    engine.ResetError();
    EXPECT_EQ(engine.Column(), -1);
    const std::string range = "Erreur de vérification d'étendue";
    EXPECT_EQ(ErrorText([&] { engine.Dither(0, 0, 0); }), range);
    EXPECT_EQ(ErrorText([&] { engine.ResetError(); }), range);
    EXPECT_EQ(ErrorText([&] { TFloydSteinbergDitherer(-1, mono); }), range);
}

}  // namespace
}  // namespace gif
