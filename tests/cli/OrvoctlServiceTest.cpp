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

size_t CountCommand(const RunResult& run, const std::string& command) {
    const std::regex re("FF 02 " + command + " .*");
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

// The configuration of a fresh simulated monitor, as each firmware class exports it: the same
// calibration registers between a head and a tail of its own.
const std::string kCalibrationPrcs =
    "\t\t<PRC>\n\t\t\t<Number>75</Number>\n\t\t\t<Value>6.97</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>76</Number>\n\t\t\t<Value>-0.122</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>128</Number>\n\t\t\t<Value>-0.057724</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>129</Number>\n\t\t\t<Value>0.0009</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>131</Number>\n\t\t\t<Value>63.7343</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>132</Number>\n\t\t\t<Value>49.843</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>133</Number>\n\t\t\t<Value>66.2316</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>134</Number>\n\t\t\t<Value>47.343</Value>\n\t\t</PRC>\n";
const std::string kOlderExport =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<OrvoML version=\"1.0\">\n"
    "\t<PRCList>\n"
    "\t\t<PRC>\n\t\t\t<Number>1</Number>\n\t\t\t<Value>1234567</Value>\n\t\t</PRC>\n" +
    kCalibrationPrcs +
    "\t</PRCList>\n"
    "</OrvoML>\n";
const std::string kNewerExport = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                 "<OrvoML version=\"2.0\">\n"
                                 "\t<SerialNumber>ORV1234567</SerialNumber>\n"
                                 "\t<PRCList>\n" +
                                 kCalibrationPrcs +
                                 "\t\t<PRC>\n\t\t\t<Number>183</Number>\n\t\t\t<Value>0</Value>\n\t\t</PRC>\n"
                                 "\t</PRCList>\n"
                                 "</OrvoML>\n";

// The calibration writes of the files above: register, three reserved bytes, value word.
const char* const kCalibrationWrites[] = {
    "4B 00 00 00 40 DF 0A 3D", // 75: 6.97
    "4C 00 00 00 BD F9 DB 23", // 76: -0.122
    "80 00 00 00 BD 6C 70 00", // 128: -0.057724
    "81 00 00 00 3A 6B ED FA", // 129: 0.0009
    "83 00 00 00 42 7E EF EC", // 131: 63.7343
    "84 00 00 00 42 47 5F 3B", // 132: 49.843
    "85 00 00 00 42 84 76 94", // 133: 66.2316
    "86 00 00 00 42 3D 5F 3B", // 134: 47.343
};

TEST(OrvoctlService, TemplateSaveReadsEveryRegisterInFull) {
    TempDir folder;
    const RunResult run = RunOrvoctl({"--demo", "--trace", "template", "save", folder.File("t.qlt")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(CountCommand(run, "06"), 184u);
    const std::string bytes = folder.Read("t.qlt");
    ASSERT_EQ(bytes.size(), 1656u);
    // The monitor's defaults: 0 header/footer, 34 on delta every 60 s, 35 never.
    EXPECT_EQ(bytes.substr(0, 9), "\x02\x00\x00\x00\x00\x00\x00\x00\x00"s);
    EXPECT_EQ(bytes.substr(34 * 9, 9), "\x01\x3C\x00\x00\x00\x00\x00\x00\x00"s);
    EXPECT_EQ(bytes.substr(35 * 9, 9), std::string(9, '\0'));
}

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

TEST(OrvoctlService, MissingTemplateIsRefusedWithTheFormsMessage) {
    TempDir folder;
    const RunResult run = RunOrvoctl({"--demo", "template", "send", folder.File("none.qlt")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("There was an error opening the template file!"), std::string::npos) << run.err;
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
    for (const char* write : kCalibrationWrites)
        EXPECT_EQ(CountFrames(run, "05", "01 00 00 00 "s + write), 1u) << write;
    EXPECT_EQ(CountFrames(run, "05", "01 00 00 00 B7 00 00 00 00 00 00 00"), 1u); // 183: 0
    EXPECT_EQ(CountImportWrites(run), 9u);
    EXPECT_EQ(CountCommand(run, "10"), 0u);   // no serial number text
    EXPECT_EQ(CountCommand(run, "06"), 184u); // the reload
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
    for (const char* write : kCalibrationWrites)
        EXPECT_EQ(CountFrames(run, "05", "01 00 00 00 "s + write), 1u) << write;
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
    EXPECT_EQ(CountFrames(run, "05", "01 00 00 00 "s + kCalibrationWrites[0]), 1u);
    EXPECT_EQ(CountImportWrites(run), 1u);
}

TEST(OrvoctlService, FileWithoutConfigurationData) {
    TempDir folder;
    const std::string path = folder.Write("other.xml", "<?xml version=\"1.0\"?><Other/>");
    const RunResult run = RunOrvoctl({"--demo", "config", "import", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Error: File does not contain configuration data"), std::string::npos) << run.err;
}

} // namespace
