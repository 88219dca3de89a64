// The command line: a picture file, then option letters after "/".
//
// On Linux every absolute path starts with "/", so the letters are the last
// argument only when it is "/" followed by letters alone and no file of that
// name exists; the other arguments are joined with single blanks, up to the
// first empty one.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace app {

struct LigneCommande {
    std::string texte;    // the file part and the options as typed, joined by blanks
    std::string options;  // the letters after "/", upper-cased
    std::string fichier;  // the picture, made absolute, without trailing blanks
    std::string dossier;  // the file part up to and including its last "/"

    bool PleinEcran() const { return options.find('P') != std::string::npos; }
    bool SousDossiers() const { return options.find('S') != std::string::npos; }
    bool Diaporama() const { return options.find('A') != std::string::npos; }
};

// `arguments` are the program's arguments without the program's name;
// `existe` tells whether a file of that name exists; relative names are taken
// against `dossier_courant`.
LigneCommande AnalyseLigneCommande(const std::vector<std::string>& arguments,
                                   const std::string& dossier_courant,
                                   const std::function<bool(const std::string&)>& existe);

}  // namespace app
