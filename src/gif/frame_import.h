// Frames made from pictures of any kind: a bitmap of a palette format keeps
// its colours, any other is reduced to at most 256 colours by the picture's
// ColorReduction, DitherMode and ReductionBits (reduction.h); a mask turns
// pixels transparent.
#pragma once

#include "gif/gif_image.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphic.h"

namespace gif {

// Replaces the frame with the bitmap at 0, 0: its size (each side at most
// 65535, else the range error), colours and pixels, then the transparency of
// `mask`, when given. The frame holds only its indices beside the bitmap,
// counted in the picture's budget ("Mémoire insuffisante" beyond it). With
// ColorReduction 0 a bitmap of more than 256 colours raises "Color table
// overflow"; a reduction without colours raises "Indice ligne hors limites".
// Progress is reported as "Converting...".
void ImportBitmap(TGIFSubImage& frame, const platform::Bitmap& bitmap,
                  const platform::Bitmap* mask = nullptr);

// Makes the pixels where the mask is set (a palette index other than 0, or a
// colour other than black) transparent with a colour added to the frame's
// table, once the table is sorted by use and rid of unused colours. A full
// table of 256 colours, or a mask that sets no pixel, leaves the frame
// opaque. The mask is read as it is, never converted; beyond a mask smaller
// than the frame the pixels stay opaque.
void ImportMask(TGIFSubImage& frame, const platform::Bitmap& mask);

// Replaces the frame with any graphic: a bitmap as ImportBitmap, anything
// else converted into a bitmap at full size first (the only copy made).
void ImportGraphic(TGIFSubImage& frame, const platform::Graphic& graphic);

}  // namespace gif
