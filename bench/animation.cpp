// Playing an animated GIF in a window: the display shows a 200-frame
// 400x300 animation at its own delays (the picture's own drawing, a painter
// in a thread of its own), and the processor time it costs per
// frame shown is compared, in the same run, with decoding that frame alone
// (its share of reading the file from memory and rendering every frame to a
// bitmap). Also reported: the user-interface thread's share of the playing
// time, and how far the times between shown frames stray from the planned
// delay over 200 frames planned 20 ms apart.
#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "components/image_brenlow.h"
#include "gif/gif_image.h"
#include "mesure.h"
#include "platform/core/stream.h"
#include "platform/ui/application.h"

namespace {

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Counts the paints of the picture area and when they happen.
class Paints final : public QObject {
public:
    std::vector<double> times;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) times.push_back(Now());
        return false;
    }
};

struct Played {
    int frames = 0;
    double process_cpu = 0;
    double ui_cpu = 0;
    std::vector<double> intervals_ms;
};

// Shows `file` in a window and plays `frames` frames of it.
Played Play(const char* file, int frames, int32_t speed, int32_t delay) {
    components::TImageBrenlow affichage(nullptr, "Affichage");
    affichage.SetStretch(true);
    affichage.SetGardeProportion(true);
    affichage.SetMargeConstante(10);
    affichage.resize(420, 320);
    affichage.show();
    affichage.Loaded();
    Paints paints;
    affichage.ImageInterne().installEventFilter(&paints);

    auto image = std::make_unique<gif::TGIFImage>();
    image->LoadFromFile(file);
    if (delay > 0) {
        for (int32_t i = 0; i < image->Images().Count(); ++i)
            image->Images().SubImages(i)->GraphicControlExtension()->SetDelay(
                static_cast<uint16_t>(delay));
    }
    image->SetAnimationSpeed(speed);

    const double process = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double ui = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    affichage.AfficheGraphique(std::move(image), file);
    paints.times.clear();
    while (static_cast<int>(paints.times.size()) < frames + 1) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    Played played;
    played.frames = frames;
    played.process_cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process;
    played.ui_cpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - ui;
    for (size_t i = 1; i < paints.times.size(); ++i)
        played.intervals_ms.push_back((paints.times[i] - paints.times[i - 1]) * 1000.0);
    return played;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication qt(argc, argv);
    platform::ui::Application app(qt);
    gif::RegisterGIFImage();
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ANIMATION.gif\n", argv[0]);
        return 2;
    }
    const char* file = argv[1];
    const std::vector<uint8_t> bytes = platform::ReadFileBytes(file);

    // Decoding alone: the file read from memory and every frame rendered.
    int count = 0;
    std::vector<double> decode;
    for (int round = 0; round < 5; ++round) {
        const double start = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        gif::TGIFImage image;
        auto stream = platform::MemoryStream::View(bytes);
        image.LoadFromStream(stream);
        for (int32_t i = 0; i < image.Images().Count(); ++i) {
            if (image.Images().SubImages(i)->GetBitmap() == nullptr) return 1;
        }
        count = image.Images().Count();
        decode.push_back((CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - start) / count);
    }
    const double decode_frame = bench::Mediane(decode);

    const Played own = Play(file, count, 100, 0);
    const double per_frame = own.process_cpu / own.frames;
    std::printf("%s: %d frames of %dx%d\n", file, count, 400, 300);
    std::printf("  decoding one frame alone                 %8.3f ms of CPU\n",
                decode_frame * 1000.0);
    std::printf("  playing, per frame shown                 %8.3f ms of CPU   playing / decoding = "
                "%.2f\n",
                per_frame * 1000.0, per_frame / decode_frame);
    std::printf("  user-interface thread's share of playing %8.1f %%\n",
                100.0 * own.ui_cpu / own.process_cpu);

    // 200 frames planned 20 ms apart: delays of 3 units (36 ms) at speed 180.
    const Played timed = Play(file, count, 180, 3);
    std::vector<double> errors;
    for (const double interval : timed.intervals_ms) errors.push_back(std::fabs(interval - 20.0));
    std::printf("  200 frames planned 20 ms apart: interval median %.2f ms, 95th percentile "
                "%.2f ms;\n    distance to 20 ms: median %.2f ms, 95th percentile %.2f ms\n",
                Percentile(timed.intervals_ms, 0.5), Percentile(timed.intervals_ms, 0.95),
                Percentile(errors, 0.5), Percentile(errors, 0.95));
    return 0;
}
