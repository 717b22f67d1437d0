// Closing monitor windows, documents and the application.

#include <QElapsedTimer>

#include <functional>
#include <utility>

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

} // namespace

class ClosingTest : public QObject {
    Q_OBJECT
private slots:
    // Pull the cable, press OK, plug it back: busy (and closed to every way out) only until the
    // document knows the shift was not programmed; then it says so and the window closes.
    void aPulledCableEndsProgrammingAndTheWindowCloses() {
        AppHarness harness;
        DocumentSession* session = nullptr;
        CShiftForm* form = OpenShiftForm(harness, 7.0f, &session);
        QVERIFY(form);
        QPointer<CChildFrame> frame = FirstFrame(session);
        sim::SimMonitor& monitor = session->Demo()->Monitor();
        EnterValid(harness, form, 120);
        // The link runs at virtual time: it would find the cable gone before the press unless it
        // waits, as it does while an update of the connected monitor is being handled.
        struct WhileTheLinkWaits : IDocView {
            std::function<void()> action;
            void OnDocUpdate(uint32_t, intptr_t) override {
                if (action)
                    std::exchange(action, nullptr)();
            }
        } press;
        bool busy = false, closeRefused = false, exitRefused = false;
        press.action = [&] {
            monitor.SetSilent(true);
            QTest::mouseClick(form->OkButton(), Qt::LeftButton);
            busy = session->Doc().ProgrammingBusy();
            closeRefused = !frame->close();
            harness.app->MainFrame()->CloseAction()->trigger();
            exitRefused = !harness.app->MainFrame()->close();
        };
        session->Doc().AddView(&press);
        QTRY_VERIFY_WITH_TIMEOUT(!press.action, kChangeMs);
        session->Doc().RemoveView(&press);
        QVERIFY(busy && closeRefused && exitRefused);
        QCOMPARE(harness.app->Sessions().size(), 1);

        QTRY_COMPARE_WITH_TIMEOUT(
            harness.messages.Texts(),
            std::vector<std::string>{"The shift was not programmed: the monitor stopped answering."},
            kChangeMs);
        COrvodeskForm* main = MainForm(session);
        QCOMPARE(TextOf(main, "statusLine"), QString());
        monitor.SetSilent(false);
        QTRY_VERIFY_WITH_TIMEOUT(main->Button(MainButton::ProgramShift)->isEnabled(), kConnectMs);
        QCOMPARE(TextOf(main, "sampleTime"), QStringLiteral("STOP"));
        QTest::mouseClick(main->DoneButton(), Qt::LeftButton);
        QTRY_VERIFY(!frame);
        QTRY_VERIFY(harness.app->Sessions().isEmpty());
    }

    void closingPowersAnIdleMonitorDownAndLeavesARunningOneAlone_data() {
        QTest::addColumn<float>("firmware");
        QTest::addColumn<bool>("running");
        QTest::newRow("6.50 stopped") << 6.5f << false;
        QTest::newRow("7.00 running") << 7.0f << true;
    }
    void closingPowersAnIdleMonitorDownAndLeavesARunningOneAlone() {
        QFETCH(float, firmware);
        QFETCH(bool, running);
        AppHarness harness;
        DocumentSession* session = ConnectedDemo(harness, firmware);
        QVERIFY(session);
        sim::SimMonitor& monitor = session->Demo()->Monitor();
        if (running) {
            ShiftProgram program;
            program.startTime = harness.clock.NowSeconds() - 60;
            program.duration = 3600;
            session->Doc().Link().ProgramShift(program, true);
        }
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(MainForm(session), "sampleTime"),
                                  running ? QStringLiteral("Running") : QStringLiteral("STOP"), kChangeMs);
        const size_t before = monitor.Requests().size();
        // Read while the window closes: the monitor goes with the document.
        std::vector<sim::SimRequest> seen;
        QObject::connect(session, &DocumentSession::Finished, [&] { seen = monitor.Requests(); });
        QVERIFY(FirstFrame(session)->close());
        QTRY_VERIFY(harness.app->Sessions().isEmpty());
        QVERIFY(seen.size() >= before);
        // Polls may still have gone out while the link ended; a running monitor gets no write, an
        // idle one the power-down last.
        size_t powerDowns = 0, writesAfter = 0;
        for (size_t i = 0; i < seen.size(); ++i) {
            powerDowns += seen[i].command == CMD_WRITE_PRC && seen[i].payload == kPowerDown;
            writesAfter += i >= before && seen[i].command == CMD_WRITE_PRC;
        }
        QCOMPARE(powerDowns, size_t(running ? 0 : 1));
        QVERIFY(running ? writesAfter == 0 : seen.back().payload == kPowerDown);
        QCOMPARE(monitor.DeviceState(), int(running ? STATE_RUNNING : STATE_STOPPED));
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
