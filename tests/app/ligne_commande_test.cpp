#include "app/ligne_commande.h"

#include <gtest/gtest.h>

#include <set>

namespace app {
namespace {

LigneCommande Analyse(const std::vector<std::string>& arguments,
                      const std::set<std::string>& fichiers = {}) {
    return AnalyseLigneCommande(arguments, "/home/x",
                                [&](const std::string& nom) { return fichiers.count(nom) > 0; });
}

TEST(LigneCommande, PathsQuotedOrNotRelativeOrEndedByAnEmptyArgument) {
    const LigneCommande l = Analyse({"/home/x/Mes photos/a.jpg", "/sa"});
    EXPECT_EQ(l.fichier, "/home/x/Mes photos/a.jpg");
    EXPECT_EQ(l.dossier, "/home/x/Mes photos/");
    EXPECT_EQ(l.options, "SA");
    EXPECT_TRUE(l.SousDossiers() && l.Diaporama());
    EXPECT_FALSE(l.PleinEcran());
    // Unquoted, the pieces are joined with one blank.
    EXPECT_EQ(Analyse({"/home/x/Mes", "photos/a.jpg"}).fichier, "/home/x/Mes photos/a.jpg");

    const LigneCommande relatif = Analyse({"photos/b.bmp  "});
    EXPECT_EQ(relatif.fichier, "/home/x/photos/b.bmp");
    EXPECT_EQ(relatif.dossier, "/home/x/photos/");
    EXPECT_EQ(relatif.texte, "photos/b.bmp  ");

    const LigneCommande coupee = Analyse({"a.jpg", "", "/p"});
    EXPECT_EQ(coupee.fichier, "/home/x/a.jpg");
    EXPECT_EQ(coupee.options, "");
}

TEST(LigneCommande, LettersAreOnlyTheLastArgumentThatIsNoFile) {
    // "/p" alone is a folder of the root on Linux when it exists.
    const LigneCommande fichier = Analyse({"/p"}, {"/p"});
    EXPECT_EQ(fichier.options, "");
    EXPECT_EQ(fichier.fichier, "/p");
    const LigneCommande options = Analyse({"/home/x/d/", "/pX"});
    EXPECT_EQ(options.options, "PX");
    EXPECT_TRUE(options.PleinEcran());
    EXPECT_EQ(options.dossier, "/home/x/d/");
    EXPECT_EQ(Analyse({"/home/x/a.jpg", "/p2"}).options, "");
    EXPECT_EQ(Analyse({"/usr", "/home/x/a.jpg"}).fichier, "/usr /home/x/a.jpg");

    const LigneCommande vide = Analyse({});
    EXPECT_EQ(vide.texte, "");
    EXPECT_EQ(vide.dossier, "");
    const LigneCommande seules = Analyse({"/P"});
    EXPECT_EQ(seules.texte, "/P");
    EXPECT_TRUE(seules.PleinEcran());
    EXPECT_EQ(seules.dossier, "");
}

}  // namespace
}  // namespace app
