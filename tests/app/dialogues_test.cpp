// The options, new size, picture editing and About dialogs, driven as the
// user would under the offscreen platform, by the mouse and the keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include "app/about_box.h"
#include "app/fiches.h"
#include "app/form1.h"
#include "app/form_change_ht_lg.h"
#include "app/form_edit_picture.h"
#include "app/form_options.h"
#include "components/bitbtn_annule.h"
#include "pictures.h"
#include "scripted_dialogs.h"
#include "test_support.h"
#include "touches.h"

namespace app {
namespace {

using namespace testing_support;

using platform::Color;
using platform::MakeColor;
using namespace platform::ui;

class Dialogues : public ScriptedTest {
protected:
    void SetUp() override {
        ScriptedTest::SetUp();
        coquille = &RecordShell();
        fiches.Form1 =
            CreateForm<TForm1>(Application::Current(), fiches, std::vector<std::string>{});
    }

    template <typename T>
    T* Cree() {
        return CreateForm<T>(Application::Current(), fiches);
    }

    // Shows the form modally, by `montre` or else its ShowModal, and runs
    // `pendant` once it is up.
    static ModalResult Pendant(Form& form, const std::function<void()>& pendant,
                               const std::function<ModalResult()>& montre = nullptr) {
        QTimer::singleShot(0, &form, [&form, pendant] {
            QApplication::setActiveWindow(&form);
            pendant();
        });
        return montre ? montre() : form.ShowModal();
    }

    // A key typed into a control, which takes the focus first.
    static void Touche(QWidget& control, char chiffre) {
        control.setFocus(Qt::OtherFocusReason);
        QKeyEvent appui(QEvent::KeyPress, Qt::Key_0 + (chiffre - '0'), Qt::NoModifier,
                        QString(QChar(chiffre)));
        QCoreApplication::sendEvent(&control, &appui);
    }

    // Digits typed over the whole text of a control.
    static void Tape(QWidget& control, const std::string& chiffres) {
        control.findChild<QLineEdit*>()->selectAll();
        for (const char c : chiffres) Touche(control, c);
    }

    void Montre(int32_t largeur, int32_t hauteur) {
        const platform::Bitmap image(largeur, hauteur);
        Korvel1().GetPicture().Assign(&image);
    }

    components::TImageBrenlow& Korvel1() { return *fiches.Form1->Korvel1; }

    // The options write their settings file when they close: each test has
    // one of its own, so that none starts from what another left.
    TempDir reglages;
    ScopedEnv config{"XDG_CONFIG_HOME", reglages.Path()};
    Fiches fiches;
    RecordingShell* coquille = nullptr;
};

TEST(ReglesDesDialogues, SidesKeepTheProportionsRoundingHalvesToEven) {
    EXPECT_EQ(CoteProportionnel(6, 4, 3), 4);   // 4.5
    EXPECT_EQ(CoteProportionnel(2, 4, 3), 2);   // 1.5
    EXPECT_EQ(CoteProportionnel(10, 4, 3), 8);  // 7.5
    EXPECT_EQ(CoteProportionnel(800, 1600, 1200), 600);
    EXPECT_EQ(CoteProportionnel(-6, 4, 3), -4);
    // Beyond 32 bits on the way.
    EXPECT_EQ(CoteProportionnel(65535, 1, 2147483647), int64_t{65535} * 2147483647);
    EXPECT_EQ(CoteProportionnel(5, 0, 3), std::nullopt);
    EXPECT_EQ(CoteProportionnel(5, 3, 0), std::nullopt);

    // Folders lose one trailing slash, but the root keeps its own.
    EXPECT_EQ(SansBarreFinale("/photos/"), "/photos");
    EXPECT_EQ(SansBarreFinale("/photos//"), "/photos/");
    EXPECT_EQ(SansBarreFinale("/"), "/");
    EXPECT_EQ(SansBarreFinale(""), "");
}

TEST_F(Dialogues, TheNewSizeFollowsWhicheverSideIsTyped) {
    auto* taille = Cree<TFormChangeHtLg>();
    Montre(1600, 1200);
    Pendant(*taille, [&] {
        EXPECT_EQ(taille->LabelLargeur->text() + "x" + taille->LabelHauteur->text(), "1600x1200");
        EXPECT_EQ(taille->SpinEditNouvHauteur->Value(), 0);
        Tape(*taille->SpinEditNouvLargeur, "800");
        EXPECT_EQ(taille->SpinEditNouvHauteur->Value(), 600);
        Tape(*taille->SpinEditNouvHauteur, "300");
        EXPECT_EQ(taille->SpinEditNouvLargeur->Value(), 400);
        taille->BitBtn1->click();
    });

    // The width stays for the run; the height follows the picture shown now.
    Montre(4, 3);
    Pendant(*taille, [&] {
        EXPECT_EQ(taille->SpinEditNouvHauteur->Value(), 300);
        Tape(*taille->SpinEditNouvLargeur, "6");
        EXPECT_EQ(taille->SpinEditNouvHauteur->Value(), 4);
        // Set from here, the height does not bounce back into the width (5).
        EXPECT_EQ(taille->SpinEditNouvLargeur->Value(), 6);
        taille->close();
    });

    // Sizes stop at what a picture file can hold; without a picture nothing follows.
    Montre(1, 3000);
    Pendant(*taille, [&] {
        Tape(*taille->SpinEditNouvLargeur, "30000");
        EXPECT_EQ(taille->SpinEditNouvHauteur->Value(), 65535);
        Korvel1().GetPicture().Assign(nullptr);
        Tape(*taille->SpinEditNouvLargeur, "7");
        EXPECT_EQ(taille->SpinEditNouvHauteur->Value(), 65535);
        taille->close();
    });
}

TEST_F(Dialogues, EnterInTheNewSizeClosesItWithTheSizeTypedAndEscapeLeavesIt) {
    auto* taille = Cree<TFormChangeHtLg>();
    Montre(1600, 1200);
    const ModalResult resultat = Pendant(*taille, [&] {
        // No cancel button: Escape does nothing.
        Appuie(*taille->SpinEditNouvLargeur, Qt::Key_Escape);
        EXPECT_TRUE(taille->isVisible());
        Tape(*taille->SpinEditNouvLargeur, "800");
        Appuie(*taille->SpinEditNouvLargeur, Qt::Key_Return);
        EXPECT_FALSE(taille->isVisible());
    });
    EXPECT_EQ(resultat, ModalResult::Ok);
    EXPECT_EQ(taille->SpinEditNouvLargeur->Value(), 800);
    EXPECT_EQ(taille->SpinEditNouvHauteur->Value(), 600);
}

TEST_F(Dialogues, EnterKeepsTheOptionsAndTheAbortButtonPutsBackWhatTheyWereShownWith) {
    auto* options = Cree<TFormOptions>();
    options->SpinEditTauxCompressionJPG->SetValue(40);
    EXPECT_EQ(Pendant(*options,
                      [&] {
                          options->EditDossierPhotoAMettreDeCote->SetText("/photos/");
                          Appuie(*options->EditDossierPhotoAMettreDeCote, Qt::Key_Return);
                      }),
              ModalResult::Ok);
    EXPECT_EQ(options->EditDossierPhotoAMettreDeCote->Text(), "/photos");

    const ModalResult resultat = Pendant(*options, [&] {
        options->EditDossierPhotoAMettreDeCote->SetText("/ailleurs");
        options->CheckBoxVoirDestination->SetChecked(false);
        Tape(*options->SpinEditTauxCompressionJPG, "65");
        EXPECT_EQ(Korvel1().CompressionQuality(), 65);
        // Its cancel button is of the abort kind, which Escape does not press.
        Appuie(*options->SpinEditTauxCompressionJPG, Qt::Key_Escape);
        EXPECT_TRUE(options->isVisible());
        options->BitBtnAnnule1->click();
    });
    EXPECT_EQ(resultat, ModalResult::Abort);
    EXPECT_EQ(options->EditDossierPhotoAMettreDeCote->Text(), "/photos");
    EXPECT_TRUE(options->CheckBoxVoirDestination->Checked());
    EXPECT_EQ(options->SpinEditTauxCompressionJPG->Value(), 40);
    EXPECT_EQ(Korvel1().CompressionQuality(), 40);
}

TEST_F(Dialogues, TheQualityReachesTheDisplayOnlyOnceItIsAboveTen) {
    auto* options = Cree<TFormOptions>();
    Korvel1().SetCompressionQuality(33);
    Pendant(*options, [&] {
        Tape(*options->SpinEditTauxCompressionJPG, "5");
        EXPECT_EQ(Korvel1().CompressionQuality(), 33);
        Touche(*options->SpinEditTauxCompressionJPG, '0');
        EXPECT_EQ(Korvel1().CompressionQuality(), 50);
        options->BitBtn1->click();
    });
    EXPECT_EQ(Korvel1().CompressionQuality(), 50);
}

TEST_F(Dialogues, CancellingTheOptionsPutsBackWhatTheyWereShownWith) {
    auto* options = Cree<TFormOptions>();
    options->EditProgALancerPourRetouches1->SetText("/usr/bin/retouche");
    options->SpinEditTauxCompressionJPG->SetValue(40);
    const ModalResult resultat = Pendant(*options, [&] {
        options->EditDossierPhotoAMettreDeCote->SetText("/tmp/ailleurs/");
        options->EditProgALancerPourRetouches1->SetText("/usr/bin/autre");
        options->CheckBoxVoirDestination->SetChecked(false);
        Tape(*options->SpinEditTauxCompressionJPG, "65");
        EXPECT_EQ(Korvel1().CompressionQuality(), 65);
        options->BitBtnAnnule1->click();
    });
    EXPECT_EQ(resultat, ModalResult::Abort);
    EXPECT_EQ(options->EditDossierPhotoAMettreDeCote->Text(), "");
    EXPECT_EQ(options->EditProgALancerPourRetouches1->Text(), "/usr/bin/retouche");
    EXPECT_TRUE(options->CheckBoxVoirDestination->Checked());
    EXPECT_EQ(options->SpinEditTauxCompressionJPG->Value(), 40);
    EXPECT_EQ(Korvel1().CompressionQuality(), 40);
}

TEST_F(Dialogues, TheOptionsBrowseForTheFolderAndThePrograms) {
    auto* options = Cree<TFormOptions>();
    options->EditDossierPhotoAMettreDeCote->SetText("/depart");
    dialogues->folder_answers = {"/photos/de cote/", std::nullopt};
    dialogues->open_answers = {std::nullopt, "/usr/bin/retouche"};
    Pendant(*options, [&] {
        options->BitBtnParcourir->click();
        options->BitBtnParcourir->click();
        options->ButtonParcourirPourNomProgramme2->click();
        options->ButtonParcourirPourNomProgramme2->click();
        options->BitBtn1->click();
    });
    ASSERT_EQ(dialogues->folder_requests.size(), 2u);
    EXPECT_EQ(dialogues->folder_requests[0].first + "|" + dialogues->folder_requests[0].second,
              "choisissez votre dossier|/depart");
    // Closing drops the trailing "/" the folder dialog gave.
    EXPECT_EQ(options->EditDossierPhotoAMettreDeCote->Text(), "/photos/de cote");
    EXPECT_EQ(options->EditProgALancerPourRetouches2->Text(), "/usr/bin/retouche");
    EXPECT_EQ(options->EditProgALancerPourRetouches1->Text(), "");
}

// A picture of two columns: channels 200 on the left, 100 on the right.
std::unique_ptr<platform::Bitmap> DeuxColonnes() {
    return MakeBitmap(2, 1, [](int32_t x, int32_t) {
        return x == 0 ? MakeColor(200, 200, 200) : MakeColor(100, 100, 100);
    });
}

Color Pixel(const platform::Picture& picture, int32_t x, int32_t y) {
    const auto* bitmap = dynamic_cast<const platform::Bitmap*>(picture.GetGraphic());
    EXPECT_NE(bitmap, nullptr);
    return bitmap == nullptr ? 0 : PixelAt(*bitmap, x, y);
}

TEST_F(Dialogues, TheEditingDialogShowsItsSettingsAndOkWritesWhatIsShown) {
    auto* edition = Cree<TFormEditPicture>();
    platform::Picture image;
    image.Assign(DeuxColonnes().get());
    const ModalResult resultat = Pendant(
        *edition,
        [&] {
            const platform::Picture& vue = edition->ImageBrenlow1->GetPicture();
            Tape(*edition->SpinEditLuminosite, "100");
            EXPECT_EQ(edition->TrackBarLuminosite->Position(), 100);
            EXPECT_EQ(edition->LabelLuminosite->text(), "2");
            EXPECT_EQ(Pixel(vue, 0, 0), MakeColor(255, 255, 255));
            EXPECT_EQ(Pixel(vue, 1, 0), MakeColor(200, 200, 200));

            edition->BitBtnReinitialiserCouleur->click();
            EXPECT_EQ(edition->SpinEditLuminosite->Value(), 0);
            edition->TrackBarPivot->SetPosition(128);
            EXPECT_EQ(edition->SpinEditPivot->Value(), 128);
            edition->TrackBarContraste->SetPosition(100);
            EXPECT_EQ(edition->LabelContraste->text(), "1");
            EXPECT_EQ(Pixel(vue, 1, 0), MakeColor(72, 72, 72));

            // Turned last, the result keeps the turn.
            edition->BitBtnRotation90->click();
            edition->BitBtnOK->click();
        },
        [&] { return edition->Edite(image, image); });
    EXPECT_EQ(resultat, ModalResult::Ok);
    ASSERT_EQ(SizeOf(image), "1x2");
    EXPECT_EQ(Pixel(image, 0, 0), MakeColor(255, 255, 255));
    EXPECT_EQ(Pixel(image, 0, 1), MakeColor(72, 72, 72));

    // The next edit starts again from neutral settings; Cancel writes nothing.
    platform::Picture cible;
    Pendant(
        *edition,
        [&] {
            EXPECT_EQ(edition->Luminosite(), 1.0);
            EXPECT_EQ(edition->Pivot(), 127);
            Tape(*edition->SpinEditLuminosite, "50");
            edition->BitBtn2->click();
        },
        [&] { return edition->Edite(image, cible); });
    EXPECT_EQ(cible.GetGraphic(), nullptr);
}

TEST_F(Dialogues, EscapeLeavesTheEditedPictureAsItWasAndEnterWritesTheResult) {
    auto* edition = Cree<TFormEditPicture>();
    platform::Picture image;
    image.Assign(DeuxColonnes().get());
    platform::Picture cible;
    const auto edite = [&](int touche) {
        return Pendant(
            *edition,
            [&] {
                Tape(*edition->SpinEditLuminosite, "100");
                Appuie(*edition->SpinEditLuminosite, touche);
            },
            [&] { return edition->Edite(image, cible); });
    };
    EXPECT_EQ(edite(Qt::Key_Escape), ModalResult::Cancel);
    EXPECT_EQ(cible.GetGraphic(), nullptr);
    EXPECT_EQ(edite(Qt::Key_Return), ModalResult::Ok);
    ASSERT_EQ(SizeOf(cible), "2x1");
    EXPECT_EQ(Pixel(cible, 0, 0), MakeColor(255, 255, 255));
}

TEST_F(Dialogues, TheAutomaticBrightnessBringsTheMeanLevelToMiddleGrey) {
    auto* edition = Cree<TFormEditPicture>();
    struct Cas {
        uint8_t niveau;
        double coefficient;
        int controle;
    };
    // A black picture asks for 128 times brighter; the controls stop at 2.
    for (const Cas cas :
         {Cas{128, 1.0, 0}, Cas{64, 2.0, 100}, Cas{255, 128.0 / 255, -50}, Cas{0, 2.0, 100}}) {
        SCOPED_TRACE(int{cas.niveau});
        platform::Bitmap gris(3, 2);
        gris.Fill(MakeColor(cas.niveau, cas.niveau, cas.niveau));
        platform::Picture image;
        image.Assign(&gris);
        Pendant(
            *edition,
            [&] {
                // No rectangle drawn yet: no mean to go by.
                edition->ImageBrenlow1MouseUp();
                EXPECT_EQ(edition->Luminosite(), 1.0);
                edition->ButtonLuminositeAutomatiqueParMoyenneClick();
                EXPECT_DOUBLE_EQ(edition->Luminosite(), cas.coefficient);
                EXPECT_EQ(edition->TrackBarLuminosite->Position(), cas.controle);
                EXPECT_EQ(edition->LabelLuminositeMoyenne->text().toInt(),
                          cas.niveau == 0 ? 1 : cas.niveau);
                edition->BitBtn2->click();
            },
            [&] { return edition->Edite(image, image); });
    }
    EXPECT_EQ(NiveauMoyen({10, 11, 11}), 11);  // 10.67
    EXPECT_EQ(NiveauMoyen({1, 0, 0}), 1);      // 0.33, and 0 counts as 1 anyway
}

TEST_F(Dialogues, TheAboutLinkOpensItsAddressInTheBrowser) {
    auto* apropos = Cree<TAboutBox>();
    Pendant(*apropos, [&] {
        const QPoint milieu = apropos->LabelLienSite->rect().center();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent clic(type, milieu, apropos->LabelLienSite->mapToGlobal(milieu),
                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(apropos->LabelLienSite, &clic);
        }
        apropos->OKButton->click();
    });
    EXPECT_EQ(coquille->urls, std::vector<std::string>{TAboutBox::AdresseSite()});
    EXPECT_TRUE(TAboutBox::AdresseSite().starts_with("file:///"));
}

}  // namespace
}  // namespace app
