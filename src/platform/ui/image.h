// The image control: shows a picture at its size, stretched, or stretched
// with its proportions kept, and hands its mouse events on.
//
// It draws through a cache of the visible part of the stretched picture, made
// once per picture, size and visible area, so that repaints (a rubber band
// moving over it, an exposed window) cost a copy, not a resampling. A picture
// that already holds itself drawn at the control's size (a photograph decoded
// to fit the screen) is shown from those pixels, without a copy. The canvas
// over the cache is the control's canvas on the screen: an animated picture
// plays there, and what is drawn on it later (an animation's frame) shows at
// once.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/mouse.h"

namespace platform::ui {

class Image : public QWidget {
    Q_OBJECT

public:
    Image(QWidget* parent, const std::string& name);

    Picture& GetPicture() { return picture_; }
    const Picture& GetPicture() const { return picture_; }

    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);
    bool Proportional() const { return proportional_; }
    void SetProportional(bool proportional);
    bool Center() const { return center_; }
    void SetCenter(bool center);

    // Where the picture is drawn inside the control.
    QRect DestRect() const;

    MouseHandler OnMouseDown;
    MouseHandler OnMouseMove;
    MouseHandler OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Invalidate();
    void Render(const QRect& dest, const QRect& area);

    Picture picture_;
    bool stretch_ = false;
    bool proportional_ = false;
    bool center_ = false;

    // The cache: `area` of the picture drawn into `dest`, the canvas over it
    // (none when the picture lent its own pixels), and whether drawing failed
    // for the current picture (a broken file shows nothing rather than
    // raising from a paint).
    std::shared_ptr<const Bitmap> cache_;
    std::unique_ptr<Canvas> canvas_;
    QImage cache_image_;
    QRect cache_dest_;
    QRect cache_area_;
    bool render_failed_ = false;
};

// A QImage over the rows of a 24-bit (or 32-bit) bitmap, without copying;
// valid while the bitmap lives and keeps its size. Given an `owner` (what holds the bitmap),
// every copy of the image keeps it alive: a print preview keeps the images
// it was painted with.
QImage WrapBitmap(const Bitmap& bitmap, std::shared_ptr<const void> owner = {});

}  // namespace platform::ui
