// One-shot timers that fire in the user-interface thread, and the clock they
// count on. The user interface installs its own service (precise timers of
// its event loop); tests install one whose clock they move by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class Timer {
public:
    // A timer that goes fires no more.
    virtual ~Timer() = default;
    // Calls `fire` once, in the user-interface thread, `ms` milliseconds from
    // now, in place of any call still to come.
    virtual void Start(int64_t ms, std::function<void()> fire) = 0;
    virtual void Cancel() = 0;
};

class TimerService {
public:
    virtual ~TimerService() = default;
    // Milliseconds of a steady clock.
    virtual int64_t Now() const = 0;
    virtual std::unique_ptr<Timer> NewTimer() = 0;
};

// The service in use, none until one is installed; the caller keeps it alive
// while it is installed.
void SetTimerService(TimerService* service);
TimerService* Timers();

}  // namespace platform
