#include "CliExports.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "CliMessages.h"
#include "download/DisplayTable.h"
#include "results/CsvExport.h"
#include "results/ExportFile.h"
#include "results/ExportSource.h"
#include "results/MshaFile.h"

namespace orvo {

namespace {

bool Save(const char* what, const std::string& path, std::string_view bytes) {
    std::string reason;
    if (!SaveExportFile(path, {bytes}, &reason)) {
        PrintError(kOutputFileError);
        std::fprintf(stderr, "%s\n", reason.c_str());
        return false;
    }
    std::printf("%s: %s\n", what, path.c_str());
    return true;
}

} // namespace

std::string ResolveExportPath(const std::string& target, const std::string& proposedName,
                              const char* extension) {
    std::error_code error;
    if (!std::filesystem::is_directory(target, error))
        return target;
    return (std::filesystem::path(target) / (proposedName + "." + extension)).string();
}

int WriteExports(const ExportSource& source, const ExportTargets& targets) {
    int status = EXIT_OK;
    bool csvWritten = true;
    if (!targets.csv.empty()) {
        const std::string path =
            ResolveExportPath(targets.csv, CsvExport::SampleDataName(source), CsvExport::kExtension);
        csvWritten = Save("csv", path, CsvExport::SampleData(source));
        if (!csvWritten)
            status = EXIT_FAILED;
    }
    if (!targets.msha.empty()) {
        if (!csvWritten) {
            std::fprintf(stderr, "The MSHA file was not written: the CSV file failed first.\n");
        } else {
            const std::string path =
                ResolveExportPath(targets.msha, MshaFile::ProposedName(source), MshaFile::kExtension);
            std::string reason;
            if (MshaFile::Build(source).Save(path, &reason)) {
                std::printf("msha: %s\n", path.c_str());
            } else {
                PrintError(kOutputFileError);
                std::fprintf(stderr, "%s\n", reason.c_str());
                status = EXIT_FAILED;
            }
        }
    }
    if (!targets.statusCsv.empty()) {
        // Without a status event there is no status list, so nothing to save.
        if (!source.table || source.table->events.empty()) {
            std::fprintf(stderr, "No status events: no status list file was written.\n");
        } else {
            const std::string path = ResolveExportPath(targets.statusCsv, CsvExport::StatusListName(source),
                                                       CsvExport::kExtension);
            if (!Save("status csv", path, CsvExport::StatusList(source)))
                status = EXIT_FAILED;
        }
    }
    return status;
}

void PrintTableSummary(const ExportSource& source) {
    const DisplayTable& table = *source.table;
    std::printf("entry: %s\n", source.entry.c_str());
    std::printf("interval: %lld\n", static_cast<long long>(table.interval));
    std::printf("columns: %zu\n", table.columns.size());
    std::printf("rows: %zu\n", table.rows.size());
    std::printf("status events: %zu\n", table.events.size());
    std::printf("status changes: %zu\n", table.changes.size());
    std::printf("final concentration: %s\n", table.finalConcentration.c_str());
}

} // namespace orvo
