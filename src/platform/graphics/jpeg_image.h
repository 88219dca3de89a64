// JPEG pictures on libjpeg (API version 62).
//
// A loaded picture keeps its compressed bytes and decodes them on demand, at
// full size or reduced by the codec's DCT scaling (1/2, 1/4, 1/8), straight
// into 24-bit rows. While it is unmodified, saving writes the original bytes
// unchanged, whatever the quality; a picture that took pixels from another
// graphic is encoded when it is saved. Errors of the codec are raised as
// "Erreur JPEG #%d" with libjpeg's message number. A truncated or corrupt
// file shows what could be decoded; the picture then says it is damaged, so
// that no tool writes the made-up part over the file as if it were whole.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphic.h"

namespace platform {

enum class JpegScale : uint8_t { FullSize, Half, Quarter, Eighth };

// How a JPEG file samples its luminance and its two colour components: each
// one's horizontal and vertical factors (2x2, 1x1, 1x1 is 4:2:0, libjpeg's
// own choice; 2x1, 1x1, 1x1 is 4:2:2; all 1x1 is 4:4:4).
struct JpegSampling {
    std::array<uint8_t, 3> horizontal{2, 1, 1};
    std::array<uint8_t, 3> vertical{2, 1, 1};

    // That of the picture turned by `angle` degrees: a quarter turn swaps the
    // directions, so that 4:2:2 becomes 4:4:0.
    JpegSampling Turned(int32_t angle) const;
    friend bool operator==(const JpegSampling&, const JpegSampling&) = default;
};

class JpegImage final : public Graphic {
public:
    JpegImage();
    ~JpegImage() override;

    std::unique_ptr<Graphic> Clone() const override;
    std::string_view ClassName() const override { return "TJPEGImage"; }

    // The size at the current Scale, as libjpeg computes it (rounded up).
    int32_t Width() const override;
    int32_t Height() const override;

    // Draws through the smallest decoding that covers `dest` (never finer than
    // Scale). When the whole of a reduced `dest` is visible, the picture is
    // decoded and reduced row by row, without a full-size copy in memory.
    void Draw(Canvas& canvas, const Rect& dest) const override;
    void Prepare(int32_t width, int32_t height) const override;
    std::shared_ptr<const Bitmap> Drawn(int32_t width, int32_t height) const override;

    // A JPEG source shares its compressed bytes and decoded pixels; any other
    // graphic gives its pixels (24-bit), and the picture counts as modified.
    void Assign(const Graphic& source) override;
    // As Assign from a bitmap, but a 24-bit one is used where it stands, not
    // copied: for a picture made only to be written, which must not outlive
    // the bitmap, nor see it change. Other formats are copied, converted.
    void AssignWithoutCopy(const Bitmap& pixels);
    // The picture decoded at Scale.
    void AssignTo(Bitmap& target) const override;

    // Reads the rest of the stream as one JPEG file and its header.
    void LoadFromStream(Stream& stream) override;
    // As LoadFromStream, but the compressed bytes are used where they stand,
    // not copied: for a picture that must not outlive them, nor see them
    // change, and whose reader keeps one buffer for file after file.
    void LoadFromBytes(std::span<const uint8_t> bytes);
    // The original bytes while unmodified; otherwise a new encoding of the
    // pixels at CompressionQuality, progressive when asked, handed to the
    // stream as it is made.
    void SaveToStream(Stream& stream) const override;

    JpegScale Scale() const { return scale_; }
    void SetScale(JpegScale scale);
    // The coarsest scale, no finer than Scale, whose output covers the size;
    // Scale itself for pixels that were not decoded from bytes.
    JpegScale CoveringScale(int32_t width, int32_t height) const;

    // 1..100; any other value raises the range error.
    int32_t CompressionQuality() const { return quality_; }
    void SetCompressionQuality(int32_t quality);

    bool ProgressiveEncoding() const { return progressive_; }
    void SetProgressiveEncoding(bool progressive) { progressive_ = progressive; }

    // The sampling of a new encoding, so that a picture written again loses
    // no more colour than its file had: a loaded file's own (4:2:0 when
    // libjpeg cannot write it, or the file is not YCbCr), taken with the
    // bytes of another JPEG picture, kept when pixels are assigned. Factors
    // are kept in their lowest terms; a sampling libjpeg cannot write (a
    // factor beyond 1..4 or not dividing the largest, more than 10 blocks a
    // unit) raises the range error.
    const JpegSampling& Sampling() const { return sampling_; }
    void SetSampling(const JpegSampling& sampling);

    // The picture decoded at Scale. The reference stays valid until the next
    // call on this object that changes or decodes the picture.
    const Bitmap& GetBitmap() const;
    // The picture decoded at Scale into `target`, whose pixel store is reused
    // when large enough; nothing is kept in this object.
    void DecodeTo(Bitmap& target) const;
    // The picture decoded at Scale and resampled into the whole of `target`
    // (24 bits) as libjpeg gives its rows: no whole decoding is held or kept.
    void StretchInto(Bitmap& target) const;

    // True once a decoding of the compressed bytes had to make up pixels:
    // libjpeg ran out of data and filled the rest (a truncated file), or met
    // data it could not decode and skipped it (a marker inside the scan, a
    // bad code). False before any decoding, and for pixels given by Assign.
    // Extra bytes between segments, common in camera files, do not count.
    // Copies sharing the compressed bytes share the answer.
    bool Damaged() const;

    // The compressed bytes this picture was loaded from; empty once modified.
    std::span<const uint8_t> CompressedData() const;

    // Number of decodings started in this process, for tests and benchmarks.
    static uint64_t DecodeCount();

private:
    struct Source;
    struct Cache;

    // Reads the header of the source's bytes and makes them the picture's.
    void Load(std::shared_ptr<Source> source);
    // The pixels to stretch into a `width` x `height` destination, decoding
    // them when the cache holds none that will do; null for an empty picture.
    std::shared_ptr<const Bitmap> PixelsFor(int32_t width, int32_t height,
                                            bool whole_visible) const;

    std::shared_ptr<const Source> source_;        // compressed bytes and header facts
    std::shared_ptr<Cache> cache_;                // decoded pixels, shared with copies
    std::shared_ptr<const Bitmap> pixels_;        // pixels given by Assign (modified)
    mutable std::shared_ptr<const Bitmap> held_;  // what GetBitmap last returned
    JpegScale scale_ = JpegScale::FullSize;
    int32_t quality_ = 90;
    bool progressive_ = false;
    JpegSampling sampling_;
};

}  // namespace platform
