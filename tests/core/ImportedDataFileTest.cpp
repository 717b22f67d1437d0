#include <gtest/gtest.h>

#include "ExportSample.h"
#include "results/CsvExport.h"
#include "results/ImportedDataFile.h"

namespace orvo {
namespace {

using test::Golden;

// The hand-made file's lines; its checksum 2623209472 is S = 23452 with its bytes reversed.
std::string FileWith(const std::string& notes, const std::string& checksum) {
    std::string text = "1\r\nORV1234567\r\n" + std::string(test::kNewEntry) + "M00000042\r\n7\r\n";
    for (const std::string& record : test::SampleRecords("7.000000"))
        text += record + "\r\n";
    return text + "1200\r\n1150\r\n" + notes + "\r\n" + checksum + "\r\n";
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

class ImportedDataFileTest : public ::testing::Test {
protected:
    PrcTable m_registers;
    const TimeZoneSource& m_zone = NewYork();
};

TEST_F(ImportedDataFileTest, ValidFileGivesItsLinesAndTheViewOfADownload) {
    const std::string bytes = Golden("imported-valid.MSHA");
    ASSERT_EQ(bytes, FileWith("Belt, \"B-2\" down", "2623209472"));
    ImportedDataFile file;
    ASSERT_EQ(ImportedDataFile::Parse(bytes, file), ImportStatus::Ok);
    EXPECT_EQ(file.serialNumber + "|" + file.entry + "|" + file.averageTons + "|" + file.tonsThisShift + "|" +
                  file.notes,
              "ORV1234567|" + std::string(test::kNewEntry) + "M00000042|1200|1150|Belt, \"B-2\" down");
    EXPECT_EQ(file.records, test::SampleRecords("7.000000"));

    // The file carries no interval: the smallest step between data records, 60 s, is taken.
    const DisplayTable view = file.View(m_registers, m_zone);
    EXPECT_EQ(view.interval, 60);
    EXPECT_EQ(view.rows.size(), 6u);
    // GMT forms always, the file's serial number, no multi-unit text, the entry's certified MIIN.
    EXPECT_EQ(CsvExport::SampleData(file.ForExport(view, m_registers, m_zone)), Golden("imported-A.CSV"));
    // The exports make the rows again from the file's records, whatever the view kept.
    EXPECT_EQ(CsvExport::SampleData(file.ForExport(file.View(m_registers, m_zone, 0), m_registers, m_zone)),
              Golden("imported-A.CSV"));

    // Line feeds alone and a missing last line end read the same.
    std::string lineFeeds = bytes;
    std::erase(lineFeeds, '\r');
    lineFeeds.pop_back();
    ImportedDataFile again;
    ASSERT_EQ(ImportedDataFile::Parse(lineFeeds, again), ImportStatus::Ok);
    EXPECT_EQ(again.notes, file.notes);
}

TEST_F(ImportedDataFileTest, DamagedFilesAreRefusedWithTheirMessage) {
    const std::string valid = Golden("imported-valid.MSHA");
    const auto count = [&](const char* n) {
        return Replace(valid, "\r\n7\r\n", "\r\n" + std::string(n) + "\r\n");
    };
    // Edited notes; a checksum not reversed, not a number, or missing; a file cut inside the
    // records; a count one too few, negative, huge (nothing is reserved for it) or beyond 64 bits.
    const std::pair<ImportStatus, std::vector<std::string>> cases[] = {
        {ImportStatus::UnsupportedFormat, {"2" + valid.substr(1), ""}},
        {ImportStatus::NotValid,
         {Replace(valid, "B-2", "B-3"), Replace(valid, "2623209472", "23452"),
          Replace(valid, "2623209472", "x"), valid.substr(0, valid.rfind("2623209472")),
          valid.substr(0, valid.find("1709643720,3")), count("6"), count("-1"), count("4000000000"),
          count("99999999999999999999999")}},
    };
    for (const auto& [status, files] : cases) {
        for (size_t i = 0; i < files.size(); ++i) {
            SCOPED_TRACE(i);
            ImportedDataFile file;
            file.notes = "untouched";
            EXPECT_EQ(ImportedDataFile::Parse(files[i], file), status);
            EXPECT_EQ(file.notes, "untouched"); // nothing read so far is kept
            EXPECT_TRUE(file.records.empty());
        }
    }
}

TEST_F(ImportedDataFileTest, CharactersAbove127CountAsNegativeBytes) {
    // "Grüße, Straße § 4" in Latin-1: signed, its bytes add 830; unsigned they would add 1854.
    const std::string notes = "Gr\xFC\xDF"
                              "e, Stra\xDF"
                              "e \xA7 4";
    ImportedDataFile file;
    EXPECT_EQ(ImportedDataFile::Parse(FileWith(notes, "1247412224"), file), ImportStatus::Ok);
    EXPECT_EQ(file.notes, notes);
    EXPECT_EQ(ImportedDataFile::Parse(FileWith(notes, "1247674368"), file), ImportStatus::NotValid);
}

TEST_F(ImportedDataFileTest, NoRecordsGiveAnEmptyView) {
    const std::string bytes = "1\r\nORV1234567\r\n" + std::string(test::kNewEntry) +
                              "M00000042\r\n0\r\n0\r\n0\r\n\r\n2937978880\r\n";
    ImportedDataFile file;
    ASSERT_EQ(ImportedDataFile::Parse(bytes, file), ImportStatus::Ok);
    EXPECT_TRUE(file.records.empty());
    const DisplayTable view = file.View(m_registers, m_zone);
    EXPECT_TRUE(view.columns.empty());
    EXPECT_TRUE(view.rows.empty());
}

TEST_F(ImportedDataFileTest, WrittenFilesReadBack) {
    ImportedDataFile file;
    ASSERT_EQ(ImportedDataFile::Parse(Golden("imported-valid.MSHA"), file), ImportStatus::Ok);
    ASSERT_TRUE(file.ToBytes().has_value());
    EXPECT_EQ(*file.ToBytes(), Golden("imported-valid.MSHA"));

    const test::TempFolder folder;
    std::string reason;
    file.notes = "Edited, and saved again";
    ASSERT_TRUE(file.Save(folder.File("again.MSHA"), &reason)) << reason;
    ImportedDataFile again;
    ASSERT_EQ(ImportedDataFile::Load(folder.File("again.MSHA"), again), ImportStatus::Ok);
    EXPECT_EQ(again.notes, "Edited, and saved again");
    EXPECT_EQ(again.records, file.records);

    EXPECT_EQ(ImportedDataFile::Load(folder.File("missing.MSHA"), again, &reason), ImportStatus::CannotOpen);
    EXPECT_NE(reason.find("missing.MSHA"), std::string::npos) << reason;
    EXPECT_EQ(ImportedDataFile::Load(folder.File(""), again), ImportStatus::CannotOpen); // a folder
    // A line break inside a text would shift every later line.
    file.notes = "two\nlines";
    EXPECT_FALSE(file.ToBytes().has_value());
}

} // namespace
} // namespace orvo
