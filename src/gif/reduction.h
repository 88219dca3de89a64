// Colour reduction: a picture of any pixel format mapped to at most 256
// colours. A method number chooses the palette, a ditherer number how each
// pixel is mapped to it (dither.h):
//
//   0  none: the picture stays 24-bit
//   1  the 20 colours of the default palette
//   2  the halftone palette
//   3  four greys: 0, $80, $C0, $FF
//   4  black and white
//   5  256 greys
//   6  the 216-colour web palette
//   7  2^ReductionBits colours chosen by the octree quantizer
//   8  236 colours chosen by the octree quantizer between the first and the
//      last 10 colours of the default palette
//   9  a palette the caller gives
//
// The fixed palettes are made here too.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "gif/color_lookup.h"
#include "gif/dib.h"
#include "gif/dither.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/palette.h"

namespace gif {

// The 20 colours of the system's default palette: 16 plain colours and 4
// reserved shades, the first 10 and the last 10 being the system colours.
platform::Palette CreateDefaultPalette();
// 256 greys, entry i being (i, i, i).
platform::Palette CreateGrayScalePalette();
// Black and white.
platform::Palette CreateMonochromePalette();
// The four greys 0, $80, $C0, $FF.
platform::Palette CreateWindowsGrayPalette();
// The first 10 system colours, the web palette, 20 greys between its levels,
// the last 10 system colours: 256 colours that serve any picture evenly (the
// halftone palette of a screen, which there is no screen to ask for).
platform::Palette CreateHalftonePaletteHelper();

// A palette of `colors` entries (1 to 256) chosen by the octree quantizer at
// `color_bits` depth (1 to 8) for the pixels of the reader's 24-bit rows.
// Reserving the system colours puts the first 10 default colours at entries
// 0-9 and the last 10 at 246-255, the quantizer choosing 236 between them
// (then `colors` must be 256). Entries the quantizer leaves unset are black.
// Anything else raises the range error.
platform::Palette CreateOptimizedPaletteFromReader(const TDIBReader& reader, int32_t colors,
                                                   int32_t color_bits, bool reserve_system_colors);
// The same for the pixels of a bitmap.
platform::Palette CreateOptimizedPalette(const platform::Bitmap& bitmap, int32_t colors,
                                         int32_t color_bits, bool reserve_system_colors);

// The palette of a reduction method (1 to 9) for `bitmap`: none for method 0
// or above 9, and for method 9 without a custom palette. Method 7 with bits
// outside 1..8 raises "Invalid reduction method".
platform::Palette ReductionPalette(const platform::Bitmap& bitmap, uint8_t method, int32_t bits,
                                   const platform::Palette& custom);

// The lookup a method maps with: arithmetic for methods 4, 5 and 6, the
// cached nearest colour of `palette` for the others, whose first answer in a
// cell stands for every colour of that cell (color_lookup.h).
std::unique_ptr<TColorLookup> CreateReductionLookup(uint8_t method,
                                                    const platform::Palette& palette);

// Maps every pixel of `bitmap`, row after row in the engine's serpentine
// order, storing the indices in the rows `row_of` gives (Width() bytes each).
// Rows in another format than 24 bits are read one at a time, so the bitmap
// is never copied whole.
void DitherPixels(const platform::Bitmap& bitmap, TDitherEngine& engine,
                  const std::function<uint8_t*(int32_t row)>& row_of);

// What a reduction maps pixels with: the palette, its lookup and the
// ditherer that walks the rows.
struct Reducer {
    platform::Palette palette;
    std::unique_ptr<TColorLookup> lookup;
    std::unique_ptr<TDitherEngine> engine;
};
// The reducer of `method` and `ditherer` for `bitmap`; none for a palette or
// a lookup without colours, or an unknown ditherer.
std::optional<Reducer> MakeReducer(const platform::Bitmap& bitmap, uint8_t method, uint8_t ditherer,
                                   int32_t bits, const platform::Palette& custom);

// The picture reduced to an 8-bit bitmap whose colour table is the palette
// padded with black to 256 entries; method 0 gives a 24-bit copy. A method
// above 9, a ditherer above 6, or a palette without colours give an empty
// bitmap.
platform::Bitmap ReduceColors(const platform::Bitmap& bitmap, uint8_t method, uint8_t ditherer,
                              int32_t bits, const platform::Palette& custom = {});

}  // namespace gif
