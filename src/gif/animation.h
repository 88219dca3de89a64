// Playing an animated picture, apart from any thread or window: what the
// animation reads of the frames when it starts, the timeline that says what
// happens next and how long to wait (with the clock handed in, so that it is
// tested without waiting), and the composer that lays each frame over the
// ones before by their disposal methods, reading the frames' pixels where the
// picture keeps them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/types.h"

namespace gif {

class TGIFImage;
class TGIFSubImage;

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

// What an animation reads of the picture when it starts; the pixels and
// colours are read as each frame is composed.
struct AnimationPlan {
    std::vector<FrameTiming> timings;
    // Each frame's transparent index, -1 for an opaque frame.
    std::vector<int16_t> transparent;
    // Bit n set when a graphic control extension of some frame asks for
    // disposal method n.
    uint8_t disposals = 0;
    // What a frame disposed to the background leaves when the picture is
    // drawn opaque: DrawBackgroundColor (a system colour resolved), else the
    // file's background colour, else the system's window colour.
    platform::Color background = platform::kWhite;
};

AnimationPlan PlanAnimation(const TGIFImage& image);

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

// Lays the frames over one another as the animation shows them, on 32-bit
// bitmaps of the logical screen's size (a word 0xXXRRGGBB a pixel, what
// screens take as it is) that start as `under` (what lies beneath the
// picture).
class AnimationComposer {
public:
    // `plan` must outlive the composer.
    AnimationComposer(const AnimationPlan& plan, uint16_t options, const platform::Bitmap& under);

    // Paints frame `index` of `image` with the timeline's disposal methods;
    // `clear_first` when the animation clears on start and this is frame 0.
    // When `cancel` is set part-way, it stops where it is: the animation is
    // over.
    void Paint(const TGIFImage& image, int32_t index, uint8_t disposal, uint8_t previous_disposal,
               bool clear_first, const std::atomic<bool>* cancel = nullptr);
    // The picture as shown after the last paint.
    const platform::Bitmap& Shown() const { return shown_; }
    // The pictures kept only when a frame may be disposed or restored: the
    // composition, the picture before a frame that restores it, and what lay
    // under the picture.
    const platform::Bitmap* ComposeBitmap() const { return compose_ ? &*compose_ : nullptr; }
    const platform::Bitmap* PreviousBitmap() const { return previous_ ? &*previous_ : nullptr; }
    const platform::Bitmap* BackupBitmap() const { return backup_ ? &*backup_ : nullptr; }

    // The colour of a pixel of a composed picture.
    static platform::Color ColorAt(const platform::Bitmap& picture, int32_t x, int32_t y);

private:
    void DrawFrame(platform::Bitmap& target, const TGIFSubImage& frame, int16_t transparent,
                   const std::atomic<bool>* cancel);
    // The frame's place on the composition gets back what was under the
    // picture, or the background colour when it is drawn opaque.
    void DoDispose(const platform::Rect& bounds);

    const AnimationPlan& plan_;
    bool transparent_;
    platform::Bitmap shown_;
    std::optional<platform::Bitmap> compose_;
    std::optional<platform::Bitmap> previous_;
    std::optional<platform::Bitmap> backup_;
    std::array<uint32_t, 256> colors_{};
    std::vector<uint8_t> scratch_;
};

}  // namespace gif
