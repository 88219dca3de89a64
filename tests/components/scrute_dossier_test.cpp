#include "components/scrute_dossier.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_support.h"

namespace components {
namespace {

namespace fs = std::filesystem;
using testing_support::MakeDirs;
using testing_support::TempDir;
using testing_support::WriteFile;

using Events = std::vector<std::string>;

// Binds every event of a scanner and writes them down, paths relative to a
// root folder.
class Recorder {
public:
    Recorder(TScruteDossier& scanner, std::string root) : root_(std::move(root)) {
        scanner.OnExecute = [this](TScruteDossier&) { events.push_back("debut"); };
        scanner.OnFinExecute = [this](TScruteDossier&) { events.push_back("fin"); };
        scanner.OnFichier = [this](TScruteDossier&, const std::string& nom) {
            events.push_back("F " + Relative(nom));
        };
        scanner.OnDossier = [this](TScruteDossier&, const std::string& nom) {
            events.push_back("D " + Relative(nom));
        };
    }

    Events events;

private:
    std::string Relative(const std::string& path) const {
        return path.starts_with(root_ + "/") ? path.substr(root_.size() + 1) : path;
    }
    std::string root_;
};

// A holds a1.jpg and the sub-folders B (b1.jpg, with T holding t.jpg) and C (c1.jpg).
void MakeTree(const TempDir& dir) {
    MakeDirs(dir / "B/T");
    MakeDirs(dir / "C");
    WriteFile(dir / "a1.jpg", "a");
    WriteFile(dir / "B/b1.jpg", "b");
    WriteFile(dir / "B/T/t.jpg", "t");
    WriteFile(dir / "C/c1.jpg", "c");
}

Events Scan(const TempDir& dir, int32_t depth, bool sub_folders = true) {
    TScruteDossier scanner;
    Recorder recorder(scanner, dir.Path());
    scanner.Dossier = dir.Path();
    scanner.MaxPenetration = depth;
    scanner.SousDossier = sub_folders;
    scanner.Execute();
    return recorder.events;
}

TEST(ScruteDossier, FilesOfAFolderComeBeforeItsSubFoldersDepthFirst) {
    TempDir dir;
    MakeTree(dir);
    EXPECT_EQ(Scan(dir, 10000), (Events{"debut", "F a1.jpg", "D B", "F B/b1.jpg", "D B/T",
                                        "F B/T/t.jpg", "D C", "F C/c1.jpg", "fin"}));
    EXPECT_EQ(Scan(dir, -1), Scan(dir, 10000));
}

TEST(ScruteDossier, DepthLimitsStillReportTheFoldersMet) {
    TempDir dir;
    MakeTree(dir);
    const Events top{"debut", "F a1.jpg", "D B", "D C", "fin"};
    EXPECT_EQ(Scan(dir, 0), top);
    EXPECT_EQ(Scan(dir, 10000, false), top);
    EXPECT_EQ(Scan(dir, 1), (Events{"debut", "F a1.jpg", "D B", "F B/b1.jpg", "D B/T", "D C",
                                    "F C/c1.jpg", "fin"}));
}

TEST(ScruteDossier, MasksAreSearchedInTheirOrderIgnoringCase) {
    TempDir dir;
    for (const char* name :
         {"x.bmp", "a.gif", "b.JPG", "c.jpg", "README", ".cache.jpg", "d.jpeg"}) {
        WriteFile(dir / name, "x");
    }
    MakeDirs(dir / "sub.jpg");
    TScruteDossier scanner;
    Recorder recorder(scanner, dir.Path());
    scanner.Dossier = dir.Path();
    const auto run = [&](const std::string& filter) {
        recorder.events.clear();
        scanner.Filtre = filter;
        scanner.Execute();
        return recorder.events;
    };
    EXPECT_EQ(run("*.jpg;*.gif;*.bmp"), (Events{"debut", "F .cache.jpg", "F b.JPG", "F c.jpg",
                                                "F a.gif", "F x.bmp", "D sub.jpg", "fin"}));
    EXPECT_EQ(run("*.jpg;*.gif;*.bmp;"), run("*.jpg;*.gif;*.bmp"));
    EXPECT_EQ(run("c.*;;*.GIF"), (Events{"debut", "F c.jpg", "F a.gif", "D sub.jpg", "fin"}));
    EXPECT_EQ(run("c.jpg;C.JPG"), (Events{"debut", "F c.jpg", "F c.jpg", "D sub.jpg", "fin"}));
    EXPECT_EQ(run(""), (Events{"debut", "D sub.jpg", "fin"}));
    EXPECT_EQ(run("*.*").size(), 10u);  // every file, README included, and the folder
}

TEST(ScruteDossier, AMissingFolderYieldsOnlyTheRunEvents) {
    TempDir dir;
    TScruteDossier scanner;
    Recorder recorder(scanner, dir.Path());
    scanner.Dossier = dir / "missing";
    scanner.Execute();
    EXPECT_EQ(recorder.events, (Events{"debut", "fin"}));
}

TEST(ScruteDossier, OneTrailingSlashIsDropped) {
    TempDir dir;
    WriteFile(dir / "a.jpg", "a");
    TScruteDossier scanner;
    std::vector<std::string> paths;
    scanner.OnFichier = [&](TScruteDossier&, const std::string& nom) { paths.push_back(nom); };
    scanner.Dossier = dir.Path() + "/";
    scanner.Execute();
    scanner.Dossier = dir.Path() + "//";
    scanner.Execute();
    EXPECT_EQ(paths, (std::vector<std::string>{dir / "a.jpg", dir.Path() + "//a.jpg"}));

    // The root is walked with paths "/name".
    std::vector<std::string> folders;
    scanner.OnDossier = [&](TScruteDossier&, const std::string& nom) { folders.push_back(nom); };
    scanner.Dossier = "/";
    scanner.Filtre = "";
    scanner.SousDossier = false;
    scanner.Execute();
    EXPECT_NE(std::find(folders.begin(), folders.end(), "/tmp"), folders.end());
}

TEST(ScruteDossier, AHandlersExceptionEndsTheRunWithoutItsLastEvent) {
    TempDir dir;
    MakeTree(dir);
    TScruteDossier scanner;
    Recorder recorder(scanner, dir.Path());
    scanner.Dossier = dir.Path();
    scanner.OnDossier = [](TScruteDossier& sender, const std::string&) {
        EXPECT_TRUE(sender.EnCours());
        throw std::runtime_error("stop");
    };
    EXPECT_THROW(scanner.Execute(), std::runtime_error);
    EXPECT_EQ(recorder.events, (Events{"debut", "F a1.jpg"}));
    EXPECT_FALSE(scanner.EnCours());
}

TEST(ScruteDossier, ARunStartedByAHandlerCompletesInsideTheFirst) {
    TempDir dir;
    MakeTree(dir);
    TempDir other;
    WriteFile(other / "o.gif", "o");
    TScruteDossier scanner;
    Recorder recorder(scanner, dir.Path());
    scanner.Dossier = dir.Path();
    scanner.SousDossier = false;
    bool started = false;
    const auto outer = scanner.OnFichier;
    scanner.OnFichier = [&](TScruteDossier& sender, const std::string& nom) {
        outer(sender, nom);
        if (started) return;
        started = true;
        sender.Dossier = other.Path();
        sender.Filtre = "*.gif";
        sender.Execute();
    };
    scanner.Execute();
    // The first run keeps the settings it started with.
    EXPECT_EQ(recorder.events, (Events{"debut", "F a1.jpg", "debut", "F " + (other / "o.gif"),
                                       "fin", "D B", "D C", "fin"}));
}

TEST(ScruteDossier, ASupersededRunRaisesNothingMore) {
    TempDir dir;
    MakeTree(dir);
    TempDir other;
    WriteFile(other / "o.jpg", "o");
    TScruteDossier scanner;
    Recorder recorder(scanner, dir.Path());
    scanner.Dossier = dir.Path();
    // A new folder load while the scan runs, as the slideshow does it.
    bool reloaded = false;
    const auto outer = scanner.OnFichier;
    scanner.OnFichier = [&](TScruteDossier& sender, const std::string& nom) {
        outer(sender, nom);
        if (reloaded) return;
        reloaded = true;
        sender.Abandonne();
        EXPECT_FALSE(sender.EnCours());
        sender.Dossier = other.Path();
        sender.Execute();
    };
    scanner.Execute();
    EXPECT_EQ(recorder.events,
              (Events{"debut", "F a1.jpg", "debut", "F " + (other / "o.jpg"), "fin"}));
    EXPECT_FALSE(scanner.EnCours());

    // Superseded from the application's pending work, between entries.
    recorder.events.clear();
    scanner.OnFichier = outer;
    scanner.Dossier = dir.Path();
    int calls = 0;
    scanner.TraiteMessages = [&] {
        ++calls;
        scanner.Abandonne();
    };
    scanner.Execute();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(recorder.events, (Events{"debut"}));
}

TEST(ScruteDossier, LinksToFoldersAreFollowedButNeverRoundALoop) {
    TempDir dir;
    TempDir outside;
    WriteFile(outside / "x.jpg", "x");
    MakeDirs(dir / "sub");
    WriteFile(dir / "sub/s.jpg", "s");
    fs::create_directory_symlink(dir.Path(), dir / "sub/back");
    fs::create_directory_symlink(outside.Path(), dir / "ext");
    fs::create_symlink(dir / "nowhere.jpg", dir / "dangling.jpg");
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(Scan(dir, -1), (Events{"debut", "D ext", "F ext/x.jpg", "D sub", "F sub/s.jpg",
                                     "D sub/back", "fin"}));
}

TEST(ScruteDossier, AHandlerRenamingFilesSeesEachFileOnce) {
    TempDir dir;
    for (int i = 0; i < 300; ++i) WriteFile(dir / ("p" + std::to_string(i) + ".jpg"), "x");
    TScruteDossier scanner;
    scanner.Dossier = dir.Path();
    scanner.Filtre = "*.jpg";
    std::set<std::string> seen;
    int events = 0;
    scanner.OnFichier = [&](TScruteDossier&, const std::string& nom) {
        ++events;
        seen.insert(nom);
        const std::string name = fs::path(nom).filename().string();
        fs::rename(nom, dir / ("z" + name));
    };
    scanner.Execute();
    EXPECT_EQ(events, 300);
    EXPECT_EQ(seen.size(), 300u);
}

TEST(ScruteDossier, ReportsWhatFindReports) {
    // A tree of mixed names and cases; find(1) tells which files match.
    TempDir dir;
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
    TScruteDossier scanner;
    scanner.Dossier = dir.Path();
    scanner.Filtre = "*.jpg;*.gif;*.bmp";
    std::vector<std::string> reported;
    scanner.OnFichier = [&](TScruteDossier&, const std::string& nom) { reported.push_back(nom); };
    scanner.Execute();

    std::string oracle;
    ASSERT_EQ(testing_support::Run("find " + testing_support::ShellQuote(dir.Path()) +
                                       " -type f \\( -iname '*.jpg' -o -iname '*.gif' -o -iname "
                                       "'*.bmp' \\)",
                                   &oracle),
              0);
    std::multiset<std::string> expected;
    std::istringstream lines(oracle);
    for (std::string line; std::getline(lines, line);) expected.insert(line);
    EXPECT_EQ(std::multiset<std::string>(reported.begin(), reported.end()), expected);
}

}  // namespace
}  // namespace components
