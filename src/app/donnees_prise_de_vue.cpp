#include "app/donnees_prise_de_vue.h"

#include <array>
#include <utility>

#include "metadata/image_info.h"

namespace app {

DonneesPriseDeVue LitDonneesPriseDeVue(const metadata::TImageInfo& exif) {
    DonneesPriseDeVue d;
    // Each label takes its text only when its tag has a value.
    const auto avec = [&](std::string_view tag, auto&& texte) {
        const std::string valeur = exif.TagValue(tag);
        if (!valeur.empty()) texte(valeur);
    };
    avec("Flash", [&](const std::string& v) { d.flash = "Flash " + v; });
    avec("FocalLength", [&](const std::string& v) { d.focale = " focale : " + v; });
    avec("Short focal", [&](const std::string& v) { d.objectif = "Zoom " + v + "x"; });
    avec("Long focal", [&](const std::string& v) {
        d.objectif += v;
        avec("MaxApertureValue",
             [&](const std::string& ouverture) { d.objectif += " " + ouverture; });
    });
    d.vitesse = exif.TagValue("ExposureTime");
    if (d.vitesse.empty()) d.vitesse = exif.TagValue("ShutterSpeedValue");
    avec("FNumber", [&](const std::string& v) { d.diaf = "diaph " + v; });
    avec("ExposureBiasValue", [&](const std::string& v) { d.correction = "Cor. exp " + v; });
    avec("ISOSpeedRatings", [&](const std::string& v) { d.iso = v + " Asa"; });
    d.date = exif.TagValue("DateTimeOriginal");
    d.programme = TraduitProgramme(exif.TagValue("exposureProgram"));
    return d;
}

std::string TraduitProgramme(std::string_view programme) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kProgrammes{{
        {"Portrait mode", "Portrait"},
        {"Shutter priority", "Prio Vitesse"},
        {"Aperture priority", "Prio Diaph"},
        {"Manual", "Manuel"},
        {"Action(high-speed)", "Action"},
        {"Normal", "Normal"},
        {"Landscape mode", "Paysage"},
        {"Creative(slow)", "Lent"},
    }};
    for (const auto& [exif, francais] : kProgrammes) {
        if (programme == exif) return std::string(francais);
    }
    return {};
}

}  // namespace app
