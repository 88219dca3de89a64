#include "components/jpeg_diaporama.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "pictures.h"
#include "platform/graphics/jpeg_image.h"
#include "platform/ui/application.h"
#include "scripted_dialogs.h"
#include "test_support.h"

namespace components {
namespace {

using namespace testing_support;

class Planche : public ScriptedTest {
protected:
    void SetUp() override {
        ScriptedTest::SetUp();
        planche = std::make_unique<TJPegDiaporama>(nullptr, "JPegDiaporama1");
        planche->LargeurDiapo = 100;
        planche->HauteurDiapo = 100;
        planche->EcartXEntreImage = 5;
        planche->EcartYEntreImage = 5;
        planche->resize(315, 10);
        planche->OnDebutExecute = [this](TJPegDiaporama&) { evenements += "debut "; };
        planche->OnFinExecute = [this](TJPegDiaporama&) { evenements += "fin "; };
        planche->OnFinChargement = [this](TJPegDiaporama&) { evenements += "charge "; };
    }

    // A JPEG whose width tells which one it is.
    std::string Photo(const std::string& nom, int32_t largeur, int32_t hauteur = 150) {
        const std::string chemin = dossier / nom;
        WriteJpeg(chemin, *Pattern(largeur, hauteur));
        planche->StringListNomFichier.Add(chemin);
        return chemin;
    }

    // Lets the event loop run until every picture has arrived.
    void AttendChargement() {
        const QDeadlineTimer limite(30000);
        while (planche->DiaposEnAttente() > 0 && !limite.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_EQ(planche->DiaposEnAttente(), 0);
    }

    TKorvel& Diapo(size_t i) { return *planche->ListeDiapos().at(i); }

    TempDir dossier;
    std::unique_ptr<TJPegDiaporama> planche;
    std::string evenements;
};

TEST_F(Planche, SevenThumbnailsInThreeRowsFillInWithTheirPictures) {
    for (int i = 1; i <= 7; ++i) Photo("p" + std::to_string(i) + ".jpg", 100 + 50 * i);
    EXPECT_TRUE(planche->Execute());
    // Laid out at once, before any picture has arrived.
    EXPECT_EQ(evenements, "debut fin ");
    ASSERT_EQ(planche->ListeDiapos().size(), 7U);
    EXPECT_EQ(planche->height(), 315);
    EXPECT_EQ(Diapo(2).pos(), QPoint(210, 0));
    EXPECT_EQ(Diapo(3).pos(), QPoint(0, 105));
    EXPECT_EQ(Diapo(6).pos(), QPoint(0, 210));
    AttendChargement();
    EXPECT_EQ(evenements, "debut fin charge ");
    for (size_t i = 0; i < 7; ++i) {
        TKorvel& diapo = Diapo(i);
        const std::string nom = "p" + std::to_string(i + 1) + ".jpg";
        EXPECT_EQ(diapo.CheminFichier, dossier / nom);
        EXPECT_EQ(diapo.toolTip().toStdString(), nom);
        EXPECT_FALSE(diapo.isHidden());
        EXPECT_EQ(diapo.size(), QSize(100, 100));
        EXPECT_TRUE(diapo.Stretch() && diapo.Proportional() && !diapo.Center());
        // The picture's own size; the picture held is no bigger than the cell.
        EXPECT_EQ(diapo.LargeurImage, 150 + 50 * static_cast<int>(i));
        EXPECT_EQ(diapo.HauteurImage, 150);
        const platform::Picture& image = diapo.GetPicture();
        EXPECT_EQ(image.Width(), 100);
        EXPECT_EQ(image.Height(), (150 * 100 + diapo.LargeurImage / 2) / diapo.LargeurImage);
    }
    EXPECT_TRUE(dialogues->errors.empty());

    // Narrower: one column, placed again without reading any file.
    const uint64_t decodages = platform::JpegImage::DecodeCount();
    planche->resize(60, planche->height());
    planche->PlaceDiapos();
    EXPECT_EQ(planche->height(), 7 * 105);
    EXPECT_EQ(Diapo(6).pos(), QPoint(0, 630));
    EXPECT_EQ(platform::JpegImage::DecodeCount(), decodages);
    EXPECT_EQ(evenements, "debut fin charge fin ");
}

TEST_F(Planche, ABadFileLeavesAnEmptyThumbnailAndOneError) {
    Photo("a.jpg", 120);
    const std::string abime = dossier / "b.jpg";
    WriteFile(abime, std::string("pas une image"));
    planche->StringListNomFichier.Add(abime);
    Photo("c.jpg", 130);
    planche->StringListNomFichier.Add(dossier / "absente.jpg");
    planche->Execute();
    AttendChargement();
    ASSERT_EQ(planche->ListeDiapos().size(), 4U);
    EXPECT_EQ(SizeOf(Diapo(0).GetPicture()), "80x100");
    EXPECT_EQ(Diapo(1).GetPicture().GetGraphic(), nullptr);
    EXPECT_EQ(Diapo(1).CheminFichier, abime);
    EXPECT_EQ(Diapo(2).LargeurImage, 130);
    EXPECT_EQ(Diapo(3).GetPicture().GetGraphic(), nullptr);
    // Laid out all the same, every thumbnail placed.
    EXPECT_EQ(Diapo(3).pos(), QPoint(0, 105));
    EXPECT_FALSE(Diapo(3).isHidden());
    // Two files failed; the first failure to come back alone is shown.
    ASSERT_EQ(dialogues->errors.size(), 1U);
    const std::string& erreur = dialogues->errors[0];
    EXPECT_TRUE(erreur.starts_with("Erreur JPEG #") ||
                erreur.starts_with("Impossible d'ouvrir le fichier \"" + dossier / "absente.jpg"))
        << erreur;
    // A rebuild shows its own first failure again.
    planche->Execute();
    AttendChargement();
    EXPECT_EQ(dialogues->errors.size(), 2U);
}

TEST_F(Planche, APipeAmongTheFilesIsReportedAndHoldsNoThread) {
    // A thread blocked on the pipe would hold the sheet's end for good: the
    // test is ended by the system if it takes more than two minutes.
    ::alarm(120);
    Photo("a.jpg", 120);
    const std::string tube = dossier / "tube.jpg";
    ASSERT_EQ(::mkfifo(tube.c_str(), 0600), 0);
    planche->StringListNomFichier.Add(tube);
    Photo("c.jpg", 130);
    planche->Execute();
    AttendChargement();
    EXPECT_EQ(Diapo(0).LargeurImage, 120);
    EXPECT_EQ(Diapo(1).GetPicture().GetGraphic(), nullptr);
    EXPECT_EQ(Diapo(2).LargeurImage, 130);
    EXPECT_EQ(dialogues->errors,
              std::vector<std::string>{"Impossible d'ouvrir le fichier \"" + tube +
                                       "\". Le fichier spécifié n'est pas un fichier ordinaire."});
    planche.reset();
    ::alarm(0);
}

TEST_F(Planche, CellsOfNoSizeMakeSmallThumbnailsAndNoPlacement) {
    planche->LargeurDiapo = 0;
    planche->HauteurDiapo = -3;
    Photo("a.jpg", 300);
    planche->Execute();
    AttendChargement();
    EXPECT_EQ(evenements, "debut charge ");
    EXPECT_EQ(Diapo(0).size(), QSize(5, 5));
    EXPECT_TRUE(Diapo(0).isHidden());
    EXPECT_EQ(Diapo(0).LargeurImage, 300);
    EXPECT_EQ(Diapo(0).GetPicture().Width(), 5);

    // An empty list places nothing either.
    planche->LargeurDiapo = 100;
    planche->StringListNomFichier.Clear();
    evenements.clear();
    planche->Execute();
    EXPECT_TRUE(planche->ListeDiapos().empty());
    EXPECT_EQ(evenements, "debut ");
}

TEST_F(Planche, ARebuildDuringAPlacementStopsIt) {
    for (int i = 0; i < 6; ++i) Photo("avant" + std::to_string(i) + ".jpg", 200 + i);
    // The first placement lets the application work after its first
    // thumbnail: a rebuild over another list runs then.
    std::vector<std::string> seconde;
    for (int i = 0; i < 4; ++i) {
        seconde.push_back(dossier / ("apres" + std::to_string(i) + ".jpg"));
        WriteJpeg(seconde.back(), *Pattern(300 + i, 120));
    }
    QTimer::singleShot(0, planche.get(), [&] {
        planche->StringListNomFichier.Clear();
        for (const std::string& chemin : seconde) planche->StringListNomFichier.Add(chemin);
        planche->Execute();
    });
    planche->Execute();
    // Both began; only the second placed to its end.
    EXPECT_EQ(evenements, "debut debut fin ");
    AttendChargement();
    ASSERT_EQ(planche->ListeDiapos().size(), 4U);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(Diapo(i).CheminFichier, seconde[i]);
        EXPECT_EQ(Diapo(i).LargeurImage, 300 + static_cast<int>(i));
        EXPECT_FALSE(Diapo(i).isHidden());
    }
    EXPECT_EQ(Diapo(3).pos(), QPoint(0, 105));
    EXPECT_EQ(planche->height(), 210);
    // Results of the first rebuild, still on their way, change nothing.
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(Diapo(0).LargeurImage, 300);
    EXPECT_EQ(evenements, "debut debut fin charge ");
}

TEST_F(Planche, ThePanelMayGoWhilePicturesAreMade) {
    for (int i = 0; i < 30; ++i) Photo("p" + std::to_string(i) + ".jpg", 600, 400);
    planche->SetNombreDecodeurs(2);
    planche->Execute();
    QCoreApplication::processEvents();
    planche.reset();
    // Nothing posted by the threads reaches the panel that went.
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
}

TEST_F(Planche, AClickNamesTheThumbnail) {
    Photo("a.jpg", 120);
    Photo("b.jpg", 140);
    std::vector<std::string> cliques;
    planche->OnClickDiapo = [&](TKorvel& diapo) { cliques.push_back(diapo.CheminFichier); };
    planche->Execute();
    AttendChargement();
    const auto clique = [](QWidget& cible, QPoint ou_relache) {
        const QPointF dedans(10, 10);
        QMouseEvent appui(QEvent::MouseButtonPress, dedans, cible.mapToGlobal(dedans),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent relache(QEvent::MouseButtonRelease, QPointF(ou_relache),
                            cible.mapToGlobal(QPointF(ou_relache)), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(&cible, &appui);
        QCoreApplication::sendEvent(&cible, &relache);
    };
    clique(Diapo(1), QPoint(20, 20));
    // Released outside the thumbnail: no click.
    clique(Diapo(0), QPoint(-20, 20));
    ASSERT_EQ(cliques.size(), 1U);
    EXPECT_EQ(cliques[0], dossier / "b.jpg");
}

TEST_F(Planche, NomFichierListsTheFolderOfThatExtension) {
    for (const char* nom : {"un.jpg", "deux.jpg", "trois.jpeg", "quatre.gif"})
        WriteFile(dossier / nom, std::string("x"));
    planche->StringListNomFichier.Add("reste");
    planche->SetNomFichier(dossier / "photo.jpg");
    EXPECT_EQ(planche->NomFichier(), dossier / "photo.jpg");
    std::vector<std::string> lignes = planche->StringListNomFichier.Items();
    std::sort(lignes.begin(), lignes.end());
    EXPECT_EQ(lignes, (std::vector<std::string>{dossier / "deux.jpg", dossier / "un.jpg"}));
    // No thumbnail until the caller runs Execute.
    EXPECT_TRUE(planche->ListeDiapos().empty());
    // An empty name is stored and lists nothing.
    planche->SetNomFichier("");
    EXPECT_EQ(planche->StringListNomFichier.Count(), 2);
}

}  // namespace
}  // namespace components
