#include "forms/CK0Form.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "SimMonitor.h"
#include "app/DemoMonitor.h"
#include "app/DocumentSession.h"
#include "dialogs/CDateSelectionDlg.h"
#include "dialogs/CProcedureNumbersDlg.h"
#include "platform/Clock.h"

namespace orvo {

namespace {

using K0 = K0Logic;
using Column = K0Logic::Column;

constexpr const char* kWeightPrompt = "Please perform the following steps:\n - Remove the mass transducer\n";
constexpr const char* kModifyMass = "Modify Mass";

QLabel* Value(QWidget* parent, const char* longest) {
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QString::fromUtf8(longest)) + 8);
    return label;
}

QLabel* Bold(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// "CSV Files|*.CSV|All Files|*.*||" as the desktop's dialog takes it: "CSV Files (*.CSV);;All Files (*.*)".
QString DialogFilter(const char* filter) {
    const QStringList parts = QString::fromLatin1(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    return filters.join(QStringLiteral(";;"));
}

} // namespace

CK0Form::CK0Form(const FormContext& context, QWidget* parent) : CProcedureForm(context, parent) {
    setObjectName(QStringLiteral("k0Form"));
    const bool audit = context.session.Selectors().k0Mode == 0;
    m_logic = &MakeProcedure<K0>(audit);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    auto* statusGroup = new QGroupBox(QString::fromStdString(m_logic->Name() + " Status"), this);
    Bind(K0::STATUS_GROUP, statusGroup);
    auto* statusLayout = new QVBoxLayout(statusGroup);
    QLabel* status = Value(statusGroup, "Waiting for the air heater temperature to stabilize.  This may take "
                                        "up to 45 minutes.");
    Bind(K0::STATUS, status);
    statusLayout->addWidget(status);
    layout->addWidget(statusGroup);

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    layout->addLayout(columns);

    // Temperatures and frequency: the value now and the goal it must reach.
    auto* stabilization = new QGroupBox(QStringLiteral("Temperature && Frequency Stabilization"), this);
    auto* stabilizationGrid = new QGridLayout(stabilization);
    stabilizationGrid->addWidget(Bold(QStringLiteral("Current"), stabilization), 0, 1);
    stabilizationGrid->addWidget(Bold(QStringLiteral("Goal"), stabilization), 0, 2);
    struct Row {
        const char* caption;
        const char* current;
        const char* goal;
    };
    const Row rows[] = {{"Mass Transducer:", K0::TE_TEMP, K0::TE_GOAL},
                        {"Air Heater:", K0::AIR_TEMP, K0::AIR_GOAL},
                        {"Current Frequency:", K0::FREQUENCY, nullptr},
                        {"Avg Rate of Change:", K0::RATE, K0::RATE_GOAL}};
    for (int r = 0; r < 4; ++r) {
        stabilizationGrid->addWidget(new QLabel(QString::fromLatin1(rows[r].caption), stabilization), r + 1,
                                     0);
        QLabel* current =
            Value(stabilization, r == 3 ? "Calculating 1 minute rolling average..." : "300.123456 Hz");
        Bind(rows[r].current, current);
        stabilizationGrid->addWidget(current, r + 1, 1);
        if (rows[r].goal) {
            QLabel* goal = Value(stabilization, "0 \u00B11.00 mHz/min");
            Bind(rows[r].goal, goal);
            stabilizationGrid->addWidget(goal, r + 1, 2);
        }
    }
    left->addWidget(stabilization);

    auto* results = new QGroupBox(QStringLiteral("Results"), this);
    auto* resultsGrid = new QGridLayout(results);
    const std::pair<const char*, const char*> resultRows[] = {{"Stored K0:", K0::STORED_K0},
                                                              {"Calculated K0:", K0::CALCULATED_K0},
                                                              {"% Error:", K0::PERCENT_ERROR},
                                                              {"% Error Goal:", K0::ERROR_GOAL}};
    for (int r = 0; r < 4; ++r) {
        auto* caption = new QLabel(QString::fromLatin1(resultRows[r].first), results);
        resultsGrid->addWidget(caption, r, 0);
        QLabel* value = Value(results, "-1234.567");
        Bind(resultRows[r].second, value);
        Accompany(resultRows[r].second, caption);
        resultsGrid->addWidget(value, r, 1);
    }
    resultsGrid->setColumnStretch(2, 1);
    left->addWidget(results);

    auto* dateGroup = new QGroupBox(QStringLiteral("Date of Manufacture"), this);
    Bind(K0::DATE_GROUP, dateGroup);
    auto* dateLayout = new QHBoxLayout(dateGroup);
    QLabel* date = Value(dateGroup, "12/31/2023");
    Bind(K0::MANUFACTURE_DATE, date);
    m_update = new QPushButton(QStringLiteral("Update"), dateGroup);
    m_update->setAutoDefault(false);
    Bind(K0::UPDATE, m_update);
    connect(m_update, &QPushButton::clicked, this, &CK0Form::OnUpdateDate);
    dateLayout->addWidget(date, 1);
    dateLayout->addWidget(m_update);
    left->addWidget(dateGroup);
    left->addStretch(1);

    // The measurements of this run and of the last one kept in the instrument: F0 shows only its
    // frequency.
    const auto table = [this](QGroupBox* group, bool last) {
        auto* grid = new QGridLayout(group);
        const char* headings[] = {"Frequency (Hz)", "Mass (mg)", "K0", "% Difference"};
        QLabel* heads[4];
        for (int c = 0; c < 4; ++c) {
            heads[c] = Bold(QString::fromLatin1(headings[c]), group);
            grid->addWidget(heads[c], 0, c + 1);
        }
        if (!last)
            Bind(K0::MASS_COLUMN, heads[1]);
        for (int row = 0; row <= 4; ++row) {
            grid->addWidget(new QLabel(QStringLiteral("F%1").arg(row), group), row + 1, 0);
            for (Column column : {Column::Frequency, Column::Mass, Column::K0, Column::Difference}) {
                if (row == 0 && column != Column::Frequency)
                    continue;
                QLabel* cell = Value(group, column == Column::Frequency ? "300.123456" : "-12345.678");
                Bind(last ? K0::LastCell(row, column) : K0::Cell(row, column), cell);
                if (!last && column == Column::Mass)
                    Accompany(K0::MASS_COLUMN, cell);
                grid->addWidget(cell, row + 1, int(column) + 1);
            }
        }
    };
    auto* measurements = new QGroupBox(QStringLiteral("Measurements"), this);
    table(measurements, false);
    right->addWidget(measurements);
    auto* lastGroup = new QGroupBox(this);
    Bind(K0::LAST_GROUP, lastGroup);
    table(lastGroup, true);
    right->addWidget(lastGroup);
    right->addStretch(1);

    auto* buttons = new QHBoxLayout;
    m_modifyMass = new QPushButton(QStringLiteral("Modify Mass"), this);
    m_start = new QPushButton(QStringLiteral("Start"), this);
    m_export = new QPushButton(QStringLiteral("Export"), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Bind(K0::MODIFY_MASS, m_modifyMass);
    Bind(K0::START, m_start);
    Bind(K0::EXPORT, m_export);
    Bind(K0::CANCEL, m_cancel);
    connect(m_modifyMass, &QPushButton::clicked, this, [this] { m_logic->ModifyMass(); });
    connect(m_start, &QPushButton::clicked, this, &CK0Form::OnStart);
    connect(m_export, &QPushButton::clicked, this, &CK0Form::OnExport);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_logic->Cancel(); });
    buttons->addStretch(1);
    for (QPushButton* button : {m_modifyMass, m_start, m_export, m_cancel}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    layout->addStretch(1);
}

QLabel* CK0Form::Field(const std::string& id) const {
    return qobject_cast<QLabel*>(Bound(id));
}

void CK0Form::OnStart() {
    TakeDemoWeightsOff();
    m_logic->Start();
}

void CK0Form::OnExport() {
    const FileRequest request{true, QStringLiteral("Save As"), DialogFilter(K0::EXPORT_FILTER),
                              QString::fromLatin1(K0::EXPORT_EXTENSION),
                              QString::fromStdString(m_logic->ExportName())};
    QPointer<CK0Form> self(this);
    const QString path = Modal([&] { return m_chooser(this, request); });
    if (self && !path.isEmpty())
        m_logic->Export(path.toStdString());
}

void CK0Form::OnUpdateDate() {
    // On the heap: a form that goes while the dialog is open takes the dialog with it.
    QPointer<CDateSelectionDlg> dialog = new CDateSelectionDlg(this);
    dialog->SetTime(m_logic->ManufactureDatePreset(uint32_t(Services().clock.NowSeconds())));
    const int result = Modal([&] { return dialog->exec(); });
    if (!dialog)
        return;
    const uint32_t chosen = dialog->Time();
    delete dialog.data();
    if (result == QDialog::Accepted)
        m_logic->UpdateManufactureDate(chosen);
}

bool CK0Form::Dialog(const std::string& title, const std::string& prompt,
                     std::vector<DialogNumber>& numbers) {
    if (prompt != kModifyMass)
        return CProcedureForm::Dialog(title, prompt, numbers);
    CProcedureNumbersDlg dialog(QString::fromStdString(title), QString(), numbers, Services().messages, this);
    dialog.setWindowTitle(QString::fromLatin1(kModifyMass));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    numbers = dialog.Numbers();
    return true;
}

MessageAnswer CK0Form::Message(const std::string& title, const std::string& text, MessageIcon icon,
                               MessageButtons buttons) {
    const MessageAnswer answer = CProcedureForm::Message(title, text, icon, buttons);
    if (DemoMonitor* demo = Session().Demo()) {
        sim::SimMonitor& monitor = demo->Monitor();
        if (text == K0::INSTALL_PROMPT) {
            monitor.SetTransducerInstalled(true);
        } else if (text.rfind(kWeightPrompt, 0) == 0) {
            monitor.SetTransducerInstalled(false);
            monitor.AddWeight(DEMO_WEIGHT);
            m_demoWeights += DEMO_WEIGHT;
            monitor.SetTransducerInstalled(true);
        }
    }
    return answer;
}

void CK0Form::TakeDemoWeightsOff() {
    DemoMonitor* demo = Session().Demo();
    if (!demo || m_demoWeights == 0.0)
        return;
    demo->Monitor().AddWeight(-m_demoWeights);
    m_demoWeights = 0.0;
}

bool CK0Form::OnLeave() {
    const bool closed = CProcedureForm::OnLeave();
    TakeDemoWeightsOff();
    return closed;
}

} // namespace orvo
