#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "download/DataRecordAssembler.h"
#include "link/FrameCodec.h"
#include "model/PrcTable.h"

namespace orvo {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(FrameCodec, RequestFramesByteExact) {
    // Status requests of both kinds, a read of register 183, and 0xFF doubled on the wire but
    // counted once in the check.
    const struct {
        uint8_t command, sequence;
        Bytes payload, wire;
    } cases[] = {
        {24, 1, {}, {0xFF, 0x02, 0x18, 0x01, 0x0E, 0x30, 0xFF, 0x03}},
        {2, 1, {}, {0xFF, 0x02, 0x02, 0x01, 0x04, 0x58, 0xFF, 0x03}},
        {4, 7, {1, 183}, {0xFF, 0x02, 0x04, 0x07, 0x01, 0xB7, 0x0F, 0x20, 0xFF, 0x03}},
        {4, 0xFF, {1, 0xFF}, {0xFF, 0x02, 0x04, 0xFF, 0xFF, 0x01, 0xFF, 0xFF, 0x09, 0x40, 0xFF, 0x03}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeFrame(c.command, c.sequence, c.payload.data(), c.payload.size()), c.wire);
}

TEST(FrameCodec, BodyCheck) {
    const Bytes good = {0x04, 0x01, 0x01, 0x00, 0x00, 0x00, 0x60, 0x00, 0x00, 0x00, 0x3A, 0x98, 0x0F, 0x10};
    EXPECT_TRUE(BodyCheckValid(good.data(), good.size()));
    Bytes bad = good;
    bad[10] ^= 0x01;
    EXPECT_FALSE(BodyCheckValid(bad.data(), bad.size()));
    // Command and sequence alone cannot carry a check; nor can command and check bytes, even
    // when they would match (check of {0x1C} is 0x00 0x18).
    EXPECT_FALSE(BodyCheckValid(good.data(), 2));
    const Bytes runt = {0x1C, 0x00, 0x18};
    EXPECT_FALSE(BodyCheckValid(runt.data(), runt.size()));
}

std::vector<Bytes> Feed(const Bytes& wire, FrameReceiver::State* state = nullptr) {
    FrameReceiver receiver;
    std::vector<Bytes> frames;
    for (uint8_t b : wire)
        if (receiver.Feed(b))
            frames.emplace_back(receiver.Body(), receiver.Body() + receiver.Length());
    if (state)
        *state = receiver.state();
    return frames;
}

TEST(FrameReceiver, EdgeCases) {
    using S = FrameReceiver::State;
    // A plain frame; noise before the start skipped; an escaped 0xFF; 0xFF 0x02 inside a frame is
    // the data byte 0x02; 0xFF 0xFF after the start returns to the hunt; an unfinished frame waits;
    // an escape pending; an empty frame is delivered (and ignored later); two frames back to back.
    const struct {
        Bytes wire;
        std::vector<Bytes> frames;
        S state;
    } cases[] = {
        {{0xFF, 0x02, 0x18, 0x01, 0x0E, 0x30, 0xFF, 0x03}, {{0x18, 0x01, 0x0E, 0x30}}, S::Hunt},
        {{0x00, 0x03, 0x02, 0xFF, 0x02, 0x05, 0xFF, 0x03}, {{0x05}}, S::Hunt},
        {{0xFF, 0x02, 0xFF, 0xFF, 0x01, 0xFF, 0x03}, {{0xFF, 0x01}}, S::Hunt},
        {{0xFF, 0x02, 0x07, 0xFF, 0x02, 0x08, 0xFF, 0x03}, {{0x07, 0x02, 0x08}}, S::Hunt},
        {{0xFF, 0xFF, 0x02, 0x09, 0xFF, 0x03}, {}, S::Hunt},
        {{0xFF, 0x02, 0x01, 0x02}, {}, S::InFrame},
        {{0xFF, 0x02, 0x01, 0xFF}, {}, S::Escape},
        {{0xFF, 0x02, 0xFF, 0x03}, {{}}, S::Hunt},
        {{0xFF, 0x02, 0x01, 0xFF, 0x03, 0xFF, 0x02, 0x02, 0xFF, 0x03}, {{0x01}, {0x02}}, S::Hunt},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        S state;
        EXPECT_EQ(Feed(cases[i].wire, &state), cases[i].frames) << i;
        EXPECT_EQ(state, cases[i].state) << i;
    }
}

TEST(FrameReceiver, BodyLimitIs1022Bytes) {
    // 1022 bytes fit; one more drops the frame and its end marker is noise; an escaped byte past the
    // limit drops it too.
    const struct {
        size_t fill;
        Bytes tail;
        std::vector<Bytes> frames;
    } cases[] = {{1022, {0xFF, 0x03}, {Bytes(1022, 0x55)}},
                 {1023, {0xFF, 0x03, 0xFF, 0x02, 0x01, 0xFF, 0x03}, {{0x01}}},
                 {1022, {0xFF, 0xFF, 0xFF, 0x03}, {}}};
    for (const auto& c : cases) {
        Bytes wire = {0xFF, 0x02};
        wire.insert(wire.end(), c.fill, 0x55);
        wire.insert(wire.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(Feed(wire), c.frames) << c.fill;
    }
}

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

} // namespace
} // namespace orvo
