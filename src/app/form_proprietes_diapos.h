// The properties window: the main shooting data of the picture on screen with
// French captions, every EXIF tag, and the picture's comment and IPTC
// keywords, which the user may change and write back into a JPEG file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/list_view.h"

class QGroupBox;
class QLabel;
class QSplitter;

namespace components {
class TGardePositionFiche;
}

namespace app {

struct Fiches;

// What the window shows of a file, read apart from the widgets. Texts are
// UTF-8.
struct ProprietesFichier {
    std::string commentaire;
    std::string mots_clefs;
    std::vector<platform::ui::ListView::Row> principales;
    std::vector<platform::ui::ListView::Row> toutes;
};

// Nothing but empty lists and texts for a file without EXIF data, even one
// with IPTC keywords; "  " for the keywords of a file whose IPTC data have
// none.
ProprietesFichier LitProprietes(const std::string& fichier);

// Whether keywords typed for a file had a place to go.
enum class MotsClefs {
    Acceptes,  // saved, unchanged, or none typed
    SansIptc,  // typed for a JPEG file without IPTC data: not saved
};

// Writes into a JPEG file (by its content) the comment, over the user comment
// it already holds, and the keywords, into the IPTC data it already holds.
// A file without a user comment or without IPTC data does not get one;
// keywords are separated by "," or ";", trimmed, and blank ones are not
// written; the file is rewritten once, and only when a value differs from
// what it holds. `accepte`, when given, is asked right before the rewrite;
// false writes nothing.
MotsClefs EnregistreProprietes(const std::string& fichier, const std::string& commentaire,
                               const std::string& mots_clefs,
                               const std::function<bool()>& accepte = {});

class TFormProprietesDiapos final : public platform::ui::Form {
    Q_OBJECT

public:
    TFormProprietesDiapos(platform::ui::Application& application, Fiches& fiches);

    // Fills the window for a file, shown or not.
    void AfficheProprietes(const std::string& fichier);
    void AjouteLigne(platform::ui::ListView& liste, const std::string& legende,
                     const std::string& valeur);
    void SpeedButton1Click();
    // Either list sorts by its captions, whatever column was clicked; the
    // direction alternates over both lists, ascending first.
    void ListView1ColumnClick(platform::ui::ListView& sender);

    QGroupBox* GroupBox1;
    platform::ui::Edit* EditCommentaire;
    QLabel* Label1;
    platform::ui::Edit* EditMotsClefs;
    platform::ui::SpeedButton* SpeedButton1;
    QSplitter* Splitter1;
    platform::ui::ListView* ListView1;
    platform::ui::ListView* ListView2;
    components::TGardePositionFiche* GardePositionFiche1;

protected:
    void Loaded() override;

private:
    std::string FFichier;
    // What the file was when the window read it.
    std::optional<platform::FileIdentity> FIdentite;
    // The direction of the next sort, shared by both lists.
    int FSensTri = 1;
};

}  // namespace app
