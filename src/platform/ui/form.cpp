#include "platform/ui/form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cstdint>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"

namespace platform::ui {

namespace {

// The window menu's button, minimise, maximise and close.
constexpr int kTitleBarButtons = 4;

QFont TitleFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    return font;
}

}  // namespace

QMargins ExpectedFrame(const QWidget& window, const Application& app) {
    // Asked of the window system itself: the widget's own record of the
    // frame may still be the empty one of before the window appeared.
    const auto frame_of = [](const QWidget& shown) {
        return shown.windowHandle() != nullptr && shown.windowHandle()->isExposed()
                   ? shown.windowHandle()->frameMargins()
                   : QMargins();
    };
    if (const QMargins own = frame_of(window); !own.isNull()) return own;
    for (const Form* other : app.Forms()) {
        if (const QMargins frame = frame_of(*other); !frame.isNull()) return frame;
    }
    return {};
}

int CaptionWidth(const QString& caption, const QMargins& frame) {
    if (caption.isEmpty()) return 0;
    // The window manager writes in a font of its own, which the desktop's
    // bold title font stands for; its buttons, the window menu's on one side
    // and three on the other, are about as wide as the bar is high, and a
    // bar's height more keeps the caption off them.
    const int bar = std::max(frame.top(), QFontMetrics(TitleFont()).height());
    const int text = QFontMetrics(TitleFont()).horizontalAdvance(caption);
    return text + (kTitleBarButtons + 1) * bar - frame.left() - frame.right();
}

Form::Form(Application& app, const std::string& name)
    : app_(app), modal_result_(ModalResult::None) {
    setObjectName(QString::fromStdString(name));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    app_.AddForm(*this);
    qApp->installEventFilter(this);
}

Form::~Form() {
    qApp->removeEventFilter(this);
    app_.RemoveForm(*this);
}

std::string Form::Name() const {
    return objectName().toStdString();
}

std::string Form::Caption() const {
    return windowTitle().toStdString();
}

void Form::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

void Form::SetBorderStyle(BorderStyle style) {
    if (style == border_style_) return;
    border_style_ = style;
    // A window without border that is maximised covers the whole screen; with a
    // border again it is an ordinary maximised window.
    if (isFullScreen() && style == BorderStyle::Sizeable) SetWindowState(WindowState::Maximized);
}

WindowState Form::GetWindowState() const {
    if (isMinimized()) return WindowState::Minimized;
    if (IsZoomed()) return WindowState::Maximized;
    return WindowState::Normal;
}

void Form::SetWindowState(WindowState state) {
    Qt::WindowStates qt_state = Qt::WindowNoState;
    switch (state) {
        case WindowState::Normal:
            break;
        case WindowState::Minimized:
            qt_state = Qt::WindowMinimized;
            break;
        case WindowState::Maximized:
            qt_state =
                border_style_ == BorderStyle::None ? Qt::WindowFullScreen : Qt::WindowMaximized;
            break;
    }
    if (windowState() == qt_state) return;
    const bool was_zoomed = IsZoomed();
    // Without a window manager to honour the state, the window still has to
    // cover its screen.
    if (qt_state == Qt::WindowFullScreen && screen() != nullptr) setGeometry(screen()->geometry());
    setWindowState(qt_state);
    if (was_zoomed && state == WindowState::Normal && normal_bounds_.isValid()) {
        setGeometry(normal_bounds_);
    }
}

bool Form::IsZoomed() const {
    return (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0;
}

int Form::Left() const {
    return geometry().x();
}
int Form::Top() const {
    return geometry().y();
}
int Form::Width() const {
    return geometry().width();
}
int Form::Height() const {
    return geometry().height();
}

void Form::Place(const QRect& bounds) {
    if (IsZoomed() || isMinimized()) {
        normal_bounds_ = bounds;
    } else {
        normal_bounds_ = QRect();
        setGeometry(bounds);
    }
}

QRect Form::NormalBounds() const {
    if (!IsZoomed() && !isMinimized()) return geometry();
    if (normal_bounds_.isValid()) return normal_bounds_;
    return last_normal_bounds_.isValid() ? last_normal_bounds_ : geometry();
}

void Form::NoteNormalBounds() {
    if (!IsZoomed() && !isMinimized()) last_normal_bounds_ = geometry();
}

void Form::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    NoteNormalBounds();
}

void Form::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    NoteNormalBounds();
}

void Form::SetLeft(int left) {
    Place(NormalBounds().translated(left - NormalBounds().left(), 0));
}

void Form::SetTop(int top) {
    Place(NormalBounds().translated(0, top - NormalBounds().top()));
}

void Form::SetWidth(int width) {
    QRect r = NormalBounds();
    r.setWidth(width);
    Place(r);
}

void Form::SetHeight(int height) {
    QRect r = NormalBounds();
    r.setHeight(height);
    Place(r);
}

void Form::CenterOnScreen() {
    QRect bounds = geometry();
    bounds.moveCenter(screen()->availableGeometry().center());
    setGeometry(FitOnScreen(bounds));
}

QMargins Form::Frame() const {
    return ExpectedFrame(*this, app_);
}

QRect Form::FitOnScreen(const QRect& bounds) const {
    const QScreen* target = QGuiApplication::primaryScreen();
    int64_t most = 0;
    for (const QScreen* candidate : QGuiApplication::screens()) {
        const QRect common = candidate->availableGeometry().intersected(bounds);
        const int64_t shared = int64_t{common.width()} * common.height();
        if (shared > most) {
            most = shared;
            target = candidate;
        }
    }
    if (target == nullptr) return bounds;
    const QMargins frame = Frame();
    QRect area = target->availableGeometry().marginsRemoved(frame);
    if (area.isEmpty()) area = target->availableGeometry();
    QRect fitted(bounds.topLeft(), bounds.size().boundedTo(area.size()));
    fitted.moveLeft(std::clamp(fitted.left(), area.left(), area.right() - fitted.width() + 1));
    fitted.moveTop(std::clamp(fitted.top(), area.top(), area.bottom() - fitted.height() + 1));
    return fitted;
}

int Form::CaptionWidth() const {
    return ui::CaptionWidth(windowTitle(), Frame());
}

void Form::PlaceForFirstShow() {
    if (GetWindowState() != WindowState::Normal) return;
    QRect bounds = geometry();
    const int width = std::min(std::max(bounds.width(), CaptionWidth()), maximumWidth());
    const int grown = width - bounds.width();
    bounds.adjust(-grown / 2, 0, grown - grown / 2, 0);
    // Left to the window manager, the window would go where it finds room
    // for its frame, not always whole on the screen.
    if (!testAttribute(Qt::WA_Moved)) {
        const Form* main = app_.MainForm();
        bounds.moveCenter(main != nullptr && main != this && main->isVisible()
                              ? main->frameGeometry().center()
                              : screen()->availableGeometry().center());
    }
    setGeometry(FitOnScreen(bounds));
}

void Form::FitFrameOnFirstAppearance() {
    // The window manager frames a window once it is mapped, and a window
    // placed where only its own bounds fit (the top left corner of the
    // screen) would keep its title bar above the screen, out of reach.
    if (frame_fitted_ || windowHandle() == nullptr || !windowHandle()->isExposed() ||
        GetWindowState() != WindowState::Normal) {
        return;
    }
    frame_fitted_ = true;
    const QRect fitted = FitOnScreen(geometry());
    if (fitted != geometry()) setGeometry(fitted);
}

QWidget* Form::ActiveControl() const {
    QWidget* focus = focusWidget();
    return focus == this ? nullptr : focus;
}

void Form::SetActiveControl(QWidget* control) {
    if (control == nullptr) {
        setFocus(Qt::OtherFocusReason);
    } else {
        control->setFocus(Qt::OtherFocusReason);
    }
}

void Form::Create() {
    Loaded();
    if (OnCreate) app_.Guard([&] { OnCreate(*this); });
}

ModalResult Form::ShowModal() {
    modal_result_ = ModalResult::None;
    QEventLoop loop;
    modal_loop_ = &loop;
    setWindowModality(Qt::ApplicationModal);
    show();
    loop.exec();
    modal_loop_ = nullptr;
    setWindowModality(Qt::NonModal);
    return modal_result_;
}

void Form::SetModalResult(ModalResult result) {
    modal_result_ = result;
    if (modal_loop_ != nullptr && result != ModalResult::None && !close())
        modal_result_ = ModalResult::None;
}

void Form::SetStayOnTop(bool on_top) {
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on_top);
    if (flags == windowFlags()) return;
    if (windowHandle() == nullptr) {
        setWindowFlags(flags);
        return;
    }
    overrideWindowFlags(flags);
    windowHandle()->setFlags(flags);
}

void Form::SetCancelButton(QAbstractButton* button) {
    cancel_button_ = button;
}

void Form::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    if (!shown_) {
        shown_ = true;
        PlaceForFirstShow();
    }
    if (OnShow) app_.Guard([&] { OnShow(*this); });
}

QAbstractButton* Form::EnterButton() const {
    if (auto* focused = qobject_cast<QPushButton*>(focusWidget())) return focused;
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button->isDefault() && button->window() == this) return button;
    }
    return nullptr;
}

void Form::keyPressEvent(QKeyEvent* event) {
    QAbstractButton* button = nullptr;
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                button = EnterButton();
                break;
            case Qt::Key_Escape:
                button = cancel_button_;
                break;
            default:
                break;
        }
    }
    if (button != nullptr && button->window() == this && button->isVisible() &&
        button->isEnabled()) {
        event->accept();
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form::closeEvent(QCloseEvent* event) {
    CloseAction action = CloseAction::Hide;
    if (OnClose) app_.Guard([&] { OnClose(*this, action); });
    if (action == CloseAction::None) {
        event->ignore();
        return;
    }
    event->accept();
    if (modal_loop_ != nullptr) {
        if (modal_result_ == ModalResult::None) modal_result_ = ModalResult::Cancel;
        modal_loop_->quit();
    }
    if (app_.MainForm() == this) app_.Quit();
}

void Form::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !IsZoomed() && !isMinimized() &&
        normal_bounds_.isValid()) {
        const QRect bounds = normal_bounds_;
        normal_bounds_ = QRect();
        setGeometry(bounds);
    }
}

bool Form::BelongsHere(QObject* object) const {
    return object->isWidgetType() && static_cast<QWidget*>(object)->window() == this;
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Expose:
            if (watched == windowHandle()) FitFrameOnFirstAppearance();
            break;
        case QEvent::KeyPress: {
            // A key travels up from the focused widget to its parents; the form
            // previews it once, on its first delivery.
            QWidget* focus = QApplication::focusWidget();
            const bool first = focus != nullptr ? watched == focus : watched == this;
            if (key_preview_ && OnKeyDown && first && BelongsHere(watched)) {
                auto* key = static_cast<QKeyEvent*>(event);
                app_.Guard([&] { OnKeyDown(*this, key->key(), key->modifiers()); });
                // The preview moved the focus (full screen hides the focused
                // control): the key has no control left to go to, and going on
                // up it would reach the new focus as a first delivery.
                if (QApplication::focusWidget() != focus) return true;
            }
            break;
        }
        case QEvent::Wheel: {
            // The wheel belongs to the form wherever the mouse is over it.
            if (!BelongsHere(watched)) break;
            auto* wheel = static_cast<QWheelEvent*>(event);
            const int delta = wheel->angleDelta().y();
            auto& handler = delta < 0 ? OnMouseWheelDown : OnMouseWheelUp;
            if (delta == 0 || !handler) break;
            bool handled = false;
            app_.Guard([&] { handler(*this, handled); });
            if (handled) return true;
            break;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace platform::ui
