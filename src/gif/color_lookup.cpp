#include "gif/color_lookup.h"

#include <algorithm>
#include <cstdlib>

namespace gif {

namespace {

constexpr uint16_t kEmptyCell = 0xFFFF;
constexpr size_t kCells = 32768;

size_t CellOf(uint8_t red, uint8_t green, uint8_t blue) {
    return size_t{blue} >> 3 << 10 | size_t{green} >> 3 << 5 | size_t{red} >> 3;
}

int32_t ServedCount(const platform::Palette& palette) {
    return static_cast<int32_t>(std::min<size_t>(palette.Count(), 256));
}

uint8_t WebLevel(uint8_t value) {
    return static_cast<uint8_t>((value + 3) / 51);
}

}  // namespace

TFastColorLookup::TFastColorLookup(const platform::Palette& palette)
    : TColorLookup(ServedCount(palette)), cache_(kCells, kEmptyCell) {
    const auto& source = palette.Entries();
    for (size_t i = 0; i < static_cast<size_t>(Colors()); ++i) {
        entries_[i] = Rgb{source[i].Red, source[i].Green, source[i].Blue};
        uint16_t& cell = cache_[CellOf(source[i].Red, source[i].Green, source[i].Blue)];
        if (cell == kEmptyCell) cell = static_cast<uint16_t>(i);
    }
}

ColorMatch TFastColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue) {
    uint16_t& cell = cache_[CellOf(red, green, blue)];
    if (cell == kEmptyCell) {
        int best = 0x30000;
        uint16_t answer = 0;
        for (size_t i = 0; i < static_cast<size_t>(Colors()); ++i) {
            const Rgb& entry = entries_[i];
            const int distance = std::abs(entry.Red - red) + std::abs(entry.Green - green) +
                                 std::abs(entry.Blue - blue);
            if (distance < best) {
                best = distance;
                answer = static_cast<uint16_t>(i);
            }
        }
        cell = answer;
    }
    return ColorMatch{static_cast<uint8_t>(cell), entries_[cell]};
}

uint8_t TNetscapeColorLookup::IndexOf(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint8_t>(WebLevel(red) * 36 + WebLevel(green) * 6 + WebLevel(blue));
}

ColorMatch TNetscapeColorLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue) {
    const auto level = [](uint8_t value) { return static_cast<uint8_t>(WebLevel(value) * 51); };
    return ColorMatch{IndexOf(red, green, blue), Rgb{level(red), level(green), level(blue)}};
}

ColorMatch TGrayScaleLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue) {
    const auto grey = static_cast<uint8_t>((red * 77 + green * 150 + blue * 29) >> 8);
    return ColorMatch{grey, Rgb{grey, grey, grey}};
}

ColorMatch TMonochromeLookup::Lookup(uint8_t red, uint8_t green, uint8_t blue) {
    if (red * 77 + green * 150 + blue * 29 <= 0x7F00) return ColorMatch{0, Rgb{0, 0, 0}};
    return ColorMatch{1, Rgb{255, 255, 255}};
}

}  // namespace gif
