#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/LocalTime.h"
#include "platform/MessageService.h"

namespace orvo {

// The rules of the shift programming form that need no form: time texts, the picker's year,
// the auto-shift bits and the checks of the typed texts.

// The picker shows no year: from the 16th of December on, a month other than December means
// the coming year. Seconds are dropped either way.
LocalDateTime ApplyPickerYear(const LocalDateTime& picked, const LocalDateTime& today);

// "Current Time" and "Warm-up Start Time": month and day padded with blanks, not zeros
// ("   1/  5/2024, 08:30:00").
std::string ShiftClockText(int64_t utcSeconds, const TimeZoneSource& zone);

// "1 day, 2 hours, 35 minutes"; parts that are zero are left out, so 0 gives "".
std::string DurationText(uint32_t seconds);
// The refusal of a start that leaves too little time for the warm-up.
std::string TooSoonMessage(uint32_t seconds);

// Register 155: bit n for each day checked (Sunday bit 0), bit 7 when any is; else 0.
using WeekDays = std::array<bool, 7>;
uint32_t AutoShiftValue(const WeekDays& days);
// The boxes follow the day bits only when bit 7 says the auto shift is on.
WeekDays AutoShiftDays(uint32_t value);

// The entries of the form that can get the focus after a refusal.
enum class ShiftField {
    None,
    WearerId,
    MineId,
    ContractorCode,
    MineName,
    CompanyName,
    Mmu,
    DustStandard,
    Miin,
    Occupation,
    SampleType,
    Temperature,
    StartTime,
    Duration,
};

struct ShiftRefusal {
    std::string message;
    MessageIcon icon = MessageIcon::None;
    ShiftField focus = ShiftField::None;
};

// The identification texts as the form reads them (each cut to what its field holds).
struct ShiftTexts {
    std::string wearerId;
    std::string mineId;
    std::string contractorCode;
    std::string mineName;
    std::string companyName;
    std::string mmu;
    std::string miin;
};

// Characters each text is read with; a longer entry arrives cut to this.
inline constexpr size_t kWearerIdRead = 31;
inline constexpr size_t kMineIdRead = 9;
inline constexpr size_t kContractorRead = 9;
inline constexpr size_t kMineNameRead = 31;
inline constexpr size_t kCompanyNameRead = 31;
inline constexpr size_t kMmuRead = 9;
inline constexpr size_t kMiinRead = 11;

// The capacity of a text field, 0 for one the form reads whole (the dust standard).
size_t TextCapacity(ShiftField field);

// The first `count` characters of UTF-8 text.
std::string FirstCharacters(const std::string& text, size_t count);
size_t CharacterCount(const std::string& text);

// The length and character rules of wearer, mine, contractor, mine name and company, by
// firmware class and access mode (0 standard, 1 service, 2 expert), in that order.
std::optional<ShiftRefusal> CheckIdentificationTexts(const ShiftTexts& texts, bool newFirmware,
                                                     int accessMode);
std::optional<ShiftRefusal> CheckMmu(const std::string& mmu, bool newFirmware, int accessMode);
// No comma (record texts are read back by position) and no more than the monitor's program
// layout holds, for every text the form sends, in screen order; the MIIN only when it is sent
// as text.
std::optional<ShiftRefusal> CheckRecordTexts(const ShiftTexts& texts, bool newFirmware, bool miinSent);
// Only for a Part 90 miner sample on newer firmware in standard mode.
std::optional<ShiftRefusal> CheckPart90Miin(const std::string& miin);

} // namespace orvo
