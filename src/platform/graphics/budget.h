// The memory a decoded picture may take, checked by every decoder before it
// allocates: a few bytes of header must not make the process reserve
// gigabytes. Beyond the budget a picture is refused with "Mémoire
// insuffisante", as if the allocation had failed.
#pragma once

#include <cstdint>

namespace platform {

// One decoded bitmap (a BMP, a JPEG decoded at full size, a GIF frame or its
// rendered screen): at most this many pixels.
constexpr int64_t kMaxPicturePixels = int64_t{1} << 28;
// The pixel indices of all the frames of one GIF picture together.
constexpr int64_t kMaxIndexBytes = int64_t{1} << 30;

// The application segments of one JPEG file held to go with a new encoding
// of its picture (XMP packets, ICC profile chunks, camera segments): room for
// the largest ICC profile (255 segments) and an XMP packet with its extension.
constexpr int64_t kMaxHeldSegmentBytes = int64_t{32} << 20;

// Raises "Mémoire insuffisante" unless a picture of width x height (neither
// negative) fits the one-bitmap budget.
void CheckPictureSize(int64_t width, int64_t height);

// The indices of the frames of one picture, counted as each is decoded.
class IndexBudget {
public:
    // Counts a frame of width x height index bytes. A frame beyond the
    // one-bitmap budget, or one that would take the sum beyond the whole
    // budget, raises "Mémoire insuffisante" and is not counted.
    void Take(int64_t width, int64_t height);

private:
    int64_t used_ = 0;
};

}  // namespace platform
