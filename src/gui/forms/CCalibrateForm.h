#pragma once

#include "calibration/LeakCheckLogic.h"
#include "forms/CProcedureForm.h"

class QLabel;
class QPushButton;

namespace orvo {

// Leak Check: the sample-path and case tests, a status line, the line pressure, OK and Cancel.
// LeakCheckLogic decides; this form renders. The demo monitor has no hands: there the prompts
// to fit the inlet plug or the case adapter fit it, and leaving the form takes it off again.
class CCalibrateForm final : public CProcedureForm {
    Q_OBJECT
public:
    explicit CCalibrateForm(const FormContext& context, QWidget* parent = nullptr);

    FormKind Kind() const override { return FormKind::Calibrate; }
    bool OnLeave() override;

    LeakCheckLogic& Logic() const { return *m_logic; }
    QPushButton* SamplePathButton() const { return m_samplePath; }
    QPushButton* CaseButton() const { return m_case; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QLabel* StatusLine() const { return m_status; }
    QLabel* PressureLine() const { return m_pressure; }

    MessageAnswer Message(const std::string& title, const std::string& text, MessageIcon icon,
                          MessageButtons buttons) override;

private:
    LeakCheckLogic* m_logic;
    QPushButton* m_samplePath;
    QPushButton* m_case;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QLabel* m_status;
    QLabel* m_pressure;
};

} // namespace orvo
