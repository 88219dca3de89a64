#include "components/image_brenlow_geometrie.h"

#include "platform/core/arith.h"

namespace components {

using platform::CheckedMul;
using platform::CheckedSub;
using platform::Round;

platform::Rect CalculeDisposition(const ParametresDisposition& p) {
    const Marges& m = p.marges;
    int32_t hauteur;
    int32_t largeur;
    if (!p.stretch) {
        hauteur = Round(static_cast<long double>(p.hauteur_image) * p.coef_zoom);
        largeur = Round(static_cast<long double>(p.largeur_image) * p.coef_zoom);
        return platform::Rect{0, 0, largeur, hauteur};
    }
    hauteur = CheckedSub(CheckedSub(p.hauteur_panneau, m.bas), m.haut);
    largeur = CheckedSub(CheckedSub(p.largeur_panneau, m.droite), m.gauche);
    if (p.garde_proportion && p.largeur_image > 0 && p.hauteur_image > 0 && largeur > 0 &&
        hauteur > 0) {
        // Both ratios are stored as doubles before they are compared.
        const double rp = static_cast<double>(p.hauteur_image) / p.largeur_image;
        const double ri = static_cast<double>(hauteur) / largeur;
        if (ri >= rp) {
            hauteur = Round(static_cast<long double>(rp) / ri * hauteur);
        } else {
            largeur = Round(static_cast<long double>(ri) / rp * largeur);
        }
    }
    const int32_t gauche = Round(
        m.gauche + static_cast<long double>(CheckedSub(
                       CheckedSub(CheckedSub(p.largeur_panneau, m.gauche), m.droite), largeur)) /
                       2.0L);
    const int32_t haut =
        Round(m.haut + static_cast<long double>(CheckedSub(
                           CheckedSub(CheckedSub(p.hauteur_panneau, m.haut), m.bas), hauteur)) /
                           2.0L);
    return platform::Rect{gauche, haut, platform::CheckedAdd(gauche, largeur),
                          platform::CheckedAdd(haut, hauteur)};
}

int32_t YProportionnel(int32_t largeur_image, int32_t hauteur_image, platform::Point debut,
                       int32_t x_courant) {
    const int32_t produit = CheckedMul(hauteur_image, CheckedSub(x_courant, debut.X));
    return Round(static_cast<long double>(produit) / largeur_image + debut.Y);
}

Selection SelectionEnPixels(int32_t largeur_image, int32_t hauteur_image, int32_t largeur_controle,
                            int32_t hauteur_controle, platform::Point debut,
                            platform::Point courant) {
    auto echelle = [](int32_t taille_image, int32_t coordonnee, int32_t taille_controle) {
        return Round(static_cast<long double>(CheckedMul(taille_image, coordonnee)) /
                     taille_controle);
    };
    return Selection{echelle(largeur_image, debut.X, largeur_controle),
                     echelle(hauteur_image, debut.Y, hauteur_controle),
                     echelle(largeur_image, courant.X, largeur_controle),
                     echelle(hauteur_image, courant.Y, hauteur_controle)};
}

}  // namespace components
