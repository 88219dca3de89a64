// The picture framework: the abstract graphic, the registry of picture classes
// by file extension, and the picture that holds one graphic.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/stream.h"
#include "platform/graphics/types.h"

namespace platform {

class Bitmap;
class Canvas;

class Graphic {
public:
    Graphic() = default;
    virtual ~Graphic() = default;
    Graphic(const Graphic&) = delete;
    Graphic& operator=(const Graphic&) = delete;

    // A new graphic of the same class holding the same picture. Classes whose
    // data are immutable once loaded (JPEG) share them with the copy.
    virtual std::unique_ptr<Graphic> Clone() const = 0;
    // The class library's name of the class, for messages ("TBitmap").
    virtual std::string_view ClassName() const = 0;

    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual bool Empty() const { return Width() <= 0 || Height() <= 0; }

    // Draws the whole picture stretched into `dest` on the canvas. Only the
    // part of `dest` inside the canvas's clip rectangle is computed, so `dest`
    // may be far larger than the canvas (a zoomed picture of which a window
    // shows a part).
    virtual void Draw(Canvas& canvas, const Rect& dest) const = 0;

    // Does now the work that drawing at `width` x `height` needs (decoding),
    // so that a later Draw at that size is quick and decoding errors are
    // raised here. Classes that hold their pixels do nothing.
    virtual void Prepare(int32_t width, int32_t height) const;

    // The whole picture as this graphic already holds it drawn at exactly
    // `width` x `height` (a decoding fitted to the screen by Prepare), shared
    // rather than copied; none when it holds no such drawing.
    virtual std::shared_ptr<const Bitmap> Drawn(int32_t width, int32_t height) const;

    // Copies `source` into this graphic. The default takes a graphic of the
    // same class through Clone semantics only where a class says so; any other
    // source raises "Impossible d'affecter %s à %s".
    virtual void Assign(const Graphic& source);
    // Converts this graphic into `target` (a 24-bit bitmap at full size unless a
    // class says otherwise). The default draws the picture onto it.
    virtual void AssignTo(Bitmap& target) const;

    virtual void LoadFromStream(Stream& stream) = 0;
    virtual void SaveToStream(Stream& stream) const = 0;

    // The type (a MIME type) under which a copy to the clipboard also carries
    // this class's own file, as SaveToStream writes it, beside the picture;
    // empty for a class that puts the picture alone.
    virtual std::string_view ClipboardFormat() const { return {}; }

    // Reads a file through a file stream.
    void LoadFromFile(const std::string& path);
    // Writes a file through a temporary file and a rename: the target is never
    // truncated before the new content is complete.
    void SaveToFile(const std::string& path) const;

    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    // Raised after the picture changed.
    std::function<void(Graphic&)> OnChange;

protected:
    // Marks the graphic modified and raises OnChange.
    void Changed();

private:
    bool modified_ = false;
};

using GraphicFactory = std::function<std::unique_ptr<Graphic>()>;

// What the program does with the pictures of one extension.
enum class FormatUse : uint8_t {
    Read = 1 << 0,           // opened through the class registered for it
    Written = 1 << 1,        // the shown picture is saved under it, by its class
    Listed = 1 << 2,         // listed in a folder's pictures
    OpenDialog = 1 << 3,     // offered by the main window's open dialog
    SaveDialog = 1 << 4,     // offered by the main window's save dialog
    PictureDialog = 1 << 5,  // offered by the tools' open-picture dialog
};

// One row of the table of formats. A new format is a new row (and, when it is
// read, a class registered for it).
struct PictureFormat {
    std::string_view extension;    // lower case, without its dot
    std::string_view kind;         // "JPEG": the same for every extension of a format
    std::string_view description;  // its class's description, in the open-picture dialog
    std::string_view caption;      // its entry in the main window's dialogs
    int open_rank = 0;             // the place of that entry in the open dialog
    uint8_t uses = 0;

    bool Has(FormatUse use) const { return (uses & static_cast<uint8_t>(use)) != 0; }
};

// Every format the program knows, listed formats in the order of the folder
// masks.
std::span<const PictureFormat> PictureFormats();
// The row of a file name's extension (the text after the last "." of its
// last path component, case ignored); none for an unknown one.
const PictureFormat* FormatOf(std::string_view file_name);
// The extension first listed for a kind ("jpg" for "JPEG").
std::string_view ExtensionOfKind(std::string_view kind);
// "*.jpg;*.gif;*.bmp": the masks of the formats with that use, in the table's
// order; only those of `kind` when one is given.
std::string FormatMasks(FormatUse use, std::string_view kind = {});
// The filters of the main window's open and save dialogs and of the tools'
// open-picture dialog, "caption|masks|caption|masks...", and the save
// dialog's default extension.
std::string OpenDialogFilter();
std::string SaveDialogFilter();
std::string SaveDialogExtension();
std::string PictureDialogFilter();

// Picture classes by file extension. Extensions are kept without their dot and
// compared ignoring case.
class PictureRegistry {
public:
    struct Entry {
        std::string extension;
        std::string description;
        GraphicFactory factory;
    };

    static PictureRegistry& Instance();

    void Register(std::string extension, std::string description, GraphicFactory factory);
    void Unregister(std::string_view extension);
    const Entry* Find(std::string_view extension) const;
    const std::vector<Entry>& Entries() const { return entries_; }

    // A new, empty graphic of the class registered for the extension of
    // `file_name` (the text after its last "." in its last path component);
    // raises "Extension de fichier image inconnue (.%s)" with the extension in
    // lower case when no class is registered for it.
    std::unique_ptr<Graphic> CreateFor(const std::string& file_name) const;

private:
    std::vector<Entry> entries_;
};

// Registers the platform's own classes for the formats the table reads:
// TBitmap for "bmp", TJPEGImage for "jpg" and "jpeg".
void RegisterStandardFormats();

// Holds one graphic, or none.
class Picture {
public:
    Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    Graphic* GetGraphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<Graphic> graphic);
    // Hands the graphic over to the caller, leaving none.
    std::unique_ptr<Graphic> TakeGraphic();

    // A copy of the source's graphic (Clone), or no graphic for none.
    void Assign(const Graphic* source);
    void Assign(const Picture& source) { Assign(source.GetGraphic()); }

    // Loads through the registry, by the file's extension. On failure the
    // picture is unchanged.
    void LoadFromFile(const std::string& path);

    int32_t Width() const;
    int32_t Height() const;

    // Raised after the graphic was replaced or changed.
    std::function<void(Picture&)> OnChange;

private:
    void Changed();

    std::unique_ptr<Graphic> graphic_;
};

}  // namespace platform
