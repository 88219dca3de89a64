#include "app/form1.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <filesystem>

#include "app/form_options.h"
#include "fenetre_principale.h"
#include "platform/graphics/jpeg_image.h"

namespace app {
namespace {

using namespace testing_support;

TEST_F(FenetrePrincipale, TheCommandLineChoosesThePictureTheFoldersAndTheSlideshow) {
    Image("a.bmp", 10);
    const std::string b = Image("B.bmp", 20);
    Image("c.bmp", 30);
    Image("sous/d.bmp", 40);
    Ouvre({b});
    EXPECT_EQ(Vue(), "2 2/3 20");
    EXPECT_EQ(fenetre->Caption(), b);
    EXPECT_EQ(fenetre->LabelDim->text().toStdString(), "20x30");

    // A file that is not listed shows picture 1.
    Ouvre({dossier / "absent.bmp"});
    EXPECT_EQ(Vue(), "1 1/3 10");

    Ouvre({dossier / "zz.bmp", "/sa"});
    EXPECT_TRUE(fenetre->CheckBoxSousDossiers->Checked());
    EXPECT_EQ(Vue(), "1 1/4 10");
    EXPECT_TRUE(fenetre->TimerDefileImage->Enabled());
    EXPECT_EQ(fenetre->TimerDefileImage->Interval(), 4001);

    // Full screen comes before the first show.
    Ouvre({dossier.Path() + "/", "/P"});
    EXPECT_TRUE(fenetre->PleinEcran() && fenetre->isFullScreen());
    EXPECT_EQ(Num(), 1);
}

TEST_F(FenetrePrincipale, TheWindowIsUpBeforeItsFirstFolderIsScanned) {
    Image("a.bmp", 10);
    const std::string b = Image("B.bmp", 20);
    Demarre({b});
    EXPECT_TRUE(fenetre->isVisible());
    EXPECT_EQ(Defile().FListe.Count(), 0);
    int tours = 0;
    fenetre->ScruteDossier1.TraiteMessages = [&] {
        ++tours;
        EXPECT_TRUE(fenetre->isVisible());
    };
    ChargeDepart();
    EXPECT_GT(tours, 0);
    EXPECT_EQ(Vue(), "2 2/2 20");

    // Option letters alone name no folder: none is loaded, not even the root.
    Ouvre({"/S"});
    EXPECT_TRUE(fenetre->CheckBoxSousDossiers->Checked());
    EXPECT_EQ(Defile().FDossier, "");
    EXPECT_EQ(Defile().FListe.Count(), 0);
}

TEST_F(FenetrePrincipale, ClosingTheWindowDuringTheFirstScanEndsIt) {
    for (int i = 0; i < 40; ++i)
        Image("s" + std::to_string(i % 4) + "/" + std::to_string(i) + ".bmp", 10);
    Demarre({dossier / "s0/0.bmp", "/S"});
    size_t a_la_fermeture = 0;
    fenetre->ScruteDossier1.TraiteMessages = [&] {
        if (fenetre->isVisible()) {
            fenetre->close();
            a_la_fermeture = Defile().FListe.Items().size();
        }
    };
    ChargeDepart();
    EXPECT_FALSE(fenetre->ScruteDossier1.EnCours());
    EXPECT_EQ(Defile().FListe.Items().size(), a_la_fermeture) << "nothing listed after the close";
    EXPECT_LT(a_la_fermeture, 40u);
    EXPECT_EQ(affichages, 0) << "no picture shown by a program that ends";
}

TEST_F(FenetrePrincipale, AFolderOpenedDuringTheFirstScanIsTheOneShown) {
    Serie(3);
    Image("b/1.bmp", 40);
    const std::string choisi = Image("b/2.bmp", 50);
    Demarre({dossier / "p3.bmp"});
    bool fait = false;
    fenetre->ScruteDossier1.TraiteMessages = [&] {
        if (std::exchange(fait, true)) return;
        dialogues->open_answers.push_back(choisi);
        fenetre->Ouvrir1Click();
    };
    ChargeDepart();
    ASSERT_TRUE(fait);
    EXPECT_EQ(Vue(), "2 2/2 50");
    EXPECT_EQ(fenetre->Caption(), choisi);
}

TEST_F(FenetrePrincipale, NumbersAreClampedAndStepWithTheTrackBarAndTheButtons) {
    Serie(4);
    Ouvre({dossier / "p2.bmp"});
    const int avant = affichages;
    Defile().SetNumImage(2);
    EXPECT_EQ(affichages, avant) << "an unchanged number does nothing";
    Defile().SetNumImage(0);
    EXPECT_EQ(Num(), 1);
    Defile().SetNumImage(9);
    Touche(Qt::Key_Right);
    EXPECT_EQ(Vue(), "4 4/4 40");
    EXPECT_EQ(Defile().NomFichier(5) + Defile().NomFichier(0), "");

    fenetre->TrackBarNumImageEnCours->SetPosition(3);
    EXPECT_EQ(Vue(), "3 3/4 30");
    fenetre->SpeedButtonavance1->click();
    fenetre->SpeedButtonavance1->click();
    fenetre->SpeedButtonPasAPasRecule->click();
    EXPECT_EQ(Vue(), "3 3/4 30");
}

TEST_F(FenetrePrincipale, TheSlideshowWrapsBothWaysAtTheSpeedTimesTenPlusOne) {
    Serie(3);
    Ouvre({dossier / "p3.bmp"});
    fenetre->TimerDefileImageTimer();
    EXPECT_EQ(Num(), 1);
    fenetre->CheckBoxMarcheArriere->SetChecked(true);
    fenetre->TimerDefileImageTimer();
    EXPECT_EQ(Num(), 3);
    fenetre->TimerDefileImageTimer();
    EXPECT_EQ(Num(), 2);
    for (const auto& [vitesse, intervalle] :
         {std::pair{0, 1}, {1000, 10001}, {400, 4001}, {37, 371}}) {
        fenetre->TrackBarVitesse->SetPosition(vitesse);
        fenetre->TimerDefileImageTimer();
        EXPECT_EQ(fenetre->TimerDefileImage->Interval(), intervalle);
    }
}

TEST_F(FenetrePrincipale, WithoutAPictureToGoToTheSlideshowStaysOnNone) {
    // A folder without pictures stops the slideshow at its step.
    Ouvre({dossier / "rien.jpg", "/a"});
    EXPECT_EQ(Vue(), "0 1/1 0");
    EXPECT_EQ(fenetre->TrackBarNumImageEnCours->Min(), 1);
    fenetre->TimerDefileImageTimer();
    EXPECT_FALSE(fenetre->TimerDefileImage->Enabled());

    // Backward from the start there is no picture before the first.
    Image("a.bmp", 10);
    Ouvre();
    fenetre->CheckBoxMarcheArriere->SetChecked(true);
    Defile().ChargeDossier(dossier.Path());
    Defile().LanceDiaporamaDebut();
    EXPECT_EQ(Num(), 0);
}

TEST_F(FenetrePrincipale, TheNextPictureIsShownFromTheBufferOfTheFolderLoaded) {
    Image("a.jpg", 400, 300);
    const std::string b = Image("b.jpg", 200, 100);
    Image("c/1.bmp", 10);
    Image("c/2.bmp", 40);
    // A reloaded folder does not reuse the old buffer.
    Ouvre({dossier / "a.jpg"});
    EXPECT_EQ(Defile().FNumTampon, 2);
    Defile().ChargeDossier(dossier / "c/");
    Defile().SetNumImage(2);
    EXPECT_EQ(LargeurAffichee(), 40);

    // The buffer holds picture 2 decoded: its file may go, nothing decodes,
    // and the display takes the very picture read ahead, not a copy of it.
    Ouvre({dossier / "a.jpg"});
    std::filesystem::remove(b);
    const uint64_t decodages = platform::JpegImage::DecodeCount();
    const platform::Graphic* lue = fenetre->ImageTamponSuivante1->GetPicture().GetGraphic();
    Touche(Qt::Key_Right);
    EXPECT_EQ(LargeurAffichee(), 200);
    EXPECT_EQ(fenetre->Caption(), b);
    EXPECT_EQ(fenetre->Korvel1->GetPicture().GetGraphic(), lue);
    fenetre->repaint();
    EXPECT_EQ(platform::JpegImage::DecodeCount(), decodages);
}

TEST_F(FenetrePrincipale, APictureGoneOrBrokenLeavesThePreviousOneShown) {
    Serie(3);
    WriteFile(dossier / "p4.jpg", std::string("\xFF\xD8\xFF\xDB tronque", 12));
    Ouvre({dossier / "p1.bmp"});
    // Gone from the disk: nothing is said.
    std::filesystem::remove(dossier / "p3.bmp");
    Defile().SetNumImage(2);
    Defile().SetNumImage(3);
    EXPECT_EQ(Vue(), "3 3/4 20");
    EXPECT_TRUE(dialogues->errors.empty());
    // Failed to preload: reported once shown.
    EXPECT_EQ(Defile().FNumTampon, 0);
    fenetre->SpeedButtonavance1->click();
    EXPECT_EQ(Vue(), "4 4/4 20");
    ASSERT_EQ(dialogues->errors.size(), 1u);
    EXPECT_TRUE(dialogues->errors[0].starts_with("Erreur JPEG #")) << dialogues->errors[0];
}

// One slideshow step as the timer takes it, errors shown by the default handler.
void Pas(TForm1& fenetre) {
    Application::Current().Guard([&] { fenetre.TimerDefileImageTimer(); });
}

TEST_F(FenetrePrincipale, AnErrorBoxHoldsTheStepsAndTheTrackBarUntilItIsClosed) {
    Image("a.bmp", 10);
    WriteFile(dossier / "b.jpg", "");
    Image("c.bmp", 30);
    Ouvre({dossier / "a.bmp"});
    std::vector<std::string> sous_la_boite;
    dialogues->while_open = [&] {
        Pas(*fenetre);
        Pas(*fenetre);
        fenetre->TrackBarNumImageEnCours->SetPosition(3);
        fenetre->SpeedButtonPasAPasRecule->click();
        sous_la_boite.push_back(Vue());
    };
    Pas(*fenetre);
    EXPECT_EQ(sous_la_boite, std::vector<std::string>{"2 2/3 10"});
    EXPECT_EQ(dialogues->deepest, 1);
    ASSERT_EQ(dialogues->errors.size(), 1u);
    // Closed, the slideshow goes on from the picture the box was about.
    Pas(*fenetre);
    EXPECT_EQ(Vue(), "3 3/3 30");
}

TEST_F(FenetrePrincipale, AFastSlideshowOverBadFilesNeverStacksErrorBoxes) {
    Image("a.bmp", 10);
    Image("sous/b.bmp", 20);
    WriteFile(dossier / "illisible.jpg", "pas une image");
    std::filesystem::permissions(dossier / "illisible.jpg", std::filesystem::perms::none);
    WriteFile(dossier / "sous/vide.jpg", "");
    ASSERT_TRUE(QImage(8, 8, QImage::Format_RGB32)
                    .save(QString::fromStdString(dossier / "png.jpg"), "PNG"));
    Ouvre({dossier / "a.bmp", "/s"});
    ASSERT_EQ(Defile().FListe.Count(), 5);
    fenetre->TrackBarVitesse->SetPosition(0);
    // Ticks come while each box is open; a box over a box would close at
    // once, so that its count is all the fault leaves behind.
    int changements_sous_la_boite = 0;
    dialogues->while_open = [&] {
        if (dialogues->depth > 1) return;
        const std::string vue = Vue();
        for (int i = 0; i < 3; ++i) Pas(*fenetre);
        if (Vue() != vue) ++changements_sous_la_boite;
    };
    for (int i = 0; i < 500; ++i) Pas(*fenetre);
    EXPECT_EQ(dialogues->deepest, 1);
    EXPECT_EQ(changements_sous_la_boite, 0);
    // Three bad pictures out of five: each reported once at each pass.
    EXPECT_EQ(dialogues->errors.size(), 300u);
    EXPECT_EQ(Num(), 1);
    EXPECT_EQ(fenetre->TimerDefileImage->Interval(), 1);
    QCoreApplication::processEvents();
    Touche(Qt::Key_Right);
    EXPECT_EQ(Vue(), "2 2/5 10");
}

TEST_F(FenetrePrincipale, DraggingTheTrackBarAcrossUnreadablePicturesShowsOneBox) {
    Image("a.bmp", 10);
    for (const char* nom : {"b.jpg", "c.jpg", "d.jpg"}) WriteFile(dossier / nom, "");
    Image("e.bmp", 50);
    Ouvre({dossier / "a.bmp"});
    platform::ui::TrackBar& barre = *fenetre->TrackBarNumImageEnCours;
    for (const int fin : {5, 3}) {
        barre.setSliderDown(true);
        for (int position = barre.Position(); position != fin;)
            barre.SetPosition(position += fin > position ? 1 : -1);
        barre.setSliderDown(false);
    }
    EXPECT_EQ(dialogues->errors.size(), 2u) << "one for each drag";
    EXPECT_EQ(Vue(), "3 3/5 50");
}

TEST_F(FenetrePrincipale, ALoadDuringAScanSupersedesIt) {
    for (int i = 0; i < 5; ++i) Image("a/" + std::to_string(i) + ".bmp", 10);
    Image("b/seule.bmp", 20);
    Ouvre();
    bool fait = false;
    fenetre->ScruteDossier1.TraiteMessages = [&] {
        if (!std::exchange(fait, true)) Defile().ChargeDossier(dossier / "b/");
    };
    Defile().ChargeDossier(dossier / "a/");
    ASSERT_TRUE(fait);
    EXPECT_EQ(Defile().FListe.Items(), std::vector<std::string>{dossier / "b/seule.bmp"});
    EXPECT_EQ(Defile().FDossier, dossier / "b/");
}

TEST_F(FenetrePrincipale, TheSameFileUnderAnotherNameHasItsNumber) {
    Serie(2);
    std::filesystem::create_symlink(dossier / "p2.bmp", dossier / "lien");
    Ouvre({dossier / "p1.bmp"});
    EXPECT_EQ(Defile().IndexFichier(dossier / "lien"), 2);
    EXPECT_EQ(Defile().IndexFichier(dossier / "./p2.bmp"), 2);
    EXPECT_EQ(Defile().IndexFichier(dossier / "c.bmp"), 0);

    // A listed link to a listed picture: the path asked for wins.
    std::filesystem::create_symlink(dossier / "p1.bmp", dossier / "p3.bmp");
    Ouvre({dossier / "p3.bmp"});
    EXPECT_EQ(Vue(), "3 3/3 10");
    EXPECT_EQ(Defile().IndexFichier(dossier / "./p3.bmp"), 3);
}

TEST_F(FenetrePrincipale, TheWheelStepsAtMostEveryQuarterSecondWhereverItTurns) {
    constexpr double kSeconde = 1.0 / 86400.0;  // in days
    Serie(5);
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

TEST_F(FenetrePrincipale, KeysStepAndToggleFullScreenBackToTheWindowLeft) {
    Serie(3);
    Ouvre({dossier / "p1.bmp"});
    // The window opens with the focus on a check box, which lets Escape go on
    // up to the window after the preview has hidden it.
    Touche(Qt::Key_Escape);
    EXPECT_TRUE(fenetre->PleinEcran());
    Touche(Qt::Key_Escape);
    EXPECT_FALSE(fenetre->PleinEcran());
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
    EXPECT_TRUE(fenetre->PleinEcran() && fenetre->isFullScreen());
    EXPECT_TRUE(fenetre->PanelControl->isHidden() && fenetre->MainMenu1->isHidden());
    EXPECT_EQ(fenetre->ActionPleinEcran->text().toStdString(), "Retour écran normal");
    Touche(Qt::Key_Space);
    EXPECT_FALSE(fenetre->PleinEcran());
    EXPECT_FALSE(fenetre->PanelControl->isHidden() || fenetre->MainMenu1->isHidden());
    EXPECT_EQ(fenetre->ActionPleinEcran->text().toStdString(), "Plein écran");
    EXPECT_EQ(fenetre->geometry(), QRect(40, 30, 900, 500));

    fenetre->SetWindowState(platform::ui::WindowState::Maximized);
    fenetre->BasculePleinEcran();
    fenetre->BasculePleinEcran();
    EXPECT_EQ(fenetre->GetWindowState(), platform::ui::WindowState::Maximized);
    EXPECT_FALSE(fenetre->isFullScreen());
}

TEST_F(FenetrePrincipale, TheWindowOpensCentredAndComesBackThereFromAStartInFullScreen) {
    Serie(1);
    // Centred, title bar and all, at its design size.
    const QRect zone = QGuiApplication::primaryScreen()->availableGeometry();
    const auto centree = [&](const char* quand) {
        const QRect cadre = fenetre->frameGeometry();
        const int marge = cadre.width() - fenetre->width();
        EXPECT_GE(cadre.top(), zone.top()) << quand;
        EXPECT_LE(cadre.bottom(), zone.bottom()) << quand;
        EXPECT_NEAR(cadre.center().y(), zone.center().y(), marge) << quand;
        EXPECT_NEAR(cadre.center().x(), zone.center().x(), marge) << quand;
        EXPECT_EQ(fenetre->size(), QSize(1060, 613)) << quand;
    };
    Ouvre({dossier / "p1.bmp"});
    centree("at start");
    const QSize taille = fenetre->size();

    Ouvre({dossier / "p1.bmp", "/P"});
    ASSERT_TRUE(fenetre->isFullScreen());
    Touche(Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(fenetre->isFullScreen() || fenetre->PleinEcran());
    centree("back from full screen");
    EXPECT_EQ(fenetre->size(), taille);
}

TEST_F(FenetrePrincipale, ZoomTrackBarAndFitBox) {
    Image("a.bmp", 400, 300);
    Ouvre({dossier / "a.bmp"});
    fenetre->TrackBarCoefZoom->SetPosition(50);
    EXPECT_DOUBLE_EQ(fenetre->Korvel1->CoefZoom(), 0.5);
    EXPECT_FALSE(fenetre->CheckBoxAjuster->Checked() || fenetre->Korvel1->Stretch());
    EXPECT_EQ(fenetre->LabelZoom->text().toStdString(), "0,5");
    EXPECT_EQ(fenetre->Korvel1->ImageInterne().size(), QSize(200, 150));
    fenetre->CheckBoxAjuster->SetChecked(true);
    EXPECT_TRUE(fenetre->Korvel1->Stretch());
    fenetre->CheckBox1->SetChecked(true);
    EXPECT_TRUE(fenetre->Korvel1->SaisieRectangleProportionelle());
}

TEST_F(FenetrePrincipale, TheSubFolderBoxAndTheOpenCommandReloadTheFolder) {
    Serie(2);
    Image("sous/b.bmp", 30);
    Ouvre();
    const auto coche = [&](bool sous_dossiers) {
        fenetre->CheckBoxSousDossiers->setFocus();
        fenetre->CheckBoxSousDossiers->SetChecked(sous_dossiers);
        fenetre->CheckBoxSousDossiersMouseUp();
    };
    coche(true);
    EXPECT_EQ(Defile().FListe.Count(), 0) << "no folder loaded: nothing is walked";

    // Opening stops the slideshow even when cancelled.
    fenetre->TimerDefileImage->SetEnabled(true);
    fenetre->Ouvrir1Click();
    EXPECT_FALSE(fenetre->TimerDefileImage->Enabled());
    EXPECT_EQ(Defile().FListe.Count(), 0);
    dialogues->open_answers.push_back(dossier / "p2.bmp");
    fenetre->Ouvrir1Click();
    EXPECT_EQ(dialogues->open_requests.back().file_name, "Facultatif");
    EXPECT_EQ(Vue(), "2 2/3 20");
    // The proposed name, accepted as it stands, opens the folder at its first picture.
    EXPECT_FALSE(dialogues->open_requests.back().must_exist);
    dialogues->open_answers.push_back(dossier / "Facultatif");
    fenetre->Ouvrir1Click();
    EXPECT_EQ(Vue(), "1 1/3 10");

    fenetre->TimerDefileImage->SetEnabled(true);
    coche(false);
    EXPECT_EQ(Defile().FListe.Count(), 2);
    EXPECT_FALSE(fenetre->TimerDefileImage->Enabled());
}

// Unticking the box while a sub-folder's picture is shown reloads the folder
// alone: the picture stays, as the commands' picture, until the next move.
TEST_F(FenetrePrincipale, TheSubFolderBoxKeepsThePictureShownUntilTheNextMove) {
    REQUIRE_PROGRAM("identify");
    Serie(2);
    const std::string sous = Image("sous/b.bmp", 30, 20);
    const auto decoche = [&](bool sous_dossiers) {
        fenetre->CheckBoxSousDossiers->setFocus();
        fenetre->CheckBoxSousDossiers->SetChecked(sous_dossiers);
        fenetre->CheckBoxSousDossiersMouseUp();
    };
    Ouvre({dossier / "p1.bmp", "/s"});
    Defile().SetNumImage(3);
    decoche(false);
    EXPECT_EQ(Vue(), "1 1/2 30");
    EXPECT_EQ(fenetre->Caption() + "|" + fenetre->Korvel1->FileName(), sous + "|" + sous);
    EXPECT_EQ(fenetre->LabelDim->text().toStdString(), "30x20");
    // The commands act on the file shown: turned and saved over it.
    fenetre->Rotation90Enregistrer1Click();
    EXPECT_TRUE(dialogues->questions.empty());
    EXPECT_EQ(Identify("%w %h", sous), "20 30");
    Touche(Qt::Key_Right);
    EXPECT_EQ(Vue(), "2 2/2 20");

    // Deleted, the picture shown goes to the trash and the list's first shows.
    decoche(true);
    Defile().SetNumImage(3);
    decoche(false);
    dialogues->yes_no_answers = {true};
    fenetre->ActionEffacerExecute();
    EXPECT_FALSE(std::filesystem::exists(sous));
    EXPECT_EQ(Vue(), "1 1/2 10");
    EXPECT_EQ(fenetre->Caption(), dossier / "p1.bmp");

    // A picture whose file went meanwhile leaves the screen at the reload.
    Image("sous/c.bmp", 40);
    decoche(true);
    Defile().SetNumImage(3);
    std::filesystem::remove(dossier / "sous/c.bmp");
    decoche(false);
    EXPECT_EQ(Vue(), "1 1/2 0");
    EXPECT_EQ(fenetre->Caption() + fenetre->Korvel1->FileName(), "Visualisateur de diapos");
}

// A folder opened while the one shown is scanned, then loaded again by the
// box before its scan ended: the picture of the folder left does not stay.
TEST_F(FenetrePrincipale, APictureOfTheFolderLeftGoesEvenWhenItsLoadWasSuperseded) {
    Image("a/1.bmp", 10);
    for (int i = 0; i < 3; ++i) Image("b/" + std::to_string(i) + ".bmp", 20);
    Ouvre({dossier / "a/1.bmp"});
    bool fait = false;
    fenetre->ScruteDossier1.TraiteMessages = [&] {
        if (std::exchange(fait, true)) return;
        fenetre->CheckBoxSousDossiers->setFocus();
        fenetre->CheckBoxSousDossiers->SetChecked(true);
        fenetre->CheckBoxSousDossiersMouseUp();
    };
    dialogues->open_answers.push_back(dossier / "b/Facultatif");
    fenetre->Ouvrir1Click();
    ASSERT_TRUE(fait);
    EXPECT_EQ(Vue(), "1 1/3 0");
    EXPECT_EQ(fenetre->Korvel1->FileName(), "");
}

TEST_F(FenetrePrincipale, TheShootingDataAndTheCommentFollowThePicture) {
    const std::string camera = TestData("exif-samples/jpg/exif-org/nikon-e950.jpg");
    REQUIRE_PROGRAM("exiftool");
    std::filesystem::copy_file(camera, dossier / "a.jpg");
    // ExifTool stores a comment beyond ASCII as UTF-16.
    ASSERT_EQ(ExifToolWrite("'-UserComment=Été au bord de la mer'", dossier / "a.jpg"), 0);
    Image("b.bmp", 20);
    Ouvre({dossier / "a.jpg"});
    const auto etiquettes = [&] {
        std::string textes;
        for (QLabel* label :
             {fenetre->LabelIso, fenetre->LabelDate, fenetre->LabelProgramExposition,
              fenetre->LabelDiaf, fenetre->LabelFlash, fenetre->LabelFocale, fenetre->LabelObjectif,
              fenetre->LabelVitesse, fenetre->LabelCorrectionExposition}) {
            textes += label->text().toStdString() + "|";
        }
        return textes;
    };
    EXPECT_TRUE(etiquettes().starts_with("80 Asa|2001:04:06 11:51:40|Normal|diaph F5,5|Flash Off|"))
        << etiquettes();
    EXPECT_EQ(fenetre->Korvel1->toolTip().toStdString(), "Été au bord de la mer");

    // A bitmap has no shooting data: only its size is shown.
    Touche(Qt::Key_Right);
    EXPECT_EQ(etiquettes(), "|||||||||");
    EXPECT_EQ(fenetre->LabelDim->text().toStdString(), "20x30");

    // In full screen a picture with a comment shows no hint.
    fenetre->BasculePleinEcran();
    Touche(Qt::Key_Left);
    EXPECT_TRUE(fenetre->Korvel1->toolTip().isEmpty());
}

TEST_F(FenetrePrincipale, AFolderWithNothingToShowLeavesNothingOfTheFolderBefore) {
    Serie(2);
    Image("seule/c.bmp", 30);
    MakeDirs(dossier / "vide");
    MakeDirs(dossier / "illisible");
    WriteFile(dossier / "illisible/d.jpg", "");
    for (const std::string& autre :
         {dossier / "seule/c.bmp", dossier / "vide/Facultatif", dossier / "illisible/d.jpg"}) {
        Ouvre({dossier / "p1.bmp"});
        dialogues->open_answers = {autre};
        Application::Current().Guard([&] { fenetre->Ouvrir1Click(); });
        EXPECT_EQ(fenetre->ImageTamponSuivante1->GetPicture().Width(), 0) << "no preview";
    }
    EXPECT_EQ(
        fenetre->Caption() + fenetre->LabelDim->text().toStdString() + fenetre->Korvel1->FileName(),
        "Visualisateur de diapos");
    // The commands on the picture have nothing to act on.
    fiches.FormOptions->EditDossierPhotoAMettreDeCote->SetText(dossier.Path());
    for (const auto commande :
         {&TForm1::ActionEffacerExecute, &TForm1::EnregistrerSousClick,
          &TForm1::Mettredecotcopie1Click, &TForm1::ActionLanceProgRetouchePhotos1Execute})
        (fenetre->*commande)();
    EXPECT_EQ(dialogues->questions.size() + dialogues->save_requests.size(), 0u);
    // But for the program, which starts without a picture: none is set.
    EXPECT_EQ(dialogues->messages,
              std::vector<std::string>{"Pas de programme défini. Allez dans les options pour "
                                       "informer le programme à lancer."});
}

// At the window's first size the usual values of the shooting data show
// whole, a photo's as read and others of every label: at the design width,
// and down to what a window manager leaves on a screen 1024 pixels wide.
TEST_F(FenetrePrincipale, UsualShootingDataShowWholeAtTheFirstSize) {
    REQUIRE_PROGRAM("exiftool");
    const std::string photo = dossier / "f11.jpg";
    std::filesystem::copy_file(TestData("exif-samples/jpg/exif-org/canon-ixus.jpg"), photo);
    ASSERT_EQ(ExifToolWrite("-FNumber=11 -ExposureTime=1/1000 -ISO=100", photo), 0);
    Ouvre({photo});
    ASSERT_EQ(fenetre->width(), 1060);
    EXPECT_EQ(fenetre->LabelDiaf->text().toStdString() + "|" +
                  fenetre->LabelVitesse->text().toStdString() + "|" +
                  fenetre->LabelIso->text().toStdString(),
              "diaph F11,0|1/1000 sec|100 Asa");

    const std::vector<std::pair<platform::ui::ElidedLabel*, std::vector<std::string>>> usuelles{
        {fenetre->LabelDiaf, {"diaph F2,8", "diaph F11,0", "diaph F22,0"}},
        {fenetre->LabelVitesse, {"1/1000 sec", "1/4000 sec", "10/483 sec", "0,0059 sec (1/169)"}},
        {fenetre->LabelIso, {"100 Asa", "1600 Asa", "12800 Asa"}},
        {fenetre->LabelDate, {"2001:04:06 11:51:40", "2006:12:28 23:59:59"}},
        {fenetre->LabelCorrectionExposition, {"Cor. exp 0/100", "Cor. exp -10/30"}},
        {fenetre->LabelFocale,
         {" focale : 10,81 mm", " focale : 135,00 mm", " focale : 200,00 mm"}},
        {fenetre->LabelObjectif, {"Zoom  17x 85 F2,8", "Zoom  70x 200 F2,8"}},
        {fenetre->LabelProgramExposition, {"Prio Vitesse", "Prio Diaph"}},
        {fenetre->LabelFlash,
         {"Flash Off", "Flash On", "Flash Off, surpressed", "Flash On, auto mode",
          "Flash Off, auto mode", "Flash On, forced"}},
    };
    for (const int largeur : {1060, 1040, 1022}) {
        fenetre->resize(largeur, fenetre->height());
        ASSERT_EQ(fenetre->width(), largeur);
        for (const auto& [label, textes] : usuelles) {
            for (const std::string& texte : textes) {
                label->SetText(texte);
                EXPECT_EQ(label->text().toStdString(), texte)
                    << label->objectName().toStdString() << " at " << largeur;
            }
        }
    }
}

// Where the panel's controls stand, as "left+width" in the panel: the three
// columns of the shooting data by their second row's labels, then the
// commands from the picture bar's caption to the next picture's preview.
std::string Places(const TForm1& fenetre) {
    std::string places;
    for (const QWidget* control : std::initializer_list<const QWidget*>{
             fenetre.LabelVitesse, fenetre.LabelDiaf, fenetre.LabelCorrectionExposition,
             fenetre.Label1, fenetre.TrackBarNumImageEnCours, fenetre.Label2,
             fenetre.TrackBarVitesse, fenetre.GroupBox1, fenetre.TrackBarCoefZoom,
             fenetre.CheckBoxAjuster, fenetre.CheckBox1, fenetre.ImageTamponSuivante1}) {
        const QPoint coin = control->mapTo(fenetre.PanelControl, QPoint());
        if (control == fenetre.Label1) places += "|";
        places += std::to_string(coin.x()) + "+" + std::to_string(control->width()) + " ";
    }
    return places;
}

// What is wrong with the panel as it stands: two controls of one parent that
// cover each other, a control out of its parent, a caption cut.
std::string Defauts(QWidget& panneau) {
    std::string defauts;
    const auto nom = [](const QWidget* w) { return w->objectName().toStdString() + " "; };
    QList<QWidget*> parents = panneau.findChildren<QWidget*>();
    parents.append(&panneau);
    for (const QWidget* parent : parents) {
        std::vector<const QWidget*> controles;
        for (const QWidget* w : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible()) controles.push_back(w);
        for (size_t i = 0; i < controles.size(); ++i) {
            const QRect place = controles[i]->geometry();
            if (!parent->rect().contains(place)) defauts += nom(controles[i]) + "out; ";
            for (size_t j = i + 1; j < controles.size(); ++j) {
                if (place.intersects(controles[j]->geometry()))
                    defauts += nom(controles[i]) + "over " + nom(controles[j]) + "; ";
            }
        }
        const int besoin = [&] {
            if (const auto* label = qobject_cast<const QLabel*>(parent))
                return label->fontMetrics().horizontalAdvance(label->text());
            if (qobject_cast<const QCheckBox*>(parent) != nullptr)
                return parent->sizeHint().width();
            if (qobject_cast<const QGroupBox*>(parent) != nullptr)
                return parent->minimumSizeHint().width();
            return 0;
        }();
        if (besoin > parent->contentsRect().width()) defauts += nom(parent) + "cut; ";
    }
    return defauts;
}

// In a window narrower than designed the track bars give their width, the
// picture bar first, the controls on their right following them, and the
// shooting data keep theirs; no control covers another and every caption
// shows whole, also where the window is narrower than the bars can make up.
TEST_F(FenetrePrincipale, NarrowerThanDesignedTheTrackBarsGiveWayToTheShootingData) {
    Ouvre();
    // The widest size a picture file can have.
    fenetre->LabelDim->setText("65535x65535");
    // At the design width, the places the panel always had.
    const std::string commandes =
        "284+140 280+142 432+112 428+116 548+140 552+74 626+60 692+86 764+33 ";
    ASSERT_EQ(fenetre->width(), 1060);
    EXPECT_EQ(Places(*fenetre), "802+104 910+63 977+81 |" + commandes);
    for (const auto& [largeur, places] : std::initializer_list<std::pair<int, std::string>>{
             {1280, "802+196 1002+119 1125+153 |" + commandes},
             {1040,
              "782+104 890+63 957+81 |284+120 280+122 "
              "412+112 408+116 528+140 532+74 606+60 672+86 744+33 "},
             {1022,
              "764+104 872+63 939+81 |284+102 280+104 "
              "394+112 390+116 510+140 514+74 588+60 654+86 726+33 "},
             {960, ""},
             {900, ""}}) {
        fenetre->resize(largeur, fenetre->height());
        ASSERT_EQ(fenetre->width(), largeur);
        if (!places.empty()) EXPECT_EQ(Places(*fenetre), places) << largeur;
        EXPECT_EQ(Defauts(*fenetre->PanelControl), "") << largeur;
    }
}

}  // namespace
}  // namespace app
