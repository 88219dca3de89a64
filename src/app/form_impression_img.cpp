#include "app/form_impression_img.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

#include "app/fiches.h"
#include "app/form1.h"
#include "app/mise_en_page_impression.h"

namespace app {

using platform::ui::Button;
using platform::ui::Q;
using platform::ui::RadioButton;

TFormImpressionImg::TFormImpressionImg(platform::ui::Application& application, Fiches& fiches)
    : Form(application, "FormImpressionImg"), fiches_(fiches) {
    SetCaption("FormImpressionImg");
    resize(455, 228);

    auto* colonne = new QVBoxLayout(this);
    auto* haut = new QHBoxLayout();
    colonne->addLayout(haut);

    auto* taille = new QGridLayout();
    haut->addLayout(taille);
    const auto etiquette = [this](const char* name, const char* texte) {
        auto* label = new QLabel(Q(texte), this);
        label->setObjectName(name);
        return label;
    };
    const auto spin = [this](const char* name, int valeur) {
        auto* edit = new platform::ui::SpinEdit(this, name, 0, 9999, valeur);
        edit->SetMaxLength(4);
        return edit;
    };
    Label1 = etiquette("Label1", "Taille de l'image (mm)");
    taille->addWidget(Label1, 0, 0, 1, 2);
    Label2 = etiquette("Label2", "Larg. Max");
    taille->addWidget(Label2, 1, 0);
    SpinEditLargeurImg = spin("SpinEditLargeurImg", 190);
    taille->addWidget(SpinEditLargeurImg, 1, 1);
    Label3 = etiquette("Label3", "Ht Max");
    taille->addWidget(Label3, 2, 0);
    SpinEditHauteurImg = spin("SpinEditHauteurImg", 133);
    taille->addWidget(SpinEditHauteurImg, 2, 1);
    CheckBoxPleinePage = new platform::ui::CheckBox(this, "CheckBoxPleinePage", "Pleine page");
    taille->addWidget(CheckBoxPleinePage, 3, 0, 1, 2);
    haut->addStretch(1);

    RadioGroup1 = new QGroupBox(Q("Orientation du papier"), this);
    RadioGroup1->setObjectName("RadioGroup1");
    auto* orientation = new QVBoxLayout(RadioGroup1);
    RadioButtonPortrait = new RadioButton(RadioGroup1, "RadioButtonPortrait", "Portrait");
    RadioButtonPortrait->SetChecked(true);
    orientation->addWidget(RadioButtonPortrait);
    RadioButton2 = new RadioButton(RadioGroup1, "RadioButton2", "Paysage");
    orientation->addWidget(RadioButton2);
    haut->addWidget(RadioGroup1);
    colonne->addStretch(1);

    auto* boutons = new QHBoxLayout();
    colonne->addLayout(boutons);
    ButtonPreview = new Button(this, "ButtonPreview", "Prévisualisation");
    boutons->addWidget(ButtonPreview);
    BitBtnImpression = new Button(this, "BitBtnImpression", "Impression");
    BitBtnImpression->setIcon(QIcon::fromTheme("document-print"));
    boutons->addWidget(BitBtnImpression);
    boutons->addStretch(1);
    BitBtn2 = new Button(this, "BitBtn2", "&Fermer");
    BitBtn2->setIcon(QApplication::style()->standardIcon(QStyle::SP_DialogCloseButton));
    boutons->addWidget(BitBtn2);

    CheckBoxPleinePage->OnClick = [this](platform::ui::CheckBox&) { CheckBoxPleinePageClick(); };
    RadioButtonPortrait->OnClick = [this](RadioButton&) { RadioButtonPortraitClick(); };
    RadioButton2->OnClick = [this](RadioButton&) { RadioButton2Click(); };
    ButtonPreview->OnClick = [this](Button&) { ButtonPreviewClick(); };
    BitBtnImpression->OnClick = [this](Button&) { BitBtnImpressionClick(); };
    BitBtn2->OnClick = [this](Button&) { close(); };
    OnShow = [this](Form&) { FormShow(); };
}

void TFormImpressionImg::FormShow() {
    QRect bornes(QPoint(), size());
    bornes.moveCenter(fiches_.Form1->geometry().center());
    SetNormalBounds(FitOnScreen(bornes));
}

// The report lays the picture out at the start of each rendering, with the
// page as the preview may have changed it; the paper's orientation chosen
// there stays for the next print.
void TFormImpressionImg::ButtonPreviewClick() {
    platform::ui::Report& rapport = fiches_.FormQR->QuickRep1;
    rapport.Preview(this);
    if (rapport.Orientation() == platform::ui::PageOrientation::Landscape) {
        RadioButton2->SetChecked(true);
    } else {
        RadioButtonPortrait->SetChecked(true);
    }
}

void TFormImpressionImg::BitBtnImpressionClick() {
    fiches_.FormQR->QuickRep1.Print(this);
}

void TFormImpressionImg::RadioButtonPortraitClick() {
    fiches_.FormQR->QuickRep1.SetOrientation(platform::ui::PageOrientation::Portrait);
}

void TFormImpressionImg::RadioButton2Click() {
    fiches_.FormQR->QuickRep1.SetOrientation(platform::ui::PageOrientation::Landscape);
}

void TFormImpressionImg::CheckBoxPleinePageClick() {
    const bool libre = !CheckBoxPleinePage->Checked();
    SpinEditLargeurImg->setEnabled(libre);
    SpinEditHauteurImg->setEnabled(libre);
}

TFormQR::TFormQR(platform::ui::Application& application, Fiches& fiches)
    : Form(application, "FormQR"),
      QuickRep1(application),
      QRImage1(QuickRep1.Image()),
      fiches_(fiches) {
    SetCaption("FormQR");
    QuickRep1.BeforePrint = [this](platform::ui::Report&) { ChangeTailleImage(); };
}

void TFormQR::ChangeTailleImage() {
    const TFormImpressionImg& dialogue = *fiches_.FormImpressionImg;
    const std::optional<Emplacement> place =
        PlaceImage(QuickRep1.Page(),
                   {dialogue.SpinEditLargeurImg->Value(), dialogue.SpinEditHauteurImg->Value(),
                    dialogue.CheckBoxPleinePage->Checked()},
                   QRImage1.picture.Width(), QRImage1.picture.Height(), QuickRep1.Resolution());
    if (place) QRImage1.bounds = QRect(place->gauche, place->haut, place->largeur, place->hauteur);
}

}  // namespace app
