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

class TColorQuantizer {
public:
    // `max_colors` from 1 to 256; `color_bits` from 1 to 8 is the depth of the
    // leaves. Anything else raises the range error.
    TColorQuantizer(int32_t max_colors, int32_t color_bits);

    // Adds `count` pixels of blue, green, red bytes.
    void AddPixels(const uint8_t* bgr, int32_t count);

    int32_t LeafCount() const { return leaf_count_; }
    // The leaves' mean colours (each component truncated) in the depth-first
    // order of the tree: by the red bit, then green, then blue, most
    // significant first. A leaf without pixels is black.
    std::vector<platform::RGBQuad> GetColorTable() const;

private:
    using NodeIndex = int32_t;
    static constexpr NodeIndex kNone = -1;
    struct Node {
        bool is_leaf = false;
        // 64 bits: a leaf may gather every pixel of a large bright picture.
        int64_t pixel_count = 0;
        int64_t red_sum = 0;
        int64_t green_sum = 0;
        int64_t blue_sum = 0;
        // The next reducible node of the same level.
        NodeIndex next = kNone;
        std::array<NodeIndex, 8> child{kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
    };

    NodeIndex NewNode(int32_t level);
    void AddColor(uint8_t red, uint8_t green, uint8_t blue);
    void ReduceTree();
    void Free(NodeIndex node);
    void CollectColors(NodeIndex node, std::vector<platform::RGBQuad>& table) const;

    int32_t max_colors_;
    int32_t color_bits_;
    int32_t leaf_count_ = 0;
    NodeIndex root_ = kNone;
    // Nodes live in one store; folded ones are kept on a free list for reuse,
    // so the store never grows beyond the largest tree.
    std::vector<Node> nodes_;
    NodeIndex free_ = kNone;
    // Per level, the non-leaf nodes, newest first.
    std::array<NodeIndex, 8> reducible_{kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
};

}  // namespace gif
