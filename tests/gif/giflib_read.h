// Files as giflib reads them, the independent reader the codec's tests
// compare with.
#pragma once

#include <utility>
#include <vector>

#include "gif_test_support.h"

namespace gif_testing {

// A file as giflib's DGifSlurp reads it: its screen, its frames (rows in
// display order) with what their graphic control block says, its extension
// blocks in file order as (function, data of the sub-blocks), and the loop
// count of its NETSCAPE2.0 block (-1 without one). Fails the test when
// giflib refuses the file.
struct OracleFrame {
    platform::Rect bounds;
    bool interlaced = false;
    Bytes pixels;
    int delay = 0;
    int disposal = 0;
    int transparent = -1;  // none
};
struct OracleFile {
    int width = 0;
    int height = 0;
    std::vector<OracleFrame> frames;
    std::vector<std::pair<int, Bytes>> extensions;
    int loops = -1;
};
OracleFile GiflibRead(const Bytes& file);

}  // namespace gif_testing
