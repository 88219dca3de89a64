#include "platform/core/thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <deque>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

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

struct FreeCpuSet {
    void operator()(cpu_set_t* set) const { CPU_FREE(set); }
};

// The processors of the calling thread's affinity mask, in a set grown until
// it holds the kernel's mask; the machine's count when it cannot be read.
int32_t AffinityCount() {
    constexpr size_t kMostProcessors = size_t{1} << 20;
    for (size_t count = CPU_SETSIZE; count <= kMostProcessors; count *= 2) {
        const std::unique_ptr<cpu_set_t, FreeCpuSet> set(CPU_ALLOC(count));
        if (!set) break;
        const size_t bytes = CPU_ALLOC_SIZE(count);
        if (sched_getaffinity(0, bytes, set.get()) == 0) return CPU_COUNT_S(bytes, set.get());
        if (errno != EINVAL) break;
    }
    return static_cast<int32_t>(
        std::clamp<long>(sysconf(_SC_NPROCESSORS_ONLN), 1, std::numeric_limits<int32_t>::max()));
}

// A small file of the system, whole; empty when it cannot be read.
std::string SystemText(const std::string& path) {
    const std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool NamesCpu(std::string_view controllers) {
    for (size_t start = 0; start <= controllers.size();) {
        const size_t end = std::min(controllers.find(',', start), controllers.size());
        if (controllers.substr(start, end - start) == "cpu") return true;
        start = end + 1;
    }
    return false;
}

// The smallest quota, in processors, of the process's control groups and of
// the groups above them; 0 when none sets one. Each line of /proc/self/cgroup
// is "ID:CONTROLLERS:PATH": cgroup v2's names no controller, cgroup v1's cpu
// controller is named among others ("cpu,cpuacct"). A container that shows
// its own group as the root has none of the folders of the path but the
// root: the walk up reaches it.
int32_t GroupQuota() {
    std::istringstream lines(SystemText("/proc/self/cgroup"));
    int32_t smallest = 0;
    for (std::string line; std::getline(lines, line);) {
        const size_t first = line.find(':');
        const size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos || line.compare(second + 1, 1, "/") != 0) continue;
        const std::string_view controllers =
            std::string_view(line).substr(first + 1, second - first - 1);
        const bool v2 = controllers.empty();
        if (!v2 && !NamesCpu(controllers)) continue;
        const std::string root = v2 ? "/sys/fs/cgroup" : "/sys/fs/cgroup/cpu";
        std::string group = root + line.substr(second + 1);
        while (group.size() > root.size() && group.back() == '/') group.pop_back();
        for (;; group.resize(group.rfind('/'))) {
            const int32_t quota =
                QuotaProcessors(v2 ? SystemText(group + "/cpu.max")
                                   : SystemText(group + "/cpu.cfs_quota_us") + " " +
                                         SystemText(group + "/cpu.cfs_period_us"));
            if (quota > 0 && (smallest == 0 || quota < smallest)) smallest = quota;
            if (group.size() <= root.size()) break;
        }
    }
    return smallest;
}

bool WholeNumber(const std::string& text, int64_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

}  // namespace

int32_t QuotaProcessors(std::string_view quota) {
    std::istringstream words{std::string(quota)};
    std::string limit_text;
    std::string period_text;
    int64_t limit = 0;
    int64_t period = 0;
    if (!(words >> limit_text >> period_text) || !WholeNumber(limit_text, limit) ||
        !WholeNumber(period_text, period) || limit <= 0 || period <= 0)
        return 0;
    const int64_t processors = limit / period + (limit % period != 0 ? 1 : 0);
    return static_cast<int32_t>(std::min<int64_t>(processors, std::numeric_limits<int32_t>::max()));
}

int32_t ProcessorCount() {
    const int32_t mask = AffinityCount();
    const int32_t quota = GroupQuota();
    return std::max(1, quota > 0 ? std::min(mask, quota) : mask);
}

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
