// The shared GIF suite: every file loads, and every frame's pixels, mapped
// through its active colour table, are what the suite's expected frames show
// where that frame is drawn (ImageMagick reads the expected PNG frames).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gif_test_support.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::Load;
using gif_testing::Loaded;
using testing_support::HaveProgram;
using testing_support::ReadFile;
using testing_support::Run;
using testing_support::ShellQuote;
using testing_support::TestData;

// A PNG as rows of red, green, blue, alpha.
struct Rgba {
    int width = 0;
    int height = 0;
    std::string bytes;
    const uint8_t* At(int x, int y) const {
        return reinterpret_cast<const uint8_t*>(bytes.data()) + (y * width + x) * 4;
    }
};

Rgba ReadPng(const std::string& path) {
    Rgba png;
    std::string size;
    EXPECT_EQ(Run("identify -format '%w %h' " + ShellQuote(path), &size), 0);
    sscanf(size.c_str(), "%d %d", &png.width, &png.height);
    EXPECT_EQ(Run("convert " + ShellQuote(path) + " -depth 8 rgba:-", &png.bytes), 0);
    EXPECT_EQ(png.bytes.size(), static_cast<size_t>(png.width * png.height * 4)) << path;
    return png;
}

std::vector<std::string> SuiteFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(TestData("gif-suite/gifs"))) {
        if (entry.path().extension() == ".gif") names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The expected picture after frame `index`; static files have one, named
// after the file.
std::string ExpectedFrame(const std::string& name, int32_t index) {
    const std::string animated =
        TestData("gif-suite/gifs/frames/" + name + "-" + std::to_string(index) + ".png");
    if (std::filesystem::exists(animated)) return animated;
    const std::string still = TestData("gif-suite/gifs/frames/" + name + ".png");
    return index == 0 && std::filesystem::exists(still) ? still : std::string();
}

TEST(GifSuite, EveryFileLoadsAndShowsItsExpectedFrames) {
    if (!HaveProgram("convert")) GTEST_SKIP() << "ImageMagick is missing";
    const std::vector<std::string> names = SuiteFiles();
    ASSERT_GE(names.size(), 13u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Loaded loaded = Load(ReadFile(TestData("gif-suite/gifs/" + name + ".gif")));
        TGIFImage& image = *loaded.image;
        EXPECT_TRUE(loaded.warnings->empty());
        ASSERT_GE(image.Images().Count(), 1);
        int32_t compared = 0;
        for (int32_t i = 0; i < image.Images().Count(); ++i) {
            const std::string expected = ExpectedFrame(name, i);
            if (expected.empty()) continue;
            const Rgba png = ReadPng(expected);
            ASSERT_EQ(png.width, image.Width());
            ASSERT_EQ(png.height, image.Height());
            TGIFSubImage& frame = *image.Images().SubImages(i);
            TGIFColorMap& colors = frame.ActiveColorMap();
            const bool transparent = frame.HasTransparency();
            const uint8_t hole =
                transparent ? frame.GraphicControlExtension()->TransparentColorIndex() : 0;
            int32_t mismatches = 0;
            for (int32_t y = 0; y < frame.Height(); ++y) {
                for (int32_t x = 0; x < frame.Width(); ++x) {
                    const int32_t sx = frame.Left() + x;
                    const int32_t sy = frame.Top() + y;
                    if (sx >= png.width || sy >= png.height) continue;
                    const uint8_t index = frame.GetPixel(x, y);
                    const uint8_t* shown = png.At(sx, sy);
                    if (transparent && index == hole) {
                        // What shows through depends on the frames before,
                        // except on the first.
                        if (i == 0) mismatches += shown[3] != 0;
                        continue;
                    }
                    const TGIFColor c = colors.Entries()[index];
                    mismatches += shown[0] != c.Red || shown[1] != c.Green || shown[2] != c.Blue ||
                                  shown[3] != 255;
                }
            }
            EXPECT_EQ(mismatches, 0) << "frame " << i;
            ++compared;
        }
        EXPECT_GE(compared, 1);
    }
}

}  // namespace
}  // namespace gif
