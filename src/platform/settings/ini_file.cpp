#include "platform/settings/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <span>
#include <system_error>

#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/text.h"

namespace platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

int DigitValue(char c, unsigned base) {
    int value = -1;
    if (c >= '0' && c <= '9') value = c - '0';
    if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

std::string OneLine(std::string_view value) {
    std::string line;
    line.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') continue;
        line.push_back(value[i] == '\r' || value[i] == '\n' ? ' ' : value[i]);
    }
    return line;
}

bool IsBlankLine(std::string_view text) {
    return text.find_first_not_of(" \t\r") == std::string_view::npos;
}

// A settings file is small; anything larger, or anything but a plain file (a
// pipe that never ends, a device), is not one.
constexpr off_t kMaxSettingsFileSize = 1 << 20;

// The bytes of the file: empty when there is no file yet or it cannot be
// read, none when what stands under its name is no settings file.
std::optional<std::string> Content(const std::string& file_name) {
    // Opening a pipe would wait for a writer; without waiting it is refused below.
    struct File {
        int fd;
        ~File() {
            if (fd >= 0) ::close(fd);
        }
    } const file{::open(file_name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    const int fd = file.fd;
    if (fd < 0) return std::string();
    struct stat info {};
    if (::fstat(fd, &info) != 0) return std::string();
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxSettingsFileSize) return std::nullopt;
    // The file may grow while it is read: one byte over the limit tells.
    std::string bytes;
    bytes.reserve(static_cast<size_t>(info.st_size));
    std::array<char, 4096> chunk{};
    while (bytes.size() <= static_cast<size_t>(kMaxSettingsFileSize)) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::string();
        if (n == 0) return bytes;
        bytes.append(chunk.data(), static_cast<size_t>(n));
    }
    return std::nullopt;
}

std::string ProgramName() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    std::string name = error ? std::string(program_invocation_short_name) : exe.filename().string();
    // The link of a program file replaced while it runs (a rebuild) says so.
    constexpr std::string_view kReplaced = " (deleted)";
    if (!error && name.ends_with(kReplaced)) name.resize(name.size() - kReplaced.size());
    // A leading dot starts a hidden name, not an extension.
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

}  // namespace

std::optional<int32_t> ParseInteger(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    unsigned base = 10;
    if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    const uint64_t limit =
        base == 16 ? std::numeric_limits<uint32_t>::max()
                   : uint64_t{std::numeric_limits<int32_t>::max()} + (negative ? 1u : 0u);
    uint64_t magnitude = 0;
    for (const char c : text) {
        const int digit = DigitValue(c, base);
        if (digit < 0) return std::nullopt;
        magnitude = magnitude * base + static_cast<unsigned>(digit);
        if (magnitude > limit) return std::nullopt;
    }
    // Hexadecimal gives a 32-bit pattern, negated as such.
    const uint32_t bits = static_cast<uint32_t>(magnitude);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
}

std::string SettingsFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        std::string folder = config;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    }
    const std::string home = HomeDirectory();
    return (home == "/" ? "" : home) + "/.config";
}

std::string SettingsFileName() {
    const std::string folder = SettingsFolder();
    return (folder == "/" ? "" : folder) + "/" + ProgramName() + ".ini";
}

IniFile::IniFile(std::string file_name) {
    const std::optional<std::string> content = Content(file_name);
    *this = IniFile(std::move(file_name), content.value_or(""));
    left_as_is_ = !content;
}

IniFile::IniFile(std::string file_name, std::string_view text) : file_name_(std::move(file_name)) {
    bool in_section = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        Line line;
        line.text = std::string(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        std::string_view content = line.text;
        if (content.ends_with('\r')) content.remove_suffix(1);
        const std::string_view trimmed = Trim(content);
        const size_t close = trimmed.find(']');
        const size_t equals = content.find('=');
        if (trimmed.starts_with('[') && close != std::string_view::npos) {
            line.kind = Kind::Header;
            line.name = Trim(trimmed.substr(1, close - 1));
            in_section = true;
        } else if (in_section && equals != std::string_view::npos && !trimmed.starts_with(';') &&
                   !trimmed.starts_with('#')) {
            line.kind = Kind::Key;
            line.name = Trim(content.substr(0, equals));
            line.value = content.substr(equals + 1);
        }
        lines_.push_back(std::move(line));
    }
}

std::optional<size_t> IniFile::FindKey(std::string_view section, std::string_view key) const {
    bool in_section = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Header) in_section = SameTextIgnoringCase(line.name, section);
        if (in_section && line.kind == Kind::Key && SameTextIgnoringCase(line.name, key)) return i;
    }
    return std::nullopt;
}

bool IniFile::SectionExists(std::string_view section) const {
    bool in_section = false;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Header) in_section = SameTextIgnoringCase(line.name, section);
        if (in_section && line.kind == Kind::Key) return true;
    }
    return false;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
    return FindKey(section, key).has_value();
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view default_value) const {
    const std::optional<size_t> index = FindKey(section, key);
    if (!index) return std::string(default_value);
    const std::string& value = lines_[*index].value;
    size_t end = 0;
    for (size_t n = 0; n < kIniValueMaxCharacters && end < value.size(); ++n) {
        end = NextCharacter(value, end);
    }
    return value.substr(0, end);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t default_value) const {
    const std::optional<size_t> index = FindKey(section, key);
    if (!index) return default_value;
    return ParseInteger(lines_[*index].value).value_or(default_value);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
    return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Line line{Kind::Key, std::string(key), OneLine(value), ""};
    line.text = line.name + "=" + line.value;
    if (const std::optional<size_t> index = FindKey(section, key)) {
        lines_[*index] = std::move(line);
        return;
    }
    // After the last key of the section, or right after its header.
    std::optional<size_t> last;
    bool in_section = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Kind kind = lines_[i].kind;
        if (kind == Kind::Header) {
            in_section = SameTextIgnoringCase(lines_[i].name, section);
            if (in_section && !last) last = i;
        }
        if (in_section && kind == Kind::Key) last = i;
    }
    if (last) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*last + 1), std::move(line));
        return;
    }
    if (!lines_.empty() && !IsBlankLine(lines_.back().text)) {
        lines_.push_back(Line{});
    }
    Line header{Kind::Header, std::string(section), "", ""};
    header.text = "[" + header.name + "]";
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(line));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(std::string_view section) {
    std::vector<bool> erased(lines_.size());
    bool in_section = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Header) {
            in_section = SameTextIgnoringCase(lines_[i].name, section);
        }
        erased[i] = in_section;
    }
    // Blank lines right before a header separate its section from the one
    // above: they go with it.
    std::optional<bool> next_header;
    for (size_t i = lines_.size(); i-- > 0;) {
        if (lines_[i].kind == Kind::Header) {
            next_header = erased[i];
        } else if (!IsBlankLine(lines_[i].text)) {
            next_header.reset();
        } else if (next_header) {
            erased[i] = *next_header;
        }
    }
    std::vector<Line> kept;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (!erased[i]) kept.push_back(std::move(lines_[i]));
    }
    lines_ = std::move(kept);
}

std::string IniFile::Text() const {
    std::string text;
    for (const Line& line : lines_) {
        text += line.text;
        text += '\n';
    }
    return text;
}

void IniFile::UpdateFile() const {
    if (left_as_is_) RaiseFileCreate(file_name_, EINVAL);
    const std::filesystem::path folder = std::filesystem::path(file_name_).parent_path();
    std::error_code ignored;
    // A folder that cannot be made shows as the write's own failure.
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    const std::string text = Text();
    WriteFileAtomic(file_name_,
                    std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace platform
