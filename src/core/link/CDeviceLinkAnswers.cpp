#include <algorithm>
#include <cstring>

#include "download/DirectoryEntry.h"
#include "link/CDeviceLink.h"
#include "link/Protocol.h"
#include "model/PrcTable.h"
#include "model/ShiftProgram.h"
#include "model/StatusAnswer.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/TimeConversion.h"

namespace orvo {

namespace {

// Item list of a data block: count items of 5 bytes after a header of `head` bytes.
bool ItemsFit(size_t head, const uint8_t* payload, size_t length) {
    if (length < head)
        return false;
    const uint64_t count = GetU32(payload + head - 4);
    return head + count * ITEM_SIZE <= length;
}

} // namespace

bool CDeviceLink::AnswerFits(uint8_t command, const uint8_t* payload, size_t length) {
    switch (command) {
    case CMD_GET_STATUS:
        return length >= STATUS_A_SIZE;
    case CMD_GET_STATUS_EX:
        return length >= STATUS_B_SIZE;
    case CMD_READ_PRC:
    case CMD_WRITE_PRC:
        return length >= 4 && 4 + size_t(payload[0]) * REGISTER_ENTRY_SIZE <= length;
    case CMD_READ_PRC_FULL:
    case CMD_SET_PRC_LOGGING:
        return length >= FULL_REGISTER_SIZE;
    case CMD_GET_SHIFT_PROGRAM:
    case CMD_PROGRAM_SHIFT:
        return length >= SHORT_PROGRAM_RECORD_SIZE;
    case CMD_GET_SHIFT_PROGRAM_EX:
    case CMD_PROGRAM_SHIFT_EX:
        return length >= LONG_PROGRAM_RECORD_SIZE;
    case CMD_GET_SAMPLE_COUNT:
        return length >= 1;
    case CMD_GET_SAMPLE_ENTRY:
        return length >= SHORT_ENTRY_SIZE;
    case CMD_GET_SAMPLE_ENTRY_EX:
        return length >= LONG_ENTRY_SIZE;
    case CMD_START_SAMPLE_DATA:
        return length >= 8;
    case CMD_GET_DATA_BLOCK:
        return ItemsFit(12, payload, length);
    case CMD_START_SERVICE_LOG:
        return length >= 4;
    case CMD_GET_LOG_BLOCK:
        return ItemsFit(8, payload, length);
    default:
        return true; // texts are bounded when read; other codes carry nothing we read
    }
}

void CDeviceLink::Dispatch(uint8_t command, const uint8_t* payload, size_t length) {
    switch (command) {
    case CMD_GET_STATUS:
    case CMD_GET_STATUS_EX:
        OnStatus(command, payload, length);
        break;
    case CMD_READ_PRC:
    case CMD_WRITE_PRC:
        OnRegisterList(payload, length);
        break;
    case CMD_READ_PRC_FULL:
        OnFullRegister(payload, length, true);
        break;
    case CMD_SET_PRC_LOGGING:
        OnFullRegister(payload, length, false);
        break;
    case CMD_GET_SHIFT_PROGRAM:
    case CMD_PROGRAM_SHIFT:
    case CMD_GET_SHIFT_PROGRAM_EX:
    case CMD_PROGRAM_SHIFT_EX:
        OnProgramRecord(command, payload, length);
        break;
    case CMD_GET_SAMPLE_COUNT:
        OnSampleCount(payload, length);
        break;
    case CMD_GET_SAMPLE_ENTRY:
    case CMD_GET_SAMPLE_ENTRY_EX:
        OnSampleEntry(command, payload, length);
        break;
    case CMD_START_SAMPLE_DATA:
        OnStartTransfer(false, payload, length);
        break;
    case CMD_START_SERVICE_LOG:
        OnStartTransfer(true, payload, length);
        break;
    case CMD_GET_DATA_BLOCK:
        OnDataBlock(false, payload, length);
        break;
    case CMD_GET_LOG_BLOCK:
        OnDataBlock(true, payload, length);
        break;
    case CMD_SET_TEMPLATE_NAME:
    case CMD_GET_TEMPLATE_NAME:
    case CMD_SET_SERIAL_TEXT:
    case CMD_GET_SERIAL_TEXT:
        OnText(command, payload, length);
        break;
    default:
        break; // factory reset and unknown codes: consumed without effect
    }
}

double CDeviceLink::WordValue(int number, uint32_t word) const {
    const uint32_t type = m_events.Registers().Type(number);
    if (type & PRC_TYPE_INT)
        return static_cast<double>(word);
    if (type & PRC_TYPE_FLOAT)
        return static_cast<double>(WordToFloat(word));
    return 0.0;
}

uint32_t CDeviceLink::DeviceTimeToUtc(uint32_t value) const {
    if (IsNewFirmware(m_events.FirmwareVersion()))
        return value;
    return MonitorLocalToUtc(value, m_zone, m_clock.NowSeconds());
}

// The handlers below are reached only through AnswerFits; each still bounds what it reads by the
// length it is given, so none depends on the other being right.

void CDeviceLink::OnStatus(uint8_t command, const uint8_t* p, size_t length) {
    StatusAnswer answer;
    if (command == CMD_GET_STATUS) {
        if (length < STATUS_A_SIZE)
            return;
        answer.hasSerial = true;
        answer.serialNumber = GetU32(p);
        answer.firmware = WordToFloat(GetU32(p + 4));
        answer.state = static_cast<int8_t>(p[12]);
        answer.deviceTime = GetU32(p + 16);
    } else {
        if (length < STATUS_B_SIZE)
            return;
        answer.firmware = WordToFloat(GetU32(p));
        answer.state = static_cast<int8_t>(p[4]);
        answer.deviceTime = GetU32(p + 8);
    }
    m_events.OnStatusAnswer(answer);
}

void CDeviceLink::OnRegisterList(const uint8_t* p, size_t length) {
    if (length < 4)
        return;
    const size_t count = std::min<size_t>(p[0], (length - 4) / REGISTER_ENTRY_SIZE);
    PrcTable& table = m_events.Registers();
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = p + 4 + i * REGISTER_ENTRY_SIZE;
        const int number = entry[0];
        table.SetValue(number, WordValue(number, GetU32(entry + 4)));
        m_events.UpdateViews(UPDATE_REGISTER, number);
    }
}

void CDeviceLink::OnFullRegister(const uint8_t* p, size_t length, bool storeValue) {
    if (length < FULL_REGISTER_SIZE)
        return;
    const int number = p[0];
    PrcTable& table = m_events.Registers();
    if (storeValue)
        table.SetValue(number, WordValue(number, GetU32(p + 4)));
    PrcLogging logging;
    DecodeLoggingCode(GetU32(p + 8), logging.mode, logging.interval);
    logging.delta = WordToFloat(GetU32(p + 12));
    table.SetLogging(number, logging);
    m_events.UpdateViews(UPDATE_REGISTER, number);
}

void CDeviceLink::OnProgramRecord(uint8_t command, const uint8_t* p, size_t length) {
    const bool isShort = command == CMD_GET_SHIFT_PROGRAM || command == CMD_PROGRAM_SHIFT;
    std::optional<std::string> text = isShort
                                          ? ShortProgramRecordText(p, length, m_zone, m_clock.NowSeconds())
                                          : LongProgramRecordText(p, length);
    if (!text)
        return;
    m_events.InsertRecordFront(std::move(*text));
    m_events.UpdateViews(UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT);
}

void CDeviceLink::OnSampleCount(const uint8_t* p, size_t length) {
    if (length < 1)
        return;
    const uint8_t count = p[0];
    if (count == 0) {
        m_events.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
        return;
    }
    m_itemTotal = count;
    if (!RequestSampleEntry(0, m_events.NewFirmware()))
        m_events.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
}

void CDeviceLink::OnSampleEntry(uint8_t command, const uint8_t* p, size_t length) {
    const bool extended = command == CMD_GET_SAMPLE_ENTRY_EX;
    if (length < (extended ? LONG_ENTRY_SIZE : SHORT_ENTRY_SIZE) || m_transferring)
        return;
    const uint8_t index = EntryIndex(p);
    if (index >= m_itemTotal) {
        m_events.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
        return;
    }
    std::optional<std::string> text =
        extended ? LongEntryText(p, length) : ShortEntryText(p, length, m_zone, m_clock.NowSeconds());
    if (!text)
        return;
    m_events.InsertRecordFront(std::move(*text));
    m_events.UpdateViews(UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT);
    if (uint32_t(index) + 1 < m_itemTotal && RequestSampleEntry(static_cast<uint8_t>(index + 1), extended))
        return;
    m_events.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
}

// Sample data: index u8, 3 reserved, total u32. Service log: total u32.
void CDeviceLink::OnStartTransfer(bool serviceLog, const uint8_t* p, size_t length) {
    if (length < (serviceLog ? 4u : 8u))
        return;
    const uint32_t total = serviceLog ? GetU32(p) : GetU32(p + 4);
    m_itemTotal = total;
    m_assembler.Reset();
    if (!serviceLog) {
        if (total > 0 && RequestDataBlock(p[0], 0))
            return;
        m_transferring = false;
        m_events.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
        return;
    }
    if (total == 0) {
        m_transferring = false;
        m_events.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
        return;
    }
    // The total travels with the update, so a view need not reach into the link for it.
    m_events.UpdateViews(UPDATE_SERVICE_LOG_TOTAL, intptr_t(total));
    if (!RequestLogBlock(0)) {
        m_transferring = false;
        m_events.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
    }
}

// Sample block: index u8, 3 reserved, first u32, count u32, items. Log block: first, count, items.
void CDeviceLink::OnDataBlock(bool serviceLog, const uint8_t* p, size_t length) {
    const size_t head = serviceLog ? 8 : 12;
    if (length < head)
        return;
    const uint8_t sampleIndex = serviceLog ? 0 : p[0];
    const uint32_t first = GetU32(p + head - 8);
    const uint32_t count = GetU32(p + head - 4);
    if (first >= m_itemTotal || count == 0) {
        m_transferring = false;
        m_events.UpdateViews(UPDATE_RECORD_APPENDED, 0);
        return;
    }
    const uint64_t present = std::min<uint64_t>(count, (length - head) / ITEM_SIZE);
    const uint8_t* item = p + head;
    for (uint64_t i = 0; i < present; ++i, item += ITEM_SIZE) {
        std::optional<AssembledRecord> record = m_assembler.Feed(item[0], GetU32(item + 1));
        if (!record)
            continue;
        m_events.AppendRecord(std::move(record->text));
        m_events.UpdateViews(UPDATE_RECORD_APPENDED, record->items);
    }
    if (m_cancel.exchange(false)) {
        m_transferring = false;
        return;
    }
    const uint64_t next = uint64_t(first) + count;
    const bool queued = next < m_itemTotal && (serviceLog ? RequestLogBlock(uint32_t(next))
                                                          : RequestDataBlock(sampleIndex, uint32_t(next)));
    if (!queued) {
        m_transferring = false;
        m_events.UpdateViews(UPDATE_RECORD_APPENDED, 0);
    }
}

void CDeviceLink::OnText(uint8_t command, const uint8_t* p, size_t length) {
    const size_t width = (command == CMD_SET_TEMPLATE_NAME || command == CMD_GET_TEMPLATE_NAME)
                             ? TEMPLATE_NAME_SIZE
                             : SERIAL_TEXT_SIZE;
    std::string text = FixedText(p, std::min(length, width));
    switch (command) {
    case CMD_SET_TEMPLATE_NAME:
    case CMD_GET_TEMPLATE_NAME:
        m_events.SetTemplateName(std::move(text));
        m_events.UpdateViews(UPDATE_TEMPLATE_NAME, 0);
        break;
    case CMD_SET_SERIAL_TEXT:
        m_events.SetSerialText(std::move(text));
        m_events.UpdateViews(UPDATE_SERIAL_TEXT, 0);
        break;
    default:
        m_events.OnSerialTextAnswer(std::move(text));
        break;
    }
}

} // namespace orvo
