// Showing the next picture: a 24-megapixel JPEG loaded from memory and laid
// out fitted in a 1920x1080 picture area, as the viewer does it (the picture
// area then paints straight from the fitted pixels), against what Qt viewers
// do (QImageReader asked for the scaled size) and against a full decode
// followed by a smooth scaling. Ratios below 1 mean we are faster.
#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>
#include <string>

#include "components/image_brenlow_geometrie.h"
#include "mesure.h"
#include "platform/core/stream.h"
#include "platform/graphics/jpeg_image.h"

int main(int argc, char* argv[]) {
    QCoreApplication qt(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PICTURE.jpg...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::vector<uint8_t> octets = platform::ReadFileBytes(argv[i]);
        const QByteArray donnees(reinterpret_cast<const char*>(octets.data()),
                                 static_cast<qsizetype>(octets.size()));

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
        std::printf("%s: %dx%d fitted to %dx%d\n", argv[i], entete.Width(), entete.Height(),
                    largeur, hauteur);

        bench::Compare({
            {"visualisateur (load, decode to the fitted size)",
             [&] {
                 platform::JpegImage image;
                 auto flux = platform::MemoryStream::View(octets);
                 image.LoadFromStream(flux);
                 image.Prepare(largeur, hauteur);
                 // What the picture area paints from.
                 if (!image.Drawn(largeur, hauteur)) std::abort();
             }},
            {"QImageReader at the scaled size",
             [&] {
                 QBuffer tampon;
                 tampon.setData(donnees);
                 QImageReader reader(&tampon, "jpeg");
                 reader.setScaledSize(QSize(largeur, hauteur));
                 if (reader.read().isNull()) std::abort();
             }},
            {"full decode + QImage::scaled (smooth)",
             [&] {
                 const QImage image = QImage::fromData(donnees, "jpeg");
                 if (image.scaled(largeur, hauteur, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .isNull()) {
                     std::abort();
                 }
             }},
        });
    }
    return 0;
}
