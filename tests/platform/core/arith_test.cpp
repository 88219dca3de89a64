#include "platform/core/arith.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/core/error.h"

namespace platform {
namespace {

TEST(Round, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(Round(12.5), 12);
    EXPECT_EQ(Round(13.5), 14);
    EXPECT_EQ(Round(-0.5), 0);
    EXPECT_EQ(Round(-1.5), -2);
    EXPECT_EQ(Round(209.5), 210);
    EXPECT_EQ(Round(633.333), 633);
}

TEST(Round, OutsideThe32BitRangeIsARangeError) {
    EXPECT_EQ(Round(2147483647.0), std::numeric_limits<int32_t>::max());
    EXPECT_THROW(Round(2147483648.0), Error);
    EXPECT_THROW(Round(std::numeric_limits<double>::quiet_NaN()), Error);
    try {
        Round(1e12);
    } catch (const Error& e) {
        EXPECT_EQ(e.Kind(), ErrorKind::Range);
        EXPECT_STREQ(e.what(), "Erreur de vérification d'étendue");
    }
}

TEST(CheckedArithmetic, OverflowRaisesTheRuntimeText) {
    EXPECT_EQ(CheckedMul(46340, 46340), 2147395600);
    try {
        CheckedMul(65536, 65536);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Débordement d'entier");
    }
    EXPECT_THROW(CheckedSub(std::numeric_limits<int32_t>::min(), 1), Error);
    EXPECT_THROW(CheckedAdd(std::numeric_limits<int32_t>::max(), 1), Error);
}

TEST(MulDiv, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(5, 40, 20), 10);
    EXPECT_EQ(MulDiv(1, 3, 2), 2);    // 1.5
    EXPECT_EQ(MulDiv(-1, 3, 2), -2);  // -1.5
    EXPECT_EQ(MulDiv(1, 5, 4), 1);    // 1.25
    EXPECT_EQ(MulDiv(7, 1, 0), -1);
    EXPECT_EQ(MulDiv(65536, 65536, 2), -1);  // does not fit 32 bits
    EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);
}

}  // namespace
}  // namespace platform
