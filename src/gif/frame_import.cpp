#include "gif/frame_import.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "gif/color_map.h"
#include "gif/extensions.h"
#include "gif/gif_error.h"
#include "gif/reduction.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"

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

void ImportPaletteIndices(TGIFSubImage& frame, const platform::Bitmap& bitmap) {
    frame.ColorMap().ImportColorTable(bitmap.ColorTable());
    const auto format = bitmap.Format();
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* source = bitmap.ScanLine(y);
        uint8_t* target = FrameRow(frame, y);
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            target[x] = platform::PixelIndex(source, format, static_cast<size_t>(x));
        }
    }
}

// The colours met become the table, in the order met; the last eight colours
// are remembered so that runs skip the table's search.
void ImportTrueColors(TGIFSubImage& frame, const platform::Bitmap& bitmap) {
    struct Slot {
        platform::Color color = 0;
        uint8_t index = 0;
        bool used = false;
    };
    std::array<Slot, 8> cache{};
    size_t current = 0;
    TGIFColorMap& map = frame.ColorMap();
    std::vector<uint8_t> scratch;
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* source = BgrRow(bitmap, y, scratch);
        uint8_t* target = FrameRow(frame, y);
        for (int32_t x = 0; x < bitmap.Width(); ++x, source += 3) {
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

void ImportBitmap(TGIFSubImage& frame, const platform::Bitmap& bitmap,
                  const platform::Bitmap* mask) {
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
        if (PaletteFormat(bitmap.Format())) {
            ImportPaletteIndices(frame, bitmap);
        } else if (image.ColorReduction() == 0) {
            ImportTrueColors(frame, bitmap);
        } else {
            ImportReduced(frame, bitmap);
        }
        if (mask != nullptr) ImportMask(frame, *mask);
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

void ImportGraphic(TGIFSubImage& frame, const platform::Graphic& graphic) {
    if (const auto* bitmap = dynamic_cast<const platform::Bitmap*>(&graphic)) {
        ImportBitmap(frame, *bitmap);
        return;
    }
    frame.Clear();
    if (graphic.Empty()) return;
    platform::CheckPictureSize(graphic.Width(), graphic.Height());
    platform::Bitmap drawn;
    graphic.AssignTo(drawn);
    ImportBitmap(frame, drawn);
}

}  // namespace gif
