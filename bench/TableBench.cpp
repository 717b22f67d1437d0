// The table section of orvo_bench: how long the display table of a downloaded sample takes to
// build from its record list, for samples of 10 k, 100 k and 1 M items. The time per item must
// stay flat: exports write every row of a 30-day service log.

#include "BenchSections.h"
#include "download/DisplayTable.h"
#include "model/PrcTable.h"
#include "platform/TimeZoneSource.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace orvo::bench {

namespace {

using Steady = std::chrono::steady_clock;

constexpr uint32_t kStart = 1700000000;
constexpr uint32_t kRecordStep = 10; // seconds between data records
constexpr int kRuns = 5;             // the best of these is reported

// A sample as the link assembles it: header, data records of one time item and eight pairs (nine
// items each), footer. Status conditions come and go so the event lists are exercised too.
std::vector<std::string> MakeSample(size_t items) {
    constexpr size_t kItemsPerRecord = 9;
    const size_t dataRecords = std::max<size_t>(1, items / kItemsPerRecord);
    std::vector<std::string> records;
    records.reserve(dataRecords + 2);
    records.push_back(std::to_string(kStart - 5) + ",3,149,1,150,2.000000,0,6.700000");
    char text[256];
    for (size_t i = 0; i < dataRecords; ++i) {
        const uint32_t t = kStart + kRecordStep * uint32_t(i);
        const unsigned mask = (i % 500 == 0) ? 0x0003 : (i % 250 == 0) ? 0x0002 : 0;
        std::snprintf(text, sizeof text, "%u,8,3,%u,4,%u,103,%u,104,%.6f,105,%.6f,110,%.6f,111,%.6f,85,%.6f",
                      t, t, mask, unsigned(i % 7 == 0), 12000.0 + double(i % 1000) * 0.125,
                      11990.0 + double(i % 997) * 0.125, 0.25 + double(i % 300) * 0.001,
                      0.5 + double(i % 400) * 0.001, 20.0 + double(i % 50) * 0.1);
        records.push_back(text);
    }
    records.push_back(std::to_string(kStart + kRecordStep * uint32_t(dataRecords)) + ",2,111,0.812000,4,0");
    return records;
}

struct Figure {
    size_t items = 0;
    size_t rows = 0;
    double seconds = 0;
};

Figure Measure(size_t items, const PrcTable& registers) {
    const std::vector<std::string> records = MakeSample(items);
    Figure figure;
    figure.items = items;
    figure.seconds = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const auto begin = Steady::now();
        const DisplayTable table = DisplayTable::Build(records, registers, SystemTimeZone::Instance(), -1);
        const double seconds = std::chrono::duration<double>(Steady::now() - begin).count();
        figure.seconds = std::min(figure.seconds, seconds);
        figure.rows = table.rows.size();
    }
    return figure;
}

} // namespace

int RunTableSection() {
    const PrcTable registers;
    const size_t sizes[] = {10'000, 100'000, 1'000'000};
    std::vector<Figure> figures;
    for (size_t items : sizes) {
        const Figure f = Measure(items, registers);
        std::printf("display table %8zu items: %9.3f ms, %7.1f ns/item, %zu rows (best of %d)\n", f.items,
                    f.seconds * 1e3, f.seconds * 1e9 / double(f.items), f.rows, kRuns);
        std::fflush(stdout);
        figures.push_back(f);
    }
    const double ratio = figures[2].seconds / figures[1].seconds;
    std::printf("display table 1M/100k time ratio: %.2f (flat per item: 10)\n", ratio);
    return 0;
}

} // namespace orvo::bench
