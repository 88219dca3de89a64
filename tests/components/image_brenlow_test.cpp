#include "components/image_brenlow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <algorithm>
#include <filesystem>

#include "pictures.h"
#include "platform/core/error.h"
#include "platform/graphics/jpeg_image.h"
#include "test_support.h"

namespace components {
namespace {

using platform::Bitmap;
using platform::Rect;
using testing_support::PixelAt;
using testing_support::TempDir;

ParametresDisposition Ajuste(int32_t panneau_l, int32_t panneau_h, int32_t image_l,
                             int32_t image_h) {
    ParametresDisposition p;
    p.largeur_panneau = panneau_l;
    p.hauteur_panneau = panneau_h;
    p.largeur_image = image_l;
    p.hauteur_image = image_h;
    p.stretch = true;
    p.garde_proportion = true;
    p.marges = Marges{10, 10, 10, 10};
    return p;
}

TEST(Disposition, FitKeepsProportionsAndCentres) {
    // The box is 1032 x 475; its ratio is below the picture's, so the width
    // shrinks to Round(633.33) and the left edge is Round(209.5), half to even.
    EXPECT_EQ(CalculeDisposition(Ajuste(1052, 495, 400, 300)), (Rect{210, 10, 843, 485}));
    // A box relatively taller than the picture: the height shrinks instead.
    EXPECT_EQ(CalculeDisposition(Ajuste(420, 1000, 400, 300)), (Rect{10, 350, 410, 650}));
}

TEST(Disposition, SmallPicturesAreEnlargedToTheBox) {
    EXPECT_EQ(CalculeDisposition(Ajuste(220, 170, 20, 15)), (Rect{10, 10, 210, 160}));
}

TEST(Disposition, ZoomRoundsHalvesToEvenAtTheOrigin) {
    ParametresDisposition p = Ajuste(1052, 495, 801, 601);
    p.stretch = false;
    p.coef_zoom = 0.5;
    EXPECT_EQ(CalculeDisposition(p), (Rect{0, 0, 400, 300}));
}

TEST(Disposition, APanelSmallerThanItsMarginsSkipsTheProportions) {
    // Size 0 x -5: no proportion step, placed by the centring formula alone.
    EXPECT_EQ(CalculeDisposition(Ajuste(20, 15, 400, 300)), (Rect{10, 10, 10, 5}));
}

TEST(Disposition, OverflowStopsWithTheRuntimeErrors) {
    ParametresDisposition p = Ajuste(INT32_MIN + 5, 100, 4, 3);
    EXPECT_THROW(CalculeDisposition(p), platform::Error);
    ParametresDisposition zoom = Ajuste(100, 100, 60000, 60000);
    zoom.stretch = false;
    zoom.coef_zoom = 100000.0;
    try {
        CalculeDisposition(zoom);
        FAIL();
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.Kind(), platform::ErrorKind::Range);
    }
}

TEST(BandeElastique, ProportionalHeightFollowsThePicture) {
    // 100 pixels to the right on a 3:2 picture: Round(66.67) = 67 down.
    EXPECT_EQ(YProportionnel(300, 200, platform::Point{10, 20}, 110), 87);
    EXPECT_EQ(YProportionnel(300, 200, platform::Point{110, 20}, 10), -47);
}

TEST(BandeElastique, SelectionScalesToPictureAndIsNotClipped) {
    const Selection s =
        SelectionEnPixels(800, 600, 400, 300, platform::Point{-10, 5}, platform::Point{450, 301});
    EXPECT_EQ(s.gauche, -20);
    EXPECT_EQ(s.haut, 10);
    EXPECT_EQ(s.droite, 900);
    EXPECT_EQ(s.bas, 602);
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

    TempDir dossier;
    TImageBrenlow affichage{nullptr, "Korvel1"};
    int affichages = 0;
    int relachements = 0;
};

TEST_F(Affichage, ShowsAFileLaidOutInsideTheMargins) {
    const std::string nom = dossier / "a.bmp";
    testing_support::WriteBmp(nom, *testing_support::Pattern(400, 300));
    affichage.ChargeFichier(nom);
    EXPECT_EQ(affichages, 1);
    EXPECT_EQ(affichage.FileName(), nom);
    EXPECT_EQ(affichage.ImageInterne().geometry(), QRect(210, 10, 633, 475));

    affichage.SetStretch(false);
    affichage.SetCoefZoom(0.5);
    EXPECT_EQ(affichage.ImageInterne().geometry(), QRect(0, 0, 200, 150));
}

TEST_F(Affichage, MarginsTakeEffectAtTheNextLayout) {
    const std::string nom = dossier / "a.bmp";
    testing_support::WriteBmp(nom, *testing_support::Pattern(400, 300));
    affichage.ChargeFichier(nom);
    affichage.SetMargeConstante(50);
    EXPECT_EQ(affichage.ImageInterne().geometry(), QRect(210, 10, 633, 475));
    affichage.AjusteImage();
    EXPECT_EQ(affichage.ImageInterne().geometry().top(), 50);
}

TEST_F(Affichage, AMissingFileChangesNothing) {
    affichage.ChargeFichier(dossier / "absent.jpg");
    EXPECT_EQ(affichages, 0);
    EXPECT_EQ(affichage.FileName(), "");
}

TEST_F(Affichage, AFileThatCannotBeDecodedLeavesTheShownPicture) {
    const std::string bon = dossier / "bon.bmp";
    testing_support::WriteBmp(bon, *testing_support::Pattern(40, 30));
    affichage.ChargeFichier(bon);
    const std::string casse = dossier / "casse.jpg";
    testing_support::WriteFile(casse, std::string("\xFF\xD8\xFF\xE0 pas une image"));
    try {
        affichage.ChargeFichier(casse);
        FAIL() << "a broken file must raise its error";
    } catch (const platform::Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Erreur JPEG #", 0), 0u) << e.what();
    }
    EXPECT_EQ(affichages, 1);
    EXPECT_EQ(affichage.FileName(), bon);
    EXPECT_EQ(affichage.GetPicture().Width(), 40);

    const std::string inconnu = dossier / "image.png";
    testing_support::WriteFile(inconnu, std::string("\x89PNG"));
    try {
        affichage.ChargeFichier(inconnu);
        FAIL();
    } catch (const platform::Error& e) {
        EXPECT_STREQ(e.what(), "Extension de fichier image inconnue (.png)");
    }
    EXPECT_EQ(affichage.FileName(), bon);
}

TEST_F(Affichage, ShowingAPictureInMemoryReadsNoFile) {
    const auto motif = testing_support::Pattern(80, 60);
    platform::Picture source;
    source.Assign(motif.get());
    affichage.AfficheGraphique(&source, "/nulle/part.jpg");
    EXPECT_EQ(affichages, 1);
    EXPECT_EQ(affichage.FileName(), "/nulle/part.jpg");
    affichage.AfficheGraphique(nullptr, "x");
    EXPECT_EQ(affichages, 1);
}

TEST_F(Affichage, ABandDrawnTowardsTheLowerRightIsCopied) {
    // The picture is 400 x 300 shown 633 x 475: the band's screen size is kept
    // by the view copy, and the copy at picture resolution lands in the other.
    const auto motif = testing_support::Pattern(400, 300);
    const std::string nom = dossier / "a.bmp";
    testing_support::WriteBmp(nom, *motif);
    affichage.ChargeFichier(nom);
    platform::ui::Image resultat(nullptr, "resultat");
    platform::ui::Image vue(nullptr, "vue");
    affichage.SetImageResultatSaisiRectangle(&resultat);
    affichage.SetImageVueResultatSaisiRectangle(&vue);

    Bande(QPoint(0, 0), QPoint(317, 238), QPoint(500, 400));
    EXPECT_EQ(relachements, 1);
    EXPECT_EQ(vue.GetPicture().Width(), 317);  // the last move, not the release point
    EXPECT_EQ(vue.GetPicture().Height(), 238);
    ASSERT_EQ(resultat.GetPicture().Width(), 200);
    ASSERT_EQ(resultat.GetPicture().Height(), 150);
    Bitmap copie;
    copie.Assign(*resultat.GetPicture().GetGraphic());
    EXPECT_EQ(PixelAt(copie, 0, 0), PixelAt(*motif, 0, 0));
    EXPECT_EQ(PixelAt(copie, 199, 149), PixelAt(*motif, 199, 149));
}

TEST_F(Affichage, ABandDrawnUpwardsOrAClickCopiesNothing) {
    const std::string nom = dossier / "a.bmp";
    testing_support::WriteBmp(nom, *testing_support::Pattern(400, 300));
    affichage.ChargeFichier(nom);
    platform::ui::Image resultat(nullptr, "resultat");
    affichage.SetImageResultatSaisiRectangle(&resultat);
    Bande(QPoint(300, 300), QPoint(100, 100), QPoint(100, 100));
    Bande(QPoint(50, 50), QPoint(50, 50), QPoint(50, 50));
    EXPECT_EQ(resultat.GetPicture().GetGraphic(), nullptr);
    EXPECT_EQ(relachements, 2);
}

TEST_F(Affichage, ABandReachingOutOfThePictureCopiesBlackThere) {
    const std::string nom = dossier / "blanc.bmp";
    testing_support::WriteBmp(
        nom, *testing_support::MakeBitmap(400, 300, [](int, int) { return platform::kWhite; }));
    affichage.ChargeFichier(nom);
    platform::ui::Image resultat(nullptr, "resultat");
    affichage.SetImageResultatSaisiRectangle(&resultat);
    // From the middle of the picture to 100 screen pixels beyond its corner.
    Bande(QPoint(316, 237), QPoint(733, 575), QPoint(733, 575));
    Bitmap copie;
    copie.Assign(*resultat.GetPicture().GetGraphic());
    EXPECT_EQ(PixelAt(copie, 0, 0), platform::kWhite);
    EXPECT_EQ(PixelAt(copie, copie.Width() - 1, copie.Height() - 1), platform::kBlack);
}

TEST_F(Affichage, AProportionalBandFollowsThePictureShape) {
    const std::string nom = dossier / "a.bmp";
    testing_support::WriteBmp(nom, *testing_support::Pattern(300, 200));
    affichage.ChargeFichier(nom);
    affichage.SetSaisieRectangleProportionelle(true);
    platform::ui::Image vue(nullptr, "vue");
    affichage.SetImageVueResultatSaisiRectangle(&vue);
    Bande(QPoint(10, 10), QPoint(110, 15), QPoint(110, 15));
    EXPECT_EQ(vue.GetPicture().Width(), 100);
    EXPECT_EQ(vue.GetPicture().Height(), 67);
}

TEST_F(Affichage, AJpegIsDecodedOnlyAsFineAsTheLayoutNeeds) {
    const std::string nom = dossier / "grande.jpg";
    testing_support::WriteJpeg(nom, *testing_support::Pattern(4000, 3000));
    affichage.ChargeFichier(nom);
    const uint64_t decodages = platform::JpegImage::DecodeCount();
    affichage.repaint();
    EXPECT_EQ(platform::JpegImage::DecodeCount(), decodages)
        << "the load decoded for the layout already";
}

// A JPEG file's bytes from its first segment that is not metadata (APPn or
// COM): its quantisation tables, frame, scans and end.
std::vector<uint8_t> DonneesImage(const std::vector<uint8_t>& jpeg) {
    size_t p = 2;
    while (p + 4 <= jpeg.size() && jpeg[p] == 0xFF &&
           ((jpeg[p + 1] >= 0xE0 && jpeg[p + 1] <= 0xEF) || jpeg[p + 1] == 0xFE)) {
        p += 2 + (size_t{jpeg[p + 2]} << 8 | jpeg[p + 3]);
    }
    return {jpeg.begin() + static_cast<ptrdiff_t>(std::min(p, jpeg.size())), jpeg.end()};
}

class Enregistrement : public Affichage {
protected:
    void SetUp() override {
        Affichage::SetUp();
        const std::string camera =
            testing_support::TestData("exif-samples/jpg/exif-org/canon-ixus.jpg");
        if (!testing_support::HaveProgram("exiftool") || !std::filesystem::exists(camera))
            GTEST_SKIP();
        std::filesystem::copy_file(camera, source);
    }

    const std::string source = dossier / "source.jpg";
};

TEST_F(Enregistrement, AnUnmodifiedJpegKeepsItsPictureDataAndTakesTheSourcesMetadata) {
    affichage.ChargeFichier(source);
    affichage.SetCompressionQuality(5);
    const std::string cible = dossier / "copie.JPG";
    affichage.EnregistreAvecExif(source, cible);
    EXPECT_EQ(DonneesImage(testing_support::ReadFile(cible)),
              DonneesImage(testing_support::ReadFile(source)));
    for (const char* tag : {"Make", "Model", "DateTimeOriginal", "ExposureTime", "FNumber"}) {
        EXPECT_EQ(testing_support::ExifToolValue(tag, cible),
                  testing_support::ExifToolValue(tag, source))
            << tag;
    }
}

TEST_F(Enregistrement, AnotherPictureIsEncodedWithTheSourcesMetadataAndItsOwnSize) {
    const std::string bmp = dossier / "petite.bmp";
    testing_support::WriteBmp(bmp, *testing_support::Pattern(120, 90));
    affichage.ChargeFichier(bmp);
    const std::string cible = dossier / "nouvelle.jpg";
    affichage.EnregistreAvecExif(source, cible);
    EXPECT_EQ(testing_support::ExifToolValue("Model", cible),
              testing_support::ExifToolValue("Model", source));
    EXPECT_EQ(testing_support::ExifToolValue("ExifImageWidth", cible), "120");
    EXPECT_EQ(testing_support::ExifToolValue("ExifImageHeight", cible), "90");
    platform::JpegImage relue;
    relue.LoadFromFile(cible);
    EXPECT_EQ(relue.Width(), 120);

    const std::string sans = dossier / "sans.jpg";
    affichage.EnregistreAvecExif(dossier / "absente.jpg", sans);
    EXPECT_EQ(testing_support::ExifToolValue("Model", sans), "");
    EXPECT_EQ(testing_support::ExifToolValue("JFIFVersion", sans), "1.02");
}

TEST_F(Enregistrement, NothingIsWrittenForAnUnknownExtensionOrABadQuality) {
    affichage.ChargeFichier(source);
    for (const char* nom : {"photo.jpeg", "photo.png", "photo"}) {
        const std::string cible = dossier / nom;
        const std::string texte =
            testing_support::ErrorText([&] { affichage.EnregistreAvecExif(source, cible); });
        EXPECT_TRUE(texte.starts_with("Extension de fichier image inconnue (.")) << texte;
        EXPECT_FALSE(std::filesystem::exists(cible)) << nom;
    }
    EXPECT_EQ(testing_support::ErrorText(
                  [&] { affichage.EnregistreAvecExif(source, dossier / "x.png"); }),
              "Extension de fichier image inconnue (.png)");
    affichage.SetCompressionQuality(0);
    EXPECT_EQ(testing_support::ErrorText(
                  [&] { affichage.EnregistreAvecExif(source, dossier / "q.jpg"); }),
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
