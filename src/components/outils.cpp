#include "components/outils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/core/text.h"

namespace components {

namespace {

std::string SansBarreFinale(std::string chemin) {
    while (chemin.size() > 1 && chemin.back() == '/') chemin.pop_back();
    return chemin;
}

// The value of a line `cle="$HOME/Bureau"` of the desktop session's folder
// list, as a path; empty when the line is not of that form.
std::string ValeurDossierUtilisateur(std::string_view ligne, std::string_view cle,
                                     const std::string& personnel) {
    while (!ligne.empty() && (ligne.front() == ' ' || ligne.front() == '\t'))
        ligne.remove_prefix(1);
    if (!ligne.starts_with(cle) || ligne.substr(cle.size(), 2) != "=\"") return {};
    ligne.remove_prefix(cle.size() + 2);
    std::string valeur;
    for (size_t i = 0; i < ligne.size(); ++i) {
        if (ligne[i] == '"') {
            if (valeur.starts_with("$HOME")) return SansBarreFinale(personnel + valeur.substr(5));
            return valeur.starts_with('/') ? SansBarreFinale(valeur) : std::string{};
        }
        if (ligne[i] == '\\' && i + 1 < ligne.size()) ++i;
        valeur.push_back(ligne[i]);
    }
    return {};
}

// A folder of the user's desktop session ("XDG_DESKTOP_DIR"), or the usual
// folder of that name in the home folder when the session names none.
std::string DossierUtilisateur(std::string_view cle, std::string_view par_defaut) {
    const std::string personnel = platform::HomeDirectory();
    const char* configuration = std::getenv("XDG_CONFIG_HOME");
    const std::string dossier_configuration = configuration != nullptr && configuration[0] == '/'
                                                  ? configuration
                                                  : personnel + "/.config";
    std::ifstream fichier(dossier_configuration + "/user-dirs.dirs");
    std::string dossier;
    std::string ligne;
    // The file is read by a shell: the last assignment wins.
    while (std::getline(fichier, ligne)) {
        std::string valeur = ValeurDossierUtilisateur(ligne, cle, personnel);
        if (!valeur.empty()) dossier = std::move(valeur);
    }
    if (!dossier.empty()) return dossier;
    return SansBarreFinale(personnel + "/" + std::string(par_defaut));
}

}  // namespace

std::string PremierCaractere(std::string_view texte) {
    return std::string(texte.substr(0, platform::NextCharacter(texte, 0)));
}

std::string DernierCaractere(std::string_view texte) {
    return std::string(texte.substr(platform::PreviousCharacter(texte, texte.size())));
}

std::string SansPremierCaractere(std::string_view texte) {
    return std::string(texte.substr(platform::NextCharacter(texte, 0)));
}

std::string TexteApres(std::string_view separateur, std::string_view texte) {
    const size_t position = separateur.empty() ? std::string_view::npos : texte.find(separateur);
    if (position == std::string_view::npos) return {};
    return std::string(texte.substr(position + separateur.size()));
}

std::string TexteAvant(std::string_view separateur, std::string_view texte) {
    const size_t position = separateur.empty() ? std::string_view::npos : texte.find(separateur);
    if (position == std::string_view::npos) return {};
    return std::string(texte.substr(0, position));
}

int32_t NombreOccurrences(std::string_view separateur, std::string_view texte) {
    if (separateur.empty()) return 0;
    int64_t nombre = 0;
    for (size_t position = texte.find(separateur); position != std::string_view::npos;
         position = texte.find(separateur, position + separateur.size())) {
        ++nombre;
    }
    return static_cast<int32_t>(platform::CheckRange(nombre, 0, INT32_MAX));
}

std::string ChampNumero(std::string_view separateur, std::string_view texte, int32_t numero) {
    if (separateur.empty()) return {};
    // With one more separator at the end, every field, the last one included,
    // is followed by a separator.
    std::string complet(texte);
    complet.append(separateur);
    std::string_view reste(complet);
    for (int32_t i = 0; i < numero; ++i) {
        const size_t position = reste.find(separateur);
        if (position == std::string_view::npos) return {};
        reste.remove_prefix(position + separateur.size());
    }
    return TexteAvant(separateur, reste);
}

std::string SansExtension(std::string_view nom) {
    const size_t barre = nom.rfind('/');
    const size_t debut_nom = barre == std::string_view::npos ? 0 : barre + 1;
    const size_t point = nom.rfind('.');
    if (point == std::string_view::npos || point < debut_nom) return std::string(nom);
    return std::string(nom.substr(0, point));
}

bool DossierExiste(const std::string& dossier) {
    std::string chemin = dossier;
    if (!chemin.empty() && chemin.back() == '/') chemin.pop_back();
    return platform::DirectoryExists(chemin + "/");
}

bool CreeDossiers(const std::string& chemin) {
    std::string complet = chemin;
    if (complet.empty() || complet.back() != '/') complet.push_back('/');
    std::string construit = TexteAvant("/", complet) + "/";
    const int32_t niveaux = NombreOccurrences("/", complet) - 1;
    bool reussi = true;
    for (int32_t k = 1; k <= niveaux && reussi; ++k) {
        construit += ChampNumero("/", complet, k) + "/";
        if (!DossierExiste(construit)) reussi = ::mkdir(construit.c_str(), 0777) == 0;
    }
    return reussi;
}

std::string DossierSpecial(int32_t numero) {
    switch (numero) {
        case 0:
        case kDossierBureau:
            return DossierUtilisateur("XDG_DESKTOP_DIR", "Desktop");
        case kDossierDocuments:
            return DossierUtilisateur("XDG_DOCUMENTS_DIR", "Documents");
        case kDossierImages:
            return DossierUtilisateur("XDG_PICTURES_DIR", "Pictures");
        case kDossierPersonnel:
            return platform::HomeDirectory();
        default:
            return {};
    }
}

void FixeDateFichier(const std::string& nom, platform::FileTime date) {
    // Not blocking: a pipe with no reader must not hang the caller.
    const int fd = ::open(nom.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) platform::RaiseRange();
    ::close(fd);
    platform::SetModificationTime(nom, date);
}

std::string LecteurCourant() {
    return {};
}

bool ExisteDossier(const std::string& dossier) {
    return DossierExiste(dossier);
}

std::string ChaineAvant(std::string_view separateur, std::string_view texte) {
    return TexteAvant(separateur, texte);
}

std::string ChaineApres(std::string_view separateur, std::string_view texte) {
    return TexteApres(separateur, texte);
}

bool DeplaceFichier(const std::string& source, const std::string& cible) {
    return platform::MoveFileNoReplace(source, cible);
}

bool ChaineVersBooleen(std::string_view texte) {
    return platform::UpperCase(texte) == "TRUE";
}

std::string BooleenVersChaine(bool valeur) {
    return valeur ? "true" : "false";
}

}  // namespace components
