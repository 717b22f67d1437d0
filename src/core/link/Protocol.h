#pragma once

#include <cstdint>
#include <cstring>

namespace orvo {

// Command codes of the monitor's protocol.
enum : uint8_t {
    CMD_NAK = 1,
    CMD_GET_STATUS = 2,
    CMD_FACTORY_RESET = 3,
    CMD_READ_PRC = 4,
    CMD_WRITE_PRC = 5,
    CMD_READ_PRC_FULL = 6,
    CMD_SET_PRC_LOGGING = 7,
    CMD_GET_SHIFT_PROGRAM = 8,
    CMD_PROGRAM_SHIFT = 9,
    CMD_GET_SAMPLE_COUNT = 10,
    CMD_GET_SAMPLE_ENTRY = 11,
    CMD_START_SAMPLE_DATA = 12,
    CMD_GET_DATA_BLOCK = 13,
    CMD_SET_TEMPLATE_NAME = 14,
    CMD_GET_TEMPLATE_NAME = 15,
    CMD_SET_SERIAL_TEXT = 16,
    CMD_GET_SERIAL_TEXT = 17,
    CMD_GET_SHIFT_PROGRAM_EX = 18,
    CMD_PROGRAM_SHIFT_EX = 19,
    CMD_GET_SAMPLE_ENTRY_EX = 20,
    CMD_START_SERVICE_LOG = 21,
    CMD_GET_LOG_BLOCK = 22,
    CMD_GET_STATUS_EX = 24,
};

// Payload sizes of the fixed answer and request layouts.
constexpr size_t STATUS_A_SIZE = 20;
constexpr size_t STATUS_B_SIZE = 12;
constexpr size_t REGISTER_ENTRY_SIZE = 8;
constexpr size_t FULL_REGISTER_SIZE = 16;
constexpr size_t SHORT_PROGRAM_SIZE = 108;
constexpr size_t SHORT_PROGRAM_RECORD_SIZE = 108;
constexpr size_t LONG_PROGRAM_SIZE = 272;
constexpr size_t LONG_PROGRAM_RECORD_SIZE = 276;
constexpr size_t SHORT_ENTRY_SIZE = 116;
constexpr size_t LONG_ENTRY_SIZE = 280;
constexpr size_t ITEM_SIZE = 5;
constexpr size_t TEMPLATE_NAME_SIZE = 50;
constexpr size_t SERIAL_TEXT_SIZE = 12;
constexpr int MAX_REGISTERS_PER_REQUEST = 15;

// Logging codes on the wire: 0 Never, 1 Header/Footer, k >= 2 Delta with interval k - 1.
// In the register table: mode 0 Never, 1 Delta, 2 Header/Footer.
enum : uint8_t { LOG_MODE_NEVER = 0, LOG_MODE_DELTA = 1, LOG_MODE_HEADER_FOOTER = 2 };

inline uint32_t LoggingCode(uint8_t mode, uint32_t interval) {
    switch (mode) {
    case LOG_MODE_HEADER_FOOTER:
        return 1;
    case LOG_MODE_DELTA:
        return interval + 1;
    default:
        return 0;
    }
}

inline void DecodeLoggingCode(uint32_t code, uint8_t& mode, uint32_t& interval) {
    if (code == 0) {
        mode = LOG_MODE_NEVER;
        interval = 0;
    } else if (code == 1) {
        mode = LOG_MODE_HEADER_FOOTER;
        interval = 0;
    } else {
        mode = LOG_MODE_DELTA;
        interval = code - 1;
    }
}

// Big-endian access to payload bytes.
inline uint32_t GetU32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline void PutU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}
inline float WordToFloat(uint32_t w) {
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
}
inline uint32_t FloatToWord(float f) {
    uint32_t w;
    std::memcpy(&w, &f, sizeof w);
    return w;
}

} // namespace orvo
