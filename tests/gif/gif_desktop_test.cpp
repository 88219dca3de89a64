// The GIF picture on the desktop: copied to the clipboard it goes both as an
// image and as its own file, and a rendering called off that reaches the
// application's handler shows nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "gif/dib.h"
#include "gif/gif_image.h"
#include "gif_test_support.h"
#include "platform/core/error.h"
#include "platform/graphics/bitmap.h"
#include "platform/ui/application.h"
#include "platform/ui/shell.h"
#include "scripted_dialogs.h"
#include "test_support.h"

namespace gif {
namespace {

using gif_testing::Load;
using gif_testing::Loaded;

TEST(GifClipboard, CarriesTheImageAndTheGifFile) {
    Loaded original =
        Load(gif_testing::SuiteFile("animated_transparent_loop_frames_out_of_bounds"));
    QApplication::clipboard()->clear();
    platform::ui::CopyToClipboard(*original.image);

    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->hasImage());
    const QImage image = qvariant_cast<QImage>(data->imageData());
    EXPECT_EQ(image.size(), QSize(original.image->Width(), original.image->Height()));

    ASSERT_TRUE(data->hasFormat("image/gif"));
    const QByteArray file = data->data("image/gif");
    TGIFImage pasted;
    pasted.LoadFromClipboardFormat("image/gif",
                                   std::span(reinterpret_cast<const uint8_t*>(file.constData()),
                                             static_cast<size_t>(file.size())));
    EXPECT_EQ(gif_testing::Save(pasted), gif_testing::Save(*original.image));

    // A picture of another class goes as an image alone.
    platform::Bitmap bitmap(3, 2);
    platform::ui::CopyToClipboard(bitmap);
    EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasImage());
    EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasFormat("image/gif"));
}

class SilentAbort : public testing_support::ScriptedTest {};

TEST_F(SilentAbort, TheDefaultHandlerShowsNoCalledOffOperation) {
    platform::ui::Application& app = platform::ui::Application::Current();
    app.Guard([] { throw platform::Abort(); });
    EXPECT_TRUE(dialogues->errors.empty());
    app.Guard([] { throw std::runtime_error("réel"); });
    EXPECT_EQ(dialogues->errors, std::vector<std::string>{"réel"});
}

TEST_F(SilentAbort, EveryFailureToAllocateIsShownInFrench) {
    platform::ui::Application& app = platform::ui::Application::Current();
    // The codec's own text stays its own; the user reads the system's.
    app.Guard([] {
        platform::Bitmap bitmap;
        TDIBWriter huge(bitmap, platform::PixelFormat::Bit24, 60000, 60000, platform::Palette());
        huge.GetScanline(0);
    });
    app.Guard([] { throw std::bad_alloc(); });
    EXPECT_EQ(dialogues->errors,
              (std::vector<std::string>{"Mémoire insuffisante", "Mémoire insuffisante"}));
}

}  // namespace
}  // namespace gif
