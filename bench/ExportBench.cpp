// The exports section of orvo_bench: display table, sample data CSV and MSHA file of a downloaded
// sample of 10 k, 100 k and 1 M items, as the results form makes them. The time per item must stay
// flat: a 30-day service log is exported row by row.

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
    double table = 1e30, csv = 1e30, msha = 1e30, save = 1e30;
    double Total() const { return table + csv + msha; }
};

double Seconds(Steady::time_point begin) {
    return std::chrono::duration<double>(Steady::now() - begin).count();
}

Figure Measure(size_t items, const PrcTable& registers, const std::string& folder) {
    const std::vector<std::string> records = MakeSample(items, registers);
    Figure f;
    f.items = items;
    for (int run = 0; run < kRuns; ++run) {
        auto begin = Steady::now();
        const DisplayTable table = DisplayTable::Build(records, registers, SystemTimeZone::Instance(), kStep);
        f.table = std::min(f.table, Seconds(begin));

        ExportSource source;
        source.entry = std::to_string(kStart) + "," + std::to_string(kStart + kStep * records.size()) +
                       ",0," + std::to_string(items) + ",W1,4601234,K7P,Mine,Company,9,0010,7,M1,";
        source.table = &table;
        source.registers = &registers;
        source.zone = &SystemTimeZone::Instance();
        source.serialNumber = "ORV1234567";
        source.newFirmware = true; // GMT forms and the serial text in place of register 1
        source.shift.notes = "bench";

        begin = Steady::now();
        const std::string csv = CsvExport::SampleData(source);
        f.csv = std::min(f.csv, Seconds(begin));

        begin = Steady::now();
        const MshaFile msha = MshaFile::Build(source);
        const std::string mshaBytes = msha.Bytes();
        f.msha = std::min(f.msha, Seconds(begin));

        begin = Steady::now();
        const bool saved = SaveExportFile(folder + "/bench.CSV", {csv}) && msha.Save(folder + "/bench.MSHA");
        f.save = std::min(f.save, saved ? Seconds(begin) : 1e30);

        f.rows = table.rows.size();
        f.csvBytes = csv.size();
        f.mshaBytes = mshaBytes.size();
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
    std::printf("   records of %zu data registers (%zu items each), a row a minute; best of %d\n",
                sim::SimStorage::DataRegisters().size(), sim::SimStorage::DataRegisters().size() + 1, kRuns);
    std::vector<Figure> figures;
    for (size_t items : {size_t(10'000), size_t(100'000), size_t(1'000'000)}) {
        const Figure f = Measure(items, registers, folder);
        const double perItem = 1e9 / double(f.items);
        std::printf("   %8zu items, %6zu rows: table %7.1f ms, csv %7.1f ms, msha %7.1f ms = %7.1f ms "
                    "(%5.0f ns/item); files %.1f + %.1f MB saved in %.1f ms\n",
                    f.items, f.rows, f.table * 1e3, f.csv * 1e3, f.msha * 1e3, f.Total() * 1e3,
                    f.Total() * perItem, double(f.csvBytes) / 1e6, double(f.mshaBytes) / 1e6, f.save * 1e3);
        std::fflush(stdout);
        figures.push_back(f);
    }
    const double ratio = figures[2].Total() / figures[1].Total();
    std::printf("   1M/100k time ratio: %.2f (flat per item: 10; goal at most 12: %s)\n", ratio,
                GoalText(ratio <= 12.0));
    std::printf("   1M items: %.2f s for table, CSV and MSHA\n", figures[2].Total());
    return 0;
}

} // namespace orvo::bench
