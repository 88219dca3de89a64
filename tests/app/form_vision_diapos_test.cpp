#include "app/form_vision_diapos.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTimer>
#include <filesystem>

#include "app/form_creation_html.h"
#include "components/jpeg_diaporama.h"
#include "fenetre_principale.h"
#include "platform/settings/ini_file.h"
#include "touches.h"

namespace app {
namespace {

using components::TKorvel;
using testing_support::ScopedEnv;
using testing_support::TempDir;

class PlancheContact : public FenetrePrincipale {
protected:
    TFormVisionDiapos& Planche() { return *fiches.FormVisionDiapos; }
    components::TJPegDiaporama& Diaporama() { return *Planche().JPegDiaporama1; }
    TKorvel& Diapo(size_t i) { return *Diaporama().ListeDiapos().at(i); }

    void AttendChargement() {
        const QDeadlineTimer limite(30000);
        while (Diaporama().DiaposEnAttente() > 0 && !limite.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_EQ(Diaporama().DiaposEnAttente(), 0);
    }

    // JPEGs p1.jpg to pN.jpg, 110, 120, ... pixels wide, and the folder open.
    void OuvreSerie(int n) {
        for (int i = 1; i <= n; ++i) Image("p" + std::to_string(i) + ".jpg", 100 + 10 * i, 40);
        Ouvre({dossier / "p1.jpg"});
    }

    void Survole(QWidget& cible) {
        QMouseEvent mouvement(QEvent::MouseMove, QPointF(5, 5), cible.mapToGlobal(QPointF(5, 5)),
                              Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&cible, &mouvement);
    }

    void Clique(QWidget& cible) {
        const QPointF point(5, 5);
        QMouseEvent appui(QEvent::MouseButtonPress, point, cible.mapToGlobal(point), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent relache(QEvent::MouseButtonRelease, point, cible.mapToGlobal(point),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&cible, &appui);
        QCoreApplication::sendEvent(&cible, &relache);
    }

    QAction* Action(QMenu* menu, const std::string& legende) {
        for (QAction* action : menu->actions()) {
            if (action->text().toStdString() == legende) return action;
        }
        return nullptr;
    }
    QMenu* Menu(QMenuBar* barre, const std::string& titre) {
        for (QAction* action : barre->actions()) {
            if (action->text().toStdString() == titre) return action->menu();
        }
        return nullptr;
    }

    // The window keeps its settings and placement: a scratch settings file.
    TempDir reglages;
    ScopedEnv config{"XDG_CONFIG_HOME", reglages.Path()};
};

TEST_F(PlancheContact, TheCommandShowsTheWindowAndFillsIt) {
    OuvreSerie(5);
    EXPECT_FALSE(Planche().isVisible());
    EXPECT_EQ(Planche().Caption(), "Diapos");
    fenetre->SpeedButton3->click();
    EXPECT_EQ(fenetre->SpeedButton3->toolTip().toStdString(), "Planche contact");
    EXPECT_TRUE(Planche().isVisible());
    // The design's sizes become the spin edits' defaults.
    EXPECT_EQ(Diaporama().LargeurDiapo, 80);
    EXPECT_EQ(Diaporama().HauteurDiapo, 60);
    EXPECT_EQ(Planche().StatusPanel0->text().toStdString(), "5 Img");
    AttendChargement();
    std::vector<std::string> attendus;
    for (int i = 1; i <= 5; ++i) attendus.push_back(dossier / ("p" + std::to_string(i) + ".jpg"));
    EXPECT_EQ(Planche().CheminsDesDiapos(), attendus);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(Diapo(i).LargeurImage, 110 + 10 * static_cast<int>(i));
        EXPECT_NE(Diapo(i).GetPicture().GetGraphic(), nullptr);
        EXPECT_TRUE(Diapo(i).isVisible());
    }

    // The menu items and the context menu's item run the same command.
    for (QAction* action : {Action(Menu(fenetre->MainMenu1, "Affichage"), "Planche Contact"),
                            Action(Menu(fenetre->MainMenu1, "Outils"), "&Création de page HTML"),
                            Action(fenetre->PopupMenu1, "Planche Contact")}) {
        ASSERT_NE(action, nullptr);
        Planche().hide();
        Image("p6.jpg", 300, 40);
        Defile().ChargeDossier(dossier.Path());
        action->trigger();
        EXPECT_TRUE(Planche().isVisible());
        EXPECT_EQ(Planche().StatusPanel0->text().toStdString(), "6 Img");
        std::filesystem::remove(dossier / "p6.jpg");
        Defile().ChargeDossier(dossier.Path());
    }
    AttendChargement();
}

TEST_F(PlancheContact, ClosingKeepsTheThumbnailsAndDropsThePicturesToCome) {
    OuvreSerie(12);
    fenetre->ActionAffichePlancheContactExecute();
    Planche().close();
    EXPECT_FALSE(Planche().isVisible());
    EXPECT_EQ(Diaporama().DiaposEnAttente(), 0);
    for (int i = 0; i < 50; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(Diaporama().ListeDiapos().size(), 12U);
    EXPECT_EQ(Diaporama().DiaposEnAttente(), 0);
    // Shown again by the command, the sheet is whole.
    fenetre->ActionAffichePlancheContactExecute();
    AttendChargement();
    for (size_t i = 0; i < 12; ++i) EXPECT_NE(Diapo(i).GetPicture().GetGraphic(), nullptr);
}

TEST_F(PlancheContact, AnEmptyListShowsNoThumbnail) {
    Ouvre();
    fenetre->ActionAffichePlancheContactExecute();
    EXPECT_TRUE(Diaporama().ListeDiapos().empty());
    EXPECT_EQ(Planche().StatusPanel0->text().toStdString(), "0 Img");
}

TEST_F(PlancheContact, TheStatusBarNamesThePictureUnderTheMouse) {
    OuvreSerie(3);
    fenetre->ActionAffichePlancheContactExecute();
    AttendChargement();
    Survole(Diapo(1));
    EXPECT_EQ(Planche().StatusPanel1->text().toStdString(),
              dossier / "p2.jpg" + "Taille : 120 X 40");
    // Off the thumbnails, the text stays.
    Survole(*Planche().ScrollBox1);
    Survole(Diaporama());
    EXPECT_EQ(Planche().StatusPanel1->text().toStdString(),
              dossier / "p2.jpg" + "Taille : 120 X 40");
}

TEST_F(PlancheContact, AClickShowsThatPictureInTheMainWindow) {
    OuvreSerie(4);
    fenetre->ActionAffichePlancheContactExecute();
    AttendChargement();
    EXPECT_EQ(Num(), 1);
    Clique(Diapo(2));
    EXPECT_EQ(Num(), 3);
    EXPECT_EQ(LargeurAffichee(), 130);
    EXPECT_TRUE(dialogues->messages.empty());

    // A file deleted since: a message, and the picture stays.
    std::filesystem::remove(dossier / "p4.jpg");
    Clique(Diapo(3));
    EXPECT_EQ(dialogues->messages, std::vector<std::string>{"le fichier a été effacé"});
    EXPECT_EQ(Num(), 3);
}

TEST_F(PlancheContact, ABadFileAmongGoodOnesGivesOneError) {
    Image("a.jpg", 120);
    testing_support::WriteFile(dossier / "b.jpg", std::string("abîmé"));
    testing_support::WriteFile(dossier / "c.jpg", std::string("abîmé aussi"));
    Image("d.jpg", 140);
    Ouvre();
    Defile().ChargeDossier(dossier.Path());
    fenetre->ActionAffichePlancheContactExecute();
    AttendChargement();
    EXPECT_EQ(Planche().StatusPanel0->text().toStdString(), "4 Img");
    EXPECT_NE(Diapo(0).GetPicture().GetGraphic(), nullptr);
    EXPECT_EQ(Diapo(1).GetPicture().GetGraphic(), nullptr);
    EXPECT_EQ(Diapo(2).GetPicture().GetGraphic(), nullptr);
    EXPECT_EQ(Diapo(3).LargeurImage, 140);
    EXPECT_EQ(dialogues->errors.size(), 1U);
}

TEST_F(PlancheContact, AClickOnAnUnreadableFileLeavesTheWindowOnThePictureShown) {
    Image("a.jpg", 120);
    testing_support::WriteFile(dossier / "b.jpg", std::string("abîmé"));
    Image("c.jpg", 140);
    Ouvre({dossier / "a.jpg"});
    fenetre->ActionAffichePlancheContactExecute();
    AttendChargement();
    dialogues->errors.clear();
    Clique(Diapo(2));
    ASSERT_EQ(Vue(), "3 3/3 140");
    const std::string titre = fenetre->Caption();
    EXPECT_EQ(titre, dossier / "c.jpg");

    // The error is shown, and the number, the track bar and the caption stay
    // on the picture that is still on screen.
    Clique(Diapo(1));
    EXPECT_EQ(dialogues->errors.size(), 1U);
    EXPECT_EQ(Vue(), "3 3/3 140");
    EXPECT_EQ(fenetre->Caption(), titre);
    EXPECT_EQ(fenetre->Korvel1->FileName(), dossier / "c.jpg");
    Clique(Diapo(0));
    EXPECT_EQ(Vue(), "1 1/3 120");
    EXPECT_EQ(fenetre->Caption(), dossier / "a.jpg");
}

TEST_F(PlancheContact, CellSizesAndThePlacementFollowTheWindow) {
    OuvreSerie(7);
    fenetre->ActionAffichePlancheContactExecute();
    // Sizes below 10 typed in the window are passed on: thumbnails of the
    // fallback size, not placed.
    Planche().SpinEditLargeurDiapos->SetValue(0);
    Planche().SpinEditHauteurDiapos->SetValue(7);
    Planche().BitBtnValideDimDiapos->click();
    EXPECT_EQ(Diaporama().LargeurDiapo, 0);
    EXPECT_EQ(Diapo(0).size(), QSize(5, 7));
    EXPECT_FALSE(Diapo(0).isVisible());
    // Shown again, they come back as 80 and 60.
    Planche().hide();
    Planche().show();
    EXPECT_EQ(Planche().SpinEditLargeurDiapos->Value(), 80);
    EXPECT_EQ(Planche().SpinEditHauteurDiapos->Value(), 60);

    Planche().SpinEditLargeurDiapos->SetValue(100);
    Planche().SpinEditHauteurDiapos->SetValue(50);
    Planche().BitBtnValideDimDiapos->click();
    AttendChargement();
    const int largeur = Diaporama().width();
    const int colonnes = std::max(1, largeur / 105);
    EXPECT_EQ(Diapo(static_cast<size_t>(colonnes)).pos(), QPoint(0, 55));
    // A wider window places them again for its width, once Qt has laid it out.
    Planche().resize(Planche().width() + 300, Planche().height());
    const QDeadlineTimer limite(5000);
    const auto colonnes_placees = [&] {
        size_t n = 1;
        while (n < 7 && Diapo(n).pos().y() == 0) ++n;
        return static_cast<int>(n);
    };
    const auto pour_la_largeur = [&] { return std::max(1, Diaporama().width() / 105); };
    while ((colonnes_placees() == colonnes || colonnes_placees() != pour_la_largeur()) &&
           !limite.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const int nouvelles = pour_la_largeur();
    EXPECT_GT(nouvelles, colonnes);
    EXPECT_EQ(colonnes_placees(), nouvelles);
    EXPECT_EQ(Diapo(static_cast<size_t>(nouvelles)).pos(), QPoint(0, 55));
    EXPECT_EQ(Diapo(static_cast<size_t>(nouvelles) - 1).pos().y(), 0);
}

TEST_F(PlancheContact, EnterInACellSizeRebuildsTheSheetAndEscapeLeavesItOpen) {
    OuvreSerie(2);
    fenetre->ActionAffichePlancheContactExecute();
    AttendChargement();
    Planche().SpinEditLargeurDiapos->SetValue(120);
    EXPECT_EQ(Diaporama().LargeurDiapo, 80);
    testing_support::Appuie(*Planche().SpinEditLargeurDiapos, Qt::Key_Return);
    EXPECT_EQ(Diaporama().LargeurDiapo, 120);
    EXPECT_EQ(Planche().StatusPanel0->text().toStdString(), "2 Img");
    testing_support::Appuie(*Planche().SpinEditLargeurDiapos, Qt::Key_Escape);
    EXPECT_TRUE(Planche().isVisible());
    AttendChargement();
}

TEST_F(PlancheContact, SettingsComeBackFromTheSettingsFile) {
    testing_support::WriteFile(platform::SettingsFileName(),
                               std::string("[FormVisionDiapos]\nCheckBoxToujoursVisible=0\n"
                                           "SpinEditLargeurDiapos=9\nSpinEditHauteurDiapos=120\n"));
    Ouvre();
    EXPECT_FALSE(Planche().CheckBoxToujoursVisible->Checked());
    EXPECT_FALSE(Planche().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(Planche().SpinEditLargeurDiapos->Value(), 9);
    fenetre->ActionAffichePlancheContactExecute();
    EXPECT_EQ(Planche().SpinEditLargeurDiapos->Value(), 80);
    EXPECT_EQ(Planche().SpinEditHauteurDiapos->Value(), 120);
    EXPECT_EQ(Diaporama().HauteurDiapo, 120);

    // Ticked, the window stays above the others, where it was.
    const QRect place = Planche().geometry();
    Planche().CheckBoxToujoursVisible->SetChecked(true);
    EXPECT_TRUE(Planche().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(Planche().isVisible());
    EXPECT_EQ(Planche().geometry(), place);

    // Closing the main window saves them.
    Planche().SpinEditLargeurDiapos->SetValue(140);
    fenetre->close();
    const platform::IniFile ini(platform::SettingsFileName());
    EXPECT_EQ(ini.ReadInteger("FormVisionDiapos", "SpinEditLargeurDiapos", 0), 140);
    EXPECT_TRUE(ini.ReadBool("FormVisionDiapos", "CheckBoxToujoursVisible", false));
}

TEST_F(PlancheContact, TheHtmlButtonOpensTheAlbumDialog) {
    OuvreSerie(2);
    fenetre->ActionAffichePlancheContactExecute();
    // The dialog comes up modal and makes its album of the sheet's pictures.
    TFormCreationHtml& album = *fiches.FormCreationHtml;
    std::vector<std::string> vus;
    const auto regarde = [&] {
        QTimer::singleShot(0, &album, [&] {
            EXPECT_TRUE(album.isVisible() && album.isModal());
            vus = album.Diapos();
            album.close();
        });
    };
    regarde();
    Planche().BitBtnCreationPage->click();
    EXPECT_EQ(vus, Planche().CheminsDesDiapos());
    EXPECT_EQ(vus.size(), 2U);
    vus.clear();
    QMenu* outils = Menu(Planche().MainMenu1, "&Outils");
    ASSERT_NE(outils, nullptr);
    regarde();
    Action(outils, "Création d'une page HTML")->trigger();
    EXPECT_EQ(vus.size(), 2U);
    Action(Menu(Planche().MainMenu1, "&Fichier"), "&Fermer")->trigger();
    EXPECT_FALSE(Planche().isVisible());
}

}  // namespace
}  // namespace app
