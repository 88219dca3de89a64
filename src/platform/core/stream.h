// Byte streams: one interface with a memory and a file implementation, so
// that decoders are tested without the disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

enum class SeekOrigin { Begin, Current, End };

class Stream {
public:
    virtual ~Stream() = default;
    Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Reads up to `count` bytes; returns how many were read (0 at the end).
    virtual size_t Read(void* buffer, size_t count) = 0;
    // Writes `count` bytes; returns how many were written.
    virtual size_t Write(const void* buffer, size_t count) = 0;
    // Moves the position; returns the new position. A position before 0 is
    // refused with the stream read error.
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t Size() const = 0;

    int64_t Position() const;
    void SetPosition(int64_t position);

    // Whole transfers: a short read raises "Erreur de lecture du flux", a short
    // write "Erreur d'écriture du flux".
    void ReadBuffer(void* buffer, size_t count);
    void WriteBuffer(const void* buffer, size_t count);

    // Everything from the current position to the end.
    std::vector<uint8_t> ReadRest();
    // The same into `bytes`, whose storage is reused when large enough: a
    // worker reading file after file keeps one buffer instead of leaving the
    // allocator pieces of every size.
    void ReadRest(std::vector<uint8_t>& bytes);

protected:
    virtual int64_t Tell() const = 0;
};

// A stream over bytes in memory: either its own growable buffer, or a
// read-only view of bytes that the caller keeps alive.
class MemoryStream final : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes);
    static MemoryStream View(std::span<const uint8_t> bytes);
    MemoryStream(MemoryStream&& other) noexcept;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() const override;

    std::span<const uint8_t> Bytes() const;
    // The owned bytes, leaving the stream empty (a view is copied first).
    std::vector<uint8_t> Release();

protected:
    int64_t Tell() const override { return position_; }

private:
    std::vector<uint8_t> owned_;
    std::span<const uint8_t> view_;
    bool is_view_ = false;
    int64_t position_ = 0;
};

enum class FileMode { Read, Create };

// A file opened for reading, or created (truncated) for writing. Opening
// failures raise "Impossible d'ouvrir le fichier ..." / "Impossible de créer le
// fichier ..." with the system's reason. Only a regular file (or a link to
// one) opens for reading, at once: a folder, a pipe or a device is refused.
class FileStream final : public Stream {
public:
    FileStream(const std::string& path, FileMode mode);
    ~FileStream() override;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() const override;
    // Flushes written data to the disk; raises the write error on failure.
    void Sync();

protected:
    int64_t Tell() const override;

private:
    int fd_ = -1;
};

// The whole content of a file; raises the file-open error when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace platform
