#include "platform/core/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <stdexcept>

#include "platform/core/error.h"
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

TEST(MoveFileNoReplace, AcrossFileSystemsCopiesWithModeAndDate) {
    TempDir dir;
    struct stat here {};
    struct stat there {};
    // Shared memory is usually a file system of its own (tmpfs), apart from the
    // temporary folder.
    REQUIRE_OR_SKIP(::stat(dir.Path().c_str(), &here) == 0 && ::stat("/dev/shm", &there) == 0 &&
                        here.st_dev != there.st_dev && ::access("/dev/shm", W_OK) == 0,
                    "/dev/shm is not a second writable file system beside " + dir.Path());
    const std::string source = dir / "photo.jpg";
    WriteFile(source, "picture bytes");
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    SetModificationTime(source, {1117540800, 0});
    const std::string target = "/dev/shm/visu-move-" + std::to_string(::getpid()) + ".jpg";
    WriteFile(target, "already there");
    EXPECT_FALSE(MoveFileNoReplace(source, target));
    EXPECT_EQ(ReadFile(target), Bytes("already there"));
    ASSERT_EQ(::unlink(target.c_str()), 0);

    ASSERT_TRUE(MoveFileNoReplace(source, target));
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(ReadFile(target), Bytes("picture bytes"));
    EXPECT_EQ(ModeOf(target), 0640u);
    EXPECT_EQ(ModificationTime(target), (FileTime{1117540800, 0}));
    ::unlink(target.c_str());
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
