// Help > Copy Diagnostics: what a support request gets from the clipboard.

#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>

#include "GuiTestSupport.h"

using namespace orvo;
using namespace orvo::test;

namespace {

// The lines of one link's section, from its heading to the next blank line.
QStringList LinkSection(const QString& text, const QString& port) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    QStringList section;
    bool inside = false;
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("Link on ") + port + QStringLiteral(" ")))
            inside = true;
        else if (inside && line.isEmpty())
            break;
        if (inside)
            section << line;
    }
    return section;
}

uint64_t Counter(const QStringList& section, const char* name) {
    const QString prefix = QStringLiteral("  %1: ").arg(QLatin1String(name));
    for (const QString& line : section)
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).toULongLong();
    return ~uint64_t(0);
}

} // namespace

class SupportTest : public QObject {
    Q_OBJECT
private slots:
    void copyDiagnosticsHoldsEachOpenLinksCountersAndTrace() {
        AppHarness harness(
            {}, {{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART\nFTDI\nUSB 0403:6001")}});
        DocumentSession* faulty = harness.ConnectDemo(7.0f);
        DocumentSession* clean = harness.ConnectDemo(6.5f);
        QVERIFY(faulty && clean);
        QTRY_VERIFY_WITH_TIMEOUT(faulty->Doc().Connected() && clean->Doc().Connected(), kConnectMs);

        // One answer of each kind spoiled, on one monitor only.
        sim::SimMonitor& monitor = faulty->Demo()->Monitor();
        for (sim::Fault fault : {sim::Fault::Corrupt, sim::Fault::Runt, sim::Fault::Nak, sim::Fault::Short})
            monitor.InjectFault(fault);
        CDeviceLink& link = faulty->Doc().Link();
        QTRY_VERIFY_WITH_TIMEOUT(monitor.PendingFaults() == 0 && link.Counters().shortAnswers == 1,
                                 kChangeMs);
        const LinkCounters before = link.Counters();
        harness.app->MainFrame()->CopyDiagnosticsAction()->trigger();
        const LinkCounters after = link.Counters();
        const QString text = QGuiApplication::clipboard()->text();

        QVERIFY2(text.startsWith(QStringLiteral("Orvodesk 7.52\nQt ")), qPrintable(text.left(200)));
        QVERIFY(text.contains(
            QStringLiteral("\nSerial ports:\n  /dev/ttyUSB0: FT232R USB UART; FTDI; USB 0403:6001\n")));
        QVERIFY(text.contains(QStringLiteral("\nOpen links: 2\n")));

        const QStringList section = LinkSection(text, DemoMonitor::NAME_NEW);
        QVERIFY2(!section.isEmpty(), qPrintable(text));
        QVERIFY(section[0].endsWith(QStringLiteral(": connected, firmware 7.00")));
        QCOMPARE(Counter(section, "bad checks"), uint64_t(1));
        QCOMPARE(Counter(section, "runts"), uint64_t(1));
        QCOMPARE(Counter(section, "NAKs"), uint64_t(1));
        QCOMPARE(Counter(section, "short answers"), uint64_t(1));
        QCOMPARE(Counter(section, "foreign sequences"), uint64_t(0));
        QCOMPARE(Counter(section, "links lost"), uint64_t(0));
        QCOMPARE(Counter(section, "port failures"), uint64_t(0));
        QVERIFY(Counter(section, "frames written") >= before.framesWritten &&
                Counter(section, "frames written") <= after.framesWritten);
        QVERIFY(Counter(section, "answers accepted") >= before.answersAccepted &&
                Counter(section, "answers accepted") <= after.answersAccepted);

        // The latest frames in both directions, one a line.
        static const QRegularExpression kTrace(
            QStringLiteral("^    \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ([<>])( [0-9A-F]{2})+$"));
        QSet<QString> directions;
        int traced = 0;
        for (const QString& line : section) {
            if (const QRegularExpressionMatch m = kTrace.match(line); m.hasMatch()) {
                directions.insert(m.captured(1));
                ++traced;
            }
        }
        QVERIFY(section.contains(QStringLiteral("  last %1 trace lines (UTC):").arg(traced)));
        QVERIFY(traced > 0 && traced <= 200);
        QCOMPARE(directions.size(), 2);

        // The other monitor's counters are its own.
        const QStringList other = LinkSection(text, DemoMonitor::NAME_OLD);
        QVERIFY(other.size() > 1);
        QVERIFY(other[0].endsWith(QStringLiteral(": connected, firmware 6.50")));
        QCOMPARE(Counter(other, "bad checks"), uint64_t(0));
        QCOMPARE(Counter(other, "runts"), uint64_t(0));
        QVERIFY(Counter(other, "answers accepted") > 0);
    }
};

ORVO_GUI_TEST(SupportTest)
#include "SupportTest.moc"
