#include "test_support.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <utility>

namespace testing_support {

namespace fs = std::filesystem;

namespace {

// Runs a shell command; its exit status, -1 when it did not end normally.
int Execute(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    std::string text;
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) text.append(buffer.data(), n);
    const int status = pclose(pipe);
    if (output != nullptr) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The Debian package of each program the tests run as an oracle.
constexpr std::pair<std::string_view, std::string_view> kOraclePackages[] = {
    {"chromium", "chromium"},       {"convert", "imagemagick"},
    {"cupsd", "cups"},              {"exiftool", "libimage-exiftool-perl"},
    {"find", "findutils"},          {"getfacl", "acl"},
    {"getfattr", "attr"},           {"gifbuild", "giflib-tools"},
    {"gifsicle", "gifsicle"},       {"iconv", "libc-bin"},
    {"identify", "imagemagick"},    {"od", "coreutils"},
    {"pdfimages", "poppler-utils"}, {"pdfinfo", "poppler-utils"},
    {"pdftoppm", "poppler-utils"},  {"printf", "coreutils"},
    {"python3", "python3"},         {"setfacl", "acl"},
    {"setfattr", "attr"},           {"stat", "coreutils"},
    {"touch", "coreutils"},
};

std::string_view PackageOf(const std::string& program) {
    const std::string name = fs::path(program).filename().string();
    for (const auto& [known, package] : kOraclePackages) {
        if (known == name) return package;
    }
    return {};
}

// A command the shell did not find fails the test, naming the oracles of the
// command line that are missing.
void ReportMissingOracles(const std::string& command) {
    bool named = false;
    for (const std::string& word : Split(command, ' ')) {
        if (!PackageOf(word).empty() && !HaveProgram(word)) {
            ADD_FAILURE() << NotInstalled(word);
            named = true;
        }
    }
    if (!named) ADD_FAILURE() << "a program of this command is not installed: " << command;
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "visu-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TestData(const std::string& relative) {
    return std::string(VISU_TESTDATA_DIR) + "/" + relative;
}

std::vector<uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteFile(const std::string& path, const std::string& text) {
    WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadText(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

void MakeDirs(const std::string& path) {
    fs::create_directories(path);
}

int Run(const std::string& command, std::string* output) {
    const int code = Execute(command, output);
    constexpr int kCommandNotFound = 127;
    if (code == kCommandNotFound) ReportMissingOracles(command);
    return code;
}

std::string Output(const std::string& command) {
    std::string output;
    EXPECT_EQ(Run(command, &output), 0) << command;
    return output;
}

std::string Identify(const std::string& format, const std::string& file) {
    return Output("identify -format " + ShellQuote(format) + " " + ShellQuote(file));
}

void OnProcessors(int count, const std::function<void()>& action) {
    cpu_set_t allowed;
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    cpu_set_t chosen;
    CPU_ZERO(&chosen);
    for (size_t cpu = 0; cpu < CPU_SETSIZE && CPU_COUNT(&chosen) < count; ++cpu) {
        if (CPU_ISSET(cpu, &allowed)) CPU_SET(cpu, &chosen);
    }
    std::thread pinned([&] {
        ASSERT_EQ(pthread_setaffinity_np(pthread_self(), sizeof chosen, &chosen), 0);
        action();
    });
    pinned.join();
}

bool HaveProgram(const std::string& name) {
    return Execute("command -v " + ShellQuote(name) + " >/dev/null 2>&1", nullptr) == 0;
}

std::string NotInstalled(const std::string& program) {
    const std::string_view package = PackageOf(program);
    if (package.empty()) return program + " is not installed";
    return program + " is not installed (Debian package " + std::string(package) + ")";
}

bool OraclesRequired() {
    const char* required = std::getenv("VISU_ORACLES_REQUIRED");
    return required != nullptr && std::string_view(required) == "1";
}

std::string ExifToolValue(const std::string& tag, const std::string& file, bool numeric) {
    std::string output;
    Run("exiftool -s -s -s " + std::string(numeric ? "-n " : "") + ShellQuote("-" + tag) + " " +
            ShellQuote(file),
        &output);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    return output;
}

int ExifToolWrite(const std::string& arguments, const std::string& file) {
    return Run("exiftool -q -q -overwrite_original " + arguments + " " + ShellQuote(file));
}

void AddXmpAndIccProfile(const std::string& photo) {
    std::string profile;
    Run("exiftool -b -ICC_Profile " +
            ShellQuote(TestData("exif-samples/jpg/orientation/landscape_2.jpg")),
        &profile);
    ASSERT_GT(profile.size(), 128u);
    // The profile's size, big-endian, opens its header.
    constexpr uint32_t kSize = 150000;
    profile.resize(kSize, '\0');
    for (size_t i = 0; i < 4; ++i) profile[i] = static_cast<char>(kSize >> (24 - 8 * i));
    const std::string file = photo + ".icc";
    WriteFile(file, profile);
    // Without a profile of its own first, the photo gets the new one after
    // its EXIF segment, where a reader still finds that among the first.
    EXPECT_EQ(ExifToolWrite("-ICC_Profile=", photo), 0);
    EXPECT_EQ(ExifToolWrite("-XMP:Rating=4 -XMP-dc:Subject=un -XMP-dc:Subject=deux "
                            "'-ICC_Profile<=" +
                                file + "'",
                            photo),
              0);
    std::remove(file.c_str());
}

std::string XmpAndIccProfile(const std::string& file) {
    return Output("exiftool -s -s -XMP:all " + ShellQuote(file)) +
           Output("exiftool -b -ICC_Profile " + ShellQuote(file));
}

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (old_) {
        setenv(name_, old_->c_str(), 1);
    } else {
        unsetenv(name_);
    }
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    std::istringstream stream(text);
    for (std::string piece; std::getline(stream, piece, separator);) pieces.push_back(piece);
    return pieces;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

}  // namespace testing_support
