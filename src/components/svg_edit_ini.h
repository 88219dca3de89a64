// The settings component: a form carries one to have the values of its
// controls kept from one run to the next in the settings file.
//
// It works on all forms at once. Each instance, when its form is loaded at
// start-up, puts back the saved values of every form that exists and carries
// one, so the k-th form loaded restores the first k forms again and a value an
// earlier form's creation changed is put back. The instance on the main
// window saves the values of every such form each time the main window
// closes, also when the closing is refused. Every other form's values are
// also written each time that form closes, so that a dialog's settings reach
// the disk then, not only at the end of a run that may never end well;
// nothing is written at any other moment.
//
// A form's section is named after the form, a control's key after the
// control. A memo or a combo box gets a list section of its own, the form's
// name followed at once by the control's, with keys L0, L1, ... and ItemIndex.
// Values go back through the controls' ordinary setters, so their change and
// click handlers run, during the forms' creation.
#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "platform/settings/ini_file.h"

namespace platform::ui {
class Form;
}

namespace components {

class TSvgEditIni final : public QObject {
    Q_OBJECT

public:
    // `fichier_ini` is the settings file to use.
    explicit TSvgEditIni(platform::ui::Form& fiche, const std::string& nom = "SvgEditIni1",
                         std::string fichier_ini = platform::SettingsFileName());

    // The kinds of control kept on the carrying form; a form carrying several
    // instances is kept with the flags of the last one.
    bool SauveEdit = true;
    bool SauveCheckBox = true;
    bool SauveRadioButton = true;
    bool SauveSpinEdit = true;
    bool SauveMemo = false;
    bool SauveComboBox = false;
    bool SauveTrackBar = false;
    // Kinds of control the platform has no class for (date-time picker, rich
    // edit, list box, check-list box, string grid): the flags are carried
    // with the others, so that a form may set them, and keep nothing.
    bool SauveDateTimePicker = true;
    bool SauveRichEdit = false;
    bool SauveListBox = false;
    bool SauveChecklistBox = false;
    bool SauveStringGrid = false;

    const std::string& FichierIni() const { return fichier_ini_; }
    void SetFichierIni(std::string fichier) { fichier_ini_ = std::move(fichier); }

    // Called by the form from its own Loaded, once it has set its own
    // handlers: the instance takes over the form's close event (the form's
    // own close handler runs first), to save every form on the main window
    // and its own form elsewhere; then every form is restored.
    void Loaded();

    // Restores, and saves, the controls of all forms that carry an instance.
    // A value a control refuses, or a failing write, is skipped silently.
    void LitIni();
    void SauveIni();

    // The last instance that the form carries, or none.
    static TSvgEditIni* TrouveSvgEditIni(const platform::ui::Form& fiche);
    // Whether the form carries at least one instance: only such forms are
    // restored and saved.
    static bool ContientSvgEditIni(const platform::ui::Form& fiche);

private:
    // Writes the controls of these forms, each with the flags of its last
    // instance.
    void Ecrit(const std::vector<platform::ui::Form*>& fiches);

    platform::ui::Form& fiche_;
    std::string fichier_ini_;
};

}  // namespace components
