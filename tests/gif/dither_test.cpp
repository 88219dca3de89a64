#include "gif/dither.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "gif/gif_units.h"
#include "test_support.h"

namespace gif {
namespace {

// Passes every question on to another lookup and keeps the colours asked.
class Recording final : public TColorLookup {
public:
    explicit Recording(TColorLookup& inner) : TColorLookup(inner.Colors()), inner_(inner) {}
    ColorMatch Lookup(uint8_t red, uint8_t green, uint8_t blue) override {
        asked.push_back(Rgb{red, green, blue});
        return inner_.Lookup(red, green, blue);
    }
    std::vector<Rgb> asked;

private:
    TColorLookup& inner_;
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

TEST(FloydSteinberg, MidGreyInBlackAndWhiteAlternates) {
    TMonochromeLookup mono;
    TFloydSteinbergDitherer engine(6, mono);
    EXPECT_EQ(Scan(engine, Grey(std::vector(3, std::vector<uint8_t>(6, 128)))),
              (Indexes{{1, 0, 1, 0, 1, 0}, {0, 1, 0, 1, 0, 1}, {0, 1, 0, 1, 0, 1}}));
}

TEST(FloydSteinberg, GradientFollowsTheHandComputedErrors) {
    // Each value is the pixel plus (the sum the row above left for the column
    // one step behind + 7 x the last error + 8) / 16, truncated; row 1 runs
    // from its right end.
    TMonochromeLookup mono;
    Recording lookup(mono);
    TFloydSteinbergDitherer engine(4, lookup);
    EXPECT_EQ(Scan(engine, Grey(std::vector<std::vector<uint8_t>>(3, {32, 96, 160, 224}))),
              (Indexes{{0, 0, 1, 1}, {0, 0, 1, 1}, {0, 1, 0, 1}}));
    std::vector<Rgb> expected;
    for (int level : {32, 110, 208, 204, 224, 129, 24, 70, 38, 136, 122, 241}) {
        const auto v = static_cast<uint8_t>(level);
        expected.push_back(Rgb{v, v, v});
    }
    EXPECT_EQ(lookup.asked, expected);
    EXPECT_EQ(engine.Direction(), -1);
    EXPECT_EQ(engine.Column(), 3);
}

TEST(FloydSteinberg, ExactColoursSpreadNoError) {
    // Web colours, each alone in its lookup cell, come out as themselves.
    TFastColorLookup lookup(CreateWebPalette());
    TFloydSteinbergDitherer engine(9, lookup);
    std::mt19937 random(3);
    Picture picture(7, std::vector<Rgb>(9));
    Indexes expected;
    for (auto& row : picture) {
        expected.emplace_back();
        for (Rgb& c : row) {
            const auto r = random() % 6, g = random() % 6, b = random() % 6;
            c = Rgb{static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g),
                    static_cast<uint8_t>(51 * b)};
            expected.back().push_back(static_cast<int>(36 * r + 6 * g + b));
        }
    }
    EXPECT_EQ(Scan(engine, picture), expected);
}

TEST(FloydSteinberg, ChannelsDiffuseApart) {
    // The web lookup takes each component alone, so a colour picture comes
    // out as its red, green and blue pictures put together.
    std::mt19937 random(11);
    Picture picture(5, std::vector<Rgb>(8));
    std::array<Picture, 3> single{picture, picture, picture};
    for (size_t y = 0; y < 5; ++y) {
        for (size_t x = 0; x < 8; ++x) {
            const auto r = static_cast<uint8_t>(random()), g = static_cast<uint8_t>(random()),
                       b = static_cast<uint8_t>(random());
            picture[y][x] = Rgb{r, g, b};
            single[0][y][x] = Rgb{r, 0, 0};
            single[1][y][x] = Rgb{0, g, 0};
            single[2][y][x] = Rgb{0, 0, b};
        }
    }
    std::array<Indexes, 4> runs;
    for (size_t i = 0; i < 4; ++i) {
        TNetscapeColorLookup web;
        TFloydSteinbergDitherer engine(8, web);
        runs[i] = Scan(engine, i < 3 ? single[i] : picture);
    }
    for (size_t y = 0; y < 5; ++y) {
        for (size_t x = 0; x < 8; ++x) {
            EXPECT_EQ(runs[3][y][x], runs[0][y][x] + runs[1][y][x] + runs[2][y][x]) << x << y;
        }
    }
}

TEST(FloydSteinberg, ValuesStayInsideTheComponentRange) {
    // A lookup that always answers black makes every error positive: a value
    // that wrapped past 255 would fall below its pixel.
    class AlwaysBlack final : public TColorLookup {
    public:
        AlwaysBlack() : TColorLookup(1) {}
        ColorMatch Lookup(uint8_t, uint8_t, uint8_t) override { return {}; }
    } black;
    Recording lookup(black);
    TFloydSteinbergDitherer engine(5, lookup);
    Scan(engine, Grey(std::vector<std::vector<uint8_t>>(4, {250, 10, 250, 10, 250})));
    ASSERT_EQ(lookup.asked.size(), 20u);
    for (size_t i = 0; i < 20; ++i) {
        const size_t x = i / 5 % 2 == 0 ? i % 5 : 4 - i % 5;
        EXPECT_GE(lookup.asked[i].Red, x % 2 == 0 ? 250 : 10) << i;
    }
    EXPECT_EQ(lookup.asked.back().Red, 255);
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
    EXPECT_EQ(testing_support::ErrorText([&] { engine.Dither(0, 0, 0); }), range);
    EXPECT_EQ(testing_support::ErrorText([&] { engine.ResetError(); }), range);
    EXPECT_EQ(testing_support::ErrorText([&] { TFloydSteinbergDitherer(-1, mono); }), range);
}

TEST(FloydSteinberg, AResetPixelPassesNoErrorOn) {
    // Alone, three mid-greys give white, black, white; without the middle
    // pixel's carry the third is plain mid-grey again.
    TMonochromeLookup mono;
    TFloydSteinbergDitherer engine(3, mono);
    EXPECT_EQ(engine.Dither(128, 128, 128).Index, 1);
    engine.ResetError();
    EXPECT_EQ(engine.Dither(128, 128, 128).Index, 1);
}

TEST(DitherEngine, EachPixelGetsTheAnswerForItsOwnColour) {
    TMonochromeLookup mono;
    TDitherEngine engine(6, mono);
    EXPECT_EQ(Scan(engine, Grey(std::vector(2, std::vector<uint8_t>(6, 128)))),
              Indexes(2, std::vector<int>(6, 1)));
}

}  // namespace
}  // namespace gif
