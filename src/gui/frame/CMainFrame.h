#pragma once

#include <QMainWindow>
#include <QPointer>

#include "forms/FormKind.h"
#include "ui/FileDialogs.h"

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;

namespace orvo {

class CChildFrame;
class CDataImportDlg;
class COrvodeskApp;
class DocumentSession;

// The main window: the monitor windows in a multi-document area, two menu bars (one while
// no monitor window is open, one while there is), the toolbar and the status bar.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(COrvodeskApp& app);
    ~CMainFrame() override;

    QMdiArea* MdiArea() const { return m_mdi; }
    // A new window for the document showing a form of the given kind; nothing when the form
    // cannot be made.
    CChildFrame* OpenWindow(DocumentSession& session, FormKind kind);
    CChildFrame* ActiveChild() const;
    DocumentSession* ActiveSession() const;

    // Closes one document with all its windows; false when it refuses (busy).
    bool CloseSession(DocumentSession& session);
    // Closes every document, then the application may end; false when one refuses.
    bool CloseAllSessions();

    // The commands, for tests and the toolbar alike.
    QAction* ConnectAction() const { return m_connect; }
    QAction* CloseAction() const { return m_close; }
    QAction* ExitAction() const { return m_exit; }
    QAction* AboutAction() const { return m_about; }
    QAction* CopyDiagnosticsAction() const { return m_copyDiagnostics; }
    QAction* NewWindowAction() const { return m_newWindow; }
    bool ShowsDocumentMenus() const { return m_documentMenus; }
    QAction* OpenDataFileAction() const { return m_openDataFile; }

    // Open Data File: brings the Data Import window forward when there is one, else asks for a
    // data file and shows it.
    void OnOpenDataFile();
    CDataImportDlg* DataImport() const;
    // Tests answer the file dialogs.
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateMenus();
    void FillWindowMenu();
    void OnAbout();
    void OnHelp();
    void OnCopyDiagnostics();
    void OnArrangeIcons();
    void OnFileClose();
    void OnNewWindow();

    COrvodeskApp& m_app;
    QMdiArea* m_mdi;
    QToolBar* m_toolBar = nullptr;

    QAction* m_connect = nullptr;
    QAction* m_open = nullptr;
    QAction* m_save = nullptr;
    QAction* m_close = nullptr;
    QAction* m_exit = nullptr;
    QAction* m_toolbarToggle = nullptr;
    QAction* m_statusBarToggle = nullptr;
    QAction* m_mreEquivalent = nullptr;
    QAction* m_newWindow = nullptr;
    QAction* m_cascade = nullptr;
    QAction* m_tile = nullptr;
    QAction* m_arrange = nullptr;
    QAction* m_about = nullptr;
    QAction* m_help = nullptr;
    QAction* m_copyDiagnostics = nullptr;
    QAction* m_contextHelp = nullptr;
    QAction* m_nextPane = nullptr;
    QAction* m_previousPane = nullptr;
    QAction* m_openDataFile = nullptr;
    QPointer<CDataImportDlg> m_dataImport; // at most one; it deletes itself when closed
    FileChooser m_chooser = AskFile;

    QList<QMenu*> m_noDocumentMenus;
    QList<QMenu*> m_documentMenuList;
    QMenu* m_windowMenu = nullptr;
    bool m_documentMenus = false;
    bool m_menusBuilt = false;
};

} // namespace orvo
