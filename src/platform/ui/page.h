// The report's page as its layout reads it: sizes in millimetres, without
// the toolkit, so that the layout is worked out and tested on its own.
#pragma once

#include <algorithm>

namespace platform::ui {

enum class PageOrientation { Portrait, Landscape };

// A page's values in millimetres, as they stand for its orientation.
struct PageValues {
    double width = 0;
    double length = 0;
    double top_margin = 0;
    double bottom_margin = 0;
    double left_margin = 0;
    double right_margin = 0;

    // The printable area between the margins; nothing where they meet.
    double PrintableWidth() const { return std::max(0.0, width - left_margin - right_margin); }
    double PrintableLength() const { return std::max(0.0, length - top_margin - bottom_margin); }
};

}  // namespace platform::ui
