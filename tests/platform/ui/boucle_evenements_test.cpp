// The platform's workers and timers on Qt's event loop: a worker's calls run
// from the loop alone, a worker's failure is shown once by the application's
// handler after the calls it queued before, and the timers are Qt's. Run also
// under ThreadSanitizer by its own stage of scripts/test.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "boucle_qt.h"
#include "platform/core/error.h"
#include "platform/core/thread.h"
#include "platform/core/timer.h"
#include "scripted_dialogs.h"

namespace platform::ui {
namespace {

using namespace std::chrono_literals;

using testing_support::RunUntil;

class BoucleEvenements : public testing_support::ScriptedTest {};

TEST_F(BoucleEvenements, AWorkersCallsRunFromTheEventLoopAndItsFailureIsShownOnce) {
    std::string calls;
    std::atomic<bool> done{false};
    platform::Thread failing([&](platform::Thread::Context& context) {
        for (int i = 0; i < 3; ++i) context.Synchronize([&calls, i] { calls += char('0' + i); });
        done = true;
        throw platform::Error(platform::ErrorKind::Message, "Échec du fil");
    });
    failing.Start();
    ASSERT_TRUE(RunUntil([&] { return done.load() && !dialogues->errors.empty(); }));
    EXPECT_EQ(calls, "012");
    EXPECT_EQ(dialogues->errors, std::vector<std::string>{"Échec du fil"});
}

TEST_F(BoucleEvenements, AStoppedWorkersCallsNeverRun) {
    bool called = false;
    platform::Event waiting;
    platform::Thread worker([&](platform::Thread::Context& context) {
        waiting.Set();
        context.Synchronize([&called] { called = true; });
    });
    worker.Start();
    ASSERT_TRUE(waiting.Wait(10000));
    worker.Stop();
    ASSERT_TRUE(worker.Join(5s));
    bool later = false;
    platform::Thread after([&](platform::Thread::Context& context) {
        context.Synchronize([&later] { later = true; });
    });
    after.Start();
    ASSERT_TRUE(RunUntil([&] { return later; }));
    EXPECT_FALSE(called);
    EXPECT_TRUE(dialogues->errors.empty());
}

TEST_F(BoucleEvenements, TimersAreQtsAndFireOnceUnlessCancelled) {
    platform::TimerService* timers = platform::Timers();
    ASSERT_NE(timers, nullptr);
    const int64_t start = timers->Now();
    int fired = 0;
    std::unique_ptr<platform::Timer> timer = timers->NewTimer();
    timer->Start(20, [&] { ++fired; });
    ASSERT_TRUE(RunUntil([&] { return fired > 0; }));
    EXPECT_GE(timers->Now() - start, 20);
    // Started again before it fired: once, at the later time.
    timer->Start(5, [&] { fired += 10; });
    timer->Start(15, [&] { fired += 100; });
    std::unique_ptr<platform::Timer> cancelled = timers->NewTimer();
    cancelled->Start(1, [&] { fired += 1000; });
    cancelled->Cancel();
    // A timer may end itself from its own call.
    std::unique_ptr<platform::Timer> self_ending = timers->NewTimer();
    self_ending->Start(1, [&] { self_ending.reset(); });
    const auto end = std::chrono::steady_clock::now() + 100ms;
    RunUntil([&] { return std::chrono::steady_clock::now() >= end; });
    EXPECT_EQ(fired, 101);
    EXPECT_EQ(self_ending, nullptr);
}

}  // namespace
}  // namespace platform::ui
