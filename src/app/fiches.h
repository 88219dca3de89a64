// The program's windows, made once at start-up in a fixed order and alive
// for the whole run; each window reaches the others through this table.
#pragma once

#include <string>
#include <vector>

namespace platform::ui {
class Application;
}

namespace app {

class TForm1;
class TAboutBox;
class TFormChangeHtLg;
class TFormOptions;
class TFormEditPicture;
class TFormProprietesDiapos;
class TFormAjoutPrefixe;
class TFormRotationAutomatiquePhotosVerticales;
class TFormModifTailleJPG1Dossier;

struct Fiches {
    TForm1* Form1 = nullptr;
    TAboutBox* AboutBox = nullptr;
    TFormChangeHtLg* FormChangeHtLg = nullptr;
    TFormOptions* FormOptions = nullptr;
    TFormEditPicture* FormEditPicture = nullptr;
    TFormProprietesDiapos* FormProprietesDiapos = nullptr;
    TFormAjoutPrefixe* FormAjoutPrefixe = nullptr;
    TFormRotationAutomatiquePhotosVerticales* FormRotationAutomatiquePhotosVerticales = nullptr;
    TFormModifTailleJPG1Dossier* FormModifTailleJPG1Dossier = nullptr;
};

// Makes the windows in their order, each registered with the application
// (which owns them from then on); `arguments` is the command line.
void CreeFiches(platform::ui::Application& app, Fiches& fiches, std::vector<std::string> arguments);

}  // namespace app
