#include <gtest/gtest.h>

#include <string>

#include "ExportSample.h"
#include "results/CsvExport.h"
#include "results/MshaFile.h"

namespace orvo {
namespace {

// The serial number and the mine ID come from the monitor or a data file; in a proposed name
// they must not lead the file into another folder or cut its name short.
TEST(ExportSource, ProposedNamesKeepMonitorTextsOutOfThePath) {
    test::UseNewYorkTime();
    using namespace std::string_literals;
    const struct {
        std::string serial, entry, name;
    } cases[] = {
        {"ORV/../x", "0,0,2,30,W,../../etc,K", "20240305-08-ORV_.._x-.._.._etc-A"},
        {"ORV\\1", "0,0,2,30,W,C:\\46", "20240305-08-ORV_1-C:_46-A"},
        {"ORV123\0\0004567"s, "0,0,2,30,W,46\n\x7f"s, "20240305-08-ORV123__4567-46__-A"},
    };
    for (const auto& c : cases) {
        test::SampleDownload download(true);
        download.source.serialNumber = c.serial;
        download.source.entry = c.entry;
        EXPECT_EQ(CsvExport::SampleDataName(download.source), c.name);
        EXPECT_EQ(MshaFile::ProposedName(download.source), c.name);
    }
}

} // namespace
} // namespace orvo
