// The About box: the program's icon, name and version, a short notice and a
// link that opens the program's notice in the desktop's browser.
#pragma once

#include <QLabel>
#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"

class QFrame;

namespace app {

struct Fiches;

class TAboutBox final : public platform::ui::Form {
    Q_OBJECT

public:
    TAboutBox(platform::ui::Application& application, Fiches& fiches);

    // The address the link stands for.
    static std::string AdresseSite();

    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
    QLabel* LabelLienSite;
    platform::ui::Button* OKButton;

    void LabelLienSiteClick();
    void LabelLienSiteMouseEnter();
    void LabelLienSiteMouseLeave();
};

}  // namespace app
