#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calibration/LineFit.h"
#include "calibration/ProcedureLogic.h"
#include "calibration/circular_buffer.h"

namespace orvo {

// The rules of CFlowCalForm: the pump's flow sensor calibrated against an external flow meter at
// three flows (no restriction, black orifice, red orifice). With the heaters settled and the pump set
// by hand, each flow is collected for 60 s; a straight line through every point gives the
// conversion constants A (register 75) and B (76), written only when the technician keeps them.
//
// Fields: STATUS, AIR_TEMP, TE_TEMP, PUMP_SPEED, SPIN (the spin control's position as a number),
// CONST_A, CONST_B, the three flow entries (their texts are emptied on Restart) and NO_BUTTON (the
// text of the No button of this form's questions). Controls (enabled): SPIN, APPLY and the flow
// entries, an entry that is not enabled being shown read-only.
class FlowCalLogic final : public ProcedureLogic {
public:
    static constexpr int TIMER_MS = 1000;
    static constexpr int COLLECT_SECONDS = 60;
    static constexpr int FIRST_POINT = 50; // countdown from which a point is added each second
    static constexpr int DETECT_PROMPT_S = 60;
    static constexpr int TEMPERATURE_LIMIT_S = 2700;
    static constexpr int SPIN_START = 80, SPIN_MIN = 40, SPIN_MAX = 190; // position x 0.5 = duty %

    static constexpr const char* AIR_TEMP = "airHeater";
    static constexpr const char* TE_TEMP = "teHeater";
    static constexpr const char* PUMP_SPEED = "pumpSpeed";
    static constexpr const char* SPIN = "pumpSpin";
    static constexpr const char* CONST_A = "constantA";
    static constexpr const char* CONST_B = "constantB";
    static constexpr const char* NO_RESTRICTION = "flowNoRestriction";
    static constexpr const char* ORIFICE_1 = "flowOrifice1";
    static constexpr const char* ORIFICE_2 = "flowOrifice2";
    static constexpr const char* APPLY = "apply";
    static constexpr const char* NO_BUTTON = "questionNoButton";

    static constexpr const char* INSTALL_PROMPT = "Please install the mass transducer and then click Ok.";
    static constexpr const char* CONNECT_PROMPT = "Connect flow meter to sample tube inlet.";
    static constexpr const char* BLACK_ORIFICE_PROMPT =
        "Install black orifice inline between\nflow meter and sample tube inlet.";
    static constexpr const char* RED_ORIFICE_PROMPT =
        "Install red orifice inline between\nflow meter and sample tube inlet.";
    static constexpr const char* ORDER_QUESTION =
        "Flow not typical.  The flow for orifice 2\nshould be lower "
        "than the flow for orifice 1.\nDo you want to continue anyway?";
    static constexpr const char* TEMPERATURE_FAILURE =
        "A failure has occurred because the temperature has failed to stabilize.\nPlease check hardware";

    enum State : int {
        DETECTING,
        SETTLING,
        NO_RESTRICTION_ENTRY,
        NO_RESTRICTION_COLLECTING,
        ORIFICE_1_ENTRY,
        ORIFICE_1_COLLECTING,
        ORIFICE_2_ENTRY,
        ORIFICE_2_COLLECTING,
        DONE,
        TEMPERATURE_FAILED
    };

    // 0 <= A <= 50 and -10 <= B <= 0.
    static bool ConstantsValid(double a, double b);

    FlowCalLogic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock);

    // The form's buttons and the spin control (`step` positions up or down).
    void Restart();
    void Cancel();
    void OnSpin(int step);
    void Apply(const std::string& entryText);

    int State() const { return m_state; }
    int Countdown() const { return m_countdown; }
    size_t Points() const { return m_x.size(); }
    double NewA() const { return m_newA; }
    double NewB() const { return m_newB; }

protected:
    void OnOpen() override;
    void OnTick() override;
    void OnRegister(int number) override;
    void WriteSafeState() override;

private:
    void Start(bool restart);
    void ClearData();
    void RestartClock();
    double Elapsed() const;
    void PumpAndHeatersOn();
    void PumpAndHeatersOffThreeTimes();
    void Collect();
    void AddPoint();
    void OfferForEntry(const char* entry, const char* status, const char* prompt);
    void Finish();
    void ShowTemperature(const char* field, int number, double value);
    bool TemperaturesReady() const;

    int m_state = DETECTING;
    int64_t m_stateStartMs = 0;
    int m_countdown = COLLECT_SECONDS;
    int m_position = SPIN_START;
    bool m_spinEnabled = false;
    circular_buffer m_signal{10};
    std::vector<double> m_x, m_y;
    std::array<double, 3> m_flow{}; // reference flows of the three steps
    double m_teTemp, m_airTemp;
    double m_oldA = 0.0, m_oldB = 0.0;
    double m_newA = 0.0, m_newB = 0.0;
};

} // namespace orvo
