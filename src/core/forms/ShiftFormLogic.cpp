#include "forms/ShiftFormLogic.h"

#include <algorithm>
#include <limits>

#include "download/RecordText.h"
#include "forms/PowerSwitch.h"
#include "link/DeviceRequests.h"
#include "model/BusyOperation.h"
#include "model/COrvodeskDoc.h"
#include "model/PrcRegisters.h"
#include "model/ShiftProgram.h"
#include "model/ShiftVocabulary.h"
#include "model/StatusAnswer.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/MessageService.h"
#include "platform/NumberParse.h"

namespace orvo {

namespace {

constexpr int kPart90Position = kPart90SampleType - 1;

// Program record fields (the directory entry's order).
enum : size_t {
    FIELD_START = 0,
    FIELD_END = 1,
    FIELD_WEARER = 4,
    FIELD_MINE_ID = 5,
    FIELD_CONTRACTOR = 6,
    FIELD_MINE_NAME = 7,
    FIELD_COMPANY = 8,
    FIELD_SAMPLE_TYPE = 9,
    FIELD_MMU = 10,
    FIELD_OCCUPATION = 11,
    FIELD_MIIN = 12,
};

int64_t WholeMinute(int64_t seconds) {
    return seconds - ((seconds % 60) + 60) % 60;
}

bool ValidRow(int row, size_t count) {
    return row >= 0 && size_t(row) < count;
}

} // namespace

ShiftFormLogic::ShiftFormLogic(COrvodeskDoc& doc, DeviceRequests& io, IShiftFormView& view,
                               MessageService& messages, Clock& clock)
    : m_doc(doc), m_io(io), m_view(view), m_messages(messages), m_clock(clock) {}

void ShiftFormLogic::InitialUpdate() {
    m_entries = ShiftFormEntries{};
    // Until the monitor's program arrives the form offers the earliest possible start.
    m_entries.start = ToLocalDateTime(WholeMinute(Now() + RegisterWord(PRC_SHIFT_WARMUP_TIME)), m_doc.Zone());

    PowerOn();
    m_io.ReadShiftProgram(m_doc.NewFirmware());
    m_io.WriteRegisters({{PRC_MRE_EQUIVALENT, 1.0}});
    m_entries.occupation = 0;
    RefreshFirmware();
    m_view.SetDurationRange(uint32_t(m_doc.Registers().Maximum(PRC_PROGRAM_TIME)),
                            DURATION_PAGE_STEP_MINUTES);
    Show();
    RefreshMinutes();
    RefreshClockTexts();
    RefreshMre();
    m_view.StartClock();
}

void ShiftFormLogic::Update(uint32_t hint, intptr_t value) {
    if (m_left || hint == 0)
        return;
    if ((hint & UPDATE_IDENTITY) && !m_doc.Connected()) {
        m_view.StopClock();
        Leave();
        return;
    }
    if ((hint & UPDATE_STATE) && m_pendingPowerOn)
        PowerOn();
    if (hint & UPDATE_REGISTER) {
        if (value == PRC_MRE_EQUIVALENT)
            RefreshMre();
        else if (value == PRC_FIRMWARE_VERSION)
            RefreshFirmware();
    }
    if ((hint & UPDATE_RECORD_FRONT) && value != NO_RECORD)
        LoadProgramRecord();
}

void ShiftFormLogic::LoadProgramRecord() {
    const std::vector<std::string> records = m_doc.Records();
    if (records.empty())
        return;
    const std::string& record = records.front();

    switch (m_doc.State()) {
    case STATE_STOPPED:
        m_entries.start =
            ToLocalDateTime(WholeMinute(Now() + RegisterWord(PRC_SHIFT_WARMUP_TIME)), m_doc.Zone());
        break;
    case STATE_PROGRAMMED:
    case STATE_WARMING:
    case STATE_RUNNING:
        m_loadedStart = WholeMinute(RecordUnsigned(record, FIELD_START));
        m_entries.start = ToLocalDateTime(m_loadedStart, m_doc.Zone());
        break;
    default:
        m_messages.Show("Error determining shift program state");
        break;
    }

    m_entries.wearerId = RecordField(record, FIELD_WEARER);
    m_entries.mineId = RecordField(record, FIELD_MINE_ID);
    m_entries.contractorCode = RecordField(record, FIELD_CONTRACTOR);
    m_entries.mineName = RecordField(record, FIELD_MINE_NAME);
    m_entries.companyName = RecordField(record, FIELD_COMPANY);

    const PrcTable& table = m_doc.Registers();
    const int64_t duration =
        int64_t(RecordUnsigned(record, FIELD_END)) - int64_t(RecordUnsigned(record, FIELD_START));
    m_entries.duration = uint32_t(std::clamp<int64_t>(duration, int64_t(table.Minimum(PRC_PROGRAM_TIME)),
                                                      int64_t(table.Maximum(PRC_PROGRAM_TIME))));

    const int position = int(RecordUnsigned(record, FIELD_SAMPLE_TYPE)) - 1;
    m_entries.sampleType = ValidRow(position, kSampleTypeCount) ? position : -1;
    m_entries.miinEnabled = position == kPart90Position;
    m_entries.miin = m_entries.miinEnabled ? std::string(RecordField(record, FIELD_MIIN)) : std::string();

    m_entries.mmu = RecordField(record, FIELD_MMU);
    m_entries.occupation = std::max(0, FindOccupation(RecordUnsigned(record, FIELD_OCCUPATION)));
    m_entries.temperature =
        FindTemperatureRange(table.Value(PRC_AIR_HEATER_SET_PT), table.Value(PRC_TE_HEATER_SET_PT));
    m_entries.days = AutoShiftDays(RegisterWord(PRC_AUTO_SHIFT_OPTIONS));
    m_entries.dustStandard = FormatFixed(table.Value(PRC_SHIFT_LIMIT), 1);
    m_changed = false;

    Show();
    RefreshMinutes();
    RefreshClockTexts();
}

void ShiftFormLogic::OnTimerTick() {
    if (m_left)
        return;
    RefreshClockTexts();
    m_io.ReadRegisters({PRC_AMBIENT_TEMP_RAW});
}

void ShiftFormLogic::EditText(ShiftField field, const std::string& text) {
    switch (field) {
    case ShiftField::WearerId:
        m_entries.wearerId = text;
        break;
    case ShiftField::MineId:
        m_entries.mineId = text;
        break;
    case ShiftField::ContractorCode:
        m_entries.contractorCode = text;
        break;
    case ShiftField::MineName:
        m_entries.mineName = text;
        break;
    case ShiftField::CompanyName:
        m_entries.companyName = text;
        break;
    case ShiftField::Mmu:
        m_entries.mmu = text;
        break;
    case ShiftField::DustStandard:
        m_entries.dustStandard = text;
        break;
    case ShiftField::Miin:
        m_entries.miin = text;
        break;
    default:
        return;
    }
    m_changed = true;
}

void ShiftFormLogic::SelectOccupation(int row) {
    m_entries.occupation = row;
    m_changed = true;
}

void ShiftFormLogic::SelectTemperature(int row) {
    m_entries.temperature = row;
    m_changed = true;
}

void ShiftFormLogic::SetDay(int day, bool checked) {
    if (!ValidRow(day, m_entries.days.size()))
        return;
    m_entries.days[size_t(day)] = checked;
    m_changed = true;
}

void ShiftFormLogic::SelectSampleType(int position) {
    m_entries.sampleType = position;
    m_entries.miinEnabled = position == kPart90Position;
    // A Part 90 miner has a standard of his own, to be entered again.
    if (m_entries.miinEnabled)
        m_entries.dustStandard.clear();
    else
        m_entries.miin.clear();
    m_changed = true;
    Show();
}

void ShiftFormLogic::PickStart(const LocalDateTime& start) {
    m_entries.start = start;
    RefreshClockTexts();
}

void ShiftFormLogic::SetDuration(uint32_t seconds) {
    m_entries.duration = seconds;
    RefreshMinutes();
}

bool ShiftFormLogic::Ok() {
    if (m_left)
        return false;
    const AccessMode mode = m_doc.Mode();
    const bool standard = mode == ACCESS_STANDARD;
    const bool newFirmware = m_doc.NewFirmware();

    if (standard && MissingValues())
        return Refuse("All values must be filled in or a selection must be made.", MessageIcon::Stop);
    if (standard && !m_changed &&
        m_messages.Show("The shift setup values have not changed.\nDo you wish to continue anyway?", {},
                        MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes)
        return false;
    if (!CheckStartTime())
        return false;
    if (!ValidRow(m_entries.temperature, kTemperatureRangeCount))
        return Refuse("Please select a temperature setting.", MessageIcon::Stop);

    // From here on what is written stays written, even when a later check refuses.
    const TemperatureRange& range = TemperatureRanges()[size_t(m_entries.temperature)];
    m_io.WriteRegisters({{PRC_GUARD_HEATER_SET_PT, range.guardHeaterSetPt},
                         {PRC_GUARD_HEATER_DUTY_CYCLE, 0.0},
                         {PRC_AIR_HEATER_SET_PT, range.airHeaterSetPt},
                         {PRC_AIR_HEATER_DUTY_CYCLE, 0.0},
                         {PRC_TE_HEATER_SET_PT, range.teHeaterSetPt},
                         {PRC_TE_HEATER_DUTY_CYCLE, 0.0}});
    m_io.WriteRegisters({{PRC_ENABLE_WARMUP_DIAGNOSTICS, 3.0}});
    // A warm-up this short leaves no time for the diagnostics.
    if (RegisterWord(PRC_SHIFT_WARMUP_TIME) < 180)
        m_io.WriteRegisters({{PRC_ENABLE_WARMUP_DIAGNOSTICS, 0.0}});
    m_io.WriteRegisters({{PRC_AUTO_SHIFT_OPTIONS, double(AutoShiftValue(m_entries.days))}});

    const ShiftTexts texts = ReadTexts();
    const bool part90 = m_entries.sampleType == kPart90Position;
    if (const auto refusal = CheckIdentificationTexts(texts, newFirmware, mode))
        return Refuse(refusal->message, refusal->icon, refusal->focus);
    if (const auto refusal = CheckRecordTexts(texts, newFirmware, part90))
        return Refuse(refusal->message, refusal->icon, refusal->focus);

    // "1,5" is no number: it must not go out as 1.
    const std::optional<double> dustStandard = ParseWholeDouble(m_entries.dustStandard);
    if (!dustStandard)
        return Refuse("The Respirable Dust Standard must be a number", MessageIcon::None,
                      ShiftField::DustStandard);
    m_io.WriteRegisters({{PRC_SHIFT_LIMIT, *dustStandard}});

    const PrcTable& table = m_doc.Registers();
    const auto minimum = uint32_t(table.Minimum(PRC_PROGRAM_TIME));
    const auto maximum = uint32_t(table.Maximum(PRC_PROGRAM_TIME));
    if (m_entries.duration > maximum || m_entries.duration < minimum) {
        const bool above = m_entries.duration > maximum;
        m_entries.duration = above ? maximum : minimum;
        Show();
        RefreshMinutes();
        return Refuse(above ? "Duration is above the maximum limit" : "Duration is below the minimum limit",
                      MessageIcon::Stop);
    }

    if (const auto refusal = CheckMmu(texts.mmu, newFirmware, mode))
        return Refuse(refusal->message, refusal->icon, refusal->focus);
    uint32_t miinNumber = 0;
    if (part90 && newFirmware && standard)
        if (const auto refusal = CheckPart90Miin(texts.miin))
            return Refuse(refusal->message, refusal->icon, refusal->focus);
    if (part90 && !newFirmware) {
        // The short layout keeps the MIIN as a 32-bit number.
        const std::optional<uint64_t> number = ParseWholeUnsigned(texts.miin, UINT32_MAX);
        if (!number)
            return Refuse("The Part 90 Miner Sampled MIIN must be a number from 0 to 4294967295",
                          MessageIcon::None, ShiftField::Miin);
        miinNumber = uint32_t(*number);
    }

    // A monitor known to be gone would never answer: the program would wait forever.
    if (!m_doc.Connected())
        return Refuse(NOT_PROGRAMMED_TEXT, MessageIcon::Stop);
    m_view.StopClock();
    m_doc.SetProgrammingBusy(true);
    if (!m_io.ProgramShift(BuildProgram(texts, PickedStart(), miinNumber), newFirmware)) {
        m_doc.SetProgrammingBusy(false);
        m_view.StartClock();
        return Refuse(NOT_PROGRAMMED_TEXT, MessageIcon::Stop);
    }
    m_view.ShowBusy();

    PowerOffAndLeave();
    return true;
}

bool ShiftFormLogic::CheckStartTime() {
    const int64_t picked = PickedStart();
    const int64_t now = Now();
    const int64_t warmup = RegisterWord(PRC_SHIFT_WARMUP_TIME);
    switch (m_doc.State()) {
    case STATE_STOPPED:
    case STATE_PROGRAMMED:
        if (picked - now < warmup)
            return Refuse(TooSoonMessage(uint32_t(warmup)), MessageIcon::Stop);
        return true;
    case STATE_WARMING: {
        // Moving the start of a warming monitor is refused when the warm-up already under way
        // could not reach the new start.
        const int64_t loaded = m_loadedStart;
        if (picked != loaded && picked - now <= warmup && picked - now + (now - (loaded - warmup)) <= warmup)
            return Refuse(TooSoonMessage(uint32_t(std::clamp<int64_t>(loaded - now, 0, UINT32_MAX))),
                          MessageIcon::Stop);
        return true;
    }
    case STATE_RUNNING:
        if (picked < now)
            return Refuse(
                "The start time has already passed. Please enter a start time that is in the future.",
                MessageIcon::Stop);
        return true;
    default:
        m_messages.Show("Error determining shift program state");
        return true;
    }
}

bool ShiftFormLogic::MissingValues() const {
    const ShiftFormEntries& e = m_entries;
    return e.temperature < 0 || e.mineId.empty() || e.mineName.empty() || e.companyName.empty() ||
           e.dustStandard.empty() || e.mmu.empty() || e.occupation < 0 || e.sampleType < 0 ||
           (e.sampleType == kPart90Position && e.miin.empty());
}

ShiftTexts ShiftFormLogic::ReadTexts() const {
    const ShiftFormEntries& e = m_entries;
    return ShiftTexts{FirstCharacters(e.wearerId, kWearerIdRead),
                      FirstCharacters(e.mineId, kMineIdRead),
                      FirstCharacters(e.contractorCode, kContractorRead),
                      FirstCharacters(e.mineName, kMineNameRead),
                      FirstCharacters(e.companyName, kCompanyNameRead),
                      FirstCharacters(e.mmu, kMmuRead),
                      FirstCharacters(e.miin, kMiinRead)};
}

ShiftProgram ShiftFormLogic::BuildProgram(const ShiftTexts& texts, int64_t start, uint32_t miinNumber) const {
    ShiftProgram program;
    program.wearerId = texts.wearerId;
    program.mineId = texts.mineId;
    program.contractorCode = texts.contractorCode;
    program.mineName = texts.mineName;
    program.companyName = texts.companyName;
    program.startTime = uint32_t(std::clamp<int64_t>(start, 0, UINT32_MAX));
    program.duration = m_entries.duration;
    program.sampleType = uint8_t(
        ValidRow(m_entries.sampleType, kSampleTypeCount) ? SampleTypeCode(size_t(m_entries.sampleType)) : 0);
    program.mmu = texts.mmu;

    const size_t row = ValidRow(m_entries.occupation, kOccupationCount) ? size_t(m_entries.occupation) : 0;
    program.occupationCode = OccupationEntries()[row].code;
    program.occupationText = OccupationDisplayText(row).substr(0, 3);

    if (m_entries.sampleType == kPart90Position) {
        program.miinText = texts.miin;
        program.miinNumber = miinNumber;
    }
    return program;
}

void ShiftFormLogic::Cancel() {
    if (m_left)
        return;
    m_view.StopClock();
    PowerOffAndLeave();
}

void ShiftFormLogic::OnWindowClosed() {
    Cancel();
}

void ShiftFormLogic::ClearFields() {
    ShiftFormEntries& e = m_entries;
    e.wearerId.clear();
    e.mineId.clear();
    e.contractorCode.clear();
    e.mineName.clear();
    e.companyName.clear();
    e.mmu.clear();
    e.dustStandard.clear();
    e.duration = CLEARED_DURATION;
    e.occupation = 0;
    e.sampleType = -1;
    e.temperature = -1;
    e.miinEnabled = false;
    e.miin.clear();
    e.days = {};
    m_changed = true;
    Show();
    RefreshMinutes();
}

int64_t ShiftFormLogic::PickedStart() const {
    const LocalDateTime local = ApplyPickerYear(m_entries.start, ToLocalDateTime(Now(), m_doc.Zone()));
    return WholeMinute(FromLocalDateTime(local, m_doc.Zone()));
}

void ShiftFormLogic::RefreshClockTexts() {
    m_view.ShowCurrentTime(ShiftClockText(Now(), m_doc.Zone()));
    m_view.ShowWarmupStart(ShiftClockText(PickedStart() - RegisterWord(PRC_SHIFT_WARMUP_TIME), m_doc.Zone()));
}

void ShiftFormLogic::RefreshMinutes() {
    m_view.ShowMinutes(FormatSigned(m_entries.duration / 60));
}

void ShiftFormLogic::RefreshFirmware() {
    const auto version = static_cast<float>(m_doc.Registers().Value(PRC_FIRMWARE_VERSION));
    m_view.ShowFirmware("Orvo Firmware Version: " + FormatFixed(version, 2));
}

void ShiftFormLogic::RefreshMre() {
    m_view.ShowMreStatus(RegisterWord(PRC_MRE_EQUIVALENT) == 1 ? "MRE Equivalent Enabled"
                                                               : "MRE Equivalent Disabled");
}

void ShiftFormLogic::Show() {
    m_view.ShowEntries(m_entries);
}

void ShiftFormLogic::PowerOn() {
    const PowerSwitchStep step = PowerSwitchFor(m_doc.State());
    if (step == PowerSwitchStep::Send)
        SendPowerSwitch(m_io, true);
    m_pendingPowerOn = step == PowerSwitchStep::Wait;
}

// A monitor whose state is not known yet is powered off by whoever stays (PendingPowerOff).
void ShiftFormLogic::PowerOffAndLeave() {
    const PowerSwitchStep step = PowerSwitchFor(m_doc.State());
    if (step == PowerSwitchStep::Send)
        SendPowerSwitch(m_io, false);
    m_left = true;
    m_view.ShowMainForm(step == PowerSwitchStep::Wait);
}

void ShiftFormLogic::Leave() {
    m_left = true;
    m_view.ShowMainForm(false);
}

bool ShiftFormLogic::Refuse(const std::string& message, MessageIcon icon, ShiftField focus) {
    m_messages.Show(message, {}, icon, MessageButtons::Ok);
    if (focus != ShiftField::None)
        m_view.FocusField(focus);
    return false;
}

uint32_t ShiftFormLogic::RegisterWord(int number) const {
    const double value = m_doc.Registers().Value(number);
    if (!(value > 0.0))
        return 0;
    if (value >= double(std::numeric_limits<uint32_t>::max()))
        return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(value);
}

int64_t ShiftFormLogic::Now() const {
    return m_clock.NowMs() / 1000;
}

} // namespace orvo
