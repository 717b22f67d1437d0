#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvo {

class PrcTable;

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
    std::vector<int> columns;          // register numbers of the first data record's pairs
    std::vector<SelectorItem> selector; // chartable columns (not 2, 3, 4, 11, 103)
    int64_t interval = -1;              // seconds; negative when no rows could be made
    uint32_t windowStart = 0;
    uint32_t windowEnd = 0;
    std::vector<DisplayRow> rows;
    std::vector<StatusEntry> events;  // a condition bit turned on
    std::vector<StatusEntry> changes; // the whole mask changed
    std::string header;               // header record text ("" when there are no records)
    std::string footer;               // footer record text ("" with fewer than two records)
    std::string finalConcentration;   // "%.3f mg/m³" of Cum1 Conc in the last data record, or ""

    // Builds the table. A negative interval asks for the automatic one (the smallest positive
    // difference between consecutive data record times). Time registers are shown in the
    // computer's local time.
    static DisplayTable Build(const std::vector<std::string>& records, const PrcTable& registers,
                              int64_t interval = -1);

    // The row as one text, "%lu%s": the time and ",value" per column.
    std::string RowText(size_t row) const;
    // Column index of a register, or -1.
    int ColumnOf(int registerNumber) const;
};

} // namespace orvo
