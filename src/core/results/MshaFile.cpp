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

// The pieces of a record: its time, then one piece per pair, each value followed by "," and the
// last by `last` (which also ends a record without pairs, so the lines stay whole).
void AppendRecordPieces(std::string& out, const ExportSource& source, std::string_view record,
                        const char* last) {
    AppendLocalTime(out, RecordUnsigned(record, 0), *source.zone);
    out += ',';
    const std::vector<RecordPair> pairs = RecordPairs(record);
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (i > 0)
            out += ',';
        out += source.Value(pairs[i].number, pairs[i].value);
    }
    out += last;
}

// Pieces 2 to the last: everything after the value line.
bool WriteBody(const ExportSource& source, const ExportSink& sink) {
    const DisplayTable& table = TableOf(source);
    ExportBuffer buffer(sink);
    std::string& out = buffer.Text();

    out += "\r\n#\r\nTime,";
    const std::vector<RecordPair> headerPairs = RecordPairs(table.header);
    for (size_t i = 0; i < headerPairs.size(); ++i) {
        if (i > 0)
            out += ',';
        out += source.ShortName(headerPairs[i].number);
    }
    out += "\r\n";
    AppendRecordPieces(out, source, table.header, "\r\n");
    AppendRecordPieces(out, source, table.footer, "\r\n#\r\n");

    out += "Time,";
    for (size_t c = 0; c < table.columns.size(); ++c) {
        if (c > 0)
            out += ',';
        out += source.ShortName(table.columns[c]);
    }
    out += "\r\n";
    // Every row, made again from the records: memory stays one row however long the sample.
    DisplayRowCursor rows(source.Records(), table, *source.zone);
    size_t written = 0;
    for (const DisplayRow* row = rows.Next(); row; row = rows.Next(), ++written) {
        AppendLocalTime(out, row->time, *source.zone);
        out += ',';
        for (size_t c = 0; c < row->values.size(); ++c) {
            if (c > 0)
                out += ',';
            out += source.Value(table.columns[c], row->values[c]);
        }
        out += "\r\n";
        if (!buffer.Spill())
            return false;
    }

    out += "#\r\nTime,StatusCode\r\n";
    for (const StatusEntry& change : table.changes) {
        AppendLocalTime(out, change.time, *source.zone);
        out += ',';
        out += change.text;
        out += "\r\n";
        if (!buffer.Spill())
            return false;
    }
    out += "#\r\n";
    return buffer.Flush() && written == table.rowCount;
}

class MshaHash {
public:
    void Update(std::string_view bytes) {
        m_hash.Update(reinterpret_cast<const CryptoPP::byte*>(bytes.data()), bytes.size());
    }
    std::string Hex() {
        CryptoPP::byte digest[CryptoPP::SHA256::DIGESTSIZE];
        m_hash.Final(digest);
        std::string hex;
        CryptoPP::HexEncoder encoder(new CryptoPP::StringSink(hex), true);
        encoder.Put(digest, sizeof digest);
        encoder.MessageEnd();
        return hex;
    }

private:
    CryptoPP::SHA256 m_hash;
};

std::string ValueLine(const ExportSource& source) {
    std::string line;
    AppendValueLine(line, source);
    return line;
}

} // namespace

std::string MshaFile::Checksum() const {
    MshaHash hash;
    hash.Update(kKey);
    hash.Update(kColumnNames);
    hash.Update(ValueLine(m_source));
    WriteBody(m_source, [&hash](std::string_view bytes) {
        hash.Update(bytes);
        return true;
    });
    return hash.Hex();
}

bool MshaFile::Write(const ExportSink& sink) const {
    const std::string checksum = Checksum();
    const std::string valueLine = ValueLine(m_source);
    return sink(kColumnNames) && sink(",checksum") && sink(valueLine) && sink(",") && sink(checksum) &&
           WriteBody(m_source, sink);
}

std::string MshaFile::Bytes() const {
    return ExportBytes([this](const ExportSink& sink) { return Write(sink); });
}

bool MshaFile::Save(const std::string& path, std::string* reason) const {
    return SaveExportFile(
        path, [this](const ExportSink& sink) { return Write(sink); }, reason);
}

std::string MshaFile::ProposedName(const ExportSource& source) {
    return source.ProposedName("-A");
}

std::string MshaChecksum(std::string_view piece0, std::string_view piece1, std::string_view rest) {
    MshaHash hash;
    for (std::string_view part : {kKey, piece0, piece1, rest})
        hash.Update(part);
    return hash.Hex();
}

} // namespace orvo
