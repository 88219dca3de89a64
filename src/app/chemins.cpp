#include "app/chemins.h"

#include "platform/core/text.h"

namespace app {

std::string PartieDossier(const std::string& chemin) {
    const size_t barre = chemin.rfind('/');
    return barre == std::string::npos ? std::string() : chemin.substr(0, barre + 1);
}

std::string ExtensionMajuscule(const std::string& chemin) {
    const size_t point = chemin.rfind('.');
    if (point == std::string::npos || point < PartieDossier(chemin).size()) return {};
    return platform::UpperCase(chemin.substr(point));
}

}  // namespace app
