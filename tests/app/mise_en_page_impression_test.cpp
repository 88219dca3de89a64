// The print layout: sizes in millimetres, placed in device units. At 254
// units per inch a millimetre is exactly 10 units, which keeps the expected
// values readable.
#include "app/mise_en_page_impression.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace app {
namespace {

constexpr double kDixParMm = 254;
using platform::ui::PageValues;

constexpr PageValues kA4Portrait{210, 297, 10, 10, 10, 10};
constexpr PageValues kA4Paysage{297, 210, 10, 10, 10, 10};

TEST(AjusteProportions, TheBoxKeepsTheSideThatLimitsThePicture) {
    // Wider than the picture's shape: the height stays.
    EXPECT_EQ(AjusteProportions(300, 100, 3, 2), (Proportions{150, 100}));
    // Narrower: the width stays.
    EXPECT_EQ(AjusteProportions(190, 133, 3, 2), (Proportions{190, 127}));
    // Exactly the shape: the height stays, the width is recomputed.
    EXPECT_EQ(AjusteProportions(150, 100, 3, 2), (Proportions{150, 100}));
    // A tall picture in a wide box.
    EXPECT_EQ(AjusteProportions(1900, 2770, 2000, 3000), (Proportions{1847, 2770}));
}

TEST(AjusteProportions, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(AjusteProportions(100, 5, 1, 2), (Proportions{2, 5}));  // 2.5
    EXPECT_EQ(AjusteProportions(100, 3, 5, 2), (Proportions{8, 3}));  // 7.5
    EXPECT_EQ(AjusteProportions(5, 100, 2, 1), (Proportions{5, 2}));  // 2.5
    EXPECT_EQ(AjusteProportions(7, 100, 2, 1), (Proportions{7, 4}));  // 3.5
}

TEST(AjusteProportions, AnEmptyBoxStaysEmpty) {
    EXPECT_EQ(AjusteProportions(0, 133, 3, 2), (Proportions{0, 0}));
    EXPECT_EQ(AjusteProportions(190, 0, 3, 2), (Proportions{0, 0}));
}

TEST(PointsDeMm, MillimetresBecomeDeviceUnits) {
    EXPECT_EQ(PointsDeMm(190, 1200), 8976);   // 8976.38
    EXPECT_EQ(PointsDeMm(10, 1200), 472);     // 472.44
    EXPECT_EQ(PointsDeMm(277, 1200), 13087);  // 13086.61
    EXPECT_EQ(PointsDeMm(297, 254), 2970);
    EXPECT_EQ(testing_support::ErrorText([] { PointsDeMm(1e12, 1200); }),
              "Erreur de vérification d'étendue");
}

TEST(PlaceImage, TheDefaultBoxOnPortraitA4) {
    // A 3:2 picture: 190 mm wide, 126.7 mm high, at the top of the 190 x 277
    // mm printable area.
    EXPECT_EQ(PlaceImage(kA4Portrait, {190, 133, false}, 3000, 2000, kDixParMm),
              (Emplacement{100, 100, 1900, 1267}));
    // At a printer's resolution the same place, to the unit.
    const std::optional<Emplacement> fin =
        PlaceImage(kA4Portrait, {190, 133, false}, 3000, 2000, 1200);
    ASSERT_TRUE(fin.has_value());
    EXPECT_EQ(*fin, (Emplacement{472, 472, 8976, 5984}));
}

TEST(PlaceImage, OnLandscapePaperThePageValuesFollowTheOrientation) {
    EXPECT_EQ(PlaceImage(kA4Paysage, {190, 133, false}, 3000, 2000, kDixParMm),
              (Emplacement{100 + 435, 100, 1900, 1267}));
    // A full page there is the 277 x 190 mm printable area.
    EXPECT_EQ(PlaceImage(kA4Paysage, {0, 0, true}, 3000, 2000, kDixParMm),
              (Emplacement{100, 100, 2770, 1847}));
}

TEST(PlaceImage, AFullPageIsClampedToThePrintableArea) {
    // A tall picture: 277 mm high, its width following, centred across.
    EXPECT_EQ(PlaceImage(kA4Portrait, {50, 50, true}, 2000, 3000, kDixParMm),
              (Emplacement{100 + 26, 100, 1847, 2770}));
}

TEST(PlaceImage, AWidthBeyondThePageIsClampedBeforeFitting) {
    EXPECT_EQ(PlaceImage(kA4Portrait, {300, 133, false}, 3000, 2000, kDixParMm),
              PlaceImage(kA4Portrait, {190, 133, false}, 3000, 2000, kDixParMm));
    EXPECT_EQ(PlaceImage(kA4Portrait, {9999, 9999, false}, 1000, 1000, kDixParMm),
              (Emplacement{100, 100, 1900, 1900}));
}

TEST(PlaceImage, ASizeOfNothingGivesAnEmptyBox) {
    for (const TailleDemandee taille :
         {TailleDemandee{0, 133, false}, TailleDemandee{190, 0, false},
          TailleDemandee{-5, 133, false}, TailleDemandee{190, -999, false}}) {
        const std::optional<Emplacement> place =
            PlaceImage(kA4Portrait, taille, 3000, 2000, kDixParMm);
        ASSERT_TRUE(place.has_value());
        EXPECT_EQ(place->largeur, 0);
        EXPECT_EQ(place->hauteur, 0);
    }
}

TEST(PlaceImage, APictureWithoutPixelsLeavesThePageAsItWas) {
    EXPECT_FALSE(PlaceImage(kA4Portrait, {190, 133, false}, 0, 0, kDixParMm).has_value());
    EXPECT_FALSE(PlaceImage(kA4Portrait, {190, 133, false}, 10, 0, kDixParMm).has_value());
    EXPECT_FALSE(PlaceImage(kA4Portrait, {190, 133, false}, 0, 10, kDixParMm).has_value());
}

TEST(PlaceImage, UnequalMarginsCentreAcrossThePrintableAreaBelowTheTopMargin) {
    const PageValues page{210, 297, 30, 10, 20, 0};
    // The printable area is 190 x 257 mm from (20, 30).
    EXPECT_EQ(PlaceImage(page, {100, 100, false}, 1000, 1000, kDixParMm),
              (Emplacement{200 + 450, 300, 1000, 1000}));
    // Margins wider than the page leave no room at all.
    const std::optional<Emplacement> rien =
        PlaceImage({210, 297, 200, 200, 150, 150}, {100, 100, false}, 1000, 1000, kDixParMm);
    ASSERT_TRUE(rien.has_value());
    EXPECT_EQ(rien->largeur, 0);
    EXPECT_EQ(rien->hauteur, 0);
}

}  // namespace
}  // namespace app
