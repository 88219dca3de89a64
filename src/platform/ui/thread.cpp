#include "platform/ui/thread.h"

#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/core/error.h"
#include "platform/ui/application.h"

namespace platform::ui {

struct ThreadContext::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<bool> stopped{false};
    bool finished = false;
    std::condition_variable done;
};

namespace {

// The calls of every worker for the user-interface thread, in their order.
// They pass under a mutex of their own, and only a counter that wakes the
// user-interface thread goes through the system, so that what a worker hands
// over is ordered by a lock that the thread sanitizer sees.
class CallQueue final : public QObject {
public:
    explicit CallQueue(QObject* parent) : QObject(parent), wake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
        if (wake_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
        notifier_ = new QSocketNotifier(wake_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { Run(); });
    }
    ~CallQueue() override { close(wake_); }

    void Push(std::function<void()> call) {
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(std::move(call));
        }
        const uint64_t one = 1;
        // A full counter already wakes the reader: nothing to do on failure.
        [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
    }

private:
    void Run() {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t read_bytes = read(wake_, &count, sizeof count);
        std::deque<std::function<void()>> calls;
        {
            std::lock_guard lock(mutex_);
            calls.swap(calls_);
        }
        for (std::function<void()>& call : calls) call();
    }

    int wake_;
    QSocketNotifier* notifier_;
    std::mutex mutex_;
    std::deque<std::function<void()>> calls_;
};

// Made in the user-interface thread by the first thread object, before any
// worker runs; it goes with the application.
QPointer<CallQueue> call_queue;

// Queues `call` to the user-interface thread, to run while the thread is not
// stopped; Stop runs there too, so the check cannot race with it.
void Post(const std::shared_ptr<ThreadContext::State>& state, std::function<void()> call) {
    if (call_queue.isNull()) return;
    call_queue->Push([state, call = std::move(call)] {
        if (!state->stopped.load()) call();
    });
}

}  // namespace

bool ThreadContext::Stopped() const { return state_->stopped.load(); }

bool ThreadContext::Wait(int64_t ms) {
    std::unique_lock lock(state_->mutex);
    const auto stopped = [this] { return state_->stopped.load(); };
    if (ms < 0) {
        state_->wake.wait(lock, stopped);
        return true;
    }
    return state_->wake.wait_for(lock, std::chrono::milliseconds(ms), stopped);
}

void ThreadContext::Synchronize(std::function<void()> call) { Post(state_, std::move(call)); }

Thread::Thread(Body body)
    : state_(std::make_shared<ThreadContext::State>()), body_(std::move(body)) {
    if (call_queue.isNull() && QCoreApplication::instance() != nullptr) {
        call_queue = new CallQueue(QCoreApplication::instance());
    }
}

Thread::~Thread() {
    Stop();
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
    thread_ = std::thread([state = state_, body = body_, terminate = OnTerminate] {
        // Named so that the system's tools tell workers from the user interface.
        pthread_setname_np(pthread_self(), "visu-worker");
        ThreadContext context(state);
        try {
            body(context);
        } catch (const std::exception& error) {
            Post(state, [message = platform::UserMessage(error)] {
                // A failure in the worker, shown once by the application's handler.
                Application::Current().HandleException(
                    platform::Error(platform::ErrorKind::Message, message));
            });
        }
        if (terminate) Post(state, terminate);
        {
            std::lock_guard lock(state->mutex);
            state->finished = true;
        }
        state->done.notify_all();
    });
}

void Thread::Stop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopped.store(true);
    }
    state_->wake.notify_all();
}

bool Thread::Stopped() const { return state_->stopped.load(); }

bool Thread::Join(std::chrono::milliseconds limit) {
    if (!thread_.joinable()) return true;
    std::unique_lock lock(state_->mutex);
    return state_->done.wait_for(lock, limit, [this] { return state_->finished; });
}

}  // namespace platform::ui
