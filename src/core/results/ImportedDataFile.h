#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "results/ExportSource.h"

namespace orvo {

class PrcTable;
class TimeZoneSource;
struct DisplayTable;

enum class ImportStatus {
    Ok,
    CannotOpen,        // "There was an error opening the file!"
    UnsupportedFormat, // "Unsupported file format!"
    NotValid,          // "The file is not valid!"
};

// The user's message for a failed read ("" for Ok).
const char* ImportMessage(ImportStatus status);

// A sample saved as a data file and opened for viewing without a monitor: a version line "1",
// the serial number, the directory entry, N and N record lines, the tonnage, the notes, and an
// additive checksum over lines 2 to 7 + N.
class ImportedDataFile {
public:
    std::string serialNumber;
    std::string entry;
    std::vector<std::string> records; // header record, data records, footer record
    std::string averageTons;
    std::string tonsThisShift;
    std::string notes;

    // Reads a file's bytes; lines end in CR LF or LF. Nothing is kept unless the file is valid.
    static ImportStatus Parse(std::string_view bytes, ImportedDataFile& out);
    // Opens and reads a file; `reason` gets the system's reason when it cannot be opened.
    static ImportStatus Load(const std::string& path, ImportedDataFile& out, std::string* reason = nullptr);

    // The checksum S: every character of the lines taken as a signed byte, summed in 32 bits.
    static uint32_t LineSum(std::string_view line);
    // What the checksum line holds for a sum: its four bytes reversed.
    static uint32_t StoredChecksum(uint32_t sum);

    // The file's bytes with CR LF line ends; nothing when a text would break its line.
    std::optional<std::string> ToBytes() const;
    bool Save(const std::string& path, std::string* reason = nullptr) const;

    // The view data, built exactly as the results build a download, at the automatic interval,
    // keeping at most `maxRows` rows (every row is still counted).
    DisplayTable View(const PrcTable& registers, const TimeZoneSource& zone, size_t maxRows = SIZE_MAX) const;
    // The exports' sources: the file's records, serial number and tonnage, its entry's certified
    // person; `table` is the view of this file's records.
    ExportSource ForExport(const DisplayTable& table, const PrcTable& registers,
                           const TimeZoneSource& zone) const;
};

} // namespace orvo
