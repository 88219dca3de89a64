// The folder tools' dialogs, opened from the main window's menu as the
// program makes them, on scripted dialogs.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "app/form_ajout_prefixe.h"
#include "app/form_modif_taille_jpg_1_dossier.h"
#include "app/form_rotation_automatique.h"
#include "fenetre_principale.h"
#include "pictures.h"
#include "platform/ui/application.h"
#include "touches.h"

namespace app {
namespace {

using namespace testing_support;
using platform::ui::Form;

class OutilsDossier : public FenetrePrincipale {
protected:
    // Runs `pendant` once `form` is up, while the menu item opens it.
    void Pendant(Form& form, const std::string& article, const std::function<void()>& pendant) {
        QTimer::singleShot(0, &form, [&form, pendant] {
            QApplication::setActiveWindow(&form);
            pendant();
            form.close();
        });
        Article(article)->trigger();
    }

    QAction* Article(const std::string& texte) {
        for (QAction* menu : fenetre->MainMenu1->actions()) {
            if (menu->text() != "Outils") continue;
            for (QAction* a : menu->menu()->actions())
                if (a->text().toStdString() == texte) return a;
        }
        ADD_FAILURE() << texte;
        return nullptr;
    }

    std::vector<std::string> Liste() {
        std::vector<std::string> noms;
        for (int i = 0; i < Defile().FListe.Count(); ++i) noms.push_back(Defile().FListe[i]);
        std::sort(noms.begin(), noms.end());
        return noms;
    }
};

TEST_F(OutilsDossier, TheToolsMenuInItsOrder) {
    Ouvre();
    std::vector<std::string> articles;
    for (QAction* menu : fenetre->MainMenu1->actions()) {
        if (menu->text() != "Outils") continue;
        for (QAction* a : menu->menu()->actions()) articles.push_back(a->text().toStdString());
    }
    // Other entries of the menu may come between ours.
    const std::vector<std::string> nos = {"Ajout de préfixe", "&Options",
                                          "Rotation de toutes les photos verticales d'un dossier",
                                          "Modifier la taille des images d'un dossier"};
    auto suite = articles.begin();
    for (const std::string& n : nos) {
        suite = std::find(suite, articles.end(), n);
        ASSERT_NE(suite, articles.end()) << n;
    }
}

TEST_F(OutilsDossier, RenamingPreviewsAsksRenamesAndReloadsTheMainList) {
    Image("p1.jpg", 40);
    Image("P2.JPG", 30);
    Image("sous/s.jpg", 20);
    Ouvre({dossier / "p1.jpg"});
    TFormAjoutPrefixe& f = *fiches.FormAjoutPrefixe;
    dialogues->yes_no_answers = {true};
    Pendant(f, "Ajout de préfixe", [&] {
        EXPECT_EQ(f.EditChoixDossier->Text(), dossier.Path() + "/");
        f.EditTextePrefixe->SetText("vacances");
        EXPECT_EQ(f.LabelJpgDevient->text(), "vacances$jpg001.jpg");
        f.RadioButton2->click();
        EXPECT_EQ(f.LabelChoixPrefix->text(), "Choix du suffixe");
        EXPECT_EQ(f.LabelJpgDevient->text(), "jpg001$vacances.jpg");
        f.ComboBoxSeparateur->setCurrentText("_");
        EXPECT_EQ(f.LabelJpgDevient->text(), "jpg001_vacances.jpg");
        f.BitBtnOk->click();
        EXPECT_FALSE(f.isVisible());
    });
    EXPECT_EQ(dialogues->questions,
              std::vector<std::string>{"Renommer tous les fichiers jpg du dossier \n" +
                                       dossier.Path() + "/\n sous la forme jpg001_vacances.jpg ?"});
    EXPECT_EQ(Liste(),
              (std::vector<std::string>{dossier / "P2_vacances.JPG", dossier / "p1_vacances.jpg"}));
    EXPECT_TRUE(std::filesystem::exists(dossier / "sous/s.jpg"));
    EXPECT_TRUE(dialogues->messages.empty());

    // Another folder renamed: the main list is read again all the same, and
    // shows what came into its folder meanwhile.
    Image("n.bmp", 10);
    dialogues->yes_no_answers = {true};
    Pendant(f, "Ajout de préfixe", [&] {
        f.EditChoixDossier->SetText(dossier / "sous/s.jpg");
        f.BitBtnOk->click();
    });
    EXPECT_TRUE(std::filesystem::exists(dossier / "sous/s_vacances.jpg"));
    EXPECT_EQ(Liste(), (std::vector<std::string>{dossier / "P2_vacances.JPG", dossier / "n.bmp",
                                                 dossier / "p1_vacances.jpg"}));

    // A slash is refused before anything is asked or moved.
    dialogues->questions.clear();
    Pendant(f, "Ajout de préfixe", [&] {
        f.EditTextePrefixe->SetText("a/b");
        f.BitBtnOk->click();
    });
    EXPECT_TRUE(dialogues->questions.empty());
    EXPECT_EQ(dialogues->messages,
              std::vector<std::string>{
                  "Le texte et le séparateur ne peuvent pas contenir le caractère \"/\"."});

    // A name taken is reported and its file left: a.jpg comes before x_a.jpg.
    Image("x_a.jpg", 10);
    Image("a.jpg", 20);
    dialogues->messages.clear();
    dialogues->yes_no_answers = {true};
    Pendant(f, "Ajout de préfixe", [&] {
        f.EditChoixDossier->SetText(dossier / "a.jpg");
        f.RadioButtonPrefixe->click();
        f.EditTextePrefixe->SetText("x");
        f.BitBtnOk->click();
    });
    ASSERT_EQ(dialogues->messages.size(), 1u);
    EXPECT_EQ(Split(dialogues->messages[0]).back(), dossier / "a.jpg");
    EXPECT_EQ(Identify("%w", dossier / "a.jpg"), "20");
    EXPECT_EQ(Identify("%w", dossier / "x_x_a.jpg"), "10");
}

TEST_F(OutilsDossier, EscapeLeavesTheNamesAndEnterRenames) {
    Image("p1.jpg", 40);
    Ouvre({dossier / "p1.jpg"});
    TFormAjoutPrefixe& f = *fiches.FormAjoutPrefixe;
    Pendant(f, "Ajout de préfixe", [&] {
        f.RadioButtonPrefixe->click();
        f.EditTextePrefixe->SetText("vacances");
        Appuie(*f.EditTextePrefixe, Qt::Key_Escape);
        EXPECT_FALSE(f.isVisible());
    });
    EXPECT_TRUE(dialogues->questions.empty());
    EXPECT_EQ(Liste(), std::vector<std::string>{dossier / "p1.jpg"});

    dialogues->yes_no_answers = {true};
    Pendant(f, "Ajout de préfixe", [&] {
        Appuie(*f.EditTextePrefixe, Qt::Key_Return);
        EXPECT_FALSE(f.isVisible());
    });
    EXPECT_EQ(dialogues->questions.size(), 1u);
    EXPECT_EQ(Liste(), std::vector<std::string>{dossier / "vacances$p1.jpg"});
}

TEST_F(OutilsDossier, RotationListsTheTurnedPhotosAndLocksItsButtonsWhileItRuns) {
    for (const char* nom : {"portrait_6.jpg", "portrait_3.jpg", "landscape_8.jpg"}) {
        std::filesystem::copy_file(TestData(std::string("exif-samples/jpg/orientation/") + nom),
                                   dossier / nom);
    }
    Ouvre({dossier / "portrait_3.jpg"});
    TFormRotationAutomatiquePhotosVerticales& f = *fiches.FormRotationAutomatiquePhotosVerticales;
    EXPECT_EQ(Application::Current().HintPause(), 0);
    Pendant(f, "Rotation de toutes les photos verticales d'un dossier", [&] {
        EXPECT_EQ(f.EditFichierSource->Text(), dossier / "portrait_3.jpg");
        EXPECT_FALSE(f.SpinEdittauxCompression->isEnabled());
        f.CheckBoxTauxDeCompressionAutomatique->click();
        EXPECT_TRUE(f.SpinEdittauxCompression->isEnabled());
        f.CheckBoxTauxDeCompressionAutomatique->click();

        // The sub-folder box asks at once, and again when the run starts;
        // while that question is up, the run's buttons are locked.
        dialogues->yes_no_answers = {true, true};
        f.CheckBoxCisSousDossiers->SetChecked(true);
        f.CheckBoxCisSousDossiersMouseUp();
        EXPECT_EQ(f.LabelAttention->text(), "ATTENTION DANGER");
        dialogues->while_open = [&] {
            EXPECT_TRUE(f.EnCours());
            EXPECT_FALSE(f.ButtonModifierLesImages->isEnabled());
            EXPECT_FALSE(f.ButtonRevenirAOrigine->isEnabled());
            f.ButtonRevenirAOrigineClick();
            f.close();
            EXPECT_TRUE(f.isVisible());
        };
        f.ButtonModifierLesImages->click();
        dialogues->while_open = nullptr;
        EXPECT_TRUE(f.ButtonModifierLesImages->isEnabled());
        EXPECT_EQ(f.Memo1->Lines(), std::vector<std::string>{dossier / "portrait_6.jpg"});
        EXPECT_EQ(f.LabelAfficheNomFichierTraite->text(), "fin du traitement");
        EXPECT_EQ(dialogues->questions.back(), "ATTENTION DANGER : cetaines images du dossier " +
                                                   dossier.Path() +
                                                   "/ et ses sous-dossiers seront modifiées");

        f.CheckBoxCisSousDossiers->SetChecked(true);
        f.CheckBoxCisSousDossiersMouseUp();
        EXPECT_FALSE(f.CheckBoxCisSousDossiers->Checked());
        EXPECT_EQ(f.LabelAttention->text(), "");

        f.ButtonRevenirAOrigine->click();
        EXPECT_EQ(f.Memo1->Lines(), (std::vector<std::string>{dossier / "landscape_8.jpg",
                                                              dossier / "portrait_6.jpg"}));
        f.EditFichierSource->SetText("sans-dossier.jpg");
        f.ButtonModifierLesImages->click();
        EXPECT_EQ(dialogues->messages, std::vector<std::string>{"Nom de dossier non valide"});
    });
    EXPECT_EQ(Identify("%w %h", dossier / "portrait_6.jpg"), "600 450");
}

TEST_F(OutilsDossier, RotationNamesAtTheEndThePhotosItCouldNotRead) {
    const std::vector<uint8_t> photo =
        ReadFile(TestData("exif-samples/jpg/orientation/portrait_6.jpg"));
    const std::vector<uint8_t> coupee = Cut(photo, (MarkerOffset(photo, 0xDA) + photo.size()) / 2);
    WriteFile(dossier / "coupee.jpg", coupee);
    std::filesystem::copy_file(TestData("exif-samples/jpg/orientation/portrait_8.jpg"),
                               dossier / "portrait_8.jpg");
    Ouvre({dossier / "portrait_8.jpg"});
    TFormRotationAutomatiquePhotosVerticales& f = *fiches.FormRotationAutomatiquePhotosVerticales;
    Pendant(f, "Rotation de toutes les photos verticales d'un dossier", [&] {
        f.ButtonModifierLesImages->click();
        EXPECT_EQ(f.Memo1->Lines(), std::vector<std::string>{dossier / "portrait_8.jpg"});
        EXPECT_EQ(f.LabelAfficheNomFichierTraite->text(), "fin du traitement");
        EXPECT_EQ(dialogues->messages,
                  std::vector<std::string>{
                      "Ces fichiers n'ont pas pu être lus et n'ont pas été modifiés :\n" +
                      dossier / "coupee.jpg" + " (Image JPEG incomplète ou endommagée)"});
        // A run that finds nothing unreadable says nothing.
        dialogues->messages.clear();
        std::filesystem::remove(dossier / "coupee.jpg");
        f.ButtonRevenirAOrigine->click();
        EXPECT_EQ(f.Memo1->Lines(), std::vector<std::string>{dossier / "portrait_8.jpg"});
        EXPECT_TRUE(dialogues->messages.empty());
        WriteFile(dossier / "coupee.jpg", coupee);
    });
    EXPECT_EQ(ReadFile(dossier / "coupee.jpg"), coupee);
}

TEST_F(OutilsDossier, FolderResizeTreatsTheFolderAndReportsWhatItCouldNotRead) {
    Image("a.jpg", 400, 300);
    Image("b.bmp", 300, 400);
    WriteFile(dossier / "c.jpg", std::string("abîmé"));
    Ouvre({dossier / "a.jpg"});
    TFormModifTailleJPG1Dossier& f = *fiches.FormModifTailleJPG1Dossier;
    Pendant(f, "Modifier la taille des images d'un dossier", [&] {
        EXPECT_EQ(f.EditFichierSource->Text(), dossier / "a.jpg");
        EXPECT_FALSE(f.LabelDanger->isVisible());
        f.SpinPlusGrandeTaille->SetValue(200);
        f.CheckBoxBMP->SetChecked(true);
        f.Go->click();
        EXPECT_TRUE(f.Go->isEnabled());
        EXPECT_TRUE(f.BitBtn1->isEnabled());
        EXPECT_EQ(f.LabelAfficheNomFichierTraite->text(), "");
        // The sub-folder question comes once the run has locked its buttons.
        f.CheckBoxCisSousDossiers->SetChecked(true);
        dialogues->while_open = [&] {
            EXPECT_FALSE(f.Go->isEnabled());
            EXPECT_FALSE(f.BitBtn1->isEnabled());
            f.close();
            EXPECT_TRUE(f.isVisible());
        };
        f.Go->click();
        dialogues->while_open = nullptr;
        EXPECT_EQ(dialogues->questions.back(), "ATTENTION DANGER : toutes les images du dossier " +
                                                   dossier.Path() +
                                                   "/ et ses sous-dossiers seront modifiées");
        EXPECT_TRUE(f.Go->isEnabled());
        f.EditFichierSource->SetText("");
        f.Go->click();
    });
    EXPECT_EQ(Identify("%w %h", dossier / "a.jpg"), "200 150");
    EXPECT_EQ(Identify("%w %h", dossier / "b.bmp"), "150 200");
    ASSERT_EQ(dialogues->messages.size(), 2u);
    EXPECT_TRUE(dialogues->messages[0].starts_with(
        "Ces fichiers n'ont pas pu être lus et n'ont pas été modifiés :\n" + dossier / "c.jpg"));
    EXPECT_EQ(dialogues->messages[1], "Nom du dossier à traiter non valide");
    EXPECT_EQ(ReadText(dossier / "c.jpg"), "abîmé");
}

// The picture on screen and the one read ahead were decoded before the tool
// rewrote or renamed their files: the window shows the files as they now are.
TEST_F(OutilsDossier, AfterAToolTheWindowShowsTheFilesAsTheyNowAre) {
    Image("a.jpg", 400, 300);
    Image("b.jpg", 300, 400);
    Image("c.bmp", 100);
    Ouvre({dossier / "a.jpg"});
    ASSERT_EQ(Vue(), "1 1/3 400");
    ASSERT_EQ(Defile().FNumTampon, 2);
    TFormModifTailleJPG1Dossier& taille = *fiches.FormModifTailleJPG1Dossier;
    Pendant(taille, "Modifier la taille des images d'un dossier", [&] {
        taille.SpinPlusGrandeTaille->SetValue(200);
        taille.Go->click();
    });
    EXPECT_EQ(Vue(), "1 1/3 200");
    EXPECT_EQ(fenetre->Korvel1->GetPicture().Height(), 150);
    fenetre->SpeedButtonavance1Click();
    EXPECT_EQ(Vue(), "2 2/3 150");

    // Renamed: the same picture, under its new name and number.
    TFormAjoutPrefixe& prefixe = *fiches.FormAjoutPrefixe;
    dialogues->yes_no_answers = {true};
    Pendant(prefixe, "Ajout de préfixe", [&] {
        prefixe.EditTextePrefixe->SetText("z");
        prefixe.BitBtnOk->click();
    });
    EXPECT_EQ(fenetre->Korvel1->FileName(), dossier / "z$b.jpg");
    EXPECT_EQ(Vue(), "3 3/3 150");

    // A tool that changed nothing leaves the window alone.
    const int avant = affichages;
    Pendant(taille, "Modifier la taille des images d'un dossier", [&] {
        taille.CheckBoxModifToujoursCompression->SetChecked(false);
        taille.SpinPlusGrandeTaille->SetValue(1000);
        taille.Go->click();
    });
    EXPECT_EQ(affichages, avant);
}

}  // namespace
}  // namespace app
