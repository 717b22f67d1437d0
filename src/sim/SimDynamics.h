#pragma once

#include "SimTypes.h"

#include <cstdint>

namespace orvo::sim {

// What the dynamics take from the registers and the shift at the moment they advance.
struct SimDynamicsInputs {
    bool powered = false; // register 10 set, or a shift warming or running
    bool airActive = false, teActive = false, flowActive = false; // control loops on
    double airSet = 43.0, teSet = 46.0, flowSet = 2.2;
    double pumpDuty = 0.0; // register 73 as written, %
    double flowConvA = 6.97, flowConvB = -0.122;
    double tiltA = 0.0, tiltB = 0.0, tiltMax = 100.0, tiltMin = 0.0;
    double ambientPres = 755.0; // mm Hg
    double ambientTemp = 22.0;  // deg C
    double batteryPercent = 85.0;
    double presConvA = 1.0, presConvB = 0.0; // 56, 57
    double lineConvA = 1.0, lineConvB = 0.0; // 62, 63
};

// The physics behind the measured registers: heaters that approach their set points, the mass
// transducer (frequency falling with added mass by the K0 relation, settling after it is fitted,
// shifted by tilt), the tilt sensor, the pump with its flow sensor and orifices, and the pneumatic
// volumes of the leak and case checks. The state advances on a fixed grid of simulated time, so the
// same seed, inputs and reading times always give the same values.
class SimDynamics {
public:
    static constexpr double kStep = 0.1; // seconds of simulated time per grid step

    explicit SimDynamics(const SimConfig& config);

    // Runs the physics up to `seconds` (simulated time since the start) with constant inputs.
    void AdvanceTo(double seconds, const SimDynamicsInputs& in);

    // The measured registers the dynamics always produce; and whether they produce register `n` with
    // these inputs (the duty cycles too while their loop runs), and its value now.
    static bool Measures(int n);
    bool Produces(int n, const SimDynamicsInputs& in) const;
    double Value(int n, const SimDynamicsInputs& in) const;

    void SetInlet(SimInlet inlet) { m_inlet = inlet; }
    void SetOrifice(SimOrifice orifice) { m_orifice = orifice; }
    void SetOrientation(SimOrientation orientation) { m_orientation = orientation; }
    void SetFaults(const SimFaults& faults) { m_config.faults = faults; }
    void SetTransducerInstalled(bool installed);
    void AddMass(double mg) { m_massMg += mg; }
    double AddedMass() const { return m_massMg; }

    // What an external flow meter at the inlet reads, L/min.
    double ReferenceFlow() const { return m_inlet == SimInlet::Open ? m_flow : 0.0; }
    // Pressure of the sample path and of the case, mm Hg.
    double LinePressure() const { return m_line; }
    double CasePressure() const { return m_case; }

private:
    void Step(const SimDynamicsInputs& in);
    void StepPneumatics(double dt, double duty, const SimDynamicsInputs& in);
    double Noise(int n, double amplitude) const;
    double TransducerFrequency(const SimDynamicsInputs& in) const;
    double FlowTarget(const SimDynamicsInputs& in) const;
    double SensorVolts() const;
    double MeasuredFlow(const SimDynamicsInputs& in) const;
    double OrificeFactor() const;

    SimConfig m_config;
    SimInlet m_inlet;
    SimOrifice m_orifice = SimOrifice::None;
    SimOrientation m_orientation = SimOrientation::Upright;

    bool m_started = false;
    double m_time = 0.0; // simulated seconds at grid step m_step
    int64_t m_step = 0;

    double m_air = 24.0, m_te = 24.5; // deg C
    double m_fitted = 0.4;            // Hz still to settle after the transducer was fitted
    bool m_installed = true;
    double m_massMg = 0.0;
    double m_emptyFrequency = 300.0; // Hz without added mass
    double m_tiltDuty = 62.5;        // %
    double m_flow = 0.0;             // L/min through the inlet
    double m_line = 755.0, m_case = 755.0;
};

} // namespace orvo::sim
