#include "components/scrute_dossier.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <stdexcept>

#include "test_support.h"

namespace components {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

using Events = std::vector<std::string>;

// A scanner of a scratch folder whose events are written down, paths
// relative to that folder.
class ScruteDossier : public ::testing::Test {
protected:
    ScruteDossier() {
        scanner.Dossier = dir.Path();
        scanner.OnExecute = [this](TScruteDossier&) { events.push_back("debut"); };
        scanner.OnFinExecute = [this](TScruteDossier&) { events.push_back("fin"); };
        scanner.OnFichier = [this](TScruteDossier&, const std::string& nom) {
            events.push_back("F " + Relative(nom));
        };
        scanner.OnDossier = [this](TScruteDossier&, const std::string& nom) {
            events.push_back("D " + Relative(nom));
        };
    }

    // The folder holds a1.jpg and the sub-folders B (b1.jpg, with T holding
    // t.jpg) and C (c1.jpg).
    void MakeTree() {
        MakeDirs(dir / "B/T");
        MakeDirs(dir / "C");
        for (const char* name : {"a1.jpg", "B/b1.jpg", "B/T/t.jpg", "C/c1.jpg"}) {
            WriteFile(dir / name, "x");
        }
    }

    Events Scan(int32_t depth = -1, bool sub_folders = true) {
        events.clear();
        scanner.MaxPenetration = depth;
        scanner.SousDossier = sub_folders;
        scanner.Execute();
        return events;
    }

    std::string Relative(const std::string& path) const {
        return path.starts_with(dir.Path() + "/") ? path.substr(dir.Path().size() + 1) : path;
    }

    TempDir dir;
    TScruteDossier scanner;
    Events events;
};

TEST_F(ScruteDossier, FilesComeBeforeSubFoldersDepthFirstAndLimitsStillReportTheFoldersMet) {
    MakeTree();
    EXPECT_EQ(Scan(10000), (Events{"debut", "F a1.jpg", "D B", "F B/b1.jpg", "D B/T", "F B/T/t.jpg",
                                   "D C", "F C/c1.jpg", "fin"}));
    EXPECT_EQ(Scan(-1), Scan(10000));
    const Events top{"debut", "F a1.jpg", "D B", "D C", "fin"};
    EXPECT_EQ(Scan(0), top);
    EXPECT_EQ(Scan(10000, false), top);
    EXPECT_EQ(Scan(1), (Events{"debut", "F a1.jpg", "D B", "F B/b1.jpg", "D B/T", "D C",
                               "F C/c1.jpg", "fin"}));
}

TEST_F(ScruteDossier, MasksAreSearchedInTheirOrderIgnoringCase) {
    for (const char* name :
         {"x.bmp", "a.gif", "b.JPG", "c.jpg", "README", ".cache.jpg", "d.jpeg"}) {
        WriteFile(dir / name, "x");
    }
    MakeDirs(dir / "sub.jpg");
    const auto run = [&](const std::string& filter) {
        scanner.Filtre = filter;
        return Scan();
    };
    EXPECT_EQ(run("*.jpg;*.gif;*.bmp"), (Events{"debut", "F .cache.jpg", "F b.JPG", "F c.jpg",
                                                "F a.gif", "F x.bmp", "D sub.jpg", "fin"}));
    EXPECT_EQ(run("*.jpg;*.gif;*.bmp;"), run("*.jpg;*.gif;*.bmp"));
    EXPECT_EQ(run("c.*;;*.GIF"), (Events{"debut", "F c.jpg", "F a.gif", "D sub.jpg", "fin"}));
    // A file two masks match comes twice.
    EXPECT_EQ(run("c.jpg;C.JPG"), (Events{"debut", "F c.jpg", "F c.jpg", "D sub.jpg", "fin"}));
    EXPECT_EQ(run(""), (Events{"debut", "D sub.jpg", "fin"}));
    EXPECT_EQ(run("*.*").size(), 10u);  // every file, README included, and the folder
}

TEST_F(ScruteDossier, OneTrailingSlashIsDroppedAndAMissingFolderYieldsOnlyTheRunEvents) {
    scanner.Dossier = dir / "missing";
    EXPECT_EQ(Scan(), (Events{"debut", "fin"}));
    WriteFile(dir / "a.jpg", "a");
    scanner.Dossier = dir.Path() + "/";
    EXPECT_EQ(Scan(), (Events{"debut", "F a.jpg", "fin"}));
    scanner.Dossier = dir.Path() + "//";
    EXPECT_EQ(Scan(), (Events{"debut", "F /a.jpg", "fin"}));

    // The root is walked with paths "/name".
    scanner.Dossier = "/";
    scanner.Filtre = "";
    const Events root = Scan(-1, false);
    EXPECT_NE(std::find(root.begin(), root.end(), "D /tmp"), root.end());
}

TEST_F(ScruteDossier, AHandlersExceptionEndsTheRunWithoutItsLastEvent) {
    MakeTree();
    scanner.OnDossier = [](TScruteDossier& sender, const std::string&) {
        EXPECT_TRUE(sender.EnCours());
        throw std::runtime_error("stop");
    };
    EXPECT_THROW(scanner.Execute(), std::runtime_error);
    EXPECT_EQ(events, (Events{"debut", "F a1.jpg"}));
    EXPECT_FALSE(scanner.EnCours());
}

TEST_F(ScruteDossier, ARunStartedByAHandlerCompletesInsideTheFirst) {
    MakeTree();
    TempDir other;
    WriteFile(other / "o.gif", "o");
    const auto outer = scanner.OnFichier;
    scanner.OnFichier = [&](TScruteDossier& sender, const std::string& nom) {
        outer(sender, nom);
        if (sender.Dossier == other.Path()) return;
        sender.Dossier = other.Path();
        sender.Filtre = "*.gif";
        sender.Execute();
    };
    // The first run keeps the settings it started with.
    EXPECT_EQ(Scan(-1, false), (Events{"debut", "F a1.jpg", "debut", "F " + (other / "o.gif"),
                                       "fin", "D B", "D C", "fin"}));
}

TEST_F(ScruteDossier, ASupersededRunRaisesNothingMore) {
    MakeTree();
    TempDir other;
    WriteFile(other / "o.jpg", "o");
    // A new folder load while the scan runs, as the slideshow does it.
    const auto outer = scanner.OnFichier;
    scanner.OnFichier = [&](TScruteDossier& sender, const std::string& nom) {
        outer(sender, nom);
        if (sender.Dossier == other.Path()) return;
        sender.Abandonne();
        EXPECT_FALSE(sender.EnCours());
        sender.Dossier = other.Path();
        sender.Execute();
    };
    EXPECT_EQ(Scan(), (Events{"debut", "F a1.jpg", "debut", "F " + (other / "o.jpg"), "fin"}));
    EXPECT_FALSE(scanner.EnCours());

    // Superseded from the application's pending work, between entries.
    scanner.OnFichier = outer;
    scanner.Dossier = dir.Path();
    int calls = 0;
    scanner.TraiteMessages = [&] {
        ++calls;
        scanner.Abandonne();
    };
    EXPECT_EQ(Scan(), (Events{"debut"}));
    EXPECT_EQ(calls, 1);
}

TEST_F(ScruteDossier, LinksToFoldersAreFollowedButNeverRoundALoop) {
    TempDir outside;
    WriteFile(outside / "x.jpg", "x");
    MakeDirs(dir / "sub");
    WriteFile(dir / "sub/s.jpg", "s");
    fs::create_directory_symlink(dir.Path(), dir / "sub/back");
    fs::create_directory_symlink(outside.Path(), dir / "ext");
    fs::create_symlink(dir / "nowhere.jpg", dir / "dangling.jpg");
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(Scan(), (Events{"debut", "D ext", "F ext/x.jpg", "D sub", "F sub/s.jpg", "D sub/back",
                              "fin"}));
}

// Trees of links where every real folder holds one picture: the scan must
// list each picture once and so enter as many folders as there are distinct
// ones. Python tells which folders a walk reaches, by their resolved paths,
// leaving out those that hold the start.
class ArbreDeLiens : public ScruteDossier {
protected:
    void Dossier(const std::string& chemin) {
        MakeDirs(chemin);
        WriteFile(chemin + "/m.jpg", "x");
    }
    void Lien(const std::string& cible, const std::string& lien) {
        fs::create_directory_symlink(cible, lien);
    }

    // Scans from `depart` and checks the pictures against python's walk.
    void Verifie(const std::string& depart, size_t dossiers_attendus) {
        std::vector<std::string> listes;
        scanner.Dossier = depart;
        scanner.Filtre = "*.jpg;*.gif;*.bmp";
        scanner.OnFichier = [&](TScruteDossier&, const std::string& nom) {
            listes.push_back(fs::canonical(nom));
        };
        scanner.Execute();
        std::sort(listes.begin(), listes.end());
        EXPECT_EQ(listes.size(), dossiers_attendus);
        REQUIRE_PROGRAM("python3");
        const std::vector<std::string> lignes = Split(Output("python3 -c " + ShellQuote(R"(
import os, sys
start = os.path.realpath(sys.argv[1])
holders, p = set(), start
while os.path.dirname(p) != p:
    p = os.path.dirname(p)
    holders.add(p)
seen, pictures, todo = set(), [], [start]
while todo:
    d = todo.pop()
    if d in seen or d in holders:
        continue
    seen.add(d)
    for e in os.scandir(d):
        if e.is_dir():
            todo.append(os.path.realpath(e.path))
        elif e.name.lower().endswith(('.jpg', '.gif', '.bmp')):
            pictures.append(os.path.join(d, e.name))
print(len(seen))
print('\n'.join(sorted(pictures)))
)") + " " + ShellQuote(depart)));
        ASSERT_FALSE(lignes.empty());
        EXPECT_EQ(lignes[0], std::to_string(dossiers_attendus));
        EXPECT_EQ(listes, std::vector<std::string>(lignes.begin() + 1, lignes.end()));
    }
};

TEST_F(ArbreDeLiens, EachFolderIsWalkedOnceHoweverManyLinksLeadToIt) {
    // 22 folders, each but the last holding two links to the next: 2^21 ways
    // down to the last one.
    const std::string s = dir / "S";
    Dossier(s);
    for (int i = 1; i <= 21; ++i) Dossier(dir / ("T/f" + std::to_string(i)));
    for (int i = 0; i < 21; ++i) {
        const std::string de = i == 0 ? s : dir / ("T/f" + std::to_string(i));
        const std::string vers = dir / ("T/f" + std::to_string(i + 1));
        Lien(vers, de + "/a");
        Lien(vers, de + "/b");
    }
    // A diamond of real folders and links inside the start.
    Dossier(s + "/g");
    Dossier(s + "/h");
    Dossier(s + "/g/commun");
    Lien(s + "/g/commun", s + "/h/aussi");
    Verifie(s, 25);
}

TEST_F(ArbreDeLiens, LinksToTheFoldersHoldingTheStartAreNotFollowed) {
    const std::string s = dir / "S";
    for (const std::string& chemin : {s, s + "/x", s + "/x/y", dir / "T", dir / "T/c"}) {
        Dossier(chemin);
    }
    Lien(s, s + "/x/y/debut");        // the start
    Lien(s + "/x", s + "/x/y/haut");  // a folder on the way down
    Lien(dir.Path(), s + "/x/parent");
    Lien("/", s + "/racine");
    Lien(fs::path(dir.Path()).parent_path(), s + "/grand-parent");
    // A folder outside, reached twice, that leads back to the start.
    Lien(dir / "T/c", s + "/x/cousin");
    Lien(dir / "T/c", s + "/x/y/cousin");
    Lien(s, dir / "T/c/retour");
    Lien(dir / "T", dir / "T/c/oncle");
    Verifie(s, 5);  // S, S/x, S/x/y, T/c, T

    // Started through a link, the scan knows where it stands.
    Lien(s, dir / "lien");
    Verifie(dir / "lien", 5);
}

TEST_F(ScruteDossier, AHandlerRenamingFilesSeesEachFileOnce) {
    for (int i = 0; i < 300; ++i) WriteFile(dir / ("p" + std::to_string(i) + ".jpg"), "x");
    scanner.Filtre = "*.jpg";
    std::set<std::string> seen;
    scanner.OnFichier = [&](TScruteDossier&, const std::string& nom) {
        seen.insert(nom);
        fs::rename(nom, dir / ("z" + fs::path(nom).filename().string()));
    };
    EXPECT_EQ(Scan().size(), 2u);
    EXPECT_EQ(seen.size(), 300u);
}

TEST_F(ScruteDossier, ReportsWhatFindReports) {
    // A tree of mixed names and cases; find(1) tells which files match.
    std::mt19937 random(7);
    const std::vector<std::string> extensions{".jpg", ".JPG", ".Gif", ".bmp", ".png", ".jpeg", ""};
    std::string folder = dir.Path();
    for (int i = 0; i < 400; ++i) {
        if (i % 60 == 59) {
            folder = dir.Path() + "/d" + std::to_string(i % 7) + (i % 2 ? "/é" : "/.h") +
                     std::to_string(i);
            MakeDirs(folder);
        }
        const std::string name = (random() % 5 == 0 ? "." : "") + std::string("n") +
                                 std::to_string(random() % 1000) + extensions[random() % 7];
        WriteFile(folder + "/" + name, "x");
    }
    scanner.Filtre = "*.jpg;*.gif;*.bmp";
    std::multiset<std::string> reported;
    scanner.OnFichier = [&](TScruteDossier&, const std::string& nom) { reported.insert(nom); };
    scanner.Execute();

    const std::vector<std::string> lines =
        Split(Output("find " + ShellQuote(dir.Path()) +
                     " -type f \\( -iname '*.jpg' -o -iname '*.gif' -o -iname '*.bmp' \\)"));
    EXPECT_EQ(reported, std::multiset<std::string>(lines.begin(), lines.end()));
}

}  // namespace
}  // namespace components
