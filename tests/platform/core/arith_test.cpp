#include "platform/core/arith.h"

#include <gtest/gtest.h>

#include <limits>

#include "test_support.h"

namespace platform {
namespace {

using testing_support::ErrorText;

TEST(Round, HalvesGoToTheEvenNeighbourWithinThe32BitRange) {
    const std::pair<double, int32_t> rows[] = {{12.5, 12},
                                               {13.5, 14},
                                               {-0.5, 0},
                                               {-1.5, -2},
                                               {209.5, 210},
                                               {633.333, 633},
                                               {2147483647.0, INT32_MAX}};
    for (const auto& [value, rounded] : rows) EXPECT_EQ(Round(value), rounded) << value;
    for (const double value : {2147483648.0, 1e12, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(ErrorText([&] { Round(value); }), "Erreur de vérification d'étendue") << value;
    }
}

TEST(CheckedArithmetic, OverflowRaisesTheRuntimeText) {
    EXPECT_EQ(CheckedMul(46340, 46340), 2147395600);
    const std::string overflow = "Débordement d'entier";
    EXPECT_EQ(ErrorText([] { CheckedMul(65536, 65536); }), overflow);
    EXPECT_EQ(ErrorText([] { CheckedSub(std::numeric_limits<int32_t>::min(), 1); }), overflow);
    EXPECT_EQ(ErrorText([] { CheckedAdd(std::numeric_limits<int32_t>::max(), 1); }), overflow);
}

TEST(MulDiv, RoundsHalvesAwayFromZero) {
    // 1.5, -1.5 and 1.25; a zero divisor or a result beyond 32 bits gives -1.
    const int32_t rows[][4] = {{5, 40, 20, 10},
                               {1, 3, 2, 2},
                               {-1, 3, 2, -2},
                               {1, 5, 4, 1},
                               {7, 1, 0, -1},
                               {65536, 65536, 2, -1},
                               {100000, 100000, 100000, 100000}};
    for (const auto& r : rows) EXPECT_EQ(MulDiv(r[0], r[1], r[2]), r[3]) << r[0] << r[1] << r[2];
}

}  // namespace
}  // namespace platform
