// The memory a decoded picture may take, checked by every decoder before it
// allocates: a few bytes of header must not make the process reserve
// gigabytes. Beyond the budget a picture is refused with "Mémoire
// insuffisante", as if the allocation had failed.
//
// Work that runs on several threads at once (the thumbnails of a contact
// sheet) shares one budget of the size a single picture may take: each piece
// of work counts what its pictures allocate in its share, and pieces wait for
// each other rather than holding together many times what one may hold.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <utility>

namespace platform {

// One decoded bitmap (a BMP, a JPEG decoded at full size, a GIF frame or its
// rendered screen): at most this many pixels.
constexpr int64_t kMaxPicturePixels = int64_t{1} << 28;
// The pixel indices of all the frames of one GIF picture together.
constexpr int64_t kMaxIndexBytes = int64_t{1} << 30;
// What one picture may take at most: the largest bitmap of the budget at 32
// bits a pixel (libjpeg's own buffers are held to it as well).
constexpr int64_t kMaxPictureBytes = kMaxPicturePixels * 4;

// The application segments of one JPEG file held to go with a new encoding
// of its picture (XMP packets, ICC profile chunks, camera segments): room for
// the largest ICC profile (255 segments) and an XMP packet with its extension.
constexpr int64_t kMaxHeldSegmentBytes = int64_t{32} << 20;

// Raises "Mémoire insuffisante" unless a picture of width x height (neither
// negative) fits the one-bitmap budget.
void CheckPictureSize(int64_t width, int64_t height);

// The indices of the frames of one picture, counted as each is decoded.
class IndexBudget {
public:
    // Counts a frame of width x height index bytes. A frame beyond the
    // one-bitmap budget, or one that would take the sum beyond the whole
    // budget, raises "Mémoire insuffisante" and is not counted; so does a
    // frame the shared budget of the work running on this thread cannot hold.
    void Take(int64_t width, int64_t height);

private:
    int64_t used_ = 0;
};

// Memory shared by pieces of work running on several threads at once.
class SharedBudget {
public:
    explicit SharedBudget(int64_t limit = kMaxPictureBytes) : limit_(limit) {}
    SharedBudget(const SharedBudget&) = delete;
    SharedBudget& operator=(const SharedBudget&) = delete;

    int64_t Limit() const { return limit_; }
    // What the shares hold now, and the most they ever held together.
    int64_t InUse() const;
    int64_t Peak() const;

private:
    friend class BudgetShare;

    mutable std::mutex lock_;
    std::condition_variable freed_;
    const int64_t limit_;
    int64_t used_ = 0;
    int64_t peak_ = 0;
    // Shares that wait are served in the order they came.
    uint64_t next_ticket_ = 0;
    uint64_t serving_ = 0;
};

// Raised by BudgetShare::Take when the memory missing is held by other work.
// Waiting then, while holding a share, could leave every piece of work
// waiting for the others: the work gives its share back instead, and starts
// again expecting `needed` bytes (see WithinBudget).
class BudgetBusy : public std::exception {
public:
    explicit BudgetBusy(int64_t needed) : needed_(needed) {}
    int64_t Needed() const { return needed_; }
    const char* what() const noexcept override { return "Mémoire occupée"; }

private:
    int64_t needed_;
};

// One piece of work's part of a shared budget, all given back when it ends.
class BudgetShare {
public:
    // Waits until `expected` bytes are free, holding nothing meanwhile, and
    // takes them. More than the whole budget raises "Mémoire insuffisante".
    BudgetShare(SharedBudget& budget, int64_t expected);
    ~BudgetShare();
    BudgetShare(const BudgetShare&) = delete;
    BudgetShare& operator=(const BudgetShare&) = delete;

    // Counts `bytes` about to be allocated: out of what the share took
    // first, then out of what is free. A count beyond the whole budget raises
    // "Mémoire insuffisante"; one that other work's shares leave no room for
    // raises BudgetBusy.
    void Take(int64_t bytes);
    // What the work counted so far.
    int64_t Counted() const { return counted_; }

private:
    SharedBudget& budget_;
    int64_t taken_ = 0;
    int64_t counted_ = 0;
};

// While one lives, the memory this thread's pictures allocate is counted in
// `share` (CountPictureMemory). The allocations lie deep inside the decoders,
// behind the picture classes' common interface, where no share can be
// passed; the scope hands it to them instead.
class CountingIn {
public:
    explicit CountingIn(BudgetShare& share);
    ~CountingIn();
    CountingIn(const CountingIn&) = delete;
    CountingIn& operator=(const CountingIn&) = delete;

private:
    BudgetShare* outer_;
};

// Counts `bytes` a picture is about to allocate in the share of the work this
// thread runs, if any; raises as BudgetShare::Take.
void CountPictureMemory(int64_t bytes);

// Runs `work`, the memory of its pictures counted in a share of `budget`. When
// other work holds what it needs, it is run again once that much is free.
// Returns what `work` returns; its exceptions pass on.
template <typename Work>
auto WithinBudget(SharedBudget& budget, Work&& work) {
    int64_t expected = 0;
    for (;;) {
        BudgetShare share(budget, expected);
        CountingIn counting(share);
        try {
            return work();
        } catch (const BudgetBusy& busy) {
            expected = busy.Needed();
        }
    }
}

}  // namespace platform
