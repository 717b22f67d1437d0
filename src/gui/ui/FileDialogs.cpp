#include "ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QPointer>

namespace orvo {

namespace {

// The folder of the last file chosen in this run; the process's working folder never changes.
QString& LastFolder() {
    static QString folder = QDir::homePath();
    return folder;
}

} // namespace

QString AskFile(QWidget* parent, const FileRequest& request) {
    // On the heap: a parent that goes while the dialog is open takes the dialog with it.
    QPointer<QFileDialog> dialog = new QFileDialog(parent, request.title, LastFolder(), request.filter);
    dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::ReadOnly, false);
    dialog->setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedName.isEmpty())
        dialog->selectFile(request.proposedName);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    const QStringList files = dialog ? dialog->selectedFiles() : QStringList();
    delete dialog.data();
    if (!accepted || files.isEmpty())
        return {};
    const QString path = files.first();
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
