#include "components/planche_contact.h"

#include <algorithm>

#include "gif/gif_image.h"
#include "platform/core/arith.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/graphic.h"

namespace components {

using platform::CheckedAdd;
using platform::CheckedMul;
using platform::JpegScale;

platform::Point GrillePlanche::Position(int32_t index) const {
    return {CheckedMul(index % colonnes, pas_x), CheckedMul(index / colonnes, pas_y)};
}

GrillePlanche CalculeGrille(int32_t largeur_panneau, int32_t nombre, int32_t largeur_diapo,
                            int32_t hauteur_diapo, int32_t ecart_x, int32_t ecart_y) {
    GrillePlanche grille;
    grille.pas_x = CheckedAdd(largeur_diapo, ecart_x);
    grille.pas_y = CheckedAdd(hauteur_diapo, ecart_y);
    // A step of no width or less holds no count of columns: one column then.
    if (grille.pas_x > 0) grille.colonnes = std::max(1, largeur_panneau / grille.pas_x);
    grille.rangees = nombre / grille.colonnes + (nombre % grille.colonnes != 0 ? 1 : 0);
    grille.hauteur = CheckedMul(grille.pas_y, grille.rangees);
    return grille;
}

JpegScale EchelleDecodage(int32_t largeur, int32_t hauteur, int32_t largeur_diapo,
                          int32_t hauteur_diapo) {
    if (largeur_diapo < 1 || hauteur_diapo < 1) return JpegScale::FullSize;
    const int64_t rw = (int64_t{largeur} + 1) / largeur_diapo;
    const int64_t rh = (int64_t{hauteur} + 1) / hauteur_diapo;
    const int64_t r = std::min(rw, rh);
    if (r <= 1) return JpegScale::FullSize;
    if (r <= 3) return JpegScale::Half;
    if (r <= 7) return JpegScale::Quarter;
    return JpegScale::Eighth;
}

platform::Point TailleDansCellule(int32_t largeur, int32_t hauteur, int32_t largeur_diapo,
                                  int32_t hauteur_diapo) {
    if (largeur <= 0 || hauteur <= 0 || largeur_diapo <= 0 || hauteur_diapo <= 0) return {};
    if (largeur <= largeur_diapo && hauteur <= hauteur_diapo) return {largeur, hauteur};
    const int64_t w = largeur;
    const int64_t h = hauteur;
    // The side that reaches the cell's edge first sets the scale.
    if (w * hauteur_diapo >= h * largeur_diapo) {
        const int64_t autre = (h * largeur_diapo + w / 2) / w;
        return {largeur_diapo, static_cast<int32_t>(std::max<int64_t>(1, autre))};
    }
    const int64_t autre = (w * hauteur_diapo + h / 2) / h;
    return {static_cast<int32_t>(std::max<int64_t>(1, autre)), hauteur_diapo};
}

Vignette FabriqueVignette(const std::string& chemin, int32_t largeur_diapo, int32_t hauteur_diapo,
                          platform::Color fond,
                          const std::function<void(int32_t, int32_t)>& taille_lue) {
    std::unique_ptr<platform::Graphic> image =
        platform::PictureRegistry::Instance().CreateFor(chemin);
    // A GIF keeps of its frames only the rows a cell's height needs.
    if (auto* gif = dynamic_cast<gif::TGIFImage*>(image.get()))
        gif->SetMaxDrawHeight(hauteur_diapo);
    // A JPEG reads its header here; its pixels wait for the scale.
    image->LoadFromFile(chemin);
    Vignette vignette;
    vignette.largeur = image->Width();
    vignette.hauteur = image->Height();
    if (taille_lue) taille_lue(vignette.largeur, vignette.hauteur);
    platform::Point taille =
        TailleDansCellule(vignette.largeur, vignette.hauteur, largeur_diapo, hauteur_diapo);
    if (taille.X <= 0 || taille.Y <= 0) return vignette;

    if (auto* jpeg = dynamic_cast<platform::JpegImage*>(image.get())) {
        jpeg->SetScale(
            EchelleDecodage(vignette.largeur, vignette.hauteur, largeur_diapo, hauteur_diapo));
        // The cell's size was reckoned from the whole picture; the reduced
        // decoding may be a pixel short of it.
        taille.X = std::min(taille.X, jpeg->Width());
        taille.Y = std::min(taille.Y, jpeg->Height());
        vignette.pixels =
            std::make_unique<platform::Bitmap>(platform::Bitmap::ForOverwrite(taille.X, taille.Y));
        jpeg->StretchInto(*vignette.pixels);
        return vignette;
    }
    vignette.pixels = std::make_unique<platform::Bitmap>(taille.X, taille.Y);
    vignette.pixels->Fill(fond);
    platform::Canvas(*vignette.pixels).StretchDraw({0, 0, taille.X, taille.Y}, *image);
    return vignette;
}

}  // namespace components
