#pragma once

#include "SimTypes.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace orvo::sim {

// An item as kept: `time` marks values that travel on the device clock (record times, registers 2, 3, 11).
struct StoredItem {
    uint8_t tag;
    uint32_t value;
    bool time;
};

// The monitor's memory of finished samples and its service log, generated from a seed.
class SimStorage {
public:
    // The register word a header or footer record logs, when the sample has no value of its own.
    using WordSource = std::function<uint32_t(int number)>;

    // Registers in header/footer records (default logging Header/Footer, plus STATUS CODE) and in data
    // records (default logging Delta 60, plus STATUS CODE and Cum1 Conc), in ascending order.
    static const std::vector<int>& HeaderRegisters();
    static const std::vector<int>& DataRegisters();

    // Fills `count` samples: sample i starts (count - i) days before `todayDevice`'s day at 07:00 on the
    // device clock (fromDevice turns those into UTC), each with recordsPerSample data records one minute
    // apart. Sample count-1 is the latest. Also fills the service log, ending at nowUtc.
    void Generate(const SimConfig& config, uint32_t nowUtc, uint32_t todayDevice,
                  const std::function<uint32_t(uint32_t)>& fromDevice, const WordSource& words);

    // Keeps a finished shift as the newest sample.
    void AppendShift(const SimShiftFields& fields, uint32_t startUtc, uint32_t duration, uint32_t seed,
                     const WordSource& words);

    int Count() const { return int(m_samples.size()); }
    // nullptr for an unknown index.
    const SimSample* Sample(int index) const;
    const std::vector<StoredItem>* Items(int index) const;
    const std::vector<StoredItem>& ServiceLog() const { return m_serviceLog; }

    // The value of an item as it travels now: device-clock values on local time for old firmware.
    static uint32_t Transferred(const StoredItem& item, bool localClock, const SimZone& zone) {
        return item.time && localClock ? zone.ToLocal(item.value) : item.value;
    }

private:
    void Add(int index, const SimShiftFields& fields, uint32_t startUtc, uint32_t duration, int records,
             uint32_t seed, const WordSource& words);

    std::vector<SimSample> m_samples;             // items left empty; they live in m_items
    std::vector<std::vector<StoredItem>> m_items; // parallel to m_samples
    std::vector<StoredItem> m_serviceLog;
};

} // namespace orvo::sim
