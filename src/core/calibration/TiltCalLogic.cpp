#include "calibration/TiltCalLogic.h"

#include <cmath>
#include <numeric>

#include "calibration/FrequencyStability.h"
#include "model/PrcRegisters.h"
#include "platform/Format.h"

namespace orvo {

namespace {

constexpr const char* kDetecting = "Detecting mass transducer";
constexpr const char* kAuditGoal = "0 \xC2\xB1"
                                   "5 mHz";

double Mean(const std::vector<double>& values) {
    return values.empty() ? NAN : std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

std::string Percent(double v) {
    return FormatFixed(v, 2) + " %";
}

} // namespace

TiltCalLogic::Evaluation TiltCalLogic::Evaluate(double fUp, double fSide, double dUp, double dSide,
                                                double zb) {
    Evaluation e;
    e.b = (fSide - fUp) / (dUp - dSide);
    e.a = -e.b * dUp;
    e.correctMax = dUp + 0.1 * zb;
    e.correctMin = dSide - 0.1 * zb;
    e.rejectMax = dUp + 0.3 * zb;
    e.rejectMin = dSide - 0.3 * zb;
    e.spanOk = std::fabs(e.correctMax - e.correctMin) >= MIN_SPAN;
    e.difference = (fUp - fSide) * 1000.0;
    e.passed = -AUDIT_LIMIT < e.difference && e.difference < AUDIT_LIMIT;
    return e;
}

TiltCalLogic::TiltCalLogic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock,
                           bool audit)
    : ProcedureLogic(doc, io, view, clock, audit ? "Tilt Audit" : "Tilt Calibration"), m_audit(audit),
      m_teSet(doc.Registers().Value(PRC_TE_HEATER_SET_PT)) {}

int TiltCalLogic::FrequencyRegister() const {
    return m_audit ? PRC_MASS_FREQ_CORRECTED : PRC_MASS_FREQ_RAW;
}

void TiltCalLogic::RequestReadings() {
    Read({FrequencyRegister(), PRC_MASS_TRANS_INSTALLED, PRC_TE_HEATER_TEMP_RAW, PRC_TILT_Z_DUTY_CYCLE});
}

void TiltCalLogic::RestartClock() {
    m_stateStartMs = NowMs();
}

double TiltCalLogic::Elapsed() const {
    return double(NowMs() - m_stateStartMs) / 1000.0;
}

void TiltCalLogic::ClearLists() {
    m_fUp.clear();
    m_dUp.clear();
    m_fSide.clear();
    m_dSide.clear();
}

void TiltCalLogic::OnOpen() {
    Show(STATUS_GROUP, m_audit ? "Tilt Audit Status" : "Tilt Calibration Status");
    Show(REJECT_MAX_LABEL, m_audit ? "Average Difference:" : "TILT REJECT MAX");
    Show(REJECT_MIN_LABEL, m_audit ? "Average Difference Goal:" : "TILT REJECT MIN");
    Show(CANCEL, "Cancel");
    m_fUp.reserve(READINGS);
    m_dUp.reserve(READINGS);
    m_fSide.reserve(READINGS);
    m_dSide.reserve(READINGS);
    Write({{PRC_POWER_ACTIVATED, 1.0}});
    Write({{PRC_TE_HEATER_PID_ACTIVE, 1.0}});
    Write({{PRC_AIR_HEATER_SET_PT, 43.0}, {PRC_TE_HEATER_SET_PT, 46.0}});
    Read({PRC_TE_HEATER_SMOOTH_FACTOR});
    m_state = STARTED;
    StartTimer(TIMER_MS);
}

void TiltCalLogic::Restart() {
    const Step step(*this);
    if (Closed())
        return;
    for (const char* field : {TE_TEMP, FREQUENCY, RATE, RATE_GOAL, TILT_DUTY, REJECT_MAX, REJECT_MIN,
                              CORRECT_MAX, CORRECT_MIN, CORRECT_A, CORRECT_B})
        Show(field, "---");
    m_freq.clear();
    ClearLists();
    m_result = {};
    SetOutcome(Outcome::Running);
    m_state = DETECTING;
    SetStatus(kDetecting);
    if (m_audit)
        Show(REJECT_MIN, kAuditGoal);
    RestartClock();
    StartTimer(TIMER_MS);
    Show(TE_GOAL, GoalText(m_teSet, 0.2, Doc().Registers().Unit(PRC_TE_HEATER_SET_PT)));
    Read({PRC_MASS_TRANS_INSTALLED, PRC_TE_HEATER_TEMP_RAW});
}

void TiltCalLogic::Cancel() {
    const Step step(*this);
    if (!Closed())
        View().ReturnToMain();
}

void TiltCalLogic::WriteSafeState() {
    WriteTimes(3, {{{PRC_TE_HEATER_PID_ACTIVE, 0.0}, {PRC_TE_HEATER_DUTY_CYCLE, 0.0}},
                   {{PRC_POWER_ACTIVATED, 0.0},
                    {PRC_TE_HEATER_SMOOTH_FACTOR, 0.01},
                    {PRC_AIR_HEATER_SET_PT, 43.0},
                    {PRC_TE_HEATER_SET_PT, 46.0}}});
}

void TiltCalLogic::OnTick() {
    RequestReadings();
    const double elapsed = Elapsed();
    switch (m_state) {
    case DETECTING:
        if (elapsed >= DETECT_PROMPT_S) {
            Message(INSTALL_PROMPT);
            RestartClock();
            m_freq.clear();
        }
        return;
    case SETTLING:
        if (elapsed >= TEMPERATURE_LIMIT_S) {
            SetStatus("Temperature failure: Check hardware");
            Fail(true);
        }
        return;
    case UPRIGHT_SETTLING:
    case SIDE_SETTLING:
        if (elapsed >= (m_state == UPRIGHT_SETTLING ? UPRIGHT_LIMIT_S : SIDE_LIMIT_S)) {
            SetStatus("Frequency failure: Check hardware");
            Fail(false);
        }
        return;
    default:
        return;
    }
}

void TiltCalLogic::Fail(bool temperature) {
    std::string text = "A failure has occurred because the ";
    text += temperature ? "temperature " : "frequency ";
    text += "has failed to stabilize.\n";
    if (!temperature && !FrequencyAlive(m_freq))
        text += "The frequency is not changing.  ";
    text += "Please check hardware";
    m_state = FAILED;
    SetOutcome(Outcome::Failed);
    Message(text);
}

bool TiltCalLogic::TeWithinGoal() const {
    return m_teSet - 0.2 < m_teTemp && m_teTemp < m_teSet + 0.2;
}

void TiltCalLogic::OnRegister(int number) {
    const double v = Value(number);
    if (number == FrequencyRegister()) {
        OnFrequency(v);
        return;
    }
    switch (number) {
    case PRC_TE_HEATER_SMOOTH_FACTOR:
        if (m_state != STARTED)
            return;
        m_savedSmoothing = WritableValue(number, v) && v >= 0.0 && v <= 1.0 ? v : 0.01;
        Write({{PRC_TE_HEATER_SMOOTH_FACTOR, 1.2}});
        RequestReadings();
        SetStatus(kDetecting);
        m_state = DETECTING;
        RestartClock();
        return;
    case PRC_MASS_TRANS_INSTALLED:
        if (v != 1.0 && m_state >= SETTLING && m_state <= SIDE) {
            Message(INSTALL_PROMPT);
            m_freq.clear();
            ClearLists();
            SetStatus(kDetecting);
            m_state = DETECTING;
            RestartClock();
        } else if (v == 1.0 && m_state == DETECTING) {
            SetStatus("Waiting for temperature to stabilize.  This may take up to 45 minutes.");
            ClearLists();
            m_state = SETTLING;
            RestartClock();
        }
        return;
    case PRC_TE_HEATER_SET_PT:
        m_teSet = v;
        Show(TE_GOAL, GoalText(v, 0.2, Doc().Registers().Unit(number)));
        return;
    case PRC_TE_HEATER_TEMP_RAW:
        if (m_state == STARTED || m_state == DETECTING) {
            m_teTemp = -55.0;
            Show(TE_TEMP, "---");
            return;
        }
        if (m_state > SIDE)
            return;
        if (v > -50.0) {
            m_teTemp = v;
            Show(TE_TEMP, FormatFixed(v, 3) + " " + Doc().Registers().Unit(number));
        } else {
            Show(TE_TEMP, "---");
        }
        if (m_state == SETTLING && TeWithinGoal()) {
            SetStatus(
                "Waiting for frequency to stabilize.  This may take up to 7 minutes. Do not move the Orvo.");
            Message(UPRIGHT_PROMPT);
            m_freq.clear();
            m_state = UPRIGHT_SETTLING;
            RestartClock();
        }
        return;
    case PRC_TILT_Z_DUTY_CYCLE:
        Show(TILT_DUTY, Percent(v));
        if (m_state == UPRIGHT && m_dUp.size() < READINGS)
            m_dUp.push_back(v);
        else if (m_state == SIDE && m_dSide.size() < READINGS)
            m_dSide.push_back(v);
        return;
    default:
        return;
    }
}

void TiltCalLogic::OnFrequency(double v) {
    const std::string shown =
        v > 1.0 ? FormatFixed(v, 6) + " " + Doc().Registers().Unit(FrequencyRegister()) : std::string("---");
    if (m_state == STARTED || m_state == DETECTING) {
        Show(FREQUENCY, "---");
        return;
    }
    if (m_state == SETTLING) {
        Show(FREQUENCY, shown);
        return;
    }
    if (m_state > SIDE)
        return;
    Show(FREQUENCY, shown);
    if (!(v > 1.0))
        return;
    m_freq.push_back(v);
    const std::optional<double> rate = FrequencyRate(m_freq);
    Show(RATE, rate && FrequencyAlive(m_freq) ? RateText(*rate) : kCalculatingRate);
    Show(RATE_GOAL, RateGoalText(kRateGoal));
    switch (m_state) {
    case UPRIGHT_SETTLING:
    case SIDE_SETTLING:
        if (FrequencyStable(m_freq, kRateGoal) && TeWithinGoal()) {
            SetStatus(m_state == UPRIGHT_SETTLING
                          ? "Frequency stabilized.  Collecting data for two minutes. Do not move the Orvo."
                          : "Frequency stabilized.  Collecting data for one minute. Do not move the Orvo.");
            ++m_state;
            RestartClock();
        }
        return;
    case UPRIGHT:
        m_fUp.push_back(v);
        if (m_fUp.size() < READINGS)
            return;
        m_state = SIDE_SETTLING;
        SetStatus(
            "Waiting for frequency to stabilize.  This may take up to 5 minutes. Do not move the Orvo.");
        Message(SIDE_PROMPT);
        m_freq.clear();
        RestartClock();
        return;
    case SIDE:
        m_fSide.push_back(v);
        if (m_fSide.size() < READINGS)
            return;
        m_state = COMPLETE;
        SetStatus("Calculations complete.");
        Finish();
        Show(CANCEL, "Close");
        return;
    default:
        return;
    }
}

void TiltCalLogic::Finish() {
    StopTimer();
    m_result = Evaluate(Mean(m_fUp), Mean(m_fSide), Mean(m_dUp), Mean(m_dSide), Value(PRC_TILT_Z_CONV_B));
    const Evaluation& e = m_result;
    if (m_audit) {
        Show(REJECT_MAX, FormatFixed(e.difference, 3) + " mHz", e.passed ? TextTone::Pass : TextTone::Fail);
        SetStatus(e.passed ? "Audit calculations complete: Pass" : "Audit calculations complete: Fail");
        SetOutcome(e.passed ? Outcome::Passed : Outcome::Failed);
        Message(std::string(e.passed ? "The tilt audit has passed:\n\n" : "The tilt audit has failed:\n\n") +
                    FormatFixed(e.difference, 3) + " mHz",
                MessageIcon::Information);
        return;
    }
    FinishCalibration(e);
}

void TiltCalLogic::FinishCalibration(const Evaluation& e) {
    Show(CORRECT_MAX, Percent(e.correctMax));
    Show(CORRECT_MIN, Percent(e.correctMin));
    Show(REJECT_MAX, Percent(e.rejectMax));
    Show(REJECT_MIN, Percent(e.rejectMin));
    if (!e.spanOk) {
        SetStatus("Tilt Calibration Failed");
        SetOutcome(Outcome::Failed);
        Message(
            "The tilt calibration has failed.\nDevice not registering enough tilt to properly calibrate.");
        return;
    }
    const RegisterWrites writes = {{PRC_TILT_CORRECT_A, e.a},
                                   {PRC_TILT_CORRECT_B, e.b},
                                   {PRC_TILT_CORRECT_MAX, e.correctMax},
                                   {PRC_TILT_CORRECT_MIN, e.correctMin},
                                   {PRC_TILT_REJECT_MAX, e.rejectMax},
                                   {PRC_TILT_REJECT_MIN, e.rejectMin}};
    // Each goes in a write of its own: all six are checked first so that none is written alone.
    for (const auto& [number, value] : writes) {
        if (!WritableValue(number, value)) {
            OnRefusedWrite("Calculation error: no valid value for " + Doc().Registers().ShortName(number) +
                           ", nothing was written");
            return;
        }
    }
    Show(CORRECT_A, FormatFixed(e.a, 9));
    Show(CORRECT_B, FormatFixed(e.b, 9));
    for (const auto& write : writes)
        Write({write});
    SetOutcome(Outcome::Passed);
    Message("The tilt calibration is complete", MessageIcon::Information);
}

} // namespace orvo
