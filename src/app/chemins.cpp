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
    std::vector<std::string> lignes;
    for (const FichierIllisible& f : fichiers) lignes.push_back(f.nom + " (" + f.raison + ")");
    return ListeLimitee(std::move(entete), lignes);
}

}  // namespace app
