// Program start: the picture formats, the application object, the windows in
// their order of creation, then the event loop until the main window closes.
#include <QApplication>
#include <QLocale>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/core/text.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"

int main(int argc, char* argv[]) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName("Visualisateur de diapos");
    platform::SetDecimalSeparator(QLocale().decimalPoint().at(0).toLatin1());
    platform::RegisterStandardFormats();

    platform::ui::Application app(qt);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);

    auto* form1 = platform::ui::CreateForm<app::TForm1>(app, std::move(arguments));
    form1->show();
    const int result = app.Run();
    // The other windows go without being closed.
    for (platform::ui::Form* form : std::vector<platform::ui::Form*>(app.Forms())) delete form;
    return result;
}
