// orvoctl's template and configuration file commands against its built-in simulated monitor, one
// test per command proving its wiring: the files it writes, byte for byte, and the frames it sends
// for the files it reads. The rules of the files themselves are the core's tests.

#include <fcntl.h>
#include <unistd.h>

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

// How many frames sent match "FF 02 <command> <seq> <payload> <check> FF 03"; the sequence byte
// FF is doubled on the wire.
size_t CountFrames(const RunResult& run, const std::string& command, const std::string& payload) {
    const std::regex re("FF 02 " + command + " (?:FF FF|[0-9A-F]{2}) " + payload +
                        " [0-9A-F]{2} [0-9A-F]{2} FF 03");
    size_t n = 0;
    for (const std::string& frame : SentFrames(run))
        n += std::regex_match(frame, re);
    return n;
}

// The calibration registers of a fresh simulated monitor as a newer one exports them, and their
// writes: register, three reserved bytes, value word.
const char* const kCalibration[][3] = {
    {"75", "6.97", "4B 00 00 00 40 DF 0A 3D"},       {"76", "-0.122", "4C 00 00 00 BD F9 DB 23"},
    {"128", "-0.057724", "80 00 00 00 BD 6C 70 00"}, {"129", "0.0009", "81 00 00 00 3A 6B ED FA"},
    {"131", "63.7343", "83 00 00 00 42 7E EF EC"},   {"132", "49.843", "84 00 00 00 42 47 5F 3B"},
    {"133", "66.2316", "85 00 00 00 42 84 76 94"},   {"134", "47.343", "86 00 00 00 42 3D 5F 3B"},
    {"183", "0", "B7 00 00 00 00 00 00 00"},
};

std::string NewerExport() {
    std::string xml = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<OrvoML version=\"2.0\">\n"
                      "\t<SerialNumber>ORV1234567</SerialNumber>\n\t<PRCList>\n";
    for (const auto& c : kCalibration)
        xml += "\t\t<PRC>\n\t\t\t<Number>"s + c[0] + "</Number>\n\t\t\t<Value>" + c[1] +
               "</Value>\n\t\t</PRC>\n";
    return xml + "\t</PRCList>\n</OrvoML>\n";
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
    EXPECT_EQ(CountFrames(run, "07", "[0-9A-F]{2} 00 00 00 00 00 00 00 00 00 00 00"), 183u);
    EXPECT_EQ(CountFrames(run, "0E", "53 68 6F 72 74 2E 71 6C 74( 00){41}"), 1u); // "Short.qlt", zero-filled
    // What the monitor now logs, saved again: the one record, then never.
    EXPECT_EQ(folder.Read("back.qlt"), record + std::string(1656 - 9, '\0'));
}

TEST(OrvoctlService, ConfigExportsAndImportAsksOnTheTerminalOrTakesTheAnswerGiven) {
    TempDir folder;
    const std::string path = folder.File("c.xfg");
    ASSERT_EQ(RunOrvoctl({"--demo", "config", "export", path}).exitCode, 0);
    EXPECT_EQ(folder.Read("c.xfg"), NewerExport());
    const std::vector<std::string> args = {"--demo", "--firmware", "6.5", "--trace",
                                           "config", "import",     path};

    // Off a terminal, and with --no, the answer is No: nothing is written.
    const int saved = dup(STDIN_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    close(null);
    const RunResult offTerminal = RunOrvoctl(args);
    dup2(saved, STDIN_FILENO);
    close(saved);
    std::vector<std::string> no = args, yes = args;
    no.push_back("--no");
    yes.push_back("--yes");
    for (const RunResult& run : {offTerminal, RunOrvoctl(no)}) {
        EXPECT_TRUE(run.exitCode == 1 && run.err.find("Orvodesk: Warning:") != std::string::npos) << run.err;
        EXPECT_EQ(CountFrames(run, "05", "01 00 00 00 (?!02 ).*"), 0u); // the clock only
    }
    const RunResult run = RunOrvoctl(yes);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Import complete\nValues will refresh in a few seconds\n"), std::string::npos);
    for (const auto& c : kCalibration)
        EXPECT_EQ(CountFrames(run, "05", "01 00 00 00 "s + c[2]), 1u) << c[0];
    EXPECT_EQ(CountFrames(run, "10", ".*"), 0u);   // no serial number text
    EXPECT_EQ(CountFrames(run, "06", ".*"), 184u); // the reload
}

} // namespace
