// GIF pictures drawing themselves: frame 0 off the screen, painters on it,
// threaded (real threads, the test's thread serving their calls) and on the
// timers of a clock the test moves; what they paint, the events they raise,
// how every change of the picture stops them first, and how they end when
// stopped, when their canvas goes or when they fail. Run also under
// ThreadSanitizer by its own stage of scripts/test.
#include "gif/gif_painter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gif/extensions.h"
#include "gif/gif_image.h"
#include "gif/optimize.h"
#include "gif_test_support.h"
#include "main_thread.h"
#include "manual_timers.h"
#include "platform/core/error.h"

namespace gif {
namespace {

using namespace std::chrono_literals;
using testing_support::Failures;
using testing_support::ManualTimers;
using testing_support::ServeFor;
using testing_support::ServeUntil;

const platform::Color kRed = platform::MakeColor(255, 0, 0);
const platform::Color kGreen = platform::MakeColor(0, 255, 0);
const platform::Color kBlue = platform::MakeColor(0, 0, 255);
const std::vector<platform::Color> kTable = {kRed, kGreen, kBlue, platform::MakeColor(9, 9, 9)};

constexpr uint16_t kUnthreaded = kDefaultDrawOptions & ~uint16_t{doThreaded};

// `frames` frames of size x size pixels, red, green, blue and again, each
// `delay` hundredths, with a transparent index no pixel uses; a loop
// extension of `loops` when given.
std::unique_ptr<TGIFImage> Animation(int frames, uint16_t delay,
                                     std::optional<uint16_t> loops = std::nullopt,
                                     int32_t size = 4) {
    auto image = std::make_unique<TGIFImage>();
    for (int i = 0; i < frames; ++i) {
        TGIFSubImage& frame = gif_testing::AddFrame(
            *image, 0, 0, size, size, kTable,
            [i](int32_t, int32_t) { return static_cast<uint8_t>(i % 3); }, uint8_t{3});
        frame.GraphicControlExtension()->SetDelay(delay);
        if (i == 0 && loops) {
            auto loop = std::make_unique<TGIFAppExtNSLoop>(frame);
            loop->Loops = *loops;
            frame.Extensions().Add(std::move(loop));
        }
    }
    return image;
}

char Letter(const platform::Bitmap& bitmap, int32_t x, int32_t y) {
    uint8_t bgr[3];
    bitmap.ReadBgr(y, x, 1, bgr);
    const platform::Color c = platform::MakeColor(bgr[2], bgr[1], bgr[0]);
    return c == kRed               ? 'R'
           : c == kGreen           ? 'G'
           : c == kBlue            ? 'B'
           : c == platform::kWhite ? 'W'
                                   : '?';
}

// A bitmap with a canvas over it, on a screen unless said otherwise, white.
struct Screen {
    platform::Bitmap bitmap;
    platform::Canvas canvas{bitmap};
    explicit Screen(int32_t width = 4, int32_t height = 4, bool on_screen = true)
        : bitmap(width, height) {
        canvas.SetOnScreen(on_screen);
    }
    char At(int32_t x = 0, int32_t y = 0) const { return Letter(bitmap, x, y); }
    std::string Row(int32_t y) const {
        std::string row;
        for (int32_t x = 0; x < bitmap.Width(); ++x) row += At(x, y);
        return row;
    }
};

// The events of the picture's painters, and the frame its buffer shows at
// each change.
struct Recorder {
    std::string events;
    std::string shown;
    void Attach(TGIFImage& image) {
        image.OnAnimationStart = [this](TGIFPainter&) { events += "Start "; };
        image.OnBeforeFrame = [this](TGIFPainter&) { events += "B "; };
        image.OnAfterFrame = [this](TGIFPainter&) { events += "A "; };
        image.OnAnimationLoop = [this](TGIFPainter&) { events += "Loop "; };
        image.OnAnimationEnd = [this](TGIFPainter&) { events += "End"; };
        image.OnChange = [this](platform::Graphic& graphic) {
            const platform::Bitmap* buffer = static_cast<TGIFImage&>(graphic).GetBitmap();
            if (buffer != nullptr) shown += Letter(*buffer, 0, 0);
        };
    }
};

size_t PainterCount(const TGIFImage& image) {
    const auto lock = image.Painters().LockList();
    return image.Painters().Items().size();
}

const platform::Rect kWhole{0, 0, 4, 4};

TEST(GIFPainter, FrameZeroOffTheScreenAnAnimationOnIt) {
    Recorder recorder;
    const auto image = Animation(3, 1, uint16_t{2});
    recorder.Attach(*image);

    // A print, a thumbnail: frame 0, no painter.
    Screen paper(4, 4, false);
    image->Draw(paper.canvas, kWhole);
    EXPECT_EQ(paper.At(), 'R');
    EXPECT_EQ(PainterCount(*image), 0u);
    // One frame, or doAnimate clear: still.
    Screen screen;
    const auto still = Animation(1, 1);
    still->Draw(screen.canvas, kWhole);
    EXPECT_EQ(PainterCount(*still), 0u);
    image->SetDrawOptions(kDefaultDrawOptions & ~uint16_t{doAnimate});
    image->Draw(screen.canvas, kWhole);
    EXPECT_EQ(PainterCount(*image), 0u);
    image->SetDrawOptions(kDefaultDrawOptions);

    // On a screen it plays, the first frame there when Draw returns.
    image->Draw(screen.canvas, kWhole);
    EXPECT_EQ(screen.At(), 'R');
    ASSERT_NE(image->DrawPainter(), nullptr);
    ASSERT_TRUE(ServeUntil([&] { return recorder.events.ends_with("End"); }));
    EXPECT_EQ(recorder.events, "Start B A B A B A Loop B A B A B A End");
    EXPECT_EQ(recorder.shown, "RGBRGB");
    ASSERT_TRUE(ServeUntil([&] { return PainterCount(*image) == 0; }));
    EXPECT_EQ(image->DrawPainter(), nullptr);
    // The frames were read where the picture keeps them (frame 0 was drawn
    // still on the paper).
    for (int32_t i = 1; i < image->Images().Count(); ++i)
        EXPECT_FALSE(image->Images().SubImages(i)->HasBitmap()) << i;
    // Drawn again, the buffer shows the last frame; nothing starts again.
    image->Draw(screen.canvas, kWhole);
    EXPECT_EQ(screen.At(), 'B');
    EXPECT_EQ(PainterCount(*image), 0u);
}

TEST(GIFPainter, UnthreadedItRunsOnTheTimersWithItsOwnTimings) {
    ManualTimers timers;
    Recorder recorder;
    const auto image = Animation(4, 0);
    image->Images().SubImages(1)->GraphicControlExtension()->SetDelay(2);
    image->Images().SubImages(2)->GraphicControlExtension()->SetDelay(5000);
    image->SetDrawOptions(kUnthreaded);
    recorder.Attach(*image);
    Screen screen;
    image->Draw(screen.canvas, kWhole);
    // Draw does not wait: what was under the picture shows until the first
    // frame, one unit later.
    EXPECT_EQ(screen.At(), 'W');
    ASSERT_NE(image->DrawPainter(), nullptr);
    std::vector<int64_t> waits;
    while (const std::optional<int64_t> wait = timers.NextWait()) {
        waits.push_back(*wait);
        // Each wait runs 10 ms late: half of it comes off the next.
        timers.FireNext(10);
    }
    // No delay waits 10 units, 2 units are raised to 3, 5000 cut to 1000.
    EXPECT_EQ(waits, (std::vector<int64_t>{12, 115, 31, 11995}));
    EXPECT_EQ(recorder.shown, "RGBR");
    EXPECT_EQ(recorder.events, "Start B A B A B A B A End");
    EXPECT_EQ(image->DrawPainter(), nullptr);
    EXPECT_EQ(PainterCount(*image), 0u);

    // Twice as fast: half the waits.
    const auto faster = Animation(2, 5);
    faster->SetDrawOptions(kUnthreaded);
    faster->SetAnimationSpeed(200);
    faster->Draw(screen.canvas, kWhole);
    waits.clear();
    while (const std::optional<int64_t> wait = timers.NextWait()) {
        waits.push_back(*wait);
        timers.FireNext();
    }
    EXPECT_EQ(waits, (std::vector<int64_t>{6, 30}));
}

TEST(GIFPainter, AnAfterFrameHandlerJumpsBackOnce) {
    for (const bool threaded : {true, false}) {
        SCOPED_TRACE(threaded ? "threaded" : "on the timers");
        ManualTimers timers;
        const auto image = Animation(3, 1);
        if (!threaded) image->SetDrawOptions(kUnthreaded);
        std::string frames;
        bool jumped = false;
        image->OnAfterFrame = [&](TGIFPainter& painter) {
            frames += std::to_string(painter.ActiveImage());
            if (painter.ActiveImage() == 1 && !jumped) {
                jumped = true;
                painter.SetActiveImage(0);
            }
        };
        Screen screen;
        image->Draw(screen.canvas, kWhole);
        ASSERT_TRUE(ServeUntil([&] {
            timers.FireNext();
            return PainterCount(*image) == 0;
        }));
        EXPECT_EQ(frames, "01012");
        EXPECT_EQ(Letter(*image->GetBitmap(), 0, 0), 'B');
    }
}

TEST(GIFPainter, TwoCanvasesRunTwoPaintersAndStopDrawEndsBoth) {
    // Loops 0: without end.
    const auto image = Animation(3, 1, uint16_t{0});
    Screen first;
    Screen second;
    image->Draw(first.canvas, kWhole);
    TGIFPainter* other = nullptr;
    ASSERT_NE(
        image->StartPainter(&other, second.canvas, kWhole, kDefaultDrawOptions | doDirectPaint),
        nullptr);
    other->Start();
    EXPECT_EQ(PainterCount(*image), 2u);
    ASSERT_TRUE(ServeUntil([&] { return second.At() == 'G'; }));
    image->StopDraw();
    EXPECT_EQ(PainterCount(*image), 0u);
    EXPECT_EQ(image->DrawPainter(), nullptr);
    EXPECT_EQ(other, nullptr);
    const std::string shown = second.Row(0);
    ServeFor(100ms);
    EXPECT_EQ(second.Row(0), shown);
}

// The changes of a picture while painters play it: each stops them (or, for
// FreeBitmap, the painter of Draw) before it touches the frames.
TEST(GIFPainter, ChangingThePictureWhilePlayingStopsItsPaintersFirst) {
    using Change = std::function<void(std::unique_ptr<TGIFImage>&)>;
    const std::vector<std::pair<std::string, Change>> changes = {
        {"Clear", [](auto& image) { image->Clear(); }},
        {"FreeBitmap", [](auto& image) { image->FreeBitmap(); }},
        {"Optimize", [](auto& image) { image->Optimize(opCrop | opCleanup, 0, 0, 8); }},
        {"Add",
         [](auto& image) {
             gif_testing::AddFrame(*image, 0, 0, 4, 4, kTable,
                                   [](int32_t, int32_t) { return uint8_t{2}; });
         }},
        {"Assign", [](auto& image) { image->Assign(*Animation(2, 1)); }},
        {"destruction", [](auto& image) { image.reset(); }},
    };
    for (const bool threaded : {true, false}) {
        for (const auto& [name, change] : changes) {
            SCOPED_TRACE(name + (threaded ? " threaded" : " on the timers"));
            ManualTimers timers;
            Failures failures;
            // As fast as it goes, without end, big enough for a frame to take
            // a while.
            auto image = Animation(3, 0, uint16_t{0}, 120);
            image->SetAnimationSpeed(-1);
            if (!threaded) image->SetDrawOptions(kUnthreaded);
            Screen screen;
            image->Draw(screen.canvas, {0, 0, 120, 120});
            // A second painter, not Draw's, paints directly.
            Screen beside;
            TGIFPainter* other = nullptr;
            image->StartPainter(&other, beside.canvas, kWhole,
                                image->DrawOptions() | doDirectPaint);
            if (other != nullptr) other->Start();
            ServeFor(20ms);
            timers.FireNext();
            change(image);
            if (name == "FreeBitmap") {
                // Only the painter of Draw was told to stop.
                ASSERT_TRUE(ServeUntil([&] { return image->DrawPainter() == nullptr; }));
                image->StopDraw();
            }
            if (image) {
                EXPECT_EQ(PainterCount(*image), 0u);
            }
            EXPECT_EQ(other, nullptr);
            ServeFor(20ms);
            timers.FireNext();
            EXPECT_TRUE(failures.messages.empty());
        }
    }
}

TEST(GIFPainter, TiledCompositionsAreTheScreenRepeatedFromTheRectanglesCorner) {
    ManualTimers timers;
    // A screen of 2 x 1: red and green, disposed to what lies under it, then
    // blue on the right over that.
    TGIFImage image;
    gif_testing::AddFrame(
        image, 0, 0, 2, 1, kTable, [](int32_t x, int32_t) { return static_cast<uint8_t>(x); },
        uint8_t{3})
        .GraphicControlExtension()
        ->SetDisposal(2);
    gif_testing::AddFrame(
        image, 1, 0, 1, 1, kTable, [](int32_t, int32_t) { return uint8_t{2}; }, uint8_t{3});
    // Painted straight on the canvas, tiled over the rectangle and only
    // within it.
    image.SetDrawOptions(doAnimate | doTransparent | doDirectPaint | doTile);
    Screen screen(6, 2);
    image.Draw(screen.canvas, {1, 0, 6, 2});
    timers.FireNext();
    EXPECT_EQ(screen.Row(0), "WRGRGR");
    EXPECT_EQ(screen.Row(1), "WRGRGR");
    timers.FireNext();
    EXPECT_EQ(screen.Row(0), "WWBWBW");
    EXPECT_EQ(screen.Row(1), "WWBWBW");
    EXPECT_FALSE(timers.FireNext());

    // Through the buffer: copies of the whole screen from the corner, the
    // last one reaching past the rectangle.
    image.SetDrawOptions(doAnimate | doTransparent | doTile);
    Screen wide(6, 1);
    image.Draw(wide.canvas, {0, 0, 3, 1});
    timers.FireNext();
    image.Draw(wide.canvas, {0, 0, 3, 1});
    EXPECT_EQ(wide.Row(0), "RGRGWW");
    timers.FireNext();
    image.Draw(wide.canvas, {0, 0, 3, 1});
    EXPECT_EQ(wide.Row(0), "WBWBWW");
}

// The nice value of thread `id` of this process.
int NiceOf(pid_t id) {
    std::ifstream stat("/proc/self/task/" + std::to_string(id) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command's name, the state (field 3) first; the
    // nice value is field 19.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 19; ++i) fields >> field;
    return std::stoi(field);
}

TEST(GIFPainter, ThreadPriorityIsTheWorkersNiceValue) {
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    ASSERT_EQ(errno, 0);
    // Whether this process may raise a thread's priority.
    bool may_raise = false;
    std::thread([&] { may_raise = setpriority(PRIO_PROCESS, 0, base - 1) == 0; }).join();
    const struct {
        uint8_t priority;
        int nice;
    } rows[] = {{1, base + 10}, {2, base + 5}, {3, base}, {4, may_raise ? base - 5 : base}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.priority));
        // Speed 0 holds the first frame until stopped.
        const auto image = Animation(2, 1);
        image->SetAnimationSpeed(0);
        image->SetThreadPriority(row.priority);
        Screen screen;
        image->Draw(screen.canvas, kWhole);
        ASSERT_NE(image->DrawPainter(), nullptr);
        const pid_t id = image->DrawPainter()->PainterThread()->Id();
        ASSERT_NE(id, 0);
        EXPECT_EQ(NiceOf(id), std::clamp(row.nice, -20, 19));
        ServeFor(50ms);
        EXPECT_EQ(screen.At(), 'R');
    }
}

TEST(GIFPainter, APainterWhoseCanvasGoesEndsQuietly) {
    for (const bool threaded : {true, false}) {
        SCOPED_TRACE(threaded ? "threaded" : "on the timers");
        ManualTimers timers;
        Failures failures;
        const auto image = Animation(3, 1, uint16_t{0});
        image->SetDrawOptions((threaded ? kDefaultDrawOptions : kUnthreaded) | doDirectPaint);
        auto screen = std::make_unique<Screen>();
        image->Draw(screen->canvas, kWhole);
        ASSERT_TRUE(ServeUntil([&] {
            timers.FireNext();
            return screen->At() == 'G';
        }));
        screen.reset();
        ASSERT_TRUE(ServeUntil([&] {
            timers.FireNext();
            return PainterCount(*image) == 0;
        }));
        EXPECT_EQ(image->DrawPainter(), nullptr);
        EXPECT_TRUE(failures.messages.empty());
    }
}

TEST(GIFPainter, ValidatingTheCanvasEndsAComposingPainterOffTheScreen) {
    // Composed (a frame is disposed to the background), into the buffer,
    // which is no screen: it ends at its first frame, which is not painted.
    Recorder recorder;
    const auto composed = Animation(3, 1, uint16_t{0});
    composed->Images().SubImages(0)->GraphicControlExtension()->SetDisposal(2);
    composed->SetDrawOptions(kDefaultDrawOptions | doValidateCanvas);
    recorder.Attach(*composed);
    Screen screen;
    composed->Draw(screen.canvas, kWhole);
    ASSERT_TRUE(ServeUntil([&] { return PainterCount(*composed) == 0; }));
    EXPECT_EQ(screen.At(), 'W');
    EXPECT_EQ(recorder.events, "Start B ");
    // Not composed: the check is not made.
    const auto plain = Animation(3, 1, uint16_t{0});
    plain->SetDrawOptions(kDefaultDrawOptions | doValidateCanvas);
    plain->Draw(screen.canvas, kWhole);
    EXPECT_EQ(screen.At(), 'R');
    EXPECT_NE(plain->DrawPainter(), nullptr);
}

TEST(GIFPainter, AFailureInAHandlerEndsTheAnimationAndIsReportedOnce) {
    for (const bool threaded : {true, false}) {
        SCOPED_TRACE(threaded ? "threaded" : "on the timers");
        ManualTimers timers;
        Failures failures;
        const auto image = Animation(3, 1, uint16_t{0});
        if (!threaded) image->SetDrawOptions(kUnthreaded);
        bool ended = false;
        image->OnAfterFrame = [](TGIFPainter& painter) {
            if (painter.ActiveImage() == 1) {
                throw platform::Error(platform::ErrorKind::Message, "Échec de l'animation");
            }
        };
        image->OnAnimationEnd = [&ended](TGIFPainter&) { ended = true; };
        Screen screen;
        image->Draw(screen.canvas, kWhole);
        ASSERT_TRUE(ServeUntil([&] {
            timers.FireNext();
            return PainterCount(*image) == 0;
        }));
        EXPECT_EQ(failures.messages, std::vector<std::string>{"Échec de l'animation"});
        EXPECT_FALSE(ended);
    }
}

TEST(GIFPainter, DrawsWithinADrawAndAgainOnTheSamePlaceChangeNothing) {
    const auto image = Animation(3, 1, uint16_t{0});
    Screen screen;
    Screen beside;
    // Drawn again from a handler while Draw waits for the first frame.
    image->OnAnimationStart = [&](TGIFPainter&) { image->Draw(beside.canvas, kWhole); };
    image->Draw(screen.canvas, kWhole);
    EXPECT_EQ(beside.At(), 'W');
    EXPECT_EQ(PainterCount(*image), 1u);
    image->StopDraw();
    // Painting directly: a second Draw on the same canvas and rectangle.
    image->OnAnimationStart = nullptr;
    image->SetDrawOptions(kDefaultDrawOptions | doDirectPaint);
    image->Draw(screen.canvas, kWhole);
    TGIFPainter* const painter = image->DrawPainter();
    image->Draw(screen.canvas, kWhole);
    EXPECT_EQ(image->DrawPainter(), painter);
    EXPECT_EQ(PainterCount(*image), 1u);
    // Elsewhere on it: the painter of Draw moves there.
    image->Draw(screen.canvas, {0, 0, 2, 2});
    EXPECT_NE(image->DrawPainter(), nullptr);
    EXPECT_EQ(image->DrawPainter()->Rect(), (platform::Rect{0, 0, 2, 2}));
    EXPECT_EQ(PainterCount(*image), 1u);
}

TEST(GIFPainter, SpeedZeroHoldsTheFirstFrameUntilStopped) {
    Recorder recorder;
    const auto image = Animation(2, 5);
    image->SetAnimationSpeed(0);
    recorder.Attach(*image);
    Screen screen;
    image->Draw(screen.canvas, kWhole);
    ServeFor(100ms);
    EXPECT_EQ(recorder.shown, "R");
    image->StopDraw();
    EXPECT_EQ(PainterCount(*image), 0u);
    EXPECT_EQ(recorder.events.find("End"), std::string::npos);
}

TEST(GIFPainter, StartStopAndDestroyCyclesLeaveNothingBehind) {
    ManualTimers timers;
    Failures failures;
    auto alive = std::make_shared<bool>(false);
    int painted = 0;
    for (int cycle = 0; cycle < 300; ++cycle) {
        auto image = Animation(3, 0, uint16_t{0});
        image->SetAnimationSpeed(-1);
        if (cycle % 4 == 3) image->SetDrawOptions(kUnthreaded);
        *alive = true;
        image->OnAfterFrame = [alive, &painted](TGIFPainter&) {
            EXPECT_TRUE(*alive);
            ++painted;
        };
        Screen screen;
        image->Draw(screen.canvas, kWhole);
        if (cycle % 3 == 0) platform::CheckSynchronize();
        if (cycle % 5 == 1) timers.FireNext();
        switch (cycle % 4) {
            case 0:
                image->StopDraw();
                break;
            case 1:
                image->FreeBitmap();
                break;
            case 2:
                image->Clear();
                break;
            default:
                break;
        }
        image.reset();
        *alive = false;
        // Calls queued before the end must find the painters gone.
        if (cycle % 7 == 0) platform::CheckSynchronize();
    }
    ServeFor(50ms);
    EXPECT_TRUE(failures.messages.empty());
    SUCCEED() << painted << " frames painted";
}

}  // namespace
}  // namespace gif
