#include "model/ShiftProgram.h"

#include <algorithm>
#include <cstring>

#include "link/Protocol.h"
#include "platform/Format.h"
#include "platform/TimeConversion.h"

namespace orvo {

namespace {

// Fixed-width text field: at most `width` characters, the rest zero; no terminator when full.
void PutText(uint8_t* field, size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

void Add(std::string& out, const std::string& field) {
    out += ',';
    out += field;
}

} // namespace

std::vector<uint8_t> EncodeShortProgram(const ShiftProgram& s, const TimeZoneSource& zone) {
    std::vector<uint8_t> p(SHORT_PROGRAM_SIZE, 0);
    PutText(&p[0], 8, s.wearerId);
    PutText(&p[8], 7, s.mineId);
    PutText(&p[15], 3, s.contractorCode);
    PutText(&p[18], 32, s.mineName);
    PutText(&p[50], 32, s.companyName);
    PutU32(&p[84], s.startTime == 0 ? 0 : UtcToMonitorLocal(s.startTime, zone));
    PutU32(&p[88], s.duration);
    p[92] = s.sampleType;
    PutText(&p[93], 4, s.mmu);
    PutText(&p[97], 3, s.occupationText);
    PutU32(&p[100], s.miinNumber);
    PutU32(&p[104], s.spareNumber);
    return p;
}

std::vector<uint8_t> EncodeLongProgram(const ShiftProgram& s) {
    std::vector<uint8_t> p(LONG_PROGRAM_SIZE, 0);
    PutText(&p[0], 32, s.wearerId);
    PutText(&p[32], 32, s.mineId);
    PutText(&p[64], 32, s.contractorCode);
    PutText(&p[96], 32, s.mineName);
    PutText(&p[128], 32, s.companyName);
    PutU32(&p[160], s.startTime);
    PutU32(&p[164], s.duration);
    p[168] = s.sampleType;
    PutText(&p[169], 32, s.mmu);
    PutU32(&p[204], s.occupationCode);
    PutText(&p[208], 32, s.miinText);
    PutText(&p[240], 32, s.spareText);
    return p;
}

std::optional<std::string> ShortProgramRecordText(const uint8_t* p, size_t length, const TimeZoneSource& zone,
                                                  int64_t now) {
    if (length < SHORT_PROGRAM_RECORD_SIZE)
        return std::nullopt;
    const uint32_t start = MonitorLocalToUtc(GetU32(p + 84), zone, now);
    const uint32_t end = start + GetU32(p + 88);
    std::string text = FormatUnsigned(start);
    Add(text, FormatUnsigned(end));
    text += ",-,-";
    Add(text, FixedText(p + 1, 8));
    Add(text, FixedText(p + 9, 7));
    Add(text, FixedText(p + 16, 3));
    Add(text, FixedText(p + 19, 32));
    Add(text, FixedText(p + 51, 32));
    Add(text, FormatSigned(p[92]));
    Add(text, FixedText(p + 93, 4));
    Add(text, FixedText(p + 97, 3));
    Add(text, FormatUnsigned(GetU32(p + 100)));
    Add(text, FormatUnsigned(GetU32(p + 104)));
    return text;
}

std::optional<std::string> LongProgramRecordText(const uint8_t* p, size_t length) {
    if (length < LONG_PROGRAM_RECORD_SIZE)
        return std::nullopt;
    const uint32_t start = GetU32(p + 164);
    const uint32_t end = start + GetU32(p + 168);
    std::string text = FormatUnsigned(start);
    Add(text, FormatUnsigned(end));
    text += ",-,-";
    for (size_t offset : {1, 33, 65, 97, 129})
        Add(text, FixedText(p + offset, 32));
    Add(text, FormatSigned(p[172]));
    Add(text, FixedText(p + 173, 32));
    Add(text, FormatUnsigned(GetU32(p + 208)));
    Add(text, FixedText(p + 212, 32));
    Add(text, FixedText(p + 244, 32));
    return text;
}

} // namespace orvo
