// Small pictures made in memory for the tests, and written as files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/bitmap.h"

namespace testing_support {

// A 24-bit bitmap whose pixel (x, y) is colour(x, y).
std::unique_ptr<platform::Bitmap> MakeBitmap(
    int32_t width, int32_t height,
    const std::function<platform::Color(int32_t x, int32_t y)>& colour);

// A picture whose pixels differ from place to place (a gradient with a
// pattern), so that shifted or scaled copies are told apart.
std::unique_ptr<platform::Bitmap> Pattern(int32_t width, int32_t height);

// A 24-bit picture of random colours.
platform::Bitmap Noise(int32_t width, int32_t height, unsigned seed);

// The pixel (x, y) of a 24-bit bitmap.
platform::Color PixelAt(const platform::Bitmap& bitmap, int32_t x, int32_t y);

// "width x height" of a picture, to compare both sides in one assertion.
template <typename Picture>
std::string SizeOf(const Picture& picture) {
    return std::to_string(picture.Width()) + "x" + std::to_string(picture.Height());
}

void WriteBmp(const std::string& path, const platform::Bitmap& bitmap);
void WriteJpeg(const std::string& path, const platform::Bitmap& bitmap, int32_t quality = 90);

// The segments of a JPEG stream before its picture data (APPn and COM), each
// with its marker, and the rest of the stream from the first other segment.
struct JpegLayout {
    std::vector<std::string> segments;
    std::string picture;
};
JpegLayout LayoutOf(const std::string& jpeg);

// Damaged JPEG files: the offset of the n-th segment with that marker, the
// segments walked from the start (0xDA: a start of scan; a scan's data are
// passed over), the size of the bytes when there is none; the bytes cut to
// a size; bytes put in at an offset.
size_t MarkerOffset(const std::vector<uint8_t>& jpeg, uint8_t marker, int n = 1);
std::vector<uint8_t> Cut(const std::vector<uint8_t>& bytes, size_t size);
std::vector<uint8_t> Inserted(const std::vector<uint8_t>& bytes, size_t at,
                              const std::vector<uint8_t>& inserted);

}  // namespace testing_support
