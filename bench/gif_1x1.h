// A GIF file of many frames of 1 x 1 made in memory: the kind of file on
// which a step that walks every frame for each frame shows at once.
#pragma once

#include <cstdint>
#include <iterator>
#include <vector>

namespace bench {

// `count` frames of 1 x 1 on a two-colour global table, each with its
// graphic control block, the pixel black and white in turn: 23 bytes a frame.
inline std::vector<uint8_t> OnePixelFrames(int count) {
    std::vector<uint8_t> file = {'G', 'I', 'F', '8', '9',  'a',     // signature
                                 1,   0,   1,   0,   0x80, 0,   0,  // screen
                                 0,   0,   0,   255, 255,  255};    // black and white
    // A graphic control block, an image block at 0, 0 of 1 x 1, and codes of
    // 3 bits: clear (4), the pixel, end (5).
    const uint8_t control[] = {0x21, 0xF9, 4, 0, 1, 0, 0, 0};
    const uint8_t image[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2};
    for (int i = 0; i < count; ++i) {
        const auto codes = static_cast<uint16_t>(4 | (i & 1) << 3 | 5 << 6);
        file.insert(file.end(), std::begin(control), std::end(control));
        file.insert(file.end(), std::begin(image), std::end(image));
        file.insert(file.end(), {static_cast<uint8_t>(codes), static_cast<uint8_t>(codes >> 8), 0});
    }
    file.push_back(';');
    return file;
}

}  // namespace bench
