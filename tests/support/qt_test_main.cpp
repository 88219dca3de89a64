// Entry of the widget tests: one QApplication and one application object for
// the whole run, on Qt's offscreen platform unless a display is asked for.
// The settings file and the trash live in a scratch folder of the run, never
// in the user's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <string>

#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"
#include "test_support.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", VISU_TEST_PLATFORM, 0);
    const testing_support::TempDir home;
    for (const char* dossier : {"config", "data"}) testing_support::MakeDirs(home / dossier);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    QApplication qt(argc, argv);
    platform::RegisterStandardFormats();
    platform::ui::Application app(qt);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
