#pragma once

#include <cstdio>
#include <string>

namespace orvo {

struct ExportSource;
class ImportedDataFile;

// The files `download` and `open` write. A target "-" is standard output.
struct ExportTargets {
    std::string csv;       // sample data file
    std::string msha;      // MSHA file (downloads only)
    std::string statusCsv; // status list file

    // How many exports go to standard output ("-"); more than one cannot.
    int ToStandardOutput() const;
    // Where the summary and the paths written go: standard error while an export takes standard
    // output, so the export stays whole.
    std::FILE* InfoStream() const;
};

// A target that names an existing folder gets the proposed name and extension inside it.
std::string ResolveExportPath(const std::string& target, const std::string& proposedName,
                              const char* extension);

// Writes what was asked for: the sample data file, then (only when that worked, as "Save data"
// does) the MSHA file, and the status list when the sample has status events. Prints each path
// written; EXIT_OK or EXIT_FAILED.
int WriteExports(const ExportSource& source, const ExportTargets& targets);

// The summary lines `download` and `open` print about a display table, with the results form's
// notice when the screen could not chart every row.
void PrintTableSummary(const ExportSource& source, std::FILE* out);

// Reads a saved data file for `open` and `card`; a file that cannot be read is reported on standard
// error with the Data Import window's message (and the system's reason when it did not open).
bool LoadImportedFile(const std::string& path, ImportedDataFile& file);

} // namespace orvo
