#include "results/CsvExport.h"

#include "download/DisplayTable.h"
#include "download/RecordText.h"
#include "results/ExportFile.h"
#include "results/ExportText.h"
#include "results/RecordPairs.h"

namespace orvo {

namespace {

const DisplayTable& TableOf(const ExportSource& source) {
    static const DisplayTable empty;
    return source.table ? *source.table : empty;
}

// "%H:%M:%S %m/%d/%Y " with its trailing blank, then the GMT form where the serial text is held.
void AppendCommentTime(std::string& out, const ExportSource& source, uint32_t utcSeconds) {
    AppendLocalTime(out, utcSeconds, *source.zone);
    out += ' ';
    if (source.HoldsSerialText())
        AppendGmtTime(out, utcSeconds);
}

void AppendCommentBlock(std::string& out, const ExportSource& source) {
    const std::string_view entry = source.entry;
    const ShiftInformation& shift = source.shift;
    out += "# Start Time: ";
    AppendCommentTime(out, source, RecordUnsigned(entry, 0));
    out += "\n# End Time: ";
    AppendCommentTime(out, source, RecordUnsigned(entry, 1));
    out += "\n# Wearer ID: ";
    out += RecordField(entry, 4);
    out += ",Average Tons - 30 Shifts: ";
    out += shift.averageTons;
    out += " tons";
    out += "\n# Mine ID Number: ";
    out += RecordField(entry, 5);
    out += ",Tons This Shift: ";
    out += shift.tonsThisShift;
    out += " tons";
    out += "\n# Contractor Code: ";
    out += RecordField(entry, 6);
    out += "\n# Mine Name: ";
    out += RecordField(entry, 7);
    // The notes go in unescaped: a quote inside them is written as it is.
    out += ",\"";
    out += shift.notes;
    out += '"';
    out += "\n# Company Name: ";
    out += RecordField(entry, 8);
    if (!source.importedFile) {
        if (shift.multiUnit) {
            out += ",Multi-unit: yes,";
            out += shift.firstUnitSerial;
            out += ',';
            out += shift.secondUnitSerial;
        } else {
            // Two empty columns keep the column count of the "yes" form.
            out += ",Multi-unit: no,,";
        }
    }
    out += "\n# Sample Type: ";
    out += SampleTypeText(entry);
    out += "\n# MMU DA/SA: ";
    out += RecordField(entry, 10);
    out += "\n# Occ Code: ";
    out += OccupationText(entry);
    out += "\n# Part 90 Miner Sampled MIIN: ";
    out += RecordField(entry, 12);
    out += "\n# Certified Person MIIN: ";
    if (source.importedFile)
        out += RecordField(entry, 13);
    else
        out += shift.certifiedMiin;
    out += "\n#\n";
}

void AppendRecordRow(std::string& out, const ExportSource& source, std::string_view record) {
    AppendLocalTime(out, RecordUnsigned(record, 0), *source.zone);
    out += ',';
    const std::vector<RecordPair> pairs = RecordPairs(record);
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (i > 0)
            out += ',';
        out += source.Value(pairs[i].number, pairs[i].value);
    }
    out += '\n';
}

} // namespace

bool CsvExport::WriteSampleData(const ExportSource& source, const ExportSink& sink) {
    const DisplayTable& table = TableOf(source);
    ExportBuffer buffer(sink);
    std::string& out = buffer.Text();
    AppendCommentBlock(out, source);

    out += "Time,";
    const std::vector<RecordPair> headerPairs = RecordPairs(table.header);
    for (size_t i = 0; i < headerPairs.size(); ++i) {
        if (i > 0)
            out += ',';
        out += source.ShortName(headerPairs[i].number);
    }
    out += '\n';
    AppendRecordRow(out, source, table.header);
    AppendRecordRow(out, source, table.footer);
    out += '\n';

    out += "Time,";
    for (size_t c = 0; c < table.columns.size(); ++c) {
        if (c > 0)
            out += ',';
        out += source.ShortName(table.columns[c]);
    }
    out += '\n';

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
        out += '\n';
        if (!buffer.Spill())
            return false;
    }
    return buffer.Flush() && written == table.rowCount;
}

bool CsvExport::WriteStatusList(const ExportSource& source, const ExportSink& sink) {
    ExportBuffer buffer(sink);
    std::string& out = buffer.Text();
    out += "Time,Status Code\n";
    for (const StatusEntry& event : TableOf(source).events) {
        AppendLocalTime(out, event.time, *source.zone);
        out += ',';
        out += event.text;
        out += '\n';
        if (!buffer.Spill())
            return false;
    }
    return buffer.Flush();
}

std::string CsvExport::SampleData(const ExportSource& source) {
    return ExportBytes([&source](const ExportSink& sink) { return WriteSampleData(source, sink); });
}

std::string CsvExport::StatusList(const ExportSource& source) {
    return ExportBytes([&source](const ExportSink& sink) { return WriteStatusList(source, sink); });
}

std::string CsvExport::SampleDataName(const ExportSource& source) {
    const bool serviceLog = source.serviceLog && source.newFirmware && !source.importedFile;
    return source.ProposedName(serviceLog ? "-svc-A" : "-A");
}

std::string CsvExport::StatusListName(const ExportSource& source) {
    return source.ProposedName("-STATUS-A");
}

} // namespace orvo
