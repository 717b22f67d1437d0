#pragma once

#include <QMdiSubWindow>
#include <QPointer>

#include "forms/FormKind.h"

namespace orvo {

class CFormView;
class CMainFrame;
class DocumentSession;

// One window of a monitor: shows one form at a time and replaces it through SwitchToView.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CChildFrame(DocumentSession& session, CMainFrame& mainFrame);
    ~CChildFrame() override;

    // Replaces the form by a new one of the given kind (nothing when it already shows one).
    // False when no such form can be made; the old form then stays.
    bool SwitchToView(FormKind kind);

    CFormView* ActiveForm() const;
    DocumentSession& Session() const { return m_session; }
    CMainFrame& MainFrame() const { return m_mainFrame; }

    // Closes the window without the rules below; the document is closed already.
    void ForceClose();

    // Sizes the window to its form: exactly, and not resizable, for a form with a fixed frame;
    // at least the form's minimum for the others, which resize with the window. `restore`
    // brings a minimised or maximised window back, as every new form does. The window is then
    // moved back into the area as far as it fits.
    void FitToForm(bool restore = false);

protected:
    // The main status and graph forms close the window (and the document with the last one,
    // unless it is busy); a running download keeps it open; any other form returns to the
    // main status form instead.
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void KeepInView();

    DocumentSession& m_session;
    CMainFrame& m_mainFrame;
    QPointer<CFormView> m_form;
    bool m_forceClose = false;
};

} // namespace orvo
