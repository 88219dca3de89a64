// Row access to bitmaps for the colour side of the codec: a reader that sees
// any bitmap in the pixel format it needs, and a writer that builds an 8-bit
// or 24-bit bitmap with exactly the colour table chosen.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/palette.h"

namespace gif {

// The rows of a bitmap in a given pixel format. The bitmap's own rows are
// read as they are; 24-bit rows of a bitmap of another format are converted
// one at a time, so no picture is held twice; rows of a palette format are
// read through a converted copy. The caller's bitmap keeps its own format; it
// must outlive the reader and stay unchanged meanwhile.
class TDIBReader {
public:
    // Device means 24 bits; Custom raises "Image bitmap incorrecte".
    TDIBReader(const platform::Bitmap& bitmap, platform::PixelFormat format);
    ~TDIBReader() = default;
    TDIBReader(const TDIBReader&) = delete;
    TDIBReader& operator=(const TDIBReader&) = delete;

    platform::PixelFormat PixelFormat() const { return format_; }
    int32_t Width() const { return rows_->Width(); }
    int32_t Height() const { return rows_->Height(); }
    // A row outside 0..Height()-1 raises "Indice ligne hors limites". A row
    // converted on the way stays valid until the next call.
    const uint8_t* GetScanline(int32_t row) const;
    // The colour table of the rows read: at most 256 entries.
    const std::vector<platform::RGBQuad>& ColorTable() const { return rows_->ColorTable(); }

private:
    platform::PixelFormat format_;
    std::unique_ptr<platform::Bitmap> converted_;
    const platform::Bitmap* rows_;
    // The row converted last, for 24-bit rows of another format.
    mutable std::vector<uint8_t> row_;
};

// Builds the pixels of a bitmap row by row. Rows are made on the first
// request; UpdateBitmap then replaces the bitmap's pixels, format and colour
// table with them in one step, so the bitmap never shows a half-made picture
// and a writer dropped before that leaves it as it was.
class TDIBWriter {
public:
    // `format` must be 8 or 24 bits ("Unsupported PixelFormat"), the size at
    // least 1 x 1 ("Invalid image dimensions"). An 8-bit picture gets a colour
    // table of exactly 256 entries: the first 256 colours of the palette, the
    // rest black. The bitmap must outlive the writer.
    TDIBWriter(platform::Bitmap& bitmap, platform::PixelFormat format, int32_t width,
               int32_t height, platform::Palette palette);
    ~TDIBWriter() = default;
    TDIBWriter(const TDIBWriter&) = delete;
    TDIBWriter& operator=(const TDIBWriter&) = delete;

    platform::PixelFormat PixelFormat() const { return format_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }

    // Row `row` of the picture, top row 0, padded to whole 32-bit words. A row
    // outside 0..Height()-1 raises "Indice ligne hors limites", any row after
    // UpdateBitmap "Image has no DIB". Rows that do not fit memory raise
    // "Failed to allocate memory for GIF DIB" (an out-of-memory error).
    uint8_t* GetScanline(int32_t row);

    // Hands the rows over to the bitmap; nothing happens when no row was asked
    // for. The writer keeps no rows afterwards.
    void UpdateBitmap();

private:
    void CreateDIB();

    platform::Bitmap& bitmap_;
    platform::PixelFormat format_;
    int32_t width_;
    int32_t height_;
    platform::Palette palette_;
    std::unique_ptr<platform::Bitmap> dib_;
    bool updated_ = false;
};

}  // namespace gif
