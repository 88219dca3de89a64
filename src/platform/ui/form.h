// A top-level window with the class library's form habits: a name, a
// creation step that runs after its components exist, key preview, a wheel
// handler that sees every wheel event over the window, border style and
// window state, and the close event with its action.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

class QEventLoop;
class QMenuBar;

namespace platform::ui {

class Application;

enum class BorderStyle { None, Sizeable };
enum class WindowState { Normal, Minimized, Maximized };
enum class CloseAction { None, Hide, Free, Minimize };
enum class ModalResult;

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
    // appeared: until then only the window itself is brought within, and the
    // form fits its frame on its own when it first appears.
    QRect FitOnScreen(const QRect& bounds) const;

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

    void showEvent(QShowEvent* event) override;
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
    void FitFrameOnFirstAppearance();

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
};

// Makes a form, registers it with the application and runs its creation step.
template <typename T, typename... Args>
T* CreateForm(Application& app, Args&&... args) {
    auto* form = new T(app, std::forward<Args>(args)...);
    form->Create();
    return form;
}

}  // namespace platform::ui
