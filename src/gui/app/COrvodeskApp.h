#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

#include "app/AppServices.h"
#include "app/CommandLine.h"
#include "app/RecentFileList.h"
#include "port/SerialPortList.h"

namespace orvo {

class Clock;
class CMainFrame;
class DocumentSession;
class MessageService;
class TimeZoneSource;

namespace sim {
struct SimConfig;
}

struct AppOptions {
    QStringList arguments;                             // the command line after the program name
    bool splash = true;                                // two seconds of start-up picture
    MessageService* messages = nullptr;                // message boxes when not given
    std::function<std::vector<PortEntry>()> listPorts; // the system's serial ports when not given
    // The computer's clock and time zone when not given; everything the application creates
    // (documents, links, the demo monitor, forms) runs on these, so tests can use virtual time.
    Clock* clock = nullptr;
    const TimeZoneSource* zone = nullptr;
};

// The application: settings, start-up, the main window and the connections.
class COrvodeskApp : public QObject {
    Q_OBJECT
public:
    static const QString VERSION;      // "7.52"
    static const QString ORGANISATION; // the settings key
    static const QString NAME;         // "Orvodesk"

    explicit COrvodeskApp(AppOptions options);
    ~COrvodeskApp() override;

    // Start-up: settings and the recent files, the main window, the splash over it for two
    // seconds, then the main window maximised, with no monitor: the user connects. The
    // event loop keeps running meanwhile; StartupFinished tells when the window is up.
    bool InitInstance();

    // Connect: the connection dialog, then the document and its first window. Nothing when
    // the dialog is cancelled or the port does not open.
    DocumentSession* OnFileNew();
    // Open: a saved document holds nothing, so it connects on "COM1:" and keeps its window
    // whatever the port said.
    DocumentSession* OnFileOpen();
    // Connects to a port (or a demo entry) without the dialog. `demo` makes it a demo monitor
    // configured so.
    DocumentSession* Connect(const QString& portName, const sim::SimConfig* demo = nullptr,
                             bool keepOnFailure = false);

    const CommandLine& Command() const { return m_command; }
    QString ModeWord() const { return m_command.modeWord; }
    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    QList<DocumentSession*> Sessions() const;
    const AppServices& Services() const { return *m_services; }
    RecentFileList& Recent() { return m_recent; }
    std::vector<PortEntry> ListPorts() const;

signals:
    void StartupFinished();

private:
    void FinishStartup();

    AppOptions m_options;
    CommandLine m_command;
    std::unique_ptr<MessageService> m_ownMessages;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<CMainFrame> m_mainFrame;
    QList<QPointer<DocumentSession>> m_sessions;
    RecentFileList m_recent;
};

} // namespace orvo
