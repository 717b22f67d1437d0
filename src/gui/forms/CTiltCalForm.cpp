#include "forms/CTiltCalForm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "SimMonitor.h"
#include "app/DemoMonitor.h"
#include "app/DocumentSession.h"

namespace orvo {

namespace {

using Tilt = TiltCalLogic;

QLabel* Value(QWidget* parent, const char* longest) {
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QString::fromUtf8(longest)) + 8);
    return label;
}

struct Row {
    const char* caption; // fixed, or empty when the procedure names the row
    const char* id;
    const char* longest; // the widest text the value shows
};

} // namespace

CTiltCalForm::CTiltCalForm(const FormContext& context, QWidget* parent) : CProcedureForm(context, parent) {
    setObjectName(QStringLiteral("tiltCalForm"));
    const bool audit = context.session.Selectors().tiltMode == 0;
    m_logic = &MakeProcedure<Tilt>(audit);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    auto* statusGroup = new QGroupBox(QString::fromStdString(m_logic->Name() + " Status"), this);
    Bind(Tilt::STATUS_GROUP, statusGroup);
    auto* statusLayout = new QVBoxLayout(statusGroup);
    QLabel* status = Value(statusGroup, "Waiting for frequency to stabilize.  This may take up to 7 "
                                        "minutes. Do not move the Orvo.");
    Bind(Tilt::STATUS, status);
    statusLayout->addWidget(status);
    layout->addWidget(statusGroup);

    const auto fill = [this](QGroupBox* group, std::initializer_list<Row> rows) {
        auto* grid = new QGridLayout(group);
        int r = 0;
        for (const Row& row : rows) {
            auto* caption = new QLabel(QString::fromLatin1(row.caption), group);
            grid->addWidget(caption, r, 0);
            QLabel* value = Value(group, row.longest);
            Bind(row.id, value);
            grid->addWidget(value, r, 1);
            ++r;
        }
        grid->setRowStretch(r, 1);
        return grid;
    };
    auto* middle = new QHBoxLayout;
    auto* stabilization = new QGroupBox(QStringLiteral("Stabilization"), this);
    fill(stabilization, {{"TE Temperature:", Tilt::TE_TEMP, "-123.456 \u00B0C"},
                         {"Temperature Goal:", Tilt::TE_GOAL, "45.8 to 46.2 \u00B0C"},
                         {"Current Frequency:", Tilt::FREQUENCY, "300.123456 Hz"},
                         {"Avg Rate of Change:", Tilt::RATE, "Calculating 1 minute rolling average..."},
                         {"Avg Rate of Change Goal:", Tilt::RATE_GOAL, "0 \u00B11.00 mHz/min"},
                         {"Tilt Z Duty Cycle:", Tilt::TILT_DUTY, "100.00 %"}});
    middle->addWidget(stabilization);

    auto* results = new QGroupBox(QStringLiteral("Results"), this);
    QGridLayout* resultGrid = fill(results, {{"", Tilt::REJECT_MAX, "-123.456 mHz"},
                                             {"", Tilt::REJECT_MIN, "-123.456789012"},
                                             {"TILT CORRECT MAX", Tilt::CORRECT_MAX, "-123.456789012"},
                                             {"TILT CORRECT MIN", Tilt::CORRECT_MIN, "-123.456789012"},
                                             {"TILT CORRECT A", Tilt::CORRECT_A, "-123.456789012"},
                                             {"TILT CORRECT B", Tilt::CORRECT_B, "-123.456789012"}});
    // The audit shows its difference and goal in the first two rows, under captions of its own.
    for (int r = 0; r < 2; ++r) {
        auto* caption = qobject_cast<QLabel*>(resultGrid->itemAtPosition(r, 0)->widget());
        caption->setMinimumWidth(
            caption->fontMetrics().horizontalAdvance(QStringLiteral("Average Difference Goal:")));
        Bind(r == 0 ? Tilt::REJECT_MAX_LABEL : Tilt::REJECT_MIN_LABEL, caption);
    }
    middle->addWidget(results);
    layout->addLayout(middle);

    auto* buttons = new QHBoxLayout;
    m_restart = new QPushButton(QStringLiteral("Restart"), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_restart->setObjectName(QStringLiteral("restart"));
    Bind(Tilt::CANCEL, m_cancel);
    connect(m_restart, &QPushButton::clicked, this, [this] { m_logic->Restart(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_logic->Cancel(); });
    buttons->addStretch(1);
    for (QPushButton* button : {m_restart, m_cancel}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    layout->addStretch(1);
}

QLabel* CTiltCalForm::Field(const char* id) const {
    return qobject_cast<QLabel*>(Bound(id));
}

MessageAnswer CTiltCalForm::Message(const std::string& title, const std::string& text, MessageIcon icon,
                                    MessageButtons buttons) {
    const MessageAnswer answer = CProcedureForm::Message(title, text, icon, buttons);
    if (DemoMonitor* demo = Session().Demo()) {
        sim::SimMonitor& monitor = demo->Monitor();
        if (text == Tilt::INSTALL_PROMPT)
            monitor.SetTransducerInstalled(true);
        else if (text == Tilt::UPRIGHT_PROMPT)
            monitor.SetOrientation(sim::SimOrientation::Upright);
        else if (text == Tilt::SIDE_PROMPT)
            monitor.SetOrientation(sim::SimOrientation::Side);
    }
    return answer;
}

bool CTiltCalForm::OnLeave() {
    const bool closed = CProcedureForm::OnLeave();
    if (DemoMonitor* demo = Session().Demo())
        demo->Monitor().SetOrientation(sim::SimOrientation::Upright);
    return closed;
}

} // namespace orvo
