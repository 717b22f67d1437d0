#pragma once

#include "forms/CFormView.h"
#include "forms/ResultsFormLogic.h"
#include "ui/FileDialogs.h"

class QPushButton;

namespace orvo {

class RegisterChartPanel;

// The results of a completed download: the chart of one register over the display rows, the
// status list, Shift Information, "Save data" (CSV, then MSHA) and the Dust Data Card.
// ResultsFormLogic decides; this widget renders and forwards.
class CDLCompleteForm final : public CFormView, private IResultsView {
    Q_OBJECT
public:
    explicit CDLCompleteForm(const FormContext& context, QWidget* parent = nullptr);

    FormKind Kind() const override { return FormKind::DownloadComplete; }
    void OnInitialUpdate() override;

    ResultsFormLogic& Logic() { return m_logic; }
    RegisterChartPanel* Panel() const { return m_panel; }
    QPushButton* SaveDataButton() const { return m_saveData; }
    QPushButton* PrintCardButton() const { return m_printCard; }
    QPushButton* ShiftInformationButton() const { return m_shiftInformation; }
    QPushButton* CancelButton() const { return m_cancel; }
    // Tests answer the save dialogs.
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

protected:
    void OnUpdate(uint32_t, intptr_t) override {}

private:
    void PrintCard();

    // IResultsView
    void SetSelector(const std::vector<SelectorItem>& items) override;
    void SelectItem(int position) override;
    void ShowChart(const ChartData& chart) override;
    void SetNote(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void ShowStatusList() override;
    std::optional<ShiftInformation> AskShiftInformation(const ShiftInformation& preset) override;
    std::optional<std::string> AskSavePath(SaveKind kind, const std::string& proposedName) override;
    void ShowDownloadForm() override;

    ResultsFormLogic m_logic;
    FileChooser m_chooser = AskFile;
    RegisterChartPanel* m_panel;
    QPushButton* m_saveData;
    QPushButton* m_printCard;
    QPushButton* m_shiftInformation;
    QPushButton* m_cancel;
};

} // namespace orvo
