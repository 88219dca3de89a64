#include "components/svg_edit_ini.h"

#include <exception>
#include <functional>
#include <vector>

#include "components/controles_fiche.h"
#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace components {

using platform::IniFile;
using platform::ui::CheckBox;
using platform::ui::ComboBox;
using platform::ui::Edit;
using platform::ui::Form;
using platform::ui::Memo;
using platform::ui::RadioButton;
using platform::ui::SpinEdit;
using platform::ui::TrackBar;

namespace {

// The restore or the save of one control: its failure is dropped and the
// next control goes on.
void Tente(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception&) {
        // A refused value or a failing handler costs that value only.
    }
}

// The key of line i of a list section.
std::string CleLigne(size_t i) {
    return std::string("L").append(std::to_string(i));
}

struct Liste {
    std::vector<std::string> lignes;
    int32_t index = 0;
};

// The lines stop at the first missing index.
Liste LitListe(const IniFile& ini, const std::string& section) {
    Liste liste;
    while (ini.ValueExists(section, CleLigne(liste.lignes.size()))) {
        liste.lignes.push_back(ini.ReadString(section, CleLigne(liste.lignes.size()), ""));
    }
    liste.index = ini.ReadInteger(section, "ItemIndex", 0);
    return liste;
}

void SauveListe(IniFile& ini, const std::string& section, const std::vector<std::string>& lignes,
                int32_t index) {
    ini.EraseSection(section);
    for (size_t i = 0; i < lignes.size(); ++i) {
        ini.WriteString(section, CleLigne(i), lignes[i]);
    }
    ini.WriteInteger(section, "ItemIndex", index);
}

// The forms that carry an instance, in their order of creation, each with
// the instance whose flags apply.
template <typename F>
void PourChaqueFiche(const platform::ui::Application& application, F&& action) {
    const std::vector<Form*> fiches = application.Forms();
    for (Form* fiche : fiches) {
        if (TSvgEditIni::ContientSvgEditIni(*fiche)) {
            action(*fiche, *TSvgEditIni::TrouveSvgEditIni(*fiche));
        }
    }
}

// A control is of one class at most, so its restore is one row.
void Restaure(const IniFile& ini, const Form& fiche, const TSvgEditIni& r, QWidget* controle) {
    const std::string section = fiche.Name();
    const std::string cle = controle->objectName().toStdString();
    const std::string liste = section + cle;
    if (auto* edit = qobject_cast<Edit*>(controle); edit && r.SauveEdit) {
        if (ini.ValueExists(section, cle)) edit->SetText(ini.ReadString(section, cle, ""));
    } else if (auto* boite = qobject_cast<CheckBox*>(controle); boite && r.SauveCheckBox) {
        if (ini.ValueExists(section, cle)) boite->SetChecked(ini.ReadBool(section, cle, true));
    } else if (auto* radio = qobject_cast<RadioButton*>(controle); radio && r.SauveRadioButton) {
        if (ini.ValueExists(section, cle)) radio->SetChecked(ini.ReadBool(section, cle, true));
    } else if (auto* spin = qobject_cast<SpinEdit*>(controle); spin && r.SauveSpinEdit) {
        if (ini.ValueExists(section, cle)) spin->SetValue(ini.ReadInteger(section, cle, 0));
    } else if (auto* barre = qobject_cast<TrackBar*>(controle); barre && r.SauveTrackBar) {
        if (ini.ValueExists(section, cle)) barre->SetPosition(ini.ReadInteger(section, cle, 0));
    } else if (auto* memo = qobject_cast<Memo*>(controle); memo && r.SauveMemo) {
        // A memo's index is written for the file's layout only.
        if (ini.SectionExists(liste)) memo->SetLines(LitListe(ini, liste).lignes);
    } else if (auto* combo = qobject_cast<ComboBox*>(controle); combo && r.SauveComboBox) {
        if (!ini.SectionExists(liste)) return;
        const Liste lue = LitListe(ini, liste);
        combo->SetItems(lue.lignes);
        if (lue.index <= combo->count() - 1) combo->SetItemIndex(lue.index);
    }
}

void Sauve(IniFile& ini, const Form& fiche, const TSvgEditIni& r, QWidget* controle) {
    const std::string section = fiche.Name();
    const std::string cle = controle->objectName().toStdString();
    if (auto* edit = qobject_cast<Edit*>(controle); edit && r.SauveEdit) {
        ini.WriteString(section, cle, edit->Text());
    } else if (auto* boite = qobject_cast<CheckBox*>(controle); boite && r.SauveCheckBox) {
        // A greyed box counts as not ticked.
        ini.WriteBool(section, cle, boite->checkState() == Qt::Checked);
    } else if (auto* radio = qobject_cast<RadioButton*>(controle); radio && r.SauveRadioButton) {
        ini.WriteBool(section, cle, radio->Checked());
    } else if (auto* spin = qobject_cast<SpinEdit*>(controle); spin && r.SauveSpinEdit) {
        ini.WriteInteger(section, cle, spin->Value());
    } else if (auto* barre = qobject_cast<TrackBar*>(controle); barre && r.SauveTrackBar) {
        ini.WriteInteger(section, cle, barre->Position());
    } else if (auto* memo = qobject_cast<Memo*>(controle); memo && r.SauveMemo) {
        SauveListe(ini, section + cle, memo->Lines(), 0);
    } else if (auto* combo = qobject_cast<ComboBox*>(controle); combo && r.SauveComboBox) {
        SauveListe(ini, section + cle, combo->Items(), combo->ItemIndex());
    }
}

}  // namespace

TSvgEditIni::TSvgEditIni(Form& fiche, const std::string& nom, std::string fichier_ini)
    : QObject(&fiche), fiche_(fiche), fichier_ini_(std::move(fichier_ini)) {
    setObjectName(QString::fromStdString(nom));
}

void TSvgEditIni::Loaded() {
    const bool principale = fiche_.App().MainForm() == &fiche_;
    fiche_.OnClose = [this, principale, avant = std::move(fiche_.OnClose)](
                         Form& sender, platform::ui::CloseAction& action) {
        if (avant) avant(sender, action);
        if (principale) {
            SauveIni();
        } else if (TrouveSvgEditIni(fiche_) == this) {
            Ecrit({&fiche_});
        }
    };
    LitIni();
}

void TSvgEditIni::LitIni() {
    const platform::ui::Application::QuietErrors silence(fiche_.App());
    const IniFile ini(fichier_ini_);
    PourChaqueFiche(fiche_.App(), [&](Form& fiche, const TSvgEditIni& reglages) {
        for (QWidget* controle : ControlesFiche(fiche)) {
            Tente([&] { Restaure(ini, fiche, reglages, controle); });
        }
    });
}

void TSvgEditIni::SauveIni() {
    std::vector<Form*> fiches;
    PourChaqueFiche(fiche_.App(),
                    [&](Form& fiche, const TSvgEditIni&) { fiches.push_back(&fiche); });
    Ecrit(fiches);
}

void TSvgEditIni::Ecrit(const std::vector<Form*>& fiches) {
    IniFile ini(fichier_ini_);
    for (Form* fiche : fiches) {
        const TSvgEditIni& reglages = *TrouveSvgEditIni(*fiche);
        for (QWidget* controle : ControlesFiche(*fiche)) {
            Tente([&] { Sauve(ini, *fiche, reglages, controle); });
        }
    }
    Tente([&] { ini.UpdateFile(); });
}

TSvgEditIni* TSvgEditIni::TrouveSvgEditIni(const Form& fiche) {
    const QList<TSvgEditIni*> instances =
        fiche.findChildren<TSvgEditIni*>(Qt::FindDirectChildrenOnly);
    return instances.isEmpty() ? nullptr : instances.back();
}

bool TSvgEditIni::ContientSvgEditIni(const Form& fiche) {
    return fiche.findChild<TSvgEditIni*>(QString(), Qt::FindDirectChildrenOnly) != nullptr;
}

}  // namespace components
