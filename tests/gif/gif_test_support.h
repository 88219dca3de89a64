// Helpers of the GIF codec's tests: files made by giflib's gifbuild from
// text, giflib itself as the independent reader, and our picture loaded with
// its warnings recorded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gif/gif_image.h"

namespace gif_testing {

using Bytes = std::vector<uint8_t>;

// A GIF file built by gifbuild from its text description.
Bytes GifBuild(const std::string& description);

// One frame as giflib decodes it (rows in display order).
struct OracleFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    std::vector<uint8_t> pixels;
};
// Every frame of a file through giflib's DGifSlurp; fails the test when
// giflib refuses the file.
std::vector<OracleFrame> GiflibFrames(const Bytes& file);

// A picture with every warning it reports kept, in order.
struct Loaded {
    std::unique_ptr<gif::TGIFImage> image = std::make_unique<gif::TGIFImage>();
    std::shared_ptr<std::vector<std::string>> warnings =
        std::make_shared<std::vector<std::string>>();
};
// Loads the bytes; an exception passes on.
Loaded Load(const Bytes& file);
// The message of the exception loading raises, "(no error)" when none.
std::string LoadError(const Bytes& file);

Bytes Save(const gif::TGIFImage& image);

// The pixels of a frame, row after row.
std::vector<uint8_t> Pixels(const gif::TGIFSubImage& frame);

// Files put together block by block.
Bytes operator+(Bytes head, const Bytes& tail);
// Signature and screen of `width` x `height`, with a global table of `colors`
// grey entries (a power of two; none for 0).
Bytes Screen(uint16_t width, uint16_t height, int colors, const std::string& signature = "GIF89a");
// An image block and its LZW data (minimum code size byte included).
Bytes Image(uint16_t width, uint16_t height, const Bytes& data, uint8_t packed = 0);
// A screen with one image covering it, then a trailer.
Bytes OneFrame(uint16_t width, uint16_t height, int colors, const Bytes& data);

// LZW data with the given minimum code size packing `codes` at the widths a
// decoder reads them (the code size grows as the decoder's table does, and
// stops at 12 bits), cut into sub-blocks, with a terminator. `bits` receives
// the number of bits the codes take.
Bytes PackCodes(int min_code_size, const std::vector<int>& codes, size_t* bits = nullptr);
// The codes of LZW data (without its minimum code size byte) read back at
// the widths a decoder reads them.
std::vector<int> UnpackCodes(const Bytes& data);

}  // namespace gif_testing
