#include "metadata/byte_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "test_support.h"

namespace metadata {
namespace {

using testing_support::ErrorText;

constexpr const char* kRangeError = "Erreur de vérification d'étendue";

tEndInd Bytes(std::initializer_list<int> values, bool motorola) {
    std::string data;
    for (const int value : values) data.push_back(static_cast<char>(value));
    return tEndInd(data, motorola);
}

TEST(ByteOrder, ReadsTheTwoOrdersFromOneBasedPositions) {
    EXPECT_EQ(Bytes({0x01, 0x02}, true).Get16(1), 258);
    EXPECT_EQ(Bytes({0x01, 0x02}, false).Get16(1), 513);
    const tEndInd negative = Bytes({0xFF, 0xFF, 0xFF, 0xFE}, true);
    EXPECT_EQ(negative.Get32s(1), -2);
    EXPECT_EQ(negative.Get32(1), 4294967294u);

    const tEndInd inner = Bytes({0xAA, 0x12, 0x34, 0x56, 0x78, 0xBB}, false);
    EXPECT_EQ(inner.Get8(6), 0xBB);
    EXPECT_EQ(inner.Get32(2), 0x78563412u);
    EXPECT_EQ(inner.Get16(5), 0xBB78);
    EXPECT_EQ(inner.Bytes(2, 4), "\x12\x34\x56\x78");
    EXPECT_EQ(inner.Bytes(7, 0), "");
}

TEST(ByteOrder, EveryReadThatLeavesTheBytesIsARangeError) {
    const tEndInd six = Bytes({1, 2, 3, 4, 5, 6}, true);
    EXPECT_EQ(ErrorText([&] { six.Get16(6); }), kRangeError);  // needs a seventh byte
    EXPECT_EQ(ErrorText([&] { six.Get32s(4); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { six.Get8(0); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { six.Bytes(2, 6); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { six.Bytes(2, -1); }), kRangeError);
    // Positions come from files: the largest ones must not wrap into the buffer.
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(ErrorText([&] { six.Get32(kMax); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { six.Get32(std::numeric_limits<int64_t>::min()); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { six.Bytes(kMax, kMax); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { tEndInd().Get8(1); }), kRangeError);

    EXPECT_TRUE(six.Holds(1, 6) && six.Holds(7, 0));
    EXPECT_FALSE(six.Holds(1, 7) || six.Holds(0, 1) || six.Holds(8, 0));
    EXPECT_FALSE(six.Holds(2, kMax) || six.Holds(kMax, 1) || six.Holds(1, -1));
}

TEST(ByteOrder, WritesGoIntoTheGivenBufferInTheObjectsOrder) {
    const tEndInd motorola(std::string(8, '\0'), true);
    const tEndInd intel(std::string(8, '\0'), false);

    std::string buffer(8, '\0');
    motorola.Put16(buffer, 0x0001, 5);
    EXPECT_EQ(buffer, std::string("\0\0\0\0\x00\x01\0\0", 8));
    motorola.Put32(buffer, 0x11223344, 1);
    EXPECT_EQ(buffer.substr(0, 4), "\x11\x22\x33\x44");
    intel.Put32(buffer, 0x11223344, 5);
    EXPECT_EQ(buffer.substr(4, 4), "\x44\x33\x22\x11");
    // The object's own bytes are not the target.
    EXPECT_EQ(motorola.GetData(), std::string(8, '\0'));

    EXPECT_EQ(ErrorText([&] { motorola.Put16(buffer, 1, 8); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { intel.Put32(buffer, 1, 0); }), kRangeError);
    // A number that needs three bytes is refused rather than cut.
    EXPECT_EQ(ErrorText([&] { intel.Put16(buffer, 0x10000, 1); }), kRangeError);
    EXPECT_EQ(buffer.substr(4, 4), "\x44\x33\x22\x11");
}

TEST(ByteOrder, WhatIsWrittenReadsBackAndTheOtherOrderSeesItSwapped) {
    std::mt19937 random(7);
    std::uniform_int_distribution<uint32_t> values;
    for (const bool motorola : {false, true}) {
        const tEndInd writer({}, motorola);
        for (int round = 0; round < 200; ++round) {
            const uint32_t value = values(random);
            const auto position = static_cast<int64_t>(value % 8) + 1;
            std::string buffer(13, '\0');
            writer.Put32(buffer, value, position);
            writer.Put16(buffer, value & 0xFFFF, 12);
            const tEndInd same(buffer, motorola);
            const tEndInd other(buffer, !motorola);
            EXPECT_EQ(same.Get32(position), value);
            EXPECT_EQ(same.Get32s(position), static_cast<int32_t>(value));
            EXPECT_EQ(other.Get32(position), __builtin_bswap32(value));
            EXPECT_EQ(same.Get16(12), value & 0xFFFF);
            EXPECT_EQ(other.Get16(12), __builtin_bswap16(static_cast<uint16_t>(value)));
        }
    }
}

}  // namespace
}  // namespace metadata
