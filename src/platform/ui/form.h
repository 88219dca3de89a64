// A top-level window with the class library's form habits: a name, a
// creation step that runs after its components exist, key preview, a wheel
// handler that sees every wheel event over the window, border style and
// window state, and the close event with its action.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

class QAbstractButton;
class QEventLoop;
class QMenuBar;

namespace platform::ui {

class Application;

enum class BorderStyle { None, Sizeable };
enum class WindowState { Normal, Minimized, Maximized };
enum class CloseAction { None, Hide, Free, Minimize };
enum class ModalResult;

// The frame the window manager puts around `window`, or, before it has
// appeared, that of a form of `app` that has: the window manager frames the
// program's windows alike. Before the first has appeared nothing is known of
// the frame, and the result is empty.
QMargins ExpectedFrame(const QWidget& window, const Application& app);
// The width a window framed by `frame` needs for the window manager to write
// `caption` whole in its title bar, between the bar's buttons: the forms' and
// the message boxes' alike.
int CaptionWidth(const QString& caption, const QMargins& frame);

class Form : public QWidget {
    Q_OBJECT

public:
    Form(Application& app, const std::string& name);
    ~Form() override;

    Application& App() const { return app_; }
    std::string Name() const;

    std::string Caption() const;
    void SetCaption(const std::string& caption);

    BorderStyle GetBorderStyle() const { return border_style_; }
    void SetBorderStyle(BorderStyle style);
    WindowState GetWindowState() const;
    void SetWindowState(WindowState state);

    // Placement of the window in normal state (the restored bounds when maximised).
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int left);
    void SetTop(int top);
    void SetWidth(int width);
    void SetHeight(int height);
    // The bounds the window has in normal state. While it is minimised,
    // maximised or full screen they are the bounds it will take again, which
    // the form keeps itself (Qt's record of them is not reliable while
    // minimised); set then, they apply when the window comes back to normal.
    QRect NormalBounds() const;
    void SetNormalBounds(const QRect& bounds) { Place(bounds); }
    // Puts the window in the middle of the work area of its screen, no
    // larger than that area.
    void CenterOnScreen();
    // `bounds` (the window's own, without its frame) moved and shrunk as
    // little as needed for the whole window, frame and title bar included, to
    // lie within the work area of the screen that holds most of it (the main
    // screen when none does). The frame is known once the window has
    // appeared: until then the frame of another window of the program that
    // has appeared stands for it, and the form fits its own frame on its own
    // when it first appears.
    QRect FitOnScreen(const QRect& bounds) const;
    // The width the window needs for the window manager to write its caption
    // whole in its title bar, between the bar's buttons.
    int CaptionWidth() const;

    // Keeps the window above the other windows, or no more, without taking it
    // down: changing a shown widget's flags would hide it and make it anew.
    void SetStayOnTop(bool on_top);

    // The keys that the focused control leaves to the form work as in a
    // dialog: Enter clicks the focused push button, or else the form's
    // default one (QPushButton::setDefault), and Escape clicks the cancel
    // button set here, if any. A control that uses the key itself (a
    // multi-line edit, an open list) keeps it. Buttons hidden or disabled
    // answer no key.
    void SetCancelButton(QAbstractButton* button);

    // With key preview the form's OnKeyDown sees every key before the focused
    // control, which still receives it.
    bool KeyPreview() const { return key_preview_; }
    void SetKeyPreview(bool preview) { key_preview_ = preview; }

    // The control that has the focus; none gives the focus to the form itself.
    QWidget* ActiveControl() const;
    void SetActiveControl(QWidget* control);

    // Runs the components' Loaded steps, then OnCreate. The application calls
    // it once, right after the form was made.
    void Create();

    // Shows the form modally until a modal result is set (a button that has
    // one, or SetModalResult) or the form is closed, then hides it. Closing it
    // otherwise gives Cancel.
    ModalResult ShowModal();
    bool IsModal() const { return modal_loop_ != nullptr; }
    ModalResult GetModalResult() const { return modal_result_; }
    // A result other than None closes a modal form (its OnClose may refuse).
    void SetModalResult(ModalResult result);

    std::function<void(Form&)> OnCreate;
    std::function<void(Form&)> OnShow;
    std::function<void(Form&, CloseAction&)> OnClose;
    std::function<void(Form&, int key, Qt::KeyboardModifiers shift)> OnKeyDown;
    std::function<void(Form&, bool& handled)> OnMouseWheelDown;
    std::function<void(Form&, bool& handled)> OnMouseWheelUp;

protected:
    void changeEvent(QEvent* event) override;
    // Called by Create before OnCreate: the components finish their set-up.
    virtual void Loaded() {}

    // The first show of a run places the window (PlaceForFirstShow) before
    // OnShow, which may place it otherwise (a placement kept from an earlier
    // run).
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Both keep the record of the normal bounds: an override calls them.
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool BelongsHere(QObject* object) const;
    bool IsZoomed() const;
    void Place(const QRect& bounds);
    void NoteNormalBounds();
    // Whole within the free area of its screen, as wide as its caption needs
    // (growing evenly on both sides), and, when nothing placed it, over the
    // middle of the main window (of the screen for the main window itself).
    void PlaceForFirstShow();
    void FitFrameOnFirstAppearance();
    // The frame the window manager puts around the window, or that of
    // another window of the program before this one has appeared.
    QMargins Frame() const;
    QAbstractButton* EnterButton() const;

    Application& app_;
    // Bounds set while the window is maximised, full screen or minimised: they
    // become its bounds when it comes back to normal.
    QRect normal_bounds_;
    // The last bounds the window had in normal state.
    QRect last_normal_bounds_;
    QEventLoop* modal_loop_ = nullptr;
    ModalResult modal_result_;
    BorderStyle border_style_ = BorderStyle::Sizeable;
    bool key_preview_ = false;
    // The window has appeared in normal state and its frame was brought
    // within the screen.
    bool frame_fitted_ = false;
    bool shown_ = false;
    QPointer<QAbstractButton> cancel_button_;
};

// Makes a form, registers it with the application and runs its creation step.
template <typename T, typename... Args>
T* CreateForm(Application& app, Args&&... args) {
    auto* form = new T(app, std::forward<Args>(args)...);
    form->Create();
    return form;
}

}  // namespace platform::ui
