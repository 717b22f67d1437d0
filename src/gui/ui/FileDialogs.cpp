#include "ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace orvo {

namespace {

// The folder of the last file chosen in this run; the process's working folder never changes.
QString& LastFolder() {
    static QString folder = QDir::homePath();
    return folder;
}

} // namespace

QString AskFile(QWidget* parent, const FileRequest& request) {
    QFileDialog dialog(parent, request.title, LastFolder(), request.filter);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = dialog.selectedFiles().first();
    LastFolder() = QFileInfo(path).absolutePath();
    return path;
}

FileRequest CsvSaveRequest(const QString& proposedName) {
    return {true, QStringLiteral("Save As"), QStringLiteral("CSV Files (*.CSV);;All Files (*.*)"),
            QStringLiteral("CSV"), proposedName};
}

FileRequest MshaSaveRequest(const QString& proposedName) {
    return {true, QStringLiteral("Save As"), QStringLiteral("MSHA Files (*.MSHA);;All Files (*.*)"),
            QStringLiteral("MSHA"), proposedName};
}

} // namespace orvo
