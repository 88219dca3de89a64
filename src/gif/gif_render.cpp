// Frames turned into bitmaps and masks, and drawn on a canvas: stretched into
// their place on the logical screen or tiled, transparent pixels masked.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "gif/color_lookup.h"
#include "gif/dib.h"
#include "gif/dither.h"
#include "gif/gif_image.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/graphics/canvas.h"

namespace gif {

namespace {

// Progress is reported every so many rows.
constexpr int32_t kProgressRows = 32;

// The colours a frame's indices stand for, as the dithered renderer feeds
// them to the ditherer; an index beyond the table is black, as it shows in
// the plain bitmap.
std::array<Rgb, 256> ColorsOf(const TGIFColorMap& map) {
    std::array<Rgb, 256> colors{};
    const auto entries = map.Entries();
    for (size_t i = 0; i < entries.size() && i < colors.size(); ++i) {
        colors[i] = Rgb{entries[i].Red, entries[i].Green, entries[i].Blue};
    }
    return colors;
}

// The first of the positions start, start + step, ... whose copy of `extent`
// pixels reaches past `low`.
int64_t FirstReaching(int64_t start, int64_t step, int64_t extent, int64_t low) {
    if (start + extent > low) return start;
    return start + ((low - extent - start) / step + 1) * step;
}

// A copy of `bitmap`, or an empty bitmap for none.
void CopyInto(platform::Bitmap& target, const platform::Bitmap* bitmap) {
    if (bitmap != nullptr) {
        target.Assign(*bitmap);
    } else {
        target.Assign(platform::Bitmap());
    }
}

}  // namespace

// ---- Rendering

const platform::Bitmap* TGIFSubImage::GetBitmap() const {
    if (bitmap_ != nullptr || Empty()) return bitmap_.get();
    try {
        image_->Progress(ProgressStage::Starting, 0, false, {}, Message::Rendering);
        try {
            bitmap_ = Render(image_->GetDoDither());
        } catch (...) {
            RenderingEnded(0);
            throw;
        }
        RenderingEnded(100);
    } catch (const platform::Abort&) {
        // Called off by a progress handler: the frame stays without a bitmap.
    }
    return bitmap_.get();
}

void TGIFSubImage::RenderingEnded(uint8_t percent) const {
    const bool modified = image_->PaletteModified();
    image_->Progress(ProgressStage::Ending, percent, modified, {}, Message::Rendering);
    if (modified) image_->Changed();
}

std::unique_ptr<platform::Bitmap> TGIFSubImage::Render(bool dither) const {
    const int32_t width = Width();
    const int32_t height = Height();
    const platform::Palette palette = GetPalette();
    auto bitmap = std::make_unique<platform::Bitmap>();
    TDIBWriter writer(*bitmap, platform::PixelFormat::Bit8, width, height, palette);

    const bool masking = need_mask_ && HasTransparency();
    const uint8_t transparent = masking ? gce_->TransparentColorIndex() : 0;
    std::optional<platform::Bitmap> mask;
    if (masking) {
        mask.emplace(width, height, platform::PixelFormat::Bit1);
        for (int32_t y = 0; y < height; ++y) std::memset(mask->ScanLine(y), 0, mask->Stride());
    }
    bool any_transparent = false;

    const std::array<Rgb, 256> colors = ColorsOf(ActiveColorMap());
    TNetscapeColorLookup lookup;
    std::optional<TFloydSteinbergDitherer> ditherer;
    if (dither) ditherer.emplace(width, lookup);
    // Transparent pixels of a dithered frame hold the web colour nearest to
    // the transparent index's colour.
    const Rgb& hole = colors[transparent];
    const uint8_t fill = TNetscapeColorLookup::IndexOf(hole.Red, hole.Green, hole.Blue);

    const auto row_bytes = static_cast<size_t>(width);
    std::vector<uint8_t> scratch;
    for (int32_t y = 0; y < height; ++y) {
        if (y % kProgressRows == 0) {
            image_->Progress(ProgressStage::Running, static_cast<uint8_t>(y * 100 / height), false,
                             {}, Message::Rendering);
        }
        const uint8_t* source = ReadRow(y, scratch);
        uint8_t* row = writer.GetScanline(y);
        uint8_t* mask_row = masking ? mask->ScanLine(y) : nullptr;
        if (!dither) {
            std::memcpy(row, source, row_bytes);
            for (size_t x = 0; masking && x < row_bytes; ++x) {
                if (source[x] != transparent) continue;
                platform::SetPixelIndex(mask_row, platform::PixelFormat::Bit1, x, 1);
                any_transparent = true;
            }
            continue;
        }
        if (masking) std::memset(row, fill, row_bytes);
        while (ditherer->Column() >= 0 && ditherer->Column() < width) {
            const int32_t x = ditherer->Column();
            const uint8_t index = source[x];
            if (masking && index == transparent) {
                platform::SetPixelIndex(mask_row, platform::PixelFormat::Bit1,
                                        static_cast<size_t>(x), 1);
                any_transparent = true;
                ditherer->ResetError();
            } else {
                const Rgb& c = colors[index];
                row[x] = ditherer->Dither(c.Red, c.Green, c.Blue).Index;
            }
        }
        ditherer->NextLine();
    }
    writer.UpdateBitmap();
    // Only a rendering that went through settles the mask: one called off
    // half-way leaves it due for the next.
    need_mask_ = false;
    if (any_transparent) mask_ = std::make_unique<platform::Bitmap>(std::move(*mask));
    bitmap_palette_ = palette;
    return bitmap;
}

bool TGIFSubImage::HasMask() const {
    if (need_mask_ && HasTransparency()) {
        bitmap_.reset();
        bitmap_palette_ = {};
        GetBitmap();
    }
    return mask_ != nullptr;
}

void TGIFSubImage::AssignTo(platform::Bitmap& target) const {
    CopyInto(target, GetBitmap());
}

// ---- Drawing

platform::Rect ScaleRect(const platform::Rect& area, const platform::Rect& dest,
                         int32_t screen_width, int32_t screen_height) {
    const int32_t width = dest.Width();
    const int32_t height = dest.Height();
    const auto x = [&](int32_t value) {
        return platform::CheckedAdd(platform::MulDiv(value, width, screen_width), dest.Left);
    };
    const auto y = [&](int32_t value) {
        return platform::CheckedAdd(platform::MulDiv(value, height, screen_height), dest.Top);
    };
    return {x(area.Left), y(area.Top), x(area.Right), y(area.Bottom)};
}

platform::Rect TGIFSubImage::ScaleRect(const platform::Rect& dest) const {
    return gif::ScaleRect(BoundsRect(), dest, image_->Width(), image_->Height());
}

void TGIFSubImage::Draw(platform::Canvas& canvas, const platform::Rect& dest, bool transparent,
                        bool tile) const {
    // The frame's place is a share of the screen: none on a screen of no size.
    if (image_->Width() <= 0 || image_->Height() <= 0) return;
    if (tile) {
        StretchDraw(canvas, dest, transparent, true);
    } else {
        StretchDraw(canvas, ScaleRect(dest), transparent, false);
    }
}

void TGIFSubImage::StretchDraw(platform::Canvas& canvas, const platform::Rect& rect,
                               bool transparent, bool tile) const {
    if (GetBitmap() == nullptr) return;
    // The mask may render the frame again, so the bitmap is taken after it.
    const bool masked = transparent && HasTransparency() && HasMask();
    const platform::Bitmap* bitmap = bitmap_.get();
    if (bitmap == nullptr) return;
    const auto put = [&](const platform::Rect& place) {
        if (masked) {
            canvas.MaskedStretchDraw(place, *bitmap, *mask_);
        } else {
            canvas.StretchDraw(place, *bitmap);
        }
    };
    if (!tile) {
        put(rect);
        return;
    }
    // Copies at the frame's own size, one per copy of the logical screen laid
    // from the rectangle's corner; the last ones reach past the rectangle.
    // Those that would fall wholly outside the canvas's clip are skipped.
    const int64_t step_x = image_->Width();
    const int64_t step_y = image_->Height();
    if (step_x <= 0 || step_y <= 0) return;
    const platform::Rect clip = canvas.ClipRect();
    const int64_t right = std::min(rect.Right, clip.Right);
    const int64_t bottom = std::min(rect.Bottom, clip.Bottom);
    const int64_t first_x = FirstReaching(int64_t{rect.Left} + Left(), step_x, Width(), clip.Left);
    const int64_t first_y = FirstReaching(int64_t{rect.Top} + Top(), step_y, Height(), clip.Top);
    for (int64_t x = first_x; x < right; x += step_x) {
        for (int64_t y = first_y; y < bottom; y += step_y) {
            const auto left = static_cast<int32_t>(x);
            const auto top = static_cast<int32_t>(y);
            put({left, top, left + Width(), top + Height()});
        }
    }
}

// ---- The picture

const platform::Bitmap* TGIFImage::GetBitmap() const {
    if (Empty()) return nullptr;
    if (bitmap_ != nullptr) return bitmap_.get();
    const TGIFSubImage& first = *images_.Items(0);
    // Rendered first, so that a rendering called off leaves no picture bitmap.
    const platform::Bitmap* frame = first.GetBitmap();
    if (frame == nullptr && !first.Empty()) return nullptr;
    auto bitmap = std::make_unique<platform::Bitmap>();
    platform::Palette palette;
    if (first.Width() == Width() && first.Height() == Height()) {
        if (frame != nullptr) {
            bitmap->Assign(*frame);
            palette = first.GetPalette();
        }
    } else {
        bitmap->SetSize(Width(), Height());
        platform::Canvas canvas(*bitmap);
        first.Draw(canvas, {0, 0, Width(), Height()}, false, false);
    }
    bitmap_ = std::move(bitmap);
    bitmap_palette_ = palette;
    return bitmap_.get();
}

void TGIFImage::AssignTo(platform::Bitmap& target) const {
    CopyInto(target, GetBitmap());
    // An animation's buffer is kept in the screen's format.
    if (target.Format() == platform::PixelFormat::Bit32) {
        target.SetPixelFormat(platform::PixelFormat::Bit24);
    }
}

}  // namespace gif
