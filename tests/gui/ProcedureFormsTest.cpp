// The diagnostics, leak check and calibration forms from the main status form's buttons, against
// the demo monitor and against orvo-sim on a pseudo-terminal, faster than real time (the simulated
// dynamics and the forms' timers alike). What the procedures decide is tested in core; here what
// reaches the screen, the demo's hands that the prompts move, the boxes with their titles and the
// poll timer, and the safe state written once however a form goes.

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QToolButton>

#include <csignal>

#include "GuiTestSupport.h"
#include "SimProcess.h"
#include "dialogs/CProcedureNumbersDlg.h"
#include "forms/CCalibrateForm.h"
#include "forms/CDiagnosticsForm.h"
#include "forms/CFlowCalForm.h"
#include "forms/CK0Form.h"
#include "forms/CTiltCalForm.h"
#include "link/Protocol.h"
#include "model/PrcRegisters.h"
#include "platform/Format.h"

using namespace orvo;
using namespace orvo::test;

namespace {

// How much faster than real time the demo runs. Served at once (RunUntil), its link answers some two
// hundred requests a second; the procedures' reads keep up with their polls at these scales: the
// leak check's two a second at fifty, the diagnostics' five at twenty, tilt's one a 5-second poll
// at a thousand, flow calibration's two a second at a hundred (faster, its points
// would pair flows with stale readings). The calibrations wait for heaters, a settling transducer
// and weights: up to half an hour of simulated time.
constexpr double kLeakScale = 50.0;
constexpr double kDiagnosticsScale = 20.0;
constexpr double kTiltScale = 1000.0;
constexpr double kFlowScale = 100.0;
constexpr int kRunMs = 60000; // a whole procedure
constexpr const char* kK0EndToEndScale = "500";

using Diag = DiagnosticsLogic;
using Leak = LeakCheckLogic;
using K0 = K0Logic;
using Tilt = TiltCalLogic;
using Flow = FlowCalLogic;
using Heard = std::vector<std::vector<std::pair<int, uint32_t>>>; // requests of (register, word)

// Every box, with whether the poll timer of the window's procedure form ran while it was open;
// questions are answered Yes, but for `no`.
class ProcedureMessages final : public MessageService {
public:
    struct Box {
        std::string text, caption;
        bool timerRan;
        std::string noLabel;
    };
    std::vector<Box> boxes;
    DocumentSession* session = nullptr;
    std::string no;                                   // the question answered No
    std::function<void(const std::string&)> onAnswer; // the technician's hands, say

    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override {
        return ShowLabelled(text, caption, icon, buttons, {});
    }
    MessageAnswer ShowLabelled(const std::string& text, const std::string& caption, MessageIcon,
                               MessageButtons buttons, const MessageLabels& labels) override {
        CChildFrame* frame = FirstFrame(session);
        auto* form = frame ? qobject_cast<CProcedureForm*>(frame->ActiveForm()) : nullptr;
        boxes.push_back({text, caption, form && form->PollTimer()->isActive(), labels.no});
        if (onAnswer)
            onAnswer(text);
        return buttons != MessageButtons::YesNo ? MessageAnswer::Ok
               : text == no                     ? MessageAnswer::No
                                                : MessageAnswer::Yes;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Box& b : boxes)
            texts.push_back(b.text);
        return texts;
    }
    // Every box titled with the procedure's name, the poll timer standing still while it is up.
    void Check(const std::string& title) const {
        for (const Box& box : boxes) {
            QCOMPARE(box.caption, title);
            QVERIFY2(!box.timerRan, box.text.c_str());
        }
    }
};

// Runs the event loop until `done` holds or `boundMs` of real time have passed. QTRY naps 10 ms
// between looks while every register update of the link waits for this thread; here updates are
// served as they come, so a fast demo monitor runs at the speed of its link.
bool RunUntil(const std::function<bool()>& done, int boundMs) {
    QDeadlineTimer deadline(boundMs);
    QTimer wake; // looks at the clock however quiet the link is
    wake.start(20);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// The application on the real clock, which the forms' timers run on.
struct Harness {
    ProcedureMessages messages;
    std::unique_ptr<COrvodeskApp> app;
    DocumentSession* session = nullptr;

    explicit Harness(const QString& mode = {}) {
        AppOptions options;
        options.arguments = mode.isEmpty() ? QStringList() : QStringList{mode};
        options.splash = false;
        options.messages = &messages;
        options.listPorts = [] { return std::vector<PortEntry>(); };
        app = std::make_unique<COrvodeskApp>(std::move(options));
        app->InitInstance();
    }
    ~Harness() {
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A demo monitor whose time runs `scale` times faster.
    void ConnectDemo(float firmware, double scale) {
        sim::SimConfig config;
        config.firmware = firmware;
        config.timeScale = scale;
        messages.session = session =
            app->Connect(firmware > 6.69f ? DemoMonitor::NAME_NEW : DemoMonitor::NAME_OLD, &config);
    }
    // A form's run to its end or state; false (with the status named) when it did not get there.
    bool Reaches(const std::function<bool()>& done, QLabel* status, int boundMs = kRunMs) {
        if (RunUntil(done, boundMs))
            return true;
        qWarning("%s", qPrintable(status->text()));
        return false;
    }

    sim::SimMonitor& Monitor() const { return session->Demo()->Monitor(); }
    CFormView* Form() const { return FirstFrame(session)->ActiveForm(); }
    bool Settled() const { return session->Doc().Link().QueueLength() == 0; }

    // Presses a main form button once the monitor is stopped and the link has sent what the
    // connection asked for (the logging template); the demo hears nothing but the form from then on.
    template <class F> F* Open(MainButton button) {
        COrvodeskForm* main = MainForm(session);
        if (!main || !RunUntil([&] { return main->Button(button)->isEnabled() && Settled(); }, kConnectMs))
            return nullptr;
        if (session->Demo())
            Monitor().ClearRequests();
        QTest::mouseClick(main->Button(button), Qt::LeftButton);
        return qobject_cast<F*>(Form());
    }
};

// The register writes the monitor heard, but for the clock a monitor that comes back is given.
Heard WritesHeard(const std::vector<sim::SimRequest>& requests) {
    Heard writes;
    for (const sim::SimRequest& r : requests) {
        if (r.command != CMD_WRITE_PRC || r.payload.empty() || r.payload.size() < 5 ||
            r.payload[4] == PRC_LAST_SYNC_TIME || r.payload[4] == PRC_TZ_BIAS_VALS)
            continue;
        writes.emplace_back();
        for (size_t i = 0; i < r.payload[0] && 12 + 8 * i <= r.payload.size(); ++i) {
            const uint8_t* e = &r.payload[4 + 8 * i];
            writes.back().emplace_back(e[0], uint32_t(e[4]) << 24 | e[5] << 16 | e[6] << 8 | e[7]);
        }
    }
    return writes;
}

// Written out by hand: diagnostics leaving a stopped monitor switches the pump and heaters off one
// register at a time (147, 73, 145, 34, 146, 47), then clears the power flag; a leak check leaving a
// running test stops the pump and clears the power flag in one write; the link's power-down follows
// on exit. Every value is 0 or 0.0.
const Heard kDiagnosticsSafe = {{{147, 0}}, {{73, 0}}, {{145, 0}}, {{34, 0}},
                                {{146, 0}}, {{47, 0}}, {{10, 0}}};
const Heard kPowerOn = {{{10, 1}}};
const Heard kLeakSafeThenPowerDown = {{{73, 0}, {10, 0}},
                                      {{10, 0}, {147, 0}, {145, 0}, {146, 0}, {73, 0}, {34, 0}, {47, 0}}};
Heard Thrice(const Heard& requests, const Heard& then = {}) {
    Heard h;
    for (int i = 0; i < 3; ++i)
        h.insert(h.end(), requests.begin(), requests.end());
    h.insert(h.end(), then.begin(), then.end());
    return h;
}
// Three times over: K0 switches pump and heaters off in one write, then clears the power flag and
// puts the smoothing factor back to 0.01 (0x3C23D70A), the air and TE set points to 43.0
// (0x422C0000) and 46.0 (0x42380000); tilt switches only the TE heater off first; flow calibration
// the heaters, then the pump, then the power flag.
const Heard kSetPointsBack = {{{10, 0}, {52, 0x3C23D70A}, {33, 0x422C0000}, {46, 0x42380000}}};
const Heard kK0Safe = Thrice({{{145, 0}, {34, 0}, {146, 0}, {47, 0}, {147, 0}, {73, 0}}, kSetPointsBack[0]});
const Heard kTiltSafe = Thrice({{{146, 0}, {47, 0}}, kSetPointsBack[0]});
const Heard kFlowSafeThenPowerDown = Thrice(
    {{{146, 0}, {145, 0}, {47, 0}, {34, 0}}, {{147, 0}, {73, 0}}, {{10, 0}}}, {kLeakSafeThenPowerDown[1]});
const QColor kPass(0, 127, 0);

QColor Colour(QWidget* w) {
    return w->palette().color(QPalette::WindowText);
}

bool Matches(const QString& text, const char* pattern) {
    return QRegularExpression(QString::fromLatin1(pattern)).match(text).hasMatch();
}
#define QVERIFY_MATCHES(label, pattern)                                                                      \
    QVERIFY2(Matches((label)->text(), pattern), qPrintable((label)->text()))

enum class Route { WindowClosed, LinkLost, ApplicationExit };

// The registers and words of the write requests that carry `first`.
Heard WritesOf(const std::vector<sim::SimRequest>& requests, int first) {
    Heard found;
    for (const auto& write : WritesHeard(requests))
        if (!write.empty() && write.front().first == first)
            found.push_back(write);
    return found;
}

} // namespace

Q_DECLARE_METATYPE(orvo::MainButton)
Q_DECLARE_METATYPE(Route)
Q_DECLARE_METATYPE(Heard)

class ProcedureFormsTest : public QObject {
    Q_OBJECT
private slots:
    void diagnosticsRunToAResult_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<float>("firmware");
        QTest::addColumn<MainButton>("button");
        QTest::addColumn<QString>("title");
        QTest::newRow("diagnostics") << QString() << 7.0f << MainButton::Diagnostics << "Diagnostics";
        // The expert's Board Test shows for older firmware.
        QTest::newRow("board test") << "expert" << 6.5f << MainButton::BoardTest << "Board Test";
    }
    void diagnosticsRunToAResult() {
        QFETCH(QString, mode);
        QFETCH(float, firmware);
        QFETCH(MainButton, button);
        QFETCH(QString, title);
        Harness h(mode);
        h.ConnectDemo(firmware, kDiagnosticsScale);
        auto* form = h.Open<CDiagnosticsForm>(button);
        QVERIFY(form);
        QCOMPARE(Find<QGroupBox>(form, Diag::TITLE)->title(), title);

        // Phase 1, its question (Yes), phase 2 with the pump and heaters on, to the verdict.
        QVERIFY(RunUntil([&] { return form->Logic().PhaseTwoDecided(); }, kRunMs));
        QVERIFY(form->PumpAndHeaters()->isChecked());
        for (int r = 0; r < Diag::BATTERY_VOLTS; ++r) {
            QLabel* result = form->Cell(Diag::Row(r), Diag::Column::Result);
            QVERIFY2(result->text() == "Pass" && Colour(result) == kPass && result->font().bold(),
                     Diag::RowLabel(Diag::Row(r)));
        }
        QVERIFY(form->Cell(Diag::FLOW_RATE, Diag::Column::Reading)->text().endsWith(" lpm"));

        // Every box is titled with the procedure's name and stood the poll timer still; it polls on.
        const std::vector<std::string> texts = h.messages.Texts();
        QVERIFY(!texts.empty() &&
                (texts[0] == Diag::ALL_PASSED_QUESTION || texts[0] == Diag::FAILURES_QUESTION));
        QCOMPARE(int(std::count(texts.begin(), texts.end(), Diag::PUMP_QUESTION)), title == "Board Test");
        h.messages.Check(title.toStdString());
        QVERIFY(form->PollTimer()->isActive());
        QTest::mouseClick(form->DoneButton(), Qt::LeftButton);
        QCOMPARE(h.Form()->Kind(), FormKind::Main);
    }

    // The demo's plug and case adapter are fitted by their prompts.
    void leakAndCaseChecksRunToAResult() {
        Harness h;
        h.ConnectDemo(7.0f, kLeakScale);
        auto* form = h.Open<CCalibrateForm>(MainButton::LeakCheck);
        QVERIFY(form);
        const struct {
            QAbstractButton* button;
            const char *running, *verdict;
        } checks[] = {
            {form->SamplePathButton(), "Performing leak check", R"(^Leak check passed! \(0\.0[0-2]\d\)$)"},
            {form->CaseButton(), "Performing case check", R"(^Case check passed! \(-?\d\.\d{3}\)$)"}};
        for (const auto& check : checks) {
            QTest::mouseClick(check.button, Qt::LeftButton);
            QVERIFY(!form->SamplePathButton()->isEnabled() && !form->OkButton()->isEnabled());
            QTRY_COMPARE_WITH_TIMEOUT(form->StatusLine()->text(), QString(check.running), kChangeMs);
            QVERIFY(RunUntil([&] { return !form->Logic().Running(); }, kRunMs));
            QVERIFY_MATCHES(form->StatusLine(), check.verdict);
            QCOMPARE(Colour(form->StatusLine()), kPass);
            QVERIFY_MATCHES(form->PressureLine(), R"(^-?\d+\.\d+ mm Hg$)");
        }
        // The membrane's warning may follow: the first rise is fast and sampled with the timers' jitter.
        std::vector<std::string> texts = h.messages.Texts();
        if (texts.size() == 4 && texts.back() == Leak::MEMBRANE_WARNING)
            texts.pop_back();
        QCOMPARE(texts,
                 (std::vector<std::string>{Leak::PLUG_PROMPT, Leak::ADAPTER_PROMPT, Leak::ATTACH_PROMPT}));
        h.messages.Check("Leak Check");
        QTest::mouseClick(form->OkButton(), Qt::LeftButton);
        QCOMPARE(h.Form()->Kind(), FormKind::Main);
    }

    // The demo is turned on its side by the prompt: the audit compares the two attitudes.
    void tiltAuditRunsToAResult() {
        Harness h;
        h.ConnectDemo(7.0f, kTiltScale);
        auto* form = h.Open<CTiltCalForm>(MainButton::TiltAudit);
        QVERIFY(form);
        QVERIFY(
            h.Reaches([&] { return form->Logic().State() >= Tilt::COMPLETE; }, form->Field(Tilt::STATUS)));
        QCOMPARE(form->Field(Tilt::STATUS)->text(), QStringLiteral("Audit calculations complete: Pass"));
        QLabel* difference = form->Field(Tilt::REJECT_MAX);
        QVERIFY_MATCHES(difference, R"(^-?\d\.\d{3} mHz$)");
        QVERIFY(Colour(difference) == kPass && difference->font().bold());
        QVERIFY_MATCHES(form->Field(Tilt::TILT_DUTY), R"(^(49|50)\.\d\d %$)");
        QCOMPARE(h.messages.Texts(), (std::vector<std::string>{Tilt::UPRIGHT_PROMPT, Tilt::SIDE_PROMPT,
                                                               "The tilt audit has passed:\n\n" +
                                                                   difference->text().toStdString()}));
        h.messages.Check("Tilt Audit");
        QTest::mouseClick(form->CancelButton(), Qt::LeftButton);
        QCOMPARE(h.Form()->Kind(), FormKind::Main);
        QVERIFY(RunUntil([&] { return h.Monitor().RegisterValue(120) > 60.0; }, kChangeMs)); // upright again
    }

    // The pump set by its spin control and the demo's flow meter read into each entry, through the
    // black and the red orifice, to constants the technician keeps.
    void flowCalibrationRunsToAResult() {
        Harness h;
        h.ConnectDemo(7.0f, kFlowScale);
        auto* form = h.Open<CFlowCalForm>(MainButton::FlowCalibration);
        QVERIFY(form && form->DemoFlowMeter());
        QVERIFY(!form->SpinUp()->isEnabled() && !form->ApplyButton()->isEnabled());
        QVERIFY(h.Reaches([&] { return form->Logic().State() == Flow::NO_RESTRICTION_ENTRY; },
                          form->StatusLine()));
        QVERIFY(!form->Entry(0)->isReadOnly() && form->Entry(1)->isReadOnly() && form->SpinUp()->isEnabled());
        for (int i = 0; i < 10; ++i)
            QTest::mouseClick(form->SpinUp(), Qt::LeftButton);
        QCOMPARE(Find<QLineEdit>(form, Flow::PUMP_SPEED)->text(), QStringLiteral("45.0 %"));

        // A flow out of the typical range is a question whose No reads "Modify" and changes nothing.
        h.messages.no = "Flow not typical (2.15 to 2.25), do you want to continue anyway?";
        Type(form, Flow::NO_RESTRICTION, QStringLiteral("2.5"));
        QTest::mouseClick(form->ApplyButton(), Qt::LeftButton);
        QCOMPARE(h.messages.boxes.back().text, h.messages.no);
        QCOMPARE(h.messages.boxes.back().noLabel, std::string("Modify"));
        QCOMPARE(form->Logic().State(), int(Flow::NO_RESTRICTION_ENTRY));

        const struct {
            int entryState;
            const char* entry;
            double low, high; // the typical range the meter must read
        } steps[] = {{Flow::NO_RESTRICTION_ENTRY, Flow::NO_RESTRICTION, 2.15, 2.25},
                     {Flow::ORIFICE_1_ENTRY, Flow::ORIFICE_1, 1.9, 2.1},
                     {Flow::ORIFICE_2_ENTRY, Flow::ORIFICE_2, 1.6, 2.0}};
        for (const auto& step : steps) {
            QVERIFY(h.Reaches([&] { return form->Logic().State() == step.entryState; }, form->StatusLine()));
            // Read once the flow through the orifice just fitted has settled.
            const double fitted = h.Monitor().DynamicsSeconds();
            QVERIFY(RunUntil([&] { return h.Monitor().DynamicsSeconds() > fitted + 20.0; }, kChangeMs));
            const double meter = form->DemoFlowMeter()->text().section(' ', 0, 0).toDouble();
            QVERIFY2(step.low < meter && meter < step.high, qPrintable(form->DemoFlowMeter()->text()));
            Type(form, step.entry, QString::number(meter, 'f', 3));
            QTest::mouseClick(form->ApplyButton(), Qt::LeftButton);
            QCOMPARE(form->Logic().State(), step.entryState + 1);
        }
        QVERIFY(h.Reaches([&] { return form->Logic().State() == Flow::DONE; }, form->StatusLine()));
        QCOMPARE(form->StatusLine()->text(), QStringLiteral("Flow calibration complete"));
        QCOMPARE(form->Logic().Points(), size_t(3 * 51));
        // The connect and adjust prompts, the question, the two orifices and the constants to keep.
        QCOMPARE(h.messages.boxes.size(), size_t(6));
        const std::string keep = h.messages.boxes.back().text;
        QVERIFY2(keep.rfind("Flow calibration complete\n\nOld values\nA:\t6.97\nB:\t-0.122\n", 0) == 0,
                 keep.c_str());
        QCOMPARE(h.messages.boxes.back().noLabel, std::string()); // keeping is a plain Yes or No
        QCOMPARE(Find<QLabel>(form, Flow::CONST_A)->text().toStdString(),
                 FormatGeneral(form->Logic().NewA()));
        h.messages.Check("Flow Calibration");
        QVERIFY(RunUntil([&] { return h.Settled(); }, kChangeMs));
        QCOMPARE(WritesOf(h.Monitor().Requests(), 75).size(), size_t(1));
    }

    // The procedures' number entry takes the whole text as a number in range, or names the entry.
    void numberDialogTakesOnlyNumbersInRange_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("taken");
        QTest::newRow("in range") << QStringLiteral(" 0.75 ") << true;
        QTest::newRow("upper bound") << QStringLiteral("1") << true;
        QTest::newRow("decimal comma") << QStringLiteral("0,75") << false;
        QTest::newRow("trailing text") << QStringLiteral("0.75 mg") << false;
        QTest::newRow("above the range") << QStringLiteral("1.01") << false;
    }
    void numberDialogTakesOnlyNumbersInRange() {
        QFETCH(QString, typed);
        QFETCH(bool, taken);
        ProcedureMessages messages;
        CProcedureNumbersDlg dialog(QStringLiteral("K0 Calibration"), QStringLiteral("Enter the mass."),
                                    {{"F1 (mg)", 0.5, true, 0.5, 1.0}, {"F2 (mg)", 0.6, false, 0.5, 1.0}},
                                    messages);
        dialog.Entry(0)->setText(typed);
        dialog.Entry(1)->setText(QStringLiteral("0.9")); // read-only: never taken
        dialog.accept();
        QCOMPARE(dialog.result() == QDialog::Accepted, taken);
        QCOMPARE(dialog.Numbers()[0].value, taken ? typed.toDouble() : 0.5);
        QCOMPARE(dialog.Numbers()[1].value, 0.6);
        if (!taken) {
            QCOMPARE(messages.Texts(), std::vector<std::string>{"F1 (mg) must be a number from 0.5 to 1."});
            QCOMPARE(messages.boxes[0].caption, std::string("K0 Calibration"));
            QCOMPARE(dialog.Entry(0)->selectedText(), typed);
        }
    }

    // However the form goes, its procedure's safe state is written once, while the link is open.
    void leavingWritesTheSafeStateOnce_data() {
        QTest::addColumn<MainButton>("button");
        QTest::addColumn<Route>("route");
        QTest::addColumn<Heard>("expected");
        QTest::newRow("diagnostics, window closed")
            << MainButton::Diagnostics << Route::WindowClosed << kDiagnosticsSafe;
        QTest::newRow("diagnostics, link lost")
            << MainButton::Diagnostics << Route::LinkLost << kDiagnosticsSafe;
        QTest::newRow("leak check, application exit")
            << MainButton::LeakCheck << Route::ApplicationExit << kLeakSafeThenPowerDown;
        QTest::newRow("K0 audit, window closed") << MainButton::K0Audit << Route::WindowClosed << kK0Safe;
        QTest::newRow("tilt audit, link lost") << MainButton::TiltAudit << Route::LinkLost << kTiltSafe;
        QTest::newRow("flow calibration, application exit")
            << MainButton::FlowCalibration << Route::ApplicationExit << kFlowSafeThenPowerDown;
    }
    void leavingWritesTheSafeStateOnce() {
        QFETCH(MainButton, button);
        QFETCH(Route, route);
        QFETCH(Heard, expected);
        Harness h;
        h.ConnectDemo(7.0f, button == MainButton::LeakCheck ? kLeakScale : kDiagnosticsScale);
        sim::SimMonitor& monitor = h.Monitor();
        QPointer<CProcedureForm> form = h.Open<CProcedureForm>(button);
        QVERIFY(form);
        // Past what opening writes, with nothing of it still on its way.
        if (auto* leak = qobject_cast<CCalibrateForm*>(form)) {
            QTest::mouseClick(leak->SamplePathButton(), Qt::LeftButton);
            QVERIFY(RunUntil([&] { return leak->Logic().Tick() > 31 && h.Settled(); }, kRunMs)); // recording
        } else if (auto* k0 = qobject_cast<CK0Form*>(form)) {
            QVERIFY(RunUntil([&] { return k0->Logic().State() == K0::IDLE && h.Settled(); }, kChangeMs));
        } else if (auto* tilt = qobject_cast<CTiltCalForm*>(form)) {
            QVERIFY(
                RunUntil([&] { return tilt->Logic().State() == Tilt::SETTLING && h.Settled(); }, kChangeMs));
        } else if (auto* flow = qobject_cast<CFlowCalForm*>(form)) {
            QVERIFY(
                RunUntil([&] { return flow->Logic().State() == Flow::SETTLING && h.Settled(); }, kChangeMs));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(WritesHeard(monitor.Requests()) == kPowerOn, kChangeMs);
        }
        monitor.ClearRequests();

        switch (route) {
        case Route::WindowClosed:
            QVERIFY(!FirstFrame(h.session)->close());
            QCOMPARE(h.Form()->Kind(), FormKind::Main);
            break;
        case Route::LinkLost:
            // Silent until the link gives the monitor up; the safe state waits in the document
            // for a monitor that answers again.
            monitor.SetSilent(true);
            QTRY_COMPARE_WITH_TIMEOUT(h.Form()->Kind(), FormKind::Main, kChangeMs);
            monitor.SetSilent(false);
            break;
        case Route::ApplicationExit:
            // Read at once: the monitor goes with the document.
            QVERIFY(h.app->MainFrame()->close());
            break;
        }
        QTRY_VERIFY_WITH_TIMEOUT(WritesHeard(monitor.Requests()).size() >= expected.size(), kChangeMs);
        const Heard heard = WritesHeard(monitor.Requests());
        QCOMPARE(Heard(heard.begin(), heard.begin() + expected.size()), expected);
        // Once: nothing of it again (a monitor that comes back only has its clock set).
        for (size_t i = expected.size(); i < heard.size(); ++i)
            QVERIFY(std::find(expected.begin(), expected.end(), heard[i]) == expected.end());
        QVERIFY(!form || form->Procedure().Closed());
    }
};

// The real serial path: orvo-sim on a pseudo-terminal and ORVODESK_TIME_SCALE, faster than real time.
class ProcedureEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    // SIGUSR2 is the technician putting each weight on the simulator's filter.
    void k0AuditThroughOrvoSim() {
        SimProcess sim({"--time-scale", kK0EndToEndScale});
        QVERIFY2(!sim.DevicePath().empty(), sim.Log().c_str());
        Harness h;
        qputenv("ORVODESK_TIME_SCALE", kK0EndToEndScale);
        h.messages.session = h.session = h.app->Connect(QString::fromStdString(sim.DevicePath()));
        qunsetenv("ORVODESK_TIME_SCALE");
        QVERIFY(h.session);
        int weights = 0;
        h.messages.onAnswer = [&](const std::string& text) {
            if (text.rfind("Please perform the following steps:\n", 0) != 0)
                return;
            sim.Signal(SIGUSR2);
            const std::string added =
                "weight added, " + FormatFixed(0.9 * ++weights, 1) + " mg on the filter";
            sim.WaitForLog([&](const std::string& log) { return log.find(added) != std::string::npos; });
        };
        auto* form = h.Open<CK0Form>(MainButton::K0Audit);
        QVERIFY(form);
        QVERIFY(RunUntil([&] { return form->Logic().State() == K0::IDLE; }, kChangeMs));
        QTest::mouseClick(form->StartButton(), Qt::LeftButton);
        QCOMPARE(form->StartButton()->text(), QStringLiteral("Retest"));
        QVERIFY(h.Reaches([&] { return form->Logic().State() >= K0::COMPLETE; }, form->Field(K0::STATUS)));
        QCOMPARE(weights, 4);
        QCOMPARE(form->Field(K0::STATUS)->text(), QStringLiteral("Audit passed"));
        h.messages.Check("K0 Audit");
        QTest::mouseClick(form->CancelButton(), Qt::LeftButton);
        QCOMPARE(h.Form()->Kind(), FormKind::Main);
    }

    void leakCheckThroughOrvoSim() {
        SimProcess sim({"--time-scale", "20", "--inlet", "plug"});
        QVERIFY2(!sim.DevicePath().empty(), sim.Log().c_str());
        Harness h;
        qputenv("ORVODESK_TIME_SCALE", "20");
        h.messages.session = h.session = h.app->Connect(QString::fromStdString(sim.DevicePath()));
        qunsetenv("ORVODESK_TIME_SCALE");
        auto* form = h.session ? h.Open<CCalibrateForm>(MainButton::LeakCheck) : nullptr;
        QVERIFY(form);
        QTest::mouseClick(form->SamplePathButton(), Qt::LeftButton);
        QVERIFY(h.Reaches([&] { return form->OkButton()->isEnabled(); }, form->StatusLine()));
        QVERIFY2(Matches(form->StatusLine()->text(), R"(^Leak check passed! \(0\.0[0-2]\d\)$)"),
                 qPrintable(form->StatusLine()->text() + " " + form->PressureLine()->text()));
        QTest::mouseClick(form->OkButton(), Qt::LeftButton);
        QCOMPARE(h.Form()->Kind(), FormKind::Main);
    }
};

ORVO_GUI_TEST(ProcedureFormsTest)
ORVO_GUI_TEST(ProcedureEndToEndTest)
#include "ProcedureFormsTest.moc"
