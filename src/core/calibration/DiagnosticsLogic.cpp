#include "calibration/DiagnosticsLogic.h"

#include "calibration/LineFit.h"
#include "model/PrcRegisters.h"
#include "platform/Format.h"
#include "platform/LocalTime.h"

namespace orvo {

namespace {

const char* const kLabels[DiagnosticsLogic::ROW_COUNT] = {"AIR TEMP",
                                                          "AMBIENT PRES",
                                                          "AMBIENT TEMP",
                                                          "CLOCK",
                                                          "DIFFERENTIAL PRESSURE",
                                                          "FREQUENCY",
                                                          "NO MASS TRANSDUCER",
                                                          "RH SENSOR",
                                                          "RH TEMP",
                                                          "TE TEMP",
                                                          "VOLTS",
                                                          "TILT Z",
                                                          "BATTERY VOLTS",
                                                          "FLOW RATE"};

constexpr double kAirSlope = 3.45; // 100 x slope per reading, phase 2
constexpr double kTeSlope = 1.25;

bool Between(double low, double v, double high) {
    return low < v && v < high;
}

} // namespace

const char* DiagnosticsLogic::RowLabel(Row row) {
    return row >= 0 && row < ROW_COUNT ? kLabels[row] : "";
}

std::string DiagnosticsLogic::Field(Row row, Column column) {
    const char* suffix = column == Column::Reading ? ".reading"
                         : column == Column::Range ? ".range"
                                                   : ".result";
    return std::string(RowLabel(row)) + suffix;
}

DiagnosticsLogic::DiagnosticsLogic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock,
                                   bool boardTest)
    : ProcedureLogic(doc, io, view, clock, boardTest ? "Board Test" : "Diagnostics"), m_boardTest(boardTest),
      m_airSet(doc.Registers().Value(PRC_AIR_HEATER_SET_PT)),
      m_teSet(doc.Registers().Value(PRC_TE_HEATER_SET_PT)) {}

bool DiagnosticsLogic::StoppedOrProgrammed() const {
    const int32_t state = Doc().State();
    return state == STATE_STOPPED || state == STATE_PROGRAMMED;
}

void DiagnosticsLogic::OnOpen() {
    Read({PRC_AIR_HEATER_SET_PT, PRC_TE_HEATER_SET_PT});
    RequestReadings();
    Show(TITLE, Name());
    for (int r = 0; r < ROW_COUNT; ++r)
        ShowResult(Row(r), r == FLOW_RATE ? "" : "---");
    ApplyShiftState(Doc().State());
    StartTimer(TIMER_MS);
}

void DiagnosticsLogic::RequestReadings() {
    Read({PRC_AIR_HEATER_TEMP_RAW, PRC_AMBIENT_PRES_RAW, PRC_AMBIENT_TEMP_RAW});
    Read({PRC_ORIFICE_BLOCK_RH_PERCENT, PRC_CURRENT_TIME, PRC_TE_HEATER_TEMP_RAW});
    Read({PRC_FLOW_LINE_PRES_RAW, PRC_MASS_FREQ_RAW, PRC_TILT_Z_DUTY_CYCLE});
    Read({PRC_ORIFICE_BLOCK_TEMP, PRC_MASS_TRANS_INSTALLED, PRC_FLOW_RATE_VOLTS_RAW});
    Read({PRC_BATTERY_VOLTS_RAW, PRC_FLOW_RATE});
}

void DiagnosticsLogic::ApplyShiftState(int32_t state) {
    m_lastState = state;
    switch (state) {
    case STATE_STOPPED:
    case STATE_PROGRAMMED:
        Write({{PRC_POWER_ACTIVATED, 1.0}});
        if (m_pumpOn) {
            // The shift that ran the pump has ended: back to the first phase.
            m_pumpOn = false;
            ResetCounters();
            m_mask = ALL_TESTS;
        }
        ShowRanges(false);
        m_boxEnabled = true;
        View().SetChecked(PUMP_AND_HEATERS, false);
        View().SetEnabled(PUMP_AND_HEATERS, true);
        return;
    case STATE_WARMING:
    case STATE_RUNNING:
        m_pumpOn = true;
        m_boxEnabled = false;
        View().SetChecked(PUMP_AND_HEATERS, true);
        View().SetEnabled(PUMP_AND_HEATERS, false);
        ResetCounters();
        m_passed = {};
        m_dpDone = m_airDone = m_teDone = m_voltsDone = false;
        m_offSent = m_decided = false;
        ShowRanges(true);
        for (Row r : {DIFFERENTIAL_PRESSURE, AIR_TEMP, TE_TEMP})
            ShowResult(r, "---");
        ShowResult(BATTERY_VOLTS, "N/A");
        return;
    default:
        Message(STATE_ERROR);
        return;
    }
}

void DiagnosticsLogic::OnTick() {
    if (Doc().State() != m_lastState)
        ApplyShiftState(Doc().State());
    RequestReadings();
    ++m_seconds;
    if (m_pumpOn)
        PhaseTwoSecond();
    else
        PhaseOneSecond();
}

void DiagnosticsLogic::PhaseOneSecond() {
    if (!m_asked && (m_mask == 0 || m_seconds >= PHASE_SECONDS)) {
        m_asked = true;
        const char* question = ALL_PASSED_QUESTION;
        if (m_mask != 0) {
            ShowFailures();
            question = FAILURES_QUESTION;
        }
        if (Ask(question))
            StartPhaseTwo();
    } else if (m_asked && m_seconds == PHASE_SECONDS) {
        ShowFailures();
    }
}

void DiagnosticsLogic::PhaseTwoSecond() {
    if (m_decided)
        return;
    if (m_boardTest && m_seconds == 5 && !m_dpDone) {
        const MessageAnswer answer = Message(PUMP_QUESTION, MessageIcon::Question, MessageButtons::YesNo);
        if (answer == MessageAnswer::Yes) {
            m_passed[DIFFERENTIAL_PRESSURE] = true;
            ShowResult(DIFFERENTIAL_PRESSURE, "Pass");
            m_dpDone = true;
        } else if (answer == MessageAnswer::No) {
            ShowResult(DIFFERENTIAL_PRESSURE, "Fail");
            m_dpDone = true;
        } else {
            m_seconds = 0;
        }
    }
    if (m_seconds > 20 && StoppedOrProgrammed() && !m_offSent)
        Write({{PRC_FLOW_RATE_P, 80.0}});

    bool allPassed = true;
    for (int r = 0; r < ROW_COUNT; ++r)
        allPassed = allPassed && (!OnPhaseTest(Row(r)) || m_passed[r]);
    if (m_seconds > PHASE_SECONDS) {
        m_dpDone = m_airDone = m_teDone = m_voltsDone = true;
        for (int r = 0; r < ROW_COUNT; ++r)
            if (OnPhaseTest(Row(r)) && !m_passed[r])
                ShowResult(Row(r), "Fail");
    }
    const bool complete = m_dpDone && m_airDone && m_teDone && m_voltsDone;
    if (complete && StoppedOrProgrammed() && !m_offSent) {
        PumpAndHeaters(false);
        m_offSent = true;
        m_mask = ALL_TESTS;
    }
    if ((complete && allPassed) || m_seconds > PHASE_SECONDS) {
        m_decided = true;
        SetOutcome(allPassed ? Outcome::Passed : Outcome::Failed);
    }
}

void DiagnosticsLogic::OnPumpAndHeatersClicked(bool checked) {
    const Step step(*this);
    if (Closed())
        return;
    if (!m_boxEnabled) {
        View().SetChecked(PUMP_AND_HEATERS, m_pumpOn);
        return;
    }
    if (checked && !m_pumpOn) {
        StartPhaseTwo();
    } else if (!checked && m_pumpOn) {
        m_pumpOn = false;
        PumpAndHeaters(false);
        ShowRanges(false);
        ResetCounters();
        m_mask = ALL_TESTS;
    }
}

void DiagnosticsLogic::StartPhaseTwo() {
    m_pumpOn = true;
    View().SetChecked(PUMP_AND_HEATERS, true);
    m_passed = {};
    m_dpDone = m_airDone = m_teDone = m_voltsDone = false;
    m_offSent = m_decided = false;
    SetOutcome(Outcome::Running);
    // Stepping the set point makes the flow controller pick it up afresh.
    Write({{PRC_FLOW_RATE_SET_PT, 2.1}});
    Write({{PRC_FLOW_RATE_SET_PT, 2.2}});
    PumpAndHeaters(true);
    ResetCounters();
    ShowRanges(true);
    for (Row r : {DIFFERENTIAL_PRESSURE, AIR_TEMP, TE_TEMP, VOLTS, CLOCK})
        ShowResult(r, "---");
    ShowResult(BATTERY_VOLTS, "N/A");
}

// Each register its own write, so that one lost request leaves the others done.
void DiagnosticsLogic::PumpAndHeaters(bool on) {
    if (on) {
        Write({{PRC_FLOW_PID_ACTIVE, 1.0}});
        Write({{PRC_AIR_HEATER_PID_ACTIVE, 1.0}});
        Write({{PRC_TE_HEATER_PID_ACTIVE, 1.0}});
        return;
    }
    Write({{PRC_FLOW_PID_ACTIVE, 0.0}});
    Write({{PRC_FLOW_RATE_DUTY_CYCLE, 0.0}});
    Write({{PRC_AIR_HEATER_PID_ACTIVE, 0.0}});
    Write({{PRC_AIR_HEATER_DUTY_CYCLE, 0.0}});
    Write({{PRC_TE_HEATER_PID_ACTIVE, 0.0}});
    Write({{PRC_TE_HEATER_DUTY_CYCLE, 0.0}});
}

void DiagnosticsLogic::WriteSafeState() {
    if (!StoppedOrProgrammed())
        return; // a running shift keeps its pump and heaters
    PumpAndHeaters(false);
    Write({{PRC_POWER_ACTIVATED, 0.0}});
}

void DiagnosticsLogic::ResetCounters() {
    m_seconds = 0;
    m_clock.clear();
    m_clockCount = 0;
    for (circular_buffer* w : {&m_air, &m_te, &m_rh, &m_tilt})
        w->clear();
    m_airCount = m_teCount = 0;
    m_dpPair = 0;
}

void DiagnosticsLogic::ShowRanges(bool on) {
    const char* volts = !on ? "0.1 - 0.5 Volts" : m_boardTest ? "0.1 - 2.4 Volts" : "1.2 - 2.4 Volts";
    const char* ranges[ROW_COUNT] = {on ? "Approaching setpoint" : "-20 - 70 °C",
                                     "500 - 850 mm Hg",
                                     "-40 - 60 °C",
                                     "Incrementing",
                                     on ? "-20 - -70 mm Hg" : "-10 - 10 mm Hg",
                                     "280 - 320 Hz",
                                     "1",
                                     "Changing",
                                     "-20 - 60 °C",
                                     on ? "Approaching setpoint" : "-20 - 70 °C",
                                     volts,
                                     "Changing",
                                     on ? "N/A" : "1.8 - 2.2 Volts",
                                     ""};
    for (int r = 0; r < ROW_COUNT; ++r)
        Show(Field(Row(r), Column::Range), ranges[r]);
}

void DiagnosticsLogic::ShowReading(Row row, const std::string& text) {
    Show(Field(row, Column::Reading), text);
}

void DiagnosticsLogic::ShowResult(Row row, const char* text) {
    const std::string t = text;
    const TextTone tone = t == "Pass" ? TextTone::Pass : t == "Fail" ? TextTone::Fail : TextTone::Normal;
    Show(Field(row, Column::Result), t, tone);
}

void DiagnosticsLogic::ShowFailures() {
    for (int r = 0; r <= BATTERY_VOLTS; ++r)
        if (m_mask & (1u << r))
            ShowResult(Row(r), "Fail");
}

bool DiagnosticsLogic::OnPhaseTest(Row row) const {
    return row != BATTERY_VOLTS && row != FLOW_RATE;
}

void DiagnosticsLogic::Decide(Row row, bool passed) {
    if (!m_pumpOn) {
        const uint32_t bit = 1u << row;
        if (passed) {
            m_mask &= ~bit;
            ShowResult(row, "Pass");
        } else {
            m_mask |= bit; // shown as a failure only when the phase is judged
        }
        return;
    }
    if (!passed || m_passed[row])
        return;
    m_passed[row] = true;
    ShowResult(row, "Pass");
    m_dpDone = m_dpDone || row == DIFFERENTIAL_PRESSURE;
    m_airDone = m_airDone || row == AIR_TEMP;
    m_teDone = m_teDone || row == TE_TEMP;
    m_voltsDone = m_voltsDone || row == VOLTS;
}

std::string DiagnosticsLogic::ValueWithUnit(int number) const {
    return Doc().Registers().ValueText(number) + " " + Doc().Registers().Unit(number);
}

std::string DiagnosticsLogic::ClockText(double value) const {
    const auto seconds = int64_t(value);
    if (!Doc().NewFirmware())
        return FormatUtcTime(seconds, "%m/%d/%Y %H:%M:%S"); // the monitor counts local time
    return seconds == 0 ? "--/--/---- --:--:--" : FormatLocalTime(seconds, "%m/%d/%Y %H:%M:%S");
}

void DiagnosticsLogic::OnRegister(int number) {
    const double v = Value(number);
    switch (number) {
    case PRC_AIR_HEATER_SET_PT:
        m_airSet = v;
        return;
    case PRC_TE_HEATER_SET_PT:
        m_teSet = v;
        return;
    case PRC_FLOW_RATE:
        ShowReading(FLOW_RATE, FormatFixed(v, 2) + " lpm");
        return;
    default:
        break;
    }
    // Phase 2 over: the readings stay live, the results stand.
    const bool test = !(m_pumpOn && m_decided);
    switch (number) {
    case PRC_AIR_HEATER_TEMP_RAW:
        ShowReading(AIR_TEMP, ValueWithUnit(number));
        if (test)
            TestHeater(AIR_TEMP, v, m_airSet, m_air, m_airCount, kAirSlope);
        return;
    case PRC_TE_HEATER_TEMP_RAW:
        ShowReading(TE_TEMP, ValueWithUnit(number));
        if (test)
            TestHeater(TE_TEMP, v, m_teSet, m_te, m_teCount, kTeSlope);
        return;
    case PRC_AMBIENT_PRES_RAW:
        m_lastAmbient = v;
        ShowReading(AMBIENT_PRES, ValueWithUnit(number));
        if (test)
            Decide(AMBIENT_PRES, Between(500.0, v, 850.0));
        return;
    case PRC_AMBIENT_TEMP_RAW:
        ShowReading(AMBIENT_TEMP, ValueWithUnit(number));
        if (test)
            Decide(AMBIENT_TEMP, Between(-40.0, v, 60.0));
        return;
    case PRC_CURRENT_TIME:
        ShowReading(CLOCK, ClockText(v));
        if (test)
            TestClock(v);
        return;
    case PRC_FLOW_LINE_PRES_RAW: {
        const double d = v - m_lastAmbient;
        ShowReading(DIFFERENTIAL_PRESSURE, FormatGeneral(d) + " " + Doc().Registers().Unit(number));
        if (test)
            TestDifferentialPressure(d);
        return;
    }
    case PRC_MASS_FREQ_RAW:
        ShowReading(FREQUENCY, ValueWithUnit(number));
        if (test)
            Decide(FREQUENCY, Between(280.0, v, 320.0));
        return;
    case PRC_MASS_TRANS_INSTALLED:
        ShowReading(NO_MASS_TRANSDUCER, ValueWithUnit(number));
        if (test)
            Decide(NO_MASS_TRANSDUCER, v == 1.0);
        return;
    case PRC_ORIFICE_BLOCK_RH_PERCENT:
        ShowReading(RH_SENSOR, ValueWithUnit(number));
        if (test)
            TestChanging(RH_SENSOR, m_rh, v);
        return;
    case PRC_ORIFICE_BLOCK_TEMP:
        ShowReading(RH_TEMP, ValueWithUnit(number));
        if (!test)
            return;
        if (m_pumpOn && !m_passed[RH_TEMP] && !Between(-20.0, v, 60.0))
            ShowResult(RH_TEMP, "Fail");
        else
            Decide(RH_TEMP, Between(-20.0, v, 60.0));
        return;
    case PRC_FLOW_RATE_VOLTS_RAW:
        ShowReading(VOLTS, FormatFixed(v, 3) + " Volts");
        if (test)
            Decide(VOLTS, !m_pumpOn     ? Between(0.1, v, 0.5)
                          : m_boardTest ? Between(0.1, v, 2.4)
                                        : Between(1.2, v, 2.4));
        return;
    case PRC_TILT_Z_DUTY_CYCLE:
        ShowReading(TILT_Z, Doc().Registers().ValueText(number) + " %");
        if (test)
            TestChanging(TILT_Z, m_tilt, v);
        return;
    case PRC_BATTERY_VOLTS_RAW:
        ShowReading(BATTERY_VOLTS, ValueWithUnit(number));
        if (test && !m_pumpOn)
            Decide(BATTERY_VOLTS, Between(1.8, v, 2.2));
        return;
    default:
        return;
    }
}

void DiagnosticsLogic::TestHeater(Row row, double t, double setPoint, circular_buffer& window, int& count,
                                  double threshold) {
    if (!m_pumpOn) {
        Decide(row, Between(-20.0, t, 70.0));
        return;
    }
    if (m_passed[row])
        return;
    if (Between(0.9 * setPoint, t, 1.1 * setPoint)) {
        Decide(row, true);
        return;
    }
    // Still far from the set point: it must at least be heating.
    window.push_back(t);
    if (++count < 31)
        return;
    const std::optional<double> slope = IndexSlope(window.values());
    if (slope && 100.0 * *slope > threshold)
        Decide(row, true);
}

void DiagnosticsLogic::TestChanging(Row row, circular_buffer& window, double value) {
    if (m_pumpOn && m_passed[row])
        return;
    window.push_back(value);
    Change change = Change::Undecided;
    if (!window.full()) {
        change = Change::Fail;
        for (size_t i = 0; i + 1 < window.size(); ++i)
            if (window[i] != value)
                change = Change::Pass;
    } else {
        for (size_t i = 1; i < window.size(); ++i)
            if (window[i] != window[0])
                change = Change::Pass;
    }
    if (change != Change::Undecided)
        Decide(row, change == Change::Pass);
}

void DiagnosticsLogic::TestClock(double value) {
    if (m_pumpOn && m_passed[CLOCK])
        return;
    m_clock.push_back(value);
    if (++m_clockCount <= 3)
        return;
    const double oldest = m_clock[0], middle = m_clock[1], newest = m_clock[2];
    Decide(CLOCK, !(newest <= middle && middle <= oldest && newest <= oldest));
}

void DiagnosticsLogic::TestDifferentialPressure(double d) {
    if (!m_pumpOn) {
        Decide(DIFFERENTIAL_PRESSURE, Between(-10.0, d, 10.0));
        return;
    }
    // The board test asks whether the pump ran instead.
    if (m_boardTest || m_passed[DIFFERENTIAL_PRESSURE] || !m_passed[AMBIENT_PRES] || m_seconds < 31)
        return;
    if (!Between(-70.0, d, -20.0)) {
        m_dpPair = 0;
        return;
    }
    if (++m_dpPair >= 2)
        Decide(DIFFERENTIAL_PRESSURE, true);
}

} // namespace orvo
