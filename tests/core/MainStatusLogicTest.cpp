// The main status form's rules without a window: what it shows for each update, which
// requests it sends, the logging template check and Clear Program. Times on New York's clock.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "FormTestSupport.h"
#include "model/BusyOperation.h"
#include "model/StatusAnswer.h"

using namespace orvo;
using namespace orvo::test;

namespace {

// A form on its own document, told of every update the document makes, as the real one is.
struct Rig : DocRig, IDocView {
    FakeMainView view;
    MainStatusLogic logic{doc, io, view};

    Rig() { doc.AddView(this); }
    void OnDocUpdate(uint32_t flags, intptr_t value) override { logic.Update(flags, value); }

    void Start(AccessMode mode) {
        doc.BeginConnection(mode == ACCESS_EXPERT ? "expert" : mode == ACCESS_SERVICE ? "service" : "");
        logic.InitialUpdate();
    }
    void Status(float firmware, int8_t state, uint32_t time = kT0) {
        ReportStatus(doc, firmware, state, time);
    }
    void Register(int number, double value) {
        doc.Registers().SetValue(number, value);
        doc.UpdateViews(UPDATE_REGISTER, number);
    }
    void TemplateName(const std::string& name) {
        doc.SetTemplateName(name);
        doc.UpdateViews(UPDATE_TEMPLATE_NAME, 0);
    }
    // The monitor's answer to a program: its record.
    void ProgramAnswered() {
        doc.InsertRecordFront("0,0,-,-,,,,,,0,,0,,");
        doc.UpdateViews(UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT);
    }
    std::vector<std::string> Reads() const {
        std::vector<std::string> out;
        for (const std::string& line : io.Lines())
            if (line.rfind("read ", 0) == 0)
                out.push_back(line.substr(5));
        return out;
    }
};

class MainStatusLogicTest : public Rig, public ::testing::Test {};

using Texts = std::vector<std::string>;

} // namespace

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
    EXPECT_EQ(EnablingRule(0, false, false), ButtonStates{}) << "a state not known yet";
}

// The advanced controls by firmware and mode, before and after register 183 says 1.
TEST(MainStatusLogic, AdvancedControlsByModeFirmwareAndExpertRegister) {
    const AdvancedVisibility none{}, all = AllAdvanced(true);
    const AdvancedVisibility serviceOld = {true, true, false, true, true, true, false};
    const AdvancedVisibility serviceNew = {true, true, false, true, true, true, true};
    const AdvancedVisibility expertOld = {true, true, true, true, true, true, false};
    const struct {
        float firmware;
        AccessMode mode;
        AdvancedVisibility before, after;
    } cases[] = {
        {kNewFirmware, ACCESS_STANDARD, none, none},
        {kNewFirmware, ACCESS_SERVICE, serviceNew, serviceNew},
        {kNewFirmware, ACCESS_EXPERT, none, all},
        {kOldFirmware, ACCESS_STANDARD, none, none},
        {kOldFirmware, ACCESS_SERVICE, serviceOld, serviceOld},
        {kOldFirmware, ACCESS_EXPERT, expertOld, expertOld},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.firmware << " mode " << c.mode);
        Rig r;
        r.Start(c.mode);
        r.Status(c.firmware, STATE_STOPPED);
        EXPECT_EQ(r.view.visible, c.before);
        r.Register(183, 1);
        EXPECT_EQ(r.view.visible, c.after);
        EXPECT_EQ(r.view.enabled, EnablingRule(STATE_STOPPED, false, false));
        EXPECT_EQ(r.view.serial, c.firmware == kOldFirmware ? "7654321" : "") << "text not known yet";
    }
}

TEST_F(MainStatusLogicTest, NewFirmwareConnectionAsksForItsRegistersInOrder) {
    Start(ACCESS_STANDARD);
    EXPECT_EQ(Reads(), Texts{"0"});
    EXPECT_FALSE(view.connected);
    Status(kNewFirmware, STATE_STOPPED);
    EXPECT_TRUE(view.connected);
    EXPECT_EQ(Reads(), (Texts{"0", "33 46", "12 14", "149 150 155", "13 11", "182"}));
    doc.OnSerialTextAnswer("ORV0042");
    Register(182, 0);
    EXPECT_EQ((Texts{view.sample, view.serial, view.lastService}),
              (Texts{"STOP", "ORV0042", "Last Service: - -/- -/- - - -"}));

    doc.OnLinkLost();
    EXPECT_FALSE(view.connected);
    EXPECT_EQ((Texts{view.sample, view.serial}), (Texts{"", "N/A"}));
    EXPECT_EQ(view.enabled, ButtonStates{});
}

TEST_F(MainStatusLogicTest, StatesDriveTextsPicturesTimerAndColours) {
    Start(ACCESS_STANDARD);
    Status(kNewFirmware, STATE_STOPPED);
    EXPECT_FALSE(view.active);
    EXPECT_EQ(view.colour, TimeFieldColour::Red);

    doc.Registers().SetValue(12, 2100);
    Register(11, kT0);
    io.sent.clear();
    Status(kNewFirmware, STATE_PROGRAMMED, kT0 - 5000);
    EXPECT_TRUE(view.active);
    EXPECT_EQ((Texts{view.sample, view.warmup}), (Texts{"11/14/2023, 17:13", "11/14/2023, 16:38"}));
    EXPECT_EQ(view.colour, TimeFieldColour::DarkGreen);
    EXPECT_EQ(Reads(), Texts{"13 11"});
    EXPECT_EQ(view.enabled, EnablingRule(STATE_PROGRAMMED, false, false));

    Status(kNewFirmware, STATE_WARMING, kT0 - 1000);
    EXPECT_TRUE(view.countdown);
    EXPECT_EQ(view.colour, TimeFieldColour::Orange);
    doc.Registers().SetValue(13, 86400 + 3661);
    io.sent.clear();
    logic.OnTimerTick();
    EXPECT_EQ(view.warmup, "Warming 1 day, 01:01:01");
    EXPECT_EQ(Reads(), Texts{"13 11"});

    Status(kNewFirmware, STATE_RUNNING, kT0 + 10);
    EXPECT_FALSE(view.countdown);
    EXPECT_EQ((Texts{view.sample, view.warmup}), (Texts{"Running", ""}));
    Status(kNewFirmware, STATE_STOPPED);
    EXPECT_EQ(view.sample, "STOP");
    EXPECT_FALSE(view.active);
}

TEST_F(MainStatusLogicTest, LoggingTemplateIsInstalledOncePerConnection) {
    Start(ACCESS_STANDARD);
    Status(kNewFirmware, STATE_STOPPED);
    Register(183, 0);
    EXPECT_EQ(io.Count("template-name?"), 1u);
    io.sent.clear();

    TemplateName("1");
    ASSERT_EQ(io.sent.size(), 185u);
    for (int n = 0; n < 184; ++n)
        ASSERT_EQ(io.sent[n].numbers, std::vector<int>{n});
    // Rows of the table, written out by hand (the link's tests pin the command's bytes).
    for (const auto& [n, code, delta] :
         {std::tuple{0, 1u, 0.0f}, std::tuple{2, 0u, 0.0f}, std::tuple{34, 61u, 1.0f},
          std::tuple{54, 61u, 0.1f}, std::tuple{67, 61u, 0.05f}, std::tuple{183, 0u, 0.0f}})
        EXPECT_EQ(std::make_pair(io.sent[n].code, io.sent[n].delta), std::make_pair(code, delta)) << n;
    EXPECT_EQ(io.sent[184].text, "2");

    // The answer to the name, and later polls of register 183: nothing more.
    io.sent.clear();
    TemplateName("2");
    Register(183, 0);
    TemplateName("1");
    EXPECT_TRUE(io.sent.empty());

    // A new connection checks again.
    doc.OnLinkLost();
    Status(kNewFirmware, STATE_STOPPED);
    io.sent.clear();
    Register(183, 0);
    TemplateName("7");
    EXPECT_EQ(io.Count("logging"), 184u);
}

TEST(MainStatusLogic, LoggingTemplateIsLeftAloneWhenNotWanted) {
    const struct {
        AccessMode mode;
        std::string name;
        double expert;
        size_t sent;
    } cases[] = {
        {ACCESS_STANDARD, "2", 0, 0}, {ACCESS_STANDARD, "2 (built in)", 0, 0},
        {ACCESS_SERVICE, "1", 0, 0},  {ACCESS_EXPERT, "1", 1, 0},
        {ACCESS_EXPERT, "1", 0, 184}, // 183 = 0: an expert like anyone
    };
    for (const auto& c : cases) {
        Rig r;
        r.Start(c.mode);
        r.Status(kNewFirmware, STATE_STOPPED);
        r.Register(183, c.expert);
        r.TemplateName(c.name);
        EXPECT_EQ(r.io.Count("logging"), c.sent) << "mode " << c.mode << " name " << c.name;
        EXPECT_TRUE(r.logic.LoggingChecked());
    }
}

// Clear Program, and the line and buttons while the document is busy: they show the same thing
// at every moment, and end together when the document knows the outcome, hold or no hold.
TEST(MainStatusLogic, ClearProgramIsBusyUntilTheOutcomeAndSaysWhenItFailed) {
    for (const auto& [firmware, cleared] :
         {std::pair{kNewFirmware, true}, std::pair{kOldFirmware, true}, std::pair{kNewFirmware, false}}) {
        SCOPED_TRACE(testing::Message() << firmware << (cleared ? " cleared" : " kept its program"));
        Rig r;
        r.Start(ACCESS_STANDARD);
        r.Status(firmware, STATE_PROGRAMMED);
        r.io.sent.clear();

        r.logic.ClearProgram();
        EXPECT_EQ(r.io.Lines(),
                  (Texts{"write 155=0 149=1", firmware == kNewFirmware ? "program ext" : "program"}));
        EXPECT_EQ(r.io.sent[1].program.startTime, 0u);
        EXPECT_TRUE(r.doc.ClearingBusy());
        EXPECT_FALSE(r.doc.CanClose());
        EXPECT_EQ(r.view.status, "Clearing Program Shift");
        EXPECT_EQ(r.view.enabled, ButtonStates{});
        r.logic.ClearProgram();
        EXPECT_EQ(r.io.sent.size(), 2u) << "a second press is ignored";
        EXPECT_FALSE(r.logic.AcceptPress(MainButton::ProgramShift));

        // A poll that was under way before the program: no outcome yet. Dots wait for the hold.
        r.Status(firmware, STATE_PROGRAMMED, kT0 + 1);
        EXPECT_EQ(r.view.status, "Clearing Program Shift");
        r.logic.OnStatusHoldEnded();
        EXPECT_EQ(r.view.status, "Clearing Program Shift...");

        r.ProgramAnswered();
        r.Status(firmware, cleared ? STATE_STOPPED : STATE_PROGRAMMED, kT0 + 2);
        EXPECT_FALSE(r.doc.ClearingBusy());
        EXPECT_TRUE(r.doc.CanClose());
        EXPECT_EQ(r.view.status, "");
        EXPECT_EQ(r.view.enabled, EnablingRule(cleared ? STATE_STOPPED : STATE_PROGRAMMED, false, false));
        EXPECT_EQ(r.view.failures,
                  cleared ? std::vector<std::string>{} : std::vector<std::string>{NOT_CLEARED_TEXT});
    }

    // Nothing that could not go out keeps the form busy.
    Rig r;
    r.Start(ACCESS_STANDARD);
    r.Status(kNewFirmware, STATE_PROGRAMMED);
    r.io.accept = false;
    r.logic.ClearProgram();
    EXPECT_FALSE(r.doc.ClearingBusy());
    EXPECT_EQ(r.view.failures, std::vector<std::string>{NOT_CLEARED_TEXT});
    EXPECT_EQ(r.view.enabled, EnablingRule(STATE_PROGRAMMED, false, false));
}

TEST_F(MainStatusLogicTest, ProgrammingShiftEndsWithTheLinkAndTheLineWithIt) {
    Start(ACCESS_STANDARD);
    Status(kNewFirmware, STATE_STOPPED);
    doc.SetProgrammingBusy(true); // the shift form has sent its program and left
    logic.InitialUpdate();
    EXPECT_EQ(view.status, "Programming Shift");
    EXPECT_EQ(view.holds, 1);
    EXPECT_EQ(view.enabled, ButtonStates{});
    // Updates add dots, which start again before the line runs out of room.
    for (int i = 0; i < 4; ++i)
        Register(14, 3600);
    logic.OnStatusHoldEnded();
    EXPECT_EQ(view.status, "Programming Shift...");

    // The cable pulled: the hold is cut short, the line empties and the user is told.
    doc.OnLinkLost();
    EXPECT_FALSE(doc.ProgrammingBusy());
    EXPECT_EQ(view.status, "");
    EXPECT_EQ(view.failures, std::vector<std::string>{NOT_PROGRAMMED_TEXT});
    Status(kNewFirmware, STATE_STOPPED);
    EXPECT_EQ(view.sample, "STOP");
    EXPECT_EQ(view.enabled, EnablingRule(STATE_STOPPED, false, false));
    EXPECT_EQ(view.failures.size(), 1u) << "said once";
}

TEST_F(MainStatusLogicTest, ServiceDatePresetAndWrite) {
    Start(ACCESS_SERVICE);
    EXPECT_EQ(logic.ServiceDatePreset(kT0), kT0);
    doc.Registers().SetValue(182, 1'600'000'000);
    EXPECT_EQ(logic.ServiceDatePreset(kT0), 1'600'000'000u);
    io.sent.clear();
    logic.WriteServiceDate(1'650'000'000);
    EXPECT_EQ(io.Lines(), Texts{"write 182=1.65e+09"});
}
