// GIF files in the viewer: listed with the folder's other pictures, loaded
// through the picture registry and shown, transparent pixels on the display's
// background.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>

#include "fenetre_principale.h"
#include "gif/gif_image.h"
#include "platform/ui/image.h"

namespace app {
namespace {

using testing_support::ShellQuote;

class VisionneuseGif : public FenetrePrincipale {
protected:
    void SetUp() override {
        FenetrePrincipale::SetUp();
        gif::RegisterGIFImage();
    }

    // The colour the display shows at a share of the picture's width and
    // height.
    QColor Montre(double x, double y) {
        platform::ui::Image& image = fenetre->Korvel1->ImageInterne();
        const QRect place = image.DestRect();
        const QImage vu = image.grab().toImage();
        return vu.pixelColor(place.left() + static_cast<int>(x * place.width()),
                             place.top() + static_cast<int>(y * place.height()));
    }
};

TEST_F(VisionneuseGif, AFolderGifIsListedLoadedAndShownTransparentOnTheBackground) {
    REQUIRE_PROGRAM("convert");
    Image("a.bmp", 10);
    // Red on the left, blue on the right, the lower half transparent;
    // interlaced, as many files on the web are.
    const std::string gif = dossier / "b.gif";
    ASSERT_EQ(testing_support::Run(
                  "convert -size 20x10 xc:red -size 20x10 xc:blue +append -size 40x10 xc:none "
                  "-append -interlace GIF " +
                  ShellQuote(gif)),
              0);
    Ouvre({gif});
    EXPECT_EQ(fenetre->DefileImage().FListe.Count(), 2);
    EXPECT_EQ(Num(), 2);
    EXPECT_EQ(fenetre->Caption(), gif);
    EXPECT_EQ(fenetre->LabelDim->text().toStdString(), "40x20");
    EXPECT_NE(dynamic_cast<gif::TGIFImage*>(fenetre->Korvel1->GetPicture().GetGraphic()), nullptr);

    EXPECT_EQ(Montre(0.25, 0.25), QColor(Qt::red));
    EXPECT_EQ(Montre(0.75, 0.25), QColor(Qt::blue));
    EXPECT_EQ(Montre(0.5, 0.75), QColor(Qt::black));
}

}  // namespace
}  // namespace app
