// Printing the shown picture: the commands that open the print dialog, the
// dialog's controls, and pages printed into PDF files, rendered by poppler
// and measured: the picture must sit where the layout puts it, in both
// orientations, drawn from its own pixels.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/form_impression_img.h"
#include "app/mise_en_page_impression.h"
#include "fenetre_principale.h"
#include "platform/ui/printing.h"

namespace app {
namespace {

using namespace testing_support;
using platform::ui::PageOrientation;

constexpr int kDpiRendu = 100;
constexpr platform::Color kMagenta = platform::MakeColor(255, 0, 255);

// Where the magenta pixels of a page lie, in millimetres from its corner.
struct Cadre {
    double gauche = 0;
    double haut = 0;
    double largeur = 0;
    double hauteur = 0;
};

std::ostream& operator<<(std::ostream& out, const Cadre& c) {
    return out << c.largeur << " x " << c.hauteur << " mm at (" << c.gauche << ", " << c.haut
               << ")";
}

// A page rendered by poppler: its size in pixels and its magenta pixels.
struct PageRendue {
    int largeur = 0;
    int hauteur = 0;
    std::optional<Cadre> magenta;
};

double Mm(int pixels) {
    return pixels * 25.4 / kDpiRendu;
}

PageRendue Rend(const std::string& pdf) {
    const std::string base = pdf + "-page";
    Output("pdftoppm -r " + std::to_string(kDpiRendu) + " -singlefile " + ShellQuote(pdf) + " " +
           ShellQuote(base));
    std::ifstream ppm(base + ".ppm", std::ios::binary);
    std::string magique;
    int maximum = 0;
    PageRendue page;
    ppm >> magique >> page.largeur >> page.hauteur >> maximum;
    ppm.get();
    EXPECT_EQ(magique, "P6");
    EXPECT_EQ(maximum, 255);
    const auto largeur = static_cast<size_t>(page.largeur);
    std::vector<unsigned char> pixels(largeur * static_cast<size_t>(page.hauteur) * 3);
    ppm.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    EXPECT_TRUE(ppm) << "truncated " << base << ".ppm";
    int gauche = page.largeur, haut = page.hauteur, droite = -1, bas = -1;
    for (int y = 0; y < page.hauteur; ++y) {
        for (int x = 0; x < page.largeur; ++x) {
            const unsigned char* p =
                &pixels[(static_cast<size_t>(y) * largeur + static_cast<size_t>(x)) * 3];
            if (p[0] > 200 && p[1] < 60 && p[2] > 200) {
                gauche = std::min(gauche, x);
                haut = std::min(haut, y);
                droite = std::max(droite, x);
                bas = std::max(bas, y);
            }
        }
    }
    if (droite >= 0) {
        page.magenta = Cadre{Mm(gauche), Mm(haut), Mm(droite + 1 - gauche), Mm(bas + 1 - haut)};
    }
    return page;
}

// The page's size in points, as pdfinfo reads it ("595.276 x 841.89").
std::string TaillePage(const std::string& pdf) {
    std::istringstream lignes(Output("pdfinfo " + ShellQuote(pdf)));
    for (std::string ligne; std::getline(lignes, ligne);) {
        if (ligne.rfind("Page size:", 0) == 0) {
            std::istringstream mots(ligne.substr(10));
            double largeur = 0, hauteur = 0;
            std::string x;
            mots >> largeur >> x >> hauteur;
            return std::to_string(std::lround(largeur)) + "x" +
                   std::to_string(std::lround(hauteur));
        }
    }
    return "no page size";
}

// The size of each picture embedded in a PDF file, as pdfimages lists them.
std::vector<std::string> ImagesIncluses(const std::string& pdf) {
    std::vector<std::string> tailles;
    const std::vector<std::string> lignes = Split(Output("pdfimages -list " + ShellQuote(pdf)));
    for (size_t i = 2; i < lignes.size(); ++i) {
        std::istringstream mots(lignes[i]);
        std::string page, numero, type, largeur, hauteur;
        mots >> page >> numero >> type >> largeur >> hauteur;
        if (type == "image") tailles.push_back(largeur + "x" + hauteur);
    }
    return tailles;
}

void ExpectCadre(const std::optional<Cadre>& vu, const Cadre& attendu) {
    ASSERT_TRUE(vu.has_value()) << "no picture on the page";
    EXPECT_NEAR(vu->gauche, attendu.gauche, 1.0) << *vu;
    EXPECT_NEAR(vu->haut, attendu.haut, 1.0) << *vu;
    EXPECT_NEAR(vu->largeur, attendu.largeur, 1.0) << *vu;
    EXPECT_NEAR(vu->hauteur, attendu.hauteur, 1.0) << *vu;
}

class Impression : public FenetrePrincipale {
protected:
    void SetUp() override {
        FenetrePrincipale::SetUp();
        REQUIRE_PROGRAM("pdftoppm");
        REQUIRE_PROGRAM("pdfinfo");
        REQUIRE_PROGRAM("pdfimages");
    }

    // Shows a magenta picture of that size and opens the print dialog on it.
    void OuvreMagenta(int32_t largeur, int32_t hauteur) {
        const std::string chemin = dossier / "magenta.bmp";
        WriteBmp(chemin, *MakeBitmap(largeur, hauteur, [](int32_t, int32_t) { return kMagenta; }));
        Ouvre({chemin});
        fenetre->ImpressionImage();
    }

    TFormImpressionImg& Dialogue() { return *fiches.FormImpressionImg; }
    platform::ui::Report& Rapport() { return fiches.FormQR->QuickRep1; }

    // Prints on a printer that writes a PDF file, as an installed one would.
    std::string ImprimeSurImprimantePdf(const std::string& nom) {
        const std::string pdf = dossier / nom;
        Rapport().PrinterInstalled = [] { return true; };
        QPrinter& imprimante = Rapport().Printer();
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setOutputFileName(QString::fromStdString(pdf));
        Dialogue().BitBtnImpressionClick();
        return pdf;
    }
};

TEST_F(Impression, TheMenusAndTheButtonOpenThePrintDialogOnTheShownPicture) {
    Image("a.bmp", 40, 30);
    Ouvre({dossier / "a.bmp"});
    QMenu* fichier = nullptr;
    for (QAction* menu : fenetre->MainMenu1->actions()) {
        if (menu->text() == "&Fichier") fichier = menu->menu();
    }
    ASSERT_NE(fichier, nullptr);
    const QList<QAction*> items = fichier->actions();
    ASSERT_GE(items.size(), 2);
    QAction* imprimer = items[items.size() - 2];
    EXPECT_EQ(imprimer->text().toStdString(), "&Imprimer");
    EXPECT_EQ(items.back()->text().toStdString(), "&Quitter");
    const QList<QAction*> contexte = fenetre->PopupMenu1->actions();
    ASSERT_GE(contexte.size(), 3);
    EXPECT_EQ(contexte[contexte.size() - 2]->text().toStdString(), "Impression");
    EXPECT_TRUE(contexte[contexte.size() - 3]->isSeparator());
    EXPECT_EQ(fenetre->SpeedButton1->toolTip().toStdString(), "Imprimer");

    const auto ouvre = [&](const std::function<void()>& commande) {
        Dialogue().hide();
        fiches.FormQR->QRImage1.picture.Assign(nullptr);
        fenetre->TimerDefileImage->SetEnabled(true);
        commande();
        EXPECT_TRUE(Dialogue().isVisible());
        EXPECT_FALSE(Dialogue().IsModal());
        EXPECT_EQ(SizeOf(fiches.FormQR->QRImage1.picture), "40x30");
        // Printing leaves a slideshow running.
        EXPECT_TRUE(fenetre->TimerDefileImage->Enabled());
    };
    ouvre([&] { imprimer->trigger(); });
    ouvre([&] { contexte[contexte.size() - 2]->trigger(); });
    ouvre([&] { fenetre->SpeedButton1->click(); });
    fenetre->TimerDefileImage->SetEnabled(false);
    // Centred on the main window.
    EXPECT_EQ(Dialogue().geometry().center(), fenetre->geometry().center());
}

TEST_F(Impression, TheDialogStartsWithItsDesignValues) {
    Ouvre();
    TFormImpressionImg& d = Dialogue();
    EXPECT_EQ(d.Caption(), "FormImpressionImg");
    EXPECT_EQ(d.size(), QSize(455, 228));
    EXPECT_EQ(d.SpinEditLargeurImg->Value(), 190);
    EXPECT_EQ(d.SpinEditHauteurImg->Value(), 133);
    EXPECT_EQ(d.SpinEditLargeurImg->MaxValue(), 9999);
    EXPECT_FALSE(d.CheckBoxPleinePage->Checked());
    EXPECT_TRUE(d.RadioButtonPortrait->Checked());
    EXPECT_EQ(Rapport().Orientation(), PageOrientation::Portrait);
    const platform::ui::PageValues page = Rapport().Page();
    EXPECT_NEAR(page.width, 210, 0.01);
    EXPECT_NEAR(page.length, 297, 0.01);
    for (const double marge :
         {page.top_margin, page.bottom_margin, page.left_margin, page.right_margin}) {
        EXPECT_NEAR(marge, 10, 0.01);
    }
}

TEST_F(Impression, TheControlsSetTheOrientationAndTheFullPage) {
    Ouvre();
    TFormImpressionImg& d = Dialogue();
    d.RadioButton2->SetChecked(true);
    EXPECT_EQ(Rapport().Orientation(), PageOrientation::Landscape);
    EXPECT_NEAR(Rapport().Page().width, 297, 0.01);
    EXPECT_NEAR(Rapport().Page().length, 210, 0.01);
    d.RadioButtonPortrait->SetChecked(true);
    EXPECT_EQ(Rapport().Orientation(), PageOrientation::Portrait);
    EXPECT_NEAR(Rapport().Page().width, 210, 0.01);

    d.CheckBoxPleinePage->SetChecked(true);
    EXPECT_FALSE(d.SpinEditLargeurImg->isEnabled());
    EXPECT_FALSE(d.SpinEditHauteurImg->isEnabled());
    d.CheckBoxPleinePage->SetChecked(false);
    EXPECT_TRUE(d.SpinEditLargeurImg->isEnabled());
    EXPECT_TRUE(d.SpinEditHauteurImg->isEnabled());
}

TEST_F(Impression, APortraitPageCarriesThePictureCentredInThePrintableArea) {
    OuvreMagenta(300, 200);
    const std::string pdf = ImprimeSurImprimantePdf("portrait.pdf");
    EXPECT_EQ(TaillePage(pdf), "595x842");
    const PageRendue page = Rend(pdf);
    EXPECT_NEAR(Mm(page.largeur), 210, 0.5);
    EXPECT_NEAR(Mm(page.hauteur), 297, 0.5);
    // 190 x 126.7 mm, the 277 mm of printable length shared above and below.
    ExpectCadre(page.magenta, {10, 10 + (277 - 190.0 * 2 / 3) / 2, 190, 190.0 * 2 / 3});
    EXPECT_TRUE(dialogues->messages.empty());
}

TEST_F(Impression, ALandscapePageCarriesThePictureCentredInThePrintableArea) {
    OuvreMagenta(300, 200);
    Dialogue().RadioButton2->SetChecked(true);
    const std::string pdf = ImprimeSurImprimantePdf("paysage.pdf");
    EXPECT_EQ(TaillePage(pdf), "842x595");
    const PageRendue page = Rend(pdf);
    ExpectCadre(page.magenta,
                {10 + (277 - 190) / 2.0, 10 + (190 - 190.0 * 2 / 3) / 2, 190, 190.0 * 2 / 3});
}

TEST_F(Impression, AFullPageTallPictureFillsThePrintableLength) {
    OuvreMagenta(200, 300);
    Dialogue().CheckBoxPleinePage->SetChecked(true);
    const PageRendue page = Rend(ImprimeSurImprimantePdf("pleine.pdf"));
    ExpectCadre(page.magenta, {10 + (190 - 277 * 2 / 3.0) / 2, 10, 277 * 2 / 3.0, 277});
    // Landscape paper: the printable area is 277 x 190 mm.
    Dialogue().RadioButton2->SetChecked(true);
    const PageRendue paysage = Rend(ImprimeSurImprimantePdf("pleine-paysage.pdf"));
    ExpectCadre(paysage.magenta, {10 + (277 - 190 * 2 / 3.0) / 2, 10, 190 * 2 / 3.0, 190});
}

TEST_F(Impression, AnAskedSizeIsKeptAndAWidthBeyondThePageClamped) {
    OuvreMagenta(300, 200);
    Dialogue().SpinEditLargeurImg->SetValue(60);
    ExpectCadre(Rend(ImprimeSurImprimantePdf("petite.pdf")).magenta,
                {10 + (190 - 60) / 2.0, 10 + (277 - 40) / 2.0, 60, 40});
    Dialogue().SpinEditLargeurImg->SetValue(300);
    ExpectCadre(Rend(ImprimeSurImprimantePdf("large.pdf")).magenta,
                {10, 10 + (277 - 190.0 * 2 / 3) / 2, 190, 190.0 * 2 / 3});
    // A size of nothing prints a blank page.
    Dialogue().SpinEditHauteurImg->SetValue(0);
    const PageRendue vide = Rend(ImprimeSurImprimantePdf("vide.pdf"));
    EXPECT_FALSE(vide.magenta.has_value()) << *vide.magenta;
    EXPECT_NEAR(Mm(vide.hauteur), 297, 0.5);
}

TEST_F(Impression, WithoutAPictureTheReportPrintsABlankPage) {
    Ouvre();
    fenetre->ImpressionImage();
    const PageRendue page = Rend(ImprimeSurImprimantePdf("rien.pdf"));
    EXPECT_FALSE(page.magenta.has_value());
    EXPECT_NEAR(Mm(page.largeur), 210, 0.5);
}

TEST_F(Impression, WithoutAPrinterItSaysSoAndOffersAPdfFile) {
    OuvreMagenta(300, 200);
    Rapport().PrinterInstalled = [] { return false; };
    const std::string pdf = dossier / "sans imprimante.pdf";
    dialogues->save_answers.push_back(pdf);
    Dialogue().BitBtnImpressionClick();
    ASSERT_EQ(dialogues->messages.size(), 1u);
    EXPECT_EQ(dialogues->messages[0],
              "Aucune imprimante n'est installée. Vous pouvez prévisualiser l'image ou "
              "l'imprimer dans un fichier PDF.");
    ASSERT_EQ(dialogues->save_requests.size(), 1u);
    EXPECT_EQ(dialogues->save_requests[0].filter, "Fichier PDF (*.pdf)|*.pdf");
    EXPECT_EQ(dialogues->save_requests[0].default_extension, "pdf");
    EXPECT_EQ(TaillePage(pdf), "595x842");
    ExpectCadre(Rend(pdf).magenta, {10, 10 + (277 - 190.0 * 2 / 3) / 2, 190, 190.0 * 2 / 3});

    // The PDF file replaces an old one whole, and cancelling writes nothing.
    Dialogue().RadioButton2->SetChecked(true);
    dialogues->save_answers.push_back(pdf);
    Dialogue().BitBtnImpressionClick();
    EXPECT_EQ(TaillePage(pdf), "842x595");
    Dialogue().BitBtnImpressionClick();
    EXPECT_EQ(dialogues->save_requests.size(), 3u);
    EXPECT_EQ(TaillePage(pdf), "842x595");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dossier.Path()),
                            std::filesystem::directory_iterator()),
              3)
        << "the picture, the PDF file and its rendering, no debris";
}

TEST_F(Impression, APdfFileThatCannotBeWrittenIsReportedAndLeavesNoFile) {
    OuvreMagenta(30, 20);
    Rapport().PrinterInstalled = [] { return false; };
    const std::string pdf = dossier / "absent/page.pdf";
    dialogues->save_answers.push_back(pdf);
    fenetre->App().Guard([&] { Dialogue().BitBtnImpressionClick(); });
    ASSERT_EQ(dialogues->errors.size(), 1u);
    EXPECT_NE(dialogues->errors[0].find("Impossible de créer le fichier"), std::string::npos)
        << dialogues->errors[0];
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(Impression, AJpegIsDecodedAtTheScaleThePrintedSizeNeedsAndNoSmaller) {
    const std::string chemin = dossier / "photo.jpg";
    WriteJpeg(chemin, *Pattern(1600, 1200));
    Ouvre({chemin});
    fenetre->ImpressionImage();
    Rapport().Printer().setResolution(300);
    // 40 mm at 300 dpi are 472 device units: the half-size decoding (800
    // pixels) covers them, the quarter (400) would not.
    Dialogue().SpinEditLargeurImg->SetValue(40);
    EXPECT_EQ(ImagesIncluses(ImprimeSurImprimantePdf("demi.pdf")),
              std::vector<std::string>{"800x600"});
    // 190 mm need more pixels than the picture has: all of them, no more.
    Dialogue().SpinEditLargeurImg->SetValue(190);
    EXPECT_EQ(ImagesIncluses(ImprimeSurImprimantePdf("entiere.pdf")),
              std::vector<std::string>{"1600x1200"});
    // The picture on screen keeps its own decodings.
    EXPECT_EQ(SizeOf(fenetre->Korvel1->GetPicture()), "1600x1200");
}

TEST_F(Impression, AHugeGifIsPrintedAtThePrintersResolutionOrRefusedNeverBlank) {
#if !defined(__has_feature) || !__has_feature(address_sanitizer)
    GTEST_SKIP() << "the allocations are limited through AddressSanitizer";
#endif
    // 3000 x 3000 magenta pixels declared in 40 bytes (one decoded, the rest
    // the fill), printed 133 mm wide at 300 dpi: 1570 device units.
    const std::string gif = dossier / "immense.gif";
    WriteFile(gif, std::vector<uint8_t>{'G',  'I',  'F',  '8',  '9',  'a',  0xB8, 0x0B, 0xB8, 0x0B,
                                        0x80, 0,    0,    0xFF, 0,    0xFF, 0xFF, 0xFF, 0xFF, 0x2C,
                                        0,    0,    0,    0,    0xB8, 0x0B, 0xB8, 0x0B, 0,    2,
                                        2,    0x4C, 0x01, 0,    0x3B});
    // The most one allocation may take, in megabytes. At its own size the
    // picture's bitmap took 27 MB and the copy Qt made of it for the page
    // 36 MB: that copy failing printed a blank page and said nothing. At the
    // printer's resolution the bitmap takes 7.4 MB and its copy in the
    // device's format 9.9 MB.
    struct Cas {
        int megaoctets;
        std::string dit;
    };
    for (const Cas& c : {Cas{30, "imprimé"}, Cas{9, "Mémoire insuffisante"},
                         Cas{5, "Mémoire insuffisante"}}) {
        const std::string pdf = dossier / ("immense-" + std::to_string(c.megaoctets) + ".pdf");
        const std::string sortie =
            Output("ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1:max_allocation_size_mb=" +
                   std::to_string(c.megaoctets) + " " + ShellQuote(VISU_IMPRIME_SOUS_LIMITE) + " " +
                   ShellQuote(gif) + " " + ShellQuote(pdf) + " 2>/dev/null");
        EXPECT_EQ(sortie, c.dit + "\n") << c.megaoctets;
        if (c.dit == "imprimé") {
            ExpectCadre(Rend(pdf).magenta, {10, 10, 133, 133});
        } else {
            EXPECT_FALSE(std::filesystem::exists(pdf)) << c.megaoctets;
        }
    }
}

TEST_F(Impression, ThePreviewShowsTheLaidOutPageAtFortyPercent) {
    OuvreMagenta(300, 200);
    int pages = -1;
    double zoom = 0;
    bool magenta = false;
    QTimer::singleShot(0, [&] {
        auto* apercu = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(apercu, nullptr);
        auto* vue = apercu->findChild<QPrintPreviewWidget*>();
        ASSERT_NE(vue, nullptr);
        QApplication::processEvents();
        pages = vue->pageCount();
        zoom = vue->zoomFactor();
        const QImage image = vue->grab().toImage();
        for (int y = 0; y < image.height() && !magenta; ++y) {
            for (int x = 0; x < image.width() && !magenta; ++x) {
                const QColor c = image.pixelColor(x, y);
                magenta = c.red() > 200 && c.green() < 60 && c.blue() > 200;
            }
        }
        // The orientation chosen in the preview comes back to the dialog.
        vue->setLandscapeOrientation();
        apercu->reject();
    });
    Dialogue().ButtonPreviewClick();
    EXPECT_EQ(pages, 1);
    EXPECT_NEAR(zoom, 0.4, 0.001);
    EXPECT_TRUE(magenta);
    EXPECT_EQ(fiches.FormQR->QRImage1.bounds.width(), app::PointsDeMm(190, Rapport().Resolution()));
}

}  // namespace
}  // namespace app
