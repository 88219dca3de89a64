#include "platform/graphics/canvas.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/graphics/resample.h"

namespace platform {

Canvas::Canvas(Bitmap& target) : target_(target) {
    Surface();
}

Bitmap& Canvas::Surface() const {
    if (target_.Format() != PixelFormat::Bit24) target_.SetPixelFormat(PixelFormat::Bit24);
    return target_;
}

Rect Canvas::ClipRect() const {
    const Rect bounds{0, 0, target_.Width(), target_.Height()};
    return clip_ ? Intersect(*clip_, bounds) : bounds;
}

void Canvas::FillRect(const Rect& rect) {
    const Rect area = Intersect(rect, ClipRect());
    if (area.IsEmpty()) return;
    Bitmap& surface = Surface();
    const uint8_t pixel[3] = {BlueOf(brush_), GreenOf(brush_), RedOf(brush_)};
    for (int32_t y = area.Top; y < area.Bottom; ++y) {
        uint8_t* p = surface.ScanLine(y) + 3 * static_cast<size_t>(area.Left);
        for (int32_t x = area.Left; x < area.Right; ++x, p += 3) std::memcpy(p, pixel, 3);
    }
}

void Canvas::Draw(int32_t x, int32_t y, const Graphic& graphic) {
    StretchDraw(Rect{x, y, CheckedAdd(x, graphic.Width()), CheckedAdd(y, graphic.Height())},
                graphic);
}

void Canvas::StretchDraw(const Rect& dest, const Graphic& graphic) {
    if (dest.IsEmpty() || graphic.Empty()) return;
    Surface();
    graphic.Draw(*this, dest);
}

void Canvas::CopyRect(const Rect& dest, const Bitmap& source, const Rect& source_rect) {
    if (dest.IsEmpty() || source_rect.IsEmpty() || Intersect(dest, ClipRect()).IsEmpty()) return;
    if (&source == &target_) {
        // The rows read would be overwritten while they are still needed.
        Bitmap copy;
        copy.Assign(source);
        CopyRect(dest, copy, source_rect);
        return;
    }
    const int64_t width = int64_t{source_rect.Right} - source_rect.Left;
    const int64_t height = int64_t{source_rect.Bottom} - source_rect.Top;
    if (width > std::numeric_limits<int32_t>::max() / 3 ||
        height > std::numeric_limits<int32_t>::max()) {
        RaiseOutOfMemory();
    }
    // The columns of `source_rect` that lie on the source; the others stay black.
    const int64_t inside_left = std::max<int64_t>(source_rect.Left, 0);
    const int64_t inside_right = std::min<int64_t>(source_rect.Right, source.Width());
    const int64_t inside = std::max<int64_t>(inside_right - inside_left, 0);
    const auto offset = static_cast<size_t>(3 * (inside_left - source_rect.Left));
    std::vector<uint8_t> row(3 * static_cast<size_t>(width));
    StretchRows(
        static_cast<int32_t>(width), static_cast<int32_t>(height),
        [&](int32_t y) {
            std::fill(row.begin(), row.end(), uint8_t{0});
            const int64_t source_y = int64_t{source_rect.Top} + y;
            if (inside > 0 && source_y >= 0 && source_y < source.Height()) {
                source.ReadBgr(static_cast<int32_t>(source_y), static_cast<int32_t>(inside_left),
                               static_cast<int32_t>(inside), row.data() + offset);
            }
            return row.data();
        },
        Surface(), dest, ClipRect());
}

}  // namespace platform
