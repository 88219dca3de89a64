#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <filesystem>
#include <tuple>

#include "app/fiches.h"
#include "app/form_proprietes_diapos.h"
#include "pictures.h"
#include "platform/ui/application.h"
#include "scripted_dialogs.h"
#include "test_support.h"

namespace app {
namespace {

using platform::ui::Application;
using platform::ui::ListView;
using namespace testing_support;

// The captions of a list, joined by "|".
std::string Legendes(const ListView& liste) {
    std::string legendes;
    for (int i = 0; i < liste.Count(); ++i) {
        legendes += (i > 0 ? "|" : "") + liste.RowAt(i).caption;
    }
    return legendes;
}

// The value of the first row with that caption; "(absent)" when none.
std::string Valeur(const ListView& liste, const std::string& legende) {
    for (int i = 0; i < liste.Count(); ++i) {
        if (liste.RowAt(i).caption == legende) return liste.RowAt(i).value;
    }
    return "(absent)";
}

class FenetreProprietes : public ScriptedTest {
protected:
    void SetUp() override {
        ScriptedTest::SetUp();
        fenetre = platform::ui::CreateForm<TFormProprietesDiapos>(Application::Current(), fiches);
    }

    // A JPEG picture to which ExifTool gives `etiquettes`.
    std::string Photo(const std::string& nom, const std::string& etiquettes) {
        const std::string chemin = dossier / nom;
        WriteJpeg(chemin, *Pattern(64, 48));
        if (!etiquettes.empty()) {
            EXPECT_EQ(ExifToolWrite(etiquettes, chemin), 0);
        }
        return chemin;
    }

    void Enregistre() {
        fenetre->SpeedButton1->click();
        EXPECT_TRUE(dialogues->errors.empty());
    }

    void CliqueEntete(ListView& liste, int colonne) {
        QHeaderView* entete = liste.header();
        const QPointF point(entete->sectionViewportPosition(colonne) + 5, entete->height() / 2);
        const QPointF global = entete->viewport()->mapToGlobal(point);
        QMouseEvent appui(QEvent::MouseButtonPress, point, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent relache(QEvent::MouseButtonRelease, point, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(entete->viewport(), &appui);
        QCoreApplication::sendEvent(entete->viewport(), &relache);
    }

    // The window keeps its placement in the settings file: a scratch one.
    TempDir reglages;
    ScopedEnv config{"XDG_CONFIG_HOME", reglages.Path()};
    TempDir dossier;
    Fiches fiches;
    TFormProprietesDiapos* fenetre = nullptr;
};

TEST_F(FenetreProprietes, AFirstRunOpensTheWindowInTheMiddleOfTheFreeArea) {
    fenetre->show();
    QCoreApplication::processEvents();
    const QPoint ecart =
        fenetre->geometry().center() - fenetre->screen()->availableGeometry().center();
    EXPECT_LE(ecart.manhattanLength(), 8) << "give or take its frame";
}

TEST_F(FenetreProprietes, RowsOfACameraFile) {
    REQUIRE_PROGRAM("exiftool");
    REQUIRE_PROGRAM("identify");
    const std::string canon = TestData("exif-samples/jpg/exif-org/canon-ixus.jpg");
    const std::string fuji = TestData("exif-samples/jpg/exif-org/fujifilm-dx10.jpg");

    EXPECT_EQ(fenetre->Caption(), "Proprietés");
    EXPECT_EQ(fenetre->GroupBox1->title().toStdString(), "Modifier le commentaire");
    EXPECT_EQ(fenetre->Label1->text().toStdString(), "Mots clés séparés par un ;");
    for (ListView* liste : {fenetre->ListView1, fenetre->ListView2}) {
        EXPECT_EQ(liste->headerItem()->text(0).toStdString(), "Propriété");
        EXPECT_EQ(liste->headerItem()->text(1).toStdString(), "Valeur");
    }

    fenetre->AfficheProprietes(canon);
    // The rows with a value, in the window's order (this camera stored no ISO
    // tag, no lens range, no exposure programme or mode).
    EXPECT_EQ(Legendes(*fenetre->ListView1),
              "Marque|Modèle|Flash|focale|Focale équivalente en 35mm|Temps d'exposition|Diaph|"
              "Correction de l'exposition|Ouverture Diaph maxi|Date de la prise de vue|Largeur|"
              "Hauteur|Orientation|Propriétaire|Distance");
    for (const auto& [legende, etiquette] : {std::pair{"Marque", "Make"},
                                             {"Modèle", "Model"},
                                             {"Date de la prise de vue", "DateTimeOriginal"},
                                             {"Largeur", "ExifImageWidth"},
                                             {"Hauteur", "ExifImageHeight"}}) {
        EXPECT_EQ(Valeur(*fenetre->ListView1, legende), ExifToolValue(etiquette, canon)) << legende;
    }
    // Every tag with a value, under its description.
    EXPECT_EQ(Valeur(*fenetre->ListView2, "Make"), "Canon");
    for (int i = 0; i < fenetre->ListView2->Count(); ++i)
        EXPECT_FALSE(fenetre->ListView2->RowAt(i).value.empty());
    // Its user comment is blank, and it has no IPTC data.
    EXPECT_EQ(fenetre->EditCommentaire->Text(), "");
    EXPECT_EQ(fenetre->EditMotsClefs->Text(), "");

    // This camera stored only the shutter speed: it fills the exposure time row.
    fenetre->AfficheProprietes(fuji);
    EXPECT_EQ(Legendes(*fenetre->ListView1),
              "Marque|Modèle|Flash|focale|Focale équivalente en 35mm|Temps d'exposition|Diaph|"
              "Correction de l'exposition|Iso|Ouverture Diaph maxi|Date de la prise de vue|"
              "Programme d'expostion|Largeur|Hauteur|Orientation");
    EXPECT_EQ(Valeur(*fenetre->ListView1, "Temps d'exposition"),
              Valeur(*fenetre->ListView2, "Shutter Speed Value"));
    EXPECT_EQ(Valeur(*fenetre->ListView1, "Marque"), "FUJIFILM");

    // A file that cannot be read empties the window.
    fenetre->AfficheProprietes(dossier / "absent.jpg");
    EXPECT_EQ(fenetre->ListView1->Count(), 0);
    EXPECT_EQ(fenetre->ListView2->Count(), 0);
}

TEST_F(FenetreProprietes, CommentAndKeywordsSavedReadBackByExifTool) {
    REQUIRE_PROGRAM("exiftool");
    REQUIRE_PROGRAM("identify");
    const std::string photo = Photo("photo.jpg",
                                    "-Make=Essai '-UserComment=un commentaire assez long' "
                                    "-Keywords=un -Keywords=deux -City=Paris");
    const std::string pixels = Identify("%#", photo);
    fenetre->AfficheProprietes(photo);
    EXPECT_EQ(fenetre->EditCommentaire->Text(), "un commentaire assez long");
    EXPECT_EQ(fenetre->EditMotsClefs->Text(), "un,deux");

    // Accented letters make the comment Unicode; keywords that fit go in the
    // desktop's code page, which ExifTool decodes.
    fenetre->EditCommentaire->SetText("Été à Noël");
    fenetre->EditMotsClefs->SetText("  chat, chien ,été  ");
    Enregistre();
    EXPECT_EQ(ExifToolValue("UserComment", photo), "Été à Noël");
    EXPECT_EQ(ExifToolValue("Keywords", photo), "chat, chien, été");
    EXPECT_EQ(ExifToolValue("City", photo), "Paris");
    EXPECT_EQ(ExifToolValue("Make", photo), "Essai");
    EXPECT_EQ(Identify("%#", photo), pixels);
    // Written aside and renamed: nothing else is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dossier.Path()), {}), 1);
}

TEST_F(FenetreProprietes, TextsInUtf8AndKeywordsInTheCharacterSetTheFileDeclares) {
    REQUIRE_PROGRAM("exiftool");
    const std::string etiquettes = "'-Model=Modèle X' -Keywords=été -Keywords=Noël ";
    const std::string utf8 = Photo("utf8.jpg", etiquettes + "-IPTC:CodedCharacterSet=UTF8");
    const std::string cp1252 = Photo("cp1252.jpg", etiquettes + "-charset iptc=cp1252");
    for (const auto& [photo, mots] : {std::pair{utf8, "hiver, 日本"}, {cp1252, "hiver, Œuvre"}}) {
        fenetre->AfficheProprietes(photo);
        EXPECT_EQ(Valeur(*fenetre->ListView1, "Modèle"), "Modèle X");
        EXPECT_EQ(fenetre->EditMotsClefs->Text(), "été,Noël");
        fenetre->EditMotsClefs->SetText(mots);
        Enregistre();
        EXPECT_EQ(ExifToolValue("Keywords", photo), mots);
    }
}

TEST_F(FenetreProprietes, NothingIsWrittenWhenThereIsNothingToWrite) {
    REQUIRE_PROGRAM("exiftool");
    REQUIRE_PROGRAM("identify");
    // No IPTC data: typed keywords are not saved.
    const std::string sans_iptc = Photo("sans_iptc.jpg", "'-UserComment=le commentaire'");
    fenetre->AfficheProprietes(sans_iptc);
    EXPECT_EQ(fenetre->EditMotsClefs->Text(), "");
    std::vector<uint8_t> avant = ReadFile(sans_iptc);
    fenetre->EditMotsClefs->SetText("chat");
    Enregistre();
    EXPECT_EQ(ReadFile(sans_iptc), avant);
    EXPECT_EQ(ExifToolValue("Keywords", sans_iptc), "");

    // IPTC data without keywords show two blanks, which are not saved.
    const std::string sans_mots = Photo("sans_mots.jpg", "-Make=Essai -City=Paris");
    fenetre->AfficheProprietes(sans_mots);
    EXPECT_EQ(fenetre->EditMotsClefs->Text(), "  ");
    avant = ReadFile(sans_mots);
    Enregistre();
    EXPECT_EQ(ReadFile(sans_mots), avant);

    // Without a user comment the file gets none.
    fenetre->EditCommentaire->SetText("nouveau");
    Enregistre();
    EXPECT_EQ(ReadFile(sans_mots), avant);

    // Keywords without EXIF data are not shown; the save still finds them.
    const std::string sans_exif = Photo("sans_exif.jpg", "-Keywords=un");
    fenetre->AfficheProprietes(sans_exif);
    EXPECT_EQ(fenetre->EditMotsClefs->Text(), "");
    EXPECT_EQ(fenetre->ListView2->Count(), 0);
    fenetre->EditMotsClefs->SetText("deux");
    Enregistre();
    EXPECT_EQ(ExifToolValue("Keywords", sans_exif), "deux");
}

TEST_F(FenetreProprietes, SavingOverAFileChangedSinceItWasReadAsksFirst) {
    REQUIRE_PROGRAM("exiftool");
    REQUIRE_PROGRAM("identify");
    const std::string photo =
        Photo("photo.jpg", "'-UserComment=un commentaire assez long' -Keywords=un");
    fenetre->AfficheProprietes(photo);
    // Changed behind the window's back: "Non", the default, writes nothing.
    ASSERT_EQ(ExifToolWrite("-Make=Autre", photo), 0);
    const std::vector<uint8_t> avant = ReadFile(photo);
    fenetre->EditCommentaire->SetText("nouveau");
    Enregistre();
    EXPECT_EQ(dialogues->questions,
              std::vector<std::string>{"Le fichier " + photo +
                                       " a été modifié depuis son ouverture. L'écraser ?"});
    EXPECT_EQ(dialogues->question_defaults,
              std::vector<platform::ui::DefaultAnswer>{platform::ui::DefaultAnswer::No});
    EXPECT_EQ(ReadFile(photo), avant);

    // "Oui" writes into the file as it now stands.
    dialogues->yes_no_answers = {true};
    Enregistre();
    EXPECT_EQ(ExifToolValue("UserComment", photo), "nouveau");
    EXPECT_EQ(ExifToolValue("Make", photo), "Autre");

    // The window's own rewrite is no change: the next save asks nothing.
    fenetre->EditMotsClefs->SetText("deux");
    Enregistre();
    EXPECT_EQ(dialogues->questions.size(), 2u);
    EXPECT_EQ(ExifToolValue("Keywords", photo), "deux");

    // A deleted file has nothing left to rewrite: no question, the file is
    // not found.
    std::filesystem::remove(photo);
    fenetre->EditCommentaire->SetText("encore");
    fenetre->SpeedButton1->click();
    EXPECT_EQ(dialogues->questions.size(), 2u);
    EXPECT_EQ(dialogues->errors,
              std::vector<std::string>{"Impossible d'ouvrir le fichier \"" + photo +
                                       "\". Le fichier spécifié est introuvable."});
    EXPECT_FALSE(std::filesystem::exists(photo));
}

// The comment and the keywords of the window's text fields, as ExifTool
// reads them: keywords one per line, as written.
struct Relu {
    std::string commentaire;
    std::string mots_clefs;
};

Relu ReluParExifTool(const std::string& photo) {
    return {ExifToolValue("UserComment", photo),
            Output("exiftool -b -charset iptc=UTF8 -IPTC:Keywords " + ShellQuote(photo))};
}

TEST_F(FenetreProprietes, TextsBeyondTheDesktopsCodePageAreSavedAsTyped) {
    REQUIRE_PROGRAM("exiftool");
    REQUIRE_PROGRAM("identify");
    // A camera photo with a 264-byte user comment, in big-endian EXIF data,
    // given an IPTC block that declares no character set, with a caption in
    // the desktop's code page.
    const std::string photo = dossier / "ricoh.jpg";
    std::filesystem::copy_file(TestData("exif-samples/jpg/exif-org/ricoh-rdc5300.jpg"), photo);
    ASSERT_EQ(ExifToolWrite("-charset iptc=cp1252 -Keywords=un -Caption-Abstract=Légende", photo),
              0);
    ASSERT_EQ(ExifToolValue("CodedCharacterSet", photo), "");
    const std::string pixels = Identify("%#", photo);

    fenetre->AfficheProprietes(photo);
    fenetre->EditCommentaire->SetText("Iguane été 日本");
    fenetre->EditMotsClefs->SetText("café, 日本");
    Enregistre();
    const Relu relu = ReluParExifTool(photo);
    EXPECT_EQ(relu.commentaire, "Iguane été 日本");
    EXPECT_EQ(relu.mots_clefs, "café\n日本");
    // The block now says UTF-8, and its other texts went over to it.
    EXPECT_EQ(ExifToolValue("CodedCharacterSet", photo), "UTF8");
    EXPECT_EQ(ExifToolValue("Caption-Abstract", photo), "Légende");
    EXPECT_EQ(Identify("%#", photo), pixels);

    // The window shows again exactly what was typed.
    fenetre->AfficheProprietes(photo);
    EXPECT_EQ(fenetre->EditCommentaire->Text(), "Iguane été 日本");
    EXPECT_EQ(fenetre->EditMotsClefs->Text(), "café,日本");

    // Keywords separated as the label says.
    fenetre->EditMotsClefs->SetText("été; mer");
    Enregistre();
    EXPECT_EQ(ReluParExifTool(photo).mots_clefs, "été\nmer");
    fenetre->AfficheProprietes(photo);
    EXPECT_EQ(fenetre->EditMotsClefs->Text(), "été,mer");
    EXPECT_TRUE(dialogues->messages.empty());
}

TEST_F(FenetreProprietes, TextsTheDesktopsCodePageHoldsGiveTheBytesTheyGaveBefore) {
    const std::string photo = dossier / "photo.jpg";
    std::filesystem::copy_file(TestData("proprietes/photo-mm.jpg"), photo);
    fenetre->AfficheProprietes(photo);
    fenetre->EditCommentaire->SetText("Un commentaire en ASCII");
    fenetre->EditMotsClefs->SetText("café, Œuvre ,été");
    Enregistre();
    EXPECT_TRUE(ReadFile(photo) == ReadFile(TestData("proprietes/photo-mm-enregistree.jpg")));
}

TEST_F(FenetreProprietes, KeywordsAFileCannotHoldAreReportedAndTheCommentStillSaved) {
    REQUIRE_PROGRAM("exiftool");
    const std::string photo = Photo("sans_iptc.jpg", "'-UserComment=le commentaire'");
    const std::string message =
        "Les mots clés n'ont pas été enregistrés : le fichier ne contient pas de données IPTC.";
    fenetre->AfficheProprietes(photo);
    fenetre->EditCommentaire->SetText("autre texte");
    fenetre->EditMotsClefs->SetText("chat; chien");
    Enregistre();
    EXPECT_EQ(dialogues->messages, std::vector<std::string>{message});
    EXPECT_EQ(ExifToolValue("UserComment", photo), "autre texte");
    EXPECT_EQ(ExifToolValue("Keywords", photo), "");

    // Nothing typed, nothing to tell.
    dialogues->messages.clear();
    fenetre->EditMotsClefs->SetText(" ");
    Enregistre();
    EXPECT_TRUE(dialogues->messages.empty());

    // Changed behind the window's back and the rewrite declined: nothing was
    // saved, as the user chose, and no second box says so.
    fenetre->AfficheProprietes(photo);
    ASSERT_EQ(ExifToolWrite("-Make=Autre", photo), 0);
    fenetre->EditCommentaire->SetText("refusé");
    fenetre->EditMotsClefs->SetText("chat");
    Enregistre();
    EXPECT_EQ(dialogues->questions.size(), 1u);
    EXPECT_TRUE(dialogues->messages.empty());
    EXPECT_EQ(ExifToolValue("UserComment", photo), "autre texte");
}

// Text typed for a file that has no place for it is not saved, as before,
// but the window says what was not saved and why; the file stays as it was.
TEST_F(FenetreProprietes, TextsAFileCannotTakeAreReportedAndTheFileLeftAsItWas) {
    REQUIRE_PROGRAM("exiftool");
    const std::string gif = dossier / "deux-points.gif";
    std::filesystem::copy_file(TestData("gif-small/deux-points.gif"), gif);
    const std::string bmp = dossier / "image.bmp";
    WriteBmp(bmp, *Pattern(8, 8));
    const std::string sans_commentaire = Photo("sans_commentaire.jpg", "-Make=Essai -City=Paris");
    const std::string ni_l_un_ni_l_autre = Photo("nu.jpg", "-Make=Essai");
    const std::string pas_jpeg = " : le fichier n'est pas une image JPEG.";
    const std::string pas_de_place =
        "Le commentaire n'a pas été enregistré : le fichier n'a pas de place pour un commentaire.";
    const std::string sans_iptc =
        "Les mots clés n'ont pas été enregistrés : le fichier ne contient pas de données IPTC.";
    struct Cas {
        std::string fichier;
        std::string commentaire;
        std::string mots_clefs;
        std::string message;  // none when nothing is said
    };
    for (const Cas& cas : {
             Cas{gif, "un commentaire", "chat, chien",
                 "Le commentaire et les mots clés n'ont pas été enregistrés" + pas_jpeg},
             Cas{gif, "un commentaire", "", "Le commentaire n'a pas été enregistré" + pas_jpeg},
             Cas{bmp, " ", "chat", "Les mots clés n'ont pas été enregistrés" + pas_jpeg},
             Cas{gif, "", " ", ""},
             Cas{sans_commentaire, "un commentaire", "", pas_de_place},
             Cas{ni_l_un_ni_l_autre, "un commentaire", "chat", pas_de_place + "\n" + sans_iptc},
             Cas{ni_l_un_ni_l_autre, "  ", "", ""},
         }) {
        SCOPED_TRACE(cas.fichier + " [" + cas.commentaire + "] [" + cas.mots_clefs + "]");
        fenetre->AfficheProprietes(cas.fichier);
        EXPECT_EQ(fenetre->EditCommentaire->Text(), "");
        const std::vector<uint8_t> avant = ReadFile(cas.fichier);
        fenetre->EditCommentaire->SetText(cas.commentaire);
        fenetre->EditMotsClefs->SetText(cas.mots_clefs);
        dialogues->messages.clear();
        Enregistre();
        EXPECT_EQ(dialogues->messages, cas.message.empty() ? std::vector<std::string>{}
                                                           : std::vector<std::string>{cas.message});
        EXPECT_TRUE(ReadFile(cas.fichier) == avant);
        EXPECT_TRUE(dialogues->questions.empty());
    }

    // The keywords go into the IPTC data the file holds; only the comment is
    // reported.
    fenetre->AfficheProprietes(sans_commentaire);
    fenetre->EditCommentaire->SetText("un commentaire");
    fenetre->EditMotsClefs->SetText("chat");
    dialogues->messages.clear();
    Enregistre();
    EXPECT_EQ(dialogues->messages, std::vector<std::string>{pas_de_place});
    EXPECT_EQ(ExifToolValue("Keywords", sans_commentaire), "chat");
    EXPECT_EQ(ExifToolValue("UserComment", sans_commentaire), "");
}

// A comment longer than the user comment the camera made room for is saved
// cut to that room, and the window says how much of it was kept.
TEST_F(FenetreProprietes, ACommentCutToItsRoomIsReported) {
    REQUIRE_PROGRAM("exiftool");
    // A value of 29 bytes: the character code, 20 bytes of text and the
    // final NUL the writer keeps.
    const std::string photo = Photo("photo.jpg", "'-UserComment=" + std::string(21, 'u') + "'");
    using Coupe = std::tuple<std::string, std::string, std::string>;
    for (const auto& [tape, garde, message] :
         {Coupe{std::string(30, 'x'), std::string(20, 'x'), "ses 20 premiers caractères."},
          Coupe{"Été " + std::string(20, 'x'), "Été xxxxxx", "ses 10 premiers caractères."}}) {
        SCOPED_TRACE(tape);
        fenetre->AfficheProprietes(photo);
        fenetre->EditCommentaire->SetText(tape);
        dialogues->messages.clear();
        Enregistre();
        EXPECT_EQ(
            dialogues->messages,
            std::vector<std::string>{
                std::string("Le commentaire a été coupé : le fichier n'a de place que pour ") +
                message});
        EXPECT_EQ(ExifToolValue("UserComment", photo), garde);
    }
    // What fits is saved whole, without a word.
    fenetre->AfficheProprietes(photo);
    fenetre->EditCommentaire->SetText(std::string(20, 'y'));
    dialogues->messages.clear();
    Enregistre();
    EXPECT_TRUE(dialogues->messages.empty());
    EXPECT_EQ(ExifToolValue("UserComment", photo), std::string(20, 'y'));
}

TEST_F(FenetreProprietes, WithoutAFileTheSaveDoesNothing) {
    fenetre->AfficheProprietes(Photo("photo.jpg", ""));
    fenetre->AfficheProprietes({});
    fenetre->EditCommentaire->SetText("commentaire");
    fenetre->EditMotsClefs->SetText("chat");
    fenetre->SpeedButton1->click();
    EXPECT_TRUE(dialogues->errors.empty());
    EXPECT_TRUE(dialogues->messages.empty());
    EXPECT_TRUE(dialogues->questions.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dossier.Path()), {}), 1);
}

TEST_F(FenetreProprietes, EitherListSortsByCaptionInAlternateDirections) {
    fenetre->show();
    for (const char* legende : {"é", "_b", "Z", "a", "B"})
        fenetre->AjouteLigne(*fenetre->ListView1, legende, std::string("v") + legende);
    for (const char* legende : {"y", "X", "z"})
        fenetre->AjouteLigne(*fenetre->ListView2, legende, "");

    // Letters ignore case; every other character sorts by its code.
    CliqueEntete(*fenetre->ListView1, 1);
    EXPECT_EQ(Legendes(*fenetre->ListView1), "a|B|Z|_b|é");
    EXPECT_EQ(fenetre->ListView1->RowAt(1).value, "vB");

    CliqueEntete(*fenetre->ListView2, 0);
    EXPECT_EQ(Legendes(*fenetre->ListView2), "z|y|X");
    CliqueEntete(*fenetre->ListView2, 1);
    EXPECT_EQ(Legendes(*fenetre->ListView2), "X|y|z");
    CliqueEntete(*fenetre->ListView1, 0);
    EXPECT_EQ(Legendes(*fenetre->ListView1), "é|_b|Z|B|a");
}

}  // namespace
}  // namespace app
