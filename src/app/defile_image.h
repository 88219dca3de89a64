// The slideshow controller: the sorted list of the loaded folder's pictures,
// the number of the current one, and the next one decoded ahead in the main
// window's buffer image.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/core/files.h"
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
    // What its file was when it was read.
    std::optional<platform::FileIdentity> FIdentiteTampon;
    // The current picture, from 1; 0 when there is none.
    int32_t FNumImage = 0;
    std::function<void(TDefileImage&)> OnChangeNumImage;

    // Loads a folder: the list is emptied and filled by the scan, then
    // sorted, and the current number is 1. The picture on screen stays until
    // the caller shows one (the folder loaded again with or without its
    // sub-folders keeps it until the next move); the screen shows none when
    // the new list is empty, when the picture's file is gone, or when the
    // picture is another folder's that the new list does not hold. A load
    // that starts while another scan runs supersedes it. False when this
    // load was itself superseded, or abandoned, before its scan ended.
    bool ChargeDossier(const std::string& dossier);
    // Ends the scan in progress, if any: its load adds nothing more.
    void AbandonneChargement();
    std::string NomFichier(int32_t n) const;
    // The number of the picture listed under that very path; else of the
    // first listed picture that is the same file; 0 when none.
    int32_t IndexFichier(const std::string& fichier) const;
    // Makes a file current; a file that is not listed shows picture 1.
    void AfficheFichier(const std::string& fichier);
    // The same for a file the user picked: when its picture cannot be shown,
    // the number (and the track bar with it) stays on the picture still on
    // screen, and the error goes on to the caller.
    void AfficheFichierChoisi(const std::string& fichier);
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
    // The folder of the last load that ended: the picture on screen is one
    // of its files, or none.
    std::string dossier_liste_;
    // Counts the loads begun or abandoned, so that a load can tell it was.
    uint64_t chargement_ = 0;
};

// Two paths name the same file when they resolve to the same file.
bool MemeFichier(const std::string& a, const std::string& b);

}  // namespace app
