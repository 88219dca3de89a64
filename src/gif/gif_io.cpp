#include "gif/gif_io.h"

#include <algorithm>

#include "gif/gif_error.h"
#include "platform/core/error.h"

namespace gif {

void WriteByte(platform::Stream& stream, uint8_t value) {
    stream.WriteBuffer(&value, 1);
}

uint8_t ReadByte(platform::Stream& stream) {
    return TryReadByte(stream).value_or(0);
}

std::optional<uint8_t> TryReadByte(platform::Stream& stream) {
    uint8_t value = 0;
    if (stream.Read(&value, 1) != 1) return std::nullopt;
    return value;
}

void Unread(platform::Stream& stream) {
    stream.Seek(-1, platform::SeekOrigin::Current);
}

void ReadCheck(platform::Stream& stream, void* buffer, size_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        const size_t n = stream.Read(out + done, count - done);
        if (n == 0) Error(Message::PrematureEnd);
        done += n;
    }
}

int64_t Remaining(const platform::Stream& stream) {
    return std::max<int64_t>(0, stream.Size() - stream.Position());
}

void WriteStrings(platform::Stream& stream, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        for (size_t at = 0; at < line.size(); at += 255) {
            const size_t n = std::min<size_t>(255, line.size() - at);
            WriteByte(stream, static_cast<uint8_t>(n));
            stream.WriteBuffer(line.data() + at, n);
        }
    }
    WriteByte(stream, 0);
}

std::vector<std::string> ReadStrings(platform::Stream& stream) {
    std::vector<std::string> lines;
    for (std::optional<uint8_t> size; (size = TryReadByte(stream)) && *size != 0;) {
        std::string line(*size, '\0');
        ReadCheck(stream, line.data(), line.size());
        lines.push_back(std::move(line));
    }
    return lines;
}

namespace {

[[noreturn]] void InvalidStreamOperation() {
    throw platform::Error(platform::ErrorKind::Message,
                          std::string(Text(Message::InvalidStreamOperation)));
}

}  // namespace

size_t TGIFStream::Read(void*, size_t) {
    InvalidStreamOperation();
}

size_t TGIFStream::Write(const void*, size_t) {
    InvalidStreamOperation();
}

int64_t TGIFStream::Seek(int64_t, platform::SeekOrigin) {
    InvalidStreamOperation();
}

int64_t TGIFStream::Size() const {
    InvalidStreamOperation();
}

int64_t TGIFStream::Tell() const {
    InvalidStreamOperation();
}

TGIFWriter::~TGIFWriter() {
    try {
        Flush();
    } catch (const std::exception&) {
        return;
    }
}

size_t TGIFWriter::Write(const void* buffer, size_t count) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    for (size_t i = 0; i < count; ++i) Put(bytes[i]);
    return count;
}

void TGIFWriter::Flush() {
    if (count_ == 1) return;
    buffer_[0] = static_cast<uint8_t>(count_ - 1);
    const size_t count = count_;
    count_ = 1;
    stream_.WriteBuffer(buffer_.data(), count);
}

}  // namespace gif
