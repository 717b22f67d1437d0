#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "results/ExportSource.h"

namespace orvo {

// The checksummed file for the mine safety authority, CR LF line ends. Its pieces are kept as
// one text (they are only ever read in order) with the ends of pieces 0 and 1 marked, where
// ",checksum" and the digits go when the file is written.
class MshaFile {
public:
    static MshaFile Build(const ExportSource& source);

    // SHA-256 over the key text and the pieces: 64 upper-case hexadecimal digits.
    std::string Checksum() const;
    // The file as written: piece 0, ",checksum", piece 1, ",", the digits, the other pieces.
    std::string Bytes() const;
    // Writes through a temporary file beside the target; false (with the system's reason) leaves
    // any existing file as it was.
    bool Save(const std::string& path, std::string* reason = nullptr) const;

    const std::string& Pieces() const { return m_pieces; }

    // "%s-%s-%s-A" from the header record's hour, the serial number and the mine ID.
    static std::string ProposedName(const ExportSource& source);
    static constexpr const char* kExtension = "MSHA";
    static constexpr const char* kColumnNames =
        "StartTime,EndTime,WearerId,30ShiftAveTonnage,MineIdNumber,TotalTonnage,ContractorCode,MineName,"
        "CompanyName,SampleType,MmuDa/Sa,OccCode,Part90Miner,CertificationOfficer,MultiUnitShift1,"
        "MultiUnitShift2,OrvodeskVersion,NOTES";

private:
    std::string m_pieces;
    size_t m_piece0End = 0;
    size_t m_piece1End = 0;
};

// The checksum of a file's pieces, as a reader holding the key computes it.
std::string MshaChecksum(std::string_view piece0, std::string_view piece1, std::string_view rest);

} // namespace orvo
