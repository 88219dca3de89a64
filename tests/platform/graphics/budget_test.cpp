// The memory budget shared by work running on several threads at once: what
// the pieces of work count together never goes beyond it, a piece that finds
// it held by others waits holding nothing and goes on once they are done, and
// a piece bigger than the whole budget is refused without stopping the others.
#include "platform/graphics/budget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/core/error.h"
#include "platform/graphics/bitmap.h"
#include "test_support.h"

namespace platform {
namespace {

using testing_support::ErrorText;

constexpr int64_t kMo = int64_t{1} << 20;

// Lets the other threads run while a piece of work holds its share.
void Pause() {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

TEST(SharedBudget, ManyPiecesOfWorkNeverHoldMoreThanItTogether) {
    SharedBudget budget(100 * kMo);
    std::atomic<int> made{0};
    std::vector<std::thread> threads;
    // Held at once, they would take up to 16 x 90 MB.
    for (int t = 0; t < 16; ++t) {
        threads.emplace_back([&, t] {
            for (int piece = 0; piece < 6; ++piece) {
                // Pieces of 30 to 90 MB, counted a part at a time as a decoder
                // allocates its rows, frames or bitmaps.
                const int64_t part = (10 + 10 * ((t + piece) % 3)) * kMo;
                const int64_t counted = WithinBudget(budget, [&] {
                    for (int i = 0; i < 3; ++i) {
                        CountPictureMemory(part);
                        Pause();
                    }
                    return part * 3;
                });
                EXPECT_EQ(counted, part * 3);
                ++made;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(made, 16 * 6);
    EXPECT_LE(budget.Peak(), budget.Limit());
    EXPECT_EQ(budget.InUse(), 0);
}

TEST(SharedBudget, AWaitingPieceHoldsNothingAndGoesOnWhenAnotherEnds) {
    SharedBudget budget(100 * kMo);
    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
    std::thread big([&] {
        WithinBudget(budget, [&] {
            CountPictureMemory(80 * kMo);
            holding = true;
            while (!release) Pause();
            return 0;
        });
    });
    while (!holding) Pause();
    std::atomic<int> runs{0};
    std::atomic<bool> done{false};
    std::thread small([&] {
        WithinBudget(budget, [&] {
            ++runs;
            CountPictureMemory(10 * kMo);
            CountPictureMemory(40 * kMo);
            return 0;
        });
        done = true;
    });
    // Its first run gives back its 10 MB when the 40 more are not free, and
    // it then waits for all 50 holding nothing.
    while (runs == 0 || budget.InUse() != 80 * kMo) Pause();
    EXPECT_FALSE(done);
    release = true;
    big.join();
    small.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(budget.InUse(), 0);
    EXPECT_LE(budget.Peak(), budget.Limit());
}

TEST(SharedBudget, APieceBiggerThanTheWholeBudgetIsRefusedAndTheOthersGoOn) {
    SharedBudget budget(100 * kMo);
    std::atomic<int> made{0};
    std::vector<std::thread> threads;
    std::vector<std::string> refusals(4);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            refusals[static_cast<size_t>(t)] = ErrorText([&] {
                WithinBudget(budget, [&] {
                    // The second piece counts 60 + 60 MB in all.
                    CountPictureMemory(60 * kMo);
                    Pause();
                    if (t == 1) CountPictureMemory(60 * kMo);
                    return 0;
                });
                ++made;
            });
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(made, 3);
    EXPECT_EQ(refusals[1], "Mémoire insuffisante");
    EXPECT_EQ(budget.InUse(), 0);
    EXPECT_LE(budget.Peak(), budget.Limit());
    // A piece as big as the budget runs once it has it alone.
    EXPECT_EQ(WithinBudget(budget,
                           [] {
                               CountPictureMemory(100 * kMo);
                               return 1;
                           }),
              1);
}

TEST(SharedBudget, BitmapsAndIndicesAreCountedInTheShareOfTheirThread) {
    SharedBudget budget(10 * kMo);
    BudgetShare share(budget, 0);
    {
        CountingIn counting(share);
        Bitmap bitmap(1000, 1000);
        EXPECT_EQ(share.Counted(), 3000 * 1000);
        IndexBudget indices;
        indices.Take(1000, 2000);
        EXPECT_EQ(share.Counted(), 5000 * 1000);
        // More than the budget: refused like a picture beyond the one-bitmap budget.
        EXPECT_EQ(ErrorText([] { Bitmap(4000, 1000); }), "Mémoire insuffisante");
        EXPECT_EQ(share.Counted(), 5000 * 1000);
    }
    // Outside the scope nothing is counted.
    Bitmap free(1000, 1000);
    EXPECT_EQ(share.Counted(), 5000 * 1000);
    EXPECT_EQ(budget.InUse(), 5000 * 1000);
}

}  // namespace
}  // namespace platform
