#include "metadata/value_format.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "metadata/maker_notes.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/core/text.h"

namespace metadata {
namespace {

// Blanks and control characters off both ends.
std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

// A whole text made of an optional sign and decimal digits, within 64 bits.
std::optional<int64_t> ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    if (magnitude > limit) return std::nullopt;
    if (!negative) return static_cast<int64_t>(magnitude);
    // -2^63 has no positive counterpart: negate in unsigned arithmetic.
    return static_cast<int64_t>(~magnitude + 1);
}

// The integer a text stands for; an error naming the text when it is not one.
int64_t IntegerOf(std::string_view text) {
    const auto value = ParseInteger(Trim(text));
    if (!value) {
        platform::RaiseMessage("'" + std::string(text) + "' n'est pas une valeur entière correcte");
    }
    return *value;
}

// The pieces of a list of values joined by ", ".
std::vector<std::string_view> SplitList(std::string_view text) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const size_t separator = text.find(", ");
        pieces.push_back(text.substr(0, separator));
        if (separator == std::string_view::npos) return pieces;
        text.remove_prefix(separator + 2);
    }
}

// The fraction at `index` of a list, 0 when the list is shorter.
double FractionAt(const std::vector<std::string_view>& pieces, size_t index) {
    return index < pieces.size() ? FractionToFloat(pieces[index]) : 0.0;
}

// Characters `first` to `last` (1-based, inclusive) of a UTF-8 text, fewer
// when the text is shorter.
std::string_view Characters(std::string_view text, size_t first, size_t last) {
    size_t begin = 0;
    for (size_t n = 1; n < first && begin < text.size(); ++n) {
        begin = platform::NextCharacter(text, begin);
    }
    size_t end = begin;
    for (size_t n = first; n <= last && end < text.size(); ++n) {
        end = platform::NextCharacter(text, end);
    }
    return text.substr(begin, end - begin);
}

size_t CountCharacters(std::string_view text) {
    size_t count = 0;
    for (size_t at = 0; at < text.size(); at = platform::NextCharacter(text, at)) ++count;
    return count;
}

[[noreturn]] void RaiseBadFormat(std::string_view format) {
    platform::RaiseMessage("Format '" + std::string(format) +
                           "' incorrect ou incompatible avec l'argument");
}

// One conversion of a format: "%", an optional "-", a width, a precision and
// the type letter.
struct Conversion {
    bool left = false;
    size_t width = 0;
    std::optional<size_t> precision;
    char type = 0;
};

// Reads a number of at most two digits (0 when there is none), which is all a
// table format needs; a longer one could only ask for an absurd padding.
size_t ReadCount(std::string_view format, size_t& at) {
    size_t count = 0;
    for (size_t digits = 0; at < format.size() && format[at] >= '0' && format[at] <= '9'; ++at) {
        if (++digits > 2) RaiseBadFormat(format);
        count = count * 10 + static_cast<size_t>(format[at] - '0');
    }
    return count;
}

std::string FixedPoint(double value, size_t precision) {
    // The largest double has 309 integer digits.
    std::string text(330 + precision, '\0');
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                      std::chars_format::fixed, static_cast<int>(precision));
    text.resize(static_cast<size_t>(result.ptr - text.data()));
    for (char& c : text) {
        if (c == '.') c = platform::DecimalSeparator();
    }
    return text;
}

std::string Decimal(int64_t value, size_t min_digits) {
    std::string digits =
        std::to_string(value < 0 ? -static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
    if (digits.size() < min_digits) digits.insert(0, min_digits - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

// The text of one conversion applied to the argument.
std::string Convert(std::string_view format, const Conversion& conversion,
                    std::optional<std::string_view> text, double number) {
    std::string piece;
    size_t length = 0;
    switch (conversion.type) {
        case 's':
            if (!text) RaiseBadFormat(format);
            piece = conversion.precision ? Characters(*text, 1, *conversion.precision) : *text;
            length = CountCharacters(piece);
            break;
        case 'f':
            if (text) RaiseBadFormat(format);
            piece = FixedPoint(number, conversion.precision.value_or(6));
            length = piece.size();
            break;
        case 'd':
            if (text) RaiseBadFormat(format);
            piece = Decimal(platform::Round64(number), conversion.precision.value_or(0));
            length = piece.size();
            break;
        default:
            RaiseBadFormat(format);
    }
    if (length < conversion.width) {
        const std::string padding(conversion.width - length, ' ');
        piece = conversion.left ? piece + padding : padding + piece;
    }
    return piece;
}

// A format with at most one conversion applied to a text (when given) or to a
// number; "%%" stands for "%".
std::string ApplyFormat(std::string_view format, std::optional<std::string_view> text,
                        double number) {
    std::string out;
    bool converted = false;
    size_t at = 0;
    while (at < format.size()) {
        const size_t percent = format.find('%', at);
        out.append(format.substr(at, percent - at));
        if (percent == std::string_view::npos) break;
        at = percent + 1;
        if (at < format.size() && format[at] == '%') {
            out.push_back('%');
            ++at;
            continue;
        }
        if (converted) RaiseBadFormat(format);
        Conversion conversion;
        if (at < format.size() && format[at] == '-') {
            conversion.left = true;
            ++at;
        }
        conversion.width = ReadCount(format, at);
        if (at < format.size() && format[at] == '.') {
            ++at;
            conversion.precision = ReadCount(format, at);
        }
        if (at == format.size()) RaiseBadFormat(format);
        conversion.type = format[at++];
        out.append(Convert(format, conversion, text, number));
        converted = true;
    }
    return out;
}

}  // namespace

std::string DecodeCode(std::string_view codes, std::string_view value) {
    const std::string list = std::string(",").append(codes).append(",");
    const std::string key = std::string(",").append(Trim(value)).append(":");
    const size_t found = list.find(key);
    if (found == std::string::npos) return {};
    const size_t begin = found + key.size();
    return list.substr(begin, list.find(',', begin) - begin);
}

std::string FormatInteger(int64_t n) {
    return std::to_string(n);
}

std::string FormatFraction(int64_t n, int64_t d) {
    return std::to_string(n) + "/" + std::to_string(d);
}

double FractionToFloat(std::string_view text) {
    text = Trim(text);
    int64_t whole = 0;
    const size_t blank = text.find(' ');
    if (blank != std::string_view::npos) {
        const auto parsed = ParseInteger(text.substr(0, blank));
        if (!parsed) return 0.0;
        whole = *parsed;
        text.remove_prefix(blank + 1);
    }
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos) return 0.0;
    const auto numerator = ParseInteger(text.substr(0, slash));
    const auto denominator = ParseInteger(text.substr(slash + 1));
    if (!numerator || !denominator || *denominator == 0) return 0.0;
    const auto d = static_cast<double>(*denominator);
    return (static_cast<double>(whole) * d + static_cast<double>(*numerator)) / d;
}

std::string MakePrintable(std::string_view text) {
    std::string printable(Characters(text, 1, 50));
    for (char& c : printable) {
        if (static_cast<unsigned char>(c) < 32) c = '.';
    }
    return printable;
}

std::string FormatText(std::string_view format, std::string_view text) {
    return ApplyFormat(format, text, 0.0);
}

std::string FormatNumber(std::string_view format, double value) {
    return ApplyFormat(format, std::nullopt, value);
}

std::string ApplyCallback(Callback callback, std::string_view value, TImageInfo& info) {
    switch (callback) {
        case Callback::None:
            return std::string(value);
        case Callback::CommentAfterCharset:
            return CommentAfterCharset(value);
        case Callback::DecodeFlash:
            return DecodeFlash(value);
        case Callback::FormatShutterSpeed:
            return FormatShutterSpeed(value);
        case Callback::FormatComponentsConfig:
            return FormatComponentsConfig(value);
        case Callback::FormatGpsTime:
            return FormatGpsTime(value);
        case Callback::FormatGpsCoordinate:
            return FormatGpsCoordinate(value);
        case Callback::DecodeWideText:
            return DecodeWideText(value);
        case Callback::DecodeNikonColorMode:
            return DecodeNikonColorMode(value);
        case Callback::DecodeNikonLensInfo:
            return DecodeNikonLensInfo(value);
        case Callback::DecodeCanonCameraSettings:
            return DecodeCanonCameraSettings(value, info);
        case Callback::DecodeCanonShotInfo:
            return DecodeCanonShotInfo(value, info);
        case Callback::DecodeCanonCustomFunctions:
            return DecodeCanonCustomFunctions(value, info);
    }
    return std::string(value);
}

std::string CommentAfterCharset(std::string_view value) {
    // The first eight characters name the character code of the comment.
    const std::string_view code = Characters(value, 1, 8);
    return std::string(value.substr(code.size()));
}

std::string DecodeFlash(std::string_view value) {
    const int64_t n = IntegerOf(value);
    std::string text = (n & 1) != 0 ? "On" : "Off";
    switch (n & 6) {
        case 2:
            text += ", UNKNOWN";
            break;
        case 4:
            text += ", no strobe return";
            break;
        case 6:
            text += ", strobe return";
            break;
        default:
            break;
    }
    switch (n & 24) {
        case 8:
            text += ", forced";
            break;
        case 16:
            text += ", surpressed";
            break;
        case 24:
            text += ", auto mode";
            break;
        default:
            break;
    }
    if ((n & 32) != 0) text += ", no flash function";
    if ((n & 64) != 0) text += ", red-eye reduction";
    return text;
}

std::string FormatShutterSpeed(std::string_view value) {
    // The value is an APEX time value: the exposure lasts 2^-t seconds.
    const double exposure = 1.0 / std::exp2(FractionToFloat(value));
    std::string text = FormatNumber("%4.4f sec", exposure);
    if (exposure <= 0.5) text += FormatNumber(" (1/%d)", 1.0 / exposure);
    return text;
}

std::string FormatComponentsConfig(std::string_view value) {
    static constexpr std::string_view kComponents[] = {"", "Y", "Cb", "Cr", "R", "G", "B"};
    // The four value bytes follow the opening double quote.
    const std::string_view bytes = Characters(value, 2, 5);
    if (CountCharacters(bytes) < 4) platform::RaiseRange();
    std::string text;
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if (code < std::size(kComponents)) text += kComponents[code];
    }
    return text;
}

std::string FormatGpsTime(std::string_view value) {
    const auto pieces = SplitList(value);
    return FormatNumber("%0.0f:", FractionAt(pieces, 0)) +
           FormatNumber("%0.0f:", FractionAt(pieces, 1)) +
           FormatNumber("%0.0f", FractionAt(pieces, 2));
}

std::string FormatGpsCoordinate(std::string_view value) {
    const auto pieces = SplitList(value);
    const double degrees = FractionAt(pieces, 0);
    double minutes = FractionAt(pieces, 1);
    double seconds = FractionAt(pieces, 2);
    if (seconds == 0.0) {
        // Minutes stored with a fraction and no seconds ("51.30" for 51' 18").
        const double whole = std::trunc(minutes);
        seconds = (minutes - whole) * 100 * 0.6;
        minutes = whole;
    }
    return FormatNumber("%0.0f Degrees ", degrees) + FormatNumber("%0.0f Minutes ", minutes) +
           FormatNumber("%0.0f Seconds", seconds);
}

std::string DecodeWideText(std::string_view value) {
    if (Trim(value).empty()) return {};
    std::string bytes;
    size_t at = 0;
    for (;;) {
        const size_t comma = value.find(',', at);
        const int64_t byte = IntegerOf(value.substr(at, comma - at));
        if (byte < 0 || byte > 0xFF) platform::RaiseRange();
        bytes.push_back(static_cast<char>(byte));
        if (comma == std::string_view::npos) break;
        at = comma + 1;
    }
    return platform::Utf16ToUtf8(bytes, false);
}

std::string DecodeNikonColorMode(std::string_view value) {
    // The five characters after the opening double quote.
    const std::string_view mode = Characters(value, 2, 6);
    if (mode == "MODE1") return "Mode1 (sRGB)";
    if (mode == "MODE2") return "Mode 2 (Adobe RGB)";
    if (mode == "MODE3") return "Mode 3 (sRGB): higher saturation";
    return std::string(mode);
}

std::string DecodeNikonLensInfo(std::string_view value) {
    const auto pieces = SplitList(value);
    return FormatNumber("%0.1f-", FractionAt(pieces, 0)) +
           FormatNumber("%0.1f(mm)  ", FractionAt(pieces, 1)) +
           FormatNumber("F%0.1f-", FractionAt(pieces, 2)) +
           FormatNumber("F%0.1f", FractionAt(pieces, 3));
}

}  // namespace metadata
