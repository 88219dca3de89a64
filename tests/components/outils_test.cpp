#include "components/outils.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/core/error.h"
#include "test_support.h"

namespace components {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::WriteFile;

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(Outils, TextBeforeAndAfterASeparatorIsEmptyWhenItIsMissing) {
    EXPECT_EQ(TexteApres("=", "a=b=c"), "b=c");
    EXPECT_EQ(TexteApres("=", "abc"), "");
    EXPECT_EQ(TexteApres("=", "abc="), "");
    EXPECT_EQ(TexteApres("", "abc"), "");
    EXPECT_EQ(TexteApres("->", "a->b->c"), "b->c");
    EXPECT_EQ(TexteAvant("|", "x|y"), "x");
    EXPECT_EQ(TexteAvant("|", "xy"), "");
    EXPECT_EQ(TexteAvant("|", "|y"), "");
    EXPECT_EQ(TexteAvant("", "xy"), "");
    EXPECT_EQ(TexteAvant("Y", "xy"), "");  // case matters
    EXPECT_EQ(ChaineAvant(".", "photo.2024.jpg"), "photo");
    EXPECT_EQ(ChaineApres("/", "petites/a.jpg"), "a.jpg");
}

TEST(Outils, OccurrencesAndNumberedFields) {
    EXPECT_EQ(NombreOccurrences("/", "/a/b/"), 3);
    EXPECT_EQ(NombreOccurrences("aa", "aaaa"), 2);
    EXPECT_EQ(NombreOccurrences("aa", "aaa"), 1);
    EXPECT_EQ(NombreOccurrences("", "abc"), 0);
    EXPECT_EQ(ChampNumero("/", "C:/a/b", 0), "C:");
    EXPECT_EQ(ChampNumero("/", "C:/a/b", -3), "C:");
    EXPECT_EQ(ChampNumero("/", "C:/a/b", 2), "b");
    EXPECT_EQ(ChampNumero("/", "C:/a/b", 3), "");
    EXPECT_EQ(ChampNumero("/", "/a//b", 2), "");
    EXPECT_EQ(ChampNumero("/", "/a//b", 3), "b");
    EXPECT_EQ(ChampNumero(";", "", 0), "");
    EXPECT_EQ(ChampNumero("", "abc", 0), "");
    // The appended separator can pair with the end of the text.
    EXPECT_EQ(ChampNumero("aa", "a", 0), "");
}

TEST(Outils, CharactersAreWholeUtf8Characters) {
    EXPECT_EQ(PremierCaractere("été"), "é");
    EXPECT_EQ(DernierCaractere("été"), "é");
    EXPECT_EQ(SansPremierCaractere("été"), "té");
    EXPECT_EQ(PremierCaractere(""), "");
    EXPECT_EQ(DernierCaractere(""), "");
    EXPECT_EQ(SansPremierCaractere("x"), "");
    EXPECT_EQ(DernierCaractere("dossier/"), "/");
}

TEST(Outils, SansExtensionCutsTheLastComponentOnly) {
    EXPECT_EQ(SansExtension("photo.jpg"), "photo");
    EXPECT_EQ(SansExtension("a.b.jpg"), "a.b");
    EXPECT_EQ(SansExtension("photo"), "photo");
    EXPECT_EQ(SansExtension("photo."), "photo");
    EXPECT_EQ(SansExtension("a.b."), "a.b");
    EXPECT_EQ(SansExtension("/vacances.2024/photo"), "/vacances.2024/photo");
    EXPECT_EQ(SansExtension("/vacances.2024/photo.jpg"), "/vacances.2024/photo");
}

TEST(Outils, BooleansAsText) {
    for (const char* yes : {"True", "TRUE", "true", "tRuE"}) EXPECT_TRUE(ChaineVersBooleen(yes));
    for (const char* no : {"1", "yes", "", "true ", "false"}) EXPECT_FALSE(ChaineVersBooleen(no));
    EXPECT_EQ(BooleenVersChaine(true), "true");
    EXPECT_EQ(BooleenVersChaine(false), "false");
    EXPECT_EQ(LecteurCourant(), "");
}

TEST(Outils, FolderExistenceIgnoresOneTrailingSlash) {
    TempDir dir;
    WriteFile(dir / "f.jpg", "x");
    EXPECT_TRUE(DossierExiste(dir.Path()));
    EXPECT_TRUE(DossierExiste(dir.Path() + "/"));
    EXPECT_TRUE(ExisteDossier(dir.Path() + "/"));
    EXPECT_FALSE(DossierExiste(dir / "f.jpg"));
    EXPECT_FALSE(DossierExiste(dir / "missing"));
    EXPECT_TRUE(DossierExiste("/"));
    EXPECT_TRUE(DossierExiste(""));
}

TEST(Outils, CreeDossiersMakesEveryMissingLevelButTheFirst) {
    TempDir dir;
    fs::create_directory(dir / "a");
    EXPECT_TRUE(CreeDossiers(dir / "a/b/c"));
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
    EXPECT_TRUE(CreeDossiers(dir / "a/b/c/"));
    EXPECT_TRUE(CreeDossiers(""));

    // A level that is a file stops the creations.
    WriteFile(dir / "file", "x");
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
    EXPECT_FALSE(relative_missing_first);
    EXPECT_FALSE(first_created);
    EXPECT_TRUE(relative_existing_first);
    EXPECT_TRUE(fs::is_directory(dir / "top/sub/leaf"));
}

TEST(Outils, DossierSpecialReadsTheDesktopSessionsFolders) {
    TempDir dir;
    const ScopedEnv home("HOME", "/home/anne");
    const ScopedEnv config("XDG_CONFIG_HOME", dir.Path());
    EXPECT_EQ(DossierSpecial(kDossierBureau), "/home/anne/Desktop");  // no list yet
    WriteFile(dir / "user-dirs.dirs",
              "# written by the session\n"
              "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
              "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"
              "XDG_PICTURES_DIR=\"/data/Images \\\"2024\\\"/\"\n"
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
    EXPECT_EQ(testing_support::ReadFile(path),
              std::vector<uint8_t>({'c', 'o', 'n', 't', 'e', 'n', 't'}));
    for (const std::string& bad : {dir / "missing.jpg", dir.Path()}) {
        try {
            FixeDateFichier(bad, {0, 0});
            FAIL() << bad;
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.Kind(), platform::ErrorKind::Range);
            EXPECT_STREQ(e.what(), "Erreur de vérification d'étendue");
        }
    }
}

}  // namespace
}  // namespace components
