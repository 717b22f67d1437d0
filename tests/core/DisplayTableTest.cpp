#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "TestZones.h"
#include "download/DisplayTable.h"
#include "model/PrcTable.h"
#include "results/CardContent.h"

namespace orvo {
namespace {

constexpr uint32_t S = 1700000000; // 2023-11-14 22:13:20 UTC, 17:13:20 EST

// Status entries as one text, "+seconds after S text" each, and rows as one text, "time,value,..."
// each; "|" between.
std::string Of(const std::vector<StatusEntry>& entries) {
    std::string text;
    for (const StatusEntry& e : entries)
        text += (text.empty() ? "+" : "|+") + std::to_string(int64_t(e.time) - S) + " " + e.text;
    return text;
}
std::string RowTexts(const DisplayTable& table) {
    std::string text;
    for (size_t i = 0; i < table.rows.size(); ++i)
        text += (i ? "|" : "") + table.RowText(i);
    return text;
}

// A data record text as the link assembles it.
std::string Record(uint32_t time, const std::vector<std::pair<int, std::string>>& pairs) {
    std::string text = std::to_string(time) + "," + std::to_string(pairs.size());
    for (const auto& [reg, value] : pairs)
        text += "," + std::to_string(reg) + "," + value;
    return text;
}

// Time registers are shown on the given zone's clock.
class DisplayTableTest : public ::testing::Test {
protected:
    // Every table is built three ways that must agree: whole; keeping one row and counting the
    // rest, as a summary does; and its rows made again from the records, as the exports make them.
    DisplayTable Build(const std::vector<std::string>& records, int64_t interval) {
        DisplayTable table = DisplayTable::Build(records, m_registers, NewYork(), interval);
        EXPECT_EQ(table.rowCount, table.rows.size());
        EXPECT_FALSE(table.truncated);
        const DisplayTable counted = DisplayTable::Build(records, m_registers, NewYork(), interval, 1);
        EXPECT_EQ(counted.rowCount, table.rowCount);
        EXPECT_EQ(counted.truncated, table.rowCount > 1);
        EXPECT_EQ(Of(counted.events), Of(table.events));
        EXPECT_EQ(Of(counted.changes), Of(table.changes));
        DisplayRowCursor cursor(records, counted, NewYork());
        for (const DisplayRow& row : table.rows) {
            const DisplayRow* again = cursor.Next();
            EXPECT_TRUE(again && again->time == row.time && again->values == row.values) << row.time;
        }
        EXPECT_EQ(cursor.Next(), nullptr);
        return table;
    }

    PrcTable m_registers;
};

TEST_F(DisplayTableTest, RowsHoldTheValuesKnownBeforeTheRecordThatPassesThem) {
    std::vector<std::string> records = {"1699999990,1,110,0.000000"};
    for (uint32_t k = 0; k <= 13; ++k)
        records.push_back(Record(S + 10 * k, {{4, "0"}, {110, std::to_string(k) + ".000000"}}));
    records.push_back("1700000250,1,110,9.000000");

    const DisplayTable table = Build(records, 60);
    EXPECT_EQ(table.columns, (std::vector<int>{4, 110}));
    // Records 0..50 s, then up to 110 s, then after the last record up to the footer.
    EXPECT_EQ(RowTexts(table), "1700000000,,5.000000|1700000060,,11.000000|1700000120,,13.000000|"
                               "1700000180,,13.000000|1700000240,,13.000000");
    EXPECT_EQ(Of(table.events) + Of(table.changes), "");
    EXPECT_EQ(table.header + "|" + table.footer, records.front() + "|" + records.back());
}

TEST_F(DisplayTableTest, StatusColumnAccumulatesWhileEventsAndChangesFollowTheMask) {
    const struct {
        std::vector<const char*> masks; // one data record each, 10 s apart
        const char* events;
        const char* changes;
        const char* column; // the status column of the last row
    } cases[] = {
        {{"3", "2"}, // bit 0 clears, bit 1 stays
         "+0 TE NOT DETECTED|+0 HIGH FILTER LOAD",
         "+0 TE NOT DETECTED;HIGH FILTER LOAD|+10 HIGH FILTER LOAD",
         "TE NOT DETECTED;HIGH FILTER LOAD"},
        {{"1", "0"}, "+0 TE NOT DETECTED", "+0 TE NOT DETECTED|+10 NO STATUS CONDITIONS", "TE NOT DETECTED"},
        {{"0", "32772", "4", "6", "0", "4"}, // a bit that returns is a new event
         "+10 FLOW OUT OF RANGE|+10 TE DETECTED|+30 HIGH FILTER LOAD|+50 FLOW OUT OF RANGE",
         "+10 FLOW OUT OF RANGE;TE DETECTED|+20 FLOW OUT OF RANGE|+30 HIGH FILTER LOAD;FLOW OUT OF RANGE|"
         "+40 NO STATUS CONDITIONS|+50 FLOW OUT OF RANGE",
         "HIGH FILTER LOAD;FLOW OUT OF RANGE;TE DETECTED"},
        {{"65536"}, "", "", ""}, // only the 16 condition bits count
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.events);
        std::vector<std::string> records = {"1699999990,0"};
        for (size_t i = 0; i < c.masks.size(); ++i)
            records.push_back(Record(S + 10 * uint32_t(i), {{4, c.masks[i]}}));
        records.push_back(Record(S + 10 * uint32_t(c.masks.size()), {}));

        const DisplayTable table = Build(records, 10);
        EXPECT_EQ(Of(table.events), c.events);
        EXPECT_EQ(Of(table.changes), c.changes);
        ASSERT_FALSE(table.rows.empty());
        EXPECT_EQ(table.rows.back().values, std::vector<std::string>{c.column});
    }
}

TEST_F(DisplayTableTest, TheWindowRunsFromTheFirstDataRecordToTheFooter) {
    const std::vector<std::string> records = {
        "1699999990,0",
        Record(S, {{110, "a"}, {4, "0"}}),
        Record(S + 10, {{110, "b"}}),
        Record(S + 20, {{110, "c"}, {4, "0"}}),
        Record(S + 5, {{110, "d"}}), // clock set back: still inside [Start, End]
        Record(S + 30, {{110, "e"}, {4, "1"}, {111, "0.500000"}}),
        "1699999000,0", // footer earlier than the start
    };
    // A footer before the start ends the window at the last record before time went back.
    const DisplayTable table = Build(records, 10);
    EXPECT_EQ(table.windowEnd, S + 20);
    EXPECT_EQ(RowTexts(table), "1700000000,a,|1700000010,b,");
    EXPECT_EQ(Of(table.events), ""); // the record after End changed nothing
    // The final concentration still comes from the record before the footer.
    EXPECT_EQ(table.finalConcentration, "0.500 mg/m\xC2\xB3");

    // With the footer after the start, the footer ends the window even when time went back.
    std::vector<std::string> later = records;
    later.back() = Record(S + 40, {});
    const DisplayTable whole = Build(later, 10);
    EXPECT_EQ(whole.windowEnd, S + 40);
    EXPECT_EQ(RowTexts(whole), "1700000000,a,|1700000010,b,|1700000020,d,|1700000030,e,TE NOT DETECTED|"
                               "1700000040,e,TE NOT DETECTED");
    EXPECT_EQ(Of(whole.events), "+30 TE NOT DETECTED");

    // A footer before the start while time never went back: the window is empty.
    const DisplayTable empty =
        Build({"1,0", Record(S, {{110, "a"}}), Record(S + 10, {{110, "b"}}), "1699999000,0"}, 10);
    EXPECT_TRUE(empty.windowEnd == 1699999000u && empty.rows.empty());

    // Records before the start or after the end change nothing.
    const DisplayTable outside =
        Build({"1699999990,0", Record(S, {{4, "0"}, {110, "a"}}), Record(S - 50, {{4, "1"}, {110, "early"}}),
               Record(S + 10, {{110, "b"}}), Record(S + 60, {{4, "2"}, {110, "late"}}),
               Record(S + 20, {{110, "c"}}), Record(S + 30, {})},
              10);
    EXPECT_EQ(RowTexts(outside), "1700000000,,a|1700000010,,b|1700000020,,c|1700000030,,c");
    EXPECT_EQ(Of(outside.events) + Of(outside.changes), "");
}

TEST_F(DisplayTableTest, FewerThanThreeRecordsMakeNoRows) {
    // No records: no ends. One record: it is both ends. Two: header and footer, nothing between.
    const std::string one = "1700000000,1,110,1.0", two = "1700000100,1,111,2.0";
    for (const auto& records : {std::vector<std::string>{}, {one}, {one, two}}) {
        const DisplayTable table = Build(records, 60);
        EXPECT_EQ(table.header + "|" + table.footer,
                  records.empty() ? "|" : records.front() + "|" + records.back());
        EXPECT_TRUE(table.columns.empty() && table.rows.empty() && table.finalConcentration.empty());
    }
}

TEST_F(DisplayTableTest, AutomaticIntervalIsTheSmallestStepBetweenNeighbours) {
    // Steps +30, -10, +15: 15, although S+30 and S+35 are only 5 apart (not neighbours).
    const std::vector<std::string> records = {"1699999000,0",
                                              Record(S, {{110, "a"}}),
                                              Record(S + 30, {{110, "b"}}),
                                              Record(S + 20, {{110, "c"}}),
                                              Record(S + 35, {{110, "d"}}),
                                              Record(S + 35, {})};
    const DisplayTable table = Build(records, -1);
    EXPECT_EQ(table.interval, 15);
    EXPECT_EQ(RowTexts(table), "1700000000,a|1700000015,a|1700000030,d");

    // No step forward at all: the interval stays negative and no rows are made.
    const DisplayTable flat =
        Build({"1,0", Record(S, {{110, "a"}}), Record(S, {{110, "b"}}), Record(S, {})}, -1);
    EXPECT_TRUE(flat.interval == -1 && flat.rows.empty());
    // An interval of 0 (a non-numeric entry) makes no rows either.
    EXPECT_TRUE(Build(records, 0).rows.empty());
}

TEST_F(DisplayTableTest, TimeAndMassRejectRegistersAreShownAsTexts) {
    const std::string first =
        std::to_string(S) + ",6,2,1700000000,3,1700003600,11,1688169600,103,2,110,0.250000,0,?";
    const DisplayTable table =
        Build({"1699999990,0", first, Record(S + 10, {{103, "7"}}), Record(S + 10, {})}, 10);
    EXPECT_EQ(table.columns, (std::vector<int>{2, 3, 11, 103, 110, 0}));
    std::string selector;
    for (const auto& entry : table.selector)
        selector += entry.name + " " + std::to_string(entry.data) + "|";
    EXPECT_EQ(selector, "30 Min Conc 111|FIRMWARE VERSION 1|");
    EXPECT_EQ(RowTexts(table),
              "1700000000,17:13:20 11/14/2023,18:13:20 11/14/2023,20:00:00 06/30/2023,Tilted,0.250000,?|"
              "1700000010,17:13:20 11/14/2023,18:13:20 11/14/2023,20:00:00 06/30/2023,Unknown,0.250000,?");
    EXPECT_EQ(std::make_pair(table.ColumnOf(103), table.ColumnOf(4)), std::make_pair(3, -1));
}

TEST_F(DisplayTableTest, FinalConcentrationComesFromTheLastDataRecordOnly) {
    const auto final = [&](const std::string& lastData, const std::string& footer) {
        return Build({"1,0", Record(S, {{111, "9.000000"}}), lastData, footer}, 10).finalConcentration;
    };
    EXPECT_EQ(final(Record(S + 10, {{110, "1"}, {111, "0.123456"}}), "1700000020,0"), "0.123 mg/m\xC2\xB3");
    EXPECT_EQ(final(Record(S + 10, {{111, "2.9996"}}), "1700000020,0"), "3.000 mg/m\xC2\xB3");
    // Register 111 only in an earlier record or in the footer: no text.
    EXPECT_EQ(final(Record(S + 10, {{110, "1"}}), Record(S + 20, {{111, "5.0"}})), "");
}

TEST_F(DisplayTableTest, DamagedRecordsAreReadNoFurtherThanTheirText) {
    // A pair count far beyond the text, and a value field that is missing.
    const DisplayTable table = Build({"1,0", std::to_string(S) + ",4294967295,110,1.5,111",
                                      std::to_string(S + 10) + ",9999,110", "1700000010"},
                                     10);
    EXPECT_EQ(table.columns, (std::vector<int>{110, 111}));
    EXPECT_EQ(RowTexts(table), "1700000000,1.5,|1700000010,,");
}

TEST_F(DisplayTableTest, ADamagedFooterTimeIsCountedButNotKept) {
    // 2 594 967 296 rows at 1 s: the table keeps what its cap allows and counts the rest, so the
    // screen can say so and the exports know how many rows to write.
    const std::vector<std::string> records = {"1,0", Record(S, {{110, "a"}}), Record(S + 1, {{110, "b"}}),
                                              "4294967295,0"};
    const DisplayTable table = DisplayTable::Build(records, m_registers, NewYork(), -1, 3);
    EXPECT_TRUE(table.truncated);
    EXPECT_EQ(table.rowCount, 4294967295u - S + 1);
    EXPECT_EQ(RowTexts(table), "1700000000,a|1700000001,b|1700000002,b");
    EXPECT_STREQ(table.DisplayLimitText(), "Only the first 8640 records will be displayed.");
    const DisplayTable sparse = Build(records, 1 << 30);
    EXPECT_EQ(sparse.rowCount, 3u);
    EXPECT_STREQ(sparse.DisplayLimitText(), "");
}

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
