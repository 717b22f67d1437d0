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

    // Both set points must fit a row: air fits row 0 here, TE none.
    EXPECT_EQ(FindTemperatureRange(57.4, 59.6), 0);
    EXPECT_EQ(FindTemperatureRange(57.0, 61.0), -1);
}

} // namespace
} // namespace orvo
