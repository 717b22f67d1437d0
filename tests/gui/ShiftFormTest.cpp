// The shift form and its dialogs as a user meets them, against the demo monitor: a refusal
// with the focus on the field, a program that reaches the monitor byte for byte and shows on
// the main form, Cancel and close, MRE Equivalent and Shift Information.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>

#include "GuiTestSupport.h"
#include "dialogs/CMreEquivalentDlg.h"
#include "dialogs/CShiftInfoDlg.h"
#include "forms/CShiftForm.h"
#include "link/Protocol.h"
#include "model/ShiftVocabulary.h"
#include "ui/DurationEdit.h"

using namespace orvo;
using namespace orvo::test;

namespace {

// Opens the shift form on a connected demo monitor with a warm-up of 35 minutes and waits
// until it shows the monitor's program.
CShiftForm* OpenShiftForm(AppHarness& harness, float firmware, DocumentSession** out = nullptr) {
    DocumentSession* session = harness.ConnectDemo(firmware);
    if (!session)
        return nullptr;
    session->Demo()->Monitor().SetRegisterValue(12, 2100);
    if (out)
        *out = session;
    COrvodeskForm* main = MainForm(session);
    if (!QTest::qWaitFor([&] { return main->Button(MainButton::ProgramShift)->isEnabled(); }, kConnectMs))
        return nullptr;
    // The main form has read register 12 once connected; wait for that answer.
    if (!QTest::qWaitFor([&] { return session->Doc().Registers().Value(12) == 2100.0; }, kChangeMs))
        return nullptr;
    QTest::mouseClick(main->Button(MainButton::ProgramShift), Qt::LeftButton);
    auto* form = qobject_cast<CShiftForm*>(FirstFrame(session)->ActiveForm());
    if (!form ||
        !QTest::qWaitFor([&] { return !Find<QLineEdit>(form, "dustStandard")->text().isEmpty(); }, kChangeMs))
        return nullptr;
    return form;
}

void Type(QWidget* form, const char* name, const QString& text) {
    auto* edit = Find<QLineEdit>(form, name);
    QVERIFY2(edit, name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void Choose(QWidget* form, const char* name, int row) {
    auto* combo = Find<QComboBox>(form, name);
    QVERIFY2(combo, name);
    combo->setCurrentIndex(row);
    emit combo->activated(row);
}

// Entries that pass every check in standard mode, the start `minutesAhead` from now.
void EnterValid(CShiftForm* form, int minutesAhead) {
    Type(form, "wearerId", QStringLiteral("1234"));
    Type(form, "mineId", QStringLiteral("4601234"));
    Type(form, "contractorCode", QStringLiteral("AB1"));
    Type(form, "mineName", QStringLiteral("North Portal"));
    Type(form, "companyName", QStringLiteral("Coal Co"));
    Type(form, "mmu", QStringLiteral("0010"));
    Choose(form, "occupation", FindOccupation(36));
    Choose(form, "sampleType", 0);
    Choose(form, "temperature", 2);
    Type(form, "dustStandard", QStringLiteral("2.2"));
    form->DayBox(0)->click();
    auto* duration = Find<DurationEdit>(form, "duration");
    duration->selectAll();
    QTest::keyClicks(duration, QStringLiteral("8:00"));
    Find<QDateTimeEdit>(form, "sampleStart")
        ->setDateTime(QDateTime::currentDateTime().addSecs(minutesAhead * 60));
}

} // namespace

class ShiftFormTest : public QObject {
    Q_OBJECT
private slots:
    void aProgramReachesTheMonitorAndTheMainForm_data() {
        QTest::addColumn<float>("firmware");
        QTest::newRow("7.00") << 7.0f;
        QTest::newRow("6.50") << 6.5f;
    }
    void aProgramReachesTheMonitorAndTheMainForm() {
        QFETCH(float, firmware);
        const bool newFirmware = firmware > 6.69f;
        AppHarness harness;
        DocumentSession* session = nullptr;
        CShiftForm* form = OpenShiftForm(harness, firmware, &session);
        QVERIFY(form);
        QCOMPARE(TextOf(form, "firmware"), newFirmware ? QStringLiteral("Orvo Firmware Version: 7.00")
                                                       : QStringLiteral("Orvo Firmware Version: 6.50"));
        QTRY_COMPARE_WITH_TIMEOUT(session->Demo()->Monitor().RegisterValue(10), 1.0, kChangeMs);
        EnterValid(form, 120);
        QCOMPARE(TextOf(form, "minutes"), QStringLiteral("480"));
        // A Part 90 miner: the standard is entered again, the MIIN goes as typed.
        QVERIFY(!Find<QLineEdit>(form, "miin")->isEnabled());
        Choose(form, "sampleType", 4);
        QVERIFY(Find<QLineEdit>(form, "miin")->isEnabled());
        QCOMPARE(Find<QLineEdit>(form, "dustStandard")->text(), QString());
        Type(form, "dustStandard", QStringLiteral("2.2"));
        Type(form, "miin", QStringLiteral("m12345678"));
        if (newFirmware) {
            // A refusal (every text is checked in the core) leaves the form with the field selected.
            Type(form, "mineId", QStringLiteral("ABC"));
            QTest::mouseClick(form->OkButton(), Qt::LeftButton);
            const auto shown = harness.messages.AllShown();
            QCOMPARE(shown.size(), size_t(1));
            QCOMPARE(QString::fromStdString(shown[0].text),
                     QStringLiteral("The Mine ID Number must be 7 numbers"));
            QCOMPARE(FirstFrame(session)->ActiveForm(), form);
            QCOMPARE(form->focusWidget(), Find<QLineEdit>(form, "mineId"));
            QCOMPARE(Find<QLineEdit>(form, "mineId")->selectedText(), QStringLiteral("ABC"));
            QVERIFY(!session->Doc().ProgrammingBusy());
            Type(form, "mineId", QStringLiteral("4601234"));
            harness.messages.Clear();
        }
        const int64_t start = form->Logic().PickedStart();
        sim::SimMonitor& monitor = session->Demo()->Monitor();
        QTest::mouseClick(form->OkButton(), Qt::LeftButton);
        QVERIFY(harness.messages.AllShown().empty());

        // Straight back to the main form, which announces the programming and then shows it.
        COrvodeskForm* main = MainForm(session);
        QVERIFY(main);
        QVERIFY(session->Doc().ProgrammingBusy());
        QTRY_COMPARE_WITH_TIMEOUT(monitor.DeviceState(), int(STATE_PROGRAMMED), kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(monitor.RegisterValue(10), 0.0, kChangeMs);

        // The writes on the wire, payloads by hand: count, 3 reserved, then number, 3 reserved, word.
        // The four writes before the program and the power-off after it (the form's entry and the
        // refused OK above wrote before them).
        using Bytes = std::vector<uint8_t>;
        auto programming = [&] {
            std::vector<Bytes> writes;
            for (const sim::SimRequest& r : monitor.Requests())
                if (r.command == CMD_WRITE_PRC || r.command == CMD_PROGRAM_SHIFT ||
                    r.command == CMD_PROGRAM_SHIFT_EX)
                    writes.push_back(r.command == CMD_WRITE_PRC ? r.payload : Bytes{r.command});
            auto program =
                std::find_if(writes.begin(), writes.end(), [](const Bytes& w) { return w.size() == 1; });
            return program - writes.begin() < 4 ? writes : std::vector<Bytes>(program - 4, writes.end());
        };
        const Bytes powerOff = {1, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0};
        const std::vector<Bytes> expected = {
            {6,    0,    0,    0,    20,   0,    0,    0,    0x00, 0x00, 0x00, 0x00, 21,
             0,    0,    0,    0x00, 0x00, 0x00, 0x00, 33,   0,    0,    0,    0x42, 0x2C,
             0x00, 0x00, 34,   0,    0,    0,    0x00, 0x00, 0x00, 0x00, 46,   0,    0,
             0,    0x42, 0x38, 0x00, 0x00, 47,   0,    0,    0,    0x00, 0x00, 0x00, 0x00}, // 43.0, 46.0
            {1, 0, 0, 0, 148, 0, 0, 0, 0, 0, 0, 3},                                         // warm-up >= 180
            {1, 0, 0, 0, 155, 0, 0, 0, 0, 0, 0, 0x81},                                      // Sunday only
            {1, 0, 0, 0, 150, 0, 0, 0, 0x40, 0x0C, 0xCC, 0xCD},                             // 2.2f
            {newFirmware ? CMD_PROGRAM_SHIFT_EX : CMD_PROGRAM_SHIFT},
            powerOff,
            powerOff,
            powerOff,
        };
        QTRY_COMPARE_WITH_TIMEOUT(programming(), expected, kChangeMs);
        const sim::SimShiftFields fields = monitor.ProgramFields();
        QCOMPARE(fields.mineName, std::string("North Portal"));
        QCOMPARE(fields.startUtc, uint32_t(start)); // the older layout's local time converted back
        QCOMPARE(fields.duration, 28800u);
        QCOMPARE(fields.occupation, std::string(newFirmware ? "36" : "036"));
        QCOMPARE(fields.sampleType, uint8_t(5));
        QCOMPARE(fields.miin, std::string(newFirmware ? "m12345678" : "0")); // older: read as a number

        QTRY_VERIFY_WITH_TIMEOUT(!session->Doc().ProgrammingBusy(), kChangeMs);
        // The start in local time; older monitors keep it as local seconds, shown without a comma.
        const QString shown = QDateTime::fromSecsSinceEpoch(start).toString(
            newFirmware ? QStringLiteral("MM/dd/yyyy, HH:mm") : QStringLiteral("MM/dd/yyyy HH:mm"));
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(main, "sampleTime"), shown, kChangeMs);
        QTRY_VERIFY_WITH_TIMEOUT(main->Button(MainButton::ClearProgram)->isEnabled(), kChangeMs);
    }

    void cancelAndCloseLeaveTheMonitorPoweredOff() {
        for (bool byClose : {false, true}) {
            AppHarness harness;
            DocumentSession* session = nullptr;
            CShiftForm* form = OpenShiftForm(harness, 7.0f, &session);
            QVERIFY(form);
            sim::SimMonitor& monitor = session->Demo()->Monitor();
            QTRY_COMPARE_WITH_TIMEOUT(monitor.RegisterValue(10), 1.0, kChangeMs);
            Type(form, "mineName", QStringLiteral("Not sent"));
            if (byClose)
                QVERIFY(!FirstFrame(session)->close());
            else
                QTest::mouseClick(form->CancelButton(), Qt::LeftButton);
            QCoreApplication::processEvents();
            QCOMPARE(FirstFrame(session)->ActiveForm()->Kind(), FormKind::Main);
            QTRY_COMPARE_WITH_TIMEOUT(monitor.RegisterValue(10), 0.0, kChangeMs);
            QVERIFY(Received(session, CMD_PROGRAM_SHIFT_EX).empty());
        }
    }

    void mreEquivalentFromTheOptionsMenu() {
        AppHarness harness;
        DocumentSession* session = nullptr;
        CShiftForm* form = OpenShiftForm(harness, 7.0f, &session);
        QVERIFY(form);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "mreStatus"), QStringLiteral("MRE Equivalent Enabled"),
                                  kChangeMs);
        QAction* action = nullptr;
        for (QAction* a : harness.app->MainFrame()->findChildren<QAction*>())
            if (a->text() == QStringLiteral("MRE Equivalent..."))
                action = a;
        QVERIFY(action && action->isEnabled());

        bool wasChecked = false;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<CMreEquivalentDlg*>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            wasChecked = dialog->EnableBox()->isChecked();
            dialog->EnableBox()->click();
            dialog->accept();
        });
        action->trigger();
        QVERIFY(wasChecked);
        QTRY_COMPARE_WITH_TIMEOUT(session->Demo()->Monitor().RegisterValue(149), 0.0, kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "mreStatus"), QStringLiteral("MRE Equivalent Disabled"),
                                  kChangeMs);
    }

    void shiftInformationDialog() {
        ScriptedMessages messages;
        CShiftInfoDlg dialog(ACCESS_STANDARD, messages);
        ShiftInformation preset;
        preset.certifiedMiin = "M00000001";
        dialog.SetPreset(preset);
        QVERIFY(dialog.NoButton()->isChecked());
        QVERIFY(!dialog.Field(ShiftInformationField::FirstUnitSerial)->isEnabled());

        dialog.Field(ShiftInformationField::CertifiedMiin)->setText(QStringLiteral("m12345678"));
        dialog.YesButton()->click();
        QVERIFY(dialog.Field(ShiftInformationField::SecondUnitSerial)->isEnabled());
        dialog.Field(ShiftInformationField::FirstUnitSerial)->setText(QStringLiteral("orv12345678"));
        dialog.Field(ShiftInformationField::SecondUnitSerial)->setText(QStringLiteral("ORV12345678"));
        // The core checks every refusal; here one is rendered: its text, focus and selection.
        dialog.accept();
        const auto shown = messages.AllShown();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(QString::fromStdString(shown[0].text),
                 QStringLiteral("The serial numbers cannot be identical"));
        QCOMPARE(int(shown[0].icon), int(MessageIcon::Stop));
        QCOMPARE(dialog.focusWidget(), dialog.Field(ShiftInformationField::FirstUnitSerial));
        QCOMPARE(dialog.Field(ShiftInformationField::FirstUnitSerial)->selectedText(),
                 QStringLiteral("ORV12345678"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.Field(ShiftInformationField::FirstUnitSerial)->text(), QStringLiteral("ORV12345678"));

        dialog.Field(ShiftInformationField::SecondUnitSerial)->setText(QStringLiteral("orv12345679"));
        messages.Clear();
        dialog.accept();
        QVERIFY(messages.AllShown().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.Result().multiUnit);
        QCOMPARE(dialog.Result().secondUnitSerial, std::string("ORV12345679"));
        QCOMPARE(dialog.Result().certifiedMiin, std::string("m12345678"));

        // "No" empties and disables the serial numbers again.
        dialog.NoButton()->click();
        QCOMPARE(dialog.Field(ShiftInformationField::FirstUnitSerial)->text(), QString());
        QVERIFY(!dialog.Field(ShiftInformationField::FirstUnitSerial)->isEnabled());
    }

    void durationEntryTakesHoursAndMinutesUpTo720() {
        DurationEdit edit;
        edit.SetMaximumSeconds(2592000);
        edit.SetPageStepMinutes(120);
        edit.SetSeconds(43200);
        QCOMPARE(edit.text(), QStringLiteral("12:00"));
        QString text = QStringLiteral("720:00");
        int pos = 0;
        QCOMPARE(edit.validate(text, pos), QValidator::Acceptable);
        text = QStringLiteral("720:01");
        QCOMPARE(edit.validate(text, pos), QValidator::Invalid);
        edit.selectAll();
        QTest::keyClicks(&edit, QStringLiteral("36:30"));
        QCOMPARE(edit.Seconds(), 36u * 3600 + 30 * 60);
        QTest::keyClick(&edit, Qt::Key_PageUp);
        QCOMPARE(edit.Seconds(), 38u * 3600 + 30 * 60);
    }
};

ORVO_GUI_TEST(ShiftFormTest)
#include "ShiftFormTest.moc"
