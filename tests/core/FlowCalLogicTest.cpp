// Flow calibration: the entry checks and questions, the pump speed's limits, the constants' window
// and the fit's undefined cases, and whole runs against the simulated instrument with the writes of
// their end (leaving is pinned by the widget tests).

#include "calibration/FlowCalLogic.h"
#include "CalibrationFixture.h"
#include "model/PrcRegisters.h"
#include "platform/Format.h"

using namespace orvo;
using namespace orvo::test;

namespace {

using Flow = FlowCalLogic;

const std::vector<std::string> kOff = {"write 146=0 145=0 47=0 34=0", "write 147=0 73=0"};

struct OfflineFlow : OfflineDoc {
    Flow flow{doc, io, view, clock};

    OfflineFlow() {
        flow.Open();
        // Transducer in and both heaters settled: the no-restriction entry.
        Set(PRC_MASS_TRANS_INSTALLED, 1.0);
        Set(PRC_AIR_HEATER_TEMP, 43.0);
        Set(PRC_TE_HEATER_TEMP, 46.0);
    }
    void Set(int number, double value) { OfflineDoc::Set(flow, number, value); }
    void Collect() {
        for (int i = 0; i < Flow::COLLECT_SECONDS; ++i)
            flow.OnTimer();
    }
};

TEST(FlowCalEntryTest, TypicalRangesOrderAndAnswers) {
    struct Case {
        std::vector<const char*> before; // flows entered at the earlier steps
        const char* entry;
        MessageAnswer answer; // to every question
        const char* firstBox; // nullptr: none
        const char* status;   // after the entry; nullptr: refused, nothing changes
    };
    const char* noRestriction = "Flow not typical (2.15 to 2.25), do you want to continue anyway?";
    const char* black = "Flow not typical (1.9 to 2.1), do you want to continue anyway?";
    const char* red = "Flow not typical (1.6 to 2.0), do you want to continue anyway?";
    const char* collect100 = "Collecting data: 1:00 remaining";
    const char* collect060 = "Collecting data: 0:60 remaining";
    const auto no = MessageAnswer::No, yes = MessageAnswer::Yes;
    for (const Case& c : std::vector<Case>{
             {{}, "2.15", no, nullptr, collect100},
             {{}, "2.25", no, nullptr, collect100},
             {{}, "2.26", no, noRestriction, nullptr},
             {{}, "2.26", yes, noRestriction, collect100},
             {{}, "flow", yes, "Enter the flow rate from the flow meter.", nullptr},
             {{"2.2"}, "1.9", no, nullptr, collect060},
             {{"2.2"}, "2.11", yes, black, collect100},
             {{"2.2", "2.0"}, "2.0", no, Flow::ORDER_QUESTION, nullptr},
             {{"2.2", "2.0"}, "2.0", yes, Flow::ORDER_QUESTION, collect060},
             {{"2.2", "1.95"}, "1.59", no, red, nullptr},
         }) {
        SCOPED_TRACE(std::to_string(c.before.size()) + " then " + c.entry);
        OfflineFlow f;
        for (const char* earlier : c.before) {
            f.flow.Apply(earlier);
            f.Collect();
        }
        ASSERT_EQ(f.flow.State(), Flow::NO_RESTRICTION_ENTRY + 2 * int(c.before.size()));
        f.view.boxes.clear();
        f.view.answer = [&](const ScriptedView::Box& box) {
            return box.buttons == MessageButtons::YesNo ? c.answer : MessageAnswer::Ok;
        };
        const std::string before = f.flow.Shown(Flow::STATUS);
        f.flow.Apply(c.entry);
        EXPECT_EQ(f.view.boxes.empty() ? "" : f.view.boxes[0].text, c.firstBox ? c.firstBox : "");
        EXPECT_EQ(f.flow.State() % 2 == 1, c.status != nullptr);
        EXPECT_EQ(f.flow.Shown(Flow::STATUS), c.status ? c.status : before);
    }
    // The pump speed writes 20 % below position 40 and 95 % above 190, whatever the step.
    OfflineFlow f;
    f.io.Clear();
    f.flow.OnSpin(-1);
    f.flow.OnSpin(-60);
    f.flow.OnSpin(200);
    EXPECT_EQ(f.io.Lines(), (std::vector<std::string>{"write 73=39.5", "write 73=20", "write 73=95"}));
    EXPECT_EQ(f.flow.Shown(Flow::PUMP_SPEED), "95.0 %");
}

// Constants on their limits are kept; a line that is undefined (one X for every point, or no point
// at all because the line pressure read 0) writes nothing.
TEST(FlowCalFitTest, ValidityWindowAndUndefinedLines) {
    struct Window {
        double a, b;
        bool valid;
    };
    for (const Window w : {Window{50.0, -10.0, true}, Window{0.0, 0.0, true}, Window{50.01, -5.0, false},
                           Window{-0.01, -5.0, false}, Window{5.0, 0.01, false}, Window{5.0, -10.01, false}})
        EXPECT_EQ(Flow::ConstantsValid(w.a, w.b), w.valid) << w.a << " " << w.b;

    for (const double line : {700.0, 0.0}) {
        SCOPED_TRACE(line);
        OfflineFlow f;
        f.Set(PRC_FLOW_LINE_PRESSURE, line);
        for (const char* q : {"2.2", "2.0", "1.8"}) {
            f.flow.Apply(q);
            f.Collect();
        }
        EXPECT_EQ(f.flow.State(), Flow::DONE);
        EXPECT_EQ(f.flow.Points(), line > 0 ? 153u : 0u);
        EXPECT_EQ(f.flow.Result(), ProcedureLogic::Outcome::Failed);
        EXPECT_EQ(f.flow.Shown(Flow::STATUS), "New constants invalid");
        for (const std::string& w : f.io.Lines())
            EXPECT_EQ(w.find("75="), std::string::npos) << w;
    }
}

class FlowCalRunTest : public CalibrationFixture {
protected:
    // The technician fits each orifice when told to and reads the flow meter.
    void FollowPrompts() {
        view.answer = [this](const ScriptedView::Box& box) {
            if (box.text == Flow::BLACK_ORIFICE_PROMPT)
                sim->SetOrifice(sim::SimOrifice::Black);
            if (box.text == Flow::RED_ORIFICE_PROMPT)
                sim->SetOrifice(sim::SimOrifice::Red);
            return box.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
        };
    }
    void EnterMeterReading(Flow& flow) {
        RunUntil([] { return false; }, 5); // the flow settles
        flow.Apply(FormatFixed(sim->ReferenceFlow(), 2));
    }
};

TEST_F(FlowCalRunTest, SoundInstrumentIsCalibrated) {
    Connect();
    FollowPrompts();
    Flow& flow = Make<Flow>(*doc, *io, view, clock);
    Open(flow);
    ASSERT_TRUE(RunUntil([&] { return flow.State() == Flow::NO_RESTRICTION_ENTRY; }, 2700));
    const std::vector<std::string> start = {"write 10=1", "write 146=1 145=1", "write 147=0 73=0",
                                            "write 73=40", "write 33=43 46=46"};
    std::vector<std::string> w = Writes();
    ASSERT_EQ(w.size(), 2 * start.size()) << "once on opening, once when the transducer is found";
    EXPECT_EQ(std::vector<std::string>(w.begin() + 5, w.end()), start);

    flow.OnSpin(10); // 45 %: about 2.2 L/min
    EnterMeterReading(flow);
    ASSERT_EQ(flow.State(), Flow::NO_RESTRICTION_COLLECTING) << flow.Shown(Flow::STATUS);
    // The first ten seconds add nothing, then one point a second.
    ASSERT_TRUE(RunUntil([&] { return flow.Countdown() == Flow::FIRST_POINT + 1; }, 15));
    EXPECT_EQ(flow.Points(), 0u);
    ASSERT_TRUE(RunUntil([&] { return flow.Countdown() == Flow::FIRST_POINT; }, 2));
    EXPECT_EQ(flow.Points(), 1u);

    for (int orifice = 1; orifice <= 2; ++orifice) {
        ASSERT_TRUE(RunUntil([&] { return flow.State() == Flow::NO_RESTRICTION_ENTRY + 2 * orifice; }, 70));
        EXPECT_EQ(flow.Points(), 51u * size_t(orifice));
        EnterMeterReading(flow);
    }
    io->Clear();
    ASSERT_TRUE(RunUntil([&] { return flow.State() == Flow::DONE; }, 70));
    EXPECT_EQ(flow.Points(), 153u);
    EXPECT_EQ(flow.Result(), ProcedureLogic::Outcome::Passed) << flow.Shown(Flow::STATUS);
    // Pump and heaters off three times, then the kept constants.
    w = Writes();
    ASSERT_EQ(w.size(), 7u);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(w[i], kOff[i % 2]);
    EXPECT_EQ(io->Writes().back(), (RegisterWrites{{75, flow.NewA()}, {76, flow.NewB()}}));
    EXPECT_NEAR(sim->RegisterValue(PRC_FLOW_RATE_CONV_A), flow.NewA(), 1e-5);
    EXPECT_EQ(flow.Shown(Flow::CONST_A), FormatGeneral(flow.NewA()));
}

// A transducer heater that never reaches its window ends the run after 2700 s with pump and heaters
// off three times.
TEST_F(FlowCalRunTest, TemperatureTimeOut) {
    Connect();
    sim->SetRegisterValue(PRC_TE_HEATER_TEMP, 40.0);
    Flow& flow = Make<Flow>(*doc, *io, view, clock);
    Open(flow);
    ASSERT_TRUE(RunUntil([&] { return flow.State() == Flow::SETTLING; }, 10));
    const int64_t settling = clock.NowMs(); // up to a second after the step began
    io->Clear();
    ASSERT_TRUE(RunUntil([&] { return flow.State() != Flow::SETTLING; }, 2800));
    EXPECT_EQ(flow.State(), Flow::TEMPERATURE_FAILED);
    EXPECT_NEAR(double(clock.NowMs() - settling) / 1000.0, 2700.75, 1.75);
    EXPECT_EQ(view.BoxTexts().back(), Flow::TEMPERATURE_FAILURE);
    EXPECT_EQ(flow.Shown(Flow::STATUS), "Temperature failure: Check hardware");
    EXPECT_EQ(Writes(), (std::vector<std::string>{kOff[0], kOff[1], kOff[0], kOff[1], kOff[0], kOff[1]}));
    CloseProcedure();
}

} // namespace
