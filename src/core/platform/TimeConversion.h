#pragma once

#include <cstdint>

#include "platform/TimeZoneSource.h"

namespace orvo {

// Monitors of the older firmware class count their clock in the computer's local time.
// Both directions use the zone's current offset and daylight flag, as the monitor's own
// clock was set from them; arithmetic wraps like the 32-bit values on the wire.
inline uint32_t MonitorLocalToUtc(uint32_t local, const TimeZoneSource& zone, int64_t nowUtcSeconds) {
    const int64_t shift =
        int64_t(zone.OffsetMinutesWest()) * 60 - (zone.DaylightAt(nowUtcSeconds) ? 3600 : 0);
    return static_cast<uint32_t>(int64_t(local) + shift);
}

inline uint32_t UtcToMonitorLocal(uint32_t utc, const TimeZoneSource& zone, int64_t nowUtcSeconds) {
    const int64_t shift =
        (zone.DaylightAt(nowUtcSeconds) ? 3600 : 0) - int64_t(zone.OffsetMinutesWest()) * 60;
    return static_cast<uint32_t>(int64_t(utc) + shift);
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
