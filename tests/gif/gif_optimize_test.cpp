// Optimisation keeps what an animation shows: every animation of the test
// pictures composes to the same screens for the same time before and after,
// in a file never larger, and each step does what it is for on frames made to
// show it, unless that would make the file larger. The compositor the comparisons rest on is first checked against
// the suite's expected frames.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "gif/optimize.h"
#include "gif_test_support.h"
#include "giflib_read.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::AddFrame;
using gif_testing::Bytes;
using gif_testing::Compose;
using gif_testing::Control;
using gif_testing::Load;
using gif_testing::Loaded;
using gif_testing::Pixels;
using gif_testing::Save;
using gif_testing::Seen;
using testing_support::ShellQuote;
using testing_support::TestData;

const std::vector<platform::Color> kColors = {
    platform::MakeColor(255, 0, 0), platform::MakeColor(0, 255, 0), platform::MakeColor(0, 0, 255),
    platform::MakeColor(255, 255, 255)};

// Two colours, 1 and 2, strewn without order: data that codes poorly.
uint8_t Strewn(int32_t x, int32_t y) {
    const auto mixed = static_cast<uint32_t>(x) * 2654435761u ^ static_cast<uint32_t>(y) * 40503u;
    return static_cast<uint8_t>(1 + (mixed >> 9) % 2);
}

std::vector<std::string> SuiteAnimations() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(TestData("gif-suite/gifs"))) {
        if (entry.path().extension() == ".gif") names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

int32_t TotalDelay(const std::vector<gif_testing::Shown>& screens) {
    int32_t total = 0;
    for (const auto& screen : screens) total += screen.delay;
    return total;
}

template <typename T>
int32_t CountOf(const TGIFSubImage& frame) {
    int32_t count = 0;
    for (const auto& extension : frame.Extensions())
        count += dynamic_cast<const T*>(extension.get()) != nullptr;
    return count;
}

TEST(Compositor, DrawsTheSuitesExpectedFrames) {
    REQUIRE_PROGRAM("convert");
    for (const std::string& name : SuiteAnimations()) {
        SCOPED_TRACE(name);
        Loaded loaded = Load(gif_testing::SuiteFile(name));
        const auto screens = Compose(*loaded.image);
        for (size_t i = 0; i < screens.size(); ++i) {
            std::string path =
                TestData("gif-suite/gifs/frames/" + name + "-" + std::to_string(i) + ".png");
            if (!std::filesystem::exists(path))
                path = TestData("gif-suite/gifs/frames/" + name + ".png");
            ASSERT_TRUE(std::filesystem::exists(path));
            const std::string png =
                testing_support::Output("convert " + ShellQuote(path) + " -depth 8 rgba:-");
            ASSERT_EQ(png.size(), screens[i].rgba.size());
            int32_t mismatches = 0;
            for (size_t p = 0; p < png.size(); p += 4) {
                const auto* want = reinterpret_cast<const uint8_t*>(png.data()) + p;
                const uint8_t* got = &screens[i].rgba[p];
                mismatches +=
                    want[3] != got[3] || (want[3] != 0 && !std::equal(want, want + 3, got));
            }
            EXPECT_EQ(mismatches, 0) << "frame " << i;
        }
    }
}

// Every animation of the test pictures: the GIF suite's, and small ones on
// which making pixels transparent would cost more than it saves.
std::vector<std::string> TestAnimations() {
    std::vector<std::string> files;
    for (const std::string folder : {"gif-suite/gifs", "gif-small"}) {
        for (const auto& entry : std::filesystem::directory_iterator(TestData(folder))) {
            if (entry.path().extension() == ".gif") files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(Optimize, EveryTestAnimationShowsTheSameInAFileNeverLarger) {
    for (const std::string& file : TestAnimations()) {
        SCOPED_TRACE(file);
        const Bytes original = testing_support::ReadFile(file);
        Loaded loaded = Load(original);
        // What is written of the picture as it was read.
        const size_t unoptimised = Save(*loaded.image).size();
        const auto before = Seen(Compose(*loaded.image));
        loaded.image->Optimize(kAllOptimizeOptions, 0, 0, 8);
        EXPECT_TRUE(loaded.warnings->empty());
        const Bytes optimised = Save(*loaded.image);
        EXPECT_LE(optimised.size(), original.size());
        EXPECT_LE(optimised.size(), unoptimised);
        // What the file shows, read back.
        Loaded back = Load(optimised);
        const auto after = Seen(Compose(*back.image));
        EXPECT_EQ(TotalDelay(after), TotalDelay(before));
        EXPECT_TRUE(after == before);
        // Each option alone keeps it too.
        for (int option = 1; option <= opReduceColors; option <<= 1) {
            Loaded one = Load(original);
            one.image->Optimize(static_cast<uint8_t>(option), 0, 0, 8);
            const Bytes saved = Save(*one.image);
            EXPECT_LE(saved.size(), unoptimised) << option;
            EXPECT_TRUE(Seen(Compose(*Load(saved).image)) == before) << option;
        }
    }
}

TEST(Optimize, ATransparencyThatWouldMakeTheFileLargerIsLeftOut) {
    // A small frame like the one below it: made transparent, it would take a
    // table twice as wide and a control block for a few pixels saved. Alone
    // the overlap leaves it; with the crop, which then drops it, it goes.
    TGIFImage image;
    const auto stripes = [](int32_t x, int32_t y) { return uint8_t((x + y) % 4); };
    TGIFSubImage& first = AddFrame(image, 0, 0, 5, 5, kColors, stripes);
    AddFrame(image, 0, 0, 5, 5, kColors, stripes);
    Control(first).SetDelay(10);
    Control(*image.Images().SubImages(1)).SetDelay(20);
    const Bytes written = Save(image);
    const auto before = Seen(Compose(image));
    image.Optimize(opOverlap, 0, 0, 8);
    EXPECT_FALSE(image.Images().SubImages(1)->HasTransparency());
    EXPECT_EQ(image.Images().SubImages(1)->ColorMap().Count(), 4);
    EXPECT_EQ(Save(image), written);
    image.Optimize(opOverlap | opCrop, 0, 0, 8);
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(first.GraphicControlExtension()->Delay(), 30);
    EXPECT_TRUE(Seen(Compose(image)) == before);

    // A frame whose transparency would pay for itself, but whose wider table
    // widens the codes of the many frames that have none of their own, by
    // more: left out; with fewer such frames, made.
    for (const int32_t small_frames : {120, 2}) {
        SCOPED_TRACE(small_frames);
        TGIFImage shared;
        for (const platform::Color c : kColors) shared.GetGlobalColorMap().Add(c);
        for (int32_t i = 0; i < small_frames; ++i)
            AddFrame(shared, i % 8 * 4, i / 8 % 8 * 4, 4, 4, {}, Strewn);
        AddFrame(shared, 0, 0, 16, 16, {}, Strewn);
        AddFrame(shared, 0, 0, 16, 16, kColors, Strewn);
        const Bytes unoptimised = Save(shared);
        const auto shown = Seen(Compose(shared));
        shared.Optimize(opOverlap, 0, 0, 8);
        const TGIFSubImage& last = *shared.Images().SubImages(small_frames + 1);
        EXPECT_EQ(last.HasTransparency(), small_frames == 2);
        EXPECT_LE(Save(shared).size(), unoptimised.size());
        EXPECT_TRUE(Seen(Compose(shared)) == shown);
    }
}

TEST(Optimize, CropsTransparentBordersAndDropsBlankFrames) {
    TGIFImage image;
    // Two left columns, one right column and three top rows of index 3.
    AddFrame(
        image, 0, 0, 10, 10, kColors,
        [](int32_t x, int32_t y) { return uint8_t(x < 2 || x == 9 || y < 3 ? 3 : x % 3); }, 3);
    image.Optimize(opCrop, 0, 0, 8);
    TGIFSubImage& frame = *image.Images().SubImages(0);
    EXPECT_EQ(frame.BoundsRect(), (platform::Rect{2, 3, 9, 10}));
    EXPECT_EQ(Pixels(frame)[0], 2);  // x = 2
    EXPECT_EQ(Pixels(frame).size(), 49u);

    // A blank frame goes, its time given to the frame before; the last
    // frame always stays.
    TGIFImage blank;
    AddFrame(blank, 0, 0, 4, 4, kColors, [](int32_t, int32_t) { return uint8_t{1}; });
    Control(*blank.Images().SubImages(0)).SetDelay(10);
    AddFrame(
        blank, 0, 0, 4, 4, kColors, [](int32_t, int32_t) { return uint8_t{3}; }, 3);
    Control(*blank.Images().SubImages(1)).SetDelay(25);
    const auto before = Seen(Compose(blank));
    blank.Optimize(opCrop, 0, 0, 8);
    ASSERT_EQ(blank.Images().Count(), 1);
    EXPECT_EQ(blank.Images().SubImages(0)->GraphicControlExtension()->Delay(), 35);
    EXPECT_TRUE(Seen(Compose(blank)) == before);
    // After a frame that is cleared or restored, a blank frame that lasts is
    // what shows the cleared screen: it stays.
    TGIFImage after_clear;
    AddFrame(after_clear, 0, 0, 4, 4, kColors, [](int32_t, int32_t) { return uint8_t{1}; });
    Control(*after_clear.Images().SubImages(0)).SetDisposal(2);
    Control(*after_clear.Images().SubImages(0)).SetDelay(10);
    AddFrame(
        after_clear, 0, 0, 4, 4, kColors, [](int32_t, int32_t) { return uint8_t{3}; }, 3);
    Control(*after_clear.Images().SubImages(1)).SetDelay(25);
    const auto cleared = Seen(Compose(after_clear));
    after_clear.Optimize(kAllOptimizeOptions, 0, 0, 8);
    EXPECT_EQ(after_clear.Images().Count(), 2);
    EXPECT_TRUE(Seen(Compose(after_clear)) == cleared);

    TGIFImage alone;
    AddFrame(
        alone, 0, 0, 4, 4, kColors, [](int32_t, int32_t) { return uint8_t{3}; }, 3);
    alone.Optimize(kAllOptimizeOptions, 0, 0, 8);
    ASSERT_EQ(alone.Images().Count(), 1);
    EXPECT_NO_THROW(Save(alone));
}

// A 21 x 3 frame at (left, 0), transparent through index 3, whose rows
// happen to take two bytes more to code without their two transparent
// columns.
void AddFrameCodingWorseCropped(TGIFImage& image, int32_t left) {
    const std::vector<std::string> rows = {"330233313203012112020", "330112012301103033200",
                                           "332232332132001201112"};
    AddFrame(
        image, left, 0, 21, 3, kColors,
        [&](int32_t x, int32_t y) {
            return static_cast<uint8_t>(rows[static_cast<size_t>(y)][static_cast<size_t>(x)] - '0');
        },
        3);
}

TEST(Optimize, ACropThatWouldCodeWorseIsLeftOut) {
    TGIFImage image;
    AddFrameCodingWorseCropped(image, 0);
    const Bytes written = Save(image);
    image.Optimize(opCrop, 0, 0, 8);
    EXPECT_EQ(image.Images().SubImages(0)->BoundsRect(), (platform::Rect{0, 0, 21, 3}));
    EXPECT_EQ(Save(image), written);
}

TEST(Optimize, AFrameDroppedNoLongerWidensTheCodesOfTheFramesWeighedAfterIt) {
    // A row on the global table that codes better without its transparent
    // first pixel at 2 bits a code, not at 8; after it a blank frame with a
    // table of 256 colours, which the crop step drops first. The crop is
    // weighed at the codes the picture has without that frame.
    TGIFImage image;
    for (const platform::Color c : kColors) image.GetGlobalColorMap().Add(c);
    const std::string row = "310312312231302";
    AddFrame(
        image, 0, 0, 15, 1, {},
        [&](int32_t x, int32_t) { return static_cast<uint8_t>(row[static_cast<size_t>(x)] - '0'); },
        3);
    AddFrame(
        image, 0, 0, 2, 2, std::vector<platform::Color>(256, platform::kBlack),
        [](int32_t, int32_t) { return uint8_t{0}; }, 0);
    image.Optimize(opCrop, 0, 0, 8);
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(image.Images().SubImages(0)->BoundsRect(), (platform::Rect{1, 0, 15, 1}));
}

TEST(Optimize, KeepsWhatDisposalShows) {
    // A frame restored to the background is not cropped: its whole rectangle
    // is cleared.
    TGIFImage cleared;
    AddFrame(cleared, 0, 0, 6, 6, kColors, [](int32_t, int32_t) { return uint8_t{0}; });
    AddFrame(
        cleared, 0, 0, 6, 6, kColors, [](int32_t x, int32_t) { return uint8_t(x < 3 ? 3 : 1); }, 3);
    Control(*cleared.Images().SubImages(1)).SetDisposal(2);
    AddFrame(
        cleared, 5, 5, 1, 1, kColors, [](int32_t, int32_t) { return uint8_t{2}; }, 3);
    for (int32_t i = 0; i < 3; ++i) Control(*cleared.Images().SubImages(i)).SetDelay(5);
    auto before = Seen(Compose(cleared));
    cleared.Optimize(opCrop | opCleanup, 0, 0, 8);
    EXPECT_EQ(cleared.Images().SubImages(1)->Width(), 6);
    EXPECT_TRUE(Seen(Compose(cleared)) == before);

    // A disposal is dropped when the next, opaque frame covers the frame,
    // not when the next frame is smaller or is itself restored to what was
    // under it.
    for (const auto& [next_size, next_disposal, dropped] :
         {std::tuple{8, 0, true}, std::tuple{4, 0, false}, std::tuple{8, 3, false}}) {
        SCOPED_TRACE(next_size);
        TGIFImage image;
        AddFrame(image, 0, 0, 8, 8, kColors, [](int32_t, int32_t) { return uint8_t{2}; });
        AddFrame(image, 1, 1, 6, 6, kColors, [](int32_t, int32_t) { return uint8_t{0}; });
        Control(*image.Images().SubImages(1)).SetDisposal(2);
        AddFrame(image, 0, 0, next_size, next_size, kColors,
                 [](int32_t x, int32_t) { return uint8_t(x % 2); });
        Control(*image.Images().SubImages(2)).SetDisposal(static_cast<uint8_t>(next_disposal));
        AddFrame(image, 7, 7, 1, 1, kColors, [](int32_t, int32_t) { return uint8_t{3}; });
        for (int32_t i = 0; i < 4; ++i) Control(*image.Images().SubImages(i)).SetDelay(5);
        before = Seen(Compose(image));
        image.Optimize(opCleanup, 0, 0, 8);
        EXPECT_EQ(image.Images().SubImages(1)->GraphicControlExtension()->Disposal(),
                  dropped ? 0 : 2);
        EXPECT_TRUE(Seen(Compose(image)) == before);
    }
}

TEST(Optimize, CleanupDropsWhatShowsNothing) {
    TGIFImage image;
    TGIFSubImage& first = AddFrame(
        image, 0, 0, 4, 4, kColors, [](int32_t x, int32_t) { return uint8_t(x % 3); }, 3);
    auto loop = std::make_unique<TGIFAppExtNSLoop>(first);
    loop->Loops = 4;
    first.Extensions().Add(std::move(loop));
    auto comment = std::make_unique<TGIFCommentExtension>(first);
    comment->Text = {"made by hand"};
    first.Extensions().Add(std::move(comment));
    Control(first).SetDelay(5);
    TGIFSubImage& second =
        AddFrame(image, 0, 0, 4, 4, kColors, [](int32_t, int32_t) { return uint8_t{1}; });
    second.Extensions().Add(std::make_unique<TGIFAppExtNSLoop>(second));
    Control(second).SetDisposal(1);  // delay 0: a block that says nothing
    image.Optimize(opCleanup, 0, 0, 8);
    // Index 3 is never drawn: no transparency; the comment is gone; the loop
    // extension stays on frame 0 only.
    EXPECT_FALSE(first.HasTransparency());
    EXPECT_EQ(CountOf<TGIFCommentExtension>(first), 0);
    EXPECT_EQ(CountOf<TGIFAppExtNSLoop>(first), 1);
    EXPECT_EQ(first.GraphicControlExtension()->Delay(), 5);
    EXPECT_EQ(second.Extensions().Count(), 0);
    EXPECT_EQ(second.GraphicControlExtension(), nullptr);

    // A still picture needs no loop, and its graphic control only for
    // transparency.
    TGIFImage still;
    TGIFSubImage& only =
        AddFrame(still, 0, 0, 2, 2, kColors, [](int32_t, int32_t) { return uint8_t{0}; });
    only.Extensions().Add(std::make_unique<TGIFAppExtNSLoop>(only));
    Control(only).SetDelay(9);
    still.Optimize(opCleanup, 0, 0, 8);
    EXPECT_EQ(only.Extensions().Count(), 0);
    EXPECT_EQ(Save(still)[4], '7');  // GIF87a

    // A loop extension on a later frame moves to frame 0.
    TGIFImage late;
    AddFrame(late, 0, 0, 2, 2, kColors, [](int32_t, int32_t) { return uint8_t{0}; });
    TGIFSubImage& later =
        AddFrame(late, 0, 0, 2, 2, kColors, [](int32_t, int32_t) { return uint8_t{1}; });
    auto moving = std::make_unique<TGIFAppExtNSLoop>(later);
    moving->Loops = 7;
    later.Extensions().Add(std::move(moving));
    late.Optimize(opCleanup, 0, 0, 8);
    ASSERT_EQ(late.Images().SubImages(0)->Extensions().Count(), 1);
    const auto* moved = dynamic_cast<const TGIFAppExtNSLoop*>(
        late.Images().SubImages(0)->Extensions().Extensions(0));
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->Loops, 7);
    EXPECT_EQ(later.Extensions().Count(), 0);
}

TEST(Optimize, RepeatedPixelsBecomeTransparentAndIdenticalFramesGo) {
    // A frame identical to the opaque frame below becomes wholly transparent
    // (black added to its local table) and then goes, its time added to the
    // frame below.
    TGIFImage image;
    TGIFSubImage& first = AddFrame(image, 0, 0, 32, 32, kColors, Strewn);
    AddFrame(image, 0, 0, 32, 32, kColors, Strewn);
    Control(first).SetDelay(10);
    Control(*image.Images().SubImages(1)).SetDelay(20);
    const auto before = Seen(Compose(image));
    image.Optimize(opOverlap, 0, 0, 8);
    TGIFSubImage& second = *image.Images().SubImages(1);
    ASSERT_TRUE(second.HasTransparency());
    EXPECT_EQ(second.GraphicControlExtension()->TransparentColorIndex(), 4);
    EXPECT_EQ(second.ColorMap().Count(), 5);
    EXPECT_EQ(Pixels(second), std::vector<uint8_t>(1024, 4));
    EXPECT_TRUE(Seen(Compose(image)) == before);
    image.Optimize(opCrop, 0, 0, 8);
    ASSERT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(first.GraphicControlExtension()->Delay(), 30);
    EXPECT_TRUE(Seen(Compose(image)) == before);

    // On the global table, another frame's transparent index is taken only
    // when no pixel of this frame uses it; otherwise black is added.
    for (const uint8_t used : {uint8_t{0}, uint8_t{3}}) {
        SCOPED_TRACE(int{used});
        TGIFImage global;
        for (const platform::Color c : kColors) global.GetGlobalColorMap().Add(c);
        AddFrame(
            global, 0, 0, 32, 32, {}, [](int32_t x, int32_t) { return uint8_t(x < 2 ? 3 : 1); },
            3);
        AddFrame(global, 0, 0, 32, 32, {},
                 [](int32_t x, int32_t y) { return x == 3 ? uint8_t{1} : Strewn(x, y); });
        AddFrame(global, 0, 0, 32, 32, {}, [used](int32_t x, int32_t y) {
            return x == 0 && y == 0 ? used : Strewn(x, y);
        });
        for (int32_t i = 0; i < 3; ++i) Control(*global.Images().SubImages(i)).SetDelay(5);
        const auto shown = Seen(Compose(global));
        global.Optimize(opOverlap, 0, 0, 8);
        const TGIFSubImage& last = *global.Images().SubImages(2);
        ASSERT_TRUE(last.HasTransparency());
        EXPECT_EQ(last.GraphicControlExtension()->TransparentColorIndex(), used == 3 ? 4 : 3);
        EXPECT_EQ(global.GetGlobalColorMap().Count(), used == 3 ? 5 : 4);
        EXPECT_TRUE(Seen(Compose(global)) == shown);
    }
}

// The reader takes frames wider or taller than the screen as they are; what
// shows is the screen, and so is what the optimised file shows. A change the
// optimiser takes back must not leave a screen enlarged to such a frame.
TEST(Optimize, KeepsTheScreenOfFramesBeyondIt) {
    // Three 8 x 2 frames on a 4 x 4 screen, about half of each frame's
    // pixels those of the frame below: the overlap step weighs them and
    // takes some back.
    TGIFImage wide;
    for (int32_t i = 0; i < 16; ++i)
        wide.GetGlobalColorMap().Add(platform::MakeColor(static_cast<uint8_t>(i * 16), 0, 0));
    for (int32_t k = 0; k < 3; ++k) {
        AddFrame(wide, 0, 0, 8, 2, {}, [k](int32_t x, int32_t y) {
            return static_cast<uint8_t>((x + y) % 2 == 0 ? x : (x * 3 + y + k * 5) % 16);
        });
        Control(*wide.Images().SubImages(k)).SetDisposal(1);
        Control(*wide.Images().SubImages(k)).SetDelay(10);
    }
    wide.Header().SetLogicalScreenWidth(4);
    wide.Header().SetLogicalScreenHeight(4);

    // A damaged file's 16 x 63758 screen, with a frame far beyond its right
    // edge whose crop would code worse: enlarged to it, the screen would be
    // more than a picture may hold.
    TGIFImage far;
    AddFrameCodingWorseCropped(far, 39923);
    far.Header().SetLogicalScreenWidth(16);
    far.Header().SetLogicalScreenHeight(63758);

    for (const TGIFImage* made : {&wide, &far}) {
        Loaded loaded = Load(Save(*made));
        const int32_t width = loaded.image->Width();
        const int32_t height = loaded.image->Height();
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const auto before = Seen(Compose(*loaded.image));
        for (const uint8_t options : {uint8_t{opOverlap}, uint8_t{opCrop}, kAllOptimizeOptions}) {
            loaded.image->Optimize(options, 0, 0, 8);
            EXPECT_EQ(loaded.image->Width(), width) << int{options};
            EXPECT_EQ(loaded.image->Height(), height) << int{options};
        }
        EXPECT_TRUE(loaded.warnings->empty());
        const Bytes optimised = Save(*loaded.image);
        ASSERT_EQ(gif_testing::LoadError(optimised), "(no error)");
        const gif_testing::OracleFile read = gif_testing::GiflibRead(optimised);
        EXPECT_EQ(read.width, width);
        EXPECT_EQ(read.height, height);
        EXPECT_TRUE(Seen(Compose(*Load(optimised).image)) == before);
    }
}

TEST(Optimize, SortedGlobalTableKeepsTheBackgroundColour) {
    TGIFImage image;
    for (const platform::Color c : kColors) image.GetGlobalColorMap().Add(c);
    image.Header().SetBackgroundColorIndex(2);
    AddFrame(image, 0, 0, 4, 4, {}, [](int32_t x, int32_t) { return uint8_t(x == 0 ? 2 : 3); });
    image.Optimize(opSortColorMaps, 0, 0, 8);
    EXPECT_EQ(image.GetBackgroundColor(), kColors[2]);
    EXPECT_EQ(Pixels(*image.Images().SubImages(0))[1], 0);  // the most used first
    // A background no pixel uses stays in the table.
    image.Header().SetBackgroundColorIndex(
        static_cast<uint8_t>(image.GetGlobalColorMap().Add(kColors[1])));
    image.Optimize(opSortColorMaps, 0, 0, 8);
    EXPECT_EQ(image.GetBackgroundColor(), kColors[1]);
}

TEST(Optimize, ArgumentsAreCheckedFirstAndAnEmptyPictureIsLeftAlone) {
    TGIFImage image;
    std::vector<std::string> progress;
    image.OnProgress = [&](const TGIFImage&, ProgressStage, uint8_t, bool, const platform::Rect&,
                           std::string_view message) { progress.emplace_back(message); };
    image.Optimize(kAllOptimizeOptions, 0, 0, 8);
    EXPECT_TRUE(progress.empty());
    AddFrame(
        image, 0, 0, 4, 4, kColors, [](int32_t, int32_t) { return uint8_t{3}; }, 3);
    const Bytes saved = Save(image);
    progress.clear();
    EXPECT_EQ(testing_support::ErrorText(
                  [&] { image.Optimize(opCrop | opReduceColors, kInvalidReductionMethod, 0, 8); }),
              "Invalid reduction method");
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(Save(image), saved);
    progress.clear();
    EXPECT_NO_THROW(image.Optimize(opCleanup | opReduceColors, kInvalidReductionMethod, 0, 8));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), "Optimizing...");
}

TEST(Optimize, APictureWithPixelsOfNoColourIsLeftWritableAsItIs) {
    // Frame 1 and the picture have no table: its pixels name no colour and
    // are written at the width of frame 0's table, which sorting narrows.
    Bytes file = testing_support::ReadFile(TestData("gif-found/optimize-unsavable.gif"));
    for (const bool on_screen : {false, true}) {
        if (on_screen) file[0x0F] = file[0x20] = 0;  // both frames moved to x = 0
        Loaded loaded = Load(file);
        const Bytes unoptimised = Save(*loaded.image);
        const auto before = Seen(Compose(*loaded.image));
        loaded.image->Optimize(kAllOptimizeOptions, 0, 0, 8);
        const Bytes optimised = Save(*loaded.image);
        EXPECT_EQ(optimised, unoptimised);
        const gif_testing::OracleFile read = gif_testing::GiflibRead(optimised);
        ASSERT_EQ(read.frames.size(), 2u);
        EXPECT_EQ(read.frames[1].pixels, Pixels(*loaded.image->Images().SubImages(1)));
        EXPECT_TRUE(Seen(Compose(*Load(optimised).image)) == before) << on_screen;
    }
}

}  // namespace
}  // namespace gif
