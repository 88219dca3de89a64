#include "platform/ui/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace platform::ui {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* Parent() {
    return QApplication::activeWindow();
}

}  // namespace

void QtDialogs::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), ToQt(text),
                    QMessageBox::Ok, Parent());
    box.exec();
}

void QtDialogs::ShowError(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), ToQt(text),
                    QMessageBox::Ok, Parent());
    box.exec();
}

std::optional<std::string> QtDialogs::OpenFile(const OpenFileRequest& request) {
    QString start = ToQt(request.initial_dir);
    if (!request.file_name.empty()) {
        start = start.isEmpty() ? ToQt(request.file_name) : start + "/" + ToQt(request.file_name);
    }
    const QString chosen = QFileDialog::getOpenFileName(Parent(), ToQt(request.title), start,
                                                        ToQt(QtFilter(request.filter)));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

bool QtDialogs::AskYesNo(const std::string& text, DefaultAnswer default_answer) {
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), ToQt(text),
                    QMessageBox::NoButton, Parent());
    QPushButton* oui = box.addButton("Oui", QMessageBox::YesRole);
    QPushButton* non = box.addButton("Non", QMessageBox::NoRole);
    box.setDefaultButton(default_answer == DefaultAnswer::No ? non : oui);
    box.setEscapeButton(non);
    box.exec();
    return box.clickedButton() == oui;
}

std::optional<std::string> QtDialogs::SaveFile(const SaveFileRequest& request) {
    QFileDialog dialog(Parent(), ToQt(request.title), ToQt(request.initial_dir), ToQt(QtFilter(request.filter)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(ToQt(request.default_extension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.ask_before_overwriting);
    if (!request.file_name.empty()) dialog.selectFile(ToQt(request.file_name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtDialogs::SelectFolder(const std::string& caption, const std::string& start) {
    const QString chosen = QFileDialog::getExistingDirectory(Parent(), ToQt(caption), ToQt(start));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

std::optional<platform::Color> QtDialogs::ChooseColor(platform::Color initial) {
    const QColor chosen = QColorDialog::getColor(
        QColor(platform::RedOf(initial), platform::GreenOf(initial), platform::BlueOf(initial)), Parent());
    if (!chosen.isValid()) return std::nullopt;
    return platform::MakeColor(static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
                               static_cast<uint8_t>(chosen.blue()));
}

std::string QtFilter(const std::string& filter) {
    std::string out;
    size_t pos = 0;
    while (pos < filter.size()) {
        const size_t bar = filter.find('|', pos);
        const std::string label =
            filter.substr(pos, bar == std::string::npos ? std::string::npos : bar - pos);
        std::string masks;
        size_t next = std::string::npos;
        if (bar != std::string::npos) {
            const size_t end = filter.find('|', bar + 1);
            masks = filter.substr(bar + 1,
                                  end == std::string::npos ? std::string::npos : end - bar - 1);
            next = end == std::string::npos ? std::string::npos : end + 1;
        }
        for (char& c : masks) {
            if (c == ';') c = ' ';
        }
        if (!out.empty()) out += ";;";
        out += label + " (" + masks + ")";
        if (next == std::string::npos) break;
        pos = next;
    }
    return out;
}

}  // namespace platform::ui
