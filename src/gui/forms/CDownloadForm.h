#pragma once

#include "forms/CFormView.h"
#include "forms/DownloadFormLogic.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace orvo {

// The download form: the samples stored in the monitor, the transfer of one of them (or of the
// service log) with its progress, and the switch to the results when it is complete.
// DownloadFormLogic decides; this widget renders and forwards.
class CDownloadForm final : public CFormView, private IDownloadView {
    Q_OBJECT
public:
    explicit CDownloadForm(const FormContext& context, QWidget* parent = nullptr);

    FormKind Kind() const override { return FormKind::Download; }
    void OnInitialUpdate() override { m_logic.InitialUpdate(); }
    bool BlocksClose() const override { return m_logic.Downloading(); }

    DownloadFormLogic& Logic() { return m_logic; }
    QListWidget* List() const { return m_list; }
    QPushButton* DownloadButton() const { return m_download; }
    QPushButton* ServiceLogButton() const { return m_serviceLog; }
    QPushButton* CancelButton() const { return m_cancel; }
    QProgressBar* Progress() const { return m_progress; }
    QLineEdit* IntervalEdit() const { return m_interval; }

protected:
    void OnUpdate(uint32_t hint, intptr_t value) override { m_logic.Update(hint, value); }

private:
    // IDownloadView
    void SetVisibility(const DownloadVisibility& visible) override;
    void SetEnabling(const DownloadEnabling& enabled) override;
    void ClearList() override;
    void AddLine(const std::string& text) override;
    void ClearSelection() override;
    void SetIntervalText(const std::string& text) override;
    std::string IntervalText() const override;
    bool AutoChecked() const override;
    void SetProgress(uint64_t position, uint64_t maximum) override;
    void SetStatusText(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void ShowResults() override;
    void ShowMainForm() override;

    DownloadFormLogic m_logic;
    QListWidget* m_list;
    QPushButton* m_download;
    QPushButton* m_serviceLog;
    QPushButton* m_cancel;
    QProgressBar* m_progress;
    QLabel* m_intervalLabel;
    QLineEdit* m_interval;
    QCheckBox* m_auto;
    QLabel* m_status;
    QLabel* m_intervalUnit = nullptr;
};

} // namespace orvo
