#pragma once

#include "forms/CFormView.h"

namespace orvo {

// Stands in for a form that a later version brings: says so and leads back to the main
// status form.
class CPendingForm final : public CFormView {
    Q_OBJECT
public:
    CPendingForm(FormKind kind, const QString& title, const FormContext& context, QWidget* parent = nullptr);

    FormKind Kind() const override { return m_kind; }

protected:
    void OnUpdate(uint32_t, intptr_t) override {}

private:
    FormKind m_kind;
};

} // namespace orvo
