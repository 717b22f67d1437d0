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

} // namespace

bool HandScaledRegister(int registerNumber) {
    return registerNumber == PRC_MASS_FREQ_RAW || registerNumber == PRC_MASS_FREQ_CORRECTED ||
           registerNumber == PRC_AMBIENT_TEMP_RAW || registerNumber == PRC_AMBIENT_TEMPERATURE;
}

SampleResults SampleResults::FromDocument(const COrvodeskDoc& doc) {
    SampleResults results;
    results.m_registers = &doc.Registers();
    results.m_records = doc.Records();
    results.m_table =
        DisplayTable::Build(results.m_records, doc.Registers(), doc.Zone(), doc.DisplayInterval());
    results.m_source =
        ExportSource::FromDocument(doc, results.m_records, results.m_table, ShiftInformation{});
    return results;
}

SampleResults SampleResults::FromImport(const ImportedDataFile& file, const PrcTable& registers,
                                        const TimeZoneSource& zone) {
    SampleResults results;
    results.m_registers = &registers;
    results.m_records = file.records;
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
    source.records = &m_records;
    source.table = &m_table;
    source.registers = m_registers;
    return source;
}

// The proposed names are safe file names already: the serial number and the mine ID in them are
// names, never paths.
std::string SampleResults::SampleDataName() const {
    return CsvExport::SampleDataName(Source());
}

std::string SampleResults::MshaName() const {
    return MshaFile::ProposedName(Source());
}

std::string SampleResults::StatusListName() const {
    return CsvExport::StatusListName(Source());
}

// The files are written row by row from the records, every row of them.
bool SampleResults::SaveSampleData(const std::string& path, std::string* reason) const {
    const ExportSource source = Source();
    return SaveExportFile(
        path, [&source](const ExportSink& sink) { return CsvExport::WriteSampleData(source, sink); }, reason);
}

bool SampleResults::SaveMsha(const std::string& path, std::string* reason) const {
    const ExportSource source = Source();
    return MshaFile(source).Save(path, reason);
}

bool SampleResults::SaveStatusList(const std::string& path, std::string* reason) const {
    const ExportSource source = Source();
    return SaveExportFile(
        path, [&source](const ExportSink& sink) { return CsvExport::WriteStatusList(source, sink); }, reason);
}

CardContent SampleResults::Card() const {
    return BuildCardContent(m_source.entry, m_table, m_source.serialNumber, m_source.shift,
                            m_source.importedFile, *m_source.zone);
}

} // namespace orvo
