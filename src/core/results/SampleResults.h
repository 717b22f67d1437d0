#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "download/DisplayTable.h"
#include "results/CardContent.h"
#include "results/ExportSource.h"
#include "results/ShiftInformation.h"

namespace orvo {

class COrvodeskDoc;
class ImportedDataFile;
class PrcTable;

// The screen shows at most this many display rows; the files carry all of them.
inline constexpr size_t kShownRowLimit = DisplayTable::kDisplayLimit;
inline constexpr const char* kShownRowLimitMessage = "Only the first 8640 records will be displayed.";

// One register over the shown display rows, as the chart draws it.
struct ChartData {
    std::vector<uint32_t> times; // UTC seconds of each row
    std::vector<double> values;  // the row's value text read as a number (0 when it is none)
    bool fixedAxis = false;      // the hand scale below applies; otherwise the chart scales itself
    double minimum = 0.0;        // 10 % of the range below the smallest value
    double maximum = 0.0;        // 10 % of the range above the largest
};

// The frequencies and ambient temperatures move little around a large value: their axis is set
// by hand so that the movement shows.
bool HandScaledRegister(int registerNumber);

// A sample ready for review: its display table, what the files and the card carry, and the
// names the save dialogs propose. Downloaded from a monitor or opened from a data file.
class SampleResults {
public:
    static SampleResults FromDocument(const COrvodeskDoc& doc);
    static SampleResults FromImport(const ImportedDataFile& file, const PrcTable& registers,
                                    const TimeZoneSource& zone);
    // The zone its local times are shown and written in.
    const TimeZoneSource& Zone() const { return *m_source.zone; }

    SampleResults() = default;
    SampleResults(const SampleResults&) = delete;
    SampleResults& operator=(const SampleResults&) = delete;
    SampleResults(SampleResults&&) = default;
    SampleResults& operator=(SampleResults&&) = default;

    const DisplayTable& Table() const { return m_table; }
    size_t ShownRows() const { return std::min(m_table.rows.size(), kShownRowLimit); }
    // More rows were made than the chart shows (the files hold them all).
    bool OverRowLimit() const { return m_table.rowCount > kShownRowLimit; }
    // Position of "Cum1 Conc" in the selector, or -1.
    int FirstFillPosition() const;
    ChartData Chart(int registerNumber) const;

    ShiftInformation& Shift() { return m_source.shift; }
    const ShiftInformation& Shift() const { return m_source.shift; }
    bool Imported() const { return m_source.importedFile; }
    const std::string& SerialNumber() const { return m_source.serialNumber; }
    const std::string& Entry() const { return m_source.entry; }

    // The exports' view of this sample; valid while this object lives and is not moved.
    ExportSource Source() const;
    std::string SampleDataName() const;
    std::string MshaName() const;
    std::string StatusListName() const;
    // Each writes its file whole or leaves the target as it was; false with the system's reason.
    bool SaveSampleData(const std::string& path, std::string* reason = nullptr) const;
    bool SaveMsha(const std::string& path, std::string* reason = nullptr) const;
    bool SaveStatusList(const std::string& path, std::string* reason = nullptr) const;

    CardContent Card() const;

private:
    std::vector<std::string> m_records; // the copy of the record list the table was built from
    DisplayTable m_table;
    ExportSource m_source; // its table pointer is set by Source()
    const PrcTable* m_registers = nullptr;
};

} // namespace orvo
