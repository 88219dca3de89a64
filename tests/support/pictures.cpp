#include "pictures.h"

#include <algorithm>
#include <random>

#include "platform/graphics/jpeg_image.h"

namespace testing_support {

using platform::Bitmap;
using platform::Color;

std::unique_ptr<Bitmap> MakeBitmap(int32_t width, int32_t height,
                                   const std::function<Color(int32_t, int32_t)>& colour) {
    auto bitmap = std::make_unique<Bitmap>(width, height);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap->ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            const Color c = colour(x, y);
            row[3 * x] = platform::BlueOf(c);
            row[3 * x + 1] = platform::GreenOf(c);
            row[3 * x + 2] = platform::RedOf(c);
        }
    }
    return bitmap;
}

std::unique_ptr<Bitmap> Pattern(int32_t width, int32_t height) {
    return MakeBitmap(width, height, [&](int32_t x, int32_t y) {
        return platform::MakeColor(static_cast<uint8_t>(x * 255 / (width > 1 ? width - 1 : 1)),
                                   static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1)),
                                   static_cast<uint8_t>(((x / 4 + y / 4) % 2) * 200));
    });
}

Bitmap Noise(int32_t width, int32_t height, unsigned seed) {
    std::mt19937 random(seed);
    Bitmap bitmap(width, height);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < 3 * width; ++x) row[x] = static_cast<uint8_t>(random());
    }
    return bitmap;
}

Color PixelAt(const Bitmap& bitmap, int32_t x, int32_t y) {
    const uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    return platform::MakeColor(p[2], p[1], p[0]);
}

void WriteBmp(const std::string& path, const Bitmap& bitmap) {
    bitmap.SaveToFile(path);
}

void WriteJpeg(const std::string& path, const Bitmap& bitmap, int32_t quality) {
    platform::JpegImage jpeg;
    jpeg.SetCompressionQuality(quality);
    jpeg.Assign(bitmap);
    jpeg.SaveToFile(path);
}

JpegLayout LayoutOf(const std::string& jpeg) {
    JpegLayout layout;
    size_t at = 2;
    while (at + 4 <= jpeg.size()) {
        const auto marker = static_cast<uint8_t>(jpeg[at + 1]);
        if ((marker < 0xE0 || marker > 0xEF) && marker != 0xFE) break;
        const size_t length =
            size_t{static_cast<uint8_t>(jpeg[at + 2])} << 8 | static_cast<uint8_t>(jpeg[at + 3]);
        layout.segments.push_back(jpeg.substr(at, 2 + length));
        at += 2 + length;
    }
    layout.picture = jpeg.substr(std::min(at, jpeg.size()));
    return layout;
}

size_t MarkerOffset(const std::vector<uint8_t>& jpeg, uint8_t marker, int n) {
    size_t at = 2;
    while (at + 4 <= jpeg.size()) {
        if (jpeg[at + 1] == marker && --n == 0) return at;
        if (jpeg[at + 1] == 0xDA) {
            // To the next marker that is neither a stuffed zero nor a restart.
            at += 2;
            while (at + 1 < jpeg.size() && (jpeg[at] != 0xFF || jpeg[at + 1] == 0 ||
                                            (jpeg[at + 1] >= 0xD0 && jpeg[at + 1] <= 0xD7)))
                ++at;
            continue;
        }
        at += 2 + (size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
    }
    return jpeg.size();
}

std::vector<uint8_t> Cut(const std::vector<uint8_t>& bytes, size_t size) {
    return {bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(std::min(size, bytes.size()))};
}

std::vector<uint8_t> Inserted(const std::vector<uint8_t>& bytes, size_t at,
                              const std::vector<uint8_t>& inserted) {
    std::vector<uint8_t> result = Cut(bytes, at);
    result.insert(result.end(), inserted.begin(), inserted.end());
    result.insert(result.end(), bytes.begin() + static_cast<ptrdiff_t>(at), bytes.end());
    return result;
}

}  // namespace testing_support
