// The work of the renaming tool: every ".jpg" file of a folder gets a text
// before its name (prefix) or after it (suffix), joined by a separator. A new
// name never replaces an existing file.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace app {

class AjoutPrefixe {
public:
    bool prefixe = true;
    std::string texte;
    std::string separateur = "$";

    // folder + text + separator + name + extension (prefix), or folder + name
    // + separator + text + extension (suffix): the extension runs from the
    // name's last "." (none without one), the name is all that comes before.
    std::string NouveauNom(const std::string& chemin) const;

    // Why a run on `dossier` is refused, in French; none when it may go.
    std::optional<std::string> Refus(const std::string& dossier) const;

    // Renames the files in the order given; returns those that kept their
    // name (the new name taken, or the move refused by the system).
    std::vector<std::string> Renomme(const std::vector<std::string>& fichiers) const;
};

// The end-of-run message for the files that kept their name; empty when all
// were renamed.
std::string MessageNonRenommes(const std::vector<std::string>& fichiers);

}  // namespace app
