#pragma once

#include <string>
#include <string_view>

#include "results/ExportFile.h"
#include "results/ExportSource.h"

namespace orvo {

// The checksummed file for the mine safety authority, CR LF line ends. Its pieces are made twice
// from the source, never held whole: once for the checksum, once for the file, where ",checksum"
// goes after piece 0 and "," with the digits after piece 1. The source is borrowed.
class MshaFile {
public:
    explicit MshaFile(const ExportSource& source) : m_source(source) {}
    static MshaFile Build(const ExportSource& source) { return MshaFile(source); }

    // SHA-256 over the key text and the pieces: 64 upper-case hexadecimal digits.
    std::string Checksum() const;
    // The file as written: piece 0, ",checksum", piece 1, ",", the digits, the other pieces; false
    // when the sink failed or fewer rows came out than the table counted.
    bool Write(const ExportSink& sink) const;
    // The same, whole.
    std::string Bytes() const;
    // Writes through a temporary file beside the target; false (with the system's reason) leaves
    // any existing file as it was.
    bool Save(const std::string& path, std::string* reason = nullptr) const;

    // "%s-%s-%s-A" from the header record's hour, the serial number and the mine ID.
    static std::string ProposedName(const ExportSource& source);
    static constexpr const char* kExtension = "MSHA";
    static constexpr const char* kColumnNames =
        "StartTime,EndTime,WearerId,30ShiftAveTonnage,MineIdNumber,TotalTonnage,ContractorCode,MineName,"
        "CompanyName,SampleType,MmuDa/Sa,OccCode,Part90Miner,CertificationOfficer,MultiUnitShift1,"
        "MultiUnitShift2,OrvodeskVersion,NOTES";

private:
    const ExportSource& m_source;
};

// The checksum of a file's pieces, as a reader holding the key computes it.
std::string MshaChecksum(std::string_view piece0, std::string_view piece1, std::string_view rest);

} // namespace orvo
