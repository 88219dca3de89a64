// Any picture the display shows is written as a GIF file other programs read:
// a photo, a turned GIF, a bitmap. The colours are those of the octree with
// Floyd-Steinberg diffusion, as close to the picture as ImageMagick's own
// reduction to 256 colours.
#include <gtest/gtest.h>

#include <gif_lib.h>

#include <QApplication>
#include <cmath>
#include <string>

#include "components/image_brenlow.h"
#include "gif/gif_image.h"
#include "pictures.h"
#include "test_support.h"

namespace components {
namespace {

using namespace testing_support;

// ImageMagick's peak signal-to-noise ratio of a picture against a reference,
// in dB (a large number for identical pictures).
double Psnr(const std::string& picture, const std::string& reference) {
    std::string output;
    testing_support::Run("compare -metric PSNR " + ShellQuote(picture) + " " + ShellQuote(reference) +
            " null: 2>&1",
        &output);
    if (output.rfind("inf", 0) == 0) return 1000;
    return std::stod(output);
}

// The number of colours and frames giflib finds in a file; -1 when it cannot
// read it.
struct GiflibView {
    int colors = -1;
    int frames = 0;
    int width = 0;
    int height = 0;
};
GiflibView ReadWithGiflib(const std::string& path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr) return {};
    GiflibView view;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        const ColorMapObject* map = gif->SavedImages[0].ImageDesc.ColorMap != nullptr
                                        ? gif->SavedImages[0].ImageDesc.ColorMap
                                        : gif->SColorMap;
        view.colors = map != nullptr ? map->ColorCount : 0;
        view.frames = gif->ImageCount;
        view.width = gif->SWidth;
        view.height = gif->SHeight;
    }
    DGifCloseFile(gif, &error);
    return view;
}

class EnregistreGif : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PROGRAM("convert");
        gif::RegisterGIFImage();
        affichage.resize(800, 600);
        affichage.show();
        affichage.Loaded();
    }

    // Writes the shown picture as a GIF file and checks that ImageMagick and
    // giflib read it as one frame of at most 256 colours at `size`; its
    // PSNR against `reference`.
    double Enregistre(const std::string& nom, const std::string& reference,
                      const std::string& size) {
        const std::string gif = dossier / nom;
        affichage.EnregistreSous(gif);
        EXPECT_EQ(Identify("%m %wx%h %[colors]\n", gif).substr(0, 4 + size.size()),
                  "GIF " + size);
        EXPECT_LE(std::stoi(Identify("%k", gif)), 256);
        const GiflibView view = ReadWithGiflib(gif);
        EXPECT_EQ(view.frames, 1);
        EXPECT_GT(view.colors, 0);
        EXPECT_LE(view.colors, 256);
        EXPECT_EQ(std::to_string(view.width) + "x" + std::to_string(view.height), size);
        return Psnr(gif, reference);
    }

    // ImageMagick's reduction of the reference to 256 colours with
    // Floyd-Steinberg diffusion, and its PSNR against the reference.
    double Reduction(const std::string& reference) {
        const std::string gif = dossier / "imagemagick.gif";
        EXPECT_EQ(testing_support::Run("convert " + ShellQuote(reference) +
                      " -colors 256 -dither FloydSteinberg " + ShellQuote(gif)),
                  0);
        return Psnr(gif, reference);
    }

    TempDir dossier;
    TImageBrenlow affichage{nullptr, "Korvel1"};
};

TEST_F(EnregistreGif, APhotoComesWithinOneDecibelOfImageMagick) {
    const std::string photo = TestData("exif-samples/jpg/exif-org/fujifilm-dx10.jpg");
    const std::string reference = dossier / "photo.png";
    ASSERT_EQ(testing_support::Run("convert " + ShellQuote(photo) + " " + ShellQuote(reference)), 0);
    affichage.ChargeFichier(photo);
    const double ours = Enregistre("photo.gif", reference, "1024x768");
    const double theirs = Reduction(reference);
    RecordProperty("psnr", std::to_string(ours) + " / " + std::to_string(theirs));
    EXPECT_GE(ours, theirs - 1.0) << ours << " dB against " << theirs;
}

// The reduction's cached lookup gives every colour of a cell the answer of
// the first one asked, which costs this picture more than the photo.
TEST_F(EnregistreGif, ABitmapComesWithinOneAndAHalfDecibelsOfImageMagick) {
    const std::string bmp = dossier / "photo.bmp";
    ASSERT_EQ(testing_support::Run("convert " +
                  ShellQuote(TestData("exif-samples/jpg/exif-org/nikon-e950.jpg")) +
                  " -type TrueColor BMP3:" + ShellQuote(bmp)),
              0);
    affichage.ChargeFichier(bmp);
    const double ours = Enregistre("bitmap.gif", bmp, "800x600");
    const double theirs = Reduction(bmp);
    RecordProperty("psnr", std::to_string(ours) + " / " + std::to_string(theirs));
    EXPECT_GE(ours, theirs - 1.5) << ours << " dB against " << theirs;
}

TEST_F(EnregistreGif, ATurnedGifIsWrittenAgainAsAGif) {
    const std::string source = dossier / "source.gif";
    ASSERT_EQ(testing_support::Run("convert " + ShellQuote(TestData("exif-samples/jpg/exif-org/canon-ixus.jpg")) +
                  " -colors 200 " + ShellQuote(source)),
              0);
    const std::string reference = dossier / "tournee.png";
    ASSERT_EQ(testing_support::Run("convert " + ShellQuote(source) + " -rotate 90 " + ShellQuote(reference)), 0);
    affichage.ChargeFichier(source);
    affichage.Rotation(90);
    const double ours = Enregistre("tournee.gif", reference, "480x640");
    const double theirs = Reduction(reference);
    EXPECT_GE(ours, std::min(theirs, 40.0) - 1.0) << ours << " dB against " << theirs;
}

}  // namespace
}  // namespace components
