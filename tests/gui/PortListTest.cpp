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

        QVERIFY(!IsReservedLegacySlot(Bare("ttyS0"), root));
        QVERIFY(IsReservedLegacySlot(Bare("ttyS1"), root));
        QVERIFY(IsReservedLegacySlot(Bare("ttyS2"), root));
        QVERIFY(!IsReservedLegacySlot(Bare("ttyS3"), root));
        QVERIFY(IsReservedLegacySlot(Bare("ttyS4"), root));

        // Anything that describes itself is a real port, and other names are never slots.
        PortFacts described = Bare("ttyS1");
        described.description = QStringLiteral("PCI serial card");
        QVERIFY(!IsReservedLegacySlot(described, root));
        PortFacts usb = Bare("ttyS1");
        usb.hasVendorIdentifier = true;
        QVERIFY(!IsReservedLegacySlot(usb, root));
        QVERIFY(!IsReservedLegacySlot(Bare("ttyUSB0"), root));
        QVERIFY(!IsReservedLegacySlot(Bare("ttySAC0"), root));
    }

    void portsComeInNaturalOrderUnderTheirSystemNames() {
        QTemporaryDir sys;
        const QString root = sys.path();
        MakeTty(root, "ttyS0", "4", "port");
        MakeTty(root, "ttyS1", "0", "port");
        const std::vector<PortFacts> facts = {Bare("ttyUSB10"), Bare("ttyS1"),   Bare("ttyUSB2"),
                                              Bare("ttyS0"),    Bare("ttyACM0"), Bare("ttyUSB2")};
        QStringList names;
        for (const PortEntry& entry : PortEntriesFrom(facts, root))
            names << entry.name;
        QCOMPARE(names, (QStringList{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB2", "/dev/ttyUSB10"}));
    }

    void naturalOrder() {
        QVERIFY(PortNameLess("COM2", "COM10"));
        QVERIFY(!PortNameLess("COM10", "COM2"));
        QVERIFY(PortNameLess("ttyS9", "ttyUSB0"));
        QVERIFY(PortNameLess("ttyUSB1", "ttyUSB01") != PortNameLess("ttyUSB01", "ttyUSB1"));
        QVERIFY(!PortNameLess("COM3", "COM3"));
    }
};

ORVO_GUI_TEST(PortListTest)
#include "PortListTest.moc"
