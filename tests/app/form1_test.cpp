#include "app/form1.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QWheelEvent>
#include <filesystem>

#include "app/defile_image.h"
#include "fenetre_principale.h"
#include "pictures.h"
#include "platform/graphics/jpeg_image.h"
#include "platform/ui/application.h"
#include "test_support.h"

namespace app {
namespace {

// One second, in days.
constexpr double kSeconde = 1.0 / 86400.0;

TEST_F(FenetrePrincipale, TheCommandLineShowsTheGivenPicture) {
    Image("a.bmp", 10);
    const std::string b = Image("B.bmp", 20);
    Image("c.bmp", 30);
    Ouvre({b});
    EXPECT_EQ(Num(), 2);
    EXPECT_EQ(fenetre->TrackBarNumImageEnCours->Position(), 2);
    EXPECT_EQ(fenetre->TrackBarNumImageEnCours->Max(), 3);
    EXPECT_EQ(fenetre->Caption(), b);
    EXPECT_EQ(fenetre->LabelDim->text().toStdString(), "20x30");
    EXPECT_EQ(LargeurAffichee(), 20);
}

TEST_F(FenetrePrincipale, SubFoldersAndSlideshowFromTheCommandLine) {
    Image("a.bmp", 10);
    Image("sous/b.bmp", 20);
    Ouvre({dossier / "zz.bmp", "/sa"});
    EXPECT_TRUE(fenetre->CheckBoxSousDossiers->Checked());
    EXPECT_EQ(Defile().FListe.Count(), 2);
    EXPECT_EQ(Num(), 1);
    EXPECT_TRUE(fenetre->TimerDefileImage->Enabled());
    EXPECT_EQ(fenetre->TimerDefileImage->Interval(), 4001);
}

TEST_F(FenetrePrincipale, AFileNotInTheListShowsPictureOne) {
    Image("a.bmp", 10);
    Image("b.bmp", 20);
    Ouvre({dossier / "absent.bmp"});
    EXPECT_EQ(Num(), 1);
    EXPECT_EQ(LargeurAffichee(), 10);
}

TEST_F(FenetrePrincipale, NumbersAreClampedAndAnUnchangedNumberDoesNothing) {
    for (int i = 1; i <= 4; ++i) Image("p" + std::to_string(i) + ".bmp", 10 * i);
    Ouvre({dossier / "p2.bmp"});
    const int avant = affichages;
    Defile().SetNumImage(2);
    EXPECT_EQ(affichages, avant);
    Defile().SetNumImage(0);
    EXPECT_EQ(Num(), 1);
    Defile().SetNumImage(9);
    EXPECT_EQ(Num(), 4);
    EXPECT_EQ(fenetre->TrackBarNumImageEnCours->Position(), 4);
    Touche(Qt::Key_Right);
    EXPECT_EQ(Num(), 4);
    EXPECT_EQ(Defile().NomFichier(5), "");
    EXPECT_EQ(Defile().NomFichier(0), "");
}

TEST_F(FenetrePrincipale, TheSlideshowWrapsBothWays) {
    for (int i = 1; i <= 3; ++i) Image("p" + std::to_string(i) + ".bmp", 10 * i);
    Ouvre({dossier / "p3.bmp"});
    fenetre->TimerDefileImageTimer();
    EXPECT_EQ(Num(), 1);
    fenetre->CheckBoxMarcheArriere->SetChecked(true);
    fenetre->TimerDefileImageTimer();
    EXPECT_EQ(Num(), 3);
    fenetre->TimerDefileImageTimer();
    EXPECT_EQ(Num(), 2);
}

TEST_F(FenetrePrincipale, TheIntervalIsTheSpeedTimesTenPlusOne) {
    Image("a.bmp", 10);
    Ouvre({dossier / "a.bmp"});
    for (const auto& [vitesse, intervalle] :
         {std::pair{0, 1}, {1000, 10001}, {400, 4001}, {37, 371}}) {
        fenetre->TrackBarVitesse->SetPosition(vitesse);
        fenetre->TimerDefileImageTimer();
        EXPECT_EQ(fenetre->TimerDefileImage->Interval(), intervalle);
    }
}

TEST_F(FenetrePrincipale, ABackwardSlideshowFromTheStartStaysOnNoPicture) {
    Image("a.bmp", 10);
    Ouvre();
    fenetre->CheckBoxMarcheArriere->SetChecked(true);
    Defile().ChargeDossier(dossier.Path());
    Defile().LanceDiaporamaDebut();
    EXPECT_EQ(Num(), 0);
}

TEST_F(FenetrePrincipale, AFolderWithoutPicturesStopsTheSlideshowAtItsStep) {
    Ouvre({dossier / "rien.jpg", "/a"});
    EXPECT_EQ(fenetre->TrackBarNumImageEnCours->Min(), 1);
    EXPECT_EQ(fenetre->TrackBarNumImageEnCours->Max(), 1);
    EXPECT_EQ(Num(), 0);
    fenetre->TimerDefileImageTimer();
    EXPECT_FALSE(fenetre->TimerDefileImage->Enabled());
}

TEST_F(FenetrePrincipale, TheNextPictureIsShownFromTheBufferWithoutReadingItsFile) {
    Image("a.jpg", 400, 300);
    const std::string b = Image("b.jpg", 200, 100);
    Ouvre({dossier / "a.jpg"});
    EXPECT_EQ(Defile().FNumTampon, 2);
    // The buffer holds picture 2 decoded: its file may go, and nothing decodes.
    std::filesystem::remove(b);
    const uint64_t decodages = platform::JpegImage::DecodeCount();
    Touche(Qt::Key_Right);
    EXPECT_EQ(Num(), 2);
    EXPECT_EQ(LargeurAffichee(), 200);
    EXPECT_EQ(fenetre->Caption(), b);
    fenetre->repaint();
    EXPECT_EQ(platform::JpegImage::DecodeCount(), decodages);
}

TEST_F(FenetrePrincipale, AReloadedFolderDoesNotReuseTheOldBuffer) {
    Image("a/1.bmp", 10);
    Image("a/2.bmp", 20);
    Image("b/1.bmp", 30);
    Image("b/2.bmp", 40);
    Ouvre({dossier / "a/1.bmp"});
    EXPECT_EQ(Defile().FNumTampon, 2);
    Defile().ChargeDossier(dossier / "b/");
    Defile().SetNumImage(2);
    EXPECT_EQ(LargeurAffichee(), 40);
}

TEST_F(FenetrePrincipale, APictureRemovedFromDiskLeavesThePreviousOneShown) {
    Image("p1.bmp", 10);
    Image("p2.bmp", 20);
    const std::string p3 = Image("p3.bmp", 30);
    Ouvre({dossier / "p1.bmp"});
    std::filesystem::remove(p3);
    Defile().SetNumImage(2);
    Defile().SetNumImage(3);
    EXPECT_EQ(Num(), 3);
    EXPECT_EQ(LargeurAffichee(), 20);
    EXPECT_TRUE(dialogues->errors.empty());
}

TEST_F(FenetrePrincipale, APictureThatFailsToPreloadIsReportedWhenShown) {
    Image("a.bmp", 10);
    testing_support::WriteFile(dossier / "b.jpg", std::string("\xFF\xD8\xFF\xDB tronque", 12));
    Ouvre({dossier / "a.bmp"});
    EXPECT_EQ(Defile().FNumTampon, 0);
    fenetre->SpeedButtonavance1->click();
    EXPECT_EQ(Num(), 2);
    ASSERT_EQ(dialogues->errors.size(), 1u);
    EXPECT_EQ(dialogues->errors[0].rfind("Erreur JPEG #", 0), 0u) << dialogues->errors[0];
    EXPECT_EQ(LargeurAffichee(), 10);
}

TEST_F(FenetrePrincipale, ALoadDuringAScanSupersedesIt) {
    for (int i = 0; i < 5; ++i) Image("a/" + std::to_string(i) + ".bmp", 10);
    Image("b/seule.bmp", 20);
    Ouvre();
    bool fait = false;
    fenetre->ScruteDossier1.TraiteMessages = [&] {
        if (!fait) {
            fait = true;
            Defile().ChargeDossier(dossier / "b/");
        }
    };
    Defile().ChargeDossier(dossier / "a/");
    ASSERT_TRUE(fait);
    ASSERT_EQ(Defile().FListe.Count(), 1);
    EXPECT_EQ(Defile().FListe[0], dossier / "b/seule.bmp");
    EXPECT_EQ(Defile().FDossier, dossier / "b/");
}

TEST_F(FenetrePrincipale, TheSameFileUnderAnotherNameHasItsNumber) {
    Image("a.bmp", 10);
    const std::string b = Image("b.bmp", 20);
    std::filesystem::create_symlink(b, dossier / "lien");
    Ouvre({dossier / "a.bmp"});
    EXPECT_EQ(Defile().IndexFichier(dossier / "lien"), 2);
    EXPECT_EQ(Defile().IndexFichier(dossier / "./b.bmp"), 2);
    EXPECT_EQ(Defile().IndexFichier(dossier / "c.bmp"), 0);
}

TEST_F(FenetrePrincipale, TheWheelStepsAtMostEveryQuarterSecondWhereverItTurns) {
    for (int i = 1; i <= 5; ++i) Image("p" + std::to_string(i) + ".bmp", 10 * i);
    Ouvre({dossier / "p1.bmp"});
    // The last step is at time 0 when the window opens.
    double maintenant = 2.8935185185185184e-6;
    fenetre->Maintenant = [&] { return maintenant; };
    Molette(fenetre, -1);
    EXPECT_EQ(Num(), 1) << "exactly a quarter of a second is still too soon";
    maintenant = 1.0;
    Molette(&fenetre->Korvel1->ImageInterne(), -1);
    EXPECT_EQ(Num(), 2);
    maintenant += 0.2 * kSeconde;
    Molette(fenetre->TrackBarVitesse, -1);
    EXPECT_EQ(Num(), 2);
    EXPECT_EQ(fenetre->TrackBarVitesse->Position(), 400)
        << "the window takes the wheel, not the control";
    maintenant += 0.1 * kSeconde;
    Molette(fenetre->TrackBarNumImageEnCours, 1);
    EXPECT_EQ(Num(), 1);
}

TEST_F(FenetrePrincipale, KeysStepAndToggleFullScreen) {
    for (int i = 1; i <= 3; ++i) Image("p" + std::to_string(i) + ".bmp", 10 * i);
    Ouvre({dossier / "p1.bmp"});
    Touche(Qt::Key_Right);
    EXPECT_EQ(Num(), 2);
    Touche(Qt::Key_Left);
    Touche(Qt::Key_Left);
    EXPECT_EQ(Num(), 1);

    fenetre->SetLeft(40);
    fenetre->SetTop(30);
    fenetre->SetWidth(900);
    fenetre->SetHeight(500);
    Touche(Qt::Key_Escape);
    EXPECT_TRUE(fenetre->PleinEcran());
    EXPECT_TRUE(fenetre->PanelControl->isHidden());
    EXPECT_TRUE(fenetre->MainMenu1->isHidden());
    EXPECT_TRUE(fenetre->isFullScreen());
    EXPECT_EQ(fenetre->ActionPleinEcran->text().toStdString(), "Retour écran normal");
    Touche(Qt::Key_Space);
    EXPECT_FALSE(fenetre->PleinEcran());
    EXPECT_FALSE(fenetre->PanelControl->isHidden());
    EXPECT_FALSE(fenetre->MainMenu1->isHidden());
    EXPECT_EQ(fenetre->ActionPleinEcran->text().toStdString(), "Plein écran");
    EXPECT_EQ(fenetre->geometry(), QRect(40, 30, 900, 500));
}

TEST_F(FenetrePrincipale, FullScreenFromAMaximisedWindowComesBackMaximised) {
    Image("a.bmp", 10);
    Ouvre({dossier / "a.bmp"});
    fenetre->SetWindowState(platform::ui::WindowState::Maximized);
    fenetre->BasculePleinEcran();
    fenetre->BasculePleinEcran();
    EXPECT_EQ(fenetre->GetWindowState(), platform::ui::WindowState::Maximized);
    EXPECT_FALSE(fenetre->isFullScreen());
}

TEST_F(FenetrePrincipale, ThePFlagGoesFullScreenBeforeTheFirstShow) {
    Image("a.bmp", 10);
    Ouvre({dossier.Path() + "/", "/P"});
    EXPECT_TRUE(fenetre->PleinEcran());
    EXPECT_TRUE(fenetre->isFullScreen());
    EXPECT_EQ(Num(), 1);
}

TEST_F(FenetrePrincipale, ZoomTrackBarAndFitBox) {
    Image("a.bmp", 400, 300);
    Ouvre({dossier / "a.bmp"});
    fenetre->TrackBarCoefZoom->SetPosition(50);
    EXPECT_DOUBLE_EQ(fenetre->Korvel1->CoefZoom(), 0.5);
    EXPECT_FALSE(fenetre->CheckBoxAjuster->Checked());
    EXPECT_FALSE(fenetre->Korvel1->Stretch());
    EXPECT_EQ(fenetre->LabelZoom->text().toStdString(), "0,5");
    EXPECT_EQ(fenetre->Korvel1->ImageInterne().size(), QSize(200, 150));
    fenetre->CheckBoxAjuster->SetChecked(true);
    EXPECT_TRUE(fenetre->Korvel1->Stretch());
    fenetre->CheckBox1->SetChecked(true);
    EXPECT_TRUE(fenetre->Korvel1->SaisieRectangleProportionelle());
}

TEST_F(FenetrePrincipale, ThePictureTrackBarAndTheButtonsStep) {
    for (int i = 1; i <= 3; ++i) Image("p" + std::to_string(i) + ".bmp", 10 * i);
    Ouvre({dossier / "p1.bmp"});
    fenetre->TrackBarNumImageEnCours->SetPosition(3);
    EXPECT_EQ(Num(), 3);
    EXPECT_EQ(LargeurAffichee(), 30);
    fenetre->SpeedButtonavance1->click();
    EXPECT_EQ(Num(), 3);
    fenetre->SpeedButtonPasAPasRecule->click();
    EXPECT_EQ(Num(), 2);
    EXPECT_EQ(fenetre->TrackBarNumImageEnCours->Position(), 2);
}

TEST_F(FenetrePrincipale, TheSubFolderBoxReloadsOnlyWhenAFolderIsLoaded) {
    Image("a.bmp", 10);
    Image("sous/b.bmp", 20);
    Ouvre();
    fenetre->CheckBoxSousDossiers->setFocus();
    fenetre->CheckBoxSousDossiers->SetChecked(true);
    fenetre->CheckBoxSousDossiersMouseUp();
    EXPECT_EQ(Defile().FListe.Count(), 0) << "no folder loaded: nothing is walked";

    Defile().ChargeDossier(dossier.Path());
    EXPECT_EQ(Defile().FListe.Count(), 2);
    fenetre->TimerDefileImage->SetEnabled(true);
    fenetre->CheckBoxSousDossiers->setFocus();
    fenetre->CheckBoxSousDossiers->SetChecked(false);
    fenetre->CheckBoxSousDossiersMouseUp();
    EXPECT_EQ(Defile().FListe.Count(), 1);
    EXPECT_FALSE(fenetre->TimerDefileImage->Enabled());
}

TEST_F(FenetrePrincipale, OpeningAFolderStopsTheSlideshowEvenWhenCancelled) {
    Image("a.bmp", 10);
    const std::string b = Image("b.bmp", 20);
    Ouvre();
    fenetre->TimerDefileImage->SetEnabled(true);
    fenetre->Ouvrir1Click();
    EXPECT_FALSE(fenetre->TimerDefileImage->Enabled());
    EXPECT_EQ(Defile().FListe.Count(), 0);
    dialogues->open_answers.push_back(b);
    fenetre->Ouvrir1Click();
    EXPECT_EQ(Defile().FListe.Count(), 2);
    EXPECT_EQ(Num(), 2);
    EXPECT_EQ(dialogues->open_requests.back().file_name, "Facultatif");
}

TEST_F(FenetrePrincipale, TheShootingDataLabelsFollowThePicture) {
    const std::string camera =
        testing_support::TestData("exif-samples/jpg/exif-org/nikon-e950.jpg");
    if (!std::filesystem::exists(camera)) GTEST_SKIP();
    std::filesystem::copy_file(camera, dossier / "a.jpg");
    Image("b.bmp", 20);
    Ouvre({dossier / "a.jpg"});
    EXPECT_EQ(fenetre->LabelIso->text().toStdString(), "80 Asa");
    EXPECT_EQ(fenetre->LabelDate->text().toStdString(), "2001:04:06 11:51:40");
    EXPECT_EQ(fenetre->LabelProgramExposition->text().toStdString(), "Normal");
    EXPECT_EQ(fenetre->LabelDiaf->text().toStdString(), "diaph F5,5");
    EXPECT_EQ(fenetre->LabelFlash->text().toStdString(), "Flash Off");

    // A bitmap has no shooting data: only its size is shown.
    Touche(Qt::Key_Right);
    for (QLabel* label :
         {fenetre->LabelFlash, fenetre->LabelFocale, fenetre->LabelObjectif, fenetre->LabelVitesse,
          fenetre->LabelDiaf, fenetre->LabelIso, fenetre->LabelDate,
          fenetre->LabelProgramExposition, fenetre->LabelCorrectionExposition}) {
        EXPECT_TRUE(label->text().isEmpty()) << label->objectName().toStdString();
    }
    EXPECT_EQ(fenetre->LabelDim->text().toStdString(), "20x30");
}

TEST_F(FenetrePrincipale, TheUserCommentIsThePicturesHintOutsideFullScreen) {
    if (!testing_support::HaveProgram("exiftool")) GTEST_SKIP();
    for (const char* nom : {"a.jpg", "b.jpg"}) {
        const std::string chemin = Image(nom, 40);
        ASSERT_EQ(testing_support::Run(
                      "exiftool -q -overwrite_original -UserComment='Au bord de la mer' " +
                      testing_support::ShellQuote(chemin)),
                  0);
    }
    Ouvre({dossier / "a.jpg"});
    EXPECT_EQ(fenetre->Korvel1->toolTip().toStdString(), "Au bord de la mer");
    fenetre->BasculePleinEcran();
    Touche(Qt::Key_Right);
    EXPECT_TRUE(fenetre->Korvel1->toolTip().isEmpty());
}

}  // namespace
}  // namespace app
