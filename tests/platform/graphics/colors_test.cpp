// Colours as the class library writes and reads them, and system colours
// resolved through the resolver the user interface installs.
#include <gtest/gtest.h>

#include "platform/graphics/types.h"

namespace platform {
namespace {

TEST(Couleurs, TextsRoundTripThroughNamesAndHexadecimal) {
    const std::pair<Color, std::string> lignes[] = {
        {0x000000, "clBlack"},      {0xFFFFFF, "clWhite"},         {0x0000FF, "clRed"},
        {0xFF0000, "clBlue"},       {0xC0DCC0, "clMoneyGreen"},    {kBtnFace, "clBtnFace"},
        {kWindowColor, "clWindow"}, {kWindowText, "clWindowText"}, {0xFF000015, "cl3DDkShadow"},
        {0x1FFFFFFF, "clNone"},     {0x20000000, "clDefault"},     {0x00FF8040, "$00FF8040"},
        {0x00000001, "$00000001"},  {0xFF000019, "$FF000019"},     {0x80000000, "$80000000"},
    };
    for (const auto& [couleur, texte] : lignes) {
        EXPECT_EQ(ColorToString(couleur), texte);
        EXPECT_EQ(StringToColor(texte), couleur) << texte;
    }
}

TEST(Couleurs, ReadingAcceptsAnyCaseAndTheIntegerFormsButNothingElse) {
    EXPECT_EQ(StringToColor("CLBTNFACE"), kBtnFace);
    EXPECT_EQ(StringToColor("clred"), Color{0x0000FF});
    EXPECT_EQ(StringToColor("$ff"), Color{0xFF});
    EXPECT_EQ(StringToColor("0x10"), Color{0x10});
    EXPECT_EQ(StringToColor("255"), Color{255});
    EXPECT_EQ(StringToColor("-16777201"), kBtnFace);
    for (const char* faux :
         {"", "$", "0x", "clRouge", "12a", "$1FFFFFFFF", "4294967296", " 12", "-", "#FF0000"}) {
        EXPECT_EQ(StringToColor(faux), std::nullopt) << faux;
    }
}

Color Sombre(SystemColor role) {
    return role == SystemColor::BtnFace ? MakeColor(0x31, 0x32, 0x33) : MakeColor(1, 2, 3);
}

TEST(Couleurs, SystemColoursTakeTheirValueNowAndOthersLoseTheirHighByte) {
    EXPECT_EQ(ColorToRGB(kBtnFace), MakeColor(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(ColorToRGB(kWindowColor), kWhite);
    SetSystemColorResolver(Sombre);
    EXPECT_EQ(ColorToRGB(kBtnFace), MakeColor(0x31, 0x32, 0x33));
    EXPECT_EQ(ColorToRGB(kWindowText), MakeColor(1, 2, 3));
    EXPECT_EQ(ColorToRGB(0x00123456), Color{0x123456});
    EXPECT_EQ(ColorToRGB(0x1FFFFFFF), Color{0xFFFFFF});
    SetSystemColorResolver(nullptr);
    EXPECT_EQ(ColorToRGB(kBtnFace), MakeColor(0xF0, 0xF0, 0xF0));
}

}  // namespace
}  // namespace platform
