#include <cstdio>
#include <memory>
#include <string>

#include "CliCard.h"
#include "CliExports.h"
#include "CliMessages.h"
#include "CliSession.h"
#include "Commands.h"
#include "download/DisplayTable.h"
#include "model/PrcTable.h"
#include "results/CardContent.h"
#include "results/ImportedDataFile.h"

namespace orvo {

namespace {

struct CardArgs {
    std::string path;
    std::string pdf;
    std::string paper = "letter";
};

// The Data Import window's card: the file's serial number, tonnage and notes.
int RunCard(const CardArgs& args, const TimeZoneSource& zone) {
    ImportedDataFile file;
    if (!LoadImportedFile(args.path, file))
        return EXIT_FAILED;
    const PrcTable registers;
    const DisplayTable table = file.View(registers, zone);
    const ExportSource source = file.ForExport(table, registers, zone);
    const CardContent card =
        BuildCardContent(source.entry, table, source.serialNumber, source.shift, true, zone);
    return WriteCardPdf(card, args.paper, args.pdf, zone);
}

} // namespace

void AddCardCommand(CLI::App& app, CliCommands& commands) {
    auto args = std::make_shared<CardArgs>();
    CLI::App* sub =
        app.add_subcommand("card", "Draw an imported data file's (.MSHA) Dust Data Card as a PDF");
    sub->add_option("FILE", args->path, "The data file")->required();
    sub->add_option("--pdf", args->pdf, "The PDF file to write ('-': standard output)")->required();
    AddPaperOption(*sub, args->paper);
    commands.push_back({sub, [args](CliSession& session) { return RunCard(*args, session.Doc().Zone()); },
                        false, [args] { return args->pdf; }});
}

} // namespace orvo
