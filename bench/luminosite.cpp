// One brightness and contrast step on a decoded 24-megapixel photograph, as
// the editing dialog renders each move of its controls into the same picture,
// against copying the same pixels with memcpy, timed in the same run. The
// goal is a ratio of at most 2.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

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
    const size_t octets = pixels->Stride() * static_cast<size_t>(pixels->Height());
    const uint8_t* debut = pixels->ScanLine(0);
    std::vector<uint8_t> copie(octets);
    std::printf("%s: %dx%d\n", argv[1], pixels->Width(), pixels->Height());
    platform::Picture source;
    source.SetGraphic(std::move(pixels));
    platform::Picture rendu;

    double luminosite = 1.2;
    bench::Compare({
        {"visualisateur LuminositeContraste",
         [&] {
             luminosite = 2.4 - luminosite;
             components::LuminositeContraste(127, source, rendu, luminosite, 0.3);
             if (rendu.Width() != source.Width()) std::abort();
         }},
        {"memcpy of the pixels",
         [&] {
             std::memcpy(copie.data(), debut, octets);
             if (copie[octets / 2] != debut[octets / 2]) std::abort();
         }},
    });
    return 0;
}
