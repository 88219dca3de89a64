// A contact sheet of a folder's JPEGs, shown in a scrolling window: the time
// from the rebuild until every thumbnail holds its picture, and the peak
// memory and the processor time of the process then (every thread's).
// Prints "seconds peak-kB cpu-seconds". Usage: planche_contact FOLDER [THREADS]
// (THREADS 0, the default, is the sheet's own choice). An empty folder gives
// the memory of the window alone.
#include <sys/resource.h>

#include <QApplication>
#include <QScrollArea>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "planche.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"

namespace {

// The process's peak resident memory, in kB.
long PicMemoire() {
    std::ifstream status("/proc/self/status");
    std::string ligne;
    while (std::getline(status, ligne)) {
        if (ligne.rfind("VmHWM:", 0) == 0) return std::strtol(ligne.c_str() + 6, nullptr, 10);
    }
    return 0;
}

// The processor time of the whole process so far, in seconds.
double Processeur() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto secondes = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return secondes(usage.ru_utime) + secondes(usage.ru_stime);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: planche_contact FOLDER [THREADS]\n");
        return 2;
    }
    QApplication qt(argc, argv);
    platform::RegisterStandardFormats();
    platform::ui::Application app(qt);

    std::vector<std::string> fichiers;
    for (const auto& entree : std::filesystem::directory_iterator(argv[1])) {
        if (entree.path().extension() == ".jpg") fichiers.push_back(entree.path().string());
    }
    std::sort(fichiers.begin(), fichiers.end());

    QScrollArea fenetre;
    components::TJPegDiaporama& planche = OuvrePlanche(fenetre, argc > 2 ? std::atoi(argv[2]) : 0);
    const auto debut = std::chrono::steady_clock::now();
    const double processeur = Processeur();
    ChargePlanche(planche, fichiers);
    const double secondes =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    std::printf("%.3f %ld %.3f\n", secondes, PicMemoire(), Processeur() - processeur);
    return 0;
}
