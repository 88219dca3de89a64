// The blocks of a GIF picture on their own: colour tables, extensions, the
// header and frame fields as they are written, frame bounds, the encoders'
// output and the progress of loading and saving.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gif/gif_io.h"
#include "gif_test_support.h"
#include "platform/core/stream.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::AddFrame;
using gif_testing::Application;
using gif_testing::Bytes;
using gif_testing::Image;
using gif_testing::Load;
using gif_testing::Loaded;
using gif_testing::operator+;
using gif_testing::PackCodes;
using gif_testing::Pixels;
using gif_testing::Save;
using gif_testing::Screen;
using platform::MakeColor;
using testing_support::ErrorText;
using Strings = std::vector<std::string>;

// `count` colours told apart by their red.
std::vector<platform::Color> Reds(int32_t count) {
    std::vector<platform::Color> colors;
    for (int32_t i = 0; i < count; ++i) colors.push_back(MakeColor(static_cast<uint8_t>(i), 0, 0));
    return colors;
}

std::vector<TGIFColor> Entries(const TGIFColorMap& map) {
    return {map.Entries().begin(), map.Entries().end()};
}

// The LZW data of the first image block of a file.
Bytes FirstData(const Bytes& file) {
    size_t at = 6 + 7;
    if ((file[10] & 0x80) != 0) at += 3u << ((file[10] & 7) + 1);
    while (file[at] != 0x2C) ++at;
    const uint8_t packed = file[at + 9];
    at += 10;
    if ((packed & 0x80) != 0) at += 3u << ((packed & 7) + 1);
    return Bytes(file.begin() + static_cast<ptrdiff_t>(at), file.end());
}

// A 2 x 1 frame of pixels 1, 0 in LZW data.
const Bytes kTwoPixels = Image(2, 1, PackCodes(2, {4, 1, 0, 5}));

TEST(ColorMap, EditingLookupAndImport) {
    TGIFImage image;
    const gif_testing::Warnings warnings = gif_testing::RecordWarnings(image);
    TGIFGlobalColorMap& map = image.GetGlobalColorMap();
    for (int32_t i = 0; i < 256; ++i) EXPECT_EQ(map.Add(MakeColor(uint8_t(i), 7, 0)), i);
    EXPECT_EQ(ErrorText([&] { map.Add(0); }), "Color table overflow");
    EXPECT_EQ(map.Count(), 256);
    EXPECT_EQ(map.AddUnique(MakeColor(5, 7, 0)), 5);
    map.Delete(255);
    map.Add(MakeColor(3, 7, 0));  // equal to entry 3: the highest is found
    EXPECT_EQ(map.IndexOf(MakeColor(3, 7, 0)), 255);
    EXPECT_EQ(map.IndexOf(MakeColor(9, 9, 9)), -1);
    EXPECT_EQ(ErrorText([&] { map.Delete(256); }), "Invalid color index");
    EXPECT_EQ(map.GetColor(300), MakeColor(0, 7, 0));
    EXPECT_EQ(*warnings, Strings{"Invalid color index"});
    const std::vector<platform::RGBQuad> table{{1, 2, 3, 0}};
    map.ImportColorTable(table);
    EXPECT_EQ(Entries(map), (std::vector{TGIFColor{3, 2, 1}}));
    map.Clear();
    EXPECT_EQ(ErrorText([&] { map.GetColor(0); }), "Color table is empty");
}

TEST(ColorMap, OptimizeSortsByUseAndDropsUnusedEntries) {
    // Entries 0 and 3 unused, 2 used most, then 1; the index beyond the table
    // keeps its value.
    TGIFImage image;
    TGIFSubImage& frame = AddFrame(image, 0, 0, 6, 1, Reds(4), [](int32_t x, int32_t) {
        constexpr uint8_t kPixels[] = {2, 1, 2, 2, 1, 7};
        return kPixels[x];
    });
    TGIFLocalColorMap& map = frame.ColorMap();
    EXPECT_TRUE(map.Optimize());
    EXPECT_TRUE(map.Sorted());
    EXPECT_EQ(Pixels(frame), (std::vector<uint8_t>{0, 1, 0, 0, 1, 7}));
    EXPECT_EQ(Entries(map), (std::vector<TGIFColor>{{2, 0, 0}, {1, 0, 0}}));
    // Sorted, the lowest of equal entries is found.
    map.Add(MakeColor(2, 0, 0));
    map.Optimize();
    EXPECT_EQ(map.IndexOf(MakeColor(2, 0, 0)), 0);
    // In use order already: sorted, nothing dropped; one entry: not sorted.
    TGIFImage other;
    TGIFLocalColorMap& same = AddFrame(other, 0, 0, 3, 1, Reds(3), [](int32_t x, int32_t) {
                                  return uint8_t(x == 2);
                              }).ColorMap();
    EXPECT_TRUE(same.Optimize());
    EXPECT_EQ(same.Count(), 3);
    TGIFLocalColorMap& single = AddFrame(other, 0, 0, 2, 1, Reds(1), [](int32_t, int32_t) {
                                    return uint8_t{0};
                                }).ColorMap();
    EXPECT_FALSE(single.Optimize());
    EXPECT_FALSE(single.Sorted());
}

TEST(Extensions, CommentLinesAsSubBlocks) {
    TGIFImage image;
    TGIFSubImage frame(image);
    TGIFCommentExtension comment(frame);
    comment.Text = {std::string(300, 'a'), ""};
    platform::MemoryStream stream;
    comment.SaveToStream(stream);
    const Bytes bytes = stream.Release();
    ASSERT_EQ(bytes.size(), 2 + 1 + 255 + 1 + 45 + 1u);
    EXPECT_EQ(bytes[2 + 256], 45);
    platform::MemoryStream back(bytes);
    TGIFCommentExtension read(frame);
    read.LoadFromStream(back);
    EXPECT_EQ(read.Text, (Strings{std::string(255, 'a'), std::string(45, 'a')}));
}

TEST(Extensions, ApplicationBlocksAreKeptAsRead) {
    const Bytes data = {2, 7, 8, 1, 9, 0};
    struct Case {
        std::string name;
        Bytes block;
        Bytes written;  // empty: written back as read
        int loops;      // -1: kept as unknown data
        uint32_t buffer_size;
    };
    const std::vector<Case> cases{
        {"ANIMEXTS loop", Application("ANIMEXTS1.0", {3, 1, 9, 0, 0}), {}, 9, 0},
        {"loop with a buffer size",
         Application("ANIMEXTS1.0", {3, 1, 9, 0, 5, 2, 1, 2, 3, 4, 0}),
         {},
         9,
         0x04030201},
        {"unregistered", Application("ABCDEFGH123", data), {}, -1, 0},
        {"block longer than its identifier", Application("NETSCAPE2.0xy", data), {}, -1, 0},
        {"longer block without data", Application("NETSCAPE2.0xy", {0}), {}, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = Screen(2, 1, 2) + c.block + kTwoPixels + Bytes{0x3B};
        // Written and read again, as a frame is copied, a block stays what it was.
        for (int pass = 0; pass < 2; ++pass) {
            Loaded loaded = Load(file);
            EXPECT_TRUE(loaded.warnings->empty());
            const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(
                loaded.image->Images().SubImages(0)->Extensions().Extensions(0));
            EXPECT_EQ(loop != nullptr ? loop->Loops : -1, c.loops);
            EXPECT_EQ(loop != nullptr ? loop->BufferSize : 0, c.buffer_size);
            file = Save(*loaded.image);
            const Bytes& expected = c.written.empty() ? c.block : c.written;
            EXPECT_NE(std::search(file.begin(), file.end(), expected.begin(), expected.end()),
                      file.end());
        }
    }
}

TEST(Extensions, TheFirstGraphicControlIsTheFramesOwn) {
    const Bytes opaque = {0x21, 0xF9, 4, 0x00, 0, 0, 1, 0};
    const Bytes transparent = {0x21, 0xF9, 4, 0x01, 0, 0, 1, 0};
    Loaded loaded = Load(Screen(2, 1, 2) + opaque + transparent + kTwoPixels + Bytes{0x3B});
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
    EXPECT_EQ(*loaded.warnings, Strings{"Invalid color index"});
}

TEST(Writing, HeaderAndFrameFields) {
    // A global table of 3 colours beside a frame with a 256-entry table (the
    // frame's own fields giflib checks in the oracle tests).
    TGIFImage image;
    AddFrame(image, 0, 0, 4, 2, Reds(256), [](int32_t x, int32_t) { return uint8_t(x * 60); });
    for (uint8_t i = 0; i < 3; ++i) image.GetGlobalColorMap().Add(MakeColor(i, i, i));
    const Bytes file = Save(image);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF87a");
    EXPECT_EQ(file[10], 0x80 | 0x70 | 0x01);  // table of 4 entries, resolution 8 bits
    EXPECT_EQ(Bytes(file.begin() + 13, file.begin() + 25),
              (Bytes{0, 0, 0, 1, 1, 1, 2, 2, 2, 0, 0, 0}));  // padded with black

    // Sorted bits of a file are not kept; an extension makes the file 89a,
    // and extensions after the last frame come back before the trailer.
    const Bytes control = {0x21, 0xF9, 4, 0, 0, 0, 0, 0};
    Bytes sorted = Screen(2, 1, 2) + kTwoPixels + control + Bytes{0x3B};
    sorted[10] |= 0x08;
    Loaded reloaded = Load(sorted);
    EXPECT_EQ(reloaded.image->Images().Count(), 2);
    const Bytes again = Save(*reloaded.image);
    EXPECT_EQ(std::string(again.begin(), again.begin() + 6), "GIF89a");
    EXPECT_EQ(again[10] & 0x08, 0);
    EXPECT_TRUE(std::equal(control.begin(), control.end(), again.end() - 9));

    TGIFImage empty;
    EXPECT_EQ(ErrorText([&] { Save(empty); }), "Unsupported GIF version");
}

TEST(Encoders, CodeStreams) {
    using gif_testing::UnpackCodes;
    // Two colours still take a minimum code size of 2; a 1 x 1 frame is a
    // clear code, its pixel and the end code in one sub-block of 2.
    TGIFImage single;
    AddFrame(single, 0, 0, 1, 1, Reds(2), [](int32_t, int32_t) { return uint8_t{0}; });
    EXPECT_EQ(FirstData(Save(single)), (Bytes{2, 2, 0x44, 0x01, 0, 0x3B}));

    // Run-length coded, a run after another pixel starts from a cleared
    // table: a clear code, the pixel, then runs of growing length.
    TGIFImage runs;
    AddFrame(runs, 0, 0, 100, 1, Reds(256), [](int32_t x, int32_t) { return uint8_t(x ? 7 : 0); });
    runs.SetCompression(1);
    const std::vector<int> codes = UnpackCodes(FirstData(Save(runs)));
    ASSERT_GE(codes.size(), 7u);
    EXPECT_EQ(std::vector<int>(codes.begin(), codes.begin() + 7),
              (std::vector<int>{256, 0, 256, 7, 258, 259, 260}));

    // LZW on noise: a clear code exactly when the next code would be 4095,
    // the data in whole sub-blocks of 255 bytes but the last.
    TGIFImage noise;
    AddFrame(noise, 0, 0, 300, 300, Reds(256), [](int32_t x, int32_t y) {
        return static_cast<uint8_t>((x * 7919 + y * 104729 + x * y * 31) >> 3);
    });
    const Bytes data = FirstData(Save(noise));
    const std::vector<int> lzw = UnpackCodes(data);
    const auto first = std::find(lzw.begin(), lzw.end(), 256);
    const auto second = std::find(first + 1, lzw.end(), 256);
    ASSERT_NE(second, lzw.end());
    EXPECT_EQ(second - first - 1, 4095 - 258 + 1);
    size_t at = 1;
    for (; data[at] != 0 && data[at + 1 + data[at]] != 0; at += 1 + size_t{data[at]})
        EXPECT_EQ(data[at], 255);
    EXPECT_GT(data[at], 0);

    TGIFImage beyond;
    AddFrame(beyond, 0, 0, 2, 1, Reds(3), [](int32_t x, int32_t) { return uint8_t(x * 3); });
    EXPECT_EQ(ErrorText([&] { Save(beyond); }), "Color not in color table");
}

TEST(Encoders, TheWriterCutsSubBlocksAndRefusesEverythingElse) {
    platform::MemoryStream stream;
    {
        TGIFWriter writer(stream);
        const Bytes data(300, 0xAB);
        EXPECT_EQ(writer.Write(data.data(), data.size()), 300u);
        // Only whole sub-blocks have gone so far.
        EXPECT_EQ(stream.Size(), 256);
        uint8_t byte = 0;
        const std::string invalid = "Invalid stream operation";
        EXPECT_EQ(ErrorText([&] { writer.Read(&byte, 1); }), invalid);
        EXPECT_EQ(ErrorText([&] { writer.Seek(0, platform::SeekOrigin::Begin); }), invalid);
        EXPECT_EQ(ErrorText([&] { writer.Size(); }), invalid);
        EXPECT_EQ(ErrorText([&] { writer.Position(); }), invalid);
        EXPECT_EQ(ErrorText([&] { static_cast<TGIFStream&>(writer).TGIFStream::Write(&byte, 1); }),
                  invalid);
    }
    // The rest went when the writer did.
    const auto bytes = stream.Bytes();
    ASSERT_EQ(bytes.size(), 1u + 255 + 1 + 45);
    EXPECT_EQ(bytes[0], 255);
    EXPECT_EQ(bytes[256], 45);

    // An encoder that stops on a pixel beyond the table leaves what it coded.
    TGIFImage beyond;
    AddFrame(beyond, 0, 0, 600, 1, Reds(3),
             [](int32_t x, int32_t) { return uint8_t(x < 599 ? x % 3 : 3); });
    platform::MemoryStream partial;
    EXPECT_EQ(ErrorText([&] { beyond.SaveToStream(partial); }), "Color not in color table");
    const Bytes coded = FirstData(partial.Release());
    ASSERT_GE(coded.size(), 2u);
    EXPECT_EQ(coded[0], 2);
    EXPECT_EQ(coded.size(), 2u + coded[1]);
}

// A block that tells, when it goes, how many blocks its list still holds.
struct Told {
    Told(const TGIFList<Told>& l, std::vector<int>& h) : list(l), held(h) {}
    ~Told() { held.push_back(list.Count()); }
    const TGIFList<Told>& list;
    std::vector<int>& held;
};

TEST(Frames, AListIsAlreadyEmptyWhileItsBlocksAreFreed) {
    std::vector<int> held;
    TGIFList<Told> list(nullptr);
    for (int i = 0; i < 3; ++i) list.Add(std::make_unique<Told>(list, held));
    list.Clear();
    EXPECT_EQ(held, (std::vector<int>{0, 0, 0}));
}

TEST(Frames, MarkedBlocksGoInOnePassTheOthersKeepingTheirOrder) {
    std::vector<int> held;
    TGIFList<Told> list(nullptr);
    std::vector<const Told*> added;
    for (int i = 0; i < 6; ++i) {
        list.Add(std::make_unique<Told>(list, held));
        added.push_back(list.Items(i));
    }
    // Marks for fewer blocks than the list holds: the others stay.
    list.Delete(std::vector<bool>{true, false, false, true, true});
    EXPECT_EQ(held, (std::vector<int>{3, 3, 3}));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(0), added[1]);
    EXPECT_EQ(list.Items(1), added[2]);
    EXPECT_EQ(list.Items(2), added[5]);
}

TEST(Frames, BoundsAndPixelAccess) {
    TGIFImage image;
    const gif_testing::Warnings warnings = gif_testing::RecordWarnings(image);
    TGIFSubImage frame(image);
    frame.DoSetBounds(10, 0, 10, 5);
    EXPECT_EQ(image.Width(), 20);
    EXPECT_TRUE(warnings->empty());  // a screen of 0 grows quietly
    frame.SetWidth(15);
    EXPECT_EQ(image.Width(), 25);
    EXPECT_EQ(*warnings, (Strings{"Image width too small for contained frames",
                                  "Image exceeds Logical Screen size"}));
    EXPECT_EQ(ErrorText([&] { frame.GetPixel(15, 0); }), "Invalid pixel coordinates");
    EXPECT_EQ(ErrorText([&] { frame.GetScanline(5); }), "Invalid pixel coordinates");
    EXPECT_EQ(frame.GetPixel(14, 4), 0);
    EXPECT_EQ(ErrorText([&] { frame.SetHeight(70000); }), "Erreur de vérification d'étendue");
    EXPECT_EQ(ErrorText([&] { frame.DoSetBounds(0, 0, 20000, 20000); }), "Mémoire insuffisante");
    frame.DoSetBounds(0, 0, 0, 3);
    EXPECT_EQ(ErrorText([&] { frame.GetScanline(0); }), "Image is empty");
}

TEST(Progress, LoadingAndSavingReportStartEachFrameAndEnd) {
    // 19 bytes of screen, two frames of 15 and the trailer.
    const Bytes file = Screen(2, 1, 2) + kTwoPixels + kTwoPixels + Bytes{0x3B};
    TGIFImage image;
    Strings events;
    image.OnProgress = [&](const TGIFImage&, ProgressStage stage, uint8_t percent, bool,
                           const platform::Rect&, std::string_view message) {
        events.push_back(std::string(message) + " " + std::to_string(static_cast<int>(stage)) +
                         " " + std::to_string(percent));
    };
    platform::MemoryStream stream(file);
    image.LoadFromStream(stream);
    Save(image);
    EXPECT_EQ(events,
              (Strings{"Loading... 0 0", "Loading... 1 68", "Loading... 1 98", "Loading... 2 100",
                       "Saving... 0 0", "Saving... 1 50", "Saving... 1 100", "Saving... 2 100"}));
    events.clear();
    platform::MemoryStream broken(Bytes{'x'});
    EXPECT_THROW(image.LoadFromStream(broken), GIFException);
    EXPECT_EQ(events, (Strings{"Loading... 0 0", "Loading... 2 0"}));
}

}  // namespace
}  // namespace gif
