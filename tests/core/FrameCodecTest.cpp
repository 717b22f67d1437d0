#include <gtest/gtest.h>

#include <vector>

#include "link/FrameCodec.h"

using namespace orvo;

using Bytes = std::vector<uint8_t>;

TEST(Crc16, KnownAnswers) {
    // Worked out bit by bit: polynomial 0xC003, initial 0, MSB first, no reflection, no final XOR.
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc16(digits, sizeof digits), 0xD5F8);
    EXPECT_EQ(Crc16TableEntry(0x00), 0x0000);
    EXPECT_EQ(Crc16TableEntry(0x01), 0xC003);
    const uint8_t status[] = {0x18, 0x01};
    EXPECT_EQ(Crc16(status, 2), 0xBB6E);
}

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

namespace {

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

} // namespace

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
