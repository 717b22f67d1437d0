// Closing monitor windows, documents and the application.

#include <QElapsedTimer>

#include "GuiTestSupport.h"
#include "link/Protocol.h"
#include "model/ShiftProgram.h"

using namespace orvo;
using namespace orvo::test;

namespace {

using Bytes = std::vector<uint8_t>;

// The power-down write, by hand: 7 entries, registers 10, 147, 145, 146 := 0 and
// 73, 34, 47 := 0.0, each entry register, 3 reserved, value word.
const Bytes kPowerDown = {7,   0, 0, 0,             //
                          10,  0, 0, 0, 0, 0, 0, 0, //
                          147, 0, 0, 0, 0, 0, 0, 0, //
                          145, 0, 0, 0, 0, 0, 0, 0, //
                          146, 0, 0, 0, 0, 0, 0, 0, //
                          73,  0, 0, 0, 0, 0, 0, 0, //
                          34,  0, 0, 0, 0, 0, 0, 0, //
                          47,  0, 0, 0, 0, 0, 0, 0};

DocumentSession* ConnectedDemo(AppHarness& harness, float firmware) {
    DocumentSession* session = harness.ConnectDemo(firmware);
    if (!session)
        return nullptr;
    return QTest::qWaitFor([session] { return session->Doc().Connected(); }, kConnectMs) ? session : nullptr;
}

size_t PowerDowns(const std::vector<sim::SimRequest>& requests) {
    size_t n = 0;
    for (const sim::SimRequest& r : requests)
        n += r.command == CMD_WRITE_PRC && r.payload == kPowerDown;
    return n;
}

} // namespace

class ClosingTest : public QObject {
    Q_OBJECT
private slots:
    void secondaryFormReturnsToTheMainForm() {
        AppHarness harness;
        DocumentSession* session = ConnectedDemo(harness, 7.0f);
        QVERIFY(session);
        QPointer<CChildFrame> frame = FirstFrame(session);
        QTRY_VERIFY_WITH_TIMEOUT(MainForm(session)->Button(MainButton::ProgramShift)->isEnabled(), kChangeMs);
        QTest::mouseClick(MainForm(session)->Button(MainButton::ProgramShift), Qt::LeftButton);
        QCOMPARE(frame->ActiveForm()->Kind(), FormKind::Shift);

        // The first close goes back to the main form; the window and the link stay.
        QVERIFY(!frame->close());
        QCoreApplication::processEvents();
        QVERIFY(frame);
        QCOMPARE(frame->ActiveForm()->Kind(), FormKind::Main);
        QVERIFY(session->Doc().Link().IsOpen());
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(MainForm(session), "sampleTime"), QStringLiteral("STOP"), kChangeMs);

        // The second closes it, and the document with its last window.
        QPointer<DocumentSession> watched(session);
        QVERIFY(frame->close());
        QTRY_VERIFY(!frame);
        QTRY_VERIFY(!watched);
        QVERIFY(harness.app->Sessions().isEmpty());
    }

    void closingWhileProgrammingDoesNothing() {
        AppHarness harness;
        DocumentSession* session = ConnectedDemo(harness, 7.0f);
        QVERIFY(session);
        QPointer<CChildFrame> frame = FirstFrame(session);
        for (bool clearing : {false, true}) {
            if (clearing)
                session->Doc().SetClearingBusy(true);
            else
                session->Doc().SetProgrammingBusy(true);
            QVERIFY(!frame->close());
            harness.app->MainFrame()->CloseAction()->trigger();
            QVERIFY(!harness.app->MainFrame()->close());
            QCoreApplication::processEvents();
            QVERIFY(frame);
            QVERIFY(session->Doc().Link().IsOpen());
            QCOMPARE(harness.app->Sessions().size(), 1);
            session->Doc().SetProgrammingBusy(false);
            session->Doc().SetClearingBusy(false);
        }
    }

    void closingAnIdleMonitorPowersItDown() {
        AppHarness harness;
        DocumentSession* session = ConnectedDemo(harness, 6.5f);
        QVERIFY(session);
        sim::SimMonitor& monitor = session->Demo()->Monitor();
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(MainForm(session), "sampleTime"), QStringLiteral("STOP"), kChangeMs);
        QCOMPARE(PowerDowns(monitor.Requests()), size_t(0));
        // Read while the window closes: the monitor goes with the document.
        std::vector<sim::SimRequest> seen;
        QObject::connect(session, &DocumentSession::Finished,
                         [&monitor, &seen] { seen = monitor.Requests(); });
        QVERIFY(FirstFrame(session)->close());
        QTRY_VERIFY(harness.app->Sessions().isEmpty());
        QVERIFY(!seen.empty());
        QCOMPARE(PowerDowns(seen), size_t(1));
        QCOMPARE(seen.back().command, uint8_t(CMD_WRITE_PRC));
        QCOMPARE(seen.back().payload, kPowerDown);
    }

    void closingARunningMonitorSendsNothing() {
        AppHarness harness;
        DocumentSession* session = ConnectedDemo(harness, 7.0f);
        QVERIFY(session);
        sim::SimMonitor& monitor = session->Demo()->Monitor();
        ShiftProgram program;
        program.startTime = uint32_t(QDateTime::currentSecsSinceEpoch() - 60);
        program.duration = 3600;
        session->Doc().Link().ProgramShift(program, true);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(MainForm(session), "sampleTime"), QStringLiteral("Running"),
                                  kChangeMs);
        const size_t before = monitor.Requests().size();
        std::vector<sim::SimRequest> seen;
        int state = 0;
        QObject::connect(session, &DocumentSession::Finished, [&] {
            seen = monitor.Requests();
            state = monitor.DeviceState();
        });
        QVERIFY(FirstFrame(session)->close());
        QTRY_VERIFY(harness.app->Sessions().isEmpty());
        QVERIFY(seen.size() >= before);
        // Polls may still have gone out while the link ended; a write never.
        for (size_t i = before; i < seen.size(); ++i)
            QVERIFY(seen[i].command != CMD_WRITE_PRC);
        QCOMPARE(state, int(STATE_RUNNING));
    }

    void exitWhileTwoMonitorsStreamDoesNotHang() {
        auto harness = std::make_unique<AppHarness>();
        DocumentSession* first = ConnectedDemo(*harness, 7.0f);
        DocumentSession* second = ConnectedDemo(*harness, 6.5f);
        QVERIFY(first && second);
        // Hundreds of answers, each an update the link thread waits to have handled.
        for (DocumentSession* session : {first, second}) {
            session->Doc().Link().ReadFullRegister(-1);
            session->Doc().Link().ReadFullRegister(-1);
        }
        QTRY_VERIFY(first->Doc().Link().QueueLength() < 300);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(harness->app->MainFrame()->close());
        harness.reset(); // windows, documents and link threads
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        // Wake-ups posted by the link threads before they ended find nothing to do.
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
    }
};

ORVO_GUI_TEST(ClosingTest)
#include "ClosingTest.moc"
