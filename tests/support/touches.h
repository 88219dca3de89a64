// Keys pressed as the user would: in a control, which takes the focus
// first; a key the control leaves goes on up to its window.
#pragma once

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace testing_support {

inline void Appuie(QWidget& control, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    control.setFocus(Qt::OtherFocusReason);
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&control, &press);
}

}  // namespace testing_support
