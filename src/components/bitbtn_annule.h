// The cancel button: it undoes a dialog's edits. Each show of its form
// records the values of the form's edits, check boxes, radio buttons and spin
// edits; a click puts the values of the last show back (their change and
// click handlers run), then raises OnApresAnnule, and closes a modal form
// with the abort result. An abort button is no cancel button: Escape leaves
// it alone.
#pragma once

#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

namespace platform::ui {
class Form;
}

namespace components {

class TBitBtnAnnule final : public QPushButton {
    Q_OBJECT

public:
    // `fiche` is the form whose controls the button records; `parent` is where
    // the button sits on it.
    TBitBtnAnnule(platform::ui::Form& fiche, QWidget* parent, const std::string& nom);

    // A click restores the recorded values.
    bool RecupActif = true;

    // The button's own click handler, run first.
    std::function<void(TBitBtnAnnule&)> OnClick;
    // Raised after the values were restored.
    std::function<void(TBitBtnAnnule&)> OnApresAnnule;

    // Called by the form from its own Loaded, once it has set its own
    // handlers: the button chains the form's show event, after the form's own
    // show handler.
    void Loaded();

    void MemoriseValeurs();
    // A control without a recorded value, or one it refuses, is skipped.
    void RestaureValeurs();

private:
    void Clic();

    platform::ui::Form& fiche_;
    // "TEdit name=text", "TCheckBox name=true", ...: one line per control.
    std::vector<std::string> valeurs_;
};

}  // namespace components
