#include "app/ajout_prefixe.h"

#include <algorithm>

#include "app/chemins.h"
#include "platform/core/files.h"

namespace app {

std::string AjoutPrefixe::NouveauNom(const std::string& chemin) const {
    const std::string dossier = PartieDossier(chemin);
    const std::string fichier = chemin.substr(dossier.size());
    // Only the extension is set apart: the dots inside a name (dates,
    // versions) are part of it, and cutting there would give two files the
    // same new name.
    const size_t point = std::min(fichier.rfind('.'), fichier.size());
    const std::string nom = fichier.substr(0, point);
    const std::string extension = fichier.substr(point);
    if (prefixe) return dossier + texte + separateur + nom + extension;
    return dossier + nom + separateur + texte + extension;
}

std::optional<std::string> AjoutPrefixe::Refus(const std::string& dossier) const {
    if (dossier.empty()) return "Nom de dossier non valide";
    if (texte.find('/') != std::string::npos || separateur.find('/') != std::string::npos)
        return "Le texte et le séparateur ne peuvent pas contenir le caractère \"/\".";
    return std::nullopt;
}

std::vector<std::string> AjoutPrefixe::Renomme(const std::vector<std::string>& fichiers) const {
    std::vector<std::string> restes;
    for (const std::string& fichier : fichiers) {
        const std::string cible = NouveauNom(fichier);
        if (cible == fichier) continue;
        if (!platform::MoveFileNoReplace(fichier, cible)) restes.push_back(fichier);
    }
    return restes;
}

std::string MessageNonRenommes(const std::vector<std::string>& fichiers) {
    return ListeLimitee(
        "Ces fichiers n'ont pas été renommés (le nouveau nom existe déjà ou le déplacement a "
        "été refusé) :",
        fichiers);
}

}  // namespace app
