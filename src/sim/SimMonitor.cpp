#include "SimMonitor.h"

#include "SimValues.h"
#include "link/Protocol.h"

#include <algorithm>

namespace orvo::sim {

namespace {

constexpr int kFirmware = 0;
constexpr int kSerialNumber = 1;
constexpr int kLastSyncTime = 2;
constexpr int kCurrentTime = 3;
constexpr int kStatusCode = 4;
constexpr int kShiftStartTime = 11;
constexpr int kWarmupRemaining = 13;
constexpr int kPowerActivated = 10;
constexpr int kAirSetPoint = 33;
constexpr int kTeSetPoint = 46;
constexpr int kFlowSetPoint = 72;
constexpr int kFlowDuty = 73;
constexpr int kAirPidActive = 145;
constexpr int kTePidActive = 146;
constexpr int kFlowPidActive = 147;

void PushU32(std::vector<uint8_t>& out, uint32_t v) {
    const size_t at = out.size();
    out.resize(at + 4);
    PutU32(out.data() + at, v);
}

// Frames a raw body (check bytes included) so that a deliberately damaged body still travels intact.
void AppendEscapedFrame(const std::vector<uint8_t>& body, std::vector<uint8_t>& out) {
    out.push_back(FRAME_MARK);
    out.push_back(FRAME_START);
    for (uint8_t b : body) {
        out.push_back(b);
        if (b == FRAME_MARK)
            out.push_back(FRAME_MARK);
    }
    out.push_back(FRAME_MARK);
    out.push_back(FRAME_END);
}

} // namespace

SimMonitor::SimMonitor(SimConfig config, Clock& clock, const TimeZoneSource& zone)
    : m_config(std::move(config)), m_clock(clock), m_zone(zone), m_dynamics(m_config),
      m_startMs(clock.NowMs()) {
    m_config.maxItemsPerBlock = std::max(m_config.maxItemsPerBlock, 1);
    if (m_config.serialText.size() > SERIAL_TEXT_SIZE)
        m_config.serialText.resize(SERIAL_TEXT_SIZE);
    if (m_config.templateName.size() > TEMPLATE_NAME_SIZE)
        m_config.templateName.resize(TEMPLATE_NAME_SIZE);
    m_templateName = m_config.templateName;
    m_serialText = m_config.serialText;
    ResetRegisters();
    m_registers[kSerialNumber].value = m_config.serialNumber;

    const uint32_t nowUtc = m_clock.NowSeconds();
    m_storage.Generate(
        m_config, nowUtc, ToDevice(nowUtc), [this](uint32_t device) { return FromDevice(device); },
        [this](int n) { return WordNow(n); });
}

// ---- time ------------------------------------------------------------------------------------------

int64_t SimMonitor::DeviceUtcMs() const {
    return m_clock.NowMs() + m_clockOffsetMs;
}

SimZone SimMonitor::Zone() const {
    return SimZone{&m_zone, m_clock.NowMs() / 1000};
}

bool SimMonitor::OldFirmware() const {
    std::lock_guard lock(m_lock);
    return OldClass();
}

uint32_t SimMonitor::ToDevice(uint32_t utc) const {
    return OldClass() ? Zone().ToLocal(utc) : utc;
}

uint32_t SimMonitor::FromDevice(uint32_t device) const {
    return OldClass() ? Zone().FromLocal(device) : device;
}

void SimMonitor::SetDeviceClock(uint32_t deviceSeconds) {
    m_clockOffsetMs = int64_t(FromDevice(deviceSeconds)) * 1000 - m_clock.NowMs();
}

void SimMonitor::Advance() const {
    const int64_t now = m_clock.NowMs();
    if (m_program.TakeFinished(now, now + m_clockOffsetMs)) {
        m_storage.AppendShift(m_program.Fields(), m_program.StartUtc(), m_program.Duration(),
                              m_program.Duration(), m_config.seed, [this](int n) { return WordNow(n); });
    }
}

int SimMonitor::StateNow() const {
    const int64_t now = m_clock.NowMs();
    return m_program.StateAt(now, now + m_clockOffsetMs);
}

// ---- registers -------------------------------------------------------------------------------------

void SimMonitor::ResetRegisters() {
    for (int n = 0; n < PRC_COUNT; ++n) {
        const PrcDefinition* d = FindPrcDefinition(n);
        Register& r = m_registers[n];
        r.value = d ? d->defaultValue : 0.0;
        r.pinned = false;
        r.loggingCode = d ? orvo::LoggingCode(d->logMode, d->logInterval) : 0;
        r.delta = 0.0f;
    }
}

uint32_t SimMonitor::WordNow(int n) const {
    const Register& r = m_registers[n];
    const int64_t now = m_clock.NowMs();
    const int64_t device = now + m_clockOffsetMs;
    switch (n) {
    case kFirmware:
        return FloatToWord(m_config.firmware);
    case kCurrentTime:
        return ToDevice(static_cast<uint32_t>(device / 1000));
    case kWarmupRemaining:
        return r.pinned ? SimWordOf(n, r.value) : m_program.WarmupRemaining(now, device);
    case kShiftStartTime:
        if (!r.pinned && m_program.HasProgram())
            return ToDevice(m_program.StartUtc());
        return SimWordOf(n, r.value);
    case kStatusCode:
        if (!r.pinned && m_program.StateAt(now, device) == SimProgram::Running) {
            // The course of the shift now running is the one its stored sample will show.
            const SampleProfile profile = MakeSampleProfile(m_config.seed, uint64_t(m_storage.Count()),
                                                            int(m_program.Duration() / 60), true);
            return ProfileStatus(profile, m_program.MinutesRun(now, device));
        }
        return SimWordOf(n, r.pinned ? r.value : 0.0);
    default:
        break;
    }
    if (r.pinned)
        return SimWordOf(n, r.value);
    const SimDynamicsInputs in = DynamicsInputs();
    if (m_dynamics.Produces(n, in)) {
        AdvanceDynamics();
        return SimWordOf(n, m_dynamics.Value(n, in));
    }
    if (IsLiveRegister(n)) {
        LiveContext c;
        c.seed = m_config.seed;
        c.timeSeconds = double(device) / 1000.0;
        c.state = m_program.StateAt(now, device);
        c.runFraction = m_program.RunFraction(now, device);
        c.finalConcentration = MakeSampleProfile(m_config.seed, uint64_t(m_storage.Count()),
                                                 int(m_program.Duration() / 60), true)
                                   .finalConcentration;
        return SimWordOf(n, LiveReading(n, c));
    }
    return SimWordOf(n, r.value);
}

// ---- dynamics --------------------------------------------------------------------------------------

SimDynamicsInputs SimMonitor::DynamicsInputs() const {
    const auto live = [this](int n) {
        if (m_registers[n].pinned)
            return m_registers[n].value;
        LiveContext c;
        c.seed = m_config.seed;
        c.timeSeconds = double(DeviceUtcMs()) / 1000.0;
        return double(static_cast<float>(LiveReading(n, c)));
    };
    const auto on = [this](int n) { return m_registers[n].value == 1.0; };
    const int state = StateNow();
    const bool shift = state == SimProgram::Warming || state == SimProgram::Running;
    SimDynamicsInputs in;
    in.powered = on(kPowerActivated) || shift;
    in.airActive = on(kAirPidActive) || shift;
    in.teActive = on(kTePidActive) || shift;
    in.flowActive = on(kFlowPidActive) || state == SimProgram::Running;
    in.airSet = m_registers[kAirSetPoint].value;
    in.teSet = m_registers[kTeSetPoint].value;
    in.flowSet = m_registers[kFlowSetPoint].value;
    in.pumpDuty = m_registers[kFlowDuty].value;
    in.flowConvA = m_registers[75].value;
    in.flowConvB = m_registers[76].value;
    in.tiltA = m_registers[128].value;
    in.tiltB = m_registers[129].value;
    in.tiltMax = m_registers[131].value;
    in.tiltMin = m_registers[132].value;
    in.presConvA = m_registers[56].value;
    in.presConvB = m_registers[57].value;
    in.lineConvA = m_registers[62].value;
    in.lineConvB = m_registers[63].value;
    in.ambientPres = live(60);
    in.ambientTemp = live(86);
    in.batteryPercent = live(92);
    return in;
}

// Simulated time runs timeScale times faster than the clock, from the monitor's creation.
void SimMonitor::AdvanceDynamics() const {
    const double seconds = double(m_clock.NowMs() - m_startMs) / 1000.0 * m_config.timeScale;
    m_dynamics.AdvanceTo(seconds, DynamicsInputs());
}

void SimMonitor::WriteRegister(int n, uint32_t word) {
    switch (n) {
    case kFirmware:
    case kCurrentTime:
    case kWarmupRemaining:
        return; // the monitor's own
    case kLastSyncTime:
        m_registers[n].value = word;
        SetDeviceClock(word);
        return;
    default:
        break;
    }
    // The physics so far ran with the registers as they were.
    AdvanceDynamics();
    Register& r = m_registers[n];
    r.value = SimValueOf(n, word);
    if (IsLiveRegister(n) || SimDynamics::Measures(n) || n == kStatusCode || n == kShiftStartTime)
        r.pinned = true;
}

void SimMonitor::PutRegisterEntry(std::vector<uint8_t>& answer, int n) const {
    answer.push_back(static_cast<uint8_t>(n));
    answer.insert(answer.end(), 3, 0);
    PushU32(answer, WordNow(n));
}

void SimMonitor::PutFullRegister(std::vector<uint8_t>& answer, int n) const {
    PutRegisterEntry(answer, n);
    PushU32(answer, m_registers[n].loggingCode);
    PushU32(answer, FloatToWord(m_registers[n].delta));
}

// ---- framing ---------------------------------------------------------------------------------------

void SimMonitor::FeedHostBytes(const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
    std::lock_guard lock(m_lock);
    if (m_silent)
        return;
    for (size_t i = 0; i < length; ++i) {
        if (m_receiver.Feed(data[i]))
            HandleFrame(m_receiver.Body(), m_receiver.Length(), out);
    }
}

void SimMonitor::HandleFrame(const uint8_t* body, size_t length, std::vector<uint8_t>& out) {
    // Command, sequence and two check bytes at least; a damaged frame gets no answer.
    if (length < 4 || !BodyCheckValid(body, length))
        return;
    const uint8_t command = body[0];
    const uint8_t sequence = body[1];
    const uint8_t* payload = body + 2;
    const size_t payloadLength = length - 4;

    m_requests.push_back(
        {command, sequence, std::vector<uint8_t>(payload, payload + payloadLength), m_clock.NowMs()});
    if (m_requestLimit > 0 && m_requests.size() > m_requestLimit)
        m_requests.erase(m_requests.begin(), m_requests.end() - std::ptrdiff_t(m_requestLimit));

    Advance();
    std::vector<uint8_t> answer;
    if (Answer(command, payload, payloadLength, answer))
        EmitAnswer(command, sequence, std::move(answer), out);
    else
        EmitAnswer(CMD_NAK, sequence, {}, out);
}

void SimMonitor::EmitAnswer(uint8_t command, uint8_t sequence, std::vector<uint8_t> payload,
                            std::vector<uint8_t>& out) {
    if (!m_faults.empty()) {
        const Fault fault = m_faults.front();
        m_faults.pop_front();
        switch (fault) {
        case Fault::Drop:
            return;
        case Fault::Nak:
            command = CMD_NAK;
            payload.clear();
            break;
        case Fault::Short:
            payload.resize(payload.size() / 2);
            break;
        case Fault::Runt: {
            // The sequence and payload are lost on the line; the check still matches the command.
            std::vector<uint8_t> body{command};
            const uint8_t low = static_cast<uint8_t>(Crc16(body.data(), body.size()) & 0xFF);
            body.push_back(CheckByteA(low));
            body.push_back(CheckByteB(low));
            AppendEscapedFrame(body, out);
            return;
        }
        case Fault::Corrupt: {
            std::vector<uint8_t> body{command, sequence};
            body.insert(body.end(), payload.begin(), payload.end());
            const uint8_t low = static_cast<uint8_t>(Crc16(body.data(), body.size()) & 0xFF);
            body.push_back(CheckByteA(low));
            body.push_back(CheckByteB(low));
            // A bit of the payload goes wrong on the line; should the low CRC byte happen to survive
            // that, the check byte takes a hit too.
            const size_t victim = payload.empty() ? body.size() - 2 : 2 + payload.size() / 2;
            body[victim] ^= 0x01;
            if (BodyCheckValid(body.data(), body.size()))
                body[body.size() - 2] ^= 0x01;
            AppendEscapedFrame(body, out);
            return;
        }
        }
    }
    const std::vector<uint8_t> frame = EncodeFrame(command, sequence, payload.data(), payload.size());
    out.insert(out.end(), frame.begin(), frame.end());
}

// ---- inspection and control ------------------------------------------------------------------------

void SimMonitor::InjectFault(Fault fault, int count) {
    std::lock_guard lock(m_lock);
    for (int i = 0; i < count; ++i)
        m_faults.push_back(fault);
}

int SimMonitor::PendingFaults() const {
    std::lock_guard lock(m_lock);
    return int(m_faults.size());
}

void SimMonitor::SetSilent(bool silent) {
    std::lock_guard lock(m_lock);
    m_silent = silent;
    m_receiver.Reset(); // a half-heard frame does not survive the cable being pulled
}

bool SimMonitor::Silent() const {
    std::lock_guard lock(m_lock);
    return m_silent;
}

void SimMonitor::SetFirmware(float v) {
    std::lock_guard lock(m_lock);
    m_config.firmware = v;
}

float SimMonitor::Firmware() const {
    std::lock_guard lock(m_lock);
    return m_config.firmware;
}

void SimMonitor::SetSerialNumber(uint32_t n) {
    std::lock_guard lock(m_lock);
    m_registers[kSerialNumber].value = n;
}

void SimMonitor::SetSerialText(std::string t) {
    std::lock_guard lock(m_lock);
    if (t.size() > SERIAL_TEXT_SIZE)
        t.resize(SERIAL_TEXT_SIZE);
    m_serialText = std::move(t);
}

std::vector<SimRequest> SimMonitor::Requests() const {
    std::lock_guard lock(m_lock);
    return m_requests;
}

void SimMonitor::ClearRequests() {
    std::lock_guard lock(m_lock);
    m_requests.clear();
}

void SimMonitor::SetRequestLimit(size_t limit) {
    std::lock_guard lock(m_lock);
    m_requestLimit = limit;
}

uint32_t SimMonitor::RegisterWord(int n) const {
    std::lock_guard lock(m_lock);
    if (n < 0 || n >= PRC_COUNT)
        return 0;
    Advance();
    return WordNow(n);
}

double SimMonitor::RegisterValue(int n) const {
    std::lock_guard lock(m_lock);
    if (n < 0 || n >= PRC_COUNT)
        return 0.0;
    Advance();
    return SimValueOf(n, WordNow(n));
}

void SimMonitor::SetRegisterValue(int n, double v) {
    std::lock_guard lock(m_lock);
    if (n < 0 || n >= PRC_COUNT)
        return;
    switch (n) {
    case kFirmware:
        m_config.firmware = static_cast<float>(v);
        return;
    case kLastSyncTime:
    case kCurrentTime:
        m_registers[n].value = v;
        SetDeviceClock(SimWordOf(n, v));
        return;
    default:
        m_registers[n].value = v;
        m_registers[n].pinned = true;
    }
}

uint32_t SimMonitor::LoggingCode(int n) const {
    std::lock_guard lock(m_lock);
    return n >= 0 && n < PRC_COUNT ? m_registers[n].loggingCode : 0;
}

float SimMonitor::LoggingDelta(int n) const {
    std::lock_guard lock(m_lock);
    return n >= 0 && n < PRC_COUNT ? m_registers[n].delta : 0.0f;
}

void SimMonitor::SetInlet(SimInlet inlet) {
    std::lock_guard lock(m_lock);
    AdvanceDynamics();
    m_dynamics.SetInlet(inlet);
}

void SimMonitor::SetOrifice(SimOrifice orifice) {
    std::lock_guard lock(m_lock);
    AdvanceDynamics();
    m_dynamics.SetOrifice(orifice);
}

void SimMonitor::SetOrientation(SimOrientation orientation) {
    std::lock_guard lock(m_lock);
    AdvanceDynamics();
    m_dynamics.SetOrientation(orientation);
}

void SimMonitor::SetTransducerInstalled(bool installed) {
    std::lock_guard lock(m_lock);
    AdvanceDynamics();
    m_dynamics.SetTransducerInstalled(installed);
}

void SimMonitor::AddWeight(double mg) {
    std::lock_guard lock(m_lock);
    AdvanceDynamics();
    m_dynamics.AddMass(mg);
}

void SimMonitor::SetFaults(const SimFaults& faults) {
    std::lock_guard lock(m_lock);
    AdvanceDynamics();
    m_config.faults = faults;
    m_dynamics.SetFaults(faults);
}

double SimMonitor::ReferenceFlow() const {
    std::lock_guard lock(m_lock);
    AdvanceDynamics();
    return m_dynamics.ReferenceFlow();
}

double SimMonitor::DynamicsSeconds() const {
    std::lock_guard lock(m_lock);
    return double(m_clock.NowMs() - m_startMs) / 1000.0 * m_config.timeScale;
}

int SimMonitor::DeviceState() const {
    std::lock_guard lock(m_lock);
    Advance();
    return StateNow();
}

uint32_t SimMonitor::DeviceTime() const {
    std::lock_guard lock(m_lock);
    return WordNow(kCurrentTime);
}

std::string SimMonitor::TemplateName() const {
    std::lock_guard lock(m_lock);
    return m_templateName;
}

std::string SimMonitor::SerialText() const {
    std::lock_guard lock(m_lock);
    return m_serialText;
}

std::vector<uint8_t> SimMonitor::StoredProgram() const {
    std::lock_guard lock(m_lock);
    return m_program.Payload();
}

SimShiftFields SimMonitor::ProgramFields() const {
    std::lock_guard lock(m_lock);
    return m_program.Fields();
}

bool SimMonitor::FactoryResetReceived() const {
    std::lock_guard lock(m_lock);
    return m_factoryReset;
}

std::vector<SimSample> SimMonitor::StoredSamples() const {
    std::lock_guard lock(m_lock);
    Advance();
    const bool local = OldClass();
    const SimZone zone = Zone();
    std::vector<SimSample> out;
    for (int i = 0; i < m_storage.Count(); ++i) {
        SimSample sample = *m_storage.Sample(i);
        for (const StoredItem& item : *m_storage.Items(i))
            sample.items.push_back({item.tag, SimStorage::Transferred(item, local, zone)});
        out.push_back(std::move(sample));
    }
    return out;
}

int SimMonitor::SampleCount() const {
    std::lock_guard lock(m_lock);
    Advance();
    return m_storage.Count();
}

std::vector<SimItem> SimMonitor::ServiceLogItems() const {
    std::lock_guard lock(m_lock);
    const bool local = OldClass();
    const SimZone zone = Zone();
    std::vector<SimItem> out;
    for (const StoredItem& item : m_storage.ServiceLog())
        out.push_back({item.tag, SimStorage::Transferred(item, local, zone)});
    return out;
}

} // namespace orvo::sim
