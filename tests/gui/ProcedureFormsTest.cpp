// The diagnostics and leak check forms from the main status form's buttons, against the demo
// monitor twenty times faster than real time (its dynamics and the forms' timers alike). What the
// procedures decide is tested in core; here what reaches the screen, the boxes and their titles,
// the poll timer around the boxes, and the safe state written once however a form goes.

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRegularExpression>

#include "GuiTestSupport.h"
#include "ProcedureTestSupport.h"
#include "dialogs/CProcedureNumbersDlg.h"
#include "forms/CCalibrateForm.h"
#include "forms/CDiagnosticsForm.h"
#include "link/Protocol.h"

using namespace orvo;
using namespace orvo::test;

namespace {

// The demo's link answers about fifty requests a second: the leak check's two a second keep up at
// twenty times real time, the diagnostics' five a second at five times.
constexpr double kLeakScale = 20.0;
constexpr double kDiagnosticsScale = 5.0;
constexpr int kRunMs = 60000; // a whole procedure: two minutes of simulated time at most

using Diag = DiagnosticsLogic;
using Leak = LeakCheckLogic;
using Writes = std::vector<std::vector<std::pair<int, uint32_t>>>;

// The application on the real clock with a demo monitor that runs `scale` times faster.
struct Harness {
    ProcedureMessages messages;
    std::unique_ptr<COrvodeskApp> app;
    DocumentSession* session = nullptr;

    Harness(const QString& mode, float firmware, double scale) : app(RealTimeApp(messages, mode)) {
        sim::SimConfig config;
        config.firmware = firmware;
        config.timeScale = scale;
        session = app->Connect(firmware > 6.69f ? DemoMonitor::NAME_NEW : DemoMonitor::NAME_OLD, &config);
        messages.frame = [this] { return FirstFrame(session); };
    }
    ~Harness() {
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    sim::SimMonitor& Monitor() const { return session->Demo()->Monitor(); }
    CFormView* Form() const { return FirstFrame(session)->ActiveForm(); }

    bool Settled() const { return session->Doc().Link().QueueLength() == 0; }

    // Presses a main form button once the monitor is connected and stopped and the link has sent
    // what the connection asked for (the logging template).
    template <class F> F* Open(MainButton button) {
        COrvodeskForm* main = MainForm(session);
        if (!main ||
            !QTest::qWaitFor([&] { return main->Button(button)->isEnabled() && Settled(); }, kConnectMs))
            return nullptr;
        Monitor().ClearRequests(); // what the monitor hears from here on is the form's
        QTest::mouseClick(main->Button(button), Qt::LeftButton);
        return qobject_cast<F*>(Form());
    }
};

// The register writes the monitor heard, each as (register, word) pairs.
Writes WritesHeard(const std::vector<sim::SimRequest>& requests) {
    Writes writes;
    for (const sim::SimRequest& r : requests) {
        if (r.command != CMD_WRITE_PRC || r.payload.empty())
            continue;
        std::vector<std::pair<int, uint32_t>> entries;
        for (size_t i = 0; i < r.payload[0] && 4 + 8 * (i + 1) <= r.payload.size(); ++i) {
            const uint8_t* e = &r.payload[4 + 8 * i];
            entries.emplace_back(e[0],
                                 uint32_t(e[4]) << 24 | uint32_t(e[5]) << 16 | uint32_t(e[6]) << 8 | e[7]);
        }
        writes.push_back(entries);
    }
    return writes;
}

// Written out by hand: diagnostics leaving a stopped monitor switches the pump and heaters off one
// register at a time (147, 73, 145, 34, 146, 47), then clears the power flag; a leak check leaving a
// running test stops the pump and clears the power flag in one write. Every value is 0 or 0.0.
const Writes kDiagnosticsSafe = {{{147, 0}}, {{73, 0}}, {{145, 0}}, {{34, 0}},
                                 {{146, 0}}, {{47, 0}}, {{10, 0}}};
const Writes kPowerOn = {{{10, 1}}};
const Writes kLeakSafe = {{{73, 0}, {10, 0}}};
const Writes kPowerDown = {{{10, 0}, {147, 0}, {145, 0}, {146, 0}, {73, 0}, {34, 0}, {47, 0}}};

QColor Colour(QWidget* w) {
    return w->palette().color(QPalette::WindowText);
}

enum class Route { WindowClosed, LinkLost, ApplicationExit };

} // namespace

Q_DECLARE_METATYPE(orvo::MainButton)
Q_DECLARE_METATYPE(Route)
Q_DECLARE_METATYPE(Writes)

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
        Harness h(mode, firmware, kDiagnosticsScale);
        auto* form = h.Open<CDiagnosticsForm>(button);
        QVERIFY(form);
        QCOMPARE(Find<QGroupBox>(form, Diag::TITLE)->title(), title);
        QVERIFY(form->PumpAndHeaters()->isEnabled());
        QCOMPARE(form->Cell(Diag::AIR_TEMP, Diag::Column::Range)->text(), QStringLiteral("-20 - 70 °C"));

        // Phase 1, its question (Yes), phase 2 with the pump and heaters on, to the verdict.
        QTRY_VERIFY_WITH_TIMEOUT(form->Logic().PhaseTwoDecided(), kRunMs);
        QVERIFY(form->PumpAndHeaters()->isChecked());
        QCOMPARE(form->Cell(Diag::AIR_TEMP, Diag::Column::Range)->text(),
                 QStringLiteral("Approaching setpoint"));
        for (int r = 0; r < Diag::ROW_COUNT; ++r)
            for (int r = 0; r < Diag::BATTERY_VOLTS; ++r) {
                QLabel* result = form->Cell(Diag::Row(r), Diag::Column::Result);
                QVERIFY2(result->text() == QStringLiteral("Pass"),
                         qPrintable(QStringLiteral("%1: %2 %3 %4")
                                        .arg(Diag::RowLabel(Diag::Row(r)), result->text(),
                                             form->Cell(Diag::Row(r), Diag::Column::Reading)->text(),
                                             form->Cell(Diag::Row(r), Diag::Column::Range)->text())));
                QCOMPARE(Colour(result), QColor(0, 127, 0));
                QVERIFY(result->font().bold());
            }
        QCOMPARE(form->Cell(Diag::BATTERY_VOLTS, Diag::Column::Result)->text(), QStringLiteral("N/A"));
        QVERIFY(form->Cell(Diag::FLOW_RATE, Diag::Column::Reading)->text().endsWith(QStringLiteral(" lpm")));

        // Every box is titled with the procedure's name and stood the poll timer still; it polls on.
        QVERIFY(!h.messages.boxes.empty());
        const std::vector<std::string> texts = h.messages.Texts();
        QVERIFY(texts[0] == Diag::ALL_PASSED_QUESTION || texts[0] == Diag::FAILURES_QUESTION);
        QCOMPARE(int(std::count(texts.begin(), texts.end(), Diag::PUMP_QUESTION)),
                 title == "Board Test" ? 1 : 0);
        for (const auto& box : h.messages.boxes) {
            QCOMPARE(QString::fromStdString(box.caption), title);
            QVERIFY(!box.timerRan);
        }
        QVERIFY(form->PollTimer()->isActive());

        QTest::mouseClick(form->DoneButton(), Qt::LeftButton);
        QCOMPARE(h.Form()->Kind(), FormKind::Main);
    }

    void leakAndCaseChecksRunToAResult() {
        Harness h(QString(), 7.0f, kLeakScale);
        auto* form = h.Open<CCalibrateForm>(MainButton::LeakCheck);
        QVERIFY(form);
        QVERIFY(form->SamplePathButton()->isEnabled() && form->CaseButton()->isEnabled());

        // No case check before the sample path's.
        QTest::mouseClick(form->CaseButton(), Qt::LeftButton);
        QCOMPARE(h.messages.Texts(), std::vector<std::string>{Leak::CASE_REFUSED});
        QCOMPARE(h.messages.boxes[0].icon, MessageIcon::Stop);

        // The plug prompt fits the demo's plug; the path pumps down and the rise is judged.
        QTest::mouseClick(form->SamplePathButton(), Qt::LeftButton);
        QCOMPARE(h.messages.boxes.back().text, std::string(Leak::PLUG_PROMPT));
        QVERIFY(!form->SamplePathButton()->isEnabled() && !form->OkButton()->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(form->StatusLine()->text(), QStringLiteral("Performing leak check"),
                                  kChangeMs);
        QTRY_VERIFY_WITH_TIMEOUT(!form->Logic().Running(), kRunMs);
        QVERIFY2(QRegularExpression(QStringLiteral(R"(^Leak check passed! \(0\.0[0-2]\d\)$)"))
                     .match(form->StatusLine()->text())
                     .hasMatch(),
                 qPrintable(form->StatusLine()->text()));
        QCOMPARE(Colour(form->StatusLine()), QColor(0, 127, 0));
        QVERIFY(QRegularExpression(QStringLiteral(R"(^\d+\.\d mm Hg$)"))
                    .match(form->PressureLine()->text())
                    .hasMatch());
        QVERIFY(form->SamplePathButton()->isEnabled() && form->OkButton()->isEnabled());

        // The case check: adapter in, attached, its rate less the sample path's.
        QTest::mouseClick(form->CaseButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(form->StatusLine()->text(), QStringLiteral("Performing case check"),
                                  kChangeMs);
        QTRY_VERIFY_WITH_TIMEOUT(!form->Logic().Running(), kRunMs);
        const QString verdict = form->StatusLine()->text();
        QVERIFY2(QRegularExpression(QStringLiteral(R"(^Case check passed! \(-?\d\.\d{3}\)$)"))
                     .match(verdict)
                     .hasMatch(),
                 qPrintable(verdict));
        QCOMPARE(Colour(form->StatusLine()), QColor(0, 127, 0));
        const std::vector<std::string> texts = h.messages.Texts();
        QCOMPARE(std::vector<std::string>(texts.begin() + 2, texts.begin() + 4),
                 (std::vector<std::string>{Leak::ADAPTER_PROMPT, Leak::ATTACH_PROMPT}));
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
        QTest::newRow("trailing text") << QStringLiteral("0.75mg") << false;
        QTest::newRow("above the range") << QStringLiteral("1.01") << false;
        QTest::newRow("empty") << QString() << false;
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
        QTest::addColumn<Writes>("expected");
        QTest::newRow("diagnostics, window closed")
            << MainButton::Diagnostics << Route::WindowClosed << kDiagnosticsSafe;
        QTest::newRow("diagnostics, link lost")
            << MainButton::Diagnostics << Route::LinkLost << kDiagnosticsSafe;
        Writes exit = kLeakSafe;
        exit.insert(exit.end(), kPowerDown.begin(), kPowerDown.end()); // then the link's own
        QTest::newRow("leak check, application exit")
            << MainButton::LeakCheck << Route::ApplicationExit << exit;
    }
    void leavingWritesTheSafeStateOnce() {
        QFETCH(MainButton, button);
        QFETCH(Route, route);
        QFETCH(Writes, expected);
        Harness h(QString(), 7.0f, button == MainButton::LeakCheck ? kLeakScale : kDiagnosticsScale);
        sim::SimMonitor& monitor = h.Monitor();
        if (button == MainButton::LeakCheck) {
            auto* form = h.Open<CCalibrateForm>(button);
            QVERIFY(form);
            QTest::mouseClick(form->SamplePathButton(), Qt::LeftButton);
            // Recording: no request of the pump-down still on its way.
            QTRY_VERIFY_WITH_TIMEOUT(form->Logic().Tick() > 31 && h.Settled(), kRunMs);
        } else {
            auto* form = h.Open<CDiagnosticsForm>(button);
            QVERIFY(form);
            // Its power flag heard, so that every write that follows is the form's leaving.
            QTRY_VERIFY_WITH_TIMEOUT(WritesHeard(monitor.Requests()) == kPowerOn, kChangeMs);
        }
        QPointer<CProcedureForm> form = qobject_cast<CProcedureForm*>(h.Form());
        monitor.ClearRequests();

        Writes heard;
        switch (route) {
        case Route::WindowClosed:
            QVERIFY(!FirstFrame(h.session)->close());
            QCOMPARE(h.Form()->Kind(), FormKind::Main);
            QTRY_COMPARE_WITH_TIMEOUT(WritesHeard(monitor.Requests()).size(), expected.size(), kChangeMs);
            heard = WritesHeard(monitor.Requests());
            break;
        case Route::LinkLost:
            // Silent until the link gives the monitor up; the safe state then waits in the queue for
            // a monitor that answers again.
            monitor.SetSilent(true);
            QTRY_COMPARE_WITH_TIMEOUT(h.Form()->Kind(), FormKind::Main, kChangeMs);
            monitor.SetSilent(false);
            QTRY_VERIFY_WITH_TIMEOUT(WritesHeard(monitor.Requests()).size() >= expected.size(), kChangeMs);
            heard = WritesHeard(monitor.Requests());
            break;
        case Route::ApplicationExit:
            // The monitor goes with the document: read what it heard as the window closes.
            QVERIFY(h.app->MainFrame()->close());
            heard = WritesHeard(monitor.Requests());
            break;
        }
        QVERIFY(heard.size() >= expected.size());
        QCOMPARE(Writes(heard.begin(), heard.begin() + expected.size()), expected);
        // Once: nothing of it again (a reconnected monitor only has its clock set).
        for (size_t i = expected.size(); i < heard.size(); ++i)
            QVERIFY2(std::find(expected.begin(), expected.end(), heard[i]) == expected.end(),
                     "written twice");
        QVERIFY(!form || form->Procedure().Closed());
    }
};

ORVO_GUI_TEST(ProcedureFormsTest)
#include "ProcedureFormsTest.moc"
