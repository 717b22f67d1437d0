// The shift programming form without a window: what it fills in, each refusal of OK with its
// exact text, the register writes and the program it sends (the bytes on the wire are pinned by
// the GUI test against the demo monitor). Times are read on New York's clock, the document's zone.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "link/RequestRecorder.h"
#include "forms/PowerSwitch.h"
#include "forms/ShiftFormLogic.h"
#include "model/COrvodeskDoc.h"
#include "model/ShiftProgram.h"
#include "model/ShiftVocabulary.h"
#include "model/StatusAnswer.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "platform/MessageSink.h"
#include "platform/TimeZoneSource.h"
#include "TestZones.h"

using namespace orvo;

namespace {

using Writes = std::vector<std::pair<int, double>>;

using RecordingIo = RequestRecorder;

struct Shown {
    std::string text;
    MessageIcon icon;
    MessageButtons buttons;
};

class ScriptedMessages : public MessageService {
public:
    std::vector<Shown> shown;
    MessageAnswer answer = MessageAnswer::Ok;

    MessageAnswer Show(const std::string& text, const std::string&, MessageIcon icon,
                       MessageButtons buttons) override {
        shown.push_back({text, icon, buttons});
        return buttons == MessageButtons::YesNo ? answer : MessageAnswer::Ok;
    }
};

struct FakeView : IShiftFormView {
    ShiftFormEntries entries;
    std::string minutes, currentTime, warmupStart, firmware, mre;
    uint32_t durationMax = 0;
    int pageStep = 0;
    ShiftField focused = ShiftField::None;
    bool clock = false, busy = false, returned = false, powerOffPending = false;

    void ShowEntries(const ShiftFormEntries& e) override { entries = e; }
    void ShowMinutes(const std::string& t) override { minutes = t; }
    void ShowCurrentTime(const std::string& t) override { currentTime = t; }
    void ShowWarmupStart(const std::string& t) override { warmupStart = t; }
    void ShowFirmware(const std::string& t) override { firmware = t; }
    void ShowMreStatus(const std::string& t) override { mre = t; }
    void SetDurationRange(uint32_t maximum, int step) override {
        durationMax = maximum;
        pageStep = step;
    }
    void FocusField(ShiftField f) override { focused = f; }
    void StartClock() override { clock = true; }
    void StopClock() override { clock = false; }
    void ShowBusy() override { busy = true; }
    void ShowMainForm(bool pending) override {
        returned = true;
        powerOffPending = pending;
    }
};

constexpr float kNew = 7.0f, kOld = 6.5f;
constexpr uint32_t kT0 = 1'700'000'000; // Tuesday 2023-11-14 17:13:20 in New York
const Writes kPowerOn = {{10, 1.0}}, kPowerOff = {{10, 0.0}};
const char* const kTooSoon35 = "The start time is too soon. Please enter a start time that is at least\n"
                               "35 minutes greater than the current time.";

// Entries that pass every check on either firmware in standard mode.
ShiftFormEntries ValidEntries(int64_t start) {
    ShiftFormEntries e;
    e.wearerId = "1234";
    e.mineId = "4601234";
    e.contractorCode = "AB1";
    e.mineName = "North Portal";
    e.companyName = "Coal Co";
    e.mmu = "0010";
    e.dustStandard = "2.2";
    e.occupation = FindOccupation(36);
    e.sampleType = 0;
    e.temperature = 2;
    e.start = ToLocalDateTime(start, NewYork());
    e.duration = 8 * 3600;
    return e;
}

// Types the entries in as a user would (the sample type first: it empties the standard).
void Enter(ShiftFormLogic& logic, const ShiftFormEntries& e) {
    logic.SelectSampleType(e.sampleType);
    const std::pair<ShiftField, const std::string*> texts[] = {
        {ShiftField::WearerId, &e.wearerId},
        {ShiftField::MineId, &e.mineId},
        {ShiftField::ContractorCode, &e.contractorCode},
        {ShiftField::MineName, &e.mineName},
        {ShiftField::CompanyName, &e.companyName},
        {ShiftField::Mmu, &e.mmu},
        {ShiftField::DustStandard, &e.dustStandard},
        {ShiftField::Miin, &e.miin}};
    for (const auto& [field, text] : texts)
        logic.EditText(field, *text);
    logic.SelectOccupation(e.occupation);
    logic.SelectTemperature(e.temperature);
    for (int day = 0; day < 7; ++day)
        logic.SetDay(day, e.days[size_t(day)]);
    logic.PickStart(e.start);
    logic.SetDuration(e.duration);
}

class ShiftFormLogicTest : public ::testing::Test {
protected:
    VirtualClock clock{int64_t(kT0) * 1000};
    const TimeZoneSource& zone = NewYork();
    NullMessageSink sink;
    COrvodeskDoc doc{clock, zone, sink};
    RecordingIo io;
    FakeView view;
    ScriptedMessages messages;
    std::unique_ptr<ShiftFormLogic> logic;

    // A connected monitor as the main status form leaves it: its registers read.
    void Connect(float firmware, int8_t state, const char* mode = "") {
        doc.BeginConnection(mode);
        StatusAnswer answer;
        answer.hasSerial = firmware < 6.7f;
        answer.firmware = firmware;
        answer.state = state;
        answer.deviceTime = kT0;
        doc.OnStatusAnswer(answer);
        PrcTable& r = doc.Registers();
        for (const auto& [number, value] :
             Writes{{0, firmware}, {12, 2100}, {33, 43.0}, {46, 46.2}, {149, 1}, {150, 2.0}, {155, 0x83}})
            r.SetValue(number, value);
    }
    // A new form on that monitor; what its entry sent is forgotten unless asked to keep it.
    void Open(float firmware, int8_t state, const char* mode = "", bool keepSent = false) {
        Connect(firmware, state, mode);
        io.Clear();
        view = FakeView{};
        messages = ScriptedMessages{};
        logic = std::make_unique<ShiftFormLogic>(doc, io, view, messages, clock);
        logic->InitialUpdate();
        if (!keepSent)
            io.sent.clear();
    }
    void Record(const std::string& text) {
        doc.InsertRecordFront(text);
        logic->Update(UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT);
    }
};

} // namespace

TEST(ShiftFormRules, DurationTextsClockTextsAndAutoShiftBits) {
    EXPECT_EQ(DurationText(3661), "1 hour, 1 minute, 1 second");
    EXPECT_EQ(DurationText(2 * 86400 + 7200 + 2), "2 days, 2 hours, 2 seconds");
    EXPECT_EQ(DurationText(0), "");
    // 40 characters still take a blank, 41 a line feed.
    EXPECT_EQ(TooSoonMessage(2 * 86400 + 86399),
              "The start time is too soon. Please enter a start time that is at least\n"
              "2 days, 23 hours, 59 minutes, 59 seconds greater than the current time.");
    EXPECT_EQ(TooSoonMessage(10 * 86400 + 86399),
              "The start time is too soon. Please enter a start time that is at least\n"
              "10 days, 23 hours, 59 minutes, 59 seconds\ngreater than the current time.");

    EXPECT_EQ(ShiftClockText(1704461400, NewYork()), "   1/  5/2024, 08:30:00"); // blanks pad month and day

    EXPECT_EQ(AutoShiftValue({true, false, false, false, false, false, false}), 129u); // Sunday only
    EXPECT_EQ(AutoShiftDays(0x7F), WeekDays{}) << "without bit 7 no box is checked";
    EXPECT_EQ(AutoShiftDays(0x82), (WeekDays{false, true, false, false, false, false, false}));
}

TEST(ShiftFormRules, PickerYearFromTheSixteenthOfDecember) {
    struct Case {
        LocalDateTime today, picked;
        int year;
    } cases[] = {
        {{2023, 12, 20, 12, 0}, {2023, 1, 3, 8, 0, 30}, 2024},
        {{2023, 12, 16, 0, 0}, {2023, 1, 3, 8, 0}, 2024},
        {{2023, 12, 15, 23, 59}, {2023, 1, 3, 8, 0}, 2023},
        {{2023, 12, 20, 12, 0}, {2023, 12, 24, 8, 0}, 2023},
        {{2023, 12, 20, 12, 0}, {2024, 1, 3, 8, 0}, 2024}, // a program read back for January
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplyPickerYear(c.picked, c.today),
                  (LocalDateTime{c.year, c.picked.month, c.picked.day, c.picked.hour, c.picked.minute, 0}))
            << c.today.month << "/" << c.today.day << " picking " << c.picked.month << "/" << c.picked.day;
}

TEST_F(ShiftFormLogicTest, EntryPowersOnAsksForTheProgramAndShowsTheFixedTexts) {
    for (const auto& [firmware, state, powered] :
         {std::tuple{kNew, STATE_STOPPED, true}, std::tuple{kOld, STATE_RUNNING, false}}) {
        SCOPED_TRACE(testing::Message() << firmware << " state " << int(state));
        Open(firmware, int8_t(state), "", true);
        std::vector<std::string> kinds;
        for (const RecordedRequest& s : io.sent)
            kinds.push_back(s.kind);
        std::vector<std::string> expected = {"read-program", "write"};
        if (powered)
            expected.insert(expected.begin(), 3, "write");
        EXPECT_EQ(kinds, expected);
        EXPECT_EQ(io.sent[0].values, powered ? kPowerOn : Writes{});
        EXPECT_EQ(io.sent[powered ? 3 : 0].extended, firmware == kNew) << "command 18 only for new firmware";
        EXPECT_EQ(io.sent.back().values, (Writes{{149, 1.0}}));
        EXPECT_EQ(view.firmware,
                  firmware == kNew ? "Orvo Firmware Version: 7.00" : "Orvo Firmware Version: 6.50");
        EXPECT_EQ(view.mre, "MRE Equivalent Enabled");
        EXPECT_EQ(view.currentTime, "11/14/2023, 17:13:20");
        // Until the program arrives the start is the earliest possible: now + warm-up, whole minute.
        EXPECT_EQ(view.entries.start, (LocalDateTime{2023, 11, 14, 17, 48, 0}));
        EXPECT_EQ(view.warmupStart, "11/14/2023, 17:13:00");
        EXPECT_EQ(view.minutes, "720");
        EXPECT_EQ(view.durationMax, 2592000u);
        EXPECT_EQ(view.pageStep, 120);
        EXPECT_TRUE(view.clock);
    }

    doc.Registers().SetValue(149, 0);
    logic->Update(UPDATE_REGISTER, 149);
    EXPECT_EQ(view.mre, "MRE Equivalent Disabled");

    io.sent.clear();
    clock.AdvanceTo(int64_t(kT0 + 1) * 1000);
    logic->OnTimerTick();
    EXPECT_EQ(view.currentTime, "11/14/2023, 17:13:21");
    ASSERT_EQ(io.sent.size(), 1u);
    EXPECT_EQ(io.sent[0].numbers, std::vector<int>{85});
}

TEST_F(ShiftFormLogicTest, AProgramRecordFillsTheForm) {
    Open(kNew, STATE_PROGRAMMED);
    // Start 2023-11-14 20:00:30 EST, eight hours; a Part 90 miner sample.
    Record("1700010030,1700038830,-,-,W1,1234567,C1,North Portal,Coal Co,5,0012,36,m12345678,");
    const ShiftFormEntries& e = view.entries;
    EXPECT_EQ(e.start, (LocalDateTime{2023, 11, 14, 20, 0, 0}));
    EXPECT_EQ(view.warmupStart, "11/14/2023, 19:25:00");
    EXPECT_EQ(e.wearerId, "W1");
    EXPECT_EQ(e.companyName, "Coal Co");
    EXPECT_EQ(view.minutes, "480");
    EXPECT_EQ(e.sampleType, 4);
    EXPECT_TRUE(e.miinEnabled);
    EXPECT_EQ(e.miin, "m12345678");
    EXPECT_EQ(OccupationEntries()[size_t(e.occupation)].code, 36u);
    EXPECT_EQ(e.temperature, 2) << "43.0 and 46.2 lie within 0.5 of row 2";
    EXPECT_EQ(e.days, (WeekDays{true, true, false, false, false, false, false}));
    EXPECT_EQ(e.dustStandard, "2.0");
    EXPECT_FALSE(logic->Changed());

    // Stopped: the start offered is now + warm-up, whatever the record says. A cleared program
    // has no duration: the shortest one is shown. Short layout: occupation as text.
    Open(kOld, STATE_STOPPED);
    doc.Registers().SetValue(33, 20.0);
    Record("18000,18000,-,-,,,,,,0,,036,0,0");
    EXPECT_EQ(view.entries.start, (LocalDateTime{2023, 11, 14, 17, 48, 0}));
    EXPECT_EQ(view.entries.duration, 60u);
    EXPECT_EQ(view.entries.sampleType, -1);
    EXPECT_EQ(view.entries.temperature, -1);
    EXPECT_EQ(OccupationEntries()[size_t(view.entries.occupation)].code, 36u);

    Record("1700000000,1704000000,-,-,,,,,,1,,0,,");
    EXPECT_EQ(view.entries.duration, 2592000u) << "limited to register 14's maximum";
}

TEST_F(ShiftFormLogicTest, SampleTypeAndClearFields) {
    Open(kNew, STATE_STOPPED);
    Record("0,0,-,-,W1,1234567,C1,Mine,Company,1,0012,36,,");
    logic->SelectSampleType(4);
    EXPECT_TRUE(view.entries.miinEnabled);
    EXPECT_EQ(view.entries.dustStandard, "") << "a Part 90 miner's standard is entered again";
    EXPECT_TRUE(logic->Changed());
    logic->EditText(ShiftField::Miin, "M1");
    logic->SelectSampleType(2);
    EXPECT_FALSE(view.entries.miinEnabled);
    EXPECT_EQ(view.entries.miin, "");

    const LocalDateTime start = view.entries.start;
    logic->SetDay(3, true);
    logic->SelectTemperature(1);
    logic->ClearFields();
    const ShiftFormEntries& e = view.entries;
    for (const std::string* text : {&e.wearerId, &e.mineId, &e.contractorCode, &e.mineName, &e.companyName,
                                    &e.mmu, &e.dustStandard, &e.miin})
        EXPECT_EQ(*text, "");
    EXPECT_EQ(view.minutes, "720");
    EXPECT_EQ(e.temperature, -1);
    EXPECT_EQ(e.days, WeekDays{});
    EXPECT_EQ(e.start, start) << "the start stays";
}

namespace {

// How far OK got before its refusal, by how many writes it had sent (none, the three diagnostics
// writes and auto shift, or also the dust standard).
struct Refusal {
    const char* name;
    float firmware;
    const char* mode;
    void (*edit)(ShiftFormEntries&);
    const char* message; // nullptr: accepted
    MessageIcon icon;
    ShiftField focus;
    size_t writes;
};

constexpr auto kStop = MessageIcon::Stop, kNone = MessageIcon::None;
const char* const kMissing = "All values must be filled in or a selection must be made.";

const Refusal kRefusals[] = {
    {"missing mine name", kNew, "", [](ShiftFormEntries& e) { e.mineName.clear(); }, kMissing, kStop,
     ShiftField::None, 0},
    {"part 90 without MIIN", kOld, "", [](ShiftFormEntries& e) { e.sampleType = 4; }, kMissing, kStop,
     ShiftField::None, 0},
    {"empty wearer and contractor", kNew, "", [](ShiftFormEntries& e) { e.wearerId = e.contractorCode = ""; },
     nullptr, kNone, ShiftField::None, 0},
    {"service mode, no temperature", kNew, "service", [](ShiftFormEntries& e) { e.temperature = -1; },
     "Please select a temperature setting.", kStop, ShiftField::None, 0},
    {"30 minutes ahead", kNew, "",
     [](ShiftFormEntries& e) { e.start = ToLocalDateTime(kT0 + 1800, NewYork()); },
     kTooSoon35, kStop, ShiftField::None, 0},
    // Older firmware: wearer as digits, mine ID up to 7 characters.
    {"old: wearer of 9 digits", kOld, "", [](ShiftFormEntries& e) { e.wearerId = "123456789"; },
     "The Wearer ID must be less than or equal to 8 digits (numeric only)", kNone, ShiftField::WearerId, 3},
    {"old: wearer with a letter", kOld, "expert", [](ShiftFormEntries& e) { e.wearerId = "12A"; },
     "Please enter the Wearer ID in 8 digits or less (numeric only)!", kNone, ShiftField::WearerId, 3},
    {"old: mine ID of 8", kOld, "service", [](ShiftFormEntries& e) { e.mineId = "ABCDEFGH"; },
     "The Mine ID must be less than or equal to 7 characters", kNone, ShiftField::MineId, 3},
    {"new: wearer of 31", kNew, "", [](ShiftFormEntries& e) { e.wearerId = std::string(31, 'w'); },
     "The Wearer ID must be less than or equal to 30 characters", kNone, ShiftField::WearerId, 3},
    {"new: mine ID ABC", kNew, "", [](ShiftFormEntries& e) { e.mineId = "ABC"; },
     "The Mine ID Number must be 7 numbers", kNone, ShiftField::MineId, 3},
    {"new: contractor of 8", kNew, "", [](ShiftFormEntries& e) { e.contractorCode = "ABCDEFGH"; },
     "The Contractor Code must be less than or equal to 7 characters", kNone, ShiftField::ContractorCode, 3},
    {"new: mine name of 31", kNew, "", [](ShiftFormEntries& e) { e.mineName = std::string(31, 'm'); },
     "The Mine Name must be less than or equal to 30 characters", kNone, ShiftField::MineName, 3},
    {"new: company of 31", kNew, "", [](ShiftFormEntries& e) { e.companyName = std::string(31, 'c'); },
     "The Company Name must be less than or equal to 30 characters", kNone, ShiftField::CompanyName, 3},
    {"new: MMU of 2", kNew, "", [](ShiftFormEntries& e) { e.mmu = "12"; }, "The MMU DA/SA must be 4 numbers",
     kNone, ShiftField::Mmu, 4},
    {"new: MIIN without M", kNew, "",
     [](ShiftFormEntries& e) {
         e.sampleType = 4;
         e.miin = "X12345678";
     },
     "The Part 90 Miner Sampled MIIN must begin with 'M' and be 9 characters long", kNone, ShiftField::Miin,
     4},
    {"expert: mine ID ABC, long contractor and mine name", kNew, "expert",
     [](ShiftFormEntries& e) {
         e.mineId = "ABC";
         e.contractorCode = "ABCDEFGH";
         e.mineName = std::string(31, 'm');
         e.mmu = "1";
     },
     nullptr, kNone, ShiftField::None, 0},
    {"old: MMU of 5", kOld, "", [](ShiftFormEntries& e) { e.mmu = "12345"; },
     "The MMU DA/SA must be less than or equal to 4 characters", kNone, ShiftField::Mmu, 4},
    {"duration below a minute", kNew, "", [](ShiftFormEntries& e) { e.duration = 59; },
     "Duration is below the minimum limit", kStop, ShiftField::None, 4},
    {"duration above 30 days", kOld, "", [](ShiftFormEntries& e) { e.duration = 2592060; },
     "Duration is above the maximum limit", kStop, ShiftField::None, 4},
};

} // namespace

TEST_F(ShiftFormLogicTest, EachRefusalOfOkWithItsTextIconAndFocus) {
    for (const Refusal& c : kRefusals) {
        SCOPED_TRACE(c.name);
        Open(c.firmware, STATE_STOPPED, c.mode);
        ShiftFormEntries e = ValidEntries(kT0 + 7200);
        c.edit(e);
        Enter(*logic, e);

        const bool accepted = logic->Ok();
        if (!c.message) {
            EXPECT_TRUE(accepted);
            EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().text;
            EXPECT_NE(io.Last("program"), nullptr);
            doc.SetProgrammingBusy(false);
            continue;
        }
        EXPECT_FALSE(accepted);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, c.message);
        EXPECT_EQ(messages.shown[0].icon, c.icon);
        EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(view.focused, c.focus);
        EXPECT_EQ(io.Last("program"), nullptr);
        EXPECT_FALSE(view.returned) << "a refused entry leaves the form open";
        EXPECT_FALSE(doc.ProgrammingBusy());
        const std::vector<Writes> writes = io.Writes();
        EXPECT_EQ(writes.size(), c.writes);
        if (c.writes == 4) {
            EXPECT_EQ(writes.back(), (Writes{{150, 2.2}}));
        }
        if (e.duration != 8 * 3600) {
            EXPECT_EQ(view.entries.duration, e.duration < 60 ? 60u : 2592000u)
                << "the entry is set to the limit";
        }
    }
}

TEST_F(ShiftFormLogicTest, StartTimeChecksWhileRunningOrWarming) {
    // Running: only a start in the past is refused.
    Open(kNew, STATE_RUNNING);
    Record("1699990000,1700030000,-,-,W,4601234,C,M,Co,1,0010,36,,");
    Enter(*logic, ValidEntries(kT0 - 120));
    EXPECT_FALSE(logic->Ok());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "The start time has already passed. Please enter a start time that is in the future.");
    logic->PickStart(ToLocalDateTime(kT0 + 120, zone));
    EXPECT_TRUE(logic->Ok());

    // Warming toward 17:30 with a warm-up of 35 minutes: a start moved earlier, within a warm-up
    // from now, is refused with the time left until the loaded start (16 minutes, 40 seconds).
    const uint32_t loaded = kT0 + 1000;
    for (int64_t moved : {-180, 0}) {
        Open(kNew, STATE_WARMING);
        Record(std::to_string(loaded) + ",1700030000,-,-,W,4601234,C,M,Co,1,0010,36,,");
        Enter(*logic, ValidEntries(loaded + moved));
        EXPECT_EQ(logic->Ok(), moved >= 0) << moved;
        if (moved < 0) {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text,
                      "The start time is too soon. Please enter a start time that is at least\n"
                      "16 minutes, 40 seconds greater than the current time.");
        }
    }
}

TEST_F(ShiftFormLogicTest, UnchangedEntriesAskBeforeGoingOn) {
    const std::string record = "1700010000,1700038800,-,-,1234,4601234,AB1,Mine,Company,1,0010,36,,";
    Open(kNew, STATE_PROGRAMMED);
    Record(record);
    messages.answer = MessageAnswer::No;
    EXPECT_FALSE(logic->Ok());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "The shift setup values have not changed.\nDo you wish to continue anyway?");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(io.sent.empty());

    messages.answer = MessageAnswer::Yes;
    EXPECT_TRUE(logic->Ok());
    ASSERT_NE(io.Last("program"), nullptr);

    // Service mode never asks.
    Open(kNew, STATE_PROGRAMMED, "service");
    Record(record);
    EXPECT_TRUE(logic->Ok());
    EXPECT_TRUE(messages.shown.empty());
}

// The full order with Sunday only (155 = 129) and both program layouts are pinned byte by byte
// in the GUI test.
TEST_F(ShiftFormLogicTest, RegisterWritesInOrderThenTheProgram) {
    struct Case {
        float firmware;
        uint32_t warmup;
        Writes diagnostics;
    } cases[] = {{kOld, 179, {{148, 3.0}, {148, 0.0}}}, {kNew, 180, {{148, 3.0}}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.firmware << " warm-up " << c.warmup);
        Open(c.firmware, STATE_STOPPED);
        doc.Registers().SetValue(12, c.warmup);
        ShiftFormEntries e = ValidEntries(kT0 + 7200 + 40); // 19:14:00
        e.days = {false, true, false, true, false, true, false};
        e.temperature = 0;
        Enter(*logic, e);
        ASSERT_TRUE(logic->Ok());

        std::vector<Writes> expected = {{{20, 0.0}, {21, 0.0}, {33, 57.0}, {34, 0.0}, {46, 60.0}, {47, 0.0}}};
        for (const auto& w : c.diagnostics)
            expected.push_back({w});
        expected.push_back({{155, double(0xAA)}});
        expected.push_back({{150, 2.2}});
        expected.insert(expected.end(), 3, kPowerOff);
        EXPECT_EQ(io.Writes(), expected);
        // The program goes after the dust standard and before the power-off.
        ASSERT_EQ(io.sent.size(), expected.size() + 1);
        const RecordedRequest& p = io.sent[expected.size() - 3];
        ASSERT_EQ(p.kind, "program");
        EXPECT_EQ(p.extended, c.firmware == kNew);
        EXPECT_TRUE(doc.ProgrammingBusy());
        EXPECT_TRUE(view.busy);
        EXPECT_FALSE(view.clock);
        EXPECT_TRUE(view.returned);
        EXPECT_FALSE(view.powerOffPending);
        doc.SetProgrammingBusy(false);
    }
}

TEST_F(ShiftFormLogicTest, OldFirmwareReadsTheMiinAsANumberAndCutsLongTexts) {
    Open(kOld, STATE_STOPPED, "expert");
    ShiftFormEntries e = ValidEntries(kT0 + 7200);
    e.sampleType = 4;
    e.miin = "123456789012"; // read as its first 11 characters
    e.contractorCode = "ABCDEFGHIJKL";
    Enter(*logic, e);
    ASSERT_TRUE(logic->Ok());
    const ShiftProgram& p = io.Last("program")->program;
    EXPECT_EQ(p.miinNumber, uint32_t(12345678901ull)) << "%lu into 32 bits";
    EXPECT_EQ(p.contractorCode, "ABCDEFGHI");
}

TEST_F(ShiftFormLogicTest, OnTwentiethOfDecemberJanuaryMeansNextYear) {
    clock.AdvanceTo(int64_t(1703091600) * 1000); // 2023-12-20 12:00 EST
    Open(kNew, STATE_STOPPED);
    ShiftFormEntries e = ValidEntries(kT0);
    e.start = {2023, 1, 3, 8, 0, 0}; // the picker keeps this year; it shows "1/3,    08:00"
    Enter(*logic, e);
    EXPECT_EQ(view.warmupStart, "   1/  3/2024, 07:25:00");
    ASSERT_TRUE(logic->Ok()) << (messages.shown.empty() ? "" : messages.shown[0].text);
    EXPECT_EQ(io.Last("program")->program.startTime, 1704286800u); // 2024-01-03 13:00 UTC
}

TEST_F(ShiftFormLogicTest, CancelCloseAndLostConnectionReturnToTheMainForm) {
    for (const auto& [state, poweredOff, pending] :
         {std::tuple{int(STATE_PROGRAMMED), true, false}, std::tuple{int(STATE_RUNNING), false, false},
          std::tuple{0, false, true}}) {
        SCOPED_TRACE(int(state));
        Open(kNew, int8_t(state));
        logic->OnWindowClosed();
        EXPECT_EQ(io.Writes(), poweredOff ? std::vector<Writes>(3, kPowerOff) : std::vector<Writes>{});
        EXPECT_TRUE(view.returned);
        EXPECT_EQ(view.powerOffPending, pending);
        EXPECT_FALSE(view.clock);
        logic->Cancel();
        EXPECT_FALSE(logic->Ok()) << "nothing after the form has left";
        EXPECT_EQ(io.Writes().size(), poweredOff ? 3u : 0u);
    }

    Open(kNew, STATE_STOPPED);
    doc.OnLinkLost();
    logic->Update(UPDATE_LINK_LOST, 0);
    EXPECT_TRUE(view.returned);
    EXPECT_TRUE(io.sent.empty()) << "nothing goes to a monitor that is gone";
}

TEST_F(ShiftFormLogicTest, UnknownStateDefersThePowerSwitch) {
    Open(kNew, 0, "", true);
    EXPECT_EQ(io.Writes(), (std::vector<Writes>{{{149, 1.0}}})) << "no power-on yet";
    Connect(kNew, STATE_PROGRAMMED);
    logic->Update(UPDATE_STATE, 0);
    EXPECT_EQ(io.Writes().size(), 4u);
    EXPECT_EQ(io.Writes().back(), kPowerOn);

    // The form went while the state was unknown: the power-off waits for a state.
    for (int8_t state : {STATE_PROGRAMMED, STATE_RUNNING}) {
        RecordingIo i;
        PendingPowerOff pending(doc, i);
        Connect(kNew, 0);
        pending.OnDocUpdate(UPDATE_STATE, 0);
        EXPECT_FALSE(pending.Done());
        Connect(kNew, state);
        pending.OnDocUpdate(UPDATE_STATE, 0);
        EXPECT_TRUE(pending.Done());
        EXPECT_EQ(i.Writes(),
                  state == STATE_PROGRAMMED ? std::vector<Writes>(3, kPowerOff) : std::vector<Writes>{});
    }
}
