#include "gif/gif_units.h"

#include <utility>
#include <vector>

#include "platform/core/arith.h"
#include "platform/core/error.h"

namespace gif {

int32_t ColorsToBits(int32_t count) {
    int32_t bits = 0;
    while (bits < 31 && (int32_t{1} << bits) < count) ++bits;
    // One colour still needs an index of one bit.
    return count == 1 ? 1 : bits;
}

int32_t AlignBit(int32_t pixels, int32_t bits_per_pixel, int32_t alignment) {
    if (alignment < 1 || pixels < 0 || bits_per_pixel < 0) platform::RaiseRange();
    const int32_t bits =
        platform::CheckedAdd(platform::CheckedMul(pixels, bits_per_pixel), alignment - 1);
    return bits / alignment * alignment / 8;
}

platform::Palette CreateWebPalette() {
    constexpr uint8_t kStep = 51;
    std::vector<platform::RGBQuad> entries;
    entries.reserve(216);
    for (uint8_t r = 0; r < 6; ++r) {
        for (uint8_t g = 0; g < 6; ++g) {
            for (uint8_t b = 0; b < 6; ++b) {
                entries.push_back(platform::RGBQuad{static_cast<uint8_t>(b * kStep),
                                                    static_cast<uint8_t>(g * kStep),
                                                    static_cast<uint8_t>(r * kStep), 0});
            }
        }
    }
    return platform::Palette(std::move(entries));
}

}  // namespace gif
