// Optimising animated GIF files, file to file in memory: our reader, every
// optimisation step and our writer, against `gifsicle -O2` reading and
// writing files, timed in the same run (gifsicle's start counts against it,
// our reading and writing against us). Prints each file's size before and
// after both. Ratios below 1 mean we are faster or smaller.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gif/gif_image.h"
#include "gif/optimize.h"
#include "mesure.h"
#include "platform/core/error.h"
#include "platform/core/stream.h"

extern char** environ;

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

// gifsicle -O2 from one file to another; a failure ends the run.
void Gifsicle(const std::string& in, const std::string& out) {
    std::vector<std::string> words{"gifsicle", "-O2", in, "-o", out};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    // Its warnings about colour tables are not ours to print.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = 0;
    const int spawned = posix_spawnp(&pid, "gifsicle", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "gifsicle failed on %s\n", in.c_str());
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s WORK-FOLDER ANIMATION.gif...\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    try {
        double ours_total = 0;
        double theirs_total = 0;
        for (int i = 2; i < argc; ++i) {
            const Bytes file = platform::ReadFileBytes(argv[i]);
            const std::string theirs_path = work + "/gifsicle-O2.gif";
            Gifsicle(argv[i], theirs_path);
            const auto theirs = static_cast<double>(std::filesystem::file_size(theirs_path));
            const auto ours = static_cast<double>(OurOptimize(file).size());
            ours_total += ours;
            theirs_total += theirs;
            std::printf(
                "%s: %zu bytes; optimised: ours %.0f, gifsicle -O2 %.0f, ours / gifsicle = "
                "%.3f\n",
                argv[i], file.size(), ours, theirs, ours / theirs);
            bench::Compare(
                {
                    {"visualisateur (load, Optimize, save)",
                     [&] {
                         if (OurOptimize(file).empty()) std::abort();
                     }},
                    {"gifsicle -O2", [&] { Gifsicle(argv[i], theirs_path); }},
                },
                5, 1);
        }
        std::printf("all files: ours %.0f bytes, gifsicle -O2 %.0f bytes, ours / gifsicle = %.3f\n",
                    ours_total, theirs_total, ours_total / theirs_total);
    } catch (const platform::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
