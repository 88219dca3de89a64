#include "components/planche_contact.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

#include "components/jpeg_diaporama.h"
#include "gif/gif_image.h"
#include "pictures.h"
#include "platform/graphics/budget.h"
#include "platform/graphics/graphic.h"
#include "test_support.h"

namespace components {
namespace {

using platform::JpegScale;
using platform::Point;
using namespace testing_support;

TEST(GrillePlanche, CellsLeftToRightThenDown) {
    // Cells of 100 with gaps of 5 on a panel 315 wide: three columns.
    const GrillePlanche grille = CalculeGrille(315, 7, 100, 100, 5, 5);
    EXPECT_EQ(grille.pas_x, 105);
    EXPECT_EQ(grille.pas_y, 105);
    EXPECT_EQ(grille.colonnes, 3);
    EXPECT_EQ(grille.rangees, 3);
    EXPECT_EQ(grille.hauteur, 315);
    EXPECT_EQ(grille.Position(0), (Point{0, 0}));
    EXPECT_EQ(grille.Position(2), (Point{210, 0}));
    EXPECT_EQ(grille.Position(3), (Point{0, 105}));
    EXPECT_EQ(grille.Position(6), (Point{0, 210}));

    // Six fill two whole rows; one more starts a third.
    EXPECT_EQ(CalculeGrille(315, 6, 100, 100, 5, 5).rangees, 2);
    EXPECT_EQ(CalculeGrille(315, 0, 100, 100, 5, 5).hauteur, 0);
    // The gaps differ across and down.
    EXPECT_EQ(CalculeGrille(400, 6, 80, 60, 10, 2).Position(5), (Point{90, 62}));

    // A panel narrower than one step still has one column.
    const GrillePlanche etroite = CalculeGrille(50, 3, 100, 100, 5, 5);
    EXPECT_EQ(etroite.colonnes, 1);
    EXPECT_EQ(etroite.rangees, 3);
    EXPECT_EQ(etroite.Position(2), (Point{0, 210}));
    EXPECT_EQ(CalculeGrille(0, 2, 100, 100, 5, 5).colonnes, 1);
}

TEST(GrillePlanche, OverflowIsTheRuntimesError) {
    EXPECT_EQ(ErrorText([] { CalculeGrille(315, 2, INT32_MAX, 100, 5, 5); }),
              "Débordement d'entier");
    // A sheet taller than 32 bits can count.
    EXPECT_EQ(ErrorText([] { CalculeGrille(100, 100000, 100, 100000, 5, 5); }),
              "Débordement d'entier");
}

TEST(EchelleDecodage, FromTheRatioOfPictureToCell) {
    struct Cas {
        int32_t largeur, hauteur, cellule_l, cellule_h;
        JpegScale attendue;
    };
    const Cas cas[] = {
        {3000, 2000, 100, 100, JpegScale::Eighth},  // r = min(30, 20)
        {300, 200, 100, 100, JpegScale::Half},      // r = min(3, 2)
        {150, 150, 100, 100, JpegScale::FullSize},  // r = 1
        {50, 50, 100, 100, JpegScale::FullSize},    // r = 0
        {399, 399, 100, 100, JpegScale::Quarter},   // (399 + 1) / 100 = 4
        {398, 5000, 100, 100, JpegScale::Half},     // 3 across decides
        {799, 799, 100, 100, JpegScale::Eighth},    // 800 / 100 = 8
        {798, 798, 100, 100, JpegScale::Quarter},   // 7
        {6000, 4000, 5, 5, JpegScale::Eighth},      // the 5-pixel cell of a size of 0
        {6000, 4000, 0, 100, JpegScale::FullSize},  // no cell: nothing to reduce for
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(EchelleDecodage(c.largeur, c.hauteur, c.cellule_l, c.cellule_h), c.attendue)
            << c.largeur << "x" << c.hauteur << " in " << c.cellule_l << "x" << c.cellule_h;
    }
}

TEST(TailleDansCellule, ProportionsKeptNeverEnlarged) {
    EXPECT_EQ(TailleDansCellule(3000, 2000, 100, 100), (Point{100, 67}));
    EXPECT_EQ(TailleDansCellule(2000, 3000, 100, 100), (Point{67, 100}));
    EXPECT_EQ(TailleDansCellule(6000, 10, 100, 100), (Point{100, 1}));
    EXPECT_EQ(TailleDansCellule(160, 120, 80, 60), (Point{80, 60}));
    EXPECT_EQ(TailleDansCellule(50, 20, 100, 100), (Point{50, 20}));
    EXPECT_EQ(TailleDansCellule(0, 20, 100, 100), (Point{0, 0}));
}

class Vignettes : public ::testing::Test {
protected:
    void SetUp() override {
        platform::RegisterStandardFormats();
        gif::RegisterGIFImage();
    }
    TempDir dossier;
};

TEST_F(Vignettes, AJpegComesBackCellSizedWithItsOwnSizeFirst) {
    REQUIRE_PROGRAM("convert");
    // Red on the left, blue on the right, made by an independent encoder.
    const std::string photo = dossier / "photo.jpg";
    ASSERT_EQ(testing_support::Run("convert -size 2000x2000 xc:red -size 1000x2000 xc:blue "
                                   "+append -quality 95 " +
                                   ShellQuote(photo)),
              0);
    std::vector<Point> tailles;
    const uint64_t decodages = platform::JpegImage::DecodeCount();
    const Vignette vignette =
        FabriqueVignette(photo, 100, 100, platform::kWhite, [&](int32_t l, int32_t h) {
            tailles.push_back({l, h});
            // The size is told before any decoding.
            EXPECT_EQ(platform::JpegImage::DecodeCount(), decodages);
        });
    ASSERT_EQ(tailles.size(), 1U);
    EXPECT_EQ(tailles[0], (Point{3000, 2000}));
    EXPECT_EQ(vignette.largeur, 3000);
    EXPECT_EQ(vignette.hauteur, 2000);
    ASSERT_NE(vignette.pixels, nullptr);
    EXPECT_EQ(SizeOf(*vignette.pixels), "100x67");
    EXPECT_EQ(platform::JpegImage::DecodeCount(), decodages + 1);
    const auto proche = [](platform::Color a, platform::Color b) {
        return std::abs(platform::RedOf(a) - platform::RedOf(b)) < 24 &&
               std::abs(platform::GreenOf(a) - platform::GreenOf(b)) < 24 &&
               std::abs(platform::BlueOf(a) - platform::BlueOf(b)) < 24;
    };
    // Two thirds red, then blue.
    EXPECT_TRUE(proche(PixelAt(*vignette.pixels, 10, 30), platform::MakeColor(255, 0, 0)));
    EXPECT_TRUE(proche(PixelAt(*vignette.pixels, 60, 30), platform::MakeColor(255, 0, 0)));
    EXPECT_TRUE(proche(PixelAt(*vignette.pixels, 72, 30), platform::MakeColor(0, 0, 255)));
    EXPECT_TRUE(proche(PixelAt(*vignette.pixels, 99, 66), platform::MakeColor(0, 0, 255)));
}

TEST_F(Vignettes, SmallPicturesKeepTheirSize) {
    const std::string petite = dossier / "petite.jpg";
    WriteJpeg(petite, *Pattern(40, 30));
    const Vignette vignette = FabriqueVignette(petite, 100, 100, platform::kWhite);
    EXPECT_EQ(SizeOf(*vignette.pixels), "40x30");
    EXPECT_EQ(vignette.largeur, 40);
}

TEST_F(Vignettes, BmpAndGifGoThroughTheRegistry) {
    REQUIRE_PROGRAM("convert");
    const std::string bmp = dossier / "image.bmp";
    WriteBmp(bmp, *Pattern(400, 100));
    const Vignette de_bmp = FabriqueVignette(bmp, 80, 60, platform::kWhite);
    EXPECT_EQ(de_bmp.largeur, 400);
    EXPECT_EQ(de_bmp.hauteur, 100);
    EXPECT_EQ(SizeOf(*de_bmp.pixels), "80x20");

    // A transparent GIF lies on the background asked for.
    const std::string gif = dossier / "image.gif";
    ASSERT_EQ(testing_support::Run(
                  "convert -size 90x120 xc:none -fill lime -draw 'rectangle 0,0 44,119' " +
                  ShellQuote(gif)),
              0);
    const platform::Color fond = platform::MakeColor(10, 20, 30);
    const Vignette de_gif = FabriqueVignette(gif, 30, 30, fond);
    EXPECT_EQ(de_gif.largeur, 90);
    EXPECT_EQ(SizeOf(*de_gif.pixels), "23x30");
    EXPECT_EQ(PixelAt(*de_gif.pixels, 2, 15), platform::MakeColor(0, 255, 0));
    EXPECT_EQ(PixelAt(*de_gif.pixels, 21, 15), fond);
}

TEST_F(Vignettes, FilesThatCannotBeReadRaise) {
    const std::string abime = dossier / "abime.jpg";
    WriteFile(abime, std::string("ceci n'est pas une image"));
    EXPECT_EQ(ErrorText([&] {
                  FabriqueVignette(abime, 100, 100, platform::kWhite);
              }).rfind("Erreur JPEG #", 0),
              0U);
    const std::string png = dossier / "image.png";
    WriteFile(png, std::string("\x89PNG"));
    EXPECT_EQ(ErrorText([&] { FabriqueVignette(png, 100, 100, platform::kWhite); }),
              "Extension de fichier image inconnue (.png)");
    EXPECT_NE(ErrorText([&] { FabriqueVignette(dossier / "absente.jpg", 100, 100, 0); }),
              "(no error)");
}

// A file that declares a huge picture in a few bytes: a GIF of 4096 x 16383
// pixels of which one is given, or a small JPEG whose header was made to say
// `cote` x `cote`, its data ending long before.
std::string GrandeDeclaration(const std::string& chemin, int32_t cote) {
    if (chemin.ends_with(".gif")) {
        // Screen and frame of 4096 x 16383, black and white, one pixel.
        WriteFile(chemin, std::vector<uint8_t>{'G',  'I',  'F', '8', '9',  'a',  0x00, 0x10, 0xFF,
                                               0x3F, 0x80, 0,   0,   0,    0,    0,    0xFF, 0xFF,
                                               0xFF, 0x2C, 0,   0,   0,    0,    0x00, 0x10, 0xFF,
                                               0x3F, 0,    2,   2,   0x4C, 0x01, 0,    0x3B});
        return chemin;
    }
    WriteJpeg(chemin, *Pattern(16, 16));
    std::vector<uint8_t> octets = ReadFile(chemin);
    for (size_t i = 0; i + 8 < octets.size(); ++i) {
        if (octets[i] == 0xFF && octets[i + 1] == 0xC0) {
            for (const size_t at : {i + 5, i + 7}) {
                octets[at] = static_cast<uint8_t>(cote >> 8);
                octets[at + 1] = static_cast<uint8_t>(cote);
            }
            break;
        }
    }
    WriteFile(chemin, octets);
    return chemin;
}

// A memory figure of the process's status, in bytes: VmRSS the resident
// memory now, VmHWM the most it held since the last ResetPeak.
int64_t StatusValue(const std::string& champ) {
    std::istringstream lignes(ReadText("/proc/self/status"));
    for (std::string ligne; std::getline(lignes, ligne);) {
        if (ligne.starts_with(champ + ":"))
            return std::stoll(ligne.substr(champ.size() + 1)) * 1024;
    }
    return -1;
}

void ResetPeak() {
    WriteFile("/proc/self/clear_refs", std::string("5"));
}

TEST_F(Vignettes, HugeClaimsMadeAtOnceTakeMemoryForTheirCellsOnly) {
    std::vector<std::string> fichiers;
    for (int i = 0; i < 8; ++i) {
        fichiers.push_back(GrandeDeclaration(dossier / ("g" + std::to_string(i) + ".gif"), 0));
        fichiers.push_back(GrandeDeclaration(dossier / ("j" + std::to_string(i) + ".jpg"), 16000));
    }
    platform::SharedBudget budget;
    std::vector<Vignette> vignettes(fichiers.size());
    std::atomic<size_t> suivant{0};
    const int64_t avant = StatusValue("VmRSS");
    ResetPeak();
    std::vector<std::thread> ouvriers;
    for (int t = 0; t < 8; ++t) {
        ouvriers.emplace_back([&] {
            for (size_t i; (i = suivant++) < fichiers.size();) {
                vignettes[i] = platform::WithinBudget(budget, [&] {
                    return FabriqueVignette(fichiers[i], 100, 100, platform::kWhite);
                });
            }
        });
    }
    for (std::thread& ouvrier : ouvriers) ouvrier.join();
    const int64_t pic = StatusValue("VmHWM") - avant;
    // Held whole, eight GIF pictures drawn at once took 75 MB each, and the
    // JPEG pictures decoded at an eighth of their size 12 MB each.
    EXPECT_LT(pic, int64_t{250} << 20);
    EXPECT_LT(budget.Peak(), int64_t{40} << 20);
    for (size_t i = 0; i < fichiers.size(); ++i) {
        ASSERT_NE(vignettes[i].pixels, nullptr) << fichiers[i];
        const bool gif = fichiers[i].ends_with(".gif");
        EXPECT_EQ(SizeOf(*vignettes[i].pixels), gif ? "25x100" : "100x100") << fichiers[i];
        EXPECT_EQ(vignettes[i].largeur, gif ? 4096 : 16000);
    }
}

TEST_F(Vignettes, FolderListingTakesFourCharacterExtensions) {
    REQUIRE_PROGRAM("find");
    for (const char* nom :
         {"a.jpg", ".cachee.jpg", "B.JPG", "c.jpeg", "d.gif", "ejpg", "f.jpg.bak"})
        WriteFile(dossier / nom, std::string("x"));
    MakeDirs(dossier / "sous.jpg");
    // Reading a pipe would wait for good; a link to a file is a file.
    ASSERT_EQ(::mkfifo((dossier / "tube.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::symlink((dossier / "a.jpg").c_str(), (dossier / "lien.jpg").c_str()), 0);
    platform::StringList liste;
    ListeFichiersDossier(dossier.Path() + "/", "*.jpg", liste);
    const std::set<std::string> trouves(liste.Items().begin(), liste.Items().end());
    EXPECT_EQ(trouves.size(), static_cast<size_t>(liste.Count()));
    // find's own view: files whose name ends in .jpg, whatever the case.
    std::set<std::string> attendus;
    for (const std::string& ligne : Split(Output("find -L " + ShellQuote(dossier.Path()) +
                                                 " -maxdepth 1 -type f -iname '*.jpg'")))
        attendus.insert(ligne);
    EXPECT_EQ(trouves, attendus);
    EXPECT_EQ(trouves.size(), 4U);
}

}  // namespace
}  // namespace components
