#include "app/mise_en_page_impression.h"

#include <algorithm>

#include "platform/core/arith.h"

namespace app {

namespace {

constexpr double kMmParPouce = 25.4;

}  // namespace

Proportions AjusteProportions(int32_t a, int32_t b, int32_t w, int32_t h) {
    // In extended precision, so that a side that is a half in exact
    // arithmetic goes to its even neighbour.
    const long double ratio = static_cast<long double>(w) / h;
    if (a >= b * ratio) return {platform::Round(b * ratio), b};
    return {a, platform::Round(a / ratio)};
}

int32_t PointsDeMm(double mm, double points_par_pouce) {
    return platform::Round(static_cast<long double>(mm) * points_par_pouce / kMmParPouce);
}

std::optional<Emplacement> PlaceImage(const PageMm& page, const TailleDemandee& taille,
                                      int32_t largeur_image, int32_t hauteur_image,
                                      double points_par_pouce) {
    if (largeur_image <= 0 || hauteur_image <= 0) return std::nullopt;
    const double largeur_utile =
        std::max(0.0, page.largeur - page.marge_gauche - page.marge_droite);
    const double longueur_utile = std::max(0.0, page.longueur - page.marge_haut - page.marge_bas);
    double largeur = taille.pleine_page ? page.largeur : std::max(0, taille.largeur_mm);
    double hauteur = taille.pleine_page ? page.longueur : std::max(0, taille.hauteur_mm);
    largeur = std::min(largeur, largeur_utile);
    hauteur = std::min(hauteur, longueur_utile);

    const Proportions taille_image =
        AjusteProportions(PointsDeMm(largeur, points_par_pouce),
                          PointsDeMm(hauteur, points_par_pouce), largeur_image, hauteur_image);
    const auto centre = [&](double marge, double utile, int32_t cote) {
        const int32_t place = PointsDeMm(utile, points_par_pouce);
        return platform::CheckedAdd(PointsDeMm(marge, points_par_pouce),
                                    platform::Round((static_cast<double>(place) - cote) / 2));
    };
    return Emplacement{centre(page.marge_gauche, largeur_utile, taille_image.largeur),
                       centre(page.marge_haut, longueur_utile, taille_image.hauteur),
                       taille_image.largeur, taille_image.hauteur};
}

}  // namespace app
