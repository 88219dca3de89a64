// The user interface's side of the platform's threads and timers: the event
// loop runs the calls workers queue for it, and one-shot timers are Qt's
// precise timers.
#pragma once

#include <QElapsedTimer>
#include <memory>

#include "platform/core/timer.h"

namespace platform::ui {

class QtTimerService final : public platform::TimerService {
public:
    QtTimerService() { clock_.start(); }
    int64_t Now() const override { return clock_.elapsed(); }
    std::unique_ptr<platform::Timer> NewTimer() override;

private:
    QElapsedTimer clock_;
};

// While it lives, calls queued for the user-interface thread wake Qt's event
// loop, which runs them (platform::CheckSynchronize).
class MainThreadWake {
public:
    MainThreadWake();
    ~MainThreadWake();
    MainThreadWake(const MainThreadWake&) = delete;
    MainThreadWake& operator=(const MainThreadWake&) = delete;
};

}  // namespace platform::ui
