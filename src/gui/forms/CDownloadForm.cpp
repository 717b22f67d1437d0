#include "forms/CDownloadForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <limits>

#include "app/DocumentSession.h"
#include "frame/CChildFrame.h"
#include "platform/MessageService.h"
#include "ui/FormButton.h"

namespace orvo {

CDownloadForm::CDownloadForm(const FormContext& context, QWidget* parent)
    : CFormView(context, parent), m_logic(context.session.Doc(), context.session.Doc().Link(), *this),
      m_list(new QListWidget(this)), m_download(FormButton("Download", "download", this)),
      m_serviceLog(FormButton("Service Log", "serviceLog", this)),
      m_cancel(FormButton("Cancel", "cancel", this)), m_progress(new QProgressBar(this)),
      m_intervalLabel(new QLabel(QStringLiteral("Data Interval"), this)), m_interval(new QLineEdit(this)),
      m_auto(new QCheckBox(QStringLiteral("Auto"), this)), m_status(new QLabel(this)) {
    setObjectName(QStringLiteral("downloadForm"));
    m_list->setObjectName(QStringLiteral("sampleList"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setMinimumSize(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 64,
                           fontMetrics().height() * 8);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setTextVisible(true);
    m_progress->setFormat(QStringLiteral("%p%"));
    m_interval->setObjectName(QStringLiteral("interval"));
    m_interval->setMaxLength(9);
    m_interval->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    m_interval->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000000")) + 16);
    m_intervalLabel->setBuddy(m_interval);
    m_auto->setObjectName(QStringLiteral("auto"));
    m_auto->hide();
    m_status->setObjectName(QStringLiteral("statusText"));
    m_status->setWordWrap(true);

    auto* listLabel = new QLabel(QStringLiteral("Samples stored in the monitor:"), this);
    listLabel->setBuddy(m_list);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_download);
    buttons->addWidget(m_serviceLog);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(buttons);
    auto* interval = new QHBoxLayout;
    interval->addWidget(m_intervalLabel);
    interval->addWidget(m_interval);
    m_intervalUnit = new QLabel(QStringLiteral("seconds"), this);
    interval->addWidget(m_intervalUnit);
    interval->addWidget(m_auto);
    interval->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listLabel);
    layout->addLayout(top, 1);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addLayout(interval);

    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = m_list->selectedItems();
        m_logic.OnSelectionChanged(selected.isEmpty() ? -1 : m_list->row(selected.first()));
    });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { m_logic.OnDownload(); });
    connect(m_download, &QPushButton::clicked, this, [this] { m_logic.OnDownload(); });
    connect(m_serviceLog, &QPushButton::clicked, this, [this] { m_logic.OnServiceLog(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_logic.OnCancel(); });
}

void CDownloadForm::SetVisibility(const DownloadVisibility& visible) {
    m_intervalLabel->setVisible(visible.interval);
    m_interval->setVisible(visible.interval);
    m_intervalUnit->setVisible(visible.interval);
    m_serviceLog->setVisible(visible.serviceLog);
    m_auto->hide();
}

void CDownloadForm::SetEnabling(const DownloadEnabling& enabled) {
    m_list->setEnabled(enabled.list);
    m_download->setEnabled(enabled.download);
    m_serviceLog->setEnabled(enabled.serviceLog);
    m_interval->setEnabled(enabled.interval);
    m_auto->setEnabled(enabled.autoBox);
}

void CDownloadForm::ClearList() {
    m_list->clear();
}

void CDownloadForm::AddLine(const std::string& text) {
    // The list measures each line with its font and scrolls sideways as far as the widest.
    m_list->addItem(QString::fromStdString(text));
}

void CDownloadForm::ClearSelection() {
    m_list->clearSelection();
    m_list->setCurrentRow(-1);
}

void CDownloadForm::SetIntervalText(const std::string& text) {
    m_interval->selectAll();
    m_interval->setText(QString::fromStdString(text));
}

std::string CDownloadForm::IntervalText() const {
    return m_interval->text().toStdString();
}

bool CDownloadForm::AutoChecked() const {
    return m_auto->isChecked();
}

void CDownloadForm::SetProgress(uint64_t position, uint64_t maximum) {
    if (maximum == 0) {
        // An empty range would show the bar as busy; nothing is moving.
        m_progress->setRange(0, 1);
        m_progress->setValue(0);
        return;
    }
    // The bar counts in int: a long service log is shown in proportion.
    const uint64_t limit = uint64_t(std::numeric_limits<int>::max());
    const uint64_t scale = maximum > limit ? maximum / limit + 1 : 1;
    m_progress->setRange(0, int(maximum / scale));
    m_progress->setValue(int(std::min(position, maximum) / scale));
}

void CDownloadForm::SetStatusText(const std::string& text) {
    m_status->setText(QString::fromStdString(text));
}

void CDownloadForm::ShowMessage(const std::string& text) {
    Services().messages.Show(text);
}

void CDownloadForm::ShowResults() {
    // At once, inside the update: the link waits meanwhile, so the results copy the record list
    // before the answer to the program just cleared can add its record to it. The results open
    // their dialogs later, once the link runs again.
    Frame().SwitchToView(FormKind::DownloadComplete);
}

void CDownloadForm::ShowMainForm() {
    QMetaObject::invokeMethod(
        this, [this] { ReturnToMainForm(); }, Qt::QueuedConnection);
}

} // namespace orvo
