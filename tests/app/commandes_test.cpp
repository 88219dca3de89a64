#include <gtest/gtest.h>

#include <QClipboard>
#include <QImage>
#include <QTimer>
#include <filesystem>
#include <sstream>

#include "app/form_change_ht_lg.h"
#include "app/form_edit_picture.h"
#include "app/form_options.h"
#include "fenetre_principale.h"
#include "gif/gif_image.h"
#include "gif/gif_painter.h"
#include "platform/graphics/jpeg_image.h"
#include "platform/settings/ini_file.h"
#include "platform/ui/controls.h"

namespace app {
namespace {

using namespace testing_support;

namespace fs = std::filesystem;
using platform::ui::ModalResult;

// The trash of the run (tests/support/qt_test_main.cpp points it to scratch).
fs::path Corbeille() {
    return fs::path(std::getenv("XDG_DATA_HOME")) / "Trash" / "files";
}

// Runs `action` once the next modal window is up.
void DansLeDialogue(std::function<void()> action) {
    QTimer::singleShot(0, std::move(action));
}

using Commandes = FenetrePrincipale;

TEST_F(Commandes, OnlyTheListedCommandsStopTheSlideshow) {
    Image("a.bmp", 10);
    Image("b.bmp", 20);
    Ouvre({dossier / "a.bmp"});
    RecordShell();
    const auto arrete = [&](const std::function<void()>& commande) {
        fenetre->TimerDefileImage->SetEnabled(true);
        commande();
        return !fenetre->TimerDefileImage->Enabled();
    };
    EXPECT_TRUE(arrete([&] { fenetre->MenuFichierClick(); }));
    EXPECT_TRUE(arrete([&] { fenetre->PopupMenu1Popup(); }));
    EXPECT_TRUE(arrete([&] { fenetre->Ouvrir1Click(); }));
    EXPECT_TRUE(arrete([&] { fenetre->EnregistrerSousClick(); }));
    EXPECT_TRUE(arrete([&] { fenetre->ActionEffacerExecute(); }));  // answered No
    EXPECT_TRUE(arrete([&] { fenetre->ActionStopDiaporamaExecute(); }));
    EXPECT_TRUE(arrete([&] {
        DansLeDialogue([&] { fiches.FormEditPicture->SetModalResult(ModalResult::Cancel); });
        fenetre->ActionModifieDiapoExecute();
    }));
    EXPECT_FALSE(arrete([&] {
        DansLeDialogue([&] { fiches.FormOptions->SetModalResult(ModalResult::Ok); });
        fenetre->Optgions1Click();
    }));
    EXPECT_FALSE(arrete([&] { fenetre->Copier1Click(); }));
    EXPECT_FALSE(arrete([&] { fenetre->ActionLanceProgRetouchePhotos1Execute(); }));
    EXPECT_FALSE(arrete([&] { fenetre->Rotation1801Click(); }));
    fenetre->TimerDefileImage->SetEnabled(false);
}

TEST_F(Commandes, DeletingShowsThePictureThatTakesTheNumber) {
    Serie(5);
    Ouvre({dossier / "p3.bmp"});
    dialogues->yes_no_answers = {true, true, true};
    fenetre->ActionEffacerExecute();
    ASSERT_EQ(dialogues->questions.size(), 1u);
    EXPECT_FALSE(fs::exists(dossier / "p3.bmp"));
    EXPECT_TRUE(fs::exists(Corbeille() / "p3.bmp"));
    EXPECT_EQ(Vue(), "3 3/4 40");
    Defile().SetNumImage(4);  // the last
    fenetre->ActionEffacerExecute();
    EXPECT_EQ(Vue(), "3 3/3 40");
    Defile().SetNumImage(1);
    fenetre->ActionEffacerExecute();
    EXPECT_EQ(Vue(), "1 1/2 20");

    // Answered No: nothing moves.
    fenetre->ActionEffacerExecute();
    EXPECT_TRUE(fs::exists(dossier / "p2.bmp"));

    // The last picture gone, the display is cleared: nothing is left that a
    // save could write back.
    dialogues->yes_no_answers = {true, true};
    fenetre->ActionEffacerExecute();
    fenetre->ActionEffacerExecute();
    EXPECT_EQ(Vue(), "0 1/1 0");
    EXPECT_EQ(fenetre->Korvel1->FileName() + fenetre->LabelDim->text().toStdString(), "");
    fenetre->Sauver1Click();
    EXPECT_FALSE(fs::exists(dossier / "p5.bmp"));
}

TEST_F(Commandes, SavingOverAFileChangedReplacedOrDeletedSinceItWasReadAsksFirst) {
    using platform::ui::DefaultAnswer;
    const std::string photo = Image("a.bmp", 10);
    Ouvre({photo});
    const std::string modifie =
        "Le fichier " + photo + " a été modifié depuis son ouverture. L'écraser ?";
    const std::string supprime = "Le fichier " + photo + " a été supprimé. L'écrire à nouveau ?";
    const auto largeur = [&] {
        platform::Picture relue;
        relue.LoadFromFile(photo);
        return relue.Width();
    };

    // The file as it was read: written without a question.
    fenetre->Sauver1Click();
    EXPECT_TRUE(dialogues->questions.empty());

    // Changed in place: "Non" (the default) writes nothing; "Oui" writes the
    // picture shown, after which the file counts as the one read.
    Image("a.bmp", 20);
    const std::vector<uint8_t> autre = ReadFile(photo);
    fenetre->Sauver1Click();
    EXPECT_EQ(dialogues->questions, std::vector<std::string>{modifie});
    EXPECT_EQ(ReadFile(photo), autre);
    dialogues->yes_no_answers = {true};
    fenetre->Sauver1Click();
    EXPECT_EQ(largeur(), 10);
    fenetre->Sauver1Click();
    EXPECT_EQ(dialogues->questions.size(), 2u);

    // Replaced by a copy of the same size and date: only the file itself
    // differs. Answered No, the rotation shows but is not saved.
    const std::string copie = dossier / "copie.bmp";
    fs::copy_file(photo, copie);
    platform::SetModificationTime(copie, *platform::ModificationTime(photo));
    fs::rename(copie, photo);
    const std::vector<uint8_t> remplacee = ReadFile(photo);
    fenetre->Rotation90Enregistrer1Click();
    EXPECT_EQ(dialogues->questions.back(), modifie);
    EXPECT_EQ(ReadFile(photo), remplacee);
    EXPECT_EQ(LargeurAffichee(), 30);

    // Deleted: "Non" leaves it deleted, "Oui" writes it again.
    fs::remove(photo);
    fenetre->Sauver1Click();
    EXPECT_EQ(dialogues->questions.back(), supprime);
    EXPECT_FALSE(fs::exists(photo));
    dialogues->yes_no_answers = {true};
    fenetre->Sauver1Click();
    EXPECT_EQ(largeur(), 30);

    // Sending the picture to the trash defaults to "Non" as well.
    fenetre->ActionEffacerExecute();
    EXPECT_TRUE(fs::exists(photo));
    EXPECT_EQ(dialogues->questions.size(), 6u);
    EXPECT_EQ(dialogues->question_defaults, std::vector<DefaultAnswer>(6, DefaultAnswer::No));
}

TEST_F(Commandes, SavingOverAReadOnlyFileIsRefusedAndLeavesItAsItWas) {
    const std::string photo = Image("a.jpg", 10);
    fs::permissions(photo, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    platform::SetModificationTime(photo, {1'000'000'000, 0});
    const std::vector<uint8_t> avant = ReadFile(photo);
    Ouvre({photo});
    EXPECT_EQ(ErrorText([&] { fenetre->Rotation90Enregistrer1Click(); }),
              "Impossible de créer le fichier \"" + photo + "\". Accès refusé.");
    EXPECT_EQ(ReadFile(photo), avant);
    EXPECT_EQ(platform::ModificationTime(photo), (platform::FileTime{1'000'000'000, 0}));
    EXPECT_EQ(fs::status(photo).permissions(), fs::perms(0444));
}

TEST_F(Commandes, APictureReadAheadCountsAsReadWhenItWasDecodedNotWhenItIsShown) {
    Serie(2);
    Ouvre({dossier / "p1.bmp"});
    ASSERT_EQ(Defile().FNumTampon, 2);
    // Changed after the slideshow read it ahead: the picture shown is the old
    // one, which must not go over the change unasked.
    Image("p2.bmp", 99);
    const std::vector<uint8_t> changee = ReadFile(dossier / "p2.bmp");
    Defile().SetNumImage(2);
    EXPECT_EQ(LargeurAffichee(), 20);
    fenetre->Sauver1Click();
    EXPECT_EQ(dialogues->questions, std::vector<std::string>{"Le fichier " + (dossier / "p2.bmp") +
                                                             " a été modifié depuis son ouverture. "
                                                             "L'écraser ?"});
    EXPECT_EQ(ReadFile(dossier / "p2.bmp"), changee);
}

TEST_F(Commandes, TheOptionsReachTheDiskWhenTheirDialogCloses) {
    // A settings file of its own, which the next tests do not read.
    const TempDir reglages;
    const ScopedEnv config("XDG_CONFIG_HOME", reglages.Path());
    const std::string fichier = platform::SettingsFileName();
    Ouvre();
    DansLeDialogue([&] {
        fiches.FormOptions->EditDossierPhotoAMettreDeCote->SetText("/photos/de côté/");
        fiches.FormOptions->SetModalResult(ModalResult::Ok);
    });
    fenetre->Optgions1Click();
    // The main window still open, the file holds the value as the dialog's
    // close left it.
    EXPECT_NE(ReadText(fichier).find("\nEditDossierPhotoAMettreDeCote=/photos/de côté\n"),
              std::string::npos);
}

TEST_F(Commandes, PuttingAsideCopiesIntoTheOptionsFolder) {
    Image("a.bmp", 10);
    Ouvre({dossier / "a.bmp"});
    // No folder yet: the options open, and closed still empty nothing is copied.
    DansLeDialogue([&] { fiches.FormOptions->SetModalResult(ModalResult::Ok); });
    fenetre->Mettredecotcopie1Click();

    const std::string cote = dossier / "de cote";
    fs::create_directory(cote);
    fiches.FormOptions->EditDossierPhotoAMettreDeCote->SetText(cote);
    fiches.FormOptions->CheckBoxVoirDestination->SetChecked(true);
    fenetre->Mettredecotcopie1Click();
    EXPECT_EQ(dialogues->messages,
              (std::vector<std::string>{
                  "vous devez indiquer un dossier pour que votre image y soit placée",
                  "Destination : " + cote +
                      "/a.bmp\nAllez dans les options pour changer la destination"}));
    EXPECT_EQ(ReadFile(cote + "/a.bmp"), ReadFile(dossier / "a.bmp"));

    // The copy is there: the user is asked before it is replaced, "Non" by
    // default.
    fiches.FormOptions->CheckBoxVoirDestination->SetChecked(false);
    fenetre->Mettredecotcopie1Click();
    EXPECT_EQ(dialogues->questions.size(), 1u);
    EXPECT_EQ(dialogues->question_defaults,
              std::vector<platform::ui::DefaultAnswer>{platform::ui::DefaultAnswer::No});
}

TEST_F(Commandes, TheEditingProgramsGetThePictureAsOneArgument) {
    Image("une photo.bmp", 10);
    Ouvre({dossier / "une photo.bmp"});
    const auto& shell = RecordShell();
    fenetre->ActionLanceProgRetouchePhoto2Execute();
    EXPECT_EQ(dialogues->messages,
              std::vector<std::string>{"Pas de programme défini. Allez dans les options pour "
                                       "informer le programme à lancer."});
    const std::string programme = Image("retouche", 1);
    fiches.FormOptions->EditProgALancerPourRetouches1->SetText(programme);
    fiches.FormOptions->EditProgALancerPourRetouches2->SetText(programme);
    fenetre->ActionLanceProgRetouchePhotos1Execute();
    fenetre->ActionLanceProgRetouchePhoto2Execute();
    const std::vector<std::string> photo{dossier / "une photo.bmp"};
    EXPECT_EQ(shell.started,
              (std::vector{std::pair{programme, photo}, std::pair{programme, photo}}));
}

TEST_F(Commandes, WithoutAPictureTheEditingProgramsStartOnNothing) {
    Ouvre();
    const auto& shell = RecordShell();
    fenetre->ActionLanceProgRetouchePhotos1Execute();
    fenetre->ActionLanceProgRetouchePhoto2Execute();
    EXPECT_EQ(dialogues->messages,
              std::vector<std::string>(2,
                                       "Pas de programme défini. Allez dans les options pour "
                                       "informer le programme à lancer."));
    // Set: started without any argument, not even an empty one.
    const std::string programme = Image("retouche", 1);
    fiches.FormOptions->EditProgALancerPourRetouches1->SetText(programme);
    fiches.FormOptions->EditProgALancerPourRetouches2->SetText(programme);
    fenetre->ActionLanceProgRetouchePhotos1Execute();
    fenetre->ActionLanceProgRetouchePhoto2Execute();
    EXPECT_EQ(shell.started, (std::vector{std::pair{programme, std::vector<std::string>{}},
                                          std::pair{programme, std::vector<std::string>{}}}));
    EXPECT_EQ(dialogues->messages.size(), 2u);
}

TEST_F(Commandes, RotatingAndSavingKeepsTheMetadata) {
    const std::string camera = TestData("exif-samples/jpg/exif-org/nikon-e950.jpg");
    REQUIRE_PROGRAM("exiftool");
    const std::string photo = dossier / "photo.jpg";
    fs::copy_file(camera, photo);
    Ouvre({photo});
    const std::string avant = ExifToolValue("DateTimeOriginal", photo);
    fenetre->Rotation90Enregistrer1Click();
    platform::JpegImage relue;
    relue.LoadFromFile(photo);
    EXPECT_EQ(SizeOf(relue), "600x800");
    EXPECT_EQ(ExifToolValue("DateTimeOriginal", photo), avant);
    EXPECT_EQ(ExifToolValue("ExifImageWidth", photo), "600");
    EXPECT_EQ(ExifToolValue("Model", photo), "E950");
}

TEST_F(Commandes, RotatingAndSavingAnAnimatedGifKeepsEveryFrameTurned) {
    REQUIRE_PROGRAM("convert");
    gif::RegisterGIFImage();
    // Four frames at their places, one restored to the background, one that
    // lasts longer, looping twice.
    const std::string anime = dossier / "anime.gif";
    ASSERT_EQ(testing_support::Run(
                  "convert -delay 10 -size 20x12 xc:red \\( -size 8x4 xc:blue -repage +3+2 \\)"
                  " \\( -size 5x5 xc:green -repage +12+4 -set dispose Background \\)"
                  " \\( -size 6x3 xc:yellow -repage +1+8 -set delay 25 \\) -loop 2 " +
                  ShellQuote(anime)),
              0);
    const std::string original = dossier / "original.gif.bak";
    fs::copy_file(anime, original);
    const auto images = [](const std::string& file, const std::string& turn) {
        return Output("convert gif:" + ShellQuote(file) + " -coalesce " + turn +
                      " -depth 8 rgba:-");
    };
    const std::string timing = Identify("%T %D|", original);
    Ouvre({anime});
    fenetre->Rotation90Enregistrer1Click();
    EXPECT_EQ(Identify("%n %W %H|", anime).substr(0, 9), "4 12 20|4");
    EXPECT_EQ(Identify("%T %D|", anime), timing);
    EXPECT_NE(Output("identify -verbose " + ShellQuote(anime)).find("Iterations: 2"),
              std::string::npos);
    EXPECT_TRUE(images(anime, "") == images(original, "-rotate 90"));
    // The picture shown is the one written, and goes on playing.
    fenetre->Korvel1->ImageInterne().grab();
    const auto* montree =
        dynamic_cast<const gif::TGIFImage*>(fenetre->Korvel1->GetPicture().GetGraphic());
    ASSERT_NE(montree, nullptr);
    EXPECT_NE(montree->DrawPainter(), nullptr);

    fenetre->RotationMoins90Enregistrer1Click();
    fenetre->RotationMoins90Enregistrer1Click();
    EXPECT_EQ(Identify("%n %W %H|", anime).substr(0, 9), "4 12 20|4");
    EXPECT_TRUE(images(anime, "") == images(original, "-rotate -90"));
}

TEST_F(Commandes, SavingAtAnotherSizeWritesThatSizeOrNothing) {
    const std::string source = Image("a.jpg", 400, 300);
    Ouvre({source});
    // A size of 0 writes nothing and asks no name. The dialog is the size of
    // what it holds, but as wide as its caption needs.
    DansLeDialogue([&] {
        const QSize taille = fiches.FormChangeHtLg->size();
        const QSize contenu = fiches.FormChangeHtLg->sizeHint();
        EXPECT_LE(taille.height(), contenu.height());
        EXPECT_EQ(taille.width(),
                  std::max(contenu.width(), fiches.FormChangeHtLg->CaptionWidth()));
        fiches.FormChangeHtLg->SetModalResult(ModalResult::Ok);
    });
    fenetre->Enregistrersousautretaille1Click();
    EXPECT_TRUE(dialogues->save_requests.empty());

    const std::string cible = dossier / "petite.jpg";
    dialogues->save_answers = {cible};
    DansLeDialogue([&] {
        fiches.FormChangeHtLg->SpinEditNouvLargeur->SetValue(200);
        fiches.FormChangeHtLg->SpinEditNouvHauteur->SetValue(150);
        fiches.FormChangeHtLg->SetModalResult(ModalResult::Ok);
    });
    fenetre->Enregistrersousautretaille1Click();
    ASSERT_EQ(dialogues->save_requests.size(), 1u);
    EXPECT_EQ(dialogues->save_requests[0].file_name, "a.jpg");
    platform::JpegImage relue;
    relue.LoadFromFile(cible);
    EXPECT_EQ(SizeOf(relue), "200x150");
}

// ImageMagick's peak signal-to-noise ratio of a picture against a photo
// turned by `degres` and stretched to the picture's size, in decibels.
double PsnrTournee(const std::string& image, const std::string& photo, int degres) {
    const std::string taille = Identify("%wx%h", image);
    std::istringstream lu(Output("convert " + ShellQuote(image) + " \\( " + ShellQuote(photo) +
                                 " -rotate " + std::to_string(degres) + " -resize " + taille +
                                 "! \\) -metric PSNR -compare -format '%[distortion]' info:"));
    double decibels = 0;
    lu >> decibels;
    return decibels;
}

// What the size dialog is answered, and the name of the copy.
void AutreTaille(Fiches& fiches, ScriptedDialogs& dialogues, int largeur, int hauteur,
                 const std::string& cible) {
    dialogues.save_answers.push_back(cible);
    DansLeDialogue([&fiches, largeur, hauteur] {
        fiches.FormChangeHtLg->SpinEditNouvLargeur->SetValue(largeur);
        fiches.FormChangeHtLg->SpinEditNouvHauteur->SetValue(hauteur);
        fiches.FormChangeHtLg->SetModalResult(ModalResult::Ok);
    });
    fiches.Form1->Enregistrersousautretaille1Click();
}

// A photo turned on screen comes out at another size as it is shown, with
// its metadata at the new size; once turned and saved, or shown anew, the
// copy is made from the file again.
TEST_F(Commandes, SavingAtAnotherSizeAfterATurnWritesThePictureAsShown) {
    REQUIRE_PROGRAM("exiftool");
    REQUIRE_PROGRAM("convert");
    const std::string camera = TestData("exif-samples/jpg/exif-org/canon-ixus.jpg");
    const std::string photo = dossier / "photo.jpg";
    fs::copy_file(camera, photo);
    Ouvre({photo});
    fenetre->Rotation1Click();
    const std::string tournee = dossier / "tournee.jpg";
    AutreTaille(fiches, *dialogues, 320, 427, tournee);
    EXPECT_EQ(fiches.FormChangeHtLg->LabelLargeur->text().toStdString() + "x" +
                  fiches.FormChangeHtLg->LabelHauteur->text().toStdString(),
              "480x640");
    EXPECT_EQ(Identify("%w %h", tournee), "320 427");
    EXPECT_GT(PsnrTournee(tournee, photo, 90), 28.0);
    EXPECT_LT(PsnrTournee(tournee, photo, 0), 20.0) << "stretched from the file lying";
    EXPECT_EQ(
        ExifToolValue("ExifImageWidth", tournee) + " " + ExifToolValue("ExifImageHeight", tournee),
        "320 427");
    for (const char* tag : {"Make", "Model", "DateTimeOriginal", "ExposureTime", "FNumber"})
        EXPECT_EQ(ExifToolValue(tag, tournee), ExifToolValue(tag, photo)) << tag;
    // The photo's 4:2:2 sampling, turned with it.
    EXPECT_EQ(Identify("%[jpeg:sampling-factor]", tournee), "1x2,1x1,1x1");
    EXPECT_EQ(ReadFile(photo), ReadFile(camera));

    // Shown as it is read, or turned and saved, the photo's file is the
    // source, as it always was.
    const std::string reference = dossier / "reference.jpg";
    const auto depuis_le_fichier = [&](const std::string& cible) {
        AutreTaille(fiches, *dialogues, 200, 150, cible);
        components::TImageBrenlow::RedimensionneFichier(
            photo, reference, 200, 150,
            static_cast<uint16_t>(fenetre->Korvel1->CompressionQuality()));
        return ReadFile(cible) == ReadFile(reference);
    };
    Ouvre({photo});
    EXPECT_TRUE(depuis_le_fichier(dossier / "lue.jpg"));
    fenetre->Rotation90Enregistrer1Click();
    EXPECT_TRUE(depuis_le_fichier(dossier / "enregistree.jpg"));
}

// The picture edited on screen is the one resized; an edit cancelled leaves
// the file the source.
TEST_F(Commandes, SavingAtAnotherSizeAfterAnEditWritesTheEdit) {
    REQUIRE_PROGRAM("identify");
    const std::string photo = Image("a.jpg", 80, 60);
    const auto noircie = [&](bool ok) {
        Ouvre({photo});
        DansLeDialogue([&] {
            fiches.FormEditPicture->TrackBarLuminosite->SetPosition(-100);
            (ok ? fiches.FormEditPicture->BitBtnOK : fiches.FormEditPicture->BitBtn2)->click();
        });
        fenetre->ActionModifieDiapoExecute();
        const std::string cible = dossier / (ok ? "ok.bmp" : "annule.bmp");
        AutreTaille(fiches, *dialogues, 40, 30, cible);
        return Identify("%w %h %[fx:maxima]", cible);
    };
    EXPECT_EQ(noircie(true), "40 30 0");
    EXPECT_FALSE(fenetre->Korvel1->ImageDuFichier());
    EXPECT_NE(noircie(false), "40 30 0");
    EXPECT_TRUE(fenetre->Korvel1->ImageDuFichier());
}

TEST_F(Commandes, TheClipboardTakesThePictureAndACompletedBand) {
    Image("a.bmp", 40, 30);
    Ouvre({dossier / "a.bmp"});
    fenetre->Copier1Click();
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(40, 30));

    // A release that ends no band leaves the clipboard alone.
    QApplication::clipboard()->clear();
    platform::ui::MouseArgs gauche;
    gauche.button = Qt::LeftButton;
    fenetre->Korvel1MouseDown(gauche);
    fenetre->Korvel1MouseUp(gauche);
    EXPECT_TRUE(QApplication::clipboard()->image().isNull());
}

TEST_F(Commandes, ClosingTheWindowKeepsTheOptionsForTheNextRun) {
    const std::string fichier = platform::SettingsFileName();
    fs::remove(fichier);
    Ouvre();
    TFormOptions& options = *fiches.FormOptions;
    options.EditDossierPhotoAMettreDeCote->SetText("/home/moi/de côté");
    options.CheckBoxVoirDestination->SetChecked(false);
    options.EditProgALancerPourRetouches1->SetText("/usr/bin/retouche");
    options.SpinEditTauxCompressionJPG->SetValue(55);
    fenetre->close();
    // The options' section; the other dialogs keep theirs around it.
    const std::string texte = ReadText(fichier);
    const size_t debut = texte.find("[FormOptions]");
    ASSERT_NE(debut, std::string::npos);
    EXPECT_EQ(texte.substr(debut, texte.find("\n\n", debut) + 1 - debut),
              "[FormOptions]\n"
              "EditDossierPhotoAMettreDeCote=/home/moi/de côté\n"
              "CheckBoxVoirDestination=0\n"
              "EditProgALancerPourRetouches1=/usr/bin/retouche\n"
              "EditProgALancerPourRetouches2=\n"
              "SpinEditTauxCompressionJPG=55\n");

    // The next run finds them; the display takes the quality at the first show.
    Ouvre();
    EXPECT_EQ(fiches.FormOptions->EditDossierPhotoAMettreDeCote->Text(), "/home/moi/de côté");
    EXPECT_FALSE(fiches.FormOptions->CheckBoxVoirDestination->Checked());
    EXPECT_EQ(fenetre->Korvel1->CompressionQuality(), 55);
}

}  // namespace
}  // namespace app
