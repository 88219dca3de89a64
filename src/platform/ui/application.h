// The application object: the forms in their order of creation, the dialogs
// service, the default error handler and the hints' timing. It speaks French
// whatever the desktop's language: Qt's own texts (standard dialogs, context
// menus of edits) are translated, and the default locale, which names file
// types and writes dates in the file dialogs, is French. Its windows are
// written in the font they were designed with, drawn with a system font of
// the same widths ("MS Sans Serif" and "Arial" as Liberation Sans), so that
// their captions fit as designed.
//
// Every handler that Qt calls goes through Guard: an exception shows its
// message in a box and never crosses Qt's event loop. While it lives, the
// platform's workers reach the user-interface thread through Qt's event loop,
// the platform's timers are Qt's, and the failures that no caller receives
// (platform::HandleError) are shown by the default handler once the event
// loop comes back, every modal box or dialog stands above the program's
// always-on-top windows while it is up, and every message box, Qt's own ones
// too, is as wide as its caption needs.
#pragma once

#include <QObject>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/dialogs.h"
#include "platform/ui/modal_stacking.h"
#include "platform/ui/shell.h"
#include "platform/ui/timers.h"

class QApplication;
class QTranslator;

namespace platform::ui {

class Form;

class Application final : public QObject {
    Q_OBJECT

public:
    // The font the windows were designed with.
    static constexpr const char* kDesignFont = "MS Sans Serif";
    static constexpr int kDesignFontPoints = 8;

    // Wraps the process's QApplication, which must outlive this object.
    explicit Application(QApplication& qt);
    ~Application() override;

    // The application of the process, for code reached from Qt's callbacks.
    static Application& Current();

    Dialogs& GetDialogs() { return *dialogs_; }
    void SetDialogs(std::unique_ptr<Dialogs> dialogs);
    Shell& GetShell() { return *shell_; }
    void SetShell(std::unique_ptr<Shell> shell);

    // Forms register themselves when they are made and leave when destroyed;
    // the list keeps their order of creation.
    void AddForm(Form& form);
    void RemoveForm(Form& form);
    const std::vector<Form*>& Forms() const { return forms_; }
    // The first form made; closing it ends the program.
    Form* MainForm() const { return forms_.empty() ? nullptr : forms_.front(); }

    // Runs fn; an exception is shown by the default handler instead of escaping.
    void Guard(const std::function<void()>& fn);
    // The default handler: the exception's message in an error box, unless a
    // QuietErrors scope is open, the exception is a silent Abort, or an error
    // box is already open: a box waits for the user, and the event loop that
    // runs meanwhile must not stack others on it.
    void HandleException(const std::exception& error);
    // While the error box is open, work that would raise the same error again
    // (a slideshow step) waits for it to close.
    bool ShowingError() const { return showing_error_; }

    // While one lives, the errors that reach the default handler are dropped
    // (restoring settings at start-up fires the controls' handlers, whose
    // failures are not the user's concern).
    class QuietErrors {
    public:
        explicit QuietErrors(Application& app) : app_(app) { ++app_.quiet_; }
        ~QuietErrors() { --app_.quiet_; }
        QuietErrors(const QuietErrors&) = delete;
        QuietErrors& operator=(const QuietErrors&) = delete;

    private:
        Application& app_;
    };

    // Runs the pending user-interface work, then returns.
    void ProcessMessages();

    // How long a hint stays up, and how long the mouse rests before it shows (ms).
    int HintHidePause() const { return hint_hide_pause_; }
    void SetHintHidePause(int ms) { hint_hide_pause_ = ms; }
    int HintPause() const;
    void SetHintPause(int ms);

    // Runs the event loop until the main form closes.
    int Run();
    // Ends the event loop (the main form closed).
    void Quit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QApplication& qt_;
    QtTimerService timers_;
    MainThreadWake wake_;
    ModalStacking modal_stacking_;
    std::unique_ptr<QTranslator> french_;
    std::unique_ptr<Dialogs> dialogs_;
    std::unique_ptr<Shell> shell_;
    std::vector<Form*> forms_;
    int hint_hide_pause_ = 2500;
    int quiet_ = 0;
    bool showing_error_ = false;
    class HintStyle;
    HintStyle* hint_style_;
};

}  // namespace platform::ui
