#pragma once

// The small sample the export tests share, and the hand-written files it must turn into.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// A download as the results form holds it.
struct SampleDownload {
    PrcTable registers;
    DisplayTable table;
    ExportSource source;

    explicit SampleDownload(bool newFirmware) {
        table = DisplayTable::Build(SampleRecords(newFirmware ? "7.000000" : "6.500000"), registers,
                                    NewYork(), 60);
        source.table = &table;
        source.registers = &registers;
        source.zone = &NewYork();
        source.newFirmware = newFirmware;
        if (newFirmware) {
            source.entry = kNewEntry;
            source.serialNumber = "ORV1234567";
            source.shift.averageTons = "0";
            source.shift.tonsThisShift = "980";
            source.shift.notes = "Belt, \"B-2\" down";
            source.shift.certifiedMiin = "M00000042";
            source.shift.multiUnit = true;
            source.shift.firstUnitSerial = "ABC12345678";
            source.shift.secondUnitSerial = "XYZ87654321";
        } else {
            source.entry = kOldEntry;
            source.serialNumber = "1234567";
            source.shift.averageTons = "1200";
            source.shift.tonsThisShift = "1150";
            source.shift.notes = "Roof fall, \"east\" panel";
            source.shift.certifiedMiin = "M12345678";
        }
        source.shift.entered = true;
    }
    SampleDownload(const SampleDownload&) = delete;
};

inline std::filesystem::path GoldenPath(const std::string& name) {
    return std::filesystem::path(ORVO_GOLDEN_DIR) / name;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string Golden(const std::string& name) {
    return ReadBytes(GoldenPath(name));
}

// A fresh folder under /tmp, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/orvo-export-XXXXXX";
        if (mkdtemp(pattern))
            m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& Path() const { return m_path; }
    // Names of everything in the folder.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path m_path;
};

} // namespace orvo::test
