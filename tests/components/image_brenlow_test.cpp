#include "components/image_brenlow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <cstring>
#include <filesystem>

#include "gif/gif_image.h"
#include "gif/gif_painter.h"
#include "pictures.h"
#include "platform/core/error.h"
#include "platform/graphics/jpeg_image.h"
#include "test_support.h"

namespace components {
namespace {

using platform::Bitmap;
using platform::Rect;
using namespace testing_support;

// Fitted into the panel within margins of 10 or, given a zoom, zoomed.
ParametresDisposition Parametres(int32_t panneau_l, int32_t panneau_h, int32_t image_l,
                                 int32_t image_h, double zoom = 0) {
    const bool ajuste = zoom == 0;
    return {panneau_l, panneau_h, image_l,           image_h,
            ajuste,    true,      ajuste ? 1 : zoom, {10, 10, 10, 10}};
}

TEST(Disposition, FitKeepsProportionsAndCentresAndZoomRoundsHalvesToEven) {
    // The box is 1032 x 475; its ratio is below the picture's, so the width
    // shrinks to Round(633.33) and the left edge is Round(209.5), half to even.
    EXPECT_EQ(CalculeDisposition(Parametres(1052, 495, 400, 300)), (Rect{210, 10, 843, 485}));
    // A box relatively taller than the picture: the height shrinks instead.
    EXPECT_EQ(CalculeDisposition(Parametres(420, 1000, 400, 300)), (Rect{10, 350, 410, 650}));
    // Small pictures are enlarged to the box.
    EXPECT_EQ(CalculeDisposition(Parametres(220, 170, 20, 15)), (Rect{10, 10, 210, 160}));
    // A panel smaller than its margins, 0 x -5: no proportion step, placed by
    // the centring formula alone.
    EXPECT_EQ(CalculeDisposition(Parametres(20, 15, 400, 300)), (Rect{10, 10, 10, 5}));
    EXPECT_EQ(CalculeDisposition(Parametres(1052, 495, 801, 601, 0.5)), (Rect{0, 0, 400, 300}));

    // Overflow stops with the runtime's errors.
    EXPECT_THROW(CalculeDisposition(Parametres(INT32_MIN + 5, 100, 4, 3)), platform::Error);
    EXPECT_EQ(ErrorText([] { CalculeDisposition(Parametres(100, 100, 60000, 60000, 100000.0)); }),
              "Erreur de vérification d'étendue");
}

TEST(BandeElastique, ProportionalHeightAndSelectionInPictureUnclipped) {
    // 100 pixels to the right on a 3:2 picture: Round(66.67) = 67 down.
    EXPECT_EQ(YProportionnel(300, 200, platform::Point{10, 20}, 110), 87);
    EXPECT_EQ(YProportionnel(300, 200, platform::Point{110, 20}, 10), -47);
    const Selection s =
        SelectionEnPixels(800, 600, 400, 300, platform::Point{-10, 5}, platform::Point{450, 301});
    EXPECT_EQ((Rect{s.gauche, s.haut, s.droite, s.bas}), (Rect{-20, 10, 900, 602}));
}

// The display as a window of its own, with margins 10 as the main window has.
class Affichage : public ::testing::Test {
protected:
    void SetUp() override {
        affichage.SetStretch(true);
        affichage.SetGardeProportion(true);
        affichage.SetMargeConstante(10);
        affichage.SetSaisieRectangle(true);
        affichage.resize(1052, 495);
        affichage.show();
        affichage.Loaded();
        affichage.OnAffiche = [this](TImageBrenlow&) { ++affichages; };
        affichage.OnMouseUp = [this](QWidget&, const platform::ui::MouseArgs&) { ++relachements; };
        affichage.SetImageResultatSaisiRectangle(&resultat);
        affichage.SetImageVueResultatSaisiRectangle(&vue);
    }

    // Shows a bitmap file of the pattern at that size; the pattern.
    std::unique_ptr<Bitmap> Charge(int32_t largeur, int32_t hauteur) {
        auto motif = Pattern(largeur, hauteur);
        WriteBmp(dossier / "a.bmp", *motif);
        affichage.ChargeFichier(dossier / "a.bmp");
        return motif;
    }

    void Souris(QEvent::Type type, QPoint position, Qt::MouseButton bouton,
                Qt::MouseButtons boutons) {
        QWidget& image = affichage.ImageInterne();
        QMouseEvent event(type, QPointF(position), image.mapToGlobal(QPointF(position)), bouton,
                          boutons, Qt::NoModifier);
        QCoreApplication::sendEvent(&image, &event);
    }

    void Bande(QPoint debut, QPoint fin, QPoint relache) {
        Souris(QEvent::MouseButtonPress, debut, Qt::LeftButton, Qt::LeftButton);
        Souris(QEvent::MouseMove, fin, Qt::NoButton, Qt::LeftButton);
        Souris(QEvent::MouseButtonRelease, relache, Qt::LeftButton, Qt::NoButton);
    }

    // The painter of the GIF picture shown, once the display has drawn it.
    const gif::TGIFPainter* Anime() {
        affichage.ImageInterne().grab();
        const auto* image =
            dynamic_cast<const gif::TGIFImage*>(affichage.GetPicture().GetGraphic());
        return image != nullptr ? image->DrawPainter() : nullptr;
    }

    Bitmap Resultat() const {
        Bitmap copie;
        copie.Assign(*resultat.GetPicture().GetGraphic());
        return copie;
    }

    TempDir dossier;
    TImageBrenlow affichage{nullptr, "Korvel1"};
    platform::ui::Image resultat{nullptr, "resultat"};
    platform::ui::Image vue{nullptr, "vue"};
    int affichages = 0;
    int relachements = 0;
};

TEST_F(Affichage, ShowsAFileLaidOutInsideMarginsThatTakeEffectAtTheNextLayout) {
    Charge(400, 300);
    EXPECT_EQ(affichages, 1);
    EXPECT_EQ(affichage.FileName(), dossier / "a.bmp");
    EXPECT_EQ(affichage.ImageInterne().geometry(), QRect(210, 10, 633, 475));
    affichage.SetMargeConstante(50);
    EXPECT_EQ(affichage.ImageInterne().geometry(), QRect(210, 10, 633, 475));
    affichage.AjusteImage();
    EXPECT_EQ(affichage.ImageInterne().geometry().top(), 50);

    affichage.SetStretch(false);
    affichage.SetCoefZoom(0.5);
    EXPECT_EQ(affichage.ImageInterne().geometry(), QRect(0, 0, 200, 150));
}

TEST_F(Affichage, AFileThatCannotBeReadLeavesTheShownPicture) {
    affichage.ChargeFichier(dossier / "absent.jpg");
    EXPECT_EQ(affichages, 0);
    EXPECT_EQ(affichage.FileName(), "");

    Charge(40, 30);
    const std::string casse = dossier / "casse.jpg";
    WriteFile(casse, std::string("\xFF\xD8\xFF\xE0 pas une image"));
    EXPECT_TRUE(ErrorText([&] { affichage.ChargeFichier(casse); }).starts_with("Erreur JPEG #"));
    WriteFile(dossier / "image.png", std::string("\x89PNG"));
    EXPECT_EQ(ErrorText([&] { affichage.ChargeFichier(dossier / "image.png"); }),
              "Extension de fichier image inconnue (.png)");
    EXPECT_EQ(affichages, 1);
    EXPECT_EQ(affichage.FileName(), dossier / "a.bmp");
    EXPECT_EQ(affichage.GetPicture().Width(), 40);
}

TEST_F(Affichage, ShowingAPictureInMemoryReadsNoFile) {
    platform::Picture source;
    source.Assign(Pattern(80, 60).get());
    affichage.AfficheGraphique(source.TakeGraphic(), "/nulle/part.jpg");
    EXPECT_EQ(affichages, 1);
    EXPECT_EQ(affichage.FileName(), "/nulle/part.jpg");
    affichage.AfficheGraphique(nullptr, "x");
    EXPECT_EQ(affichages, 1);
}

TEST_F(Affichage, ABandDrawnTowardsTheLowerRightIsCopiedAndNoOtherIs) {
    // Upwards, or a mere click: nothing is copied.
    const auto motif = Charge(400, 300);
    Bande(QPoint(300, 300), QPoint(100, 100), QPoint(100, 100));
    Bande(QPoint(50, 50), QPoint(50, 50), QPoint(50, 50));
    EXPECT_EQ(resultat.GetPicture().GetGraphic(), nullptr);
    EXPECT_EQ(relachements, 2);

    // The picture is 400 x 300 shown 633 x 475: the band's screen size is kept
    // by the view copy (the last move, not the release point), and the copy at
    // picture resolution lands in the other.
    Bande(QPoint(0, 0), QPoint(317, 238), QPoint(500, 400));
    EXPECT_EQ(relachements, 3);
    EXPECT_EQ(SizeOf(vue.GetPicture()), "317x238");
    const Bitmap copie = Resultat();
    ASSERT_EQ(SizeOf(copie), "200x150");
    EXPECT_EQ(PixelAt(copie, 0, 0), PixelAt(*motif, 0, 0));
    EXPECT_EQ(PixelAt(copie, 199, 149), PixelAt(*motif, 199, 149));
}

TEST_F(Affichage, ABandReachingOutOfThePictureCopiesBlackThere) {
    WriteBmp(dossier / "blanc.bmp",
             *MakeBitmap(400, 300, [](int, int) { return platform::kWhite; }));
    affichage.ChargeFichier(dossier / "blanc.bmp");
    // From the middle of the picture to 100 screen pixels beyond its corner.
    Bande(QPoint(316, 237), QPoint(733, 575), QPoint(733, 575));
    const Bitmap copie = Resultat();
    EXPECT_EQ(PixelAt(copie, 0, 0), platform::kWhite);
    EXPECT_EQ(PixelAt(copie, copie.Width() - 1, copie.Height() - 1), platform::kBlack);
}

TEST_F(Affichage, AProportionalBandFollowsThePictureShape) {
    Charge(300, 200);
    affichage.SetSaisieRectangleProportionelle(true);
    Bande(QPoint(10, 10), QPoint(110, 15), QPoint(110, 15));
    EXPECT_EQ(SizeOf(vue.GetPicture()), "100x67");
}

TEST_F(Affichage, AJpegIsDecodedOnlyAsFineAsTheLayoutNeeds) {
    const std::string nom = dossier / "grande.jpg";
    WriteJpeg(nom, *Pattern(4000, 3000));
    affichage.ChargeFichier(nom);
    const uint64_t decodages = platform::JpegImage::DecodeCount();
    affichage.repaint();
    EXPECT_EQ(platform::JpegImage::DecodeCount(), decodages)
        << "the load decoded for the layout already";
}

TEST_F(Affichage, APictureBeyondTheMemoryBudgetIsShownButNeitherTurnedNorWrittenAsABitmap) {
    const std::string nom = dossier / "immense.jpg";
    WriteJpeg(nom, *Pattern(16, 16));
    // The frame header made to say 16500 x 16500: beyond the 2^28 pixels of
    // one bitmap, 2063 x 2063 at an eighth.
    std::string octets = ReadText(nom);
    const size_t sof = octets.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    octets.replace(sof + 5, 4, std::string("\x40\x74\x40\x74", 4));
    WriteFile(nom, octets);
    affichage.ChargeFichier(nom);
    ASSERT_EQ(affichage.GetPicture().Width(), 16500);
    affichage.repaint();

    EXPECT_EQ(ErrorText([&] { affichage.Rotation(90); }), "Mémoire insuffisante");
    EXPECT_EQ(affichage.GetPicture().Width(), 16500);
    EXPECT_EQ(ErrorText([&] { affichage.EnregistreSous(dossier / "immense.bmp"); }),
              "Mémoire insuffisante");
    EXPECT_FALSE(std::filesystem::exists(dossier / "immense.bmp"));
}

TEST_F(Affichage, ATurnedPictureIsWrittenAsItIsShown) {
    const std::unique_ptr<Bitmap> motif = Charge(40, 30);
    affichage.Rotation(90);
    affichage.EnregistreSous(dossier / "tournee.bmp");
    Bitmap relue;
    relue.LoadFromFile(dossier / "tournee.bmp");
    ASSERT_EQ(relue.Width(), 30);
    ASSERT_EQ(relue.Height(), 40);
    // The source's bottom-left pixel is the top-left one after a clockwise turn.
    EXPECT_EQ(std::memcmp(relue.ScanLine(0), motif->ScanLine(29), 3), 0);
    const auto& montree = dynamic_cast<const Bitmap&>(*affichage.GetPicture().GetGraphic());
    for (int32_t y = 0; y < 40; ++y)
        EXPECT_EQ(std::memcmp(relue.ScanLine(y), montree.ScanLine(y), 90), 0);
}

TEST_F(Affichage, AGifIsShownWrittenFrameForFrameAndResizedIntoAJpeg) {
    REQUIRE_PROGRAM("convert");
    gif::RegisterGIFImage();
    const std::string source = dossier / "motif.gif";
    ASSERT_EQ(testing_support::Run(
                  "convert -size 30x20 xc:red -size 30x20 xc:blue +append -interlace GIF " +
                  ShellQuote(source)),
              0);
    affichage.ChargeFichier(source);
    ASSERT_EQ(affichage.GetPicture().Width(), 60);

    const std::string copie = dossier / "copie.GIF";
    affichage.EnregistreSous(copie);
    std::string difference;
    testing_support::Run(
        "compare -metric AE " + ShellQuote(source) + " " + ShellQuote(copie) + " null: 2>&1",
        &difference);
    EXPECT_EQ(difference, "0");

    TImageBrenlow::RedimensionneFichier(source, dossier / "petite.jpg", 30, 10, 90);
    platform::JpegImage petite;
    petite.LoadFromFile(dossier / "petite.jpg");
    EXPECT_EQ(petite.Width(), 30);
    EXPECT_EQ(petite.Height(), 10);
}

TEST_F(Affichage, AGifTurnedStaysAGifThatGoesOnPlaying) {
    REQUIRE_PROGRAM("convert");
    gif::RegisterGIFImage();
    const std::string anime = dossier / "anime.gif";
    ASSERT_EQ(testing_support::Run("convert -delay 10 -size 20x12 xc:red"
                                   " \\( -size 8x4 xc:blue -repage +3+2 \\) -loop 0 " +
                                   ShellQuote(anime)),
              0);
    affichage.ChargeFichier(anime);
    ASSERT_NE(Anime(), nullptr);
    affichage.Rotation(90);
    const auto* tournee = dynamic_cast<const gif::TGIFImage*>(affichage.GetPicture().GetGraphic());
    ASSERT_NE(tournee, nullptr);
    EXPECT_EQ(tournee->Images().Count(), 2);
    EXPECT_EQ(SizeOf(*tournee), "12x20");
    EXPECT_NE(Anime(), nullptr);
    EXPECT_EQ(affichage.ImageInterne().width(), affichage.DispositionPour(12, 20).Width());

    // A still picture too; an angle of no quarter turn changes nothing.
    const std::string fixe = dossier / "fixe.gif";
    ASSERT_EQ(testing_support::Run("convert -size 20x12 xc:red " + ShellQuote(fixe)), 0);
    affichage.ChargeFichier(fixe);
    affichage.Rotation(-90);
    EXPECT_NE(dynamic_cast<const gif::TGIFImage*>(affichage.GetPicture().GetGraphic()), nullptr);
    EXPECT_EQ(SizeOf(*affichage.GetPicture().GetGraphic()), "12x20");
    EXPECT_EQ(ErrorText([&] { affichage.Rotation(45); }), "Erreur de vérification d'étendue");
    EXPECT_EQ(SizeOf(*affichage.GetPicture().GetGraphic()), "12x20");
}

// ImageMagick's count of the pixels that differ between two pictures.
std::string PixelsDifferents(const std::string& a, const std::string& b) {
    std::string compte;
    testing_support::Run(
        "compare -metric AE " + ShellQuote(a) + " " + ShellQuote(b) + " null: 2>&1", &compte);
    return compte;
}

// The resized copy of the picture shown comes from its file while the
// picture is the file's as read: the same bytes as the file's resize.
TEST_F(Affichage, TheResizedCopyComesFromTheFileWhileThePictureShownIsItsOwn) {
    Charge(40, 30);
    const std::string fichier = dossier / "a.bmp";
    const auto depuis_le_fichier = [&] {
        affichage.RedimensionneAffichee(dossier / "copie.bmp", 20, 15, 90);
        TImageBrenlow::RedimensionneFichier(fichier, dossier / "reference.bmp", 20, 15, 90);
        return ReadFile(dossier / "copie.bmp") == ReadFile(dossier / "reference.bmp");
    };
    EXPECT_TRUE(depuis_le_fichier());
    // Turned, then saved elsewhere: still not the file's picture.
    affichage.Rotation(90);
    affichage.EnregistreSous(dossier / "ailleurs.bmp");
    EXPECT_FALSE(affichage.ImageDuFichier());
    EXPECT_FALSE(depuis_le_fichier());
    // Saved over its file, it is again.
    affichage.EnregistreAvecExif(fichier, fichier);
    EXPECT_TRUE(depuis_le_fichier());
    // Edited by another window, until a picture is shown anew.
    affichage.NoteRetouche();
    EXPECT_FALSE(affichage.ImageDuFichier());
    affichage.ChargeFichier(fichier);
    EXPECT_TRUE(affichage.ImageDuFichier());
}

// A GIF turns frame by frame: its copy at another size is its first frame,
// turned as shown, whatever the copy's kind.
TEST_F(Affichage, AGifTurnedIsResizedAsItIsShown) {
    REQUIRE_PROGRAM("convert");
    gif::RegisterGIFImage();
    const std::string anime = dossier / "anime.gif";
    ASSERT_EQ(testing_support::Run(
                  "convert -delay 10 \\( -size 20x6 xc:red -size 20x6 xc:blue -append \\)"
                  " \\( -size 8x4 xc:lime -repage +3+2 \\) -loop 0 " +
                  ShellQuote(anime)),
              0);
    affichage.ChargeFichier(anime);
    affichage.Rotation(90);
    const std::string attendue = dossier / "attendue.bmp";
    ASSERT_EQ(testing_support::Run("convert " + ShellQuote(anime + "[0]") +
                                   " -rotate 90 -scale 6x10! " + ShellQuote(attendue)),
              0);
    for (const char* nom : {"petite.bmp", "petite.gif"}) {
        SCOPED_TRACE(nom);
        const std::string cible = dossier / nom;
        affichage.RedimensionneAffichee(cible, 6, 10, 90);
        EXPECT_EQ(Identify("%n %w %h|", cible), "1 6 10|");
        EXPECT_EQ(PixelsDifferents(cible, attendue), "0");
    }
}

class Enregistrement : public Affichage {
protected:
    void SetUp() override {
        Affichage::SetUp();
        const std::string camera = TestData("exif-samples/jpg/exif-org/canon-ixus.jpg");
        REQUIRE_PROGRAM("exiftool");
        std::filesystem::copy_file(camera, source);
    }

    const std::string source = dossier / "source.jpg";
};

TEST_F(Enregistrement, AnUnmodifiedJpegKeepsItsPictureDataAndTakesTheSourcesMetadata) {
    affichage.ChargeFichier(source);
    affichage.SetCompressionQuality(5);
    const std::string cible = dossier / "copie.JPG";
    affichage.EnregistreAvecExif(source, cible);
    EXPECT_EQ(LayoutOf(ReadText(cible)).picture, LayoutOf(ReadText(source)).picture);
    for (const char* tag : {"Make", "Model", "DateTimeOriginal", "ExposureTime", "FNumber"}) {
        EXPECT_EQ(ExifToolValue(tag, cible), ExifToolValue(tag, source)) << tag;
    }
}

TEST_F(Enregistrement, AnotherPictureIsEncodedWithTheSourcesMetadataAndItsOwnSize) {
    Charge(120, 90);
    const std::string cible = dossier / "nouvelle.jpg";
    affichage.EnregistreAvecExif(source, cible);
    EXPECT_EQ(ExifToolValue("Model", cible), ExifToolValue("Model", source));
    EXPECT_EQ(ExifToolValue("ExifImageWidth", cible), "120");
    EXPECT_EQ(ExifToolValue("ExifImageHeight", cible), "90");
    platform::JpegImage relue;
    relue.LoadFromFile(cible);
    EXPECT_EQ(relue.Width(), 120);

    const std::string sans = dossier / "sans.jpg";
    affichage.EnregistreAvecExif(dossier / "absente.jpg", sans);
    EXPECT_EQ(ExifToolValue("Model", sans), "");
    EXPECT_EQ(ExifToolValue("JFIFVersion", sans), "1.02");
}

// Saved as it was read, turned and saved in place, saved at another size:
// the photo's XMP data and ICC profile go along, and its EXIF size is the
// new picture's.
TEST_F(Enregistrement, EveryWayOfSavingKeepsTheXmpDataAndTheIccProfile) {
    AddXmpAndIccProfile(source);
    const std::string attendu = XmpAndIccProfile(source);
    ASSERT_NE(attendu.find("Rating: 4"), std::string::npos);

    affichage.ChargeFichier(source);
    const std::string pareille = dossier / "pareille.jpg";
    affichage.EnregistreAvecExif(source, pareille);
    const std::string tournee = dossier / "tournee.jpg";
    std::filesystem::copy_file(source, tournee);
    affichage.ChargeFichier(tournee);
    affichage.Rotation(90);
    affichage.EnregistreAvecExif(tournee, tournee);
    const std::string petite = dossier / "petite.jpg";
    TImageBrenlow::RedimensionneFichier(source, petite, 160, 120, 80);

    for (const std::string& cible : {pareille, tournee, petite}) {
        SCOPED_TRACE(cible);
        EXPECT_EQ(XmpAndIccProfile(cible), attendu);
        EXPECT_EQ(
            ExifToolValue("ExifImageWidth", cible) + " " + ExifToolValue("ExifImageHeight", cible),
            Identify("%w %h", cible));
        EXPECT_EQ(ExifToolValue("Model", cible), ExifToolValue("Model", source));
        EXPECT_EQ(ExifToolValue("Warning", cible), "");
    }
    EXPECT_EQ(Identify("%w %h", tournee), "480 640");
    // Sampled as the photo (4:2:2), turned with it.
    EXPECT_EQ(Identify("%[jpeg:sampling-factor]", tournee), "1x2,1x1,1x1");
    EXPECT_EQ(Identify("%[jpeg:sampling-factor]", petite), "2x1,1x1,1x1");
}

TEST_F(Enregistrement, NothingIsWrittenForAnUnknownExtensionOrABadQuality) {
    affichage.ChargeFichier(source);
    for (const std::string extension : {"jpeg", "png", ""}) {
        const std::string cible = dossier / ("photo" + (extension.empty() ? "" : "." + extension));
        EXPECT_EQ(ErrorText([&] { affichage.EnregistreAvecExif(source, cible); }),
                  "Extension de fichier image inconnue (." + extension + ")");
        EXPECT_FALSE(std::filesystem::exists(cible)) << cible;
    }
    affichage.SetCompressionQuality(0);
    EXPECT_EQ(ErrorText([&] { affichage.EnregistreAvecExif(source, dossier / "q.jpg"); }),
              "Erreur de vérification d'étendue");
    EXPECT_FALSE(std::filesystem::exists(dossier / "q.jpg"));
    affichage.EnregistreAvecExif(source, "");

    affichage.EnregistreAvecExif(source, dossier / "copie.bmp");
    Bitmap relue;
    relue.LoadFromFile(dossier / "copie.bmp");
    EXPECT_EQ(relue.Width(), affichage.GetPicture().Width());
}

}  // namespace
}  // namespace components
