#include "platform/graphics/graphic.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/jpeg_image.h"

namespace platform {

namespace {

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

// The text after the last "." of the last path component; empty when there is
// none.
std::string_view ExtensionOf(std::string_view file_name) {
    const size_t slash = file_name.rfind('/');
    const std::string_view name =
        slash == std::string_view::npos ? file_name : file_name.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
}

constexpr uint8_t Uses(std::initializer_list<FormatUse> uses) {
    uint8_t all = 0;
    for (const FormatUse use : uses) all = static_cast<uint8_t>(all | static_cast<uint8_t>(use));
    return all;
}

using enum FormatUse;

// The dialogs' texts are the class library's and the main window's own, spaces
// included. The GIF class names itself when it registers.
constexpr std::array kFormats{
    PictureFormat{"jpg", "JPEG", "Fichier image JPEG", "Fichier image JPEG (*.jpg)", 3,
                  Uses({Read, Written, Listed, OpenDialog, SaveDialog, PictureDialog})},
    PictureFormat{"jpeg", "JPEG", "Fichier image JPEG", "", 0, Uses({Read, PictureDialog})},
    PictureFormat{"gif", "GIF", "", "Fichier image GIF(*.gif)", 1,
                  Uses({Read, Written, Listed, OpenDialog})},
    PictureFormat{"bmp", "BMP", "Bitmaps", "Fichier image BMP(*.bmp)", 2,
                  Uses({Read, Written, Listed, OpenDialog, PictureDialog})},
    PictureFormat{"ico", "ICO", "Icônes", "", 0, Uses({PictureDialog})},
    PictureFormat{"emf", "EMF", "Métafichiers étendus", "", 0, Uses({PictureDialog})},
    PictureFormat{"wmf", "WMF", "Métafichiers", "", 0, Uses({PictureDialog})},
};

std::string Mask(const PictureFormat& format) {
    return "*." + std::string(format.extension);
}

// "caption|masks" entries joined by "|".
std::string JoinFilter(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string filter;
    for (const auto& [caption, masks] : entries) {
        if (!filter.empty()) filter += '|';
        filter += caption + '|' + masks;
    }
    return filter;
}

}  // namespace

std::span<const PictureFormat> PictureFormats() {
    return kFormats;
}

const PictureFormat* FormatOf(std::string_view file_name) {
    const std::string extension = AsciiLower(ExtensionOf(file_name));
    const auto found = std::find_if(kFormats.begin(), kFormats.end(),
                                    [&](const PictureFormat& f) { return f.extension == extension; });
    return found == kFormats.end() ? nullptr : &*found;
}

std::string_view ExtensionOfKind(std::string_view kind) {
    const auto found = std::find_if(kFormats.begin(), kFormats.end(),
                                    [&](const PictureFormat& f) { return f.kind == kind; });
    return found == kFormats.end() ? std::string_view{} : found->extension;
}

std::string FormatMasks(FormatUse use, std::string_view kind) {
    std::string masks;
    for (const PictureFormat& format : kFormats) {
        if (!format.Has(use) || (!kind.empty() && format.kind != kind)) continue;
        if (!masks.empty()) masks += ';';
        masks += Mask(format);
    }
    return masks;
}

std::string OpenDialogFilter() {
    std::vector<const PictureFormat*> offered;
    std::string kinds;
    for (const PictureFormat& format : kFormats) {
        if (!format.Has(OpenDialog)) continue;
        offered.push_back(&format);
        kinds += (kinds.empty() ? "" : ", ") + std::string(format.kind);
    }
    std::stable_sort(offered.begin(), offered.end(),
                     [](const PictureFormat* a, const PictureFormat* b) {
                         return a->open_rank < b->open_rank;
                     });
    std::vector<std::pair<std::string, std::string>> entries{
        {"Fichiers images " + kinds, FormatMasks(OpenDialog)}};
    for (const PictureFormat* format : offered)
        entries.emplace_back(std::string(format->caption), Mask(*format));
    entries.emplace_back("Tous", "*.*");
    return JoinFilter(entries);
}

std::string SaveDialogFilter() {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const PictureFormat& format : kFormats) {
        if (format.Has(SaveDialog)) entries.emplace_back(std::string(format.caption), Mask(format));
    }
    return JoinFilter(entries);
}

std::string SaveDialogExtension() {
    const auto found = std::find_if(kFormats.begin(), kFormats.end(),
                                    [](const PictureFormat& f) { return f.Has(SaveDialog); });
    return found == kFormats.end() ? std::string() : std::string(found->extension);
}

// The class library's filter of its registered formats: all of them, then
// each one under its class's description.
std::string PictureDialogFilter() {
    const std::string masks = FormatMasks(PictureDialog);
    std::vector<std::pair<std::string, std::string>> entries{{"Tout (" + masks + ")", masks}};
    for (const PictureFormat& format : kFormats) {
        if (!format.Has(PictureDialog)) continue;
        entries.emplace_back(std::string(format.description) + " (" + Mask(format) + ")",
                             Mask(format));
    }
    return JoinFilter(entries);
}

Rect Intersect(const Rect& a, const Rect& b) {
    const Rect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                 std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? Rect{} : r;
}

// ---- Graphic

void Graphic::Prepare(int32_t, int32_t) const {}

std::shared_ptr<const Bitmap> Graphic::Drawn(int32_t, int32_t) const {
    return nullptr;
}

void Graphic::Assign(const Graphic& source) {
    RaiseAssign(source.ClassName(), ClassName());
}

void Graphic::AssignTo(Bitmap& target) const {
    // Made aside, so that a failure while drawing leaves the target as it was.
    Bitmap pixels(Width(), Height());
    Canvas canvas(pixels);
    canvas.StretchDraw(Rect{0, 0, Width(), Height()}, *this);
    target.Assign(pixels);
}

void Graphic::LoadFromFile(const std::string& path) {
    FileStream stream(path, FileMode::Read);
    LoadFromStream(stream);
}

void Graphic::SaveToFile(const std::string& path) const {
    WriteFileAtomic(path, [this](Stream& stream) { SaveToStream(stream); });
}

void Graphic::Changed() {
    modified_ = true;
    if (OnChange) OnChange(*this);
}

// ---- PictureRegistry

PictureRegistry& PictureRegistry::Instance() {
    static PictureRegistry registry;
    return registry;
}

void PictureRegistry::Register(std::string extension, std::string description,
                               GraphicFactory factory) {
    extension = AsciiLower(extension);
    Entry entry{extension, std::move(description), std::move(factory)};
    const auto existing = std::find_if(entries_.begin(), entries_.end(),
                                       [&](const Entry& e) { return e.extension == extension; });
    if (existing != entries_.end()) {
        *existing = std::move(entry);
    } else {
        entries_.push_back(std::move(entry));
    }
}

void PictureRegistry::Unregister(std::string_view extension) {
    const std::string lower = AsciiLower(extension);
    std::erase_if(entries_, [&](const Entry& e) { return e.extension == lower; });
}

const PictureRegistry::Entry* PictureRegistry::Find(std::string_view extension) const {
    const std::string lower = AsciiLower(extension);
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const Entry& e) { return e.extension == lower; });
    return found == entries_.end() ? nullptr : &*found;
}

std::unique_ptr<Graphic> PictureRegistry::CreateFor(const std::string& file_name) const {
    const std::string extension = AsciiLower(ExtensionOf(file_name));
    const Entry* entry = Find(extension);
    if (entry == nullptr) RaiseUnknownExtension(extension);
    return entry->factory();
}

void RegisterStandardFormats() {
    PictureRegistry& registry = PictureRegistry::Instance();
    for (const PictureFormat& format : kFormats) {
        if (!format.Has(Read)) continue;
        GraphicFactory factory;
        if (format.kind == "JPEG") factory = [] { return std::make_unique<JpegImage>(); };
        if (format.kind == "BMP") factory = [] { return std::make_unique<Bitmap>(); };
        if (factory) {
            registry.Register(std::string(format.extension), std::string(format.description),
                              std::move(factory));
        }
    }
}

// ---- Picture

void Picture::SetGraphic(std::unique_ptr<Graphic> graphic) {
    graphic_ = std::move(graphic);
    if (graphic_) graphic_->OnChange = [this](Graphic&) { Changed(); };
    Changed();
}

std::unique_ptr<Graphic> Picture::TakeGraphic() {
    if (graphic_) graphic_->OnChange = nullptr;
    std::unique_ptr<Graphic> taken = std::move(graphic_);
    Changed();
    return taken;
}

void Picture::Assign(const Graphic* source) {
    SetGraphic(source != nullptr ? source->Clone() : nullptr);
}

void Picture::LoadFromFile(const std::string& path) {
    std::unique_ptr<Graphic> graphic = PictureRegistry::Instance().CreateFor(path);
    graphic->LoadFromFile(path);
    SetGraphic(std::move(graphic));
}

int32_t Picture::Width() const {
    return graphic_ ? graphic_->Width() : 0;
}

int32_t Picture::Height() const {
    return graphic_ ? graphic_->Height() : 0;
}

void Picture::Changed() {
    if (OnChange) OnChange(*this);
}

}  // namespace platform
