#include "app/chemins.h"

#include <utility>

namespace app {

std::string PartieDossier(const std::string& chemin) {
    const size_t barre = chemin.rfind('/');
    return barre == std::string::npos ? std::string() : chemin.substr(0, barre + 1);
}

std::string ListeLimitee(std::string entete, const std::vector<std::string>& lignes) {
    constexpr size_t kLignes = 30;
    if (lignes.empty()) return {};
    for (size_t i = 0; i < lignes.size() && i < kLignes; ++i) entete += "\n" + lignes[i];
    if (lignes.size() > kLignes)
        entete += "\n... et " + std::to_string(lignes.size() - kLignes) + " autres.";
    return entete;
}

std::string MessageIllisibles(const std::vector<FichierIllisible>& fichiers, std::string entete) {
    std::vector<std::string> illisibles;
    std::vector<std::string> non_ecrits;
    for (const FichierIllisible& f : fichiers)
        (f.non_ecrit ? non_ecrits : illisibles).push_back(f.nom + " (" + f.raison + ")");
    std::string message = ListeLimitee(std::move(entete), illisibles);
    const std::string suite = ListeLimitee(
        "Ces fichiers n'ont pas pu être écrits et n'ont pas été modifiés :", non_ecrits);
    if (!message.empty() && !suite.empty()) message += "\n\n";
    return message + suite;
}

}  // namespace app
