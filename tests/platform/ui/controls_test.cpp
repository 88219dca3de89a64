#include "platform/ui/controls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <stdexcept>

#include "platform/ui/form.h"
#include "scripted_dialogs.h"

namespace platform::ui {
namespace {

using Controles = testing_support::ScriptedTest;

TEST_F(Controles, ACheckBoxClickFiresWhenCodeChangesItAndItsExceptionIsShown) {
    CheckBox boite(nullptr, "boite", "Boîte");
    int clics = 0;
    boite.OnClick = [&](CheckBox&) { ++clics; };
    boite.SetChecked(true);
    boite.SetChecked(true);
    boite.SetChecked(false);
    EXPECT_EQ(clics, 2);

    boite.OnClick = [](CheckBox&) { throw std::runtime_error("Erreur JPEG #53"); };
    boite.SetChecked(true);
    EXPECT_EQ(dialogues->errors, std::vector<std::string>{"Erreur JPEG #53"});
}

TEST_F(Controles, ATrackBarRefusesAMaximumBelowItsMinimum) {
    TrackBar barre(nullptr, "barre", 1, 1, 1);
    int changements = 0;
    barre.OnChange = [&](TrackBar&) { ++changements; };
    barre.SetMax(0);
    EXPECT_EQ(barre.Min(), 1);
    EXPECT_EQ(barre.Max(), 1);
    barre.SetMax(10);
    barre.SetPosition(12);
    EXPECT_EQ(barre.Position(), 10);
    barre.SetMax(4);
    EXPECT_EQ(barre.Position(), 4);
    EXPECT_EQ(changements, 2);
}

TEST_F(Controles, KeyPreviewSeesTheKeyAndLeavesItToTheFocusedControl) {
    Form fiche(Application::Current(), "Fiche");
    auto* saisie = new QLineEdit(&fiche);
    fiche.show();
    QApplication::setActiveWindow(&fiche);
    saisie->setFocus();
    std::vector<int> vues;
    fiche.OnKeyDown = [&](Form&, int touche, Qt::KeyboardModifiers) { vues.push_back(touche); };
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QCoreApplication::sendEvent(saisie, &a);
    EXPECT_TRUE(vues.empty()) << "without key preview the form sees nothing";
    fiche.SetKeyPreview(true);
    QCoreApplication::sendEvent(saisie, &a);
    // Escape is ignored by the edit and travels up to the form: still seen once.
    QKeyEvent echap(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(saisie, &echap);
    EXPECT_EQ(vues, (std::vector<int>{Qt::Key_A, Qt::Key_Escape}));
    EXPECT_EQ(saisie->text().toStdString(), "aa");
}

TEST_F(Controles, ARefusedCloseKeepsTheFormOpenAndFormsAreListedInTheirOrder) {
    Form fiche(Application::Current(), "Fiche");
    fiche.show();
    fiche.OnClose = [](Form&, CloseAction& action) { action = CloseAction::None; };
    EXPECT_FALSE(fiche.close());
    EXPECT_TRUE(fiche.isVisible());
    fiche.OnClose = nullptr;
    EXPECT_TRUE(fiche.close());

    const size_t avant = Application::Current().Forms().size();
    {
        Form seconde(Application::Current(), "Seconde");
        const auto& fiches = Application::Current().Forms();
        ASSERT_EQ(fiches.size(), avant + 1);
        EXPECT_EQ(fiches[avant - 1]->Name(), "Fiche");
        EXPECT_EQ(fiches[avant]->Name(), "Seconde");
    }
    EXPECT_EQ(Application::Current().Forms().size(), avant);
}

TEST_F(Controles, ALongTextEndsInAnEllipsisWithinItsLabelAndWholeInItsHint) {
    QWidget parent;
    auto* label = new ElidedLabel(&parent, "LabelVitesse", "Vitesse");
    label->setGeometry(0, 0, 60, 20);
    parent.show();
    const std::string vitesse = "1543209/10000000 sec";
    label->SetText(vitesse);
    EXPECT_EQ(label->Text(), vitesse);
    const QString montre = label->text();
    EXPECT_TRUE(montre.endsWith(QChar(0x2026))) << montre.toStdString();
    EXPECT_TRUE(QString::fromStdString(vitesse).startsWith(montre.chopped(1)));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(montre), label->contentsRect().width());
    EXPECT_EQ(label->toolTip().toStdString(), "Vitesse\n" + vitesse);

    // Wide enough, the whole text and the hint alone; narrower again, cut again.
    label->resize(400, 20);
    EXPECT_EQ(label->text().toStdString(), vitesse);
    EXPECT_EQ(label->toolTip().toStdString(), "Vitesse");
    label->resize(60, 20);
    EXPECT_EQ(label->text(), montre);
    label->SetText("1/60");
    EXPECT_EQ(label->text().toStdString(), "1/60");
    EXPECT_EQ(label->toolTip().toStdString(), "Vitesse");

    // Text read from a file is shown as it stands, on one line.
    label->resize(400, 20);
    label->SetText("<b>Canon</b>\nEOS");
    EXPECT_EQ(label->text().toStdString(), "<b>Canon</b> EOS");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    label->SetText("");
    EXPECT_TRUE(label->text().isEmpty());
}

TEST_F(Controles, AWindowFirstShownOffTheScreenComesOntoItWithItsFrame) {
    const QRect zone = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QPoint depart : {QPoint(-40, -30), QPoint(zone.right() - 100, zone.bottom() - 50)}) {
        Form fiche(Application::Current(), "Fiche");
        fiche.setGeometry(QRect(depart, QSize(300, 200)));
        fiche.show();
        QApplication::processEvents();
        EXPECT_TRUE(zone.contains(fiche.frameGeometry()))
            << fiche.frameGeometry().x() << "," << fiche.frameGeometry().y();
        EXPECT_EQ(fiche.size(), QSize(300, 200));
        // Only the first appearance: a window the user puts partly off the
        // screen later stays there.
        fiche.hide();
        fiche.setGeometry(QRect(depart, QSize(300, 200)));
        fiche.show();
        QApplication::processEvents();
        EXPECT_FALSE(zone.contains(fiche.frameGeometry()));
    }
}

TEST(Filtres, TheClassLibraryFilterBecomesQts) {
    EXPECT_EQ(QtFilter("Fichiers images JPEG, GIF, BMP|*.jpg;*.gif;*.bmp|Tous|*.*"),
              "Fichiers images JPEG, GIF, BMP (*.jpg *.gif *.bmp);;Tous (*.*)");
    EXPECT_EQ(QtFilter("Texte|*.txt"), "Texte (*.txt)");
}

}  // namespace
}  // namespace platform::ui
