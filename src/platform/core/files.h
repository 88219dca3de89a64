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
#include <string_view>

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

// What tells whether a file is still the one that was read: the same file
// (device and inode) with the same size and modification time.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    FileTime modified;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
// Follows symbolic links; none when the file cannot be reached.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

// A file is read-only when its mode has no write permission bit at all: then
// it is so for every user alike, the superuser included, whom the permission
// bits do not stop. Follows symbolic links; false for a missing file or a
// folder.
bool IsReadOnly(const std::string& path);
// Gives a read-only file its owner's write permission back, its other bits
// kept, so that it can be written over; anything else is left as it is. A
// file that stays read-only (not the user's) is then refused by the write.
void ClearReadOnly(const std::string& path);

// Hears one entry of a folder: its name and whether it is a folder.
using FolderEntryHandler = std::function<void(std::string_view name, bool folder)>;
// Reads the entries of the folder `path` ("" is the root) that are regular
// files or folders, a symbolic link counting as what it leads to: pipes,
// sockets, devices and links that lead nowhere are left out. `entry` hears
// them in the system's order, "." and ".." left out. Returns the folder's
// identity, none when it cannot be read.
std::optional<FileIdentity> ListFolder(const std::string& path, const FolderEntryHandler& entry);

// Writes a file without ever truncating the old one first: what `write` puts
// into the stream goes, buffered, straight into an unnamed temporary file of
// the same folder (a named one, ".visu-" and six random letters, where the
// file system has no unnamed files), which is flushed and only then given
// its name, replacing the old file by a rename. The stream can seek and read
// back what was written. The new file keeps the old one's mode, owner and
// group, extended attributes and ACL, each where the system lets it be set;
// a new file gets the usual mode for the user's umask (or the folder's
// default ACL). A symbolic link is written through, not replaced. A
// read-only file (IsReadOnly) is refused before `write` runs, as the
// file-create error for a denied access, and left as it is. On any
// failure (an exception of `write` included) the temporary file goes, the
// old file stays whole, and the error passes on (a system failure as the
// file-create error with its reason). A process killed while it writes
// leaves the old file whole and, but for the named fallback, nothing else.
void WriteFileAtomic(const std::string& path, const std::function<void(Stream&)>& write);
void WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes);

// Moves or renames a file; refuses to replace an existing target. Across
// file systems the file is copied (with its mode, date, owner where allowed
// and extended attributes) into a temporary file of the target's folder,
// which takes the target's name only when complete and only if the name is
// still free, and the source is then removed: a move killed midway never
// leaves a truncated file under the target's name. Returns false on any
// failure, leaving both paths as they were.
bool MoveFileNoReplace(const std::string& source, const std::string& target);

// Makes the user's trash, `data_home`/Trash with its "files" and "info"
// folders, where it is missing: a fresh account has not even `data_home`
// (the user's data folder, ~/.local/share by default). Every folder made here,
// the missing levels of `data_home` included, is private to the user (mode
// 0700); folders that exist are left as they are. Returns the trash folder,
// or nothing when a level could not be made or is not a folder.
std::optional<std::string> MakeTrashFolders(const std::string& data_home);

}  // namespace platform
