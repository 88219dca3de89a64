#include "platform/ui/shell.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <memory>
#include <span>
#include <string_view>

#include "platform/core/files.h"
#include "platform/core/stream.h"
#include "platform/graphics/bitmap.h"
#include "platform/ui/image.h"

namespace platform::ui {

bool QtShell::MoveToTrash(const std::string& path) {
    // Qt makes the trash only inside an existing data folder, which a fresh
    // account does not have yet; and without a trash it would move the file
    // into folders of the current one.
    const QString data_home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!platform::MakeTrashFolders(data_home.toStdString())) return false;
    return QFile::moveToTrash(QString::fromStdString(path));
}

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
    auto data = std::make_unique<QMimeData>();
    // The clipboard keeps its own copy of the pixels.
    data->setImageData(WrapBitmap(bitmap).copy());
    const std::string_view format = graphic.ClipboardFormat();
    // An empty picture has no file to write.
    if (!format.empty() && !graphic.Empty()) {
        platform::MemoryStream file;
        graphic.SaveToStream(file);
        const std::span<const uint8_t> bytes = file.Bytes();
        data->setData(QString::fromUtf8(format.data(), static_cast<qsizetype>(format.size())),
                      QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<qsizetype>(bytes.size())));
    }
    QApplication::clipboard()->setMimeData(data.release());
}

}  // namespace platform::ui
