#include "app/form_vision_diapos.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "app/defile_image.h"
#include "app/fiches.h"
#include "app/form1.h"
#include "app/form_creation_html.h"
#include "components/garde_position_fiche.h"
#include "components/jpeg_diaporama.h"
#include "components/svg_edit_ini.h"
#include "platform/core/files.h"
#include "platform/ui/application.h"

namespace app {

using platform::ui::Button;
using platform::ui::Q;
using platform::ui::SpinEdit;

namespace {

// Cell sizes kept below this come back as the defaults when the window shows.
constexpr int kTailleMin = 10;
constexpr int kLargeurDefaut = 80;
constexpr int kHauteurDefaut = 60;

}  // namespace

void RempliListeFichiers(const TDefileImage& defile, platform::StringList& liste) {
    liste.Clear();
    for (int32_t i = 1; i <= defile.FListe.Count(); ++i) liste.Add(defile.NomFichier(i));
}

TFormVisionDiapos::TFormVisionDiapos(platform::ui::Application& application, Fiches& fiches)
    : Form(application, "FormVisionDiapos"), fiches_(fiches) {
    SetCaption("Diapos");
    setGeometry(3, 3, 327, 550);

    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(0);

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(57);
    colonne->addWidget(Panel1);
    auto* rangee = new QHBoxLayout(Panel1);
    rangee->setContentsMargins(4, 2, 4, 2);
    rangee->setSpacing(4);

    Panel2 = new QWidget(Panel1);
    Panel2->setObjectName("Panel2");
    auto* legendes = new QVBoxLayout(Panel2);
    legendes->setContentsMargins(0, 0, 0, 0);
    legendes->setSpacing(0);
    Label1 = new QLabel(Q("Largeur,"), Panel2);
    Label1->setObjectName("Label1");
    Label2 = new QLabel(Q("Hauteur des diapos"), Panel2);
    Label2->setObjectName("Label2");
    legendes->addWidget(Label1);
    legendes->addWidget(Label2);
    rangee->addWidget(Panel2);

    // No bounds: the value is whatever integer the user types.
    SpinEditLargeurDiapos = new SpinEdit(Panel1, "SpinEditLargeurDiapos", 0, 0, kLargeurDefaut);
    SpinEditLargeurDiapos->setToolTip(Q("Largeur des diapositives"));
    SpinEditHauteurDiapos = new SpinEdit(Panel1, "SpinEditHauteurDiapos", 0, 0, kHauteurDefaut);
    SpinEditHauteurDiapos->setToolTip(Q("Hauteur des diapositives"));
    // Unbounded, they would size for the digits of 0: wide enough for four.
    for (SpinEdit* taille : {SpinEditLargeurDiapos, SpinEditHauteurDiapos}) {
        taille->SetMaxLength(5);
        taille->setMinimumWidth(taille->sizeHint().width() +
                                taille->fontMetrics().horizontalAdvance("0000"));
        rangee->addWidget(taille);
    }
    BitBtnValideDimDiapos = new Button(Panel1, "BitBtnValideDimDiapos", "Ok");
    BitBtnValideDimDiapos->setDefault(true);
    BitBtnValideDimDiapos->setToolTip(Q("Validation de la hauteur et largeur"));
    BitBtnValideDimDiapos->setMaximumWidth(40);
    rangee->addWidget(BitBtnValideDimDiapos);

    auto* droite = new QVBoxLayout();
    droite->setSpacing(0);
    CheckBoxToujoursVisible =
        new platform::ui::CheckBox(Panel1, "CheckBoxToujoursVisible", "Toujours visible");
    CheckBoxToujoursVisible->setChecked(true);
    droite->addWidget(CheckBoxToujoursVisible);
    BitBtnCreationPage = new Button(Panel1, "BitBtnCreationPage", "HTML");
    BitBtnCreationPage->setToolTip(
        Q("Création d'une page HTML à partir des photos de la planche contact."));
    droite->addWidget(BitBtnCreationPage);
    rangee->addLayout(droite);
    rangee->addStretch(1);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    JPegDiaporama1 = new components::TJPegDiaporama(ScrollBox1, "JPegDiaporama1");
    JPegDiaporama1->LargeurDiapo = 100;
    JPegDiaporama1->HauteurDiapo = 100;
    JPegDiaporama1->EcartXEntreImage = 5;
    JPegDiaporama1->EcartYEntreImage = 5;
    ScrollBox1->setWidget(JPegDiaporama1);
    // A wheel notch or an arrow moves the sheet by about one row.
    ScrollBox1->verticalScrollBar()->setSingleStep(35);
    colonne->addWidget(ScrollBox1, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(true);
    StatusPanel0 = new QLabel(StatusBar1);
    StatusPanel0->setMinimumWidth(50);
    StatusPanel1 = new QLabel(StatusBar1);
    StatusPanel1->setMinimumWidth(50);
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1, 1);
    colonne->addWidget(StatusBar1);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    colonne->setMenuBar(MainMenu1);
    const auto commande = [this](QMenu* menu, const char* nom, const char* legende,
                                 void (TFormVisionDiapos::*fn)()) {
        QAction* action = menu->addAction(Q(legende));
        action->setObjectName(nom);
        connect(action, &QAction::triggered, this,
                [this, fn] { App().Guard([&] { (this->*fn)(); }); });
        return action;
    };
    Fermer1 = commande(MainMenu1->addMenu(Q("&Fichier")), "Fermer1", "&Fermer",
                       &TFormVisionDiapos::Fermer1Click);
    CrationdunepageHTML1 =
        commande(MainMenu1->addMenu(Q("&Outils")), "CrationdunepageHTML1",
                 "Création d'une page HTML", &TFormVisionDiapos::CreationPageClick);

    SvgEditIni1 = new components::TSvgEditIni(*this);
    SvgEditIni1->SauveEdit = false;
    SvgEditIni1->SauveRadioButton = false;
    GardePositionFiche1 = new components::TGardePositionFiche(*this);

    replacement_ = new QTimer(this);
    replacement_->setSingleShot(true);
    replacement_->setInterval(0);
    connect(replacement_, &QTimer::timeout, this,
            [this] { App().Guard([this] { WMExitSizeMove(); }); });

    OnCreate = [this](Form&) { FormCreate(); };
    OnShow = [this](Form&) { FormShow(); };
    OnClose = [this](Form&, platform::ui::CloseAction&) { FormClose(); };
    BitBtnValideDimDiapos->OnClick = [this](Button&) { BitBtnValideDimDiaposClick(); };
    BitBtnCreationPage->OnClick = [this](Button&) { CreationPageClick(); };
    CheckBoxToujoursVisible->OnClick = [this](platform::ui::CheckBox&) {
        OnClickCheckBoxToujoursVisibleClick();
    };
    JPegDiaporama1->OnClickDiapo = [this](components::TKorvel& diapo) {
        JPegDiaporama1ClickDiapo(diapo);
    };
    JPegDiaporama1->OnResize = [this](components::TJPegDiaporama& planche) {
        if (planche.width() != largeur_placee_) replacement_->start();
    };
}

void TFormVisionDiapos::Loaded() {
    SvgEditIni1->Loaded();
    GardePositionFiche1->Loaded();
}

std::vector<std::string> TFormVisionDiapos::CheminsDesDiapos() const {
    std::vector<std::string> chemins;
    for (const components::TKorvel* diapo : JPegDiaporama1->ListeDiapos())
        chemins.push_back(diapo->CheminFichier);
    return chemins;
}

void TFormVisionDiapos::FormCreate() {
    OnClickCheckBoxToujoursVisibleClick();
}

void TFormVisionDiapos::FormShow() {
    if (SpinEditLargeurDiapos->Value() < kTailleMin)
        SpinEditLargeurDiapos->SetValue(kLargeurDefaut);
    if (SpinEditHauteurDiapos->Value() < kTailleMin)
        SpinEditHauteurDiapos->SetValue(kHauteurDefaut);
}

void TFormVisionDiapos::WMExitSizeMove() {
    largeur_placee_ = JPegDiaporama1->width();
    JPegDiaporama1->PlaceDiapos();
}

void TFormVisionDiapos::FormClose() {
    // Hidden, the sheet keeps its thumbnails; the pictures still to come
    // would be made for nobody.
    JPegDiaporama1->Annule();
}

void TFormVisionDiapos::ReactualiseAffichage() {
    JPegDiaporama1->LargeurDiapo = SpinEditLargeurDiapos->Value();
    JPegDiaporama1->HauteurDiapo = SpinEditHauteurDiapos->Value();
    RempliListeFichiers(fiches_.Form1->DefileImage(), JPegDiaporama1->StringListNomFichier);
    largeur_placee_ = JPegDiaporama1->width();
    JPegDiaporama1->Execute();
    for (components::TKorvel* diapo : JPegDiaporama1->ListeDiapos()) {
        diapo->OnMouseMove = [this](QWidget& sender, const platform::ui::MouseArgs& args) {
            OnMouseMoveSurDiapo(sender, args);
        };
    }
    StatusPanel0->setText(QString::number(JPegDiaporama1->ListeDiapos().size()) + " Img");
}

void TFormVisionDiapos::BitBtnValideDimDiaposClick() {
    ReactualiseAffichage();
}

void TFormVisionDiapos::JPegDiaporama1ClickDiapo(components::TKorvel& sender) {
    if (platform::FileExists(sender.CheminFichier)) {
        fiches_.Form1->DefileImage().AfficheFichierChoisi(sender.CheminFichier);
    } else {
        App().GetDialogs().ShowMessage("le fichier a été effacé");
    }
}

void TFormVisionDiapos::OnMouseMoveSurDiapo(QWidget& sender,
                                            const platform::ui::MouseArgs& /*args*/) {
    const auto* diapo = dynamic_cast<const components::TKorvel*>(&sender);
    if (diapo == nullptr) return;
    const QString texte = QString::fromStdString(diapo->CheminFichier) +
                          "Taille : " + QString::number(diapo->LargeurImage) + " X " +
                          QString::number(diapo->HauteurImage);
    StatusPanel1->setText(texte);
    // A long path runs past a narrow window: the whole text as its hint.
    StatusPanel1->setToolTip(texte);
}

void TFormVisionDiapos::CreationPageClick() {
    // The album dialog reads its pictures from CheminsDesDiapos.
    fiches_.FormCreationHtml->ShowModal();
}

void TFormVisionDiapos::Fermer1Click() {
    close();
}

void TFormVisionDiapos::OnClickCheckBoxToujoursVisibleClick() {
    SetStayOnTop(CheckBoxToujoursVisible->Checked());
}

}  // namespace app
