// Plays an animated GIF picture. The frames are copied when the painter is
// made, so the picture may change or go while it plays; a thread of its own
// waits the delays and composes each frame, and hands the composed picture
// and the events to the user-interface thread, where they are acted on only
// while the painter has not been stopped. The owner stops the painter (or
// destroys it) before the picture or the place it is shown changes.
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>

#include "gif/animation.h"
#include "gif/gif_image.h"
#include "platform/ui/thread.h"

namespace components {

class TGIFPainter {
public:
    using ShowEvent = std::function<void(QImage)>;
    using NotifyEvent = std::function<void(TGIFPainter& sender)>;

    // Whether `image` is shown by a painter: more than one frame and
    // doAnimate among its options.
    static bool Animates(const gif::TGIFImage& image);

    // `under` is what the picture's transparent places show; `show` gets each
    // composed picture (of the logical screen's size) in the user-interface
    // thread. The picture's options, speed and events are copied now.
    TGIFPainter(const gif::TGIFImage& image, platform::Color under, ShowEvent show);
    ~TGIFPainter();
    TGIFPainter(const TGIFPainter&) = delete;
    TGIFPainter& operator=(const TGIFPainter&) = delete;

    void Start();
    // Nothing more is shown or raised once this returns; OnAnimationEnd is
    // raised only by an animation that ends by itself.
    void Stop();
    bool Stopped() const { return thread_->Stopped(); }
    // The frame last shown, -1 before the first.
    int32_t ActiveImage() const { return shown_frame_; }
    // Waits at most `limit` for the animation's thread to end.
    bool Join(std::chrono::milliseconds limit) { return thread_->Join(limit); }

    NotifyEvent OnAnimationStart;
    NotifyEvent OnBeforeFrame;
    NotifyEvent OnAfterFrame;
    NotifyEvent OnAnimationLoop;
    NotifyEvent OnAnimationEnd;

private:
    struct Shared;
    // The worker: it reaches the painter only through calls queued to the
    // user-interface thread, which run only while the painter lives.
    static void Run(platform::ui::ThreadContext& context, const std::shared_ptr<Shared>& shared,
                    TGIFPainter* painter);
    void Raise(gif::AnimationAction action, int32_t frame);
    // The event an action raises; none for the actions that raise none.
    const NotifyEvent* EventFor(gif::AnimationAction action) const;
    void ShowPending();

    std::shared_ptr<Shared> shared_;
    std::unique_ptr<platform::ui::Thread> thread_;
    int32_t shown_frame_ = -1;
};

}  // namespace components
