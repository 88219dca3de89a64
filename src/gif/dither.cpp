#include "gif/dither.h"

#include <algorithm>

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

}  // namespace gif
