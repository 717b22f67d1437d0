#pragma once

#include <array>
#include <string>

#include "calibration/FlowCalLogic.h"
#include "forms/CProcedureForm.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace orvo {

// Flow Calibration: the pump's flow sensor against an external flow meter at no restriction, the
// black and the red orifice. FlowCalLogic decides; this form renders. An entry outside its step is
// read-only rather than disabled, so its value stays readable; the pump speed has a spin control of
// two arrows. The typical-range questions of Apply name their No button as the procedure asks
// ("Modify").
//
// The demo monitor has no hands and no flow meter: there the prompts to fit an orifice fit it, the
// prompt to connect the flow meter takes the orifice off again, and a line shows what a flow meter
// at the inlet would read.
class CFlowCalForm final : public CProcedureForm {
    Q_OBJECT
public:
    explicit CFlowCalForm(const FormContext& context, QWidget* parent = nullptr);

    FormKind Kind() const override { return FormKind::FlowCal; }
    bool OnLeave() override;

    FlowCalLogic& Logic() const { return *m_logic; }
    // The flow entries: 0 no restriction, 1 orifice 1, 2 orifice 2.
    QLineEdit* Entry(int step) const { return m_entries.at(size_t(step)); }
    QToolButton* SpinUp() const { return m_up; }
    QToolButton* SpinDown() const { return m_down; }
    QPushButton* ApplyButton() const { return m_apply; }
    QPushButton* RestartButton() const { return m_restart; }
    QPushButton* CancelButton() const { return m_cancel; }
    QLabel* StatusLine() const { return m_status; }
    // What the demo's flow meter reads; none on other connections.
    QLabel* DemoFlowMeter() const { return m_meter; }

    void SetText(const std::string& field, const std::string& text, TextTone tone) override;
    void SetEnabled(const std::string& control, bool enabled) override;
    MessageAnswer Message(const std::string& title, const std::string& text, MessageIcon icon,
                          MessageButtons buttons) override;

protected:
    void OnUpdate(uint32_t hint, intptr_t value) override;

private:
    void OnApply();
    void ShowDemoFlow();

    FlowCalLogic* m_logic;
    std::array<QLineEdit*, 3> m_entries{};
    QToolButton* m_up;
    QToolButton* m_down;
    QPushButton* m_apply;
    QPushButton* m_restart;
    QPushButton* m_cancel;
    QLabel* m_status;
    QLabel* m_meter = nullptr;
    QTimer* m_meterTimer = nullptr;
    std::string m_noLabel;
    bool m_applying = false;
};

} // namespace orvo
