// What the folder tools' dialogs share while a batch runs.
#pragma once

#include <QWidget>
#include <initializer_list>
#include <vector>

namespace app {

// The open-picture dialog's filter of the folder tools.
inline constexpr const char* kFiltreImages =
    "Tout (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf"
    "|Fichier image JPEG (*.jpg)|*.jpg|Fichier image JPEG (*.jpeg)|*.jpeg"
    "|Bitmaps (*.bmp)|*.bmp|Icônes (*.ico)|*.ico|Métafichiers étendus (*.emf)|*.emf"
    "|Métafichiers (*.wmf)|*.wmf";

// For the life of a batch: the flag is up and the controls that would start
// another batch or close the dialog are disabled. The scanner lets events
// through between files, so a second click would otherwise start a run
// inside the run.
class LotEnCours {
public:
    LotEnCours(bool& en_cours, std::initializer_list<QWidget*> controles)
        : en_cours_(en_cours), controles_(controles) {
        en_cours_ = true;
        for (QWidget* c : controles_) c->setEnabled(false);
    }
    ~LotEnCours() {
        for (QWidget* c : controles_) c->setEnabled(true);
        en_cours_ = false;
    }
    LotEnCours(const LotEnCours&) = delete;
    LotEnCours& operator=(const LotEnCours&) = delete;

private:
    bool& en_cours_;
    std::vector<QWidget*> controles_;
};

}  // namespace app
