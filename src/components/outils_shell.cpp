#include "components/outils_shell.h"

#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/stream.h"
#include "platform/ui/application.h"

namespace components {

using platform::ui::Application;

namespace {

std::string NomSeul(const std::string& chemin) { return chemin.substr(chemin.rfind('/') + 1); }

}  // namespace

int EnvoieCorbeille(const std::string& nom) {
    Application& app = Application::Current();
    if (!app.GetDialogs().AskYesNo("Voulez-vous vraiment envoyer \"" + NomSeul(nom) + "\" à la corbeille ?")) {
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
        !app.GetDialogs().AskYesNo("Le fichier \"" + NomSeul(cible) + "\" existe déjà. Voulez-vous le remplacer ?")) {
        return;
    }
    try {
        const std::vector<uint8_t> octets = platform::ReadFileBytes(source);
        platform::WriteFileAtomic(cible, octets);
        if (const auto date = platform::ModificationTime(source)) platform::SetModificationTime(cible, *date);
    } catch (const std::exception& erreur) {
        app.GetDialogs().ShowError(erreur.what());
    }
}

}  // namespace components
