#include "model/ShiftVocabulary.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

// The list itself is the authority's; what is checked here is what the shift program takes from it:
// the zero-padded code (the short layout sends its first three characters) and the lookups.
TEST(ShiftVocabulary, LookupsAndTheCodesTheProgramSends) {
    EXPECT_EQ(OccupationDisplayText(0), "000 No occupation code");
    EXPECT_EQ(OccupationDisplayText(size_t(FindOccupation(36))).substr(0, 4), "036 ");
    EXPECT_EQ(OccupationDisplayText(OccupationEntries().size()), "");
    EXPECT_EQ(FindOccupation(20), -1);

    for (size_t i = 0; i < kSampleTypeCount; ++i)
        EXPECT_EQ(SampleTypeCode(i), int(i) + 1);
    EXPECT_EQ(SampleTypeCode(4), kPart90SampleType);
    EXPECT_STREQ(SampleTypeText(kSampleTypeCount), "");
}

// The chosen range's set points are written to the monitor.
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
