// The exports section of orvo_bench: display table, sample data CSV and MSHA file of a downloaded
// sample of 100 k, 1 M and 10 M items, as orvoctl saves them. The time per item and the memory
// beyond the record list must stay flat: the files are written row by row, every row of them.

#include "BenchSections.h"
#include "SimStorage.h"
#include "TempDir.h"
#include "download/DisplayTable.h"
#include "model/PrcTable.h"
#include "platform/TimeZoneSource.h"
#include "results/CsvExport.h"
#include "results/ExportFile.h"
#include "results/MshaFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace orvo::bench {

namespace {

using Steady = std::chrono::steady_clock;

constexpr uint32_t kStart = 1700000000;
constexpr uint32_t kStep = 60; // a record a minute, shown at the download form's 60 s
constexpr int kRuns = 3;       // the best of these is reported

std::string ValueText(const PrcTable& registers, int number, uint64_t i) {
    if (number == 4) // status conditions come and go, so events and changes are made too
        return std::to_string(i % 400 == 0 ? 0x0003u : i % 200 == 0 ? 0x0002u : 0u);
    char text[32];
    if (registers.Type(number) & PRC_TYPE_FLOAT)
        std::snprintf(text, sizeof text, "%.6f", 20.0 + double((i * 7 + unsigned(number)) % 1000) * 0.013);
    else
        std::snprintf(text, sizeof text, "%llu",
                      static_cast<unsigned long long>((i * 13 + unsigned(number)) % 100000));
    return text;
}

std::string Record(const PrcTable& registers, uint32_t time, const std::vector<int>& numbers, uint64_t i) {
    std::string record = std::to_string(time) + "," + std::to_string(numbers.size());
    for (int n : numbers)
        record += "," + std::to_string(n) + "," + ValueText(registers, n, i);
    return record;
}

// The records of a sample the simulated monitor logs: header and footer with its header registers,
// data records with its data registers; `items` counts the 5-byte items a transfer would carry.
std::vector<std::string> MakeSample(size_t items, const PrcTable& registers) {
    const std::vector<int>& header = sim::SimStorage::HeaderRegisters();
    const std::vector<int>& data = sim::SimStorage::DataRegisters();
    const size_t perRecord = data.size() + 1;
    const size_t dataRecords = std::max<size_t>(1, (items - 2 * (header.size() + 1)) / perRecord);
    std::vector<std::string> records;
    records.reserve(dataRecords + 2);
    records.push_back(Record(registers, kStart, header, 0));
    for (size_t i = 0; i < dataRecords; ++i)
        records.push_back(Record(registers, kStart + kStep * uint32_t(i), data, i));
    records.push_back(Record(registers, kStart + kStep * uint32_t(dataRecords), header, 1));
    return records;
}

struct Figure {
    size_t items = 0;
    size_t rows = 0;
    size_t csvBytes = 0;
    size_t mshaBytes = 0;
    double table = 1e30, csv = 1e30, msha = 1e30;
    double recordsMb = 0; // what the record list itself holds
    double peakMb = 0;    // the most the table and both files took on top of it
    double Total() const { return table + csv + msha; }
};

double Seconds(Steady::time_point begin) {
    return std::chrono::duration<double>(Steady::now() - begin).count();
}

// Resident and peak resident memory from /proc (Linux), in MB; 0 elsewhere.
double StatusMb(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    double kb = 0;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, length) == 0)
            kb = std::atof(line + length);
    std::fclose(status);
    return kb / 1024.0;
}

// Lowers the peak to what is resident now, so the next figure is the step's own.
void ResetPeak() {
    if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", refs);
        std::fclose(refs);
    }
}

size_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size_t(size);
}

Figure Measure(size_t items, int runs, const PrcTable& registers, const std::string& folder) {
    const double before = StatusMb("VmRSS:");
    const std::vector<std::string> records = MakeSample(items, registers);
    Figure f;
    f.items = items;
    f.recordsMb = StatusMb("VmRSS:") - before;
    const std::string csvPath = folder + "/bench.CSV";
    const std::string mshaPath = folder + "/bench.MSHA";
    for (int run = 0; run < runs; ++run) {
        const double resident = StatusMb("VmRSS:");
        ResetPeak();
        auto begin = Steady::now();
        // What orvoctl builds: the summary keeps no rows; the files make every row again.
        const TimeZoneSource& zone = SystemTimeZone::Instance();
        const DisplayTable table = DisplayTable::Build(records, registers, zone, kStep, 0);
        f.table = std::min(f.table, Seconds(begin));

        ExportSource source;
        source.entry = std::to_string(kStart) + "," + std::to_string(kStart + kStep * records.size()) +
                       ",0," + std::to_string(items) + ",W1,4601234,K7P,Mine,Company,9,0010,7,M1,";
        source.records = &records;
        source.table = &table;
        source.registers = &registers;
        source.zone = &zone;
        source.serialNumber = "ORV1234567";
        source.newFirmware = true; // GMT forms and the serial text in place of register 1
        source.shift.notes = "bench";

        begin = Steady::now();
        const bool csvSaved = SaveExportFile(
            csvPath, [&source](const ExportSink& sink) { return CsvExport::WriteSampleData(source, sink); });
        f.csv = std::min(f.csv, csvSaved ? Seconds(begin) : 1e30);

        begin = Steady::now();
        const bool mshaSaved = MshaFile(source).Save(mshaPath);
        f.msha = std::min(f.msha, mshaSaved ? Seconds(begin) : 1e30);

        f.peakMb = std::max(f.peakMb, StatusMb("VmHWM:") - resident);
        f.rows = table.rowCount;
        f.csvBytes = FileSize(csvPath);
        f.mshaBytes = FileSize(mshaPath);
    }
    return f;
}

} // namespace

int RunExportsSection() {
    const PrcTable registers;
    const test::TempDir dir("orvo-bench");
    if (dir.Path().empty()) {
        std::perror("orvo_bench: temporary folder");
        return 1;
    }
    const std::string folder = dir.Path().string();
    std::printf("   records of %zu data registers (%zu items each), a row a minute, both files saved; "
                "best of %d (2 runs at 10 M)\n",
                sim::SimStorage::DataRegisters().size(), sim::SimStorage::DataRegisters().size() + 1, kRuns);
    std::vector<Figure> figures;
    for (size_t items : {size_t(100'000), size_t(1'000'000), size_t(10'000'000)}) {
        const Figure f = Measure(items, items >= 10'000'000 ? 2 : kRuns, registers, folder);
        const double total = f.Total();
        std::printf("   %8zu items, %7zu rows: table %7.1f ms, csv %7.1f ms, msha %7.1f ms = %8.1f ms "
                    "(%3.0f ns/item; table %2.0f%%, csv %2.0f%%, msha %2.0f%%); files %.1f + %.1f MB; "
                    "records %.0f MB, peak beyond them %.1f MB\n",
                    f.items, f.rows, f.table * 1e3, f.csv * 1e3, f.msha * 1e3, total * 1e3,
                    total * 1e9 / double(f.items), 100 * f.table / total, 100 * f.csv / total,
                    100 * f.msha / total, double(f.csvBytes) / 1e6, double(f.mshaBytes) / 1e6, f.recordsMb,
                    f.peakMb);
        std::fflush(stdout);
        figures.push_back(f);
    }
    const double ratio = figures[2].Total() / figures[1].Total();
    const double growth = figures[2].peakMb - figures[1].peakMb;
    std::printf("   10M/1M time ratio: %.2f (flat per item: 10; goal at most 12: %s)\n", ratio,
                GoalText(ratio <= 12.0));
    std::printf("   peak beyond the records, 10M against 1M: %+.1f MB (goal at most 8: %s)\n", growth,
                GoalText(growth <= 8.0));
    return 0;
}

} // namespace orvo::bench
