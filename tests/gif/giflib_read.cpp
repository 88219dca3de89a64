#include "giflib_read.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <span>

namespace gif_testing {

OracleFile GiflibRead(const Bytes& file) {
    std::span<const uint8_t> unread = file;
    int error = 0;
    GifFileType* gif = DGifOpen(
        &unread,
        [](GifFileType* f, GifByteType* buffer, int count) {
            auto* rest = static_cast<std::span<const uint8_t>*>(f->UserData);
            const size_t n = std::min(static_cast<size_t>(count), rest->size());
            std::copy_n(rest->begin(), n, buffer);
            *rest = rest->subspan(n);
            return static_cast<int>(n);
        },
        &error);
    OracleFile oracle;
    bool loop_block = false;
    const auto add = [&](const ExtensionBlock* blocks, int count) {
        for (int i = 0; i < count; ++i) {
            const ExtensionBlock& block = blocks[i];
            oracle.extensions.emplace_back(block.Function,
                                           Bytes(block.Bytes, block.Bytes + block.ByteCount));
            if (block.Function == APPLICATION_EXT_FUNC_CODE) {
                loop_block = block.ByteCount == 11 &&
                             std::equal(block.Bytes, block.Bytes + 11, "NETSCAPE2.0");
            } else if (block.Function == CONTINUE_EXT_FUNC_CODE && loop_block &&
                       block.ByteCount >= 3 && block.Bytes[0] == 1) {
                oracle.loops = block.Bytes[1] | block.Bytes[2] << 8;
            }
        }
    };
    if (gif == nullptr) {
        ADD_FAILURE() << "giflib refuses the file: " << GifErrorString(error);
        return oracle;
    }
    if (DGifSlurp(gif) != GIF_OK) ADD_FAILURE() << "giflib: " << GifErrorString(gif->Error);
    oracle.width = gif->SWidth;
    oracle.height = gif->SHeight;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& saved = gif->SavedImages[i];
        const GifImageDesc& d = saved.ImageDesc;
        const auto size = static_cast<size_t>(d.Width) * static_cast<size_t>(d.Height);
        OracleFrame frame{{d.Left, d.Top, d.Left + d.Width, d.Top + d.Height},
                          d.Interlace,
                          saved.RasterBits != nullptr
                              ? Bytes(saved.RasterBits, saved.RasterBits + size)
                              : Bytes()};
        GraphicsControlBlock control{};
        if (DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK) {
            frame.delay = control.DelayTime;
            frame.disposal = control.DisposalMode;
            frame.transparent = control.TransparentColor;
        }
        oracle.frames.push_back(std::move(frame));
        add(saved.ExtensionBlocks, saved.ExtensionBlockCount);
    }
    add(gif->ExtensionBlocks, gif->ExtensionBlockCount);
    DGifCloseFile(gif, &error);
    return oracle;
}

}  // namespace gif_testing
