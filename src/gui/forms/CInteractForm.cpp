#include "forms/CInteractForm.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/DocumentSession.h"
#include "ui/FormButton.h"
#include "ui/RegisterListPrint.h"

namespace orvo {

namespace {

const QColor kBlue(0, 0, 255);
const QColor kDarkGreen(0, 127, 0);
const QColor kDarkRed(127, 0, 0);

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QLineEdit* ShownLine(QWidget* parent, const char* name) {
    auto* line = new QLineEdit(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setReadOnly(true);
    line->setFocusPolicy(Qt::ClickFocus);
    return line;
}

QLabel* NameLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAutoFillBackground(false); // blue text on the group's own background
    SetTextColour(label, kBlue);
    label->setMinimumWidth(
        label->fontMetrics().horizontalAdvance(QStringLiteral("MASS TRANS MANUFACTURE DATE")));
    return label;
}

// One file dialog: the filter, the suffix added to a bare name, where it starts.
std::string AskFile(QWidget* parent, QFileDialog::AcceptMode mode, const QString& caption,
                    const QString& filter, const QString& suffix, const QString& start = {}) {
    QFileDialog dialog(parent, caption, start, filter);
    dialog.setAcceptMode(mode);
    dialog.setDefaultSuffix(suffix);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (mode == QFileDialog::AcceptSave)
        dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first().toStdString();
}

} // namespace

CInteractForm::CInteractForm(const FormContext& context, QWidget* parent)
    : CFormView(context, parent),
      m_logic(context.session.Doc(), context.session.Doc().Link(), *this, context.services.messages) {
    setObjectName(QStringLiteral("interactForm"));
    m_logic.SetFullList(context.session.Selectors().enteredFromConfigure);

    auto* layout = new QVBoxLayout(this);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("registerList"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setColumnCount(0);
    m_list->setMinimumHeight(m_list->fontMetrics().height() * 12);
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            m_logic.SelectRow(m_list->indexOfTopLevelItem(item));
    });
    layout->addWidget(m_list, 1);

    auto* groups = new QGridLayout;
    groups->addWidget(BuildValueGroup(), 0, 0);
    groups->addWidget(BuildLoggingGroup(), 1, 0);
    groups->addWidget(BuildTemplateGroup(), 0, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(BuildSerialGroup());
    right->addWidget(BuildConfigurationGroup());
    groups->addLayout(right, 1, 1);
    groups->setColumnStretch(0, 1);
    groups->setColumnStretch(1, 1);
    layout->addLayout(groups);

    auto* bottom = new QHBoxLayout;
    auto* factory = FormButton("Factory Defaults", "factoryDefaults", this);
    m_controls[Index(InteractControl::FactoryDefaults)] = factory;
    connect(factory, &QPushButton::clicked, this, [this] { m_logic.FactoryDefaults(); });
    auto* print = FormButton("Print...", "print", this);
    connect(print, &QPushButton::clicked, this, &CInteractForm::Print);
    auto* preview = FormButton("Print Preview...", "printPreview", this);
    connect(preview, &QPushButton::clicked, this, &CInteractForm::PrintPreview);
    auto* printShortcut = new QShortcut(QKeySequence::Print, this);
    connect(printShortcut, &QShortcut::activated, this, &CInteractForm::Print);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setTextVisible(false);
    m_connection = new QLabel(QStringLiteral("Not Connected"), this);
    m_connection->setObjectName(QStringLiteral("connection"));
    m_connection->setMinimumWidth(
        m_connection->fontMetrics().horizontalAdvance(QStringLiteral("Not Connected")) + 8);
    SetTextColour(m_connection, kDarkRed);
    auto* done = FormButton("Done", "done", this);
    connect(done, &QPushButton::clicked, this, [this] { ReturnToMainForm(); });
    bottom->addWidget(factory);
    bottom->addWidget(print);
    bottom->addWidget(preview);
    bottom->addWidget(m_progress, 1);
    bottom->addWidget(m_connection);
    bottom->addWidget(done);
    layout->addLayout(bottom);

    EnableControls(InteractControls{});
    EnableSerialGroup(false);
}

CInteractForm::~CInteractForm() = default;

QWidget* CInteractForm::BuildValueGroup() {
    auto* group = new QGroupBox(QStringLiteral("Value"), this);
    auto* grid = new QGridLayout(group);
    m_names[0] = NameLabel(group, "valueName");
    m_units[0] = new QLabel(group);
    m_units[0]->setObjectName(QStringLiteral("valueUnits"));
    m_value = new QLineEdit(group);
    m_value->setObjectName(QStringLiteral("valueEdit"));
    m_value->setMaxLength(64);
    auto* reload = FormButton("Reload", "reload", group);
    auto* set = FormButton("Set", "valueSet", group);
    auto* reloadAll = FormButton("Reload All", "reloadAll", group);
    m_controls[Index(InteractControl::ValueEdit)] = m_value;
    m_controls[Index(InteractControl::Reload)] = reload;
    m_controls[Index(InteractControl::ValueSet)] = set;
    m_controls[Index(InteractControl::ReloadAll)] = reloadAll;
    connect(reload, &QPushButton::clicked, this, [this] { m_logic.Reload(); });
    connect(set, &QPushButton::clicked, this, [this] { m_logic.SetValue(m_value->text().toStdString()); });
    connect(m_value, &QLineEdit::returnPressed, set, &QPushButton::click);
    connect(reloadAll, &QPushButton::clicked, this, [this] { m_logic.ReloadAll(); });
    grid->addWidget(m_names[0], 0, 0, 1, 3);
    grid->addWidget(m_value, 1, 0, 1, 2);
    grid->addWidget(m_units[0], 1, 2);
    grid->addWidget(reload, 2, 0);
    grid->addWidget(set, 2, 1);
    grid->addWidget(reloadAll, 2, 2);
    return group;
}

QWidget* CInteractForm::BuildLoggingGroup() {
    auto* group = new QGroupBox(QStringLiteral("Logging"), this);
    auto* grid = new QGridLayout(group);
    m_names[1] = NameLabel(group, "loggingName");
    m_type = new QComboBox(group);
    m_type->setObjectName(QStringLiteral("loggingType"));
    m_type->addItems({QStringLiteral("Never"), QStringLiteral("On Delta"), QStringLiteral("Header/Footer")});
    m_type->setCurrentIndex(-1); // nothing selected yet
    m_interval = new QLineEdit(group);
    m_interval->setObjectName(QStringLiteral("interval"));
    m_interval->setMaxLength(32);
    m_delta = new QLineEdit(group);
    m_delta->setObjectName(QStringLiteral("delta"));
    m_units[1] = new QLabel(group);
    m_units[1]->setObjectName(QStringLiteral("deltaUnits"));
    auto* set = FormButton("Set", "loggingSet", group);
    m_controls[Index(InteractControl::LoggingType)] = m_type;
    m_controls[Index(InteractControl::LoggingInterval)] = m_interval;
    m_controls[Index(InteractControl::LoggingDelta)] = m_delta;
    m_controls[Index(InteractControl::LoggingSet)] = set;
    connect(set, &QPushButton::clicked, this, [this] {
        m_logic.SetLogging(m_type->currentIndex(), m_interval->text().toStdString(),
                           m_delta->text().toStdString());
    });
    auto* typeLabel = new QLabel(QStringLiteral("Type"), group);
    typeLabel->setBuddy(m_type);
    auto* intervalLabel = new QLabel(QStringLiteral("Interval"), group);
    intervalLabel->setBuddy(m_interval);
    auto* deltaLabel = new QLabel(QStringLiteral("Delta"), group);
    deltaLabel->setBuddy(m_delta);
    grid->addWidget(m_names[1], 0, 0, 1, 3);
    grid->addWidget(typeLabel, 1, 0);
    grid->addWidget(m_type, 1, 1, 1, 2);
    grid->addWidget(intervalLabel, 2, 0);
    grid->addWidget(m_interval, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("sec"), group), 2, 2);
    grid->addWidget(deltaLabel, 3, 0);
    grid->addWidget(m_delta, 3, 1);
    grid->addWidget(m_units[1], 3, 2);
    grid->addWidget(set, 4, 2);
    grid->setColumnStretch(1, 1);
    return group;
}

QWidget* CInteractForm::BuildTemplateGroup() {
    auto* group = new QGroupBox(QStringLiteral("Logging Templates"), this);
    auto* grid = new QGridLayout(group);
    m_templatePath = ShownLine(group, "templatePath");
    auto* saveAs = FormButton("Save As...", "templateSaveAs", group);
    auto* send = FormButton("Send", "templateSend", group);
    auto* browse = FormButton("Browse...", "templateBrowse", group);
    m_templateName = ShownLine(group, "templateName");
    m_controls[Index(InteractControl::TemplateSaveAs)] = saveAs;
    m_controls[Index(InteractControl::TemplateSend)] = send;
    m_controls[Index(InteractControl::TemplateBrowse)] = browse;
    connect(saveAs, &QPushButton::clicked, this, [this] { m_logic.SaveTemplate(); });
    connect(send, &QPushButton::clicked, this, [this] { m_logic.SendTemplate(); });
    connect(browse, &QPushButton::clicked, this, [this] { m_logic.BrowseTemplate(); });
    grid->addWidget(m_templatePath, 0, 0, 1, 3);
    grid->addWidget(saveAs, 1, 0);
    grid->addWidget(send, 1, 1);
    grid->addWidget(browse, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Template in the Orvo:"), group), 2, 0, 1, 3);
    grid->addWidget(m_templateName, 3, 0, 1, 3);
    grid->setRowStretch(4, 1);
    return group;
}

QWidget* CInteractForm::BuildSerialGroup() {
    auto* group = new QGroupBox(QStringLiteral("Serial Number"), this);
    m_serialGroup = group;
    auto* grid = new QGridLayout(group);
    m_serialNumber = ShownLine(group, "serialNumber");
    m_serialEntry = new QLineEdit(group);
    m_serialEntry->setObjectName(QStringLiteral("serialEntry"));
    m_serialEntry->setMaxLength(11);
    m_serialSet = FormButton("Set", "serialSet", group);
    connect(m_serialSet, &QPushButton::clicked, this,
            [this] { m_logic.SetSerialNumber(m_serialEntry->text().toStdString()); });
    grid->addWidget(m_serialNumber, 0, 0, 1, 2);
    grid->addWidget(m_serialEntry, 1, 0);
    grid->addWidget(m_serialSet, 1, 1);
    return group;
}

QWidget* CInteractForm::BuildConfigurationGroup() {
    auto* group = new QGroupBox(QStringLiteral("Configuration Values"), this);
    auto* row = new QHBoxLayout(group);
    auto* exportButton = FormButton("Export...", "export", group);
    auto* importButton = FormButton("Import...", "import", group);
    m_controls[Index(InteractControl::Export)] = exportButton;
    m_controls[Index(InteractControl::Import)] = importButton;
    connect(exportButton, &QPushButton::clicked, this, [this] { m_logic.Export(); });
    connect(importButton, &QPushButton::clicked, this, [this] { m_logic.Import(); });
    row->addWidget(exportButton);
    row->addWidget(importButton);
    return group;
}

QPushButton* CInteractForm::ControlButton(InteractControl control) const {
    if (control == InteractControl::SerialEntry)
        return m_serialSet;
    return qobject_cast<QPushButton*>(m_controls[Index(control)]);
}

QSize CInteractForm::sizeHint() const {
    // Wide enough for the list's columns up to the description, tall enough for a screenful of rows.
    const QFontMetrics metrics = fontMetrics();
    return QWidget::sizeHint().expandedTo(
        QSize(metrics.horizontalAdvance(QLatin1Char('M')) * 80, metrics.height() * 48));
}

void CInteractForm::OnInitialUpdate() {
    m_logic.InitialUpdate();
}

void CInteractForm::ShowConnection(bool connected) {
    m_connection->setText(connected ? QStringLiteral("Connected") : QStringLiteral("Not Connected"));
    SetTextColour(m_connection, connected ? kDarkGreen : kDarkRed);
}

void CInteractForm::ShowSerialNumber(const std::string& text) {
    m_serialNumber->setText(FromStd(text));
}

void CInteractForm::EnableSerialGroup(bool enabled) {
    m_serialGroup->setEnabled(enabled);
}

void CInteractForm::CreateColumns() {
    QStringList headings;
    for (const RegisterListColumn& column : REGISTER_LIST_COLUMN_SPECS)
        headings << QString::fromLatin1(column.heading);
    m_list->setHeaderLabels(headings);
    for (int i = 0; i < REGISTER_LIST_COLUMNS; ++i)
        m_list->setColumnWidth(i, REGISTER_LIST_COLUMN_SPECS[size_t(i)].width);
}

void CInteractForm::ClearRows() {
    const QSignalBlocker block(m_list); // an emptied list selects nothing new
    m_list->clear();
}

void CInteractForm::AppendRow(int number, const RegisterRow& texts) {
    auto* item = new QTreeWidgetItem;
    item->setData(0, Qt::UserRole, number);
    for (int i = 0; i < REGISTER_LIST_COLUMNS; ++i)
        item->setText(i, FromStd(texts[size_t(i)]));
    const QSignalBlocker block(m_list);
    m_list->addTopLevelItem(item);
}

void CInteractForm::UpdateRow(int row, const RegisterRow& texts) {
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (!item)
        return;
    for (int i = 0; i < REGISTER_LIST_COLUMNS; ++i) {
        const QString text = FromStd(texts[size_t(i)]);
        if (item->text(i) != text)
            item->setText(i, text);
    }
}

void CInteractForm::FitColumns() {
    for (int i = 0; i < REGISTER_LIST_COLUMNS; ++i) {
        m_list->resizeColumnToContents(i);
        if (m_list->columnWidth(i) < REGISTER_LIST_MIN_WIDTH)
            m_list->setColumnWidth(i, REGISTER_LIST_MIN_WIDTH);
    }
}

void CInteractForm::ShowDetail(const RegisterDetail& detail, bool withValue) {
    for (QLabel* name : m_names)
        name->setText(FromStd(detail.name));
    for (QLabel* units : m_units)
        units->setText(FromStd(detail.units));
    if (withValue)
        m_value->setText(FromStd(detail.value));
    m_type->setCurrentIndex(detail.loggingType);
    m_interval->setText(FromStd(detail.interval));
    m_delta->setText(FromStd(detail.delta));
}

void CInteractForm::BlankDetail(const std::string& text, bool loggingFields) {
    const QString blank = FromStd(text);
    for (QLabel* name : m_names)
        name->setText(blank);
    for (QLabel* units : m_units)
        units->setText(blank);
    m_value->setText(blank);
    if (loggingFields) {
        m_interval->setText(blank);
        m_delta->setText(blank);
    }
}

bool CInteractForm::ValueEditBusy() const {
    return m_value->hasFocus() || m_value->isModified();
}

void CInteractForm::ReleaseValueEdit() {
    m_value->setModified(false);
}

void CInteractForm::SetValueReadOnly(bool readOnly) {
    m_value->setReadOnly(readOnly);
}

void CInteractForm::FocusValueEdit() {
    m_value->setFocus(Qt::OtherFocusReason);
    m_value->selectAll();
}

void CInteractForm::SetProgress(int maximum, int position) {
    m_progress->setRange(0, std::max(maximum, 1));
    m_progress->setValue(position);
}

void CInteractForm::EnableControls(const InteractControls& enabled) {
    for (size_t i = 0; i < INTERACT_CONTROL_COUNT; ++i)
        if (m_controls[i])
            m_controls[i]->setEnabled(enabled[i]);
    const bool entry = enabled[Index(InteractControl::SerialEntry)];
    m_serialEntry->setEnabled(entry);
    m_serialSet->setEnabled(entry);
}

void CInteractForm::ShowTemplateName(const std::string& text) {
    m_templateName->setText(FromStd(text));
}

void CInteractForm::ShowTemplatePath(const std::string& path) {
    m_templatePath->setText(FromStd(path));
}

std::string CInteractForm::AskTemplateSavePath() {
    return AskFile(this, QFileDialog::AcceptSave, QStringLiteral("Save As"),
                   QStringLiteral("Template Files (*.QLT *.qlt)"), QStringLiteral("qlt"));
}

std::string CInteractForm::AskTemplateOpenPath() {
    return AskFile(this, QFileDialog::AcceptOpen, QStringLiteral("Open"),
                   QStringLiteral("Logging Templates (*.qlt *.QLT)"), QStringLiteral("qlt"),
                   QCoreApplication::applicationDirPath());
}

std::string CInteractForm::AskExportPath(const std::string& proposedName) {
    return AskFile(this, QFileDialog::AcceptSave, QStringLiteral("Save As"),
                   QStringLiteral("Configuration Settings (*.xfg)"), QStringLiteral("xfg"),
                   FromStd(proposedName));
}

std::string CInteractForm::AskImportPath() {
    return AskFile(this, QFileDialog::AcceptOpen, QStringLiteral("Open"),
                   QStringLiteral("Configuration Settings (*.xfg);;All Files (*)"), QStringLiteral("xfg"));
}

void CInteractForm::ExportReady() {
    // The link thread waits while this update is handled: the save dialog comes after it.
    QPointer<CInteractForm> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self)
            self->m_logic.FinishExport();
    });
}

std::vector<int> CInteractForm::ListedRegisters() const {
    std::vector<int> rows;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        rows.push_back(m_list->topLevelItem(i)->data(0, Qt::UserRole).toInt());
    return rows;
}

int CInteractForm::PrintTo(QPagedPaintDevice& device) const {
    return RegisterListPrint::Print(device, Doc().Registers(), ListedRegisters());
}

void CInteractForm::Print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape); // room for the descriptions
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        PrintTo(printer);
}

void CInteractForm::PrintPreview() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog dialog(&printer, this);
    dialog.resize(900, 700);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintTo(*p); });
    dialog.exec();
}

} // namespace orvo
