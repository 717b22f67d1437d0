#include "frame/CChildFrame.h"

#include <QCloseEvent>
#include <QLayout>
#include <QMdiArea>
#include <QTimer>

#include <algorithm>

#include "app/DocumentSession.h"
#include "forms/CFormView.h"
#include "forms/FormFactory.h"
#include "platform/MessageService.h"
#include "ui/Pictures.h"

namespace orvo {

CChildFrame::CChildFrame(DocumentSession& session, CMainFrame& mainFrame)
    : m_session(session), m_mainFrame(mainFrame) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(PictureIcon(Picture::AppIcon, QSize(16, 16)));
    session.AddFrame(this);
}

CChildFrame::~CChildFrame() = default;

CFormView* CChildFrame::ActiveForm() const {
    return m_form.data();
}

bool CChildFrame::SwitchToView(FormKind kind) {
    const QString title = windowTitle();
    CFormView* old = m_form;
    if (old && old->Kind() == kind)
        return true;
    const FormContext context{m_session, *this, m_session.Services()};
    CFormView* form = CreateForm(kind, context, nullptr);
    if (!form) {
        m_session.Services().messages.Show("CChildFrame\n\"Coudln't create new view for MDI frame!\"");
        return false;
    }
    if (old) {
        // The old form may be the one whose button or update brought us here: it goes once
        // control has returned to the event loop.
        old->OnLeave();
        m_session.Doc().RemoveView(old);
        setWidget(nullptr);
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    m_form = form;
    m_session.Doc().AddView(form);
    setWidget(form);
    form->show();
    form->OnInitialUpdate();
    FitToForm(true);
    if (mdiArea())
        show();
    if (!title.isEmpty() && windowTitle().isEmpty())
        setWindowTitle(title);
    return true;
}

void CChildFrame::FitToForm(bool restore) {
    if (!m_form)
        return;
    const bool fixed = m_form->FixedFrame();
    // The frame never has a maximise box, whatever form it shows.
    const Qt::WindowFlags flags = Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                  Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                  Qt::WindowCloseButtonHint;
    if (windowFlags() != flags) {
        setWindowFlags(flags); // hides the window
        if (mdiArea())
            show();
    }
    if (restore && (isMaximized() || isMinimized()))
        showNormal();
    if (isMinimized())
        return; // sized when it is restored
    if (fixed) {
        // The window is exactly as large as the form and not resizable.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (layout())
            layout()->activate();
        setFixedSize(QMdiSubWindow::sizeHint());
    } else {
        setMinimumSize(QMdiSubWindow::minimumSizeHint());
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(QMdiSubWindow::sizeHint().expandedTo(size()));
    }
    KeepInView();
}

void CChildFrame::KeepInView() {
    QMdiArea* area = mdiArea();
    if (!area)
        return;
    // A window that grew past the area's right or bottom edge moves back in, as far as it fits:
    // its buttons stay reachable and the area needs no scroll bar for it.
    const QSize view = area->viewport()->size();
    const QRect now = geometry();
    const QPoint inside(std::max(0, std::min(now.x(), view.width() - now.width())),
                        std::max(0, std::min(now.y(), view.height() - now.height())));
    if (inside != now.topLeft())
        move(inside);
}

void CChildFrame::changeEvent(QEvent* event) {
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        FitToForm(false);
}

void CChildFrame::ForceClose() {
    m_forceClose = true;
    close();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (m_forceClose || !m_form) {
        event->accept();
        return;
    }
    const FormKind kind = m_form->Kind();
    if (kind == FormKind::Main || kind == FormKind::Graph) {
        const bool last = m_session.Frames().size() == 1;
        if (last && !m_session.CloseDocument()) {
            event->ignore();
            return;
        }
        event->accept();
        return;
    }
    event->ignore();
    if (m_form->BlocksClose())
        return;
    SwitchToView(FormKind::Main);
}

} // namespace orvo
