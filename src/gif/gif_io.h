// Byte-level reading and writing shared by every block of the codec.
//
// The block readers need to tell "the stream has ended" apart from a zero
// byte, and to step back over a byte they only peeked at; GIF text travels as
// data sub-blocks of at most 255 bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/stream.h"

namespace gif {

// The four passes of an interlaced frame, in the order of the data: the row
// each starts at and its step.
struct InterlacePass {
    int32_t start;
    int32_t step;
};
inline constexpr std::array<InterlacePass, 4> kInterlacePasses{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};

void WriteByte(platform::Stream& stream, uint8_t value);
// The next byte, or 0 when the stream has ended.
uint8_t ReadByte(platform::Stream& stream);
// The next byte, or none when the stream has ended.
std::optional<uint8_t> TryReadByte(platform::Stream& stream);
// Steps back over the byte just read.
void Unread(platform::Stream& stream);
// Reads exactly `count` bytes; fewer raise "Premature end of data".
void ReadCheck(platform::Stream& stream, void* buffer, size_t count);
// Bytes left between the position and the end.
int64_t Remaining(const platform::Stream& stream);

// Each line as sub-blocks of at most 255 bytes (an empty line writes nothing),
// then one zero byte.
void WriteStrings(platform::Stream& stream, const std::vector<std::string>& lines);
// Sub-blocks up to a zero length byte or the end of the stream, one line each.
std::vector<std::string> ReadStrings(platform::Stream& stream);

// The destination of coded data as a stream of its own, which is only good
// for the writing its descendant does: reading, writing, seeking and asking
// for the size or the position raise "Invalid stream operation".
class TGIFStream : public platform::Stream {
public:
    explicit TGIFStream(platform::Stream& stream) : stream_(stream) {}

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, platform::SeekOrigin origin) override;
    int64_t Size() const override;

protected:
    int64_t Tell() const override;

    platform::Stream& stream_;
};

// Bytes collected into data sub-blocks of at most 255 bytes, each written to
// the stream whole. No zero-length sub-block is written here.
class TGIFWriter final : public TGIFStream {
public:
    using TGIFStream::TGIFStream;
    // Writes what is pending, as far as the stream takes it: after an error
    // the data coded so far stay, and the error on its way is the one
    // reported.
    ~TGIFWriter() override;

    size_t Write(const void* buffer, size_t count) override;
    void Put(uint8_t byte) {
        buffer_[count_++] = byte;
        if (count_ == buffer_.size()) Flush();
    }
    // Writes the partial sub-block, if any.
    void Flush();

private:
    std::array<uint8_t, 256> buffer_{};  // the length byte, then the data
    size_t count_ = 1;
};

// Little-endian fields of the block layouts.
inline uint16_t GetU16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}
inline void PutU16(uint8_t* bytes, uint16_t value) {
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace gif
