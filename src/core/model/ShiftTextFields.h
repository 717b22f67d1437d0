#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvo {

// Rules for the texts a user types that end up in record texts and program layouts, shared by
// the shift form, the Shift Information dialog and orvoctl.

// Record texts are comma-separated and read back by position: a comma inside a field would
// shift every field after it. Nothing typed may carry one into a record.
bool HoldsComma(std::string_view text);
// "The Company Name cannot contain a comma."
std::string CommaRefusal(std::string_view fieldName);
// "The Contractor Code must be less than or equal to 3 characters"
std::string TooLongRefusal(std::string_view fieldName, size_t limit);

// The texts of a shift program, in screen order.
enum class ShiftText {
    WearerId,
    MineId,
    ContractorCode,
    MineName,
    CompanyName,
    Mmu,
    Occupation,
    Miin,
    Spare
};

struct ShiftTextLayout {
    ShiftText text;
    const char* name;  // as the form labels it
    size_t shortWidth; // bytes in the short layout (firmware 6.69 or older); 0: a number there
    size_t longWidth;  // bytes in the long layout; 0: a number there
};

const std::array<ShiftTextLayout, 9>& ShiftTextLayouts();
const ShiftTextLayout& ShiftTextLayoutOf(ShiftText text);
// What the monitor's layout holds of this text, in bytes; 0 where the layout takes a number.
size_t ShiftTextWidth(ShiftText text, bool newFirmware);

// The first refusal of one text: a comma, or more than the monitor's layout holds (the layout
// would cut it). Nothing when the text may go.
std::optional<std::string> CheckShiftText(ShiftText text, std::string_view value, bool newFirmware);

} // namespace orvo
