#include "gif/gif_units.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace gif {
namespace {

TEST(GifUnits, ColorsToBitsIsTheIndexWidthOfATable) {
    const std::pair<int32_t, int32_t> rows[] = {
        {0, 0},   {1, 1},   {2, 1},   {3, 2},        {5, 3},
        {129, 8}, {256, 8}, {257, 9}, {1 << 30, 30}, {(1 << 30) + 1, 31}};
    for (const auto& [count, bits] : rows) EXPECT_EQ(ColorsToBits(count), bits) << count;
}

TEST(GifUnits, AlignBitPadsRowsAndRefusesWhatHasNoAnswer) {
    EXPECT_EQ(AlignBit(3, 24, 32), 12);  // 9 bytes of pixels, 3 of filler
    EXPECT_EQ(AlignBit(17, 1, 16), 4);   // mask rows of a 17-pixel frame
    EXPECT_EQ(AlignBit(16, 1, 16), 2);
    using testing_support::ErrorText;
    EXPECT_EQ(ErrorText([] { AlignBit(8, 8, 0); }), "Erreur de vérification d'étendue");
    EXPECT_EQ(ErrorText([] { AlignBit(1 << 28, 24, 32); }), "Débordement d'entier");
}

TEST(GifUnits, WebPaletteRunsRedSlowestAndBlueFastest) {
    const platform::Palette palette = CreateWebPalette();
    ASSERT_EQ(palette.Count(), 216u);
    const auto& e = palette.Entries();
    EXPECT_EQ(e[1], (platform::RGBQuad{51, 0, 0, 0}));
    EXPECT_EQ(e[6], (platform::RGBQuad{0, 51, 0, 0}));
    EXPECT_EQ(e[36], (platform::RGBQuad{0, 0, 51, 0}));
    EXPECT_EQ(e[180], (platform::RGBQuad{0, 0, 255, 0}));
    EXPECT_EQ(e[215], (platform::RGBQuad{255, 255, 255, 0}));
}

}  // namespace
}  // namespace gif
