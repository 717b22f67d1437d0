#include "frame/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/COrvodeskApp.h"
#include "ui/Pictures.h"

namespace orvo {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Orvodesk"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new SvgPicture(Picture::About, this), 0, Qt::AlignHCenter);

    auto* versionRow = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Version:"), this);
    auto* version = new QLineEdit(COrvodeskApp::VERSION, this);
    version->setObjectName(QStringLiteral("version"));
    version->setReadOnly(true);
    version->setFixedWidth(version->fontMetrics().horizontalAdvance(QStringLiteral("00.000")) + 16);
    label->setBuddy(version);
    versionRow->addWidget(label);
    versionRow->addWidget(version);
    versionRow->addStretch(1);
    layout->addLayout(versionRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace orvo
