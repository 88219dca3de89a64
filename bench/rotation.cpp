// Turning a decoded 24-megapixel photograph by a quarter turn, as the display
// and the editing dialog do, against QImage::transformed on the same 24-bit
// pixels, timed in the same run. A ratio below 1 means we are faster.
#include <QImage>
#include <QTransform>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "components/routines_image.h"
#include "mesure.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/jpeg_image.h"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PICTURE.jpg\n", argv[0]);
        return 2;
    }
    platform::JpegImage photo;
    photo.LoadFromFile(argv[1]);
    auto pixels = std::make_unique<platform::Bitmap>();
    pixels->Assign(photo);
    const QImage qt = QImage(pixels->ScanLine(0), pixels->Width(), pixels->Height(),
                             static_cast<qsizetype>(pixels->Stride()), QImage::Format_BGR888)
                          .copy();
    std::printf("%s: %dx%d\n", argv[1], pixels->Width(), pixels->Height());
    platform::Picture source;
    source.SetGraphic(std::move(pixels));
    platform::Picture tournee;

    bench::Compare({
        {"visualisateur RotationImage(90)",
         [&] {
             components::RotationImage(90, source, tournee);
             if (tournee.Width() != source.Height()) std::abort();
         }},
        {"QImage::transformed(rotate 90)",
         [&] {
             if (qt.transformed(QTransform().rotate(90)).width() != qt.height()) std::abort();
         }},
    });
    return 0;
}
