// The window a report shows while its page is printed: it says so, keeps the
// user's hands off the other windows while the event loop keeps them all
// painted, and closes itself when the page is done, well or not.
#pragma once

#include <functional>

class QWidget;

namespace platform::ui {

// Runs `render` on a thread of its own while the window shows over `parent`,
// and returns once it has ended, raising here what it raised. The call waits
// for the thread in every case, so `render` may use what its caller owns: one
// page always comes to an end.
void RenderWithProgress(QWidget* parent, const std::function<void()>& render);

}  // namespace platform::ui
