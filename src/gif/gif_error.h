// The codec's errors and warnings. Every text the codec reports is one row of
// a table, named here; errors are raised as GIFException, warnings go to the
// picture's warning event and the operation goes on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/error.h"

namespace gif {

enum class Message {
    InvalidPixelCoordinates,     // "Invalid pixel coordinates"
    UnsupportedPixelFormat,      // "Unsupported PixelFormat"
    InvalidImageDimensions,      // "Invalid image dimensions"
    ImageHasNoDib,               // "Image has no DIB"
    InvalidStreamOperation,      // "Invalid stream operation"
    ColorNotInColorTable,        // "Color not in color table"
    ColorTableEmpty,             // "Color table is empty"
    ImageEmpty,                  // "Image is empty"
    InvalidReductionMethod,      // "Invalid reduction method"
    GifImage,                    // "GIF Image"
    Loading,                     // "Loading..."
    Saving,                      // "Saving..."
    Converting,                  // "Converting..."
    Rendering,                   // "Rendering..."
    Copying,                     // "Copying..."
    Optimizing,                  // "Optimizing..."
    UnknownExtensionType,        // "Unknown extension type"
    InvalidExtensionIntroducer,  // "Invalid extension introducer"
    DibAllocationFailed,         // "Failed to allocate memory for GIF DIB"
    DecoderUnderRun,             // "Decoder bit buffer under-run"
    CircularDecoderEntry,        // "Circular decoder table entry"
    InvalidTrailer,              // "Invalid Image trailer"
    ExtensionLabelMismatch,   // "Internal error: Extension Instance does not match Extension Label"
    UnsupportedAppBlockSize,  // "Unsupported Application Extension block size"
    UnknownBlockType,         // "Unknown GIF block type"
    UnsupportedObjectType,    // "Object type not supported for operation"
    InvalidGifData,           // "Invalid GIF data"
    HeightTooSmall,           // "Image height too small for contained frames"
    WidthTooSmall,            // "Image width too small for contained frames"
    ClipboardStoreFailed,     // "Failed to store GIF on clipboard"
    ExceedsLogicalScreen,     // "Image exceeds Logical Screen size"
    NoColorTable,             // "No global or local color table defined"
    PrematureEnd,             // "Premature end of data"
    ColorTableOverflow,       // "Color table overflow"
    InvalidColorIndex,        // "Invalid color index"
    UnsupportedVersion,       // "Unsupported GIF version"
    InvalidSignature,         // "Invalid GIF signature"
    InvalidScreenColorCount,  // "Invalid number of colors specified in Screen Descriptor"
    InvalidImageColorCount,   // "Invalid number of colors specified in Image Descriptor"
    UnsupportedClipboardFormat,  // "Format de Presse-papiers non supporté"
};

std::string_view Text(Message message);

// The codec's exception: a graphic the codec cannot take. It carries only its
// message.
class GIFException : public platform::Error {
public:
    explicit GIFException(const std::string& message);
};

// Raises GIFException with the message's text; every error of the codec goes
// through here.
[[noreturn]] void Error(Message message);

// Every warning of the codec has this severity.
constexpr uint8_t kWarningSeverity = 1;

}  // namespace gif
