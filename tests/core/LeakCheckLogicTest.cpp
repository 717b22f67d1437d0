// Leak and case checks: the verdicts at their limits and on undefined input, and whole runs against
// the simulated instrument with the exact writes of their start, their end and of Cancel.

#include <cmath>

#include "CalibrationFixture.h"
#include "calibration/LeakCheckLogic.h"
#include "model/PrcRegisters.h"
#include "platform/Format.h"

using namespace orvo;
using namespace orvo::test;

namespace {

using Leak = LeakCheckLogic;

std::vector<double> Line(size_t n, double slope) {
    std::vector<double> v;
    for (size_t i = 0; i < n; ++i)
        v.push_back(555.0 + slope * double(i));
    return v;
}

TEST(LeakCheckVerdictTest, LimitsAndUndefinedInput) {
    struct Case {
        bool caseCheck;
        std::vector<double> samples;
        double ambient, pathRate;
        bool valid, passed, membrane;
        const char* text;
    };
    std::vector<double> membrane = Line(13, 1.0); // a slow first rise: no membrane
    std::vector<double> fast = Line(13, 1.0);
    for (size_t i = 0; i < 3; ++i)
        fast[i] = 500.0 + 25.0 * double(i);
    for (const Case& c : {
             Case{false, Line(40, 7.0), 750.0, 0, true, false, false, "Leak check failed! (0.035)"},
             Case{false, Line(40, 6.99), 750.0, 0, true, true, false, "Leak check passed! (0.035)"},
             Case{true, std::vector<double>(20, 0.0), 750.0, -0.065, true, false, false,
                  "Case check failed! (0.065)"},
             Case{true, membrane, 750.0, 0, true, true, true, "Case check passed! (0.025)"},
             Case{true, fast, 750.0, 0, true, true, false, "Case check passed! (0.025)"},
             // Fewer than 8 samples from tick 36: no first slope, so no warning on an undefined value.
             Case{true, Line(12, 1.0), 750.0, 0, true, true, false, "Case check passed! (0.025)"},
             Case{false, Line(40, 1.0), 0.0, 0, false, false, false,
                  "Ambient pressure not valid, leak check failed!"},
             Case{true, Line(40, 1.0), NAN, 0, false, false, false,
                  "Ambient pressure not valid, case check failed!"},
             Case{false, Line(1, 1.0), 750.0, 0, false, false, false,
                  "Leak rate could not be determined, leak check failed!"},
         }) {
        SCOPED_TRACE(c.text);
        const Leak::Verdict v = c.caseCheck ? Leak::EvaluateCase(c.samples, c.ambient, c.pathRate)
                                            : Leak::EvaluateSamplePath(c.samples, c.ambient);
        EXPECT_EQ(v.valid, c.valid);
        EXPECT_EQ(v.passed, c.passed);
        EXPECT_EQ(v.membraneWarning, c.membrane);
        EXPECT_EQ(v.text, c.text);
    }
}

class LeakCheckRunTest : public CalibrationFixture {
protected:
    // The technician follows the prompts on the simulated instrument.
    void FollowPrompts(bool plug = true) {
        view.answer = [this, plug](const ScriptedView::Box& box) {
            if (box.text == Leak::PLUG_PROMPT && plug)
                sim->SetInlet(sim::SimInlet::Plugged);
            if (box.text == Leak::ATTACH_PROMPT)
                sim->SetInlet(sim::SimInlet::CaseAdapter);
            return MessageAnswer::Ok;
        };
    }
    bool RunTest(Leak& leak, bool caseCheck) {
        if (caseCheck)
            leak.StartCase();
        else
            leak.StartSamplePath();
        return RunUntil([&] { return !leak.Running(); }, 120);
    }
};

// Both tests on a sound instrument, one connection: the exact writes of the start and of the end.
TEST_F(LeakCheckRunTest, SoundInstrumentPassesBothTests) {
    Connect();
    FollowPrompts();
    Leak leak(*doc, *io, view, clock);
    Open(leak);
    leak.StartCase();
    EXPECT_EQ(view.BoxTexts(), std::vector<std::string>{Leak::CASE_REFUSED});
    EXPECT_TRUE(Writes().empty());

    ASSERT_TRUE(RunTest(leak, false));
    EXPECT_EQ(leak.Result(), ProcedureLogic::Outcome::Passed) << leak.Shown(Leak::STATUS);
    EXPECT_EQ(leak.Tick(), 91);
    EXPECT_TRUE(doc->LeakCheckDone());
    EXPECT_EQ(leak.Shown(Leak::STATUS),
              "Leak check passed! (" + FormatFixed(doc->LeakCheckResult(), 3) + ")");
    std::vector<std::string> w = Writes();
    ASSERT_GE(w.size(), 6u);
    w.erase(w.begin() + 4, w.end() - 2);
    EXPECT_EQ(w, (std::vector<std::string>{"write 73=0", "write 10=1", "write 73=20", "write 73=23",
                                           "write 73=0", "write 10=0"}));

    io->Clear();
    ASSERT_TRUE(RunTest(leak, true));
    EXPECT_EQ(leak.Result(), ProcedureLogic::Outcome::Passed) << leak.Shown(Leak::STATUS);
    EXPECT_NE(view.BoxTexts().back(), Leak::MEMBRANE_WARNING);
    w = Writes();
    EXPECT_EQ(w.front(), "write 73=20 10=1");
    EXPECT_EQ(w.back(), "write 10=0");
    io->Clear();
    CloseProcedure();
    EXPECT_TRUE(Writes().empty()) << "nothing runs, nothing to stop";
}

// Each way a test fails, and the runs that must end as failed without writing a bad value.
TEST_F(LeakCheckRunTest, FailuresEndWithThePumpStopped) {
    struct Case {
        sim::SimConfig config;
        std::function<void()> midway; // two seconds into the test
        bool plug;
        bool caseCheck;
        const char* shown; // start of the status, or of the pressure line
        bool membraneWarning;
    };
    const auto none = [](auto&...) {};
    const auto noDuty = [this] { doc->Registers().SetValue(PRC_FLOW_RATE_DUTY_CYCLE, NAN); };
    const auto noAmbient = [this] { doc->Registers().SetValue(PRC_AMBIENT_PRES_CONV_A, 0.0); };
    const char* noDutyText =
        "Calculation error: no valid value for FLOW RATE DUTY CYCLE, nothing was written";
    for (const Case& c : std::vector<Case>{
             {{.faults = {}, .pathLeak = 30}, none, true, false, "Leak check failed! (", false},
             {{}, none, false, false, "Minimum pressure not obtained, leak check failed!", false}, // not
                                                                                                   // plugged
             {{.faults = {.caseLeak = true}}, none, true, true, "Case check failed! (", false},
             {{.faults = {.membraneMissing = true}}, none, true, true, "Case check passed! (", true},
             {{}, noDuty, true, false, noDutyText, false},
             {{}, noAmbient, true, false, "Ambient pressure not valid, leak check failed!", false},
         }) {
        SCOPED_TRACE(c.shown);
        Reset();
        Connect(c.config);
        FollowPrompts(c.plug);
        Leak leak(*doc, *io, view, clock);
        Open(leak);
        if (c.caseCheck) {
            ASSERT_TRUE(RunTest(leak, false));
            io->Clear();
            leak.StartCase();
        } else {
            leak.StartSamplePath();
        }
        ASSERT_TRUE(RunUntil([&] { return leak.Tick() >= 2; }, 10));
        c.midway();
        ASSERT_TRUE(RunUntil([&] { return !leak.Running(); }, 120));
        const std::string shown = leak.Shown(Leak::STATUS).rfind("Performing", 0) == 0
                                      ? leak.Shown(Leak::PRESSURE)
                                      : leak.Shown(Leak::STATUS);
        EXPECT_EQ(shown.rfind(c.shown, 0), 0u) << shown;
        EXPECT_EQ(leak.Result(),
                  c.membraneWarning ? ProcedureLogic::Outcome::Passed : ProcedureLogic::Outcome::Failed);
        EXPECT_EQ(view.BoxTexts().back() == Leak::MEMBRANE_WARNING, c.membraneWarning);
        for (const std::string& w : Writes())
            EXPECT_EQ(w.find("nan"), std::string::npos) << w;
        EXPECT_EQ(sim->RegisterValue(PRC_FLOW_RATE_DUTY_CYCLE), 0.0);
        // Only a rate that could be derived is recorded (never one divided by a zero ambient).
        EXPECT_EQ(doc->LeakCheckDone(), c.caseCheck || leak.LastVerdict().valid);
        CloseProcedure();
    }
}

// The pressures are the monitor's own: its conversion constants are read before the first second,
// not taken from a table that only the Configure form fills.
TEST_F(LeakCheckRunTest, PressureFollowsTheMonitorsConversion) {
    Connect();
    sim->SetRegisterValue(PRC_FLOW_LINE_PRES_CONV_A, 0.95);
    sim->SetRegisterValue(PRC_FLOW_LINE_PRES_CONV_B, 12.0);
    FollowPrompts();
    Leak leak(*doc, *io, view, clock);
    Open(leak);
    leak.StartSamplePath();
    ASSERT_TRUE(RunUntil([&] { return leak.Tick() >= 40; }, 60));
    EXPECT_NEAR(std::stod(leak.Shown(Leak::PRESSURE)), sim->RegisterValue(PRC_FLOW_LINE_PRES_RAW), 2.0);
    CloseProcedure();
}

} // namespace
