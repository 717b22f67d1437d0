#include "results/ShiftInformationCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace orvo {
namespace {

using Field = ShiftInformationField;
constexpr int kStandard = 0, kService = 1, kExpert = 2;
constexpr auto kStop = MessageIcon::Stop, kNone = MessageIcon::None;

TEST(ShiftInformationCheck, RefusesInTheDialogsOrderWithItsMessageAndFocus) {
    const char* kAverage = "Average Tons - 30 Shifts must be a whole number";
    const char* kMiin = "The Certified Person MIIN must begin with 'M' and be 9 characters long";
    const char* kFirst = "The first serial number must be 11 characters long";
    const char* kSecond = "The second serial number must be 11 characters long";
    const char* kSame = "The serial numbers cannot be identical";
    const char* kComma = "The second serial number cannot contain a comma.";
    const char* kTons = "Tons This Shift must be a whole number";
    const std::string m = "M12345678", serial = "12345678901";
    const struct {
        ShiftInformationEntry typed;
        int mode;
        const char* message;
        MessageIcon icon;
        Field focus;
    } cases[] = {
        {{"12.5", "45", "", m, 0, "", ""}, kStandard, kAverage, kStop, Field::AverageTons},
        {{"-3", "45", "", m, 0, "", ""}, kExpert, kAverage, kStop, Field::AverageTons},
        {{"x", "y", "", "bad", 1, "short", "short"}, kStandard, kAverage, kStop, Field::AverageTons}, // first
        {{"120", "1 000", "", m, 0, "", ""}, kStandard, kTons, kStop, Field::TonsThisShift},
        {{"120", "45", "", "N12345678", 0, "", ""}, kStandard, kMiin, kNone, Field::CertifiedMiin},
        {{"120", "45", "", "M1234567", 0, "", ""}, kStandard, kMiin, kNone, Field::CertifiedMiin},
        {{"120", "45", "", "M1234567X", 0, "", ""}, kStandard, kMiin, kNone, Field::CertifiedMiin},
        {{"120", "45", "", "", 1, "", ""}, kStandard, kMiin, kNone, Field::CertifiedMiin}, // before serials
        {{"120", "45", "", m, 1, "ABC", serial}, kStandard, kFirst, kStop, Field::FirstUnitSerial},
        {{"1", "4", "", m, 1, serial, "123456789012"}, kService, kSecond, kStop, Field::SecondUnitSerial},
        // The serial numbers go into comma-separated records; the notes are quoted and may.
        {{"1", "4", "n, n", m, 1, serial, "ORV1234,678"}, kService, kComma, kNone, Field::SecondUnitSerial},
        {{"1", "4", "", m, 1, "orvo0012345", "ORVO0012345"}, kStandard, kSame, kStop, Field::FirstUnitSerial},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const ShiftInformationCheck check = CheckShiftInformation(c.typed, c.mode, ShiftInformation{});
        EXPECT_FALSE(check.ok);
        EXPECT_EQ(std::tuple(check.message, check.icon, check.focus), std::tuple(c.message, c.icon, c.focus));
    }
}

TEST(ShiftInformationCheck, StandardModeTakesTheTypedMiinOtherModesKeepThePreset) {
    ShiftInformation preset;
    preset.certifiedMiin = "M00000001";
    // Kept as typed, not upper-cased; the field is read into ten characters: a tenth never arrives.
    const struct {
        const char* typed;
        int mode;
        const char* kept;
    } cases[] = {{"m87654321", kStandard, "m87654321"},
                 {"M876543219", kStandard, "M87654321"},
                 {"anything at all", kService, "M00000001"},
                 {"anything at all", kExpert, "M00000001"}};
    for (const auto& c : cases) {
        const auto check = CheckShiftInformation({"120", "45", "", c.typed, 0, "", ""}, c.mode, preset);
        ASSERT_TRUE(check.ok) << check.message;
        EXPECT_EQ(check.info.certifiedMiin, c.kept) << c.typed;
    }
}

TEST(ShiftInformationCheck, AcceptedValuesCarryTheMultiUnitChoice) {
    ShiftInformationEntry typed{"", "", "notes, \"quoted\"", "M12345678", 1, "orvo0012345", "Orvo0012346"};
    auto check = CheckShiftInformation(typed, kStandard, ShiftInformation{});
    ASSERT_TRUE(check.ok) << check.message;
    EXPECT_EQ(check.message, "");
    // An empty text passes as a whole number.
    EXPECT_EQ((std::vector<std::string>{check.info.averageTons, check.info.tonsThisShift, check.info.notes,
                                        check.info.firstUnitSerial, check.info.secondUnitSerial}),
              (std::vector<std::string>{"", "", "notes, \"quoted\"", "ORVO0012345", "ORVO0012346"}));
    EXPECT_TRUE(check.info.multiUnit && check.info.entered);

    // "No" or no choice: whatever was typed into the serial fields is dropped.
    for (int choice : {0, -1}) {
        check =
            CheckShiftInformation({"", "", "", "M12345678", choice, "x", "y"}, kStandard, ShiftInformation{});
        ASSERT_TRUE(check.ok) << check.message;
        EXPECT_FALSE(check.info.multiUnit);
        EXPECT_EQ(check.info.firstUnitSerial + check.info.secondUnitSerial, "");
    }

    // Notes stop at 255 characters without splitting one.
    typed.notes = std::string(254, 'a') + "\xC2\xB3" + "tail";
    check = CheckShiftInformation(typed, kStandard, ShiftInformation{});
    ASSERT_TRUE(check.ok);
    EXPECT_EQ(check.info.notes, std::string(254, 'a') + "\xC2\xB3");
}

} // namespace
} // namespace orvo
