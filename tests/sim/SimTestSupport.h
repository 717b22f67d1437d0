#pragma once

// Helpers of the simulator's tests. Answers are unframed with the shared receiver and read at byte
// offsets here; nothing of the application's answer decoding is used.

#include "SimMonitor.h"
#include "link/FrameCodec.h"
#include "platform/Clock.h"
#include "platform/TimeZoneSource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace orvo::sim::test {

using Bytes = std::vector<uint8_t>;

// 2023-11-14 22:13:20 UTC; 17:13:20 on a clock 300 minutes west of UTC.
constexpr int64_t kT0Ms = 1'700'000'000'000LL;
constexpr uint32_t kT0 = 1'700'000'000u;
constexpr uint32_t kT0Local = kT0 - 300 * 60;

// Status B request, command 24, sequence 1, and status A request, command 2, sequence 2.
const Bytes kStatusB1 = {0xFF, 0x02, 0x18, 0x01, 0x0E, 0x30, 0xFF, 0x03};
const Bytes kStatusA2 = {0xFF, 0x02, 0x02, 0x02, 0x02, 0x58, 0xFF, 0x03};
// Firmware 7.0 (40 E0 00 00), state 1, device time 1700000000 (65 53 F1 00).
const Bytes kStatusBAnswer1 = {0xFF, 0x02, 0x18, 0x01, 0x40, 0xE0, 0x00, 0x00, 0x01, 0x00,
                               0x00, 0x00, 0x65, 0x53, 0xF1, 0x00, 0x06, 0x10, 0xFF, 0x03};

// A monitor at T0 on a virtual clock, 300 minutes west of UTC.
class SimFixture : public ::testing::Test {
protected:
    std::unique_ptr<SimMonitor> Make(SimConfig config) {
        return std::make_unique<SimMonitor>(config, clock, zone);
    }
    std::unique_ptr<SimMonitor> Make(float firmware = 7.0f) {
        SimConfig config;
        config.firmware = firmware;
        return Make(config);
    }

    VirtualClock clock{kT0Ms};
    FixedTimeZone zone{300, false};
};

struct Answer {
    uint8_t command = 0;
    uint8_t sequence = 0;
    Bytes payload;
    bool checkValid = false;
};

inline std::vector<Answer> ParseAnswers(const Bytes& wire) {
    std::vector<Answer> out;
    FrameReceiver receiver;
    for (uint8_t b : wire) {
        if (!receiver.Feed(b))
            continue;
        const uint8_t* body = receiver.Body();
        const size_t n = receiver.Length();
        Answer a;
        if (n >= 4) {
            a.command = body[0];
            a.sequence = body[1];
            a.payload.assign(body + 2, body + n - 2);
        }
        a.checkValid = BodyCheckValid(body, n);
        out.push_back(a);
    }
    return out;
}

inline Bytes Feed(SimMonitor& sim, const Bytes& request) {
    Bytes out;
    sim.FeedHostBytes(request.data(), request.size(), out);
    return out;
}

// The one valid answer a request must get.
inline Answer Ask(SimMonitor& sim, const Bytes& request) {
    const std::vector<Answer> answers = ParseAnswers(Feed(sim, request));
    if (answers.size() != 1 || !answers[0].checkValid) {
        ADD_FAILURE() << "expected exactly one valid answer, got " << answers.size();
        return {};
    }
    return answers[0];
}

// Requests whose bytes are not the point of a test; the codec itself is pinned by its own tests.
inline Bytes Frame(uint8_t command, uint8_t sequence, const Bytes& payload) {
    return EncodeFrame(command, sequence, payload.data(), payload.size());
}

inline uint32_t Be32(const Bytes& p, size_t offset) {
    if (offset + 4 > p.size()) {
        ADD_FAILURE() << "offset " << offset << " beyond payload of " << p.size();
        return 0;
    }
    return (uint32_t(p[offset]) << 24) | (uint32_t(p[offset + 1]) << 16) | (uint32_t(p[offset + 2]) << 8) |
           uint32_t(p[offset + 3]);
}

inline void PutBe32(Bytes& p, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[offset + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

} // namespace orvo::sim::test
