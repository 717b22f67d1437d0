// The diagnostics and leak check forms from the main status form's buttons, against the demo
// monitor and against orvo-sim on a pseudo-terminal, faster than real time (the simulated dynamics
// and the forms' timers alike). What the procedures decide is tested in core; here what reaches the
// screen, the boxes with their titles and the poll timer, and the safe state written once however a
// form goes.

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRegularExpression>

#include "GuiTestSupport.h"
#include "SimProcess.h"
#include "dialogs/CProcedureNumbersDlg.h"
#include "forms/CCalibrateForm.h"
#include "forms/CDiagnosticsForm.h"
#include "link/Protocol.h"
#include "model/PrcRegisters.h"

using namespace orvo;
using namespace orvo::test;

namespace {

// The demo's link answers about fifty requests a second: the leak check's two a tick keep up at
// twenty times real time, the diagnostics' five at five times.
constexpr double kLeakScale = 20.0;
constexpr double kDiagnosticsScale = 5.0;
constexpr int kRunMs = 60000; // a whole procedure: two minutes of simulated time at most

using Diag = DiagnosticsLogic;
using Leak = LeakCheckLogic;
using Heard = std::vector<std::vector<std::pair<int, uint32_t>>>; // requests of (register, word)

// Every box, with whether the poll timer of the window's procedure form ran while it was open;
// questions are answered Yes.
class ProcedureMessages final : public MessageService {
public:
    struct Box {
        std::string text, caption;
        bool timerRan;
    };
    std::vector<Box> boxes;
    DocumentSession* session = nullptr;

    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon,
                       MessageButtons buttons) override {
        CChildFrame* frame = FirstFrame(session);
        auto* form = frame ? qobject_cast<CProcedureForm*>(frame->ActiveForm()) : nullptr;
        boxes.push_back({text, caption, form && form->PollTimer()->isActive()});
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Box& b : boxes)
            texts.push_back(b.text);
        return texts;
    }
};

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

    sim::SimMonitor& Monitor() const { return session->Demo()->Monitor(); }
    CFormView* Form() const { return FirstFrame(session)->ActiveForm(); }
    bool Settled() const { return session->Doc().Link().QueueLength() == 0; }

    // Presses a main form button once the monitor is stopped and the link has sent what the
    // connection asked for (the logging template); the demo hears nothing but the form from then on.
    template <class F> F* Open(MainButton button) {
        COrvodeskForm* main = MainForm(session);
        if (!main ||
            !QTest::qWaitFor([&] { return main->Button(button)->isEnabled() && Settled(); }, kConnectMs))
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
const QColor kPass(0, 127, 0);

QColor Colour(QWidget* w) {
    return w->palette().color(QPalette::WindowText);
}

bool Matches(const QString& text, const char* pattern) {
    return QRegularExpression(QString::fromLatin1(pattern)).match(text).hasMatch();
}

enum class Route { WindowClosed, LinkLost, ApplicationExit };

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
        QTest::newRow("diagnostics") << QString() << 7.0f << MainButton::Diagnostics
                                     << QStringLiteral("Diagnostics");
        // The expert's Board Test shows for older firmware.
        QTest::newRow("board test") << QStringLiteral("expert") << 6.5f << MainButton::BoardTest
                                    << QStringLiteral("Board Test");
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
        QTRY_VERIFY_WITH_TIMEOUT(form->Logic().PhaseTwoDecided(), kRunMs);
        QVERIFY(form->PumpAndHeaters()->isChecked());
        QCOMPARE(form->Cell(Diag::AIR_TEMP, Diag::Column::Range)->text(),
                 QStringLiteral("Approaching setpoint"));
        for (int r = 0; r < Diag::BATTERY_VOLTS; ++r) {
            QLabel* result = form->Cell(Diag::Row(r), Diag::Column::Result);
            QVERIFY2(result->text() == QStringLiteral("Pass") && Colour(result) == kPass &&
                         result->font().bold(),
                     qPrintable(QString::fromLatin1(Diag::RowLabel(Diag::Row(r))) + ": " + result->text() +
                                " " + form->Cell(Diag::Row(r), Diag::Column::Reading)->text()));
        }
        QCOMPARE(form->Cell(Diag::BATTERY_VOLTS, Diag::Column::Result)->text(), QStringLiteral("N/A"));
        QVERIFY(form->Cell(Diag::FLOW_RATE, Diag::Column::Reading)->text().endsWith(QStringLiteral(" lpm")));

        // Every box is titled with the procedure's name and stood the poll timer still; it polls on.
        const std::vector<std::string> texts = h.messages.Texts();
        QVERIFY(!texts.empty() &&
                (texts[0] == Diag::ALL_PASSED_QUESTION || texts[0] == Diag::FAILURES_QUESTION));
        QCOMPARE(int(std::count(texts.begin(), texts.end(), Diag::PUMP_QUESTION)), title == "Board Test");
        for (const auto& box : h.messages.boxes) {
            QCOMPARE(QString::fromStdString(box.caption), title);
            QVERIFY(!box.timerRan);
        }
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
        QTest::mouseClick(form->SamplePathButton(), Qt::LeftButton);
        QVERIFY(!form->SamplePathButton()->isEnabled() && !form->OkButton()->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(form->StatusLine()->text(), QStringLiteral("Performing leak check"),
                                  kChangeMs);
        QTRY_VERIFY_WITH_TIMEOUT(!form->Logic().Running(), kRunMs);
        QVERIFY2(Matches(form->StatusLine()->text(), R"(^Leak check passed! \(0\.0[0-2]\d\)$)"),
                 qPrintable(form->StatusLine()->text()));
        QCOMPARE(Colour(form->StatusLine()), kPass);
        QVERIFY(Matches(form->PressureLine()->text(), R"(^\d+\.\d mm Hg$)"));

        QTest::mouseClick(form->CaseButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(form->StatusLine()->text(), QStringLiteral("Performing case check"),
                                  kChangeMs);
        QTRY_VERIFY_WITH_TIMEOUT(!form->Logic().Running(), kRunMs);
        QVERIFY2(Matches(form->StatusLine()->text(), R"(^Case check passed! \(-?\d\.\d{3}\)$)"),
                 qPrintable(form->StatusLine()->text()));
        QCOMPARE(Colour(form->StatusLine()), kPass);
        // The membrane's warning may follow: the first rise is fast and sampled with the timers' jitter.
        std::vector<std::string> texts = h.messages.Texts();
        if (texts.size() == 4 && texts.back() == Leak::MEMBRANE_WARNING)
            texts.pop_back();
        QCOMPARE(texts,
                 (std::vector<std::string>{Leak::PLUG_PROMPT, Leak::ADAPTER_PROMPT, Leak::ATTACH_PROMPT}));
        for (const auto& box : h.messages.boxes)
            QCOMPARE(box.caption, std::string("Leak Check"));
        QTest::mouseClick(form->OkButton(), Qt::LeftButton);
        QCOMPARE(h.Form()->Kind(), FormKind::Main);
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
    }
    void leavingWritesTheSafeStateOnce() {
        QFETCH(MainButton, button);
        QFETCH(Route, route);
        QFETCH(Heard, expected);
        Harness h;
        h.ConnectDemo(7.0f, button == MainButton::LeakCheck ? kLeakScale : kDiagnosticsScale);
        sim::SimMonitor& monitor = h.Monitor();
        if (auto* leak = button == MainButton::LeakCheck ? h.Open<CCalibrateForm>(button) : nullptr) {
            QTest::mouseClick(leak->SamplePathButton(), Qt::LeftButton);
            // Recording, with no request of the pump-down still on its way.
            QTRY_VERIFY_WITH_TIMEOUT(leak->Logic().Tick() > 31 && h.Settled(), kRunMs);
        } else {
            QVERIFY(h.Open<CDiagnosticsForm>(button));
            QTRY_VERIFY_WITH_TIMEOUT(WritesHeard(monitor.Requests()) == kPowerOn, kChangeMs);
        }
        QPointer<CProcedureForm> form = qobject_cast<CProcedureForm*>(h.Form());
        QVERIFY(form);
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

// The real serial path: orvo-sim on a pseudo-terminal and ORVODESK_TIME_SCALE, twenty times faster.
class ProcedureEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void leakCheckThroughOrvoSim() {
        SimProcess sim({"--time-scale", "20", "--inlet", "plug"});
        QVERIFY2(!sim.DevicePath().empty(), sim.Log().c_str());
        Harness h;
        qputenv("ORVODESK_TIME_SCALE", "20");
        h.messages.session = h.session = h.app->Connect(QString::fromStdString(sim.DevicePath()));
        qunsetenv("ORVODESK_TIME_SCALE");
        QVERIFY(h.session);
        auto* form = h.Open<CCalibrateForm>(MainButton::LeakCheck);
        QVERIFY(form);
        QCOMPARE(form->TimeScale(), 20.0);
        QTest::mouseClick(form->SamplePathButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(form->OkButton()->isEnabled(), kRunMs);
        QVERIFY2(Matches(form->StatusLine()->text(), R"(^Leak check passed! \(0\.0[0-2]\d\)$)"),
                 qPrintable(form->StatusLine()->text() + " " + form->PressureLine()->text()));
        QTest::mouseClick(form->OkButton(), Qt::LeftButton);
        QCOMPARE(h.Form()->Kind(), FormKind::Main);
    }
};

ORVO_GUI_TEST(ProcedureFormsTest)
ORVO_GUI_TEST(ProcedureEndToEndTest)
#include "ProcedureFormsTest.moc"
