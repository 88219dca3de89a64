// The work of the three folder tools (automatic rotation, renaming, folder
// resize) on real files, with ExifTool and ImageMagick as oracles.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/ajout_prefixe.h"
#include "app/chaine_traitement.h"
#include "app/chemins.h"
#include "app/modif_taille_dossier.h"
#include "app/rotation_automatique.h"
#include "components/scrute_dossier.h"
#include "pictures.h"
#include "platform/core/error.h"
#include "platform/core/files.h"
#include "test_support.h"

namespace app {
namespace {

using namespace testing_support;

// An old date, to tell a kept date from the one a rewrite gives.
constexpr platform::FileTime kDateAncienne{1'000'000'000, 123'456'789};

void Vieillit(const std::string& fichier) {
    platform::SetModificationTime(fichier, kDateAncienne);
}

bool DateAncienne(const std::string& fichier) {
    return platform::ModificationTime(fichier) == kDateAncienne;
}

// ImageMagick's peak signal-to-noise ratio of two pictures in dB ("inf" for
// equal pixels, which counts as very high).
double Psnr(const std::string& a, const std::string& b) {
    std::string sortie;
    Run("compare -metric PSNR " + ShellQuote(a) + " " + ShellQuote(b) + " null: 2>&1", &sortie);
    if (sortie.starts_with("inf")) return 1000;
    return std::atof(sortie.c_str());
}

// The names of a folder's entries, sorted, as find lists them.
std::vector<std::string> Entrees(const std::string& dossier) {
    std::vector<std::string> noms =
        Split(Output("cd " + ShellQuote(dossier) + " && find . -mindepth 1 -printf '%P\\n'"));
    std::sort(noms.begin(), noms.end());
    return noms;
}

// ---------------------------------------------------------------- rotation

bool Tourne(const RotationAutomatique& rotation, const std::string& photo) {
    return rotation.RotationPhotoVerticale(photo).etat == IssueRotation::Etat::Tournee;
}

TEST(QualiteAutomatique, EachRowStartsJustAboveItsRatio) {
    struct Ligne {
        int64_t pixels;
        int32_t qualite;
    };
    // Per million bytes; the factor 1.00001 puts 6 500 000 pixels above 6.5.
    const Ligne lignes[] = {{6'500'000, 80}, {6'499'000, 83}, {6'000'000, 83}, {5'999'000, 85},
                            {5'100'000, 85}, {5'099'000, 90}, {4'500'000, 90}, {4'499'000, 93},
                            {3'700'000, 93}, {3'699'000, 96}, {3'000'000, 96}, {2'999'000, 98},
                            {1'800'000, 98}, {1'799'000, 99}, {1, 99},         {90'000'000, 80}};
    for (const Ligne& l : lignes)
        EXPECT_EQ(QualiteAutomatique(l.pixels, 1'000'000), l.qualite) << l.pixels;
}

TEST(AngleRotation, OnlyCodesSixAndEightOfTheRightShapeTurn) {
    for (int32_t code = 0; code <= 9; ++code) {
        const int32_t tourne = AngleRotation(ModeRotation::Tourne, code, 600, 450);
        const int32_t revient = AngleRotation(ModeRotation::Revient, code, 450, 600);
        EXPECT_EQ(tourne, code == 6 ? 90 : code == 8 ? -90 : 0) << code;
        EXPECT_EQ(revient, code == 6 ? -90 : code == 8 ? 90 : 0) << code;
        // The wrong shape for the mode is never turned; a square lies down.
        EXPECT_EQ(AngleRotation(ModeRotation::Tourne, code, 450, 600), 0);
        EXPECT_EQ(AngleRotation(ModeRotation::Revient, code, 600, 450), 0);
        EXPECT_EQ(AngleRotation(ModeRotation::Revient, code, 500, 500), 0);
    }
    EXPECT_EQ(AngleRotation(ModeRotation::Tourne, 6, 500, 500), 90);
}

class Rotation : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PROGRAM("exiftool");
        REQUIRE_PROGRAM("convert");
    }

    // The orientation test pictures, copied and given an old date.
    std::vector<std::string> CopieEchantillons() {
        std::vector<std::string> noms;
        for (const auto& entree :
             std::filesystem::directory_iterator(TestData("exif-samples/jpg/orientation"))) {
            if (entree.path().extension() != ".jpg") continue;
            const std::string cible = dossier / entree.path().filename().string();
            std::filesystem::copy_file(entree.path(), cible);
            Vieillit(cible);
            noms.push_back(cible);
        }
        std::sort(noms.begin(), noms.end());
        return noms;
    }

    TempDir dossier;
};

TEST_F(Rotation, OnlyLyingPhotosMarkedSixOrEightAreTurnedAsAutoOrientDoes) {
    const std::vector<std::string> noms = CopieEchantillons();
    ASSERT_EQ(noms.size(), 16u);
    std::vector<std::vector<uint8_t>> avant;
    for (const std::string& n : noms) avant.push_back(ReadFile(n));

    const RotationAutomatique rotation;
    std::vector<std::string> tournes;
    for (const std::string& n : noms) {
        if (EstPhotoATourner(n) && Tourne(rotation, n))
            tournes.push_back(std::filesystem::path(n).filename().string());
    }
    EXPECT_EQ(tournes, (std::vector<std::string>{"portrait_6.jpg", "portrait_8.jpg"}));

    for (size_t i = 0; i < noms.size(); ++i) {
        const std::string nom = std::filesystem::path(noms[i]).filename().string();
        const std::string original = TestData("exif-samples/jpg/orientation/" + nom);
        EXPECT_TRUE(DateAncienne(noms[i])) << nom;
        if (std::find(tournes.begin(), tournes.end(), nom) == tournes.end()) {
            EXPECT_EQ(ReadFile(noms[i]), avant[i]) << nom;
            continue;
        }
        const std::string attendu = dossier / ("attendu-" + nom);
        Output("convert " + ShellQuote(original) + " -auto-orient " + ShellQuote(attendu));
        EXPECT_EQ(Identify("%w %h", noms[i]), "450 600") << nom;
        EXPECT_GT(Psnr(noms[i], attendu), 30.0) << nom;
        // The metadata stay, the Orientation too, and the sizes follow the picture.
        EXPECT_EQ(ExifToolValue("Orientation", noms[i], true), nom == "portrait_6.jpg" ? "6" : "8");
        EXPECT_EQ(ExifToolValue("ExifImageWidth", noms[i]),
                  ExifToolValue("ExifImageHeight", original));
        EXPECT_EQ(ExifToolValue("Make", noms[i]), ExifToolValue("Make", original));
    }
}

// A photo turned is sampled as its source turned, and a 4:4:4 one stays close
// to the lossless turn.
TEST_F(Rotation, TheTurnedPhotoIsSampledAsItsSourceTurned) {
    const std::string photo = dossier / "photo.jpg";
    const std::string attendu = dossier / "attendu.png";
    for (const auto& [source, tournee] :
         {std::pair{"1x1", "1x1"}, {"2x1", "1x2"}, {"2x2", "2x2"}}) {
        SCOPED_TRACE(source);
        Output("convert -seed 4 -size 320x240 plasma:fractal -quality 92 -sampling-factor " +
               std::string(source) + " " + ShellQuote(photo));
        ExifToolWrite("-Orientation#=6", photo);
        Output("convert " + ShellQuote(photo) + " -rotate 90 " + ShellQuote(attendu));
        ASSERT_TRUE(Tourne(RotationAutomatique(), photo));
        EXPECT_EQ(Identify("%[jpeg:sampling-factor]", photo), std::string(tournee) + ",1x1,1x1");
        if (std::string_view(source) == "1x1") {
            EXPECT_GT(Psnr(photo, attendu), 40.0);
        }
    }
}

TEST_F(Rotation, RevertTurnsBackUprightPhotosMarkedSixOrEight) {
    CopieEchantillons();
    RotationAutomatique rotation;
    const std::string photo = dossier / "portrait_6.jpg";
    ASSERT_TRUE(Tourne(rotation, photo));
    EXPECT_FALSE(Tourne(rotation, photo)) << "a second run finds it upright";

    rotation.mode = ModeRotation::Revient;
    rotation.qualite = 100;
    ASSERT_TRUE(Tourne(rotation, photo));
    EXPECT_EQ(Identify("%w %h %Q", photo), "600 450 100");
    EXPECT_GT(Psnr(photo, TestData("exif-samples/jpg/orientation/portrait_6.jpg")), 30.0);
    // Stored upright and marked as taken upright: the revert mode turns it too.
    EXPECT_TRUE(Tourne(rotation, dossier / "landscape_8.jpg"));
    EXPECT_EQ(Identify("%w %h", dossier / "landscape_8.jpg"), "600 450");
    EXPECT_FALSE(Tourne(rotation, dossier / "landscape_3.jpg"));
}

TEST_F(Rotation, NormalOrientationOnRequestAndThenNeitherModeActs) {
    CopieEchantillons();
    RotationAutomatique rotation;
    rotation.orientation_normale = true;
    rotation.conserver_date = false;
    const std::string photo = dossier / "portrait_8.jpg";
    ASSERT_TRUE(Tourne(rotation, photo));
    EXPECT_EQ(ExifToolValue("Orientation", photo), "Horizontal (normal)");
    EXPECT_FALSE(DateAncienne(photo));
    rotation.mode = ModeRotation::Revient;
    const std::vector<uint8_t> octets = ReadFile(photo);
    EXPECT_FALSE(Tourne(rotation, photo));
    EXPECT_EQ(ReadFile(photo), octets);
}

TEST_F(Rotation, EveryOrientationCodeThatExifToolWrites) {
    const std::string modele = dossier / "modele.jpg";
    Output("convert -size 64x48 gradient:red-blue -quality 90 " + ShellQuote(modele));
    ASSERT_EQ(ExifToolWrite("-Make=Essai -DateTimeOriginal='2020:01:02 03:04:05'", modele), 0);
    const RotationAutomatique rotation;
    for (int code = 1; code <= 8; ++code) {
        const std::string photo = dossier / ("code" + std::to_string(code) + ".jpg");
        std::filesystem::copy_file(modele, photo);
        ASSERT_EQ(ExifToolWrite("-Orientation#=" + std::to_string(code), photo), 0);
        const std::vector<uint8_t> avant = ReadFile(photo);
        const bool tourne = Tourne(rotation, photo);
        EXPECT_EQ(tourne, code == 6 || code == 8) << code;
        if (!tourne) {
            EXPECT_EQ(ReadFile(photo), avant) << code;
            continue;
        }
        const std::string attendu = dossier / ("attendu" + std::to_string(code) + ".png");
        Output("convert " + ShellQuote(modele) + " -orient " +
               (code == 6 ? "RightTop" : "LeftBottom") + " -auto-orient " + ShellQuote(attendu));
        EXPECT_EQ(Identify("%w %h", photo), "48 64");
        EXPECT_GT(Psnr(photo, attendu), 30.0) << code;
        EXPECT_EQ(ExifToolValue("DateTimeOriginal", photo), "2020:01:02 03:04:05");
    }
    // No Orientation tag, then no EXIF at all: left alone.
    const std::string sans_tag = dossier / "sans-tag.jpg";
    std::filesystem::copy_file(modele, sans_tag);
    ASSERT_EQ(ExifToolWrite("-Orientation=", sans_tag), 0);
    ASSERT_EQ(ExifToolValue("Orientation", sans_tag), "");
    EXPECT_FALSE(Tourne(rotation, sans_tag));
    const std::string sans_exif = dossier / "sans-exif.jpg";
    std::filesystem::copy_file(modele, sans_exif);
    ASSERT_EQ(ExifToolWrite("-all=", sans_exif), 0);
    EXPECT_FALSE(Tourne(rotation, sans_exif));
}

// A photo from a camera, truncated at several places, the header included,
// or with a marker inside its scan, to be rotated: it stays as it was and is
// told unreadable. Bytes between two segments cost nothing: it is turned.
TEST_F(Rotation, ADamagedPhotoIsLeftAsItWasAndToldUnreadable) {
    const std::string modele = TestData("exif-samples/jpg/orientation/portrait_6.jpg");
    const std::vector<uint8_t> photo = ReadFile(modele);
    const size_t frame = MarkerOffset(photo, 0xC0);
    const size_t scan = MarkerOffset(photo, 0xDA);
    const size_t milieu = (scan + photo.size()) / 2;
    struct Cas {
        const char* nom;
        std::vector<uint8_t> octets;
        std::string raison;
    };
    const Cas cas[] = {
        {"cut in the header", Cut(photo, frame + 5), "Erreur JPEG #"},
        {"cut early in the scan", Cut(photo, scan + 600), kImageEndommagee},
        {"cut in the middle", Cut(photo, milieu), kImageEndommagee},
        {"cut before its end marker", Cut(photo, photo.size() - 2), kImageEndommagee},
        {"an end marker inside the scan", Inserted(photo, milieu, {0xFF, 0xD9}), kImageEndommagee},
    };
    const RotationAutomatique rotation;
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        const std::string fichier = dossier / "abimee.jpg";
        WriteFile(fichier, c.octets);
        Vieillit(fichier);
        ASSERT_TRUE(EstPhotoATourner(fichier));
        const IssueRotation issue = rotation.RotationPhotoVerticale(fichier);
        EXPECT_EQ(issue.etat, IssueRotation::Etat::Illisible);
        EXPECT_TRUE(issue.raison.starts_with(c.raison)) << issue.raison;
        EXPECT_EQ(ReadFile(fichier), c.octets);
        EXPECT_TRUE(DateAncienne(fichier));
    }
    const std::string entiere = dossier / "octets.jpg";
    WriteFile(entiere, Inserted(photo, scan, {0, 0x11, 0x22}));
    ASSERT_TRUE(Tourne(rotation, entiere));
    const std::string attendu = dossier / "attendu.png";
    Output("convert " + ShellQuote(modele) + " -auto-orient " + ShellQuote(attendu));
    EXPECT_GT(Psnr(entiere, attendu), 30.0);
}

TEST_F(Rotation, TheTurnedPhotoKeepsItsXmpAndIccProfile) {
    const std::string photo = dossier / "photo.jpg";
    std::filesystem::copy_file(TestData("exif-samples/jpg/orientation/portrait_8.jpg"), photo);
    AddXmpAndIccProfile(photo);
    const std::string avant = XmpAndIccProfile(photo);
    ASSERT_NE(avant.find("Rating: 4"), std::string::npos);
    ASSERT_TRUE(Tourne(RotationAutomatique(), photo));
    EXPECT_EQ(Identify("%w %h", photo), "450 600");
    EXPECT_EQ(XmpAndIccProfile(photo), avant);
    EXPECT_EQ(ExifToolValue("ExifImageWidth", photo), "450");
    EXPECT_EQ(ExifToolValue("Warning", photo), "");
}

TEST_F(Rotation, OnlyJpegContentUnderAJpgExtension) {
    const std::string jpeg = dossier / "photo.jpeg";
    Output("convert -size 8x6 xc:red " + ShellQuote(jpeg));
    EXPECT_FALSE(EstPhotoATourner(jpeg));
    std::filesystem::copy_file(jpeg, dossier / "PHOTO.JPG");
    EXPECT_TRUE(EstPhotoATourner(dossier / "PHOTO.JPG"));
    Output("convert -size 8x6 xc:red bmp:" + ShellQuote(dossier / "image.jpg"));
    EXPECT_FALSE(EstPhotoATourner(dossier / "image.jpg"));
    EXPECT_FALSE(Tourne(RotationAutomatique(), dossier / "image.jpg"));
}

// A folder of photos to turn: portraits stored lying down (6 and 8), one
// already upright, one left alone (3), a damaged one and a file that is no
// JPEG, under .jpg names, and one .jpeg photo the tool leaves.
TEST_F(Rotation, AFolderOnEveryCoreLeavesWhatOneThreadLeavesAndListsWhatItCannotRead) {
    const auto remplit = [&](const std::string& d) {
        MakeDirs(d);
        std::vector<std::string> noms;
        for (const char* nom : {"landscape_3.jpg", "landscape_8.jpg", "portrait_1.jpg",
                                "portrait_6.jpg", "portrait_8.jpg"}) {
            std::filesystem::copy_file(
                TestData(std::string("exif-samples/jpg/orientation/") + nom), d + "/" + nom);
            noms.push_back(d + "/" + nom);
        }
        std::filesystem::copy_file(TestData("exif-samples/jpg/orientation/portrait_6.jpg"),
                                   d + "/autre.jpeg");
        noms.push_back(d + "/autre.jpeg");
            // A photo to turn whose data end before its first table.
        std::vector<uint8_t> casse = ReadFile(TestData("exif-samples/jpg/orientation/portrait_8.jpg"));
        const uint8_t dqt[] = {0xFF, 0xDB};
        casse.erase(std::search(casse.begin(), casse.end(), std::begin(dqt), std::end(dqt)),
                    casse.end());
        casse.insert(casse.end(), {0xFF, 0xD9});
        WriteFile(d + "/casse.jpg", casse);
        noms.push_back(d + "/casse.jpg");
        // One cut in the middle of its picture data: decoded, but made up.
        const std::vector<uint8_t> entiere =
            ReadFile(TestData("exif-samples/jpg/orientation/portrait_6.jpg"));
        WriteFile(d + "/coupee.jpg", Cut(entiere, entiere.size() * 3 / 4));
        noms.push_back(d + "/coupee.jpg");
        WriteFile(d + "/texte.jpg", std::string("pas une image"));
        noms.push_back(d + "/texte.jpg");
        std::sort(noms.begin(), noms.end());
        for (const std::string& n : noms) Vieillit(n);
        return noms;
    };
    const std::vector<std::string> un = remplit(dossier / "un");
    const std::vector<std::string> tous = remplit(dossier / "tous");
    const std::vector<uint8_t> jpeg = ReadFile(dossier / "tous/autre.jpeg");

    RotationAutomatique rotation;
    rotation.fils = 1;
    const std::vector<FichierIllisible> illisibles_un = rotation.Traite(un);
    rotation.fils = 4;
    std::vector<std::string> vus;
    std::vector<std::string> reecrits;
    rotation.OnFichier = [&](const std::string& n) { vus.push_back(n); };
    rotation.OnReecrit = [&](const std::string& n) { reecrits.push_back(n); };
    const std::vector<FichierIllisible> illisibles = rotation.Traite(tous);

    std::vector<std::string> jpg = tous;
    std::erase(jpg, dossier / "tous/autre.jpeg");
    EXPECT_EQ(vus, jpg);
    EXPECT_EQ(reecrits,
              (std::vector<std::string>{dossier / "tous/portrait_6.jpg", dossier / "tous/portrait_8.jpg"}));
    ASSERT_EQ(illisibles.size(), 2u);
    EXPECT_EQ(illisibles[0].nom, dossier / "tous/casse.jpg");
    EXPECT_TRUE(illisibles[0].raison.starts_with("Erreur JPEG #")) << illisibles[0].raison;
    EXPECT_EQ(illisibles[1].nom, dossier / "tous/coupee.jpg");
    EXPECT_EQ(illisibles[1].raison, kImageEndommagee);
    EXPECT_EQ(ReadFile(dossier / "tous/coupee.jpg"), ReadFile(dossier / "un/coupee.jpg"));
    ASSERT_EQ(illisibles_un.size(), 2u);
    EXPECT_EQ(ReadFile(dossier / "tous/autre.jpeg"), jpeg);
    EXPECT_EQ(ReadText(dossier / "tous/texte.jpg"), "pas une image");
    for (size_t i = 0; i < un.size(); ++i) {
        EXPECT_EQ(ReadFile(un[i]), ReadFile(tous[i])) << tous[i];
        EXPECT_TRUE(DateAncienne(tous[i])) << tous[i];
    }
    EXPECT_EQ(Identify("%w %h", dossier / "tous/portrait_8.jpg"), "450 600");
}

TEST_F(Rotation, AFileThatCannotBeWrittenStopsTheBatchInOrder) {
    const std::vector<std::string> noms = CopieEchantillons();
    RotationAutomatique rotation;
    rotation.fils = 4;
    const std::string bloque = dossier / "portrait_6.jpg";
    rotation.OnFichier = [&](const std::string& n) {
        if (n != bloque) return;
        std::filesystem::remove(n);
        MakeDirs(n);
    };
    EXPECT_TRUE(
        ErrorText([&] { rotation.Traite(noms); }).starts_with("Impossible de créer le fichier"));
    EXPECT_EQ(Identify("%w %h", dossier / "portrait_8.jpg"), "600 450");
    EXPECT_EQ(ReadFile(dossier / "portrait_8.jpg"),
              ReadFile(TestData("exif-samples/jpg/orientation/portrait_8.jpg")));
}

TEST_F(Rotation, AReadOnlyPhotoIsListedAndLeftAndTheOthersAreTurned) {
    const std::vector<std::string> noms = CopieEchantillons();
    const std::string protegee = dossier / "portrait_6.jpg";
    const std::vector<uint8_t> avant = ReadFile(protegee);
    namespace fs = std::filesystem;
    fs::permissions(protegee,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    RotationAutomatique rotation;
    rotation.fils = 4;
    const std::vector<FichierIllisible> illisibles = rotation.Traite(noms);

    ASSERT_EQ(illisibles.size(), 1u);
    EXPECT_EQ(
        MessageIllisibles({{"a.jpg", "illisible"}, illisibles[0]}),
        "Ces fichiers n'ont pas pu être lus et n'ont pas été modifiés :\na.jpg (illisible)\n\n"
        "Ces fichiers n'ont pas pu être écrits et n'ont pas été modifiés :\n" +
            protegee + " (Impossible de créer le fichier \"" + protegee + "\". Accès refusé.)");
    EXPECT_EQ(ReadFile(protegee), avant);
    EXPECT_TRUE(DateAncienne(protegee));
    EXPECT_EQ(fs::status(protegee).permissions(), fs::perms(0444));
    EXPECT_EQ(Identify("%w %h", dossier / "portrait_8.jpg"), "450 600");
}

// ---------------------------------------------------------------- pipeline

TEST(ChaineTraitement, ItemsAreFinishedInOrderFewAheadAndAFailureStopsTheRest) {
    ChaineTraitement chaine;
    chaine.fils = 3;
    int messages = 0;
    chaine.TraiteMessages = [&] { ++messages; };
    std::mutex verrou;
    std::vector<size_t> prepares;
    std::vector<size_t> termines;
    size_t plus_loin = 0;
    chaine.Execute(
        40,
        [&](size_t i, Tampons& tampons) {
            // Each worker keeps its buffers from one item to the next.
            tampons.decodee.SetSizeForOverwrite(8, 8);
            std::this_thread::sleep_for(std::chrono::milliseconds(i % 7 == 0 ? 30 : 1));
            const std::lock_guard<std::mutex> l(verrou);
            prepares.push_back(i);
        },
        [&](size_t i) {
            const std::lock_guard<std::mutex> l(verrou);
            termines.push_back(i);
            plus_loin = std::max(plus_loin, prepares.size() - termines.size());
        });
    std::vector<size_t> attendus(40);
    std::iota(attendus.begin(), attendus.end(), 0);
    EXPECT_EQ(termines, attendus);
    EXPECT_EQ(prepares.size(), 40u);
    EXPECT_LE(plus_loin, 6u) << "two results per thread at most wait";
    EXPECT_GT(messages, 0);

    prepares.clear();
    termines.clear();
    EXPECT_EQ(ErrorText([&] {
                  chaine.Execute(
                      100,
                      [&](size_t i, Tampons&) {
                          const std::lock_guard<std::mutex> l(verrou);
                          prepares.push_back(i);
                      },
                      [&](size_t i) {
                          termines.push_back(i);
                          if (i == 5) platform::RaiseMessage("arrêt");
                      });
              }),
              "arrêt");
    EXPECT_EQ(termines.size(), 6u);
    EXPECT_LE(prepares.size(), 6u + 6u);
}

// A run that may use one processor holds one picture at a time.
TEST(ChaineTraitement, AsManyWorkersAsTheRunMayUseProcessors) {
    OnProcessors(1, [] {
        ChaineTraitement chaine;
        std::mutex verrou;
        std::set<std::thread::id> fils;
        chaine.Execute(
            16,
            [&](size_t, Tampons&) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                const std::lock_guard<std::mutex> l(verrou);
                fils.insert(std::this_thread::get_id());
            },
            [](size_t) {});
        EXPECT_EQ(fils.size(), 1u);
    });
}

// The workers' pictures share one budget: beyond it a worker waits for the
// others' memory, and every item is still prepared, once.
TEST(ChaineTraitement, TheWorkersPicturesShareOneBudget) {
    ChaineTraitement chaine;
    chaine.fils = 8;
    std::atomic<int> en_cours{0};
    std::atomic<int> plus{0};
    std::mutex verrou;
    std::vector<size_t> prepares;
    std::vector<size_t> termines;
    chaine.Execute(
        16,
        [&](size_t i, Tampons& tampons) {
            // 192 MiB a picture, about a fifth of the budget.
            tampons.decodee.SetSizeForOverwrite(8192, 8192);
            const int n = ++en_cours;
            for (int p = plus.load(); n > p && !plus.compare_exchange_weak(p, n);) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            --en_cours;
            const std::lock_guard<std::mutex> l(verrou);
            prepares.push_back(i);
        },
        [&](size_t i) { termines.push_back(i); });
    EXPECT_EQ(termines.size(), 16u);
    EXPECT_EQ(prepares.size(), 16u);
    EXPECT_LE(plus.load(), 5);
    EXPECT_GE(plus.load(), 2);
}

// ---------------------------------------------------------------- renaming

TEST(AjoutPrefixe, NewNames) {
    AjoutPrefixe regle;
    regle.texte = "vacances";
    EXPECT_EQ(regle.NouveauNom("jpg001.jpg"), "vacances$jpg001.jpg");
    // The dots inside a name stay: only the extension is set apart.
    EXPECT_EQ(regle.NouveauNom("/photos/a.b.JPG"), "/photos/vacances$a.b.JPG");
    EXPECT_EQ(regle.NouveauNom("/p/photo.2020.07.jpg"), "/p/vacances$photo.2020.07.jpg");
    EXPECT_EQ(regle.NouveauNom("/photos.v2/IMG.jpg"), "/photos.v2/vacances$IMG.jpg");
    EXPECT_EQ(regle.NouveauNom("/photos.v2/IMG"), "/photos.v2/vacances$IMG");
    EXPECT_EQ(regle.NouveauNom("/p/.jpg"), "/p/vacances$.jpg");
    regle.prefixe = false;
    regle.separateur = "£";
    EXPECT_EQ(regle.NouveauNom("jpg001.jpg"), "jpg001£vacances.jpg");
    EXPECT_EQ(regle.NouveauNom("/p/x.y.z.Jpg"), "/p/x.y.z£vacances.Jpg");
    EXPECT_EQ(regle.NouveauNom("/p/photo.2020.07.jpg"), "/p/photo.2020.07£vacances.jpg");
    EXPECT_EQ(regle.NouveauNom("/photos.v2/IMG"), "/photos.v2/IMG£vacances");
    regle.texte.clear();
    EXPECT_EQ(regle.NouveauNom("a.jpg"), "a£.jpg");
}

TEST(AjoutPrefixe, RefusesAnEmptyFolderAndASlash) {
    AjoutPrefixe regle;
    regle.texte = "x";
    EXPECT_EQ(regle.Refus(""), "Nom de dossier non valide");
    EXPECT_EQ(regle.Refus("/photos/"), std::nullopt);
    const std::string barre =
        "Le texte et le séparateur ne peuvent pas contenir le caractère \"/\".";
    regle.texte = "a/b";
    EXPECT_EQ(regle.Refus("/photos/"), barre);
    regle.texte = "x";
    regle.separateur = "/";
    EXPECT_EQ(regle.Refus("/photos/"), barre);
    EXPECT_EQ(PartieDossier("/photos/a.jpg"), "/photos/");
    EXPECT_EQ(PartieDossier("a.jpg"), "");
}

TEST(AjoutPrefixe, RenamesTheFolderItselfAndNeverReplacesAFile) {
    const TempDir dossier;
    MakeDirs(dossier / "sous");
    for (const char* nom : {"p1.jpg", "P2.JPG", "a.b.jpg", "a.c.jpg", "sous/s.jpg", "note.txt"})
        WriteFile(dossier / nom, std::string(nom));

    components::TScruteDossier scrute;
    scrute.Dossier = dossier.Path() + "/";
    scrute.Filtre = "*.jpg";
    scrute.SousDossier = false;
    std::vector<std::string> liste;
    scrute.OnFichier = [&](components::TScruteDossier&, const std::string& n) {
        liste.push_back(n);
    };
    scrute.Execute();

    AjoutPrefixe regle;
    regle.texte = "x";
    // a.b.jpg and a.c.jpg keep their whole names, so both are renamed.
    EXPECT_EQ(regle.Renomme(liste), std::vector<std::string>{});
    EXPECT_EQ(Entrees(dossier.Path()),
              (std::vector<std::string>{"note.txt", "sous", "sous/s.jpg", "x$P2.JPG", "x$a.b.jpg",
                                        "x$a.c.jpg", "x$p1.jpg"}));
    EXPECT_EQ(ReadText(dossier / "x$a.b.jpg"), "a.b.jpg");
    EXPECT_EQ(ReadText(dossier / "x$a.c.jpg"), "a.c.jpg");

    // A new name that is taken leaves the file as it was, and is named.
    WriteFile(dossier / "p3.jpg", "p3");
    WriteFile(dossier / "x$p3.jpg", "autre");
    const std::vector<std::string> restes = regle.Renomme({dossier / "p3.jpg"});
    EXPECT_EQ(restes, std::vector<std::string>{dossier / "p3.jpg"});
    EXPECT_EQ(ReadText(dossier / "p3.jpg"), "p3");
    EXPECT_EQ(ReadText(dossier / "x$p3.jpg"), "autre");
    EXPECT_EQ(MessageNonRenommes(restes),
              "Ces fichiers n'ont pas été renommés (le nouveau nom existe déjà ou le déplacement "
              "a été refusé) :\n" +
                  dossier / "p3.jpg");
    EXPECT_EQ(MessageNonRenommes({}), "");
}

// ---------------------------------------------------------------- resize

TEST(NouvelleTaille, TheLongerSideTakesTheSizeTheOtherRoundsHalfToEven) {
    using components::TailleImage;
    EXPECT_EQ(NouvelleTaille(4000, 3000, 1600), (TailleImage{1600, 1200}));
    EXPECT_EQ(NouvelleTaille(3000, 4000, 1600), (TailleImage{1200, 1600}));
    EXPECT_EQ(NouvelleTaille(700, 700, 350), (TailleImage{350, 350}));
    EXPECT_EQ(NouvelleTaille(4, 3, 2), (TailleImage{2, 2}));  // 1.5 goes to 2
    EXPECT_EQ(NouvelleTaille(4, 5, 10), (TailleImage{8, 10}));
    EXPECT_EQ(NouvelleTaille(20, 5, 10), (TailleImage{10, 2}));  // 2.5 goes to 2
    EXPECT_EQ(NouvelleTaille(65535, 1, 65535), (TailleImage{65535, 1}));
    EXPECT_EQ(NouvelleTaille(0, 0, 1600), (TailleImage{0, 0}));
}

TEST(DecideTaille, TheTableOfNeverEnlargeAndRecompress) {
    ReglagesTaille r;
    r.taille = 1600;
    const auto decide = [&](GenreFichier g, int32_t l, int32_t h) { return Decide(g, l, h, r); };
    const Decision laisse{};
    for (const bool recompresse : {true, false}) {
        r.toujours_compresser = recompresse;
        // Smaller: resized, whatever the kind.
        EXPECT_EQ(decide(GenreFichier::Bmp, 2000, 1000), (Decision{true, {1600, 800}}));
        EXPECT_EQ(decide(GenreFichier::Jpeg, 2000, 1000), (Decision{true, {1600, 800}}));
        // The same longer side: a BMP is left, a JPEG rewritten at its size.
        EXPECT_EQ(decide(GenreFichier::Bmp, 1600, 1200), laisse);
        EXPECT_EQ(decide(GenreFichier::Jpeg, 1200, 1600), (Decision{true, {1200, 1600}}));
        // Larger: a BMP is left, a JPEG re-encoded at its own size or left.
        EXPECT_EQ(decide(GenreFichier::Bmp, 1024, 768), laisse);
        EXPECT_EQ(decide(GenreFichier::Jpeg, 1024, 768),
                  (recompresse ? Decision{true, {1024, 768}} : laisse));
        // A narrow upright picture whose width rounds to its own is still
        // not enlarged: the longer side decides.
        EXPECT_EQ(decide(GenreFichier::Jpeg, 100, 1590),
                  (recompresse ? Decision{true, {100, 1590}} : laisse));
    }
    r.pas_agrandir = false;
    EXPECT_EQ(decide(GenreFichier::Bmp, 1024, 768), (Decision{true, {1600, 1200}}));
    EXPECT_EQ(decide(GenreFichier::Jpeg, 100, 1590), (Decision{true, {101, 1600}}));
    // A side that would round to nothing, no pixels, or a size of 0: left.
    r.taille = 10;
    EXPECT_EQ(decide(GenreFichier::Jpeg, 1000, 4), laisse);
    EXPECT_EQ(decide(GenreFichier::Jpeg, 0, 0), laisse);
    r.taille = 0;
    EXPECT_EQ(decide(GenreFichier::Bmp, 1000, 800), laisse);
}

TEST(DecideTaille, TheKindByTheExtensionAndTheBoxes) {
    ReglagesTaille r;
    EXPECT_EQ(GenreATraiter("/p/a.jpg", r), GenreFichier::Jpeg);
    EXPECT_EQ(GenreATraiter("/p/a.JPG", r), GenreFichier::Jpeg);
    EXPECT_EQ(GenreATraiter("/p/a.jpeg", r), GenreFichier::Aucun);
    EXPECT_EQ(GenreATraiter("/p/a.bmp", r), GenreFichier::Aucun);
    EXPECT_EQ(GenreATraiter("/p.jpg/a", r), GenreFichier::Aucun);
    r.bmp = true;
    r.jpeg = false;
    EXPECT_EQ(GenreATraiter("/p/a.Bmp", r), GenreFichier::Bmp);
    EXPECT_EQ(GenreATraiter("/p/a.jpg", r), GenreFichier::Aucun);
}

class Redimensionnement : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PROGRAM("exiftool");
        REQUIRE_PROGRAM("convert");
    }

    // A folder of every case: pictures of several shapes and kinds, metadata
    // on the JPEG files, an old date on every file.
    std::vector<std::string> Remplit(const std::string& d) {
        const auto fait = [&](const std::string& nom, const std::string& arguments) {
            const std::string format = nom.ends_with(".bmp") ? "bmp3:" : "";
            Output("convert -seed 3 " + arguments + " " + ShellQuote(format + d + "/" + nom));
        };
        fait("grande.jpg", "-size 400x300 plasma: -quality 95");
        fait("HAUTE.JPG", "-size 300x400 plasma: -quality 95");
        fait("petite.jpg", "-size 102x77 plasma: -quality 95");
        fait("egale.jpg", "-size 120x160 plasma: -quality 95");
        fait("ignoree.jpeg", "-size 400x300 plasma:");
        fait("large.bmp", "-size 400x200 plasma:");
        fait("egale.bmp", "-size 160x120 plasma:");
        WriteFile(d + "/illisible.jpg", std::string("pas une image"));
        std::vector<std::string> noms;
        for (const char* n : {"HAUTE.JPG", "egale.bmp", "egale.jpg", "grande.jpg", "ignoree.jpeg",
                              "illisible.jpg", "large.bmp", "petite.jpg"}) {
            const std::string f = d + "/" + n;
            if (GenreATraiter(f, ReglagesTaille{}) == GenreFichier::Jpeg &&
                !f.ends_with("illisible.jpg"))
                ExifToolWrite(
                    "-Make=Essai -DateTimeOriginal='2020:01:02 03:04:05' "
                    "-ExifImageWidth=1 -ExifImageHeight=1",
                    f);
            Vieillit(f);
            noms.push_back(f);
        }
        return noms;
    }

    TempDir dossier;
};

TEST_F(Redimensionnement, EachCaseOfAFolderKeepingMetadataAndDates) {
    const std::vector<std::string> noms = Remplit(dossier.Path());
    const std::vector<uint8_t> petite = ReadFile(dossier / "petite.jpg");
    const std::vector<uint8_t> ignoree = ReadFile(dossier / "ignoree.jpeg");
    RedimensionnementDossier r;
    r.reglages.taille = 160;
    r.reglages.qualite = 80;
    r.reglages.bmp = true;
    r.reglages.toujours_compresser = false;
    std::vector<std::string> vus;
    r.OnFichier = [&](const std::string& n) { vus.push_back(n); };
    const auto illisibles = r.Traite(noms);

    std::vector<std::string> attendus = noms;
    std::erase(attendus, dossier / "ignoree.jpeg");
    EXPECT_EQ(vus, attendus);
    ASSERT_EQ(illisibles.size(), 1u);
    EXPECT_EQ(illisibles[0].nom, dossier / "illisible.jpg");
    EXPECT_EQ(ReadText(dossier / "illisible.jpg"), "pas une image");
    EXPECT_TRUE(
        MessageIllisibles(illisibles)
            .starts_with("Ces fichiers n'ont pas pu être lus et n'ont pas été modifiés :\n" +
                         dossier / "illisible.jpg" + " ("));

    EXPECT_EQ(Identify("%w %h %Q %[jpeg:sampling-factor]", dossier / "grande.jpg"),
              "160 120 80 1x1,1x1,1x1");
    EXPECT_EQ(Identify("%w %h %Q", dossier / "HAUTE.JPG"), "120 160 80");
    EXPECT_EQ(Identify("%w %h %Q", dossier / "egale.jpg"), "120 160 80");
    EXPECT_EQ(Identify("%w %h %m", dossier / "large.bmp"), "160 80 BMP3");
    EXPECT_EQ(Identify("%w %h", dossier / "egale.bmp"), "160 120");
    EXPECT_EQ(ReadFile(dossier / "petite.jpg"), petite);
    EXPECT_EQ(ReadFile(dossier / "ignoree.jpeg"), ignoree);
    for (const std::string& n : noms) EXPECT_TRUE(DateAncienne(n)) << n;
    for (const char* n : {"grande.jpg", "HAUTE.JPG", "egale.jpg"}) {
        EXPECT_EQ(ExifToolValue("Make", dossier / n), "Essai") << n;
        EXPECT_EQ(ExifToolValue("DateTimeOriginal", dossier / n), "2020:01:02 03:04:05") << n;
        EXPECT_EQ(ExifToolValue("ExifImageWidth", dossier / n), Identify("%w", dossier / n)) << n;
    }
    // With the recompression box, a smaller picture is re-encoded at its size.
    r.reglages.toujours_compresser = true;
    r.reglages.qualite = 40;
    r.Traite({dossier / "petite.jpg"});
    EXPECT_EQ(Identify("%w %h %Q", dossier / "petite.jpg"), "102 77 40");
    EXPECT_EQ(ExifToolValue("Make", dossier / "petite.jpg"), "Essai");
}

TEST_F(Redimensionnement, ManyThreadsLeaveWhatOneThreadLeaves) {
    const TempDir autre;
    const std::vector<std::string> un = Remplit(dossier.Path());
    const std::vector<std::string> plusieurs = Remplit(autre.Path());
    RedimensionnementDossier r;
    r.reglages.taille = 150;
    r.reglages.bmp = true;
    r.fils = 1;
    const auto illisibles_un = r.Traite(un);
    r.fils = 4;
    std::vector<std::string> vus;
    r.OnFichier = [&](const std::string& n) { vus.push_back(n); };
    const auto illisibles_plusieurs = r.Traite(plusieurs);
    ASSERT_EQ(illisibles_un.size(), illisibles_plusieurs.size());
    EXPECT_EQ(vus.size(), 7u);
    EXPECT_TRUE(std::is_sorted(vus.begin(), vus.end()));
    for (size_t i = 0; i < un.size(); ++i)
        EXPECT_EQ(ReadFile(un[i]), ReadFile(plusieurs[i])) << un[i];
}

// Camera files truncated in the header or in the scan, or with a marker
// inside the scan, are listed and left; one with bytes between two segments
// is resized, and one with XMP data and an ICC profile keeps both.
TEST_F(Redimensionnement, DamagedFilesAreListedAndLeftWholeOnesKeepEverySegment) {
    const std::vector<uint8_t> photo =
        ReadFile(TestData("exif-samples/jpg/exif-org/canon-ixus.jpg"));
    const size_t scan = MarkerOffset(photo, 0xDA);
    const size_t milieu = (scan + photo.size()) / 2;
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> fichiers{
        {"a-entete.jpg", Cut(photo, MarkerOffset(photo, 0xC4) + 8)},
        {"b-balayage.jpg", Cut(photo, scan + 900)},
        {"c-milieu.jpg", Cut(photo, milieu)},
        {"d-marqueur.jpg", Inserted(photo, milieu, {0xFF, 0xD9})},
        {"e-octets.jpg", Inserted(photo, scan, {0, 0x11, 0x22})},
        {"f-xmp.jpg", photo},
    };
    std::vector<std::string> noms;
    for (const auto& [nom, octets] : fichiers) {
        WriteFile(dossier / nom, octets);
        Vieillit(dossier / nom);
        noms.push_back(dossier / nom);
    }
    AddXmpAndIccProfile(dossier / "f-xmp.jpg");
    const std::string xmp = XmpAndIccProfile(dossier / "f-xmp.jpg");
    const std::vector<uint8_t> avec_xmp = ReadFile(dossier / "f-xmp.jpg");

    RedimensionnementDossier r;
    r.reglages.taille = 160;
    r.fils = 3;
    const auto illisibles = r.Traite(noms);
    ASSERT_EQ(illisibles.size(), 4u);
    EXPECT_EQ(illisibles[0].nom, noms[0]);
    EXPECT_TRUE(illisibles[0].raison.starts_with("Erreur JPEG #")) << illisibles[0].raison;
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(illisibles[i].nom, noms[i]);
        EXPECT_EQ(illisibles[i].raison, kImageEndommagee);
    }
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ReadFile(noms[i]), fichiers[i].second) << noms[i];
        EXPECT_TRUE(DateAncienne(noms[i]));
    }
    EXPECT_EQ(MessageIllisibles(illisibles),
              "Ces fichiers n'ont pas pu être lus et n'ont pas été modifiés :\n" + noms[0] + " (" +
                  illisibles[0].raison + ")\n" + noms[1] +
                  " (Image JPEG incomplète ou endommagée)\n" + noms[2] +
                  " (Image JPEG incomplète ou endommagée)\n" + noms[3] +
                  " (Image JPEG incomplète ou endommagée)");
    EXPECT_EQ(Identify("%w %h", noms[4]), "160 120");
    EXPECT_EQ(Identify("%w %h", noms[5]), "160 120");
    EXPECT_NE(ReadFile(noms[5]), avec_xmp);
    EXPECT_EQ(XmpAndIccProfile(noms[5]), xmp);
    EXPECT_EQ(ExifToolValue("ExifImageWidth", noms[5]), "160");
}

TEST_F(Redimensionnement, AFileThatCannotBeWrittenStopsTheRunInOrder) {
    const std::vector<std::string> noms = Remplit(dossier.Path());
    const std::vector<uint8_t> petite = ReadFile(dossier / "petite.jpg");
    RedimensionnementDossier r;
    r.reglages.taille = 60;
    r.fils = 4;
    // A folder takes the place of one file just before it is written: the
    // rename over it fails, and the files after it stay as they were even
    // though other threads may have prepared them.
    r.OnFichier = [&](const std::string& n) {
        if (n != dossier / "grande.jpg") return;
        std::filesystem::remove(n);
        MakeDirs(n);
    };
    EXPECT_TRUE(ErrorText([&] { r.Traite(noms); }).starts_with("Impossible de créer le fichier"));
    EXPECT_EQ(Identify("%w %h", dossier / "HAUTE.JPG"), "45 60");
    EXPECT_EQ(Identify("%w %h", dossier / "egale.jpg"), "45 60");
    EXPECT_EQ(ReadFile(dossier / "petite.jpg"), petite);
    EXPECT_TRUE(std::filesystem::is_directory(dossier / "grande.jpg"));
}

}  // namespace
}  // namespace app
