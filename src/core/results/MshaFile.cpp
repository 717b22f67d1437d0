#include "results/MshaFile.h"

#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/sha.h>

#include "download/DisplayTable.h"
#include "download/RecordText.h"
#include "results/ExportFile.h"
#include "results/ExportText.h"
#include "results/RecordPairs.h"

namespace orvo {

namespace {

constexpr std::string_view kKey = "card_tag4\r\n";

const DisplayTable& TableOf(const ExportSource& source) {
    static const DisplayTable empty;
    return source.table ? *source.table : empty;
}

void AppendValueLineTime(std::string& out, const ExportSource& source, uint32_t utcSeconds) {
    AppendLocalTime(out, utcSeconds, *source.zone);
    if (source.HoldsSerialText()) {
        out += ' ';
        AppendGmtTime(out, utcSeconds);
    }
}

// Piece 1: the values under the column names, starting with its own line break.
void AppendValueLine(std::string& out, const ExportSource& source) {
    const std::string_view entry = source.entry;
    const ShiftInformation& shift = source.shift;
    out += "\r\n";
    AppendValueLineTime(out, source, RecordUnsigned(entry, 0));
    out += ',';
    AppendValueLineTime(out, source, RecordUnsigned(entry, 1));
    const std::string occupation = OccupationText(entry);
    const std::string_view fields[] = {
        RecordField(entry, 4),
        shift.averageTons,
        RecordField(entry, 5),
        shift.tonsThisShift,
        RecordField(entry, 6),
        RecordField(entry, 7),
        RecordField(entry, 8),
        SampleTypeText(entry),
        RecordField(entry, 10),
        occupation,
        RecordField(entry, 12),
        source.importedFile ? RecordField(entry, 13) : std::string_view(shift.certifiedMiin),
        shift.multiUnit ? std::string_view(shift.firstUnitSerial) : std::string_view(),
        shift.multiUnit ? std::string_view(shift.secondUnitSerial) : std::string_view(),
        source.version,
    };
    for (std::string_view field : fields) {
        out += ',';
        out += field;
    }
    // Unescaped: commas and quotes inside the notes are written as they are.
    out += ",\"";
    out += shift.notes;
    out += '"';
}

// One piece per pair, each value followed by "," and the last by `last`.
void AppendRecordPieces(std::string& out, const ExportSource& source, std::string_view record,
                        const char* last) {
    AppendLocalTime(out, RecordUnsigned(record, 0), *source.zone);
    out += ',';
    const std::vector<RecordPair> pairs = RecordPairs(record);
    for (size_t i = 0; i < pairs.size(); ++i) {
        out += source.Value(pairs[i].number, pairs[i].value);
        out += i + 1 < pairs.size() ? "," : last;
    }
}

} // namespace

MshaFile MshaFile::Build(const ExportSource& source) {
    const DisplayTable& table = TableOf(source);
    MshaFile file;
    std::string& out = file.m_pieces;
    out.reserve(2048 + table.rows.size() * (24 + table.columns.size() * 10) + table.changes.size() * 48);

    out += kColumnNames;
    file.m_piece0End = out.size();
    AppendValueLine(out, source);
    file.m_piece1End = out.size();

    out += "\r\n#\r\nTime,";
    const std::vector<RecordPair> headerPairs = RecordPairs(table.header);
    for (size_t i = 0; i < headerPairs.size(); ++i) {
        out += source.ShortName(headerPairs[i].number);
        out += i + 1 < headerPairs.size() ? "," : "\r\n";
    }
    AppendRecordPieces(out, source, table.header, "\r\n");
    AppendRecordPieces(out, source, table.footer, "\r\n#\r\n");

    out += "Time,";
    for (size_t c = 0; c < table.columns.size(); ++c) {
        out += source.ShortName(table.columns[c]);
        out += c + 1 < table.columns.size() ? "," : "\r\n";
    }
    for (const DisplayRow& row : table.rows) {
        AppendLocalTime(out, row.time, *source.zone);
        out += ',';
        for (size_t c = 0; c < row.values.size(); ++c) {
            const int number = c < table.columns.size() ? table.columns[c] : -1;
            out += source.Value(number, row.values[c]);
            out += c + 1 < row.values.size() ? "," : "\r\n";
        }
    }

    out += "#\r\nTime,StatusCode\r\n";
    for (const StatusEntry& change : table.changes) {
        AppendLocalTime(out, change.time, *source.zone);
        out += ',';
        out += change.text;
        out += "\r\n";
    }
    out += "#\r\n";
    return file;
}

std::string MshaFile::Checksum() const {
    const std::string_view pieces = m_pieces;
    return MshaChecksum(pieces.substr(0, m_piece0End), pieces.substr(m_piece0End, m_piece1End - m_piece0End),
                        pieces.substr(m_piece1End));
}

std::string MshaFile::Bytes() const {
    const std::string checksum = Checksum();
    std::string bytes;
    bytes.reserve(m_pieces.size() + 16 + checksum.size());
    bytes.append(m_pieces, 0, m_piece0End);
    bytes += ",checksum";
    bytes.append(m_pieces, m_piece0End, m_piece1End - m_piece0End);
    bytes += ',';
    bytes += checksum;
    bytes.append(m_pieces, m_piece1End);
    return bytes;
}

bool MshaFile::Save(const std::string& path, std::string* reason) const {
    const std::string checksum = Checksum();
    const std::string_view pieces = m_pieces;
    return SaveExportFile(path,
                          {pieces.substr(0, m_piece0End), ",checksum",
                           pieces.substr(m_piece0End, m_piece1End - m_piece0End), ",", checksum,
                           pieces.substr(m_piece1End)},
                          reason);
}

std::string MshaFile::ProposedName(const ExportSource& source) {
    return source.ProposedName("-A");
}

std::string MshaChecksum(std::string_view piece0, std::string_view piece1, std::string_view rest) {
    CryptoPP::SHA256 hash;
    for (std::string_view part : {kKey, piece0, piece1, rest})
        hash.Update(reinterpret_cast<const CryptoPP::byte*>(part.data()), part.size());
    CryptoPP::byte digest[CryptoPP::SHA256::DIGESTSIZE];
    hash.Final(digest);
    std::string hex;
    CryptoPP::HexEncoder encoder(new CryptoPP::StringSink(hex), true);
    encoder.Put(digest, sizeof digest);
    encoder.MessageEnd();
    return hex;
}

} // namespace orvo
