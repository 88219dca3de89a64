// The controls of a form that the settings component and the cancel button
// keep: its named widgets wherever they sit (on panels and group boxes too).
#pragma once

#include <vector>

class QWidget;

namespace components {

// Parents come before their children and siblings in their order of creation.
// Unnamed widgets are left out, and so are the widgets of another window made
// with the form as parent. The callers take only the platform's control
// classes, so the line edit inside a spin or combo box is never one.
std::vector<QWidget*> ControlesFiche(const QWidget& fiche);

}  // namespace components
