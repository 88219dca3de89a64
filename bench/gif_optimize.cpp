// Optimising animated GIF files, file to file, as whole processes on both
// sides: this program started again to read a file, apply every optimisation
// step and write the result, against `gifsicle -O2` reading and writing the
// same files, timed in turn in the same run, wall-clock and processor time.
// Prints each file's size before and after both. Ratios below 1 mean we are
// faster, use less processor time or write smaller files.
//
// Usage: gif_optimize WORK-FOLDER ANIMATION.gif...
// (started again by itself as: gif_optimize --nous IN.gif OUT.gif)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "gif/gif_image.h"
#include "gif/optimize.h"
#include "mesure.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/stream.h"
#include "processus.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes OurOptimize(const Bytes& file) {
    gif::TGIFImage image;
    auto in = platform::MemoryStream::View(file);
    image.LoadFromStream(in);
    image.Optimize(gif::kAllOptimizeOptions, 0, 0, 8);
    platform::MemoryStream out;
    image.SaveToStream(out);
    return out.Release();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 4 && std::strcmp(argv[1], "--nous") == 0) {
        try {
            const Bytes sortie = OurOptimize(platform::ReadFileBytes(argv[2]));
            platform::WriteFileAtomic(argv[3], std::span<const uint8_t>(sortie));
        } catch (const platform::Error& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s WORK-FOLDER ANIMATION.gif...\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    const std::string self = bench::Quote(bench::SoiMeme());
    constexpr int kRounds = 5;
    try {
        double ours_total = 0;
        double theirs_total = 0;
        for (int i = 2; i < argc; ++i) {
            const std::string in = bench::Quote(argv[i]);
            const std::string ours_path = work + "/visualisateur.gif";
            const std::string theirs_path = work + "/gifsicle-O2.gif";
            const std::string ours_command =
                self + " --nous " + in + " " + bench::Quote(ours_path);
            const std::string theirs_command =
                "gifsicle -O2 " + in + " -o " + bench::Quote(theirs_path) + " 2>/dev/null";
            bench::Processus(ours_command);
            bench::Processus(theirs_command);
            const auto ours = static_cast<double>(std::filesystem::file_size(ours_path));
            const auto theirs = static_cast<double>(std::filesystem::file_size(theirs_path));
            ours_total += ours;
            theirs_total += theirs;
            std::printf(
                "%s: %ju bytes; optimised: ours %.0f, gifsicle -O2 %.0f, ours / gifsicle = "
                "%.3f\n",
                argv[i], static_cast<uintmax_t>(std::filesystem::file_size(argv[i])), ours, theirs,
                ours / theirs);
            std::vector<double> wall;
            std::vector<double> cpu;
            std::vector<double> ours_wall;
            for (int r = 0; r < kRounds; ++r) {
                const bench::Temps a = bench::Processus(ours_command);
                const bench::Temps b = bench::Processus(theirs_command);
                ours_wall.push_back(a.mur);
                wall.push_back(a.mur / b.mur);
                cpu.push_back(a.cpu / b.cpu);
            }
            std::printf("  whole processes: ours %.1f ms, ours / gifsicle: wall %.2f, CPU %.2f\n",
                        bench::Mediane(ours_wall) * 1000.0, bench::Mediane(wall),
                        bench::Mediane(cpu));
        }
        std::printf("all files: ours %.0f bytes, gifsicle -O2 %.0f bytes, ours / gifsicle = %.3f\n",
                    ours_total, theirs_total, ours_total / theirs_total);
    } catch (const platform::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
