#include "CalibrationFixture.h"

#include <algorithm>

namespace orvo::test {

namespace {

class SteppedPort final : public SerialPort {
public:
    explicit SteppedPort(std::shared_ptr<SteppedSimWire> wire) : m_wire(std::move(wire)) {}
    PortOpenResult Open(const std::string&) override { return {}; }
    ReadResult ReadByte(uint8_t& byte, int timeoutMs) override { return m_wire->Read(byte, timeoutMs); }
    bool Write(const uint8_t* data, size_t length) override { return m_wire->Write(data, length); }
    bool SetDtr(bool) override { return false; }
    void Close() override {}

private:
    std::shared_ptr<SteppedSimWire> m_wire;
};

} // namespace

SerialPortFactory SteppedSimWire::Factory() {
    auto self = shared_from_this();
    return [self] { return std::make_unique<SteppedPort>(self); };
}

bool SteppedSimWire::RunTo(int64_t ms) {
    std::unique_lock lock(m_lock);
    m_limit = std::max(m_limit, ms);
    m_changed.notify_all();
    return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_parkedAt == m_limit; });
}

void SteppedSimWire::Release() {
    std::lock_guard lock(m_lock);
    m_limit = INT64_MAX / 2;
    m_changed.notify_all();
}

ReadResult SteppedSimWire::Read(uint8_t& byte, int timeoutMs) {
    std::unique_lock lock(m_lock);
    const int64_t target = m_clock.NowMs() + timeoutMs;
    while (m_rx.empty() && target > m_limit) {
        m_parkedAt = m_limit;
        m_changed.notify_all();
        m_changed.wait(lock);
    }
    m_parkedAt = -1;
    if (!m_rx.empty()) {
        byte = m_rx.front();
        m_rx.pop_front();
        return ReadResult::Byte;
    }
    m_clock.AdvanceTo(target);
    return ReadResult::Timeout;
}

bool SteppedSimWire::Write(const uint8_t* data, size_t length) {
    std::vector<uint8_t> answer;
    m_sim.FeedHostBytes(data, length, answer);
    std::lock_guard lock(m_lock);
    m_rx.insert(m_rx.end(), answer.begin(), answer.end());
    return true;
}

void CalibrationFixture::SetUp() {
    doc = std::make_unique<COrvodeskDoc>(clock, zone, sink);
    io = std::make_unique<RequestRecorder>(&doc->Link());
    view.now = [this] { return m_tickMs >= 0 ? m_tickMs : clock.NowMs(); };
}

void CalibrationFixture::TearDown() {
    if (procedure) {
        procedure->Close();
        doc->RemoveView(procedure);
        procedure = nullptr;
    }
    m_owned.reset();
    if (wire)
        wire->Release();
    doc.reset();
}

void CalibrationFixture::Connect(sim::SimConfig config) {
    sim = std::make_shared<sim::SimMonitor>(config, clock, zone);
    wire = std::make_shared<SteppedSimWire>(*sim, clock);
    doc->BeginConnection("");
    ASSERT_TRUE(doc->OpenConnection("sim", wire->Factory()));
    for (int i = 0; i < 20 && !doc->Connected(); ++i)
        ASSERT_TRUE(wire->RunTo(clock.NowMs() + 250));
    ASSERT_TRUE(doc->Connected());
}

void CalibrationFixture::Open(ProcedureLogic& p) {
    procedure = &p;
    m_opened = clock.NowMs();
    doc->AddView(&p);
    p.Open();
}

bool CalibrationFixture::RunUntil(const std::function<bool()>& done, int limitS) {
    const int64_t end = clock.NowMs() + int64_t(limitS) * 1000;
    bool reached = done();
    while (!reached) {
        const int64_t at = view.timerOn ? view.nextMs : clock.NowMs() + 1000;
        if (at > end || !wire->RunTo(at))
            break;
        if (view.timerOn && view.nextMs == at) {
            m_tickMs = at;
            view.nextMs = at + view.periodMs;
            procedure->OnTimer();
            m_tickMs = -1;
        }
        reached = done();
    }
    wire->RunTo(clock.NowMs() + 500);
    return reached;
}

void CalibrationFixture::CloseProcedure() {
    procedure->Close();
    doc->RemoveView(procedure);
    procedure = nullptr;
    wire->RunTo(clock.NowMs() + 500);
}

void CalibrationFixture::Reset() {
    TearDown();
    view = ScriptedView{};
    SetUp();
}

std::vector<std::string> CalibrationFixture::Writes() const {
    std::vector<std::string> out;
    for (const std::string& line : io->Lines())
        if (line.rfind("write", 0) == 0)
            out.push_back(line);
    return out;
}

} // namespace orvo::test
