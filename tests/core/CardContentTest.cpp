#include "results/CardContent.h"

#include "TestZones.h"
#include "download/DisplayTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvo {
namespace {

TEST(CardAxis, FollowsTheCardsScaleRule) {
    const struct {
        std::vector<double> values;
        double lo, span, step, m;
        const char* labels;
    } cases[] = {
        {{0.02, 0.35, 0.1}, 0.0, 0.4, 0.1, 0.0, "0.00 0.10 0.20 0.30 0.40"},
        {{0, 0, 0}, -0.001, 0.1, 0.025, -0.025, "-0.03 0.00 0.03 0.05 0.08"}, // all zero
        {{0.0, 2.3}, 0.0, 3.0, 0.75, 0.0, "0.00 0.75 1.50 2.25 3.00"},
        {{0.1}, 0.0, 0.2, 0.05, 0.0, "0.00 0.05 0.10 0.15 0.20"}, // a range of exactly 0.1
        {{-0.3, 0.1}, -0.3, 1.0, 0.25, -0.5, "-0.50 -0.25 0.00 0.25 0.50"},
        {{}, -0.001, 0.1, 0.025, -0.025, "-0.03 0.00 0.03 0.05 0.08"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.labels);
        const CardAxis axis = ComputeCardAxis(c.values);
        EXPECT_EQ((std::vector<double>{axis.lo, axis.span, axis.step, axis.m}),
                  (std::vector<double>{c.lo, c.span, c.step, c.m}));
        std::string labels;
        for (const std::string& label : axis.labels)
            labels += (labels.empty() ? "" : " ") + label;
        EXPECT_EQ(labels, c.labels);
    }
}

class CardContentTest : public ::testing::Test {
protected:
    const TimeZoneSource& zone = NewYork();

    // Start 2023-11-14 17:13:20 EST, eight hours long.
    static std::string Entry(int type) {
        return "1700000000,1700028800,3,1000,W123,1234567,ABC,Mine A,Company B," + std::to_string(type) +
               ",12,36,M12345678,M00000042";
    }

    static DisplayTable Table() {
        DisplayTable table;
        table.header = "1699999990,2,149,1,150,2.000000";
        table.columns = {110, 4};
        // A float the monitor sent as NaN is left out of the graph and its scale.
        table.rows = {{1700000000, {"0.100000", ""}},
                      {1700001800, {"0.350000", "TE NOT DETECTED"}},
                      {1700003600, {"nan", "TE NOT DETECTED"}}};
        table.events = {{1700001800, "TE NOT DETECTED"}};
        table.finalConcentration = "0.123 mg/m\xC2\xB3";
        return table;
    }

    static ShiftInformation Info() {
        return {"1200",        "45", "roof fall, \"belt\" down", "M87654321", true, "ORVO0012345",
                "ORVO0012346", true};
    }
};

// Every text is checked where it is printed, in the card's PDF; here what a print cannot show.
TEST_F(CardContentTest, TitleKeepsItsDoubleBlanksAndGraphsTheirRowsValues) {
    const CardContent card = BuildCardContent(Entry(5), Table(), "ORVO0099999", Info(), false, zone);
    EXPECT_EQ(card.title, "Dust Data Card:  (Serial Number  ORVO0099999)");
    ASSERT_EQ(card.thirtyMinute.points.size(), 2u);
    EXPECT_EQ(card.thirtyMinute.points[1].time, 1700001800u);
    EXPECT_DOUBLE_EQ(card.thirtyMinute.points[1].value, 0.35);
    EXPECT_EQ(card.cumulative.title, "(No Data)");
    EXPECT_TRUE(card.cumulative.points.empty());
}

TEST_F(CardContentTest, ImportedFileVariant) {
    ShiftInformation info = Info();
    const CardContent card = BuildCardContent(Entry(2), Table(), "ORVO0099999", info, true, zone);
    // The entry's texts, not padded numbers; the entry's certified MIIN, not the typed one.
    EXPECT_EQ(card.items[7].value + "|" + card.items[8].value + "|" + card.items[9].value + "|" +
                  card.items[10].value + "|" + card.items[11].value,
              "(2) Non Designated Occupation|12|36|(N/A)|M00000042");
    EXPECT_TRUE(card.multiUnitLines.empty() && card.notice.empty());

    const CardContent own = BuildCardContent(Entry(2), Table(), "ORVO0099999", info, false, zone);
    EXPECT_EQ(own.items[7].value, "(2) Other Designated Occupation");
    EXPECT_EQ(own.items[10].value, "(N/A)");
    info.multiUnit = false;
    EXPECT_EQ(BuildCardContent(Entry(9), Table(), "", info, false, zone).multiUnitLines,
              std::vector<std::string>{"Multi-unit Shift: No"});
    EXPECT_EQ(CardSampleTypeText(9, false), "(E) Engineering Study");
    EXPECT_EQ(CardSampleTypeText(0, false), "Unknown");
    EXPECT_EQ(CardSampleTypeText(10, true), "Unknown");
}

TEST_F(CardContentTest, FiveStatusEventsAreAllShownWithoutTheMoreLine) {
    DisplayTable table = Table();
    table.events.assign(5, {1700000000, "TE NOT DETECTED"});
    const CardContent card = BuildCardContent(Entry(1), table, "1", Info(), false, zone);
    ASSERT_EQ(card.statusLines.size(), 5u);
    EXPECT_EQ(card.statusLines.back(), "11/14/2023 17:13:20 - TE NOT DETECTED");
}

TEST_F(CardContentTest, MreAndStandardFallBackToTheLastRowThenToUnknown) {
    DisplayTable table = Table();
    table.header = "1699999990,0";
    table.columns = {149, 150, 111};
    table.rows = {{1700000000, {"1", "1.500000", "0.2"}}, {1700000060, {"0", "1.700000", "0.3"}}};
    CardContent card = BuildCardContent(Entry(1), table, "1", Info(), false, zone);
    EXPECT_EQ(card.mreLine + "|" + card.standardLine,
              "MRE Equivalent: No|Respirable Dust Standard: 1.70 mg/m\xC2\xB3");
    EXPECT_EQ(card.thirtyMinute.title, "(No Data)");
    EXPECT_EQ(card.cumulative.title, "Cumulative Mass Concentration (mg/m\xC2\xB3)");
    EXPECT_EQ(card.cumulative.points.size(), 2u);

    table.columns = {110};
    table.rows = {{1700000000, {"0.1"}}};
    card = BuildCardContent(Entry(1), table, "1", Info(), false, zone);
    EXPECT_EQ(card.mreLine + "|" + card.standardLine,
              "MRE Equivalent: (Unknown)|Respirable Dust Standard: (Unknown)");
}

TEST_F(CardContentTest, TimeLabelsShowSecondsOnlyForShortGraphs) {
    EXPECT_EQ(CardTimeLabel(1700000000, 4, zone).first + " " + CardTimeLabel(1700000000, 5, zone).first +
                  " " + CardTimeLabel(1700000000, 5, zone).second,
              "17:13:20 17:13 11/14/2023");
    // Summer time: 2023-07-04 16:00:00 UTC is noon in New York; the day keeps its leading zero.
    EXPECT_EQ(CardDateText(1688486400, zone), "Tuesday, July 04, 2023, 12:00:00");
}

} // namespace
} // namespace orvo
