#include "gif/animation.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "gif/extensions.h"
#include "gif/gif_image.h"

namespace gif {

namespace {

// A delay below this many units is waited as this many.
constexpr int32_t kMinDelay = 3;
// A frame without a delay of its own.
constexpr int32_t kDefaultDelay = 10;
// The longest delay of a painter that runs inside the drawing call.
constexpr int32_t kMaxInlineDelay = 1000;
// The wait taken when the timing arithmetic cannot be trusted.
constexpr int64_t kFallbackWait = 12000;

}  // namespace

AnimationPlan PlanAnimation(const TGIFImage& image) {
    AnimationPlan plan;
    const TGIFImageList& images = image.Images();
    plan.timings.reserve(static_cast<size_t>(images.Count()));
    plan.transparent.reserve(static_cast<size_t>(images.Count()));
    for (int32_t i = 0; i < images.Count(); ++i) {
        const TGIFSubImage& frame = *images.SubImages(i);
        FrameTiming timing;
        timing.empty = frame.Empty();
        int16_t transparent = -1;
        if (const TGIFGraphicControlExtension* own = frame.GraphicControlExtension()) {
            timing.delay = own->Delay();
            if (own->Transparent()) transparent = own->TransparentColorIndex();
        }
        const TGIFExtensionList& extensions = frame.Extensions();
        for (int32_t e = 0; e < extensions.Count(); ++e) {
            const TGIFExtension* extension = extensions.Extensions(e);
            if (const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(extension)) {
                timing.disposal = control->Disposal();
                plan.disposals |= static_cast<uint8_t>(1u << control->Disposal());
            } else if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension)) {
                if (!timing.loops) timing.loops = loop->Loops;
            }
        }
        plan.timings.push_back(timing);
        plan.transparent.push_back(transparent);
    }
    const platform::Color chosen = image.DrawBackgroundColor();
    const TGIFGlobalColorMap& global = image.Header().ColorMap();
    if (chosen != kColorNone) {
        plan.background = platform::ColorToRGB(chosen);
    } else if (global.Count() > 0) {
        const uint8_t index = image.Header().BackgroundColorIndex();
        plan.background =
            index < global.Count() ? TripleToColor(global.Entries()[index]) : platform::kBlack;
    } else {
        plan.background = platform::ColorToRGB(platform::kWindowColor);
    }
    return plan;
}

AnimationTimeline::AnimationTimeline(std::vector<FrameTiming> frames, uint16_t options,
                                     int32_t speed, bool threaded, Clock clock)
    : frames_(std::move(frames)),
      options_(options),
      speed_(speed),
      threaded_(threaded),
      clock_(std::move(clock)) {}

uint16_t AnimationTimeline::FrameDelay(const FrameTiming& frame) const {
    int32_t delay = kDefaultDelay;
    if (frame.delay > 0) {
        delay = std::max<int32_t>(frame.delay, kMinDelay);
        if (!threaded_) delay = std::min(delay, kMaxInlineDelay);
    }
    return static_cast<uint16_t>(delay);
}

int64_t AnimationTimeline::PlanWait() {
    const int64_t now = clock_();
    const int64_t elapsed = now - timing_point_;
    timing_point_ = now;
    int64_t wait = 0;
    if (speed_ > 0) {
        // Half of what the last wait ran over comes off this one, so that
        // painting and decoding times do not add up over the animation.
        const int64_t overshoot = (elapsed - planned_) / 2;
        const int64_t wanted = static_cast<int64_t>(delay_) * kMsPerDelayUnit - overshoot;
        const int64_t product = wanted * 100;
        int64_t quotient = product / speed_;
        const int64_t remainder = product % speed_;
        if (2 * (remainder < 0 ? -remainder : remainder) >= speed_) quotient += product < 0 ? -1 : 1;
        if (elapsed < 0 || quotient < std::numeric_limits<int32_t>::min() ||
            quotient > std::numeric_limits<int32_t>::max()) {
            wait = kFallbackWait;
            planned_ = 0;
        } else {
            wait = quotient;
            planned_ = quotient;
        }
    } else if (!threaded_) {
        wait = kFallbackWait;
    } else if (speed_ == 0) {
        // Speed 0 holds the frame until the painter is stopped; a negative
        // speed shows the frames without waiting.
        return kWaitForever;
    }
    // A late frame's wait may come out negative, even at kWaitForever's own
    // value: it is no wait at all.
    return std::max<int64_t>(wait, threaded_ ? 0 : 1);
}

void AnimationTimeline::Woken() {
    planned_ = 0;
    timing_point_ = clock_();
}

AnimationStep AnimationTimeline::Next() {
    const int32_t count = static_cast<int32_t>(frames_.size());
    while (!stopped_) {
        switch (phase_) {
        case Phase::Begin:
            active_ = 0;
            phase_ = Phase::Started;
            return {AnimationAction::Start, active_, 0};
        case Phase::Started:
            painted_ = false;
            loops_ = 1;
            loop_point_ = 0;
            loop_seen_ = false;
            delay_ = threaded_ ? 0 : 1;
            previous_disposal_ = 1;
            timing_point_ = clock_();
            planned_ = 0;
            phase_ = Phase::PassCheck;
            break;
        case Phase::PassCheck:
            if (loops_ == 0 && (options_ & doLoopForever) == 0) {
                phase_ = Phase::End;
                break;
            }
            active_ = loop_point_;
            pass_painted_ = false;
            phase_ = Phase::FrameCheck;
            if (painted_) return {AnimationAction::Loop, active_, 0};
            break;
        case Phase::FrameCheck:
            if (active_ < 0 || active_ >= count || frames_[static_cast<size_t>(active_)].empty) {
                phase_ = Phase::PassEnd;
                break;
            }
            phase_ = Phase::Before;
            return {AnimationAction::Wait, active_, delay_ > 0 ? PlanWait() : 0};
        case Phase::Before:
            phase_ = Phase::Paint;
            return {AnimationAction::BeforeFrame, active_, 0};
        case Phase::Paint: {
            const FrameTiming& frame = frames_[static_cast<size_t>(active_)];
            disposal_ = frame.disposal;
            if (!loop_seen_ && frame.loops) {
                loop_seen_ = true;
                const bool endless = *frame.loops == 0 || (options_ & doLoopForever) != 0;
                loops_ = endless && threaded_ ? -1 : *frame.loops;
                loop_point_ = active_;
            }
            phase_ = Phase::Painted;
            return {AnimationAction::Paint, active_, 0};
        }
        case Phase::Painted:
            previous_disposal_ = disposal_;
            painted_ = true;
            pass_painted_ = true;
            delay_ = FrameDelay(frames_[static_cast<size_t>(active_)]);
            remembered_ = active_;
            phase_ = Phase::Advance;
            return {AnimationAction::AfterFrame, active_, 0};
        case Phase::Advance:
            if (active_ == remembered_) ++active_;
            phase_ = (options_ & doAnimate) != 0 ? Phase::FrameCheck : Phase::PassEnd;
            break;
        case Phase::PassEnd:
            if (loops_ > 0) --loops_;
            // A pass that showed nothing would show nothing again: end
            // rather than spin.
            phase_ = (options_ & doAnimate) != 0 && (options_ & doLoop) != 0 && pass_painted_
                         ? Phase::PassCheck
                         : Phase::End;
            break;
        case Phase::End:
            active_ = -1;
            phase_ = Phase::Done;
            return {AnimationAction::End, -1, 0};
        case Phase::Done:
            return {AnimationAction::Done, active_, 0};
        }
    }
    return {AnimationAction::Done, active_, 0};
}

namespace {

// Row `y` of a 32-bit bitmap as pixel words.
uint32_t* Words(platform::Bitmap& bitmap, int32_t y) {
    return reinterpret_cast<uint32_t*>(bitmap.ScanLine(y));
}

const uint32_t* Words(const platform::Bitmap& bitmap, int32_t y) {
    return reinterpret_cast<const uint32_t*>(bitmap.ScanLine(y));
}

uint32_t Word(platform::Color color) {
    return 0xFF000000u | static_cast<uint32_t>(platform::RedOf(color)) << 16 |
           static_cast<uint32_t>(platform::GreenOf(color)) << 8 | platform::BlueOf(color);
}

// `source` into `target`, two bitmaps of one size and format.
void CopyPixels(platform::Bitmap& target, const platform::Bitmap& source) {
    if (source.Empty()) return;
    std::memcpy(target.ScanLine(0), source.ScanLine(0),
                source.Stride() * static_cast<size_t>(source.Height()));
}

// A composed picture's rows are checked every so many, so that a stop waits
// for a few rows only, whatever the frame's size.
constexpr int32_t kCancelRows = 32;

}  // namespace

AnimationComposer::AnimationComposer(const AnimationPlan& plan, uint16_t options,
                                     const platform::Bitmap& under)
    : plan_(plan), transparent_((options & doTransparent) != 0) {
    shown_.Assign(under);
    shown_.SetPixelFormat(platform::PixelFormat::Bit32);
    uint8_t disposals = plan.disposals;
    if ((options & doClearOnStart) != 0) disposals |= 1u << 2;
    const bool background = (disposals & (1u << 2)) != 0;
    const auto copy = [this](std::optional<platform::Bitmap>& picture) {
        picture.emplace(shown_.Width(), shown_.Height(), platform::PixelFormat::Bit32);
        CopyPixels(*picture, shown_);
    };
    if (background && transparent_) copy(backup_);
    if (background || (disposals & (1u << 3)) != 0) {
        copy(compose_);
        previous_.emplace(shown_.Width(), shown_.Height(), platform::PixelFormat::Bit32);
    }
}

platform::Color AnimationComposer::ColorAt(const platform::Bitmap& picture, int32_t x, int32_t y) {
    const uint32_t word = Words(picture, y)[x];
    return platform::MakeColor(static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 8),
                               static_cast<uint8_t>(word));
}

void AnimationComposer::DrawFrame(platform::Bitmap& target, const TGIFSubImage& frame,
                                  int16_t transparent, const std::atomic<bool>* cancel) {
    const platform::Rect bounds = frame.BoundsRect();
    const int32_t right = std::min(bounds.Right, target.Width());
    const int32_t bottom = std::min(bounds.Bottom, target.Height());
    if (frame.Empty() || right <= bounds.Left) return;
    colors_.fill(Word(platform::kBlack));
    const std::span<const TGIFColor> entries = frame.ActiveColorMap().Entries();
    for (size_t c = 0; c < entries.size() && c < colors_.size(); ++c)
        colors_[c] = Word(TripleToColor(entries[c]));
    const int32_t hole = transparent_ ? transparent : -1;
    const auto count = static_cast<size_t>(right - bounds.Left);
    for (int32_t y = bounds.Top; y < bottom; ++y) {
        if ((y - bounds.Top) % kCancelRows == 0 && cancel != nullptr && cancel->load()) return;
        const uint8_t* row = frame.ReadRow(y - bounds.Top, scratch_);
        uint32_t* out = Words(target, y) + bounds.Left;
        if (hole < 0) {
            for (size_t x = 0; x < count; ++x) out[x] = colors_[row[x]];
        } else {
            for (size_t x = 0; x < count; ++x) {
                if (row[x] != hole) out[x] = colors_[row[x]];
            }
        }
    }
}

void AnimationComposer::DoDispose(const platform::Rect& bounds) {
    platform::Bitmap& target = *compose_;
    const int32_t right = std::min(bounds.Right, target.Width());
    const int32_t bottom = std::min(bounds.Bottom, target.Height());
    if (right <= bounds.Left) return;
    const auto count = static_cast<size_t>(right - bounds.Left);
    const uint32_t fill = Word(plan_.background);
    for (int32_t y = bounds.Top; y < bottom; ++y) {
        uint32_t* out = Words(target, y) + bounds.Left;
        if (backup_) {
            std::memcpy(out, Words(*backup_, y) + bounds.Left, count * sizeof(uint32_t));
        } else {
            std::fill_n(out, count, fill);
        }
    }
}

void AnimationComposer::Paint(const TGIFImage& image, int32_t index, uint8_t disposal,
                              uint8_t previous_disposal, bool clear_first,
                              const std::atomic<bool>* cancel) {
    const TGIFSubImage& frame = *image.Images().SubImages(index);
    const int16_t transparent = plan_.transparent.at(static_cast<size_t>(index));
    if (!compose_) {
        DrawFrame(shown_, frame, transparent, cancel);
        return;
    }
    // The reserved methods leave the frame in place.
    if (disposal > 3) disposal = 1;
    if (previous_disposal > 3) previous_disposal = 1;
    platform::Bitmap* chosen = &*compose_;
    bool copy = true;
    if (disposal == 3 && previous_disposal <= 1) {
        // Drawn straight on what is shown: the composition keeps the picture
        // without it, and the next frame's copy takes it away.
        chosen = &shown_;
        copy = false;
    } else if (disposal == 3) {
        chosen = &*previous_;
    }
    if (clear_first) DoDispose(frame.BoundsRect());
    if (chosen == &*previous_) CopyPixels(*previous_, *compose_);
    DrawFrame(*chosen, frame, transparent, cancel);
    if (copy) CopyPixels(shown_, *chosen);
    if (disposal == 2) DoDispose(frame.BoundsRect());
}

}  // namespace gif
