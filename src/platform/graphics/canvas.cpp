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

// Row `y` of a 32-bit bitmap as pixel words.
uint32_t* Words(Bitmap& bitmap, int32_t y) {
    return reinterpret_cast<uint32_t*>(bitmap.ScanLine(y));
}

// A 32-bit pixel as the screen takes it: blue, green, red and an opaque
// fourth byte.
constexpr uint32_t kOpaque = 0xFF000000u;

}  // namespace

Canvas::Canvas(Bitmap& target) : target_(target) {
    Surface(true);
}

std::weak_ptr<const void> Canvas::Alive() const {
    if (!alive_) alive_ = std::make_shared<const bool>(true);
    return alive_;
}

void Canvas::Changed() {
    if (OnChange) OnChange(*this);
}

Bitmap& Canvas::Surface(bool copying) const {
    const PixelFormat format = target_.Format();
    if (format != PixelFormat::Bit24 && !(copying && format == PixelFormat::Bit32)) {
        target_.SetPixelFormat(PixelFormat::Bit24);
    }
    return target_;
}

Rect Canvas::ClipRect() const {
    const Rect bounds{0, 0, target_.Width(), target_.Height()};
    return clip_ ? Intersect(*clip_, bounds) : bounds;
}

void Canvas::FillRect(const Rect& rect) {
    const Rect area = Intersect(rect, ClipRect());
    if (area.IsEmpty()) return;
    Bitmap& surface = Surface(true);
    if (surface.Format() == PixelFormat::Bit32) {
        const uint32_t word = kOpaque | static_cast<uint32_t>(RedOf(brush_)) << 16 |
                              static_cast<uint32_t>(GreenOf(brush_)) << 8 | BlueOf(brush_);
        for (int32_t y = area.Top; y < area.Bottom; ++y) {
            std::fill_n(Words(surface, y) + area.Left, area.Width(), word);
        }
        return;
    }
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
    if (Surface(true).Format() == PixelFormat::Bit32) {
        CopyToWords(dest, source, source_rect);
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

void Canvas::CopyToWords(const Rect& dest, const Bitmap& source, const Rect& source_rect) {
    const Rect area = Intersect(dest, ClipRect());
    const int64_t left = int64_t{source_rect.Left} + (int64_t{area.Left} - dest.Left);
    const int64_t top = int64_t{source_rect.Top} + (int64_t{area.Top} - dest.Top);
    const bool same_size =
        int64_t{dest.Right} - dest.Left == int64_t{source_rect.Right} - source_rect.Left &&
        int64_t{dest.Bottom} - dest.Top == int64_t{source_rect.Bottom} - source_rect.Top;
    if (same_size && source.Format() == PixelFormat::Bit32 && left >= 0 && top >= 0 &&
        left + area.Width() <= source.Width() && top + area.Height() <= source.Height()) {
        // The screen's own format on both sides: the rows as they are.
        for (int32_t y = area.Top; y < area.Bottom; ++y) {
            std::memcpy(Words(target_, y) + area.Left,
                        source.ScanLine(static_cast<int32_t>(top + (y - area.Top))) + 4 * left,
                        4 * static_cast<size_t>(area.Width()));
        }
        return;
    }
    // Drawn at 24 bits first, then widened.
    Bitmap drawn = Bitmap::ForOverwrite(area.Width(), area.Height());
    const auto offset = [](int32_t value, int32_t origin) {
        return static_cast<int32_t>(CheckRange(int64_t{value} - origin,
                                               std::numeric_limits<int32_t>::min(),
                                               std::numeric_limits<int32_t>::max()));
    };
    Canvas(drawn).CopyRect({offset(dest.Left, area.Left), offset(dest.Top, area.Top),
                            offset(dest.Right, area.Left), offset(dest.Bottom, area.Top)},
                           source, source_rect);
    for (int32_t y = 0; y < area.Height(); ++y) {
        const uint8_t* in = drawn.ScanLine(y);
        uint32_t* out = Words(target_, area.Top + y) + area.Left;
        for (int32_t x = 0; x < area.Width(); ++x, in += 3) {
            out[x] = kOpaque | static_cast<uint32_t>(in[2]) << 16 |
                     static_cast<uint32_t>(in[1]) << 8 | in[0];
        }
    }
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
