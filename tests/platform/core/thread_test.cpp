// Workers and the user-interface thread's side of them, the test's own
// thread playing the user interface: calls handed over and waited for, in
// their order, nothing of a stopped worker run, waits that a stop ends at
// once, failures reported once. Run also under ThreadSanitizer by its own
// stage of scripts/test.
#include "platform/core/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "main_thread.h"
#include "test_support.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

using testing_support::Failures;
using testing_support::ServeUntil;

TEST(Thread, SynchronisedCallsRunHereInTheirOrderAndTheirFailuresGoBack) {
    std::string calls;
    std::atomic<bool> caught{false};
    std::atomic<bool> done{false};
    Thread worker([&](Thread::Context& context) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(context.Synchronize([&calls, i] { calls += char('0' + i); }));
        }
        try {
            context.Synchronize([] { throw std::runtime_error("refusé"); });
        } catch (const std::runtime_error& error) {
            caught = std::string(error.what()) == "refusé";
        }
        done = true;
    });
    worker.Start();
    ASSERT_TRUE(ServeUntil([&] { return done.load(); }));
    EXPECT_EQ(calls, "012");
    EXPECT_TRUE(caught);
    EXPECT_TRUE(worker.Join(5s));
}

TEST(Thread, AStopEndsEveryWaitAtOnceAndItsCallsNeverRun) {
    Event started;
    bool ran = false;
    std::atomic<bool> returned_false{false};
    Thread worker([&](Thread::Context& context) {
        started.Set();
        // Nobody runs the queued calls: only the stop ends this wait.
        returned_false = !context.Synchronize([&ran] { ran = true; });
        EXPECT_FALSE(context.Synchronize([&ran] { ran = true; }));
    });
    worker.Start();
    ASSERT_TRUE(started.Wait(10000));
    worker.Stop();
    EXPECT_TRUE(worker.Join(5s));
    EXPECT_TRUE(returned_false);
    CheckSynchronize();
    EXPECT_FALSE(ran);
}

TEST(Thread, AFailureIsReportedOnceAfterTheCallsBeforeIt) {
    Failures failures;
    std::string calls;
    bool ended = false;
    Thread failing([&calls](Thread::Context& context) {
        for (int i = 0; i < 2; ++i) context.Synchronize([&calls, i] { calls += char('0' + i); });
        throw std::runtime_error("Échec du fil");
    });
    failing.OnTerminate = [&ended] { ended = true; };
    failing.Start();
    ASSERT_TRUE(ServeUntil([&] { return ended; }));
    EXPECT_EQ(calls, "01");
    EXPECT_EQ(failures.messages, std::vector<std::string>{"Échec du fil"});
}

TEST(Thread, TheEndHandlerRunsAfterAStopButNotOnceTheObjectIsGone) {
    bool ended = false;
    {
        Thread stopped([](Thread::Context& context) {
            while (!context.Stopped()) std::this_thread::yield();
        });
        stopped.OnTerminate = [&ended] { ended = true; };
        stopped.Start();
        stopped.Stop();
        ASSERT_TRUE(stopped.Join(5s));
        ASSERT_TRUE(ServeUntil([&] { return ended; }));
    }
    ended = false;
    {
        Thread gone([](Thread::Context&) {});
        gone.OnTerminate = [&ended] { ended = true; };
        gone.Start();
        ASSERT_TRUE(gone.Join(5s));
    }
    CheckSynchronize();
    EXPECT_FALSE(ended);
}

TEST(Thread, ACallThatWaitsForAWorkerFindsTheCallsQueuedAfterIt) {
    // The first worker's call waits, running the queued calls, until the
    // second worker's call has run: it must find it though it runs itself.
    std::atomic<bool> second_queued{false};
    bool second_ran = false;
    bool first_saw_second = false;
    Thread second([&](Thread::Context& context) {
        while (!second_queued.load()) std::this_thread::yield();
        context.Synchronize([&second_ran] { second_ran = true; });
    });
    Thread first([&](Thread::Context& context) {
        context.Synchronize([&] {
            second_queued = true;
            first_saw_second = ServeUntil([&] { return second_ran; });
        });
    });
    first.Start();
    second.Start();
    ASSERT_TRUE(ServeUntil([&] { return second_ran; }));
    EXPECT_TRUE(first.Join(5s));
    EXPECT_TRUE(second.Join(5s));
    EXPECT_TRUE(first_saw_second);
}

TEST(Event, ASetEventWakesOneWaitAndIsThenTaken) {
    Event event;
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(10));
    std::thread setter([&event] {
        std::this_thread::sleep_for(20ms);
        event.Set();
    });
    EXPECT_TRUE(event.Wait(-1));
    setter.join();
}

// Pinned to one processor, or to two, a thread counts as many, and so do the
// workers it starts, whatever the machine has.
TEST(ProcessorCount, FollowsTheProcessorsTheThreadMayRunOn) {
    const int32_t all = ProcessorCount();
    EXPECT_GE(all, 1);
    testing_support::OnProcessors(1, [] { EXPECT_EQ(ProcessorCount(), 1); });
    if (all >= 2) {
        testing_support::OnProcessors(2, [] {
            std::thread worker([] { EXPECT_EQ(ProcessorCount(), 2); });
            worker.join();
        });
    }
}

TEST(ProcessorCount, AQuotaAllowsItsProcessorsRoundedUp) {
    EXPECT_EQ(QuotaProcessors("150000 100000\n"), 2);
    EXPECT_EQ(QuotaProcessors("100000 100000\n"), 1);
    EXPECT_EQ(QuotaProcessors("1000 100000\n"), 1);
    EXPECT_EQ(QuotaProcessors("400000\n 100000\n"), 4);
    EXPECT_EQ(QuotaProcessors("9223372036854775807 1"), INT32_MAX);
    // No quota, or none that can be read.
    EXPECT_EQ(QuotaProcessors("max 100000\n"), 0);
    EXPECT_EQ(QuotaProcessors("-1\n 100000\n"), 0);
    EXPECT_EQ(QuotaProcessors(" 100000\n"), 0);
    EXPECT_EQ(QuotaProcessors(""), 0);
    EXPECT_EQ(QuotaProcessors("1e5 100000"), 0);
    EXPECT_EQ(QuotaProcessors("100000 0"), 0);
}

}  // namespace
}  // namespace platform
