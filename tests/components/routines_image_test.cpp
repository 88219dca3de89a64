#include "components/routines_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "components/image_brenlow.h"
#include "pictures.h"
#include "platform/core/files.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/jpeg_image.h"
#include "test_support.h"

namespace components {
namespace {

using platform::Bitmap;
using platform::Picture;
using namespace testing_support;

constexpr const char* kErreurEtendue = "Erreur de vérification d'étendue";

class Tient : public Picture {
public:
    explicit Tient(Bitmap bitmap) { SetGraphic(std::make_unique<Bitmap>(std::move(bitmap))); }
};

const Bitmap& BitmapDe(const Picture& picture) {
    return dynamic_cast<const Bitmap&>(*picture.GetGraphic());
}

void ExpectSamePixels(const Bitmap& a, const Bitmap& b) {
    ASSERT_EQ(SizeOf(a), SizeOf(b));
    for (int32_t y = 0; y < a.Height(); ++y)
        ASSERT_TRUE(std::equal(a.ScanLine(y), a.ScanLine(y) + 3 * a.Width(), b.ScanLine(y))) << y;
}

// The shooting data ExifTool reads, in one run.
std::string Prise(const std::string& fichier) {
    return Output("exiftool -s -s -s -Make -Model -DateTimeOriginal -ExposureTime -FNumber " +
                  ShellQuote(fichier));
}

TEST(TypeImage, TheFirstBytesDecideWhateverTheName) {
    const TempDir dossier;
    const std::pair<std::string, TTypeImage> lignes[] = {
        {"\xFF\xD8\xFF", TTypeImage::Jpeg}, {"BM6", TTypeImage::Bmp},   {"GIF89a", TTypeImage::Gif},
        {"\x89PNG", TTypeImage::Png},       {"gif", TTypeImage::Autre}, {"GI", TTypeImage::Autre},
        {"\xFF", TTypeImage::Autre},        {"", TTypeImage::Autre}};
    for (const auto& [octets, type] : lignes) {
        WriteFile(dossier / "image.jpg", octets);
        EXPECT_EQ(TypeImageFichier(dossier / "image.jpg"), type) << octets;
    }
    EXPECT_TRUE(ErrorText([&] {
                    TypeImageFichier(dossier / "absente.bmp");
                }).starts_with("Impossible d'ouvrir le fichier \""));
}

TEST(Rotation, OnlyQuarterTurnsAreTaken) {
    // 3 x 2 turned clockwise: the top-left pixel ends at the top-right.
    const Tient source(std::move(*Pattern(3, 2)));
    const platform::Color coin = PixelAt(BitmapDe(source), 0, 0);
    Picture cible;
    RotationImage(-270, source, cible);
    EXPECT_EQ(SizeOf(cible), "2x3");
    EXPECT_EQ(PixelAt(BitmapDe(cible), 1, 0), coin);
    for (const int32_t angle : {0, 360, -360}) {
        RotationImage(angle, source, cible);
        ExpectSamePixels(BitmapDe(cible), BitmapDe(source));
    }
    const platform::Graphic* avant = cible.GetGraphic();
    EXPECT_EQ(ErrorText([&] { RotationImage(45, source, cible); }), kErreurEtendue);
    EXPECT_EQ(cible.GetGraphic(), avant);

    // The batch tool turns a JPEG picture into itself.
    platform::JpegImage jpeg;
    jpeg.Assign(BitmapDe(source));
    RotationGraphique(-90, jpeg, jpeg);
    EXPECT_EQ(PixelAt(jpeg.GetBitmap(), 0, 2), coin);
}

TEST(Rotation, MatchesImageMagickAndComesBack) {
    REQUIRE_PROGRAM("convert");
    // Large enough to be cut into bands and tiles, with odd edges.
    const TempDir dossier;
    const Tient source(Noise(2001, 1501, 7));
    WriteBmp(dossier / "bruit.bmp", BitmapDe(source));
    for (const int32_t angle : {90, -90, 180}) {
        ASSERT_EQ(testing_support::Run("convert " + dossier / "bruit.bmp" + " -rotate " +
                                       std::to_string(angle) +
                                       " -type TrueColor BMP3:" + dossier / "attendu.bmp"),
                  0);
        Bitmap attendu;
        attendu.LoadFromFile(dossier / "attendu.bmp");
        Picture tournee;
        RotationImage(angle, source, tournee);
        ExpectSamePixels(BitmapDe(tournee), attendu);
        RotationImage(-angle, tournee, tournee);
        ExpectSamePixels(BitmapDe(tournee), BitmapDe(source));
    }
}

TEST(LuminositeContraste, EveryChannelValueFollowsTheFormula) {
    const auto formule = [](int c, int pivot, double luminosite, double contraste) {
        const long double v = std::nearbyintl(c * static_cast<long double>(luminosite));
        return std::clamp<long double>(std::nearbyintl((v - pivot) * contraste + v), 0, 255);
    };
    // Each channel takes every value along the row, and the row is odd.
    const Tient source(std::move(*MakeBitmap(255, 1, [](int32_t x, int32_t) {
        return platform::MakeColor(static_cast<uint8_t>(x), static_cast<uint8_t>(255 - x),
                                   static_cast<uint8_t>(x * 7));
    })));
    const struct {
        int pivot;
        double luminosite, contraste;
    } reglages[] = {{128, 1.0, 0.0},   {0, 2.0, 0.0},    {128, 1.0, 1.0}, {127, 0.5, 0.0},
                    {127, 1.5, -0.37}, {200, 0.8, 0.75}, {64, 1.27, 1.0}, {0, 0.0, -1.0}};
    Picture cible;
    for (const auto& r : reglages) {
        LuminositeContraste(r.pivot, source, cible, r.luminosite, r.contraste);
        const uint8_t* entree = BitmapDe(source).ScanLine(0);
        const uint8_t* sortie = BitmapDe(cible).ScanLine(0);
        for (int i = 0; i < 3 * 255; ++i) {
            ASSERT_EQ(sortie[i], formule(entree[i], r.pivot, r.luminosite, r.contraste))
                << "value " << int{entree[i]} << ", pivot " << r.pivot;
        }
    }
    // Pixel x holds x in its red channel.
    LuminositeContraste(0, source, cible, 2.0, 0.0);
    EXPECT_EQ(BitmapDe(cible).ScanLine(0)[3 * 200 + 2], 255);
    LuminositeContraste(128, source, cible, 1.0, 1.0);
    EXPECT_EQ(BitmapDe(cible).ScanLine(0)[3 * 100 + 2], 72);

    const platform::Graphic* avant = cible.GetGraphic();
    EXPECT_EQ(ErrorText([&] { LuminositeContraste(128, source, cible, 1e30, 0.0); }),
              kErreurEtendue);
    EXPECT_EQ(cible.GetGraphic(), avant);
}

TEST(Couleurs, TheMeanRoundsHalvesToEvenAndNeedsAPixelAndHtmlIsRedGreenBlue) {
    EXPECT_EQ(CouleurMoyenne(Tient(std::move(*MakeBitmap(
                  2, 1, [](int32_t x, int32_t) { return x == 0 ? 0u : platform::kWhite; })))),
              (CouleurBgr{128, 128, 128}));
    EXPECT_EQ(CouleurMoyenne(Tient(std::move(*MakeBitmap(
                  1, 1, [](int32_t, int32_t) { return platform::MakeColor(1, 2, 3); })))),
              (CouleurBgr{3, 2, 1}));
    EXPECT_EQ(CouleurMoyenne(Picture()), std::nullopt);
    EXPECT_EQ(CouleurHtml(platform::MakeColor(255, 0, 0)), "#FF0000");
    EXPECT_EQ(CouleurHtml(0x00ABCDEF), "#EFCDAB");
    // A system colour by its value at the time.
    platform::SetSystemColorResolver([](platform::SystemColor role) {
        return role == platform::SystemColor::Window ? platform::MakeColor(0x12, 0x34, 0x56)
                                                     : platform::kBlack;
    });
    EXPECT_EQ(CouleurHtml(platform::kWindowColor), "#123456");
    platform::SetSystemColorResolver(nullptr);
    EXPECT_EQ(CouleurHtml(platform::kWindowColor), "#FFFFFF");
}

// Files checked by ImageMagick and ExifTool; a camera photograph dated in the past.
class Fichiers : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string camera = TestData("exif-samples/jpg/exif-org/canon-ixus.jpg");
        REQUIRE_PROGRAM("identify");
        REQUIRE_PROGRAM("exiftool");
        std::filesystem::copy_file(camera, photo);
        platform::SetModificationTime(photo, date);
        ASSERT_TRUE(Prise(photo).starts_with("Canon\n"));
    }

    TempDir dossier;
    const std::string photo = dossier / "photo.jpg";
    const platform::FileTime date{1000000000, 250};
};

TEST_F(Fichiers, CopiesWithALongestSideAreProgressiveAndNeverEnlarged) {
    const std::pair<TailleImage, TailleImage> lignes[] = {
        {{300, 200}, {60, 40}}, {{200, 300}, {40, 60}}, {{50, 30}, {50, 30}},
        {{200, 200}, {60, 60}}, {{200, 125}, {60, 38}}, {{120, 73}, {60, 36}}};
    const std::string source = dossier / "source.jpg";
    const std::string cible = dossier / "a/b/petite.jpg";
    for (const auto& [taille, attendue] : lignes) {
        WriteJpeg(source, *Pattern(taille.largeur, taille.hauteur));
        EXPECT_TRUE(RedimensionneJpegCoteMax(source, cible, 60, 80));
        EXPECT_EQ(
            Identify("%w %h %[interlace] %Q", cible),
            std::to_string(attendue.largeur) + " " + std::to_string(attendue.hauteur) + " JPEG 80");
        EXPECT_EQ(TailleJpeg(cible), attendue);
    }
    EXPECT_EQ(TailleJpeg(dossier / "absente.jpg"), TailleImage{});
    // Sampled as the photo.
    EXPECT_TRUE(RedimensionneJpegCoteMax(photo, cible, 100, 80));
    EXPECT_EQ(Identify("%[jpeg:sampling-factor]", cible), "2x1,1x1,1x1");

    // A read-only target is made writable and replaced.
    std::filesystem::permissions(cible, std::filesystem::perms::owner_read);
    EXPECT_TRUE(RedimensionneJpegCoteMax(photo, cible, 100, 80));
    EXPECT_NE(std::filesystem::status(cible).permissions() & std::filesystem::perms::owner_write,
              std::filesystem::perms::none);

    for (const std::pair<int32_t, int32_t>& refus : {std::pair{0, 80}, {60, 0}, {60, 101}}) {
        EXPECT_EQ(ErrorText([&] {
                      RedimensionneJpegCoteMax(source, dossier / "c/x.jpg", refus.first,
                                               refus.second);
                  }),
                  kErreurEtendue);
    }
    EXPECT_FALSE(std::filesystem::exists(dossier / "c"));
}

TEST_F(Fichiers, AResizedJpegKeepsTheMetadataAndTheDate) {
    RedimensionneJpeg(photo, photo, 160, 120, 75);
    EXPECT_EQ(Identify("%w %h %Q %[jpeg:sampling-factor]", photo), "160 120 75 2x1,1x1,1x1");
    EXPECT_EQ(ExifToolValue("ExifImageWidth", photo), "160");
    EXPECT_EQ(Prise(photo), Prise(TestData("exif-samples/jpg/exif-org/canon-ixus.jpg")));
    EXPECT_EQ(platform::ModificationTime(photo), date);

    EXPECT_EQ(ErrorText([&] { RedimensionneJpeg(photo, dossier / "q.jpg", 80, 60, 0); }),
              kErreurEtendue);
    RedimensionneJpeg(photo, dossier / "q.jpg", 0, 60, 75);
    EXPECT_FALSE(std::filesystem::exists(dossier / "q.jpg"));
}

TEST_F(Fichiers, AResizedBmpKeepsTheDate) {
    const std::string bmp = dossier / "motif.bmp";
    WriteBmp(bmp, *Pattern(40, 30));
    platform::SetModificationTime(bmp, date);
    RedimensionneBmp(bmp, dossier / "petite.bmp", 20, 10);
    EXPECT_EQ(Identify("%w %h %m", dossier / "petite.bmp"), "20 10 BMP3");
    EXPECT_EQ(platform::ModificationTime(dossier / "petite.bmp"), date);
    RedimensionneBmp(photo, dossier / "rien.bmp", 20, 10);
    RedimensionneBmp(bmp, dossier / "rien.bmp", 20, 0);
    EXPECT_FALSE(std::filesystem::exists(dossier / "rien.bmp"));
}

// The display's rotation, saving and resizing of files.
class Affichage : public Fichiers {
protected:
    void SetUp() override {
        Fichiers::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        affichage.SetStretch(true);
        affichage.SetGardeProportion(true);
        affichage.SetMargeConstante(10);
        affichage.resize(1052, 495);
        affichage.Loaded();
        WriteBmp(bmp, *motif);
        affichage.ChargeFichier(bmp);
    }

    TImageBrenlow affichage{nullptr, "Korvel1"};
    const std::unique_ptr<Bitmap> motif = Pattern(400, 300);
    const std::string bmp = dossier / "motif.bmp";
};

TEST_F(Affichage, RotationTurnsTheShownPictureAndLaysItOutAgain) {
    affichage.Rotation(90);
    const platform::Graphic* tournee = affichage.GetPicture().GetGraphic();
    EXPECT_EQ(PixelAt(BitmapDe(affichage.GetPicture()), 299, 0), PixelAt(*motif, 0, 0));
    // 300 x 400 in the 1032 x 475 box: Round(356.25) wide, centred.
    EXPECT_EQ(affichage.ImageInterne().geometry(), QRect(348, 10, 356, 475));
    EXPECT_EQ(ErrorText([&] { affichage.Rotation(45); }), kErreurEtendue);
    EXPECT_EQ(affichage.GetPicture().GetGraphic(), tournee);
}

TEST_F(Affichage, SavingWritesByTheExtensionOrNothing) {
    affichage.SetCompressionQuality(40);
    affichage.EnregistreSous(dossier / "copie.JPG");
    EXPECT_EQ(Identify("%w %h %Q", dossier / "copie.JPG"), "400 300 40");
    affichage.EnregistreSous(dossier / "copie.bmp");
    EXPECT_EQ(ReadFile(dossier / "copie.bmp"), ReadFile(bmp));
    // A bitmap becomes a GIF picture of its size.
    affichage.EnregistreSous(dossier / "a.GIF");
    EXPECT_EQ(Identify("%m %w %h", dossier / "a.GIF"), "GIF 400 300");
    EXPECT_EQ(ErrorText([&] { affichage.EnregistreSous(dossier / "a.png"); }),
              "Extension de fichier image inconnue (.png)");
    EXPECT_FALSE(std::filesystem::exists(dossier / "a.png"));
    affichage.SetCompressionQuality(0);
    EXPECT_EQ(ErrorText([&] { affichage.EnregistreSous(dossier / "copie.JPG"); }), kErreurEtendue);
    EXPECT_EQ(Identify("%Q", dossier / "copie.JPG"), "40");

    // A JPEG as it was read is written unchanged.
    affichage.SetCompressionQuality(40);
    affichage.ChargeFichier(photo);
    affichage.EnregistreSous(dossier / "pareille.jpg");
    EXPECT_EQ(ReadFile(dossier / "pareille.jpg"), ReadFile(photo));
}

TEST_F(Affichage, ResizingAFileKeepsItsMetadataAndLeavesTheDisplay) {
    const platform::Graphic* montree = affichage.GetPicture().GetGraphic();
    affichage.RedimensionneFichier(photo, dossier / "petite.jpg", 160, 100, 60);
    EXPECT_EQ(Identify("%w %h %Q", dossier / "petite.jpg"), "160 100 60");
    EXPECT_EQ(Prise(dossier / "petite.jpg"), Prise(photo));
    affichage.RedimensionneFichier(photo, dossier / "petite.bmp", 40, 30, 0);
    EXPECT_EQ(Identify("%w %h %m", dossier / "petite.bmp"), "40 30 BMP3");
    EXPECT_EQ(affichage.GetPicture().GetGraphic(), montree);

    EXPECT_EQ(
        ErrorText([&] { affichage.RedimensionneFichier(photo, dossier / "q.jpg", 16, 10, 0); }),
        kErreurEtendue);
    EXPECT_FALSE(std::filesystem::exists(dossier / "q.jpg"));
}

}  // namespace
}  // namespace components
