#include "forms/CFlowCalForm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "SimMonitor.h"
#include "app/DemoMonitor.h"
#include "app/DocumentSession.h"
#include "platform/Format.h"

namespace orvo {

namespace {

using Flow = FlowCalLogic;

QLabel* Value(QWidget* parent, const char* longest) {
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QString::fromUtf8(longest)) + 8);
    return label;
}

// How often the demo's flow meter is read, in real time, while the procedure reads nothing.
constexpr int kMeterMs = 250;

} // namespace

CFlowCalForm::CFlowCalForm(const FormContext& context, QWidget* parent) : CProcedureForm(context, parent) {
    setObjectName(QStringLiteral("flowCalForm"));
    m_logic = &MakeProcedure<Flow>();
    // Read-only entries look it, as on the desktop's own dialogs.
    setStyleSheet(QStringLiteral("QLineEdit[readOnly=\"true\"] { background: palette(window); }"));

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    auto* statusGroup = new QGroupBox(QStringLiteral("Flow Calibration Status"), this);
    auto* statusLayout = new QVBoxLayout(statusGroup);
    m_status = Value(statusGroup, "Waiting for temperature to stabilize.  This may take up to 45 minutes.");
    Bind(Flow::STATUS, m_status);
    statusLayout->addWidget(m_status);
    layout->addWidget(statusGroup);

    auto* middle = new QHBoxLayout;
    auto* temperature = new QGroupBox(QStringLiteral("Temperature"), this);
    auto* temperatureGrid = new QGridLayout(temperature);
    const std::pair<const char*, const char*> temperatures[] = {{"Air Heater:", Flow::AIR_TEMP},
                                                                {"TE Heater:", Flow::TE_TEMP}};
    for (int row = 0; row < 2; ++row) {
        temperatureGrid->addWidget(new QLabel(QString::fromLatin1(temperatures[row].first), temperature), row,
                                   0);
        QLabel* value = Value(temperature, "-123.4 \u00B0C");
        Bind(temperatures[row].second, value);
        temperatureGrid->addWidget(value, row, 1);
    }
    middle->addWidget(temperature);

    auto* pump = new QGroupBox(QStringLiteral("Pump Speed"), this);
    auto* pumpLayout = new QHBoxLayout(pump);
    auto* speed = new QLineEdit(pump);
    speed->setReadOnly(true);
    speed->setFocusPolicy(Qt::NoFocus);
    speed->setAlignment(Qt::AlignRight);
    speed->setFixedWidth(speed->fontMetrics().horizontalAdvance(QStringLiteral("100.0 %")) + 16);
    Bind(Flow::PUMP_SPEED, speed);
    pumpLayout->addWidget(speed);
    // The spin control: one step is half a percent of duty cycle.
    auto* spin = new QWidget(pump);
    auto* arrows = new QVBoxLayout(spin);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    m_up = new QToolButton(spin);
    m_down = new QToolButton(spin);
    m_up->setObjectName(QStringLiteral("pumpSpinUp"));
    m_down->setObjectName(QStringLiteral("pumpSpinDown"));
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {m_up, m_down}) {
        arrow->setAutoRepeat(true);
        arrow->setFixedSize(20, 13);
        arrows->addWidget(arrow);
    }
    Bind(Flow::SPIN, spin);
    connect(m_up, &QToolButton::clicked, this, [this] { m_logic->OnSpin(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { m_logic->OnSpin(-1); });
    pumpLayout->addWidget(spin);
    middle->addWidget(pump);

    auto* constants = new QGroupBox(QStringLiteral("Calibration Constants"), this);
    auto* constantsGrid = new QGridLayout(constants);
    const std::pair<const char*, const char*> constantRows[] = {{"A:", Flow::CONST_A}, {"B:", Flow::CONST_B}};
    for (int row = 0; row < 2; ++row) {
        constantsGrid->addWidget(new QLabel(QString::fromLatin1(constantRows[row].first), constants), row, 0);
        QLabel* value = Value(constants, "-0.000123456");
        Bind(constantRows[row].second, value);
        constantsGrid->addWidget(value, row, 1);
    }
    middle->addWidget(constants);
    layout->addLayout(middle);

    auto* flow = new QGroupBox(QStringLiteral("Flow"), this);
    auto* flowGrid = new QGridLayout(flow);
    const std::pair<const char*, const char*> entries[] = {{"No Restriction:", Flow::NO_RESTRICTION},
                                                           {"Orifice 1:", Flow::ORIFICE_1},
                                                           {"Orifice 2:", Flow::ORIFICE_2}};
    for (int row = 0; row < 3; ++row) {
        flowGrid->addWidget(new QLabel(QString::fromLatin1(entries[row].first), flow), row, 0);
        auto* entry = new QLineEdit(flow);
        entry->setReadOnly(true);
        entry->setFixedWidth(entry->fontMetrics().horizontalAdvance(QStringLiteral("0.000000")) + 16);
        Bind(entries[row].second, entry);
        connect(entry, &QLineEdit::returnPressed, this, &CFlowCalForm::OnApply);
        m_entries[size_t(row)] = entry;
        flowGrid->addWidget(entry, row, 1);
        flowGrid->addWidget(new QLabel(QStringLiteral("L/min"), flow), row, 2);
    }
    flowGrid->setColumnStretch(3, 1);
    if (Session().Demo()) {
        flowGrid->addWidget(new QLabel(QStringLiteral("Flow meter (demo):"), flow), 3, 0);
        m_meter = Value(flow, "0.000 L/min");
        m_meter->setObjectName(QStringLiteral("demoFlowMeter"));
        flowGrid->addWidget(m_meter, 3, 1, 1, 2);
        m_meterTimer = new QTimer(this);
        connect(m_meterTimer, &QTimer::timeout, this, &CFlowCalForm::ShowDemoFlow);
        m_meterTimer->start(kMeterMs);
        ShowDemoFlow();
    }
    layout->addWidget(flow);

    auto* buttons = new QHBoxLayout;
    m_apply = new QPushButton(QStringLiteral("Apply"), this);
    m_restart = new QPushButton(QStringLiteral("Restart"), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_restart->setObjectName(QStringLiteral("restart"));
    m_cancel->setObjectName(QStringLiteral("cancel"));
    Bind(Flow::APPLY, m_apply);
    connect(m_apply, &QPushButton::clicked, this, &CFlowCalForm::OnApply);
    connect(m_restart, &QPushButton::clicked, this, [this] { m_logic->Restart(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_logic->Cancel(); });
    buttons->addStretch(1);
    for (QPushButton* button : {m_apply, m_restart, m_cancel}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    layout->addStretch(1);
}

void CFlowCalForm::SetText(const std::string& field, const std::string& text, TextTone tone) {
    if (field == Flow::NO_BUTTON)
        m_noLabel = text;
    else
        CProcedureForm::SetText(field, text, tone);
}

void CFlowCalForm::SetEnabled(const std::string& control, bool enabled) {
    auto* entry = qobject_cast<QLineEdit*>(Bound(control));
    if (!entry || control == Flow::PUMP_SPEED) {
        CProcedureForm::SetEnabled(control, enabled);
        return;
    }
    entry->setReadOnly(!enabled);
    entry->style()->unpolish(entry);
    entry->style()->polish(entry);
}

void CFlowCalForm::OnApply() {
    int step = -1;
    switch (m_logic->State()) {
    case Flow::NO_RESTRICTION_ENTRY:
        step = 0;
        break;
    case Flow::ORIFICE_1_ENTRY:
        step = 1;
        break;
    case Flow::ORIFICE_2_ENTRY:
        step = 2;
        break;
    default:
        return;
    }
    QPointer<CFlowCalForm> self(this);
    m_applying = true;
    m_logic->Apply(m_entries[size_t(step)]->text().toStdString());
    if (self)
        m_applying = false;
}

MessageAnswer CFlowCalForm::Message(const std::string& title, const std::string& text, MessageIcon icon,
                                    MessageButtons buttons) {
    // Apply's questions only: keeping the new constants is a plain Yes or No.
    const MessageAnswer answer =
        m_applying && buttons == MessageButtons::YesNo
            ? Services().messages.ShowLabelled(text, title, icon, buttons, {{}, m_noLabel})
            : CProcedureForm::Message(title, text, icon, buttons);
    if (DemoMonitor* demo = Session().Demo()) {
        sim::SimMonitor& monitor = demo->Monitor();
        if (text == Flow::INSTALL_PROMPT)
            monitor.SetTransducerInstalled(true);
        else if (text == Flow::CONNECT_PROMPT)
            monitor.SetOrifice(sim::SimOrifice::None);
        else if (text == Flow::BLACK_ORIFICE_PROMPT)
            monitor.SetOrifice(sim::SimOrifice::Black);
        else if (text == Flow::RED_ORIFICE_PROMPT)
            monitor.SetOrifice(sim::SimOrifice::Red);
    }
    return answer;
}

void CFlowCalForm::OnUpdate(uint32_t hint, intptr_t value) {
    CProcedureForm::OnUpdate(hint, value);
    // As fresh as the procedure's own readings.
    if (m_meter)
        ShowDemoFlow();
}

void CFlowCalForm::ShowDemoFlow() {
    if (DemoMonitor* demo = Session().Demo())
        m_meter->setText(QString::fromStdString(FormatFixed(demo->Monitor().ReferenceFlow(), 3) + " L/min"));
}

bool CFlowCalForm::OnLeave() {
    const bool closed = CProcedureForm::OnLeave();
    if (m_meterTimer)
        m_meterTimer->stop();
    if (DemoMonitor* demo = Session().Demo())
        demo->Monitor().SetOrifice(sim::SimOrifice::None);
    return closed;
}

} // namespace orvo
