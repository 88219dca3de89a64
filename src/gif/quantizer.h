// The octree colour quantizer: every pixel goes down a tree of colour cubes,
// one level per bit of the components, and whenever the tree holds more
// leaves than colours wanted, the deepest reducible node is folded into one
// leaf. The mean colours of the leaves left make the palette.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/graphics/types.h"

namespace gif {

class TDIBReader;

// One node of the tree: a leaf gathers the pixels that ended in it; a node of
// any other level has up to eight children, one per combination of the
// level's bit of red, green and blue.
struct TOctreeNode {
    using Index = int32_t;
    static constexpr Index kNone = -1;

    bool IsLeaf = false;
    // 64 bits: a leaf may gather every pixel of a large bright picture.
    int64_t PixelCount = 0;
    int64_t RedSum = 0;
    int64_t GreenSum = 0;
    int64_t BlueSum = 0;
    // The next reducible node of the same level.
    Index Next = kNone;
    std::array<Index, 8> Child{kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
};

class TColorQuantizer {
public:
    // `max_colors` from 1 to 256; `color_bits` from 1 to 8 is the depth of the
    // leaves. Anything else raises the range error.
    TColorQuantizer(int32_t max_colors, int32_t color_bits);

    // Adds every pixel of the reader's 24-bit rows.
    void ProcessImage(const TDIBReader& reader);
    // Adds `count` pixels of blue, green, red bytes.
    void AddPixels(const uint8_t* bgr, int32_t count);

    int32_t LeafCount() const { return leaf_count_; }
    // The leaves' mean colours (each component truncated) in the depth-first
    // order of the tree: by the red bit, then green, then blue, most
    // significant first. A leaf without pixels is black.
    std::vector<platform::RGBQuad> GetColorTable() const;

private:
    using NodeIndex = TOctreeNode::Index;
    static constexpr NodeIndex kNone = TOctreeNode::kNone;

    NodeIndex NewNode(int32_t level);
    void AddColor(uint8_t red, uint8_t green, uint8_t blue);
    void ReduceTree();
    // Frees a node and the nodes under it.
    void DeleteTree(NodeIndex node);
    void GetPaletteColors(NodeIndex node, std::vector<platform::RGBQuad>& table) const;
    TOctreeNode& Node(NodeIndex index) { return nodes_[static_cast<size_t>(index)]; }
    const TOctreeNode& Node(NodeIndex index) const { return nodes_[static_cast<size_t>(index)]; }

    int32_t max_colors_;
    int32_t color_bits_;
    int32_t leaf_count_ = 0;
    NodeIndex root_ = kNone;
    // Nodes live in one store; freed ones are kept on a free list for reuse,
    // so the store never grows beyond the largest tree.
    std::vector<TOctreeNode> nodes_;
    NodeIndex free_ = kNone;
    // Per level, the non-leaf nodes, newest first.
    std::array<NodeIndex, 8> ReducibleNodes{kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
};

}  // namespace gif
