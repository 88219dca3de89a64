#include "app/form_change_ht_lg.h"

#include <QGridLayout>
#include <algorithm>

#include "app/fiches.h"
#include "app/form1.h"

namespace app {

using platform::ui::SpinEdit;

namespace {

// The sizes a picture file can take.
constexpr int kCoteMax = 65535;

}  // namespace

std::optional<int64_t> CoteProportionnel(int32_t nouveau, int32_t cote, int32_t autre) {
    if (cote <= 0 || autre <= 0) return std::nullopt;
    const int64_t produit = int64_t{nouveau} * autre;
    const int64_t grandeur = produit < 0 ? -produit : produit;
    int64_t quotient = grandeur / cote;
    const int64_t double_reste = 2 * (grandeur % cote);
    if (double_reste > cote || (double_reste == cote && quotient % 2 != 0)) ++quotient;
    return produit < 0 ? -quotient : quotient;
}

TFormChangeHtLg::TFormChangeHtLg(platform::ui::Application& application, Fiches& fiches)
    : Form(application, "FormChangeHtLg"), fiches_(fiches) {
    SetCaption("Nouvelles hauteur et largeur ");
    auto* grille = new QGridLayout(this);
    const auto etiquette = [&](const char* texte, int ligne) {
        grille->addWidget(new QLabel(QString::fromUtf8(texte), this), ligne, 0);
    };
    etiquette("Largeur actuelle : ", 0);
    LabelLargeur = new QLabel(this);
    LabelLargeur->setObjectName("LabelLargeur");
    grille->addWidget(LabelLargeur, 0, 1);
    etiquette("Hauteur actuelle : ", 1);
    LabelHauteur = new QLabel(this);
    LabelHauteur->setObjectName("LabelHauteur");
    grille->addWidget(LabelHauteur, 1, 1);
    etiquette("Nouvelle Largeur", 2);
    SpinEditNouvLargeur = new SpinEdit(this, "SpinEditNouvLargeur", 0, kCoteMax, 0);
    grille->addWidget(SpinEditNouvLargeur, 2, 1);
    etiquette("Nouvelle hauteur de l'image", 3);
    SpinEditNouvHauteur = new SpinEdit(this, "SpinEditNouvHauteur", 0, kCoteMax, 0);
    grille->addWidget(SpinEditNouvHauteur, 3, 1);
    BitBtn1 = new platform::ui::Button(this, "BitBtn1", "OK", platform::ui::ModalResult::Ok);
    BitBtn1->setDefault(true);
    grille->addWidget(BitBtn1, 4, 1, Qt::AlignRight);

    SpinEditNouvLargeur->OnChange = [this](SpinEdit&) { SpinEditNouvLargeurChange(); };
    SpinEditNouvHauteur->OnChange = [this](SpinEdit&) { SpinEditNouvHauteurChange(); };
    OnShow = [this](Form&) { FormShow(); };
    // No size of its own: the size of what it holds.
    adjustSize();
    CenterOnScreen();
}

int32_t TFormChangeHtLg::Largeur() const {
    return fiches_.Form1->Korvel1->GetPicture().Width();
}

int32_t TFormChangeHtLg::Hauteur() const {
    return fiches_.Form1->Korvel1->GetPicture().Height();
}

void TFormChangeHtLg::Proportionne(const SpinEdit& source, SpinEdit& cible, int32_t cote,
                                   int32_t autre) {
    const std::optional<int64_t> valeur = CoteProportionnel(source.Value(), cote, autre);
    if (!valeur) return;
    cible.SetValue(
        static_cast<int>(std::clamp<int64_t>(*valeur, cible.MinValue(), cible.MaxValue())));
}

void TFormChangeHtLg::FormShow() {
    LabelLargeur->setNum(Largeur());
    LabelHauteur->setNum(Hauteur());
    Proportionne(*SpinEditNouvLargeur, *SpinEditNouvHauteur, Largeur(), Hauteur());
}

// Each side follows the other only while the user edits it, so that setting
// one from here does not bounce back into the first.
void TFormChangeHtLg::SpinEditNouvLargeurChange() {
    if (!SpinEditNouvLargeur->hasFocus()) return;
    Proportionne(*SpinEditNouvLargeur, *SpinEditNouvHauteur, Largeur(), Hauteur());
}

void TFormChangeHtLg::SpinEditNouvHauteurChange() {
    if (!SpinEditNouvHauteur->hasFocus()) return;
    Proportionne(*SpinEditNouvHauteur, *SpinEditNouvLargeur, Hauteur(), Largeur());
}

}  // namespace app
