// Qt's own dialogs as the windows get them: French, the filters' labels as
// written, a name of no file accepted when the window asks for that, the
// Yes/No question's default answer, and boxes as wide as their captions.
#include "platform/ui/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <functional>
#include <utility>

#include "platform/core/error.h"
#include "platform/ui/application.h"
#include "platform/ui/form.h"
#include "test_support.h"

namespace platform::ui {
namespace {

using namespace testing_support;

// What a file dialog showed when it came up.
struct Vu {
    QStringList filters;
    QString file_name;
    QString file_name_label;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
};

// Runs `show`, reads the dialog once it is up, then lets `answer` close it.
std::pair<std::optional<std::string>, Vu> Montre(
    const std::function<std::optional<std::string>()>& show,
    const std::function<void(QDialog&)>& answer) {
    Vu vu;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        const auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        for (int i = 0; i < types->count(); ++i) vu.filters << types->itemText(i);
        vu.file_name = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        vu.file_name_label = dialog->findChild<QLabel*>("fileNameLabel")->text();
        vu.mode = dialog->fileMode();
        answer(*dialog);
    });
    std::optional<std::string> result = show();
    return {std::move(result), vu};
}

TEST(DialoguesDeFichiers, TheProposedNameOfNoFileIsAcceptedAsItStands) {
    TempDir dossier;
    WriteFile(dossier / "photo.jpg", "picture bytes");
    OpenFileRequest demande;
    demande.filter =
        "Fichiers images JPEG, GIF, BMP|*.jpg;*.gif;*.bmp|Fichier image GIF(*.gif)|*.gif|Tous|*.*";
    demande.initial_dir = dossier.Path();
    demande.file_name = "Facultatif";
    demande.must_exist = false;
    QtDialogs dialogues;
    const auto [choisi, vu] = Montre([&] { return dialogues.OpenFile(demande); }, [](QDialog& d) {
        // A refused name brings up its message box: both go, and the test fails.
        QTimer::singleShot(0, [] {
            if (auto* refus = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                refus->reject();
            }
        });
        d.accept();
        if (d.isVisible()) d.reject();
    });
    EXPECT_EQ(choisi, dossier / "Facultatif");
    EXPECT_EQ(vu.file_name.toStdString(), "Facultatif");
    EXPECT_EQ(vu.filters,
              QStringList({"Fichiers images JPEG, GIF, BMP", "Fichier image GIF(*.gif)", "Tous"}));
    EXPECT_EQ(vu.file_name_label.toStdString(), "&Nom de fichier :");

    // By default only an existing file will do.
    demande.must_exist = true;
    const auto [annule, strict] =
        Montre([&] { return dialogues.OpenFile(demande); }, [](QDialog& d) { d.reject(); });
    EXPECT_EQ(annule, std::nullopt);
    EXPECT_EQ(strict.mode, QFileDialog::ExistingFile);
}

TEST(DialoguesDeFichiers, ANameTypedWithoutExtensionGetsTheDefaultOne) {
    TempDir dossier;
    OpenFileRequest demande;
    demande.default_extension = "html";
    demande.initial_dir = dossier.Path();
    demande.file_name = "album";
    demande.must_exist = false;
    const auto [choisi, vu] =
        Montre([&] { return QtDialogs().OpenFile(demande); }, [](QDialog& d) { d.accept(); });
    EXPECT_EQ(choisi, dossier / "album.html");
}

TEST(DialoguesDeFichiers, TheSaveFilterShowsItsLabelOnce) {
    SaveFileRequest demande;
    demande.filter = "Fichier image JPEG (*.jpg)|*.jpg";
    demande.default_extension = "jpg";
    demande.file_name = "photo.jpg";
    QtDialogs dialogues;
    const auto [choisi, vu] =
        Montre([&] { return dialogues.SaveFile(demande); }, [](QDialog& d) { d.reject(); });
    EXPECT_EQ(choisi, std::nullopt);
    EXPECT_EQ(vu.filters, QStringList({"Fichier image JPEG (*.jpg)"}));
    EXPECT_EQ(vu.file_name.toStdString(), "photo.jpg");
}

TEST(DialoguesDeFichiers, TypesAndDatesAreWrittenInFrench) {
    // The file list names types through the MIME database in the default
    // locale's language, and the dialogs write dates and sizes that way.
    EXPECT_EQ(QMimeDatabase().mimeTypeForName("image/jpeg").comment().toStdString(), "image JPEG");
    EXPECT_EQ(QLocale().toString(QDate(2006, 5, 13), QLocale::ShortFormat).toStdString(),
              "13/05/2006");
    EXPECT_EQ(QLocale().formattedDataSize(128'000).toStdString(), "125,00 Kio");
}

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

// What a box showed, read once it was up.
struct Vue {
    QString titre;
    QSize taille;
    QMessageBox::Icon icone = QMessageBox::NoIcon;
    QStringList boutons;
};

Vue Regarde(const QMessageBox& boite) {
    Vue vue{boite.windowTitle(), boite.size(), boite.icon(), {}};
    for (const QAbstractButton* bouton : boite.buttons()) vue.boutons << bouton->text();
    return vue;
}

// The size Qt gives a box of these texts and buttons by itself: without a
// caption nothing widens it.
QSize TailleSansTitre(const Vue& vue, const QString& texte) {
    QMessageBox boite(vue.icone, QString(), texte);
    for (const QString& bouton : vue.boutons) boite.addButton(bouton, QMessageBox::AcceptRole);
    QSize taille;
    DansLaBoite([&](QMessageBox& b) {
        taille = b.size();
        b.accept();
    });
    boite.exec();
    return taille;
}

// Each box of the service, with a short text and a long one: as wide as the
// window manager needs for the program's caption (the offscreen platform
// frames no window), or as its texts make it when they need more, of the
// height they give it, on the screen, with its icon, buttons and answer to
// Enter as ever.
TEST(Boites, EachBoxIsAsWideAsItsCaptionAndKeepsItsButtons) {
    const QString nom = QApplication::applicationName();
    QApplication::setApplicationName("Visualisateur de diapos");
    const auto remet = qScopeGuard([&] { QApplication::setApplicationName(nom); });
    QtDialogs dialogues;
    struct Genre {
        std::function<bool(const std::string&)> montre;
        QMessageBox::Icon icone;
        QStringList boutons;
        bool entree;
    };
    const auto message = [&](const std::string& t) {
        dialogues.ShowMessage(t);
        return true;
    };
    // The default error handler's box.
    const auto erreur = [](const std::string& t) {
        Application::Current().Guard([&] { throw Error(ErrorKind::Message, t); });
        return true;
    };
    const auto non = [&](const std::string& t) { return dialogues.AskYesNo(t, DefaultAnswer::No); };
    const auto oui = [&](const std::string& t) {
        return dialogues.AskYesNo(t, DefaultAnswer::Yes);
    };
    const std::vector<Genre> genres = {
        {message, QMessageBox::NoIcon, {"OK"}, true},
        {erreur, QMessageBox::Critical, {"OK"}, true},
        {non, QMessageBox::Warning, {"Oui", "Non"}, false},
        {oui, QMessageBox::Warning, {"Oui", "Non"}, true},
    };
    const std::string court = "le fichier a été effacé";
    const std::string long_texte =
        "Aucune imprimante n'est installée. Vous pouvez prévisualiser l'image ou l'imprimer "
        "dans un fichier PDF.";
    for (const Genre& genre : genres) {
        for (const std::string& texte : {court, long_texte}) {
            SCOPED_TRACE(genre.boutons.join("|").toStdString() + ": " + texte);
            Vue vue;
            DansLaBoite([&](QMessageBox& boite) {
                vue = Regarde(boite);
                EXPECT_TRUE(boite.screen()->availableGeometry().contains(boite.frameGeometry()));
                Appuie(boite, Qt::Key_Return);
            });
            EXPECT_EQ(genre.montre(texte), genre.entree);
            EXPECT_EQ(vue.titre.toStdString(), "Visualisateur de diapos");
            EXPECT_EQ(vue.icone, genre.icone);
            EXPECT_EQ(vue.boutons, genre.boutons);

            const int legende = CaptionWidth(vue.titre, QMargins());
            const QSize propre = TailleSansTitre(vue, QString::fromStdString(texte));
            EXPECT_EQ(vue.taille.height(), propre.height());
            if (texte == court) {
                // Qt's own width would cut the caption.
                EXPECT_LT(propre.width(), legende);
                EXPECT_EQ(vue.taille.width(), legende);
            } else {
                EXPECT_GT(propre.width(), legende);
                EXPECT_EQ(vue.taille.width(), propre.width());
            }
        }
    }
}

// Qt's own boxes too, here a file dialog's question before overwriting a file.
TEST(Boites, TheFileDialogsQuestionIsAsWideAsItsCaption) {
    TempDir dossier;
    WriteFile(dossier / "photo.jpg", "picture bytes");
    SaveFileRequest demande;
    demande.title = "Enregistrer sous";
    demande.initial_dir = dossier.Path();
    demande.file_name = "photo.jpg";
    Vue question;
    // Asked on accepting the name, the question is read, then answered "Non".
    const auto ecrase = [&](QDialog& d) {
        DansLaBoite([&](QMessageBox& boite) {
            question = Regarde(boite);
            boite.reject();
        });
        d.accept();
        d.reject();
    };
    const auto [choisi, vu] = Montre([&] { return QtDialogs().SaveFile(demande); }, ecrase);
    EXPECT_EQ(choisi, std::nullopt);
    EXPECT_EQ(question.titre.toStdString(), "Enregistrer sous");
    EXPECT_GE(question.taille.width(), CaptionWidth(question.titre, QMargins()));
}

}  // namespace
}  // namespace platform::ui
