// Loads arbitrary bytes as a GIF picture and reads every row of every frame it
// holds through the checked row access, so that a frame whose pixels are
// shorter than its bounds shows up as an out-of-bounds read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gif/gif_image.h"
#include "platform/core/error.h"
#include "platform/core/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gif::TGIFImage image;
    try {
        auto stream = platform::MemoryStream::View({data, size});
        image.LoadFromStream(stream);
    } catch (const platform::Error&) {
        // Refusing a broken file is the expected outcome; the frames read
        // before the failure stay, and are read below all the same.
    }
    // Rows are copied rather than read pixel by pixel: a few bytes may declare
    // a frame of 2^28 pixels, and an instrumented loop over it would take
    // minutes, while the copy is checked over its whole length all the same.
    uint32_t checksum = 0;
    std::vector<uint8_t> row;
    for (int32_t i = 0; i < image.Images().Count(); ++i) {
        gif::TGIFSubImage& frame = *image.Images().SubImages(i);
        if (frame.Empty()) continue;
        if (frame.DataSize() != size_t{frame.Width()} * frame.Height()) std::abort();
        row.resize(frame.Width());
        for (int32_t y = 0; y < frame.Height(); ++y) {
            std::memcpy(row.data(), frame.GetScanline(y), row.size());
            checksum += uint32_t{row.front()} + row.back();
        }
    }
    // Kept, so that the reads above are not optimised away.
    volatile uint32_t sink = checksum;
    static_cast<void>(sink);
    return 0;
}
