#include "gif/frame_import.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "gif/color_map.h"
#include "gif/dib.h"
#include "gif/extensions.h"
#include "gif/gif_error.h"
#include "gif/reduction.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/graphics/budget.h"
#include "platform/graphics/canvas.h"

namespace gif {

namespace {

using platform::PixelFormat;

bool PaletteFormat(PixelFormat format) {
    return format == PixelFormat::Bit1 || format == PixelFormat::Bit4 ||
           format == PixelFormat::Bit8;
}

// Progress once every 32 rows, as "Converting...".
void RowProgress(const TGIFSubImage& frame, int32_t row) {
    if (row % 32 != 0) return;
    const int32_t percent = platform::MulDiv(row, 100, std::max(frame.Height(), uint16_t{1}));
    frame.Owner().Progress(ProgressStage::Running, static_cast<uint8_t>(percent), false, {},
                           Message::Converting);
}

uint8_t* FrameRow(TGIFSubImage& frame, int32_t row) {
    RowProgress(frame, row);
    return frame.Data() + static_cast<size_t>(row) * frame.Width();
}

// The palette formats: the colour table as it is, the indices copied whole
// or taken out of their bytes, the leftmost pixel in the most significant
// bits.
void Import8Bit(TGIFSubImage& frame, const TDIBReader& reader) {
    frame.ColorMap().ImportColorTable(reader.ColorTable());
    const auto width = static_cast<size_t>(reader.Width());
    for (int32_t y = 0; y < reader.Height(); ++y)
        std::memcpy(FrameRow(frame, y), reader.GetScanline(y), width);
}

void Import4Bit(TGIFSubImage& frame, const TDIBReader& reader) {
    frame.ColorMap().ImportColorTable(reader.ColorTable());
    for (int32_t y = 0; y < reader.Height(); ++y) {
        const uint8_t* source = reader.GetScanline(y);
        uint8_t* target = FrameRow(frame, y);
        for (int32_t x = 0; x < reader.Width(); ++x) {
            const uint8_t byte = source[x / 2];
            target[x] = static_cast<uint8_t>(x % 2 == 0 ? byte >> 4 : byte & 0x0F);
        }
    }
}

void Import1Bit(TGIFSubImage& frame, const TDIBReader& reader) {
    frame.ColorMap().ImportColorTable(reader.ColorTable());
    for (int32_t y = 0; y < reader.Height(); ++y) {
        const uint8_t* source = reader.GetScanline(y);
        uint8_t* target = FrameRow(frame, y);
        for (int32_t x = 0; x < reader.Width(); ++x)
            target[x] = static_cast<uint8_t>(source[x / 8] >> (7 - x % 8) & 1);
    }
}

// The colours met become the table, in the order met; the last eight colours
// are remembered so that runs skip the table's search.
void Import24Bit(TGIFSubImage& frame, const TDIBReader& reader) {
    struct Slot {
        platform::Color color = 0;
        uint8_t index = 0;
        bool used = false;
    };
    std::array<Slot, 8> cache{};
    size_t current = 0;
    TGIFColorMap& map = frame.ColorMap();
    for (int32_t y = 0; y < reader.Height(); ++y) {
        const uint8_t* source = reader.GetScanline(y);
        uint8_t* target = FrameRow(frame, y);
        for (int32_t x = 0; x < reader.Width(); ++x, source += 3) {
            const platform::Color color = platform::MakeColor(source[2], source[1], source[0]);
            bool found = false;
            for (size_t n = 0, slot = current; n < cache.size(); ++n, slot = (slot + 7) % 8) {
                if (!cache[slot].used) break;
                if (cache[slot].color == color) {
                    target[x] = cache[slot].index;
                    current = slot;
                    found = true;
                    break;
                }
            }
            if (found) continue;
            const int32_t index = map.AddUnique(color);
            current = (current + 1) % cache.size();
            cache[current] = Slot{color, static_cast<uint8_t>(index), true};
            target[x] = static_cast<uint8_t>(index);
        }
    }
}

// Each format through its own import, the bitmap read in its own format
// (Device and every format of more than 8 bits as 24 bits).
void ImportIndices(TGIFSubImage& frame, const platform::Bitmap& bitmap) {
    const PixelFormat format =
        PaletteFormat(bitmap.Format()) ? bitmap.Format() : PixelFormat::Bit24;
    const TDIBReader reader(bitmap, format);
    switch (format) {
        case PixelFormat::Bit1:
            Import1Bit(frame, reader);
            break;
        case PixelFormat::Bit4:
            Import4Bit(frame, reader);
            break;
        case PixelFormat::Bit8:
            Import8Bit(frame, reader);
            break;
        default:
            Import24Bit(frame, reader);
            break;
    }
}

// The graphic as a bitmap of its own size: its own conversion, which keeps
// what it can (a GIF picture's frame its palette) and for a graphic without
// one draws it at 0, 0 on a 24-bit bitmap.
void GraphicToBitmap(platform::Bitmap& bitmap, const platform::Graphic& graphic) {
    platform::CheckPictureSize(graphic.Width(), graphic.Height());
    bitmap.Assign(graphic);
}

void ImportReduced(TGIFSubImage& frame, const platform::Bitmap& bitmap) {
    const TGIFImage& image = frame.Owner();
    const uint8_t method = image.ColorReduction();
    const std::optional<Reducer> reducer =
        MakeReducer(bitmap, method, image.DitherMode(), image.ReductionBits(), {});
    if (!reducer) platform::RaiseScanLine();
    // The table of a reduced picture always has 256 entries, the palette's
    // first, then black.
    std::vector<platform::RGBQuad> table = reducer->palette.Entries();
    table.resize(256);
    frame.ColorMap().ImportColorTable(table);
    DitherPixels(bitmap, *reducer->engine, [&](int32_t row) { return FrameRow(frame, row); });
}

}  // namespace

void ImportBitmap(TGIFSubImage& frame, const platform::Bitmap& bitmap) {
    frame.Clear();
    if (bitmap.Empty()) return;
    platform::CheckRange(bitmap.Width(), 0, 0xFFFF);
    platform::CheckRange(bitmap.Height(), 0, 0xFFFF);
    TGIFImage& image = frame.Owner();
    image.CountFrameIndices(bitmap.Width(), bitmap.Height());
    frame.DoSetBounds(0, 0, bitmap.Width(), bitmap.Height());
    frame.NeedImage();
    image.Progress(ProgressStage::Starting, 0, false, {}, Message::Converting);
    try {
        if (PaletteFormat(bitmap.Format()) || image.ColorReduction() == 0) {
            ImportIndices(frame, bitmap);
        } else {
            ImportReduced(frame, bitmap);
        }
        if (bitmap.Transparent()) ImportMaskHandle(frame, bitmap.MaskHandle());
    } catch (...) {
        image.Progress(ProgressStage::Ending, 0, false, {}, Message::Converting);
        throw;
    }
    image.Progress(ProgressStage::Ending, 100, false, {}, Message::Converting);
}

void ImportMask(TGIFSubImage& frame, const platform::Bitmap& mask) {
    TGIFColorMap& map = frame.ColorMap();
    map.Optimize();
    if (map.Count() == 0 || map.Count() == 256) return;
    const int32_t index = map.Add(platform::MakeColor(0, 0, 0));
    const int32_t width = std::min<int32_t>(frame.Width(), mask.Width());
    const int32_t height = std::min<int32_t>(frame.Height(), mask.Height());
    const bool palette = PaletteFormat(mask.Format());
    std::vector<uint8_t> colors(palette ? 0 : static_cast<size_t>(width) * 3);
    bool changed = false;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = mask.ScanLine(y);
        if (!palette && width > 0) mask.ReadBgr(y, 0, width, colors.data());
        uint8_t* target = frame.Data() + static_cast<size_t>(y) * frame.Width();
        for (int32_t x = 0; x < width; ++x) {
            const auto column = static_cast<size_t>(x);
            const bool set =
                palette
                    ? platform::PixelIndex(row, mask.Format(), column) != 0
                    : (colors[column * 3] | colors[column * 3 + 1] | colors[column * 3 + 2]) != 0;
            if (!set) continue;
            target[x] = static_cast<uint8_t>(index);
            changed = true;
        }
    }
    if (!changed) {
        map.Delete(index);
        return;
    }
    auto extension = std::make_unique<TGIFGraphicControlExtension>(frame);
    extension->SetTransparent(true);
    extension->SetTransparentColorIndex(static_cast<uint8_t>(index));
    frame.Extensions().Add(std::move(extension));
}

void ImportMaskHandle(TGIFSubImage& frame, const platform::Bitmap& mask) {
    if (!mask.Empty()) ImportMask(frame, mask);
}

void RenderOnBackground(platform::Bitmap& band, const platform::Graphic& graphic,
                        platform::Color color, int32_t top) {
    band.SetPixelFormat(PixelFormat::Bit24);
    platform::Canvas canvas(band);
    canvas.SetBrushColor(color);
    canvas.FillRect(canvas.ClipRect());
    canvas.Draw(0, -top, graphic);
}

void ImportGraphicMask(TGIFSubImage& frame, const platform::Graphic& graphic) {
    const int32_t width = std::min<int32_t>(frame.Width(), graphic.Width());
    const int32_t height = std::min<int32_t>(frame.Height(), graphic.Height());
    if (frame.Empty() || width <= 0 || height <= 0) return;
    platform::Bitmap mask(width, height, PixelFormat::Bit1);
    mask.Fill(platform::kBlack);
    // About a million pixels a band.
    const int32_t rows = std::clamp<int32_t>((1 << 20) / width, 1, height);
    platform::Bitmap on_white(width, rows);
    platform::Bitmap on_black(width, rows);
    bool untouched = false;
    for (int32_t top = 0; top < height; top += rows) {
        RenderOnBackground(on_white, graphic, platform::kWhite, top);
        RenderOnBackground(on_black, graphic, platform::kBlack, top);
        for (int32_t y = 0; y < rows && top + y < height; ++y) {
            const uint8_t* white = on_white.ScanLine(y);
            const uint8_t* black = on_black.ScanLine(y);
            uint8_t* bits = mask.ScanLine(top + y);
            for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
                if (std::memcmp(white + 3 * x, black + 3 * x, 3) == 0) continue;
                platform::SetPixelIndex(bits, PixelFormat::Bit1, x, 1);
                untouched = true;
            }
        }
    }
    if (untouched) ImportMaskHandle(frame, mask);
}

void ImportGraphic(TGIFSubImage& frame, const platform::Graphic& graphic) {
    if (const auto* bitmap = dynamic_cast<const platform::Bitmap*>(&graphic)) {
        ImportBitmap(frame, *bitmap);
        return;
    }
    frame.Clear();
    if (graphic.Empty()) return;
    {
        platform::Bitmap drawn;
        GraphicToBitmap(drawn, graphic);
        ImportBitmap(frame, drawn);
    }
    if (dynamic_cast<const TGIFImage*>(&graphic) != nullptr) ImportGraphicMask(frame, graphic);
}

}  // namespace gif
