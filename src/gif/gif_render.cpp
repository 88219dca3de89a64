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
#include "gif/optimize.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/resample.h"

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

// The rows of a frame as its bitmap holds them, made one after the other: its
// indices or, dithered, the web palette's indices the ditherer picks for their
// colours, the pixels of the `transparent` index, when given, holding the web
// colour nearest to that index's colour. The rows read are 0, `step`, 2
// `step`... of the frame, so that a frame decoded with rows left out is read
// as the rows it kept.
class FrameRows {
public:
    FrameRows(const TGIFSubImage& frame, bool dither, std::optional<uint8_t> transparent,
              int32_t step)
        : frame_(frame),
          width_(frame.Width()),
          step_(step),
          transparent_(transparent),
          colors_(ColorsOf(frame.ActiveColorMap())) {
        if (!dither) return;
        ditherer_.emplace(width_, lookup_);
        row_.resize(static_cast<size_t>(width_));
        const Rgb& hole = colors_[transparent.value_or(0)];
        fill_ = TNetscapeColorLookup::IndexOf(hole.Red, hole.Green, hole.Blue);
    }
    FrameRows(const FrameRows&) = delete;
    FrameRows& operator=(const FrameRows&) = delete;

    // Row `y`, asked for in increasing order; valid until the next call. A
    // dithered row depends on every row above it, which are made on the way.
    const uint8_t* Row(int32_t y) {
        if (!ditherer_) {
            source_ = frame_.ReadRow(y * step_, scratch_);
            return source_;
        }
        while (next_ <= y) Dither(next_++);
        return row_.data();
    }
    // The indices read for the last row.
    const uint8_t* Source() const { return source_; }

private:
    void Dither(int32_t y) {
        source_ = frame_.ReadRow(y * step_, scratch_);
        if (transparent_) std::fill(row_.begin(), row_.end(), fill_);
        while (ditherer_->Column() >= 0 && ditherer_->Column() < width_) {
            const int32_t x = ditherer_->Column();
            const uint8_t index = source_[x];
            if (transparent_ && index == *transparent_) {
                ditherer_->ResetError();
            } else {
                const Rgb& c = colors_[index];
                row_[static_cast<size_t>(x)] = ditherer_->Dither(c.Red, c.Green, c.Blue).Index;
            }
        }
        ditherer_->NextLine();
    }

    const TGIFSubImage& frame_;
    const int32_t width_;
    const int32_t step_;
    const std::optional<uint8_t> transparent_;
    const std::array<Rgb, 256> colors_;
    TNetscapeColorLookup lookup_;
    std::optional<TFloydSteinbergDitherer> ditherer_;
    uint8_t fill_ = 0;
    std::vector<uint8_t> row_;
    std::vector<uint8_t> scratch_;
    const uint8_t* source_ = nullptr;
    int32_t next_ = 0;
};

// The colour of each index as a bitmap rendered with `palette` shows it
// (blue, green, red): indices beyond the palette are black.
std::array<uint8_t, 3 * 256> BgrTable(const platform::Palette& palette) {
    std::array<uint8_t, 3 * 256> table{};
    const std::vector<platform::RGBQuad>& entries = palette.Entries();
    for (size_t i = 0; i < entries.size() && i < 256; ++i) {
        table[3 * i] = entries[i].Blue;
        table[3 * i + 1] = entries[i].Green;
        table[3 * i + 2] = entries[i].Red;
    }
    return table;
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

    FrameRows rows(*this, dither, masking ? std::optional<uint8_t>(transparent) : std::nullopt, 1);
    const auto row_bytes = static_cast<size_t>(width);
    for (int32_t y = 0; y < height; ++y) {
        if (y % kProgressRows == 0) {
            image_->Progress(ProgressStage::Running, static_cast<uint8_t>(y * 100 / height), false,
                             {}, Message::Rendering);
        }
        std::memcpy(writer.GetScanline(y), rows.Row(y), row_bytes);
        if (!masking) continue;
        const uint8_t* source = rows.Source();
        uint8_t* mask_row = mask->ScanLine(y);
        for (size_t x = 0; x < row_bytes; ++x) {
            if (source[x] != transparent) continue;
            platform::SetPixelIndex(mask_row, platform::PixelFormat::Bit1, x, 1);
            any_transparent = true;
        }
    }
    writer.UpdateBitmap();
    // Only a rendering that went through settles the mask: one called off
    // half-way leaves it due for the next.
    need_mask_ = false;
    if (any_transparent) mask_ = std::make_unique<platform::Bitmap>(std::move(*mask));
    bitmap_palette_ = palette;
    return bitmap;
}

bool TGIFSubImage::UsesIndex(uint8_t index) const {
    if (ContainsByte(data_.get(), index, held_)) return true;
    // Past the indices kept, every pixel reads as the fill; a frame with rows
    // left out holds all those it kept.
    return row_step_ == 1 && held_ < data_size_ && fill_ == index;
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

platform::Rect TGIFSubImage::ScaleRect(const platform::Rect& dest) const {
    const int32_t width = dest.Width();
    const int32_t height = dest.Height();
    const int32_t screen_width = image_->Width();
    const int32_t screen_height = image_->Height();
    const auto x = [&](int32_t value) {
        return platform::CheckedAdd(platform::MulDiv(value, width, screen_width), dest.Left);
    };
    const auto y = [&](int32_t value) {
        return platform::CheckedAdd(platform::MulDiv(value, height, screen_height), dest.Top);
    };
    return {x(Left()), y(Top()), x(Left() + Width()), y(Top() + Height())};
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
    if (Empty()) return;
    if (!tile && bitmap_ == nullptr && (rect.Width() < Width() || rect.Height() < Height())) {
        DrawShrunk(canvas, rect, transparent);
        return;
    }
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

void TGIFSubImage::DrawShrunk(platform::Canvas& canvas, const platform::Rect& rect,
                              bool transparent) const {
    const int32_t width = Width();
    const int32_t rows_kept = (Height() + row_step_ - 1) / row_step_;
    // The holes of a transparent frame are filled when dithered, as its
    // bitmap has them; the drawing is masked exactly when the bitmap would
    // have a mask, some pixel being transparent.
    std::optional<uint8_t> hole;
    if (HasTransparency()) hole = gce_->TransparentColorIndex();
    const bool masked = transparent && hole && UsesIndex(*hole);
    FrameRows rows(*this, image_->GetDoDither(), hole, row_step_);
    const std::array<uint8_t, 3 * 256> colors = BgrTable(GetPalette());
    const auto put_colors = [&](const uint8_t* indices, int32_t first, int32_t count,
                                uint8_t* bgr) {
        for (int32_t x = 0; x < count; ++x) {
            std::memcpy(bgr + 3 * static_cast<size_t>(x), &colors[3 * size_t{indices[first + x]}],
                        3);
        }
    };
    if (!masked) {
        std::vector<uint8_t> bgr(3 * static_cast<size_t>(width));
        platform::StretchRows(
            width, rows_kept,
            [&](int32_t y) {
                put_colors(rows.Row(y), 0, width, bgr.data());
                return bgr.data();
            },
            canvas.Target(), rect, canvas.ClipRect());
        return;
    }
    std::vector<uint8_t> mask((static_cast<size_t>(width) + 7) / 8);
    platform::MaskedStretchRows(
        width, rows_kept,
        [&](int32_t y, int32_t first, int32_t count, uint8_t* bgr) {
            put_colors(rows.Row(y), first, count, bgr);
            const uint8_t* source = rows.Source();
            for (int32_t x = first; x < first + count; ++x) {
                platform::SetPixelIndex(mask.data(), platform::PixelFormat::Bit1,
                                        static_cast<size_t>(x), source[x] == *hole ? 1 : 0);
            }
            return mask.data();
        },
        canvas.Target(), rect, canvas.ClipRect());
}

// ---- The picture

void TGIFImage::Draw(platform::Canvas& canvas, const platform::Rect& dest) const {
    if (drawing_ || Empty()) return;
    drawing_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{drawing_};
    images_.Items(0)->Draw(canvas, dest, (draw_options_ & doTransparent) != 0,
                           (draw_options_ & doTile) != 0);
}

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
}

}  // namespace gif
