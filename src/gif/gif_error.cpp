#include "gif/gif_error.h"

#include <array>
#include <utility>

namespace gif {

namespace {

constexpr auto kTexts = std::to_array<std::pair<Message, std::string_view>>({
    {Message::InvalidPixelCoordinates, "Invalid pixel coordinates"},
    {Message::UnsupportedPixelFormat, "Unsupported PixelFormat"},
    {Message::InvalidImageDimensions, "Invalid image dimensions"},
    {Message::ImageHasNoDib, "Image has no DIB"},
    {Message::InvalidStreamOperation, "Invalid stream operation"},
    {Message::ColorNotInColorTable, "Color not in color table"},
    {Message::ColorTableEmpty, "Color table is empty"},
    {Message::ImageEmpty, "Image is empty"},
    {Message::InvalidReductionMethod, "Invalid reduction method"},
    {Message::GifImage, "GIF Image"},
    {Message::Loading, "Loading..."},
    {Message::Saving, "Saving..."},
    {Message::Converting, "Converting..."},
    {Message::Rendering, "Rendering..."},
    {Message::Copying, "Copying..."},
    {Message::Optimizing, "Optimizing..."},
    {Message::UnknownExtensionType, "Unknown extension type"},
    {Message::InvalidExtensionIntroducer, "Invalid extension introducer"},
    {Message::DibAllocationFailed, "Failed to allocate memory for GIF DIB"},
    {Message::DecoderUnderRun, "Decoder bit buffer under-run"},
    {Message::CircularDecoderEntry, "Circular decoder table entry"},
    {Message::InvalidTrailer, "Invalid Image trailer"},
    {Message::ExtensionLabelMismatch,
     "Internal error: Extension Instance does not match Extension Label"},
    {Message::UnsupportedAppBlockSize, "Unsupported Application Extension block size"},
    {Message::UnknownBlockType, "Unknown GIF block type"},
    {Message::UnsupportedObjectType, "Object type not supported for operation"},
    {Message::InvalidGifData, "Invalid GIF data"},
    {Message::HeightTooSmall, "Image height too small for contained frames"},
    {Message::WidthTooSmall, "Image width too small for contained frames"},
    {Message::ClipboardStoreFailed, "Failed to store GIF on clipboard"},
    {Message::ExceedsLogicalScreen, "Image exceeds Logical Screen size"},
    {Message::NoColorTable, "No global or local color table defined"},
    {Message::PrematureEnd, "Premature end of data"},
    {Message::ColorTableOverflow, "Color table overflow"},
    {Message::InvalidColorIndex, "Invalid color index"},
    {Message::UnsupportedVersion, "Unsupported GIF version"},
    {Message::InvalidSignature, "Invalid GIF signature"},
    {Message::InvalidScreenColorCount, "Invalid number of colors specified in Screen Descriptor"},
    {Message::InvalidImageColorCount, "Invalid number of colors specified in Image Descriptor"},
    {Message::UnsupportedClipboardFormat, "Format de Presse-papiers non supporté"},
});

// The rows follow the enumeration, so a message is its own index.
constexpr bool RowsInOrder() {
    for (size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<size_t>(kTexts[i].first) != i) return false;
    }
    return true;
}
static_assert(RowsInOrder());
static_assert(kTexts.back().first == Message::UnsupportedClipboardFormat);

}  // namespace

std::string_view Text(Message message) {
    return kTexts[static_cast<size_t>(message)].second;
}

GIFException::GIFException(const std::string& message)
    : platform::Error(platform::ErrorKind::Message, message) {}

void Error(Message message) {
    throw GIFException(std::string(Text(message)));
}

}  // namespace gif
