#include "dialogs/CDateSelectionDlg.h"

#include <QDateEdit>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace orvo {

CDateSelectionDlg::CDateSelectionDlg(QWidget* parent) : QDialog(parent), m_picker(new QDateEdit(this)) {
    setWindowTitle(QStringLiteral("Date Selection"));
    auto* layout = new QVBoxLayout(this);
    m_picker->setObjectName(QStringLiteral("date"));
    m_picker->setCalendarPopup(true);
    m_picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    m_picker->setMinimumDate(QDate(1970, 1, 2));
    m_picker->setMaximumDate(QDate(2106, 2, 6)); // the last day an unsigned 32-bit second count reaches
    layout->addWidget(m_picker);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CDateSelectionDlg::SetTime(uint32_t utcSeconds) {
    m_preset = utcSeconds;
    m_picker->setDate(QDateTime::fromSecsSinceEpoch(utcSeconds).date());
}

uint32_t CDateSelectionDlg::Time() const {
    const QTime timeOfDay = QDateTime::fromSecsSinceEpoch(m_preset).time();
    const qint64 seconds = QDateTime(m_picker->date(), timeOfDay).toSecsSinceEpoch();
    if (seconds < 0)
        return 0;
    if (seconds > qint64(UINT32_MAX))
        return UINT32_MAX;
    return uint32_t(seconds);
}

} // namespace orvo
