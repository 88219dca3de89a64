#include "components/controles_fiche.h"

#include <QWidget>

namespace components {

std::vector<QWidget*> ControlesFiche(const QWidget& fiche) {
    std::vector<QWidget*> controles;
    for (QWidget* widget : fiche.findChildren<QWidget*>()) {
        if (!widget->objectName().isEmpty() && widget->window() == &fiche) {
            controles.push_back(widget);
        }
    }
    return controles;
}

}  // namespace components
