#include "platform/core/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/core/error.h"

namespace platform {

namespace {

// The position `offset` away from `base`; a result before 0 or beyond the
// 64-bit range is refused like any other bad seek.
int64_t MovedPosition(int64_t base, int64_t offset) {
    int64_t position;
    if (__builtin_add_overflow(base, offset, &position) || position < 0) RaiseStreamRead();
    return position;
}

}  // namespace

// ---- Stream

int64_t Stream::Position() const {
    return Tell();
}

void Stream::SetPosition(int64_t position) {
    Seek(position, SeekOrigin::Begin);
}

void Stream::ReadBuffer(void* buffer, size_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        const size_t n = Read(out + done, count - done);
        if (n == 0) RaiseStreamRead();
        done += n;
    }
}

void Stream::WriteBuffer(const void* buffer, size_t count) {
    if (Write(buffer, count) != count) RaiseStreamWrite();
}

std::vector<uint8_t> Stream::ReadRest() {
    std::vector<uint8_t> bytes;
    ReadRest(bytes);
    return bytes;
}

void Stream::ReadRest(std::vector<uint8_t>& bytes) {
    // The size is only a hint: a file may grow or shrink while it is read.
    bytes.clear();
    const int64_t expected = Size() - Position();
    if (expected > 0) {
        bytes.resize(static_cast<size_t>(expected));
        bytes.resize(Read(bytes.data(), bytes.size()));
        if (bytes.size() < static_cast<size_t>(expected)) return;
    }
    std::array<uint8_t, 64 * 1024> chunk;
    for (size_t n; (n = Read(chunk.data(), chunk.size())) > 0;) {
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<ptrdiff_t>(n));
    }
}

// ---- MemoryStream

MemoryStream::MemoryStream(std::vector<uint8_t> bytes) : owned_(std::move(bytes)) {}

MemoryStream MemoryStream::View(std::span<const uint8_t> bytes) {
    MemoryStream stream;
    stream.view_ = bytes;
    stream.is_view_ = true;
    return stream;
}

MemoryStream::MemoryStream(MemoryStream&& other) noexcept
    : owned_(std::move(other.owned_)),
      view_(other.view_),
      is_view_(other.is_view_),
      position_(other.position_) {
    other.owned_.clear();
    other.view_ = {};
    other.is_view_ = false;
    other.position_ = 0;
}

std::span<const uint8_t> MemoryStream::Bytes() const {
    if (is_view_) return view_;
    return owned_;
}

size_t MemoryStream::Read(void* buffer, size_t count) {
    const std::span<const uint8_t> bytes = Bytes();
    if (position_ >= static_cast<int64_t>(bytes.size())) return 0;
    const size_t start = static_cast<size_t>(position_);
    const size_t n = std::min(count, bytes.size() - start);
    if (n > 0) std::memcpy(buffer, bytes.data() + start, n);
    position_ += static_cast<int64_t>(n);
    return n;
}

size_t MemoryStream::Write(const void* buffer, size_t count) {
    // A view is read-only: nothing is written, and WriteBuffer reports it.
    if (is_view_ || count == 0) return 0;
    const size_t start = static_cast<size_t>(position_);
    if (count > std::numeric_limits<size_t>::max() - start) return 0;
    const size_t end = start + count;
    if (end > owned_.size()) owned_.resize(end);
    std::memcpy(owned_.data() + start, buffer, count);
    position_ = static_cast<int64_t>(end);
    return count;
}

int64_t MemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    switch (origin) {
        case SeekOrigin::Begin:
            position_ = MovedPosition(0, offset);
            break;
        case SeekOrigin::Current:
            position_ = MovedPosition(position_, offset);
            break;
        case SeekOrigin::End:
            position_ = MovedPosition(Size(), offset);
            break;
    }
    return position_;
}

int64_t MemoryStream::Size() const {
    return static_cast<int64_t>(Bytes().size());
}

std::vector<uint8_t> MemoryStream::Release() {
    std::vector<uint8_t> bytes =
        is_view_ ? std::vector<uint8_t>(view_.begin(), view_.end()) : std::move(owned_);
    owned_.clear();
    view_ = {};
    is_view_ = false;
    position_ = 0;
    return bytes;
}

// ---- FileStream

FileStream::FileStream(const std::string& path, FileMode mode) {
    if (mode == FileMode::Read) {
        // Without waiting: opening a pipe waits for a program to write to it.
        fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) RaiseFileOpen(path, errno);
        // Only a regular file is read: a folder opens for reading on Linux,
        // and a pipe or a device would block the reads or never end them.
        struct stat info {};
        int error = 0;
        if (::fstat(fd_, &info) != 0) {
            error = errno;
        } else if (S_ISDIR(info.st_mode)) {
            error = EISDIR;
        } else if (!S_ISREG(info.st_mode)) {
            error = ENXIO;
        } else if (::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0) {
            error = errno;
        }
        if (error != 0) {
            ::close(fd_);
            fd_ = -1;
            RaiseFileOpen(path, error);
        }
    } else {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) RaiseFileCreate(path, errno);
    }
}

FileStream::~FileStream() {
    if (fd_ >= 0) ::close(fd_);
}

size_t FileStream::Read(void* buffer, size_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd_, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            RaiseStreamRead();
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t FileStream::Write(const void* buffer, size_t count) {
    const auto* in = static_cast<const uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, in + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

int64_t FileStream::Seek(int64_t offset, SeekOrigin origin) {
    const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const off_t position = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (position < 0) RaiseStreamRead();
    return position;
}

int64_t FileStream::Size() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) RaiseStreamRead();
    return info.st_size;
}

int64_t FileStream::Tell() const {
    const off_t position = ::lseek(fd_, 0, SEEK_CUR);
    if (position < 0) RaiseStreamRead();
    return position;
}

void FileStream::Sync() {
    if (::fsync(fd_) != 0) RaiseStreamWrite();
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    FileStream stream(path, FileMode::Read);
    return stream.ReadRest();
}

}  // namespace platform
