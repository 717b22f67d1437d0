#include "model/ShiftTextFields.h"

namespace orvo {

bool HoldsComma(std::string_view text) {
    return text.find(',') != std::string_view::npos;
}

std::string CommaRefusal(std::string_view fieldName) {
    return "The " + std::string(fieldName) + " cannot contain a comma.";
}

std::string TooLongRefusal(std::string_view fieldName, size_t limit) {
    return "The " + std::string(fieldName) + " must be less than or equal to " + std::to_string(limit) +
           " characters";
}

const std::array<ShiftTextLayout, 9>& ShiftTextLayouts() {
    static const std::array<ShiftTextLayout, 9> kLayouts = {{
        {ShiftText::WearerId, "Wearer ID", 8, 32},
        {ShiftText::MineId, "Mine ID Number", 7, 32},
        {ShiftText::ContractorCode, "Contractor Code", 3, 32},
        {ShiftText::MineName, "Mine Name", 32, 32},
        {ShiftText::CompanyName, "Company Name", 32, 32},
        {ShiftText::Mmu, "MMU DA/SA", 4, 32},
        {ShiftText::Occupation, "Occ Code", 3, 0},
        {ShiftText::Miin, "Part 90 Miner Sampled MIIN", 0, 32},
        {ShiftText::Spare, "Spare", 0, 32},
    }};
    return kLayouts;
}

const ShiftTextLayout& ShiftTextLayoutOf(ShiftText text) {
    return ShiftTextLayouts()[static_cast<size_t>(text)];
}

size_t ShiftTextWidth(ShiftText text, bool newFirmware) {
    const ShiftTextLayout& layout = ShiftTextLayoutOf(text);
    return newFirmware ? layout.longWidth : layout.shortWidth;
}

std::optional<std::string> CheckShiftText(ShiftText text, std::string_view value, bool newFirmware) {
    const ShiftTextLayout& layout = ShiftTextLayoutOf(text);
    if (HoldsComma(value))
        return CommaRefusal(layout.name);
    const size_t width = ShiftTextWidth(text, newFirmware);
    // The layout holds bytes: a text of wider characters is refused, not cut in the middle of one.
    if (width != 0 && value.size() > width)
        return TooLongRefusal(layout.name, width);
    return std::nullopt;
}

} // namespace orvo
