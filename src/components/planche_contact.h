// What the contact sheet computes apart from its widgets: where each cell
// goes, at what scale a JPEG is decoded for a cell, and the cell-sized
// picture of a file, made on any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/jpeg_image.h"
#include "platform/graphics/types.h"

namespace components {

// Cells laid out left to right and top to bottom. Sums and products raise
// the runtime's overflow error.
struct GrillePlanche {
    int32_t pas_x = 0;     // cell width plus the gap after it
    int32_t pas_y = 0;     // cell height plus the gap after the row
    int32_t colonnes = 1;  // never fewer than one, however narrow the panel
    int32_t rangees = 0;
    int32_t hauteur = 0;  // the panel's height, all rows included

    // Left and top of cell `index` (from 0).
    platform::Point Position(int32_t index) const;
};

GrillePlanche CalculeGrille(int32_t largeur_panneau, int32_t nombre, int32_t largeur_diapo,
                            int32_t hauteur_diapo, int32_t ecart_x, int32_t ecart_y);

// The decoding scale of a width x height JPEG in a cell: r is the smaller of
// Trunc((width + 1) / cell width) and Trunc((height + 1) / cell height); up
// to 1 full size, 2 or 3 half, 4 to 7 a quarter, from 8 an eighth. A cell of
// no size decodes at full size.
platform::JpegScale EchelleDecodage(int32_t largeur, int32_t hauteur, int32_t largeur_diapo,
                                    int32_t hauteur_diapo);

// The size a width x height picture takes in a cell, its proportions kept,
// never larger than the picture itself (the cell enlarges it when shown).
platform::Point TailleDansCellule(int32_t largeur, int32_t hauteur, int32_t largeur_diapo,
                                  int32_t hauteur_diapo);

// A picture file made small enough for its cell: the picture's own size and
// the cell-sized pixels.
struct Vignette {
    int32_t largeur = 0;
    int32_t hauteur = 0;
    std::unique_ptr<platform::Bitmap> pixels;
};

// Reads `chemin` through the picture registry and returns it fitted to the
// cell. A JPEG is decoded at EchelleDecodage's scale, chosen from its header,
// and shrunk row by row as it is decoded; a GIF keeps only the rows of its
// frames that the cell's height needs and is drawn from them: only the small
// picture is ever whole in memory. `taille_lue`, when given, hears the
// picture's size as soon as it is known, before the decoding. Transparent
// pictures lie on `fond`. Errors of the file or its decoding are raised.
Vignette FabriqueVignette(const std::string& chemin, int32_t largeur_diapo, int32_t hauteur_diapo,
                          platform::Color fond,
                          const std::function<void(int32_t, int32_t)>& taille_lue = {});

}  // namespace components
