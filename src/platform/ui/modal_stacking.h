// A modal box or dialog stands above the program's always-on-top windows
// while it is up, whatever window it belongs to: window managers keep a box
// that belongs to an ordinary window in the ordinary band, under the
// always-on-top ones, where the user cannot reach it and the program looks
// frozen. So while a modal window is shown the always-on-top windows are
// lowered into the ordinary band, and they go back on top once the last one
// has closed.
//
// Only the window system's record of the windows changes: the widgets keep
// their flags, stay shown and in place, and see neither a hide nor a close.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <vector>

namespace platform::ui {

class ModalStacking final : public QObject {
    Q_OBJECT

public:
    // Watches every window of the process from now on.
    ModalStacking();
    ~ModalStacking() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ModalShown(QWidget& modal);
    void Forget(const QObject* window);
    void Lower(QWidget& window);
    void RestoreAll();

    std::vector<QPointer<QWidget>> modals_;
    std::vector<QPointer<QWidget>> lowered_;
};

}  // namespace platform::ui
