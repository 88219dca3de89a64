// File and folder services of the system, in the project's terms.
//
// Paths are UTF-8 byte strings with "/" as the separator. Nothing here shows a
// message; failures are results or platform errors.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "platform/core/stream.h"

namespace platform {

bool FileExists(const std::string& path);       // a file that is not a folder
bool DirectoryExists(const std::string& path);  // follows symbolic links

// Two paths name the same file when they resolve to the same device and inode;
// when either cannot be resolved, their normalised absolute texts are compared
// exactly.
bool SameFile(const std::string& a, const std::string& b);

// One side of SameFile resolved once, to be compared with many paths at the
// cost of one look at each.
class SameFileAs {
public:
    explicit SameFileAs(const std::string& path);
    bool operator()(const std::string& other) const;

private:
    std::string path_;
    bool resolved_ = false;
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
};

// The process's current folder, without a trailing "/" (except the root);
// empty when it cannot be told (the folder was removed).
std::string CurrentDirectory();
// The user's home folder ($HOME, else the account's), without a trailing "/"
// (except the root).
std::string HomeDirectory();
// `path` made absolute against the current folder and normalised: "." and
// empty components dropped, ".." resolved textually; a trailing "/" is kept.
std::string AbsolutePath(const std::string& path);

// Modification time as seconds since the epoch, with nanoseconds.
struct FileTime {
    int64_t seconds = 0;
    int32_t nanoseconds = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
};
std::optional<FileTime> ModificationTime(const std::string& path);
// Raises the file-open error when the date cannot be set.
void SetModificationTime(const std::string& path, FileTime time);

// Writes a file without ever truncating the old one first: `write` fills a
// stream in memory, whose bytes go to a temporary file of the same folder,
// which is flushed and renamed over `path`, keeping the old file's mode (a new
// file gets the usual mode for the user's umask). A symbolic link is written
// through, not replaced. On any failure the temporary file is removed, the old
// file stays whole, and the error passes on (a system failure as the
// file-create error with its reason).
void WriteFileAtomic(const std::string& path, const std::function<void(Stream&)>& write);
void WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes);

// Moves or renames a file; refuses to replace an existing target. Across
// file systems the file is copied (with its mode and date) and the source
// removed. Returns false on any failure, leaving both paths as they were.
bool MoveFileNoReplace(const std::string& source, const std::string& target);

// Makes the user's trash, `data_home`/Trash with its "files" and "info"
// folders, where it is missing: a fresh account has not even `data_home`
// (the user's data folder, ~/.local/share by default). Every folder made here,
// the missing levels of `data_home` included, is private to the user (mode
// 0700); folders that exist are left as they are. Returns the trash folder,
// or nothing when a level could not be made or is not a folder.
std::optional<std::string> MakeTrashFolders(const std::string& data_home);

}  // namespace platform
