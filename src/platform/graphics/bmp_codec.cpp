// BMP files for Bitmap: the reader takes the header variants and codings that
// pictures are found in; the writer makes the two plain kinds every program
// reads (8-bit with a colour table, 24-bit).
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <span>
#include <vector>

#include "platform/core/error.h"
#include "platform/graphics/bitmap.h"

namespace platform {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kCoreHeaderSize = 12;  // the OS/2 header, with 16-bit sizes

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

// The file's bytes with bounds-checked little-endian reads: anything outside
// is a broken file.
class Bytes {
public:
    explicit Bytes(std::span<const uint8_t> data) : data_(data) {}

    size_t Size() const { return data_.size(); }

    std::span<const uint8_t> At(size_t offset, size_t count) const {
        if (offset > data_.size() || count > data_.size() - offset) RaiseInvalidBitmap();
        return data_.subspan(offset, count);
    }
    uint16_t U16(size_t offset) const {
        const auto b = At(offset, 2);
        return static_cast<uint16_t>(b[0] | b[1] << 8);
    }
    uint32_t U32(size_t offset) const {
        const auto b = At(offset, 4);
        return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
    }
    int32_t I32(size_t offset) const { return static_cast<int32_t>(U32(offset)); }

private:
    std::span<const uint8_t> data_;
};

// One colour channel of a bit-field pixel.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        bits = static_cast<int>(std::bit_width(mask >> shift));
    }

    // The channel widened or narrowed to 8 bits; short channels repeat their
    // bits, so that full scale gives 255.
    uint8_t Of(uint32_t pixel) const {
        if (bits == 0) return 0;
        const uint32_t value = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(value >> (bits - 8));
        uint32_t wide = 0;
        int filled = 0;
        for (; filled < 8; filled += bits) wide = wide << bits | value;
        return static_cast<uint8_t>(wide >> (filled - 8));
    }
};

struct Header {
    int32_t width = 0;
    int32_t height = 0;
    bool top_down = false;
    int bpp = 0;
    uint32_t compression = kRgb;
    std::array<uint32_t, 3> masks{};  // red, green, blue
    std::vector<RGBQuad> colors;
    size_t pixels_at = 0;
};

// The colour table: biClrUsed entries (2^bpp when 0), never more than 2^bpp.
// The OS/2 header has no count: its table runs up to the pixels.
std::vector<RGBQuad> ReadColorTable(const Bytes& file, size_t at, size_t entry_size,
                                    uint32_t declared, int bpp, size_t pixels_at) {
    const size_t capacity = size_t{1} << bpp;
    size_t count = declared == 0 ? capacity : std::min<size_t>(declared, capacity);
    if (entry_size == 3 && pixels_at > at) count = std::min(count, (pixels_at - at) / 3);
    const auto bytes = file.At(at, count * entry_size);
    std::vector<RGBQuad> colors(count);
    for (size_t i = 0; i < count; ++i) {
        colors[i] =
            RGBQuad{bytes[i * entry_size], bytes[i * entry_size + 1], bytes[i * entry_size + 2], 0};
    }
    return colors;
}

Header ReadHeader(const Bytes& file) {
    const auto magic = file.At(0, 2);
    if (magic[0] != 'B' || magic[1] != 'M') RaiseInvalidBitmap();
    const size_t declared_pixels_at = file.U32(10);
    const size_t info_size = file.U32(kFileHeaderSize);
    Header h;
    size_t entry_size = 4;
    uint32_t colors_used = 0;
    if (info_size == kCoreHeaderSize) {
        h.width = file.U16(18);
        h.height = file.U16(20);
        h.bpp = file.U16(24);
        entry_size = 3;
        if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 24) RaiseInvalidBitmap();
    } else if (info_size == 40 || info_size == 52 || info_size == 56 || info_size == 108 ||
               info_size == 124) {
        h.width = file.I32(18);
        const int32_t height = file.I32(22);
        h.bpp = file.U16(28);
        h.compression = file.U32(30);
        colors_used = file.U32(46);
        if (h.width < 0 || height == INT32_MIN) RaiseInvalidBitmap();
        h.top_down = height < 0;
        h.height = h.top_down ? -height : height;
    } else {
        RaiseInvalidBitmap();
    }

    const bool fields = h.compression == kBitFields || h.compression == kAlphaBitFields;
    switch (h.compression) {
        case kRgb:
            if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 &&
                h.bpp != 32) {
                RaiseInvalidBitmap();
            }
            break;
        case kRle8:
            if (h.bpp != 8) RaiseInvalidBitmap();
            break;
        case kRle4:
            if (h.bpp != 4) RaiseInvalidBitmap();
            break;
        case kBitFields:
        case kAlphaBitFields:
            if (h.bpp != 16 && h.bpp != 32) RaiseInvalidBitmap();
            break;
        default:
            RaiseInvalidBitmap();
    }

    // A 40-byte header keeps its bit fields after itself, the later headers
    // inside.
    size_t table_at = kFileHeaderSize + info_size;
    if (fields) {
        const size_t masks_at = kFileHeaderSize + kInfoHeaderSize;
        h.masks = {file.U32(masks_at), file.U32(masks_at + 4), file.U32(masks_at + 8)};
        if (info_size == kInfoHeaderSize) table_at += h.compression == kAlphaBitFields ? 16 : 12;
    } else if (h.bpp == 16) {
        h.masks = {0x7C00, 0x03E0, 0x001F};
    } else if (h.bpp == 32) {
        h.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }

    if (h.bpp <= 8) {
        h.colors =
            ReadColorTable(file, table_at, entry_size, colors_used, h.bpp, declared_pixels_at);
    }
    const size_t table_end = table_at + h.colors.size() * entry_size;
    // Some writers leave the pixel offset at 0 and let the headers say it.
    h.pixels_at = declared_pixels_at == 0 ? table_end : declared_pixels_at;
    if (h.pixels_at < kFileHeaderSize + info_size || h.pixels_at > file.Size()) {
        RaiseInvalidBitmap();
    }
    return h;
}

int32_t BitmapRow(const Header& h, int64_t file_row) {
    return static_cast<int32_t>(h.top_down ? file_row : h.height - 1 - file_row);
}

// The format the pixels are kept in: the file's own where the bitmap has it,
// 24 bits for the other bit fields.
PixelFormat StoredFormat(const Header& h) {
    switch (h.bpp) {
        case 1:
            return PixelFormat::Bit1;
        case 4:
            return PixelFormat::Bit4;
        case 8:
            return PixelFormat::Bit8;
        case 16:
            if (h.masks == std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F})
                return PixelFormat::Bit15;
            if (h.masks == std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F})
                return PixelFormat::Bit16;
            return PixelFormat::Bit24;
        case 32:
            if (h.masks == std::array<uint32_t, 3>{0xFF0000, 0x00FF00, 0x0000FF}) {
                return PixelFormat::Bit32;
            }
            return PixelFormat::Bit24;
        default:
            return PixelFormat::Bit24;
    }
}

bool IsRunLength(const Header& h) {
    return h.compression == kRle8 || h.compression == kRle4;
}

// The distance between rows in the file, once it is known that every row is
// there (though the padding of the last one may be cut): checked before the
// pixels are allocated.
uint64_t CheckedFileStride(const Bytes& file, const Header& h) {
    const uint64_t row_bits =
        uint64_t{static_cast<uint32_t>(h.width)} * static_cast<uint32_t>(h.bpp);
    const uint64_t row_bytes = (row_bits + 7) / 8;
    const uint64_t file_stride = ((row_bits + 31) & ~uint64_t{31}) / 8;
    const uint64_t available = file.Size() - h.pixels_at;
    if (h.height > 0 &&
        (row_bytes > available || (file_stride > 0 && static_cast<uint64_t>(h.height - 1) >
                                                          (available - row_bytes) / file_stride))) {
        RaiseInvalidBitmap();
    }
    return file_stride;
}

void ReadRows(const Bytes& file, const Header& h, uint64_t file_stride, Bitmap& bitmap) {
    const size_t row_bytes = (static_cast<size_t>(h.width) * static_cast<size_t>(h.bpp) + 7) / 8;
    const bool same_layout = BitsPerPixel(bitmap.Format()) == h.bpp;
    const Channel red(h.masks[0]);
    const Channel green(h.masks[1]);
    const Channel blue(h.masks[2]);
    const size_t pixel_bytes = static_cast<size_t>(h.bpp) / 8;
    for (int32_t r = 0; r < h.height; ++r) {
        const auto source = file.At(h.pixels_at + static_cast<size_t>(r) * file_stride, row_bytes);
        uint8_t* row = bitmap.ScanLine(BitmapRow(h, r));
        if (same_layout) {
            if (row_bytes > 0) std::memcpy(row, source.data(), row_bytes);
            continue;
        }
        for (size_t x = 0; x < static_cast<size_t>(h.width); ++x) {
            const uint8_t* p = source.data() + x * pixel_bytes;
            uint32_t pixel = uint32_t{p[0]} | uint32_t{p[1]} << 8;
            if (pixel_bytes == 4) pixel |= uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
            row[3 * x] = blue.Of(pixel);
            row[3 * x + 1] = green.Of(pixel);
            row[3 * x + 2] = red.Of(pixel);
        }
    }
}

// Run-length codings: pairs (count, value) are runs; a zero count escapes to
// end of line (0), end of picture (1), a jump right and down (2, then the two
// distances) or a stretch of literal pixels padded to 16 bits (3 and more).
// What lands outside the picture is dropped; pixels never reached keep index
// 0. Every step consumes input, so the loop ends with the data at the latest.
void ReadRunLengths(const Bytes& file, const Header& h, Bitmap& bitmap) {
    for (int32_t y = 0; y < h.height; ++y) std::memset(bitmap.ScanLine(y), 0, bitmap.Stride());
    const bool rle8 = h.compression == kRle8;
    const PixelFormat format = bitmap.Format();
    const int64_t width = h.width;
    size_t at = h.pixels_at;
    const auto next = [&] { return file.At(at++, 1)[0]; };
    // Pixel k of a run or stretch: whole bytes in RLE8, nibbles (high first)
    // in RLE4.
    const auto nibble = [rle8](uint8_t byte, int64_t k) {
        return rle8 ? byte : static_cast<uint8_t>(k % 2 == 0 ? byte >> 4 : byte & 0x0F);
    };
    int64_t x = 0;
    int64_t y = 0;
    while (y < h.height) {
        const uint8_t count = next();
        const uint8_t value = next();
        if (count > 0) {
            uint8_t* row = bitmap.ScanLine(BitmapRow(h, y));
            const int64_t visible = std::clamp<int64_t>(width - x, 0, count);
            for (int64_t k = 0; k < visible; ++k) {
                SetPixelIndex(row, format, static_cast<size_t>(x + k), nibble(value, k));
            }
            x += count;
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            x += next();
            y += next();
        } else {
            const size_t bytes = rle8 ? value : (value + 1u) / 2;
            const auto literal = file.At(at, bytes);
            at += bytes + bytes % 2;
            uint8_t* row = bitmap.ScanLine(BitmapRow(h, y));
            const int64_t visible = std::clamp<int64_t>(width - x, 0, value);
            for (int64_t k = 0; k < visible; ++k) {
                const uint8_t byte = literal[static_cast<size_t>(rle8 ? k : k / 2)];
                SetPixelIndex(row, format, static_cast<size_t>(x + k), nibble(byte, k));
            }
            x += value;
        }
    }
}

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

}  // namespace

void Bitmap::LoadFromStream(Stream& stream) {
    const std::vector<uint8_t> data = stream.ReadRest();
    const Bytes file(data);
    const Header h = ReadHeader(file);
    const uint64_t file_stride = IsRunLength(h) ? 0 : CheckedFileStride(file, h);
    Bitmap decoded(h.width, h.height, StoredFormat(h));
    if (h.bpp <= 8) decoded.colors_ = h.colors;
    // A picture without width has no pixels to read, however many rows it
    // declares.
    if (!decoded.Empty()) {
        if (IsRunLength(h)) {
            ReadRunLengths(file, h, decoded);
        } else {
            ReadRows(file, h, file_stride, decoded);
        }
    }
    TakeFrom(decoded);
    Changed();
}

void Bitmap::SaveToStream(Stream& stream) const {
    const bool indexed = BitsPerPixel(format_) <= 8;
    // Rows without pixels are not walked, however many there are.
    const int32_t rows = Empty() ? 0 : height_;
    const size_t row_size = RowStride(width_, indexed ? PixelFormat::Bit8 : PixelFormat::Bit24);
    // Indices beyond the colour table draw black; the file gets black entries
    // for them, so that its table covers every pixel.
    std::vector<RGBQuad> colors;
    if (indexed) {
        size_t used = 1;
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t* row = ScanLine(y);
            for (size_t x = 0; x < static_cast<size_t>(width_); ++x) {
                used = std::max<size_t>(used, PixelIndex(row, format_, x) + 1u);
            }
        }
        colors = colors_;
        colors.resize(std::max(colors.size(), used));
    }
    const size_t header_size = kFileHeaderSize + kInfoHeaderSize + 4 * colors.size();
    const uint64_t image_size = uint64_t{row_size} * static_cast<uint64_t>(height_);
    if (header_size + image_size > UINT32_MAX) RaiseInvalidBitmap();

    std::vector<uint8_t> header(header_size, 0);
    header[0] = 'B';
    header[1] = 'M';
    Put32(header, 2, static_cast<uint32_t>(header_size + image_size));
    Put32(header, 10, static_cast<uint32_t>(header_size));
    Put32(header, 14, kInfoHeaderSize);
    Put32(header, 18, static_cast<uint32_t>(width_));
    Put32(header, 22, static_cast<uint32_t>(height_));  // positive: rows go bottom-up
    Put16(header, 26, 1);
    Put16(header, 28, indexed ? 8 : 24);
    Put32(header, 30, kRgb);
    Put32(header, 34, static_cast<uint32_t>(image_size));
    Put32(header, 46, static_cast<uint32_t>(colors.size()));
    for (size_t i = 0; i < colors.size(); ++i) {
        const size_t at = kFileHeaderSize + kInfoHeaderSize + 4 * i;
        header[at] = colors[i].Blue;
        header[at + 1] = colors[i].Green;
        header[at + 2] = colors[i].Red;
    }
    stream.WriteBuffer(header.data(), header.size());

    std::vector<uint8_t> row(rows > 0 ? row_size : 0, 0);
    for (int32_t y = rows - 1; y >= 0; --y) {
        if (indexed) {
            const uint8_t* line = ScanLine(y);
            for (size_t x = 0; x < static_cast<size_t>(width_); ++x) {
                row[x] = PixelIndex(line, format_, x);
            }
        } else {
            ReadBgr(y, 0, width_, row.data());
        }
        stream.WriteBuffer(row.data(), row.size());
    }
}

}  // namespace platform
