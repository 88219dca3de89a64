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
// 65535, else the range error), colours and pixels, then, for a bitmap marked
// transparent, the transparency of its mask (ImportMaskHandle of its
// MaskHandle). The frame holds only its indices beside the bitmap, counted in
// the picture's budget ("Mémoire insuffisante" beyond it). With
// ColorReduction 0 a bitmap of more than 256 colours raises "Color table
// overflow"; a reduction without colours raises "Indice ligne hors limites".
// Progress is reported as "Converting...".
void ImportBitmap(TGIFSubImage& frame, const platform::Bitmap& bitmap);

// Makes the pixels where the mask is set (a palette index other than 0, or a
// colour other than black) transparent with a colour added to the frame's
// table, once the table is sorted by use and rid of unused colours. A full
// table of 256 colours, or a mask that sets no pixel, leaves the frame
// opaque. The mask is read as it is, never converted; beyond a mask smaller
// than the frame the pixels stay opaque.
void ImportMask(TGIFSubImage& frame, const platform::Bitmap& mask);
// As ImportMask; a mask without pixels does nothing.
void ImportMaskHandle(TGIFSubImage& frame, const platform::Bitmap& mask);

// Fills `band` (made 24-bit, its size kept) with `color` and draws the
// graphic over it at its own size, the graphic's row `top` on the band's
// first row: the band shows those rows of the graphic as they look over that
// background.
void RenderOnBackground(platform::Bitmap& band, const platform::Graphic& graphic,
                        platform::Color color, int32_t top);
// Makes transparent the pixels of the frame that drawing the graphic leaves
// untouched: those that come out differently drawn over white and over
// black. The graphic is drawn a band of rows at a time, so that only a few
// rows are held beside the frame.
void ImportGraphicMask(TGIFSubImage& frame, const platform::Graphic& graphic);

// Replaces the frame with any graphic: a bitmap as ImportBitmap, anything
// else converted into a bitmap at full size first (the only copy made). A GIF
// picture, which may leave part of its screen undrawn, then takes the
// transparency of ImportGraphicMask; a JPEG picture covers all of it.
void ImportGraphic(TGIFSubImage& frame, const platform::Graphic& graphic);

}  // namespace gif
