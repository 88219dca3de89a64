// Picture file and pixel routines shared by the display and the picture tools:
// a file's type by its first bytes, quarter-turn rotation, brightness and
// contrast, mean colour, resized copies of BMP and JPEG files (keeping the
// source's date, and for JPEG its metadata), a JPEG file's size and a colour
// as HTML text.
//
// The pixel routines work on 24-bit rows of any width. Their result is made
// aside and handed to the target only once complete, so an error leaves the
// target as it was. Files are written through a temporary file and a rename.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/graphics/graphic.h"
#include "platform/graphics/types.h"

namespace metadata {
class TimgData;
}

namespace platform {
class Bitmap;
class JpegImage;
struct BgrView;
}

namespace components {

// Stored and compared as a byte by the callers.
enum class TTypeImage : uint8_t { Jpeg = 0, Bmp = 1, Gif = 2, Png = 3, Autre = 4 };

// A colour as a 24-bit row holds it.
struct CouleurBgr {
    uint8_t bleu = 0;
    uint8_t vert = 0;
    uint8_t rouge = 0;
    friend bool operator==(const CouleurBgr&, const CouleurBgr&) = default;
};

struct TailleImage {
    int32_t largeur = 0;
    int32_t hauteur = 0;
    friend bool operator==(const TailleImage&, const TailleImage&) = default;
};

// The type by the file's first three bytes ("FF D8", "BM", "GIF", 89 "PN"),
// whatever its extension; a missing file raises the file-open error.
TTypeImage TypeImageFichier(const std::string& nom);

// The source turned by `angle` degrees, clockwise for positive angles, pixel
// by pixel. Any multiple of 90 is a quarter turn (0 and 360 give a copy);
// any other angle raises the range error and leaves the target alone. The
// source may be the target. A picture target then holds a 24-bit bitmap, but
// for a GIF picture, which turns frame by frame and stays a GIF picture with
// its colours and its animation (as a GIF target does from a GIF source).
void RotationImage(int32_t angle, const platform::Picture& source, platform::Picture& cible);
void RotationGraphique(int32_t angle, const platform::Graphic& source, platform::Graphic& cible);

// The same from 24-bit rows into `cible`, whose pixel store is reused when
// large enough. The calling thread does all the work: for tools that already
// keep one thread per processor busy. The source must not be the target.
void TourneDans(int32_t angle, const platform::BgrView& source, platform::Bitmap& cible);

// Per channel c: v = Round(c * luminosite), then
// Round((v - pivot) * contraste + v) brought into 0..255. A factor whose
// results do not fit 32 bits raises the range error; the target is then left
// alone. The target holds a 24-bit bitmap of the source's size.
void LuminositeContraste(int32_t pivot, const platform::Picture& source, platform::Picture& cible,
                         double luminosite, double contraste);

// The rounded mean of each channel; none for a picture without pixels.
std::optional<CouleurBgr> CouleurMoyenne(const platform::Picture& image);

// A BMP file stretched to largeur x hauteur into `cible` (24-bit BMP) with
// the source's modification date. Nothing happens when the source is not a
// BMP by its content or a size is 0. The source may be the target.
void RedimensionneBmp(const std::string& source, const std::string& cible, uint16_t largeur,
                      uint16_t hauteur);

// The same for a JPEG file, encoded at `qualite` (1..100, else the range
// error before anything is written) with the source's sampling and metadata,
// their width and height brought to the new size.
void RedimensionneJpeg(const std::string& source, const std::string& cible, uint16_t largeur,
                       uint16_t hauteur, uint16_t qualite);

// A progressive JPEG copy whose longer side is at most `cote_max`, the
// proportions kept (never enlarged), with the source's metadata; a read-only
// target is made writable and missing folders are created. False when the
// target's folder could not be created (the write then fails on its own). A
// longest side below 1 or a quality outside 1..100 raises the range error
// before anything is touched.
bool RedimensionneJpegCoteMax(const std::string& source, const std::string& cible, int32_t cote_max,
                              int32_t qualite);

// The whole of `graphique` stretched onto a new 24-bit bitmap of that size.
platform::Bitmap Etire(const platform::Graphic& graphique, int32_t largeur, int32_t hauteur);

// The new size of a picture whose longer side is brought down to `cote_max`
// (never enlarged), rounded halves to even.
TailleImage TailleCoteMax(int32_t largeur, int32_t hauteur, int32_t cote_max);

// One copy of a picture whose longer side is at most `cote_max`.
struct CopieJpeg {
    std::string cible;
    int32_t cote_max = 0;
    int32_t qualite = 0;
};

// One copy made by EncodeCopiesCoteMax: its size and its file's bytes.
struct CopieEncodee {
    TailleImage taille;
    std::vector<uint8_t> octets;
};

// The copies RedimensionneJpegCoteMax would write (their targets aside) of a
// picture loaded once, whose metadata `donnees` were read. A JPEG picture is
// decoded once, by the codec's scaling to the coarsest scale that covers the
// largest copy, any other picture as it draws itself (a GIF picture's first
// frame), into `decodee`, whose pixel store is reused when large enough; each
// copy is averaged down from that decoding, and sampled as a JPEG picture's
// file is. The sizes and qualities are checked first (the range error).
std::vector<CopieEncodee> EncodeCopiesCoteMax(const platform::Graphic& image,
                                              metadata::TimgData& donnees,
                                              std::span<const CopieJpeg> copies,
                                              platform::Bitmap& decodee);

// Writes a copy's bytes as RedimensionneJpegCoteMax writes its target (a
// read-only target made writable, missing folders created); false when the
// folder could not be created (the write then fails on its own).
bool EcritCopie(const std::string& cible, std::span<const uint8_t> octets);

// The size of a JPEG file; 0 x 0 when there is no such file.
TailleImage TailleJpeg(const std::string& nom);

// "#RRGGBB" in upper-case hexadecimal, a system colour by its value now.
std::string CouleurHtml(platform::Color couleur);

}  // namespace components
