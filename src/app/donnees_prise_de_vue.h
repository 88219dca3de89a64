// The shooting data that the main window shows under a picture, read from
// its EXIF tags: plain texts for the labels, apart from the widgets.
#pragma once

#include <string>
#include <string_view>

namespace metadata {
class TImageInfo;
}

namespace app {

struct DonneesPriseDeVue {
    std::string flash;
    std::string focale;
    std::string objectif;
    std::string vitesse;
    std::string diaf;
    std::string iso;
    std::string date;
    std::string programme;
    std::string correction;
};

DonneesPriseDeVue LitDonneesPriseDeVue(const metadata::TImageInfo& exif);

// The French word of an exposure programme as the EXIF tag names it; empty
// for any other text (the comparison is exact).
std::string TraduitProgramme(std::string_view programme);

}  // namespace app
