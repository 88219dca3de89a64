// Walks arbitrary bytes as the TIFF data of an EXIF segment. Beyond surviving
// any input, every tag listed from the segment must carry the bytes found at
// its recorded position, which the in-place edits write to.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "metadata/image_info.h"
#include "metadata/img_data.h"

namespace {

constexpr size_t kMaxTiff = 65535 - 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxTiff) return 0;
    const size_t length = size + 8;
    std::string jpeg = "\xFF\xD8\xFF\xE1";
    jpeg += static_cast<char>(length >> 8);
    jpeg += static_cast<char>(length & 0xFF);
    jpeg.append("Exif\0\0", 6);
    jpeg.append(reinterpret_cast<const char*>(data), size);
    jpeg += "\xFF\xD9";
    metadata::TimgData read;
    read.ReadJpegBytes({reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size()});
    const metadata::TImageInfo* info = read.ExifObj();
    if (info == nullptr) return 0;
    const std::string& segment = read.ExifSegment()->bytes;
    for (const metadata::TTagEntry& tag : info->Tags()) {
        if (tag.table_id != 0 || tag.raw_position == 0) continue;
        const auto at = static_cast<size_t>(tag.raw_position - 1);
        if (at > segment.size() || segment.compare(at, tag.raw.size(), tag.raw) != 0) {
            std::abort();
        }
    }
    return 0;
}
