#include "results/ExportText.h"

#include <cstdio>

#include "download/RecordText.h"
#include "platform/LocalTime.h"

namespace orvo {

void AppendLocalTime(std::string& out, uint32_t utcSeconds, const TimeZoneSource& zone) {
    out += FormatLocalTime(zone, utcSeconds, "%H:%M:%S %m/%d/%Y");
}

void AppendGmtTime(std::string& out, uint32_t utcSeconds) {
    out += FormatUtcTime(utcSeconds, "(%H:%M:%S %m/%d/%Y GMT)");
}

std::string_view SampleTypeText(std::string_view entry) {
    if (RecordUnsigned(entry, 9) == 9)
        return "E";
    return RecordField(entry, 9);
}

std::string OccupationText(std::string_view entry) {
    char text[16];
    std::snprintf(text, sizeof text, "%03lu", static_cast<unsigned long>(RecordUnsigned(entry, 11)));
    return text;
}

} // namespace orvo
