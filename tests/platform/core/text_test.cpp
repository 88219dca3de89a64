#include "platform/core/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
#include <sstream>

#include "test_support.h"

namespace platform {
namespace {

using namespace testing_support;

TEST(CaseMapping, AgreesWithPythonOnTheLatinLetters) {
    REQUIRE_PROGRAM("python3");
    // One line per character: the character, its upper case and its lower case
    // where the language gives a single character.
    const std::string oracle = Output(
        "PYTHONIOENCODING=utf-8 python3 -c \"\nfor c in range(0xC0, 0x180):\n    s = chr(c)\n"
        "    u = s.upper() if len(s.upper()) == 1 else s\n"
        "    l = s.lower() if len(s.lower()) == 1 else s\n"
        "    print(s, u, l)\"");
    const auto lines = Split(oracle);
    ASSERT_EQ(lines.size(), 0xC0u);
    for (const std::string& line : lines) {
        std::istringstream fields(line);
        std::string c;
        std::string upper;
        std::string lower;
        fields >> c >> upper >> lower;
        EXPECT_EQ(UpperCase(c), upper) << c;
        if (c != "İ") {  // its simple lower case is the plain i
            EXPECT_EQ(LowerCase(c), lower) << c;
        }
    }
    EXPECT_EQ(LowerCase("İ"), "i");
}

TEST(CaseMapping, LeavesOtherTextAndStrayBytesAlone) {
    EXPECT_EQ(UpperCase("été à l'œil, ß"), "ÉTÉ À L'ŒIL, ß");
    EXPECT_EQ(LowerCase("ÇA VA ? ŸVES"), "ça va ? ÿves");
    EXPECT_EQ(UpperCase("a\xff\xc3\xa9\xe2\x82"), "A\xff\xc3\x89\xe2\x82");  // stray bytes kept
    EXPECT_EQ(UpperCase("αβ 日本"), "αβ 日本");
    EXPECT_TRUE(SameTextIgnoringCase("Été.JPG", "éTÉ.jpg"));
    EXPECT_FALSE(SameTextIgnoringCase("ete.jpg", "été.jpg"));
    EXPECT_FALSE(SameTextIgnoringCase("abc", "abcd"));
}

TEST(CompareTextLocale, SortsNamesTheWayTheDesktopDoes) {
    // Symbols before digits before letters; accents and case decide only
    // between names that are otherwise equal; ligatures sort as two letters.
    const std::vector<std::string> sorted{"_x.jpg",     "1.jpg",     "Eclair.jpg",  "Ecole.jpg",
                                          "ecole.jpg",  "École.jpg", "écolier.jpg", "oeuvre.jpg",
                                          "œuvre.jpg",  "Oz.jpg",    "photo 2.jpg", "photo10.jpg",
                                          "photo2.jpg", "strasse",   "straße",      "Zebre.jpg",
                                          "zebre.jpg",  "zèbre.jpg", "Ω.jpg"};
    for (size_t i = 0; i < sorted.size(); ++i) {
        EXPECT_EQ(CompareTextLocale(sorted[i], sorted[i]), 0);
        for (size_t j = i + 1; j < sorted.size(); ++j) {
            EXPECT_LT(CompareTextLocale(sorted[i], sorted[j]), 0) << sorted[i] << " " << sorted[j];
            EXPECT_GT(CompareTextLocale(sorted[j], sorted[i]), 0) << sorted[j] << " " << sorted[i];
        }
    }
    // The first accent from the left decides.
    EXPECT_LT(CompareTextLocale("cote", "coté"), 0);
    EXPECT_LT(CompareTextLocale("coté", "côte"), 0);
    EXPECT_LT(CompareTextLocale("côte", "côté"), 0);
    EXPECT_LT(CompareTextLocale("photo", "photo.jpg"), 0);
}

TEST(SortKey, OrdersAsTheComparisonDoes) {
    // Random names over the characters that decide each tier, with a symbol
    // of each range, a character of the other group and stray bytes.
    const std::vector<std::string> pieces{
        "a", "A", "é", "É", "e",        "è", "œ", "oe",   "ß", "1",    "_",        " ",         ".",
        "Ω", "z", "×", "÷", "\xc2\xa0", "~", "9", "\x01", "ſ", "\xff", "\xe2\x82", "\U0010FFFF"};
    std::mt19937 random(7);
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        std::string name;
        for (size_t n = random() % 5; n > 0; --n) name += pieces[random() % pieces.size()];
        names.push_back(name);
    }
    for (const std::string& a : names) {
        for (const std::string& b : names) {
            const int by_key = SortKey(a).compare(SortKey(b));
            EXPECT_EQ((by_key > 0) - (by_key < 0), CompareTextLocale(a, b)) << a << " | " << b;
        }
    }
}

TEST(MatchesMask, WildcardsIgnoreCaseAndCountCharacters) {
    struct Row {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Row rows[] = {
        {"photo.JPG", "*.jpg", true}, {"photo.jpg.bak", "*.jpg", false},
        {"README", "*.*", true},      {"photo", "photo.*", true},
        {"photos", "photo.*", false}, {"ÉTÉ.Jpg", "été.*", true},
        {"aéc", "a?c", true},         {"ac", "a?c", false},
        {"abcabd", "*abd", true},     {"ab", "*a*b*c", false},
        {"x.jpg", "", false},         {"x.jpg", "x.jpg ", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(MatchesMask(row.name, row.mask), row.matches) << row.name << " ~ " << row.mask;
    }
}

TEST(Mask, AnswersAsTheGeneralMatcher) {
    // Names built from pieces that fold onto the extensions' letters or
    // nearly; "İ" is the one non-ASCII letter whose small letter is ASCII.
    const std::vector<std::string> pieces{"a", ".", "jpg",  "JPG",  "Jp", "g", "gİf",  "gif", "GIF",
                                          "İ", "i", "\xc4", "\xb0", "é",  "x", "\xff", "bmp", ".."};
    const std::vector<std::string> masks{"*.jpg", "*.JPG", "*.gif",  "*.Gif",  "*.bmp", "*.*",
                                         "*.",    "*.j?g", "*.jpg ", "a*",     "",      "*.é",
                                         "*.gİf", "*.i",   "x.*",    "*.jpeg", "*..",   "*.1"};
    std::mt19937 random(11);
    std::vector<std::string> names{"", ".jpg", "x.jpg.bak", "x.gİf", "x.GİF", "x.gIF"};
    for (int i = 0; i < 3000; ++i) {
        std::string name;
        for (size_t n = random() % 5; n > 0; --n) name += pieces[random() % pieces.size()];
        names.push_back(name);
    }
    for (const std::string& mask : masks) {
        const Mask ready(mask);
        for (const std::string& name : names) {
            EXPECT_EQ(ready.Matches(name), MatchesMask(name, mask)) << name << " ~ " << mask;
        }
    }
}

TEST(CharacterBoundaries, StrayBytesAreCharactersOfTheirOwn) {
    // "a", "é", "€", a stray byte, a truncated sequence (its lead byte alone), its rest.
    const std::string text = "aé€\xff\xe2\x82";
    const std::vector<size_t> starts{0, 1, 3, 6, 7, 8, 9};
    for (size_t i = 1; i < starts.size(); ++i) {
        EXPECT_EQ(NextCharacter(text, starts[i - 1]), starts[i]);
        EXPECT_EQ(PreviousCharacter(text, starts[i]), starts[i - 1]);
    }
    EXPECT_EQ(NextCharacter(text, 9), 9u);
    EXPECT_EQ(PreviousCharacter(text, 0), 0u);
}

TEST(FormatFloatGeneral, AgreesWithPythonsGeneralFormatAndTakesTheDecimalSeparator) {
    SetDecimalSeparator('.');
    EXPECT_EQ(FormatFloatGeneral(2.35), "2.35");
    SetDecimalSeparator(',');
    EXPECT_EQ(FormatFloatGeneral(0.1 + 0.2), "0,3");
    REQUIRE_PROGRAM("python3");
    // Python's "%.15g" switches to the exponent at the same places; only the
    // spelling of the exponent and the separator differ.
    std::mt19937_64 random(20240607);
    std::vector<double> values{0.0, 1e-5, 999999999999999.9};
    for (int i = 0; i < 300; ++i) {
        const double mantissa = std::uniform_real_distribution<double>(-10, 10)(random);
        const int exponent = std::uniform_int_distribution<int>(-9, 18)(random);
        values.push_back(mantissa * std::pow(10.0, exponent));
    }
    std::string arguments;
    for (const double v : values) {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, " %.17g", v);
        arguments += buffer;
    }
    const auto expected =
        Split(Output("PYTHONIOENCODING=utf-8 python3 -c \"import sys\nfor a in sys.argv[1:]:\n"
                     "    t = '%.15g' % float(a)\n    m, _, e = t.partition('e')\n"
                     "    print(m.replace('.', ',') + ('E' + str(int(e)) if e else ''))\"" +
                     arguments));
    ASSERT_EQ(expected.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(FormatFloatGeneral(values[i]), expected[i]) << values[i];
    }
}

TEST(Windows1252, EveryByteComesBackFromUtf8AndIconvAgrees) {
    std::string every;
    for (int b = 1; b < 256; ++b) every.push_back(static_cast<char>(b));
    EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(every)), every);
    EXPECT_EQ(Utf8ToWindows1252("Été €"), "\xC9t\xE9 \x80");
    EXPECT_EQ(Utf8ToWindows1252("Été € 日"), std::nullopt);
    EXPECT_EQ(Utf8ToWindows1252("a\xFF"), "a\xFF");
    EXPECT_EQ(Windows1252ToUtf8("\x80\x81\x9f"), "€\xc2\x81Ÿ");
    EXPECT_EQ(Windows1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));

    REQUIRE_PROGRAM("iconv");
    // Every byte the code page defines, from the blank on.
    std::string bytes;
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) {
            bytes.push_back(static_cast<char>(b));
        }
    }
    TempDir dir;
    WriteFile(dir / "in", bytes);
    EXPECT_EQ(Windows1252ToUtf8(bytes),
              Output("iconv -f WINDOWS-1252 -t UTF-8 " + ShellQuote(dir / "in")));
}

TEST(Utf8OrWindows1252, OnlyWellFormedUtf8IsKeptAndPythonAgreesOnWhatIs) {
    EXPECT_EQ(Utf8OrWindows1252ToUtf8("Mod\xC3\xA8le \xE2\x82\xAC"), "Modèle €");
    EXPECT_EQ(Utf8ToWindows1252(Utf8OrWindows1252ToUtf8("Mod\xE8le")), "Mod\xE8le");
    REQUIRE_PROGRAM("python3");
    // Cut, overlong, a surrogate, beyond U+10FFFF, a stray follower, well-formed.
    TempDir dir;
    for (const std::string bytes : {"a\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                                    "\xF4\x90\x80\x80", "\x80", "\xC3\xA9\xF0\x9F\x98\x80"}) {
        WriteFile(dir / "in", bytes);
        const bool valid = testing_support::Run("python3 -c 'open(\"" + dir / "in" +
                                                "\", \"rb\").read().decode()' 2>/dev/null") == 0;
        EXPECT_EQ(IsValidUtf8(bytes), valid) << bytes;
        EXPECT_EQ(Utf8OrWindows1252ToUtf8(bytes), valid ? bytes : Windows1252ToUtf8(bytes));
    }
}

TEST(Utf16, IconvAgreesInBothByteOrdersAndTheTextComesBack) {
    // Latin, CJK, a character beyond the basic plane (a surrogate pair).
    const std::string text = "Iguane été 日本 \xF0\x9F\xA6\x8E";
    for (const bool big_endian : {false, true}) {
        SCOPED_TRACE(big_endian);
        const std::string units = Utf8ToUtf16(text, big_endian);
        EXPECT_EQ(Utf16ToUtf8(units, big_endian), text);
        // A stray byte is no character the other end could read back.
        const std::string stray = std::string("a\xE9") + "b";
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(stray, big_endian), big_endian), "a\uFFFDb");
        REQUIRE_PROGRAM("iconv");
        TempDir dir;
        WriteFile(dir / "in", text);
        EXPECT_EQ(units, Output(std::string("iconv -f UTF-8 -t ") +
                                (big_endian ? "UTF-16BE " : "UTF-16LE ") + ShellQuote(dir / "in")));
    }
    EXPECT_TRUE(IsAscii("plain, 7 bits\x7F"));
    EXPECT_FALSE(IsAscii("caf\xC3\xA9"));
}

}  // namespace
}  // namespace platform
