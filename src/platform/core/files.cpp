#include "platform/core/files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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
    // Closes now, so that a failure to close (a late write error on some file
    // systems) can be seen; returns false with errno set on failure.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

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

// Copies a regular file to a new path that must not exist, with its mode and
// modification date; on failure nothing is left at the target.
bool CopyToNewFile(const std::string& source, const std::string& target) {
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!in.IsOpen() || ::fstat(in.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    FileDescriptor out(
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 07777));
    if (!out.IsOpen()) return false;
    std::vector<uint8_t> buffer(1 << 16);
    bool ok = true;
    while (ok) {
        const ssize_t got = ::read(in.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = WriteAll(out.Get(), buffer.data(), static_cast<size_t>(got));
    }
    const std::array<timespec, 2> times{timespec{0, UTIME_OMIT}, info.st_mtim};
    ok = ok && ::futimens(out.Get(), times.data()) == 0 && ::fsync(out.Get()) == 0;
    ok = out.Close() && ok;
    if (!ok) ::unlink(target.c_str());
    return ok;
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

void WriteFileAtomic(const std::string& path, const std::function<void(Stream&)>& write) {
    MemoryStream content;
    write(content);
    WriteFileAtomic(path, content.Bytes());
}

void WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes) {
    const std::string target = ResolvedTarget(path);
    struct stat old {};
    const mode_t mode =
        ::stat(target.c_str(), &old) == 0 ? old.st_mode & 07777 : 0666 & ~CurrentUmask();

    // The temporary name starts with a dot and ends with random letters, so
    // that no picture mask matches it while it exists.
    std::string temporary = FolderOf(target) + "/.visu-XXXXXX";
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.IsOpen()) RaiseFileCreate(path, errno);

    bool ok = WriteAll(fd.Get(), bytes.data(), bytes.size()) && ::fsync(fd.Get()) == 0;
    if (ok) {
        // Some file systems (FAT on a memory card) have no modes to set: the
        // file is written all the same.
        ::fchmod(fd.Get(), mode);
        ok = fd.Close() && ::rename(temporary.c_str(), target.c_str()) == 0;
    }
    if (!ok) {
        const int error = errno;
        ::unlink(temporary.c_str());
        RaiseFileCreate(path, error);
    }
}

bool MoveFileNoReplace(const std::string& source, const std::string& target) {
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
        // A file system that cannot refuse the replacement in the rename
        // itself: a hard link is never made over an existing name.
        if (::link(source.c_str(), target.c_str()) == 0) {
            if (::unlink(source.c_str()) == 0) return true;
            ::unlink(target.c_str());
            return false;
        }
        error = errno;
    }
    if (error != EXDEV) return false;
    if (!CopyToNewFile(source, target)) return false;
    if (::unlink(source.c_str()) == 0) return true;
    ::unlink(target.c_str());
    return false;
}

std::optional<std::string> MakeTrashFolders(const std::string& data_home) {
    const std::string folder = WithoutTrailingSlash(AbsolutePath(data_home));
    const std::string trash = (folder == "/" ? "" : folder) + "/Trash";
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
