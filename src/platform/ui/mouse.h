// Mouse events as the class library hands them to handlers.
#pragma once

#include <Qt>
#include <functional>

class QMouseEvent;
class QWidget;

namespace platform::ui {

struct MouseArgs {
    Qt::MouseButton button = Qt::NoButton;    // the button pressed or released
    Qt::MouseButtons buttons = Qt::NoButton;  // the buttons held (the "shift state")
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    int x = 0;  // in the sender's client coordinates
    int y = 0;
};

MouseArgs ToMouseArgs(const QMouseEvent& event);

using MouseHandler = std::function<void(QWidget& sender, const MouseArgs& args)>;

}  // namespace platform::ui
