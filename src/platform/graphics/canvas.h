// Drawing on a bitmap: fills, copies and stretched drawing of graphics.
//
// The canvas draws on 24-bit bitmaps; a target of another format is converted
// to 24 bits when the canvas is made (and again before drawing, should it have
// been changed since). Fills and copies also keep a 32-bit target (the
// screen's own format, a fourth byte of 255 written with each pixel); any
// other drawing converts it to 24 bits first. Drawing does not raise the bitmap's OnChange: whoever
// shows the bitmap repaints once the drawing is done.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/types.h"

namespace platform {

class Canvas {
public:
    explicit Canvas(Bitmap& target);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    Bitmap& Target() const { return target_; }

    // Whether what is drawn here is shown on a screen as it is drawn (the
    // paint canvas of an image control) rather than kept in a bitmap of the
    // program's own (a print, a thumbnail, a copy): animated pictures play
    // only on a screen.
    bool OnScreen() const { return on_screen_; }
    void SetOnScreen(bool on_screen) { on_screen_ = on_screen; }
    // Expires when the canvas goes: whoever draws on it later, from a timer
    // or a worker's call (an animation), looks first. In the user-interface
    // thread only.
    std::weak_ptr<const void> Alive() const;

    // Raised by whoever drew on the canvas without its owner asking (an
    // animation's frame): the owner shows the change.
    std::function<void(Canvas&)> OnChange;
    void Changed();

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
    // The target as drawn on: 24 bits, or 32 for a 32-bit target when
    // `copying` (fills and copies).
    Bitmap& Surface(bool copying = false) const;
    // CopyRect onto a 32-bit target.
    void CopyToWords(const Rect& dest, const Bitmap& source, const Rect& source_rect);

    Bitmap& target_;
    std::optional<Rect> clip_;
    Color brush_ = kWhite;
    bool on_screen_ = false;
    // Made on the first request only: most canvases live for one drawing.
    mutable std::shared_ptr<const bool> alive_;
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
