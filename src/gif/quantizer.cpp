#include "gif/quantizer.h"

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
        free_ = nodes_[static_cast<size_t>(index)].next;
        nodes_[static_cast<size_t>(index)] = Node{};
    } else {
        index = static_cast<NodeIndex>(nodes_.size());
        nodes_.emplace_back();
    }
    Node& node = nodes_[static_cast<size_t>(index)];
    node.is_leaf = level == color_bits_;
    if (node.is_leaf) {
        ++leaf_count_;
    } else {
        node.next = reducible_[static_cast<size_t>(level)];
        reducible_[static_cast<size_t>(level)] = index;
    }
    return index;
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
        if (nodes_[static_cast<size_t>(node)].is_leaf) {
            Node& leaf = nodes_[static_cast<size_t>(node)];
            ++leaf.pixel_count;
            leaf.red_sum += red;
            leaf.green_sum += green;
            leaf.blue_sum += blue;
            return;
        }
        const int shift = 7 - level;
        const size_t child = static_cast<size_t>(((red >> shift) & 1) << 2 |
                                                 ((green >> shift) & 1) << 1 | ((blue >> shift) & 1));
        NodeIndex next = nodes_[static_cast<size_t>(node)].child[child];
        if (next == kNone) {
            // NewNode may move the store: the parent is found again after it.
            next = NewNode(level + 1);
            nodes_[static_cast<size_t>(node)].child[child] = next;
        }
        node = next;
    }
}

void TColorQuantizer::ReduceTree() {
    // The deepest level with a reducible node; level 0 only when every
    // deeper one has none.
    int32_t level = color_bits_ - 1;
    while (level > 0 && reducible_[static_cast<size_t>(level)] == kNone) --level;
    const NodeIndex index = reducible_[static_cast<size_t>(level)];
    if (index == kNone) return;
    Node& node = nodes_[static_cast<size_t>(index)];
    reducible_[static_cast<size_t>(level)] = node.next;
    node.next = kNone;
    int64_t red = 0;
    int64_t green = 0;
    int64_t blue = 0;
    int32_t children = 0;
    for (NodeIndex& child_index : node.child) {
        if (child_index == kNone) continue;
        const Node& child = nodes_[static_cast<size_t>(child_index)];
        red += child.red_sum;
        green += child.green_sum;
        blue += child.blue_sum;
        node.pixel_count += child.pixel_count;
        Free(child_index);
        child_index = kNone;
        ++children;
    }
    node.is_leaf = true;
    node.red_sum = red;
    node.green_sum = green;
    node.blue_sum = blue;
    leaf_count_ -= children - 1;
}

void TColorQuantizer::Free(NodeIndex node) {
    // Only the children of the deepest reducible level are folded, and those
    // are leaves.
    nodes_[static_cast<size_t>(node)].next = free_;
    free_ = node;
}

std::vector<platform::RGBQuad> TColorQuantizer::GetColorTable() const {
    std::vector<platform::RGBQuad> table;
    if (root_ != kNone) CollectColors(root_, table);
    return table;
}

void TColorQuantizer::CollectColors(NodeIndex index, std::vector<platform::RGBQuad>& table) const {
    const Node& node = nodes_[static_cast<size_t>(index)];
    if (!node.is_leaf) {
        for (const NodeIndex child : node.child) {
            if (child != kNone) CollectColors(child, table);
        }
        return;
    }
    platform::RGBQuad entry{};
    if (node.pixel_count > 0) {
        entry.Blue = static_cast<uint8_t>(node.blue_sum / node.pixel_count);
        entry.Green = static_cast<uint8_t>(node.green_sum / node.pixel_count);
        entry.Red = static_cast<uint8_t>(node.red_sum / node.pixel_count);
    }
    table.push_back(entry);
}

}  // namespace gif
