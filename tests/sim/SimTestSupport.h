#pragma once

// Helpers of the simulator's tests. Answers are unframed with the shared receiver and read at byte
// offsets here; nothing of the application's answer decoding is used.

#include "SimMonitor.h"
#include "link/FrameCodec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace orvo::sim::test {

using Bytes = std::vector<uint8_t>;

// 2023-11-14 22:13:20 UTC; 17:13:20 on a clock 300 minutes west of UTC.
constexpr int64_t kT0Ms = 1'700'000'000'000LL;
constexpr uint32_t kT0 = 1'700'000'000u;
constexpr uint32_t kT0Local = kT0 - 300 * 60;

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

// The CRC bit by bit, straight from the frame rules (polynomial 0xC003, initial 0, MSB first), for the
// frames whose payload a test builds in a loop; the literal frames elsewhere were worked out by hand.
inline uint16_t BitwiseCrc(const Bytes& body) {
    uint16_t crc = 0;
    for (uint8_t b : body) {
        crc ^= uint16_t(b << 8);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0xC003) : uint16_t(crc << 1);
    }
    return crc;
}

inline Bytes Frame(uint8_t command, uint8_t sequence, const Bytes& payload) {
    Bytes body{command, sequence};
    body.insert(body.end(), payload.begin(), payload.end());
    const uint8_t low = uint8_t(BitwiseCrc(body) & 0xFF);
    Bytes out{0xFF, 0x02};
    for (uint8_t b : body) {
        out.push_back(b);
        if (b == 0xFF)
            out.push_back(0xFF);
    }
    out.push_back(low & 0x0F);
    out.push_back(uint8_t((low & 0xF0) >> 1));
    out.push_back(0xFF);
    out.push_back(0x03);
    return out;
}

// A frame whose check bytes were worked out by hand; the payload must need no escape.
inline Bytes HandFrame(uint8_t command, uint8_t sequence, const Bytes& payload, uint8_t checkA,
                       uint8_t checkB) {
    Bytes out{0xFF, 0x02, command, sequence};
    for (uint8_t b : payload) {
        EXPECT_NE(b, 0xFF);
        out.push_back(b);
    }
    out.insert(out.end(), {checkA, checkB, 0xFF, 0x03});
    return out;
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
    p[offset] = uint8_t(v >> 24);
    p[offset + 1] = uint8_t(v >> 16);
    p[offset + 2] = uint8_t(v >> 8);
    p[offset + 3] = uint8_t(v);
}

inline void PutString(Bytes& p, size_t offset, const std::string& s) {
    std::memcpy(p.data() + offset, s.data(), s.size());
}

// The raw bytes of a field, zeros included.
inline std::string Field(const Bytes& p, size_t offset, size_t width) {
    if (offset + width > p.size()) {
        ADD_FAILURE() << "field at " << offset << " beyond payload of " << p.size();
        return {};
    }
    return std::string(p.begin() + long(offset), p.begin() + long(offset + width));
}

// A text padded with zeros to its field width.
inline std::string Padded(const std::string& text, size_t width) {
    std::string s = text.substr(0, width);
    s.resize(width, '\0');
    return s;
}

inline float AsFloat(uint32_t word) {
    float f;
    std::memcpy(&f, &word, sizeof f);
    return f;
}

} // namespace orvo::sim::test
