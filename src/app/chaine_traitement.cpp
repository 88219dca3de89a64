#include "app/chaine_traitement.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <span>
#include <thread>

#include "platform/core/error.h"
#include "platform/core/thread.h"
#include "platform/graphics/budget.h"

namespace app {

namespace {

// How many results may wait to be finished, per thread: enough to keep the
// threads busy while one is written, few enough to bound the memory.
constexpr size_t kAvanceParFil = 2;
// How often a waiting run lets the application work.
constexpr auto kRespiration = std::chrono::milliseconds(20);
// A buffer a worker keeps for its next picture, at most: a larger one, held
// idle outside the shared budget, is given back.
constexpr size_t kTamponGarde = size_t{128} << 20;

void Allege(platform::Bitmap& tampon) {
    if (tampon.Stride() * static_cast<size_t>(tampon.Height()) > kTamponGarde)
        tampon.Assign(platform::Bitmap());
}

void Allege(std::vector<uint8_t>& tampon) {
    if (tampon.capacity() > kTamponGarde) tampon = std::vector<uint8_t>();
}

}  // namespace

void ChaineTraitement::Execute(size_t nombre,
                               const std::function<void(size_t, Tampons&)>& prepare,
                               const std::function<void(size_t)>& termine) const {
    if (nombre == 0) return;
    const size_t nombre_fils = std::clamp<size_t>(
        static_cast<size_t>(fils > 0 ? fils : platform::ProcessorCount()), 1, nombre);
    const size_t avance = nombre_fils * kAvanceParFil;

    std::mutex verrou;
    std::condition_variable pret;   // an item is prepared
    std::condition_variable place;  // an item was finished, or the run stops
    std::vector<char> prepares(nombre, 0);
    size_t suivant = 0;
    size_t termines = 0;
    bool arret = false;

    platform::SharedBudget budget;
    const auto fil = [&] {
        Tampons tampons;
        for (;;) {
            size_t i = 0;
            {
                std::unique_lock<std::mutex> l(verrou);
                place.wait(l, [&] { return arret || suivant >= nombre || suivant < termines + avance; });
                if (arret || suivant >= nombre) return;
                i = suivant++;
            }
            platform::WithinBudget(budget, [&] { prepare(i, tampons); });
            Allege(tampons.decodee);
            Allege(tampons.resultat);
            Allege(tampons.fichier);
            {
                const std::lock_guard<std::mutex> l(verrou);
                prepares[i] = 1;
            }
            pret.notify_all();
        }
    };

    std::vector<std::thread> threads;
    const auto arrete = [&] {
        {
            const std::lock_guard<std::mutex> l(verrou);
            arret = true;
        }
        place.notify_all();
        for (std::thread& t : threads) t.join();
    };
    try {
        for (size_t k = 0; k < nombre_fils; ++k) threads.emplace_back(fil);
        for (size_t i = 0; i < nombre; ++i) {
            {
                std::unique_lock<std::mutex> l(verrou);
                while (prepares[i] == 0) {
                    if (pret.wait_for(l, kRespiration, [&] { return prepares[i] != 0; })) break;
                    if (TraiteMessages) {
                        l.unlock();
                        TraiteMessages();
                        l.lock();
                    }
                }
            }
            termine(i);
            {
                const std::lock_guard<std::mutex> l(verrou);
                ++termines;
            }
            place.notify_all();
        }
    } catch (...) {
        arrete();
        throw;
    }
    arrete();
}

std::vector<FichierIllisible> ReecritureDossier::Traite(const std::vector<std::string>& fichiers,
                                                 const Preparation& prepare) const {
    struct Resultat {
        Reecriture reecriture;
        std::optional<std::string> illisible;  // the reason
    };
    std::vector<Resultat> resultats(fichiers.size());
    std::vector<FichierIllisible> illisibles;
    ChaineTraitement chaine;
    chaine.fils = fils;
    chaine.TraiteMessages = TraiteMessages;
    chaine.Execute(
        fichiers.size(),
        [&](size_t i, Tampons& tampons) {
            try {
                resultats[i].reecriture = prepare(fichiers[i], tampons);
            } catch (const platform::BudgetBusy&) {
                throw;
            } catch (const std::exception& e) {
                resultats[i] = Resultat{{}, platform::UserMessage(e)};
            }
        },
        [&](size_t i) {
            // Taken out, so that a written file's bytes go at once.
            const Resultat r = std::move(resultats[i]);
            const std::string& nom = fichiers[i];
            if (OnFichier) OnFichier(nom);
            if (r.illisible) {
                illisibles.push_back({nom, *r.illisible});
            } else if (r.reecriture.reecrit) {
                try {
                    platform::WriteFileAtomic(nom, std::span<const uint8_t>(r.reecriture.octets));
                } catch (const platform::Error& e) {
                    // A read-only file is one file left as it is, not a
                    // failure of the run.
                    if (!platform::IsReadOnly(nom)) throw;
                    illisibles.push_back({nom, platform::UserMessage(e), true});
                    return;
                }
                if (r.reecriture.date) platform::SetModificationTime(nom, *r.reecriture.date);
                if (OnReecrit) OnReecrit(nom);
            }
        });
    return illisibles;
}

}  // namespace app
