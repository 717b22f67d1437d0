#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orvo {

class PrcTable;

// One record text completed by an item, with the record's item count (header included).
struct AssembledRecord {
    std::string text;
    uint32_t items = 0;
};

// Turns the item stream of a sample or service-log transfer into record texts. A record is a
// header item, whose tag counts the record's items and whose value is the record time, then
// register pairs (tag = register number). Records may span blocks, so the state lives here
// between blocks and is reset when a transfer starts.
class DataRecordAssembler {
public:
    // Monitor time to UTC, for record times and registers 2, 3 and 11; the caller decides by
    // the firmware class at the time of decoding.
    using TimeToUtc = std::function<uint32_t(uint32_t)>;

    DataRecordAssembler(const PrcTable& registers, TimeToUtc toUtc);

    void Reset();
    // Takes one item; returns the record when this item completed it.
    std::optional<AssembledRecord> Feed(uint8_t tag, uint32_t value);
    bool InRecord() const { return m_counter != 0; }

private:
    const PrcTable& m_registers;
    TimeToUtc m_toUtc;
    std::string m_text;
    uint32_t m_counter = 0;
    uint32_t m_total = 0;
};

} // namespace orvo
