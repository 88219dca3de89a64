#include "gif/gif_painter.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

namespace gif {

namespace {

// How long the user-interface thread waits for painters (to end, or for the
// first frame) before it leaves them to end by themselves. Painters end at
// once when stopped: this bounds only a machine that stalls.
constexpr std::chrono::milliseconds kStopLimit = platform::Thread::kJoinLimit;
// While it waits, it runs the painters' calls, sleeping this long at most when
// none comes.
constexpr int64_t kServiceSlice = 10;

int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What lies on `canvas` under `rect`, brought to `width` x `height`.
platform::Bitmap Under(const platform::Canvas& canvas, const platform::Rect& rect, int32_t width,
                       int32_t height) {
    platform::Bitmap under(width, height, platform::PixelFormat::Bit32);
    platform::Canvas(under).CopyRect({0, 0, width, height}, canvas.Target(), rect);
    return under;
}

}  // namespace

// ---- The worker's side

// What the animation's steps use, shared by the painter and its worker: the
// worker keeps it while it runs, whatever becomes of the painter.
class TGIFPainter::Work {
public:
    Work(const TGIFImage& image, uint16_t options, int32_t speed, const platform::Bitmap& under,
         AnimationTimeline::Clock clock)
        : plan_(PlanAnimation(image)),
          options_(options),
          timeline_(plan_.timings, options, speed, (options & doThreaded) != 0, std::move(clock)),
          composer_(plan_, options, under),
          source_(&image) {}

    // The animation's steps up to its next wait: how many milliseconds to
    // wait (kWaitForever: until stopped), none once it is over.
    std::optional<int64_t> Execute();
    // A threaded painter's worker: the thread's side it hands its requests
    // over through, while it runs.
    void SetContext(platform::Thread::Context* context) { context_ = context; }
    // Once this returns, the frames are read no more.
    void Stop();
    void Keep(std::exception_ptr error);
    std::exception_ptr Kept();
    std::exception_ptr TakeKept();

    const AnimationComposer& Composer() const { return composer_; }
    void Woken() { timeline_.Woken(); }

    std::optional<platform::Event> wake_event;
    std::atomic<int32_t> active_image{-1};
    std::atomic<uint8_t> disposal{1};
    std::atomic<uint8_t> previous_disposal{1};
    // The requests whose event has a handler, fixed when the painter starts.
    uint32_t events = 0;
    // Set when the painter starts, before the worker runs.
    std::weak_ptr<TGIFPainter> painter;

private:
    // Runs `request` in the user-interface thread: handed over by a worker,
    // called straight from the user-interface thread's own steps.
    void DoSynchronize(Request request);
    void DoEvent(Request request);
    // Composes `frame`; false once the frames may no longer be read.
    bool Compose(int32_t frame);

    const AnimationPlan plan_;
    const uint16_t options_;
    platform::Thread::Context* context_ = nullptr;
    AnimationTimeline timeline_;
    AnimationComposer composer_;
    int32_t composed_ = -1;
    std::atomic<bool> stopping_{false};
    // Held while a frame is composed: once Stop has had it, nothing reads the
    // frames.
    std::mutex source_mutex_;
    const TGIFImage* source_;
    std::exception_ptr kept_;
};

std::optional<int64_t> TGIFPainter::Work::Execute() {
    for (;;) {
        if (stopping_.load()) timeline_.Stop();
        const AnimationStep step = timeline_.Next();
        switch (step.action) {
            case AnimationAction::Done:
                return std::nullopt;
            case AnimationAction::Wait:
                // Composed before its wait, so that the work overlaps the delay.
                if (!Compose(step.frame)) break;
                if (step.wait_ms != 0) return step.wait_ms;
                std::this_thread::yield();
                break;
            case AnimationAction::Paint:
                if (composed_ != step.frame && !Compose(step.frame)) break;
                composed_ = -1;
                active_image.store(step.frame);
                disposal.store(timeline_.Disposal());
                previous_disposal.store(timeline_.PreviousDisposal());
                DoSynchronize(Request::Paint);
                break;
            case AnimationAction::AfterFrame: {
                DoEvent(Request::AfterFrame);
                // The handler may have chosen the next frame.
                const int32_t chosen = active_image.load();
                if (chosen != timeline_.ActiveImage()) timeline_.SetActiveImage(chosen);
                break;
            }
            case AnimationAction::Start:
                DoEvent(Request::Start);
                break;
            case AnimationAction::BeforeFrame:
                DoEvent(Request::BeforeFrame);
                break;
            case AnimationAction::Loop:
                DoEvent(Request::Loop);
                break;
            case AnimationAction::End:
                DoEvent(Request::End);
                break;
        }
    }
}

void TGIFPainter::Work::DoSynchronize(Request request) {
    if (context_ == nullptr) {
        if (const std::shared_ptr<TGIFPainter> alive = painter.lock()) alive->Run(request);
        return;
    }
    context_->Synchronize([target = painter, request] {
        if (const std::shared_ptr<TGIFPainter> alive = target.lock()) alive->Run(request);
    });
}

void TGIFPainter::Work::DoEvent(Request request) {
    active_image.store(timeline_.ActiveImage());
    if ((events & (1u << static_cast<uint32_t>(request))) != 0) DoSynchronize(request);
}

bool TGIFPainter::Work::Compose(int32_t frame) {
    const std::lock_guard lock(source_mutex_);
    if (source_ == nullptr || stopping_.load()) {
        timeline_.Stop();
        return false;
    }
    composer_.Paint(*source_, frame, plan_.timings[static_cast<size_t>(frame)].disposal,
                    timeline_.PreviousDisposal(), (options_ & doClearOnStart) != 0 && frame == 0,
                    &stopping_);
    composed_ = frame;
    return true;
}

void TGIFPainter::Work::Stop() {
    stopping_.store(true);
    if (wake_event) wake_event->Set();
    const std::lock_guard lock(source_mutex_);
    source_ = nullptr;
}

void TGIFPainter::Work::Keep(std::exception_ptr error) {
    const std::lock_guard lock(source_mutex_);
    kept_ = std::move(error);
}

std::exception_ptr TGIFPainter::Work::Kept() {
    const std::lock_guard lock(source_mutex_);
    return kept_;
}

std::exception_ptr TGIFPainter::Work::TakeKept() {
    const std::lock_guard lock(source_mutex_);
    return std::move(kept_);
}

// ---- The painter

TGIFPainter::TGIFPainter(TGIFImage& image, platform::Canvas& canvas, const platform::Rect& rect,
                         uint16_t options)
    : image_(&image),
      canvas_(&canvas),
      canvas_alive_(canvas.Alive()),
      rect_(rect),
      options_(options),
      speed_(image.AnimationSpeed()) {
    AnimationTimeline::Clock clock;
    if (Threaded()) {
        clock = [start = SteadyMilliseconds()] { return SteadyMilliseconds() - start; };
    } else if (platform::TimerService* timers = platform::Timers()) {
        clock = [timers] { return timers->Now(); };
    } else {
        clock = SteadyMilliseconds;
    }
    work_ = std::make_shared<Work>(image, options, speed_,
                                   Under(canvas, rect, image.Width(), image.Height()),
                                   std::move(clock));
    if (!Threaded()) return;
    // Every wait of a worker can be cut short by a stop.
    work_->wake_event.emplace();
    thread_ =
        std::make_unique<platform::Thread>([work = work_](platform::Thread::Context& context) {
            work->SetContext(&context);
            std::exception_ptr failure;
            try {
                for (std::optional<int64_t> wait; (wait = work->Execute());) {
                    if (work->wake_event->Wait(*wait)) work->Woken();
                }
            } catch (...) {
                failure = std::current_exception();
            }
            // Kept once the worker has let go of it: the user-interface thread
            // takes it from there.
            if (failure) work->Keep(std::move(failure));
        });
}

std::shared_ptr<TGIFPainter> TGIFPainter::CreateRef(TGIFPainter** painter_ref, TGIFImage& image,
                                                    platform::Canvas& canvas,
                                                    const platform::Rect& rect, uint16_t options) {
    auto painter = std::make_shared<TGIFPainter>(image, canvas, rect, options);
    painter->painter_ref_ = painter_ref;
    if (painter_ref != nullptr) *painter_ref = painter.get();
    return painter;
}

TGIFPainter::~TGIFPainter() {
    // The worker, if it still runs, keeps what it uses; the thread object's
    // end waits for it a bounded time.
    if (work_) work_->Stop();
    if (thread_) thread_->Stop();
}

bool TGIFPainter::PaintsOn(const platform::Canvas& canvas) const {
    return canvas_ == &canvas && !canvas_alive_.expired();
}

int32_t TGIFPainter::ActiveImage() const {
    return work_ ? work_->active_image.load() : -1;
}

void TGIFPainter::SetActiveImage(int32_t frame) {
    if (work_) work_->active_image.store(frame);
}

uint8_t TGIFPainter::Disposal() const {
    return work_ ? work_->disposal.load() : 1;
}

uint8_t TGIFPainter::PreviousDisposal() const {
    return work_ ? work_->previous_disposal.load() : 1;
}

std::exception_ptr TGIFPainter::KeptException() const {
    return work_ ? work_->Kept() : kept_;
}

const platform::Bitmap* TGIFPainter::ComposeBitmap() const {
    return work_ ? work_->Composer().ComposeBitmap() : nullptr;
}

const platform::Bitmap* TGIFPainter::PreviousBitmap() const {
    return work_ ? work_->Composer().PreviousBitmap() : nullptr;
}

const platform::Bitmap* TGIFPainter::BackupBitmap() const {
    return work_ ? work_->Composer().BackupBitmap() : nullptr;
}

platform::Event* TGIFPainter::WakeEvent() const {
    return work_ && work_->wake_event ? &*work_->wake_event : nullptr;
}

void TGIFPainter::Start() {
    if (started_ || terminated_) return;
    started_ = true;
    work_->painter = weak_from_this();
    for (const Request request :
         {Request::Start, Request::BeforeFrame, Request::AfterFrame, Request::Loop, Request::End}) {
        if (EventOf(request)) work_->events |= 1u << static_cast<uint32_t>(request);
    }
    if (!thread_) {
        Step();
        return;
    }
    thread_->OnTerminate = [painter = weak_from_this()] {
        if (const std::shared_ptr<TGIFPainter> alive = painter.lock()) alive->DoTerminate();
    };
    thread_->Start();
}

void TGIFPainter::Stop() {
    terminated_ = true;
    if (work_) work_->Stop();
    if (thread_) {
        thread_->Stop();
        thread_->SetPriority(platform::ThreadPriority::Normal);
    }
    if (timer_) timer_->Cancel();
    // Nothing runs that would end it later.
    if (!started_ || !thread_) DoTerminate();
}

void TGIFPainter::Step() {
    if (terminated_) return;
    // The steps may end the painter and drop what it holds.
    const std::shared_ptr<TGIFPainter> self = shared_from_this();
    const std::shared_ptr<Work> work = work_;
    std::optional<int64_t> wait;
    try {
        wait = work->Execute();
    } catch (...) {
        work->Keep(std::current_exception());
    }
    if (ended_) return;
    if (wait && !terminated_) {
        if (!timer_) {
            if (platform::TimerService* timers = platform::Timers()) timer_ = timers->NewTimer();
        }
        if (timer_) {
            timer_->Start(*wait, [painter = weak_from_this()] {
                if (const std::shared_ptr<TGIFPainter> alive = painter.lock()) alive->Step();
            });
        }
        return;
    }
    DoTerminate();
}

void TGIFPainter::Run(Request request) {
    if (terminated_) return;
    if (request == Request::Paint) {
        if (work_->Composer().ComposeBitmap() != nullptr) {
            DoPaint();
        } else {
            DoPaintFrame();
        }
        return;
    }
    PendingEvent = EventOf(request);
    struct Clear {
        NotifyEvent& event;
        ~Clear() { event = nullptr; }
    } clear{PendingEvent};
    DoFireEvent();
}

const TGIFPainter::NotifyEvent& TGIFPainter::EventOf(Request request) const {
    switch (request) {
        case Request::Start:
            return OnAnimationStart;
        case Request::BeforeFrame:
            return OnBeforeFrame;
        case Request::AfterFrame:
            return OnAfterFrame;
        case Request::Loop:
            return OnAnimationLoop;
        case Request::End:
        case Request::Paint:
            break;
    }
    return OnAnimationEnd;
}

void TGIFPainter::DoFireEvent() {
    if (PendingEvent) PendingEvent(*this);
}

void TGIFPainter::DoPaint() {
    // A canvas that went, or (when asked) one that is not on a screen, ends
    // the animation quietly.
    if (canvas_alive_.expired() || ((options_ & doValidateCanvas) != 0 && !canvas_->OnScreen())) {
        Stop();
        return;
    }
    const platform::Bitmap& shown = work_->Composer().Shown();
    CopyShown({0, 0, shown.Width(), shown.Height()});
    painted_ = true;
}

void TGIFPainter::DoPaintFrame() {
    if (canvas_alive_.expired() || image_ == nullptr) {
        Stop();
        return;
    }
    CopyShown(image_->Images().SubImages(work_->active_image.load())->BoundsRect());
    painted_ = true;
}

void TGIFPainter::CopyShown(const platform::Rect& area) {
    const platform::Bitmap& shown = work_->Composer().Shown();
    const int32_t width = shown.Width();
    const int32_t height = shown.Height();
    const platform::Rect part = platform::Intersect(area, {0, 0, width, height});
    if (part.IsEmpty()) return;
    if ((options_ & doTile) == 0) {
        canvas_->CopyRect(ScaleRect(part, rect_, width, height), shown, part);
    } else {
        // Copies of the screen at its own size from Rect's corner, within
        // Rect and the canvas's clip.
        const platform::Rect within = platform::Intersect(rect_, canvas_->ClipRect());
        for (int64_t x = rect_.Left; x < within.Right; x += width) {
            if (x + width <= within.Left) continue;
            for (int64_t y = rect_.Top; y < within.Bottom; y += height) {
                if (y + height <= within.Top) continue;
                const auto left = static_cast<int32_t>(x);
                const auto top = static_cast<int32_t>(y);
                const platform::Rect place = platform::Intersect(
                    {left + part.Left, top + part.Top, left + part.Right, top + part.Bottom},
                    within);
                if (place.IsEmpty()) continue;
                canvas_->CopyRect(
                    place, shown,
                    {place.Left - left, place.Top - top, place.Right - left, place.Bottom - top});
            }
        }
    }
    canvas_->Changed();
}

void TGIFPainter::DoTerminate() {
    if (ended_) return;
    ended_ = true;
    terminated_ = true;
    // The picture's list may hold the last reference.
    const std::shared_ptr<TGIFPainter> self = shared_from_this();
    if (image_ != nullptr) {
        const auto lock = image_->Painters().LockList();
        if (painter_ref_ != nullptr && *painter_ref_ == this) *painter_ref_ = nullptr;
        image_->Painters().Remove(self);
    }
    image_ = nullptr;
    kept_ = work_->TakeKept();
    // The composition's pictures and the wake event go with the work, once
    // a worker still holding it lets it go too.
    work_.reset();
    timer_.reset();
    if (kept_) platform::HandleError(kept_);
}

void TGIFPainter::Abandon() {
    if (thread_) thread_->Detach();
    ended_ = true;
    terminated_ = true;
    if (image_ != nullptr) {
        const auto lock = image_->Painters().LockList();
        if (painter_ref_ != nullptr && *painter_ref_ == this) *painter_ref_ = nullptr;
        image_->Painters().Remove(shared_from_this());
    }
    image_ = nullptr;
}

// ---- The picture's side

void TGIFImage::Draw(platform::Canvas& canvas, const platform::Rect& dest) const {
    if (drawing_ || Empty()) return;
    drawing_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{drawing_};
    // A still picture, or a canvas that does not show on a screen (a print,
    // a thumbnail): frame 0.
    if (images_.Count() == 1 || (draw_options_ & doAnimate) == 0 || !canvas.OnScreen()) {
        images_.Items(0)->Draw(canvas, dest, (draw_options_ & doTransparent) != 0,
                               (draw_options_ & doTile) != 0);
        return;
    }
    const bool direct = (draw_options_ & doDirectPaint) != 0;
    if (bitmap_ != nullptr && !direct) {
        DrawBuffer(canvas, dest, *bitmap_);
        return;
    }
    const auto lock = painters_.LockList();
    if (draw_painter_ != nullptr && draw_painter_->PaintsOn(canvas) &&
        draw_painter_->Rect() == dest)
        return;
    StopDrawPainter();
    platform::Canvas* target = &canvas;
    platform::Rect rect = dest;
    if (!direct) {
        const platform::Bitmap& buffer = GetBuffer();
        // What the canvas shows under the picture, where the picture's
        // transparent pixels let it through; what lies beyond the canvas
        // takes its brush's colour.
        target = buffer_canvas_.get();
        rect = {0, 0, buffer.Width(), buffer.Height()};
        target->SetBrushColor(canvas.BrushColor());
        target->FillRect(rect);
        const platform::Rect inside = platform::Intersect(dest, canvas.ClipRect());
        if (!inside.IsEmpty()) {
            const platform::Rect from_dest{inside.Left - dest.Left, inside.Top - dest.Top,
                                           inside.Right - dest.Left, inside.Bottom - dest.Top};
            target->CopyRect(ScaleRect(from_dest, rect, dest.Width(), dest.Height()),
                             canvas.Target(), inside);
        }
    }
    StartPainter(&draw_painter_, *target, rect, draw_options_);
    TGIFPainter* const painter = draw_painter_;
    if (painter == nullptr) return;
    const std::shared_ptr<TGIFPainter> keep = painter->shared_from_this();
    painter->Start();
    if (direct) return;
    if (painter->Threaded()) {
        // The first frame, so that the screen does not show the canvas alone
        // first; the painter's calls run meanwhile, or it would never come.
        const auto limit = std::chrono::steady_clock::now() + kStopLimit;
        while (draw_painter_ == painter && !painter->Terminated() && !painter->Painted() &&
               std::chrono::steady_clock::now() < limit) {
            platform::CheckSynchronize(kServiceSlice);
        }
    }
    if (bitmap_ != nullptr) DrawBuffer(canvas, dest, *bitmap_);
}

void TGIFImage::DrawBuffer(platform::Canvas& canvas, const platform::Rect& dest,
                           const platform::Bitmap& buffer) const {
    if ((draw_options_ & doTile) == 0) {
        canvas.StretchDraw(dest, buffer);
        return;
    }
    // Copies at the logical screen's size from the rectangle's corner; the
    // last ones reach past it. Those wholly outside the canvas's clip are
    // skipped.
    const int32_t width = Width();
    const int32_t height = Height();
    if (width <= 0 || height <= 0) return;
    const platform::Rect clip = canvas.ClipRect();
    for (int64_t x = dest.Left; x < std::min(dest.Right, clip.Right); x += width) {
        if (x + width <= clip.Left) continue;
        for (int64_t y = dest.Top; y < std::min(dest.Bottom, clip.Bottom); y += height) {
            if (y + height <= clip.Top) continue;
            const auto left = static_cast<int32_t>(x);
            const auto top = static_cast<int32_t>(y);
            canvas.StretchDraw({left, top, left + width, top + height}, buffer);
        }
    }
}

std::shared_ptr<const platform::Bitmap> TGIFImage::Drawn(int32_t width, int32_t height) const {
    if (buffer_canvas_ == nullptr || width != Width() || height != Height()) return nullptr;
    return bitmap_;
}

const platform::Bitmap& TGIFImage::GetBuffer() const {
    if (bitmap_ == nullptr) {
        // In the screen's own format: each frame is copied into it as it is
        // composed, and the screen takes it as it is.
        bitmap_ =
            std::make_shared<platform::Bitmap>(Width(), Height(), platform::PixelFormat::Bit32);
        bitmap_palette_ = {};
        buffer_canvas_ = std::make_unique<platform::Canvas>(*bitmap_);
        // Drawing does not change the picture, but each frame painted into
        // the buffer is a change for whoever shows it.
        buffer_canvas_->OnChange = [image = const_cast<TGIFImage*>(this)](platform::Canvas&) {
            image->Changed();
        };
    }
    return *bitmap_;
}

TGIFPainter* TGIFImage::StartPainter(TGIFPainter** painter_ref, platform::Canvas& canvas,
                                     const platform::Rect& rect, uint16_t options) const {
    if (Empty() || rect.IsEmpty()) {
        if (painter_ref != nullptr) *painter_ref = nullptr;
        return nullptr;
    }
    // Indices not all kept are made now, so that reading them never moves
    // them while a painter reads.
    for (const auto& frame : images_) static_cast<void>(frame->Data());
    // The painters' handlers get the picture itself: drawing does not change
    // it, they may.
    const std::shared_ptr<TGIFPainter> painter =
        TGIFPainter::CreateRef(painter_ref, *const_cast<TGIFImage*>(this), canvas, rect, options);
    painters_.Add(painter);
    painter->OnAnimationStart = OnAnimationStart;
    painter->OnBeforeFrame = OnBeforeFrame;
    painter->OnAfterFrame = OnAfterFrame;
    painter->OnAnimationLoop = OnAnimationLoop;
    painter->OnAnimationEnd = OnAnimationEnd;
    if (!painter->Threaded()) {
        // It runs on the user-interface thread's timers from now on.
        painter->Start();
        return painter->Ended() ? nullptr : painter.get();
    }
    painter->PainterThread()->SetPriority(
        static_cast<platform::ThreadPriority>(std::min<uint8_t>(thread_priority_, 6)));
    return painter.get();
}

void TGIFImage::StopDrawPainter() const {
    StopPainters(false);
}

void TGIFImage::StopDraw() const {
    StopPainters(true);
}

void TGIFImage::StopPainters(bool every) const {
    const auto limit = std::chrono::steady_clock::now() + kStopLimit;
    for (;;) {
        {
            const auto lock = painters_.LockList();
            // A copy: a painter that ends leaves the list.
            std::vector<std::shared_ptr<TGIFPainter>> painters;
            if (every) {
                painters = painters_.Items();
            } else if (draw_painter_ != nullptr) {
                painters.push_back(draw_painter_->shared_from_this());
            }
            bool running = false;
            for (auto painter = painters.rbegin(); painter != painters.rend(); ++painter) {
                (*painter)->Stop();
                if ((*painter)->Threaded() && !(*painter)->Ended()) running = true;
            }
            if (!running) break;
            if (std::chrono::steady_clock::now() >= limit) {
                if (every) {
                    KillPainter();
                } else {
                    painters.front()->Abandon();
                }
                break;
            }
        }
        platform::CheckSynchronize(kServiceSlice);
    }
    DropBitmap();
}

void TGIFImage::KillPainter() const {
    const auto lock = painters_.LockList();
    const std::vector<std::shared_ptr<TGIFPainter>> painters = painters_.Items();
    for (auto painter = painters.rbegin(); painter != painters.rend(); ++painter) {
        if ((*painter)->Threaded()) (*painter)->Abandon();
    }
}

void TGIFImage::FreeBitmap() {
    if (draw_painter_ != nullptr) draw_painter_->Stop();
    DropBitmap();
}

void TGIFImage::DropBitmap() const {
    buffer_canvas_.reset();
    bitmap_.reset();
    bitmap_palette_ = {};
}

}  // namespace gif
