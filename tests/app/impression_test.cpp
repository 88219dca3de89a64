// Printing the shown picture: the commands that open the print dialog, the
// dialog's controls, the progress window, and pages printed into PDF files
// (by Qt, or by a queue of the system's print service), rendered by poppler
// and measured: the picture must sit where the layout puts it, in both
// orientations, drawn from its own pixels.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/form_impression_img.h"
#include "app/mise_en_page_impression.h"
#include "fenetre_principale.h"
#include "platform/graphics/canvas.h"
#include "platform/ui/printing.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using namespace std::chrono_literals;
using platform::ui::PageOrientation;

constexpr int kDpiRendu = 100;
constexpr platform::Color kMagenta = platform::MakeColor(255, 0, 255);

// Where the inked pixels of a page lie, in millimetres from its corner.
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

// Which pixels of a rendered page belong to the printed picture.
using Encre = bool (*)(const unsigned char* rgb);

bool Magenta(const unsigned char* p) {
    return p[0] > 200 && p[1] < 60 && p[2] > 200;
}

// Anything darker than the paper: a photo whose edges are not white.
bool PasBlanc(const unsigned char* p) {
    return std::min({p[0], p[1], p[2]}) < 230;
}

// A page rendered by poppler into a file: its size in pixels and the box
// of its inked pixels, in pixels and in millimetres.
struct PageRendue {
    std::string ppm;
    int largeur = 0;
    int hauteur = 0;
    std::optional<QRect> zone;
    std::optional<Cadre> encre;
};

double Mm(int pixels) {
    return pixels * 25.4 / kDpiRendu;
}

PageRendue Rend(const std::string& pdf, Encre est_encre = Magenta) {
    const std::string base = pdf + "-page";
    Output("pdftoppm -r " + std::to_string(kDpiRendu) + " -singlefile " + ShellQuote(pdf) + " " +
           ShellQuote(base));
    std::ifstream ppm(base + ".ppm", std::ios::binary);
    std::string magique;
    int maximum = 0;
    PageRendue page;
    page.ppm = base + ".ppm";
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
            if (est_encre(p)) {
                gauche = std::min(gauche, x);
                haut = std::min(haut, y);
                droite = std::max(droite, x);
                bas = std::max(bas, y);
            }
        }
    }
    if (droite >= 0) {
        page.zone = QRect(QPoint(gauche, haut), QPoint(droite, bas));
        page.encre = Cadre{Mm(gauche), Mm(haut), Mm(droite + 1 - gauche), Mm(bas + 1 - haut)};
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

// How close the inked part of a rendered page is to `photo` turned by
// `degres` and brought to the same size by ImageMagick, in decibels.
double Psnr(const PageRendue& page, const std::string& photo, int degres) {
    if (!page.zone) return 0;
    const QRect& z = *page.zone;
    const std::string taille = std::to_string(z.width()) + "x" + std::to_string(z.height());
    const std::string distance =
        Output("convert " + ShellQuote(page.ppm) + " -crop " + taille + "+" +
               std::to_string(z.x()) + "+" + std::to_string(z.y()) + " +repage \\( " +
               ShellQuote(photo) + " -rotate " + std::to_string(degres) + " -resize " + taille +
               "! \\) -metric PSNR -compare -format '%[distortion]' info:");
    // Read in the classic locale, whatever the C library's says.
    std::istringstream lu(distance);
    double decibels = 0;
    lu >> decibels;
    return decibels;
}

void ExpectCadre(const std::optional<Cadre>& vu, const Cadre& attendu) {
    ASSERT_TRUE(vu.has_value()) << "no picture on the page";
    EXPECT_NEAR(vu->gauche, attendu.gauche, 1.0) << *vu;
    EXPECT_NEAR(vu->haut, attendu.haut, 1.0) << *vu;
    EXPECT_NEAR(vu->largeur, attendu.largeur, 1.0) << *vu;
    EXPECT_NEAR(vu->hauteur, attendu.hauteur, 1.0) << *vu;
}

// A picture that draws itself in magenta only once the test opens its gate,
// and fails then when it is told to: the test sees the windows while the page
// is being rendered.
struct Porte {
    std::mutex verrou;
    std::condition_variable signal;
    bool dessin = false;
    bool ouverte = false;
    std::string echec;

    bool Dessin() {
        const std::lock_guard<std::mutex> garde(verrou);
        return dessin;
    }
    void Ouvre() {
        {
            const std::lock_guard<std::mutex> garde(verrou);
            ouverte = true;
        }
        signal.notify_all();
    }
};

class ImageRetenue final : public platform::Graphic {
public:
    ImageRetenue(std::shared_ptr<Porte> porte, int32_t largeur, int32_t hauteur)
        : porte_(std::move(porte)), largeur_(largeur), hauteur_(hauteur) {}

    std::unique_ptr<Graphic> Clone() const override {
        return std::make_unique<ImageRetenue>(porte_, largeur_, hauteur_);
    }
    std::string_view ClassName() const override { return "TImageRetenue"; }
    int32_t Width() const override { return largeur_; }
    int32_t Height() const override { return hauteur_; }
    void Draw(platform::Canvas& canvas, const platform::Rect& dest) const override {
        {
            std::unique_lock<std::mutex> garde(porte_->verrou);
            porte_->dessin = true;
            // Bounded: a user interface that waits for the drawing fails the
            // test instead of hanging it.
            porte_->signal.wait_for(garde, 30s, [this] { return porte_->ouverte; });
        }
        if (!porte_->echec.empty()) {
            throw platform::Error(platform::ErrorKind::Message, porte_->echec);
        }
        canvas.SetBrushColor(kMagenta);
        canvas.FillRect(dest);
    }
    void LoadFromStream(platform::Stream& /*stream*/) override {}
    void SaveToStream(platform::Stream& /*stream*/) const override {}

private:
    std::shared_ptr<Porte> porte_;
    int32_t largeur_;
    int32_t hauteur_;
};

// A queue of the system's print service whose jobs become PDF files in a
// folder of the test: the scheduler is started when it is not running (and
// left running: another test may be printing through it); the queue and its
// settings go with the object. The service's settings and queues are the
// system's: a user other than root reaches them through sudo, without a
// password.
class FilePdf {
public:
    static constexpr const char* kPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";

    explicit FilePdf(const std::string& dossier)
        : nom_("visu-test-" + std::to_string(getpid())),
          reglages_("/etc/cups/cups-pdf-" + nom_ + ".conf"),
          sortie_(dossier + "/pdf"),
          journal_(dossier + "/journal") {}
    ~FilePdf() {
        if (creee_) Run(Administre("/usr/sbin/lpadmin -x " + nom_) + " 2>&1");
        Run(Administre("rm -f " + ShellQuote(reglages_)));
    }
    FilePdf(const FilePdf&) = delete;
    FilePdf& operator=(const FilePdf&) = delete;

    const std::string& Nom() const { return nom_; }

    static bool PeutAdministrer() {
        return geteuid() == 0 || Run("sudo -n true >/dev/null 2>&1") == 0;
    }

    // Empty once the queue takes jobs, else what went wrong.
    std::string Installe() {
        if (!Planificateur()) {
            Run(Administre("/usr/sbin/cupsd") + " </dev/null >/dev/null 2>&1");
            const auto limite = std::chrono::steady_clock::now() + 10s;
            while (!Planificateur() && std::chrono::steady_clock::now() < limite) {
                std::this_thread::sleep_for(100ms);
            }
            if (!Planificateur()) return "the print scheduler does not start";
        }
        // The backend reads the settings of the instance its device names.
        // Its printer description lets the service turn Qt's PDF into the
        // PostScript the backend reads.
        if (Run("printf '%s\\n' " + ShellQuote("Out " + sortie_) + " " +
                    ShellQuote("Log " + journal_) + " | " +
                Administre("tee " + ShellQuote(reglages_)) + " >/dev/null") != 0) {
            return "the settings of the PDF printer cannot be written";
        }
        std::string sortie;
        if (Run(Administre("/usr/sbin/lpadmin -p " + nom_ + " -v cups-pdf:/" + nom_ + " -P " +
                           kPpd + " -E") +
                    " 2>&1",
                &sortie) != 0) {
            return "lpadmin: " + sortie;
        }
        creee_ = true;
        return {};
    }

    // The PDF file the queue made of the job just sent, once the job is done;
    // empty after `limite`, with what the print service says in `rapport`.
    std::string Attend(std::chrono::seconds limite, std::string& rapport) const {
        const auto fin = std::chrono::steady_clock::now() + limite;
        while (std::chrono::steady_clock::now() < fin) {
            std::string en_cours;
            Run("lpstat -o " + nom_ + " 2>&1", &en_cours);
            std::error_code absent;
            if (en_cours.empty()) {
                for (const auto& fichier : fs::directory_iterator(sortie_, absent)) {
                    if (fichier.path().extension() == ".pdf") return fichier.path().string();
                }
            }
            std::this_thread::sleep_for(100ms);
        }
        Run("{ lpstat -l -p " + nom_ + "; lpstat -W all -o " + nom_ +
                "; tail -n 20 /var/log/cups/error_log; cat " + ShellQuote(journal_) + "/*; } 2>&1",
            &rapport);
        return {};
    }

private:
    static std::string Administre(const std::string& commande) {
        return geteuid() == 0 ? commande : "sudo -n " + commande;
    }

    static bool Planificateur() {
        std::string etat;
        Run("lpstat -r 2>&1", &etat);
        return etat.starts_with("scheduler is running");
    }

    std::string nom_;
    std::string reglages_;
    std::string sortie_;
    std::string journal_;
    bool creee_ = false;
};

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

    // What the progress window showed at the first turn of its event loop.
    struct Progression {
        bool modale = false;
        std::string titre;
        std::string texte;
    };

    // Runs `imprime`, noting the progress window while the page is printed;
    // none may be left once it returns.
    Progression Observe(const std::function<void()>& imprime) {
        Progression vue;
        QTimer::singleShot(0, [&] {
            const QWidget* progression = QApplication::activeModalWidget();
            if (progression == nullptr || progression->objectName() != "ProgressWindow") return;
            vue.modale = progression->isVisible();
            vue.titre = progression->windowTitle().toStdString();
            if (const auto* texte = progression->findChild<QLabel*>()) {
                vue.texte = texte->text().toStdString();
            }
        });
        imprime();
        EXPECT_EQ(FenetresDeProgression(), 0);
        return vue;
    }

    static int FenetresDeProgression() {
        const QWidgetList fenetres = QApplication::allWidgets();
        return static_cast<int>(std::count_if(fenetres.begin(), fenetres.end(), [](QWidget* w) {
            return w->objectName() == "ProgressWindow";
        }));
    }

    static void ExpectProgression(const Progression& vue) {
        EXPECT_TRUE(vue.modale) << "no progress window while printing";
        EXPECT_EQ(vue.titre, "Impression");
        EXPECT_EQ(vue.texte, "Impression en cours...");
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

TEST_F(Impression, APortraitPageCarriesThePictureAtTheTopCentredAcross) {
    OuvreMagenta(300, 200);
    const std::string pdf = ImprimeSurImprimantePdf("portrait.pdf");
    EXPECT_EQ(TaillePage(pdf), "595x842");
    const PageRendue page = Rend(pdf);
    EXPECT_NEAR(Mm(page.largeur), 210, 0.5);
    EXPECT_NEAR(Mm(page.hauteur), 297, 0.5);
    // 190 x 126.7 mm, on the top margin.
    ExpectCadre(page.encre, {10, 10, 190, 190.0 * 2 / 3});
    EXPECT_TRUE(dialogues->messages.empty());
}

TEST_F(Impression, ALandscapePageCarriesThePictureAtTheTopCentredAcross) {
    OuvreMagenta(300, 200);
    Dialogue().RadioButton2->SetChecked(true);
    const std::string pdf = ImprimeSurImprimantePdf("paysage.pdf");
    EXPECT_EQ(TaillePage(pdf), "842x595");
    const PageRendue page = Rend(pdf);
    ExpectCadre(page.encre, {10 + (277 - 190) / 2.0, 10, 190, 190.0 * 2 / 3});
}

TEST_F(Impression, AFullPageTallPictureFillsThePrintableLength) {
    OuvreMagenta(200, 300);
    Dialogue().CheckBoxPleinePage->SetChecked(true);
    const PageRendue page = Rend(ImprimeSurImprimantePdf("pleine.pdf"));
    ExpectCadre(page.encre, {10 + (190 - 277 * 2 / 3.0) / 2, 10, 277 * 2 / 3.0, 277});
    // Landscape paper: the printable area is 277 x 190 mm.
    Dialogue().RadioButton2->SetChecked(true);
    const PageRendue paysage = Rend(ImprimeSurImprimantePdf("pleine-paysage.pdf"));
    ExpectCadre(paysage.encre, {10 + (277 - 190 * 2 / 3.0) / 2, 10, 190 * 2 / 3.0, 190});
}

TEST_F(Impression, AnAskedSizeIsKeptAndAWidthBeyondThePageClamped) {
    OuvreMagenta(300, 200);
    Dialogue().SpinEditLargeurImg->SetValue(60);
    ExpectCadre(Rend(ImprimeSurImprimantePdf("petite.pdf")).encre,
                {10 + (190 - 60) / 2.0, 10, 60, 40});
    Dialogue().SpinEditLargeurImg->SetValue(300);
    ExpectCadre(Rend(ImprimeSurImprimantePdf("large.pdf")).encre, {10, 10, 190, 190.0 * 2 / 3});
    // A size of nothing prints a blank page.
    Dialogue().SpinEditHauteurImg->SetValue(0);
    const PageRendue vide = Rend(ImprimeSurImprimantePdf("vide.pdf"));
    EXPECT_FALSE(vide.encre.has_value()) << *vide.encre;
    EXPECT_NEAR(Mm(vide.hauteur), 297, 0.5);
}

TEST_F(Impression, AProgressWindowShowsWhileThePageIsRenderedAndClosesItself) {
    OuvreMagenta(300, 200);
    auto porte = std::make_shared<Porte>();
    fiches.FormQR->QRImage1.picture.SetGraphic(std::make_unique<ImageRetenue>(porte, 300, 200));
    // While the page is drawn the event loop turns (a timer ticks) and the
    // window stays whatever the user does; then the drawing is let go.
    int tours = 0;
    bool restee = false;
    QTimer horloge;
    QObject::connect(&horloge, &QTimer::timeout, [&] {
        if (!porte->Dessin() || ++tours < 3) return;
        horloge.stop();
        if (QWidget* progression = QApplication::activeModalWidget()) {
            progression->close();
            QKeyEvent echap(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(progression, &echap);
            restee = progression->isVisible();
        }
        porte->Ouvre();
    });
    horloge.start(1);
    std::string pdf;
    ExpectProgression(Observe([&] { pdf = ImprimeSurImprimantePdf("retenue.pdf"); }));
    EXPECT_GE(tours, 3);
    EXPECT_TRUE(restee) << "the progress window closed before the page was done";
    ExpectCadre(Rend(pdf).encre, {10, 10, 190, 190.0 * 2 / 3});
    EXPECT_TRUE(dialogues->errors.empty());
}

TEST_F(Impression, ARenderingThatFailsClosesTheProgressWindowAndSaysWhy) {
    OuvreMagenta(30, 20);
    auto porte = std::make_shared<Porte>();
    porte->ouverte = true;
    porte->echec = "Le dessin a échoué.";
    fiches.FormQR->QRImage1.picture.SetGraphic(std::make_unique<ImageRetenue>(porte, 30, 20));
    const auto imprime = [&] { fenetre->App().Guard([&] { Dialogue().BitBtnImpressionClick(); }); };
    // On a printer.
    Rapport().PrinterInstalled = [] { return true; };
    Rapport().Printer().setOutputFormat(QPrinter::PdfFormat);
    Rapport().Printer().setOutputFileName(QString::fromStdString(dossier / "imprimante.pdf"));
    ExpectProgression(Observe(imprime));
    // Into a PDF file, which is then not written.
    Rapport().PrinterInstalled = [] { return false; };
    const std::string pdf = dossier / "fichier.pdf";
    dialogues->save_answers.push_back(pdf);
    ExpectProgression(Observe(imprime));
    EXPECT_EQ(dialogues->errors,
              (std::vector<std::string>{"Le dessin a échoué.", "Le dessin a échoué."}));
    EXPECT_FALSE(fs::exists(pdf));
}

// Through a real queue, the way a user prints: the system's print service
// takes the job and its PDF printer writes the page the printer would get.
TEST_F(Impression, APhotoPrintedThroughAPrintQueueComesOutAtItsPlace) {
    REQUIRE_PROGRAM("convert");
    REQUIRE_OR_SKIP(
        fs::exists("/usr/sbin/cupsd") && fs::exists("/usr/sbin/lpadmin") && HaveProgram("lpstat"),
        NotInstalled("cupsd"));
    REQUIRE_OR_SKIP(fs::exists("/usr/lib/cups/backend/cups-pdf") && fs::exists(FilePdf::kPpd),
                    "the PDF printer is not installed (Debian package printer-driver-cups-pdf)");
    REQUIRE_OR_SKIP(FilePdf::PeutAdministrer(),
                    "adding a print queue needs root, or sudo without a password");
    FilePdf file(dossier / "cups");
    ASSERT_EQ(file.Installe(), "");

    const std::string photo = dossier / "photo.jpg";
    fs::copy_file(TestData("exif-samples/jpg/exif-org/kodak-dc210.jpg"), photo);
    Ouvre({photo});
    fenetre->ImpressionImage();
    QPrinter& imprimante = Rapport().Printer();
    imprimante.setPrinterName(QString::fromStdString(file.Nom()));
    ASSERT_EQ(imprimante.printerName().toStdString(), file.Nom());
    ASSERT_EQ(imprimante.outputFormat(), QPrinter::NativeFormat);

    struct Cas {
        const char* nom;
        bool paysage;
        Cadre cadre;
        int degres;
    };
    // 640 x 480 pixels in the 190 x 133 mm box: 177.3 x 133 mm, on the top
    // margin, centred across. The queue prints on A4 sheets: a landscape page
    // comes turned a quarter to the left, its top along the sheet's left edge.
    constexpr double kLargeur = 532 / 3.0;
    for (const Cas& cas :
         {Cas{"portrait", false, {10 + (190 - kLargeur) / 2, 10, kLargeur, 133}, 0},
          Cas{"paysage",
              true,
              {10, 297 - 10 - (277 - kLargeur) / 2 - kLargeur, 133, kLargeur},
              -90}}) {
        SCOPED_TRACE(cas.nom);
        if (cas.paysage) Dialogue().RadioButton2->SetChecked(true);
        ExpectProgression(Observe([&] { Dialogue().BitBtnImpressionClick(); }));
        std::string rapport;
        const std::string sortie = file.Attend(60s, rapport);
        ASSERT_FALSE(sortie.empty()) << "no PDF file from the queue:\n" << rapport;
        const std::string page = dossier / (std::string(cas.nom) + ".pdf");
        fs::rename(sortie, page);
        EXPECT_EQ(TaillePage(page), "595x842");
        EXPECT_EQ(ImagesIncluses(page), std::vector<std::string>{"640x480"});
        const PageRendue rendue = Rend(page, PasBlanc);
        ExpectCadre(rendue.encre, cas.cadre);
        // What is there is the photo, the right way round.
        EXPECT_GE(Psnr(rendue, photo, cas.degres), 25.0);
    }
    EXPECT_TRUE(dialogues->messages.empty());
    EXPECT_TRUE(dialogues->errors.empty());
}

TEST_F(Impression, WithoutAPictureTheReportPrintsABlankPage) {
    Ouvre();
    fenetre->ImpressionImage();
    const PageRendue page = Rend(ImprimeSurImprimantePdf("rien.pdf"));
    EXPECT_FALSE(page.encre.has_value());
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
    ExpectCadre(Rend(pdf).encre, {10, 10, 190, 190.0 * 2 / 3});

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

// The options of the sanitizer the tests are built with, through which a
// process's allocations can be made to fail beyond a size.
#if defined(__SANITIZE_ADDRESS__)
#define VISU_OPTIONS_SANITIZER "ASAN_OPTIONS"
#elif defined(__SANITIZE_THREAD__)
#define VISU_OPTIONS_SANITIZER "TSAN_OPTIONS"
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VISU_OPTIONS_SANITIZER "ASAN_OPTIONS"
#elif __has_feature(thread_sanitizer)
#define VISU_OPTIONS_SANITIZER "TSAN_OPTIONS"
#endif
#endif

TEST_F(Impression, AHugeGifIsPrintedAtThePrintersResolutionOrRefusedNeverBlank) {
#ifndef VISU_OPTIONS_SANITIZER
    GTEST_SKIP() << "allocations are limited through a sanitizer's options";
#else
    // 3000 x 3000 magenta pixels declared in 40 bytes (one decoded, the rest
    // the fill), printed 133 mm wide at 300 dpi: 1570 device units.
    const std::string gif = dossier / "immense.gif";
    WriteFile(gif, std::vector<uint8_t>{'G',  'I',  'F', '8', '9',  'a',  0xB8, 0x0B, 0xB8,
                                        0x0B, 0x80, 0,   0,   0xFF, 0,    0xFF, 0xFF, 0xFF,
                                        0xFF, 0x2C, 0,   0,   0,    0,    0xB8, 0x0B, 0xB8,
                                        0x0B, 0,    2,   2,   0x4C, 0x01, 0,    0x3B});
    // The most one allocation may take, in megabytes. At its own size the
    // picture's bitmap took 27 MB and the copy Qt made of it for the page
    // 36 MB: that copy failing printed a blank page and said nothing. At the
    // printer's resolution the bitmap takes 7.4 MB and its copy in the
    // device's format 9.9 MB.
    struct Cas {
        int megaoctets;
        std::string dit;
    };
    for (const Cas& c :
         {Cas{30, "imprimé"}, Cas{9, "Mémoire insuffisante"}, Cas{5, "Mémoire insuffisante"}}) {
        const std::string pdf = dossier / ("immense-" + std::to_string(c.megaoctets) + ".pdf");
        // The options of this run (suppressions) kept, the leaks of the
        // toolkit not looked for.
        const char* options = std::getenv(VISU_OPTIONS_SANITIZER);
        const std::string limite =
            std::string(options != nullptr ? options : "") +
            ":detect_leaks=0:allocator_may_return_null=1:max_allocation_size_mb=" +
            std::to_string(c.megaoctets);
        const std::string sortie =
            Output(std::string(VISU_OPTIONS_SANITIZER) + "=" + ShellQuote(limite) + " " +
                   ShellQuote(VISU_IMPRIME_SOUS_LIMITE) + " " + ShellQuote(gif) + " " +
                   ShellQuote(pdf) + " 2>/dev/null");
        EXPECT_EQ(sortie, c.dit + "\n") << c.megaoctets;
        if (c.dit == "imprimé") {
            ExpectCadre(Rend(pdf).encre, {10, 10, 133, 133});
        } else {
            EXPECT_FALSE(std::filesystem::exists(pdf)) << c.megaoctets;
        }
    }
#endif
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
