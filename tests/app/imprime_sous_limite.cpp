// Prints a square picture 133 mm wide at 300 dpi at the top left corner of
// the printable area of an A4 page into a PDF file, and writes what the user
// would be told: "imprimé", or the error's message. The printing tests run it
// with the sanitizer's allocations limited through its options.
//
// Usage: imprime_sous_limite PICTURE PDF
#include <QApplication>
#include <QPrinter>
#include <cstdio>
#include <exception>
#include <string>

#include "gif/gif_image.h"
#include "platform/core/error.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"
#include "platform/ui/printing.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PICTURE PDF\n", argv[0]);
        return 2;
    }
    QApplication qt(argc, argv);
    platform::RegisterStandardFormats();
    gif::RegisterGIFImage();
    platform::ui::Application app(qt);
    platform::ui::Report report(app);
    report.Printer().setResolution(300);
    std::string dit = "imprimé";
    try {
        report.Image().picture.LoadFromFile(argv[1]);
        const int marge = 10 * 300 * 10 / 254;
        const int cote = 133 * 300 * 10 / 254;
        report.Image().bounds = QRect(marge, marge, cote, cote);
        report.PrintToPdf(argv[2], nullptr);
    } catch (const std::exception& erreur) {
        dit = platform::UserMessage(erreur);
    }
    std::printf("%s\n", dit.c_str());
    return 0;
}
