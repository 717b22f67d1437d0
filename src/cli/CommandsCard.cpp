#include <cstdio>
#include <memory>
#include <string>

#include "CliCard.h"
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
int RunCard(const CardArgs& args) {
    ImportedDataFile file;
    std::string reason;
    const ImportStatus status = ImportedDataFile::Load(args.path, file, &reason);
    if (status != ImportStatus::Ok) {
        PrintError(ImportMessage(status));
        if (status == ImportStatus::CannotOpen)
            std::fprintf(stderr, "%s\n", reason.c_str());
        return EXIT_FAILED;
    }
    const PrcTable registers;
    const DisplayTable table = file.View(registers);
    const ExportSource source = file.ForExport(table, registers);
    const CardContent card = BuildCardContent(source.entry, table, source.serialNumber, source.shift, true);
    return WriteCardPdf(card, args.paper, args.pdf);
}

} // namespace

void AddCardCommand(CLI::App& app, CliCommands& commands) {
    auto args = std::make_shared<CardArgs>();
    CLI::App* sub =
        app.add_subcommand("card", "Draw an imported data file's (.MSHA) Dust Data Card as a PDF");
    sub->add_option("FILE", args->path, "The data file")->required();
    sub->add_option("--pdf", args->pdf, "The PDF file to write ('-': standard output)")->required();
    AddPaperOption(*sub, args->paper);
    commands.push_back(
        {sub, [args](CliSession&) { return RunCard(*args); }, false, [args] { return args->pdf; }});
}

} // namespace orvo
