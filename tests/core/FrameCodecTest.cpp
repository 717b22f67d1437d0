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
    struct Case {
        const char* what;
        uint8_t command, sequence;
        Bytes payload, wire;
    };
    const Case cases[] = {
        {"status request", 24, 1, {}, {0xFF, 0x02, 0x18, 0x01, 0x0E, 0x30, 0xFF, 0x03}},
        {"old status request", 2, 1, {}, {0xFF, 0x02, 0x02, 0x01, 0x04, 0x58, 0xFF, 0x03}},
        {"read register 183", 4, 7, {1, 183}, {0xFF, 0x02, 0x04, 0x07, 0x01, 0xB7, 0x0F, 0x20, 0xFF, 0x03}},
        // 0xFF is doubled on the wire but counted once in the check.
        {"escaped sequence and payload",
         4,
         0xFF,
         {1, 0xFF},
         {0xFF, 0x02, 0x04, 0xFF, 0xFF, 0x01, 0xFF, 0xFF, 0x09, 0x40, 0xFF, 0x03}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeFrame(c.command, c.sequence, c.payload.data(), c.payload.size()), c.wire) << c.what;
    }
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

struct Fed {
    std::vector<Bytes> frames;
    FrameReceiver::State state;
};

Fed Feed(const Bytes& wire) {
    FrameReceiver receiver;
    Fed out;
    for (uint8_t b : wire)
        if (receiver.Feed(b))
            out.frames.emplace_back(receiver.Body(), receiver.Body() + receiver.Length());
    out.state = receiver.state();
    return out;
}

} // namespace

TEST(FrameReceiver, EdgeCases) {
    using S = FrameReceiver::State;
    struct Case {
        const char* what;
        Bytes wire;
        std::vector<Bytes> frames;
        S state;
    };
    const Case cases[] = {
        {"plain frame",
         {0xFF, 0x02, 0x18, 0x01, 0x0E, 0x30, 0xFF, 0x03},
         {{0x18, 0x01, 0x0E, 0x30}},
         S::Hunt},
        {"noise before the start is skipped",
         {0x00, 0x03, 0x02, 0xFF, 0x02, 0x05, 0xFF, 0x03},
         {{0x05}},
         S::Hunt},
        {"escaped 0xFF yields one byte", {0xFF, 0x02, 0xFF, 0xFF, 0x01, 0xFF, 0x03}, {{0xFF, 0x01}}, S::Hunt},
        {"0xFF 0x02 inside a frame is the data byte 0x02",
         {0xFF, 0x02, 0x07, 0xFF, 0x02, 0x08, 0xFF, 0x03},
         {{0x07, 0x02, 0x08}},
         S::Hunt},
        {"0xFF 0xFF in StartSeen returns to Hunt", {0xFF, 0xFF, 0x02, 0x09, 0xFF, 0x03}, {}, S::Hunt},
        {"unfinished frame waits", {0xFF, 0x02, 0x01, 0x02}, {}, S::InFrame},
        {"escape pending", {0xFF, 0x02, 0x01, 0xFF}, {}, S::Escape},
        {"empty frame is delivered (and ignored later)", {0xFF, 0x02, 0xFF, 0x03}, {{}}, S::Hunt},
        {"two frames back to back",
         {0xFF, 0x02, 0x01, 0xFF, 0x03, 0xFF, 0x02, 0x02, 0xFF, 0x03},
         {{0x01}, {0x02}},
         S::Hunt},
    };
    for (const Case& c : cases) {
        const Fed fed = Feed(c.wire);
        EXPECT_EQ(fed.frames, c.frames) << c.what;
        EXPECT_EQ(fed.state, c.state) << c.what;
    }
}

TEST(FrameReceiver, BodyLimitIs1022Bytes) {
    struct Case {
        const char* what;
        size_t fill;
        Bytes tail;
        std::vector<Bytes> frames;
    };
    const Case cases[] = {
        {"1022 bytes fit", 1022, {0xFF, 0x03}, {Bytes(1022, 0x55)}},
        {"one more drops the frame; its end marker is noise",
         1023,
         {0xFF, 0x03, 0xFF, 0x02, 0x01, 0xFF, 0x03},
         {{0x01}}},
        {"an escaped byte past the limit drops it too", 1022, {0xFF, 0xFF, 0xFF, 0x03}, {}},
    };
    for (const Case& c : cases) {
        Bytes wire = {0xFF, 0x02};
        wire.insert(wire.end(), c.fill, 0x55);
        wire.insert(wire.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(Feed(wire).frames, c.frames) << c.what;
    }
}
