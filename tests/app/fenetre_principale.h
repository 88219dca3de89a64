// The main window with all its windows, made as the program makes them, on
// scripted dialogs: the fixture of the main window's tests.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <filesystem>
#include <string>
#include <vector>

#include "app/defile_image.h"
#include "app/fiches.h"
#include "app/form1.h"
#include "pictures.h"
#include "platform/ui/application.h"
#include "scripted_dialogs.h"
#include "test_support.h"

namespace app {

using platform::ui::Application;
using testing_support::ScriptedDialogs;
using testing_support::TempDir;

class FenetrePrincipale : public ::testing::Test {
protected:
    void SetUp() override {
        auto dialogs = std::make_unique<ScriptedDialogs>();
        dialogues = dialogs.get();
        Application::Current().SetDialogs(std::move(dialogs));
    }

    void TearDown() override {
        // Every window of the run goes, the last made first.
        const std::vector<platform::ui::Form*> fenetres = Application::Current().Forms();
        for (auto f = fenetres.rbegin(); f != fenetres.rend(); ++f) delete *f;
        Application::Current().SetDialogs(std::make_unique<platform::ui::QtDialogs>());
        Application::Current().SetShell(std::make_unique<platform::ui::QtShell>());
    }

    // A picture whose width tells which one it is.
    std::string Image(const std::string& nom, int32_t largeur, int32_t hauteur = 30) {
        const std::string chemin = dossier / nom;
        std::filesystem::create_directories(std::filesystem::path(chemin).parent_path());
        if (chemin.ends_with(".jpg")) {
            testing_support::WriteJpeg(chemin, *testing_support::Pattern(largeur, hauteur));
        } else {
            testing_support::WriteBmp(chemin, *testing_support::Pattern(largeur, hauteur));
        }
        return chemin;
    }

    void Ouvre(std::vector<std::string> arguments = {}) {
        CreeFiches(Application::Current(), fiches, std::move(arguments));
        fenetre = fiches.Form1;
        fenetre->show();
        QApplication::setActiveWindow(fenetre);
        const auto precedent = fenetre->Korvel1->OnAffiche;
        fenetre->Korvel1->OnAffiche = [this, precedent](components::TImageBrenlow& k) {
            ++affichages;
            precedent(k);
        };
    }

    TDefileImage& Defile() { return fenetre->DefileImage(); }
    int32_t Num() { return Defile().FNumImage; }
    int LargeurAffichee() { return fenetre->Korvel1->GetPicture().Width(); }

    void Touche(int touche) {
        QWidget* cible =
            QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : fenetre;
        QKeyEvent appui(QEvent::KeyPress, touche, Qt::NoModifier);
        QCoreApplication::sendEvent(cible, &appui);
    }

    void Molette(QWidget* cible, int sens) {
        QWheelEvent event(QPointF(5, 5), cible->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, 120 * sens), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(cible, &event);
    }

    TempDir dossier;
    Fiches fiches;
    TForm1* fenetre = nullptr;
    ScriptedDialogs* dialogues = nullptr;
    int affichages = 0;
};

}  // namespace app
