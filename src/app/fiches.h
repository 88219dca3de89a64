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
class TFormImpressionImg;
class TFormOptions;
class TFormVisionDiapos;
class TFormCreationHtml;
class TFormEditPicture;
class TFormProprietesDiapos;
class TFormQR;
class TFormAjoutPrefixe;
class TFormRotationAutomatiquePhotosVerticales;
class TFormModifTailleJPG1Dossier;

struct Fiches {
    TForm1* Form1 = nullptr;
    TAboutBox* AboutBox = nullptr;
    TFormChangeHtLg* FormChangeHtLg = nullptr;
    TFormImpressionImg* FormImpressionImg = nullptr;
    TFormOptions* FormOptions = nullptr;
    TFormVisionDiapos* FormVisionDiapos = nullptr;
    TFormCreationHtml* FormCreationHtml = nullptr;
    TFormEditPicture* FormEditPicture = nullptr;
    TFormProprietesDiapos* FormProprietesDiapos = nullptr;
    TFormQR* FormQR = nullptr;
    TFormAjoutPrefixe* FormAjoutPrefixe = nullptr;
    TFormRotationAutomatiquePhotosVerticales* FormRotationAutomatiquePhotosVerticales = nullptr;
    TFormModifTailleJPG1Dossier* FormModifTailleJPG1Dossier = nullptr;
};

// Makes the windows in their order, each registered with the application
// (which owns them from then on); `arguments` is the command line.
void CreeFiches(platform::ui::Application& app, Fiches& fiches, std::vector<std::string> arguments);

}  // namespace app
