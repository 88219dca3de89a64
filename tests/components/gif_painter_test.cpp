// The animation painter's life with real threads: what it shows and raises,
// that nothing arrives once it is stopped or gone, that stopping never hangs,
// and the display starting and stopping it as its picture comes and goes.
// Run also under ThreadSanitizer by its own stage of scripts/test.
#include "components/gif_painter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "components/image_brenlow.h"
#include "gif/extensions.h"
#include "gif_test_support.h"
#include "platform/core/error.h"
#include "platform/ui/thread.h"
#include "scripted_dialogs.h"
#include "test_support.h"

namespace components {
namespace {

using namespace std::chrono_literals;

const std::vector<platform::Color> kTable = {platform::MakeColor(255, 0, 0),
                                             platform::MakeColor(0, 255, 0),
                                             platform::MakeColor(0, 0, 255),
                                             platform::MakeColor(9, 9, 9)};

// Frames of 4 x 4 pixels of red, green and blue, then again, each waiting
// `delay` hundredths, with a transparent index no pixel uses; a loop
// extension of `loops` when given.
std::unique_ptr<gif::TGIFImage> Animation(int frames, uint16_t delay,
                                          std::optional<uint16_t> loops = std::nullopt) {
    auto image = std::make_unique<gif::TGIFImage>();
    for (int i = 0; i < frames; ++i) {
        gif::TGIFSubImage& frame = gif_testing::AddFrame(
            *image, 0, 0, 4, 4, kTable,
            [i](int32_t, int32_t) { return static_cast<uint8_t>(i % 3); }, uint8_t{3});
        frame.GraphicControlExtension()->SetDelay(delay);
        if (i == 0 && loops) {
            auto loop = std::make_unique<gif::TGIFAppExtNSLoop>(frame);
            loop->Loops = *loops;
            frame.Extensions().Add(std::move(loop));
        }
    }
    return image;
}

// Runs the user interface until `done`, for 10 s at most (a guard against a
// hang, not a measure).
template <typename Done>
bool RunUntil(Done done) {
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void RunFor(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
}

char Letter(const QImage& picture) {
    const QRgb p = picture.pixel(0, 0);
    return p == qRgb(255, 0, 0) ? 'R' : p == qRgb(0, 255, 0) ? 'G' : p == qRgb(0, 0, 255) ? 'B' : '?';
}

struct Recorder {
    std::string events;
    std::string shown;
    void Attach(TGIFPainter& painter) {
        painter.OnAnimationStart = [this](TGIFPainter&) { events += "Start "; };
        painter.OnBeforeFrame = [this](TGIFPainter&) { events += "B "; };
        painter.OnAfterFrame = [this](TGIFPainter&) { events += "A "; };
        painter.OnAnimationLoop = [this](TGIFPainter&) { events += "Loop "; };
        painter.OnAnimationEnd = [this](TGIFPainter&) { events += "End"; };
    }
    TGIFPainter::ShowEvent Show() {
        return [this](QImage picture) { shown += Letter(picture); };
    }
};

TEST(GIFPainter, ShowsEveryFrameAndRaisesItsEventsInOrder) {
    const auto image = Animation(3, 1, uint16_t{2});
    Recorder recorder;
    TGIFPainter painter(*image, platform::kWhite, recorder.Show());
    recorder.Attach(painter);
    painter.Start();
    ASSERT_TRUE(RunUntil([&] { return recorder.events.ends_with("End"); }));
    EXPECT_EQ(recorder.events, "Start B A B A B A Loop B A B A B A End");
    EXPECT_EQ(recorder.shown, "RGBRGB");
    EXPECT_EQ(painter.ActiveImage(), -1);
    EXPECT_TRUE(painter.Join(5s));
    // The frames were composed from the painter's copy: the picture made no
    // bitmap of its own for them.
    for (int32_t i = 0; i < image->Images().Count(); ++i)
        EXPECT_FALSE(image->Images().SubImages(i)->HasBitmap()) << i;
}

TEST(GIFPainter, NothingIsShownOrRaisedOnceStopped) {
    const auto image = Animation(3, 0, uint16_t{0});
    image->SetAnimationSpeed(-1);
    Recorder recorder;
    TGIFPainter painter(*image, platform::kWhite, recorder.Show());
    recorder.Attach(painter);
    painter.Start();
    ASSERT_TRUE(RunUntil([&] { return recorder.shown.size() >= 3; }));
    painter.Stop();
    const Recorder seen = recorder;
    RunFor(100ms);
    EXPECT_EQ(recorder.shown, seen.shown);
    EXPECT_EQ(recorder.events, seen.events);
    EXPECT_EQ(recorder.events.find("End"), std::string::npos);
    EXPECT_TRUE(painter.Join(5s));
}

TEST(GIFPainter, AHeldFrameStopsAtOnce) {
    // Speed 0 holds the first frame until the painter is stopped.
    const auto image = Animation(2, 5);
    image->SetAnimationSpeed(0);
    Recorder recorder;
    auto painter = std::make_unique<TGIFPainter>(*image, platform::kWhite, recorder.Show());
    painter->Start();
    ASSERT_TRUE(RunUntil([&] { return !recorder.shown.empty(); }));
    RunFor(50ms);
    EXPECT_EQ(recorder.shown, "R");
    painter->Stop();
    EXPECT_TRUE(painter->Join(5s));
}

TEST(GIFPainter, StartStopAndDestroyCyclesLeaveNothingBehind) {
    const auto image = Animation(3, 0, uint16_t{0});
    image->SetAnimationSpeed(-1);
    auto alive = std::make_shared<bool>(false);
    int shown = 0;
    for (int cycle = 0; cycle < 500; ++cycle) {
        *alive = true;
        auto painter = std::make_unique<TGIFPainter>(
            *image, platform::kWhite,
            [alive, &shown](QImage) {
                EXPECT_TRUE(*alive);
                ++shown;
            });
        painter->OnAfterFrame = [alive](TGIFPainter&) { EXPECT_TRUE(*alive); };
        if (cycle % 5 != 4) painter->Start();
        if (cycle % 3 == 0) QCoreApplication::processEvents();
        if (cycle % 2 == 0) painter->Stop();
        painter.reset();
        *alive = false;
        // Calls queued before the end must find the painter gone.
        if (cycle % 7 == 0) QCoreApplication::processEvents();
    }
    RunFor(50ms);
    SUCCEED() << shown << " pictures shown";
}

class WorkerThread : public testing_support::ScriptedTest {};

TEST_F(WorkerThread, AFailureIsShownOnceAndQueuedCallsKeepTheirOrder) {
    std::string calls;
    platform::ui::Thread failing([&calls](platform::ui::ThreadContext& context) {
        for (int i = 0; i < 3; ++i) context.Synchronize([&calls, i] { calls += char('0' + i); });
        throw platform::Error(platform::ErrorKind::Message, "Échec du fil");
    });
    failing.Start();
    ASSERT_TRUE(failing.Join(5s));
    RunFor(50ms);
    EXPECT_EQ(calls, "012");
    EXPECT_EQ(dialogues->errors, std::vector<std::string>{"Échec du fil"});
}

TEST_F(WorkerThread, AStoppedThreadRunsNoQueuedCallAndAnEndlessWaitEnds) {
    bool called = false;
    platform::ui::Thread waiting([&called](platform::ui::ThreadContext& context) {
        context.Synchronize([&called] { called = true; });
        context.Wait(-1);
        context.Synchronize([&called] { called = true; });
    });
    waiting.Start();
    waiting.Stop();
    ASSERT_TRUE(waiting.Join(5s));
    RunFor(50ms);
    EXPECT_FALSE(called);
    EXPECT_TRUE(dialogues->errors.empty());
}

// The display plays an animated file and stops it whenever its picture
// changes.
TEST(GIFPainterDisplay, PlaysTheShownAnimationAndStopsItBeforeAnyChange) {
    gif::RegisterGIFImage();
    const testing_support::TempDir dossier;
    Animation(3, 1, uint16_t{0})->SaveToFile(dossier / "anime.gif");
    Animation(1, 0)->SaveToFile(dossier / "fixe.gif");
    TImageBrenlow affichage(nullptr, "Affichage");
    affichage.SetStretch(true);
    affichage.SetGardeProportion(true);
    affichage.resize(400, 300);
    affichage.show();
    affichage.Loaded();

    affichage.ChargeFichier(dossier / "anime.gif");
    ASSERT_NE(affichage.Animation(), nullptr);
    ASSERT_TRUE(RunUntil([&] { return affichage.Animation()->ActiveImage() >= 1; }));
    EXPECT_TRUE(affichage.ImageInterne().ShowingFrame());

    // A still picture: no painter, and no frame of the old one arrives.
    affichage.ChargeFichier(dossier / "fixe.gif");
    EXPECT_EQ(affichage.Animation(), nullptr);
    RunFor(100ms);
    EXPECT_FALSE(affichage.ImageInterne().ShowingFrame());

    // Clearing while it plays, then loading again.
    affichage.ChargeFichier(dossier / "anime.gif");
    ASSERT_TRUE(RunUntil([&] { return affichage.ImageInterne().ShowingFrame(); }));
    affichage.GetPicture().Assign(nullptr);
    EXPECT_EQ(affichage.Animation(), nullptr);
    RunFor(100ms);
    EXPECT_FALSE(affichage.ImageInterne().ShowingFrame());
    affichage.ChargeFichier(dossier / "anime.gif");
    ASSERT_NE(affichage.Animation(), nullptr);

    // Saving plays on from the start; turning too, the picture turned.
    affichage.EnregistreSous(dossier / "copie.gif");
    ASSERT_NE(affichage.Animation(), nullptr);
    affichage.Rotation(90);
    ASSERT_NE(affichage.Animation(), nullptr);
    EXPECT_NE(dynamic_cast<const gif::TGIFImage*>(affichage.GetPicture().GetGraphic()), nullptr);
    ASSERT_TRUE(RunUntil([&] { return affichage.Animation()->ActiveImage() >= 1; }));
    EXPECT_TRUE(affichage.ImageInterne().ShowingFrame());
}

}  // namespace
}  // namespace components
