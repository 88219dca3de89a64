// Resampling of 24-bit rows: the one place where pictures change size.
//
// Along an axis that shrinks, each target pixel is the area-weighted mean of
// the source pixels it covers; along an axis that grows, it is interpolated
// bilinearly between the nearest source pixels (pixel centres aligned). Equal
// sizes copy.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

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

// Shrinks a picture whose rows arrive one at a time, top to bottom, into a
// 24-bit bitmap of a size no larger than the source along either axis, by area
// averaging. Only the rows the next target row needs are held, already reduced
// in width, so a large picture can be decoded straight into its reduced size.
class RowShrinker {
public:
    // The target keeps its size; it must be 24-bit ("Image bitmap incorrecte"
    // otherwise) and no larger than the source (the range error otherwise).
    RowShrinker(int32_t source_width, int32_t source_height, Bitmap& target);
    ~RowShrinker();
    RowShrinker(const RowShrinker&) = delete;
    RowShrinker& operator=(const RowShrinker&) = delete;

    // The next source row, source_width pixels of blue, green, red. Rows
    // beyond the announced height are ignored.
    void Push(const uint8_t* row);
    // Completes the target when fewer rows than announced arrived (a truncated
    // picture): the rows never received are taken as the last one received.
    // When no row arrived at all, the target is left as it was.
    void Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace platform
