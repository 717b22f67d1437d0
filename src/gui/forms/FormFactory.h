#pragma once

#include "forms/FormKind.h"

class QWidget;

namespace orvo {

class CFormView;
struct FormContext;

// Creates a form of the given kind, or nothing for a form that is not part of the
// application yet.
CFormView* CreateForm(FormKind kind, const FormContext& context, QWidget* parent);
bool FormAvailable(FormKind kind);

} // namespace orvo
