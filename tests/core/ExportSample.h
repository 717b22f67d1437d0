#pragma once

// The small sample the export tests share, and the hand-written files it must turn into.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ServiceTestSupport.h"
#include "TestZones.h"
#include "download/DisplayTable.h"
#include "model/PrcTable.h"
#include "results/ExportSource.h"

namespace orvo::test {

// Local times below are New York's: 1709643600 is 08:00:00 03/05/2024 EST, 13:00:00 GMT.
// Header, five data records a minute apart (status 0, 0x0003, 0x0002, 0, 0x0040), footer.
inline std::vector<std::string> SampleRecords(const std::string& firmware) {
    return {
        "1709643600,4,0," + firmware + ",1,1234567,4,0,14,300",
        "1709643600,3,1,1234567,4,0,111,0.000000",
        "1709643660,3,1,1234567,4,3,111,0.012000",
        "1709643720,3,1,1234567,4,2,111,0.025000",
        "1709643780,3,1,1234567,4,0,111,0.031000",
        "1709643840,3,1,1234567,4,64,111,0.040000",
        "1709643900,4,0," + firmware + ",1,1234567,4,128,14,300",
    };
}

// Directory entries as the two firmware classes give them.
inline const char* kOldEntry =
    "1709643600,1709643900,2,30,W1234567,4601234,K7P,Deep Hollow No. 3,Ridge Coal Company,2,0010,036,0,0";
inline const char* kNewEntry = "1709643600,1709643900,2,30,W1234567,4601234,K7P,Deep Hollow No. 3,"
                               "Ridge Coal Company,9,0010,7,M87654321,";

// A download as the results form holds it; Use() builds it again from other records.
struct SampleDownload {
    PrcTable registers;
    std::vector<std::string> records;
    DisplayTable table;
    ExportSource source;

    explicit SampleDownload(bool newFirmware) {
        Use(SampleRecords(newFirmware ? "7.000000" : "6.500000"), 60);
        source.newFirmware = newFirmware;
        source.entry = newFirmware ? kNewEntry : kOldEntry;
        source.serialNumber = newFirmware ? "ORV1234567" : "1234567";
        ShiftInformation& shift = source.shift;
        shift.averageTons = newFirmware ? "0" : "1200";
        shift.tonsThisShift = newFirmware ? "980" : "1150";
        shift.notes = newFirmware ? "Belt, \"B-2\" down" : "Roof fall, \"east\" panel";
        shift.certifiedMiin = newFirmware ? "M00000042" : "M12345678";
        shift.multiUnit = newFirmware;
        shift.firstUnitSerial = newFirmware ? "ABC12345678" : "";
        shift.secondUnitSerial = newFirmware ? "XYZ87654321" : "";
        shift.entered = true;
    }
    SampleDownload(const SampleDownload&) = delete;

    void Use(std::vector<std::string> list, int64_t interval, size_t maxRows = SIZE_MAX) {
        records = std::move(list);
        table = DisplayTable::Build(records, registers, NewYork(), interval, maxRows);
        source.records = &records;
        source.table = &table;
        source.registers = &registers;
        source.zone = &NewYork();
    }
};

// A hand-written file's bytes.
inline std::string Golden(const std::string& name) {
    std::ifstream in(std::filesystem::path(ORVO_GOLDEN_DIR) / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace orvo::test
