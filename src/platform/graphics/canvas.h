// Drawing on a bitmap: fills, copies and stretched drawing of graphics.
//
// The canvas draws on 24-bit bitmaps; a target of another format is converted
// to 24 bits when the canvas is made (and again before drawing, should it have
// been changed since). Drawing does not raise the bitmap's OnChange: whoever
// shows the bitmap repaints once the drawing is done.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/types.h"

namespace platform {

class Canvas {
public:
    explicit Canvas(Bitmap& target);

    Bitmap& Target() const { return target_; }

    // Drawing is limited to this rectangle, itself kept inside the bitmap
    // (the whole bitmap, following its size, until a clip is set).
    Rect ClipRect() const;
    void SetClipRect(const Rect& clip) { clip_ = clip; }

    Color BrushColor() const { return brush_; }
    void SetBrushColor(Color color) { brush_ = color; }

    // The rectangle in the brush colour.
    void FillRect(const Rect& rect);
    // The graphic at its own size with its top-left corner at (x, y).
    void Draw(int32_t x, int32_t y, const Graphic& graphic);
    // The graphic stretched into `dest` (which may reach outside the canvas).
    void StretchDraw(const Rect& dest, const Graphic& graphic);
    // `source_rect` of a bitmap stretched into `dest`; the parts of
    // `source_rect` outside the source are black (a selection that reaches
    // out of the picture copies black there). A `source_rect` too large for
    // its rows to be made in memory raises "Mémoire insuffisante".
    void CopyRect(const Rect& dest, const Bitmap& source, const Rect& source_rect);
    // `source` stretched into `dest` through `mask`, a 1-bit bitmap laid on the
    // source from its top-left corner: where the mask bit is 1 the canvas keeps
    // its pixel, where it is 0 it takes the source's. Each pixel of `dest` takes
    // the source pixel under its centre, unblended, so the mask's edge stays
    // sharp at any size. A mask of another format, or one that does not cover
    // the source, raises "Image bitmap incorrecte".
    void MaskedStretchDraw(const Rect& dest, const Bitmap& source, const Bitmap& mask);

private:
    Bitmap& Surface() const;

    Bitmap& target_;
    std::optional<Rect> clip_;
    Color brush_ = kWhite;
};

// Row `y` of a picture drawn through a mask: its pixels first .. first +
// count - 1 written to `bgr` (24 bits), and the row's mask returned, 1 bit a
// pixel from the row's first pixel on, 1 where the canvas keeps its own.
using MaskedRowSource =
    std::function<const uint8_t*(int32_t y, int32_t first, int32_t count, uint8_t* bgr)>;

// Canvas::MaskedStretchDraw of a source_width x source_height picture whose
// rows are made on request, into the 24-bit `target`, writing only the pixels
// inside `clip` (already within the target). Rows are asked for in
// increasing order, each once, and only those the clip shows.
void MaskedStretchRows(int32_t source_width, int32_t source_height, const MaskedRowSource& rows,
                       Bitmap& target, const Rect& dest, const Rect& clip);

}  // namespace platform
