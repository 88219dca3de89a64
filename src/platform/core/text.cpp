#include "platform/core/text.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace platform {

namespace {

// A code point outside Unicode stands for a byte that starts no well-formed
// sequence, so that it compares as itself and never equals a real character.
constexpr char32_t kStrayByte = 0x110000;

struct Decoded {
    char32_t code;
    size_t length;
};

// Decodes the character at `pos` (which must be inside the text). Overlong
// forms, surrogates and truncated sequences are stray bytes.
Decoded Decode(std::string_view text, size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) return {lead, 1};
    size_t follow;
    char32_t code;
    char32_t smallest;
    if (lead >= 0xC2 && lead <= 0xDF) {
        follow = 1;
        code = lead & 0x1Fu;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        follow = 2;
        code = lead & 0x0Fu;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        follow = 3;
        code = lead & 0x07u;
        smallest = 0x10000;
    } else {
        return {kStrayByte + lead, 1};
    }
    if (text.size() - pos <= follow) return {kStrayByte + lead, 1};
    for (size_t i = 1; i <= follow; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0u) != 0x80u) return {kStrayByte + lead, 1};
        code = (code << 6) | (next & 0x3Fu);
    }
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {kStrayByte + lead, 1};
    }
    return {code, follow + 1};
}

void Encode(char32_t code, std::string& out) {
    if (code >= kStrayByte) {
        out.push_back(static_cast<char>(code - kStrayByte));
    } else if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// Latin Extended-A pairs its capitals and small letters on neighbouring code
// points, the capital on the even one in some runs and on the odd one in others.
bool CapitalIsEven(char32_t c) {
    return c <= 0x137 || (c >= 0x14A && c <= 0x177);
}
bool CapitalIsOdd(char32_t c) {
    return (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
}

char32_t ToLower(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c < 0x100 || c > 0x17F) return c;
    if (c == 0x130) return 'i';   // capital I with dot
    if (c == 0x178) return 0xFF;  // capital Y with diaeresis
    if (CapitalIsEven(c)) return c % 2 == 0 ? c + 1 : c;
    if (CapitalIsOdd(c)) return c % 2 == 1 ? c + 1 : c;
    return c;
}

char32_t ToUpper(char32_t c) {
    if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 0x20 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    if (c < 0x100 || c > 0x17F) return c;
    if (c == 0x131) return 'I';  // dotless i
    if (c == 0x17F) return 'S';  // long s
    if (CapitalIsEven(c)) return c % 2 == 1 ? c - 1 : c;
    if (CapitalIsOdd(c)) return c % 2 == 0 ? c - 1 : c;
    return c;
}

template <char32_t (*Map)(char32_t)>
std::string MapCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const Decoded d = Decode(text, pos);
        Encode(Map(d.code), out);
        pos += d.length;
    }
    return out;
}

// Accents in the order they sort after the bare letter.
enum class Accent : uint8_t {
    None,
    Acute,
    Grave,
    Breve,
    Circumflex,
    Caron,
    Ring,
    Diaeresis,
    DoubleAcute,
    Tilde,
    DotAbove,
    Stroke,
    Cedilla,
    Ogonek,
    Macron,
    Ligature,
    Other,
};

// The Latin-1 and Latin Extended-A letters from U+00C0 on: the plain letters
// they sort with (two for the ligatures) and their accent; the two signs of
// the block have no letter.
struct LatinLetter {
    std::string_view base;
    Accent accent;
};

using A = Accent;
constexpr std::array<LatinLetter, 0x180 - 0xC0> kLatinLetters{{
    {"a", A::Grave},       {"a", A::Acute},       {"a", A::Circumflex},   // À Á Â
    {"a", A::Tilde},       {"a", A::Diaeresis},   {"a", A::Ring},         // Ã Ä Å
    {"ae", A::Ligature},   {"c", A::Cedilla},     {"e", A::Grave},        // Æ Ç È
    {"e", A::Acute},       {"e", A::Circumflex},  {"e", A::Diaeresis},    // É Ê Ë
    {"i", A::Grave},       {"i", A::Acute},       {"i", A::Circumflex},   // Ì Í Î
    {"i", A::Diaeresis},   {"d", A::Stroke},      {"n", A::Tilde},        // Ï Ð Ñ
    {"o", A::Grave},       {"o", A::Acute},       {"o", A::Circumflex},   // Ò Ó Ô
    {"o", A::Tilde},       {"o", A::Diaeresis},   {"", A::None},          // Õ Ö ×
    {"o", A::Stroke},      {"u", A::Grave},       {"u", A::Acute},        // Ø Ù Ú
    {"u", A::Circumflex},  {"u", A::Diaeresis},   {"y", A::Acute},        // Û Ü Ý
    {"th", A::Other},      {"ss", A::Ligature},   {"a", A::Grave},        // Þ ß à
    {"a", A::Acute},       {"a", A::Circumflex},  {"a", A::Tilde},        // á â ã
    {"a", A::Diaeresis},   {"a", A::Ring},        {"ae", A::Ligature},    // ä å æ
    {"c", A::Cedilla},     {"e", A::Grave},       {"e", A::Acute},        // ç è é
    {"e", A::Circumflex},  {"e", A::Diaeresis},   {"i", A::Grave},        // ê ë ì
    {"i", A::Acute},       {"i", A::Circumflex},  {"i", A::Diaeresis},    // í î ï
    {"d", A::Stroke},      {"n", A::Tilde},       {"o", A::Grave},        // ð ñ ò
    {"o", A::Acute},       {"o", A::Circumflex},  {"o", A::Tilde},        // ó ô õ
    {"o", A::Diaeresis},   {"", A::None},         {"o", A::Stroke},       // ö ÷ ø
    {"u", A::Grave},       {"u", A::Acute},       {"u", A::Circumflex},   // ù ú û
    {"u", A::Diaeresis},   {"y", A::Acute},       {"th", A::Other},       // ü ý þ
    {"y", A::Diaeresis},   {"a", A::Macron},      {"a", A::Macron},       // ÿ Ā ā
    {"a", A::Breve},       {"a", A::Breve},       {"a", A::Ogonek},       // Ă ă Ą
    {"a", A::Ogonek},      {"c", A::Acute},       {"c", A::Acute},        // ą Ć ć
    {"c", A::Circumflex},  {"c", A::Circumflex},  {"c", A::DotAbove},     // Ĉ ĉ Ċ
    {"c", A::DotAbove},    {"c", A::Caron},       {"c", A::Caron},        // ċ Č č
    {"d", A::Caron},       {"d", A::Caron},       {"d", A::Stroke},       // Ď ď Đ
    {"d", A::Stroke},      {"e", A::Macron},      {"e", A::Macron},       // đ Ē ē
    {"e", A::Breve},       {"e", A::Breve},       {"e", A::DotAbove},     // Ĕ ĕ Ė
    {"e", A::DotAbove},    {"e", A::Ogonek},      {"e", A::Ogonek},       // ė Ę ę
    {"e", A::Caron},       {"e", A::Caron},       {"g", A::Circumflex},   // Ě ě Ĝ
    {"g", A::Circumflex},  {"g", A::Breve},       {"g", A::Breve},        // ĝ Ğ ğ
    {"g", A::DotAbove},    {"g", A::DotAbove},    {"g", A::Cedilla},      // Ġ ġ Ģ
    {"g", A::Cedilla},     {"h", A::Circumflex},  {"h", A::Circumflex},   // ģ Ĥ ĥ
    {"h", A::Stroke},      {"h", A::Stroke},      {"i", A::Tilde},        // Ħ ħ Ĩ
    {"i", A::Tilde},       {"i", A::Macron},      {"i", A::Macron},       // ĩ Ī ī
    {"i", A::Breve},       {"i", A::Breve},       {"i", A::Ogonek},       // Ĭ ĭ Į
    {"i", A::Ogonek},      {"i", A::DotAbove},    {"i", A::Other},        // į İ ı
    {"ij", A::Ligature},   {"ij", A::Ligature},   {"j", A::Circumflex},   // Ĳ ĳ Ĵ
    {"j", A::Circumflex},  {"k", A::Cedilla},     {"k", A::Cedilla},      // ĵ Ķ ķ
    {"k", A::Other},       {"l", A::Acute},       {"l", A::Acute},        // ĸ Ĺ ĺ
    {"l", A::Cedilla},     {"l", A::Cedilla},     {"l", A::Caron},        // Ļ ļ Ľ
    {"l", A::Caron},       {"l", A::Other},       {"l", A::Other},        // ľ Ŀ ŀ
    {"l", A::Stroke},      {"l", A::Stroke},      {"n", A::Acute},        // Ł ł Ń
    {"n", A::Acute},       {"n", A::Cedilla},     {"n", A::Cedilla},      // ń Ņ ņ
    {"n", A::Caron},       {"n", A::Caron},       {"n", A::Other},        // Ň ň ŉ
    {"n", A::Other},       {"n", A::Other},       {"o", A::Macron},       // Ŋ ŋ Ō
    {"o", A::Macron},      {"o", A::Breve},       {"o", A::Breve},        // ō Ŏ ŏ
    {"o", A::DoubleAcute}, {"o", A::DoubleAcute}, {"oe", A::Ligature},    // Ő ő Œ
    {"oe", A::Ligature},   {"r", A::Acute},       {"r", A::Acute},        // œ Ŕ ŕ
    {"r", A::Cedilla},     {"r", A::Cedilla},     {"r", A::Caron},        // Ŗ ŗ Ř
    {"r", A::Caron},       {"s", A::Acute},       {"s", A::Acute},        // ř Ś ś
    {"s", A::Circumflex},  {"s", A::Circumflex},  {"s", A::Cedilla},      // Ŝ ŝ Ş
    {"s", A::Cedilla},     {"s", A::Caron},       {"s", A::Caron},        // ş Š š
    {"t", A::Cedilla},     {"t", A::Cedilla},     {"t", A::Caron},        // Ţ ţ Ť
    {"t", A::Caron},       {"t", A::Stroke},      {"t", A::Stroke},       // ť Ŧ ŧ
    {"u", A::Tilde},       {"u", A::Tilde},       {"u", A::Macron},       // Ũ ũ Ū
    {"u", A::Macron},      {"u", A::Breve},       {"u", A::Breve},        // ū Ŭ ŭ
    {"u", A::Ring},        {"u", A::Ring},        {"u", A::DoubleAcute},  // Ů ů Ű
    {"u", A::DoubleAcute}, {"u", A::Ogonek},      {"u", A::Ogonek},       // ű Ų ų
    {"w", A::Circumflex},  {"w", A::Circumflex},  {"y", A::Circumflex},   // Ŵ ŵ Ŷ
    {"y", A::Circumflex},  {"y", A::Diaeresis},   {"z", A::Acute},        // ŷ Ÿ Ź
    {"z", A::Acute},       {"z", A::DotAbove},    {"z", A::DotAbove},     // ź Ż ż
    {"z", A::Caron},       {"z", A::Caron},       {"s", A::Other},        // Ž ž ſ
}};

// Primary weights: symbols, then digits, then letters, then everything else,
// each group in code point order.
enum class WeightClass : uint32_t { Symbol, Digit, Letter, Other };

constexpr uint32_t Weight(WeightClass group, char32_t value) {
    return static_cast<uint32_t>(group) << 21 | value;
}

struct SortUnit {
    uint32_t primary = 0;
    Accent accent = Accent::None;
};

// The units a character stands for in the comparison: one, or two for a
// ligature. Returns their number.
int SortUnits(char32_t c, SortUnit& first, SortUnit& second) {
    first.accent = Accent::None;
    if (c < 0x80) {
        if (c >= '0' && c <= '9') {
            first.primary = Weight(WeightClass::Digit, c);
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            first.primary = Weight(WeightClass::Letter, ToLower(c));
        } else {
            first.primary = Weight(WeightClass::Symbol, c);
        }
    } else if (c >= 0xC0 && c < 0x180 && !kLatinLetters[c - 0xC0].base.empty()) {
        const LatinLetter& letter = kLatinLetters[c - 0xC0];
        first.primary = Weight(WeightClass::Letter, static_cast<unsigned char>(letter.base[0]));
        first.accent = letter.accent;
        if (letter.base.size() > 1) {
            second.primary =
                Weight(WeightClass::Letter, static_cast<unsigned char>(letter.base[1]));
            second.accent = letter.accent;
            return 2;
        }
    } else if (c < 0x180) {
        first.primary = Weight(WeightClass::Symbol, c);
    } else {
        first.primary = Weight(WeightClass::Other, c);
    }
    return 1;
}

// Walks a text as the sequence of units that the comparison looks at.
class SortCursor {
public:
    explicit SortCursor(std::string_view text) : text_(text) {}

    bool Next(SortUnit& unit) {
        if (has_pending_) {
            has_pending_ = false;
            unit = pending_;
            return true;
        }
        if (pos_ >= text_.size()) return false;
        const Decoded d = Decode(text_, pos_);
        pos_ += d.length;
        has_pending_ = SortUnits(d.code, unit, pending_) == 2;
        return true;
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
    SortUnit pending_;
    bool has_pending_ = false;
};

// Sort keys give the primary weights below the group of other characters
// one byte each: their ranks, from 1, in weight order. The symbols are the
// characters below U+0180 that are neither digits nor letters.
constexpr bool IsSymbol(char32_t c) {
    if (c < 0x80) {
        return !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    }
    return c < 0xC0 || kLatinLetters[c - 0xC0].base.empty();
}

constexpr std::array<uint8_t, 0x180> kSymbolRanks = [] {
    std::array<uint8_t, 0x180> ranks{};
    uint8_t rank = 0;
    for (char32_t c = 0; c < 0x180; ++c) {
        if (IsSymbol(c)) ranks[c] = ++rank;
    }
    return ranks;
}();
constexpr uint8_t kSymbolCount = *std::max_element(kSymbolRanks.begin(), kSymbolRanks.end());
constexpr uint8_t kFirstDigitRank = kSymbolCount + 1;
constexpr uint8_t kFirstLetterRank = kFirstDigitRank + 10;
// Lead byte of a weight of the other group, followed by its code in three
// bytes; above every rank.
constexpr uint8_t kOtherLead = 0xF8;
static_assert(kFirstLetterRank + 25 < kOtherLead);

void AppendPrimary(uint32_t weight, std::string& key) {
    const uint32_t value = weight & ((1u << 21) - 1);
    switch (static_cast<WeightClass>(weight >> 21)) {
        case WeightClass::Symbol:
            key.push_back(static_cast<char>(kSymbolRanks[value]));
            break;
        case WeightClass::Digit:
            key.push_back(static_cast<char>(kFirstDigitRank + (value - '0')));
            break;
        case WeightClass::Letter:
            key.push_back(static_cast<char>(kFirstLetterRank + (value - 'a')));
            break;
        case WeightClass::Other:
            key.push_back(static_cast<char>(kOtherLead));
            key.push_back(static_cast<char>(value >> 16));
            key.push_back(static_cast<char>(value >> 8));
            key.push_back(static_cast<char>(value));
            break;
    }
}

// The key byte of each ASCII character, which is always one unit.
constexpr std::array<uint8_t, 0x80> kAsciiRanks = [] {
    std::array<uint8_t, 0x80> ranks{};
    for (char32_t c = 0; c < 0x80; ++c) {
        if (c >= '0' && c <= '9') {
            ranks[c] = static_cast<uint8_t>(kFirstDigitRank + (c - '0'));
        } else if (c >= 'a' && c <= 'z') {
            ranks[c] = static_cast<uint8_t>(kFirstLetterRank + (c - 'a'));
        } else if (c >= 'A' && c <= 'Z') {
            ranks[c] = static_cast<uint8_t>(kFirstLetterRank + (c - 'A'));
        } else {
            ranks[c] = kSymbolRanks[c];
        }
    }
    return ranks;
}();

template <typename Key>
int CompareUnits(std::string_view a, std::string_view b, Key key) {
    SortCursor ca(a);
    SortCursor cb(b);
    SortUnit ua;
    SortUnit ub;
    while (true) {
        const bool more_a = ca.Next(ua);
        const bool more_b = cb.Next(ub);
        if (!more_a || !more_b) return static_cast<int>(more_a) - static_cast<int>(more_b);
        const auto ka = key(ua);
        const auto kb = key(ub);
        if (ka != kb) return ka < kb ? -1 : 1;
    }
}

std::atomic<char> g_decimal_separator{','};

// The code points of bytes 0x80 to 0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string UpperCase(std::string_view text) {
    return MapCase<ToUpper>(text);
}
std::string LowerCase(std::string_view text) {
    return MapCase<ToLower>(text);
}

int CompareTextLocale(std::string_view a, std::string_view b) {
    if (const int primary = CompareUnits(a, b, [](const SortUnit& u) { return u.primary; })) {
        return primary;
    }
    if (const int accents = CompareUnits(a, b, [](const SortUnit& u) { return u.accent; })) {
        return accents;
    }
    const int bytes = a.compare(b);
    return (bytes > 0) - (bytes < 0);
}

std::string SortKey(std::string_view text) {
    // Three tiers, each closed by a zero byte, which is below every element,
    // so that comparing the bytes compares tier by tier: the primary weights
    // (one byte each but for the other group, see AppendPrimary), then the
    // accents plus one in a byte, then the text itself. The accents after the
    // last accented unit are left out: both texts then have as many units,
    // and no accent is the smallest, so the order stays the same while a
    // text without accents needs no tier of accents at all.
    std::string key;
    key.reserve(2 * text.size() + 2);
    std::string accents;
    size_t units = 0;
    const auto add = [&](const SortUnit& unit) {
        AppendPrimary(unit.primary, key);
        if (unit.accent != Accent::None) {
            accents.resize(units, static_cast<char>(static_cast<uint8_t>(Accent::None) + 1));
            accents.push_back(static_cast<char>(static_cast<uint8_t>(unit.accent) + 1));
        }
        ++units;
    };
    for (size_t pos = 0; pos < text.size();) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x80) {
            key.push_back(static_cast<char>(kAsciiRanks[byte]));
            ++units;
            ++pos;
            continue;
        }
        const Decoded d = Decode(text, pos);
        pos += d.length;
        SortUnit first;
        SortUnit second;
        const int count = SortUnits(d.code, first, second);
        add(first);
        if (count == 2) add(second);
    }
    key.push_back('\0');
    key.append(accents);
    key.push_back('\0');
    key.append(text);
    return key;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    size_t pa = 0;
    size_t pb = 0;
    while (pa < a.size() && pb < b.size()) {
        const Decoded da = Decode(a, pa);
        const Decoded db = Decode(b, pb);
        if (ToLower(da.code) != ToLower(db.code)) return false;
        pa += da.length;
        pb += db.length;
    }
    return pa == a.size() && pb == b.size();
}

namespace {

// Wildcard matching that remembers only the last "*": on a mismatch the star
// swallows one more character and the rest of the mask is tried again.
bool MatchesWildcards(std::string_view name, std::string_view mask) {
    size_t n = 0;
    size_t m = 0;
    size_t star_mask = std::string_view::npos;
    size_t star_name = 0;
    while (n < name.size()) {
        if (m < mask.size()) {
            if (mask[m] == '*') {
                star_mask = ++m;
                star_name = n;
                continue;
            }
            const Decoded dm = Decode(mask, m);
            const Decoded dn = Decode(name, n);
            if (dm.code == '?' || ToLower(dm.code) == ToLower(dn.code)) {
                m += dm.length;
                n += dn.length;
                continue;
            }
        }
        if (star_mask == std::string_view::npos) return false;
        m = star_mask;
        star_name = NextCharacter(name, star_name);
        n = star_name;
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask.empty()) return false;
    if (MatchesWildcards(name, mask)) return true;
    return mask.ends_with(".*") && name.find('.') == std::string_view::npos &&
           MatchesWildcards(name, mask.substr(0, mask.size() - 2));
}

Mask::Mask(std::string_view mask) : mask_(mask) {
    if (mask == "*.*") {
        kind_ = Kind::Everything;
        return;
    }
    if (mask.size() < 3 || !mask.starts_with("*.")) return;
    const std::string_view extension = mask.substr(2);
    if (!std::all_of(extension.begin(), extension.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        })) {
        return;
    }
    kind_ = Kind::Extension;
    extension_ = LowerCase(mask.substr(1));
    has_i_ = extension_.find('i') != std::string::npos;
}

bool Mask::Matches(std::string_view name) const {
    switch (kind_) {
        case Kind::Everything:
            return true;
        case Kind::General:
            return MatchesMask(name, mask_);
        case Kind::Extension:
            break;
    }
    // The extension's bytes are ASCII, so they start characters in the name
    // whatever comes before them; the name's letters that fold to them are
    // ASCII, but for "İ", which only a name holding one needs to look for.
    if (name.size() >= extension_.size()) {
        const std::string_view end = name.substr(name.size() - extension_.size());
        if (std::equal(end.begin(), end.end(), extension_.begin(), [](char n, char e) {
                return (n >= 'A' && n <= 'Z' ? static_cast<char>(n + 0x20) : n) == e;
            })) {
            return true;
        }
    }
    return has_i_ && name.find("\xC4\xB0") != std::string_view::npos && MatchesMask(name, mask_);
}

size_t NextCharacter(std::string_view text, size_t pos) {
    return pos < text.size() ? pos + Decode(text, pos).length : text.size();
}

size_t PreviousCharacter(std::string_view text, size_t pos) {
    if (pos == 0) return 0;
    pos = std::min(pos, text.size());
    // A character is at most four bytes: try the longest start first, and
    // take it only when it decodes to exactly the bytes before `pos`.
    for (size_t back = std::min<size_t>(4, pos); back > 1; --back) {
        if (Decode(text, pos - back).length == back) return pos - back;
    }
    return pos - 1;
}

void SetDecimalSeparator(char separator) {
    g_decimal_separator.store(separator);
}
char DecimalSeparator() {
    return g_decimal_separator.load();
}

std::string FormatFloatGeneral(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0) return "0";

    // Fifteen significant digits, rounded once by the library: "d.dddddddddddddde±x".
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view text(buffer.data(), static_cast<size_t>(result.ptr - buffer.data()));
    const size_t e = text.find('e');
    std::string digits;
    digits.push_back(text[0]);
    digits.append(text.substr(2, e - 2));
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    int exponent = 0;
    const std::string_view exponent_text = text.substr(e + (text[e + 1] == '+' ? 2 : 1));
    std::from_chars(exponent_text.data(), exponent_text.data() + exponent_text.size(), exponent);

    const char separator = DecimalSeparator();
    std::string out = value < 0 ? "-" : "";
    if (exponent < -4 || exponent >= 15) {
        out.push_back(digits[0]);
        if (digits.size() > 1) {
            out.push_back(separator);
            out.append(digits, 1);
        }
        out.push_back('E');
        out.append(std::to_string(exponent));
    } else if (exponent < 0) {
        out.push_back('0');
        out.push_back(separator);
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out.append(digits);
    } else {
        const auto whole = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out.append(digits);
            out.append(whole - digits.size(), '0');
        } else {
            out.append(digits, 0, whole);
            out.push_back(separator);
            out.append(digits, whole);
        }
    }
    return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        const char32_t code = b >= 0x80 && b < 0xA0 ? char32_t{kWindows1252High[b - 0x80]} : b;
        Encode(code, out);
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const Decoded d = Decode(bytes, at);
        if (d.code >= kStrayByte) return false;
        at += d.length;
    }
    return true;
}

std::string Utf8OrWindows1252ToUtf8(std::string_view bytes) {
    return IsValidUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
}

std::optional<std::string> Utf8ToWindows1252(std::string_view text) {
    bool lacking = false;
    std::string bytes = Utf8ToWindows1252(text, [&](char32_t) {
        lacking = true;
        return std::string();
    });
    if (lacking) return std::nullopt;
    return bytes;
}

std::string Utf8ToWindows1252(std::string_view text,
                              const std::function<std::string(char32_t)>& missing) {
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        const Decoded d = Decode(text, at);
        at += d.length;
        if (d.code < 0x80 || d.code >= kStrayByte) {
            out.push_back(static_cast<char>(d.code >= kStrayByte ? d.code - kStrayByte : d.code));
        } else if (d.code >= 0xA0 && d.code <= 0xFF) {
            out.push_back(static_cast<char>(d.code));
        } else {
            const auto found = std::find(kWindows1252High.begin(), kWindows1252High.end(), d.code);
            if (found == kWindows1252High.end()) {
                out += missing(d.code);
            } else {
                out.push_back(static_cast<char>(0x80 + (found - kWindows1252High.begin())));
            }
        }
    }
    return out;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Utf8ToUtf16(std::string_view text, bool big_endian) {
    std::string out;
    out.reserve(2 * text.size());
    const auto unit = [&](char32_t value) {
        const auto high = static_cast<char>(value >> 8);
        const auto low = static_cast<char>(value & 0xFF);
        out.push_back(big_endian ? high : low);
        out.push_back(big_endian ? low : high);
    };
    for (size_t at = 0; at < text.size();) {
        const Decoded d = Decode(text, at);
        at += d.length;
        const char32_t code = d.code >= kStrayByte ? char32_t{0xFFFD} : d.code;
        if (code < 0x10000) {
            unit(code);
        } else {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
    const auto unit_at = [&](size_t i) {
        const auto first = static_cast<uint8_t>(bytes[i]);
        const auto second = static_cast<uint8_t>(bytes[i + 1]);
        return static_cast<char32_t>(big_endian ? first << 8 | second : second << 8 | first);
    };
    std::string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char32_t unit = unit_at(i);
        if (unit == 0) break;
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 3 < bytes.size()) {
            const char32_t next = unit_at(i + 2);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                Encode(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), out);
                i += 2;
                continue;
            }
        }
        Encode(high || low ? char32_t{0xFFFD} : unit, out);
    }
    return out;
}

}  // namespace platform
