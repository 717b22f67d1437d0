#include "forms/MainStatusRules.h"

#include <cstdio>

#include "platform/LocalTime.h"

namespace orvo {

ButtonStates EnablingRule(int32_t deviceState, bool programming, bool clearing) {
    ButtonStates on{};
    if (programming || clearing)
        return on;
    bool stopped;
    if (deviceState == STATE_STOPPED)
        stopped = true;
    else if (deviceState == STATE_PROGRAMMED || deviceState == STATE_WARMING || deviceState == STATE_RUNNING)
        stopped = false;
    else
        return on;
    for (MainButton b :
         {MainButton::K0Calibration, MainButton::K0Audit, MainButton::LeakCheck, MainButton::TiltCalibration,
          MainButton::TiltAudit, MainButton::ServiceDate, MainButton::FlowCalibration})
        on[Index(b)] = stopped;
    on[Index(MainButton::ClearProgram)] = !stopped;
    for (MainButton b : {MainButton::DownloadSample, MainButton::ProgramShift, MainButton::RealTimeGraph,
                         MainButton::Diagnostics, MainButton::BoardTest, MainButton::Configure})
        on[Index(b)] = true;
    return on;
}

AdvancedVisibility AllAdvanced(bool visible) {
    AdvancedVisibility v;
    v.fill(visible);
    return v;
}

namespace {

AdvancedVisibility ServiceVisibility(bool newFirmware) {
    AdvancedVisibility v = AllAdvanced(true);
    v[Index(AdvancedControl::BoardTest)] = false;
    v[Index(AdvancedControl::ServiceDate)] = newFirmware;
    return v;
}

AdvancedVisibility ExpertOldFirmwareVisibility() {
    AdvancedVisibility v = AllAdvanced(true);
    v[Index(AdvancedControl::ServiceDate)] = false;
    return v;
}

} // namespace

AdvancedVisibility InitialVisibility(AccessMode mode, bool newFirmware, bool connected) {
    switch (mode) {
    case ACCESS_SERVICE:
        return ServiceVisibility(newFirmware);
    case ACCESS_EXPERT:
        return !newFirmware && connected ? ExpertOldFirmwareVisibility() : AllAdvanced(false);
    default:
        return AllAdvanced(false);
    }
}

AdvancedVisibility OldFirmwareConnectedVisibility(AccessMode mode) {
    switch (mode) {
    case ACCESS_SERVICE:
        return ServiceVisibility(false);
    case ACCESS_EXPERT:
        return ExpertOldFirmwareVisibility();
    default:
        return AllAdvanced(false);
    }
}

TimeFieldColour TimeFieldColourFor(int32_t deviceState) {
    if (deviceState == STATE_STOPPED)
        return TimeFieldColour::Red;
    if (deviceState == STATE_WARMING)
        return TimeFieldColour::Orange;
    return TimeFieldColour::DarkGreen;
}

std::string ShiftTimeText(uint32_t seconds, bool newFirmware, const TimeZoneSource& zone) {
    if (!newFirmware) {
        const std::string text = FormatUtcTime(seconds, "%m/%d/%Y %H:%M");
        return text.empty() ? NO_TIME_TEXT : text;
    }
    if (seconds == 0)
        return NO_TIME_TEXT;
    const std::string text = FormatLocalTime(zone, seconds, "%m/%d/%Y, %H:%M");
    return text.empty() ? NO_TIME_TEXT : text;
}

uint32_t WarmupStart(uint32_t start, uint32_t warmupSeconds) {
    return start - start % 60 - warmupSeconds;
}

std::string CountdownText(uint32_t remainingSeconds) {
    std::string text = "Warming ";
    const unsigned days = remainingSeconds / 86400;
    char buffer[48];
    if (days == 1) {
        text += "1 day, ";
    } else if (days > 1) {
        std::snprintf(buffer, sizeof buffer, "%u days, ", days);
        text += buffer;
    }
    std::snprintf(buffer, sizeof buffer, "%.2u:%.2u:%.2u", (remainingSeconds / 3600) % 24,
                  (remainingSeconds / 60) % 60, remainingSeconds % 60);
    return text + buffer;
}

std::string LastServiceText(uint32_t serviceDate, bool newFirmware, const TimeZoneSource& zone) {
    if (!newFirmware)
        return {};
    if (serviceDate == 0)
        return NO_SERVICE_DATE_TEXT;
    return "Last Service: " + FormatLocalTime(zone, serviceDate, "%m/%d/%Y");
}

} // namespace orvo
