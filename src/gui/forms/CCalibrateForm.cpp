#include "forms/CCalibrateForm.h"

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

using Leak = LeakCheckLogic;

QLabel* Line(QWidget* parent, const char* longest) {
    auto* line = new QLabel(parent);
    line->setTextInteractionFlags(Qt::TextSelectableByMouse);
    line->setMinimumWidth(line->fontMetrics().horizontalAdvance(QString::fromLatin1(longest)) + 8);
    return line;
}

} // namespace

CCalibrateForm::CCalibrateForm(const FormContext& context, QWidget* parent)
    : CProcedureForm(context, parent) {
    setObjectName(QStringLiteral("calibrateForm"));
    m_logic = &MakeProcedure<Leak>();

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    auto* routines = new QGroupBox(QStringLiteral("Leak Check Routines"), this);
    auto* routinesLayout = new QHBoxLayout(routines);
    m_samplePath = new QPushButton(QStringLiteral("Leak Check Sample Path"), routines);
    m_case = new QPushButton(QStringLiteral("Leak Check Case"), routines);
    for (QPushButton* button : {m_samplePath, m_case}) {
        button->setAutoDefault(false);
        routinesLayout->addWidget(button);
    }
    Bind(Leak::SAMPLE_PATH, m_samplePath);
    Bind(Leak::CASE, m_case);
    connect(m_samplePath, &QPushButton::clicked, this, [this] { m_logic->StartSamplePath(); });
    connect(m_case, &QPushButton::clicked, this, [this] { m_logic->StartCase(); });
    layout->addWidget(routines);

    // The longest texts either line shows.
    m_status = Line(this, "Leak rate could not be determined, leak check failed!");
    m_pressure = Line(this, "Minimum pressure not obtained, leak check failed!");
    Bind(Leak::STATUS, m_status);
    Bind(Leak::PRESSURE, m_pressure);
    layout->addWidget(m_status);
    layout->addWidget(m_pressure);

    auto* buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    Bind(Leak::OK, m_ok);
    connect(m_ok, &QPushButton::clicked, this, [this] { m_logic->Ok(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_logic->Cancel(); });
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    layout->addStretch(1);
}

MessageAnswer CCalibrateForm::Message(const std::string& title, const std::string& text, MessageIcon icon,
                                      MessageButtons buttons) {
    const MessageAnswer answer = CProcedureForm::Message(title, text, icon, buttons);
    if (DemoMonitor* demo = Session().Demo()) {
        if (text == Leak::PLUG_PROMPT)
            demo->Monitor().SetInlet(sim::SimInlet::Plugged);
        else if (text == Leak::ATTACH_PROMPT)
            demo->Monitor().SetInlet(sim::SimInlet::CaseAdapter);
    }
    return answer;
}

bool CCalibrateForm::OnLeave() {
    const bool closed = CProcedureForm::OnLeave();
    if (DemoMonitor* demo = Session().Demo())
        demo->Monitor().SetInlet(sim::SimInlet::Open);
    return closed;
}

} // namespace orvo
