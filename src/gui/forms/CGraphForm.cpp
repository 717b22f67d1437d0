#include "forms/CGraphForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "app/DocumentSession.h"
#include "frame/CChildFrame.h"
#include "ui/StripChart.h"

namespace orvo {

namespace {

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QLineEdit* NumberField(QWidget* parent, const char* name, const QString& widest) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(widest) + 16);
    return field;
}

} // namespace

CGraphForm::CGraphForm(const FormContext& context, QWidget* parent)
    : CFormView(context, parent), m_logic(context.session.Doc(), context.session.Doc().Link(), *this),
      m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("graphForm"));
    auto* layout = new QHBoxLayout(this);
    m_chart = new StripChart(this);
    m_chart->setObjectName(QStringLiteral("chart"));
    connect(m_chart, &StripChart::ZoomDragged, this,
            [this](double y0, double y1, double top, double height) { m_logic.Zoom(y0, y1, top, height); });
    layout->addWidget(m_chart, 1);
    layout->addWidget(BuildControls());
    connect(m_timer, &QTimer::timeout, this, [this] { m_logic.OnTimerTick(); });
}

CGraphForm::~CGraphForm() = default;

QWidget* CGraphForm::BuildControls() {
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);

    auto* sampling = new QGridLayout;
    m_history = NumberField(panel, "history", QStringLiteral("00000"));
    m_update = NumberField(panel, "update", QStringLiteral("000000.0"));
    auto* historyLabel = new QLabel(QStringLiteral("History"), panel);
    historyLabel->setBuddy(m_history);
    auto* updateLabel = new QLabel(QStringLiteral("Update"), panel);
    updateLabel->setBuddy(m_update);
    sampling->addWidget(historyLabel, 0, 0);
    sampling->addWidget(m_history, 0, 1);
    sampling->addWidget(new QLabel(QStringLiteral("points"), panel), 0, 2);
    sampling->addWidget(updateLabel, 1, 0);
    sampling->addWidget(m_update, 1, 1);
    sampling->addWidget(new QLabel(QStringLiteral("sec"), panel), 1, 2);
    sampling->setColumnStretch(3, 1);
    column->addLayout(sampling);
    connect(m_history, &QLineEdit::editingFinished, this,
            [this] { m_logic.SetHistoryText(m_history->text().toStdString()); });
    connect(m_update, &QLineEdit::editingFinished, this,
            [this] { m_logic.SetUpdateText(m_update->text().toStdString()); });

    auto* axis = new QGroupBox(panel);
    auto* axisGrid = new QGridLayout(axis);
    m_autoScale = new QCheckBox(QStringLiteral("Y Axis Scale"), axis);
    m_autoScale->setObjectName(QStringLiteral("autoScale"));
    m_autoScale->setToolTip(
        QStringLiteral("Checked: the value axis follows the data. Drag on the chart to zoom."));
    m_maximum = NumberField(axis, "axisMaximum", QStringLiteral("-000000.000000"));
    m_minimum = NumberField(axis, "axisMinimum", QStringLiteral("-000000.000000"));
    for (QLineEdit* field : {m_maximum, m_minimum})
        field->installEventFilter(this);
    axisGrid->addWidget(m_autoScale, 0, 0, 1, 2);
    axisGrid->addWidget(new QLabel(QStringLiteral("Max"), axis), 1, 0);
    axisGrid->addWidget(m_maximum, 1, 1);
    axisGrid->addWidget(new QLabel(QStringLiteral("Min"), axis), 2, 0);
    axisGrid->addWidget(m_minimum, 2, 1);
    column->addWidget(axis);
    connect(m_autoScale, &QCheckBox::clicked, this, [this](bool on) { m_logic.SetAutoScale(on); });
    connect(m_maximum, &QLineEdit::editingFinished, this,
            [this] { m_logic.SetAxisMaximumText(m_maximum->text().toStdString()); });
    connect(m_minimum, &QLineEdit::editingFinished, this,
            [this] { m_logic.SetAxisMinimumText(m_minimum->text().toStdString()); });

    auto* log = new QGroupBox(panel);
    auto* logGrid = new QGridLayout(log);
    m_logging = new QCheckBox(QStringLiteral("Logging"), log);
    m_logging->setObjectName(QStringLiteral("logging"));
    m_logPath = new QLineEdit(log);
    m_logPath->setObjectName(QStringLiteral("logPath"));
    m_logPath->setReadOnly(true);
    auto* browse = new QPushButton(QStringLiteral("..."), log);
    browse->setObjectName(QStringLiteral("logBrowse"));
    browse->setAutoDefault(false);
    browse->setMaximumWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    logGrid->addWidget(m_logging, 0, 0, 1, 2);
    logGrid->addWidget(m_logPath, 1, 0);
    logGrid->addWidget(browse, 1, 1);
    column->addWidget(log);
    connect(m_logging, &QCheckBox::clicked, this, [this](bool on) { m_logic.SetLogging(on); });
    connect(browse, &QPushButton::clicked, this, [this] { m_logic.BrowseLogPath(); });

    m_pause = new QCheckBox(QStringLiteral("Pause chart"), panel);
    m_pause->setObjectName(QStringLiteral("pause"));
    m_pause->setToolTip(QStringLiteral("Holds the chart still; sampling and logging go on."));
    column->addWidget(m_pause);
    connect(m_pause, &QCheckBox::toggled, this, [this](bool paused) {
        if (!paused)
            Redraw();
    });

    column->addWidget(new QLabel(QStringLiteral("Add a register:"), panel));
    m_choices = new QComboBox(panel);
    m_choices->setObjectName(QStringLiteral("registerChoices"));
    m_choices->setMaxVisibleItems(20);
    column->addWidget(m_choices);
    connect(m_choices, &QComboBox::activated, this,
            [this](int index) { m_logic.AddRegister(m_choices->itemData(index).toInt()); });

    column->addWidget(new QLabel(QStringLiteral("Plotted (click one to remove it):"), panel));
    m_plotted = new QListWidget(panel);
    m_plotted->setObjectName(QStringLiteral("plotted"));
    m_plotted->setSelectionMode(QAbstractItemView::ExtendedSelection);
    column->addWidget(m_plotted, 1);
    connect(m_plotted, &QListWidget::itemSelectionChanged, this, [this] {
        std::vector<int> positions;
        for (const QModelIndex& index : m_plotted->selectionModel()->selectedRows())
            positions.push_back(index.row());
        if (!positions.empty())
            m_logic.RemoveRegisters(positions);
    });

    auto* done = new QPushButton(QStringLiteral("Done"), panel);
    done->setObjectName(QStringLiteral("done"));
    done->setAutoDefault(false);
    connect(done, &QPushButton::clicked, this, [this] { Frame().close(); });
    column->addWidget(done, 0, Qt::AlignRight);
    panel->setMaximumWidth(panel->sizeHint().width() + 40);
    return panel;
}

void CGraphForm::OnInitialUpdate() {
    m_logic.InitialUpdate();
}

QSize CGraphForm::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return QWidget::sizeHint().expandedTo(
        QSize(metrics.horizontalAdvance(QLatin1Char('M')) * 75, metrics.height() * 34));
}

bool CGraphForm::eventFilter(QObject* watched, QEvent* event) {
    // Typing a limit switches to manual scaling from where the axis stands.
    if (event->type() == QEvent::FocusIn && (watched == m_minimum || watched == m_maximum) &&
        m_logic.AutoScale())
        m_logic.BeginManualScale();
    return CFormView::eventFilter(watched, event);
}

void CGraphForm::SetTitle(const std::string& title) {
    if (!title.empty())
        Frame().setWindowTitle(FromStd(title));
}

void CGraphForm::ShowRegisterChoices(const std::vector<std::string>& names) {
    const QSignalBlocker block(m_choices);
    m_choices->clear();
    for (size_t n = 0; n < names.size(); ++n)
        m_choices->addItem(FromStd(names[n]), int(n));
    m_choices->setCurrentIndex(-1);
}

void CGraphForm::ShowHistory(const std::string& text) {
    m_history->setText(FromStd(text));
}

void CGraphForm::ShowUpdate(const std::string& seconds) {
    m_update->setText(FromStd(seconds));
}

void CGraphForm::SetAutoScaleChecked(bool checked) {
    m_autoScale->setChecked(checked);
}

void CGraphForm::ShowAxisRange(const std::string& minimum, const std::string& maximum) {
    m_minimum->setText(FromStd(minimum));
    m_maximum->setText(FromStd(maximum));
}

void CGraphForm::SetLoggingChecked(bool checked) {
    m_logging->setChecked(checked);
}

void CGraphForm::ShowLogPath(const std::string& path) {
    m_logPath->setText(FromStd(path));
}

std::string CGraphForm::AskLogPath() {
    // The log is appended to, never replaced: no question about an existing file.
    QFileDialog dialog(this, QStringLiteral("Log File"), QString(),
                       QStringLiteral("CSV Files (*.CSV *.csv);;All Files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(QStringLiteral("CSV"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first().toStdString();
}

void CGraphForm::ShowPlotted(const std::vector<std::string>& names) {
    {
        const QSignalBlocker block(m_plotted);
        m_plotted->clear();
        // The list is the chart's legend: each name beside its line's colour.
        for (size_t i = 0; i < names.size(); ++i) {
            QPixmap swatch(12, 12);
            swatch.fill(StripChart::SeriesColour(int(i)));
            m_plotted->addItem(new QListWidgetItem(QIcon(swatch), FromStd(names[i])));
        }
    }
    std::vector<QString> series;
    for (const std::string& name : names)
        series.push_back(FromStd(name));
    m_chart->SetSeriesNames(series);
}

void CGraphForm::StartTimer(uint32_t ms) {
    m_timer->start(int(ms));
}

void CGraphForm::Redraw() {
    const AxisRange axis = m_logic.Axis();
    m_chart->SetValueRange(axis.minimum, axis.maximum);
    if (m_pause->isChecked())
        return;
    std::vector<const std::deque<double>*> columns;
    for (size_t i = 0; i < m_logic.Plotted().size(); ++i)
        columns.push_back(&m_logic.Samples(i));
    m_chart->SetSamples(columns, m_logic.HistoryPoints());
}

} // namespace orvo
