#include "gif/extensions.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string_view>

#include "gif/gif_image.h"

namespace gif {

namespace {

// A registry of extension kinds by key, searched from the last entry
// registered; keys are compared byte for byte.
template <typename Key>
class TKindList {
public:
    void Register(Key key, ExtensionClass kind) { entries_.push_back({key, kind}); }
    std::optional<ExtensionClass> Find(Key key) const {
        for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
            if (it->key == key) return it->kind;
        }
        return std::nullopt;
    }

private:
    struct Entry {
        Key key;
        ExtensionClass kind;
    };
    std::vector<Entry> entries_;
};

// The kinds by label, and the application kinds by identifier and
// authentication code.
using TExtensionList = TKindList<uint8_t>;
using TAppExtensionList = TKindList<std::string_view>;

struct Registries {
    Registries() {
        labels.Register(TGIFTextExtension::kLabel, ExtensionClass::Text);
        labels.Register(TGIFGraphicControlExtension::kLabel, ExtensionClass::GraphicControl);
        labels.Register(TGIFCommentExtension::kLabel, ExtensionClass::Comment);
        labels.Register(TGIFApplicationExtension::kLabel, ExtensionClass::Application);
        applications.Register("NETSCAPE2.0", ExtensionClass::NSLoop);
        applications.Register("ANIMEXTS1.0", ExtensionClass::NSLoop);
    }
    TExtensionList labels;
    TAppExtensionList applications;
};

// Made when a file first needs them, freed when the codec shuts down; files
// are read on several threads at once.
std::mutex registries_lock;
std::unique_ptr<Registries> registries;

template <typename Key>
std::optional<ExtensionClass> FindKind(TKindList<Key> Registries::*list, Key key) {
    const std::lock_guard lock(registries_lock);
    if (registries == nullptr) registries = std::make_unique<Registries>();
    return (registries.get()->*list).Find(key);
}

bool IsApplication(ExtensionClass kind) {
    return kind == ExtensionClass::Application || kind == ExtensionClass::UnknownApp ||
           kind == ExtensionClass::NSLoop;
}

void Skip(platform::Stream& stream, int64_t count) {
    if (count > 0) stream.Seek(count, platform::SeekOrigin::Current);
}

// Steps over a block of no known kind: its label, then data sub-blocks up to
// a zero length byte or the end of the stream.
void SkipUnknownBlock(platform::Stream& stream) {
    if (!TryReadByte(stream)) return;
    for (std::optional<uint8_t> size; (size = TryReadByte(stream)) && *size != 0;) {
        Skip(stream, std::min<int64_t>(*size, Remaining(stream)));
    }
}

// What an application block turns out to be once its size byte and
// identifier are read. Each probe reads on from where the previous one
// stopped; blocks longer than the identifier are kept as unknown data.
std::optional<ExtensionClass> FindSubExtension(ExtensionClass kind, platform::Stream& stream) {
    if (!IsApplication(kind)) return kind;
    const std::optional<uint8_t> size = TryReadByte(stream);
    if (!size) return std::nullopt;
    if (*size == 10) {
        std::array<char, 10> skipped{};
        if (stream.Read(skipped.data(), skipped.size()) != skipped.size()) return std::nullopt;
        return ExtensionClass::UnknownApp;
    }
    if (*size == 11) {
        std::array<char, 11> key{};
        const size_t got = stream.Read(key.data(), key.size());
        if (got != key.size()) {
            stream.Seek(-1 - static_cast<int64_t>(got), platform::SeekOrigin::Current);
            return kind;
        }
        return FindKind(&Registries::applications, std::string_view(key.data(), key.size()))
            .value_or(ExtensionClass::UnknownApp);
    }
    Unread(stream);
    return *size > 11 ? ExtensionClass::UnknownApp : kind;
}

}  // namespace

void FreeExtensionRegistries() {
    const std::lock_guard lock(registries_lock);
    registries.reset();
}

// ---- TGIFExtension

TGIFExtension::TGIFExtension(TGIFSubImage& sub_image)
    : TGIFItem(sub_image.Image()), sub_image_(sub_image) {}

void TGIFExtension::SaveToStream(platform::Stream& stream) const {
    WriteByte(stream, kExtensionIntroducer);
    WriteByte(stream, GetExtensionType());
}

void TGIFExtension::LoadFromStream(platform::Stream& stream) {
    std::array<uint8_t, 2> head{};
    ReadCheck(stream, head.data(), head.size());
    if (head[0] != kExtensionIntroducer) Error(Message::InvalidExtensionIntroducer);
    if (head[1] != GetExtensionType()) Error(Message::ExtensionLabelMismatch);
}

std::optional<ExtensionClass> TGIFExtension::FindExtension(platform::Stream& stream) {
    const int64_t start = stream.Position();
    std::optional<ExtensionClass> kind;
    if (const std::optional<uint8_t> label = TryReadByte(stream)) {
        kind = FindKind(&Registries::labels, *label);
        while (kind) {
            const std::optional<ExtensionClass> sub = FindSubExtension(*kind, stream);
            if (sub == kind) break;
            kind = sub;
        }
    }
    stream.SetPosition(start);
    return kind;
}

std::unique_ptr<TGIFExtension> TGIFExtension::Create(ExtensionClass kind, TGIFSubImage& sub_image) {
    switch (kind) {
        case ExtensionClass::Text:
            return std::make_unique<TGIFTextExtension>(sub_image);
        case ExtensionClass::GraphicControl:
            return std::make_unique<TGIFGraphicControlExtension>(sub_image);
        case ExtensionClass::Comment:
            return std::make_unique<TGIFCommentExtension>(sub_image);
        case ExtensionClass::NSLoop:
            return std::make_unique<TGIFAppExtNSLoop>(sub_image);
        case ExtensionClass::Application:
            // The bare application kind is only ever the answer for a block
            // whose loading fails before its data (a size below 10, or an
            // identifier cut short), in the part all application blocks share.
        case ExtensionClass::UnknownApp:
            break;
    }
    return std::make_unique<TGIFUnknownAppExtension>(sub_image);
}

// ---- TGIFGraphicControlExtension

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage& sub_image)
    : TGIFExtension(sub_image) {
    if (sub_image.GraphicControlExtension() == nullptr) sub_image.SetGraphicControlExtension(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
    if (SubImage().GraphicControlExtension() == this)
        SubImage().SetGraphicControlExtension(nullptr);
}

void TGIFGraphicControlExtension::SaveToStream(platform::Stream& stream) const {
    TGIFExtension::SaveToStream(stream);
    stream.WriteBuffer(bytes_.data(), bytes_.size());
}

void TGIFGraphicControlExtension::LoadFromStream(platform::Stream& stream) {
    TGIFExtension::LoadFromStream(stream);
    size_t done = 0;
    while (done < bytes_.size()) {
        const size_t n = stream.Read(&bytes_[done], bytes_.size() - done);
        if (n == 0) {
            Warning(kWarningSeverity, Message::PrematureEnd);
            break;
        }
        done += n;
    }
}

void TGIFGraphicControlExtension::SetTransparent(bool transparent) {
    bytes_[1] = static_cast<uint8_t>(transparent ? bytes_[1] | 0x01 : bytes_[1] & ~0x01);
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(uint8_t index) {
    const int32_t count = SubImage().ActiveColorMap().Count();
    if (count > 0 && index >= count) {
        Warning(kWarningSeverity, Message::InvalidColorIndex);
        index = 0;
    }
    bytes_[4] = index;
}

void TGIFGraphicControlExtension::SetDisposal(uint8_t disposal) {
    platform::CheckRange(disposal, 0, 7);
    bytes_[1] = static_cast<uint8_t>((bytes_[1] & ~0x1C) | disposal << 2);
}

// ---- TGIFTextExtension

void TGIFTextExtension::SaveToStream(platform::Stream& stream) const {
    TGIFExtension::SaveToStream(stream);
    stream.WriteBuffer(bytes_.data(), bytes_.size());
    WriteStrings(stream, Text);
}

void TGIFTextExtension::LoadFromStream(platform::Stream& stream) {
    TGIFExtension::LoadFromStream(stream);
    ReadCheck(stream, bytes_.data(), bytes_.size());
    Text = ReadStrings(stream);
}

// ---- TGIFCommentExtension

void TGIFCommentExtension::SaveToStream(platform::Stream& stream) const {
    TGIFExtension::SaveToStream(stream);
    WriteStrings(stream, Text);
}

void TGIFCommentExtension::LoadFromStream(platform::Stream& stream) {
    TGIFExtension::LoadFromStream(stream);
    Text = ReadStrings(stream);
}

// ---- TGIFApplicationExtension

void TGIFApplicationExtension::SaveToStream(platform::Stream& stream) const {
    TGIFExtension::SaveToStream(stream);
    WriteByte(stream, static_cast<uint8_t>(11 + BlockTail.size()));
    stream.WriteBuffer(Identifier.data(), Identifier.size());
    stream.WriteBuffer(Authentication.data(), Authentication.size());
    stream.WriteBuffer(BlockTail.data(), BlockTail.size());
    SaveData(stream);
}

void TGIFApplicationExtension::LoadFromStream(platform::Stream& stream) {
    TGIFExtension::LoadFromStream(stream);
    const uint8_t size = ReadByte(stream);
    if (size < 10) Error(Message::UnsupportedAppBlockSize);
    std::array<uint8_t, 11> key{};
    ReadCheck(stream, key.data(), size == 10 ? 10 : 11);
    BlockTail.resize(size > 11 ? size - 11 : 0);
    BlockTail.resize(stream.Read(BlockTail.data(), BlockTail.size()));
    std::copy_n(key.begin(), Identifier.size(), Identifier.begin());
    std::copy_n(key.begin() + Identifier.size(), Authentication.size(), Authentication.begin());
    LoadData(stream);
}

void TGIFUnknownAppExtension::SaveData(platform::Stream& stream) const {
    for (const TGIFBlock& block : Blocks) {
        WriteByte(stream, static_cast<uint8_t>(block.size()));
        stream.WriteBuffer(block.data(), block.size());
    }
    WriteByte(stream, 0);
}

void TGIFUnknownAppExtension::LoadData(platform::Stream& stream) {
    Blocks.clear();
    for (std::optional<uint8_t> size; (size = TryReadByte(stream)) && *size != 0;) {
        TGIFBlock block(*size);
        ReadCheck(stream, block.data(), block.size());
        Blocks.push_back(std::move(block));
    }
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage& sub_image) : TGIFApplicationExtension(sub_image) {
    std::memcpy(Identifier.data(), "NETSCAPE", Identifier.size());
    std::memcpy(Authentication.data(), "2.0", Authentication.size());
}

void TGIFAppExtNSLoop::SaveData(platform::Stream& stream) const {
    const std::array<uint8_t, 4> loops{3, 1, static_cast<uint8_t>(Loops),
                                       static_cast<uint8_t>(Loops >> 8)};
    stream.WriteBuffer(loops.data(), loops.size());
    if (BufferSize != 0) {
        std::array<uint8_t, 6> buffer{5, 2};
        for (size_t i = 0; i < 4; ++i) buffer[2 + i] = static_cast<uint8_t>(BufferSize >> (8 * i));
        stream.WriteBuffer(buffer.data(), buffer.size());
    }
    WriteByte(stream, 0);
}

void TGIFAppExtNSLoop::LoadData(platform::Stream& stream) {
    for (uint8_t size; (size = ReadByte(stream)) != 0;) {
        const uint8_t kind = ReadByte(stream) & 7;
        int32_t used = 1;
        if (kind == 1) {
            if (size - used < 2) Error(Message::InvalidGifData);
            std::array<uint8_t, 2> value{};
            ReadCheck(stream, value.data(), value.size());
            Loops = GetU16(value.data());
            used += 2;
        } else if (kind == 2) {
            if (size - used < 4) Error(Message::InvalidGifData);
            std::array<uint8_t, 4> value{};
            ReadCheck(stream, value.data(), value.size());
            BufferSize = static_cast<uint32_t>(value[0] | value[1] << 8 | value[2] << 16) |
                         static_cast<uint32_t>(value[3]) << 24;
            used += 4;
        }
        Skip(stream, size - used);
    }
}

// ---- TGIFExtensionList

void TGIFExtensionList::LoadFromStream(platform::Stream& stream, TGIFSubImage& parent) {
    std::optional<uint8_t> byte = TryReadByte(stream);
    if (!byte) return;
    while (*byte != kImageSeparator && *byte != kTrailer) {
        if (*byte != kExtensionIntroducer) {
            Warning(kWarningSeverity, Message::InvalidExtensionIntroducer);
            break;
        }
        if (const std::optional<ExtensionClass> kind = TGIFExtension::FindExtension(stream)) {
            Unread(stream);
            std::unique_ptr<TGIFExtension> extension = TGIFExtension::Create(*kind, parent);
            extension->LoadFromStream(stream);
            Add(std::move(extension));
        } else {
            // A block of a kind this reader does not know is not the
            // picture's: it is skipped, as other readers do.
            Warning(kWarningSeverity, Message::UnknownExtensionType);
            SkipUnknownBlock(stream);
        }
        byte = TryReadByte(stream);
        if (!byte) return;
    }
    Unread(stream);
}

}  // namespace gif
