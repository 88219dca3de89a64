// Entry of the widget tests: one QApplication and one application object for
// the whole run, on Qt's offscreen platform unless a display is asked for.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qt(argc, argv);
    platform::RegisterStandardFormats();
    platform::ui::Application app(qt);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
