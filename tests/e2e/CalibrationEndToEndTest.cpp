// orvoctl's procedures against orvo-sim on a pseudo-terminal, both twenty times faster than real time:
// judged by what orvoctl prints, its exit status and what the simulator heard last.

#include "OrvoctlRun.h"
#include "SimProcess.h"
#include "TraceLines.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <future>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace orvo::test;

constexpr int kLimitSeconds = 60;

RunResult Orvoctl(const SimProcess& sim, const std::vector<std::string>& command) {
    std::vector<std::string> args = {"--port", sim.DevicePath(), "--time-scale", "20"};
    args.insert(args.end(), command.begin(), command.end());
    return RunOrvoctl(args, {}, kLimitSeconds);
}

// The register writes the simulator heard, payloads as traced.
std::vector<std::string> WritesHeard(const SimProcess& sim) {
    std::vector<std::string> out;
    for (const TracedFrame& f : SimFrames(sim.Log(), "->"))
        if (f.command == 5)
            out.push_back(f.payload);
    return out;
}

TEST(CalibrationEndToEndTest, LeakCheckPrintsEverySecondAndEndsWithThePowerFlagCleared) {
    SimProcess sim({"--time-scale", "20", "--inlet", "plug", "--trace"});
    ASSERT_FALSE(sim.DevicePath().empty()) << sim.Log();
    const RunResult run = Orvoctl(sim, {"leak-check", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = run.OutLines();
    ASSERT_GT(lines.size(), 33u) << run.out;
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 2),
              (std::vector<std::string>{"Place the inlet plug in the inlet.", "Performing leak check"}));
    const std::regex pressure(R"(\d+\.\d mm Hg)");
    for (size_t i = 2; i + 1 < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], pressure)) << lines[i];
    EXPECT_TRUE(std::regex_match(lines.back(), std::regex(R"(Leak check passed! \(0\.0[0-2]\d\))")))
        << lines.back();

    // 10 := 0 ends the recording; the connection then closes with the power-down write.
    const std::vector<std::string> writes = WritesHeard(sim);
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[writes.size() - 2], " 01 00 00 00 0A 00 00 00 00 00 00 00");
    EXPECT_EQ(writes.back().substr(0, 15), " 07 00 00 00 0A");
}

TEST(CalibrationEndToEndTest, DiagnosticsPrintsEveryRowPassed) {
    SimProcess sim({"--time-scale", "20"});
    ASSERT_FALSE(sim.DevicePath().empty()) << sim.Log();
    const RunResult run = Orvoctl(sim, {"diagnostics"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::vector<std::string> lines = run.OutLines();
    ASSERT_EQ(lines.size(), 15u) << run.out;
    EXPECT_EQ(lines[0], "Diagnostics");
    EXPECT_EQ(lines[1].rfind("AIR TEMP               ", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find("Approaching setpoint   Pass"), std::string::npos) << lines[1];
    for (size_t i = 1; i <= 12; ++i)
        EXPECT_EQ(lines[i].substr(lines[i].size() - 4), "Pass") << lines[i];
    EXPECT_EQ(lines[13].substr(lines[13].size() - 3), "N/A");
    // Phase 1's question was answered Yes whatever it found (its clock row needs a real second
    // between readings, which twenty times faster it seldom gets).
    EXPECT_NE(run.err.find("Start"), std::string::npos) << run.err;
}

// A monitor that stops answering halfway: exit status 3.
TEST(CalibrationEndToEndTest, SilenceDuringALeakCheckIsNoAnswer) {
    SimProcess sim({"--time-scale", "20", "--inlet", "plug", "--trace"});
    ASSERT_FALSE(sim.DevicePath().empty()) << sim.Log();
    std::future<RunResult> running = std::async(std::launch::async, [&] {
        return Orvoctl(sim, {"leak-check", "--yes"});
    });
    // The pump raised for the first time: 73 := 23.
    ASSERT_TRUE(sim.WaitForLog([](const std::string& log) {
        return log.find(": 01 00 00 00 49 00 00 00 41 B8") != std::string::npos;
    })) << sim.Log();
    sim.Signal(SIGUSR1);
    ASSERT_EQ(running.wait_for(std::chrono::seconds(kLimitSeconds + 5)), std::future_status::ready);
    const RunResult run = running.get();
    EXPECT_TRUE(run.exitCode == 3 && run.err.find("stopped answering") != std::string::npos) << run.err;
}

} // namespace
