// The shift form and its dialogs as a user meets them, against the demo monitor at virtual time:
// what is typed reaches the monitor, a refusal keeps the field selected, a typed duration above
// the limit, the window on screen, MRE Equivalent and Shift Information. The rules themselves
// are tested in the core.

#include <QAction>
#include <QRadioButton>
#include <QScrollBar>

#include "GuiTestSupport.h"
#include "dialogs/CMreEquivalentDlg.h"
#include "dialogs/CShiftInfoDlg.h"
#include "link/Protocol.h"
#include "ui/DurationEdit.h"

using namespace orvo;
using namespace orvo::test;

using Texts = std::vector<std::string>;

class ShiftFormTest : public QObject {
    Q_OBJECT
private slots:
    void whatIsTypedReachesTheMonitor_data() {
        QTest::addColumn<float>("firmware");
        QTest::newRow("7.00") << 7.0f;
        QTest::newRow("6.50") << 6.5f;
    }
    void whatIsTypedReachesTheMonitor() {
        QFETCH(float, firmware);
        const bool newFirmware = firmware > 6.69f;
        AppHarness harness;
        DocumentSession* session = nullptr;
        CShiftForm* form = OpenShiftForm(harness, firmware, &session);
        QVERIFY(form);
        sim::SimMonitor& monitor = session->Demo()->Monitor();
        QTRY_COMPARE_WITH_TIMEOUT(monitor.RegisterValue(10), 1.0, kChangeMs);
        EnterValid(harness, form, 120);
        QCOMPARE(TextOf(form, "minutes"), QStringLiteral("480"));
        // A Part 90 miner: the standard is entered again; an older monitor takes the MIIN as a number.
        Choose(form, "sampleType", 4);
        QCOMPARE(Find<QLineEdit>(form, "dustStandard")->text(), QString());
        Type(form, "dustStandard", QStringLiteral("2.2"));
        Type(form, "miin", newFirmware ? QStringLiteral("m12345678") : QStringLiteral("12345678"));

        // A refusal leaves the form with the field's text selected; nothing is programmed.
        Type(form, "companyName", QStringLiteral("Acme, Inc"));
        QTest::mouseClick(form->OkButton(), Qt::LeftButton);
        QCOMPARE(harness.messages.Texts(), Texts{"The Company Name cannot contain a comma."});
        QCOMPARE(form->focusWidget(), Find<QLineEdit>(form, "companyName"));
        QCOMPARE(Find<QLineEdit>(form, "companyName")->selectedText(), QStringLiteral("Acme, Inc"));
        QVERIFY(!session->Doc().ProgrammingBusy());
        Type(form, "companyName", QStringLiteral("Coal Co"));
        harness.messages.shown.clear();

        const int64_t start = form->Logic().PickedStart();
        QTest::mouseClick(form->OkButton(), Qt::LeftButton);
        COrvodeskForm* main = MainForm(session);
        QVERIFY(main);
        QCOMPARE(TextOf(main, "statusLine"), QStringLiteral("Programming Shift"));
        QVERIFY(!main->Button(MainButton::ProgramShift)->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(monitor.DeviceState(), int(STATE_PROGRAMMED), kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(monitor.RegisterValue(10), 0.0, kChangeMs);
        // Temperature row 2, Sunday only, 2.2 mg/m³ (the bytes are pinned in the link's tests).
        QCOMPARE(monitor.RegisterValue(33), 43.0);
        QCOMPARE(monitor.RegisterValue(155), double(0x81));
        QCOMPARE(float(monitor.RegisterValue(150)), 2.2f);
        const sim::SimShiftFields f = monitor.ProgramFields();
        // The older layout's local start time converted back.
        QCOMPARE((std::tuple{f.companyName, f.startUtc, f.duration, f.occupation, f.sampleType, f.miin}),
                 (std::tuple{std::string("Coal Co"), uint32_t(start), 28800u,
                             std::string(newFirmware ? "36" : "036"), uint8_t(5),
                             std::string(newFirmware ? "m12345678" : "12345678")}));
        QCOMPARE(int(Received(session, newFirmware ? CMD_PROGRAM_SHIFT_EX : CMD_PROGRAM_SHIFT).size()), 1);

        // The main form shows the shift once the document knows it was taken; the line goes with it.
        QTRY_VERIFY_WITH_TIMEOUT(main->Button(MainButton::ClearProgram)->isEnabled(), kChangeMs);
        QCOMPARE(TextOf(main, "statusLine"), QString());
        QCOMPARE(TextOf(main, "sampleTime"),
                 QDateTime::fromSecsSinceEpoch(start).toString(
                     newFirmware ? QStringLiteral("MM/dd/yyyy, HH:mm") : QStringLiteral("MM/dd/yyyy HH:mm")));
        QVERIFY(harness.messages.shown.empty());
    }

    // "999:99" used to become 99:09 through the keys the entry swallowed, without a word.
    void aTypedDurationAboveTheMaximumIsRefused() {
        AppHarness harness;
        CShiftForm* form = OpenShiftForm(harness, 7.0f);
        QVERIFY(form);
        EnterValid(harness, form, 120);
        auto* duration = qobject_cast<DurationEdit*>(form->Field(ShiftField::Duration));
        duration->selectAll();
        QTest::keyClicks(duration, QStringLiteral("999:99"));
        QCOMPARE(duration->text(), QStringLiteral("999:99"));
        QCOMPARE(TextOf(form, "minutes"), QStringLiteral("60039"));
        QTest::mouseClick(form->OkButton(), Qt::LeftButton);
        QCOMPARE(harness.messages.Texts(), Texts{"Duration is above the maximum limit"});
        QCOMPARE(duration->text(), QStringLiteral("720:00"));
        QVERIFY(Received(&form->Session(), CMD_PROGRAM_SHIFT_EX).empty());
    }

    // A wide form beside another window on a small screen: it stays in reach, has no maximise
    // box, and leaves no scroll bar behind.
    void theShiftFormStaysOnScreen() {
        AppHarness harness;
        CMainFrame* mainFrame = harness.app->MainFrame();
        mainFrame->showNormal();
        mainFrame->setGeometry(0, 0, 1280, 800);
        DocumentSession* session = harness.ConnectDemo(7.0f);
        QVERIFY(session);
        CChildFrame* frame = FirstFrame(session);
        QMdiArea* area = mainFrame->MdiArea();
        frame->move(area->viewport()->width() - frame->width(), 0);
        COrvodeskForm* main = MainForm(session);
        QTRY_VERIFY_WITH_TIMEOUT(main->Button(MainButton::ProgramShift)->isEnabled(), kConnectMs);
        QTest::mouseClick(main->Button(MainButton::ProgramShift), Qt::LeftButton);
        auto* form = qobject_cast<CShiftForm*>(frame->ActiveForm());
        QVERIFY(form);
        QVERIFY(area->viewport()->rect().contains(frame->geometry()));
        QVERIFY(!(frame->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(frame->minimumSize(), frame->maximumSize());
        QTest::mouseClick(form->CancelButton(), Qt::LeftButton);
        QCOMPARE(frame->ActiveForm()->Kind(), FormKind::Main);
        QTRY_COMPARE(area->horizontalScrollBar()->maximum(), 0);
    }

    void mreEquivalentFromTheOptionsMenu() {
        AppHarness harness;
        DocumentSession* session = nullptr;
        CShiftForm* form = OpenShiftForm(harness, 7.0f, &session);
        QVERIFY(form);
        QTRY_COMPARE(TextOf(form, "mreStatus"), QStringLiteral("MRE Equivalent Enabled"));
        WhenModal([](QWidget* modal) {
            auto* dialog = qobject_cast<CMreEquivalentDlg*>(modal);
            QVERIFY(dialog && dialog->EnableBox()->isChecked());
            dialog->EnableBox()->click();
            dialog->accept();
        });
        for (QAction* a : harness.app->MainFrame()->findChildren<QAction*>())
            if (a->text() == QStringLiteral("MRE Equivalent..."))
                a->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(session->Demo()->Monitor().RegisterValue(149), 0.0, kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "mreStatus"), QStringLiteral("MRE Equivalent Disabled"),
                                  kChangeMs);
    }

    // One refusal rendered (its checks are the core's): the text, the upper case it compared, the
    // focus and selection; then "No" empties and disables the serial numbers.
    void shiftInformationDialog() {
        ScriptedMessages messages;
        CShiftInfoDlg dialog(ACCESS_STANDARD, messages);
        dialog.SetPreset(ShiftInformation{});
        QLineEdit* first = dialog.Field(ShiftInformationField::FirstUnitSerial);
        QVERIFY(!first->isEnabled());
        dialog.Field(ShiftInformationField::CertifiedMiin)->setText(QStringLiteral("m12345678"));
        dialog.YesButton()->click();
        first->setText(QStringLiteral("orv12345678"));
        dialog.Field(ShiftInformationField::SecondUnitSerial)->setText(QStringLiteral("ORV12345678"));
        dialog.accept();
        QCOMPARE(messages.Texts(), Texts{"The serial numbers cannot be identical"});
        QCOMPARE(dialog.focusWidget(), first);
        QCOMPARE(first->selectedText(), QStringLiteral("ORV12345678"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        dialog.NoButton()->click();
        QCOMPARE(first->text(), QString());
        QVERIFY(!first->isEnabled());
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Result().certifiedMiin, std::string("m12345678"));
    }
};

ORVO_GUI_TEST(ShiftFormTest)
#include "ShiftFormTest.moc"
