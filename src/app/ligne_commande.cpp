#include "app/ligne_commande.h"

#include <algorithm>
#include <cctype>

#include "platform/core/text.h"

namespace app {

namespace {

bool EstOption(const std::string& argument) {
    return argument.size() >= 2 && argument[0] == '/' &&
           std::all_of(argument.begin() + 1, argument.end(),
                       [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; });
}

std::string Absolu(const std::string& chemin, const std::string& dossier_courant) {
    if (chemin.empty() || chemin.front() == '/') return chemin;
    return dossier_courant == "/" ? "/" + chemin : dossier_courant + "/" + chemin;
}

}  // namespace

LigneCommande AnalyseLigneCommande(const std::vector<std::string>& arguments,
                                   const std::string& dossier_courant,
                                   const std::function<bool(const std::string&)>& existe) {
    // An empty argument ends the command line.
    std::vector<std::string> utiles;
    for (const std::string& argument : arguments) {
        if (argument.empty()) break;
        utiles.push_back(argument);
    }

    LigneCommande ligne;
    for (const std::string& argument : utiles) {
        if (!ligne.texte.empty()) ligne.texte += ' ';
        ligne.texte += argument;
    }
    if (!utiles.empty() && EstOption(utiles.back()) && !existe(utiles.back())) {
        ligne.options = platform::UpperCase(utiles.back().substr(1));
        utiles.pop_back();
    }
    for (const std::string& argument : utiles) {
        if (!ligne.fichier.empty()) ligne.fichier += ' ';
        ligne.fichier += argument;
    }

    while (!ligne.fichier.empty() && ligne.fichier.back() == ' ') ligne.fichier.pop_back();
    ligne.fichier = Absolu(ligne.fichier, dossier_courant);
    const size_t separateur = ligne.fichier.rfind('/');
    if (separateur != std::string::npos) ligne.dossier = ligne.fichier.substr(0, separateur + 1);
    return ligne;
}

}  // namespace app
