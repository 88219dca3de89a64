#include "platform/graphics/canvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/error.h"

namespace platform {
namespace {

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

TEST(CopyRect, FromItsOwnBitmapReadsTheOriginal) {
    Bitmap bitmap(3, 1);
    Canvas canvas(bitmap);
    canvas.SetBrushColor(MakeColor(255, 0, 0));
    canvas.FillRect(Rect{0, 0, 1, 1});
    canvas.SetBrushColor(MakeColor(0, 255, 0));
    canvas.FillRect(Rect{1, 0, 2, 1});
    canvas.CopyRect(Rect{1, 0, 3, 1}, bitmap, Rect{0, 0, 2, 1});
    EXPECT_EQ(Letters(bitmap), (std::vector<std::string>{"RRG"}));
}

TEST(CopyRect, ASourceRectTooLargeForMemoryIsRefused) {
    Bitmap bitmap(2, 2);
    Canvas canvas(bitmap);
    try {
        canvas.CopyRect(Rect{0, 0, 2, 2}, Solid(1, 1, kBlack), Rect{INT32_MIN, 0, INT32_MAX, 1});
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Mémoire insuffisante");
    }
}

}  // namespace
}  // namespace platform
