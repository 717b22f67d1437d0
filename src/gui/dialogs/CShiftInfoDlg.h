#pragma once

#include <QDialog>

#include "results/ShiftInformation.h"
#include "results/ShiftInformationCheck.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace orvo {

class MessageService;

// "Shift Information": the regulatory details of a downloaded shift. OK runs the checks of
// CheckShiftInformation in their order; a refusal shows its message and gives the field the
// focus with its text selected, and the dialog stays open.
class CShiftInfoDlg : public QDialog {
    Q_OBJECT
public:
    // accessMode: 0 standard, 1 service, 2 expert.
    CShiftInfoDlg(int accessMode, MessageService& messages, QWidget* parent = nullptr);

    // Notes, certified person MIIN and tonnage as recorded before; the multi-unit choice is
    // "Yes" with both serial numbers when a multi-unit shift was recorded, otherwise "No".
    void SetPreset(const ShiftInformation& preset);
    // What OK took (entered set); unchanged from the preset after Cancel.
    const ShiftInformation& Result() const { return m_result; }

    QLineEdit* Field(ShiftInformationField field) const;
    QRadioButton* YesButton() const { return m_yes; }
    QRadioButton* NoButton() const { return m_no; }
    QPlainTextEdit* Notes() const { return m_notes; }

    void accept() override;

private:
    void SetMultiUnit(int choice);
    ShiftInformationEntry Typed() const;

    int m_mode;
    MessageService& m_messages;
    ShiftInformation m_preset;
    ShiftInformation m_result;

    QLineEdit* m_averageTons;
    QLineEdit* m_tonsThisShift;
    QLineEdit* m_certifiedMiin;
    QRadioButton* m_yes;
    QRadioButton* m_no;
    QButtonGroup* m_multiUnit;
    QLabel* m_firstLabel;
    QLabel* m_secondLabel;
    QLineEdit* m_firstSerial;
    QLineEdit* m_secondSerial;
    QPlainTextEdit* m_notes;
};

} // namespace orvo
