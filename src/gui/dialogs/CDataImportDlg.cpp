#include "dialogs/CDataImportDlg.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/CStatusListDlg.h"
#include "forms/ResultsFormLogic.h"
#include "platform/MessageService.h"
#include "results/ExportFile.h"
#include "ui/CardPreview.h"
#include "ui/FormButton.h"
#include "ui/RegisterChartPanel.h"

namespace orvo {

CDataImportDlg* CDataImportDlg::Open(const QString& path, MessageService& messages,
                                     const TimeZoneSource& zone, FileChooser chooser, QWidget* parent) {
    ImportedDataFile file;
    const ImportStatus status = ImportedDataFile::Load(path.toStdString(), file);
    if (status != ImportStatus::Ok) {
        messages.Show(ImportMessage(status));
        return nullptr;
    }
    auto* dialog = new CDataImportDlg(path, messages, zone, std::move(chooser), parent);
    dialog->m_file = std::move(file);
    dialog->Fill();
    return dialog;
}

CDataImportDlg::CDataImportDlg(const QString& path, MessageService& messages, const TimeZoneSource& zone,
                               FileChooser chooser, QWidget* parent)
    : QDialog(parent), m_path(path), m_messages(messages), m_zone(zone), m_chooser(std::move(chooser)),
      m_panel(new RegisterChartPanel(this)), m_saveCsv(FormButton("Save .csv", "saveCsv", this)),
      m_statusList(FormButton("Status List", "statusList", this)),
      m_printCard(FormButton("Print Dust Data Card", "printCard", this)) {
    setObjectName(QStringLiteral("dataImportDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("Data Import - %1").arg(QFileInfo(path).fileName()));
    auto* close = FormButton("Close", "close", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_saveCsv);
    buttons->addWidget(m_statusList);
    buttons->addWidget(m_printCard);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_panel, 1);
    layout->addLayout(buttons);
    resize(820, 560);

    connect(m_panel, &RegisterChartPanel::Selected, this, [this](int position) {
        const std::vector<SelectorItem>& selector = m_results.Table().selector;
        const int number =
            position >= 0 && size_t(position) < selector.size() ? selector[size_t(position)].data - 1 : -1;
        m_panel->ShowChart(m_results.Chart(number));
    });
    connect(m_saveCsv, &QPushButton::clicked, this, &CDataImportDlg::SaveCsv);
    connect(m_statusList, &QPushButton::clicked, this, &CDataImportDlg::ShowStatusList);
    connect(m_printCard, &QPushButton::clicked, this,
            [this] { PreviewCard(m_results.Card(), m_results.Zone(), this); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void CDataImportDlg::Fill() {
    // A data file carries no display interval: the rows follow the records' own spacing.
    m_results = SampleResults::FromImport(m_file, m_registers, m_zone);
    m_panel->SetSelector(m_results.Table().selector);
    m_panel->SetNote(QString::fromStdString(ResultsNote(m_results)));
    const int first = m_results.FirstFillPosition();
    m_panel->Select(first);
    const std::vector<SelectorItem>& selector = m_results.Table().selector;
    m_panel->ShowChart(m_results.Chart(first >= 0 ? selector[size_t(first)].data - 1 : -1));
    m_statusList->setEnabled(!m_results.Table().events.empty());
}

void CDataImportDlg::ShowFirstDialogs() {
    if (m_results.OverRowLimit())
        m_messages.Show(kShownRowLimitMessage);
    if (!m_results.Table().events.empty())
        ShowStatusList();
}

void CDataImportDlg::ShowStatusList() {
    QPointer<CStatusListDlg> dialog = new CStatusListDlg(m_results, m_messages, m_chooser, this);
    dialog->exec();
    delete dialog.data();
}

void CDataImportDlg::SaveCsv() {
    const QString path = m_chooser(this, CsvSaveRequest(QString::fromStdString(m_results.SampleDataName())));
    if (path.isEmpty())
        return;
    std::string reason;
    if (!m_results.SaveSampleData(path.toStdString(), &reason))
        m_messages.Show(std::string(kOutputFileError) + (reason.empty() ? "" : "\n" + reason));
}

} // namespace orvo
