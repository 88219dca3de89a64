// Whole processes timed alike, ours and the other programs': the wall-clock
// time from the start to the end of a shell command, the processor time
// (user and system) of the command and of every process it waited for, and
// the peak memory of the largest of those processes. Our side runs as this
// very benchmark program started again with other arguments, so that its
// start and its reading and writing count as the others' do.
#pragma once

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/thread.h"

extern char** environ;

namespace bench {

struct Temps {
    double mur = 0;  // seconds
    double cpu = 0;  // seconds, every processor added up
    double pic = 0;  // MB resident at most in one process
};

inline double Secondes(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// A path quoted for the shell (the benchmarks' own paths hold no quote).
inline std::string Quote(const std::string& texte) {
    return "'" + texte + "'";
}

// Runs `commande` with /bin/sh; a failure ends the benchmark.
inline Temps Processus(const std::string& commande) {
    std::vector<std::string> mots{"sh", "-c", commande};
    std::vector<char*> argv;
    for (std::string& m : mots) argv.push_back(m.data());
    argv.push_back(nullptr);
    const auto debut = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start: %s\n", commande.c_str());
        std::exit(1);
    }
    int etat = 0;
    rusage usage{};
    if (wait4(pid, &etat, 0, &usage) != pid || !WIFEXITED(etat) || WEXITSTATUS(etat) != 0) {
        std::fprintf(stderr, "failed: %s\n", commande.c_str());
        std::exit(1);
    }
    Temps t;
    t.mur = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    t.cpu = Secondes(usage.ru_utime) + Secondes(usage.ru_stime);
    t.pic = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return t;
}

// This program's own path, to start it again.
inline std::string SoiMeme() {
    std::vector<char> chemin(4096);
    const ssize_t n = readlink("/proc/self/exe", chemin.data(), chemin.size() - 1);
    if (n <= 0) std::exit(1);
    return std::string(chemin.data(), static_cast<size_t>(n));
}

// The processors this program may use, as many as ours runs workers: the
// other programs run as many at once.
inline long Processeurs() {
    return platform::ProcessorCount();
}

}  // namespace bench
