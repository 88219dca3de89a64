// The camera maker's private directory of the EXIF tag 0x927C (MakerNote):
// the maker table and addressing rules chosen from the camera make, and the
// Canon value arrays split into named items.
#pragma once

#include <string>
#include <string_view>

#include "metadata/tag_tables.h"

namespace metadata {

class TImageInfo;

class TmsInfo {
public:
    TmsInfo(bool tiff_flag, TImageInfo& info);

    // Walks the note of the info when its make is one the program knows
    // (Nikon, Olympus, Casio, Fujifilm, Canon, Seiko, Sanyo, Minolta; the
    // first five letters of the make, ignoring case); false for any other
    // make. The known entries join the info's tag list with table id 1.
    //
    // Most makers count their value offsets from the picture's TIFF header,
    // so a value may lie outside the note, elsewhere in the EXIF segment;
    // Fujifilm and the newer Nikon notes count from the note (from the TIFF
    // header of its own that a newer Nikon note carries), and a value outside
    // the note is absent. Fujifilm notes are Intel-ordered, newer Nikon notes
    // take the order of their own header, the others that of the picture.
    //
    // An entry that cannot be read (its type, count or offset) is skipped; a
    // directory that leaves the note ends the walk with the owner's error
    // text "Error Detected = " and the message.
    bool ReadMakerNote();

    const std::string& MakerName() const { return maker_name_; }

private:
    bool tiff_flag_;
    TImageInfo& info_;
    int64_t maker_note_position_;
    std::string maker_name_;
};

// The Canon array callbacks: `value` is the array's numbers joined by ", ";
// each named item is added to `info` and listed in the returned text.
std::string DecodeCanonCameraSettings(std::string_view value, TImageInfo& info);
std::string DecodeCanonShotInfo(std::string_view value, TImageInfo& info);
std::string DecodeCanonCustomFunctions(std::string_view value, TImageInfo& info);

}  // namespace metadata
