#include "app/form_proprietes_diapos.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "components/garde_position_fiche.h"
#include "components/outils_shell.h"
#include "components/routines_image.h"
#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "metadata/iptc.h"
#include "platform/core/text.h"
#include "platform/ui/application.h"

namespace app {

using platform::ui::ListView;
using platform::ui::Q;

namespace {

// The shooting data the first list shows, in its order: the tag and its
// caption. The exposure time is looked up apart (it falls back on the
// shutter speed).
constexpr std::array<std::pair<std::string_view, std::string_view>, 21> kPrincipales{{
    {"Make", "Marque"},
    {"Model", "Modèle"},
    {"Flash", "Flash"},
    {"FocalLength", "focale"},
    {"FocalLengthin35mmFilm", "Focale équivalente en 35mm"},
    {"", "Temps d'exposition"},
    {"FNumber", "Diaph"},
    {"ExposureBiasValue", "Correction de l'exposition"},
    {"ISOSpeedRatings", "Iso"},
    {"Long focal", "plus longue focale"},
    {"Short focal", "plus courte focale"},
    {"MaxApertureValue", "Ouverture Diaph maxi"},
    {"DateTimeOriginal", "Date de la prise de vue"},
    {"ExposureProgram", "Programme d'expostion"},
    {"ExposureMode", "Mode d'exposition"},
    {"ExifImageWidth", "Largeur"},
    {"ExifImageLength", "Hauteur"},
    {"Orientation", "Orientation"},
    {"OwnerName", "Propriétaire"},
    {"CameraSerialNumber", "N° de série de l'appareil"},
    {"SubjectDistance", "Distance"},
}};

// Why the file did not take a text, as the message tells it.
std::string_view Raison(Refus refus) {
    switch (refus) {
        case Refus::PasJpeg:
            return "le fichier n'est pas une image JPEG.";
        case Refus::SansCommentaire:
            return "le fichier n'a pas de place pour un commentaire.";
        case Refus::SansIptc:
            return "le fichier ne contient pas de données IPTC.";
        case Refus::Aucun:
            break;
    }
    return {};
}

// Blanks and control characters off both ends.
std::string_view SansBlancs(std::string_view texte) {
    while (!texte.empty() && static_cast<unsigned char>(texte.front()) <= ' ')
        texte.remove_prefix(1);
    while (!texte.empty() && static_cast<unsigned char>(texte.back()) <= ' ')
        texte.remove_suffix(1);
    return texte;
}

// Two rows by their captions, with the letters a to z as capitals and every
// other character by its code (no locale, so the order is the same
// everywhere), times `sens`, the direction of the sort.
int CompareLignes(const ListView::Row& ligne1, const ListView::Row& ligne2, int sens) {
    const std::string_view a = ligne1.caption;
    const std::string_view b = ligne2.caption;
    const auto majuscule = [](char c) {
        const auto octet = static_cast<unsigned char>(c);
        return octet >= 'a' && octet <= 'z' ? octet - ('a' - 'A') : octet;
    };
    const size_t commun = std::min(a.size(), b.size());
    for (size_t i = 0; i < commun; ++i) {
        const int ecart = majuscule(a[i]) - majuscule(b[i]);
        if (ecart != 0) return ecart * sens;
    }
    return (a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0) * sens;
}

}  // namespace

ProprietesFichier LitProprietes(const std::string& fichier) {
    ProprietesFichier proprietes;
    metadata::TimgData donnees(255);
    donnees.ReadPictureFile(fichier);
    const metadata::TImageInfo* exif = donnees.ExifObj();
    if (!donnees.HasMetadata() || !donnees.HasExif() || exif == nullptr) return proprietes;

    if (exif->CommentPosition > 0) proprietes.commentaire = exif->Comment;
    for (const auto& [tag, legende] : kPrincipales) {
        std::string valeur;
        if (tag.empty()) {
            valeur = exif->TagValue("ExposureTime");
            if (valeur.empty()) valeur = exif->TagValue("ShutterSpeedValue");
        } else {
            valeur = exif->TagValue(tag);
        }
        if (!valeur.empty()) proprietes.principales.push_back({std::string(legende), valeur});
    }
    for (const metadata::TTagEntry& entree : exif->Tags()) {
        if (!entree.display.empty())
            proprietes.toutes.push_back({entree.description, entree.display});
    }
    metadata::TIPTCdata* iptc = donnees.IptcObj();
    if (donnees.HasIptc() && iptc != nullptr) {
        iptc->ParseOwnerSegment();
        proprietes.mots_clefs = iptc->TextOf(iptc->TagValueOr("Keywords", "  "));
    }
    return proprietes;
}

std::string MessageNonEnregistre(const NonEnregistre& refus) {
    std::string message;
    const auto ajoute = [&](const std::string& ligne) {
        message += (message.empty() ? "" : "\n") + ligne;
    };
    const auto raison = [](std::string_view quoi, Refus pourquoi) {
        return std::string(quoi).append(" : ").append(Raison(pourquoi));
    };
    if (refus.commentaire != Refus::Aucun && refus.commentaire == refus.mots_clefs) {
        ajoute(
            raison("Le commentaire et les mots clés n'ont pas été enregistrés", refus.commentaire));
    } else {
        if (refus.commentaire != Refus::Aucun)
            ajoute(raison("Le commentaire n'a pas été enregistré", refus.commentaire));
        if (refus.mots_clefs != Refus::Aucun)
            ajoute(raison("Les mots clés n'ont pas été enregistrés", refus.mots_clefs));
    }
    if (refus.commentaire_coupe) {
        const std::string& garde = *refus.commentaire_coupe;
        size_t caracteres = 0;
        for (size_t i = 0; i < garde.size(); i = platform::NextCharacter(garde, i)) ++caracteres;
        ajoute("Le commentaire a été coupé : le fichier n'a de place que pour " +
               (caracteres == 1 ? std::string("son premier caractère.")
                                : "ses " + std::to_string(caracteres) + " premiers caractères."));
    }
    return message;
}

NonEnregistre EnregistreProprietes(const std::string& fichier, const std::string& commentaire,
                                   const std::string& mots_clefs,
                                   const std::function<bool()>& accepte) {
    const bool commentaire_tape = !SansBlancs(commentaire).empty();
    const std::string_view texte_mots = SansBlancs(mots_clefs);
    NonEnregistre refus;
    if (components::TypeImageFichier(fichier) != components::TTypeImage::Jpeg) {
        if (commentaire_tape) refus.commentaire = Refus::PasJpeg;
        if (!texte_mots.empty()) refus.mots_clefs = Refus::PasJpeg;
        return refus;
    }
    metadata::TimgData donnees(255);
    donnees.ReadPictureFile(fichier);

    metadata::TImageInfo* exif = donnees.ExifObj();
    const bool avec_commentaire =
        donnees.HasMetadata() && donnees.HasExif() && exif != nullptr && exif->CommentPosition > 0;
    const bool nouveau_commentaire = avec_commentaire && commentaire != exif->Comment;
    if (nouveau_commentaire) {
        const std::string garde = exif->SetComment(commentaire);
        if (garde.empty() && commentaire_tape) {
            refus.commentaire = Refus::SansCommentaire;
        } else if (SansBlancs(garde) != SansBlancs(commentaire)) {
            refus.commentaire_coupe = garde;
        }
    } else if (!avec_commentaire && commentaire_tape) {
        refus.commentaire = Refus::SansCommentaire;
    }

    metadata::TIPTCdata* iptc = donnees.IptcObj();
    const bool sans_iptc = !donnees.HasIptc() || iptc == nullptr;
    if (!texte_mots.empty() && sans_iptc) refus.mots_clefs = Refus::SansIptc;
    bool nouveaux_mots = false;
    if (!texte_mots.empty() && !sans_iptc) {
        iptc->ParseOwnerSegment();
        // Compared in the encoding the file's IPTC data declare; keywords it
        // cannot hold are new.
        nouveaux_mots = iptc->DataOf(texte_mots) != iptc->TagValueOr("Keywords", "");
        if (nouveaux_mots) iptc->SetTagText("Keywords", texte_mots);
    }

    if (!nouveaux_mots && !nouveau_commentaire) return refus;
    if (accepte && !accepte()) return refus;
    // The IPTC writer keeps the EXIF segment edited above: one rewrite carries
    // both changes.
    if (nouveaux_mots) {
        iptc->WriteToFile(fichier, fichier);
    } else {
        donnees.RewriteJpegFile(fichier);
    }
    return refus;
}

TFormProprietesDiapos::TFormProprietesDiapos(platform::ui::Application& application, Fiches&)
    : Form(application, "FormProprietesDiapos") {
    SetCaption("Proprietés");
    resize(451, 609);
    // A place of its own, within the free area: the window system would put
    // the window where its design height runs off a smaller screen. A
    // placement kept from an earlier run replaces it at the first show.
    CenterOnScreen();
    setMinimumSize(157, 90);
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(0);

    GroupBox1 = new QGroupBox(Q("Modifier le commentaire"), this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setFixedHeight(89);
    colonne->addWidget(GroupBox1);
    auto* grille = new QGridLayout(GroupBox1);
    EditCommentaire = new platform::ui::Edit(GroupBox1, "EditCommentaire");
    Label1 = new QLabel(Q("Mots clés séparés par un ;"), GroupBox1);
    Label1->setObjectName("Label1");
    EditMotsClefs = new platform::ui::Edit(GroupBox1, "EditMotsClefs");
    SpeedButton1 = new platform::ui::SpeedButton(GroupBox1, "SpeedButton1", "");
    SpeedButton1->setIcon(QApplication::style()->standardIcon(QStyle::SP_DialogSaveButton));
    SpeedButton1->OnClick = [this](platform::ui::SpeedButton&) { SpeedButton1Click(); };
    grille->addWidget(EditCommentaire, 0, 0, 1, 2);
    grille->addWidget(Label1, 1, 0);
    grille->addWidget(EditMotsClefs, 1, 1);
    grille->addWidget(SpeedButton1, 0, 2, 2, 1);

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setChildrenCollapsible(false);
    colonne->addWidget(Splitter1, 1);
    ListView1 = new ListView(Splitter1, "ListView1", "Propriété", "Valeur");
    ListView2 = new ListView(Splitter1, "ListView2", "Propriété", "Valeur");
    Splitter1->addWidget(ListView1);
    Splitter1->addWidget(ListView2);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({130, 609 - 89 - 130});
    const auto tri = [this](ListView& liste, int) { ListView1ColumnClick(liste); };
    ListView1->OnColumnClick = tri;
    ListView2->OnColumnClick = tri;

    GardePositionFiche1 = new components::TGardePositionFiche(*this);
}

void TFormProprietesDiapos::Loaded() {
    GardePositionFiche1->Loaded();
}

void TFormProprietesDiapos::AfficheProprietes(const std::string& fichier) {
    ListView1->Clear();
    ListView2->Clear();
    FFichier = fichier;
    FIdentite = platform::IdentifyFile(fichier);

    const ProprietesFichier proprietes = LitProprietes(fichier);
    EditCommentaire->SetText(proprietes.commentaire);
    EditMotsClefs->SetText(proprietes.mots_clefs);
    for (const auto& ligne : proprietes.principales)
        AjouteLigne(*ListView1, ligne.caption, ligne.value);
    for (const auto& ligne : proprietes.toutes) AjouteLigne(*ListView2, ligne.caption, ligne.value);
}

void TFormProprietesDiapos::AjouteLigne(ListView& liste, const std::string& legende,
                                        const std::string& valeur) {
    liste.AddRow(legende, valeur);
}

void TFormProprietesDiapos::SpeedButton1Click() {
    // A folder with nothing to show leaves the window without a file.
    if (FFichier.empty()) return;
    bool demande = false;
    bool ecrit = false;
    const NonEnregistre refus =
        EnregistreProprietes(FFichier, EditCommentaire->Text(), EditMotsClefs->Text(), [&] {
            demande = true;
            ecrit = components::ConfirmeReecriture(FFichier, FIdentite);
            return ecrit;
        });
    // The window's own rewrite is not a change made behind its back.
    if (ecrit) FIdentite = platform::IdentifyFile(FFichier);
    // A user who declined the rewrite knows that nothing was saved.
    if (demande && !ecrit) return;
    const std::string message = MessageNonEnregistre(refus);
    if (!message.empty()) App().GetDialogs().ShowMessage(message);
}

void TFormProprietesDiapos::ListView1ColumnClick(ListView& sender) {
    const int sens = FSensTri;
    sender.CustomSort([sens](const ListView::Row& ligne1, const ListView::Row& ligne2) {
        return CompareLignes(ligne1, ligne2, sens);
    });
    FSensTri = -FSensTri;
}

}  // namespace app
