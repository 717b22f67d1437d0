// Stored samples: directory entries, block transfers and the service log.

#include "SimTestSupport.h"

#include "platform/Clock.h"
#include "platform/TimeZoneSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace orvo::sim::test {
namespace {

// From the register table: 16 registers log Header/Footer, 21 Delta 60; STATUS CODE joins both.
constexpr size_t kHeaderItems = 1 + 16 + 1;
constexpr size_t kDataItems = 1 + 21 + 1;

// T0's day began at 1699920000 on either clock; sample 0 of 2 starts two days earlier at 07:00.
constexpr uint32_t kFirstStart = 1699920000u - 2 * 86400 + 7 * 3600;

const Bytes kCount = {0xFF, 0x02, 0x0A, 0x28, 0x00, 0x10, 0xFF, 0x03};              // 10, seq 40
const Bytes kShortEntry0 = {0xFF, 0x02, 0x0B, 0x29, 0x00, 0x09, 0x48, 0xFF, 0x03};  // 11, entry 0
const Bytes kShortEntry5 = {0xFF, 0x02, 0x0B, 0x2A, 0x05, 0x0D, 0x78, 0xFF, 0x03};  // 11, entry 5
const Bytes kLongEntry0 = {0xFF, 0x02, 0x14, 0x2B, 0x00, 0x02, 0x70, 0xFF, 0x03};   // 20, entry 0
const Bytes kStartSample0 = {0xFF, 0x02, 0x0C, 0x2C, 0x00, 0x03, 0x18, 0xFF, 0x03}; // 12, sample 0
const Bytes kStartSample9 = {0xFF, 0x02, 0x0C, 0x2D, 0x09, 0x0D, 0x78, 0xFF, 0x03}; // 12, sample 9
const Bytes kStartServiceLog = {0xFF, 0x02, 0x15, 0x2E, 0x02, 0x20, 0xFF, 0x03};    // 21

class SimStorageTest : public ::testing::Test {
protected:
    std::unique_ptr<SimMonitor> Make(float firmware, int blockItems = 200) {
        SimConfig config;
        config.firmware = firmware;
        config.storedSamples = 2;
        config.recordsPerSample = 3;
        config.serviceLogRecords = 4;
        config.maxItemsPerBlock = blockItems;
        return std::make_unique<SimMonitor>(config, clock, zone);
    }

    // Collects a whole transfer block by block, checking each block's header.
    std::vector<SimItem> Transfer(SimMonitor& sim, bool serviceLog, uint32_t total, size_t maxPerBlock) {
        std::vector<SimItem> items;
        uint8_t sequence = 100;
        while (items.size() < total) {
            Bytes request;
            if (serviceLog) {
                request = Bytes(4, 0);
                PutBe32(request, 0, uint32_t(items.size()));
            } else {
                request = Bytes{0, 0, 0, 0, 0, 0, 0, 0};
                PutBe32(request, 4, uint32_t(items.size()));
            }
            const Answer a = Ask(sim, Frame(serviceLog ? 22 : 13, sequence++, request));
            const size_t head = serviceLog ? 8 : 12;
            EXPECT_EQ(a.command, serviceLog ? 22 : 13);
            EXPECT_EQ(Be32(a.payload, head - 8), items.size()); // first item echoed
            const uint32_t count = Be32(a.payload, head - 4);
            EXPECT_GT(count, 0u);
            EXPECT_LE(count, maxPerBlock);
            EXPECT_EQ(a.payload.size(), head + 5 * size_t(count));
            if (count == 0 || a.payload.size() != head + 5 * size_t(count))
                break;
            for (size_t i = 0; i < count; ++i)
                items.push_back({a.payload[head + 5 * i], Be32(a.payload, head + 5 * i + 1)});
        }
        return items;
    }

    VirtualClock clock{kT0Ms};
    FixedTimeZone zone{300, false};
};

TEST_F(SimStorageTest, ShortDirectoryEntryLayout) {
    auto sim = Make(6.5f);
    EXPECT_EQ(Ask(*sim, kCount).payload, Bytes{2});

    const Answer a = Ask(*sim, kShortEntry0);
    EXPECT_EQ(a.command, 11);
    ASSERT_EQ(a.payload.size(), 116u);
    const Bytes& e = a.payload;
    const SimSample s = sim->StoredSamples().at(0);
    EXPECT_EQ(e[0], 0);
    EXPECT_EQ(Field(e, 1, 3), Padded("", 3));
    EXPECT_EQ(Be32(e, 4), kFirstStart); // local clock
    EXPECT_EQ(Be32(e, 8), kFirstStart + 180);
    EXPECT_EQ(Be32(e, 12), kHeaderItems + 3 * kDataItems + kHeaderItems);
    EXPECT_EQ(s.startUtc, kFirstStart + 300 * 60);
    EXPECT_EQ(Field(e, 16, 8), Padded(s.fields.wearerId, 8));
    EXPECT_EQ(Field(e, 24, 7), Padded(s.fields.mineId, 7));
    EXPECT_EQ(Field(e, 31, 3), Padded(s.fields.contractor, 3));
    EXPECT_EQ(Field(e, 34, 32), Padded(s.fields.mineName, 32));
    EXPECT_EQ(Field(e, 66, 32), Padded(s.fields.companyName, 32));
    EXPECT_EQ(e[98], s.fields.sampleType);
    EXPECT_EQ(Field(e, 99, 4), Padded(s.fields.mmu, 4));
    EXPECT_EQ(Field(e, 103, 3), Padded(s.fields.occupation, 3));
    EXPECT_EQ(Field(e, 106, 2), Padded("", 2));
    EXPECT_EQ(Be32(e, 108), std::stoul(s.fields.miin));
    EXPECT_FALSE(s.fields.mineName.empty());

    EXPECT_EQ(Ask(*sim, kShortEntry5).command, 1); // beyond the count
    EXPECT_EQ(Ask(*sim, kLongEntry0).command, 1);  // not in the old protocol
}

TEST_F(SimStorageTest, LongDirectoryEntryLayout) {
    auto sim = Make(7.0f);
    const Answer a = Ask(*sim, kLongEntry0);
    EXPECT_EQ(a.command, 20);
    ASSERT_EQ(a.payload.size(), 280u);
    const Bytes& e = a.payload;
    const SimSample s = sim->StoredSamples().at(0);
    EXPECT_EQ(e[0], 0);
    EXPECT_EQ(Be32(e, 4), kFirstStart); // UTC
    EXPECT_EQ(Be32(e, 8), kFirstStart + 180);
    EXPECT_EQ(Be32(e, 12), kHeaderItems + 3 * kDataItems + kHeaderItems);
    EXPECT_EQ(Field(e, 16, 32), Padded(s.fields.wearerId, 32));
    EXPECT_EQ(Field(e, 48, 32), Padded(s.fields.mineId, 32));
    EXPECT_EQ(Field(e, 80, 32), Padded(s.fields.contractor, 32));
    EXPECT_EQ(Field(e, 112, 32), Padded(s.fields.mineName, 32));
    EXPECT_EQ(Field(e, 144, 32), Padded(s.fields.companyName, 32));
    EXPECT_EQ(e[176], s.fields.sampleType);
    EXPECT_EQ(Field(e, 177, 32), Padded(s.fields.mmu, 32));
    EXPECT_EQ(Field(e, 209, 3), Padded("", 3));
    EXPECT_EQ(Be32(e, 212), std::stoul(s.fields.occupation));
    EXPECT_EQ(Field(e, 216, 32), Padded(s.fields.miin, 32));
    EXPECT_EQ(Field(e, 248, 32), Padded(s.fields.spare, 32));
}

TEST_F(SimStorageTest, RecordsSpanSmallBlocks) {
    auto sim = Make(6.5f, 7);
    const Answer start = Ask(*sim, kStartSample0);
    EXPECT_EQ(start.command, 12);
    ASSERT_EQ(start.payload.size(), 8u);
    EXPECT_EQ(start.payload[0], 0);
    const uint32_t total = Be32(start.payload, 4);
    ASSERT_EQ(total, kHeaderItems + 3 * kDataItems + kHeaderItems);

    const std::vector<SimItem> items = Transfer(*sim, false, total, 7);
    ASSERT_EQ(items.size(), total);
    EXPECT_EQ(items, sim->StoredSamples().at(0).items);

    // Walk the records: header, three data records a minute apart on the local clock, footer.
    std::vector<uint32_t> times, statuses;
    std::vector<float> cumulative;
    size_t at = 0;
    std::vector<size_t> sizes;
    while (at < items.size()) {
        const size_t size = items[at].tag;
        ASSERT_GT(size, 0u);
        sizes.push_back(size);
        times.push_back(items[at].value);
        for (size_t k = at + 2; k < at + size && k < items.size(); ++k)
            EXPECT_GT(items[k].tag, items[k - 1].tag) << "register numbers ascend";
        if (size == kDataItems) {
            for (size_t k = at + 1; k < at + size; ++k) {
                if (items[k].tag == 4)
                    statuses.push_back(items[k].value);
                if (items[k].tag == 111)
                    cumulative.push_back(AsFloat(items[k].value));
            }
        }
        at += size;
    }
    EXPECT_EQ(at, items.size());
    EXPECT_EQ(sizes, (std::vector<size_t>{kHeaderItems, kDataItems, kDataItems, kDataItems, kHeaderItems}));
    EXPECT_EQ(times, (std::vector<uint32_t>{kFirstStart, kFirstStart + 60, kFirstStart + 120,
                                            kFirstStart + 180, kFirstStart + 180}));
    ASSERT_EQ(cumulative.size(), 3u);
    EXPECT_GT(cumulative[0], 0.0f);
    EXPECT_LT(cumulative[0], cumulative[1]);
    EXPECT_LT(cumulative[1], cumulative[2]);
    // Status conditions come and go: high filter load (bit 1) and flow out of range (bit 2) both show.
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_TRUE(std::any_of(statuses.begin(), statuses.end(), [](uint32_t s) { return s & 0x2; }));
    EXPECT_TRUE(std::any_of(statuses.begin(), statuses.end(), [](uint32_t s) { return s & 0x4; }));
    EXPECT_NE(statuses.front(), statuses.back());

    // A block past the end holds nothing.
    Bytes past{0, 0, 0, 0, 0, 0, 0, 0};
    PutBe32(past, 4, total);
    const Answer end = Ask(*sim, Frame(13, 1, past));
    EXPECT_EQ(Be32(end.payload, 4), total);
    EXPECT_EQ(Be32(end.payload, 8), 0u);
    EXPECT_EQ(end.payload.size(), 12u);
}

TEST_F(SimStorageTest, UnknownSampleHasNoItems) {
    auto sim = Make(7.0f);
    const Answer start = Ask(*sim, kStartSample9);
    EXPECT_EQ(start.payload, (Bytes{9, 0, 0, 0, 0, 0, 0, 0}));
    const Answer block = Ask(*sim, Frame(13, 2, Bytes{9, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(block.payload, (Bytes{9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SimStorageTest, ServiceLogTransfersMinuteRecordsUpToNow) {
    auto sim = Make(7.0f, 10);
    const Answer start = Ask(*sim, kStartServiceLog);
    EXPECT_EQ(start.command, 21);
    ASSERT_EQ(start.payload.size(), 4u);
    const uint32_t total = Be32(start.payload, 0);
    ASSERT_EQ(total, 4 * kDataItems);

    const std::vector<SimItem> items = Transfer(*sim, true, total, 10);
    ASSERT_EQ(items.size(), total);
    EXPECT_EQ(items, sim->ServiceLogItems());
    for (size_t r = 0; r < 4; ++r) {
        EXPECT_EQ(items[r * kDataItems].tag, kDataItems);
        if (r > 0) {
            EXPECT_EQ(items[r * kDataItems].value, items[(r - 1) * kDataItems].value + 60);
        }
    }
    EXPECT_LE(items[3 * kDataItems].value, kT0);
    EXPECT_GT(items[3 * kDataItems].value, kT0 - 60);

    EXPECT_EQ(Ask(*Make(6.5f), kStartServiceLog).command, 1); // not in the old protocol
}

} // namespace
} // namespace orvo::sim::test
