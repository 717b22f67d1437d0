#include "forms/CFormView.h"

#include "app/DocumentSession.h"
#include "frame/CChildFrame.h"

namespace orvo {

CFormView::CFormView(const FormContext& context, QWidget* parent) : QWidget(parent), m_context(context) {}

CFormView::~CFormView() {
    Doc().RemoveView(this);
}

COrvodeskDoc& CFormView::Doc() const {
    return m_context.session.Doc();
}

void CFormView::OnDocUpdate(uint32_t flags, intptr_t value) {
    OnUpdate(flags, value);
}

void CFormView::ReturnToMainForm() {
    m_context.frame.SwitchToView(FormKind::Main);
}

} // namespace orvo
