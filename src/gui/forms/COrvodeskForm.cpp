#include "forms/COrvodeskForm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/DocumentSession.h"
#include "dialogs/CDateSelectionDlg.h"
#include "forms/FormFactory.h"
#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "ui/Pictures.h"

namespace orvo {

namespace {

const QColor kSilver(192, 192, 192);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kOrange(200, 100, 0);
const QColor kDarkGreen(0, 100, 0);

// Where a button leads: another form in this window, a window of its own, a dialog, or
// the clearing of the program.
enum class Target { Switch, Window, Dialog, Clear };

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QLabel* TimeField(QWidget* parent, const char* name) {
    auto* field = new QLabel(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Wide enough for the longest text it shows, at any font size and scaling.
    const int width = field->fontMetrics().horizontalAdvance(QStringLiteral("Warming 10 days, 23:59:59"));
    field->setMinimumWidth(width + 2 * field->frameWidth() + 12);
    field->setMinimumHeight(field->fontMetrics().height() + 2 * field->frameWidth() + 6);
    field->setIndent(4);
    return field;
}

} // namespace

struct COrvodeskForm::ButtonSpec {
    MainButton button;
    const char* text;
    const char* objectName;
    Target target;
    FormKind form;
};

COrvodeskForm::COrvodeskForm(const FormContext& context, QWidget* parent)
    : CFormView(context, parent), m_logic(context.session.Doc(), context.session.Doc().Link(), *this),
      m_countdown(new QTimer(this)), m_hold(new QTimer(this)) {
    setObjectName(QStringLiteral("mainStatusForm"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kSilver);
    palette.setColor(QPalette::WindowText, kBlue);
    setPalette(palette);

    static const ButtonSpec kProgram[] = {
        {MainButton::ProgramShift, "Program Shift", "programShift", Target::Switch, FormKind::Shift},
        {MainButton::ClearProgram, "Clear Program", "clearProgram", Target::Clear, FormKind::Main},
    };
    static const ButtonSpec kStandard[] = {
        {MainButton::DownloadSample, "Download Sample", "downloadSample", Target::Switch, FormKind::Download},
        {MainButton::LeakCheck, "Leak Check", "leakCheck", Target::Switch, FormKind::Calibrate},
        {MainButton::FlowCalibration, "Flow Calibration", "flowCalibration", Target::Switch,
         FormKind::FlowCal},
        {MainButton::Diagnostics, "Diagnostics", "diagnostics", Target::Switch, FormKind::Diagnostics},
        {MainButton::K0Audit, "K0 Audit", "k0Audit", Target::Switch, FormKind::K0},
        {MainButton::TiltAudit, "Tilt Audit", "tiltAudit", Target::Switch, FormKind::TiltCal},
    };
    static const ButtonSpec kAdvanced[] = {
        {MainButton::Configure, "Configure", "configure", Target::Switch, FormKind::Interact},
        {MainButton::RealTimeGraph, "Real-Time Graph", "realTimeGraph", Target::Window, FormKind::Graph},
        {MainButton::TiltCalibration, "Tilt Calibration", "tiltCalibration", Target::Switch,
         FormKind::TiltCal},
        {MainButton::BoardTest, "Board Test", "boardTest", Target::Switch, FormKind::Diagnostics},
        {MainButton::K0Calibration, "K0 Calibration", "k0Calibration", Target::Switch, FormKind::K0},
        {MainButton::ServiceDate, "Service Date", "serviceDate", Target::Dialog, FormKind::Main},
    };

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    m_banner = new SvgPicture(Picture::BannerDisconnected, this);
    m_banner->setObjectName(QStringLiteral("banner"));
    layout->addWidget(m_banner, 0, Qt::AlignHCenter);

    auto* serialRow = new QHBoxLayout;
    auto* serialLabel = new QLabel(QStringLiteral("Serial Number:"), this);
    m_serial = new QLabel(QStringLiteral("N/A"), this);
    m_serial->setObjectName(QStringLiteral("serialNumber"));
    m_serial->setTextInteractionFlags(Qt::TextSelectableByMouse);
    serialRow->addWidget(serialLabel);
    serialRow->addWidget(m_serial, 1);
    layout->addLayout(serialRow);

    auto* program = new QGroupBox(QStringLiteral("Program"), this);
    auto* programGrid = new QGridLayout(program);
    m_buttons[Index(MainButton::ProgramShift)] = MakeButton(kProgram[0], program);
    m_device = new SvgPicture(Picture::DeviceStopped, program);
    m_device->setObjectName(QStringLiteral("devicePicture"));
    m_warmup = TimeField(program, "warmupTime");
    m_sample = TimeField(program, "sampleTime");
    auto* warmupLabel = new QLabel(QStringLiteral("Warm-up Start Time"), program);
    auto* sampleLabel = new QLabel(QStringLiteral("Sample Start Time"), program);
    warmupLabel->setBuddy(m_warmup);
    sampleLabel->setBuddy(m_sample);
    m_buttons[Index(MainButton::ClearProgram)] = MakeButton(kProgram[1], program);
    m_status = new QLabel(program);
    m_status->setObjectName(QStringLiteral("statusLine"));
    // Progress dots grow the line; it is cut at the form's edge rather than widening it.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setMinimumHeight(m_status->fontMetrics().height());
    SetTextColour(m_status, kRed);

    for (MainButton b : {MainButton::ProgramShift, MainButton::ClearProgram})
        m_buttons[Index(b)]->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    programGrid->addWidget(m_buttons[Index(MainButton::ProgramShift)], 0, 0);
    programGrid->addWidget(m_device, 1, 0, 2, 1, Qt::AlignCenter);
    programGrid->addWidget(warmupLabel, 1, 1);
    programGrid->addWidget(m_warmup, 1, 2);
    programGrid->addWidget(sampleLabel, 2, 1);
    programGrid->addWidget(m_sample, 2, 2);
    programGrid->addWidget(m_buttons[Index(MainButton::ClearProgram)], 3, 0);
    programGrid->addWidget(m_status, 3, 1, 1, 2);
    programGrid->setColumnStretch(2, 1);
    layout->addWidget(program);

    auto* operations = new QHBoxLayout;
    auto* standard = new QGroupBox(QStringLiteral("Standard Operations"), this);
    auto* standardLayout = new QVBoxLayout(standard);
    for (const ButtonSpec& spec : kStandard)
        standardLayout->addWidget(m_buttons[Index(spec.button)] = MakeButton(spec, standard));
    standardLayout->addStretch(1);
    m_advancedGroup = new QGroupBox(QStringLiteral("Advanced Operations"), this);
    m_advancedGroup->setObjectName(QStringLiteral("advancedOperations"));
    auto* advancedLayout = new QVBoxLayout(m_advancedGroup);
    for (const ButtonSpec& spec : kAdvanced)
        advancedLayout->addWidget(m_buttons[Index(spec.button)] = MakeButton(spec, m_advancedGroup));
    advancedLayout->addStretch(1);
    operations->addWidget(standard, 1);
    operations->addWidget(m_advancedGroup, 1);
    layout->addLayout(operations);

    auto* bottom = new QHBoxLayout;
    m_lastService = new QLabel(this);
    m_lastService->setObjectName(QStringLiteral("lastService"));
    m_lastService->setMinimumWidth(
        m_lastService->fontMetrics().horizontalAdvance(QStringLiteral("Last Service: - -/- -/- - - -")) + 8);
    m_done = new QPushButton(QStringLiteral("Done"), this);
    m_done->setObjectName(QStringLiteral("done"));
    connect(m_done, &QPushButton::clicked, this, [this] {
        if (m_logic.AcceptDone())
            Frame().close();
    });
    bottom->addWidget(m_lastService, 1);
    bottom->addWidget(m_done);
    layout->addLayout(bottom);

    m_advanced[Index(AdvancedControl::Group)] = m_advancedGroup;
    m_advanced[Index(AdvancedControl::Configure)] = Button(MainButton::Configure);
    m_advanced[Index(AdvancedControl::BoardTest)] = Button(MainButton::BoardTest);
    m_advanced[Index(AdvancedControl::RealTimeGraph)] = Button(MainButton::RealTimeGraph);
    m_advanced[Index(AdvancedControl::K0Calibration)] = Button(MainButton::K0Calibration);
    m_advanced[Index(AdvancedControl::TiltCalibration)] = Button(MainButton::TiltCalibration);
    m_advanced[Index(AdvancedControl::ServiceDate)] = Button(MainButton::ServiceDate);

    // Reading order: the program buttons, the standard column, the advanced column, Done.
    QWidget* previous = Button(MainButton::ProgramShift);
    for (MainButton next :
         {MainButton::ClearProgram, MainButton::DownloadSample, MainButton::LeakCheck,
          MainButton::FlowCalibration, MainButton::Diagnostics, MainButton::K0Audit, MainButton::TiltAudit,
          MainButton::Configure, MainButton::RealTimeGraph, MainButton::TiltCalibration,
          MainButton::BoardTest, MainButton::K0Calibration, MainButton::ServiceDate}) {
        setTabOrder(previous, Button(next));
        previous = Button(next);
    }
    setTabOrder(previous, m_done);

    m_countdown->setInterval(1000);
    connect(m_countdown, &QTimer::timeout, this, [this] { m_logic.OnTimerTick(); });
    m_hold->setSingleShot(true);
    connect(m_hold, &QTimer::timeout, this, [this] { m_logic.OnStatusHoldEnded(); });

    SetButtonsEnabled(ButtonStates{});
    SetAdvancedVisibility(AllAdvanced(false));
}

COrvodeskForm::~COrvodeskForm() = default;

QPushButton* COrvodeskForm::MakeButton(const ButtonSpec& spec, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(spec.text), parent);
    button->setObjectName(QString::fromLatin1(spec.objectName));
    button->setAutoDefault(false);
    const bool available =
        spec.target == Target::Clear || spec.target == Target::Dialog || FormAvailable(spec.form);
    if (!available) {
        button->setToolTip(QStringLiteral("Not available yet"));
        return button; // present and enabled by the rules, but it leads nowhere so far
    }
    const MainButton which = spec.button;
    const Target target = spec.target;
    const FormKind form = spec.form;
    connect(button, &QPushButton::clicked, this, [this, which, target, form] {
        switch (target) {
        case Target::Clear:
            m_logic.ClearProgram();
            return;
        case Target::Dialog:
            OnServiceDate();
            return;
        case Target::Window:
            if (m_logic.AcceptPress(which))
                Frame().MainFrame().OpenWindow(Session(), form);
            return;
        case Target::Switch:
            OnPressed(which);
            return;
        }
    });
    return button;
}

void COrvodeskForm::OnPressed(MainButton button) {
    if (!m_logic.AcceptPress(button))
        return;
    FormSelectors& selectors = Session().Selectors();
    FormKind target = FormKind::Main;
    switch (button) {
    case MainButton::ProgramShift:
        target = FormKind::Shift;
        break;
    case MainButton::DownloadSample:
        target = FormKind::Download;
        break;
    case MainButton::Configure:
        selectors.enteredFromConfigure = true;
        target = FormKind::Interact;
        break;
    case MainButton::LeakCheck:
        target = FormKind::Calibrate;
        break;
    case MainButton::Diagnostics:
    case MainButton::BoardTest:
        selectors.diagnosticsMode = button == MainButton::BoardTest ? 1 : 0;
        target = FormKind::Diagnostics;
        break;
    case MainButton::K0Audit:
    case MainButton::K0Calibration:
        selectors.k0Mode = button == MainButton::K0Calibration ? 1 : 0;
        target = FormKind::K0;
        break;
    case MainButton::TiltCalibration:
    case MainButton::TiltAudit:
        selectors.tiltMode = button == MainButton::TiltCalibration ? 1 : 0;
        target = FormKind::TiltCal;
        break;
    case MainButton::FlowCalibration:
        target = FormKind::FlowCal;
        break;
    default:
        return;
    }
    Frame().SwitchToView(target);
}

void COrvodeskForm::OnServiceDate() {
    if (!m_logic.AcceptPress(MainButton::ServiceDate))
        return;
    QPointer<COrvodeskForm> self(this);
    CDateSelectionDlg dialog(this);
    dialog.SetTime(m_logic.ServiceDatePreset(Services().clock.NowSeconds()));
    const int result = dialog.exec();
    if (self && result == QDialog::Accepted)
        m_logic.WriteServiceDate(dialog.Time());
}

void COrvodeskForm::OnInitialUpdate() {
    m_logic.InitialUpdate();
}

void COrvodeskForm::ShowConnected(bool connected) {
    m_banner->SetPicture(connected ? Picture::BannerConnected : Picture::BannerDisconnected);
}

void COrvodeskForm::ShowDeviceActive(bool active) {
    m_device->SetPicture(active ? Picture::DeviceActive : Picture::DeviceStopped);
}

void COrvodeskForm::SetSerialNumberText(const std::string& text) {
    m_serial->setText(QString::fromStdString(text));
}

void COrvodeskForm::SetWarmupText(const std::string& text) {
    m_warmup->setText(QString::fromStdString(text));
}

void COrvodeskForm::SetSampleText(const std::string& text) {
    m_sample->setText(QString::fromStdString(text));
}

void COrvodeskForm::SetTimeFieldColour(TimeFieldColour colour) {
    const QColor& c = colour == TimeFieldColour::Red      ? kRed
                      : colour == TimeFieldColour::Orange ? kOrange
                                                          : kDarkGreen;
    SetTextColour(m_warmup, c);
    SetTextColour(m_sample, c);
}

void COrvodeskForm::SetStatusLine(const std::string& text) {
    m_status->setText(QString::fromStdString(text));
}

void COrvodeskForm::SetLastServiceText(const std::string& text) {
    m_lastService->setText(QString::fromStdString(text));
}

void COrvodeskForm::SetAdvancedVisibility(const AdvancedVisibility& visible) {
    bool changed = false;
    for (size_t i = 0; i < ADVANCED_CONTROL_COUNT; ++i) {
        if (m_advanced[i]->isHidden() == visible[i]) {
            m_advanced[i]->setVisible(visible[i]);
            changed = true;
        }
    }
    // The window fits the form, so it follows when the technicians' column comes or goes.
    if (changed && Frame().ActiveForm() == this)
        Frame().FitToForm();
}

void COrvodeskForm::SetButtonsEnabled(const ButtonStates& enabled) {
    for (size_t i = 0; i < MAIN_BUTTON_COUNT; ++i)
        m_buttons[i]->setEnabled(enabled[i]);
}

void COrvodeskForm::SetTitle(const std::string& title) {
    Frame().setWindowTitle(QString::fromStdString(title));
}

void COrvodeskForm::StartCountdown() {
    m_countdown->start();
}

void COrvodeskForm::StopCountdown() {
    m_countdown->stop();
}

void COrvodeskForm::StartStatusHold(int ms) {
    m_hold->start(ms);
}

void COrvodeskForm::ShowFailure(const std::string& text) {
    // Once the update has returned: the link thread waits for it, not for the user. The main
    // window outlives this form (and goes before the message service).
    MessageService& messages = Services().messages;
    QTimer::singleShot(0, &Frame().MainFrame(),
                       [&messages, text] { messages.Show(text, {}, MessageIcon::Stop); });
}

} // namespace orvo
