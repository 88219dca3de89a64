#include "app/form_edit_picture.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QSplitter>
#include <QVBoxLayout>
#include <cmath>

#include "platform/core/arith.h"
#include "platform/core/text.h"
#include "platform/ui/application.h"

namespace app {

using platform::ui::Button;
using platform::ui::Q;
using platform::ui::SpinEdit;
using platform::ui::TrackBar;

namespace {

// A value that differs from the current one by no more than this is the
// echo of a control the dialog has just set, not a new setting.
constexpr double kEcart = 0.005;

bool Proche(double a, double b) {
    return std::fabs(a - b) <= kEcart;
}

QString Texte(double valeur) {
    return QString::fromStdString(platform::FormatFloatGeneral(valeur));
}

// A coefficient is written with up to 15 significant digits: its label keeps
// room for the longest, so that the track bar beside it neither shrinks nor
// moves as the value changes.
void PlacePourCoefficient(QLabel& label) {
    label.setFixedWidth(label.fontMetrics().horizontalAdvance(QString("-0.") + QString(15, '0')));
}

}  // namespace

int32_t NiveauMoyen(const components::CouleurBgr& moyenne) {
    const int32_t niveau = platform::Round((moyenne.rouge + moyenne.vert + moyenne.bleu) / 3.0);
    return niveau == 0 ? 1 : niveau;
}

TFormEditPicture::TFormEditPicture(platform::ui::Application& application, Fiches& /*fiches*/)
    : Form(application, "FormEditPicture") {
    SetCaption("Edition de l'image");
    resize(715, 587);
    CreeControles();
    OnCreate = [this](Form&) { FormCreate(); };
    OnShow = [this](Form&) { FormShow(); };
    CenterOnScreen();
}

void TFormEditPicture::CreeControles() {
    auto* colonne = new QVBoxLayout(this);

    // The result on the left, the untouched source and the drawn rectangle on
    // the right, each share movable.
    auto* images = new QSplitter(Qt::Horizontal, this);
    colonne->addWidget(images, 1);
    const auto affichage = [](QWidget* parent, const char* name, int32_t marge) {
        auto* brenlow = new components::TImageBrenlow(parent, name);
        brenlow->SetSaisieRectangle(true);
        brenlow->SetSaisieRectangleProportionelle(false);
        brenlow->SetStretch(true);
        brenlow->SetMargeConstante(marge);
        brenlow->SetCoefZoom(1.0);
        brenlow->SetGardeProportion(true);
        return brenlow;
    };
    ImageBrenlow1 = affichage(images, "ImageBrenlow1", 10);
    ImageBrenlow1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    images->addWidget(ImageBrenlow1);
    auto* selection = new QGroupBox(Q("Sélectionnez un rectangle pour luminosité auto"), images);
    images->addWidget(selection);
    images->setStretchFactor(0, 3);
    images->setStretchFactor(1, 2);
    auto* dans_selection = new QVBoxLayout(selection);
    auto* source_et_rectangle = new QSplitter(Qt::Vertical, selection);
    dans_selection->addWidget(source_et_rectangle);
    auto* base = new QGroupBox(Q("Image de base"), source_et_rectangle);
    source_et_rectangle->addWidget(base);
    auto* dans_base = new QVBoxLayout(base);
    ImageBrenlowSource = affichage(base, "ImageBrenlowSource", 5);
    ImageBrenlowSource->setToolTip(
        Q("Pour un réglage automatique de la luminosité. Décrivez un rectangle de la zone à "
          "favoriser dans l'image de base."));
    dans_base->addWidget(ImageBrenlowSource);
    ImageSaisieRectangle = new platform::ui::Image(source_et_rectangle, "ImageSaisieRectangle");
    ImageSaisieRectangle->SetStretch(true);
    ImageSaisieRectangle->SetProportional(true);
    source_et_rectangle->addWidget(ImageSaisieRectangle);
    ImageBrenlow1->SetImageResultatSaisiRectangle(ImageSaisieRectangle);
    ImageBrenlowSource->SetImageResultatSaisiRectangle(ImageSaisieRectangle);

    auto* reglages = new QHBoxLayout();
    colonne->addLayout(reglages);
    const auto reglage = [&](QGridLayout* grille, int ligne, SpinEdit* spin, TrackBar* track,
                             const char* hint) {
        spin->setToolTip(Q(hint));
        track->setToolTip(Q(hint));
        grille->addWidget(spin, ligne, 0);
        grille->addWidget(track, ligne, 1);
    };

    auto* groupe_luminosite = new QGroupBox(Q("Luminosité"), this);
    reglages->addWidget(groupe_luminosite, 1);
    auto* grille_luminosite = new QGridLayout(groupe_luminosite);
    SpinEditLuminosite = new SpinEdit(groupe_luminosite, "SpinEditLuminosite", -100, 100, 0);
    TrackBarLuminosite = new TrackBar(groupe_luminosite, "TrackBarLuminosite", -100, 100, 0);
    reglage(grille_luminosite, 0, SpinEditLuminosite, TrackBarLuminosite, "0 = Origine");
    LabelLuminosite = new QLabel(Q("0"), groupe_luminosite);
    LabelLuminosite->setObjectName("LabelLuminosite");
    PlacePourCoefficient(*LabelLuminosite);
    grille_luminosite->addWidget(LabelLuminosite, 0, 2);
    ButtonLuminositeAutomatiqueParMoyenne = new Button(
        groupe_luminosite, "ButtonLuminositeAutomatiqueParMoyenne", "Luminosite moyenne");
    ButtonLuminositeAutomatiqueParMoyenne->setToolTip(
        Q("Pour un réglage automatique de la luminosité. Pour un réglage plus préçis, décrivez "
          "un rectangle dans l'image de base"));
    grille_luminosite->addWidget(ButtonLuminositeAutomatiqueParMoyenne, 1, 0, 1, 2);
    LabelLuminositeMoyenne = new QLabel(Q("0"), groupe_luminosite);
    LabelLuminositeMoyenne->setObjectName("LabelLuminositeMoyenne");
    grille_luminosite->addWidget(LabelLuminositeMoyenne, 1, 2);

    auto* groupe_contraste = new QGroupBox(Q("Contraste"), this);
    reglages->addWidget(groupe_contraste, 1);
    auto* grille_contraste = new QGridLayout(groupe_contraste);
    SpinEditContraste = new SpinEdit(groupe_contraste, "SpinEditContraste", -100, 100, 0);
    TrackBarContraste = new TrackBar(groupe_contraste, "TrackBarContraste", -100, 100, 0);
    reglage(grille_contraste, 0, SpinEditContraste, TrackBarContraste, "0 = Origine");
    LabelContraste = new QLabel(Q("0"), groupe_contraste);
    LabelContraste->setObjectName("LabelContraste");
    PlacePourCoefficient(*LabelContraste);
    grille_contraste->addWidget(LabelContraste, 0, 2);
    grille_contraste->addWidget(new QLabel(Q("Pivot"), groupe_contraste), 1, 2);
    SpinEditPivot = new SpinEdit(groupe_contraste, "SpinEditPivot", 0, 255, 127);
    SpinEditPivot->SetMaxLength(3);
    TrackBarPivot = new TrackBar(groupe_contraste, "TrackBarPivot", 0, 255, 127);
    reglage(grille_contraste, 1, SpinEditPivot, TrackBarPivot, "0 à 255 Origine : 127");

    auto* commandes = new QGridLayout();
    reglages->addLayout(commandes);
    const auto bouton = [&](const char* name, const char* caption, int ligne, int colonne_grille,
                            platform::ui::ModalResult resultat = platform::ui::ModalResult::None) {
        auto* b = new Button(this, name, caption, resultat);
        commandes->addWidget(b, ligne, colonne_grille);
        return b;
    };
    BitBtnRotation90 = bouton("BitBtnRotation90", "Rotation 90", 0, 0);
    BitBtnRotationMoins90 = bouton("BitBtnRotationMoins90", "Rotation -90", 1, 0);
    BitBtnRotation180 = bouton("BitBtnRotation180", "Rotation 180", 2, 0);
    BitBtnReinitialiserCouleur = bouton("BitBtnReinitialiserCouleur", "Réinitialiser", 0, 1);
    BitBtnReinitialiserCouleur->setToolTip(Q("Remettre l'image comme à l'origine"));
    BitBtnOK = bouton("BitBtnOK", "OK", 1, 1, platform::ui::ModalResult::Ok);
    BitBtnOK->setToolTip(Q("Sortir en sauvant"));
    BitBtnOK->setDefault(true);
    BitBtn2 = bouton("BitBtn2", "Annuler", 2, 1, platform::ui::ModalResult::Cancel);
    SetCancelButton(BitBtn2);

    SpinEditLuminosite->OnChange = [this](SpinEdit&) { SpinEditOnLumChange(); };
    TrackBarLuminosite->OnChange = [this](TrackBar&) { TrackBarLuminositeChange(); };
    SpinEditContraste->OnChange = [this](SpinEdit&) { SpinEditContrasteChange(); };
    TrackBarContraste->OnChange = [this](TrackBar&) { TrackBarContrasteChange(); };
    SpinEditPivot->OnChange = [this](SpinEdit&) { SpinEditPivotChange(); };
    TrackBarPivot->OnChange = [this](TrackBar&) { TrackBarPivotChange(); };
    ButtonLuminositeAutomatiqueParMoyenne->OnClick = [this](Button&) {
        ButtonLuminositeAutomatiqueParMoyenneClick();
    };
    ImageBrenlowSource->OnMouseUp = [this](QWidget&, const platform::ui::MouseArgs&) {
        ImageBrenlow1MouseUp();
    };
    BitBtnRotation90->OnClick = [this](Button&) { BitBtnRotation90Click(); };
    BitBtnRotationMoins90->OnClick = [this](Button&) { BitBtnRotationMoins90Click(); };
    BitBtnRotation180->OnClick = [this](Button&) { BitBtnRotation180Click(); };
    BitBtnReinitialiserCouleur->OnClick = [this](Button&) { BitBtnReinitialiserCouleurClick(); };
    BitBtnOK->OnClick = [this](Button&) { BitBtnOKClick(); };
}

void TFormEditPicture::Loaded() {
    ImageBrenlow1->Loaded();
    ImageBrenlowSource->Loaded();
}

platform::ui::ModalResult TFormEditPicture::Edite(const platform::Picture& source,
                                                  platform::Picture& cible) {
    FPictureRetour = &cible;
    FPicture.Assign(source);
    for (components::TImageBrenlow* vue : {ImageBrenlowSource, ImageBrenlow1}) {
        vue->GetPicture().Assign(source);
        vue->AjusteImage();
    }
    return ShowModal();
}

void TFormEditPicture::FormCreate() {
    Reinitialise();
    LabelContraste->setText(Texte(FContraste));
    LabelLuminosite->setText(Texte(FLuminosite));
}

void TFormEditPicture::FormShow() {
    Reinitialise();
    Rendu();
}

void TFormEditPicture::Reinitialise() {
    SetPivot(127);
    SetLuminosite(1.0);
    SetContraste(0.0);
}

void TFormEditPicture::BitBtnReinitialiserCouleurClick() {
    Reinitialise();
}

void TFormEditPicture::Rendu() {
    components::LuminositeContraste(FPivot, FPicture, ImageBrenlow1->GetPicture(), FLuminosite,
                                    FContraste);
}

// The controls stop at their bounds and echo their own value back, so a
// coefficient beyond them ends as the bound.
void TFormEditPicture::SetLuminosite(double coefficient) {
    if (Proche(coefficient, FLuminosite)) return;
    FLuminosite = coefficient;
    SpinEditLuminosite->SetValue(platform::Round(FLuminosite * 100 - 100));
    TrackBarLuminosite->SetPosition(platform::Round(FLuminosite * 100 - 100));
    Rendu();
    LabelLuminosite->setText(Texte(FLuminosite));
}

void TFormEditPicture::SetContraste(double facteur) {
    if (Proche(facteur, FContraste)) return;
    FContraste = facteur;
    SpinEditContraste->SetValue(platform::Round(FContraste * 100));
    TrackBarContraste->SetPosition(platform::Round(FContraste * 100));
    Rendu();
    LabelContraste->setText(Texte(FContraste));
}

void TFormEditPicture::SetPivot(int32_t pivot) {
    if (pivot == FPivot) return;
    FPivot = pivot;
    SpinEditPivot->SetValue(pivot);
    TrackBarPivot->SetPosition(pivot);
    Rendu();
}

void TFormEditPicture::TrackBarLuminositeChange() {
    SetLuminosite(TrackBarLuminosite->Position() / 100.0 + 1);
}

void TFormEditPicture::SpinEditOnLumChange() {
    SetLuminosite(SpinEditLuminosite->Value() / 100.0 + 1);
}

void TFormEditPicture::TrackBarContrasteChange() {
    SetContraste(TrackBarContraste->Position() / 100.0);
}

void TFormEditPicture::SpinEditContrasteChange() {
    SetContraste(SpinEditContraste->Value() / 100.0);
}

void TFormEditPicture::TrackBarPivotChange() {
    SetPivot(TrackBarPivot->Position());
}

void TFormEditPicture::SpinEditPivotChange() {
    SetPivot(SpinEditPivot->Value());
}

void TFormEditPicture::LuminositeAutomatique(const platform::Picture& picture) {
    const std::optional<components::CouleurBgr> moyenne = components::CouleurMoyenne(picture);
    if (!moyenne) return;
    const int32_t niveau = NiveauMoyen(*moyenne);
    // The coefficient that brings that level to the middle grey.
    SetLuminosite(128.0 / niveau);
    LabelLuminositeMoyenne->setNum(niveau);
}

void TFormEditPicture::ButtonLuminositeAutomatiqueParMoyenneClick() {
    LuminositeAutomatique(FPicture);
}

void TFormEditPicture::ImageBrenlow1MouseUp() {
    LuminositeAutomatique(ImageSaisieRectangle->GetPicture());
}

void TFormEditPicture::BitBtnRotation90Click() {
    ImageBrenlow1->Rotation(90);
}

void TFormEditPicture::BitBtnRotationMoins90Click() {
    ImageBrenlow1->Rotation(-90);
}

void TFormEditPicture::BitBtnRotation180Click() {
    ImageBrenlow1->Rotation(180);
}

void TFormEditPicture::BitBtnOKClick() {
    FPictureRetour->Assign(ImageBrenlow1->GetPicture());
}

}  // namespace app
