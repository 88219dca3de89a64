#include "platform/graphics/canvas.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/graphics/resample.h"

namespace platform {

namespace {

// The source pixel under the centre of pixel `d` of a row (or column) of
// `extent` pixels stretched from `source_extent`. With d < extent < 2^32 and
// source_extent < 2^31 the product stays below 2^64.
int32_t SourceIndex(uint64_t d, uint64_t extent, uint64_t source_extent) {
    return static_cast<int32_t>((2 * d + 1) * source_extent / (2 * extent));
}

}  // namespace

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

void Canvas::MaskedStretchDraw(const Rect& dest, const Bitmap& source, const Bitmap& mask) {
    Bitmap& surface = Surface();
    if (mask.Format() != PixelFormat::Bit1 || mask.Width() < source.Width() ||
        mask.Height() < source.Height()) {
        RaiseInvalidBitmap();
    }
    if (source.Empty() || dest.IsEmpty() || Intersect(dest, ClipRect()).IsEmpty()) return;
    if (&source == &target_) {
        // The rows read would be overwritten while they are still needed.
        Bitmap copy;
        copy.Assign(source);
        MaskedStretchDraw(dest, copy, mask);
        return;
    }
    MaskedStretchRows(
        source.Width(), source.Height(),
        [&](int32_t y, int32_t first, int32_t count, uint8_t* bgr) {
            source.ReadBgr(y, first, count, bgr);
            return mask.ScanLine(y);
        },
        surface, dest, ClipRect());
}

void MaskedStretchRows(int32_t source_width, int32_t source_height, const MaskedRowSource& rows,
                       Bitmap& target, const Rect& dest, const Rect& clip) {
    const Rect area = Intersect(dest, clip);
    if (dest.IsEmpty() || area.IsEmpty() || source_width <= 0 || source_height <= 0) return;
    const auto dest_width = static_cast<uint64_t>(int64_t{dest.Right} - dest.Left);
    const auto dest_height = static_cast<uint64_t>(int64_t{dest.Bottom} - dest.Top);
    std::vector<int32_t> columns(static_cast<size_t>(area.Width()));
    for (size_t i = 0; i < columns.size(); ++i) {
        const auto d = static_cast<uint64_t>(int64_t{area.Left} - dest.Left) + i;
        columns[i] = SourceIndex(d, dest_width, static_cast<uint64_t>(source_width));
    }
    // Columns grow with x, so only this span of each source row is converted.
    const int32_t first = columns.front();
    const int32_t span = columns.back() - first + 1;
    std::vector<uint8_t> bgr(3 * static_cast<size_t>(span));
    const uint8_t* mask_row = nullptr;
    int32_t loaded = -1;
    for (int32_t y = area.Top; y < area.Bottom; ++y) {
        const int32_t source_y = SourceIndex(static_cast<uint64_t>(int64_t{y} - dest.Top),
                                             dest_height, static_cast<uint64_t>(source_height));
        if (source_y != loaded) {
            mask_row = rows(source_y, first, span, bgr.data());
            loaded = source_y;
        }
        uint8_t* out = target.ScanLine(y) + 3 * static_cast<size_t>(area.Left);
        for (size_t i = 0; i < columns.size(); ++i) {
            const auto x = static_cast<size_t>(columns[i]);
            if (PixelIndex(mask_row, PixelFormat::Bit1, x) != 0) continue;
            std::memcpy(out + 3 * i, bgr.data() + 3 * (x - static_cast<size_t>(first)), 3);
        }
    }
}

}  // namespace platform
