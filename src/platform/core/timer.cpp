#include "platform/core/timer.h"

#include <atomic>

namespace platform {

namespace {

std::atomic<TimerService*> service{nullptr};

}  // namespace

void SetTimerService(TimerService* timers) {
    service.store(timers);
}

TimerService* Timers() {
    return service.load();
}

}  // namespace platform
