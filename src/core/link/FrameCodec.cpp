#include "link/FrameCodec.h"

#include <array>

namespace orvo {

namespace {

constexpr std::array<uint16_t, 256> BuildTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t crc = static_cast<uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc =
                (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0xC003) : static_cast<uint16_t>(crc << 1);
        table[i] = crc;
    }
    return table;
}

constexpr std::array<uint16_t, 256> kTable = BuildTable();

void PushEscaped(std::vector<uint8_t>& out, uint8_t byte) {
    out.push_back(byte);
    if (byte == FRAME_MARK)
        out.push_back(FRAME_MARK);
}

} // namespace

uint16_t Crc16TableEntry(uint8_t index) {
    return kTable[index];
}

uint16_t Crc16(const uint8_t* data, size_t length, uint16_t crc) {
    for (size_t i = 0; i < length; ++i)
        crc = static_cast<uint16_t>(kTable[((crc >> 8) ^ data[i]) & 0xFF] ^ ((crc & 0xFF) << 8));
    return crc;
}

std::vector<uint8_t> EncodeFrame(uint8_t command, uint8_t sequence, const uint8_t* payload, size_t length) {
    std::vector<uint8_t> out;
    out.reserve(8 + 2 * length);
    out.push_back(FRAME_MARK);
    out.push_back(FRAME_START);
    const uint8_t head[2] = {command, sequence};
    uint16_t crc = Crc16(head, 2);
    PushEscaped(out, command);
    PushEscaped(out, sequence);
    for (size_t i = 0; i < length; ++i)
        PushEscaped(out, payload[i]);
    crc = Crc16(payload, length, crc);
    const uint8_t low = static_cast<uint8_t>(crc & 0xFF);
    out.push_back(CheckByteA(low));
    out.push_back(CheckByteB(low));
    out.push_back(FRAME_MARK);
    out.push_back(FRAME_END);
    return out;
}

bool BodyCheckValid(const uint8_t* body, size_t length) {
    if (length < FRAME_MIN_BODY)
        return false;
    const uint8_t low = static_cast<uint8_t>(Crc16(body, length - 2) & 0xFF);
    return body[length - 2] == CheckByteA(low) && body[length - 1] == CheckByteB(low);
}

bool FrameReceiver::Append(uint8_t byte) {
    if (m_length >= FRAME_MAX_BODY) {
        ++m_overruns;
        m_state = State::Hunt;
        return false;
    }
    m_buffer[m_length++] = byte;
    return true;
}

bool FrameReceiver::Feed(uint8_t byte) {
    switch (m_state) {
    case State::Hunt:
        if (byte == FRAME_MARK)
            m_state = State::StartSeen;
        return false;
    case State::StartSeen:
        if (byte == FRAME_START) {
            m_length = 0;
            m_state = State::InFrame;
        } else {
            m_state = State::Hunt;
        }
        return false;
    case State::InFrame:
        if (byte == FRAME_MARK)
            m_state = State::Escape;
        else
            Append(byte);
        return false;
    case State::Escape:
        if (byte == FRAME_END) {
            m_state = State::Hunt;
            return true;
        }
        // 0xFF 0xFF is one data byte; 0xFF 0x02 inside a frame is a data byte 0x02, not a restart.
        if (Append(byte))
            m_state = State::InFrame;
        return false;
    }
    return false;
}

} // namespace orvo
