#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace orvo {

// One file dialog as a command asks for it.
struct FileRequest {
    bool save = true;
    QString title;
    QString filter;        // "CSV Files (*.CSV);;All Files (*.*)"
    QString defaultSuffix; // "CSV"
    QString proposedName;  // without folder; the folder is the one the user last chose
};

// Asks for a path: empty when the user cancelled. Forms and the main frame hold one, so that
// tests answer in place of the desktop's dialog.
using FileChooser = std::function<QString(QWidget* parent, const FileRequest& request)>;

// The desktop's dialog: a save dialog asks before overwriting and wants an existing folder; an
// open dialog wants an existing file. Neither changes the working folder.
QString AskFile(QWidget* parent, const FileRequest& request);

FileRequest CsvSaveRequest(const QString& proposedName);
FileRequest MshaSaveRequest(const QString& proposedName);

} // namespace orvo
