// A device-independent bitmap: top-down rows of a given pixel format, each
// row padded to whole 32-bit words, with a colour table of exact length for
// the palette formats. It reads and writes BMP files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/graphics/graphic.h"
#include "platform/graphics/types.h"

namespace platform {

enum class PixelFormat : uint8_t { Device, Bit1, Bit4, Bit8, Bit15, Bit16, Bit24, Bit32, Custom };

// Bits per pixel of a format; Device counts as 24 bits, Custom as 0.
int BitsPerPixel(PixelFormat format);

// Row size in bytes of a row of `width` pixels: ((width * bpp + 31) & ~31) / 8.
size_t RowStride(int32_t width, PixelFormat format);

// The colour table index of pixel `x` of a row of a palette format (1, 4 or 8
// bits per pixel, the leftmost pixel in the most significant bits), and its
// change. Rows are not checked: `x` must lie inside the row.
uint8_t PixelIndex(const uint8_t* row, PixelFormat format, size_t x);
void SetPixelIndex(uint8_t* row, PixelFormat format, size_t x, uint8_t index);

// A read-only view of 24-bit rows (blue, green, red) with their stride.
struct BgrView {
    const uint8_t* data = nullptr;
    ptrdiff_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* Row(int32_t y) const { return data + y * stride; }
};

class Bitmap final : public Graphic {
public:
    Bitmap();
    Bitmap(int32_t width, int32_t height, PixelFormat format = PixelFormat::Bit24);
    // A 24-bit bitmap whose every pixel the caller writes before anything
    // reads it (a decoding's target): its pixels are not filled first.
    static Bitmap ForOverwrite(int32_t width, int32_t height);
    // Makes this bitmap such a 24-bit one of width x height, keeping its pixel
    // store when it is large enough: a tool that treats picture after picture
    // then does not have the system clear new memory for each of them.
    void SetSizeForOverwrite(int32_t width, int32_t height);
    // Takes the pixels and colour table of `other`, which is left empty; its
    // OnChange stays with it.
    Bitmap(Bitmap&& other) noexcept;
    ~Bitmap() override;

    std::unique_ptr<Graphic> Clone() const override;
    std::string_view ClassName() const override { return "TBitmap"; }
    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    void Draw(Canvas& canvas, const Rect& dest) const override;
    // A bitmap copies another bitmap (pixels, format and colour table); any
    // other graphic converts itself through its AssignTo.
    void Assign(const Graphic& source) override;
    // Takes the pixels and colour table of `source`, which is left empty,
    // without copying them, and raises OnChange.
    void Assign(Bitmap&& source);
    void AssignTo(Bitmap& target) const override;
    // BMP files: 1, 4 and 8 bits with and without run-length coding, 16 bits
    // (5-5-5 and bit fields), 24 and 32 bits, bottom-up and top-down. A file
    // the reader cannot take raises "Image bitmap incorrecte".
    void LoadFromStream(Stream& stream) override;
    // Writes an 8-bit file (with its colour table) for formats of 8 bits or
    // fewer, a 24-bit file for every other format.
    void SaveToStream(Stream& stream) const override;

    PixelFormat Format() const { return format_; }
    // Converts the pixels to another format (Device means 24 bits; Custom
    // raises "Image bitmap incorrecte"). Going down to a palette format maps
    // each pixel to the nearest entry of the colour table, which is kept when
    // it has from 1 to 2^bpp entries and is replaced by a grey ramp of the
    // format's size otherwise. Going up keeps the table, so that a return to
    // the palette format finds the same indices.
    void SetPixelFormat(PixelFormat format);

    // Resizes, keeping the pixels of the overlapping area; new pixels are
    // white. Sizes are checked: a negative size or one of more pixels than
    // the picture budget (budget.h) raises "Mémoire insuffisante" (nothing is
    // changed then).
    void SetSize(int32_t width, int32_t height);
    void SetWidth(int32_t width) { SetSize(width, height_); }
    void SetHeight(int32_t height) { SetSize(width_, height); }

    size_t Stride() const { return stride_; }
    // Row access, checked: a row outside 0..Height()-1 raises "Indice ligne
    // hors limites".
    uint8_t* ScanLine(int32_t row);
    const uint8_t* ScanLine(int32_t row) const;
    // The 24-bit rows; only for a 24-bit bitmap (any other format raises
    // "Image bitmap incorrecte").
    BgrView View() const;
    // `count` pixels of a row from column `x` as blue, green, red, whatever the
    // format; a palette index beyond the colour table reads as black. A row
    // outside the bitmap raises "Indice ligne hors limites", columns outside it
    // the range error.
    void ReadBgr(int32_t row, int32_t x, int32_t count, uint8_t* bgr) const;

    // The colour table: from 0 to 256 entries (more raises the range error).
    // A palette bitmap made without one gets a grey ramp of its format's size.
    const std::vector<RGBQuad>& ColorTable() const { return colors_; }
    void SetColorTable(std::vector<RGBQuad> colors);

    // Every pixel set to one colour; a palette format takes the nearest entry
    // of its colour table.
    void Fill(Color color);

    // Transparency, as the class library gives every bitmap: a flag saying
    // that the pixels of one colour are not part of the picture, and that
    // colour, which is the colour of the bottom-left pixel until one is set.
    // Copies and moves of a bitmap take its transparency along; drawing does
    // not look at it.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent) { transparent_ = transparent; }
    // $00BBGGRR; black for a bitmap without pixels.
    Color TransparentColor() const;
    // Fixes the transparent colour (a system colour stands for its value when
    // the mask is made).
    void SetTransparentColor(Color color) { transparent_color_ = color; }
    // The mask of the transparent colour, whether or not the bitmap is marked
    // transparent: a 1-bit bitmap of the same size, black and white, whose
    // pixels are 1 (white) where this bitmap's pixel has that colour. A bitmap
    // without pixels gives one without pixels.
    Bitmap MaskHandle() const;

    // Releases a pixel store of the allocator the bitmaps share.
    struct FreePixels {
        void operator()(uint8_t* pixels) const;
    };

private:
    // SetSize without raising OnChange, for constructors and loaders.
    void Resize(int32_t width, int32_t height);
    // Takes the size, format, pixels and colour table of `other` (a bitmap
    // built aside, so that a failure never leaves this one half-changed).
    void TakeFrom(Bitmap& other) noexcept;

    int32_t width_ = 0;
    int32_t height_ = 0;
    PixelFormat format_ = PixelFormat::Bit24;
    size_t stride_ = 0;
    size_t capacity_ = 0;  // bytes of the pixel store
    std::unique_ptr<uint8_t[], FreePixels> pixels_;
    std::vector<RGBQuad> colors_;
    bool transparent_ = false;
    // None: the bottom-left pixel's colour.
    std::optional<Color> transparent_color_;
};

}  // namespace platform
