#include "download/StatusText.h"

namespace orvo {

namespace {

constexpr const char* kBitTexts[16] = {
    "TE NOT DETECTED",
    "HIGH FILTER LOAD",
    "FLOW OUT OF RANGE",
    "MASS OFFSET",
    "TE TEMP OUT OF RANGE",
    "CPU FAULT",
    "POWER LOW",
    "PROGRAM END OF SAMPLE",
    "END OF NC SAMPLE FROM MENU",
    "SAMPLE ENDED FROM ORVODESK",
    "SAMPLE START TIME MISSED",
    "STATE MACHINE IN UNKNOWN STATE",
    "TE FREQUENCY",
    "ORVO CPU RESET",
    "POWER LOW SHUTDOWN",
    "TE DETECTED",
};

} // namespace

const char* StatusBitText(int bit) {
    return bit >= 0 && bit < 16 ? kBitTexts[bit] : "";
}

std::string StatusMaskText(uint32_t mask) {
    std::string text;
    for (int bit = 0; bit < 16; ++bit) {
        if (!(mask & (1u << bit)))
            continue;
        if (!text.empty())
            text += ';';
        text += kBitTexts[bit];
    }
    return text;
}

std::string StatusConditionsText(uint32_t mask) {
    std::string text = StatusMaskText(mask);
    return text.empty() ? std::string(kNoStatusConditions) : text;
}

const char* MassRejectText(uint32_t code) {
    switch (code) {
    case 0:
        return "";
    case 1:
        return "Shocked";
    case 2:
        return "Tilted";
    case 3:
        return "Spike";
    default:
        // The monitor defines 4 as "Unknown"; anything newer firmware may add reads the same.
        return "Unknown";
    }
}

} // namespace orvo
