#include <gtest/gtest.h>

#include <algorithm>

#include "ExportSample.h"
#include "results/CsvExport.h"
#include "results/MshaFile.h"

namespace orvo {
namespace {

using test::Golden;
using test::SampleDownload;

class CsvExportTest : public ::testing::Test {};

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

TEST_F(CsvExportTest, BothFirmwareClassesMatchTheHandWrittenFiles) {
    // Old: local times without GMT, register 1's number, ",Multi-unit: no,,", quotes left inside
    // the notes. New: GMT after both times, the serial-number text for register 1 everywhere, type
    // 9 as "E", occupation 7 as "007", both unit serial numbers.
    for (const bool newFirmware : {false, true}) {
        const SampleDownload download(newFirmware);
        EXPECT_EQ(CsvExport::SampleData(download.source),
                  Golden(newFirmware ? "new-firmware-A.CSV" : "old-firmware-A.CSV"));
    }
    SampleDownload download(true);
    EXPECT_EQ(CsvExport::StatusList(download.source), Golden("new-firmware-STATUS-A.CSV"));
    download.table.events.clear();
    EXPECT_EQ(CsvExport::StatusList(download.source), "Time,Status Code\n");
}

TEST_F(CsvExportTest, ProposedNamesAreSafeFileNames) {
    struct Case {
        bool newFirmware, serviceLog, imported;
        const char* serial;
        const char* name;   // "%Y%m%d-%H-serial-mine ID"
        const char* sample; // the sample data file's ending
    };
    const Case cases[] = {
        {false, false, false, "1234567", "20240305-08-1234567-4601234", "-A"},
        {true, false, false, "ORV1234567", "20240305-08-ORV1234567-4601234", "-A"},
        {true, true, false, "ORV1234567", "20240305-08-ORV1234567-4601234", "-svc-A"},
        {true, true, true, "ORV1234567", "20240305-08-ORV1234567-4601234", "-A"}, // imported: always "-A"
        // Text from a monitor or a file is a name, never a path.
        {true, false, true, "../../etc/x", "20240305-08-.._.._etc_x-4601234", "-A"},
        {true, false, true, "a\\b:c*d?e\"f<g>h|i\tj\x7F", "20240305-08-a_b_c_d_e_f_g_h_i_j_-4601234", "-A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial);
        SampleDownload download(c.newFirmware);
        download.source.serialNumber = c.serial;
        download.source.serviceLog = c.serviceLog;
        download.source.importedFile = c.imported;
        EXPECT_EQ(CsvExport::SampleDataName(download.source), std::string(c.name) + c.sample);
        EXPECT_EQ(CsvExport::StatusListName(download.source), std::string(c.name) + "-STATUS-A");
        EXPECT_EQ(MshaFile::ProposedName(download.source), std::string(c.name) + "-A");
    }
    // The hour is the header record's local one: 23:30 on 4 March is 5 March in GMT.
    SampleDownload download(false);
    download.table.header = "1709613000,1,1,1234567";
    EXPECT_EQ(CsvExport::SampleDataName(download.source), "20240304-23-1234567-4601234-A");
}

TEST_F(CsvExportTest, DamagedRecordsKeepTheLinesWhole) {
    // A count far beyond the text (an edited file) writes what is there; a pair cut before its
    // value writes an empty value; a count below the pairs present stops at the count; unknown
    // registers get the table's placeholder name.
    SampleDownload download(false);
    download.table.header = "1709643600,4000000000,0,6.500000,14,,99999999999,6";
    download.table.footer = "1709643900,1,0,6.500000,14,300";
    const std::string csv = CsvExport::SampleData(download.source);
    EXPECT_NE(csv.find("#\nTime,FIRMWARE VERSION,Program Time,*\n"
                       "08:00:00 03/05/2024,6.500000,,6\n"
                       "08:05:00 03/05/2024,6.500000\n\n"),
              std::string::npos)
        << csv;
}

TEST_F(CsvExportTest, ALoneRecordIsBothEndsAndRecordsWithoutPairsEndTheirLines) {
    const struct {
        std::vector<std::string> records;
        std::string csv, msha; // how each file ends
    } cases[] = {
        {{"1709643600,2,0,6.500000,14,300"},
         "#\nTime,FIRMWARE VERSION,Program Time\n08:00:00 03/05/2024,6.500000,300\n"
         "08:00:00 03/05/2024,6.500000,300\n\nTime,\n",
         "\r\n#\r\nTime,FIRMWARE VERSION,Program Time\r\n08:00:00 03/05/2024,6.500000,300\r\n"
         "08:00:00 03/05/2024,6.500000,300\r\n#\r\nTime,\r\n#\r\nTime,StatusCode\r\n#\r\n"},
        {{"1709643600,0", "1709643600,0", "1709643660,0", "1709643720,0"},
         "#\nTime,\n08:00:00 03/05/2024,\n08:02:00 03/05/2024,\n\nTime,\n08:00:00 03/05/2024,\n"
         "08:01:00 03/05/2024,\n08:02:00 03/05/2024,\n",
         "\r\n#\r\nTime,\r\n08:00:00 03/05/2024,\r\n08:02:00 03/05/2024,\r\n#\r\nTime,\r\n"
         "08:00:00 03/05/2024,\r\n08:01:00 03/05/2024,\r\n08:02:00 03/05/2024,\r\n"
         "#\r\nTime,StatusCode\r\n#\r\n"},
    };
    for (const auto& c : cases) {
        SampleDownload download(false);
        download.Use(c.records, 60);
        const std::string csv = CsvExport::SampleData(download.source);
        const std::string msha = MshaFile(download.source).Bytes();
        EXPECT_TRUE(csv.ends_with(c.csv)) << csv;
        EXPECT_TRUE(msha.ends_with(c.msha)) << msha;
    }
}

TEST_F(CsvExportTest, FilesHoldEveryRowBeyondTheOnScreenCap) {
    // A footer 10 000 s after the start at the automatic interval of 1 s makes 10 001 rows: the
    // table the screen shows keeps 8640 of them, the files hold them all.
    SampleDownload download(true);
    download.Use({"1699999990,0", "1700000000,1,110,v", "1700000001,1,110,w", "1700010000,0"}, -1,
                 DisplayTable::kDisplayLimit);
    ASSERT_TRUE(download.table.truncated);
    ASSERT_EQ(download.table.rowCount, 10001u);
    EXPECT_EQ(download.table.rows.size(), 8640u);
    EXPECT_STREQ(download.table.DisplayLimitText(), "Only the first 8640 records will be displayed.");

    size_t csvLines = 0;
    std::string last;
    ASSERT_TRUE(CsvExport::WriteSampleData(download.source, [&](std::string_view bytes) {
        csvLines += size_t(std::count(bytes.begin(), bytes.end(), '\n'));
        last.assign(bytes.substr(bytes.rfind('\n', bytes.size() - 2) + 1));
        return true;
    }));
    EXPECT_EQ(csvLines, 18u + 10001u);
    EXPECT_EQ(last, "20:00:00 11/14/2023,w\n");
    EXPECT_EQ(Count(MshaFile(download.source).Bytes(), "\r\n"), 11u + 10001u);

    // A sink that fails ends the export with false, and so does a record list that is not the
    // table's (the rows could not all be made).
    int calls = 0;
    EXPECT_FALSE(CsvExport::WriteSampleData(download.source, [&](std::string_view) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    const std::vector<std::string> other = {"1,0", "2,0", "3,0"};
    download.source.records = &other;
    EXPECT_FALSE(CsvExport::WriteSampleData(download.source, [](std::string_view) { return true; }));
    EXPECT_FALSE(MshaFile(download.source).Write([](std::string_view) { return true; }));
}

} // namespace
} // namespace orvo
