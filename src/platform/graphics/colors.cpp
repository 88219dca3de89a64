#include <array>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <utility>

#include "platform/core/text.h"
#include "platform/graphics/types.h"

namespace platform {

namespace {

constexpr Color Rgb(uint32_t rrggbb) {
    return MakeColor(static_cast<uint8_t>(rrggbb >> 16), static_cast<uint8_t>(rrggbb >> 8),
                     static_cast<uint8_t>(rrggbb));
}

// The roles of a light desktop theme, by index (25 is no role).
constexpr std::array<Color, 31> kLightTheme{
    Rgb(0xC8C8C8), Rgb(0x000000), Rgb(0x99B4D1), Rgb(0xBFCDDB), Rgb(0xF0F0F0), Rgb(0xFFFFFF),
    Rgb(0x646464), Rgb(0x000000), Rgb(0x000000), Rgb(0x000000), Rgb(0xB4B4B4), Rgb(0xF4F7FC),
    Rgb(0xABABAB), Rgb(0x0078D7), Rgb(0xFFFFFF), Rgb(0xF0F0F0), Rgb(0xA0A0A0), Rgb(0x6D6D6D),
    Rgb(0x000000), Rgb(0x000000), Rgb(0xFFFFFF), Rgb(0x696969), Rgb(0xE3E3E3), Rgb(0x000000),
    Rgb(0xFFFFE1), Rgb(0x000000), Rgb(0x0066CC), Rgb(0xB9D1EA), Rgb(0xD7E4F2), Rgb(0x3399FF),
    Rgb(0xF0F0F0),
};

Color LightTheme(SystemColor role) {
    const auto index = static_cast<size_t>(role);
    return index < kLightTheme.size() ? kLightTheme[index] : kBlack;
}

std::atomic<SystemColorResolver> resolver{LightTheme};

constexpr Color System(SystemColor role) {
    return SystemColorOf(role);
}

// The named colours, in the order a value's name is looked for.
constexpr std::array<std::pair<Color, std::string_view>, 52> kNames{{
    {0x000000, "clBlack"},
    {0x000080, "clMaroon"},
    {0x008000, "clGreen"},
    {0x008080, "clOlive"},
    {0x800000, "clNavy"},
    {0x800080, "clPurple"},
    {0x808000, "clTeal"},
    {0x808080, "clGray"},
    {0xC0C0C0, "clSilver"},
    {0x0000FF, "clRed"},
    {0x00FF00, "clLime"},
    {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},
    {0xFF00FF, "clFuchsia"},
    {0xFFFF00, "clAqua"},
    {0xFFFFFF, "clWhite"},
    {0xC0DCC0, "clMoneyGreen"},
    {0xF0CAA6, "clSkyBlue"},
    {0xF0FBFF, "clCream"},
    {0xA4A0A0, "clMedGray"},
    {System(SystemColor::ActiveBorder), "clActiveBorder"},
    {System(SystemColor::ActiveCaption), "clActiveCaption"},
    {System(SystemColor::AppWorkSpace), "clAppWorkSpace"},
    {System(SystemColor::Background), "clBackground"},
    {System(SystemColor::BtnFace), "clBtnFace"},
    {System(SystemColor::BtnHighlight), "clBtnHighlight"},
    {System(SystemColor::BtnShadow), "clBtnShadow"},
    {System(SystemColor::BtnText), "clBtnText"},
    {System(SystemColor::CaptionText), "clCaptionText"},
    {0x20000000, "clDefault"},
    {System(SystemColor::GradientActiveCaption), "clGradientActiveCaption"},
    {System(SystemColor::GradientInactiveCaption), "clGradientInactiveCaption"},
    {System(SystemColor::GrayText), "clGrayText"},
    {System(SystemColor::Highlight), "clHighlight"},
    {System(SystemColor::HighlightText), "clHighlightText"},
    {System(SystemColor::HotLight), "clHotLight"},
    {System(SystemColor::InactiveBorder), "clInactiveBorder"},
    {System(SystemColor::InactiveCaption), "clInactiveCaption"},
    {System(SystemColor::InactiveCaptionText), "clInactiveCaptionText"},
    {System(SystemColor::InfoBk), "clInfoBk"},
    {System(SystemColor::InfoText), "clInfoText"},
    {System(SystemColor::Menu), "clMenu"},
    {System(SystemColor::MenuBar), "clMenuBar"},
    {System(SystemColor::MenuHighlight), "clMenuHighlight"},
    {System(SystemColor::MenuText), "clMenuText"},
    {0x1FFFFFFF, "clNone"},
    {System(SystemColor::ScrollBar), "clScrollBar"},
    {System(SystemColor::DkShadow3D), "cl3DDkShadow"},
    {System(SystemColor::Light3D), "cl3DLight"},
    {System(SystemColor::Window), "clWindow"},
    {System(SystemColor::WindowFrame), "clWindowFrame"},
    {System(SystemColor::WindowText), "clWindowText"},
}};

// A whole number of `digits` in `base`, all of the text; none beyond 32 bits.
std::optional<uint32_t> Unsigned(std::string_view digits, int base) {
    uint32_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, base);
    if (digits.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

}  // namespace

void SetSystemColorResolver(SystemColorResolver r) {
    resolver.store(r != nullptr ? r : LightTheme);
}

Color ColorToRGB(Color c) {
    if (IsSystemColor(c)) return resolver.load()(static_cast<SystemColor>(c & 0xFF)) & 0xFFFFFF;
    return c & 0xFFFFFF;
}

std::string ColorToString(Color c) {
    for (const auto& [value, name] : kNames) {
        if (value == c) return std::string(name);
    }
    std::array<char, 10> text{};
    std::snprintf(text.data(), text.size(), "$%.8X", c);
    return text.data();
}

std::optional<Color> StringToColor(std::string_view text) {
    for (const auto& [value, name] : kNames) {
        if (SameTextIgnoringCase(name, text)) return value;
    }
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    std::optional<uint32_t> value;
    if (text.starts_with('$')) {
        value = Unsigned(text.substr(1), 16);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        value = Unsigned(text.substr(2), 16);
    } else {
        value = Unsigned(text, 10);
    }
    if (!value) return std::nullopt;
    if (negative) {
        if (*value > 0x80000000U) return std::nullopt;
        return static_cast<Color>(0U - *value);
    }
    return *value;
}

}  // namespace platform
