// The main status form's rules without a window: what it shows for each update, which
// requests it sends, the logging template check and Clear Program.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/BuiltInLoggingTemplate.h"
#include "forms/DeviceIo.h"
#include "forms/MainStatusLogic.h"
#include "model/COrvodeskDoc.h"
#include "model/ShiftProgram.h"
#include "model/StatusAnswer.h"
#include "platform/Clock.h"
#include "platform/MessageSink.h"
#include "platform/TimeZoneSource.h"

using namespace orvo;

namespace {

struct Request {
    explicit Request(std::string k, std::vector<int> n = {}) : kind(std::move(k)), numbers(std::move(n)) {}

    std::string kind; // "read", "write", "log", "name", "askName", "readProgram", "program"
    std::vector<int> numbers;
    std::vector<std::pair<int, double>> values;
    uint32_t code = 0;
    float delta = 0;
    std::string text;
    bool extended = false;
    ShiftProgram program;
};

class RecordingIo : public DeviceIo {
public:
    std::vector<Request> sent;

    bool ReadRegisters(const std::vector<int>& numbers) override {
        sent.push_back(Request("read", numbers));
        return true;
    }
    bool WriteRegisters(const std::vector<std::pair<int, double>>& values) override {
        Request r("write");
        r.values = values;
        sent.push_back(r);
        return true;
    }
    bool SetLogging(int number, uint32_t code, float delta) override {
        Request r("log", {number});
        r.code = code;
        r.delta = delta;
        sent.push_back(r);
        return true;
    }
    bool SetTemplateName(const std::string& name) override {
        Request r("name");
        r.text = name;
        sent.push_back(r);
        return true;
    }
    bool RequestTemplateName() override {
        sent.push_back(Request("askName"));
        return true;
    }
    bool ReadShiftProgram(bool extended) override {
        Request r("readProgram");
        r.extended = extended;
        sent.push_back(r);
        return true;
    }
    bool ProgramShift(const ShiftProgram& program, bool extended) override {
        Request r("program");
        r.program = program;
        r.extended = extended;
        sent.push_back(r);
        return true;
    }
    size_t Count(const std::string& kind) const {
        size_t n = 0;
        for (const Request& r : sent)
            n += r.kind == kind;
        return n;
    }
};

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

class MainStatusLogicTest : public ::testing::Test {
protected:
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
    // A status answer as the link would deliver it, then the update it causes.
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
    std::vector<std::vector<int>> Reads() const {
        std::vector<std::vector<int>> out;
        for (const Request& r : io.sent)
            if (r.kind == "read")
                out.push_back(r.numbers);
        return out;
    }
};

ButtonStates Buttons(std::initializer_list<MainButton> on) {
    ButtonStates b{};
    for (MainButton m : on)
        b[Index(m)] = true;
    return b;
}

AdvancedVisibility Shown(std::initializer_list<AdvancedControl> on) {
    AdvancedVisibility v{};
    for (AdvancedControl c : on)
        v[Index(c)] = true;
    return v;
}

using B = MainButton;
using A = AdvancedControl;

} // namespace

TEST(MainStatusRules, EnablingRuleByStateAndFlags) {
    const ButtonStates always = Buttons(
        {B::DownloadSample, B::ProgramShift, B::RealTimeGraph, B::Diagnostics, B::BoardTest, B::Configure});
    ButtonStates stopped = always, busy = always;
    for (B b : {B::K0Calibration, B::K0Audit, B::LeakCheck, B::TiltCalibration, B::TiltAudit, B::ServiceDate,
                B::FlowCalibration})
        stopped[Index(b)] = true;
    busy[Index(B::ClearProgram)] = true;

    struct Case {
        int32_t state;
        bool programming, clearing;
        ButtonStates expected;
    } cases[] = {
        {STATE_STOPPED, false, false, stopped},
        {STATE_PROGRAMMED, false, false, busy},
        {STATE_WARMING, false, false, busy},
        {STATE_RUNNING, false, false, busy},
        {0, false, false, ButtonStates{}},
        {5, false, false, ButtonStates{}},
        {STATE_STOPPED, true, false, ButtonStates{}},
        {STATE_RUNNING, false, true, ButtonStates{}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EnablingRule(c.state, c.programming, c.clearing), c.expected)
            << "state " << c.state << " programming " << c.programming << " clearing " << c.clearing;
}

TEST(MainStatusRules, InitialVisibilityByModeFirmwareAndConnection) {
    const AdvancedVisibility none{};
    const AdvancedVisibility serviceOld =
        Shown({A::Group, A::Configure, A::RealTimeGraph, A::K0Calibration, A::TiltCalibration});
    AdvancedVisibility serviceNew = serviceOld;
    serviceNew[Index(A::ServiceDate)] = true;
    const AdvancedVisibility expertOld =
        Shown({A::Group, A::Configure, A::BoardTest, A::RealTimeGraph, A::K0Calibration, A::TiltCalibration});

    EXPECT_EQ(InitialVisibility(ACCESS_STANDARD, false, true), none);
    EXPECT_EQ(InitialVisibility(ACCESS_STANDARD, true, true), none);
    EXPECT_EQ(InitialVisibility(ACCESS_SERVICE, false, false), serviceOld);
    EXPECT_EQ(InitialVisibility(ACCESS_SERVICE, true, true), serviceNew);
    EXPECT_EQ(InitialVisibility(ACCESS_EXPERT, false, true), expertOld);
    EXPECT_EQ(InitialVisibility(ACCESS_EXPERT, false, false), none);
    EXPECT_EQ(InitialVisibility(ACCESS_EXPERT, true, true), none);
    EXPECT_EQ(OldFirmwareConnectedVisibility(ACCESS_SERVICE), serviceOld);
    EXPECT_EQ(OldFirmwareConnectedVisibility(ACCESS_EXPERT), expertOld);
}

TEST(MainStatusRules, CountdownTexts) {
    const std::pair<uint32_t, const char*> cases[] = {
        {86400 + 3600 + 60 + 1, "Warming 1 day, 01:01:01"},
        {2 * 86400, "Warming 2 days, 00:00:00"},
        {86399, "Warming 23:59:59"},
        {0, "Warming 00:00:00"},
        {125, "Warming 00:02:05"},
        {12 * 86400 + 5, "Warming 12 days, 00:00:05"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(CountdownText(seconds), text) << seconds;
}

// TZ=America/New_York (set for the test run).
TEST(MainStatusRules, TimeTextsForBothFirmwareClasses) {
    EXPECT_EQ(ShiftTimeText(kT0, true), "11/14/2023, 17:13");
    EXPECT_EQ(ShiftTimeText(0, true), "--/--/---- --:--");
    // Older monitors count local time already: no zone shift.
    EXPECT_EQ(ShiftTimeText(kT0, false), "11/14/2023 22:13");
    EXPECT_EQ(ShiftTimeText(0, false), "01/01/1970 00:00");
    // The warm-up starts register 12 seconds before the start's whole minute.
    EXPECT_EQ(WarmupStart(kT0, 2100), kT0 - 20 - 2100);
    EXPECT_EQ(ShiftTimeText(WarmupStart(kT0, 2100), true), "11/14/2023, 16:38");

    EXPECT_EQ(LastServiceText(0, true), "Last Service: - -/- -/- - - -");
    EXPECT_EQ(LastServiceText(kT0, true), "Last Service: 11/14/2023");
    EXPECT_EQ(LastServiceText(kT0, false), "");
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
    EXPECT_EQ(view.lastService, "Last Service: ");
    EXPECT_EQ(view.sample, "STOP");
    EXPECT_EQ(view.colour, TimeFieldColour::Red);
    EXPECT_EQ(view.enabled, EnablingRule(STATE_STOPPED, false, false));
    EXPECT_EQ(view.serial, ""); // not known until the serial text arrives

    doc.OnSerialTextAnswer("ORV0042");
    logic.Update(UPDATE_SERIAL_TEXT, 0);
    EXPECT_EQ(view.serial, "ORV0042");
    Register(182, 0);
    EXPECT_EQ(view.lastService, "Last Service: - -/- -/- - - -");
    EXPECT_EQ(view.title, "");
}

TEST_F(MainStatusLogicTest, OldFirmwareShowsTheSevenDigitSerialAndNoServiceDate) {
    Start(ACCESS_SERVICE);
    Status(kOld, STATE_STOPPED);
    EXPECT_EQ(view.serial, "7654321");
    EXPECT_EQ(view.lastService, "");
    EXPECT_EQ(Reads().back(), (std::vector<int>{13, 11})); // no register 182
    EXPECT_EQ(view.visible, OldFirmwareConnectedVisibility(ACCESS_SERVICE));
    Register(182, kT0);
    EXPECT_EQ(view.lastService, "");
}

TEST_F(MainStatusLogicTest, AdvancedControlsByModeFirmwareAndRegister183) {
    struct Case {
        AccessMode mode;
        float firmware;
        double expert;
        AdvancedVisibility expected;
    } cases[] = {
        {ACCESS_STANDARD, kOld, 1, AllAdvanced(false)},
        {ACCESS_STANDARD, kNew, 1, AllAdvanced(false)},
        {ACCESS_SERVICE, kOld, 0, OldFirmwareConnectedVisibility(ACCESS_SERVICE)},
        {ACCESS_SERVICE, kNew, 1, InitialVisibility(ACCESS_SERVICE, true, true)},
        {ACCESS_EXPERT, kOld, 0, OldFirmwareConnectedVisibility(ACCESS_EXPERT)},
        {ACCESS_EXPERT, kNew, 0, AllAdvanced(false)},
        {ACCESS_EXPERT, kNew, 1, AllAdvanced(true)},
    };
    for (const Case& c : cases) {
        COrvodeskDoc d(clock, zone, sink);
        RecordingIo i;
        FakeView v;
        MainStatusLogic l(d, i, v);
        d.BeginConnection(c.mode == ACCESS_EXPERT ? "expert" : c.mode == ACCESS_SERVICE ? "service" : "");
        l.InitialUpdate();
        StatusAnswer a;
        a.hasSerial = c.firmware < 6.7f;
        a.firmware = c.firmware;
        a.state = STATE_STOPPED;
        d.OnStatusAnswer(a);
        l.Update(UPDATE_CONNECTION | UPDATE_IDENTITY | UPDATE_STATE, 0);
        d.Registers().SetValue(183, c.expert);
        l.Update(UPDATE_REGISTER, 183);
        EXPECT_EQ(v.visible, c.expected)
            << "mode " << c.mode << " firmware " << c.firmware << " 183=" << c.expert;
    }
}

TEST_F(MainStatusLogicTest, LostLinkHidesAndDisablesEverything) {
    Start(ACCESS_EXPERT);
    Status(kOld, STATE_PROGRAMMED);
    ASSERT_TRUE(view.enabled[Index(B::ClearProgram)]);
    doc.OnLinkLost();
    logic.Update(UPDATE_LINK_LOST, 0);
    EXPECT_FALSE(view.connected);
    EXPECT_EQ(view.serial, "N/A");
    EXPECT_EQ(view.visible, AllAdvanced(false));
    EXPECT_EQ(view.enabled, ButtonStates{});
    EXPECT_EQ(view.sample, "");
    EXPECT_EQ(view.warmup, "");
}

TEST_F(MainStatusLogicTest, StatesDriveTextsPicturesTimerAndColours) {
    Start(ACCESS_STANDARD);
    Status(kNew, STATE_STOPPED);
    EXPECT_FALSE(view.active);

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
    EXPECT_EQ(view.colour, TimeFieldColour::DarkGreen);

    Status(kNew, STATE_STOPPED);
    EXPECT_EQ(view.sample, "STOP");
    EXPECT_FALSE(view.active);
    EXPECT_EQ(view.colour, TimeFieldColour::Red);
}

TEST_F(MainStatusLogicTest, LoggingTemplateIsInstalledOncePerConnection) {
    Start(ACCESS_STANDARD);
    Status(kNew, STATE_STOPPED);
    Register(183, 0);
    EXPECT_EQ(io.Count("askName"), 1u);
    io.sent.clear();

    TemplateName("1");
    ASSERT_EQ(io.sent.size(), 185u);
    for (int n = 0; n < 184; ++n) {
        ASSERT_EQ(io.sent[n].kind, "log");
        EXPECT_EQ(io.sent[n].numbers, std::vector<int>{n});
    }
    // A few rows of the table, written out by hand.
    auto setting = [&](int n) { return std::make_pair(io.sent[n].code, io.sent[n].delta); };
    EXPECT_EQ(setting(4), std::make_pair(61u, 0.0f));
    EXPECT_EQ(setting(34), std::make_pair(61u, 1.0f));
    EXPECT_EQ(setting(54), std::make_pair(61u, 0.1f));
    EXPECT_EQ(setting(67), std::make_pair(61u, 0.05f));
    EXPECT_EQ(setting(120), std::make_pair(61u, 0.01f));
    EXPECT_EQ(setting(0), std::make_pair(1u, 0.0f));
    EXPECT_EQ(setting(152), std::make_pair(1u, 0.0f));
    EXPECT_EQ(setting(2), std::make_pair(0u, 0.0f));
    EXPECT_EQ(setting(183), std::make_pair(0u, 0.0f));
    EXPECT_EQ(io.sent[184].kind, "name");
    EXPECT_EQ(io.sent[184].text, "2");

    // The answer to the name, and later polls of register 183: nothing more.
    io.sent.clear();
    TemplateName("2");
    Register(183, 0);
    TemplateName("1");
    EXPECT_TRUE(io.sent.empty());

    // A new connection checks again.
    doc.OnLinkLost();
    logic.Update(UPDATE_LINK_LOST, 0);
    Status(kNew, STATE_STOPPED);
    io.sent.clear();
    Register(183, 0);
    TemplateName("7");
    EXPECT_EQ(io.Count("log"), 184u);
}

TEST_F(MainStatusLogicTest, LoggingTemplateIsLeftAloneWhenNotWanted) {
    struct Case {
        AccessMode mode;
        std::string name;
        double expert;
    } cases[] = {
        {ACCESS_STANDARD, "2", 0}, {ACCESS_STANDARD, "2 (built in)", 0},
        {ACCESS_SERVICE, "1", 0},  {ACCESS_EXPERT, "1", 1},
        {ACCESS_EXPERT, "2", 0},
    };
    for (const Case& c : cases) {
        COrvodeskDoc d(clock, zone, sink);
        RecordingIo i;
        FakeView v;
        MainStatusLogic l(d, i, v);
        d.BeginConnection(c.mode == ACCESS_EXPERT ? "expert" : c.mode == ACCESS_SERVICE ? "service" : "");
        l.InitialUpdate();
        StatusAnswer a;
        a.firmware = kNew;
        a.state = STATE_STOPPED;
        d.OnStatusAnswer(a);
        l.Update(UPDATE_CONNECTION | UPDATE_IDENTITY, 0);
        d.Registers().SetValue(183, c.expert);
        d.SetTemplateName(c.name);
        l.Update(UPDATE_TEMPLATE_NAME, 0);
        EXPECT_EQ(i.Count("log") + i.Count("name"), 0u) << "mode " << c.mode << " name " << c.name;
        EXPECT_TRUE(l.LoggingChecked());
    }
    // Expert mode with register 183 = 0 is treated like a standard user.
    Start(ACCESS_EXPERT);
    Status(kNew, STATE_STOPPED);
    TemplateName("1");
    EXPECT_EQ(io.Count("log"), 184u);
}

TEST_F(MainStatusLogicTest, ClearProgramWritesClearsAndHoldsItsStatusLine) {
    for (float firmware : {kNew, kOld}) {
        COrvodeskDoc d(clock, zone, sink);
        RecordingIo i;
        FakeView v;
        MainStatusLogic l(d, i, v);
        d.BeginConnection("");
        l.InitialUpdate();
        StatusAnswer a;
        a.hasSerial = firmware < 6.7f;
        a.firmware = firmware;
        a.state = STATE_PROGRAMMED;
        a.deviceTime = kT0;
        d.OnStatusAnswer(a);
        l.Update(UPDATE_CONNECTION | UPDATE_IDENTITY | UPDATE_STATE, 0);
        i.sent.clear();

        l.ClearProgram();
        ASSERT_EQ(i.sent.size(), 2u);
        EXPECT_EQ(i.sent[0].kind, "write");
        EXPECT_EQ(i.sent[0].values, (std::vector<std::pair<int, double>>{{155, 0.0}, {149, 1.0}}));
        EXPECT_EQ(i.sent[1].kind, "program");
        EXPECT_EQ(i.sent[1].extended, firmware == kNew);
        EXPECT_EQ(i.sent[1].program.startTime, 0u);
        EXPECT_EQ(i.sent[1].program.duration, 0u);
        EXPECT_EQ(i.sent[1].program.wearerId, "");
        EXPECT_TRUE(d.ClearingBusy());
        EXPECT_EQ(v.status, "Clearing Program Shift");
        EXPECT_EQ(v.holds, 1);
        EXPECT_EQ(v.enabled, ButtonStates{});

        // A second press and every other button are ignored while clearing.
        l.ClearProgram();
        EXPECT_EQ(i.sent.size(), 2u);
        EXPECT_FALSE(l.AcceptPress(MainButton::ProgramShift));
        EXPECT_FALSE(l.AcceptDone());

        // Updates during the hold add progress dots, shown once the two seconds are up.
        l.Update(UPDATE_REGISTER, 155);
        EXPECT_EQ(v.enabled, ButtonStates{});
        EXPECT_EQ(v.status, "Clearing Program Shift");
        l.OnStatusHoldEnded();
        EXPECT_EQ(v.status, "Clearing Program Shift...");

        a.state = STATE_STOPPED;
        d.OnStatusAnswer(a);
        l.Update(UPDATE_STATE, 0);
        EXPECT_FALSE(d.ClearingBusy());
        EXPECT_EQ(v.status, "");
        l.Update(UPDATE_STATE, 0);
        EXPECT_EQ(v.enabled, EnablingRule(STATE_STOPPED, false, false));
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
    a.state = STATE_WARMING;
    a.deviceTime = kT0 + 1;
    doc.OnStatusAnswer(a);
    logic.Update(UPDATE_STATE, 0);
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
    EXPECT_EQ(io.sent[0].values, (std::vector<std::pair<int, double>>{{182, 1'650'000'000.0}}));
}
