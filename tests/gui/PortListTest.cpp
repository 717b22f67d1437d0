// Which serial ports the connection dialog offers, and in what order.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "GuiTestSupport.h"
#include "port/SerialPortList.h"

using namespace orvo;
using namespace orvo::test;

namespace {

// A fake /sys/class/tty with one entry: its "type" (when given) and its driver link.
void MakeTty(const QString& root, const QString& name, const QString& type, const QString& driver) {
    const QString dir = root + '/' + name;
    QDir().mkpath(dir + QStringLiteral("/device"));
    if (!type.isNull()) {
        QFile file(dir + QStringLiteral("/type"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(type.toLatin1() + '\n');
    }
    if (!driver.isEmpty()) {
        const QString target = root + QStringLiteral("/drivers/") + driver;
        QDir().mkpath(target);
        QVERIFY(QFile::link(target, dir + QStringLiteral("/device/driver")));
    }
}

PortFacts Bare(const QString& name) {
    PortFacts facts;
    facts.portName = name;
    facts.systemLocation = QStringLiteral("/dev/") + name;
    return facts;
}

} // namespace

class PortListTest : public QObject {
    Q_OBJECT
private slots:
    void reservedLegacySlotsAreLeftOut() {
        QTemporaryDir sys;
        QVERIFY(sys.isValid());
        const QString root = sys.path();
        MakeTty(root, "ttyS0", "4", "port");             // a 16550A behind it
        MakeTty(root, "ttyS1", "0", "port");             // an empty slot
        MakeTty(root, "ttyS2", QString(), "serial8250"); // no type: only the platform stub
        MakeTty(root, "ttyS3", QString(), "serial");     // no type, a real driver (PNP)
        MakeTty(root, "ttyS4", QString(), QString());    // nothing at all
        PortFacts described = Bare("ttyS1"), usb = Bare("ttyS1");
        described.description = QStringLiteral("PCI serial card");
        usb.hasVendorIdentifier = true;
        // Anything that describes itself is a real port, and other names are never slots.
        const std::pair<PortFacts, bool> cases[] = {
            {Bare("ttyS0"), false}, {Bare("ttyS1"), true},    {Bare("ttyS2"), true},
            {Bare("ttyS3"), false}, {Bare("ttyS4"), true},    {described, false},
            {usb, false},           {Bare("ttyUSB0"), false}, {Bare("ttySAC0"), false}};
        for (const auto& [facts, reserved] : cases)
            QVERIFY2(IsReservedLegacySlot(facts, root) == reserved, qPrintable(facts.portName));

        // Natural order under the system names, duplicates and slots gone.
        const std::vector<PortFacts> facts = {Bare("ttyUSB10"), Bare("ttyS1"),   Bare("ttyUSB2"),
                                              Bare("ttyS0"),    Bare("ttyACM0"), Bare("ttyUSB2")};
        QStringList names;
        for (const PortEntry& entry : PortEntriesFrom(facts, root))
            names << entry.name;
        QCOMPARE(names, (QStringList{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB2", "/dev/ttyUSB10"}));
        QVERIFY(PortNameLess("COM2", "COM10") && !PortNameLess("COM10", "COM2") &&
                !PortNameLess("COM3", "COM3"));
        QVERIFY(PortNameLess("ttyUSB1", "ttyUSB01") != PortNameLess("ttyUSB01", "ttyUSB1"));
    }
};

ORVO_GUI_TEST(PortListTest)
#include "PortListTest.moc"
