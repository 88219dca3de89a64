#include "components/gif_painter.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace components {

using gif::AnimationAction;

struct TGIFPainter::Shared {
    gif::AnimationSnapshot snapshot;
    uint16_t options = 0;
    int32_t speed = 100;
    platform::Color under = platform::kWhite;
    ShowEvent show;
    // The last composed picture not yet shown: a user interface slower than
    // the animation skips pictures rather than queueing them.
    std::mutex mutex;
    QImage pending;
    int32_t pending_frame = -1;
    // The events with a handler, by action, fixed when the painter starts so
    // that the others cost nothing.
    uint32_t raised = 0;
};

namespace {

uint32_t Bit(AnimationAction action) {
    return 1u << static_cast<uint32_t>(action);
}

}  // namespace

bool TGIFPainter::Animates(const gif::TGIFImage& image) {
    return image.Images().Count() > 1 && (image.DrawOptions() & gif::doAnimate) != 0;
}

TGIFPainter::TGIFPainter(const gif::TGIFImage& image, platform::Color under, ShowEvent show)
    : shared_(std::make_shared<Shared>()) {
    shared_->snapshot = gif::TakeSnapshot(image, under);
    // The painter runs in a thread of its own whatever the options say.
    shared_->options = image.DrawOptions() | gif::doThreaded;
    shared_->speed = image.AnimationSpeed();
    shared_->under = under;
    shared_->show = std::move(show);
    thread_ = std::make_unique<platform::ui::Thread>(
        [shared = shared_, painter = this](platform::ui::ThreadContext& context) {
            Run(context, shared, painter);
        });
}

TGIFPainter::~TGIFPainter() {
    thread_.reset();
}

const TGIFPainter::NotifyEvent* TGIFPainter::EventFor(AnimationAction action) const {
    switch (action) {
        case AnimationAction::Start:
            return &OnAnimationStart;
        case AnimationAction::BeforeFrame:
            return &OnBeforeFrame;
        case AnimationAction::AfterFrame:
            return &OnAfterFrame;
        case AnimationAction::Loop:
            return &OnAnimationLoop;
        case AnimationAction::End:
            return &OnAnimationEnd;
        default:
            return nullptr;
    }
}

void TGIFPainter::Start() {
    for (const AnimationAction action :
         {AnimationAction::Start, AnimationAction::BeforeFrame, AnimationAction::AfterFrame,
          AnimationAction::Loop, AnimationAction::End}) {
        if (*EventFor(action)) shared_->raised |= Bit(action);
    }
    thread_->Start();
}

void TGIFPainter::Stop() {
    thread_->Stop();
}

void TGIFPainter::Raise(AnimationAction action, int32_t frame) {
    if (action == AnimationAction::End) shown_frame_ = frame;
    const NotifyEvent* event = EventFor(action);
    if (event != nullptr && *event) (*event)(*this);
}

void TGIFPainter::ShowPending() {
    QImage picture;
    int32_t frame = -1;
    {
        std::lock_guard lock(shared_->mutex);
        picture.swap(shared_->pending);
        frame = shared_->pending_frame;
    }
    if (picture.isNull()) return;
    shown_frame_ = frame;
    if (shared_->show) shared_->show(std::move(picture));
}

void TGIFPainter::Run(platform::ui::ThreadContext& context, const std::shared_ptr<Shared>& shared,
                      TGIFPainter* painter) {
    const auto start = std::chrono::steady_clock::now();
    gif::AnimationTimeline timeline(
        shared->snapshot.Timings(), shared->options, shared->speed, true, [start] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - start)
                .count();
        });
    gif::AnimationComposer composer(
        shared->snapshot, shared->options,
        gif::ComposedPicture(shared->snapshot.width, shared->snapshot.height, shared->under));
    while (!context.Stopped()) {
        const gif::AnimationStep step = timeline.Next();
        switch (step.action) {
            case AnimationAction::Done:
                return;
            case AnimationAction::Wait:
                if (step.wait_ms == 0) {
                    std::this_thread::yield();
                } else if (context.Wait(step.wait_ms)) {
                    timeline.Stop();
                }
                break;
            case AnimationAction::Paint: {
                composer.Paint(step.frame, timeline.Disposal(), timeline.PreviousDisposal(),
                               (shared->options & gif::doClearOnStart) != 0 && step.frame == 0);
                const gif::ComposedPicture& shown = composer.Shown();
                QImage picture(shown.width, shown.height, QImage::Format_RGB32);
                for (int32_t y = 0; y < shown.height; ++y) {
                    std::memcpy(picture.scanLine(y), shown.Row(y),
                                static_cast<size_t>(shown.width) * sizeof(uint32_t));
                }
                bool queued = false;
                {
                    std::lock_guard lock(shared->mutex);
                    queued = !shared->pending.isNull();
                    shared->pending = std::move(picture);
                    shared->pending_frame = step.frame;
                }
                if (!queued) context.Synchronize([painter] { painter->ShowPending(); });
                break;
            }
            default:
                if ((shared->raised & Bit(step.action)) == 0) break;
                context.Synchronize([painter, action = step.action, frame = step.frame] {
                    painter->Raise(action, frame);
                });
                break;
        }
    }
}

}  // namespace components
