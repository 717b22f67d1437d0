#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/sha.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ServiceTestSupport.h"
#include "TestZones.h"
#include "download/DisplayTable.h"
#include "model/PrcTable.h"
#include "platform/AtomicFile.h"
#include "results/CsvExport.h"
#include "results/ExportFile.h"
#include "results/ExportSource.h"
#include "results/ImportedDataFile.h"
#include "results/MshaFile.h"
#include "results/MshaVerify.h"

// The small sample the export tests share, and the hand-written files it must turn into.
namespace orvo::test {

// Local times below are New York's: 1709643600 is 08:00:00 03/05/2024 EST, 13:00:00 GMT.
// Header, five data records a minute apart (status 0, 0x0003, 0x0002, 0, 0x0040), footer.
inline std::vector<std::string> SampleRecords(const std::string& firmware) {
    return {
        "1709643600,4,0," + firmware + ",1,1234567,4,0,14,300",
        "1709643600,3,1,1234567,4,0,111,0.000000",
        "1709643660,3,1,1234567,4,3,111,0.012000",
        "1709643720,3,1,1234567,4,2,111,0.025000",
        "1709643780,3,1,1234567,4,0,111,0.031000",
        "1709643840,3,1,1234567,4,64,111,0.040000",
        "1709643900,4,0," + firmware + ",1,1234567,4,128,14,300",
    };
}

// Directory entries as the two firmware classes give them.
inline const char* kOldEntry =
    "1709643600,1709643900,2,30,W1234567,4601234,K7P,Deep Hollow No. 3,Ridge Coal Company,2,0010,036,0,0";
inline const char* kNewEntry = "1709643600,1709643900,2,30,W1234567,4601234,K7P,Deep Hollow No. 3,"
                               "Ridge Coal Company,9,0010,7,M87654321,";

// A download as the results form holds it; Use() builds it again from other records.
struct SampleDownload {
    PrcTable registers;
    std::vector<std::string> records;
    DisplayTable table;
    ExportSource source;

    explicit SampleDownload(bool newFirmware) {
        Use(SampleRecords(newFirmware ? "7.000000" : "6.500000"), 60);
        source.newFirmware = newFirmware;
        source.entry = newFirmware ? kNewEntry : kOldEntry;
        source.serialNumber = newFirmware ? "ORV1234567" : "1234567";
        ShiftInformation& shift = source.shift;
        shift.averageTons = newFirmware ? "0" : "1200";
        shift.tonsThisShift = newFirmware ? "980" : "1150";
        shift.notes = newFirmware ? "Belt, \"B-2\" down" : "Roof fall, \"east\" panel";
        shift.certifiedMiin = newFirmware ? "M00000042" : "M12345678";
        shift.multiUnit = newFirmware;
        shift.firstUnitSerial = newFirmware ? "ABC12345678" : "";
        shift.secondUnitSerial = newFirmware ? "XYZ87654321" : "";
        shift.entered = true;
    }
    SampleDownload(const SampleDownload&) = delete;

    void Use(std::vector<std::string> list, int64_t interval, size_t maxRows = SIZE_MAX) {
        records = std::move(list);
        table = DisplayTable::Build(records, registers, NewYork(), interval, maxRows);
        source.records = &records;
        source.table = &table;
        source.registers = &registers;
        source.zone = &NewYork();
    }
};

// A hand-written file's bytes.
inline std::string Golden(const std::string& name) {
    std::ifstream in(std::filesystem::path(ORVO_GOLDEN_DIR) / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace orvo::test

namespace orvo {
namespace {

using test::Golden;
using test::SampleDownload;

TEST(CsvExportTest, BothFirmwareClassesMatchTheHandWrittenFiles) {
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

TEST(CsvExportTest, ProposedNamesAreSafeFileNames) {
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

TEST(CsvExportTest, DamagedRecordsKeepTheLinesWhole) {
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

TEST(CsvExportTest, ALoneRecordIsBothEndsAndRecordsWithoutPairsEndTheirLines) {
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

TEST(CsvExportTest, FilesHoldEveryRowBeyondTheOnScreenCap) {
    // A footer 10 000 s after the start at the automatic interval of 1 s makes 10 001 rows: the
    // table the screen shows keeps 8640 of them, the files hold them all.
    SampleDownload download(true);
    download.Use({"1699999990,0", "1700000000,1,110,v", "1700000001,1,110,w", "1700010000,0"}, -1,
                 DisplayTable::kDisplayLimit);
    ASSERT_EQ(download.table.rowCount, 10001u);
    ASSERT_EQ(download.table.rows.size(), 8640u);

    size_t csvLines = 0;
    std::string last;
    ASSERT_TRUE(CsvExport::WriteSampleData(download.source, [&](std::string_view bytes) {
        csvLines += size_t(std::count(bytes.begin(), bytes.end(), '\n'));
        last.assign(bytes.substr(bytes.rfind('\n', bytes.size() - 2) + 1));
        return true;
    }));
    EXPECT_EQ(csvLines, 18u + 10001u);
    EXPECT_EQ(last, "20:00:00 11/14/2023,w\n");
    const std::string msha = MshaFile(download.source).Bytes();
    EXPECT_EQ(std::count(msha.begin(), msha.end(), '\n'), 11 + 10001); // every line ends in CR LF

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

// The checksums sha256sum printed for "card_tag4\r\n" followed by each hand-written file
// without its ",checksum" and ",<digits>".
constexpr const char* kOldChecksum = "1A745A6F8087A6C3A023193EFB3E77194AB4B15ABE7627EBF1B45908942DA1C7";
constexpr const char* kNewChecksum = "9BBC539BFB72F5EDDE19310EDE1FDBC8EF28BE95231F0CB47C593DF10B408999";

// SHA-256 of the key and a file's bytes with both insertions taken out, straight from Crypto++.
std::string IndependentChecksum(std::string file, const std::string& digits) {
    file.erase(file.find(",checksum\r\n"), 9);
    file.erase(file.find("," + digits), 1 + digits.size());
    std::string hex;
    CryptoPP::SHA256 hash;
    CryptoPP::StringSource source(
        "card_tag4\r\n" + file, true,
        new CryptoPP::HashFilter(hash, new CryptoPP::HexEncoder(new CryptoPP::StringSink(hex))));
    return hex;
}

TEST(MshaFileTest, BothFirmwareClassesMatchTheHandWrittenFiles) {
    struct Case {
        bool newFirmware;
        const char* golden;
        const char* checksum;
    };
    for (const Case& c : {Case{false, "old-firmware-A.MSHA", kOldChecksum},
                          Case{true, "new-firmware-A.MSHA", kNewChecksum}}) {
        SCOPED_TRACE(c.golden);
        const SampleDownload download(c.newFirmware);
        const MshaFile file(download.source);
        const std::string expected = Golden(c.golden);
        EXPECT_EQ(file.Checksum(), c.checksum);
        EXPECT_EQ(IndependentChecksum(expected, c.checksum), c.checksum);
        EXPECT_EQ(file.Bytes(), expected);
        EXPECT_EQ(VerifyMshaFile(expected), MshaVerdict::Unaltered);
    }
}

TEST(MshaFileTest, SampleTypeAndEmptyStatusSection) {
    // Sample type 5 is its number; without multi-unit no serial numbers, however the fields were
    // left; without status changes the section is its heading only.
    SampleDownload download(true);
    download.source.entry = "1709643600,1709643900,2,30,W1,4601234,K7P,Mine,Company,5,0010,123,M87654321,";
    download.source.shift.multiUnit = false;
    download.table.changes.clear();
    const std::string bytes = MshaFile(download.source).Bytes();
    EXPECT_NE(bytes.find(",Mine,Company,5,0010,123,M87654321,M00000042,,,7.52,\""), std::string::npos)
        << bytes;
    const std::string tail =
        "08:05:00 03/05/2024,ORV1234567,TE NOT DETECTED;HIGH FILTER LOAD;POWER LOW,0.040000\r\n"
        "#\r\nTime,StatusCode\r\n#\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
}

TEST(MshaFileTest, ChangingAnyByteIsNoticed) {
    const std::string original = Golden("old-firmware-A.MSHA");
    for (size_t i = 0; i < original.size(); ++i) {
        std::string changed = original;
        changed[i] = char(changed[i] ^ 0x01);
        ASSERT_NE(VerifyMshaFile(changed), MshaVerdict::Unaltered) << "byte " << i << " changed unnoticed";
    }
    // A byte away from the insertions leaves the layout, so the file reads as altered.
    std::string edited = original;
    edited[edited.find("Deep Hollow")] = 'K';
    EXPECT_EQ(VerifyMshaFile(edited), MshaVerdict::Altered);
    std::string lowered = original;
    lowered[lowered.find(kOldChecksum)] = 'a'; // '1' -> 'a': another checksum
    EXPECT_EQ(VerifyMshaFile(lowered), MshaVerdict::Altered);
}

TEST(MshaFileTest, NotesWithLineBreaksAndDigitsStillVerify) {
    // The notes box is multi-line; a note may even hold something that looks like a checksum.
    SampleDownload download(false);
    download.source.shift.notes =
        "see\r\nline,0123456789012345678901234567890123456789012345678901234567890123\r\nend";
    EXPECT_EQ(VerifyMshaFile(MshaFile(download.source).Bytes()), MshaVerdict::Unaltered);
}

TEST(MshaFileTest, FilesOfAnotherKindAreNotMshaFiles) {
    std::string noDigits = Golden("old-firmware-A.MSHA");
    noDigits.erase(noDigits.find(kOldChecksum) - 1, 65);
    std::string lineFeeds = Golden("old-firmware-A.MSHA");
    std::erase(lineFeeds, '\r');
    for (const std::string& bytes :
         {std::string(), Golden("old-firmware-A.CSV"), noDigits, lineFeeds, std::string("x,checksum\r\n")})
        EXPECT_EQ(VerifyMshaFile(bytes), MshaVerdict::NotMsha) << bytes.substr(0, 40);
}

using test::FileSizeLimit;
using test::TempFolder;

TEST(AtomicFile, FailuresLeaveTheOldFileAndNoTemporaryFile) {
    const TempFolder folder;
    const std::string old = "the file as it was\n";
    // A longer old file must not leave a tail.
    const std::string replaced = folder.Write("data.CSV", std::string(10000, 'x'));
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(replaced, "a,b\n", &error)) << error;
    EXPECT_EQ(folder.Read("data.CSV"), "a,b\n");

    {
        // The disk fills up half-way (here: the size limit).
        const std::string path = folder.Write("full.CSV", old);
        AtomicFileWriter writer;
        const FileSizeLimit limit(4096);
        EXPECT_FALSE(writer.Open(path) && writer.Write(std::string(1 << 20, 'y')) && writer.Commit());
        EXPECT_NE(writer.Error().find("full.CSV"), std::string::npos) << writer.Error();
    }
    EXPECT_EQ(folder.Read("full.CSV"), old);
    // The target is a folder: the rename at the end fails.
    std::filesystem::create_directory(folder.File("folder.CSV"));
    folder.Write("folder.CSV/inside", old);
    EXPECT_FALSE(WriteFileAtomically(folder.File("folder.CSV"), "new", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(folder.Read("folder.CSV/inside"), old);
    {
        // Abandoned before Commit: the target never changes.
        AtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(folder.Write("abandoned.CSV", old)));
        ASSERT_TRUE(writer.Write("half"));
    }
    EXPECT_EQ(folder.Read("abandoned.CSV"), old);
    EXPECT_EQ(folder.Entries(), 4u);

    EXPECT_FALSE(WriteFileAtomically("/nonexistent-orvo-folder/x.CSV", "x", &error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST(AtomicFile, ExportsGoThroughIt) {
    const test::SampleDownload download(true);
    const TempFolder folder;
    std::string reason;
    ASSERT_TRUE(MshaFile(download.source).Save(folder.File("out.MSHA"), &reason)) << reason;
    EXPECT_EQ(folder.Read("out.MSHA"), test::Golden("new-firmware-A.MSHA"));

    // A failed export keeps the previous export whole and tells why.
    const std::string csv = folder.Write("sample.CSV", "previous csv");
    const std::string msha = folder.Write("sample.MSHA", "previous msha");
    {
        const FileSizeLimit limit(100);
        EXPECT_FALSE(SaveExportFile(
            csv, [&](const ExportSink& sink) { return CsvExport::WriteSampleData(download.source, sink); },
            &reason));
        EXPECT_FALSE(reason.empty());
        EXPECT_FALSE(MshaFile(download.source).Save(msha, &reason));
    }
    EXPECT_EQ(folder.Read("sample.CSV"), "previous csv");
    EXPECT_EQ(folder.Read("sample.MSHA"), "previous msha");
    // An export that stops without a failed write says so rather than leave a short file.
    EXPECT_FALSE(SaveExportFile(
        csv, [](const ExportSink& sink) { return sink("half") && false; }, &reason));
    EXPECT_EQ(reason, "the export stopped before its end");
    EXPECT_EQ(folder.Read("sample.CSV"), "previous csv");
    EXPECT_EQ(folder.Entries(), 3u);
}

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

TEST_F(ImportedDataFileTest, NoRecordsIsAValidFile) {
    const std::string bytes = "1\r\nORV1234567\r\n" + std::string(test::kNewEntry) +
                              "M00000042\r\n0\r\n0\r\n0\r\n\r\n2937978880\r\n";
    ImportedDataFile file;
    ASSERT_EQ(ImportedDataFile::Parse(bytes, file), ImportStatus::Ok);
    EXPECT_TRUE(file.records.empty());
}

TEST_F(ImportedDataFileTest, WrittenFilesReadBack) {
    ImportedDataFile file;
    ASSERT_EQ(ImportedDataFile::Parse(Golden("imported-valid.MSHA"), file), ImportStatus::Ok);
    EXPECT_EQ(file.ToBytes().value_or(""), Golden("imported-valid.MSHA"));
    file.notes = "two\nlines"; // would shift every later line
    EXPECT_FALSE(file.ToBytes().has_value());
}

} // namespace
} // namespace orvo
