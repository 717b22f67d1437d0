#include "SimDynamics.h"

#include "SimValues.h"

#include <algorithm>
#include <cmath>

namespace orvo::sim {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Heaters: first order towards the set point while their loop runs, towards a little above the
// ambient temperature otherwise.
constexpr double kAirSeconds = 60.0;
constexpr double kTeSeconds = 90.0;
constexpr double kUnstableSwing = 3.0; // deg C of the faulty heaters' swing
constexpr double kUnstablePeriod = 240.0;

// Transducer: settles after it is fitted, 0.01 Hz per deg C of its heater, a small wobble that keeps
// neighbouring readings apart without tilting a one-minute slope.
constexpr double kFittedSeconds = 25.0;
constexpr double kRefitOffset = 0.3;
constexpr double kFrozenFrequency = 300.125;
constexpr double kUprightDuty = 62.5; // 50 + 12.5 * cos 0
constexpr double kSideDuty = 50.0;    // 50 + 12.5 * cos 90

// Pump and flow sensor: Q = 4.17 * (duty/100)^0.8 L/min, volts = 0.25 + 0.3 * Q^2.
constexpr double kPumpMaxFlow = 4.17;
constexpr double kPumpExponent = 0.8;
constexpr double kSensorZero = 0.25;
constexpr double kSensorGain = 0.3;
constexpr double kFilterDrop = 18.0; // mm Hg per L/min through the filter

// Pneumatics of the leak and case checks: line volume 1, case volume 8 behind the membrane.
constexpr double kPumpSpeed = 0.002; // per second and % duty, of the pressure above the pump's floor
constexpr double kPumpFloor = 80.0;  // mm Hg
constexpr double kMembrane = 0.25;   // per second
constexpr double kCaseVolume = 8.0;
constexpr double kCaseLeakFault = 25.0; // mm Hg/s at 200 mm Hg below ambient
constexpr int kSubSteps = 10;

// Volts of a pressure chain: P = ((V * 0.4 + 0.095) * 111.1111) * A * 7.500617 + B, inverted.
double PressureVolts(double p, double a, double b) {
    if (a == 0.0)
        return 0.0;
    return ((p - b) / (a * 7.500617) / double(111.1111f) - double(0.095f)) / 0.4;
}

double Approach(double value, double target, double seconds, double tau) {
    return target + (value - target) * std::exp(-seconds / tau);
}

} // namespace

SimDynamics::SimDynamics(const SimConfig& config) : m_config(config), m_inlet(config.inlet) {
    m_emptyFrequency = 299.0 + 2.0 * SimUniform(config.seed, 0xF5E0);
}

void SimDynamics::SetTransducerInstalled(bool installed) {
    if (installed && !m_installed)
        m_fitted = kRefitOffset;
    m_installed = installed;
}

void SimDynamics::AdvanceTo(double seconds, const SimDynamicsInputs& in) {
    if (!m_started) {
        m_started = true;
        m_line = m_case = in.ambientPres;
        m_air = in.ambientTemp + 2.0;
        m_te = in.ambientTemp + 2.5;
    }
    // After an hour without readings every part has long settled: skip the idle stretch.
    if (seconds - m_time > 3600.0) {
        const auto skipped = int64_t((seconds - m_time - 3600.0) / kStep);
        m_step += skipped;
        m_time += double(skipped) * kStep;
    }
    while (m_time + kStep <= seconds + 1e-9) {
        Step(in);
        m_time += kStep;
        ++m_step;
    }
}

double SimDynamics::OrificeFactor() const {
    switch (m_orifice) {
    case SimOrifice::Black:
        return 0.91;
    case SimOrifice::Red:
        return 0.82;
    default:
        return 1.0;
    }
}

// The flow at which the instrument's own conversion (75, 76) reads the set point.
double SimDynamics::FlowTarget(const SimDynamicsInputs& in) const {
    if (!in.powered || m_inlet != SimInlet::Open)
        return 0.0;
    if (!in.flowActive) {
        const double duty = std::clamp(in.pumpDuty, 0.0, 100.0);
        return kPumpMaxFlow * std::pow(duty / 100.0, kPumpExponent) * OrificeFactor();
    }
    const double to = 27.0 + 273.125;
    const double ta = in.ambientTemp + 273.15;
    const double pl = in.ambientPres - kFilterDrop * in.flowSet;
    const double y = in.flowSet * in.ambientPres * to / (pl * ta);
    if (!(in.flowConvA > 0.0))
        return in.flowSet;
    const double x = std::max(0.0, (y - in.flowConvB) / in.flowConvA);
    const double volts = x * x * pl * 28.8 / (6.205788 * to);
    return std::sqrt(std::max(0.0, volts - kSensorZero) / kSensorGain);
}

void SimDynamics::Step(const SimDynamicsInputs& in) {
    const double h = kStep;
    const bool unstable = m_config.faults.heaterUnstable;
    const double swing = unstable ? kUnstableSwing * std::sin(kTwoPi * m_time / kUnstablePeriod) : 0.0;
    const bool airOn = in.powered && in.airActive;
    const bool teOn = in.powered && in.teActive;
    m_air = Approach(m_air, airOn ? in.airSet + swing : in.ambientTemp + 2.0, h, kAirSeconds);
    m_te = Approach(m_te, teOn ? in.teSet - swing : in.ambientTemp + 2.5, h, kTeSeconds);

    m_fitted *= std::exp(-h / kFittedSeconds);
    const double tiltTarget = m_orientation == SimOrientation::Upright ? kUprightDuty : kSideDuty;
    m_tiltDuty = Approach(m_tiltDuty, tiltTarget, h, 1.0);
    m_flow = Approach(m_flow, FlowTarget(in), h, 1.5);

    double duty = 0.0;
    if (in.powered)
        duty = in.flowActive ? 100.0 : std::clamp(in.pumpDuty, 0.0, 100.0);
    for (int i = 0; i < kSubSteps; ++i)
        StepPneumatics(h / kSubSteps, duty, in);
}

void SimDynamics::StepPneumatics(double dt, double duty, const SimDynamicsInputs& in) {
    const double pa = in.ambientPres;
    const double caseLeak = m_config.faults.caseLeak ? kCaseLeakFault : m_config.caseLeak;
    const double pathLeak = m_config.pathLeak;
    switch (m_inlet) {
    case SimInlet::Open:
        m_line = Approach(m_line, pa - kFilterDrop * m_flow, dt, 1.0);
        m_case = Approach(m_case, pa, dt, 5.0);
        return;
    case SimInlet::Plugged: {
        const double pump = kPumpSpeed * duty * (m_line - kPumpFloor);
        m_line += (-pump + pathLeak * (pa - m_line) / 200.0) * dt;
        m_case = Approach(m_case, pa, dt, 5.0);
        return;
    }
    case SimInlet::CaseAdapter: {
        const double pump = kPumpSpeed * duty * (m_line - kPumpFloor);
        if (m_config.faults.membraneMissing) {
            // One volume: the line feels the whole case at once.
            const double total = 1.0 + kCaseVolume;
            const double leak = (pathLeak + caseLeak * kCaseVolume) / total;
            m_line += (-pump / total + leak * (pa - m_line) / 200.0) * dt;
            m_case = m_line;
            return;
        }
        const double through = kMembrane * (m_case - m_line);
        m_line += (-pump + through + pathLeak * (pa - m_line) / 200.0) * dt;
        m_case += (-through / kCaseVolume + caseLeak * (pa - m_case) / 200.0) * dt;
        return;
    }
    }
}

double SimDynamics::Noise(int n, double amplitude) const {
    return amplitude * SimNoise(m_config.seed, 0xD1A, uint64_t(n), uint64_t(m_step));
}

double SimDynamics::TransducerFrequency(const SimDynamicsInputs& in) const {
    if (!m_installed)
        return 0.0;
    if (m_config.faults.frequencyFrozen)
        return kFrozenFrequency;
    // K0 = m * 0.001 / (1/f^2 - 1/f0^2), m in mg.
    const double k0 = m_config.transducerK0 > 0.0 ? m_config.transducerK0 : 15000.0;
    const double f0 = m_emptyFrequency;
    const double f = 1.0 / std::sqrt(1.0 / (f0 * f0) + m_massMg * 0.001 / k0);
    const double phase = SimUniform(m_config.seed, 0x70B) * kTwoPi;
    return f + m_fitted + 0.01 * (m_te - in.teSet) - m_config.tiltSensitivity * (m_tiltDuty - kUprightDuty) +
           0.0012 * std::sin(kTwoPi * m_time / 7.0 + phase) + Noise(104, 0.0003);
}

double SimDynamics::SensorVolts() const {
    return kSensorZero + kSensorGain * m_flow * m_flow;
}

// The instrument's reading of its flow sensor through its own constants; nothing while the pump
// stands still.
double SimDynamics::MeasuredFlow(const SimDynamicsInputs& in) const {
    if (m_flow < 0.02)
        return 0.0;
    const double to = 27.0 + 273.125;
    const double ta = in.ambientTemp + 273.15;
    const double pl = m_line;
    if (!(pl > 0.0))
        return 0.0;
    const double x = std::sqrt(SensorVolts() * 6.205788 * to / (pl * 28.8));
    const double y = in.flowConvB + in.flowConvA * x;
    return std::clamp(y * pl * ta / (in.ambientPres * to), 0.0, 3.0);
}

bool SimDynamics::Produces(int n, const SimDynamicsInputs& in) const {
    switch (n) {
    case 34:
        return in.powered && in.airActive;
    case 47:
        return in.powered && in.teActive;
    case 73:
        return in.powered && in.flowActive;
    default:
        return Measures(n);
    }
}

bool SimDynamics::Measures(int n) {
    switch (n) {
    case 9:
    case 40:
    case 41:
    case 53:
    case 54:
    case 55:
    case 59:
    case 61:
    case 65:
    case 66:
    case 67:
    case 74:
    case 78:
    case 79:
    case 85:
    case 87:
    case 93:
    case 94:
    case 95:
    case 104:
    case 105:
    case 120:
    case 141:
        return true;
    default:
        return false;
    }
}

double SimDynamics::Value(int n, const SimDynamicsInputs& in) const {
    const double pa = in.ambientPres + Noise(59, 0.2);
    const double line = m_line + Noise(65, 0.15);
    switch (n) {
    case 9:
        return m_installed ? 1.0 : 0.0;
    case 34:
        return std::clamp(35.0 + 8.0 * (in.airSet - m_air), 0.0, 100.0);
    case 40:
        return m_air + Noise(n, 0.05);
    case 41:
        return m_air + Noise(n, 0.02);
    case 47:
        return std::clamp(35.0 + 8.0 * (in.teSet - m_te), 0.0, 100.0);
    case 53:
        return m_te + Noise(n, 0.03);
    case 54:
        return m_te + Noise(n, 0.01);
    case 55:
        return PressureVolts(pa, in.presConvA, in.presConvB);
    case 59:
        return pa;
    case 61:
        return PressureVolts(line, in.lineConvA, in.lineConvB);
    case 65:
        return line;
    case 66:
        return m_line;
    case 67:
        return m_line - in.ambientPres;
    case 73: {
        const double full = kPumpMaxFlow * OrificeFactor();
        if (m_inlet != SimInlet::Open)
            return 100.0;
        return std::clamp(100.0 * std::pow(m_flow / full, 1.0 / kPumpExponent), 0.0, 100.0);
    }
    case 74:
        return SensorVolts() + Noise(n, 0.002);
    case 78:
        return MeasuredFlow(in) + (m_flow < 0.02 ? 0.0 : Noise(n, 0.01));
    case 79:
        return MeasuredFlow(in) + (m_flow < 0.02 ? 0.0 : Noise(n, 0.004));
    case 85:
        return in.ambientTemp + Noise(n, 0.1);
    case 87:
        return (in.batteryPercent + 925.0) / 500.0 + Noise(n, 0.002);
    case 93: {
        const double phase = SimUniform(m_config.seed, 0x93) * kTwoPi;
        return 38.0 + 2.0 * std::sin(kTwoPi * m_time / 900.0 + phase) + Noise(n, 0.2);
    }
    case 94:
        return 27.0 + 0.5 * std::sin(kTwoPi * m_time / 1800.0) + Noise(n, 0.05);
    case 95:
        return 12.0 + Noise(n, 0.05);
    case 104:
        return TransducerFrequency(in);
    case 105: {
        const double f = TransducerFrequency(in);
        if (f <= 1.0)
            return f;
        const double lo = std::min(in.tiltMin, in.tiltMax), hi = std::max(in.tiltMin, in.tiltMax);
        return f + in.tiltA + in.tiltB * std::clamp(m_tiltDuty, lo, hi);
    }
    case 120:
        return m_tiltDuty + Noise(n, 0.1);
    case 141:
        return 45.0 + Noise(n, 0.3);
    default:
        return 0.0;
    }
}

} // namespace orvo::sim
