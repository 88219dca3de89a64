#include "platform/ui/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace platform::ui {
namespace {

// Runs `action` on the message box once it is up.
void DansLaBoite(const std::function<void(QMessageBox&)>& action) {
    QTimer::singleShot(0, [action] {
        auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        EXPECT_NE(boite, nullptr);
        if (boite != nullptr) action(*boite);
    });
}

void Appuie(QMessageBox& boite, int touche) {
    QKeyEvent appui(QEvent::KeyPress, touche, Qt::NoModifier);
    QCoreApplication::sendEvent(&boite, &appui);
}

// The real box: Enter presses the default button, Escape always answers
// "Non"; the buttons carry their French captions.
TEST(QuestionOuiNon, EnterTakesTheDefaultAnswerAndEscapeSaysNo) {
    QtDialogs dialogues;
    std::string boutons;
    DansLaBoite([&](QMessageBox& boite) {
        for (const QAbstractButton* bouton : boite.buttons()) {
            boutons += bouton->text().toStdString() + "|";
        }
        const QPushButton* defaut = boite.defaultButton();
        EXPECT_EQ(defaut != nullptr ? defaut->text().toStdString() : "(none)", "Non");
        Appuie(boite, Qt::Key_Return);
    });
    EXPECT_FALSE(dialogues.AskYesNo("L'écraser ?", DefaultAnswer::No));
    EXPECT_EQ(boutons, "Oui|Non|");

    DansLaBoite([](QMessageBox& boite) { Appuie(boite, Qt::Key_Return); });
    EXPECT_TRUE(dialogues.AskYesNo("Continuer ?", DefaultAnswer::Yes));

    DansLaBoite([](QMessageBox& boite) { Appuie(boite, Qt::Key_Escape); });
    EXPECT_FALSE(dialogues.AskYesNo("Continuer ?", DefaultAnswer::Yes));
}

}  // namespace
}  // namespace platform::ui
