#pragma once

#include <array>

#include "forms/CFormView.h"
#include "forms/InteractFormLogic.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPagedPaintDevice;
class QPrinter;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace orvo {

// The register interaction form (Configure): every register of the monitor in one list, with
// reading, writing, logging settings, templates, configuration files, the serial number and
// factory defaults. InteractFormLogic decides; this widget renders and forwards.
class CInteractForm final : public CFormView, private IInteractFormView {
    Q_OBJECT
public:
    explicit CInteractForm(const FormContext& context, QWidget* parent = nullptr);
    ~CInteractForm() override;

    FormKind Kind() const override { return FormKind::Interact; }
    void OnInitialUpdate() override;
    QSize sizeHint() const override;

    InteractFormLogic& Logic() { return m_logic; }
    QTreeWidget* List() const { return m_list; }
    QPushButton* ControlButton(InteractControl control) const;

    // The register list as printed, on any paged device; returns the pages printed.
    int PrintTo(QPagedPaintDevice& device) const;
    void PrintPreview();
    void Print();

protected:
    void OnUpdate(uint32_t hint, intptr_t value) override { m_logic.Update(hint, value); }

private:
    QWidget* BuildValueGroup();
    QWidget* BuildLoggingGroup();
    QWidget* BuildTemplateGroup();
    QWidget* BuildSerialGroup();
    QWidget* BuildConfigurationGroup();
    std::vector<int> ListedRegisters() const;

    // IInteractFormView
    void ShowConnection(bool connected) override;
    void ShowSerialNumber(const std::string& text) override;
    void EnableSerialGroup(bool enabled) override;
    void CreateColumns() override;
    void ClearRows() override;
    void AppendRow(int number, const RegisterRow& texts) override;
    void UpdateRow(int row, const RegisterRow& texts) override;
    void FitColumns() override;
    void ShowDetail(const RegisterDetail& detail, bool withValue) override;
    void BlankDetail(const std::string& text, bool loggingFields) override;
    bool ValueEditBusy() const override;
    void ReleaseValueEdit() override;
    void SetValueReadOnly(bool readOnly) override;
    void FocusValueEdit() override;
    void SetProgress(int maximum, int position) override;
    void EnableControls(const InteractControls& enabled) override;
    void ShowTemplateName(const std::string& text) override;
    void ShowTemplatePath(const std::string& path) override;
    std::string AskTemplateSavePath() override;
    std::string AskTemplateOpenPath() override;
    std::string AskExportPath(const std::string& proposedName) override;
    std::string AskImportPath() override;
    void ExportReady() override;

    InteractFormLogic m_logic;

    QTreeWidget* m_list = nullptr;
    std::array<QLabel*, 2> m_names{};
    std::array<QLabel*, 2> m_units{};
    QLineEdit* m_value = nullptr;
    QComboBox* m_type = nullptr;
    QLineEdit* m_interval = nullptr;
    QLineEdit* m_delta = nullptr;
    QLineEdit* m_templatePath = nullptr;
    QLineEdit* m_templateName = nullptr;
    QWidget* m_serialGroup = nullptr;
    QLineEdit* m_serialNumber = nullptr;
    QLineEdit* m_serialEntry = nullptr;
    QPushButton* m_serialSet = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_connection = nullptr;
    std::array<QWidget*, INTERACT_CONTROL_COUNT> m_controls{};
};

} // namespace orvo
