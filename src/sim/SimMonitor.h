#pragma once

#include "SimDynamics.h"
#include "SimProgram.h"
#include "SimStorage.h"
#include "SimTypes.h"
#include "link/FrameCodec.h"
#include "model/PrcTable.h"
#include "platform/Clock.h"
#include "platform/TimeZoneSource.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace orvo::sim {

// A simulated monitor: answers every command of the protocol from its own registers, program and
// stored samples. Thread-safe: the link thread feeds it while a test inspects it.
class SimMonitor {
public:
    SimMonitor(SimConfig config, Clock& clock, const TimeZoneSource& zone);
    SimMonitor(const SimMonitor&) = delete;
    SimMonitor& operator=(const SimMonitor&) = delete;

    // Bytes written by the host; the bytes of complete answer frames are appended to `out`.
    void FeedHostBytes(const uint8_t* data, size_t length, std::vector<uint8_t>& out);

    void InjectFault(Fault fault, int count = 1);
    int PendingFaults() const;
    // Answers nothing at all and hears nothing (cable pulled).
    void SetSilent(bool silent);
    bool Silent() const;

    // Swapping the monitor on the same port.
    void SetFirmware(float v);
    void SetSerialNumber(uint32_t n);
    void SetSerialText(std::string t);
    float Firmware() const;
    bool OldFirmware() const; // (double)firmware <= 6.69

    // Every valid request received, in order, with the clock time.
    std::vector<SimRequest> Requests() const;
    void ClearRequests();
    // Keeps only the newest `limit` requests (0 = all); a long-running monitor would grow without bound.
    void SetRequestLimit(size_t limit);

    // The technician's hands on the simulated instrument (what the procedures' prompts ask for).
    void SetInlet(SimInlet inlet);
    void SetOrifice(SimOrifice orifice);
    void SetOrientation(SimOrientation orientation);
    void SetTransducerInstalled(bool installed); // register 9
    void AddWeight(double mg);                   // onto the transducer's filter
    void SetFaults(const SimFaults& faults);
    // What an external flow meter at the inlet reads now, L/min.
    double ReferenceFlow() const;
    // Simulated seconds of the dynamics so far (the clock's, times the time scale).
    double DynamicsSeconds() const;

    // Registers as the monitor would answer them now (dynamic ones computed from the clock).
    uint32_t RegisterWord(int n) const;
    double RegisterValue(int n) const;
    // Sets a value directly and stops any dynamics of that register (1 also sets the serial number,
    // 0 the firmware, 2 and 3 the device clock).
    void SetRegisterValue(int n, double v);
    uint32_t LoggingCode(int n) const;
    float LoggingDelta(int n) const;

    int DeviceState() const;     // at the clock's current time
    uint32_t DeviceTime() const; // seconds on the device clock (local for old firmware)
    std::string TemplateName() const;
    std::string SerialText() const;
    std::vector<uint8_t> StoredProgram() const; // the last program payload received (short or long layout)
    SimShiftFields ProgramFields() const;       // its fields, start in UTC
    bool FactoryResetReceived() const;

    // The stored samples as the monitor would transfer them now: items in order with record times and
    // time registers on the device clock; startUtc/endUtc and fields for the directory entry (the short
    // entry carries the times on the local clock, the long one in UTC); so that tests can compute
    // expectations independently.
    std::vector<SimSample> StoredSamples() const;
    int SampleCount() const;
    std::vector<SimItem> ServiceLogItems() const;

private:
    struct Register {
        double value = 0;
        bool pinned = false; // written: its dynamics no longer apply
        uint32_t loggingCode = 0;
        float delta = 0;
    };

    // The old protocol class: (double)firmware <= 6.69, so 6.69 itself counts as new.
    bool OldClass() const { return double(m_config.firmware) <= 6.69; }
    void ResetRegisters();
    void Advance() const; // lets a programmed shift finish into a stored sample
    int64_t DeviceUtcMs() const;
    SimZone Zone() const;
    uint32_t ToDevice(uint32_t utc) const;
    uint32_t FromDevice(uint32_t device) const;
    int StateNow() const;
    uint32_t WordNow(int n) const;
    SimDynamicsInputs DynamicsInputs() const;
    void AdvanceDynamics() const;
    void WriteRegister(int n, uint32_t word);
    void SetDeviceClock(uint32_t deviceSeconds);

    void HandleFrame(const uint8_t* body, size_t length, std::vector<uint8_t>& out);
    // Fills the answer; false = NAK.
    bool Answer(uint8_t command, const uint8_t* p, size_t n, std::vector<uint8_t>& answer);
    bool AnswerBlock(const std::vector<StoredItem>* items, uint32_t first, size_t headerSize,
                     std::vector<uint8_t>& answer) const;
    void EmitAnswer(uint8_t command, uint8_t sequence, std::vector<uint8_t> payload,
                    std::vector<uint8_t>& out);
    void PutRegisterEntry(std::vector<uint8_t>& answer, int n) const;
    void PutFullRegister(std::vector<uint8_t>& answer, int n) const;

    mutable std::mutex m_lock;
    SimConfig m_config;
    Clock& m_clock;
    const TimeZoneSource& m_zone;
    FrameReceiver m_receiver;
    Register m_registers[PRC_COUNT];
    int64_t m_clockOffsetMs = 0; // device clock minus the simulator's clock
    std::string m_templateName;
    std::string m_serialText;
    mutable SimProgram m_program;
    mutable SimStorage m_storage;
    mutable SimDynamics m_dynamics;
    int64_t m_startMs = 0; // the dynamics' zero
    std::deque<Fault> m_faults;
    bool m_silent = false;
    bool m_factoryReset = false;
    std::vector<SimRequest> m_requests;
    size_t m_requestLimit = 0;
};

} // namespace orvo::sim
