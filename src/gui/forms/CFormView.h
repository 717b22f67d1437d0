#pragma once

#include <QWidget>

#include <cstdint>

#include "app/AppServices.h"
#include "forms/FormKind.h"
#include "model/COrvodeskDoc.h"

namespace orvo {

class CChildFrame;
class DocumentSession;

// What a form is created with.
struct FormContext {
    DocumentSession& session;
    CChildFrame& frame;
    const AppServices& services;
};

// The base of every form: a widget that is a view of its document. The frame attaches it to
// the document after creating it and detaches it before it goes; updates arrive on the
// user-interface thread, in view order, while the link thread waits, so a handler must
// never wait for the link.
class CFormView : public QWidget, public IDocView {
    Q_OBJECT
public:
    CFormView(const FormContext& context, QWidget* parent = nullptr);
    ~CFormView() override;

    virtual FormKind Kind() const = 0;
    // After the form is attached and shown: read what the form needs and show it.
    virtual void OnInitialUpdate() {}
    // The main status form sizes its frame to itself and is not resizable.
    virtual bool FixedFrame() const { return false; }
    // True while the window must not close (a download running).
    virtual bool BlocksClose() const { return false; }
    // The form is about to go while its document and link are still open: the frame shows
    // another form, or the document closes. True when it has queued requests that must reach
    // the monitor before the link closes (a procedure's safe state).
    virtual bool OnLeave() { return false; }

    void OnDocUpdate(uint32_t flags, intptr_t value) final;

    COrvodeskDoc& Doc() const;
    DocumentSession& Session() const { return m_context.session; }
    CChildFrame& Frame() const { return m_context.frame; }
    const AppServices& Services() const { return m_context.services; }

    // Every secondary form leaves through this.
    void ReturnToMainForm();

protected:
    virtual void OnUpdate(uint32_t hint, intptr_t value) = 0;

private:
    FormContext m_context;
};

} // namespace orvo
