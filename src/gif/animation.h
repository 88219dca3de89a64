// Playing an animated picture, apart from any thread or window: a copy of the
// frames taken once, the timeline that says what happens next and how long to
// wait (with the clock handed in, so that it is tested without waiting), and
// the composer that lays each frame over the ones before by their disposal
// methods.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/types.h"

namespace gif {

class TGIFImage;

// What the timeline needs of a frame.
struct FrameTiming {
    // No pixels: it ends the pass it is met in.
    bool empty = false;
    // The frame's own delay in hundredths of a second, 0 when it gives none.
    uint16_t delay = 0;
    // The method of the last graphic control extension among its extensions,
    // 1 (leave in place) when there is none.
    uint8_t disposal = 1;
    // The repeat count of the first loop extension among its extensions.
    std::optional<uint16_t> loops;
};

// One frame copied out of the picture.
struct AnimationFrame {
    FrameTiming timing;
    platform::Rect bounds;
    // bounds' width x height indices, row after row; none for an empty frame.
    std::vector<uint8_t> indices;
    // 256 colours as ComposedPicture words, the table's own followed by
    // black.
    std::vector<uint32_t> colors;
    // The transparent index, or -1.
    int16_t transparent = -1;
};

// The frames of a picture as they were when the animation started: the
// picture may change or go while it plays.
struct AnimationSnapshot {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<AnimationFrame> frames;
    // Bit n set when a graphic control extension of some frame asks for
    // disposal method n.
    uint8_t disposals = 0;
    // What a frame disposed to the background leaves when the picture is
    // drawn opaque.
    platform::Color background = platform::kWhite;

    std::vector<FrameTiming> Timings() const;
};

// The copy of `image`'s frames; `window` is the colour used when neither the
// picture's options nor its file give a background.
AnimationSnapshot TakeSnapshot(const TGIFImage& image, platform::Color window);

enum class AnimationAction : uint8_t {
    Start,        // OnAnimationStart
    Wait,         // wait `wait_ms` before the frame (kWaitForever: until stopped)
    BeforeFrame,  // OnBeforeFrame
    Paint,        // paint `frame` with Disposal() and PreviousDisposal()
    AfterFrame,   // OnAfterFrame; SetActiveImage may then jump
    Loop,         // OnAnimationLoop
    End,          // OnAnimationEnd
    Done,         // nothing more, ever
};

struct AnimationStep {
    AnimationAction action = AnimationAction::Done;
    int32_t frame = -1;
    int64_t wait_ms = 0;
};

constexpr int64_t kWaitForever = -1;
// A delay unit of the file (a hundredth) is waited this many milliseconds.
constexpr int32_t kMsPerDelayUnit = 12;

// The order of an animation's events, frames and waits, and its timing.
class AnimationTimeline {
public:
    // Milliseconds of a steady clock.
    using Clock = std::function<int64_t()>;

    AnimationTimeline(std::vector<FrameTiming> frames, uint16_t options, int32_t speed,
                      bool threaded, Clock clock);

    // The next thing to do. After Stop, or once the animation has ended,
    // always Done.
    AnimationStep Next();
    // The last wait was cut short; the next one is counted from now.
    void Woken();
    void Stop() { stopped_ = true; }
    bool Stopped() const { return stopped_; }

    // The frame shown, -1 before the start and after the end.
    int32_t ActiveImage() const { return active_; }
    // Called from OnAfterFrame: the pass goes on at `frame` instead of the
    // next one; outside the frames, it ends.
    void SetActiveImage(int32_t frame) { active_ = frame; }
    uint8_t Disposal() const { return disposal_; }
    uint8_t PreviousDisposal() const { return previous_disposal_; }
    int32_t LoopCount() const { return loops_; }

    // The delay of a frame, in units, as this painter waits it.
    uint16_t FrameDelay(const FrameTiming& frame) const;

private:
    enum class Phase : uint8_t {
        Begin,
        Started,
        PassCheck,
        FrameCheck,
        Before,
        Paint,
        Painted,
        Advance,
        PassEnd,
        End,
        Done
    };
    int64_t PlanWait();

    std::vector<FrameTiming> frames_;
    uint16_t options_;
    int32_t speed_;
    bool threaded_;
    Clock clock_;
    bool stopped_ = false;
    Phase phase_ = Phase::Begin;
    int32_t active_ = -1;
    int32_t remembered_ = -1;
    uint8_t disposal_ = 1;
    uint8_t previous_disposal_ = 1;
    bool painted_ = false;
    bool pass_painted_ = false;
    int32_t loops_ = 1;
    int32_t loop_point_ = 0;
    bool loop_seen_ = false;
    int32_t delay_ = 0;
    int64_t timing_point_ = 0;
    int64_t planned_ = 0;
};

// A picture of the logical screen's size, a 32-bit word 0xFFRRGGBB a pixel
// (what screens take without conversion), rows without padding.
struct ComposedPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    ComposedPicture() = default;
    ComposedPicture(int32_t w, int32_t h, platform::Color color);
    static uint32_t Word(platform::Color color) {
        return 0xFF000000u | static_cast<uint32_t>(platform::RedOf(color)) << 16 |
               static_cast<uint32_t>(platform::GreenOf(color)) << 8 | platform::BlueOf(color);
    }
    uint32_t* Row(int32_t y) { return &pixels[static_cast<size_t>(y) * static_cast<size_t>(width)]; }
    const uint32_t* Row(int32_t y) const {
        return &pixels[static_cast<size_t>(y) * static_cast<size_t>(width)];
    }
    platform::Color ColorAt(int32_t x, int32_t y) const {
        const uint32_t word = Row(y)[x];
        return platform::MakeColor(static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 8),
                                   static_cast<uint8_t>(word));
    }
};

// Lays the frames over one another as the animation shows them, on a bitmap
// of the logical screen's size that starts as `under` (what lies beneath the
// picture).
class AnimationComposer {
public:
    AnimationComposer(const AnimationSnapshot& snapshot, uint16_t options, ComposedPicture under);

    // Paints frame `index` with the timeline's disposal methods;
    // `clear_first` when the animation clears on start and this is frame 0.
    void Paint(int32_t index, uint8_t disposal, uint8_t previous_disposal, bool clear_first);
    // The picture as shown after the last paint.
    const ComposedPicture& Shown() const { return shown_; }

private:
    void DrawFrame(ComposedPicture& target, const AnimationFrame& frame) const;
    void Dispose(const AnimationFrame& frame);

    const AnimationSnapshot& snapshot_;
    bool transparent_;
    ComposedPicture shown_;
    // Kept only when a frame may be disposed or restored.
    std::optional<ComposedPicture> compose_;
    std::optional<ComposedPicture> previous_;
    std::optional<ComposedPicture> backup_;
};

}  // namespace gif
