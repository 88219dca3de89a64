// The colour tables of a GIF file: up to 256 RGB entries in the order the file
// stores them, with lookup, growth in steps, palette conversions, stream
// reading and writing, and reordering by use.
//
// What a table belongs to (the file's header or one frame) is reached only
// through the five virtual operations that the global and the local table
// implement.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "gif/gif_error.h"
#include "platform/core/stream.h"
#include "platform/graphics/palette.h"
#include "platform/graphics/types.h"

namespace platform {
class Bitmap;
}

namespace gif {

class TGIFHeader;
class TGIFSubImage;

// One entry as the file stores it.
struct TGIFColor {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};
static_assert(sizeof(TGIFColor) == 3, "entries are read and written as they lie");

// How often one entry is used, and which entry it was before sorting. Pixel
// indices beyond a table's count occur in real files, so the tables of use
// counts and of renumbering always cover 256 indices.
struct TUsageCount {
    int32_t Count = 0;
    int32_t Index = 0;
};
using TColormapUsage = std::array<TUsageCount, 256>;
// New index by old index.
using TColormapTranslation = std::array<uint8_t, 256>;

constexpr platform::Color TripleToColor(const TGIFColor& c) {
    return platform::MakeColor(c.Red, c.Green, c.Blue);
}
constexpr TGIFColor ColorToTriple(platform::Color c) {
    return {platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c)};
}

class TGIFColorMap {
public:
    static constexpr int32_t kMaxColors = 256;

    TGIFColorMap() = default;
    virtual ~TGIFColorMap() = default;
    TGIFColorMap(const TGIFColorMap&) = delete;
    TGIFColorMap& operator=(const TGIFColorMap&) = delete;

    // Empties the table and frees its entries; does not notify the owner.
    void Clear();
    // Grows the allocation to hold `size` entries (16, or a multiple of 32, at
    // most 256); never shrinks.
    void SetCapacity(int32_t size);

    // Appends a colour and returns its index; "Color table overflow" when the
    // table holds 256 entries already.
    int32_t Add(platform::Color color);
    // The index of an equal entry, else that of a newly added one.
    int32_t AddUnique(platform::Color color);
    // The index of the entry equal to the colour, -1 when none: the highest such
    // index in an unsorted table, the lowest (the most used) in a sorted one.
    int32_t IndexOf(platform::Color color) const;
    // Removes one entry; "Invalid color index" when there is no such entry.
    void Delete(int32_t index);
    // The entry as a colour. An index outside the table warns "Invalid color
    // index" and reads entry 0; an empty table then raises "Color table is
    // empty".
    platform::Color GetColor(int32_t index);

    int32_t Count() const { return count_; }
    int32_t Capacity() const { return capacity_; }
    bool Sorted() const { return sorted_; }
    // The entries in use.
    std::span<const TGIFColor> Entries() const {
        return {colors_.data(), static_cast<size_t>(count_)};
    }
    // Bits an index into this table needs: 0 when empty, at least 1 otherwise.
    int32_t BitsPerPixel() const;

    // The entries, padded with black up to a power of two; nothing when empty.
    void SaveToStream(platform::Stream& stream) const;
    // Replaces the table with `count` entries read from the stream; fewer bytes
    // than needed raise "Premature end of data" and leave the table empty. The
    // table is never marked sorted and the owner is not notified.
    void LoadFromStream(platform::Stream& stream, int32_t count);

    // Takes the colours of a palette (at most 256).
    void ImportPalette(const platform::Palette& palette);
    // Takes the colours of a device-independent colour table (blue, green, red).
    void ImportColorTable(std::span<const platform::RGBQuad> table);
    // Takes the colour table of a bitmap.
    void ImportDIBColors(const platform::Bitmap& bitmap);
    // A palette of the entries; none for an empty table.
    platform::Palette ExportPalette() const;

    // Copies the entries, capacity and sorted flag of another table.
    void Assign(const TGIFColorMap& source);

    // A recoverable problem, reported to the owning picture.
    virtual void Warning(uint8_t severity, Message message) = 0;
    // Sets, for every entry below Count, how many pixels use it.
    virtual void GetUsage(TColormapUsage& usage) const = 0;
    // Renumbers every pixel (and transparent index) that refers to this table.
    virtual void Remap(const TColormapTranslation& map) = 0;
    virtual bool Optimize() = 0;
    // Tells the owner that the colours changed.
    virtual void Changed() = 0;

protected:
    // Sorts the entries by use, most used first, renumbers the pixels and drops
    // the entries nothing uses; false when there is nothing to sort.
    bool DoOptimize();
    // The entries now need `bits` per pixel rather than `former` (0 for an
    // empty table): the picture keeps count of its tables' widths.
    virtual void BitsPerPixelChanged(int32_t former, int32_t bits) = 0;

private:
    // Every change of Count goes through here.
    void SetCount(int32_t count);

    std::vector<TGIFColor> colors_;  // Capacity entries
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    bool sorted_ = false;
};

// The table after the screen descriptor, owned by the header.
class TGIFGlobalColorMap final : public TGIFColorMap {
public:
    explicit TGIFGlobalColorMap(TGIFHeader& header) : header_(header) {}
    TGIFHeader& Header() const { return header_; }

    void Warning(uint8_t severity, Message message) override;
    // Counts the pixels of every frame whose active table is this one.
    void GetUsage(TColormapUsage& usage) const override;
    void Remap(const TColormapTranslation& map) override;
    // Sorts only when the picture has frames.
    bool Optimize() override;
    // The picture's palette is made again.
    void Changed() override;

protected:
    // The picture reads the global table's width from the table itself.
    void BitsPerPixelChanged(int32_t, int32_t) override {}

private:
    TGIFHeader& header_;
};

// The table of one frame.
class TGIFLocalColorMap final : public TGIFColorMap {
public:
    explicit TGIFLocalColorMap(TGIFSubImage& sub_image) : sub_image_(sub_image) {}
    TGIFSubImage& SubImage() const { return sub_image_; }

    void Warning(uint8_t severity, Message message) override;
    void GetUsage(TColormapUsage& usage) const override;
    void Remap(const TColormapTranslation& map) override;
    bool Optimize() override;
    // The frame drops its palette and the bitmap made with it.
    void Changed() override;

protected:
    void BitsPerPixelChanged(int32_t former, int32_t bits) override;

private:
    TGIFSubImage& sub_image_;
};

}  // namespace gif
