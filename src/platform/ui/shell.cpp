#include "platform/ui/shell.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QUrl>

#include "platform/graphics/bitmap.h"
#include "platform/ui/image.h"

namespace platform::ui {

bool QtShell::MoveToTrash(const std::string& path) { return QFile::moveToTrash(QString::fromStdString(path)); }

void QtShell::OpenUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(url)));
}

bool QtShell::StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments) list.push_back(QString::fromStdString(argument));
    return QProcess::startDetached(QString::fromStdString(program), list);
}

void CopyToClipboard(const platform::Graphic& graphic) {
    platform::Bitmap bitmap;
    bitmap.Assign(graphic);
    bitmap.SetPixelFormat(platform::PixelFormat::Bit24);
    // The clipboard keeps its own copy of the pixels.
    QApplication::clipboard()->setImage(WrapBitmap(bitmap).copy());
}

}  // namespace platform::ui
