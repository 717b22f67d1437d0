#pragma once

#include "SimMonitor.h"
#include "link/SerialPort.h"
#include "platform/Clock.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace orvo::sim {

struct WriteRecord {
    int64_t timeMs;
    std::vector<uint8_t> bytes;
};

class InMemoryPort;

// A serial cable in the same process between the application's link and a simulated monitor. Every byte
// the host writes goes to the monitor at once; its answers come back through the port's reads. With pacing
// the answers travel at 19200 baud, 10 bits a byte: an answer starts when the request is written (or when
// the previous answer has left) and each byte becomes readable 10/19200 s after the one before it, so an
// answer of n bytes is complete n * 10/19200 s after its request. On a virtual clock a waiting read
// advances the clock instead of blocking, so a whole protocol (time-outs and retries included) runs in
// milliseconds of real time.
class InMemoryWire : public std::enable_shared_from_this<InMemoryWire> {
public:
    // Create with std::make_shared: the ports keep the wire alive.
    InMemoryWire(std::shared_ptr<SimMonitor> sim, Clock& clock, bool pace = false);

    // Each call of the factory makes a port on this wire.
    SerialPortFactory Factory();

    std::vector<WriteRecord> Writes() const;
    void ClearWrites();
    // Keeps only the newest `limit` writes (0 = all): a demo monitor runs for hours.
    void SetWriteLimit(size_t limit);
    int DtrPulses() const; // rising edges of DTR

    // Unplugged: Open fails (PortOpenError::Open, reason "No such device"), reads and writes return Error.
    // Replugged: the same ports work again.
    void Unplug();
    void Replug();
    // The next Open reports this failure.
    void FailNextOpen(PortOpenResult r);

    std::shared_ptr<SimMonitor> Sim() const { return m_sim; }

    // Nanoseconds that `bytes` bytes take on the line.
    static constexpr int64_t NanosFor(int64_t bytes) { return bytes * 10 * 1'000'000'000LL / 19200; }

private:
    friend class InMemoryPort;

    std::shared_ptr<SimMonitor> m_sim;
    Clock& m_clock;
    const bool m_pace;

    mutable std::mutex m_lock;
    std::condition_variable m_changed; // bytes queued, port closed, unplugged
    std::deque<WriteRecord> m_writes;
    size_t m_writeLimit = 20000;
    int m_dtrPulses = 0;
    bool m_dtr = false;
    bool m_unplugged = false;
    std::optional<PortOpenResult> m_failNextOpen;
    std::vector<InMemoryPort*> m_ports; // so that unplugging reaches every port
};

// One port on an InMemoryWire. Like every SerialPort it is used from one thread (the link thread);
// the wire's lock guards what it shares with the wire.
class InMemoryPort final : public SerialPort {
public:
    explicit InMemoryPort(std::shared_ptr<InMemoryWire> wire);
    ~InMemoryPort() override;

    PortOpenResult Open(const std::string& name) override;
    ReadResult ReadByte(uint8_t& byte, int timeoutMs) override;
    bool Write(const uint8_t* data, size_t length) override;
    bool SetDtr(bool on) override;
    void Close() override;

private:
    friend class InMemoryWire;

    struct Pending {
        int64_t readyNs; // readable from this clock time on
        uint8_t byte;
    };

    std::shared_ptr<InMemoryWire> m_wire;
    bool m_open = false;
    std::deque<Pending> m_received;
    int64_t m_toHostFreeNs = 0; // the monitor's line back is busy until
};

} // namespace orvo::sim
