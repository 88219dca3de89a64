#include "platform/core/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <thread>

#include "platform/core/error.h"
#include "platform/core/stream.h"
#include "test_support.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

size_t EntryCount(const std::string& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

// True when the folder's file system makes unnamed files, on which a killed
// writer leaves nothing behind.
bool MakesUnnamedFiles(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

// The size of the process's open file that has no name and lies on the same
// file system as `folder`; -1 when there is none.
int64_t UnnamedOpenFileSize(const std::string& folder) {
    struct stat where {};
    if (::stat(folder.c_str(), &where) != 0) return -1;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_nlink == 0 && info.st_dev == where.st_dev) {
            return info.st_size;
        }
    }
    return -1;
}

// What the system's own tools say of a file's owner, group and mode, its
// extended attributes and its ACL, without the lines that name the file.
std::string Attributes(const std::string& path) {
    std::string text = Output("stat -c '%u:%g %a' " + ShellQuote(path));
    std::string dump;
    testing_support::Run(
        "getfattr --absolute-names -d -m - -e hex " + ShellQuote(path) + " 2>/dev/null", &dump);
    text += dump;
    testing_support::Run("getfacl --omit-header --numeric " + ShellQuote(path) + " 2>/dev/null",
                         &dump);
    text += dump;
    std::string kept;
    for (const std::string& line : Split(text)) {
        if (!line.starts_with("# file:")) kept += line + "\n";
    }
    return kept;
}

// A folder on another file system than the temporary folder's, removed with
// its content at the end; empty when the machine has none.
class OtherFileSystemDir {
public:
    explicit OtherFileSystemDir(const std::string& here) {
        struct stat a {};
        struct stat b {};
        if (::stat(here.c_str(), &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev ||
            ::access("/dev/shm", W_OK) != 0) {
            return;
        }
        std::string pattern = "/dev/shm/visu-test-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~OtherFileSystemDir() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    OtherFileSystemDir(const OtherFileSystemDir&) = delete;
    OtherFileSystemDir& operator=(const OtherFileSystemDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Runs `work` in a child process and kills it when `wait` returns (given the
// child's id); true when the child was killed rather than done.
bool KilledWhileRunning(const std::function<void()>& work, const std::function<void()>& wait) {
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        ::_exit(0);
    }
    EXPECT_GT(child, 0);
    wait();
    ::kill(child, SIGKILL);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    EXPECT_TRUE(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << status;
    return killed;
}

TEST(WriteFileAtomic, ReplacesTheContentThroughLinksAndKeepsTheMode) {
    TempDir dir;
    const std::string path = dir / "photo.jpg";
    WriteFile(path, "old content, longer than the new one");
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    fs::create_symlink("photo.jpg", dir / "link.jpg");
    WriteFileAtomic(dir / "link.jpg", Bytes("new"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.jpg"));
    EXPECT_EQ(ReadFile(path), Bytes("new"));
    EXPECT_EQ(ModeOf(path), 0604u);
    EXPECT_EQ(EntryCount(dir.Path()), 2u);

    const mode_t old_mask = ::umask(027);
    WriteFileAtomic(dir / "new.jpg", [](Stream& out) { out.WriteBuffer("abc", 3); });
    ::umask(old_mask);
    EXPECT_EQ(ReadFile(dir / "new.jpg"), Bytes("abc"));
    EXPECT_EQ(ModeOf(dir / "new.jpg"), 0640u);
}

TEST(WriteFileAtomic, AFailureLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string path = dir / "photo.jpg";
    WriteFile(path, "precious");
    EXPECT_THROW(WriteFileAtomic(path,
                                 [](Stream& out) {
                                     out.WriteBuffer("half", 4);
                                     throw std::runtime_error("encoder failed");
                                 }),
                 std::runtime_error);
    EXPECT_EQ(ReadFile(path), Bytes("precious"));
    EXPECT_EQ(EntryCount(dir.Path()), 1u);

    EXPECT_EQ(ErrorText([&] { WriteFileAtomic(dir / "missing/photo.jpg", Bytes("x")); }),
              "Impossible de créer le fichier \"" + (dir / "missing/photo.jpg") +
                  "\". Le fichier spécifié est introuvable.");
    if (::geteuid() == 0) return;  // permissions do not stop the superuser
    const std::string locked = dir / "locked";
    fs::create_directory(locked);
    WriteFile(locked + "/photo.jpg", "kept");
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    EXPECT_THROW(WriteFileAtomic(locked + "/photo.jpg", Bytes("x")), Error);
    ASSERT_EQ(::chmod(locked.c_str(), 0755), 0);
    EXPECT_EQ(ReadFile(locked + "/photo.jpg"), Bytes("kept"));
    EXPECT_EQ(EntryCount(locked), 1u);
}

TEST(WriteFileAtomic, AReadOnlyFileIsRefusedForEveryUserUntilItsAttributeIsCleared) {
    TempDir dir;
    const std::string path = dir / "photo.jpg";
    WriteFile(path, "precious");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const FileTime date{1'000'000'000, 5};
    SetModificationTime(path, date);
    fs::create_symlink("photo.jpg", dir / "link.jpg");
    for (const std::string& name : {path, dir / "link.jpg"}) {
        EXPECT_EQ(ErrorText([&] { WriteFileAtomic(name, Bytes("x")); }),
                  "Impossible de créer le fichier \"" + name + "\". Accès refusé.");
    }
    EXPECT_EQ(ReadFile(path), Bytes("precious"));
    EXPECT_EQ(ModeOf(path), 0444u);
    EXPECT_EQ(ModificationTime(path), date);
    EXPECT_EQ(EntryCount(dir.Path()), 2u);

    ClearReadOnly(dir / "link.jpg");
    EXPECT_EQ(ModeOf(path), 0644u);
    WriteFileAtomic(path, Bytes("new"));
    EXPECT_EQ(ReadFile(path), Bytes("new"));
}

TEST(WriteFileAtomic, TheStreamWritesStraightIntoAnUnnamedFileAndSeeksBack) {
    TempDir dir;
    REQUIRE_OR_SKIP(MakesUnnamedFiles(dir.Path()), "no unnamed files in " + dir.Path());
    const std::string path = dir / "big.bmp";
    const std::vector<uint8_t> row(1000, 'r');
    WriteFileAtomic(path, [&](Stream& out) {
        out.WriteBuffer("HEADER..", 8);
        for (int i = 0; i < 2000; ++i) out.WriteBuffer(row.data(), row.size());
        // Nothing has a name yet, and the rows are in the file, not held in
        // memory: at most one buffer's worth is missing.
        EXPECT_EQ(EntryCount(dir.Path()), 0u);
        EXPECT_GE(UnnamedOpenFileSize(dir.Path()), 2000008 - 65536);
        EXPECT_EQ(out.Size(), 2000008);
        out.SetPosition(0);
        out.WriteBuffer("SIZE", 4);
        std::array<char, 4> back{};
        out.ReadBuffer(back.data(), back.size());
        EXPECT_EQ(std::string(back.data(), back.size()), "ER..");
        EXPECT_EQ(out.Seek(0, SeekOrigin::End), 2000008);
        out.WriteBuffer("END", 3);
    });
    const std::vector<uint8_t> written = ReadFileBytes(path);
    ASSERT_EQ(written.size(), 2000011u);
    EXPECT_EQ(std::string(written.begin(), written.begin() + 8), "SIZEER..");
    EXPECT_EQ(std::count(written.begin() + 8, written.end() - 3, 'r'), 2000000);
    EXPECT_EQ(std::string(written.end() - 3, written.end()), "END");
    EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST(WriteFileAtomic, AWriterKilledMidwayLeavesTheOldFileWholeAndNothingElse) {
    TempDir dir;
    REQUIRE_OR_SKIP(MakesUnnamedFiles(dir.Path()), "no unnamed files in " + dir.Path());
    const std::string path = dir / "photo.jpg";
    const std::vector<uint8_t> old_content = Bytes("the old picture, whole");
    WriteFile(path, old_content);
    constexpr size_t kChunk = size_t{1} << 16;
    constexpr int kChunks = 64;
    // Seeded, so that a failing trial can be replayed.
    std::mt19937 random(20261207);
    for (int trial = 0; trial < 50; ++trial) {
        std::array<int, 2> ticks{};
        std::array<int, 2> go{};
        ASSERT_EQ(::pipe(ticks.data()), 0);
        ASSERT_EQ(::pipe(go.data()), 0);
        // The writer tells each chunk written and waits for the go ahead. In
        // half the trials it is killed while it waits after chunk `wanted`
        // (the last one included, its bytes not yet flushed); in the other
        // half it runs free after that chunk and is killed a random moment
        // later, within the chunks that follow. It never gets the go ahead
        // after the last chunk, however slow the machine: a write allowed to
        // complete would rightly replace the file.
        const bool held = trial % 2 == 0;
        const int wanted =
            std::uniform_int_distribution<int>(0, held ? kChunks : kChunks / 2)(random);
        const auto pause =
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 500)(random));
        KilledWhileRunning(
            [&] {
                ::close(ticks[0]);
                ::close(go[1]);
                const std::vector<uint8_t> chunk(kChunk, 'n');
                WriteFileAtomic(path, [&](Stream& out) {
                    char ahead = 0;
                    for (int i = 0; i < kChunks; ++i) {
                        out.WriteBuffer(chunk.data(), chunk.size());
                        if (::write(ticks[1], "t", 1) != 1 || ::read(go[0], &ahead, 1) != 1) {
                            ::_exit(3);
                        }
                    }
                });
            },
            [&] {
                ::close(ticks[1]);
                ::close(go[0]);
                char tick = 0;
                for (int i = 0; i < wanted && ::read(ticks[0], &tick, 1) == 1; ++i) {
                    if (i + 1 < wanted || !held) {
                        if (::write(go[1], "g", 1) != 1) break;
                    }
                }
                if (held) return;
                // From here the writer no longer waits.
                for (int i = wanted; i + 1 < kChunks; ++i) {
                    if (::write(go[1], "g", 1) != 1) break;
                }
                std::this_thread::sleep_for(pause);
            });
        ::close(ticks[0]);
        ::close(go[1]);
        EXPECT_EQ(EntryCount(dir.Path()), 1u) << "trial " << trial;
        EXPECT_EQ(ReadFile(path), old_content) << "trial " << trial;
    }
}

TEST(WriteFileAtomic, KeepsOwnerExtendedAttributesAndAcl) {
    REQUIRE_PROGRAM("setfattr");
    REQUIRE_PROGRAM("setfacl");
    TempDir dir;
    const std::string path = dir / "photo.jpg";
    WriteFile(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
    }
    const bool xattrs =
        testing_support::Run("setfattr -n user.origine -v 'appareil 1' " + ShellQuote(path)) == 0;
    const bool acl = testing_support::Run("setfacl -m u:65534:rw,g:65534:r " + ShellQuote(path)) == 0;
    const std::string before = Attributes(path);
    WriteFileAtomic(path, Bytes("new"));
    EXPECT_EQ(ReadFile(path), Bytes("new"));
    EXPECT_EQ(Attributes(path), before);
    if (root) {
        EXPECT_EQ(Output("stat -c %u:%g " + ShellQuote(path)), "1234:5678\n");
    }
    if (xattrs) {
        EXPECT_EQ(
            Output("getfattr --absolute-names --only-values -n user.origine " + ShellQuote(path)),
            "appareil 1");
    }
    if (acl) {
        EXPECT_NE(Attributes(path).find("user:65534:rw-"), std::string::npos);
    }
}

TEST(WriteFileAtomic, InAFolderWithADefaultAclNewFilesInheritItAndOldOnesStayAsTheyWere) {
    TempDir dir;
    const std::string shared = dir / "partage";
    fs::create_directory(shared);
    REQUIRE_PROGRAM("setfacl");
    REQUIRE_OR_SKIP(testing_support::Run("setfacl -d -m u:65534:rw " + ShellQuote(shared)) == 0,
                    "the file system of " + shared + " keeps no ACL");
    // A new file gets what the system gives any file made there.
    Output("touch " + ShellQuote(shared + "/made-by-touch.jpg"));
    WriteFileAtomic(shared + "/new.jpg", Bytes("new"));
    EXPECT_EQ(Attributes(shared + "/new.jpg"), Attributes(shared + "/made-by-touch.jpg"));
    EXPECT_NE(Attributes(shared + "/new.jpg").find("user:65534:rw-"), std::string::npos);

    // A file whose ACL was taken away does not get the folder's back.
    const std::string plain = shared + "/plain.jpg";
    WriteFile(plain, "old");
    Output("setfacl -b " + ShellQuote(plain));
    const std::string before = Attributes(plain);
    WriteFileAtomic(plain, Bytes("new"));
    EXPECT_EQ(Attributes(plain), before);
    EXPECT_EQ(Attributes(plain).find("65534"), std::string::npos);
}

TEST(Paths, SameFileFollowsLinksAndComparesTheNormalisedTextsOfMissingPaths) {
    TempDir dir;
    WriteFile(dir / "a.jpg", "a");
    WriteFile(dir / "b.jpg", "a");
    fs::create_symlink(dir / "a.jpg", dir / "soft.jpg");
    fs::create_hard_link(dir / "a.jpg", dir / "hard.jpg");
    EXPECT_TRUE(SameFile(dir / "a.jpg", dir / "soft.jpg"));
    EXPECT_TRUE(SameFile(dir / "hard.jpg", dir / "soft.jpg"));
    EXPECT_TRUE(SameFile(dir / "a.jpg", dir.Path() + "/./sub/../a.jpg"));
    EXPECT_FALSE(SameFile(dir / "a.jpg", dir / "b.jpg"));
    EXPECT_TRUE(SameFile(dir / "gone/x.jpg", dir.Path() + "//gone/./x.jpg"));
    EXPECT_FALSE(SameFile(dir / "gone/x.jpg", dir / "gone/X.jpg"));

    const std::string cwd = CurrentDirectory();
    EXPECT_EQ(AbsolutePath("a/./b/../c"), (cwd == "/" ? "" : cwd) + "/a/c");
    EXPECT_EQ(AbsolutePath(""), cwd);
    EXPECT_EQ(AbsolutePath("/a//b/"), "/a/b/");
    EXPECT_EQ(AbsolutePath("/../.."), "/");
    EXPECT_EQ(AbsolutePath("/a/b/../../.."), "/");
}

TEST(ModificationTime, SetsAndReadsNanoseconds) {
    TempDir dir;
    const std::string path = dir / "photo.jpg";
    WriteFile(path, "x");
    SetModificationTime(path, {1117540800, 123456789});  // 2005-05-31 12:00 UTC
    EXPECT_EQ(ModificationTime(path), (FileTime{1117540800, 123456789}));
    EXPECT_EQ(Output("stat -c %Y " + ShellQuote(path)), "1117540800\n");
    EXPECT_FALSE(ModificationTime(dir / "missing").has_value());
    EXPECT_THROW(SetModificationTime(dir / "missing", {0, 0}), Error);
}

TEST(MoveFileNoReplace, RenamesButNeverOverwrites) {
    TempDir dir;
    WriteFile(dir / "a.jpg", "a");
    WriteFile(dir / "b.jpg", "b");
    EXPECT_FALSE(MoveFileNoReplace(dir / "a.jpg", dir / "b.jpg"));
    EXPECT_EQ(ReadFile(dir / "b.jpg"), Bytes("b"));
    EXPECT_TRUE(MoveFileNoReplace(dir / "a.jpg", dir / "c.jpg"));
    EXPECT_FALSE(fs::exists(dir / "a.jpg"));
    EXPECT_EQ(ReadFile(dir / "c.jpg"), Bytes("a"));
    EXPECT_FALSE(MoveFileNoReplace(dir / "a.jpg", dir / "d.jpg"));
    EXPECT_FALSE(MoveFileNoReplace(dir / "c.jpg", dir / "missing/c.jpg"));
    EXPECT_TRUE(fs::exists(dir / "c.jpg"));
}

TEST(MoveFileNoReplace, AcrossFileSystemsCopiesWithModeDateOwnerAndAttributes) {
    TempDir dir;
    const OtherFileSystemDir other(dir.Path());
    REQUIRE_OR_SKIP(!other.Path().empty(),
                    "/dev/shm is not a second writable file system beside " + dir.Path());
    const std::string source = dir / "photo.jpg";
    WriteFile(source, "picture bytes");
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    SetModificationTime(source, {1117540800, 0});
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(source.c_str(), 1234, 5678), 0);
    }
    // The other file system may keep user attributes or not: the probe says.
    REQUIRE_PROGRAM("setfattr");
    const bool xattrs =
        testing_support::Run("setfattr -n user.origine -v appareil " + ShellQuote(source)) == 0 &&
        testing_support::Run("touch " + ShellQuote(other / "probe") +
                             " && setfattr -n user.a -v b " + ShellQuote(other / "probe")) == 0;
    ::unlink((other / "probe").c_str());
    const std::string before = Attributes(source);

    const std::string target = other / "photo.jpg";
    WriteFile(target, "already there");
    EXPECT_FALSE(MoveFileNoReplace(source, target));
    EXPECT_EQ(ReadFile(target), Bytes("already there"));
    EXPECT_EQ(EntryCount(other.Path()), 1u);
    ASSERT_EQ(::unlink(target.c_str()), 0);

    ASSERT_TRUE(MoveFileNoReplace(source, target));
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(ReadFile(target), Bytes("picture bytes"));
    EXPECT_EQ(ModeOf(target), 0640u);
    EXPECT_EQ(ModificationTime(target), (FileTime{1117540800, 0}));
    if (root) {
        EXPECT_EQ(Output("stat -c %u:%g " + ShellQuote(target)), "1234:5678\n");
    }
    if (xattrs) {
        EXPECT_EQ(Attributes(target), before);
    }
    EXPECT_EQ(EntryCount(other.Path()), 1u);
}

TEST(MoveFileNoReplace, AMoveKilledAcrossFileSystemsNeverLeavesATruncatedTarget) {
    TempDir dir;
    const OtherFileSystemDir other(dir.Path());
    REQUIRE_OR_SKIP(!other.Path().empty(),
                    "/dev/shm is not a second writable file system beside " + dir.Path());
    REQUIRE_OR_SKIP(MakesUnnamedFiles(other.Path()), "no unnamed files in " + other.Path());
    const std::string source = dir / "photo.jpg";
    const std::string target = other / "photo.jpg";
    std::vector<uint8_t> content(size_t{8} << 20);
    for (size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    }
    std::mt19937 random(20261207);
    WriteFile(source, content);

    // How long one move takes here, to spread the kills over it.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(MoveFileNoReplace(source, target));
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
    ASSERT_EQ(ReadFileBytes(target), content);
    ASSERT_EQ(::unlink(target.c_str()), 0);
    WriteFile(source, content);

    int interrupted = 0;
    for (int trial = 0; trial < 30; ++trial) {
        const auto pause = std::chrono::microseconds(
            std::uniform_int_distribution<int64_t>(0, whole + whole / 5)(random));
        KilledWhileRunning([&] { MoveFileNoReplace(source, target); },
                           [&] { std::this_thread::sleep_for(pause); });
        // The target is whole or absent, and nothing else lies beside it; the
        // source is whole unless the move was complete.
        const bool moved = fs::exists(target);
        EXPECT_EQ(EntryCount(other.Path()), moved ? 1u : 0u) << "trial " << trial;
        if (moved) {
            EXPECT_EQ(ReadFileBytes(target), content) << "trial " << trial;
            ASSERT_EQ(::unlink(target.c_str()), 0);
        } else {
            ++interrupted;
        }
        if (fs::exists(source)) {
            EXPECT_EQ(ReadFileBytes(source), content) << "trial " << trial;
        } else {
            EXPECT_TRUE(moved) << "trial " << trial;
            WriteFile(source, content);
        }
    }
    EXPECT_GT(interrupted, 0);
}

TEST(ListFolder, FilesAndFoldersOnlyLinksCountingAsWhatTheyLeadTo) {
    TempDir dir;
    WriteFile(dir / "a.jpg", std::string("x"));
    WriteFile(dir / ".cachee.gif", std::string("x"));
    MakeDirs(dir / "sous");
    ASSERT_EQ(::symlink((dir / "a.jpg").c_str(), (dir / "lien.jpg").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "sous").c_str(), (dir / "lien-dossier").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "absente").c_str(), (dir / "perdu.jpg").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "tube.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::symlink((dir / "tube.jpg").c_str(), (dir / "lien-tube.jpg").c_str()), 0);
    std::map<std::string, bool> seen;
    const std::optional<FileIdentity> identity =
        ListFolder(dir.Path(), [&](std::string_view name, bool folder) {
            EXPECT_TRUE(seen.emplace(std::string(name), folder).second) << name;
        });
    const std::map<std::string, bool> expected{{"a.jpg", false},
                                               {".cachee.gif", false},
                                               {"sous", true},
                                               {"lien.jpg", false},
                                               {"lien-dossier", true}};
    EXPECT_EQ(seen, expected);
    ASSERT_TRUE(identity.has_value());
    EXPECT_EQ(identity->inode, IdentifyFile(dir.Path())->inode);
    EXPECT_FALSE(ListFolder(dir / "absente", [](std::string_view, bool) {}).has_value());
    EXPECT_FALSE(ListFolder(dir / "a.jpg", [](std::string_view, bool) {}).has_value());
}

TEST(MakeTrashFolders, AFreshAccountGetsAPrivateTrashAndItsDataFolders) {
    TempDir home;
    ASSERT_EQ(::chmod(home.Path().c_str(), 0755), 0);
    // A umask that would take the owner's own write right.
    const mode_t old_umask = ::umask(0222);
    const std::optional<std::string> trash = MakeTrashFolders(home / ".local/share/");
    ::umask(old_umask);
    ASSERT_TRUE(trash);
    EXPECT_EQ(*trash, home / ".local/share/Trash");
    // find(1) lists what was made: the home itself is left as it was.
    EXPECT_EQ(Output("cd " + ShellQuote(home.Path()) + " && find . -printf '%p %m %y\\n' | sort"),
              ". 755 d\n"
              "./.local 700 d\n"
              "./.local/share 700 d\n"
              "./.local/share/Trash 700 d\n"
              "./.local/share/Trash/files 700 d\n"
              "./.local/share/Trash/info 700 d\n");

    // A second call, and a trash the user made otherwise, change nothing.
    ASSERT_EQ(::chmod((home / ".local/share").c_str(), 0750), 0);
    EXPECT_EQ(MakeTrashFolders(home / ".local/share"), trash);
    EXPECT_EQ(ModeOf(home / ".local/share"), 0750u);
}

TEST(MakeTrashFolders, ALevelThatIsAFileIsRefused) {
    TempDir home;
    WriteFile(home / "data", "not a folder");
    EXPECT_FALSE(MakeTrashFolders(home / "data"));
    MakeDirs(home / "other/Trash");
    WriteFile(home / "other/Trash/info", "not a folder");
    EXPECT_FALSE(MakeTrashFolders(home / "other"));
    EXPECT_TRUE(fs::is_directory(home / "other/Trash/files"));
}

}  // namespace
}  // namespace platform
