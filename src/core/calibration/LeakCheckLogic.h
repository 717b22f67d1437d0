#pragma once

#include <optional>
#include <string>
#include <vector>

#include "calibration/ProcedureLogic.h"

namespace orvo {

// The rules of CCalibrateForm: the sample-path leak check and the case check. Each pumps the closed
// path down to 200 mm Hg below ambient, stops the pump, records the line pressure once a second
// while it rises again and derives a leak rate from the slope of that rise. The case check subtracts
// the sample-path rate the document keeps.
//
// Fields: STATUS, PRESSURE. Controls (enabled): SAMPLE_PATH, CASE, OK.
class LeakCheckLogic final : public ProcedureLogic {
public:
    static constexpr int TIMER_MS = 1000;
    static constexpr double SAMPLE_PATH_LIMIT = 0.035; // a rate at or above fails
    static constexpr double CASE_LIMIT = 0.065;
    static constexpr double MEMBRANE_SLOPE = 20.0; // mm Hg/s: a slower first rise warns

    static constexpr const char* PRESSURE = "pressure";
    static constexpr const char* SAMPLE_PATH = "leakCheckSamplePath";
    static constexpr const char* CASE = "leakCheckCase";
    static constexpr const char* OK = "ok";

    static constexpr const char* PLUG_PROMPT = "Place the inlet plug in the inlet.";
    static constexpr const char* ADAPTER_PROMPT = "Place the inlet adapter in the inlet.";
    static constexpr const char* ATTACH_PROMPT = "Attach the inlet adapter to the Orvo.";
    static constexpr const char* CASE_REFUSED =
        "A system leak check must be performed before a case leak check";
    static constexpr const char* MEMBRANE_WARNING =
        "Gortex membrane may not be installed or may be compromised\nPlease check";

    enum class Mode { Idle, Leak, Case };

    // A finished test's verdict. `valid` false: no rate could be derived (the status says why) and
    // nothing is recorded.
    struct Verdict {
        bool valid = false;
        bool passed = false;
        double rate = 0.0;
        bool membraneWarning = false;
        std::string text;
    };

    // P = ((V * 0.4 + 0.095) * 111.1111) * A * 7.500617 + B, the two constants in single precision.
    static double Pressure(double volts, double convA, double convB);
    // `samples`: the pressures stored from tick 31 on, one a second.
    static Verdict EvaluateSamplePath(const std::vector<double>& samples, double ambient);
    static Verdict EvaluateCase(const std::vector<double>& samples, double ambient, double samplePathRate);

    LeakCheckLogic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock);

    // The form's buttons. Cancel stops a running test (pump off, power flag cleared, in one write)
    // and asks for the main form; OK only asks for it.
    void StartSamplePath();
    void StartCase();
    void Cancel();
    void Ok();

    Mode CurrentMode() const { return m_mode; }
    bool Running() const { return m_mode != Mode::Idle || m_starting > 0; }
    int Tick() const { return m_tick; }
    // The last finished test's verdict.
    const Verdict& LastVerdict() const { return m_verdict; }

protected:
    void OnOpen() override;
    void OnTick() override;
    void OnRegister(int) override {}
    void WriteSafeState() override;
    void OnRefusedWrite(const std::string& status) override;

private:
    void EnableButtons(bool enabled);
    void Begin(Mode mode, const char* status);
    void Finish();
    void End(bool passed);
    void ReadConversions();
    double LinePressure() const;
    double AmbientPressure() const;

    Mode m_mode = Mode::Idle;
    int m_starting = 0; // steps of the sample-path start sequence still to come
    int m_tick = 0;
    std::vector<double> m_record; // indexed by tick; ticks 31..91
    Verdict m_verdict;
};

} // namespace orvo
