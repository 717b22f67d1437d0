#include "download/DisplayTable.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "download/RecordText.h"
#include "download/StatusText.h"
#include "model/PrcRegisters.h"
#include "model/PrcTable.h"
#include "platform/Format.h"
#include "platform/LocalTime.h"

namespace orvo {

namespace {

constexpr const char* kTimeRegisterFormat = "%H:%M:%S %m/%d/%Y";

// Walks a record's fields front to back, so a record is split once instead of being searched
// from its start for every field.
class FieldCursor {
public:
    explicit FieldCursor(std::string_view record) : m_rest(record) {}

    bool Next(std::string_view& field) {
        if (m_done)
            return false;
        const size_t comma = m_rest.find(',');
        if (comma == std::string_view::npos) {
            field = m_rest;
            m_done = true;
        } else {
            field = m_rest.substr(0, comma);
            m_rest.remove_prefix(comma + 1);
        }
        return true;
    }

private:
    std::string_view m_rest;
    bool m_done = false;
};

uint32_t FieldUnsigned(std::string_view field) {
    return RecordUnsigned(field, 0);
}

// Register numbers travel as a byte; anything bigger only comes from a damaged file and is
// kept as a number no real register has.
int RegisterNumber(std::string_view field) {
    return static_cast<int>(std::min<uint32_t>(FieldUnsigned(field), 0x3FFFFFFF));
}

// Calls visit(register, value) for the record's pairs: at most p of them (field 1), and
// never past the end of the text, so a damaged count cannot make the walk longer than the
// record. A pair whose value field is missing reads as "".
template <typename Visit> void ForEachPair(std::string_view record, size_t limit, Visit&& visit) {
    FieldCursor cursor(record);
    std::string_view field;
    cursor.Next(field); // time
    const uint32_t pairs = cursor.Next(field) ? FieldUnsigned(field) : 0;
    const size_t count = std::min<size_t>(pairs, limit);
    for (size_t i = 0; i < count; ++i) {
        std::string_view number;
        if (!cursor.Next(number))
            return;
        std::string_view value;
        if (!cursor.Next(value))
            value = {};
        if (!visit(RegisterNumber(number), value))
            return;
    }
}

// Register number -> columns, for every register a record may carry.
class ColumnIndex {
public:
    explicit ColumnIndex(const std::vector<int>& columns) : m_next(columns.size(), -1) {
        m_first.fill(-1);
        for (int c = static_cast<int>(columns.size()) - 1; c >= 0; --c) {
            const int reg = columns[c];
            int* head = Head(reg);
            if (!head) {
                m_large.push_back({reg, -1});
                head = &m_large.back().second;
            }
            m_next[c] = *head;
            *head = c;
        }
    }

    int First(int reg) const {
        if (reg >= 0 && reg < static_cast<int>(m_first.size()))
            return m_first[reg];
        for (const auto& [number, first] : m_large)
            if (number == reg)
                return first;
        return -1;
    }
    // The next column of the same register (a damaged first record may list one twice).
    int Next(int column) const { return m_next[column]; }

private:
    int* Head(int reg) {
        if (reg >= 0 && reg < static_cast<int>(m_first.size()))
            return &m_first[reg];
        for (auto& [number, first] : m_large)
            if (number == reg)
                return &first;
        return nullptr;
    }

    std::array<int, 256> m_first;
    std::vector<std::pair<int, int>> m_large;
    std::vector<int> m_next;
};

// Time register texts; the shift start and last sync rarely change, so most records reuse
// the previous text instead of converting again.
class TimeTextCache {
public:
    const std::string& Text(uint32_t value, const TimeZoneSource& zone) {
        if (!m_valid || value != m_value) {
            m_text = FormatLocalTime(zone, value, kTimeRegisterFormat);
            m_value = value;
            m_valid = true;
        }
        return m_text;
    }

private:
    bool m_valid = false;
    uint32_t m_value = 0;
    std::string m_text;
};

// The sample-and-hold state while the data records are applied in order: the current values, one
// per column, are kept in `current`. Events and changes go to the lists given (none when a walk
// only makes the rows again).
class RowBuilder {
public:
    RowBuilder(const ColumnIndex& index, const TimeZoneSource& zone, std::vector<std::string>& current,
               std::vector<StatusEntry>* events, std::vector<StatusEntry>* changes)
        : m_index(index), m_zone(zone), m_events(events), m_changes(changes), m_current(current) {}

    void Apply(std::string_view record, uint32_t time) {
        ForEachPair(record, SIZE_MAX, [&](int reg, std::string_view value) {
            const int column = m_index.First(reg);
            if (column < 0)
                return true;
            const std::string& text = ValueText(reg, value, time);
            for (int c = column; c >= 0; c = m_index.Next(c))
                m_current[c] = text;
            return true;
        });
    }

private:
    const std::string& ValueText(int reg, std::string_view value, uint32_t time) {
        switch (reg) {
        case PRC_STATUS_CODE:
            Status(FieldUnsigned(value) & 0xFFFFu, time);
            return m_accumulatedText;
        case PRC_LAST_SYNC_TIME:
            return m_lastSync.Text(FieldUnsigned(value), m_zone);
        case PRC_CURRENT_TIME:
            return m_currentTime.Text(FieldUnsigned(value), m_zone);
        case PRC_SHIFT_START_TIME:
            return m_shiftStart.Text(FieldUnsigned(value), m_zone);
        case PRC_MASS_REJECT_CODE:
            m_scratch = MassRejectText(FieldUnsigned(value));
            return m_scratch;
        default:
            m_scratch.assign(value);
            return m_scratch;
        }
    }

    // The column shows every condition seen so far; events and changes follow the mask itself.
    void Status(uint32_t mask, uint32_t time) {
        const uint32_t accumulated = m_accumulated | mask;
        if (accumulated != m_accumulated) {
            m_accumulated = accumulated;
            m_accumulatedText = StatusMaskText(accumulated);
        }
        const uint32_t risen = mask & ~m_previous;
        if (m_events)
            for (int bit = 0; bit < 16; ++bit)
                if (risen & (1u << bit))
                    m_events->push_back(StatusEntry{time, StatusBitText(bit)});
        if (m_changes && mask != m_previous)
            m_changes->push_back(StatusEntry{time, StatusConditionsText(mask)});
        m_previous = mask;
    }

    const ColumnIndex& m_index;
    const TimeZoneSource& m_zone;
    std::vector<StatusEntry>* m_events;
    std::vector<StatusEntry>* m_changes;
    std::vector<std::string>& m_current;
    uint32_t m_accumulated = 0;
    uint32_t m_previous = 0;
    std::string m_accumulatedText;
    std::string m_scratch;
    TimeTextCache m_lastSync, m_currentTime, m_shiftStart;
};

bool IsSelectorRegister(int reg) {
    return reg != PRC_LAST_SYNC_TIME && reg != PRC_CURRENT_TIME && reg != PRC_STATUS_CODE &&
           reg != PRC_SHIFT_START_TIME && reg != PRC_MASS_REJECT_CODE;
}

std::string FinalConcentration(std::string_view lastData) {
    const auto value = RecordPairValue(lastData, PRC_CUM1_CONC);
    return value ? FormatFixed(RecordDouble(*value, 0), 3) + " mg/m\xC2\xB3" : std::string();
}

} // namespace

// Rows at the table's interval from Start: a row is made before each record that passes it,
// carrying the values known before that record, and after the last record rows go on up to the
// footer's time. Records outside the window are skipped.
class DisplayRowCursor::Walk {
public:
    Walk(const std::vector<std::string>& records, const DisplayTable& table, const TimeZoneSource& zone,
         std::vector<StatusEntry>* events, std::vector<StatusEntry>* changes)
        : m_records(records), m_index(table.columns), m_builder(m_index, zone, m_row.values, events, changes),
          m_step(table.interval), m_start(table.windowStart), m_end(table.windowEnd),
          m_footerTime(RecordUnsigned(table.footer, 0)), m_rowTime(table.windowStart) {
        m_row.values.resize(table.columns.size());
        // Data records are records[1 .. n-2].
        if (records.size() >= 3 && records.size() == table.recordCount)
            m_dataEnd = records.size() - 1;
        else
            m_done = true;
    }

    const DisplayRow* Next() {
        while (!m_done) {
            if (m_pending) {
                // Rows before this record carry the values known before it.
                if (m_step > 0 && m_step <= m_pendingTime - m_rowTime)
                    return Emit(m_rowTime + m_step);
                ApplyPending();
            } else if (m_next < m_dataEnd) {
                Take();
            } else if (m_step > 0 && m_rowTime <= m_footerTime) {
                if (m_step > m_footerTime - m_rowTime)
                    m_done = true;
                return Emit(m_rowTime + m_step);
            } else {
                m_done = true;
            }
        }
        return nullptr;
    }

    // Counts the rows still to come without making them; the records are still applied, so the
    // status events and changes come out whole.
    size_t CountRest() {
        uint64_t count = 0;
        while (!m_done) {
            if (m_pending) {
                if (m_step > 0 && m_step <= m_pendingTime - m_rowTime) {
                    const int64_t rows = (m_pendingTime - m_rowTime) / m_step;
                    count += uint64_t(rows);
                    m_rowTime += rows * m_step;
                }
                ApplyPending();
            } else if (m_next < m_dataEnd) {
                Take();
            } else {
                if (m_step > 0 && m_rowTime <= m_footerTime)
                    count += uint64_t((m_footerTime - m_rowTime) / m_step) + 1;
                m_done = true;
            }
        }
        return static_cast<size_t>(std::min<uint64_t>(count, SIZE_MAX));
    }

private:
    // The next data record waits for the rows before it when it lies in the window.
    void Take() {
        const std::string& record = m_records[m_next];
        const int64_t t = RecordUnsigned(record, 0);
        if (t < m_start || t > m_end) {
            ++m_next;
            return;
        }
        m_pending = true;
        m_pendingTime = t;
    }

    void ApplyPending() {
        m_builder.Apply(m_records[m_next], static_cast<uint32_t>(m_pendingTime));
        m_pending = false;
        ++m_next;
    }

    // The row is the current values themselves: the next record changes them only when the
    // next row is asked for.
    const DisplayRow* Emit(int64_t nextRowTime) {
        m_row.time = static_cast<uint32_t>(m_rowTime);
        m_rowTime = nextRowTime;
        return &m_row;
    }

    const std::vector<std::string>& m_records;
    const ColumnIndex m_index;
    DisplayRow m_row;
    RowBuilder m_builder;
    const int64_t m_step;
    const int64_t m_start;
    const int64_t m_end;
    const int64_t m_footerTime;
    int64_t m_rowTime;
    size_t m_next = 1;
    size_t m_dataEnd = 1;
    bool m_pending = false;
    int64_t m_pendingTime = 0;
    bool m_done = false;
};

DisplayRowCursor::DisplayRowCursor(const std::vector<std::string>& records, const DisplayTable& table,
                                   const TimeZoneSource& zone)
    : m_walk(std::make_unique<Walk>(records, table, zone, nullptr, nullptr)) {}

DisplayRowCursor::~DisplayRowCursor() = default;

const DisplayRow* DisplayRowCursor::Next() {
    return m_walk->Next();
}

DisplayTable DisplayTable::Build(const std::vector<std::string>& records, const PrcTable& registers,
                                 const TimeZoneSource& zone, int64_t interval) {
    return Build(records, registers, zone, interval, kMaxRows);
}

DisplayTable DisplayTable::Build(const std::vector<std::string>& records, const PrcTable& registers,
                                 const TimeZoneSource& zone, int64_t interval, size_t maxRows) {
    DisplayTable table;
    table.interval = interval;
    table.recordCount = records.size();
    const size_t n = records.size();
    if (n >= 1) {
        table.header = records.front();
        table.footer = records.back();
    }
    if (n < 3)
        return table;

    // Data records are records[1 .. n-2].
    const size_t dataCount = n - 2;
    auto data = [&](size_t i) -> const std::string& { return records[1 + i]; };

    ForEachPair(data(0), kMaxColumns, [&](int reg, std::string_view) {
        table.columns.push_back(reg);
        return true;
    });
    const size_t rowLimit =
        std::min({maxRows, kMaxRows, kMaxCells / std::max<size_t>(1, table.columns.size())});
    for (int reg : table.columns)
        if (IsSelectorRegister(reg))
            table.selector.push_back(SelectorItem{registers.ShortName(reg), reg + 1});

    std::vector<uint32_t> times(dataCount);
    for (size_t i = 0; i < dataCount; ++i)
        times[i] = RecordUnsigned(data(i), 0);

    if (table.interval < 0) {
        int64_t smallest = -1;
        for (size_t i = 1; i < dataCount; ++i) {
            const int64_t difference = int64_t(times[i]) - int64_t(times[i - 1]);
            if (difference > 0 && (smallest < 0 || difference < smallest))
                smallest = difference;
        }
        if (smallest > 0)
            table.interval = smallest;
    }

    // The monitor's clock may have been set back during the sample: a footer earlier than the
    // start ends the window at the last record before time first went backwards.
    const int64_t start = times[0];
    const int64_t footerTime = RecordUnsigned(table.footer, 0);
    int64_t end = footerTime;
    if (footerTime < start) {
        for (size_t i = 1; i < dataCount; ++i) {
            if (times[i] < times[i - 1]) {
                end = times[i - 1];
                break;
            }
        }
    }
    table.windowStart = static_cast<uint32_t>(start);
    table.windowEnd = static_cast<uint32_t>(end);

    const int64_t step = table.interval;
    if (step > 0 && footerTime >= start)
        table.rows.reserve(static_cast<size_t>(std::min<int64_t>(
            {(footerTime - start) / step + 1, int64_t(dataCount) + 1024, int64_t(rowLimit)})));

    DisplayRowCursor::Walk walk(records, table, zone, &table.events, &table.changes);
    while (table.rows.size() < rowLimit) {
        const DisplayRow* row = walk.Next();
        if (!row)
            break;
        table.rows.push_back(*row);
    }
    table.rowCount = table.rows.size() + walk.CountRest();
    table.truncated = table.rowCount > table.rows.size();

    table.finalConcentration = FinalConcentration(data(dataCount - 1));
    return table;
}

std::optional<std::string_view> RecordPairValue(std::string_view record, int registerNumber) {
    std::optional<std::string_view> found;
    ForEachPair(record, SIZE_MAX, [&](int reg, std::string_view value) {
        if (reg != registerNumber)
            return true;
        found = value;
        return false;
    });
    return found;
}

std::string DisplayTable::RowText(size_t row) const {
    if (row >= rows.size())
        return {};
    const DisplayRow& r = rows[row];
    size_t length = 10;
    for (const std::string& value : r.values)
        length += 1 + value.size();
    std::string text;
    text.reserve(length);
    text = FormatUnsigned(r.time);
    for (const std::string& value : r.values) {
        text += ',';
        text += value;
    }
    return text;
}

const char* DisplayTable::DisplayLimitText() const {
    return rowCount > kDisplayLimit ? "Only the first 8640 records will be displayed." : "";
}

int DisplayTable::ColumnOf(int registerNumber) const {
    const auto it = std::find(columns.begin(), columns.end(), registerNumber);
    return it == columns.end() ? -1 : static_cast<int>(it - columns.begin());
}

} // namespace orvo
