// The main window with all its windows, made as the program makes them, on
// scripted dialogs: the fixture of the main window's tests.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <filesystem>

#include "app/defile_image.h"
#include "app/fiches.h"
#include "app/form1.h"
#include "pictures.h"
#include "scripted_dialogs.h"
#include "test_support.h"

namespace app {

using platform::ui::Application;

class FenetrePrincipale : public testing_support::ScriptedTest {
protected:
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
    // Pictures p1.bmp to pN.bmp, 10, 20, ... pixels wide.
    void Serie(int n) {
        for (int i = 1; i <= n; ++i) Image("p" + std::to_string(i) + ".bmp", 10 * i);
    }

    // Starts the program anew with that command line: the window is shown,
    // its first folder not yet loaded.
    void Demarre(std::vector<std::string> arguments) {
        DeleteForms();
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
    // The start's work that waits for the window: the first folder's load.
    void ChargeDepart() { QCoreApplication::sendPostedEvents(fenetre, QEvent::MetaCall); }
    // Starts the program anew and loads its first folder.
    void Ouvre(std::vector<std::string> arguments = {}) {
        Demarre(std::move(arguments));
        ChargeDepart();
    }

    TDefileImage& Defile() { return fenetre->DefileImage(); }
    int32_t Num() { return Defile().FNumImage; }
    int LargeurAffichee() { return fenetre->Korvel1->GetPicture().Width(); }
    // What the window shows, as "number position/maximum width": the picture's
    // number, the track bar's, and the width of the picture displayed.
    std::string Vue() {
        const auto& barre = *fenetre->TrackBarNumImageEnCours;
        return std::to_string(Num()) + " " + std::to_string(barre.Position()) + "/" +
               std::to_string(barre.Max()) + " " + std::to_string(LargeurAffichee());
    }

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

    testing_support::TempDir dossier;
    Fiches fiches;
    TForm1* fenetre = nullptr;
    int affichages = 0;
};

}  // namespace app
