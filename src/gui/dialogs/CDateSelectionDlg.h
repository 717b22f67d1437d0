#pragma once

#include <QDialog>

#include <cstdint>

class QDateEdit;

namespace orvo {

// "Date Selection": one date picker, OK and Cancel. The time of day of the preset is kept,
// so only the date changes.
class CDateSelectionDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDateSelectionDlg(QWidget* parent = nullptr);

    void SetTime(uint32_t utcSeconds);
    // The chosen date with the preset's time of day, in UTC seconds.
    uint32_t Time() const;
    QDateEdit* Picker() const { return m_picker; }

private:
    QDateEdit* m_picker;
    uint32_t m_preset = 0;
};

} // namespace orvo
