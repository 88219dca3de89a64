// The blocks of a GIF picture on their own: colour tables, extensions, the
// header and frame fields as they are written, frame bounds, the encoders'
// output and the progress of loading and saving.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gif_test_support.h"
#include "platform/core/stream.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::Bytes;
using gif_testing::Image;
using gif_testing::Load;
using gif_testing::Loaded;
using gif_testing::operator+;
using gif_testing::PackCodes;
using gif_testing::Pixels;
using gif_testing::Save;
using gif_testing::Screen;
using gif_testing::UnpackCodes;
using testing_support::ErrorText;

// A picture of one frame of `width` x `height` whose pixel (x, y) is `pixel`,
// with a local table of `colors` entries.
std::unique_ptr<TGIFImage> Picture(int32_t width, int32_t height, int32_t colors,
                                   uint8_t (*pixel)(int32_t x, int32_t y)) {
    auto image = std::make_unique<TGIFImage>();
    auto frame = std::make_unique<TGIFSubImage>(*image);
    frame->DoSetBounds(0, 0, width, height);
    for (int32_t i = 0; i < colors; ++i)
        frame->ColorMap().Add(platform::MakeColor(static_cast<uint8_t>(i), 0, 0));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) frame->GetScanline(y)[x] = pixel(x, y);
    }
    image->Add(std::move(frame));
    return image;
}

// The LZW data of the first image block of a file written by Picture.
Bytes FirstData(const Bytes& file) {
    size_t at = 6 + 7;
    if ((file[10] & 0x80) != 0) at += 3u << ((file[10] & 7) + 1);
    while (file[at] != 0x2C) ++at;
    const uint8_t packed = file[at + 9];
    at += 10;
    if ((packed & 0x80) != 0) at += 3u << ((packed & 7) + 1);
    return Bytes(file.begin() + static_cast<ptrdiff_t>(at), file.end());
}

TEST(ColorMap, GrowsInStepsAndOverflowsAt256) {
    TGIFImage image;
    TGIFGlobalColorMap& map = image.GetGlobalColorMap();
    std::vector<int32_t> capacities;
    for (int32_t i = 1; i <= 256; ++i) {
        EXPECT_EQ(map.Add(platform::MakeColor(static_cast<uint8_t>(i), 0, 0)), i - 1);
        if (i == 1 || i == 17 || i == 33 || i == 200) capacities.push_back(map.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int32_t>{16, 32, 64, 224}));
    EXPECT_EQ(ErrorText([&] { map.Add(0); }), "Color table overflow");
    EXPECT_EQ(map.Count(), 256);
    EXPECT_EQ(map.AddUnique(platform::MakeColor(5, 0, 0)), 4);
    map.Clear();
    map.SetCapacity(250);
    EXPECT_EQ(map.Capacity(), 256);
}

TEST(ColorMap, BitsPerPixelAndPaddingOnDisk) {
    struct Case {
        int32_t colors;
        int32_t bits;
        size_t bytes;
    };
    for (const Case& c : {Case{0, 0, 0}, Case{1, 1, 6}, Case{2, 1, 6}, Case{3, 2, 12},
                          Case{4, 2, 12}, Case{5, 3, 24}, Case{129, 8, 768}, Case{256, 8, 768}}) {
        TGIFImage image;
        TGIFGlobalColorMap& map = image.GetGlobalColorMap();
        for (int32_t i = 0; i < c.colors; ++i) map.Add(platform::MakeColor(1, 2, 3));
        EXPECT_EQ(map.BitsPerPixel(), c.bits) << c.colors;
        platform::MemoryStream stream;
        map.SaveToStream(stream);
        const Bytes written = stream.Release();
        EXPECT_EQ(written.size(), c.bytes) << c.colors;
        if (c.colors == 3) {
            EXPECT_EQ(written, (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 0, 0, 0}));
        }
    }
}

TEST(ColorMap, LookupDeleteAndImport) {
    TGIFImage image;
    TGIFGlobalColorMap& map = image.GetGlobalColorMap();
    for (int32_t i = 0; i < 8; ++i) map.Add(platform::MakeColor(static_cast<uint8_t>(i), 0, 0));
    map.Delete(7);
    map.Add(platform::MakeColor(3, 0, 0));  // equal to entry 3, now at 7
    EXPECT_EQ(map.IndexOf(platform::MakeColor(3, 0, 0)), 7);
    EXPECT_EQ(map.IndexOf(platform::MakeColor(9, 9, 9)), -1);
    EXPECT_EQ(ErrorText([&] { map.Delete(8); }), "Invalid color index");
    std::vector<std::string> warnings;
    image.OnWarning = [&](const void*, uint8_t, std::string_view m) { warnings.emplace_back(m); };
    EXPECT_EQ(map.GetColor(42), platform::MakeColor(0, 0, 0));
    EXPECT_EQ(warnings, std::vector<std::string>{"Invalid color index"});
    const std::vector<platform::RGBQuad> table{{1, 2, 3, 0}};
    map.ImportColorTable(table);
    ASSERT_EQ(map.Count(), 1);
    EXPECT_EQ(map.Entries()[0], (TGIFColor{3, 2, 1}));
    map.Clear();
    EXPECT_EQ(ErrorText([&] { map.GetColor(0); }), "Color table is empty");
}

TEST(ColorMap, OptimizeSortsByUseAndDropsUnusedEntries) {
    // Entries 0 and 3 unused, 2 used most, then 1 (and the index beyond the
    // table keeps its value).
    auto image = Picture(6, 1, 4, [](int32_t x, int32_t) -> uint8_t {
        constexpr uint8_t kPixels[] = {2, 1, 2, 2, 1, 7};
        return kPixels[x];
    });
    TGIFSubImage& frame = *image->Images().SubImages(0);
    TGIFLocalColorMap& map = frame.ColorMap();
    EXPECT_TRUE(map.Optimize());
    EXPECT_TRUE(map.Sorted());
    EXPECT_EQ(Pixels(frame), (std::vector<uint8_t>{0, 1, 0, 0, 1, 7}));
    ASSERT_EQ(map.Count(), 2);
    EXPECT_EQ(map.Entries()[0].Red, 2);
    EXPECT_EQ(map.Entries()[1].Red, 1);
    // Sorted, the lowest of equal entries is found.
    map.Add(platform::MakeColor(2, 0, 0));
    map.Optimize();
    EXPECT_EQ(map.IndexOf(platform::MakeColor(2, 0, 0)), 0);
    // In use order already: sorted, nothing dropped.
    auto ordered = Picture(3, 1, 3, [](int32_t x, int32_t) -> uint8_t { return x == 2 ? 1 : 0; });
    TGIFLocalColorMap& same = ordered->Images().SubImages(0)->ColorMap();
    EXPECT_TRUE(same.Optimize());
    EXPECT_EQ(same.Count(), 3);
    auto single = Picture(2, 1, 1, [](int32_t, int32_t) -> uint8_t { return 0; });
    EXPECT_FALSE(single->Images().SubImages(0)->ColorMap().Optimize());
    EXPECT_FALSE(single->Images().SubImages(0)->ColorMap().Sorted());
}

TEST(Extensions, CommentLinesAsSubBlocks) {
    TGIFImage image;
    auto frame = std::make_unique<TGIFSubImage>(image);
    auto comment = std::make_unique<TGIFCommentExtension>(*frame);
    comment->Text = {std::string(300, 'a'), ""};
    platform::MemoryStream stream;
    comment->SaveToStream(stream);
    const Bytes bytes = stream.Release();
    ASSERT_EQ(bytes.size(), 2 + 1 + 255 + 1 + 45 + 1u);
    EXPECT_EQ(bytes[2], 255);
    EXPECT_EQ(bytes[2 + 256], 45);
    platform::MemoryStream back(bytes);
    TGIFCommentExtension read(*frame);
    read.LoadFromStream(back);
    EXPECT_EQ(read.Text, (std::vector<std::string>{std::string(255, 'a'), std::string(45, 'a')}));
}

TEST(Extensions, ApplicationBlocksAreKeptAsRead) {
    const Bytes screen = Screen(2, 1, 2);
    const Bytes frame = Image(2, 1, PackCodes(2, {4, 0, 1, 5}));
    struct Case {
        std::string name;
        Bytes block;
        Bytes written;  // empty: written back as read
    };
    const Bytes animexts = {0x21, 0xFF, 11,  'A', 'N', 'I', 'M', 'E', 'X', 'T',
                            'S',  '1',  '.', '0', 3,   1,   9,   0,   0};
    const Bytes unknown = {0x21, 0xFF, 11,  'A', 'B', 'C', 'D', 'E', 'F', 'G',
                           'H',  '1',  '2', '3', 2,   7,   8,   1,   9,   0};
    Bytes buffer = animexts;
    buffer.resize(buffer.size() - 1);
    buffer = buffer + Bytes{5, 2, 1, 2, 3, 4, 0};
    Bytes longer = unknown;
    longer[2] = 13;
    longer.insert(longer.begin() + 14, {'x', 'y'});
    const std::vector<Case> cases{
        {"ANIMEXTS loop", animexts, {}},
        {"unregistered", unknown, {}},
        {"loop with a buffer size", buffer, {}},
        {"block longer than its identifier", longer, unknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded loaded = Load(screen + c.block + frame + Bytes{0x3B});
        EXPECT_TRUE(loaded.warnings->empty());
        const Bytes saved = Save(*loaded.image);
        const Bytes& expected = c.written.empty() ? c.block : c.written;
        EXPECT_NE(std::search(saved.begin(), saved.end(), expected.begin(), expected.end()),
                  saved.end());
    }
    Loaded loop = Load(screen + buffer + frame + Bytes{0x3B});
    const auto* extension = dynamic_cast<const TGIFAppExtNSLoop*>(
        loop.image->Images().SubImages(0)->Extensions().Extensions(0));
    ASSERT_NE(extension, nullptr);
    EXPECT_EQ(extension->Loops, 9);
    EXPECT_EQ(extension->BufferSize, 0x04030201u);
}

TEST(Extensions, TheFirstGraphicControlIsTheFramesOwn) {
    const Bytes first = {0x21, 0xF9, 4, 0x00, 0, 0, 1, 0};   // opaque
    const Bytes second = {0x21, 0xF9, 4, 0x01, 0, 0, 1, 0};  // transparent
    Loaded loaded = Load(Screen(2, 1, 2) + first + second +
                         Image(2, 1, PackCodes(2, {4, 1, 0, 5})) + Bytes{0x3B});
    TGIFSubImage& frame = *loaded.image->Images().SubImages(0);
    EXPECT_EQ(frame.Extensions().Count(), 2);
    EXPECT_EQ(frame.GraphicControlExtension(), frame.Extensions().Extensions(0));
    // Transparency follows the frame's own extension only.
    EXPECT_FALSE(frame.HasTransparency());
    frame.Extensions().Delete(0);
    EXPECT_EQ(frame.GraphicControlExtension(), nullptr);
    EXPECT_FALSE(frame.HasTransparency());
    auto& control = *dynamic_cast<TGIFGraphicControlExtension*>(frame.Extensions().Extensions(0));
    control.SetTransparentColorIndex(2);  // beyond the 2-entry table
    EXPECT_EQ(control.TransparentColorIndex(), 0);
    EXPECT_EQ(*loaded.warnings, std::vector<std::string>{"Invalid color index"});
}

TEST(Writing, HeaderAndFrameFields) {
    // A global table of 3 colours beside a frame with a 256-entry table.
    auto image = Picture(
        4, 2, 256, [](int32_t x, int32_t) -> uint8_t { return static_cast<uint8_t>(x * 60); });
    for (uint8_t i = 0; i < 3; ++i) image->GetGlobalColorMap().Add(platform::MakeColor(i, i, i));
    image->Images().SubImages(0)->SetInterlaced(true);
    const Bytes file = Save(*image);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF87a");
    EXPECT_EQ(file[10], 0x80 | 0x70 | 0x01);  // table of 4 entries, resolution 8 bits
    EXPECT_EQ(file[13 + 9], 0x00);            // the padding entry
    const size_t block = 13 + 12;
    EXPECT_EQ(file[block], 0x2C);
    EXPECT_EQ(file[block + 9], 0x80 | 0x40 | 0x07);
    Loaded back = Load(file);
    EXPECT_TRUE(Pixels(*back.image->Images().SubImages(0)) ==
                Pixels(*image->Images().SubImages(0)));

    // Sorted bits of a file are not kept; an extension makes the file 89a,
    // and extensions after the last frame come back before the trailer.
    const Bytes control = {0x21, 0xF9, 4, 0, 0, 0, 0, 0};
    Bytes sorted =
        Screen(2, 1, 2) + Image(2, 1, PackCodes(2, {4, 1, 0, 5})) + control + Bytes{0x3B};
    sorted[10] |= 0x08;
    Loaded reloaded = Load(sorted);
    EXPECT_EQ(reloaded.image->Images().Count(), 2);
    const Bytes again = Save(*reloaded.image);
    EXPECT_EQ(std::string(again.begin(), again.begin() + 6), "GIF89a");
    EXPECT_EQ(again[10] & 0x08, 0);
    EXPECT_TRUE(std::equal(control.begin(), control.end(), again.end() - 9));

    TGIFImage empty;
    EXPECT_EQ(ErrorText([&] { Save(empty); }), "Unsupported GIF version");
    EXPECT_EQ(empty.GetVersion(), GIFVersion::Unknown);
}

TEST(Writing, InterlacedRowsGoInPassOrder) {
    for (const auto& [height, order] : std::vector<std::pair<int32_t, std::vector<uint8_t>>>{
             {3, {0, 2, 1}}, {4, {0, 2, 1, 3}}, {5, {0, 4, 2, 1, 3}}}) {
        auto image =
            Picture(3, height, 8, [](int32_t, int32_t y) { return static_cast<uint8_t>(y); });
        image->Images().SubImages(0)->SetInterlaced(true);
        Bytes file = Save(*image);
        // Read as if not interlaced: the rows in the order they were written.
        file[13 + 9] &= static_cast<uint8_t>(~0x40);
        const std::vector<uint8_t> rows = Pixels(*Load(file).image->Images().SubImages(0));
        std::vector<uint8_t> expected;
        for (const uint8_t row : order) expected.insert(expected.end(), 3, row);
        EXPECT_EQ(rows, expected) << height;
    }
}

TEST(Encoders, CodeStreams) {
    // Two colours still take a minimum code size of 2.
    auto pair = Picture(2, 1, 2, [](int32_t x, int32_t) { return static_cast<uint8_t>(x); });
    EXPECT_EQ(FirstData(Save(*pair))[0], 2);

    // Run-length coded, one colour: a clear code, the pixel, then runs of
    // growing length.
    auto flat = Picture(100, 1, 256, [](int32_t, int32_t) -> uint8_t { return 7; });
    flat->SetCompression(1);
    const std::vector<int> codes = UnpackCodes(FirstData(Save(*flat)));
    ASSERT_GE(codes.size(), 6u);
    EXPECT_EQ(codes[0], 256);
    EXPECT_EQ(codes[1], 7);
    for (size_t i = 2; i < 5; ++i) EXPECT_EQ(codes[i], 258 + static_cast<int>(i) - 2);

    // LZW on noise: a clear code exactly when the next code would be 4095.
    auto noise = Picture(300, 300, 256, [](int32_t x, int32_t y) {
        return static_cast<uint8_t>((x * 7919 + y * 104729 + x * y * 31) >> 3);
    });
    const std::vector<int> lzw = UnpackCodes(FirstData(Save(*noise)));
    std::vector<size_t> clears;
    for (size_t i = 0; i < lzw.size(); ++i) {
        if (lzw[i] == 256) clears.push_back(i);
    }
    ASSERT_GE(clears.size(), 2u);
    EXPECT_EQ(clears[1] - clears[0] - 1, 4095u - 258u + 1u);

    // Data come in whole sub-blocks of 255 bytes but the last; a 1 x 1 frame
    // is a clear code, its pixel and the end code in one sub-block of 2.
    const Bytes data = FirstData(Save(*noise));
    size_t at = 1;
    for (; data[at] != 0 && data[at + 1 + data[at]] != 0; at += 1 + size_t{data[at]})
        EXPECT_EQ(data[at], 255);
    EXPECT_GT(data[at], 0);
    auto single = Picture(1, 1, 2, [](int32_t, int32_t) -> uint8_t { return 0; });
    EXPECT_EQ(FirstData(Save(*single)), (Bytes{2, 2, 0x44, 0x01, 0, 0x3B}));

    auto beyond = Picture(2, 1, 3, [](int32_t x, int32_t) { return static_cast<uint8_t>(x * 3); });
    EXPECT_EQ(ErrorText([&] { Save(*beyond); }), "Color not in color table");
}

TEST(Frames, BoundsAndPixelAccess) {
    TGIFImage image;
    std::vector<std::string> warnings;
    image.OnWarning = [&](const void*, uint8_t, std::string_view m) { warnings.emplace_back(m); };
    auto frame = std::make_unique<TGIFSubImage>(image);
    frame->DoSetBounds(10, 0, 10, 5);
    EXPECT_EQ(image.Width(), 20);
    EXPECT_TRUE(warnings.empty());  // a screen of 0 grows quietly
    frame->SetWidth(15);
    EXPECT_EQ(image.Width(), 25);
    EXPECT_EQ(warnings, (std::vector<std::string>{"Image width too small for contained frames",
                                                  "Image exceeds Logical Screen size"}));
    EXPECT_EQ(ErrorText([&] { frame->GetPixel(15, 0); }), "Invalid pixel coordinates");
    EXPECT_EQ(ErrorText([&] { frame->GetScanline(5); }), "Invalid pixel coordinates");
    EXPECT_EQ(frame->GetPixel(14, 4), 0);
    TGIFSubImage& added = *frame;
    image.Add(std::move(frame));
    EXPECT_EQ(ErrorText([&] { image.SetWidth(24); }), "Image width too small for contained frames");
    image.SetWidth(30);
    EXPECT_EQ(image.Width(), 30);
    EXPECT_EQ(ErrorText([&] { added.SetHeight(70000); }), "Erreur de vérification d'étendue");
    EXPECT_EQ(ErrorText([&] { added.DoSetBounds(0, 0, 20000, 20000); }),
              "Invalid image dimensions");
    added.DoSetBounds(0, 0, 0, 3);
    EXPECT_EQ(ErrorText([&] { added.GetScanline(0); }), "Image is empty");
}

TEST(Progress, LoadingAndSavingReportStartEachFrameAndEnd) {
    const Bytes frame = Image(2, 1, PackCodes(2, {4, 1, 0, 5}));
    const Bytes file = Screen(2, 1, 2) + frame + frame + Bytes{0x3B};
    TGIFImage image;
    std::vector<std::string> events;
    image.OnProgress = [&](const TGIFImage&, ProgressStage stage, uint8_t percent, bool,
                           const platform::Rect&, std::string_view message) {
        events.push_back(std::string(message) + " " + std::to_string(static_cast<int>(stage)) +
                         " " + std::to_string(percent));
    };
    platform::MemoryStream stream(file);
    image.LoadFromStream(stream);
    Save(image);
    const int64_t first = 13 + 6 + static_cast<int64_t>(frame.size());
    const std::vector<std::string> expected{
        "Loading... 0 0",
        "Loading... 1 " + std::to_string(first * 100 / static_cast<int64_t>(file.size())),
        "Loading... 1 " + std::to_string((first + static_cast<int64_t>(frame.size())) * 100 /
                                         static_cast<int64_t>(file.size())),
        "Loading... 2 100",
        "Saving... 0 0",
        "Saving... 1 50",
        "Saving... 1 100",
        "Saving... 2 100",
    };
    EXPECT_EQ(events, expected);
    events.clear();
    platform::MemoryStream broken(Bytes{'x'});
    EXPECT_THROW(image.LoadFromStream(broken), GIFException);
    EXPECT_EQ(events, (std::vector<std::string>{"Loading... 0 0", "Loading... 2 0"}));
}

TEST(Copying, ACloneHoldsTheSameFrames) {
    const Bytes control = {0x21, 0xF9, 4, 0x05, 3, 0, 1, 0};
    Loaded loaded =
        Load(Screen(2, 1, 2) + control + Image(2, 1, PackCodes(2, {4, 1, 0, 5})) + Bytes{0x3B});
    loaded.image->SetDrawOptions(doLoop);
    loaded.image->SetAnimationSpeed(50);
    const std::unique_ptr<platform::Graphic> clone = loaded.image->Clone();
    auto& copy = dynamic_cast<TGIFImage&>(*clone);
    EXPECT_EQ(Save(copy), Save(*loaded.image));
    EXPECT_TRUE(copy.Images().SubImages(0)->HasTransparency());
    EXPECT_EQ(copy.DrawOptions(), doLoop);
    EXPECT_EQ(copy.AnimationSpeed(), 100);
    EXPECT_FALSE(copy.OnWarning);
}

}  // namespace
}  // namespace gif
