#include "components/outils_shell.h"

#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/stream.h"
#include "platform/ui/application.h"

namespace components {

using platform::ui::Application;
using platform::ui::DefaultAnswer;

namespace {

std::string NomSeul(const std::string& chemin) { return chemin.substr(chemin.rfind('/') + 1); }

}  // namespace

int EnvoieCorbeille(const std::string& nom) {
    Application& app = Application::Current();
    if (!app.GetDialogs().AskYesNo(
            "Voulez-vous vraiment envoyer \"" + NomSeul(nom) + "\" à la corbeille ?",
            DefaultAnswer::No)) {
        return 1;
    }
    if (!app.GetShell().MoveToTrash(nom)) {
        app.GetDialogs().ShowError("Impossible d'envoyer \"" + nom + "\" à la corbeille.");
        return 1;
    }
    return 0;
}

void CopieFichierShell(const std::string& source, const std::string& cible) {
    Application& app = Application::Current();
    if (platform::FileExists(cible) &&
        !app.GetDialogs().AskYesNo(
            "Le fichier \"" + NomSeul(cible) + "\" existe déjà. Voulez-vous le remplacer ?",
            DefaultAnswer::No)) {
        return;
    }
    try {
        platform::FileStream entree(source, platform::FileMode::Read);
        platform::WriteFileAtomic(cible, [&entree](platform::Stream& sortie) {
            std::vector<uint8_t> morceau(size_t{1} << 16);
            for (size_t lus; (lus = entree.Read(morceau.data(), morceau.size())) > 0;) {
                sortie.WriteBuffer(morceau.data(), lus);
            }
        });
        if (const auto date = platform::ModificationTime(source)) platform::SetModificationTime(cible, *date);
    } catch (const std::exception& erreur) {
        app.GetDialogs().ShowError(platform::UserMessage(erreur));
    }
}

bool ConfirmeReecriture(const std::string& nom, const std::optional<platform::FileIdentity>& lu) {
    const std::optional<platform::FileIdentity> present = platform::IdentifyFile(nom);
    // Also true when nothing was read and nothing is there: nothing is lost.
    if (present == lu) return true;
    platform::ui::Dialogs& dialogues = Application::Current().GetDialogs();
    if (!present) {
        return dialogues.AskYesNo("Le fichier " + nom + " a été supprimé. L'écrire à nouveau ?",
                                  DefaultAnswer::No);
    }
    return dialogues.AskYesNo(
        "Le fichier " + nom + " a été modifié depuis son ouverture. L'écraser ?",
        DefaultAnswer::No);
}

}  // namespace components
