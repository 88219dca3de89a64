#include "gif/optimize.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "gif/gif_image.h"
#include "gif/gif_units.h"
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
uint8_t GetTransparentIndex(TGIFSubImage& frame, const TGIFSharedTransparency* shared) {
    if (frame.ColorMap().Count() > 0)
        return static_cast<uint8_t>(frame.ColorMap().Add(platform::kBlack));
    TGIFGlobalColorMap& global = frame.Owner().GetGlobalColorMap();
    std::optional<TGIFSharedTransparency> own;
    if (shared == nullptr) shared = &own.emplace(frame.Owner().Images());
    if (const std::optional<uint8_t> index = shared->FirstUnused(frame, global.Count()))
        return *index;
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

// Gives `to` a copy of the loop extension of `from`, when it has one.
void PassLoop(const TGIFSubImage& from, TGIFSubImage& to) {
    const TGIFExtensionList& list = from.Extensions();
    for (int32_t e = 0; e < list.Count(); ++e) {
        if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(list.Extensions(e))) {
            AddFirst(to, CopyLoop(*loop, to));
            return;
        }
    }
}

int32_t IndexOfExtension(const TGIFExtensionList& list, const TGIFExtension* extension) {
    for (int32_t e = 0; e < list.Count(); ++e) {
        if (list.Extensions(e) == extension) return e;
    }
    return -1;
}

// The bytes a frame takes in the file: its extensions, image block, local
// table and coded pixels; none when it cannot be written (an index beyond its
// colours).
std::optional<int64_t> FrameBytes(const TGIFSubImage& frame) {
    platform::MemoryStream stream;
    try {
        frame.SaveToStream(stream);
    } catch (const GIFException&) {
        return std::nullopt;
    }
    return stream.Size();
}

// A graphic control block in the file: "!", its label and its 6 bytes.
constexpr int64_t kControlBlockBytes = 8;

// The bytes of a colour table in the file, padded to a power of two.
int64_t TableBytes(int32_t count) {
    return count > 0 ? int64_t{3} << ColorsToBits(count) : 0;
}

// The code size of the frames that have no table of their own, which follow
// the widest table of the picture.
int32_t SharedCodeSize(const TGIFImage& image) {
    return std::max(2, image.GetBitsPerPixel());
}

// Whether every pixel names a colour of the table its frame refers to, as
// the steps take for granted.
bool PixelsWithinTheirColors(const TGIFImage& image) {
    for (const auto& frame : image.Images()) {
        if (frame->Empty()) continue;
        const int32_t count = frame->ActiveColorMap().Count();
        const uint8_t* pixels = frame->Data();
        if (std::any_of(pixels, pixels + frame->DataSize(),
                        [count](uint8_t pixel) { return pixel >= count; }))
            return false;
    }
    return true;
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
            // Pixels made transparent pay mostly once the crop step has taken
            // them off, or dropped a frame they blanked: the overlap weighs
            // its changes as that step will leave them.
            cropping_ = (options_ & opCrop) != 0;
            Overlap();
            cropping_ = false;
            shared_.clear();
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

    // Runs `change` on frame `index` and undoes it when the file would grow,
    // as FileBytes weighs the frames. Only the frame changes, and the tables
    // by one colour when `adds_color`: the file grows by what the frame takes,
    // by the global table's bytes and, when a wider table widens the codes of
    // the frames without a table of their own, by what they take. A frame
    // that cannot be written is not weighed.
    template <typename Change>
    void UnlessLarger(int32_t index, bool adds_color, const Change& change) {
        TGIFSubImage& frame = *frames_.SubImages(index);
        const std::optional<int64_t> before = FileBytes(index);
        if (!before) {
            change();
            return;
        }
        TGIFGlobalColorMap& global = image_.GetGlobalColorMap();
        const int32_t global_count = global.Count();
        const int32_t code_size = SharedCodeSize(image_);
        // What the other frames take at the present code size, when the
        // change may widen it.
        const std::optional<int64_t> others_before =
            adds_color && MayWiden(frame) ? SharedBytes(index) : std::nullopt;
        TGIFSubImage kept(image_);
        kept.Assign(frame);
        change();
        const std::optional<int64_t> after = FileBytes(index);
        std::optional<int64_t> growth;
        if (after)
            growth = *after - *before + TableBytes(global.Count()) - TableBytes(global_count);
        if (growth && SharedCodeSize(image_) != code_size) {
            const std::optional<int64_t> others_after = SharedBytes(index);
            growth = others_before && others_after
                         ? std::optional(*growth + *others_after - *others_before)
                         : std::nullopt;
        }
        if (growth && *growth <= 0) {
            // What the frame after it takes may follow this one's control
            // block.
            Forget(index);
            Forget(index + 1);
            return;
        }
        frame.Assign(kept);
        while (global.Count() > global_count) global.Delete(global.Count() - 1);
    }

    // What frame `index` will take in the file: as it is, or, with the crop
    // step to come, once that step has been at it.
    std::optional<int64_t> FileBytes(int32_t index) {
        if (!cropping_) return FrameBytes(*frames_.SubImages(index));
        return CroppedBytes(index);
    }

    // Whether one more colour in the frame's table or the global one, which
    // is all a change may add, would widen the shared codes.
    bool MayWiden(const TGIFSubImage& frame) const {
        const int32_t code_size = SharedCodeSize(image_);
        const auto widens = [&](int32_t count) {
            return count > 0 && std::max(2, ColorsToBits(count + 1)) > code_size;
        };
        return widens(frame.ColorMap().Count()) || widens(image_.Header().ColorMap().Count());
    }

    // What the frames without a table of their own but frame `besides` take
    // at the present code size; none when one of them cannot be written.
    // Each frame is weighed once for each code size and kept until it, or
    // the frame before it, changes; the sum is kept with the weights, so
    // that asking costs the frames weighed since, not every frame.
    std::optional<int64_t> SharedBytes(int32_t besides) {
        auto [found, made] = shared_.try_emplace(SharedCodeSize(image_));
        Weights& weights = found->second;
        if (made) {
            weights.bytes.resize(static_cast<size_t>(frames_.Count()));
            for (int32_t i = 0; i < frames_.Count(); ++i) {
                if (frames_.SubImages(i)->ColorMap().Count() == 0) weights.due.push_back(i);
            }
        }
        std::erase_if(weights.due, [&](int32_t i) {
            if (i == besides) return false;
            const std::optional<int64_t> bytes = FileBytes(i);
            weights.bytes[static_cast<size_t>(i)] = bytes;
            weights.Count(bytes, 1);
            return true;
        });
        int64_t total = weights.total;
        int32_t unwritable = weights.unwritable;
        if (const auto& own = weights.bytes[static_cast<size_t>(besides)]) {
            if (*own) {
                total -= **own;
            } else {
                --unwritable;
            }
        }
        if (unwritable > 0) return std::nullopt;
        return total;
    }

    void Forget(int32_t index) {
        for (auto& [code_size, weights] : shared_) {
            if (index >= static_cast<int32_t>(weights.bytes.size())) continue;
            auto& bytes = weights.bytes[static_cast<size_t>(index)];
            if (!bytes) continue;
            weights.Count(*bytes, -1);
            bytes.reset();
            weights.due.push_back(index);
        }
    }

    void Overlap() {
        TGIFSharedTransparency shared(frames_);
        for (int32_t i = frames_.Count() - 1; i >= 1; --i) {
            int32_t below = i - 1;
            while (below > 0 && DisposalOf(*frames_.SubImages(below)) == 3) --below;
            TGIFSubImage& frame = *frames_.SubImages(i);
            TGIFSubImage* under = frames_.SubImages(below);
            UnlessLarger(i, true, [&] { frame.OptimizeOverlap(under, &shared); });
            shared.Update(i);
            Step();
        }
        Step(false);
    }

    // Whether the crop step looks at the frame: one that is not empty and
    // has transparency. A frame restored to the background clears its whole
    // rectangle, transparent borders included: it is left whole.
    static bool Croppable(const TGIFSubImage& frame) {
        return !frame.Empty() && frame.HasTransparency() && DisposalOf(frame) != 2;
    }

    // Whether every pixel of a croppable frame is transparent.
    static bool Blank(const TGIFSubImage& frame) {
        const uint8_t hole = frame.GraphicControlExtension()->TransparentColorIndex();
        const uint8_t* pixels = frame.Data();
        return std::all_of(pixels, pixels + frame.DataSize(),
                           [hole](uint8_t p) { return p == hole; });
    }

    // What frame `index` will take in the file once the crop step has been
    // at it: the fewer bytes of the frame cropped or whole, or, for a blank
    // frame that goes, the control block its time may need on the frame
    // before.
    std::optional<int64_t> CroppedBytes(int32_t index) {
        TGIFSubImage& frame = *frames_.SubImages(index);
        const std::optional<int64_t> whole = FrameBytes(frame);
        if (!Croppable(frame)) return whole;
        if (Blank(frame)) {
            if (!CanDropBlank(index)) return whole;
            const bool needs_control =
                DelayOf(frame) > 0 &&
                frames_.SubImages(index - 1)->GraphicControlExtension() == nullptr;
            return needs_control ? kControlBlockBytes : 0;
        }
        TGIFSubImage cropped(image_);
        cropped.Assign(frame);
        cropped.Crop();
        const std::optional<int64_t> bytes = FrameBytes(cropped);
        return whole && bytes ? std::optional(std::min(*whole, *bytes)) : whole;
    }

    void CropFrames() {
        for (int32_t i = frames_.Count() - 1; i >= 0; --i) {
            TGIFSubImage& frame = *frames_.SubImages(i);
            Step(false);
            if (!Croppable(frame)) continue;
            if (!Blank(frame)) {
                UnlessLarger(i, false, [&] { frame.Crop(); });
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
                Drop(i);
            }
            Report();
        }
        DropNow();
    }

    // Whether the blank frame `index` can go without changing what is shown:
    // never the last frame; its time goes to the frame before, so the screen
    // must stay as that frame left it (no disposal) unless the blank frame
    // lasts no time at all.
    bool CanDropBlank(int32_t index) const {
        if (Kept() < 2) return false;
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
            const bool single = Kept() == 1;
            const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
            if (control != nullptr && (control->Delay() == 0 || single) &&
                !control->Transparent() && !control->UserInput() &&
                (control->Disposal() <= 1 || single)) {
                list.Delete(IndexOfExtension(list, control));
            }
            if (frame.Empty() && list.Count() == 0 && Kept() > 1) Drop(i);
        }
        DropNow();
        Report();
    }

    // The frames not dropped.
    int32_t Kept() const { return frames_.Count() - dropped_count_; }

    // Drops frame `index`, which the steps go through from the last frame
    // down: it goes with the others dropped when the step ends, so that
    // dropping many frames does not move the frames above each one. Its
    // table goes at once: the frames weighed meanwhile are coded at the
    // width of the widest table the picture keeps. Frame 0's loop extension
    // goes to the frame that takes its place.
    void Drop(int32_t index) {
        if (dropped_.empty()) dropped_.resize(static_cast<size_t>(frames_.Count()));
        TGIFSubImage& frame = *frames_.SubImages(index);
        if (index == 0 && Kept() > 1) {
            int32_t next = 1;
            while (dropped_[static_cast<size_t>(next)]) ++next;
            PassLoop(frame, *frames_.SubImages(next));
        }
        frame.ColorMap().Clear();
        dropped_[static_cast<size_t>(index)] = true;
        ++dropped_count_;
    }

    void DropNow() {
        frames_.Delete(dropped_);
        dropped_.clear();
        dropped_count_ = 0;
    }

    TGIFImage& image_;
    TGIFImageList& frames_;
    // What the frames without a table of their own take at one code size,
    // by frame index (no frame goes meanwhile): each frame's bytes, once
    // weighed (none when it cannot be written), the frames to weigh before
    // the next sum, and the sum of those weighed.
    struct Weights {
        std::vector<std::optional<std::optional<int64_t>>> bytes;
        std::vector<int32_t> due;
        int64_t total = 0;
        int32_t unwritable = 0;
        void Count(const std::optional<int64_t>& frame_bytes, int32_t sign) {
            if (frame_bytes) {
                total += sign * *frame_bytes;
            } else {
                unwritable += sign;
            }
        }
    };
    // While the overlap step weighs its changes: whether the crop step is to
    // come, and the weights of the frames without a table of their own, by
    // code size.
    bool cropping_ = false;
    std::map<int32_t, Weights> shared_;
    // The frames dropped by the step that runs, by index, and how many.
    std::vector<bool> dropped_;
    int32_t dropped_count_ = 0;
    uint8_t options_;
    int32_t total_;
    int32_t counter_ = 0;
};

}  // namespace

TGIFSharedTransparency::TGIFSharedTransparency(const TGIFImageList& frames)
    : frames_(frames), index_of_(static_cast<size_t>(frames.Count()), kNone) {
    for (int32_t i = 0; i < frames.Count(); ++i) Update(i);
}

void TGIFSharedTransparency::Update(int32_t position) {
    const TGIFSubImage& frame = *frames_.SubImages(position);
    int16_t& index = index_of_[static_cast<size_t>(position)];
    const int16_t now = frame.HasTransparency() && frame.ColorMap().Count() == 0
                            ? frame.GraphicControlExtension()->TransparentColorIndex()
                            : kNone;
    if (now == index) return;
    if (index != kNone) positions_[static_cast<size_t>(index)].erase(position);
    if (now != kNone) positions_[static_cast<size_t>(now)].insert(position);
    index = now;
}

std::optional<uint8_t> TGIFSharedTransparency::FirstUnused(const TGIFSubImage& frame,
                                                           int32_t count) const {
    std::array<bool, 256> used{};
    const uint8_t* pixels = frame.Data();
    for (size_t i = 0; i < frame.DataSize(); ++i) used[pixels[i]] = true;
    std::optional<int32_t> first;
    for (int32_t index = 0; index < std::min(count, 256); ++index) {
        if (used[static_cast<size_t>(index)]) continue;
        for (const int32_t position : positions_[static_cast<size_t>(index)]) {
            if (frames_.SubImages(position) == &frame) continue;
            if (!first || position < *first) first = position;
            break;
        }
    }
    if (!first) return std::nullopt;
    return static_cast<uint8_t>(index_of_[static_cast<size_t>(*first)]);
}

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

void TGIFSubImage::OptimizeOverlap(TGIFSubImage* below, const TGIFSharedTransparency* shared) {
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
                hole = GetTransparentIndex(*this, shared);
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
    if (Empty() || !PixelsWithinTheirColors(*this)) return;
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
