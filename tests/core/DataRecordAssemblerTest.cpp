#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "download/DataRecordAssembler.h"
#include "model/PrcTable.h"

using namespace orvo;

TEST(DataRecordAssembler, ItemsBecomeRecordTexts) {
    const PrcTable table;
    // A conversion that shows which values were taken as monitor times.
    DataRecordAssembler assembler(table, [](uint32_t time) { return time + 1'000'000; });
    using Items = std::vector<std::pair<uint8_t, uint32_t>>;
    using Records = std::vector<std::pair<std::string, uint32_t>>;
    struct Case {
        const char* what;
        Items items;
        Records records;
    };
    const Case cases[] = {
        {"a header alone", {{1, 5}}, {{"1000005,0", 1}}},
        {"a tag of 0 is a header alone, not an endless record",
         {{0, 5}, {1, 6}},
         {{"1000005,0", 1}, {"1000006,0", 1}}},
        // MASS K0 is an integer, FLOW RATE SET PT a float (2.2f), 200 no register at all.
        {"integer, float and unknown registers",
         {{4, 7}, {96, 15000}, {72, 0x400CCCCD}, {200, 9}},
         {{"1000007,3,96,15000,72,2.200000,200,?", 4}}},
        {"registers 2, 3 and 11 are times, STATUS CODE is not",
         {{5, 0}, {2, 1}, {3, 2}, {11, 3}, {4, 4}},
         {{"1000000,4,2,1000001,3,1000002,11,1000003,4,4", 5}}},
        {"a record left open is forgotten by a reset", {{3, 1}, {96, 1}}, {}},
    };
    for (const Case& c : cases) {
        assembler.Reset();
        Records got;
        for (const auto& [tag, value] : c.items)
            if (std::optional<AssembledRecord> record = assembler.Feed(tag, value))
                got.emplace_back(record->text, record->items);
        EXPECT_EQ(got, c.records) << c.what;
    }
    assembler.Reset();
    const std::optional<AssembledRecord> after = assembler.Feed(1, 9);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->text, "1000009,0");
}
