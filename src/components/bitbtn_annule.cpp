#include "components/bitbtn_annule.h"

#include <QStyle>
#include <exception>
#include <optional>

#include "components/controles_fiche.h"
#include "components/outils.h"
#include "platform/core/text.h"
#include "platform/settings/ini_file.h"
#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace components {

using platform::ui::CheckBox;
using platform::ui::Edit;
using platform::ui::Form;
using platform::ui::ModalResult;
using platform::ui::RadioButton;
using platform::ui::SpinEdit;

namespace {

// The class word of a control that the button keeps, empty for another one.
std::string Classe(const QWidget* controle) {
    if (qobject_cast<const Edit*>(controle)) return "TEdit";
    if (qobject_cast<const CheckBox*>(controle)) return "TCheckBox";
    if (qobject_cast<const RadioButton*>(controle)) return "TRadioButton";
    if (qobject_cast<const SpinEdit*>(controle)) return "TSpinEdit";
    return {};
}

std::string Valeur(QWidget* controle) {
    if (auto* edit = qobject_cast<Edit*>(controle)) return edit->Text();
    if (auto* boite = qobject_cast<CheckBox*>(controle)) return BooleenVersChaine(boite->Checked());
    if (auto* radio = qobject_cast<RadioButton*>(controle)) {
        return BooleenVersChaine(radio->Checked());
    }
    return std::to_string(qobject_cast<SpinEdit*>(controle)->Value());
}

void Applique(QWidget* controle, const std::string& valeur) {
    if (auto* edit = qobject_cast<Edit*>(controle)) {
        edit->SetText(valeur);
    } else if (auto* boite = qobject_cast<CheckBox*>(controle)) {
        boite->SetChecked(ChaineVersBooleen(valeur));
    } else if (auto* radio = qobject_cast<RadioButton*>(controle)) {
        radio->SetChecked(ChaineVersBooleen(valeur));
    } else if (const std::optional<int32_t> nombre = platform::ParseInteger(valeur)) {
        qobject_cast<SpinEdit*>(controle)->SetValue(*nombre);
    }
}

}  // namespace

TBitBtnAnnule::TBitBtnAnnule(Form& fiche, QWidget* parent, const std::string& nom)
    : QPushButton(QString::fromUtf8("Abandonner"), parent), fiche_(fiche) {
    setObjectName(QString::fromStdString(nom));
    setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(this, &QPushButton::clicked, this, [this] {
        fiche_.App().Guard([this] { Clic(); });
        fiche_.SetModalResult(ModalResult::Abort);
    });
}

void TBitBtnAnnule::Loaded() {
    fiche_.OnShow = [this, avant = std::move(fiche_.OnShow)](Form& sender) {
        if (avant) avant(sender);
        MemoriseValeurs();
    };
}

void TBitBtnAnnule::Clic() {
    if (OnClick) OnClick(*this);
    if (RecupActif) RestaureValeurs();
}

void TBitBtnAnnule::MemoriseValeurs() {
    valeurs_.clear();
    for (QWidget* controle : ControlesFiche(fiche_)) {
        const std::string classe = Classe(controle);
        if (classe.empty()) continue;
        valeurs_.push_back(classe + " " + controle->objectName().toStdString() + "=" +
                           Valeur(controle));
    }
}

void TBitBtnAnnule::RestaureValeurs() {
    for (QWidget* controle : ControlesFiche(fiche_)) {
        const std::string classe = Classe(controle);
        if (classe.empty()) continue;
        const std::string nom = classe + " " + controle->objectName().toStdString();
        for (const std::string& ligne : valeurs_) {
            if (!platform::SameTextIgnoringCase(ligne.substr(0, ligne.find('=')), nom)) continue;
            try {
                Applique(controle, TexteApres("=", ligne));
            } catch (const std::exception&) {
                // A value the control refuses leaves that control as it is.
            }
            break;
        }
    }
    if (OnApresAnnule) OnApresAnnule(*this);
}

}  // namespace components
