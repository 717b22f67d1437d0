#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calibration/ProcedureLogic.h"
#include "calibration/circular_buffer.h"

namespace orvo {

// The rules of CTiltCalForm: the transducer frequency's dependence on the instrument's attitude.
// With the transducer heater settled, the frequency and the tilt duty cycle are collected upright and
// on the right side. A calibration derives the correction line (registers 128, 129) and the duty-cycle
// windows (131..134) from them; an audit checks that the corrected frequency (105) no longer depends
// on the attitude and writes nothing.
//
// Fields: STATUS, STATUS_GROUP, TE_TEMP, TE_GOAL, FREQUENCY, RATE, RATE_GOAL, TILT_DUTY, the six
// results REJECT_MAX .. CORRECT_B, the labels REJECT_MAX_LABEL and REJECT_MIN_LABEL (the audit shows
// its difference and goal in those two places) and the button text CANCEL.
class TiltCalLogic final : public ProcedureLogic {
public:
    static constexpr int TIMER_MS = 5000;
    static constexpr size_t READINGS = 24; // per attitude
    static constexpr int DETECT_PROMPT_S = 60;
    static constexpr int TEMPERATURE_LIMIT_S = 2700;
    static constexpr int UPRIGHT_LIMIT_S = 420;
    static constexpr int SIDE_LIMIT_S = 300;
    static constexpr double MIN_SPAN = 10.0;   // % between the correction window's ends
    static constexpr double AUDIT_LIMIT = 5.0; // mHz either side, bounds fail

    static constexpr const char* STATUS_GROUP = "statusGroup";
    static constexpr const char* TE_TEMP = "teTemperature";
    static constexpr const char* TE_GOAL = "teGoal";
    static constexpr const char* FREQUENCY = "frequency";
    static constexpr const char* RATE = "rate";
    static constexpr const char* RATE_GOAL = "rateGoal";
    static constexpr const char* TILT_DUTY = "tiltZDutyCycle";
    static constexpr const char* REJECT_MAX = "tiltRejectMax";
    static constexpr const char* REJECT_MIN = "tiltRejectMin";
    static constexpr const char* CORRECT_MAX = "tiltCorrectMax";
    static constexpr const char* CORRECT_MIN = "tiltCorrectMin";
    static constexpr const char* CORRECT_A = "tiltCorrectA";
    static constexpr const char* CORRECT_B = "tiltCorrectB";
    static constexpr const char* REJECT_MAX_LABEL = "tiltRejectMaxLabel";
    static constexpr const char* REJECT_MIN_LABEL = "tiltRejectMinLabel";
    static constexpr const char* CANCEL = "cancel";

    static constexpr const char* INSTALL_PROMPT = "Please install the mass transducer and then click Ok.";
    static constexpr const char* UPRIGHT_PROMPT =
        "Please place the instrument upright\n(display facing up) and then click Ok.";
    static constexpr const char* SIDE_PROMPT =
        "Please place the instrument on its right side\n(mass transducer side) and then click Ok.";

    enum State : int {
        STARTED,
        DETECTING,
        SETTLING,
        UPRIGHT_SETTLING,
        UPRIGHT,
        SIDE_SETTLING,
        SIDE,
        COMPLETE,
        FAILED
    };

    // What the collected readings give.
    struct Evaluation {
        double a = 0.0, b = 0.0; // correction offset and slope
        double correctMax = 0.0, correctMin = 0.0, rejectMax = 0.0, rejectMin = 0.0;
        bool spanOk = false;     // |correct max - correct min| >= 10
        double difference = 0.0; // audit, mHz
        bool passed = false;
    };
    // `zb`: register 122. Duty-cycle means are used by the calibration only.
    static Evaluation Evaluate(double fUp, double fSide, double dUp, double dSide, double zb);

    TiltCalLogic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock, bool audit);

    void Restart();
    void Cancel();

    bool Audit() const { return m_audit; }
    int State() const { return m_state; }
    // When the current step began (its time-out counts from here).
    int64_t StateStartMs() const { return m_stateStartMs; }
    const Evaluation& Evaluated() const { return m_result; }
    size_t UprightReadings() const { return m_fUp.size(); }
    double SavedSmoothing() const { return m_savedSmoothing; }

protected:
    void OnOpen() override;
    void OnTick() override;
    void OnRegister(int number) override;
    void WriteSafeState() override;

private:
    int FrequencyRegister() const;
    void RequestReadings();
    void RestartClock();
    double Elapsed() const;
    void ClearLists();
    void Fail(bool temperature);
    void OnFrequency(double v);
    bool TeWithinGoal() const;
    void Finish();
    void FinishCalibration(const Evaluation& e);

    const bool m_audit;
    int m_state = STARTED;
    int64_t m_stateStartMs = 0;
    circular_buffer m_freq{12};
    std::vector<double> m_fUp, m_dUp, m_fSide, m_dSide;
    double m_teSet;
    double m_teTemp = -55.0;
    double m_savedSmoothing = 0.01;
    Evaluation m_result;
};

} // namespace orvo
