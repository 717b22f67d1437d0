// The main status form's rules without a window: what it shows for each update, which
// requests it sends, the logging template check and Clear Program.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/BuiltInLoggingTemplate.h"
#include "link/RequestRecorder.h"
#include "forms/MainStatusLogic.h"
#include "model/COrvodeskDoc.h"
#include "model/ShiftProgram.h"
#include "model/StatusAnswer.h"
#include "platform/Clock.h"
#include "platform/MessageSink.h"
#include "platform/TimeZoneSource.h"
#include "TestZones.h"

using namespace orvo;

namespace {

using Writes = std::vector<std::pair<int, double>>;

using RecordingIo = RequestRecorder;

struct FakeView : IMainStatusView {
    bool connected = false, active = false, countdown = false;
    std::string serial, warmup, sample, status, lastService, title;
    TimeFieldColour colour = TimeFieldColour::Red;
    AdvancedVisibility visible{};
    ButtonStates enabled{};
    int holds = 0;

    void ShowConnected(bool c) override { connected = c; }
    void ShowDeviceActive(bool a) override { active = a; }
    void SetSerialNumberText(const std::string& t) override { serial = t; }
    void SetWarmupText(const std::string& t) override { warmup = t; }
    void SetSampleText(const std::string& t) override { sample = t; }
    void SetTimeFieldColour(TimeFieldColour c) override { colour = c; }
    void SetStatusLine(const std::string& t) override { status = t; }
    void SetLastServiceText(const std::string& t) override { lastService = t; }
    void SetAdvancedVisibility(const AdvancedVisibility& v) override { visible = v; }
    void SetButtonsEnabled(const ButtonStates& e) override { enabled = e; }
    void SetTitle(const std::string& t) override { title = t; }
    void StartCountdown() override { countdown = true; }
    void StopCountdown() override { countdown = false; }
    void StartStatusHold(int) override { ++holds; }
};

constexpr float kNew = 7.0f, kOld = 6.5f;
constexpr uint32_t kT0 = 1'700'000'000; // 2023-11-14 22:13:20 UTC, 17:13:20 in New York

// A form on its own document, driven by what the link would deliver.
struct Rig {
    VirtualClock clock{int64_t(kT0) * 1000};
    FixedTimeZone zone{300, false};
    NullMessageSink sink;
    COrvodeskDoc doc{clock, zone, sink};
    RecordingIo io;
    FakeView view;
    MainStatusLogic logic{doc, io, view};

    void Start(AccessMode mode) {
        doc.BeginConnection(mode == ACCESS_EXPERT ? "expert" : mode == ACCESS_SERVICE ? "service" : "");
        logic.InitialUpdate();
    }
    // A status answer, then the update it causes.
    void Status(float firmware, int8_t state, uint32_t time = kT0) {
        const bool wasConnected = doc.Connected();
        const int32_t before = doc.State();
        StatusAnswer answer;
        answer.hasSerial = firmware < 6.7f;
        answer.serialNumber = 7654321;
        answer.firmware = firmware;
        answer.state = state;
        answer.deviceTime = time;
        doc.OnStatusAnswer(answer);
        uint32_t flags = 0;
        if (!wasConnected)
            flags |= UPDATE_CONNECTION | UPDATE_IDENTITY;
        if (doc.State() != before || state != STATE_STOPPED)
            flags |= UPDATE_STATE;
        logic.Update(flags, 0);
    }
    void Register(int number, double value) {
        doc.Registers().SetValue(number, value);
        logic.Update(UPDATE_REGISTER, number);
    }
    void TemplateName(const std::string& name) {
        doc.SetTemplateName(name);
        logic.Update(UPDATE_TEMPLATE_NAME, 0);
    }
    void LoseLink() {
        doc.OnLinkLost();
        logic.Update(UPDATE_LINK_LOST, 0);
    }
    std::vector<std::vector<int>> Reads() const {
        std::vector<std::vector<int>> out;
        for (const RecordedRequest& r : io.sent)
            if (r.kind == "read")
                out.push_back(r.numbers);
        return out;
    }
};

class MainStatusLogicTest : public Rig, public ::testing::Test {};

using B = MainButton;

} // namespace

// Which buttons a stopped or busy monitor enables, and which controls each mode shows, are
// checked against the demo monitor in the GUI test.
TEST(MainStatusRules, NothingIsEnabledWhileBusyOrInAnUnknownState) {
    EXPECT_EQ(EnablingRule(0, false, false), ButtonStates{});
    EXPECT_EQ(EnablingRule(5, false, false), ButtonStates{});
    EXPECT_EQ(EnablingRule(STATE_STOPPED, true, false), ButtonStates{}) << "programming";
    EXPECT_EQ(EnablingRule(STATE_RUNNING, false, true), ButtonStates{}) << "clearing";
}

TEST(MainStatusRules, CountdownAndTimeTexts) {
    EXPECT_EQ(CountdownText(86400 + 3600 + 60 + 1), "Warming 1 day, 01:01:01");
    EXPECT_EQ(CountdownText(2 * 86400), "Warming 2 days, 00:00:00");
    EXPECT_EQ(CountdownText(86399), "Warming 23:59:59");

    EXPECT_EQ(ShiftTimeText(kT0, true, NewYork()), "11/14/2023, 17:13");
    EXPECT_EQ(ShiftTimeText(0, true, NewYork()), "--/--/---- --:--");
    // Older monitors count local time already: no zone shift.
    EXPECT_EQ(ShiftTimeText(kT0, false, NewYork()), "11/14/2023 22:13");
    // The warm-up starts register 12 seconds before the start's whole minute.
    EXPECT_EQ(WarmupStart(kT0, 2100), kT0 - 20 - 2100);

    EXPECT_EQ(LastServiceText(0, true, NewYork()), "Last Service: - -/- -/- - - -");
    EXPECT_EQ(LastServiceText(kT0, true, NewYork()), "Last Service: 11/14/2023");
    EXPECT_EQ(LastServiceText(kT0, false, NewYork()), "");
}

TEST_F(MainStatusLogicTest, NewFirmwareConnectionAsksForItsRegistersInOrder) {
    Start(ACCESS_STANDARD);
    EXPECT_EQ(Reads(), (std::vector<std::vector<int>>{{0}}));
    EXPECT_FALSE(view.connected);
    EXPECT_EQ(view.enabled, ButtonStates{});

    Status(kNew, STATE_STOPPED);
    EXPECT_TRUE(view.connected);
    EXPECT_EQ(Reads(),
              (std::vector<std::vector<int>>{{0}, {33, 46}, {12, 14}, {149, 150, 155}, {13, 11}, {182}}));
    EXPECT_EQ(view.sample, "STOP");
    EXPECT_EQ(view.enabled, EnablingRule(STATE_STOPPED, false, false));
    EXPECT_EQ(view.serial, ""); // not known until the serial text arrives

    doc.OnSerialTextAnswer("ORV0042");
    logic.Update(UPDATE_SERIAL_TEXT, 0);
    EXPECT_EQ(view.serial, "ORV0042");
    Register(182, 0);
    EXPECT_EQ(view.lastService, "Last Service: - -/- -/- - - -");
}

TEST_F(MainStatusLogicTest, LostLinkHidesAndDisablesEverything) {
    Start(ACCESS_EXPERT);
    Status(kOld, STATE_PROGRAMMED);
    ASSERT_TRUE(view.enabled[Index(B::ClearProgram)]);
    LoseLink();
    EXPECT_FALSE(view.connected);
    EXPECT_EQ(view.serial, "N/A");
    EXPECT_EQ(view.visible, AdvancedVisibility{});
    EXPECT_EQ(view.enabled, ButtonStates{});
    EXPECT_EQ(view.sample, "");
}

TEST_F(MainStatusLogicTest, StatesDriveTextsPicturesTimerAndColours) {
    Start(ACCESS_STANDARD);
    Status(kNew, STATE_STOPPED);
    EXPECT_FALSE(view.active);
    EXPECT_EQ(view.colour, TimeFieldColour::Red);

    doc.Registers().SetValue(12, 2100);
    Register(11, kT0);
    io.sent.clear();
    Status(kNew, STATE_PROGRAMMED, kT0 - 5000);
    EXPECT_TRUE(view.active);
    EXPECT_EQ(view.sample, "11/14/2023, 17:13");
    EXPECT_EQ(view.warmup, "11/14/2023, 16:38");
    EXPECT_EQ(view.colour, TimeFieldColour::DarkGreen);
    EXPECT_EQ(Reads(), (std::vector<std::vector<int>>{{13, 11}}));
    EXPECT_FALSE(view.countdown);

    Status(kNew, STATE_WARMING, kT0 - 1000);
    EXPECT_TRUE(view.countdown);
    EXPECT_EQ(view.colour, TimeFieldColour::Orange);
    doc.Registers().SetValue(13, 86400 + 3661);
    io.sent.clear();
    logic.OnTimerTick();
    EXPECT_EQ(view.warmup, "Warming 1 day, 01:01:01");
    EXPECT_EQ(Reads(), (std::vector<std::vector<int>>{{13, 11}}));

    Status(kNew, STATE_RUNNING, kT0 + 10);
    EXPECT_FALSE(view.countdown);
    EXPECT_EQ(view.sample, "Running");
    EXPECT_EQ(view.warmup, "");

    Status(kNew, STATE_STOPPED);
    EXPECT_EQ(view.sample, "STOP");
    EXPECT_FALSE(view.active);
}

TEST_F(MainStatusLogicTest, LoggingTemplateIsInstalledOncePerConnection) {
    Start(ACCESS_STANDARD);
    Status(kNew, STATE_STOPPED);
    Register(183, 0);
    EXPECT_EQ(io.Count("template-name?"), 1u);
    io.sent.clear();

    TemplateName("1");
    ASSERT_EQ(io.sent.size(), 185u);
    for (int n = 0; n < 184; ++n) {
        ASSERT_EQ(io.sent[n].kind, "logging");
        EXPECT_EQ(io.sent[n].numbers, std::vector<int>{n});
    }
    // A few rows of the table, written out by hand (the GUI test pins others as bytes).
    auto setting = [&](int n) { return std::make_pair(io.sent[n].code, io.sent[n].delta); };
    EXPECT_EQ(setting(54), std::make_pair(61u, 0.1f));
    EXPECT_EQ(setting(120), std::make_pair(61u, 0.01f));
    EXPECT_EQ(setting(183), std::make_pair(0u, 0.0f));
    EXPECT_EQ(io.sent[184].kind, "template-name");
    EXPECT_EQ(io.sent[184].text, "2");

    // The answer to the name, and later polls of register 183: nothing more.
    io.sent.clear();
    TemplateName("2");
    Register(183, 0);
    TemplateName("1");
    EXPECT_TRUE(io.sent.empty());

    // A new connection checks again.
    LoseLink();
    Status(kNew, STATE_STOPPED);
    io.sent.clear();
    Register(183, 0);
    TemplateName("7");
    EXPECT_EQ(io.Count("logging"), 184u);
}

TEST(MainStatusLogic, LoggingTemplateIsLeftAloneWhenNotWanted) {
    struct Case {
        AccessMode mode;
        std::string name;
        double expert;
    } cases[] = {
        {ACCESS_STANDARD, "2", 0},
        {ACCESS_STANDARD, "2 (built in)", 0},
        {ACCESS_SERVICE, "1", 0},
        {ACCESS_EXPERT, "1", 1},
    };
    for (const Case& c : cases) {
        Rig r;
        r.Start(c.mode);
        r.Status(kNew, STATE_STOPPED);
        r.Register(183, c.expert);
        r.TemplateName(c.name);
        EXPECT_EQ(r.io.Count("logging") + r.io.Count("name"), 0u) << "mode " << c.mode << " name " << c.name;
        EXPECT_TRUE(r.logic.LoggingChecked());
    }
    // An expert whose monitor says 183 = 0 is treated like a standard user.
    Rig r;
    r.Start(ACCESS_EXPERT);
    r.Status(kNew, STATE_STOPPED);
    r.Register(183, 0);
    r.TemplateName("1");
    EXPECT_EQ(r.io.Count("logging"), 184u);
}

TEST(MainStatusLogic, ClearProgramWritesClearsAndHoldsItsStatusLine) {
    for (float firmware : {kNew, kOld}) {
        Rig r;
        r.Start(ACCESS_STANDARD);
        r.Status(firmware, STATE_PROGRAMMED);
        r.io.sent.clear();

        r.logic.ClearProgram();
        ASSERT_EQ(r.io.sent.size(), 2u);
        EXPECT_EQ(r.io.sent[0].values, (Writes{{155, 0.0}, {149, 1.0}}));
        EXPECT_EQ(r.io.sent[1].kind, "program");
        EXPECT_EQ(r.io.sent[1].extended, firmware == kNew);
        EXPECT_EQ(r.io.sent[1].program.startTime, 0u);
        EXPECT_EQ(r.io.sent[1].program.duration, 0u);
        EXPECT_TRUE(r.doc.ClearingBusy());
        EXPECT_EQ(r.view.status, "Clearing Program Shift");
        EXPECT_EQ(r.view.enabled, ButtonStates{});

        // A second press and every other button are ignored while clearing.
        r.logic.ClearProgram();
        EXPECT_EQ(r.io.sent.size(), 2u);
        EXPECT_FALSE(r.logic.AcceptPress(MainButton::ProgramShift));

        // Updates during the hold add progress dots, shown once the two seconds are up.
        r.logic.Update(UPDATE_REGISTER, 155);
        EXPECT_EQ(r.view.status, "Clearing Program Shift");
        r.logic.OnStatusHoldEnded();
        EXPECT_EQ(r.view.status, "Clearing Program Shift...");

        r.Status(firmware, STATE_STOPPED);
        EXPECT_FALSE(r.doc.ClearingBusy());
        EXPECT_EQ(r.view.status, "");
        r.logic.Update(UPDATE_STATE, 0);
        EXPECT_EQ(r.view.enabled, EnablingRule(STATE_STOPPED, false, false));
    }
}

TEST_F(MainStatusLogicTest, ProgrammingShiftIsAnnouncedAndClearedWhenTheMonitorTakesIt) {
    doc.BeginConnection("");
    StatusAnswer a;
    a.firmware = kNew;
    a.state = STATE_STOPPED;
    doc.OnStatusAnswer(a);
    doc.SetProgrammingBusy(true); // the shift form has sent its program
    logic.InitialUpdate();
    EXPECT_EQ(view.status, "Programming Shift");
    EXPECT_EQ(view.holds, 1);
    EXPECT_EQ(view.enabled, ButtonStates{});
    logic.Update(UPDATE_REGISTER, 14);
    logic.OnStatusHoldEnded();
    EXPECT_EQ(view.status, "Programming Shift......");

    // Straight to warming: the flag is cleared and the line with it.
    Status(kNew, STATE_WARMING, kT0 + 1);
    EXPECT_FALSE(doc.ProgrammingBusy());
    EXPECT_EQ(view.status, "");
    logic.Update(UPDATE_STATE, 0);
    EXPECT_EQ(view.enabled, EnablingRule(STATE_WARMING, false, false));
}

TEST_F(MainStatusLogicTest, ServiceDatePresetAndWrite) {
    Start(ACCESS_SERVICE);
    EXPECT_EQ(logic.ServiceDatePreset(kT0), kT0);
    doc.Registers().SetValue(182, 1'600'000'000);
    EXPECT_EQ(logic.ServiceDatePreset(kT0), 1'600'000'000u);
    io.sent.clear();
    logic.WriteServiceDate(1'650'000'000);
    ASSERT_EQ(io.sent.size(), 1u);
    EXPECT_EQ(io.sent[0].values, (Writes{{182, 1'650'000'000.0}}));
}
