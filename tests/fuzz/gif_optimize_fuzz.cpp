// Loads arbitrary bytes as a GIF picture, optimises it and writes it with both
// encoders, then reads back what was written: optimisation takes whatever the
// reader gives, keeps its screen, never makes a picture that could be written
// larger, and a file it lets be written is one the reader takes again. The width of the
// widest colour table, which the picture keeps as its tables and frames
// change, is the one a walk of its tables finds, after reading and after
// optimising.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "gif/gif_image.h"
#include "gif/optimize.h"
#include "platform/core/error.h"
#include "platform/core/stream.h"

namespace {

void CheckWidestTable(const gif::TGIFImage& image) {
    int32_t bits = image.Header().ColorMap().BitsPerPixel();
    for (const auto& frame : image.Images())
        bits = std::max(bits, frame->ColorMap().BitsPerPixel());
    if (image.GetBitsPerPixel() != bits) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gif::TGIFImage image;
    try {
        auto stream = platform::MemoryStream::View({data, size});
        image.LoadFromStream(stream);
    } catch (const platform::Error&) {
        // The frames read before the failure are optimised all the same.
    }
    CheckWidestTable(image);
    // A few bytes may declare frames of 2^28 pixels, which every step would
    // walk through slowly under the sanitizers without finding more.
    size_t pixels = 0;
    for (const auto& frame : image.Images()) pixels += frame->DataSize();
    if (pixels > size_t{1} << 20) return 0;
    // What is written of the picture as it was read, when it can be.
    std::optional<int64_t> unoptimised;
    try {
        platform::MemoryStream written;
        image.SaveToStream(written);
        unoptimised = written.Size();
    } catch (const platform::Error&) {
    }
    // The screen read, which frames beyond it leave as it is.
    const int32_t width = image.Width();
    const int32_t height = image.Height();
    try {
        image.Optimize(gif::kAllOptimizeOptions, 0, 0, 8);
    } catch (const platform::Error&) {
        CheckWidestTable(image);
        if (image.Width() != width || image.Height() != height) std::abort();
        return 0;
    }
    CheckWidestTable(image);
    if (image.Width() != width || image.Height() != height) std::abort();
    // Optimising never makes it larger.
    if (unoptimised) {
        platform::MemoryStream written;
        image.SaveToStream(written);
        if (written.Size() > *unoptimised) std::abort();
    }
    for (const uint8_t compression : {uint8_t{0}, uint8_t{1}}) {
        image.SetCompression(compression);
        platform::MemoryStream written;
        try {
            image.SaveToStream(written);
        } catch (const platform::Error&) {
            // Pixels beyond their table, or no frame left to write.
            continue;
        }
        written.SetPosition(0);
        gif::TGIFImage back;
        try {
            back.LoadFromStream(written);
        } catch (const platform::Error&) {
            std::abort();
        }
        // A picture of extensions alone may have lost them all, and writes
        // no block then; one with pixels writes them.
        for (const auto& frame : image.Images()) {
            if (!frame->Empty() && back.Images().Count() == 0) std::abort();
        }
    }
    return 0;
}
