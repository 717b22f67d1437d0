#pragma once

#include <cstdint>
#include <string>

#include "forms/ShiftFormRules.h"

namespace orvo {

class COrvodeskDoc;
class Clock;
class DeviceRequests;
class MessageService;
struct ShiftProgram;

// Everything the user can enter on the shift form.
struct ShiftFormEntries {
    std::string wearerId;
    std::string mineId;
    std::string contractorCode;
    std::string mineName;
    std::string companyName;
    std::string mmu;           // "MMU DA/SA"
    std::string dustStandard;  // "Respirable Dust Standard", mg/m³
    std::string miin;          // "Part 90 Miner Sampled MIIN"
    bool miinEnabled = false;  // only for a Part 90 miner sample
    int occupation = 0;        // row of the occupation list, -1 none
    int sampleType = -1;       // position in the sample type list, -1 none
    int temperature = -1;      // row of the temperature list, -1 none
    WeekDays days{};           // "Auto Shift Setup", Sunday first
    LocalDateTime start;       // the picker; its year is not shown
    uint32_t duration = 43200; // seconds
};

// What the shift form shows; the widget renders, the logic decides.
class IShiftFormView {
public:
    virtual ~IShiftFormView() = default;

    // Shows every entry as given. Not an edit: the view reports nothing back for it.
    virtual void ShowEntries(const ShiftFormEntries& entries) = 0;
    virtual void ShowMinutes(const std::string& text) = 0; // "Sample Time (minutes)"
    virtual void ShowCurrentTime(const std::string& text) = 0;
    virtual void ShowWarmupStart(const std::string& text) = 0;
    virtual void ShowFirmware(const std::string& text) = 0;
    virtual void ShowMreStatus(const std::string& text) = 0;
    // The duration entry takes 0 up to `maximum` seconds (the logic refuses what lies below the
    // monitor's minimum); Page Up and Down step by `pageStepMinutes`.
    virtual void SetDurationRange(uint32_t maximum, int pageStepMinutes) = 0;
    // Gives the field the focus with its whole text selected.
    virtual void FocusField(ShiftField field) = 0;
    // OnTimerTick once a second until stopped.
    virtual void StartClock() = 0;
    virtual void StopClock() = 0;
    // The wait cursor while the program goes out; the form leaves right after.
    virtual void ShowBusy() = 0;
    // Back to the main status form. With `powerOffPending` the monitor's state was unknown:
    // whoever stays must power it off once the state is known (PendingPowerOff).
    virtual void ShowMainForm(bool powerOffPending) = 0;
};

// The shift programming form without a window: it fills the entries from the monitor's
// program and registers, checks them on OK in a fixed order, writes the heater, warm-up
// diagnostics, auto-shift and dust-standard registers and sends the program. Runs on the
// user-interface thread and never waits for the link.
class ShiftFormLogic {
public:
    static constexpr uint32_t CLEARED_DURATION = 43200; // twelve hours
    static constexpr int DURATION_PAGE_STEP_MINUTES = 120;

    ShiftFormLogic(COrvodeskDoc& doc, DeviceRequests& io, IShiftFormView& view, MessageService& messages,
                   Clock& clock);

    void InitialUpdate();
    void Update(uint32_t hint, intptr_t value);
    void OnTimerTick();

    // The user's edits, as the widgets report them.
    void EditText(ShiftField field, const std::string& text);
    void SelectOccupation(int row);
    void SelectTemperature(int row);
    void SetDay(int day, bool checked);
    void SelectSampleType(int position);
    void PickStart(const LocalDateTime& start);
    void SetDuration(uint32_t seconds);

    // True when the program was sent and the form left.
    bool Ok();
    void Cancel();
    // The window was closed while the form showed: as Cancel. Nothing once the form has left.
    void OnWindowClosed();
    void ClearFields();

    const ShiftFormEntries& Entries() const { return m_entries; }
    bool Changed() const { return m_changed; }
    bool Left() const { return m_left; }
    // The picked start as it would be sent: the picker's year rule applied, whole minutes, UTC.
    int64_t PickedStart() const;

private:
    void LoadProgramRecord();
    void RefreshClockTexts();
    void RefreshMinutes();
    void RefreshFirmware();
    void RefreshMre();
    void Show();
    void PowerOn();
    void PowerOffAndLeave();
    void Leave();
    bool Refuse(const std::string& message, MessageIcon icon, ShiftField focus = ShiftField::None);
    bool CheckStartTime();
    bool MissingValues() const;
    ShiftTexts ReadTexts() const;
    ShiftProgram BuildProgram(const ShiftTexts& texts, int64_t start, uint32_t miinNumber) const;
    uint32_t RegisterWord(int number) const;
    int64_t Now() const;

    COrvodeskDoc& m_doc;
    DeviceRequests& m_io;
    IShiftFormView& m_view;
    MessageService& m_messages;
    Clock& m_clock;

    ShiftFormEntries m_entries;
    int64_t m_loadedStart = 0; // start of the program read from the monitor, whole minutes
    bool m_changed = false;
    bool m_pendingPowerOn = false;
    bool m_left = false;
};

} // namespace orvo
