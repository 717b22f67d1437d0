#include "download/DataRecordAssembler.h"

#include <utility>

#include "link/Protocol.h"
#include "model/PrcRegisters.h"
#include "model/PrcTable.h"
#include "platform/Format.h"

namespace orvo {

DataRecordAssembler::DataRecordAssembler(const PrcTable& registers, TimeToUtc toUtc)
    : m_registers(registers), m_toUtc(std::move(toUtc)) {}

void DataRecordAssembler::Reset() {
    m_text.clear();
    m_counter = 0;
    m_total = 0;
}

std::optional<AssembledRecord> DataRecordAssembler::Feed(uint8_t tag, uint32_t value) {
    if (m_counter == 0) {
        // A tag of 0 would leave the record open forever and swallow every later item; it is
        // taken as a record of the header alone.
        m_total = tag == 0 ? 1 : tag;
        m_text = FormatUnsigned(m_toUtc(value));
        m_text += ',';
        m_text += FormatSigned(int(m_total) - 1);
    } else {
        const int number = tag;
        if (number == PRC_LAST_SYNC_TIME || number == PRC_CURRENT_TIME || number == PRC_SHIFT_START_TIME)
            value = m_toUtc(value);
        m_text += ',';
        m_text += FormatSigned(number);
        m_text += ',';
        const uint32_t type = m_registers.Type(number);
        if (type & PRC_TYPE_INT)
            m_text += FormatUnsigned(value);
        else if (type & PRC_TYPE_FLOAT)
            m_text += FormatFixed(WordToFloat(value), 6);
        else
            m_text += '?';
    }
    if (++m_counter < m_total)
        return std::nullopt;
    AssembledRecord done{std::move(m_text), m_total};
    Reset();
    return done;
}

} // namespace orvo
