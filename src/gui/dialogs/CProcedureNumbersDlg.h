#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "calibration/IProcedureView.h"

class QLineEdit;

namespace orvo {

class MessageService;

// A procedure's entry of numbers (a weight's mass, the masses so far): the procedure's prompt,
// then one labelled entry per number, read-only where the number is not editable. OK takes every
// editable entry only when its whole text is a number within the entry's range; otherwise a field
// check names the entry and its range, titled with the procedure's name, and the entry gets the
// focus with its text selected. The window may be retitled ("Modify Mass"); its field checks keep
// the procedure's name.
class CProcedureNumbersDlg : public QDialog {
    Q_OBJECT
public:
    CProcedureNumbersDlg(const QString& title, const QString& prompt, std::vector<DialogNumber> numbers,
                         MessageService& messages, QWidget* parent = nullptr);

    // The numbers as accepted (unchanged until OK succeeds).
    const std::vector<DialogNumber>& Numbers() const { return m_numbers; }
    QLineEdit* Entry(size_t index) const { return m_entries.at(index); }

    void accept() override;

private:
    std::vector<DialogNumber> m_numbers;
    std::vector<QLineEdit*> m_entries;
    MessageService& m_messages;
    const std::string m_procedure;
};

} // namespace orvo
