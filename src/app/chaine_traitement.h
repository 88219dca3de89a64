// The pipeline of the tools that treat many pictures (folder resize,
// automatic rotation, HTML album): the pictures of a list are read, worked on
// and encoded by one thread per processor, while the calling thread takes the
// results in the list's order, writes them and reports them. A run thus
// leaves its files, reports them and stops on a failure exactly as a run on
// one thread would.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/chemins.h"
#include "platform/core/files.h"
#include "platform/graphics/bitmap.h"

namespace app {

// What a worker keeps from one picture to the next. The pictures of a folder
// are mostly of one size: a buffer kept is memory the system does not have to
// clear again for every picture. Only buffers of ordinary photos are kept.
struct Tampons {
    platform::Bitmap decodee;
    platform::Bitmap resultat;
    std::vector<uint8_t> fichier;  // the bytes of the file being read
};

class ChaineTraitement {
public:
    // Threads that read and encode; 0 for one per processor.
    int32_t fils = 0;
    // Lets the application run its pending work while the calling thread
    // waits for a result.
    std::function<void()> TraiteMessages;

    // Runs prepare(i, tampons) for every i of 0 .. nombre - 1 on the workers,
    // and termine(i) on the calling thread in increasing order, each once
    // prepare(i) has returned. Only a few results wait ahead of the one being
    // finished, and the pictures the workers decode share one memory budget
    // (budget.h): a prepare that finds its memory held by the others raises
    // BudgetBusy, which it must let through, and is run again once that much
    // is free. It must raise nothing else. An exception of termine stops the
    // run: no later item is finished, the workers are stopped and joined, and
    // the exception passes on.
    void Execute(size_t nombre, const std::function<void(size_t, Tampons&)>& prepare,
                 const std::function<void(size_t)>& termine) const;
};

// What becomes of one file rewritten in place.
struct Reecriture {
    bool reecrit = false;  // false: the file is left as it is
    std::vector<uint8_t> octets;
    // Given back to the file once it is written.
    std::optional<platform::FileTime> date;
};

// The in-place tools on the pipeline: each file of a list is prepared by a
// worker, then, in the list's order, rewritten through a temporary file and
// a rename by the calling thread.
class ReecritureDossier {
public:
    int32_t fils = 0;
    // Each file, in the list's order, before its result is written.
    std::function<void(const std::string& nom)> OnFichier;
    // Each file rewritten, once it is.
    std::function<void(const std::string& nom)> OnReecrit;
    std::function<void()> TraiteMessages;

    // What becomes of a file, read and encoded with a worker's buffers; an
    // exception (but BudgetBusy) makes it a file that could not be read.
    using Preparation = std::function<Reecriture(const std::string& nom, Tampons& tampons)>;

    // A file that cannot be read, or that is read-only, is left untouched and
    // returned, with the reason, in the list's order; any other failure to
    // write a file stops the run and passes on, the files before it staying
    // rewritten.
    std::vector<FichierIllisible> Traite(const std::vector<std::string>& fichiers,
                                  const Preparation& prepare) const;
};

}  // namespace app
