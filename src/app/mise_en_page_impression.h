// Where the printed picture goes on its page: the size the user asked for,
// kept within the printable area, fitted to the picture's shape, at the top
// of that area and centred across it. Sizes are asked in millimetres and
// placed in the printing device's own units, so that the picture is drawn at
// the device's full resolution.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/ui/page.h"

namespace app {

struct Proportions {
    int32_t largeur = 0;
    int32_t hauteur = 0;
    friend bool operator==(const Proportions&, const Proportions&) = default;
};

// The box of `a` x `b` brought to the shape of a picture of `w` x `h` (both
// above 0): it keeps its height when it is wider than the picture's shape,
// its width otherwise, the other side following the picture's ratio, rounded
// half to even. A side that does not fit 32 bits raises the range error.
Proportions AjusteProportions(int32_t a, int32_t b, int32_t w, int32_t h);

// The picture's size as the print dialog asks for it.
struct TailleDemandee {
    int32_t largeur_mm = 0;
    int32_t hauteur_mm = 0;
    // The whole sheet, brought within the printable area.
    bool pleine_page = false;
};

// A rectangle of the page in device units, from the page's top left corner.
struct Emplacement {
    int32_t gauche = 0;
    int32_t haut = 0;
    int32_t largeur = 0;
    int32_t hauteur = 0;
    friend bool operator==(const Emplacement&, const Emplacement&) = default;
};

// Device units for a length in millimetres at `points_par_pouce`, rounded
// half to even.
int32_t PointsDeMm(double mm, double points_par_pouce);

// The place of a picture of `largeur_image` x `hauteur_image` pixels on the
// page: the asked box (a negative side counts as 0), no larger than the
// printable area, fitted to the picture's shape, its top on the top margin
// and centred across the printable area. None for a picture without pixels,
// which leaves the page as it was.
std::optional<Emplacement> PlaceImage(const platform::ui::PageValues& page,
                                      const TailleDemandee& taille, int32_t largeur_image,
                                      int32_t hauteur_image, double points_par_pouce);

}  // namespace app
