#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvo {

class PrcTable;
class TimeZoneSource;

struct DisplayRow {
    uint32_t time = 0;               // UTC seconds
    std::vector<std::string> values; // one text per column, in column order
};

struct StatusEntry {
    uint32_t time = 0; // UTC seconds of the record that brought it
    std::string text;
};

struct SelectorItem {
    std::string name; // the register's short name
    int data = 0;     // register number + 1
};

// A downloaded sample turned into rows at a fixed interval: built once from the record list
// (header record, data records, footer record), in one pass over the records.
struct DisplayTable {
    // Rows are never kept beyond this many, nor beyond kMaxCells values in all (each value is at
    // least one 32-byte text, so the cap keeps a table under about 256 MB); later rows are only
    // counted. Only a damaged time (a footer years after the start) goes far past the caps. The
    // exports make every row again from the records (DisplayRowCursor) and never read `rows`.
    static constexpr size_t kMaxRows = 4'000'000;
    static constexpr size_t kMaxCells = 8'000'000;
    // The first data record never carries more pairs than a record has room for.
    static constexpr size_t kMaxColumns = 255;
    // The results form and the Data Import window chart at most this many rows.
    static constexpr size_t kDisplayLimit = 8640;

    std::vector<int> columns;           // register numbers of the first data record's pairs
    std::vector<SelectorItem> selector; // chartable columns (not 2, 3, 4, 11, 103)
    int64_t interval = -1;              // seconds; negative when no rows could be made
    uint32_t windowStart = 0;
    uint32_t windowEnd = 0;
    std::vector<DisplayRow> rows;     // the first rows, up to the row cap
    size_t rowCount = 0;              // every row the records make: what the exports write
    std::vector<StatusEntry> events;  // a condition bit turned on
    std::vector<StatusEntry> changes; // the whole mask changed
    // The record list's first and last texts. No records: both "". One record: it is both.
    // Two records: header and footer, nothing between, so no columns and no rows.
    std::string header;             // header record text ("" when there are no records)
    std::string footer;             // footer record text ("" when there are no records)
    std::string finalConcentration; // "%.3f mg/m³" of Cum1 Conc in the last data record, or ""
    bool truncated = false;         // `rows` holds fewer than rowCount
    size_t recordCount = 0;         // the size of the record list it was built from

    // Builds the table. A negative interval asks for the automatic one (the smallest positive
    // difference between consecutive data record times). Time registers are shown on the zone's
    // wall clock.
    static DisplayTable Build(const std::vector<std::string>& records, const PrcTable& registers,
                              const TimeZoneSource& zone, int64_t interval = -1);
    // The same keeping at most `maxRows` rows (a fuzz target, a summary without rows), at most
    // the default cap; rowCount still counts them all.
    static DisplayTable Build(const std::vector<std::string>& records, const PrcTable& registers,
                              const TimeZoneSource& zone, int64_t interval, size_t maxRows);

    // The row as one text, "%lu%s": the time and ",value" per column ("" past the last row).
    std::string RowText(size_t row) const;
    // Column index of a register, or -1.
    int ColumnOf(int registerNumber) const;
    // What the screen says when it cannot chart every row: "Only the first 8640 records will be
    // displayed.", or "" when every row fits.
    const char* DisplayLimitText() const;
};

// The rows of a display table made again, one at a time, from the record list it was built from,
// so that an export of any length holds one row at a time. The table gives the columns, interval
// and window; the records must be the ones it was built from (a list of another size makes none),
// and the zone the one it was built on.
class DisplayRowCursor {
public:
    DisplayRowCursor(const std::vector<std::string>& records, const DisplayTable& table,
                     const TimeZoneSource& zone);
    ~DisplayRowCursor();
    DisplayRowCursor(const DisplayRowCursor&) = delete;
    DisplayRowCursor& operator=(const DisplayRowCursor&) = delete;

    // The next row, or nullptr after the last. The row stays valid until the next call.
    const DisplayRow* Next();

private:
    friend struct DisplayTable; // builds its rows with the same walk
    class Walk;
    std::unique_ptr<Walk> m_walk;
};

// The value text of a register's first pair in a data record text, or nothing when the record
// has no such pair (a pair whose value field is missing has the value "").
std::optional<std::string_view> RecordPairValue(std::string_view record, int registerNumber);

} // namespace orvo
