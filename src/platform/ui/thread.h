// A worker thread that hands its work for the user interface to the
// user-interface thread. Its calls there are queued, never awaited, so the
// user interface never waits for a worker that waits for it; each queued
// call runs only while the thread has not been stopped, and Stop is called
// from the user-interface thread, so nothing queued runs after it. Waits in
// the worker end at once on Stop. No thread is ever killed: the object's end
// waits a bounded time for the worker, and a worker that takes longer
// finishes on its own, owning what it uses.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace platform::ui {

// The side of a thread its worker sees.
class ThreadContext {
public:
    // Set by Stop: the worker should end.
    bool Stopped() const;
    // Waits `ms` milliseconds, or until Stop when `ms` is negative; true when
    // the wait was cut short by Stop.
    bool Wait(int64_t ms);
    // Runs `call` later in the user-interface thread, unless the thread has
    // been stopped by then.
    void Synchronize(std::function<void()> call);

    // Shared by the thread object and its worker.
    struct State;

private:
    friend class Thread;
    explicit ThreadContext(std::shared_ptr<State> state) : state_(std::move(state)) {}
    std::shared_ptr<State> state_;
};

class Thread {
public:
    using Body = std::function<void(ThreadContext&)>;

    // Made before it runs: Start starts it. `body` must own, or share, all
    // that it uses.
    explicit Thread(Body body);
    // Stops the worker and waits for it a bounded time.
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void Start();
    // Asks the worker to end and wakes its wait; from the user-interface
    // thread.
    void Stop();
    bool Stopped() const;
    // Waits at most `limit` for the body to return; true when it has.
    bool Join(std::chrono::milliseconds limit);

    // Called in the user-interface thread once the body has returned, unless
    // the thread was stopped first.
    std::function<void()> OnTerminate;

    // How long the object's end waits for its worker.
    static constexpr std::chrono::milliseconds kJoinLimit{2000};

private:
    std::shared_ptr<ThreadContext::State> state_;
    Body body_;
    std::thread thread_;
};

}  // namespace platform::ui
