// The settings component, the window-position keeper and the cancel button,
// on small forms of the tests' own making.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "components/bitbtn_annule.h"
#include "components/garde_position_fiche.h"
#include "components/svg_edit_ini.h"
#include "platform/core/files.h"
#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "scripted_dialogs.h"
#include "test_support.h"

namespace components {
namespace {

using platform::ui::Application;
using platform::ui::CheckBox;
using platform::ui::CloseAction;
using platform::ui::ComboBox;
using platform::ui::Edit;
using platform::ui::Form;
using platform::ui::Memo;
using platform::ui::ModalResult;
using platform::ui::RadioButton;
using platform::ui::SpinEdit;
using platform::ui::WindowState;
using testing_support::ReadText;
using testing_support::TempDir;
using testing_support::WriteFile;

using Journal = std::vector<std::string>;

enum class Role { Principale, Dialogue, Complete, SansReglages };

// A dialog with an edit, a check box, a spin edit, a radio group in a box, a
// memo and a combo box; its handlers write into the journal.
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
            note(std::string("CheckBoxVoir=") + (b.Checked() ? "1" : "0"));
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
        if (role == Role::SansReglages) return;
        reglages = new TSvgEditIni(*this, "SvgEditIni1", fichier);
        const bool dialogue = role != Role::Principale;
        reglages->SauveEdit = reglages->SauveCheckBox = dialogue;
        reglages->SauveRadioButton = reglages->SauveSpinEdit = dialogue;
        reglages->SauveMemo = reglages->SauveComboBox = role == Role::Complete;
    }

    Edit* edit;
    CheckBox* boite;
    SpinEdit* spin;
    RadioButton* avant;
    RadioButton* apres;
    Memo* memo;
    ComboBox* combo;
    TSvgEditIni* reglages = nullptr;
    bool refuse_fermeture = false;

protected:
    void Loaded() override {
        if (reglages != nullptr) reglages->Loaded();
    }
};

class Reglages : public ::testing::Test {
protected:
    void SetUp() override {
        auto scripted = std::make_unique<testing_support::ScriptedDialogs>();
        dialogues = scripted.get();
        Application::Current().SetDialogs(std::move(scripted));
    }
    void TearDown() override {
        fiches.clear();
        Application::Current().SetDialogs(std::make_unique<platform::ui::QtDialogs>());
    }

    Fiche& Cree(const std::string& nom, Role role) {
        fiches.emplace_back(
            platform::ui::CreateForm<Fiche>(Application::Current(), nom, journal, role, fichier));
        return *fiches.back();
    }

    TempDir dossier;
    const std::string fichier = dossier / "visualisateur.ini";
    Journal journal;
    std::vector<std::unique_ptr<Fiche>> fiches;
    testing_support::ScriptedDialogs* dialogues = nullptr;
};

TEST_F(Reglages, EveryCloseOfTheMainWindowWritesTheKeptValuesOfEveryForm) {
    Fiche& principale = Cree("Form1", Role::Principale);
    Fiche& a = Cree("FormA", Role::Dialogue);
    Fiche& sans = Cree("FormSans", Role::SansReglages);
    Fiche& b = Cree("FormB", Role::Complete);
    EXPECT_FALSE(platform::FileExists(fichier)) << "the restores write nothing";

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
    const std::string attendu =
        "[FormA]\n"
        "EditDossier=/home/moi/à trier\n"
        "CheckBoxVoir=0\n"
        "SpinEditTaux=55\n"
        "RadioAvant=0\n"
        "RadioApres=1\n"
        "\n"
        "[FormB]\n"
        "EditDossier=\n"
        "CheckBoxVoir=0\n"
        "SpinEditTaux=20\n"
        "RadioAvant=1\n"
        "RadioApres=0\n"
        "\n"
        "[FormBMemoNotes]\n"
        "L0=un\n"
        "L1=deux\n"
        "ItemIndex=0\n"
        "\n"
        "[FormBComboTaille]\n"
        "L0=petit\n"
        "L1=grand\n"
        "ItemIndex=1\n";
    EXPECT_EQ(ReadText(fichier), attendu);
    EXPECT_EQ(journal.back(), "Form1.close");

    a.spin->SetValue(60);
    b.memo->SetLines({"seule"});
    EXPECT_FALSE(principale.close());
    std::string ensuite = attendu;
    ensuite.replace(ensuite.find("SpinEditTaux=55"), 15, "SpinEditTaux=60");
    ensuite.replace(ensuite.find("L0=un\nL1=deux\n"), 14, "L0=seule\n");
    EXPECT_EQ(ReadText(fichier), ensuite);

    // The next start shows the values again, through the controls' handlers.
    fiches.clear();
    journal.clear();
    Cree("Form1", Role::Principale);
    Fiche& a2 = Cree("FormA", Role::Dialogue);
    Fiche& b2 = Cree("FormB", Role::Complete);
    EXPECT_EQ(a2.edit->Text(), "/home/moi/à trier");
    EXPECT_TRUE(a2.apres->Checked());
    EXPECT_EQ(b2.memo->Lines(), std::vector<std::string>{"seule"});
    EXPECT_EQ(b2.combo->ItemIndex(), 1);
    // An unchanged value raises nothing.
    EXPECT_EQ(journal, (Journal{"Form1.create", "FormA.EditDossier=/home/moi/à trier",
                                "FormA.SpinEditTaux=60", "FormA.RadioApres", "FormA.create",
                                "FormB.SpinEditTaux=20", "FormB.create"}));
    EXPECT_TRUE(dialogues->errors.empty());
}

TEST_F(Reglages, EachFormLoadedRestoresEveryFormSoFarAndKeepsUnknownKeys) {
    WriteFile(fichier,
              "; notes à la main\n"
              "[FormA]\n"
              "EditDossier=/photos/=gardées\n"
              "CheckBoxVoir=abc\n"
              "SpinEditTaux=$1F\n"
              "RadioApres=1\n"
              "Inconnue=gardée\n"
              "[FormSans]\n"
              "EditDossier=jamais lu\n"
              "[FormB]\n"
              "CheckBoxVoir=0\n"
              "SpinEditTaux=5\n"
              "RadioAvant=1\n"
              "[FormBComboTaille]\n"
              "L0=petit\n"
              "L1=moyen\n"
              "L3=perdu\n"
              "ItemIndex=5\n");
    Fiche& principale = Cree("Form1", Role::Principale);
    Fiche& a = Cree("FormA", Role::Dialogue);
    // A change made after a form's restore is undone by the next form's.
    a.edit->SetText("changé");
    Fiche& sans = Cree("FormSans", Role::SansReglages);
    Fiche& b = Cree("FormB", Role::Complete);

    EXPECT_EQ(a.edit->Text(), "/photos/=gardées");
    EXPECT_TRUE(a.boite->Checked());
    EXPECT_EQ(a.spin->Value(), 31);
    EXPECT_TRUE(a.apres->Checked());
    EXPECT_FALSE(a.avant->Checked());
    EXPECT_EQ(sans.edit->Text(), "");
    EXPECT_FALSE(b.boite->Checked());
    EXPECT_EQ(b.spin->Value(), 20) << "brought into 20..70";
    EXPECT_TRUE(b.avant->Checked());
    EXPECT_EQ(b.combo->Items(), (std::vector<std::string>{"petit", "moyen"}));
    EXPECT_EQ(b.combo->ItemIndex(), 0) << "an index past the items is not applied";
    const Journal attendu = {
        "Form1.create",
        "FormA.EditDossier=/photos/=gardées",
        "FormA.CheckBoxVoir=1",
        "FormA.SpinEditTaux=31",
        "FormA.RadioApres",
        "FormA.create",
        "FormA.EditDossier=changé",
        "FormSans.create",
        "FormA.EditDossier=/photos/=gardées",
        "FormB.SpinEditTaux=20",
        "FormB.create",
    };
    EXPECT_EQ(journal, attendu);

    principale.show();
    principale.close();
    EXPECT_EQ(ReadText(fichier),
              "; notes à la main\n"
              "[FormA]\n"
              "EditDossier=/photos/=gardées\n"
              "CheckBoxVoir=1\n"
              "SpinEditTaux=31\n"
              "RadioApres=1\n"
              "Inconnue=gardée\n"
              "RadioAvant=0\n"
              "[FormSans]\n"
              "EditDossier=jamais lu\n"
              "[FormB]\n"
              "CheckBoxVoir=0\n"
              "SpinEditTaux=20\n"
              "RadioAvant=1\n"
              "EditDossier=\n"
              "RadioApres=0\n"
              "\n"
              "[FormBMemoNotes]\n"
              "ItemIndex=0\n"
              "\n"
              "[FormBComboTaille]\n"
              "L0=petit\n"
              "L1=moyen\n"
              "ItemIndex=0\n");
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
    // A window placed at `depart` before its first show.
    std::unique_ptr<FicheGardee> Montre(const QRect& depart = QRect(10, 20, 200, 100)) {
        auto fiche = std::unique_ptr<FicheGardee>(
            platform::ui::CreateForm<FicheGardee>(Application::Current(), journal, fichier));
        fiche->SetNormalBounds(depart);
        fiche->show();
        Traite();
        return fiche;
    }
    // The platform window reports its geometry changes through the event queue.
    static void Traite() { QCoreApplication::processEvents(); }
};

TEST_F(Position, EveryCloseSavesTheFiveKeysAndOnlyTheFirstShowRestores) {
    WriteFile(fichier, "[FormVisionDiapos]\nCheckBoxVoir=1\n");
    auto fiche = Montre(QRect(30, 40, 300, 200));
    EXPECT_EQ(fiche->NormalBounds(), QRect(30, 40, 300, 200)) << "nothing saved yet";
    fiche->refuse_fermeture = true;
    EXPECT_FALSE(fiche->close());
    EXPECT_EQ(ReadText(fichier),
              "[FormVisionDiapos]\nCheckBoxVoir=1\nWindowState=0\nHeight=200\nTop=40\nLeft=30\n"
              "Width=300\n");
    EXPECT_EQ(journal, (Journal{"show", "close"}));

    fiche.reset();
    WriteFile(fichier,
              "[FormVisionDiapos]\nHeight=150\nTop=60\nLeft=70\nWidth=250\nWindowState=0\n");
    fiche = Montre();
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
    auto fiche = Montre();
    fiche->SetNormalBounds(QRect(100, 80, 400, 300));
    Traite();
    fiche->SetWindowState(WindowState::Maximized);
    Traite();
    ASSERT_NE(fiche->geometry(), QRect(100, 80, 400, 300));
    fiche->close();
    EXPECT_EQ(ReadText(fichier),
              "[FormVisionDiapos]\nWindowState=2\nHeight=300\nTop=80\nLeft=100\nWidth=400\n");

    fiche.reset();
    fiche = Montre();
    EXPECT_EQ(fiche->GetWindowState(), WindowState::Maximized);
    EXPECT_EQ(fiche->NormalBounds(), QRect(100, 80, 400, 300));
    fiche->SetWindowState(WindowState::Normal);
    Traite();
    EXPECT_EQ(fiche->geometry(), QRect(100, 80, 400, 300));

    // Maximised again by the user: the normal bounds are still the ones it left.
    fiche->SetWindowState(WindowState::Maximized);
    Traite();
    fiche->close();
    EXPECT_EQ(ReadText(fichier),
              "[FormVisionDiapos]\nWindowState=2\nHeight=300\nTop=80\nLeft=100\nWidth=400\n");
}

TEST_F(Position, BoundsThatCannotBeShownAreIgnoredOrBroughtOntoTheScreen) {
    const QRect depart(10, 20, 200, 100);
    const QRect zone = QGuiApplication::primaryScreen()->availableGeometry();
    struct Ligne {
        const char* cles;
        QRect attendu;
        bool cadre;  // `attendu` is the frame's bounds, not the window's
    };
    const Ligne lignes[] = {
        {"WindowState=2\nHeight=150\nTop=60\nLeft=70\n", depart, false},
        {"Height=150\nTop=60\nLeft=70\nWidth=abc\n", depart, false},
        {"Height=150\nTop=60\nLeft=70\nWidth=0\n", depart, false},
        {"Height=150\nTop=60\nLeft=2147483000\nWidth=1000\n", depart, false},
        {"WindowState=7\nHeight=150\nTop=60\nLeft=70\nWidth=250\n", QRect(70, 60, 250, 150), false},
        {"Height=99999\nTop=9000\nLeft=9000\nWidth=99999\n", zone, true},
    };
    for (const Ligne& ligne : lignes) {
        WriteFile(fichier, std::string("[FormVisionDiapos]\n") + ligne.cles);
        auto fiche = Montre(depart);
        EXPECT_EQ(ligne.cadre ? fiche->frameGeometry() : fiche->NormalBounds(), ligne.attendu)
            << ligne.cles;
        EXPECT_EQ(fiche->GetWindowState(), WindowState::Normal) << ligne.cles;
    }
    WriteFile(fichier, "[FormVisionDiapos]\nHeight=150\nTop=-50000\nLeft=-50000\nWidth=250\n");
    auto fiche = Montre(depart);
    EXPECT_EQ(fiche->frameGeometry().topLeft(), zone.topLeft());
    EXPECT_EQ(fiche->NormalBounds().size(), QSize(250, 150));
}

// An options dialog with the cancel button.
class FicheOptions final : public Form {
public:
    FicheOptions(Application& app, Journal& journal) : Form(app, "FormOptions") {
        edit = new Edit(this, "EditProgramme");
        edit->SetText("retouche --qualite=90");
        boite = new CheckBox(this, "CheckBoxVoir", "Voir");
        boite->SetChecked(true);
        auto* groupe = new QGroupBox(this);
        un = new RadioButton(groupe, "RadioUn", "1");
        un->SetChecked(true);
        deux = new RadioButton(groupe, "RadioDeux", "2");
        spin = new SpinEdit(this, "SpinEditTaux", 20, 70, 50);
        spin->OnChange = [&journal](SpinEdit& s) { journal.push_back("taux " + s.Text()); };
        annule = new TBitBtnAnnule(*this, this, "BitBtnAnnule1");
        annule->OnClick = [&journal](TBitBtnAnnule&) { journal.push_back("clic"); };
        annule->OnApresAnnule = [&journal](TBitBtnAnnule&) { journal.push_back("après"); };
        OnShow = [this, &journal](Form&) {
            journal.push_back("show");
            edit->SetText(edit->Text() + "!");
        };
    }

    Edit* edit;
    CheckBox* boite;
    RadioButton* un;
    RadioButton* deux;
    SpinEdit* spin;
    TBitBtnAnnule* annule;

protected:
    void Loaded() override { annule->Loaded(); }
};

TEST_F(Reglages, TheCancelButtonPutsBackTheValuesOfTheLastShow) {
    std::unique_ptr<FicheOptions> fiche(
        platform::ui::CreateForm<FicheOptions>(Application::Current(), journal));
    QTimer::singleShot(0, [&] {
        fiche->edit->SetText("autre=chose");
        fiche->boite->SetChecked(false);
        fiche->deux->SetChecked(true);
        fiche->spin->SetValue(65);
        fiche->annule->click();
    });
    EXPECT_EQ(fiche->ShowModal(), ModalResult::Abort);
    // Recorded after the form's own show handler.
    EXPECT_EQ(fiche->edit->Text(), "retouche --qualite=90!");
    EXPECT_TRUE(fiche->boite->Checked());
    EXPECT_TRUE(fiche->un->Checked());
    EXPECT_FALSE(fiche->deux->Checked());
    EXPECT_EQ(fiche->spin->Value(), 50);
    EXPECT_EQ(journal, (Journal{"show", "taux 65", "clic", "taux 50", "après"}));

    // Each show records again; without RecupActif the click restores nothing.
    fiche->edit->SetText("nouveau");
    fiche->show();
    fiche->edit->SetText("effacé");
    fiche->annule->click();
    EXPECT_EQ(fiche->edit->Text(), "nouveau!");
    journal.clear();
    fiche->annule->RecupActif = false;
    fiche->spin->SetValue(30);
    fiche->annule->click();
    EXPECT_EQ(fiche->spin->Value(), 30);
    EXPECT_EQ(journal, (Journal{"taux 30", "clic"}));
}

}  // namespace
}  // namespace components
