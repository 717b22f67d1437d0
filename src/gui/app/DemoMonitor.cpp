#include "app/DemoMonitor.h"

#include "InMemoryPort.h"
#include "SimMonitor.h"
#include "platform/Clock.h"
#include "platform/TimeZoneSource.h"

namespace orvo {

const QString DemoMonitor::NAME_NEW = QStringLiteral("Demo Orvo (firmware 7.00)");
const QString DemoMonitor::NAME_OLD = QStringLiteral("Demo Orvo (firmware 6.50)");

bool DemoMonitor::IsDemoName(const QString& portName) {
    return portName == NAME_NEW || portName == NAME_OLD;
}

sim::SimConfig DemoMonitor::ConfigFor(const QString& portName) {
    sim::SimConfig config;
    config.firmware = portName == NAME_OLD ? 6.5f : 7.0f;
    return config;
}

DemoMonitor::DemoMonitor(const sim::SimConfig& config, Clock& clock, const TimeZoneSource& zone) {
    auto monitor = std::make_shared<sim::SimMonitor>(config, clock, zone);
    // A monitor that runs for hours keeps only its latest requests.
    monitor->SetRequestLimit(20000);
    m_wire = std::make_shared<sim::InMemoryWire>(std::move(monitor), clock);
}

DemoMonitor::~DemoMonitor() = default;

SerialPortFactory DemoMonitor::PortFactory() const {
    return m_wire->Factory();
}

sim::SimMonitor& DemoMonitor::Monitor() const {
    return *m_wire->Sim();
}

} // namespace orvo
