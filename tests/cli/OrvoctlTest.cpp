// orvoctl as a user runs it: a subprocess against its built-in simulated monitor, judged by its
// output, its exit status and the frames its --trace shows on the wire. The real serial path and
// the lost link are covered against orvo-sim in the end-to-end tests.

#include <stdlib.h>

#include <cstdlib>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OrvoctlRun.h"
#include "TempDir.h"
#include "TraceLines.h"

namespace {

using namespace orvo::test;

bool AnyFrameMatches(const RunResult& run, const std::string& pattern) {
    const std::regex re(pattern);
    for (const std::string& frame : SentFrames(run))
        if (std::regex_match(frame, re))
            return true;
    return false;
}

// A start two hours ahead on the local clock, whole minutes: its text and its UTC seconds.
std::pair<std::string, long> StartInTwoHours() {
    const std::time_t later = std::time(nullptr) + 7200;
    std::tm tm{};
    localtime_r(&later, &tm);
    tm.tm_sec = 0;
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &tm);
    tm.tm_isdst = -1;
    return {text, long(std::mktime(&tm))};
}

// A German locale with a decimal comma. It is usually not installed; when the tools are there it
// is compiled into a temporary directory so that the environment really asks for "2,4".
class GermanLocale {
public:
    GermanLocale() {
        if (m_dir.Path().empty())
            return;
        const std::string command =
            "localedef -i de_DE -f UTF-8 " + m_dir.File("de_DE.UTF-8") + " >/dev/null 2>&1";
        m_compiled = std::system(command.c_str()) == 0;
    }
    std::vector<std::string> Environment() const {
        std::vector<std::string> env = {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"};
        if (m_compiled)
            env.push_back("LOCPATH=" + m_dir.Path().string());
        return env;
    }

private:
    TempDir m_dir;
    bool m_compiled = false;
};

TEST(Orvoctl, WriteSendsTheValuesAndNumbersReadTheSameUnderAGermanLocale) {
    const GermanLocale german;
    // "2.4" is two point four; a time-out of 2.5 s is no bad usage.
    const RunResult run = RunOrvoctl(
        {"--demo", "--trace", "--timeout", "2.5", "write", "14=3600", "72=2.4", "read", "14", "72", "status"},
        german.Environment());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = run.OutLines();
    ASSERT_EQ(lines.size(), 9u) << run.out;
    // What the monitor kept, as written back and as read.
    for (size_t i : {0, 1, 2, 3})
        EXPECT_EQ(ParseRegisterLine(lines[i]).value, i % 2 ? "2.4" : "3600") << lines[i];
    EXPECT_EQ(lines[5], "firmware: 7.00");
    // One request: 14 := 0x00000E10 and 72 := 0x4019999A, each after three reserved bytes.
    EXPECT_TRUE(AnyFrameMatches(run, "FF 02 05 [0-9A-F]{2} 02 00 00 00 0E 00 00 00 00 00 0E 10 "
                                     "48 00 00 00 40 19 99 9A [0-9A-F]{2} [0-9A-F]{2} FF 03"));

    const RunResult comma = RunOrvoctl({"--demo", "--trace", "write", "72=2,4"}, german.Environment());
    EXPECT_EQ(comma.exitCode, 2) << comma.err;
    EXPECT_NE(comma.err.find("2,4"), std::string::npos) << comma.err;
}

TEST(Orvoctl, BadUsageExitsTwoBeforeAnyFrameIsSent) {
    struct Case {
        std::vector<std::string> args;
        const char* says;       // part of the message
        bool connected = false; // checked against the firmware class it identified
    };
    const Case cases[] = {
        {{"--demo", "read", "184"}, "184"},
        {{"--demo", "read", "x"}, "x"},
        {{"--demo", "read"}, "N"},
        {{"--demo", "write", "14=abc"}, "abc"},
        {{"--demo", "write", "14=1.5"}, "whole numbers"},
        {{"--demo", "write", "14"}, "N=VALUE"},
        {{"--demo", "write", "999=1"}, "999"},
        {{"status"}, "--port"},
        {{"--demo", "--port", "/dev/null", "status"}, "--port"},
        {{"--demo", "--firmware", "6.6", "status"}, "6.6"},
        {{"--port", "/dev/null", "--firmware", "6.5", "status"}, "--firmware"},
        {{"--demo", "--timeout", "0", "status"}, "--timeout"},
        {{"--demo", "--timeout", "1e300", "status"}, "--timeout"}, // its deadline would overflow
        {{"--demo"}, "subcommand"},
        {{"--demo", "frobnicate"}, "subcommand"},
        {{"--demo", "status", "read", "1", "status"}, "status"},
        {{"--demo", "program"}, "--duration"},
        {{"--demo", "program", "--duration", "1:75"}, "--duration"},
        {{"--demo", "program", "--duration", "60", "--start", "2026-02-30 10:00"}, "--start"},
        {{"--demo", "program", "--duration", "60", "--start", "now+x"}, "--start"},
        // An hour skipped by daylight time.
        {{"--demo", "program", "--duration", "60", "--start", "2026-03-08 02:30"}, "--start"},
        {{"--demo", "program", "--duration", "60", "--sample-type", "256"}, "--sample-type"},
        {{"--demo", "program", "--duration", "60", "--sample-type", "2,5"}, "--sample-type"},
        {{"--demo", "program", "--duration", "60", "--mine-name", "Pit 1, East"}, "comma"},
        // What the firmware's program layout cannot hold.
        {{"--demo", "--firmware", "6.5", "program", "--duration", "60", "--wearer", "123456789"},
         "--wearer",
         true},
        {{"--demo", "--firmware", "6.5", "program", "--duration", "60", "--occupation", "0361"},
         "--occupation",
         true},
        {{"--demo", "--firmware", "6.5", "program", "--duration", "60", "--miin", "12AB"}, "--miin", true},
        {{"--demo", "program", "--duration", "60", "--occupation", "abc"}, "--occupation", true},
        {{"--demo", "program", "--duration", "60", "--spare", std::string(33, 'S')}, "--spare", true},
        // Shift information is checked before any port is opened.
        {{"--port", "/nonexistent/ttyORVO", "download", "0", "--avg-tons", "12.5"}, "must be a whole number"},
        {{"--port", "/nonexistent/ttyORVO", "download", "0", "--interval", "1.5"}, "--interval"},
        {{"--port", "/nonexistent/ttyORVO", "download", "0", "--csv", "-", "--msha", "-"}, "standard output"},
        {{"--demo", "download", "--csv", "x.CSV"}, "INDEX"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--trace"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(c.args.back());
        const RunResult run = RunOrvoctl(args, {"TZ=America/New_York"});
        EXPECT_TRUE(run.exitCode == 2 && run.out.empty() && run.err.find(c.says) != std::string::npos)
            << run.err;
        if (c.connected)
            EXPECT_FALSE(AnyFrameMatches(run, "FF 02 (09|13) .*")) << "a program went out";
        else
            EXPECT_TRUE(SentFrames(run).empty()) << run.err;
    }
}

// A program in the firmware's layout, then clearing it: the monitor's records as printed, and the
// clearing frames on the wire.
TEST(Orvoctl, ProgramThenClearInTheFirmwaresLayout) {
    const std::string fullName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"; // 32: a field without terminator
    for (const auto& fw : {std::pair{"7.0", true}, std::pair{"6.5", false}}) {
        SCOPED_TRACE(fw.first);
        const auto [startText, start] = StartInTwoHours();
        const RunResult run =
            RunOrvoctl({"--demo",   "--trace",     "--firmware", fw.first,       "program",
                        "--wearer", "W12345",      "--mine-id",  "4601234",      "--contractor",
                        "K7P",      "--mine-name", fullName,     "--company",    "Coal Co",
                        "--start",  startText,     "--duration", "08:00",        "--sample-type",
                        "2",        "--mmu",       "0010",       "--occupation", fw.second ? "36" : "036",
                        "--miin",   "1234",        "read",       "11",           "clear-program"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::vector<std::string> lines = run.OutLines();
        ASSERT_EQ(lines.size(), 5u) << run.out;
        // The older class keeps the start on its local clock.
        EXPECT_EQ(ParseRegisterLine(lines[1]).value,
                  std::to_string(fw.second ? start : start + GmtOffsetNow()));
        lines.erase(lines.begin() + 1);
        const std::string times = std::to_string(start) + "," + std::to_string(start + 28800);
        const std::string fields = ",-,-,W12345,4601234,K7P," + fullName + ",Coal Co,2,0010,";
        EXPECT_EQ(lines[0], times + fields + (fw.second ? "36,1234," : "036,1234,0"));
        EXPECT_TRUE(ParseRegisterLine(lines[1]).number == 155 && ParseRegisterLine(lines[1]).value == "0")
            << lines[1];
        EXPECT_TRUE(ParseRegisterLine(lines[2]).number == 149 && ParseRegisterLine(lines[2]).value == "1")
            << lines[2];
        // A short record's start is converted even when it is 0.
        const std::string zero = fw.second ? "0" : std::to_string(-GmtOffsetNow());
        EXPECT_EQ(lines[3], zero + "," + zero + (fw.second ? ",-,-,,,,,,0,,0,," : ",-,-,,,,,,0,,,0,0"));

        // 155 := 0 and 149 := 1 in one request, then a program of zero bytes (no conversion of
        // the zero start): 272 bytes of command 19 or 108 bytes of command 9.
        EXPECT_TRUE(AnyFrameMatches(run, "FF 02 05 [0-9A-F]{2} 02 00 00 00 9B 00 00 00 00 00 00 00 "
                                         "95 00 00 00 00 00 00 01 [0-9A-F]{2} [0-9A-F]{2} FF 03"));
        const std::string program =
            fw.second ? "FF 02 13 [0-9A-F]{2}( 00){272}" : "FF 02 09 [0-9A-F]{2}( 00){108}";
        EXPECT_TRUE(AnyFrameMatches(run, program + " [0-9A-F]{2} [0-9A-F]{2} FF 03"));
    }
}

TEST(Orvoctl, PortThatCannotBeOpenedExitsOneWithTheLinksMessage) {
    const RunResult run = RunOrvoctl({"--port", "/nonexistent/ttyORVO", "status"});
    EXPECT_TRUE(run.exitCode == 1 && run.out.empty() &&
                run.err.rfind("Error: Unable to open the port", 0) == 0)
        << run.err;
}

} // namespace
