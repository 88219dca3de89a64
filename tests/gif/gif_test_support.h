// Helpers of the GIF codec's tests: pictures loaded with their warnings kept,
// frames made in memory, and files put together byte by byte.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gif/gif_image.h"

namespace gif_testing {

using Bytes = std::vector<uint8_t>;

// A file of the GIF suite of the test pictures, by name without extension.
Bytes SuiteFile(const std::string& name);

using Warnings = std::shared_ptr<std::vector<std::string>>;
// Keeps every warning the picture reports, in order.
Warnings RecordWarnings(gif::TGIFImage& image);

struct Loaded {
    std::unique_ptr<gif::TGIFImage> image = std::make_unique<gif::TGIFImage>();
    Warnings warnings = RecordWarnings(*image);
};
// Loads the bytes; an exception passes on.
Loaded Load(const Bytes& file);
// The message of the exception loading raises, "(no error)" when none.
std::string LoadError(const Bytes& file);

Bytes Save(const gif::TGIFImage& image);

// The pixels of a frame, row after row.
std::vector<uint8_t> Pixels(const gif::TGIFSubImage& frame);

// Appends a frame at (left, top) with a local table of `colors` and the
// pixels of `pixel`, transparent through a graphic control extension when
// `transparent` is given.
using PixelFn = std::function<uint8_t(int32_t x, int32_t y)>;
gif::TGIFSubImage& AddFrame(gif::TGIFImage& image, int32_t left, int32_t top, int32_t width,
                            int32_t height, const std::vector<platform::Color>& colors,
                            const PixelFn& pixel,
                            std::optional<uint8_t> transparent = std::nullopt);

// The frame's graphic control extension, added when it has none.
gif::TGIFGraphicControlExtension& Control(gif::TGIFSubImage& frame);

// Files put together block by block.
Bytes operator+(Bytes head, const Bytes& tail);
// Signature and screen of `width` x `height`, with a global table of `colors`
// grey entries (a power of two; none for 0).
Bytes Screen(uint16_t width, uint16_t height, int colors, const std::string& signature = "GIF89a");
// An image block and its LZW data (minimum code size byte included).
Bytes Image(uint16_t width, uint16_t height, const Bytes& data, uint8_t packed = 0);
// An application extension: its first block holds the identifier, `data`
// (sub-blocks and terminator) follow as given.
Bytes Application(const std::string& identifier, const Bytes& data);

// LZW data with the given minimum code size packing `codes` at the widths a
// decoder reads them (the code size grows as the decoder's table does, and
// stops at 12 bits), cut into sub-blocks, with a terminator. `bits` receives
// the number of bits the codes take.
Bytes PackCodes(int min_code_size, const std::vector<int>& codes, size_t* bits = nullptr);
// The codes of LZW data (without its minimum code size byte) read back at
// the widths a decoder reads them.
std::vector<int> UnpackCodes(const Bytes& data);

// What an animation shows: the screen after each frame, as red, green, blue
// and alpha bytes (alpha 0 where nothing was drawn), and how long it stays.
// Frames are drawn by the disposal rules: 2 clears the frame's rectangle to
// nothing, 3 puts back what was under it; pixels outside the screen are lost.
struct Shown {
    std::vector<uint8_t> rgba;
    int32_t delay = 0;
    friend bool operator==(const Shown&, const Shown&) = default;
};
std::vector<Shown> Compose(const gif::TGIFImage& image);
// The screens as they are seen: screens shown for no time dropped (the last
// one kept) and screens equal to the one before merged into it.
std::vector<Shown> Seen(std::vector<Shown> screens);

}  // namespace gif_testing
