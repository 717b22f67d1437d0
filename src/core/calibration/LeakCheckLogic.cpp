#include "calibration/LeakCheckLogic.h"

#include <cmath>

#include "calibration/LineFit.h"
#include "model/PrcRegisters.h"
#include "platform/Format.h"

namespace orvo {

namespace {

constexpr int kRecordingEnd = 91; // the last tick; the record holds ticks 0..91
constexpr int kPumpDownEnd = 30;
constexpr int kFirstSample = 31;
constexpr size_t kMembraneSkip = 5;    // samples of ticks 31..35 precede the case's rate line
constexpr size_t kMembraneSamples = 8; // from tick 36 on, needed for the membrane's first line

bool ValidAmbient(double ambient) {
    return std::isfinite(ambient) && ambient > 0.0;
}

// The slope of a line through `samples`, mm Hg per second; nothing when it is undefined.
std::optional<double> Slope(const std::vector<double>& samples) {
    const std::optional<LineFit> fit = FitLineOverIndex(samples);
    if (!fit)
        return std::nullopt;
    return fit->slope;
}

} // namespace

double LeakCheckLogic::Pressure(double volts, double convA, double convB) {
    return ((volts * 0.4 + double(0.095f)) * double(111.1111f)) * convA * 7.500617 + convB;
}

LeakCheckLogic::Verdict LeakCheckLogic::EvaluateSamplePath(const std::vector<double>& samples,
                                                           double ambient) {
    Verdict v;
    if (!ValidAmbient(ambient)) {
        v.text = "Ambient pressure not valid, leak check failed!";
        return v;
    }
    const std::optional<double> s = Slope(samples);
    const double rate = s ? *s * 3750.0 / ambient * 0.001 : NAN;
    if (!std::isfinite(rate)) {
        v.text = "Leak rate could not be determined, leak check failed!";
        return v;
    }
    v.valid = true;
    v.rate = rate;
    v.passed = rate < SAMPLE_PATH_LIMIT;
    v.text =
        std::string(v.passed ? "Leak check passed! (" : "Leak check failed! (") + FormatFixed(rate, 3) + ")";
    return v;
}

LeakCheckLogic::Verdict LeakCheckLogic::EvaluateCase(const std::vector<double>& samples, double ambient,
                                                     double samplePathRate) {
    Verdict v;
    if (!ValidAmbient(ambient)) {
        v.text = "Ambient pressure not valid, case check failed!";
        return v;
    }
    // With enough samples the first seconds (air through the membrane) are left out of the rate and
    // judged on their own; with fewer there is no first slope and so no membrane warning.
    std::optional<double> first;
    std::vector<double> line = samples;
    if (samples.size() >= kMembraneSkip + kMembraneSamples) {
        first = Slope({samples.begin(), samples.begin() + 3});
        line.assign(samples.begin() + kMembraneSkip, samples.end());
    }
    const std::optional<double> s = Slope(line);
    const double rate = s ? *s * 18498.0 / ambient * 0.001 - samplePathRate : NAN;
    if (!std::isfinite(rate)) {
        v.text = "Leak rate could not be determined, case check failed!";
        return v;
    }
    v.valid = true;
    v.rate = rate;
    v.passed = rate < CASE_LIMIT;
    v.membraneWarning = v.passed && first && *first < MEMBRANE_SLOPE;
    v.text =
        std::string(v.passed ? "Case check passed! (" : "Case check failed! (") + FormatFixed(rate, 3) + ")";
    return v;
}

LeakCheckLogic::LeakCheckLogic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock)
    : ProcedureLogic(doc, io, view, clock, "Leak Check") {}

void LeakCheckLogic::OnOpen() {
    EnableButtons(true);
}

void LeakCheckLogic::EnableButtons(bool enabled) {
    View().SetEnabled(SAMPLE_PATH, enabled);
    View().SetEnabled(CASE, enabled);
    View().SetEnabled(OK, enabled);
}

// The pressures are computed here from the monitor's raw volts: with its own constants, which the
// register table holds only once something has read them.
void LeakCheckLogic::ReadConversions() {
    Read({PRC_AMBIENT_PRES_CONV_A, PRC_AMBIENT_PRES_CONV_B, PRC_FLOW_LINE_PRES_CONV_A,
          PRC_FLOW_LINE_PRES_CONV_B});
}

double LeakCheckLogic::LinePressure() const {
    return Pressure(Value(PRC_FLOW_LINE_PRES_VOLTS_RAW), Value(PRC_FLOW_LINE_PRES_CONV_A),
                    Value(PRC_FLOW_LINE_PRES_CONV_B));
}

double LeakCheckLogic::AmbientPressure() const {
    return Pressure(Value(PRC_AMBIENT_PRES_VOLTS_RAW), Value(PRC_AMBIENT_PRES_CONV_A),
                    Value(PRC_AMBIENT_PRES_CONV_B));
}

void LeakCheckLogic::StartSamplePath() {
    const Step step(*this);
    if (Closed() || Running())
        return;
    EnableButtons(false);
    Message(PLUG_PROMPT, MessageIcon::Information);
    // Pump stopped, then power, a first look at the pressures and a gentle start of the pump.
    Write({{PRC_FLOW_RATE_DUTY_CYCLE, 0.0}});
    ReadConversions();
    m_starting = 3;
    StartTimer(500);
}

void LeakCheckLogic::StartCase() {
    const Step step(*this);
    if (Closed() || Running())
        return;
    if (!Doc().LeakCheckDone()) {
        Message(CASE_REFUSED, MessageIcon::Stop);
        return;
    }
    EnableButtons(false);
    Message(ADAPTER_PROMPT, MessageIcon::Information);
    Message(ATTACH_PROMPT, MessageIcon::Information);
    Write({{PRC_FLOW_RATE_DUTY_CYCLE, 20.0}, {PRC_POWER_ACTIVATED, 1.0}});
    ReadConversions();
    Read({PRC_FLOW_LINE_PRES_VOLTS_RAW, PRC_AMBIENT_PRES_RAW, PRC_AMBIENT_PRESSURE});
    Begin(Mode::Case, "Performing case check");
}

void LeakCheckLogic::Begin(Mode mode, const char* status) {
    m_mode = mode;
    m_tick = 0;
    m_record.assign(kRecordingEnd + 1, 0.0);
    m_verdict = {};
    SetOutcome(Outcome::Running);
    SetStatus(status);
    StartTimer(TIMER_MS);
}

void LeakCheckLogic::Cancel() {
    const Step step(*this);
    if (Closed())
        return;
    if (Running()) {
        Write({{PRC_FLOW_RATE_DUTY_CYCLE, 0.0}, {PRC_POWER_ACTIVATED, 0.0}});
        m_mode = Mode::Idle;
        m_starting = 0;
        StopTimer();
    }
    View().ReturnToMain();
}

void LeakCheckLogic::Ok() {
    const Step step(*this);
    if (!Closed() && !Running())
        View().ReturnToMain();
}

void LeakCheckLogic::WriteSafeState() {
    if (Running())
        Write({{PRC_FLOW_RATE_DUTY_CYCLE, 0.0}, {PRC_POWER_ACTIVATED, 0.0}});
    m_mode = Mode::Idle;
    m_starting = 0;
}

void LeakCheckLogic::OnRefusedWrite(const std::string& status) {
    // The pump must not be left running on a value we could not compute.
    if (Running())
        Write({{PRC_FLOW_RATE_DUTY_CYCLE, 0.0}, {PRC_POWER_ACTIVATED, 0.0}});
    m_verdict = {};
    m_verdict.text = status;
    Show(STATUS, status, TextTone::Fail);
    End(false);
}

void LeakCheckLogic::End(bool passed) {
    m_mode = Mode::Idle;
    m_starting = 0;
    StopTimer();
    EnableButtons(true);
    SetOutcome(passed ? Outcome::Passed : Outcome::Failed);
}

void LeakCheckLogic::OnTick() {
    if (m_starting > 0) {
        switch (m_starting--) {
        case 3:
            Write({{PRC_POWER_ACTIVATED, 1.0}});
            return;
        case 2:
            Read({PRC_AMBIENT_PRES_RAW, PRC_FLOW_LINE_PRES_VOLTS_RAW, PRC_FLOW_LINE_PRES_RAW});
            StartTimer(1000);
            return;
        default:
            if (Write({{PRC_FLOW_RATE_DUTY_CYCLE, 20.0}}))
                Begin(Mode::Leak, "Performing leak check");
            return;
        }
    }
    if (m_mode == Mode::Idle)
        return;
    const bool leak = m_mode == Mode::Leak;
    const double target = Value(PRC_AMBIENT_PRES_RAW) - 200.0;
    if (leak)
        Read({PRC_FLOW_LINE_PRES_VOLTS_RAW, PRC_AMBIENT_PRES_VOLTS_RAW, PRC_AMBIENT_PRES_RAW});
    else
        Read({PRC_FLOW_LINE_PRES_VOLTS_RAW, PRC_AMBIENT_PRES_VOLTS_RAW, PRC_AMBIENT_PRES_RAW,
              PRC_AMBIENT_PRESSURE});
    ++m_tick;
    const double p = LinePressure();
    Show(PRESSURE, FormatFixed(p, 1) + " mm Hg");

    if (m_tick < kPumpDownEnd) {
        if (m_tick < 3 || p >= target) {
            Write({{PRC_FLOW_RATE_DUTY_CYCLE, Value(PRC_FLOW_RATE_DUTY_CYCLE) + 3.0}});
        } else {
            Write({{PRC_FLOW_RATE_DUTY_CYCLE, 0.0}});
            m_tick = kPumpDownEnd;
        }
        return;
    }
    if (m_tick == kPumpDownEnd) {
        Write({{PRC_FLOW_RATE_DUTY_CYCLE, 0.0}});
        const char* text = leak ? "Minimum pressure not obtained, leak check failed!"
                                : "Minimum pressure not obtained, case check failed!";
        Show(PRESSURE, text, TextTone::Fail);
        m_verdict = {};
        m_verdict.text = text;
        End(false);
        return;
    }
    m_record[size_t(m_tick)] = p;
    const bool rising = Value(PRC_AMBIENT_PRES_VOLTS_RAW) - Value(PRC_FLOW_LINE_PRES_VOLTS_RAW) >= 0.05;
    if (m_tick < kRecordingEnd && rising)
        return;
    Finish();
}

void LeakCheckLogic::Finish() {
    const bool leak = m_mode == Mode::Leak;
    const std::vector<double> samples(m_record.begin() + kFirstSample, m_record.begin() + m_tick + 1);
    Write({{PRC_POWER_ACTIVATED, 0.0}});
    const double ambient = AmbientPressure();
    m_verdict =
        leak ? EvaluateSamplePath(samples, ambient) : EvaluateCase(samples, ambient, Doc().LeakCheckResult());
    if (leak && m_verdict.valid)
        Doc().SetLeakCheck(m_verdict.rate);
    const bool passed = m_verdict.valid && m_verdict.passed;
    Show(STATUS, m_verdict.text, passed ? TextTone::Pass : TextTone::Fail);
    End(passed);
    if (m_verdict.membraneWarning)
        Message(MEMBRANE_WARNING, MessageIcon::Warning);
}

} // namespace orvo
