#include "frame/CMainFrame.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QWhatsThis>

#include "app/COrvodeskApp.h"
#include "app/DocumentSession.h"
#include "dialogs/CDataImportDlg.h"
#include "dialogs/CMreEquivalentDlg.h"
#include "frame/CAboutDlg.h"
#include "frame/CChildFrame.h"
#include "frame/SupportDiagnostics.h"
#include "platform/MessageService.h"
#include "ui/Pictures.h"

namespace orvo {

namespace {

const char* const kHelpText =
    "Orvodesk talks to Orvo personal dust monitors.\n\n"
    "File > Connect (Ctrl+N) opens a monitor on a serial port, or the built-in demo monitor.\n"
    "The monitor's window shows its state; its buttons program and clear shifts and lead to\n"
    "the other screens. Close the window to end the connection.";

} // namespace

CMainFrame::CMainFrame(COrvodeskApp& app) : m_app(app), m_mdi(new QMdiArea(this)) {
    setWindowTitle(QStringLiteral("Orvodesk"));
    setWindowIcon(PictureIcon(Picture::AppIcon, QSize(32, 32)));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::UpdateMenus);
    UpdateMenus();
    resize(1024, 720);
}

CMainFrame::~CMainFrame() {
    // The monitor windows go while this is still a main frame: their going updates the menus.
    m_mdi->disconnect(this);
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        window->disconnect(this);
        delete window;
    }
}

void CMainFrame::CreateActions() {
    // The menu shows "Ctrl+C" for Connect as it always has; the key that connects is Ctrl+N,
    // and Ctrl+C stays copy in every text field.
    m_connect = new QAction(QStringLiteral("&Connect\tCtrl+C"), this);
    m_connect->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_connect->setShortcutContext(Qt::ApplicationShortcut);
    m_connect->setStatusTip(QStringLiteral("Make a Connection to Orvo "));
    m_connect->setToolTip(QStringLiteral("Connect"));
    m_connect->setIcon(PictureIcon(Picture::ToolConnect, QSize(40, 30)));
    connect(m_connect, &QAction::triggered, this, [this] { m_app.OnFileNew(); });

    m_open = new QAction(QStringLiteral("Open"), this);
    m_open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_open->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_open, &QAction::triggered, this, [this] { m_app.OnFileOpen(); });
    addAction(m_open);

    // A document keeps nothing of its own in a file: saving has nothing to write.
    m_save = new QAction(QStringLiteral("Save"), this);
    m_save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_save->setShortcutContext(Qt::ApplicationShortcut);
    addAction(m_save);

    // Saved samples are viewed here; the command is in the File menu so that users find it.
    m_openDataFile = new QAction(QStringLiteral("Open &Data File...\tCtrl+D"), this);
    m_openDataFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    m_openDataFile->setShortcutContext(Qt::ApplicationShortcut);
    m_openDataFile->setStatusTip(QStringLiteral("View a sample saved as a data file (.MSHA)"));
    connect(m_openDataFile, &QAction::triggered, this, &CMainFrame::OnOpenDataFile);

    m_close = new QAction(QStringLiteral("&Close"), this);
    m_close->setStatusTip(QStringLiteral("Close the monitor's windows and end its connection"));
    connect(m_close, &QAction::triggered, this, &CMainFrame::OnFileClose);

    m_exit = new QAction(QStringLiteral("E&xit"), this);
    m_exit->setStatusTip(QStringLiteral("Quit the application"));
    connect(m_exit, &QAction::triggered, this, &QWidget::close);

    m_toolbarToggle = new QAction(QStringLiteral("&Toolbar"), this);
    m_toolbarToggle->setCheckable(true);
    m_toolbarToggle->setChecked(true);
    m_toolbarToggle->setStatusTip(QStringLiteral("Show or hide the toolbar"));

    m_statusBarToggle = new QAction(QStringLiteral("&Status Bar"), this);
    m_statusBarToggle->setCheckable(true);
    m_statusBarToggle->setChecked(true);
    m_statusBarToggle->setStatusTip(QStringLiteral("Show or hide the status bar"));

    m_mreEquivalent = new QAction(QStringLiteral("MRE Equivalent..."), this);
    m_mreEquivalent->setStatusTip(QStringLiteral("Enable or disable the MRE equivalent sample"));
    connect(m_mreEquivalent, &QAction::triggered, this, [this] {
        if (DocumentSession* session = ActiveSession())
            CMreEquivalentDlg::Run(session->Doc(), this);
    });

    m_newWindow = new QAction(QStringLiteral("&New Window"), this);
    m_newWindow->setStatusTip(QStringLiteral("Open another window for the active monitor"));
    connect(m_newWindow, &QAction::triggered, this, &CMainFrame::OnNewWindow);
    m_cascade = new QAction(QStringLiteral("&Cascade"), this);
    m_cascade->setStatusTip(QStringLiteral("Arrange windows so they overlap"));
    connect(m_cascade, &QAction::triggered, m_mdi, &QMdiArea::cascadeSubWindows);
    m_tile = new QAction(QStringLiteral("&Tile"), this);
    m_tile->setStatusTip(QStringLiteral("Arrange windows as non-overlapping tiles"));
    connect(m_tile, &QAction::triggered, m_mdi, &QMdiArea::tileSubWindows);
    m_arrange = new QAction(QStringLiteral("&Arrange Icons"), this);
    m_arrange->setStatusTip(QStringLiteral("Arrange minimised windows at the bottom of the window"));
    connect(m_arrange, &QAction::triggered, this, &CMainFrame::OnArrangeIcons);

    m_about = new QAction(QStringLiteral("&About Orvodesk..."), this);
    m_about->setStatusTip(QStringLiteral("Display program information and version number"));
    m_about->setToolTip(QStringLiteral("About"));
    m_about->setIcon(PictureIcon(Picture::ToolAbout, QSize(40, 30)));
    connect(m_about, &QAction::triggered, this, &CMainFrame::OnAbout);

    m_copyDiagnostics = new QAction(QStringLiteral("Copy &Diagnostics"), this);
    m_copyDiagnostics->setStatusTip(QStringLiteral(
        "Copy versions, ports and each link's counters and latest frames for a support request"));
    connect(m_copyDiagnostics, &QAction::triggered, this, &CMainFrame::OnCopyDiagnostics);

    m_help = new QAction(QStringLiteral("Help"), this);
    m_help->setShortcut(QKeySequence(Qt::Key_F1));
    connect(m_help, &QAction::triggered, this, &CMainFrame::OnHelp);
    addAction(m_help);
    m_contextHelp = new QAction(QStringLiteral("Context Help"), this);
    m_contextHelp->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(m_contextHelp, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    addAction(m_contextHelp);

    m_nextPane = new QAction(QStringLiteral("Next Pane"), this);
    m_nextPane->setShortcut(QKeySequence(Qt::Key_F6));
    connect(m_nextPane, &QAction::triggered, m_mdi, &QMdiArea::activateNextSubWindow);
    addAction(m_nextPane);
    m_previousPane = new QAction(QStringLiteral("Previous Pane"), this);
    m_previousPane->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    connect(m_previousPane, &QAction::triggered, m_mdi, &QMdiArea::activatePreviousSubWindow);
    addAction(m_previousPane);
}

void CMainFrame::CreateMenus() {
    // Without a document.
    QMenu* file = new QMenu(QStringLiteral("&File"), this);
    file->addAction(m_connect);
    file->addAction(m_openDataFile);
    file->addSeparator();
    file->addAction(m_exit);
    QMenu* view = new QMenu(QStringLiteral("&View"), this);
    view->addAction(m_statusBarToggle);
    QMenu* help = new QMenu(QStringLiteral("&Help"), this);
    help->addAction(m_copyDiagnostics);
    help->addAction(m_about);
    m_noDocumentMenus = {file, view, help};

    // With a document.
    QMenu* docFile = new QMenu(QStringLiteral("&File"), this);
    docFile->addAction(m_connect);
    docFile->addAction(m_openDataFile);
    docFile->addAction(m_close);
    docFile->addSeparator();
    docFile->addAction(m_exit);
    QMenu* docView = new QMenu(QStringLiteral("&View"), this);
    docView->addAction(m_toolbarToggle);
    docView->addAction(m_statusBarToggle);
    QMenu* options = new QMenu(QStringLiteral("Options"), this);
    options->addAction(m_mreEquivalent);
    m_windowMenu = new QMenu(QStringLiteral("&Window"), this);
    connect(m_windowMenu, &QMenu::aboutToShow, this, &CMainFrame::FillWindowMenu);
    FillWindowMenu();
    QMenu* docHelp = new QMenu(QStringLiteral("&Help"), this);
    docHelp->addAction(m_copyDiagnostics);
    docHelp->addAction(m_about);
    m_documentMenuList = {docFile, docView, options, m_windowMenu, docHelp};
}

void CMainFrame::FillWindowMenu() {
    m_windowMenu->clear();
    m_windowMenu->addAction(m_newWindow);
    m_windowMenu->addAction(m_cascade);
    m_windowMenu->addAction(m_tile);
    m_windowMenu->addAction(m_arrange);
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    if (windows.isEmpty())
        return;
    m_windowMenu->addSeparator();
    int n = 1;
    for (QMdiSubWindow* window : windows) {
        QAction* entry =
            m_windowMenu->addAction(QStringLiteral("&%1 %2").arg(n++).arg(window->windowTitle()));
        entry->setCheckable(true);
        entry->setChecked(window == m_mdi->activeSubWindow());
        connect(entry, &QAction::triggered, window, [this, window] { m_mdi->setActiveSubWindow(window); });
    }
}

void CMainFrame::CreateToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setIconSize(QSize(40, 30));
    m_toolBar->setMovable(false);
    m_toolBar->addAction(m_connect);
    m_toolBar->addAction(m_about);
    connect(m_toolbarToggle, &QAction::toggled, m_toolBar, &QWidget::setVisible);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->showMessage(QStringLiteral("Ready"));
    // The keyboard's lock indicators; the toolkit cannot read the lock state, so they stay
    // greyed like a lock that is off.
    for (const char* name : {"CAP", "NUM", "SCRL"}) {
        auto* indicator = new QLabel(QString::fromLatin1(name), bar);
        indicator->setEnabled(false);
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicator->setMinimumWidth(indicator->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        indicator->setAlignment(Qt::AlignCenter);
        bar->addPermanentWidget(indicator);
    }
    connect(m_statusBarToggle, &QAction::toggled, bar, &QWidget::setVisible);
}

void CMainFrame::UpdateMenus() {
    const bool documents = !m_mdi->subWindowList().isEmpty();
    if (m_menusBuilt && documents == m_documentMenus)
        return;
    m_menusBuilt = true;
    m_documentMenus = documents;
    menuBar()->clear();
    for (QMenu* menu : documents ? m_documentMenuList : m_noDocumentMenus)
        menuBar()->addMenu(menu);
}

CChildFrame* CMainFrame::OpenWindow(DocumentSession& session, FormKind kind) {
    auto* frame = new CChildFrame(session, *this);
    m_mdi->addSubWindow(frame);
    connect(frame, &QObject::destroyed, this,
            [this] { QMetaObject::invokeMethod(this, &CMainFrame::UpdateMenus, Qt::QueuedConnection); });
    if (!frame->SwitchToView(kind)) {
        frame->ForceClose();
        return nullptr;
    }
    frame->show();
    m_mdi->setActiveSubWindow(frame);
    UpdateMenus();
    return frame;
}

CChildFrame* CMainFrame::ActiveChild() const {
    QMdiSubWindow* window = m_mdi->activeSubWindow();
    if (!window) {
        const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
        window = windows.isEmpty() ? nullptr : windows.last();
    }
    return qobject_cast<CChildFrame*>(window);
}

DocumentSession* CMainFrame::ActiveSession() const {
    CChildFrame* child = ActiveChild();
    return child ? &child->Session() : nullptr;
}

bool CMainFrame::CloseSession(DocumentSession& session) {
    if (!session.CloseDocument())
        return false;
    for (CChildFrame* frame : session.Frames())
        frame->ForceClose();
    return true;
}

bool CMainFrame::CloseAllSessions() {
    const QList<DocumentSession*> sessions = m_app.Sessions();
    for (DocumentSession* session : sessions)
        if (!session->CanCloseDocument())
            return false;
    for (DocumentSession* session : sessions)
        CloseSession(*session);
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Exit closes every monitor the usual way; one that is being programmed or cleared keeps
    // the application open.
    if (!CloseAllSessions()) {
        statusBar()->showMessage(QStringLiteral("A monitor is busy; try again when it has finished."), 5000);
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::OnFileClose() {
    if (DocumentSession* session = ActiveSession())
        CloseSession(*session);
}

void CMainFrame::OnNewWindow() {
    if (DocumentSession* session = ActiveSession())
        OpenWindow(*session, FormKind::Main);
}

void CMainFrame::OnArrangeIcons() {
    // Minimised windows in a row along the bottom of the area, left to right.
    int x = 0;
    const int bottom = m_mdi->viewport()->height();
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (!window->isMinimized())
            continue;
        window->move(x, bottom - window->height());
        x += window->width();
    }
}

CDataImportDlg* CMainFrame::DataImport() const {
    return m_dataImport.data();
}

void CMainFrame::OnOpenDataFile() {
    if (m_dataImport) {
        m_dataImport->show();
        m_dataImport->raise();
        m_dataImport->activateWindow();
        return;
    }
    const QString path = m_chooser(this, {false, QStringLiteral("Open"),
                                          QStringLiteral("MSHA Files (*.MSHA);;All Files (*.*)"),
                                          QStringLiteral("msha"), QString()});
    if (path.isEmpty())
        return;
    m_dataImport =
        CDataImportDlg::Open(path, m_app.Services().messages, m_app.Services().zone, m_chooser, this);
    if (!m_dataImport)
        return;
    m_dataImport->show();
    QPointer<CDataImportDlg> shown = m_dataImport;
    QMetaObject::invokeMethod(
        this,
        [shown] {
            if (shown)
                shown->ShowFirstDialogs();
        },
        Qt::QueuedConnection);
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::OnCopyDiagnostics() {
    QGuiApplication::clipboard()->setText(SupportDiagnosticsText(m_app));
    statusBar()->showMessage(QStringLiteral("Diagnostics copied to the clipboard"), 5000);
}

void CMainFrame::OnHelp() {
    m_app.Services().messages.Show(kHelpText, "Orvodesk Help", MessageIcon::Information);
}

} // namespace orvo
