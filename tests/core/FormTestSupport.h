#pragma once

// What the form-logic tests share: a message service that records and answers, views that keep
// what they were last told, and a document on a virtual clock that status answers connect.

#include <string>
#include <vector>

#include "TestZones.h"
#include "forms/MainStatusLogic.h"
#include "forms/ShiftFormLogic.h"
#include "link/RequestRecorder.h"
#include "model/COrvodeskDoc.h"
#include "model/ShiftVocabulary.h"
#include "model/StatusAnswer.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "platform/MessageSink.h"
#include "platform/TimeZoneSource.h"

namespace orvo::test {

using Writes = std::vector<std::pair<int, double>>;

constexpr float kNewFirmware = 7.0f, kOldFirmware = 6.5f;
constexpr uint32_t kT0 = 1'700'000'000; // Tuesday 2023-11-14 22:13:20 UTC, 17:13:20 in New York

struct Shown {
    std::string text;
    MessageIcon icon;
    MessageButtons buttons;
    std::string caption;
};

// Records every message box (the widget tests' too) and answers questions with `answer`.
class ScriptedMessages : public MessageService {
public:
    std::vector<Shown> shown;
    MessageAnswer answer = MessageAnswer::Yes;

    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override {
        shown.push_back({text, icon, buttons, caption});
        return buttons == MessageButtons::YesNo ? answer : MessageAnswer::Ok;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Shown& s : shown)
            texts.push_back(s.text);
        return texts;
    }
};

struct FakeShiftView : IShiftFormView {
    ShiftFormEntries entries;
    std::string minutes, currentTime, warmupStart, firmware, mre;
    uint32_t durationMax = 0;
    ShiftField focused = ShiftField::None;
    bool clock = false, busy = false, returned = false, powerOffPending = false;

    void ShowEntries(const ShiftFormEntries& e) override { entries = e; }
    void ShowMinutes(const std::string& t) override { minutes = t; }
    void ShowCurrentTime(const std::string& t) override { currentTime = t; }
    void ShowWarmupStart(const std::string& t) override { warmupStart = t; }
    void ShowFirmware(const std::string& t) override { firmware = t; }
    void ShowMreStatus(const std::string& t) override { mre = t; }
    void SetDurationRange(uint32_t maximum, int) override { durationMax = maximum; }
    void FocusField(ShiftField f) override { focused = f; }
    void StartClock() override { clock = true; }
    void StopClock() override { clock = false; }
    void ShowBusy() override { busy = true; }
    void ShowMainForm(bool pending) override {
        returned = true;
        powerOffPending = pending;
    }
};

struct FakeMainView : IMainStatusView {
    bool connected = false, active = false, countdown = false;
    std::string serial, warmup, sample, status, lastService, title;
    TimeFieldColour colour = TimeFieldColour::Red;
    AdvancedVisibility visible{};
    ButtonStates enabled{};
    int holds = 0;
    std::vector<std::string> failures;

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
    void ShowFailure(const std::string& t) override { failures.push_back(t); }
};

// A status answer as the link hands it to the document (status A, with a serial number, for
// older firmware).
inline void ReportStatus(COrvodeskDoc& doc, float firmware, int8_t state, uint32_t time = kT0) {
    StatusAnswer answer;
    answer.hasSerial = firmware < 6.7f;
    answer.serialNumber = 7654321;
    answer.firmware = firmware;
    answer.state = state;
    answer.deviceTime = time;
    doc.OnStatusAnswer(answer);
}

// Entries that pass every check on either firmware in standard mode.
inline ShiftFormEntries ValidEntries(int64_t start) {
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
inline void Enter(ShiftFormLogic& logic, const ShiftFormEntries& e) {
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

// A document on a virtual clock in New York, its requests recorded, no link open.
struct DocRig {
    VirtualClock clock{int64_t(kT0) * 1000};
    const TimeZoneSource& zone = NewYork();
    NullMessageSink sink;
    COrvodeskDoc doc{clock, zone, sink};
    RequestRecorder io;
    ScriptedMessages messages;
};

} // namespace orvo::test
