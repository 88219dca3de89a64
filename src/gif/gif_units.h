// Small routines the whole codec shares: bit counts of colour tables, row
// sizes, and the 216-colour web palette.
#pragma once

#include <cstdint>

#include "platform/graphics/palette.h"

namespace gif {

// Bits an index needs to reach `count` colours: 0 for none, 1 for one or two,
// else the smallest n with 2^n at least `count`.
int32_t ColorsToBits(int32_t count);

// Bytes in a row of `pixels` pixels of `bits_per_pixel` bits, padded to a
// multiple of `alignment` bits. An alignment below 1 or a negative argument
// raises the range error, a row too long for 32 bits the overflow error.
int32_t AlignBit(int32_t pixels, int32_t bits_per_pixel, int32_t alignment);

// The web palette: every colour whose components each take one of the six
// levels 0, 51, ..., 255, red varying slowest and blue fastest, so that colour
// (r, g, b) of levels 0..5 is entry r * 36 + g * 6 + b.
platform::Palette CreateWebPalette();

}  // namespace gif
