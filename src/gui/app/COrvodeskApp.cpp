#include "app/COrvodeskApp.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include "app/DocumentSession.h"
#include "dialogs/CNewConnectionDlg.h"
#include "frame/CChildFrame.h"
#include "frame/CMainFrame.h"
#include "frame/CSplashWindow.h"
#include "platform/Clock.h"
#include "platform/TimeZoneSource.h"
#include "ui/QtMessageService.h"

namespace orvo {

const QString COrvodeskApp::VERSION = QStringLiteral("7.52");
const QString COrvodeskApp::ORGANISATION = QStringLiteral("Local AppWizard-Generated Applications");
const QString COrvodeskApp::NAME = QStringLiteral("Orvodesk");

COrvodeskApp::COrvodeskApp(AppOptions options)
    : m_options(std::move(options)), m_command(CommandLine::Parse(m_options.arguments)) {
    MessageService* messages = m_options.messages;
    if (!messages) {
        m_ownMessages = std::make_unique<QtMessageService>();
        messages = m_ownMessages.get();
    }
    Clock& clock = m_options.clock ? *m_options.clock : SystemClock::Instance();
    const TimeZoneSource& zone = m_options.zone ? *m_options.zone : SystemTimeZone::Instance();
    m_services.reset(new AppServices{*messages, clock, zone});
}

COrvodeskApp::~COrvodeskApp() {
    // Windows first (their forms are views of the documents), then whatever documents remain.
    m_mainFrame.reset();
    for (const QPointer<DocumentSession>& session : m_sessions)
        delete session.data();
}

bool COrvodeskApp::InitInstance() {
    QCoreApplication::setOrganizationName(ORGANISATION);
    QCoreApplication::setApplicationName(NAME);
    QCoreApplication::setApplicationVersion(VERSION);
    {
        QSettings settings;
        m_recent.Load(settings);
    }
    m_mainFrame = std::make_unique<CMainFrame>(*this);
    if (!m_options.splash) {
        FinishStartup();
        return true;
    }
    auto* splash = new CSplashWindow(m_mainFrame.get());
    splash->show();
    // The splash stays two seconds; the event loop runs meanwhile instead of the thread
    // sleeping.
    QTimer::singleShot(CSplashWindow::SHOW_MS, this, [this, splash] {
        splash->close();
        splash->deleteLater();
        FinishStartup();
    });
    return true;
}

void COrvodeskApp::FinishStartup() {
    // Without a window manager (a bare X server) nobody maximises: fill the screen ourselves.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_mainFrame->setGeometry(screen->availableGeometry());
    m_mainFrame->showMaximized();
    if (!m_command.demoConnection.isEmpty())
        Connect(m_command.demoConnection);
    emit StartupFinished();
}

std::vector<PortEntry> COrvodeskApp::ListPorts() const {
    return m_options.listPorts ? m_options.listPorts() : ListSerialPorts();
}

DocumentSession* COrvodeskApp::OnFileNew() {
    CNewConnectionDlg dialog(ListPorts(), m_services->messages, m_mainFrame.get());
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return Connect(dialog.PortName());
}

DocumentSession* COrvodeskApp::OnFileOpen() {
    const QString path = QFileDialog::getOpenFileName(m_mainFrame.get(), QStringLiteral("Open"), QString(),
                                                      QStringLiteral("Orvodesk Files (*.orvo)"));
    if (path.isEmpty())
        return nullptr;
    m_recent.Add(path);
    QSettings settings;
    m_recent.Save(settings);
    return Connect(QStringLiteral("COM1:"), nullptr, true);
}

DocumentSession* COrvodeskApp::Connect(const QString& portName, const sim::SimConfig* demo,
                                       bool keepOnFailure) {
    auto* session = new DocumentSession(*m_services);
    if (!session->Open(portName, m_command.modeWord, demo) && !keepOnFailure) {
        delete session;
        return nullptr;
    }
    m_sessions.append(session);
    connect(session, &DocumentSession::Finished, this, [this](DocumentSession* finished) {
        m_sessions.removeIf([finished](const QPointer<DocumentSession>& s) { return s == finished || !s; });
    });
    if (!m_mainFrame->OpenWindow(*session, FormKind::Main))
        return nullptr; // the session ended with its window
    return session;
}

QList<DocumentSession*> COrvodeskApp::Sessions() const {
    QList<DocumentSession*> sessions;
    for (const QPointer<DocumentSession>& session : m_sessions)
        if (session)
            sessions.append(session.data());
    return sessions;
}

} // namespace orvo
