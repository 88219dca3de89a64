// Path pieces the folder tools read from their fields and file names, and
// the lists of files they report at the end.
#pragma once

#include <string>
#include <vector>

namespace app {

// The folder part of a path, up to and including its last "/"; empty when
// it has none.
std::string PartieDossier(const std::string& chemin);

// `entete`, then one line each, the first 30 only, then how many more there
// are; empty for no line.
std::string ListeLimitee(std::string entete, const std::vector<std::string>& lignes);

// A file that a folder tool left as it was because it could not be read as a
// picture, or could not be written over (a read-only file), and why.
struct FichierIllisible {
    std::string nom;
    std::string raison;
    bool non_ecrit = false;  // read, but refused when written
};

// Why a JPEG file whose decoding had to make up pixels (a truncated or
// damaged file) is not rewritten in place: what is missing would be replaced
// by grey for good.
inline constexpr const char* kImageEndommagee = "Image JPEG incomplète ou endommagée";

// The end-of-run message for the files left because they could not be read,
// under its heading, then for those that could not be written, under theirs;
// empty when there is none.
std::string MessageIllisibles(
    const std::vector<FichierIllisible>& fichiers,
    std::string entete = "Ces fichiers n'ont pas pu être lus et n'ont pas été modifiés :");

}  // namespace app
