#include "metadata/byte_order.h"

#include <cstddef>

#include "platform/core/error.h"

namespace metadata {
namespace {

// The 0-based offset of [position, position + count) inside `size` bytes; the
// range error when the span leaves them. Written so that no sum can overflow,
// whatever the positions a file supplies.
size_t CheckedOffset(int64_t position, int64_t count, int64_t size) {
    if (position < 1 || count < 0 || position - 1 > size - count) platform::RaiseRange();
    return static_cast<size_t>(position - 1);
}

uint8_t ByteAt(const std::string& bytes, size_t offset) {
    return static_cast<uint8_t>(bytes[offset]);
}

}  // namespace

bool tEndInd::Holds(int64_t position, int64_t count) const {
    return position >= 1 && count >= 0 && position - 1 <= Size() - count;
}

std::string_view tEndInd::Bytes(int64_t position, int64_t count) const {
    const size_t offset = CheckedOffset(position, count, Size());
    return std::string_view(data_).substr(offset, static_cast<size_t>(count));
}

uint8_t tEndInd::Get8(int64_t position) const {
    return ByteAt(data_, CheckedOffset(position, 1, Size()));
}

uint16_t tEndInd::Get16(int64_t position) const {
    const size_t at = CheckedOffset(position, 2, Size());
    const uint32_t first = ByteAt(data_, at);
    const uint32_t second = ByteAt(data_, at + 1);
    return static_cast<uint16_t>(motorola_ ? (first << 8) | second : (second << 8) | first);
}

uint32_t tEndInd::Get32(int64_t position) const {
    const size_t at = CheckedOffset(position, 4, Size());
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        const size_t index = motorola_ ? at + i : at + 3 - i;
        value = (value << 8) | ByteAt(data_, index);
    }
    return value;
}

int32_t tEndInd::Get32s(int64_t position) const {
    return static_cast<int32_t>(Get32(position));
}

void tEndInd::Put16(std::string& buffer, uint32_t value, int64_t position) const {
    // A value that needs more than two bytes would be cut: refuse it rather
    // than store another number.
    if (value > 0xFFFF) platform::RaiseRange();
    const size_t at = CheckedOffset(position, 2, static_cast<int64_t>(buffer.size()));
    const auto high = static_cast<char>(value >> 8);
    const auto low = static_cast<char>(value & 0xFF);
    buffer[at] = motorola_ ? high : low;
    buffer[at + 1] = motorola_ ? low : high;
}

void tEndInd::Put32(std::string& buffer, uint32_t value, int64_t position) const {
    const size_t at = CheckedOffset(position, 4, static_cast<int64_t>(buffer.size()));
    for (size_t i = 0; i < 4; ++i) {
        // Byte i of the value counted from its least significant end.
        const auto byte = static_cast<char>((value >> (8 * i)) & 0xFF);
        buffer[motorola_ ? at + 3 - i : at + i] = byte;
    }
}

}  // namespace metadata
