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

// Why a file did not take a text typed in the window.
enum class Refus {
    Aucun,            // saved, unchanged, or nothing typed
    PasJpeg,          // the file is not a JPEG picture
    SansCommentaire,  // a JPEG file without a user comment to write over
    SansIptc,         // a JPEG file without IPTC data
};

// What a file did not take of the texts typed in the window.
struct NonEnregistre {
    Refus commentaire = Refus::Aucun;
    Refus mots_clefs = Refus::Aucun;
    // What the file's user comment holds of a comment too long for it.
    std::optional<std::string> commentaire_coupe;
};

// The French message that tells the user what was not saved and why; empty
// when the file took everything.
std::string MessageNonEnregistre(const NonEnregistre& refus);

// Writes into a JPEG file (by its content) the comment, over the user comment
// it already holds, and the keywords, into the IPTC data it already holds.
// A file without a user comment or without IPTC data does not get one, nor
// does a file of another kind; a comment longer than the user comment's value
// is cut to it. Keywords are separated by "," or ";", trimmed, and blank ones
// are not written; the file is rewritten once, and only when a value differs
// from what it holds. `accepte`, when given, is asked right before the
// rewrite; false writes nothing. Texts that are blank ask for no place.
NonEnregistre EnregistreProprietes(const std::string& fichier, const std::string& commentaire,
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
