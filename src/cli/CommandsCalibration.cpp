// diagnostics and leak-check: the core's procedures on the terminal, the same classes the desktop's
// forms render.

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "CliProcedureRunner.h"
#include "CliSession.h"
#include "Commands.h"
#include "SimMonitor.h"
#include "calibration/DiagnosticsLogic.h"
#include "calibration/LeakCheckLogic.h"

namespace orvo {

namespace {

using Diag = DiagnosticsLogic;
using Leak = LeakCheckLogic;

// Pads to `width` characters on the screen (the degree sign is two bytes).
std::string Pad(const std::string& text, size_t width) {
    size_t shown = 0;
    for (unsigned char c : text)
        shown += (c & 0xC0) != 0x80;
    return shown >= width ? text + " " : text + std::string(width - shown, ' ');
}

// Enter to go on; false when stdin is closed or Ctrl+C came instead.
bool WaitForEnter() {
    std::printf("Press Enter to continue...");
    std::fflush(stdout);
    char line[64];
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    std::printf("\n");
    return read && !CliProcedureRunner::Interrupted();
}

bool AskTerminal(const char* question) {
    if (!::isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "(no terminal to ask; give --pump-started)\n");
        return false;
    }
    std::fprintf(stderr, "%s [y/N] ", question);
    std::fflush(stderr);
    char line[64] = {};
    return std::fgets(line, sizeof line, stdin) && (line[0] == 'y' || line[0] == 'Y');
}

int StatusOf(CliProcedureRunner::End end, bool passed) {
    switch (end) {
    case CliProcedureRunner::End::LinkLost:
        PrintError("the monitor stopped answering");
        return EXIT_NO_ANSWER;
    case CliProcedureRunner::End::NoAnswer:
        return EXIT_NO_ANSWER; // the session has said why
    case CliProcedureRunner::End::Interrupted:
        PrintError("interrupted; the pump and heaters were switched off");
        return EXIT_FAILED;
    default:
        return passed ? EXIT_OK : EXIT_FAILED;
    }
}

struct DiagnosticsOptions {
    bool boardTest = false;
    std::string pumpStarted; // "yes", "no" or empty: ask
};

int RunDiagnostics(CliSession& session, const DiagnosticsOptions& options) {
    COrvodeskDoc& doc = session.Doc();
    CliProcedureRunner::Hooks hooks;
    hooks.answer = [&options](const std::string& text, MessageButtons) {
        if (text != Diag::PUMP_QUESTION)
            return MessageAnswer::Yes; // on to the second phase, whatever the first found
        const bool yes =
            options.pumpStarted.empty() ? AskTerminal(Diag::PUMP_QUESTION) : options.pumpStarted == "yes";
        return yes ? MessageAnswer::Yes : MessageAnswer::No;
    };
    CliProcedureRunner runner(session, session.Options().timeScale, hooks);
    Diag diag(doc, doc.Link(), runner, runner.ProcedureClock(), options.boardTest);
    const CliProcedureRunner::End end = runner.Run(diag, [&diag] { return diag.PhaseTwoDecided(); });

    std::printf("%s\n", diag.Name().c_str());
    for (int r = 0; r < Diag::ROW_COUNT; ++r) {
        const auto row = Diag::Row(r);
        std::printf("%s%s%s%s\n", Pad(Diag::RowLabel(row), 23).c_str(),
                    Pad(diag.Shown(Diag::Field(row, Diag::Column::Reading)), 24).c_str(),
                    Pad(diag.Shown(Diag::Field(row, Diag::Column::Range)), 23).c_str(),
                    diag.Shown(Diag::Field(row, Diag::Column::Result)).c_str());
    }
    std::fflush(stdout);
    return StatusOf(end, diag.Result() == ProcedureLogic::Outcome::Passed);
}

struct LeakOptions {
    bool caseCheck = false;
    bool yes = false;
};

int RunLeakCheck(CliSession& session, const LeakOptions& options) {
    COrvodeskDoc& doc = session.Doc();
    sim::SimMonitor* demo = session.DemoMonitor();
    CliProcedureRunner::Hooks hooks;
    hooks.answer = [&options, demo](const std::string& text, MessageButtons) {
        // The built-in monitor has no hands to fit the plug: the prompt does it.
        if (demo && text == Leak::PLUG_PROMPT)
            demo->SetInlet(sim::SimInlet::Plugged);
        if (demo && text == Leak::ATTACH_PROMPT)
            demo->SetInlet(sim::SimInlet::CaseAdapter);
        if (!options.yes && text != Leak::MEMBRANE_WARNING)
            WaitForEnter();
        return MessageAnswer::Ok;
    };
    hooks.shown = [](const std::string& field, const std::string& text) {
        if (field == Leak::PRESSURE || (field == Leak::STATUS && !text.empty())) {
            std::printf("%s\n", text.c_str());
            std::fflush(stdout);
        }
    };
    CliProcedureRunner runner(session, session.Options().timeScale, hooks);
    Leak leak(doc, doc.Link(), runner, runner.ProcedureClock());
    leak.Open();
    const auto running = [&leak] { return !leak.Running(); };

    leak.StartSamplePath();
    CliProcedureRunner::End end = runner.Run(leak, running, false);
    bool passed = leak.Result() == ProcedureLogic::Outcome::Passed;
    if (end == CliProcedureRunner::End::Done && options.caseCheck) {
        if (!doc.LeakCheckDone()) {
            PrintError("no sample-path leak rate to subtract: the case check was not run");
            passed = false;
        } else {
            leak.StartCase();
            end = runner.Run(leak, running, false);
            passed = passed && leak.Result() == ProcedureLogic::Outcome::Passed;
        }
    }
    return StatusOf(runner.Finish(leak, end), passed);
}

} // namespace

void AddDiagnosticsCommand(CLI::App& app, CliCommands& commands) {
    auto options = std::make_shared<DiagnosticsOptions>();
    CLI::App* sub = app.add_subcommand(
        "diagnostics",
        "Run the diagnostics with pump and heaters off, then on; print each row as the form shows it");
    sub->add_flag("--board-test", options->boardTest,
                  "The board test: flow volts 0.1 - 2.4, the pump question");
    sub->add_option("--pump-started", options->pumpStarted,
                    "The board test's answer to \"Did the pump start running?\" (asked when not given)")
        ->check(CLI::IsMember({"yes", "no"}));
    commands.push_back({sub, [options](CliSession& session) { return RunDiagnostics(session, *options); }});
}

void AddLeakCheckCommand(CLI::App& app, CliCommands& commands) {
    auto options = std::make_shared<LeakOptions>();
    CLI::App* sub = app.add_subcommand(
        "leak-check",
        "Check the sample path for leaks (and with --case the case); print the line pressure each second");
    sub->add_flag("--case", options->caseCheck, "Then the case check, over the same connection");
    sub->add_flag("--yes", options->yes, "Do not wait for Enter after each instruction");
    commands.push_back({sub, [options](CliSession& session) { return RunLeakCheck(session, *options); }});
}

} // namespace orvo
