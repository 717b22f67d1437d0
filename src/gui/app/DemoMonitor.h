#pragma once

#include <QString>

#include <memory>

#include "link/SerialPort.h"

namespace orvo {

class Clock;
class TimeZoneSource;

namespace sim {
class InMemoryWire;
class SimMonitor;
struct SimConfig;
} // namespace sim

// The built-in demo monitor: a simulated monitor in this process, on an in-memory cable,
// reached through the same document and link as a real one, on the application's clock.
class DemoMonitor {
public:
    static const QString NAME_NEW; // "Demo Orvo (firmware 7.00)"
    static const QString NAME_OLD; // "Demo Orvo (firmware 6.50)"

    static bool IsDemoName(const QString& portName);
    // The monitor a demo entry stands for.
    static sim::SimConfig ConfigFor(const QString& portName);

    DemoMonitor(const sim::SimConfig& config, Clock& clock, const TimeZoneSource& zone);
    ~DemoMonitor();
    DemoMonitor(const DemoMonitor&) = delete;
    DemoMonitor& operator=(const DemoMonitor&) = delete;

    SerialPortFactory PortFactory() const;
    sim::SimMonitor& Monitor() const;

private:
    std::shared_ptr<sim::InMemoryWire> m_wire;
};

} // namespace orvo
