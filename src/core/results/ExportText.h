#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvo {

class TimeZoneSource;

// Texts both exports share.

// "%H:%M:%S %m/%d/%Y" on the zone's wall clock, appended.
void AppendLocalTime(std::string& out, uint32_t utcSeconds, const TimeZoneSource& zone);
// "(%H:%M:%S %m/%d/%Y GMT)", appended.
void AppendGmtTime(std::string& out, uint32_t utcSeconds);
// Entry field 9: "E" for 9 (engineering study), the field's text otherwise.
std::string_view SampleTypeText(std::string_view entry);
// Entry field 11 as a number, "%03lu".
std::string OccupationText(std::string_view entry);

} // namespace orvo
