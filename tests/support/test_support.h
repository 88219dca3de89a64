// Helpers shared by the tests: scratch folders, test pictures, outside tools.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/error.h"

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with its content
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path of `name` inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A file of the project's test pictures (tests/data).
std::string TestData(const std::string& relative);

std::vector<uint8_t> Bytes(std::string_view text);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteFile(const std::string& path, const std::string& text);
std::vector<uint8_t> ReadFile(const std::string& path);
std::string ReadText(const std::string& path);  // the bytes of a file as a string
void MakeDirs(const std::string& path);

// Runs a shell command; returns its exit status and fills `output` with what it
// wrote on standard output.
int Run(const std::string& command, std::string* output = nullptr);
// What a shell command writes on standard output; a command that fails fails
// the test.
std::string Output(const std::string& command);
// ImageMagick's description of a file in the given -format.
std::string Identify(const std::string& format, const std::string& file);
// True when the program is on the PATH (oracle tools).
bool HaveProgram(const std::string& name);
// "PROGRAM is not installed", with the Debian package that brings it.
std::string NotInstalled(const std::string& program);

// Whether what a test needs from outside (an oracle program, a second file
// system) must be there: ./scripts/test installs the oracles and says so
// through VISU_ORACLES_REQUIRED=1; a test run by hand may lack them.
bool OraclesRequired();

// ExifTool's value of one tag of a file (-s -s -s, printed or numeric with
// -n), without its line end; empty when the file has no such tag.
std::string ExifToolValue(const std::string& tag, const std::string& file, bool numeric = false);

// Lets ExifTool write `arguments` into a file in place, quietly; its exit status.
int ExifToolWrite(const std::string& arguments, const std::string& file);

// Gives a photo what real photos carry beside EXIF data, with ExifTool: an
// XMP packet (a rating and two keywords) and an ICC profile of red, green and
// blue too long for one segment (a camera file's profile, padded to 150,000
// bytes: three APP2 segments) in place of its own, after its EXIF segment.
void AddXmpAndIccProfile(const std::string& photo);

// What ExifTool reads of a file's XMP packet and ICC profile, to compare a
// rewrite with its source: the XMP tags, one "tag: value" line each, then
// the profile's bytes.
std::string XmpAndIccProfile(const std::string& file);

// The pieces of a text between separators, as std::getline cuts them (no
// empty last piece after a final separator).
std::vector<std::string> Split(const std::string& text, char separator = '\n');

// The text quoted for a shell command line.
std::string ShellQuote(const std::string& text);

// Runs `action` on a thread of its own allowed on `count` of the processors
// the test may use (all of them when it may use fewer); the threads it
// starts inherit that.
void OnProcessors(int count, const std::function<void()>& action);

// Sets an environment variable (or removes it, given no value) for the life
// of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The message of the platform error that `action` raises, "(no error)" when
// it raises none.
template <typename F>
std::string ErrorText(F&& action) {
    try {
        action();
    } catch (const platform::Error& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace testing_support

// Ends the test when `condition` does not hold: a failure, giving `reason`,
// when the oracles are required; a skip otherwise.
#define REQUIRE_OR_SKIP(condition, reason)                                         \
    do {                                                                           \
        if (!(condition)) {                                                        \
            const std::string visu_missing_reason = (reason);                      \
            if (testing_support::OraclesRequired()) FAIL() << visu_missing_reason; \
            GTEST_SKIP() << visu_missing_reason;                                   \
        }                                                                          \
    } while (false)

// Ends the test when the oracle `program` is not installed.
#define REQUIRE_PROGRAM(program) \
    REQUIRE_OR_SKIP(testing_support::HaveProgram(program), testing_support::NotInstalled(program))
