#include "gif/color_map.h"

#include <algorithm>

#include "gif/gif_image.h"
#include "gif/gif_io.h"
#include "gif/gif_units.h"
#include "platform/core/arith.h"
#include "platform/graphics/bitmap.h"

namespace gif {

namespace {

// Sorts the pairs by falling use count. The order among equal counts is that
// of this very partitioning, which the sorted tables of saved files show.
void SortByUse(TColormapUsage& usage, int32_t left, int32_t right) {
    int32_t i = 0;
    do {
        i = left;
        int32_t j = right;
        const int32_t pivot = usage[static_cast<size_t>((left + right) / 2)].Count;
        do {
            while (usage[static_cast<size_t>(i)].Count > pivot) ++i;
            while (usage[static_cast<size_t>(j)].Count < pivot) --j;
            if (i <= j) {
                std::swap(usage[static_cast<size_t>(i)], usage[static_cast<size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j) SortByUse(usage, left, j);
        left = i;
    } while (i < right);
}

void FillUsage(TColormapUsage& usage) {
    for (size_t i = 0; i < usage.size(); ++i) usage[i] = {0, static_cast<int32_t>(i)};
}

void CountPixels(TColormapUsage& usage, const TGIFSubImage& frame) {
    const uint8_t* pixels = frame.Data();
    for (size_t i = 0; i < frame.DataSize(); ++i) ++usage[pixels[i]].Count;
}

void RemapFrame(TGIFSubImage& frame, const TColormapTranslation& map) {
    uint8_t* pixels = frame.Data();
    for (size_t i = 0; i < frame.DataSize(); ++i) pixels[i] = map[pixels[i]];
    if (frame.HasTransparency()) {
        TGIFGraphicControlExtension& control = *frame.GraphicControlExtension();
        control.SetTransparentColorIndex(map[control.TransparentColorIndex()]);
    }
}

}  // namespace

void TGIFColorMap::SetCount(int32_t count) {
    const int32_t former = BitsPerPixel();
    count_ = count;
    if (BitsPerPixel() != former) BitsPerPixelChanged(former, BitsPerPixel());
}

void TGIFColorMap::Clear() {
    colors_.clear();
    colors_.shrink_to_fit();
    SetCount(0);
    capacity_ = 0;
    sorted_ = false;
}

void TGIFColorMap::SetCapacity(int32_t size) {
    if (size < capacity_) return;
    int32_t capacity = size <= 16 ? 16 : (size + 31) / 32 * 32;
    capacity = std::min(capacity, kMaxColors);
    colors_.resize(static_cast<size_t>(capacity));
    capacity_ = capacity;
}

int32_t TGIFColorMap::Add(platform::Color color) {
    if (count_ >= kMaxColors) Error(Message::ColorTableOverflow);
    if (count_ >= capacity_) SetCapacity(count_ + 1);
    colors_[static_cast<size_t>(count_)] = ColorToTriple(color);
    const int32_t index = count_;
    SetCount(count_ + 1);
    sorted_ = false;
    Changed();
    return index;
}

int32_t TGIFColorMap::AddUnique(platform::Color color) {
    const int32_t index = IndexOf(color);
    return index >= 0 ? index : Add(color);
}

int32_t TGIFColorMap::IndexOf(platform::Color color) const {
    const TGIFColor wanted = ColorToTriple(color);
    if (sorted_) {
        for (int32_t i = 0; i < count_; ++i) {
            if (colors_[static_cast<size_t>(i)] == wanted) return i;
        }
    } else {
        for (int32_t i = count_ - 1; i >= 0; --i) {
            if (colors_[static_cast<size_t>(i)] == wanted) return i;
        }
    }
    return -1;
}

void TGIFColorMap::Delete(int32_t index) {
    if (index < 0 || index >= count_) Error(Message::InvalidColorIndex);
    std::copy(colors_.begin() + index + 1, colors_.begin() + count_, colors_.begin() + index);
    SetCount(count_ - 1);
    sorted_ = false;
    Changed();
}

platform::Color TGIFColorMap::GetColor(int32_t index) {
    if (index < 0 || index >= count_) {
        Warning(kWarningSeverity, Message::InvalidColorIndex);
        if (count_ == 0) Error(Message::ColorTableEmpty);
        index = 0;
    }
    return TripleToColor(colors_[static_cast<size_t>(index)]);
}

int32_t TGIFColorMap::BitsPerPixel() const {
    return ColorsToBits(count_);
}

void TGIFColorMap::SaveToStream(platform::Stream& stream) const {
    if (count_ == 0) return;
    stream.WriteBuffer(colors_.data(), static_cast<size_t>(count_) * sizeof(TGIFColor));
    const TGIFColor black;
    for (int32_t i = count_; i < 1 << BitsPerPixel(); ++i)
        stream.WriteBuffer(&black, sizeof(black));
}

void TGIFColorMap::LoadFromStream(platform::Stream& stream, int32_t count) {
    platform::CheckRange(count, 0, kMaxColors);
    Clear();
    SetCapacity(count);
    ReadCheck(stream, colors_.data(), static_cast<size_t>(count) * sizeof(TGIFColor));
    SetCount(count);
}

void TGIFColorMap::ImportPalette(const platform::Palette& palette) {
    // A palette of more colours than a table holds gives its first ones.
    const std::span<const platform::RGBQuad> entries(palette.Entries());
    ImportColorTable(entries.first(std::min<size_t>(entries.size(), kMaxColors)));
}

void TGIFColorMap::ImportColorTable(std::span<const platform::RGBQuad> table) {
    Clear();
    if (table.empty()) return;
    const int32_t count = static_cast<int32_t>(
        platform::CheckRange(static_cast<int64_t>(table.size()), 1, kMaxColors));
    SetCapacity(count);
    for (int32_t i = 0; i < count; ++i) {
        const platform::RGBQuad& entry = table[static_cast<size_t>(i)];
        colors_[static_cast<size_t>(i)] = {entry.Red, entry.Green, entry.Blue};
    }
    SetCount(count);
    Changed();
}

void TGIFColorMap::ImportDIBColors(const platform::Bitmap& bitmap) {
    Clear();
    const std::vector<platform::RGBQuad>& table = bitmap.ColorTable();
    ImportColorTable({table.data(), std::min<size_t>(table.size(), kMaxColors)});
    Changed();
}

platform::Palette TGIFColorMap::ExportPalette() const {
    if (count_ == 0) return {};
    std::vector<platform::RGBQuad> entries;
    entries.reserve(static_cast<size_t>(count_));
    for (const TGIFColor& c : Entries()) entries.push_back({c.Blue, c.Green, c.Red, 0});
    return platform::Palette(std::move(entries));
}

void TGIFColorMap::Assign(const TGIFColorMap& source) {
    if (&source == this) return;
    Clear();
    capacity_ = source.capacity_;
    sorted_ = source.sorted_;
    colors_.assign(static_cast<size_t>(capacity_), TGIFColor{});
    std::copy_n(source.colors_.begin(), source.count_, colors_.begin());
    SetCount(source.count_);
    Changed();
}

bool TGIFColorMap::DoOptimize() {
    if (count_ <= 1) return false;
    sorted_ = true;
    TColormapUsage usage;
    FillUsage(usage);
    GetUsage(usage);
    SortByUse(usage, 0, count_ - 1);
    bool unchanged = true;
    for (int32_t i = 0; i < count_; ++i) unchanged &= usage[static_cast<size_t>(i)].Index == i;
    if (unchanged) return true;
    // Indices beyond the table keep their value.
    TColormapTranslation map;
    for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<uint8_t>(i);
    for (int32_t i = 0; i < count_; ++i)
        map[static_cast<size_t>(usage[static_cast<size_t>(i)].Index)] = static_cast<uint8_t>(i);
    Remap(map);
    const std::vector<TGIFColor> old(colors_.begin(), colors_.begin() + count_);
    for (int32_t k = 0; k < count_; ++k)
        colors_[map[static_cast<size_t>(k)]] = old[static_cast<size_t>(k)];
    for (int32_t i = 0; i < count_; ++i) {
        if (usage[static_cast<size_t>(i)].Count == 0) {
            SetCount(i);
            break;
        }
    }
    Changed();
    return true;
}

// ---- TGIFGlobalColorMap

void TGIFGlobalColorMap::Warning(uint8_t severity, Message message) {
    if (header_.Image() != nullptr) header_.Image()->Warning(this, severity, Text(message));
}

void TGIFGlobalColorMap::GetUsage(TColormapUsage& usage) const {
    FillUsage(usage);
    for (const auto& frame : header_.Image()->Images()) {
        if (&frame->ActiveColorMap() == this) CountPixels(usage, *frame);
    }
}

void TGIFGlobalColorMap::Remap(const TColormapTranslation& map) {
    for (const auto& frame : header_.Image()->Images()) {
        if (&frame->ActiveColorMap() == this) RemapFrame(*frame, map);
    }
}

bool TGIFGlobalColorMap::Optimize() {
    return header_.Image()->Images().Count() > 0 && DoOptimize();
}

void TGIFGlobalColorMap::Changed() {
    header_.Image()->SetPalette({});
}

// ---- TGIFLocalColorMap

void TGIFLocalColorMap::Warning(uint8_t severity, Message message) {
    sub_image_.Owner().Warning(this, severity, Text(message));
}

void TGIFLocalColorMap::GetUsage(TColormapUsage& usage) const {
    FillUsage(usage);
    CountPixels(usage, sub_image_);
}

void TGIFLocalColorMap::Remap(const TColormapTranslation& map) {
    RemapFrame(sub_image_, map);
}

bool TGIFLocalColorMap::Optimize() {
    return DoOptimize();
}

void TGIFLocalColorMap::Changed() {
    sub_image_.ColorMapChanged({});
}

void TGIFLocalColorMap::BitsPerPixelChanged(int32_t former, int32_t bits) {
    sub_image_.TableBitsChanged(former, bits);
}

}  // namespace gif
