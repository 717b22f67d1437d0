#pragma once

#include <string>

#include "results/ExportSource.h"

namespace orvo {

// The two comma-separated files of a sample, LF line ends: the sample data file ("Save data",
// "Save .csv") and the status list file ("Save As..." of the status list).
class CsvExport {
public:
    static std::string SampleData(const ExportSource& source);
    static std::string StatusList(const ExportSource& source);

    // Proposed names, without extension: "…-A" (an imported file always), "…-svc-A" for a newer
    // monitor's service log, and "…-STATUS-A".
    static std::string SampleDataName(const ExportSource& source);
    static std::string StatusListName(const ExportSource& source);

    static constexpr const char* kExtension = "CSV";
};

} // namespace orvo
