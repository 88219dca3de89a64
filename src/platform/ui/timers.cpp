#include "platform/ui/timers.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <limits>

#include "platform/core/thread.h"
#include "platform/ui/application.h"

namespace platform::ui {

namespace {

// Each start is a single-shot call tied to an object of its own, which a
// cancel (or the timer's end) deletes: Qt then drops the call. The call owns
// what it runs, so that it may end the timer itself.
class QtTimer final : public platform::Timer {
public:
    void Start(int64_t ms, std::function<void()> fire) override {
        context_ = std::make_unique<QObject>();
        QTimer::singleShot(
            static_cast<int>(std::clamp<int64_t>(ms, 0, std::numeric_limits<int>::max())),
            Qt::PreciseTimer, context_.get(),
            [fire = std::move(fire)] { Application::Current().Guard(fire); });
    }

    void Cancel() override { context_.reset(); }

private:
    std::unique_ptr<QObject> context_;
};

}  // namespace

std::unique_ptr<platform::Timer> QtTimerService::NewTimer() {
    return std::make_unique<QtTimer>();
}

MainThreadWake::MainThreadWake() {
    platform::SetWakeMainThread([] {
        // From any thread: Qt posts the call to the application's thread.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { platform::CheckSynchronize(); },
            Qt::QueuedConnection);
    });
}

MainThreadWake::~MainThreadWake() {
    platform::SetWakeMainThread(nullptr);
}

}  // namespace platform::ui
