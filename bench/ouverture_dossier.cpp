// Opening a folder of 20,000 entries, 5,000 of them pictures in sub-folders,
// as the main window does it at start (scan with sub-folders, list, sort,
// then the number of the picture named on the command line), against a plain
// std::filesystem walk of the same tree that keeps the same names, sorts them
// ignoring case and looks the same picture up, in the same run:
//   - in one process, after a warm-up;
//   - the first load of a fresh process, each contender in a process of its
//     own, taken in turn (the tree is in the page cache for both).
// A ratio below 1 means we are faster.
#include <strings.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/defile_image.h"
#include "app/fiches.h"
#include "app/form1.h"
#include "mesure.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"

namespace fs = std::filesystem;

namespace {

// 100 sub-folders of 200 entries: 50 pictures, 150 other files.
void Arbre(const fs::path& racine) {
    if (fs::exists(racine / "fait")) return;
    const char* extensions[] = {".jpg", ".JPG", ".gif", ".bmp"};
    const char* autres[] = {".txt", ".xmp", ".png", ".mp4", ".thm"};
    for (int d = 0; d < 100; ++d) {
        const fs::path dossier = racine / ("album " + std::to_string(d)) / "photos";
        fs::create_directories(dossier);
        for (int f = 0; f < 200; ++f) {
            const std::string base = "IMG_" + std::to_string(d * 1000 + f);
            const char* extension = f < 50 ? extensions[f % 4] : autres[f % 5];
            std::ofstream(dossier / (base + extension));
        }
    }
    std::ofstream(racine / "fait");
}

// The picture the viewer is started on: one of the last in the list.
std::string Depart(const std::string& dossier) {
    return dossier + "album 99/photos/IMG_99046.gif";
}

bool EstImage(const fs::path& nom) {
    std::string extension = nom.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".jpg" || extension == ".gif" || extension == ".bmp";
}

// What a program written plainly does: walk, keep, sort ignoring case, look up.
size_t ParcoursSimple(const std::string& dossier) {
    std::vector<std::string> noms;
    for (const fs::directory_entry& entree : fs::recursive_directory_iterator(dossier)) {
        if (entree.is_regular_file() && EstImage(entree.path())) noms.push_back(entree.path());
    }
    std::sort(noms.begin(), noms.end(), [](const std::string& a, const std::string& b) {
        return ::strcasecmp(a.c_str(), b.c_str()) < 0;
    });
    const auto trouve = std::find(noms.begin(), noms.end(), Depart(dossier));
    if (trouve == noms.end()) std::abort();
    return static_cast<size_t>(trouve - noms.begin());
}

void Ouverture(app::TForm1& fenetre, const std::string& dossier) {
    fenetre.DefileImage().ChargeDossier(dossier);
    if (fenetre.DefileImage().IndexFichier(Depart(dossier)) == 0) std::abort();
}

double Secondes(const std::function<void()>& fn) {
    const auto debut = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
}

// Runs this program again in one of its single-measure modes; its output is
// the time in seconds.
double Processus(const char* programme, const char* mode, const std::string& scratch) {
    const std::string commande = std::string("'") + programme + "' " + mode + " '" + scratch + "'";
    FILE* sortie = ::popen(commande.c_str(), "r");
    double secondes = -1;
    if (sortie == nullptr || std::fscanf(sortie, "%lf", &secondes) != 1) std::abort();
    if (::pclose(sortie) != 0) std::abort();
    return secondes;
}

}  // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const bool mode = argc == 3 && argv[1][0] == '-';
    if (argc != 2 && !mode) {
        std::fprintf(stderr, "usage: %s SCRATCH-FOLDER\n", argv[0]);
        return 2;
    }
    const std::string scratch = argv[argc - 1];
    const fs::path racine = fs::path(scratch) / "arbre";
    const std::string dossier = racine.string() + "/";

    if (mode && std::string(argv[1]) == "--parcours-simple") {
        std::printf("%.9f\n", Secondes([&] { ParcoursSimple(dossier); }));
        return 0;
    }

    QApplication qt(argc, argv);
    Arbre(racine);
    // The windows read and write their settings in the scratch folder.
    setenv("XDG_CONFIG_HOME", scratch.c_str(), 1);
    platform::RegisterStandardFormats();
    platform::ui::Application app(qt);
    app::Fiches fiches;
    app::CreeFiches(app, fiches, {});
    app::TForm1* fenetre = fiches.Form1;
    fenetre->CheckBoxSousDossiers->SetChecked(true);

    if (mode) {
        std::printf("%.9f\n", Secondes([&] { Ouverture(*fenetre, dossier); }));
    } else {
        Ouverture(*fenetre, dossier);
        std::printf("folder of 20000 entries, %d pictures listed\n",
                    fenetre->DefileImage().FListe.Count());
        std::printf("in one process:\n");
        bench::Compare({
            {"visualisateur (scan, list, sort, find)", [&] { Ouverture(*fenetre, dossier); }},
            {"std::filesystem walk, sort, find", [&] { ParcoursSimple(dossier); }},
        });
        std::printf("first load of a fresh process:\n");
        std::vector<double> nous;
        std::vector<double> eux;
        std::vector<double> ratios;
        for (int tour = 0; tour < 15; ++tour) {
            nous.push_back(Processus(argv[0], "--premiere-ouverture", scratch));
            eux.push_back(Processus(argv[0], "--parcours-simple", scratch));
            ratios.push_back(nous.back() / eux.back());
        }
        std::printf("  %-48s %9.2f ms\n", "visualisateur (scan, list, sort, find)",
                    bench::Mediane(nous) * 1000.0);
        std::printf("  %-48s %9.2f ms   ours / this = %.2f\n", "std::filesystem walk, sort, find",
                    bench::Mediane(eux) * 1000.0, bench::Mediane(ratios));
    }
    for (platform::ui::Form* fiche : std::vector<platform::ui::Form*>(app.Forms())) delete fiche;
    return 0;
}
