#include "metadata/byte_order.h"

#include <gtest/gtest.h>

#include <limits>

#include "test_support.h"

namespace metadata {
namespace {

using testing_support::ErrorText;

constexpr const char* kRangeError = "Erreur de vérification d'étendue";
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

TEST(ByteOrder, WhatIsWrittenAtOneBasedPositionsReadsBackAndTheOtherOrderSeesItSwapped) {
    for (const bool motorola : {false, true}) {
        const tEndInd writer({}, motorola);
        for (const uint32_t value : {0x00000000u, 0x80000001u, 0x7FFFFFFFu, 0xFFFFFFFEu}) {
            std::string buffer(13, '\0');
            const auto position = static_cast<int64_t>(value % 8) + 1;
            writer.Put32(buffer, value, position);
            writer.Put16(buffer, value & 0xFFFF, 12);
            const tEndInd same(buffer, motorola);
            const tEndInd other(buffer, !motorola);
            EXPECT_EQ(same.Get32(position), value);
            EXPECT_EQ(same.Get32s(position), static_cast<int32_t>(value));
            EXPECT_EQ(other.Get32(position), __builtin_bswap32(value));
            EXPECT_EQ(same.Get16(12), value & 0xFFFF);
            EXPECT_EQ(other.Get16(12), __builtin_bswap16(static_cast<uint16_t>(value)));
            EXPECT_EQ(same.Get8(13), static_cast<uint8_t>(buffer[12]));
            EXPECT_EQ(same.Bytes(position, 4), buffer.substr(static_cast<size_t>(position - 1), 4));
            EXPECT_EQ(writer.GetData(), "") << "the object's own bytes are not the target";
        }
    }
    EXPECT_EQ(tEndInd("\x12\x34\x56\x78", true).Get32(1), 0x12345678u);
    EXPECT_EQ(tEndInd("\x12\x34\x56\x78", false).Get32(1), 0x78563412u);
}

TEST(ByteOrder, EveryReadOrWriteThatLeavesTheBytesIsARangeError) {
    const tEndInd six(std::string(6, '\1'), true);
    EXPECT_EQ(ErrorText([&] { six.Get16(6); }), kRangeError);  // needs a seventh byte
    EXPECT_EQ(ErrorText([&] { six.Get32s(4); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { six.Get8(0); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { six.Bytes(2, 6); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { six.Bytes(2, -1); }), kRangeError);
    EXPECT_EQ(six.Bytes(7, 0), "");
    // Positions come from files: the largest ones must not wrap into the buffer.
    EXPECT_EQ(ErrorText([&] { six.Get32(kMax); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { six.Get32(std::numeric_limits<int64_t>::min()); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { six.Bytes(kMax, kMax); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { tEndInd().Get8(1); }), kRangeError);
    EXPECT_TRUE(six.Holds(1, 6) && six.Holds(7, 0));
    EXPECT_FALSE(six.Holds(1, 7) || six.Holds(0, 1) || six.Holds(8, 0));
    EXPECT_FALSE(six.Holds(2, kMax) || six.Holds(kMax, 1) || six.Holds(1, -1));

    std::string buffer(8, '\0');
    EXPECT_EQ(ErrorText([&] { six.Put16(buffer, 1, 8); }), kRangeError);
    EXPECT_EQ(ErrorText([&] { six.Put32(buffer, 1, 0); }), kRangeError);
    // A number that needs three bytes is refused rather than cut.
    EXPECT_EQ(ErrorText([&] { six.Put16(buffer, 0x10000, 1); }), kRangeError);
    EXPECT_EQ(buffer, std::string(8, '\0'));
}

}  // namespace
}  // namespace metadata
