#include "gif/optimize.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "gif/gif_image.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"

namespace gif {

namespace {

uint8_t DisposalOf(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    return control != nullptr ? control->Disposal() : 0;
}

uint16_t DelayOf(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    return control != nullptr ? control->Delay() : 0;
}

bool Inside(const platform::Rect& inner, const platform::Rect& outer) {
    return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
           inner.Bottom <= outer.Bottom;
}

// Whether one more colour fits in the table the frame's pixels refer to.
bool CanAddColor(TGIFSubImage& frame) {
    if (frame.ColorMap().Count() > 0) return frame.ColorMap().Count() < TGIFColorMap::kMaxColors;
    const TGIFColorMap& global = frame.Owner().Header().ColorMap();
    return global.Count() > 0 && global.Count() < TGIFColorMap::kMaxColors;
}

// An index the frame can make transparent: a new black entry of its own
// table, the transparent index of another frame on the global table that none
// of this frame's pixels uses (every pixel is still opaque here), else a new
// black entry of the global table. CanAddColor held.
uint8_t GetTransparentIndex(TGIFSubImage& frame) {
    if (frame.ColorMap().Count() > 0)
        return static_cast<uint8_t>(frame.ColorMap().Add(platform::kBlack));
    TGIFGlobalColorMap& global = frame.Owner().GetGlobalColorMap();
    for (const auto& other : frame.Owner().Images()) {
        if (other.get() == &frame || !other->HasTransparency() || other->ColorMap().Count() > 0)
            continue;
        const uint8_t index = other->GraphicControlExtension()->TransparentColorIndex();
        if (index < global.Count() && !ContainsByte(frame.Data(), index, frame.DataSize()))
            return index;
    }
    return static_cast<uint8_t>(global.Add(platform::kBlack));
}

// What a colour looks like to the comparison of two frames: its red, green
// and blue, or a value no colour has for an index beyond the table, one of
// its own per frame so that two such indices never match.
std::array<uint32_t, 256> ColorKeys(const TGIFColorMap& colors, uint32_t missing) {
    std::array<uint32_t, 256> keys{};
    keys.fill(missing);
    const auto entries = colors.Entries();
    for (size_t i = 0; i < entries.size(); ++i)
        keys[i] = uint32_t{entries[i].Red} | uint32_t{entries[i].Green} << 8 |
                  uint32_t{entries[i].Blue} << 16;
    return keys;
}

// A copy of a loop extension for another frame.
std::unique_ptr<TGIFAppExtNSLoop> CopyLoop(const TGIFAppExtNSLoop& loop, TGIFSubImage& frame) {
    auto copy = std::make_unique<TGIFAppExtNSLoop>(frame);
    copy->Identifier = loop.Identifier;
    copy->Authentication = loop.Authentication;
    copy->Loops = loop.Loops;
    copy->BufferSize = loop.BufferSize;
    return copy;
}

// Puts `extension` in front of the frame's other extensions.
void AddFirst(TGIFSubImage& frame, std::unique_ptr<TGIFExtension> extension) {
    TGIFExtensionList& list = frame.Extensions();
    std::vector<std::unique_ptr<TGIFExtension>> others;
    while (list.Count() > 0) others.push_back(list.Remove(list.Extensions(0)));
    list.Add(std::move(extension));
    for (auto& other : others) list.Add(std::move(other));
}

// The first loop extension of the picture, moved in front of frame 0's
// extensions when a later frame holds it; none when there is none.
const TGIFAppExtNSLoop* FrontLoop(TGIFImage& image) {
    TGIFImageList& frames = image.Images();
    for (int32_t i = 0; i < frames.Count(); ++i) {
        TGIFExtensionList& list = frames.SubImages(i)->Extensions();
        for (int32_t e = 0; e < list.Count(); ++e) {
            const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(list.Extensions(e));
            if (loop == nullptr) continue;
            if (i == 0) return loop;
            auto copy = CopyLoop(*loop, *frames.SubImages(0));
            const TGIFAppExtNSLoop* moved = copy.get();
            AddFirst(*frames.SubImages(0), std::move(copy));
            list.Delete(e);
            return moved;
        }
    }
    return nullptr;
}

// Removes frame `index`; frame 0's loop extension goes to the frame that
// takes its place.
void DeleteFrame(TGIFImage& image, int32_t index) {
    TGIFImageList& frames = image.Images();
    if (index == 0 && frames.Count() > 1) {
        const TGIFExtensionList& list = frames.SubImages(0)->Extensions();
        for (int32_t e = 0; e < list.Count(); ++e) {
            if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(list.Extensions(e))) {
                AddFirst(*frames.SubImages(1), CopyLoop(*loop, *frames.SubImages(1)));
                break;
            }
        }
    }
    frames.Delete(index);
}

int32_t IndexOfExtension(const TGIFExtensionList& list, const TGIFExtension* extension) {
    for (int32_t e = 0; e < list.Count(); ++e) {
        if (list.Extensions(e) == extension) return e;
    }
    return -1;
}

// The steps of TGIFImage::Optimize over one picture, with its progress count.
class Optimizer {
public:
    Optimizer(TGIFImage& image, uint8_t options)
        : image_(image), frames_(image.Images()), options_(options), total_(6 * frames_.Count()) {}

    void Run() {
        if ((options_ & opSortColorMaps) != 0) SortColorMaps();
        if ((options_ & opCleanup) != 0) {
            DropUnusedTransparency();
            DropHiddenDisposal();
        } else {
            counter_ += 2 * frames_.Count();
        }
        if ((options_ & opOverlap) != 0) {
            Overlap();
        } else {
            counter_ += frames_.Count();
        }
        if ((options_ & opCrop) != 0) {
            CropFrames();
        } else {
            counter_ += frames_.Count();
        }
        counter_ += frames_.Count();
        if ((options_ & opCleanup) != 0) RemoveNeedlessBlocks();
    }

private:
    void Step(bool report = true) {
        ++counter_;
        if (report) Report();
    }
    void Report() const {
        const int32_t percent = total_ > 0 ? std::min(100, counter_ * 100 / total_) : 100;
        image_.Progress(ProgressStage::Running, static_cast<uint8_t>(percent), false, {},
                        Message::Optimizing);
    }

    void SortColorMaps() {
        // The background is a colour, not an index: it follows its entry.
        TGIFGlobalColorMap& global = image_.GetGlobalColorMap();
        if (global.Count() > 0) {
            const uint8_t background = image_.Header().BackgroundColorIndex();
            const bool has_background = background < global.Count();
            const platform::Color color = has_background ? global.GetColor(background) : 0;
            global.Optimize();
            if (has_background) {
                int32_t index = global.IndexOf(color);
                if (index < 0) index = global.Add(color);
                image_.Header().SetBackgroundColorIndex(static_cast<uint8_t>(index));
            }
        }
        for (const auto& frame : frames_) {
            Step(false);
            if (frame->ColorMap().Count() == 0) continue;
            frame->ColorMap().Optimize();
            Report();
        }
    }

    void DropUnusedTransparency() {
        for (const auto& frame : frames_) {
            Step(false);
            if (!frame->HasTransparency()) continue;
            TGIFGraphicControlExtension& control = *frame->GraphicControlExtension();
            if (ContainsByte(frame->Data(), control.TransparentColorIndex(), frame->DataSize()))
                continue;
            control.SetTransparent(false);
            Report();
        }
    }

    // A frame cleared or restored is hidden when the next frame covers it
    // opaquely, unless the next frame is itself restored to what was under it,
    // which would bring back this frame's disposal.
    void DropHiddenDisposal() {
        for (int32_t i = 0; i + 1 < frames_.Count(); ++i) {
            Step();
            TGIFSubImage& frame = *frames_.SubImages(i);
            const TGIFSubImage& next = *frames_.SubImages(i + 1);
            TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
            if (control == nullptr || (control->Disposal() != 2 && control->Disposal() != 3))
                continue;
            if (frame.Empty() || next.Empty() || next.HasTransparency() || DisposalOf(next) == 3)
                continue;
            if (Inside(frame.BoundsRect(), next.BoundsRect())) control->SetDisposal(0);
        }
        Step(false);
    }

    void Overlap() {
        for (int32_t i = frames_.Count() - 1; i >= 1; --i) {
            int32_t below = i - 1;
            while (below > 0 && DisposalOf(*frames_.SubImages(below)) == 3) --below;
            frames_.SubImages(i)->OptimizeOverlap(frames_.SubImages(below));
            Step();
        }
        Step(false);
    }

    void CropFrames() {
        for (int32_t i = frames_.Count() - 1; i >= 0; --i) {
            TGIFSubImage& frame = *frames_.SubImages(i);
            Step(false);
            // A frame restored to the background clears its whole rectangle,
            // transparent borders included.
            if (frame.Empty() || !frame.HasTransparency() || DisposalOf(frame) == 2) continue;
            const uint8_t hole = frame.GraphicControlExtension()->TransparentColorIndex();
            const uint8_t* pixels = frame.Data();
            const bool blank = std::all_of(pixels, pixels + frame.DataSize(),
                                           [hole](uint8_t p) { return p == hole; });
            if (!blank) {
                frame.Crop();
            } else if (CanDropBlank(i)) {
                const uint16_t delay = DelayOf(frame);
                if (delay > 0) {
                    TGIFSubImage& previous = *frames_.SubImages(i - 1);
                    if (previous.GraphicControlExtension() == nullptr)
                        previous.Extensions().Add(
                            std::make_unique<TGIFGraphicControlExtension>(previous));
                    TGIFGraphicControlExtension& control = *previous.GraphicControlExtension();
                    control.SetDelay(static_cast<uint16_t>(control.Delay() + delay));
                }
                DeleteFrame(image_, i);
            }
            Report();
        }
    }

    // Whether the blank frame `index` can go without changing what is shown:
    // never the last frame; its time goes to the frame before, so the screen
    // must stay as that frame left it (no disposal) unless the blank frame
    // lasts no time at all.
    bool CanDropBlank(int32_t index) const {
        if (frames_.Count() < 2) return false;
        const uint16_t delay = DelayOf(*frames_.SubImages(index));
        if (delay == 0) return true;
        if (index == 0) return false;
        const TGIFSubImage& previous = *frames_.SubImages(index - 1);
        return DisposalOf(previous) <= 1 && DelayOf(previous) + delay <= 0xFFFF;
    }

    void RemoveNeedlessBlocks() {
        const TGIFAppExtNSLoop* loop = frames_.Count() >= 2 ? FrontLoop(image_) : nullptr;
        for (int32_t i = frames_.Count() - 1; i >= 0; --i) {
            TGIFSubImage& frame = *frames_.SubImages(i);
            TGIFExtensionList& list = frame.Extensions();
            for (int32_t e = list.Count() - 1; e >= 0; --e) {
                const TGIFExtension* extension = list.Extensions(e);
                const bool needless =
                    dynamic_cast<const TGIFCommentExtension*>(extension) ||
                    dynamic_cast<const TGIFTextExtension*>(extension) ||
                    dynamic_cast<const TGIFUnknownAppExtension*>(extension) ||
                    (dynamic_cast<const TGIFAppExtNSLoop*>(extension) && extension != loop);
                if (needless) list.Delete(e);
            }
            const bool single = frames_.Count() == 1;
            const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
            if (control != nullptr && (control->Delay() == 0 || single) &&
                !control->Transparent() && !control->UserInput() &&
                (control->Disposal() <= 1 || single)) {
                list.Delete(IndexOfExtension(list, control));
            }
            if (frame.Empty() && list.Count() == 0 && frames_.Count() > 1) DeleteFrame(image_, i);
        }
        Report();
    }

    TGIFImage& image_;
    TGIFImageList& frames_;
    uint8_t options_;
    int32_t total_;
    int32_t counter_ = 0;
};

}  // namespace

bool ContainsByte(const uint8_t* buffer, uint8_t value, size_t count) {
    return count > 0 && std::memchr(buffer, value, count) != nullptr;
}

void TGIFSubImage::Crop() {
    if (Empty() || !HasTransparency()) return;
    const uint8_t hole = gce_->TransparentColorIndex();
    const uint8_t* pixels = Data();
    const int32_t width = Width();
    const int32_t height = Height();
    const auto at = [&](int32_t x, int32_t y) {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    };
    const auto column_blank = [&](int32_t x) {
        for (int32_t y = 0; y < height; ++y) {
            if (at(x, y) != hole) return false;
        }
        return true;
    };
    const auto row_blank = [&](int32_t y, int32_t left, int32_t right) {
        for (int32_t x = left; x < right; ++x) {
            if (at(x, y) != hole) return false;
        }
        return true;
    };
    int32_t left = 0;
    int32_t right = width;
    while (left < right && column_blank(left)) ++left;
    while (right > left && column_blank(right - 1)) --right;
    int32_t top = 0;
    int32_t bottom = height;
    if (left < right) {
        while (top < bottom && row_blank(top, left, right)) ++top;
        while (bottom > top && row_blank(bottom - 1, left, right)) --bottom;
    }
    if (left == right || top == bottom) {
        Clear();
        return;
    }
    if (left == 0 && top == 0 && right == width && bottom == height) return;
    const auto new_left = static_cast<uint16_t>(platform::CheckRange(Left() + left, 0, 0xFFFF));
    const auto new_top = static_cast<uint16_t>(platform::CheckRange(Top() + top, 0, 0xFFFF));
    const auto kept_width = static_cast<size_t>(right - left);
    const size_t size = kept_width * static_cast<size_t>(bottom - top);
    auto* kept = static_cast<uint8_t*>(std::malloc(size));
    if (kept == nullptr) platform::RaiseOutOfMemory();
    for (int32_t y = top; y < bottom; ++y) {
        std::memcpy(kept + static_cast<size_t>(y - top) * kept_width,
                    pixels + static_cast<size_t>(y) * static_cast<size_t>(width) +
                        static_cast<size_t>(left),
                    kept_width);
    }
    data_.reset(kept);
    data_size_ = size;
    held_ = size;
    fill_ = 0;
    PutU16(&descriptor_[1], new_left);
    PutU16(&descriptor_[3], new_top);
    PutU16(&descriptor_[5], static_cast<uint16_t>(right - left));
    PutU16(&descriptor_[7], static_cast<uint16_t>(bottom - top));
    FreeBitmap();
    FreeMask();
}

void TGIFSubImage::OptimizeOverlap(TGIFSubImage* below) {
    if (Empty() || below == nullptr || below->Empty()) return;
    const uint8_t below_disposal = DisposalOf(*below);
    if (below_disposal == 2 || below_disposal == 3) return;
    const platform::Rect area = platform::Intersect(BoundsRect(), below->BoundsRect());
    if (area.IsEmpty()) return;
    const bool had_transparency = HasTransparency();
    if (!had_transparency && !CanAddColor(*this)) return;
    bool chosen = had_transparency;
    uint8_t hole = chosen ? gce_->TransparentColorIndex() : 0;
    const bool below_transparent = below->HasTransparency();
    const uint8_t below_hole =
        below_transparent ? below->GraphicControlExtension()->TransparentColorIndex() : 0;
    const TGIFColorMap& colors = ActiveColorMap();
    const TGIFColorMap& below_colors = below->ActiveColorMap();
    const bool same_table = &colors == &below_colors;
    const std::array<uint32_t, 256> keys = ColorKeys(colors, 0x01000000);
    const std::array<uint32_t, 256> below_keys = ColorKeys(below_colors, 0x02000000);

    uint8_t* pixels = Data();
    const uint8_t* under = below->Data();
    const auto width = static_cast<size_t>(Width());
    const auto below_width = static_cast<size_t>(below->Width());
    for (int32_t y = area.Top; y < area.Bottom; ++y) {
        uint8_t* row = pixels + static_cast<size_t>(y - Top()) * width;
        const uint8_t* under_row = under + static_cast<size_t>(y - below->Top()) * below_width;
        for (int32_t x = area.Left; x < area.Right; ++x) {
            uint8_t& pixel = row[x - Left()];
            const uint8_t shown = under_row[x - below->Left()];
            if (chosen && pixel == hole) continue;
            if (below_transparent && shown == below_hole) continue;
            if (!(same_table && pixel == shown) && keys[pixel] != below_keys[shown]) continue;
            if (!chosen) {
                hole = GetTransparentIndex(*this);
                chosen = true;
            }
            pixel = hole;
        }
    }
    if (!had_transparency && chosen) {
        if (gce_ == nullptr) extensions_.Add(std::make_unique<TGIFGraphicControlExtension>(*this));
        gce_->SetTransparent(true);
        gce_->SetTransparentColorIndex(hole);
    }
    FreeBitmap();
    FreeMask();
}

void TGIFImage::Optimize(uint8_t options, uint8_t reduction_method, uint8_t, int32_t) {
    if ((options & opReduceColors) != 0 && (options & opCleanup) == 0 &&
        reduction_method == kInvalidReductionMethod) {
        Error(Message::InvalidReductionMethod);
    }
    if (Empty()) return;
    // No painter reads the frames while they change, nor starts meanwhile.
    StopDraw();
    const auto lock = Painters().LockList();
    Progress(ProgressStage::Starting, 0, false, {}, Message::Optimizing);
    try {
        Optimizer(*this, options).Run();
    } catch (...) {
        FreeBitmap();
        Progress(ProgressStage::Ending, 0, false, {}, Message::Optimizing);
        throw;
    }
    FreeBitmap();
    Changed();
    Progress(ProgressStage::Ending, 100, false, {}, Message::Optimizing);
}

}  // namespace gif
