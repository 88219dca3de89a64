// A GIF file of 10,000 and of 100,000 frames of 1 x 1, read, written,
// optimised and turned, as whole processes on both sides: this program started
// again for each task against gifsicle doing the same, timed in turn in the
// same run, wall-clock and processor time. Every time is also given as a
// ratio to the reading of the same file by the same program, so that a task
// that grows faster than the frames shows at once: a steady ratio from 10,000
// to 100,000 frames means the task grows with the frames.
//
// The tasks, ours and gifsicle's:
// - reading: ours decodes every frame; gifsicle reads the whole file and
//   writes its first frame only (`'#0' -o /dev/null`), the least it does;
// - saving, file to file (`gifsicle IN -o OUT`);
// - optimising: ours with every option, against `gifsicle -O2`, which like
//   ours crops each frame to what changes and makes repeated pixels
//   transparent (-O3 also tries other ways, slower, which ours does not);
// - turning a quarter and saving, as the viewer's "Rotation 90 +
//   Enregistrer" does through the GIF picture (`gifsicle --rotate-90`).
//
// Usage: gif_frames WORK-FOLDER
// (started again by itself as: gif_frames --nous TASK IN.gif [OUT.gif])
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "gif/gif_image.h"
#include "gif/optimize.h"
#include "gif_1x1.h"
#include "mesure.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/graphics/graphic.h"
#include "processus.h"

namespace {

// One task of ours, in this very process: "lit" reads, "enregistre" reads
// and saves, "optimise" reads, optimises and saves, "tourne" reads, turns and
// saves.
void OurTask(const std::string& task, const std::string& in, const std::string& out) {
    gif::RegisterGIFImage();
    // Read as the display reads the file it shows.
    std::unique_ptr<platform::Graphic> read = platform::PictureRegistry::Instance().CreateFor(in);
    read->LoadFromFile(in);
    auto& image = dynamic_cast<gif::TGIFImage&>(*read);
    if (task == "lit") return;
    if (task == "optimise") image.Optimize(gif::kAllOptimizeOptions, 0, 0, 8);
    if (task == "tourne") {
        // The display shows the turned picture, then writes it through a new
        // picture of the file's kind, set as it sets every GIF it writes.
        const std::unique_ptr<gif::TGIFImage> turned = image.Rotated(90);
        std::unique_ptr<platform::Graphic> written =
            platform::PictureRegistry::Instance().CreateFor(out);
        auto& gif = dynamic_cast<gif::TGIFImage&>(*written);
        gif.SetColorReduction(8);
        gif.SetDitherMode(1);
        gif.Assign(*turned);
        gif.SaveToFile(out);
        return;
    }
    image.SaveToFile(out);
}

struct Task {
    const char* name;
    std::string ours;
    std::string theirs;
};

double Ratio(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> ratios;
    for (size_t i = 0; i < a.size(); ++i) ratios.push_back(a[i] / b[i]);
    return bench::Mediane(ratios);
}

// Times every task of both sides in turn, `rounds` times after one round
// unmeasured, and prints each one's median time, its ratio to the same
// side's reading ("/rd") and ours against gifsicle's, wall-clock and
// processor time.
void Compare(const std::vector<Task>& tasks, int rounds) {
    for (const Task& task : tasks) {
        bench::Processus(task.ours);
        bench::Processus(task.theirs);
    }
    // By task: ours then theirs, wall then processor time, one per round.
    std::vector<std::array<std::array<std::vector<double>, 2>, 2>> times(tasks.size());
    for (int r = 0; r < rounds; ++r) {
        for (size_t t = 0; t < tasks.size(); ++t) {
            for (int side = 0; side < 2; ++side) {
                const bench::Temps time =
                    bench::Processus(side == 0 ? tasks[t].ours : tasks[t].theirs);
                times[t][static_cast<size_t>(side)][0].push_back(time.mur);
                times[t][static_cast<size_t>(side)][1].push_back(time.cpu);
            }
        }
    }
    std::printf("  %-20s | %-33s | %-33s | %s\n", "", "ours", "gifsicle", "ours / gifsicle");
    std::printf("  %-20s | %8s %8s %7s %7s | %8s %8s %7s %7s | %6s %6s\n", "task", "wall ms",
                "CPU ms", "wall/rd", "CPU/rd", "wall ms", "CPU ms", "wall/rd", "CPU/rd", "wall",
                "CPU");
    for (size_t t = 0; t < tasks.size(); ++t) {
        const auto& ours = times[t][0];
        const auto& theirs = times[t][1];
        std::printf("  %-20s | %8.1f %8.1f %7.2f %7.2f | %8.1f %8.1f %7.2f %7.2f | %6.2f %6.2f\n",
                    tasks[t].name, bench::Mediane(ours[0]) * 1000.0,
                    bench::Mediane(ours[1]) * 1000.0, Ratio(ours[0], times[0][0][0]),
                    Ratio(ours[1], times[0][0][1]), bench::Mediane(theirs[0]) * 1000.0,
                    bench::Mediane(theirs[1]) * 1000.0, Ratio(theirs[0], times[0][1][0]),
                    Ratio(theirs[1], times[0][1][1]), Ratio(ours[0], theirs[0]),
                    Ratio(ours[1], theirs[1]));
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc >= 4 && std::strcmp(argv[1], "--nous") == 0) {
        try {
            OurTask(argv[2], argv[3], argc >= 5 ? argv[4] : "");
        } catch (const platform::Error& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WORK-FOLDER\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    const std::string self = bench::Quote(bench::SoiMeme());
    try {
        for (const int count : {10000, 100000}) {
            const std::string in = work + "/images-1x1-" + std::to_string(count) + ".gif";
            const std::vector<uint8_t> file = bench::OnePixelFrames(count);
            platform::WriteFileAtomic(in, std::span<const uint8_t>(file));
            const std::string ours = bench::Quote(work + "/images-1x1-visualisateur.gif");
            const std::string theirs = bench::Quote(work + "/images-1x1-gifsicle.gif");
            const std::string q = bench::Quote(in);
            const auto our = [&](const char* task) {
                return self + " --nous " + task + " " + q + " " + ours;
            };
            const auto gifsicle = [&](const std::string& options) {
                return "gifsicle " + options + " " + q + " -o " + theirs + " 2>/dev/null";
            };
            const std::vector<Task> tasks = {
                {"reading", self + " --nous lit " + q,
                 "gifsicle " + q + " '#0' -o /dev/null 2>/dev/null"},
                {"saving", our("enregistre"), gifsicle("")},
                {"optimising (-O2)", our("optimise"), gifsicle("-O2")},
                {"turning and saving", our("tourne"), gifsicle("--rotate-90")},
            };
            std::printf("%d frames of 1x1, %zu bytes\n", count, file.size());
            Compare(tasks, count > 10000 ? 5 : 11);
        }
    } catch (const platform::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
