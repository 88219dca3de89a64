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

}  // namespace app
