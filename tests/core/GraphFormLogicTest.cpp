// The live graph's rules without a window: the plotted set, the field limits, one read request
// per tick, samples scrolling in the last row, zooming and the CSV log.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "FormTestSupport.h"
#include "ServiceTestSupport.h"
#include "forms/GraphFormLogic.h"

using namespace orvo;

namespace {

struct FakeView : IGraphFormView {
    std::string history, update, axisMin, axisMax, logPath, askedPath;
    bool autoScale = false, logging = false;
    std::vector<std::string> plotted;
    std::vector<uint32_t> timerStarts;
    int redraws = 0;

    void SetTitle(const std::string&) override {}
    void ShowRegisterChoices(const std::vector<std::string>&) override {}
    void ShowHistory(const std::string& t) override { history = t; }
    void ShowUpdate(const std::string& t) override { update = t; }
    void SetAutoScaleChecked(bool c) override { autoScale = c; }
    void ShowAxisRange(const std::string& lo, const std::string& hi) override { axisMin = lo, axisMax = hi; }
    void SetLoggingChecked(bool c) override { logging = c; }
    void ShowLogPath(const std::string& p) override { logPath = p; }
    std::string AskLogPath() override { return askedPath; }
    void ShowPlotted(const std::vector<std::string>& names) override { plotted = names; }
    void StartTimer(uint32_t ms) override { timerStarts.push_back(ms); }
    void Redraw() override { ++redraws; }
};

struct Rig : test::DocRig {
    FakeView view;
    GraphFormLogic logic{doc, io, view};
    test::TempFolder folder;

    Rig() {
        test::ReportStatus(doc, 7.0f, STATE_STOPPED);
        logic.InitialUpdate();
    }

    void Answer(int n, double value) {
        doc.Registers().SetValue(n, value);
        logic.Update(UPDATE_REGISTER, n);
    }
    void StartLog(const std::string& name) {
        view.askedPath = folder.File(name);
        logic.BrowseLogPath();
    }
};

} // namespace

TEST(GraphFormLogic, AtMostFifteenRegistersEachOnce) {
    Rig rig;
    EXPECT_EQ(rig.view.timerStarts, std::vector<uint32_t>{5000});
    EXPECT_EQ(rig.view.history + " " + rig.view.update, "240 5");
    EXPECT_TRUE(rig.view.autoScale);
    for (int n = 100; n < 115; ++n)
        EXPECT_TRUE(rig.logic.AddRegister(n));
    EXPECT_FALSE(rig.logic.AddRegister(115)) << "a 16th";
    rig.logic.RemoveRegisters({0});
    EXPECT_FALSE(rig.logic.AddRegister(101)) << "plotted already";
    EXPECT_EQ(rig.logic.Plotted().size(), 14u);
    EXPECT_EQ(rig.view.plotted.front(), "MASS REJECT TIME"); // 101, now first
}

TEST(GraphFormLogic, FieldsAreHeldToTheirLimits) {
    for (const auto& [history, points, shown] :
         {std::tuple{"10", 64, "64"}, std::tuple{"1000", 512, "512"}, std::tuple{"100.7", 100, "100"},
          std::tuple{"lots", 240, "240"}}) {
        Rig rig;
        rig.logic.SetHistoryText(history);
        EXPECT_EQ(rig.logic.HistoryPoints(), points) << history;
        EXPECT_EQ(rig.view.history, shown);
    }
    for (const auto& [seconds, ms, shown] :
         {std::tuple{"0.1", 500u, "0.5"}, std::tuple{"600", 300000u, "300"}, std::tuple{"2", 2000u, "2"},
          std::tuple{"", 5000u, "5"}}) {
        Rig rig;
        rig.logic.SetUpdateText(seconds);
        EXPECT_EQ(rig.logic.UpdateMs(), ms) << seconds;
        EXPECT_EQ(rig.view.update, shown);
        // Restarted only on a change.
        EXPECT_EQ(rig.view.timerStarts,
                  ms == 5000 ? std::vector<uint32_t>{5000} : (std::vector<uint32_t>{5000, ms}));
    }
}

TEST(GraphFormLogic, OneReadPerTickAndTheNewestSampleInTheLastRow) {
    Rig rig;
    for (int n : {72, 79, 104})
        rig.logic.AddRegister(n);
    rig.Answer(79, 2.0); // before any tick: the last row takes it
    rig.logic.OnTimerTick();
    EXPECT_EQ(rig.io.Lines(), std::vector<std::string>{"read 72 79 104"});
    EXPECT_TRUE(std::isnan(rig.logic.Samples(1).back())) << "the last row waits for its answer";
    EXPECT_EQ(rig.logic.Samples(1)[238], 2.0) << "moved up a row";
    const int redraws = rig.view.redraws;
    rig.Answer(72, 2.2);
    rig.Answer(104, 299.5);
    EXPECT_EQ(rig.view.redraws, redraws) << "one drawing once the answer is complete";
    rig.Answer(79, 2.1);
    EXPECT_EQ(rig.view.redraws, redraws + 1);
    EXPECT_EQ(rig.logic.Samples(0).back(), 2.2);
    EXPECT_EQ(rig.logic.Samples(2).back(), 299.5);
    EXPECT_EQ(rig.logic.Samples(2).size(), 240u);

    // Removing a register leaves the others' samples; a shorter history keeps the newest.
    rig.logic.RemoveRegisters({0});
    EXPECT_EQ(rig.logic.Plotted(), (std::vector<int>{79, 104}));
    EXPECT_EQ(rig.logic.Samples(0).back(), 2.1);
    EXPECT_EQ(rig.logic.Samples(0)[238], 2.0);
    rig.logic.SetHistoryText("64");
    EXPECT_EQ(rig.logic.Samples(1).size(), 64u);
    EXPECT_EQ(rig.logic.Samples(0)[62], 2.0);
    EXPECT_EQ(rig.logic.Samples(1).back(), 299.5);

    // A lost monitor is not asked: the chart goes on scrolling, with a gap.
    rig.doc.OnLinkLost();
    rig.io.Clear();
    rig.logic.OnTimerTick();
    EXPECT_TRUE(rig.io.sent.empty());
    EXPECT_TRUE(std::isnan(rig.logic.Samples(1).back()));
}

TEST(GraphFormLogic, LogHasAHeaderForEveryPlottedSetAndOneLinePerTick) {
    Rig rig;
    // Nothing plotted: nothing asked, drawn or logged.
    rig.view.askedPath = rig.folder.File("empty.csv");
    rig.logic.SetLogging(true); // an empty path asks for one
    ASSERT_TRUE(rig.logic.Logging());
    const int redraws = rig.view.redraws;
    rig.logic.OnTimerTick();
    EXPECT_TRUE(rig.io.sent.empty());
    EXPECT_EQ(rig.view.redraws, redraws);
    EXPECT_EQ(rig.folder.Read("empty.csv"), "");
    rig.logic.SetLogging(false);

    rig.logic.AddRegister(72);
    rig.logic.AddRegister(104);
    rig.doc.Registers().SetValue(72, 2.2);
    rig.doc.Registers().SetValue(104, 299.5);
    rig.StartLog("log.csv");
    rig.logic.OnTimerTick();
    rig.logic.AddRegister(12);
    rig.logic.OnTimerTick();
    rig.logic.RemoveRegisters({0, 1});
    rig.logic.OnTimerTick();
    rig.logic.SetLogging(false);
    rig.logic.OnTimerTick();
    rig.logic.AddRegister(13); // not logging: the file is left alone
    rig.logic.SetLogging(true);
    EXPECT_EQ(rig.folder.Read("log.csv"), "FLOW RATE SET PT,MASS FREQ RAW\n"
                                          "2.2,299.500000\n"
                                          "FLOW RATE SET PT,MASS FREQ RAW,SHIFT WARMUP TIME\n"
                                          "2.2,299.500000,2100\n"
                                          "SHIFT WARMUP TIME\n"
                                          "2100\n"
                                          "SHIFT WARMUP TIME,SHIFT WARMUP REMAINING\n");

    // A log that cannot be opened clears logging without a word; a cancelled dialog leaves it off.
    rig.StartLog("no-such-folder/log.csv");
    EXPECT_FALSE(rig.logic.Logging() || rig.view.logging);
    EXPECT_EQ(rig.view.logPath, rig.folder.File("no-such-folder/log.csv"));
    rig.view.askedPath.clear();
    rig.logic.BrowseLogPath();
    EXPECT_FALSE(rig.view.logging);
}

TEST(GraphFormLogic, DraggingSetsTheValueAxis) {
    Rig rig;
    rig.logic.BeginManualScale();
    EXPECT_FALSE(rig.view.autoScale);
    rig.logic.SetAxisMaximumText("100");
    rig.logic.SetAxisMinimumText("0");
    rig.logic.SetAxisMinimumText("200"); // above the maximum: refused
    EXPECT_EQ(rig.logic.Axis().minimum, 0.0);
    // A plot area from y = 10, 200 pixels high: half a unit per pixel.
    rig.logic.Zoom(160, 60, 10, 200);
    EXPECT_EQ(std::pair(rig.logic.Axis().minimum, rig.logic.Axis().maximum), std::pair(25.0, 75.0));
    EXPECT_EQ(rig.view.axisMin + " " + rig.view.axisMax, "25.000000 75.000000");
    rig.logic.Zoom(80, 80, 10, 200); // a click is no zoom
    EXPECT_EQ(rig.logic.Axis().maximum, 75.0);

    rig.logic.AddRegister(72);
    rig.Answer(72, 2.0);
    rig.logic.SetAutoScale(true);
    EXPECT_LT(rig.logic.Axis().minimum, 2.0);
    EXPECT_GT(rig.logic.Axis().maximum, 2.0);
}
