#include "dialogs/CShiftInfoDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/MessageService.h"

namespace orvo {

namespace {

const char* const kNotice =
    "NOTICE  -  Knowingly making any false statement, representation, or certification on "
    "this document is a violation of the federal criminal code which may be punished by a "
    "fine or by imprisonment or both.";

QLineEdit* Edit(QWidget* parent, const char* name, int maxLength = 32767) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(maxLength);
    return edit;
}

} // namespace

CShiftInfoDlg::CShiftInfoDlg(int accessMode, MessageService& messages, QWidget* parent)
    : QDialog(parent), m_mode(accessMode), m_messages(messages), m_averageTons(Edit(this, "averageTons")),
      m_tonsThisShift(Edit(this, "tonsThisShift")), m_certifiedMiin(Edit(this, "certifiedMiin")),
      m_yes(new QRadioButton(QStringLiteral("Yes"), this)),
      m_no(new QRadioButton(QStringLiteral("No"), this)), m_multiUnit(new QButtonGroup(this)),
      m_firstLabel(new QLabel(QStringLiteral("First unit serial number:"), this)),
      m_secondLabel(new QLabel(QStringLiteral("Second unit serial number:"), this)),
      m_firstSerial(Edit(this, "firstUnitSerial", 11)), m_secondSerial(Edit(this, "secondUnitSerial", 11)),
      m_notes(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("shiftInfoDialog"));
    setWindowTitle(QStringLiteral("Shift Information"));
    m_yes->setObjectName(QStringLiteral("multiUnitYes"));
    m_no->setObjectName(QStringLiteral("multiUnitNo"));
    m_notes->setObjectName(QStringLiteral("notes"));
    m_notes->setTabChangesFocus(true);
    m_firstLabel->setBuddy(m_firstSerial);
    m_secondLabel->setBuddy(m_secondSerial);

    auto* layout = new QVBoxLayout(this);
    auto* tons = new QGridLayout;
    auto addTons = [&](int row, const char* label, QLineEdit* edit) {
        auto* text = new QLabel(QString::fromLatin1(label), this);
        text->setBuddy(edit);
        tons->addWidget(text, row, 0);
        tons->addWidget(edit, row, 1);
        tons->addWidget(new QLabel(QStringLiteral("tons"), this), row, 2);
    };
    addTons(0, "Average Tons - 30 Shifts:", m_averageTons);
    addTons(1, "Tons This Shift:", m_tonsThisShift);
    auto* miinLabel = new QLabel(QStringLiteral("Certified Person MIIN"), this);
    miinLabel->setBuddy(m_certifiedMiin);
    tons->addWidget(miinLabel, 2, 0);
    tons->addWidget(m_certifiedMiin, 2, 1);
    tons->setColumnStretch(1, 1);
    layout->addLayout(tons);

    layout->addWidget(new QLabel(QStringLiteral("Was this shift more than 12 hours which required two\n"
                                                "units to complete the sampling of the shift?"),
                                 this));
    m_multiUnit->addButton(m_no, 0);
    m_multiUnit->addButton(m_yes, 1);
    auto* choice = new QHBoxLayout;
    choice->addWidget(m_yes);
    choice->addWidget(m_no);
    choice->addStretch(1);
    layout->addLayout(choice);
    connect(m_multiUnit, &QButtonGroup::idClicked, this, &CShiftInfoDlg::SetMultiUnit);

    auto* serials = new QGridLayout;
    serials->addWidget(m_firstLabel, 0, 0);
    serials->addWidget(m_firstSerial, 0, 1);
    serials->addWidget(m_secondLabel, 1, 0);
    serials->addWidget(m_secondSerial, 1, 1);
    serials->setColumnStretch(1, 1);
    layout->addLayout(serials);

    auto* notesLabel = new QLabel(QStringLiteral("Notes"), this);
    notesLabel->setBuddy(m_notes);
    layout->addWidget(notesLabel);
    layout->addWidget(m_notes, 1);
    // The notes hold 255 characters; typing stops there.
    connect(m_notes, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = m_notes->toPlainText();
        if (text.size() <= int(kShiftNotesLimit))
            return;
        QTextCursor cursor = m_notes->textCursor();
        const int position = std::min(cursor.position(), int(kShiftNotesLimit));
        m_notes->setPlainText(text.left(int(kShiftNotesLimit)));
        cursor = m_notes->textCursor();
        cursor.setPosition(position);
        m_notes->setTextCursor(cursor);
    });

    auto* notice = new QLabel(QString::fromLatin1(kNotice), this);
    notice->setWordWrap(true);
    layout->addWidget(notice);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CShiftInfoDlg::accept);
    layout->addWidget(buttons);

    const int width =
        fontMetrics().horizontalAdvance(QStringLiteral("units to complete the sampling of the shift?"));
    setMinimumWidth(width + 6 * fontMetrics().averageCharWidth());
    SetMultiUnit(0);
}

void CShiftInfoDlg::SetPreset(const ShiftInformation& preset) {
    m_preset = preset;
    m_result = preset;
    m_notes->setPlainText(QString::fromStdString(preset.notes));
    m_certifiedMiin->setText(QString::fromStdString(preset.certifiedMiin));
    m_averageTons->setText(QString::fromStdString(preset.averageTons));
    m_tonsThisShift->setText(QString::fromStdString(preset.tonsThisShift));
    SetMultiUnit(preset.multiUnit ? 1 : 0);
    if (preset.multiUnit) {
        m_firstSerial->setText(QString::fromStdString(preset.firstUnitSerial));
        m_secondSerial->setText(QString::fromStdString(preset.secondUnitSerial));
    }
}

void CShiftInfoDlg::SetMultiUnit(int choice) {
    (choice == 1 ? m_yes : m_no)->setChecked(true);
    const bool yes = choice == 1;
    for (QWidget* w : {static_cast<QWidget*>(m_firstLabel), static_cast<QWidget*>(m_secondLabel),
                       static_cast<QWidget*>(m_firstSerial), static_cast<QWidget*>(m_secondSerial)})
        w->setEnabled(yes);
    if (!yes) {
        m_firstSerial->clear();
        m_secondSerial->clear();
    }
}

QLineEdit* CShiftInfoDlg::Field(ShiftInformationField field) const {
    switch (field) {
    case ShiftInformationField::AverageTons:
        return m_averageTons;
    case ShiftInformationField::TonsThisShift:
        return m_tonsThisShift;
    case ShiftInformationField::CertifiedMiin:
        return m_certifiedMiin;
    case ShiftInformationField::FirstUnitSerial:
        return m_firstSerial;
    case ShiftInformationField::SecondUnitSerial:
        return m_secondSerial;
    default:
        return nullptr;
    }
}

ShiftInformationEntry CShiftInfoDlg::Typed() const {
    ShiftInformationEntry typed;
    typed.averageTons = m_averageTons->text().toStdString();
    typed.tonsThisShift = m_tonsThisShift->text().toStdString();
    typed.notes = m_notes->toPlainText().toStdString();
    typed.certifiedMiin = m_certifiedMiin->text().toStdString();
    typed.multiUnit = m_multiUnit->checkedId();
    typed.firstUnitSerial = m_firstSerial->text().toStdString();
    typed.secondUnitSerial = m_secondSerial->text().toStdString();
    return typed;
}

void CShiftInfoDlg::accept() {
    const ShiftInformationCheck check = CheckShiftInformation(Typed(), m_mode, m_preset);
    if (!check.ok) {
        if (check.focus == ShiftInformationField::FirstUnitSerial && !check.info.firstUnitSerial.empty()) {
            // The serial numbers are compared in upper case and stay so.
            m_firstSerial->setText(QString::fromStdString(check.info.firstUnitSerial));
            m_secondSerial->setText(QString::fromStdString(check.info.secondUnitSerial));
        }
        m_messages.Show(check.message, {}, check.icon, MessageButtons::Ok);
        if (QLineEdit* field = Field(check.focus)) {
            field->setFocus(Qt::OtherFocusReason);
            field->selectAll();
        }
        return;
    }
    m_result = check.info;
    QDialog::accept();
}

} // namespace orvo
