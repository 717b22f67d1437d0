#pragma once

#include <cstdint>

#include "platform/TimeZoneSource.h"

namespace orvo {

// Monitors of the older firmware class count their clock in the computer's local time: the
// true wall-clock reading of each instant, the zone's offset then. A reading the clocks showed
// twice is placed with the offset in force now when that is one of the two (the monitor was set
// from it), else at the earlier instant; one they skipped is read with the offset before the jump
// (TimeZoneSource::LocalToUtc). Arithmetic wraps like the 32-bit values on the wire.
inline uint32_t MonitorLocalToUtc(uint32_t local, const TimeZoneSource& zone, int64_t nowUtcSeconds) {
    return static_cast<uint32_t>(zone.LocalToUtc(local, zone.UtcOffsetSecondsAt(nowUtcSeconds)));
}

inline uint32_t UtcToMonitorLocal(uint32_t utc, const TimeZoneSource& zone) {
    return static_cast<uint32_t>(zone.UtcToLocal(utc));
}

// The firmware class: a version that, widened to double, is at most 6.69 is the older class;
// a monitor reporting 6.69 (6.69000005722 as a single) counts as newer.
inline bool IsNewFirmware(float version) {
    return static_cast<double>(version) > 6.69;
}

// Packing of the computer's zone into the monitor's time-zone registers.
uint32_t PackZoneBias(int32_t biasMinutes, int32_t daylightBiasMinutes);
uint32_t PackTransitionRule(const TransitionRule& rule);

} // namespace orvo
