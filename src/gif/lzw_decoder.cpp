// The LZW decoding of a frame's image data.
//
// Codes are read least significant bit first from a buffer that holds the two
// last bytes of the previous sub-block before the current one. Strings are
// written straight into the pixels: while the code table is well formed, every
// entry is a run of pixels already decoded (the previous string and the first
// pixel of the next), so expanding a code is one copy. A code beyond the next
// free entry makes the table refer forward; from there to the next clear code
// strings are expanded through the prefix chains, one pixel at a time, with
// the chain length bounded so that a damaged table cannot loop.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <numeric>
#include <utility>
#include <vector>

#include "gif/gif_image.h"
#include "gif/gif_io.h"

namespace gif {

namespace {

constexpr int32_t kTableSize = 4096;  // codes of at most 12 bits

// The longest run of pixels one code can give, with room for the expansion
// of a damaged table.
constexpr size_t kLongestString = kTableSize + 4;

// The decoded pixels, in a buffer that grows as the data give them, up to the
// frame's size: a frame that declares millions of pixels but holds a few
// bytes of data takes memory for what those bytes give.
class DecodedPixels {
public:
    struct Free {
        void operator()(uint8_t* pixels) const { std::free(pixels); }
    };
    using Buffer = std::unique_ptr<uint8_t[], Free>;

    // Strings are copied from the pixels already written.
    static constexpr bool kCopiesStrings = true;

    explicit DecodedPixels(size_t limit) : limit_(limit) {}

    size_t Limit() const { return limit_; }
    // The buffer, with room for the pixels up to `end` or up to the limit.
    uint8_t* Room(size_t end) {
        end = std::min(end, limit_);
        if (end > capacity_) Grow(end);
        return pixels_.get();
    }
    // Pixel `p`, within the room last made.
    void Put(size_t p, uint8_t value) { pixels_[p] = value; }
    // The first `count` pixels, the buffer cut down to them.
    Buffer Release(size_t count) {
        if (count < capacity_ && count > 0) {
            if (auto* shrunk = static_cast<uint8_t*>(std::realloc(pixels_.get(), count))) {
                static_cast<void>(pixels_.release());
                pixels_.reset(shrunk);
            }
        }
        if (count == 0) pixels_.reset();
        capacity_ = 0;
        return std::move(pixels_);
    }

private:
    void Grow(size_t end) {
        constexpr size_t kFirstBlock = size_t{64} << 10;
        const size_t capacity = std::min(limit_, std::max({end, 2 * capacity_, kFirstBlock}));
        auto* grown = static_cast<uint8_t*>(std::realloc(pixels_.get(), capacity));
        if (grown == nullptr) platform::RaiseOutOfMemory();
        static_cast<void>(pixels_.release());
        pixels_.reset(grown);
        capacity_ = capacity;
    }

    size_t limit_;
    size_t capacity_ = 0;
    Buffer pixels_;
};

// The pixels of the rows kept of a frame, every `step`-th, in a buffer laid
// out beforehand: the others are decoded and dropped. Dropped pixels cannot be
// copied from, so strings are expanded through the code table.
class KeptRows {
public:
    static constexpr bool kCopiesStrings = false;

    // `order` lists the frame's rows in the order of the data; `kept` holds
    // ceil(rows / step) rows of `width`.
    KeptRows(size_t width, std::vector<int32_t> order, size_t step, uint8_t* kept)
        : width_(width), order_(std::move(order)), step_(step), kept_(kept) {
        EnterRow();
    }

    size_t Limit() const { return width_ * order_.size(); }
    uint8_t* Room(size_t /*end*/) { return nullptr; }
    // The next pixel of the data; they come one after the other.
    void Put(size_t /*p*/, uint8_t value) {
        if (row_ != nullptr) row_[x_] = value;
        if (++x_ == width_) {
            x_ = 0;
            ++k_;
            EnterRow();
        }
    }

private:
    void EnterRow() {
        row_ = nullptr;
        if (k_ >= order_.size()) return;
        const auto y = static_cast<size_t>(order_[k_]);
        if (y % step_ == 0) row_ = kept_ + y / step_ * width_;
    }

    size_t width_;
    std::vector<int32_t> order_;
    size_t step_;
    uint8_t* kept_;
    size_t k_ = 0;  // the row of the data being written
    size_t x_ = 0;
    uint8_t* row_ = nullptr;
};

class LZWDecoder {
public:
    LZWDecoder(platform::Stream& stream, const TGIFSubImage& frame, int32_t min_code_size);

    // Stores up to the limit of `output` in the order of the data, then reads
    // the rest of the data up to its terminator. Returns the number of pixels
    // stored.
    template <typename Output>
    size_t Decode(Output& output);

private:
    // The next code, or -1 when no more data can be had.
    int32_t NextCode() {
        if (first_call_ || cur_bit_ + code_size_ >= last_bit_) return NextCodeAfterRefill();
        return TakeCode();
    }
    // Kept out of line so that the common case above inlines: the first
    // call's clear code, or a code after reading the next sub-block.
    int32_t NextCodeAfterRefill();
    // The code that starts at the current bit.
    int32_t TakeCode() {
        const auto at = static_cast<size_t>(cur_bit_ / 8);
        const uint32_t bits = static_cast<uint32_t>(buffer_[at]) |
                              static_cast<uint32_t>(buffer_[at + 1]) << 8 |
                              static_cast<uint32_t>(buffer_[at + 2]) << 16;
        const auto code = static_cast<int32_t>((bits >> (cur_bit_ % 8)) & ((1u << code_size_) - 1));
        cur_bit_ += code_size_;
        return code;
    }
    // After a clear code: the first literal, or -1 when the data ends there.
    int32_t Restart();
    void ResetTable();
    // A new table entry: the previous string and the first pixel of this one.
    void AddEntry(uint8_t first, size_t position, uint32_t length);
    // Expands `code` through the prefix chains into the stack; returns its
    // size (the string is stack_[size - 1] down to stack_[0]).
    size_t ExpandChain(int32_t code);
    // The end-of-information code: the rest of the data is skipped.
    void EndOfInformation();
    // Reads sub-blocks up to a zero length byte or the end of the stream.
    void SkipSubBlocks();

    platform::Stream& stream_;
    const TGIFSubImage& frame_;

    // Bit reader.
    std::array<uint8_t, 260> buffer_{};
    int32_t cur_bit_ = 0;
    int32_t last_bit_ = 0;
    int32_t last_byte_ = 2;
    bool first_call_ = true;
    bool data_ended_ = false;  // the zero-length sub-block was read
    bool end_seen_ = false;
    bool terminated_ = false;  // the data were read up to their end

    // Code table.
    int32_t min_code_size_;
    int32_t clear_code_;
    int32_t end_code_;
    int32_t code_size_;
    int32_t max_code_;
    int32_t free_code_;
    int32_t old_code_ = 0;
    int32_t first_char_ = 0;
    bool well_formed_ = true;
    std::array<uint16_t, kTableSize> prefix_{};
    std::array<uint16_t, kTableSize> suffix_{};
    // Where each entry's string lies in the output, and its length, while the
    // table is well formed.
    std::array<uint32_t, kTableSize> position_{};
    std::array<uint16_t, kTableSize> length_{};
    std::array<uint16_t, kTableSize + 4> stack_{};
};

LZWDecoder::LZWDecoder(platform::Stream& stream, const TGIFSubImage& frame, int32_t min_code_size)
    : stream_(stream),
      frame_(frame),
      min_code_size_(min_code_size),
      clear_code_(1 << min_code_size),
      end_code_(clear_code_ + 1),
      code_size_(min_code_size + 1),
      max_code_(2 * clear_code_),
      free_code_(clear_code_ + 2) {
    for (int32_t code = 0; code < clear_code_; ++code) {
        suffix_[static_cast<size_t>(code)] = static_cast<uint16_t>(code);
        length_[static_cast<size_t>(code)] = 1;
    }
}

int32_t LZWDecoder::NextCodeAfterRefill() {
    if (first_call_) {
        first_call_ = false;
        return clear_code_;
    }
    if (cur_bit_ + code_size_ >= last_bit_) {
        if (data_ended_) {
            if (cur_bit_ >= last_bit_) frame_.Warning(kWarningSeverity, Message::DecoderUnderRun);
            return -1;
        }
        buffer_[0] = buffer_[static_cast<size_t>(last_byte_ - 2)];
        buffer_[1] = buffer_[static_cast<size_t>(last_byte_ - 1)];
        const std::optional<uint8_t> size = TryReadByte(stream_);
        if (!size) return -1;
        int32_t length = *size;
        if (length == 0) {
            data_ended_ = true;
            end_seen_ = true;
        } else {
            if (Remaining(stream_) < length) {
                frame_.Warning(kWarningSeverity, Message::PrematureEnd);
                length = static_cast<int32_t>(Remaining(stream_));
            }
            ReadCheck(stream_, &buffer_[2], static_cast<size_t>(length));
        }
        last_byte_ = length + 2;
        cur_bit_ = cur_bit_ - last_bit_ + 16;
        last_bit_ = (length + 2) * 8;
    }
    return TakeCode();
}

void LZWDecoder::ResetTable() {
    std::fill(prefix_.begin() + clear_code_, prefix_.begin() + free_code_, 0);
    std::fill(suffix_.begin() + clear_code_, suffix_.begin() + free_code_, 0);
    code_size_ = min_code_size_ + 1;
    max_code_ = 2 * clear_code_;
    free_code_ = clear_code_ + 2;
    well_formed_ = true;
}

int32_t LZWDecoder::Restart() {
    ResetTable();
    int32_t code = 0;
    do {
        code = NextCode();
    } while (code == clear_code_);
    // A code other than a literal cannot start the data again: the end code
    // ends them, and so does anything else, which is damage.
    if (code >= end_code_) {
        if (code > end_code_) frame_.Warning(kWarningSeverity, Message::InvalidGifData);
        EndOfInformation();
        return -1;
    }
    if (code >= 0) first_char_ = old_code_ = code;
    return code;
}

void LZWDecoder::AddEntry(uint8_t first, size_t position, uint32_t length) {
    if (free_code_ >= kTableSize) return;
    const auto entry = static_cast<size_t>(free_code_);
    prefix_[entry] = static_cast<uint16_t>(old_code_);
    suffix_[entry] = first;
    position_[entry] = static_cast<uint32_t>(position);
    length_[entry] = static_cast<uint16_t>(length);
    ++free_code_;
    if (free_code_ >= max_code_ && max_code_ < kTableSize) {
        max_code_ *= 2;
        ++code_size_;
    }
}

size_t LZWDecoder::ExpandChain(int32_t code) {
    const int32_t in_code = code;
    size_t size = 0;
    if (code >= free_code_) {
        stack_[size++] = static_cast<uint16_t>(first_char_);
        code = old_code_;
    }
    for (int32_t steps = 0; code >= clear_code_; ++steps) {
        const auto entry = static_cast<size_t>(code);
        if (steps == kTableSize || prefix_[entry] == code) Error(Message::CircularDecoderEntry);
        stack_[size++] = suffix_[entry];
        code = prefix_[entry];
    }
    first_char_ = suffix_[static_cast<size_t>(code)];
    stack_[size++] = static_cast<uint16_t>(first_char_);
    if (free_code_ < kTableSize) {
        prefix_[static_cast<size_t>(free_code_)] = static_cast<uint16_t>(old_code_);
        suffix_[static_cast<size_t>(free_code_)] = static_cast<uint16_t>(first_char_);
        ++free_code_;
        if (free_code_ >= max_code_ && max_code_ < kTableSize) {
            max_code_ *= 2;
            ++code_size_;
        }
    }
    old_code_ = in_code;
    return size;
}

void LZWDecoder::EndOfInformation() {
    if (!end_seen_) SkipSubBlocks();
    terminated_ = true;
}

void LZWDecoder::SkipSubBlocks() {
    for (std::optional<uint8_t> size; (size = TryReadByte(stream_)) && *size != 0;)
        stream_.Seek(*size, platform::SeekOrigin::Current);
}

// A pixel index is one byte; literals of wider codes do not fit.
uint8_t Pixel(int32_t value) {
    if (value > 255) platform::RaiseRange();
    return static_cast<uint8_t>(value);
}

template <typename Output>
size_t LZWDecoder::Decode(Output& output) {
    const size_t count = output.Limit();
    uint8_t* out = nullptr;
    size_t p = 0;
    size_t pending = 0;  // pixels of the last string beyond `count`
    bool ended = false;
    // The previous string in `out`.
    size_t previous = 0;
    uint32_t previous_length = 0;
    while (p < count) {
        // Every code gives at most this many pixels.
        out = output.Room(p + kLongestString);
        int32_t code = NextCode();
        if (code == clear_code_) {
            code = Restart();
            if (code < 0) {
                ended = true;
                break;
            }
            output.Put(p, Pixel(code));
            previous = p++;
            previous_length = 1;
            continue;
        }
        if (code < 0 || code == end_code_) {
            if (code == end_code_) EndOfInformation();
            ended = true;
            break;
        }
        if constexpr (Output::kCopiesStrings) {
            if (well_formed_ && code <= free_code_) {
                uint32_t length = 1;
                uint8_t first = 0;
                const size_t room = count - p;
                if (code < clear_code_) {
                    first = out[p] = Pixel(code);
                } else if (code < free_code_) {
                    length = length_[static_cast<size_t>(code)];
                    const size_t source = position_[static_cast<size_t>(code)];
                    std::memcpy(out + p, out + source, std::min<size_t>(length, room));
                    first = out[source];
                } else {
                    // The string just added, not yet in the table: the previous
                    // string followed by its own first pixel.
                    length = previous_length + 1;
                    first = out[previous];
                    std::memcpy(out + p, out + previous, std::min<size_t>(previous_length, room));
                    if (length <= room) out[p + previous_length] = first;
                }
                AddEntry(first, previous, previous_length + 1);
                old_code_ = code;
                first_char_ = first;
                previous = p;
                previous_length = length;
                const size_t stored = std::min<size_t>(length, room);
                pending = length - stored;
                p += stored;
                continue;
            }
        }
        well_formed_ = false;
        size_t size = ExpandChain(code);
        while (size > 0 && p < count) output.Put(p++, Pixel(stack_[--size]));
        pending = size;
    }
    // One more pixel is asked for, so that the end code after the last pixel
    // is read; what follows it is skipped.
    if (!ended && pending == 0) {
        const int32_t code = NextCode();
        if (code == clear_code_) {
            Restart();
        } else if (code == end_code_) {
            EndOfInformation();
        } else if (code >= 0 && !well_formed_) {
            ExpandChain(code);
        }
    }
    if (!data_ended_ && !terminated_) SkipSubBlocks();
    return p;
}

}  // namespace

namespace {

// The rows of an interlaced frame, in the order of the data: four passes,
// every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
std::vector<int32_t> InterlacedRows(int32_t height) {
    std::vector<int32_t> rows;
    rows.reserve(static_cast<size_t>(height));
    for (const auto& [start, step] : kInterlacePasses) {
        for (int32_t y = start; y < height; y += step) rows.push_back(y);
    }
    return rows;
}

// Puts the rows of a whole interlaced frame in their places, in the buffer
// they were decoded into: each cycle of the permutation moves through one
// spare row.
void Deinterlace(uint8_t* pixels, size_t width, const std::vector<int32_t>& rows) {
    const size_t height = rows.size();
    std::vector<size_t> from(height);  // the decoded row that goes to each row
    for (size_t k = 0; k < height; ++k) from[static_cast<size_t>(rows[k])] = k;
    std::vector<bool> placed(height);
    std::vector<uint8_t> spare(width);
    for (size_t first = 0; first < height; ++first) {
        if (placed[first] || from[first] == first) continue;
        std::memcpy(spare.data(), pixels + first * width, width);
        size_t y = first;
        for (size_t k = from[y]; k != first; y = k, k = from[y]) {
            std::memcpy(pixels + y * width, pixels + k * width, width);
            placed[y] = true;
        }
        std::memcpy(pixels + y * width, spare.data(), width);
        placed[y] = true;
    }
}

}  // namespace

void TGIFSubImage::Decompress(platform::Stream& stream) {
    NewImage();
    const size_t count = data_size_;
    if (count > 0 && HasTransparency()) fill_ = gce_->TransparentColorIndex();
    const std::optional<uint8_t> min_code_size = TryReadByte(stream);
    if (!min_code_size) return;
    // The table holds 12-bit codes: the clear code must be one of them.
    if (*min_code_size >= 12) Error(Message::InvalidGifData);
    const auto decoder = std::make_unique<LZWDecoder>(stream, *this, *min_code_size);
    const size_t width = Width();
    const uint16_t step = KeptRowStep();
    if (step > 1) {
        // The rows dropped take no memory: the kept ones are laid out at once
        // and what the data do not reach reads as the fill.
        const size_t held = (static_cast<size_t>(Height()) + step - 1) / step * width;
        auto* kept = static_cast<uint8_t*>(std::malloc(held));
        if (kept == nullptr) platform::RaiseOutOfMemory();
        std::memset(kept, fill_, held);
        data_.reset(kept);
        held_ = held;
        row_step_ = step;
        std::vector<int32_t> order;
        if (Interlaced()) {
            order = InterlacedRows(Height());
        } else {
            order.resize(Height());
            std::iota(order.begin(), order.end(), 0);
        }
        KeptRows rows(width, std::move(order), step, kept);
        decoder->Decode(rows);
        return;
    }
    DecodedPixels pixels(count);
    const size_t decoded = decoder->Decode(pixels);
    DecodedPixels::Buffer buffer = pixels.Release(decoded);
    if (!Interlaced() || decoded == 0) {
        data_.reset(buffer.release());
        held_ = decoded;
        return;
    }
    const std::vector<int32_t> rows = InterlacedRows(Height());
    if (decoded == count) {
        Deinterlace(buffer.get(), width, rows);
        data_.reset(buffer.release());
        held_ = count;
        return;
    }
    // The rows decoded, partly for the last, go to their places; the rows
    // kept reach down to the lowest of them.
    const size_t decoded_rows = (decoded + width - 1) / width;
    const auto lowest = static_cast<size_t>(
        *std::max_element(rows.begin(), rows.begin() + static_cast<ptrdiff_t>(decoded_rows)));
    const size_t held = (lowest + 1) * width;
    auto* placed = static_cast<uint8_t*>(std::malloc(held));
    if (placed == nullptr) platform::RaiseOutOfMemory();
    data_.reset(placed);
    held_ = held;
    std::memset(placed, fill_, held);
    for (size_t k = 0; k < decoded_rows; ++k) {
        const size_t n = std::min(width, decoded - k * width);
        std::memcpy(placed + static_cast<size_t>(rows[k]) * width, buffer.get() + k * width, n);
    }
}

}  // namespace gif
