#include "results/ShiftInformationCheck.h"

#include <gtest/gtest.h>

#include <string>

namespace orvo {
namespace {

using Field = ShiftInformationField;

constexpr int kStandard = 0;
constexpr int kService = 1;
constexpr int kExpert = 2;

ShiftInformationEntry Valid() {
    return {"120", "45", "shift notes", "M12345678", 0, "", ""};
}

struct RefusalCase {
    const char* name;
    ShiftInformationEntry typed;
    int mode;
    const char* message;
    MessageIcon icon;
    Field focus;
};

TEST(ShiftInformationCheck, RefusesInTheDialogsOrderWithItsMessageAndFocus) {
    auto with = [](auto change) {
        ShiftInformationEntry e = Valid();
        change(e);
        return e;
    };
    const char* kAverage = "Average Tons - 30 Shifts must be a whole number";
    const char* kTons = "Tons This Shift must be a whole number";
    const char* kMiin = "The Certified Person MIIN must begin with 'M' and be 9 characters long";
    const char* kFirst = "The first serial number must be 11 characters long";
    const char* kSecond = "The second serial number must be 11 characters long";
    const char* kSame = "The serial numbers cannot be identical";
    const RefusalCase cases[] = {
        {"decimal point", with([](auto& e) { e.averageTons = "12.5"; }), kStandard, kAverage,
         MessageIcon::Stop, Field::AverageTons},
        {"sign", with([](auto& e) { e.averageTons = "-3"; }), kExpert, kAverage, MessageIcon::Stop,
         Field::AverageTons},
        {"every field wrong: the first check speaks",
         {"x", "y", "", "bad", 1, "short", "short"},
         kStandard,
         kAverage,
         MessageIcon::Stop,
         Field::AverageTons},
        {"tons", with([](auto& e) { e.tonsThisShift = "1 000"; }), kStandard, kTons, MessageIcon::Stop,
         Field::TonsThisShift},
        {"MIIN letter", with([](auto& e) { e.certifiedMiin = "N12345678"; }), kStandard, kMiin,
         MessageIcon::None, Field::CertifiedMiin},
        {"MIIN short", with([](auto& e) { e.certifiedMiin = "M1234567"; }), kStandard, kMiin,
         MessageIcon::None, Field::CertifiedMiin},
        {"MIIN letter in the digits", with([](auto& e) { e.certifiedMiin = "M1234567X"; }), kStandard, kMiin,
         MessageIcon::None, Field::CertifiedMiin},
        {"MIIN before serials", with([](auto& e) {
             e.certifiedMiin = "";
             e.multiUnit = 1;
         }),
         kStandard, kMiin, MessageIcon::None, Field::CertifiedMiin},
        {"first serial", with([](auto& e) {
             e.multiUnit = 1;
             e.firstUnitSerial = "ABC";
             e.secondUnitSerial = "12345678901";
         }),
         kStandard, kFirst, MessageIcon::Stop, Field::FirstUnitSerial},
        {"second serial", with([](auto& e) {
             e.multiUnit = 1;
             e.firstUnitSerial = "12345678901";
             e.secondUnitSerial = "123456789012";
         }),
         kService, kSecond, MessageIcon::Stop, Field::SecondUnitSerial},
        // The serial numbers go into comma-separated records; the notes are quoted and may.
        {"comma in a serial", with([](auto& e) {
             e.multiUnit = 1;
             e.firstUnitSerial = "12345678901";
             e.secondUnitSerial = "ORV1234,678";
         }),
         kService, "The second serial number cannot contain a comma.", MessageIcon::None,
         Field::SecondUnitSerial},
        {"serials differing in case only", with([](auto& e) {
             e.multiUnit = 1;
             e.firstUnitSerial = "orvo0012345";
             e.secondUnitSerial = "ORVO0012345";
         }),
         kStandard, kSame, MessageIcon::Stop, Field::FirstUnitSerial},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ShiftInformationCheck check = CheckShiftInformation(c.typed, c.mode, ShiftInformation{});
        EXPECT_FALSE(check.ok);
        EXPECT_EQ(check.message, c.message);
        EXPECT_EQ(check.icon, c.icon);
        EXPECT_EQ(check.focus, c.focus);
    }
}

TEST(ShiftInformationCheck, StandardModeTakesTheTypedMiinOtherModesKeepThePreset) {
    ShiftInformation preset;
    preset.certifiedMiin = "M00000001";

    ShiftInformationEntry typed = Valid();
    typed.certifiedMiin = "m87654321";
    auto check = CheckShiftInformation(typed, kStandard, preset);
    ASSERT_TRUE(check.ok) << check.message;
    EXPECT_EQ(check.info.certifiedMiin, "m87654321"); // kept as typed, not upper-cased

    // The field is read into ten characters: a tenth character never arrives.
    typed.certifiedMiin = "M876543219";
    check = CheckShiftInformation(typed, kStandard, preset);
    ASSERT_TRUE(check.ok) << check.message;
    EXPECT_EQ(check.info.certifiedMiin, "M87654321");

    typed.certifiedMiin = "anything at all";
    for (int mode : {kService, kExpert}) {
        check = CheckShiftInformation(typed, mode, preset);
        ASSERT_TRUE(check.ok) << check.message;
        EXPECT_EQ(check.info.certifiedMiin, "M00000001");
    }
}

TEST(ShiftInformationCheck, AcceptedValuesCarryTheMultiUnitChoice) {
    ShiftInformationEntry typed{"", "", "notes, \"quoted\"", "M12345678", 1, "orvo0012345", "Orvo0012346"};
    auto check = CheckShiftInformation(typed, kStandard, ShiftInformation{});
    ASSERT_TRUE(check.ok) << check.message;
    EXPECT_EQ(check.message, "");
    EXPECT_EQ(check.info.averageTons, ""); // an empty text passes as a whole number
    EXPECT_EQ(check.info.tonsThisShift, "");
    EXPECT_EQ(check.info.notes, "notes, \"quoted\"");
    EXPECT_TRUE(check.info.multiUnit);
    EXPECT_EQ(check.info.firstUnitSerial, "ORVO0012345");
    EXPECT_EQ(check.info.secondUnitSerial, "ORVO0012346");
    EXPECT_TRUE(check.info.entered);

    // "No" or no choice: whatever was typed into the serial fields is dropped.
    for (int choice : {0, -1}) {
        typed.multiUnit = choice;
        typed.firstUnitSerial = "x";
        check = CheckShiftInformation(typed, kStandard, ShiftInformation{});
        ASSERT_TRUE(check.ok) << check.message;
        EXPECT_FALSE(check.info.multiUnit);
        EXPECT_EQ(check.info.firstUnitSerial, "");
        EXPECT_EQ(check.info.secondUnitSerial, "");
    }
}

TEST(ShiftInformationCheck, NotesStopAt255CharactersWithoutSplittingOne) {
    ShiftInformationEntry typed = Valid();
    typed.notes = std::string(254, 'a') + "\xC2\xB3" + "tail";
    const auto check = CheckShiftInformation(typed, kStandard, ShiftInformation{});
    ASSERT_TRUE(check.ok);
    EXPECT_EQ(check.info.notes, std::string(254, 'a') + "\xC2\xB3");
}

} // namespace
} // namespace orvo
