#pragma once

#include "calibration/DiagnosticsLogic.h"
#include "forms/CProcedureForm.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace orvo {

// Diagnostics and Board Test (the document's diagnostics sub-mode chooses): one row per sensor
// with its reading, its range and "Pass"/"Fail", and "Activate Pump && Heaters". DiagnosticsLogic
// decides; this form renders.
class CDiagnosticsForm final : public CProcedureForm {
    Q_OBJECT
public:
    explicit CDiagnosticsForm(const FormContext& context, QWidget* parent = nullptr);

    FormKind Kind() const override { return FormKind::Diagnostics; }

    DiagnosticsLogic& Logic() const { return *m_logic; }
    QLabel* Cell(DiagnosticsLogic::Row row, DiagnosticsLogic::Column column) const;
    QCheckBox* PumpAndHeaters() const { return m_pump; }
    QPushButton* DoneButton() const { return m_done; }

private:
    DiagnosticsLogic* m_logic;
    QCheckBox* m_pump;
    QPushButton* m_done;
};

} // namespace orvo
