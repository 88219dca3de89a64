#include "metadata/value_format.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>

#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "platform/core/text.h"
#include "test_support.h"

namespace metadata {
namespace {

using namespace testing_support;

constexpr const char* kRangeError = "Erreur de vérification d'étendue";

// Sets the application's decimal separator for one test and puts it back.
class Separator {
public:
    explicit Separator(char separator) : saved_(platform::DecimalSeparator()) {
        platform::SetDecimalSeparator(separator);
    }
    ~Separator() { platform::SetDecimalSeparator(saved_); }
    Separator(const Separator&) = delete;
    Separator& operator=(const Separator&) = delete;

private:
    char saved_;
};

// A double written exactly, as a C hexadecimal floating constant.
std::string HexFloat(double value) {
    char digits[64];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, std::fabs(value), std::chars_format::hex).ptr;
    return std::string(std::signbit(value) ? "-0x" : "0x") + std::string(digits, end);
}

// The lines the system's printf writes for a format applied to each argument.
std::vector<std::string> PrintfLines(const std::string& format,
                                     const std::vector<std::string>& arguments) {
    std::string command = "LC_ALL=C /usr/bin/printf " + ShellQuote(format + "\\n");
    for (const std::string& argument : arguments) command += " " + argument;
    return Split(Output(command));
}

TEST(DecodeCode, FindsTheTrimmedValueBetweenCommas) {
    EXPECT_EQ(DecodeCode("1:Average,2:Center", " 2 "), "Center");
    EXPECT_EQ(DecodeCode("1:Average,2:Center", "3"), "");
    EXPECT_EQ(DecodeCode("1:Average,2:Center", "1:Average"), "");
    // "1" must not match the start of "10", nor "0" the end of "10".
    EXPECT_EQ(DecodeCode("10:Flash,1:Daylight", "1"), "Daylight");
    EXPECT_EQ(DecodeCode("10:Flash,0:-1", "0"), "-1");
    EXPECT_EQ(DecodeCode("1:Average", ""), "");
}

TEST(Fractions, FormatAndReadBack) {
    EXPECT_EQ(FormatFraction(-5, 3), "-5/3");
    EXPECT_EQ(FormatFraction(4294967295, 1), "4294967295/1");
    EXPECT_DOUBLE_EQ(FractionToFloat("1 1/2"), 1.5);
    EXPECT_DOUBLE_EQ(FractionToFloat("  -5/2 "), -2.5);
    EXPECT_DOUBLE_EQ(FractionToFloat("4294967295/1"), 4294967295.0);
    for (const char* odd : {"5/0", "1 1/0", "abc", "5", "", "1/", "/2", "1/2/3", "1 2 3/4", "1.5/2",
                            "- 1/2", "99999999999999999999/1"}) {
        EXPECT_EQ(FractionToFloat(odd), 0.0) << odd;
    }
}

TEST(MakePrintable, KeepsFiftyCharactersAndDotsTheControlOnes) {
    EXPECT_EQ(MakePrintable(std::string(80, 'x')), std::string(50, 'x'));
    EXPECT_EQ(MakePrintable(std::string("a\tb\nc\0d\x1F", 8)), "a.b.c.d.");
    std::string accents;
    for (int i = 0; i < 60; ++i) accents += "é";
    EXPECT_EQ(MakePrintable(accents), accents.substr(0, 100));
}

TEST(Formats, ApplyToTextsAndNumbersWithTheApplicationsSeparator) {
    const Separator point('.');
    EXPECT_EQ(FormatText("%s sec", "1/60"), "1/60 sec");
    EXPECT_EQ(FormatText("[%-6s]", "é"), "[é     ]");
    EXPECT_EQ(FormatText("[%.2s]", "éàü"), "[éà]");
    EXPECT_EQ(FormatText("100%% %s", "x"), "100% x");
    EXPECT_EQ(FormatNumber("F%0.1f", 5.6), "F5.6");
    EXPECT_EQ(FormatNumber("%5.2f mm", 5.8), " 5.80 mm");
    EXPECT_EQ(FormatNumber("%d", 2.5), "2");
    EXPECT_EQ(FormatNumber("%d", 3.5), "4");
    {
        const Separator comma(',');
        EXPECT_EQ(FormatNumber("F%0.1f", 5.6), "F5,6");
        EXPECT_EQ(FormatNumber("%5.2f mm", 5.8), " 5,80 mm");
        // Only the number takes the separator, never the rest of the format.
        EXPECT_EQ(FormatNumber("1.%0.1f.", 5.6), "1.5,6.");
        EXPECT_EQ(FormatText("%s.", "1.5"), "1.5.");
    }
}

TEST(Formats, AFormatThatDoesNotFitItsArgumentIsAnError) {
    const std::string bad = "Format '%5.2f' incorrect ou incompatible avec l'argument";
    EXPECT_EQ(ErrorText([] { FormatText("%5.2f", "x"); }), bad);
    for (const char* format : {"%s", "%q", "%", "%5", "%d %d", "%5.2f %s", "%123f", "%.999f"}) {
        EXPECT_NE(ErrorText([&] { FormatNumber(format, 1.0); }), "(no error)") << format;
    }
    EXPECT_NE(ErrorText([] { FormatText("%d", "1"); }), "(no error)");
    EXPECT_EQ(ErrorText([] { FormatNumber("%d", std::numeric_limits<double>::infinity()); }),
              kRangeError);
}

TEST(Formats, NumbersAgreeWithPrintfInTheCLocale) {
    REQUIRE_PROGRAM("/usr/bin/printf");
    const Separator point('.');
    std::mt19937 random(11);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-6, 12);
    std::vector<double> values = {0.0, -0.0, 0.125, 0.375, 2.5, -2.5, 1e300, -1e-300, 5.8, 28.0};
    for (int i = 0; i < 300; ++i) values.push_back(std::ldexp(mantissa(random), exponent(random)));
    std::vector<std::string> reals;
    std::vector<double> wholes;
    std::vector<std::string> integers;
    for (const double value : values) {
        reals.push_back(HexFloat(value));
        const double whole = std::nearbyint(value);
        if (std::fabs(whole) > 1e9) continue;
        wholes.push_back(whole);
        integers.push_back(std::to_string(static_cast<int64_t>(whole)));
    }
    for (const char* format : {"%f", "%0.1f", "%5.2f", "%-9.3f|", "%.0f", "%12.4f|", "%0.0f x"}) {
        const auto expected = PrintfLines(format, reals);
        ASSERT_EQ(expected.size(), values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(FormatNumber(format, values[i]), expected[i]) << format << " " << reals[i];
        }
    }
    for (const char* format : {"%d", "%5d|", "%-5d|", "%.3d", "%7.4d"}) {
        const auto expected = PrintfLines(format, integers);
        ASSERT_EQ(expected.size(), wholes.size());
        for (size_t i = 0; i < wholes.size(); ++i) {
            EXPECT_EQ(FormatNumber(format, wholes[i]), expected[i]) << format << " " << wholes[i];
        }
    }
}

TEST(Callbacks, CharacterCodesComponentsGpsAndShutterSpeeds) {
    const Separator point('.');
    EXPECT_EQ(CommentAfterCharset("\"ASCII..Hello\""), "Hello\"");
    EXPECT_EQ(CommentAfterCharset("12345678"), "");
    EXPECT_EQ(CommentAfterCharset("abc"), "");
    EXPECT_EQ(CommentAfterCharset("éééééééét"), "t");
    // The four bytes after the quote.
    EXPECT_EQ(FormatComponentsConfig("\"\x01\x02\x03\""), "YCbCr");
    EXPECT_EQ(FormatComponentsConfig(std::string("\"\x04\x05\x06\0\"", 6)), "RGB");
    EXPECT_EQ(FormatComponentsConfig("\"\x07\x01\x09\x02\""), "YCb");
    EXPECT_EQ(ErrorText([] { FormatComponentsConfig("\"\x01\x02\""); }), kRangeError);
    EXPECT_EQ(ErrorText([] { FormatComponentsConfig(""); }), kRangeError);
    EXPECT_EQ(FormatGpsTime("14/1, 3075/100, 0/1"), "14:31:0");
    EXPECT_EQ(FormatGpsTime("7/1"), "7:0:0");
    EXPECT_EQ(FormatGpsCoordinate("48/1, 51/1, 30/1"), "48 Degrees 51 Minutes 30 Seconds");
    EXPECT_EQ(FormatGpsCoordinate("122/1, 2475/100, 0/1"), "122 Degrees 24 Minutes 45 Seconds");
    EXPECT_EQ(FormatGpsCoordinate(""), "0 Degrees 0 Minutes 0 Seconds");
    // An APEX value; an exposure too short for any number raises, and the
    // caller keeps the undecoded text.
    EXPECT_EQ(FormatShutterSpeed("1/1"), "0.5000 sec (1/2)");
    EXPECT_EQ(FormatShutterSpeed("-2/1"), "4.0000 sec");
    EXPECT_EQ(FormatShutterSpeed("7965784/1000000"), "0.0040 sec (1/250)");
    EXPECT_EQ(FormatShutterSpeed("odd"), "1.0000 sec");
    EXPECT_EQ(ErrorText([] { FormatShutterSpeed("5000/1"); }), kRangeError);
}

TEST(Callbacks, DecodeFlashNamesEachGroupOfBits) {
    EXPECT_EQ(DecodeFlash("0"), "Off");
    EXPECT_EQ(DecodeFlash("16"), "Off, surpressed");
    EXPECT_EQ(DecodeFlash("3"), "On, UNKNOWN");
    EXPECT_EQ(DecodeFlash("5"), "On, no strobe return");
    EXPECT_EQ(DecodeFlash("9"), "On, forced");
    EXPECT_EQ(DecodeFlash(" 127 "),
              "On, strobe return, auto mode, no flash function, red-eye reduction");
    for (const char* odd : {"", "16, 0", "1.5", "99999999999999999999"}) {
        EXPECT_NE(ErrorText([&] { DecodeFlash(odd); }), "(no error)") << odd;
    }
    EXPECT_EQ(ErrorText([] { DecodeFlash("x1"); }), "'x1' n'est pas une valeur entière correcte");
}

// The byte list a UTF-16LE value shows as, made by iconv from UTF-8.
std::string WideByteList(const std::string& utf8) {
    TempDir dir;
    WriteFile(dir / "in.txt", utf8);
    const std::string hex =
        Output("iconv -f UTF-8 -t UTF-16LE " + ShellQuote(dir / "in.txt") + " | od -An -v -tu1");
    std::string list;
    for (size_t at = 0; at < hex.size();) {
        const size_t begin = hex.find_first_not_of(" \n", at);
        if (begin == std::string::npos) break;
        const size_t end = hex.find_first_of(" \n", begin);
        list += hex.substr(begin, end - begin) + ", ";
        at = end;
    }
    return list + "0, 0";
}

TEST(Callbacks, WideTextIsDecodedFromUtf16) {
    REQUIRE_PROGRAM("iconv");
    for (const char* text : {"Été à Noël", "日本の夏", "soleil 😀 ☀"}) {
        EXPECT_EQ(DecodeWideText(WideByteList(text)), text) << WideByteList(text);
    }
}

TEST(Callbacks, WideTextStopsAtItsEndAndRefusesWhatIsNotAByteList) {
    EXPECT_EQ(DecodeWideText("72, 0, 105, 0, 0, 0, 65, 0"), "Hi");
    EXPECT_EQ(DecodeWideText("72, 0, 105"), "H");  // an odd last byte is no character
    EXPECT_EQ(DecodeWideText(""), "");
    EXPECT_EQ(DecodeWideText("0, 216, 65, 0"),
              "\xEF\xBF\xBD"
              "A");  // a lone surrogate
    EXPECT_EQ(ErrorText([] { DecodeWideText("72, 256"); }), kRangeError);
    EXPECT_NE(ErrorText([] { DecodeWideText("\"Hi\""); }), "(no error)");
}

TEST(Callbacks, NikonColorModeAndLensInformation) {
    EXPECT_EQ(DecodeNikonColorMode("\"MODE1   \""), "Mode1 (sRGB)");
    EXPECT_EQ(DecodeNikonColorMode("\"MODE3a\""), "Mode 3 (sRGB): higher saturation");
    EXPECT_EQ(DecodeNikonColorMode("\"BW\""), "BW\"");
    EXPECT_EQ(DecodeNikonColorMode(""), "");

    const Separator point('.');
    EXPECT_EQ(DecodeNikonLensInfo("50/1, 50/1, 14/10"), "50.0-50.0(mm)  F1.4-F0.0");
    const Separator comma(',');
    EXPECT_EQ(DecodeNikonLensInfo("180/10, 700/10, 35/10, 45/10"), "18,0-70,0(mm)  F3,5-F4,5");
}

// The flash, GPS position and Canon callbacks are seen at work in the walks
// of the files ExifTool reads.
TEST(ApplyCallback, SendsEachCallbackToItsDecoder) {
    const Separator point('.');
    TimgData owner;
    TImageInfo info(owner, 255);
    const struct {
        Callback callback;
        std::string value;
        std::string shown;
    } rows[] = {
        {Callback::None, "as is", "as is"},
        {Callback::CommentAfterCharset, "\"ASCII..Hi", "Hi"},
        {Callback::FormatShutterSpeed, "6/1", "0.0156 sec (1/64)"},
        {Callback::FormatComponentsConfig, "\"\x01\x02\x03\"", "YCbCr"},
        {Callback::FormatGpsTime, "14/1, 30/1, 15/1", "14:30:15"},
        {Callback::DecodeWideText, "72, 0, 105, 0", "Hi"},
        {Callback::DecodeNikonColorMode, "\"MODE2\"", "Mode 2 (Adobe RGB)"},
        {Callback::DecodeNikonLensInfo, "180/10, 700/10, 35/10, 45/10", "18.0-70.0(mm)  F3.5-F4.5"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ApplyCallback(row.callback, row.value, info), row.shown) << row.value;
    }
    EXPECT_TRUE(info.Tags().empty());
}

}  // namespace
}  // namespace metadata
