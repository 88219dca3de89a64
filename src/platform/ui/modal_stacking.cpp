#include "platform/ui/modal_stacking.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>
#include <algorithm>

namespace platform::ui {

namespace {

// Menus and tooltips stand above everything by themselves: only the
// program's own windows are lowered.
bool StaysOnTop(const QWidget& window) {
    const Qt::WindowType type = window.windowType();
    return (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool) &&
           window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

bool Holds(const std::vector<QPointer<QWidget>>& windows, const QObject* window) {
    return std::any_of(windows.begin(), windows.end(),
                       [window](const QPointer<QWidget>& w) { return w.data() == window; });
}

}  // namespace

ModalStacking::ModalStacking() {
    qApp->installEventFilter(this);
}

ModalStacking::~ModalStacking() {
    qApp->removeEventFilter(this);
    RestoreAll();
}

bool ModalStacking::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->isWindow()) {
            if (type == QEvent::Hide) {
                Forget(window);
            } else if (window->isModal()) {
                ModalShown(*window);
            } else if (!modals_.empty() && StaysOnTop(*window)) {
                // Shown while a box is up, it would cover the box too.
                Lower(*window);
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void ModalStacking::ModalShown(QWidget& modal) {
    if (Holds(modals_, &modal)) return;
    modals_.emplace_back(&modal);
    // A box destroyed while it is shown is never hidden.
    connect(&modal, &QObject::destroyed, this, &ModalStacking::Forget, Qt::UniqueConnection);
    // The show event comes before the window is mapped: the others are
    // lowered before the window manager stacks the box.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != &modal && window->isVisible() && !window->isModal() && StaysOnTop(*window)) {
            Lower(*window);
        }
    }
}

void ModalStacking::Forget(const QObject* window) {
    // A window being destroyed may already read as null.
    const size_t gone = std::erase_if(modals_, [window](const QPointer<QWidget>& w) {
        return w.isNull() || w.data() == window;
    });
    if (gone > 0 && modals_.empty()) RestoreAll();
}

void ModalStacking::Lower(QWidget& window) {
    QWindow* handle = window.windowHandle();
    if (handle == nullptr || Holds(lowered_, &window)) return;
    // The widget's own flags stay: changing those would take the window
    // down and make it anew.
    handle->setFlags(handle->flags() & ~Qt::WindowStaysOnTopHint);
    lowered_.emplace_back(&window);
}

void ModalStacking::RestoreAll() {
    const std::vector<QPointer<QWidget>> lowered = std::move(lowered_);
    lowered_.clear();
    for (const QPointer<QWidget>& window : lowered) {
        if (window.isNull() || window->windowHandle() == nullptr) continue;
        QWindow& handle = *window->windowHandle();
        // Unless it stopped wanting it meanwhile.
        handle.setFlags(handle.flags() |
                        (window->windowFlags() & Qt::WindowStaysOnTopHint));
    }
}

}  // namespace platform::ui
