// orvoctl downloads a stored sample (and the service log) from orvo-sim on a pseudo-terminal, saves CSV and
// MSHA files, checks them with verify-msha, and opens imported data files. Judged by the files, orvoctl's
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

const std::string kImported = fs::path(ORVO_GOLDEN_DIR) / "imported-valid.MSHA";
const std::string kImportedCsv = ReadFile(fs::path(ORVO_GOLDEN_DIR) / "imported-A.CSV");

// What a download must have written, checked against the simulated monitor's own layout.
void CheckSampleFiles(const TempDir& folder, bool newer, const std::string& suffix,
                      const std::vector<int>& headerRegisters) {
    // The MSHA file's name has no service-log form.
    const std::vector<fs::path> mshas = folder.Ending("-A.MSHA");
    ASSERT_EQ(mshas.size(), 1u);
    const std::string serial = newer ? "ORV1234567" : "1234567";
    const std::string name = mshas[0].stem().string();
    EXPECT_NE(name.find("-" + serial + "-46"), std::string::npos) << name;
    const std::string csv = ReadFile(folder / (name.substr(0, name.size() - 2) + suffix + ".CSV"));
    const std::string msha = ReadFile(mshas[0]);

    // The header line names the registers the monitor logs at the start, in its order; register 1
    // carries the serial number as the document holds it.
    const orvo::PrcTable registers;
    std::string names = "Time";
    for (int n : headerRegisters)
        names += "," + registers.ShortName(n);
    const std::vector<std::string> csvLines = SplitLines(csv);
    ASSERT_GT(csvLines.size(), 18u);
    EXPECT_EQ(csvLines[13], names);
    for (size_t i = 0; i < headerRegisters.size(); ++i)
        EXPECT_TRUE(headerRegisters[i] != 1 || orvo::RecordField(csvLines[14], 1 + i) == serial)
            << csvLines[14];

    // The rows and footers are the writers' to check; here that the MSHA file's header is the same.
    EXPECT_NE(msha.find("\r\n" + names + "\r\n"), std::string::npos);

    // verify-msha knows the file, and one byte changed.
    RunResult run = RunOrvoctl({"verify-msha", mshas[0].string()});
    EXPECT_TRUE(run.out == "unaltered\n" && run.exitCode == 0) << run.out << run.err;
    std::string altered = msha;
    altered[msha.size() / 2] = 'x';
    run = RunOrvoctl({"verify-msha", folder.Write("altered", altered)});
    EXPECT_TRUE(run.out == "altered\n" && run.exitCode == 1) << run.out << run.err;
}

TEST(ExportEndToEnd, OrvoSimOnAPseudoTerminalOfEachFirmwareClass) {
    for (const bool newer : {true, false}) {
        SCOPED_TRACE(newer ? "7.0" : "6.5");
        const SimProcess sim({"--firmware", newer ? "7.0" : "6.5"});
        ASSERT_FALSE(sim.DevicePath().empty());
        const TempDir folder;
        const std::string target = folder.Path().string();
        RunResult run =
            RunOrvoctl({"--port",           sim.DevicePath(), "download",     "1",
                        "--avg-tons",       "1200",           "--notes",      "Roof fall, \"east\" panel",
                        "--certified-miin", "m12345678",      "--multi-unit", "abc12345678,XYZ87654321",
                        "--tons",           "1150",           "--csv",        target,
                        "--msha",           target,           "--status-csv", target});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find("records: 62\n"), std::string::npos) << run.out;
        CheckSampleFiles(folder, newer, "-A", orvo::sim::SimStorage::HeaderRegisters());
        const std::string csv = ReadFile(fs::path(folder.Ending(".MSHA").at(0)).replace_extension(".CSV"));
        EXPECT_NE(csv.find(",\"Roof fall, \"east\" panel\"\n"), std::string::npos);
        EXPECT_NE(csv.find(",Multi-unit: yes,ABC12345678,XYZ87654321\n"), std::string::npos);
        EXPECT_NE(csv.find("\n# Certified Person MIIN: m12345678\n"), std::string::npos);
        EXPECT_EQ(folder.Ending("-STATUS-A.CSV").size(), 1u);

        const TempDir log;
        run = RunOrvoctl({"--port", sim.DevicePath(), "download", "--service-log", "--csv",
                          log.Path().string(), "--msha", log.Path().string()});
        // Only the newer firmware keeps a service log; nothing is asked of an older one.
        EXPECT_EQ(run.exitCode, newer ? 0 : 2) << run.err;
        if (newer) // every service-log record, the first and last too, holds the data registers
            CheckSampleFiles(log, newer, "-svc-A", orvo::sim::SimStorage::DataRegisters());
        else
            EXPECT_TRUE(log.Ending("").empty());
    }
}

TEST(ExportEndToEnd, OpenChecksAnImportedFileAndExportsIt) {
    const TempDir folder;
    RunResult run =
        RunOrvoctl({"open", kImported, "--csv", folder / "out.CSV", "--status-csv", folder.Path()},
                   {"TZ=America/New_York"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("serial number: ORV1234567\nrecords: 7\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("interval: 60\ncolumns: 3\nrows: 6\nstatus events: 3\n"), std::string::npos)
        << run.out;
    EXPECT_EQ(ReadFile(folder / "out.CSV"), kImportedCsv);
    EXPECT_EQ(ReadFile(folder / "20240305-08-ORV1234567-4601234-STATUS-A.CSV"),
              "Time,Status Code\n08:01:00 03/05/2024,TE NOT DETECTED\n08:01:00 03/05/2024,HIGH FILTER LOAD\n"
              "08:04:00 03/05/2024,POWER LOW\n");

    // "-" is standard output: the file alone goes there, what orvoctl tells goes to standard error.
    run = RunOrvoctl({"open", kImported, "--csv", "-"}, {"TZ=America/New_York"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, kImportedCsv);
    EXPECT_NE(run.err.find("records: 7\n"), std::string::npos) << run.err;

    std::string edited = ReadFile(kImported);
    edited.replace(edited.find("B-2"), 3, "B-3");
    run = RunOrvoctl({"open", folder.Write("edited.MSHA", edited), "--csv", folder / "edited.CSV"});
    EXPECT_TRUE(run.exitCode == 1 && run.err == "Error: The file is not valid!\n") << run.err;
    EXPECT_FALSE(fs::exists(folder / "edited.CSV"));
    run = RunOrvoctl({"open", folder / "missing.MSHA"});
    EXPECT_TRUE(run.exitCode == 1 && run.err.rfind("Error: There was an error opening the file!\n", 0) == 0)
        << run.err;
}

TEST(ExportEndToEnd, UnwritableTargetSkipsTheMsha) {
    const TempDir folder;
    const RunResult failed = RunOrvoctl(
        {"--demo", "download", "0", "--csv", folder / "no/such/folder/x.CSV", "--msha", folder / "y.MSHA"});
    // The user's message, the system's reason, and no MSHA file.
    EXPECT_TRUE(failed.exitCode == 1 &&
                failed.err.find("Error: There was an error opening the output file!\n") !=
                    std::string::npos &&
                failed.err.find("No such file or directory") != std::string::npos)
        << failed.err;
    EXPECT_FALSE(fs::exists(folder / "y.MSHA"));
}

} // namespace
