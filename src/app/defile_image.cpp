#include "app/defile_image.h"

#include <algorithm>
#include <memory>

#include "app/form1.h"
#include "platform/core/files.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"

namespace app {

using platform::Picture;

TDefileImage::TDefileImage(TForm1& form) : form_(form) {}

bool MemeFichier(const std::string& a, const std::string& b) {
    return platform::SameFile(a, b);
}

bool TDefileImage::ChargeDossier(const std::string& dossier) {
    // The scan that is running, if any, belongs to the folder being left: it
    // must add nothing more to the new list.
    AbandonneChargement();
    const uint64_t chargement = chargement_;
    FNumImage = 1;
    FDossier = dossier;
    FListe.Clear();
    // The picture read ahead belonged to the previous list, and so does the
    // preview that shows it.
    FNumTampon = 0;
    form_.ImageTamponSuivante1->GetPicture().Assign(nullptr);
    form_.TrackBarNumImageEnCours->SetMax(1);
    form_.ScruteDossier1.SousDossier = form_.CheckBoxSousDossiers->checkState() == Qt::Checked;
    form_.ScruteDossier1.Dossier = dossier;
    form_.ScruteDossier1.Execute();
    if (chargement != chargement_) return false;
    // The picture on screen stays until the next move while it stands for a
    // file of this folder, which the commands act on: the folder loaded again
    // with or without its sub-folders. It leaves the screen when its file
    // went (a save would write a deleted picture back), when it belongs to
    // the folder left (should the new one's first picture not show, it would
    // stand under that number), and when the list holds nothing.
    const std::string& affichee = form_.Korvel1->FileName();
    const std::vector<std::string>& noms = FListe.Items();
    const bool listee = std::find(noms.begin(), noms.end(), affichee) != noms.end();
    if (!affichee.empty() && (noms.empty() || !platform::FileExists(affichee) ||
                              (dossier != dossier_liste_ && !listee))) {
        form_.AfficheAucuneImage();
    }
    dossier_liste_ = dossier;
    return true;
}

void TDefileImage::AbandonneChargement() {
    ++chargement_;
    if (form_.ScruteDossier1.EnCours()) form_.ScruteDossier1.Abandonne();
}

std::string TDefileImage::NomFichier(int32_t n) const {
    if (n < 1 || n > FListe.Count()) return {};
    return FListe[n - 1];
}

int32_t TDefileImage::IndexFichier(const std::string& fichier) const {
    // The list holds the paths as the scan built them from the folder asked
    // for, so the file is nearly always there under the very path asked for,
    // found without looking at the disk. Otherwise the files of the same name
    // are looked at first, then all of them.
    const std::vector<std::string>& noms = FListe.Items();
    const auto numero = [&](std::vector<std::string>::const_iterator trouve) {
        return trouve == noms.end() ? 0 : static_cast<int32_t>(trouve - noms.begin()) + 1;
    };
    if (const int32_t n = numero(std::find(noms.begin(), noms.end(), fichier))) return n;
    const auto dernier_composant = [](std::string_view chemin) {
        return chemin.substr(chemin.rfind('/') + 1);
    };
    const std::string_view nom = dernier_composant(fichier);
    if (const int32_t n =
            numero(std::find_if(noms.begin(), noms.end(), [&](const std::string& autre) {
                return dernier_composant(autre) == nom && MemeFichier(autre, fichier);
            }))) {
        return n;
    }
    return numero(std::find_if(noms.begin(), noms.end(), platform::SameFileAs(fichier)));
}

void TDefileImage::AfficheFichier(const std::string& fichier) {
    FNumImage = 0;
    SetNumImage(IndexFichier(fichier));
}

void TDefileImage::AfficheFichierChoisi(const std::string& fichier) {
    const int32_t avant = FNumImage;
    try {
        AfficheFichier(fichier);
    } catch (...) {
        if (FNumImage != avant) {
            FNumImage = avant;
            if (OnChangeNumImage) OnChangeNumImage(*this);
        }
        throw;
    }
}

void TDefileImage::SetNumImage(int32_t n) {
    // The box of the picture that failed is open, and the event loop turns
    // under it: a timer tick or the track bar dragged on would raise the next
    // bad picture's box over it, and so on without end. The picture stays the
    // one the box is about; the steps go on from it once the box is closed.
    if (form_.App().ShowingError()) return;
    n = std::max(n, 1);
    n = std::min(n, FListe.Count());
    if (n == FNumImage) return;
    FNumImage = n;
    if (OnChangeNumImage) OnChangeNumImage(*this);
    AfficheImageEnCours();
}

void TDefileImage::AfficheImageEnCours() {
    const int32_t count = FListe.Count();
    if (count > 0 && FNumImage >= 1 && FNumImage <= count) {
        const std::string nom = NomFichier(FNumImage);
        if (FNumImage == FNumTampon) {
            // The buffer's picture moves to the display: it is read ahead
            // again for the next number below.
            FNumTampon = 0;
            form_.Korvel1->AfficheGraphique(
                form_.ImageTamponSuivante1->GetPicture().TakeGraphic(), nom, FIdentiteTampon);
        } else if (platform::FileExists(nom)) {
            form_.Korvel1->ChargeFichier(nom);
        }
        form_.Korvel1->repaint();
    }
    if (FNumImage + 1 <= count && platform::FileExists(NomFichier(FNumImage + 1)))
        Precharge(FNumImage + 1);
}

void TDefileImage::Precharge(int32_t n) {
    // The buffer counts as holding picture n only once it decoded: a picture
    // that fails here is read again when it is shown, and its error is
    // reported then.
    FNumTampon = 0;
    Picture& tampon = form_.ImageTamponSuivante1->GetPicture();
    tampon.Assign(nullptr);
    const std::string nom = NomFichier(n);
    const std::optional<platform::FileIdentity> identite = platform::IdentifyFile(nom);
    std::unique_ptr<platform::Graphic> suivante;
    try {
        suivante = platform::PictureRegistry::Instance().CreateFor(nom);
        suivante->LoadFromFile(nom);
        if (!suivante->Empty()) {
            const platform::Rect r =
                form_.Korvel1->DispositionPour(suivante->Width(), suivante->Height());
            suivante->Prepare(std::max(r.Width(), 1), std::max(r.Height(), 1));
        }
    } catch (const std::exception&) {
        return;
    }
    tampon.SetGraphic(std::move(suivante));
    FNumTampon = n;
    FIdentiteTampon = identite;
}

void TDefileImage::Lance() {
    form_.TimerDefileImageTimer();
    form_.TimerDefileImage->SetEnabled(true);
}

void TDefileImage::LanceDiaporamaDebut() {
    FNumImage = 0;
    Lance();
}

void TDefileImage::Arrete() {
    form_.TimerDefileImage->SetEnabled(false);
}

}  // namespace app
