// The contact sheet: a panel that shows one thumbnail per file of a list,
// left to right and top to bottom in as many columns as its width holds, and
// grows in height to hold every row (it sits in a scrolling area).
//
// Thumbnails are laid out at once, empty, and fill in as their pictures
// arrive: worker threads read each file, a JPEG decoded at the reduced scale
// its header calls for, and hand back only a cell-sized picture. Files are
// taken in list order. The pictures being made share one memory budget, the
// size one picture may take: beyond it a worker waits for the others. A
// rebuild, or the panel's end, drops the work still waiting, and no result of
// an earlier rebuild ever reaches a thumbnail.
// A file that cannot be read leaves its thumbnail empty; the first such
// failure of a rebuild is shown by the application's error display.
#pragma once

#include <QWidget>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/string_list.h"
#include "platform/ui/image.h"

class QMouseEvent;

namespace components {

struct Vignette;
class TJPegDiaporama;
class TKorvel;

// The sheet's own events name the sheet; a thumbnail's click names the thumbnail.
using TOnExecute = std::function<void(TJPegDiaporama&)>;
using TOnClickDiapo = std::function<void(TKorvel&)>;

// A thumbnail: the path of its file as the list gave it and the picture's
// own size, known from the file's header before its pixels arrive.
class TKorvel final : public platform::ui::Image {
    Q_OBJECT

public:
    explicit TKorvel(QWidget* parent);

    std::string CheminFichier;
    int32_t LargeurImage = 0;
    int32_t HauteurImage = 0;

    // A left press and release over the thumbnail.
    TOnClickDiapo OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool appui_ = false;
};

class TJPegDiaporama final : public QWidget {
    Q_OBJECT

public:
    TJPegDiaporama(QWidget* parent, const std::string& name);
    ~TJPegDiaporama() override;

    // Cell size and gaps, in pixels. A cell size below 1 makes thumbnails of
    // 5 pixels, and no placement.
    int32_t LargeurDiapo = 0;
    int32_t HauteurDiapo = 0;
    int32_t EcartXEntreImage = 0;
    int32_t EcartYEntreImage = 0;

    // Setting a path lists the files of its folder that end with its
    // extension into StringListNomFichier (Execute is left to the caller).
    const std::string& NomFichier() const { return nom_fichier_; }
    void SetNomFichier(const std::string& nom);
    // The files to show, one path a line, in the order shown.
    platform::StringList StringListNomFichier;
    // The thumbnails, in the order of the list.
    const std::vector<TKorvel*>& ListeDiapos() const { return diapos_; }

    TOnExecute OnDebutExecute;
    // Raised at the end of a placement that ran to its end.
    TOnExecute OnFinExecute;
    // Raised once every thumbnail of a rebuild has its picture, or has failed.
    TOnExecute OnFinChargement;
    // Becomes the click event of every thumbnail made.
    TOnClickDiapo OnClickDiapo;
    // Raised after the panel changed size.
    std::function<void(TJPegDiaporama&)> OnResize;

    // Rebuilds every thumbnail from the list and places them; always true.
    bool Execute();
    // Lays the thumbnails out for the panel's width and shows them, letting
    // the application work after each one. Asked for while a placement runs,
    // it returns at once, and that placement starts over when it ends.
    void PlaceDiapos();
    // Drops the pictures still waiting to be made; their thumbnails stay empty.
    void Annule();
    // Thumbnails of the last rebuild whose picture has not arrived yet.
    int32_t DiaposEnAttente() const { return en_attente_; }

    // How many threads make pictures; 0, the default, is one per processor
    // (at most 8). Applies from the next rebuild that needs to start them.
    int NombreDecodeurs() const { return nombre_decodeurs_; }
    void SetNombreDecodeurs(int nombre) { nombre_decodeurs_ = nombre; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Atelier;
    struct Tache;

    void LibereDiapos();
    void DemarreDecodeurs();
    void Decode(const Tache& tache);
    void RecoitTaille(uint64_t tour, int32_t index, int32_t largeur, int32_t hauteur);
    void RecoitVignette(uint64_t tour, int32_t index, std::shared_ptr<Vignette> vignette,
                        std::exception_ptr erreur);

    std::string nom_fichier_;
    std::vector<TKorvel*> diapos_;
    int nombre_decodeurs_ = 0;
    int32_t en_attente_ = 0;
    // Which rebuild the thumbnails belong to; results of others are dropped.
    uint64_t tour_ = 0;
    bool erreur_signalee_ = false;
    // The placing flag, which placement is the running one, and whether one
    // was asked for while it ran.
    bool place_en_cours_ = false;
    uint64_t placement_ = 0;
    bool replacer_ = false;

    std::shared_ptr<Atelier> atelier_;
    std::vector<std::thread> decodeurs_;
};

// Adds to `liste` the path of every regular file of `dossier` (hidden ones
// included, a link to a regular file too, in the system's order) whose name
// matches `masque` and whose extension, from its last ".", has exactly four
// characters. Pipes, sockets and devices are left out: reading one would
// block the thread that makes its thumbnail.
void ListeFichiersDossier(const std::string& dossier, const std::string& masque,
                          platform::StringList& liste);

}  // namespace components
