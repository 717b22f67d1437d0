#pragma once

#include <QDialog>

#include <vector>

#include "port/SerialPortList.h"

class QComboBox;

namespace orvo {

class MessageService;

// "Orvo-New Connection": the serial ports, then the two demo monitors, in an editable list
// that also takes any typed path (a pseudo-terminal, a symlink).
class CNewConnectionDlg : public QDialog {
    Q_OBJECT
public:
    // Windows port names fit in 31 characters; device paths such as /dev/serial/by-id/... do not,
    // so the edit takes a whole path.
    static constexpr int MAX_NAME = 255;

    CNewConnectionDlg(std::vector<PortEntry> ports, MessageService& messages, QWidget* parent = nullptr);

    // The edit text when OK was pressed.
    QString PortName() const { return m_portName; }
    QComboBox* PortList() const { return m_combo; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    MessageService& m_messages;
    QComboBox* m_combo;
    QString m_portName;
    bool m_noPorts;
    bool m_warned = false;
};

} // namespace orvo
