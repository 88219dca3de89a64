#include "app/fiches.h"

#include "app/about_box.h"
#include "app/form1.h"
#include "app/form_ajout_prefixe.h"
#include "app/form_change_ht_lg.h"
#include "app/form_creation_html.h"
#include "app/form_edit_picture.h"
#include "app/form_impression_img.h"
#include "app/form_modif_taille_jpg_1_dossier.h"
#include "app/form_options.h"
#include "app/form_proprietes_diapos.h"
#include "app/form_rotation_automatique.h"
#include "app/form_vision_diapos.h"
#include "platform/ui/form.h"

namespace app {

void CreeFiches(platform::ui::Application& app, Fiches& fiches,
                std::vector<std::string> arguments) {
    using platform::ui::CreateForm;
    fiches.Form1 = CreateForm<TForm1>(app, fiches, std::move(arguments));
    fiches.AboutBox = CreateForm<TAboutBox>(app, fiches);
    fiches.FormChangeHtLg = CreateForm<TFormChangeHtLg>(app, fiches);
    fiches.FormAjoutPrefixe = CreateForm<TFormAjoutPrefixe>(app, fiches);
    fiches.FormImpressionImg = CreateForm<TFormImpressionImg>(app, fiches);
    fiches.FormOptions = CreateForm<TFormOptions>(app, fiches);
    fiches.FormVisionDiapos = CreateForm<TFormVisionDiapos>(app, fiches);
    fiches.FormCreationHtml = CreateForm<TFormCreationHtml>(app, fiches);
    // The album is made of the contact sheet's pictures, in their order.
    fiches.FormCreationHtml->Diapos = [planche = fiches.FormVisionDiapos] {
        return planche->CheminsDesDiapos();
    };
    fiches.FormEditPicture = CreateForm<TFormEditPicture>(app, fiches);
    fiches.FormProprietesDiapos = CreateForm<TFormProprietesDiapos>(app, fiches);
    fiches.FormRotationAutomatiquePhotosVerticales =
        CreateForm<TFormRotationAutomatiquePhotosVerticales>(app, fiches);
    fiches.FormQR = CreateForm<TFormQR>(app, fiches);
    fiches.FormModifTailleJPG1Dossier = CreateForm<TFormModifTailleJPG1Dossier>(app, fiches);
}

}  // namespace app
