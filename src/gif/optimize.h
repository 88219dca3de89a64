// Making a GIF picture smaller to store without changing what its animation
// shows: colour tables sorted by use, pixels that repeat the frame below made
// transparent, transparent borders cropped, and blocks that carry nothing
// dropped. TGIFImage::Optimize runs the steps; the options choose them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gif {

class TGIFImage;

enum OptimizeOption : uint8_t {
    // Crops the transparent borders of frames; drops frames left empty.
    opCrop = 1 << 0,
    // Pixels equal to the frame below become transparent.
    opOverlap = 1 << 1,
    // Switches off transparency and disposal that show nothing; removes
    // comments, texts, foreign application blocks, needless loop and graphic
    // control blocks and empty frames.
    opCleanup = 1 << 2,
    // Sorts every colour table by use.
    opSortColorMaps = 1 << 3,
    // Reduces nothing; only its method is checked.
    opReduceColors = 1 << 4,
};
constexpr uint8_t kAllOptimizeOptions =
    opCrop | opOverlap | opCleanup | opSortColorMaps | opReduceColors;

// The reduction method that colour reduction refuses.
constexpr uint8_t kInvalidReductionMethod = 9;

// Whether `value` is among the first `count` bytes.
bool ContainsByte(const uint8_t* buffer, uint8_t value, size_t count);

}  // namespace gif
