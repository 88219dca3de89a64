// TIFF directories and JPEG segments built byte by byte for the metadata tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "metadata/tag_entry.h"

namespace metadata::testing {

// `value` in `size` bytes of the given order.
inline std::string Number(uint64_t value, size_t size, bool motorola) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(value >> (8 * (motorola ? size - 1 - i : i)));
    }
    return bytes;
}

// One directory entry; a value of more than 4 bytes goes after the directory,
// and one of 4 bytes or fewer whose count says more is taken as its offset.
struct Field {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    std::string value;  // in the file's byte order
};

inline Field Ascii(uint16_t tag, const std::string& text) {
    return {tag, kAscii, static_cast<uint32_t>(text.size() + 1), text + '\0'};
}

inline Field Shorts(uint16_t tag, const std::vector<uint16_t>& values, bool motorola) {
    std::string bytes;
    for (const uint16_t v : values) bytes += Number(v, 2, motorola);
    return {tag, kShort, static_cast<uint32_t>(values.size()), bytes};
}

inline Field Long(uint16_t tag, uint32_t value, bool motorola) {
    return {tag, kLong, 1, Number(value, 4, motorola)};
}

inline Field Rational(uint16_t tag, uint32_t n, uint32_t d, bool motorola) {
    return {tag, kRational, 1, Number(n, 4, motorola) + Number(d, 4, motorola)};
}

// A directory followed by its values, for offset `at`, linking to `next`.
inline std::string Directory(const std::vector<Field>& fields, bool motorola, size_t at,
                             uint32_t next = 0) {
    std::string head = Number(fields.size(), 2, motorola);
    std::string data;
    for (const Field& f : fields) {
        head +=
            Number(f.tag, 2, motorola) + Number(f.type, 2, motorola) + Number(f.count, 4, motorola);
        if (f.value.size() <= 4) {
            head += f.value + std::string(4 - f.value.size(), '\0');
        } else {
            head += Number(at + 2 + 12 * fields.size() + 4 + data.size(), 4, motorola);
            data += f.value;
        }
    }
    return head + Number(next, 4, motorola) + data;
}

// TIFF data built directory by directory; the header points to offset 8.
class Tiff {
public:
    explicit Tiff(bool motorola)
        : motorola_(motorola),
          bytes_(std::string(motorola ? "MM" : "II") + Number(42, 2, motorola) +
                 Number(8, 4, motorola)) {}

    // Appends a directory followed by its values; returns its offset.
    uint32_t Add(const std::vector<Field>& fields, uint32_t next = 0) {
        const auto at = static_cast<uint32_t>(bytes_.size());
        bytes_ += Directory(fields, motorola_, at, next);
        return at;
    }
    void PadTo(size_t offset) { bytes_.resize(offset, '\0'); }
    void Append(const std::string& bytes) { bytes_ += bytes; }
    void Set32(uint32_t offset, uint32_t value) {
        bytes_.replace(offset, 4, Number(value, 4, motorola_));
    }
    // The value field of entry `index` of the directory at `directory`.
    static uint32_t ValueField(uint32_t directory, uint32_t index) {
        return directory + 2 + 12 * index + 8;
    }
    const std::string& Bytes() const { return bytes_; }

private:
    bool motorola_;
    std::string bytes_;
};

// A JPEG segment: its marker, its length and its payload.
inline std::string Segment(uint8_t marker, const std::string& payload) {
    return std::string("\xFF") + static_cast<char>(marker) + Number(payload.size() + 2, 2, true) +
           payload;
}

inline std::string ExifSegment(const std::string& tiff) {
    return Segment(0xE1, std::string("Exif\0\0", 6) + tiff);
}

}  // namespace metadata::testing
