#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "results/ShiftInformation.h"

namespace orvo {

class COrvodeskDoc;
class PrcTable;
class TimeZoneSource;
struct DisplayTable;

// The version text the MSHA file's OrvodeskVersion column carries.
inline constexpr const char* kOrvodeskVersion = "7.52";

// Everything the CSV and MSHA files are made of. The records, the table and the register table
// are borrowed: a month of service log is large, and the exports only read it.
struct ExportSource {
    std::string entry; // the directory entry text of the sample
    ShiftInformation shift;
    // The record list the table was built from: the exports make every row again from it.
    const std::vector<std::string>* records = nullptr;
    const DisplayTable* table = nullptr;  // header, footer, columns, interval, events, changes
    const PrcTable* registers = nullptr;  // short names
    const TimeZoneSource* zone = nullptr; // local times are written on its wall clock; required
    // The serial number as the document holds it: the reported text on newer firmware, register 1
    // as 7 digits otherwise; an imported file's own serial-number line.
    std::string serialNumber;
    bool newFirmware = false;
    bool serviceLog = false;   // the data is the monitor's service log
    bool importedFile = false; // opened from a data file, not downloaded
    std::string version = kOrvodeskVersion;

    // Taken from a connected monitor's document; `table` was built from `records`.
    static ExportSource FromDocument(const COrvodeskDoc& doc, const std::vector<std::string>& records,
                                     const DisplayTable& table, const ShiftInformation& shift);

    // The borrowed records, or an empty list.
    const std::vector<std::string>& Records() const;
    // Register 1 values and the times' GMT forms follow the serial-number text, which the results
    // hold for newer firmware and an imported file always holds.
    bool HoldsSerialText() const { return newFirmware || importedFile; }
    // A value as the files write it: the serial-number text stands in for register 1.
    std::string_view Value(int registerNumber, std::string_view value) const;
    std::string ShortName(int registerNumber) const;

    // "%s-%s-%s<suffix>": the header record's local hour "%Y%m%d-%H", the serial number, the mine ID,
    // made a safe file name (the serial number and the mine ID come from a monitor or a file).
    std::string ProposedName(const char* suffix) const;
};

} // namespace orvo
