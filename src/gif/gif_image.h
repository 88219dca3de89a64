// The GIF picture: a header with the logical screen and the global colour
// table, and a list of frames, each with its extensions, its local colour
// table and its pixels as one index byte per pixel. Reading and writing follow
// the blocks of the file, one level at a time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "gif/color_map.h"
#include "gif/extensions.h"
#include "gif/gif_error.h"
#include "gif/gif_item.h"
#include "platform/core/stream.h"
#include "platform/core/thread.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/budget.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/graphic.h"
#include "platform/graphics/palette.h"
#include "platform/graphics/types.h"

namespace gif {

class TGIFImageList;
class TGIFPainter;
class TGIFSharedTransparency;

class TGIFHeader final : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage& image);

    // Empties the global table and zeroes the screen fields.
    void Clear();
    // Copies the screen fields and the global table.
    void Assign(const TGIFHeader& source);
    // Clears the header and takes the colours as the global table.
    void Assign(const TGIFColorMap& source);

    // Signature, version and screen of the image's version ("Unsupported GIF
    // version" for a picture without frames), then the global table.
    void SaveToStream(platform::Stream& stream) const override;
    // The signature is looked for at the position and, failing that, 4 bytes
    // further on; the version bytes are not examined.
    void LoadFromStream(platform::Stream& stream) override;

    uint16_t LogicalScreenWidth() const { return GetU16(&screen_[0]); }
    uint16_t LogicalScreenHeight() const { return GetU16(&screen_[2]); }
    void SetLogicalScreenWidth(uint16_t width) { PutU16(&screen_[0], width); }
    void SetLogicalScreenHeight(uint16_t height) { PutU16(&screen_[2], height); }
    uint8_t PackedFields() const { return screen_[4]; }
    uint8_t BackgroundColorIndex() const { return screen_[5]; }
    void SetBackgroundColorIndex(uint8_t index) { screen_[5] = index; }
    uint8_t AspectRatio() const { return screen_[6]; }
    void SetAspectRatio(uint8_t ratio) { screen_[6] = ratio; }

    TGIFGlobalColorMap& ColorMap() { return color_map_; }
    const TGIFGlobalColorMap& ColorMap() const { return color_map_; }
    // The global table's entry at the background index.
    platform::Color BackgroundColor();

    // Rebuilds the packed screen field from the colour tables.
    void Prepare() { screen_[4] = PreparedFields(); }

private:
    uint8_t PreparedFields() const;

    // Width, height, packed field, background index, aspect ratio.
    std::array<uint8_t, 7> screen_{};
    TGIFGlobalColorMap color_map_;
};

class TGIFSubImage final : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFImage& image);
    ~TGIFSubImage() override;

    TGIFImage& Owner() const { return *image_; }

    // GIF89a when the local table is sorted or the frame has extensions.
    GIFVersion GetVersion() const override;
    // The extensions, then, unless the frame is empty, the image block, the
    // local table and the coded pixels.
    void SaveToStream(platform::Stream& stream) const override;
    // The extensions, then the image block when a "," follows them.
    void LoadFromStream(platform::Stream& stream) override;

    // Empties the frame: extensions, local table, pixels, bounds, bitmaps.
    void Clear();
    // Copies another frame: bounds, pixels, local table, extensions, bitmap.
    void Assign(const TGIFSubImage& source);
    // No pixels, or a width or height of 0.
    bool Empty() const;

    // Bounds on the logical screen.
    uint16_t Left() const { return GetU16(&descriptor_[1]); }
    uint16_t Top() const { return GetU16(&descriptor_[3]); }
    uint16_t Width() const { return GetU16(&descriptor_[5]); }
    uint16_t Height() const { return GetU16(&descriptor_[7]); }
    platform::Rect BoundsRect() const {
        return {Left(), Top(), Left() + Width(), Top() + Height()};
    }
    // 1 Left, 2 Top, 3 Width, 4 Height; any other index reads 0 and writes
    // nothing.
    int32_t BoundsValue(int32_t index) const;
    void SetBoundsValue(int32_t index, int32_t value);
    // A new size frees the bitmaps and gives zeroed pixels; a frame beyond the
    // logical screen enlarges it, with warnings unless it was 0.
    void DoSetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    void SetLeft(int32_t value) { SetBoundsValue(1, value); }
    void SetTop(int32_t value) { SetBoundsValue(2, value); }
    void SetWidth(int32_t value) { SetBoundsValue(3, value); }
    void SetHeight(int32_t value) { SetBoundsValue(4, value); }

    uint8_t PackedFields() const { return descriptor_[9]; }
    bool Interlaced() const { return (descriptor_[9] & 0x40) != 0; }
    void SetInterlaced(bool interlaced);

    // Width x Height index bytes, row after row; null when there are none.
    // The indices that no decoding wrote are only made when these are asked
    // for (ReadRow does without them).
    uint8_t* Data();
    const uint8_t* Data() const;
    size_t DataSize() const { return data_size_; }
    // Row `y` (inside the frame, not checked) for reading: the kept indices,
    // or `scratch` holding the row when its indices are not all kept. In a
    // frame whose rows were not all kept (TGIFImage::SetMaxDrawHeight), a row
    // reads as the kept row above it.
    const uint8_t* ReadRow(int32_t y, std::vector<uint8_t>& scratch) const;
    // Replaces the pixels with Width x Height zeros.
    void NewImage();
    void FreeImage();
    // Makes the pixels when there are none; "Image is empty" for a frame of
    // size 0.
    void NeedImage();
    // Row `y` ("Invalid pixel coordinates" outside the frame).
    uint8_t* GetScanline(int32_t y);
    uint8_t GetPixel(int32_t x, int32_t y);

    TGIFLocalColorMap& ColorMap() { return color_map_; }
    const TGIFLocalColorMap& ColorMap() const { return color_map_; }
    // The table the pixels refer to: the local one when it has entries, else
    // the global one when that has entries, else the (empty) local one.
    TGIFColorMap& ActiveColorMap();
    const TGIFColorMap& ActiveColorMap() const;
    TGIFExtensionList& Extensions() { return extensions_; }
    const TGIFExtensionList& Extensions() const { return extensions_; }

    // The frame's own graphic control extension: the first one made for it.
    TGIFGraphicControlExtension* GraphicControlExtension() const { return gce_; }
    void SetGraphicControlExtension(TGIFGraphicControlExtension* extension) { gce_ = extension; }
    // Follows the frame's own graphic control extension only, so that the
    // transparent index is never read through a missing one.
    bool HasTransparency() const { return gce_ != nullptr && gce_->Transparent(); }

    // The palette the frame renders with: the bitmap's, the frame's own, the
    // web palette when the picture dithers, the picture's when the frame has
    // no table, else one made from the local table and kept.
    platform::Palette GetPalette() const;
    // The colours changed: the frame keeps `palette` (none when its table
    // changed) and drops a bitmap made with another palette.
    void ColorMapChanged(const platform::Palette& palette);

    // The frame as an 8-bit bitmap whose colour table is the frame's palette
    // padded to 256 entries, rendered on the first request (dithered to the
    // web palette when the picture dithers) and kept until a change. None for
    // an empty frame, or when a progress handler aborted the rendering.
    const platform::Bitmap* GetBitmap() const;
    bool HasBitmap() const { return bitmap_ != nullptr; }
    // Replaces the bitmap with a new, empty one.
    void NewBitmap();
    void FreeBitmap();
    // The transparent pixels of a transparent frame: 1 bit per pixel, 1 where
    // transparent; none until rendered, and none when no pixel is transparent.
    const platform::Bitmap* Mask() const { return mask_.get(); }
    // Whether the frame has a mask, rendering again when it was dropped.
    bool HasMask() const;
    // Drops the mask; the next rendering makes it again.
    void FreeMask();
    // The next rendering makes the mask: set when the frame is made and
    // whenever the mask is dropped, cleared by each rendering.
    bool NeedMask() const { return need_mask_; }
    // The rendered bitmap copied into `target`; an empty bitmap when there is
    // none.
    void AssignTo(platform::Bitmap& target) const;

    // The frame's place on the logical screen mapped into `dest`, which stands
    // for the whole screen.
    platform::Rect ScaleRect(const platform::Rect& dest) const;
    // Draws the frame as part of a picture filling `dest`: at its scaled place,
    // or, tiling, repeated at its own size over `dest` from its place on each
    // copy of the screen. Transparent pixels keep the canvas when
    // `transparent` is set. Nothing is drawn on a screen 0 pixels wide or high.
    void Draw(platform::Canvas& canvas, const platform::Rect& dest, bool transparent,
              bool tile) const;
    // Draws the frame's bitmap stretched into `rect`, or tiled over it. A
    // frame drawn smaller than its own size, whose bitmap is not made, is
    // drawn straight from its indices, the same picture without the bitmap.
    void StretchDraw(platform::Canvas& canvas, const platform::Rect& rect, bool transparent,
                     bool tile) const;

    // Becomes `source`, another frame, turned by `quarters` quarter turns
    // clockwise (0 to 3) and placed at (left, top): its indices turned, its size with them, its
    // local table, extensions and interlacing as they are. The indices are
    // counted in the picture's budget.
    void AssignRotated(const TGIFSubImage& source, int32_t quarters, int32_t left, int32_t top);

    // Drops the borders that hold only the transparent index; a frame left
    // with no pixel is cleared. Nothing for an opaque frame.
    void Crop();
    // Turns the pixels that show what `below` shows at their place into
    // transparent ones, taking a transparent index when the frame has none;
    // one shared with another frame is found through `shared`, which a
    // caller that runs over many frames keeps current, else by a walk of
    // the frames.
    void OptimizeOverlap(TGIFSubImage* below, const TGIFSharedTransparency* shared = nullptr);

    // Decodes the LZW data at the stream position into the pixels.
    void Decompress(platform::Stream& stream);
    // Writes the pixels as LZW data (run-length coded when the picture asks).
    void Compress(platform::Stream& stream) const;

private:
    friend class TGIFImageList;
    friend class TGIFLocalColorMap;

    struct FreeDeleter {
        void operator()(uint8_t* pixels) const;
    };
    // The local table's entries need `bits` per pixel rather than `former`:
    // the list the frame is in keeps count.
    void TableBitsChanged(int32_t former, int32_t bits);
    // The packed image field as it is written.
    uint8_t PreparedFields() const;
    // Appends copies of the source's extensions, read back from their bytes.
    void CopyExtensions(const TGIFSubImage& source);
    // Makes the indices that are not kept.
    void HoldAll() const;
    // Every how many rows one is kept when the frame is decoded.
    uint16_t KeptRowStep() const;
    // Renders the pixels into a new bitmap (and the mask when one is due).
    std::unique_ptr<platform::Bitmap> Render(bool dither) const;
    // Progress at the end of a rendering; a palette modified meanwhile makes
    // the picture tell it changed.
    void RenderingEnded(uint8_t percent) const;
    // Whether some pixel holds `index`.
    bool UsesIndex(uint8_t index) const;
    // StretchDraw, untiled, of the rows the frame kept read one at a time.
    void DrawShrunk(platform::Canvas& canvas, const platform::Rect& rect, bool transparent) const;

    // Separator, Left, Top, Width, Height, packed field, as on disk.
    std::array<uint8_t, 10> descriptor_{kImageSeparator};
    TGIFLocalColorMap color_map_;
    // The indices are kept up to `held_`, the rest being `fill_`: a frame
    // that declares millions of pixels and decodes a few takes memory for the
    // few. Asking for Data() makes them all.
    mutable std::unique_ptr<uint8_t[], FreeDeleter> data_;
    mutable size_t held_ = 0;
    uint8_t fill_ = 0;
    // Of rows 0, step, 2 step... only, when the picture is decoded to be drawn
    // small: data_ then holds those rows, one after the other.
    mutable uint16_t row_step_ = 1;
    size_t data_size_ = 0;
    TGIFGraphicControlExtension* gce_ = nullptr;
    // Caches made on demand by drawing, which is const: the rendered bitmap
    // and the palette it was made with, the mask of the transparent pixels,
    // and the frame's palette.
    mutable std::unique_ptr<platform::Bitmap> bitmap_;
    mutable platform::Palette bitmap_palette_;
    mutable std::unique_ptr<platform::Bitmap> mask_;
    mutable bool need_mask_ = true;
    mutable platform::Palette palette_;
    // The frame list the frame is in, none while it is in none.
    TGIFImageList* list_ = nullptr;
    // Last, so that the extensions go while the frame they refer to is whole.
    TGIFExtensionList extensions_;
};

// `area` of a logical screen of `screen_width` x `screen_height` mapped into
// `dest`, which stands for the whole screen.
platform::Rect ScaleRect(const platform::Rect& area, const platform::Rect& dest,
                         int32_t screen_width, int32_t screen_height);

class TGIFTrailer final : public TGIFItem {
public:
    using TGIFItem::TGIFItem;
    void SaveToStream(platform::Stream& stream) const override;
    // A byte other than ";" warns "Invalid Image trailer"; none is no fault.
    void LoadFromStream(platform::Stream& stream) override;
};

class TGIFImageList : public TGIFList<TGIFSubImage> {
public:
    using TGIFList::TGIFList;
    ~TGIFImageList() override;

    TGIFSubImage* SubImages(int32_t index) const { return Items(index); }
    // Frames up to the trailer or the end of the stream; a byte that starts no
    // block warns "Unknown GIF block type" and ends them.
    void LoadFromStream(platform::Stream& stream, TGIFImage& parent);
    void SaveToStream(platform::Stream& stream) const;
    // The most bits per pixel of the frames' local tables, 0 when none has
    // entries. Kept as tables and frames change, so that writing each frame
    // of a picture of many does not walk all of them.
    int32_t WidestTable() const;

protected:
    void Entered(TGIFSubImage& frame) override;
    void Left(TGIFSubImage& frame) override;

private:
    friend class TGIFSubImage;
    void TableBitsChanged(int32_t former, int32_t bits);

    // How many local tables need each number of bits per pixel, 1 to 8.
    std::array<int32_t, 9> tables_by_bits_{};
};

enum class ProgressStage : uint8_t { Starting, Running, Ending };

// Drawing options (DrawOptions).
enum DrawOption : uint16_t {
    doThreaded = 1 << 0,
    doTransparent = 1 << 1,
    doAnimate = 1 << 2,
    doLoop = 1 << 3,
    doLoopForever = 1 << 4,
    doValidateCanvas = 1 << 5,
    doDirectPaint = 1 << 6,
    doClearOnStart = 1 << 7,
    doTile = 1 << 8,
    doDither = 1 << 9,
    doAutoDither = 1 << 10,
};
constexpr uint16_t kDefaultDrawOptions =
    doThreaded | doTransparent | doAnimate | doLoop | doDither | doAutoDither;

// No colour: the background comes from the file.
constexpr platform::Color kColorNone = 0x1FFFFFFF;

// The clipboard format of GIF pictures: their file, under this MIME type.
constexpr std::string_view GIFClipboardFormat = "image/gif";
// The clipboard's format for bitmaps: a BMP file.
constexpr std::string_view kBitmapClipboardFormat = "image/bmp";

// Puts data on the clipboard under a format; false when the clipboard
// refused them.
using ClipboardStore = std::function<bool(std::string_view format, std::span<const uint8_t> data)>;

// Whether pictures that ask for dithering only on a palette display
// (doAutoDither) dither: the program sets it from the screen's depth. False
// until set.
bool AutoDither();
void SetAutoDither(bool dither);

// An animation's event; the sender is the painter that raises it.
using PainterEvent = std::function<void(TGIFPainter& sender)>;

// Registers TGIFImage in the picture registry for the extension "gif", as
// "GIF Image".
void RegisterGIFImage();
// The codec's shut-down: TGIFImage leaves the picture registry and the
// registries of extension kinds are freed.
void UnregisterGIFImage();

class TGIFImage : public platform::Graphic {
public:
    using WarningEvent =
        std::function<void(const void* sender, uint8_t severity, std::string_view message)>;
    using ProgressEvent =
        std::function<void(const TGIFImage& sender, ProgressStage stage, uint8_t percent,
                           bool redraw, const platform::Rect& rect, std::string_view message)>;

    TGIFImage();
    ~TGIFImage() override;

    std::unique_ptr<platform::Graphic> Clone() const override;
    std::string_view ClassName() const override { return "TGIFImage"; }
    int32_t Width() const override { return header_.LogicalScreenWidth(); }
    int32_t Height() const override { return header_.LogicalScreenHeight(); }
    // No frames.
    bool Empty() const override { return images_.Count() == 0; }
    // The picture drawn into `dest`, standing for the logical screen, with
    // transparency and tiling as DrawOptions say. On a canvas that shows on a
    // screen, a picture of several frames with doAnimate is played there by a
    // painter (gif_painter.h): with doDirectPaint, on the canvas itself, else
    // into the picture's buffer (GetBuffer), which then shows on the canvas
    // and raises OnChange at each frame. Elsewhere, and for a still picture,
    // frame 0. A Draw reached from a Draw (an animation's handler) returns
    // at once.
    void Draw(platform::Canvas& canvas, const platform::Rect& dest) const override;
    // `buffer` on the canvas: stretched into `dest`, or tiled from its corner
    // at the logical screen's size with doTile.
    void DrawBuffer(platform::Canvas& canvas, const platform::Rect& dest,
                    const platform::Bitmap& buffer) const;
    // While a painter plays the picture into its buffer, the buffer, when
    // asked for at the logical screen's size: what Draw shows on a screen.
    std::shared_ptr<const platform::Bitmap> Drawn(int32_t width, int32_t height) const override;
    // The picture's bitmap (GetBitmap) copied into `target`: 8 bits with the
    // frame's palette when frame 0 covers the screen, else 24 bits (also
    // from an animation's buffer).
    void AssignTo(platform::Bitmap& target) const override;
    // Only the very same picture is equal to it.
    bool Equals(const platform::Graphic& other) const { return &other == this; }
    // Another GIF picture is copied frame by frame; the copy takes the
    // source's warning and progress handlers while it runs and is left
    // without any. Any other picture becomes the one frame, reduced to 256
    // colours by ColorReduction, DitherMode and ReductionBits.
    void Assign(const platform::Graphic& source) override;
    // A whole GIF file. A failure leaves the frames read so far and the stream
    // where it was.
    void LoadFromStream(platform::Stream& stream) override;
    void SaveToStream(platform::Stream& stream) const override;

    std::string_view ClipboardFormat() const override { return GIFClipboardFormat; }
    // Loads the clipboard's data of a format: a GIF file under
    // GIFClipboardFormat, a bitmap (a BMP file) under kBitmapClipboardFormat,
    // which becomes the one frame. Any other format, or no data, raises
    // "Format de Presse-papiers non supporté".
    void LoadFromClipboardFormat(std::string_view format, std::span<const uint8_t> data);
    // Puts the picture on the clipboard: frame 0's bitmap under
    // kBitmapClipboardFormat and the GIF file under GIFClipboardFormat. A
    // GIF file the clipboard refuses raises "Failed to store GIF on
    // clipboard". An empty picture puts nothing.
    void SaveToClipboardFormat(const ClipboardStore& store) const;

    // Stops every painter, then drops every frame, the global table and the
    // screen size.
    void Clear();
    // Counts the indices of a frame about to be decoded into the picture:
    // beyond the budget of one bitmap, or of all the frames read since the
    // last Clear, "Mémoire insuffisante".
    void CountFrameIndices(int32_t width, int32_t height) { index_budget_.Take(width, height); }
    // The logical screen; a size that cuts a frame raises "Image width too
    // small for contained frames" (or height) and changes nothing.
    void SetWidth(int32_t width);
    void SetHeight(int32_t height);
    // Appends a frame of this picture and returns its index; every painter
    // is stopped first. Any other block raises "Object type not supported
    // for operation".
    int32_t Add(std::unique_ptr<TGIFItem> item);
    // Appends a frame made from any picture as Assign makes its one frame,
    // and returns its index; a picture that cannot become a frame adds
    // nothing and its error passes on.
    int32_t Add(const platform::Graphic& source);
    // The picture turned by `angle` degrees, clockwise for positive angles:
    // every frame's indices, its place on the logical screen and the screen's
    // size turn; colours, timing, disposal, transparency, loop count and
    // settings stay, so an animation plays turned (non-square pixels turn
    // with their aspect ratio). A multiple of 360 gives a copy; an angle that
    // is not a multiple of 90 raises the range error. Frames reaching beyond
    // the screen turn about a screen enlarged to hold them. This picture is
    // only read; the new one holds its own frames, within its own budget.
    std::unique_ptr<TGIFImage> Rotated(int32_t angle) const;
    // Makes the picture smaller to store without changing what it shows
    // (options of gif/optimize.h), every painter stopped first. Of the
    // colour reduction arguments only the method is checked; no reduction is
    // made. A picture with a pixel beyond the colours of the table its frame
    // refers to is left as it is: such a pixel is written only while some
    // table of the picture is wide enough for it, and the steps renumber,
    // drop and add colours.
    void Optimize(uint8_t options, uint8_t reduction_method, uint8_t dither_mode,
                  int32_t reduction_bits);

    // The version the file needs: none without frames, else the highest of the
    // frames'.
    GIFVersion GetVersion() const;
    // The highest of the tables' bits per pixel, minus 1.
    int32_t GetColorResolution() const;
    // The highest of the tables' bits per pixel.
    int32_t GetBitsPerPixel() const;
    platform::Color GetBackgroundColor() { return header_.BackgroundColor(); }
    TGIFGlobalColorMap& GetGlobalColorMap() { return header_.ColorMap(); }

    TGIFHeader& Header() { return header_; }
    const TGIFHeader& Header() const { return header_; }
    TGIFImageList& Images() { return images_; }
    const TGIFImageList& Images() const { return images_; }

    // Reports a recoverable problem to OnWarning, when assigned.
    virtual void Warning(const void* sender, uint8_t severity, std::string_view message);
    void Progress(ProgressStage stage, uint8_t percent, bool redraw, const platform::Rect& rect,
                  Message message) const;
    using platform::Graphic::Changed;

    // The picture's palette: the bitmap's, its own, the web palette when
    // dithering, one made from the global table, else frame 0's.
    platform::Palette GetPalette();
    void SetPalette(const platform::Palette& palette);
    bool PaletteModified() const { return palette_modified_; }
    void SetPaletteModified(bool modified) { palette_modified_ = modified; }
    // True when frames are rendered dithered to the web palette.
    bool GetDoDither() const;
    // The picture as a bitmap of the logical screen's size, made on the first
    // request and kept until a change: a copy of frame 0's bitmap when frame
    // 0 has the screen's size, else frame 0 drawn opaque at its place on a
    // white 24-bit bitmap. None for a picture without frames, or when a
    // progress handler aborted the rendering. While a painter plays the
    // picture into its buffer, the buffer as it shows now.
    const platform::Bitmap* GetBitmap() const;
    // Tells the painter of Draw to stop, and drops the bitmap.
    void FreeBitmap();
    // The bitmap as the buffer of an animation: a 32-bit bitmap of the
    // logical screen's size, made when there is none.
    const platform::Bitmap& GetBuffer() const;

    // ---- Painters (gif_painter.cpp). In the user-interface thread only, as
    // everything of the picture.

    // Every painter now working for this picture, and their lock, which also
    // guards the painters' PainterRef variables.
    platform::ThreadList<std::shared_ptr<TGIFPainter>>& Painters() const { return painters_; }
    // The painter Draw started, none when none plays.
    TGIFPainter* DrawPainter() const { return draw_painter_; }
    // A painter of this picture on `canvas` within `rect`, registered among
    // the Painters; `painter_ref`, when given, refers to it until it ends.
    // None for an empty picture or rectangle. A threaded painter is returned
    // before it runs (Start it), with the priority ThreadPriority; any other
    // runs from now on in the user-interface thread, and none is returned
    // when it has already ended.
    TGIFPainter* StartPainter(TGIFPainter** painter_ref, platform::Canvas& canvas,
                              const platform::Rect& rect, uint16_t options) const;
    // Stops the painter of Draw and waits for it to end, running the
    // painters' calls meanwhile; the bitmap is dropped.
    void StopDrawPainter() const;
    // Stops every painter and waits for them to end, the same way; those
    // still running after a bounded time are left to end by themselves
    // (KillPainter). The bitmap is dropped.
    void StopDraw() const;
    void KillPainter() const;

    // Set while GetPalette runs: a frame without a colour table asks the
    // picture, which may ask frame 0 again.
    bool InGetPalette() const { return in_get_palette_; }

    // The most pixels high the picture will be drawn, its logical screen
    // filling that height (a thumbnail's cell). Frames decoded afterwards keep
    // every k-th row of their indices only, k the largest step that leaves a
    // frame as many rows as its share of that height, so that a huge picture
    // made small takes memory for the rows it shows: for drawing, not for
    // saving. 0, the default, keeps every row.
    int32_t MaxDrawHeight() const { return max_draw_height_; }
    void SetMaxDrawHeight(int32_t height) { max_draw_height_ = height; }

    uint16_t DrawOptions() const { return draw_options_; }
    // Options that switch dithering on or off drop the frames rendered (and
    // the palettes chosen) for the other choice.
    void SetDrawOptions(uint16_t options);
    uint8_t ColorReduction() const { return color_reduction_; }
    void SetColorReduction(uint8_t method) { color_reduction_ = method; }
    int32_t ReductionBits() const { return reduction_bits_; }
    void SetReductionBits(int32_t bits) { reduction_bits_ = bits; }
    uint8_t DitherMode() const { return dither_mode_; }
    void SetDitherMode(uint8_t mode) { dither_mode_ = mode; }
    // 0 LZW, 1 run-length coding.
    uint8_t Compression() const { return compression_; }
    void SetCompression(uint8_t compression) { compression_ = compression; }
    uint8_t ThreadPriority() const { return thread_priority_; }
    void SetThreadPriority(uint8_t priority) { thread_priority_ = priority; }
    int32_t AnimationSpeed() const { return animation_speed_; }
    void SetAnimationSpeed(int32_t percent) { animation_speed_ = percent; }
    platform::Color DrawBackgroundColor() const { return draw_background_color_; }
    void SetDrawBackgroundColor(platform::Color color) { draw_background_color_ = color; }

    WarningEvent OnWarning;
    ProgressEvent OnProgress;
    // Copied into each painter when it is made.
    PainterEvent OnAnimationStart;
    PainterEvent OnBeforeFrame;
    PainterEvent OnAfterFrame;
    PainterEvent OnAnimationLoop;
    PainterEvent OnAnimationEnd;

private:
    // Drops the bitmap (and the buffer's canvas) without stopping anything.
    void DropBitmap() const;
    // StopDrawPainter (the painter of Draw) and StopDraw (every painter).
    void StopPainters(bool every) const;
    // Reads the file from a stream in memory.
    void LoadFromMemory(platform::MemoryStream& stream);
    void AssignImage(const TGIFImage& source);
    // The percentage of the caller's stream read while loading, the memory
    // stream standing for its part from `load_offset_` on.
    uint8_t LoadedPercent(const platform::Stream& stream) const;

    TGIFHeader header_;
    TGIFImageList images_;
    platform::Palette palette_;
    bool in_get_palette_ = false;
    bool palette_modified_ = false;
    // Set while Draw runs, so that a handler called meanwhile that draws the
    // picture again returns at once.
    mutable bool drawing_ = false;
    // Frame 0 as a bitmap, and the palette it was made with: a cache; or
    // the buffer of an animation, with the canvas its painter paints on.
    mutable std::shared_ptr<platform::Bitmap> bitmap_;
    mutable platform::Palette bitmap_palette_;
    mutable std::unique_ptr<platform::Canvas> buffer_canvas_;
    // Drawing's own state: drawing does not change the picture.
    mutable platform::ThreadList<std::shared_ptr<TGIFPainter>> painters_;
    mutable TGIFPainter* draw_painter_ = nullptr;
    int32_t max_draw_height_ = 0;
    uint16_t draw_options_ = kDefaultDrawOptions;
    uint8_t color_reduction_ = 6;
    int32_t reduction_bits_ = 8;
    uint8_t dither_mode_ = 0;
    uint8_t compression_ = 0;
    uint8_t thread_priority_ = 3;
    int32_t animation_speed_ = 100;
    platform::Color draw_background_color_ = kColorNone;
    int64_t load_offset_ = 0;
    platform::IndexBudget index_budget_;

    friend class TGIFImageList;
};

}  // namespace gif
