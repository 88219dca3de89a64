// Windows among windows: modal boxes above the windows kept on top, the
// first show's place and width, and the keys a dialog answers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>

#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/form.h"
#include "scripted_dialogs.h"
#include "touches.h"

namespace platform::ui {
namespace {

using Fenetres = testing_support::ScriptedTest;
using testing_support::Appuie;

// A window kept on top that counts its hides and closes and knows its place,
// to tell whether anything befell it.
class Dessus final : public Form {
public:
    Dessus() : Form(Application::Current(), "Dessus") {
        setGeometry(200, 150, 300, 200);
        SetStayOnTop(true);
        OnClose = [this](Form&, CloseAction&) { ++fermetures; };
        show();
        QApplication::processEvents();
        place = geometry();
    }

    // What the window system is told: above the others or not.
    bool AuDessus() const { return windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); }
    // Shown, in place, kept on top by its own flags, never hidden nor closed.
    void Intacte() const {
        EXPECT_TRUE(isVisible());
        EXPECT_EQ(geometry(), place);
        EXPECT_TRUE(windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(caches, 0);
        EXPECT_EQ(fermetures, 0);
    }

    QRect place;
    int caches = 0;
    int fermetures = 0;

protected:
    void hideEvent(QHideEvent* event) override {
        Form::hideEvent(event);
        ++caches;
    }
};

// Runs `pendant` once the modal window that `montre` brings up is there.
void Pendant(const std::function<void()>& pendant, const std::function<void()>& montre) {
    QTimer::singleShot(0, pendant);
    montre();
}

void Ferme(QWidget* modale) {
    ASSERT_NE(modale, nullptr);
    modale->close();
}

TEST_F(Fenetres, EveryModalWindowStandsAboveTheWindowsKeptOnTopUntilTheLastHasClosed) {
    Dessus dessus;
    ASSERT_TRUE(dessus.AuDessus());
    QtDialogs boites;
    // The message boxes, the file, folder and colour dialogs, and a form.
    const std::pair<const char*, std::function<void()>> chemins[] = {
        {"message", [&] { boites.ShowMessage("Message"); }},
        {"erreur", [&] { boites.ShowError("Erreur"); }},
        {"question", [&] { boites.AskYesNo("Question ?", DefaultAnswer::No); }},
        {"ouvrir", [&] { boites.OpenFile({}); }},
        {"enregistrer", [&] { boites.SaveFile({}); }},
        {"dossier", [&] { boites.SelectFolder("Dossier", "/"); }},
        {"couleur", [&] { boites.ChooseColor(0); }},
        {"fiche", [] { Form(Application::Current(), "Modale").ShowModal(); }},
    };
    for (const auto& [nom, montre] : chemins) {
        SCOPED_TRACE(nom);
        bool vu = false;
        Pendant(
            [&] {
                vu = true;
                EXPECT_FALSE(dessus.AuDessus());
                Ferme(QApplication::activeModalWidget());
            },
            montre);
        EXPECT_TRUE(vu);
        EXPECT_TRUE(dessus.AuDessus());
        dessus.Intacte();
    }

    // A box over a modal form: back on top only once the form is gone too;
    // a window kept on top shown meanwhile goes under them as well.
    Form modale(Application::Current(), "Modale");
    std::unique_ptr<Dessus> tardive;
    Pendant(
        [&] {
            Pendant([] { Ferme(QApplication::activeModalWidget()); },
                    [&] { boites.ShowMessage("Boîte"); });
            EXPECT_FALSE(dessus.AuDessus());
            tardive = std::make_unique<Dessus>();
            EXPECT_FALSE(tardive->AuDessus());
            modale.SetModalResult(ModalResult::Ok);
        },
        [&] { modale.ShowModal(); });
    EXPECT_TRUE(dessus.AuDessus());
    EXPECT_TRUE(tardive->AuDessus());
    dessus.Intacte();

    // A box destroyed while it is shown is never hidden.
    auto* boite = new QMessageBox(QMessageBox::NoIcon, "", "Boîte");
    boite->setWindowModality(Qt::ApplicationModal);
    boite->show();
    EXPECT_FALSE(dessus.AuDessus());
    delete boite;
    EXPECT_TRUE(dessus.AuDessus());

    // A window no longer kept on top when the box closes stays down.
    Pendant(
        [&] {
            dessus.SetStayOnTop(false);
            Ferme(QApplication::activeModalWidget());
        },
        [&] { boites.ShowMessage("Boîte"); });
    EXPECT_FALSE(dessus.AuDessus());
    EXPECT_EQ(dessus.caches, 0);
}

// A dialog's buttons, each counting its clicks, and a multi-line edit.
class Dialogue : public Form {
public:
    Dialogue() : Form(Application::Current(), "Dialogue") {
        saisie = new Edit(this, "Saisie");
        memo = new Memo(this, "Memo");
        ok = Bouton("Ok", ModalResult::Ok);
        ok->setDefault(true);
        autre = Bouton("Autre", ModalResult::None);
        annule = Bouton("Annule", ModalResult::Cancel);
        SetCancelButton(annule);
        setGeometry(100, 100, 300, 200);
    }

    Button* Bouton(const char* nom, ModalResult resultat) {
        auto* bouton = new Button(this, nom, nom, resultat);
        bouton->OnClick = [this](Button& b) { clics += b.objectName().toStdString() + "|"; };
        return bouton;
    }

    Edit* saisie;
    Memo* memo;
    Button* ok;
    Button* autre;
    Button* annule;
    std::string clics;
};

TEST_F(Fenetres, EnterPressesTheDefaultButtonAndEscapeTheCancelOne) {
    Dialogue fiche;
    fiche.show();
    QApplication::setActiveWindow(&fiche);
    Appuie(*fiche.saisie, Qt::Key_Return);
    Appuie(*fiche.saisie, Qt::Key_Enter, Qt::KeypadModifier);
    Appuie(*fiche.saisie, Qt::Key_Escape);
    EXPECT_EQ(fiche.clics, "Ok|Ok|Annule|");

    // Another button with the focus takes Enter; a modifier, or a hidden or
    // disabled button, makes the key do nothing.
    fiche.clics.clear();
    Appuie(*fiche.autre, Qt::Key_Return);
    Appuie(*fiche.saisie, Qt::Key_Return, Qt::ShiftModifier);
    Appuie(*fiche.saisie, Qt::Key_Escape, Qt::ControlModifier);
    fiche.ok->setEnabled(false);
    fiche.annule->hide();
    Appuie(*fiche.saisie, Qt::Key_Return);
    Appuie(*fiche.saisie, Qt::Key_Escape);
    EXPECT_EQ(fiche.clics, "Autre|");

    // The multi-line edit keeps Enter for a new line.
    fiche.ok->setEnabled(true);
    Appuie(*fiche.memo, Qt::Key_Return);
    EXPECT_EQ(fiche.clics, "Autre|");
    EXPECT_EQ(fiche.memo->toPlainText().toStdString(), "\n");
}

TEST_F(Fenetres, TheKeysCloseAModalDialogWithTheirButtonsResult) {
    Dialogue fiche;
    for (const auto& cas : {std::pair{Qt::Key_Return, ModalResult::Ok},
                            std::pair{Qt::Key_Escape, ModalResult::Cancel}}) {
        Pendant([&] { Appuie(*fiche.saisie, cas.first); },
                [&] { EXPECT_EQ(fiche.ShowModal(), cas.second); });
        EXPECT_FALSE(fiche.isVisible());
    }

    EXPECT_EQ(fiche.clics, "Ok|Annule|");

    // Without a cancel button Escape leaves the dialog as it is; the form
    // previewing keys still sees it.
    fiche.clics.clear();
    fiche.SetCancelButton(nullptr);
    std::vector<int> vues;
    fiche.SetKeyPreview(true);
    fiche.OnKeyDown = [&](Form&, int touche, Qt::KeyboardModifiers) { vues.push_back(touche); };
    Pendant(
        [&] {
            Appuie(*fiche.saisie, Qt::Key_Escape);
            EXPECT_TRUE(fiche.isVisible());
            fiche.annule->click();
        },
        [&] { EXPECT_EQ(fiche.ShowModal(), ModalResult::Cancel); });
    EXPECT_EQ(vues, std::vector<int>{Qt::Key_Escape});
    EXPECT_EQ(fiche.clics, "Annule|");
}

TEST_F(Fenetres, AFirstShowPutsTheWindowWholeOnItsScreenAndAsWideAsItsCaption) {
    const QRect zone = QGuiApplication::primaryScreen()->availableGeometry();
    // Placed nowhere in particular: the main window in the middle of the
    // screen, another over the middle of the main window.
    Form principale(Application::Current(), "Principale");
    ASSERT_EQ(Application::Current().MainForm(), &principale);
    principale.resize(300, 200);
    principale.show();
    EXPECT_LE((principale.geometry().center() - zone.center()).manhattanLength(), 2);
    principale.move(100, 120);
    QApplication::processEvents();
    Form libre(Application::Current(), "Libre");
    libre.resize(100, 50);
    libre.show();
    EXPECT_LE((libre.frameGeometry().center() - principale.frameGeometry().center())
                  .manhattanLength(),
              2);

    // Larger than the screen, from a place off it: within, frame included.
    Form grande(Application::Current(), "Grande");
    grande.setGeometry(-500, -400, zone.width() + 600, zone.height() + 300);
    grande.show();
    QApplication::processEvents();
    EXPECT_TRUE(zone.contains(grande.frameGeometry()));

    // A caption longer than what the window holds widens it evenly on both
    // sides, to more than its text in the title font; a window that may not
    // grow stays as it is, and so does one whose caption fits.
    const QString titre = "Nouvelles hauteur et largeur ";
    QFont police = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    police.setBold(true);
    const int texte = QFontMetrics(police).horizontalAdvance(titre);
    for (const int maximum : {QWIDGETSIZE_MAX, 80}) {
        Form etroite(Application::Current(), "Etroite");
        etroite.setWindowTitle(titre);
        etroite.setMaximumWidth(maximum);
        etroite.setGeometry(600, 300, 60, 40);
        const int milieu = etroite.geometry().center().x();
        etroite.show();
        if (maximum == 80) {
            EXPECT_EQ(etroite.width(), 80);
            continue;
        }
        EXPECT_GT(etroite.width(), texte);
        EXPECT_EQ(etroite.width(), etroite.CaptionWidth());
        EXPECT_LE(std::abs(etroite.geometry().center().x() - milieu), 1);
        // Later shows leave the width the user gave it.
        etroite.hide();
        etroite.resize(60, 40);
        etroite.show();
        EXPECT_EQ(etroite.width(), 60);
    }
    Form large(Application::Current(), "Large");
    large.setWindowTitle("Diapos");
    large.setGeometry(3, 3, 327, 550);
    large.show();
    EXPECT_EQ(large.geometry(), QRect(3, 3, 327, 550));
}

}  // namespace
}  // namespace platform::ui
