// Quarter turns of a GIF picture keep its animation: an animation of four
// frames at different places, turned each way and written, shows at every
// step the screen of the original turned (our composer and ImageMagick's
// both say so), with the same delays, disposal, transparency and loop count
// (giflib says so), and the original is left as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gif/gif_image.h"
#include "gif_test_support.h"
#include "giflib_read.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::AddFrame;
using gif_testing::Bytes;
using gif_testing::Compose;
using gif_testing::Control;
using gif_testing::GiflibRead;
using gif_testing::Load;
using gif_testing::Loaded;
using gif_testing::OracleFile;
using gif_testing::Save;
using gif_testing::Shown;
using platform::MakeColor;
using testing_support::ErrorText;
using testing_support::ShellQuote;

// An animation on a 23 x 14 screen with a global table: frame 0 covers the
// screen, frame 1 (local table, transparent, interlaced) sits at (3, 2) and
// is cleared after it shows, frame 2 at (15, 7) is restored to what was
// under it, frame 3 at (0, 9) stays. Every frame has its delay; the
// animation loops 3 times; a comment follows the last frame.
Bytes Animation() {
    TGIFImage image;
    for (const platform::Color c : {MakeColor(0, 0, 0), MakeColor(250, 250, 250),
                                    MakeColor(200, 30, 30), MakeColor(30, 30, 200)})
        image.GetGlobalColorMap().Add(c);
    image.Header().SetAspectRatio(33);
    TGIFSubImage& first = AddFrame(image, 0, 0, 23, 14, {}, [](int32_t x, int32_t y) {
        return static_cast<uint8_t>((x * 3 + y * 7) % 4);
    });
    auto loop = std::make_unique<TGIFAppExtNSLoop>(first);
    loop->Loops = 3;
    first.Extensions().Add(std::move(loop));
    Control(first).SetDelay(10);
    Control(first).SetDisposal(1);
    TGIFSubImage& second = AddFrame(
        image, 3, 2, 9, 5, {MakeColor(0, 200, 0), MakeColor(0, 0, 0), MakeColor(250, 200, 0)},
        [](int32_t x, int32_t y) { return static_cast<uint8_t>(x == y ? 1 : (x + y) % 3 == 0 ? 2 : 0); },
        1);
    second.SetInterlaced(true);
    Control(second).SetDelay(20);
    Control(second).SetDisposal(2);
    TGIFSubImage& third = AddFrame(image, 15, 7, 8, 6, {}, [](int32_t x, int32_t) {
        return static_cast<uint8_t>(x % 4);
    });
    Control(third).SetDelay(30);
    Control(third).SetDisposal(3);
    TGIFSubImage& fourth = AddFrame(image, 0, 9, 6, 5, {}, [](int32_t x, int32_t y) {
        return static_cast<uint8_t>((x + 2 * y) % 4);
    });
    Control(fourth).SetDelay(40);
    auto comment = std::make_unique<TGIFCommentExtension>(fourth);
    comment->Text = {"tourne"};
    fourth.Extensions().Add(std::move(comment));
    return Save(image);
}

// An RGBA screen of width x height turned by `quarters` clockwise.
std::vector<uint8_t> Turned(const std::vector<uint8_t>& rgba, int32_t width, int32_t height,
                            int32_t quarters) {
    std::vector<uint8_t> turned(rgba.size());
    const bool quarter = quarters % 2 == 1;
    const int32_t turned_width = quarter ? height : width;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            int32_t tx = x;
            int32_t ty = y;
            if (quarters == 1) {
                tx = height - 1 - y;
                ty = x;
            } else if (quarters == 2) {
                tx = width - 1 - x;
                ty = height - 1 - y;
            } else if (quarters == 3) {
                tx = y;
                ty = width - 1 - x;
            }
            const auto at = [](int32_t row, int32_t column, int32_t columns) {
                return static_cast<size_t>(row * columns + column) * 4;
            };
            std::copy_n(&rgba[at(y, x, width)], 4, &turned[at(ty, tx, turned_width)]);
        }
    }
    return turned;
}

// The frames ImageMagick composes, turned by `rotate` degrees first when
// asked, as RGBA bytes one after the other.
std::string ImageMagickFrames(const std::string& file, int rotate) {
    const std::string turn = rotate != 0 ? " -rotate " + std::to_string(rotate) : "";
    return testing_support::Output("convert " + ShellQuote(file) + " -coalesce" + turn +
                                   " -depth 8 rgba:-");
}

TEST(GifRotation, AnAnimationTurnedEachWayShowsEveryScreenTurnedAndKeepsItsTiming) {
    REQUIRE_PROGRAM("convert");
    const Bytes file = Animation();
    Loaded original = Load(file);
    const std::vector<Shown> before = Compose(*original.image);
    const OracleFile giflib_before = GiflibRead(file);
    ASSERT_EQ(giflib_before.frames.size(), 4u);
    ASSERT_EQ(giflib_before.loops, 3);
    testing_support::TempDir folder;
    const std::string original_file = folder / "original.gif";
    testing_support::WriteFile(original_file, std::string(file.begin(), file.end()));

    for (const int angle : {90, -90, 180, 270, -180, 360}) {
        SCOPED_TRACE(angle);
        const int32_t quarters = (angle / 90 % 4 + 4) % 4;
        const bool quarter = quarters % 2 == 1;
        const Bytes saved = Save(*original.image->Rotated(angle));
        Loaded turned = Load(saved);
        EXPECT_TRUE(turned.warnings->empty());
        ASSERT_EQ(turned.image->Width(), quarter ? 14 : 23);
        ASSERT_EQ(turned.image->Height(), quarter ? 23 : 14);
        EXPECT_EQ(turned.image->Header().AspectRatio(), quarter ? 70 : 33);

        // Our composer: each screen is the original's turned, for as long.
        const std::vector<Shown> after = Compose(*turned.image);
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(after[i].delay, before[i].delay) << i;
            EXPECT_TRUE(after[i].rgba == Turned(before[i].rgba, 23, 14, quarters)) << i;
        }

        // ImageMagick: the turned file composes as the original composed and
        // then turned.
        const std::string name = folder / ("tourne" + std::to_string(angle) + ".gif");
        testing_support::WriteFile(name, std::string(saved.begin(), saved.end()));
        const std::string theirs = ImageMagickFrames(name, 0);
        EXPECT_EQ(theirs.size(), 4u * 23 * 14 * 4);
        EXPECT_TRUE(theirs == ImageMagickFrames(original_file, angle));

        // giflib: the same delays, disposal, transparency and loop count, the
        // frames at their turned places, the comment kept.
        const OracleFile giflib = GiflibRead(saved);
        ASSERT_EQ(giflib.frames.size(), 4u);
        EXPECT_EQ(giflib.loops, 3);
        for (size_t i = 0; i < 4; ++i) {
            const auto& was = giflib_before.frames[i];
            const auto& now = giflib.frames[i];
            EXPECT_EQ(now.delay, was.delay) << i;
            EXPECT_EQ(now.disposal, was.disposal) << i;
            EXPECT_EQ(now.transparent, was.transparent) << i;
            EXPECT_EQ(now.interlaced, was.interlaced) << i;
        }
        if (quarters == 1) EXPECT_EQ(giflib.frames[1].bounds, (platform::Rect{7, 3, 12, 12}));
        if (quarters == 2) EXPECT_EQ(giflib.frames[2].bounds, (platform::Rect{0, 1, 8, 7}));
        if (quarters == 3) EXPECT_EQ(giflib.frames[3].bounds, (platform::Rect{9, 17, 14, 23}));
        int comments = 0;
        for (const auto& [function, bytes] : giflib.extensions) comments += function == 0xFE;
        EXPECT_EQ(comments, 1);
    }

    // The original is only read.
    EXPECT_TRUE(Compose(*original.image) == before);
    EXPECT_EQ(Save(*original.image), file);
}

TEST(GifRotation, AFrameBeyondTheScreenTurnsWithTheScreenEnlargedAndOtherAnglesAreRefused) {
    // A file whose second frame reaches 4 columns past its 10 x 6 screen.
    TGIFImage image;
    AddFrame(image, 0, 0, 10, 6, {MakeColor(1, 2, 3), MakeColor(4, 5, 6)},
             [](int32_t x, int32_t) { return static_cast<uint8_t>(x % 2); });
    AddFrame(image, 8, 1, 6, 2, {MakeColor(7, 8, 9), MakeColor(9, 9, 9)},
             [](int32_t x, int32_t y) { return static_cast<uint8_t>((x + y) % 2); });
    Loaded loaded = Load(Save(image));
    loaded.image->Header().SetLogicalScreenWidth(10);
    const std::unique_ptr<TGIFImage> turned = loaded.image->Rotated(90);
    EXPECT_EQ(turned->Width(), 6);
    EXPECT_EQ(turned->Height(), 14);
    const TGIFSubImage& second = *turned->Images().Items(1);
    EXPECT_EQ(second.BoundsRect(), (platform::Rect{3, 8, 5, 14}));
    EXPECT_EQ(gif_testing::Pixels(second),
              (std::vector<uint8_t>{1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1}));
    EXPECT_EQ(turned->Header().AspectRatio(), 0);

    EXPECT_EQ(ErrorText([&] { loaded.image->Rotated(45); }), "Erreur de vérification d'étendue");
    EXPECT_EQ(loaded.image->Images().Count(), 2);
}

}  // namespace
}  // namespace gif
