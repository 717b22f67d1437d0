#include "SimLayouts.h"

#include "link/Protocol.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace orvo::sim {

namespace {

uint32_t TextNumber(const std::string& text) {
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
}

uint32_t ToLocalOrZero(uint32_t utc, const SimZone& zone) {
    return utc == 0 ? 0 : zone.ToLocal(utc);
}

} // namespace

std::string GetText(const uint8_t* field, size_t width) {
    const auto* end = static_cast<const uint8_t*>(std::memchr(field, 0, width));
    const size_t length = end ? size_t(end - field) : width;
    return std::string(reinterpret_cast<const char*>(field), length);
}

void PutText(uint8_t* field, size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

SimShiftFields ParseShortProgram(const uint8_t* p, const SimZone& zone) {
    SimShiftFields f;
    f.wearerId = GetText(p + 0, 8);
    f.mineId = GetText(p + 8, 7);
    f.contractor = GetText(p + 15, 3);
    f.mineName = GetText(p + 18, 32);
    f.companyName = GetText(p + 50, 32);
    const uint32_t start = GetU32(p + 84);
    f.startUtc = start == 0 ? 0 : zone.FromLocal(start);
    f.duration = GetU32(p + 88);
    f.sampleType = p[92];
    f.mmu = GetText(p + 93, 4);
    f.occupation = GetText(p + 97, 3);
    f.miin = std::to_string(GetU32(p + 100));
    f.spare = std::to_string(GetU32(p + 104));
    return f;
}

SimShiftFields ParseLongProgram(const uint8_t* p) {
    SimShiftFields f;
    f.wearerId = GetText(p + 0, 32);
    f.mineId = GetText(p + 32, 32);
    f.contractor = GetText(p + 64, 32);
    f.mineName = GetText(p + 96, 32);
    f.companyName = GetText(p + 128, 32);
    f.startUtc = GetU32(p + 160);
    f.duration = GetU32(p + 164);
    f.sampleType = p[168];
    f.mmu = GetText(p + 169, 32);
    f.occupation = std::to_string(GetU32(p + 204));
    f.miin = GetText(p + 208, 32);
    f.spare = GetText(p + 240, 32);
    return f;
}

std::vector<uint8_t> EncodeShortProgramRecord(const SimShiftFields& f, const SimZone& zone) {
    std::vector<uint8_t> out(SHORT_PROGRAM_RECORD_SIZE, 0);
    uint8_t* p = out.data();
    PutText(p + 1, 8, f.wearerId);
    PutText(p + 9, 7, f.mineId);
    PutText(p + 16, 3, f.contractor);
    PutText(p + 19, 32, f.mineName);
    PutText(p + 51, 32, f.companyName);
    PutU32(p + 84, ToLocalOrZero(f.startUtc, zone));
    PutU32(p + 88, f.duration);
    p[92] = f.sampleType;
    PutText(p + 93, 4, f.mmu);
    PutText(p + 97, 3, f.occupation);
    PutU32(p + 100, TextNumber(f.miin));
    PutU32(p + 104, TextNumber(f.spare));
    return out;
}

std::vector<uint8_t> EncodeLongProgramRecord(const SimShiftFields& f) {
    std::vector<uint8_t> out(LONG_PROGRAM_RECORD_SIZE, 0);
    uint8_t* p = out.data();
    PutText(p + 1, 32, f.wearerId);
    PutText(p + 33, 32, f.mineId);
    PutText(p + 65, 32, f.contractor);
    PutText(p + 97, 32, f.mineName);
    PutText(p + 129, 32, f.companyName);
    PutU32(p + 164, f.startUtc);
    PutU32(p + 168, f.duration);
    p[172] = f.sampleType;
    PutText(p + 173, 32, f.mmu);
    PutU32(p + 208, TextNumber(f.occupation));
    PutText(p + 212, 32, f.miin);
    PutText(p + 244, 32, f.spare);
    return out;
}

std::vector<uint8_t> EncodeShortEntry(const SimSample& s, uint32_t itemCount, const SimZone& zone) {
    std::vector<uint8_t> out(SHORT_ENTRY_SIZE, 0);
    uint8_t* p = out.data();
    const SimShiftFields& f = s.fields;
    p[0] = static_cast<uint8_t>(s.index);
    PutU32(p + 4, zone.ToLocal(s.startUtc));
    PutU32(p + 8, zone.ToLocal(s.endUtc));
    PutU32(p + 12, itemCount);
    PutText(p + 16, 8, f.wearerId);
    PutText(p + 24, 7, f.mineId);
    PutText(p + 31, 3, f.contractor);
    PutText(p + 34, 32, f.mineName);
    PutText(p + 66, 32, f.companyName);
    p[98] = f.sampleType;
    PutText(p + 99, 4, f.mmu);
    PutText(p + 103, 3, f.occupation);
    PutU32(p + 108, TextNumber(f.miin));
    PutU32(p + 112, TextNumber(f.spare));
    return out;
}

std::vector<uint8_t> EncodeLongEntry(const SimSample& s, uint32_t itemCount) {
    std::vector<uint8_t> out(LONG_ENTRY_SIZE, 0);
    uint8_t* p = out.data();
    const SimShiftFields& f = s.fields;
    p[0] = static_cast<uint8_t>(s.index);
    PutU32(p + 4, s.startUtc);
    PutU32(p + 8, s.endUtc);
    PutU32(p + 12, itemCount);
    PutText(p + 16, 32, f.wearerId);
    PutText(p + 48, 32, f.mineId);
    PutText(p + 80, 32, f.contractor);
    PutText(p + 112, 32, f.mineName);
    PutText(p + 144, 32, f.companyName);
    p[176] = f.sampleType;
    PutText(p + 177, 32, f.mmu);
    PutU32(p + 212, TextNumber(f.occupation));
    PutText(p + 216, 32, f.miin);
    PutText(p + 248, 32, f.spare);
    return out;
}

} // namespace orvo::sim
