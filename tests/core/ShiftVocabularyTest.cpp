#include "model/ShiftVocabulary.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace orvo {
namespace {

TEST(ShiftVocabulary, OccupationListKeepsTheAuthoritysOrderAndTexts) {
    const auto& entries = OccupationEntries();
    ASSERT_EQ(entries.size(), 191u);
    EXPECT_EQ(OccupationDisplayText(0), "000 No occupation code");
    EXPECT_EQ(OccupationDisplayText(190), "464 INSPECTOR");
    EXPECT_EQ(OccupationDisplayText(191), "");

    struct Spot {
        uint32_t code;
        const char* text;
    };
    const Spot spots[] = {
        {19, "019 ROOF BOLTER (MOUNTED) (INTAKE SIDE)"},
        {31, "031 SHOTFIRER HELPER"},
        {60, "060 LONGWALL(RETURN-SIDE FACE WORKER)"},
        {101, "101 BELT MAN/CONVEYOR MAN"},
        {386, "386 REFUSE TRUCK DRIVER/BACKFILL TRUCK DRIVE"},
        {456, "456 ENGINEERS (ELECTRICITY/VENTILATION/MININ"},
    };
    for (const auto& s : spots) {
        const int index = FindOccupation(s.code);
        ASSERT_GE(index, 0) << s.code;
        EXPECT_EQ(OccupationDisplayText(index), s.text);
    }
    EXPECT_EQ(FindOccupation(20), -1);

    std::set<uint32_t> codes;
    for (const auto& e : entries) {
        EXPECT_LE(std::string(e.name).size(), 40u) << e.code;
        codes.insert(e.code);
    }
    EXPECT_EQ(codes.size(), entries.size());
}

TEST(ShiftVocabulary, SampleTypesAndTheirCodes) {
    const char* texts[] = {"1 Designated Occupation",
                           "2 Other Designated Occupation",
                           "3 Designated Area",
                           "4 Designated Work Position",
                           "5 Part 90 Miner",
                           "6 Nondesignated Area",
                           "7 Intake Air",
                           "8 Nondesignated Work Position",
                           "E Engineering Study"};
    for (size_t i = 0; i < kSampleTypeCount; ++i) {
        EXPECT_STREQ(SampleTypeText(i), texts[i]);
        EXPECT_EQ(SampleTypeCode(i), int(i) + 1);
    }
    EXPECT_STREQ(SampleTypeText(9), "");
    EXPECT_EQ(SampleTypeCode(4), kPart90SampleType);
}

TEST(ShiftVocabulary, TemperatureRangesWithTheirHeaterSetPoints) {
    struct Row {
        const char* text;
        double air, te;
    };
    const Row rows[] = {
        {" 98 - 104\302\260F   ( 37 -  40\302\260C)", 57, 60},
        {" 86 -   97\302\260F   ( 30 -  36\302\260C)", 50, 53},
        {" 73 -   85\302\260F   ( 23 -  29\302\260C)", 43, 46},
        {" 60 -   72\302\260F   ( 16 -  22\302\260C)", 36, 39},
        {" 48 -   59\302\260F   (   9 -  15\302\260C)", 29, 32},
        {" 35 -   47\302\260F   (   2 -    8\302\260C)", 22, 25},
        {" 23 - 34\302\260F     (  -5 -    1\302\260C)", 15, 18},
        {" 10 - 22\302\260F     (-12 -   -6\302\260C)", 8, 11},
        {"  -2 -   9\302\260F     (-19 - -13\302\260C)", 1, 4},
    };
    const auto& ranges = TemperatureRanges();
    for (size_t i = 0; i < kTemperatureRangeCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(ranges[i].text, rows[i].text);
        EXPECT_EQ(ranges[i].guardHeaterSetPt, 0.0);
        EXPECT_EQ(ranges[i].airHeaterSetPt, rows[i].air);
        EXPECT_EQ(ranges[i].teHeaterSetPt, rows[i].te);
        EXPECT_EQ(FindTemperatureRange(rows[i].air + 0.4, rows[i].te - 0.4), int(i));
    }
    EXPECT_EQ(FindTemperatureRange(57.0, 61.0), -1); // air fits row 0, TE fits none
}

} // namespace
} // namespace orvo
