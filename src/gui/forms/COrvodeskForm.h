#pragma once

#include <QPointer>

#include <array>

#include "forms/CFormView.h"
#include "forms/MainStatusLogic.h"
#include "link/DeviceRequests.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace orvo {

class SvgPicture;

// The main status form: the monitor's connection, serial number, shift state and last
// service, and the buttons that lead everywhere else. MainStatusLogic decides; this widget
// renders and forwards the presses.
class COrvodeskForm final : public CFormView, private IMainStatusView {
    Q_OBJECT
public:
    explicit COrvodeskForm(const FormContext& context, QWidget* parent = nullptr);
    ~COrvodeskForm() override;

    FormKind Kind() const override { return FormKind::Main; }
    bool FixedFrame() const override { return true; }
    void OnInitialUpdate() override;

    MainStatusLogic& Logic() { return m_logic; }
    QPushButton* Button(MainButton button) const { return m_buttons[Index(button)]; }
    QPushButton* DoneButton() const { return m_done; }

protected:
    void OnUpdate(uint32_t hint, intptr_t value) override { m_logic.Update(hint, value); }

private:
    struct ButtonSpec;

    QPushButton* MakeButton(const ButtonSpec& spec, QWidget* parent);
    void OnPressed(MainButton button);
    void OnServiceDate();

    // IMainStatusView
    void ShowConnected(bool connected) override;
    void ShowDeviceActive(bool active) override;
    void SetSerialNumberText(const std::string& text) override;
    void SetWarmupText(const std::string& text) override;
    void SetSampleText(const std::string& text) override;
    void SetTimeFieldColour(TimeFieldColour colour) override;
    void SetStatusLine(const std::string& text) override;
    void SetLastServiceText(const std::string& text) override;
    void SetAdvancedVisibility(const AdvancedVisibility& visible) override;
    void SetButtonsEnabled(const ButtonStates& enabled) override;
    void SetTitle(const std::string& title) override;
    void StartCountdown() override;
    void StopCountdown() override;
    void StartStatusHold(int ms) override;
    void ShowFailure(const std::string& text) override;

    MainStatusLogic m_logic;
    QTimer* m_countdown;
    QTimer* m_hold;

    SvgPicture* m_banner = nullptr;
    SvgPicture* m_device = nullptr;
    QLabel* m_serial = nullptr;
    QLabel* m_warmup = nullptr;
    QLabel* m_sample = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_lastService = nullptr;
    QGroupBox* m_advancedGroup = nullptr;
    std::array<QPushButton*, MAIN_BUTTON_COUNT> m_buttons{};
    std::array<QWidget*, ADVANCED_CONTROL_COUNT> m_advanced{};
    QPushButton* m_done = nullptr;
};

} // namespace orvo
