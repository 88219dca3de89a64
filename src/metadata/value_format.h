// Turning the raw bytes of a tag into the text the windows show: code lists,
// format patterns, fractions and the decoding callbacks of the tables.
//
// Numbers are formatted in the C locale, then the decimal point becomes the
// application's decimal separator (platform::DecimalSeparator), so "F5,6" on
// a French desktop and "F5.6" on an English one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "metadata/tag_entry.h"

namespace metadata {

class TImageInfo;

// The text that follows "," value ":" in "," codes ",", up to the next ","
// (`value` trimmed first); empty when the value is not listed.
std::string DecodeCode(std::string_view codes, std::string_view value);

std::string FormatInteger(int64_t n);
// n and d joined by "/".
std::string FormatFraction(int64_t n, int64_t d);

// "[whole ]numerator/denominator" as a number; anything else, and a zero
// denominator, give 0.
double FractionToFloat(std::string_view text);

// The first 50 characters of a UTF-8 text, every character below 32 replaced by ".".
std::string MakePrintable(std::string_view text);

// A printf format applied to a text ("%s") or to a number ("%f"; "%d" rounds
// halves to the even neighbour). A conversion may carry "-" (left-justified),
// a width and a precision of up to two digits each; "%%" stands for "%"; the
// rest of the format is copied as it is, and a format without a conversion is
// the result itself. A second conversion, or one that does not suit the
// argument, raises an error.
std::string FormatText(std::string_view format, std::string_view text);
std::string FormatNumber(std::string_view format, double value);

// The display text that replaces `value` for a row's callback. The Canon
// callbacks also add their items to `info`. A callback given data it cannot
// read raises an error; the caller keeps the undecoded text then.
std::string ApplyCallback(Callback callback, std::string_view value, TImageInfo& info);

// The callbacks of the main, GPS and Nikon tables. DecodeWideText reads the
// byte list of a UTF-16LE text ("72, 0, 105, 0") up to its terminating zero.
std::string CommentAfterCharset(std::string_view value);
std::string DecodeFlash(std::string_view value);
std::string FormatShutterSpeed(std::string_view value);
std::string FormatComponentsConfig(std::string_view value);
std::string FormatGpsTime(std::string_view value);
std::string FormatGpsCoordinate(std::string_view value);
std::string DecodeWideText(std::string_view value);
std::string DecodeNikonColorMode(std::string_view value);
std::string DecodeNikonLensInfo(std::string_view value);

}  // namespace metadata
