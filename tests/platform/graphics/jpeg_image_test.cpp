#include "platform/graphics/jpeg_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

// jpeglib.h needs FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "pictures.h"
#include "platform/core/error.h"
#include "platform/core/stream.h"
#include "platform/graphics/canvas.h"
#include "test_support.h"

namespace platform {
namespace {

using namespace testing_support;

using Bytes = std::vector<uint8_t>;

struct Difference {
    int max = 0;
    double mean = 0;
};

// Our blue-green-red rows against ImageMagick's red-green-blue bytes.
Difference Compare(const Bitmap& ours, const std::string& rgb) {
    Difference difference;
    const size_t width = static_cast<size_t>(ours.Width());
    EXPECT_EQ(rgb.size(), width * static_cast<size_t>(ours.Height()) * 3);
    if (rgb.size() != width * static_cast<size_t>(ours.Height()) * 3) return {255, 255};
    double total = 0;
    for (int32_t y = 0; y < ours.Height(); ++y) {
        const uint8_t* row = ours.ScanLine(y);
        const char* theirs = rgb.data() + static_cast<size_t>(y) * width * 3;
        for (size_t x = 0; x < width; ++x) {
            for (size_t c = 0; c < 3; ++c) {
                const int d =
                    std::abs(row[x * 3 + 2 - c] - static_cast<uint8_t>(theirs[x * 3 + c]));
                difference.max = std::max(difference.max, d);
                total += d;
            }
        }
    }
    difference.mean = total / static_cast<double>(rgb.size());
    return difference;
}

void LoadBytes(JpegImage& image, const Bytes& bytes) {
    MemoryStream stream(bytes);
    image.LoadFromStream(stream);
}

Bytes Save(const JpegImage& image) {
    MemoryStream stream;
    image.SaveToStream(stream);
    return stream.Release();
}

std::string LoadError(const Bytes& bytes) {
    JpegImage image;
    return ErrorText([&] { LoadBytes(image, bytes); });
}

// Writes a new size into the frame header (SOF0 or SOF2) of a file.
Bytes WithFrameSize(Bytes bytes, uint16_t width, uint16_t height) {
    for (size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = static_cast<uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<uint8_t>(height);
            bytes[i + 7] = static_cast<uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<uint8_t>(width);
            return bytes;
        }
    }
    ADD_FAILURE() << "no frame header";
    return bytes;
}

class JpegImageTest : public ::testing::Test {
protected:
    // A picture made by ImageMagick from `options` (which end with the source).
    std::string Make(const std::string& name, const std::string& options) {
        Output("convert " + options + " " + ShellQuote(dir_ / name));
        return dir_ / name;
    }

    // A textured picture: plasma is smooth with some grain, like a photo.
    std::string MakePhoto(const std::string& name, int width, int height,
                          const std::string& options = "") {
        return Make(name, "-size " + std::to_string(width) + "x" + std::to_string(height) +
                              " -seed 7 plasma:fractal -quality 90 " + options);
    }

    // ImageMagick's own decoding, as 8-bit red, green, blue; `reading` applies to the decoding,
    // `then` to the decoded picture.
    static std::string Magick(const std::string& path, const std::string& reading = "",
                              const std::string& then = "") {
        return Output("convert " + reading + " " + ShellQuote(path) + " " + then +
                      " -depth 8 rgb:-");
    }

    static void Load(JpegImage& image, const std::string& path) {
        LoadBytes(image, ReadFile(path));
    }

    TempDir dir_;
};

TEST_F(JpegImageTest, DecodesLikeImageMagickAtEveryScale) {
    struct Step {
        JpegScale scale;
        int denominator;
        int32_t width;  // libjpeg rounds the reduced sizes up
        int32_t height;
    };
    const Step steps[] = {{JpegScale::FullSize, 1, 1001, 667},
                          {JpegScale::Half, 2, 501, 334},
                          {JpegScale::Quarter, 4, 251, 167},
                          {JpegScale::Eighth, 8, 126, 84}};
    for (const char* options :
         {"-sampling-factor 2x2", "-sampling-factor 2x1", "-sampling-factor 1x1",
          "-sampling-factor 2x2 -interlace JPEG", "-colorspace Gray"}) {
        SCOPED_TRACE(options);
        const std::string path = MakePhoto("p.jpg", 1001, 667, options);
        JpegImage image;
        Load(image, path);
        Bitmap reused;
        for (const Step& step : steps) {
            SCOPED_TRACE(step.denominator);
            image.SetScale(step.scale);
            EXPECT_EQ(image.Width(), step.width);
            const Bitmap& ours = image.GetBitmap();
            ASSERT_EQ(ours.Width(), step.width);
            ASSERT_EQ(ours.Height(), step.height);
            // A decoding into a bitmap of a tool's gives the same pixels.
            image.DecodeTo(reused);
            ASSERT_EQ(reused.Width(), step.width);
            for (int32_t y = 0; y < step.height; ++y) {
                ASSERT_EQ(std::memcmp(ours.ScanLine(y), reused.ScanLine(y), 3 * static_cast<size_t>(step.width)), 0)
                    << y;
            }
            // ImageMagick picks libjpeg's scale from the size it is asked for.
            const std::string size = std::to_string(1001 / step.denominator) + "x" +
                                     std::to_string(667 / step.denominator);
            EXPECT_LE(Compare(ours, Magick(path, "-define jpeg:size=" + size)).max, 1);
        }
    }
}

TEST_F(JpegImageTest, CmykPicturesDecodeToTheirColours) {
    const std::string path = MakePhoto("cmyk.jpg", 97, 65, "-colorspace CMYK");
    ASSERT_EQ(Identify("%[colorspace]", path), "CMYK");
    JpegImage image;
    Load(image, path);
    EXPECT_LE(Compare(image.GetBitmap(), Magick(path, "", "-colorspace sRGB")).max, 2);
    image.SetScale(JpegScale::Quarter);
    EXPECT_LE(
        Compare(image.GetBitmap(), Magick(path, "-define jpeg:size=24x16", "-colorspace sRGB")).max,
        2);
}

TEST_F(JpegImageTest, UnmodifiedPictureIsSavedByteForByte) {
    const std::string path = MakePhoto("p.jpg", 120, 80);
    const Bytes original = ReadFile(path);
    JpegImage image;
    Load(image, path);
    EXPECT_FALSE(image.Modified());
    EXPECT_EQ(Save(image), original);

    // Neither the encoding settings nor decoding change what is written.
    image.SetCompressionQuality(5);
    image.SetProgressiveEncoding(true);
    image.SetScale(JpegScale::Half);
    image.GetBitmap();
    image.Prepare(30, 20);
    EXPECT_EQ(Save(image), original);

    const auto clone = image.Clone();
    EXPECT_EQ(Save(dynamic_cast<const JpegImage&>(*clone)), original);

    JpegImage copy;
    copy.SetCompressionQuality(30);
    int changes = 0;
    copy.OnChange = [&](Graphic&) { ++changes; };
    copy.Assign(image);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(copy.CompressionQuality(), 30);
    EXPECT_EQ(copy.CompressedData().data(), image.CompressedData().data());
    EXPECT_EQ(Save(copy), original);

    // Bytes the caller keeps are read where they stand.
    JpegImage kept;
    kept.LoadFromBytes(original);
    EXPECT_EQ(kept.CompressedData().data(), original.data());
    EXPECT_EQ(kept.Width(), 120);
    EXPECT_EQ(Save(kept), original);
}

TEST_F(JpegImageTest, PixelsFromAnotherGraphicAreEncodedAtTheQuality) {
    const Bitmap bitmap = Noise(203, 131, 3);
    const std::string source = dir_ / "source.bmp";
    bitmap.SaveToFile(source);

    JpegImage image;
    image.Assign(bitmap);
    EXPECT_TRUE(image.Modified());
    EXPECT_TRUE(image.CompressedData().empty());
    EXPECT_EQ(image.Width(), 203);
    for (const int32_t quality : {0, 101}) {
        EXPECT_EQ(ErrorText([&] { image.SetCompressionQuality(quality); }),
                  "Erreur de vérification d'étendue");
    }
    EXPECT_EQ(image.CompressionQuality(), 90);

    struct Case {
        int32_t quality;
        bool progressive;
    };
    for (const Case& c : {Case{90, false}, Case{90, true}, Case{20, false}}) {
        const std::string options = "-quality " + std::to_string(c.quality) +
                                    " -sampling-factor 2x2" +
                                    (c.progressive ? " -interlace JPEG" : "");
        SCOPED_TRACE(options);
        image.SetCompressionQuality(c.quality);
        image.SetProgressiveEncoding(c.progressive);
        const Bytes encoded = Save(image);
        const std::string path = dir_ / "encoded.jpg";
        WriteFile(path, encoded);
        EXPECT_EQ(Identify("%Q", path), std::to_string(c.quality));
        EXPECT_EQ(Identify("%[interlace]", path), c.progressive ? "JPEG" : "None");

        // As faithful to the pixels as ImageMagick's own encoding at that quality, and
        // decoded alike by both.
        const std::string reference = Make("reference.jpg", ShellQuote(source) + " " + options);
        const double ours = Compare(bitmap, Magick(path)).mean;
        EXPECT_LT(ours, Compare(bitmap, Magick(reference)).mean * 1.05 + 0.05);
        JpegImage reloaded;
        LoadBytes(reloaded, encoded);
        EXPECT_LE(Compare(reloaded.GetBitmap(), Magick(path)).max, 1);
    }
    // Nothing to encode is an error, not an empty file.
    const JpegImage empty;
    EXPECT_EQ(ErrorText([&] { Save(empty); }), "Erreur JPEG #" + std::to_string(JERR_EMPTY_IMAGE));
}

// A picture encoded again samples its colours as the file it was loaded
// from, however its pixels came.
TEST_F(JpegImageTest, ANewEncodingIsSampledAsTheFileLoaded) {
    const Bitmap pixels = Noise(64, 48, 3);
    for (const std::string factors : {"1x1", "2x1", "1x2", "2x2"}) {
        SCOPED_TRACE(factors);
        JpegImage image;
        Load(image, MakePhoto("s.jpg", 64, 48, "-sampling-factor " + factors));
        JpegImage copy;
        copy.Assign(image);
        copy.Assign(pixels);
        WriteFile(dir_ / "out.jpg", Save(copy));
        EXPECT_EQ(Identify("%[jpeg:sampling-factor]", dir_ / "out.jpg"), factors + ",1x1,1x1");
    }
    JpegImage grey;
    Load(grey, MakePhoto("g.jpg", 64, 48, "-colorspace Gray -sampling-factor 1x1"));
    EXPECT_EQ(grey.Sampling(), JpegSampling{});

    JpegImage image;
    image.SetSampling({{2, 2, 2}, {4, 4, 4}});
    EXPECT_EQ(image.Sampling(), (JpegSampling{{1, 1, 1}, {1, 1, 1}}));
    for (const JpegSampling& refused :
         {JpegSampling{{3, 2, 1}, {1, 1, 1}}, JpegSampling{{0, 1, 1}, {1, 1, 1}},
          JpegSampling{{4, 1, 1}, {4, 1, 1}}, JpegSampling{{1, 1, 1}, {8, 1, 1}}}) {
        EXPECT_EQ(ErrorText([&] { image.SetSampling(refused); }),
                  "Erreur de vérification d'étendue");
    }
    const JpegSampling horizontal{{2, 1, 1}, {1, 1, 1}};
    EXPECT_EQ(horizontal.Turned(-90), (JpegSampling{{1, 1, 1}, {2, 1, 1}}));
    EXPECT_EQ(horizontal.Turned(180), horizontal);
}

TEST_F(JpegImageTest, BrokenFilesRaiseJpegErrors) {
    const Bytes good = ReadFile(MakePhoto("p.jpg", 64, 48));
    std::mt19937 random(5);
    Bytes noise(3000);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    Bytes bmp = ReadFile(Make("p.bmp", "-size 8x8 xc:red"));

    const std::string prefix = "Erreur JPEG #";
    EXPECT_EQ(LoadError(bmp), prefix + std::to_string(JERR_NO_SOI));
    EXPECT_EQ(LoadError({}), prefix + std::to_string(JERR_INPUT_EMPTY));
    // Cut inside the header: libjpeg finds no image before the data ends.
    EXPECT_EQ(LoadError(Bytes(good.begin(), good.begin() + 150)),
              prefix + std::to_string(JERR_NO_IMAGE));
    EXPECT_EQ(LoadError({0xFF, 0xD8, 0xFF, 0xD9}), prefix + std::to_string(JERR_NO_IMAGE));
    EXPECT_EQ(LoadError(noise).rfind(prefix, 0), 0U);
    Bytes noisy_header = good;
    std::fill(noisy_header.begin() + 20, noisy_header.begin() + 400, uint8_t{0x5A});
    EXPECT_EQ(LoadError(noisy_header).rfind(prefix, 0), 0U);

    // A failed load leaves the picture as it was.
    JpegImage image;
    LoadBytes(image, good);
    EXPECT_THROW(LoadBytes(image, bmp), Error);
    EXPECT_EQ(image.Width(), 64);
    EXPECT_EQ(Save(image), good);
}

TEST_F(JpegImageTest, TruncatedBodyDecodesWhatItHas) {
    const std::string path = MakePhoto("p.jpg", 320, 240);
    const Bytes whole = ReadFile(path);
    JpegImage complete;
    LoadBytes(complete, whole);
    const Bitmap& reference = complete.GetBitmap();

    JpegImage cut;
    LoadBytes(cut, Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(whole.size() / 2)));
    const Bitmap& partial = cut.GetBitmap();
    ASSERT_EQ(partial.Height(), 240);
    // The first quarter of the rows lies well inside the bytes kept.
    for (int32_t y = 0; y < 60; ++y)
        ASSERT_TRUE(
            std::equal(partial.ScanLine(y), partial.ScanLine(y) + 320 * 3, reference.ScanLine(y)))
            << "row " << y;
    Bitmap target(40, 30);
    Canvas canvas(target);
    EXPECT_NO_THROW(cut.Draw(canvas, Rect{0, 0, 40, 30}));
}

TEST_F(JpegImageTest, DamageIsToldOnceADecodingMadeUpPixels) {
    const Bytes camera = ReadFile(TestData("exif-samples/jpg/exif-org/canon-ixus.jpg"));
    const size_t scan = MarkerOffset(camera, 0xDA);
    const size_t middle = (scan + camera.size()) / 2;
    // A camera file with restart markers, one of them out of its order.
    Bytes restarts = ReadFile(TestData("exif-samples/jpg/exif-org/nikon-e950.jpg"));
    size_t restart = (MarkerOffset(restarts, 0xDA) + restarts.size()) / 2;
    while (restarts[restart] != 0xFF || restarts[restart + 1] < 0xD0 ||
           restarts[restart + 1] > 0xD7)
        ++restart;
    restarts[restart + 1] = static_cast<uint8_t>(0xD0 + (restarts[restart + 1] - 0xD0 + 3) % 8);
    const Bytes progressive = ReadFile(MakePhoto("p.jpg", 320, 240, "-interlace JPEG"));

    struct Case {
        const char* name;
        Bytes bytes;
        bool damaged;
    };
    const Case cases[] = {
        {"whole", camera, false},
        {"cut early in the scan", Cut(camera, scan + 500), true},
        {"cut in the middle", Cut(camera, middle), true},
        {"cut before its end marker", Cut(camera, camera.size() - 2), true},
        {"an end marker inside the scan", Inserted(camera, middle, {0xFF, 0xD9}), true},
        {"a restart out of order", restarts, true},
        {"progressive, cut between two scans", Cut(progressive, MarkerOffset(progressive, 0xDA, 3)),
         true},
        {"progressive, whole", progressive, false},
        {"extra bytes between segments", Inserted(camera, scan, {0, 0x11, 0x22}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JpegImage image;
        LoadBytes(image, c.bytes);
        EXPECT_FALSE(image.Damaged()) << "nothing decoded yet";
        const std::unique_ptr<Graphic> copy = image.Clone();
        image.GetBitmap();
        EXPECT_EQ(image.Damaged(), c.damaged);
        EXPECT_EQ(dynamic_cast<const JpegImage&>(*copy).Damaged(), c.damaged);
        // Drawn reduced, row by row on a thread of its own: the same answer.
        JpegImage drawn;
        LoadBytes(drawn, c.bytes);
        drawn.Prepare(drawn.Width() / 3, drawn.Height() / 3);
        EXPECT_EQ(drawn.Damaged(), c.damaged);
        // Pixels of its own: nothing of the file is left to be damaged.
        drawn.Assign(*Pattern(8, 8));
        EXPECT_FALSE(drawn.Damaged());
    }
    // Bytes between segments change no pixel.
    JpegImage whole;
    LoadBytes(whole, camera);
    JpegImage extra;
    LoadBytes(extra, cases[std::size(cases) - 1].bytes);
    const Bitmap& a = whole.GetBitmap();
    const Bitmap& b = extra.GetBitmap();
    ASSERT_EQ(SizeOf(a), SizeOf(b));
    for (int32_t y = 0; y < a.Height(); ++y)
        ASSERT_TRUE(std::equal(a.ScanLine(y), a.ScanLine(y) + a.Width() * 3, b.ScanLine(y))) << y;
}

TEST_F(JpegImageTest, PreparedPictureDrawsWithoutDecodingAgain) {
    const std::string path = MakePhoto("big.jpg", 1600, 1000);
    JpegImage image;
    Load(image, path);
    const uint64_t start = JpegImage::DecodeCount();
    image.Prepare(640, 400);
    EXPECT_EQ(JpegImage::DecodeCount(), start + 1);

    Bitmap screen(640, 400);
    Canvas canvas(screen);
    image.Draw(canvas, Rect{0, 0, 640, 400});
    // A clone shares what was decoded; smaller drawings, whole or clipped, reduce the fitted
    // result.
    const auto clone = image.Clone();
    clone->Draw(canvas, Rect{0, 0, 640, 400});
    Bitmap thumbnail(33, 33);
    Canvas small(thumbnail);
    image.Draw(small, Rect{0, 0, 33, 33});
    clone->Draw(small, Rect{-100, -60, 200, 125});
    EXPECT_EQ(JpegImage::DecodeCount(), start + 1);

    // The fitted picture is the area average of the half-size decoding.
    const Difference d =
        Compare(screen, Magick(path, "-define jpeg:size=800x500", "-scale 640x400!"));
    EXPECT_LT(d.mean, 0.6);
    EXPECT_LE(d.max, 3);

    // Zoomed in, only a part shows: the full-size decoding is kept for later drawings.
    image.Draw(canvas, Rect{-1000, -500, 2200, 1500});
    EXPECT_EQ(JpegImage::DecodeCount(), start + 2);
    image.Draw(canvas, Rect{-1200, -500, 2000, 1500});
    image.GetBitmap();
    EXPECT_EQ(JpegImage::DecodeCount(), start + 2);
    // Twice the size: the canvas's pixel (x, y) shows the picture's (x + 1200) / 2, (y + 500) / 2.
    const Bitmap& full = image.GetBitmap();
    for (const auto& [x, y] : {std::pair{100, 100}, std::pair{501, 333}}) {
        const uint8_t* shown = screen.ScanLine(y) + x * 3;
        const uint8_t* source = full.ScanLine((y + 500) / 2) + (x + 1200) / 2 * 3;
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(shown[c], source[c], 6);
    }
}

// A stream that keeps the size of every write and takes no more than `limit`
// bytes.
class RecordingStream final : public Stream {
public:
    explicit RecordingStream(size_t limit = SIZE_MAX) : limit_(limit) {}
    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void* buffer, size_t count) override {
        if (bytes.size() + count > limit_) return 0;
        writes.push_back(count);
        const auto* from = static_cast<const uint8_t*>(buffer);
        bytes.insert(bytes.end(), from, from + count);
        return count;
    }
    int64_t Seek(int64_t, SeekOrigin) override { return Tell(); }
    int64_t Size() const override { return static_cast<int64_t>(bytes.size()); }

    std::vector<size_t> writes;
    Bytes bytes;

protected:
    int64_t Tell() const override { return static_cast<int64_t>(bytes.size()); }

private:
    size_t limit_;
};

TEST_F(JpegImageTest, AnEncodingGoesToTheStreamInBlocksAndItsFailureIsTheStreams) {
    const Bitmap bitmap = Noise(1500, 1000, 7);
    JpegImage copied;
    copied.Assign(bitmap);
    // Lent, not copied: the same file all the same.
    JpegImage lent;
    lent.AssignWithoutCopy(bitmap);
    EXPECT_TRUE(lent.Modified());
    EXPECT_EQ(lent.Width(), 1500);
    RecordingStream stream;
    lent.SaveToStream(stream);
    EXPECT_EQ(stream.bytes, Save(copied));
    EXPECT_GT(stream.writes.size(), 4u);
    EXPECT_LE(*std::max_element(stream.writes.begin(), stream.writes.end()), size_t{64} << 10);

    RecordingStream full(100000);
    EXPECT_EQ(ErrorText([&] { lent.SaveToStream(full); }), "Erreur d'écriture du flux");
    EXPECT_LE(full.bytes.size(), 100000u);
}

TEST_F(JpegImageTest, APictureBeyondTheBudgetIsShownReduced) {
    // 16500 x 16500 is beyond the 2^28 pixels of one bitmap; at an eighth it
    // is 2063 x 2063.
    JpegImage image;
    LoadBytes(image, WithFrameSize(ReadFile(MakePhoto("b.jpg", 16, 16)), 16500, 16500));
    EXPECT_EQ(ErrorText([&] { image.GetBitmap(); }), "Mémoire insuffisante");
    image.Prepare(600, 600);
    ASSERT_NE(image.Drawn(600, 600), nullptr);
    Bitmap screen(300, 300);
    Canvas(screen).StretchDraw(Rect{0, 0, 300, 300}, image);
    EXPECT_EQ(image.Drawn(600, 600)->Width(), 600);
}

TEST_F(JpegImageTest, HugePicturesAreRefusedBeforeAllocatingAndEndlessProgressionsCut) {
    JpegImage image;
    LoadBytes(image, WithFrameSize(ReadFile(MakePhoto("b.jpg", 16, 16)), 60000, 60000));
    EXPECT_EQ(image.Width(), 60000);
    EXPECT_EQ(ErrorText([&] { image.GetBitmap(); }), "Mémoire insuffisante");
    // A progressive file needs libjpeg's whole-picture buffers even for a small drawing.
    LoadBytes(image,
              WithFrameSize(ReadFile(MakePhoto("p.jpg", 16, 16, "-interlace JPEG")), 60000, 60000));
    EXPECT_EQ(ErrorText([&] { image.Prepare(100, 100); }), "Mémoire insuffisante");

    // The last scan of a progressive file repeated: each copy is one more pass over the
    // picture, which libjpeg only warns about.
    const Bytes file = ReadFile(MakePhoto("p.jpg", 64, 48, "-interlace JPEG"));
    const uint8_t sos[] = {0xFF, 0xDA};
    const auto last = std::find_end(file.begin(), file.end(), std::begin(sos), std::end(sos));
    const Bytes scan(last, file.end() - 2);
    auto repeated = [&](int copies) {
        Bytes bytes(file.begin(), file.end() - 2);
        for (int i = 0; i < copies; ++i) bytes.insert(bytes.end(), scan.begin(), scan.end());
        bytes.insert(bytes.end(), {0xFF, 0xD9});
        return bytes;
    };
    LoadBytes(image, repeated(100));
    EXPECT_EQ(image.GetBitmap().Width(), 64);
    LoadBytes(image, repeated(1000));
    EXPECT_EQ(ErrorText([&] { image.GetBitmap(); }),
              "Erreur JPEG #" + std::to_string(JERR_BAD_PROGRESSION));
}

TEST_F(JpegImageTest, CameraPicturesLoadAndDecode) {
    const std::string folder = TestData("exif-samples/jpg");
    int count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.path().extension() != ".jpg") continue;
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        ++count;
        JpegImage image;
        Load(image, path);
        EXPECT_EQ(std::to_string(image.Width()) + "x" + std::to_string(image.Height()),
                  Identify("%wx%h", path));
        EXPECT_LE(Compare(image.GetBitmap(), Magick(path)).max, 1);
        image.Prepare(160, 120);
        EXPECT_FALSE(image.Damaged());
    }
    EXPECT_GT(count, 0);
}

}  // namespace
}  // namespace platform
