#pragma once

#include <QString>

#include <memory>

#include "link/SerialPort.h"

namespace orvo {

class TimeZoneSource;

namespace sim {
class InMemoryWire;
class SimMonitor;
struct SimConfig;
} // namespace sim

// The built-in demo monitor: a simulated monitor in this process, on an in-memory cable,
// reached through the same document and link as a real one, on the computer's own clock.
class DemoMonitor {
public:
    static const QString NAME_NEW; // "Demo Orvo (firmware 7.00)"
    static const QString NAME_OLD; // "Demo Orvo (firmware 6.50)"

    static bool IsDemoName(const QString& portName);
    // The monitor a demo entry stands for.
    static sim::SimConfig ConfigFor(const QString& portName);

    // Its clock is kept in `zone`, the application's.
    DemoMonitor(const sim::SimConfig& config, const TimeZoneSource& zone);
    ~DemoMonitor();
    DemoMonitor(const DemoMonitor&) = delete;
    DemoMonitor& operator=(const DemoMonitor&) = delete;

    SerialPortFactory PortFactory() const;
    sim::SimMonitor& Monitor() const;

private:
    std::shared_ptr<sim::InMemoryWire> m_wire;
};

} // namespace orvo
