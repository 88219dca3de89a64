// The HTML album dialog driven as the user would under the offscreen
// platform: what a click on "Créer la page" does to its controls, the colour
// buttons and their hidden texts, the view button and the errors shown.
#include "app/form_creation_html.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <QStatusBar>
#include <QTimer>

#include "app/fiches.h"
#include "components/routines_image.h"
#include "pictures.h"
#include "platform/core/files.h"
#include "scripted_dialogs.h"
#include "test_support.h"
#include "touches.h"

namespace app {
namespace {

using namespace testing_support;
using namespace platform::ui;

class DialogueAlbum : public ScriptedTest {
protected:
    void SetUp() override {
        ScriptedTest::SetUp();
        coquille = &RecordShell();
        WriteFile(reglages / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + bureau.Path() + "\"\n");
        MakeDirs(bureau / "photos");
        for (const char* nom : {"une.jpg", "deux.jpg"}) {
            images.push_back(bureau / (std::string("photos/") + nom));
            WriteJpeg(images.back(), *Pattern(64, 48));
        }
        fiche = CreateForm<TFormCreationHtml>(Application::Current(), fiches);
        fiche->Diapos = [this] { return images; };
    }

    // Shows the dialog and runs `pendant` once it is up.
    void Pendant(const std::function<void()>& pendant) {
        QTimer::singleShot(0, fiche, [this, pendant] {
            pendant();
            fiche->BitBtn1->click();
        });
        fiche->ShowModal();
    }

    TempDir reglages;
    ScopedEnv config{"XDG_CONFIG_HOME", reglages.Path()};
    TempDir bureau;
    Fiches fiches;
    std::vector<std::string> images;
    TFormCreationHtml* fiche = nullptr;
    RecordingShell* coquille = nullptr;
};

TEST_F(DialogueAlbum, CreatingFillsTheMissingValuesAndEnablesTheView) {
    Pendant([&] {
        EXPECT_FALSE(fiche->BitBtnVoirResultatPage->isEnabled());
        fiche->EditSousDossierPetitesImages->SetText("/vignettes");
        EXPECT_EQ(fiche->EditSousDossierPetitesImages->Text(), "vignettes");
        fiche->EditSousDossierGrandesImages->SetText("");
        fiche->SpinEditNbImgParLigne->SetRange(0, 0);
        fiche->SpinEditNbImgParLigne->SetValue(0);
        fiche->SpinEditTailleMaxPetiteImage->SetValue(-3);
        fiche->BitBtnOkCreationHtml->click();

        EXPECT_EQ(dialogues->errors, std::vector<std::string>{});
        EXPECT_EQ(fiche->EditNomFicPageHtml->Text(), bureau / "page.htm");
        EXPECT_EQ(fiche->EditSousDossierPetitesImages->Text(), "vignettes/");
        EXPECT_EQ(fiche->EditSousDossierGrandesImages->Text(), "");
        EXPECT_EQ(fiche->SpinEditNbImgParLigne->Value(), 4);
        EXPECT_EQ(fiche->SpinEditTailleMaxPetiteImage->Value(), 150);
        EXPECT_TRUE(fiche->BitBtnVoirResultatPage->isEnabled());
        EXPECT_TRUE(fiche->StatusBar1->currentMessage().isEmpty());
        fiche->BitBtnVoirResultatPage->click();
    });
    EXPECT_TRUE(platform::FileExists(bureau / "vignettes/une.jpg"));
    EXPECT_TRUE(platform::FileExists(bureau / "une.htm"));
    EXPECT_EQ(coquille->urls, std::vector<std::string>{bureau / "page.htm"});
}

TEST_F(DialogueAlbum, EnterCreatesTheAlbumAndEscapeLeavesTheDialogOpen) {
    Pendant([&] {
        Appuie(*fiche->EditTitrePage, Qt::Key_Escape);
        EXPECT_TRUE(fiche->isVisible());
        EXPECT_FALSE(fiche->BitBtnVoirResultatPage->isEnabled());
        Appuie(*fiche->EditTitrePage, Qt::Key_Return);
        EXPECT_TRUE(fiche->BitBtnVoirResultatPage->isEnabled());
        EXPECT_TRUE(fiche->isVisible());
    });
    EXPECT_TRUE(platform::FileExists(bureau / "page.htm"));
}

TEST_F(DialogueAlbum, AFirstAlbumOnAPageChosenAmongHtmlFilesHasCaptionsThatRead) {
    dialogues->open_answers = {bureau / "page.htm"};
    Pendant([&] {
        fiche->BitBtnParcourirDossierHtml->click();
        fiche->BitBtnOkCreationHtml->click();
    });
    EXPECT_EQ(dialogues->open_requests.at(0).default_extension, "html");
    for (const char* page : {"page.htm", "grandes/une.htm"})
        EXPECT_NE(ReadText(bureau / page).find(R"(<font size="2" color="#FFFFFF">)"),
                  std::string::npos);
    // On the album page they lie on cells that show the page's background.
    EXPECT_NE(ReadText(bureau / "page.htm").find("\r\n<td align=\"center\">\r\n"),
              std::string::npos);
}

TEST_F(DialogueAlbum, AnAlbumOverItsOwnPicturesIsRefusedInABox) {
    Pendant([&] {
        fiche->EditNomFicPageHtml->SetText(bureau / "photos/page.htm");
        fiche->EditSousDossierPetitesImages->SetText("");
        fiche->BitBtnOkCreationHtml->click();
        ASSERT_EQ(dialogues->errors.size(), 1u);
        EXPECT_TRUE(dialogues->errors[0].starts_with("L'album remplacerait l'image"));
        EXPECT_FALSE(fiche->BitBtnVoirResultatPage->isEnabled());
    });
    EXPECT_FALSE(platform::FileExists(bureau / "photos/page.htm"));
}

TEST_F(DialogueAlbum, ColourButtonsKeepTheirColourAsTextAndShowingRestoresIt) {
    dialogues->colour_answers = {platform::MakeColor(0x12, 0x34, 0x56), std::nullopt, std::nullopt};
    Pendant([&] {
        fiche->SpeedButtonCouleurFondClick();
        // Cancelled: the text of the colour it has all the same.
        fiche->SpeedButtonCouleurEncadrementImageClick();
        fiche->SpeedButtonCoulTexteExifClick();
    });
    EXPECT_EQ(fiche->EditSvgColorFond->Text(), "$00563412");
    EXPECT_EQ(fiche->CouleurFondExif(), platform::MakeColor(0x12, 0x34, 0x56));
    EXPECT_EQ(fiche->EditSvgColorEncadrement->Text(), "clBtnFace");
    EXPECT_EQ(fiche->EditSvgCouleurTexteExif->Text(), "clWhite");
    // The dialog starts on the colour's value, not on its role.
    const QColor bouton = QApplication::palette().color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(dialogues->colour_requests[1],
              platform::MakeColor(static_cast<uint8_t>(bouton.red()),
                                  static_cast<uint8_t>(bouton.green()),
                                  static_cast<uint8_t>(bouton.blue())));

    fiche->EditSvgColorEncadrementGrandePhoto->SetText("clred");
    fiche->EditSvgColorTexte->SetText("pas une couleur");
    Pendant([] {});
    EXPECT_EQ(fiche->PanelColorEncadrementGrandePhoto->Couleur(), platform::MakeColor(255, 0, 0));
    EXPECT_EQ(fiche->CouleurTexte(), platform::kWhite);
    EXPECT_EQ(fiche->Reglages().couleur_fond, platform::MakeColor(0x12, 0x34, 0x56));
}

TEST_F(DialogueAlbum, SystemColoursAreWrittenWithThePalettesValue) {
    const QColor bouton = QApplication::palette().color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(components::CouleurHtml(platform::kBtnFace),
              bouton.name(QColor::HexRgb).toUpper().toStdString());
    const QColor texte = QApplication::palette().color(QPalette::Active, QPalette::Text);
    EXPECT_EQ(components::CouleurHtml(platform::kWindowText),
              texte.name(QColor::HexRgb).toUpper().toStdString());
}

}  // namespace
}  // namespace app
