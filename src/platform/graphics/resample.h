// Resampling of 24-bit rows: the one place where pictures change size.
//
// Along an axis that shrinks, each target pixel is the area-weighted mean of
// the source pixels it covers; along an axis that grows, it is interpolated
// bilinearly between the nearest source pixels (pixel centres aligned). Equal
// sizes copy.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/types.h"

namespace platform {

// Weights and pixels are fixed point: a target pixel is exact when the source
// is uniform, and a mean that falls half-way between two levels goes up (0 and
// 255 averaged give 128).

// Stretches the whole of `source` into `dest` of the 24-bit `target` and
// writes only the target pixels inside `clip` (which the caller has already
// limited to the target's bounds). `dest` may reach outside the target: the
// work is proportional to `clip`, whatever the size of `dest`.
void StretchBgr(const BgrView& source, Bitmap& target, const Rect& dest, const Rect& clip);

// The rows of a picture handed out on request: the 24-bit row `y`, valid until
// the next call. Rows are asked for in increasing order, each at most once,
// and only those that the pixels to compute depend on.
using BgrRowSource = std::function<const uint8_t*(int32_t y)>;

// StretchBgr for a source whose rows are made on request (converted from
// another pixel format, or taken partly outside a picture).
void StretchRows(int32_t source_width, int32_t source_height, const BgrRowSource& rows,
                 Bitmap& target, const Rect& dest, const Rect& clip);

}  // namespace platform
