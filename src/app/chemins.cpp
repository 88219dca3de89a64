#include "app/chemins.h"

namespace app {

std::string PartieDossier(const std::string& chemin) {
    const size_t barre = chemin.rfind('/');
    return barre == std::string::npos ? std::string() : chemin.substr(0, barre + 1);
}

std::string ExtensionMajuscule(const std::string& chemin) {
    const size_t point = chemin.rfind('.');
    if (point == std::string::npos || point < PartieDossier(chemin).size()) return {};
    std::string extension = chemin.substr(point);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return extension;
}

}  // namespace app
