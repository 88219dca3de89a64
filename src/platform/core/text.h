// Text helpers: case folding and comparison of UTF-8 names, number formatting
// with the application's decimal separator, single-byte code page decoding.
//
// Texts are UTF-8 bytes. A byte that does not start a well-formed sequence
// counts as one character of its own and is kept as it is, so that any file
// name the system hands over survives every routine here unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Upper-cases ASCII and Latin letters of a UTF-8 text.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// Compares two UTF-8 texts ignoring case, the way the desktop sorts names:
// letters with and without accents sort together, then the accent decides,
// then the bytes. Negative, 0 or positive.
int CompareTextLocale(std::string_view a, std::string_view b);

// A byte string whose plain order is the order of CompareTextLocale: a list
// is sorted faster by comparing the keys of its texts, made once each.
std::string SortKey(std::string_view text);

// Equality ignoring case (ASCII and Latin letters).
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// Wildcard match of a name against a mask ("*" any run, "?" one character),
// ignoring case; a mask ending in ".*" also matches the name without any dot,
// so "*.*" matches every name. An empty mask matches nothing.
bool MatchesMask(std::string_view name, std::string_view mask);

// A mask made ready to be matched against many names, with the answers of
// MatchesMask. The usual picture masks, "*." and letters and digits, compare
// the end of the name's bytes; "*.*" matches every name.
class Mask {
public:
    explicit Mask(std::string_view mask);
    bool Matches(std::string_view name) const;

private:
    enum class Kind : uint8_t { General, Extension, Everything };
    Kind kind_ = Kind::General;
    std::string mask_;
    // An extension mask's "." and letters, in lower case.
    std::string extension_;
    // "İ" is the one non-ASCII character whose small letter is ASCII ("i").
    bool has_i_ = false;
};

// Character boundaries: the position just after the character that starts at
// `pos`, and the start of the character that ends just before `pos`.
size_t NextCharacter(std::string_view text, size_t pos);
size_t PreviousCharacter(std::string_view text, size_t pos);

// Decimal separator used for numbers shown to the user; set once by the
// application from the user's locale (default ",").
void SetDecimalSeparator(char separator);
char DecimalSeparator();

// A double in the general format: the shortest form with up to 15 significant
// digits, no exponent for ordinary magnitudes, the application's decimal
// separator ("1", "0,5", "2,35"). Below 1E-4 and from 1E15 on the exponent
// form is used ("1E-5", "1,5E20").
std::string FormatFloatGeneral(double value);

// Windows-1252 bytes decoded to UTF-8; the five bytes the code page leaves
// undefined become the control characters of the same number.
std::string Windows1252ToUtf8(std::string_view bytes);

// Whether the bytes are well-formed UTF-8 throughout.
bool IsValidUtf8(std::string_view bytes);

// Text of a file that names no encoding: kept as it is when it is valid
// UTF-8, as today's cameras and tools write it, else decoded as
// Windows-1252, as older ones wrote it.
std::string Utf8OrWindows1252ToUtf8(std::string_view bytes);

// A UTF-8 text as Windows-1252 bytes: none when the code page lacks one of
// its characters, or with what `missing` makes of each such character. Bytes
// that start no well-formed sequence pass unchanged.
std::optional<std::string> Utf8ToWindows1252(std::string_view text);
std::string Utf8ToWindows1252(std::string_view text,
                              const std::function<std::string(char32_t)>& missing);

// Whether every byte is below 0x80.
bool IsAscii(std::string_view text);

// A UTF-8 text as UTF-16 code units, two bytes each in the given order; a
// byte that starts no well-formed sequence becomes the replacement character.
std::string Utf8ToUtf16(std::string_view text, bool big_endian);

// UTF-16 code units, two bytes each in the given order, up to the first zero
// unit, decoded to UTF-8; a lone surrogate becomes the replacement character.
std::string Utf16ToUtf8(std::string_view bytes, bool big_endian);

}  // namespace platform
