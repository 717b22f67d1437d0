#include "ScriptedPort.h"

namespace orvo::test {

namespace {

class ScriptedPort final : public SerialPort {
public:
    explicit ScriptedPort(std::shared_ptr<ScriptedWire> wire) : m_wire(std::move(wire)) {}
    PortOpenResult Open(const std::string&) override { return m_wire->Open(); }
    ReadResult ReadByte(uint8_t& byte, int timeoutMs) override { return m_wire->Read(byte, timeoutMs); }
    bool Write(const uint8_t* data, size_t length) override { return m_wire->Write(data, length); }
    bool SetDtr(bool) override { return false; }
    void Close() override {}

private:
    std::shared_ptr<ScriptedWire> m_wire;
};

std::vector<uint8_t> Unframe(const std::vector<uint8_t>& bytes) {
    FrameReceiver receiver;
    for (uint8_t b : bytes)
        if (receiver.Feed(b))
            return {receiver.Body(), receiver.Body() + receiver.Length()};
    return {};
}

} // namespace

SerialPortFactory ScriptedWire::Factory() {
    auto self = shared_from_this();
    return [self] { return std::make_unique<ScriptedPort>(self); };
}

std::vector<Written> ScriptedWire::WritesOf(uint8_t command) const {
    std::vector<Written> out;
    for (const Written& w : Writes())
        if (w.Command() == command)
            out.push_back(w);
    return out;
}

PortOpenResult ScriptedWire::Open() {
    std::lock_guard lock(m_mutex);
    m_openTimes.push_back(m_clock.NowMs());
    return m_openResult;
}

ReadResult ScriptedWire::Read(uint8_t& byte, int timeoutMs) {
    std::unique_lock lock(m_mutex);
    // Silence: the read time-out passes in virtual time, but never beyond the test's limit.
    const int64_t target = m_clock.NowMs() + timeoutMs;
    for (;;) {
        if (m_readError)
            return ReadResult::Error;
        if (!m_rx.empty()) {
            byte = m_rx.front();
            m_rx.pop_front();
            return ReadResult::Byte;
        }
        if (target <= m_limit)
            break;
        m_changed.notify_all();
        m_changed.wait_for(lock, std::chrono::milliseconds(20));
    }
    m_clock.AdvanceTo(target);
    m_changed.notify_all();
    return ReadResult::Timeout;
}

bool ScriptedWire::Write(const uint8_t* data, size_t length) {
    std::lock_guard lock(m_mutex);
    Written w{m_clock.NowMs(), std::vector<uint8_t>(data, data + length), {}};
    w.body = Unframe(w.bytes);
    if (m_responder) {
        const std::vector<uint8_t> answer = m_responder(w);
        m_rx.insert(m_rx.end(), answer.begin(), answer.end());
    }
    m_writes.push_back(std::move(w));
    m_changed.notify_all();
    return true;
}

bool ScriptedWire::RunFor(int64_t ms) {
    std::unique_lock lock(m_mutex);
    m_limit = m_clock.NowMs() + ms;
    m_changed.notify_all();
    return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_clock.NowMs() + 25 > m_limit; });
}

bool ScriptedWire::WaitUntil(const std::function<bool()>& predicate, int realMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(realMs);
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace orvo::test
