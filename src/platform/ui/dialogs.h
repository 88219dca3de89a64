// Message boxes and common dialogs behind one service, so that windows never
// talk to Qt's dialogs directly and tests can script the answers.
#pragma once

#include <optional>
#include <string>

#include "platform/graphics/types.h"

class QWidget;

namespace platform::ui {

struct OpenFileRequest {
    std::string title;
    // Filter in the class library's form: "Texte|*.a;*.b|Tous|*.*".
    std::string filter;
    // Without its dot, added to a name typed without one.
    std::string default_extension;
    std::string initial_dir;
    std::string file_name;
    // Off, a name that names no file is accepted as typed.
    bool must_exist = true;
};

struct SaveFileRequest {
    std::string title;
    std::string filter;
    std::string default_extension;  // without its dot, added to a name that has none
    std::string initial_dir;
    std::string file_name;
    bool ask_before_overwriting = true;
};

// The button that Enter presses in a question, and that a box closed
// otherwise answers: No for a question whose Yes destroys something.
enum class DefaultAnswer { Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A plain message with one OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // The box of the application's default error handler.
    virtual void ShowError(const std::string& text) = 0;
    // A warning with the buttons "Oui" and "Non"; true for "Oui".
    virtual bool AskYesNo(const std::string& text,
                          DefaultAnswer default_answer = DefaultAnswer::Yes) = 0;
    // The chosen file, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> OpenFile(const OpenFileRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(const SaveFileRequest& request) = 0;
    virtual std::optional<std::string> SelectFolder(const std::string& caption,
                                                    const std::string& start) = 0;
    virtual std::optional<platform::Color> ChooseColor(platform::Color initial) = 0;
};

// The real dialogs, parented to the active window. The file dialogs are Qt's
// own, not the desktop's: they speak the application's French, show the
// filters' labels exactly as given, and can accept a name of no file.
class QtDialogs final : public Dialogs {
public:
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    bool AskYesNo(const std::string& text, DefaultAnswer default_answer) override;
    std::optional<std::string> OpenFile(const OpenFileRequest& request) override;
    std::optional<std::string> SaveFile(const SaveFileRequest& request) override;
    std::optional<std::string> SelectFolder(const std::string& caption, const std::string& start) override;
    std::optional<platform::Color> ChooseColor(platform::Color initial) override;
};

// "Texte|*.a;*.b|Tous|*.*" in Qt's form: "Texte (*.a *.b);;Tous (*.*)".
std::string QtFilter(const std::string& filter);

}  // namespace platform::ui
