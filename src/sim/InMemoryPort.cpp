#include "InMemoryPort.h"

#include <algorithm>
#include <chrono>

namespace orvo::sim {

namespace {

constexpr int64_t kNanosPerMs = 1'000'000;

// The first whole millisecond at which a byte is readable.
int64_t ReadyMs(int64_t readyNs) {
    return (readyNs + kNanosPerMs - 1) / kNanosPerMs;
}

} // namespace

// ---- wire ------------------------------------------------------------------------------------------

InMemoryWire::InMemoryWire(std::shared_ptr<SimMonitor> sim, Clock& clock, bool pace)
    : m_sim(std::move(sim)), m_clock(clock), m_pace(pace) {}

SerialPortFactory InMemoryWire::Factory() {
    std::shared_ptr<InMemoryWire> self = shared_from_this();
    return [self]() -> std::unique_ptr<SerialPort> { return std::make_unique<InMemoryPort>(self); };
}

std::vector<WriteRecord> InMemoryWire::Writes() const {
    std::lock_guard lock(m_lock);
    return {m_writes.begin(), m_writes.end()};
}

void InMemoryWire::SetWriteLimit(size_t limit) {
    std::lock_guard lock(m_lock);
    m_writeLimit = limit;
    while (m_writeLimit > 0 && m_writes.size() > m_writeLimit)
        m_writes.pop_front();
}

void InMemoryWire::ClearWrites() {
    std::lock_guard lock(m_lock);
    m_writes.clear();
}

int InMemoryWire::DtrPulses() const {
    std::lock_guard lock(m_lock);
    return m_dtrPulses;
}

void InMemoryWire::Unplug() {
    {
        std::lock_guard lock(m_lock);
        m_unplugged = true;
        for (InMemoryPort* port : m_ports)
            port->m_received.clear();
    }
    m_changed.notify_all();
}

void InMemoryWire::Replug() {
    std::lock_guard lock(m_lock);
    m_unplugged = false;
}

void InMemoryWire::FailNextOpen(PortOpenResult r) {
    std::lock_guard lock(m_lock);
    m_failNextOpen = std::move(r);
}

// ---- port ------------------------------------------------------------------------------------------

InMemoryPort::InMemoryPort(std::shared_ptr<InMemoryWire> wire) : m_wire(std::move(wire)) {
    std::lock_guard lock(m_wire->m_lock);
    m_wire->m_ports.push_back(this);
}

InMemoryPort::~InMemoryPort() {
    std::lock_guard lock(m_wire->m_lock);
    auto& ports = m_wire->m_ports;
    ports.erase(std::remove(ports.begin(), ports.end(), this), ports.end());
}

PortOpenResult InMemoryPort::Open(const std::string& /*name*/) {
    InMemoryWire& w = *m_wire;
    std::lock_guard lock(w.m_lock);
    if (w.m_unplugged)
        return {PortOpenError::Open, "No such device"};
    if (w.m_failNextOpen) {
        PortOpenResult r = std::move(*w.m_failNextOpen);
        w.m_failNextOpen.reset();
        return r;
    }
    m_open = true;
    m_received.clear();
    m_toHostFreeNs = 0;
    return {};
}

void InMemoryPort::Close() {
    InMemoryWire& w = *m_wire;
    {
        std::lock_guard lock(w.m_lock);
        m_open = false;
        m_received.clear();
    }
    w.m_changed.notify_all();
}

bool InMemoryPort::SetDtr(bool on) {
    InMemoryWire& w = *m_wire;
    std::lock_guard lock(w.m_lock);
    if (on && !w.m_dtr)
        ++w.m_dtrPulses;
    w.m_dtr = on;
    return true;
}

bool InMemoryPort::Write(const uint8_t* data, size_t length) {
    InMemoryWire& w = *m_wire;
    {
        std::lock_guard lock(w.m_lock);
        if (!m_open || w.m_unplugged)
            return false;
        const int64_t nowMs = w.m_clock.NowMs();
        w.m_writes.push_back({nowMs, std::vector<uint8_t>(data, data + length)});
        if (w.m_writeLimit > 0 && w.m_writes.size() > w.m_writeLimit)
            w.m_writes.pop_front();

        std::vector<uint8_t> answer;
        if (!w.m_pace) {
            w.m_sim->FeedHostBytes(data, length, answer);
            for (uint8_t b : answer)
                m_received.push_back({nowMs * kNanosPerMs, b});
        } else {
            // The request takes its own line time to reach the monitor; the answer leaves once it has
            // arrived and the line back is free, one byte every 10 bit times.
            w.m_sim->FeedHostBytes(data, length, answer);
            const int64_t arrived = nowMs * kNanosPerMs + InMemoryWire::NanosFor(int64_t(length));
            const int64_t start = std::max(arrived, m_toHostFreeNs);
            for (size_t i = 0; i < answer.size(); ++i)
                m_received.push_back({start + InMemoryWire::NanosFor(int64_t(i) + 1), answer[i]});
            if (!answer.empty())
                m_toHostFreeNs = start + InMemoryWire::NanosFor(int64_t(answer.size()));
        }
    }
    w.m_changed.notify_all();
    return true;
}

ReadResult InMemoryPort::ReadByte(uint8_t& byte, int timeoutMs) {
    InMemoryWire& w = *m_wire;
    Clock& clock = w.m_clock;
    std::unique_lock lock(w.m_lock);
    const auto take = [&] {
        byte = m_received.front().byte;
        m_received.pop_front();
        return ReadResult::Byte;
    };
    const int64_t timeout = std::max(timeoutMs, 0);

    if (clock.IsVirtual()) {
        if (!m_open || w.m_unplugged)
            return ReadResult::Error;
        const int64_t nowMs = clock.NowMs();
        if (!m_received.empty()) {
            const int64_t ready = ReadyMs(m_received.front().readyNs);
            if (ready <= nowMs)
                return take();
            if (ready <= nowMs + timeout) {
                clock.AdvanceTo(ready);
                return take();
            }
        }
        clock.AdvanceTo(nowMs + timeout);
        return ReadResult::Timeout;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    for (;;) {
        if (!m_open || w.m_unplugged)
            return ReadResult::Error;
        const int64_t nowMs = clock.NowMs();
        auto wait = deadline - std::chrono::steady_clock::now();
        if (!m_received.empty()) {
            const int64_t ready = ReadyMs(m_received.front().readyNs);
            if (ready <= nowMs)
                return take();
            wait =
                std::min<std::chrono::steady_clock::duration>(wait, std::chrono::milliseconds(ready - nowMs));
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return ReadResult::Timeout;
        w.m_changed.wait_for(lock, wait);
    }
}

} // namespace orvo::sim
