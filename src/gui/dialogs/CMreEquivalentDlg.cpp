#include "dialogs/CMreEquivalentDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPointer>
#include <QVBoxLayout>

#include "link/DeviceRequests.h"
#include "forms/MreEquivalent.h"
#include "model/COrvodeskDoc.h"

namespace orvo {

CMreEquivalentDlg::CMreEquivalentDlg(bool enabled, QWidget* parent)
    : QDialog(parent), m_enable(new QCheckBox(QStringLiteral("Enable"), this)) {
    setObjectName(QStringLiteral("mreEquivalentDialog"));
    setWindowTitle(QStringLiteral("MRE Equivalent"));
    m_enable->setObjectName(QStringLiteral("enable"));
    m_enable->setChecked(enabled);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_enable);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool CMreEquivalentDlg::Enabled() const {
    return m_enable->isChecked();
}

void CMreEquivalentDlg::Run(COrvodeskDoc& doc, QWidget* parent) {
    CMreEquivalentDlg dialog(MreEquivalentChecked(doc.Registers()), parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    DeviceRequests& io = doc.Link();
    WriteMreEquivalent(io, dialog.Enabled());
}

} // namespace orvo
