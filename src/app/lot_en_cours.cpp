#include "app/lot_en_cours.h"

#include <QWidget>

#include "app/fiches.h"
#include "app/form1.h"
#include "components/scrute_dossier.h"
#include "platform/ui/application.h"
#include "platform/ui/form.h"

namespace app {

LotEnCours::LotEnCours(platform::ui::Form& fiche, Fiches& fiches,
                       components::TScruteDossier& scrute)
    : fiche_(fiche), fiches_(fiches), scrute_(scrute) {
    scrute_.TraiteMessages = TraiteMessages();
    fiche_.OnClose = [this](platform::ui::Form&, platform::ui::CloseAction& action) {
        if (en_cours_) action = platform::ui::CloseAction::None;
    };
}

void LotEnCours::Verrouille(std::initializer_list<QWidget*> controles) {
    controles_ = controles;
}

void LotEnCours::Execute(const std::function<void()>& lot) {
    if (en_cours_) return;
    en_cours_ = true;
    changes_ = {};
    for (QWidget* c : controles_) c->setEnabled(false);
    const auto fin = [this] {
        for (QWidget* c : controles_) c->setEnabled(true);
        en_cours_ = false;
        const FichiersChanges changes = std::move(changes_);
        changes_ = {};
        if (!changes.Vide() && fiches_.Form1 != nullptr) fiches_.Form1->FichiersModifies(changes);
    };
    try {
        lot();
    } catch (...) {
        fin();
        throw;
    }
    fin();
}

void LotEnCours::Scrute(const std::string& dossier, bool sous_dossiers) {
    scrute_.Dossier = dossier;
    scrute_.SousDossier = sous_dossiers;
    scrute_.Execute();
}

std::function<void()> LotEnCours::TraiteMessages() const {
    return [this] { fiche_.App().ProcessMessages(); };
}

void LotEnCours::Reecrit(const std::string& nom) {
    changes_.reecrits.push_back(nom);
}

void LotEnCours::Renomme(const std::string& ancien, const std::string& nouveau) {
    changes_.renommes.emplace_back(ancien, nouveau);
}

}  // namespace app
