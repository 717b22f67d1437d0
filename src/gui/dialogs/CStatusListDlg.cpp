#include "dialogs/CStatusListDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/LocalTime.h"
#include "platform/MessageService.h"
#include "results/ExportFile.h"
#include "results/SampleResults.h"

namespace orvo {

namespace {

QString EventTime(const TimeZoneSource& zone, uint32_t utcSeconds) {
    return QString::fromStdString(FormatLocalTime(zone, utcSeconds, "%m/%d/%Y %H:%M:%S"));
}

} // namespace

CStatusListDlg::CStatusListDlg(const SampleResults& results, MessageService& messages, FileChooser chooser,
                               QWidget* parent)
    : QDialog(parent), m_results(results), m_messages(messages), m_chooser(std::move(chooser)),
      m_list(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("statusListDialog"));
    setWindowTitle(QStringLiteral("Status List"));
    m_list->setObjectName(QStringLiteral("statusList"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Status Condition")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const StatusEntry& event : results.Table().events)
        m_list->addTopLevelItem(
            new QTreeWidgetItem({EventTime(m_results.Zone(), event.time), QString::fromStdString(event.text)}));
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    const int width = fontMetrics().horizontalAdvance(
        QStringLiteral("00/00/0000 00:00:00    STATE MACHINE IN UNKNOWN STATE"));
    m_list->setMinimumWidth(width + 48);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(QStringLiteral("Save As..."), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("saveAs"));
    QPushButton* print = buttons->addButton(QStringLiteral("Print"), QDialogButtonBox::ActionRole);
    print->setObjectName(QStringLiteral("print"));
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("ok"));
    connect(save, &QPushButton::clicked, this, &CStatusListDlg::SaveAs);
    connect(print, &QPushButton::clicked, this, &CStatusListDlg::Print);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(sizeHint().expandedTo(QSize(width + 96, 320)));
}

void CStatusListDlg::SaveAs() {
    const QString path = m_chooser(this, CsvSaveRequest(QString::fromStdString(m_results.StatusListName())));
    if (path.isEmpty())
        return; // the dialog stays open
    std::string reason;
    if (!m_results.SaveStatusList(path.toStdString(), &reason)) {
        m_messages.Show(std::string(kOutputFileError) + (reason.empty() ? "" : "\n" + reason));
        return;
    }
    accept();
}

void CStatusListDlg::Print() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Print Status List"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString html = QStringLiteral("<h3>Status List</h3><table cellspacing=0 cellpadding=3>"
                                  "<tr><th align=left>Time</th><th align=left>Status Condition</th></tr>");
    for (const StatusEntry& event : m_results.Table().events)
        html += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>")
                    .arg(EventTime(m_results.Zone(), event.time), QString::fromStdString(event.text).toHtmlEscaped());
    html += QStringLiteral("</table>");
    QTextDocument document;
    document.setHtml(html);
    document.print(&printer);
}

} // namespace orvo
