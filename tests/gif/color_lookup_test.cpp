#include "gif/color_lookup.h"

#include <gtest/gtest.h>

#include <vector>

namespace gif {
namespace {

platform::Palette PaletteOf(const std::vector<Rgb>& colours) {
    std::vector<platform::RGBQuad> entries;
    for (const Rgb& c : colours) entries.push_back(platform::RGBQuad{c.Blue, c.Green, c.Red, 0});
    return platform::Palette(std::move(entries));
}

TEST(FastColorLookup, FindsTheNearestColourLowestIndexFirst) {
    TFastColorLookup mono(PaletteOf({{0, 0, 0}, {255, 255, 255}}));
    EXPECT_EQ(mono.Lookup(128, 128, 128), (ColorMatch{1, {255, 255, 255}}));  // 384 vs 381
    EXPECT_EQ(mono.Lookup(127, 127, 127), (ColorMatch{0, {0, 0, 0}}));
    TFastColorLookup ties(PaletteOf({{0, 0, 0}, {0, 0, 200}, {0, 0, 100}, {0, 0, 200}}));
    EXPECT_EQ(ties.Lookup(0, 0, 50).Index, 0);   // 50 from entries 0 and 2
    EXPECT_EQ(ties.Lookup(0, 0, 200).Index, 1);  // a duplicate colour
    EXPECT_EQ(ties.Lookup(0, 0, 120).Index, 2);
}

TEST(FastColorLookup, ACellKeepsItsFirstAnswer) {
    // (8, 0, 0) is 8 from both entries and gets 0; (15, 0, 0) shares its cell
    // and gets 0 too, although entry 1 is nearer.
    TFastColorLookup lookup(PaletteOf({{0, 0, 0}, {16, 0, 0}}));
    EXPECT_EQ(lookup.Lookup(8, 0, 0).Index, 0);
    EXPECT_EQ(lookup.Lookup(15, 0, 0), (ColorMatch{0, {0, 0, 0}}));
    TFastColorLookup fresh(PaletteOf({{0, 0, 0}, {16, 0, 0}}));
    EXPECT_EQ(fresh.Lookup(15, 0, 0).Index, 1);
    EXPECT_EQ(fresh.Lookup(8, 0, 0).Index, 1);
    // Palette colours fill their cells from the start, the lowest entry first.
    TFastColorLookup shared(PaletteOf({{255, 255, 255}, {64, 64, 64}, {65, 65, 65}}));
    EXPECT_EQ(shared.Lookup(65, 65, 65), (ColorMatch{1, {64, 64, 64}}));
}

TEST(FastColorLookup, ServesAtMost256EntriesAndNoneWithoutPalette) {
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
    EXPECT_EQ(TNetscapeColorLookup::IndexOf(0, 0, 0), 0);

    TGrayScaleLookup grey;
    EXPECT_EQ(grey.Lookup(255, 255, 255), (ColorMatch{255, {255, 255, 255}}));
    EXPECT_EQ(grey.Lookup(255, 0, 0), (ColorMatch{76, {76, 76, 76}}));

    TMonochromeLookup mono;
    EXPECT_EQ(mono.Lookup(127, 127, 127), (ColorMatch{0, {0, 0, 0}}));        // 32512
    EXPECT_EQ(mono.Lookup(128, 128, 128), (ColorMatch{1, {255, 255, 255}}));  // 32768
    EXPECT_EQ(mono.Lookup(0, 217, 0).Index, 1);                               // 32550
}

}  // namespace
}  // namespace gif
