#include "app/donnees_prise_de_vue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "pictures.h"
#include "test_support.h"

namespace app {
namespace {

using namespace testing_support;

std::string Oracle(const std::string& tag, const std::string& fichier, bool numerique = false) {
    return ExifToolValue(tag, fichier, numerique);
}

TEST(DonneesPriseDeVue, ProgrammesAreTranslatedExactly) {
    EXPECT_EQ(TraduitProgramme("Portrait mode"), "Portrait");
    EXPECT_EQ(TraduitProgramme("Shutter priority"), "Prio Vitesse");
    EXPECT_EQ(TraduitProgramme("Aperture priority"), "Prio Diaph");
    EXPECT_EQ(TraduitProgramme("Manual"), "Manuel");
    EXPECT_EQ(TraduitProgramme("Action(high-speed)"), "Action");
    EXPECT_EQ(TraduitProgramme("Normal"), "Normal");
    EXPECT_EQ(TraduitProgramme("Landscape mode"), "Paysage");
    EXPECT_EQ(TraduitProgramme("Creative(slow)"), "Lent");
    EXPECT_EQ(TraduitProgramme("normal"), "");
    EXPECT_EQ(TraduitProgramme("Unidentified"), "");
    EXPECT_EQ(TraduitProgramme(""), "");
}

TEST(DonneesPriseDeVue, ACameraFileFillsEveryLabelItHasATagFor) {
    const std::string fichier = TestData("exif-samples/jpg/exif-org/nikon-e950.jpg");
    REQUIRE_PROGRAM("exiftool");
    metadata::TimgData donnees(255);
    ASSERT_TRUE(donnees.ReadPictureFile(fichier));
    ASSERT_NE(donnees.ExifObj(), nullptr);
    const DonneesPriseDeVue d = LitDonneesPriseDeVue(*donnees.ExifObj());

    EXPECT_EQ(d.date, Oracle("DateTimeOriginal", fichier));
    EXPECT_EQ(d.iso, Oracle("ISO", fichier) + " Asa");
    EXPECT_EQ(d.programme, "Normal");  // ExifTool's "Program AE", value 2
    EXPECT_EQ(Oracle("ExposureProgram", fichier, true), "2");
    std::string ouverture = "diaph F" + Oracle("FNumber", fichier);
    std::replace(ouverture.begin(), ouverture.end(), '.', ',');
    EXPECT_EQ(d.diaf, ouverture);
    EXPECT_EQ(d.flash, "Flash Off");
    EXPECT_EQ(d.focale, " focale : 12,80 mm");
    // The exposure time is the stored fraction, which ExifTool reduces.
    EXPECT_TRUE(d.vitesse.ends_with(" sec")) << d.vitesse;
    const size_t barre = d.vitesse.find('/');
    ASSERT_NE(barre, std::string::npos);
    const double temps =
        std::stod(d.vitesse.substr(0, barre)) / std::stod(d.vitesse.substr(barre + 1));
    EXPECT_NEAR(temps, std::stod(Oracle("ExposureTime", fichier, true)), 1e-6);
    EXPECT_TRUE(d.correction.starts_with("Cor. exp ")) << d.correction;
}

TEST(DonneesPriseDeVue, TheLensLabelShowsTheMaximumApertureAsAnFNumber) {
    REQUIRE_PROGRAM("exiftool");
    const TempDir dossier;
    const std::string fichier = dossier / "objectif.jpg";
    WriteJpeg(fichier, *Pattern(32, 24));
    // ExifTool stores the APEX value 2 log2(2.8) = 2.97.
    ASSERT_EQ(ExifToolWrite("-Make=Canon -MaxApertureValue=2.8", fichier), 0);
    metadata::TimgData donnees(255);
    ASSERT_TRUE(donnees.ReadPictureFile(fichier));
    metadata::TImageInfo& exif = *donnees.ExifObj();
    EXPECT_EQ(LitDonneesPriseDeVue(exif).objectif, "");
    // The focal lengths as a Canon note's camera settings give them.
    exif.AddMakerTag("Short focal", " 17", metadata::kAscii);
    EXPECT_EQ(LitDonneesPriseDeVue(exif).objectif, "Zoom  17x");
    exif.AddMakerTag("Long focal", " 85", metadata::kAscii);
    EXPECT_EQ(LitDonneesPriseDeVue(exif).objectif, "Zoom  17x 85 F2,8");
}

}  // namespace
}  // namespace app
