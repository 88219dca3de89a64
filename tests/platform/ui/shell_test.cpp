#include "platform/ui/shell.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace platform::ui {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

TEST(Corbeille, AFreshAccountWithoutADataFolderStillSendsToTheTrash) {
    TempDir home;
    const ScopedEnv sans_donnees("XDG_DATA_HOME", std::nullopt);
    const ScopedEnv maison("HOME", home.Path());
    MakeDirs(home / "Images");
    const std::string photo = home / "Images/Été ici.jpg";
    WriteFile(photo, "picture bytes");

    ASSERT_TRUE(QtShell().MoveToTrash(photo));
    EXPECT_FALSE(fs::exists(photo));
    const std::string trash = home / ".local/share/Trash";
    EXPECT_EQ(ReadText(trash + "/files/Été ici.jpg"), "picture bytes");
    // The desktop finds where the file came from in its info file.
    EXPECT_NE(ReadText(trash + "/info/Été ici.jpg.trashinfo").find("Path=" + home.Path() + "/Images/"),
              std::string::npos);
    EXPECT_EQ(Output("stat -c %a " + ShellQuote(home / ".local") + " " + ShellQuote(trash)), "700\n700\n");
}

TEST(Corbeille, WithoutATrashTheFileStaysWhereItIs) {
    TempDir home;
    TempDir ici;
    WriteFile(home / "donnees", "a file where the data folder should be");
    const ScopedEnv donnees("XDG_DATA_HOME", home / "donnees");
    const std::string photo = home / "photo.jpg";
    WriteFile(photo, "picture bytes");
    const fs::path avant = fs::current_path();
    fs::current_path(ici.Path());
    const bool envoye = QtShell().MoveToTrash(photo);
    fs::current_path(avant);
    EXPECT_FALSE(envoye);
    EXPECT_EQ(ReadText(photo), "picture bytes");
    // Nothing went into the current folder in place of the trash.
    EXPECT_TRUE(fs::is_empty(ici.Path()));
}

}  // namespace
}  // namespace platform::ui
