#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/CDeviceLink.h"
#include "link/LinkEvents.h"
#include "model/BusyOperation.h"
#include "model/PrcTable.h"
#include "model/StatusAnswer.h"

namespace orvo {

class Clock;
class MessageSink;
class TimeZoneSource;
class UpdateHandOff;

// A view of a document: told of every change through one update call.
class IDocView {
public:
    virtual ~IDocView() = default;
    virtual void OnDocUpdate(uint32_t flags, intptr_t value) = 0;
};

enum AccessMode : int32_t { ACCESS_STANDARD = 0, ACCESS_SERVICE = 1, ACCESS_EXPERT = 2 };
enum DeviceState : int32_t { STATE_STOPPED = 1, STATE_PROGRAMMED = 2, STATE_WARMING = 3, STATE_RUNNING = 4 };

// One connected monitor: its register table, its link and what is known of it. Handlers on
// the link thread write the connection fields and the record list under the data lock and
// release it before telling the views.
class COrvodeskDoc final : public LinkEvents {
public:
    COrvodeskDoc(Clock& clock, const TimeZoneSource& zone, MessageSink& messages);
    ~COrvodeskDoc() override;
    COrvodeskDoc(const COrvodeskDoc&) = delete;
    COrvodeskDoc& operator=(const COrvodeskDoc&) = delete;

    // The mode from the whole command-line text: exactly "expert" or "service", else standard.
    static AccessMode AccessModeFromCommandLine(const std::string& commandLine);

    // Resets the connection state and takes the access mode for a new connection.
    void BeginConnection(const std::string& commandLine);
    // Sets the title "Orvo - <port>" and opens the link; false (with the link's message) on failure.
    bool OpenConnection(const std::string& portName, SerialPortFactory factory,
                        const std::string& title = "");
    // Refused (false) while a shift is being programmed or cleared. Otherwise the link is closed,
    // powering the monitor down when it is stopped or only programmed. Busy never lasts: it ends
    // with the monitor's answer, a dropped request or a lost link (BusyOperation).
    bool CanClose() const;
    bool Close();

    // Views and the hand-off to the user-interface thread.
    void AddView(IDocView* view);
    void RemoveView(IDocView* view);
    void SetHandOff(std::shared_ptr<UpdateHandOff> handOff);
    // Called on the link thread; returns when every view has handled the update (or the
    // hand-off was cancelled by a close).
    void UpdateViews(uint32_t flags, intptr_t value) override;

    CDeviceLink& Link() { return m_link; }
    PrcTable& Registers() override { return m_registers; }
    const PrcTable& Registers() const { return m_registers; }
    // The zone the document was given; the forms show its times in it.
    const TimeZoneSource& Zone() const { return m_zone; }

    // Connection facts.
    bool Connected() const;
    bool NewFirmware() const override;
    float FirmwareVersion() const override;
    int32_t State() const;
    uint32_t DeviceTime() const;
    bool SerialTextKnown() const;
    std::string SerialText() const;
    std::string TemplateName() const;
    std::string Title() const;
    AccessMode Mode() const { return m_mode; }

    // Flags and selectors the forms share. Setting a busy flag starts following the program
    // just about to be queued; the document clears it when the outcome is known.
    bool ProgrammingBusy() const;
    void SetProgrammingBusy(bool busy);
    bool ClearingBusy() const;
    void SetClearingBusy(bool busy);
    // Why the last programming or clearing ended without the monitor taking it; once.
    std::optional<std::string> TakeBusyFailure();
    bool ServiceLog() const { return m_serviceLog; }
    void SetServiceLog(bool serviceLog) { m_serviceLog = serviceLog; }
    void SuppressNextStatusUpdate() { m_suppressNextStatus = true; }
    bool LeakCheckDone() const;
    double LeakCheckResult() const;
    void SetLeakCheck(double result);
    // A write that must reach the monitor although it is gone now (a procedure's safe state when
    // its form closed with the cable out): sent once the monitor answers again, if it is then
    // stopped or only programmed; forgotten when it comes back sampling or the document closes.
    void OweOnReconnection(RegisterWrites values);
    void ForgetLeakCheck();
    std::string CurrentEntry() const;
    void SetCurrentEntry(std::string entry);
    // Seconds between the results' display rows, set when a download completes; -1 = automatic.
    int64_t DisplayInterval() const { return m_displayInterval; }
    void SetDisplayInterval(int64_t seconds) { m_displayInterval = seconds; }
    bool PrintFinished() const { return m_printFinished; }
    void SetPrintFinished(bool finished) { m_printFinished = finished; }

    // The sample record list.
    std::vector<std::string> Records() const;
    size_t RecordCount() const;
    void ClearRecords();
    void InsertRecordFront(std::string record) override;
    void AppendRecord(std::string record) override;

    // Link-side entry points (link thread).
    void OnStatusAnswer(const StatusAnswer& answer) override;
    void OnSerialTextAnswer(std::string text) override;
    void SetTemplateName(std::string name) override;
    void SetSerialText(std::string text) override;
    void OnLinkLost() override;
    void QueueIdlePoll() override;

private:
    void DisconnectLocked();
    void SetMonitorClock(bool newFirmware);

    Clock& m_clock;
    const TimeZoneSource& m_zone;
    PrcTable m_registers;

    mutable std::mutex m_dataLock;
    std::deque<std::string> m_records;
    std::vector<RegisterWrites> m_owed;
    std::string m_currentEntry;
    std::string m_title;
    std::string m_templateName;
    std::string m_serialText;
    uint32_t m_deviceTime = 0;
    int32_t m_state = STATE_STOPPED;
    bool m_connected = false;
    float m_firmware = 0.0f;
    bool m_newFirmware = false;
    bool m_serialTextKnown = false;
    double m_leakCheckResult = 0.0;
    bool m_leakCheckDone = false;

    // The document follows its own busy operation, as the first of its views.
    class BusyWatch final : public IDocView {
    public:
        explicit BusyWatch(COrvodeskDoc& doc) : m_doc(doc) {}
        void OnDocUpdate(uint32_t flags, intptr_t value) override;

    private:
        COrvodeskDoc& m_doc;
    };
    void SetBusy(BusyKind kind, bool busy);

    mutable std::mutex m_busyLock;
    BusyOperation m_busy;
    BusyWatch m_busyWatch{*this};
    std::atomic<bool> m_serviceLog{false};
    std::atomic<bool> m_suppressNextStatus{false};
    std::atomic<int64_t> m_displayInterval{60};
    std::atomic<bool> m_printFinished{false};
    AccessMode m_mode = ACCESS_STANDARD;

    std::mutex m_viewLock;
    std::vector<IDocView*> m_views;
    // Held while views are told, so that RemoveView returns only once the view is out of its
    // handler; recursive, as a view may remove itself or another while handling an update.
    std::recursive_mutex m_dispatchLock;
    std::shared_ptr<UpdateHandOff> m_handOff;

    CDeviceLink m_link; // last: its thread uses everything above and is joined first
};

} // namespace orvo
