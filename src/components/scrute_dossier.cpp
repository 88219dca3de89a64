#include "components/scrute_dossier.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_set>
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

// A coarse clock, read in a few nanoseconds: its ticks of a few milliseconds
// are fine enough for the interval above.
std::chrono::nanoseconds Horloge() {
    timespec maintenant{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &maintenant);
    return std::chrono::seconds(maintenant.tv_sec) + std::chrono::nanoseconds(maintenant.tv_nsec);
}

using Identite = std::pair<dev_t, ino_t>;

struct HacheIdentite {
    size_t operator()(const Identite& identite) const {
        return std::hash<ino_t>()(identite.second) * 31 + std::hash<dev_t>()(identite.first);
    }
};

// Deeper than any path the system can open.
constexpr int kMaxAncetres = 4096;

}  // namespace

// One run: its generation (a later Abandonne makes it stale), the settings it
// started with, and the folders entered, by device and inode, so that however
// many links lead to a folder it is walked once. The folders that hold the
// starting one count as entered: a link to one of them would walk the start
// again, and a link to "/" the whole system.
struct TScruteDossier::Parcours {
    Parcours(TScruteDossier& proprietaire, std::string_view filtre)
        : scanner(proprietaire),
          generation(proprietaire.generation_),
          sous_dossier(proprietaire.SousDossier),
          max_penetration(proprietaire.MaxPenetration) {
        while (!filtre.empty()) {
            const size_t separateur = filtre.find(';');
            // An empty mask matches nothing.
            if (separateur != 0) masques.emplace_back(filtre.substr(0, separateur));
            filtre = separateur == std::string_view::npos ? std::string_view{}
                                                          : filtre.substr(separateur + 1);
        }
        ++scanner.vivants_;
        // Every run lets the application work at its first entry.
        scanner.dernier_traitement_ = {};
    }
    ~Parcours() {
        if (scanner.generation_ == generation) --scanner.vivants_;
    }
    Parcours(const Parcours&) = delete;
    Parcours& operator=(const Parcours&) = delete;

    void MarqueAncetres(const std::string& depart) {
        int fd = ::open((depart + "/").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        struct stat dossier {};
        if (fd < 0) return;
        if (::fstat(fd, &dossier) != 0) {
            ::close(fd);
            return;
        }
        for (int niveau = 0; niveau < kMaxAncetres; ++niveau) {
            const int parent = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = parent;
            struct stat info {};
            if (fd < 0 || ::fstat(fd, &info) != 0) break;
            // The root is its own parent.
            if (info.st_dev == dossier.st_dev && info.st_ino == dossier.st_ino) break;
            entres.insert({info.st_dev, info.st_ino});
            dossier = info;
        }
        if (fd >= 0) ::close(fd);
    }

    TScruteDossier& scanner;
    const uint64_t generation;
    std::vector<platform::Mask> masques;
    const bool sous_dossier;
    const int32_t max_penetration;
    std::unordered_set<Identite, HacheIdentite> entres;
    // The matching entries of the folder being reported, mask by mask.
    std::vector<std::vector<uint32_t>> trouves;
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
        const std::optional<platform::FileIdentity> lu =
            platform::ListFolder(dossier, [this](std::string_view nom, bool est_dossier) {
                liste.push_back({noms.size(), nom.size(), est_dossier});
                noms.append(nom);
            });
        if (!lu) return false;
        identite = {static_cast<dev_t>(lu->device), static_cast<ino_t>(lu->inode)};
        std::sort(liste.begin(), liste.end(),
                  [this](const Entree& a, const Entree& b) { return Nom(a) < Nom(b); });
        return true;
    }

    std::string noms;
    std::vector<Entree> liste;
    Identite identite{};
};

TScruteDossier::TScruteDossier() : Dossier(platform::HomeDirectory()) {}

void TScruteDossier::Execute() {
    Parcours parcours(*this, Filtre);
    if (OnExecute) OnExecute(*this);
    if (!Vivant(parcours)) return;
    parcours.MarqueAncetres(Dossier);
    Scrute(parcours, 0, Dossier);
    if (Vivant(parcours) && OnFinExecute) OnFinExecute(*this);
}

void TScruteDossier::ScruteUnDossier(int32_t profondeur, std::string dossier) {
    Parcours parcours(*this, Filtre);
    parcours.MarqueAncetres(dossier);
    Scrute(parcours, profondeur, std::move(dossier));
}

void TScruteDossier::ScruteFichiers(std::string dossier, std::string masques) {
    Parcours parcours(*this, masques);
    if (!dossier.empty() && dossier.back() == '/') dossier.pop_back();
    Entrees entrees;
    if (entrees.Lit(dossier)) SignaleFichiers(parcours, dossier, entrees);
}

void TScruteDossier::Abandonne() {
    ++generation_;
    vivants_ = 0;
}

void TScruteDossier::Scrute(Parcours& parcours, int32_t profondeur, std::string dossier) {
    if (parcours.max_penetration >= 0 && profondeur > parcours.max_penetration) return;
    if (!dossier.empty() && dossier.back() == '/') dossier.pop_back();
    Entrees entrees;
    if (!entrees.Lit(dossier) || !parcours.entres.insert(entrees.identite).second) return;

    SignaleFichiers(parcours, dossier, entrees);
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
}

void TScruteDossier::SignaleFichiers(Parcours& parcours, const std::string& dossier,
                                     const Entrees& entrees) {
    if (!OnFichier) return;
    // One look at each name files it under the masks it matches; the files
    // are then reported mask by mask.
    std::vector<std::vector<uint32_t>>& trouves = parcours.trouves;
    trouves.resize(parcours.masques.size());
    for (std::vector<uint32_t>& liste : trouves) liste.clear();
    for (size_t i = 0; i < entrees.liste.size(); ++i) {
        const Entrees::Entree& entree = entrees.liste[i];
        if (entree.dossier) continue;
        const std::string_view nom = entrees.Nom(entree);
        for (size_t m = 0; m < parcours.masques.size(); ++m) {
            if (parcours.masques[m].Matches(nom)) trouves[m].push_back(static_cast<uint32_t>(i));
        }
    }
    std::string chemin = dossier + "/";
    const size_t base = chemin.size();
    for (size_t m = 0; m < trouves.size(); ++m) {
        for (const uint32_t i : trouves[m]) {
            if (!Respire(parcours)) return;
            chemin.resize(base);
            chemin.append(entrees.Nom(entrees.liste[i]));
            if (OnFichier) OnFichier(*this, chemin);
        }
    }
}

bool TScruteDossier::Vivant(const Parcours& parcours) const {
    return parcours.generation == generation_;
}

bool TScruteDossier::Respire(const Parcours& parcours) {
    if (!Vivant(parcours)) return false;
    if (!TraiteMessages) return true;
    if (Horloge() - dernier_traitement_ < kIntervalleTraitement) return true;
    TraiteMessages();
    dernier_traitement_ = Horloge();
    return Vivant(parcours);
}

}  // namespace components
