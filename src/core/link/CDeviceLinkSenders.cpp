#include <cstring>

#include "link/CDeviceLink.h"
#include "link/Protocol.h"
#include "model/PrcTable.h"
#include "model/ShiftProgram.h"
#include "platform/Clock.h"

namespace orvo {

namespace {

uint32_t ToUnsignedWord(double value) {
    if (!(value > 0.0)) // negative, zero and NaN
        return 0;
    if (value >= 4294967295.0)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(value);
}

} // namespace

bool CDeviceLink::RequestStatus(bool extended) {
    return Send(extended ? CMD_GET_STATUS_EX : CMD_GET_STATUS, nullptr, 0);
}

bool CDeviceLink::FactoryReset() {
    return Send(CMD_FACTORY_RESET, nullptr, 0);
}

bool CDeviceLink::ReadRegisters(const std::vector<int>& numbers) {
    if (numbers.empty() || numbers.size() > MAX_REGISTERS_PER_REQUEST)
        return false;
    uint8_t payload[1 + MAX_REGISTERS_PER_REQUEST];
    payload[0] = static_cast<uint8_t>(numbers.size());
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (!PrcTable::IsValid(numbers[i]))
            return false;
        payload[1 + i] = static_cast<uint8_t>(numbers[i]);
    }
    return Send(CMD_READ_PRC, payload, 1 + numbers.size());
}

bool CDeviceLink::WriteRegisters(const RegisterWrites& values) {
    if (values.empty() || values.size() > MAX_REGISTERS_PER_REQUEST)
        return false;
    uint8_t payload[4 + MAX_REGISTERS_PER_REQUEST * REGISTER_ENTRY_SIZE] = {};
    payload[0] = static_cast<uint8_t>(values.size());
    const PrcTable& table = m_events.Registers();
    for (size_t i = 0; i < values.size(); ++i) {
        const auto [number, value] = values[i];
        if (!PrcTable::IsValid(number))
            return false;
        uint8_t* entry = payload + 4 + i * REGISTER_ENTRY_SIZE;
        entry[0] = static_cast<uint8_t>(number);
        const uint32_t type = table.Type(number);
        uint32_t word = 0;
        if (type & PRC_TYPE_INT)
            word = ToUnsignedWord(value);
        else if (type & PRC_TYPE_FLOAT)
            word = FloatToWord(static_cast<float>(value));
        PutU32(entry + 4, word);
    }
    return Send(CMD_WRITE_PRC, payload, 4 + values.size() * REGISTER_ENTRY_SIZE);
}

bool CDeviceLink::ReadFullRegister(int number) {
    if (number < 0) {
        for (int n = 0; n < PRC_COUNT; ++n)
            if (!ReadFullRegister(n))
                return false;
        return true;
    }
    if (!PrcTable::IsValid(number))
        return false;
    const uint8_t payload = static_cast<uint8_t>(number);
    return Send(CMD_READ_PRC_FULL, &payload, 1);
}

bool CDeviceLink::SetLogging(int number, uint32_t loggingCode, float delta) {
    if (!PrcTable::IsValid(number))
        return false;
    uint8_t payload[12] = {static_cast<uint8_t>(number)};
    PutU32(payload + 4, loggingCode);
    PutU32(payload + 8, FloatToWord(delta));
    return Send(CMD_SET_PRC_LOGGING, payload, sizeof payload);
}

bool CDeviceLink::ReadShiftProgram(bool extended) {
    return Send(extended ? CMD_GET_SHIFT_PROGRAM_EX : CMD_GET_SHIFT_PROGRAM, nullptr, 0);
}

bool CDeviceLink::ProgramShift(const ShiftProgram& program, bool extended) {
    if (extended) {
        const std::vector<uint8_t> payload = EncodeLongProgram(program);
        return Send(CMD_PROGRAM_SHIFT_EX, payload.data(), payload.size());
    }
    const std::vector<uint8_t> payload = EncodeShortProgram(program, m_zone);
    return Send(CMD_PROGRAM_SHIFT, payload.data(), payload.size());
}

bool CDeviceLink::RequestSampleCount() {
    m_transferring = false;
    return Send(CMD_GET_SAMPLE_COUNT, nullptr, 0);
}

bool CDeviceLink::RequestSampleEntry(uint8_t index, bool extended) {
    return Send(extended ? CMD_GET_SAMPLE_ENTRY_EX : CMD_GET_SAMPLE_ENTRY, &index, 1);
}

bool CDeviceLink::StartSampleData(uint8_t index) {
    m_cancel = false;
    m_transferring = true;
    return Send(CMD_START_SAMPLE_DATA, &index, 1);
}

bool CDeviceLink::RequestDataBlock(uint8_t index, uint32_t firstItem) {
    uint8_t payload[8] = {index};
    PutU32(payload + 4, firstItem);
    return Send(CMD_GET_DATA_BLOCK, payload, sizeof payload);
}

namespace {

bool FixedTextPayload(const std::string& text, size_t width, uint8_t* out) {
    if (text.size() > width)
        return false;
    std::memset(out, 0, width);
    std::memcpy(out, text.data(), text.size());
    return true;
}

} // namespace

bool CDeviceLink::SetTemplateName(const std::string& name) {
    uint8_t payload[TEMPLATE_NAME_SIZE];
    return FixedTextPayload(name, sizeof payload, payload) &&
           Send(CMD_SET_TEMPLATE_NAME, payload, sizeof payload);
}

bool CDeviceLink::RequestTemplateName() {
    return Send(CMD_GET_TEMPLATE_NAME, nullptr, 0);
}

bool CDeviceLink::SetSerialText(const std::string& text) {
    uint8_t payload[SERIAL_TEXT_SIZE];
    return FixedTextPayload(text, sizeof payload, payload) &&
           Send(CMD_SET_SERIAL_TEXT, payload, sizeof payload);
}

bool CDeviceLink::RequestSerialText() {
    return Send(CMD_GET_SERIAL_TEXT, nullptr, 0);
}

bool CDeviceLink::StartServiceLog() {
    m_cancel = false;
    m_transferring = true;
    return Send(CMD_START_SERVICE_LOG, nullptr, 0);
}

bool CDeviceLink::RequestLogBlock(uint32_t firstItem) {
    uint8_t payload[4];
    PutU32(payload, firstItem);
    return Send(CMD_GET_LOG_BLOCK, payload, sizeof payload);
}

} // namespace orvo
