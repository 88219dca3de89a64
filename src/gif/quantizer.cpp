#include "gif/quantizer.h"

#include "gif/dib.h"
#include "platform/core/error.h"

namespace gif {

TColorQuantizer::TColorQuantizer(int32_t max_colors, int32_t color_bits)
    : max_colors_(max_colors), color_bits_(color_bits) {
    if (max_colors < 1 || max_colors > 256 || color_bits < 1 || color_bits > 8) {
        platform::RaiseRange();
    }
}

TColorQuantizer::NodeIndex TColorQuantizer::NewNode(int32_t level) {
    NodeIndex index;
    if (free_ != kNone) {
        index = free_;
        free_ = Node(index).Next;
        Node(index) = TOctreeNode{};
    } else {
        index = static_cast<NodeIndex>(nodes_.size());
        nodes_.emplace_back();
    }
    TOctreeNode& node = Node(index);
    node.IsLeaf = level == color_bits_;
    if (node.IsLeaf) {
        ++leaf_count_;
    } else {
        node.Next = ReducibleNodes[static_cast<size_t>(level)];
        ReducibleNodes[static_cast<size_t>(level)] = index;
    }
    return index;
}

void TColorQuantizer::ProcessImage(const TDIBReader& reader) {
    for (int32_t y = 0; y < reader.Height(); ++y) AddPixels(reader.GetScanline(y), reader.Width());
}

void TColorQuantizer::AddPixels(const uint8_t* bgr, int32_t count) {
    for (int32_t i = 0; i < count; ++i, bgr += 3) {
        AddColor(bgr[2], bgr[1], bgr[0]);
        while (leaf_count_ > max_colors_) ReduceTree();
    }
}

void TColorQuantizer::AddColor(uint8_t red, uint8_t green, uint8_t blue) {
    if (root_ == kNone) root_ = NewNode(0);
    NodeIndex node = root_;
    for (int32_t level = 0;; ++level) {
        if (Node(node).IsLeaf) {
            TOctreeNode& leaf = Node(node);
            ++leaf.PixelCount;
            leaf.RedSum += red;
            leaf.GreenSum += green;
            leaf.BlueSum += blue;
            return;
        }
        const int shift = 7 - level;
        const size_t child = static_cast<size_t>(((red >> shift) & 1) << 2 |
                                                 ((green >> shift) & 1) << 1 | ((blue >> shift) & 1));
        NodeIndex next = Node(node).Child[child];
        if (next == kNone) {
            // NewNode may move the store: the parent is found again after it.
            next = NewNode(level + 1);
            Node(node).Child[child] = next;
        }
        node = next;
    }
}

void TColorQuantizer::ReduceTree() {
    // The deepest level with a reducible node; level 0 only when every
    // deeper one has none.
    int32_t level = color_bits_ - 1;
    while (level > 0 && ReducibleNodes[static_cast<size_t>(level)] == kNone) --level;
    const NodeIndex index = ReducibleNodes[static_cast<size_t>(level)];
    if (index == kNone) return;
    TOctreeNode& node = Node(index);
    ReducibleNodes[static_cast<size_t>(level)] = node.Next;
    node.Next = kNone;
    int64_t red = 0;
    int64_t green = 0;
    int64_t blue = 0;
    int32_t children = 0;
    for (NodeIndex& child_index : node.Child) {
        if (child_index == kNone) continue;
        const TOctreeNode& child = Node(child_index);
        red += child.RedSum;
        green += child.GreenSum;
        blue += child.BlueSum;
        node.PixelCount += child.PixelCount;
        DeleteTree(child_index);
        child_index = kNone;
        ++children;
    }
    node.IsLeaf = true;
    node.RedSum = red;
    node.GreenSum = green;
    node.BlueSum = blue;
    leaf_count_ -= children - 1;
}

void TColorQuantizer::DeleteTree(NodeIndex index) {
    // Folding frees leaves only; a node with children would take them along.
    for (NodeIndex& child : Node(index).Child) {
        if (child == kNone) continue;
        DeleteTree(child);
        child = kNone;
    }
    Node(index).Next = free_;
    free_ = index;
}

std::vector<platform::RGBQuad> TColorQuantizer::GetColorTable() const {
    std::vector<platform::RGBQuad> table;
    if (root_ != kNone) GetPaletteColors(root_, table);
    return table;
}

void TColorQuantizer::GetPaletteColors(NodeIndex index,
                                       std::vector<platform::RGBQuad>& table) const {
    const TOctreeNode& node = Node(index);
    if (!node.IsLeaf) {
        for (const NodeIndex child : node.Child) {
            if (child != kNone) GetPaletteColors(child, table);
        }
        return;
    }
    platform::RGBQuad entry{};
    if (node.PixelCount > 0) {
        entry.Blue = static_cast<uint8_t>(node.BlueSum / node.PixelCount);
        entry.Green = static_cast<uint8_t>(node.GreenSum / node.PixelCount);
        entry.Red = static_cast<uint8_t>(node.RedSum / node.PixelCount);
    }
    table.push_back(entry);
}

}  // namespace gif
