#include "CliExports.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "CliMessages.h"
#include "download/DisplayTable.h"
#include "results/CsvExport.h"
#include "results/ExportFile.h"
#include "results/ExportSource.h"
#include "results/ImportedDataFile.h"
#include "results/MshaFile.h"

namespace orvo {

namespace {

constexpr const char* kStandardOutput = "-";

// One export to its target: standard output, or a file written atomically (into a folder under
// its proposed name).
bool Save(const char* what, const std::string& target, const std::string& proposedName, const char* extension,
          const ExportWriter& write, std::FILE* info) {
    std::string reason;
    std::string path = kStandardOutput;
    bool ok = false;
    if (target == kStandardOutput) {
        ok = WriteExportStream(stdout, write, &reason);
    } else {
        path = ResolveExportPath(target, proposedName, extension);
        ok = SaveExportFile(path, write, &reason);
    }
    if (!ok) {
        PrintError(kOutputFileError);
        std::fprintf(stderr, "%s\n", reason.c_str());
        return false;
    }
    std::fprintf(info, "%s: %s\n", what, path.c_str());
    return true;
}

} // namespace

int ExportTargets::ToStandardOutput() const {
    return int(csv == kStandardOutput) + int(msha == kStandardOutput) + int(statusCsv == kStandardOutput);
}

std::FILE* ExportTargets::InfoStream() const {
    return ToStandardOutput() > 0 ? stderr : stdout;
}

std::string ResolveExportPath(const std::string& target, const std::string& proposedName,
                              const char* extension) {
    std::error_code error;
    if (!std::filesystem::is_directory(target, error))
        return target;
    return (std::filesystem::path(target) / (proposedName + "." + extension)).string();
}

int WriteExports(const ExportSource& source, const ExportTargets& targets) {
    std::FILE* info = targets.InfoStream();
    int status = EXIT_OK;
    bool csvWritten = true;
    if (!targets.csv.empty()) {
        csvWritten = Save(
            "csv", targets.csv, CsvExport::SampleDataName(source), CsvExport::kExtension,
            [&source](const ExportSink& sink) { return CsvExport::WriteSampleData(source, sink); }, info);
        if (!csvWritten)
            status = EXIT_FAILED;
    }
    if (!targets.msha.empty()) {
        if (!csvWritten) {
            std::fprintf(stderr, "The MSHA file was not written: the CSV file failed first.\n");
        } else {
            const MshaFile file(source);
            if (!Save(
                    "msha", targets.msha, MshaFile::ProposedName(source), MshaFile::kExtension,
                    [&file](const ExportSink& sink) { return file.Write(sink); }, info))
                status = EXIT_FAILED;
        }
    }
    if (!targets.statusCsv.empty()) {
        // Without a status event there is no status list, so nothing to save.
        if (!source.table || source.table->events.empty()) {
            std::fprintf(stderr, "No status events: no status list file was written.\n");
        } else if (!Save(
                       "status csv", targets.statusCsv, CsvExport::StatusListName(source),
                       CsvExport::kExtension,
                       [&source](const ExportSink& sink) { return CsvExport::WriteStatusList(source, sink); },
                       info)) {
            status = EXIT_FAILED;
        }
    }
    return status;
}

void PrintTableSummary(const ExportSource& source, std::FILE* out) {
    const DisplayTable& table = *source.table;
    std::fprintf(out, "entry: %s\n", source.entry.c_str());
    std::fprintf(out, "interval: %lld\n", static_cast<long long>(table.interval));
    std::fprintf(out, "columns: %zu\n", table.columns.size());
    std::fprintf(out, "rows: %zu\n", table.rowCount);
    if (*table.DisplayLimitText())
        std::fprintf(out, "display: %s\n", table.DisplayLimitText());
    std::fprintf(out, "status events: %zu\n", table.events.size());
    std::fprintf(out, "status changes: %zu\n", table.changes.size());
    std::fprintf(out, "final concentration: %s\n", table.finalConcentration.c_str());
}

bool LoadImportedFile(const std::string& path, ImportedDataFile& file) {
    std::string reason;
    const ImportStatus status = ImportedDataFile::Load(path, file, &reason);
    if (status == ImportStatus::Ok)
        return true;
    PrintError(ImportMessage(status));
    if (status == ImportStatus::CannotOpen)
        std::fprintf(stderr, "%s\n", reason.c_str());
    return false;
}

} // namespace orvo
