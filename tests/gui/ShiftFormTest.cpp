// The shift form and its dialogs as a user meets them, against the demo monitor: refusals
// through the message service with the focus on the field, a program that reaches the
// monitor and shows on the main form, Cancel and close, MRE Equivalent and Shift Information.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QRadioButton>

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
    void refusalsSelectTheField_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minutesAhead");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        QTest::newRow("too soon") << QString() << QString() << 30
                                  << QStringLiteral(
                                         "The start time is too soon. Please enter a start time that is "
                                         "at least\n35 minutes greater than the current time.")
                                  << int(MessageIcon::Stop);
        QTest::newRow("mine ID") << QStringLiteral("mineId") << QStringLiteral("ABC") << 120
                                 << QStringLiteral("The Mine ID Number must be 7 numbers")
                                 << int(MessageIcon::None);
        QTest::newRow("MMU") << QStringLiteral("mmu") << QStringLiteral("12") << 120
                             << QStringLiteral("The MMU DA/SA must be 4 numbers") << int(MessageIcon::None);
        QTest::newRow("MIIN") << QStringLiteral("miin") << QStringLiteral("X12345678") << 120
                              << QStringLiteral("The Part 90 Miner Sampled MIIN must begin with 'M' and be 9 "
                                                "characters long")
                              << int(MessageIcon::None);
        QTest::newRow("missing") << QStringLiteral("mineName") << QString() << 120
                                 << QStringLiteral(
                                        "All values must be filled in or a selection must be made.")
                                 << int(MessageIcon::Stop);
    }
    void refusalsSelectTheField() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(int, minutesAhead);
        QFETCH(QString, message);
        QFETCH(int, icon);
        AppHarness harness;
        DocumentSession* session = nullptr;
        CShiftForm* form = OpenShiftForm(harness, 7.0f, &session);
        QVERIFY(form);
        EnterValid(form, minutesAhead);
        if (field == QStringLiteral("miin")) {
            Choose(form, "sampleType", 4);
            Type(form, "dustStandard", QStringLiteral("2.2"));
        }
        if (!field.isEmpty())
            Type(form, field.toLatin1().constData(), text);
        harness.messages.Clear();
        const size_t programs = Received(session, CMD_PROGRAM_SHIFT_EX).size();
        QTest::mouseClick(form->OkButton(), Qt::LeftButton);

        const auto shown = harness.messages.AllShown();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(QString::fromStdString(shown[0].text), message);
        QCOMPARE(int(shown[0].icon), icon);
        QCOMPARE(FirstFrame(session)->ActiveForm(), form);
        if (!text.isEmpty()) {
            auto* edit = Find<QLineEdit>(form, field.toLatin1().constData());
            QCOMPARE(form->focusWidget(), edit);
            QCOMPARE(edit->selectedText(), text);
        }
        QTest::qWait(300);
        QCOMPARE(Received(session, CMD_PROGRAM_SHIFT_EX).size(), programs);
    }

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
        const int64_t start = form->Logic().PickedStart();
        QTest::mouseClick(form->OkButton(), Qt::LeftButton);
        QVERIFY(harness.messages.AllShown().empty());

        // Straight back to the main form, which announces the programming and then shows it.
        COrvodeskForm* main = MainForm(session);
        QVERIFY(main);
        QVERIFY(session->Doc().ProgrammingBusy());
        sim::SimMonitor& monitor = session->Demo()->Monitor();
        QTRY_COMPARE_WITH_TIMEOUT(monitor.DeviceState(), int(STATE_PROGRAMMED), kChangeMs);
        const sim::SimShiftFields fields = monitor.ProgramFields();
        QCOMPARE(fields.mineId, std::string("4601234"));
        QCOMPARE(fields.mineName, std::string("North Portal"));
        QCOMPARE(fields.startUtc, uint32_t(start));
        QCOMPARE(fields.duration, 28800u);
        QCOMPARE(fields.occupation, std::string(newFirmware ? "36" : "036"));
        QCOMPARE(fields.sampleType, uint8_t(5));
        QCOMPARE(fields.miin, std::string(newFirmware ? "m12345678" : "0")); // older: read as a number
        QCOMPARE(monitor.RegisterValue(150), double(2.2f));
        QCOMPARE(monitor.RegisterValue(155), 129.0);
        QCOMPARE(monitor.RegisterValue(33), 43.0);
        QTRY_COMPARE_WITH_TIMEOUT(monitor.RegisterValue(10), 0.0, kChangeMs);

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

        auto refusal = [&](ShiftInformationField field, const QString& selected, const char* text,
                           MessageIcon icon) {
            messages.Clear();
            dialog.accept();
            const auto shown = messages.AllShown();
            QCOMPARE(shown.size(), size_t(1));
            QCOMPARE(QString::fromStdString(shown[0].text), QString::fromLatin1(text));
            QCOMPARE(int(shown[0].icon), int(icon));
            QCOMPARE(dialog.focusWidget(), dialog.Field(field));
            QCOMPARE(dialog.Field(field)->selectedText(), selected);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        };
        dialog.Field(ShiftInformationField::AverageTons)->setText(QStringLiteral("12.5"));
        refusal(ShiftInformationField::AverageTons, QStringLiteral("12.5"),
                "Average Tons - 30 Shifts must be a whole number", MessageIcon::Stop);
        dialog.Field(ShiftInformationField::AverageTons)->clear();
        dialog.Field(ShiftInformationField::CertifiedMiin)->setText(QStringLiteral("12345678"));
        refusal(ShiftInformationField::CertifiedMiin, QStringLiteral("12345678"),
                "The Certified Person MIIN must begin with 'M' and be 9 characters long", MessageIcon::None);
        dialog.Field(ShiftInformationField::CertifiedMiin)->setText(QStringLiteral("m12345678"));

        dialog.YesButton()->click();
        QVERIFY(dialog.Field(ShiftInformationField::SecondUnitSerial)->isEnabled());
        dialog.Field(ShiftInformationField::FirstUnitSerial)->setText(QStringLiteral("orv12345678"));
        dialog.Field(ShiftInformationField::SecondUnitSerial)->setText(QStringLiteral("ORV12345678"));
        refusal(ShiftInformationField::FirstUnitSerial, QStringLiteral("ORV12345678"),
                "The serial numbers cannot be identical", MessageIcon::Stop);
        QCOMPARE(dialog.Field(ShiftInformationField::FirstUnitSerial)->text(), QStringLiteral("ORV12345678"));

        dialog.Field(ShiftInformationField::SecondUnitSerial)->setText(QStringLiteral("orv12345679"));
        messages.Clear();
        dialog.accept();
        QVERIFY(messages.AllShown().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.Result().entered);
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
        text = QStringLiteral("8:75");
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
