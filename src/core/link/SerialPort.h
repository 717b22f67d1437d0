#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orvo {

// Which step of opening a port failed.
enum class PortOpenError { None, Open, Configure, Timeouts };

struct PortOpenResult {
    PortOpenError error = PortOpenError::None;
    std::string reason; // the system's own words, shown on a second line; may be empty

    bool ok() const { return error == PortOpenError::None; }
};

enum class ReadResult { Byte, Timeout, Error };

// One serial port, 19200 baud 8N1 raw. A port object is created, used and destroyed on the
// link thread only.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual PortOpenResult Open(const std::string& name) = 0;
    // Waits at most timeoutMs for one byte. Error means the port itself failed (device gone).
    virtual ReadResult ReadByte(uint8_t& byte, int timeoutMs) = 0;
    virtual bool Write(const uint8_t* data, size_t length) = 0;
    // Returns false when the line cannot be driven (a pseudo-terminal); that is no error.
    virtual bool SetDtr(bool on) = 0;
    virtual void Close() = 0;
};

using SerialPortFactory = std::function<std::unique_ptr<SerialPort>()>;

} // namespace orvo
