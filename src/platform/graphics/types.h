// Small value types shared by the graphics layer.
#pragma once

#include <cstdint>

namespace platform {

struct Point {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Left and top inside, right and bottom outside, as the class library counts.
struct Rect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The part common to both; all zero when they do not meet.
Rect Intersect(const Rect& a, const Rect& b);

// A colour as the class library stores it: $00BBGGRR.
using Color = uint32_t;
constexpr Color kBlack = 0x000000;
constexpr Color kWhite = 0xFFFFFF;
constexpr uint8_t RedOf(Color c) {
    return static_cast<uint8_t>(c);
}
constexpr uint8_t GreenOf(Color c) {
    return static_cast<uint8_t>(c >> 8);
}
constexpr uint8_t BlueOf(Color c) {
    return static_cast<uint8_t>(c >> 16);
}
constexpr Color MakeColor(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<Color>(r) | static_cast<Color>(g) << 8 | static_cast<Color>(b) << 16;
}

// One entry of a device-independent colour table.
struct RGBQuad {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
    uint8_t Reserved = 0;
    friend bool operator==(const RGBQuad&, const RGBQuad&) = default;
};

}  // namespace platform
