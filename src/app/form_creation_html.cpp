#include "app/form_creation_html.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QStatusBar>
#include <QVBoxLayout>

#include "components/outils.h"
#include "components/svg_edit_ini.h"
#include "platform/ui/application.h"

namespace app {

using platform::Color;
using platform::ui::Button;
using platform::ui::CheckBox;
using platform::ui::Edit;
using platform::ui::Q;
using platform::ui::SpeedButton;
using platform::ui::SpinEdit;

namespace {

QColor VersQt(Color couleur) {
    const Color rgb = platform::ColorToRGB(couleur);
    return {platform::RedOf(rgb), platform::GreenOf(rgb), platform::BlueOf(rgb)};
}

// A sub-folder as the edits keep it: no leading "/" (the album's folder is
// its root), and a final "/" once the album is made.
void AvecBarreFinale(Edit& edit) {
    const std::string texte = edit.Text();
    if (components::DernierCaractere(texte) != "/") edit.SetText(texte + "/");
}

void SansBarreInitiale(Edit& edit) {
    const std::string texte = edit.Text();
    if (components::PremierCaractere(texte) == "/")
        edit.SetText(components::SansPremierCaractere(texte));
}

// A size below 1 is replaced by its fallback, in the control too.
int32_t AvecRepli(SpinEdit& spin, int32_t repli) {
    if (spin.Value() < 1) spin.SetValue(repli);
    return spin.Value();
}

}  // namespace

PanneauCouleur::PanneauCouleur(QWidget* parent, const std::string& nom) : QLabel(parent) {
    setObjectName(QString::fromStdString(nom));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setMinimumSize(41, 25);
    SetCouleur(couleur_);
}

void PanneauCouleur::SetCouleur(Color couleur) {
    couleur_ = couleur;
    QPalette p = palette();
    p.setColor(QPalette::Window, VersQt(couleur));
    setPalette(p);
}

TFormCreationHtml::TFormCreationHtml(platform::ui::Application& application, Fiches&)
    : Form(application, "FormCreationHtml") {
    SetCaption("Création d'une page Html");
    resize(749, 541);
    OnShow = [this](Form&) { FormShow(); };

    auto* colonne = new QVBoxLayout(this);
    auto* haut = new QHBoxLayout();
    colonne->addLayout(haut);
    auto* gauche = new QVBoxLayout();
    auto* droite = new QVBoxLayout();
    haut->addLayout(gauche, 1);
    haut->addLayout(droite, 1);

    const auto groupe = [this](QBoxLayout* dans, const char* nom, const char* titre) {
        auto* g = new QGroupBox(Q(titre), this);
        g->setObjectName(nom);
        dans->addWidget(g);
        return new QGridLayout(g);
    };
    const auto etiquette = [](QGridLayout* grille, int rang, const char* nom, const char* texte) {
        auto* label = new QLabel(Q(texte), grille->parentWidget());
        label->setObjectName(nom);
        grille->addWidget(label, rang, 0);
    };
    const auto spin = [&](QGridLayout* grille, int rang, const char* nom, const char* label,
                          const char* texte, int min, int max, int valeur) {
        etiquette(grille, rang, label, texte);
        auto* s = new SpinEdit(grille->parentWidget(), nom, min, max, valeur);
        grille->addWidget(s, rang, 1);
        return s;
    };
    const auto case_a_cocher = [](QGridLayout* grille, int rang, int col, const char* nom,
                                  const char* texte) {
        auto* c = new CheckBox(grille->parentWidget(), nom, texte);
        grille->addWidget(c, rang, col);
        return c;
    };

    QGridLayout* tailles = groupe(gauche, "GroupBoxTailles", "Tableau et images");
    SpinEditNbImgParLigne =
        spin(tailles, 0, "SpinEditNbImgParLigne", "Label1", "Nombre d'image par ligne", 1, 30, 3);
    SpinEditTailleMaxPetiteImage = spin(tailles, 1, "SpinEditTailleMaxPetiteImage", "Label2",
                                        "Taille maxi petite image", 0, 0, 250);
    SpinEditTailleMaxiGrandeImage = spin(tailles, 2, "SpinEditTailleMaxiGrandeImage", "Label3",
                                         "Taille maxi grande image", 0, 0, 1024);
    SpinEditTailleBordureTableau = spin(tailles, 3, "SpinEditTailleBordureTableau", "Label4",
                                        "Taille de la bordure du tableau", 0, 0, 0);
    SpinEditEspaceEntreImages =
        spin(tailles, 4, "SpinEditEspaceEntreImages", "Label5", "Espace entre images", 0, 200, 10);

    QGridLayout* diaporama =
        groupe(gauche, "GroupBoxEncadrement", "Encadrement de l'image diaporama");
    SpinEditTailleEncadrement =
        spin(diaporama, 0, "SpinEditTailleEncadrement", "Label6", "Taille", 0, 100, 0);
    CheckBoxSansCouleurEncadrement =
        case_a_cocher(diaporama, 1, 0, "CheckBoxSansCouleurEncadrement", "Sans couleur");
    // The captions under the thumbnails lie on the cells: without a colour of
    // their own the cells show the page's background, which the captions'
    // colour starts to read on.
    CheckBoxSansCouleurEncadrement->SetChecked(true);
    SpeedButtonCouleurEncadrementImage =
        new SpeedButton(this, "SpeedButtonCouleurEncadrementImage", "Couleur");
    diaporama->addWidget(SpeedButtonCouleurEncadrementImage, 2, 0);
    PanelColorEncadrement = new PanneauCouleur(this, "PanelColorEncadrement");
    diaporama->addWidget(PanelColorEncadrement, 2, 1);

    QGridLayout* grande =
        groupe(gauche, "GroupBoxEncadrementGrandePhoto", "Encadrement de l'image grande photo");
    SpinEditTailleEncadrementGrandePhoto =
        spin(grande, 0, "SpinEditTailleEncadrementGrandePhoto", "Label7", "Taille", 0, 100, 0);
    CheckBoxSansCouleurEncadrementGrandePhoto =
        case_a_cocher(grande, 1, 0, "CheckBoxSansCouleurEncadrementGrandePhoto", "Sans couleur");
    SpeedButtonCouleurEncadrementGrandePhoto =
        new SpeedButton(this, "SpeedButtonCouleurEncadrementGrandePhoto", "Couleur");
    grande->addWidget(SpeedButtonCouleurEncadrementGrandePhoto, 2, 0);
    PanelColorEncadrementGrandePhoto = new PanneauCouleur(this, "PanelColorEncadrementGrandePhoto");
    grande->addWidget(PanelColorEncadrementGrandePhoto, 2, 1);

    QGridLayout* compression = groupe(gauche, "GroupBoxCompression", "Taux de compression");
    SpinEditTauxCompressionVignettes = spin(compression, 0, "SpinEditTauxCompressionVignettes",
                                            "Label8", "Petites images (vignette)", 35, 90, 70);
    SpinEditTauxCompressionVignettes->setToolTip(
        Q("70 recommandé. Chiffre faible = fichier plus petits mais moins bonne qualité. "));
    SpinEditTauxCompressionGrandesImages =
        spin(compression, 1, "SpinEditTauxCompressionGrandesImages", "Label9", "grandes images", 30,
             90, 50);
    SpinEditTauxCompressionGrandesImages->setToolTip(
        Q("50 recommandé. Chiffre faible = fichier plus petits mais moins bonne qualité "
          "d'image. "));

    QGridLayout* couleurs = groupe(droite, "GroupBoxCouleurs", "Couleurs fond et textes");
    CheckBoxSansCouleur = case_a_cocher(couleurs, 0, 0, "CheckBoxSansCouleur", "Sans couleur");
    SpeedButtonCouleurFond = new SpeedButton(this, "SpeedButtonCouleurFond", "Couleur du fond");
    couleurs->addWidget(SpeedButtonCouleurFond, 1, 0);
    SpeedButtonCouleurTexte = new SpeedButton(this, "SpeedButtonCouleurTexte", "Couleur du texte");
    couleurs->addWidget(SpeedButtonCouleurTexte, 2, 0);
    EditCouleur = new Edit(this, "EditCouleur");
    EditCouleur->SetText("Test");
    couleurs->addWidget(EditCouleur, 1, 1, 2, 1);

    QGridLayout* proprietes = groupe(droite, "GroupBoxProprietes", "Propriétés sous les images");
    SpeedButtonCoulTexteExif =
        new SpeedButton(this, "SpeedButtonCoulTexteExif", "Couleur du texte");
    proprietes->addWidget(SpeedButtonCoulTexteExif, 0, 0);
    EditCouleurTexteExif = new Edit(this, "EditCouleurTexteExif");
    EditCouleurTexteExif->SetText("Test");
    proprietes->addWidget(EditCouleurTexteExif, 0, 1);
    CheckBoxEcrirePropSeulementGrdImage = case_a_cocher(
        proprietes, 1, 0, "CheckBoxEcrirePropSeulementGrdImage", "Seulement pour grds img");
    CheckBoxEcrirePropSeulementGrdImage->setToolTip(
        Q("Ecriture des propriétés cochées ci-dessous seulement (ou pas) pour les grandes "
          "images"));
    CheckBoxEcritNomImageSousImage = case_a_cocher(
        proprietes, 2, 0, "CheckBoxEcritNomImageSousImage", "Ecriture du nom du fichier image");
    CheckBoxEcritureFocale =
        case_a_cocher(proprietes, 3, 0, "CheckBoxEcritureFocale", "Ecriture du diaphragme");
    CheckBoxEcritureVitesse =
        case_a_cocher(proprietes, 3, 1, "CheckBoxEcritureVitesse", "Ecriture de la viitesse");
    CheckBoxEcritureIso =
        case_a_cocher(proprietes, 4, 0, "CheckBoxEcritureIso", "Ecriture sensibilité");
    CheckBoxEcritureFlash =
        case_a_cocher(proprietes, 4, 1, "CheckBoxEcritureFlash", "Ecriture si flash");
    CheckBoxEcritureNomAppareil = case_a_cocher(proprietes, 5, 0, "CheckBoxEcritureNomAppareil",
                                                "Ecriture du nom de l'appareil");
    CheckBoxEcritureDuCommentaire =
        case_a_cocher(proprietes, 5, 1, "CheckBoxEcritureDuCommentaire", "Ecriture du commentaire");
    CheckBoxEcritureFocal35mm =
        case_a_cocher(proprietes, 6, 0, "CheckBoxEcritureFocal35mm", "Ecriture focal equ. 35 mm");

    CheckBoxGenererLesImages = new CheckBox(this, "CheckBoxGenererLesImages", "Générer les images");
    CheckBoxGenererLesImages->SetChecked(true);
    CheckBoxGenererLesImages->setToolTip(
        Q("Doit être coché sauf si vous avez déjà généré les images. Permet de ne générer que "
          "les pages HTML"));
    droite->addWidget(CheckBoxGenererLesImages);
    droite->addStretch(1);

    auto* fichiers = new QGridLayout();
    colonne->addLayout(fichiers);
    const auto ligne_edit = [&](int rang, const char* label, const char* texte, const char* nom) {
        auto* l = new QLabel(Q(texte), this);
        l->setObjectName(label);
        fichiers->addWidget(l, rang, 0);
        auto* e = new Edit(this, nom);
        fichiers->addWidget(e, rang, 1);
        return e;
    };
    EditNomFicPageHtml =
        ligne_edit(0, "Label10", "Fichier pour la page html", "EditNomFicPageHtml");
    BitBtnParcourirDossierHtml = new Button(this, "BitBtnParcourirDossierHtml", "Parcourir");
    fichiers->addWidget(BitBtnParcourirDossierHtml, 0, 2);
    EditSousDossierPetitesImages = ligne_edit(1, "Label11", "Sous dossier pour les petites images",
                                              "EditSousDossierPetitesImages");
    EditSousDossierPetitesImages->SetText("petites");
    EditSousDossierGrandesImages = ligne_edit(2, "Label12", "Sous dossier pour les grandes images",
                                              "EditSousDossierGrandesImages");
    EditSousDossierGrandesImages->SetText("grandes");
    EditTitrePage = ligne_edit(3, "Label13", "Titre de la Page", "EditTitrePage");
    EditTitrePage->setToolTip(Q("Donnez, si vous le voulez, un titre à votre page"));

    auto* boutons = new QHBoxLayout();
    colonne->addLayout(boutons);
    BitBtnOkCreationHtml = new Button(this, "BitBtnOkCreationHtml", "Créer la page");
    BitBtnOkCreationHtml->setDefault(true);
    BitBtnVoirResultatPage = new Button(this, "BitBtnVoirResultatPage", "Visualiser la page");
    BitBtnVoirResultatPage->setToolTip(Q("permet de voir le résultat"));
    BitBtnVoirResultatPage->setEnabled(false);
    BitBtn1 = new Button(this, "BitBtn1", "Fermer", platform::ui::ModalResult::Cancel);
    boutons->addStretch(1);
    boutons->addWidget(BitBtnOkCreationHtml);
    boutons->addWidget(BitBtnVoirResultatPage);
    boutons->addWidget(BitBtn1);

    const auto cache = [this](const char* nom) {
        auto* e = new Edit(this, nom);
        e->setVisible(false);
        return e;
    };
    EditSvgColorFond = cache("EditSvgColorFond");
    EditSvgColorTexte = cache("EditSvgColorTexte");
    EditSvgCouleurTexteExif = cache("EditSvgCouleurTexteExif");
    EditSvgColorEncadrement = cache("EditSvgColorEncadrement");
    EditSvgColorEncadrementGrandePhoto = cache("EditSvgColorEncadrementGrandePhoto");

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    colonne->addWidget(StatusBar1);

    SvgEditIni1 = new components::TSvgEditIni(*this, "SvgEditIni1");
    SvgEditIni1->SauveRadioButton = false;

    BitBtnOkCreationHtml->OnClick = [this](Button&) { BitBtnOkCreationHtmlClick(); };
    BitBtnParcourirDossierHtml->OnClick = [this](Button&) { BitBtnParcourirDossierHtmlClick(); };
    BitBtnVoirResultatPage->OnClick = [this](Button&) { BitBtnVoirResultatPageClick(); };
    EditSousDossierPetitesImages->OnChange = [this](Edit&) {
        EditSousDossierPetitesImagesChange();
    };
    EditSousDossierGrandesImages->OnChange = [this](Edit&) {
        EditSousDossierGrandesImagesChange();
    };
    SpeedButtonCouleurFond->OnClick = [this](SpeedButton&) { SpeedButtonCouleurFondClick(); };
    SpeedButtonCouleurTexte->OnClick = [this](SpeedButton&) { SpeedButtonCouleurTexteClick(); };
    SpeedButtonCoulTexteExif->OnClick = [this](SpeedButton&) { SpeedButtonCoulTexteExifClick(); };
    SpeedButtonCouleurEncadrementImage->OnClick = [this](SpeedButton&) {
        SpeedButtonCouleurEncadrementImageClick();
    };
    SpeedButtonCouleurEncadrementGrandePhoto->OnClick = [this](SpeedButton&) {
        SpeedButtonCouleurEncadrementGrandePhotoClick();
    };
    PeintEchantillons();
}

void TFormCreationHtml::Loaded() {
    SvgEditIni1->Loaded();
}

ReglagesAlbum TFormCreationHtml::Reglages() const {
    ReglagesAlbum r;
    r.images_par_ligne = SpinEditNbImgParLigne->Value();
    r.taille_petite = SpinEditTailleMaxPetiteImage->Value();
    r.taille_grande = SpinEditTailleMaxiGrandeImage->Value();
    r.bordure_tableau = SpinEditTailleBordureTableau->Value();
    r.espace_entre_images = SpinEditEspaceEntreImages->Value();
    r.encadrement = SpinEditTailleEncadrement->Value();
    r.sans_couleur_encadrement = CheckBoxSansCouleurEncadrement->Checked();
    r.couleur_encadrement = PanelColorEncadrement->Couleur();
    r.encadrement_grande_photo = SpinEditTailleEncadrementGrandePhoto->Value();
    r.sans_couleur_encadrement_grande_photo = CheckBoxSansCouleurEncadrementGrandePhoto->Checked();
    r.couleur_encadrement_grande_photo = PanelColorEncadrementGrandePhoto->Couleur();
    r.qualite_petites = SpinEditTauxCompressionVignettes->Value();
    r.qualite_grandes = SpinEditTauxCompressionGrandesImages->Value();
    r.sans_couleur = CheckBoxSansCouleur->Checked();
    r.couleur_fond = fond_;
    r.couleur_texte = texte_;
    r.couleur_texte_exif = texte_exif_;
    r.proprietes_seulement_grandes = CheckBoxEcrirePropSeulementGrdImage->Checked();
    r.nom_image = CheckBoxEcritNomImageSousImage->Checked();
    r.diaphragme = CheckBoxEcritureFocale->Checked();
    r.vitesse = CheckBoxEcritureVitesse->Checked();
    r.iso = CheckBoxEcritureIso->Checked();
    r.flash = CheckBoxEcritureFlash->Checked();
    r.appareil = CheckBoxEcritureNomAppareil->Checked();
    r.commentaire = CheckBoxEcritureDuCommentaire->Checked();
    r.focale_35mm = CheckBoxEcritureFocal35mm->Checked();
    r.generer_images = CheckBoxGenererLesImages->Checked();
    r.page = EditNomFicPageHtml->Text();
    r.sous_dossier_petites = EditSousDossierPetitesImages->Text();
    r.sous_dossier_grandes = EditSousDossierGrandesImages->Text();
    r.titre = EditTitrePage->Text();
    return r;
}

void TFormCreationHtml::BitBtnOkCreationHtmlClick() {
    AvecBarreFinale(*EditSousDossierPetitesImages);
    AvecBarreFinale(*EditSousDossierGrandesImages);
    if (EditNomFicPageHtml->Text().empty()) {
        std::string bureau = components::DossierSpecial(components::kDossierBureau);
        if (!components::DossierExiste(bureau)) bureau = platform::HomeDirectory();
        EditNomFicPageHtml->SetText(bureau + "/page.htm");
    }
    AvecRepli(*SpinEditNbImgParLigne, 4);
    AvecRepli(*SpinEditTailleMaxPetiteImage, 150);
    AvecRepli(*SpinEditTailleMaxiGrandeImage, 800);

    const AlbumHtml album(Reglages(), Diapos ? Diapos() : std::vector<std::string>{});
    const std::vector<FichierIllisible> illisibles = album.Cree([this](const std::string& image) {
        StatusBar1->showMessage(QString::fromStdString(image));
        StatusBar1->repaint();
    });
    StatusBar1->clearMessage();
    BitBtnVoirResultatPage->setEnabled(true);
    if (!illisibles.empty()) App().GetDialogs().ShowMessage(MessageImagesIllisibles(illisibles));
}

void TFormCreationHtml::BitBtnParcourirDossierHtmlClick() {
    platform::ui::OpenFileRequest demande;
    demande.filter = "html|*.html;*.htm|Tous|*.*";
    demande.default_extension = "html";
    demande.file_name = EditNomFicPageHtml->Text();
    demande.must_exist = false;
    const std::optional<std::string> fichier = App().GetDialogs().OpenFile(demande);
    if (fichier) EditNomFicPageHtml->SetText(*fichier);
}

void TFormCreationHtml::BitBtnVoirResultatPageClick() {
    App().GetShell().OpenUrl(EditNomFicPageHtml->Text());
}

void TFormCreationHtml::EditSousDossierPetitesImagesChange() {
    SansBarreInitiale(*EditSousDossierPetitesImages);
}

void TFormCreationHtml::EditSousDossierGrandesImagesChange() {
    SansBarreInitiale(*EditSousDossierGrandesImages);
}

std::optional<Color> TFormCreationHtml::ChoisitCouleur(Color initiale) {
    return App().GetDialogs().ChooseColor(platform::ColorToRGB(initiale));
}

void TFormCreationHtml::SpeedButtonCouleurFondClick() {
    if (const auto couleur = ChoisitCouleur(fond_)) {
        fond_ = *couleur;
        PeintEchantillons();
    }
    EditSvgColorFond->SetText(platform::ColorToString(fond_));
}

void TFormCreationHtml::SpeedButtonCouleurTexteClick() {
    if (const auto couleur = ChoisitCouleur(texte_)) {
        texte_ = *couleur;
        PeintEchantillons();
    }
    EditSvgColorTexte->SetText(platform::ColorToString(texte_));
}

void TFormCreationHtml::SpeedButtonCoulTexteExifClick() {
    if (const auto couleur = ChoisitCouleur(texte_exif_)) {
        texte_exif_ = *couleur;
        PeintEchantillons();
    }
    EditSvgCouleurTexteExif->SetText(platform::ColorToString(texte_exif_));
}

void TFormCreationHtml::SpeedButtonCouleurEncadrementImageClick() {
    if (const auto couleur = ChoisitCouleur(PanelColorEncadrement->Couleur()))
        PanelColorEncadrement->SetCouleur(*couleur);
    EditSvgColorEncadrement->SetText(platform::ColorToString(PanelColorEncadrement->Couleur()));
}

void TFormCreationHtml::SpeedButtonCouleurEncadrementGrandePhotoClick() {
    if (const auto couleur = ChoisitCouleur(PanelColorEncadrementGrandePhoto->Couleur()))
        PanelColorEncadrementGrandePhoto->SetCouleur(*couleur);
    EditSvgColorEncadrementGrandePhoto->SetText(
        platform::ColorToString(PanelColorEncadrementGrandePhoto->Couleur()));
}

void TFormCreationHtml::FormShow() {
    // A text that names no colour (a settings file edited by hand) leaves
    // its sample as it is.
    const auto lit = [](const Edit& edit, const std::function<void(Color)>& applique) {
        if (edit.Text().empty()) return;
        if (const auto couleur = platform::StringToColor(edit.Text())) applique(*couleur);
    };
    lit(*EditSvgColorEncadrement, [this](Color c) { PanelColorEncadrement->SetCouleur(c); });
    lit(*EditSvgColorEncadrementGrandePhoto,
        [this](Color c) { PanelColorEncadrementGrandePhoto->SetCouleur(c); });
    lit(*EditSvgColorFond, [this](Color c) { fond_ = c; });
    lit(*EditSvgColorTexte, [this](Color c) { texte_ = c; });
    lit(*EditSvgCouleurTexteExif, [this](Color c) { texte_exif_ = c; });
    PeintEchantillons();
}

void TFormCreationHtml::PeintEchantillons() {
    const auto peint = [](Edit& edit, Color fond, Color texte) {
        QPalette p = edit.palette();
        p.setColor(QPalette::Base, VersQt(fond));
        p.setColor(QPalette::Text, VersQt(texte));
        edit.setPalette(p);
    };
    peint(*EditCouleur, fond_, texte_);
    peint(*EditCouleurTexteExif, fond_, texte_exif_);
}

}  // namespace app
