// The window-position keeper: a form carries one so that its window comes
// back where the user left it. At the form's first show in a run it puts back
// the window state and the normal bounds saved in the settings file; at every
// close (even one the form refuses) it saves them, in the form's section:
// WindowState (0 normal, 1 minimised, 2 maximised), Height, Top, Left, Width.
//
// Saved bounds that are not integers, that do not fit in 32 bits, or with a
// width or height that is not positive, are ignored; the others are brought
// within the free area of the screen they are on, title bar included.
#pragma once

#include <QObject>
#include <string>

namespace platform::ui {
class Form;
}

namespace components {

class TGardePositionFiche final : public QObject {
    Q_OBJECT

public:
    explicit TGardePositionFiche(platform::ui::Form& fiche,
                                 const std::string& nom = "GardePositionFiche1");

    bool SaveWindowState = true;  // the save also writes the window state
    bool ReadWindowState = true;  // the restore also applies it
    bool Enabled = true;          // neither restore nor save when false
    // Empty: the settings file. A name without a folder lives in the settings
    // folder; one without an extension gets ".ini".
    std::string FileName;

    // Called by the form from its own Loaded, once it has set its own
    // handlers: the keeper chains the form's show and close events, the
    // form's own handlers running first.
    void Loaded();

    // The file that FileName designates.
    std::string NomFichierIni() const;

private:
    void FicheShow();
    void FicheClose();
    void LitPosition();
    void SauvePosition();

    platform::ui::Form& fiche_;
    bool premier_affichage_ = true;
};

}  // namespace components
