#pragma once

#include <string>

namespace orvo {

// What the user records about a downloaded shift; carried by the exports and the card.
struct ShiftInformation {
    std::string averageTons = "0";   // "Average Tons - 30 Shifts"
    std::string tonsThisShift = "0"; // "Tons This Shift"
    std::string notes;               // at most 255 characters
    std::string certifiedMiin;       // "Certified Person MIIN"
    bool multiUnit = false;
    std::string firstUnitSerial;  // at most 11 characters
    std::string secondUnitSerial; // at most 11 characters
    bool entered = false;         // the user confirmed the dialog
};

} // namespace orvo
