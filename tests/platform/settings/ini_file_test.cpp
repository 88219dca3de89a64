#include "platform/settings/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/core/error.h"
#include "platform/core/files.h"
#include "test_support.h"

namespace platform {
namespace {

using namespace testing_support;

TEST(IniFile, FindsSectionsAndKeysIgnoringCaseAndKeepsValuesRaw) {
    const IniFile ini("x.ini",
                      "orphan=1\r\n"
                      "[FormOptions]\r\n"
                      "EditDossier= /home/moi/à trier \r\n"
                      "  Formule  =a=b\r\n"
                      "; Commentaire=1\r\n"
                      "Vide=\r\n"
                      "[Entête seule]\r\n"
                      "[ÉTÉ]\n"
                      "clé=ok");
    EXPECT_EQ(ini.ReadString("formoptions", "EDITDOSSIER", "?"), " /home/moi/à trier ");
    EXPECT_EQ(ini.ReadString("FormOptions", "formule", "?"), "a=b");
    EXPECT_TRUE(ini.ValueExists("FormOptions", "Vide"));
    EXPECT_EQ(ini.ReadString("FormOptions", "Vide", "?"), "");
    EXPECT_FALSE(ini.ValueExists("FormOptions", "; Commentaire"));
    EXPECT_EQ(ini.ReadString("été", "CLÉ", "?"), "ok");
    EXPECT_EQ(ini.ReadString("FormOptions", "absente", "défaut"), "défaut");
    // A key before the first section belongs to none; a header alone is no section.
    EXPECT_FALSE(ini.ValueExists("", "orphan"));
    EXPECT_TRUE(ini.SectionExists("FORMOPTIONS"));
    EXPECT_FALSE(ini.SectionExists("Entête seule"));
    EXPECT_FALSE(ini.SectionExists("Absente"));
}

TEST(IniFile, ReadsIntegersAndBooleansAsTheClassLibraryDoes) {
    const std::pair<const char*, int32_t> accepted[] = {{"31", 31},
                                                        {"-12", -12},
                                                        {"+7", 7},
                                                        {"  5", 5},
                                                        {"$1F", 31},
                                                        {"0x1F", 31},
                                                        {"0X1f", 31},
                                                        {"-$10", -16},
                                                        {"$FFFFFFFF", -1},
                                                        {"0", 0},
                                                        {"2147483647", 2147483647},
                                                        {"-2147483648", -2147483647 - 1}};
    const char* const refused[] = {"abc", "",   "12 ",        "1.5",         "$",         "0x",
                                   "--1", "$G", "2147483648", "-2147483649", "$100000000"};
    for (const auto& [text, value] : accepted) {
        EXPECT_EQ(ParseInteger(text), value) << text;
        const IniFile ini("x.ini", std::string("[S]\nK=") + text + "\n");
        EXPECT_EQ(ini.ReadInteger("S", "K", 99), value) << text;
        EXPECT_EQ(ini.ReadBool("S", "K", true), value != 0) << text;
    }
    for (const char* text : refused) {
        EXPECT_EQ(ParseInteger(text), std::nullopt) << text;
        const IniFile ini("x.ini", std::string("[S]\nK=") + text + "\n");
        EXPECT_EQ(ini.ReadInteger("S", "K", 99), 99) << text;
        EXPECT_TRUE(ini.ReadBool("S", "K", true)) << text;
        EXPECT_FALSE(ini.ReadBool("S", "K", false)) << text;
    }
}

TEST(IniFile, CutsAValueReadBackToItsFirst2047Characters) {
    std::string long_value;
    for (int i = 0; i < 2100; ++i) long_value += "é";
    IniFile ini("x.ini", "");
    ini.WriteString("S", "K", long_value);
    const std::string read = ini.ReadString("S", "K", "");
    EXPECT_EQ(read.size(), 2047u * 2u);
    EXPECT_EQ(read, long_value.substr(0, 2047u * 2u));
    // The whole value stays in the file.
    EXPECT_NE(ini.Text().find(long_value), std::string::npos);
}

TEST(IniFile, WritesInPlaceKeepsEveryOtherLineAndAppendsNewSections) {
    IniFile ini("x.ini",
                "; réglages\r\n"
                "[FormOptions]\r\n"
                "Inconnue=gardée\r\n"
                "SpinEdit=20\r\n"
                "\r\n"
                "[Autre]\r\n"
                "L0=un\n");
    ini.WriteInteger("formoptions", "SPINEDIT", 55);
    ini.WriteBool("FormOptions", "CheckBox", false);
    ini.WriteString("FormNeuve", "Edit", "a\r\nb\nc\rd");
    ini.WriteString("FormNeuve", "Edit2", "[Piège]");
    EXPECT_EQ(ini.Text(),
              "; réglages\r\n"
              "[FormOptions]\r\n"
              "Inconnue=gardée\r\n"
              "SPINEDIT=55\n"
              "CheckBox=0\n"
              "\r\n"
              "[Autre]\r\n"
              "L0=un\n"
              "\n"
              "[FormNeuve]\n"
              "Edit=a b c d\n"
              "Edit2=[Piège]\n");
    // The value with line breaks stays one value; nothing else was made of it.
    const IniFile again("x.ini", ini.Text());
    EXPECT_EQ(again.ReadString("FormNeuve", "Edit", ""), "a b c d");
    EXPECT_FALSE(again.SectionExists("Piège"));

    ini.EraseSection("AUTRE");
    ini.WriteString("Autre", "L0", "deux");
    EXPECT_EQ(ini.Text(),
              "; réglages\r\n"
              "[FormOptions]\r\n"
              "Inconnue=gardée\r\n"
              "SPINEDIT=55\n"
              "CheckBox=0\n"
              "\n"
              "[FormNeuve]\n"
              "Edit=a b c d\n"
              "Edit2=[Piège]\n"
              "\n"
              "[Autre]\n"
              "L0=deux\n");

    // A key goes under a header that has none.
    IniFile headers("x.ini", "[Vide]\n[Pleine]\nA=1\n");
    headers.WriteString("vide", "B", "2");
    EXPECT_EQ(headers.Text(), "[Vide]\nB=2\n[Pleine]\nA=1\n");
}

TEST(IniFile, UpdateFileWritesTheFileAndMakesItsFolder) {
    TempDir dir;
    const std::string name = dir / "config/sous/visualisateur.ini";
    IniFile absent(name);
    EXPECT_FALSE(absent.SectionExists("S"));
    absent.WriteString("S", "K", "v");
    absent.UpdateFile();
    EXPECT_EQ(ReadText(name), "[S]\nK=v\n");
    EXPECT_EQ(IniFile(name).ReadString("s", "k", ""), "v");

    // Under a plain file no folder can be made: the write fails, loudly.
    WriteFile(dir / "fichier", "x");
    IniFile blocked(dir / "fichier/visualisateur.ini");
    blocked.WriteString("S", "K", "v");
    EXPECT_THROW(blocked.UpdateFile(), Error);
}

TEST(IniFile, ReadsOnlyAPlainFileOfAtMostOneMebibyteAndLeavesAnythingElseAsItIs) {
    TempDir dir;
    const std::string reglages = "[S]\nK=v\n";
    // A link to a plain file is read, and written through.
    WriteFile(dir / "vrai.ini", reglages);
    std::filesystem::create_symlink(dir / "vrai.ini", dir / "lien.ini");
    IniFile lien(dir / "lien.ini");
    EXPECT_EQ(lien.ReadString("S", "K", ""), "v");
    lien.WriteString("S", "K", "w");
    lien.UpdateFile();
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "lien.ini"));
    EXPECT_EQ(ReadText(dir / "vrai.ini"), "[S]\nK=w\n");

    // Exactly 1 MiB is still a settings file; one byte more is not.
    const std::string limite = reglages + std::string((1u << 20) - reglages.size(), ';');
    WriteFile(dir / "limite.ini", limite);
    EXPECT_EQ(IniFile(dir / "limite.ini").ReadString("S", "K", ""), "v");
    WriteFile(dir / "gros.ini", limite + ";");
    ASSERT_EQ(mkfifo((dir / "tube.ini").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "zero.ini");
    std::filesystem::create_directory(dir / "dossier.ini");
    for (const char* nom : {"gros.ini", "tube.ini", "zero.ini", "dossier.ini"}) {
        const std::string chemin = dir / nom;
        const auto avant = std::filesystem::symlink_status(chemin).type();
        IniFile ini(chemin);
        EXPECT_FALSE(ini.SectionExists("S")) << nom;
        EXPECT_EQ(ini.ReadInteger("S", "K", 7), 7) << nom;
        ini.WriteString("S", "K", "w");
        EXPECT_THROW(ini.UpdateFile(), Error) << nom;
        EXPECT_EQ(std::filesystem::symlink_status(chemin).type(), avant) << nom;
    }
    EXPECT_EQ(ReadText(dir / "gros.ini"), limite + ";");
}

TEST(SettingsFileName, IsTheProgramNameInTheConfigFolder) {
    {
        const ScopedEnv config("XDG_CONFIG_HOME", "/tmp/conf/");
        EXPECT_EQ(SettingsFileName(), "/tmp/conf/settings_tests.ini");
    }
    // A relative folder is no config folder.
    const ScopedEnv config("XDG_CONFIG_HOME", "relatif");
    EXPECT_EQ(SettingsFileName(), HomeDirectory() + "/.config/settings_tests.ini");
}

}  // namespace
}  // namespace platform
