// Threads of the program's own and the user-interface thread's side of them.
//
// A worker hands work for the user interface over to the user-interface
// thread and waits for it (Synchronize), the way the class library's threads
// do; the user-interface thread runs those calls when its event loop wakes
// (the user interface installs how it is woken) or when it waits for a worker
// itself (CheckSynchronize). The user-interface thread never blocks on a
// worker without running those calls, and a worker never waits for it
// without a stop being able to end the wait at once. No thread is ever
// killed: the end of a thread object waits a bounded time for its worker, and
// a worker that takes longer finishes on its own, owning what it uses.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace platform {

// The class library's thread priorities. Each is a nice value relative to
// the thread that made the worker: Idle +19, Lowest +10, Lower +5, Normal 0,
// Higher -5, Highest -10, TimeCritical -20 (kept within -20..19). A priority
// the system refuses (above the user's own, without the right to raise it)
// leaves the thread as it is.
enum class ThreadPriority : uint8_t { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

// An event one waiting thread takes: once set, it stays set until a wait
// takes it.
class Event {
public:
    void Set();
    // Waits `ms` milliseconds at most, without end when `ms` is negative;
    // true when the event was set (and is now taken) before the time ran out.
    bool Wait(int64_t ms);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool set_ = false;
};

// The class library's thread-safe list: a list and a re-entrant lock, held
// by whoever reads or changes it.
template <typename T>
class ThreadList {
public:
    using Lock = std::unique_lock<std::recursive_mutex>;

    // The list, locked until the result goes.
    Lock LockList() const { return Lock(mutex_); }
    // What the list holds, for whoever has it locked.
    const std::vector<T>& Items() const { return items_; }
    void Add(T item) {
        const Lock lock = LockList();
        items_.push_back(std::move(item));
    }
    void Remove(const T& item) {
        const Lock lock = LockList();
        std::erase(items_, item);
    }

private:
    mutable std::recursive_mutex mutex_;
    std::vector<T> items_;
};

class Thread {
public:
    struct State;

    // The side of a thread its worker sees.
    class Context {
    public:
        // Set by Stop: the worker should end.
        bool Stopped() const;
        // Runs `call` in the user-interface thread and waits until it has run;
        // an exception it raised is raised again here. False, at once, when
        // the thread is stopped before the call has run (a stopped thread's
        // calls never run).
        bool Synchronize(std::function<void()> call);

    private:
        friend class Thread;
        explicit Context(std::shared_ptr<State> state) : state_(std::move(state)) {}
        std::shared_ptr<State> state_;
    };

    using Body = std::function<void(Context&)>;

    // Made before it runs: Start starts it. `body` must own, or share, all
    // that it uses.
    explicit Thread(Body body);
    // Stops the worker and waits for it a bounded time (kJoinLimit).
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void Start();
    // Asks the worker to end: its Synchronize returns at once and its queued
    // calls will not run. From the user-interface thread.
    void Stop();
    bool Stopped() const;
    // Waits at most `limit` for the body to return; true when it has.
    bool Join(std::chrono::milliseconds limit);
    // Leaves a stopped worker to end by itself: the object's end then waits
    // for nothing.
    void Detach();

    ThreadPriority Priority() const;
    // Applied now to a running worker, else when it starts.
    void SetPriority(ThreadPriority priority);
    // The system's number of the worker thread (as in /proc/self/task), 0
    // until it runs.
    pid_t Id() const;

    // Runs in the user-interface thread once the body has returned, also
    // after Stop; not once the thread object has gone.
    std::function<void()> OnTerminate;

    // How long the object's end waits for its worker.
    static constexpr std::chrono::milliseconds kJoinLimit{2000};

private:
    std::shared_ptr<State> state_;
    Body body_;
    std::thread thread_;
};

// How many workers to run at once: the processors the calling thread may run
// on (its affinity mask), bounded by the CPU quota of the process's control
// group or of a group above it, rounded up; at least 1. Read anew at each
// call: the machine's count would crowd a pinned or limited program with
// workers that only wait, each holding its picture.
int32_t ProcessorCount();

// The processors a control group's CPU quota allows, rounded up: `quota` is
// the text of cgroup v2's cpu.max ("QUOTA PERIOD", "max PERIOD"), or cgroup
// v1's cpu.cfs_quota_us and cpu.cfs_period_us one after the other. 0 when it
// sets no quota ("max", -1) or cannot be read.
int32_t QuotaProcessors(std::string_view quota);

// Runs the calls that workers queued for the user-interface thread, in their
// order, calls queued meanwhile included; when none is queued, first waits up
// to `timeout_ms` for one. True when any ran. Called only in the
// user-interface thread; a call it runs may call it again.
bool CheckSynchronize(int64_t timeout_ms = 0);

// How the user interface's event loop is told that calls are waiting (it then
// runs CheckSynchronize); called from any thread, at most once until the next
// CheckSynchronize. None (the default) leaves the calls to CheckSynchronize.
void SetWakeMainThread(std::function<void()> wake);

// Where the failures go that no caller can receive (a worker's, an
// animation's): the application's default handler, once the user interface
// installs it; without one they are dropped. Called in the user-interface
// thread.
void SetErrorHandler(std::function<void(const std::exception&)> handler);
void HandleError(const std::exception_ptr& error);

}  // namespace platform
