#include "forms/CDLCompleteForm.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DocumentSession.h"
#include "dialogs/CShiftInfoDlg.h"
#include "dialogs/CStatusListDlg.h"
#include "frame/CChildFrame.h"
#include "platform/MessageService.h"
#include "ui/CardPreview.h"
#include "ui/FormButton.h"
#include "ui/RegisterChartPanel.h"

namespace orvo {

CDLCompleteForm::CDLCompleteForm(const FormContext& context, QWidget* parent)
    : CFormView(context, parent), m_logic(context.session.Doc(), *this),
      m_panel(new RegisterChartPanel(this)), m_saveData(FormButton("Save data", "saveData", this)),
      m_printCard(FormButton("Print Dust Data Card", "printCard", this)),
      m_shiftInformation(FormButton("Shift Information", "shiftInformation", this)),
      m_cancel(FormButton("Cancel", "cancel", this)) {
    setObjectName(QStringLiteral("resultsForm"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_saveData);
    buttons->addWidget(m_printCard);
    buttons->addWidget(m_shiftInformation);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_panel, 1);
    layout->addLayout(buttons);
    setMinimumSize(680, 440);

    connect(m_panel, &RegisterChartPanel::Selected, this,
            [this](int position) { m_logic.OnSelect(position); });
    connect(m_saveData, &QPushButton::clicked, this, [this] { m_logic.OnSaveData(); });
    connect(m_printCard, &QPushButton::clicked, this, &CDLCompleteForm::PrintCard);
    connect(m_shiftInformation, &QPushButton::clicked, this, [this] { m_logic.OnShiftInformation(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_logic.OnCancel(); });
}

void CDLCompleteForm::OnInitialUpdate() {
    m_logic.InitialUpdate();
    // The dialogs come once the form is on screen behind them.
    QMetaObject::invokeMethod(
        this, [this] { m_logic.ShowFirstDialogs(); }, Qt::QueuedConnection);
}

void CDLCompleteForm::PrintCard() {
    PreviewCard(m_logic.Results().Card(), m_logic.Results().Zone(), this);
    Doc().SetPrintFinished(true);
}

void CDLCompleteForm::SetSelector(const std::vector<SelectorItem>& items) {
    m_panel->SetSelector(items);
}

void CDLCompleteForm::SelectItem(int position) {
    m_panel->Select(position);
}

void CDLCompleteForm::ShowChart(const ChartData& chart) {
    m_panel->ShowChart(chart);
}

void CDLCompleteForm::SetNote(const std::string& text) {
    m_panel->SetNote(QString::fromStdString(text));
}

void CDLCompleteForm::ShowMessage(const std::string& text) {
    Services().messages.Show(text);
}

// The dialogs live on the heap: when the window goes while one is open (its document closed),
// the dialog goes with it and exec() returns to a caller that checks before going on.
void CDLCompleteForm::ShowStatusList() {
    QPointer<CStatusListDlg> dialog =
        new CStatusListDlg(m_logic.Results(), Services().messages, m_chooser, this);
    dialog->exec();
    delete dialog.data();
}

std::optional<ShiftInformation> CDLCompleteForm::AskShiftInformation(const ShiftInformation& preset) {
    QPointer<CShiftInfoDlg> dialog = new CShiftInfoDlg(Doc().Mode(), Services().messages, this);
    dialog->SetPreset(preset);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog || !accepted) {
        delete dialog.data();
        return std::nullopt;
    }
    const ShiftInformation result = dialog->Result();
    delete dialog.data();
    return result;
}

std::optional<std::string> CDLCompleteForm::AskSavePath(SaveKind kind, const std::string& proposedName) {
    const QString name = QString::fromStdString(proposedName);
    const QString path =
        m_chooser(this, kind == SaveKind::Msha ? MshaSaveRequest(name) : CsvSaveRequest(name));
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

void CDLCompleteForm::ShowDownloadForm() {
    QMetaObject::invokeMethod(
        this, [this] { Frame().SwitchToView(FormKind::Download); }, Qt::QueuedConnection);
}

} // namespace orvo
