#include "components/outils.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace components {
namespace {

using namespace testing_support;

namespace fs = std::filesystem;

TEST(Outils, TextsAroundSeparatorsFieldsAndCharacters) {
    using Coupe = std::string (*)(std::string_view, std::string_view);
    const std::tuple<Coupe, const char*, const char*, const char*> coupes[] = {
        {TexteApres, "=", "a=b=c", "b=c"},
        {TexteApres, "=", "abc", ""},
        {TexteApres, "=", "abc=", ""},
        {TexteApres, "", "abc", ""},
        {TexteApres, "->", "a->b->c", "b->c"},
        {TexteAvant, "|", "x|y", "x"},
        {TexteAvant, "|", "xy", ""},
        {TexteAvant, "|", "|y", ""},
        {TexteAvant, "", "xy", ""},
        {TexteAvant, "Y", "xy", ""},  // case matters
        {ChaineAvant, ".", "photo.2024.jpg", "photo"},
        {ChaineApres, "/", "petites/a.jpg", "a.jpg"},
    };
    for (const auto& [coupe, separateur, texte, attendu] : coupes) {
        EXPECT_EQ(coupe(separateur, texte), attendu) << separateur << " " << texte;
    }
    const std::tuple<const char*, const char*, int32_t, const char*> champs[] = {
        {"/", "C:/a/b", 0, "C:"}, {"/", "C:/a/b", -3, "C:"},
        {"/", "C:/a/b", 2, "b"},  {"/", "C:/a/b", 3, ""},
        {"/", "/a//b", 2, ""},    {"/", "/a//b", 3, "b"},
        {";", "", 0, ""},         {"", "abc", 0, ""},
        {"aa", "a", 0, ""},  // the appended separator pairs with the end
    };
    for (const auto& [separateur, texte, numero, attendu] : champs) {
        EXPECT_EQ(ChampNumero(separateur, texte, numero), attendu) << texte << " " << numero;
    }
    EXPECT_EQ(PremierCaractere("été") + DernierCaractere("été") + SansPremierCaractere("été"),
              "éété");
    EXPECT_EQ(PremierCaractere("") + DernierCaractere("") + SansPremierCaractere("x"), "");
    EXPECT_EQ(DernierCaractere("dossier/"), "/");
    const std::pair<const char*, const char*> extensions[] = {
        {"photo.jpg", "photo"},
        {"a.b.jpg", "a.b"},
        {"photo", "photo"},
        {"photo.", "photo"},
        {"a.b.", "a.b"},
        {"/vacances.2024/photo", "/vacances.2024/photo"},
        {"/vacances.2024/photo.jpg", "/vacances.2024/photo"}};
    for (const auto& [nom, attendu] : extensions) EXPECT_EQ(SansExtension(nom), attendu) << nom;
    EXPECT_EQ(BooleenVersChaine(true) + BooleenVersChaine(false), "truefalse");
    EXPECT_EQ(LecteurCourant(), "");
    EXPECT_EQ(NombreOccurrences("/", "/a/b/"), 3);
    EXPECT_EQ(NombreOccurrences("aa", "aaaa"), 2);
    EXPECT_EQ(NombreOccurrences("aa", "aaa"), 1);
    EXPECT_EQ(NombreOccurrences("", "abc"), 0);
    for (const char* yes : {"True", "TRUE", "true", "tRuE"}) EXPECT_TRUE(ChaineVersBooleen(yes));
    for (const char* no : {"1", "yes", "", "true ", "false"}) EXPECT_FALSE(ChaineVersBooleen(no));
}

TEST(Outils, FoldersExistIgnoringOneTrailingSlashAndAreMadeButTheFirstLevel) {
    TempDir dir;
    WriteFile(dir / "file", "x");
    EXPECT_TRUE(DossierExiste(dir.Path()) && DossierExiste(dir.Path() + "/"));
    EXPECT_TRUE(ExisteDossier(dir.Path() + "/"));
    EXPECT_TRUE(DossierExiste("/") && DossierExiste(""));
    EXPECT_FALSE(DossierExiste(dir / "file") || DossierExiste(dir / "missing"));

    fs::create_directory(dir / "a");
    EXPECT_TRUE(CreeDossiers(dir / "a/b/c"));
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
    EXPECT_TRUE(CreeDossiers(dir / "a/b/c/"));
    EXPECT_TRUE(CreeDossiers(""));
    // A level that is a file stops the creations.
    EXPECT_FALSE(CreeDossiers(dir / "file/x/y"));
    EXPECT_FALSE(fs::exists(dir / "file/x"));

    // A relative path: its first component is never created.
    const fs::path saved = fs::current_path();
    fs::current_path(dir.Path());
    const bool relative_missing_first = CreeDossiers("top/sub");
    const bool first_created = fs::exists("top");
    fs::create_directory("top");
    const bool relative_existing_first = CreeDossiers("top/sub/leaf");
    fs::current_path(saved);
    EXPECT_FALSE(relative_missing_first || first_created);
    EXPECT_TRUE(relative_existing_first);
    EXPECT_TRUE(fs::is_directory(dir / "top/sub/leaf"));
}

TEST(Outils, DossierSpecialReadsTheDesktopSessionsFolders) {
    TempDir dir;
    const ScopedEnv home("HOME", "/home/anne");
    const ScopedEnv config("XDG_CONFIG_HOME", dir.Path());
    EXPECT_EQ(DossierSpecial(kDossierBureau), "/home/anne/Desktop");  // no list yet
    WriteFile(dir / "user-dirs.dirs",
              "# written by the session\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
              "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_PICTURES_DIR=\"/data/Images \\\"2024\\\"/\"\n"
              "XDG_DOCUMENTS_DIR=\"$HOME/\"\n");
    EXPECT_EQ(DossierSpecial(kDossierBureau), "/home/anne/Bureau");
    EXPECT_EQ(DossierSpecial(0), "/home/anne/Bureau");
    EXPECT_EQ(DossierSpecial(kDossierImages), "/data/Images \"2024\"");
    EXPECT_EQ(DossierSpecial(kDossierDocuments), "/home/anne");
    EXPECT_EQ(DossierSpecial(kDossierPersonnel), "/home/anne");
    EXPECT_EQ(DossierSpecial(7), "");
}

TEST(Outils, FixeDateFichierNeedsAFileThatOpensForWriting) {
    TempDir dir;
    const std::string path = dir / "photo.jpg";
    WriteFile(path, "content");
    FixeDateFichier(path, {1117540800, 0});
    EXPECT_EQ(platform::ModificationTime(path), (platform::FileTime{1117540800, 0}));
    EXPECT_EQ(ReadText(path), "content");
    for (const std::string& bad : {dir / "missing.jpg", dir.Path()}) {
        EXPECT_EQ(ErrorText([&] {
                      FixeDateFichier(bad, {0, 0});
                  }),
                  "Erreur de vérification d'étendue")
            << bad;
    }
}

}  // namespace
}  // namespace components
