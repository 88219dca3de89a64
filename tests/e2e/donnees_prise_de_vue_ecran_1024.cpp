// The main window on the X server of a desktop that runs openbox on a screen
// 1024 pixels wide (fenetre_donnees_prise_de_vue.sh starts it): the window
// the program makes, framed and fitted to the screen by the window manager.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <filesystem>

#include "boucle_qt.h"
#include "fenetre_principale.h"

namespace app {
namespace {

using namespace testing_support;

// Opened on a screen 1024 pixels wide, the window is narrower than designed,
// and a photo's usual shooting data show whole in it.
TEST_F(FenetrePrincipale, OnAScreen1024PixelsWideAPhotosShootingDataShowWhole) {
    REQUIRE_PROGRAM("exiftool");
    const std::string photo = dossier / "f22.jpg";
    std::filesystem::copy_file(TestData("exif-samples/jpg/exif-org/canon-ixus.jpg"), photo);
    // Flash 25: fired in auto mode.
    ASSERT_EQ(ExifToolWrite("-FNumber=22 -ExposureTime=1/1000 -ISO=12800 -FocalLength=135 "
                            "-Flash#=25 '-DateTimeOriginal=2006:12:28 23:59:59'",
                            photo),
              0);
    const QRect ecran = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(ecran.width(), 1024);
    Demarre({photo});
    // Framed by the window manager, brought within the screen, the photo shown.
    ASSERT_TRUE(RunUntil([&] {
        return !fenetre->windowHandle()->frameMargins().isNull() &&
               ecran.contains(fenetre->frameGeometry()) && !fenetre->LabelDiaf->Text().empty();
    })) << "not framed within the screen";
    // Time for any other placement the window manager sends after the first.
    RunFor(std::chrono::milliseconds(200));
    EXPECT_LT(fenetre->width(), 1060);
    EXPECT_TRUE(ecran.contains(fenetre->frameGeometry()));

    std::string entiers;
    std::string montres;
    for (const platform::ui::ElidedLabel* label :
         {fenetre->LabelDiaf, fenetre->LabelVitesse, fenetre->LabelIso, fenetre->LabelFocale,
          fenetre->LabelDate, fenetre->LabelFlash}) {
        entiers += label->Text() + "|";
        montres += label->text().toStdString() + "|";
    }
    EXPECT_EQ(entiers,
              "diaph F22,0|1/1000 sec|12800 Asa| focale : 135,00 mm|2006:12:28 23:59:59|"
              "Flash On, auto mode|");
    EXPECT_EQ(montres, entiers) << "in a window " << fenetre->width() << " pixels wide";
}

}  // namespace
}  // namespace app
