// Arbitrary bytes through the BMP reader; whatever it reads is drawn shrunk
// and enlarged and written back, so that every pixel format it makes goes
// through the row conversions, the resampler and the writer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/core/error.h"
#include "platform/core/stream.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"

namespace {

// The pixel count the header declares, 0 when there is no header to read.
uint64_t DeclaredPixels(std::span<const uint8_t> data) {
    if (data.size() < 26) return 0;
    auto u16 = [&](size_t at) { return uint32_t{data[at]} | uint32_t{data[at + 1]} << 8; };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    if (u32(14) == 12) return uint64_t{u16(18)} * u16(20);
    const int64_t width = static_cast<int32_t>(u32(18));
    const int64_t height = static_cast<int32_t>(u32(22));
    return static_cast<uint64_t>(std::llabs(width)) * static_cast<uint64_t>(std::llabs(height));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    // A run-length file may declare a picture far larger than itself, and the
    // reader rightly allows pictures beyond the fuzzer's memory limit; large
    // ones would also only slow the search down.
    if (DeclaredPixels(bytes) > (uint64_t{1} << 18)) return 0;
    platform::MemoryStream stream = platform::MemoryStream::View(bytes);
    platform::Bitmap bitmap;
    try {
        bitmap.LoadFromStream(stream);
        platform::Bitmap small(16, 16);
        platform::Canvas canvas(small);
        canvas.StretchDraw(platform::Rect{0, 0, 16, 16}, bitmap);
        canvas.StretchDraw(platform::Rect{-3, -5, 40, 30}, bitmap);
        platform::MemoryStream written;
        bitmap.SaveToStream(written);
    } catch (const platform::Error&) {
    }
    return 0;
}
