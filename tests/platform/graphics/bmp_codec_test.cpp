// BMP reading and writing, with ImageMagick as the independent reader: every
// variant is read by both and the pixels compared.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/error.h"
#include "platform/core/stream.h"
#include "platform/graphics/bitmap.h"
#include "test_support.h"

namespace platform {
namespace {

using namespace testing_support;

// A BMP file put together field by field, for the variants no tool writes.
struct BmpFile {
    uint32_t info_size = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bpp = 24;
    uint32_t compression = 0;
    std::vector<uint32_t> masks{};  // written where the header size puts them
    std::vector<RGBQuad> colors{};
    std::vector<uint8_t> pixels{};

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out(14 + info_size, 0);
        auto put = [&out](size_t at, uint32_t value, int size) {
            for (int i = 0; i < size; ++i)
                out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
        };
        out[0] = 'B';
        out[1] = 'M';
        put(14, info_size, 4);
        if (info_size == 12) {
            put(18, static_cast<uint32_t>(width), 2);
            put(20, static_cast<uint32_t>(height), 2);
            put(22, 1, 2);
            put(24, bpp, 2);
        } else {
            put(18, static_cast<uint32_t>(width), 4);
            put(22, static_cast<uint32_t>(height), 4);
            put(26, 1, 2);
            put(28, bpp, 2);
            put(30, compression, 4);
            put(46, static_cast<uint32_t>(colors.size()), 4);
            for (size_t i = 0; i < masks.size(); ++i) {
                if (info_size == 40) out.resize(out.size() + 4);
                put(54 + 4 * i, masks[i], 4);
            }
        }
        for (const RGBQuad& c : colors) {
            out.push_back(c.Blue);
            out.push_back(c.Green);
            out.push_back(c.Red);
            if (info_size != 12) out.push_back(0);
        }
        put(10, static_cast<uint32_t>(out.size()), 4);
        out.insert(out.end(), pixels.begin(), pixels.end());
        put(2, static_cast<uint32_t>(out.size()), 4);
        return out;
    }
};

Bitmap Load(const std::vector<uint8_t>& bytes) {
    MemoryStream stream = MemoryStream::View(bytes);
    Bitmap bitmap;
    bitmap.LoadFromStream(stream);
    return bitmap;
}

std::vector<uint8_t> Save(const Bitmap& bitmap) {
    MemoryStream stream;
    bitmap.SaveToStream(stream);
    return stream.Release();
}

// The pixels as red, green, blue rows, the way ImageMagick prints them.
std::vector<uint8_t> Rgb(const Bitmap& bitmap) {
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> row(3 * static_cast<size_t>(bitmap.Width()));
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        bitmap.ReadBgr(y, 0, bitmap.Width(), row.data());
        for (size_t x = 0; x < row.size(); x += 3) {
            rgb.insert(rgb.end(), {row[x + 2], row[x + 1], row[x]});
        }
    }
    return rgb;
}

std::vector<uint8_t> MagickRgb(const std::string& path) {
    std::string out;
    EXPECT_EQ(Run("convert " + ShellQuote(path) + " -depth 8 rgb:- 2>/dev/null", &out), 0) << path;
    return {out.begin(), out.end()};
}

std::string LoadError(const std::vector<uint8_t>& bytes) {
    return ErrorText([&] { Load(bytes); });
}

class BmpWithMagick : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_PROGRAM("convert"); }

    // Makes a file with ImageMagick from its built-in rose picture (70 x 46,
    // so every row is padded); `name` starts with ImageMagick's format prefix.
    std::vector<uint8_t> Make(const std::string& name, const std::string& options) {
        const size_t colon = name.find(':');
        const std::string path = dir_ / name.substr(colon + 1);
        EXPECT_EQ(
            testing_support::Run("convert rose: " + options + " " + name.substr(0, colon + 1) +
                                 ShellQuote(path) + " 2>/dev/null"),
            0);
        return ReadFile(path);
    }

    // Our pixels and ImageMagick's of the same bytes.
    void ExpectSamePixels(const std::vector<uint8_t>& bytes, const std::string& what) {
        const std::string path = dir_ / "compared.bmp";
        WriteFile(path, bytes);
        const Bitmap bitmap = Load(bytes);
        EXPECT_EQ(Rgb(bitmap), MagickRgb(path)) << what;
    }

    TempDir dir_;
};

TEST_F(BmpWithMagick, ReadsEveryKindImageMagickWrites) {
    struct Row {
        const char* name;
        const char* options;
        PixelFormat format;
    };
    const Row rows[] = {
        {"BMP3:p1.bmp", "-colors 2 -type palette", PixelFormat::Bit1},
        {"BMP3:p4.bmp", "-colors 16 -type palette", PixelFormat::Bit4},
        {"BMP3:p8.bmp", "-colors 200 -type palette -compress None", PixelFormat::Bit8},
        {"BMP3:rle8.bmp", "-colors 200 -type palette -compress RLE", PixelFormat::Bit8},
        {"BMP3:t24.bmp", "", PixelFormat::Bit24},
        {"BMP:v5-565.bmp", "-define bmp:subtype=RGB565", PixelFormat::Bit16},
        {"BMP:v5-555.bmp", "-define bmp:subtype=RGB555", PixelFormat::Bit15},
        {"BMP:v5-32.bmp", "-alpha on -channel A -fx 0.5", PixelFormat::Bit32},
        {"BMP2:os2-24.bmp", "", PixelFormat::Bit24},
        {"BMP2:os2-4.bmp", "-colors 16 -type palette", PixelFormat::Bit4},
        {"BMP3:grey7x5.bmp", "-resize 7x5! -colorspace gray -type palette -compress None",
         PixelFormat::Bit8},
    };
    for (const Row& row : rows) {
        const std::vector<uint8_t> bytes = Make(row.name, row.options);
        ExpectSamePixels(bytes, row.name);
        EXPECT_EQ(Load(bytes).Format(), row.format) << row.name;
    }
}

TEST_F(BmpWithMagick, KeepsTheColourTableAtTheFilesLength) {
    BmpFile f{.width = 5, .height = 1, .bpp = 4, .pixels = {0x01, 0x23, 0xA0, 0}};
    for (uint8_t i = 0; i < 11; ++i)
        f.colors.push_back(RGBQuad{i, static_cast<uint8_t>(20 * i), 7, 0});
    ExpectSamePixels(f.Bytes(), "11 colours");
    EXPECT_EQ(Load(f.Bytes()).ColorTable(), f.colors);
}

TEST_F(BmpWithMagick, ReadsTopDownRows) {
    // ImageMagick's bottom-up file turned top-down: negative height, rows reversed.
    const std::vector<uint8_t> bottom_up = Make("BMP3:t24.bmp", "");
    std::vector<uint8_t> top_down = bottom_up;
    const int32_t height = 46;
    const size_t stride = 212;  // 70 pixels of 3 bytes, padded to 4
    const uint32_t negative = static_cast<uint32_t>(-height);
    std::memcpy(&top_down[22], &negative, 4);
    for (int32_t r = 0; r < height; ++r) {
        std::memcpy(&top_down[54 + static_cast<size_t>(r) * stride],
                    &bottom_up[54 + static_cast<size_t>(height - 1 - r) * stride], stride);
    }
    ExpectSamePixels(top_down, "top-down");
    EXPECT_EQ(Rgb(Load(top_down)), Rgb(Load(bottom_up)));
}

TEST_F(BmpWithMagick, ReadsBitFieldsInEveryHeader) {
    // 3 x 2 pixels of 16 and of 32 bits with the channels in the other order
    // than usual.
    BmpFile f16{.width = 3, .height = 2, .bpp = 16, .compression = 3};
    f16.masks = {0x001F, 0x03E0, 0x7C00};
    f16.pixels = {0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C, 0, 0,  // red, green, blue, padding
                  0x34, 0x12, 0xFF, 0x7F, 0x00, 0x00, 0, 0};
    BmpFile f32 = f16;
    f32.bpp = 32;
    f32.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    f32.pixels = {10,  20, 30, 0, 40, 50,  60, 0, 70, 80, 90, 0,
                  255, 0,  0,  0, 0,  255, 0,  0, 1,  2,  3,  0};
    for (const uint32_t info_size : {40u, 52u, 56u, 108u, 124u}) {
        f16.info_size = info_size;
        f32.info_size = info_size;
        ExpectSamePixels(f16.Bytes(), "16-bit fields, header " + std::to_string(info_size));
        ExpectSamePixels(f32.Bytes(), "32-bit fields, header " + std::to_string(info_size));
    }
    EXPECT_EQ(Load(f16.Bytes()).Format(), PixelFormat::Bit24);

    // Without fields, 16 bits are 5-5-5 and 32 bits blue, green, red, unused.
    BmpFile plain16 = f16;
    plain16.compression = 0;
    plain16.masks.clear();
    ExpectSamePixels(plain16.Bytes(), "16 bits without fields");
    EXPECT_EQ(Load(plain16.Bytes()).Format(), PixelFormat::Bit15);
    BmpFile plain32 = f32;
    plain32.compression = 0;
    plain32.masks.clear();
    ExpectSamePixels(plain32.Bytes(), "32 bits without fields");
    EXPECT_EQ(Load(plain32.Bytes()).Format(), PixelFormat::Bit32);

    // The 5-6-5 fields of a version 4 header stay 16-bit pixels.
    BmpFile f565 = f16;
    f565.info_size = 108;
    f565.masks = {0xF800, 0x07E0, 0x001F};
    ExpectSamePixels(f565.Bytes(), "5-6-5 in a version 4 header");
    EXPECT_EQ(Load(f565.Bytes()).Format(), PixelFormat::Bit16);
}

TEST_F(BmpWithMagick, ReadsRunLengthCodings) {
    BmpFile rle4{.width = 7, .height = 3, .bpp = 4, .compression = 2};
    for (uint8_t i = 0; i < 16; ++i) {
        rle4.colors.push_back(RGBQuad{static_cast<uint8_t>(i * 16),
                                      static_cast<uint8_t>(255 - i * 8),
                                      static_cast<uint8_t>(i * 5), 0});
    }
    rle4.pixels = {
        5, 0x12,                       // run of 5 alternating 1, 2
        2, 0x3F,                       // run of 2: 3, F
        0, 0,                          // end of line
        0, 3,    0x45, 0x60,           // 3 literal nibbles 4, 5, 6 (two bytes, already even)
        0, 2,    2,    0,              // jump two pixels right
        2, 0x77,                       // two pixels of 7
        0, 0,                          //
        0, 5,    0x9A, 0xBC, 0xD0, 0,  // 5 literal nibbles, padded to an even count of bytes
        2, 0xEE,                       //
        0, 1,                          // end of picture
    };
    ExpectSamePixels(rle4.Bytes(), "RLE4");

    BmpFile rle8 = rle4;
    rle8.bpp = 8;
    rle8.compression = 1;
    rle8.colors.resize(200, RGBQuad{9, 99, 199, 0});
    rle8.pixels = {
        3, 150,              // run of 3
        0, 3,   7, 8, 9, 0,  // 3 literal bytes and their padding
        1, 199,              //
        0, 0,                //
        0, 2,   1, 1,        // one right and one down: the middle row ends here
        2, 5,                //
        0, 0,                //
        0, 1,                //
    };
    ExpectSamePixels(rle8.Bytes(), "RLE8");
}

TEST(BmpReader, ShortBitFieldsReachFullScaleAndOs2ColoursAreThreeBytes) {
    // Four-bit channels repeat their bits, as five- and six-bit ones do: 0xF
    // is 255, not 240.
    BmpFile f{.width = 2, .height = 1, .bpp = 16, .compression = 3};
    f.masks = {0x0F00, 0x00F0, 0x000F};
    f.pixels = {0x00, 0x0F, 0x34, 0x02};
    EXPECT_EQ(Rgb(Load(f.Bytes())), (std::vector<uint8_t>{255, 0, 0, 0x22, 0x33, 0x44}));

    // The OS/2 header has three-byte colours.
    BmpFile os2{.info_size = 12, .width = 2, .height = 2, .bpp = 1};
    os2.colors = {RGBQuad{10, 20, 30, 0}, RGBQuad{40, 50, 60, 0}};
    os2.pixels = {0x80, 0, 0, 0, 0x40, 0, 0, 0};  // bottom row: 1 0; top row: 0 1
    const Bitmap bitmap = Load(os2.Bytes());
    EXPECT_EQ(bitmap.Format(), PixelFormat::Bit1);
    EXPECT_EQ(bitmap.ColorTable(), os2.colors);
    EXPECT_EQ(Rgb(bitmap), (std::vector<uint8_t>{30, 20, 10, 60, 50, 40, 60, 50, 40, 30, 20, 10}));
}

TEST(BmpReader, ClipsRunsAndJumpsThatLeaveThePicture) {
    BmpFile f{.width = 3, .height = 2, .bpp = 8, .compression = 1};
    f.colors = {RGBQuad{0, 0, 0, 0}, RGBQuad{255, 0, 0, 0}, RGBQuad{0, 255, 0, 0},
                RGBQuad{0, 0, 255, 0}};
    f.pixels = {
        255, 1,                  // a run far wider than the row: the bottom row is blue
        0,   4, 2,   2,   2, 2,  // a literal stretch beyond the row as well
        0,   0,                  // the top row
        2,   2,                  // two green, then a jump far down and right
        0,   2, 255, 255,        //
        200, 3,                  // a run outside the picture
        0,   1,
    };
    const Bitmap bitmap = Load(f.Bytes());
    const std::vector<uint8_t> blue{0, 0, 255}, green{0, 255, 0}, black{0, 0, 0};
    std::vector<uint8_t> expected;
    for (const auto* pixel : {&green, &green, &black, &blue, &blue, &blue}) {
        expected.insert(expected.end(), pixel->begin(), pixel->end());
    }
    EXPECT_EQ(Rgb(bitmap), expected);
}

TEST(BmpReader, BrokenFilesRaiseTheBitmapErrorAndChangeNothing) {
    const BmpFile good{.width = 2, .height = 2, .pixels = std::vector<uint8_t>(16, 0x7F)};
    const std::vector<uint8_t> bytes = good.Bytes();

    auto patched = [&](size_t at, std::vector<uint8_t> values) {
        std::vector<uint8_t> copy = bytes;
        std::copy(values.begin(), values.end(), copy.begin() + static_cast<ptrdiff_t>(at));
        return copy;
    };
    const std::string invalid = "Image bitmap incorrecte";
    EXPECT_EQ(LoadError(patched(0, {'B', 'N'})), invalid);
    EXPECT_EQ(LoadError(patched(14, {64, 0, 0, 0})), invalid);             // unknown header size
    EXPECT_EQ(LoadError(patched(28, {2, 0})), invalid);                    // 2 bits per pixel
    EXPECT_EQ(LoadError(patched(30, {1, 0, 0, 0})), invalid);              // RLE8 of 24-bit pixels
    EXPECT_EQ(LoadError(patched(30, {4, 0, 0, 0})), invalid);              // embedded JPEG
    EXPECT_EQ(LoadError(patched(18, {0xFF, 0xFF, 0xFF, 0xFF})), invalid);  // width -1
    EXPECT_EQ(LoadError(patched(22, {0, 0, 0, 0x80})), invalid);           // height -2^31
    EXPECT_EQ(LoadError(patched(10, {200, 0, 0, 0})), invalid);            // pixels beyond the end
    EXPECT_EQ(LoadError(patched(10, {20, 0, 0, 0})), invalid);  // pixels inside the header
    // Pixels that are not in the file are refused before anything is allocated.
    EXPECT_EQ(LoadError(patched(18, {0xFF, 0xFF, 0xFF, 0x7F})), invalid);
    EXPECT_EQ(LoadError({}), invalid);
    // A run-length file needs no data for its pixels: its size alone is
    // weighed against the budget of one bitmap, 2^28 pixels.
    for (const auto& [width, height] :
         {std::pair{65536, 65536}, std::pair{46000, 46000}, std::pair{16385, 16384}}) {
        BmpFile huge{.width = width, .height = height, .bpp = 8, .compression = 1};
        huge.colors = {RGBQuad{}};
        huge.pixels = {0, 1};
        EXPECT_EQ(LoadError(huge.Bytes()), "Mémoire insuffisante") << width;
    }

    // Every cut of a file is refused (or, when only the last row's padding
    // goes, read), whatever the coding.
    BmpFile rle{.width = 2, .height = 2, .bpp = 8, .compression = 1};
    rle.colors = {RGBQuad{1, 2, 3, 0}, RGBQuad{4, 5, 6, 0}};
    rle.pixels = {2, 1, 0, 0, 0, 2, 1, 0, 1, 1, 0, 1};
    for (const std::vector<uint8_t>& whole : {bytes, rle.Bytes()}) {
        for (size_t size = 0; size < whole.size(); ++size) {
            const std::vector<uint8_t> cut(whole.begin(),
                                           whole.begin() + static_cast<ptrdiff_t>(size));
            const std::string text = LoadError(cut);
            if (text != "(no error)") {
                EXPECT_EQ(text, invalid) << "cut at " << size;
            }
        }
    }

    Bitmap kept(3, 1);
    kept.Fill(MakeColor(1, 2, 3));
    const std::vector<uint8_t> not_bmp = patched(0, {'X'});
    MemoryStream stream = MemoryStream::View(not_bmp);
    EXPECT_THROW(kept.LoadFromStream(stream), Error);
    EXPECT_EQ(kept.Width(), 3);
    EXPECT_EQ(Rgb(kept), (std::vector<uint8_t>{1, 2, 3, 1, 2, 3, 1, 2, 3}));
}

TEST(BmpReader, APictureWithoutWidthHasNothingToRead) {
    for (const uint32_t compression : {0u, 1u}) {
        const BmpFile f{
            .height = 50'000'000, .bpp = 8, .compression = compression, .colors = {RGBQuad{}}};
        const Bitmap bitmap = Load(f.Bytes());
        EXPECT_TRUE(bitmap.Empty());
        EXPECT_EQ(bitmap.Height(), 50'000'000);
        EXPECT_EQ(Load(Save(bitmap)).Height(), 50'000'000);
    }
    // Nor does one without height, however wide.
    const BmpFile wide{.width = 500'000'000};
    EXPECT_EQ(Load(Save(Load(wide.Bytes()))).Width(), 500'000'000);
}

TEST_F(BmpWithMagick, WritesFilesImageMagickReadsTheSame) {
    struct Row {
        const char* name;
        const char* options;
        uint16_t written_bpp;
    };
    const Row rows[] = {
        {"BMP3:t24.bmp", "", 24},
        {"BMP:v5-565.bmp", "-define bmp:subtype=RGB565", 24},
        {"BMP3:p1.bmp", "-colors 2 -type palette", 8},
        {"BMP3:p4.bmp", "-colors 16 -type palette", 8},
        {"BMP3:rle8.bmp", "-colors 200 -type palette -compress RLE", 8},
    };
    for (const Row& row : rows) {
        const Bitmap bitmap = Load(Make(row.name, row.options));
        const std::vector<uint8_t> written = Save(bitmap);
        const std::string path = dir_ / "written.bmp";
        WriteFile(path, written);
        EXPECT_EQ(MagickRgb(path), Rgb(bitmap)) << row.name;
        EXPECT_EQ(written[28], row.written_bpp) << row.name;
        // A written table is the bitmap's own.
        if (row.written_bpp == 8) {
            EXPECT_EQ(Load(written).ColorTable(), bitmap.ColorTable()) << row.name;
        }
        EXPECT_EQ(Rgb(Load(written)), Rgb(bitmap)) << row.name;
    }
}

TEST(BmpWriter, GivesEveryPixelIndexAColourTableEntry) {
    // Indices beyond the table draw black; the file must say so rather than
    // leave readers to guess.
    Bitmap bitmap(2, 1, PixelFormat::Bit8);
    bitmap.SetColorTable({RGBQuad{0, 0, 200, 0}});
    bitmap.ScanLine(0)[0] = 0;
    bitmap.ScanLine(0)[1] = 5;
    const Bitmap read = Load(Save(bitmap));
    EXPECT_EQ(read.ColorTable().size(), 6u);
    EXPECT_EQ(Rgb(read), (std::vector<uint8_t>{200, 0, 0, 0, 0, 0}));

    const Bitmap empty = Load(Save(Bitmap(0, 0, PixelFormat::Bit8)));
    EXPECT_TRUE(empty.Empty());
}

}  // namespace
}  // namespace platform
