// The new size dialog: it shows the size of the main window's picture and
// keeps its proportions while the user types a new width or a new height.
// It only collects the two numbers; the caller reads them once it closes.
#pragma once

#include <QLabel>
#include <cstdint>
#include <optional>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace app {

struct Fiches;

// The other side of a picture of `cote` x `autre` pixels whose side `cote`
// becomes `nouveau`, proportions kept: nouveau x autre / cote rounded half to
// even, exactly, in 64 bits. None when a side of the picture is 0 or less,
// since no proportion follows from it.
std::optional<int64_t> CoteProportionnel(int32_t nouveau, int32_t cote, int32_t autre);

class TFormChangeHtLg final : public platform::ui::Form {
    Q_OBJECT

public:
    TFormChangeHtLg(platform::ui::Application& application, Fiches& fiches);

    QLabel* LabelLargeur;
    QLabel* LabelHauteur;
    platform::ui::SpinEdit* SpinEditNouvLargeur;
    platform::ui::SpinEdit* SpinEditNouvHauteur;
    platform::ui::Button* BitBtn1;

    void FormShow();
    void SpinEditNouvLargeurChange();
    void SpinEditNouvHauteurChange();

private:
    // The main window's picture size, read each time it is needed.
    int32_t Largeur() const;
    int32_t Hauteur() const;
    // Sets `cible` from `source`, a side of `cote` becoming the other of `autre`.
    static void Proportionne(const platform::ui::SpinEdit& source, platform::ui::SpinEdit& cible,
                             int32_t cote, int32_t autre);

    Fiches& fiches_;
};

}  // namespace app
