#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace orvo {

constexpr uint8_t FRAME_MARK = 0xFF;
constexpr uint8_t FRAME_START = 0x02;
constexpr uint8_t FRAME_END = 0x03;
constexpr size_t FRAME_MIN_BODY = 4;      // command, sequence, two check bytes
constexpr size_t FRAME_MAX_BODY = 1022;   // receive buffer
constexpr size_t FRAME_MAX_PAYLOAD = 272; // largest request payload
constexpr size_t FRAME_MAX_WIRE = 1027;   // largest request frame, escapes included

// CRC-16, polynomial 0xC003, initial 0, MSB first, no reflection, no final XOR.
uint16_t Crc16(const uint8_t* data, size_t length, uint16_t crc = 0);
uint16_t Crc16TableEntry(uint8_t index);

// Only the low CRC byte travels, split into two bytes that can never be 0xFF.
inline uint8_t CheckByteA(uint8_t crcLow) {
    return crcLow & 0x0F;
}
inline uint8_t CheckByteB(uint8_t crcLow) {
    return static_cast<uint8_t>((crcLow & 0xF0) >> 1);
}

// The complete wire frame: start marker, escaped command/sequence/payload, check bytes, end marker.
std::vector<uint8_t> EncodeFrame(uint8_t command, uint8_t sequence, const uint8_t* payload, size_t length);

// Whether a received body (command, sequence, payload, two check bytes) carries a correct check.
// Bodies shorter than FRAME_MIN_BODY are never valid.
bool BodyCheckValid(const uint8_t* body, size_t length);

// Receives a frame one byte at a time: Hunt, StartSeen, InFrame, Escape.
class FrameReceiver {
public:
    enum class State { Hunt, StartSeen, InFrame, Escape };

    // Returns true when the byte completed a frame; Body() then holds its unescaped body.
    bool Feed(uint8_t byte);
    void Reset() {
        m_state = State::Hunt;
        m_length = 0;
    }

    State state() const { return m_state; }
    const uint8_t* Body() const { return m_buffer; }
    size_t Length() const { return m_length; }
    // Frames dropped for running past the buffer; counted for diagnostics.
    uint64_t Overruns() const { return m_overruns; }

private:
    bool Append(uint8_t byte);

    State m_state = State::Hunt;
    uint8_t m_buffer[FRAME_MAX_BODY] = {};
    size_t m_length = 0;
    uint64_t m_overruns = 0;
};

} // namespace orvo
