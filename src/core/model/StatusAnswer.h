#pragma once

#include <cstddef>
#include <cstdint>

namespace orvo {

// A decoded status answer. Layout A (older firmware) carries the serial number, layout B not.
struct StatusAnswer {
    bool hasSerial = false;
    uint32_t serialNumber = 0;
    float firmware = 0.0f;
    int8_t state = 0;
    uint32_t deviceTime = 0; // as the monitor counts it
};

// Update flags of COrvodeskDoc::UpdateViews.
enum : uint32_t {
    UPDATE_CONNECTION = 0x01,
    UPDATE_IDENTITY = 0x02,
    UPDATE_STATE = 0x04,
    UPDATE_REGISTER = 0x08,
    UPDATE_RECORD_FRONT = 0x10,
    UPDATE_RECORD_APPENDED = 0x20,
    UPDATE_TEMPLATE_NAME = 0x80,
    UPDATE_SERIAL_TEXT = 0x100,
    UPDATE_SERVICE_LOG_TOTAL = 0x200,
    UPDATE_LINK_LOST = 0x07,
};

// Second value of a 0x10 update: a record was inserted (always at the front of the list), or
// none was and a listing ended.
constexpr intptr_t RECORD_INSERTED_AT_FRONT = 1;
constexpr intptr_t NO_RECORD = 0;

} // namespace orvo
