#include "results/SampleResults.h"

#include <algorithm>
#include <cstdlib>

#include "download/RecordText.h"
#include "model/COrvodeskDoc.h"
#include "model/PrcRegisters.h"
#include "results/CsvExport.h"
#include "results/ExportFile.h"
#include "results/ImportedDataFile.h"
#include "results/MshaFile.h"

namespace orvo {

namespace {

constexpr const char* kCum1ConcName = "Cum1 Conc";

// The value text read as a number, as the chart always read it: the leading number, else 0.
double ChartValue(const std::string& text) {
    return text.empty() ? 0.0 : std::strtod(text.c_str(), nullptr);
}

// The serial number comes from a monitor or a file: in a proposed name it is a name, never a path.
std::string NameOnly(std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    return name;
}

} // namespace

bool HandScaledRegister(int registerNumber) {
    return registerNumber == PRC_MASS_FREQ_RAW || registerNumber == PRC_MASS_FREQ_CORRECTED ||
           registerNumber == PRC_AMBIENT_TEMP_RAW || registerNumber == PRC_AMBIENT_TEMPERATURE;
}

SampleResults SampleResults::FromDocument(const COrvodeskDoc& doc) {
    SampleResults results;
    results.m_registers = &doc.Registers();
    results.m_table = DisplayTable::Build(doc.Records(), doc.Registers(), doc.Zone(), doc.DisplayInterval());
    results.m_source = ExportSource::FromDocument(doc, results.m_table, ShiftInformation{});
    return results;
}

SampleResults SampleResults::FromImport(const ImportedDataFile& file, const PrcTable& registers,
                                        const TimeZoneSource& zone) {
    SampleResults results;
    results.m_registers = &registers;
    results.m_table = file.View(registers, zone);
    results.m_source = file.ForExport(results.m_table, registers, zone);
    return results;
}

int SampleResults::FirstFillPosition() const {
    for (size_t i = 0; i < m_table.selector.size(); ++i)
        if (m_table.selector[i].name == kCum1ConcName)
            return int(i);
    return -1;
}

ChartData SampleResults::Chart(int registerNumber) const {
    ChartData chart;
    const int column = m_table.ColumnOf(registerNumber);
    const size_t rows = ShownRows();
    chart.times.reserve(rows);
    chart.values.reserve(rows);
    for (size_t i = 0; i < rows; ++i) {
        const DisplayRow& row = m_table.rows[i];
        chart.times.push_back(row.time);
        chart.values.push_back(
            column >= 0 && size_t(column) < row.values.size() ? ChartValue(row.values[size_t(column)]) : 0.0);
    }
    if (HandScaledRegister(registerNumber) && !chart.values.empty()) {
        const auto [lo, hi] = std::minmax_element(chart.values.begin(), chart.values.end());
        const double range = *hi - *lo;
        chart.fixedAxis = true;
        chart.minimum = *lo - range * 0.1;
        chart.maximum = *hi + range * 0.1;
    }
    return chart;
}

ExportSource SampleResults::Source() const {
    ExportSource source = m_source;
    source.table = &m_table;
    source.registers = m_registers;
    return source;
}

std::string SampleResults::SampleDataName() const {
    return NameOnly(CsvExport::SampleDataName(Source()));
}

std::string SampleResults::MshaName() const {
    return NameOnly(MshaFile::ProposedName(Source()));
}

std::string SampleResults::StatusListName() const {
    return NameOnly(CsvExport::StatusListName(Source()));
}

bool SampleResults::SaveSampleData(const std::string& path, std::string* reason) const {
    return SaveExportFile(path, {CsvExport::SampleData(Source())}, reason);
}

bool SampleResults::SaveMsha(const std::string& path, std::string* reason) const {
    return MshaFile::Build(Source()).Save(path, reason);
}

bool SampleResults::SaveStatusList(const std::string& path, std::string* reason) const {
    return SaveExportFile(path, {CsvExport::StatusList(Source())}, reason);
}

CardContent SampleResults::Card() const {
    return BuildCardContent(m_source.entry, m_table, m_source.serialNumber, m_source.shift,
                            m_source.importedFile, *m_source.zone);
}

} // namespace orvo
