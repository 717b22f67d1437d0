#include "forms/FormFactory.h"

#include "forms/CCalibrateForm.h"
#include "forms/CDLCompleteForm.h"
#include "forms/CDiagnosticsForm.h"
#include "forms/CDownloadForm.h"
#include "forms/CFlowCalForm.h"
#include "forms/CGraphForm.h"
#include "forms/CInteractForm.h"
#include "forms/CK0Form.h"
#include "forms/COrvodeskForm.h"
#include "forms/CShiftForm.h"
#include "forms/CTiltCalForm.h"

namespace orvo {

namespace {

template <class Form> CFormView* Make(const FormContext& context, QWidget* parent) {
    return new Form(context, parent);
}

struct FormEntry {
    FormKind kind;
    CFormView* (*create)(const FormContext&, QWidget*);
};

// A new form is one class and one line here.
constexpr FormEntry kForms[] = {
    {FormKind::Main, &Make<COrvodeskForm>},
    {FormKind::Shift, &Make<CShiftForm>},
    {FormKind::Interact, &Make<CInteractForm>},
    {FormKind::Graph, &Make<CGraphForm>},
    {FormKind::Download, &Make<CDownloadForm>},
    {FormKind::DownloadComplete, &Make<CDLCompleteForm>},
    {FormKind::Calibrate, &Make<CCalibrateForm>},
    {FormKind::Diagnostics, &Make<CDiagnosticsForm>},
    {FormKind::K0, &Make<CK0Form>},
    {FormKind::TiltCal, &Make<CTiltCalForm>},
    {FormKind::FlowCal, &Make<CFlowCalForm>},
};

} // namespace

CFormView* CreateForm(FormKind kind, const FormContext& context, QWidget* parent) {
    for (const FormEntry& entry : kForms)
        if (entry.kind == kind)
            return entry.create(context, parent);
    return nullptr;
}

bool FormAvailable(FormKind kind) {
    for (const FormEntry& entry : kForms)
        if (entry.kind == kind)
            return true;
    return false;
}

} // namespace orvo
