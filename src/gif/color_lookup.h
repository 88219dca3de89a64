// Colour lookups: which palette index stands for a 24-bit colour, and the
// colour that index really has. The colour reduction and the ditherers ask
// once per pixel, so every lookup answers without allocating.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/graphics/palette.h"

namespace gif {

struct Rgb {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A palette index and the colour of that entry.
struct ColorMatch {
    uint8_t Index = 0;
    Rgb Color;
    friend bool operator==(const ColorMatch&, const ColorMatch&) = default;
};

class TColorLookup {
public:
    virtual ~TColorLookup() = default;
    TColorLookup(const TColorLookup&) = delete;
    TColorLookup& operator=(const TColorLookup&) = delete;

    // The number of colours of the palette served; indexes run below it.
    int32_t Colors() const { return colors_; }

    virtual ColorMatch Lookup(uint8_t red, uint8_t green, uint8_t blue) = 0;

protected:
    explicit TColorLookup(int32_t colors) : colors_(colors) {}

private:
    int32_t colors_;
};

// The nearest colour of any palette (sum of the absolute differences of the
// components, the lowest index on a tie), remembered per cell of 5 bits a
// component. A cell keeps the first answer found in it: every later colour of
// the same cell gets it without a search, so answers depend on the order in
// which colours are asked for. Cells holding a palette colour start with the
// lowest entry of that colour.
class TFastColorLookup final : public TColorLookup {
public:
    // Serves the first 256 entries of the palette; no palette serves none, and
    // then every colour gets index 0 and black.
    explicit TFastColorLookup(const platform::Palette& palette);

    ColorMatch Lookup(uint8_t red, uint8_t green, uint8_t blue) override;

private:
    std::array<Rgb, 256> entries_{};
    std::vector<uint16_t> cache_;
};

// The 216-colour web palette, by arithmetic.
class TNetscapeColorLookup final : public TColorLookup {
public:
    TNetscapeColorLookup() : TColorLookup(216) {}

    // The web palette index of a colour, each component taken to the level
    // (value + 3) / 51. The dithered frame renderer fills transparent pixels
    // with the index of the transparent colour computed here.
    static uint8_t IndexOf(uint8_t red, uint8_t green, uint8_t blue);

    ColorMatch Lookup(uint8_t red, uint8_t green, uint8_t blue) override;
};

// 256 greys: the luminance (77 R + 150 G + 29 B) / 256 is the index.
class TGrayScaleLookup final : public TColorLookup {
public:
    TGrayScaleLookup() : TColorLookup(256) {}
    ColorMatch Lookup(uint8_t red, uint8_t green, uint8_t blue) override;
};

// Black (0) up to a luminance of one half, white (1) above it.
class TMonochromeLookup final : public TColorLookup {
public:
    TMonochromeLookup() : TColorLookup(2) {}
    ColorMatch Lookup(uint8_t red, uint8_t green, uint8_t blue) override;
};

}  // namespace gif
