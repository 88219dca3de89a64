// A palette handle: the colours a picture of a palette format is shown with.
// Handles are shared and never changed once made, so passing one on copies
// nothing; two handles are the same palette only when they are one object,
// as with the system's handles. The default handle is none.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/graphics/types.h"

namespace platform {

class Palette {
public:
    Palette() = default;
    explicit Palette(std::vector<RGBQuad> entries)
        : entries_(std::make_shared<const std::vector<RGBQuad>>(std::move(entries))) {}

    explicit operator bool() const { return entries_ != nullptr; }
    // The colours, none for no palette.
    const std::vector<RGBQuad>& Entries() const { return entries_ ? *entries_ : kNone; }
    size_t Count() const { return Entries().size(); }

    friend bool operator==(const Palette& a, const Palette& b) { return a.entries_ == b.entries_; }

private:
    static inline const std::vector<RGBQuad> kNone;
    std::shared_ptr<const std::vector<RGBQuad>> entries_;
};

}  // namespace platform
