// The main status form against the demo monitor at virtual time. What it decides, state by
// state, is tested in MainStatusLogicTest; here what it renders and the Service Date dialog.

#include <QDateEdit>
#include <QDateTime>

#include "GuiTestSupport.h"
#include "dialogs/CDateSelectionDlg.h"

using namespace orvo;
using namespace orvo::test;

namespace {

// The buttons that are enabled, by object name.
QString Enabled(COrvodeskForm* form) {
    QStringList on;
    for (size_t i = 0; i < MAIN_BUTTON_COUNT; ++i)
        if (form->Button(MainButton(i))->isEnabled())
            on << form->Button(MainButton(i))->objectName();
    return on.join(' ');
}

const QString kStoppedButtons = QStringLiteral("programShift downloadSample leakCheck flowCalibration "
                                               "diagnostics k0Audit tiltAudit configure realTimeGraph "
                                               "tiltCalibration boardTest k0Calibration serviceDate");

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT
private slots:
    // Service mode: the advanced column and the service date.
    void serviceColumnAndServiceDate() {
        AppHarness harness({QStringLiteral("service")});
        DocumentSession* session = harness.ConnectDemo(7.0f);
        COrvodeskForm* form = MainForm(session);
        QVERIFY(form);
        sim::SimMonitor& monitor = session->Demo()->Monitor();
        QTRY_COMPARE_WITH_TIMEOUT(Enabled(form), kStoppedButtons, kConnectMs);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "serialNumber"), QStringLiteral("ORV1234567"), kChangeMs);
        QCOMPARE(TextOf(form, "sampleTime"), QStringLiteral("STOP"));
        // The window grows with the technicians' column, so nothing is cut off.
        QVERIFY(!Find<QWidget>(form, "advancedOperations")->isHidden());
        QVERIFY(FirstFrame(session)->width() >= form->minimumSizeHint().width());

        // Service Date: register 182 is 0, so the dialog starts at today, and keeps its time of day.
        const QDate chosen(2024, 3, 5);
        QTime presetTime;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<CDateSelectionDlg*>(modal);
            QVERIFY(dialog && dialog->Picker()->date() == QDate(2023, 11, 14));
            presetTime = QDateTime::fromSecsSinceEpoch(dialog->Time()).time();
            dialog->Picker()->setDate(chosen);
            dialog->accept();
        });
        QTest::mouseClick(form->Button(MainButton::ServiceDate), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(qint64(monitor.RegisterValue(182)),
                                  QDateTime(chosen, presetTime).toSecsSinceEpoch(), kChangeMs);
        QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "lastService"), QStringLiteral("Last Service: 03/05/2024"),
                                  kChangeMs);
        QVERIFY(harness.messages.shown.empty());
    }
};

ORVO_GUI_TEST(MainFormTest)
#include "MainFormTest.moc"
