// Small value types shared by the graphics layer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// A system colour stands for whatever the desktop's theme gives that role
// now: the high byte all ones and the role's index in the low byte, so that
// it is kept (in settings too) as the role, not as the value it had once.
enum class SystemColor : uint8_t {
    ScrollBar = 0,
    Background = 1,
    ActiveCaption = 2,
    InactiveCaption = 3,
    Menu = 4,
    Window = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    CaptionText = 9,
    ActiveBorder = 10,
    InactiveBorder = 11,
    AppWorkSpace = 12,
    Highlight = 13,
    HighlightText = 14,
    BtnFace = 15,
    BtnShadow = 16,
    GrayText = 17,
    BtnText = 18,
    InactiveCaptionText = 19,
    BtnHighlight = 20,
    DkShadow3D = 21,
    Light3D = 22,
    InfoText = 23,
    InfoBk = 24,
    HotLight = 26,
    GradientActiveCaption = 27,
    GradientInactiveCaption = 28,
    MenuHighlight = 29,
    MenuBar = 30,
};
constexpr Color kSystemColorFlag = 0xFF000000;
constexpr Color SystemColorOf(SystemColor role) {
    return kSystemColorFlag | static_cast<Color>(role);
}
constexpr bool IsSystemColor(Color c) {
    return (c & kSystemColorFlag) == kSystemColorFlag;
}
constexpr Color kBtnFace = SystemColorOf(SystemColor::BtnFace);
constexpr Color kWindowColor = SystemColorOf(SystemColor::Window);
constexpr Color kWindowText = SystemColorOf(SystemColor::WindowText);

// The colour of a role in the desktop's theme ($00BBGGRR). The user-interface
// layer installs one from its palette; until then (and after an empty one)
// the roles take the usual light theme's values.
using SystemColorResolver = Color (*)(SystemColor role);
void SetSystemColorResolver(SystemColorResolver resolver);
// The colour as red, green and blue: a system colour through the resolver,
// any other with its high byte dropped.
Color ColorToRGB(Color c);

// The class library's text of a colour: the name of a colour constant
// ("clBlack", "clBtnFace"), else "$" and eight upper-case hexadecimal digits
// of its value ("$00FF8040").
std::string ColorToString(Color c);
// The inverse: a constant's name in any case, or an integer in decimal,
// "$" or "0x" hexadecimal (32 bits, a leading minus allowed); none for
// anything else.
std::optional<Color> StringToColor(std::string_view text);

// One entry of a device-independent colour table.
struct RGBQuad {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
    uint8_t Reserved = 0;
    friend bool operator==(const RGBQuad&, const RGBQuad&) = default;
};

}  // namespace platform
