#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "calibration/ProcedureLogic.h"
#include "calibration/circular_buffer.h"

namespace orvo {

// The rules of CDiagnosticsForm: the Orvo's sensors and actuators checked once a second against
// fixed ranges, first with pump and heaters off (phase 1), then on (phase 2). The board test
// differs in its title, its flow-volts range and a pump question in place of the pressure test.
//
// Fields (IProcedureView::SetText): TITLE and, per row, Field(row, Column::Reading / Range /
// Result). Control: PUMP_AND_HEATERS, the "Activate Pump && Heaters" check box (checked, enabled).
class DiagnosticsLogic final : public ProcedureLogic {
public:
    static constexpr int TIMER_MS = 1000;
    static constexpr int PHASE_SECONDS = 60;
    static constexpr uint32_t ALL_TESTS = 0x1FFF;

    // Rows in the form's order; row r < BATTERY_VOLTS + 1 owns failure-mask bit 1 << r.
    enum Row : int {
        AIR_TEMP,
        AMBIENT_PRES,
        AMBIENT_TEMP,
        CLOCK,
        DIFFERENTIAL_PRESSURE,
        FREQUENCY,
        NO_MASS_TRANSDUCER,
        RH_SENSOR,
        RH_TEMP,
        TE_TEMP,
        VOLTS,
        TILT_Z,
        BATTERY_VOLTS,
        FLOW_RATE, // display only
        ROW_COUNT
    };
    enum class Column { Reading, Range, Result };

    static constexpr const char* TITLE = "title";
    static constexpr const char* PUMP_AND_HEATERS = "pumpAndHeaters";
    static constexpr const char* ALL_PASSED_QUESTION =
        "All tests have passed with the pump and heaters off.\nStart tests with pump and heaters on?";
    static constexpr const char* FAILURES_QUESTION = "Failures detected.\nStart pump and heaters anyway?";
    static constexpr const char* PUMP_QUESTION = "Did the pump start running?";
    static constexpr const char* STATE_ERROR = "Error determining shift program state";

    static const char* RowLabel(Row row);
    static std::string Field(Row row, Column column);

    DiagnosticsLogic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock,
                     bool boardTest);

    // The user sets or clears "Activate Pump && Heaters" (ignored while a shift runs).
    void OnPumpAndHeatersClicked(bool checked);

    bool BoardTest() const { return m_boardTest; }
    bool PumpAndHeatersOn() const { return m_pumpOn; }
    uint32_t FailureMask() const { return m_mask; }
    int Seconds() const { return m_seconds; }
    bool QuestionAsked() const { return m_asked; }
    // Phase 2 has decided every row (all passed, or its 60 s are over); Result() tells how.
    bool PhaseTwoDecided() const { return m_decided; }

protected:
    void OnOpen() override;
    void OnTick() override;
    void OnRegister(int number) override;
    void WriteSafeState() override;

private:
    enum class Change { Pass, Fail, Undecided };

    bool StoppedOrProgrammed() const;
    void ApplyShiftState(int32_t state);
    void RequestReadings();
    void PhaseOneSecond();
    void PhaseTwoSecond();
    void StartPhaseTwo();
    void PumpAndHeaters(bool on);
    void ResetCounters();
    void ShowRanges(bool pumpOn);
    void ShowReading(Row row, const std::string& text);
    void ShowResult(Row row, const char* text);
    void ShowFailures();
    bool OnPhaseTest(Row row) const;
    // A pump-off test sets or clears the row's bit; a pump-on test marks the row passed.
    void Decide(Row row, bool passed);
    void TestHeater(Row row, double t, double setPoint, circular_buffer& window, int& count,
                    double threshold);
    void TestChanging(Row row, circular_buffer& window, double value);
    void TestClock(double value);
    void TestDifferentialPressure(double d);
    std::string ValueWithUnit(int number) const;
    std::string ClockText(double value) const;

    const bool m_boardTest;
    int m_seconds = 0;
    uint32_t m_mask = ALL_TESTS;
    std::array<bool, ROW_COUNT> m_passed{};
    bool m_dpDone = false, m_airDone = false, m_teDone = false, m_voltsDone = false;
    bool m_asked = false;
    bool m_pumpOn = false;
    bool m_boxEnabled = true;
    bool m_offSent = false;
    bool m_decided = false;
    int32_t m_lastState = 0;
    circular_buffer m_clock{3};
    int m_clockCount = 0;
    circular_buffer m_air{30}, m_te{30}, m_rh{15}, m_tilt{30};
    int m_airCount = 0, m_teCount = 0;
    int m_dpPair = 0;
    double m_airSet, m_teSet;
    double m_lastAmbient = 0.0;
};

} // namespace orvo
