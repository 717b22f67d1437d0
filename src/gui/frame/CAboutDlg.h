#pragma once

#include <QDialog>

namespace orvo {

// The picture, the version "7.52" and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace orvo
