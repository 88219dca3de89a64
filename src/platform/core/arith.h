// Checked integer arithmetic and rounding with the runtime's rules.
//
// The program's own code runs with range and overflow checking on: a result
// that does not fit stops the operation with "Débordement d'entier" (integer
// arithmetic) or "Erreur de vérification d'étendue" (a value converted into a
// narrower type), never wraps.
#pragma once

#include <cstdint>

namespace platform {

int32_t CheckedAdd(int32_t a, int32_t b);
int32_t CheckedSub(int32_t a, int32_t b);
int32_t CheckedMul(int32_t a, int32_t b);

// A value brought into a narrower range: raises the range error when it is
// outside [low, high].
int64_t CheckRange(int64_t value, int64_t low, int64_t high);

// Rounds halves to the even neighbour (12.5 gives 12, 13.5 gives 14); a result
// outside the 32-bit range, or a value that is not a number, raises the range
// error.
int32_t Round(double value);
// The same for a value carried in extended precision, so that a quotient that
// is a half in exact arithmetic is not rounded to double first.
int32_t Round(long double value);
int64_t Round64(double value);

// a * b / c computed in 64 bits and rounded to the nearest integer, halves away
// from zero; -1 when c is 0 or the result does not fit 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

}  // namespace platform
