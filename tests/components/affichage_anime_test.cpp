// The display showing an animated GIF picture: it plays through the
// picture's own drawing while it is shown, goes with the picture, plays on
// while the picture is saved, turned it plays again, and the copies the
// display makes of it (a selection) take frame 0. Run also under ThreadSanitizer by its own stage
// of scripts/test.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "boucle_qt.h"
#include "components/image_brenlow.h"
#include "gif/extensions.h"
#include "gif/gif_image.h"
#include "gif/gif_painter.h"
#include "gif_test_support.h"
#include "platform/graphics/bitmap.h"
#include "test_support.h"

namespace components {
namespace {

using namespace std::chrono_literals;
using testing_support::RunFor;
using testing_support::RunUntil;

const std::vector<platform::Color> kTable = {
    platform::MakeColor(255, 0, 0), platform::MakeColor(0, 255, 0), platform::MakeColor(0, 0, 255),
    platform::MakeColor(9, 9, 9)};

// Frames of 40 x 30 pixels of red, green and blue, each waiting `delay`
// hundredths; a loop extension of `loops` when given.
std::unique_ptr<gif::TGIFImage> Animation(int frames, uint16_t delay,
                                          std::optional<uint16_t> loops = std::nullopt) {
    auto image = std::make_unique<gif::TGIFImage>();
    for (int i = 0; i < frames; ++i) {
        gif::TGIFSubImage& frame = gif_testing::AddFrame(
            *image, 0, 0, 40, 30, kTable,
            [i](int32_t, int32_t) { return static_cast<uint8_t>(i % 3); }, uint8_t{3});
        frame.GraphicControlExtension()->SetDelay(delay);
        if (i == 0 && loops) {
            auto loop = std::make_unique<gif::TGIFAppExtNSLoop>(frame);
            loop->Loops = *loops;
            frame.Extensions().Add(std::move(loop));
        }
    }
    return image;
}

char Letter(QRgb p) {
    return p == qRgb(255, 0, 0)   ? 'R'
           : p == qRgb(0, 255, 0) ? 'G'
           : p == qRgb(0, 0, 255) ? 'B'
                                  : '?';
}

class AffichageAnime : public testing::Test {
protected:
    void SetUp() override {
        gif::RegisterGIFImage();
        Animation(3, 2, uint16_t{0})->SaveToFile(dossier / "anime.gif");
        Animation(1, 0)->SaveToFile(dossier / "fixe.gif");
        affichage.SetStretch(true);
        affichage.SetGardeProportion(true);
        affichage.resize(400, 300);
        affichage.show();
        affichage.Loaded();
    }

    gif::TGIFImage* Montree() const {
        return dynamic_cast<gif::TGIFImage*>(affichage.GetPicture().GetGraphic());
    }
    // The colour at the centre of the picture on the screen.
    char AuCentre() const {
        platform::ui::Image& image = affichage.ImageInterne();
        return Letter(image.grab().toImage().pixel(image.width() / 2, image.height() / 2));
    }
    // The frames seen at the centre within `time`.
    std::set<char> Vues(std::chrono::milliseconds time) const {
        std::set<char> vues;
        RunUntil([&, end = std::chrono::steady_clock::now() + time] {
            vues.insert(AuCentre());
            return std::chrono::steady_clock::now() >= end;
        });
        return vues;
    }

    // Whether it plays: two frames seen at the centre, however long a busy
    // machine takes to show them, within the event loop's guard.
    bool Joue() const {
        std::set<char> vues;
        return RunUntil([&] {
            if (const char vue = AuCentre(); vue != '?') vues.insert(vue);
            return vues.size() >= 2;
        });
    }

    testing_support::TempDir dossier;
    TImageBrenlow affichage{nullptr, "Affichage"};
};

TEST_F(AffichageAnime, ThePictureShownPlaysThroughItsOwnDrawingAndGoesWithIt) {
    affichage.ChargeFichier(dossier / "anime.gif");
    ASSERT_NE(Montree(), nullptr);
    ASSERT_TRUE(RunUntil([&] { return Montree()->DrawPainter() != nullptr; }));
    EXPECT_TRUE(Joue());

    // A still picture: no painter, and the old one's frames stop coming.
    affichage.ChargeFichier(dossier / "fixe.gif");
    EXPECT_EQ(Montree()->DrawPainter(), nullptr);
    EXPECT_EQ(Vues(150ms), std::set<char>{'R'});

    // Cleared while it plays, then loaded again.
    affichage.ChargeFichier(dossier / "anime.gif");
    ASSERT_TRUE(RunUntil([&] { return Montree()->DrawPainter() != nullptr; }));
    affichage.GetPicture().Assign(nullptr);
    RunFor(100ms);
    affichage.ChargeFichier(dossier / "anime.gif");
    ASSERT_TRUE(RunUntil([&] { return Montree()->DrawPainter() != nullptr; }));

    // Turned, it is the picture turned, which plays in its turn.
    affichage.Rotation(90);
    ASSERT_NE(Montree(), nullptr);
    EXPECT_EQ(Montree()->Width(), 30);
    ASSERT_TRUE(RunUntil([&] { return Montree()->DrawPainter() != nullptr; }));
    EXPECT_TRUE(Joue());
}

TEST_F(AffichageAnime, SavingPlaysOnAndTheSelectionTakesFrameZero) {
    affichage.ChargeFichier(dossier / "anime.gif");
    ASSERT_TRUE(
        RunUntil([&] { return Montree() != nullptr && Montree()->DrawPainter() != nullptr; }));
    const gif::TGIFPainter* const painter = Montree()->DrawPainter();
    // A frame other than the first on the screen.
    ASSERT_TRUE(RunUntil([&] { return AuCentre() == 'G'; }));

    // Written frame for frame while it plays, without stopping it.
    affichage.EnregistreSous(dossier / "copie.gif");
    EXPECT_EQ(Montree()->DrawPainter(), painter);
    gif::TGIFImage copie;
    copie.LoadFromFile(dossier / "copie.gif");
    EXPECT_EQ(copie.Images().Count(), 3);
    EXPECT_TRUE(Joue());

    // A selection is drawn on a bitmap, not on a screen: frame 0, red, while
    // the screen shows green.
    platform::ui::Image resultat(nullptr, "Resultat");
    affichage.SetSaisieRectangle(true);
    affichage.SetImageResultatSaisiRectangle(&resultat);
    ASSERT_TRUE(RunUntil([&] { return AuCentre() == 'G'; }));
    QWidget& image = affichage.ImageInterne();
    const auto souris = [&](QEvent::Type type, QPoint position, Qt::MouseButton bouton,
                            Qt::MouseButtons boutons) {
        QMouseEvent event(type, QPointF(position), image.mapToGlobal(QPointF(position)), bouton,
                          boutons, Qt::NoModifier);
        QCoreApplication::sendEvent(&image, &event);
    };
    souris(QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    souris(QEvent::MouseMove, QPoint(60, 50), Qt::NoButton, Qt::LeftButton);
    souris(QEvent::MouseButtonRelease, QPoint(60, 50), Qt::LeftButton, Qt::NoButton);
    platform::Bitmap selection;
    ASSERT_NE(resultat.GetPicture().GetGraphic(), nullptr);
    selection.Assign(*resultat.GetPicture().GetGraphic());
    ASSERT_FALSE(selection.Empty());
    uint8_t bgr[3];
    selection.ReadBgr(0, 0, 1, bgr);
    EXPECT_EQ(platform::MakeColor(bgr[2], bgr[1], bgr[0]), platform::MakeColor(255, 0, 0));
}

}  // namespace
}  // namespace components
