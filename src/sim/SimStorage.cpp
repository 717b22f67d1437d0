#include "SimStorage.h"

#include "SimValues.h"
#include "link/Protocol.h"
#include "model/PrcTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvo::sim {

namespace {

constexpr int kStatusCode = 4;
constexpr int kProgramTime = 14;
constexpr int kMassF0 = 97;
constexpr int kCum1Conc = 111;
// A month of minutes; longer programs are cut so memory stays bounded.
constexpr int kMaxRecords = 31 * 24 * 60;
// Service-log records are keyed apart from every sample index.
constexpr uint64_t kServiceLogKey = 0xFFFF0000ULL;

std::vector<int> RegistersWhere(bool (*wanted)(int number, const PrcDefinition& d)) {
    std::vector<int> out;
    for (int n = 0; n < PRC_COUNT; ++n) {
        const PrcDefinition* d = FindPrcDefinition(n);
        if (d && wanted(n, *d))
            out.push_back(n);
    }
    return out;
}

bool IsTimeRegister(int number) {
    return number == 2 || number == 3 || number == 11;
}

SimShiftFields GeneratedFields(uint32_t seed, int index) {
    char digits[16];
    SimShiftFields f;
    std::snprintf(digits, sizeof digits, "%08u", unsigned(SimHash(seed, 0x1D, index) % 100000000u));
    f.wearerId = digits;
    std::snprintf(digits, sizeof digits, "46%05u", unsigned(SimHash(seed, 0x3E, index) % 100000u));
    f.mineId = digits;
    f.contractor = index % 2 ? "K7P" : "";
    f.mineName = "Simulated Mine No. " + std::to_string(1 + index % 3);
    f.companyName = "Simulated Coal Company";
    f.sampleType = static_cast<uint8_t>(1 + index % 4);
    f.mmu = "0010";
    f.occupation = "036";
    f.miin = "0";
    f.spare = "0";
    return f;
}

void AppendRecord(std::vector<StoredItem>& items, uint32_t timeUtc, const std::vector<int>& registers,
                  const std::function<uint32_t(int)>& word) {
    items.push_back({static_cast<uint8_t>(registers.size() + 1), timeUtc, true});
    for (int n : registers)
        items.push_back({static_cast<uint8_t>(n), word(n), IsTimeRegister(n)});
}

} // namespace

const std::vector<int>& SimStorage::HeaderRegisters() {
    static const std::vector<int> registers = RegistersWhere([](int n, const PrcDefinition& d) {
        return d.logMode == LOG_MODE_HEADER_FOOTER || n == kStatusCode;
    });
    return registers;
}

const std::vector<int>& SimStorage::DataRegisters() {
    static const std::vector<int> registers = RegistersWhere([](int n, const PrcDefinition& d) {
        return (d.logMode == LOG_MODE_DELTA && d.logInterval == 60) || n == kStatusCode || n == kCum1Conc;
    });
    return registers;
}

void SimStorage::Generate(const SimConfig& config, uint32_t nowUtc, uint32_t todayDevice,
                          const std::function<uint32_t(uint32_t)>& fromDevice, const WordSource& words) {
    m_samples.clear();
    m_items.clear();
    m_serviceLog.clear();

    const int count = std::clamp(config.storedSamples, 0, 255);
    const int records = std::clamp(config.recordsPerSample, 0, kMaxRecords);
    const uint32_t dayStart = todayDevice - todayDevice % 86400;
    for (int i = 0; i < count; ++i) {
        const uint32_t startDevice = dayStart - uint32_t(count - i) * 86400u + 7u * 3600u;
        Add(i, GeneratedFields(config.seed, i), fromDevice(startDevice), uint32_t(records) * 60u, records,
            records, config.seed, words, kProgramEnded);
    }

    const int logRecords = std::max(config.serviceLogRecords, 0);
    const SampleProfile profile = MakeSampleProfile(config.seed, kServiceLogKey, logRecords, false);
    const uint32_t lastMinute = nowUtc - nowUtc % 60;
    for (int k = 0; k < logRecords; ++k) {
        AppendRecord(
            m_serviceLog, lastMinute - uint32_t(logRecords - 1 - k) * 60u, DataRegisters(),
            [&](int n) { return SimWordOf(n, ProfileValue(profile, n, k, SimValueOf(n, words(n)))); });
    }
}

void SimStorage::AppendShift(const SimShiftFields& fields, uint32_t startUtc, uint32_t duration, uint32_t ran,
                             uint32_t seed, const WordSource& words, uint32_t footerStatus) {
    const int records = int(std::min<uint32_t>(ran / 60, kMaxRecords));
    const int course = int(std::min<uint32_t>(duration / 60, kMaxRecords));
    Add(Count(), fields, startUtc, ran, records, course, seed, words, footerStatus);
}

void SimStorage::Add(int index, const SimShiftFields& fields, uint32_t startUtc, uint32_t duration,
                     int records, int course, uint32_t seed, const WordSource& words, uint32_t footerStatus) {
    SimSample sample;
    sample.index = index;
    sample.startUtc = startUtc;
    sample.endUtc = startUtc + duration;
    sample.fields = fields;
    sample.fields.startUtc = startUtc;
    sample.fields.duration = duration;

    const SampleProfile profile = MakeSampleProfile(seed, uint64_t(index), course, true);
    const auto headerWord = [&](int n, uint32_t status) -> uint32_t {
        if (n == kStatusCode)
            return status;
        if (n == kProgramTime)
            return duration;
        if (n == kMassF0)
            return FloatToWord(static_cast<float>(profile.f0));
        return words(n);
    };

    std::vector<StoredItem> items;
    AppendRecord(items, startUtc, HeaderRegisters(), [&](int n) { return headerWord(n, 0); });
    for (int k = 0; k < records; ++k) {
        AppendRecord(items, startUtc + uint32_t(k + 1) * 60u, DataRegisters(), [&](int n) {
            if (n == kStatusCode)
                return ProfileStatus(profile, k);
            return SimWordOf(n, ProfileValue(profile, n, k, SimValueOf(n, words(n))));
        });
    }
    AppendRecord(items, sample.endUtc, HeaderRegisters(), [&](int n) { return headerWord(n, footerStatus); });

    m_samples.push_back(std::move(sample));
    m_items.push_back(std::move(items));
}

const SimSample* SimStorage::Sample(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return &m_samples[size_t(index)];
}

const std::vector<StoredItem>* SimStorage::Items(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return &m_items[size_t(index)];
}

} // namespace orvo::sim
