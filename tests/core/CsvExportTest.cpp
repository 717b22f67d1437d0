#include <gtest/gtest.h>

#include "ExportSample.h"
#include "results/CsvExport.h"

namespace orvo {
namespace {

using test::Golden;
using test::SampleDownload;

class CsvExportTest : public ::testing::Test {};

TEST_F(CsvExportTest, OldFirmwareSampleMatchesTheHandWrittenFile) {
    // Local times without GMT, the serial number as register 1 gave it, ",Multi-unit: no,,",
    // notes with a comma and quotes left inside their quotes.
    const SampleDownload download(false);
    EXPECT_EQ(CsvExport::SampleData(download.source), Golden("old-firmware-A.CSV"));
}

TEST_F(CsvExportTest, NewFirmwareSampleMatchesTheHandWrittenFile) {
    // GMT after both times, the serial-number text for register 1 everywhere, type 9 as "E",
    // occupation 7 as "007", both unit serial numbers.
    const SampleDownload download(true);
    EXPECT_EQ(CsvExport::SampleData(download.source), Golden("new-firmware-A.CSV"));
}

TEST_F(CsvExportTest, StatusListHasOneLinePerConditionThatTurnedOn) {
    const SampleDownload download(true);
    EXPECT_EQ(CsvExport::StatusList(download.source), Golden("new-firmware-STATUS-A.CSV"));
}

TEST_F(CsvExportTest, StatusListOfASampleWithoutEventsIsItsHeaderLine) {
    SampleDownload download(false);
    download.table.events.clear();
    EXPECT_EQ(CsvExport::StatusList(download.source), "Time,Status Code\n");
}

TEST_F(CsvExportTest, ProposedNamesFollowTheHeaderHourSerialAndMineId) {
    struct Case {
        bool newFirmware, serviceLog, imported;
        const char* sample;
        const char* status;
    };
    const Case cases[] = {
        {false, false, false, "20240305-08-1234567-4601234-A", "20240305-08-1234567-4601234-STATUS-A"},
        {true, false, false, "20240305-08-ORV1234567-4601234-A", "20240305-08-ORV1234567-4601234-STATUS-A"},
        {true, true, false, "20240305-08-ORV1234567-4601234-svc-A",
         "20240305-08-ORV1234567-4601234-STATUS-A"},
        // An imported file is always "-A".
        {true, true, true, "20240305-08-ORV1234567-4601234-A", "20240305-08-ORV1234567-4601234-STATUS-A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample);
        SampleDownload download(c.newFirmware);
        download.source.serviceLog = c.serviceLog;
        download.source.importedFile = c.imported;
        EXPECT_EQ(CsvExport::SampleDataName(download.source), c.sample);
        EXPECT_EQ(CsvExport::StatusListName(download.source), c.status);
    }
}

TEST_F(CsvExportTest, HourOfTheNameIsTheHeaderRecordsLocalHour) {
    // 23:30 local on 4 March is already 5 March in GMT; the name keeps the local date.
    SampleDownload download(false);
    download.table.header = "1709613000,1,1,1234567";
    EXPECT_EQ(CsvExport::SampleDataName(download.source), "20240304-23-1234567-4601234-A");
}

TEST_F(CsvExportTest, DamagedRecordCountsWriteOnlyThePairsTheTextHolds) {
    // A count far beyond the text (an edited file) writes what is there; a pair cut before its
    // value writes an empty value; a count below the pairs present stops at the count.
    SampleDownload download(false);
    download.table.header = "1709643600,4000000000,0,6.500000,14";
    download.table.footer = "1709643900,1,0,6.500000,14,300";
    const std::string csv = CsvExport::SampleData(download.source);
    EXPECT_NE(csv.find("#\nTime,FIRMWARE VERSION,Program Time\n"
                       "08:00:00 03/05/2024,6.500000,\n"
                       "08:05:00 03/05/2024,6.500000\n\n"),
              std::string::npos)
        << csv;
}

TEST_F(CsvExportTest, UnknownRegisterNumbersGetTheTablesPlaceholderName) {
    SampleDownload download(false);
    download.table.header = "1709643600,2,200,5,99999999999,6";
    const std::string csv = CsvExport::SampleData(download.source);
    EXPECT_NE(csv.find("\nTime,*,*\n08:00:00 03/05/2024,5,6\n"), std::string::npos) << csv;
}

TEST_F(CsvExportTest, EverythingIsWrittenWithLineFeedsOnly) {
    const SampleDownload download(true);
    const std::string csv = CsvExport::SampleData(download.source);
    EXPECT_EQ(csv.find('\r'), std::string::npos);
}

} // namespace
} // namespace orvo
