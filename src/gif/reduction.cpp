#include "gif/reduction.h"

#include <algorithm>
#include <vector>

#include "gif/gif_error.h"
#include "gif/gif_units.h"
#include "gif/quantizer.h"
#include "platform/core/error.h"

namespace gif {

namespace {

using platform::RGBQuad;

RGBQuad Entry(uint8_t red, uint8_t green, uint8_t blue) {
    return RGBQuad{blue, green, red, 0};
}

std::vector<RGBQuad> DefaultColors() {
    return {Entry(0, 0, 0),       Entry(128, 0, 0),     Entry(0, 128, 0),     Entry(128, 128, 0),
            Entry(0, 0, 128),     Entry(128, 0, 128),   Entry(0, 128, 128),   Entry(192, 192, 192),
            Entry(192, 220, 192), Entry(166, 202, 240), Entry(255, 251, 240), Entry(160, 160, 164),
            Entry(128, 128, 128), Entry(255, 0, 0),     Entry(0, 255, 0),     Entry(255, 255, 0),
            Entry(0, 0, 255),     Entry(255, 0, 255),   Entry(0, 255, 255),   Entry(255, 255, 255)};
}

std::vector<RGBQuad> Greys(std::initializer_list<uint8_t> levels) {
    std::vector<RGBQuad> entries;
    for (const uint8_t level : levels) entries.push_back(Entry(level, level, level));
    return entries;
}

}  // namespace

platform::Palette CreateDefaultPalette() {
    return platform::Palette(DefaultColors());
}

platform::Palette CreateGrayScalePalette() {
    std::vector<RGBQuad> entries;
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<uint8_t>(i);
        entries.push_back(Entry(level, level, level));
    }
    return platform::Palette(std::move(entries));
}

platform::Palette CreateMonochromePalette() {
    return platform::Palette(Greys({0, 255}));
}

platform::Palette CreateWindowsGrayPalette() {
    return platform::Palette(Greys({0, 0x80, 0xC0, 0xFF}));
}

platform::Palette CreateHalftonePaletteHelper() {
    const std::vector<RGBQuad> system = DefaultColors();
    std::vector<RGBQuad> entries(system.begin(), system.begin() + 10);
    const platform::Palette web = CreateWebPalette();
    entries.insert(entries.end(), web.Entries().begin(), web.Entries().end());
    // Greys halfway between the web levels 0, 51, ..., 255, and beside them.
    for (int i = 1; i <= 20; ++i) {
        const auto level = static_cast<uint8_t>(i * 255 / 21);
        entries.push_back(Entry(level, level, level));
    }
    entries.insert(entries.end(), system.begin() + 10, system.end());
    return platform::Palette(std::move(entries));
}

platform::Palette CreateOptimizedPaletteFromReader(const TDIBReader& reader, int32_t colors,
                                                   int32_t color_bits, bool reserve_system_colors) {
    if (colors < 1 || colors > 256 || (reserve_system_colors && colors != 256)) {
        platform::RaiseRange();
    }
    const int32_t offset = reserve_system_colors ? 10 : 0;
    const int32_t wanted = reserve_system_colors ? 236 : colors;
    TColorQuantizer quantizer(wanted, color_bits);
    quantizer.ProcessImage(reader);
    std::vector<RGBQuad> entries(static_cast<size_t>(colors));
    const std::vector<RGBQuad> found = quantizer.GetColorTable();
    std::copy_n(found.begin(), std::min<size_t>(found.size(), static_cast<size_t>(wanted)),
                entries.begin() + offset);
    if (reserve_system_colors) {
        const std::vector<RGBQuad> system = DefaultColors();
        std::copy_n(system.begin(), 10, entries.begin());
        std::copy_n(system.begin() + 10, 10, entries.begin() + 246);
    }
    return platform::Palette(std::move(entries));
}

platform::Palette CreateOptimizedPalette(const platform::Bitmap& bitmap, int32_t colors,
                                         int32_t color_bits, bool reserve_system_colors) {
    const TDIBReader reader(bitmap, platform::PixelFormat::Bit24);
    return CreateOptimizedPaletteFromReader(reader, colors, color_bits, reserve_system_colors);
}

platform::Palette ReductionPalette(const platform::Bitmap& bitmap, uint8_t method, int32_t bits,
                                   const platform::Palette& custom) {
    switch (method) {
        case 1:
            return CreateDefaultPalette();
        case 2:
            return CreateHalftonePaletteHelper();
        case 3:
            return CreateWindowsGrayPalette();
        case 4:
            return CreateMonochromePalette();
        case 5:
            return CreateGrayScalePalette();
        case 6:
            return CreateWebPalette();
        case 7:
            if (bits < 1 || bits > 8) Error(Message::InvalidReductionMethod);
            return CreateOptimizedPalette(bitmap, 1 << bits, 8, false);
        case 8:
            return CreateOptimizedPalette(bitmap, 256, 8, true);
        case 9:
            if (custom.Count() == 0) return {};
            return platform::Palette(custom.Entries());
        default:
            return {};
    }
}

std::unique_ptr<TColorLookup> CreateReductionLookup(uint8_t method,
                                                    const platform::Palette& palette) {
    switch (method) {
        case 4:
            return std::make_unique<TMonochromeLookup>();
        case 5:
            return std::make_unique<TGrayScaleLookup>();
        case 6:
            return std::make_unique<TNetscapeColorLookup>();
        default:
            return std::make_unique<TFastColorLookup>(palette);
    }
}

void DitherPixels(const platform::Bitmap& bitmap, TDitherEngine& engine,
                  const std::function<uint8_t*(int32_t row)>& row_of) {
    const int32_t width = bitmap.Width();
    const TDIBReader reader(bitmap, platform::PixelFormat::Bit24);
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* source = reader.GetScanline(y);
        uint8_t* target = row_of(y);
        for (int32_t x = engine.Column(); x >= 0 && x < width; x = engine.Column()) {
            const uint8_t* pixel = source + static_cast<ptrdiff_t>(x) * 3;
            target[x] = engine.Dither(pixel[2], pixel[1], pixel[0]).Index;
        }
        engine.NextLine();
    }
}

std::optional<Reducer> MakeReducer(const platform::Bitmap& bitmap, uint8_t method, uint8_t ditherer,
                                   int32_t bits, const platform::Palette& custom) {
    Reducer r;
    r.palette = ReductionPalette(bitmap, method, bits, custom);
    if (r.palette.Count() == 0) return std::nullopt;
    r.lookup = CreateReductionLookup(method, r.palette);
    if (r.lookup->Colors() == 0) return std::nullopt;
    r.engine = CreateDitherer(ditherer, bitmap.Width(), *r.lookup);
    if (r.engine == nullptr) return std::nullopt;
    return r;
}

platform::Bitmap ReduceColors(const platform::Bitmap& bitmap, uint8_t method, uint8_t ditherer,
                              int32_t bits, const platform::Palette& custom) {
    platform::Bitmap result;
    if (method == 0) {
        result.Assign(bitmap);
        result.SetPixelFormat(platform::PixelFormat::Bit24);
        return result;
    }
    const std::optional<Reducer> reducer = MakeReducer(bitmap, method, ditherer, bits, custom);
    if (!reducer || bitmap.Empty()) return result;
    TDIBWriter writer(result, platform::PixelFormat::Bit8, bitmap.Width(), bitmap.Height(),
                      reducer->palette);
    DitherPixels(bitmap, *reducer->engine, [&](int32_t row) { return writer.GetScanline(row); });
    writer.UpdateBitmap();
    return result;
}

}  // namespace gif
