// The settings component, the window-position keeper and the cancel button,
// on small forms of the tests' own making.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <sys/stat.h>

#include "components/bitbtn_annule.h"
#include "components/garde_position_fiche.h"
#include "components/svg_edit_ini.h"
#include "platform/core/files.h"
#include "platform/ui/controls.h"
#include "scripted_dialogs.h"
#include "test_support.h"

namespace components {
namespace {

using namespace testing_support;

using namespace platform::ui;

using Journal = std::vector<std::string>;

enum class Role { Principale, Dialogue, Complete, SansReglages, Annule };

// A dialog with an edit, a check box, a spin edit, a radio group in a box, a
// memo and a combo box, and the settings component or the cancel button as
// its role says; its handlers write into the journal.
class Fiche final : public Form {
public:
    Fiche(Application& app, const std::string& nom, Journal& journal, Role role,
          const std::string& fichier)
        : Form(app, nom) {
        const auto note = [&journal, nom](const std::string& quoi) {
            journal.push_back(nom + "." + quoi);
        };
        edit = new Edit(this, "EditDossier");
        edit->OnChange = [note](Edit& e) { note("EditDossier=" + e.Text()); };
        boite = new CheckBox(this, "CheckBoxVoir", "Voir");
        boite->OnClick = [note](CheckBox& b) {
            note("CheckBoxVoir=" + std::to_string(b.Checked()));
        };
        spin = new SpinEdit(this, "SpinEditTaux", 20, 70, 70);
        spin->OnChange = [note](SpinEdit& s) { note("SpinEditTaux=" + s.Text()); };
        auto* groupe = new QGroupBox(this);
        avant = new RadioButton(groupe, "RadioAvant", "Avant");
        avant->SetChecked(true);
        avant->OnClick = [note](RadioButton&) { note("RadioAvant"); };
        apres = new RadioButton(groupe, "RadioApres", "Après");
        apres->OnClick = [note](RadioButton&) { note("RadioApres"); };
        memo = new Memo(this, "MemoNotes");
        combo = new ComboBox(this, "ComboTaille");
        OnCreate = [note](Form&) { note("create"); };
        OnClose = [this, note](Form&, CloseAction& action) {
            note("close");
            if (refuse_fermeture) action = CloseAction::None;
        };
        if (role == Role::Annule) {
            annule = new components::TBitBtnAnnule(*this, this, "BitBtnAnnule1");
            annule->OnClick = [note](TBitBtnAnnule&) { note("clic"); };
            annule->OnApresAnnule = [note](TBitBtnAnnule&) { note("après"); };
            OnShow = [this, note](Form&) {
                note("show");
                edit->SetText(edit->Text() + "!");
            };
        }
        if (role == Role::SansReglages || role == Role::Annule) return;
        reglages = new TSvgEditIni(*this, "SvgEditIni1", fichier);
        const bool dialogue = role != Role::Principale;
        reglages->SauveEdit = reglages->SauveCheckBox = dialogue;
        reglages->SauveRadioButton = reglages->SauveSpinEdit = dialogue;
        reglages->SauveMemo = reglages->SauveComboBox = role == Role::Complete;
        // Flags of kinds of control no form has: switched on, they keep nothing more.
        reglages->SauveDateTimePicker = reglages->SauveRichEdit = role == Role::Complete;
        reglages->SauveListBox = reglages->SauveChecklistBox = role == Role::Complete;
        reglages->SauveStringGrid = role == Role::Complete;
    }

    Edit* edit;
    CheckBox* boite;
    SpinEdit* spin;
    RadioButton* avant;
    RadioButton* apres;
    Memo* memo;
    ComboBox* combo;
    TSvgEditIni* reglages = nullptr;
    TBitBtnAnnule* annule = nullptr;
    bool refuse_fermeture = false;

protected:
    void Loaded() override {
        if (reglages != nullptr) reglages->Loaded();
        if (annule != nullptr) annule->Loaded();
    }
};

class Reglages : public ScriptedTest {
protected:
    Fiche& Cree(const std::string& nom, Role role) {
        return *CreateForm<Fiche>(Application::Current(), nom, journal, role, fichier);
    }

    TempDir dossier;
    const std::string fichier = dossier / "visualisateur.ini";
    Journal journal;
};

TEST_F(Reglages, EveryCloseOfTheMainWindowWritesTheKeptValuesOfEveryForm) {
    Fiche& principale = Cree("Form1", Role::Principale);
    Fiche& a = Cree("FormA", Role::Dialogue);
    Fiche& sans = Cree("FormSans", Role::SansReglages);
    Fiche& b = Cree("FormB", Role::Complete);
    EXPECT_FALSE(platform::FileExists(fichier)) << "the restores write nothing";
    EXPECT_TRUE(TSvgEditIni::ContientSvgEditIni(a) && !TSvgEditIni::ContientSvgEditIni(sans));

    a.edit->SetText("/home/moi/à trier");
    a.boite->SetChecked(false);
    a.spin->SetValue(55);
    a.apres->SetChecked(true);
    sans.edit->SetText("jamais écrit");
    b.boite->setTristate(true);
    b.boite->setCheckState(Qt::PartiallyChecked);
    b.spin->clear();
    b.memo->SetLines({"un", "deux"});
    b.combo->SetItems({"petit", "grand"});
    b.combo->SetItemIndex(1);

    // A refused close saves all the same, after the form's own handler.
    principale.refuse_fermeture = true;
    principale.show();
    EXPECT_FALSE(principale.close());
    std::string attendu =
        "[FormA]\nEditDossier=/home/moi/à trier\nCheckBoxVoir=0\nSpinEditTaux=55\n"
        "RadioAvant=0\nRadioApres=1\n\n"
        "[FormB]\nEditDossier=\nCheckBoxVoir=0\nSpinEditTaux=20\nRadioAvant=1\nRadioApres=0\n\n"
        "[FormBMemoNotes]\nL0=un\nL1=deux\nItemIndex=0\n\n"
        "[FormBComboTaille]\nL0=petit\nL1=grand\nItemIndex=1\n";
    EXPECT_EQ(ReadText(fichier), attendu);
    EXPECT_EQ(journal.back(), "Form1.close");

    a.spin->SetValue(60);
    b.memo->SetLines({"seule"});
    EXPECT_FALSE(principale.close());
    attendu.replace(attendu.find("SpinEditTaux=55"), 15, "SpinEditTaux=60");
    attendu.replace(attendu.find("L0=un\nL1=deux\n"), 14, "L0=seule\n");
    EXPECT_EQ(ReadText(fichier), attendu);

    // The next start shows the values again, through the controls' handlers.
    DeleteForms();
    journal.clear();
    Cree("Form1", Role::Principale);
    Fiche& a2 = Cree("FormA", Role::Dialogue);
    Fiche& b2 = Cree("FormB", Role::Complete);
    EXPECT_TRUE(a2.apres->Checked());
    EXPECT_EQ(b2.memo->Lines(), std::vector<std::string>{"seule"});
    EXPECT_EQ(b2.combo->ItemIndex(), 1);
    // An unchanged value raises nothing.
    EXPECT_EQ(journal, (Journal{"Form1.create", "FormA.EditDossier=/home/moi/à trier",
                                "FormA.SpinEditTaux=60", "FormA.RadioApres", "FormA.create",
                                "FormB.SpinEditTaux=20", "FormB.create"}));
    EXPECT_TRUE(dialogues->errors.empty());
}

TEST_F(Reglages, EachDialogsCloseWritesItsOwnValuesAtOnce) {
    Fiche& principale = Cree("Form1", Role::Principale);
    Fiche& a = Cree("FormA", Role::Dialogue);
    Fiche& b = Cree("FormB", Role::Dialogue);
    Fiche& sans = Cree("FormSans", Role::SansReglages);
    a.edit->SetText("/photos");
    b.edit->SetText("pas encore");
    sans.show();
    sans.close();
    EXPECT_FALSE(platform::FileExists(fichier));

    // Written after the form's own handler, also when it refuses to close.
    a.refuse_fermeture = true;
    a.show();
    EXPECT_FALSE(a.close());
    EXPECT_EQ(journal.back(), "FormA.close");
    const std::string formA =
        "[FormA]\nEditDossier=/photos\nCheckBoxVoir=0\nSpinEditTaux=70\n"
        "RadioAvant=1\nRadioApres=0\n";
    EXPECT_EQ(ReadText(fichier), formA);

    // The main window's close still writes every form.
    principale.show();
    principale.close();
    EXPECT_EQ(ReadText(fichier),
              formA +
                  "\n[FormB]\nEditDossier=pas encore\nCheckBoxVoir=0\nSpinEditTaux=70\n"
                  "RadioAvant=1\nRadioApres=0\n");
}

// A settings file without any write bit is still read, and never written:
// the run's values are lost without a word, the file left byte for byte.
TEST_F(Reglages, AReadOnlySettingsFileIsReadAndLeftAsItIsWithoutAMessage) {
    const std::string contenu = "[FormA]\nEditDossier=/photos\n";
    WriteFile(fichier, contenu);
    ASSERT_EQ(::chmod(fichier.c_str(), 0444), 0);
    Fiche& principale = Cree("Form1", Role::Principale);
    Fiche& a = Cree("FormA", Role::Dialogue);
    EXPECT_EQ(a.edit->Text(), "/photos");

    a.edit->SetText("/ailleurs");
    a.show();
    a.close();
    principale.show();
    principale.close();
    EXPECT_EQ(ReadText(fichier), contenu);
    struct stat etat {};
    ASSERT_EQ(::stat(fichier.c_str(), &etat), 0);
    EXPECT_EQ(etat.st_mode & 07777, 0444u);
    EXPECT_TRUE(dialogues->messages.empty());
    EXPECT_TRUE(dialogues->errors.empty());
}

TEST_F(Reglages, EachFormLoadedRestoresEveryFormSoFarAndKeepsUnknownKeys) {
    WriteFile(fichier,
              "; notes à la main\n[FormA]\nEditDossier=/photos/=gardées\nCheckBoxVoir=abc\n"
              "SpinEditTaux=$1F\nRadioApres=1\nInconnue=gardée\n"
              "[FormSans]\nEditDossier=jamais lu\n"
              "[FormB]\nCheckBoxVoir=0\nSpinEditTaux=5\nRadioAvant=1\n"
              "[FormBComboTaille]\nL0=petit\nL1=moyen\nL3=perdu\nItemIndex=5\n");
    Fiche& principale = Cree("Form1", Role::Principale);
    Fiche& a = Cree("FormA", Role::Dialogue);
    // A change made after a form's restore is undone by the next form's.
    a.edit->SetText("changé");
    Fiche& sans = Cree("FormSans", Role::SansReglages);
    Fiche& b = Cree("FormB", Role::Complete);

    EXPECT_EQ(a.edit->Text(), "/photos/=gardées");
    EXPECT_TRUE(a.boite->Checked());
    EXPECT_EQ(a.spin->Value(), 31);
    EXPECT_TRUE(a.apres->Checked() && !a.avant->Checked());
    EXPECT_EQ(sans.edit->Text(), "");
    EXPECT_FALSE(b.boite->Checked());
    EXPECT_EQ(b.spin->Value(), 20) << "brought into 20..70";
    EXPECT_TRUE(b.avant->Checked());
    EXPECT_EQ(b.combo->Items(), (std::vector<std::string>{"petit", "moyen"}));
    EXPECT_EQ(b.combo->ItemIndex(), 0) << "an index past the items is not applied";
    EXPECT_EQ(journal, (Journal{"Form1.create", "FormA.EditDossier=/photos/=gardées",
                                "FormA.CheckBoxVoir=1", "FormA.SpinEditTaux=31", "FormA.RadioApres",
                                "FormA.create", "FormA.EditDossier=changé", "FormSans.create",
                                "FormA.EditDossier=/photos/=gardées", "FormB.SpinEditTaux=20",
                                "FormB.create"}));

    principale.show();
    principale.close();
    EXPECT_EQ(
        ReadText(fichier),
        "; notes à la main\n[FormA]\nEditDossier=/photos/=gardées\nCheckBoxVoir=1\n"
        "SpinEditTaux=31\nRadioApres=1\nInconnue=gardée\nRadioAvant=0\n"
        "[FormSans]\nEditDossier=jamais lu\n"
        "[FormB]\nCheckBoxVoir=0\nSpinEditTaux=20\nRadioAvant=1\nEditDossier=\nRadioApres=0\n\n"
        "[FormBMemoNotes]\nItemIndex=0\n\n"
        "[FormBComboTaille]\nL0=petit\nL1=moyen\nItemIndex=0\n");
}

TEST_F(Reglages, TheCancelButtonPutsBackTheValuesOfTheLastShow) {
    Fiche& fiche = Cree("FormOptions", Role::Annule);
    fiche.edit->SetText("retouche");
    QTimer::singleShot(0, [&] {
        fiche.edit->SetText("autre=chose");
        fiche.boite->SetChecked(true);
        fiche.apres->SetChecked(true);
        fiche.spin->SetValue(65);
        journal.clear();
        fiche.annule->click();
    });
    EXPECT_EQ(fiche.ShowModal(), ModalResult::Abort);
    // Recorded after the form's own show handler.
    EXPECT_EQ(fiche.edit->Text(), "retouche!");
    EXPECT_FALSE(fiche.boite->Checked());
    EXPECT_TRUE(fiche.avant->Checked() && !fiche.apres->Checked());
    EXPECT_EQ(fiche.spin->Value(), 70);
    EXPECT_EQ(journal,
              (Journal{"FormOptions.clic", "FormOptions.EditDossier=retouche!",
                       "FormOptions.CheckBoxVoir=0", "FormOptions.SpinEditTaux=70",
                       "FormOptions.RadioAvant", "FormOptions.après", "FormOptions.close"}));

    // Each show records again; without RecupActif the click restores nothing.
    fiche.edit->SetText("nouveau");
    fiche.show();
    fiche.edit->SetText("effacé");
    fiche.annule->click();
    EXPECT_EQ(fiche.edit->Text(), "nouveau!");
    journal.clear();
    fiche.annule->RecupActif = false;
    fiche.spin->SetValue(30);
    fiche.annule->click();
    EXPECT_EQ(fiche.spin->Value(), 30);
    EXPECT_EQ(journal, (Journal{"FormOptions.SpinEditTaux=30", "FormOptions.clic"}));
}

// A window that carries a position keeper; its own show and close handlers
// write into the journal.
class FicheGardee final : public Form {
public:
    FicheGardee(Application& app, Journal& journal, const std::string& fichier)
        : Form(app, "FormVisionDiapos") {
        OnShow = [&journal](Form&) { journal.push_back("show"); };
        OnClose = [this, &journal](Form&, CloseAction& action) {
            journal.push_back("close");
            if (refuse_fermeture) action = CloseAction::None;
        };
        garde = new TGardePositionFiche(*this);
        garde->FileName = fichier;
    }

    TGardePositionFiche* garde;
    bool refuse_fermeture = false;

protected:
    void Loaded() override { garde->Loaded(); }
};

class Position : public Reglages {
protected:
    // A new window placed at `depart` before its first show, after the
    // settings file is given `cles` in its section (when there are any).
    FicheGardee& Montre(const std::string& cles, const QRect& depart = QRect(10, 20, 200, 100)) {
        DeleteForms();
        if (!cles.empty()) WriteFile(fichier, "[FormVisionDiapos]\n" + cles);
        auto* fiche = CreateForm<FicheGardee>(Application::Current(), journal, fichier);
        fiche->SetNormalBounds(depart);
        fiche->show();
        Traite();
        return *fiche;
    }
    // The platform window reports its geometry changes through the event queue.
    static void Traite() { QCoreApplication::processEvents(); }
};

TEST_F(Position, EveryCloseSavesTheFiveKeysAndOnlyTheFirstShowRestores) {
    FicheGardee* fiche = &Montre("CheckBoxVoir=1\n", QRect(30, 40, 300, 200));
    EXPECT_EQ(fiche->NormalBounds(), QRect(30, 40, 300, 200)) << "nothing saved yet";
    fiche->refuse_fermeture = true;
    EXPECT_FALSE(fiche->close());
    EXPECT_EQ(ReadText(fichier),
              "[FormVisionDiapos]\nCheckBoxVoir=1\nWindowState=0\nHeight=200\nTop=40\nLeft=30\n"
              "Width=300\n");
    EXPECT_EQ(journal, (Journal{"show", "close"}));

    fiche = &Montre("Height=150\nTop=60\nLeft=70\nWidth=250\nWindowState=0\n");
    EXPECT_EQ(fiche->NormalBounds(), QRect(70, 60, 250, 150));
    fiche->hide();
    WriteFile(fichier, "[FormVisionDiapos]\nHeight=50\nTop=6\nLeft=7\nWidth=25\nWindowState=1\n");
    fiche->show();
    EXPECT_EQ(fiche->NormalBounds(), QRect(70, 60, 250, 150)) << "a second show restores nothing";

    // Without the state, an earlier state key stays; disabled, nothing is written.
    fiche->garde->SaveWindowState = false;
    fiche->close();
    const std::string ecrit =
        "[FormVisionDiapos]\nHeight=150\nTop=60\nLeft=70\nWidth=250\nWindowState=1\n";
    EXPECT_EQ(ReadText(fichier), ecrit);
    fiche->garde->Enabled = false;
    fiche->SetNormalBounds(QRect(1, 2, 300, 400));
    fiche->close();
    EXPECT_EQ(ReadText(fichier), ecrit);
}

TEST_F(Position, AMaximisedWindowComesBackMaximisedWithItsNormalBounds) {
    FicheGardee* fiche = &Montre("");
    fiche->SetNormalBounds(QRect(100, 80, 400, 300));
    Traite();
    fiche->SetWindowState(WindowState::Maximized);
    Traite();
    ASSERT_NE(fiche->geometry(), QRect(100, 80, 400, 300));
    fiche->close();
    const std::string maximisee =
        "[FormVisionDiapos]\nWindowState=2\nHeight=300\nTop=80\nLeft=100\nWidth=400\n";
    EXPECT_EQ(ReadText(fichier), maximisee);

    fiche = &Montre("");
    EXPECT_EQ(fiche->GetWindowState(), WindowState::Maximized);
    EXPECT_EQ(fiche->NormalBounds(), QRect(100, 80, 400, 300));
    fiche->SetWindowState(WindowState::Normal);
    Traite();
    EXPECT_EQ(fiche->geometry(), QRect(100, 80, 400, 300));

    // Maximised again by the user: the normal bounds are still the ones it left.
    fiche->SetWindowState(WindowState::Maximized);
    Traite();
    fiche->close();
    EXPECT_EQ(ReadText(fichier), maximisee);
}

TEST_F(Position, BoundsThatCannotBeShownAreIgnoredOrBroughtOntoTheScreen) {
    const QRect depart(10, 20, 200, 100);
    const QRect zone = QGuiApplication::primaryScreen()->availableGeometry();
    // The last row's bounds are the frame's, not the window's.
    const std::pair<const char*, QRect> lignes[] = {
        {"WindowState=2\nHeight=150\nTop=60\nLeft=70\n", depart},
        {"Height=150\nTop=60\nLeft=70\nWidth=abc\n", depart},
        {"Height=150\nTop=60\nLeft=70\nWidth=0\n", depart},
        {"Height=150\nTop=60\nLeft=2147483000\nWidth=1000\n", depart},
        {"WindowState=7\nHeight=150\nTop=60\nLeft=70\nWidth=250\n", QRect(70, 60, 250, 150)},
        {"Height=99999\nTop=9000\nLeft=9000\nWidth=99999\n", zone},
    };
    for (const auto& [cles, attendu] : lignes) {
        const FicheGardee& fiche = Montre(cles, depart);
        EXPECT_EQ(attendu == zone ? fiche.frameGeometry() : fiche.NormalBounds(), attendu) << cles;
        EXPECT_EQ(fiche.GetWindowState(), WindowState::Normal) << cles;
    }
    const FicheGardee& fiche = Montre("Height=150\nTop=-50000\nLeft=-50000\nWidth=250\n", depart);
    EXPECT_EQ(fiche.frameGeometry().topLeft(), zone.topLeft());
    EXPECT_EQ(fiche.NormalBounds().size(), QSize(250, 150));

    // Whatever part of it the file leaves off the screen, the whole frame is
    // brought onto it, moved rather than shrunk.
    const FicheGardee& temoin = Montre("", depart);
    const QRect dehors = temoin.frameGeometry();
    const QRect dedans = temoin.geometry();
    const QMargins m(dedans.left() - dehors.left(), dedans.top() - dehors.top(),
                     dehors.right() - dedans.right(), dehors.bottom() - dedans.bottom());
    const QRect interieur = zone.marginsRemoved(m);
    const std::pair<std::string, QRect> cadres[] = {
        {"Height=1000000\nTop=0\nLeft=0\nWidth=1000000\n", interieur},
        {"Height=150\nTop=" + std::to_string(zone.top() - 20) + "\nLeft=100\nWidth=250\n",
         QRect(100, interieur.top(), 250, 150)},
        {"Height=150\nTop=" + std::to_string(zone.bottom() - 10) +
             "\nLeft=" + std::to_string(zone.right() - 10) + "\nWidth=250\n",
         QRect(interieur.right() - 249, interieur.bottom() - 149, 250, 150)},
        {"Height=150\nTop=10\nLeft=-100\nWidth=" + std::to_string(zone.width() + 500) + "\n",
         QRect(interieur.left(), std::max(10, interieur.top()), interieur.width(), 150)},
    };
    for (const auto& [cles, attendu] : cadres) {
        const FicheGardee& ramenee = Montre(cles, depart);
        EXPECT_EQ(ramenee.NormalBounds(), attendu) << cles;
        EXPECT_TRUE(zone.contains(ramenee.frameGeometry())) << cles;
    }
}

}  // namespace
}  // namespace components
