// orvoctl as a user runs it: a subprocess against its built-in simulated monitor, judged by its
// output, its exit status and the frames its --trace shows on the wire.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "OrvoctlRun.h"
#include "SimMonitor.h"
#include "TempDir.h"
#include "TraceLines.h"
#include "platform/Clock.h"
#include "platform/TimeZoneSource.h"

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

std::vector<std::string> Args(std::initializer_list<std::string> head,
                              const std::vector<std::string>& tail = {}) {
    std::vector<std::string> args(head);
    args.insert(args.end(), tail.begin(), tail.end());
    return args;
}

bool SameTimeOfDay(long a, long b) {
    const long apart = std::labs(a - b) % 86400;
    return apart < 300 || apart > 86400 - 300;
}

struct FirmwareCase {
    const char* firmware;
    bool newer;
};
const FirmwareCase kFirmwares[] = {{"7.0", true}, {"6.5", false}};

TEST(Orvoctl, StatusReportsIdentityStateAndLocalClockOfEachFirmwareClass) {
    struct Case {
        const char* firmware;
        const char* firmwareLine;
        const char* serialLine;
    };
    for (const Case& c : {Case{"7.0", "firmware: 7.00", "serial: ORV1234567"},
                          Case{"6.5", "firmware: 6.50", "serial: 1234567"}}) {
        SCOPED_TRACE(c.firmware);
        const RunResult run = RunOrvoctl({"--demo", "--firmware", c.firmware, "status"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::string> lines = run.OutLines();
        ASSERT_EQ(lines.size(), 5u) << run.out;
        EXPECT_EQ(lines[0], "connected: yes");
        EXPECT_EQ(lines[1], c.firmwareLine);
        EXPECT_EQ(lines[2], c.serialLine);
        EXPECT_EQ(lines[3], "state: stopped");
        // The older class keeps local time on the monitor; a missed or doubled conversion shows as
        // hours of difference from the computer's own clock.
        std::tm tm{};
        const char* rest = strptime(lines[4].c_str(), "device time: %m/%d/%Y %H:%M:%S", &tm);
        ASSERT_TRUE(rest && *rest == '\0') << lines[4];
        tm.tm_isdst = -1;
        EXPECT_NEAR(double(std::mktime(&tm)), double(std::time(nullptr)), 30.0) << lines[4];
    }
}

TEST(Orvoctl, TraceStampsEveryFrameAndOpensWithTheNewerStatusRequest) {
    const RunResult run = RunOrvoctl({"--demo", "--trace", "status"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::regex line(R"(^\d\d:\d\d:\d\d\.\d{3} [<>]( [0-9A-F]{2})+$)");
    size_t received = 0;
    for (const std::string& l : run.ErrLines()) {
        EXPECT_TRUE(std::regex_match(l, line)) << l;
        received += l.find(" < ") != std::string::npos;
    }
    const std::vector<std::string> sent = SentFrames(run);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().substr(0, 11), "FF 02 18 01"); // status B request, sequence 1
    EXPECT_GT(received, 0u);
}

TEST(Orvoctl, ReadPrintsNumberNameAndValueInTheOrderGiven) {
    const RunResult run = RunOrvoctl({"--demo", "read", "96", "14", "72"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = run.OutLines();
    ASSERT_EQ(lines.size(), 3u) << run.out;
    const RegisterLine expected[] = {
        {96, "MASS K0", "15000"}, {14, "Program Time", "60"}, {72, "FLOW RATE SET PT", "2.2"}};
    for (size_t i = 0; i < 3; ++i) {
        const RegisterLine got = ParseRegisterLine(lines[i]);
        EXPECT_EQ(got.number, expected[i].number) << lines[i];
        EXPECT_EQ(got.name, expected[i].name) << lines[i];
        EXPECT_EQ(got.value, expected[i].value) << lines[i];
    }
}

TEST(Orvoctl, TwentyRegistersGoOutAsReadsOfFifteenAndFive) {
    std::vector<std::string> args = {"--demo", "--trace", "read"};
    for (int n = 0; n < 20; ++n)
        args.push_back(std::to_string(19 - n));
    const RunResult run = RunOrvoctl(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = run.OutLines();
    ASSERT_EQ(lines.size(), 20u) << run.out;
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(ParseRegisterLine(lines[size_t(i)]).number, 19 - i) << lines[size_t(i)];
    EXPECT_EQ(ParseRegisterLine(lines[18]).value, "1234567"); // register 1, the serial number
    EXPECT_TRUE(AnyFrameMatches(run, "FF 02 04 [0-9A-F]{2} 0F 13 12 11 10 0F 0E 0D 0C 0B 0A 09 08 07 06 05 "
                                     "[0-9A-F]{2} [0-9A-F]{2} FF 03"));
    EXPECT_TRUE(AnyFrameMatches(run, "FF 02 04 [0-9A-F]{2} 05 04 03 02 01 00 [0-9A-F]{2} [0-9A-F]{2} FF 03"));
}

TEST(Orvoctl, WriteSendsTheValueAndPrintsWhatTheMonitorKept) {
    const RunResult run = RunOrvoctl({"--demo", "--trace", "write", "14=3600", "read", "14"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = run.OutLines();
    ASSERT_EQ(lines.size(), 2u) << run.out;
    for (const std::string& l : lines) {
        EXPECT_EQ(ParseRegisterLine(l).number, 14) << l;
        EXPECT_EQ(ParseRegisterLine(l).value, "3600") << l;
    }
    // 3600 = 0x00000E10 after register 14 and three reserved bytes.
    EXPECT_TRUE(AnyFrameMatches(run, "FF 02 05 [0-9A-F]{2} 01 00 00 00 0E 00 00 00 00 00 0E 10 "
                                     "[0-9A-F]{2} [0-9A-F]{2} FF 03"));
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

TEST(Orvoctl, NumbersReadAndPrintTheSameUnderAGermanLocale) {
    const GermanLocale german;
    // "2.4" is two point four and goes out as 0x4019999A; a time-out of 2.5 s is no bad usage.
    const RunResult run =
        RunOrvoctl({"--demo", "--trace", "--timeout", "2.5", "write", "72=2.4", "read", "72", "status"},
                   german.Environment());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = run.OutLines();
    ASSERT_EQ(lines.size(), 7u) << run.out;
    EXPECT_EQ(ParseRegisterLine(lines[0]).value, "2.4") << lines[0];
    EXPECT_EQ(ParseRegisterLine(lines[1]).value, "2.4") << lines[1];
    EXPECT_EQ(lines[3], "firmware: 7.00");
    EXPECT_TRUE(AnyFrameMatches(run, "FF 02 05 [0-9A-F]{2} 01 00 00 00 48 00 00 00 40 19 99 9A "
                                     "[0-9A-F]{2} [0-9A-F]{2} FF 03"));

    const RunResult comma = RunOrvoctl({"--demo", "write", "72=2,4"}, german.Environment());
    EXPECT_EQ(comma.exitCode, 2) << comma.err;
}

TEST(Orvoctl, BadUsageExitsTwoBeforeAnyFrameIsSent) {
    struct Case {
        std::vector<std::string> args;
        const char* says; // part of the message
    };
    const Case cases[] = {
        {{"--demo", "read", "184"}, "184"},
        {{"--demo", "read", "-1"}, "-1"},
        {{"--demo", "read", "x"}, "x"},
        {{"--demo", "read"}, "N"},
        {{"--demo", "write", "14=abc"}, "abc"},
        {{"--demo", "write", "72=2,4"}, "2,4"},
        {{"--demo", "write", "14=1.5"}, "whole numbers"},
        {{"--demo", "write", "14=-1"}, "whole numbers"},
        {{"--demo", "write", "14"}, "N=VALUE"},
        {{"--demo", "write", "999=1"}, "999"},
        {{"status"}, "--port"},
        {{"--demo", "--port", "/dev/null", "status"}, "--port"},
        {{"--demo", "--firmware", "6.6", "status"}, "6.6"},
        {{"--port", "/dev/null", "--firmware", "6.5", "status"}, "--firmware"},
        {{"--demo", "--timeout", "0", "status"}, "--timeout"},
        {{"--demo"}, "subcommand"},
        {{"--demo", "frobnicate"}, "subcommand"},
        {{"--demo", "status", "read", "1", "status"}, "status"},
        {{"--demo", "program"}, "--duration"},
        {{"--demo", "program", "--duration", "0"}, "--duration"},
        {{"--demo", "program", "--duration", "1:75"}, "--duration"},
        {{"--demo", "program", "--duration", "60", "--start", "2026-02-30 10:00"}, "--start"},
        {{"--demo", "program", "--duration", "60", "--start", "now+x"}, "--start"},
        {{"--demo", "program", "--duration", "60", "--sample-type", "256"}, "--sample-type"},
        {{"--demo", "program", "--duration", "60", "--mine-name", "Pit 1, East"}, "comma"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--trace"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string shown;
        for (const std::string& a : args)
            shown += a + ' ';
        SCOPED_TRACE(shown);
        const RunResult run = RunOrvoctl(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_TRUE(SentFrames(run).empty()) << run.err;
    }
}

TEST(Orvoctl, StartInAnHourSkippedByDaylightTimeIsRefused) {
    const RunResult run = RunOrvoctl({"--demo", "program", "--duration", "60", "--start", "2026-03-08 02:30"},
                                     {"TZ=America/New_York"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("--start"), std::string::npos) << run.err;
}

TEST(Orvoctl, SamplesListsTheStoredEntriesInIndexOrder) {
    for (const FirmwareCase& fw : kFirmwares) {
        SCOPED_TRACE(fw.firmware);
        orvo::sim::SimConfig config;
        config.firmware = fw.newer ? 7.0f : 6.5f;
        const orvo::sim::SimMonitor reference(config, orvo::SystemClock::Instance(),
                                              orvo::SystemTimeZone::Instance());
        const std::vector<orvo::sim::SimSample> samples = reference.StoredSamples();
        ASSERT_FALSE(samples.empty());

        const RunResult run = RunOrvoctl({"--demo", "--firmware", fw.firmware, "samples"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::string> lines = run.OutLines();
        ASSERT_EQ(lines.size(), samples.size()) << run.out;
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::vector<std::string> f = SplitFields(lines[i]);
            ASSERT_EQ(f.size(), 14u) << lines[i];
            const orvo::sim::SimSample& s = samples[i];
            EXPECT_EQ(f[2], std::to_string(i)) << lines[i];
            // UTC on both sides. The reference was made a moment apart from the child's monitor,
            // possibly across midnight, which moves every sample by a day.
            EXPECT_TRUE(SameTimeOfDay(std::stol(f[0]), s.startUtc)) << lines[i] << " vs " << s.startUtc;
            EXPECT_TRUE(SameTimeOfDay(std::stol(f[1]), s.endUtc)) << lines[i] << " vs " << s.endUtc;
            EXPECT_EQ(f[4], s.fields.wearerId);
            EXPECT_EQ(f[5], s.fields.mineId);
            EXPECT_EQ(f[6], s.fields.contractor);
            EXPECT_EQ(f[7], s.fields.mineName);
            EXPECT_EQ(f[8], s.fields.companyName);
            EXPECT_EQ(f[9], std::to_string(s.fields.sampleType));
        }
    }
}

TEST(Orvoctl, ProgramSendsTheShiftInTheFirmwaresLayout) {
    const std::string fullName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"; // 32: a field without terminator
    for (const FirmwareCase& fw : kFirmwares) {
        SCOPED_TRACE(fw.firmware);
        const auto [startText, start] = StartInTwoHours();
        const RunResult run =
            RunOrvoctl({"--demo",       "--firmware", fw.firmware,     "program",
                        "--wearer",     "W12345",     "--mine-id",     "4601234",
                        "--contractor", "K7P",        "--mine-name",   fullName,
                        "--company",    "Coal Co",    "--start",       startText,
                        "--duration",   "08:00",      "--sample-type", "2",
                        "--mmu",        "0010",       "--occupation",  fw.newer ? "36" : "036",
                        "--miin",       "1234",       "status",        "read",
                        "11",           "14"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::string> lines = run.OutLines();
        ASSERT_EQ(lines.size(), 8u) << run.out;

        const std::string times = std::to_string(start) + "," + std::to_string(start + 28800);
        const std::string fields = ",-,-,W12345,4601234,K7P," + fullName + ",Coal Co,2,0010,";
        EXPECT_EQ(lines[0], times + fields + (fw.newer ? "36,1234," : "036,1234,0"));
        EXPECT_EQ(lines[4], "state: programmed");
        // The older class keeps the start on its local clock.
        const long deviceStart = fw.newer ? start : start + GmtOffsetNow();
        EXPECT_EQ(ParseRegisterLine(lines[6]).number, 11);
        EXPECT_EQ(ParseRegisterLine(lines[6]).value, std::to_string(deviceStart));
        EXPECT_EQ(ParseRegisterLine(lines[7]).value, "28800");
    }
}

TEST(Orvoctl, ProgramRefusesWhatTheFirmwaresLayoutCannotHold) {
    struct Case {
        const char* firmware;
        std::vector<std::string> fields;
        const char* says;
    };
    const Case cases[] = {
        {"6.5", {"--wearer", "123456789"}, "--wearer"},
        {"6.5", {"--occupation", "0361"}, "--occupation"},
        {"6.5", {"--miin", "12AB"}, "--miin"},
        {"7.0", {"--occupation", "abc"}, "--occupation"},
        {"7.0", {"--spare", std::string(33, 'S')}, "--spare"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        const RunResult run = RunOrvoctl(
            Args({"--demo", "--trace", "--firmware", c.firmware, "program", "--duration", "60"}, c.fields));
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_FALSE(AnyFrameMatches(run, "FF 02 (09|13) .*")) << "a program went out";
    }
}

TEST(Orvoctl, ClearProgramWritesTheRegistersThenAnEmptyProgram) {
    for (const FirmwareCase& fw : kFirmwares) {
        SCOPED_TRACE(fw.firmware);
        const RunResult run =
            RunOrvoctl({"--demo", "--trace", "--firmware", fw.firmware, "program", "--start", "now+120",
                        "--duration", "60", "clear-program", "read", "11", "status"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::string> lines = run.OutLines();
        ASSERT_EQ(lines.size(), 10u) << run.out;
        EXPECT_EQ(ParseRegisterLine(lines[1]).number, 155);
        EXPECT_EQ(ParseRegisterLine(lines[1]).value, "0");
        EXPECT_EQ(ParseRegisterLine(lines[2]).number, 149);
        EXPECT_EQ(ParseRegisterLine(lines[2]).value, "1");
        // A short record's start is converted even when it is 0.
        const std::string zero = fw.newer ? "0" : std::to_string(-GmtOffsetNow());
        EXPECT_EQ(lines[3], zero + "," + zero + (fw.newer ? ",-,-,,,,,,0,,0,," : ",-,-,,,,,,0,,,0,0"));
        EXPECT_EQ(ParseRegisterLine(lines[4]).value, "0");
        EXPECT_EQ(lines[8], "state: stopped");

        // 155 := 0 and 149 := 1 in one request, then a program of zero bytes (no conversion of
        // the zero start): 272 bytes of command 19 or 108 bytes of command 9.
        EXPECT_TRUE(AnyFrameMatches(run, "FF 02 05 [0-9A-F]{2} 02 00 00 00 9B 00 00 00 00 00 00 00 "
                                         "95 00 00 00 00 00 00 01 [0-9A-F]{2} [0-9A-F]{2} FF 03"));
        const std::string program =
            fw.newer ? "FF 02 13 [0-9A-F]{2}( 00){272}" : "FF 02 09 [0-9A-F]{2}( 00){108}";
        EXPECT_TRUE(AnyFrameMatches(run, program + " [0-9A-F]{2} [0-9A-F]{2} FF 03"));
    }
}

// A simulated monitor behind a pseudo-terminal, so that orvoctl takes the real serial path. It can
// fall silent once it has identified itself, like a monitor whose cable is pulled.
class PtyMonitor {
public:
    explicit PtyMonitor(bool silentAfterIdentifying)
        : m_sim(orvo::sim::SimConfig{}, orvo::SystemClock::Instance(), orvo::SystemTimeZone::Instance()),
          m_silentAfterIdentifying(silentAfterIdentifying) {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            return;
        m_path = ptsname(m_master);
        // Held open so that the master never reads as hung up between orvoctl's opens.
        m_slave = open(m_path.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        if (m_slave >= 0 && tcgetattr(m_slave, &raw) == 0) {
            cfmakeraw(&raw);
            tcsetattr(m_slave, TCSANOW, &raw);
        }
        m_pump = std::thread([this] { Pump(); });
    }
    ~PtyMonitor() {
        m_stop = true;
        if (m_pump.joinable())
            m_pump.join();
        if (m_slave >= 0)
            close(m_slave);
        if (m_master >= 0)
            close(m_master);
    }
    const std::string& Path() const { return m_path; }

private:
    void Pump() {
        while (!m_stop) {
            pollfd fd{m_master, POLLIN, 0};
            if (poll(&fd, 1, 50) <= 0 || !(fd.revents & POLLIN))
                continue;
            uint8_t buffer[512];
            const ssize_t n = read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            std::vector<uint8_t> answer;
            m_sim.FeedHostBytes(buffer, size_t(n), answer);
            if (!answer.empty() && write(m_master, answer.data(), answer.size()) < 0)
                continue;
            if (m_silentAfterIdentifying && !answer.empty()) {
                for (const orvo::sim::SimRequest& r : m_sim.Requests())
                    if (r.command == 24)
                        m_sim.SetSilent(true);
            }
        }
    }

    orvo::sim::SimMonitor m_sim;
    const bool m_silentAfterIdentifying;
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    std::atomic<bool> m_stop{false};
    std::thread m_pump;
};

TEST(Orvoctl, RealSerialPathAnswersAndAMonitorFallingSilentExitsThree) {
    {
        PtyMonitor monitor(false);
        ASSERT_FALSE(monitor.Path().empty());
        const RunResult run = RunOrvoctl({"--port", monitor.Path(), "status", "read", "96"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::string> lines = run.OutLines();
        ASSERT_EQ(lines.size(), 6u) << run.out;
        EXPECT_EQ(lines[1], "firmware: 7.00");
        EXPECT_EQ(ParseRegisterLine(lines[5]).value, "15000");
    }
    {
        // Identified, then nothing: the link gives up after its retries, well inside the time-out.
        PtyMonitor monitor(true);
        const RunResult run = RunOrvoctl({"--port", monitor.Path(), "--timeout", "30", "read", "96"});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("stopped answering"), std::string::npos) << run.err;
    }
}

TEST(Orvoctl, SilentPortExitsThreeAfterTheTimeOut) {
    // A pseudo-terminal nobody answers on.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    const RunResult run = RunOrvoctl({"--port", slave, "--timeout", "1", "status"});
    close(master);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("no answer"), std::string::npos) << run.err;
}

TEST(Orvoctl, PortThatCannotBeOpenedExitsOneWithTheLinksMessage) {
    const RunResult run = RunOrvoctl({"--port", "/nonexistent/ttyORVO", "status"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("Error: Unable to open the port", 0), 0u) << run.err;
}

} // namespace
