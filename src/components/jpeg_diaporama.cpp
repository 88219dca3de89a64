#include "components/jpeg_diaporama.h"

#include <QMouseEvent>
#include <QPointer>
#include <QScopeGuard>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "components/planche_contact.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/text.h"
#include "platform/core/thread.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/budget.h"
#include "platform/ui/application.h"

namespace components {

namespace {

// A cell of no size still makes a thumbnail this big.
constexpr int32_t kTailleParDefaut = 5;
// More threads than this would hold more files in memory at once than the
// few cores they could keep busy are worth.
constexpr unsigned kDecodeursMax = 8;

int32_t TailleDiapo(int32_t taille) {
    return taille < 1 ? kTailleParDefaut : taille;
}

}  // namespace

TKorvel::TKorvel(QWidget* parent) : Image(parent, "") {}

void TKorvel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) appui_ = true;
    Image::mousePressEvent(event);
}

void TKorvel::mouseReleaseEvent(QMouseEvent* event) {
    const bool clic =
        appui_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) appui_ = false;
    // The click's handler may rebuild the sheet and so delete this thumbnail.
    const QPointer<TKorvel> vivant(this);
    Image::mouseReleaseEvent(event);
    if (clic && vivant && OnClick) {
        platform::ui::Application::Current().Guard([this] { OnClick(*this); });
    }
}

// One file to make small, for one rebuild.
struct TJPegDiaporama::Tache {
    uint64_t tour = 0;
    int32_t index = 0;
    std::string chemin;
    int32_t largeur = 0;
    int32_t hauteur = 0;
    platform::Color fond = platform::kWhite;
};

// The work shared with the threads: the files waiting, in list order, and
// the rebuild they must belong to.
struct TJPegDiaporama::Atelier {
    std::mutex verrou;
    std::condition_variable signal;
    std::deque<Tache> taches;
    uint64_t tour = 0;
    bool fin = false;
    // What the pictures being made take together.
    platform::SharedBudget memoire;

    bool Perime(uint64_t t) {
        std::lock_guard garde(verrou);
        return fin || t != tour;
    }
};

TJPegDiaporama::TJPegDiaporama(QWidget* parent, const std::string& name)
    : QWidget(parent), atelier_(std::make_shared<Atelier>()) {
    setObjectName(QString::fromStdString(name));
}

TJPegDiaporama::~TJPegDiaporama() {
    {
        std::lock_guard garde(atelier_->verrou);
        atelier_->fin = true;
        atelier_->taches.clear();
    }
    atelier_->signal.notify_all();
    // A thread ends the file it is on, then stops; no result posted after
    // this reaches the panel, whose pending calls go with it.
    for (std::thread& decodeur : decodeurs_) decodeur.join();
}

void TJPegDiaporama::SetNomFichier(const std::string& nom) {
    nom_fichier_ = nom;
    if (nom.empty()) return;
    StringListNomFichier.Clear();
    const size_t barre = nom.rfind('/');
    const std::string dossier = barre == std::string::npos ? std::string() : nom.substr(0, barre);
    const std::string fichier = barre == std::string::npos ? nom : nom.substr(barre + 1);
    const size_t point = fichier.rfind('.');
    const std::string extension = point == std::string::npos ? "" : fichier.substr(point);
    platform::StringList trouves;
    ListeFichiersDossier(dossier, "*" + extension, trouves);
    for (const std::string& ligne : trouves.Items()) StringListNomFichier.Add(ligne);
}

void TJPegDiaporama::LibereDiapos() {
    // A rebuild may start from a thumbnail's own event (its click): it goes
    // once that event is over.
    for (TKorvel* diapo : diapos_) {
        diapo->hide();
        diapo->deleteLater();
    }
    diapos_.clear();
}

void TJPegDiaporama::Annule() {
    {
        std::lock_guard garde(atelier_->verrou);
        atelier_->taches.clear();
        ++atelier_->tour;
    }
    ++tour_;
    en_attente_ = 0;
}

bool TJPegDiaporama::Execute() {
    if (OnDebutExecute) OnDebutExecute(*this);
    // A placement running under this call (it lets the application work)
    // must not walk on over the thumbnails freed here.
    ++placement_;
    place_en_cours_ = false;
    replacer_ = false;
    Annule();
    LibereDiapos();
    erreur_signalee_ = false;
    const int32_t nombre = StringListNomFichier.Count();
    if (nombre == 0) {
        PlaceDiapos();
        return true;
    }

    const int32_t largeur = TailleDiapo(LargeurDiapo);
    const int32_t hauteur = TailleDiapo(HauteurDiapo);
    const QColor couleur = palette().color(QPalette::Window);
    const platform::Color fond = platform::MakeColor(static_cast<uint8_t>(couleur.red()),
                                                     static_cast<uint8_t>(couleur.green()),
                                                     static_cast<uint8_t>(couleur.blue()));
    std::deque<Tache> taches;
    diapos_.reserve(static_cast<size_t>(nombre));
    for (int32_t i = 0; i < nombre; ++i) {
        const std::string& chemin = StringListNomFichier[i];
        auto* diapo = new TKorvel(this);
        diapo->hide();
        diapos_.push_back(diapo);
        diapo->setToolTip(QString::fromStdString(chemin.substr(chemin.rfind('/') + 1)));
        diapo->CheminFichier = chemin;
        diapo->SetStretch(true);
        diapo->SetProportional(true);
        diapo->resize(largeur, hauteur);
        diapo->OnClick = OnClickDiapo;
        taches.push_back({tour_, i, chemin, largeur, hauteur, fond});
    }
    en_attente_ = nombre;
    DemarreDecodeurs();
    {
        std::lock_guard garde(atelier_->verrou);
        atelier_->tour = tour_;
        atelier_->taches = std::move(taches);
    }
    atelier_->signal.notify_all();
    PlaceDiapos();
    return true;
}

void TJPegDiaporama::DemarreDecodeurs() {
    if (!decodeurs_.empty()) return;
    unsigned nombre = static_cast<unsigned>(std::max(0, nombre_decodeurs_));
    if (nombre == 0)
        nombre = std::min(static_cast<unsigned>(platform::ProcessorCount()), kDecodeursMax);
    for (unsigned i = 0; i < nombre; ++i) {
        decodeurs_.emplace_back([this, atelier = atelier_] {
            for (;;) {
                Tache tache;
                {
                    std::unique_lock garde(atelier->verrou);
                    atelier->signal.wait(garde,
                                         [&] { return atelier->fin || !atelier->taches.empty(); });
                    if (atelier->fin) return;
                    tache = std::move(atelier->taches.front());
                    atelier->taches.pop_front();
                }
                Decode(tache);
            }
        });
    }
}

// On a worker thread: touches nothing of the panel but through queued calls,
// which the panel's end cancels (it joins the threads first).
void TJPegDiaporama::Decode(const Tache& tache) {
    Atelier& atelier = *atelier_;
    if (atelier.Perime(tache.tour)) return;
    std::shared_ptr<Vignette> vignette;
    std::exception_ptr erreur;
    const auto taille_lue = [&](int32_t largeur, int32_t hauteur) {
        QMetaObject::invokeMethod(
            this,
            [this, tour = tache.tour, index = tache.index, largeur, hauteur] {
                RecoitTaille(tour, index, largeur, hauteur);
            },
            Qt::QueuedConnection);
        // A rebuild meanwhile: the decoding would be for nothing.
        if (atelier.Perime(tache.tour)) throw platform::Abort();
    };
    try {
        vignette = std::make_shared<Vignette>(platform::WithinBudget(atelier.memoire, [&] {
            return FabriqueVignette(tache.chemin, tache.largeur, tache.hauteur, tache.fond,
                                    taille_lue);
        }));
    } catch (const platform::Abort&) {
        return;
    } catch (...) {
        erreur = std::current_exception();
    }
    QMetaObject::invokeMethod(
        this,
        [this, tour = tache.tour, index = tache.index, vignette, erreur] {
            RecoitVignette(tour, index, vignette, erreur);
        },
        Qt::QueuedConnection);
}

void TJPegDiaporama::RecoitTaille(uint64_t tour, int32_t index, int32_t largeur, int32_t hauteur) {
    if (tour != tour_) return;
    TKorvel& diapo = *diapos_[static_cast<size_t>(index)];
    diapo.LargeurImage = largeur;
    diapo.HauteurImage = hauteur;
}

void TJPegDiaporama::RecoitVignette(uint64_t tour, int32_t index,
                                    std::shared_ptr<Vignette> vignette, std::exception_ptr erreur) {
    if (tour != tour_) return;
    TKorvel& diapo = *diapos_[static_cast<size_t>(index)];
    if (vignette) {
        diapo.LargeurImage = vignette->largeur;
        diapo.HauteurImage = vignette->hauteur;
        if (vignette->pixels) diapo.GetPicture().SetGraphic(std::move(vignette->pixels));
    }
    --en_attente_;
    const bool signale = erreur && !erreur_signalee_;
    if (signale) erreur_signalee_ = true;
    // Both may run the event loop (an error box, a handler's own work): what
    // this result changed is complete before.
    if (en_attente_ == 0 && OnFinChargement) {
        platform::ui::Application::Current().Guard([this] { OnFinChargement(*this); });
    }
    if (signale) {
        platform::ui::Application::Current().Guard([&] { std::rethrow_exception(erreur); });
    }
}

void TJPegDiaporama::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (OnResize) platform::ui::Application::Current().Guard([this] { OnResize(*this); });
}

void TJPegDiaporama::PlaceDiapos() {
    if (LargeurDiapo < 1 || diapos_.empty()) return;
    if (place_en_cours_) {
        replacer_ = true;
        return;
    }
    const QPointer<TJPegDiaporama> vivant(this);
    do {
        replacer_ = false;
        place_en_cours_ = true;
        const uint64_t placement = ++placement_;
        auto fin = qScopeGuard([this, placement] {
            if (placement_ == placement) place_en_cours_ = false;
        });
        const GrillePlanche grille =
            CalculeGrille(width(), static_cast<int32_t>(diapos_.size()), LargeurDiapo, HauteurDiapo,
                          EcartXEntreImage, EcartYEntreImage);
        setMinimumHeight(grille.hauteur);
        resize(width(), grille.hauteur);
        for (size_t i = 0; i < diapos_.size(); ++i) {
            const platform::Point position = grille.Position(static_cast<int32_t>(i));
            diapos_[i]->move(position.X, position.Y);
            diapos_[i]->show();
            platform::ui::Application::Current().ProcessMessages();
            // The panel went, or a rebuild or another placement took over.
            if (!vivant) {
                fin.dismiss();
                return;
            }
            if (placement_ != placement) return;
        }
    } while (replacer_);
    place_en_cours_ = false;
    if (OnFinExecute) OnFinExecute(*this);
}

void ListeFichiersDossier(const std::string& dossier, const std::string& masque,
                          platform::StringList& liste) {
    std::string base = dossier;
    if (!base.empty() && base.back() == '/') base.pop_back();
    // A name without a folder lies in the current folder.
    const std::string prefixe = dossier.empty() ? std::string() : base + "/";
    const platform::Mask filtre(masque);
    platform::ListFolder(dossier.empty() ? "." : base, [&](std::string_view nom, bool est_dossier) {
        if (est_dossier || !filtre.Matches(nom)) return;
        const size_t point = nom.rfind('.');
        if (point == std::string_view::npos || nom.size() - point != 4) return;
        liste.Add(prefixe + std::string(nom));
    });
}

}  // namespace components
