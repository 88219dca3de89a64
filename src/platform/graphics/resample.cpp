#include "platform/graphics/resample.h"

#include <algorithm>
#include <cstring>
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

// The horizontal pass: one source row into the target columns of the axis,
// each channel with 8 bits of fraction.
void ResampleRow(const uint8_t* source, const Axis& axis, uint16_t* out) {
    for (size_t i = 0; i < axis.Size(); ++i) {
        const uint8_t* p = source + 3 * static_cast<size_t>(axis.first[i]);
        const uint16_t* w = axis.weights.data() + axis.start[i];
        uint32_t blue = 0;
        uint32_t green = 0;
        uint32_t red = 0;
        for (size_t k = 0; k < axis.Count(i); ++k, p += 3) {
            blue += w[k] * uint32_t{p[0]};
            green += w[k] * uint32_t{p[1]};
            red += w[k] * uint32_t{p[2]};
        }
        constexpr uint32_t kHalf = uint32_t{1} << (kRowShift - 1);
        out[3 * i] = static_cast<uint16_t>((blue + kHalf) >> kRowShift);
        out[3 * i + 1] = static_cast<uint16_t>((green + kHalf) >> kRowShift);
        out[3 * i + 2] = static_cast<uint16_t>((red + kHalf) >> kRowShift);
    }
}

// Rows of the horizontal pass kept while target rows still need them; row y
// lives in slot y modulo the capacity, which is the largest number of source
// rows one target row takes.
class RowRing {
public:
    RowRing(size_t capacity, size_t values)
        : capacity_(capacity), values_(values), storage_(capacity * values), acc_(values) {}

    uint16_t* Slot(int64_t y) {
        return storage_.data() + static_cast<size_t>(y) % capacity_ * values_;
    }

    // The vertical pass: target row `row` of the axis from the rows it takes.
    void Combine(const Axis& axis, size_t row, uint8_t* out) {
        std::fill(acc_.begin(), acc_.end(), uint32_t{1} << (kFinalShift - 1));
        const uint16_t* w = axis.weights.data() + axis.start[row];
        for (size_t k = 0; k < axis.Count(row); ++k) {
            const uint16_t* line = Slot(int64_t{axis.first[row]} + static_cast<int64_t>(k));
            const uint32_t weight = w[k];
            for (size_t v = 0; v < values_; ++v) acc_[v] += weight * line[v];
        }
        for (size_t v = 0; v < values_; ++v) out[v] = static_cast<uint8_t>(acc_[v] >> kFinalShift);
    }

private:
    size_t capacity_;
    size_t values_;
    std::vector<uint16_t> storage_;
    std::vector<uint32_t> acc_;
};

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
    const size_t values = 3 * static_cast<size_t>(x1 - x0);
    const size_t out_offset = 3 * static_cast<size_t>(area.Left);

    if (dest_width == source_width && dest_height == source_height) {
        for (int64_t y = y0; y < y1; ++y) {
            const uint8_t* row = rows(static_cast<int32_t>(y)) + 3 * x0;
            std::memcpy(target.ScanLine(static_cast<int32_t>(area.Top + (y - y0))) + out_offset,
                        row, values);
        }
        return;
    }

    const Axis columns = MakeAxis(source_width, dest_width, x0, x1);
    const Axis lines = MakeAxis(source_height, dest_height, y0, y1);
    RowRing ring(lines.MaxCount(), values);
    int64_t next = 0;
    for (size_t r = 0; r < lines.Size(); ++r) {
        next = std::max(next, int64_t{lines.first[r]});
        for (const int64_t end = lines.first[r] + static_cast<int64_t>(lines.Count(r)); next < end;
             ++next) {
            ResampleRow(rows(static_cast<int32_t>(next)), columns, ring.Slot(next));
        }
        ring.Combine(lines, r, target.ScanLine(area.Top + static_cast<int32_t>(r)) + out_offset);
    }
}

struct RowShrinker::State {
    State(int32_t width, int32_t height, Bitmap& bitmap)
        : source_height(height),
          target(bitmap),
          columns(MakeAxis(width, bitmap.Width(), 0, bitmap.Width())),
          lines(MakeAxis(height, bitmap.Height(), 0, bitmap.Height())),
          ring(lines.MaxCount(), 3 * static_cast<size_t>(bitmap.Width())) {}

    // Writes every target row whose source rows have all arrived.
    void WriteReadyRows() {
        while (next_target < lines.Size() &&
               lines.first[next_target] + static_cast<int64_t>(lines.Count(next_target)) <=
                   received) {
            ring.Combine(lines, next_target, target.ScanLine(static_cast<int32_t>(next_target)));
            ++next_target;
        }
    }

    int32_t source_height;
    Bitmap& target;
    Axis columns;
    Axis lines;
    RowRing ring;
    int64_t received = 0;
    size_t next_target = 0;
};

RowShrinker::RowShrinker(int32_t source_width, int32_t source_height, Bitmap& target) {
    if (target.Format() != PixelFormat::Bit24) RaiseInvalidBitmap();
    if (target.Width() > source_width || target.Height() > source_height) RaiseRange();
    if (target.Empty()) return;
    state_ = std::make_unique<State>(source_width, source_height, target);
}

RowShrinker::~RowShrinker() = default;

void RowShrinker::Push(const uint8_t* row) {
    if (state_ == nullptr || state_->received >= state_->source_height) return;
    ResampleRow(row, state_->columns, state_->ring.Slot(state_->received));
    ++state_->received;
    state_->WriteReadyRows();
}

void RowShrinker::Finish() {
    if (state_ == nullptr || state_->received == 0) return;
    RowRing& ring = state_->ring;
    const size_t bytes = state_->columns.Size() * 3 * sizeof(uint16_t);
    while (state_->received < state_->source_height) {
        const uint16_t* last = ring.Slot(state_->received - 1);
        uint16_t* slot = ring.Slot(state_->received);
        if (slot != last) std::memcpy(slot, last, bytes);
        ++state_->received;
        state_->WriteReadyRows();
    }
}

}  // namespace platform
