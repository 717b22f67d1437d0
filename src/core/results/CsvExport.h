#pragma once

#include <string>

#include "results/ExportFile.h"
#include "results/ExportSource.h"

namespace orvo {

// The two comma-separated files of a sample, LF line ends: the sample data file ("Save data",
// "Save .csv") and the status list file ("Save As..." of the status list).
class CsvExport {
public:
    // Each file piece by piece into `sink`, every row made again from the records; false when the
    // sink failed or fewer rows came out than the table counted.
    static bool WriteSampleData(const ExportSource& source, const ExportSink& sink);
    static bool WriteStatusList(const ExportSource& source, const ExportSink& sink);
    // The same, whole.
    static std::string SampleData(const ExportSource& source);
    static std::string StatusList(const ExportSource& source);

    // Proposed names, without extension: "…-A" (an imported file always), "…-svc-A" for a newer
    // monitor's service log, and "…-STATUS-A".
    static std::string SampleDataName(const ExportSource& source);
    static std::string StatusListName(const ExportSource& source);

    static constexpr const char* kExtension = "CSV";
};

} // namespace orvo
