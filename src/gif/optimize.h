// Making a GIF picture smaller to store without changing what its animation
// shows: colour tables sorted by use, pixels that repeat the frame below made
// transparent, transparent borders cropped, and blocks that carry nothing
// dropped. TGIFImage::Optimize runs the steps; the options choose them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace gif {

class TGIFImage;
class TGIFImageList;
class TGIFSubImage;

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

// The frames that share the global table's transparent indices (frames with
// transparency and no table of their own), by index, in the picture's order:
// where a frame of the global table finds an index to make transparent
// without walking every frame. No frame may come or go while it is kept.
class TGIFSharedTransparency {
public:
    explicit TGIFSharedTransparency(const TGIFImageList& frames);
    // Frame `position` changed: its transparency, its index or its table.
    void Update(int32_t position);
    // The transparent index of the first frame but `frame` whose index is
    // below `count` and none of `frame`'s pixels uses; none when there is no
    // such frame.
    std::optional<uint8_t> FirstUnused(const TGIFSubImage& frame, int32_t count) const;

private:
    static constexpr int16_t kNone = -1;
    const TGIFImageList& frames_;
    std::array<std::set<int32_t>, 256> positions_;
    // Each frame's shared index, kNone when it shares none.
    std::vector<int16_t> index_of_;
};

// Whether `value` is among the first `count` bytes.
bool ContainsByte(const uint8_t* buffer, uint8_t value, size_t count);

}  // namespace gif
