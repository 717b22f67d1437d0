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

using Lines = std::vector<std::string>;
const Writes kPowerOff = {{10, 0.0}};
const char* const kTooSoon = "The start time is too soon. Please enter a start time that is at least\n";

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
            io.Clear();
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
              std::string(kTooSoon) +
                  "2 days, 23 hours, 59 minutes, 59 seconds greater than the current time.");
    EXPECT_EQ(TooSoonMessage(10 * 86400 + 86399),
              std::string(kTooSoon) +
                  "10 days, 23 hours, 59 minutes, 59 seconds\ngreater than the current time.");
    EXPECT_EQ(ShiftClockText(1704461400, NewYork()), "   1/  5/2024, 08:30:00"); // blanks pad month and day
    EXPECT_EQ(AutoShiftValue({true, false, false, false, false, false, false}), 129u); // Sunday only
    EXPECT_EQ(AutoShiftDays(0x7F), WeekDays{}) << "without bit 7 no box is checked";
    EXPECT_EQ(AutoShiftDays(0x82), (WeekDays{false, true, false, false, false, false, false}));
    // The short layout sends the first three characters of the zero-padded code.
    EXPECT_EQ(OccupationDisplayText(size_t(FindOccupation(36))).substr(0, 4), "036 ");
    EXPECT_EQ(FindOccupation(20), -1);
    EXPECT_EQ(FindTemperatureRange(57.0, 61.0), -1); // air fits row 0, TE fits none
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
        Lines expected = {firmware == kNewFirmware ? "read-program ext" : "read-program", "write 149=1"};
        if (powered)
            expected.insert(expected.begin(), 3, "write 10=1");
        EXPECT_EQ(io.Lines(), expected);
        EXPECT_EQ(view.firmware,
                  firmware == kNewFirmware ? "Orvo Firmware Version: 7.00" : "Orvo Firmware Version: 6.50");
        // Until the program arrives the start is the earliest possible: now + warm-up, whole minute.
        EXPECT_EQ(view.entries.start, (LocalDateTime{2023, 11, 14, 17, 48, 0}));
        EXPECT_EQ((Lines{view.mre, view.currentTime, view.warmupStart, view.minutes}),
                  (Lines{"MRE Equivalent Enabled", "11/14/2023, 17:13:20", "11/14/2023, 17:13:00", "720"}));
        EXPECT_EQ(view.durationMax, 2592000u);
        EXPECT_TRUE(view.clock);
    }
    doc.Registers().SetValue(149, 0);
    logic->Update(UPDATE_REGISTER, 149);
    EXPECT_EQ(view.mre, "MRE Equivalent Disabled");
    io.Clear();
    clock.AdvanceTo(int64_t(kT0 + 1) * 1000);
    logic->OnTimerTick();
    EXPECT_EQ(view.currentTime, "11/14/2023, 17:13:21");
    EXPECT_EQ(io.Lines(), Lines{"read 85"});
}

TEST_F(ShiftFormLogicTest, AProgramRecordFillsTheForm) {
    Open(kNewFirmware, STATE_PROGRAMMED);
    // Start 2023-11-14 20:00:30 EST, eight hours; a Part 90 miner sample.
    Record("1700010030,1700038830,-,-,W1,1234567,C1,North Portal,Coal Co,5,0012,36,m12345678,");
    const ShiftFormEntries& e = view.entries;
    EXPECT_EQ(e.start, (LocalDateTime{2023, 11, 14, 20, 0, 0}));
    EXPECT_EQ((Lines{view.warmupStart, e.wearerId, e.companyName, view.minutes, e.miin, e.dustStandard}),
              (Lines{"11/14/2023, 19:25:00", "W1", "Coal Co", "480", "m12345678", "2.0"}));
    EXPECT_EQ(std::tuple(e.sampleType, e.miinEnabled, OccupationEntries()[size_t(e.occupation)].code),
              std::tuple(4, true, 36u));
    EXPECT_EQ(e.temperature, 2) << "43.0 and 46.2 lie within 0.5 of row 2";
    EXPECT_EQ(e.days, (WeekDays{true, true, false, false, false, false, false}));
    EXPECT_FALSE(logic->Changed());

    // Stopped: the start offered is now + warm-up, whatever the record says. A cleared program
    // has no duration: the shortest one is shown. Short layout: occupation as text.
    Open(kOldFirmware, STATE_STOPPED);
    doc.Registers().SetValue(33, 20.0);
    Record("18000,18000,-,-,,,,,,0,,036,0,0");
    EXPECT_EQ(view.entries.start, (LocalDateTime{2023, 11, 14, 17, 48, 0}));
    EXPECT_EQ(
        std::tuple(e.duration, e.sampleType, e.temperature, OccupationEntries()[size_t(e.occupation)].code),
        std::tuple(60u, -1, -1, 36u));
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
    EXPECT_EQ((Lines{e.wearerId, e.mineId, e.contractorCode, e.mineName, e.companyName, e.mmu, e.dustStandard,
                     e.miin, view.minutes}),
              (Lines{"", "", "", "", "", "", "", "", "720"}));
    EXPECT_EQ(e.temperature, -1);
    EXPECT_EQ(e.days, WeekDays{});
}

namespace {

// One entry changed from ValidEntries and how far OK then gets: its message (nullptr: accepted),
// the field focused (a refusal without one has the stop icon) and how many writes went out before
// it (none, the heater, diagnostics and auto-shift writes, or also the dust standard).
struct Refusal {
    float firmware;
    const char* mode;
    ShiftField field; // the MIIN also picks a Part 90 miner sample
    const char* text; // typed; the start and the duration take seconds, the temperature nothing
    const char* message;
    ShiftField focus;
    size_t writes;
};

void Change(ShiftFormEntries& e, ShiftField field, const std::string& text) {
    std::string* texts[] = {&e.wearerId,    &e.mineId, &e.contractorCode, &e.mineName,
                            &e.companyName, &e.mmu,    &e.dustStandard,   &e.miin};
    if (field == ShiftField::Temperature)
        e.temperature = -1;
    else if (field == ShiftField::StartTime)
        e.start = ToLocalDateTime(kT0 + std::stoll(text), NewYork());
    else if (field == ShiftField::Duration)
        e.duration = uint32_t(std::stoul(text));
    else
        *texts[size_t(field) - size_t(ShiftField::WearerId)] = text;
    if (field == ShiftField::Miin)
        e.sampleType = 4;
}

constexpr float kNew = kNewFirmware, kOld = kOldFirmware;
using F = ShiftField;
const char* const kMissing = "All values must be filled in or a selection must be made.";

const Refusal kRefusals[] = {
    {kNew, "", F::MineName, "", kMissing, F::None, 0},
    {kOld, "", F::Miin, "", kMissing, F::None, 0}, // a Part 90 sample without its MIIN
    {kNew, "", F::WearerId, "", nullptr, F::None, 0},
    {kOld, "", F::ContractorCode, "", nullptr, F::None, 0},
    {kNew, "service", F::Temperature, "", "Please select a temperature setting.", F::None, 0},
    {kNew, "", F::StartTime, "1800", "", F::None, 0}, // 30 minutes ahead: the too-soon text for 35
    // Older firmware: wearer as digits, mine ID up to 7 characters.
    {kOld, "", F::WearerId, "123456789",
     "The Wearer ID must be less than or equal to 8 digits (numeric only)", F::WearerId, 3},
    {kOld, "expert", F::WearerId, "12A", "Please enter the Wearer ID in 8 digits or less (numeric only)!",
     F::WearerId, 3},
    {kOld, "service", F::MineId, "ABCDEFGH", "The Mine ID must be less than or equal to 7 characters",
     F::MineId, 3},
    {kNew, "", F::WearerId, "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwww",
     "The Wearer ID must be less than or equal to 30 characters", F::WearerId, 3},
    {kNew, "", F::MineId, "ABC", "The Mine ID Number must be 7 numbers", F::MineId, 3},
    {kNew, "", F::ContractorCode, "ABCDEFGH",
     "The Contractor Code must be less than or equal to 7 characters", F::ContractorCode, 3},
    {kNew, "", F::MineName, "mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm",
     "The Mine Name must be less than or equal to 30 characters", F::MineName, 3},
    {kNew, "", F::CompanyName, "ccccccccccccccccccccccccccccccc",
     "The Company Name must be less than or equal to 30 characters", F::CompanyName, 3},
    {kNew, "expert", F::MineId, "ABC", nullptr, F::None, 0},
    {kNew, "expert", F::ContractorCode, "ABCDEFGH", nullptr, F::None, 0},
    // Record texts are read back by position: a comma would move every later field.
    {kNew, "", F::CompanyName, "Acme, Inc", "The Company Name cannot contain a comma.", F::CompanyName, 3},
    {kNew, "expert", F::Miin, "M1,2", "The Part 90 Miner Sampled MIIN cannot contain a comma.", F::Miin, 3},
    // The short layout holds 3 characters of the contractor code and 32 bytes of a name.
    {kOld, "expert", F::ContractorCode, "CONT",
     "The Contractor Code must be less than or equal to 3 characters", F::ContractorCode, 3},
    {kOld, "", F::MineName, "Mine xxxxxxxxxxxxxxxxxxxxxxxx\xC3\xBC\xC3\xBC", // 31 characters, 33 bytes
     "The Mine Name must be less than or equal to 32 characters", F::MineName, 3},
    // The layout's limit says what the later MMU check would.
    {kOld, "", F::Mmu, "12345", "The MMU DA/SA must be less than or equal to 4 characters", F::Mmu, 3},
    {kNew, "", F::DustStandard, "1,5", "The Respirable Dust Standard must be a number", F::DustStandard, 3},
    {kNew, "", F::Mmu, "12", "The MMU DA/SA must be 4 numbers", F::Mmu, 4},
    {kNew, "expert", F::Mmu, "1", nullptr, F::None, 0},
    {kNew, "", F::Miin, "X12345678",
     "The Part 90 Miner Sampled MIIN must begin with 'M' and be 9 characters long", F::Miin, 4},
    {kOld, "", F::Miin, "12345678901", "The Part 90 Miner Sampled MIIN must be a number from 0 to 4294967295",
     F::Miin, 4},
    {kNew, "", F::Duration, "59", "Duration is below the minimum limit", F::None, 4},
    {kOld, "", F::Duration, "2592060", "Duration is above the maximum limit", F::None, 4},
};

} // namespace

TEST_F(ShiftFormLogicTest, EachRefusalOfOkWithItsTextIconAndFocus) {
    for (const Refusal& c : kRefusals) {
        SCOPED_TRACE(testing::Message() << c.firmware << " " << c.mode << " '" << c.text << "'");
        Open(c.firmware, STATE_STOPPED, c.mode);
        ShiftFormEntries e = ValidEntries(kT0 + 7200);
        Change(e, c.field, c.text);
        Enter(*logic, e);

        EXPECT_EQ(logic->Ok(), !c.message);
        EXPECT_EQ(io.Last("program") != nullptr, !c.message);
        if (!c.message) {
            EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().text;
            continue;
        }
        const std::string message =
            *c.message ? c.message : kTooSoon + std::string("35 minutes greater than the current time.");
        EXPECT_EQ(messages.Texts(), Lines{message});
        EXPECT_EQ(messages.shown[0].icon, c.focus == F::None ? MessageIcon::Stop : MessageIcon::None);
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
    EXPECT_EQ(messages.Texts(),
              Lines{"The start time has already passed. Please enter a start time that is in the future."});
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
        EXPECT_EQ(messages.Texts(), moved < 0 ? Lines{kTooSoon + std::string("16 minutes, 40 seconds greater "
                                                                             "than the current time.")}
                                              : Lines{});
    }
}

TEST_F(ShiftFormLogicTest, UnchangedEntriesAskBeforeGoingOnInStandardModeOnly) {
    for (const char* mode : {"", "service"}) {
        Open(kNewFirmware, STATE_PROGRAMMED, mode);
        Record("1700010000,1700038800,-,-,1234,4601234,AB1,Mine,Company,1,0010,36,,");
        messages.answer = MessageAnswer::No;
        EXPECT_EQ(logic->Ok(), *mode != 0) << mode;
        EXPECT_EQ(messages.Texts(), *mode ? Lines{}
                                          : Lines{"The shift setup values have not changed.\nDo you wish to "
                                                  "continue anyway?"});
        if (*mode)
            continue;
        EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
        EXPECT_TRUE(io.sent.empty());
        messages.answer = MessageAnswer::Yes;
        EXPECT_TRUE(logic->Ok());
    }
}

TEST_F(ShiftFormLogicTest, RegisterWritesInOrderThenTheProgram) {
    for (const auto& [firmware, warmup, diagnostics] :
         {std::tuple{kOldFirmware, 179, Lines{"write 148=3", "write 148=0"}},
          std::tuple{kNewFirmware, 180, Lines{"write 148=3"}}}) {
        SCOPED_TRACE(testing::Message() << firmware << " warm-up " << warmup);
        Open(firmware, STATE_STOPPED);
        doc.Registers().SetValue(12, warmup);
        ShiftFormEntries e = ValidEntries(kT0 + 7200 + 40); // 19:14:00
        e.days = {false, true, false, true, false, true, false};
        e.temperature = 0;
        e.sampleType = 4;
        e.dustStandard = " 1.5 "; // blanks around a number are no part of it
        e.miin = firmware == kNewFirmware ? "m12345678" : "4294967295";
        Enter(*logic, e);
        ASSERT_TRUE(logic->Ok()) << messages.shown.at(0).text;

        // The program goes after the dust standard and before the power-off.
        Lines expected = {"write 20=0 21=0 33=57 34=0 46=60 47=0"};
        expected.insert(expected.end(), diagnostics.begin(), diagnostics.end());
        for (const char* line :
             {"write 155=170", "write 150=1.5", firmware == kNewFirmware ? "program ext" : "program",
              "write 10=0", "write 10=0", "write 10=0"})
            expected.push_back(line);
        EXPECT_EQ(io.Lines(), expected);
        EXPECT_EQ(io.Last("program")->program.miinText, e.miin);
        EXPECT_EQ(io.Last("program")->program.miinNumber, firmware == kNewFirmware ? 0u : 4294967295u);
        EXPECT_TRUE(doc.ProgrammingBusy());
        EXPECT_FALSE(doc.CanClose());
        EXPECT_EQ((std::vector<bool>{view.busy, view.clock, view.returned, view.powerOffPending}),
                  (std::vector<bool>{true, false, true, false}));
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
        EXPECT_EQ(messages.Texts(), Lines{NOT_PROGRAMMED_TEXT});
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
        EXPECT_EQ(io.Writes(), std::vector<Writes>(poweredOff ? 3 : 0, kPowerOff));
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
    EXPECT_EQ(io.Lines(), (Lines{"read-program ext", "write 149=1"})) << "no power-on yet";
    ReportStatus(doc, kNewFirmware, STATE_PROGRAMMED);
    logic->Update(UPDATE_STATE, 0);
    EXPECT_EQ(io.Lines(),
              (Lines{"read-program ext", "write 149=1", "write 10=1", "write 10=1", "write 10=1"}));

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
        EXPECT_EQ(i.Writes(), std::vector<Writes>(state == STATE_PROGRAMMED ? 3 : 0, kPowerOff));
    }
}
