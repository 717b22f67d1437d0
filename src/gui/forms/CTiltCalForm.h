#pragma once

#include "calibration/TiltCalLogic.h"
#include "forms/CProcedureForm.h"

class QLabel;
class QPushButton;

namespace orvo {

// Tilt Calibration and Tilt Audit (the document's tilt sub-mode chooses): the transducer heater's
// settling, the frequency's stability, and the results of the two attitudes. TiltCalLogic decides;
// this form renders. The demo monitor has no hands: there the prompts to set the instrument upright
// or on its side turn it, and leaving the form sets it upright again.
class CTiltCalForm final : public CProcedureForm {
    Q_OBJECT
public:
    explicit CTiltCalForm(const FormContext& context, QWidget* parent = nullptr);

    FormKind Kind() const override { return FormKind::TiltCal; }
    bool OnLeave() override;

    TiltCalLogic& Logic() const { return *m_logic; }
    // A field of the procedure (TiltCalLogic's identifiers).
    QLabel* Field(const char* id) const;
    QPushButton* RestartButton() const { return m_restart; }
    QPushButton* CancelButton() const { return m_cancel; }

    MessageAnswer Message(const std::string& title, const std::string& text, MessageIcon icon,
                          MessageButtons buttons) override;

private:
    TiltCalLogic* m_logic;
    QPushButton* m_restart;
    QPushButton* m_cancel;
};

} // namespace orvo
