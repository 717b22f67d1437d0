// orvoctl's template and configuration file commands against its built-in simulated monitor:
// the files it writes, byte for byte, and the frames it sends for the files it reads.

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OrvoctlRun.h"
#include "TempDir.h"
#include "TraceLines.h"

namespace {

using namespace orvo::test;
using namespace std::string_literals;

// Frames as the trace shows them: a sequence byte (FF is doubled on the wire) and two check bytes.
const std::string kSeq = "(?:FF FF|[0-9A-F]{2})";
const std::string kCheck = "[0-9A-F]{2} [0-9A-F]{2}";

// How many frames sent match "FF 02 <command> <seq> <payload> <check> FF 03".
size_t CountFrames(const RunResult& run, const std::string& command, const std::string& payload) {
    const std::regex re("FF 02 " + command + " " + kSeq + (payload.empty() ? "" : " " + payload) + " " +
                        kCheck + " FF 03");
    size_t n = 0;
    for (const std::string& frame : SentFrames(run))
        n += std::regex_match(frame, re);
    return n;
}

// Single-register writes other than the clock (register 2) set at connection: the import's writes.
size_t CountImportWrites(const RunResult& run) {
    return CountFrames(
        run, "05", "01 00 00 00 (?!02 )[0-9A-F]{2} 00 00 00 [0-9A-F]{2} [0-9A-F]{2} [0-9A-F]{2} [0-9A-F]{2}");
}

// Runs orvoctl with its standard input away from any terminal.
RunResult RunWithoutTerminal(const std::vector<std::string>& args) {
    const int saved = dup(STDIN_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    close(null);
    RunResult run = RunOrvoctl(args);
    dup2(saved, STDIN_FILENO);
    close(saved);
    return run;
}

const std::string kQuestionLine = "Orvodesk: Warning:";

// The calibration registers of a fresh simulated monitor, and their writes: register, three reserved
// bytes, value word.
struct CalibrationPrc {
    const char* number;
    const char* value;
    const char* write;
};
const CalibrationPrc kCalibration[] = {
    {"75", "6.97", "4B 00 00 00 40 DF 0A 3D"},       {"76", "-0.122", "4C 00 00 00 BD F9 DB 23"},
    {"128", "-0.057724", "80 00 00 00 BD 6C 70 00"}, {"129", "0.0009", "81 00 00 00 3A 6B ED FA"},
    {"131", "63.7343", "83 00 00 00 42 7E EF EC"},   {"132", "49.843", "84 00 00 00 42 47 5F 3B"},
    {"133", "66.2316", "85 00 00 00 42 84 76 94"},   {"134", "47.343", "86 00 00 00 42 3D 5F 3B"},
};

std::string Prc(const std::string& number, const std::string& value) {
    return "\t\t<PRC>\n\t\t\t<Number>" + number + "</Number>\n\t\t\t<Value>" + value +
           "</Value>\n\t\t</PRC>\n";
}

// As each firmware class exports it: the calibration registers between a head and a tail of its own.
std::string Export(bool newer) {
    std::string xml = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<OrvoML version=\""s +
                      (newer ? "2.0" : "1.0") + "\">\n";
    xml += newer ? "\t<SerialNumber>ORV1234567</SerialNumber>\n\t<PRCList>\n"
                 : "\t<PRCList>\n" + Prc("1", "1234567");
    for (const CalibrationPrc& c : kCalibration)
        xml += Prc(c.number, c.value);
    if (newer)
        xml += Prc("183", "0");
    return xml + "\t</PRCList>\n</OrvoML>\n";
}
const std::string kOlderExport = Export(false);
const std::string kNewerExport = Export(true);

TEST(OrvoctlService, NineByteTemplateGoesOutAndComesBack) {
    TempDir folder;
    // Register 0 on delta every 30 s with delta 0.5.
    const std::string record = "\x01\x1E\x00\x00\x00\x00\x00\x00\x3F"s;
    const std::string path = folder.Write("Short.qlt", record);
    const RunResult run =
        RunOrvoctl({"--demo", "--trace", "template", "send", path, "save", folder.File("back.qlt")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // Code 31 with delta 0.5 for register 0; code 0 with delta 0 for every other register.
    EXPECT_EQ(CountFrames(run, "07", "00 00 00 00 00 00 00 1F 3F 00 00 00"), 1u);
    EXPECT_EQ(CountFrames(run, "07", "B7 00 00 00 00 00 00 00 00 00 00 00"), 1u);
    EXPECT_EQ(CountFrames(run, "07", "[0-9A-F]{2} 00 00 00 00 00 00 00 00 00 00 00"), 183u);
    // The name, zero-filled to 50 bytes.
    std::string name = "53 68 6F 72 74 2E 71 6C 74"; // "Short.qlt"
    for (int i = 9; i < 50; ++i)
        name += " 00";
    EXPECT_EQ(CountFrames(run, "0E", name), 1u);
    EXPECT_NE(run.out.find("template name \"Short.qlt\""), std::string::npos) << run.out;
    // What the monitor now logs, saved again: the one record, then never.
    EXPECT_EQ(folder.Read("back.qlt"), record + std::string(1656 - 9, '\0'));
}

TEST(OrvoctlService, ConfigExportOfEachFirmwareClass) {
    TempDir folder;
    for (const auto& [firmware, expected] :
         {std::pair{"6.5", kOlderExport}, std::pair{"7.0", kNewerExport}}) {
        SCOPED_TRACE(firmware);
        const RunResult run =
            RunOrvoctl({"--demo", "--firmware", firmware, "config", "export", folder.File("c.xfg")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(folder.Read("c.xfg"), expected);
    }
}

TEST(OrvoctlService, VersionTwoIntoOlderFirmwareAsksAndNeverSendsTheSerialNumber) {
    TempDir folder;
    const std::string path = folder.Write("c.xfg", kNewerExport);

    // Off a terminal, and with --no, the answer is No: nothing is written.
    for (const bool explicitNo : {false, true}) {
        std::vector<std::string> args = {"--demo", "--firmware", "6.5", "--trace", "config", "import", path};
        if (explicitNo)
            args.push_back("--no");
        const RunResult run = RunWithoutTerminal(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(kQuestionLine), std::string::npos) << run.err;
        EXPECT_EQ(CountImportWrites(run), 0u);
    }

    const RunResult run =
        RunOrvoctl({"--demo", "--firmware", "6.5", "--trace", "config", "import", path, "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find(kQuestionLine), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("Import complete\nValues will refresh in a few seconds\n"), std::string::npos);
    for (const CalibrationPrc& c : kCalibration)
        EXPECT_EQ(CountFrames(run, "05", "01 00 00 00 "s + c.write), 1u) << c.number;
    EXPECT_EQ(CountFrames(run, "05", "01 00 00 00 B7 00 00 00 00 00 00 00"), 1u); // 183: 0
    EXPECT_EQ(CountImportWrites(run), 9u);
    EXPECT_EQ(CountFrames(run, "10", ".*"), 0u);   // no serial number text
    EXPECT_EQ(CountFrames(run, "06", ".*"), 184u); // the reload
}

TEST(OrvoctlService, VersionOneIntoNewerFirmwareIsTakenWithoutAQuestion) {
    TempDir folder;
    const std::string path = folder.Write("c.xfg", kOlderExport);
    const RunResult run = RunWithoutTerminal(
        {"--demo", "--trace", "config", "import", path, "export", folder.File("back.xfg")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find(kQuestionLine), std::string::npos) << run.err;
    // Register 1 becomes the serial number text "1234567" and the register is cleared.
    EXPECT_EQ(CountFrames(run, "10", "31 32 33 34 35 36 37 00 00 00 00 00"), 1u);
    EXPECT_EQ(CountFrames(run, "05", "01 00 00 00 01 00 00 00 00 00 00 00"), 1u);
    for (const CalibrationPrc& c : kCalibration)
        EXPECT_EQ(CountFrames(run, "05", "01 00 00 00 "s + c.write), 1u) << c.number;
    EXPECT_EQ(CountImportWrites(run), 9u);
    // Exported again, the monitor now carries the serial number of the file.
    std::string expected = kNewerExport;
    expected.replace(expected.find("ORV1234567"), 10, "1234567");
    EXPECT_EQ(folder.Read("back.xfg"), expected);
}

TEST(OrvoctlService, MalformedPrcStopsTheImportAfterTheEarlierWrites) {
    TempDir folder;
    const std::string path =
        folder.Write("bad.xfg", "<OrvoML version=\"1.0\"><PRCList>"
                                "<PRC><Number>75</Number><Value>6.97</Value></PRC>"
                                "<PRC><Number>76</Number><Value>1</Value><Value>2</Value></PRC>"
                                "<PRC><Number>128</Number><Value>3</Value></PRC>"
                                "</PRCList></OrvoML>");
    const RunResult run = RunOrvoctl({"--demo", "--firmware", "6.5", "--trace", "config", "import", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Error: File formatting error\nA PRC number or value may be missing"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(CountFrames(run, "05", "01 00 00 00 "s + kCalibration[0].write), 1u);
    EXPECT_EQ(CountImportWrites(run), 1u);
}

TEST(OrvoctlService, UnreadableFilesAreRefusedWithTheFormsMessages) {
    TempDir folder;
    const std::string other = folder.Write("other.xml", "<?xml version=\"1.0\"?><Other/>");
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"template", "send", folder.File("none.qlt")}, "There was an error opening the template file!"},
        {{"config", "import", other}, "Error: File does not contain configuration data"},
    };
    for (const auto& [command, says] : cases) {
        std::vector<std::string> args = {"--demo"};
        args.insert(args.end(), command.begin(), command.end());
        const RunResult run = RunOrvoctl(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
    }
}

} // namespace
