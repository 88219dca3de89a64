// Peak memory while the display plays an animated GIF, against what the
// animation cannot do without: the frames' indices (kept by the picture),
// three 32-bit bitmaps of the logical screen (the composition, the picture
// before a frame that restores it, and the buffer the screen shows) and
// 20 MB. Two animations made by the benchmark: 1,000 frames of 640x480 and
// 5,000 frames of 320x240. Each plays in a process of its own, which reports
// its peak resident memory from the moment the picture is loaded (the file's
// bytes, read whole to be decoded, are gone by then) and its resident memory
// before loading.
//
// Usage: memoire_animation DATA-FOLDER (the animations are made there once).
#include <QApplication>
#include <QEvent>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "components/image_brenlow.h"
#include "gif/extensions.h"
#include "gif/gif_image.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"

namespace {

// A field of /proc/self/status, in MB.
double StatusMb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024;
    }
    return 0;
}

// `count` frames of `width` x `height` over a grey global table, a band
// pattern moving from frame to frame, 1 hundredth each, repeated without end.
void MakeAnimation(const std::string& path, int count, int32_t width, int32_t height) {
    if (std::filesystem::exists(path)) return;
    std::printf("making %s...\n", path.c_str());
    std::fflush(stdout);
    gif::TGIFImage image;
    for (int c = 0; c < 256; ++c) {
        const auto grey = static_cast<uint8_t>(c);
        image.GetGlobalColorMap().Add(platform::MakeColor(grey, grey, grey));
    }
    for (int i = 0; i < count; ++i) {
        auto frame = std::make_unique<gif::TGIFSubImage>(image);
        frame->DoSetBounds(0, 0, width, height);
        uint8_t* pixels = frame->Data();
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                pixels[static_cast<size_t>(y) * static_cast<size_t>(width) +
                       static_cast<size_t>(x)] =
                    static_cast<uint8_t>((x / 8 + y / 8 + 3 * i) & 0xFF);
            }
        }
        auto control = std::make_unique<gif::TGIFGraphicControlExtension>(*frame);
        control->SetDelay(1);
        frame->Extensions().Add(std::move(control));
        if (i == 0) {
            auto loop = std::make_unique<gif::TGIFAppExtNSLoop>(*frame);
            loop->Loops = 0;
            frame->Extensions().Add(std::move(loop));
        }
        image.Add(std::move(frame));
    }
    image.SaveToFile(path + ".part");
    std::filesystem::rename(path + ".part", path);
}

// Counts the paints of the picture.
class Paints final : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

// Plays `frames` frames of `path` at its own size in the display, as fast as
// they come; prints the frames' indices, the resident memory before loading
// and the peak from loading on, in MB.
int Child(const std::string& path, int frames) {
    int argc = 1;
    char name[] = "memoire_animation";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    // Through which the painter's worker reaches the event loop.
    platform::ui::Application app(application);
    gif::RegisterGIFImage();
    components::TImageBrenlow display(nullptr, "Korvel1");
    display.SetStretch(true);
    display.SetGardeProportion(true);
    display.SetMargeConstante(10);
    auto image = std::make_unique<gif::TGIFImage>();
    display.show();
    display.Loaded();
    QApplication::processEvents();
    const double before = StatusMb("VmRSS");

    image->LoadFromFile(path);
    image->SetAnimationSpeed(-1);
    double indices = 0;
    for (int32_t i = 0; i < image->Images().Count(); ++i)
        indices += static_cast<double>(image->Images().SubImages(i)->DataSize()) / 1048576;
    display.resize(image->Width() + 20, image->Height() + 20);
    // The peak from now on.
    std::ofstream("/proc/self/clear_refs") << "5";
    Paints paints;
    display.ImageInterne().installEventFilter(&paints);
    display.AfficheGraphique(std::move(image), path);
    while (paints.count < frames) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("%.1f %.1f %.1f\n", indices, before, StatusMb("VmHWM"));
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc >= 4 && std::string(argv[1]) == "--enfant") return Child(argv[2], std::atoi(argv[3]));
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DATA-FOLDER\n", argv[0]);
        return 2;
    }
    const std::string data = argv[1];
    struct Case {
        const char* file;
        int count;
        int32_t width;
        int32_t height;
    };
    const Case cases[] = {{"anime-1000x640x480.gif", 1000, 640, 480},
                          {"anime-5000x320x240.gif", 5000, 320, 240}};
    for (const Case& c : cases) MakeAnimation(data + "/" + c.file, c.count, c.width, c.height);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    for (const Case& c : cases) {
        const std::string path = data + "/" + c.file;
        const std::string command = "'" + self + "' --enfant '" + path + "' 300";
        FILE* child = popen(command.c_str(), "r");
        double indices = 0;
        double before = 0;
        double peak = 0;
        const bool read =
            child != nullptr && std::fscanf(child, "%lf %lf %lf", &indices, &before, &peak) == 3;
        if (child != nullptr) pclose(child);
        if (!read) {
            std::printf("  %s: the player failed\n", c.file);
            continue;
        }
        const double bitmaps = 3.0 * c.width * c.height * 4 / 1048576;
        const double goal = indices + bitmaps + 20;
        std::printf(
            "  %d frames of %dx%d, 300 shown: peak %.0f MB above the display before "
            "loading;\n    goal: indices %.0f + 3 bitmaps %.1f + 20 = %.0f MB "
            "(peak / goal = %.2f%s)\n",
            c.count, c.width, c.height, peak - before, indices, bitmaps, goal,
            (peak - before) / goal, peak - before <= goal ? "" : ", MISSED");
    }
    return 0;
}
