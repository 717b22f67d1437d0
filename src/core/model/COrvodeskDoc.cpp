#include "model/COrvodeskDoc.h"

#include <algorithm>
#include <atomic>

#include "model/PrcRegisters.h"
#include "platform/Clock.h"
#include "platform/TimeConversion.h"
#include "platform/UpdateHandOff.h"

namespace orvo {

namespace {

// Shared by every open link: while nothing is identified the polls alternate between the
// two status requests, starting with the newer one.
std::atomic<unsigned> g_unidentifiedPolls{0};

uint32_t SerialFromText(const std::string& text) {
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min<uint64_t>(value * 10 + uint64_t(c - '0'), 0xFFFFFFFFu);
    }
    return static_cast<uint32_t>(value);
}

} // namespace

COrvodeskDoc::COrvodeskDoc(Clock& clock, const TimeZoneSource& zone, MessageSink& messages)
    : m_clock(clock), m_zone(zone), m_link(*this, clock, zone, messages) {
    // First, so that every form sees the busy flags as this update left them.
    AddView(&m_busyWatch);
}

COrvodeskDoc::~COrvodeskDoc() {
    std::shared_ptr<UpdateHandOff> handOff;
    {
        std::lock_guard lock(m_viewLock);
        handOff = m_handOff;
    }
    if (handOff)
        handOff->Cancel();
    m_link.Close(false);
}

AccessMode COrvodeskDoc::AccessModeFromCommandLine(const std::string& commandLine) {
    if (commandLine == "expert")
        return ACCESS_EXPERT;
    if (commandLine == "service")
        return ACCESS_SERVICE;
    return ACCESS_STANDARD;
}

void COrvodeskDoc::BeginConnection(const std::string& commandLine) {
    std::lock_guard lock(m_dataLock);
    m_connected = false;
    m_state = STATE_STOPPED;
    m_deviceTime = 0;
    m_mode = AccessModeFromCommandLine(commandLine);
}

bool COrvodeskDoc::OpenConnection(const std::string& portName, SerialPortFactory factory,
                                  const std::string& title) {
    {
        std::lock_guard lock(m_dataLock);
        m_title = "Orvo - " + (title.empty() ? portName : title);
        m_state = STATE_STOPPED;
    }
    return m_link.Open(portName, std::move(factory));
}

bool COrvodeskDoc::CanClose() const {
    std::lock_guard lock(m_busyLock);
    return m_busy.Kind() == BusyKind::None;
}

bool COrvodeskDoc::ProgrammingBusy() const {
    std::lock_guard lock(m_busyLock);
    return m_busy.Kind() == BusyKind::Programming;
}

bool COrvodeskDoc::ClearingBusy() const {
    std::lock_guard lock(m_busyLock);
    return m_busy.Kind() == BusyKind::Clearing;
}

void COrvodeskDoc::SetProgrammingBusy(bool busy) {
    SetBusy(BusyKind::Programming, busy);
}

void COrvodeskDoc::SetClearingBusy(bool busy) {
    SetBusy(BusyKind::Clearing, busy);
}

void COrvodeskDoc::SetBusy(BusyKind kind, bool busy) {
    std::lock_guard lock(m_busyLock);
    if (busy)
        m_busy.Begin(kind);
    else if (m_busy.Kind() == kind)
        m_busy.End();
}

std::optional<std::string> COrvodeskDoc::TakeBusyFailure() {
    std::lock_guard lock(m_busyLock);
    return m_busy.TakeFailure();
}

void COrvodeskDoc::BusyWatch::OnDocUpdate(uint32_t flags, intptr_t value) {
    const bool connected = m_doc.Connected();
    const int32_t state = m_doc.State();
    std::lock_guard lock(m_doc.m_busyLock);
    m_doc.m_busy.Observe(flags, value, connected, state);
}

bool COrvodeskDoc::Close() {
    if (!CanClose())
        return false;
    std::shared_ptr<UpdateHandOff> handOff;
    {
        std::lock_guard lock(m_viewLock);
        handOff = m_handOff;
    }
    // Release a link thread waiting for the user interface before joining it.
    if (handOff)
        handOff->Cancel();
    const int32_t state = State();
    m_link.Close(state == STATE_STOPPED || state == STATE_PROGRAMMED);
    return true;
}

void COrvodeskDoc::AddView(IDocView* view) {
    std::lock_guard lock(m_viewLock);
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void COrvodeskDoc::RemoveView(IDocView* view) {
    std::lock_guard dispatch(m_dispatchLock);
    std::lock_guard lock(m_viewLock);
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void COrvodeskDoc::SetHandOff(std::shared_ptr<UpdateHandOff> handOff) {
    std::lock_guard lock(m_viewLock);
    m_handOff = std::move(handOff);
}

void COrvodeskDoc::UpdateViews(uint32_t flags, intptr_t value) {
    auto notify = [this, flags, value] {
        std::lock_guard dispatch(m_dispatchLock);
        std::vector<IDocView*> views;
        {
            std::lock_guard lock(m_viewLock);
            views = m_views;
        }
        for (IDocView* view : views) {
            {
                // A view may close another (or itself) while handling an update.
                std::lock_guard lock(m_viewLock);
                if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
                    continue;
            }
            view->OnDocUpdate(flags, value);
        }
    };
    std::shared_ptr<UpdateHandOff> handOff;
    {
        std::lock_guard lock(m_viewLock);
        handOff = m_handOff;
    }
    if (handOff)
        handOff->Run(notify);
    else
        notify();
}

bool COrvodeskDoc::Connected() const {
    std::lock_guard lock(m_dataLock);
    return m_connected;
}

bool COrvodeskDoc::NewFirmware() const {
    std::lock_guard lock(m_dataLock);
    return m_newFirmware;
}

float COrvodeskDoc::FirmwareVersion() const {
    std::lock_guard lock(m_dataLock);
    return m_firmware;
}

int32_t COrvodeskDoc::State() const {
    std::lock_guard lock(m_dataLock);
    return m_state;
}

uint32_t COrvodeskDoc::DeviceTime() const {
    std::lock_guard lock(m_dataLock);
    return m_deviceTime;
}

bool COrvodeskDoc::SerialTextKnown() const {
    std::lock_guard lock(m_dataLock);
    return m_serialTextKnown;
}

std::string COrvodeskDoc::SerialText() const {
    std::lock_guard lock(m_dataLock);
    return m_serialText;
}

std::string COrvodeskDoc::TemplateName() const {
    std::lock_guard lock(m_dataLock);
    return m_templateName;
}

std::string COrvodeskDoc::Title() const {
    std::lock_guard lock(m_dataLock);
    return m_title;
}

bool COrvodeskDoc::LeakCheckDone() const {
    std::lock_guard lock(m_dataLock);
    return m_leakCheckDone;
}

double COrvodeskDoc::LeakCheckResult() const {
    std::lock_guard lock(m_dataLock);
    return m_leakCheckResult;
}

void COrvodeskDoc::SetLeakCheck(double result) {
    std::lock_guard lock(m_dataLock);
    m_leakCheckResult = result;
    m_leakCheckDone = true;
}

void COrvodeskDoc::ForgetLeakCheck() {
    std::lock_guard lock(m_dataLock);
    m_leakCheckResult = 0.0;
    m_leakCheckDone = false;
}

std::string COrvodeskDoc::CurrentEntry() const {
    std::lock_guard lock(m_dataLock);
    return m_currentEntry;
}

void COrvodeskDoc::SetCurrentEntry(std::string entry) {
    std::lock_guard lock(m_dataLock);
    m_currentEntry = std::move(entry);
}

std::vector<std::string> COrvodeskDoc::Records() const {
    std::lock_guard lock(m_dataLock);
    return {m_records.begin(), m_records.end()};
}

size_t COrvodeskDoc::RecordCount() const {
    std::lock_guard lock(m_dataLock);
    return m_records.size();
}

void COrvodeskDoc::ClearRecords() {
    std::lock_guard lock(m_dataLock);
    m_records.clear();
}

void COrvodeskDoc::InsertRecordFront(std::string record) {
    std::lock_guard lock(m_dataLock);
    m_records.push_front(std::move(record));
}

void COrvodeskDoc::AppendRecord(std::string record) {
    std::lock_guard lock(m_dataLock);
    m_records.push_back(std::move(record));
}

void COrvodeskDoc::SetTemplateName(std::string name) {
    std::lock_guard lock(m_dataLock);
    m_templateName = std::move(name);
}

void COrvodeskDoc::SetSerialText(std::string text) {
    std::lock_guard lock(m_dataLock);
    m_serialText = std::move(text);
}

void COrvodeskDoc::DisconnectLocked() {
    m_connected = false;
    m_newFirmware = false;
    m_serialTextKnown = false;
}

void COrvodeskDoc::OweOnReconnection(RegisterWrites values) {
    std::lock_guard lock(m_dataLock);
    m_owed.push_back(std::move(values));
}

void COrvodeskDoc::OnStatusAnswer(const StatusAnswer& answer) {
    uint32_t flags = 0;
    bool justConnected = false;
    bool swapped = false;
    bool newFirmware = false;
    std::vector<RegisterWrites> owed;
    {
        std::lock_guard lock(m_dataLock);
        const float previous = m_firmware;
        m_firmware = answer.firmware;
        const bool oldClass = !IsNewFirmware(answer.firmware);
        uint32_t deviceTime = answer.deviceTime;
        if (oldClass)
            deviceTime = MonitorLocalToUtc(deviceTime, m_zone, m_clock.NowSeconds());
        const uint32_t tableSerial = SerialFromText(m_registers.SerialNumberText());

        if (!m_connected) {
            if (oldClass) {
                m_newFirmware = false;
                m_serialTextKnown = false;
                if (answer.hasSerial && answer.serialNumber != tableSerial) {
                    m_leakCheckResult = 0.0;
                    m_leakCheckDone = false;
                }
            } else {
                m_newFirmware = true;
                m_serialTextKnown = false;
            }
            if (answer.hasSerial)
                m_registers.SetSerialNumber(answer.serialNumber);
            m_connected = true;
            flags |= UPDATE_CONNECTION | UPDATE_IDENTITY;
            justConnected = true;
            if (answer.state == STATE_STOPPED || answer.state == STATE_PROGRAMMED)
                owed = std::move(m_owed);
            m_owed.clear();
        } else {
            // A different firmware, or on the older class a different serial number, on the same
            // port is another monitor: forget this one and identify the new one on the next poll.
            swapped = answer.firmware != previous ||
                      (answer.hasSerial && static_cast<double>(answer.firmware) < 6.7 &&
                       answer.serialNumber != tableSerial);
            if (swapped) {
                DisconnectLocked();
                flags |= UPDATE_CONNECTION | UPDATE_IDENTITY;
            }
        }
        if (!swapped) {
            if (answer.state == STATE_STOPPED) {
                if (m_state != STATE_STOPPED) {
                    m_state = STATE_STOPPED;
                    flags |= UPDATE_STATE;
                }
            } else if (deviceTime != m_deviceTime || answer.state != m_state) {
                m_deviceTime = deviceTime;
                m_state = answer.state;
                flags |= UPDATE_STATE;
            }
        }
        newFirmware = m_newFirmware;
    }
    if (swapped) {
        UpdateViews(flags, 0);
        return;
    }
    if (justConnected) {
        SetMonitorClock(newFirmware);
        for (const RegisterWrites& values : owed)
            m_link.WriteRegisters(values);
    }
    if (m_suppressNextStatus.exchange(false))
        return;
    UpdateViews(flags, 0);
}

void COrvodeskDoc::SetMonitorClock(bool newFirmware) {
    const uint32_t now = m_clock.NowSeconds();
    if (!newFirmware) {
        m_link.WriteRegisters({{PRC_LAST_SYNC_TIME, double(UtcToMonitorLocal(now, m_zone) + 1)}});
        return;
    }
    m_link.WriteRegisters({{PRC_LAST_SYNC_TIME, double(now + 1)}});
    const ZoneRules rules = m_zone.Rules();
    m_link.WriteRegisters(
        {{PRC_TZ_BIAS_VALS, double(PackZoneBias(rules.biasMinutes, rules.daylightBiasMinutes))},
         {PRC_STD_TIME_RULE, double(PackTransitionRule(rules.standardDate))},
         {PRC_DS_TIME_RULE, double(PackTransitionRule(rules.daylightDate))}});
}

void COrvodeskDoc::OnSerialTextAnswer(std::string text) {
    bool changed;
    {
        std::lock_guard lock(m_dataLock);
        const std::string previous = m_serialText;
        m_serialText = std::move(text);
        changed = m_serialTextKnown && previous != m_serialText;
        if (changed)
            DisconnectLocked();
        else
            m_serialTextKnown = true;
    }
    if (changed)
        UpdateViews(UPDATE_CONNECTION | UPDATE_IDENTITY, 0);
    else
        UpdateViews(UPDATE_SERIAL_TEXT, 0);
}

void COrvodeskDoc::OnLinkLost() {
    {
        std::lock_guard lock(m_dataLock);
        m_connected = false;
        m_state = STATE_STOPPED;
        m_deviceTime = 0;
        m_newFirmware = false;
        m_serialTextKnown = false;
    }
    UpdateViews(UPDATE_LINK_LOST, 0);
}

void COrvodeskDoc::QueueIdlePoll() {
    bool connected, newFirmware;
    {
        std::lock_guard lock(m_dataLock);
        connected = m_connected;
        newFirmware = m_newFirmware;
    }
    if (!connected) {
        const bool extended = g_unidentifiedPolls.fetch_add(1) % 2 == 0;
        m_link.RequestStatus(extended);
    } else if (newFirmware) {
        m_link.RequestStatus(true);
        m_link.RequestSerialText();
        m_link.ReadRegisters({PRC_EXPERT});
    } else {
        m_link.RequestStatus(false);
    }
}

} // namespace orvo
