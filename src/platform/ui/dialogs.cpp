#include "platform/ui/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QLocale>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <algorithm>

namespace platform::ui {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* Parent() {
    return QApplication::activeWindow();
}

// The columns of the file list's detailed view.
enum FileColumn { kNameColumn, kSizeColumn, kTypeColumn, kDateColumn };

// Qt's file list writes sizes and dates the desktop's way; here they are
// written the application's way, in French.
class FrenchFileDetails final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QString Size(qint64 bytes) { return QLocale().formattedDataSize(bytes); }
    static QString Date(const QDateTime& date) {
        return QLocale().toString(date, QLocale::ShortFormat);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto* model = qobject_cast<const QFileSystemModel*>(index.model());
        if (model == nullptr) return;
        if (index.column() == kSizeColumn && !model->isDir(index)) {
            option->text = Size(model->size(index));
        } else if (index.column() == kDateColumn) {
            option->text = Date(model->lastModified(index));
        }
    }
};

// Widens the columns of the file list for their French texts, and the
// dialog to show them whole, with the places beside them (the computer, the
// home folder).
void FitColumns(QFileDialog& dialog) {
    auto* details = dialog.findChild<QTreeView*>();
    if (details == nullptr) return;
    const QFontMetrics metrics(details->font());
    const int margin = 2 * metrics.averageCharWidth();
    QHeaderView& header = *details->header();
    const auto fit = [&](FileColumn column, const QString& widest) {
        header.resizeSection(column, std::max(header.sectionSizeHint(column),
                                              metrics.horizontalAdvance(widest) + margin));
    };
    fit(kSizeColumn, FrenchFileDetails::Size(999'999'999));
    // The types are named by the MIME database, in the default locale's language.
    QString widest_type;
    for (const char* type : {"image/jpeg", "image/gif", "image/bmp", "inode/directory"}) {
        const QString comment = QMimeDatabase().mimeTypeForName(type).comment();
        if (metrics.horizontalAdvance(comment) > metrics.horizontalAdvance(widest_type)) {
            widest_type = comment;
        }
    }
    fit(kTypeColumn, widest_type);
    fit(kDateColumn, FrenchFileDetails::Date(QDateTime(QDate(2006, 12, 28), QTime(23, 59))));
    details->setMinimumWidth(header.length() + details->verticalScrollBar()->sizeHint().width() +
                             2 * details->frameWidth());
    auto* splitter = dialog.findChild<QSplitter*>();
    auto* places = splitter != nullptr ? qobject_cast<QListView*>(splitter->widget(0)) : nullptr;
    if (places == nullptr) return;
    int widest = 0;
    for (int row = 0; row < places->model()->rowCount(); ++row) {
        widest = std::max(widest,
                          metrics.horizontalAdvance(places->model()->index(row, 0).data().toString()));
    }
    places->setMinimumWidth(widest + places->iconSize().width() + 4 * margin +
                            2 * places->frameWidth());
}

// Qt's dialog rather than the desktop's, so that it speaks French, shows the
// filters' labels as written (the masks Qt needs after each one stay hidden)
// and has columns wide enough for their French texts.
void PrepareFileDialog(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setItemDelegate(new FrenchFileDetails(&dialog));
    FitColumns(dialog);
}

std::optional<std::string> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
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
    QFileDialog dialog(Parent(), ToQt(request.title), ToQt(request.initial_dir),
                       ToQt(QtFilter(request.filter)));
    PrepareFileDialog(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(ToQt(request.default_extension));
    if (!request.file_name.empty()) dialog.selectFile(ToQt(request.file_name));
    return Chosen(dialog);
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
    QFileDialog dialog(Parent(), ToQt(request.title), ToQt(request.initial_dir),
                       ToQt(QtFilter(request.filter)));
    PrepareFileDialog(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(ToQt(request.default_extension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.ask_before_overwriting);
    if (!request.file_name.empty()) dialog.selectFile(ToQt(request.file_name));
    return Chosen(dialog);
}

std::optional<std::string> QtDialogs::SelectFolder(const std::string& caption, const std::string& start) {
    QFileDialog dialog(Parent(), ToQt(caption), ToQt(start));
    PrepareFileDialog(dialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return Chosen(dialog);
}

std::optional<platform::Color> QtDialogs::ChooseColor(platform::Color initial) {
    const QColor chosen = QColorDialog::getColor(
        QColor(platform::RedOf(initial), platform::GreenOf(initial), platform::BlueOf(initial)),
        Parent(), QString(), QColorDialog::DontUseNativeDialog);
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
