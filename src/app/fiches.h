// The program's windows, made once at start-up in a fixed order and alive
// for the whole run; each window reaches the others through this table.
#pragma once

namespace app {

class TForm1;
class TAboutBox;
class TFormChangeHtLg;
class TFormOptions;
class TFormEditPicture;
class TFormProprietesDiapos;

struct Fiches {
    TForm1* Form1 = nullptr;
    TAboutBox* AboutBox = nullptr;
    TFormChangeHtLg* FormChangeHtLg = nullptr;
    TFormOptions* FormOptions = nullptr;
    TFormEditPicture* FormEditPicture = nullptr;
    TFormProprietesDiapos* FormProprietesDiapos = nullptr;
};

}  // namespace app
