// Loading a GIF file from memory down to the pixel indices of every frame,
// against giflib's DGifSlurp reading the same bytes through a memory read
// function, timed in the same run. Before timing, the two are checked to give
// the same indices for every frame, so that both do the same work. A ratio
// below 1 means we are faster. Then a file of 100,000 frames of 1 x 1 made in
// memory: the time its picture takes to be freed against the time it took to
// load, ours and giflib's, since freeing happens when the viewer steps away
// from a picture and when it quits.
#include <gif_lib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "gif/gif_image.h"
#include "gif_1x1.h"
#include "mesure.h"
#include "platform/core/error.h"
#include "platform/core/stream.h"

namespace {

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

struct Source {
    std::span<const uint8_t> bytes;
    size_t position = 0;
};

int ReadSource(GifFileType* file, GifByteType* buffer, int count) {
    auto* source = static_cast<Source*>(file->UserData);
    const size_t n = std::min(static_cast<size_t>(count), source->bytes.size() - source->position);
    std::memcpy(buffer, source->bytes.data() + source->position, n);
    source->position += n;
    return static_cast<int>(n);
}

// Runs `use` on giflib's decoded file; a file giflib refuses ends the run.
template <typename Use>
void WithGiflib(std::span<const uint8_t> bytes, Use use) {
    Source source{bytes};
    int error = 0;
    GifFileType* file = DGifOpen(&source, ReadSource, &error);
    if (file == nullptr) {
        std::fprintf(stderr, "giflib: %s\n", GifErrorString(error));
        std::exit(1);
    }
    if (DGifSlurp(file) != GIF_OK) {
        std::fprintf(stderr, "giflib: %s\n", GifErrorString(file->Error));
        std::exit(1);
    }
    use(*file);
    DGifCloseFile(file, &error);
}

std::vector<Frame> GiflibFrames(std::span<const uint8_t> bytes) {
    std::vector<Frame> frames;
    WithGiflib(bytes, [&](const GifFileType& file) {
        for (int i = 0; i < file.ImageCount; ++i) {
            const SavedImage& saved = file.SavedImages[i];
            Frame frame{saved.ImageDesc.Width, saved.ImageDesc.Height, {}};
            const size_t size =
                static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height);
            if (saved.RasterBits != nullptr)
                frame.pixels.assign(saved.RasterBits, saved.RasterBits + size);
            frames.push_back(std::move(frame));
        }
    });
    return frames;
}

std::vector<Frame> OurFrames(const gif::TGIFImage& image) {
    std::vector<Frame> frames;
    for (int32_t i = 0; i < image.Images().Count(); ++i) {
        const gif::TGIFSubImage& sub = *image.Images().SubImages(i);
        Frame frame{sub.Width(), sub.Height(), {}};
        if (sub.Data() != nullptr) frame.pixels.assign(sub.Data(), sub.Data() + sub.DataSize());
        frames.push_back(std::move(frame));
    }
    return frames;
}

void Load(gif::TGIFImage& image, std::span<const uint8_t> bytes) {
    auto stream = platform::MemoryStream::View(bytes);
    image.LoadFromStream(stream);
}

// The first frame whose size or indices differ, -1 when none does.
int FirstDifference(const std::vector<Frame>& ours, const std::vector<Frame>& theirs) {
    for (size_t i = 0; i < std::max(ours.size(), theirs.size()); ++i) {
        if (i >= ours.size() || i >= theirs.size() || ours[i].width != theirs[i].width ||
            ours[i].height != theirs[i].height || ours[i].pixels != theirs[i].pixels) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

double Seconds(std::chrono::steady_clock::time_point from,
               std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

void PrintLoadAndFree(const char* name, std::vector<double> load, std::vector<double> free) {
    std::vector<double> ratios;
    for (size_t i = 0; i < load.size(); ++i) ratios.push_back(free[i] / load[i]);
    std::printf("  %-32s load %9.2f ms   free %9.2f ms   free / load = %.2f\n", name,
                bench::Mediane(load) * 1000.0, bench::Mediane(free) * 1000.0,
                bench::Mediane(ratios));
}

// Loading and freeing timed apart, ours and giflib's in turn.
void LoadAndFree(std::span<const uint8_t> bytes, int rounds = 7) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> load, free, giflib_load, giflib_free;
    for (int round = 0; round < rounds; ++round) {
        auto image = std::make_unique<gif::TGIFImage>();
        const auto start = Clock::now();
        Load(*image, bytes);
        const auto loaded = Clock::now();
        image.reset();
        const auto freed = Clock::now();
        load.push_back(Seconds(start, loaded));
        free.push_back(Seconds(loaded, freed));

        Source source{bytes};
        int error = 0;
        const auto giflib_start = Clock::now();
        GifFileType* file = DGifOpen(&source, ReadSource, &error);
        if (file == nullptr || DGifSlurp(file) != GIF_OK) std::exit(1);
        const auto giflib_loaded = Clock::now();
        DGifCloseFile(file, &error);
        const auto giflib_freed = Clock::now();
        giflib_load.push_back(Seconds(giflib_start, giflib_loaded));
        giflib_free.push_back(Seconds(giflib_loaded, giflib_freed));
    }
    PrintLoadAndFree("visualisateur", load, free);
    PrintLoadAndFree("giflib", giflib_load, giflib_free);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PICTURE.gif...\n", argv[0]);
        return 2;
    }
    try {
        for (int i = 1; i < argc; ++i) {
            const std::vector<uint8_t> bytes = platform::ReadFileBytes(argv[i]);
            gif::TGIFImage reference;
            Load(reference, bytes);
            const std::vector<Frame> ours = OurFrames(reference);
            const int difference = FirstDifference(ours, GiflibFrames(bytes));
            if (difference >= 0) {
                std::fprintf(stderr, "%s: frame %d differs from giflib's\n", argv[i], difference);
                return 1;
            }
            size_t pixels = 0;
            for (const Frame& frame : ours) pixels += frame.pixels.size();
            std::printf("%s: %dx%d, %zu frames, %.1f megapixels, %zu bytes\n", argv[i],
                        reference.Width(), reference.Height(), ours.size(),
                        static_cast<double>(pixels) / 1e6, bytes.size());

            bench::Compare({
                {"visualisateur (TGIFImage::LoadFromStream)",
                 [&] {
                     gif::TGIFImage image;
                     Load(image, bytes);
                     if (image.Images().Count() == 0) std::abort();
                 }},
                {"giflib DGifSlurp",
                 [&] {
                     WithGiflib(bytes, [](const GifFileType& file) {
                         if (file.ImageCount == 0) std::abort();
                     });
                 }},
            });
        }
        const std::vector<uint8_t> many = bench::OnePixelFrames(100000);
        std::printf("100000 frames of 1x1 made in memory, %zu bytes\n", many.size());
        LoadAndFree(many);
    } catch (const platform::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
