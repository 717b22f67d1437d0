#pragma once

#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace orvo {

class CliSession;
class COrvodeskDoc;
class TimeZoneSource;

// One command of orvoctl: its subcommand on the command line, and what it does once the monitor
// has identified itself. Arguments are checked while the command line is parsed, so that bad
// usage never opens a port; only what depends on the monitor's firmware is checked in `run`.
struct CliCommand {
    CLI::App* subcommand = nullptr;
    std::function<int(CliSession&)> run; // an exit status
    bool needsMonitor = true;            // false: works on files alone, no port is opened for it
    // The Dust Data Card PDF it was asked to write ("" or none: no card, so no fonts to load).
    std::function<std::string()> cardTarget = nullptr;
    // How many exports it writes to standard output (none: it writes none there).
    std::function<int()> exportsToStdout = nullptr;
};
using CliCommands = std::vector<CliCommand>;

void AddStatusCommand(CLI::App& app, CliCommands& commands);
void AddReadCommand(CLI::App& app, CliCommands& commands);
void AddWriteCommand(CLI::App& app, CliCommands& commands);
void AddSamplesCommand(CLI::App& app, CliCommands& commands);
// Local start times are read on `zone`'s clock.
void AddProgramCommand(CLI::App& app, CliCommands& commands, const TimeZoneSource& zone);
void AddClearProgramCommand(CLI::App& app, CliCommands& commands);
void AddDownloadCommand(CLI::App& app, CliCommands& commands);
void AddOpenCommand(CLI::App& app, CliCommands& commands);
void AddVerifyMshaCommand(CLI::App& app, CliCommands& commands);
void AddCardCommand(CLI::App& app, CliCommands& commands);
void AddTemplateCommand(CLI::App& app, CliCommands& commands);
void AddConfigCommand(CLI::App& app, CliCommands& commands);
void AddDiagnosticsCommand(CLI::App& app, CliCommands& commands);
void AddLeakCheckCommand(CLI::App& app, CliCommands& commands);

// Every command, in the order of the help text.
inline void AddAllCommands(CLI::App& app, CliCommands& commands, const TimeZoneSource& zone) {
    AddStatusCommand(app, commands);
    AddReadCommand(app, commands);
    AddWriteCommand(app, commands);
    AddSamplesCommand(app, commands);
    AddProgramCommand(app, commands, zone);
    AddClearProgramCommand(app, commands);
    AddDownloadCommand(app, commands);
    AddOpenCommand(app, commands);
    AddVerifyMshaCommand(app, commands);
    AddCardCommand(app, commands);
    AddTemplateCommand(app, commands);
    AddConfigCommand(app, commands);
    AddDiagnosticsCommand(app, commands);
    AddLeakCheckCommand(app, commands);
}

// Reads registers in requests of at most 15 and waits for every answer.
int ReadRegisterValues(CliSession& session, const std::vector<int>& numbers);
// Writes registers in requests of at most 15 and waits for every answer.
int WriteRegisterValues(CliSession& session, const std::vector<std::pair<int, double>>& values);
// "number  short name  value" lines from the register table, in the order given.
void PrintRegisterLines(const COrvodeskDoc& doc, const std::vector<int>& numbers);

} // namespace orvo
