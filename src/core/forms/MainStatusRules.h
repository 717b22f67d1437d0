#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/COrvodeskDoc.h"

namespace orvo {

// The fourteen buttons of the main status form that follow the enabling rule ("Done" is
// always enabled).
enum class MainButton {
    ProgramShift,
    ClearProgram,
    DownloadSample,
    LeakCheck,
    FlowCalibration,
    Diagnostics,
    K0Audit,
    TiltAudit,
    Configure,
    RealTimeGraph,
    TiltCalibration,
    BoardTest,
    K0Calibration,
    ServiceDate,
};
constexpr size_t MAIN_BUTTON_COUNT = 14;
using ButtonStates = std::array<bool, MAIN_BUTTON_COUNT>;

// The seven controls that only technicians see.
enum class AdvancedControl {
    Group,
    Configure,
    BoardTest,
    RealTimeGraph,
    K0Calibration,
    TiltCalibration,
    ServiceDate
};
constexpr size_t ADVANCED_CONTROL_COUNT = 7;
using AdvancedVisibility = std::array<bool, ADVANCED_CONTROL_COUNT>;

enum class TimeFieldColour { Red, Orange, DarkGreen };

constexpr size_t Index(MainButton b) {
    return static_cast<size_t>(b);
}
constexpr size_t Index(AdvancedControl c) {
    return static_cast<size_t>(c);
}

// Which buttons may be pressed: nothing while a shift is being programmed or cleared; a
// stopped monitor may be calibrated but has nothing to clear; a busy one the other way round.
ButtonStates EnablingRule(int32_t deviceState, bool programming, bool clearing);

// The advanced controls when the form is created.
AdvancedVisibility InitialVisibility(AccessMode mode, bool newFirmware, bool connected);
// When an older-firmware monitor connects.
AdvancedVisibility OldFirmwareConnectedVisibility(AccessMode mode);
AdvancedVisibility AllAdvanced(bool visible);

TimeFieldColour TimeFieldColourFor(int32_t deviceState);

// "--/--/---- --:--" stands for a time that cannot be shown.
constexpr const char* NO_TIME_TEXT = "--/--/---- --:--";
constexpr const char* NO_SERVICE_DATE_TEXT = "Last Service: - -/- -/- - - -";

// A start time as the monitor counts it: older firmware keeps the computer's local time, so
// its seconds are broken down as they are; newer firmware keeps UTC, shown in local time.
std::string ShiftTimeText(uint32_t seconds, bool newFirmware, const TimeZoneSource& zone);
// The warm-up begins register 12 seconds before the start's whole minute.
uint32_t WarmupStart(uint32_t start, uint32_t warmupSeconds);
// "Warming [1 day, |N days, ]HH:MM:SS" from the seconds of warm-up left.
std::string CountdownText(uint32_t remainingSeconds);
// The "Last Service:" line from register 182 (newer firmware only; older shows nothing).
std::string LastServiceText(uint32_t serviceDate, bool newFirmware, const TimeZoneSource& zone);

} // namespace orvo
