// The slideshow controller: the sorted list of the loaded folder's pictures,
// the number of the current one, and the next one decoded ahead in the main
// window's buffer image.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/core/string_list.h"

namespace app {

class TForm1;

class TDefileImage {
public:
    explicit TDefileImage(TForm1& form);

    // The list holds each picture's path once, as the scan reported it.
    platform::StringList FListe;
    std::string FDossier;
    // The picture held decoded in the buffer image, 0 when none.
    int32_t FNumTampon = 0;
    // The current picture, from 1; 0 when there is none.
    int32_t FNumImage = 0;
    std::function<void(TDefileImage&)> OnChangeNumImage;

    // Loads a folder: the list is emptied and filled by the scan, then
    // sorted. The picture on screen stays until the caller shows one. A load
    // that starts while another scan runs supersedes it.
    void ChargeDossier(const std::string& dossier);
    std::string NomFichier(int32_t n) const;
    // The number of the first listed picture that is the same file, 0 when none.
    int32_t IndexFichier(const std::string& fichier) const;
    // Makes a file current; a file that is not listed shows picture 1.
    void AfficheFichier(const std::string& fichier);
    // The one way the current number changes: clamped to 1..count, nothing
    // when unchanged or while an error box is open.
    void SetNumImage(int32_t n);
    void AfficheImageEnCours();
    // One step at once, then the timer runs.
    void Lance();
    void LanceDiaporamaDebut();
    void Arrete();

private:
    void Precharge(int32_t n);

    TForm1& form_;
};

// Two paths name the same file when they resolve to the same file.
bool MemeFichier(const std::string& a, const std::string& b);

}  // namespace app
