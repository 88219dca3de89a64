#include "platform/graphics/budget.h"

#include "platform/core/error.h"

namespace platform {

void CheckPictureSize(int64_t width, int64_t height) {
    // Both at most 2^31 - 1 in practice; the division keeps any pair exact.
    if (width < 0 || height < 0) RaiseOutOfMemory();
    if (width != 0 && height > kMaxPicturePixels / width) RaiseOutOfMemory();
}

void IndexBudget::Take(int64_t width, int64_t height) {
    CheckPictureSize(width, height);
    const int64_t bytes = width * height;
    if (bytes > kMaxIndexBytes - used_) RaiseOutOfMemory();
    used_ += bytes;
}

}  // namespace platform
