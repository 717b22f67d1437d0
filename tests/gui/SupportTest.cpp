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
    QStringList section;
    bool inside = false;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
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
        // A corrupt answer and a runt are always counted as such; a NAK and a short answer count as a
        // foreign sequence instead when a slow machine timed their request out and it was answered.
        const auto spoiled = [&](const LinkCounters& c) {
            return c.badChecks >= 1 && c.runts >= 1 && c.naks + c.shortAnswers + c.foreignSequence >= 2;
        };
        QTRY_VERIFY_WITH_TIMEOUT(monitor.PendingFaults() == 0 && spoiled(link.Counters()), kChangeMs);
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
        // The text holds the link's own counts, which may move on while it is made.
        using Field = uint64_t LinkCounters::*;
        const std::pair<const char*, Field> counted[] = {
            {"bad checks", &LinkCounters::badChecks},
            {"runts", &LinkCounters::runts},
            {"NAKs", &LinkCounters::naks},
            {"short answers", &LinkCounters::shortAnswers},
            {"frames written", &LinkCounters::framesWritten},
            {"answers accepted", &LinkCounters::answersAccepted},
            {"foreign sequences", &LinkCounters::foreignSequence}};
        for (const auto& [name, field] : counted) {
            const uint64_t shown = Counter(section, name);
            QVERIFY2(shown >= before.*field && shown <= after.*field, name);
        }
        QVERIFY(Counter(section, "links lost") == 0 && Counter(section, "port failures") == 0);

        // The latest frames in both directions, one a line.
        static const QRegularExpression kTrace(
            QStringLiteral("^    \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ([<>])( [0-9A-F]{2})+$"));
        QSet<QString> directions;
        int traced = 0;
        for (const QString& line : section)
            if (const QRegularExpressionMatch m = kTrace.match(line); m.hasMatch() && ++traced)
                directions.insert(m.captured(1));
        QVERIFY(section.contains(QStringLiteral("  last %1 trace lines (UTC):").arg(traced)));
        QVERIFY(traced > 0 && traced <= 200);
        QCOMPARE(directions.size(), 2);

        // The other monitor's counters are its own.
        const QStringList other = LinkSection(text, DemoMonitor::NAME_OLD);
        QVERIFY(Counter(other, "bad checks") == 0 && Counter(other, "answers accepted") > 0);
    }
};

ORVO_GUI_TEST(SupportTest)
#include "SupportTest.moc"
