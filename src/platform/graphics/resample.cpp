#include "platform/graphics/resample.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/core/error.h"

namespace platform {

namespace {

// Weights are fractions of 2^14; the weights of one target pixel always add
// up to exactly 2^14, so that a uniform source stays uniform. Between the two
// passes a channel keeps 8 bits of fraction.
constexpr int kWeightBits = 14;
constexpr uint32_t kOne = uint32_t{1} << kWeightBits;
constexpr int kRowShift = kWeightBits - 8;
constexpr int kFinalShift = kWeightBits + 8;

// Which source pixels, with which weights, make each target pixel of a range
// along one axis.
struct Axis {
    std::vector<int32_t> first;    // the first source pixel of each target pixel
    std::vector<size_t> start{0};  // its weights are weights[start[i] .. start[i + 1])
    std::vector<uint16_t> weights;

    size_t Size() const { return first.size(); }
    size_t Count(size_t i) const { return start[i + 1] - start[i]; }
    size_t MaxCount() const {
        size_t most = 0;
        for (size_t i = 0; i < Size(); ++i) most = std::max(most, Count(i));
        return most;
    }
    void Add(uint64_t source_index, std::initializer_list<uint32_t> pixel_weights) {
        first.push_back(static_cast<int32_t>(source_index));
        for (const uint32_t w : pixel_weights) weights.push_back(static_cast<uint16_t>(w));
        start.push_back(weights.size());
    }
};

// Target pixel i covers the source interval [i * S / D, (i + 1) * S / D).
// Counted in units of 1 / D of a source pixel every bound is an integer, and
// each weight is the difference of the rounded running total of the covered
// length, so that the weights of a pixel add up to one exactly.
void AddAreaWeights(uint64_t source, uint64_t dest, uint64_t i, Axis& axis) {
    const uint64_t begin = i * source;
    const uint64_t end = begin + source;
    uint64_t j = begin / dest;
    axis.first.push_back(static_cast<int32_t>(j));
    uint64_t previous = 0;
    for (uint64_t bound = begin; bound < end; ++j) {
        const uint64_t next = std::min((j + 1) * dest, end);
        const uint64_t running = ((next - begin) * kOne + source / 2) / source;
        axis.weights.push_back(static_cast<uint16_t>(running - previous));
        previous = running;
        bound = next;
    }
    axis.start.push_back(axis.weights.size());
}

// Pixel centres aligned: the centre of target pixel i falls on source
// position (2i + 1) * S / 2D - 1/2, taken between its two neighbours and held
// at the first and last pixels.
void AddBilinearWeights(uint64_t source, uint64_t dest, uint64_t i, Axis& axis) {
    uint64_t j = 0;
    uint64_t fraction = 0;
    const uint64_t position = (2 * i + 1) * source;
    if (position > dest) {
        const uint64_t from_first = position - dest;
        j = from_first / (2 * dest);
        fraction = ((from_first % (2 * dest)) * kOne + dest) / (2 * dest);
    }
    if (j >= source - 1) {
        j = source - 1;
        fraction = 0;
    }
    if (fraction == kOne) {
        ++j;
        fraction = 0;
    }
    if (fraction == 0) {
        axis.Add(j, {kOne});
    } else {
        axis.Add(j, {static_cast<uint32_t>(kOne - fraction), static_cast<uint32_t>(fraction)});
    }
}

// The weights of target pixels [from, to) of an axis of `dest` pixels made
// from `source` pixels (both at least 1).
Axis MakeAxis(int64_t source, int64_t dest, int64_t from, int64_t to) {
    Axis axis;
    const auto s = static_cast<uint64_t>(source);
    const auto d = static_cast<uint64_t>(dest);
    for (auto i = static_cast<uint64_t>(from); i < static_cast<uint64_t>(to); ++i) {
        if (d == s) {
            axis.Add(i, {kOne});
        } else if (d < s) {
            AddAreaWeights(s, d, i, axis);
        } else {
            AddBilinearWeights(s, d, i, axis);
        }
    }
    return axis;
}

// An axis with the same number of weights for every target pixel: pixels
// that take fewer source pixels get zero weights, and near the far edge their
// window starts earlier, so that it never leaves the source. With a fixed
// count the loops below unroll and vectorise.
struct Taps {
    size_t n = 0;
    std::vector<int32_t> first;
    std::vector<uint16_t> weights;  // n per target pixel
};

Taps Padded(const Axis& axis, int64_t source) {
    Taps taps;
    taps.n = axis.MaxCount();
    taps.first.reserve(axis.Size());
    taps.weights.assign(axis.Size() * taps.n, 0);
    for (size_t i = 0; i < axis.Size(); ++i) {
        const int64_t overhang =
            std::max<int64_t>(0, axis.first[i] + static_cast<int64_t>(taps.n) - source);
        taps.first.push_back(static_cast<int32_t>(axis.first[i] - overhang));
        std::copy_n(axis.weights.begin() + static_cast<ptrdiff_t>(axis.start[i]), axis.Count(i),
                    taps.weights.begin() +
                        static_cast<ptrdiff_t>(i * taps.n + static_cast<size_t>(overhang)));
    }
    return taps;
}

// The two passes. Each target value is the weighted sum of N source values
// (N fixed at compile time for the usual small counts, 0 for any other),
// rounded and shifted: by kRowShift from 8-bit pixels to values with 8 bits
// of fraction, by kFinalShift from those back to 8-bit pixels.
template <size_t N, typename In, typename Out, int Shift>
void Across(const In* __restrict row, const Taps& taps, Out* __restrict out) {
    const size_t count = N != 0 ? N : taps.n;
    const uint16_t* w = taps.weights.data();
    constexpr uint32_t kHalf = uint32_t{1} << (Shift - 1);
    for (size_t i = 0; i < taps.first.size(); ++i, w += count, out += 3) {
        const In* p = row + 3 * static_cast<size_t>(taps.first[i]);
        uint32_t blue = kHalf;
        uint32_t green = kHalf;
        uint32_t red = kHalf;
        for (size_t k = 0; k < count; ++k, p += 3) {
            blue += w[k] * uint32_t{p[0]};
            green += w[k] * uint32_t{p[1]};
            red += w[k] * uint32_t{p[2]};
        }
        out[0] = static_cast<Out>(blue >> Shift);
        out[1] = static_cast<Out>(green >> Shift);
        out[2] = static_cast<Out>(red >> Shift);
    }
}

template <size_t N, typename In, typename Out, int Shift>
void Down(const In* const* lines, const uint16_t* w, size_t n, size_t values, Out* __restrict out) {
    const size_t count = N != 0 ? N : n;
    constexpr uint32_t kHalf = uint32_t{1} << (Shift - 1);
    for (size_t v = 0; v < values; ++v) {
        uint32_t sum = kHalf;
        for (size_t k = 0; k < count; ++k) sum += w[k] * uint32_t{lines[k][v]};
        out[v] = static_cast<Out>(sum >> Shift);
    }
}

template <typename In, typename Out, int Shift>
struct Pass {
    using AcrossFn = void (*)(const In*, const Taps&, Out*);
    using DownFn = void (*)(const In* const*, const uint16_t*, size_t, size_t, Out*);

    template <size_t... Ns>
    static AcrossFn AcrossFor(size_t n, std::index_sequence<Ns...>) {
        AcrossFn fn = Across<0, In, Out, Shift>;
        ((n == Ns + 1 ? fn = Across<Ns + 1, In, Out, Shift> : fn), ...);
        return fn;
    }
    template <size_t... Ns>
    static DownFn DownFor(size_t n, std::index_sequence<Ns...>) {
        DownFn fn = Down<0, In, Out, Shift>;
        ((n == Ns + 1 ? fn = Down<Ns + 1, In, Out, Shift> : fn), ...);
        return fn;
    }
    static AcrossFn AcrossFor(size_t n) { return AcrossFor(n, std::make_index_sequence<6>()); }
    static DownFn DownFor(size_t n) { return DownFor(n, std::make_index_sequence<6>()); }
};

// Rows kept while target rows still need them: row y lives in slot y modulo
// the capacity, the number of rows a target row takes.
template <typename T>
class RowRing {
public:
    RowRing(size_t capacity, size_t values)
        : capacity_(capacity), values_(values), storage_(capacity * values) {}

    T* Slot(int64_t y) { return storage_.data() + static_cast<size_t>(y) % capacity_ * values_; }

    // The slots of rows first .. first + capacity - 1.
    const T* const* Window(int64_t first) {
        window_.resize(capacity_);
        for (size_t k = 0; k < capacity_; ++k) window_[k] = Slot(first + static_cast<int64_t>(k));
        return window_.data();
    }

private:
    size_t capacity_;
    size_t values_;
    std::vector<T> storage_;
    std::vector<const T*> window_;
};

// Rows that grow, or keep their number: each source row is reduced across
// once, then target rows are made from those.
void AcrossThenDown(const BgrRowSource& rows, const Taps& columns, const Taps& lines,
                    Bitmap& target, const Rect& area, size_t out_offset) {
    const size_t values = 3 * columns.first.size();
    const auto across = Pass<uint8_t, uint16_t, kRowShift>::AcrossFor(columns.n);
    const auto down = Pass<uint16_t, uint8_t, kFinalShift>::DownFor(lines.n);
    RowRing<uint16_t> ring(lines.n, values);
    int64_t next = 0;
    for (size_t r = 0; r < lines.first.size(); ++r) {
        const int64_t first = lines.first[r];
        next = std::max(next, first);
        for (const int64_t end = first + static_cast<int64_t>(lines.n); next < end; ++next) {
            across(rows(static_cast<int32_t>(next)), columns, ring.Slot(next));
        }
        down(ring.Window(first), lines.weights.data() + r * lines.n, lines.n, values,
             target.ScanLine(area.Top + static_cast<int32_t>(r)) + out_offset);
    }
}

// Rows that shrink: the source rows a target row takes are combined first,
// over the columns the target needs, then reduced across once per target row
// rather than once per source row.
void DownThenAcross(const BgrRowSource& rows, Taps columns, const Taps& lines, Bitmap& target,
                    const Rect& area, size_t out_offset) {
    const int32_t from = columns.first.front();
    const int32_t to = columns.first.back() + static_cast<int32_t>(columns.n);
    for (int32_t& first : columns.first) first -= from;
    const size_t values = 3 * static_cast<size_t>(to - from);
    const auto down = Pass<uint8_t, uint16_t, kRowShift>::DownFor(lines.n);
    const auto across = Pass<uint16_t, uint8_t, kFinalShift>::AcrossFor(columns.n);
    RowRing<uint8_t> ring(lines.n, values);
    std::vector<uint16_t> combined(values);
    int64_t next = 0;
    for (size_t r = 0; r < lines.first.size(); ++r) {
        const int64_t first = lines.first[r];
        next = std::max(next, first);
        for (const int64_t end = first + static_cast<int64_t>(lines.n); next < end; ++next) {
            std::memcpy(ring.Slot(next),
                        rows(static_cast<int32_t>(next)) + 3 * static_cast<size_t>(from), values);
        }
        down(ring.Window(first), lines.weights.data() + r * lines.n, lines.n, values,
             combined.data());
        across(combined.data(), columns,
               target.ScanLine(area.Top + static_cast<int32_t>(r)) + out_offset);
    }
}

}  // namespace

void StretchBgr(const BgrView& source, Bitmap& target, const Rect& dest, const Rect& clip) {
    StretchRows(
        source.width, source.height, [&source](int32_t y) { return source.Row(y); }, target, dest,
        clip);
}

void StretchRows(int32_t source_width, int32_t source_height, const BgrRowSource& rows,
                 Bitmap& target, const Rect& dest, const Rect& clip) {
    if (target.Format() != PixelFormat::Bit24) RaiseInvalidBitmap();
    const Rect area = Intersect(Intersect(clip, dest), Rect{0, 0, target.Width(), target.Height()});
    if (source_width <= 0 || source_height <= 0 || area.IsEmpty()) return;

    // Offsets inside `dest`, in 64 bits: `dest` may span more than 2^31.
    const int64_t dest_width = int64_t{dest.Right} - dest.Left;
    const int64_t dest_height = int64_t{dest.Bottom} - dest.Top;
    const int64_t x0 = int64_t{area.Left} - dest.Left;
    const int64_t x1 = int64_t{area.Right} - dest.Left;
    const int64_t y0 = int64_t{area.Top} - dest.Top;
    const int64_t y1 = int64_t{area.Bottom} - dest.Top;
    const size_t out_offset = 3 * static_cast<size_t>(area.Left);

    if (dest_width == source_width && dest_height == source_height) {
        for (int64_t y = y0; y < y1; ++y) {
            const uint8_t* row = rows(static_cast<int32_t>(y)) + 3 * x0;
            std::memcpy(target.ScanLine(static_cast<int32_t>(area.Top + (y - y0))) + out_offset,
                        row, 3 * static_cast<size_t>(x1 - x0));
        }
        return;
    }

    const Taps columns = Padded(MakeAxis(source_width, dest_width, x0, x1), source_width);
    const Taps lines = Padded(MakeAxis(source_height, dest_height, y0, y1), source_height);
    if (dest_height < source_height) {
        DownThenAcross(rows, columns, lines, target, area, out_offset);
    } else {
        AcrossThenDown(rows, columns, lines, target, area, out_offset);
    }
}

}  // namespace platform
