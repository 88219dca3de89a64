// The HTML album's writing without a display: pages compared byte for byte
// with pages written by hand from the templates, the table's rows, the
// copies checked by ImageMagick and ExifTool, and the guards.
#include "app/album_html.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "gif/gif_image.h"
#include "metadata/img_data.h"
#include "pictures.h"
#include "platform/core/files.h"
#include "platform/core/text.h"
#include "platform/graphics/jpeg_image.h"
#include "test_support.h"

namespace app {
namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// The pictures of the golden albums: camera pictures (one with a user
// comment) and one without metadata, under names that need escaping.
const std::vector<std::pair<std::string, std::string>> kImages{
    {"a.jpg", "exif-samples/jpg/exif-org/canon-ixus.jpg"},
    {"l'été.jpg", "exif-samples/jpg/exif-org/nikon-e950.jpg"},
    {"b c.jpeg", "exif-samples/jpg/exif-org/sony-d700.jpg"},
    {"nu.jpg", ""},
    {"x&y.jpg", "exif-samples/jpg/exif-org/fujifilm-mx1700.jpg"},
};

// The picture classes the program registers at start.
void EnregistreFormats() {
    platform::RegisterStandardFormats();
    gif::RegisterGIFImage();
}

class Album : public ::testing::Test {
protected:
    void SetUp() override {
        EnregistreFormats();
        platform::SetDecimalSeparator(',');
        MakeDirs(dossier / "photos");
        for (const auto& [nom, source] : kImages) {
            const std::string chemin = dossier / ("photos/" + nom);
            if (source.empty()) {
                WriteJpeg(chemin, *Pattern(40, 30));
            } else {
                fs::copy_file(TestData(source), chemin);
            }
            images.push_back(chemin);
        }
    }

    // Writes the user comment with ExifTool, which the golden pages show.
    void Commente() {
        ASSERT_EQ(
            ExifToolWrite("-overwrite_original '-UserComment=Soirée <entre> amis & co'", images[0]),
            0);
    }

    ReglagesAlbum Couleurs() const {
        ReglagesAlbum r;
        r.page = dossier / "album/page.htm";
        r.taille_petite = 100;
        r.taille_grande = 300;
        r.bordure_tableau = 1;
        r.encadrement = 4;
        r.encadrement_grande_photo = 6;
        r.couleur_fond = platform::MakeColor(0x10, 0x20, 0x30);
        r.couleur_texte = platform::kWhite;
        r.couleur_texte_exif = platform::MakeColor(0xFF, 0xFF, 0x00);
        r.couleur_encadrement = platform::MakeColor(0x80, 0x80, 0x80);
        r.couleur_encadrement_grande_photo = platform::MakeColor(0xFF, 0x00, 0x00);
        r.nom_image = r.diaphragme = r.vitesse = r.iso = r.flash = r.appareil = r.commentaire =
            r.focale_35mm = true;
        r.titre = "Vacances à Noël — 2024 & <b>amis</b> ✓";
        return r;
    }

    // The file of the album against its golden twin.
    void Compare(const std::string& cas, const std::string& fichier) const {
        const std::string attendu = ReadText(TestData("album/" + cas + "/" + fichier));
        const std::string obtenu = ReadText(dossier / ("album/" + fichier));
        EXPECT_EQ(obtenu, attendu) << cas << "/" << fichier;
    }

    TempDir dossier;
    std::vector<std::string> images;
};

TEST_F(Album, PagesInColourWithEveryCaptionMatchTheTemplates) {
    REQUIRE_PROGRAM("exiftool");
    Commente();
    AlbumHtml(Couleurs(), images).Cree();
    for (const char* f :
         {"page.htm", "grandes/a.htm", "grandes/l'été.htm", "grandes/nu.htm", "grandes/x&y.htm"})
        Compare("couleurs", f);
}

TEST_F(Album, PagesWithoutColoursAndCaptionsOnlyForBigPicturesMatchTheTemplates) {
    REQUIRE_PROGRAM("exiftool");
    Commente();
    ReglagesAlbum r = Couleurs();
    r.sans_couleur = r.sans_couleur_encadrement = r.sans_couleur_encadrement_grande_photo = true;
    r.proprietes_seulement_grandes = true;
    r.titre = "Sans couleur";
    AlbumHtml(r, images).Cree();
    for (const char* f : {"page.htm", "grandes/a.htm"}) Compare("sans-couleur", f);
}

TEST_F(Album, AnAlbumOfOnePictureHasNoNeighbourLinks) {
    REQUIRE_PROGRAM("exiftool");
    Commente();
    ReglagesAlbum r = Couleurs();
    r.titre = "Une";
    AlbumHtml(r, {images[0]}).Cree();
    for (const char* f : {"page.htm", "grandes/a.htm"}) Compare("une-image", f);
}

// The lines of a page, without their CR LF (which every line must have).
std::vector<std::string> Lignes(const std::string& fichier) {
    const std::string texte = ReadText(fichier);
    EXPECT_TRUE(texte.ends_with("\r\n"));
    std::vector<std::string> lignes;
    for (size_t debut = 0; debut < texte.size();) {
        const size_t fin = texte.find("\r\n", debut);
        if (fin == std::string::npos) break;
        lignes.push_back(texte.substr(debut, fin - debut));
        debut = fin + 2;
    }
    return lignes;
}

// The rows of the album table: the number of cells in each.
std::vector<int> Rangees(const std::string& page) {
    std::vector<int> rangees;
    for (const std::string& ligne : Lignes(page)) {
        if (ligne == "<tr>") rangees.push_back(0);
        if (ligne.starts_with("<td align=\"center\"")) ++rangees.back();
    }
    return rangees;
}

TEST_F(Album, RowsHoldTheirPicturesAndAFullLastRowIsFollowedByAnEmptyOne) {
    const auto rangees = [&](size_t nombre) {
        ReglagesAlbum r;
        r.page = dossier / ("rangees/" + std::to_string(nombre) + ".htm");
        r.generer_images = false;
        std::vector<std::string> faux;
        for (size_t i = 0; i < nombre; ++i)
            faux.push_back(dossier / ("absente" + std::to_string(i) + ".jpg"));
        AlbumHtml(r, faux).Cree();
        return Rangees(r.page);
    };
    EXPECT_EQ(rangees(5), (std::vector<int>{3, 2}));
    EXPECT_EQ(rangees(6), (std::vector<int>{3, 3, 0}));
    EXPECT_EQ(rangees(0), (std::vector<int>{0}));
    EXPECT_EQ(rangees(1), (std::vector<int>{1}));
}

TEST_F(Album, WithoutCopiesTheCellsAndPagesSayZero) {
    ReglagesAlbum r;
    r.page = dossier / "album/page.htm";
    r.generer_images = false;
    AlbumHtml(r, {images[3]}).Cree();
    const std::vector<std::string> page = Lignes(dossier / "album/page.htm");
    EXPECT_NE(
        std::find(
            page.begin(), page.end(),
            R"(<img src="petites/nu.jpg" border="0" Height="0" Width="0" TITLE="nu.jpg"></a>)"),
        page.end());
    const std::vector<std::string> grande = Lignes(dossier / "album/grandes/nu.htm");
    EXPECT_NE(std::find(grande.begin(), grande.end(), "if (window.screen.height>200)"),
              grande.end());
    EXPECT_FALSE(fs::exists(dossier / "album/petites"));
}

TEST(PageImage, TheReducedSizeIsFourFifthsRoundedAndTheLimit200AboveTheHeight) {
    ImagePage image;
    image.chemin = "/photos/p.jpg";
    image.largeur = 1024;
    image.hauteur = 683;
    const std::vector<std::string> lignes = LignesPageImage(ReglagesAlbum{}, image, {});
    const auto contient = [&](const std::string& ligne) {
        return std::find(lignes.begin(), lignes.end(), ligne) != lignes.end();
    };
    EXPECT_TRUE(contient("if (window.screen.height>883)"));
    EXPECT_TRUE(contient(R"({document.write('<img src="p.jpg"  height="683" width="1024">');})"));
    EXPECT_TRUE(
        contient(R"(else {document.write('<img src="p.jpg"  height="546" width="819">');} )"));
}

TEST(NomsEtTextes, NamesLoseTheirLastExtensionOnlyAndTextFromFilesIsEscaped) {
    EXPECT_EQ(DecoupeNom("/a/photo.jpg.jpg").base, "photo.jpg");
    EXPECT_EQ(DecoupeNom("/a/photo.jpg.jpg").extension, ".jpg");
    EXPECT_EQ(DecoupeNom("/a.b/photo").base, "photo");
    EXPECT_EQ(DecoupeNom("/a.b/photo").extension, "");
    EXPECT_EQ(DecoupeNom("jpg.photo.jpg").base, "jpg.photo");
    EXPECT_EQ(DecoupeNom("/a/\\x.jpg").nom, "\\x.jpg");

    EXPECT_EQ(EchappeHtml(R"(<a href="x">l'&</a>)"),
              "&lt;a href=&quot;x&quot;&gt;l&#39;&amp;&lt;/a&gt;");
    EXPECT_EQ(EncodeUrl("petites/l'été & co\\#?%.jpg"),
              "petites/l%27%C3%A9t%C3%A9%20%26%20co%5C%23%3F%25.jpg");
    // Windows-1252 bytes, references for what it lacks, stray bytes kept.
    EXPECT_EQ(VersPageHtml("é€œ—"), "\xE9\x80\x9C\x97");
    EXPECT_EQ(VersPageHtml("日✓?"), "&#26085;&#10003;?");
    EXPECT_EQ(VersPageHtml("a\xE9"
                           "b\xC3"),
              "a\xE9"
              "b\xC3");
    EXPECT_EQ(VersPageHtml("\xF0\x9F\x98\x80"), "&#128512;");

    // The script's link survives the percent-decoding of javascript: addresses.
    ReglagesAlbum r;
    r.sous_dossier_petites = "";
    const std::vector<std::string> cellule = LignesCellule(r, "/p/it's\\é.jpg", 10, 20, {});
    EXPECT_EQ(cellule[1],
              R"(<a href="javascript:fullscreen('grandes/it%2527s%255C%25C3%25A9.htm');"  >)");
    EXPECT_EQ(
        cellule[2],
        "<img src=\"it%27s%5C%C3%A9.jpg\" border=\"0\" Height=\"20\" Width=\"10\" TITLE=\"\"></a>");
}

TEST(NomsEtTextes, TheFocalLineKeepsTheWholeMillimetresWhateverTheSeparator) {
    ReglagesAlbum r;
    r.focale_35mm = true;
    LegendesImage l;
    l.exif = true;
    for (const char separateur : {',', '.'}) {
        platform::SetDecimalSeparator(separateur);
        l.focale_35mm = std::string("105") + separateur + "00";
        const std::vector<std::string> cellule = LignesCellule(r, "/p/a.jpg", 1, 1, l);
        EXPECT_NE(std::find(cellule.begin(), cellule.end(), "Obj 105mm"), cellule.end());
        ImagePage image;
        image.chemin = "/p/a.jpg";
        const std::vector<std::string> page = LignesPageImage(r, image, l);
        EXPECT_NE(std::find(page.begin(), page.end(), "Obj 105 mm"), page.end());
    }
    platform::SetDecimalSeparator(',');
}

TEST(NomsEtTextes, ACameraModelInUtf8ReachesThePageInItsCharacterSet) {
    REQUIRE_PROGRAM("exiftool");
    const TempDir dossier;
    const std::string photo = dossier / "m.jpg";
    WriteJpeg(photo, *Pattern(16, 16));
    ASSERT_EQ(ExifToolWrite("'-Model=Modèle Ω'", photo), 0);
    metadata::TimgData donnees;
    donnees.ReadPictureFile(photo);
    ReglagesAlbum r;
    r.appareil = true;
    const std::vector<std::string> cellule = LignesCellule(r, photo, 1, 1, LegendesDe(donnees));
    EXPECT_NE(std::find(cellule.begin(), cellule.end(), "Mod\xE8le &#937;"), cellule.end());
}

TEST(Replis, SizesBelowOneTakeTheirFallbacks) {
    ReglagesAlbum r;
    r.images_par_ligne = 0;
    r.taille_petite = -5;
    r.taille_grande = 0;
    AppliqueReplis(r);
    EXPECT_EQ(r.images_par_ligne, 4);
    EXPECT_EQ(r.taille_petite, 150);
    EXPECT_EQ(r.taille_grande, 800);
    r.images_par_ligne = -1;
    r.taille_petite = 1;
    AppliqueReplis(r);
    EXPECT_EQ(r.images_par_ligne, 4);
    EXPECT_EQ(r.taille_petite, 1);
}

TEST_F(Album, CopiesAreProgressiveNeverEnlargedKeepTheirMetadataAndEachPictureIsDecodedOnce) {
    REQUIRE_PROGRAM("identify");
    REQUIRE_PROGRAM("exiftool");
    ReglagesAlbum r;
    r.page = dossier / "album/page.htm";
    r.taille_petite = 200;
    r.taille_grande = 700;
    const uint64_t avant = platform::JpegImage::DecodeCount();
    AlbumHtml(r, images).Cree();
    EXPECT_EQ(platform::JpegImage::DecodeCount() - avant, images.size());

    const std::pair<std::string, std::string> tailles[] = {
        {"a.jpg", "200x150 640x480"},    {"l'été.jpg", "200x150 700x525"},
        {"b c.jpeg", "200x152 672x512"}, {"nu.jpg", "40x30 40x30"},
        {"x&y.jpg", "200x150 640x480"},
    };
    for (const auto& [nom, attendu] : tailles) {
        const std::string petite = dossier / ("album/petites/" + nom);
        const std::string grande = dossier / ("album/grandes/" + nom);
        EXPECT_EQ(Identify("%wx%h", petite) + " " + Identify("%wx%h", grande), attendu) << nom;
        EXPECT_EQ(Identify("%[interlace]", petite), "JPEG") << nom;
        EXPECT_EQ(Identify("%[interlace]", grande), "JPEG") << nom;
    }
    EXPECT_EQ(ExifToolValue("Model", dossier / "album/petites/a.jpg"), "Canon DIGITAL IXUS");
    EXPECT_EQ(ExifToolValue("ExifImageWidth", dossier / "album/grandes/l'été.jpg"), "700");
    EXPECT_EQ(ExifToolValue("Model", dossier / "album/grandes/l'été.jpg"), "E950");
}

// Both copies of a picture come from one reading of its metadata: each says
// its own size, the big one too when it keeps the size the photo has, and
// both keep the photo's XMP data and ICC profile.
TEST_F(Album, EachCopyCarriesItsOwnSizeAndTheSourcesXmpAndIccProfile) {
    REQUIRE_PROGRAM("identify");
    REQUIRE_PROGRAM("exiftool");
    AddXmpAndIccProfile(images[0]);
    const std::string attendu = XmpAndIccProfile(images[0]);
    ReglagesAlbum r;
    r.page = dossier / "album/page.htm";
    r.taille_petite = 200;
    r.taille_grande = 700;
    AlbumHtml(r, images).Cree();
    for (const char* nom : {"a.jpg", "l'été.jpg", "b c.jpeg", "x&y.jpg"}) {
        for (const char* copies : {"album/petites/", "album/grandes/"}) {
            const std::string copie = dossier / (std::string(copies) + nom);
            EXPECT_EQ(ExifToolValue("ExifImageWidth", copie) + " " +
                          ExifToolValue("ExifImageHeight", copie),
                      Identify("%w %h", copie))
                << copie;
        }
    }
    EXPECT_EQ(XmpAndIccProfile(dossier / "album/petites/a.jpg"), attendu);
    EXPECT_EQ(XmpAndIccProfile(dossier / "album/grandes/a.jpg"), attendu);
}

TEST_F(Album, AnAlbumThatWouldWriteOverItsPicturesTouchesNothing) {
    ReglagesAlbum r;
    r.page = dossier / "photos/page.htm";
    r.sous_dossier_petites = "";
    const std::vector<uint8_t> avant = ReadFile(images[0]);
    const std::string message = ErrorText([&] { AlbumHtml(r, images).Cree(); });
    EXPECT_EQ(message, "L'album remplacerait l'image \"" + images[0] + "\" elle-même par \"" +
                           images[0] +
                           "\". Choisissez un autre dossier pour la page ou d'autres "
                           "sous-dossiers pour les images.");
    EXPECT_EQ(ReadFile(images[0]), avant);
    EXPECT_FALSE(fs::exists(dossier / "photos/page.htm"));
    EXPECT_FALSE(fs::exists(dossier / "photos/grandes"));

    // The album page itself named as one of the pictures.
    r.sous_dossier_petites = "petites/";
    r.page = images[1];
    EXPECT_NE(ErrorText([&] { AlbumHtml(r, images).Cree(); }), "(no error)");
    EXPECT_FALSE(fs::exists(dossier / "photos/petites"));

    // Without copies, the same folder is no danger.
    r.page = dossier / "photos/page.htm";
    r.sous_dossier_petites = "";
    r.generer_images = false;
    AlbumHtml(r, images).Cree();
    EXPECT_EQ(ReadFile(images[0]), avant);
}

TEST_F(Album, AFolderThatCannotBeMadeIsNamedAndAReadOnlyPageIsReplaced) {
    WriteFile(dossier / "bouchon", std::string("un fichier"));
    ReglagesAlbum r;
    r.page = dossier / "bouchon/sous/page.htm";
    r.generer_images = false;
    EXPECT_EQ(ErrorText([&] { AlbumHtml(r, images).Cree(); }),
              "Impossible de créer le dossier \"" + dossier / "bouchon/sous/" + "\" de l'album.");
    EXPECT_EQ(ReadText(dossier / "bouchon"), "un fichier");

    r.page = dossier / "album/page.htm";
    MakeDirs(dossier / "album");
    WriteFile(r.page, std::string("ancienne"));
    fs::permissions(r.page, fs::perms::owner_read);
    AlbumHtml(r, images).Cree();
    EXPECT_TRUE(ReadText(r.page).starts_with("<html>\r\n"));
}

// The line of a page that holds `texte`; empty when none.
std::string LigneAvec(const std::vector<std::string>& lignes, const std::string& texte) {
    for (const std::string& l : lignes) {
        if (l.find(texte) != std::string::npos) return l;
    }
    return {};
}

TEST_F(Album, GifAndBmpPicturesAreCopiedAsJpegFilesAndAnUnreadablePictureIsLeftOut) {
    REQUIRE_PROGRAM("identify");
    REQUIRE_PROGRAM("compare");
    const std::string gif = dossier / "photos/a.gif";
    fs::copy_file(TestData("gif-suite/gifs/animated_loop.gif"), gif);
    const std::string bmp = dossier / "photos/plan.bmp";
    WriteBmp(bmp, *Pattern(300, 200));
    const std::string casse = dossier / "photos/casse.jpg";
    WriteFile(casse, std::string("pas une image"));
    ReglagesAlbum r;
    r.page = dossier / "album/page.htm";
    r.taille_petite = 100;
    r.taille_grande = 700;
    r.qualite_grandes = 95;
    r.nom_image = true;
    const std::vector<FichierIllisible> illisibles =
        AlbumHtml(r, {images[0], casse, gif, bmp}).Cree();

    ASSERT_EQ(illisibles.size(), 1u);
    EXPECT_EQ(illisibles[0].nom, casse);
    EXPECT_TRUE(illisibles[0].raison.starts_with("Erreur JPEG #")) << illisibles[0].raison;
    EXPECT_EQ(MessageImagesIllisibles(illisibles),
              "Ces images n'ont pas pu être lues et ne sont pas dans l'album :\n" + casse + " (" +
                  illisibles[0].raison + ")");
    // The copies are JPEG files whose names say so; a.jpg and a.gif keep apart.
    const std::string gif_petite = dossier / "album/petites/a.gif.jpg";
    const std::string gif_grande = dossier / "album/grandes/a.gif.jpg";
    EXPECT_EQ(Identify("%m %wx%h", gif_petite), "JPEG 100x100");
    EXPECT_EQ(Identify("%m %wx%h", gif_grande), "JPEG 100x100");
    EXPECT_EQ(Identify("%m %wx%h", dossier / "album/grandes/plan.bmp.jpg"), "JPEG 300x200");
    EXPECT_EQ(Identify("%wx%h", dossier / "album/petites/plan.bmp.jpg"), "100x67");
    EXPECT_EQ(Identify("%wx%h", dossier / "album/grandes/a.jpg"), "640x480");
    // The first frame of the animation.
    std::string psnr;
    testing_support::Run("compare -metric PSNR " + ShellQuote(gif_grande) + " " +
            ShellQuote(TestData("gif-suite/gifs/frames/animated_loop-0.png")) + " null: 2>&1",
        &psnr);
    EXPECT_GT(std::atof(psnr.c_str()), 30.0) << psnr;
    for (const char* absent : {"album/petites/casse.jpg", "album/grandes/casse.htm"})
        EXPECT_FALSE(fs::exists(dossier / absent)) << absent;

    // Three cells; the neighbours of the pictures read link to each other.
    const std::vector<std::string> page = Lignes(r.page);
    EXPECT_EQ(Rangees(r.page), (std::vector<int>{3, 0}));
    EXPECT_EQ(LigneAvec(page, "petites/a.gif"),
              R"(<img src="petites/a.gif.jpg" border="0" Height="100" Width="100" TITLE="a.gif.jpg"></a>)");
    EXPECT_NE(LigneAvec(page, "fullscreen('grandes/a.gif.htm')"), "");
    const std::vector<std::string> grande = Lignes(dossier / "album/grandes/a.gif.htm");
    EXPECT_NE(LigneAvec(grande, R"(<a href="a.htm"><img src="a.jpg" )"), "");
    EXPECT_NE(LigneAvec(grande, R"(<a href="plan.bmp.htm"><img src="plan.bmp.jpg" )"), "");
    EXPECT_NE(LigneAvec(grande, R"({document.write('<img src="a.gif.jpg"  height="100" width="100">');})"),
              "");
    EXPECT_NE(std::find(grande.begin(), grande.end(), "a.gif"), grande.end());
    const std::vector<std::string> premiere = Lignes(dossier / "album/grandes/a.htm");
    EXPECT_NE(LigneAvec(premiere, R"(<a href="a.gif.htm"><img src="a.gif.jpg" )"), "");
}

TEST_F(Album, PhotosTurnedAQuarterByTheirOrientationGiveTheSizesBrowsersShow) {
    REQUIRE_PROGRAM("exiftool");
    std::vector<std::string> photos;
    for (const int code : {6, 8, 3}) {
        photos.push_back(dossier / ("photos/o" + std::to_string(code) + ".jpg"));
        fs::copy_file(TestData("exif-samples/jpg/exif-org/canon-ixus.jpg"), photos.back());
        ASSERT_EQ(ExifToolWrite("-overwrite_original -Orientation#=" + std::to_string(code),
                                photos.back()),
                  0);
    }
    ReglagesAlbum r;
    r.page = dossier / "album/page.htm";
    r.taille_petite = 200;
    r.taille_grande = 400;
    const auto verifie = [&](const std::string& quand) {
        const std::vector<std::string> page = Lignes(r.page);
        for (const char* nom : {"o6", "o8"}) {
            EXPECT_NE(LigneAvec(page, std::string("petites/") + nom +
                                          R"(.jpg" border="0" Height="200" Width="150")"),
                      "")
                << quand << nom;
            const std::vector<std::string> grande =
                Lignes(dossier / ("album/grandes/" + std::string(nom) + ".htm"));
            EXPECT_NE(LigneAvec(grande, R"(height="400" width="300">');})"), "") << quand << nom;
        }
        EXPECT_NE(LigneAvec(page, R"(petites/o3.jpg" border="0" Height="150" Width="200")"), "")
            << quand;
    };
    AlbumHtml(r, photos).Cree();
    verifie("copies faites ");
    // The copies stay as stored, their orientation kept for the browser.
    EXPECT_EQ(Identify("%wx%h", dossier / "album/grandes/o6.jpg"), "400x300");
    EXPECT_EQ(ExifToolValue("Orientation", dossier / "album/grandes/o6.jpg", true), "6");
    r.generer_images = false;
    AlbumHtml(r, photos).Cree();
    verifie("copies sur le disque ");
}

// Loads the album page in a frame, checks that its pictures have loaded,
// follows every thumbnail's script (window.open recorded) and every picture
// page's links, and loads each picture page to see its script write the
// picture. Writes "fautes:" and the faults found into the page.
constexpr const char* kBanc = R"(<!DOCTYPE html>
<html><body><pre id="resultat">en cours</pre>
<iframe id="album" width="1200" height="800"></iframe>
<iframe id="image" width="1200" height="1000"></iframe>
<script>
const fautes = [];
const attends = ms => new Promise(r => setTimeout(r, ms));
function charge(cadre, url) {
  return new Promise(r => { cadre.onload = () => r(); cadre.src = url; });
}
function existe(url) {
  return new Promise(r => {
    const x = new XMLHttpRequest();
    x.onload = () => r(x.responseText.length > 0);
    x.onerror = () => r(false);
    x.open("GET", url);
    x.send();
  });
}
async function imagesChargees(doc, ou) {
  for (const img of doc.images) {
    if (!img.complete) await new Promise(r => { img.onload = img.onerror = r; });
    if (!(img.naturalWidth > 0)) { fautes.push(ou + ": image non chargée " + img.src); continue; }
    // The box drawn against the picture as it shows, turned by its orientation.
    const ecart = (img.width / img.height) / (img.naturalWidth / img.naturalHeight);
    if (Math.abs(ecart - 1) > 0.03)
      fautes.push(ou + ": image déformée " + img.src + " " + img.width + "x" + img.height +
                  " pour " + img.naturalWidth + "x" + img.naturalHeight);
  }
  return doc.images.length;
}
async function verifie() {
  const album = document.getElementById("album");
  await charge(album, "album/page.htm");
  const fenetre = album.contentWindow;
  const doc = album.contentDocument;
  fenetre.onerror = m => fautes.push("album: " + m);
  if (await imagesChargees(doc, "album") === 0) fautes.push("album: aucune image");
  const ouvertes = [];
  fenetre.open = (url, nom, options) => {
    ouvertes.push(new URL(url, doc.baseURI).href);
    if (!/width=\d+/.test(options.replace(/ /g, ""))) fautes.push("options: " + options);
  };
  const liens = [...doc.querySelectorAll("a")];
  for (const a of liens) a.click();
  await attends(200);
  if (ouvertes.length !== liens.length)
    fautes.push("album: " + ouvertes.length + " pages ouvertes pour " + liens.length + " liens");
  const cadre = document.getElementById("image");
  for (const page of ouvertes) {
    if (!await existe(page)) { fautes.push("page absente " + page); continue; }
    await charge(cadre, page);
    const d = cadre.contentDocument;
    const n = await imagesChargees(d, page);
    const grande = d.querySelector("td[align=center] img");
    if (!grande) fautes.push(page + ": le script n'a pas écrit l'image");
    else if (!(grande.height > 0)) fautes.push(page + ": image sans hauteur");
    for (const a of d.querySelectorAll("a"))
      if (!await existe(a.href)) fautes.push(page + ": lien mort " + a.href);
    if (n < 1) fautes.push(page + ": aucune image");
  }
  document.getElementById("resultat").textContent =
    "fautes:" + ouvertes.length + ":" + fautes.join("|") + ":fin";
}
verifie().catch(e => {
  document.getElementById("resultat").textContent = "fautes:0:exception " + e + ":fin";
});
</script></body></html>
)";

TEST(AlbumNavigateur, EveryPictureLoadsUndistortedEveryLinkLeadsToAFileAndThePagesScriptsRun) {
    REQUIRE_PROGRAM("chromium");
    REQUIRE_PROGRAM("exiftool");
    EnregistreFormats();
    const TempDir dossier;
    MakeDirs(dossier / "photos");
    std::vector<std::string> images;
    const char* noms[] = {"soirée d'été.jpg", "x & y.jpg", "100% <vrai>.jpeg", "dos\\barre.jpg",
                          "日本.jpg"};
    for (size_t i = 0; i < std::size(noms); ++i) {
        images.push_back(dossier / (std::string("photos/") + noms[i]));
        WriteJpeg(images.back(), *Pattern(320 + 40 * static_cast<int32_t>(i), 240));
    }
    // Camera photos held upright, stored lying down: browsers turn them.
    for (const char* code : {"6", "8"}) {
        images.push_back(dossier / (std::string("photos/portrait ") + code + ".jpg"));
        fs::copy_file(TestData("exif-samples/jpg/exif-org/nikon-e950.jpg"), images.back());
        ASSERT_EQ(ExifToolWrite(std::string("-overwrite_original -Orientation#=") + code,
                                images.back()),
                  0);
    }
    images.push_back(dossier / "photos/anim é.gif");
    fs::copy_file(TestData("gif-suite/gifs/animated_transparent_loop.gif"), images.back());
    images.push_back(dossier / "photos/plan.bmp");
    WriteBmp(images.back(), *Pattern(200, 300));
    ReglagesAlbum r;
    r.page = dossier / "album/page.htm";
    r.titre = "Été à l'eau & <i>co</i>";
    r.nom_image = true;
    r.taille_petite = 120;
    r.taille_grande = 300;
    AlbumHtml(r, images).Cree();
    WriteFile(dossier / "banc.html", std::string(kBanc));

    const std::string chromium =
        "chromium --headless --disable-gpu --no-sandbox --allow-file-access-from-files "
        "--user-data-dir=" +
        ShellQuote(dossier / "profil") + " ";
    const std::string dom = Output(chromium + "--virtual-time-budget=20000 --dump-dom " +
                                   ShellQuote("file://" + dossier / "banc.html") + " 2>/dev/null");
    const size_t debut = dom.find("fautes:");
    ASSERT_NE(debut, std::string::npos) << dom;
    EXPECT_EQ(dom.substr(debut, dom.find(":fin", debut) + 4 - debut), "fautes:9::fin");

    // Looked at by eye when the pages change.
    testing_support::Run(
        chromium + "--window-size=1000,700 --screenshot=" + ShellQuote(dossier / "album.png") +
        " " + ShellQuote("file://" + r.page) + " >/dev/null 2>&1");
    EXPECT_GT(fs::file_size(dossier / "album.png"), 0u);
}

}  // namespace
}  // namespace app
