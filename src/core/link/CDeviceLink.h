#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "download/DataRecordAssembler.h"
#include "link/DeviceRequests.h"
#include "link/FrameCodec.h"
#include "link/LinkEvents.h"
#include "link/SerialPort.h"
#include "link/TraceRing.h"

namespace orvo {

class Clock;
class FrameTrace;
class MessageSink;
class TimeZoneSource;
struct ShiftProgram;

// One queued request: the frame exactly as it goes on the wire, built once and resent
// byte for byte.
struct LinkRequest {
    uint8_t sequence = 0;
    std::vector<uint8_t> frame;
    uint32_t retriesLeft = 7;
    int32_t timeLeft = 0; // ms; 0 so that the first transmission happens on the next pass

    uint8_t Command() const { return frame.size() > 2 ? frame[2] : 0; }
};

struct LinkCounters {
    uint64_t framesWritten = 0; // transmissions, retries included
    uint64_t answersAccepted = 0;
    uint64_t badChecks = 0; // complete frames whose check bytes were wrong
    uint64_t runts = 0;     // bodies too short to hold command, sequence and check bytes
    uint64_t foreignSequence = 0;
    uint64_t shortAnswers = 0; // answers shorter than their layout, dropped
    uint64_t naks = 0;
    uint64_t linksLost = 0;
    uint64_t portFailures = 0;
};

// The serial link to one monitor: the request queue, the link thread that sends the head
// request with retries and reassembles answers, the command senders and the answer handlers.
// The port is opened, used and closed on the link thread only. Answers are reported to the
// owner through LinkEvents.
class CDeviceLink final : public DeviceRequests {
public:
    static constexpr int PASS_MS = 25;    // one read time-out
    static constexpr int RESEND_MS = 325; // between transmissions of one request
    static constexpr uint32_t TRANSMISSIONS = 7;
    static constexpr int MAX_NAKS = 5;       // immediate resends per request
    static constexpr int IDLE_POLL_MS = 250; // empty queue before the idle poll
    static constexpr int REOPEN_MS = 1000;   // a failed port is reopened about once a second

    CDeviceLink(LinkEvents& events, Clock& clock, const TimeZoneSource& zone, MessageSink& messages);
    ~CDeviceLink() override;
    CDeviceLink(const CDeviceLink&) = delete;
    CDeviceLink& operator=(const CDeviceLink&) = delete;

    // Opens the port on a new link thread and waits for the result. On failure the reason is
    // shown through the message sink with the caption "Error".
    bool Open(const std::string& portName, SerialPortFactory factory);
    // Ends the connection. With powerDown the queue is dropped and one register write that
    // switches the pump, the heaters and their control loops off is the next thing written.
    void Close(bool powerDown);
    bool IsOpen() const { return m_thread.joinable(); }
    bool StopRequested() const { return m_stop; }

    // Builds the frame and appends it to the queue. False only when it cannot be queued.
    bool Send(uint8_t command, const uint8_t* payload, size_t length);

    // Senders; each returns false when its arguments are refused or nothing could be queued.
    bool RequestStatus(bool extended);
    bool FactoryReset() override;
    bool ReadRegisters(const std::vector<int>& numbers) override;
    bool WriteRegisters(const RegisterWrites& values) override;
    bool ReadFullRegister(int number) override;
    bool SetLogging(int number, uint32_t loggingCode, float delta) override;
    bool ReadShiftProgram(bool extended) override;
    bool ProgramShift(const ShiftProgram& program, bool extended) override;
    bool RequestSampleCount() override;
    bool RequestSampleEntry(uint8_t index, bool extended);
    bool StartSampleData(uint8_t index) override;
    bool RequestDataBlock(uint8_t index, uint32_t firstItem);
    bool SetTemplateName(const std::string& name) override;
    bool RequestTemplateName() override;
    bool SetSerialText(const std::string& text) override;
    bool RequestSerialText() override;
    bool StartServiceLog() override;
    bool RequestLogBlock(uint32_t firstItem);
    void CancelTransfer() override { m_cancel = true; }

    // Every frame and read also goes to `trace` (none by default); the latest always go to a ring.
    void SetTrace(FrameTrace* trace) { m_trace = trace; }
    std::vector<std::string> TraceLines() const { return m_ring.Lines(); }
    size_t QueueLength() const;
    LinkCounters Counters() const;

    // Handles one received frame body; runs on the link thread (public for tests and fuzz
    // targets that feed bodies directly, with no port open).
    void ProcessFrame(const uint8_t* body, size_t length);

private:
    struct Transmission {
        std::vector<uint8_t> frame;
        bool linkLost = false;
    };

    void ThreadMain(const std::string& portName, SerialPortFactory factory,
                    std::promise<PortOpenResult>* opened);
    void RunPasses();
    bool IdleStep();
    Transmission TransmitStep();
    bool WriteFrame(const std::vector<uint8_t>& frame);
    bool ReceiveStep();
    void PortFailed();
    void WaitForPort();
    void ClearQueue();
    std::vector<uint8_t> PowerDownFrame();
    void Trace(bool sent, const uint8_t* data, size_t length);
    void TraceReceived();

    // Every handler gets the payload with its length and reads nothing beyond it.
    static bool AnswerFits(uint8_t command, const uint8_t* payload, size_t length);
    void Dispatch(uint8_t command, const uint8_t* payload, size_t length);
    void OnRegisterList(const uint8_t* payload, size_t length);
    void OnFullRegister(const uint8_t* payload, size_t length, bool storeValue);
    void OnProgramRecord(uint8_t command, const uint8_t* payload, size_t length);
    void OnSampleCount(const uint8_t* payload, size_t length);
    void OnSampleEntry(uint8_t command, const uint8_t* payload, size_t length);
    void OnStartTransfer(bool serviceLog, const uint8_t* payload, size_t length);
    void OnDataBlock(bool serviceLog, const uint8_t* payload, size_t length);
    void OnText(uint8_t command, const uint8_t* payload, size_t length);
    void OnStatus(uint8_t command, const uint8_t* payload, size_t length);
    uint32_t DeviceTimeToUtc(uint32_t value) const;
    double WordValue(int number, uint32_t word) const;

    LinkEvents& m_events;
    Clock& m_clock;
    const TimeZoneSource& m_zone;
    MessageSink& m_messages;
    std::atomic<FrameTrace*> m_trace{nullptr};
    TraceRing m_ring;

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_powerDown{false};
    std::unique_ptr<SerialPort> m_port; // link thread only
    std::string m_portName;             // link thread only
    SerialPortFactory m_factory;        // link thread only
    bool m_portUp = false;              // link thread only
    FrameReceiver m_receiver;           // link thread only
    std::vector<uint8_t> m_rawIn;       // bytes read since the last trace line
    int m_idle = 0;                     // link thread only

    // Held by the link thread from taking a frame off the queue to writing it, and by Close
    // while it decides to power down, so that nothing goes out between the two. Taken before
    // m_queueLock; never held while the owner is told anything.
    std::mutex m_wireLock;
    mutable std::mutex m_queueLock;
    std::deque<std::unique_ptr<LinkRequest>> m_queue;
    uint8_t m_sequence = 0;
    std::vector<uint8_t> m_powerDownFrame;
    bool m_resendNow = false; // link thread only
    int m_nakCount = 0;       // link thread only
    LinkCounters m_counters;  // under m_queueLock

    // Transfer bookkeeping, link thread only except the two flags.
    uint32_t m_itemTotal = 0;
    DataRecordAssembler m_assembler;
    std::atomic<bool> m_cancel{false};
    // From the start request until the transfer ends or a listing is asked for: the record list
    // then holds that transfer's records only, so entries of a listing still answered are dropped.
    std::atomic<bool> m_transferring{false};
};

} // namespace orvo
