// Start-up, the command line's mode word, the menus and the connection dialog.

#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>

#include "GuiTestSupport.h"
#include "dialogs/CNewConnectionDlg.h"

using namespace orvo;
using namespace orvo::test;

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void modeWordIsTheWholeCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("demoAtStart");
        // The word's own rules are the document's (DocumentTest); here how the arguments make it.
        QTest::newRow("expert") << QStringList{"expert"} << int(ACCESS_EXPERT) << false;
        QTest::newRow("two words") << QStringList{"expert", "service"} << int(ACCESS_STANDARD) << false;
        QTest::newRow("demo option stripped")
            << QStringList{"--demo-connect", "expert"} << int(ACCESS_EXPERT) << true;
        QTest::newRow("demo option after")
            << QStringList{"service", "--demo-connect=6.50"} << int(ACCESS_SERVICE) << true;
    }
    void modeWordIsTheWholeCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, mode);
        QFETCH(bool, demoAtStart);
        AppHarness harness(arguments);
        // No word is taken for a file: without the demo option nothing is open.
        QCOMPARE(harness.app->Sessions().size(), demoAtStart ? 1 : 0);
        DocumentSession* session = demoAtStart ? harness.app->Sessions().first() : harness.ConnectDemo(7.0f);
        QVERIFY(session);
        QCOMPARE(int(session->Doc().Mode()), mode);
        if (arguments.contains(QStringLiteral("--demo-connect=6.50")))
            QCOMPARE(session->PortName(), DemoMonitor::NAME_OLD);
    }

    void dialogListsPortsThenDemosAndConnectsTheDemo() {
        AppHarness harness({}, {{"/dev/ttyUSB0", "FT232R USB UART"}, {"/dev/ttyACM0", ""}});
        QStringList items;
        WhenModal([&items](QWidget* modal) {
            auto* dialog = qobject_cast<CNewConnectionDlg*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Orvo-New Connection"));
            QComboBox* list = dialog->PortList();
            for (int i = 0; i < list->count(); ++i)
                items << list->itemText(i);
            QCOMPARE(list->itemData(0, Qt::ToolTipRole).toString(), QStringLiteral("FT232R USB UART"));
            QCOMPARE(list->currentText(), QStringLiteral("/dev/ttyUSB0"));
            list->setCurrentIndex(2);
            dialog->accept();
        });
        DocumentSession* session = harness.app->OnFileNew();
        QCOMPARE(items, (QStringList{"/dev/ttyUSB0", "/dev/ttyACM0", "Demo Orvo (firmware 7.00)",
                                     "Demo Orvo (firmware 6.50)"}));
        QVERIFY(session && session->Demo() && harness.messages.shown.empty());
        QTRY_VERIFY_WITH_TIMEOUT(session->Doc().Connected(), kConnectMs);
        // A demo is never mistaken for a real monitor.
        QTRY_COMPARE(FirstFrame(session)->windowTitle(), QStringLiteral("Orvo - Demo Orvo (firmware 7.00)"));
        QVERIFY(harness.app->MainFrame()->ShowsDocumentMenus());
    }

    // No ports: a warning once the dialog is up, the demos only; a typed path is taken whole.
    void noPortsWarnsAndATypedPathsFailureIsReported() {
        AppHarness harness;
        int items = 0;
        WhenModal([&items](QWidget* modal) {
            auto* dialog = qobject_cast<CNewConnectionDlg*>(modal);
            QVERIFY(dialog);
            items = dialog->PortList()->count();
            QLineEdit* edit = dialog->PortList()->lineEdit();
            // A by-id path is longer than a Windows port name and must be taken whole.
            const QString byId =
                QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10KZ3XY-if00-port0");
            edit->setText(byId);
            QCOMPARE(edit->text(), byId);
            edit->setText(QStringLiteral("/nonexistent/ttyORVO"));
            dialog->accept();
        });
        QVERIFY(!harness.app->OnFileNew() && harness.app->Sessions().isEmpty());
        QVERIFY(harness.app->MainFrame()->MdiArea()->subWindowList().isEmpty());
        QVERIFY(!harness.app->MainFrame()->ShowsDocumentMenus());
        QCOMPARE(items, 2); // the demos
        const auto& shown = harness.messages.shown;
        QCOMPARE(int(shown.size()), 2);
        QCOMPARE(shown[0].text,
                 std::string("Your system does not appear to have\nany supported communications hardware!"));
        QCOMPARE(shown[0].icon, MessageIcon::Warning);
        QCOMPARE(shown[1].caption, std::string("Error"));
        QVERIFY2(shown[1].text.rfind("Unable to open the port", 0) == 0, shown[1].text.c_str());
    }

    void menusCommandsAndTheConnectQuirk() {
        AppHarness harness;
        CMainFrame* frame = harness.app->MainFrame();
        QCOMPARE(frame->windowTitle(), QStringLiteral("Orvodesk"));
        auto titles = [frame] {
            QStringList t;
            for (QAction* a : frame->menuBar()->actions())
                t << a->text();
            return t;
        };
        QCOMPARE(titles(), (QStringList{"&File", "&View", "&Help"}));

        // The menu reads Ctrl+C, the key is Ctrl+N, and Ctrl+C is left to the text fields.
        QAction* connectAction = frame->ConnectAction();
        QCOMPARE(connectAction->text(), QStringLiteral("&Connect\tCtrl+C"));
        QCOMPARE(connectAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(connectAction->statusTip(), QStringLiteral("Make a Connection to Orvo "));
        for (QAction* action : frame->findChildren<QAction*>())
            QVERIFY2(!action->shortcuts().contains(QKeySequence(QKeySequence::Copy)),
                     qPrintable(action->text()));

        DocumentSession* session = harness.ConnectDemo(7.0f);
        QVERIFY(session);
        QCOMPARE(titles(), (QStringList{"&File", "&View", "Options", "&Window", "&Help"}));
        frame->NewWindowAction()->trigger();
        QCOMPARE(session->Frames().size(), 2);
        QCOMPARE(frame->MdiArea()->subWindowList().size(), 2);
    }

    void recentListKeepsTheFourNewest() {
        AppHarness harness; // sets the settings key
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("orvodesk.ini")), QSettings::IniFormat);
        RecentFileList recent;
        for (const char* path : {"a.orvo", "b.orvo", "c.orvo", "a.orvo", "d.orvo", "e.orvo"})
            recent.Add(QString::fromLatin1(path));
        QCOMPARE(recent.Files(), (QStringList{"e.orvo", "d.orvo", "a.orvo", "c.orvo"}));
        recent.Save(settings);
        QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(),
                 QStringLiteral("e.orvo"));
        RecentFileList loaded;
        loaded.Load(settings);
        QCOMPARE(loaded.Files(), recent.Files());
        QCOMPARE(QCoreApplication::organizationName(),
                 QStringLiteral("Local AppWizard-Generated Applications"));
    }
};

ORVO_GUI_TEST(StartupTest)
#include "StartupTest.moc"
