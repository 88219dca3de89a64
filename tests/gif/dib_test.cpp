#include "gif/dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gif/gif_units.h"
#include "pictures.h"
#include "test_support.h"

namespace gif {
namespace {

using platform::Bitmap;
using platform::PixelFormat;
using platform::RGBQuad;
using testing_support::ErrorText;

TEST(DIBWriter, EightBitsGetThePaletteThenBlackUpTo256Entries) {
    Bitmap bitmap;
    TDIBWriter writer(bitmap, PixelFormat::Bit8, 5, 3, CreateWebPalette());
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 5; ++x) writer.GetScanline(y)[x] = static_cast<uint8_t>(10 * y + x);
    }
    writer.UpdateBitmap();
    ASSERT_EQ(bitmap.Format(), PixelFormat::Bit8);
    EXPECT_EQ(bitmap.Stride(), 8u);
    const auto& table = bitmap.ColorTable();
    ASSERT_EQ(table.size(), 256u);
    EXPECT_EQ(table[215], (RGBQuad{255, 255, 255, 0}));
    for (size_t i = 216; i < 256; ++i) EXPECT_EQ(table[i], RGBQuad{}) << i;
    // Row 0 handed out is the picture's top row.
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(bitmap.ScanLine(y)[x], 10 * y + x);
    }
    // A palette beyond 256 colours gives its first 256, without their flags.
    Bitmap capped;
    TDIBWriter large(capped, PixelFormat::Bit8, 1, 1,
                     platform::Palette(std::vector<RGBQuad>(300, RGBQuad{1, 2, 3, 99})));
    large.GetScanline(0);
    large.UpdateBitmap();
    EXPECT_EQ(capped.ColorTable(), std::vector<RGBQuad>(256, RGBQuad{1, 2, 3, 0}));
}

TEST(DIBWriter, TwentyFourBitRowsArePaddedToWords) {
    Bitmap bitmap;
    TDIBWriter writer(bitmap, PixelFormat::Bit24, 3, 2, platform::Palette());
    uint8_t* top = writer.GetScanline(0);
    EXPECT_EQ(writer.GetScanline(1) - top, 12);  // 9 bytes of pixels, 3 of filler
    std::memset(top, 0x40, 9);
    writer.UpdateBitmap();
    EXPECT_EQ(bitmap.Format(), PixelFormat::Bit24);
    EXPECT_TRUE(bitmap.ColorTable().empty());
    EXPECT_EQ(testing_support::PixelAt(bitmap, 2, 0), platform::MakeColor(0x40, 0x40, 0x40));
}

TEST(DIBWriter, TheBitmapChangesOnlyWhenTheRowsAreHandedOver) {
    Bitmap bitmap(2, 2);
    int changes = 0;
    bitmap.OnChange = [&](platform::Graphic&) { ++changes; };
    TDIBWriter(bitmap, PixelFormat::Bit8, 4, 4, CreateWebPalette()).UpdateBitmap();
    TDIBWriter(bitmap, PixelFormat::Bit8, 4, 4, CreateWebPalette()).GetScanline(3);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Format(), PixelFormat::Bit24);

    TDIBWriter writer(bitmap, PixelFormat::Bit8, 4, 4, CreateWebPalette());
    writer.GetScanline(0);
    writer.UpdateBitmap();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(bitmap.Width(), 4);
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

TEST(DIBReader, ConvertsACopyAndLeavesTheCallersBitmapAlone) {
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

    // Any picture read as 8 bits has at most 256 colours.
    const Bitmap noise = testing_support::Noise(40, 40, 7);
    EXPECT_LE(TDIBReader(noise, PixelFormat::Bit8).ColorTable().size(), 256u);
    EXPECT_EQ(noise.Format(), PixelFormat::Bit24);
    EXPECT_EQ(ErrorText([&] { TDIBReader(noise, PixelFormat::Custom); }),
              "Image bitmap incorrecte");
}

}  // namespace
}  // namespace gif
