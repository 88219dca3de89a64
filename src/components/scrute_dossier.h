// The folder scanner: walks a folder, and its sub-folders when asked, and
// hands every file whose name matches one of the masks to its handler.
//
// A run is synchronous and walks each folder once, however many links lead
// to it; it never follows a link to a folder that holds the one it started
// from. Each folder's entries are read before any of them is reported, so a
// handler may rename or rewrite files without meeting them twice, and they
// are reported in name order: a folder's files mask by mask, then each
// sub-folder followed at once by the walk below it. The application may run
// its pending work between entries, so a handler may start another run (which
// completes inside this one) or supersede the run in progress.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace components {

class TScruteDossier {
public:
    using TScruteEvent = std::function<void(TScruteDossier& sender, const std::string& nom)>;
    using NotifyEvent = std::function<void(TScruteDossier& sender)>;

    TScruteDossier();

    // The folder to walk (the user's home folder by default); one trailing
    // "/" is ignored, so "/" walks the root with paths "/name".
    std::string Dossier;
    // Masks separated by ";", searched in the order written; a file that
    // matches two masks is reported once for each.
    std::string Filtre = "*.*";
    bool SousDossier = true;
    // Deepest level walked: 0 is `Dossier` itself; a negative value sets no limit.
    int32_t MaxPenetration = 10000;

    TScruteEvent OnFichier;  // each matching file, with its full path
    TScruteEvent OnDossier;  // each sub-folder met, walked or not
    NotifyEvent OnCreate;    // kept with the other settings, never raised
    NotifyEvent OnExecute;
    NotifyEvent OnFinExecute;

    // Lets the application run its pending work during a walk; called between
    // entries, at most once every few milliseconds.
    std::function<void()> TraiteMessages;

    // One walk of `Dossier`: OnExecute, the tree, OnFinExecute. A folder that
    // cannot be read yields nothing; a handler's exception ends the run at once
    // and reaches the caller, without OnFinExecute.
    void Execute();
    // The walk of one folder at a depth (0 for `Dossier`).
    void ScruteUnDossier(int32_t profondeur, std::string dossier);
    // The file pass of one folder.
    void ScruteFichiers(std::string dossier, std::string masques);

    // Supersedes the runs in progress: once control comes back to them (after
    // the handler that called this returns) they raise no further event, not
    // even OnFinExecute, and unwind. Runs started afterwards are not affected.
    void Abandonne();
    // True while a run that has not been superseded is in progress.
    bool EnCours() const { return vivants_ > 0; }

private:
    struct Parcours;
    struct Entrees;

    void Scrute(Parcours& parcours, int32_t profondeur, std::string dossier);
    void SignaleFichiers(Parcours& parcours, const std::string& dossier, const Entrees& entrees);
    bool Vivant(const Parcours& parcours) const;
    // Lets the application work when it is time to; false once the run is
    // superseded.
    bool Respire(const Parcours& parcours);

    uint64_t generation_ = 0;
    int vivants_ = 0;
    std::chrono::nanoseconds dernier_traitement_{};
};

}  // namespace components
