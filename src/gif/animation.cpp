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

std::vector<FrameTiming> AnimationSnapshot::Timings() const {
    std::vector<FrameTiming> timings;
    timings.reserve(frames.size());
    for (const AnimationFrame& frame : frames) timings.push_back(frame.timing);
    return timings;
}

AnimationSnapshot TakeSnapshot(const TGIFImage& image, platform::Color window) {
    AnimationSnapshot snapshot;
    snapshot.width = image.Width();
    snapshot.height = image.Height();
    const TGIFImageList& images = image.Images();
    snapshot.frames.reserve(static_cast<size_t>(images.Count()));
    std::vector<uint8_t> scratch;
    for (int32_t i = 0; i < images.Count(); ++i) {
        const TGIFSubImage& source = *images.SubImages(i);
        AnimationFrame frame;
        frame.bounds = source.BoundsRect();
        frame.timing.empty = source.Empty();
        if (const TGIFGraphicControlExtension* own = source.GraphicControlExtension()) {
            frame.timing.delay = own->Delay();
            if (own->Transparent()) frame.transparent = own->TransparentColorIndex();
        }
        const TGIFExtensionList& extensions = source.Extensions();
        for (int32_t e = 0; e < extensions.Count(); ++e) {
            const TGIFExtension* extension = extensions.Extensions(e);
            if (const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(extension)) {
                frame.timing.disposal = control->Disposal();
                snapshot.disposals |= static_cast<uint8_t>(1u << control->Disposal());
            } else if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension)) {
                if (!frame.timing.loops) frame.timing.loops = loop->Loops;
            }
        }
        frame.colors.assign(256, ComposedPicture::Word(platform::kBlack));
        const std::span<const TGIFColor> entries = source.ActiveColorMap().Entries();
        for (size_t c = 0; c < entries.size() && c < 256; ++c)
            frame.colors[c] = ComposedPicture::Word(TripleToColor(entries[c]));
        if (!frame.timing.empty) {
            const size_t width = source.Width();
            frame.indices.resize(width * source.Height());
            for (int32_t y = 0; y < source.Height(); ++y) {
                const uint8_t* row = source.ReadRow(y, scratch);
                std::memcpy(&frame.indices[static_cast<size_t>(y) * width], row, width);
            }
        }
        snapshot.frames.push_back(std::move(frame));
    }
    const platform::Color chosen = image.DrawBackgroundColor();
    const TGIFGlobalColorMap& global = image.Header().ColorMap();
    if (chosen != kColorNone && (chosen & platform::kSystemColorFlag) == 0) {
        snapshot.background = chosen;
    } else if (global.Count() > 0) {
        const uint8_t index = image.Header().BackgroundColorIndex();
        snapshot.background =
            index < global.Count() ? TripleToColor(global.Entries()[index]) : platform::kBlack;
    } else {
        snapshot.background = window;
    }
    return snapshot;
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
    int64_t wait = 0;
    if (speed_ > 0) {
        const int64_t elapsed = now - timing_point_;
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
    } else {
        // Speed 0 holds the frame until the painter is stopped; a negative
        // speed shows the frames without waiting.
        wait = speed_ == 0 ? kWaitForever : 0;
    }
    timing_point_ = now;
    if (wait == kWaitForever) return wait;
    if (!threaded_) return std::max<int64_t>(wait, 1);
    return std::max<int64_t>(wait, 0);
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

ComposedPicture::ComposedPicture(int32_t w, int32_t h, platform::Color color)
    : width(std::max(w, 0)),
      height(std::max(h, 0)),
      pixels(static_cast<size_t>(width) * static_cast<size_t>(height), Word(color)) {}

AnimationComposer::AnimationComposer(const AnimationSnapshot& snapshot, uint16_t options,
                                     ComposedPicture under)
    : snapshot_(snapshot), transparent_((options & doTransparent) != 0) {
    uint8_t disposals = snapshot.disposals;
    if ((options & doClearOnStart) != 0) disposals |= 1u << 2;
    const bool background = (disposals & (1u << 2)) != 0;
    if (background && transparent_) backup_ = under;
    if (background || (disposals & (1u << 3)) != 0) {
        compose_ = under;
        previous_.emplace();
    }
    shown_ = std::move(under);
}

void AnimationComposer::DrawFrame(ComposedPicture& target, const AnimationFrame& frame) const {
    const int32_t width = frame.bounds.Width();
    const int32_t right = std::min(frame.bounds.Right, target.width);
    const int32_t bottom = std::min(frame.bounds.Bottom, target.height);
    if (frame.indices.empty() || right <= frame.bounds.Left) return;
    const int32_t hole = transparent_ ? frame.transparent : -1;
    const size_t count = static_cast<size_t>(right - frame.bounds.Left);
    for (int32_t y = frame.bounds.Top; y < bottom; ++y) {
        const uint8_t* row =
            &frame.indices[static_cast<size_t>(y - frame.bounds.Top) * static_cast<size_t>(width)];
        uint32_t* out = target.Row(y) + frame.bounds.Left;
        if (hole < 0) {
            for (size_t x = 0; x < count; ++x) out[x] = frame.colors[row[x]];
        } else {
            for (size_t x = 0; x < count; ++x) {
                if (row[x] != hole) out[x] = frame.colors[row[x]];
            }
        }
    }
}

void AnimationComposer::Dispose(const AnimationFrame& frame) {
    ComposedPicture& target = *compose_;
    const int32_t right = std::min(frame.bounds.Right, target.width);
    const int32_t bottom = std::min(frame.bounds.Bottom, target.height);
    if (right <= frame.bounds.Left) return;
    const size_t count = static_cast<size_t>(right - frame.bounds.Left);
    const uint32_t fill = ComposedPicture::Word(snapshot_.background);
    for (int32_t y = frame.bounds.Top; y < bottom; ++y) {
        uint32_t* out = target.Row(y) + frame.bounds.Left;
        if (backup_) {
            std::memcpy(out, backup_->Row(y) + frame.bounds.Left, count * sizeof(uint32_t));
        } else {
            std::fill_n(out, count, fill);
        }
    }
}

void AnimationComposer::Paint(int32_t index, uint8_t disposal, uint8_t previous_disposal,
                              bool clear_first) {
    const AnimationFrame& frame = snapshot_.frames.at(static_cast<size_t>(index));
    if (!compose_) {
        DrawFrame(shown_, frame);
        return;
    }
    // The reserved methods leave the frame in place.
    if (disposal > 3) disposal = 1;
    if (previous_disposal > 3) previous_disposal = 1;
    ComposedPicture* chosen = &*compose_;
    bool copy = true;
    if (disposal == 3 && previous_disposal <= 1) {
        // Drawn straight on what is shown: the composition keeps the picture
        // without it, and the next frame's copy takes it away.
        chosen = &shown_;
        copy = false;
    } else if (disposal == 3) {
        chosen = &*previous_;
    }
    if (clear_first) Dispose(frame);
    if (chosen == &*previous_) *previous_ = *compose_;
    DrawFrame(*chosen, frame);
    if (copy) shown_.pixels = chosen->pixels;
    if (disposal == 2) Dispose(frame);
}

}  // namespace gif
