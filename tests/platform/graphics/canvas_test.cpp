#include "platform/graphics/canvas.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace platform {
namespace {

using testing_support::ErrorText;

// The picture as one letter per pixel: R, G, B, W(hite), K (black), or ? for
// any other colour.
std::vector<std::string> Letters(const Bitmap& bitmap) {
    std::vector<std::string> rows;
    std::vector<uint8_t> bgr(3 * static_cast<size_t>(bitmap.Width()));
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        bitmap.ReadBgr(y, 0, bitmap.Width(), bgr.data());
        std::string row;
        for (size_t x = 0; x < bgr.size(); x += 3) {
            const Color c = MakeColor(bgr[x + 2], bgr[x + 1], bgr[x]);
            row += c == MakeColor(255, 0, 0)   ? 'R'
                   : c == MakeColor(0, 255, 0) ? 'G'
                   : c == MakeColor(0, 0, 255) ? 'B'
                   : c == kWhite               ? 'W'
                   : c == kBlack               ? 'K'
                                               : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

Bitmap Solid(int32_t width, int32_t height, Color color) {
    Bitmap bitmap(width, height);
    bitmap.Fill(color);
    return bitmap;
}

TEST(Canvas, FillRectStaysInsideTheClipAndTheBitmap) {
    Bitmap bitmap(5, 4);
    Canvas canvas(bitmap);
    canvas.SetBrushColor(MakeColor(255, 0, 0));
    canvas.FillRect(Rect{-10, -10, 2, 2});
    canvas.SetClipRect(Rect{3, -5, 100, 3});
    EXPECT_EQ(canvas.ClipRect(), (Rect{3, 0, 5, 3}));
    canvas.SetBrushColor(MakeColor(0, 0, 255));
    canvas.FillRect(Rect{0, 0, 5, 4});
    EXPECT_EQ(Letters(bitmap), (std::vector<std::string>{"RRWBB", "RRWBB", "WWWBB", "WWWWW"}));
}

TEST(Canvas, DrawPlacesAGraphicAtItsOwnSize) {
    Bitmap bitmap(4, 3);
    Canvas canvas(bitmap);
    canvas.Draw(-1, 1, Solid(2, 5, MakeColor(255, 0, 0)));
    canvas.Draw(3, 0, Solid(1, 1, MakeColor(0, 0, 255)));
    canvas.StretchDraw(Rect{2, 2, 2, 3}, Solid(1, 1, kBlack));  // empty: nothing
    EXPECT_EQ(Letters(bitmap), (std::vector<std::string>{"WWWB", "RWWW", "RWWW"}));
    EXPECT_THROW(canvas.Draw(INT32_MAX, 0, Solid(2, 2, kBlack)), Error);
}

TEST(Canvas, CopyRectPaintsBlackWhereTheSourceRectLeavesTheSource) {
    // A selection reaching out of the picture on every side.
    const Bitmap source = Solid(2, 2, MakeColor(0, 255, 0));
    Bitmap bitmap(4, 4);
    Canvas canvas(bitmap);
    canvas.CopyRect(Rect{0, 0, 4, 4}, source, Rect{-1, -1, 3, 3});
    EXPECT_EQ(Letters(bitmap), (std::vector<std::string>{"KKKK", "KGGK", "KGGK", "KKKK"}));

    // Entirely outside: all black.
    Bitmap far(2, 1);
    Canvas(far).CopyRect(Rect{0, 0, 2, 1}, source, Rect{50, -70, 52, -69});
    EXPECT_EQ(Letters(far), (std::vector<std::string>{"KK"}));

    // Shrunk, the edge pixels mix the picture with the black around it.
    Bitmap small(1, 1);
    Canvas(small).CopyRect(Rect{0, 0, 1, 1}, source, Rect{0, 0, 4, 2});
    EXPECT_EQ(small.ScanLine(0)[1], 128);
    EXPECT_EQ(small.ScanLine(0)[0], 0);
}

TEST(CopyRect, TakesAnyFormatAndLeavesTheClipOnly) {
    Bitmap source(2, 1, PixelFormat::Bit1);
    source.SetColorTable({RGBQuad{255, 0, 0, 0}, RGBQuad{0, 0, 255, 0}});
    SetPixelIndex(source.ScanLine(0), PixelFormat::Bit1, 0, 1);
    SetPixelIndex(source.ScanLine(0), PixelFormat::Bit1, 1, 0);
    Bitmap bitmap(4, 2);
    Canvas canvas(bitmap);
    canvas.CopyRect(Rect{0, 1, 2, 2}, source, Rect{0, 0, 2, 1});
    canvas.SetClipRect(Rect{1, 0, 4, 1});
    canvas.CopyRect(Rect{0, 0, 2, 1}, source, Rect{0, 0, 2, 1});
    EXPECT_EQ(Letters(bitmap), (std::vector<std::string>{"WBWW", "RBWW"}));
}

TEST(CopyRect, ASourceRectTooLargeForMemoryIsRefused) {
    Bitmap bitmap(2, 2);
    EXPECT_EQ(ErrorText([&] {
                  Canvas(bitmap).CopyRect(Rect{0, 0, 2, 2}, Solid(1, 1, kBlack),
                                          Rect{INT32_MIN, 0, INT32_MAX, 1});
              }),
              "Mémoire insuffisante");
}

// An 8-bit picture from letters R, G, B, W, K, as the frames of a GIF are.
Bitmap FromLetters(const std::vector<std::string>& rows) {
    const std::string letters = "RGBWK";
    Bitmap bitmap(static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()),
                  PixelFormat::Bit8);
    bitmap.SetColorTable(
        {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 0, 0}});
    for (size_t y = 0; y < rows.size(); ++y) {
        for (size_t x = 0; x < rows[y].size(); ++x) {
            bitmap.ScanLine(static_cast<int32_t>(y))[x] =
                static_cast<uint8_t>(letters.find(rows[y][x]));
        }
    }
    return bitmap;
}

// A mask from rows of '1' (keep the canvas) and '0' (take the source).
Bitmap MaskOf(const std::vector<std::string>& rows) {
    Bitmap mask(static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()),
                PixelFormat::Bit1);
    mask.SetColorTable({{0, 0, 0, 0}, {255, 255, 255, 0}});
    for (size_t y = 0; y < rows.size(); ++y) {
        for (size_t x = 0; x < rows[y].size(); ++x) {
            SetPixelIndex(mask.ScanLine(static_cast<int32_t>(y)), PixelFormat::Bit1, x,
                          rows[y][x] == '1' ? 1 : 0);
        }
    }
    return mask;
}

TEST(MaskedStretchDraw, AtTheSourceSizeCopiesWhereTheMaskIsClear) {
    Bitmap bitmap = Solid(4, 3, kBlack);
    Canvas canvas(bitmap);
    canvas.MaskedStretchDraw(Rect{1, 1, 4, 3}, FromLetters({"RGB", "BRG"}), MaskOf({"010", "100"}));
    EXPECT_EQ(Letters(bitmap), (std::vector<std::string>{"KKKK", "KRKB", "KKRG"}));
}

TEST(MaskedStretchDraw, StretchesToTheNearestSourcePixel) {
    Bitmap grown = Solid(4, 4, kBlack);
    Canvas(grown).MaskedStretchDraw(Rect{0, 0, 4, 4}, FromLetters({"RG", "BR"}),
                                    MaskOf({"01", "00"}));
    EXPECT_EQ(Letters(grown), (std::vector<std::string>{"RRKK", "RRKK", "BBRR", "BBRR"}));
    // Shrinking by two takes the second pixel of each pair, the one under the
    // centre of the target pixel.
    Bitmap shrunk = Solid(2, 2, kBlack);
    Canvas(shrunk).MaskedStretchDraw(Rect{0, 0, 2, 2},
                                     FromLetters({"RGBW", "GBWR", "BWRG", "WRGB"}),
                                     MaskOf({"1111", "0000", "1111", "0100"}));
    EXPECT_EQ(Letters(shrunk), (std::vector<std::string>{"BR", "KB"}));
    // Three to two: columns 0 and 2 (centres at 0.75 and 2.25).
    Bitmap odd = Solid(2, 1, kBlack);
    Canvas(odd).MaskedStretchDraw(Rect{0, 0, 2, 1}, FromLetters({"RGB"}), MaskOf({"000"}));
    EXPECT_EQ(Letters(odd), (std::vector<std::string>{"RB"}));
}

TEST(MaskedStretchDraw, DrawsOnlyInsideTheClipAndTheCanvas) {
    Bitmap bitmap = Solid(3, 3, kBlack);
    Canvas canvas(bitmap);
    canvas.SetClipRect(Rect{0, 0, 2, 3});
    canvas.MaskedStretchDraw(Rect{-1, -1, 3, 3}, FromLetters({"RG", "BR"}), MaskOf({"00", "01"}));
    EXPECT_EQ(Letters(bitmap), (std::vector<std::string>{"RGK", "BKK", "BKK"}));
    canvas.MaskedStretchDraw(Rect{2, 0, 3, 1}, FromLetters({"W"}), MaskOf({"0"}));
    canvas.MaskedStretchDraw(Rect{1, 1, 1, 3}, FromLetters({"W"}), MaskOf({"0"}));
    EXPECT_EQ(Letters(bitmap), (std::vector<std::string>{"RGK", "BKK", "BKK"}));
}

TEST(MaskedStretchDraw, RefusesAMaskThatIsNotOneBitOrTooSmall) {
    Bitmap bitmap(2, 2);
    const auto text = [&](const Bitmap& mask) {
        return ErrorText([&] {
            Canvas(bitmap).MaskedStretchDraw(Rect{0, 0, 2, 2}, FromLetters({"RG", "BR"}), mask);
        });
    };
    const std::string invalid = "Image bitmap incorrecte";
    EXPECT_EQ(text(FromLetters({"KK", "KK"})), invalid);
    EXPECT_EQ(text(MaskOf({"00"})), invalid);
    EXPECT_EQ(text(MaskOf({"0", "0"})), invalid);
    EXPECT_EQ(text(MaskOf({"000", "000", "000"})), "(no error)");
}

TEST(Canvas, DrawingFromItsOwnBitmapReadsTheOriginalPixels) {
    Bitmap copied(3, 1);
    Canvas canvas(copied);
    canvas.SetBrushColor(MakeColor(255, 0, 0));
    canvas.FillRect(Rect{0, 0, 1, 1});
    canvas.SetBrushColor(MakeColor(0, 255, 0));
    canvas.FillRect(Rect{1, 0, 2, 1});
    canvas.CopyRect(Rect{1, 0, 3, 1}, copied, Rect{0, 0, 2, 1});
    EXPECT_EQ(Letters(copied), (std::vector<std::string>{"RRG"}));

    Bitmap masked = FromLetters({"RG", "BW", "KK"});
    Canvas(masked).MaskedStretchDraw(Rect{0, 1, 2, 4}, masked, MaskOf({"00", "00", "00"}));
    EXPECT_EQ(Letters(masked), (std::vector<std::string>{"RG", "RG", "BW"}));
}

}  // namespace
}  // namespace platform
