// The animation painter: how a GIF picture of several frames draws itself on
// a screen. A painter shows the frames one after the other with the delays,
// disposal methods and loop count of the file, and raises five events on the
// way. Threaded (doThreaded), a thread of its own waits the delays and
// composes each frame, and the user-interface thread only copies the composed
// picture onto the canvas and runs the events, while the worker waits for it;
// otherwise the whole animation runs in the user-interface thread on its
// timers (platform::Timers; without a timer service it stays on its first
// frame until stopped).
//
// A painter reads the frames where the picture keeps them: the picture stops
// its painters before any change of its frames, a painter makes the frames'
// indices whole before it starts (so that reading them never moves them), and
// once Stop has returned it reads them no more.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>

#include "gif/animation.h"
#include "gif/gif_image.h"
#include "platform/core/thread.h"
#include "platform/core/timer.h"
#include "platform/graphics/canvas.h"

namespace gif {

class TGIFPainter : public std::enable_shared_from_this<TGIFPainter> {
public:
    using NotifyEvent = PainterEvent;

    // A painter of `image` on `canvas` within `rect` (which stands for the
    // logical screen), not started. The picture's speed and background, the
    // frames' timings and disposal methods, and what lies on the canvas under
    // `rect` are read now. From the user-interface thread, as everything here
    // but the worker's own work.
    TGIFPainter(TGIFImage& image, platform::Canvas& canvas, const platform::Rect& rect,
                uint16_t options);
    // A new painter, and the variable `painter_ref` refers to it until it ends.
    static std::shared_ptr<TGIFPainter> CreateRef(TGIFPainter** painter_ref, TGIFImage& image,
                                                  platform::Canvas& canvas,
                                                  const platform::Rect& rect, uint16_t options);
    ~TGIFPainter();
    TGIFPainter(const TGIFPainter&) = delete;
    TGIFPainter& operator=(const TGIFPainter&) = delete;

    // Runs the animation: the worker starts, or the first steps run now.
    void Start();
    // Asks the animation to end; it ends at its next step, raising nothing
    // more (not OnAnimationEnd). Once this returns the frames are read no
    // more; a painter that was never started, or does not run in a thread,
    // has ended when this returns.
    void Stop();

    // The picture shown; none once the painter has ended.
    TGIFImage* Image() const { return image_; }
    platform::Canvas* Canvas() const { return canvas_; }
    const platform::Rect& Rect() const { return rect_; }
    uint16_t DrawOptions() const { return options_; }
    int32_t AnimationSpeed() const { return speed_; }
    bool Threaded() const { return (options_ & doThreaded) != 0; }
    // Paints on `canvas`, which has not gone.
    bool PaintsOn(const platform::Canvas& canvas) const;

    // The frame shown, -1 before the start and after the end. OnAfterFrame
    // may set it: the animation goes on at that frame.
    int32_t ActiveImage() const;
    void SetActiveImage(int32_t frame);
    // The disposal methods of the frame last painted and of the one before.
    uint8_t Disposal() const;
    uint8_t PreviousDisposal() const;
    // A frame has been painted since the animation started.
    bool Painted() const { return painted_; }
    bool Terminated() const { return terminated_; }
    // DoTerminate has run: the painter has left its picture's list.
    bool Ended() const { return ended_; }
    // The failure that ended the animation, none when none did.
    std::exception_ptr KeptException() const;

    // The composition's pictures (see AnimationComposer), to be read from an
    // event's handler only: the worker changes them otherwise.
    const platform::Bitmap* ComposeBitmap() const;
    const platform::Bitmap* PreviousBitmap() const;
    const platform::Bitmap* BackupBitmap() const;
    // What a threaded painter waits on between frames: Stop sets it. None for
    // a painter that never waits (not threaded, not animated, one frame, a
    // negative speed).
    platform::Event* WakeEvent() const;
    // The thread of a threaded painter, none otherwise.
    platform::Thread* PainterThread() const { return thread_.get(); }
    // The variable that refers to this painter, none when none does.
    TGIFPainter** PainterRef() const { return painter_ref_; }

    // Copied from the picture by StartPainter; the sender is the painter.
    NotifyEvent OnAnimationStart;
    NotifyEvent OnBeforeFrame;
    NotifyEvent OnAfterFrame;
    NotifyEvent OnAnimationLoop;
    NotifyEvent OnAnimationEnd;

private:
    friend class TGIFImage;
    class Work;
    // What the animation asks of the user-interface thread.
    enum class Request : uint8_t { Paint, Start, BeforeFrame, AfterFrame, Loop, End };

    // Runs `request` in the user-interface thread, unless terminated.
    void Run(Request request);
    // The composed picture onto the canvas, frame by frame: the whole
    // composition (DoPaint) or only the frame's place, drawn over what the
    // canvas shows (DoPaintFrame, when the frames are not composed).
    void DoPaint();
    void DoPaintFrame();
    // The part `area` of the composed picture (in the logical screen's
    // pixels) onto the canvas within Rect, stretched or tiled.
    void CopyShown(const platform::Rect& area);
    void DoFireEvent();
    const NotifyEvent& EventOf(Request request) const;
    // The steps of an animation that runs in the user-interface thread, up
    // to its next wait.
    void Step();
    // The painter's end: it leaves its picture's list, frees its pictures and
    // reports a kept exception once.
    void DoTerminate();
    // Left to end by itself: its worker is not waited for any more.
    void Abandon();

    TGIFImage* image_;
    platform::Canvas* canvas_;
    std::weak_ptr<const void> canvas_alive_;
    platform::Rect rect_;
    uint16_t options_;
    int32_t speed_;
    bool painted_ = false;
    bool terminated_ = false;
    bool started_ = false;
    bool ended_ = false;
    // An unthreaded painter's steps are running.
    bool stepping_ = false;
    TGIFPainter** painter_ref_ = nullptr;
    NotifyEvent PendingEvent;
    // Taken from the work when the painter ends.
    std::exception_ptr kept_;
    std::shared_ptr<Work> work_;
    std::unique_ptr<platform::Thread> thread_;
    std::unique_ptr<platform::Timer> timer_;
};

}  // namespace gif
