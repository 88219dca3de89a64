// The extension blocks of GIF89a ("!", a label, data): graphic control
// (timing, disposal, transparency), plain text, comments and application data
// such as the animation loop count. A frame owns the extensions that precede
// its image block, in file order.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gif/gif_io.h"
#include "gif/gif_item.h"

namespace gif {

class TGIFSubImage;

constexpr uint8_t kExtensionIntroducer = 0x21;  // "!"
constexpr uint8_t kImageSeparator = 0x2C;       // ","
constexpr uint8_t kTrailer = 0x3B;              // ";"

// The kinds of extension the reader can make, each the answer of the label
// and application registries.
enum class ExtensionClass : uint8_t {
    Text,            // label $01
    GraphicControl,  // label $F9
    Comment,         // label $FE
    Application,     // label $FF, before its identifier is known
    UnknownApp,      // application data without a class of its own
    NSLoop,          // animation loop count
};

// Frees the registries that tell the kind of a block from its label and of
// an application block from its identifier; a file read afterwards makes them
// again.
void FreeExtensionRegistries();

class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage& sub_image);

    TGIFSubImage& SubImage() const { return sub_image_; }
    virtual uint8_t GetExtensionType() const = 0;
    // Every extension needs GIF89a.
    GIFVersion GetVersion() const override { return GIFVersion::GIF89a; }
    // The introducer and the label.
    void SaveToStream(platform::Stream& stream) const override;
    // Reads and checks the introducer and the label.
    void LoadFromStream(platform::Stream& stream) override;

    // The kind of the block whose label is at the stream position (just after
    // its "!"), or none; the position is the same afterwards.
    static std::optional<ExtensionClass> FindExtension(platform::Stream& stream);
    // A new, empty extension of that kind for the frame.
    static std::unique_ptr<TGIFExtension> Create(ExtensionClass kind, TGIFSubImage& sub_image);

private:
    TGIFSubImage& sub_image_;
};

class TGIFGraphicControlExtension final : public TGIFExtension {
public:
    static constexpr uint8_t kLabel = 0xF9;

    // The first one made for a frame becomes the frame's own, from which the
    // frame takes its transparency.
    explicit TGIFGraphicControlExtension(TGIFSubImage& sub_image);
    ~TGIFGraphicControlExtension() override;

    uint8_t GetExtensionType() const override { return kLabel; }
    void SaveToStream(platform::Stream& stream) const override;
    // A block cut short warns "Premature end of data" and keeps what was read.
    void LoadFromStream(platform::Stream& stream) override;

    // 4: the bytes of the block after this one, up to its terminator.
    uint8_t BlockSize() const { return bytes_[0]; }
    bool Transparent() const { return (bytes_[1] & 0x01) != 0; }
    void SetTransparent(bool transparent);
    uint8_t TransparentColorIndex() const { return bytes_[4]; }
    // An index beyond the frame's colour table warns "Invalid color index" and
    // stores 0.
    void SetTransparentColorIndex(uint8_t index);
    uint16_t Delay() const { return GetU16(&bytes_[2]); }
    void SetDelay(uint16_t delay) { PutU16(&bytes_[2], delay); }
    bool UserInput() const { return (bytes_[1] & 0x02) != 0; }
    // 0 none given, 1 leave in place, 2 restore to background, 3 restore to
    // previous; 0..7.
    uint8_t Disposal() const { return static_cast<uint8_t>((bytes_[1] >> 2) & 7); }
    void SetDisposal(uint8_t disposal);

private:
    // Block size, packed field, delay, transparent index, terminator.
    std::array<uint8_t, 6> bytes_{4, 0, 0, 0, 0, 0};
};

class TGIFTextExtension final : public TGIFExtension {
public:
    static constexpr uint8_t kLabel = 0x01;

    explicit TGIFTextExtension(TGIFSubImage& sub_image) : TGIFExtension(sub_image) {}

    uint8_t GetExtensionType() const override { return kLabel; }
    void SaveToStream(platform::Stream& stream) const override;
    void LoadFromStream(platform::Stream& stream) override;

    // 12: the bytes of the block after this one, up to the text.
    uint8_t BlockSize() const { return bytes_[0]; }
    uint16_t Left() const { return GetU16(&bytes_[1]); }
    uint16_t Top() const { return GetU16(&bytes_[3]); }
    uint16_t GridWidth() const { return GetU16(&bytes_[5]); }
    uint16_t GridHeight() const { return GetU16(&bytes_[7]); }
    uint8_t CharWidth() const { return bytes_[9]; }
    uint8_t CharHeight() const { return bytes_[10]; }
    uint8_t ForegroundColorIndex() const { return bytes_[11]; }
    uint8_t BackgroundColorIndex() const { return bytes_[12]; }

    std::vector<std::string> Text;

private:
    // Block size, grid position and size, cell size, colour indices.
    std::array<uint8_t, 13> bytes_{12};
};

class TGIFCommentExtension final : public TGIFExtension {
public:
    static constexpr uint8_t kLabel = 0xFE;

    explicit TGIFCommentExtension(TGIFSubImage& sub_image) : TGIFExtension(sub_image) {}

    uint8_t GetExtensionType() const override { return kLabel; }
    void SaveToStream(platform::Stream& stream) const override;
    void LoadFromStream(platform::Stream& stream) override;

    std::vector<std::string> Text;
};

class TGIFApplicationExtension : public TGIFExtension {
public:
    static constexpr uint8_t kLabel = 0xFF;

    explicit TGIFApplicationExtension(TGIFSubImage& sub_image) : TGIFExtension(sub_image) {}

    uint8_t GetExtensionType() const override { return kLabel; }
    // The block with the identifier and what follows it there, then the data.
    void SaveToStream(platform::Stream& stream) const override;
    // A block of 10 bytes fills the identifier and two bytes of the
    // authentication; one of 11 or more gives its first 11 bytes and keeps the
    // rest; a shorter one raises "Unsupported Application Extension block
    // size".
    void LoadFromStream(platform::Stream& stream) override;

    // 8 bytes of identifier, 3 of authentication code.
    std::array<uint8_t, 8> Identifier{};
    std::array<uint8_t, 3> Authentication{};
    // The bytes of a block longer than 11 after the authentication code:
    // written back, the block reads again as the same kind, not as the kind
    // its first 11 bytes name.
    std::vector<uint8_t> BlockTail;

protected:
    virtual void SaveData(platform::Stream& stream) const = 0;
    virtual void LoadData(platform::Stream& stream) = 0;
};

// One data sub-block as it was read: 1 to 255 bytes.
using TGIFBlock = std::vector<uint8_t>;

// Application data without a class of its own, kept sub-block by sub-block.
class TGIFUnknownAppExtension final : public TGIFApplicationExtension {
public:
    explicit TGIFUnknownAppExtension(TGIFSubImage& sub_image)
        : TGIFApplicationExtension(sub_image) {}

    std::vector<TGIFBlock> Blocks;

protected:
    void SaveData(platform::Stream& stream) const override;
    void LoadData(platform::Stream& stream) override;
};

// The animation loop count ("NETSCAPE2.0", also read as "ANIMEXTS1.0").
class TGIFAppExtNSLoop final : public TGIFApplicationExtension {
public:
    explicit TGIFAppExtNSLoop(TGIFSubImage& sub_image);

    // 0 loops without end.
    uint16_t Loops = 0;
    uint32_t BufferSize = 0;

protected:
    void SaveData(platform::Stream& stream) const override;
    // A value sub-block too short for its value raises "Invalid GIF data".
    void LoadData(platform::Stream& stream) override;
};

class TGIFExtensionList : public TGIFList<TGIFExtension> {
public:
    using TGIFList::TGIFList;

    TGIFExtension* Extensions(int32_t index) const { return Items(index); }
    // Reads extension blocks up to the byte that ends them ("," or ";", left
    // to be read again); another byte where a block could start warns
    // "Invalid extension introducer" and ends them too. A block of an unknown
    // label warns "Unknown extension type" and is skipped.
    void LoadFromStream(platform::Stream& stream, TGIFSubImage& parent);
};

}  // namespace gif
