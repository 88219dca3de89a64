// Small text and file routines shared by the windows and components.
//
// Texts are UTF-8 bytes and positions count bytes, but a "character" is a
// whole UTF-8 character. A separator may be several characters long and is
// found by its first occurrence from the left, case mattering; an empty
// separator is never found. Paths use "/".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/files.h"

namespace components {

std::string PremierCaractere(std::string_view texte);      // empty for an empty text
std::string DernierCaractere(std::string_view texte);      // empty for an empty text
std::string SansPremierCaractere(std::string_view texte);  // empty for zero or one character

// The text after the first occurrence of the separator; empty when it does
// not occur (never the whole text).
std::string TexteApres(std::string_view separateur, std::string_view texte);
// The text before the first occurrence of the separator; empty when it does
// not occur (never the whole text).
std::string TexteAvant(std::string_view separateur, std::string_view texte);
// Occurrences that do not overlap, counted from the left.
int32_t NombreOccurrences(std::string_view separateur, std::string_view texte);
// Field `numero` (from 0; 0 or less gives field 0) of the text cut at each
// separator, the text after the last separator counting as a field; empty
// beyond the last field.
std::string ChampNumero(std::string_view separateur, std::string_view texte, int32_t numero);
// The name without the extension of its last component: "a.b.jpg" gives
// "a.b", "photo." gives "photo", "dossier.v2/photo" is kept whole.
std::string SansExtension(std::string_view nom);

// True when the folder exists (one trailing "/" ignored; the empty text is
// the root).
bool DossierExiste(const std::string& dossier);
// Creates every missing level of the path but the first (the root of an
// absolute path, the first component of a relative one); true when no
// creation failed. After a failure nothing more is created.
bool CreeDossiers(const std::string& chemin);

// Numbers of the special folders that DossierSpecial knows (0 is the desktop
// too).
inline constexpr int32_t kDossierDocuments = 5;
inline constexpr int32_t kDossierBureau = 16;
inline constexpr int32_t kDossierImages = 39;
inline constexpr int32_t kDossierPersonnel = 40;
// The path of a special folder, without a trailing "/": the user's desktop,
// documents or pictures folder as the desktop session names them, or the home
// folder; empty for a number it does not know.
std::string DossierSpecial(int32_t numero);

// Sets the file's modification date. The file must open for writing: when it
// does not, the range error is raised and the file is left alone.
void FixeDateFichier(const std::string& nom, platform::FileTime date);

// Linux has no drive: the current drive is the empty text.
std::string LecteurCourant();
bool ExisteDossier(const std::string& dossier);                                // as DossierExiste
std::string ChaineAvant(std::string_view separateur, std::string_view texte);  // as TexteAvant
std::string ChaineApres(std::string_view separateur, std::string_view texte);  // as TexteApres
// Moves or renames a file, never over an existing one; true on success.
bool DeplaceFichier(const std::string& source, const std::string& cible);

// True for "true" in any case, false for anything else.
bool ChaineVersBooleen(std::string_view texte);
std::string BooleenVersChaine(bool valeur);  // "true" or "false"

}  // namespace components
