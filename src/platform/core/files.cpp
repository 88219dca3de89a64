#include "platform/core/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "platform/core/error.h"

namespace platform {

namespace {

// A descriptor closed when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_;
};

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

FileIdentity IdentityOf(const struct stat& info) {
    return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                        info.st_size,
                        FileTime{info.st_mtim.tv_sec, static_cast<int32_t>(info.st_mtim.tv_nsec)}};
}

bool NoWriteBit(const struct stat& info) {
    return !S_ISDIR(info.st_mode) && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The umask can only be read by setting it, which would race with other
// threads creating files; the kernel reports it in the process status.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Umask:")) {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
        }
    }
    return 022;
}

// The file a path finally names, so that rewriting a symbolic link rewrites
// what it points to; a dangling link is replaced.
std::string ResolvedTarget(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

// The kernel's ceiling for one extended attribute's value and for the list
// of a file's attribute names.
constexpr size_t kXattrMax = 65536;

// The names of a file's extended attributes (a failure gives none).
std::vector<std::string> AttributeNames(const std::function<ssize_t(char*, size_t)>& list) {
    const ssize_t size = list(nullptr, 0);
    if (size <= 0 || static_cast<size_t>(size) > kXattrMax) return {};
    std::vector<char> buffer(static_cast<size_t>(size));
    const ssize_t got = list(buffer.data(), buffer.size());
    if (got <= 0) return {};
    std::vector<std::string> names;
    for (size_t start = 0; start < static_cast<size_t>(got);) {
        const auto end =
            std::find(buffer.begin() + static_cast<ptrdiff_t>(start), buffer.begin() + got, '\0');
        const auto length = static_cast<size_t>(end - buffer.begin()) - start;
        if (length > 0) names.emplace_back(buffer.data() + start, length);
        start += length + 1;
    }
    return names;
}

// Gives the open file `fd` the extended attributes of the file at `path`,
// its ACL among them (the kernel keeps it as system.posix_acl_access), and
// drops those it got that the old file lacks (an ACL inherited from the
// folder). Each attribute the system refuses is left as it is.
void CopyExtendedAttributes(const std::string& path, int fd) {
    const std::vector<std::string> wanted = AttributeNames(
        [&](char* list, size_t size) { return ::listxattr(path.c_str(), list, size); });
    const std::vector<std::string> given =
        AttributeNames([&](char* list, size_t size) { return ::flistxattr(fd, list, size); });
    for (const std::string& name : given) {
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end()) {
            ::fremovexattr(fd, name.c_str());
        }
    }
    std::vector<uint8_t> value(kXattrMax);
    for (const std::string& name : wanted) {
        const ssize_t size = ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
        if (size >= 0) {
            ::fsetxattr(fd, name.c_str(), value.data(), static_cast<size_t>(size), 0);
        }
    }
}

// Gives the new file `fd` the owner and group of the old file; true when it
// has them. Only the superuser gives a file away; a member of the old group
// may still give it that group.
bool KeepOwner(int fd, const struct stat& old) {
    struct stat now {};
    if (::fstat(fd, &now) != 0) return false;
    if (now.st_uid == old.st_uid && now.st_gid == old.st_gid) return true;
    if (::fchown(fd, old.st_uid, old.st_gid) == 0) return true;
    if (now.st_gid != old.st_gid && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        return false;
    }
    return now.st_uid == old.st_uid;
}

// Gives the new file `fd` what the old file (`path`, described by `old`)
// had: owner and group, mode, extended attributes and ACL. A file system such
// as FAT keeps none of these, and only the superuser gives a file away: what
// cannot be kept is let go, and the file is written all the same.
void KeepAttributes(int fd, const std::string& path, const struct stat& old) {
    KeepOwner(fd, old);
    // After the owner: a change of owner drops the set-user-ID bit.
    ::fchmod(fd, old.st_mode & 07777);
    CopyExtendedAttributes(path, fd);
}

// A name that no file of the folder is likely to have, hidden, matching no
// picture mask.
std::string PassingName(const std::string& folder) {
    static constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<size_t> pick(0, kLetters.size() - 1);
    std::string name = folder + "/.visu-";
    for (int i = 0; i < 6; ++i) name.push_back(kLetters[pick(random)]);
    return name;
}

// Moves a file to a name that must be free: the rename's own refusal where
// the file system has it, else a hard link, which is never made over an
// existing name, and the removal of the old name.
bool RenameNoReplace(const std::string& source, const std::string& target) {
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    if (::link(source.c_str(), target.c_str()) != 0) return false;
    if (::unlink(source.c_str()) == 0) return true;
    const int error = errno;
    ::unlink(target.c_str());
    errno = error;
    return false;
}

// A temporary file in the folder of the file it becomes. It is made without
// a name (O_TMPFILE), so that a process killed while it writes leaves
// nothing; it gets one only once complete. Where the file system refuses
// unnamed files it is a named hidden file, removed on every path but
// success.
class TemporaryFile {
public:
    // `mode` is the mode of a new file before the umask.
    TemporaryFile(const std::string& folder, mode_t mode) : folder_(folder) {
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (fd_ >= 0) return;
        // A file system without unnamed files says so one of these ways.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return;
        named_ = folder + "/.visu-XXXXXX";
        fd_ = ::mkostemp(named_.data(), O_CLOEXEC);
        if (fd_ < 0) {
            named_.clear();
            return;
        }
        ::fchmod(fd_, mode & ~CurrentUmask());
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!named_.empty()) ::unlink(named_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Get() const { return fd_; }

    // Flushes the content to the disk; a named file is also closed, so that
    // a late write error shows (an unnamed one must stay open to be named).
    // False with errno set on failure.
    bool Finish() {
        if (::fsync(fd_) != 0) return false;
        if (named_.empty()) return true;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

    // Gives the finished file the name `target`, replacing the file there.
    // False with errno set on failure.
    bool Replace(const std::string& target) {
        if (!named_.empty()) {
            if (::rename(named_.c_str(), target.c_str()) != 0) return false;
            named_.clear();
            return true;
        }
        // Straight under the final name when it is free. A file there can
        // only be replaced by a rename, from a passing name that the file
        // holds for the time of two calls: a kill between them is the one
        // moment that leaves a file behind, the complete new one.
        if (LinkUnnamed(target)) return true;
        if (errno != EEXIST) return false;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string passing = PassingName(folder_);
            if (!LinkUnnamed(passing)) {
                if (errno == EEXIST) continue;
                return false;
            }
            if (::rename(passing.c_str(), target.c_str()) == 0) return true;
            const int error = errno;
            ::unlink(passing.c_str());
            errno = error;
            return false;
        }
        errno = EEXIST;
        return false;
    }

    // Gives the finished file the name `target` only when no file has it.
    bool Create(const std::string& target) {
        if (named_.empty()) return LinkUnnamed(target);
        if (!RenameNoReplace(named_, target)) return false;
        named_.clear();
        return true;
    }

private:
    bool LinkUnnamed(const std::string& name) const {
        if (::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
        if (errno == EEXIST) return false;
        // Linking a descriptor itself takes a capability; its entry in /proc
        // does not.
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }

    std::string folder_;
    std::string named_;  // empty for an unnamed file, or once named
    int fd_ = -1;
};

// A rename reaches the disk with its folder.
void SyncFolder(const std::string& folder) {
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.IsOpen()) ::fsync(dir.Get());
}

// The stream a writer fills: bytes gather in a buffer and go to the file at
// the position where they belong, so that seeking back (a header completed
// once its sizes are known) and reading back work as on any file. A system
// failure raises the file-create error of `path`, with its reason.
class BufferedFileStream final : public Stream {
public:
    BufferedFileStream(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
        buffer_.reserve(kCapacity);
    }

    size_t Read(void* buffer, size_t count) override {
        Flush();
        auto* out = static_cast<uint8_t*>(buffer);
        size_t done = 0;
        while (done < count) {
            const ssize_t n =
                ::pread(fd_, out + done, count - done, start_ + static_cast<off_t>(done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) RaiseStreamRead();
            if (n == 0) break;
            done += static_cast<size_t>(n);
        }
        start_ += static_cast<int64_t>(done);
        return done;
    }

    size_t Write(const void* buffer, size_t count) override {
        const auto* in = static_cast<const uint8_t*>(buffer);
        if (count > kCapacity - buffer_.size()) {
            Flush();
            if (count >= kCapacity) {
                WriteAt(in, count);
                return count;
            }
        }
        buffer_.insert(buffer_.end(), in, in + count);
        return count;
    }

    int64_t Seek(int64_t offset, SeekOrigin origin) override {
        const int64_t base = origin == SeekOrigin::Begin     ? 0
                             : origin == SeekOrigin::Current ? Tell()
                                                             : Size();
        int64_t position;
        if (__builtin_add_overflow(base, offset, &position) || position < 0) RaiseStreamRead();
        Flush();
        start_ = position;
        return position;
    }

    int64_t Size() const override {
        struct stat info {};
        if (::fstat(fd_, &info) != 0) RaiseStreamRead();
        return std::max<int64_t>(info.st_size, Tell());
    }

    void Flush() {
        if (buffer_.empty()) return;
        WriteAt(buffer_.data(), buffer_.size());
        buffer_.clear();
    }

protected:
    int64_t Tell() const override { return start_ + static_cast<int64_t>(buffer_.size()); }

private:
    static constexpr size_t kCapacity = size_t{1} << 16;

    // Writes at start_ and moves it on.
    void WriteAt(const uint8_t* data, size_t size) {
        while (size > 0) {
            const ssize_t n = ::pwrite(fd_, data, size, start_);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) RaiseFileCreate(path_, n < 0 ? errno : ENOSPC);
            data += n;
            size -= static_cast<size_t>(n);
            start_ += n;
        }
    }

    int fd_;
    std::string path_;
    std::vector<uint8_t> buffer_;
    int64_t start_ = 0;  // the file position of the buffer's first byte
};

// Copies a regular file to a new path that must not exist, with its mode,
// modification date, owner and extended attributes, through a temporary
// file of the target's folder; on failure nothing is left at the target.
bool CopyToNewFile(const std::string& source, const std::string& target) {
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!in.IsOpen() || ::fstat(in.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    TemporaryFile out(FolderOf(target), 0600);
    if (!out.IsOpen()) return false;
    std::vector<uint8_t> buffer(1 << 16);
    while (true) {
        const ssize_t got = ::read(in.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        if (!WriteAll(out.Get(), buffer.data(), static_cast<size_t>(got))) return false;
    }
    KeepAttributes(out.Get(), source, info);
    const std::array<timespec, 2> times{timespec{0, UTIME_OMIT}, info.st_mtim};
    if (::futimens(out.Get(), times.data()) != 0 || !out.Finish() || !out.Create(target)) {
        return false;
    }
    SyncFolder(FolderOf(target));
    return true;
}

// Makes one folder, private to the user whatever the umask; true when it is
// there as a folder afterwards (also when another process made it first).
bool MakePrivateFolder(const std::string& path) {
    if (DirectoryExists(path)) return true;
    if (::mkdir(path.c_str(), 0700) == 0) return ::chmod(path.c_str(), 0700) == 0;
    return errno == EEXIST && DirectoryExists(path);
}

}  // namespace

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool SameFile(const std::string& a, const std::string& b) {
    return SameFileAs(a)(b);
}

SameFileAs::SameFileAs(const std::string& path) : path_(path) {
    struct stat info {};
    resolved_ = ::stat(path.c_str(), &info) == 0;
    if (resolved_) {
        device_ = info.st_dev;
        inode_ = info.st_ino;
    }
}

bool SameFileAs::operator()(const std::string& other) const {
    struct stat info {};
    if (resolved_ && ::stat(other.c_str(), &info) == 0) {
        return info.st_dev == device_ && info.st_ino == inode_;
    }
    return AbsolutePath(path_) == AbsolutePath(other);
}

std::string CurrentDirectory() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        return WithoutTrailingSlash(home);
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] != '\0') {
        return WithoutTrailingSlash(found->pw_dir);
    }
    return "/";
}

std::string AbsolutePath(const std::string& path) {
    const std::string full = path.starts_with('/') ? path : CurrentDirectory() + "/" + path;
    std::vector<std::string_view> parts;
    const std::string_view text(full);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('/', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view part = text.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string_view part : parts) {
        out.push_back('/');
        out.append(part);
    }
    if (out.empty() || (path.ends_with('/') && !parts.empty())) out.push_back('/');
    return out;
}

std::optional<FileTime> ModificationTime(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileTime{info.st_mtim.tv_sec, static_cast<int32_t>(info.st_mtim.tv_nsec)};
}

void SetModificationTime(const std::string& path, FileTime time) {
    const std::array<timespec, 2> times{timespec{0, UTIME_OMIT},
                                        timespec{time.seconds, time.nanoseconds}};
    if (::utimensat(AT_FDCWD, path.c_str(), times.data(), 0) != 0) RaiseFileOpen(path, errno);
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return IdentityOf(info);
}

bool IsReadOnly(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && NoWriteBit(info);
}

void ClearReadOnly(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && NoWriteBit(info)) {
        ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR);
    }
}

std::optional<FileIdentity> ListFolder(const std::string& path, const FolderEntryHandler& entry) {
    const int fd = ::open((path + "/").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    DIR* stream = ::fstat(fd, &info) == 0 ? ::fdopendir(fd) : nullptr;
    if (stream == nullptr) {
        ::close(fd);
        return std::nullopt;
    }
    const auto closed = std::unique_ptr<DIR, int (*)(DIR*)>(stream, ::closedir);
    while (const dirent* found = ::readdir(stream)) {
        const std::string_view name(found->d_name);
        if (name == "." || name == "..") continue;
        if (found->d_type == DT_REG) {
            entry(name, false);
        } else if (found->d_type == DT_DIR) {
            entry(name, true);
        } else if (found->d_type == DT_LNK || found->d_type == DT_UNKNOWN) {
            // Links are followed; one that leads nowhere names no file.
            struct stat target {};
            if (::fstatat(fd, found->d_name, &target, 0) != 0) continue;
            if (S_ISREG(target.st_mode) || S_ISDIR(target.st_mode))
                entry(name, S_ISDIR(target.st_mode));
        }
        // Pipes, sockets and devices: reading one as a picture would block or
        // never end.
    }
    return IdentityOf(info);
}

void WriteFileAtomic(const std::string& path, const std::function<void(Stream&)>& write) {
    const std::string target = ResolvedTarget(path);
    struct stat old {};
    const bool replaces = ::stat(target.c_str(), &old) == 0;
    if (replaces && NoWriteBit(old)) RaiseFileCreate(path, EACCES);

    TemporaryFile temporary(FolderOf(target), 0666);
    if (!temporary.IsOpen()) RaiseFileCreate(path, errno);
    BufferedFileStream stream(temporary.Get(), path);
    write(stream);
    stream.Flush();
    if (replaces) KeepAttributes(temporary.Get(), target, old);
    if (!temporary.Finish() || !temporary.Replace(target)) RaiseFileCreate(path, errno);
    SyncFolder(FolderOf(target));
}

void WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes) {
    WriteFileAtomic(path,
                    [bytes](Stream& stream) { stream.WriteBuffer(bytes.data(), bytes.size()); });
}

bool MoveFileNoReplace(const std::string& source, const std::string& target) {
    if (RenameNoReplace(source, target)) return true;
    if (errno != EXDEV) return false;
    if (!CopyToNewFile(source, target)) return false;
    if (::unlink(source.c_str()) == 0) return true;
    ::unlink(target.c_str());
    return false;
}

std::optional<std::string> MakeTrashFolders(const std::string& data_home) {
    const std::string folder = WithoutTrailingSlash(AbsolutePath(data_home));
    const std::string trash = (folder == "/" ? "" : folder) + "/Trash";
    if (DirectoryExists(trash + "/files") && DirectoryExists(trash + "/info")) return trash;
    // Every level from the root down, so that the missing ones are made in order.
    for (size_t slash = trash.find('/', 1); slash != std::string::npos;
         slash = trash.find('/', slash + 1)) {
        if (!MakePrivateFolder(trash.substr(0, slash))) return std::nullopt;
    }
    for (const std::string& path : {trash, trash + "/files", trash + "/info"}) {
        if (!MakePrivateFolder(path)) return std::nullopt;
    }
    return trash;
}

}  // namespace platform
