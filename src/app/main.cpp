// Program start: the picture formats, the application object, the windows in
// their order of creation, then the event loop until the main window closes.
#include <QApplication>
#include <QLocale>
#include <QScreen>
#include <string>
#include <vector>

#include "app/fiches.h"
#include "app/form1.h"
#include "gif/gif_image.h"
#include "platform/core/text.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"

int main(int argc, char* argv[]) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName("Visualisateur de diapos");
    // Numbers are written the user's way, though the application speaks French.
    platform::SetDecimalSeparator(QLocale::system().decimalPoint().at(0).toLatin1());
    platform::RegisterStandardFormats();
    gif::RegisterGIFImage();
    // GIF frames are dithered to the web palette only on a palette display.
    const QScreen* screen = QGuiApplication::primaryScreen();
    gif::SetAutoDither(screen != nullptr && screen->depth() <= 8);

    platform::ui::Application app(qt);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);

    app::Fiches fiches;
    app::CreeFiches(app, fiches, std::move(arguments));
    fiches.Form1->show();
    const int result = app.Run();
    // The other windows go without being closed.
    for (platform::ui::Form* form : std::vector<platform::ui::Form*>(app.Forms())) delete form;
    gif::UnregisterGIFImage();
    return result;
}
