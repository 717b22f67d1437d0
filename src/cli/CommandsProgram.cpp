#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CliParse.h"
#include "CliSession.h"
#include "Commands.h"
#include "model/PrcRegisters.h"
#include "model/ShiftProgram.h"
#include "model/ShiftTextFields.h"
#include "platform/Clock.h"
#include "platform/Format.h"

namespace orvo {

namespace {

// The shift as typed; which fields are texts and which numbers is settled only when the monitor's
// firmware class is known.
struct ProgramArgs {
    std::string wearer, mineId, contractor, mineName, company, mmu, occupation, miin, spare;
    std::string startText, durationText, sampleTypeText = "0";
    StartTime start; // from startText; no start at all when that is empty
    uint32_t duration = 0;
    unsigned sampleType = 0;
};

struct TextField {
    const char* option;
    const std::string* value;
    ShiftText text;
};

std::array<TextField, 9> TextFields(const ProgramArgs& a) {
    return {{{"--wearer", &a.wearer, ShiftText::WearerId},
             {"--mine-id", &a.mineId, ShiftText::MineId},
             {"--contractor", &a.contractor, ShiftText::ContractorCode},
             {"--mine-name", &a.mineName, ShiftText::MineName},
             {"--company", &a.company, ShiftText::CompanyName},
             {"--mmu", &a.mmu, ShiftText::Mmu},
             {"--occupation", &a.occupation, ShiftText::Occupation},
             {"--miin", &a.miin, ShiftText::Miin},
             {"--spare", &a.spare, ShiftText::Spare}}};
}

int UsageError(const std::string& text) {
    PrintError(text);
    return EXIT_USAGE;
}

bool NumberField(const char* option, const std::string& text, uint32_t& out, std::string& error) {
    if (text.empty()) {
        out = 0;
        return true;
    }
    const std::optional<uint64_t> number = ParseUnsigned(text, UINT32_MAX);
    if (!number) {
        error = std::string(option) + " must be a number for this monitor, not '" + text + "'";
        return false;
    }
    out = static_cast<uint32_t>(*number);
    return true;
}

std::optional<ShiftProgram> BuildProgram(const ProgramArgs& a, bool newFirmware, float firmware,
                                         int64_t nowUtc, std::string& error) {
    // Where the layout takes a number the text is read as one below.
    for (const TextField& field : TextFields(a)) {
        if (const std::optional<std::string> refusal =
                CheckShiftText(field.text, *field.value, newFirmware)) {
            error = std::string(field.option) + ": " + *refusal + " on firmware " + FormatFixed(firmware, 2);
            return std::nullopt;
        }
    }
    ShiftProgram program;
    program.wearerId = a.wearer;
    program.mineId = a.mineId;
    program.contractorCode = a.contractor;
    program.mineName = a.mineName;
    program.companyName = a.company;
    program.mmu = a.mmu;
    program.startTime = a.startText.empty() ? 0 : ResolveStartTime(a.start, nowUtc);
    program.duration = a.duration;
    program.sampleType = static_cast<uint8_t>(a.sampleType);
    if (newFirmware) {
        if (!NumberField("--occupation", a.occupation, program.occupationCode, error))
            return std::nullopt;
        program.miinText = a.miin;
        program.spareText = a.spare;
    } else {
        program.occupationText = a.occupation;
        if (!NumberField("--miin", a.miin, program.miinNumber, error) ||
            !NumberField("--spare", a.spare, program.spareNumber, error))
            return std::nullopt;
    }
    return program;
}

// Sends the requests and waits for the program record the monitor answers with.
int SendProgram(CliSession& session, const std::function<bool(CDeviceLink&)>& queue) {
    const CliSession::Exchanged exchanged = session.Exchange(queue);
    if (exchanged.status != EXIT_OK)
        return exchanged.status;
    if (session.Progress().recordsInserted == exchanged.before.recordsInserted) {
        PrintError("the monitor did not take the program");
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

void PrintNewestRecord(const COrvodeskDoc& doc) {
    const std::vector<std::string> records = doc.Records();
    if (!records.empty())
        std::printf("%s\n", records.front().c_str());
}

int RunProgram(CliSession& session, const ProgramArgs& args) {
    COrvodeskDoc& doc = session.Doc();
    const bool newFirmware = doc.NewFirmware();
    std::string error;
    const std::optional<ShiftProgram> program =
        BuildProgram(args, newFirmware, doc.FirmwareVersion(), SystemClock::Instance().NowSeconds(), error);
    if (!program)
        return UsageError(error);
    const int status =
        SendProgram(session, [&](CDeviceLink& link) { return link.ProgramShift(*program, newFirmware); });
    if (status == EXIT_OK)
        PrintNewestRecord(doc);
    return status;
}

int RunClearProgram(CliSession& session) {
    COrvodeskDoc& doc = session.Doc();
    const bool newFirmware = doc.NewFirmware();
    const std::vector<int> registers = {PRC_AUTO_SHIFT_OPTIONS, PRC_MRE_EQUIVALENT};
    const CliSession::Exchanged exchanged = session.Exchange([newFirmware](CDeviceLink& link) {
        // No automatic repetition, MRE equivalent back on, then an empty program in the layout of
        // the monitor's firmware class.
        return link.WriteRegisters({{PRC_AUTO_SHIFT_OPTIONS, 0.0}, {PRC_MRE_EQUIVALENT, 1.0}}) &&
               link.ProgramShift(ShiftProgram{}, newFirmware);
    });
    if (exchanged.status != EXIT_OK)
        return exchanged.status;
    const SessionProgress after = session.Progress();
    for (int number : registers) {
        if (after.registers[size_t(number)] == exchanged.before.registers[size_t(number)]) {
            PrintError("the monitor did not answer for register " + std::to_string(number));
            return EXIT_FAILED;
        }
    }
    if (after.recordsInserted == exchanged.before.recordsInserted) {
        PrintError("the monitor did not take the empty program");
        return EXIT_FAILED;
    }
    PrintRegisterLines(doc, registers);
    PrintNewestRecord(doc);
    return EXIT_OK;
}

} // namespace

void AddProgramCommand(CLI::App& app, CliCommands& commands, const TimeZoneSource& zone) {
    auto args = std::make_shared<ProgramArgs>();
    CLI::App* sub =
        app.add_subcommand("program", "Program a sampling shift and print the monitor's program record");
    sub->add_option("--wearer", args->wearer, "Wearer ID");
    sub->add_option("--mine-id", args->mineId, "Mine ID number");
    sub->add_option("--contractor", args->contractor, "Contractor code");
    sub->add_option("--mine-name", args->mineName, "Mine name");
    sub->add_option("--company", args->company, "Company name");
    sub->add_option("--start", args->startText,
                    "Start: local \"YYYY-MM-DD HH:MM\", now+MINUTES or UTC seconds; none when left out");
    sub->add_option("--duration", args->durationText, "Duration: MINUTES or HH:MM")->required();
    sub->add_option("--sample-type", args->sampleTypeText, "Sample type code, 0 to 255");
    sub->add_option("--mmu", args->mmu, "MMU DA/SA");
    sub->add_option("--occupation", args->occupation, "Occupation code (a number on newer firmware)");
    sub->add_option("--miin", args->miin, "Miner's MIIN (a number on older firmware)");
    sub->add_option("--spare", args->spare, "Spare field (a number on older firmware)");
    sub->parse_complete_callback([args, &zone] {
        if (!args->startText.empty()) {
            const std::optional<StartTime> start = ParseStartTime(args->startText, zone);
            if (!start)
                throw CLI::ValidationError(
                    "--start: '" + args->startText +
                    "' is neither a local time YYYY-MM-DD HH:MM, now+MINUTES nor UTC seconds");
            args->start = *start;
        }
        const std::optional<uint32_t> duration = ParseDuration(args->durationText);
        if (!duration)
            throw CLI::ValidationError("--duration: '" + args->durationText +
                                       "' is neither MINUTES nor HH:MM of at least one minute");
        args->duration = *duration;
        for (const TextField& field : TextFields(*args))
            if (HoldsComma(*field.value))
                throw CLI::ValidationError(std::string(field.option) + ": " +
                                           CommaRefusal(ShiftTextLayoutOf(field.text).name));
        const std::optional<uint64_t> sampleType = ParseUnsigned(args->sampleTypeText, 255);
        if (!sampleType)
            throw CLI::ValidationError("--sample-type: '" + args->sampleTypeText +
                                       "' is not a sample type code from 0 to 255");
        args->sampleType = unsigned(*sampleType);
    });
    commands.push_back({sub, [args](CliSession& session) { return RunProgram(session, *args); }});
}

void AddClearProgramCommand(CLI::App& app, CliCommands& commands) {
    CLI::App* sub = app.add_subcommand("clear-program", "Clear the programmed shift");
    commands.push_back({sub, RunClearProgram});
}

} // namespace orvo
