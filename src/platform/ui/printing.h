// The report: one page carrying one picture, previewed in a window and
// printed on a printer or into a PDF file. Its page values are read in
// millimetres; the picture is placed in the printing device's own units and
// drawn from the picture's own pixels straight onto the device, never through
// a copy at the screen's resolution.
#pragma once

#include <QRect>
#include <functional>
#include <memory>
#include <string>

#include "platform/graphics/graphic.h"
#include "platform/ui/page.h"

class QPagedPaintDevice;
class QPrinter;
class QWidget;

namespace platform::ui {

class Application;

// The picture a report prints, stretched into its bounds: device units from
// the page's top left corner. Empty bounds print nothing.
struct ReportImage {
    Picture picture;
    QRect bounds;
};

class Report final {
public:
    // An A4 page in portrait, with margins of 10 mm.
    explicit Report(Application& app);
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    ReportImage& Image() { return image_; }
    const ReportImage& Image() const { return image_; }

    PageOrientation Orientation() const;
    void SetOrientation(PageOrientation orientation);
    PageValues Page() const;
    // The device units per inch of every rendering of the report.
    int Resolution() const;
    // The printer the report prints on and previews for.
    QPrinter& Printer() { return *printer_; }

    // Runs before every rendering, in the user-interface thread, the page
    // then standing as the user left it (the preview can change the paper and
    // its orientation): where the picture is laid out.
    std::function<void(Report&)> BeforePrint;
    // Whether the system has a printer to print on (tests drive it).
    std::function<bool()> PrinterInstalled;

    // The preview window, modal, showing the page at 40 %; it can print too.
    void Preview(QWidget* parent);
    // Prints on the printer, the page rendered in a thread of its own while
    // a progress window shows over `parent`. Without a printer, says so and
    // offers to print into a PDF file instead.
    void Print(QWidget* parent);
    // Prints into a PDF file in the same way, written through a temporary
    // file and a rename: a failure leaves a file of that name as it was.
    void PrintToPdf(const std::string& path, QWidget* parent);

private:
    void LayOut();
    // Paints the laid out page; false when the device could not finish it.
    bool Render(QPagedPaintDevice& device);
    void WritePdf(const std::string& path);

    Application& app_;
    std::unique_ptr<QPrinter> printer_;
    ReportImage image_;
};

}  // namespace platform::ui
