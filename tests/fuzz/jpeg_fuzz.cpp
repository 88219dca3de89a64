// Loads arbitrary bytes as a JPEG picture and decodes it the ways a picture is
// shown: fitted row by row into a small window, partly visible through a whole
// decoding, and as a bitmap.
#include <cstddef>
#include <cstdint>

#include "platform/core/error.h"
#include "platform/core/stream.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/jpeg_image.h"

namespace {

// Headers announcing more are still parsed, but not decoded: the resampling
// runs instrumented, and each run must stay short. The library's own refusal
// of huge pictures is tested apart.
constexpr int64_t kMaxDecodedPixels = 1'000'000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::JpegImage image;
    try {
        auto stream = platform::MemoryStream::View({data, size});
        image.LoadFromStream(stream);
        if (int64_t{image.Width()} * image.Height() > kMaxDecodedPixels) return 0;
        platform::Bitmap window(48, 32);
        platform::Canvas canvas(window);
        image.Draw(canvas, platform::Rect{0, 0, 48, 32});
        image.Draw(canvas, platform::Rect{-8, -8, 96, 64});
        image.GetBitmap();
    } catch (const platform::Error&) {
        // Refusing a broken file is the expected outcome.
    }
    return 0;
}
