// The monitor's answers, command by command.

#include "SimLayouts.h"
#include "SimMonitor.h"
#include "SimValues.h"
#include "link/Protocol.h"

#include <algorithm>

namespace orvo::sim {

namespace {

constexpr int kSerialNumber = 1;
constexpr int kCurrentTime = 3;
constexpr int kShiftStartTime = 11;
constexpr int kWarmupTime = 12;
constexpr int kProgramTime = 14;

void PushU32(std::vector<uint8_t>& out, uint32_t v) {
    const size_t at = out.size();
    out.resize(at + 4);
    PutU32(out.data() + at, v);
}

void PushText(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

bool RegisterNumbersValid(const uint8_t* numbers, size_t count, size_t stride) {
    for (size_t i = 0; i < count; ++i)
        if (numbers[i * stride] >= PRC_COUNT)
            return false;
    return true;
}

} // namespace

bool SimMonitor::Answer(uint8_t command, const uint8_t* p, size_t n, std::vector<uint8_t>& answer) {
    const bool old = OldClass();
    if (old &&
        ((command >= CMD_SET_SERIAL_TEXT && command <= CMD_GET_LOG_BLOCK) || command == CMD_GET_STATUS_EX))
        return false;
    if (!old && command == CMD_GET_STATUS && !m_config.answersOldCommands)
        return false;

    const int64_t now = m_clock.NowMs();
    switch (command) {
    case CMD_GET_STATUS:
        if (n != 0)
            return false;
        answer.resize(STATUS_A_SIZE, 0);
        PutU32(answer.data(), WordNow(kSerialNumber));
        PutU32(answer.data() + 4, FloatToWord(m_config.firmware));
        answer[12] = static_cast<uint8_t>(StateNow());
        PutU32(answer.data() + 16, WordNow(kCurrentTime));
        return true;

    case CMD_GET_STATUS_EX:
        if (n != 0)
            return false;
        answer.resize(STATUS_B_SIZE, 0);
        PutU32(answer.data(), FloatToWord(m_config.firmware));
        answer[4] = static_cast<uint8_t>(StateNow());
        PutU32(answer.data() + 8, WordNow(kCurrentTime));
        return true;

    case CMD_FACTORY_RESET: {
        if (n != 0)
            return false;
        const double serial = m_registers[kSerialNumber].value;
        ResetRegisters();
        m_registers[kSerialNumber].value = serial;
        m_factoryReset = true;
        return true;
    }

    case CMD_READ_PRC: {
        if (n < 1 || p[0] < 1 || p[0] > MAX_REGISTERS_PER_REQUEST || n != size_t(1 + p[0]) ||
            !RegisterNumbersValid(p + 1, p[0], 1))
            return false;
        answer = {p[0], 0, 0, 0};
        for (size_t i = 0; i < p[0]; ++i)
            PutRegisterEntry(answer, p[1 + i]);
        return true;
    }

    case CMD_WRITE_PRC: {
        if (n < 4 || p[0] < 1 || p[0] > MAX_REGISTERS_PER_REQUEST || n != 4 + REGISTER_ENTRY_SIZE * p[0] ||
            !RegisterNumbersValid(p + 4, p[0], REGISTER_ENTRY_SIZE))
            return false;
        for (size_t i = 0; i < p[0]; ++i) {
            const uint8_t* entry = p + 4 + REGISTER_ENTRY_SIZE * i;
            WriteRegister(entry[0], GetU32(entry + 4));
        }
        answer = {p[0], 0, 0, 0};
        for (size_t i = 0; i < p[0]; ++i)
            PutRegisterEntry(answer, p[4 + REGISTER_ENTRY_SIZE * i]);
        return true;
    }

    case CMD_READ_PRC_FULL:
        if (n != 1 || p[0] >= PRC_COUNT)
            return false;
        PutFullRegister(answer, p[0]);
        return true;

    case CMD_SET_PRC_LOGGING:
        if (n != 12 || p[0] >= PRC_COUNT)
            return false;
        m_registers[p[0]].loggingCode = GetU32(p + 4);
        m_registers[p[0]].delta = WordToFloat(GetU32(p + 8));
        PutFullRegister(answer, p[0]);
        return true;

    case CMD_GET_SHIFT_PROGRAM:
        if (n != 0)
            return false;
        answer = EncodeShortProgramRecord(m_program.Fields(), Zone());
        return true;

    case CMD_GET_SHIFT_PROGRAM_EX:
        if (n != 0)
            return false;
        answer = EncodeLongProgramRecord(m_program.Fields());
        return true;

    case CMD_PROGRAM_SHIFT:
    case CMD_PROGRAM_SHIFT_EX: {
        const bool shortLayout = command == CMD_PROGRAM_SHIFT;
        if (n != (shortLayout ? SHORT_PROGRAM_SIZE : LONG_PROGRAM_SIZE))
            return false;
        const SimZone zone = Zone();
        const SimShiftFields fields = shortLayout ? ParseShortProgram(p, zone) : ParseLongProgram(p);
        const int64_t device = DeviceUtcMs();
        if (m_program.StateAt(now, device) == SimProgram::Running) {
            // A new program ends the running sample early; it is kept as far as it got.
            m_storage.AppendShift(
                m_program.Fields(), m_program.StartUtc(), m_program.Duration(),
                m_program.SecondsRun(now, device), m_config.seed, [this](int r) { return WordNow(r); },
                SimStorage::kEndedByHost);
        }
        const uint32_t warmup = SimWordOf(kWarmupTime, m_registers[kWarmupTime].value);
        m_program.Program(fields, std::vector<uint8_t>(p, p + n), now, DeviceUtcMs(), warmup,
                          m_config.timeScale);
        m_registers[kShiftStartTime].pinned = false;
        m_registers[kShiftStartTime].value = m_program.HasProgram() ? ToDevice(m_program.StartUtc()) : 0;
        if (m_program.HasProgram() && fields.duration > 0)
            m_registers[kProgramTime].value = fields.duration;
        answer = shortLayout ? EncodeShortProgramRecord(fields, zone) : EncodeLongProgramRecord(fields);
        return true;
    }

    case CMD_GET_SAMPLE_COUNT:
        if (n != 0)
            return false;
        answer = {static_cast<uint8_t>(std::min(m_storage.Count(), 255))};
        return true;

    case CMD_GET_SAMPLE_ENTRY:
    case CMD_GET_SAMPLE_ENTRY_EX: {
        if (n != 1)
            return false;
        const SimSample* sample = m_storage.Sample(p[0]);
        if (!sample)
            return false;
        const auto itemCount = static_cast<uint32_t>(m_storage.Items(p[0])->size());
        answer = command == CMD_GET_SAMPLE_ENTRY ? EncodeShortEntry(*sample, itemCount, Zone())
                                                 : EncodeLongEntry(*sample, itemCount);
        return true;
    }

    case CMD_START_SAMPLE_DATA: {
        if (n != 1)
            return false;
        const auto* items = m_storage.Items(p[0]);
        answer = {p[0], 0, 0, 0};
        PushU32(answer, items ? static_cast<uint32_t>(items->size()) : 0);
        return true;
    }

    case CMD_GET_DATA_BLOCK:
        if (n != 8)
            return false;
        answer = {p[0], 0, 0, 0};
        return AnswerBlock(m_storage.Items(p[0]), GetU32(p + 4), 12, answer);

    case CMD_START_SERVICE_LOG:
        if (n != 0)
            return false;
        PushU32(answer, static_cast<uint32_t>(m_storage.ServiceLog().size()));
        return true;

    case CMD_GET_LOG_BLOCK:
        if (n != 4)
            return false;
        return AnswerBlock(&m_storage.ServiceLog(), GetU32(p), 8, answer);

    case CMD_SET_TEMPLATE_NAME:
        if (n > TEMPLATE_NAME_SIZE)
            return false;
        m_templateName = GetText(p, n);
        PushText(answer, m_templateName);
        return true;

    case CMD_GET_TEMPLATE_NAME:
        if (n != 0)
            return false;
        PushText(answer, m_templateName);
        return true;

    case CMD_SET_SERIAL_TEXT:
        if (n > SERIAL_TEXT_SIZE)
            return false;
        m_serialText = GetText(p, n);
        PushText(answer, m_serialText);
        return true;

    case CMD_GET_SERIAL_TEXT:
        if (n != 0)
            return false;
        PushText(answer, m_serialText);
        return true;

    default:
        return false;
    }
}

bool SimMonitor::AnswerBlock(const std::vector<StoredItem>* items, uint32_t first, size_t headerSize,
                             std::vector<uint8_t>& answer) const {
    // Never more than the host's receive buffer holds: command, sequence, block header, items, check.
    const size_t fit = (FRAME_MAX_BODY - 4 - headerSize) / ITEM_SIZE;
    const size_t total = items ? items->size() : 0;
    const size_t count =
        first < total ? std::min({size_t(m_config.maxItemsPerBlock), fit, total - first}) : 0;
    PushU32(answer, first);
    PushU32(answer, static_cast<uint32_t>(count));
    const bool local = OldClass();
    const SimZone zone = Zone();
    for (size_t i = 0; i < count; ++i) {
        const StoredItem& item = (*items)[first + i];
        answer.push_back(item.tag);
        PushU32(answer, SimStorage::Transferred(item, local, zone));
    }
    return true;
}

} // namespace orvo::sim
