#include "platform/TimeConversion.h"

#include <cstdlib>

namespace orvo {

uint32_t PackZoneBias(int32_t biasMinutes, int32_t daylightBiasMinutes) {
    uint32_t packed = uint32_t(std::abs(biasMinutes)) & 0x7FFF;
    if (biasMinutes < 0)
        packed |= 0x8000;
    packed |= (uint32_t(std::abs(daylightBiasMinutes)) & 0x7FFF) << 16;
    if (daylightBiasMinutes < 0)
        packed |= 0x80000000u;
    return packed;
}

uint32_t PackTransitionRule(const TransitionRule& rule) {
    return (uint32_t(rule.month & 0xF) << 28) | (uint32_t(rule.dayOfWeek & 0xF) << 24) |
           (uint32_t(rule.day & 0xFF) << 16) | (uint32_t(rule.hour & 0xFF) << 8) |
           uint32_t(rule.minute & 0xFF);
}

} // namespace orvo
