// A timer service whose clock only the test moves, installed while it lives:
// the platform's one-shot timers fire when the test moves the clock past
// them, in the order they come due.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "platform/core/timer.h"

namespace testing_support {

class ManualTimers final : public platform::TimerService {
public:
    ManualTimers() { platform::SetTimerService(this); }
    ~ManualTimers() override { platform::SetTimerService(nullptr); }
    ManualTimers(const ManualTimers&) = delete;
    ManualTimers& operator=(const ManualTimers&) = delete;

    int64_t Now() const override { return now_; }
    std::unique_ptr<platform::Timer> NewTimer() override {
        return std::make_unique<ManualTimer>(*this);
    }

    // In how many milliseconds the next timer fires; none when none waits.
    std::optional<int64_t> NextWait() const {
        if (pending_.empty()) return std::nullopt;
        return pending_.begin()->first.first - now_;
    }
    // Moves the clock to the next timer, `late` milliseconds past it, and
    // fires it; false when none waits.
    bool FireNext(int64_t late = 0) {
        if (pending_.empty()) return false;
        const auto next = pending_.begin();
        now_ = next->first.first + late;
        const std::function<void()> fire = std::move(next->second.fire);
        next->second.owner->key_.reset();
        pending_.erase(next);
        fire();
        return true;
    }

private:
    class ManualTimer final : public platform::Timer {
    public:
        explicit ManualTimer(ManualTimers& timers) : timers_(timers) {}
        ~ManualTimer() override { Cancel(); }
        void Start(int64_t ms, std::function<void()> fire) override {
            Cancel();
            key_ = std::make_pair(timers_.now_ + ms, timers_.order_++);
            timers_.pending_[*key_] = Pending{this, std::move(fire)};
        }
        void Cancel() override {
            if (key_) timers_.pending_.erase(*key_);
            key_.reset();
        }

    private:
        friend class ManualTimers;
        ManualTimers& timers_;
        std::optional<std::pair<int64_t, uint64_t>> key_;
    };
    struct Pending {
        ManualTimer* owner;
        std::function<void()> fire;
    };

    int64_t now_ = 1000;
    uint64_t order_ = 0;
    // By due time, then by order of starting.
    std::map<std::pair<int64_t, uint64_t>, Pending> pending_;
};

}  // namespace testing_support
