#include "forms/CPendingForm.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvo {

CPendingForm::CPendingForm(FormKind kind, const QString& title, const FormContext& context, QWidget* parent)
    : CFormView(context, parent), m_kind(kind) {
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(title.toHtmlEscaped()), this);
    auto* text = new QLabel(QStringLiteral("This form is not available yet."), this);
    text->setObjectName(QStringLiteral("pendingText"));
    auto* back = new QPushButton(QStringLiteral("Cancel"), this);
    back->setObjectName(QStringLiteral("cancel"));
    layout->addWidget(heading);
    layout->addWidget(text);
    layout->addStretch(1);
    layout->addWidget(back, 0, Qt::AlignRight);
    connect(back, &QPushButton::clicked, this, &CFormView::ReturnToMainForm);
}

} // namespace orvo
