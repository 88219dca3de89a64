// The one way the folder tools' dialogs (automatic rotation, renaming,
// folder resize) run a batch: the folder walked by the dialog's scanner, the
// application's pending work run meanwhile, the controls that would start
// another batch or close the dialog locked, the dialog kept open, and the
// main window told of the files the batch rewrote or renamed, so that it
// shows them as they now are.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace components {
class TScruteDossier;
}

namespace platform::ui {
class Form;
}

namespace app {

struct Fiches;

// The files a batch changed.
struct FichiersChanges {
    std::vector<std::string> reecrits;
    std::vector<std::pair<std::string, std::string>> renommes;  // old name, new name
    // The main window reads its folder again whatever changed: a renaming
    // run ends so, so that its list shows the folder as it now is.
    bool recharge_dossier = false;

    bool Vide() const { return reecrits.empty() && renommes.empty() && !recharge_dossier; }
};

class LotEnCours {
public:
    // `scrute` is the dialog's own scanner, whose file handler the dialog
    // binds.
    LotEnCours(platform::ui::Form& fiche, Fiches& fiches, components::TScruteDossier& scrute);
    LotEnCours(const LotEnCours&) = delete;
    LotEnCours& operator=(const LotEnCours&) = delete;

    // The controls locked while a batch runs.
    void Verrouille(std::initializer_list<QWidget*> controles);

    bool EnCours() const { return en_cours_; }

    // Runs `lot`, unless a batch runs already: the scanner and the pipeline
    // let events through, so a second click would otherwise start a run
    // inside the run. When it ends, also by an error, the main window is told
    // of the files changed.
    void Execute(const std::function<void()>& lot);

    // One walk of `dossier`, and of its sub-folders when asked.
    void Scrute(const std::string& dossier, bool sous_dossiers);
    // Runs the application's pending work, for the pipeline's waits.
    std::function<void()> TraiteMessages() const;

    void Reecrit(const std::string& nom);
    void Renomme(const std::string& ancien, const std::string& nouveau);
    void RechargeDossier() { changes_.recharge_dossier = true; }

private:
    platform::ui::Form& fiche_;
    Fiches& fiches_;
    components::TScruteDossier& scrute_;
    std::vector<QWidget*> controles_;
    bool en_cours_ = false;
    FichiersChanges changes_;
};

}  // namespace app
