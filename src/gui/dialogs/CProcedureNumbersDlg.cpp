#include "dialogs/CProcedureNumbersDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

#include "platform/Format.h"
#include "platform/MessageService.h"
#include "platform/NumberParse.h"

namespace orvo {

namespace {

// The whole text, blanks around it aside, as one finite number; "0,75" or "1x" are no number.
std::optional<double> WholeNumber(const QString& text) {
    const std::string trimmed = text.trimmed().toStdString();
    size_t used = 0;
    const std::optional<double> value = ParseCDouble(trimmed, &used);
    if (!value || used != trimmed.size() || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

} // namespace

CProcedureNumbersDlg::CProcedureNumbersDlg(const QString& title, const QString& prompt,
                                           std::vector<DialogNumber> numbers, MessageService& messages,
                                           QWidget* parent)
    : QDialog(parent), m_numbers(std::move(numbers)), m_messages(messages), m_procedure(title.toStdString()) {
    setWindowTitle(title);
    // A number that cannot be changed looks it.
    setStyleSheet(QStringLiteral("QLineEdit[readOnly=\"true\"] { background: palette(window); }"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(prompt, this);
    text->setObjectName(QStringLiteral("prompt"));
    text->setWordWrap(true);
    text->setVisible(!prompt.isEmpty());
    layout->addWidget(text);
    auto* form = new QFormLayout;
    for (size_t i = 0; i < m_numbers.size(); ++i) {
        const DialogNumber& n = m_numbers[i];
        auto* entry = new QLineEdit(QString::fromStdString(FormatGeneral(n.value)), this);
        entry->setObjectName(QStringLiteral("number%1").arg(i));
        entry->setReadOnly(!n.editable);
        if (!n.editable)
            entry->setFocusPolicy(Qt::NoFocus);
        form->addRow(QString::fromStdString(n.label), entry);
        m_entries.push_back(entry);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (QLineEdit* entry : m_entries) {
        if (!entry->isReadOnly()) {
            entry->setFocus();
            entry->selectAll();
            break;
        }
    }
}

void CProcedureNumbersDlg::accept() {
    std::vector<DialogNumber> taken = m_numbers;
    for (size_t i = 0; i < taken.size(); ++i) {
        DialogNumber& n = taken[i];
        if (!n.editable)
            continue;
        const std::optional<double> value = WholeNumber(m_entries[i]->text());
        if (!value || *value < n.minimum || *value > n.maximum) {
            m_messages.Show(n.label + " must be a number from " + FormatGeneral(n.minimum) + " to " +
                                FormatGeneral(n.maximum) + ".",
                            m_procedure);
            m_entries[i]->setFocus();
            m_entries[i]->selectAll();
            return;
        }
        n.value = *value;
    }
    m_numbers = std::move(taken);
    QDialog::accept();
}

} // namespace orvo
