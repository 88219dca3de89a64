// TIFF directories built byte by byte for the metadata tests.
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

}  // namespace metadata::testing
