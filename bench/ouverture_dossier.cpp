// Opening a folder of 20,000 entries, 5,000 of them pictures in sub-folders,
// as the main window does it (scan with sub-folders, list, sort), against
//   find DIR -iname '*.jpg' -o -iname '*.gif' -o -iname '*.bmp' | sort -f
// timed in the same run on the same tree. A ratio below 1 means we are faster.
#include <QApplication>
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

}  // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qt(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SCRATCH-FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path racine = fs::path(argv[1]) / "arbre";
    Arbre(racine);
    const std::string dossier = racine.string() + "/";

    // The windows read and write their settings in the scratch folder.
    setenv("XDG_CONFIG_HOME", argv[1], 1);
    platform::RegisterStandardFormats();
    platform::ui::Application app(qt);
    app::Fiches fiches;
    app::CreeFiches(app, fiches, {});
    app::TForm1* fenetre = fiches.Form1;
    fenetre->CheckBoxSousDossiers->SetChecked(true);

    const std::string commande =
        "find '" + dossier +
        "' -iname '*.jpg' -o -iname '*.gif' -o -iname '*.bmp' | sort -f > /dev/null";
    fenetre->DefileImage().ChargeDossier(dossier);
    std::printf("folder of 20000 entries, %d pictures listed\n",
                fenetre->DefileImage().FListe.Count());
    bench::Compare({
        {"visualisateur (scan, list, sort)",
         [&] { fenetre->DefileImage().ChargeDossier(dossier); }},
        {"find | sort -f",
         [&] {
             if (std::system(commande.c_str()) != 0) std::abort();
         }},
    });
    for (platform::ui::Form* fiche : std::vector<platform::ui::Form*>(app.Forms())) delete fiche;
    return 0;
}
