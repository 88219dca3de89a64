// Metadata bytes with the byte order of their TIFF header ("II" Intel, "MM"
// Motorola), read and written through 1-based positions as the rest of the
// subsystem counts them. Every access is checked: a position outside the
// bytes raises the runtime's range error ("Erreur de vérification
// d'étendue"), which the walkers turn into a skipped entry or a failed read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace metadata {

class tEndInd {
public:
    tEndInd() = default;
    tEndInd(std::string data, bool motorola) : motorola_(motorola), data_(std::move(data)) {}

    bool Motorola() const { return motorola_; }
    void SetMotorola(bool motorola) { motorola_ = motorola; }

    const std::string& GetData() const { return data_; }
    void SetData(std::string data) { data_ = std::move(data); }
    int64_t Size() const { return static_cast<int64_t>(data_.size()); }

    uint8_t Get8(int64_t position) const;
    uint16_t Get16(int64_t position) const;
    uint32_t Get32(int64_t position) const;
    int32_t Get32s(int64_t position) const;
    // `count` bytes from `position`; the range error when they leave the bytes.
    std::string_view Bytes(int64_t position, int64_t count) const;
    // True when [position, position + count) lies inside the bytes.
    bool Holds(int64_t position, int64_t count) const;

    // Writes into `buffer` (not into these bytes) in this object's byte order;
    // the range error when the bytes leave the buffer, or when Put16 is given
    // a value that does not fit two bytes.
    void Put16(std::string& buffer, uint32_t value, int64_t position) const;
    void Put32(std::string& buffer, uint32_t value, int64_t position) const;

private:
    bool motorola_ = false;
    std::string data_;
};

}  // namespace metadata
