// The coding of a frame's pixels into GIF image data: a real LZW coder with a
// hashed string table, and a run-length coder that sends runs of one pixel
// with codes the decoder's table is known to hold at that moment.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

#include "gif/gif_image.h"
#include "gif/gif_io.h"

namespace gif {

namespace {

constexpr int32_t kMaxCodeBits = 12;

class TGIFEncoder {
public:
    virtual ~TGIFEncoder() = default;

    // Writes the minimum code size, the coded pixels as sub-blocks and the
    // terminator. `color_count` bounds the pixel values.
    void Encode(platform::Stream& stream, int32_t bits, int32_t color_count, const uint8_t* data,
                bool interlace, int32_t height, int32_t width);

protected:
    // Packs a code into the bit stream, least significant bit first.
    virtual void Output(int32_t code);
    // Sends the clear code.
    virtual void Clear();
    virtual void Compress() = 0;
    // The next pixel in the order of the data ("Color not in color table" for
    // a value beyond the colour count); false when all were taken.
    bool NextPixel(int32_t& pixel);
    // The next pixels in the order of the data, up to the end of a row (of the
    // frame, without interlacing) and before any value beyond the colour
    // count, which the next call reports; false when all were taken.
    bool NextSpan(const uint8_t*& pixels, size_t& count);

    int32_t bits_per_code_ = 0;
    int32_t initial_bits_ = 0;
    // The largest code of the current size, the clear and end codes, and the
    // first code the string table gives.
    int32_t MaxCode = 0;
    int32_t ClearCode = 0;
    int32_t EndCode = 0;
    int32_t BaseCode = 0;
    bool just_cleared_ = false;
    int32_t min_code_size_ = 0;

private:
    // Moves to the next row of an interlaced frame; false after the last.
    bool NextRow();

    int32_t color_count_ = 0;
    const uint8_t* data_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool interlace_ = false;
    TGIFWriter* writer_ = nullptr;
    uint32_t bit_buffer_ = 0;
    int32_t bit_count_ = 0;
    // Pixel reader: the next pixel of the current row, pixels left in it, the
    // row and the interlace pass.
    const uint8_t* pixel_ = nullptr;
    size_t row_left_ = 0;
    int32_t row_ = 0;
    int32_t pass_ = 0;
};

void TGIFEncoder::Encode(platform::Stream& stream, int32_t bits, int32_t color_count,
                         const uint8_t* data, bool interlace, int32_t height, int32_t width) {
    min_code_size_ = static_cast<int32_t>(platform::CheckRange(bits < 2 ? 2 : bits, 0, 255));
    WriteByte(stream, static_cast<uint8_t>(min_code_size_));
    initial_bits_ = bits_per_code_ = min_code_size_ + 1;
    MaxCode = (1 << bits_per_code_) - 1;
    ClearCode = 1 << min_code_size_;
    EndCode = ClearCode + 1;
    BaseCode = ClearCode + 2;
    color_count_ = color_count;
    data_ = data;
    width_ = width;
    height_ = height;
    interlace_ = interlace;
    pixel_ = data;
    row_ = 0;
    pass_ = 0;
    // Without interlacing the frame is one run of all its pixels.
    row_left_ = static_cast<size_t>(width) * static_cast<size_t>(interlace ? 1 : height);

    TGIFWriter writer(stream);
    writer_ = &writer;
    if (data != nullptr && width >= 1 && height >= 1) Compress();
    Output(EndCode);
    if (bit_count_ > 0) writer.Put(static_cast<uint8_t>(bit_buffer_));
    bit_buffer_ = 0;
    bit_count_ = 0;
    writer.Flush();
    writer_ = nullptr;
    WriteByte(stream, 0);
}

inline void TGIFEncoder::Output(int32_t code) {
    bit_buffer_ |= static_cast<uint32_t>(code) << bit_count_;
    bit_count_ += bits_per_code_;
    while (bit_count_ >= 8) {
        writer_->Put(static_cast<uint8_t>(bit_buffer_));
        bit_buffer_ >>= 8;
        bit_count_ -= 8;
    }
}

void TGIFEncoder::Clear() {
    just_cleared_ = true;
    Output(ClearCode);
}

bool TGIFEncoder::NextRow() {
    if (!interlace_) return false;
    row_ += kInterlacePasses[static_cast<size_t>(pass_)].step;
    while (row_ >= height_) {
        if (static_cast<size_t>(++pass_) == kInterlacePasses.size()) return false;
        row_ = kInterlacePasses[static_cast<size_t>(pass_)].start;
    }
    pixel_ = data_ + static_cast<size_t>(row_) * static_cast<size_t>(width_);
    row_left_ = static_cast<size_t>(width_);
    return true;
}

bool TGIFEncoder::NextPixel(int32_t& pixel) {
    if (row_left_ == 0 && !NextRow()) return false;
    pixel = *pixel_++;
    --row_left_;
    if (pixel >= color_count_) Error(Message::ColorNotInColorTable);
    return true;
}

bool TGIFEncoder::NextSpan(const uint8_t*& pixels, size_t& count) {
    if (row_left_ == 0 && !NextRow()) return false;
    count = row_left_;
    // Every byte is below a count of 256. The highest value is found first,
    // a loop the compiler makes wide; the place of a bad one only then.
    if (color_count_ < 256) {
        uint8_t highest = 0;
        for (size_t i = 0; i < count; ++i) highest = std::max(highest, pixel_[i]);
        if (highest >= color_count_) {
            count = 0;
            while (pixel_[count] < color_count_) ++count;
            if (count == 0) Error(Message::ColorNotInColorTable);
        }
    }
    pixels = pixel_;
    pixel_ += count;
    row_left_ -= count;
    return true;
}

// The string table of the LZW coder: a key (prefix code and pixel, 20 bits)
// and its code (12 bits) in one word, open addressing over a prime number of
// slots.
class THashTable {
public:
    static constexpr int32_t kSize = 8009;

    // Every slot empty: all bits set, so one memset (which a debug build
    // does not make into a loop of stores).
    void Clear() { std::memset(slots_.data(), 0xFF, sizeof slots_); }
    // The slot holding the key, or the empty slot where it would go.
    size_t Find(uint32_t key) const {
        auto slot = static_cast<int32_t>((key ^ (key >> 4)) % kSize);
        const int32_t step = slot == 0 ? 1 : kSize - slot;
        while (slots_[static_cast<size_t>(slot)] != kEmpty &&
               slots_[static_cast<size_t>(slot)] >> 12 != key) {
            slot -= step;
            if (slot < 0) slot += kSize;
        }
        return static_cast<size_t>(slot);
    }
    // The code a slot found for a key holds, -1 when it is empty.
    int32_t CodeAt(size_t slot) const {
        return slots_[slot] == kEmpty ? -1 : static_cast<int32_t>(slots_[slot] & 0xFFF);
    }
    void Set(size_t slot, uint32_t key, int32_t code) {
        slots_[slot] = key << 12 | static_cast<uint32_t>(code);
    }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFF;

    // Filled by Clear, with which every coding starts: made with the
    // encoder of every frame, they are not filled twice.
    std::array<uint32_t, kSize> slots_;
};

class TLZWEncoder final : public TGIFEncoder {
protected:
    void Output(int32_t code) override;
    void Clear() override;
    void Compress() override;

private:
    int32_t next_free_ = 0;
    THashTable table_;
    // By prefix code, the string last added with it: its pixel plus 256
    // (0 for none) above its code. Filled by Clear, as the string table.
    std::array<uint32_t, 4096> last_;
};

inline void TLZWEncoder::Output(int32_t code) {
    TGIFEncoder::Output(code);
    if (just_cleared_) {
        bits_per_code_ = initial_bits_;
        MaxCode = (1 << bits_per_code_) - 1;
        just_cleared_ = false;
    } else if (next_free_ > MaxCode) {
        ++bits_per_code_;
        MaxCode = bits_per_code_ == kMaxCodeBits ? 4096 : (1 << bits_per_code_) - 1;
    }
}

void TLZWEncoder::Clear() {
    TGIFEncoder::Clear();
    table_.Clear();
    std::memset(last_.data(), 0, sizeof last_);
    next_free_ = BaseCode;
}

void TLZWEncoder::Compress() {
    Clear();
    int32_t prefix = 0;
    NextPixel(prefix);
    const uint8_t* pixels = nullptr;
    size_t count = 0;
    while (NextSpan(pixels, count)) {
        for (const uint8_t* end = pixels + count; pixels != end; ++pixels) {
            const uint32_t key = static_cast<uint32_t>(prefix) << 8 | *pixels;
            // The string last made from this prefix comes again and again
            // in flat areas: it is looked for first.
            const uint32_t last = last_[static_cast<size_t>(prefix)];
            if (last >> 12 == (key & 0xFF) + 0x100) {
                prefix = static_cast<int32_t>(last & 0xFFF);
                continue;
            }
            const size_t slot = table_.Find(key);
            const int32_t code = table_.CodeAt(slot);
            if (code >= 0) {
                prefix = code;
                continue;
            }
            Output(prefix);
            const auto made = static_cast<size_t>(prefix);
            prefix = *pixels;
            if (next_free_ >= 4095) {
                Clear();
            } else {
                last_[made] = ((key & 0xFF) + 0x100) << 12 | static_cast<uint32_t>(next_free_);
                table_.Set(slot, key, next_free_++);
            }
        }
    }
    Output(prefix);
}

// The integer square root: Newton's iteration from a power of two above it,
// which comes down to the root and stops when the next estimate no longer
// falls.
int64_t IntSqrt(int64_t value) {
    if (value < 2) return value;
    int64_t root = int64_t{1} << ((std::bit_width(static_cast<uint64_t>(value)) + 1) / 2);
    for (;;) {
        const int64_t next = (root + value / root) / 2;
        if (next >= root) return root;
        root = next;
    }
}

// Runs of one pixel value, sent as codes whose strings the decoder's table
// holds: after a clear code, the table built by a run of P holds runs of P of
// every length up to the longest sent, so a run costs about the square root of
// twice its length in codes.
class TRLEEncoder final : public TGIFEncoder {
protected:
    void Clear() override;
    void Compress() override;

private:
    void EmitCode(int32_t code);
    void FlushRun();
    void FlushFromClear(int32_t count);
    void FlushClearOrRepeat(int32_t count);
    void FlushWithTable(int32_t count);
    void ResetClearLimit();
    // Codes needed to send `count` pixels from a cleared table.
    int32_t TriangleCount(int32_t count) const;

    int32_t max_codes_ = 0;
    int32_t initial_bump_ = 0;
    int32_t initial_clear_ = 0;
    int32_t run_pixel_ = -1;
    int32_t run_length_ = 0;
    int32_t table_run_ = 0;  // the longest run the decoder's table holds
    int32_t table_pixel_ = 0;
    int32_t code_count_ = 0;  // codes sent since the last clear
    int32_t clear_limit_ = 0;
    int32_t bump_ = 0;  // the code count at which the code size grows
};

void TRLEEncoder::Clear() {
    bump_ = initial_bump_;
    clear_limit_ = initial_clear_;
    code_count_ = 0;
    table_run_ = 0;
    TGIFEncoder::Clear();
    bits_per_code_ = initial_bits_;
}

void TRLEEncoder::Compress() {
    max_codes_ = 4095 - BaseCode;
    initial_bump_ = ClearCode - 1;
    initial_clear_ = min_code_size_ > 3 ? ClearCode - 2 : 9;
    Clear();
    run_pixel_ = -1;
    run_length_ = 0;
    for (int32_t pixel = 0; NextPixel(pixel);) {
        if (run_length_ > 0 && pixel != run_pixel_) FlushRun();
        if (pixel == run_pixel_) {
            ++run_length_;
        } else {
            run_pixel_ = pixel;
            run_length_ = 1;
        }
    }
    if (run_length_ > 0) FlushRun();
}

void TRLEEncoder::EmitCode(int32_t code) {
    just_cleared_ = false;
    Output(code);
    ++code_count_;
    if (code_count_ >= bump_) {
        ++bits_per_code_;
        bump_ += 1 << (bits_per_code_ - 1);
    }
    if (code_count_ >= clear_limit_) Clear();
}

void TRLEEncoder::FlushRun() {
    if (run_length_ == 1) {
        EmitCode(run_pixel_);
    } else if (just_cleared_) {
        FlushFromClear(run_length_);
    } else if (table_run_ < 2 || table_pixel_ != run_pixel_) {
        FlushClearOrRepeat(run_length_);
    } else {
        FlushWithTable(run_length_);
    }
    run_length_ = 0;
}

void TRLEEncoder::FlushFromClear(int32_t count) {
    clear_limit_ = max_codes_;
    table_pixel_ = run_pixel_;
    int32_t step = 1;
    while (count > 0) {
        if (step == 1) {
            table_run_ = 1;
            EmitCode(run_pixel_);
            --count;
        } else if (count >= step) {
            table_run_ = step;
            EmitCode(BaseCode + step - 2);
            count -= step;
        } else if (count == 1) {
            ++table_run_;
            EmitCode(run_pixel_);
            count = 0;
        } else {
            ++table_run_;
            EmitCode(BaseCode + count - 2);
            count = 0;
        }
        step = code_count_ == 0 ? 1 : step + 1;
    }
    ResetClearLimit();
}

void TRLEEncoder::FlushClearOrRepeat(int32_t count) {
    if (1 + TriangleCount(count) < count) {
        Clear();
        FlushFromClear(count);
        return;
    }
    for (; count > 0; --count) EmitCode(run_pixel_);
}

void TRLEEncoder::FlushWithTable(int32_t count) {
    int32_t repeats = count / table_run_;
    int32_t leftover = count % table_run_;
    int32_t leftover_codes = leftover != 0 ? 1 : 0;
    if (code_count_ + repeats + leftover_codes > max_codes_) {
        repeats = max_codes_ - code_count_;
        leftover = count - repeats * table_run_;
        leftover_codes = 1 + TriangleCount(leftover);
    }
    if (1 + TriangleCount(count) < repeats + leftover_codes) {
        Clear();
        FlushFromClear(count);
        return;
    }
    clear_limit_ = max_codes_;
    for (; repeats > 0; --repeats) EmitCode(BaseCode + table_run_ - 2);
    if (leftover != 0) {
        if (just_cleared_) {
            FlushFromClear(leftover);
        } else if (leftover == 1) {
            EmitCode(run_pixel_);
        } else {
            EmitCode(BaseCode + leftover - 2);
        }
    }
    ResetClearLimit();
}

void TRLEEncoder::ResetClearLimit() {
    clear_limit_ = initial_clear_;
    if (code_count_ >= clear_limit_) Clear();
}

int32_t TRLEEncoder::TriangleCount(int32_t count) const {
    const int64_t per_set = int64_t{max_codes_} * (max_codes_ + 1) / 2;
    int64_t left = count;
    int64_t cost = 0;
    while (left >= per_set) {
        cost += max_codes_;
        left -= per_set;
    }
    if (left > 0) {
        // The smallest n with n (n + 1) / 2 at least `left`.
        int64_t n = IntSqrt(2 * left);
        while (n * (n + 1) >= 2 * left) --n;
        while (n * (n + 1) < 2 * left) ++n;
        cost += n;
    }
    return static_cast<int32_t>(cost);
}

}  // namespace

void TGIFSubImage::Compress(platform::Stream& stream) const {
    int32_t bits = 0;
    int32_t colors = 0;
    if (color_map_.Count() > 0) {
        colors = color_map_.Count();
        bits = color_map_.BitsPerPixel();
    } else {
        bits = image_->GetBitsPerPixel();
        colors = 1 << bits;
    }
    std::unique_ptr<TGIFEncoder> encoder;
    if (image_->Compression() == 1) {
        encoder = std::make_unique<TRLEEncoder>();
    } else {
        encoder = std::make_unique<TLZWEncoder>();
    }
    encoder->Encode(stream, bits, colors, Data(), (PreparedFields() & 0x40) != 0, Height(),
                    Width());
}

}  // namespace gif
