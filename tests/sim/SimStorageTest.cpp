// Stored samples: block transfers and the service log. The directory entries' layouts are pinned by
// the download tests against the same simulator.

#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <utility>

namespace orvo::sim::test {
namespace {

// From the register table: 16 registers log Header/Footer, 21 Delta 60; STATUS CODE joins both.
constexpr size_t kHeaderItems = 1 + 16 + 1;
constexpr size_t kDataItems = 1 + 21 + 1;
constexpr size_t kSampleItems = kHeaderItems + 3 * kDataItems + kHeaderItems;

// T0's day began at 1699920000 on either clock; sample 0 of 2 starts two days earlier at 07:00.
constexpr uint32_t kFirstStart = 1699920000u - 2 * 86400 + 7 * 3600;

class SimStorageTest : public SimFixture {
protected:
    std::unique_ptr<SimMonitor> MakeStoring(float firmware, int blockItems = 200) {
        SimConfig config;
        config.firmware = firmware;
        config.storedSamples = 2;
        config.recordsPerSample = 3;
        config.serviceLogRecords = 4;
        config.maxItemsPerBlock = blockItems;
        return Make(config);
    }

    // Collects a whole transfer block by block, checking each block's header.
    static std::vector<SimItem> Transfer(SimMonitor& sim, bool serviceLog, uint32_t total, size_t perBlock) {
        std::vector<SimItem> items;
        const size_t head = serviceLog ? 8 : 12;
        while (items.size() < total) {
            Bytes request(head - 4, 0);
            PutBe32(request, head - 8, uint32_t(items.size()));
            const Answer a = Ask(sim, Frame(serviceLog ? 22 : 13, uint8_t(100 + items.size()), request));
            EXPECT_EQ(Be32(a.payload, head - 8), items.size()); // first item echoed
            const uint32_t count = Be32(a.payload, head - 4);
            EXPECT_LE(count, perBlock);
            if (count == 0 || a.payload.size() != head + 5 * size_t(count)) {
                ADD_FAILURE() << "block of " << count << " items in " << a.payload.size() << " bytes";
                break;
            }
            for (size_t i = 0; i < count; ++i)
                items.push_back({a.payload[head + 5 * i], Be32(a.payload, head + 5 * i + 1)});
        }
        return items;
    }
};

TEST_F(SimStorageTest, RecordsSpanSmallBlocks) {
    auto sim = MakeStoring(6.5f, 7);
    const Answer start = Ask(*sim, Frame(12, 1, {0}));
    EXPECT_EQ(start.command, 12);
    ASSERT_EQ(start.payload.size(), 8u);
    ASSERT_EQ(Be32(start.payload, 4), kSampleItems);

    const std::vector<SimItem> items = Transfer(*sim, false, kSampleItems, 7);
    ASSERT_EQ(items.size(), kSampleItems);
    EXPECT_EQ(items, sim->StoredSamples().at(0).items);

    // Header, three data records a minute apart on the local clock, footer. Cum1 Conc (111, a float)
    // grows; status conditions come and go: high filter load (bit 1) and flow out of range (bit 2).
    std::vector<SimItem> heads;
    std::vector<uint32_t> statuses;
    float cumulative = 0.0f;
    for (size_t at = 0; at < items.size() && items[at].tag > 0; at += items[at].tag) {
        heads.push_back(items[at]);
        for (size_t k = at + 1; items[at].tag == kDataItems && k < at + kDataItems; ++k) {
            if (items[k].tag == 4)
                statuses.push_back(items[k].value);
            if (items[k].tag == 111) {
                const float now = std::bit_cast<float>(items[k].value);
                EXPECT_GT(now, std::exchange(cumulative, now));
            }
        }
    }
    EXPECT_EQ(heads, (std::vector<SimItem>{{kHeaderItems, kFirstStart},
                                           {kDataItems, kFirstStart + 60},
                                           {kDataItems, kFirstStart + 120},
                                           {kDataItems, kFirstStart + 180},
                                           {kHeaderItems, kFirstStart + 180}}));
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_EQ((statuses[0] | statuses[1] | statuses[2]) & 0x6, 0x6u);
    EXPECT_NE(statuses.front(), statuses.back());

    // A block past the end holds nothing; an entry past the count and the newer protocol's commands
    // are refused.
    Bytes past(8, 0);
    PutBe32(past, 4, kSampleItems);
    EXPECT_EQ(Ask(*sim, Frame(13, 1, past)).payload.size(), 12u);
    EXPECT_EQ(Ask(*sim, Frame(11, 3, {5})).command, 1);
    EXPECT_EQ(Ask(*sim, Frame(20, 4, {0})).command, 1);
    EXPECT_EQ(Ask(*sim, Frame(21, 5, {})).command, 1);
}

TEST_F(SimStorageTest, ServiceLogTransfersMinuteRecordsUpToNow) {
    auto sim = MakeStoring(7.0f, 10);
    const Answer start = Ask(*sim, Frame(21, 1, {}));
    EXPECT_EQ(start.command, 21);
    ASSERT_EQ(start.payload.size(), 4u);
    ASSERT_EQ(Be32(start.payload, 0), 4 * kDataItems);

    const std::vector<SimItem> items = Transfer(*sim, true, 4 * kDataItems, 10);
    ASSERT_EQ(items.size(), 4 * kDataItems);
    EXPECT_EQ(items, sim->ServiceLogItems());
    for (size_t r = 1; r < 4; ++r)
        EXPECT_EQ(items[r * kDataItems].value, items[(r - 1) * kDataItems].value + 60);
    EXPECT_LE(items[3 * kDataItems].value, kT0);
    EXPECT_GT(items[3 * kDataItems].value, kT0 - 60);
}

} // namespace
} // namespace orvo::sim::test
