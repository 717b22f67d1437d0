#include "forms/ResultsFormLogic.h"

#include "model/COrvodeskDoc.h"
#include "platform/Format.h"
#include "results/ExportFile.h"

namespace orvo {

ResultsFormLogic::ResultsFormLogic(COrvodeskDoc& doc, IResultsView& view) : m_doc(doc), m_view(view) {}

ResultsFormLogic::~ResultsFormLogic() {
    *m_alive = false;
}

std::string ResultsNote(const SampleResults& results) {
    if (results.OverRowLimit())
        return "The chart shows the first " + FormatUnsigned(kShownRowLimit) + " of " +
               FormatUnsigned(results.Table().rowCount) + " rows; the saved files hold them all.";
    return {};
}

void ResultsFormLogic::InitialUpdate() {
    m_results = SampleResults::FromDocument(m_doc);
    const DisplayTable& table = m_results.Table();
    m_view.SetSelector(table.selector);
    m_view.SetNote(ResultsNote(m_results));
    const int first = m_results.FirstFillPosition();
    m_view.SelectItem(first);
    OnSelect(first);
}

void ResultsFormLogic::ShowFirstDialogs() {
    const std::shared_ptr<bool> alive = m_alive;
    if (m_results.OverRowLimit())
        m_view.ShowMessage(kShownRowLimitMessage);
    if (*alive && !m_results.Table().events.empty())
        m_view.ShowStatusList();
    if (*alive && m_doc.Mode() == ACCESS_STANDARD)
        OnShiftInformation();
}

void ResultsFormLogic::OnSelect(int position) {
    const std::vector<SelectorItem>& selector = m_results.Table().selector;
    m_register =
        position >= 0 && size_t(position) < selector.size() ? selector[size_t(position)].data - 1 : -1;
    m_view.ShowChart(m_results.Chart(m_register));
}

void ResultsFormLogic::OnShiftInformation() {
    // The dialog's OK already applied the checks: the values come back as they are kept, with
    // the serial numbers emptied unless the shift was a multi-unit one.
    const std::shared_ptr<bool> alive = m_alive;
    const std::optional<ShiftInformation> entered = m_view.AskShiftInformation(m_results.Shift());
    if (*alive && entered)
        m_results.Shift() = *entered;
}

bool ResultsFormLogic::Save(SaveKind kind) {
    const std::string proposed = kind == SaveKind::Msha ? m_results.MshaName() : m_results.SampleDataName();
    const std::shared_ptr<bool> alive = m_alive;
    const std::optional<std::string> path = m_view.AskSavePath(kind, proposed);
    if (!*alive || !path)
        return false;
    std::string reason;
    const bool saved = kind == SaveKind::Msha ? m_results.SaveMsha(*path, &reason)
                                              : m_results.SaveSampleData(*path, &reason);
    if (!saved)
        m_view.ShowMessage(reason.empty() ? std::string(kOutputFileError)
                                          : std::string(kOutputFileError) + "\n" + reason);
    return saved;
}

void ResultsFormLogic::OnSaveData() {
    // The MSHA file follows a written CSV file; a cancelled or failed CSV save ends here.
    if (Save(SaveKind::SampleData))
        Save(SaveKind::Msha);
}

void ResultsFormLogic::OnCancel() {
    m_doc.ClearRecords();
    m_view.ShowDownloadForm();
}

} // namespace orvo
