#pragma once

#include <QString>

#include <vector>

namespace orvo {

// One serial port offered in the connection dialog.
struct PortEntry {
    QString name;    // as the platform names it: "/dev/ttyUSB0" on POSIX, "COM3" on Windows
    QString toolTip; // description, maker, USB ids
};

// What is known of a port, as QSerialPortInfo tells it.
struct PortFacts {
    QString portName;       // "ttyS0", "ttyUSB0", "COM3"
    QString systemLocation; // "/dev/ttyS0"
    QString description;
    QString manufacturer;
    bool hasVendorIdentifier = false;
    bool hasProductIdentifier = false;
};

// A legacy "ttySn" slot that the kernel reserves whether or not a UART is fitted: nothing
// describes it (no maker, no description, no USB ids) and the serial core reports no UART
// behind it (its sysfs "type" is 0, PORT_UNKNOWN). When "type" cannot be read, a slot whose
// driver is missing or only the generic "serial8250" platform stub counts as empty too.
bool IsReservedLegacySlot(const PortFacts& port,
                          const QString& sysClassTty = QStringLiteral("/sys/class/tty"));

// Natural order: "ttyS2" before "ttyS10", "COM2" before "COM10".
bool PortNameLess(const QString& a, const QString& b);

// The ports of this computer in a stable order, reserved legacy slots left out.
std::vector<PortEntry> ListSerialPorts();
// The same from given facts (for tests).
std::vector<PortEntry> PortEntriesFrom(const std::vector<PortFacts>& ports,
                                       const QString& sysClassTty = QStringLiteral("/sys/class/tty"));

} // namespace orvo
