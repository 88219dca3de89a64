// Path pieces the folder tools read from their fields and file names.
#pragma once

#include <string>

namespace app {

// The folder part of a path, up to and including its last "/"; empty when
// it has none.
std::string PartieDossier(const std::string& chemin);

// The extension of the path's last component from its last ".", in upper
// case ("photo.jpg" gives ".JPG"); empty when it has none.
std::string ExtensionMajuscule(const std::string& chemin);

}  // namespace app
