// The arithmetic of the picture display, apart from its widgets: where the
// picture goes in fit and zoom mode, and what a rubber band selects.
#pragma once

#include <cstdint>

#include "platform/graphics/types.h"

namespace components {

struct Marges {
    int32_t gauche = 0;
    int32_t droite = 0;
    int32_t haut = 0;
    int32_t bas = 0;
};

struct ParametresDisposition {
    int32_t largeur_panneau = 0;  // the panel's outer size
    int32_t hauteur_panneau = 0;
    int32_t largeur_image = 0;  // the picture's own size
    int32_t hauteur_image = 0;
    bool stretch = false;
    bool garde_proportion = false;
    double coef_zoom = 1.0;
    Marges marges;
};

// Bounds of the image control: fitted inside the panel less the margins,
// proportions kept and centred (stretch), or the picture times the zoom at
// 0, 0. Sizes may come out 0 or negative when the panel is smaller than its
// margins. Overflow raises the runtime's errors.
platform::Rect CalculeDisposition(const ParametresDisposition& p);

// The band's current Y when it keeps the picture's proportions:
// Round(picture height * (current X - start X) / picture width + start Y).
int32_t YProportionnel(int32_t largeur_image, int32_t hauteur_image, platform::Point debut,
                       int32_t x_courant);

// The band from `debut` to `courant` (image control coordinates) in picture
// pixels: neither normalised nor clipped to the picture.
struct Selection {
    int32_t gauche = 0;
    int32_t haut = 0;
    int32_t droite = 0;
    int32_t bas = 0;
};
Selection SelectionEnPixels(int32_t largeur_image, int32_t hauteur_image, int32_t largeur_controle,
                            int32_t hauteur_controle, platform::Point debut,
                            platform::Point courant);

}  // namespace components
