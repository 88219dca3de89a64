// Showing the next picture: a 24-megapixel JPEG loaded from memory and laid
// out fitted in a 1920x1080 picture area, as the viewer does it, against what
// Qt viewers do (QImageReader asked for the scaled size) and against a full
// decode followed by a smooth scaling. Ratios below 1 mean we are faster.
#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>
#include <string>

#include "components/image_brenlow_geometrie.h"
#include "mesure.h"
#include "platform/core/stream.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/jpeg_image.h"

int main(int argc, char* argv[]) {
    QCoreApplication qt(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PICTURE.jpg...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::vector<uint8_t> octets = platform::ReadFileBytes(argv[i]);
        const QByteArray donnees(reinterpret_cast<const char*>(octets.data()), static_cast<qsizetype>(octets.size()));

        platform::JpegImage entete;
        auto vue = platform::MemoryStream::View(octets);
        entete.LoadFromStream(vue);
        components::ParametresDisposition p;
        p.largeur_panneau = 1920;
        p.hauteur_panneau = 1080;
        p.largeur_image = entete.Width();
        p.hauteur_image = entete.Height();
        p.stretch = true;
        p.garde_proportion = true;
        p.marges = components::Marges{10, 10, 10, 10};
        const platform::Rect cadre = components::CalculeDisposition(p);
        const int largeur = cadre.Width();
        const int hauteur = cadre.Height();
        std::printf("%s: %dx%d fitted to %dx%d\n", argv[i], entete.Width(), entete.Height(), largeur, hauteur);

        const double nous = bench::Mediane([&] {
            platform::JpegImage image;
            auto flux = platform::MemoryStream::View(octets);
            image.LoadFromStream(flux);
            image.Prepare(largeur, hauteur);
            platform::Bitmap ecran(largeur, hauteur);
            platform::Canvas canvas(ecran);
            canvas.StretchDraw(platform::Rect{0, 0, largeur, hauteur}, image);
        });
        const double lecteur = bench::Mediane([&] {
            QBuffer tampon;
            tampon.setData(donnees);
            QImageReader reader(&tampon, "jpeg");
            reader.setScaledSize(QSize(largeur, hauteur));
            const QImage image = reader.read();
            if (image.isNull()) std::abort();
        });
        const double complet = bench::Mediane([&] {
            const QImage image = QImage::fromData(donnees, "jpeg");
            const QImage reduite = image.scaled(largeur, hauteur, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            if (reduite.isNull()) std::abort();
        }, 5, 1);
        bench::Ligne("visualisateur (load, decode, fitted copy)", nous);
        bench::Ligne("QImageReader at the scaled size", lecteur);
        bench::Ligne("full decode + QImage::scaled (smooth)", complet);
        std::printf("  => ours / QImageReader = %.2f, ours / full+scaled = %.2f\n", nous / lecteur, nous / complet);
    }
    return 0;
}
