// The leak check from the forms against orvo-sim on a pseudo-terminal, both twenty times faster than
// real time (ORVODESK_TIME_SCALE for the forms, --time-scale for the simulator): the real serial
// path, judged by the form's verdict and by the register writes the simulator heard.

#include <QRegularExpression>

#include "ProcedureTestSupport.h"
#include "SimProcess.h"
#include "TraceLines.h"
#include "forms/CCalibrateForm.h"

using namespace orvo;
using namespace orvo::test;

class ProcedureEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void leakCheckThroughOrvoSim() {
        SimProcess sim({"--time-scale", "20", "--inlet", "plug", "--trace"});
        QVERIFY2(!sim.DevicePath().empty(), sim.Log().c_str());
        qputenv("ORVODESK_TIME_SCALE", "20");
        ProcedureMessages messages;
        std::unique_ptr<COrvodeskApp> app = RealTimeApp(messages);
        DocumentSession* session = app->Connect(QString::fromStdString(sim.DevicePath()));
        qunsetenv("ORVODESK_TIME_SCALE");
        QVERIFY(session);
        QCOMPARE(session->ProcedureTimeScale(), 20.0);
        messages.frame = [session] { return FirstFrame(session); };

        COrvodeskForm* main = MainForm(session);
        QTRY_VERIFY_WITH_TIMEOUT(main->Button(MainButton::LeakCheck)->isEnabled(), kConnectMs);
        QTest::mouseClick(main->Button(MainButton::LeakCheck), Qt::LeftButton);
        auto* form = qobject_cast<CCalibrateForm*>(FirstFrame(session)->ActiveForm());
        QVERIFY(form);
        QTest::mouseClick(form->SamplePathButton(), Qt::LeftButton);
        QCOMPARE(messages.Texts(), std::vector<std::string>{LeakCheckLogic::PLUG_PROMPT});
        QTRY_VERIFY_WITH_TIMEOUT(form->OkButton()->isEnabled(), 60000);
        QVERIFY2(QRegularExpression(QStringLiteral(R"(^Leak check passed! \(0\.0[0-2]\d\)$)"))
                     .match(form->StatusLine()->text())
                     .hasMatch(),
                 qPrintable(form->StatusLine()->text() + " " + form->PressureLine()->text()));
        QTest::mouseClick(form->OkButton(), Qt::LeftButton);
        QCOMPARE(FirstFrame(session)->ActiveForm()->Kind(), FormKind::Main);

        // 10 := 0 ended the recording; closing powered the monitor down.
        QVERIFY(app->MainFrame()->close());
        QVERIFY(sim.WaitForLog(
            [](const std::string& log) { return log.find(": 07 00 00 00 0A") != std::string::npos; }));
        std::vector<std::string> writes;
        for (const TracedFrame& f : SimFrames(sim.Log(), "->"))
            if (f.command == 5)
                writes.push_back(f.payload);
        QVERIFY(writes.size() >= 2);
        QCOMPARE(writes[writes.size() - 2], std::string(" 01 00 00 00 0A 00 00 00 00 00 00 00"));
        QCOMPARE(writes.back().substr(0, 15), std::string(" 07 00 00 00 0A"));
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

ORVO_GUI_TEST(ProcedureEndToEndTest)
#include "ProcedureEndToEndTest.moc"
