#include "gif/dither.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "platform/core/error.h"

namespace gif {

TDitherEngine::TDitherEngine(int32_t width, TColorLookup& lookup) : width_(width), lookup_(lookup) {
    if (width < 0) platform::RaiseRange();
}

void TDitherEngine::CheckColumn() const {
    if (column_ < 0 || column_ >= width_) platform::RaiseRange();
}

ColorMatch TDitherEngine::Dither(uint8_t red, uint8_t green, uint8_t blue) {
    CheckColumn();
    NextColumn();
    return lookup_.Lookup(red, green, blue);
}

void TDitherEngine::ResetError() {
    CheckColumn();
    NextColumn();
}

void TDitherEngine::NextLine() {
    direction_ = -direction_;
    column_ = direction_ > 0 ? 0 : width_ - 1;
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int32_t width, TColorLookup& lookup)
    : TDitherEngine(width, lookup) {
    for (Channel& channel : channels_) channel.below.assign(static_cast<size_t>(width) + 2, 0);
}

size_t TFloydSteinbergDitherer::Slot() const {
    // Column x - d is slot x - d + 1. Between rows Column() may stand one
    // step outside the row, which still lands on a margin slot.
    return static_cast<size_t>(Column() + (Direction() > 0 ? 0 : 2));
}

ColorMatch TFloydSteinbergDitherer::Dither(uint8_t red, uint8_t green, uint8_t blue) {
    CheckColumn();
    const size_t slot = Slot();
    const std::array<int32_t, 3> component{red, green, blue};
    std::array<int32_t, 3> value{};
    for (size_t c = 0; c < 3; ++c) {
        const Channel& channel = channels_[c];
        // Integer division truncates toward zero, negative sums included.
        value[c] =
            std::clamp(component[c] + (channel.below[slot] + channel.carry + 8) / 16, 0, 255);
    }
    NextColumn();
    const ColorMatch match =
        Lookup().Lookup(static_cast<uint8_t>(value[0]), static_cast<uint8_t>(value[1]),
                        static_cast<uint8_t>(value[2]));
    const std::array<int32_t, 3> chosen{match.Color.Red, match.Color.Green, match.Color.Blue};
    for (size_t c = 0; c < 3; ++c) {
        Channel& channel = channels_[c];
        const int32_t error = value[c] - chosen[c];
        channel.carry = 7 * error;
        if (error != 0) {
            channel.below[slot] = channel.pending + 3 * error;
            channel.pending = channel.previous + 5 * error;
            channel.previous = error;
        }
    }
    return match;
}

void TFloydSteinbergDitherer::ResetError() {
    CheckColumn();
    // As a pixel whose colour came out exact.
    for (Channel& channel : channels_) channel.carry = 0;
    NextColumn();
}

void TFloydSteinbergDitherer::NextLine() {
    const size_t slot = Slot();
    for (Channel& channel : channels_) {
        channel.below[slot] = channel.pending;
        channel.carry = 0;
        channel.previous = 0;
        channel.pending = 0;
    }
    TDitherEngine::NextLine();
}

T5by3Ditherer::T5by3Ditherer(int32_t width, TColorLookup& lookup, DitherKernel kernel)
    : TDitherEngine(width, lookup),
      kernel_(std::move(kernel)),
      row_slots_(static_cast<size_t>(width) + 2 * static_cast<size_t>(kernel_.margin)) {
    for (auto& sums : sums_) sums.assign(row_slots_ * static_cast<size_t>(kernel_.rows), 0);
}

ColorMatch T5by3Ditherer::Dither(uint8_t red, uint8_t green, uint8_t blue) {
    CheckColumn();
    const size_t slot = Slot(Column());
    const size_t current = static_cast<size_t>(first_row_) * row_slots_ + slot;
    const std::array<int32_t, 3> component{red, green, blue};
    const int32_t divisor = kernel_.divisor;
    std::array<int32_t, 3> value{};
    for (size_t c = 0; c < 3; ++c) {
        // Integer division truncates toward zero, negative sums included.
        value[c] = std::clamp(component[c] + (sums_[c][current] + divisor / 2) / divisor, 0, 255);
    }
    NextColumn();
    const ColorMatch match =
        Lookup().Lookup(static_cast<uint8_t>(value[0]), static_cast<uint8_t>(value[1]),
                        static_cast<uint8_t>(value[2]));
    const std::array<int32_t, 3> chosen{match.Color.Red, match.Color.Green, match.Color.Blue};
    for (size_t c = 0; c < 3; ++c) {
        const int32_t error = value[c] - chosen[c];
        if (error != 0) Propagate(sums_[c], slot, error);
    }
    return match;
}

void T5by3Ditherer::Propagate(std::vector<int32_t>& sums, size_t slot, int32_t error) {
    const int32_t direction = Direction();
    for (const KernelWeight& w : kernel_.weights) {
        const size_t row = static_cast<size_t>((first_row_ + w.row) % kernel_.rows);
        const auto target = static_cast<ptrdiff_t>(row * row_slots_ + slot) + w.step * direction;
        sums[static_cast<size_t>(target)] += w.weight * error;
    }
}

void T5by3Ditherer::ResetError() {
    CheckColumn();
    NextColumn();
}

void T5by3Ditherer::NextLine() {
    const auto start = static_cast<ptrdiff_t>(static_cast<size_t>(first_row_) * row_slots_);
    for (auto& sums : sums_) {
        std::fill(sums.begin() + start, sums.begin() + start + static_cast<ptrdiff_t>(row_slots_),
                  0);
    }
    first_row_ = (first_row_ + 1) % kernel_.rows;
    TDitherEngine::NextLine();
}

TStuckiDitherer::TStuckiDitherer(int32_t width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup,
                      {3, 2, 42, {{0, 1, 8}, {0, 2, 4},
                                  {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
                                  {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}}}) {}

TSierraDitherer::TSierraDitherer(int32_t width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup,
                      {3, 2, 32, {{0, 1, 5}, {0, 2, 3},
                                  {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},
                                  {2, -1, 2}, {2, 0, 3}, {2, 1, 2}}}) {}

TJaJuNiDitherer::TJaJuNiDitherer(int32_t width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup,
                      {3, 2, 48, {{0, 1, 7}, {0, 2, 5},
                                  {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},
                                  {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}}}) {}

TSteveArcheDitherer::TSteveArcheDitherer(int32_t width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup,
                      {4, 3, 200, {{0, 2, 32},
                                   {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16},
                                   {2, -2, 12}, {2, 0, 26}, {2, 2, 12},
                                   {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5}}}) {}

TBurkesDitherer::TBurkesDitherer(int32_t width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup,
                      {2, 2, 32, {{0, 1, 8}, {0, 2, 4},
                                  {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}}) {}

std::unique_ptr<TDitherEngine> CreateDitherer(uint8_t mode, int32_t width, TColorLookup& lookup) {
    switch (mode) {
        case 0: return std::make_unique<TDitherEngine>(width, lookup);
        case 1: return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
        case 2: return std::make_unique<TStuckiDitherer>(width, lookup);
        case 3: return std::make_unique<TSierraDitherer>(width, lookup);
        case 4: return std::make_unique<TJaJuNiDitherer>(width, lookup);
        case 5: return std::make_unique<TSteveArcheDitherer>(width, lookup);
        case 6: return std::make_unique<TBurkesDitherer>(width, lookup);
        default: return nullptr;
    }
}

}  // namespace gif
