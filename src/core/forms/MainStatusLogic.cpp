#include "forms/MainStatusLogic.h"

#include <limits>

#include "forms/BuiltInLoggingTemplate.h"
#include "link/DeviceRequests.h"
#include "model/BusyOperation.h"
#include "model/COrvodeskDoc.h"
#include "model/PrcRegisters.h"
#include "model/ShiftProgram.h"
#include "platform/NumberParse.h"

namespace orvo {

MainStatusLogic::MainStatusLogic(COrvodeskDoc& doc, DeviceRequests& io, IMainStatusView& view)
    : m_doc(doc), m_io(io), m_view(view) {}

void MainStatusLogic::InitialUpdate() {
    ResetRemembered();
    m_io.ReadRegisters({PRC_FIRMWARE_VERSION});
    SetVisibility(InitialVisibility(m_doc.Mode(), m_doc.NewFirmware(), m_doc.Connected()));
    m_programmingShown = m_doc.ProgrammingBusy();
    m_view.SetButtonsEnabled(ButtonStates{});
    Update(0, 0);
}

void MainStatusLogic::ResetRemembered() {
    m_programming = false;
    m_clearing = false;
    m_connected = false;
    m_state = 0;
    // The cached start serves until the monitor's answer arrives, so a new form does not
    // flash an unknown time.
    m_startTime = RegisterWord(PRC_SHIFT_START_TIME);
    m_shownStart = m_startTime;
}

void MainStatusLogic::Update(uint32_t hint, intptr_t value) {
    const bool all = hint == 0;
    auto has = [&](uint32_t flag) { return all || (hint & flag) != 0; };

    const bool programming = m_doc.ProgrammingBusy();
    const bool clearing = m_doc.ClearingBusy();
    if (m_programmingShown) {
        m_programmingShown = false;
        if (programming) {
            SetStatus("Programming Shift");
            HoldStatus();
        }
    }
    if (programming || clearing)
        AddProgressDots();
    if (programming != m_programming || clearing != m_clearing) {
        if (!programming && !clearing)
            OnBusyEnded();
        ApplyEnabling();
        m_programming = programming;
        m_clearing = clearing;
    }
    if (const std::optional<std::string> failure = m_doc.TakeBusyFailure())
        m_view.ShowFailure(*failure);

    m_view.SetTitle(m_doc.Title());

    bool connectionMade = false;
    if (has(UPDATE_IDENTITY)) {
        const bool connected = m_doc.Connected();
        if (connected != m_connected) {
            OnConnectionChanged(connected);
            connectionMade = connected;
        }
        m_connected = connected;
    }

    if (!all && (hint & UPDATE_TEMPLATE_NAME) && !m_loggingChecked)
        CheckLoggingTemplate();

    // A monitor found stopped reports no state change (the document starts out stopped), yet
    // its state must be shown: a new connection counts as one.
    if (has(UPDATE_STATE) || connectionMade) {
        if (!m_doc.Connected()) {
            ShowDisconnectedState();
        } else {
            const int32_t state = m_doc.State();
            if (state != m_state)
                OnStateChanged(state);
            m_state = state;
        }
    }

    if (has(UPDATE_SERIAL_TEXT) && m_doc.Connected())
        RefreshSerialNumber();

    if (!all && (hint & UPDATE_REGISTER))
        OnRegister(static_cast<int>(value));

    if (m_startTime != m_shownStart) {
        ShowStartTimes();
        m_shownStart = m_startTime;
    }
    m_view.SetTimeFieldColour(TimeFieldColourFor(m_doc.State()));
}

void MainStatusLogic::OnConnectionChanged(bool connected) {
    const AccessMode mode = m_doc.Mode();
    if (!connected) {
        m_view.ShowConnected(false);
        m_loggingChecked = false;
        if (mode != ACCESS_SERVICE)
            SetVisibility(AllAdvanced(false));
        m_view.SetSerialNumberText("N/A");
        m_view.SetLastServiceText("");
        m_view.SetButtonsEnabled(ButtonStates{});
        m_state = 0;
        return;
    }
    const bool newFirmware = m_doc.NewFirmware();
    if (!newFirmware)
        SetVisibility(OldFirmwareConnectedVisibility(mode));
    m_io.ReadRegisters({PRC_AIR_HEATER_SET_PT, PRC_TE_HEATER_SET_PT});
    m_io.ReadRegisters({PRC_SHIFT_WARMUP_TIME, PRC_PROGRAM_TIME});
    m_io.ReadRegisters({PRC_MRE_EQUIVALENT, PRC_SHIFT_LIMIT, PRC_AUTO_SHIFT_OPTIONS});
    m_io.ReadRegisters({PRC_SHIFT_WARMUP_REMAINING, PRC_SHIFT_START_TIME});
    m_view.ShowConnected(true);
    RefreshSerialNumber();
    if (!newFirmware) {
        m_view.SetLastServiceText("");
    } else {
        m_io.ReadRegisters({PRC_LAST_SERVICE_DATE});
        m_view.SetLastServiceText("Last Service: ");
    }
    if (mode == ACCESS_SERVICE) {
        AdvancedVisibility visible = m_visibility;
        visible[Index(AdvancedControl::ServiceDate)] = newFirmware;
        SetVisibility(visible);
    }
    ApplyEnabling();
}

void MainStatusLogic::RefreshSerialNumber() {
    if (!m_doc.NewFirmware())
        m_view.SetSerialNumberText(m_doc.Registers().SerialNumberText());
    else
        m_view.SetSerialNumberText(m_doc.SerialTextKnown() ? m_doc.SerialText() : std::string());
}

void MainStatusLogic::CheckLoggingTemplate() {
    m_templateId = ParseCInt(m_doc.TemplateName());
    const AccessMode mode = m_doc.Mode();
    const bool applies = mode == ACCESS_STANDARD || (mode == ACCESS_EXPERT && RegisterWord(PRC_EXPERT) == 0);
    if (applies && m_templateId != BUILT_IN_TEMPLATE_ID) {
        for (int number = 0; number < PRC_COUNT; ++number) {
            const LoggingSetting setting = BuiltInLoggingSetting(number);
            m_io.SetLogging(number, setting.code, setting.delta);
        }
        m_io.SetTemplateName(BUILT_IN_TEMPLATE_NAME);
    }
    m_loggingChecked = true;
}

void MainStatusLogic::ShowDisconnectedState() {
    m_view.ShowConnected(false);
    m_view.SetSerialNumberText("N/A");
    m_view.SetLastServiceText("");
    m_view.SetWarmupText("");
    m_view.SetSampleText("");
    m_view.SetButtonsEnabled(ButtonStates{});
    m_state = 0;
}

void MainStatusLogic::OnStateChanged(int32_t state) {
    const bool newFirmware = m_doc.NewFirmware();
    switch (state) {
    case STATE_STOPPED:
        m_view.ShowDeviceActive(false);
        m_view.SetSampleText("STOP");
        m_view.SetWarmupText("");
        // A monitor that has not yet taken the program being sent is still stopped: the
        // "Programming Shift" line stays until the document knows the outcome.
        if (!Busy())
            SetStatus("");
        break;
    case STATE_PROGRAMMED:
        m_io.ReadRegisters({PRC_SHIFT_WARMUP_REMAINING, PRC_SHIFT_START_TIME});
        m_view.ShowDeviceActive(true);
        m_view.SetSampleText(ShiftTimeText(m_startTime, newFirmware, m_doc.Zone()));
        m_view.SetWarmupText(ShiftTimeText(WarmupStart(m_startTime, RegisterWord(PRC_SHIFT_WARMUP_TIME)),
                                           newFirmware, m_doc.Zone()));
        m_shownStart = m_startTime;
        if (!Busy())
            SetStatus("");
        StopTimer();
        break;
    case STATE_WARMING:
        m_view.ShowDeviceActive(true);
        if (!m_timerRunning) {
            m_view.StartCountdown();
            m_timerRunning = true;
        }
        m_io.ReadRegisters({PRC_SHIFT_WARMUP_REMAINING, PRC_SHIFT_START_TIME});
        m_view.SetSampleText(ShiftTimeText(m_startTime, newFirmware, m_doc.Zone()));
        m_shownStart = m_startTime;
        if (!Busy())
            SetStatus("");
        break;
    case STATE_RUNNING:
        m_view.ShowDeviceActive(true);
        StopTimer();
        m_view.SetWarmupText("");
        m_view.SetSampleText("Running");
        if (!Busy())
            SetStatus("");
        break;
    default:
        break;
    }
    ApplyEnabling();
}

void MainStatusLogic::OnRegister(int number) {
    const bool newFirmware = m_doc.NewFirmware();
    switch (number) {
    case PRC_SHIFT_START_TIME:
        m_startTime = RegisterWord(PRC_SHIFT_START_TIME);
        break;
    case PRC_LAST_SERVICE_DATE:
        m_view.SetLastServiceText(
            LastServiceText(RegisterWord(PRC_LAST_SERVICE_DATE), newFirmware, m_doc.Zone()));
        break;
    case PRC_EXPERT:
        if (newFirmware && !m_loggingChecked)
            m_io.RequestTemplateName();
        if (newFirmware && RegisterWord(PRC_EXPERT) == 1) {
            if (m_doc.Mode() == ACCESS_STANDARD)
                SetVisibility(AllAdvanced(false));
            else if (m_doc.Mode() == ACCESS_EXPERT)
                SetVisibility(AllAdvanced(true));
        }
        break;
    default:
        break;
    }
}

void MainStatusLogic::ShowStartTimes() {
    const bool newFirmware = m_doc.NewFirmware();
    switch (m_doc.State()) {
    case STATE_PROGRAMMED:
        m_view.SetSampleText(ShiftTimeText(m_startTime, newFirmware, m_doc.Zone()));
        m_view.SetWarmupText(ShiftTimeText(WarmupStart(m_startTime, RegisterWord(PRC_SHIFT_WARMUP_TIME)),
                                           newFirmware, m_doc.Zone()));
        break;
    case STATE_WARMING:
        m_io.ReadRegisters({PRC_SHIFT_WARMUP_REMAINING});
        m_view.SetSampleText(ShiftTimeText(m_startTime, newFirmware, m_doc.Zone()));
        break;
    case STATE_RUNNING:
        m_view.SetWarmupText("");
        m_view.SetSampleText("Running");
        break;
    default:
        break;
    }
}

void MainStatusLogic::OnTimerTick() {
    if (m_doc.State() == STATE_STOPPED)
        return;
    m_view.SetWarmupText(CountdownText(RegisterWord(PRC_SHIFT_WARMUP_REMAINING)));
    m_io.ReadRegisters({PRC_SHIFT_WARMUP_REMAINING, PRC_SHIFT_START_TIME});
}

void MainStatusLogic::OnStatusHoldEnded() {
    m_statusHeld = false;
    m_view.SetStatusLine(m_status);
}

bool MainStatusLogic::Busy() const {
    return m_doc.ProgrammingBusy() || m_doc.ClearingBusy();
}

bool MainStatusLogic::AcceptPress(MainButton) {
    return !Busy();
}

bool MainStatusLogic::AcceptDone() {
    StopTimer();
    return !Busy();
}

void MainStatusLogic::ClearProgram() {
    StopTimer();
    if (Busy())
        return;
    // A monitor known to be gone would never answer: nothing could be pressed until it came back.
    if (!m_doc.Connected()) {
        m_view.ShowFailure(NOT_CLEARED_TEXT);
        return;
    }
    m_io.WriteRegisters({{PRC_AUTO_SHIFT_OPTIONS, 0.0}, {PRC_MRE_EQUIVALENT, 1.0}});
    m_doc.SetClearingBusy(true);
    // All texts empty and all numbers zero, in the layout of the monitor's firmware.
    if (!m_io.ProgramShift(ShiftProgram{}, m_doc.NewFirmware())) {
        m_doc.SetClearingBusy(false);
        m_view.ShowFailure(NOT_CLEARED_TEXT);
        return;
    }
    m_clearing = true;
    SetStatus("Clearing Program Shift");
    HoldStatus();
    // Nothing may be pressed until the document knows the outcome; say so at once rather than
    // with the next update.
    ApplyEnabling();
}

uint32_t MainStatusLogic::ServiceDatePreset(uint32_t nowSeconds) const {
    const uint32_t stored = RegisterWord(PRC_LAST_SERVICE_DATE);
    return stored != 0 ? stored : nowSeconds;
}

void MainStatusLogic::WriteServiceDate(uint32_t seconds) {
    m_io.WriteRegisters({{PRC_LAST_SERVICE_DATE, double(seconds)}});
}

void MainStatusLogic::ApplyEnabling() {
    // A monitor that is not connected offers nothing, whatever its last state was.
    if (!m_doc.Connected()) {
        m_view.SetButtonsEnabled(ButtonStates{});
        return;
    }
    m_view.SetButtonsEnabled(EnablingRule(m_doc.State(), m_doc.ProgrammingBusy(), m_doc.ClearingBusy()));
}

void MainStatusLogic::SetVisibility(const AdvancedVisibility& visible) {
    m_visibility = visible;
    m_view.SetAdvancedVisibility(visible);
}

void MainStatusLogic::SetStatus(std::string text) {
    m_status = std::move(text);
    m_statusBase = m_status.size();
    if (!m_statusHeld)
        m_view.SetStatusLine(m_status);
}

// Each update while busy adds "..."; past MAX_PROGRESS_DOTS the dots start again.
void MainStatusLogic::AddProgressDots() {
    const size_t base = m_statusBase;
    std::string text = m_status.size() - base + 3 > MAX_PROGRESS_DOTS ? m_status.substr(0, base) : m_status;
    SetStatus(text + "...");
    m_statusBase = base;
}

// The status line keeps an announcement such as "Programming Shift" for two seconds; what
// changes meanwhile is shown when the time is up. A two-second wait would do the same by
// stopping the user-interface thread (and with it the link thread waiting on an update);
// a timer keeps both running.
void MainStatusLogic::HoldStatus() {
    m_statusHeld = true;
    m_view.SetStatusLine(m_status);
    m_view.StartStatusHold(STATUS_HOLD_MS);
}

// The line and the buttons say the same: once the operation is over, neither shows it running,
// however little of the hold has passed.
void MainStatusLogic::OnBusyEnded() {
    m_statusHeld = false;
    SetStatus("");
}

void MainStatusLogic::StopTimer() {
    m_view.StopCountdown();
    m_timerRunning = false;
}

uint32_t MainStatusLogic::RegisterWord(int number) const {
    const double value = m_doc.Registers().Value(number);
    if (!(value > 0.0))
        return 0;
    if (value >= double(std::numeric_limits<uint32_t>::max()))
        return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(value);
}

} // namespace orvo
