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

    // STATUS CODE of a footer: the program ended the sample, or the host did.
    static constexpr uint32_t kProgramEnded = 0x0080;
    static constexpr uint32_t kEndedByHost = 0x0200;

    // Keeps a shift as the newest sample: programmed for `duration` seconds, of which `ran` were run (less
    // when the host ended it early). Its values follow the course of the whole programmed shift, as the
    // live readings did while it ran.
    void AppendShift(const SimShiftFields& fields, uint32_t startUtc, uint32_t duration, uint32_t ran,
                     uint32_t seed, const WordSource& words, uint32_t footerStatus = kProgramEnded);

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
    // `course`: the data records the profile is laid out for; `records`: how many of them are kept.
    void Add(int index, const SimShiftFields& fields, uint32_t startUtc, uint32_t duration, int records,
             int course, uint32_t seed, const WordSource& words, uint32_t footerStatus);

    std::vector<SimSample> m_samples;             // items left empty; they live in m_items
    std::vector<std::vector<StoredItem>> m_items; // parallel to m_samples
    std::vector<StoredItem> m_serviceLog;
};

} // namespace orvo::sim
