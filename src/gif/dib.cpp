#include "gif/dib.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

#include "gif/gif_error.h"
#include "platform/core/error.h"

namespace gif {

namespace {

[[noreturn]] void RaiseDibAllocation() {
    throw platform::Error(platform::ErrorKind::OutOfMemory,
                          std::string(Text(Message::DibAllocationFailed)));
}

// Runs an allocating step, reporting a failure as the codec's own.
template <typename F>
void Allocating(F&& step) {
    try {
        step();
    } catch (const std::bad_alloc&) {
        RaiseDibAllocation();
    } catch (const platform::Error& e) {
        if (e.Kind() == platform::ErrorKind::OutOfMemory) RaiseDibAllocation();
        throw;
    }
}

}  // namespace

TDIBReader::TDIBReader(const platform::Bitmap& bitmap, platform::PixelFormat format)
    : format_(format), rows_(&bitmap) {
    if (format == platform::PixelFormat::Custom) platform::RaiseInvalidBitmap();
    if (format == platform::PixelFormat::Device) format_ = platform::PixelFormat::Bit24;
    if (bitmap.Format() == format_) return;
    if (format_ == platform::PixelFormat::Bit24) {
        row_.assign(3 * static_cast<size_t>(bitmap.Width()), 0);
        return;
    }
    converted_ = std::make_unique<platform::Bitmap>();
    converted_->Assign(bitmap);
    converted_->SetPixelFormat(format_);
    rows_ = converted_.get();
}

const uint8_t* TDIBReader::GetScanline(int32_t row) const {
    if (rows_->Format() == format_) return rows_->ScanLine(row);
    rows_->ReadBgr(row, 0, rows_->Width(), row_.data());
    return row_.data();
}

TDIBWriter::TDIBWriter(platform::Bitmap& bitmap, platform::PixelFormat format, int32_t width,
                       int32_t height, platform::Palette palette)
    : bitmap_(bitmap),
      format_(format),
      width_(width),
      height_(height),
      palette_(std::move(palette)) {
    if (format != platform::PixelFormat::Bit8 && format != platform::PixelFormat::Bit24) {
        Error(Message::UnsupportedPixelFormat);
    }
    if (width < 1 || height < 1) Error(Message::InvalidImageDimensions);
}

void TDIBWriter::CreateDIB() {
    Allocating([this] { dib_ = std::make_unique<platform::Bitmap>(width_, height_, format_); });
    if (format_ != platform::PixelFormat::Bit8) return;
    std::vector<platform::RGBQuad> table(256);
    const auto& entries = palette_.Entries();
    const size_t used = std::min<size_t>(entries.size(), table.size());
    for (size_t i = 0; i < used; ++i) {
        table[i] = platform::RGBQuad{entries[i].Blue, entries[i].Green, entries[i].Red, 0};
    }
    dib_->SetColorTable(std::move(table));
}

uint8_t* TDIBWriter::GetScanline(int32_t row) {
    if (updated_) Error(Message::ImageHasNoDib);
    if (!dib_) CreateDIB();
    return dib_->ScanLine(row);
}

void TDIBWriter::UpdateBitmap() {
    updated_ = true;
    if (!dib_) return;
    // Moved, not copied: the rows are never held twice.
    bitmap_.Assign(std::move(*dib_));
    dib_.reset();
}

}  // namespace gif
