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

std::optional<Emplacement> PlaceImage(const platform::ui::PageValues& page,
                                      const TailleDemandee& taille, int32_t largeur_image,
                                      int32_t hauteur_image, double points_par_pouce) {
    if (largeur_image <= 0 || hauteur_image <= 0) return std::nullopt;
    const double largeur_utile = page.PrintableWidth();
    double largeur = taille.pleine_page ? page.width : std::max(0, taille.largeur_mm);
    double hauteur = taille.pleine_page ? page.length : std::max(0, taille.hauteur_mm);
    largeur = std::min(largeur, largeur_utile);
    hauteur = std::min(hauteur, page.PrintableLength());

    const Proportions taille_image =
        AjusteProportions(PointsDeMm(largeur, points_par_pouce),
                          PointsDeMm(hauteur, points_par_pouce), largeur_image, hauteur_image);
    const int32_t place = PointsDeMm(largeur_utile, points_par_pouce);
    const int32_t gauche = platform::CheckedAdd(
        PointsDeMm(page.left_margin, points_par_pouce),
        platform::Round((static_cast<double>(place) - taille_image.largeur) / 2));
    return Emplacement{gauche, PointsDeMm(page.top_margin, points_par_pouce), taille_image.largeur,
                       taille_image.hauteur};
}

}  // namespace app
