#include "platform/core/arith.h"

#include <cmath>
#include <limits>

#include "platform/core/error.h"

namespace platform {

int32_t CheckedAdd(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_add_overflow(a, b, &r)) RaiseOverflow();
    return r;
}

int32_t CheckedSub(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) RaiseOverflow();
    return r;
}

int32_t CheckedMul(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) RaiseOverflow();
    return r;
}

int64_t CheckRange(int64_t value, int64_t low, int64_t high) {
    if (value < low || value > high) RaiseRange();
    return value;
}

int64_t Round64(double value) {
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double kLimit = 9223372036854775808.0;
    const double r = std::nearbyint(value);
    if (!(r >= -kLimit && r < kLimit)) RaiseRange();
    return static_cast<int64_t>(r);
}

int32_t Round(double value) {
    const double r = std::nearbyint(value);
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())) {
        RaiseRange();
    }
    return static_cast<int32_t>(r);
}

int32_t Round(long double value) {
    const long double r = std::nearbyint(value);
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())) {
        RaiseRange();
    }
    return static_cast<int32_t>(r);
}

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    int64_t quotient = product / c;
    const int64_t remainder = product % c;
    // Round halves away from zero: compare twice the remainder with the divisor.
    const int64_t twice = remainder < 0 ? -2 * remainder : 2 * remainder;
    const int64_t divisor = c < 0 ? -static_cast<int64_t>(c) : c;
    if (twice >= divisor) quotient += ((product < 0) != (c < 0)) ? -1 : 1;
    if (quotient < std::numeric_limits<int32_t>::min() ||
        quotient > std::numeric_limits<int32_t>::max()) {
        return -1;
    }
    return static_cast<int32_t>(quotient);
}

}  // namespace platform
