#include "platform/ui/image.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "platform/ui/application.h"

namespace platform::ui {

MouseArgs ToMouseArgs(const QMouseEvent& event) {
    const QPoint p = event.position().toPoint();
    return MouseArgs{event.button(), event.buttons(), event.modifiers(), p.x(), p.y()};
}

QImage WrapBitmap(const Bitmap& bitmap, std::shared_ptr<const void> owner) {
    if (bitmap.Empty()) return {};
    const QImage::Format format =
        bitmap.Format() == PixelFormat::Bit32 ? QImage::Format_RGB32 : QImage::Format_BGR888;
    if (!owner) {
        return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(),
                      static_cast<qsizetype>(bitmap.Stride()), format);
    }
    auto* keep = new std::shared_ptr<const void>(std::move(owner));
    return QImage(
        bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(),
        static_cast<qsizetype>(bitmap.Stride()), format,
        [](void* held) { delete static_cast<std::shared_ptr<const void>*>(held); }, keep);
}

Image::Image(QWidget* parent, const std::string& name) : QWidget(parent) {
    setObjectName(QString::fromStdString(name));
    setMouseTracking(true);
    picture_.OnChange = [this](Picture&) {
        render_failed_ = false;
        Invalidate();
    };
}

void Image::SetStretch(bool stretch) {
    if (stretch == stretch_) return;
    stretch_ = stretch;
    Invalidate();
}

void Image::SetProportional(bool proportional) {
    if (proportional == proportional_) return;
    proportional_ = proportional;
    Invalidate();
}

void Image::SetCenter(bool center) {
    if (center == center_) return;
    center_ = center;
    Invalidate();
}

QRect Image::DestRect() const {
    int w = picture_.Width();
    int h = picture_.Height();
    const int cw = width();
    const int ch = height();
    if (stretch_ || (proportional_ && (w > cw || h > ch))) {
        if (proportional_ && w > 0 && h > 0) {
            const double aspect = static_cast<double>(w) / h;
            if (w > h) {
                w = cw;
                h = static_cast<int>(cw / aspect);
                if (h > ch) {
                    h = ch;
                    w = static_cast<int>(ch * aspect);
                }
            } else {
                h = ch;
                w = static_cast<int>(ch * aspect);
                if (w > cw) {
                    w = cw;
                    h = static_cast<int>(cw / aspect);
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    QRect dest(0, 0, w, h);
    if (center_) dest.translate((cw - w) / 2, (ch - h) / 2);
    return dest;
}

void Image::Invalidate() {
    // What the picture covers is drawn whole from the cache: the control's
    // background need not be painted under it first.
    const Graphic* graphic = picture_.GetGraphic();
    setAttribute(Qt::WA_OpaquePaintEvent, graphic != nullptr && !graphic->Empty() &&
                                              !render_failed_ && DestRect().contains(rect()));
    cache_image_ = QImage();
    canvas_.reset();
    cache_.reset();
    cache_dest_ = QRect();
    cache_area_ = QRect();
    update();
}

void Image::Render(const QRect& dest, const QRect& area) {
    cache_image_ = QImage();
    const Graphic& graphic = *picture_.GetGraphic();
    if (auto drawn = graphic.Drawn(dest.width(), dest.height())) {
        canvas_.reset();
        cache_ = std::move(drawn);
        cache_image_ = WrapBitmap(*cache_);
        cache_area_ = dest;
    } else {
        // Transparent pictures show the background of the control under them.
        auto bitmap = std::make_shared<Bitmap>(Bitmap::ForOverwrite(area.width(), area.height()));
        const QColor window = palette().color(QPalette::Window);
        const Color background = platform::MakeColor(static_cast<uint8_t>(window.red()),
                                                     static_cast<uint8_t>(window.green()),
                                                     static_cast<uint8_t>(window.blue()));
        bitmap->Fill(background);
        auto canvas = std::make_unique<Canvas>(*bitmap);
        canvas->SetOnScreen(true);
        canvas->SetBrushColor(background);
        canvas->OnChange = [this](Canvas&) { update(); };
        const Rect target{dest.left() - area.left(), dest.top() - area.top(),
                          dest.left() - area.left() + dest.width(),
                          dest.top() - area.top() + dest.height()};
        canvas->StretchDraw(target, graphic);
        // The canvas drawn on before goes now: an animation on it ends.
        canvas_ = std::move(canvas);
        cache_ = std::move(bitmap);
        cache_image_ = WrapBitmap(*cache_);
        cache_area_ = area;
    }
    cache_dest_ = dest;
}

void Image::paintEvent(QPaintEvent* event) {
    const Graphic* graphic = picture_.GetGraphic();
    if (graphic == nullptr || graphic->Empty() || render_failed_) return;
    const QRect dest = DestRect();
    const QRect area = visibleRegion().boundingRect() & dest;
    if (area.isEmpty()) return;
    if (cache_image_.isNull() || dest != cache_dest_ || !cache_area_.contains(area)) {
        try {
            Render(dest, area);
        } catch (const std::exception&) {
            // Loading has already reported what is wrong with this picture.
            render_failed_ = true;
            Invalidate();
            return;
        }
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(cache_area_.topLeft(), cache_image_);
}

void Image::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Invalidate();
}

void Image::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) Application::Current().Guard([&] { OnMouseDown(*this, ToMouseArgs(*event)); });
}

void Image::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) Application::Current().Guard([&] { OnMouseMove(*this, ToMouseArgs(*event)); });
}

void Image::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp) Application::Current().Guard([&] { OnMouseUp(*this, ToMouseArgs(*event)); });
}

}  // namespace platform::ui
