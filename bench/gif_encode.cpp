// Coding the frames of a GIF file from their pixel indices into a file in
// memory, against giflib writing the same screen, tables and indices with
// EGifPutLine, timed in the same run. The frames come from our reader; their
// extensions are left out so that both files hold the same blocks. Before
// timing, both files are read back to the same indices, and their sizes are
// compared. A ratio below 1 means we are faster or smaller.
#include <gif_lib.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "gif/gif_image.h"
#include "mesure.h"
#include "platform/core/error.h"
#include "platform/core/stream.h"

namespace {

using Bytes = std::vector<uint8_t>;

int WriteBytes(GifFileType* file, const GifByteType* bytes, int count) {
    auto* out = static_cast<Bytes*>(file->UserData);
    out->insert(out->end(), bytes, bytes + count);
    return count;
}

// A giflib colour map of a table, padded to a power of two as GIF files
// store them; none for an empty table.
ColorMapObject* GiflibMap(const gif::TGIFColorMap& table) {
    if (table.Count() == 0) return nullptr;
    int size = 2;
    while (size < table.Count()) size *= 2;
    std::vector<GifColorType> colors(static_cast<size_t>(size), GifColorType{0, 0, 0});
    for (size_t i = 0; i < table.Entries().size(); ++i)
        colors[i] = {table.Entries()[i].Red, table.Entries()[i].Green, table.Entries()[i].Blue};
    return GifMakeMapObject(size, colors.data());
}

// The rows of a frame in the order the file stores them.
std::vector<int> RowOrder(const gif::TGIFSubImage& frame) {
    std::vector<int> rows;
    if (!frame.Interlaced()) {
        for (int y = 0; y < frame.Height(); ++y) rows.push_back(y);
        return rows;
    }
    constexpr std::array<int, 4> kStart{0, 4, 2, 1};
    constexpr std::array<int, 4> kStep{8, 8, 4, 2};
    for (size_t pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < frame.Height(); y += kStep[pass]) rows.push_back(y);
    }
    return rows;
}

struct GiflibFrame {
    const gif::TGIFSubImage* frame;
    ColorMapObject* map;
    std::vector<int> rows;
};

// The same file through giflib; a failure ends the run.
Bytes GiflibEncode(const gif::TGIFImage& image, ColorMapObject* global,
                   std::vector<GiflibFrame>& frames) {
    Bytes out;
    int error = 0;
    GifFileType* file = EGifOpen(&out, WriteBytes, &error);
    bool ok = file != nullptr &&
              EGifPutScreenDesc(file, image.Width(), image.Height(), 8, 0, global) == GIF_OK;
    for (GiflibFrame& f : frames) {
        const gif::TGIFSubImage& frame = *f.frame;
        ok = ok && EGifPutImageDesc(file, frame.Left(), frame.Top(), frame.Width(), frame.Height(),
                                    frame.Interlaced(), f.map) == GIF_OK;
        for (const int y : f.rows) {
            auto* row = const_cast<uint8_t*>(frame.Data() + static_cast<size_t>(y) * frame.Width());
            ok = ok && EGifPutLine(file, row, frame.Width()) == GIF_OK;
        }
    }
    if (file == nullptr || EGifCloseFile(file, &error) != GIF_OK || !ok) {
        std::fprintf(stderr, "giflib: %s\n", GifErrorString(error));
        std::exit(1);
    }
    return out;
}

Bytes OurEncode(const gif::TGIFImage& image) {
    platform::MemoryStream stream;
    image.SaveToStream(stream);
    return stream.Release();
}

std::vector<Bytes> Indices(const Bytes& file) {
    gif::TGIFImage image;
    auto stream = platform::MemoryStream::View(file);
    image.LoadFromStream(stream);
    std::vector<Bytes> frames;
    for (const auto& frame : image.Images())
        frames.emplace_back(frame->Data(), frame->Data() + frame->DataSize());
    return frames;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PICTURE.gif...\n", argv[0]);
        return 2;
    }
    try {
        for (int i = 1; i < argc; ++i) {
            gif::TGIFImage image;
            {
                const Bytes bytes = platform::ReadFileBytes(argv[i]);
                auto stream = platform::MemoryStream::View(bytes);
                image.LoadFromStream(stream);
            }
            size_t pixels = 0;
            std::vector<GiflibFrame> frames;
            for (const auto& frame : image.Images()) {
                frame->Extensions().Clear();
                pixels += frame->DataSize();
                frames.push_back({frame.get(), GiflibMap(frame->ColorMap()), RowOrder(*frame)});
            }
            ColorMapObject* global = GiflibMap(image.Header().ColorMap());

            const Bytes ours = OurEncode(image);
            const Bytes theirs = GiflibEncode(image, global, frames);
            if (Indices(ours) != Indices(theirs)) {
                std::fprintf(stderr, "%s: the two files hold different indices\n", argv[i]);
                return 1;
            }
            std::printf("%s: %zu frames, %.1f megapixels\n", argv[i], frames.size(),
                        static_cast<double>(pixels) / 1e6);
            std::printf("  file size: ours %zu bytes, giflib %zu bytes, ours / giflib = %.4f\n",
                        ours.size(), theirs.size(),
                        static_cast<double>(ours.size()) / static_cast<double>(theirs.size()));
            bench::Compare({
                {"visualisateur (TGIFImage::SaveToStream)",
                 [&] {
                     if (OurEncode(image).empty()) std::abort();
                 }},
                {"giflib EGifPutLine",
                 [&] {
                     if (GiflibEncode(image, global, frames).empty()) std::abort();
                 }},
            });
            for (GiflibFrame& f : frames) GifFreeMapObject(f.map);
            GifFreeMapObject(global);
        }
    } catch (const platform::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
