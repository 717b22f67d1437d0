#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "CliExports.h"
#include "CliSession.h"
#include "Commands.h"
#include "download/DisplayTable.h"
#include "model/PrcTable.h"
#include "platform/ReadFile.h"
#include "results/ImportedDataFile.h"
#include "results/MshaVerify.h"

namespace orvo {

namespace {

struct OpenArgs {
    std::string path;
    ExportTargets targets;
};

int RunOpen(const OpenArgs& args, const TimeZoneSource& zone) {
    ImportedDataFile file;
    if (!LoadImportedFile(args.path, file))
        return EXIT_FAILED;
    const PrcTable registers; // short names only; an imported file brings no monitor
    // No rows are shown here, and the exports make every row again from the records.
    const DisplayTable table = file.View(registers, zone, 0);
    const ExportSource source = file.ForExport(table, registers, zone);
    std::FILE* info = args.targets.InfoStream();
    std::fprintf(info, "serial number: %s\n", file.serialNumber.c_str());
    std::fprintf(info, "records: %zu\n", file.records.size());
    std::fprintf(info, "average tons: %s\n", file.averageTons.c_str());
    std::fprintf(info, "tons this shift: %s\n", file.tonsThisShift.c_str());
    std::fprintf(info, "notes: %s\n", file.notes.c_str());
    PrintTableSummary(source, info);
    return WriteExports(source, args.targets);
}

int RunVerifyMsha(const std::string& path) {
    std::string bytes;
    std::string reason;
    if (!ReadWholeFile(path, bytes, &reason)) {
        PrintError("There was an error opening the file!");
        std::fprintf(stderr, "%s: %s\n", path.c_str(), reason.c_str());
        return EXIT_FAILED;
    }
    const MshaVerdict verdict = VerifyMshaFile(bytes);
    std::printf("%s\n", MshaVerdictText(verdict));
    return verdict == MshaVerdict::Unaltered ? EXIT_OK : EXIT_FAILED;
}

} // namespace

void AddOpenCommand(CLI::App& app, CliCommands& commands) {
    auto args = std::make_shared<OpenArgs>();
    CLI::App* sub =
        app.add_subcommand("open", "Check an imported data file (.MSHA), summarise it and export it");
    sub->add_option("FILE", args->path, "The data file")->required();
    sub->add_option("--csv", args->targets.csv,
                    "Sample data CSV file (a folder: the proposed name; -: standard output)");
    sub->add_option("--status-csv", args->targets.statusCsv,
                    "Status list CSV file (a folder: the proposed name; -: standard output)");
    commands.push_back({sub, [args](CliSession& session) { return RunOpen(*args, session.Doc().Zone()); },
                        false, nullptr, [args] { return args->targets.ToStandardOutput(); }});
}

void AddVerifyMshaCommand(CLI::App& app, CliCommands& commands) {
    auto path = std::make_shared<std::string>();
    CLI::App* sub = app.add_subcommand(
        "verify-msha",
        "Recompute a written MSHA file's checksum: prints unaltered (exit 0) or altered (exit 1)");
    sub->add_option("FILE", *path, "The MSHA file")->required();
    commands.push_back({sub, [path](CliSession&) { return RunVerifyMsha(*path); }, false});
}

} // namespace orvo
