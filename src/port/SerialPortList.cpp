#include "port/SerialPortList.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

namespace orvo {

namespace {

QString ReadSysfsLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readLine()).trimmed();
}

QString ToolTipOf(const QSerialPortInfo& info) {
    QStringList lines;
    if (!info.description().isEmpty())
        lines << info.description();
    if (!info.manufacturer().isEmpty())
        lines << info.manufacturer();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier())
        lines << QStringLiteral("USB %1:%2")
                     .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                     .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
    if (info.systemLocation() != info.portName())
        lines << info.systemLocation();
    return lines.join('\n');
}

PortFacts FactsOf(const QSerialPortInfo& info) {
    PortFacts facts;
    facts.portName = info.portName();
    facts.systemLocation = info.systemLocation();
    facts.description = info.description();
    facts.manufacturer = info.manufacturer();
    facts.hasVendorIdentifier = info.hasVendorIdentifier();
    facts.hasProductIdentifier = info.hasProductIdentifier();
    return facts;
}

QString DisplayName(const PortFacts& facts) {
#ifdef Q_OS_WIN
    return facts.portName;
#else
    return facts.systemLocation.isEmpty() ? facts.portName : facts.systemLocation;
#endif
}

} // namespace

bool IsReservedLegacySlot(const PortFacts& port, const QString& sysClassTty) {
    static const QRegularExpression kLegacy(QStringLiteral("^ttyS[0-9]+$"));
    if (!kLegacy.match(port.portName).hasMatch())
        return false;
    if (!port.description.isEmpty() || !port.manufacturer.isEmpty() || port.hasVendorIdentifier ||
        port.hasProductIdentifier)
        return false;
    const QString dir = sysClassTty + '/' + port.portName;
    const QString type = ReadSysfsLine(dir + QStringLiteral("/type"));
    if (!type.isEmpty()) {
        bool ok = false;
        const int value = type.toInt(&ok);
        return ok && value == 0;
    }
    const QFileInfo driver(dir + QStringLiteral("/device/driver"));
    const QString driverName = driver.exists() ? QFileInfo(driver.symLinkTarget()).fileName() : QString();
    return driverName.isEmpty() || driverName == QStringLiteral("serial8250");
}

bool PortNameLess(const QString& a, const QString& b) {
    // Compare text runs as text and digit runs as numbers.
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            const QString na = a.mid(i, ei - i), nb = b.mid(j, ej - j);
            const qulonglong va = na.toULongLong(), vb = nb.toULongLong();
            if (va != vb)
                return va < vb;
            if (na.size() != nb.size())
                return na.size() < nb.size();
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::vector<PortEntry> PortEntriesFrom(const std::vector<PortFacts>& ports, const QString& sysClassTty) {
    std::vector<PortEntry> entries;
    for (const PortFacts& facts : ports) {
        if (IsReservedLegacySlot(facts, sysClassTty))
            continue;
        const QString name = DisplayName(facts);
        if (std::none_of(entries.begin(), entries.end(), [&](const PortEntry& e) { return e.name == name; }))
            entries.push_back({name, {}});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const PortEntry& x, const PortEntry& y) { return PortNameLess(x.name, y.name); });
    return entries;
}

std::vector<PortEntry> ListSerialPorts() {
    std::vector<PortFacts> facts;
    QHash<QString, QString> toolTips;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortFacts f = FactsOf(info);
        toolTips.insert(DisplayName(f), ToolTipOf(info));
        facts.push_back(std::move(f));
    }
    std::vector<PortEntry> entries = PortEntriesFrom(facts);
    for (PortEntry& entry : entries)
        entry.toolTip = toolTips.value(entry.name);
    return entries;
}

} // namespace orvo
