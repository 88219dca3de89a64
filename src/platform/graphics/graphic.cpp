#include "platform/graphics/graphic.h"

#include <algorithm>

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

}  // namespace

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
    registry.Register("bmp", "Bitmaps", [] { return std::make_unique<Bitmap>(); });
    const GraphicFactory jpeg = [] { return std::make_unique<JpegImage>(); };
    registry.Register("jpg", "Fichier image JPEG", jpeg);
    registry.Register("jpeg", "Fichier image JPEG", jpeg);
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
