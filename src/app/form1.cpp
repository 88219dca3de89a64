#include "app/form1.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <map>
#include <numeric>
#include <set>
#include <utility>
#include <vector>

#include "app/about_box.h"
#include "app/chemins.h"
#include "app/defile_image.h"
#include "app/donnees_prise_de_vue.h"
#include "app/form_ajout_prefixe.h"
#include "app/form_change_ht_lg.h"
#include "app/form_edit_picture.h"
#include "app/form_impression_img.h"
#include "app/form_modif_taille_jpg_1_dossier.h"
#include "app/form_options.h"
#include "app/form_proprietes_diapos.h"
#include "app/form_rotation_automatique.h"
#include "app/form_vision_diapos.h"
#include "app/ligne_commande.h"
#include "app/lot_en_cours.h"
#include "components/outils.h"
#include "components/outils_shell.h"
#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "platform/core/arith.h"
#include "platform/core/files.h"
#include "platform/core/text.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"
#include "platform/ui/shell.h"

namespace app {

using platform::ui::Application;
using platform::ui::BorderStyle;
using platform::ui::CheckBox;
using platform::ui::Q;
using platform::ui::SpeedButton;
using platform::ui::TrackBar;
using platform::ui::WindowState;

namespace {

// A quarter of a second, in days: wheel notches closer than this to the last
// step are dropped.
constexpr double kPauseMolette = 2.8935185185185184e-6;

double JoursDepuisDemarrage() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count() / 86400.0;
}

LigneCommande Analyse(const std::vector<std::string>& arguments) {
    return AnalyseLigneCommande(arguments, platform::CurrentDirectory(),
                                [](const std::string& nom) { return platform::FileExists(nom); });
}

// The window's width as designed, and the part of it the panel's commands take.
constexpr int kLargeurFenetre = 1060;
constexpr int kLargeurCommandes = 800;
// Narrower, a track bar's handle has too few places left to stop at.
constexpr int kLargeurMinBarre = 48;

// The control panel along the window's bottom edge: the commands at their
// places on the left, the shooting data in the rest of its width. In a
// window narrower than designed, the track bars give their width before the
// shooting data do, down to what lets them and their captions show whole,
// and the controls on their right move left with them.
class Panneau final : public QWidget {
public:
    explicit Panneau(QWidget* parent)
        : QWidget(parent), commandes_(new QWidget(this)), donnees_(new QWidget(this)) {}

    QWidget* Commandes() const { return commandes_; }
    QWidget* Donnees() const { return donnees_; }

    // Once every command is at its place: `donnees` is the width the
    // shooting data keep, each bar comes with its caption or the box it
    // stands in, narrowing with it, and they give their width in this order.
    void FixePlaces(int donnees, std::initializer_list<std::pair<TrackBar*, QWidget*>> barres) {
        largeur_donnees_ = donnees;
        int souplesse = 0;
        for (const auto& [barre, cadre] : barres) {
            for (const QWidget* parent : {barre->parentWidget(), cadre->parentWidget()}) {
                for (QWidget* control : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    places_[control] = control->geometry();
            }
            const int marge = std::min(barre->width() - kLargeurMinBarre,
                                       cadre->width() - cadre->minimumSizeHint().width());
            etirables_.push_back({barre, cadre, std::max(marge, 0)});
            souplesse += etirables_.back().marge;
        }
        setMinimumWidth(kLargeurCommandes - souplesse);
        Dispose();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        Dispose();
    }

private:
    struct Etirable {
        QWidget* barre;
        QWidget* cadre;
        int marge;  // the width it can give
    };

    void Dispose() {
        const int manque = std::max(kLargeurCommandes + largeur_donnees_ - width(), 0);
        int reste = manque;
        std::vector<int> retraits;
        for (const Etirable& etirable : etirables_) {
            retraits.push_back(std::min(reste, etirable.marge));
            reste -= retraits.back();
        }
        const int commandes = kLargeurCommandes - (manque - reste);
        commandes_->setGeometry(0, 0, commandes, height());
        donnees_->setGeometry(commandes, 0, std::max(width() - commandes, 0), height());
        // A control moves left by what every bar on its left gives: one whose
        // place, or its caption's or box's, ends before the control's in the
        // same parent.
        for (const auto& [control, place] : places_) {
            QRect ici = place;
            for (size_t i = 0; i < etirables_.size(); ++i) {
                bool apres = false;
                for (QWidget* etire : {etirables_[i].barre, etirables_[i].cadre}) {
                    if (etire == control) {
                        ici.setWidth(ici.width() - retraits[i]);
                    } else if (etire->parentWidget() == control->parentWidget() &&
                               places_.at(etire).right() < place.left()) {
                        apres = true;
                    }
                }
                if (apres) ici.translate(-retraits[i], 0);
            }
            control->setGeometry(ici);
        }
    }

    QWidget* commandes_;
    QWidget* donnees_;
    std::map<QWidget*, QRect> places_;
    std::vector<Etirable> etirables_;
    int largeur_donnees_ = 0;
};

}  // namespace

TForm1::TForm1(Application& application, Fiches& fiches, std::vector<std::string> arguments)
    : Form(application, "Form1"),
      Maintenant(JoursDepuisDemarrage),
      fiches_(fiches),
      arguments_(std::move(arguments)) {
    SetCaption("Visualisateur de diapos");
    resize(kLargeurFenetre, 613);
    // Before the first show, so that a start in full screen keeps these as
    // the bounds to come back to.
    CenterOnScreen();
    CreeControles();
    CreeMenus();

    OnCreate = [this](Form&) { FormCreate(); };
    OnShow = [this](Form&) { FormShow(); };
    OnClose = [this](Form&, platform::ui::CloseAction&) { FormClose(); };
    OnKeyDown = [this](Form&, int key, Qt::KeyboardModifiers) { FormKeyDown(key); };
    OnMouseWheelDown = [this](Form&, bool& handled) { FormMouseWheelDown(handled); };
    OnMouseWheelUp = [this](Form&, bool& handled) { FormMouseWheelUp(handled); };
}

TForm1::~TForm1() = default;

void TForm1::CreeControles() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Korvel1 = new components::TImageBrenlow(this, "Korvel1");
    Korvel1->setAutoFillBackground(true);
    QPalette noir = Korvel1->palette();
    noir.setColor(QPalette::Window, Qt::black);
    Korvel1->setPalette(noir);
    Korvel1->SetSaisieRectangle(true);
    Korvel1->SetSaisieRectangleProportionelle(false);
    Korvel1->SetCompressionQuality(30);
    Korvel1->SetStretch(true);
    Korvel1->SetMargeConstante(10);
    Korvel1->SetMargeMinGauche(10);
    Korvel1->SetMargeMinDroite(10);
    Korvel1->SetMargeMinHaut(10);
    Korvel1->SetMargeMinBas(10);
    Korvel1->SetCoefZoom(1.0);
    Korvel1->SetGardeProportion(true);
    Korvel1->OnAffiche = [this](components::TImageBrenlow&) { Korvel1Affiche(); };
    Korvel1->OnMouseDown = [this](QWidget&, const platform::ui::MouseArgs& args) {
        Korvel1MouseDown(args);
    };
    Korvel1->OnMouseUp = [this](QWidget&, const platform::ui::MouseArgs& args) {
        Korvel1MouseUp(args);
    };
    Korvel1->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(Korvel1, 1);

    auto* panneau = new Panneau(this);
    PanelControl = panneau;
    PanelControl->setObjectName("PanelControl");
    PanelControl->setFixedHeight(64);
    layout->addWidget(PanelControl);
    QWidget* commandes = panneau->Commandes();
    QWidget* donnees = panneau->Donnees();

    // Every control of the panel: its hint and its place, wide enough for its
    // caption in the window's font.
    const auto place = [](auto* control, const char* hint, QRect bounds) {
        if (*hint != '\0') control->setToolTip(Q(hint));
        control->setGeometry(bounds);
        return control;
    };
    const auto bouton = [&](const char* name, const char* caption, const char* hint, QRect bounds) {
        return place(new SpeedButton(commandes, name, caption), hint, bounds);
    };
    const auto etiquette = [&](QWidget* parent, const char* name, const char* caption,
                               const char* hint, QRect bounds) {
        auto* label = new QLabel(Q(caption), parent);
        label->setObjectName(name);
        return place(label, hint, bounds);
    };
    QStyle* style = QApplication::style();
    SpeedButtonOuvrir = bouton("SpeedButtonOuvrir", "", "Choix du dossier contenant les images",
                               QRect(2, 4, 28, 28));
    SpeedButtonOuvrir->setIcon(style->standardIcon(QStyle::SP_DialogOpenButton));
    SpeedButtonPasAPasRecule =
        bouton("SpeedButtonPasAPasRecule", "<--", "Image précédente", QRect(32, 4, 36, 28));
    SpeedButtonavance1 =
        bouton("SpeedButtonavance1", "-->", "Image suivante", QRect(70, 4, 36, 28));
    SpeedButton2 = bouton("SpeedButton2", "", "Diaporama", QRect(108, 4, 28, 28));
    SpeedButton2->setIcon(style->standardIcon(QStyle::SP_MediaPlay));
    SpeedButtonStopDiaporama = bouton("SpeedButtonStopDiaporama", "", "", QRect(138, 4, 28, 28));
    SpeedButton1 = bouton("SpeedButton1", "", "Imprimer", QRect(168, 4, 24, 28));
    SpeedButton1->setIcon(
        QIcon::fromTheme("document-print", style->standardIcon(QStyle::SP_FileIcon)));
    SpeedButton3 = bouton("SpeedButton3", "", "Planche contact", QRect(192, 4, 26, 26));
    SpeedButton3->setIcon(style->standardIcon(QStyle::SP_FileDialogListView));
    // The picture tools, two rows beside the stepping buttons; their actions
    // give them their glyph and hint.
    SpeedButton4 = bouton("SpeedButton4", "", "", QRect(220, 4, 26, 26));
    SpeedButtonEffacer = bouton("SpeedButtonEffacer", "", "", QRect(248, 4, 26, 26));
    SpeedButtonOuvreProg1 = bouton("SpeedButtonOuvreProg1", "", "", QRect(220, 34, 26, 26));
    SpeedButtonOuvreProg2 = bouton("SpeedButtonOuvreProg2", "", "", QRect(248, 34, 26, 26));

    CheckBoxSousDossiers = place(
        new CheckBox(commandes, "CheckBoxSousDossiers", "Cis sous-dossiers"),
        "Pour afficher également les images de tous les sous-dossiers", QRect(2, 38, 112, 22));
    CheckBoxMarcheArriere =
        place(new CheckBox(commandes, "CheckBoxMarcheArriere", "Marche Arrière"),
              "Faire avancer en marche arière le diaporama", QRect(116, 38, 100, 22));

    Label1 = etiquette(commandes, "Label1", "Défilement manuel", "", QRect(284, 4, 140, 16));
    TrackBarNumImageEnCours = place(new TrackBar(commandes, "TrackBarNumImageEnCours", 1, 1, 1),
                                    "Avance manuelle", QRect(280, 22, 142, 32));
    Label2 = etiquette(commandes, "Label2", "Vitesse de défilement", "", QRect(432, 4, 112, 16));
    TrackBarVitesse = place(new TrackBar(commandes, "TrackBarVitesse", 0, 1000, 400),
                            "Vitesse de défilement", QRect(428, 22, 116, 32));
    TrackBarVitesse->setTickInterval(100);

    GroupBox1 = place(new QGroupBox(Q("Zoom"), commandes), "", QRect(548, 0, 140, 62));
    GroupBox1->setObjectName("GroupBox1");
    TrackBarCoefZoom = place(new TrackBar(GroupBox1, "TrackBarCoefZoom", 1, 500, 100), "Zoom",
                             QRect(4, 18, 74, 32));
    TrackBarCoefZoom->setTickInterval(50);
    CheckBoxAjuster =
        place(new CheckBox(GroupBox1, "CheckBoxAjuster", "Ajuster"),
              "Redimensionne l'ilmage automatiquement lors du redimensionnement de la fenêtre.",
              QRect(78, 16, 60, 20));
    CheckBoxAjuster->setChecked(true);
    LabelZoom = etiquette(GroupBox1, "LabelZoom", "1", "", QRect(82, 38, 52, 16));

    CheckBox1 = place(new CheckBox(commandes, "CheckBox1", "Saisie prop."),
                      "Garder les proportions de l'image.", QRect(692, 4, 86, 20));
    // Wide enough for the largest size a picture file can have.
    LabelDim = etiquette(commandes, "LabelDim", "", "Larg x Ht", QRect(692, 30, 70, 16));

    ImageTamponSuivante1 = new platform::ui::Image(commandes, "ImageTamponSuivante1");
    ImageTamponSuivante1->SetStretch(true);
    ImageTamponSuivante1->SetProportional(true);
    ImageTamponSuivante1->setGeometry(764, 27, 33, 33);
    ImageResultSaisieRectangle = new platform::ui::Image(commandes, "ImageResultSaisieRectangle");
    ImageResultSaisieRectangle->setGeometry(780, 4, 17, 17);
    ImageResultSaisieRectangle->hide();

    // The shooting data in four rows of three columns: the speed, the
    // aperture and the correction side by side, the longer texts across two
    // columns. Each column's share of the width follows the longest usual
    // text of its own cells (a speed in seconds, a focal length of hundreds
    // of millimetres, an aperture of two digits, a correction in tenths), so
    // that at the window's first size usual values show whole; a longer text
    // ends in an ellipsis at its cell's edge, whole in its hint.
    auto* grille = new QGridLayout(donnees);
    grille->setContentsMargins(2, 1, 2, 1);
    grille->setHorizontalSpacing(4);
    grille->setVerticalSpacing(0);
    const QFontMetrics mesure(donnees->font());
    const auto plus_long = [&](std::initializer_list<const char*> textes) {
        int largeur = 0;
        for (const char* texte : textes)
            largeur = std::max(largeur, mesure.horizontalAdvance(Q(texte)));
        return largeur;
    };
    const int colonnes[] = {plus_long({"0,0059 sec (1/169)", " focale : 200,00 mm"}),
                            plus_long({"diaph F22,0"}),
                            plus_long({"Cor. exp -10/30", "Prio Vitesse", "12800 Asa"})};
    for (int colonne = 0; colonne < 3; ++colonne)
        grille->setColumnStretch(colonne, colonnes[colonne]);
    const auto donnee = [&](const char* name, const char* hint, int ligne, int colonne,
                            int largeur) {
        auto* label = new platform::ui::ElidedLabel(donnees, name, hint);
        grille->addWidget(label, ligne, colonne, 1, largeur);
        return label;
    };
    LabelDate = donnee("LabelDate", "date / heure de la prise de vue", 0, 0, 2);
    LabelIso = donnee("LabelIso", "Sensibilité", 0, 2, 1);
    LabelVitesse = donnee("LabelVitesse", "Vitesse", 1, 0, 1);
    LabelDiaf = donnee("LabelDiaf", "Diaphragme", 1, 1, 1);
    LabelCorrectionExposition =
        donnee("LabelCorrectionExposition",
               "Correction de l'exposition imposée par le photographe.", 1, 2, 1);
    LabelFocale = donnee("LabelFocale", "Focale", 2, 0, 1);
    LabelObjectif = donnee("LabelObjectif", "Mini x Maxi diaphragme de l'objectif", 2, 1, 2);
    LabelFlash = donnee("LabelFlash", "Flash", 3, 0, 2);
    LabelProgramExposition = donnee("LabelProgramExposition", "Programme", 3, 2, 1);
    // The shooting data keep the width they have at the window's design
    // size or, in a font that makes their usual texts wider than that, the
    // width that shows the longest text of each column whole.
    const int besoin = std::accumulate(std::begin(colonnes), std::end(colonnes), 0) +
                       grille->contentsMargins().left() + grille->contentsMargins().right() +
                       2 * grille->horizontalSpacing();
    panneau->FixePlaces(std::max(kLargeurFenetre - kLargeurCommandes, besoin),
                        {{TrackBarNumImageEnCours, Label1},
                         {TrackBarVitesse, Label2},
                         {TrackBarCoefZoom, GroupBox1}});
    Korvel1->SetImageVueResultatSaisiRectangle(ImageResultSaisieRectangle);

    ScruteDossier1.Filtre = platform::FormatMasks(platform::FormatUse::Listed);
    ScruteDossier1.SousDossier = true;
    ScruteDossier1.MaxPenetration = 10000;
    ScruteDossier1.OnFichier = [this](components::TScruteDossier&, const std::string& nom) {
        ScruteDossier1Fichier(nom);
    };
    ScruteDossier1.OnFinExecute = [this](components::TScruteDossier&) {
        ScruteDossier1FinExecute();
    };
    ScruteDossier1.TraiteMessages = [this] { App().ProcessMessages(); };

    TimerDefileImage = new platform::ui::Timer(this, "TimerDefileImage");
    SvgEditIni1 = new components::TSvgEditIni(*this);
    SvgEditIni1->SauveEdit = false;
    SvgEditIni1->SauveCheckBox = false;
    SvgEditIni1->SauveRadioButton = false;
    SvgEditIni1->SauveSpinEdit = false;
    TimerDefileImage->OnTimer = [this](platform::ui::Timer&) { TimerDefileImageTimer(); };

    SpeedButtonPasAPasRecule->OnClick = [this](SpeedButton&) { SpeedButtonPasAPasReculeClick(); };
    SpeedButtonavance1->OnClick = [this](SpeedButton&) { SpeedButtonavance1Click(); };
    SpeedButtonOuvrir->OnClick = [this](SpeedButton&) { Ouvrir1Click(); };
    SpeedButton2->OnClick = [this](SpeedButton&) { ActionLanceDiaporamaExecute(); };
    SpeedButton1->OnClick = [this](SpeedButton&) { ImpressionImage(); };
    SpeedButton3->OnClick = [this](SpeedButton&) { ActionAffichePlancheContactExecute(); };
    CheckBoxSousDossiers->OnMouseUp = [this](CheckBox&) { CheckBoxSousDossiersMouseUp(); };
    CheckBoxMarcheArriere->OnMouseUp = [this](CheckBox&) { CheckBoxMarcheArriereMouseUp(); };
    TrackBarNumImageEnCours->OnChange = [this](TrackBar&) { TrackBarNumImageEnCoursChange(); };
    connect(TrackBarNumImageEnCours, &TrackBar::sliderPressed, this,
            [this] { glissement_signale_ = false; });
    TrackBarNumImageEnCours->OnEnter = [this](TrackBar&) { TrackBarNumImageEnCoursEnter(); };
    TrackBarVitesse->OnEnter = [this](TrackBar&) { ChangeFocuseEnter(); };
    TrackBarCoefZoom->OnChange = [this](TrackBar&) { TrackBarCoefZoomChange(); };
    TrackBarCoefZoom->OnEnter = [this](TrackBar&) { TrackBarCoefZoomEnter(); };
    CheckBoxAjuster->OnClick = [this](CheckBox&) { CheckBoxAjusterClick(); };
    CheckBox1->OnClick = [this](CheckBox&) { CheckBox1Click(); };
}

void TForm1::CreeMenus() {
    auto action = [this](const char* caption, const std::function<void()>& handler) {
        auto* a = new QAction(Q(caption), this);
        connect(a, &QAction::triggered, this, [this, handler] { App().Guard(handler); });
        return a;
    };
    QStyle* style = QApplication::style();
    ActionPleinEcran = action("Plein écran", [this] { ActionPleinEcranExecute(); });
    ActionLanceDiaporama = action("Diaporama", [this] { ActionLanceDiaporamaExecute(); });
    ActionAffichePlancheContact =
        action("Planche Contact", [this] { ActionAffichePlancheContactExecute(); });
    ActionStopDiaporama = action("", [this] { ActionStopDiaporamaExecute(); });
    ActionStopDiaporama->setToolTip(Q("Stop"));
    ActionStopDiaporama->setIcon(style->standardIcon(QStyle::SP_MediaStop));
    ActionModifieDiapo = action("Modifier l'image", [this] { ActionModifieDiapoExecute(); });
    ActionModifieDiapo->setToolTip(Q("Modifier la luminosité et contraste"));
    ActionModifieDiapo->setIcon(style->standardIcon(QStyle::SP_FileDialogContentsView));
    ActionEffacer = action("Effacer", [this] { ActionEffacerExecute(); });
    ActionEffacer->setIcon(style->standardIcon(QStyle::SP_TrashIcon));
    ActionLanceProgRetouchePhoto1 =
        action("1", [this] { ActionLanceProgRetouchePhotos1Execute(); });
    ActionLanceProgRetouchePhoto1->setToolTip(Q("Lancer le programme de retouche 1"));
    ActionLanceProgRetouchePhoto2 = action("2", [this] { ActionLanceProgRetouchePhoto2Execute(); });
    ActionLanceProgRetouchePhoto2->setToolTip(Q("Lancer le programme de retouche 2"));
    ActionAfficheProprietes = action("Propriétés", [this] { ActionAfficheProprietesExecute(); });
    ActionRotationAutomatique = action("Rotation de toutes les photos verticales d'un dossier",
                                       [this] { ActionRotationAutomatiqueExecute(); });
    ActionModifTailleJPG1Dossier = action("Modifier la taille des images d'un dossier",
                                          [this] { ActionModifTailleJPG1DossierExecute(); });
    SpeedButtonStopDiaporama->setDefaultAction(ActionStopDiaporama);
    SpeedButton4->setDefaultAction(ActionModifieDiapo);
    SpeedButtonEffacer->setDefaultAction(ActionEffacer);
    SpeedButtonOuvreProg1->setDefaultAction(ActionLanceProgRetouchePhoto1);
    SpeedButtonOuvreProg2->setDefaultAction(ActionLanceProgRetouchePhoto2);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    layout()->setMenuBar(MainMenu1);
    QMenu* fichier = MainMenu1->addMenu(Q("&Fichier"));
    connect(fichier, &QMenu::aboutToShow, this,
            [this] { App().Guard([this] { MenuFichierClick(); }); });
    fichier->addAction(action("&Ouvrir", [this] { Ouvrir1Click(); }));
    fichier->addAction(action("&Enregistrer Sous", [this] { EnregistrerSousClick(); }));
    fichier->addAction(
        action("Enregistrer sous autre taille", [this] { Enregistrersousautretaille1Click(); }));
    fichier->addAction(action("&Imprimer", [this] { ImpressionImage(); }));
    fichier->addAction(action("&Quitter", [this] { QuitterClick(); }));
    MainMenu1->addAction(action("&Edition", [this] { Edition1Click(); }));
    QMenu* affichage = MainMenu1->addMenu(Q("Affichage"));
    affichage->addAction(ActionPleinEcran);
    affichage->addAction(ActionAffichePlancheContact);
    affichage->addAction(ActionLanceDiaporama);
    QMenu* outils = MainMenu1->addMenu(Q("Outils"));
    outils->addAction(action("Ajout de préfixe", [this] { AjoutDePrefixe1Click(); }));
    outils->addAction(action("&Options", [this] { Optgions1Click(); }));
    outils->addAction(
        action("&Création de page HTML", [this] { ActionAffichePlancheContactExecute(); }));
    outils->addAction(ActionRotationAutomatique);
    outils->addAction(ActionModifTailleJPG1Dossier);
    QMenu* aide = MainMenu1->addMenu(Q("?"));
    aide->addAction(action("A propos", [this] { Apropos1Click(); }));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    connect(PopupMenu1, &QMenu::aboutToShow, this,
            [this] { App().Guard([this] { PopupMenu1Popup(); }); });
    PopupMenu1->addAction(
        action("&Rotation 90 + Enregistrer", [this] { Rotation90Enregistrer1Click(); }));
    PopupMenu1->addAction(
        action("Rotation -90 + Enregistrer", [this] { RotationMoins90Enregistrer1Click(); }));
    PopupMenu1->addAction(action("Rotation 90", [this] { Rotation1Click(); }));
    PopupMenu1->addAction(action("Rotation -90", [this] { RotationMoins90Click(); }));
    PopupMenu1->addAction(action("Rotation 180", [this] { Rotation1801Click(); }));
    PopupMenu1->addAction(ActionModifieDiapo);
    PopupMenu1->addAction(action("Mettre de coté (copie)", [this] { Mettredecotcopie1Click(); }));
    PopupMenu1->addAction(action("Enregistrer", [this] { Sauver1Click(); }));
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(ActionLanceDiaporama);
    PopupMenu1->addAction(ActionAffichePlancheContact);
    PopupMenu1->addAction(action("Suivante", [this] { Suivante1Click(); }));
    PopupMenu1->addAction(action("Précédente", [this] { Prcedente1Click(); }));
    PopupMenu1->addAction(ActionPleinEcran);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(ActionEffacer);
    PopupMenu1->addAction(action("Copier (vers presse papier)", [this] { Copier1Click(); }));
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(action("Enregistrer sous ...", [this] { EnregistrerSousClick(); }));
    PopupMenu1->addAction(
        action("Enregistrer sous autre taille...", [this] { Enregistrersousautretaille1Click(); }));
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(action("Impression", [this] { ImpressionImage(); }));
    PopupMenu1->addAction(ActionAfficheProprietes);
    connect(Korvel1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(Korvel1->mapToGlobal(pos)); });
}

std::array<platform::ui::ElidedLabel*, 9> TForm1::DonneesAffichees() const {
    return {LabelFlash,
            LabelIso,
            LabelVitesse,
            LabelDiaf,
            LabelFocale,
            LabelObjectif,
            LabelDate,
            LabelProgramExposition,
            LabelCorrectionExposition};
}

void TForm1::Loaded() {
    Korvel1->Loaded();
    SvgEditIni1->Loaded();
}

void TForm1::FormCreate() {
    LabelDim->clear();
    VideDonneesAffichees();
    FDefileImage = std::make_unique<TDefileImage>(*this);
    FFormShowFait = false;
    App().SetHintHidePause(5000);
    SetKeyPreview(true);
    LabelZoom->setText(
        QString::fromStdString(platform::FormatFloatGeneral(TrackBarCoefZoom->Position() / 100.0)));
    if (Analyse(arguments_).PleinEcran()) BasculePleinEcran();
}

void TForm1::FormShow() {
    if (FFormShowFait) return;
    platform::ui::SpinEdit& qualite = *fiches_.FormOptions->SpinEditTauxCompressionJPG;
    if (qualite.Value() == 20) qualite.SetValue(50);
    Korvel1->SetCompressionQuality(qualite.Value());
    FDefileImage->OnChangeNumImage = [this](TDefileImage&) { FormChangeNumImage(); };
    const LigneCommande ligne = Analyse(arguments_);
    if (ligne.SousDossiers()) CheckBoxSousDossiers->SetChecked(true);
    // Option letters alone name no folder: the start then loads none, rather
    // than the root. The folder is loaded once the window is up, so that it
    // paints and answers (quit, open another folder) while the scan runs.
    if (!ligne.fichier.empty() && components::ExisteDossier(ligne.dossier)) {
        QMetaObject::invokeMethod(
            this, [this, ligne] { App().Guard([&] { ChargeDossierDepart(ligne); }); },
            Qt::QueuedConnection);
    }
    FFormShowFait = true;
}

void TForm1::ChargeDossierDepart(const LigneCommande& ligne) {
    // A load that another one superseded, or that the closing window ended,
    // has nothing left to show.
    if (!isVisible() || !FDefileImage->ChargeDossier(ligne.dossier)) return;
    if (ligne.Diaporama()) {
        FDefileImage->LanceDiaporamaDebut();
    } else {
        FDefileImage->AfficheFichier(ligne.fichier);
        TrackBarNumImageEnCours->SetPosition(FDefileImage->FNumImage);
    }
}

void TForm1::FormClose() {
    // The program ends with the window: a scan still running stops here
    // rather than walking on.
    FDefileImage->AbandonneChargement();
}

void TForm1::FormKeyDown(int key) {
    switch (key) {
        case Qt::Key_Escape:
        case Qt::Key_Space:
            BasculePleinEcran();
            break;
        case Qt::Key_Delete:
            ActionEffacerExecute();
            break;
        case Qt::Key_Left:
            FDefileImage->SetNumImage(FDefileImage->FNumImage - 1);
            break;
        case Qt::Key_Right:
            FDefileImage->SetNumImage(FDefileImage->FNumImage + 1);
            break;
        default:
            break;
    }
}

void TForm1::Molette(int pas) {
    if (TrackBarNumImageEnCours->hasFocus()) return;
    const double maintenant = Maintenant();
    if (maintenant - FDerniereMolette > kPauseMolette) {
        FDerniereMolette = maintenant;
        FDefileImage->SetNumImage(FDefileImage->FNumImage + pas);
    }
}

void TForm1::FormMouseWheelDown(bool& handled) {
    Molette(1);
    handled = true;
}

void TForm1::FormMouseWheelUp(bool& handled) {
    Molette(-1);
    handled = true;
}

void TForm1::SpeedButtonavance1Click() {
    TrackBarNumImageEnCours->SetPosition(TrackBarNumImageEnCours->Position() + 1);
}

void TForm1::SpeedButtonPasAPasReculeClick() {
    TrackBarNumImageEnCours->SetPosition(TrackBarNumImageEnCours->Position() - 1);
}

void TForm1::Suivante1Click() {
    FDefileImage->SetNumImage(FDefileImage->FNumImage + 1);
}

void TForm1::Prcedente1Click() {
    FDefileImage->SetNumImage(FDefileImage->FNumImage - 1);
}

void TForm1::CheckBoxSousDossiersMouseUp() {
    // Only a click reloads: the box has the focus after it. The scan of no
    // folder at all must never walk the whole disk.
    if (!CheckBoxSousDossiers->hasFocus() || FDefileImage->FDossier.empty()) return;
    FDefileImage->Arrete();
    FDefileImage->ChargeDossier(FDefileImage->FDossier);
    TrackBarNumImageEnCours->setFocus(Qt::OtherFocusReason);
}

void TForm1::CheckBoxMarcheArriereMouseUp() {
    TrackBarNumImageEnCours->setFocus(Qt::OtherFocusReason);
}

void TForm1::ChangeFocuseEnter() {
    TrackBarNumImageEnCours->setFocus(Qt::OtherFocusReason);
}

void TForm1::TrackBarCoefZoomEnter() {
    TrackBarNumImageEnCours->setFocus(Qt::OtherFocusReason);
}

void TForm1::TrackBarNumImageEnCoursEnter() {
    SetActiveControl(nullptr);
}

void TForm1::TrackBarCoefZoomChange() {
    Korvel1->SetCoefZoom(TrackBarCoefZoom->Position() / 100.0);
    CheckBoxAjuster->SetChecked(false);
    LabelZoom->setText(QString::fromStdString(platform::FormatFloatGeneral(Korvel1->CoefZoom())));
}

void TForm1::CheckBoxAjusterClick() {
    Korvel1->SetStretch(CheckBoxAjuster->Checked());
}

void TForm1::CheckBox1Click() {
    Korvel1->SetSaisieRectangleProportionelle(CheckBox1->Checked());
}

void TForm1::ActionPleinEcranExecute() {
    BasculePleinEcran();
}

void TForm1::BasculePleinEcran() {
    if (GetBorderStyle() != BorderStyle::None) {
        SetBorderStyle(BorderStyle::None);
        etat_sauve_ = GetWindowState();
        hauteur_sauvee_ = Height();
        largeur_sauvee_ = Width();
        haut_sauve_ = Top();
        gauche_sauvee_ = Left();
        PanelControl->hide();
        SetWindowState(WindowState::Maximized);
        MainMenu1->hide();
        FPleinEcran = true;
        ActionPleinEcran->setText(Q("Retour écran normal"));
    } else {
        SetBorderStyle(BorderStyle::Sizeable);
        SetWindowState(etat_sauve_);
        SetHeight(hauteur_sauvee_);
        SetWidth(largeur_sauvee_);
        SetTop(haut_sauve_);
        SetLeft(gauche_sauvee_);
        PanelControl->show();
        MainMenu1->show();
        FPleinEcran = false;
        ActionPleinEcran->setText(Q("Plein écran"));
        SetActiveControl(TrackBarNumImageEnCours);
    }
}

void TForm1::Korvel1Affiche() {
    const std::string nom = FDefileImage->NomFichier(FDefileImage->FNumImage);
    SetCaption(nom);
    const platform::Picture& picture = Korvel1->GetPicture();
    LabelDim->setText(QString::number(picture.Width()) + "x" + QString::number(picture.Height()));
    VideDonneesAffichees();
    AfficheDonneesPriseDeVue(nom);
    // Shown or hidden, the properties window follows the picture.
    fiches_.FormProprietesDiapos->AfficheProprietes(Korvel1->FileName());
}

void TForm1::VideDonneesAffichees() {
    for (platform::ui::ElidedLabel* label : DonneesAffichees()) label->SetText({});
    Korvel1->setToolTip(QString());
}

void TForm1::AfficheAucuneImage() {
    Korvel1->GetPicture().Assign(nullptr);
    Korvel1->SetFileName({});
    Korvel1->AjusteImage();
    SetCaption("Visualisateur de diapos");
    LabelDim->clear();
    VideDonneesAffichees();
    fiches_.FormProprietesDiapos->AfficheProprietes({});
}

void TForm1::AfficheDonneesPriseDeVue(const std::string& nom) {
    // A file without metadata, or one the reader cannot make sense of, just
    // leaves the labels empty.
    metadata::TimgData donnees(255);
    donnees.ReadPictureFile(nom);
    const metadata::TImageInfo* exif = donnees.ExifObj();
    if (!donnees.HasMetadata() || !donnees.HasExif() || exif == nullptr) return;
    const DonneesPriseDeVue d = LitDonneesPriseDeVue(*exif);
    LabelFlash->SetText(d.flash);
    LabelFocale->SetText(d.focale);
    LabelObjectif->SetText(d.objectif);
    LabelVitesse->SetText(d.vitesse);
    LabelDiaf->SetText(d.diaf);
    LabelIso->SetText(d.iso);
    LabelDate->SetText(d.date);
    LabelProgramExposition->SetText(d.programme);
    LabelCorrectionExposition->SetText(d.correction);
    // Hovering over the picture shows the photographer's comment.
    if (!FPleinEcran && exif->CommentPosition > 0) {
        Korvel1->setToolTip(QString::fromStdString(exif->Comment));
    }
}

std::optional<std::string> TForm1::DemandeNomEnregistrement() {
    const std::string& fichier = Korvel1->FileName();
    const size_t barre = fichier.rfind('/');
    platform::ui::SaveFileRequest demande;
    demande.filter = platform::SaveDialogFilter();
    demande.default_extension = platform::SaveDialogExtension();
    demande.initial_dir = barre == std::string::npos ? std::string() : fichier.substr(0, barre);
    demande.file_name = fichier.substr(barre + 1);
    return App().GetDialogs().SaveFile(demande);
}

void TForm1::EnregistrerSousClick() {
    FDefileImage->Arrete();
    if (!ImageAffichee()) return;
    if (const auto nom = DemandeNomEnregistrement()) Korvel1->EnregistreSous(*nom);
}

void TForm1::Enregistrersousautretaille1Click() {
    if (!ImageAffichee()) return;
    TFormChangeHtLg& taille = *fiches_.FormChangeHtLg;
    taille.ShowModal();
    const int largeur = taille.SpinEditNouvLargeur->Value();
    const int hauteur = taille.SpinEditNouvHauteur->Value();
    // Nothing to write at a size of nothing.
    if (largeur <= 0 || hauteur <= 0) return;
    const auto nom = DemandeNomEnregistrement();
    if (!nom) return;
    Korvel1->RedimensionneAffichee(
        *nom, static_cast<uint16_t>(platform::CheckRange(largeur, 0, 65535)),
        static_cast<uint16_t>(platform::CheckRange(hauteur, 0, 65535)),
        static_cast<uint16_t>(platform::CheckRange(Korvel1->CompressionQuality(), 0, 65535)));
}

void TForm1::ImpressionImage() {
    if (!ImageAffichee()) return;
    fiches_.FormQR->QRImage1.picture.Assign(Korvel1->GetPicture());
    TFormImpressionImg& dialogue = *fiches_.FormImpressionImg;
    dialogue.show();
    dialogue.raise();
    dialogue.activateWindow();
}

void TForm1::Edition1Click() {
    PopupMenu1->popup(QPoint(x() + 10, y() + 10));
}

void TForm1::Optgions1Click() {
    fiches_.FormOptions->ShowModal();
}

void TForm1::AjoutDePrefixe1Click() {
    ActionStopDiaporamaExecute();
    fiches_.FormAjoutPrefixe->EditChoixDossier->SetText(PartieDossier(Korvel1->FileName()));
    fiches_.FormAjoutPrefixe->ShowModal();
}

void TForm1::FichiersModifies(const FichiersChanges& changes) {
    const std::vector<std::string>& liste = FDefileImage->FListe.Items();
    const std::set<std::string> listes(liste.begin(), liste.end());
    bool touche = false;
    for (const std::string& nom : changes.reecrits) touche = touche || listes.contains(nom);
    for (const auto& [ancien, nouveau] : changes.renommes)
        touche = touche || listes.contains(ancien);
    if (!touche && !changes.recharge_dossier) return;
    std::string affiche = Korvel1->FileName();
    for (const auto& [ancien, nouveau] : changes.renommes) {
        if (ancien == affiche) affiche = nouveau;
    }
    FDefileImage->ChargeDossier(FDefileImage->FDossier);
    if (!affiche.empty()) FDefileImage->AfficheFichier(affiche);
}

void TForm1::ActionRotationAutomatiqueExecute() {
    fiches_.FormRotationAutomatiquePhotosVerticales->EditFichierSource->SetText(
        Korvel1->FileName());
    fiches_.FormRotationAutomatiquePhotosVerticales->ShowModal();
}

void TForm1::ActionModifTailleJPG1DossierExecute() {
    fiches_.FormModifTailleJPG1Dossier->EditFichierSource->SetText(Korvel1->FileName());
    fiches_.FormModifTailleJPG1Dossier->ShowModal();
}

void TForm1::Apropos1Click() {
    fiches_.AboutBox->ShowModal();
}

void TForm1::Rotation90Enregistrer1Click() {
    if (!ImageAffichee()) return;
    Korvel1->Rotation(90);
    EnregistreSurPlace();
}

void TForm1::RotationMoins90Enregistrer1Click() {
    if (!ImageAffichee()) return;
    Korvel1->Rotation(-90);
    EnregistreSurPlace();
}

void TForm1::Rotation1Click() {
    if (!ImageAffichee()) return;
    Korvel1->Rotation(90);
}

void TForm1::RotationMoins90Click() {
    if (!ImageAffichee()) return;
    Korvel1->Rotation(-90);
}

void TForm1::Rotation1801Click() {
    if (!ImageAffichee()) return;
    Korvel1->Rotation(180);
}

void TForm1::ActionModifieDiapoExecute() {
    // A running slideshow would put the edit of one picture over another.
    FDefileImage->Arrete();
    if (!ImageAffichee()) return;
    platform::Picture& image = Korvel1->GetPicture();
    if (fiches_.FormEditPicture->Edite(image, image) == platform::ui::ModalResult::Ok)
        Korvel1->NoteRetouche();
    Korvel1->AjusteImage();
}

void TForm1::Mettredecotcopie1Click() {
    if (!ImageAffichee()) return;
    TFormOptions& options = *fiches_.FormOptions;
    std::string destination = options.EditDossierPhotoAMettreDeCote->Text();
    if (destination.empty()) {
        options.ShowModal();
        destination = options.EditDossierPhotoAMettreDeCote->Text();
    }
    if (destination.empty()) {
        App().GetDialogs().ShowMessage(
            "vous devez indiquer un dossier pour que votre image y soit placée");
        return;
    }
    const std::string& fichier = Korvel1->FileName();
    const std::string cible = destination + "/" + fichier.substr(fichier.rfind('/') + 1);
    if (options.CheckBoxVoirDestination->Checked()) {
        App().GetDialogs().ShowMessage("Destination : " + cible +
                                       "\nAllez dans les options pour changer la destination");
    }
    components::CopieFichierShell(fichier, cible);
}

void TForm1::Sauver1Click() {
    EnregistreSurPlace();
}

void TForm1::EnregistreSurPlace() {
    const std::string nom = Korvel1->FileName();
    if (nom.empty() || !components::ConfirmeReecriture(nom, Korvel1->IdentiteFichier())) return;
    Korvel1->EnregistreAvecExif(nom, nom);
}

void TForm1::ActionEffacerExecute() {
    const int32_t numero = FDefileImage->FNumImage;
    const std::string nom = Korvel1->FileName();
    FDefileImage->Arrete();
    // The reload takes the deleted picture off the screen.
    if (nom.empty() || components::EnvoieCorbeille(nom) != 0 ||
        !FDefileImage->ChargeDossier(FDefileImage->FDossier)) {
        return;
    }
    const int32_t avant = FDefileImage->FNumImage;
    FDefileImage->SetNumImage(numero);
    if (FDefileImage->FNumImage == avant) FDefileImage->AfficheImageEnCours();
}

void TForm1::Copier1Click() {
    if (const platform::Graphic* image = Korvel1->GetPicture().GetGraphic()) {
        platform::ui::CopyToClipboard(*image);
    }
}

void TForm1::Korvel1MouseDown(const platform::ui::MouseArgs& args) {
    // The clipboard takes the selection of a band drawn by this press only.
    if (args.button == Qt::LeftButton) ImageResultSaisieRectangle->GetPicture().Assign(nullptr);
}

void TForm1::Korvel1MouseUp(const platform::ui::MouseArgs& args) {
    if (args.button != Qt::LeftButton) return;
    const platform::Picture& selection = ImageResultSaisieRectangle->GetPicture();
    if (selection.Width() > 0) platform::ui::CopyToClipboard(*selection.GetGraphic());
}

void TForm1::ActionAfficheProprietesExecute() {
    fiches_.FormProprietesDiapos->show();
    fiches_.FormProprietesDiapos->AfficheProprietes(Korvel1->FileName());
}

void TForm1::ActionAffichePlancheContactExecute() {
    fiches_.FormVisionDiapos->show();
    fiches_.FormVisionDiapos->ReactualiseAffichage();
}

void TForm1::LanceProgramme(const std::string& programme) {
    if (!platform::FileExists(programme)) {
        App().GetDialogs().ShowMessage(
            "Pas de programme défini. Allez dans les options pour informer le programme à lancer.");
        return;
    }
    // The picture is one argument whatever its name holds; with none shown
    // the program starts on nothing rather than on an empty name, which it
    // would take for a file.
    std::vector<std::string> arguments;
    if (ImageAffichee()) arguments.push_back(Korvel1->FileName());
    App().GetShell().StartProgram(programme, arguments);
}

void TForm1::ActionLanceProgRetouchePhotos1Execute() {
    LanceProgramme(fiches_.FormOptions->EditProgALancerPourRetouches1->Text());
}

void TForm1::ActionLanceProgRetouchePhoto2Execute() {
    LanceProgramme(fiches_.FormOptions->EditProgALancerPourRetouches2->Text());
}

void TForm1::ScruteDossier1Fichier(const std::string& nom) {
    FDefileImage->FListe.Add(nom);
}

void TForm1::ScruteDossier1FinExecute() {
    FDefileImage->FListe.Sort();
    TrackBarNumImageEnCours->SetMax(FDefileImage->FListe.Count());
}

void TForm1::TimerDefileImageTimer() {
    TimerDefileImage->SetInterval(TrackBarVitesse->Position() * 10 + 1);
    TDefileImage& d = *FDefileImage;
    const int32_t count = d.FListe.Count();
    if (count == 0) {
        d.Arrete();
        return;
    }
    if (CheckBoxMarcheArriere->checkState() == Qt::Unchecked) {
        if (count >= d.FNumImage) d.SetNumImage(d.FNumImage + 1 <= count ? d.FNumImage + 1 : 1);
        if (count < d.FNumImage) d.SetNumImage(1);
    } else if (d.FNumImage >= 1) {
        d.SetNumImage(d.FNumImage - 1 > 0 ? d.FNumImage - 1 : count);
    }
}

void TForm1::TrackBarNumImageEnCoursChange() {
    const int32_t position = TrackBarNumImageEnCours->Position();
    if (position == FDefileImage->FNumImage) return;
    const bool glisse = TrackBarNumImageEnCours->isSliderDown();
    if (glisse && glissement_signale_) {
        // The drag showed the box of a picture it could not show: it goes on
        // through the others without a box each, its failures one burst, as
        // the slideshow's steps under a box are.
        const Application::QuietErrors silence(App());
        App().Guard([&] { FDefileImage->SetNumImage(position); });
    } else {
        try {
            FDefileImage->SetNumImage(position);
        } catch (const std::exception&) {
            glissement_signale_ = glisse;
            throw;
        }
    }
    // A move refused while an error box is open puts the bar back on the
    // picture shown.
    FormChangeNumImage();
}

void TForm1::FormChangeNumImage() {
    if (FDefileImage->FNumImage != TrackBarNumImageEnCours->Position()) {
        TrackBarNumImageEnCours->SetPosition(FDefileImage->FNumImage);
    }
}

void TForm1::MenuFichierClick() {
    FDefileImage->Arrete();
}

void TForm1::PopupMenu1Popup() {
    FDefileImage->Arrete();
}

void TForm1::Ouvrir1Click() {
    FDefileImage->Arrete();
    platform::ui::OpenFileRequest demande;
    demande.filter = platform::OpenDialogFilter();
    // Accepting the name as it stands, which names no picture, opens the
    // folder at its first picture.
    demande.file_name = "Facultatif";
    demande.must_exist = false;
    demande.initial_dir = FDefileImage->FDossier;
    const std::optional<std::string> choisi = App().GetDialogs().OpenFile(demande);
    if (!choisi) return;
    if (!FDefileImage->ChargeDossier(PartieDossier(*choisi))) return;
    FDefileImage->AfficheFichier(*choisi);
}

void TForm1::QuitterClick() {
    close();
}

void TForm1::ActionLanceDiaporamaExecute() {
    FDefileImage->Lance();
}

void TForm1::ActionStopDiaporamaExecute() {
    FDefileImage->Arrete();
}

}  // namespace app
