#pragma once

#include <array>

#include "forms/CFormView.h"
#include "forms/ShiftFormLogic.h"
#include "link/DeviceRequests.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace orvo {

class DurationEdit;
class TwoColumnComboBox;

// The shift programming form. ShiftFormLogic decides what is shown, checked and sent; this
// widget renders the entries and forwards every edit and press.
class CShiftForm final : public CFormView, private IShiftFormView {
    Q_OBJECT
public:
    explicit CShiftForm(const FormContext& context, QWidget* parent = nullptr);
    ~CShiftForm() override;

    FormKind Kind() const override { return FormKind::Shift; }
    bool FixedFrame() const override { return true; }
    void OnInitialUpdate() override;

    ShiftFormLogic& Logic() { return m_logic; }
    // The widget of an entry (tests and focus).
    QWidget* Field(ShiftField field) const;
    QCheckBox* DayBox(int day) const { return m_days[size_t(day)]; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* ClearButton() const { return m_clear; }

protected:
    void OnUpdate(uint32_t hint, intptr_t value) override { m_logic.Update(hint, value); }
    // Closing the window while this form shows is the same as Cancel.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildIdentification();
    QWidget* BuildSchedule();
    QLineEdit* TextField(ShiftField field, const char* name, QWidget* parent);
    void FollowPowerOff();

    // IShiftFormView
    void ShowEntries(const ShiftFormEntries& entries) override;
    void ShowMinutes(const std::string& text) override;
    void ShowCurrentTime(const std::string& text) override;
    void ShowWarmupStart(const std::string& text) override;
    void ShowFirmware(const std::string& text) override;
    void ShowMreStatus(const std::string& text) override;
    void SetDurationRange(uint32_t maximum, int pageStepMinutes) override;
    void FocusField(ShiftField field) override;
    void StartClock() override;
    void StopClock() override;
    void ShowBusy() override;
    void ShowMainForm(bool powerOffPending) override;

    ShiftFormLogic m_logic;
    QTimer* m_clock;
    bool m_busy = false;

    QLineEdit* m_wearerId = nullptr;
    QLineEdit* m_mineId = nullptr;
    QLineEdit* m_contractorCode = nullptr;
    QLineEdit* m_mineName = nullptr;
    QLineEdit* m_companyName = nullptr;
    QLineEdit* m_mmu = nullptr;
    QLineEdit* m_dustStandard = nullptr;
    QLineEdit* m_miin = nullptr;
    TwoColumnComboBox* m_occupation = nullptr;
    std::array<QCheckBox*, 7> m_days{};
    QLabel* m_currentTime = nullptr;
    QLabel* m_warmupStart = nullptr;
    QDateTimeEdit* m_start = nullptr;
    DurationEdit* m_duration = nullptr;
    QLabel* m_minutes = nullptr;
    QComboBox* m_sampleType = nullptr;
    QComboBox* m_temperature = nullptr;
    QLabel* m_mre = nullptr;
    QLabel* m_firmware = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_clear = nullptr;
};

} // namespace orvo
