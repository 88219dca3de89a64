// Quarter turns of a GIF picture done on its indices, frame by frame, so that
// nothing of the file is lost: the colours, the timing and the disposal of
// every frame stay as they were, and an animation plays turned.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gif/gif_image.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"

namespace gif {

namespace {

// Source rows turned together: their columns are written to the turned
// frame a few bytes at a time rather than one byte per row.
constexpr int32_t kBand = 64;

// The aspect ratio byte of pixels turned a quarter: (N + 15) / 64 is a
// pixel's width over its height, which a quarter turn inverts. 0 says
// nothing and stays.
uint8_t TurnedAspectRatio(uint8_t ratio) {
    if (ratio == 0) return 0;
    const double inverse = 64.0 * 64.0 / (ratio + 15);
    return static_cast<uint8_t>(
        std::clamp(static_cast<int32_t>(std::nearbyint(inverse)) - 15, 1, 255));
}

}  // namespace

void TGIFSubImage::AssignRotated(const TGIFSubImage& source, int32_t quarters, int32_t left,
                                 int32_t top) {
    Clear();
    const bool quarter = quarters % 2 == 1;
    const int32_t width = source.Width();
    const int32_t height = source.Height();
    const int32_t turned_width = quarter ? height : width;
    const int32_t turned_height = quarter ? width : height;
    descriptor_ = source.descriptor_;
    PutU16(&descriptor_[1], static_cast<uint16_t>(platform::CheckRange(left, 0, 0xFFFF)));
    PutU16(&descriptor_[3], static_cast<uint16_t>(platform::CheckRange(top, 0, 0xFFFF)));
    PutU16(&descriptor_[5], static_cast<uint16_t>(turned_width));
    PutU16(&descriptor_[7], static_cast<uint16_t>(turned_height));
    color_map_.Assign(source.color_map_);
    CopyExtensions(source);
    if (source.data_size_ == 0) return;

    image_->CountFrameIndices(turned_width, turned_height);
    const size_t size = source.data_size_;
    auto* pixels = static_cast<uint8_t*>(std::malloc(size));
    if (pixels == nullptr) platform::RaiseOutOfMemory();
    data_.reset(pixels);
    data_size_ = size;
    held_ = size;
    const auto row_bytes = static_cast<size_t>(turned_width);
    const auto at = [&](int32_t row, int32_t column) {
        return pixels + static_cast<size_t>(row) * row_bytes + static_cast<size_t>(column);
    };
    // The source is only read (its indices not made whole), so that whoever
    // else reads it meanwhile sees it unchanged.
    std::vector<std::vector<uint8_t>> scratch(kBand);
    std::vector<const uint8_t*> rows(kBand);
    for (int32_t y0 = 0; y0 < height; y0 += kBand) {
        const int32_t count = std::min(kBand, height - y0);
        for (int32_t i = 0; i < count; ++i)
            rows[static_cast<size_t>(i)] = source.ReadRow(y0 + i, scratch[static_cast<size_t>(i)]);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t y = y0 + i;
            const uint8_t* row = rows[static_cast<size_t>(i)];
            if (quarters == 0) {
                std::memcpy(at(y, 0), row, static_cast<size_t>(width));
            } else if (quarters == 2) {
                std::reverse_copy(row, row + width, at(height - 1 - y, 0));
            }
        }
        if (!quarter) continue;
        // Clockwise the source's column x becomes row x read from the bottom
        // up; anticlockwise it becomes row width - 1 - x read top down.
        for (int32_t x = 0; x < width; ++x) {
            for (int32_t i = 0; i < count; ++i) {
                const uint8_t pixel = rows[static_cast<size_t>(i)][x];
                if (quarters == 1) {
                    *at(x, height - 1 - (y0 + i)) = pixel;
                } else {
                    *at(width - 1 - x, y0 + i) = pixel;
                }
            }
        }
    }
}

std::unique_ptr<TGIFImage> TGIFImage::Rotated(int32_t angle) const {
    if (angle % 90 != 0) platform::RaiseRange();
    const int32_t quarters = (angle / 90 % 4 + 4) % 4;
    const bool quarter = quarters % 2 == 1;
    auto turned = std::make_unique<TGIFImage>();
    turned->draw_options_ = draw_options_;
    turned->color_reduction_ = color_reduction_;
    turned->reduction_bits_ = reduction_bits_;
    turned->dither_mode_ = dither_mode_;
    turned->compression_ = compression_;
    turned->thread_priority_ = thread_priority_;
    turned->animation_speed_ = animation_speed_;
    turned->draw_background_color_ = draw_background_color_;
    turned->header_.Assign(header_);

    // The screen the frames are turned about: the logical screen, enlarged
    // to hold a frame that reaches beyond it.
    int32_t width = Width();
    int32_t height = Height();
    for (const auto& frame : images_) {
        width = std::max(width, frame->Left() + frame->Width());
        height = std::max(height, frame->Top() + frame->Height());
    }
    const auto turned_width =
        static_cast<int32_t>(platform::CheckRange(quarter ? height : width, 0, 0xFFFF));
    const auto turned_height =
        static_cast<int32_t>(platform::CheckRange(quarter ? width : height, 0, 0xFFFF));
    platform::CheckPictureSize(turned_width, turned_height);
    TGIFHeader& header = turned->header_;
    header.SetLogicalScreenWidth(static_cast<uint16_t>(turned_width));
    header.SetLogicalScreenHeight(static_cast<uint16_t>(turned_height));
    if (quarter) header.SetAspectRatio(TurnedAspectRatio(header.AspectRatio()));

    for (const auto& frame : images_) {
        const int32_t right = width - frame->Left() - frame->Width();
        const int32_t bottom = height - frame->Top() - frame->Height();
        int32_t left = frame->Left();
        int32_t top = frame->Top();
        if (quarters == 1) {
            left = bottom;
            top = frame->Left();
        } else if (quarters == 2) {
            left = right;
            top = bottom;
        } else if (quarters == 3) {
            left = frame->Top();
            top = right;
        }
        auto copy = std::make_unique<TGIFSubImage>(*turned);
        copy->AssignRotated(*frame, quarters, left, top);
        turned->images_.Add(std::move(copy));
    }
    return turned;
}

}  // namespace gif
