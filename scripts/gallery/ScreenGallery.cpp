// Not a test: renders every screen to PNG files for a look-and-feel review, at whatever
// QT_SCALE_FACTOR is set. Built on demand with the widget tests' support, never run by ctest:
//   cmake --build --preset default --target orvo_screen_gallery
//   export ORVO_SCREENS_DIR=/tmp/screens QT_SCALE_FACTOR=2 QT_QPA_PLATFORM=offscreen
//   build/default/tests/gui/orvo_screen_gallery ScreenGallery

#include <QDir>
#include <QMenu>
#include <QMenuBar>

#include "GuiTestSupport.h"
#include "dialogs/CDateSelectionDlg.h"
#include "dialogs/CNewConnectionDlg.h"
#include "frame/CAboutDlg.h"
#include "model/ShiftProgram.h"

using namespace orvo;
using namespace orvo::test;

class ScreenGallery : public QObject {
    Q_OBJECT

    QString m_dir;

    void Save(QWidget* widget, const QString& name) {
        QVERIFY(widget->grab().save(m_dir + '/' + name + QStringLiteral(".png")));
    }

private slots:
    void initTestCase() {
        m_dir = qEnvironmentVariable("ORVO_SCREENS_DIR");
        if (m_dir.isEmpty())
            QSKIP("ORVO_SCREENS_DIR is not set");
        QDir().mkpath(m_dir);
    }

    void mainForms() {
        for (const QString& mode : {QString(), QStringLiteral("service"), QStringLiteral("expert")}) {
            for (float firmware : {7.0f, 6.5f}) {
                AppHarness harness({mode});
                DocumentSession* session = harness.ConnectDemo(firmware);
                COrvodeskForm* form = MainForm(session);
                QVERIFY(form);
                if (mode == QStringLiteral("expert"))
                    session->Demo()->Monitor().SetRegisterValue(183, 1);
                QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "sampleTime"), QStringLiteral("STOP"), kConnectMs);
                QTRY_VERIFY_WITH_TIMEOUT(Received(session, firmware > 6.69f ? 24 : 2).size() > 6, kChangeMs);
                QCoreApplication::processEvents();
                const QString name = QStringLiteral("main-%1-%2")
                                         .arg(mode.isEmpty() ? QStringLiteral("standard") : mode)
                                         .arg(firmware, 0, 'f', 2);
                Save(FirstFrame(session), name);
                if (mode.isEmpty() && firmware > 6.69f) {
                    // Warming for a day yet: the demo runs at virtual time.
                    session->Demo()->Monitor().SetRegisterValue(12, 2 * 86400);
                    session->Demo()->Monitor().SetRegisterValue(13, 86400 + 3661);
                    ShiftProgram program;
                    program.startTime = harness.clock.NowSeconds() + 86400;
                    program.duration = 3600;
                    session->Doc().Link().ProgramShift(program, true);
                    QTRY_VERIFY_WITH_TIMEOUT(TextOf(form, "warmupTime").startsWith("Warming"), kChangeMs);
                    Save(FirstFrame(session), QStringLiteral("main-warming"));
                    QTest::mouseClick(form->Button(MainButton::ClearProgram), Qt::LeftButton);
                    Save(FirstFrame(session), QStringLiteral("main-clearing"));
                    QTRY_COMPARE_WITH_TIMEOUT(TextOf(form, "sampleTime"), QStringLiteral("STOP"), kChangeMs);
                    QTRY_VERIFY_WITH_TIMEOUT(form->Button(MainButton::ProgramShift)->isEnabled(), kChangeMs);
                    QTest::mouseClick(form->Button(MainButton::ProgramShift), Qt::LeftButton);
                    Save(FirstFrame(session), QStringLiteral("pending-shift"));
                }
                if (mode == QStringLiteral("expert") && firmware > 6.69f) {
                    harness.app->MainFrame()->resize(1000, 700);
                    Save(harness.app->MainFrame(), QStringLiteral("mainframe-expert"));
                }
            }
        }
    }

    void dialogs() {
        ScriptedMessages messages;
        CNewConnectionDlg connection({{"/dev/ttyUSB0", "FT232R USB UART"}}, messages);
        connection.show();
        Save(&connection, QStringLiteral("connection"));
        CAboutDlg about;
        about.show();
        Save(&about, QStringLiteral("about"));
        CDateSelectionDlg date;
        date.SetTime(1'700'000'000);
        date.show();
        Save(&date, QStringLiteral("date"));
        // The characters later forms show: degrees, cubed, plus-minus.
        QLabel symbols(QStringLiteral("25.0 \u00B0C   1.234 mg/m\u00B3   \u00B10.05"));
        symbols.show();
        Save(&symbols, QStringLiteral("symbols"));
    }

    void menus() {
        AppHarness harness;
        QVERIFY(harness.ConnectDemo(7.0f));
        for (QAction* action : harness.app->MainFrame()->menuBar()->actions()) {
            QMenu* menu = action->menu();
            menu->popup(QPoint(0, 0));
            QTRY_VERIFY(menu->isVisible());
            Save(menu, QStringLiteral("menu-") + action->text().remove('&'));
            menu->hide();
        }
    }
};

ORVO_GUI_TEST(ScreenGallery)
#include "ScreenGallery.moc"
