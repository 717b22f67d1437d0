#pragma once

#include <string>

#include "platform/MessageService.h"
#include "results/ShiftInformation.h"

namespace orvo {

// What the user typed into the Shift Information dialog.
struct ShiftInformationEntry {
    std::string averageTons;
    std::string tonsThisShift;
    std::string notes;
    std::string certifiedMiin;
    int multiUnit = -1; // -1 nothing chosen, 0 "No", 1 "Yes"
    std::string firstUnitSerial;
    std::string secondUnitSerial;
};

enum class ShiftInformationField {
    None,
    AverageTons,
    TonsThisShift,
    CertifiedMiin,
    FirstUnitSerial,
    SecondUnitSerial
};

struct ShiftInformationCheck {
    bool ok = false;
    std::string message;                                       // shown as it is; "" when ok
    MessageIcon icon = MessageIcon::None;                      // None or Stop
    ShiftInformationField focus = ShiftInformationField::None; // gets the focus, whole text selected
    // The values the dialog closes with when ok; after the identical-serials refusal it holds the
    // upper-cased serial numbers the fields now show.
    ShiftInformation info;
};

// Longest texts the dialog's fields hold.
inline constexpr size_t kShiftNotesLimit = 255;
inline constexpr size_t kCertifiedMiinRead = 9; // read with a 10-character buffer

// The dialog's OK checks, in order; the first failure is returned. accessMode is 0 standard,
// 1 service, 2 expert. In service and expert mode the certified person MIIN is not checked and
// the typed text does not replace `preset`'s. On success the serial numbers are upper case,
// empty unless the choice is "Yes", and `entered` is set.
ShiftInformationCheck CheckShiftInformation(const ShiftInformationEntry& typed, int accessMode,
                                            const ShiftInformation& preset);

} // namespace orvo
