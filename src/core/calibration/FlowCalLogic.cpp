#include "calibration/FlowCalLogic.h"

#include <algorithm>
#include <cmath>

#include "model/PrcRegisters.h"
#include "platform/Format.h"
#include "platform/NumberParse.h"

namespace orvo {

namespace {

constexpr double kNoTemperature = -55.0;
constexpr const char* kDetecting = "Detecting mass transducer";
constexpr const char* kWaiting = "Waiting for temperature to stabilize.  This may take up to 45 minutes.";
constexpr const char* kAdjust = "Adjust pump speed until flow meter reads 2.2 \xC2\xB1 0.05 L/min";
const RegisterWrites kHeatersOff = {{PRC_TE_HEATER_PID_ACTIVE, 0.0},
                                    {PRC_AIR_HEATER_PID_ACTIVE, 0.0},
                                    {PRC_TE_HEATER_DUTY_CYCLE, 0.0},
                                    {PRC_AIR_HEATER_DUTY_CYCLE, 0.0}};
const RegisterWrites kPumpOff = {{PRC_FLOW_PID_ACTIVE, 0.0}, {PRC_FLOW_RATE_DUTY_CYCLE, 0.0}};
constexpr const char* kEnterFlow = "Enter the flow rate from the flow meter.";

// The typical flow of each entry step; outside it the technician is asked before going on.
struct FlowRange {
    double low, high;
    const char* question;
};
constexpr FlowRange kRanges[3] = {
    {2.15, 2.25, "Flow not typical (2.15 to 2.25), do you want to continue anyway?"},
    {1.9, 2.1, "Flow not typical (1.9 to 2.1), do you want to continue anyway?"},
    {1.6, 2.0, "Flow not typical (1.6 to 2.0), do you want to continue anyway?"},
};
constexpr const char* kEntries[3] = {FlowCalLogic::NO_RESTRICTION, FlowCalLogic::ORIFICE_1,
                                     FlowCalLogic::ORIFICE_2};

std::string CollectingText(int countdown) {
    return std::string("Collecting data: 0:") + (countdown < 10 ? "0" : "") + std::to_string(countdown) +
           " remaining";
}

} // namespace

bool FlowCalLogic::ConstantsValid(double a, double b) {
    return 0.0 <= a && a <= 50.0 && -10.0 <= b && b <= 0.0;
}

FlowCalLogic::FlowCalLogic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock)
    : ProcedureLogic(doc, io, view, clock, "Flow Calibration"), m_teTemp(kNoTemperature),
      m_airTemp(kNoTemperature) {}

void FlowCalLogic::OnOpen() {
    Show(NO_BUTTON, "Modify");
    Start(false);
}

void FlowCalLogic::Restart() {
    const Step step(*this);
    if (!Closed())
        Start(true);
}

void FlowCalLogic::Cancel() {
    const Step step(*this);
    if (!Closed())
        View().ReturnToMain();
}

void FlowCalLogic::RestartClock() {
    m_stateStartMs = NowMs();
}

double FlowCalLogic::Elapsed() const {
    return double(NowMs() - m_stateStartMs) / 1000.0;
}

void FlowCalLogic::ClearData() {
    m_signal.clear();
    m_x.clear();
    m_y.clear();
}

void FlowCalLogic::Start(bool restart) {
    StopTimer();
    SetOutcome(Outcome::Running);
    SetStatus(kDetecting);
    m_teTemp = m_airTemp = kNoTemperature;
    ClearData();

    Write({{PRC_POWER_ACTIVATED, 1.0}});
    PumpAndHeatersOn();
    Write({{PRC_FLOW_RATE_DUTY_CYCLE, 40.0}});
    m_position = SPIN_START;
    Show(PUMP_SPEED, "40.0 %");
    Show(SPIN, std::to_string(m_position));
    m_spinEnabled = false;
    View().SetEnabled(SPIN, false);
    View().SetEnabled(APPLY, false);
    for (const char* entry : kEntries) {
        View().SetEnabled(entry, false);
        if (restart)
            Show(entry, "");
    }

    m_state = DETECTING;
    RestartClock();
    Write({{PRC_AIR_HEATER_SET_PT, 43.0}, {PRC_TE_HEATER_SET_PT, 46.0}});
    Read({PRC_FLOW_RATE_CONV_B, PRC_FLOW_RATE_CONV_A});
    StartTimer(TIMER_MS);
}

// The flow controller stays off throughout: the technician sets the pump's duty cycle by hand.
void FlowCalLogic::PumpAndHeatersOn() {
    Write({{PRC_TE_HEATER_PID_ACTIVE, 1.0}, {PRC_AIR_HEATER_PID_ACTIVE, 1.0}});
    Write({{PRC_FLOW_PID_ACTIVE, 0.0}, {PRC_FLOW_RATE_DUTY_CYCLE, 0.0}});
}

void FlowCalLogic::PumpAndHeatersOffThreeTimes() {
    WriteTimes(3, {kHeatersOff, kPumpOff});
}

void FlowCalLogic::WriteSafeState() {
    WriteTimes(3, {kHeatersOff, kPumpOff, {{PRC_POWER_ACTIVATED, 0.0}}});
}

void FlowCalLogic::OnSpin(int step) {
    const Step guard(*this);
    if (Closed() || !m_spinEnabled)
        return;
    const int position = m_position + step;
    const double duty = std::clamp(double(position) * 0.5, 20.0, 95.0);
    Write({{PRC_FLOW_RATE_DUTY_CYCLE, duty}});
    Show(PUMP_SPEED, FormatFixed(duty, 1) + " %");
    m_position = std::clamp(position, SPIN_MIN, SPIN_MAX);
    Show(SPIN, std::to_string(m_position));
}

void FlowCalLogic::OnTick() {
    Read({PRC_MASS_TRANS_INSTALLED, PRC_TE_HEATER_TEMP, PRC_AIR_HEATER_TEMP});
    switch (m_state) {
    case DETECTING:
        if (Elapsed() >= DETECT_PROMPT_S) {
            Message(INSTALL_PROMPT);
            RestartClock();
        }
        return;
    case SETTLING:
        if (Elapsed() >= TEMPERATURE_LIMIT_S) {
            SetStatus("Temperature failure: Check hardware");
            StopTimer();
            PumpAndHeatersOffThreeTimes();
            m_state = TEMPERATURE_FAILED;
            SetOutcome(Outcome::Failed);
            Message(TEMPERATURE_FAILURE);
        }
        return;
    case NO_RESTRICTION_COLLECTING:
    case ORIFICE_1_COLLECTING:
    case ORIFICE_2_COLLECTING:
        Collect();
        return;
    default:
        return;
    }
}

void FlowCalLogic::Collect() {
    --m_countdown;
    Read({PRC_FLOW_RATE_VOLTS_RAW, PRC_AMBIENT_TEMPERATURE, PRC_AMBIENT_PRESSURE, PRC_ORIFICE_BLOCK_TEMP,
          PRC_FLOW_LINE_PRESSURE});
    SetStatus(CollectingText(m_countdown));
    m_signal.push_back(Value(PRC_FLOW_RATE_VOLTS_RAW));
    // The first ten seconds let the flow and the signal's window settle.
    if (m_countdown <= FIRST_POINT)
        AddPoint();
    if (m_countdown > 0)
        return;
    switch (m_state) {
    case NO_RESTRICTION_COLLECTING:
        OfferForEntry(ORIFICE_1, "Enter the flow rate from the flow meter.  Typically 2.0 lpm.",
                      BLACK_ORIFICE_PROMPT);
        return;
    case ORIFICE_1_COLLECTING:
        OfferForEntry(ORIFICE_2, "Enter the flow rate from the flow meter.  Typically 1.8 lpm.",
                      RED_ORIFICE_PROMPT);
        return;
    default:
        StopTimer();
        PumpAndHeatersOffThreeTimes();
        m_state = DONE;
        Finish();
        return;
    }
}

void FlowCalLogic::AddPoint() {
    const double volts = m_signal.mean();
    const double orifice = Value(PRC_ORIFICE_BLOCK_TEMP) + 273.125;
    const double ambient = Value(PRC_AMBIENT_TEMPERATURE) + 273.15;
    const double line = Value(PRC_FLOW_LINE_PRESSURE);
    const double pressure = Value(PRC_AMBIENT_PRESSURE);
    const double q = m_flow[size_t(m_state - NO_RESTRICTION_COLLECTING) / 2];
    const double x = std::sqrt(volts * 6.205788 * orifice / (line * 28.8));
    const double y = q * pressure * orifice / (line * ambient);
    // A reading that gives no number (a zero line pressure) is no point of the line.
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    m_x.push_back(x);
    m_y.push_back(y);
}

void FlowCalLogic::OfferForEntry(const char* entry, const char* status, const char* prompt) {
    View().SetEnabled(entry, true);
    View().Focus(entry);
    View().SetEnabled(APPLY, true);
    SetStatus(status);
    Message(prompt);
    ++m_state;
    RestartClock();
}

void FlowCalLogic::Finish() {
    // Y = B + A * X through every point of the three flows.
    const std::optional<LineFit> fit = FitLine(m_x, m_y);
    if (!fit) {
        SetStatus("New constants invalid");
        SetOutcome(Outcome::Failed);
        Message("The calibration constants could not be calculated from the collected data,\nso nothing "
                "was written.",
                MessageIcon::Stop);
        return;
    }
    m_newA = fit->slope;
    m_newB = fit->intercept;
    if (!ConstantsValid(m_newA, m_newB)) {
        SetOutcome(Outcome::Failed);
        Message("At least one of the calculated calibration constants are\noutside the valid range so both "
                "will be discarded:\n\nA: " +
                    FormatFixed(m_newA, 2) + "\nB: " + FormatFixed(m_newB, 2),
                MessageIcon::Stop);
        SetStatus("New constants invalid");
        return;
    }
    const std::string question = "Flow calibration complete\n\nOld values\nA:\t" + FormatGeneral(m_oldA) +
                                 "\nB:\t" + FormatGeneral(m_oldB) + "\n\nNew values\nA:\t" +
                                 FormatGeneral(m_newA) + "\nB:\t" + FormatGeneral(m_newB) + "\n\nKeep new?";
    if (Ask(question)) {
        if (!Write({{PRC_FLOW_RATE_CONV_A, m_newA}, {PRC_FLOW_RATE_CONV_B, m_newB}}))
            return;
        Show(CONST_A, FormatGeneral(m_newA));
        Show(CONST_B, FormatGeneral(m_newB));
    }
    SetStatus("Flow calibration complete");
    SetOutcome(Outcome::Passed);
}

void FlowCalLogic::Apply(const std::string& entryText) {
    const Step step(*this);
    if (Closed() ||
        (m_state != NO_RESTRICTION_ENTRY && m_state != ORIFICE_1_ENTRY && m_state != ORIFICE_2_ENTRY))
        return;
    const size_t index = size_t(m_state - NO_RESTRICTION_ENTRY) / 2;
    const char* entry = kEntries[index];
    const std::optional<double> q = ParseCDouble(entryText);
    if (!q || !std::isfinite(*q)) {
        Message(kEnterFlow, MessageIcon::None);
        View().Focus(entry);
        return;
    }
    if (m_state == ORIFICE_2_ENTRY && !(*q < m_flow[1]) && !Ask(ORDER_QUESTION)) {
        View().Focus(entry);
        return;
    }
    const FlowRange& range = kRanges[index];
    const bool typical = range.low <= *q && *q <= range.high;
    if (!typical && !Ask(range.question)) {
        View().Focus(entry);
        return;
    }
    m_flow[index] = *q;
    Read({PRC_FLOW_RATE_VOLTS_RAW, PRC_AMBIENT_TEMPERATURE, PRC_AMBIENT_PRESSURE, PRC_ORIFICE_BLOCK_TEMP,
          PRC_FLOW_LINE_PRESSURE});
    View().SetEnabled(entry, false);
    View().SetEnabled(APPLY, false);
    if (m_state == NO_RESTRICTION_ENTRY) {
        m_spinEnabled = false;
        View().SetEnabled(SPIN, false);
    }
    const bool shortText = (m_state == ORIFICE_1_ENTRY && typical) || m_state == ORIFICE_2_ENTRY;
    ++m_state;
    m_countdown = COLLECT_SECONDS;
    SetStatus(shortText ? CollectingText(COLLECT_SECONDS) : "Collecting data: 1:00 remaining");
    RestartClock();
    StartTimer(TIMER_MS);
}

void FlowCalLogic::ShowTemperature(const char* field, int number, double value) {
    Show(field, value > -30.0 ? FormatFixed(value, 1) + " " + Doc().Registers().Unit(number) : "---");
}

bool FlowCalLogic::TemperaturesReady() const {
    return 45.0 < m_teTemp && m_teTemp < 47.0 && 42.0 < m_airTemp && m_airTemp < 44.0;
}

void FlowCalLogic::OnRegister(int number) {
    const double v = Value(number);
    switch (number) {
    case PRC_MASS_TRANS_INSTALLED:
        if (v != 1.0 && m_state >= SETTLING && m_state <= ORIFICE_2_COLLECTING) {
            Message(INSTALL_PROMPT);
            ClearData();
            SetStatus(kDetecting);
            m_state = DETECTING;
            RestartClock();
        } else if (v == 1.0 && m_state == DETECTING) {
            Start(false);
            SetStatus(kWaiting);
            ClearData();
            m_state = SETTLING;
        }
        return;
    case PRC_AIR_HEATER_TEMP:
        m_airTemp = v;
        ShowTemperature(AIR_TEMP, number, v);
        return;
    case PRC_TE_HEATER_TEMP:
        m_teTemp = v;
        ShowTemperature(TE_TEMP, number, v);
        if (m_state == SETTLING && TemperaturesReady()) {
            SetStatus(kAdjust);
            View().SetEnabled(NO_RESTRICTION, true);
            View().Focus(NO_RESTRICTION);
            View().SetEnabled(APPLY, true);
            m_spinEnabled = true;
            View().SetEnabled(SPIN, true);
            Message(CONNECT_PROMPT);
            Message(std::string(kAdjust) + "\nand then enter the flow rate from the flow meter.");
            m_state = NO_RESTRICTION_ENTRY;
        }
        return;
    case PRC_FLOW_RATE_CONV_A:
        m_oldA = v;
        Show(CONST_A, Doc().Registers().ValueText(number));
        return;
    case PRC_FLOW_RATE_CONV_B:
        m_oldB = v;
        Show(CONST_B, Doc().Registers().ValueText(number));
        return;
    default:
        return;
    }
}

} // namespace orvo
