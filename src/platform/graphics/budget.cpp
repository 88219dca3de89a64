#include "platform/graphics/budget.h"

#include <algorithm>

#include "platform/core/error.h"

namespace platform {

namespace {

thread_local BudgetShare* counting_share = nullptr;

}  // namespace

void CheckPictureSize(int64_t width, int64_t height) {
    // Both at most 2^31 - 1 in practice; the division keeps any pair exact.
    if (width < 0 || height < 0) RaiseOutOfMemory();
    if (width != 0 && height > kMaxPicturePixels / width) RaiseOutOfMemory();
}

void IndexBudget::Take(int64_t width, int64_t height) {
    CheckPictureSize(width, height);
    const int64_t bytes = width * height;
    if (bytes > kMaxIndexBytes - used_) RaiseOutOfMemory();
    CountPictureMemory(bytes);
    used_ += bytes;
}

int64_t SharedBudget::InUse() const {
    std::lock_guard guard(lock_);
    return used_;
}

int64_t SharedBudget::Peak() const {
    std::lock_guard guard(lock_);
    return peak_;
}

BudgetShare::BudgetShare(SharedBudget& budget, int64_t expected) : budget_(budget) {
    if (expected < 0 || expected > budget.limit_) RaiseOutOfMemory();
    std::unique_lock guard(budget.lock_);
    const uint64_t ticket = budget.next_ticket_++;
    budget.freed_.wait(guard, [&] {
        return ticket == budget.serving_ && budget.used_ + expected <= budget.limit_;
    });
    ++budget.serving_;
    budget.used_ += expected;
    budget.peak_ = std::max(budget.peak_, budget.used_);
    taken_ = expected;
    // The next in line may fit as well.
    budget.freed_.notify_all();
}

BudgetShare::~BudgetShare() {
    {
        std::lock_guard guard(budget_.lock_);
        budget_.used_ -= taken_;
    }
    budget_.freed_.notify_all();
}

void BudgetShare::Take(int64_t bytes) {
    if (bytes < 0 || bytes > budget_.limit_ - counted_) RaiseOutOfMemory();
    const int64_t beyond = counted_ + bytes - taken_;
    if (beyond > 0) {
        std::lock_guard guard(budget_.lock_);
        if (budget_.used_ + beyond > budget_.limit_) throw BudgetBusy(counted_ + bytes);
        budget_.used_ += beyond;
        budget_.peak_ = std::max(budget_.peak_, budget_.used_);
        taken_ += beyond;
    }
    counted_ += bytes;
}

CountingIn::CountingIn(BudgetShare& share) : outer_(counting_share) {
    counting_share = &share;
}

CountingIn::~CountingIn() {
    counting_share = outer_;
}

void CountPictureMemory(int64_t bytes) {
    if (counting_share != nullptr) counting_share->Take(bytes);
}

}  // namespace platform
