#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "results/SampleResults.h"

namespace orvo {

class COrvodeskDoc;

enum class SaveKind { SampleData, Msha };

// What the results form shows and asks; the widget renders, the logic decides.
class IResultsView {
public:
    virtual ~IResultsView() = default;

    virtual void SetSelector(const std::vector<SelectorItem>& items) = 0;
    virtual void SelectItem(int position) = 0; // -1: none
    virtual void ShowChart(const ChartData& chart) = 0;
    virtual void SetNote(const std::string& text) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    // Modal: the status list of the sample (its own Save As... and Print).
    virtual void ShowStatusList() = 0;
    // Modal: the Shift Information dialog preset with `preset`; nothing when cancelled.
    virtual std::optional<ShiftInformation> AskShiftInformation(const ShiftInformation& preset) = 0;
    // The save dialog with the proposed name; nothing when cancelled.
    virtual std::optional<std::string> AskSavePath(SaveKind kind, const std::string& proposedName) = 0;
    virtual void ShowDownloadForm() = 0;
};

// The rules of the results form: the display table built once, the selector and its first
// fill, the chart's scaling, the status list and Shift Information after the first look, and
// "Save data" (the CSV file, then the MSHA file).
class ResultsFormLogic {
public:
    ResultsFormLogic(COrvodeskDoc& doc, IResultsView& view);
    ~ResultsFormLogic();
    ResultsFormLogic(const ResultsFormLogic&) = delete;
    ResultsFormLogic& operator=(const ResultsFormLogic&) = delete;

    // Builds the table and fills the chart; the messages and dialogs wait for ShowFirstDialogs,
    // so that the link, which waits while a download's last update is handled, is not held by them.
    void InitialUpdate();
    // The row-limit message, the status list when there are status events, then in standard mode
    // Shift Information.
    void ShowFirstDialogs();
    void OnSelect(int position);
    void OnShiftInformation();
    void OnSaveData();
    void OnCancel();

    const SampleResults& Results() const { return m_results; }
    SampleResults& Results() { return m_results; }
    int SelectedRegister() const { return m_register; }

private:
    bool Save(SaveKind kind);

    COrvodeskDoc& m_doc;
    IResultsView& m_view;
    SampleResults m_results;
    int m_register = -1;
    // A modal dialog may outlive the form (its window closed meanwhile): callers check this
    // after each one.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// The note under the chart when the table on screen is not the whole sample.
std::string ResultsNote(const SampleResults& results);

} // namespace orvo
