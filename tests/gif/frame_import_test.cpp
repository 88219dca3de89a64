// Frames made from bitmaps of every format, with their transparency, and
// whole pictures made from other kinds of picture or from the clipboard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gif/frame_import.h"
#include "gif/gif_image.h"
#include "gif_test_support.h"
#include "giflib_read.h"
#include "platform/core/stream.h"
#include "platform/graphics/jpeg_image.h"
#include "pictures.h"
#include "test_support.h"

namespace gif {
namespace {

using platform::Bitmap;
using platform::MakeColor;
using platform::PixelFormat;
using platform::RGBQuad;
using testing_support::ErrorText;
using testing_support::MakeBitmap;

// An 8-bit bitmap of 256 grey entries whose pixel (x, y) is index(x, y).
Bitmap Indexed(int32_t width, int32_t height, PixelFormat format,
               const std::function<uint8_t(int32_t, int32_t)>& index) {
    Bitmap bitmap(width, height, format);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            platform::SetPixelIndex(bitmap.ScanLine(y), format, static_cast<size_t>(x), index(x, y));
    return bitmap;
}

// A 1-bit mask set where `set` holds.
Bitmap Mask(int32_t width, int32_t height, const std::function<bool(int32_t, int32_t)>& set) {
    return Indexed(width, height, PixelFormat::Bit1,
                   [&](int32_t x, int32_t y) { return static_cast<uint8_t>(set(x, y)); });
}

struct Imported {
    TGIFImage image;
    TGIFSubImage* frame = nullptr;
};

// A new frame of the target's picture.
TGIFSubImage& NewFrame(Imported& target) {
    auto frame = std::make_unique<TGIFSubImage>(target.image);
    target.frame = frame.get();
    target.image.Add(std::move(frame));
    return *target.frame;
}

void Import(Imported& target, const Bitmap& bitmap, const Bitmap* mask = nullptr) {
    ImportBitmap(NewFrame(target), bitmap);
    if (mask != nullptr) ImportMaskHandle(*target.frame, *mask);
}

TEST(FrameImport, PaletteBitmapsKeepTheirIndicesAndColours) {
    // Width 3 at 4 bits: two source bytes a row, the high half first.
    const Bitmap nibbles = Indexed(3, 2, PixelFormat::Bit4,
                                   [](int32_t x, int32_t y) { return static_cast<uint8_t>(x + 5 * y); });
    Imported four;
    Import(four, nibbles);
    EXPECT_EQ(gif_testing::Pixels(*four.frame), (std::vector<uint8_t>{0, 1, 2, 5, 6, 7}));
    EXPECT_EQ(four.frame->ColorMap().Count(), 16);
    EXPECT_EQ(four.image.Width(), 3);
    EXPECT_FALSE(four.frame->HasTransparency());
}

TEST(FrameImport, AMaskAddsATransparentBlackAfterTheColoursSortedByUse) {
    // Ten of 256 colours, index 9 the most used.
    const Bitmap ten = Indexed(10, 4, PixelFormat::Bit8, [](int32_t x, int32_t y) {
        return static_cast<uint8_t>(y == 0 ? x : 9);
    });
    const Bitmap corner = Mask(10, 4, [](int32_t x, int32_t y) { return x == 0 && y == 3; });
    Imported masked;
    Import(masked, ten, &corner);
    const TGIFColorMap& map = masked.frame->ColorMap();
    ASSERT_EQ(map.Count(), 11);
    EXPECT_EQ(map.Entries()[0], (TGIFColor{9, 9, 9}));
    EXPECT_EQ(map.Entries()[10], (TGIFColor{0, 0, 0}));
    ASSERT_TRUE(masked.frame->HasTransparency());
    EXPECT_EQ(masked.frame->GraphicControlExtension()->TransparentColorIndex(), 10);
    const std::vector<uint8_t> pixels = gif_testing::Pixels(*masked.frame);
    EXPECT_EQ(pixels[30], 10);
    EXPECT_EQ(pixels[31], 0);

    // A mask that sets no pixel: no extension, and the map as optimised.
    const Bitmap none = Mask(10, 4, [](int32_t, int32_t) { return false; });
    Imported clear;
    Import(clear, ten, &none);
    EXPECT_EQ(clear.frame->ColorMap().Count(), 10);
    EXPECT_EQ(clear.frame->Extensions().Count(), 0);

    // Every one of 256 colours used: no room for a transparent one.
    const Bitmap full = Indexed(16, 16, PixelFormat::Bit8,
                                [](int32_t x, int32_t y) { return static_cast<uint8_t>(x + 16 * y); });
    Imported crowded;
    const Bitmap all = Mask(16, 16, [](int32_t, int32_t) { return true; });
    Import(crowded, full, &all);
    EXPECT_EQ(crowded.frame->ColorMap().Count(), 256);
    EXPECT_FALSE(crowded.frame->HasTransparency());
}

TEST(FrameImport, AMaskSmallerThanTheFrameLeavesTheRestOpaqueAndIsNotConverted) {
    const auto picture = MakeBitmap(6, 4, [](int32_t x, int32_t) {
        return x < 3 ? MakeColor(255, 0, 0) : MakeColor(0, 0, 255);
    });
    // A 24-bit mask of 2 x 2, white where set.
    const auto mask = MakeBitmap(2, 2, [](int32_t, int32_t) { return MakeColor(255, 255, 255); });
    Imported imported;
    imported.image.SetColorReduction(0);
    Import(imported, *picture, mask.get());
    const std::vector<uint8_t> pixels = gif_testing::Pixels(*imported.frame);
    const uint8_t transparent = imported.frame->GraphicControlExtension()->TransparentColorIndex();
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_EQ(pixels[static_cast<size_t>(y * 6 + x)] == transparent, x < 2 && y < 2);
    EXPECT_EQ(mask->Format(), PixelFormat::Bit24);
}

// Whether each pixel of the frame is transparent, row after row.
std::vector<bool> TransparentPixels(const TGIFSubImage& frame) {
    std::vector<bool> transparent;
    const int index = frame.HasTransparency()
                          ? frame.GraphicControlExtension()->TransparentColorIndex()
                          : -1;
    for (const uint8_t pixel : gif_testing::Pixels(frame)) transparent.push_back(pixel == index);
    return transparent;
}

// A picture of three colours whose bottom-left pixel and a diagonal are
// magenta.
const platform::Color kMagenta = MakeColor(255, 0, 255);
bool OnDiagonal(int32_t x, int32_t y) {
    return x == y || (x == 0 && y == 4);
}
std::unique_ptr<Bitmap> Diagonal() {
    return MakeBitmap(7, 5, [](int32_t x, int32_t y) {
        return OnDiagonal(x, y) ? kMagenta : x < 4 ? MakeColor(10, 200, 30) : MakeColor(0, 0, 90);
    });
}
std::vector<bool> DiagonalPixels() {
    std::vector<bool> expected;
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 7; ++x) expected.push_back(OnDiagonal(x, y));
    return expected;
}

TEST(FrameImport, ABitmapMarkedTransparentMakesThePixelsOfItsTransparentColourTransparent) {
    const std::unique_ptr<Bitmap> picture = Diagonal();
    picture->SetTransparent(true);
    // Its own colours, then reduced to the web palette (magenta is one).
    for (const uint8_t reduction : {uint8_t{0}, uint8_t{6}}) {
        SCOPED_TRACE(reduction);
        Imported imported;
        imported.image.SetColorReduction(reduction);
        Import(imported, *picture);
        ASSERT_TRUE(imported.frame->HasTransparency());
        EXPECT_EQ(TransparentPixels(*imported.frame), DiagonalPixels());
        // The added black is the table's last colour.
        const TGIFColorMap& map = imported.frame->ColorMap();
        EXPECT_EQ(imported.frame->GraphicControlExtension()->TransparentColorIndex(),
                  map.Count() - 1);
    }

    // An 8-bit bitmap whose fixed transparent colour is that of index 2.
    Bitmap indexed = Indexed(4, 2, PixelFormat::Bit8, [](int32_t x, int32_t y) {
        return static_cast<uint8_t>((x + y) % 3);
    });
    indexed.SetTransparent(true);
    indexed.SetTransparentColor(MakeColor(2, 2, 2));
    Imported fixed;
    Import(fixed, indexed);
    EXPECT_EQ(TransparentPixels(*fixed.frame),
              (std::vector<bool>{false, false, true, false, false, true, false, false}));
    EXPECT_EQ(fixed.frame->ColorMap().Count(), 4);

    // A colour no pixel has: no transparency, the table only sorted.
    indexed.SetTransparentColor(MakeColor(9, 9, 9));
    Imported absent;
    Import(absent, indexed);
    EXPECT_FALSE(absent.frame->HasTransparency());
    EXPECT_EQ(absent.frame->Extensions().Count(), 0);
    EXPECT_EQ(absent.frame->ColorMap().Count(), 3);

    // Not marked transparent: opaque, whatever its colours.
    picture->SetTransparent(false);
    Imported opaque;
    Import(opaque, *picture);
    EXPECT_FALSE(opaque.frame->HasTransparency());
}

TEST(FrameImport, ASavedTransparentBitmapIsTransparentWhereItShouldBeToGiflibAndImageMagick) {
    REQUIRE_PROGRAM("convert");
    const std::unique_ptr<Bitmap> picture = Diagonal();
    picture->SetTransparent(true);
    TGIFImage image;
    image.SetColorReduction(8);
    image.SetDitherMode(1);
    image.Assign(*picture);
    testing_support::TempDir folder;
    const std::string name = folder / "transparente.gif";
    image.SaveToFile(name);

    const gif_testing::OracleFile giflib =
        gif_testing::GiflibRead(testing_support::ReadFile(name));
    ASSERT_EQ(giflib.frames.size(), 1u);
    const gif_testing::OracleFrame& frame = giflib.frames[0];
    ASSERT_GE(frame.transparent, 0);
    std::vector<bool> seen;
    for (const uint8_t pixel : frame.pixels) seen.push_back(pixel == frame.transparent);
    EXPECT_EQ(seen, DiagonalPixels());

    // ImageMagick's alpha: 0 where transparent, the opaque colours kept.
    const std::string rgba = testing_support::Output(
        "convert " + testing_support::ShellQuote(name) + " -depth 8 rgba:-");
    ASSERT_EQ(rgba.size(), 7u * 5u * 4u);
    const std::vector<bool> expected = DiagonalPixels();
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto* pixel = reinterpret_cast<const uint8_t*>(rgba.data()) + 4 * i;
        EXPECT_EQ(pixel[3], expected[i] ? 0 : 255) << i;
        if (!expected[i]) EXPECT_EQ(pixel[0] == 10 ? pixel[1] : pixel[2], pixel[0] == 10 ? 200 : 90);
    }
}

TEST(FrameImport, AGifPictureLeavesWhatItDoesNotDrawTransparentInAFrameMadeFromIt) {
    // A screen of 2048 x 600 whose frame 0, at (100, 300), leaves the screen
    // around it and the pixels of index 2 undrawn: the graphic is drawn for
    // the mask in bands of 512 rows, which the frame crosses.
    TGIFImage source;
    const auto undrawn = [](int32_t x, int32_t y) { return (x + y) % 97 == 0; };
    const std::vector<platform::Color> colors{MakeColor(200, 0, 0), MakeColor(0, 0, 200),
                                              MakeColor(0, 0, 0)};
    const auto index = [&](int32_t x, int32_t y) {
        return static_cast<uint8_t>(undrawn(x, y) ? 2 : (x / 300) % 2);
    };
    gif_testing::AddFrame(source, 100, 300, 1800, 250, colors, index, 2);
    source.SetWidth(2048);
    source.SetHeight(600);
    // Its colours kept as they are.
    Imported imported;
    imported.image.SetColorReduction(0);
    ImportGraphic(NewFrame(imported), source);
    ASSERT_EQ(imported.frame->Width(), 2048);
    ASSERT_TRUE(imported.frame->HasTransparency());
    const uint8_t hole = imported.frame->GraphicControlExtension()->TransparentColorIndex();
    const std::vector<uint8_t> pixels = gif_testing::Pixels(*imported.frame);
    const auto entries = imported.frame->ColorMap().Entries();
    int32_t wrong = 0;
    for (int32_t y = 0; y < 600; ++y) {
        const uint8_t* row = pixels.data() + static_cast<size_t>(y) * 2048;
        for (int32_t x = 0; x < 2048; ++x) {
            const bool inside = x >= 100 && x < 1900 && y >= 300 && y < 550;
            if (!inside || undrawn(x - 100, y - 300)) {
                wrong += row[x] != hole;
            } else {
                const platform::Color color = colors[index(x - 100, y - 300)];
                const TGIFColor& entry = entries[row[x]];
                wrong += MakeColor(entry.Red, entry.Green, entry.Blue) != color;
            }
        }
    }
    EXPECT_EQ(wrong, 0);

    // A JPEG picture covers its whole area.
    platform::JpegImage jpeg;
    jpeg.Assign(*testing_support::Pattern(40, 30));
    TGIFImage from_jpeg;
    from_jpeg.Assign(jpeg);
    EXPECT_FALSE(from_jpeg.Images().Items(0)->HasTransparency());
}

TEST(FrameImport, TrueColourBitmapsAreReducedByThePictureSettings) {
    const auto many = MakeBitmap(300, 1, [](int32_t x, int32_t) {
        return MakeColor(static_cast<uint8_t>(x), static_cast<uint8_t>(x / 256), 0);
    });
    Imported exact;
    exact.image.SetColorReduction(0);
    EXPECT_EQ(ErrorText([&] { Import(exact, *many); }), "Color table overflow");

    Imported web;
    Import(web, *many);
    ASSERT_EQ(web.frame->ColorMap().Count(), 256);
    EXPECT_EQ(web.frame->ColorMap().Entries()[215], (TGIFColor{255, 255, 255}));
    EXPECT_EQ(web.frame->ColorMap().Entries()[216], (TGIFColor{0, 0, 0}));
    EXPECT_EQ(gif_testing::Pixels(*web.frame)[255], 180);

    Imported custom;
    custom.image.SetColorReduction(9);
    EXPECT_EQ(ErrorText([&] { Import(custom, *many); }), "Indice ligne hors limites");
    Imported bits;
    bits.image.SetColorReduction(7);
    bits.image.SetReductionBits(0);
    EXPECT_EQ(ErrorText([&] { Import(bits, *many); }), "Invalid reduction method");

    Imported wide;
    const Bitmap too_wide(65536, 1);
    EXPECT_EQ(ErrorText([&] { Import(wide, too_wide); }), "Erreur de vérification d'étendue");
}

TEST(FrameImport, ProgressIsReportedEvery32RowsAndAtTheEnd) {
    const Bitmap rows = Indexed(2, 100, PixelFormat::Bit8, [](int32_t, int32_t) { return 0; });
    Imported imported;
    std::vector<std::string> seen;
    imported.image.OnProgress = [&](const TGIFImage&, ProgressStage stage, uint8_t percent, bool,
                                    const platform::Rect&, std::string_view message) {
        seen.push_back(std::to_string(static_cast<int>(stage)) + ":" + std::to_string(percent) +
                       ":" + std::string(message));
    };
    Import(imported, rows);
    EXPECT_EQ(seen, (std::vector<std::string>{"0:0:Converting...", "1:0:Converting...",
                                              "1:32:Converting...", "1:64:Converting...",
                                              "1:96:Converting...", "2:100:Converting..."}));
}

TEST(GifPictureAssign, AJpegBecomesOneFrameThatReadsBack) {
    const auto photo = testing_support::Pattern(40, 30);
    platform::JpegImage jpeg;
    jpeg.Assign(*photo);
    TGIFImage image;
    image.SetColorReduction(8);
    image.SetDitherMode(1);
    image.Assign(jpeg);
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(testing_support::SizeOf(image), "40x30");
    gif_testing::Loaded back = gif_testing::Load(gif_testing::Save(image));
    EXPECT_EQ(gif_testing::Pixels(*back.image->Images().Items(0)),
              gif_testing::Pixels(*image.Images().Items(0)));
    EXPECT_EQ(back.image->Images().Items(0)->ActiveColorMap().Count(), 256);

    // An empty bitmap makes an empty frame.
    image.Assign(Bitmap());
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_TRUE(image.Images().Items(0)->Empty());
}

TEST(GifPictureAdd, PicturesBecomeFramesByThePictureSettingsFramesAsTheyAreAndNothingElse) {
    TGIFImage image;
    image.SetColorReduction(4);
    int changes = 0;
    image.OnChange = [&](platform::Graphic&) { ++changes; };
    const auto greys = MakeBitmap(3, 1, [](int32_t x, int32_t) {
        const auto grey = static_cast<uint8_t>(x * 100);
        return MakeColor(grey, grey, grey);
    });
    EXPECT_EQ(image.Add(*greys), 0);
    EXPECT_EQ(gif_testing::Pixels(*image.Images().SubImages(0)), (std::vector<uint8_t>{0, 0, 1}));
    platform::JpegImage jpeg;
    jpeg.Assign(*testing_support::Pattern(8, 6));
    EXPECT_EQ(image.Add(jpeg), 1);
    EXPECT_EQ(testing_support::SizeOf(*image.Images().SubImages(1)), "8x6");
    EXPECT_EQ(image.Add(std::make_unique<TGIFSubImage>(image)), 2);
    EXPECT_EQ(ErrorText([&] { image.Add(std::make_unique<TGIFTrailer>(&image)); }),
              "Object type not supported for operation");
    image.SetColorReduction(0);
    EXPECT_EQ(ErrorText([&] { image.Add(testing_support::Noise(30, 30, 1)); }),
              "Color table overflow");
    EXPECT_EQ(image.Images().Count(), 3);
    EXPECT_EQ(changes, 3);
}

TEST(GifPictureAssign, APictureBeyondTheMemoryBudgetIsRefusedBeforeItIsDecoded) {
    testing_support::TempDir folder;
    const std::string name = folder / "immense.jpg";
    testing_support::WriteJpeg(name, *testing_support::Pattern(16, 16));
    // The frame header made to say 16500 x 16500: beyond the pixels of one
    // bitmap.
    std::string bytes = testing_support::ReadText(name);
    const size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    bytes.replace(sof + 5, 4, std::string("\x40\x74\x40\x74", 4));
    testing_support::WriteFile(name, bytes);
    platform::JpegImage jpeg;
    jpeg.LoadFromFile(name);
    TGIFImage image;
    EXPECT_EQ(ErrorText([&] { image.Assign(jpeg); }), "Mémoire insuffisante");
}

TEST(GifPictureClipboard, ABitmapIsPastedAndAStoreThatFailsIsReported) {
    const Bitmap indexed = Indexed(5, 3, PixelFormat::Bit8,
                                   [](int32_t x, int32_t y) { return static_cast<uint8_t>(x * y); });
    platform::MemoryStream bmp;
    indexed.SaveToStream(bmp);
    TGIFImage pasted;
    pasted.LoadFromClipboardFormat(kBitmapClipboardFormat, bmp.Bytes());
    ASSERT_EQ(pasted.Images().Count(), 1);
    EXPECT_EQ(gif_testing::Pixels(*pasted.Images().Items(0)),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 0, 2, 4, 6, 8}));
    EXPECT_EQ(ErrorText([&] { pasted.LoadFromClipboardFormat("image/png", bmp.Bytes()); }),
              "Format de Presse-papiers non supporté");

    std::vector<std::string> stored;
    std::vector<uint8_t> file;
    pasted.SaveToClipboardFormat([&](std::string_view format, std::span<const uint8_t> data) {
        stored.emplace_back(format);
        if (format == GIFClipboardFormat) file.assign(data.begin(), data.end());
        return true;
    });
    EXPECT_EQ(stored, (std::vector<std::string>{"image/bmp", "image/gif"}));
    EXPECT_EQ(file, gif_testing::Save(pasted));
    EXPECT_EQ(
        ErrorText([&] {
            pasted.SaveToClipboardFormat([](std::string_view format, std::span<const uint8_t>) {
                return format != GIFClipboardFormat;
            });
        }),
        "Failed to store GIF on clipboard");
    TGIFImage empty;
    bool called = false;
    empty.SaveToClipboardFormat([&](std::string_view, std::span<const uint8_t>) {
        called = true;
        return true;
    });
    EXPECT_FALSE(called);
}

}  // namespace
}  // namespace gif
