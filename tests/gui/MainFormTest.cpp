// The main status form against the demo monitor: both firmware classes, all three modes.

#include <QDateEdit>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>

#include "GuiTestSupport.h"
#include "dialogs/CDateSelectionDlg.h"
#include "forms/MainStatusRules.h"
#include "link/Protocol.h"
#include "model/ShiftProgram.h"

using namespace orvo;
using namespace orvo::test;

namespace {

// The names of the listed widgets that are shown (or, for buttons, enabled), as one string.
QString Names(QWidget* form, std::initializer_list<const char*> names, bool enabled) {
    QStringList on;
    for (const char* name : names) {
        QWidget* w = Find<QWidget>(form, name);
        if (w && (enabled ? w->isEnabled() : !w->isHidden()))
            on << QString::fromLatin1(name);
    }
    return on.join(' ');
}

QString Visible(QWidget* form) {
    return Names(form,
                 {"advancedOperations", "configure", "boardTest", "realTimeGraph", "k0Calibration",
                  "tiltCalibration", "serviceDate"},
                 false);
}

QString Enabled(QWidget* form) {
    return Names(form,
                 {"programShift", "clearProgram", "downloadSample", "leakCheck", "flowCalibration",
                  "diagnostics", "k0Audit", "tiltAudit", "configure", "realTimeGraph", "tiltCalibration",
                  "boardTest", "k0Calibration", "serviceDate"},
                 true);
}

const QString kStoppedButtons = QStringLiteral("programShift downloadSample leakCheck flowCalibration "
                                               "diagnostics k0Audit tiltAudit configure realTimeGraph "
                                               "tiltCalibration boardTest k0Calibration serviceDate");
const QString kBusyButtons =
    QStringLiteral("programShift clearProgram downloadSample diagnostics configure realTimeGraph boardTest");

// Waits until the monitor has answered `more` further requests (of one register, if given) and
// the answers are handled: each status poll or read of register 183 is one more chance for the form.
void WaitForRequests(DocumentSession* session, uint8_t command, int reg = -1, size_t more = 3) {
    auto count = [&] {
        size_t n = 0;
        for (const sim::SimRequest& r : Received(session, command))
            n += reg < 0 || (r.payload.size() == 2 && r.payload[0] == 1 && r.payload[1] == reg);
        return n;
    };
    const size_t target = count() + more;
    QTRY_VERIFY_WITH_TIMEOUT(count() >= target, kChangeMs);
    QCoreApplication::processEvents();
}

void Program(DocumentSession* session, int64_t startFromNow, uint32_t duration) {
    ShiftProgram program;
    program.wearerId = "W1";
    program.mineId = "1234567";
    program.startTime = uint32_t(QDateTime::currentSecsSinceEpoch() + startFromNow);
    program.duration = duration;
    program.sampleType = 1;
    session->Doc().Link().ProgramShift(program, session->Doc().NewFirmware());
}

using Bytes = std::vector<uint8_t>;

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT
private slots:
    void identityAndAdvancedControls_data() {
        QTest::addColumn<float>("firmware");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("before183");
        QTest::addColumn<QString>("after183");
        const QString all = QStringLiteral(
            "advancedOperations configure boardTest realTimeGraph k0Calibration tiltCalibration serviceDate");
        const QString serviceOld =
            QStringLiteral("advancedOperations configure realTimeGraph k0Calibration tiltCalibration");
        const QString expertOld = QStringLiteral(
            "advancedOperations configure boardTest realTimeGraph k0Calibration tiltCalibration");
        QTest::newRow("7.00 standard") << 7.0f << QString() << QString() << QString();
        QTest::newRow("7.00 service") << 7.0f << QStringLiteral("service") << serviceOld + " serviceDate"
                                      << serviceOld + " serviceDate";
        QTest::newRow("7.00 expert") << 7.0f << QStringLiteral("expert") << QString() << all;
        QTest::newRow("6.50 standard") << 6.5f << QString() << QString() << QString();
        QTest::newRow("6.50 service") << 6.5f << QStringLiteral("service") << serviceOld << serviceOld;
        QTest::newRow("6.50 expert") << 6.5f << QStringLiteral("expert") << expertOld << expertOld;
    }
    void identityAndAdvancedControls() {
        QFETCH(float, firmware);
        QFETCH(QString, mode);
        QFETCH(QString, before183);
        QFETCH(QString, after183);
        const bool newFirmware = firmware > 6.69f;
        AppHarness harness({mode});
        DocumentSession* session = harness.ConnectDemo(firmware);
        QVERIFY(session);
        COrvodeskForm* form = MainForm(session);
        QVERIFY(form);

        QTRY_VERIFY_WITH_TIMEOUT(session->Doc().Connected(), kConnectMs);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "serialNumber"),
                                  newFirmware ? QStringLiteral("ORV1234567") : QStringLiteral("1234567"),
                                  kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "lastService"),
                                  newFirmware ? QStringLiteral("Last Service: - -/- -/- - - -") : QString(),
                                  kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "sampleTime"), QStringLiteral("STOP"), kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(Enabled(form), kStoppedButtons, kChangeMs);
        const uint8_t poll = newFirmware ? CMD_GET_STATUS_EX : CMD_GET_STATUS;
        WaitForRequests(session, poll);
        QCOMPARE(Visible(form), before183);

        // Register 183 = 1 opens everything to an expert on newer firmware and nothing to a
        // standard user.
        session->Demo()->Monitor().SetRegisterValue(183, 1);
        if (newFirmware)
            WaitForRequests(session, CMD_READ_PRC, 183, 2);
        else
            WaitForRequests(session, poll);
        QCOMPARE(Visible(form), after183);
        // The window follows the form's size, so nothing is cut off.
        QVERIFY(FirstFrame(session)->width() >= form->minimumSizeHint().width());

        // Buttons whose forms come later say so and stay on this form.
        for (MainButton later : {MainButton::FlowCalibration}) {
            QCOMPARE(form->Button(later)->toolTip(), QStringLiteral("Not available yet"));
            QTest::mouseClick(form->Button(later), Qt::LeftButton);
            QCOMPARE(FirstFrame(session)->ActiveForm(), static_cast<CFormView*>(form));
        }
        QTest::mouseClick(form->Button(MainButton::ProgramShift), Qt::LeftButton);
        QCOMPARE(FirstFrame(session)->ActiveForm()->Kind(), FormKind::Shift);
        QCOMPARE(session->Frames().size(), 1);
        QCOMPARE(FirstFrame(session)->windowTitle(),
                 newFirmware ? QStringLiteral("Orvo - Demo Orvo (firmware 7.00)")
                             : QStringLiteral("Orvo - Demo Orvo (firmware 6.50)"));
    }

    void statesDriveButtonsAndTexts_data() {
        QTest::addColumn<float>("firmware");
        QTest::newRow("7.00") << 7.0f;
        QTest::newRow("6.50") << 6.5f;
    }
    // Service mode: the service date, then each state, then Clear Program.
    void statesDriveButtonsAndTexts() {
        QFETCH(float, firmware);
        const bool newFirmware = firmware > 6.69f;
        AppHarness harness({QStringLiteral("service")});
        DocumentSession* session = harness.ConnectDemo(firmware);
        COrvodeskForm* form = MainForm(session);
        QVERIFY(form);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "sampleTime"), QStringLiteral("STOP"), kConnectMs);
        QTRY_COMPARE_WITH_TIMEOUT(Enabled(form), kStoppedButtons, kChangeMs);

        if (newFirmware) {
            // Service Date: register 182 is 0, so the dialog starts at today.
            const QDate chosen(2024, 3, 5);
            QTime presetTime;
            WhenModal([&](QWidget* modal) {
                auto* dialog = qobject_cast<CDateSelectionDlg*>(modal);
                QVERIFY(dialog);
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Date Selection"));
                QCOMPARE(dialog->Picker()->date(), QDate::currentDate());
                presetTime = QDateTime::fromSecsSinceEpoch(dialog->Time()).time();
                dialog->Picker()->setDate(chosen);
                dialog->accept();
            });
            QTest::mouseClick(form->Button(MainButton::ServiceDate), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(qint64(session->Demo()->Monitor().RegisterValue(182)),
                                      QDateTime(chosen, presetTime).toSecsSinceEpoch(), kChangeMs);
            QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "lastService"), QStringLiteral("Last Service: 03/05/2024"),
                                      kChangeMs);
        }

        // Programmed three hours ahead: both start times, in the monitor's own clock class.
        const qint64 start = QDateTime::currentSecsSinceEpoch() + 3 * 3600;
        Program(session, 3 * 3600, 3600);
        QTRY_COMPARE_WITH_TIMEOUT(session->Doc().State(), int32_t(STATE_PROGRAMMED), kChangeMs);
        const QString format =
            newFirmware ? QStringLiteral("MM/dd/yyyy, HH:mm") : QStringLiteral("MM/dd/yyyy HH:mm");
        // An older monitor counts local time as the computer's offset is now.
        auto shown = [&](qint64 utc) {
            if (newFirmware)
                return QDateTime::fromSecsSinceEpoch(utc).toString(format);
            const qint64 local = utc + QDateTime::currentDateTime().offsetFromUtc();
            return QDateTime::fromSecsSinceEpoch(local, Qt::UTC).toString(format);
        };
        const qint64 deviceStart = newFirmware ? start : start + QDateTime::currentDateTime().offsetFromUtc();
        const QString startText = shown(start);
        const QString warmupText = shown(start - deviceStart % 60 - 2100);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "sampleTime"), startText, kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "warmupTime"), warmupText, kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(Enabled(form), kBusyButtons, kChangeMs);

        // Warming, with a remaining time the monitor is told to report.
        session->Demo()->Monitor().SetRegisterValue(13, 86400 + 3600 + 60 + 1);
        Program(session, 100, 3600);
        QTRY_COMPARE_WITH_TIMEOUT(session->Doc().State(), int32_t(STATE_WARMING), kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "warmupTime"), QStringLiteral("Warming 1 day, 01:01:01"),
                                  kChangeMs);
        session->Demo()->Monitor().SetRegisterValue(13, 2 * 86400);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "warmupTime"), QStringLiteral("Warming 2 days, 00:00:00"),
                                  kChangeMs);
        QCOMPARE(Enabled(form), kBusyButtons);

        // Running.
        Program(session, -60, 3600);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "sampleTime"), QStringLiteral("Running"), kChangeMs);
        QCOMPARE(TextOf(form, "warmupTime"), QString());

        // Clear Program: announced, every button off until the monitor reports stopped.
        QTest::mouseClick(form->Button(MainButton::ClearProgram), Qt::LeftButton);
        QVERIFY(session->Doc().ClearingBusy());
        QCOMPARE(TextOf(form, "statusLine"), QStringLiteral("Clearing Program Shift"));
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "sampleTime"), QStringLiteral("STOP"), kChangeMs);
        QVERIFY(!session->Doc().ClearingBusy());
        QTRY_COMPARE_WITH_TIMEOUT(Enabled(form), kStoppedButtons, kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "statusLine"), QString(), kChangeMs);
    }

    void loggingTemplateIsSentExactlyOnce() {
        AppHarness harness;
        DocumentSession* session = harness.ConnectDemo(7.0f);
        QVERIFY(session);
        sim::SimMonitor& monitor = session->Demo()->Monitor();
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(monitor.TemplateName()), QStringLiteral("2"),
                                  kConnectMs);

        const std::vector<sim::SimRequest> logging = Received(session, CMD_SET_PRC_LOGGING);
        QCOMPARE(int(logging.size()), 184); // in register order, checked in the core
        // Payloads written out by hand: register, 3 reserved, code (u32), delta (f32), big-endian.
        QCOMPARE(logging[0].payload, (Bytes{0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}));
        QCOMPARE(logging[2].payload, (Bytes{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(logging[34].payload, (Bytes{34, 0, 0, 0, 0, 0, 0, 61, 0x3F, 0x80, 0, 0}));
        QCOMPARE(logging[67].payload, (Bytes{67, 0, 0, 0, 0, 0, 0, 61, 0x3D, 0x4C, 0xCC, 0xCD}));
        const std::vector<sim::SimRequest> names = Received(session, CMD_SET_TEMPLATE_NAME);
        QCOMPARE(int(names.size()), 1);
        QCOMPARE(names[0].payload, [] {
            Bytes name(50, 0);
            name[0] = '2';
            return name;
        }());
        // The name goes after the last logging command.
        QVERIFY(names[0].timeMs >= logging.back().timeMs);

        // Later polls ask nothing more.
        WaitForRequests(session, CMD_READ_PRC, 183);
        QCOMPARE(int(Received(session, CMD_SET_PRC_LOGGING).size()), 184);
        QCOMPARE(int(Received(session, CMD_SET_TEMPLATE_NAME).size()), 1);
    }

    void loggingTemplateIsNotSentWhenTheMonitorHasIt() {
        AppHarness harness;
        DocumentSession* session = harness.ConnectDemo(7.0f, [](sim::SimConfig& c) { c.templateName = "2"; });
        QVERIFY(session);
        // The check has run once the name was asked for and the answer came back.
        QTRY_VERIFY_WITH_TIMEOUT(!Received(session, CMD_GET_TEMPLATE_NAME).empty(), kConnectMs);
        WaitForRequests(session, CMD_READ_PRC, 183);
        QVERIFY(Received(session, CMD_SET_PRC_LOGGING).empty());
        QVERIFY(Received(session, CMD_SET_TEMPLATE_NAME).empty());
    }
};

ORVO_GUI_TEST(MainFormTest)
#include "MainFormTest.moc"
