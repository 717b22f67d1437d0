// K0 calibration and audit: the evaluation's bounds, the export and the form's visibility rules
// without a link, and whole runs against the simulated instrument: each way to pass and to fail, with
// the writes of their end (leaving is pinned by the widget tests).

#include <cmath>
#include <filesystem>

#include "CalibrationFixture.h"
#include "calibration/K0Logic.h"
#include "model/PrcRegisters.h"
#include "model/StatusAnswer.h"
#include "platform/ReadFile.h"

using namespace orvo;
using namespace orvo::test;

namespace {

using K0 = K0Logic;

const std::string kOff = "write 145=0 34=0 146=0 47=0 147=0 73=0";

TEST(K0EvaluationTest, BoundsPassAndUndefinedResultsAreRefused) {
    struct Case {
        std::array<double, 4> k0;
        double stored;
        bool audit;
        bool suspect, passed, problem;
    };
    for (const Case& c : {
             Case{{10500, 9500, 10000, 10000}, 10000, false, false, false, false}, // exactly +-5 %
             Case{{10500.1, 9499.9, 10000, 10000}, 10000, false, true, false, false},
             Case{{11000, 11000, 11000, 11000}, 10000, true, false, true, false}, // exactly +10 %
             Case{{9000, 9000, 9000, 9000}, 10000, true, false, true, false},     // exactly -10 %
             Case{{11000.1, 11000.1, 11000.1, 11000.1}, 10000, true, false, false, false},
             // A frequency that rose with the weights: a negative K0 would wrap on the wire.
             Case{{-15000, -15000, -15000, -15000}, 15000, false, true, false, true},
             Case{{15000, 15000, 15000, INFINITY}, 15000, true, true, false, true},
             Case{{15000, 15000, 15000, 15000}, 0, true, false, false, true},
         }) {
        SCOPED_TRACE(std::to_string(c.k0[0]) + (c.audit ? " audit" : " calibration"));
        const K0Evaluation e = K0Evaluation::OfK0s(c.k0, c.stored, c.audit);
        EXPECT_EQ(e.suspect, c.suspect);
        EXPECT_EQ(e.passed, c.passed);
        EXPECT_EQ(!e.problem.empty(), c.problem) << e.problem;
    }
}

// A monitor connected in `mode` with `firmware`, without a link.
struct OfflineK0 : OfflineDoc {
    OfflineK0(const char* mode, float firmware) {
        doc.BeginConnection(mode);
        doc.OnStatusAnswer({.firmware = firmware, .state = STATE_STOPPED, .deviceTime = 1'700'000'000});
    }
};

TEST(K0FormTest, VisibilityAndTheDateUpdateFollowModeAndFirmware) {
    struct Case {
        const char* mode;
        bool audit;
        float firmware;
        std::vector<bool> shown; // export, date group, date update, last group
    };
    for (const Case& c : {Case{"", false, 7.0f, {false, false, false, true}},
                          Case{"service", false, 7.0f, {true, true, false, true}},
                          Case{"expert", false, 7.0f, {true, true, true, true}},
                          Case{"expert", true, 7.0f, {true, true, false, true}},
                          Case{"expert", false, 6.5f, {false, false, false, false}}}) {
        SCOPED_TRACE(std::string(c.mode) + (c.audit ? " audit " : " calibration ") +
                     std::to_string(c.firmware));
        OfflineK0 f(c.mode, c.firmware);
        K0 k0(f.doc, f.io, f.view, f.clock, c.audit);
        k0.Open();
        auto& v = f.view.visible;
        EXPECT_EQ((std::vector<bool>{v[K0::EXPORT], v[K0::DATE_GROUP], v[K0::UPDATE], v[K0::LAST_GROUP]}),
                  c.shown);
        EXPECT_EQ(v[K0::MASS_COLUMN], !c.audit);
        EXPECT_EQ(v[K0::PERCENT_ERROR], c.audit);
        f.io.Clear();
        k0.UpdateManufactureDate(1'600'000'000);
        EXPECT_EQ(f.io.Lines(),
                  c.shown[2] ? std::vector<std::string>{"write 181=1.6e+09"} : std::vector<std::string>{});
    }
}

// The last calibration as read from the instrument, written out by hand: a frequency within (-1, 1)
// and a mass within (-0.1, 0.1) leave their fields empty.
TEST(K0FormTest, ExportOfTheLastMeasurements) {
    OfflineK0 f("expert", 7.0f);
    K0 k0(f.doc, f.io, f.view, f.clock, false);
    k0.Open();
    const double values[10] = {300.0, 299.2, 298.4, 0.5, 296.8, 0.9, 0.9, 0.05, 0.9, 1'700'000'000};
    for (int i = 0; i < 10; ++i)
        f.Set(k0, PRC_K0_CAL_F0 + i, values[i]);
    f.Set(k0, PRC_MASS_K0, 15000);
    EXPECT_EQ(k0.Shown(K0::LAST_GROUP), "Last Calibration Measurements (11/14/2023)");
    EXPECT_EQ(k0.Shown(K0::LastCell(3, K0::Column::Difference)), "---");
    const std::string expected = "Date,Frequency (Hz),Mass (mg),K0,% Difference,Stored K0\n"
                                 "11/14/2023 17:13:20,300.000000,,,,15000.0\n"
                                 ",299.200000,0.900,15126.777,45.418,\n"
                                 ",298.400000,0.900,15066.108,44.835,\n"
                                 ",,,,,\n"
                                 ",296.800000,0.900,11416.269,9.748,\n";
    const std::string path = (std::filesystem::temp_directory_path() / "orvo-k0-export.csv").string();
    ASSERT_TRUE(k0.Export(path));
    std::string written;
    EXPECT_TRUE(ReadWholeFile(path, written));
    EXPECT_EQ(written, expected);
    std::filesystem::remove(path);
    EXPECT_FALSE(k0.Export("/nonexistent-folder/k0.csv"));
    EXPECT_EQ(f.view.BoxTexts().back().rfind("Unable to open file: ", 0), 0u) << f.view.BoxTexts().back();
}

class K0RunTest : public CalibrationFixture {
protected:
    // The technician adds weights of `added` mg when told to and types `entered` into the mass dialog
    // (not a number: cancels it); keeps the result.
    void FollowPrompts(std::array<double, 4> added, std::array<double, 4> entered) {
        m_added = m_entered = 0;
        view.answer = [this, added](const ScriptedView::Box& box) {
            if (box.text.rfind("Please perform the following steps", 0) == 0)
                sim->AddWeight(added.at(m_added++));
            return box.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
        };
        view.dialog = [this, entered](const std::string& prompt, std::vector<DialogNumber>& numbers) {
            if (prompt != K0::MASS_PROMPT)
                return false;
            numbers.at(0).value = entered.at(m_entered++);
            return !std::isnan(numbers[0].value);
        };
    }
    void Begin(K0& k0) {
        Open(k0);
        ASSERT_TRUE(RunUntil([&] { return k0.State() == K0::IDLE; }, 30));
        k0.Start();
    }
    int m_added = 0, m_entered = 0;
};

// Each way to a result: masses typed (one dialog cancelled), a wrong mass corrected with Modify Mass,
// an audit through a transducer removed after weight 2 (back to that weight's detect step), and an
// audit whose frequency changes are too large for a calibration but never judged.
TEST_F(K0RunTest, CalibrationAndAuditComplete) {
    struct Case {
        const char* name;
        bool audit;
        double transducerK0;
        std::array<double, 4> added, entered; // mg; entered NAN: dialog cancelled
        double corrected;                     // weight 2's mass typed in Modify Mass; 0: not used
        double m2;                            // weight 2's mass in the results
        bool passed;
    };
    const std::array<double, 4> same = {0.9, 0.9, 0.9, 0.9};
    for (const Case& c :
         {Case{"calibration", false, 15000, {0.8, 0.9, 1.0, 0.85}, {0.8, NAN, 1.0, 0.85}, 0.0, 0.9, true},
          Case{"mass corrected", false, 15000, same, {0.9, 0.5, 0.9, 0.9}, 0.9, 0.9, true},
          Case{"audit", true, 15000, same, same, 0.0, 0.9, true},
          Case{"audit of a far-off K0", true, 4000, same, same, 0.0, 0.9, false}}) {
        SCOPED_TRACE(c.name);
        Reset();
        Connect({.faults = {}, .transducerK0 = c.transducerK0});
        sim->SetRegisterValue(PRC_TE_HEATER_SMOOTH_FACTOR, 0.25);
        FollowPrompts(c.added, c.entered);
        K0& k0 = Make<K0>(*doc, *io, view, clock, c.audit);
        Begin(k0);
        if (c.audit) {
            ASSERT_TRUE(RunUntil([&] { return k0.State() == 14; }, 3600));
            sim->SetTransducerInstalled(false);
            ASSERT_TRUE(RunUntil([&] { return k0.State() != 14; }, 10));
            EXPECT_EQ(k0.State(), 11);
            EXPECT_EQ(view.BoxTexts().back(), K0::INSTALL_PROMPT);
            sim->SetTransducerInstalled(true);
        }
        ASSERT_TRUE(RunUntil([&] { return k0.State() >= K0::COMPLETE; }, 7200));
        ASSERT_EQ(k0.State(), K0::COMPLETE) << k0.Shown(K0::STATUS);
        EXPECT_EQ(m_entered, c.audit ? 0 : 4) << "an audit asks for no mass";
        if (c.corrected) {
            EXPECT_EQ(k0.Shown(K0::STATUS), "Verify mass values");
            EXPECT_EQ(view.BoxTexts().back(), K0::SUSPECT_WARNING);
            view.dialog = [&](const std::string&, std::vector<DialogNumber>& numbers) {
                EXPECT_TRUE(numbers.at(3).editable);
                numbers[1].value = c.corrected;
                return true;
            };
            k0.ModifyMass();
            RunUntil([] { return false; }, 1);
        }
        EXPECT_EQ(k0.Masses()[1], c.m2);
        EXPECT_EQ(k0.Result(), c.passed ? ProcedureLogic::Outcome::Passed : ProcedureLogic::Outcome::Failed);
        const double calculated = k0.Evaluated().calculated;
        EXPECT_NEAR(calculated, c.transducerK0, c.transducerK0 / 100.0);
        EXPECT_EQ(k0.Shown(K0::STATUS),
                  c.audit ? (c.passed ? "Audit passed" : "Audit failed") : "Calibration complete");
        EXPECT_EQ(k0.ShownTone(K0::PERCENT_ERROR),
                  c.audit ? (c.passed ? TextTone::Pass : TextTone::Fail) : TextTone::Normal);
        EXPECT_EQ(k0.Shown(K0::CANCEL), "Close");

        // Pump and heaters off, three times power off with the saved smoothing factor, the results.
        const std::vector<std::string> w = Writes();
        ASSERT_GE(w.size(), 5u);
        EXPECT_EQ(std::vector<std::string>(w.end() - 5, w.end() - 1),
                  (std::vector<std::string>{kOff, "write 10=0 52=0.25", "write 10=0 52=0.25",
                                            "write 10=0 52=0.25"}));
        const int first = c.audit ? PRC_K0_AUDIT_F0 : PRC_K0_CAL_F0;
        RegisterWrites results;
        for (size_t i = 0; i < 9; ++i)
            results.push_back({first + int(i), i < 5 ? k0.Frequencies()[i] : k0.Masses()[i - 5]});
        results.push_back({first + 9, double(clock.NowSeconds())});
        results.push_back({c.audit ? PRC_K0_AUDIT_K0 : PRC_MASS_K0, std::trunc(calculated)});
        RegisterWrites last = io->Writes().back();
        EXPECT_NEAR(last.at(9).second, results[9].second, 10.0);
        last[9].second = results[9].second;
        EXPECT_EQ(last, results);
        EXPECT_EQ(sim->RegisterValue(PRC_MASS_K0), c.audit ? 15000.0 : std::trunc(calculated));
    }
}

// Every failure, each time-out at its limit, and the results that must not be written: the writes from
// the failing step on are exact (time-outs leave pump and heaters on for a Retest).
TEST_F(K0RunTest, FailuresAndRefusedResults) {
    struct Case {
        const char* name;
        bool audit;
        sim::SimFaults faults;
        double transducerK0;
        int trigger; // state in which `action` runs; 0: before the procedure opens
        std::function<void()> action;
        int failing; // the state that fails, with its time-out (0: none)
        int limitS;
        const char* reason;              // nullptr: the run completes without a result
        const char* status = nullptr;    // nullptr: the hardware failure
        const char* smoothing = nullptr; // written back with each power-off at the end; nullptr: none
    };
    const auto none = [] {};
    const auto teOff = [this] { sim->SetRegisterValue(PRC_TE_HEATER_TEMP, 40.0); };
    const auto airOff = [this] { sim->SetRegisterValue(PRC_AIR_HEATER_TEMP, 30.0); };
    const auto flowOff = [this] { sim->SetRegisterValue(PRC_FLOW_RATE, 2.35); };
    const auto noSmoothing = [this] { sim->SetRegisterValue(PRC_TE_HEATER_SMOOTH_FACTOR, NAN); };
    const auto k0Zero = [this] { sim->SetRegisterValue(PRC_MASS_K0, 0.0); };
    const auto raising = [this] {
        view.answer = [this](const ScriptedView::Box& box) {
            if (box.text.rfind("Please perform", 0) == 0)
                sim->AddWeight(-0.9);
            return MessageAnswer::Yes;
        };
    };
    const char* waiting = "Waiting for frequency to stabilize.  This may take up to 7 minutes.";
    const char* noK0 = "Calculation error: no valid K0 could be calculated, nothing was written";
    const char* badK0 = "Calculation error: the stored K0 is not valid, nothing was written";
    const sim::SimFaults frozen{.frequencyFrozen = true}, unstable{.heaterUnstable = true};
    for (const Case& c : std::vector<Case>{
             {"air never settles", false, unstable, 15000, 0, none, 4, 2700, K0::AIR_REASON},
             {"TE off its window", false, {}, 15000, 5, teOff, 5, 900, K0::TE_REASON},
             {"frequency frozen", true, frozen, 15000, 0, none, 6, 420, K0::FREQUENCY_REASON},
             {"air off after weight 1", false, {}, 15000, 8, airOff, 8, 900, K0::AIR_REASON},
             {"flow off its set point", false, {}, 15000, 5, flowOff, 6, 0, K0::FLOW_REASON, waiting},
             // A smoothing factor read as no number is not written back: 0.01 is.
             {"change too large", false, {}, 4000, 0, noSmoothing, 10, 0, K0::CHANGE_REASON, {}, "0.01"},
             {"weights that raise the frequency", false, {}, 15000, 6, raising, 22, 0, nullptr, noK0, "0.25"},
             {"stored K0 zero", true, {}, 15000, 0, k0Zero, 22, 0, nullptr, badK0, "0.25"},
         }) {
        SCOPED_TRACE(c.name);
        Reset();
        Connect({.faults = c.faults, .transducerK0 = c.transducerK0});
        sim->SetRegisterValue(PRC_TE_HEATER_SMOOTH_FACTOR, 0.25);
        FollowPrompts({0.9, 0.9, 0.9, 0.9}, {0.9, 0.9, 0.9, 0.9});
        K0& k0 = Make<K0>(*doc, *io, view, clock, c.audit);
        if (!c.trigger)
            c.action();
        Begin(k0);
        if (c.trigger) {
            ASSERT_TRUE(RunUntil([&] { return k0.State() == c.trigger; }, 3600));
            c.action();
        }
        ASSERT_TRUE(RunUntil([&] { return k0.State() == c.failing; }, 3600));
        io->Clear();
        ASSERT_TRUE(RunUntil([&] { return k0.State() >= K0::COMPLETE; }, 3600));
        EXPECT_EQ(k0.State(), c.reason ? int(K0::FAILED) : int(K0::COMPLETE));
        if (c.limitS) {
            EXPECT_NEAR(double(clock.NowMs() - k0.StateStartMs()) / 1000.0, c.limitS + 2.75, 2.75);
        }
        EXPECT_EQ(k0.Result(), ProcedureLogic::Outcome::Failed);
        EXPECT_EQ(k0.Shown(K0::STATUS), c.status ? c.status : "Failure: Check hardware");
        if (c.reason) {
            EXPECT_EQ(view.BoxTexts().back(), std::string("A failure has occurred because the ") + c.reason +
                                                  "\nPlease check hardware");
        }
        const std::string off = std::string("write 10=0 52=") + (c.smoothing ? c.smoothing : "");
        EXPECT_EQ(Writes(),
                  c.smoothing ? (std::vector<std::string>{kOff, off, off, off}) : std::vector<std::string>{});
        EXPECT_EQ(k0.Shown(K0::CANCEL), c.smoothing ? "Close" : "Cancel");
        CloseProcedure();
    }
}

} // namespace
