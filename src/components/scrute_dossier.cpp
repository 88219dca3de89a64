#include "components/scrute_dossier.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/core/arith.h"
#include "platform/core/files.h"
#include "platform/core/text.h"

namespace components {

namespace {

// Often enough for the interface to stay alive, rarely enough that a folder
// of tens of thousands of entries is read at the speed of the disk.
constexpr auto kIntervalleTraitement = std::chrono::milliseconds(5);

}  // namespace

// One run: its generation (a later Abandonne makes it stale), the settings it
// started with, and the folders being walked, by device and inode, so that a
// symbolic link back to one of them is not followed round and round.
struct TScruteDossier::Parcours {
    explicit Parcours(TScruteDossier& proprietaire)
        : scanner(proprietaire),
          generation(proprietaire.generation_),
          masques(proprietaire.Filtre),
          sous_dossier(proprietaire.SousDossier),
          max_penetration(proprietaire.MaxPenetration) {
        ++scanner.vivants_;
        // Every run lets the application work at its first entry.
        scanner.dernier_traitement_ = {};
    }
    ~Parcours() {
        if (scanner.generation_ == generation) --scanner.vivants_;
    }
    Parcours(const Parcours&) = delete;
    Parcours& operator=(const Parcours&) = delete;

    TScruteDossier& scanner;
    const uint64_t generation;
    const std::string masques;
    const bool sous_dossier;
    const int32_t max_penetration;
    std::vector<std::pair<dev_t, ino_t>> chemin;
};

// The entries of one folder, read in one go and sorted by name; the names
// share one buffer so that reading a large folder allocates little.
struct TScruteDossier::Entrees {
    struct Entree {
        size_t debut;
        size_t longueur;
        bool dossier;
    };

    std::string_view Nom(const Entree& entree) const {
        return std::string_view(noms).substr(entree.debut, entree.longueur);
    }

    // Reads `dossier` (without its trailing "/"); false when it cannot be opened.
    bool Lit(const std::string& dossier) {
        const int fd = ::open((dossier + "/").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        struct stat info {};
        DIR* flux = ::fstat(fd, &info) == 0 ? ::fdopendir(fd) : nullptr;
        if (flux == nullptr) {
            ::close(fd);
            return false;
        }
        identite = {info.st_dev, info.st_ino};
        while (const dirent* entree = ::readdir(flux)) {
            const std::string_view nom(entree->d_name);
            if (nom == "." || nom == "..") continue;
            bool est_dossier;
            if (entree->d_type == DT_REG) {
                est_dossier = false;
            } else if (entree->d_type == DT_DIR) {
                est_dossier = true;
            } else if (entree->d_type == DT_LNK || entree->d_type == DT_UNKNOWN) {
                // Links are followed; one that leads nowhere names no file.
                struct stat cible {};
                if (::fstatat(fd, entree->d_name, &cible, 0) != 0) continue;
                if (!S_ISREG(cible.st_mode) && !S_ISDIR(cible.st_mode)) continue;
                est_dossier = S_ISDIR(cible.st_mode);
            } else {
                // Pipes, sockets and devices: reading one as a picture would
                // block or never end.
                continue;
            }
            liste.push_back({noms.size(), nom.size(), est_dossier});
            noms.append(nom);
        }
        ::closedir(flux);
        std::sort(liste.begin(), liste.end(),
                  [this](const Entree& a, const Entree& b) { return Nom(a) < Nom(b); });
        return true;
    }

    std::string noms;
    std::vector<Entree> liste;
    std::pair<dev_t, ino_t> identite{};
};

TScruteDossier::TScruteDossier() : Dossier(platform::HomeDirectory()) {}

void TScruteDossier::Execute() {
    Parcours parcours(*this);
    if (OnExecute) OnExecute(*this);
    if (!Vivant(parcours)) return;
    Scrute(parcours, 0, Dossier);
    if (Vivant(parcours) && OnFinExecute) OnFinExecute(*this);
}

void TScruteDossier::ScruteUnDossier(int32_t profondeur, std::string dossier) {
    Parcours parcours(*this);
    Scrute(parcours, profondeur, std::move(dossier));
}

void TScruteDossier::ScruteFichiers(std::string dossier, std::string masques) {
    Parcours parcours(*this);
    if (!dossier.empty() && dossier.back() == '/') dossier.pop_back();
    Entrees entrees;
    if (entrees.Lit(dossier)) SignaleFichiers(parcours, dossier, entrees, masques);
}

void TScruteDossier::Abandonne() {
    ++generation_;
    vivants_ = 0;
}

void TScruteDossier::Scrute(Parcours& parcours, int32_t profondeur, std::string dossier) {
    if (parcours.max_penetration >= 0 && profondeur > parcours.max_penetration) return;
    if (!dossier.empty() && dossier.back() == '/') dossier.pop_back();
    Entrees entrees;
    if (!entrees.Lit(dossier)) return;
    if (std::find(parcours.chemin.begin(), parcours.chemin.end(), entrees.identite) !=
        parcours.chemin.end()) {
        return;
    }
    parcours.chemin.push_back(entrees.identite);

    SignaleFichiers(parcours, dossier, entrees, parcours.masques);
    std::string chemin = dossier + "/";
    const size_t base = chemin.size();
    for (const Entrees::Entree& entree : entrees.liste) {
        if (!Vivant(parcours)) break;
        if (!entree.dossier) continue;
        chemin.resize(base);
        chemin.append(entrees.Nom(entree));
        if (OnDossier) OnDossier(*this, chemin);
        if (parcours.sous_dossier && Vivant(parcours)) {
            Scrute(parcours, platform::CheckedAdd(profondeur, 1), chemin);
        }
        if (!Respire(parcours)) break;
    }
    parcours.chemin.pop_back();
}

void TScruteDossier::SignaleFichiers(Parcours& parcours, const std::string& dossier,
                                     const Entrees& entrees, std::string_view masques) {
    std::string chemin = dossier + "/";
    const size_t base = chemin.size();
    while (!masques.empty()) {
        const size_t separateur = masques.find(';');
        const std::string_view masque = masques.substr(0, separateur);
        for (const Entrees::Entree& entree : entrees.liste) {
            if (!Respire(parcours)) return;
            if (entree.dossier || !OnFichier ||
                !platform::MatchesMask(entrees.Nom(entree), masque)) {
                continue;
            }
            chemin.resize(base);
            chemin.append(entrees.Nom(entree));
            OnFichier(*this, chemin);
        }
        masques = separateur == std::string_view::npos ? std::string_view{}
                                                       : masques.substr(separateur + 1);
    }
}

bool TScruteDossier::Vivant(const Parcours& parcours) const {
    return parcours.generation == generation_;
}

bool TScruteDossier::Respire(const Parcours& parcours) {
    if (!Vivant(parcours)) return false;
    if (!TraiteMessages) return true;
    const auto maintenant = std::chrono::steady_clock::now();
    if (maintenant - dernier_traitement_ < kIntervalleTraitement) return true;
    dernier_traitement_ = maintenant;
    TraiteMessages();
    dernier_traitement_ = std::chrono::steady_clock::now();
    return Vivant(parcours);
}

}  // namespace components
