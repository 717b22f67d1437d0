#pragma once

#include <cstdint>
#include <string>

#include "forms/MainStatusRules.h"

namespace orvo {

class COrvodeskDoc;
class DeviceRequests;

// What the main status form shows; the widget renders, the logic decides.
class IMainStatusView {
public:
    virtual ~IMainStatusView() = default;

    virtual void ShowConnected(bool connected) = 0; // banner picture
    virtual void ShowDeviceActive(bool active) = 0; // stopped or active picture
    virtual void SetSerialNumberText(const std::string& text) = 0;
    virtual void SetWarmupText(const std::string& text) = 0;
    virtual void SetSampleText(const std::string& text) = 0;
    virtual void SetTimeFieldColour(TimeFieldColour colour) = 0;
    virtual void SetStatusLine(const std::string& text) = 0;
    virtual void SetLastServiceText(const std::string& text) = 0;
    virtual void SetAdvancedVisibility(const AdvancedVisibility& visible) = 0;
    virtual void SetButtonsEnabled(const ButtonStates& enabled) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // The one-second countdown: OnTimerTick each second until stopped.
    virtual void StartCountdown() = 0;
    virtual void StopCountdown() = 0;
    // Calls OnStatusHoldEnded after `ms` milliseconds.
    virtual void StartStatusHold(int ms) = 0;
    // Tells the user that a shift was not programmed (or not cleared); shown after the update
    // that found it out, so that the link thread does not wait on a message box.
    virtual void ShowFailure(const std::string& text) = 0;
};

// The rules of the main status form: what it shows for each update of the document, which
// registers it asks for, the logging template check, Clear Program and Service Date. Runs on
// the user-interface thread; it never waits for the link.
class MainStatusLogic {
public:
    // A status line such as "Programming Shift" stays this long, unless the operation ends first.
    static constexpr int STATUS_HOLD_MS = 2000;
    // Progress dots wrap after this many, so that the line never runs out of its group.
    static constexpr size_t MAX_PROGRESS_DOTS = 12;

    MainStatusLogic(COrvodeskDoc& doc, DeviceRequests& io, IMainStatusView& view);

    // When the form is created: remembered values reset, register 0 asked for, the advanced
    // controls set by mode, then a full update (hint 0) as the first one.
    void InitialUpdate();
    // One update of the document: hint 0 means everything, otherwise the update flags.
    void Update(uint32_t hint, intptr_t value);
    void OnTimerTick();
    void OnStatusHoldEnded();

    // Whether a button press may act; presses are ignored while a shift is programmed or
    // cleared. "Done" and "Clear Program" stop the countdown first.
    bool AcceptPress(MainButton button);
    bool AcceptDone();
    void ClearProgram();

    // Service Date: the dialog's preset (register 182, or now when it is 0) and the write.
    uint32_t ServiceDatePreset(uint32_t nowSeconds) const;
    void WriteServiceDate(uint32_t seconds);

    bool Busy() const;
    const std::string& StatusText() const { return m_status; }
    bool LoggingChecked() const { return m_loggingChecked; }

private:
    void ResetRemembered();
    void ApplyEnabling();
    void SetVisibility(const AdvancedVisibility& visible);
    void SetStatus(std::string text);
    void AddProgressDots();
    void HoldStatus();
    void OnBusyEnded();
    void StopTimer();
    void RefreshSerialNumber();
    void OnConnectionChanged(bool connected);
    void CheckLoggingTemplate();
    void OnStateChanged(int32_t state);
    void ShowDisconnectedState();
    void OnRegister(int number);
    void ShowStartTimes();
    uint32_t RegisterWord(int number) const;

    COrvodeskDoc& m_doc;
    DeviceRequests& m_io;
    IMainStatusView& m_view;

    bool m_programmingShown = false;
    bool m_timerRunning = false;
    bool m_loggingChecked = false;
    int m_templateId = 0;

    // Remembered from the last update, so that only changes act.
    bool m_programming = false;
    bool m_clearing = false;
    bool m_connected = false;
    int32_t m_state = 0; // 0: forgotten
    uint32_t m_startTime = 0;
    uint32_t m_shownStart = 0;

    AdvancedVisibility m_visibility{};
    std::string m_status;
    size_t m_statusBase = 0; // characters of m_status before its progress dots
    bool m_statusHeld = false;
};

} // namespace orvo
