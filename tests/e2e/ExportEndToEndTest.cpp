// orvoctl downloads a stored sample (and the service log) from orvo-sim on a pseudo-terminal, saves CSV and
// MSHA files, checks them with verify-msha, and opens an imported data file. Judged by the files, orvoctl's
// output and its exit status.

#include "OrvoctlRun.h"
#include "SimProcess.h"
#include "SimStorage.h"
#include "TempDir.h"
#include "download/RecordText.h"
#include "model/PrcTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace orvo::test;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

fs::path GoldenPath(const std::string& name) {
    return fs::path(ORVO_GOLDEN_DIR) / name;
}

struct Monitor {
    bool newer;
    std::vector<std::string> connection; // orvoctl's options before the commands
};

// Flips one byte in the middle of the data and asks again.
void ExpectVerifiedThenAlteredByOneByte(const fs::path& msha) {
    RunResult run = RunOrvoctl({"verify-msha", msha.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "unaltered\n");
    std::string bytes = ReadFile(msha);
    bytes[bytes.size() / 2] ^= 0x04;
    const fs::path altered = msha.string() + ".altered";
    WriteFile(altered, bytes);
    run = RunOrvoctl({"verify-msha", altered.string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "altered\n");
}

std::vector<std::string> Lines(const std::string& text, const char* end) {
    std::vector<std::string> lines;
    const std::string separator = end;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    return lines;
}

// What a download must have written, checked against the simulated monitor's own layout.
void CheckSampleFiles(const TempDir& folder, const Monitor& monitor, const std::string& suffix,
                      const std::vector<int>& headerRegisters) {
    std::vector<fs::path> csvs = folder.Ending(suffix + ".CSV");
    std::erase_if(
        csvs, [](const fs::path& p) { return p.filename().string().find("-STATUS-A") != std::string::npos; });
    const std::vector<fs::path> mshas = folder.Ending("-A.MSHA");
    ASSERT_EQ(csvs.size(), 1u);
    ASSERT_EQ(mshas.size(), 1u);
    const std::string serial = monitor.newer ? "ORV1234567" : "1234567";
    EXPECT_NE(csvs[0].filename().string().find("-" + serial + "-46"), std::string::npos) << csvs[0];

    const std::string csv = ReadFile(csvs[0]);
    const std::string msha = ReadFile(mshas[0]);
    EXPECT_EQ(csv.find('\r'), std::string::npos);
    EXPECT_EQ(csv.find("GMT)") != std::string::npos, monitor.newer);
    EXPECT_EQ(msha.find("GMT)") != std::string::npos, monitor.newer);

    // The header line names the registers the monitor logs at the start, in its order.
    const orvo::PrcTable registers;
    std::string names = "Time";
    for (int n : headerRegisters)
        names += "," + registers.ShortName(n);
    const std::vector<std::string> csvLines = Lines(csv, "\n");
    ASSERT_GT(csvLines.size(), 18u);
    EXPECT_EQ(csvLines[13], names);
    // Register 1 carries the serial number as the document holds it.
    for (size_t i = 0; i < headerRegisters.size(); ++i) {
        if (headerRegisters[i] == 1) {
            EXPECT_EQ(orvo::RecordField(csvLines[14], 1 + i), serial) << csvLines[14];
        }
    }

    // Both files hold the same header, footer and rows: the CSV's data section, line by line, is the
    // MSHA's with CR LF.
    const std::vector<std::string> mshaLines = Lines(msha, "\r\n");
    ASSERT_GT(mshaLines.size(), 10u);
    EXPECT_EQ(mshaLines[3], names);
    EXPECT_EQ(mshaLines[4], csvLines[14]);
    EXPECT_EQ(mshaLines[5], csvLines[15]);
    EXPECT_EQ(mshaLines[6], "#");
    size_t row = 0;
    for (; 17 + row < csvLines.size(); ++row)
        ASSERT_EQ(mshaLines.at(7 + row), csvLines[17 + row]) << "row " << row;
    EXPECT_EQ(mshaLines.at(7 + row), "#");
    EXPECT_EQ(mshaLines.at(8 + row), "Time,StatusCode");
    EXPECT_EQ(mshaLines.back(), "#");

    ExpectVerifiedThenAlteredByOneByte(mshas[0]);
}

void DownloadAndCheck(const Monitor& monitor) {
    {
        SCOPED_TRACE("sample");
        const TempDir folder;
        std::vector<std::string> args = monitor.connection;
        for (const char* a :
             {"download", "1", "--notes", "Roof fall, \"east\" panel", "--certified-miin", "m12345678",
              "--multi-unit", "abc12345678,XYZ87654321", "--avg-tons", "1200", "--tons", "1150"})
            args.push_back(a);
        for (const char* option : {"--csv", "--msha", "--status-csv"}) {
            args.push_back(option);
            args.push_back(folder.Path().string());
        }
        const RunResult run = RunOrvoctl(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find("records: 62\n"), std::string::npos) << run.out;
        CheckSampleFiles(folder, monitor, "-A", orvo::sim::SimStorage::HeaderRegisters());
        const std::string csv = ReadFile(folder / (folder.Ending("-A.MSHA").at(0).stem().string() + ".CSV"));
        EXPECT_NE(csv.find(",\"Roof fall, \"east\" panel\"\n"), std::string::npos);
        EXPECT_NE(csv.find(",Multi-unit: yes,ABC12345678,XYZ87654321\n"), std::string::npos);
        EXPECT_NE(csv.find("\n# Certified Person MIIN: m12345678\n"), std::string::npos);
        EXPECT_EQ(folder.Ending("-STATUS-A.CSV").size(), 1u);
    }
    {
        SCOPED_TRACE("service log");
        const TempDir folder;
        std::vector<std::string> args = monitor.connection;
        const std::string target = folder.Path().string();
        args.insert(args.end(), {"download", "--service-log", "--csv", target, "--msha", target});
        const RunResult run = RunOrvoctl(args);
        if (!monitor.newer) {
            // Only the newer firmware keeps a service log; nothing is asked of an older one.
            EXPECT_EQ(run.exitCode, 2);
            EXPECT_TRUE(folder.Ending("").empty());
            return;
        }
        ASSERT_EQ(run.exitCode, 0) << run.err;
        // Every service-log record, the first and last too, holds the data registers.
        CheckSampleFiles(folder, monitor, "-svc-A", orvo::sim::SimStorage::DataRegisters());
    }
}

TEST(ExportEndToEnd, OrvoSimOnAPseudoTerminalOfEachFirmwareClass) {
    for (const char* firmware : {"7.0", "6.5"}) {
        SCOPED_TRACE(firmware);
        const SimProcess sim({"--firmware", firmware});
        ASSERT_FALSE(sim.DevicePath().empty());
        DownloadAndCheck({std::string(firmware) == "7.0", {"--port", sim.DevicePath()}});
    }
}

TEST(ExportEndToEnd, OpenChecksAnImportedFileAndExportsIt) {
    const TempDir folder;
    RunResult run = RunOrvoctl({"open", GoldenPath("imported-valid.MSHA").string(), "--csv",
                                folder / "out.CSV", "--status-csv", folder.Path().string()},
                               {"TZ=America/New_York"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("serial number: ORV1234567\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("records: 7\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("interval: 60\n"), std::string::npos) << run.out;
    EXPECT_EQ(ReadFile(folder / "out.CSV"), ReadFile(GoldenPath("imported-A.CSV")));
    EXPECT_EQ(ReadFile(folder / "20240305-08-ORV1234567-4601234-STATUS-A.CSV"),
              "Time,Status Code\n08:01:00 03/05/2024,TE NOT DETECTED\n08:01:00 03/05/2024,HIGH FILTER LOAD\n"
              "08:04:00 03/05/2024,POWER LOW\n");

    std::string edited = ReadFile(GoldenPath("imported-valid.MSHA"));
    edited.replace(edited.find("B-2"), 3, "B-3");
    WriteFile(folder / "edited.MSHA", edited);
    run = RunOrvoctl({"open", folder / "edited.MSHA", "--csv", folder / "edited.CSV"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Error: The file is not valid!\n");
    EXPECT_FALSE(fs::exists(folder / "edited.CSV"));

    run = RunOrvoctl({"open", folder / "missing.MSHA"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("Error: There was an error opening the file!\n", 0), 0u) << run.err;
}

// Every message of the shift information is pinned by the core's check; here, that they reach the
// user before any port is opened.
TEST(ExportEndToEnd, ShiftInformationIsCheckedBeforeAnyPortIsOpened) {
    struct Case {
        std::vector<std::string> options;
        const char* says;
    };
    const Case cases[] = {
        {{"--avg-tons", "12.5"}, "Average Tons - 30 Shifts must be a whole number"},
        {{"--notes", "x"}, "The Certified Person MIIN must begin with 'M' and be 9 characters long"},
        {{"--certified-miin", "M12345678", "--multi-unit", "abc12345678,ABC12345678"},
         "The serial numbers cannot be identical"},
        {{"--certified-miin", "M12345678", "--notes", std::string(256, 'n')}, "--notes holds at most 255"},
        {{"--interval", "1.5"}, "--interval"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        std::vector<std::string> args = {"--port", "/nonexistent/ttyORVO", "download", "0"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult run = RunOrvoctl(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("Unable to open the port"), std::string::npos) << run.err;
    }
    const RunResult noIndex = RunOrvoctl({"--demo", "download", "--csv", "x.CSV"});
    EXPECT_EQ(noIndex.exitCode, 2);
    const RunResult noMonitor = RunOrvoctl({"download", "0"});
    EXPECT_EQ(noMonitor.exitCode, 2);
}

TEST(ExportEndToEnd, UnwritableTargetSkipsTheMsha) {
    const TempDir folder;
    const RunResult failed = RunOrvoctl(
        {"--demo", "download", "0", "--csv", folder / "no/such/folder/x.CSV", "--msha", folder / "y.MSHA"});
    // The user's message, the system's reason, and no MSHA file.
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("Error: There was an error opening the output file!\n"), std::string::npos)
        << failed.err;
    EXPECT_NE(failed.err.find("No such file or directory"), std::string::npos) << failed.err;
    EXPECT_FALSE(fs::exists(folder / "y.MSHA"));
}

TEST(ExportEndToEnd, VerifyOfAFileOfAnotherKind) {
    const TempDir folder;
    WriteFile(folder / "plain.txt", "just text\n");
    const RunResult run = RunOrvoctl({"verify-msha", folder / "plain.txt"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "not an MSHA file\n");
}

} // namespace
