#include "calibration/K0Logic.h"

#include <cmath>

#include "calibration/FrequencyStability.h"
#include "model/PrcRegisters.h"
#include "platform/AtomicFile.h"
#include "platform/Format.h"
#include "platform/LocalTime.h"

namespace orvo {

namespace {

constexpr const char* kDetecting = "Detecting mass transducer";
constexpr const char* kFailureStatus = "Failure: Check hardware";
constexpr const char* kOrdinals[4] = {"first", "second", "third", "fourth"};
const RegisterWrites kPumpAndHeatersOff = {{PRC_AIR_HEATER_PID_ACTIVE, 0.0}, {PRC_AIR_HEATER_DUTY_CYCLE, 0.0},
                                           {PRC_TE_HEATER_PID_ACTIVE, 0.0},  {PRC_TE_HEATER_DUTY_CYCLE, 0.0},
                                           {PRC_FLOW_PID_ACTIVE, 0.0},       {PRC_FLOW_RATE_DUTY_CYCLE, 0.0}};
constexpr double kMassRange[4][2] = {{0.5, 1.0}, {0.5, 1.0}, {0.0, 1.0}, {0.5, 1.0}};

// The steps between 3 and 22 come in fours: detect, air, TE, frequency, once per weight.
enum Phase { DETECT, AIR, TE, FREQ, NONE };

Phase PhaseOf(int state) {
    return state >= 3 && state <= 22 ? Phase((state - 3) % 4) : NONE;
}

int WeightOf(int state) {
    return (state - 3) / 4;
}

bool Near(double v, double limit) {
    return -limit < v && v < limit;
}

// "%lu" of a truncated K0; one that is no unsigned number is not shown.
std::string K0Text(double k0) {
    if (!std::isfinite(k0) || k0 < 0.0 || k0 >= 4294967296.0)
        return "---";
    return FormatUnsigned(uint64_t(k0));
}

std::string DateText(const TimeZoneSource& zone, double seconds, const char* format, const char* unknown) {
    return seconds == 0.0 ? unknown : FormatLocalTime(zone, int64_t(seconds), format);
}

std::string FixedOrDashes(double v, int decimals) {
    return std::isfinite(v) ? FormatFixed(v, decimals) : "---";
}

TextTone Tone(bool passed) {
    return passed ? TextTone::Pass : TextTone::Fail;
}

} // namespace

std::string K0Logic::Cell(int row, Column column) {
    static const char* const kColumns[] = {".frequency", ".mass", ".k0", ".difference"};
    return "F" + std::to_string(row) + kColumns[int(column)];
}

std::string K0Logic::LastCell(int row, Column column) {
    return "last." + Cell(row, column);
}

K0Logic::K0Logic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock, bool audit)
    : ProcedureLogic(doc, io, view, clock, audit ? "K0 Audit" : "K0 Calibration"), m_audit(audit),
      m_airSet(doc.Registers().Value(PRC_AIR_HEATER_SET_PT)),
      m_teSet(doc.Registers().Value(PRC_TE_HEATER_SET_PT)),
      m_flowSet(doc.Registers().Value(PRC_FLOW_RATE_SET_PT)) {
    m_m.fill(DEFAULT_MASS);
}

int K0Logic::FirstLastRegister() const {
    return m_audit ? PRC_K0_AUDIT_F0 : PRC_K0_CAL_F0;
}

void K0Logic::ReadLastMeasurements() {
    std::vector<int> numbers;
    for (int n = FirstLastRegister(); n < FirstLastRegister() + 10; ++n)
        numbers.push_back(n);
    Read(numbers);
}

void K0Logic::ReadStoredK0() {
    Read({PRC_MASS_K0});
    if (Doc().NewFirmware())
        Read({PRC_MASS_TRANS_MANUFACTURE_DATE});
}

void K0Logic::RestartClock() {
    m_stateStartMs = NowMs();
}

double K0Logic::Elapsed() const {
    return double(NowMs() - m_stateStartMs) / 1000.0;
}

void K0Logic::ShowVisibility() {
    const bool newFirmware = Doc().NewFirmware();
    const bool technician = Doc().Mode() != ACCESS_STANDARD;
    View().SetVisible(MASS_COLUMN, !m_audit);
    View().SetVisible(MODIFY_MASS, !m_audit);
    View().SetVisible(PERCENT_ERROR, m_audit);
    View().SetVisible(ERROR_GOAL, m_audit);
    View().SetVisible(EXPORT, technician && newFirmware);
    View().SetVisible(DATE_GROUP, technician && newFirmware);
    View().SetVisible(UPDATE, Doc().Mode() == ACCESS_EXPERT && !m_audit && newFirmware);
    View().SetVisible(LAST_GROUP, newFirmware);
}

void K0Logic::EnableModifyMass(bool enabled) {
    m_modifyEnabled = enabled && !m_audit;
    View().SetEnabled(MODIFY_MASS, m_modifyEnabled);
}

void K0Logic::OnOpen() {
    Show(STATUS_GROUP, m_audit ? "K0 Audit Status" : "K0 Calibration Status");
    ShowVisibility();
    if (m_audit)
        Show(ERROR_GOAL, "-10 to 10%");
    Show(LAST_GROUP, m_last.Title(m_audit, Doc().Zone()));
    Show(AIR_GOAL, GoalText(m_airSet, 0.5, Doc().Registers().Unit(PRC_AIR_HEATER_SET_PT)));
    Show(TE_GOAL, GoalText(m_teSet, 0.2, Doc().Registers().Unit(PRC_TE_HEATER_SET_PT)));
    m_state = NO_TRANSDUCER;
    SetStatus("Mass transducer not installed");
    Show(START, "Start");
    Show(CANCEL, "Cancel");
    EnableModifyMass(false);
    Read({PRC_MASS_K0, PRC_MASS_TRANS_INSTALLED});
    Read({PRC_TE_HEATER_TEMP, PRC_AIR_HEATER_TEMP, PRC_FLOW_RATE_SET_PT});
    ReadLastMeasurements();
    if (Doc().NewFirmware())
        Read({PRC_MASS_TRANS_MANUFACTURE_DATE});
    StartTimer(TIMER_MS);
}

void K0Logic::Start() {
    const Step step(*this);
    if (Closed())
        return;
    StopTimer();
    m_freq.clear();
    m_air.clear();
    for (const char* field : {FREQUENCY, RATE, RATE_GOAL, CALCULATED_K0})
        Show(field, "---");
    for (int row = 0; row <= 4; ++row) {
        Show(Cell(row, Column::Frequency), "---");
        if (row > 0)
            for (Column c : {Column::Mass, Column::K0, Column::Difference})
                Show(Cell(row, c), "---");
    }
    Show(START, "Retest");
    if (m_audit)
        Show(PERCENT_ERROR, "");
    else
        EnableModifyMass(false);

    m_savedSmoothing = 0.01;
    m_teSeen = false;
    m_m.fill(DEFAULT_MASS);
    m_f.fill(0.0);
    m_result = {};
    SetOutcome(Outcome::Running);

    SetStatus(kDetecting);
    Write({{PRC_POWER_ACTIVATED, 1.0}});
    Write({{PRC_AIR_HEATER_PID_ACTIVE, 1.0}, {PRC_TE_HEATER_PID_ACTIVE, 1.0}, {PRC_FLOW_PID_ACTIVE, 1.0}});
    m_state = STARTED;
    Write({{PRC_AIR_HEATER_SET_PT, 43.0}, {PRC_TE_HEATER_SET_PT, 46.0}});
    Read({PRC_MASS_FREQ_RAW, PRC_TE_HEATER_SMOOTH_FACTOR, PRC_MASS_TRANS_INSTALLED});
    Read({PRC_TE_HEATER_TEMP, PRC_AIR_HEATER_TEMP});
    ReadLastMeasurements();
    StartTimer(TIMER_MS);
}

void K0Logic::Cancel() {
    const Step step(*this);
    if (!Closed())
        View().ReturnToMain();
}

void K0Logic::PumpAndHeatersOff() {
    Write(kPumpAndHeatersOff);
}

void K0Logic::PowerOffThreeTimes() {
    WriteTimes(3, {{{PRC_POWER_ACTIVATED, 0.0}, {PRC_TE_HEATER_SMOOTH_FACTOR, m_savedSmoothing}}});
}

void K0Logic::WriteSafeState() {
    WriteTimes(3, {kPumpAndHeatersOff,
                   {{PRC_POWER_ACTIVATED, 0.0},
                    {PRC_TE_HEATER_SMOOTH_FACTOR, 0.01},
                    {PRC_AIR_HEATER_SET_PT, 43.0},
                    {PRC_TE_HEATER_SET_PT, 46.0}}});
}

void K0Logic::Fail(const char* reason, bool status) {
    if (status)
        SetStatus(kFailureStatus);
    m_state = FAILED;
    EnableModifyMass(false);
    SetOutcome(Outcome::Failed);
    Message(std::string("A failure has occurred because the ") + reason + "\nPlease check hardware");
}

void K0Logic::OnTick() {
    const Phase phase = PhaseOf(m_state);
    if (phase == AIR || phase == TE)
        Read({PRC_MASS_FREQ_RAW, PRC_MASS_TRANS_INSTALLED, PRC_TE_HEATER_TEMP, PRC_AIR_HEATER_TEMP,
              PRC_FLOW_RATE});
    else
        Read({PRC_MASS_FREQ_RAW, PRC_MASS_TRANS_INSTALLED, PRC_TE_HEATER_TEMP, PRC_AIR_HEATER_TEMP});
    const double elapsed = Elapsed();
    switch (phase) {
    case DETECT:
        if (elapsed >= DETECT_PROMPT_S) {
            Message(INSTALL_PROMPT);
            RestartClock();
        }
        return;
    case AIR:
        if (elapsed >= (m_state == 4 ? FIRST_AIR_LIMIT_S : AIR_LIMIT_S))
            Fail(AIR_REASON);
        return;
    case TE:
        if (elapsed >= TE_LIMIT_S)
            Fail(TE_REASON);
        return;
    case FREQ:
        if (elapsed >= FREQUENCY_LIMIT_S)
            Fail(FREQUENCY_REASON);
        return;
    default:
        return;
    }
}

bool K0Logic::AirStable() const {
    if (!m_air.full())
        return false;
    for (double t : m_air.values())
        if (!(m_airSet - 0.5 <= t && t <= m_airSet + 0.5))
            return false;
    return true;
}

bool K0Logic::TeStable() const {
    return m_teSet - 0.2 < m_teTemp && m_teTemp < m_teSet + 0.2;
}

bool K0Logic::FlowStable() const {
    return m_flowSet - 0.1 < m_flow && m_flow < m_flowSet + 0.1;
}

void K0Logic::OnRegister(int number) {
    const double v = Value(number);
    const PrcTable& table = Doc().Registers();
    switch (number) {
    case PRC_MASS_TRANS_INSTALLED:
        OnInstalled(v == 1.0);
        return;
    case PRC_AIR_HEATER_SET_PT:
        m_airSet = v;
        Show(AIR_GOAL, GoalText(v, 0.5, table.Unit(number)));
        return;
    case PRC_AIR_HEATER_TEMP:
        OnAirTemperature(v);
        return;
    case PRC_TE_HEATER_SET_PT:
        m_teSet = v;
        Show(TE_GOAL, GoalText(v, 0.2, table.Unit(number)));
        return;
    case PRC_TE_HEATER_SMOOTH_FACTOR:
        if (m_state == STARTED) {
            // Written back when the run ends: only a factor the register can hold.
            m_savedSmoothing = WritableValue(number, v) && v >= 0.0 && v <= 1.0 ? v : 0.01;
            Write({{PRC_TE_HEATER_SMOOTH_FACTOR, 1.2}});
            m_state = DETECT_F0;
            RestartClock();
        }
        return;
    case PRC_TE_HEATER_TEMP:
        OnTeTemperature(v);
        return;
    case PRC_FLOW_RATE_SET_PT:
        m_flowSet = v;
        return;
    case PRC_FLOW_RATE:
        m_flow = v;
        return;
    case PRC_MASS_K0:
        m_stored = v;
        Show(STORED_K0, K0Text(v));
        return;
    case PRC_MASS_FREQ_RAW:
        OnFrequency(v);
        return;
    case PRC_MASS_TRANS_MANUFACTURE_DATE:
        Show(MANUFACTURE_DATE, DateText(Doc().Zone(), v, "%m/%d/%Y", "--/--/----"));
        return;
    default:
        break;
    }
    const int index = number - FirstLastRegister();
    if (index < 0 || index > 9 || m_state == COMPLETE)
        return;
    m_last.Set(index, v);
    ShowLastMeasurements();
}

void K0Logic::OnInstalled(bool installed) {
    const Phase phase = PhaseOf(m_state);
    if (!installed) {
        if (m_state == IDLE) {
            SetStatus("Mass transducer not installed");
            m_state = NO_TRANSDUCER;
        } else if (phase == AIR || phase == TE || phase == FREQ) {
            Message(INSTALL_PROMPT);
            m_freq.clear();
            m_air.clear();
            SetStatus(kDetecting);
            RestartClock();
            m_state = 3 + 4 * WeightOf(m_state); // the detect step of this weight
        }
        return;
    }
    if (m_state == NO_TRANSDUCER || m_state == IDLE) {
        ReadLastMeasurements();
        ReadStoredK0();
        if (m_state == NO_TRANSDUCER) {
            SetStatus("");
            m_state = IDLE;
        }
        return;
    }
    if (phase != DETECT)
        return;
    if (m_state == DETECT_F0) {
        SetStatus("Waiting for the air heater temperature to stabilize.  This may take up to 45 minutes.");
        ReadStoredK0();
    } else {
        m_teSeen = false;
        SetStatus("Waiting for the air heater temperature to stabilize.  This may take up to 15 minutes.");
    }
    m_freq.clear();
    m_air.clear();
    ++m_state;
    RestartClock();
}

void K0Logic::OnAirTemperature(double v) {
    if (v > -50.0) {
        Show(AIR_TEMP, FormatFixed(v, 3) + " " + Doc().Registers().Unit(PRC_AIR_HEATER_TEMP));
        m_air.push_back(v);
    } else {
        Show(AIR_TEMP, "---");
    }
    if (PhaseOf(m_state) == AIR && AirStable()) {
        SetStatus("Waiting for mass transducer temperature to stabilize.  This may take up to 15 minutes.");
        RestartClock();
        ++m_state;
    }
}

void K0Logic::OnTeTemperature(double v) {
    const Phase phase = PhaseOf(m_state);
    if (phase == DETECT) {
        m_teTemp = -55.0;
        Show(TE_TEMP, "---");
        return;
    }
    if (phase == NONE)
        return;
    if (v > -50.0) {
        m_teTemp = v;
        Show(TE_TEMP, FormatFixed(v, 3) + " " + Doc().Registers().Unit(PRC_TE_HEATER_TEMP));
    } else {
        Show(TE_TEMP, "---");
    }
    if (phase != TE)
        return;
    // The first reading of a TE step may predate the step.
    if (!m_teSeen) {
        m_teSeen = true;
    } else if (TeStable()) {
        SetStatus("Waiting for frequency to stabilize.  This may take up to 7 minutes.");
        RestartClock();
        ++m_state;
    }
}

void K0Logic::OnFrequency(double v) {
    const Phase phase = PhaseOf(m_state);
    if (phase != AIR && phase != TE && phase != FREQ)
        return;
    const std::string shown =
        v > 1.0 ? FormatFixed(v, 6) + " " + Doc().Registers().Unit(PRC_MASS_FREQ_RAW) : std::string("---");
    if (phase != FREQ) {
        Show(FREQUENCY, shown);
        return;
    }
    if (v > 1.0)
        m_freq.push_back(v);
    Show(FREQUENCY, shown);
    const std::optional<double> rate = FrequencyRate(m_freq);
    Show(RATE, rate ? RateText(*rate) : kCalculatingRate);
    Show(RATE_GOAL, RateGoalText(kRateGoal));
    if (!FrequencyStable(m_freq, kRateGoal) || !TeStable() || !AirStable())
        return;
    if (!FlowStable()) {
        Fail(FLOW_REASON, false);
        return;
    }
    CompleteWeight();
}

void K0Logic::CompleteWeight() {
    const auto k = size_t(WeightOf(m_state));
    m_f[k] = m_freq.mean();
    Show(Cell(int(k), Column::Frequency), FormatFixed(m_f[k], 6));
    if (k >= 1 && !m_audit && std::fabs(m_f[k - 1] - m_f[k]) > MAX_FREQUENCY_CHANGE) {
        Fail(CHANGE_REASON);
        PumpAndHeatersOff();
        PowerOffThreeTimes();
        Show(CANCEL, "Close");
        return;
    }
    if (k < 4) {
        Message(std::string("Please perform the following steps:\n - Remove the mass transducer\n") +
                    " - Add the " + kOrdinals[k] + " weight to the filter\n" +
                    " - Re-install the mass transducer\n - Click Ok",
                MessageIcon::Information);
        if (!m_audit) {
            std::vector<DialogNumber> mass = {{"mg", DEFAULT_MASS, true, 0.5, 1.0}};
            if (Dialog(MASS_PROMPT, mass) && mass[0].value >= 0.5 && mass[0].value <= 1.0)
                m_m[k] = mass[0].value;
        }
        Show(Cell(int(k) + 1, Column::Mass), FormatFixed(m_m[k], 3));
        ++m_state;
        SetStatus(kDetecting);
        RestartClock();
        EnableModifyMass(true);
        if (k >= 1)
            ShowWeightResults();
        return;
    }
    PumpAndHeatersOff();
    PowerOffThreeTimes();
    Show(CANCEL, "Close");
    m_state = COMPLETE;
    StopTimer();
    FinalEvaluation();
}

// K0 of weights 1..k once the step after weight k + 1 has begun, all four when complete.
void K0Logic::ShowWeightResults() {
    double mass = 0.0;
    for (int k = 0; k < 4; ++k) {
        mass += m_m[size_t(k)];
        if (m_state >= 11 + 4 * k && m_state <= COMPLETE)
            Show(Cell(k + 1, Column::K0), K0Text(K0FromFrequencies(mass, m_f[0], m_f[size_t(k) + 1])));
    }
}

void K0Logic::FinalEvaluation() {
    m_result = K0Evaluation::OfMeasurements(m_f, m_m, m_stored, m_audit);
    const K0Evaluation& e = m_result;
    ShowWeightResults();
    Show(CALCULATED_K0, e.problem.empty() ? K0Text(e.calculated) : "---");
    for (size_t k = 0; k < 4; ++k)
        Show(Cell(int(k) + 1, Column::Difference), FixedOrDashes(e.difference[k], 3),
             Tone(std::fabs(e.difference[k]) <= K0Evaluation::SUSPECT_DIFFERENCE));
    if (!e.problem.empty()) {
        SetStatus(e.problem);
        SetOutcome(Outcome::Failed);
        return;
    }
    const uint32_t now = uint32_t(NowMs() / 1000);
    const double calculated = std::trunc(e.calculated);
    if (m_audit) {
        Show(PERCENT_ERROR, FormatFixed(e.error, 3), Tone(e.passed));
        Message(std::string(e.passed ? "K0 audit passed" : "K0 audit failed") +
                    "\n\nStored value: " + K0Text(m_stored) + "\nCalculated value: " + K0Text(calculated) +
                    "\n\n% Error: " + FormatFixed(e.error, 3),
                MessageIcon::Information);
        SetStatus(e.passed ? "Audit passed" : "Audit failed");
        const bool written = Write({{PRC_K0_AUDIT_F0, m_f[0]},
                                    {PRC_K0_AUDIT_F1, m_f[1]},
                                    {PRC_K0_AUDIT_F2, m_f[2]},
                                    {PRC_K0_AUDIT_F3, m_f[3]},
                                    {PRC_K0_AUDIT_F4, m_f[4]},
                                    {PRC_K0_AUDIT_M1, m_m[0]},
                                    {PRC_K0_AUDIT_M2, m_m[1]},
                                    {PRC_K0_AUDIT_M3, m_m[2]},
                                    {PRC_K0_AUDIT_M4, m_m[3]},
                                    {PRC_K0_AUDIT_TIME, double(now)},
                                    {PRC_K0_AUDIT_K0, calculated}});
        if (written)
            SetOutcome(e.passed ? Outcome::Passed : Outcome::Failed);
        return;
    }
    if (e.suspect) {
        Message(SUSPECT_WARNING);
        SetStatus("Verify mass values");
        SetOutcome(Outcome::Failed);
        return;
    }
    if (Ask("K0 calibration complete\n\nNew value: " + K0Text(calculated) +
            "\nOld value: " + K0Text(m_stored) + "\n\nKeep new?")) {
        const bool written = Write({{PRC_K0_CAL_F0, m_f[0]},
                                    {PRC_K0_CAL_F1, m_f[1]},
                                    {PRC_K0_CAL_F2, m_f[2]},
                                    {PRC_K0_CAL_F3, m_f[3]},
                                    {PRC_K0_CAL_F4, m_f[4]},
                                    {PRC_K0_CAL_M1, m_m[0]},
                                    {PRC_K0_CAL_M2, m_m[1]},
                                    {PRC_K0_CAL_M3, m_m[2]},
                                    {PRC_K0_CAL_M4, m_m[3]},
                                    {PRC_K0_CAL_TIME, double(now)},
                                    {PRC_MASS_K0, calculated}});
        if (!written)
            return;
    }
    SetStatus("Calibration complete");
    SetOutcome(Outcome::Passed);
}

void K0Logic::ModifyMass() {
    const Step step(*this);
    if (Closed() || m_audit || !m_modifyEnabled)
        return;
    StopTimer();
    int editable = 0;
    if (m_state >= 7 && m_state <= COMPLETE)
        editable = std::min(4, (m_state - 3) / 4);
    std::vector<DialogNumber> masses;
    for (int k = 0; k < 4; ++k)
        masses.push_back({"F" + std::to_string(k + 1) + " (mg)", m_m[size_t(k)], k < editable,
                          kMassRange[k][0], kMassRange[k][1]});
    if (Dialog("Modify Mass", masses)) {
        for (int k = 0; k < editable; ++k) {
            const double v = masses[size_t(k)].value;
            if (v >= kMassRange[k][0] && v <= kMassRange[k][1])
                m_m[size_t(k)] = v;
            Show(Cell(k + 1, Column::Mass), FormatFixed(m_m[size_t(k)], 3));
        }
    }
    if (m_state == COMPLETE)
        FinalEvaluation();
    else
        ShowWeightResults();
    StartTimer(TIMER_MS);
}

void K0Logic::ShowLastMeasurements() {
    const std::array<double, 4> k0 = m_last.K0s();
    const std::array<double, 4> difference = m_last.Differences(m_stored, m_audit);
    for (size_t row = 0; row <= 4; ++row) {
        const bool shown = !Near(m_last.f[row], 1.0);
        Show(LastCell(int(row), Column::Frequency), shown ? FormatFixed(m_last.f[row], 6) : "---");
        if (row == 0)
            continue;
        const double mass = m_last.m[row - 1];
        Show(LastCell(int(row), Column::Mass), Near(mass, 0.1) ? "---" : FormatFixed(mass, 3));
        Show(LastCell(int(row), Column::K0), shown ? FixedOrDashes(k0[row - 1], 3) : "---");
        Show(LastCell(int(row), Column::Difference), shown ? FixedOrDashes(difference[row - 1], 3) : "---");
    }
    Show(LAST_GROUP, m_last.Title(m_audit, Doc().Zone()));
}

bool K0Logic::Export(const std::string& path) {
    const Step step(*this);
    std::string error;
    if (WriteFileAtomically(path, ExportText(), &error))
        return true;
    Message("Unable to open file: " + error);
    return false;
}

uint32_t K0Logic::ManufactureDatePreset(uint32_t nowSeconds) const {
    const double v = Value(PRC_MASS_TRANS_MANUFACTURE_DATE);
    return v == 0.0 ? nowSeconds : uint32_t(v);
}

void K0Logic::UpdateManufactureDate(uint32_t seconds) {
    const Step step(*this);
    if (Closed() || m_audit || Doc().Mode() != ACCESS_EXPERT || !Doc().NewFirmware())
        return;
    Write({{PRC_MASS_TRANS_MANUFACTURE_DATE, double(seconds)}});
}

} // namespace orvo
