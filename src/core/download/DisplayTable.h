#pragma once

#include <cstddef>
#include <cstdint>
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
    // Rows are never made beyond this many, nor beyond kMaxCells values in all (each value is at
    // least one 32-byte text, so the cap keeps a table under about 256 MB). A 30-day service log
    // at one row a minute is 43 200 rows of some 25 values; only a damaged time (a footer years
    // after the start) goes far past the caps, and it must not exhaust memory.
    static constexpr size_t kMaxRows = 4'000'000;
    static constexpr size_t kMaxCells = 8'000'000;
    // The first data record never carries more pairs than a record has room for.
    static constexpr size_t kMaxColumns = 255;

    std::vector<int> columns;           // register numbers of the first data record's pairs
    std::vector<SelectorItem> selector; // chartable columns (not 2, 3, 4, 11, 103)
    int64_t interval = -1;              // seconds; negative when no rows could be made
    uint32_t windowStart = 0;
    uint32_t windowEnd = 0;
    std::vector<DisplayRow> rows;
    std::vector<StatusEntry> events;  // a condition bit turned on
    std::vector<StatusEntry> changes; // the whole mask changed
    // The record list's first and last texts. No records: both "". One record: it is the
    // header, the footer stays "" (a lone record cannot be both ends). Two records: header and
    // footer, nothing between, so no columns and no rows.
    std::string header;             // header record text ("" when there are no records)
    std::string footer;             // footer record text ("" with fewer than two records)
    std::string finalConcentration; // "%.3f mg/m³" of Cum1 Conc in the last data record, or ""
    bool truncated = false;         // the row limit was reached and later rows were not made

    // Builds the table. A negative interval asks for the automatic one (the smallest positive
    // difference between consecutive data record times). Time registers are shown on the zone's
    // wall clock.
    static DisplayTable Build(const std::vector<std::string>& records, const PrcTable& registers,
                              const TimeZoneSource& zone, int64_t interval = -1);
    // The same with a row limit of the caller's (a fuzz target, a preview), at most the default one.
    static DisplayTable Build(const std::vector<std::string>& records, const PrcTable& registers,
                              const TimeZoneSource& zone, int64_t interval, size_t maxRows);

    // The row as one text, "%lu%s": the time and ",value" per column ("" past the last row).
    std::string RowText(size_t row) const;
    // Column index of a register, or -1.
    int ColumnOf(int registerNumber) const;
};

// The value text of a register's first pair in a data record text, or nothing when the record
// has no such pair (a pair whose value field is missing has the value "").
std::optional<std::string_view> RecordPairValue(std::string_view record, int registerNumber);

} // namespace orvo
