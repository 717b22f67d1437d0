#include "frame/SupportDiagnostics.h"

#include <QStringList>
#include <QSysInfo>
#include <QtGlobal>

#include "app/COrvodeskApp.h"
#include "app/DocumentSession.h"
#include "link/CDeviceLink.h"
#include "model/COrvodeskDoc.h"

namespace orvo {

namespace {

void AddLink(QStringList& out, DocumentSession& session) {
    COrvodeskDoc& doc = session.Doc();
    CDeviceLink& link = doc.Link();
    const QString state =
        !link.IsOpen() ? QStringLiteral("closed")
        : doc.Connected()
            ? QStringLiteral("connected, firmware %1").arg(double(doc.FirmwareVersion()), 0, 'f', 2)
            : QStringLiteral("not connected");
    out << QStringLiteral("Link on %1 (%2): %3")
               .arg(session.PortName(), QString::fromStdString(doc.Title()), state);
    const LinkCounters c = link.Counters();
    const std::pair<const char*, uint64_t> counters[] = {
        {"frames written", c.framesWritten},
        {"answers accepted", c.answersAccepted},
        {"bad checks", c.badChecks},
        {"foreign sequences", c.foreignSequence},
        {"short answers", c.shortAnswers},
        {"runts", c.runts},
        {"NAKs", c.naks},
        {"links lost", c.linksLost},
        {"port failures", c.portFailures},
    };
    for (const auto& [name, value] : counters)
        out << QStringLiteral("  %1: %2").arg(QLatin1String(name)).arg(value);
    const std::vector<std::string> lines = link.TraceLines();
    out << QStringLiteral("  last %1 trace lines (UTC):").arg(lines.size());
    for (const std::string& line : lines)
        out << QStringLiteral("    ") + QString::fromStdString(line);
}

} // namespace

QString SupportDiagnosticsText(const COrvodeskApp& app) {
    QStringList out;
    out << QStringLiteral("Orvodesk %1").arg(COrvodeskApp::VERSION);
    out << QStringLiteral("Qt %1 (built with %2)")
               .arg(QLatin1String(qVersion()), QLatin1String(QT_VERSION_STR));
    out << QStringLiteral("Operating system: %1; %2 %3; %4")
               .arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion(),
                    QSysInfo::currentCpuArchitecture());
    out << QString() << QStringLiteral("Serial ports:");
    const std::vector<PortEntry> ports = app.ListPorts();
    if (ports.empty())
        out << QStringLiteral("  (none)");
    for (const PortEntry& port : ports) {
        QString line = QStringLiteral("  ") + port.name;
        if (!port.toolTip.isEmpty())
            line +=
                QStringLiteral(": ") + QString(port.toolTip).replace(QLatin1Char('\n'), QStringLiteral("; "));
        out << line;
    }
    const QList<DocumentSession*> sessions = app.Sessions();
    out << QString() << QStringLiteral("Open links: %1").arg(sessions.size());
    for (DocumentSession* session : sessions) {
        out << QString();
        AddLink(out, *session);
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace orvo
