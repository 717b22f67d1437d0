#include "dialogs/CNewConnectionDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "app/DemoMonitor.h"
#include "platform/MessageService.h"

namespace orvo {

CNewConnectionDlg::CNewConnectionDlg(std::vector<PortEntry> ports, MessageService& messages, QWidget* parent)
    : QDialog(parent), m_messages(messages), m_combo(new QComboBox(this)), m_noPorts(ports.empty()) {
    setWindowTitle(QStringLiteral("Orvo-New Connection"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("&Choose a connection type:"), this);
    label->setBuddy(m_combo);
    layout->addWidget(label);

    m_combo->setObjectName(QStringLiteral("portList"));
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->lineEdit()->setMaxLength(MAX_NAME);
    m_combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_combo->setMinimumContentsLength(26);
    for (const PortEntry& port : ports) {
        m_combo->addItem(port.name);
        m_combo->setItemData(m_combo->count() - 1, port.toolTip, Qt::ToolTipRole);
    }
    for (const QString& demo : {DemoMonitor::NAME_NEW, DemoMonitor::NAME_OLD}) {
        m_combo->addItem(demo);
        m_combo->setItemData(m_combo->count() - 1,
                             QStringLiteral("A simulated monitor inside Orvodesk, for trying everything "
                                            "without hardware"),
                             Qt::ToolTipRole);
    }
    m_combo->setCurrentIndex(0);
    layout->addWidget(m_combo);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNewConnectionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CNewConnectionDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_noPorts || m_warned)
        return;
    m_warned = true;
    // Once the dialog is on screen, so that the warning has something to stand in front of.
    QTimer::singleShot(0, this, [this] {
        m_messages.Show("Your system does not appear to have\nany supported communications hardware!", "",
                        MessageIcon::Warning);
    });
}

void CNewConnectionDlg::accept() {
    m_portName = m_combo->currentText().left(MAX_NAME);
    if (m_portName.trimmed().isEmpty())
        return;
    QDialog::accept();
}

} // namespace orvo
