#include <algorithm>
#include <cstring>

#include "download/DirectoryEntry.h"
#include "link/CDeviceLink.h"
#include "link/Protocol.h"
#include "model/COrvodeskDoc.h"
#include "model/PrcRegisters.h"
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

bool CDeviceLink::AnswerFits(uint8_t command, const uint8_t* payload, size_t length) const {
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
        OnStatus(command, payload);
        break;
    case CMD_READ_PRC:
    case CMD_WRITE_PRC:
        OnRegisterList(payload, length);
        break;
    case CMD_READ_PRC_FULL:
        OnFullRegister(payload, true);
        break;
    case CMD_SET_PRC_LOGGING:
        OnFullRegister(payload, false);
        break;
    case CMD_GET_SHIFT_PROGRAM:
    case CMD_PROGRAM_SHIFT:
    case CMD_GET_SHIFT_PROGRAM_EX:
    case CMD_PROGRAM_SHIFT_EX:
        OnProgramRecord(command, payload, length);
        break;
    case CMD_GET_SAMPLE_COUNT:
        OnSampleCount(payload);
        break;
    case CMD_GET_SAMPLE_ENTRY:
    case CMD_GET_SAMPLE_ENTRY_EX:
        OnSampleEntry(command, payload, length);
        break;
    case CMD_START_SAMPLE_DATA:
        OnStartTransfer(GetU32(payload + 4), false, payload[0]);
        break;
    case CMD_START_SERVICE_LOG:
        OnStartTransfer(GetU32(payload), true, 0);
        break;
    case CMD_GET_DATA_BLOCK:
        OnDataBlock(false, payload);
        break;
    case CMD_GET_LOG_BLOCK:
        OnDataBlock(true, payload);
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
    const uint32_t type = m_doc.Registers().Type(number);
    if (type & PRC_TYPE_INT)
        return static_cast<double>(word);
    if (type & PRC_TYPE_FLOAT)
        return static_cast<double>(WordToFloat(word));
    return 0.0;
}

uint32_t CDeviceLink::DeviceTimeToUtc(uint32_t value) const {
    if (IsNewFirmware(m_doc.FirmwareVersion()))
        return value;
    return MonitorLocalToUtc(value, m_zone, m_clock.NowSeconds());
}

void CDeviceLink::OnStatus(uint8_t command, const uint8_t* p) {
    StatusAnswer answer;
    if (command == CMD_GET_STATUS) {
        answer.hasSerial = true;
        answer.serialNumber = GetU32(p);
        answer.firmware = WordToFloat(GetU32(p + 4));
        answer.state = static_cast<int8_t>(p[12]);
        answer.deviceTime = GetU32(p + 16);
    } else {
        answer.firmware = WordToFloat(GetU32(p));
        answer.state = static_cast<int8_t>(p[4]);
        answer.deviceTime = GetU32(p + 8);
    }
    m_doc.OnStatusAnswer(answer);
}

void CDeviceLink::OnRegisterList(const uint8_t* p, size_t) {
    const size_t count = p[0];
    PrcTable& table = m_doc.Registers();
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = p + 4 + i * REGISTER_ENTRY_SIZE;
        const int number = entry[0];
        table.SetValue(number, WordValue(number, GetU32(entry + 4)));
        m_doc.UpdateViews(UPDATE_REGISTER, number);
    }
}

void CDeviceLink::OnFullRegister(const uint8_t* p, bool storeValue) {
    const int number = p[0];
    PrcTable& table = m_doc.Registers();
    if (storeValue)
        table.SetValue(number, WordValue(number, GetU32(p + 4)));
    PrcLogging logging;
    DecodeLoggingCode(GetU32(p + 8), logging.mode, logging.interval);
    logging.delta = WordToFloat(GetU32(p + 12));
    table.SetLogging(number, logging);
    m_doc.UpdateViews(UPDATE_REGISTER, number);
}

void CDeviceLink::OnProgramRecord(uint8_t command, const uint8_t* p, size_t length) {
    const bool isShort = command == CMD_GET_SHIFT_PROGRAM || command == CMD_PROGRAM_SHIFT;
    std::optional<std::string> text = isShort
                                          ? ShortProgramRecordText(p, length, m_zone, m_clock.NowSeconds())
                                          : LongProgramRecordText(p, length);
    if (!text)
        return;
    m_doc.InsertRecordFront(std::move(*text));
    m_doc.UpdateViews(UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT);
}

void CDeviceLink::OnSampleCount(const uint8_t* p) {
    const uint8_t count = p[0];
    if (count == 0) {
        m_doc.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
        return;
    }
    m_itemTotal = count;
    if (!RequestSampleEntry(0, m_doc.NewFirmware()))
        m_doc.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
}

void CDeviceLink::OnSampleEntry(uint8_t command, const uint8_t* p, size_t length) {
    const uint8_t index = EntryIndex(p);
    if (index >= m_itemTotal) {
        m_doc.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
        return;
    }
    const bool extended = command == CMD_GET_SAMPLE_ENTRY_EX;
    std::optional<std::string> text =
        extended ? LongEntryText(p, length) : ShortEntryText(p, length, m_zone, m_clock.NowSeconds());
    m_doc.InsertRecordFront(std::move(*text)); // lengths were checked before dispatch
    m_doc.UpdateViews(UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT);
    if (uint32_t(index) + 1 < m_itemTotal && RequestSampleEntry(static_cast<uint8_t>(index + 1), extended))
        return;
    m_doc.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
}

void CDeviceLink::OnStartTransfer(uint32_t total, bool serviceLog, uint8_t sampleIndex) {
    m_itemTotal = total;
    m_fieldCounter = 0;
    m_fieldTotal = 0;
    m_record.clear();
    if (!serviceLog) {
        if (total > 0 && RequestDataBlock(sampleIndex, 0))
            return;
        m_doc.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
        return;
    }
    if (total == 0) {
        m_doc.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
        return;
    }
    // The total travels with the update, so a view need not reach into the link for it.
    m_doc.UpdateViews(UPDATE_SERVICE_LOG_TOTAL, intptr_t(total));
    if (!RequestLogBlock(0))
        m_doc.UpdateViews(UPDATE_RECORD_FRONT, NO_RECORD);
}

void CDeviceLink::OnDataBlock(bool serviceLog, const uint8_t* p) {
    const size_t head = serviceLog ? 8 : 12;
    const uint8_t sampleIndex = serviceLog ? 0 : p[0];
    const uint32_t first = GetU32(p + head - 8);
    const uint32_t count = GetU32(p + head - 4);
    if (first >= m_itemTotal || count == 0) {
        m_doc.UpdateViews(UPDATE_RECORD_APPENDED, 0);
        return;
    }
    const PrcTable& table = m_doc.Registers();
    const uint8_t* item = p + head;
    for (uint32_t i = 0; i < count; ++i, item += ITEM_SIZE) {
        const uint8_t tag = item[0];
        uint32_t value = GetU32(item + 1);
        if (m_fieldCounter == 0) {
            // A record header: its tag counts the record's items, itself included. A tag of 0
            // would leave the record open forever and swallow every later item; it is taken
            // as a record of the header alone.
            m_fieldTotal = tag == 0 ? 1 : tag;
            m_record = FormatUnsigned(DeviceTimeToUtc(value));
            m_record += ',';
            m_record += FormatSigned(int(m_fieldTotal) - 1);
        } else {
            const int number = tag;
            if (number == PRC_LAST_SYNC_TIME || number == PRC_CURRENT_TIME || number == PRC_SHIFT_START_TIME)
                value = DeviceTimeToUtc(value);
            m_record += ',';
            m_record += FormatSigned(number);
            m_record += ',';
            const uint32_t type = table.Type(number);
            if (type & PRC_TYPE_INT)
                m_record += FormatUnsigned(value);
            else if (type & PRC_TYPE_FLOAT)
                m_record += FormatFixed(WordToFloat(value), 6);
            else
                m_record += '?';
        }
        if (++m_fieldCounter >= m_fieldTotal) {
            const uint32_t items = m_fieldTotal;
            m_doc.AppendRecord(std::move(m_record));
            m_record.clear();
            m_fieldCounter = 0;
            m_doc.UpdateViews(UPDATE_RECORD_APPENDED, items);
        }
    }
    if (m_cancel.exchange(false))
        return;
    const uint64_t next = uint64_t(first) + count;
    if (next >= m_itemTotal) {
        m_doc.UpdateViews(UPDATE_RECORD_APPENDED, 0);
        return;
    }
    const bool queued =
        serviceLog ? RequestLogBlock(uint32_t(next)) : RequestDataBlock(sampleIndex, uint32_t(next));
    if (!queued)
        m_doc.UpdateViews(UPDATE_RECORD_APPENDED, 0);
}

void CDeviceLink::OnText(uint8_t command, const uint8_t* p, size_t length) {
    const size_t width = (command == CMD_SET_TEMPLATE_NAME || command == CMD_GET_TEMPLATE_NAME)
                             ? TEMPLATE_NAME_SIZE
                             : SERIAL_TEXT_SIZE;
    std::string text = FixedText(p, std::min(length, width));
    switch (command) {
    case CMD_SET_TEMPLATE_NAME:
    case CMD_GET_TEMPLATE_NAME:
        m_doc.SetTemplateName(std::move(text));
        m_doc.UpdateViews(UPDATE_TEMPLATE_NAME, 0);
        break;
    case CMD_SET_SERIAL_TEXT:
        m_doc.SetSerialText(std::move(text));
        m_doc.UpdateViews(UPDATE_SERIAL_TEXT, 0);
        break;
    default:
        m_doc.OnSerialTextAnswer(std::move(text));
        break;
    }
}

} // namespace orvo
