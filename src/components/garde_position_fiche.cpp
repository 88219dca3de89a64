#include "components/garde_position_fiche.h"

#include <algorithm>
#include <array>
#include <exception>
#include <limits>
#include <optional>

#include "platform/settings/ini_file.h"
#include "platform/ui/form.h"

namespace components {

using platform::IniFile;
using platform::ui::CloseAction;
using platform::ui::Form;
using platform::ui::WindowState;

namespace {

// The window states in the order of their numbers in the file.
constexpr std::array<WindowState, 3> kEtats = {WindowState::Normal, WindowState::Minimized,
                                               WindowState::Maximized};

}  // namespace

TGardePositionFiche::TGardePositionFiche(Form& fiche, const std::string& nom)
    : QObject(&fiche), fiche_(fiche) {
    setObjectName(QString::fromStdString(nom));
}

void TGardePositionFiche::Loaded() {
    fiche_.OnShow = [this, avant = std::move(fiche_.OnShow)](Form& sender) {
        if (avant) avant(sender);
        FicheShow();
    };
    fiche_.OnClose = [this, avant = std::move(fiche_.OnClose)](Form& sender, CloseAction& action) {
        if (avant) avant(sender, action);
        FicheClose();
    };
}

std::string TGardePositionFiche::NomFichierIni() const {
    if (FileName.empty() || FileName.ends_with('/')) return platform::SettingsFileName();
    std::string nom = FileName.find('/') != std::string::npos
                          ? FileName
                          : platform::SettingsFolder() + "/" + FileName;
    if (nom.find('.', nom.rfind('/') + 1) == std::string::npos) nom += ".ini";
    return nom;
}

void TGardePositionFiche::FicheShow() {
    if (!Enabled || !premier_affichage_) return;
    LitPosition();
    premier_affichage_ = false;
}

void TGardePositionFiche::FicheClose() {
    if (Enabled) SauvePosition();
}

void TGardePositionFiche::LitPosition() {
    const IniFile ini(NomFichierIni());
    const std::string section = fiche_.Name();
    const std::array<const char*, 4> cles = {"Height", "Top", "Left", "Width"};
    for (const char* cle : cles) {
        if (!ini.ValueExists(section, cle)) return;
    }
    if (ReadWindowState && ini.ValueExists(section, "WindowState")) {
        // Another value (a hand-edited file) leaves the state as it is.
        const int32_t etat = ini.ReadInteger(section, "WindowState", -1);
        if (etat >= 0 && etat < static_cast<int32_t>(kEtats.size())) {
            fiche_.SetWindowState(kEtats[static_cast<size_t>(etat)]);
        }
    }
    std::array<int64_t, 4> valeurs{};
    for (size_t i = 0; i < cles.size(); ++i) {
        const std::optional<int32_t> valeur =
            platform::ParseInteger(ini.ReadString(section, cles[i], ""));
        if (!valeur) return;
        valeurs[i] = *valeur;
    }
    const auto [hauteur, haut, gauche, largeur] = valeurs;
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    if (largeur <= 0 || hauteur <= 0 || gauche + largeur > kMax || haut + hauteur > kMax) return;
    const QRect bornes(static_cast<int>(gauche), static_cast<int>(haut), static_cast<int>(largeur),
                       static_cast<int>(hauteur));
    fiche_.SetNormalBounds(fiche_.FitOnScreen(bornes));
}

void TGardePositionFiche::SauvePosition() {
    IniFile ini(NomFichierIni());
    const std::string section = fiche_.Name();
    const QRect bornes = fiche_.NormalBounds();
    try {
        if (SaveWindowState) {
            const auto etat = std::find(kEtats.begin(), kEtats.end(), fiche_.GetWindowState());
            ini.WriteInteger(section, "WindowState",
                             static_cast<int32_t>(std::distance(kEtats.begin(), etat)));
        }
        ini.WriteInteger(section, "Height", bornes.height());
        ini.WriteInteger(section, "Top", bornes.top());
        ini.WriteInteger(section, "Left", bornes.left());
        ini.WriteInteger(section, "Width", bornes.width());
        ini.UpdateFile();
    } catch (const std::exception&) {
        // A placement that cannot be saved is not worth a message.
    }
}

}  // namespace components
