// The settings file: INI text read and written with the profile-string rules.
//
// A section starts with its name in square brackets; each of its lines
// "key=value" is one key. Names of sections and keys compare ignoring case.
// Values are kept raw: no quoting, no escaping, no blanks trimmed, so a value
// reads back exactly as it was written. Every line the object does not write
// (unknown sections and keys, comments, blank lines) is written back as it
// was read.
//
// The file is read once, when the object is made; changes are kept in memory
// until UpdateFile writes them all through a temporary file and a rename, so
// a failed write leaves the old file whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A value read back is cut to this many characters.
inline constexpr size_t kIniValueMaxCharacters = 2047;

// An integer as the class library reads one: an optional sign, then decimal
// digits, or hexadecimal digits after "$", "0x" or "0X"; leading blanks are
// allowed, nothing may follow. Hexadecimal runs up to FFFFFFFF, read as the
// 32-bit pattern it is ($FFFFFFFF is -1); decimal must fit in 32 bits.
std::optional<int32_t> ParseInteger(std::string_view text);

// The settings file of the program: $XDG_CONFIG_HOME/<program>.ini (a
// relative or empty $XDG_CONFIG_HOME counts as unset, which gives
// ~/.config), <program> being the executable's name without its extension.
std::string SettingsFileName();
// The folder that holds it, without a trailing "/".
std::string SettingsFolder();

class IniFile {
public:
    // Reads the file; a missing or unreadable file is an empty one. So is
    // anything that is not a plain file of at most 1 MiB (a link to one is
    // fine), which UpdateFile then refuses to replace.
    explicit IniFile(std::string file_name);
    // Takes the content from memory; UpdateFile writes it to `file_name`.
    IniFile(std::string file_name, std::string_view text);

    const std::string& FileName() const { return file_name_; }

    // A section exists when it lists at least one key.
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

    // The value cut to kIniValueMaxCharacters, or `default_value` when the key
    // does not exist.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view default_value) const;
    // `default_value` also when the value is not an integer (ParseInteger).
    int32_t ReadInteger(std::string_view section, std::string_view key,
                        int32_t default_value) const;
    // An integer: non-zero is true.
    bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;

    // Replaces the value of an existing key in place, or adds the key at the
    // end of its section, or the section at the end of the file. A line break
    // in the value (CR, LF or CR LF) becomes one blank, so that the value
    // stays on its line and cannot start keys or sections of its own.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    // "1" or "0".
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // Removes every section of that name with all its lines, and the blank
    // lines that set it apart from the section above.
    void EraseSection(std::string_view section);

    // The content as UpdateFile writes it, one "\n" after every line.
    std::string Text() const;
    // Writes the content to the file through a temporary file and a rename,
    // making the file's folder when it is missing; raises the file-create
    // error when the system refuses.
    void UpdateFile() const;

private:
    enum class Kind { Other, Header, Key };
    struct Line {
        Kind kind = Kind::Other;
        std::string name;   // section name of a header, key name of a key
        std::string value;  // value of a key
        std::string text;   // the whole line as written in the file
    };

    // Index of the first line of that key in a section of that name.
    std::optional<size_t> FindKey(std::string_view section, std::string_view key) const;

    std::string file_name_;
    std::vector<Line> lines_;
    // What stands under the file's name is no settings file.
    bool left_as_is_ = false;
};

}  // namespace platform
