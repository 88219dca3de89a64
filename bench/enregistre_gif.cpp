// Saving a 12-megapixel photograph as a GIF file as the display does (the
// octree's 236 colours and the 20 system colours, Floyd-Steinberg diffusion),
// against ImageMagick's `convert -colors 256 -dither FloydSteinberg` reading
// the same pixels from an uncompressed file, timed in the same run. A ratio
// below 1 means we are faster.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gif/gif_image.h"
#include "mesure.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/jpeg_image.h"

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PICTURE.jpg WORK-FOLDER\n", argv[0]);
        return 2;
    }
    platform::JpegImage photo;
    photo.LoadFromFile(argv[1]);
    platform::Bitmap pixels;
    pixels.Assign(photo);
    const std::string folder = argv[2];
    const std::string ppm = folder + "/enregistre-gif.ppm";
    const std::string ours = folder + "/enregistre-gif-visualisateur.gif";
    const std::string theirs = folder + "/enregistre-gif-imagemagick.gif";
    if (std::system(("convert " + std::string(argv[1]) + " " + ppm).c_str()) != 0) return 1;
    std::printf("%s: %dx%d\n", argv[1], pixels.Width(), pixels.Height());

    bench::Compare(
        {
            {"visualisateur octree + Floyd-Steinberg",
             [&] {
                 gif::TGIFImage image;
                 image.SetColorReduction(8);
                 image.SetDitherMode(1);
                 image.Assign(pixels);
                 image.SaveToFile(ours);
             }},
            {"convert -colors 256 -dither FloydSteinberg",
             [&] {
                 const std::string command =
                     "convert " + ppm + " -colors 256 -dither FloydSteinberg " + theirs;
                 if (std::system(command.c_str()) != 0) std::abort();
             }},
        },
        5, 1);
    return 0;
}
