#pragma once

#include "forms/CFormView.h"
#include "forms/GraphFormLogic.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace orvo {

class StripChart;

// The live graph, in a window of its own beside the monitor's main window: a strip chart of up
// to 15 registers with its CSV log. GraphFormLogic decides; this widget renders and forwards.
// Beyond the logic's rules it can pause the chart while sampling and logging go on.
class CGraphForm final : public CFormView, private IGraphFormView {
    Q_OBJECT
public:
    explicit CGraphForm(const FormContext& context, QWidget* parent = nullptr);
    ~CGraphForm() override;

    FormKind Kind() const override { return FormKind::Graph; }
    void OnInitialUpdate() override;
    QSize sizeHint() const override;

    GraphFormLogic& Logic() { return m_logic; }
    StripChart* Chart() const { return m_chart; }
    QTimer* SampleTimer() const { return m_timer; }

protected:
    void OnUpdate(uint32_t hint, intptr_t value) override { m_logic.Update(hint, value); }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildControls();

    // IGraphFormView
    void SetTitle(const std::string& title) override;
    void ShowRegisterChoices(const std::vector<std::string>& names) override;
    void ShowHistory(const std::string& text) override;
    void ShowUpdate(const std::string& seconds) override;
    void SetAutoScaleChecked(bool checked) override;
    void ShowAxisRange(const std::string& minimum, const std::string& maximum) override;
    void SetLoggingChecked(bool checked) override;
    void ShowLogPath(const std::string& path) override;
    std::string AskLogPath() override;
    void ShowPlotted(const std::vector<std::string>& names) override;
    void StartTimer(uint32_t ms) override;
    void Redraw() override;

    GraphFormLogic m_logic;
    QTimer* m_timer;
    StripChart* m_chart = nullptr;
    QLineEdit* m_history = nullptr;
    QLineEdit* m_update = nullptr;
    QCheckBox* m_autoScale = nullptr;
    QLineEdit* m_maximum = nullptr;
    QLineEdit* m_minimum = nullptr;
    QCheckBox* m_logging = nullptr;
    QLineEdit* m_logPath = nullptr;
    QCheckBox* m_pause = nullptr;
    QComboBox* m_choices = nullptr;
    QListWidget* m_plotted = nullptr;
};

} // namespace orvo
