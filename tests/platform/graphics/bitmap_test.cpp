#include "platform/graphics/bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

#include "pictures.h"
#include "platform/core/error.h"
#include "platform/graphics/canvas.h"
#include "test_support.h"

namespace platform {
namespace {

using testing_support::ErrorText;
using testing_support::Noise;

std::vector<uint8_t> Bgr(const Bitmap& bitmap) {
    std::vector<uint8_t> bgr(3 * static_cast<size_t>(bitmap.Width()) *
                             static_cast<size_t>(bitmap.Height()));
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        bitmap.ReadBgr(y, 0, bitmap.Width(),
                       bgr.data() + 3 * static_cast<size_t>(y * bitmap.Width()));
    }
    return bgr;
}

constexpr PixelFormat kStorable[] = {PixelFormat::Bit1,  PixelFormat::Bit4,  PixelFormat::Bit8,
                                     PixelFormat::Bit15, PixelFormat::Bit16, PixelFormat::Bit24,
                                     PixelFormat::Bit32};

TEST(Bitmap, NewPixelsAreWhiteInEveryFormat) {
    for (const PixelFormat format : kStorable) {
        const Bitmap bitmap(5, 3, format);
        EXPECT_EQ(bitmap.Format(), format);
        EXPECT_EQ(Bgr(bitmap), std::vector<uint8_t>(45, 255)) << BitsPerPixel(format);
    }
    EXPECT_EQ(Bitmap(1, 1, PixelFormat::Bit1).ColorTable().size(), 2u);
    EXPECT_EQ(Bitmap(1, 1, PixelFormat::Bit4).ColorTable()[1], (RGBQuad{17, 17, 17, 0}));
    EXPECT_EQ(Bitmap(1, 1, PixelFormat::Bit8).ColorTable().size(), 256u);
    EXPECT_TRUE(Bitmap(1, 1).ColorTable().empty());
    EXPECT_EQ(Bitmap(1, 1, PixelFormat::Device).Format(), PixelFormat::Bit24);
    EXPECT_EQ(ErrorText([] { Bitmap(1, 1, PixelFormat::Custom); }), "Image bitmap incorrecte");
}

TEST(Bitmap, ResizingKeepsTheOverlapAndWhitensTheRest) {
    for (const PixelFormat format : kStorable) {
        // Odd widths, so that sub-byte formats keep part of a byte.
        Bitmap bitmap(7, 3, format);
        bitmap.Fill(kBlack);
        bitmap.SetSize(11, 4);
        std::vector<uint8_t> row(33);
        for (int32_t y = 0; y < 4; ++y) {
            bitmap.ReadBgr(y, 0, 11, row.data());
            for (size_t x = 0; x < 11; ++x) {
                const uint8_t expected = y < 3 && x < 7 ? 0 : 255;
                EXPECT_EQ(row[3 * x], expected) << BitsPerPixel(format) << " " << x << "," << y;
            }
        }
        bitmap.SetSize(3, 1);
        EXPECT_EQ(Bgr(bitmap), std::vector<uint8_t>(9, 0));
    }
}

TEST(Bitmap, SizesBeyondMemoryAreRefusedAndChangeNothing) {
    Bitmap bitmap(2, 2);
    bitmap.Fill(MakeColor(9, 8, 7));
    const std::string no_memory = "Mémoire insuffisante";
    EXPECT_EQ(ErrorText([&] { bitmap.SetSize(-1, 5); }), no_memory);
    EXPECT_EQ(ErrorText([&] { bitmap.SetSize(100000, 100000); }), no_memory);
    EXPECT_EQ(ErrorText([&] { bitmap.SetSize(INT32_MAX, INT32_MAX); }), no_memory);
    EXPECT_EQ(ErrorText([] { Bitmap(INT32_MAX, 1, PixelFormat::Bit32); }), no_memory);
    // The budget of one bitmap is 2^28 pixels, whatever their format.
    EXPECT_EQ(Bitmap(16384, 16384, PixelFormat::Bit1).Height(), 16384);
    EXPECT_EQ(ErrorText([] { Bitmap(16385, 16384, PixelFormat::Bit1); }), no_memory);
    EXPECT_EQ(ErrorText([] { Bitmap(1, (1 << 28) + 1, PixelFormat::Bit1); }), no_memory);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(Bgr(bitmap), (std::vector<uint8_t>{7, 8, 9, 7, 8, 9, 7, 8, 9, 7, 8, 9}));
}

// A tool treating picture after picture keeps one store; the bytes past each
// row's pixels, which files carry, never keep an earlier picture's.
TEST(Bitmap, ReshapingForOverwriteKeepsALargeEnoughStoreAndClearsTheRowEnds) {
    Bitmap bitmap(2, 2, PixelFormat::Bit8);
    bitmap.SetSizeForOverwrite(40, 30);
    EXPECT_EQ(bitmap.Format(), PixelFormat::Bit24);
    EXPECT_TRUE(bitmap.ColorTable().empty());
    const uint8_t* store = bitmap.ScanLine(0);
    std::memset(bitmap.ScanLine(0), 0xAB, bitmap.Stride() * 30);
    // Smaller, or as large in another shape: the same store.
    bitmap.SetSizeForOverwrite(26, 40);
    EXPECT_EQ(bitmap.ScanLine(0), store);
    EXPECT_EQ(bitmap.Width(), 26);
    EXPECT_EQ(bitmap.Stride(), 80u);
    for (int32_t y = 0; y < 40; ++y) {
        EXPECT_EQ(bitmap.ScanLine(y)[77], 0xAB) << y;
        EXPECT_EQ(bitmap.ScanLine(y)[78], 0) << y;
        EXPECT_EQ(bitmap.ScanLine(y)[79], 0) << y;
    }
    bitmap.SetSizeForOverwrite(5, 5);
    EXPECT_EQ(bitmap.ScanLine(0), store);
    EXPECT_EQ(bitmap.ScanLine(4)[15], 0);
    // Larger: a new store; beyond the budget, refused and unchanged.
    bitmap.SetSizeForOverwrite(100, 100);
    EXPECT_EQ(bitmap.Height(), 100);
    EXPECT_EQ(ErrorText([&] { bitmap.SetSizeForOverwrite(100000, 100000); }),
              "Mémoire insuffisante");
    EXPECT_EQ(bitmap.Width(), 100);
    // A moved bitmap takes its store's size along.
    Bitmap autre(std::move(bitmap));
    const uint8_t* grand = autre.ScanLine(0);
    autre.SetSizeForOverwrite(50, 50);
    EXPECT_EQ(autre.ScanLine(0), grand);
}

TEST(Bitmap, RowAccessIsChecked) {
    Bitmap bitmap(4, 3);
    const std::string text = "Indice ligne hors limites";
    EXPECT_EQ(ErrorText([&] { bitmap.ScanLine(-1); }), text);
    EXPECT_EQ(ErrorText([&] { bitmap.ScanLine(3); }), text);
    EXPECT_EQ(ErrorText([] { Bitmap().ScanLine(0); }), text);
    std::vector<uint8_t> out(15);
    EXPECT_EQ(ErrorText([&] { bitmap.ReadBgr(0, 2, 3, out.data()); }),
              "Erreur de vérification d'étendue");
    EXPECT_EQ(ErrorText([] { Bitmap(1, 1, PixelFormat::Bit8).View(); }), "Image bitmap incorrecte");
}

TEST(Bitmap, WideFormatsConvertAndComeBack) {
    const Bitmap original = Noise(13, 5, 1);
    Bitmap bitmap;
    bitmap.Assign(original);
    bitmap.SetPixelFormat(PixelFormat::Bit32);
    EXPECT_EQ(bitmap.ScanLine(0)[3], 0);  // the fourth byte is reserved
    bitmap.SetPixelFormat(PixelFormat::Bit24);
    EXPECT_EQ(Bgr(bitmap), Bgr(original));

    // 5 and 6 bits: each channel goes to its nearest level and widens by
    // repeating its high bits; a second trip changes nothing.
    const uint8_t pixels[] = {128, 128, 128, 100, 100, 100, 255, 0, 7};
    for (const PixelFormat format : {PixelFormat::Bit15, PixelFormat::Bit16}) {
        Bitmap narrow(3, 1);
        std::copy(std::begin(pixels), std::end(pixels), narrow.ScanLine(0));
        narrow.SetPixelFormat(format);
        narrow.SetPixelFormat(PixelFormat::Bit24);
        const uint8_t green_128 = format == PixelFormat::Bit16 ? 130 : 132;
        const uint8_t green_100 = format == PixelFormat::Bit16 ? 101 : 99;
        const std::vector<uint8_t> once{132, green_128, 132, 99, green_100, 99, 255, 0, 8};
        EXPECT_EQ(Bgr(narrow), once);
        narrow.SetPixelFormat(format);
        narrow.SetPixelFormat(PixelFormat::Bit24);
        EXPECT_EQ(Bgr(narrow), once);
    }
    Bitmap pure(1, 1, PixelFormat::Bit16);
    pure.Fill(MakeColor(255, 0, 255));
    EXPECT_EQ(pure.ScanLine(0)[0] | pure.ScanLine(0)[1] << 8, 0xF81F);
}

TEST(Bitmap, PaletteFormatsTakeTheNearestEntry) {
    Bitmap bitmap(4, 1);
    const uint8_t pixels[] = {0, 0, 250, 10, 200, 10, 128, 128, 128, 255, 255, 255};
    std::copy(std::begin(pixels), std::end(pixels), bitmap.ScanLine(0));
    const std::vector<RGBQuad> table = {
        {0, 0, 255, 0}, {0, 255, 0, 0}, {0, 0, 0, 0}, {255, 255, 255, 0}};
    bitmap.SetColorTable(table);
    bitmap.SetPixelFormat(PixelFormat::Bit4);
    EXPECT_EQ(bitmap.ColorTable(), table);  // kept at its length
    const uint8_t* row = bitmap.ScanLine(0);
    EXPECT_EQ(PixelIndex(row, PixelFormat::Bit4, 0), 0);
    EXPECT_EQ(PixelIndex(row, PixelFormat::Bit4, 1), 1);
    EXPECT_EQ(PixelIndex(row, PixelFormat::Bit4, 2), 3);  // grey 128 is nearer white than black
    EXPECT_EQ(PixelIndex(row, PixelFormat::Bit4, 3), 3);

    // Up and down again gives the same indices; the table survives the trip.
    bitmap.SetPixelFormat(PixelFormat::Bit24);
    bitmap.SetPixelFormat(PixelFormat::Bit8);
    EXPECT_EQ(std::vector<uint8_t>(bitmap.ScanLine(0), bitmap.ScanLine(0) + 4),
              (std::vector<uint8_t>{0, 1, 3, 3}));

    // A table too long for the format gives way to a grey ramp.
    bitmap.SetColorTable(Bitmap(1, 1, PixelFormat::Bit8).ColorTable());
    bitmap.SetPixelFormat(PixelFormat::Bit1);
    EXPECT_EQ(bitmap.ColorTable(), (std::vector<RGBQuad>{{0, 0, 0, 0}, {255, 255, 255, 0}}));
    EXPECT_EQ(ErrorText([&] { bitmap.SetColorTable(std::vector<RGBQuad>(257)); }),
              "Erreur de vérification d'étendue");

    // Indices beyond the table read black.
    Bitmap short_table(2, 1, PixelFormat::Bit8);
    short_table.SetColorTable({RGBQuad{1, 2, 3, 0}});
    short_table.ScanLine(0)[0] = 0;
    short_table.ScanLine(0)[1] = 7;
    EXPECT_EQ(Bgr(short_table), (std::vector<uint8_t>{1, 2, 3, 0, 0, 0}));
}

TEST(Bitmap, DrawingAnyFormatMatchesDrawingItsConversion) {
    const Bitmap original = Noise(9, 7, 3);
    for (const PixelFormat format : kStorable) {
        Bitmap source;
        source.Assign(original);
        source.SetPixelFormat(format);
        Bitmap converted;
        converted.Assign(source);
        converted.SetPixelFormat(PixelFormat::Bit24);
        for (const Rect dest : {Rect{0, 0, 9, 7}, Rect{-3, 1, 20, 5}, Rect{2, 2, 6, 4}}) {
            Bitmap a(12, 8);
            Bitmap b(12, 8);
            Canvas(a).StretchDraw(dest, source);
            Canvas(b).StretchDraw(dest, converted);
            EXPECT_EQ(Bgr(a), Bgr(b)) << BitsPerPixel(format);
        }
    }
}

TEST(Bitmap, DrawingOntoItselfReadsTheOriginalPixels) {
    Bitmap bitmap = Noise(8, 8, 4);
    Bitmap copy;
    copy.Assign(bitmap);
    Bitmap expected;
    expected.Assign(bitmap);
    Canvas(expected).StretchDraw(Rect{2, 2, 10, 10}, copy);
    Canvas(bitmap).StretchDraw(Rect{2, 2, 10, 10}, bitmap);
    EXPECT_EQ(Bgr(bitmap), Bgr(expected));
}

// The mask's pixels as 0 and 1, row after row.
std::vector<uint8_t> MaskBits(const Bitmap& mask) {
    std::vector<uint8_t> bits;
    for (int32_t y = 0; y < mask.Height(); ++y)
        for (int32_t x = 0; x < mask.Width(); ++x)
            bits.push_back(PixelIndex(mask.ScanLine(y), mask.Format(), static_cast<size_t>(x)));
    return bits;
}

TEST(Bitmap, TheTransparentColourIsTheBottomLeftPixelsUntilOneIsSet) {
    const Color red = MakeColor(255, 0, 0);
    const Color green = MakeColor(0, 255, 0);
    // Green on the bottom row's first pixel and in one other place.
    Bitmap bitmap = std::move(*testing_support::MakeBitmap(3, 2, [&](int32_t x, int32_t y) {
        return (x == 0 && y == 1) || (x == 2 && y == 0) ? green : red;
    }));
    EXPECT_FALSE(bitmap.Transparent());
    EXPECT_EQ(bitmap.TransparentColor(), green);
    Bitmap mask = bitmap.MaskHandle();
    EXPECT_EQ(mask.Format(), PixelFormat::Bit1);
    EXPECT_EQ(mask.ColorTable(), (std::vector<RGBQuad>{{0, 0, 0, 0}, {255, 255, 255, 0}}));
    EXPECT_EQ(MaskBits(mask), (std::vector<uint8_t>{0, 0, 1, 1, 0, 0}));

    bitmap.SetTransparentColor(red);
    EXPECT_EQ(bitmap.TransparentColor(), red);
    EXPECT_EQ(MaskBits(bitmap.MaskHandle()), (std::vector<uint8_t>{1, 1, 0, 0, 1, 1}));

    // A palette bitmap is compared by the colours of its entries, two entries
    // of one colour both.
    Bitmap indexed(9, 1, PixelFormat::Bit4);
    indexed.SetColorTable({{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 0, 255, 0}});
    for (size_t x = 0; x < 9; ++x)
        SetPixelIndex(indexed.ScanLine(0), PixelFormat::Bit4, x, static_cast<uint8_t>(x % 3));
    indexed.SetTransparentColor(red);
    EXPECT_EQ(MaskBits(indexed.MaskHandle()), (std::vector<uint8_t>{0, 1, 1, 0, 1, 1, 0, 1, 1}));

    EXPECT_EQ(Bitmap().TransparentColor(), kBlack);
    EXPECT_TRUE(Bitmap().MaskHandle().Empty());
}

TEST(Bitmap, CopiesAndMovesTakeTheTransparencyAlong) {
    Bitmap bitmap(2, 2);
    bitmap.SetTransparent(true);
    bitmap.SetTransparentColor(MakeColor(1, 2, 3));
    Bitmap copy;
    copy.Assign(bitmap);
    EXPECT_TRUE(copy.Transparent());
    EXPECT_EQ(copy.TransparentColor(), MakeColor(1, 2, 3));
    const Bitmap moved(std::move(copy));
    EXPECT_TRUE(moved.Transparent());
    EXPECT_EQ(moved.TransparentColor(), MakeColor(1, 2, 3));
    Bitmap taken;
    taken.Assign(std::move(bitmap));
    EXPECT_TRUE(taken.Transparent());
    // A change of format is still the same bitmap.
    taken.SetPixelFormat(PixelFormat::Bit8);
    EXPECT_TRUE(taken.Transparent());
    EXPECT_EQ(taken.TransparentColor(), MakeColor(1, 2, 3));
}

}  // namespace
}  // namespace platform
