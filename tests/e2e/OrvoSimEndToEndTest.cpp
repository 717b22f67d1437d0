// orvoctl against orvo-sim: two processes joined by a pseudo-terminal, QtSerialPort on the host's
// side. Judged by orvoctl's output and exit status, and by what the simulator's own trace says it
// heard and answered.

#include "OrvoctlRun.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <ctime>
#include <future>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace orvo::test;
using SteadyClock = std::chrono::steady_clock;

constexpr int kRunLimitSeconds = 30;

double SecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}
RunResult Orvoctl(const SimProcess& sim, const std::vector<std::string>& commands,
                  const std::vector<std::string>& options = {}) {
    std::vector<std::string> args = {"--port", sim.DevicePath()};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), commands.begin(), commands.end());
    return RunOrvoctl(args, {}, kRunLimitSeconds);
}

// The device clock lies within half a minute of the computer's, read back on the local clock.
void ExpectDeviceTimeNow(const std::string& text) {
    std::tm tm{};
    const char* rest = strptime(text.c_str(), "%m/%d/%Y %H:%M:%S", &tm);
    ASSERT_TRUE(rest && *rest == '\0') << text;
    tm.tm_isdst = -1;
    EXPECT_NEAR(double(std::mktime(&tm)), double(std::time(nullptr)), 30.0) << text;
}

// Both firmware classes, four stored samples of five records each.
TEST(OrvoSimEndToEnd, StatusRegistersAndSamplesCrossTheSerialPath) {
    for (const auto& [version, firmware, serial, register0] :
         {std::tuple{"7.0", "7.00", "E2E-0042", "7"}, std::tuple{"6.5", "6.50", "7654321", "6.5"}}) {
        SCOPED_TRACE(version);
        SimProcess sim({"--firmware", version, "--serial", "7654321", "--serial-text", "E2E-0042",
                        "--samples", "4", "--records", "5"});
        ASSERT_FALSE(sim.DevicePath().empty()) << sim.Log();
        const RunResult run = Orvoctl(sim, {"status", "read", "0", "1", "72", "96", "samples"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::string> lines = run.OutLines();
        ASSERT_EQ(lines.size(), 13u) << run.out;
        EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4),
                  (std::vector<std::string>{"connected: yes", "firmware: " + std::string(firmware),
                                            "serial: " + std::string(serial), "state: stopped"}));
        ASSERT_EQ(lines[4].rfind("device time: ", 0), 0u) << lines[4];
        ExpectDeviceTimeNow(lines[4].substr(13));
        std::string registers;
        for (size_t i = 5; i < 9; ++i) {
            const RegisterLine r = ParseRegisterLine(lines[i]);
            registers += std::to_string(r.number) + " " + r.name + " " + r.value + "|";
        }
        EXPECT_EQ(registers, "0 FIRMWARE VERSION " + std::string(register0) +
                                 "|1 SERIAL NUMBER 7654321|72 FLOW RATE SET PT 2.2|96 MASS K0 15000|");
        // The entries' fields are the core's to check; here that all four come, in index order.
        for (size_t i = 0; i < 4; ++i) {
            const std::vector<std::string> f = SplitFields(lines[9 + i]);
            EXPECT_TRUE(f.size() == 14u && f[2] == std::to_string(i)) << lines[9 + i];
        }
    }
}

// ---- the wire --------------------------------------------------------------------------------------

TEST(OrvoSimWire, SilentMonitorExitsThreeAfterTheTimeOut) {
    SimProcess sim({"--silent"});
    ASSERT_FALSE(sim.DevicePath().empty()) << sim.Log();
    const auto begin = SteadyClock::now();
    const RunResult run = Orvoctl(sim, {"status"}, {"--timeout", "2.5"});
    const double elapsed = SecondsSince(begin);
    EXPECT_TRUE(run.exitCode == 3 && run.out.empty() && run.err.find("no answer") != std::string::npos)
        << run.err;
    EXPECT_TRUE(elapsed >= 2.4 && elapsed < 3.5) << elapsed;
}

TEST(OrvoSimWire, CablePulledDuringACommandExitsThreeWithinSeconds) {
    // Paced at 19200 baud, 60 registers take four answers of a few tens of milliseconds each: the
    // cable is pulled while the command is under way.
    SimProcess sim({"--pace", "--trace"});
    ASSERT_FALSE(sim.DevicePath().empty()) << sim.Log();
    std::vector<std::string> command = {"read"};
    for (int n = 183; n > 123; --n)
        command.push_back(std::to_string(n));

    std::future<RunResult> running = std::async(std::launch::async, [&] {
        return Orvoctl(sim, command, {"--timeout", "30"});
    });
    // The first of the four reads: 15 registers, 183 (0xB7) downwards.
    const bool underWay = sim.WaitForLog([](const std::string& log) {
        return log.find("-> cmd 4 seq ") != std::string::npos &&
               log.find(": 0F B7 B6 B5") != std::string::npos;
    });
    const auto pulled = SteadyClock::now();
    sim.Signal(SIGUSR1);
    ASSERT_TRUE(underWay) << sim.Log();

    ASSERT_EQ(running.wait_for(std::chrono::seconds(kRunLimitSeconds + 5)), std::future_status::ready);
    const RunResult run = running.get();
    const double elapsed = SecondsSince(pulled);
    EXPECT_TRUE(run.exitCode == 3 && run.out.empty() &&
                run.err.find("stopped answering") != std::string::npos)
        << run.err;
    // Seven transmissions 325 ms apart, then the link is lost: far inside the 30 s time-out.
    EXPECT_LT(elapsed, 5.0);
    EXPECT_NE(sim.Log().find("orvo-sim: silent"), std::string::npos) << sim.Log();
}

} // namespace
