#include "app/form_rotation_automatique.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/chemins.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"

namespace app {

using platform::ui::Button;
using platform::ui::CheckBox;
using platform::ui::Q;

namespace {

constexpr int kQualiteFixeDefaut = 93;

}  // namespace

TFormRotationAutomatiquePhotosVerticales::TFormRotationAutomatiquePhotosVerticales(
    platform::ui::Application& application, Fiches& fiches)
    : Form(application, "FormRotationAutomatiquePhotosVerticales"),
      lot_(*this, fiches, ScruteDossier1) {
    SetCaption("Rotation des photos prises verticalement.");
    resize(540, 713);
    setMinimumHeight(246);

    auto* colonne = new QVBoxLayout(this);
    const auto etiquette = [&](const char* nom, const char* texte) {
        auto* label = new QLabel(Q(texte), this);
        label->setObjectName(nom);
        label->setWordWrap(true);
        colonne->addWidget(label);
        return label;
    };
    Label4 = etiquette("Label4", "Rotation des images prises verticalement");
    QFont gras = Label4->font();
    gras.setBold(true);
    Label4->setFont(gras);
    Label1 = etiquette("Label1",
                       "(Sous réserve que l'appareil photo  gère l'information \"EXIF\" concernant "
                       "l'orientation)");
    etiquette("Label2", "Sélectionner un des fichiers du dossier à traiter :");
    auto* source = new QHBoxLayout();
    EditFichierSource = new platform::ui::Edit(this, "EditFichierSource");
    EditFichierSource->setEnabled(false);
    EditFichierSource->setToolTip(
        Q("Pour choisir le dossier à scanner, cliquez sur le bouton parcourir"));
    source->addWidget(EditFichierSource, 1);
    Button1 = new Button(this, "Button1", "Parcourir");
    source->addWidget(Button1);
    colonne->addLayout(source);

    auto* sous = new QHBoxLayout();
    CheckBoxCisSousDossiers =
        new CheckBox(this, "CheckBoxCisSousDossiers", "Compris tous les sous-dossiers");
    CheckBoxCisSousDossiers->setToolTip(Q("Si coché : scanne également tous les sous-dossiers"));
    sous->addWidget(CheckBoxCisSousDossiers);
    LabelAttention = new QLabel(Q(" "), this);
    LabelAttention->setObjectName("LabelAttention");
    LabelAttention->setFont(gras);
    LabelAttention->setStyleSheet("color: red");
    sous->addWidget(LabelAttention, 1);
    colonne->addLayout(sous);

    CheckBoxTauxDeCompressionAutomatique =
        new CheckBox(this, "CheckBoxTauxDeCompressionAutomatique",
                     "Taux de compression automatique (recommandé)");
    CheckBoxTauxDeCompressionAutomatique->SetChecked(true);
    colonne->addWidget(CheckBoxTauxDeCompressionAutomatique);
    auto* taux = new QHBoxLayout();
    LabelTauxCompression = new QLabel(Q("Taux de compression"), this);
    LabelTauxCompression->setObjectName("LabelTauxCompression");
    LabelTauxCompression->setEnabled(false);
    taux->addWidget(LabelTauxCompression);
    SpinEdittauxCompression =
        new platform::ui::SpinEdit(this, "SpinEdittauxCompression", 80, 100, kQualiteFixeDefaut);
    SpinEdittauxCompression->setToolTip(Q("100=pas du tout comprimé."));
    SpinEdittauxCompression->setEnabled(false);
    taux->addWidget(SpinEdittauxCompression);
    taux->addStretch(1);
    colonne->addLayout(taux);
    CheckBoxConserverDateFichier =
        new CheckBox(this, "CheckBoxConserverDateFichier", "Conserver la date du fichier");
    CheckBoxConserverDateFichier->SetChecked(true);
    CheckBoxConserverDateFichier->setToolTip(
        Q("Si non coché, la date du fichier sera la date où est effectuée la rotation"));
    colonne->addWidget(CheckBoxConserverDateFichier);
    CheckBoxModifierProprieteOrientation = new CheckBox(
        this, "CheckBoxModifierProprieteOrientation", "Modifier la propriété \"Orientation\"");
    CheckBoxModifierProprieteOrientation->setToolTip(
        Q(" A utiliser si vous utilisez un logiciel qui tourne automatiquement les images "
          "verticales. Attention, \"Revenir à l'original\" ne pourra plus fonctionner."));
    colonne->addWidget(CheckBoxModifierProprieteOrientation);

    auto* boutons = new QHBoxLayout();
    ButtonModifierLesImages = new Button(this, "ButtonModifierLesImages", "Modifier les images");
    ButtonModifierLesImages->setToolTip(
        Q("Pour faire tourner les images prises verticalement mais qui s'affichent "
          "horizontalement."));
    boutons->addWidget(ButtonModifierLesImages);
    ButtonRevenirAOrigine =
        new Button(this, "ButtonRevenirAOrigine", "Revenir à l'orientation d'origine");
    boutons->addWidget(ButtonRevenirAOrigine);
    colonne->addLayout(boutons);
    Memo1 = new platform::ui::Memo(this, "Memo1");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    colonne->addWidget(Memo1, 1);
    LabelAfficheNomFichierTraite = etiquette("LabelAfficheNomFichierTraite", "");
    LabelAfficheNomFichierTraite->setFont(gras);

    ScruteDossier1.Filtre = "*.*";
    ScruteDossier1.SousDossier = false;
    ScruteDossier1.OnFichier = [this](components::TScruteDossier&, const std::string& nom) {
        ScruteDossier1Fichier(nom);
    };
    ScruteDossier1.OnFinExecute = [this](components::TScruteDossier&) {
        ScruteDossier1FinExecute();
    };
    lot_.Verrouille({ButtonModifierLesImages, ButtonRevenirAOrigine, Button1});

    Button1->OnClick = [this](Button&) { Button1Click(); };
    ButtonModifierLesImages->OnClick = [this](Button&) { ButtonModifierLesImagesClick(); };
    ButtonRevenirAOrigine->OnClick = [this](Button&) { ButtonRevenirAOrigineClick(); };
    CheckBoxCisSousDossiers->OnMouseUp = [this](CheckBox&) { CheckBoxCisSousDossiersMouseUp(); };
    CheckBoxTauxDeCompressionAutomatique->OnClick = [this](CheckBox&) {
        CheckBoxTauxDeCompressionAutomatiqueClick();
    };
    OnCreate = [this](Form&) { FormCreate(); };
    CenterOnScreen();
}

void TFormRotationAutomatiquePhotosVerticales::FormCreate() {
    LabelAfficheNomFichierTraite->clear();
    App().SetHintPause(0);
    App().SetHintHidePause(5000);
}

void TFormRotationAutomatiquePhotosVerticales::Button1Click() {
    platform::ui::OpenFileRequest demande;
    demande.filter = platform::PictureDialogFilter();
    const std::optional<std::string> fichier = App().GetDialogs().OpenFile(demande);
    if (fichier) EditFichierSource->SetText(*fichier);
}

// A click that reaches a locked button while a batch runs changes nothing,
// not even the mode of the run in progress.
void TFormRotationAutomatiquePhotosVerticales::ButtonModifierLesImagesClick() {
    if (lot_.EnCours()) return;
    FMode = ModeRotation::Tourne;
    ModifierLesImagesClick();
}

void TFormRotationAutomatiquePhotosVerticales::ButtonRevenirAOrigineClick() {
    if (lot_.EnCours()) return;
    FMode = ModeRotation::Revient;
    ModifierLesImagesClick();
}

void TFormRotationAutomatiquePhotosVerticales::ModifierLesImagesClick() {
    if (lot_.EnCours()) return;
    const std::string dossier = PartieDossier(EditFichierSource->Text());
    if (dossier.empty()) {
        App().GetDialogs().ShowMessage("Nom de dossier non valide");
        return;
    }
    lot_.Execute([&] {
        Memo1->clear();
        LabelAfficheNomFichierTraite->setText(Q("traitement en cours"));
        LabelAfficheNomFichierTraite->repaint();
        fichiers_.clear();
        if (CheckBoxCisSousDossiers->Checked()) {
            if (App().GetDialogs().AskYesNo("ATTENTION DANGER : cetaines images du dossier " +
                                            dossier + " et ses sous-dossiers seront modifiées")) {
                lot_.Scrute(dossier, true);
            }
        } else {
            lot_.Scrute(dossier, false);
        }
        RotationAutomatique rotation;
        rotation.mode = FMode;
        rotation.qualite =
            CheckBoxTauxDeCompressionAutomatique->Checked() ? 0 : SpinEdittauxCompression->Value();
        rotation.conserver_date = CheckBoxConserverDateFichier->Checked();
        rotation.orientation_normale = CheckBoxModifierProprieteOrientation->Checked();
        rotation.OnFichier = [this](const std::string& nom) {
            LabelAfficheNomFichierTraite->setText(QString::fromStdString(nom));
        };
        rotation.OnReecrit = [this](const std::string& nom) {
            Memo1->appendPlainText(QString::fromStdString(nom));
            lot_.Reecrit(nom);
        };
        rotation.TraiteMessages = lot_.TraiteMessages();
        const std::vector<std::string> fichiers = std::move(fichiers_);
        const std::vector<FichierIllisible> illisibles = rotation.Traite(fichiers);
        LabelAfficheNomFichierTraite->setText(Q("fin du traitement"));
        if (!illisibles.empty()) App().GetDialogs().ShowMessage(MessageIllisibles(illisibles));
    });
}

void TFormRotationAutomatiquePhotosVerticales::ScruteDossier1Fichier(const std::string& nom) {
    fichiers_.push_back(nom);
}

void TFormRotationAutomatiquePhotosVerticales::ScruteDossier1FinExecute() {
    LabelAfficheNomFichierTraite->clear();
}

void TFormRotationAutomatiquePhotosVerticales::CheckBoxCisSousDossiersMouseUp() {
    if (CheckBoxCisSousDossiers->Checked() &&
        !App().GetDialogs().AskYesNo(
            "ATTENTION DANGER : toutes les images de tous les sous-dossiers seront modifiées")) {
        CheckBoxCisSousDossiers->SetChecked(false);
    }
    LabelAttention->setText(CheckBoxCisSousDossiers->Checked() ? Q("ATTENTION DANGER") : QString());
}

void TFormRotationAutomatiquePhotosVerticales::CheckBoxTauxDeCompressionAutomatiqueClick() {
    const bool fixe = !CheckBoxTauxDeCompressionAutomatique->Checked();
    LabelTauxCompression->setEnabled(fixe);
    SpinEdittauxCompression->setEnabled(fixe);
}

}  // namespace app
