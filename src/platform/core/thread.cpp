#include "platform/core/thread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <deque>

namespace platform {

struct Thread::State {
    std::mutex mutex;
    // Signalled when the thread is stopped, when a synchronised call has run
    // and when the body has returned.
    std::condition_variable changed;
    std::atomic<bool> stopped{false};
    bool finished = false;
    // The thread object still exists: its terminate handler may run. Read
    // and written in the user-interface thread only.
    bool owned = true;
    std::function<void()> on_terminate;
    ThreadPriority priority = ThreadPriority::Normal;
    // The nice value of the thread that made the worker.
    int base_nice = 0;
    pid_t id = 0;
};

namespace {

// The calls of every worker for the user-interface thread, in their order.
// Never destroyed: a worker left to end by itself may still queue calls
// while the program ends.
struct MainQueue {
    std::mutex mutex;
    std::condition_variable queued;
    std::deque<std::function<void()>> calls;
    std::function<void()> wake;
    bool wake_pending = false;
    std::mutex handler_mutex;
    std::function<void(const std::exception&)> handler;
};

MainQueue& Queue() {
    static MainQueue* const queue = new MainQueue;
    return *queue;
}

void Post(std::function<void()> call) {
    MainQueue& queue = Queue();
    const std::lock_guard lock(queue.mutex);
    queue.calls.push_back(std::move(call));
    queue.queued.notify_all();
    // Under the lock, so that the hook is never called once it is removed.
    if (queue.wake && !queue.wake_pending) {
        queue.wake_pending = true;
        queue.wake();
    }
}

int NiceOf(ThreadPriority priority, int base) {
    static constexpr int kOffsets[] = {19, 10, 5, 0, -5, -10, -20};
    return std::clamp(base + kOffsets[static_cast<size_t>(priority)], -20, 19);
}

// Under the state's lock.
void ApplyPriority(const Thread::State& state) {
    if (state.id == 0) return;
    // A priority the system refuses leaves the thread as it is.
    static_cast<void>(setpriority(PRIO_PROCESS, static_cast<id_t>(state.id),
                                  NiceOf(state.priority, state.base_nice)));
}

}  // namespace

void Event::Set() {
    {
        const std::lock_guard lock(mutex_);
        set_ = true;
    }
    changed_.notify_one();
}

bool Event::Wait(int64_t ms) {
    std::unique_lock lock(mutex_);
    const auto set = [this] { return set_; };
    if (ms < 0) {
        changed_.wait(lock, set);
    } else if (!changed_.wait_for(lock, std::chrono::milliseconds(ms), set)) {
        return false;
    }
    set_ = false;
    return true;
}

bool Thread::Context::Stopped() const {
    return state_->stopped.load();
}

bool Thread::Context::Synchronize(std::function<void()> call) {
    if (Stopped()) return false;
    struct Outcome {
        bool ran = false;
        std::exception_ptr error;
    };
    auto outcome = std::make_shared<Outcome>();
    Post([state = state_, call = std::move(call), outcome] {
        if (state->stopped.load()) return;
        std::exception_ptr error;
        try {
            call();
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard lock(state->mutex);
            outcome->ran = true;
            outcome->error = std::move(error);
        }
        state->changed.notify_all();
    });
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return outcome->ran || state_->stopped.load(); });
    // Taken out under the lock: an exception is never let go by two threads
    // without one of our locks between them.
    const std::exception_ptr error = std::move(outcome->error);
    const bool ran = outcome->ran;
    lock.unlock();
    if (error) std::rethrow_exception(error);
    return ran;
}

Thread::Thread(Body body) : state_(std::make_shared<State>()), body_(std::move(body)) {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    state_->base_nice = errno == 0 ? nice : 0;
}

Thread::~Thread() {
    Stop();
    state_->owned = false;
    if (!thread_.joinable()) return;
    if (Join(kJoinLimit)) {
        thread_.join();
    } else {
        // Never killed: it owns what it uses and ends by itself.
        thread_.detach();
    }
}

void Thread::Start() {
    if (thread_.joinable() || Stopped()) return;
    state_->on_terminate = OnTerminate;
    thread_ = std::thread([state = state_, body = body_] {
        // Named so that the system's tools tell workers from the user interface.
        pthread_setname_np(pthread_self(), "visu-worker");
        {
            const std::lock_guard lock(state->mutex);
            state->id = gettid();
            ApplyPriority(*state);
        }
        Context context(state);
        std::exception_ptr failure;
        try {
            body(context);
        } catch (...) {
            failure = std::current_exception();
        }
        // A failure in the worker, shown once by the application's handler
        // after the calls it queued before; handed over whole once the worker
        // has let go of it.
        if (failure) {
            Post([state, failure = std::move(failure)] {
                if (!state->stopped.load()) HandleError(failure);
            });
        }
        Post([state] {
            if (state->owned && state->on_terminate) state->on_terminate();
        });
        {
            const std::lock_guard lock(state->mutex);
            state->finished = true;
        }
        state->changed.notify_all();
    });
}

void Thread::Stop() {
    {
        const std::lock_guard lock(state_->mutex);
        state_->stopped.store(true);
    }
    state_->changed.notify_all();
}

bool Thread::Stopped() const {
    return state_->stopped.load();
}

bool Thread::Join(std::chrono::milliseconds limit) {
    if (!thread_.joinable()) return true;
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, limit, [this] { return state_->finished; });
}

void Thread::Detach() {
    if (thread_.joinable()) thread_.detach();
}

ThreadPriority Thread::Priority() const {
    const std::lock_guard lock(state_->mutex);
    return state_->priority;
}

void Thread::SetPriority(ThreadPriority priority) {
    const std::lock_guard lock(state_->mutex);
    state_->priority = priority;
    ApplyPriority(*state_);
}

pid_t Thread::Id() const {
    const std::lock_guard lock(state_->mutex);
    return state_->id;
}

bool CheckSynchronize(int64_t timeout_ms) {
    MainQueue& queue = Queue();
    std::unique_lock lock(queue.mutex);
    queue.wake_pending = false;
    if (queue.calls.empty() && timeout_ms > 0) {
        queue.queued.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                              [&] { return !queue.calls.empty(); });
    }
    bool ran = false;
    // One at a time: a call that waits for a worker runs this again, and must
    // find the calls queued after it.
    while (!queue.calls.empty()) {
        std::function<void()> call = std::move(queue.calls.front());
        queue.calls.pop_front();
        lock.unlock();
        try {
            call();
        } catch (...) {
            HandleError(std::current_exception());
        }
        call = nullptr;
        ran = true;
        lock.lock();
    }
    return ran;
}

void SetWakeMainThread(std::function<void()> wake) {
    MainQueue& queue = Queue();
    const std::lock_guard lock(queue.mutex);
    queue.wake = std::move(wake);
    queue.wake_pending = false;
    if (queue.wake && !queue.calls.empty()) {
        queue.wake_pending = true;
        queue.wake();
    }
}

void SetErrorHandler(std::function<void(const std::exception&)> handler) {
    MainQueue& queue = Queue();
    const std::lock_guard lock(queue.handler_mutex);
    queue.handler = std::move(handler);
}

void HandleError(const std::exception_ptr& error) {
    if (!error) return;
    std::function<void(const std::exception&)> handler;
    {
        MainQueue& queue = Queue();
        const std::lock_guard lock(queue.handler_mutex);
        handler = queue.handler;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        if (handler) handler(failure);
    } catch (...) {
        // Not an exception of ours: nothing to show.
    }
}

}  // namespace platform
