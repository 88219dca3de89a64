#include "platform/ui/printing.h"

#include <QIODevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <exception>

#include "platform/core/error.h"
#include "platform/core/files.h"
#include "platform/core/stream.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/jpeg_image.h"
#include "platform/ui/application.h"
#include "platform/ui/image.h"
#include "platform/ui/print_progress.h"

namespace platform::ui {

namespace {

constexpr double kMarginMm = 10;
constexpr double kPreviewZoom = 0.4;

// The picture's pixels for a drawing of `width` x `height` device units,
// never more pixels than the device draws nor than the picture has. A JPEG
// file is decoded apart from the one on screen (whose decodings stay as they
// are), at the coarsest of the codec's scales that still gives every device
// unit a pixel; other pictures are drawn on white paper straight at that size
// (a big GIF from its indices, with no copy at its own size).
QImage PixelsFor(const Graphic& graphic, int width, int height) {
    const auto* jpeg = dynamic_cast<const JpegImage*>(&graphic);
    if (jpeg != nullptr && !jpeg->CompressedData().empty()) {
        auto copy = std::make_shared<JpegImage>();
        MemoryStream bytes = MemoryStream::View(jpeg->CompressedData());
        copy->LoadFromStream(bytes);
        copy->SetScale(copy->CoveringScale(width, height));
        const Bitmap& pixels = copy->GetBitmap();
        return WrapBitmap(pixels, std::move(copy));
    }
    const int32_t drawn_width = std::min(width, graphic.Width());
    const int32_t drawn_height = std::min(height, graphic.Height());
    auto owner = std::make_shared<Bitmap>(drawn_width, drawn_height);
    Bitmap& pixels = *owner;
    pixels.Fill(MakeColor(255, 255, 255));
    Canvas canvas(pixels);
    graphic.Draw(canvas, {0, 0, drawn_width, drawn_height});
    return WrapBitmap(pixels, std::move(owner));
}

// The pixels in the one format the printing devices take as it is: given
// another, Qt makes a copy of the whole picture itself, and when that copy
// does not fit in memory it prints nothing and says nothing.
QImage DeviceReady(const QImage& pixels) {
    QImage ready = pixels.convertToFormat(QImage::Format_RGB32);
    if (ready.isNull()) RaiseOutOfMemory();
    return ready;
}

// A device that hands what Qt writes to one of our streams. A failure of the
// stream is kept, not thrown through Qt, and raised once Qt is done.
class StreamDevice final : public QIODevice {
public:
    explicit StreamDevice(Stream& stream) : stream_(stream) { open(QIODevice::WriteOnly); }

    void RaiseFailure() const {
        if (failure_) std::rethrow_exception(failure_);
    }

protected:
    qint64 readData(char* /*data*/, qint64 /*size*/) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (failure_) return -1;
        try {
            stream_.WriteBuffer(data, static_cast<size_t>(size));
        } catch (...) {
            failure_ = std::current_exception();
            return -1;
        }
        return size;
    }

private:
    Stream& stream_;
    std::exception_ptr failure_;
};

[[noreturn]] void RaiseUnfinished() {
    throw Error(ErrorKind::Message, "L'impression n'a pas pu se terminer.");
}

}  // namespace

Report::Report(Application& app)
    : PrinterInstalled([] { return !QPrinterInfo::availablePrinterNames().isEmpty(); }),
      app_(app),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    printer_->setColorMode(QPrinter::Color);
    printer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                        QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                        QPageLayout::Millimeter));
}

Report::~Report() = default;

PageOrientation Report::Orientation() const {
    return printer_->pageLayout().orientation() == QPageLayout::Landscape
               ? PageOrientation::Landscape
               : PageOrientation::Portrait;
}

void Report::SetOrientation(PageOrientation orientation) {
    printer_->setPageOrientation(orientation == PageOrientation::Landscape ? QPageLayout::Landscape
                                                                           : QPageLayout::Portrait);
}

PageValues Report::Page() const {
    const QPageLayout layout = printer_->pageLayout();
    const QRectF page = layout.fullRect(QPageLayout::Millimeter);
    const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
    return {page.width(),     page.height(),  margins.top(),
            margins.bottom(), margins.left(), margins.right()};
}

int Report::Resolution() const {
    return printer_->resolution();
}

void Report::LayOut() {
    if (BeforePrint) BeforePrint(*this);
}

bool Report::Render(QPagedPaintDevice& device) {
    QImage pixels;
    const Graphic* graphic = image_.picture.GetGraphic();
    const bool drawn = graphic != nullptr && !graphic->Empty() && !image_.bounds.isEmpty();
    if (drawn) {
        pixels = DeviceReady(PixelsFor(*graphic, image_.bounds.width(), image_.bounds.height()));
    }
    QPainter painter;
    if (!painter.begin(&device)) {
        throw Error(ErrorKind::Message, "L'impression n'a pas pu commencer.");
    }
    // The painter starts at the printable area's corner; the layout counts
    // from the page's.
    painter.translate(-device.pageLayout().paintRectPixels(Resolution()).topLeft());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (drawn) painter.drawImage(QRectF(image_.bounds), pixels);
    return painter.end();
}

void Report::Preview(QWidget* parent) {
    QPrintPreviewDialog dialog(printer_.get(), parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this](QPrinter* printer) {
                         app_.Guard([&] {
                             LayOut();
                             Render(*printer);
                         });
                     });
    if (auto* page = dialog.findChild<QPrintPreviewWidget*>()) page->setZoomFactor(kPreviewZoom);
    dialog.exec();
}

void Report::Print(QWidget* parent) {
    if (PrinterInstalled()) {
        LayOut();
        RenderWithProgress(parent, [this] {
            if (!Render(*printer_)) RaiseUnfinished();
        });
        return;
    }
    Dialogs& dialogs = app_.GetDialogs();
    dialogs.ShowMessage(
        "Aucune imprimante n'est installée. Vous pouvez prévisualiser l'image ou l'imprimer "
        "dans un fichier PDF.");
    SaveFileRequest request;
    request.title = "Imprimer dans un fichier PDF";
    request.filter = "Fichier PDF (*.pdf)|*.pdf";
    request.default_extension = "pdf";
    if (const std::optional<std::string> path = dialogs.SaveFile(request)) {
        PrintToPdf(*path, parent);
    }
}

void Report::PrintToPdf(const std::string& path, QWidget* parent) {
    LayOut();
    RenderWithProgress(parent, [&] { WritePdf(path); });
}

void Report::WritePdf(const std::string& path) {
    WriteFileAtomic(path, [this](Stream& stream) {
        StreamDevice device(stream);
        bool finished = false;
        {
            QPdfWriter writer(&device);
            writer.setResolution(Resolution());
            writer.setPageLayout(printer_->pageLayout());
            finished = Render(writer);
        }
        device.RaiseFailure();
        if (!finished) RaiseUnfinished();
    });
}

}  // namespace platform::ui
