// The shift programming form without a window: what it fills in, each refusal of OK with its
// exact text, the register writes and the program it sends (their bytes are pinned by the link's
// tests). Times are read on New York's clock, the document's zone.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "FormTestSupport.h"
#include "forms/PowerSwitch.h"
#include "model/BusyOperation.h"
#include "model/ShiftProgram.h"

using namespace orvo;
using namespace orvo::test;

namespace {

const Writes kPowerOn = {{10, 1.0}}, kPowerOff = {{10, 0.0}};
const char* const kTooSoon35 = "The start time is too soon. Please enter a start time that is at least\n"
                               "35 minutes greater than the current time.";

class ShiftFormLogicTest : public ::testing::Test, public DocRig {
protected:
    FakeShiftView view;
    std::unique_ptr<ShiftFormLogic> logic;

    // A new form on a connected monitor whose registers the main status form has read; what its
    // entry sent is forgotten unless asked to keep it.
    void Open(float firmware, int8_t state, const char* mode = "", bool keepSent = false) {
        doc.BeginConnection(mode);
        ReportStatus(doc, firmware, state);
        for (const auto& [number, value] :
             Writes{{0, firmware}, {12, 2100}, {33, 43.0}, {46, 46.2}, {149, 1}, {150, 2.0}, {155, 0x83}})
            doc.Registers().SetValue(number, value);
        io.Clear();
        view = FakeShiftView{};
        messages = ScriptedMessages{};
        doc.SetProgrammingBusy(false);
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
    const struct {
        LocalDateTime today, picked;
        int year;
    } cases[] = {
        {{2023, 12, 20, 12, 0}, {2023, 1, 3, 8, 0, 30}, 2024},
        {{2023, 12, 16, 0, 0}, {2023, 1, 3, 8, 0}, 2024},
        {{2023, 12, 15, 23, 59}, {2023, 1, 3, 8, 0}, 2023},
        {{2023, 12, 20, 12, 0}, {2023, 12, 24, 8, 0}, 2023},
        {{2023, 12, 20, 12, 0}, {2024, 1, 3, 8, 0}, 2024}, // a program read back for January
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplyPickerYear(c.picked, c.today),
                  (LocalDateTime{c.year, c.picked.month, c.picked.day, c.picked.hour, c.picked.minute, 0}))
            << c.today.month << "/" << c.today.day << " picking " << c.picked.month << "/" << c.picked.day;
}

TEST_F(ShiftFormLogicTest, EntryPowersOnAsksForTheProgramAndShowsTheFixedTexts) {
    for (const auto& [firmware, state, powered] :
         {std::tuple{kNewFirmware, STATE_STOPPED, true}, std::tuple{kOldFirmware, STATE_RUNNING, false}}) {
        SCOPED_TRACE(testing::Message() << firmware << " state " << int(state));
        Open(firmware, int8_t(state), "", true);
        std::vector<std::string> lines;
        for (const RecordedRequest& s : io.sent)
            lines.push_back(s.Line());
        std::vector<std::string> expected = {firmware == kNewFirmware ? "read-program ext" : "read-program",
                                             "write 149=1"};
        if (powered)
            expected.insert(expected.begin(), 3, "write 10=1");
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(view.firmware,
                  firmware == kNewFirmware ? "Orvo Firmware Version: 7.00" : "Orvo Firmware Version: 6.50");
        EXPECT_EQ(view.mre, "MRE Equivalent Enabled");
        EXPECT_EQ(view.currentTime, "11/14/2023, 17:13:20");
        // Until the program arrives the start is the earliest possible: now + warm-up, whole minute.
        EXPECT_EQ(view.entries.start, (LocalDateTime{2023, 11, 14, 17, 48, 0}));
        EXPECT_EQ(view.warmupStart, "11/14/2023, 17:13:00");
        EXPECT_EQ(view.minutes, "720");
        EXPECT_EQ(view.durationMax, 2592000u);
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
    Open(kNewFirmware, STATE_PROGRAMMED);
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
    Open(kOldFirmware, STATE_STOPPED);
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
    Open(kNewFirmware, STATE_STOPPED);
    Record("0,0,-,-,W1,1234567,C1,Mine,Company,1,0012,36,,");
    logic->SelectSampleType(4);
    EXPECT_TRUE(view.entries.miinEnabled);
    EXPECT_EQ(view.entries.dustStandard, "") << "a Part 90 miner's standard is entered again";
    logic->EditText(ShiftField::Miin, "M1");
    logic->SelectSampleType(2);
    EXPECT_EQ(view.entries.miin, "");

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
}

namespace {

// One entry changed from ValidEntries and how far OK then gets: its message (nullptr: accepted)
// and how many writes went out before it (none, the heater, diagnostics and auto-shift writes,
// or also the dust standard).
struct Refusal {
    const char* name;
    float firmware;
    const char* mode;
    ShiftField field; // the MIIN also picks a Part 90 miner sample
    const char* text; // typed; the start and the duration take seconds, the temperature nothing
    const char* message;
    MessageIcon icon;
    ShiftField focus;
    size_t writes;
};

void Change(ShiftFormEntries& e, ShiftField field, const std::string& text) {
    std::string* texts[] = {&e.wearerId,    &e.mineId, &e.contractorCode, &e.mineName,
                            &e.companyName, &e.mmu,    &e.dustStandard,   &e.miin};
    switch (field) {
    case ShiftField::Temperature:
        e.temperature = -1;
        return;
    case ShiftField::StartTime:
        e.start = ToLocalDateTime(kT0 + std::stoll(text), NewYork());
        return;
    case ShiftField::Duration:
        e.duration = uint32_t(std::stoul(text));
        return;
    case ShiftField::Miin:
        e.sampleType = 4;
        [[fallthrough]];
    default:
        *texts[size_t(field) - size_t(ShiftField::WearerId)] = text;
    }
}

constexpr auto kStop = MessageIcon::Stop, kNone = MessageIcon::None;
constexpr float kNew = kNewFirmware, kOld = kOldFirmware;
using F = ShiftField;
const char* const kMissing = "All values must be filled in or a selection must be made.";

const Refusal kRefusals[] = {
    {"missing mine name", kNew, "", F::MineName, "", kMissing, kStop, F::None, 0},
    {"part 90 without MIIN", kOld, "", F::Miin, "", kMissing, kStop, F::None, 0},
    {"empty wearer", kNew, "", F::WearerId, "", nullptr, kNone, F::None, 0},
    {"empty contractor", kOld, "", F::ContractorCode, "", nullptr, kNone, F::None, 0},
    {"no temperature", kNew, "service", F::Temperature, "", "Please select a temperature setting.", kStop,
     F::None, 0},
    {"30 minutes ahead", kNew, "", F::StartTime, "1800", kTooSoon35, kStop, F::None, 0},
    // Older firmware: wearer as digits, mine ID up to 7 characters.
    {"old: wearer of 9 digits", kOld, "", F::WearerId, "123456789",
     "The Wearer ID must be less than or equal to 8 digits (numeric only)", kNone, F::WearerId, 3},
    {"old: wearer with a letter", kOld, "expert", F::WearerId, "12A",
     "Please enter the Wearer ID in 8 digits or less (numeric only)!", kNone, F::WearerId, 3},
    {"old: mine ID of 8", kOld, "service", F::MineId, "ABCDEFGH",
     "The Mine ID must be less than or equal to 7 characters", kNone, F::MineId, 3},
    {"new: wearer of 31", kNew, "", F::WearerId, "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
     "The Wearer ID must be less than or equal to 30 characters", kNone, F::WearerId, 3},
    {"new: mine ID ABC", kNew, "", F::MineId, "ABC", "The Mine ID Number must be 7 numbers", kNone, F::MineId,
     3},
    {"new: contractor of 8", kNew, "", F::ContractorCode, "ABCDEFGH",
     "The Contractor Code must be less than or equal to 7 characters", kNone, F::ContractorCode, 3},
    {"new: mine name of 31", kNew, "", F::MineName, "mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm",
     "The Mine Name must be less than or equal to 30 characters", kNone, F::MineName, 3},
    {"new: company of 31", kNew, "", F::CompanyName, "ccccccccccccccccccccccccccccccc",
     "The Company Name must be less than or equal to 30 characters", kNone, F::CompanyName, 3},
    {"expert: mine ID ABC", kNew, "expert", F::MineId, "ABC", nullptr, kNone, F::None, 0},
    {"expert: contractor of 8", kNew, "expert", F::ContractorCode, "ABCDEFGH", nullptr, kNone, F::None, 0},
    // Record texts are read back by position: a comma would move every later field.
    {"a comma in the company", kNew, "", F::CompanyName, "Acme, Inc",
     "The Company Name cannot contain a comma.", kNone, F::CompanyName, 3},
    {"a comma in the MIIN", kNew, "expert", F::Miin, "M1,2",
     "The Part 90 Miner Sampled MIIN cannot contain a comma.", kNone, F::Miin, 3},
    // The short layout holds 3 characters of the contractor code and 32 bytes of a name.
    {"old: contractor of 4", kOld, "expert", F::ContractorCode, "CONT",
     "The Contractor Code must be less than or equal to 3 characters", kNone, F::ContractorCode, 3},
    {"old: 31 characters, 33 bytes", kOld, "", F::MineName, "Mine xxxxxxxxxxxxxxxxxxxxxxxx\xC3\xBC\xC3\xBC",
     "The Mine Name must be less than or equal to 32 characters", kNone, F::MineName, 3},
    // The layout's limit says what the later MMU check would.
    {"old: MMU of 5", kOld, "", F::Mmu, "12345", "The MMU DA/SA must be less than or equal to 4 characters",
     kNone, F::Mmu, 3},
    {"dust standard 1,5", kNew, "", F::DustStandard, "1,5", "The Respirable Dust Standard must be a number",
     kNone, F::DustStandard, 3},
    {"new: MMU of 2", kNew, "", F::Mmu, "12", "The MMU DA/SA must be 4 numbers", kNone, F::Mmu, 4},
    {"expert: MMU of 1", kNew, "expert", F::Mmu, "1", nullptr, kNone, F::None, 0},
    {"new: MIIN without M", kNew, "", F::Miin, "X12345678",
     "The Part 90 Miner Sampled MIIN must begin with 'M' and be 9 characters long", kNone, F::Miin, 4},
    {"old: MIIN beyond 32 bits", kOld, "", F::Miin, "12345678901",
     "The Part 90 Miner Sampled MIIN must be a number from 0 to 4294967295", kNone, F::Miin, 4},
    {"duration below a minute", kNew, "", F::Duration, "59", "Duration is below the minimum limit", kStop,
     F::None, 4},
    {"duration above 30 days", kOld, "", F::Duration, "2592060", "Duration is above the maximum limit", kStop,
     F::None, 4},
};

} // namespace

TEST_F(ShiftFormLogicTest, EachRefusalOfOkWithItsTextIconAndFocus) {
    for (const Refusal& c : kRefusals) {
        SCOPED_TRACE(c.name);
        Open(c.firmware, STATE_STOPPED, c.mode);
        ShiftFormEntries e = ValidEntries(kT0 + 7200);
        Change(e, c.field, c.text);
        Enter(*logic, e);

        const bool accepted = logic->Ok();
        EXPECT_EQ(accepted, !c.message);
        EXPECT_EQ(io.Last("program") != nullptr, !c.message);
        if (!c.message) {
            EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().text;
            continue;
        }
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(messages.shown[0].icon, c.icon);
        EXPECT_EQ(view.focused, c.focus);
        EXPECT_FALSE(view.returned) << "a refused entry leaves the form open";
        EXPECT_FALSE(doc.ProgrammingBusy());
        const std::vector<Writes> writes = io.Writes();
        EXPECT_EQ(writes.size(), c.writes);
        EXPECT_TRUE(c.writes < 4 || writes.back() == (Writes{{150, 2.2}}));
        // A duration out of bounds is set to the limit.
        EXPECT_EQ(logic->Entries().duration, c.field != F::Duration ? e.duration
                                             : e.duration < 60      ? 60u
                                                                    : 2592000u);
    }
}

TEST_F(ShiftFormLogicTest, StartTimeChecksWhileRunningOrWarming) {
    // Running: only a start in the past is refused.
    Open(kNewFirmware, STATE_RUNNING);
    Record("1699990000,1700030000,-,-,W,4601234,C,M,Co,1,0010,36,,");
    Enter(*logic, ValidEntries(kT0 - 120));
    EXPECT_FALSE(logic->Ok());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "The start time has already passed. Please enter a start time that is in the future.");
    logic->PickStart(ToLocalDateTime(kT0 + 120, NewYork()));
    EXPECT_TRUE(logic->Ok());

    // Warming toward 17:30 with a warm-up of 35 minutes: a start moved earlier, within a warm-up
    // from now, is refused with the time left until the loaded start (16 minutes, 40 seconds).
    const uint32_t loaded = kT0 + 1000;
    for (int64_t moved : {-180, 0}) {
        Open(kNewFirmware, STATE_WARMING);
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

TEST_F(ShiftFormLogicTest, UnchangedEntriesAskBeforeGoingOnInStandardModeOnly) {
    const std::string record = "1700010000,1700038800,-,-,1234,4601234,AB1,Mine,Company,1,0010,36,,";
    for (const char* mode : {"", "service"}) {
        Open(kNewFirmware, STATE_PROGRAMMED, mode);
        Record(record);
        messages.answer = MessageAnswer::No;
        EXPECT_EQ(logic->Ok(), *mode != 0) << mode;
        EXPECT_EQ(messages.shown.size(), *mode ? 0u : 1u);
        if (*mode)
            continue;
        EXPECT_EQ(messages.shown[0].text,
                  "The shift setup values have not changed.\nDo you wish to continue anyway?");
        EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
        EXPECT_TRUE(io.sent.empty());
        messages.answer = MessageAnswer::Yes;
        EXPECT_TRUE(logic->Ok());
    }
}

TEST_F(ShiftFormLogicTest, RegisterWritesInOrderThenTheProgram) {
    const struct {
        float firmware;
        uint32_t warmup;
        Writes diagnostics;
    } cases[] = {{kOldFirmware, 179, {{148, 3.0}, {148, 0.0}}}, {kNewFirmware, 180, {{148, 3.0}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.firmware << " warm-up " << c.warmup);
        Open(c.firmware, STATE_STOPPED);
        doc.Registers().SetValue(12, c.warmup);
        ShiftFormEntries e = ValidEntries(kT0 + 7200 + 40); // 19:14:00
        e.days = {false, true, false, true, false, true, false};
        e.temperature = 0;
        e.sampleType = 4;
        e.dustStandard = " 1.5 "; // blanks around a number are no part of it
        e.miin = c.firmware == kNewFirmware ? "m12345678" : "4294967295";
        Enter(*logic, e);
        ASSERT_TRUE(logic->Ok()) << messages.shown.at(0).text;

        std::vector<Writes> expected = {{{20, 0.0}, {21, 0.0}, {33, 57.0}, {34, 0.0}, {46, 60.0}, {47, 0.0}}};
        for (const auto& w : c.diagnostics)
            expected.push_back({w});
        expected.push_back({{155, double(0xAA)}});
        expected.push_back({{150, 1.5}});
        expected.insert(expected.end(), 3, kPowerOff);
        EXPECT_EQ(io.Writes(), expected);
        // The program goes after the dust standard and before the power-off.
        ASSERT_EQ(io.sent.size(), expected.size() + 1);
        const RecordedRequest& p = io.sent[expected.size() - 3];
        ASSERT_EQ(p.kind, "program");
        EXPECT_EQ(p.extended, c.firmware == kNewFirmware);
        EXPECT_EQ(p.program.miinText, e.miin);
        EXPECT_EQ(p.program.miinNumber, c.firmware == kNewFirmware ? 0u : 4294967295u);
        EXPECT_TRUE(doc.ProgrammingBusy());
        EXPECT_FALSE(doc.CanClose());
        EXPECT_TRUE(view.busy);
        EXPECT_FALSE(view.clock);
        EXPECT_TRUE(view.returned);
        EXPECT_FALSE(view.powerOffPending);
    }
}

// A program that cannot go out leaves the form, its entries and the clock as they were.
TEST_F(ShiftFormLogicTest, AProgramThatCannotGoOutIsNotBusy) {
    for (bool connected : {true, false}) {
        SCOPED_TRACE(connected ? "refused by the link" : "monitor gone");
        Open(kNewFirmware, STATE_STOPPED);
        Enter(*logic, ValidEntries(kT0 + 7200));
        if (connected)
            io.accept = false;
        else
            doc.OnLinkLost();
        EXPECT_FALSE(logic->Ok());
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, NOT_PROGRAMMED_TEXT);
        EXPECT_FALSE(doc.ProgrammingBusy());
        EXPECT_TRUE(doc.CanClose());
        EXPECT_FALSE(view.returned);
        EXPECT_TRUE(view.clock);
        io.accept = true;
    }
}

TEST_F(ShiftFormLogicTest, OnTwentiethOfDecemberJanuaryMeansNextYear) {
    clock.AdvanceTo(int64_t(1703091600) * 1000); // 2023-12-20 12:00 EST
    Open(kNewFirmware, STATE_STOPPED);
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
        Open(kNewFirmware, int8_t(state));
        logic->OnWindowClosed();
        EXPECT_EQ(io.Writes(), poweredOff ? std::vector<Writes>(3, kPowerOff) : std::vector<Writes>{});
        EXPECT_TRUE(view.returned);
        EXPECT_EQ(view.powerOffPending, pending);
        EXPECT_FALSE(view.clock);
        logic->Cancel();
        EXPECT_FALSE(logic->Ok()) << "nothing after the form has left";
        EXPECT_EQ(io.Writes().size(), poweredOff ? 3u : 0u);
    }

    Open(kNewFirmware, STATE_STOPPED);
    doc.OnLinkLost();
    logic->Update(UPDATE_LINK_LOST, 0);
    EXPECT_TRUE(view.returned);
    EXPECT_TRUE(io.sent.empty()) << "nothing goes to a monitor that is gone";
}

TEST_F(ShiftFormLogicTest, UnknownStateDefersThePowerSwitch) {
    Open(kNewFirmware, 0, "", true);
    EXPECT_EQ(io.Writes(), (std::vector<Writes>{{{149, 1.0}}})) << "no power-on yet";
    ReportStatus(doc, kNewFirmware, STATE_PROGRAMMED);
    logic->Update(UPDATE_STATE, 0);
    EXPECT_EQ(io.Writes().size(), 4u);
    EXPECT_EQ(io.Writes().back(), kPowerOn);

    // The form went while the state was unknown: the power-off waits for a state.
    for (int8_t state : {STATE_PROGRAMMED, STATE_RUNNING}) {
        RequestRecorder i;
        PendingPowerOff pending(doc, i);
        ReportStatus(doc, kNewFirmware, 0);
        pending.OnDocUpdate(UPDATE_STATE, 0);
        EXPECT_FALSE(pending.Done());
        ReportStatus(doc, kNewFirmware, state);
        pending.OnDocUpdate(UPDATE_STATE, 0);
        EXPECT_TRUE(pending.Done());
        EXPECT_EQ(i.Writes(),
                  state == STATE_PROGRAMMED ? std::vector<Writes>(3, kPowerOff) : std::vector<Writes>{});
    }
}
