#pragma once

#include "link/SerialPort.h"

#include <memory>
#include <string>

class QSerialPort;

namespace orvo {

// The serial port through QSerialPort. Lives on the link thread, which runs no event loop, so
// every wait is one of QSerialPort's blocking calls.
class QtSerialPort final : public SerialPort {
public:
    QtSerialPort();
    ~QtSerialPort() override;

    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    PortOpenResult Open(const std::string& name) override;
    ReadResult ReadByte(uint8_t& byte, int timeoutMs) override;
    bool Write(const uint8_t* data, size_t length) override;
    bool SetDtr(bool on) override;
    void Close() override;

private:
    bool DeviceVanished() const;

    std::unique_ptr<QSerialPort> m_port;
    std::string m_path;
    bool m_failed = false; // the device reported an error; only Close/Open clear it
};

// The device behind a port name: on POSIX a bare name ("ttyUSB0") lives under /dev/, anything
// holding a '/' is a path taken as given.
std::string SerialDevicePath(const std::string& name);

// The group owning the device node, or empty when it cannot be told.
std::string DeviceGroupName(const std::string& devicePath);

// What to tell a user who may not open the device: which group it belongs to and how to join it.
std::string PermissionDeniedReason(const std::string& devicePath, const std::string& group);

} // namespace orvo
