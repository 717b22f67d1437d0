#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "calibration/K0Evaluation.h"
#include "calibration/K0LastMeasurements.h"
#include "calibration/ProcedureLogic.h"
#include "calibration/circular_buffer.h"

namespace orvo {

// The rules of CK0Form: the transducer's spring constant K0 calibrated, or audited, with four
// reference weights. Heaters and pump on, air and transducer temperatures and then the frequency
// settle before any weight (F0) and after each (F1..F4); K0 follows from the frequencies and the
// cumulated masses. A calibration stores its K0 (register 96) when the technician keeps it; an audit
// always stores its result (176). Both keep their measurements in the instrument.
//
// Fields (SetText): STATUS, STATUS_GROUP, TE_TEMP, TE_GOAL, AIR_TEMP, AIR_GOAL, FREQUENCY, RATE,
// RATE_GOAL, Cell(row, column) of the measurements, STORED_K0, CALCULATED_K0, PERCENT_ERROR,
// ERROR_GOAL, LAST_GROUP (its title) and LastCell(row, column), MANUFACTURE_DATE, and the button texts
// START and CANCEL. Controls (enabled): MODIFY_MASS. Visibility (set on opening): MASS_COLUMN,
// MODIFY_MASS, PERCENT_ERROR, ERROR_GOAL, EXPORT, DATE_GROUP, UPDATE, LAST_GROUP.
// Percent errors and differences are drawn in the pass or fail tone.
class K0Logic final : public ProcedureLogic {
public:
    static constexpr int TIMER_MS = 5000;
    static constexpr int DETECT_PROMPT_S = 60;
    static constexpr int FIRST_AIR_LIMIT_S = 2700;
    static constexpr int AIR_LIMIT_S = 900;
    static constexpr int TE_LIMIT_S = 900;
    static constexpr int FREQUENCY_LIMIT_S = 420;
    static constexpr double DEFAULT_MASS = 0.9;         // mg
    static constexpr double MAX_FREQUENCY_CHANGE = 1.5; // Hz between neighbouring weights

    enum class Column { Frequency, Mass, K0, Difference };
    static std::string Cell(int row, Column column);     // row 0..4 for F0..F4
    static std::string LastCell(int row, Column column); // the last measurements group

    static constexpr const char* STATUS_GROUP = "statusGroup";
    static constexpr const char* TE_TEMP = "teTemperature";
    static constexpr const char* TE_GOAL = "teGoal";
    static constexpr const char* AIR_TEMP = "airTemperature";
    static constexpr const char* AIR_GOAL = "airGoal";
    static constexpr const char* FREQUENCY = "frequency";
    static constexpr const char* RATE = "rate";
    static constexpr const char* RATE_GOAL = "rateGoal";
    static constexpr const char* STORED_K0 = "storedK0";
    static constexpr const char* CALCULATED_K0 = "calculatedK0";
    static constexpr const char* PERCENT_ERROR = "percentError";
    static constexpr const char* ERROR_GOAL = "percentErrorGoal";
    static constexpr const char* LAST_GROUP = "lastMeasurements";
    static constexpr const char* MANUFACTURE_DATE = "manufactureDate";
    static constexpr const char* DATE_GROUP = "manufactureDateGroup";
    static constexpr const char* MASS_COLUMN = "massColumn";
    static constexpr const char* MODIFY_MASS = "modifyMass";
    static constexpr const char* START = "start";
    static constexpr const char* EXPORT = "export";
    static constexpr const char* CANCEL = "cancel";
    static constexpr const char* UPDATE = "update";

    static constexpr const char* INSTALL_PROMPT = "Please install the mass transducer and then click Ok";
    static constexpr const char* MASS_PROMPT =
        "Please enter the mass of the weight that was just added to the filter:";
    static constexpr const char* SUSPECT_WARNING =
        "At least one of the K0 percent differences is too large.\nVerify that all mass values were entered "
        "correctly.";
    // What the form's save dialog needs.
    static constexpr const char* EXPORT_EXTENSION = "csv";
    static constexpr const char* EXPORT_FILTER = "CSV Files|*.CSV|All Files|*.*||";

    // Reasons of a failure: "A failure has occurred because the " + reason + "\nPlease check hardware".
    static constexpr const char* TE_REASON = "mass transducer temperature has failed to stabilize.";
    static constexpr const char* AIR_REASON = "air tube temperature has failed to stabilize.";
    static constexpr const char* FLOW_REASON = "flow rate has failed to stabilize.";
    static constexpr const char* FREQUENCY_REASON = "frequency has failed to stabilize.";
    static constexpr const char* CHANGE_REASON = "frequency change was too large.";

    enum : int { NO_TRANSDUCER, IDLE, STARTED, DETECT_F0 = 3, COMPLETE = 23, FAILED = 24 };

    K0Logic(COrvodeskDoc& doc, DeviceRequests& io, IProcedureView& view, Clock& clock, bool audit);

    // The form's buttons.
    void Start();
    void ModifyMass();
    void Cancel();
    // Export: writes the CSV of the last measurements to `path` (the form's save dialog chose it, its
    // default name from ExportName()); false after telling the user why.
    bool Export(const std::string& path);
    std::string ExportName() const { return m_audit ? "K0 Audit Data" : "K0 Cal Data"; }
    std::string ExportText() const { return m_last.CsvText(m_stored, m_audit, Doc().Zone()); }
    // Update of the date of manufacture: the date dialog's preset (register 181, or `nowSeconds` when
    // it is 0) and the write of the chosen date.
    uint32_t ManufactureDatePreset(uint32_t nowSeconds) const;
    void UpdateManufactureDate(uint32_t seconds);

    bool Audit() const { return m_audit; }
    int State() const { return m_state; }
    // When the current step began (its time-out counts from here).
    int64_t StateStartMs() const { return m_stateStartMs; }
    const std::array<double, 5>& Frequencies() const { return m_f; }
    const std::array<double, 4>& Masses() const { return m_m; }
    const K0Evaluation& Evaluated() const { return m_result; }
    double SavedSmoothing() const { return m_savedSmoothing; }

protected:
    void OnOpen() override;
    void OnTick() override;
    void OnRegister(int number) override;
    void WriteSafeState() override;

private:
    int FirstLastRegister() const;
    void ReadLastMeasurements();
    void ReadStoredK0();
    void RestartClock();
    double Elapsed() const;
    void ShowVisibility();
    void EnableModifyMass(bool enabled);
    void Fail(const char* reason, bool status = true);
    void PumpAndHeatersOff();
    void PowerOffThreeTimes();
    void OnInstalled(bool installed);
    void OnAirTemperature(double v);
    void OnTeTemperature(double v);
    void OnFrequency(double v);
    void CompleteWeight();
    void ShowWeightResults();
    void FinalEvaluation();
    void ShowLastMeasurements();
    bool AirStable() const;
    bool TeStable() const;
    bool FlowStable() const;

    const bool m_audit;
    int m_state = NO_TRANSDUCER;
    int64_t m_stateStartMs = 0;
    circular_buffer m_freq{12}, m_air{12};
    std::array<double, 5> m_f{};
    std::array<double, 4> m_m{};
    K0Evaluation m_result;
    double m_stored = 0.0;
    double m_savedSmoothing = 0.01;
    double m_airSet, m_teSet;
    double m_teTemp = -55.0;
    double m_flowSet, m_flow = 0.0;
    bool m_teSeen = false; // the first TE temperature of a TE step has been passed over
    bool m_modifyEnabled = false;
    K0LastMeasurements m_last;
};

} // namespace orvo
