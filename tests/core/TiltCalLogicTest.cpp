// Tilt calibration and audit: the span and audit bounds, and whole runs against the simulated
// instrument: a calibration that the audit then passes, each failure, and the writes of the end.

#include "calibration/TiltCalLogic.h"
#include "CalibrationFixture.h"
#include "model/PrcRegisters.h"

using namespace orvo;
using namespace orvo::test;

namespace {

using Tilt = TiltCalLogic;

TEST(TiltEvaluationTest, SpanOfTenAndAuditOfFiveMillihertz) {
    struct Case {
        double fUp, fSide, dUp, dSide;
        bool spanOk, passed;
    };
    for (const Case& c : {Case{300.0, 300.003, 57.5, 50.0, true, true}, // span exactly 10 with Zb 12.5
                          Case{300.0, 300.003, 57.49, 50.0, false, true},
                          Case{0.005, 0.0, 62.5, 50.0, true, false}, // exactly +5 mHz
                          Case{0.0, 0.005, 62.5, 50.0, true, false}, // exactly -5 mHz
                          Case{0.004999, 0.0, 62.5, 50.0, true, true}}) {
        SCOPED_TRACE(std::to_string(c.fUp) + " " + std::to_string(c.dUp));
        const Tilt::Evaluation e = Tilt::Evaluate(c.fUp, c.fSide, c.dUp, c.dSide, 12.5);
        EXPECT_EQ(e.spanOk, c.spanOk);
        EXPECT_EQ(e.passed, c.passed);
    }
}

class TiltRunTest : public CalibrationFixture {
protected:
    // The technician sets the instrument upright and, when `turn`, on its side as told.
    void FollowPrompts(bool turn) {
        view.answer = [this, turn](const ScriptedView::Box& box) {
            if (box.text == Tilt::UPRIGHT_PROMPT)
                sim->SetOrientation(sim::SimOrientation::Upright);
            if (box.text == Tilt::SIDE_PROMPT && turn)
                sim->SetOrientation(sim::SimOrientation::Side);
            return MessageAnswer::Ok;
        };
    }
    // Runs a procedure from opening to its end; false when it never ends.
    bool Run(Tilt& tilt) {
        Open(tilt);
        return RunUntil([&] { return tilt.State() >= Tilt::COMPLETE; }, 3600);
    }
};

// The calibration finds the simulated transducer's own tilt sensitivity; the audit of the corrected
// frequency then passes on the same instrument.
TEST_F(TiltRunTest, CalibrationThenAuditPass) {
    Connect();
    FollowPrompts(true);
    Tilt& calibration = Make<Tilt>(*doc, *io, view, clock, false);
    ASSERT_TRUE(Run(calibration));
    EXPECT_EQ(calibration.State(), Tilt::COMPLETE);
    EXPECT_EQ(calibration.Result(), ProcedureLogic::Outcome::Passed) << calibration.Shown(Tilt::STATUS);
    const Tilt::Evaluation e = calibration.Evaluated();
    EXPECT_NEAR(e.b, sim::SimConfig{}.tiltSensitivity, 0.0002);
    EXPECT_EQ(view.BoxTexts().back(), "The tilt calibration is complete");
    EXPECT_EQ(calibration.Shown(Tilt::CANCEL), "Close");
    const std::vector<RegisterWrites> w = io->Writes();
    ASSERT_GE(w.size(), 6u);
    EXPECT_EQ(std::vector<RegisterWrites>(w.end() - 6, w.end()),
              (std::vector<RegisterWrites>{{{128, e.a}},
                                           {{129, e.b}},
                                           {{131, e.correctMax}},
                                           {{132, e.correctMin}},
                                           {{133, e.rejectMax}},
                                           {{134, e.rejectMin}}}));
    EXPECT_NEAR(sim->RegisterValue(PRC_TILT_CORRECT_B), e.b, 1e-9);
    CloseProcedure();

    sim->SetOrientation(sim::SimOrientation::Upright);
    io->Clear();
    Tilt& audit = Make<Tilt>(*doc, *io, view, clock, true);
    ASSERT_TRUE(Run(audit));
    EXPECT_EQ(audit.Result(), ProcedureLogic::Outcome::Passed) << audit.Shown(Tilt::STATUS);
    EXPECT_EQ(audit.Shown(Tilt::STATUS), "Audit calculations complete: Pass");
    EXPECT_EQ(audit.ShownTone(Tilt::REJECT_MAX), TextTone::Pass);
    EXPECT_EQ(audit.Shown(Tilt::REJECT_MAX_LABEL), "Average Difference:");
    EXPECT_EQ(Writes(),
              (std::vector<std::string>{"write 10=1", "write 146=1", "write 33=43 46=46", "write 52=1.2"}))
        << "an audit writes nothing of its own";
    CloseProcedure();
}

TEST_F(TiltRunTest, Failures) {
    struct Case {
        const char* name;
        bool audit;
        std::function<void(sim::SimConfig&)> setUp;
        std::function<void()> before; // after connecting
        int trigger;                  // state in which `action` runs; 0: none
        std::function<void()> action;
        int failing; // the state that fails, its time-out (0: none) and how the run ends
        int limitS;
        int end;
        const char* status;
        const char* box; // the start of the last message
    };
    const auto none = [](auto&...) {};
    const auto teOff = [this] { sim->SetRegisterValue(PRC_TE_HEATER_TEMP_RAW, 40.0); };
    const auto freeze = [this] { sim->SetFaults({.frequencyFrozen = true}); };
    const auto frozen = [](sim::SimConfig& s) { s.faults.frequencyFrozen = true; };
    const auto uncorrected = [](sim::SimConfig& s) { s.tiltSensitivity = 0.004; };
    // Equal duty-cycle means: the slope divides by zero although the window is wide enough.
    const auto tiltFrozen = [this] {
        sim->SetRegisterValue(PRC_TILT_Z_DUTY_CYCLE, 62.5);
        doc->Registers().SetValue(PRC_TILT_Z_CONV_B, 100.0);
    };
    const char* notChanging = "A failure has occurred because the frequency has failed to stabilize.\nThe "
                              "frequency is not changing.  Please check hardware";
    const char* noTemperature =
        "A failure has occurred because the temperature has failed to stabilize.\nPlease check hardware";
    const char* frequencyFailure = "Frequency failure: Check hardware";
    const char* noA = "Calculation error: no valid value for TILT CORRECT A, nothing was written";
    for (const Case& c : std::vector<Case>{
             {"TE off its window", false, none, teOff, 0, none, Tilt::SETTLING, 2700, Tilt::FAILED,
              "Temperature failure: Check hardware", noTemperature},
             {"frequency frozen upright", false, frozen, none, 0, none, Tilt::UPRIGHT_SETTLING, 420,
              Tilt::FAILED, frequencyFailure, notChanging},
             {"frequency frozen on its side", true, none, none, Tilt::SIDE_SETTLING, freeze,
              Tilt::SIDE_SETTLING, 300, Tilt::FAILED, frequencyFailure, notChanging},
             {"never turned on its side", false, none, none, 0, none, Tilt::SIDE, 0, Tilt::COMPLETE,
              "Tilt Calibration Failed",
              "The tilt calibration has failed.\nDevice not registering enough tilt"},
             {"tilt sensor frozen", false, none, tiltFrozen, 0, none, Tilt::SIDE, 0, Tilt::COMPLETE, noA,
              nullptr},
             {"audit of an uncorrected instrument", true, uncorrected, none, 0, none, Tilt::SIDE, 0,
              Tilt::COMPLETE, "Audit calculations complete: Fail", "The tilt audit has failed:\n\n-"},
         }) {
        SCOPED_TRACE(c.name);
        Reset();
        sim::SimConfig config;
        c.setUp(config);
        Connect(config);
        c.before();
        FollowPrompts(std::string(c.name) != "never turned on its side");
        Tilt& tilt = Make<Tilt>(*doc, *io, view, clock, c.audit);
        Open(tilt);
        if (c.trigger) {
            ASSERT_TRUE(RunUntil([&] { return tilt.State() == c.trigger; }, 3600));
            c.action();
        }
        ASSERT_TRUE(RunUntil([&] { return tilt.State() == c.failing; }, 3600));
        io->Clear();
        ASSERT_TRUE(RunUntil([&] { return tilt.State() >= Tilt::COMPLETE; }, 3600));
        EXPECT_EQ(tilt.State(), c.end);
        if (c.limitS) {
            EXPECT_NEAR(double(clock.NowMs() - tilt.StateStartMs()) / 1000.0, c.limitS + 2.75, 2.75);
        }
        EXPECT_EQ(tilt.Result(), ProcedureLogic::Outcome::Failed);
        EXPECT_EQ(tilt.Shown(Tilt::STATUS), c.status);
        if (c.box) {
            EXPECT_EQ(view.BoxTexts().back().rfind(c.box, 0), 0u) << view.BoxTexts().back();
        }
        EXPECT_TRUE(Writes().empty()) << Writes().front();
        CloseProcedure();
    }
}

} // namespace
