// The animation without threads: the order of its events and frames, the
// waits it asks for on a clock the test moves, and the pictures the composer
// makes of the frames, against hand-made strips and the GIF suite's expected
// frames as ImageMagick reads them.
#include "gif/animation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "gif/extensions.h"
#include "gif/gif_image.h"
#include "gif_test_support.h"
#include "test_support.h"

namespace gif {
namespace {

using A = AnimationAction;

// A timeline on a clock that only the test moves.
struct Played {
    int64_t now = 1000;
    std::unique_ptr<AnimationTimeline> timeline;
    Played(std::vector<FrameTiming> frames, uint16_t options, int32_t speed, bool threaded) {
        timeline = std::make_unique<AnimationTimeline>(std::move(frames), options, speed,
                                                       threaded, [this] { return now; });
    }
};

std::string Name(const AnimationStep& step) {
    switch (step.action) {
    case A::Start: return "Start";
    case A::Wait: return "W";
    case A::BeforeFrame: return "B" + std::to_string(step.frame);
    case A::Paint: return "P" + std::to_string(step.frame);
    case A::AfterFrame: return "A" + std::to_string(step.frame);
    case A::Loop: return "Loop";
    case A::End: return "End";
    case A::Done: return "Done";
    }
    return "?";
}

// The steps, waits passing exactly as planned, up to Done or `limit` steps.
std::string Steps(Played& played, int limit = 200) {
    std::string out;
    for (int i = 0; i < limit;) {
        const AnimationStep step = played.timeline->Next();
        if (step.action == A::Wait) continue;
        ++i;
        out += (out.empty() ? "" : " ") + Name(step);
        if (step.action == A::Done) break;
    }
    return out;
}

// The waits asked for before each frame, the clock running `late` ms past
// each one.
std::vector<int64_t> Waits(Played& played, int count, int64_t late = 0) {
    std::vector<int64_t> waits;
    for (int i = 0; i < 400 && static_cast<int>(waits.size()) < count; ++i) {
        const AnimationStep step = played.timeline->Next();
        if (step.action == A::Done) break;
        if (step.action != A::Wait) continue;
        waits.push_back(step.wait_ms);
        if (step.wait_ms > 0) played.now += step.wait_ms + late;
    }
    return waits;
}

std::vector<FrameTiming> Frames(int count, uint16_t delay = 0) {
    return std::vector<FrameTiming>(static_cast<size_t>(count), FrameTiming{false, delay, 1, {}});
}

constexpr uint16_t kPlay = doAnimate | doLoop | doTransparent;

TEST(AnimationTimeline, DelaysBecomeWaitsByTheTable) {
    struct Row {
        uint16_t delay;
        int32_t speed;
        bool threaded;
        int64_t wait;
    };
    const Row rows[] = {
        {0, 100, true, 120},      {0, 200, true, 60},      {1, 100, true, 36},
        {2, 100, true, 36},       {3, 100, true, 36},      {4, 100, true, 48},
        {5000, 100, true, 60000}, {5000, 100, false, 12000}, {10, 50, true, 240},
        {7, 300, true, 28},       {1, 1000, true, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.delay) + " at " + std::to_string(row.speed));
        Played played(Frames(2, row.delay), kPlay, row.speed, row.threaded);
        const std::vector<int64_t> waits = Waits(played, 2);
        ASSERT_EQ(waits.size(), 2u);
        // Nothing is waited before the first frame of a threaded painter,
        // one unit by one that is not.
        EXPECT_EQ(waits[0], row.threaded ? 0 : 12);
        EXPECT_EQ(waits[1], row.wait);
    }
}

TEST(AnimationTimeline, HalfOfAnOvershootComesOffTheNextWait) {
    Played played(Frames(4, 5), kPlay, 100, true);
    // Each wait runs 10 ms late: the next is 5 shorter, and the lateness of a
    // shortened wait is measured against what was planned for it.
    EXPECT_EQ(Waits(played, 4, 10), (std::vector<int64_t>{0, 60, 55, 55}));

    Played faster(Frames(3, 5), kPlay, 200, true);
    EXPECT_EQ(Waits(faster, 3, 20), (std::vector<int64_t>{0, 30, 25}));

    // A late painter does not wait a negative time.
    Played stuck(Frames(3, 3), kPlay, 100, true);
    EXPECT_EQ(Waits(stuck, 3, 200), (std::vector<int64_t>{0, 36, 0}));
    // Late by just enough for the wait to come out at -1 ms, which is also
    // what "until stopped" is written as: no wait either, the frames go on.
    for (const bool threaded : {true, false}) {
        Played late(Frames(3, 5), kPlay, 100, threaded);
        const std::vector<int64_t> waits = Waits(late, 3, 122);
        ASSERT_EQ(waits.size(), 3u);
        EXPECT_EQ(waits, threaded ? (std::vector<int64_t>{0, 60, 0})
                                  : (std::vector<int64_t>{12, 1, 1}));
    }
}

TEST(AnimationTimeline, AClockGoingBackWaitsTheFallback) {
    Played played(Frames(3, 5), kPlay, 100, true);
    ASSERT_EQ(Waits(played, 1), std::vector<int64_t>{0});
    played.now -= 5000;
    EXPECT_EQ(Waits(played, 1), std::vector<int64_t>{12000});
}

TEST(AnimationTimeline, SpeedZeroHoldsTheFirstFrameAndNegativeDoesNotWait) {
    Played held(Frames(3, 5), kPlay, 0, true);
    EXPECT_EQ(Waits(held, 2), (std::vector<int64_t>{0, kWaitForever}));
    // Woken by a stop: nothing more.
    held.timeline->Stop();
    EXPECT_EQ(held.timeline->Next().action, A::Done);

    Played inline_held(Frames(2, 5), kPlay, 0, false);
    EXPECT_EQ(Waits(inline_held, 2), (std::vector<int64_t>{12000, 12000}));

    Played eager(Frames(3, 5), kPlay, -50, true);
    EXPECT_EQ(Waits(eager, 3), (std::vector<int64_t>{0, 0, 0}));
}

TEST(AnimationTimeline, EventsComeInTheirOrder) {
    std::vector<FrameTiming> frames = Frames(2);
    frames[0].loops = 2;
    Played played(frames, kPlay, 100, true);
    EXPECT_EQ(Steps(played),
              "Start B0 P0 A0 B1 P1 A1 Loop B0 P0 A0 B1 P1 A1 End Done");
    EXPECT_EQ(played.timeline->ActiveImage(), -1);
}

TEST(AnimationTimeline, LoopCountsAndTheLoopPoint) {
    // Without a loop extension one pass, unless looping forever.
    Played once(Frames(2), kPlay, 100, true);
    EXPECT_EQ(Steps(once), "Start B0 P0 A0 B1 P1 A1 End Done");
    Played forever(Frames(1), kPlay | doLoopForever, 100, true);
    EXPECT_EQ(Steps(forever, 11), "Start B0 P0 A0 Loop B0 P0 A0 Loop B0 P0");

    // Loops 0: without end when threaded, one pass when not.
    std::vector<FrameTiming> endless = Frames(1);
    endless[0].loops = 0;
    Played threaded(endless, kPlay, 100, true);
    EXPECT_EQ(Steps(threaded, 8), "Start B0 P0 A0 Loop B0 P0 A0");
    EXPECT_EQ(threaded.timeline->LoopCount(), -1);
    Played inline_once(endless, kPlay, 100, false);
    EXPECT_EQ(Steps(inline_once), "Start B0 P0 A0 End Done");

    // Later passes start at the frame holding the extension.
    std::vector<FrameTiming> pointed = Frames(3);
    pointed[1].loops = 2;
    Played point(pointed, kPlay, 100, true);
    EXPECT_EQ(Steps(point), "Start B0 P0 A0 B1 P1 A1 B2 P2 A2 Loop B1 P1 A1 B2 P2 A2 End Done");

    // Without doLoop, or without doAnimate, one pass (one frame).
    std::vector<FrameTiming> thrice = Frames(2);
    thrice[0].loops = 3;
    Played no_loop(thrice, doAnimate, 100, true);
    EXPECT_EQ(Steps(no_loop), "Start B0 P0 A0 B1 P1 A1 End Done");
    Played still(thrice, doLoop, 100, true);
    EXPECT_EQ(Steps(still), "Start B0 P0 A0 End Done");
}

TEST(AnimationTimeline, AnAfterFrameHandlerJumps) {
    Played played(Frames(3), kPlay, 100, true);
    std::string out;
    bool jumped = false;
    for (int i = 0; i < 40; ++i) {
        const AnimationStep step = played.timeline->Next();
        if (step.action == A::Done) break;
        if (step.action == A::Paint) out += std::to_string(step.frame);
        if (step.action == A::AfterFrame && step.frame == 1 && !jumped) {
            jumped = true;
            played.timeline->SetActiveImage(0);
        }
    }
    EXPECT_EQ(out, "01012");
    // A jump outside the frames ends the pass.
    Played outside(Frames(3), kPlay, 100, true);
    std::string steps;
    for (int i = 0; i < 40; ++i) {
        const AnimationStep step = outside.timeline->Next();
        if (step.action == A::Wait) continue;
        steps += Name(step) + " ";
        if (step.action == A::Done) break;
        if (step.action == A::AfterFrame) outside.timeline->SetActiveImage(-7);
    }
    EXPECT_EQ(steps, "Start B0 P0 A0 End Done ");
}

TEST(AnimationTimeline, EmptyFramesEndThePassAndAnEmptyPassEnds) {
    std::vector<FrameTiming> frames = Frames(3);
    frames[1].empty = true;
    frames[0].loops = 2;
    Played cut(frames, kPlay, 100, true);
    EXPECT_EQ(Steps(cut), "Start B0 P0 A0 Loop B0 P0 A0 End Done");

    // Looping forever from an empty frame would show nothing, without end.
    std::vector<FrameTiming> hollow = Frames(2);
    hollow[0].empty = true;
    Played spin(hollow, kPlay | doLoopForever, 100, true);
    EXPECT_EQ(Steps(spin), "Start End Done");
}

TEST(AnimationTimeline, AStoppedAnimationRaisesNothingMore) {
    for (int stop_at = 0; stop_at < 12; ++stop_at) {
        std::vector<FrameTiming> frames = Frames(2);
        frames[0].loops = 2;
        Played played(frames, kPlay, 100, true);
        std::vector<std::string> seen;
        for (int i = 0; i < 40; ++i) {
            if (i == stop_at) played.timeline->Stop();
            const AnimationStep step = played.timeline->Next();
            seen.push_back(Name(step));
            if (step.action == A::Done) break;
        }
        SCOPED_TRACE(stop_at);
        EXPECT_EQ(seen.back(), "Done");
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "End"), 0);
        EXPECT_EQ(seen.size(), static_cast<size_t>(stop_at + 1));
    }
}

// Hand-made strips one pixel high: letters stand for colours.
const std::map<char, platform::Color> kColors = {
    {'R', platform::MakeColor(255, 0, 0)}, {'G', platform::MakeColor(0, 255, 0)},
    {'B', platform::MakeColor(0, 0, 255)}, {'Y', platform::MakeColor(255, 255, 0)},
    {'U', platform::MakeColor(9, 8, 7)},   {'K', platform::MakeColor(40, 50, 60)},
};
// The frames' table: R G B, and Y at the transparent index.
const std::vector<platform::Color> kTable = {kColors.at('R'), kColors.at('G'), kColors.at('B'),
                                             kColors.at('Y')};

std::string Letters(const platform::Bitmap& picture) {
    std::string out;
    for (int32_t x = 0; x < picture.Width(); ++x) {
        const platform::Color c = AnimationComposer::ColorAt(picture, x, 0);
        char letter = '?';
        for (const auto& [name, color] : kColors)
            if (color == c) letter = name;
        out += letter;
    }
    return out;
}

// Adds a strip frame: `text` at `left`, '.' for the transparent index 3.
void Strip(TGIFImage& image, int32_t left, const std::string& text, uint8_t disposal) {
    const std::string indices = "RGB.";
    TGIFSubImage& frame = gif_testing::AddFrame(
        image, left, 0, static_cast<int32_t>(text.size()), 1, kTable,
        [&](int32_t x, int32_t) {
            return static_cast<uint8_t>(indices.find(text[static_cast<size_t>(x)]));
        },
        uint8_t{3});
    frame.GraphicControlExtension()->SetDisposal(disposal);
}

// A bitmap of the picture's screen in one colour.
platform::Bitmap Filled(const TGIFImage& image, platform::Color color) {
    platform::Bitmap under(image.Width(), image.Height());
    under.Fill(color);
    return under;
}

// What the composer shows after each frame of one pass, K being the
// background colour and U what lies under the picture.
std::vector<std::string> Compose(TGIFImage& image, uint16_t options) {
    image.SetDrawBackgroundColor(kColors.at('K'));
    const AnimationPlan plan = PlanAnimation(image);
    AnimationComposer composer(plan, options, Filled(image, kColors.at('U')));
    // One pass.
    const auto once = static_cast<uint16_t>(options & ~uint16_t{doLoop});
    AnimationTimeline timeline(plan.timings, once, 100, true, [] { return 0; });
    std::vector<std::string> shown;
    for (AnimationStep step = timeline.Next(); step.action != A::Done; step = timeline.Next()) {
        if (step.action != A::Paint) continue;
        composer.Paint(image, step.frame, timeline.Disposal(), timeline.PreviousDisposal(),
                       (options & doClearOnStart) != 0 && step.frame == 0);
        shown.push_back(Letters(composer.Shown()));
    }
    return shown;
}

using Strips = std::vector<std::string>;

TEST(AnimationComposer, DisposalMethodsOnStrips) {
    struct Case {
        const char* name;
        std::vector<std::tuple<int32_t, std::string, uint8_t>> frames;
        uint16_t options;
        Strips shown;
    };
    const Case cases[] = {
        {"left in place", {{0, "RRRR", 1}, {1, "GG", 1}}, kPlay, {"RRRR", "RGGR"}},
        {"none given", {{0, "RRRR", 0}, {1, "GG", 0}}, kPlay, {"RRRR", "RGGR"}},
        {"transparent over the last", {{0, "RRRR", 1}, {0, "..GG", 1}}, kPlay, {"RRRR", "RRGG"}},
        {"holes drawn opaque", {{0, "RRRR", 1}, {0, "..GG", 1}}, doAnimate, {"RRRR", "YYGG"}},
        {"background, transparent: what was under",
         {{0, "RRRR", 2}, {1, "GG", 1}},
         kPlay,
         {"RRRR", "UGGU"}},
        {"background, opaque: its colour",
         {{0, "RRRR", 2}, {1, "GG", 1}},
         doAnimate,
         {"RRRR", "KGGK"}},
        {"background of a part", {{0, "RRRR", 1}, {1, "G.", 2}, {3, "B", 1}}, kPlay,
         {"RRRR", "RGRR", "RUUB"}},
        {"previous after left in place",
         {{0, "RRRR", 1}, {1, "GG", 3}, {0, "B", 1}},
         kPlay,
         {"RRRR", "RGGR", "BRRR"}},
        {"previous after background",
         {{0, "RRRR", 2}, {1, "GG", 3}, {3, "B", 1}},
         kPlay,
         {"RRRR", "UGGU", "UUUB"}},
        {"previous twice running",
         {{0, "RRRR", 1}, {0, "G", 3}, {1, "B", 3}, {3, "G", 1}},
         kPlay,
         {"RRRR", "GRRR", "RBRR", "RRRG"}},
        {"previous first", {{0, "R.R.", 3}, {1, "GG", 1}}, kPlay, {"RURU", "UGGU"}},
        {"reserved codes stay", {{0, "RRRR", 5}, {1, "GG", 7}, {0, "B", 2}}, kPlay,
         {"RRRR", "RGGR", "BGGR"}},
        {"clear on start", {{1, "GG", 1}, {2, "B", 1}}, kPlay | doClearOnStart, {"UGGU", "UGBU"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGIFImage image;
        for (const auto& [left, text, disposal] : c.frames) Strip(image, left, text, disposal);
        image.Header().SetLogicalScreenWidth(4);
        image.Header().SetLogicalScreenHeight(1);
        EXPECT_EQ(Compose(image, c.options), c.shown);
    }
}

TEST(AnimationPlan, TimingsTransparencyDisposalsAndTheBackground) {
    TGIFImage image;
    Strip(image, 0, "RR.R", 2);
    Strip(image, 0, "GG", 3);
    image.Images().SubImages(1)->GraphicControlExtension()->SetTransparent(false);
    image.Images().SubImages(0)->GraphicControlExtension()->SetDelay(7);
    AnimationPlan plan = PlanAnimation(image);
    EXPECT_EQ(plan.transparent, (std::vector<int16_t>{3, -1}));
    EXPECT_EQ(plan.disposals, (1u << 2) | (1u << 3));
    ASSERT_EQ(plan.timings.size(), 2u);
    EXPECT_EQ(plan.timings[0].delay, 7);
    EXPECT_EQ(plan.timings[1].disposal, 3);

    // Without a colour of its own or a global table: the window's colour, as
    // the desktop's theme gives it now.
    platform::SetSystemColorResolver([](platform::SystemColor role) {
        return role == platform::SystemColor::Window ? platform::MakeColor(1, 2, 3)
                                                     : platform::MakeColor(4, 5, 6);
    });
    EXPECT_EQ(PlanAnimation(image).background, platform::MakeColor(1, 2, 3));
    // A system colour given as the picture's is resolved too.
    image.SetDrawBackgroundColor(platform::kBtnFace);
    EXPECT_EQ(PlanAnimation(image).background, platform::MakeColor(4, 5, 6));
    platform::SetSystemColorResolver(nullptr);
    // The file's background: its index in the global table, black beyond it.
    image.SetDrawBackgroundColor(kColorNone);
    image.GetGlobalColorMap().Add(kColors.at('K'));
    image.GetGlobalColorMap().Add(kColors.at('Y'));
    image.Header().SetBackgroundColorIndex(1);
    EXPECT_EQ(PlanAnimation(image).background, kColors.at('Y'));
    image.Header().SetBackgroundColorIndex(9);
    EXPECT_EQ(PlanAnimation(image).background, platform::kBlack);
    // A colour of the picture's own wins.
    image.SetDrawBackgroundColor(kColors.at('B'));
    EXPECT_EQ(PlanAnimation(image).background, kColors.at('B'));
}

TEST(AnimationComposer, AComposingCalledOffStopsAtOnce) {
    TGIFImage image;
    gif_testing::AddFrame(image, 0, 0, 8, 100, kTable, [](int32_t, int32_t) { return uint8_t{1}; });
    const AnimationPlan plan = PlanAnimation(image);
    AnimationComposer composer(plan, kPlay, Filled(image, kColors.at('U')));
    const std::atomic<bool> cancel{true};
    composer.Paint(image, 0, 1, 1, false, &cancel);
    EXPECT_EQ(Letters(composer.Shown()), "UUUUUUUU");
    composer.Paint(image, 0, 1, 1, false);
    EXPECT_EQ(Letters(composer.Shown()), "GGGGGGGG");
}

TEST(AnimationComposer, FramesOutsideTheScreenAreCut) {
    TGIFImage image;
    Strip(image, 0, "RRRR", 2);
    Strip(image, 2, "GGGG", 2);
    image.Header().SetLogicalScreenWidth(4);
    image.Header().SetLogicalScreenHeight(1);
    EXPECT_EQ(Compose(image, kPlay), (Strips{"RRRR", "UUGG"}));
}

// Every animation of the suite: the picture shown after each frame of the
// first pass is the suite's, the backdrop showing where it has no colour.
TEST(AnimationComposer, TheSuiteShowsItsExpectedFrames) {
    REQUIRE_PROGRAM("convert");
    const platform::Color backdrop = platform::MakeColor(1, 2, 3);
    int checked = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(testing_support::TestData("gif-suite/gifs"))) {
        if (entry.path().extension() != ".gif") continue;
        const std::string name = entry.path().stem().string();
        if (name.rfind("animated", 0) != 0) continue;
        SCOPED_TRACE(name);
        gif_testing::Loaded loaded = gif_testing::Load(gif_testing::SuiteFile(name));
        const TGIFImage& image = *loaded.image;
        const AnimationPlan plan = PlanAnimation(image);
        AnimationComposer composer(plan, kDefaultDrawOptions, Filled(image, backdrop));
        AnimationTimeline timeline(plan.timings,
                                   static_cast<uint16_t>(kDefaultDrawOptions & ~uint16_t{doLoop}),
                                   100, true, [] { return 0; });
        int32_t painted = 0;
        for (AnimationStep step = timeline.Next(); step.action != A::Done; step = timeline.Next()) {
            if (step.action != A::Paint) continue;
            composer.Paint(image, step.frame, timeline.Disposal(), timeline.PreviousDisposal(),
                           false);
            const std::string png = testing_support::Output(
                "convert " +
                testing_support::ShellQuote((entry.path().parent_path() / "frames" /
                                             (name + "-" + std::to_string(step.frame) + ".png"))
                                                .string()) +
                " -depth 8 rgba:-");
            ASSERT_EQ(png.size(), static_cast<size_t>(4 * image.Width() * image.Height()));
            int32_t mismatches = 0;
            for (int32_t y = 0; y < image.Height(); ++y) {
                for (int32_t x = 0; x < image.Width(); ++x) {
                    const auto* p = reinterpret_cast<const uint8_t*>(png.data()) +
                                    static_cast<size_t>(y * image.Width() + x) * 4;
                    const platform::Color want =
                        p[3] == 0 ? backdrop : platform::MakeColor(p[0], p[1], p[2]);
                    mismatches += AnimationComposer::ColorAt(composer.Shown(), x, y) != want;
                }
            }
            EXPECT_EQ(mismatches, 0) << "frame " << step.frame;
            ++painted;
        }
        EXPECT_EQ(painted, image.Images().Count());
        // The frames were read where the picture keeps them: no bitmap was
        // made for them.
        for (int32_t i = 0; i < image.Images().Count(); ++i)
            EXPECT_FALSE(image.Images().SubImages(i)->HasBitmap()) << i;
        ++checked;
    }
    EXPECT_EQ(checked, 11);
}

}  // namespace
}  // namespace gif
