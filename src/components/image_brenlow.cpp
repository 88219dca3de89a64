#include "components/image_brenlow.h"

#include <QResizeEvent>
#include <QRubberBand>
#include <QScrollArea>
#include <algorithm>

#include "components/routines_image.h"
#include "gif/gif_image.h"
#include "metadata/img_data.h"
#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/text.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/jpeg_image.h"
#include "platform/ui/application.h"

namespace components {

using platform::Bitmap;
using platform::Canvas;
using platform::Graphic;
using platform::JpegImage;
using platform::Picture;
using platform::Point;
using platform::Rect;
using platform::ui::Application;
using platform::ui::MouseArgs;

namespace {

// The object that reads or writes a picture file of that name, by its
// upper-cased extension; any other extension (".jpeg" included) is refused.
std::unique_ptr<Graphic> ObjetPourFichier(const std::string& nom) {
    const std::string_view court = std::string_view(nom).substr(nom.rfind('/') + 1);
    const size_t point = court.rfind('.');
    const std::string_view extension =
        point == std::string_view::npos ? std::string_view() : court.substr(point);
    const std::string majuscules = platform::UpperCase(extension);
    if (majuscules == ".JPG") return std::make_unique<JpegImage>();
    if (majuscules == ".BMP") return std::make_unique<Bitmap>();
    if (majuscules == ".GIF") return std::make_unique<gif::TGIFImage>();
    platform::RaiseUnknownExtension(
        platform::LowerCase(extension.empty() ? extension : extension.substr(1)));
}

// What writes `image` into a file of the class of `objet` (a new, empty
// object of that class): `image` itself when it is a bitmap and the file a
// BMP, else `objet` taking it; a JPEG picture is lent a bitmap rather than
// given a copy. A big picture is thus never copied on its way to a file.
const Graphic& PourEcrire(Graphic& objet, const Graphic& image) {
    const auto* bitmap = dynamic_cast<const Bitmap*>(&image);
    if (bitmap != nullptr && dynamic_cast<const Bitmap*>(&objet) != nullptr) return image;
    if (auto* jpeg = dynamic_cast<JpegImage*>(&objet); jpeg != nullptr && bitmap != nullptr) {
        jpeg->AssignWithoutCopy(*bitmap);
    } else {
        objet.Assign(image);
    }
    return objet;
}

// A JPEG picture goes out with the metadata of `donnees`, their width and
// height brought to its own.
void Ecrit(const Graphic& objet, metadata::TimgData& donnees, const std::string& cible) {
    if (const auto* jpeg = dynamic_cast<const JpegImage*>(&objet)) {
        donnees.SaveJpegWithMetadata(*jpeg, cible, true);
    } else {
        objet.SaveToFile(cible);
    }
}

// `image` stretched to largeur x hauteur and written into `cible` by
// `objet`, a new object of the class of its extension: a JPEG at `qualite`,
// sampled so, with the metadata of the file `source`.
void EcritEtiree(const Graphic& image, const platform::JpegSampling& echantillonnage,
                 const std::string& source, Graphic& objet, const std::string& cible,
                 uint16_t largeur, uint16_t hauteur, uint16_t qualite) {
    metadata::TimgData donnees(255);
    donnees.ReadPictureFile(source);
    const Bitmap travail = Etire(image, largeur, hauteur);
    if (auto* jpeg = dynamic_cast<JpegImage*>(&objet)) {
        jpeg->SetCompressionQuality(qualite);
        jpeg->SetSampling(echantillonnage);
    }
    Ecrit(PourEcrire(objet, travail), donnees, cible);
}

}  // namespace

TImageBrenlow::TImageBrenlow(QWidget* parent, const std::string& name) : QFrame(parent) {
    setObjectName(QString::fromStdString(name));
    scroll_box_ = new QScrollArea(this);
    scroll_box_->setObjectName(QString::fromStdString(name) + "ScrollBox");
    scroll_box_->setFrameShape(QFrame::NoFrame);
    scroll_box_->setWidgetResizable(false);
    scroll_box_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll_box_->setFocusPolicy(Qt::NoFocus);
    contenu_ = new QWidget;
    contenu_->setAutoFillBackground(false);
    scroll_box_->setWidget(contenu_);
    image_ = new platform::ui::Image(contenu_, name + "Image");
    image_->SetStretch(true);
    bande_ = new QRubberBand(QRubberBand::Rectangle, scroll_box_->viewport());

    image_->OnMouseDown = [this](QWidget& sender, const MouseArgs& args) {
        ImageMouseDown(sender, args);
    };
    image_->OnMouseMove = [this](QWidget& sender, const MouseArgs& args) {
        ImageMouseMove(sender, args);
    };
    image_->OnMouseUp = [this](QWidget& sender, const MouseArgs& args) {
        ImageMouseUp(sender, args);
    };
}

void TImageBrenlow::SetStretch(bool stretch) {
    stretch_ = stretch;
    AjusteImage();
}

void TImageBrenlow::SetCoefZoom(double coef) {
    coef_zoom_ = coef;
    AjusteImage();
}

void TImageBrenlow::SetMargeConstante(int32_t marge) {
    marge_constante_ = marge;
    marges_ = Marges{marge, marge, marge, marge};
}

void TImageBrenlow::Loaded() {
    AjusteImage();
}

Rect TImageBrenlow::DispositionPour(int32_t largeur, int32_t hauteur) const {
    ParametresDisposition p;
    p.largeur_panneau = width();
    p.hauteur_panneau = height();
    p.largeur_image = largeur;
    p.hauteur_image = hauteur;
    p.stretch = stretch_;
    p.garde_proportion = garde_proportion_;
    p.coef_zoom = coef_zoom_;
    p.marges = marges_;
    return CalculeDisposition(p);
}

void TImageBrenlow::AjusteImage() {
    const Rect r = DispositionPour(GetPicture().Width(), GetPicture().Height());
    // The panel's outer size is the layout's; the scroll box fills it.
    scroll_box_->setGeometry(0, 0, width(), height());
    const int largeur = std::max(r.Width(), 0);
    const int hauteur = std::max(r.Height(), 0);
    contenu_->resize(std::max(r.Left + largeur, 0), std::max(r.Top + hauteur, 0));
    image_->setGeometry(r.Left, r.Top, largeur, hauteur);
}

void TImageBrenlow::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Application::Current().Guard([this] {
        AjusteImage();
        if (OnResize) OnResize(*this);
    });
}

void TImageBrenlow::ChargeFichier(const std::string& nom) {
    if (!platform::FileExists(nom)) return;
    // Taken before the reading: a file changed while it is read counts as
    // changed.
    const std::optional<platform::FileIdentity> identite = platform::IdentifyFile(nom);
    std::unique_ptr<Graphic> chargee = platform::PictureRegistry::Instance().CreateFor(nom);
    chargee->LoadFromFile(nom);
    // Shown as it was loaded: a big picture is not copied.
    Afficher(std::move(chargee), nom, identite);
}

void TImageBrenlow::AfficheGraphique(std::unique_ptr<Graphic> graphique, const std::string& nom,
                                     std::optional<platform::FileIdentity> identite) {
    if (graphique == nullptr) return;
    if (!identite) identite = platform::IdentifyFile(nom);
    Afficher(std::move(graphique), nom, identite);
}

void TImageBrenlow::Afficher(std::unique_ptr<Graphic> graphic, const std::string& nom,
                             const std::optional<platform::FileIdentity>& identite) {
    // Decode now, at the size the layout will give, so that a picture that
    // cannot be decoded fails here and leaves the shown one in place.
    if (graphic != nullptr && !graphic->Empty()) {
        const Rect r = DispositionPour(graphic->Width(), graphic->Height());
        graphic->Prepare(std::max(r.Width(), 1), std::max(r.Height(), 1));
    }
    const auto* jpeg = dynamic_cast<const JpegImage*>(graphic.get());
    echantillonnage_ = jpeg != nullptr ? jpeg->Sampling() : platform::JpegSampling();
    GetPicture().SetGraphic(std::move(graphic));
    du_fichier_ = true;
    AjusteImage();
    if (GetPicture().Width() > 0) {
        file_name_ = nom;
        identite_ = identite;
    }
    if (OnAffiche) OnAffiche(*this);
}

void TImageBrenlow::NoteEcriture(const std::string& cible) {
    if (!file_name_.empty() && platform::SameFile(cible, file_name_)) {
        identite_ = platform::IdentifyFile(file_name_);
        du_fichier_ = true;
    }
}

void TImageBrenlow::Rotation(int32_t angle) {
    RotationImage(angle, GetPicture(), GetPicture());
    echantillonnage_ = echantillonnage_.Turned(angle);
    du_fichier_ = false;
    AjusteImage();
}

std::unique_ptr<Graphic> TImageBrenlow::ObjetEnregistrement(const std::string& nom) const {
    std::unique_ptr<Graphic> objet = ObjetPourFichier(nom);
    if (auto* jpeg = dynamic_cast<JpegImage*>(objet.get())) {
        jpeg->SetCompressionQuality(compression_quality_);
        jpeg->SetSampling(echantillonnage_);
    }
    // What a GIF file takes of a picture of more colours: the octree's
    // colours, dithered.
    if (auto* image_gif = dynamic_cast<gif::TGIFImage*>(objet.get())) {
        image_gif->SetColorReduction(8);
        image_gif->SetDitherMode(1);
    }
    return objet;
}

void TImageBrenlow::EnregistreSous(const std::string& nom) {
    if (nom.empty()) return;
    const std::unique_ptr<Graphic> objet = ObjetEnregistrement(nom);
    const Graphic* montree = GetPicture().GetGraphic();
    (montree != nullptr ? PourEcrire(*objet, *montree) : *objet).SaveToFile(nom);
    NoteEcriture(nom);
}

void TImageBrenlow::EnregistreAvecExif(const std::string& source, const std::string& cible) {
    if (cible.empty()) return;
    const std::unique_ptr<Graphic> objet = ObjetEnregistrement(cible);
    const Graphic* montree = GetPicture().GetGraphic();
    const Graphic& ecrit = montree != nullptr ? PourEcrire(*objet, *montree) : *objet;
    metadata::TimgData donnees(255);
    donnees.ReadPictureFile(source);
    Ecrit(ecrit, donnees, cible);
    NoteEcriture(cible);
}

void TImageBrenlow::RedimensionneFichier(const std::string& source, const std::string& cible,
                                         uint16_t largeur, uint16_t hauteur, uint16_t qualite) {
    const std::unique_ptr<Graphic> lu = ObjetPourFichier(source);
    const std::unique_ptr<Graphic> objet = ObjetPourFichier(cible);
    lu->LoadFromFile(source);
    const auto* jpeg = dynamic_cast<const JpegImage*>(lu.get());
    EcritEtiree(*lu, jpeg != nullptr ? jpeg->Sampling() : platform::JpegSampling(), source, *objet,
                cible, largeur, hauteur, qualite);
}

void TImageBrenlow::RedimensionneAffichee(const std::string& cible, uint16_t largeur,
                                          uint16_t hauteur, uint16_t qualite) const {
    const Graphic* montree = GetPicture().GetGraphic();
    if (du_fichier_ || montree == nullptr || montree->Empty()) {
        RedimensionneFichier(file_name_, cible, largeur, hauteur, qualite);
        return;
    }
    // The picture shown is the source: only the result is made beside it.
    const std::unique_ptr<Graphic> objet = ObjetPourFichier(cible);
    EcritEtiree(*montree, echantillonnage_, file_name_, *objet, cible, largeur, hauteur, qualite);
}

void TImageBrenlow::ImageMouseDown(QWidget& sender, const MouseArgs& args) {
    if ((args.buttons & Qt::LeftButton) && saisie_rectangle_) {
        bande_en_cours_ = true;
        const QPoint p = image_->mapTo(this, QPoint(args.x, args.y));
        debut_ = courant_ = Point{p.x(), p.y()};
        const QPoint pi = image_->mapFrom(this, p);
        debut_image_ = courant_image_ = Point{pi.x(), pi.y()};
        DessineBande();
        bande_->show();
    } else {
        bande_en_cours_ = false;
    }
    if (OnMouseDown) OnMouseDown(sender, args);
}

void TImageBrenlow::ImageMouseMove(QWidget& sender, const MouseArgs& args) {
    if (bande_en_cours_) {
        const QPoint p = image_->mapTo(this, QPoint(args.x, args.y));
        courant_ = Point{p.x(), p.y()};
        const int32_t largeur_image = GetPicture().Width();
        if (proportionnelle_ && largeur_image > 0) {
            courant_.Y = YProportionnel(largeur_image, GetPicture().Height(), debut_, courant_.X);
        }
        const QPoint pi = image_->mapFrom(this, QPoint(courant_.X, courant_.Y));
        courant_image_ = Point{pi.x(), pi.y()};
        if (image_->width() >= 1 && image_->height() >= 1) {
            selection_ = SelectionEnPixels(largeur_image, GetPicture().Height(), image_->width(),
                                           image_->height(), debut_image_, courant_image_);
        }
        DessineBande();
    }
    if (OnMouseMove) OnMouseMove(sender, args);
}

void TImageBrenlow::ImageMouseUp(QWidget& sender, const MouseArgs& args) {
    if (bande_en_cours_) {
        bande_en_cours_ = false;
        bande_->hide();
        // The band ends where the last move left it, not where the button rose.
        const QPoint pi = image_->mapFrom(this, QPoint(courant_.X, courant_.Y));
        courant_image_ = Point{pi.x(), pi.y()};
        const int32_t largeur_bande = courant_image_.X - debut_image_.X;
        const int32_t hauteur_bande = courant_image_.Y - debut_image_.Y;
        if (largeur_bande > 0 && hauteur_bande > 0) {
            if (resultat_ != nullptr) CopieSelection(*resultat_);
            if (vue_resultat_ != nullptr) {
                CopieSelectionVue(
                    vue_resultat_->GetPicture(),
                    static_cast<int32_t>(platform::CheckRange(largeur_bande, 0, 65535)),
                    static_cast<int32_t>(platform::CheckRange(hauteur_bande, 0, 65535)));
            }
        }
    }
    if (OnMouseUp) OnMouseUp(sender, args);
}

void TImageBrenlow::DessineBande() {
    const QWidget* vue = scroll_box_->viewport();
    const QPoint a = vue->mapFrom(this, QPoint(debut_.X, debut_.Y));
    const QPoint b = vue->mapFrom(this, QPoint(courant_.X, courant_.Y));
    bande_->setGeometry(QRect(a, b).normalized());
}

void TImageBrenlow::CopieSelectionDans(Bitmap& cible) const {
    const int32_t gauche = std::min(selection_.gauche, selection_.droite);
    const int32_t haut = std::min(selection_.haut, selection_.bas);
    cible.SetSize(std::abs(selection_.droite - selection_.gauche),
                  std::abs(selection_.bas - selection_.haut));
    if (cible.Empty()) return;
    // What the band holds beyond the picture's edges is black.
    cible.Fill(platform::kBlack);
    const platform::Graphic* graphic = GetPicture().GetGraphic();
    if (graphic == nullptr || graphic->Empty()) return;
    Canvas canvas(cible);
    canvas.StretchDraw(Rect{-gauche, -haut, graphic->Width() - gauche, graphic->Height() - haut},
                       *graphic);
}

void TImageBrenlow::CopieSelection(platform::ui::Image& cible) const {
    Bitmap selection;
    CopieSelectionDans(selection);
    cible.GetPicture().Assign(&selection);
    cible.repaint();
}

void TImageBrenlow::CopieSelectionVue(Picture& cible, int32_t largeur, int32_t hauteur) const {
    Bitmap selection;
    CopieSelectionDans(selection);
    Bitmap vue(largeur, hauteur);
    if (!vue.Empty() && !selection.Empty()) {
        Canvas canvas(vue);
        canvas.StretchDraw(Rect{0, 0, largeur, hauteur}, selection);
    }
    cible.Assign(&vue);
}

}  // namespace components
