#include "service/LoggingTemplate.h"

#include <algorithm>
#include <cstring>

#include "model/PrcTable.h"
#include "platform/AtomicFile.h"
#include "link/DeviceRequests.h"
#include "platform/ReadFile.h"

namespace orvo {

namespace {

void PutLe32(char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = char(uint8_t(v >> (8 * i)));
}

uint32_t GetLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

std::string LoggingTemplate::Encode(const PrcTable& table) {
    std::string bytes(FILE_SIZE, '\0');
    for (int n = 0; n < PRC_COUNT; ++n) {
        const PrcLogging logging = table.Logging(n);
        char* record = bytes.data() + size_t(n) * RECORD_SIZE;
        record[0] = char(logging.mode);
        PutLe32(record + 1, logging.interval); // kept as the signed field's bit pattern
        uint32_t word;
        std::memcpy(&word, &logging.delta, sizeof word);
        PutLe32(record + 5, word);
    }
    return bytes;
}

bool LoggingTemplate::Save(const PrcTable& table, const std::string& path, std::string* reason) {
    return WriteFileAtomically(path, Encode(table), reason);
}

std::vector<LoggingTemplateRecord> LoggingTemplate::Decode(std::string_view bytes) {
    std::vector<LoggingTemplateRecord> records;
    for (size_t at = 0; at < bytes.size() && records.size() < size_t(PRC_COUNT); at += RECORD_SIZE) {
        uint8_t raw[RECORD_SIZE] = {};
        std::memcpy(raw, bytes.data() + at, std::min(RECORD_SIZE, bytes.size() - at));
        LoggingTemplateRecord record;
        record.mode = raw[0];
        record.interval = int32_t(GetLe32(raw + 1));
        const uint32_t word = GetLe32(raw + 5);
        std::memcpy(&record.delta, &word, sizeof word);
        records.push_back(record);
    }
    return records;
}

bool LoggingTemplate::Load(const std::string& path, std::vector<LoggingTemplateRecord>& records,
                           std::string* reason) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, reason, FILE_SIZE)) // nothing past the last record is read
        return false;
    records = Decode(bytes);
    return true;
}

uint32_t LoggingTemplate::LoggingCode(const LoggingTemplateRecord& record) {
    switch (record.mode) {
    case 0:
        return 0;
    case 1:
        return uint32_t(record.interval) + 1u;
    default:
        return 1;
    }
}

std::string LoggingTemplate::TemplateName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > NAME_BYTES)
        name.resize(NAME_BYTES);
    return name;
}

bool LoggingTemplate::Send(DeviceRequests& link, const std::vector<LoggingTemplateRecord>& records,
                           const std::string& path) {
    for (int n = 0; n < PRC_COUNT; ++n) {
        const bool inFile = size_t(n) < records.size();
        const uint32_t code = inFile ? LoggingCode(records[size_t(n)]) : 0;
        const float delta = inFile ? records[size_t(n)].delta : 0.0f;
        if (!link.SetLogging(n, code, delta))
            return false;
    }
    return link.SetTemplateName(TemplateName(path));
}

} // namespace orvo
