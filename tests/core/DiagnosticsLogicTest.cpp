// Diagnostics: strict bounds, the question after the first phase, the board test's pump question,
// and the writes that end the second phase and leave the form, against the simulated instrument.

#include "calibration/DiagnosticsLogic.h"
#include "CalibrationFixture.h"
#include "model/PrcRegisters.h"
#include "model/StatusAnswer.h"

using namespace orvo;
using namespace orvo::test;

namespace {

using Diag = DiagnosticsLogic;

constexpr const char* kOff[] = {"write 147=0", "write 73=0",  "write 145=0",
                                "write 34=0",  "write 146=0", "write 47=0"};

// Without a link: the document's table holds exactly the value a row is judged on, so a bound can be
// hit exactly (a float from the wire never lands on 1.8 or 2.2).
TEST(DiagnosticsBoundsTest, ReadingsOnALimitFailAndInsidePass) {
    OfflineDoc f;
    Diag diag(f.doc, f.io, f.view, f.clock, false);
    diag.Open();

    struct Case {
        Diag::Row row;
        int reg;
        double value;
        bool passes;
    };
    for (const Case c : {Case{Diag::BATTERY_VOLTS, PRC_BATTERY_VOLTS_RAW, 1.8, false},
                         Case{Diag::BATTERY_VOLTS, PRC_BATTERY_VOLTS_RAW, 2.2, false},
                         Case{Diag::BATTERY_VOLTS, PRC_BATTERY_VOLTS_RAW, 2.0, true},
                         Case{Diag::AMBIENT_PRES, PRC_AMBIENT_PRES_RAW, 850.0, false},
                         Case{Diag::FREQUENCY, PRC_MASS_FREQ_RAW, 280.0, false},
                         Case{Diag::VOLTS, PRC_FLOW_RATE_VOLTS_RAW, 0.5, false},
                         Case{Diag::VOLTS, PRC_FLOW_RATE_VOLTS_RAW, 0.3, true},
                         Case{Diag::RH_TEMP, PRC_ORIFICE_BLOCK_TEMP, -20.0, false},
                         Case{Diag::NO_MASS_TRANSDUCER, PRC_MASS_TRANS_INSTALLED, 0.0, false}}) {
        SCOPED_TRACE(std::string(Diag::RowLabel(c.row)) + " " + std::to_string(c.value));
        f.Set(diag, c.reg, c.value);
        EXPECT_EQ((diag.FailureMask() & (1u << c.row)) == 0, c.passes);
    }
    // A shift running: the second phase by itself, and the box cannot be cleared.
    f.doc.OnStatusAnswer({.firmware = 7.0f, .state = STATE_RUNNING, .deviceTime = 1'700'000'000});
    diag.OnTimer();
    EXPECT_TRUE(diag.PumpAndHeatersOn());
    EXPECT_FALSE(f.view.enabled[Diag::PUMP_AND_HEATERS]);
    f.io.Clear();
    diag.OnPumpAndHeatersClicked(false);
    EXPECT_TRUE(f.view.checked[Diag::PUMP_AND_HEATERS]);
    diag.Close();
    EXPECT_EQ(f.io.Count("write"), 0u) << "a running shift keeps its pump and heaters";
}

class DiagnosticsRunTest : public CalibrationFixture {};

// A sound instrument: the question comes as soon as every row has passed, the second phase passes
// every row and ends by switching pump and heaters off.
TEST_F(DiagnosticsRunTest, SoundInstrumentPassesBothPhases) {
    Connect();
    Diag diag(*doc, *io, view, clock, false);
    Open(diag);
    ASSERT_TRUE(RunUntil([&] { return diag.QuestionAsked(); }, 70));
    EXPECT_LT(VirtualSeconds(), 15.0) << "asked at once, not after the 60 s";
    ASSERT_EQ(view.BoxTexts().at(0), Diag::ALL_PASSED_QUESTION);
    EXPECT_EQ(view.boxes[0].title, "Diagnostics");

    ASSERT_TRUE(RunUntil([&] { return diag.PhaseTwoDecided(); }, 70));
    EXPECT_EQ(diag.Result(), ProcedureLogic::Outcome::Passed);
    for (int r = 0; r < Diag::BATTERY_VOLTS; ++r)
        EXPECT_EQ(diag.Shown(Diag::Field(Diag::Row(r), Diag::Column::Result)), "Pass")
            << Diag::RowLabel(Diag::Row(r));
    EXPECT_EQ(diag.Shown(Diag::Field(Diag::BATTERY_VOLTS, Diag::Column::Result)), "N/A");
    EXPECT_EQ(diag.Shown(Diag::Field(Diag::AIR_TEMP, Diag::Column::Range)), "Approaching setpoint");
    EXPECT_EQ(diag.ShownTone(Diag::Field(Diag::CLOCK, Diag::Column::Result)), TextTone::Pass);

    std::vector<std::string> writes = Writes();
    const std::vector<std::string> start = {"write 10=1",  "write 72=2.1", "write 72=2.2",
                                            "write 147=1", "write 145=1",  "write 146=1"};
    ASSERT_GT(writes.size(), start.size() + 6);
    EXPECT_EQ(std::vector<std::string>(writes.begin(), writes.begin() + 6), start);
    EXPECT_EQ(std::vector<std::string>(writes.end() - 6, writes.end()),
              std::vector<std::string>(kOff, kOff + 6));
    for (auto w = writes.begin() + 6; w != writes.end() - 6; ++w)
        EXPECT_EQ(*w, "write 68=80");
    CloseProcedure();
}

// RH that never changes fails while its window fills: the question waits for the 60 s and names
// failures; the board test's pump question, not the pressure, decides the differential pressure.
TEST_F(DiagnosticsRunTest, FailuresAndThePumpQuestion) {
    struct Case {
        bool boardTest;
        bool rhFrozen;
        MessageAnswer pumpAnswer;
        const char* question;
        const char* dpResult;
    };
    for (const Case c : {Case{false, true, MessageAnswer::Yes, Diag::FAILURES_QUESTION, "Pass"},
                         Case{true, false, MessageAnswer::No, Diag::ALL_PASSED_QUESTION, "Fail"},
                         Case{true, false, MessageAnswer::Yes, Diag::ALL_PASSED_QUESTION, "Pass"}}) {
        SCOPED_TRACE(std::string(c.boardTest ? "board test" : "diagnostics") +
                     (c.rhFrozen ? ", RH frozen" : ""));
        Reset();
        Connect();
        if (c.rhFrozen)
            sim->SetRegisterValue(PRC_ORIFICE_BLOCK_RH_PERCENT, 40.0);
        view.answer = [&](const ScriptedView::Box& box) {
            return box.text == Diag::PUMP_QUESTION ? c.pumpAnswer : MessageAnswer::Yes;
        };
        Diag diag(*doc, *io, view, clock, c.boardTest);
        Open(diag);
        ASSERT_TRUE(RunUntil([&] { return diag.QuestionAsked(); }, 70));
        EXPECT_EQ(view.BoxTexts().at(0), c.question);
        EXPECT_EQ(diag.FailureMask(), c.rhFrozen ? 0x80u : 0u);
        if (c.rhFrozen) {
            EXPECT_GE(VirtualSeconds(), 60.0);
            EXPECT_EQ(diag.Shown(Diag::Field(Diag::RH_SENSOR, Diag::Column::Result)), "Fail");
        }
        ASSERT_TRUE(RunUntil([&] { return diag.PhaseTwoDecided(); }, 70));
        EXPECT_EQ(diag.Shown(Diag::Field(Diag::DIFFERENTIAL_PRESSURE, Diag::Column::Result)), c.dpResult);
        EXPECT_EQ(diag.Result(), c.rhFrozen || c.pumpAnswer == MessageAnswer::No
                                     ? ProcedureLogic::Outcome::Failed
                                     : ProcedureLogic::Outcome::Passed);
        if (c.boardTest) {
            EXPECT_EQ(view.BoxTexts().at(1), Diag::PUMP_QUESTION);
            EXPECT_EQ(diag.Shown(Diag::Field(Diag::VOLTS, Diag::Column::Range)), "0.1 - 2.4 Volts");
        }
        CloseProcedure();
    }
}

// A monitor that stops answering sends the form back to the main form. However long it stays
// away, the safe state reaches it once it answers again: a pump left running is switched off.
TEST_F(DiagnosticsRunTest, LostLinkReturnsToTheMainFormAndTheSafeStateWaitsForTheMonitor) {
    Connect();
    Diag diag(*doc, *io, view, clock, false);
    Open(diag);
    ASSERT_TRUE(RunUntil([&] { return diag.PumpAndHeatersOn(); }, 20));
    sim->SetSilent(true);
    EXPECT_TRUE(RunUntil([&] { return view.returns > 0; }, 30));
    CloseProcedure();
    wire->RunTo(clock.NowMs() + 20'000); // far longer than the link's seven tries
    EXPECT_EQ(sim->RegisterValue(PRC_POWER_ACTIVATED), 1.0);
    sim->SetSilent(false);
    wire->RunTo(clock.NowMs() + 5'000);
    EXPECT_TRUE(doc->Connected());
    EXPECT_EQ(sim->RegisterValue(PRC_POWER_ACTIVATED), 0.0);
    EXPECT_EQ(sim->RegisterValue(PRC_FLOW_PID_ACTIVE), 0.0);
}

} // namespace
