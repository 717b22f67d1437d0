#include "link/CDeviceLink.h"

#include <system_error>

#include "link/FrameTrace.h"
#include "link/Protocol.h"
#include "model/PrcRegisters.h"
#include "platform/Clock.h"
#include "platform/MessageSink.h"

namespace orvo {

namespace {

const char* OpenFailureText(PortOpenError error) {
    switch (error) {
    case PortOpenError::Configure:
        return "Unable to configure the serial port";
    case PortOpenError::Timeouts:
        return "Unable to set the time-out parameters";
    default:
        return "Unable to open the port";
    }
}

} // namespace

CDeviceLink::CDeviceLink(LinkEvents& events, Clock& clock, const TimeZoneSource& zone, MessageSink& messages)
    : m_events(events), m_clock(clock), m_zone(zone), m_messages(messages),
      m_assembler(events.Registers(), [this](uint32_t time) { return DeviceTimeToUtc(time); }) {}

CDeviceLink::~CDeviceLink() {
    Close(false);
}

bool CDeviceLink::Open(const std::string& portName, SerialPortFactory factory) {
    if (IsOpen())
        Close(false);
    m_stop = false;
    m_powerDown = false;
    std::promise<PortOpenResult> opened;
    std::future<PortOpenResult> result = opened.get_future();
    try {
        m_thread = std::thread(&CDeviceLink::ThreadMain, this, portName, std::move(factory), &opened);
    } catch (const std::system_error&) {
        m_messages.ShowError("Error", "Unable to create the read thread");
        return false;
    }
    const PortOpenResult open = result.get();
    if (open.ok())
        return true;
    m_thread.join();
    std::string text = OpenFailureText(open.error);
    if (!open.reason.empty())
        text += "\n" + open.reason;
    m_messages.ShowError("Error", text);
    return false;
}

void CDeviceLink::Close(bool powerDown) {
    if (powerDown && IsOpen()) {
        // Decided while no frame is between the queue and the wire: the link thread sees the
        // stop flag before it takes another one, so the power-down frame goes out next, ahead
        // of an idle poll or a request a handler chains meanwhile.
        std::lock_guard wire(m_wireLock);
        std::lock_guard lock(m_queueLock);
        m_queue.clear();
        m_powerDownFrame = PowerDownFrame();
        m_powerDown = true;
        m_stop = true;
    }
    if (m_thread.joinable()) {
        // The thread sees the flag within one read time-out; a handler waiting on the user
        // interface has been released by the document before it closes the link.
        m_stop = true;
        m_thread.join();
    }
    std::lock_guard lock(m_queueLock);
    m_queue.clear();
    m_powerDownFrame.clear();
    m_powerDown = false;
}

// Registers 10, 147, 145, 146 := 0 and 73, 34, 47 := 0.0: pump, heaters and their loops off.
std::vector<uint8_t> CDeviceLink::PowerDownFrame() {
    static const int kRegisters[] = {PRC_POWER_ACTIVATED,       PRC_FLOW_PID_ACTIVE,
                                     PRC_AIR_HEATER_PID_ACTIVE, PRC_TE_HEATER_PID_ACTIVE,
                                     PRC_FLOW_RATE_DUTY_CYCLE,  PRC_AIR_HEATER_DUTY_CYCLE,
                                     PRC_TE_HEATER_DUTY_CYCLE};
    uint8_t payload[4 + 7 * REGISTER_ENTRY_SIZE] = {7};
    for (size_t i = 0; i < 7; ++i)
        payload[4 + i * REGISTER_ENTRY_SIZE] = static_cast<uint8_t>(kRegisters[i]);
    if (m_sequence == 0)
        m_sequence = 1;
    return EncodeFrame(CMD_WRITE_PRC, m_sequence++, payload, sizeof payload);
}

bool CDeviceLink::Send(uint8_t command, const uint8_t* payload, size_t length) {
    if (length > FRAME_MAX_PAYLOAD)
        return false;
    try {
        auto request = std::make_unique<LinkRequest>();
        std::lock_guard lock(m_queueLock);
        if (m_sequence == 0)
            m_sequence = 1;
        request->sequence = m_sequence++;
        request->frame = EncodeFrame(command, request->sequence, payload, length);
        m_queue.push_back(std::move(request));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

size_t CDeviceLink::QueueLength() const {
    std::lock_guard lock(m_queueLock);
    return m_queue.size();
}

LinkCounters CDeviceLink::Counters() const {
    std::lock_guard lock(m_queueLock);
    return m_counters;
}

void CDeviceLink::ClearQueue() {
    std::lock_guard lock(m_queueLock);
    m_queue.clear();
}

void CDeviceLink::ThreadMain(const std::string& portName, SerialPortFactory factory,
                             std::promise<PortOpenResult>* opened) {
    m_portName = portName;
    m_factory = std::move(factory);
    m_port = m_factory ? m_factory() : nullptr;
    PortOpenResult result = m_port ? m_port->Open(portName) : PortOpenResult{PortOpenError::Open, ""};
    const bool ok = result.ok();
    opened->set_value(std::move(result)); // `opened` dies with Open's frame after this
    if (!ok) {
        m_port.reset();
        return;
    }
    m_portUp = true;
    m_receiver.Reset();
    m_idle = 0;
    m_resendNow = false;
    m_nakCount = 0;

    RunPasses();

    if (m_portUp && m_powerDown) {
        std::vector<uint8_t> frame;
        {
            std::lock_guard lock(m_queueLock);
            frame = m_powerDownFrame;
        }
        if (!frame.empty()) {
            m_port->Write(frame.data(), frame.size());
            Trace(true, frame.data(), frame.size());
        }
    }
    if (m_port)
        m_port->Close();
    m_port.reset();
    m_portUp = false;
}

void CDeviceLink::RunPasses() {
    while (!m_stop) {
        if (!m_portUp) {
            WaitForPort();
            continue;
        }
        IdleStep();
        Transmission sent;
        bool written = true;
        {
            std::lock_guard wire(m_wireLock);
            if (m_stop)
                break;
            sent = TransmitStep();
            if (!sent.frame.empty())
                written = WriteFrame(sent.frame);
        }
        if (!written)
            PortFailed();
        if (sent.linkLost)
            m_events.OnLinkLost();
        if (m_portUp)
            ReceiveStep();
    }
}

bool CDeviceLink::IdleStep() {
    bool empty;
    {
        std::lock_guard lock(m_queueLock);
        empty = m_queue.empty();
    }
    if (!empty) {
        m_idle = 0;
    } else if (m_idle < IDLE_POLL_MS) {
        m_idle += PASS_MS;
    } else {
        m_idle = 0;
        m_events.QueueIdlePoll();
        return true;
    }
    return false;
}

CDeviceLink::Transmission CDeviceLink::TransmitStep() {
    std::lock_guard lock(m_queueLock);
    if (m_queue.empty())
        return {};
    LinkRequest& head = *m_queue.front();
    head.timeLeft -= PASS_MS;
    if (head.timeLeft > 0 && !m_resendNow)
        return {};
    if (head.retriesLeft > 0 || m_resendNow) {
        if (!m_resendNow)
            --head.retriesLeft;
        head.timeLeft = RESEND_MS;
        m_resendNow = false;
        ++m_counters.framesWritten;
        return {head.frame, false};
    }
    // Seven transmissions unanswered: the monitor is gone.
    m_queue.clear();
    m_nakCount = 0;
    ++m_counters.linksLost;
    return {{}, true};
}

bool CDeviceLink::WriteFrame(const std::vector<uint8_t>& frame) {
    // The monitor wakes its serial interface on a DTR pulse; a line that cannot be driven
    // (a pseudo-terminal) is no error.
    m_port->SetDtr(true);
    m_clock.SleepMs(1);
    m_port->SetDtr(false);
    m_clock.SleepMs(1);
    Trace(true, frame.data(), frame.size());
    return m_port->Write(frame.data(), frame.size());
}

void CDeviceLink::Trace(bool sent, const uint8_t* data, size_t length) {
    const int64_t now = m_clock.NowMs();
    m_ring.Bytes(sent, now, data, length);
    if (FrameTrace* trace = m_trace.load())
        trace->Bytes(sent, now, data, length);
}

void CDeviceLink::TraceReceived() {
    if (m_rawIn.empty())
        return;
    Trace(false, m_rawIn.data(), m_rawIn.size());
    m_rawIn.clear();
}

bool CDeviceLink::ReceiveStep() {
    while (!m_stop) {
        uint8_t byte = 0;
        switch (m_port->ReadByte(byte, PASS_MS)) {
        case ReadResult::Timeout:
            TraceReceived();
            return false;
        case ReadResult::Error:
            TraceReceived();
            PortFailed();
            return false;
        case ReadResult::Byte:
            break;
        }
        if (m_rawIn.size() < 4 * FRAME_MAX_BODY)
            m_rawIn.push_back(byte);
        if (m_receiver.Feed(byte)) {
            TraceReceived();
            ProcessFrame(m_receiver.Body(), m_receiver.Length());
            return true;
        }
    }
    return false;
}

// The device itself failed (an adapter pulled out): treat it as a lost monitor, then try to
// reopen the same path about once a second so that a re-plugged adapter reconnects by itself.
void CDeviceLink::PortFailed() {
    {
        std::lock_guard lock(m_queueLock);
        ++m_counters.portFailures;
        m_queue.clear();
    }
    m_port->Close();
    m_port.reset();
    m_portUp = false;
    m_events.OnLinkLost();
}

void CDeviceLink::WaitForPort() {
    for (int waited = 0; waited < REOPEN_MS && !m_stop; waited += PASS_MS) {
        m_clock.SleepMs(PASS_MS);
        ClearQueue(); // nothing can be sent; views were told the link is lost
    }
    if (m_stop)
        return;
    m_port = m_factory();
    if (m_port && m_port->Open(m_portName).ok()) {
        m_portUp = true;
        m_receiver.Reset();
        m_idle = 0;
        m_resendNow = false;
        m_nakCount = 0;
    } else {
        m_port.reset();
    }
}

void CDeviceLink::ProcessFrame(const uint8_t* body, size_t length) {
    uint8_t command;
    const uint8_t* payload = nullptr;
    size_t payloadLength = 0;
    bool lostStatus = false;
    {
        std::lock_guard lock(m_queueLock);
        if (m_queue.empty())
            return;
        // Command, sequence and two check bytes at least. A shorter body can pass the check by
        // chance, its first check byte read as the sequence, and has no payload to read.
        if (length < FRAME_MIN_BODY) {
            ++m_counters.runts;
            return;
        }
        if (!BodyCheckValid(body, length)) {
            ++m_counters.badChecks;
            return; // dropped silently: the request times out and is resent
        }
        command = body[0];
        const uint8_t sequence = body[1];
        if (sequence != m_queue.front()->sequence && sequence != 0) {
            ++m_counters.foreignSequence;
            return;
        }
        if (command == CMD_NAK) {
            ++m_counters.naks;
            if (m_nakCount < MAX_NAKS) {
                ++m_nakCount;
                m_resendNow = true;
                return;
            }
            m_nakCount = 0;
            const uint8_t refused = m_queue.front()->Command();
            m_queue.pop_front();
            lostStatus = refused == CMD_GET_STATUS || refused == CMD_GET_STATUS_EX;
        } else {
            payload = body + 2;
            payloadLength = length - 4;
            // An answer too short for its layout is treated like a corrupted frame, before the
            // request is taken off the queue, so that it is asked for again.
            if (!AnswerFits(command, payload, payloadLength)) {
                ++m_counters.shortAnswers;
                return;
            }
            m_queue.pop_front();
            m_nakCount = 0;
            m_resendNow = false;
            ++m_counters.answersAccepted;
        }
    }
    if (command == CMD_NAK) {
        if (lostStatus)
            m_events.OnLinkLost();
        return;
    }
    Dispatch(command, payload, payloadLength);
}

} // namespace orvo
