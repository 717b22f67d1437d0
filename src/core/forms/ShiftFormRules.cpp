#include "forms/ShiftFormRules.h"

#include <algorithm>

#include "model/ShiftTextFields.h"
#include "platform/Format.h"
#include "platform/LocalTime.h"

namespace orvo {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), IsDigit);
}

std::string Part(uint32_t count, const char* one, const char* many) {
    return count == 1 ? std::string("1 ") + one : FormatUnsigned(count) + " " + many;
}

ShiftRefusal Refuse(const char* message, ShiftField focus) {
    return ShiftRefusal{message, MessageIcon::None, focus};
}

} // namespace

LocalDateTime ApplyPickerYear(const LocalDateTime& picked, const LocalDateTime& today) {
    LocalDateTime out = picked;
    out.second = 0;
    if (today.month == 12 && today.day >= 16 && picked.month != 12)
        out.year = today.year + 1;
    return out;
}

std::string ShiftClockText(int64_t utcSeconds, const TimeZoneSource& zone) {
    const LocalDateTime local = ToLocalDateTime(utcSeconds, zone);
    const unsigned month = unsigned(local.month), day = unsigned(local.day);
    std::string text = (month < 10 ? "   " : "") + FormatUnsigned(month) + "/";
    text += (day < 10 ? "  " : "") + FormatUnsigned(day) + "/";
    // "%X" of the C locale, whatever locale the desktop gave the process.
    return text + FormatLocalTime(zone, utcSeconds, "%Y, %H:%M:%S");
}

std::string DurationText(uint32_t seconds) {
    const uint32_t parts[] = {seconds / 86400, seconds / 3600 % 24, seconds / 60 % 60, seconds % 60};
    static const char* const kNames[][2] = {
        {"day", "days"}, {"hour", "hours"}, {"minute", "minutes"}, {"second", "seconds"}};
    std::string text;
    for (size_t i = 0; i < 4; ++i) {
        if (parts[i] == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += Part(parts[i], kNames[i][0], kNames[i][1]);
    }
    return text;
}

std::string TooSoonMessage(uint32_t seconds) {
    const std::string duration = DurationText(seconds);
    return "The start time is too soon. Please enter a start time that is at least\n" + duration +
           (duration.size() > 40 ? "\n" : " ") + "greater than the current time.";
}

uint32_t AutoShiftValue(const WeekDays& days) {
    uint32_t value = 0;
    for (size_t day = 0; day < days.size(); ++day)
        if (days[day])
            value |= 1u << day;
    return value != 0 ? value | 0x80u : 0;
}

WeekDays AutoShiftDays(uint32_t value) {
    WeekDays days{};
    if (value & 0x80u)
        for (size_t day = 0; day < days.size(); ++day)
            days[day] = (value >> day) & 1u;
    return days;
}

size_t TextCapacity(ShiftField field) {
    switch (field) {
    case ShiftField::WearerId:
        return kWearerIdRead;
    case ShiftField::MineId:
        return kMineIdRead;
    case ShiftField::ContractorCode:
        return kContractorRead;
    case ShiftField::MineName:
        return kMineNameRead;
    case ShiftField::CompanyName:
        return kCompanyNameRead;
    case ShiftField::Mmu:
        return kMmuRead;
    case ShiftField::Miin:
        return kMiinRead;
    default:
        return 0;
    }
}

size_t CharacterCount(const std::string& text) {
    return size_t(std::count_if(text.begin(), text.end(),
                                [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string FirstCharacters(const std::string& text, size_t count) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (characters++ == count)
            return text.substr(0, i);
    }
    return text;
}

std::optional<ShiftRefusal> CheckIdentificationTexts(const ShiftTexts& texts, bool newFirmware,
                                                     int accessMode) {
    if (!newFirmware) {
        // The short layout keeps the wearer as eight digits.
        if (CharacterCount(texts.wearerId) > 8)
            return Refuse("The Wearer ID must be less than or equal to 8 digits (numeric only)",
                          ShiftField::WearerId);
        if (!AllDigits(texts.wearerId))
            return Refuse("Please enter the Wearer ID in 8 digits or less (numeric only)!",
                          ShiftField::WearerId);
        if (CharacterCount(texts.mineId) > 7)
            return Refuse("The Mine ID must be less than or equal to 7 characters", ShiftField::MineId);
        return std::nullopt;
    }
    const bool standard = accessMode == 0;
    if (CharacterCount(texts.wearerId) > 30)
        return Refuse("The Wearer ID must be less than or equal to 30 characters", ShiftField::WearerId);
    if (standard && (texts.mineId.size() != 7 || !AllDigits(texts.mineId)))
        return Refuse("The Mine ID Number must be 7 numbers", ShiftField::MineId);
    if (standard && CharacterCount(texts.contractorCode) > 7)
        return Refuse("The Contractor Code must be less than or equal to 7 characters",
                      ShiftField::ContractorCode);
    if (standard && CharacterCount(texts.mineName) > 30)
        return Refuse("The Mine Name must be less than or equal to 30 characters", ShiftField::MineName);
    if (CharacterCount(texts.companyName) > 30)
        return Refuse("The Company Name must be less than or equal to 30 characters",
                      ShiftField::CompanyName);
    return std::nullopt;
}

std::optional<ShiftRefusal> CheckMmu(const std::string& mmu, bool newFirmware, int accessMode) {
    if (newFirmware && accessMode == 0 && (mmu.size() != 4 || !AllDigits(mmu)))
        return Refuse("The MMU DA/SA must be 4 numbers", ShiftField::Mmu);
    if (!newFirmware && CharacterCount(mmu) > 4)
        return Refuse("The MMU DA/SA must be less than or equal to 4 characters", ShiftField::Mmu);
    return std::nullopt;
}

std::optional<ShiftRefusal> CheckRecordTexts(const ShiftTexts& texts, bool newFirmware, bool miinSent) {
    const struct {
        ShiftText text;
        std::string_view value;
        ShiftField focus;
    } fields[] = {
        {ShiftText::WearerId, texts.wearerId, ShiftField::WearerId},
        {ShiftText::MineId, texts.mineId, ShiftField::MineId},
        {ShiftText::ContractorCode, texts.contractorCode, ShiftField::ContractorCode},
        {ShiftText::MineName, texts.mineName, ShiftField::MineName},
        {ShiftText::CompanyName, texts.companyName, ShiftField::CompanyName},
        {ShiftText::Mmu, texts.mmu, ShiftField::Mmu},
        {ShiftText::Miin, miinSent && newFirmware ? std::string_view(texts.miin) : std::string_view(),
         ShiftField::Miin},
    };
    for (const auto& field : fields)
        if (const std::optional<std::string> refusal = CheckShiftText(field.text, field.value, newFirmware))
            return ShiftRefusal{*refusal, MessageIcon::None, field.focus};
    return std::nullopt;
}

std::optional<ShiftRefusal> CheckPart90Miin(const std::string& miin) {
    const bool valid = miin.size() == 9 && (miin[0] == 'M' || miin[0] == 'm') &&
                       std::all_of(miin.begin() + 1, miin.end(), IsDigit);
    if (!valid)
        return Refuse("The Part 90 Miner Sampled MIIN must begin with 'M' and be 9 characters long",
                      ShiftField::Miin);
    return std::nullopt;
}

} // namespace orvo
