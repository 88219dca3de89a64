#include "platform/graphics/resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "pictures.h"

namespace platform {
namespace {

struct Size {
    int32_t width;
    int32_t height;
};

Bitmap Noise(Size size, unsigned seed) {
    return testing_support::Noise(size.width, size.height, seed);
}

Bitmap Stretched(const Bitmap& source, Size size) {
    Bitmap target(size.width, size.height);
    const Rect all{0, 0, size.width, size.height};
    StretchBgr(source.View(), target, all, all);
    return target;
}

uint8_t At(const Bitmap& bitmap, int32_t x, int32_t y, int channel) {
    return bitmap.ScanLine(y)[3 * x + channel];
}

// The weights of one axis, worked out in floating point from their
// definition: the covered share of each source pixel when shrinking, linear
// interpolation between pixel centres when enlarging.
std::vector<std::pair<int32_t, double>> ReferenceWeights(int32_t source, int32_t dest, int32_t i) {
    std::vector<std::pair<int32_t, double>> weights;
    if (dest <= source) {
        const double from = static_cast<double>(i) * source / dest;
        const double to = static_cast<double>(i + 1) * source / dest;
        for (int32_t j = 0; j < source; ++j) {
            const double covered = std::min<double>(j + 1, to) - std::max<double>(j, from);
            if (covered > 0) weights.emplace_back(j, covered / (to - from));
        }
    } else {
        const double position =
            std::clamp((i + 0.5) * source / dest - 0.5, 0.0, static_cast<double>(source - 1));
        const auto j = static_cast<int32_t>(std::floor(position));
        weights.emplace_back(j, 1 - (position - j));
        if (j + 1 < source) weights.emplace_back(j + 1, position - j);
    }
    return weights;
}

double Reference(const Bitmap& source, Size dest, int32_t x, int32_t y, int channel) {
    double value = 0;
    for (const auto& [sy, wy] : ReferenceWeights(source.Height(), dest.height, y)) {
        for (const auto& [sx, wx] : ReferenceWeights(source.Width(), dest.width, x)) {
            value += wx * wy * At(source, sx, sy, channel);
        }
    }
    return value;
}

const std::pair<Size, Size> kSizes[] = {
    {{7, 5}, {3, 2}}, {{10, 10}, {3, 3}}, {{3, 2}, {11, 9}}, {{10, 3}, {4, 8}}, {{1, 1}, {5, 4}},
    {{5, 5}, {1, 1}}, {{200, 3}, {7, 3}}, {{6, 9}, {6, 4}},  {{4, 4}, {9, 2}},  {{5, 4}, {5, 4}},
};

// Within rounding (equal sizes copy exactly); and a uniform picture (a new
// bitmap is white) stays uniform.
TEST(StretchBgr, EveryPixelIsTheWeightedMeanWithinRounding) {
    unsigned seed = 0;
    for (const auto& [from, to] : kSizes) {
        const Bitmap source = Noise(from, ++seed);
        const Bitmap target = Stretched(source, to);
        const Bitmap white = Stretched(Bitmap(from.width, from.height), to);
        for (int32_t y = 0; y < to.height; ++y) {
            for (int32_t x = 0; x < to.width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    ASSERT_NEAR(At(target, x, y, c), Reference(source, to, x, y, c), 0.55)
                        << from.width << "x" << from.height << " -> " << to.width << "x"
                        << to.height << " at " << x << "," << y;
                    ASSERT_EQ(At(white, x, y, c), 255);
                }
            }
        }
    }
}

TEST(StretchBgr, AMeanHalfWayGoesUpAndEnlargingInterpolatesBetweenAlignedCentres) {
    Bitmap source(2, 1);
    const uint8_t pixels[] = {0, 0, 0, 255, 255, 255};
    std::copy(std::begin(pixels), std::end(pixels), source.ScanLine(0));
    EXPECT_EQ(At(Stretched(source, {1, 1}), 0, 0, 0), 128);

    std::fill(source.ScanLine(0) + 3, source.ScanLine(0) + 6, 200);
    const Bitmap wide = Stretched(source, {4, 1});
    EXPECT_EQ(At(wide, 0, 0, 0), 0);  // before the first centre: held
    EXPECT_EQ(At(wide, 1, 0, 0), 50);
    EXPECT_EQ(At(wide, 2, 0, 0), 150);
    EXPECT_EQ(At(wide, 3, 0, 0), 200);
    const Bitmap tall = Stretched(source, {2, 3});
    for (int32_t y = 0; y < 3; ++y) EXPECT_EQ(At(tall, 1, y, 2), 200);
}

TEST(StretchBgr, OnlyTheClipIsWrittenWithThePixelsOfTheWholeDrawing) {
    const Bitmap source = Noise({6, 5}, 12);
    for (const Size dest_size : {Size{37, 23}, Size{4, 3}}) {
        const Bitmap whole = Stretched(source, dest_size);
        const Rect dest{-7, -3, dest_size.width - 7, dest_size.height - 3};
        const Rect clip = Intersect(Rect{2, 1, 9, 8}, dest);
        Bitmap target(16, 12);
        StretchBgr(source.View(), target, dest, clip);
        for (int32_t y = 0; y < 12; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                const bool inside =
                    x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom;
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(At(target, x, y, c), inside ? At(whole, x + 7, y + 3, c) : 255)
                        << x << "," << y;
                }
            }
        }
    }
}

TEST(StretchBgr, AVastDestinationCostsOnlyItsVisiblePart) {
    // Two pixels zoomed two billion times: the window shows the middle, where
    // the two colours meet half-way.
    Bitmap source(2, 1);
    const uint8_t pixels[] = {0, 0, 0, 200, 200, 200};
    std::copy(std::begin(pixels), std::end(pixels), source.ScanLine(0));
    Bitmap target(4, 4);
    const Rect dest{-1000000000, -1000000000, 1000000000, 1000000000};
    StretchBgr(source.View(), target, dest, Rect{0, 0, 4, 4});
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(At(target, x, y, 1), 100);
    }
    const Rect widest{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    StretchBgr(source.View(), target, widest, Rect{0, 0, 4, 4});
    EXPECT_EQ(At(target, 0, 0, 1), 100);
}

TEST(StretchRows, AsksForEachNeededRowOnceInOrder) {
    const Bitmap source = Noise({3, 40}, 13);
    Bitmap target(3, 4);
    std::vector<int32_t> asked;
    StretchRows(
        3, 40,
        [&](int32_t y) {
            asked.push_back(y);
            return source.ScanLine(y);
        },
        target, Rect{0, -8, 3, 4}, Rect{0, 0, 3, 4});  // only the lower third shows
    ASSERT_FALSE(asked.empty());
    EXPECT_GE(asked.front(), 26);
    for (size_t i = 1; i < asked.size(); ++i) EXPECT_EQ(asked[i], asked[i - 1] + 1);
    EXPECT_EQ(asked.back(), 39);
}

}  // namespace
}  // namespace platform
